#include <windows.h>

#include <string>

#include "books/Paths.h"
#include "tools/kcbooks/StoreLock.h"

StoreLock::~StoreLock() {
    if (handle_) CloseHandle(handle_);  // lets the lock go
}

StoreLock::Outcome StoreLock::Take(const std::string& utf8StorePath, int seconds) {
    std::string path = utf8StorePath + ".lock";
    // Shared for reading and writing: only the byte range lock decides who goes on.
    HANDLE file = CreateFileW(books::PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = path + ": cannot be opened (Windows error " + std::to_string(GetLastError()) + ")";
        return Outcome::kFailed;
    }
    handle_ = file;
    for (int waited = 0;; ++waited) {
        OVERLAPPED at{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return Outcome::kHeld;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            error_ =
                path + ": cannot be locked (Windows error " + std::to_string(GetLastError()) + ")";
            return Outcome::kFailed;
        }
        if (waited >= seconds * 10) return Outcome::kBusy;
        Sleep(100);
    }
}
