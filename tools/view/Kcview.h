#pragma once

// kcview's command, whichever host starts it: the arguments as the POSIX tool takes them (UTF-8
// on Windows), the checks on std::cout, the rest on std::cerr, and the exit status (0 all hold,
// 1 a check failed under --check, 2 the file or the page could not be handled).

namespace kcview {

int Run(int argc, char** argv);

}  // namespace kcview
