#include "files/ReplacingFile.h"

#include "common/Sjis.h"

namespace {

// The folder part of a Windows path: up to its last backslash, else up to a drive's colon;
// empty for a bare name (the current folder).
std::string FolderOf(const std::string& path) {
    std::size_t slash = sjis::LastBackslash(path);
    if (slash != std::string::npos) return path.substr(0, slash + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return "";
}

}  // namespace

ReplacingFile::ReplacingFile(FileSystem& files, std::string target)
    : files_(files), target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Abandon();
}

bool ReplacingFile::Create() {
    Abandon();
    try {
        output_ = files_.CreateTemporaryFile(FolderOf(target_).c_str(), &temporary_);
    } catch (const FileError& error) {
        temporary_.clear();
        Fail(error);
        return false;
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (!output_) return false;
    try {
        output_->Close();
        output_.reset();
        files_.RenameFile(temporary_.c_str(), target_.c_str());
    } catch (const FileError& error) {
        Fail(error);
        Abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingFile::Abandon() {
    output_.reset();
    if (!temporary_.empty()) files_.RemoveFile(temporary_.c_str());
    temporary_.clear();
}

void ReplacingFile::Fail(const FileError& error) {
    if (reason_.empty()) reason_ = error.what();
}
