#include "common/StatementLabel.h"

#include <span>

#include "common/LabelMarks.h"
#include "common/Sjis.h"

namespace sjis {

std::size_t CopyWithoutLabelMarks(std::string_view text, char* destination) {
    std::size_t out = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        bool removed = false;
        // Every mark begins with one of these bytes: the rest are copied at once.
        const unsigned char first = static_cast<unsigned char>(text[pos]);
        const bool candidate = first == ' ' || first == 0x81 || first == '(' || first == '[';
        for (std::string_view mark : candidate ? std::span<const std::string_view>(kLabelMarks)
                                               : std::span<const std::string_view>()) {
            if (text.substr(pos, mark.size()) == mark) {
                pos += mark.size();
                removed = true;
                break;
            }
        }
        if (removed) continue;
        // A double-byte character is copied whole: a mark is only looked for where a
        // character begins, never across one's trail byte.
        const std::size_t width = IsLeadByte(first) && pos + 1 < text.size() ? 2 : 1;
        for (std::size_t i = 0; i < width; ++i) destination[out++] = text[pos + i];
        pos += width;
    }
    return out;
}

std::string StatementLabel(std::string_view name) {
    const std::string_view kept = name.substr(0, FitLength(name, kFigureLabelBytes));
    std::string label(kept.size(), '\0');
    label.resize(CopyWithoutLabelMarks(kept, label.data()));
    return label;
}

std::string_view SeveralAccounts() {
    return "諸口";
}

}  // namespace sjis
