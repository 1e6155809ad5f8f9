// kccaller plays the calling application on Windows: it creates a window of its own, starts a
// deliverable with a caller line naming that window, prints every call the program makes on the
// window (disabled, enabled, brought to the front, the posted result) and exits with the result
// the program posted (3 when nothing was posted).

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/win32/CommandLine.h"
#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
#include "native/ChildProcess.h"
#include "native/Utf16.h"

namespace {

constexpr int kNothingPosted = 3;
constexpr int kCannotRun = 2;

// One line on stdout: UTF-8 in binary mode, flushed at once so that the order of the lines is
// the order of the calls even when the output is a pipe.
void PrintLine(const std::string& line) {
    std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintError(const std::wstring& text) {
    std::string utf8 = "kccaller: " + WideToUtf8Shown(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

int Usage() {
    PrintError(
        L"usage: kccaller [--message M] [--wparam W] [--path PATH | --line LINE] -- PROGRAM "
        L"[ARGS...]\n"
        L"  starts PROGRAM ARGS HWND,M,W,PATH (or PROGRAM ARGS LINE) and prints what it does to "
        L"the window HWND");
    return kCannotRun;
}

struct CallerOptions {
    std::wstring message = L"1025";
    std::wstring wParam = L"3";
    std::wstring path;
    std::optional<std::wstring> line;   // replaces the four fields
    std::vector<std::wstring> program;  // the program and its arguments
};

std::optional<CallerOptions> ParseOptions(const std::vector<CommandLineArgument>& arguments) {
    CallerOptions options;
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::wstring& arg = arguments[i].text;
        if (arg == L"--") {
            ++i;
            break;
        }
        if (i + 1 >= arguments.size()) return std::nullopt;
        const std::wstring& value = arguments[++i].text;
        if (arg == L"--message") {
            options.message = value;
        } else if (arg == L"--wparam") {
            options.wParam = value;
        } else if (arg == L"--path") {
            options.path = value;
        } else if (arg == L"--line") {
            options.line = value;
        } else {
            return std::nullopt;
        }
    }
    if (i >= arguments.size()) return std::nullopt;
    for (; i < arguments.size(); ++i) options.program.push_back(arguments[i].text);
    return options;
}

// An argument as the C runtime and CommandLineToArgvW split it again.
std::wstring QuoteArgument(const std::wstring& argument) {
    const std::string utf8 =
        native::Utf16ToUtf8Shown(std::u16string(argument.begin(), argument.end()));
    const std::u16string quoted = native::Utf8ToUtf16Shown(native::QuotedArgument(utf8));
    return std::wstring(quoted.begin(), quoted.end());
}

// The program's name is split by other rules: quotes group and backslashes are plain, so it is
// only ever wrapped in quotes. A file name cannot hold a quote.
std::optional<std::wstring> QuoteProgram(const std::wstring& program) {
    if (program.empty() || program.find(L'"') != std::wstring::npos) return std::nullopt;
    if (program.find_first_of(L" \t") == std::wstring::npos) return program;
    return L"\"" + program + L"\"";
}

// The caller's own window: it stays hidden, and reports what the started program does to it.
class CallerWindow {
public:
    CallerWindow() = default;
    CallerWindow(const CallerWindow&) = delete;
    CallerWindow& operator=(const CallerWindow&) = delete;
    ~CallerWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    bool Create() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &CallerWindow::Procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassExW(&windowClass)) return false;
        hwnd_ = CreateWindowExW(0, kClassName, L"kccaller", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
        return hwnd_ != nullptr;
    }

    HWND Handle() const { return hwnd_; }

    // The result the program posted, if it posted one.
    std::optional<LPARAM> Posted() const { return posted_; }

    // A message taken from the queue: a posted message in the application's range is the
    // program's result; the rest goes to the window procedure.
    void Take(const MSG& msg) {
        if (msg.hwnd == hwnd_ && msg.message >= WM_USER) {
            // The program posts wParam sign-extended from the caller's number.
            PrintLine("POST " + std::to_string(msg.message) + " " +
                      std::to_string(static_cast<long long>(msg.wParam)) + " " +
                      std::to_string(static_cast<long long>(msg.lParam)));
            posted_ = msg.lParam;
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

private:
    static constexpr const wchar_t* kClassName = L"KcCallerWindow";

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_ENABLE:
                // Sent by EnableWindow only when the state changes.
                PrintLine(wParam ? "ENABLE 1" : "ENABLE 0");
                return 0;
            case WM_ACTIVATE:
                if (LOWORD(wParam) != WA_INACTIVE) PrintLine("FOREGROUND");
                return 0;
            default:
                return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

    HWND hwnd_ = nullptr;
    std::optional<LPARAM> posted_;
};

// The started program: its process handle, waited on together with the window's messages.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (process_) CloseHandle(process_);
    }

    // The program gets this program's standard handles, so its messages reach the same stderr.
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
        return true;
    }

    HANDLE Handle() const { return process_; }

    DWORD ExitCode() const {
        DWORD code = 0;
        if (!GetExitCodeProcess(process_, &code)) return static_cast<DWORD>(-1);
        return code;
    }

private:
    static HANDLE Inheritable(DWORD which) {
        HANDLE handle = GetStdHandle(which);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        return handle;
    }

    HANDLE process_ = nullptr;
};

// Everything in the queue now, sent messages included.
void DispatchPending(CallerWindow& window) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) window.Take(msg);
}

// Runs the window's messages until the program ends, then takes what it left in the queue.
void RunUntilExit(CallerWindow& window, const ChildProcess& child) {
    HANDLE process = child.Handle();
    while (true) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 + 1) {
            DispatchPending(window);
            continue;
        }
        // Ended (or the wait failed, when there is nothing left to wait for).
        DispatchPending(window);
        return;
    }
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    auto options = ParseOptions(SplitCommandLine(GetCommandLineW()));
    if (!options) return Usage();

    CallerWindow window;
    if (!window.Create()) {
        DWORD error = GetLastError();
        PrintError(L"cannot create the window: " + SjisToWideLossy(Win32ErrorText(error)));
        return kCannotRun;
    }

    auto program = QuoteProgram(options->program.front());
    if (!program) {
        PrintError(L"not a program name: " + options->program.front());
        return kCannotRun;
    }
    std::wstring commandLine = *program;
    for (std::size_t i = 1; i < options->program.size(); ++i)
        commandLine += L" " + QuoteArgument(options->program[i]);
    // The caller's fields go in raw, as the accounting application writes them.
    std::wstring line =
        options->line.value_or(std::to_wstring(FromHwnd(window.Handle())) + L"," +
                               options->message + L"," + options->wParam + L"," + options->path);
    commandLine += L" " + line;

    ChildProcess child;
    if (!child.Start(commandLine)) {
        DWORD error = GetLastError();
        PrintError(L"cannot start " + options->program.front() + L": " +
                   SjisToWideLossy(Win32ErrorText(error)));
        return kCannotRun;
    }
    RunUntilExit(window, child);

    PrintLine("EXIT " + std::to_string(child.ExitCode()));
    if (!window.Posted()) {
        PrintError(L"nothing was posted");
        return kNothingPosted;
    }
    return static_cast<int>(*window.Posted());
}
