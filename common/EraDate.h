#pragma once

// Dates of the books (yyyymmdd) as the file writes them: in the Japanese era calendar
// ("令和7年4月15日") or the Western one. The era set is the books'; the texts are Shift_JIS.
// The export reads the era set through the ledger services (aggregation/CmnProcHpr), kcview
// from the store.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace era_date {

struct Era {
    std::int32_t firstDay = 0;    // yyyymmdd
    std::string_view name;        // 令和
    std::string_view shortLabel;  // R
};

// The era `date` falls in among `eras` (ascending first days): the last one begun by then. None
// before the first era's first day, or for a date past 9999-12-31.
const Era* EraOf(std::span<const Era> eras, std::int32_t date);

// The year of `date` counted in `era`, 1 in the era's first calendar year.
std::int32_t EraYear(const Era& era, std::int32_t date);

// The date in one of the styles:
//   0 era name, era year, month, day: "令和7年4月1日"
//   1 short era label: "R.7/4/1" ("R.07/04/01" with leading zeros)
//   2 "2025/4/1" ("2025/04/01"); 3 the same with the year zero-padded to two digits at least
//   4 "2025年4月1日"; 5 as 0, with "元" for the first year of an era
// Empty for another style, or for an era style without an era.
std::string FormatDate(std::int32_t date, std::int32_t style, std::int32_t leadingZeros,
                       const Era* era);

}  // namespace era_date
