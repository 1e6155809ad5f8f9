// The fiscal year's months: its first month and last month code, and the positions of the
// months the user names.

#include <gtest/gtest.h>

#include "fiscal/FiscalMonths.h"

namespace {

TEST(FiscalMonths, FirstMonthAndLastMonthCode) {
    struct Case {
        std::int32_t firstDay, lastDay;
        std::int16_t first, lastCode;
    };
    const Case cases[] = {
        {20250401, 20260331, 4, 103},
        {20250101, 20251231, 1, 12},
        // Closing on the 20th: the year's first day, the 21st, is in the next month's period.
        {20250421, 20260420, 5, 104},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstDay);
        std::int16_t first = 0;
        std::int16_t last = 0;
        fiscal::GetFiscalMonths(c.firstDay, c.lastDay, &first, &last);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.lastCode);
        fiscal::GetFiscalMonths(c.firstDay, c.lastDay, nullptr, &last);  // either out may be absent
        EXPECT_EQ(last, c.lastCode);
    }
}

TEST(FiscalMonths, PositionsOfTheMonthsNamed) {
    struct Case {
        std::int16_t first, lastCode, start, end;
        std::int16_t startPosition, endPosition;
    };
    const Case cases[] = {
        {4, 103, 4, 3, 1, 12},
        {4, 103, 2, 1, 11, 10},
        {4, 103, 9, 12, 6, 9},
        {1, 12, 3, 6, 3, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
        std::int16_t start = 0;
        std::int16_t end = 0;
        fiscal::GetMonthPositions(c.first, c.lastCode, c.start, c.end, &start, &end);
        EXPECT_EQ(start, c.startPosition);
        EXPECT_EQ(end, c.endPosition);
    }
    std::int16_t start = 99;
    fiscal::GetMonthPositions(1, 12, 3, 6, &start, nullptr);
    EXPECT_EQ(start, 99);
}

}  // namespace
