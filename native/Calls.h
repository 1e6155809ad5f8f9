#pragma once

// The operating system's file calls the floor makes, one table for the whole process. Each host
// fills it with its own calls (native/posix/Calls.cpp, native/win32/Calls.cpp); a test replaces
// one entry (CallsOverride) to make the N-th create, write, sync, rename or lock fail with the
// code it chooses, and sees the floor and every writer above it take the failure path.
//
// Every call answers 0 or the system's error code (errno on POSIX, GetLastError on Windows).
// Paths are UTF-8 on Windows and the host's bytes on POSIX.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace native {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// What stands at a path.
struct FileState {
    bool isLink = false;  // asked without following links, a link is only that
    bool isFolder = false;
    bool isPlainFile = false;  // not a folder, a pipe, a device or a socket
    std::uint64_t size = 0;
    // The file however it is named: the device (volume) and the file's number on it.
    std::uint64_t device = 0;
    std::uint64_t index = 0;
};

struct Calls {
    // A new file, write only, created exclusively: never through a name that exists, a link
    // included; never a device.
    std::function<int(const std::string& path, Handle* file)> createNew;
    // An existing file, read only; a pipe's open does not wait for a writer.
    std::function<int(const std::string& path, Handle* file)> openRead;
    // An existing file, for writing nothing but its sync (a file another library wrote by name).
    std::function<int(const std::string& path, Handle* file)> openToSync;
    // A lock file: read only, created when missing, never through a link, never waiting.
    std::function<int(const std::string& path, Handle* file)> openLockFile;
    std::function<int(Handle file, const char* data, std::size_t size, std::size_t* written)> write;
    std::function<int(Handle file, char* data, std::size_t size, std::size_t* read)> read;
    // The next read starts `offset` bytes from the file's first byte (a reader going over a
    // file a second time).
    std::function<int(Handle file, std::uint64_t offset)> seek;
    // The file's bytes on the disk, not only in the system's cache.
    std::function<int(Handle file)> sync;
    std::function<int(Handle file)> close;
    // An exclusive lock on the open file, taken or not without waiting.
    std::function<int(Handle file, bool* taken)> tryLock;
    // `from` takes the name `to` in one step, replacing a file there (or an empty folder, for a
    // folder).
    std::function<int(const std::string& from, const std::string& to)> replace;
    std::function<int(const std::string& path)> remove;
    std::function<int(const std::string& path)> makeFolder;
    // An empty folder.
    std::function<int(const std::string& path)> removeFolder;
    // The folder's names on the disk (after a rename into it).
    std::function<int(const std::string& folder)> syncFolder;
    std::function<int(const std::string& folder, std::vector<std::string>* names)> listFolder;
    std::function<int(const std::string& path, bool followLink, FileState* state)> status;
    std::function<int(Handle file, FileState* state)> openStatus;
    // The folder of `path` resolved (links, "..", the current folder), its last name as given.
    std::function<int(const std::string& path, std::string* full)> fullPath;
};

// The table the floor calls.
Calls& TheCalls();
// The host's own calls.
Calls SystemCalls();

// Replaces the process's table while it lives (tests).
class CallsOverride {
public:
    explicit CallsOverride(Calls calls) : saved_(TheCalls()) { TheCalls() = std::move(calls); }
    ~CallsOverride() { TheCalls() = saved_; }
    CallsOverride(const CallsOverride&) = delete;
    CallsOverride& operator=(const CallsOverride&) = delete;

private:
    Calls saved_;
};

// The host's paths (native/posix/Calls.cpp, native/win32/Calls.cpp): the folder part of a path,
// with its separator ("" for a bare name), and the last name; a name joined to a folder.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
std::string Joined(const std::string& folder, const std::string& name);
// A folder's path is the same with or without separators at its end: the path without them.
std::string WithoutTrailingSeparators(std::string path);
// Whether two resolved paths are one spelling, as the host compares names.
bool SameSpelling(const std::string& a, const std::string& b);
// Whether a path lock's file goes with its lock (POSIX), or stays beside the path, hidden
// (Windows, where a file another run holds open cannot be removed).
bool LockFilesGo();

}  // namespace native
