#include "tools/kcview/ExportFile.h"

#include <cerrno>
#include <optional>

#include "host/win32/Win32Api.h"
#include "tools/kcview/win32/WideText.h"

namespace kcview {

ExportFile::ExportFile(const std::string& path) {
    const std::optional<std::wstring> wide = Utf8ToUtf16(path);
    const DWORD attributes = wide ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        failure_ = "cannot open the file: " +
                   DescribeWin32Error(wide ? GetLastError() : ERROR_NO_UNICODE_TRANSLATION);
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        failure_ = "is not a regular file";
        return;
    }
    HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failure_ = "cannot open the file: " + DescribeWin32Error(GetLastError());
        return;
    }
    // A device or a pipe has a name like a file's (NUL, CON, \\.\pipe\…).
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        failure_ = "is not a regular file";
        return;
    }
    handle_ = file;
}

ExportFile::~ExportFile() {
    if (handle_) CloseHandle(handle_);
}

long ExportFile::Read(char* buffer, std::size_t size) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
    if (!ReadFile(handle_, buffer, wanted, &got, nullptr)) {
        errno = ErrnoOf(GetLastError());
        return -1;
    }
    return static_cast<long>(got);
}

bool ExportFile::Rewind() {
    LARGE_INTEGER start{};
    return SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) != 0;
}

}  // namespace kcview
