#include "native/Calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "native/Failure.h"

namespace native {
namespace {

int Fd(Handle file) {
    return static_cast<int>(file);
}

void StateOf(const struct stat& info, FileState* state) {
    state->isLink = S_ISLNK(info.st_mode);
    state->isFolder = S_ISDIR(info.st_mode);
    state->isPlainFile = S_ISREG(info.st_mode);
    state->size = static_cast<std::uint64_t>(info.st_size);
    state->device = static_cast<std::uint64_t>(info.st_dev);
    state->index = static_cast<std::uint64_t>(info.st_ino);
}

int OpenWith(const std::string& path, int flags, Handle* file) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    *file = fd;
    return 0;
}

}  // namespace

Calls SystemCalls() {
    Calls calls;
    calls.createNew = [](const std::string& path, Handle* file) {
        return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, file);
    };
    calls.openRead = [](const std::string& path, Handle* file) {
        return OpenWith(path, O_RDONLY | O_NONBLOCK | O_NOCTTY, file);
    };
    calls.openToSync = [](const std::string& path, Handle* file) {
        // A descriptor opened for reading syncs the file's data on every POSIX system we run on.
        return OpenWith(path, O_RDONLY | O_NOFOLLOW | O_NOCTTY, file);
    };
    calls.openLockFile = [](const std::string& path, Handle* file) {
        // Another user's lock file in sticky /tmp may refuse O_CREAT (protected_regular): it is
        // opened as it stands, and created only when missing. Reading is enough for flock.
        for (int attempt = 0; attempt < 4; ++attempt) {
            int error = OpenWith(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY, file);
            if (error != ENOENT) return error;
            error = OpenWith(path, O_RDONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_NOFOLLOW, file);
            if (error != EEXIST) return error;
        }
        return EAGAIN;
    };
    calls.write = [](Handle file, const char* data, std::size_t size, std::size_t* written) {
        for (;;) {
            const ssize_t n = ::write(Fd(file), data, size);
            if (n > 0) {
                *written = static_cast<std::size_t>(n);
                return 0;
            }
            if (n < 0 && errno == EINTR) continue;
            return n == 0 ? EIO : errno;
        }
    };
    calls.read = [](Handle file, char* data, std::size_t size, std::size_t* read) {
        for (;;) {
            const ssize_t n = ::read(Fd(file), data, size);
            if (n >= 0) {
                *read = static_cast<std::size_t>(n);
                return 0;
            }
            if (errno != EINTR) return errno;
        }
    };
    calls.seek = [](Handle file, std::uint64_t offset) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return EINVAL;
        return ::lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
    };
    calls.sync = [](Handle file) { return ::fsync(Fd(file)) == 0 ? 0 : errno; };
    calls.close = [](Handle file) { return ::close(Fd(file)) == 0 ? 0 : errno; };
    calls.tryLock = [](Handle file, bool* taken) {
        for (;;) {
            if (::flock(Fd(file), LOCK_EX | LOCK_NB) == 0) {
                *taken = true;
                return 0;
            }
            if (errno == EINTR) continue;
            *taken = false;
            return errno == EWOULDBLOCK ? 0 : errno;
        }
    };
    calls.replace = [](const std::string& from, const std::string& to) {
        if (::rename(from.c_str(), to.c_str()) == 0) return 0;
        return errno == EEXIST ? ENOTEMPTY : errno;
    };
    calls.remove = [](const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; };
    calls.makeFolder = [](const std::string& path) {
        return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
    };
    calls.removeFolder = [](const std::string& path) {
        return ::rmdir(path.c_str()) == 0 ? 0 : errno;
    };
    calls.syncFolder = [](const std::string& folder) {
        Handle handle = kNoHandle;
        if (const int error = OpenWith(folder, O_RDONLY | O_DIRECTORY, &handle); error != 0)
            return error;
        // Some file systems cannot sync a folder; the names are then as safe as they can be.
        const int error = ::fsync(Fd(handle)) == 0 || errno == EINVAL ? 0 : errno;
        ::close(Fd(handle));
        return error;
    };
    calls.listFolder = [](const std::string& folder, std::vector<std::string>* names) {
        names->clear();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return errno;
        try {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") names->push_back(name);
            }
        } catch (...) {
            // Memory that ran out while the names were gathered: the folder is closed all the
            // same.
            ::closedir(dir);
            throw;
        }
        ::closedir(dir);
        return 0;
    };
    calls.status = [](const std::string& path, bool followLink, FileState* state) {
        struct stat info {};
        const int result = followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
        if (result != 0) return errno;
        StateOf(info, state);
        return 0;
    };
    calls.openStatus = [](Handle file, FileState* state) {
        struct stat info {};
        if (::fstat(Fd(file), &info) != 0) return errno;
        StateOf(info, state);
        return 0;
    };
    calls.fullPath = [](const std::string& path, std::string* full) {
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        char resolved[PATH_MAX];
        if (!::realpath(folder.c_str(), resolved)) return errno;
        const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        *full = std::string(resolved) + (std::string(resolved) == "/" ? "" : "/") + name;
        return 0;
    };
    return calls;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    return path.substr(FolderOf(path).size());
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool SameSpelling(const std::string& a, const std::string& b) {
    return a == b;
}

