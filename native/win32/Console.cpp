#include "native/Console.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "native/Utf16.h"

namespace native {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Text that is not UTF-8 is only shown: a broken byte shows as U+FFFD.
bool WriteToConsole(HANDLE console, std::string_view utf8) {
    const std::u16string utf16 = Utf8ToUtf16Shown(utf8);
    const std::wstring wide(utf16.begin(), utf16.end());
    std::size_t done = 0;
    while (done < wide.size()) {
        DWORD written = 0;
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
        if (!WriteConsoleW(console, wide.data() + done, count, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The handle a stream of this process was given: none for a windowed program started without.
HANDLE GivenHandle(StandardStream stream) {
    const HANDLE handle =
        GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return GetFileType(handle) == FILE_TYPE_UNKNOWN ? nullptr : handle;
}

// The console of the program that started this one, when there is one; asked for once.
HANDLE ParentConsole() {
    static const HANDLE console = [] {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return HANDLE{nullptr};
        const HANDLE handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return handle == INVALID_HANDLE_VALUE ? HANDLE{nullptr} : handle;
    }();
    return console;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    const HANDLE handle = GivenHandle(stream);
    return handle && IsConsole(handle);
}

bool WriteText(std::FILE* file, std::string_view utf8) {
    // Whatever the stream holds goes first: the console is written past it.
    std::fflush(file);
    const intptr_t os = _get_osfhandle(_fileno(file));
    if (os != -1 && IsConsole(reinterpret_cast<HANDLE>(os)))
        return WriteToConsole(reinterpret_cast<HANDLE>(os), utf8);
    const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
    return std::fflush(file) == 0 && written;
}

bool WriteStandard(StandardStream stream, const ConsoleOptions& options, std::string_view utf8) {
    if (!options.attachParentConsole)
        return WriteText(stream == StandardStream::kOutput ? stdout : stderr, utf8);
    const HANDLE given = GivenHandle(stream);
    const HANDLE handle = given ? given : ParentConsole();
    if (!handle) return true;  // nowhere to go: a windowed program started without a console
    if (IsConsole(handle)) return WriteToConsole(handle, utf8);
    DWORD written = 0;
    return WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
           written == utf8.size();
}

}  // namespace native
