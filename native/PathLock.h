#pragma once

// One run at a time on a path: every run of this system on the machine, of any user, that asks
// for the lock of the same path meanwhile waits or is refused. The lock is a lock file beside the
// path (".NAME.kclock"), opened read-only and without waiting, which must be a plain file: a pipe,
// a device or a link planted there is refused with its reason, never waited on. The system lets
// the lock go when the process ends, however it ends, so a crashed run never blocks the next.
// On POSIX the holder removes the lock file when it lets the lock go (a waiter that finds its
// file gone opens the new one), so no lock file stays beside the store or the target once no run
// holds it; on Windows it stays, hidden.

#include <memory>
#include <optional>
#include <string>

#include "native/Calls.h"
#include "native/Failure.h"

namespace native {

class PathLock {
public:
    enum class Outcome {
        kHeld,    // this run holds it
        kBusy,    // another run held it all the time waited
        kFailed,  // the lock file could not be used: Failure() says why
    };

    PathLock() = default;
    ~PathLock();
    PathLock(const PathLock&) = delete;
    PathLock& operator=(const PathLock&) = delete;

    // Takes the lock of `path`, waiting at most `waitMilliseconds` while another run holds it.
    Outcome Take(const std::string& path, int waitMilliseconds);
    // Lets it go (the destructor does too).
    void Release() noexcept;

    bool Held() const { return file_ != kNoHandle; }
    // Why kFailed: the lock file's path and the system's code.
    const std::optional<native::Failure>& Failure() const { return failure_; }

    // The lock file of `path`.
    static std::string LockFileOf(const std::string& path);
    // How often a waiting run asks again.
    static constexpr int kPollMilliseconds = 50;

    // A run ending on a signal exits without letting its locks go one by one: the system lets
    // them go with the process, and this removes their lock files first, as Release does, so
    // that none stays beside the path (POSIX). Safe from any thread; a Release after it only
    // closes.
    static void RemoveLockFiles() noexcept;

private:
    Handle file_ = kNoHandle;
    std::string lockFile_;
    std::optional<native::Failure> failure_;
};

}  // namespace native
