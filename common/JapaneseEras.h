#pragma once

// The eras of the Japanese calendar since Meiji, with the day each began: the books' default era
// set, the eras a journal's dates may be written in, and the dates of kcview's page.
//
// The names are literals of the source that includes this header, so each library holds them in
// its own execution character set (the system's Shift_JIS, the tools' UTF-8). For that reason
// everything here has internal linkage: a `static` or namespace-scope constexpr object is the
// including file's own, and two libraries of one program never share one of another charset.

#include <cstdint>
#include <optional>
#include <string_view>

namespace japanese_eras {

struct Era {
    std::int32_t firstDay;    // yyyymmdd of the era's first day
    std::string_view name;    // 令和
    std::string_view letter;  // R
};

// Oldest first.
constexpr Era kEras[] = {
    {18681023, "明治", "M"}, {19120730, "大正", "T"}, {19261225, "昭和", "S"},
    {19890108, "平成", "H"}, {20190501, "令和", "R"},
};

// The Western year before an era's first year (2018 for 令和, whose first year is 2019).
static constexpr int YearBeforeFirst(const Era& era) {
    return era.firstDay / 10000 - 1;
}

// The era named `text`, by its name or its letter.
static constexpr std::optional<Era> EraNamed(std::string_view text) {
    for (const Era& era : kEras) {
        if (text == era.name || text == era.letter) return era;
    }
    return std::nullopt;
}

// A day in its era: 20260331 is 令和 8, 3, 31.
struct EraDate {
    Era era;
    int year;  // 1 for the era's first year (元年)
    int month;
    int day;
};

// The era of `date` (yyyymmdd), or nothing before Meiji's first day. The date is not checked to
// be a day of the calendar.
static constexpr std::optional<EraDate> InEra(std::int32_t date) {
    for (auto era = std::end(kEras); era != std::begin(kEras);) {
        --era;
        if (date >= era->firstDay)
            return EraDate{*era, date / 10000 - YearBeforeFirst(*era), date / 100 % 100,
                           date % 100};
    }
    return std::nullopt;
}

}  // namespace japanese_eras
