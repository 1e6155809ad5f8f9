#pragma once

// Files and folders as the system sees them: Windows paths in Shift_JIS, the way the
// condition dialog's checks and the environment check expect them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
// its handle go and drops what it buffers (a file given up is not completed).
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

// A file that takes the place of its target whole or not at all: written beside the target under
// a new name of its own (never through a name that exists, a link included) and put in the
// target's place by Keep only, its bytes on the disk before the rename and the rename on the disk
// after it, so that neither a failure nor a power cut leaves a torn file where the previous one
// stood. Discarded, or destroyed before Keep, it is removed and the target stays as it was; so it
// is when a signal ends the run.
class Replacement {
public:
    virtual ~Replacement() = default;
    // The file to write, until Keep or Discard. Its Close does nothing: Keep completes it.
    virtual File& Output() = 0;
    // Puts the whole file in the target's place. Raises FileError with the reason when it cannot;
    // the file beside is then removed and the target stays as it was.
    virtual void Keep() = 0;
    // Removes the file beside the target. Never fails.
    virtual void Discard() noexcept = 0;
};

// A lock tied to a path, held until it is destroyed: every run of this system on the machine,
// of any user, that asks for the same path meanwhile waits or is refused. It guards nothing by
// itself; the runs that write one file agree to take it first.
class PathLock {
public:
    virtual ~PathLock() = default;
};

// The files a run reads or writes besides its output, which the output must never replace.
enum class RunFileRole {
    kBooksStore,    // the books the run reads
    kSettingsFile,  // where the conditions are saved after the export
    kProgramFile,   // the definition file and SUPPORT.INF beside the program
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
    // Raises FileError with the reason when a file at `path` could not be replaced whole: it is
    // read-only, or another program holds it open. Nothing at `path` raises nothing; whether a
    // folder takes a new file is known only by making one.
    virtual void CheckReplaceable(const char* path) = 0;
    // Names a file of this run (see RunFileRole); it need not exist yet.
    virtual void AddRunFile(const char* path, RunFileRole role) = 0;
    // The run's file that `path` is, through a link or another spelling, or will be once it is
    // made; none when it is none of them.
    virtual std::optional<RunFileRole> RunFileAt(const char* path) = 0;
    // The lock of `path`, after waiting up to `waitMilliseconds` for another run to let it go;
    // null when another run held it all that time. Raises FileError with the reason when the
    // lock cannot be taken at all (its lock file is no plain file, may not be opened, …): that is
    // never waited on.
    virtual std::unique_ptr<PathLock> LockPath(const char* path, int waitMilliseconds) = 0;
    // The root of a path: "C:\" for a drive path, "\\server\share\" for a network path; empty
    // when the path has none.
    virtual std::string PathRoot(const char* path) = 0;
    // The system's temporary folder, ending in a backslash.
    virtual std::string TempFolder() = 0;
    // The value of `key` in `section` of an INI file (names compared without case), blanks
    // around it removed, cut to size - 1 bytes; `defaultValue` when the file, section or key is
    // missing. Returns the length written. The file is read as far as it goes, never beyond
    // what a definition file holds; std::bad_alloc when even that cannot be had.
    virtual std::size_t GetPrivateProfileString(const char* section, const char* key,
                                                const char* defaultValue, char* out,
                                                std::size_t size, const char* file) = 0;
    // An existing file, read only, others may read and write it. Raises FileError when it cannot
    // be opened.
    virtual std::unique_ptr<File> OpenFile(const char* path) = 0;
    // Begins the file that will replace `target` (see Replacement). Raises FileError when no
    // file can be made beside it.
    virtual std::unique_ptr<Replacement> CreateReplacement(const char* target) = 0;
    // The full path of the running program.
    virtual std::string ExecutablePath() = 0;
};
