#pragma once

// What the general ledger writes for a line's counter-account: the account on the line's other
// side, or 諸口 where the counter is several accounts (a transfer entry, a compound entry whose
// line or whose earlier lines do not balance). The export writes it (aggregation/LedgerReader);
// kcview gives the books' lines the same.

#include <cstdint>

namespace ledger_counter {

// Where the account stands on its journal line (the side byte of a ledger row).
inline constexpr int kSideCreditOnly = 1;
inline constexpr int kSideDebitOnly = 2;
inline constexpr int kSideBoth = 3;

enum class Counter {
    kOtherSide,  // the account on the line's other side
    kSeveral,    // 諸口
    kAskEntry,   // 諸口 when the entry's lines before this one do not balance (tax included)
};

// What the line alone tells: `lineDebit` and `lineCredit` are its amounts with their tax.
Counter CounterOf(int side, int kind, std::int64_t lineDebit, std::int64_t lineCredit, int line);

}  // namespace ledger_counter
