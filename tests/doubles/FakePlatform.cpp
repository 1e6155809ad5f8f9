#include "tests/doubles/FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/Sjis.h"
#include "common/FullWidth.h"
#include "host/Profile.h"

namespace {

// A file of the double: its bytes are written into the double's file map on close.
class FakeFile : public File {
public:
    FakeFile(FakePlatform& owner, std::string path, std::string content)
        : owner_(owner), path_(std::move(path)), content_(std::move(content)) {
        ++owner_.openFiles;
    }
    ~FakeFile() override { --owner_.openFiles; }
    void Write(const char* data, std::size_t size) override {
        if (closed_) throw FileError("closed");
        if (owner_.writes++ == owner_.failWriteAt) throw FileError(owner_.failureReason);
        // What is written is on disk at once (an unbuffered file).
        owner_.files[path_].append(data, size);
    }
    std::size_t Read(char* data, std::size_t size) override {
        std::size_t n = std::min(size, content_.size() - readPos_);
        std::memcpy(data, content_.data() + readPos_, n);
        readPos_ += n;
        return n;
    }
    void Flush() override {}
    void Close() override { closed_ = true; }

private:
    FakePlatform& owner_;
    std::string path_;
    std::string content_;
    std::size_t readPos_ = 0;
    bool closed_ = false;
};

// A replacement of the double: written beside the target, moved to it by Keep.
class FakeReplacement : public Replacement {
public:
    FakeReplacement(FakePlatform& owner, std::string target, std::string temporary)
        : owner_(owner),
          target_(std::move(target)),
          temporary_(std::move(temporary)),
          output_(owner, temporary_, "") {
        owner_.files[temporary_] = "";
    }
    ~FakeReplacement() override { Discard(); }
    File& Output() override { return output_; }
    void Keep() override {
        owner_.calls.push_back("KeepReplacement " + target_);
        if (!live_) throw FileError("kept or discarded");
        if (owner_.failing.count("KeepReplacement")) {
            Discard();
            throw FileError(owner_.failureReason);
        }
        owner_.files[target_] = owner_.files[temporary_];
        owner_.files.erase(temporary_);
        live_ = false;
        output_.Close();
    }
    void Discard() noexcept override {
        output_.Close();
        if (live_) owner_.files.erase(temporary_);
        live_ = false;
    }

private:
    FakePlatform& owner_;
    std::string target_;
    std::string temporary_;
    FakeFile output_;
    bool live_ = true;
};

}  // namespace

bool FakePlatform::Called(const std::string& call) const {
    for (const auto& c : calls) {
        if (c == call) return true;
    }
    return false;
}

std::vector<std::string> FakePlatform::CallsOf(const std::string& operation) const {
    std::vector<std::string> found;
    for (const auto& c : calls) {
        if (c.compare(0, operation.size(), operation) == 0) found.push_back(c);
    }
    return found;
}

bool FakePlatform::GetCurrentDirectory(char* buffer, std::size_t size) {
    Record("GetCurrentDirectory");
    if (Fails("GetCurrentDirectory") || currentDirectory.size() >= size) return false;
    std::memcpy(buffer, currentDirectory.c_str(), currentDirectory.size() + 1);
    return true;
}

bool FakePlatform::SetCurrentDirectory(const char* path) {
    Record(std::string("SetCurrentDirectory ") + path);
    if (Fails("SetCurrentDirectory")) return false;
    currentDirectory = path;
    return true;
}

int FakePlatform::FileExists(const char* path) {
    Record(std::string("FileExists ") + path);
    return (files.count(path) || folders.count(path) || specialFiles.count(path)) ? 1 : 0;
}

bool FakePlatform::GetStatus(const char* path, FileStatus* status) {
    Record(std::string("GetStatus ") + path);
    if (folders.count(path)) {
        *status = FileStatus{true, 0, false};
        return true;
    }
    if (specialFiles.count(path)) {
        *status = FileStatus{false, 0, false};
        return true;
    }
    auto it = files.find(path);
    if (it == files.end()) return false;
    *status = FileStatus{false, static_cast<std::int64_t>(it->second.size()), true};
    return true;
}

bool FakePlatform::Access(const char* path, int mode) {
    Record(std::string("Access ") + path + " " + std::to_string(mode));
    return !Fails("Access") && (files.count(path) || folders.count(path));
}

