#include "tools/kcview/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>

namespace kcview {
namespace {

// Created exclusively, so neither a file nor a link already at the name is ever written.
int CreateTemporaryBeside(const std::string& path, std::string* name) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        *name = path + suffix;
        const int fd =
            open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The temporary being written, for an interrupt: Ctrl+C or a kill while the page is written
// leaves nothing beside the target.
const char* volatile interruptedTemporary = nullptr;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void RemoveTemporaryAndStop(int signal) {
    if (const char* path = interruptedTemporary) unlink(path);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

class TemporaryRemovedOnInterrupt {
public:
    explicit TemporaryRemovedOnInterrupt(const std::string& path) {
        interruptedTemporary = path.c_str();
        struct sigaction action {};
        action.sa_handler = RemoveTemporaryAndStop;
        sigemptyset(&action.sa_mask);
        for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            // A signal kcview was started to ignore (nohup, a background job) stays ignored.
            struct sigaction current {};
            handled_[i] = sigaction(kSignals[i], nullptr, &current) == 0 &&
                          current.sa_handler != SIG_IGN &&
                          sigaction(kSignals[i], &action, &previous_[i]) == 0;
        }
    }
    ~TemporaryRemovedOnInterrupt() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            if (handled_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
        }
        interruptedTemporary = nullptr;
    }
    TemporaryRemovedOnInterrupt(const TemporaryRemovedOnInterrupt&) = delete;
    TemporaryRemovedOnInterrupt& operator=(const TemporaryRemovedOnInterrupt&) = delete;

private:
    struct sigaction previous_[std::size(kSignals)] = {};
    bool handled_[std::size(kSignals)] = {};
};

}  // namespace

std::string DefaultPagePath(const std::string& exportPath) {
    const std::size_t slash = exportPath.find_last_of('/');
    const std::size_t dot = exportPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return exportPath.substr(0, dot) + ".html";
    return exportPath + ".html";
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A link at the page's path is replaced by the page, as the export treats a link at its file's
// path: the rename puts the page where the link was and the file the link names is never opened,
// so a link left in a shared folder cannot steer the page over someone else's file. A link to a
// folder, a pipe or a device is refused with them.
bool IsReplaceableTarget(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return true;  // nothing there, or creating says why
    if (!S_ISLNK(status.st_mode)) return S_ISREG(status.st_mode);
    return stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

bool WritePage(const std::string& path, const PageMaker& make) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, &temporary);
    int error = errno;
    std::optional<TemporaryRemovedOnInterrupt> removedOnInterrupt;
    if (fd >= 0) removedOnInterrupt.emplace(temporary);
    std::string reason;
    bool written = fd >= 0 && make(
                                  [&](std::string_view piece) {
                                      if (WriteAll(fd, piece)) return true;
                                      error = errno;
                                      return false;
                                  },
                                  &reason);
    if (written && fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (fd >= 0 && close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        if (fd >= 0) unlink(temporary.c_str());
        std::cerr << "kcview: cannot write " << path << ": "
                  << (reason.empty() ? std::strerror(error) : reason) << "\n";
    }
    return written;
}

}  // namespace kcview
