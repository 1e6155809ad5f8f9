#include <sys/stat.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "books/Paths.h"

namespace books {

// The wide form of the runtime's fopen, so that a path of any characters opens.
std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathFromUtf8(utf8Path).c_str(), wideMode.c_str());
}

ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit,
                            std::string* content) {
    content->clear();
    std::wstring path = PathFromUtf8(utf8Path).wstring();
    struct _stat64 before {};
    if (_wstat64(path.c_str(), &before) != 0) return ReadOutcome::kCannotOpen;
    if ((before.st_mode & _S_IFMT) != _S_IFREG) return ReadOutcome::kNotRegular;
    if (static_cast<std::uint64_t>(before.st_size) > limit) return ReadOutcome::kTooLarge;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return ReadOutcome::kCannotOpen;
    // A file that grows while it is read is read up to one byte past the limit.
    ReadOutcome outcome = ReadOutcome::kRead;
    content->resize(static_cast<std::size_t>(before.st_size) + 1);
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
        std::size_t n = std::fread(content->data() + done, 1, content->size() - done, file);
        done += n;
        if (n == 0) {
            if (std::ferror(file)) outcome = ReadOutcome::kReadError;
            break;
        }
    }
    std::fclose(file);
    content->resize(outcome == ReadOutcome::kRead ? done : 0);
    return outcome;
}

}  // namespace books
