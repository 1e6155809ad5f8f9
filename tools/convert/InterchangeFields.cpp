#include "tools/convert/InterchangeFields.h"

#include <limits>

#include "books/Model.h"
#include "common/JapaneseEras.h"

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

// The Western year before an era's first year, by its letter or its name.
std::optional<int> EraOffset(std::string_view era) {
    const std::optional<japanese_eras::Era> named = japanese_eras::EraNamed(era);
    if (!named) return std::nullopt;
    return japanese_eras::YearBeforeFirst(*named);
}

std::optional<std::int32_t> Compose(int year, int month, int day) {
    if (!IsRealDay(year, month, day)) return std::nullopt;
    return year * 10000 + month * 100 + day;
}

// Spreadsheets write digits and a few signs full-width (０, －, ，, ．, ／, ：): `text` with those
// made half-width, in `storage` only where it holds one (a lead byte 0xEF).
std::string_view HalfWidth(std::string_view text, std::string* storage) {
    if (text.find('\xEF') == std::string_view::npos) return text;
    storage->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        // U+FF0C to U+FF1A are EF BC 8C to EF BC 9A, and map to 0x2C to 0x3A.
        if (i + 2 < text.size() && byte(i) == 0xEF && byte(i + 1) == 0xBC && byte(i + 2) >= 0x8C &&
            byte(i + 2) <= 0x9A) {
            *storage += static_cast<char>(byte(i + 2) - 0x8C + 0x2C);
            i += 2;
        } else {
            *storage += text[i];
        }
    }
    return *storage;
}

// Cuts a time of day off a date; false when the time is not midnight.
bool CutMidnight(std::string_view* text) {
    const std::size_t blank = text->find(' ');
    if (blank == std::string_view::npos) return true;
    std::string_view time = text->substr(blank + 1);
    *text = text->substr(0, blank);
    static constexpr std::string_view kMidnights[] = {"0:00", "00:00", "0:00:00", "00:00:00"};
    for (std::string_view midnight : kMidnights) {
        if (time == midnight) return true;
    }
    return false;
}

// Reads the era that opens `text`, `eraBytes` long (a letter, or a name of two characters of three
// bytes each in UTF-8), into the Western year before its first year, and moves `pos` past it. A
// text that opens with a digit has a Western year (offset 0). False for an era the books do not
// know.
bool ReadEra(std::string_view text, std::size_t eraBytes, std::size_t* pos, int* yearOffset) {
    *yearOffset = 0;
    if (text.empty() || IsDigit(text[0])) return true;
    std::optional<int> offset = EraOffset(text.substr(0, eraBytes));
    if (!offset) return false;
    *yearOffset = *offset;
    *pos = eraBytes;
    return true;
}

// 令和7年4月1日, 令和元年5月1日, 2025年4月1日.
std::optional<std::int32_t> ParseKanjiDate(std::string_view text) {
    static constexpr std::string_view kYear = "年";
    static constexpr std::string_view kMonth = "月";
    static constexpr std::string_view kDay = "日";
    static constexpr std::string_view kFirstYear = "元";
    std::size_t pos = 0;
    int yearOffset = 0;
    if (!ReadEra(text, 6, &pos, &yearOffset)) return std::nullopt;
    const std::size_t yearDigits = yearOffset != 0 ? 2 : 4;
    int year = 0;
    if (yearOffset != 0 && text.substr(pos, kFirstYear.size()) == kFirstYear) {
        year = 1;
        pos += kFirstYear.size();
    } else if (!ReadNumber(text, &pos, yearDigits, &year) || (yearOffset == 0 && pos != 4) ||
               (yearOffset != 0 && year == 0)) {
        return std::nullopt;
    }
    int month = 0;
    int day = 0;
    auto expect = [&](std::string_view word) {
        if (text.substr(pos, word.size()) != word) return false;
        pos += word.size();
        return true;
    };
    if (!expect(kYear) || !ReadNumber(text, &pos, 2, &month) || !expect(kMonth) ||
        !ReadNumber(text, &pos, 2, &day) || !expect(kDay) || pos != text.size()) {
        return std::nullopt;
    }
    return Compose(year + yearOffset, month, day);
}

}  // namespace

JournalFlag ParseJournalFlag(std::string_view text) {
    if (text == "2000" || text == "2111") return JournalFlag::kOnly;
    if (text == "2110") return JournalFlag::kFirst;
    if (text == "2100") return JournalFlag::kBetween;
    if (text == "2101") return JournalFlag::kLast;
    return JournalFlag::kNone;
}

