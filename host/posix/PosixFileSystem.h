#pragma once

#include "host/posix/DriveMap.h"
#include "platform/FileSystem.h"

// Files and folders of this platform behind Windows paths.
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
    bool RenameFile(const char* from, const char* to) override;
    std::string PathRoot(const char* path) override;
    std::string TempFolder() override;
    std::size_t GetPrivateProfileString(const char* section, const char* key,
                                        const char* defaultValue, char* out, std::size_t size,
                                        const char* file) override;
    std::unique_ptr<File> OpenFile(const char* path, OpenMode mode) override;
    std::string ExecutablePath() override;

private:
    const DriveMap& drives_;
};
