#pragma once

// Paths of this machine as the books and the tools hold them: UTF-8 text on every host. The
// standard library reads a narrow path in the process code page on Windows, so every path goes
// through these helpers on its way to the file system.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
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

// Creates an empty file at `utf8Path`, never through an existing name (a file or a link there
// fails it). False with errno set.
bool CreateExclusively(const std::string& utf8Path);

// Whether an operating system's error code of a failed write says there is no room left: the
// disk is full, or a quota or a file-size limit (ulimit -f) was reached.
bool IsNoRoomError(int systemError);

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
    std::FILE* file_ = nullptr;
    std::uint64_t limit_ = 0;
    std::uint64_t done_ = 0;
    ReadOutcome outcome_ = ReadOutcome::kCannotOpen;
};

inline InputFile::~InputFile() {
    if (file_) std::fclose(file_);
}

inline ReadOutcome InputFile::Read(char* buffer, std::size_t size, std::size_t* count) {
    *count = 0;
    if (outcome_ != ReadOutcome::kRead) return outcome_;
    // One byte more than the limit leaves is asked for, to tell a file that grew.
    std::uint64_t left = limit_ - done_ + 1;
    if (size > left) size = static_cast<std::size_t>(left);
    *count = std::fread(buffer, 1, size, file_);
    done_ += *count;
    if (*count == 0 && std::ferror(file_)) return outcome_ = ReadOutcome::kReadError;
    if (done_ > limit_) {
        *count = 0;
        return outcome_ = ReadOutcome::kTooLarge;
    }
    return outcome_;
}

// Reads a whole input file of at most `limit` bytes, so that an input never takes more memory
// than the limit allows.
inline ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit,
                                   std::string* content) {
    content->clear();
    InputFile file;
    ReadOutcome outcome = file.Open(utf8Path, limit);
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    for (std::size_t count = 1; outcome == ReadOutcome::kRead && count > 0;) {
        std::size_t done = content->size();
        content->resize(done + kChunk);
        outcome = file.Read(content->data() + done, kChunk, &count);
        content->resize(done + count);
    }
    if (outcome != ReadOutcome::kRead) content->clear();
    return outcome;
}

// While one lives, SIGINT, SIGTERM and SIGHUP first remove the file at `utf8Path` (a store being
// built) and then end the program as the signal would have. One at a time. On Windows a
// console's Ctrl+C ends the program while SQLite holds the file without delete sharing: there
// the next import removes what is left.
class RemovedOnInterrupt {
public:
    explicit RemovedOnInterrupt(const std::string& utf8Path);
    ~RemovedOnInterrupt();
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;
};

// Creates a new empty file beside `target` under a name no other writer uses,
// TARGET.<random><suffix>, and sets `created` to it. With `watch`, the name is watched for
// interrupts before the file exists, so that an interrupt right after its creation never leaves
// it. False with errno set, `created` then naming the last name tried.
bool CreateUniqueBeside(const std::string& target, std::string_view suffix, std::string* created,
                        std::optional<RemovedOnInterrupt>* watch = nullptr);

}  // namespace books
