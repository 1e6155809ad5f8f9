#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "books/Paths.h"

namespace books {

std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit,
                            std::string* content) {
    content->clear();
    // The type is checked before the open, so that a device is never opened, and again on the
    // open descriptor, so that a file swapped in between is not read either. O_NONBLOCK keeps
    // the open of a FIFO from waiting for a writer.
    struct stat before {};
    if (stat(utf8Path.c_str(), &before) != 0) return ReadOutcome::kCannotOpen;
    if (!S_ISREG(before.st_mode)) return ReadOutcome::kNotRegular;
    int fd = open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return ReadOutcome::kCannotOpen;
    struct stat opened {};
    ReadOutcome outcome = ReadOutcome::kRead;
    if (fstat(fd, &opened) != 0) {
        outcome = ReadOutcome::kReadError;
    } else if (!S_ISREG(opened.st_mode)) {
        outcome = ReadOutcome::kNotRegular;
    } else if (static_cast<std::uint64_t>(opened.st_size) > limit) {
        outcome = ReadOutcome::kTooLarge;
    } else {
        // A file that grows while it is read is read up to one byte past the limit.
        content->resize(static_cast<std::size_t>(opened.st_size) + 1);
        std::size_t done = 0;
        while (true) {
            if (done == content->size()) {
                if (done > limit) {
                    outcome = ReadOutcome::kTooLarge;
                    break;
                }
                content->resize(
                    static_cast<std::size_t>(std::min<std::uint64_t>(done * 2 + 4096, limit + 1)));
            }
            ssize_t n = read(fd, content->data() + done, content->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                outcome = ReadOutcome::kReadError;
                break;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        content->resize(outcome == ReadOutcome::kRead ? done : 0);
    }
    close(fd);
    return outcome;
}

}  // namespace books
