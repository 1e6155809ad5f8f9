#include "host/win32/FileSystem.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/Sjis.h"
#include "host/FileFailures.h"
#include "host/win32/Wide.h"
#include "native/Failure.h"
#include "native/Utf16.h"

namespace {

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

std::optional<std::wstring> WidePath(const char* path) {
    return SjisToWide(Text(path));
}

// The floor's form of a path: UTF-8. None when it has no Shift_JIS reading.
std::optional<std::string> Utf8Path(const char* path) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return std::nullopt;
    return native::Utf16ToUtf8(std::u16string(wide->begin(), wide->end()));
}

std::string FloorPath(const char* path) {
    std::optional<std::string> utf8 = Utf8Path(path);
    if (!utf8) throw FileFailureError(FileFailure::kPathNotShiftJis);
    return *utf8;
}

// The position of the next single-byte backslash at or after `from` (a character boundary),
// or npos; a trail byte 0x5C is part of its character.
std::size_t NextBackslash(std::string_view text, std::size_t from) {
    for (std::size_t pos = from; pos < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (sjis::IsLeadByte(c) && pos + 1 < text.size()) {
            pos += 2;
        } else if (c == '\\') {
            return pos;
        } else {
            pos += 1;
        }
    }
    return std::string_view::npos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool Win32FileSystem::GetCurrentDirectory(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    // The directory may change between the two calls: ask again while it does not fit.
    std::wstring directory;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return false;
        directory.assign(needed, L'\0');
        DWORD length = GetCurrentDirectoryW(needed, directory.data());
        if (length == 0) return false;
        if (length < needed) {
            directory.resize(length);
            auto sjis = WideToSjis(directory);
            if (!sjis || sjis->size() >= size) return false;
            std::memcpy(buffer, sjis->c_str(), sjis->size() + 1);
            return true;
        }
    }
    return false;
}

bool Win32FileSystem::SetCurrentDirectory(const char* path) {
    auto wide = WidePath(path);
    return wide && SetCurrentDirectoryW(wide->c_str());
}

int Win32FileSystem::FileExists(const char* path) {
    auto wide = WidePath(path);
    return wide && GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

bool Win32FileSystem::GetStatus(const char* path, FileStatus* status) {
    auto wide = WidePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!wide || !status || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data))
        return false;
    status->isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status->size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    status->isRegularFile =
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    return true;
}

bool Win32FileSystem::Access(const char* path, int mode) {
    // As the C runtime's access test: the name must exist, and only the read-only attribute
    // refuses anything, namely writing. Other mode bits are not modes.
    if ((mode & ~accessmode::kReadWrite) != 0) return false;
    auto wide = WidePath(path);
    if (!wide) return false;
    DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return !((mode & accessmode::kWrite) && (attributes & FILE_ATTRIBUTE_READONLY));
}

DriveType Win32FileSystem::GetDriveType(const char* root) {
    auto wide = WidePath(root);
    if (!wide) return DriveType::kNoRootDir;
    UINT type = GetDriveTypeW(wide->c_str());
    return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::kUnknown;
}

bool Win32FileSystem::CreateDirectory(const char* path) {
    auto wide = WidePath(path);
    return wide && CreateDirectoryW(wide->c_str(), nullptr);
}

bool Win32FileSystem::RemoveDirectory(const char* path) {
    auto wide = WidePath(path);
    return wide && RemoveDirectoryW(wide->c_str());
}

bool Win32FileSystem::RemoveFile(const char* path) {
    auto wide = WidePath(path);
    return wide && DeleteFileW(wide->c_str());
}

void Win32FileSystem::CheckReplaceable(const char* path) {
    auto wide = WidePath(path);
    if (!wide) throw FileFailureError(FileFailure::kPathNotShiftJis);
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    // Nothing there; or a link, which is replaced itself whatever it names.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY) throw FileFailureError(FileFailure::kReadOnlyFile);
    // Opened for writing and removal, shared with nobody: a program that holds the file open
    // refuses it now rather than the rename at the end of the run. Nothing is written.
    HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw FailureError(native::Failure("open", "", static_cast<int>(GetLastError())));
    CloseHandle(handle);
}

