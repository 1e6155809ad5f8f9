#include "books/TextRules.h"

#include "common/LabelMarks.h"

namespace books {

std::string ByteText(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

std::string TextFault(std::string_view text, std::size_t limit) {
    if (text.size() > limit) {
        return "text is " + std::to_string(text.size()) + " bytes in Shift_JIS, at most " +
               std::to_string(limit) + " are allowed";
    }
    // Shift_JIS trail bytes start at 0x40, so every byte below 0x20 is a control character.
    for (unsigned char c : text) {
        if (c == 0) return "text holds a NUL byte";
        if (c < 0x20) return "text holds the control character " + ByteText(c);
    }
    return std::string();
}

std::string NameFault(std::string_view text) {
    if (!sjis::IsOnlyLabelMarks(text)) return std::string();
    // UTF-8 like every message of the books (narrow literals are Shift_JIS).
    return reinterpret_cast<const char*>(
        u8"nothing is left once blanks, brackets and the marks (製) (完) (未) are removed, as "
        u8"the statements remove them");
}

std::string NameTextFault(std::string_view text, std::size_t limit) {
    std::string fault = TextFault(text, limit);
    return fault.empty() ? NameFault(text) : fault;
}

}  // namespace books
