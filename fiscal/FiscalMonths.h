#pragma once

// The months of a company's fiscal year as the condition dialog offers them and the export's
// period conditions select them: calendar months (1-12) the user names, and their 1-based
// positions within the fiscal year that the books number their months by.

#include <cstdint>

namespace fiscal {

// The first calendar month of the fiscal year, and the last month (plus 100 when the year runs
// over a calendar year end). Either out may be null. The books' period service decides the first
// month: a year whose first day falls after its closing day starts with the next month.
void GetFiscalMonths(std::int32_t firstDay, std::int32_t lastDay, std::int16_t* firstMonth,
                     std::int16_t* lastMonthCode);

// 1-based positions within the fiscal year of the start and end months; nothing when an out is
// null.
void GetMonthPositions(std::int16_t firstMonth, std::int16_t lastMonthCode, std::int16_t startMonth,
                       std::int16_t endMonth, std::int16_t* startPosition,
                       std::int16_t* endPosition);

}  // namespace fiscal
