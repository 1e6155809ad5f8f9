#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "tools/kcbooks/Arguments.h"

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) {
        int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(length > 0 ? length : 1, '\0');
        if (length > 0) {
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), length, nullptr, nullptr);
        }
        text.resize(length > 0 ? length - 1 : 0);
        arguments.push_back(std::move(text));
    }
    LocalFree(wide);
    return arguments;
}
