#pragma once

// Paths of this machine as the books and the tools hold them: UTF-8 text on every host. The
// standard library reads a narrow path in the process code page on Windows, so every path goes
// through these helpers on its way to the file system.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace books {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string PathToUtf8(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// std::fopen of a UTF-8 path; null with errno set on failure.
std::FILE* OpenPath(const std::string& utf8Path, const char* mode);

// Reads a whole input file. Only a regular file is read (a FIFO or a device could block the
// reader forever or never end), and only up to `limit` bytes, so that an input never takes
// more memory than the limit allows.
enum class ReadOutcome { kRead, kCannotOpen, kNotRegular, kTooLarge, kReadError };
ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit, std::string* content);

}  // namespace books
