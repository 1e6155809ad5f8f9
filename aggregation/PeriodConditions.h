#pragma once

// The months an export covers, as the cursors' search: entries 1 and 2 select the month
// positions from the start to the end position, entries 3 and 4 add the interim (15) and the
// year-end (18) settlement periods where they apply.

#include <cstdint>

#include "ledger/Records.h"

struct PeriodConditions {
    StFINDINFO entries[4] = {};

    // The settlement periods' month positions.
    static constexpr std::int16_t kInterimSettlement = 15;
    static constexpr std::int16_t kYearEndSettlement = 18;
    // The interim settlement closes the first half: it stands between this position and the
    // next.
    static constexpr std::int16_t kInterimAfter = 6;

    // The months `startMonth` to `endMonth` (calendar months) of the company's fiscal year. The
    // interim settlement comes with them when the company closes an interim and they hold the
    // sixth position; the year-end settlement when they end at the fiscal year's last month.
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
    // Whether an entry after the months adds the settlement period at `position`.
    bool CarriesSettlement(std::int16_t position) const;
    bool CarriesInterim() const { return CarriesSettlement(kInterimSettlement); }
    bool CarriesYearEnd() const { return CarriesSettlement(kYearEndSettlement); }
};

static_assert(sizeof(PeriodConditions) == 136);
