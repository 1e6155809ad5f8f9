#pragma once

#include <string>

#include "host/NativeFiles.h"
#include "host/win32/Win32Api.h"  // before the interface: see there
#include "platform/FileSystem.h"

// Files and folders of Windows: every path is the system's Shift_JIS text, widened with code
// page 932 on its way to the W form of each call. A path that does not convert fails the
// operation as a missing file would. What is written, locked or compared goes through the floor
// (host/NativeFiles.h), which takes the path as UTF-8.
class Win32FileSystem : public FileSystem {
public:
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

    // The books store the run reads, by its UTF-8 path: never replaced by the output.
    void AddBooksStore(const std::string& utf8Path) {
        runFiles_.Add(utf8Path, RunFileRole::kBooksStore);
    }

private:
    nativefiles::RunFileList runFiles_;
};
