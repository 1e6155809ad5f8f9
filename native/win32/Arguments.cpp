#include "native/Arguments.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cwchar>

#include "native/Failure.h"
#include "native/Utf16.h"

namespace native {

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) throw Failure("arguments", "the command line", static_cast<int>(GetLastError()));
    std::vector<std::string> arguments;
    int bad = 0;
    for (int i = 1; i < count && bad == 0; ++i) {
        // wchar_t is UTF-16 on Windows.
        const std::u16string_view argument(reinterpret_cast<const char16_t*>(wide[i]),
                                           std::wcslen(wide[i]));
        if (std::optional<std::string> utf8 = Utf16ToUtf8(argument)) {
            arguments.push_back(std::move(*utf8));
        } else {
            bad = i;
        }
    }
    LocalFree(wide);
    if (bad != 0) throw BadArgument(bad, ERROR_NO_UNICODE_TRANSLATION);
    return arguments;
}

}  // namespace native
