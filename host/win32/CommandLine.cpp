#include "host/win32/CommandLine.h"

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::vector<CommandLineArgument> SplitCommandLine(const std::wstring& line) {
    std::vector<CommandLineArgument> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    // The program's name: quotes group, backslashes are plain characters.
    if (i < n && line[i] == L'"') {
        ++i;
        while (i < n && line[i] != L'"') ++i;
        if (i < n) ++i;
    } else {
        while (i < n && !IsBlank(line[i])) ++i;
    }
    while (true) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        CommandLineArgument argument{L"", i};
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'\\') {
                std::size_t backslashes = 0;
                while (i < n && line[i] == L'\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    // 2n backslashes and a quote: n backslashes, and the quote groups;
                    // 2n + 1: n backslashes and a literal quote.
                    argument.text.append(backslashes / 2, L'\\');
                    if (backslashes % 2 == 1) {
                        argument.text.push_back(L'"');
                        ++i;
                    }
                } else {
                    argument.text.append(backslashes, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    argument.text.push_back(L'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument.text.push_back(line[i++]);
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}
