#include "aggregation/PeriodConditions.h"

#include "fiscal/FiscalMonths.h"

PeriodConditions PeriodConditions::ForMonths(const StDATAINFO& company, std::int32_t startMonth,
                                             std::int32_t endMonth) {
    std::int16_t firstMonth = 0;
    std::int16_t lastCode = 0;
    fiscal::GetFiscalMonths(company.periodFrom, company.periodTo, &firstMonth, &lastCode);
    std::int16_t startPosition = 0;
    std::int16_t endPosition = 0;
    fiscal::GetMonthPositions(firstMonth, lastCode, static_cast<std::int16_t>(startMonth),
                              static_cast<std::int16_t>(endMonth), &startPosition, &endPosition);
    return ForPositions(
        startPosition, endPosition, company.interimClosing == 1 && endPosition == 6,
        static_cast<std::int16_t>(endMonth) == static_cast<std::int16_t>(lastCode % 100));
}

PeriodConditions PeriodConditions::ForPositions(std::int16_t start, std::int16_t end, bool interim,
                                                bool yearEnd) {
    PeriodConditions period;
    auto set = [&period](int number, std::int16_t comparison, std::int16_t value) {
        StFINDINFO& entry = period.Entry(number);
        entry.item = finditem::kMonthPosition;
        entry.comparison = comparison;
        entry.valueType = findtype::kValue16;
        entry.value16 = value;
        entry.link = findlink::kLast;
    };
    set(1, findcmp::kNotLess, start);
    period.Entry(1).link = findlink::kAnd;
    set(2, findcmp::kNotGreater, end);
    // Each added entry is joined to the one before it by OR.
    int last = 2;
    if (interim) {
        period.Entry(last).link = findlink::kOr;
        set(++last, findcmp::kEqual, 15);
    }
    if (yearEnd) {
        period.Entry(last).link = findlink::kOr;
        set(++last, findcmp::kEqual, 18);
    }
    return period;
}
