#pragma once

// kcview's command, whichever host starts it: the arguments as the POSIX tool takes them (UTF-8
// on Windows), the checks on std::cout, the rest on std::cerr, and the exit status (0 all hold,
// 1 a check failed under --check, 2 the file or the page could not be handled, the run was
// interrupted or ran out of memory). The run stands under the one signal policy
// (native::Interrupts) while it lasts, and nothing it raises leaves it: every failure is one
// message here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kcview {

// What a run found, for a host that tells it in words of its own (the box of a dropped file).
struct RunSummary {
    // "title: one side ≠ the other", one a disagreement, the amounts as the page writes them
    std::vector<std::string> failures;
    std::vector<std::string> warnings;  // the same, of the checks' warnings
    std::string pagePath;               // the page written; empty when none was
    std::size_t checks = 0;
    std::size_t failed = 0;
    std::size_t warned = 0;
    std::size_t notApplicable = 0;
    // Of the file: its company, its year (yyyymmdd), its net income and total assets, and last
    // year's beside them with the count of lines marked against last year (with --previous).
    std::string company;
    std::string periodFrom;
    std::string periodTo;
    std::optional<std::int64_t> netIncome;
    std::optional<std::int64_t> totalAssets;
    std::optional<std::int64_t> previousNetIncome;
    std::optional<std::int64_t> previousTotalAssets;
    std::size_t flagged = 0;
};

int Run(int argc, char** argv, RunSummary* summary = nullptr);

// The same run for a program that runs several at once (kcoffice): the arguments after the
// program's name, what Run prints on std::cout and std::cerr on `out` and `err`, under the
// caller's signal policy. The same status as Run.
int Review(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           RunSummary* summary = nullptr);

// Of two exports given together (two files dropped at once), the one that is last year's: 0 or
// 1, whichever file's fiscal year directly precedes the other's; -1 when neither does, or a file
// cannot be read (the run then says why).
int LastYearOf(const std::string& first, const std::string& second);

// Of `stores`, the first that holds the books an export came from (its company and fiscal year):
// how kcview.exe finds the books of a dropped file among those its editions name. Empty when none
// does, or the file cannot be read (the run then says why).
std::string BooksOfExport(const std::string& exportPath, const std::vector<std::string>& stores);

}  // namespace kcview
