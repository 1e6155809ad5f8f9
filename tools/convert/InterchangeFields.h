#pragma once

// The fields of the journal interchange form that need more than a copy: its dates (Western
// and era forms), its whole-yen amounts and its tax categories. Text is UTF-8.

#include <cstdint>
#include <optional>
#include <string_view>

namespace convert {

// A date as yyyymmdd, from 20250401, 2025/04/01, 2025/4/1 or an era form (R.07/04/01, R07/4/1,
// H30/7/1; eras M, T, S, H, R). Empty when the text is none of these or not a real day.
std::optional<std::int32_t> ParseInterchangeDate(std::string_view text);

// Whole yen with an optional minus sign; an empty field is 0. Empty when malformed or beyond
// what the books can hold.
std::optional<std::int64_t> ParseWholeYen(std::string_view text);

// How a tax category says the line's amount relates to its consumption tax.
enum class TaxMark {
    kNone,       // no tax (対象外, 非課売上 …)
    kInclusive,  // 込: tax-inclusive books book the amount as it is
    kIncluded,   // 内: the amount holds the tax, which tax-exclusive books separate
    kSeparate,   // 外 or 別: the tax is booked on a line of its own
};

enum class TaxDirection { kNone, kPurchase, kSales };

struct TaxCategory {
    TaxMark mark = TaxMark::kNone;
    TaxDirection direction = TaxDirection::kNone;
    int ratePercent = 0;  // 0 when the text names no rate
};

// Reads a category such as 課対仕入内10%, 課税売返内10%適格 or 課対仕入込8%(軽)区分80%: the rate is
// the first number before a % sign, so a suffix's percentage is not taken for it.
TaxCategory ParseTaxCategory(std::string_view text);

enum class TaxRounding { kDown, kNearest, kUp };

// The tax inside a tax-including amount at `ratePercent`: amount × rate / (100 + rate).
std::int64_t TaxInsideAmount(std::int64_t amount, int ratePercent, TaxRounding rounding);

}  // namespace convert
