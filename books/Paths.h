#pragma once

// Paths of this machine as the books and the tools hold them: UTF-8 text on every host. The
// standard library reads a narrow path in the process code page on Windows, so a path that goes
// to std::filesystem goes through these helpers; files are opened, read and written through the
// floor's calls (native/), which take UTF-8 on Windows.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "native/Calls.h"

namespace books {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string PathToUtf8(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

enum class ReadOutcome { kRead, kCannotOpen, kNotRegular, kTooLarge, kReadError };

// An input file read from its start to its end in chunks. Only a regular file is opened (a FIFO
// or a device could block the reader forever or never end), and no more than `limit` bytes are
// read: a file that grows while it is read fails with kTooLarge one byte past the limit.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    ReadOutcome Open(const std::string& utf8Path, std::uint64_t limit);
    // Reads the next bytes, at most `size`, into `buffer`; `count` is 0 at the end. kRead, or
    // kTooLarge or kReadError, which the file keeps as its Outcome().
    ReadOutcome Read(char* buffer, std::size_t size, std::size_t* count);
    ReadOutcome Outcome() const { return outcome_; }

private:
    native::Handle file_ = native::kNoHandle;
    std::uint64_t limit_ = 0;
    std::uint64_t done_ = 0;
    ReadOutcome outcome_ = ReadOutcome::kCannotOpen;
};

// Reads a whole input file of at most `limit` bytes, so that an input never takes more memory
// than the limit allows.
ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit, std::string* content);

}  // namespace books
