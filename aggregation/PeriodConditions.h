#pragma once

// The months an export covers, as the cursors' search: entries 1 and 2 select the month
// positions from the start to the end position, entries 3 and 4 add the interim (15) and the
// year-end (18) settlement periods where they apply.

#include <cstdint>

#include "ledger/Records.h"

struct PeriodConditions {
    StFINDINFO entries[4] = {};

    // The months `startMonth` to `endMonth` (calendar months) of the company's fiscal year. The
    // interim settlement comes with them when the company closes an interim and they end at
    // the sixth position; the year-end settlement when they end at the fiscal year's last month.
    static PeriodConditions ForMonths(const StDATAINFO& company, std::int32_t startMonth,
                                      std::int32_t endMonth);
    // The positions `start` to `end`, with the interim and the year-end settlements as asked.
    static PeriodConditions ForPositions(std::int16_t start, std::int16_t end, bool interim,
                                         bool yearEnd);

    // Entries numbered 1 to 4.
    StFINDINFO& Entry(int number) { return entries[number - 1]; }
    const StFINDINFO& Entry(int number) const { return entries[number - 1]; }
    std::int16_t StartPosition() const { return Entry(1).value16; }
    std::int16_t EndPosition() const { return Entry(2).value16; }
};

static_assert(sizeof(PeriodConditions) == 136);
