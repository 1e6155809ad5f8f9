#include "host/win32/FileSystem.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>

#include "common/Sjis.h"
#include "host/BufferedFile.h"
#include "host/FileFailures.h"
#include "host/TemporaryNames.h"
#include "host/win32/Wide.h"

namespace {

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

std::optional<std::wstring> WidePath(const char* path) {
    return SjisToWide(Text(path));
}

// The reason of a failed call from its error code: a sentence of ours for the errors a user can
// act on, else the system's text.
FileError CallError(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileFailureError(FileFailure::kDiskFull);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return FileFailureError(FileFailure::kHeldByAnotherProgram);
        case ERROR_ACCESS_DENIED:
            return FileFailureError(FileFailure::kAccessDenied);
        case ERROR_WRITE_PROTECT:
            return FileFailureError(FileFailure::kReadOnlyDisk);
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_SECTOR_NOT_FOUND:
            return FileFailureError(FileFailure::kDeviceError);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FileFailureError(FileFailure::kNotFound);
        default:
            return SystemFileError(Win32SystemText(error).value_or(""), static_cast<long>(error));
    }
}

class Win32File : public BufferedFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

private:
    // ReadFile and WriteFile count in DWORD; larger requests go in pieces.
    static constexpr std::size_t kMaxChunk = 1u << 30;

    std::size_t RawWrite(const char* data, std::size_t size) override {
        DWORD chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
        DWORD written = 0;
        if (!WriteFile(handle_, data, chunk, &written, nullptr)) throw CallError(GetLastError());
        if (written == 0) throw FileFailureError(FileFailure::kNothingWritten);
        return written;
    }

    std::size_t RawRead(char* data, std::size_t size) override {
        DWORD chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
        DWORD read = 0;
        if (!ReadFile(handle_, data, chunk, &read, nullptr)) throw CallError(GetLastError());
        return read;
    }

    void RawClose() override {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle)) throw CallError(GetLastError());
    }

    HANDLE handle_;
};

// True when another handle on `path` shares it with nobody who would remove it.
bool IsHeldOpen(const std::wstring& path) {
    HANDLE handle =
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return false;
}

// One file however it is named: the volume and the file's index on it.
struct FileIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                        information.nFileIndexLow};
}

bool SameIdentity(const std::wstring& a, const std::wstring& b) {
    const auto first = IdentityOf(a);
    return first && first == IdentityOf(b);
}

// A named mutex held by the thread that took it, released and closed with the lock.
class MutexLock : public PathLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
    ~MutexLock() override {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE mutex_;
};

// The lock's mutex is named by a hash of the path's full, upper-cased form (Windows compares
// names without case), in the global namespace so that every session of the machine meets it.
HANDLE PathMutex(const std::wstring& path) {
    std::wstring full = FullPath(path);
    if (full.empty()) full = path;
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the UTF-16 units
    for (wchar_t unit : full) {
        hash = (hash ^ (static_cast<std::uint64_t>(unit) & 0xFF)) * 1099511628211ull;
        hash = (hash ^ (static_cast<std::uint64_t>(unit) >> 8)) * 1099511628211ull;
    }
    wchar_t name[64];
    for (const wchar_t* space : {L"Global", L"Local"}) {
        swprintf(name, 64, L"%ls\\kc-lock-%016llx", space, static_cast<unsigned long long>(hash));
        if (HANDLE mutex = CreateMutexW(nullptr, FALSE, name)) return mutex;
    }
    return nullptr;
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

void Win32FileSystem::RenameFile(const char* from, const char* to) {
    auto source = WidePath(from);
    auto target = WidePath(to);
    if (!source || !target) throw FileFailureError(FileFailure::kPathNotShiftJis);
    if (!MoveFileExW(source->c_str(), target->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        // A target another program has open refuses the replacement as a denied access; asked
        // for the target alone, the system tells the two apart.
        if (error == ERROR_ACCESS_DENIED && IsHeldOpen(*target)) error = ERROR_SHARING_VIOLATION;
        throw CallError(error);
    }
}

void Win32FileSystem::CheckReplaceable(const char* path) {
    auto wide = WidePath(path);
    if (!wide) throw FileFailureError(FileFailure::kPathNotShiftJis);
    for (const std::wstring& kept : kept_) {
        if (SameIdentity(*wide, kept)) throw FileFailureError(FileFailure::kBooksStore);
    }
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    // Nothing there; or a link, which is replaced itself whatever it names.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY) throw FileFailureError(FileFailure::kReadOnlyFile);
    // Opened for writing and removal, shared with nobody: a program that holds the file open
    // refuses it now rather than the rename at the end of the run. Nothing is written.
    HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw CallError(GetLastError());
    CloseHandle(handle);
}

bool Win32FileSystem::SameFile(const char* a, const char* b) {
    auto first = WidePath(a);
    auto second = WidePath(b);
    return first && second && SameIdentity(*first, *second);
}

std::unique_ptr<PathLock> Win32FileSystem::LockPath(const char* path, int waitMilliseconds) {
    auto wide = WidePath(path);
    if (!wide) return nullptr;
    HANDLE mutex = PathMutex(*wide);
    if (!mutex) return nullptr;
    // An abandoned mutex belonged to a run that ended without letting it go: it is free.
    const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(waitMilliseconds));
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        return std::make_unique<MutexLock>(mutex);
    CloseHandle(mutex);
    return nullptr;
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

std::unique_ptr<File> Win32FileSystem::OpenFile(const char* path, OpenMode mode) {
    std::string_view name = Text(path);
    auto wide = SjisToWide(name);
    if (!wide) throw FileFailureError(FileFailure::kPathNotShiftJis);
    DWORD access = GENERIC_WRITE;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = CREATE_ALWAYS;
    switch (mode) {
        case OpenMode::kRead:
            access = GENERIC_READ;
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            disposition = OPEN_EXISTING;
            break;
        case OpenMode::kWrite:
            break;
        case OpenMode::kCreateNew:
            disposition = CREATE_NEW;
            break;
    }
    HANDLE handle = CreateFileW(wide->c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw CallError(GetLastError());
    // A device name (NUL, CON, COM1) opens a device wherever it stands in a path.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        throw FileFailureError(FileFailure::kDeviceName);
    }
    return std::make_unique<Win32File>(handle);
}

std::unique_ptr<File> Win32FileSystem::CreateTemporaryFile(const char* folder, std::string* name) {
    // CREATE_NEW fails on any name that exists, a link included.
    TemporaryNames names(folder);
    for (int attempt = 0; attempt < TemporaryNames::kAttempts; ++attempt) {
        std::string candidate = names.Next();
        auto wide = SjisToWide(candidate);
        if (!wide) throw FileFailureError(FileFailure::kPathNotShiftJis);
        HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            throw CallError(error);
        }
        if (GetFileType(handle) != FILE_TYPE_DISK) {
            CloseHandle(handle);
            throw FileFailureError(FileFailure::kDeviceName);
        }
        *name = candidate;
        return std::make_unique<Win32File>(handle);
    }
    throw FileFailureError(FileFailure::kNoTemporaryName);
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
