#pragma once

// Why a file operation failed, as the user reads it in a message box: the sentences both hosts
// give a FileError (platform/FileSystem.h), in Shift_JIS. A failure of the floor is read once,
// here, from its kind (native::FailureKind); the system's own text stands for a failure that
// has no sentence of ours. The hosts' own refusals, which no system call made, have theirs too.

#include <string>

#include "native/Failure.h"
#include "platform/FileSystem.h"

// The hosts' own refusals.
enum class FileFailure {
    kNoSuchDrive,      // a drive letter or share the host does not map
    kPathNotShiftJis,  // a path with bytes code page 932 does not define
    kClosed,           // the file was used after it was closed
    kReadOnlyFile,     // a file marked read-only where one is to be replaced
};

// The sentence for `failure`.
std::string FileFailureText(FileFailure failure);
inline FileError FileFailureError(FileFailure failure) {
    return FileError(FileFailureText(failure));
}

// The sentence for a failure of the floor: ours for its kind, else the system's own text for its
// code, else a sentence that gives the code.
std::string FailureText(const native::Failure& failure);
inline FileError FailureError(const native::Failure& failure) {
    return FileError(FailureText(failure));
}
