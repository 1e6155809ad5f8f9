#include "books/Model.h"
#include "ledger/Services.h"

namespace {

// Month index (year * 12 + month - 1) of a yyyymmdd date.
int MonthIndex(std::int32_t date) {
    return (date / 10000) * 12 + (date / 100 % 100) - 1;
}

// The books close every month at its end.
constexpr std::int32_t kMonthEnd = 31;

constexpr std::int32_t kPeriodError = 5102;

}  // namespace

ClAccPeriod::ClAccPeriod() = default;
ClAccPeriod::~ClAccPeriod() = default;

std::int32_t ClAccPeriod::SetPeriod(std::int32_t firstDay, std::int32_t lastDay) {
    if (lastDay < firstDay) return kPeriodError;
    firstDay_ = firstDay;
    lastDay_ = lastDay;
    closingDay_ = kMonthEnd;
    return 0;
}

std::int32_t ClAccPeriod::GetClosingDayByEndDate(std::int32_t lastDay, int /*mode*/,
                                                 std::int32_t* closingDay) {
    if (!closingDay) return kPeriodError;
    int year = lastDay / 10000;
    int month = lastDay / 100 % 100;
    int day = lastDay % 100;
    if (month < 1 || month > 12 || day < 1) return kPeriodError;
    *closingDay = day >= books::DaysInMonth(year, month) ? kMonthEnd : day;
    return 0;
}

std::int32_t ClAccPeriod::SetClosingDay(std::int32_t closingDay) {
    if (closingDay < 1 || closingDay > kMonthEnd) return kPeriodError;
    closingDay_ = closingDay;
    return 0;
}

std::int32_t ClAccPeriod::GetAMonthByDate(std::int32_t date, std::int32_t* month, int /*mode*/) {
    if (!month) return kPeriodError;
    int m = date / 100 % 100;
    if (m < 1 || m > 12) return kPeriodError;
    // A day after the closing day belongs to the next month's period.
    if (closingDay_ < kMonthEnd && date % 100 > closingDay_) m = m % 12 + 1;
    *month = m;
    return 0;
}

std::int32_t ClAccPeriod::GetPeriodByMonthKind(int position, std::int32_t* firstDay,
                                               std::int32_t* lastDay, int /*mode*/) {
    if (firstDay_ == 0 || !firstDay || !lastDay) return kPeriodError;
    int months = MonthIndex(lastDay_) - MonthIndex(firstDay_) + 1;
    if (position == 15) position = 6;  // the interim settlement closes fiscal month 6
    if (position == 13 || position == 18) position = months;  // the year-end settlement
    if (position < 1 || position > months) return kPeriodError;
    int index = MonthIndex(firstDay_) + position - 1;
    int year = index / 12;
    int month = index % 12 + 1;
    *firstDay = position == 1 ? firstDay_ : year * 10000 + month * 100 + 1;
    *lastDay = position == months ? lastDay_
                                  : year * 10000 + month * 100 + books::DaysInMonth(year, month);
    return 0;
}
