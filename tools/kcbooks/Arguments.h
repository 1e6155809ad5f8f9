#pragma once

#include <string>
#include <vector>

// The program's arguments after its name, as UTF-8 text on every host (Windows hands narrow
// arguments over in the process code page, so they are taken from the wide command line there).
std::vector<std::string> ProgramArguments(int argc, char** argv);
