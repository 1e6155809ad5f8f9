// kcuser plays the user at the screen for the Windows program's end-to-end tests and benchmarks.
// It starts a command (kccaller.exe starting an edition), waits for the edition's condition
// dialog, fills it by control ID and presses 実行, answers the message boxes that follow, and at
// the completion notice reads back the progress window before pressing OK. While the export
// works, a second thread sends the progress window WM_NULL ten times a second, as Windows does to
// find a hung window: a send not answered within half a second is a window the user sees hang.
// Every wait is bounded; on a failure the command's processes are ended, so that a run never
// stays behind on a dialog nobody will close.
//
// Its own lines go to stdout in UTF-8, each starting "kcuser: " and the seconds since it started,
// among the lines of the command, which inherits stdout. It exits with the command's exit code when
// the user's part went well, and with 10 when it did not.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that need <windows.h> before them.
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/win32/CommandLine.h"
#include "host/win32/Wide.h"
#include "resources/ResourceIds.h"
#include "tests/host/win32/ScreenUser.h"

namespace {

constexpr int kUserFailed = 10;

const std::wstring kDialogCaption = L"決算書 - 集計条件";
const std::wstring kBoxCaption = L"決算書";
// The progress window's caption: 集計中, then 集計中 N％.
const std::wstring kProgressCaption = L"集計中";
const std::wstring kFinished =
    L"決算書情報の出力が終了しました。\n\nアプリケーションを終了します。";
const std::wstring kOverwrite = L"同名のファイルが存在します。\n\n上書きしてもよろしいですか？";
const std::wstring kCreateFolder =
    L"指定されたフォルダは存在しません。\n\n作成してもよろしいですか？";
const std::wstring kUnsupportedNotes = L"以下の注記は連動に対応していません。";

// The probe's pace and patience, and how long the command may take to end after OK.
constexpr DWORD kProbeIntervalMs = 100;
constexpr UINT kProbePatienceMs = 500;
constexpr DWORD kExitPatienceMs = 60000;

LONGLONG Ticks() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Seconds since kcuser started (main reads the clock first): the time of every line, and every
// time of the summary. <chrono> cannot be compiled for code page 932 (its µs has no form there).
double Elapsed() {
    static const LONGLONG started = Ticks();
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(Ticks() - started) / static_cast<double>(frequency.QuadPart);
}

// A box's text on one line: its line breaks written as \n.
std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    for (wchar_t c : text) line += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
    return line;
}

// "-" for a time not reached.
std::wstring Seconds(double seconds) {
    if (seconds < 0) return L"-";
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%.3f", seconds);
    return text;
}

