#pragma once

// The program's arguments after its name, UTF-8 on every host: Windows hands a program's narrow
// arguments over in the process's code page, where a name of another script is lost, so there
// they are taken from the wide command line. On POSIX they are the host's bytes, as paths are.

#include <string>
#include <vector>

namespace native {

// Raises native::Failure (kBadName) for an argument that has no UTF-8 form (a lone surrogate).
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace native