DriveType FakePlatform::GetDriveType(const char* root) {
    Record(std::string("GetDriveType ") + root);
    auto it = driveTypes.find(root);
    return it == driveTypes.end() ? DriveType::kNoRootDir : it->second;
}

bool FakePlatform::CreateDirectory(const char* path) {
    Record(std::string("CreateDirectory ") + path);
    if (Fails("CreateDirectory") || Fails(std::string("CreateDirectory ") + path)) return false;
    folders.insert(path);
    if (createdElsewhere.count(path)) return false;
    return true;
}

bool FakePlatform::RemoveDirectory(const char* path) {
    Record(std::string("RemoveDirectory ") + path);
    return folders.erase(path) != 0;
}

bool FakePlatform::RemoveFile(const char* path) {
    Record(std::string("RemoveFile ") + path);
    return files.erase(path) != 0;
}

void FakePlatform::CheckReplaceable(const char* path) {
    Record(std::string("CheckReplaceable ") + path);
    if (auto it = unreplaceable.find(path); it != unreplaceable.end()) throw FileError(it->second);
}

void FakePlatform::AddRunFile(const char* path, RunFileRole role) {
    Record(std::string("AddRunFile ") + path);
    runFiles.emplace_back(path, role);
}

std::optional<RunFileRole> FakePlatform::RunFileAt(const char* path) {
    auto file = [&](const std::string& name) {
        auto alias = aliases.find(name);
        return alias == aliases.end() ? name : alias->second;
    };
    for (const auto& [runFile, role] : runFiles) {
        if (file(runFile) == file(path)) return role;
    }
    return std::nullopt;
}

namespace {

class FakeLock : public PathLock {
public:
    FakeLock(std::set<std::string>& held, std::string path) : held_(held), path_(std::move(path)) {
        held_.insert(path_);
    }
    ~FakeLock() override { held_.erase(path_); }
    FakeLock(const FakeLock&) = delete;
    FakeLock& operator=(const FakeLock&) = delete;

private:
    std::set<std::string>& held_;
    std::string path_;
};

}  // namespace

std::unique_ptr<PathLock> FakePlatform::LockPath(const char* path, int waitMilliseconds) {
    Record(std::string("LockPath ") + path + " " + std::to_string(waitMilliseconds));
    if (auto it = unlockable.find(path); it != unlockable.end()) throw FileError(it->second);
    if (lockedElsewhere.count(path) || locksHeld.count(path)) return nullptr;
    return std::make_unique<FakeLock>(locksHeld, path);
}

std::string FakePlatform::PathRoot(const char* path) {
    std::string text = path;
    if (text.size() >= 2 && text[1] == ':') return text.substr(0, 2) + "\\";
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        std::size_t server = text.find('\\', 2);
        if (server == std::string::npos) return "";
        std::size_t share = text.find('\\', server + 1);
        return (share == std::string::npos ? text : text.substr(0, share)) + "\\";
    }
    return "";
}

std::string FakePlatform::TempFolder() {
    return tempFolder;
}

std::size_t FakePlatform::GetPrivateProfileString(const char* section, const char* key,
                                                  const char* defaultValue, char* out,
                                                  std::size_t size, const char* file) {
    Record(std::string("GetPrivateProfileString ") + section + " " + key + " " + file);
    if (failProfileAllocation) throw std::bad_alloc();
    std::string value = defaultValue;
    auto it = files.find(file);
    if (it != files.end()) {
        if (auto found = FindProfileValue(it->second, section, key)) value = *found;
    }
    sjis::CopyBounded(out, size, value, size - 1);
    return std::strlen(out);
}

std::unique_ptr<File> FakePlatform::OpenFile(const char* path) {
    Record(std::string("OpenFile ") + path);
    if (Fails("OpenFile")) throw FileError(failureReason);
    auto it = files.find(path);
    if (it == files.end()) throw FileError("no such file");
    return std::make_unique<FakeFile>(*this, path, it->second);
}

std::unique_ptr<File> FakePlatform::NewFile(const std::string& path) {
    files[path] = "";
    return std::make_unique<FakeFile>(*this, path, "");
}

