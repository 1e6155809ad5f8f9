#pragma once

#include <string>
#include <vector>

#include "host/win32/Win32Api.h"  // before the interface: see there
#include "platform/FileSystem.h"

// Files and folders of Windows: every path is the system's Shift_JIS text, widened with code
// page 932 on its way to the W form of each call. A path that does not convert fails the
// operation as a missing file would.
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

    // A file the run must never replace: the books store it reads.
    void Keep(std::wstring path) { kept_.push_back(std::move(path)); }

private:
    std::vector<std::wstring> kept_;
};