void Win32FileSystem::AddRunFile(const char* path, RunFileRole role) {
    if (auto utf8 = Utf8Path(path)) runFiles_.Add(*utf8, role);
}

std::optional<RunFileRole> Win32FileSystem::RunFileAt(const char* path) {
    auto utf8 = Utf8Path(path);
    return utf8 ? runFiles_.At(*utf8) : std::nullopt;
}

std::unique_ptr<PathLock> Win32FileSystem::LockPath(const char* path, int waitMilliseconds) {
    return nativefiles::LockPath(FloorPath(path), waitMilliseconds);
}

std::string Win32FileSystem::PathRoot(const char* path) {
    std::string_view text = Text(path);
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        // "\\server\share\": both names must be there; the share ends at the next backslash
        // or with the path.
        std::size_t server = NextBackslash(text, 2);
        if (server == std::string_view::npos || server == 2) return "";
        std::size_t share = NextBackslash(text, server + 1);
        if (share == server + 1 || server + 1 == text.size()) return "";
        std::size_t end = share == std::string_view::npos ? text.size() : share;
        return std::string(text.substr(0, end)) + '\\';
    }
    if (text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':')
        return std::string(text.substr(0, 2)) + '\\';
    return "";
}

std::string Win32FileSystem::TempFolder() {
    // GetTempPathW answers with a backslash at the end; the system relies on it.
    std::wstring folder(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (length >= folder.size()) {
        folder.assign(length + 1, L'\0');
        length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
        if (length >= folder.size()) return "";
    }
    if (length == 0) return "";
    folder.resize(length);
    auto sjis = WideToSjis(folder);
    if (!sjis) return "";
    if (!sjis::EndsWithBackslash(*sjis)) *sjis += '\\';
    return *sjis;
}

std::size_t Win32FileSystem::GetPrivateProfileString(const char* section, const char* key,
                                                     const char* defaultValue, char* out,
                                                     std::size_t size, const char* file) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    auto wideSection = SjisToWide(Text(section));
    auto wideKey = SjisToWide(Text(key));
    auto wideDefault = SjisToWide(Text(defaultValue));
    auto wideFile = WidePath(file);
    if (!wideSection || !wideKey || !wideDefault || !wideFile) return 0;
    // A value that fills the buffer may have been cut: read again with room to spare, so that
    // the cut below happens on Shift_JIS bytes and never inside a character.
    constexpr std::size_t kMaxValue = 1 << 20;
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD length = GetPrivateProfileStringW(
            wideSection->c_str(), wideKey->c_str(), wideDefault->c_str(), value.data(),
            static_cast<DWORD>(value.size()), wideFile->c_str());
        if (length + 1 < value.size() || value.size() >= kMaxValue) {
            value.resize(length < value.size() ? length : value.size() - 1);
            break;
        }
        value.assign(value.size() * 2, L'\0');
    }
    auto sjis = WideToSjis(value);
    if (!sjis) return 0;
    sjis::CopyBounded(out, size, *sjis, size - 1);
    return std::strlen(out);
}

std::unique_ptr<File> Win32FileSystem::OpenFile(const char* path) {
    return nativefiles::OpenToRead(FloorPath(path));
}

std::unique_ptr<Replacement> Win32FileSystem::CreateReplacement(const char* target) {
    return nativefiles::CreateReplacement(FloorPath(target));
}

std::string Win32FileSystem::ExecutablePath() {
    // The module name may be longer than MAX_PATH: grow until it fits (the call cuts it
    // and fills the buffer when it does not).
    constexpr std::size_t kMaxPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() > kMaxPath) return "";
        path.assign(path.size() * 2, L'\0');
    }
    return WideToSjis(path).value_or("");
}
