// The period conditions of the months a user chose: the positions the cursors select, and the
// settlement periods that come with them.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "aggregation/PeriodConditions.h"

namespace {

StDATAINFO Company(std::int32_t firstDay, std::int32_t lastDay, std::int32_t interimClosing) {
    StDATAINFO company{};
    company.periodFrom = firstDay;
    company.periodTo = lastDay;
    company.interimClosing = interimClosing;
    return company;
}

// The entries as (comparison, value, link), in order, up to the last; those after it are empty.
std::vector<std::array<int, 3>> Entries(const PeriodConditions& period) {
    std::vector<std::array<int, 3>> entries;
    bool ended = false;
    for (int number = 1; number <= 4; ++number) {
        const StFINDINFO& entry = period.Entry(number);
        // The record is packed: its fields are read as values, never bound to references.
        if (ended) {
            EXPECT_EQ(+entry.item, 0) << number;
            continue;
        }
        EXPECT_EQ(+entry.item, finditem::kMonthPosition);
        EXPECT_EQ(+entry.valueType, findtype::kValue16);
        entries.push_back({entry.comparison, entry.value16, entry.link});
        ended = entry.link == findlink::kLast;
    }
    return entries;
}

TEST(PeriodConditions, TheMonthsChosenSelectTheirPositionsAndSettlements) {
    using E = std::array<int, 3>;
    const E from1{findcmp::kNotLess, 1, findlink::kAnd};
    struct Case {
        const char* name;
        StDATAINFO company;
        std::int32_t start, end;
        std::vector<E> entries;
    };
    const Case cases[] = {
        {"the whole year ends with its year-end settlement",
         Company(20250401, 20260331, 0),
         4,
         3,
         {from1,
          {findcmp::kNotGreater, 12, findlink::kOr},
          {findcmp::kEqual, 18, findlink::kLast}}},
        {"the first half with an interim closing",
         Company(20250401, 20260331, 1),
         4,
         9,
         {from1, {findcmp::kNotGreater, 6, findlink::kOr}, {findcmp::kEqual, 15, findlink::kLast}}},
        {"the whole year with an interim closing takes both settlements",
         Company(20250401, 20260331, 1),
         4,
         3,
         {from1,
          {findcmp::kNotGreater, 12, findlink::kOr},
          {findcmp::kEqual, 15, findlink::kOr},
          {findcmp::kEqual, 18, findlink::kLast}}},
        {"months around the sixth take the interim",
         Company(20250401, 20260331, 1),
         7,
         12,
         {{findcmp::kNotLess, 4, findlink::kAnd},
          {findcmp::kNotGreater, 9, findlink::kOr},
          {findcmp::kEqual, 15, findlink::kLast}}},
        {"from the seventh month the interim lies before",
         Company(20250401, 20260331, 1),
         10,
         3,
         {{findcmp::kNotLess, 7, findlink::kAnd},
          {findcmp::kNotGreater, 12, findlink::kOr},
          {findcmp::kEqual, 18, findlink::kLast}}},
        {"the first half without one",
         Company(20250401, 20260331, 0),
         4,
         9,
         {from1, {findcmp::kNotGreater, 6, findlink::kLast}}},
        {"from June, neither the interim nor the last month",
         Company(20250401, 20260331, 0),
         6,
         9,
         {{findcmp::kNotLess, 3, findlink::kAnd}, {findcmp::kNotGreater, 6, findlink::kLast}}},
        {"months within a calendar year",
         Company(20250101, 20251231, 1),
         3,
         5,
         {{findcmp::kNotLess, 3, findlink::kAnd}, {findcmp::kNotGreater, 5, findlink::kLast}}},
        {"a six-month year takes both settlements",
         Company(20250401, 20250930, 1),
         4,
         9,
         {from1,
          {findcmp::kNotGreater, 6, findlink::kOr},
          {findcmp::kEqual, 15, findlink::kOr},
          {findcmp::kEqual, 18, findlink::kLast}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Entries(PeriodConditions::ForMonths(c.company, c.start, c.end)), c.entries);
    }
}

}  // namespace