std::optional<std::int32_t> ParseInterchangeDate(std::string_view original) {
    std::string storage;
    std::string_view text = HalfWidth(original, &storage);
    if (!CutMidnight(&text)) return std::nullopt;
    if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos) {
        int value = 0;
        for (char c : text) value = value * 10 + (c - '0');
        return Compose(value / 10000, value / 100 % 100, value % 100);
    }
    if (text.find("年") != std::string_view::npos) return ParseKanjiDate(text);
    std::size_t pos = 0;
    int yearOffset = 0;
    if (!ReadEra(text, 1, &pos, &yearOffset)) return std::nullopt;
    if (yearOffset != 0 && pos < text.size() && text[pos] == '.') ++pos;
    const std::size_t yearDigits = yearOffset != 0 ? 2 : 4;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ReadNumber(text, &pos, yearDigits, &year)) return std::nullopt;
    if (yearOffset == 0 && pos != 4) return std::nullopt;
    // The same separator twice: 2025/4/1 or 2025-04-01.
    const char separator = pos < text.size() ? text[pos] : '\0';
    if (separator != '/' && (separator != '-' || yearOffset != 0)) return std::nullopt;
    ++pos;
    if (!ReadNumber(text, &pos, 2, &month)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != separator) return std::nullopt;
    if (!ReadNumber(text, &pos, 2, &day) || pos != text.size()) return std::nullopt;
    if (yearOffset != 0 && year == 0) return std::nullopt;
    return Compose(year + yearOffset, month, day);
}

std::optional<std::int64_t> ParseWholeYen(std::string_view original) {
    std::string storage;
    std::string_view text = HalfWidth(original, &storage);
    if (text.empty()) return 0;
    bool negative = text[0] == '-';
    if (negative) text.remove_prefix(1);
    // A fraction of zeros only: 11000.0 is 11000 yen.
    if (std::size_t dot = text.find('.'); dot != std::string_view::npos) {
        std::string_view fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.find_first_not_of('0') != std::string_view::npos)
            return std::nullopt;
        text = text.substr(0, dot);
    }
    // Commas only between groups of three digits: 1,000 and 12,345,678.
    if (std::size_t comma = text.find(','); comma != std::string_view::npos) {
        if (comma == 0 || comma > 3) return std::nullopt;
        for (std::size_t pos = comma; pos < text.size(); pos += 4) {
            if (text[pos] != ',' || text.size() - pos < 4) return std::nullopt;
        }
    }
    // The books hold ten-thousandths of a yen in 64 bits.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10000;
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c == ',') continue;
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
    // Each number before a % sign: after 区分 the share, else the rate.
    static constexpr std::string_view kShare = "区分";
    for (std::size_t percent = text.find('%'); percent != std::string_view::npos;
         percent = text.find('%', percent + 1)) {
        std::size_t start = percent;
        while (start > 0 && IsDigit(text[start - 1])) --start;
        int value = 0;
        for (std::size_t i = start; i < percent && value < 1000; ++i)
            value = value * 10 + (text[i] - '0');
        const bool share =
            start >= kShare.size() && text.substr(start - kShare.size(), kShare.size()) == kShare;
        int& slot = share ? category.sharePercent : category.ratePercent;
        if (!share && slot != 0) category.twoRates = true;
        slot = value;
    }
    return category;
}

bool IsKnownRate(int percent) {
    return percent == 10 || percent == 8;
}

bool IsKnownShare(int percent) {
    return percent == 80 || percent == 50;
}

namespace {

// amount × numerator / divisor, rounded as asked, without overflowing the product.
std::int64_t Proportion(std::int64_t amount, std::int64_t numerator, std::int64_t divisor,
                        TaxRounding rounding) {
    bool negative = amount < 0;
    std::int64_t magnitude = negative ? -amount : amount;
    std::int64_t whole = magnitude / divisor * numerator;
    std::int64_t rest = magnitude % divisor * numerator;
    std::int64_t result = whole + rest / divisor;
    std::int64_t remainder = rest % divisor;
    if (rounding == TaxRounding::kUp && remainder > 0) ++result;
    if (rounding == TaxRounding::kNearest && remainder * 2 >= divisor) ++result;
    return negative ? -result : result;
}

}  // namespace

std::int64_t ShareOf(std::int64_t amount, int percent, TaxRounding rounding) {
    return Proportion(amount, percent, 100, rounding);
}

std::int64_t TaxInsideAmount(std::int64_t amount, int ratePercent, TaxRounding rounding) {
    if (ratePercent <= 0) return 0;
    return Proportion(amount, ratePercent, 100 + ratePercent, rounding);
}

}  // namespace convert
