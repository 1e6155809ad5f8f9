#include "common/LedgerCounter.h"

namespace ledger_counter {
namespace {

// Entry kinds: a transfer on the debit side or the credit side, and a compound entry.
constexpr int kKindDebitTransfer = 18;
constexpr int kKindCreditTransfer = 33;
constexpr int kKindCompound = 34;

}  // namespace

Counter CounterOf(int side, int kind, std::int64_t lineDebit, std::int64_t lineCredit, int line) {
    if ((side == kSideCreditOnly && kind == kKindCreditTransfer) ||
        (side != kSideCreditOnly && kind == kKindDebitTransfer) ||
        (kind == kKindCompound && lineDebit != lineCredit))
        return Counter::kSeveral;
    return kind == kKindCompound && line != 1 ? Counter::kAskEntry : Counter::kOtherSide;
}

}  // namespace ledger_counter
