#include <fcntl.h>
#include <io.h>
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

bool CreateExclusively(const std::string& utf8Path) {
    int fd = _wopen(PathFromUtf8(utf8Path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
    return fd >= 0 && _close(fd) == 0;
}

bool IsNoRoomError(int systemError) {
    // ERROR_HANDLE_DISK_FULL and ERROR_DISK_FULL (this file does without <windows.h>).
    return systemError == 39 || systemError == 112;
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
