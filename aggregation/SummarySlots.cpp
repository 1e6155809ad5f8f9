#include "aggregation/SummarySlots.h"

namespace slots {

SpanSlots::SpanSlots(const PeriodConditions& period, const StDATAINFO& company)
    : start_(period.StartPosition()),
      end_(period.EndPosition()),
      // Books introduced in a later month hold their opening balances for the months up to it.
      startsAtDataStart_(company.introPosition != 0 ? start_ <= company.introPosition
                                                    : start_ == 1),
      yearEndInSpan_(period.CarriesYearEnd()),
      interimInSpan_(period.CarriesInterim()),
      interimBeforeSpan_(!interimInSpan_ && company.interimClosing == 1 &&
                         start_ > PeriodConditions::kInterimAfter) {}

Amount SpanSlots::Opening(const std::int64_t (&side)[kSlotCount], std::uint32_t nature) const {
    if (nature & kCarriedForwardBit) {
        Amount opening = Sum(side, 0, start_ - 1);
        if (interimBeforeSpan_) opening += Amount::FromValue(side[kSlotInterim]);
        return opening;
    }
    // The income statement starts anew: only the data's own opening slot counts, and only at
    // the data's start.
    return startsAtDataStart_ ? Amount::FromValue(side[0]) : Amount();
}

Amount SpanSlots::Movement(const std::int64_t (&side)[kSlotCount]) const {
    Amount movement = Sum(side, start_, end_);
    if (yearEndInSpan_) movement += Amount::FromValue(side[kSlotYearEnd]);
    if (interimInSpan_) movement += Amount::FromValue(side[kSlotInterim]);
    return movement;
}

}  // namespace slots
