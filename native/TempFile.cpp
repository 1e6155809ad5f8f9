#include "native/TempFile.h"

#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "native/Failure.h"

namespace native {
namespace {

// The run's temporaries, for a signal that ends the run. A temporary is created and put on the
// list under the one lock, and a signal's removal takes the lock too: no file is made that the
// removal could miss, and none is removed that is not this run's own.
class Temporaries {
public:
    static Temporaries& Get() {
        static Temporaries* list = new Temporaries;  // never destroyed: a signal may come at exit
        return *list;
    }

    std::mutex mutex;
    std::map<std::string, bool> paths;  // path, is a folder
    std::set<std::string> kept;         // the targets the run's temporaries took the place of
    std::vector<std::string> left;      // what the run's ending could not remove
    bool ending = false;

    void CheckRunning(const std::string& target) {
        if (ending) throw Failure("create", target, 0, FailureKind::kRunEnding);
    }

    // Renames a temporary over its target, unless the run is ending, and notes the target kept.
    void TakePlace(const std::string& path, const std::string& target) {
        std::lock_guard<std::mutex> lock(mutex);
        CheckRunning(target);
        // Noted before the rename, so that memory running out leaves the target as it was.
        const auto noted = kept.insert(WithoutTrailingSeparators(target));
        if (const int error = TheCalls().replace(path, target); error != 0) {
            if (noted.second) kept.erase(noted.first);
            throw Failure("replace", target, error);
        }
        paths.erase(path);
    }

    // Makes a new file or folder beside `target` with `create`, under a name no other holds, and
    // answers its name. The name is on the list before it exists: once it does, nothing between
    // its creation and its entry can fail and leave it behind.
    std::string CreateBeside(const std::string& target, bool folder,
                             const std::function<int(const std::string&)>& create);
};

constexpr int kNameAttempts = 100;

std::string RandomLetters() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kLetters) - 2);
    std::string letters;
    for (int i = 0; i < 8; ++i) letters += kLetters[pick(random)];
    return letters;
}

void CloseQuietly(Handle& file) {
    if (file != kNoHandle) TheCalls().close(file);
    file = kNoHandle;
}

}  // namespace

std::string TemporaryNameBeside(const std::string& target) {
    return FolderOf(target) + "~kc" + RandomLetters() + ".kctmp";
}

std::string Temporaries::CreateBeside(const std::string& target, bool folder,
                                      const std::function<int(const std::string&)>& create) {
    std::lock_guard<std::mutex> lock(mutex);
    CheckRunning(target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string candidate = TemporaryNameBeside(target);
        const auto [entry, added] = paths.emplace(candidate, folder);
        if (!added) continue;  // a name this run holds already
        const int error = create(candidate);
        if (error == 0) return candidate;
        paths.erase(entry);
        if (KindOf(error) != FailureKind::kExists) throw Failure("create", target, error);
    }
    throw Failure("create", target, CodeOf(FailureKind::kExists), FailureKind::kExists);
}

TempFile::TempFile(std::string target, std::size_t bufferSize)
    : target_(std::move(target)), bufferSize_(bufferSize) {
    // What may fail for want of memory comes before the file is made.
    buffer_.reserve(bufferSize_);
    path_ = Temporaries::Get().CreateBeside(target_, false, [this](const std::string& name) {
        return TheCalls().createNew(name, &file_);
    });
    live_ = true;
}

TempFile::~TempFile() {
    Discard();
}

void TempFile::WriteThrough(std::string_view bytes) {
    while (!bytes.empty()) {
        std::size_t written = 0;
        if (const int error = TheCalls().write(file_, bytes.data(), bytes.size(), &written))
            throw Failure("write", target_, error);
        bytes.remove_prefix(written);
    }
}

void TempFile::Flush() {
    WriteThrough(buffer_);
    buffer_.clear();
}

void TempFile::Write(std::string_view bytes) {
    if (file_ == kNoHandle) throw Failure("write", target_, 0, FailureKind::kOther);
    if (buffer_.size() + bytes.size() <= bufferSize_) {
        buffer_.append(bytes);
        return;
    }
    Flush();
    if (bytes.size() < bufferSize_) {
        buffer_.append(bytes);
        return;
    }
    WriteThrough(bytes);
}

void TempFile::CloseHandle() {
    if (file_ == kNoHandle) return;
    Flush();
    const Handle file = file_;
    file_ = kNoHandle;
    if (const int error = TheCalls().close(file); error != 0)
        throw Failure("close", target_, error);
}

void TempFile::Keep() {
    std::string folder;
    try {
        if (!live_) throw Failure("replace", target_, 0, FailureKind::kOther);
        // Made before the rename: once the file is in place, Keep raises nothing.
        folder = FolderOf(target_).empty() ? std::string(".") : FolderOf(target_);
        if (file_ == kNoHandle) {
            // Written by name: opened again for its sync.
            if (const int error = TheCalls().openToSync(path_, &file_); error != 0)
                throw Failure("open", target_, error);
        }
        Flush();
        if (const int error = TheCalls().sync(file_); error != 0)
            throw Failure("sync", target_, error);
        const Handle file = file_;
        file_ = kNoHandle;
        if (const int error = TheCalls().close(file); error != 0)
            throw Failure("close", target_, error);
        Temporaries::Get().TakePlace(path_, target_);
        live_ = false;
    } catch (const Failure&) {
        Discard();
        throw;
    }
    // The rename is on the disk only once the folder's names are: a failure here is the
    // system's, and the file stands complete under its name.
    TheCalls().syncFolder(folder);
}

