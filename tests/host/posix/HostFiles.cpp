#include "tests/host/HostFiles.h"

#include "host/posix/DriveMap.h"
#include "host/posix/FileSystem.h"

namespace {

// Z: is / unless told otherwise.
const DriveMap& Drives() {
    static const DriveMap drives;
    return drives;
}

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() {
    return std::make_unique<PosixFileSystem>(Drives());
}

std::string SystemPath(const std::filesystem::path& path) {
    return Drives().ToWindows(path.string()).value_or("");
}
