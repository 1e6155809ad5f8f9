#pragma once

// The words of the common journal interchange form that accounting programs write and read: its
// line flags, settlement marks, tax categories and sides. The literals are Shift_JIS, the form's
// own encoding.

#include <cstddef>
#include <string_view>

namespace books::interchange {

// One journal row per line of an entry; an entry of several lines runs from its first line's
// flag through its last line's.
inline constexpr std::string_view kFlagOneLine = "2000";
inline constexpr std::string_view kFlagFirst = "2110";
inline constexpr std::string_view kFlagMiddle = "2100";
inline constexpr std::string_view kFlagLast = "2101";

inline constexpr std::string_view kInterimSettlement = "中決";
inline constexpr std::string_view kYearEndSettlement = "本決";

// The books keep a tax amount per side, never a category or a rate (see JournalWriter.cpp).
inline constexpr std::string_view kNoTax = "対象外";
inline constexpr std::string_view kPurchaseTaxSeparated = "課対仕入内10%";
inline constexpr std::string_view kSalesTaxSeparated = "課税売上内10%";
inline constexpr std::string_view kPurchaseTaxIncluded = "課対仕入込10%";
inline constexpr std::string_view kSalesTaxIncluded = "課税売上込10%";

inline constexpr std::string_view kDebit = "借方";
inline constexpr std::string_view kCredit = "貸方";

// Retained earnings brought forward: the form of opening balances leaves it out, and a reader
// takes it as what makes the balances balance.
inline constexpr std::string_view kRetainedEarningsBroughtForward = "繰越利益";

inline constexpr int kJournalColumns = 25;
// The description's limit, in Shift_JIS bytes.
inline constexpr std::size_t kDescriptionBytes = 64;

}  // namespace books::interchange
