#include "native/Utf16.h"

#include <cstdint>

namespace native {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// The character at `at`: its length in bytes and its code, or 0 when the bytes there begin no
// character (over-long forms, surrogates written as characters, values past U+10FFFF and cut
// sequences do not).
std::size_t Utf8CharacterAt(std::string_view utf8, std::size_t at, std::uint32_t* code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t least = 0;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        *code = lead & 0x1F, length = 2, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        *code = lead & 0x0F, length = 3, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        *code = lead & 0x07, length = 4, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > utf8.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
        *code = (*code << 6) | (byte(at + k) & 0x3F);
    }
    if (*code < least || (*code >= 0xD800 && *code <= 0xDFFF) || *code > 0x10FFFF) return 0;
    return length;
}

void AppendUtf16(std::u16string& out, std::uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

// The character at `at`: its length in units (a pair takes two) and its code, or 0 at a lone
// surrogate.
std::size_t Utf16CharacterAt(std::u16string_view utf16, std::size_t at, std::uint32_t* code) {
    *code = utf16[at];
    if (*code >= 0xDC00 && *code <= 0xDFFF) return 0;  // a low surrogate alone
    if (*code < 0xD800 || *code > 0xDBFF) return 1;
    if (at + 1 >= utf16.size() || utf16[at + 1] < 0xDC00 || utf16[at + 1] > 0xDFFF)
        return 0;  // a high surrogate alone
    *code = 0x10000 + ((*code - 0xD800) << 10) + (utf16[at + 1] - 0xDC00);
    return 2;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t code = 0;
        const std::size_t length = Utf8CharacterAt(utf8, i, &code);
        if (length == 0) return std::nullopt;
        AppendUtf16(out, code);
        i += length;
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size();) {
        std::uint32_t code = 0;
        const std::size_t length = Utf16CharacterAt(utf16, i, &code);
        if (length == 0) return std::nullopt;
        AppendUtf8(out, code);
        i += length;
    }
    return out;
}

std::u16string Utf8ToUtf16Shown(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t code = kReplacement;
        const std::size_t length = Utf8CharacterAt(utf8, i, &code);
        AppendUtf16(out, length == 0 ? kReplacement : code);
        i += length == 0 ? 1 : length;
    }
    return out;
}

std::string Utf16ToUtf8Shown(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size();) {
        std::uint32_t code = kReplacement;
        const std::size_t length = Utf16CharacterAt(utf16, i, &code);
        AppendUtf8(out, length == 0 ? kReplacement : code);
        i += length == 0 ? 1 : length;
    }
    return out;
}

}  // namespace native