// One line on stdout, with the time it is said at.
void Say(const std::wstring& text) {
    std::string line = "kcuser: " + WideToUtf8Shown(Seconds(Elapsed()) + L" " + text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// A window's caption, read without a message: a window that does not answer is still read.
std::wstring Caption(HWND window) {
    wchar_t text[256] = {};
    int length = InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
    return std::wstring(text, static_cast<std::size_t>(std::max(length, 0)));
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

struct UserOptions {
    std::optional<std::wstring> startMonth;
    std::optional<std::wstring> endMonth;
    std::optional<bool> ledger;
    std::optional<std::wstring> path;
    std::optional<std::wstring> hold;  // a file held open, unshared, while the command runs
    DWORD dialogTimeoutMs = 60000;
    DWORD runTimeoutMs = 900000;
    bool noUser = false;
    std::wstring command;  // the raw text after "--", quotes and all
};

int Usage() {
    std::string usage = WideToUtf8Shown(
        L"usage: kcuser [--start-month N] [--end-month N] [--ledger | --no-ledger] [--path PATH]\n"
        L"              [--dialog-timeout S] [--run-timeout S] [--no-user] [--hold FILE]\n"
        L"              -- COMMAND [ARGS...]\n"
        L"  starts COMMAND and plays the user of the condition dialog it shows: fills it, presses\n"
        L"  実行, answers the boxes, reads back the progress window at the completion notice.\n"
        L"  --no-user touches no window: it only times COMMAND.\n"
        L"  --hold keeps FILE open, shared with nobody, while COMMAND runs.\n");
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return kUserFailed;
}

std::optional<DWORD> ParseSeconds(const std::wstring& text) {
    wchar_t* end = nullptr;
    long seconds = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || seconds <= 0 || seconds > 86400) return std::nullopt;
    return static_cast<DWORD>(seconds) * 1000;
}

std::optional<UserOptions> ParseOptions(const std::wstring& rawLine) {
    std::vector<CommandLineArgument> arguments = SplitCommandLine(rawLine);
    UserOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& arg = arguments[i].text;
        if (arg == L"--") {
            if (i + 1 >= arguments.size()) return std::nullopt;
            options.command = rawLine.substr(arguments[i + 1].offset);
            return options;
        }
        if (arg == L"--ledger" || arg == L"--no-ledger") {
            options.ledger = arg == L"--ledger";
            continue;
        }
        if (arg == L"--no-user") {
            options.noUser = true;
            continue;
        }
        if (i + 1 >= arguments.size()) return std::nullopt;
        const std::wstring& value = arguments[++i].text;
        if (arg == L"--start-month") {
            options.startMonth = value;
        } else if (arg == L"--end-month") {
            options.endMonth = value;
        } else if (arg == L"--path") {
            options.path = value;
        } else if (arg == L"--hold") {
            options.hold = value;
        } else if (arg == L"--dialog-timeout" || arg == L"--run-timeout") {
            auto ms = ParseSeconds(value);
            if (!ms) return std::nullopt;
            (arg == L"--dialog-timeout" ? options.dialogTimeoutMs : options.runTimeoutMs) = *ms;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The started command and the processes it starts in turn: the dialog to drive belongs to one
// of them, and a failed run ends them all.
class ProcessTree {
public:
    ProcessTree() = default;
    ProcessTree(const ProcessTree&) = delete;
    ProcessTree& operator=(const ProcessTree&) = delete;
    ~ProcessTree() {
        if (process_) CloseHandle(process_);
    }

    // The command gets this program's standard handles: its lines reach the same stdout.
    bool Start(std::wstring commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = Inheritable(STD_INPUT_HANDLE);
        startup.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
        startup.hStdError = Inheritable(STD_ERROR_HANDLE);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &info))
            return false;
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
        return true;
    }

    bool WaitForExit(DWORD patienceMs) const {
        return WaitForSingleObject(process_, patienceMs) == WAIT_OBJECT_0;
    }
    bool Ended() const { return WaitForExit(0); }

    DWORD ExitCode() const {
        DWORD code = 0;
        return GetExitCodeProcess(process_, &code) ? code : static_cast<DWORD>(-1);
    }

    // Whether the process is the command's or was started by one of the tree's.
    bool Holds(DWORD process) const { return Depth(process, Parents()) > 0; }

    // Ends every process of the tree, the last started first, so that none is left behind.
    void EndAll() const {
        auto parents = Parents();
        std::vector<std::pair<int, DWORD>> members;
        for (const auto& [process, parent] : parents) {
            if (int depth = Depth(process, parents); depth > 1)
                members.emplace_back(depth, process);
        }
        std::sort(members.rbegin(), members.rend());
        for (const auto& [depth, process] : members) {
            if (HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, process)) {
                TerminateProcess(handle, kUserFailed);
                CloseHandle(handle);
            }
        }
        TerminateProcess(process_, kUserFailed);
    }

private:
    static HANDLE Inheritable(DWORD which) {
        HANDLE handle = GetStdHandle(which);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        return handle;
    }

    // Each running process and the one that started it.
    static std::map<DWORD, DWORD> Parents() {
        std::map<DWORD, DWORD> parents;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return parents;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry))
            parents[entry.th32ProcessID] = entry.th32ParentProcessID;
        CloseHandle(snapshot);
        return parents;
    }

    // 1 for the command itself, 2 for a process it started, …; 0 outside the tree.
    int Depth(DWORD process, const std::map<DWORD, DWORD>& parents) const {
        // Bounded: a parent ID that was reused could make a loop.
        for (int depth = 1; depth <= 32; ++depth) {
            if (process == id_) return depth;
            auto parent = parents.find(process);
            if (parent == parents.end() || parent->second == process) return 0;
            process = parent->second;
        }
        return 0;
    }

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Sends a window WM_NULL at a steady pace from a thread of its own and counts the sends it did
// not answer in time, and the times Windows took it for hung.
class ResponsivenessProbe {
public:
    struct Counts {
        int sent = 0;
        int unanswered = 0;
        int hung = 0;
        ULONGLONG slowestMs = 0;
    };

    explicit ResponsivenessProbe(HWND window)
        : window_(window),
          stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_([this] { Run(); }) {}
    ResponsivenessProbe(const ResponsivenessProbe&) = delete;
    ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;
    ~ResponsivenessProbe() {
        Stop();
        CloseHandle(stop_);
    }

    // At once, not at the next send: the user's next click waits for it.
    void Stop() {
        SetEvent(stop_);
        if (thread_.joinable()) thread_.join();
    }
    // Final once stopped.
    Counts Result() const { return counts_; }

private:
    void Run() {
        do {
            const ULONGLONG sentAt = GetTickCount64();
            DWORD_PTR ignored = 0;
            const bool answered = SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                      kProbePatienceMs, &ignored) != 0;
            counts_.slowestMs = std::max(counts_.slowestMs, GetTickCount64() - sentAt);
            ++counts_.sent;
            if (!answered) ++counts_.unanswered;
            if (IsHungAppWindow(window_)) ++counts_.hung;
        } while (WaitForSingleObject(stop_, kProbeIntervalMs) == WAIT_TIMEOUT);
    }

    HWND window_;
    HANDLE stop_;  // a manual-reset event
    Counts counts_;
    std::thread thread_;
};

