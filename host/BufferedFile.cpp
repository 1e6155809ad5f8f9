#include "host/BufferedFile.h"

#include "host/FileFailures.h"

void BufferedFile::CheckOpen() const {
    if (closed_) throw FileFailureError(FileFailure::kClosed);
}

void BufferedFile::Write(const char* data, std::size_t size) {
    CheckOpen();
    if (buffer_.size() + size > kBufferSize) Flush();
    if (size >= kBufferSize) {
        WriteAll(data, size);
    } else {
        buffer_.append(data, size);
    }
}

std::size_t BufferedFile::Read(char* data, std::size_t size) {
    CheckOpen();
    std::size_t done = 0;
    while (done < size) {
        std::size_t read = RawRead(data + done, size - done);
        if (read == 0) break;
        done += read;
    }
    return done;
}

void BufferedFile::Flush() {
    if (closed_ || buffer_.empty()) return;
    std::string pending;
    pending.swap(buffer_);
    WriteAll(pending.data(), pending.size());
}

void BufferedFile::Close() {
    if (closed_) return;
    try {
        Flush();
    } catch (const FileError&) {
        // The first error is the one the user is told; the handle goes all the same.
        closed_ = true;
        try {
            RawClose();
        } catch (const FileError&) {
        }
        throw;
    }
    closed_ = true;
    RawClose();
}

void BufferedFile::WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        std::size_t written = RawWrite(data, size);
        data += written;
        size -= written;
    }
}
