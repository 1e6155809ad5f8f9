#include "tools/view/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
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

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

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

bool WritePage(const std::string& path, const std::string& page) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, &temporary);
    bool written = fd >= 0 && WriteAll(fd, page) && fsync(fd) == 0;
    int error = errno;
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
        std::cerr << "kcview: cannot write " << path << ": " << std::strerror(error) << "\n";
    }
    return written;
}

}  // namespace kcview
