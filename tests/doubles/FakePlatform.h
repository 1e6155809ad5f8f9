#pragma once

// The platform double: files and folders in memory, message boxes and window calls recorded
// in order, and any operation made to fail by name.

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

// The controls of a dialog in memory, by ID.
class FakeControls : public DialogControls {
public:
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    std::string GetText(int id) override { return texts[id]; }
    void Enable(int id, bool enable) override {
        if (enable) {
            disabled.erase(id);
        } else {
            disabled.insert(id);
        }
    }
    bool IsEnabled(int id) override { return disabled.count(id) == 0; }
    void SetCheck(int id, bool checked) override { checks[id] = checked; }
    bool IsChecked(int id) override { return checks[id]; }
    void FocusAndSelectAll(int id) override {
        focus = id;
        selectedAll = true;
    }
    void Focus(int id) override {
        focus = id;
        selectedAll = false;
    }
    int FocusedControl() override { return focus; }
    void LimitText(int id, int maxCharacters) override { limits[id] = maxCharacters; }

    std::map<int, std::string> texts;
    std::set<int> disabled;
    std::map<int, bool> checks;
    std::map<int, int> limits;
    int focus = 0;
    bool selectedAll = false;
};

class FakePlatform : public FileSystem,
                     public MessageService,
                     public WindowService,
                     public ProgressWindow,
                     public TextMapping,
                     public MemoryService,
                     public DialogService,
                     public Clock {
public:
    FakePlatform() : platform{*this, *this, *this, *this, *this, *this, *this, *this} {}

    Platform platform;

    // --- what the test sets up
    std::string currentDirectory = "C:\\";
    std::string executablePath = "C:\\Program Files\\Link\\kcsakura.exe";
    std::map<std::string, std::string> files;  // path -> content (Shift_JIS path)
    // The machine has the drives C: and D:, fixed and writable.
    std::set<std::string> folders = {"C:\\", "D:\\"};
    // Pipes and devices: they exist, but are not files.
    std::set<std::string> specialFiles;
    std::map<std::string, DriveType> driveTypes = {
        {"C:\\", DriveType::kFixed}, {"D:\\", DriveType::kFixed}};  // others kNoRootDir
    std::set<std::string> failing;                                  // operation names that fail
    // Folders another process creates at the moment this one tries to: CreateDirectory fails
    // and the folder is there.
    std::set<std::string> createdElsewhere;
    std::vector<int> answers;  // answers to questions, in order; then No
    int failWriteAt = -1;      // the n-th File::Write of any file (0-based) raises a FileError
    // Files that cannot be replaced: CheckReplaceable raises FileError with the text given.
    std::map<std::string, std::string> unreplaceable;
    // Other names of one file (a link's name -> the file's name), for RunFileAt.
    std::map<std::string, std::string> aliases;
    // The run's files as AddRunFile named them.
    std::vector<std::pair<std::string, RunFileRole>> runFiles;
    // Paths whose lock another run holds: LockPath gives none for them.
    std::set<std::string> lockedElsewhere;
    // Paths whose lock cannot be taken at all: LockPath raises FileError with the text given.
    std::map<std::string, std::string> unlockable;
    std::set<std::string> locksHeld;  // the locks this run holds now
    // The text of every FileError the double raises for a failure set above.
    std::string failureReason = "the double's failure";
    bool failAllocation = false;
    // GetPrivateProfileString runs out of memory (std::bad_alloc) as it reads the file.
    bool failProfileAllocation = false;
    int writes = 0;     // File::Write calls so far
    int openFiles = 0;  // files opened and not yet destroyed
    // Files held under a temporary's name (a replacement's ".kctmp" beside its target).
    std::size_t TemporariesLeft() const {
        std::size_t count = 0;
        for (const auto& entry : files) {
            if (entry.first.find(".kctmp") != std::string::npos) ++count;
        }
        return count;
    }
    int temporaries = 0;  // temporary names handed out

    // --- what the system did, in order: "Operation argument..."
    std::vector<std::string> calls;
    struct Box {
        WindowHandle owner;
        std::string text;
        std::string caption;
        unsigned flags;
    };
    std::vector<Box> boxes;

    // The progress window: how often each operation was called, the captions set, and the
    // bars as they stand.
    std::map<std::string, long> progressCalls;
    std::vector<std::string> captions;
    int overallLow = 0, overallHigh = 100, overallPosition = 0, overallStep = 10;
    int detailLow = 0, detailHigh = 100, detailPosition = 0, detailStep = 10;
    WindowHandle progressParent = kNoWindow;
    int progressEndCode = 0;

    bool Called(const std::string& call) const;
    std::vector<std::string> CallsOf(const std::string& operation) const;

    // FileSystem
    bool GetCurrentDirectory(char* buffer, std::size_t size) override;
    bool SetCurrentDirectory(const char* path) override;
    int FileExists(const char* path) override;
    bool GetStatus(const char* path, FileStatus* status) override;
    bool Access(const char* path, int mode) override;
    DriveType GetDriveType(const char* root) override;
    bool CreateDirectory(const char* path) override;
    bool RemoveDirectory(const char* path) override;
    bool RemoveFile(const char* path) override;
    std::string PathRoot(const char* path) override;
    std::string TempFolder() override;
    std::size_t GetPrivateProfileString(const char* section, const char* key,
                                        const char* defaultValue, char* out, std::size_t size,
                                        const char* file) override;
    std::unique_ptr<File> OpenFile(const char* path) override;
    // Written under "FOLDER~kcN.kctmp", N counting from 1 and passing over names that exist;
    // its Keep ("KeepReplacement TARGET") moves the bytes to the target, or fails when
    // "KeepReplacement" is failing.
    std::unique_ptr<Replacement> CreateReplacement(const char* target) override;
    std::string ExecutablePath() override;
    void CheckReplaceable(const char* path) override;
    // A path is a run's file by its spelling, or through `aliases`.
    void AddRunFile(const char* path, RunFileRole role) override;
    std::optional<RunFileRole> RunFileAt(const char* path) override;
    std::unique_ptr<PathLock> LockPath(const char* path, int waitMilliseconds) override;

    // A new file at `path` to write, as a test's own writer (the system writes replacements
    // only): what it writes is in `files` at once.
    std::unique_ptr<File> NewFile(const std::string& path);

    // MessageService
    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override;

    // WindowService
    void Enable(WindowHandle window, bool enable) override;
    void SetForeground(WindowHandle window) override;
    void Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
              std::int64_t lParam) override;

    // ProgressWindow
    void Create(WindowHandle parent) override;
    void SetParent(WindowHandle parent) override;
    void Show() override;
    void Close(int endCode) override;
    WindowHandle Handle() const override { return 7777; }
    void SetCaption(const char* caption) override;
    void SetOverallRange(int low, int high) override;
    void SetOverallStep(int step) override;
    void SetOverallPosition(int position) override;
    void OffsetOverall(int delta) override;
    void SetDetailRange(int low, int high) override;
    void SetDetailStep(int step) override;
    void SetDetailPosition(int position) override;
    void StepDetail() override;
    void BringToTop() override;
    void SetForeground() override;
    void Repaint() override;
    void HandleWaitingMessages() override;

    // TextMapping
    std::string ToFullWidth(std::string_view text) override;

    // DialogService. The user's part in a modal dialog: by default the dialog is initialised,
    // then 実行 is pressed, then (when it is still open) cancel.
    std::function<void(DialogEvents&, FakeControls&)> dialogScript;
    FakeControls controls;
    std::vector<int> templatesShown;
    std::vector<SaveFileRequest> saveRequests;
    std::optional<std::string> saveAnswer;
    int RunModal(int templateId, WindowHandle parent, DialogEvents& events) override;
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override;

    // Clock: stands still unless a test moves it, or sets it to move at every reading.
    std::int64_t milliseconds = 0;
    std::int64_t millisecondsPerReading = 0;
    std::int64_t Milliseconds() override {
        milliseconds += millisecondsPerReading;
        return milliseconds;
    }

    // MemoryService
    std::unique_ptr<unsigned char[]> AllocateBlock(std::size_t size) override;

    std::string tempFolder = "C:\\Temp\\";

private:
    bool Fails(const std::string& operation) { return failing.count(operation) != 0; }
    void Record(std::string call) { calls.push_back(std::move(call)); }
};
