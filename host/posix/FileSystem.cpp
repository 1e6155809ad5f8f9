#include "host/posix/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "common/Encoding.h"
#include "common/Sjis.h"
#include "host/BufferedFile.h"
#include "host/FileFailures.h"
#include "host/Profile.h"
#include "host/TemporaryNames.h"

namespace {

// The reason of a failed call from its errno: a sentence of ours for the errors a user can act
// on, else the system's text.
FileError ErrnoError(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return FileFailureError(FileFailure::kDiskFull);
        case EACCES:
        case EPERM:
            return FileFailureError(FileFailure::kAccessDenied);
        case EROFS:
            return FileFailureError(FileFailure::kReadOnlyDisk);
        case EIO:
            return FileFailureError(FileFailure::kDeviceError);
        case EFBIG:
            return FileFailureError(FileFailure::kFileTooLarge);
        case ENOENT:
        case ENOTDIR:
            return FileFailureError(FileFailure::kNotFound);
        case ETXTBSY:
            return FileFailureError(FileFailure::kHeldByAnotherProgram);
        default:
            break;
    }
    std::string text;
    if (!sjis::Utf8ToSjis(std::strerror(error), &text)) text.clear();
    return SystemFileError(text, error);
}

class PosixFile : public BufferedFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

private:
    std::size_t RawWrite(const char* data, std::size_t size) override {
        for (;;) {
            ssize_t n = ::write(fd_, data, size);
            if (n > 0) return static_cast<std::size_t>(n);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) throw FileFailureError(FileFailure::kNothingWritten);
            throw ErrnoError(errno);
        }
    }

    std::size_t RawRead(char* data, std::size_t size) override {
        for (;;) {
            ssize_t n = ::read(fd_, data, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) throw ErrnoError(errno);
        }
    }

    void RawClose() override {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw ErrnoError(errno);
    }

    int fd_;
};

}  // namespace

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
    struct stat info {};
    return posix && stat(posix->c_str(), &info) == 0 ? 1 : 0;
}

bool PosixFileSystem::GetStatus(const char* path, FileStatus* status) {
    auto posix = drives_.ToPosix(path ? path : "");
    struct stat info {};
    if (!posix || !status || stat(posix->c_str(), &info) != 0) return false;
    status->isDirectory = S_ISDIR(info.st_mode);
    status->size = info.st_size;
    status->isRegularFile = S_ISREG(info.st_mode);
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
    if (!posix) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    Forget(*posix);
    return unlink(posix->c_str()) == 0;
}

