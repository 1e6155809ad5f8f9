#include "native/PathLock.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace native {
namespace {

// The lock files of the locks the run holds, for a signal that ends the run.
class HeldLocks {
public:
    static HeldLocks& Get() {
        static HeldLocks* held = new HeldLocks;  // never destroyed: a signal may come at exit
        return *held;
    }

    std::mutex mutex;
    std::map<Handle, std::string> files;  // by the handle that holds each: a path may be held
                                          // anew once a signal's clean-up removed its file
};

// The lock file as one turn of Take opens it: closed, and a lock taken on it let go, on every
// way out of the turn but the one that keeps it (memory that runs out included: on Windows a name
// is made wide for each call).
class TurnFile {
public:
    explicit TurnFile(Handle file) : file_(file) {}
    ~TurnFile() { Close(); }
    TurnFile(const TurnFile&) = delete;
    TurnFile& operator=(const TurnFile&) = delete;

    Handle Get() const { return file_; }
    Handle Keep() { return std::exchange(file_, kNoHandle); }
    void Close() noexcept {
        if (file_ != kNoHandle) TheCalls().close(file_);
        file_ = kNoHandle;
    }

private:
    Handle file_;
};

}  // namespace

PathLock::~PathLock() {
    Release();
}

std::string PathLock::LockFileOf(const std::string& path) {
    const std::string trimmed = WithoutTrailingSeparators(path);
    return FolderOf(trimmed) + "." + NameOf(trimmed) + ".kclock";
}

PathLock::Outcome PathLock::Take(const std::string& path, int waitMilliseconds) {
    Release();
    failure_.reset();
    lockFile_ = LockFileOf(path);
    Calls& calls = TheCalls();
    for (int waited = 0;; waited += kPollMilliseconds) {
        Handle opening = kNoHandle;
        if (const int error = calls.openLockFile(lockFile_, &opening); error != 0) {
            failure_.emplace("open", lockFile_, error);
            return Outcome::kFailed;
        }
        TurnFile file(opening);
        FileState opened;
        if (const int error = calls.openStatus(file.Get(), &opened);
            error != 0 || !opened.isPlainFile) {
            failure_ = error != 0
                           ? native::Failure("status", lockFile_, error)
                           : native::Failure("open", lockFile_, 0, FailureKind::kNotPlainFile);
            return Outcome::kFailed;
        }
        bool taken = false;
        if (const int error = calls.tryLock(file.Get(), &taken); error != 0) {
            failure_.emplace("lock", lockFile_, error);
            return Outcome::kFailed;
        }
        if (taken) {
            // The file locked must still be the one at the name: a holder that let go removed
            // it, and a run that opened it before then holds a lock nobody else asks for.
            FileState named;
            if (calls.status(lockFile_, false, &named) == 0 && named.device == opened.device &&
                named.index == opened.index) {
                try {
                    HeldLocks& held = HeldLocks::Get();
                    std::lock_guard<std::mutex> lock(held.mutex);
                    held.files.emplace(file.Get(), lockFile_);
                } catch (...) {
                    // Let go as Release does: the lock file goes with the lock.
                    if (LockFilesGo()) calls.remove(lockFile_);
                    throw;
                }
                file_ = file.Keep();
                return Outcome::kHeld;
            }
            continue;  // at once: the lock is free, under the new file
        }
        file.Close();
        if (waited >= waitMilliseconds) return Outcome::kBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
}

void PathLock::Release() noexcept {
    if (file_ == kNoHandle) return;
    {
        HeldLocks& held = HeldLocks::Get();
        std::lock_guard<std::mutex> lock(held.mutex);
        // Removed while held, then let go: a waiter finds the name gone or new, never ours.
        if (held.files.erase(file_) > 0 && LockFilesGo()) TheCalls().remove(lockFile_);
    }
    TheCalls().close(file_);
    file_ = kNoHandle;
}

void PathLock::RemoveLockFiles() noexcept {
    HeldLocks& held = HeldLocks::Get();
    std::lock_guard<std::mutex> lock(held.mutex);
    if (LockFilesGo()) {
        for (const auto& [file, path] : held.files) TheCalls().remove(path);
    }
    held.files.clear();
}

}  // namespace native
