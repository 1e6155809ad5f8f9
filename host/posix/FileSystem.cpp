#include "host/posix/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/Sjis.h"
#include "host/FileFailures.h"
#include "host/Profile.h"
#include "native/Calls.h"

namespace {

// A definition file is a few lines: one larger than this is read only so far.
constexpr std::size_t kMaxProfileBytes = 64 * 1024;

}  // namespace

std::string PosixFileSystem::PosixPath(const char* path) const {
    auto posix = drives_.ToPosix(path ? path : "");
    if (!posix) throw FileFailureError(FileFailure::kNoSuchDrive);
    return *posix;
}

bool PosixFileSystem::GetCurrentDirectory(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof(cwd))) return false;
    auto windows = drives_.ToWindows(cwd);
    if (!windows || windows->size() >= size) return false;
    std::memcpy(buffer, windows->c_str(), windows->size() + 1);
    return true;
}

bool PosixFileSystem::SetCurrentDirectory(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    return posix && chdir(posix->c_str()) == 0;
}

int PosixFileSystem::FileExists(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    native::FileState state;
    return posix && native::TheCalls().status(*posix, true, &state) == 0 ? 1 : 0;
}

bool PosixFileSystem::GetStatus(const char* path, FileStatus* status) {
    auto posix = drives_.ToPosix(path ? path : "");
    native::FileState state;
    if (!posix || !status || native::TheCalls().status(*posix, true, &state) != 0) return false;
    status->isDirectory = state.isFolder;
    status->size = static_cast<std::int64_t>(state.size);
    status->isRegularFile = state.isPlainFile;
    return true;
}

bool PosixFileSystem::Access(const char* path, int mode) {
    auto posix = drives_.ToPosix(path ? path : "");
    if (!posix) return false;
    // A folder answers as the Windows runtime answers for one: it exists, and (for writing)
    // it is not marked read-only. This platform has no such mark on folders: permission bits
    // say who may do what, and a folder without any write bit (Fedora's "/" is 0555) or one the
    // user may not write still holds folders the user may write. So a folder only has to
    // exist; whether the output file can be made in the target folder is learnt by making it,
    // and a refusal there has its own message.
    struct stat info {};
    if (stat(posix->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
    int flags = F_OK;
    if (mode & accessmode::kRead) flags |= R_OK;
    if (mode & accessmode::kWrite) flags |= W_OK;
    return ::access(posix->c_str(), flags) == 0;
}

DriveType PosixFileSystem::GetDriveType(const char* root) {
    std::string text = root ? root : "";
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        std::size_t server = text.find('\\', 2);
        std::size_t share = server == std::string::npos ? server : text.find('\\', server + 1);
        std::string key =
            text.substr(2, share == std::string::npos ? std::string::npos : share - 2);
        return drives_.IsShareMapped(key) ? DriveType::kRemote : DriveType::kNoRootDir;
    }
    if (text.size() >= 2 && text[1] == ':') {
        return drives_.IsDriveMapped(text[0]) ? DriveType::kFixed : DriveType::kNoRootDir;
    }
    return DriveType::kNoRootDir;
}

bool PosixFileSystem::CreateDirectory(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    return posix && mkdir(posix->c_str(), 0777) == 0;
}

bool PosixFileSystem::RemoveDirectory(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    return posix && rmdir(posix->c_str()) == 0;
}

bool PosixFileSystem::RemoveFile(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    return posix && native::TheCalls().remove(*posix) == 0;
}

void PosixFileSystem::CheckReplaceable(const char* path) {
    const std::string posix = PosixPath(path);
    struct stat info {};
    // Nothing there; or a link, which is replaced itself whatever it names.
    if (lstat(posix.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return;
    // Read-only as Windows marks a file: nobody may write it. The rename would replace it all
    // the same; a file made read-only is one its owner meant to keep.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw FileFailureError(FileFailure::kReadOnlyFile);
}

void PosixFileSystem::AddRunFile(const char* path, RunFileRole role) {
    if (auto posix = drives_.ToPosix(path ? path : "")) runFiles_.Add(*posix, role);
}

std::optional<RunFileRole> PosixFileSystem::RunFileAt(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    return posix ? runFiles_.At(*posix) : std::nullopt;
}

std::unique_ptr<PathLock> PosixFileSystem::LockPath(const char* path, int waitMilliseconds) {
    return nativefiles::LockPath(PosixPath(path), waitMilliseconds);
}

std::string PosixFileSystem::PathRoot(const char* path) {
    std::string text = path ? path : "";
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        std::size_t server = text.find('\\', 2);
        if (server == std::string::npos) return "";
        std::size_t share = text.find('\\', server + 1);
        return (share == std::string::npos ? text : text.substr(0, share)) + "\\";
    }
    if (text.size() >= 2 && text[1] == ':') return text.substr(0, 2) + "\\";
    return "";
}

std::string PosixFileSystem::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    auto windows = drives_.ToWindows(tmp && *tmp ? tmp : "/tmp");
    if (!windows) return "";
    if (!sjis::EndsWithBackslash(*windows)) *windows += '\\';
    return *windows;
}

std::size_t PosixFileSystem::GetPrivateProfileString(const char* section, const char* key,
                                                     const char* defaultValue, char* out,
                                                     std::size_t size, const char* file) {
    if (!out || size == 0) return 0;
    std::string value = defaultValue ? defaultValue : "";
    auto posix = drives_.ToPosix(file ? file : "");
    if (posix) {
        if (const auto content = nativefiles::ReadSmallFile(*posix, kMaxProfileBytes)) {
            auto found = FindProfileValue(*content, section ? section : "", key ? key : "");
            if (found) value = *found;
        }
    }
    sjis::CopyBounded(out, size, value, size - 1);
    return std::strlen(out);
}

std::unique_ptr<File> PosixFileSystem::OpenFile(const char* path) {
    return nativefiles::OpenToRead(PosixPath(path));
}

std::unique_ptr<Replacement> PosixFileSystem::CreateReplacement(const char* target) {
    return nativefiles::CreateReplacement(PosixPath(target));
}

std::string PosixFileSystem::ExecutablePath() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return "";
    path[n] = '\0';
    return drives_.ToWindows(path).value_or("");
}
