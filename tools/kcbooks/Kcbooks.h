#pragma once

// kcbooks, the books tool: imports books from CSV files into a store, converts books from the
// common journal interchange form and writes a store's books back in it, generates books for
// tests and benchmarks, and shows what a store holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/convert/Converter.h"

namespace kcbooks {

// Runs the command the arguments (after the program's name) give and answers the exit status:
// 0, 1 when it refused or failed, 2 for a command line it does not understand. It is the run's
// edge: a failure of the floor (native::Failure) or memory running out that the command did not
// say itself is said here, once, after the run's temporaries went with its frames.
int RunKcbooks(const std::vector<std::string>& arguments);

// Whether `word` names one of the commands (import, convert, …).
bool IsCommand(std::string_view word);

// The options of `convert` (and of `import --from interchange`); the arguments that are no
// option go to `positional`. False for an option it does not know or one without its value.
bool ParseConvertOptions(const std::vector<std::string>& args, convert::ConvertOptions* options,
                         std::vector<std::string>* positional);

// A month as YYYY-MM, into yyyymm: a year whose every day has eight digits and an era, the twelve
// months before it included.
bool ParseYearMonth(std::string_view text, std::int32_t* out);

}  // namespace kcbooks
