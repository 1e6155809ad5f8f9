#include "native/Calls.h"

#include <windows.h>

#include <cstdint>
#include <optional>

#include "native/Failure.h"
#include "native/Utf16.h"

namespace native {
namespace {

HANDLE H(Handle file) {
    return reinterpret_cast<HANDLE>(file);
}

Handle ToHandle(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}

std::optional<std::wstring> Wide(const std::string& utf8) {
    const std::optional<std::u16string> utf16 = Utf8ToUtf16(utf8);
    if (!utf16) return std::nullopt;
    return std::wstring(utf16->begin(), utf16->end());
}

// A device or a pipe has a name like a file's (NUL, CON, \\.\pipe\…).
int OnlyDisk(HANDLE handle, Handle* file) {
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return ERROR_BAD_FILE_TYPE;
    }
    *file = ToHandle(handle);
    return 0;
}

int Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
         Handle* file) {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return ERROR_NO_UNICODE_TRANSLATION;
    HANDLE handle = CreateFileW(wide->c_str(), access, share, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    return OnlyDisk(handle, file);
}

void StateOf(const BY_HANDLE_FILE_INFORMATION& info, FileState* state) {
    state->isLink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    state->isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    state->isPlainFile = !state->isFolder && !state->isLink;
    state->size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    state->device = info.dwVolumeSerialNumber;
    state->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

int LastError(BOOL ok) {
    return ok ? 0 : static_cast<int>(GetLastError());
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// True when another handle on `path` shares it with nobody who would remove it.
bool HeldOpen(const std::wstring& path) {
    HANDLE handle = CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return false;
}
// WriteFile and ReadFile count in DWORD; larger requests go in pieces.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

}  // namespace

Calls SystemCalls() {
    Calls calls;
    calls.createNew = [](const std::string& path, Handle* file) {
        // CREATE_NEW fails on any name that exists, a link included. Shared for removal, so that
        // a run ending on Ctrl+C removes it while it is open.
        return Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, file);
    };
    calls.openRead = [](const std::string& path, Handle* file) {
        return Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN, file);
    };
    calls.openToSync = [](const std::string& path, Handle* file) {
        // FlushFileBuffers needs a handle that may write.
        return Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, file);
    };
    calls.openLockFile = [](const std::string& path, Handle* file) {
        // Hidden: it stays beside the file it locks. A link there is opened as itself and then
        // refused as no plain file.
        return Open(path, GENERIC_READ, kShareAll, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, file);
    };
    calls.write = [](Handle file, const char* data, std::size_t size, std::size_t* written) {
        const DWORD chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
        DWORD done = 0;
        if (!WriteFile(H(file), data, chunk, &done, nullptr)) return LastError(FALSE);
        if (done == 0) return static_cast<int>(ERROR_WRITE_FAULT);
        *written = done;
        return 0;
    };
    calls.read = [](Handle file, char* data, std::size_t size, std::size_t* read) {
        const DWORD chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
        DWORD done = 0;
        if (!ReadFile(H(file), data, chunk, &done, nullptr)) return LastError(FALSE);
        *read = done;
        return 0;
    };
    calls.seek = [](Handle file, std::uint64_t offset) {
        if (offset > static_cast<std::uint64_t>(INT64_MAX))
            return static_cast<int>(ERROR_NEGATIVE_SEEK);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        return LastError(SetFilePointerEx(H(file), at, nullptr, FILE_BEGIN));
    };
    calls.sync = [](Handle file) { return LastError(FlushFileBuffers(H(file))); };
    calls.close = [](Handle file) { return LastError(CloseHandle(H(file))); };
    calls.tryLock = [](Handle file, bool* taken) {
        OVERLAPPED at{};
        *taken = LockFileEx(H(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                            &at) != 0;
        if (*taken) return 0;
        const DWORD error = GetLastError();
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? 0
                                                                          : static_cast<int>(error);
    };
    calls.replace = [](const std::string& from, const std::string& to) {
        const std::optional<std::wstring> source = Wide(from);
        const std::optional<std::wstring> target = Wide(to);
        if (!source || !target) return static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
        const DWORD attributes = GetFileAttributesW(source->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            // A folder takes the place of an empty folder only; Windows moves none over one.
            if (!RemoveDirectoryW(target->c_str())) {
                const DWORD error = GetLastError();
                if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                    return static_cast<int>(error);
            }
            return LastError(MoveFileExW(source->c_str(), target->c_str(), MOVEFILE_WRITE_THROUGH));
        }
        if (MoveFileExW(source->c_str(), target->c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        const DWORD error = GetLastError();
        // A target another program has open refuses the replacement as a denied access; asked
        // for the target alone, the system tells the two apart.
        return error == ERROR_ACCESS_DENIED && HeldOpen(*target)
                   ? static_cast<int>(ERROR_SHARING_VIOLATION)
                   : static_cast<int>(error);
    };
    calls.remove = [](const std::string& path) {
        const std::optional<std::wstring> wide = Wide(path);
        return wide ? LastError(DeleteFileW(wide->c_str()))
                    : static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
    };
    calls.makeFolder = [](const std::string& path) {
        const std::optional<std::wstring> wide = Wide(path);
        return wide ? LastError(CreateDirectoryW(wide->c_str(), nullptr))
                    : static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
    };
    calls.removeFolder = [](const std::string& path) {
        const std::optional<std::wstring> wide = Wide(path);
        return wide ? LastError(RemoveDirectoryW(wide->c_str()))
                    : static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
    };
    // MOVEFILE_WRITE_THROUGH puts the new name on the disk before the move returns.
    calls.syncFolder = [](const std::string&) { return 0; };
    calls.listFolder = [](const std::string& folder, std::vector<std::string>* names) {
        names->clear();
        const std::optional<std::wstring> wide = Wide(folder + "\\*");
        if (!wide) return static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(wide->c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
        try {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::optional<std::string> utf8 =
                    Utf16ToUtf8(std::u16string(name.begin(), name.end()));
                if (utf8) names->push_back(*utf8);
            } while (FindNextFileW(search, &found));
        } catch (...) {
            // Memory that ran out while the names were gathered: the search is closed all the
            // same.
            FindClose(search);
            throw;
        }
        FindClose(search);
        return 0;
    };
    calls.status = [](const std::string& path, bool followLink, FileState* state) {
        const std::optional<std::wstring> wide = Wide(path);
        if (!wide) return static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
        HANDLE handle = CreateFileW(
            wide->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
        if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
        BY_HANDLE_FILE_INFORMATION info{};
        const int error = LastError(GetFileInformationByHandle(handle, &info));
        const DWORD type = GetFileType(handle);
        CloseHandle(handle);
        // A device (NUL, CON) answers no file's questions: it is no plain file.
        if (error != 0)
            return type != FILE_TYPE_DISK ? static_cast<int>(ERROR_BAD_FILE_TYPE) : error;
        StateOf(info, state);
        if (type != FILE_TYPE_DISK) state->isPlainFile = false;
        return 0;
    };
    calls.openStatus = [](Handle file, FileState* state) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(H(file), &info)) {
            const int error = LastError(FALSE);
            return GetFileType(H(file)) != FILE_TYPE_DISK ? static_cast<int>(ERROR_BAD_FILE_TYPE)
                                                          : error;
        }
        StateOf(info, state);
        if (GetFileType(H(file)) != FILE_TYPE_DISK) state->isPlainFile = false;
        return 0;
    };
    calls.fullPath = [](const std::string& path, std::string* full) {
        const std::optional<std::wstring> wide = Wide(path);
        if (!wide) return static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
        const DWORD needed = GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
        if (needed == 0) return static_cast<int>(GetLastError());
        std::wstring resolved(needed, L'\0');
        const DWORD length = GetFullPathNameW(wide->c_str(), needed, resolved.data(), nullptr);
        if (length == 0 || length >= needed) return static_cast<int>(GetLastError());
        resolved.resize(length);
        const std::optional<std::string> utf8 =
            Utf16ToUtf8(std::u16string(resolved.begin(), resolved.end()));
        if (!utf8) return static_cast<int>(ERROR_NO_UNICODE_TRANSLATION);
        *full = *utf8;
        return 0;
    };
    return calls;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    return path.substr(FolderOf(path).size());
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path;
}

// Windows compares names without case (ASCII letters here; the spelling is resolved first).
bool SameSpelling(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A lock file another run holds open cannot be removed: it stays beside the path, hidden.
bool LockFilesGo() {
    return false;
}

Calls& TheCalls() {
    static Calls* calls = new Calls(SystemCalls());  // never destroyed: a signal may come at exit
    return *calls;
}

FailureKind KindOf(int code) {
    switch (static_cast<DWORD>(code)) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FailureKind::kNoRoom;
        case ERROR_FILE_TOO_LARGE:
            return FailureKind::kTooLarge;
        case ERROR_ACCESS_DENIED:
            return FailureKind::kAccessDenied;
        case ERROR_WRITE_PROTECT:
            return FailureKind::kReadOnlyDisk;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return FailureKind::kHeldOpen;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FailureKind::kNotFound;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FailureKind::kExists;
        case ERROR_BAD_FILE_TYPE:
        case ERROR_DIRECTORY:
            return FailureKind::kNotPlainFile;
        case ERROR_CANT_ACCESS_FILE:
            return FailureKind::kIsLink;
        case ERROR_DIR_NOT_EMPTY:
            return FailureKind::kNotEmpty;
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_SECTOR_NOT_FOUND:
            return FailureKind::kDeviceError;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return FailureKind::kNoMemory;
        case ERROR_NO_UNICODE_TRANSLATION:
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return FailureKind::kBadName;
        case ERROR_CANCELLED:
            return FailureKind::kRunEnding;
        default:
            return FailureKind::kOther;
    }
}

int CodeOf(FailureKind kind) {
    switch (kind) {
        case FailureKind::kNoRoom:
            return ERROR_DISK_FULL;
        case FailureKind::kTooLarge:
            return ERROR_FILE_TOO_LARGE;
        case FailureKind::kAccessDenied:
            return ERROR_ACCESS_DENIED;
        case FailureKind::kReadOnlyDisk:
            return ERROR_WRITE_PROTECT;
        case FailureKind::kHeldOpen:
            return ERROR_SHARING_VIOLATION;
        case FailureKind::kNotFound:
            return ERROR_FILE_NOT_FOUND;
        case FailureKind::kExists:
            return ERROR_FILE_EXISTS;
        case FailureKind::kNotPlainFile:
            return ERROR_BAD_FILE_TYPE;
        case FailureKind::kIsLink:
            return ERROR_CANT_ACCESS_FILE;
        case FailureKind::kNotEmpty:
            return ERROR_DIR_NOT_EMPTY;
        case FailureKind::kDeviceError:
            return ERROR_IO_DEVICE;
        case FailureKind::kNoMemory:
            return ERROR_NOT_ENOUGH_MEMORY;
        case FailureKind::kBadName:
            return ERROR_INVALID_NAME;
        case FailureKind::kRunEnding:
            return ERROR_CANCELLED;
        case FailureKind::kOther:
            return ERROR_GEN_FAILURE;
    }
    return ERROR_GEN_FAILURE;
}

std::string SystemText(int code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
        wide.pop_back();
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end())).value_or("");
}

}  // namespace native
