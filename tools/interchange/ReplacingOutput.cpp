#include "tools/interchange/ReplacingOutput.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "books/Paths.h"

namespace books::interchange {

namespace fs = std::filesystem;

ReplacingOutput::~ReplacingOutput() {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    if (!temporary_.empty()) fs::remove(PathFromUtf8(temporary_), ignored);
}

std::string ReplacingOutput::Open(const std::string& target, const std::string& storePath) {
    target_ = target;
    std::error_code error;
    fs::path path = PathFromUtf8(target);
    auto status = fs::status(path, error);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) return target + ": not a regular file";
        if (fs::equivalent(path, PathFromUtf8(storePath), error)) {
            return target + ": is the books store, which is not replaced";
        }
    }
    if (!CreateUniqueBeside(target, ".writing", &temporary_)) {
        const int error = errno;
        temporary_.clear();  // the name tried is not this writer's file
        return target + ": cannot be written: " + std::strerror(error);
    }
    if (!(file_ = OpenPath(temporary_, "wb"))) {
        return target + ": cannot be written: " + std::strerror(errno);
    }
    std::setvbuf(file_, nullptr, _IOFBF, std::size_t{1} << 20);
    return std::string();
}

bool ReplacingOutput::Put(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return true;
    errno_ = errno != 0 ? errno : EIO;
    return false;
}

std::string ReplacingOutput::Finish() {
    if (std::fflush(file_) != 0 && errno_ == 0) errno_ = errno != 0 ? errno : EIO;
    if (std::fclose(file_) != 0 && errno_ == 0) errno_ = errno != 0 ? errno : EIO;
    file_ = nullptr;
    return errno_ == 0 ? std::string() : WriteError();
}

std::string ReplacingOutput::Commit() {
    std::error_code error;
    fs::rename(PathFromUtf8(temporary_), PathFromUtf8(target_), error);
    if (error) return target_ + ": cannot be replaced: " + error.message();
    temporary_.clear();
    return std::string();
}

std::string ReplacingOutput::WriteError() const {
    // The C library's errno on both hosts; the system's own code where it passes it on.
    if (errno_ == ENOSPC || errno_ == EFBIG || IsNoRoomError(errno_)) {
        return target_ + ": no room left (the disk is full, or a file-size limit was reached)";
    }
    return target_ + ": cannot be written: " + std::strerror(errno_ ? errno_ : EIO);
}

}  // namespace books::interchange
