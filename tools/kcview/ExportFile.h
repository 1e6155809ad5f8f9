#pragma once

// The exported file's bytes, read through the host's own file calls: POSIX takes the path's bytes
// as they are, Windows takes the path as UTF-8 and opens it by its UTF-16 form.

#include <cstddef>
#include <string>

namespace kcview {

class ExportFile {
public:
    explicit ExportFile(const std::string& path);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    // Why the file could not be opened ("cannot open the file: …", "is not a regular file").
    const std::string& Failure() const { return failure_; }

    // The count of bytes read, 0 at the end, -1 on a read error with errno saying why.
    long Read(char* buffer, std::size_t size);
    // Back to the first byte.
    bool Rewind();

private:
    void* handle_ = nullptr;
    std::string failure_;
};

}  // namespace kcview
