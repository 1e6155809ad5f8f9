#include "native/Console.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "native/Utf16.h"

namespace native {

bool WriteText(std::FILE* file, std::string_view utf8) {
    // Whatever the stream holds goes first: the console is written past it.
    std::fflush(file);
    const intptr_t os = _get_osfhandle(_fileno(file));
    const HANDLE handle = reinterpret_cast<HANDLE>(os);
    DWORD mode = 0;
    if (os == -1 || !GetConsoleMode(handle, &mode)) {
        const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
        return std::fflush(file) == 0 && written;
    }
    // Text that is not UTF-8 is only shown: a broken byte shows as U+FFFD.
    const std::u16string utf16 = Utf8ToUtf16Shown(utf8);
    const std::wstring wide(utf16.begin(), utf16.end());
    std::size_t done = 0;
    while (done < wide.size()) {
        DWORD written = 0;
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
        if (!WriteConsoleW(handle, wide.data() + done, count, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

}  // namespace native
