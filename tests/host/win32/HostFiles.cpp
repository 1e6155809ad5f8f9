#include "tests/host/HostFiles.h"

#include "host/win32/FileSystem.h"
#include "host/win32/Wide.h"

std::unique_ptr<FileSystem> MakeHostFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

std::string SystemPath(const std::filesystem::path& path) {
    return WideToSjis(std::filesystem::absolute(path).wstring()).value_or("");
}
