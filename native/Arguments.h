#pragma once

// The program's arguments after its name, UTF-8 on every host: Windows hands a program's narrow
// arguments over in the process's code page, where a name of another script is lost, so there
// they are taken from the wide command line. On POSIX they are the host's bytes, as paths are.

#include <string>
#include <vector>

#include "native/Failure.h"

namespace native {

// An argument that has no UTF-8 form (a lone surrogate): a failure of kind kBadName that knows
// the argument's place after the program's name, counted from 1, for the program to name it.
class BadArgument : public Failure {
public:
    BadArgument(int index, int code)
        : Failure("arguments", "argument " + std::to_string(index), code, FailureKind::kBadName),
          index_(index) {}

    int Index() const noexcept { return index_; }

private:
    int index_;
};

// Raises BadArgument for an argument that has no UTF-8 form, native::Failure when the command
// line cannot be had.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace native
