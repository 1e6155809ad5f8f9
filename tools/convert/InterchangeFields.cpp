#include "tools/convert/InterchangeFields.h"

#include <limits>

#include "books/Model.h"

namespace convert {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads up to `maxDigits` digits at `pos`; at least one.
bool ReadNumber(std::string_view text, std::size_t* pos, std::size_t maxDigits, int* value) {
    std::size_t start = *pos;
    int number = 0;
    while (*pos < text.size() && IsDigit(text[*pos]) && *pos - start < maxDigits) {
        number = number * 10 + (text[*pos] - '0');
        ++*pos;
    }
    if (*pos == start || (*pos < text.size() && IsDigit(text[*pos]))) return false;
    *value = number;
    return true;
}

// A day of the calendar from the first year of Meiji, the oldest era the form writes.
bool IsRealDay(int year, int month, int day) {
    return year >= 1868 && books::IsValidDate(std::int64_t{year} * 10000 + month * 100 + day);
}

// The Western year before an era's first year.
std::optional<int> EraOffset(char letter) {
    switch (letter) {
        case 'M':
            return 1867;
        case 'T':
            return 1911;
        case 'S':
            return 1925;
        case 'H':
            return 1988;
        case 'R':
            return 2018;
        default:
            return std::nullopt;
    }
}

std::optional<std::int32_t> Compose(int year, int month, int day) {
    if (!IsRealDay(year, month, day)) return std::nullopt;
    return year * 10000 + month * 100 + day;
}

}  // namespace

std::optional<std::int32_t> ParseInterchangeDate(std::string_view text) {
    if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos) {
        int value = 0;
        for (char c : text) value = value * 10 + (c - '0');
        return Compose(value / 10000, value / 100 % 100, value % 100);
    }
    std::size_t pos = 0;
    int yearOffset = 0;
    std::size_t yearDigits = 4;
    if (!text.empty() && !IsDigit(text[0])) {
        std::optional<int> offset = EraOffset(text[0]);
        if (!offset) return std::nullopt;
        yearOffset = *offset;
        yearDigits = 2;
        pos = 1;
        if (pos < text.size() && text[pos] == '.') ++pos;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ReadNumber(text, &pos, yearDigits, &year)) return std::nullopt;
    if (yearOffset == 0 && pos != 4) return std::nullopt;
    if (pos >= text.size() || text[pos++] != '/') return std::nullopt;
    if (!ReadNumber(text, &pos, 2, &month)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != '/') return std::nullopt;
    if (!ReadNumber(text, &pos, 2, &day) || pos != text.size()) return std::nullopt;
    if (yearOffset != 0 && year == 0) return std::nullopt;
    return Compose(year + yearOffset, month, day);
}

std::optional<std::int64_t> ParseWholeYen(std::string_view text) {
    if (text.empty()) return 0;
    bool negative = text[0] == '-';
    if (negative) text.remove_prefix(1);
    // The books hold ten-thousandths of a yen in 64 bits.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10000;
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kLimit) return std::nullopt;
    }
    return negative ? -value : value;
}

TaxCategory ParseTaxCategory(std::string_view text) {
    TaxCategory category;
    if (text.find("込") != std::string_view::npos) {
        category.mark = TaxMark::kInclusive;
    } else if (text.find("内") != std::string_view::npos) {
        category.mark = TaxMark::kIncluded;
    } else if (text.find("外") != std::string_view::npos ||
               text.find("別") != std::string_view::npos) {
        category.mark = TaxMark::kSeparate;
    }
    // 対象外 and 不課税 name no tax, though 対象外 holds 外.
    if (text.find("対象外") != std::string_view::npos ||
        text.find("不課税") != std::string_view::npos ||
        text.find("非課") != std::string_view::npos) {
        category.mark = TaxMark::kNone;
    }
    if (text.find("仕") != std::string_view::npos) {
        category.direction = TaxDirection::kPurchase;
    } else if (text.find("売") != std::string_view::npos) {
        category.direction = TaxDirection::kSales;
    }
    std::size_t percent = text.find('%');
    if (percent != std::string_view::npos) {
        std::size_t start = percent;
        while (start > 0 && IsDigit(text[start - 1])) --start;
        int rate = 0;
        for (std::size_t i = start; i < percent && rate < 1000; ++i)
            rate = rate * 10 + (text[i] - '0');
        category.ratePercent = rate;
    }
    return category;
}

std::int64_t TaxInsideAmount(std::int64_t amount, int ratePercent, TaxRounding rounding) {
    if (ratePercent <= 0) return 0;
    bool negative = amount < 0;
    std::int64_t magnitude = negative ? -amount : amount;
    std::int64_t divisor = 100 + ratePercent;
    // Split first so that large amounts do not overflow the product.
    std::int64_t whole = magnitude / divisor * ratePercent;
    std::int64_t rest = magnitude % divisor * ratePercent;
    std::int64_t tax = whole + rest / divisor;
    std::int64_t remainder = rest % divisor;
    if (rounding == TaxRounding::kUp && remainder > 0) ++tax;
    if (rounding == TaxRounding::kNearest && remainder * 2 >= divisor) ++tax;
    return negative ? -tax : tax;
}

}  // namespace convert
