#pragma once

// A failed call of the operating system, as the floor reports it: the call, the path it was
// given (or the path the user named, where the call worked on a temporary of it) and the system's
// own error code, kept apart. What the user reads is made from them once, at the program's edge:
// Sentence() for the tools' UTF-8 messages, the edition's own table for its message boxes.

#include <exception>
#include <string>

namespace native {

// What a failure means to the user, whatever the host's code for it.
enum class FailureKind {
    kNoRoom,        // the disk is full, or a quota was reached
    kTooLarge,      // over the largest file the system or the user's limit (ulimit -f) allows
    kAccessDenied,  // permission denied
    kReadOnlyDisk,  // a read-only file system or a write-protected disk
    kHeldOpen,      // another program holds the file
    kNotFound,      // no such file or folder
    kExists,        // something stands at the name
    kNotPlainFile,  // a folder, a pipe, a device or a socket where a plain file is needed
    kIsLink,        // a link where none is followed
    kNotEmpty,      // a folder that holds files where an empty one or none is needed
    kDeviceError,   // the disk or the network failed
    kNoMemory,      // the system or the program ran out of memory
    kBadName,       // a name the system cannot take (not UTF-8, too long, a device name)
    kRunEnding,     // the run is ending on a signal: nothing more is created or kept
    kOther,
};

class Failure : public std::exception {
public:
    // The kind is the host's reading of `code`.
    Failure(std::string call, std::string path, int code);
    Failure(std::string call, std::string path, int code, FailureKind kind);

    const std::string& Call() const noexcept { return call_; }
    const std::string& Path() const noexcept { return path_; }
    int Code() const noexcept { return code_; }
    FailureKind Kind() const noexcept { return kind_; }
    // For logs and tests: "call path: code N". Never shown to a user as it stands.
    const char* what() const noexcept override { return summary_.c_str(); }

    // The same failure told of the path the user named.
    Failure Naming(std::string path) const;

private:
    std::string call_;
    std::string path_;
    int code_;
    FailureKind kind_;
    std::string summary_;
};

// The host's reading of one of its error codes, and the host's code for a kind (tests make a
// call fail with it).
FailureKind KindOf(int code);
int CodeOf(FailureKind kind);
// The system's own words for `code`, UTF-8, without a line break at the end.
std::string SystemText(int code);

// The tools' sentence for a failure: "PATH: REASON", the reason ours where the user can act on it
// (a full disk, a denied access, …), else the system's words.
std::string Sentence(const Failure& failure);
// The reason alone.
std::string Reason(const Failure& failure);

}  // namespace native
