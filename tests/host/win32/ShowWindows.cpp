// Shows one of the program's windows as a run shows it, for the pictures in docs/, and keeps it
// up for a while:
//
//   kc_show_windows condition --company TEXT --period TEXT --start N --end N --path TEXT
//   kc_show_windows progress --position N        (0 to 10000: hundredths of a per cent)
//
// Both take --geometry FILE: once the window is on the screen, FILE receives its outer
// rectangle as WIDTHxHEIGHT+X+Y, in the coordinates of the screen (or of Wine's virtual
// desktop), for cropping a screenshot. The window stays up until the file named by
// --close-when exists, or for --seconds N (20 by default), whichever comes first.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "dialog/ControlIds.h"
#include "host/win32/Dialogs.h"
#include "host/win32/Progress.h"
#include "host/win32/Services.h"
#include "host/win32/Wide.h"
#include "progress/ProgressDialog.h"

namespace {

struct Options {
    std::wstring window;
    std::map<std::wstring, std::wstring> values;  // "--name" → value

    std::wstring Value(const std::wstring& name, const std::wstring& fallback = L"") const {
        auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
    int Number(const std::wstring& name, int fallback) const {
        auto it = values.find(name);
        return it == values.end() ? fallback
                                  : static_cast<int>(std::wcstol(it->second.c_str(), nullptr, 10));
    }
};

std::optional<Options> Parse(int argc, wchar_t** argv) {
    if (argc < 2) return std::nullopt;
    Options options;
    options.window = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::wcsncmp(argv[i], L"--", 2) != 0) return std::nullopt;
        options.values[argv[i]] = argv[i + 1];
    }
    return options;
}

// The dialog's texts and choices as the condition dialog's start-up leaves them.
class FilledConditions : public DialogEvents {
public:
    explicit FilledConditions(const Options& options) : options_(options) {}

    void OnInit(DialogControls& controls) override {
        controls.SetText(ctl::kCompanyName, Sjis(options_.Value(L"--company")));
        controls.SetText(ctl::kPeriod, Sjis(options_.Value(L"--period")));
        controls.SetText(ctl::kStartMonth, Sjis(options_.Value(L"--start")));
        controls.SetText(ctl::kEndMonth, Sjis(options_.Value(L"--end")));
        controls.SetText(ctl::kPath, Sjis(options_.Value(L"--path")));
        controls.SetCheck(ctl::kShareholdersEquity, true);
        controls.SetCheck(ctl::kMembersEquity, false);
        controls.SetCheck(ctl::kOutputLedger, true);
    }
    void OnCommand(DialogControls&, int id) override {
        if (id == ctl::kCancel) ended_ = true;
    }
    bool OnKey(DialogControls&, DialogKey) override { return false; }
    bool Ended() const override { return ended_; }
    int EndCode() const override { return ctl::kCancel; }

private:
    static std::string Sjis(const std::wstring& text) { return WideToSjis(text).value_or(""); }

    const Options& options_;
    bool ended_ = false;
};

// The visible window of `thread` with this caption prefix; none after five seconds.
HWND WaitForWindow(DWORD thread, const std::wstring& captionPrefix) {
    struct Search {
        const std::wstring* prefix;
        HWND found;
    };
    for (int attempt = 0; attempt < 250; ++attempt) {
        Search search{&captionPrefix, nullptr};
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM param) -> BOOL {
                auto& search = *reinterpret_cast<Search*>(param);
                wchar_t text[256] = {};
                InternalGetWindowText(window, text, 256);
                if (IsWindowVisible(window) && std::wstring(text).rfind(*search.prefix, 0) == 0) {
                    search.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(20);
    }
    return nullptr;
}

// Written beside the file and renamed over it, so that whoever waits for it never reads half.
bool WriteGeometry(HWND window, const std::wstring& file) {
    if (file.empty()) return true;
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) return false;
    const std::wstring partial = file + L".partial";
    FILE* out = _wfopen(partial.c_str(), L"wb");
    if (out == nullptr) return false;
    std::fprintf(out, "%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top,
                 rect.left, rect.top);
    return std::fclose(out) == 0 &&
           MoveFileExW(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// How long the window stays up: until the --close-when file exists, or --seconds have passed.
class StayUp {
public:
    explicit StayUp(const Options& options)
        : closeWhen_(options.Value(L"--close-when")),
          end_(GetTickCount64() + static_cast<ULONGLONG>(options.Number(L"--seconds", 20)) * 1000) {
    }

    bool Over() const {
        if (GetTickCount64() >= end_) return true;
        return !closeWhen_.empty() &&
               GetFileAttributesW(closeWhen_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::wstring closeWhen_;
    ULONGLONG end_;
};

// Lets the thread's windows paint and answer while they stay up.
void Pump(const StayUp& stay) {
    while (!stay.Over()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

int ShowConditions(const Options& options) {
    const DWORD thread = GetCurrentThreadId();
    const StayUp stay(options);
    bool written = false;
    // The dialog runs modally on this thread; a second one reports where it is and ends it.
    std::thread watcher([&] {
        HWND dialog = WaitForWindow(thread, L"決算書 - 集計条件");
        written = dialog != nullptr && WriteGeometry(dialog, options.Value(L"--geometry"));
        while (!stay.Over()) Sleep(50);
        PostThreadMessageW(thread, WM_QUIT, 0, 0);
    });
    FilledConditions events(options);
    Win32Dialogs dialogs;
    dialogs.RunModal(ctl::kConditionDialogTemplate, kNoWindow, events);
    watcher.join();
    return written ? 0 : 1;
}

int ShowProgress(const Options& options) {
    Win32Progress window;
    Win32Clock clock;
    ProgressDialog progress(window, clock);
    progress.Create(kNoWindow);
    progress.Show();
    progress.StartOverall();
    // The run's positions up to this one, then the window as a message box would find it.
    const auto position = static_cast<std::int16_t>(options.Number(L"--position", 4000));
    progress.Advance(0, position);
    progress.Refresh();
    HWND shown = WaitForWindow(GetCurrentThreadId(), L"集計中");
    if (shown == nullptr || !WriteGeometry(shown, options.Value(L"--geometry"))) return 1;
    Pump(StayUp(options));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    auto options = Parse(argc, argv);
    if (options && options->window == L"condition") return ShowConditions(*options);
    if (options && options->window == L"progress") return ShowProgress(*options);
    std::fputs(
        "usage: kc_show_windows condition --company T --period T --start N --end N --path T\n"
        "       kc_show_windows progress --position N\n"
        "       (both: --geometry FILE --close-when FILE --seconds N)\n",
        stderr);
    return 2;
}
