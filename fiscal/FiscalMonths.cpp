#include "fiscal/FiscalMonths.h"

#include <memory>
#include <new>

#include "ledger/Services.h"

namespace fiscal {

void GetFiscalMonths(std::int32_t firstDay, std::int32_t lastDay, std::int16_t* firstMonth,
                     std::int16_t* lastMonthCode) {
    std::unique_ptr<ClAccPeriod> period(new (std::nothrow) ClAccPeriod);
    if (!period) return;
    std::int32_t closingDay = 0;
    period->SetPeriod(firstDay, lastDay);
    period->GetClosingDayByEndDate(lastDay, 0, &closingDay);
    period->SetClosingDay(closingDay);
    std::int32_t month = firstDay % 10000 / 100;
    period->GetAMonthByDate(firstDay, &month, 0);
    std::int16_t last = static_cast<std::int16_t>(lastDay % 10000 / 100);
    if (last < month) last = static_cast<std::int16_t>(last + 100);
    if (firstMonth) *firstMonth = static_cast<std::int16_t>(month);
    if (lastMonthCode) *lastMonthCode = last;
}

void GetMonthPositions(std::int16_t first, std::int16_t lastCode, std::int16_t start,
                       std::int16_t end, std::int16_t* startPosition, std::int16_t* endPosition) {
    if (!startPosition || !endPosition) return;
    const int last = lastCode % 100;
    const bool wraps = lastCode >= 100;
    if (start == first) {
        *startPosition = 1;
    } else if (start > first) {
        *startPosition = static_cast<std::int16_t>(start - first + 1);
    } else {
        *startPosition = static_cast<std::int16_t>(start - first + 13);
    }
    if (end == last) {
        *endPosition = static_cast<std::int16_t>(wraps ? last - first + 13 : last - first + 1);
    } else if (!wraps || last < end) {
        *endPosition = static_cast<std::int16_t>(end - first + 1);
    } else {
        *endPosition = static_cast<std::int16_t>(end - first + 13);
    }
}

}  // namespace fiscal
