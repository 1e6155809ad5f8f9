#pragma once

// Programs of the system started by another one and waited for: each writes its console's text
// (both streams) into a file of its own and reads nothing. A run that ends on a signal ends its
// children first (StopChildren, from the interrupt's clean-up), so none of them writes on into
// what the clean-up removes; on Windows the children also end with the process that started
// them, however it ends.

#include <functional>
#include <string>
#include <vector>

namespace native {

struct ChildCommand {
    std::string program;                 // the program's path, UTF-8 on Windows
    std::vector<std::string> arguments;  // after the program's name, each passed as it is
    std::string outputPath;              // made anew; both streams go there
};

// Starts the program and waits for its end: its exit status, or 128 + the signal that ended it
// (POSIX). Raises native::Failure (call "start", the program's path) when it cannot start, the
// output file cannot be made, or the run is ending (kRunEnding). Safe from several threads.
int RunChild(const ChildCommand& command);

// Ends every child still running and waits for their end; from then on RunChild starts none. A
// child is asked to end as a signal asks a run (SIGTERM: it removes its temporaries and lets its
// locks go); one that has not ended within a few seconds is killed. Safe from any thread.
void StopChildren() noexcept;

// The command line Windows hands a program: the program's path in quotes, then each argument as
// the C runtime and CommandLineToArgvW split it again (UTF-8). A path holding a quote has none.
std::string QuotedArgument(const std::string& argument);
std::string WindowsCommandLine(const std::string& program,
                               const std::vector<std::string>& arguments);

// Whether `ended` comes true within `waitMilliseconds`, asked every 20 ms: how StopChildren waits.
// In milliseconds: <chrono> does not compile for a program whose texts are code page 932
// (kccaller), and this header reaches it.
bool AwaitEnd(const std::function<bool()>& ended, int waitMilliseconds);

// This program's own file, UTF-8 on Windows: what the programs beside it are found by.
std::string ThisProgramPath();

}  // namespace native
