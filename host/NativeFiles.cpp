#include "host/NativeFiles.h"

#include "host/FileFailures.h"
#include "native/Calls.h"
#include "native/PathLock.h"
#include "native/TempFile.h"

namespace nativefiles {
namespace {

// As the writer's big writes go straight through, smaller lines gather into one system call.
constexpr std::size_t kWriteBuffer = 64 * 1024;

// The replacing file's output: the temporary's writes; Keep completes it.
class TemporaryOutput : public File {
public:
    explicit TemporaryOutput(native::TempFile& file) : file_(file) {}
    void Write(const char* data, std::size_t size) override {
        if (closed_) throw FileFailureError(FileFailure::kClosed);
        try {
            file_.Write(std::string_view(data, size));
        } catch (const native::Failure& failure) {
            throw FailureError(failure);
        }
    }
    std::size_t Read(char*, std::size_t) override {
        throw FileFailureError(FileFailure::kClosed);  // written, never read
    }
    void Flush() override {}
    void Close() override {}
    void End() { closed_ = true; }

private:
    native::TempFile& file_;
    bool closed_ = false;
};

class TemporaryReplacement : public Replacement {
public:
    explicit TemporaryReplacement(const std::string& target)
        : file_(target, kWriteBuffer), output_(file_) {}
    File& Output() override { return output_; }
    void Keep() override {
        output_.End();
        try {
            file_.Keep();
        } catch (const native::Failure& failure) {
            throw FailureError(failure);
        }
    }
    void Discard() noexcept override {
        output_.End();
        file_.Discard();
    }

private:
    native::TempFile file_;
    TemporaryOutput output_;
};

class ReadFile : public File {
public:
    explicit ReadFile(native::Handle handle) : handle_(handle) {}
    ~ReadFile() override {
        if (handle_ != native::kNoHandle) native::TheCalls().close(handle_);
    }
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    void Write(const char*, std::size_t) override { throw FileFailureError(FileFailure::kClosed); }
    std::size_t Read(char* data, std::size_t size) override {
        if (handle_ == native::kNoHandle) throw FileFailureError(FileFailure::kClosed);
        std::size_t done = 0;
        while (done < size) {
            std::size_t read = 0;
            if (const int error = native::TheCalls().read(handle_, data + done, size - done, &read);
                error != 0)
                throw FailureError(native::Failure("read", "", error));
            if (read == 0) break;
            done += read;
        }
        return done;
    }
    void Flush() override {}
    void Close() override {
        if (handle_ == native::kNoHandle) return;
        const native::Handle handle = handle_;
        handle_ = native::kNoHandle;
        if (const int error = native::TheCalls().close(handle); error != 0)
            throw FailureError(native::Failure("close", "", error));
    }

private:
    native::Handle handle_;
};

class HeldLock : public PathLock {
public:
    explicit HeldLock(std::unique_ptr<native::PathLock> lock) : lock_(std::move(lock)) {}

private:
    std::unique_ptr<native::PathLock> lock_;
};

// The roles as the floor's list names them.
const char* RoleName(RunFileRole role) {
    switch (role) {
        case RunFileRole::kBooksStore:
            return "books store";
        case RunFileRole::kSettingsFile:
            return "settings file";
        case RunFileRole::kProgramFile:
            return "program file";
    }
    return "";
}

}  // namespace

std::unique_ptr<Replacement> CreateReplacement(const std::string& target) {
    try {
        return std::make_unique<TemporaryReplacement>(target);
    } catch (const native::Failure& failure) {
        throw FailureError(failure);
    }
}

std::unique_ptr<File> OpenToRead(const std::string& path) {
    native::Handle handle = native::kNoHandle;
    if (const int error = native::TheCalls().openRead(path, &handle); error != 0)
        throw FailureError(native::Failure("open", path, error));
    return std::make_unique<ReadFile>(handle);
}

std::unique_ptr<PathLock> LockPath(const std::string& path, int waitMilliseconds) {
    auto lock = std::make_unique<native::PathLock>();
    switch (lock->Take(path, waitMilliseconds)) {
        case native::PathLock::Outcome::kHeld:
            return std::make_unique<HeldLock>(std::move(lock));
        case native::PathLock::Outcome::kBusy:
            return nullptr;
        case native::PathLock::Outcome::kFailed:
            break;
    }
    throw FailureError(*lock->Failure());
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) {
    native::Calls& calls = native::TheCalls();
    native::Handle handle = native::kNoHandle;
    if (calls.openRead(path, &handle) != 0) return std::nullopt;
    struct Closer {
        native::Handle handle;
        ~Closer() { native::TheCalls().close(handle); }
    } closer{handle};
    native::FileState state;
    if (calls.openStatus(handle, &state) != 0 || !state.isPlainFile) return std::nullopt;
    // As much as the file held when it was opened: a file that grows meanwhile is read that far.
    const std::size_t wanted =
        state.size < maxBytes ? static_cast<std::size_t>(state.size) : maxBytes;
    std::string bytes(wanted, '\0');
    std::size_t done = 0;
    while (done < wanted) {
        std::size_t read = 0;
        if (calls.read(handle, bytes.data() + done, wanted - done, &read) != 0) return std::nullopt;
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

void RunFileList::Add(const std::string& path, RunFileRole role) {
    files_.Add(path, RoleName(role));
}

std::optional<RunFileRole> RunFileList::At(const std::string& path) const {
    const std::optional<std::string> role = files_.Clash(path);
    if (!role) return std::nullopt;
    for (RunFileRole known :
         {RunFileRole::kBooksStore, RunFileRole::kSettingsFile, RunFileRole::kProgramFile}) {
        if (*role == RoleName(known)) return known;
    }
    return std::nullopt;
}

}  // namespace nativefiles
