#pragma once

// Why a file operation failed, as the user reads it in a message box: the sentences both hosts
// give a FileError (platform/FileSystem.h), in Shift_JIS. Each host turns its own error codes
// into one of these where the error happens, and keeps the system's own text for an error that
// has no sentence here.

#include <string>

#include "platform/FileSystem.h"

enum class FileFailure {
    kDiskFull,
    kHeldByAnotherProgram,
    kAccessDenied,
    kReadOnlyDisk,
    kDeviceError,
    kNotFound,
    kNoSuchDrive,      // a drive letter or share the host does not map
    kDeviceName,       // a device (NUL, CON) where a file was expected
    kPathNotShiftJis,  // a path with bytes code page 932 does not define
    kNoTemporaryName,  // every name tried beside the target was taken
    kClosed,           // the file was used after it was closed
    kNothingWritten,   // the system took none of the bytes and named no error
    kRunEnding,        // the run was interrupted: nothing more is created or renamed
    kReadOnlyFile,     // a file marked read-only where one is to be replaced
    kBooksStore,       // the books the run reads, where a file is to be written
    kFileTooLarge,     // over the largest file the system or the user's limit allows
};

// The sentence for `failure`.
std::string FileFailureText(FileFailure failure);
inline FileError FileFailureError(FileFailure failure) {
    return FileError(FileFailureText(failure));
}

// An error without a sentence of ours: the system's own text (Shift_JIS), or, when it has none
// or none that converts without loss, a sentence that gives the error's number.
FileError SystemFileError(std::string systemText, long code);
