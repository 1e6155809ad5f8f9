#include <string>

#include "common/Encoding.h"
#include "common/Sjis.h"

namespace sjis {
namespace {

// Length of the UTF-8 character at `pos`, 0 when it is not one; `cut` is set when the text ends
// inside a character that was valid so far.
std::size_t Utf8Length(std::string_view text, std::size_t pos, bool* cut) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;  // the second byte's range excludes overlong forms and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (pos + i >= text.size()) {
            *cut = true;
            return 0;
        }
        const unsigned char c = byte(pos + i);
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

// Whether `text` holds a character of three bytes in UTF-8: Japanese text in UTF-8 always does,
// while half-width katakana in Shift_JIS (0xA1 to 0xDF) can pair into two-byte UTF-8 forms.
bool HasThreeByteCharacter(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c >= 0xE0 && c <= 0xEF) return true;
    }
    return false;
}

}  // namespace

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool ReadsAsJapaneseUtf8(std::string_view text) {
    // Shift_JIS text mostly fails UTF-8 at its first double-byte character: that test goes first.
    return FirstInvalidUtf8(text, true) == text.size() && HasThreeByteCharacter(text);
}

std::size_t FirstInvalidUtf8(std::string_view text, bool complete) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        bool cut = false;
        const std::size_t length = Utf8Length(text, pos, &cut);
        if (length == 0) return cut && !complete ? text.size() : pos;
        pos += length;
    }
    return pos;
}

std::size_t FirstInvalidSjis(std::string_view text, bool complete) {
    const std::size_t pos = SjisDecodableLength(text);
    // A lead byte that ends a block may be a character cut there.
    const bool cut = pos + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]));
    return cut && !complete ? text.size() : pos;
}

EncodingDecision DecideEncoding(std::string_view text, bool complete) {
    EncodingDecision decision;
    if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        decision.encoding = TextEncoding::kUtf8;
        return decision;
    }
    if (IsAscii(text)) return decision;
    const std::size_t utf8End = FirstInvalidUtf8(text, complete);
    const std::size_t sjisEnd = FirstInvalidSjis(text, complete);
    // Valid UTF-8 that is valid Shift_JIS too and holds no character of three bytes is half-width
    // katakana, not Japanese in UTF-8.
    if (utf8End == text.size() && (sjisEnd < text.size() || HasThreeByteCharacter(text))) {
        decision.encoding = TextEncoding::kUtf8;
        return decision;
    }
    if (sjisEnd == text.size()) {
        decision.encoding = TextEncoding::kSjis;
        return decision;
    }
    decision.encoding = TextEncoding::kNeither;
    decision.readFurther = utf8End > sjisEnd ? TextEncoding::kUtf8 : TextEncoding::kSjis;
    decision.badOffset = utf8End > sjisEnd ? utf8End : sjisEnd;
    return decision;
}

}  // namespace sjis
