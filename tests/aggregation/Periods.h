#pragma once

#include "aggregation/PeriodConditions.h"

// The month positions `start` to `end`, with the interim (15) and year-end (18) settlement
// periods when asked, as the export run links them.
inline PeriodConditions MonthPositions(std::int16_t start, std::int16_t end, bool interim = false,
                                       bool yearEnd = false) {
    PeriodConditions period;
    auto set = [&](int number, std::int16_t comparison, std::int16_t value) {
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