// The condition dialog shown by a process of the tree; none while there is none.
HWND FindConditionDialog(const ProcessTree& tree) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", kDialogCaption.c_str())) !=
           nullptr) {
        if (IsWindowVisible(window) && tree.Holds(ProcessOf(window))) return window;
    }
    return nullptr;
}

// The process's progress window, shown or hidden: it is hidden, not destroyed, while the
// completion notice is up.
HWND FindProgressWindow(DWORD process) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        if (ProcessOf(window) == process && Caption(window).starts_with(kProgressCaption))
            return window;
    }
    return nullptr;
}

// What the user answers to a box the run shows on its way; the completion notice, the end of
// the run, is taken apart. None for a box the user does not know.
std::optional<int> AnswerTo(const std::wstring& text) {
    if (text == kOverwrite || text == kCreateFolder) return IDYES;
    if (text.starts_with(kUnsupportedNotes)) return IDOK;
    return std::nullopt;
}

std::wstring ButtonName(int id) {
    return id == IDYES ? L"yes" : id == IDNO ? L"no" : id == IDOK ? L"ok" : std::to_wstring(id);
}

// One run of the command with the user at the screen, and what they saw of it.
class UserSession {
public:
    UserSession(const UserOptions& options, ProcessTree& tree) : options_(options), tree_(tree) {}

    // False, with the reason said, when the user's part failed.
    bool Run() {
        if (!tree_.Start(options_.command)) return Fail(L"cannot start " + options_.command);
        if (options_.noUser) {
            if (!tree_.WaitForExit(options_.runTimeoutMs)) return Fail(L"the command did not end");
            return true;
        }
        return FillTheDialog() && FollowTheRun() && WaitForTheEnd() && AnsweredEveryProbe();
    }

    void Summarize(bool succeeded) const {
        std::wstring line = L"summary result=" + std::wstring(succeeded ? L"ok" : L"failed") +
                            L" exit=" + std::to_wstring(static_cast<long>(tree_.ExitCode())) +
                            L" elapsed=" + Seconds(ended_);
        if (!options_.noUser) {
            line += L" dialog=" + Seconds(dialogAt_) + L" executed=" + Seconds(executedAt_) +
                    L" progress=" + Seconds(progressAt_) + L" notice=" + Seconds(noticeAt_) +
                    L" pings=" + std::to_wstring(probed_.sent) + L" unanswered=" +
                    std::to_wstring(probed_.unanswered) + L" slowest_ms=" +
                    std::to_wstring(probed_.slowestMs) + L" hung=" + std::to_wstring(probed_.hung);
        }
        Say(line);
    }

    // Ends what is left of the command after a failure.
    void EndTheCommand() {
        StopProbing();
        if (tree_.Ended()) return;
        tree_.EndAll();
        tree_.WaitForExit(10000);
    }

    void Finish() { ended_ = Elapsed(); }

private:
    bool Fail(const std::wstring& reason) {
        Say(L"FAIL: " + reason);
        return false;
    }

    bool FillTheDialog() {
        HWND dialog = nullptr;
        bool found = WaitUntil(
            [&] {
                dialog = FindConditionDialog(tree_);
                return dialog != nullptr || tree_.Ended();
            },
            options_.dialogTimeoutMs);
        if (found && dialog == nullptr)
            return Fail(L"the command ended before a condition dialog appeared");
        if (!found)
            return Fail(L"no condition dialog appeared within " +
                        std::to_wstring(options_.dialogTimeoutMs / 1000) + L" s");
        dialogAt_ = Elapsed();
        process_ = ProcessOf(dialog);
        user_.emplace(ScreenUser::OfProcess(process_));
        Say(L"dialog " + kDialogCaption);
        if (options_.startMonth && !user_->Type(dialog, IDC_START_MONTH, *options_.startMonth))
            return Fail(L"the start month did not take the text");
        if (options_.endMonth && !user_->Type(dialog, IDC_END_MONTH, *options_.endMonth))
            return Fail(L"the end month did not take the text");
        if (options_.ledger && !SetLedger(dialog, *options_.ledger))
            return Fail(L"the ledger box did not take the click");
        if (options_.path) {
            if (!IsWindowEnabled(GetDlgItem(dialog, IDC_PATH)))
                return Fail(L"the path is fixed by the caller's line");
            if (!user_->Type(dialog, IDC_PATH, *options_.path))
                return Fail(L"the path did not take the text");
        }
        if (!user_->Click(dialog, IDC_EXECUTE)) return Fail(L"no 実行 button");
        executedAt_ = Elapsed();
        return true;
    }

