#include "tools/kcview/ExportFile.h"

#include "native/Failure.h"

namespace kcview {
namespace {

native::Failure NotPlainFile(const std::string& path) {
    return native::Failure("open", path, native::CodeOf(native::FailureKind::kNotPlainFile),
                           native::FailureKind::kNotPlainFile);
}

}  // namespace

ExportFile::ExportFile(std::string path) : path_(std::move(path)) {
    native::Calls& calls = native::TheCalls();
    native::FileState state;
    if (const int error = calls.openRead(path_, &file_); error != 0) {
        file_ = native::kNoHandle;
        // Windows opens no folder for reading: what stands there tells why.
        if (calls.status(path_, true, &state) == 0 && state.isFolder) throw NotPlainFile(path_);
        throw native::Failure("open", path_, error);
    }
    // Asked of the open file, so that what is read is what was asked.
    const int error = calls.openStatus(file_, &state);
    if (error != 0 || !state.isPlainFile) {
        calls.close(file_);
        file_ = native::kNoHandle;
        if (error != 0) throw native::Failure("open", path_, error);
        throw NotPlainFile(path_);
    }
}

ExportFile::~ExportFile() {
    if (file_ != native::kNoHandle) native::TheCalls().close(file_);
}

std::size_t ExportFile::Read(char* buffer, std::size_t size) {
    std::size_t got = 0;
    if (const int error = native::TheCalls().read(file_, buffer, size, &got); error != 0)
        throw native::Failure("read", path_, error);
    return got;
}

void ExportFile::Rewind() {
    if (const int error = native::TheCalls().seek(file_, 0); error != 0)
        throw native::Failure("seek", path_, error);
}

}  // namespace kcview
