#pragma once

// The exported file's bytes, read through the floor's calls (native/Calls): the path is the
// host's bytes on POSIX and UTF-8 on Windows. A failure is raised as native::Failure naming the
// file: "open" (kNotPlainFile when a folder, a pipe or a device stands there), "read" or "seek".

#include <cstddef>
#include <string>

#include "native/Calls.h"

namespace kcview {

class ExportFile {
public:
    explicit ExportFile(std::string path);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // The count of bytes read into `buffer`, 0 at the end.
    std::size_t Read(char* buffer, std::size_t size);
    // Back to the first byte.
    void Rewind();

private:
    std::string path_;
    native::Handle file_ = native::kNoHandle;
};

}  // namespace kcview
