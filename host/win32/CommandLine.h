#pragma once

// The program's command line as Windows hands it over: one UTF-16 text. The host options are
// split from it as CommandLineToArgvW splits them; the caller's line is the raw text that
// follows the options, spaces, quotes and commas as the caller wrote them, the way the
// application framework hands a program its command line.

#include <cstddef>
#include <string>
#include <vector>

struct CommandLineArgument {
    std::wstring text;   // unquoted
    std::size_t offset;  // where it starts in the raw line
};

// The arguments after the program's name.
std::vector<CommandLineArgument> SplitCommandLine(const std::wstring& line);
