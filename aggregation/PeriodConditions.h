#pragma once

// The months an export covers, as the cursors' search: entries 1 and 2 select the month
// positions from the start to the end position, entries 3 and 4 add the interim (15) and the
// year-end (18) settlement periods where they apply.

#include "ledger/Records.h"

struct PeriodConditions {
    StFINDINFO entries[4] = {};

    // Entries numbered 1 to 4.
    StFINDINFO& Entry(int number) { return entries[number - 1]; }
    const StFINDINFO& Entry(int number) const { return entries[number - 1]; }
    std::int16_t StartPosition() const { return Entry(1).value16; }
    std::int16_t EndPosition() const { return Entry(2).value16; }
};

static_assert(sizeof(PeriodConditions) == 136);
