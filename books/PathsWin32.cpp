#include <sys/stat.h>

#include <cwchar>
#include <string>

#include "books/Paths.h"

namespace books {

// The wide form of the runtime's fopen, so that a path of any characters opens.
std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathFromUtf8(utf8Path).c_str(), wideMode.c_str());
}

ReadOutcome InputFile::Open(const std::string& utf8Path, std::uint64_t limit) {
    limit_ = limit;
    std::wstring path = PathFromUtf8(utf8Path).wstring();
    struct _stat64 before {};
    if (_wstat64(path.c_str(), &before) != 0) return outcome_ = ReadOutcome::kCannotOpen;
    if ((before.st_mode & _S_IFMT) != _S_IFREG) return outcome_ = ReadOutcome::kNotRegular;
    if (static_cast<std::uint64_t>(before.st_size) > limit) {
        return outcome_ = ReadOutcome::kTooLarge;
    }
    file_ = _wfopen(path.c_str(), L"rb");
    if (!file_) return outcome_ = ReadOutcome::kCannotOpen;
    // The callers read in large chunks: no second buffer in between.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    return outcome_ = ReadOutcome::kRead;
}

// See the declaration: nothing to hold on Windows.
RemovedOnInterrupt::RemovedOnInterrupt(const std::string& /*utf8Path*/) {}
RemovedOnInterrupt::~RemovedOnInterrupt() = default;

}  // namespace books
