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
    const bool interim = company.interimClosing == 1 && startPosition <= kInterimAfter &&
                         kInterimAfter <= endPosition;
    return ForPositions(
        startPosition, endPosition, interim,
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
        set(++last, findcmp::kEqual, kInterimSettlement);
    }
    if (yearEnd) {
        period.Entry(last).link = findlink::kOr;
        set(++last, findcmp::kEqual, kYearEndSettlement);
    }
    return period;
}

bool PeriodConditions::CarriesSettlement(std::int16_t position) const {
    for (int number = 3; number <= 4; ++number) {
        const StFINDINFO& entry = Entry(number);
        if (Entry(number - 1).link == findlink::kOr && entry.item == finditem::kMonthPosition &&
            entry.comparison == findcmp::kEqual && entry.value16 == position) {
            return true;
        }
    }
    return false;
}
