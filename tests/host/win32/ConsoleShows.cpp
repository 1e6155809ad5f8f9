// kc_console_shows.exe PROGRAM [ARGUMENT...]: runs the program in a console of its own and
// prints, as UTF-8 on its own standard output, what the console shows afterwards, row by row:
// the characters a person at the console reads. Exits with the program's status. Needs a
// display: Wine's console without one keeps no screen to read back.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "native/Utf16.h"

namespace {

std::string Utf8(const std::wstring& wide) {
    return native::Utf16ToUtf8Shown(std::u16string(wide.begin(), wide.end()));
}

std::wstring Quoted(const wchar_t* argument) {
    std::wstring quoted = L"\"";
    for (const wchar_t* c = argument; *c; ++c) {
        if (*c == L'"') quoted += L'\\';
        quoted += *c;
    }
    return quoted + L"\"";
}

int Fail(const char* what) {
    std::fprintf(stderr, "kc_console_shows: %s (error %lu)\n", what, GetLastError());
    return 125;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("usage: kc_console_shows.exe PROGRAM [ARGUMENT...]");
    // The report goes where this program's output was sent, not into the new console.
    const HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    FreeConsole();
    if (!AllocConsole()) return Fail("no console");
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    const HANDLE screen =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_EXISTING, 0, nullptr);
    const HANDLE keyboard =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_EXISTING, 0, nullptr);
    if (screen == INVALID_HANDLE_VALUE || keyboard == INVALID_HANDLE_VALUE)
        return Fail("the console cannot be opened");

    // Room for a long listing: what scrolls off the top of the buffer is lost to the reading.
    CONSOLE_SCREEN_BUFFER_INFO before{};
    if (GetConsoleScreenBufferInfo(screen, &before))
        SetConsoleScreenBufferSize(screen, COORD{before.dwSize.X, 3000});

    std::wstring line;
    for (int i = 1; i < argc; ++i) line += (i > 1 ? L" " : L"") + Quoted(argv[i]);
    STARTUPINFOW start{};
    start.cb = sizeof(start);
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = keyboard;
    start.hStdOutput = screen;
    start.hStdError = screen;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                        &process))
        return Fail("the program cannot be started");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen, &info) || info.dwSize.X <= 0)
        return Fail("the console's screen cannot be read");
    std::string shown;
    std::vector<wchar_t> row(static_cast<std::size_t>(info.dwSize.X));
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), COORD{0, y},
                                    &read);
        std::wstring text(row.data(), read);
        while (!text.empty() && text.back() == L' ') text.pop_back();
        shown += Utf8(text) + "\n";
    }
    DWORD written = 0;
    WriteFile(report, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
    return static_cast<int>(status);
}
