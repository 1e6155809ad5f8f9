#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace books {

// `kcbooks show`: the data sets, users and counts of a store, and per data set a trial balance
// and the balance sheet's totals. False when the store cannot be read or `out` cannot be
// written.
bool ShowStore(const std::string& storePath, std::ostream& out, std::string* error);

// What an import's window shows of the books it made: the store's first data set, its count of
// entries and its trial balance's totals (as `show` writes them).
struct BooksSummary {
    std::string company;  // UTF-8
    std::int32_t periodFrom = 0;
    std::int32_t periodTo = 0;
    std::int64_t entries = 0;
    std::string debits;
    std::string credits;
    bool balanced = false;
};

// False, with why, when the store cannot be read.
bool SummarizeStore(const std::string& storePath, BooksSummary* out, std::string* error);

// A count of ten-thousandths as yen: "1,234", "-5.5", "0.0001".
std::string FormatYen(long long tenThousandths);

}  // namespace books
