#include "common/EraDate.h"

#include <cstdio>

namespace era_date {

const Era* EraOf(std::span<const Era> eras, std::int32_t date) {
    if (date > 99991231) return nullptr;
    const Era* found = nullptr;
    for (const Era& era : eras) {
        if (era.firstDay > date) break;
        found = &era;
    }
    return found;
}

std::int32_t EraYear(const Era& era, std::int32_t date) {
    return date / 10000 - era.firstDay / 10000 + 1;
}

std::string FormatDate(std::int32_t date, std::int32_t style, std::int32_t leadingZeros,
                       const Era* era) {
    const long year = date / 10000;
    const long month = date % 10000 / 100;
    const long day = date % 100;
    const bool zeros = leadingZeros != 0;
    const bool eraStyle = style == 0 || style == 1 || style == 5;
    if (eraStyle && !era) return "";
    const long eraYear = era ? static_cast<long>(EraYear(*era, date)) : 0;
    // The era's texts as C strings: the formats below take them with %s.
    const std::string name = era ? std::string(era->name) : std::string();
    const std::string shortLabel = era ? std::string(era->shortLabel) : std::string();
    char text[64] = {};
    switch (style) {
        case 0:
            std::snprintf(text, sizeof(text), "%s%ld年%ld月%ld日", name.c_str(), eraYear, month,
                          day);
            break;
        case 1:
            std::snprintf(text, sizeof(text), zeros ? "%s.%02ld/%02ld/%02ld" : "%s.%ld/%ld/%ld",
                          shortLabel.c_str(), eraYear, month, day);
            break;
        case 2:
            std::snprintf(text, sizeof(text), zeros ? "%ld/%02ld/%02ld" : "%ld/%ld/%ld", year,
                          month, day);
            break;
        case 3:
            std::snprintf(text, sizeof(text), zeros ? "%02ld/%02ld/%02ld" : "%02ld/%ld/%ld", year,
                          month, day);
            break;
        case 4:
            std::snprintf(text, sizeof(text), "%ld年%ld月%ld日", year, month, day);
            break;
        case 5:
            if (eraYear == 1) {
                std::snprintf(text, sizeof(text), "%s%s年%ld月%ld日", name.c_str(), "元", month,
                              day);
            } else {
                std::snprintf(text, sizeof(text), "%s%ld年%ld月%ld日", name.c_str(), eraYear, month,
                              day);
            }
            break;
        default:
            return "";
    }
    return text;
}

}  // namespace era_date
