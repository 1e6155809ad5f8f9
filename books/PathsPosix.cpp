#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "books/Paths.h"

namespace books {

std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

bool CreateExclusively(const std::string& utf8Path) {
    // The permissions SQLite gives a database it creates.
    int fd = open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    return fd >= 0 && close(fd) == 0;
}

bool IsNoRoomError(int systemError) {
    return systemError == ENOSPC || systemError == EFBIG || systemError == EDQUOT;
}

ReadOutcome InputFile::Open(const std::string& utf8Path, std::uint64_t limit) {
    limit_ = limit;
    // The type is checked before the open, so that a device is never opened, and again on the
    // open descriptor, so that a file swapped in between is not read either. O_NONBLOCK keeps
    // the open of a FIFO from waiting for a writer.
    struct stat before {};
    if (stat(utf8Path.c_str(), &before) != 0) return outcome_ = ReadOutcome::kCannotOpen;
    if (!S_ISREG(before.st_mode)) return outcome_ = ReadOutcome::kNotRegular;
    int fd = open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return outcome_ = ReadOutcome::kCannotOpen;
    struct stat opened {};
    if (fstat(fd, &opened) != 0) {
        outcome_ = ReadOutcome::kReadError;
    } else if (!S_ISREG(opened.st_mode)) {
        outcome_ = ReadOutcome::kNotRegular;
    } else if (static_cast<std::uint64_t>(opened.st_size) > limit) {
        outcome_ = ReadOutcome::kTooLarge;
    } else if ((file_ = fdopen(fd, "rb")) == nullptr) {
        outcome_ = ReadOutcome::kReadError;
    } else {
        // The callers read in large chunks: no second buffer in between.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        return outcome_ = ReadOutcome::kRead;
    }
    close(fd);
    return outcome_;
}

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler may touch: fixed storage, set before the handlers are in place.
char interruptedPath[PATH_MAX] = {};
struct sigaction previousActions[3];
bool handled[3] = {};

// Only async-signal-safe calls: unlink, write, sigaction, raise.
extern "C" void RemoveAndEnd(int signal) {
    unlink(interruptedPath);
    static constexpr char kNote[] = "kcbooks: interrupted; the store is left as it was\n";
    ssize_t ignored = write(STDERR_FILENO, kNote, sizeof(kNote) - 1);
    (void)ignored;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);  // delivered once the handler returns: the program ends as the signal says
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::string& utf8Path) {
    if (utf8Path.size() >= sizeof(interruptedPath)) return;
    std::memcpy(interruptedPath, utf8Path.c_str(), utf8Path.size() + 1);
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
    for (int i = 0; i < 3; ++i) {
        // A signal the program was started to ignore (nohup, a background job) stays ignored.
        struct sigaction current {};
        handled[i] = sigaction(kSignals[i], nullptr, &current) == 0 &&
                     current.sa_handler != SIG_IGN &&
                     sigaction(kSignals[i], &action, &previousActions[i]) == 0;
    }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
    if (interruptedPath[0] == '\0') return;
    for (int i = 0; i < 3; ++i) {
        if (handled[i]) sigaction(kSignals[i], &previousActions[i], nullptr);
        handled[i] = false;
    }
    interruptedPath[0] = '\0';
}

}  // namespace books
