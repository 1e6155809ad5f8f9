#include "native/PathLock.h"

#include <chrono>
#include <thread>

namespace native {

PathLock::~PathLock() {
    Release();
}

std::string PathLock::LockFileOf(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/'
#ifdef _WIN32
                                  || trimmed.back() == '\\'
#endif
                                  ))
        trimmed.pop_back();
    return FolderOf(trimmed) + "." + NameOf(trimmed) + ".kclock";
}

PathLock::Outcome PathLock::Take(const std::string& path, int waitMilliseconds) {
    Release();
    failure_.reset();
    lockFile_ = LockFileOf(path);
    Calls& calls = TheCalls();
    for (int waited = 0;; waited += kPollMilliseconds) {
        Handle file = kNoHandle;
        if (const int error = calls.openLockFile(lockFile_, &file); error != 0) {
            failure_.emplace("open", lockFile_, error);
            return Outcome::kFailed;
        }
        FileState opened;
        if (const int error = calls.openStatus(file, &opened); error != 0 || !opened.isPlainFile) {
            calls.close(file);
            failure_ = error != 0
                           ? native::Failure("status", lockFile_, error)
                           : native::Failure("open", lockFile_, 0, FailureKind::kNotPlainFile);
            return Outcome::kFailed;
        }
        bool taken = false;
        if (const int error = calls.tryLock(file, &taken); error != 0) {
            calls.close(file);
            failure_.emplace("lock", lockFile_, error);
            return Outcome::kFailed;
        }
        if (taken) {
            // The file locked must still be the one at the name: a holder that let go removed
            // it, and a run that opened it before then holds a lock nobody else asks for.
            FileState named;
            if (calls.status(lockFile_, false, &named) == 0 && named.device == opened.device &&
                named.index == opened.index) {
                file_ = file;
                return Outcome::kHeld;
            }
            calls.close(file);
            continue;  // at once: the lock is free, under the new file
        }
        calls.close(file);
        if (waited >= waitMilliseconds) return Outcome::kBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
}

void PathLock::Release() noexcept {
    if (file_ == kNoHandle) return;
#ifndef _WIN32
    // Removed while held, then let go: a waiter finds the name gone or new, never ours.
    TheCalls().remove(lockFile_);
#endif
    TheCalls().close(file_);
    file_ = kNoHandle;
}

}  // namespace native
