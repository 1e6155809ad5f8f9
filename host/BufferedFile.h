#pragma once

// The file both hosts hand out: a write buffer, so that a line-by-line writer costs one system
// call per 64 KiB, over the host's raw calls on its own handle. A write of the buffer's size or
// more goes straight through, after what is buffered. A file destroyed without Close drops what
// is buffered: a file given up is not completed. The host's own class releases its handle in
// its destructor when RawClose was not called.

#include <cstddef>
#include <string>

#include "platform/FileSystem.h"

class BufferedFile : public File {
public:
    void Write(const char* data, std::size_t size) final;
    std::size_t Read(char* data, std::size_t size) final;
    void Flush() final;
    void Close() final;

protected:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    // The host's calls, each raising FileError with the reason when it fails.
    // Writes some of `data` (at least one byte) and answers how many.
    virtual std::size_t RawWrite(const char* data, std::size_t size) = 0;
    // Reads up to `size` bytes; 0 at the end of the file.
    virtual std::size_t RawRead(char* data, std::size_t size) = 0;
    // Closes the handle; called once. The handle is released even when it raises.
    virtual void RawClose() = 0;

private:
    void CheckOpen() const;
    void WriteAll(const char* data, std::size_t size);

    std::string buffer_;
    bool closed_ = false;
};