// Removed while held, then let go: a waiter finds the name gone or new, never ours.
bool LockFilesGo() {
    return true;
}

Calls& TheCalls() {
    static Calls* calls = new Calls(SystemCalls());  // never destroyed: a signal may come at exit
    return *calls;
}

FailureKind KindOf(int code) {
    switch (code) {
        case ENOSPC:
        case EDQUOT:
            return FailureKind::kNoRoom;
        case EFBIG:
            return FailureKind::kTooLarge;
        case EACCES:
        case EPERM:
            return FailureKind::kAccessDenied;
        case EROFS:
            return FailureKind::kReadOnlyDisk;
        case ETXTBSY:
        case EBUSY:
            return FailureKind::kHeldOpen;
        case ENOENT:
        case ENOTDIR:
            return FailureKind::kNotFound;
        case EEXIST:
            return FailureKind::kExists;
        case EISDIR:
        case ENXIO:
        case ENODEV:
            return FailureKind::kNotPlainFile;
        case ELOOP:
            return FailureKind::kIsLink;
        case ENOTEMPTY:
            return FailureKind::kNotEmpty;
        case EIO:
            return FailureKind::kDeviceError;
        case ENOMEM:
            return FailureKind::kNoMemory;
        case ENAMETOOLONG:
        case EILSEQ:
            return FailureKind::kBadName;
        case ECANCELED:
            return FailureKind::kRunEnding;
        default:
            return FailureKind::kOther;
    }
}

int CodeOf(FailureKind kind) {
    switch (kind) {
        case FailureKind::kNoRoom:
            return ENOSPC;
        case FailureKind::kTooLarge:
            return EFBIG;
        case FailureKind::kAccessDenied:
            return EACCES;
        case FailureKind::kReadOnlyDisk:
            return EROFS;
        case FailureKind::kHeldOpen:
            return ETXTBSY;
        case FailureKind::kNotFound:
            return ENOENT;
        case FailureKind::kExists:
            return EEXIST;
        case FailureKind::kNotPlainFile:
            return EISDIR;
        case FailureKind::kIsLink:
            return ELOOP;
        case FailureKind::kNotEmpty:
            return ENOTEMPTY;
        case FailureKind::kDeviceError:
            return EIO;
        case FailureKind::kNoMemory:
            return ENOMEM;
        case FailureKind::kBadName:
            return ENAMETOOLONG;
        case FailureKind::kRunEnding:
            return ECANCELED;
        case FailureKind::kOther:
            return EINVAL;
    }
    return EINVAL;
}

std::string SystemText(int code) {
    return std::strerror(code);
}

}  // namespace native