    // Clicks the box when it is not as wanted, and waits until it is.
    bool SetLedger(HWND dialog, bool wanted) {
        HWND box = GetDlgItem(dialog, IDC_OUTPUT_LEDGER);
        auto checked = [&]() -> std::optional<bool> {
            DWORD_PTR state = 0;
            if (!SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state))
                return std::nullopt;
            return state == BST_CHECKED;
        };
        if (box == nullptr || !checked()) return false;
        if (*checked() == wanted) return true;
        return user_->Click(dialog, IDC_OUTPUT_LEDGER) &&
               WaitUntil([&] { return checked() == std::optional<bool>(wanted); });
    }

    // From 実行 to the completion notice: the boxes on the way are answered, and the progress
    // window is probed from its appearance.
    bool FollowTheRun() {
        const ULONGLONG deadline = GetTickCount64() + options_.runTimeoutMs;
        while (GetTickCount64() < deadline) {
            if (!probe_) {
                if (HWND progress = FindProgressWindow(process_)) {
                    progressAt_ = Elapsed();
                    probe_.emplace(progress);
                }
            }
            if (auto box = user_->WaitForMessageBox(kBoxCaption, 0)) {
                Say(L"box " + OneLine(box->text));
                if (box->text == kFinished) return TakeTheNotice(*box);
                auto answer = AnswerTo(box->text);
                if (!answer) return Fail(L"a box the user does not know");
                if (!user_->Answer(*box, *answer))
                    return Fail(L"the box did not close on " + ButtonName(*answer));
                Say(L"answered " + ButtonName(*answer));
                continue;
            }
            if (tree_.Ended()) return Fail(L"the program ended before the completion notice");
            Sleep(20);
        }
        return Fail(L"no completion notice within " +
                    std::to_wstring(options_.runTimeoutMs / 1000) + L" s");
    }

    // The progress window as the run left it, read while the notice is up; then OK.
    bool TakeTheNotice(const ScreenUser::Box& notice) {
        noticeAt_ = Elapsed();
        HWND progress = FindProgressWindow(process_);
        StopProbing();
        if (progress == nullptr) return Fail(L"no progress window at the completion notice");
        DWORD_PTR position = 0;
        if (!SendMessageTimeoutW(GetDlgItem(progress, IDC_OVERALL_BAR), PBM_GETPOS, 0, 0,
                                 SMTO_ABORTIFHUNG, 2000, &position))
            return Fail(L"the progress window's bar did not answer");
        Say(L"progress position=" + std::to_wstring(position) + L" caption=" + Caption(progress));
        if (!user_->Answer(notice, IDOK)) return Fail(L"the completion notice did not close on ok");
        Say(L"answered ok");
        return true;
    }

    bool WaitForTheEnd() {
        if (!tree_.WaitForExit(kExitPatienceMs)) return Fail(L"the command did not end after OK");
        return true;
    }

    void StopProbing() {
        if (!probe_) return;
        probe_->Stop();
        probed_ = probe_->Result();
    }

    bool AnsweredEveryProbe() {
        if (probed_.sent == 0) return Fail(L"the progress window was never probed");
        if (probed_.unanswered > 0)
            return Fail(L"the progress window left " + std::to_wstring(probed_.unanswered) +
                        L" of " + std::to_wstring(probed_.sent) + L" WM_NULL unanswered");
        return true;
    }

    const UserOptions& options_;
    ProcessTree& tree_;
    DWORD process_ = 0;
    std::optional<ScreenUser> user_;
    std::optional<ResponsivenessProbe> probe_;
    ResponsivenessProbe::Counts probed_;
    double dialogAt_ = -1;
    double executedAt_ = -1;
    double progressAt_ = -1;
    double noticeAt_ = -1;
    double ended_ = -1;
};

}  // namespace

int main() {
    Elapsed();
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    auto options = ParseOptions(GetCommandLineW());
    if (!options) return Usage();

    // Another program that has the file open, as an editor that locks what it shows.
    HANDLE held = INVALID_HANDLE_VALUE;
    if (options->hold) {
        held = CreateFileW(options->hold->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (held == INVALID_HANDLE_VALUE) return Usage();
    }
    ProcessTree tree;
    UserSession session(*options, tree);
    bool succeeded = session.Run();
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (!succeeded) session.EndTheCommand();
    session.Finish();
    session.Summarize(succeeded);
    return succeeded ? static_cast<int>(tree.ExitCode()) : kUserFailed;
}
