#pragma once

// Files and folders as the system sees them: Windows paths in Shift_JIS, the way the
// condition dialog's checks and the environment check expect them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// Drive types of the drive-type query, numbered as Windows numbers them.
enum class DriveType {
    kUnknown = 0,
    kNoRootDir = 1,
    kRemovable = 2,
    kFixed = 3,
    kRemote = 4,
    kCdRom = 5,
    kRamDisk = 6,
};

struct FileStatus {
    bool isDirectory = false;
    std::int64_t size = 0;
    // A plain file: not a folder, a device, a pipe or a socket. A link answers for what it
    // points to.
    bool isRegularFile = false;
};

// The file layer's error: raised by File and by the operations that say so, caught by whoever
// writes. Its text is the reason in a sentence the user can read in a message box (Shift_JIS,
// such as "ディスクの空き容量が不足しています。"): the host makes it where the error happens, from
// the system's error: a sentence of its own for the errors a user can act on (a full disk, a file
// another program holds open, access denied, a read-only disk, a device error), else the system's
// own text. It names no path and no call: the message around it says which file.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An open file. Every operation raises FileError on failure. A file destroyed without Close lets
// its handle go and drops what it buffers (a file given up is removed, not completed).
class File {
public:
    virtual ~File() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
    // Reads up to `size` bytes; fewer at the end of the file.
    virtual std::size_t Read(char* data, std::size_t size) = 0;
    // Writes out what is buffered.
    virtual void Flush() = 0;
    // Flushes and closes; a file that failed to close raises FileError.
    virtual void Close() = 0;
};

enum class OpenMode {
    kRead,   // existing file, read only, others may read and write
    kWrite,  // create or truncate, write only
    // Create a new file, write only; fails when anything exists at the name (a link included,
    // which is never followed).
    kCreateNew,
};

// A lock tied to a path, held until it is destroyed: every run of this system on the machine,
// of any user, that asks for the same path meanwhile waits or is refused. It guards nothing by
// itself; the runs that write one file agree to take it first.
class PathLock {
public:
    virtual ~PathLock() = default;
};

// Access modes of the access test.
namespace accessmode {
constexpr int kExists = 0;
constexpr int kWrite = 2;
constexpr int kRead = 4;
constexpr int kReadWrite = 6;
}  // namespace accessmode

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The current directory into `buffer` (at most size - 1 bytes and a NUL). False on failure.
    virtual bool GetCurrentDirectory(char* buffer, std::size_t size) = 0;
    virtual bool SetCurrentDirectory(const char* path) = 0;
    // 1 when a file or folder exists at `path`, else 0.
    virtual int FileExists(const char* path) = 0;
    virtual bool GetStatus(const char* path, FileStatus* status) = 0;
    // True when `path` can be used in `mode` (see accessmode::), as the Windows C runtime
    // answers: a folder only has to exist and, for writing, not be marked read-only; whether a
    // file can be made in it is known only by making one.
    virtual bool Access(const char* path, int mode) = 0;
    virtual DriveType GetDriveType(const char* root) = 0;
    virtual bool CreateDirectory(const char* path) = 0;
    virtual bool RemoveDirectory(const char* path) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    // Replaces `to` by `from` in one step. Raises FileError with the reason when it cannot (for
    // example another program holds `to` open); both names are then as they were.
    virtual void RenameFile(const char* from, const char* to) = 0;
    // Raises FileError with the reason when a file at `path` could not be replaced whole: it is
    // read-only, another program holds it open, or it is a file this run must keep (the books it
    // reads). Nothing at `path` raises nothing; whether a folder takes a new file is known only by
    // making one.
    virtual void CheckReplaceable(const char* path) = 0;
    // True when `a` and `b` both name one existing file, through a link or another spelling.
    virtual bool SameFile(const char* a, const char* b) = 0;
    // The lock of `path`, after waiting up to `waitMilliseconds` for another run to let it go;
    // null when it was not let go.
    virtual std::unique_ptr<PathLock> LockPath(const char* path, int waitMilliseconds) = 0;
    // The root of a path: "C:\" for a drive path, "\\server\share\" for a network path; empty
    // when the path has none.
    virtual std::string PathRoot(const char* path) = 0;
    // The system's temporary folder, ending in a backslash.
    virtual std::string TempFolder() = 0;
    // The value of `key` in `section` of an INI file (names compared without case), blanks
    // around it removed, cut to size - 1 bytes; `defaultValue` when the file, section or key is
    // missing. Returns the length written.
    virtual std::size_t GetPrivateProfileString(const char* section, const char* key,
                                                const char* defaultValue, char* out,
                                                std::size_t size, const char* file) = 0;
    // Raises FileError when the file cannot be opened.
    virtual std::unique_ptr<File> OpenFile(const char* path, OpenMode mode) = 0;
    // Creates a new, empty file, write only, under a name of its own in `folder` (a folder
    // path ending in a backslash, or empty for the current folder): never through a name that
    // exists, a link included. Its full name goes to `*name`. Raises FileError when no file can
    // be made there.
    virtual std::unique_ptr<File> CreateTemporaryFile(const char* folder, std::string* name) = 0;
    // The full path of the running program.
    virtual std::string ExecutablePath() = 0;
};
