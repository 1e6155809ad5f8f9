#pragma once

#include <string>
#include <string_view>

// The locale's text mappings of Shift_JIS text.
class TextMapping {
public:
    virtual ~TextMapping() = default;
    // Half-width letters, digits, symbols, the blank and half-width katakana become their
    // full-width forms; a katakana followed by a (semi-)voiced-sound mark becomes one character.
    virtual std::string ToFullWidth(std::string_view text) = 0;
};
