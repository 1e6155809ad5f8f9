#pragma once

#include <string>

#include "host/NativeFiles.h"
#include "host/posix/DriveMap.h"
#include "platform/FileSystem.h"

// Files and folders of this platform behind Windows paths. What is written, locked or compared
// goes through the floor (host/NativeFiles.h) once the path is a POSIX path.
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
    std::string PathRoot(const char* path) override;
    std::string TempFolder() override;
    std::size_t GetPrivateProfileString(const char* section, const char* key,
                                        const char* defaultValue, char* out, std::size_t size,
                                        const char* file) override;
    std::unique_ptr<File> OpenFile(const char* path) override;
    std::unique_ptr<Replacement> CreateReplacement(const char* target) override;
    std::string ExecutablePath() override;
    void CheckReplaceable(const char* path) override;
    void AddRunFile(const char* path, RunFileRole role) override;
    std::optional<RunFileRole> RunFileAt(const char* path) override;
    std::unique_ptr<PathLock> LockPath(const char* path, int waitMilliseconds) override;

    // The books store the run reads, by its POSIX path: never replaced by the output.
    void AddBooksStore(const std::string& posixPath) {
        runFiles_.Add(posixPath, RunFileRole::kBooksStore);
    }

private:
    // The POSIX path of a Windows path; FileError when no drive holds it.
    std::string PosixPath(const char* path) const;

    const DriveMap& drives_;
    nativefiles::RunFileList runFiles_;
};
