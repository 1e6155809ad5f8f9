#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "tools/kcbooks/StoreLock.h"

StoreLock::~StoreLock() {
    if (fd_ >= 0) close(fd_);  // lets the lock go
}

StoreLock::Outcome StoreLock::Take(const std::string& utf8StorePath, int seconds) {
    std::string path = utf8StorePath + ".lock";
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = path + ": " + std::strerror(errno);
        return Outcome::kFailed;
    }
    // Tenths of a second (<chrono> does not compile for code page 932: its literals hold "µ").
    const timespec tenth{0, 100'000'000};
    for (int waited = 0; flock(fd_, LOCK_EX | LOCK_NB) != 0; ++waited) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = path + ": " + std::strerror(errno);
            return Outcome::kFailed;
        }
        if (waited >= seconds * 10) return Outcome::kBusy;
        nanosleep(&tenth, nullptr);
    }
    return Outcome::kHeld;
}
