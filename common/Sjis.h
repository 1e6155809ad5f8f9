#pragma once

// Shift_JIS (code page 932) byte helpers. Every narrow text inside the system is Shift_JIS;
// these helpers keep fixed-size copies from cutting a double-byte character in two and keep
// a trail byte 0x5C from being taken for a backslash.

#include <cstddef>
#include <cstring>
#include <string_view>

namespace sjis {

// Lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the longest prefix of `text` that has at most `limit` bytes and does not
// end inside a double-byte character. A lead byte without its trail byte (at the text's end)
// counts as a single character.
constexpr std::size_t FitLength(std::string_view text, std::size_t limit) {
    // A text within the limit fits whole: only a cut can split a character.
    if (text.size() <= limit) return text.size();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t width =
            (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
        if (pos + width > limit) break;
        pos += width;
    }
    return pos;
}

// Copies at most `limit` bytes of the NUL-terminated or bounded `text` into `dest` without
// splitting a character and NUL-terminates. `destSize` must exceed `limit`.
inline void CopyBounded(char* dest, std::size_t destSize, std::string_view text,
                        std::size_t limit) {
    if (destSize == 0) return;
    if (limit >= destSize) limit = destSize - 1;
    std::size_t n = FitLength(text, limit);
    if (n != 0) std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

// The text of a fixed field: up to its first NUL, never beyond the field.
inline std::string_view FieldText(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    return std::string_view(
        field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : size);
}

// True when the last character of `text` is a single-byte backslash (not the trail byte of a
// double-byte character).
constexpr bool EndsWithBackslash(std::string_view text) {
    bool last = false;
    for (std::size_t pos = 0; pos < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (IsLeadByte(c) && pos + 1 < text.size()) {
            last = false;
            pos += 2;
        } else {
            last = (c == '\\');
            pos += 1;
        }
    }
    return last;
}

// Position of the last single-byte backslash of `text`, or npos.
constexpr std::size_t LastBackslash(std::string_view text) {
    std::size_t last = std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (IsLeadByte(c) && pos + 1 < text.size()) {
            pos += 2;
        } else {
            if (c == '\\') last = pos;
            pos += 1;
        }
    }
    return last;
}

}  // namespace sjis
