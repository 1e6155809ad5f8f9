#pragma once

// kcoffice.exe's window: the month's run without a console. A clients' folder dropped on the
// program in Explorer opens it with the folder, the month whose clients are due (the last month
// that has ended) and the folder the outputs go to (決算書 beside the clients'), both for the
// user to change. 実行 runs the month as `kcoffice run` does, the window telling how many clients
// are done, then opens the month's summary page in the browser and closes.

#include <string>
#include <vector>

namespace office {

// Whether kcoffice.exe started with `arguments` (after its name) opens the window: one argument
// that is a folder, as a drop gives it. Anything else is the console command.
bool OpensOfficeWindow(const std::vector<std::string>& arguments);

// Runs the window for the clients' folder `clients` (UTF-8). The process's status: the run's (0
// or 1), or 2 when no run came to its end.
int RunOfficeWindow(const std::string& clients);

}  // namespace office