void TempFile::Discard() noexcept {
    CloseQuietly(file_);
    buffer_.clear();
    if (!live_) return;
    Temporaries& list = Temporaries::Get();
    std::lock_guard<std::mutex> lock(list.mutex);
    if (list.paths.erase(path_) > 0) TheCalls().remove(path_);
    live_ = false;
}

TempFolder::TempFolder(std::string target) : target_(WithoutTrailingSeparators(std::move(target))) {
    path_ = Temporaries::Get().CreateBeside(
        target_, true, [](const std::string& name) { return TheCalls().makeFolder(name); });
    live_ = true;
}

TempFolder::~TempFolder() {
    Discard();
}

void TempFolder::Keep() {
    std::string folder;
    try {
        if (!live_) throw Failure("replace", target_, 0, FailureKind::kOther);
        // Made before the rename: once the folder is in place, Keep raises nothing.
        folder = FolderOf(target_).empty() ? std::string(".") : FolderOf(target_);
        std::vector<std::string> names;
        if (const int error = TheCalls().listFolder(path_, &names); error != 0)
            throw Failure("list", target_, error);
        for (const std::string& name : names) {
            const std::string file = Joined(path_, name);
            FileState state;
            if (TheCalls().status(file, false, &state) != 0 || !state.isPlainFile) continue;
            Handle handle = kNoHandle;
            if (const int error = TheCalls().openToSync(file, &handle); error != 0)
                throw Failure("open", Joined(target_, name), error);
            const int synced = TheCalls().sync(handle);
            const int closed = TheCalls().close(handle);
            if (synced != 0) throw Failure("sync", Joined(target_, name), synced);
            if (closed != 0) throw Failure("close", Joined(target_, name), closed);
        }
        if (const int error = TheCalls().syncFolder(path_); error != 0)
            throw Failure("sync", target_, error);
        Temporaries::Get().TakePlace(path_, target_);
        live_ = false;
    } catch (const Failure&) {
        Discard();
        throw;
    }
    TheCalls().syncFolder(folder);
}

void TempFolder::Discard() noexcept {
    if (!live_) return;
    Temporaries& list = Temporaries::Get();
    std::lock_guard<std::mutex> lock(list.mutex);
    if (list.paths.erase(path_) > 0) RemoveTree(path_);
    live_ = false;
}

void RequireNewFolder(const std::string& target) {
    Calls& calls = TheCalls();
    FileState state;
    if (const int error = calls.status(target, false, &state); error != 0) {
        if (KindOf(error) == FailureKind::kNotFound) return;
        throw Failure("status", target, error);
    }
    if (state.isFolder) {
        std::vector<std::string> names;
        if (const int error = calls.listFolder(target, &names); error != 0)
            throw Failure("list", target, error);
        if (names.empty()) return;
    }
    throw Failure("create", target, CodeOf(FailureKind::kNotEmpty), FailureKind::kNotEmpty);
}

namespace {

// Raises std::bad_alloc where listing the tree runs out of memory; what it removed stays removed.
void RemoveTreeOnce(const std::string& path) {
    FileState state;
    if (TheCalls().status(path, false, &state) != 0) return;
    if (!state.isFolder) {
        TheCalls().remove(path);
        return;
    }
    std::vector<std::string> names;
    TheCalls().listFolder(path, &names);
    for (const std::string& name : names) {
        RemoveTreeOnce(Joined(path, name));
    }
    TheCalls().removeFolder(path);
}

}  // namespace

void RemoveTree(const std::string& path) noexcept {
    // Memory that ran out is tried again: a temporary goes when its run lets go of what it
    // held, and the memory with it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            RemoveTreeOnce(path);
            return;
        } catch (...) {
        }
    }
}

void RemoveTemporaries() noexcept {
    Temporaries& list = Temporaries::Get();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.ending = true;
    for (const auto& [path, folder] : list.paths) {
        if (folder) RemoveTree(path);
        const int error = folder ? 0 : TheCalls().remove(path);
        FileState state;
        const bool stays = folder ? TheCalls().status(path, false, &state) == 0
                                  : error != 0 && KindOf(error) != FailureKind::kNotFound;
        if (stays) {
            try {
                list.left.push_back(path);
            } catch (...) {
                // Out of memory at the very end: the report cannot name it.
            }
        }
    }
    list.paths.clear();
}

bool WasKept(const std::string& target) {
    Temporaries& list = Temporaries::Get();
    std::lock_guard<std::mutex> lock(list.mutex);
    return list.kept.count(WithoutTrailingSeparators(target)) > 0;
}

std::vector<std::string> TemporariesLeft() {
    Temporaries& list = Temporaries::Get();
    std::lock_guard<std::mutex> lock(list.mutex);
    return list.left;
}

}  // namespace native
