#pragma once

// Decimal conversion as the system's texts are read: leading blanks, an optional sign, then
// digits up to the first non-digit; text without digits is 0. A value beyond 32 bits is held
// at the nearest 32-bit limit, as the Windows runtime's conversion does.

#include <cstdint>
#include <limits>
#include <string_view>

inline std::int32_t ParseDecimal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' ||
                                 text[pos] == '\r' || text[pos] == '\v' || text[pos] == '\f')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit) value = kLimit;  // saturate; digits may go on
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// The same on a NUL-terminated text.
inline std::int32_t ParseDecimal(const char* text) {
    return ParseDecimal(text ? std::string_view(text) : std::string_view());
}
