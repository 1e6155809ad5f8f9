#pragma once

// The fields of the journal interchange form that need more than a copy: its dates (Western
// and era forms), its whole-yen amounts and its tax categories. Text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace convert {

// The journal form's first column, the line's place in its voucher: 2000 and 2111 a voucher of
// one line, 2110 a voucher's first line, 2100 a line between, 2101 its last.
enum class JournalFlag { kNone, kOnly, kFirst, kBetween, kLast };
JournalFlag ParseJournalFlag(std::string_view text);
// The columns of the journal form the books use; programs leave out the rest.
inline constexpr std::size_t kJournalUsedFields = 17;

// A date as yyyymmdd, from 20250401, 2025/04/01, 2025/4/1, 2025-04-01, an era form (R.07/04/01,
// R07/4/1, H30/7/1; eras M, T, S, H, R), 令和7年4月1日 (元年 for the first year) or 2025年4月1日.
// Spreadsheets add a time of day to a date: midnight (2025/04/01 0:00:00) is read as the date
// alone; another time is not a date of a journal. Full-width digits read as digits. Empty when
// the text is none of these or not a real day.
std::optional<std::int32_t> ParseInterchangeDate(std::string_view text);

// Whole yen with an optional minus sign; an empty field is 0. Spreadsheets write 1,000 (commas
// between groups of three), full-width digits and a minus sign (－), and 11000.0: a fraction of
// zeros is read as whole yen. Empty when malformed, not whole or beyond what the books can hold.
std::optional<std::int64_t> ParseWholeYen(std::string_view text);

// How a tax category says the line's amount relates to its consumption tax.
enum class TaxMark {
    kNone,       // no tax (対象外, 非課売上 …)
    kInclusive,  // 込: tax-inclusive books book the amount as it is
    kIncluded,   // 内: the amount holds the tax, which tax-exclusive books separate
    kSeparate,   // 外 or 別: the tax is booked on a line of its own
};

enum class TaxDirection { kNone, kPurchase, kSales };

// A category names two percentages, each optional: the tax rate (10%, 8%, 8%(軽), 軽減8%) and,
// for purchases from a supplier not registered for invoices, the share of the tax that may be
// credited during the transition (区分80%, 区分50%).
struct TaxCategory {
    TaxMark mark = TaxMark::kNone;
    TaxDirection direction = TaxDirection::kNone;
    int ratePercent = 0;    // 0 when the text names no rate
    int sharePercent = 0;   // 0 when the text names no share
    bool twoRates = false;  // a second percentage that is no share
};

// Reads a category such as 課対仕入内10%, 課税売返内10%適格, 課対仕入込8%(軽) or
// 課対仕入内10%区分80%: a percentage after 区分 is the share, any other the rate.
TaxCategory ParseTaxCategory(std::string_view text);

// The rates the books know, and the transitional shares.
bool IsKnownRate(int percent);
bool IsKnownShare(int percent);

enum class TaxRounding { kDown, kNearest, kUp };

// The tax inside a tax-including amount at `ratePercent`: amount × rate / (100 + rate).
std::int64_t TaxInsideAmount(std::int64_t amount, int ratePercent, TaxRounding rounding);
// `percent` of `amount`, rounded as asked.
std::int64_t ShareOf(std::int64_t amount, int percent, TaxRounding rounding);

}  // namespace convert
