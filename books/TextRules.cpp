#include "books/TextRules.h"

#include "common/LabelMarks.h"
#include "messages/kcbooks/KcbooksMessages.h"

namespace books {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

std::string ByteText(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

std::string TextFault(std::string_view text, std::size_t limit) {
    if (text.size() > limit) {
        return Say(Id::kTextTooLong, {{"bytes", text.size()}, {"limit", limit}});
    }
    // Shift_JIS trail bytes start at 0x40, so every byte below 0x20 is a control character.
    for (unsigned char c : text) {
        if (c == 0) return Say(Id::kTextHoldsNul);
        if (c < 0x20) return Say(Id::kTextHoldsControl, {{"byte", ByteText(c)}});
    }
    return std::string();
}

std::string NameFault(std::string_view text) {
    if (!sjis::IsOnlyLabelMarks(text)) return std::string();
    return Say(Id::kNothingBesideMarks);
}

std::string NameTextFault(std::string_view text, std::size_t limit) {
    std::string fault = TextFault(text, limit);
    return fault.empty() ? NameFault(text) : fault;
}

}  // namespace books
