#pragma once

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/posix/DriveMap.h"
#include "platform/FileSystem.h"

// Files and folders of this platform behind Windows paths. The temporary files it creates are
// remembered until they are renamed or removed, so that an interrupted run can remove them
// from another thread (see AbandonTemporaries).
class PosixFileSystem : public FileSystem {
public:
    explicit PosixFileSystem(const DriveMap& drives) : drives_(drives) {}

    bool GetCurrentDirectory(char* buffer, std::size_t size) override;
    bool SetCurrentDirectory(const char* path) override;
    int FileExists(const char* path) override;
    bool GetStatus(const char* path, FileStatus* status) override;
    bool Access(const char* path, int mode) override;
    DriveType GetDriveType(const char* root) override;
    bool CreateDirectory(const char* path) override;
    bool RemoveDirectory(const char* path) override;
    bool RemoveFile(const char* path) override;
    void RenameFile(const char* from, const char* to) override;
    std::string PathRoot(const char* path) override;
    std::string TempFolder() override;
    std::size_t GetPrivateProfileString(const char* section, const char* key,
                                        const char* defaultValue, char* out, std::size_t size,
                                        const char* file) override;
    std::unique_ptr<File> OpenFile(const char* path, OpenMode mode) override;
    std::unique_ptr<File> CreateTemporaryFile(const char* folder, std::string* name) override;
    std::string ExecutablePath() override;
    void CheckReplaceable(const char* path) override;
    bool SameFile(const char* a, const char* b) override;
    std::unique_ptr<PathLock> LockPath(const char* path, int waitMilliseconds) override;

    // A file of this platform the run must never replace: the books store it reads.
    void Keep(const std::string& posixPath) { kept_.push_back(posixPath); }

    // Removes every temporary file not yet renamed or removed, and from then on creates no
    // temporary and renames nothing: the run is ending. Safe from any thread.
    void AbandonTemporaries();

private:
    // Forgets `posixPath` as a temporary; called with mutex_ held.
    void Forget(const std::string& posixPath) { temporaries_.erase(posixPath); }

    const DriveMap& drives_;
    std::mutex mutex_;                   // guards temporaries_ and abandoned_
    std::set<std::string> temporaries_;  // POSIX paths
    bool abandoned_ = false;
    std::vector<std::string> kept_;  // POSIX paths
};
