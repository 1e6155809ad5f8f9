#pragma once

// One import into a store at a time: a lock on the file STORE.lock beside the store, taken with
// flock on POSIX and LockFileEx on Windows. The system lets the lock go when the process ends,
// however it ends, so a crashed import never blocks the next. The file stays: removing it
// while another process waits on it would let a third take a lock of its own.

#include <string>

class StoreLock {
public:
    enum class Outcome { kHeld, kBusy, kFailed };

    StoreLock() = default;
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Takes the lock of the store at `utf8StorePath`, waiting at most `seconds` while another
    // import holds it. kFailed when the lock file cannot be opened (Error() says why).
    Outcome Take(const std::string& utf8StorePath, int seconds);
    const std::string& Error() const { return error_; }

private:
    std::string error_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};
