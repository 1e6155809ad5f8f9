#pragma once

// The platform's files that both hosts make alike over the floor (native/), once a path is in the
// host's own form (its bytes on POSIX, UTF-8 on Windows): the replacing file, the file read, the
// path lock, the run's files and the small files read whole. A failure of the floor becomes the
// FileError of its sentence (host/FileFailures).

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "native/RunFiles.h"
#include "platform/FileSystem.h"

namespace nativefiles {

// The replacing file of `target`, begun beside it (native::TempFile).
std::unique_ptr<Replacement> CreateReplacement(const std::string& target);
// An existing file, read only.
std::unique_ptr<File> OpenToRead(const std::string& path);
// The lock of `path` (native::PathLock): null when another run held it for `waitMilliseconds`;
// FileError with the reason when it cannot be taken at all.
std::unique_ptr<PathLock> LockPath(const std::string& path, int waitMilliseconds);

// A plain file's bytes, as many as it holds up to `maxBytes`: never a buffer larger than the
// file. None when nothing readable stands there (a folder, a pipe, a device, no file). Raises
// std::bad_alloc when even that much memory cannot be had.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes);

// The run's files with their roles (native::RunFiles).
class RunFileList {
public:
    void Add(const std::string& path, RunFileRole role);
    std::optional<RunFileRole> At(const std::string& path) const;

private:
    native::RunFiles files_;
};

}  // namespace nativefiles