std::unique_ptr<Replacement> FakePlatform::CreateReplacement(const char* target) {
    Record(std::string("CreateReplacement ") + target);
    if (Fails("CreateReplacement")) throw FileError(failureReason);
    // Beside the target: in its folder, or a drive's own folder, or the current one.
    const std::string path = target;
    const std::size_t slash = sjis::LastBackslash(path);
    const std::string folder = slash != std::string::npos           ? path.substr(0, slash + 1)
                               : path.size() >= 2 && path[1] == ':' ? path.substr(0, 2)
                                                                    : std::string();
    std::string candidate;
    do {
        candidate = folder + "~kc" + std::to_string(++temporaries) + ".kctmp";
    } while (files.count(candidate) || folders.count(candidate) || specialFiles.count(candidate));
    return std::make_unique<FakeReplacement>(*this, path, candidate);
}

std::string FakePlatform::ExecutablePath() {
    return executablePath;
}

int FakePlatform::Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) {
    boxes.push_back({owner, text, caption, flags});
    Record(std::string("Show ") + text);
    if ((flags & mb::kButtonMask) != mb::kYesNo) return mb::kIdOk;
    if (answers.empty()) return mb::kIdNo;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

void FakePlatform::Enable(WindowHandle window, bool enable) {
    Record("Enable " + std::to_string(window) + " " + (enable ? "1" : "0"));
}

void FakePlatform::SetForeground(WindowHandle window) {
    Record("SetForeground " + std::to_string(window));
}

void FakePlatform::Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
                        std::int64_t lParam) {
    Record("Post " + std::to_string(window) + " " + std::to_string(message) + " " +
           std::to_string(wParam) + " " + std::to_string(lParam));
}

void FakePlatform::Create(WindowHandle parent) {
    ++progressCalls["Create"];
    progressParent = parent;
}
void FakePlatform::SetParent(WindowHandle parent) {
    ++progressCalls["SetParent"];
    progressParent = parent;
}
void FakePlatform::Show() {
    ++progressCalls["Show"];
}
void FakePlatform::Close(int endCode) {
    ++progressCalls["Close"];
    progressEndCode = endCode;
}
void FakePlatform::SetCaption(const char* caption) {
    ++progressCalls["SetCaption"];
    captions.emplace_back(caption);
}
void FakePlatform::SetOverallRange(int low, int high) {
    ++progressCalls["SetOverallRange"];
    overallLow = low;
    overallHigh = high;
}
void FakePlatform::SetOverallStep(int step) {
    ++progressCalls["SetOverallStep"];
    overallStep = step;
}
void FakePlatform::SetOverallPosition(int position) {
    ++progressCalls["SetOverallPosition"];
    overallPosition = position;
}
void FakePlatform::OffsetOverall(int delta) {
    ++progressCalls["OffsetOverall"];
    overallPosition = std::clamp(overallPosition + delta, overallLow, overallHigh);
}
void FakePlatform::SetDetailRange(int low, int high) {
    ++progressCalls["SetDetailRange"];
    detailLow = low;
    detailHigh = high;
}
void FakePlatform::SetDetailStep(int step) {
    ++progressCalls["SetDetailStep"];
    detailStep = step;
}
void FakePlatform::SetDetailPosition(int position) {
    ++progressCalls["SetDetailPosition"];
    detailPosition = position;
}
void FakePlatform::StepDetail() {
    ++progressCalls["StepDetail"];
    detailPosition = std::min(detailPosition + detailStep, detailHigh);
}
void FakePlatform::BringToTop() {
    ++progressCalls["BringToTop"];
}
void FakePlatform::SetForeground() {
    ++progressCalls["SetForeground"];
}
void FakePlatform::Repaint() {
    ++progressCalls["Repaint"];
}
void FakePlatform::HandleWaitingMessages() {
    ++progressCalls["HandleWaitingMessages"];
}

std::string FakePlatform::ToFullWidth(std::string_view text) {
    return MapToFullWidth(text);
}

std::unique_ptr<unsigned char[]> FakePlatform::AllocateBlock(std::size_t size) {
    Record("AllocateBlock " + std::to_string(size));
    if (failAllocation) return nullptr;
    return std::make_unique<unsigned char[]>(size);
}

int FakePlatform::RunModal(int templateId, WindowHandle /*parent*/, DialogEvents& events) {
    templatesShown.push_back(templateId);
    controls = FakeControls{};
    if (dialogScript) {
        dialogScript(events, controls);
    } else {
        events.OnInit(controls);
        if (!events.Ended()) events.OnCommand(controls, 1002);
    }
    if (!events.Ended()) events.OnCommand(controls, 1003);
    return events.EndCode();
}

std::optional<std::string> FakePlatform::AskSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    return saveAnswer;
}
