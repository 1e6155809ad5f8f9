#include "books/Paths.h"

#include "native/Failure.h"

namespace books {

InputFile::~InputFile() {
    if (file_ != native::kNoHandle) native::TheCalls().close(file_);
}

ReadOutcome InputFile::Open(const std::string& utf8Path, std::uint64_t limit) {
    limit_ = limit;
    native::Calls& calls = native::TheCalls();
    // The type is checked before the open, so that a device is never opened, and again on the
    // open file, so that a file swapped in between is not read either. The floor's open of a
    // FIFO does not wait for a writer.
    native::FileState before;
    if (calls.status(utf8Path, true, &before) != 0) return outcome_ = ReadOutcome::kCannotOpen;
    if (!before.isPlainFile) return outcome_ = ReadOutcome::kNotRegular;
    if (before.size > limit) return outcome_ = ReadOutcome::kTooLarge;
    if (const int error = calls.openRead(utf8Path, &file_); error != 0) {
        file_ = native::kNoHandle;
        return outcome_ = native::KindOf(error) == native::FailureKind::kNotPlainFile
                              ? ReadOutcome::kNotRegular
                              : ReadOutcome::kCannotOpen;
    }
    native::FileState opened;
    if (calls.openStatus(file_, &opened) != 0) {
        outcome_ = ReadOutcome::kReadError;
    } else if (!opened.isPlainFile) {
        outcome_ = ReadOutcome::kNotRegular;
    } else if (opened.size > limit) {
        outcome_ = ReadOutcome::kTooLarge;
    } else {
        return outcome_ = ReadOutcome::kRead;
    }
    calls.close(file_);
    file_ = native::kNoHandle;
    return outcome_;
}

ReadOutcome InputFile::Read(char* buffer, std::size_t size, std::size_t* count) {
    *count = 0;
    if (outcome_ != ReadOutcome::kRead) return outcome_;
    // One byte more than the limit leaves is asked for, to tell a file that grew.
    const std::uint64_t left = limit_ - done_ + 1;
    if (size > left) size = static_cast<std::size_t>(left);
    if (native::TheCalls().read(file_, buffer, size, count) != 0) {
        *count = 0;
        return outcome_ = ReadOutcome::kReadError;
    }
    done_ += *count;
    if (done_ > limit_) {
        *count = 0;
        return outcome_ = ReadOutcome::kTooLarge;
    }
    return outcome_;
}

ReadOutcome ReadRegularFile(const std::string& utf8Path, std::uint64_t limit,
                            std::string* content) {
    content->clear();
    InputFile file;
    ReadOutcome outcome = file.Open(utf8Path, limit);
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    for (std::size_t count = 1; outcome == ReadOutcome::kRead && count > 0;) {
        const std::size_t done = content->size();
        content->resize(done + kChunk);
        outcome = file.Read(content->data() + done, kChunk, &count);
        content->resize(done + count);
    }
    if (outcome != ReadOutcome::kRead) content->clear();
    return outcome;
}

}  // namespace books
