#include "tools/kcview/PageFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <random>

#include "host/win32/Win32Api.h"
#include "tools/kcview/win32/WideText.h"

namespace kcview {
namespace {

// A handle that answers questions about what stands at a path, a folder as well as a file,
// without reading or writing it.
HANDLE OpenToAsk(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Created exclusively (CREATE_NEW), so nothing already at the name is ever written.
HANDLE CreateTemporaryBeside(const std::wstring& path, std::wstring* name) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t suffix[16];
        std::swprintf(suffix, 16, L".%08x.tmp", static_cast<unsigned>(random()));
        *name = path + suffix;
        HANDLE file = CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

}  // namespace

std::string DefaultPagePath(const std::string& exportPath) {
    const std::size_t separator = exportPath.find_last_of("\\/:");
    const std::size_t dot = exportPath.find_last_of('.');
    if (dot != std::string::npos && (separator == std::string::npos || dot > separator))
        return exportPath.substr(0, dot) + ".html";
    return exportPath + ".html";
}

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<std::wstring> first = Utf8ToUtf16(a);
    const std::optional<std::wstring> second = Utf8ToUtf16(b);
    if (!first || !second) return false;
    HANDLE one = OpenToAsk(*first);
    HANDLE other = OpenToAsk(*second);
    BY_HANDLE_FILE_INFORMATION oneInfo{};
    BY_HANDLE_FILE_INFORMATION otherInfo{};
    const bool same = one != INVALID_HANDLE_VALUE && other != INVALID_HANDLE_VALUE &&
                      GetFileInformationByHandle(one, &oneInfo) &&
                      GetFileInformationByHandle(other, &otherInfo) &&
                      oneInfo.dwVolumeSerialNumber == otherInfo.dwVolumeSerialNumber &&
                      oneInfo.nFileIndexHigh == otherInfo.nFileIndexHigh &&
                      oneInfo.nFileIndexLow == otherInfo.nFileIndexLow;
    if (one != INVALID_HANDLE_VALUE) CloseHandle(one);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    return same;
}

// The rename replaces a link itself, never the file it names, as on POSIX.
bool IsReplaceableTarget(const std::string& path) {
    const std::optional<std::wstring> wide = Utf8ToUtf16(path);
    if (!wide) return true;  // creating the page says why
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there, or creating says why
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    HANDLE target = OpenToAsk(*wide);
    if (target == INVALID_HANDLE_VALUE) return true;
    const bool disk = GetFileType(target) == FILE_TYPE_DISK;
    CloseHandle(target);
    return disk;
}

bool WritePage(const std::string& path, const PageMaker& make) {
    const std::optional<std::wstring> wide = Utf8ToUtf16(path);
    std::wstring temporary;
    HANDLE file = wide ? CreateTemporaryBeside(*wide, &temporary) : INVALID_HANDLE_VALUE;
    DWORD error = wide ? GetLastError() : ERROR_NO_UNICODE_TRANSLATION;
    std::string reason;
    bool written = file != INVALID_HANDLE_VALUE && make(
                                                       [&](std::string_view piece) {
                                                           if (WriteAll(file, piece)) return true;
                                                           error = GetLastError();
                                                           return false;
                                                       },
                                                       &reason);
    if (written && !FlushFileBuffers(file)) {
        written = false;
        error = GetLastError();
    }
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && written) {
        written = false;
        error = GetLastError();
    }
    if (written && !MoveFileExW(temporary.c_str(), wide->c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        error = GetLastError();
    }
    if (!written) {
        if (file != INVALID_HANDLE_VALUE) DeleteFileW(temporary.c_str());
        std::cerr << "kcview: cannot write " << path << ": "
                  << (reason.empty() ? DescribeWin32Error(error) : reason) << "\n";
    }
    return written;
}

}  // namespace kcview
