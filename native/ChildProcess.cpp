#include "native/ChildProcess.h"

#include <chrono>
#include <thread>

namespace native {

// An argument as the C runtime and CommandLineToArgvW split it again: quoted when it holds a
// blank or a quote or is empty; backslashes double only where a quote follows them.
std::string QuotedArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    // The closing quote follows: the backslashes before it double.
    quoted.append(backslashes * 2, '\\');
    quoted.push_back('"');
    return quoted;
}

std::string WindowsCommandLine(const std::string& program,
                               const std::vector<std::string>& arguments) {
    // The program's name is split by other rules: quotes group and backslashes are plain, so it
    // is only ever wrapped in quotes. A file name cannot hold a quote.
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) line += " " + QuotedArgument(argument);
    return line;
}

bool AwaitEnd(const std::function<bool()>& ended, int waitMilliseconds) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (!ended()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace native
