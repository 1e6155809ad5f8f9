#pragma once

// The month slots of an account summary, as the figures and the ledger's opening balance both
// read them.

#include <algorithm>
#include <cstdint>

#include "aggregation/Amount.h"
#include "aggregation/PeriodConditions.h"
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

// The slots of one side of a summary that a span of fiscal months reads: what an account opens
// with, and what moves it within the span. The interim settlement (slot 14) stands between the
// sixth and the seventh month: a span that holds the sixth month moves by it, a span that
// starts after it opens with it where the account carries its balance forward.
class SpanSlots {
public:
    SpanSlots(const PeriodConditions& period, const StDATAINFO& company);

    // Whether every account, carried forward or not, opens with the data's opening slot.
    bool StartsAtDataStart() const { return startsAtDataStart_; }
    Amount Opening(const std::int64_t (&side)[kSlotCount], std::uint32_t nature) const;
    Amount Movement(const std::int64_t (&side)[kSlotCount]) const;

private:
    int start_;
    int end_;
    bool startsAtDataStart_;
    bool yearEndInSpan_;
    bool interimInSpan_;
    bool interimBeforeSpan_;
};

}  // namespace slots
