#pragma once

// The month slots of an account summary, as the figures and the ledger's opening balance both
// read them.

#include <algorithm>
#include <cstdint>

#include "aggregation/Amount.h"
#include "ledger/Records.h"

namespace slots {

// An account whose opening is carried from the months before the period.
constexpr std::uint32_t kCarriedForwardBit = 0x80000000;
constexpr int kLastMonthSlot = 12;

// The sum of slots first..last of an array, both ends included, within the months' slots.
inline Amount Sum(const std::int64_t (&slots)[kSlotCount], int first, int last) {
    Amount sum;
    for (int slot = std::max(first, 0); slot <= std::min(last, kLastMonthSlot); ++slot) {
        sum += Amount::FromValue(slots[slot]);
    }
    return sum;
}

}  // namespace slots