namespace {

bool SameIdentity(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A path's one spelling: its folder resolved (links, "..", doubled slashes), its name as given.
std::string Canonical(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) return path;
    return std::string(resolved) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

class FlockedPath : public PathLock {
public:
    explicit FlockedPath(int fd) : fd_(fd) {}
    ~FlockedPath() override { ::close(fd_); }  // closing lets the lock go
    FlockedPath(const FlockedPath&) = delete;
    FlockedPath& operator=(const FlockedPath&) = delete;

private:
    int fd_;
};

// The lock file of a path: in /tmp, which every user of the machine shares (TMPDIR may be a
// user's own), named by a hash of the path's one spelling. Lock files are left in place:
// removing one while another run waits on it would let two runs hold "the" lock.
int OpenLockFile(const std::string& path) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : Canonical(path)) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof(name), "/tmp/kc-lock-%016llx",
                  static_cast<unsigned long long>(hash));
    // Another user's lock file in sticky /tmp may refuse O_CREAT (protected_regular): it is
    // opened as it stands, and created only when missing. Reading is enough for flock.
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = open(name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = open(name, O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

void PosixFileSystem::CheckReplaceable(const char* path) {
    auto posix = drives_.ToPosix(path ? path : "");
    if (!posix) throw FileFailureError(FileFailure::kNoSuchDrive);
    for (const std::string& kept : kept_) {
        if (SameIdentity(*posix, kept)) throw FileFailureError(FileFailure::kBooksStore);
    }
    struct stat info {};
    // A link is replaced, not written through: what it names does not matter.
    if (lstat(posix->c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return;
    // Read-only as Windows marks a file: nobody may write it. The rename would replace it all
    // the same; a file made read-only is one its owner meant to keep.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw FileFailureError(FileFailure::kReadOnlyFile);
}

bool PosixFileSystem::SameFile(const char* a, const char* b) {
    auto first = drives_.ToPosix(a ? a : "");
    auto second = drives_.ToPosix(b ? b : "");
    return first && second && SameIdentity(*first, *second);
}

std::unique_ptr<PathLock> PosixFileSystem::LockPath(const char* path, int waitMilliseconds) {
    auto posix = drives_.ToPosix(path ? path : "");
    if (!posix) return nullptr;
    const int fd = OpenLockFile(*posix);
    if (fd < 0) return nullptr;
    constexpr int kPollMilliseconds = 50;
    for (int waited = 0;; waited += kPollMilliseconds) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return std::make_unique<FlockedPath>(fd);
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMilliseconds) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
    ::close(fd);
    return nullptr;
}

void PosixFileSystem::RenameFile(const char* from, const char* to) {
    auto source = drives_.ToPosix(from ? from : "");
    auto target = drives_.ToPosix(to ? to : "");
    if (!source || !target) throw FileFailureError(FileFailure::kNoSuchDrive);
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) throw FileFailureError(FileFailure::kRunEnding);
    if (rename(source->c_str(), target->c_str()) != 0) throw ErrnoError(errno);
    Forget(*source);
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
        // A definition file is a few lines; a huge or binary one is read only so far.
        constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;
        std::ifstream in(*posix, std::ios::binary);
        if (in) {
            std::string content(kMaxProfileBytes, '\0');
            in.read(content.data(), static_cast<std::streamsize>(content.size()));
            content.resize(static_cast<std::size_t>(in.gcount()));
            auto found = FindProfileValue(content, section ? section : "", key ? key : "");
            if (found) value = *found;
        }
    }
    sjis::CopyBounded(out, size, value, size - 1);
    return std::strlen(out);
}

std::unique_ptr<File> PosixFileSystem::OpenFile(const char* path, OpenMode mode) {
    auto posix = drives_.ToPosix(path ? path : "");
    if (!posix) throw FileFailureError(FileFailure::kNoSuchDrive);
    int flags = mode == OpenMode::kRead    ? O_RDONLY
                : mode == OpenMode::kWrite ? (O_WRONLY | O_CREAT | O_TRUNC)
                                           : (O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW);
    int fd = ::open(posix->c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) throw ErrnoError(errno);
    return std::make_unique<PosixFile>(fd);
}

std::unique_ptr<File> PosixFileSystem::CreateTemporaryFile(const char* folder, std::string* name) {
    // O_EXCL makes the creation fail on any name that exists, a link included (which is never
    // followed).
    TemporaryNames names(folder);
    for (int attempt = 0; attempt < TemporaryNames::kAttempts; ++attempt) {
        std::string candidate = names.Next();
        auto posix = drives_.ToPosix(candidate);
        if (!posix) throw FileFailureError(FileFailure::kNoSuchDrive);
        std::lock_guard<std::mutex> lock(mutex_);
        if (abandoned_) throw FileFailureError(FileFailure::kRunEnding);
        int fd = ::open(posix->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) throw ErrnoError(errno);
        temporaries_.insert(*posix);
        *name = candidate;
        return std::make_unique<PosixFile>(fd);
    }
    throw FileFailureError(FileFailure::kNoTemporaryName);
}

void PosixFileSystem::AbandonTemporaries() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    for (const std::string& path : temporaries_) unlink(path.c_str());
    temporaries_.clear();
}

std::string PosixFileSystem::ExecutablePath() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return "";
    path[n] = '\0';
    return drives_.ToWindows(path).value_or("");
}
