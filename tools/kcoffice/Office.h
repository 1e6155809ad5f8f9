#pragma once

// kcoffice, the office's year-end: `kcoffice run CLIENTS --month YYYY-MM [--edition EDITION]
// [--ledger] [--jobs N] -o OFFICE` exports the year of every client whose fiscal year ends in the
// month, several at once, each with its review page, and writes the month's summary.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace office {

struct OfficeRun {
    std::string clients;
    std::string office;
    std::int32_t month = 0;  // yyyymm
    std::string edition;     // empty: the first edition beside the program
    bool ledger = false;
    int jobs = 0;  // 0: one per core
};

// What a run tells as it goes, besides the console (the window of kcoffice.exe): the clients done
// of those to do.
using ProgressSink = std::function<void(std::size_t done, std::size_t todo)>;

// The arguments after the program's name ("run", …); false with the message said for a command
// line it does not understand.
bool ParseOfficeRun(const std::vector<std::string>& arguments, OfficeRun* run);

// Runs the month: 0 when every client it took exported, 1 when one was refused, 2 when the run
// itself could not be done (the message said). `summaryPage` gets the summary's path. Under the
// caller's signal policy.
int RunOffice(const OfficeRun& run, std::string* summaryPage = nullptr,
              const ProgressSink& progress = nullptr);

// The program's run: the command line, the signal policy, every failure a message; the exit
// status as RunOffice's (2 for a command line it does not understand).
int RunKcoffice(const std::vector<std::string>& arguments);

// "2026-03" for 202603.
std::string MonthName(std::int32_t yyyymm);

}  // namespace office
