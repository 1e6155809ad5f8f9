#pragma once

// The blanks, brackets and marks the export removes from every account name and label it writes,
// in the order it tests them (report/FigureLookup.cpp). The import refuses a name
// made of nothing else: the statements would show an empty label for it.

#include <string_view>

#include "common/Sjis.h"

namespace sjis {

// Shift_JIS literals (the sources are compiled for code page 932).
inline constexpr std::string_view kLabelMarks[] = {" ",    "　",   "【",   "】",  "《",   "》",
                                                   "（",   "）",   "［",   "］",  "(製)", "[製]",
                                                   "(完)", "[完]", "(未)", "[未]"};

// True when nothing of the Shift_JIS `text` is left once the marks are removed, looked for
// only where a character begins, as the export does.
constexpr bool IsOnlyLabelMarks(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        bool removed = false;
        for (std::string_view mark : kLabelMarks) {
            if (text.substr(pos, mark.size()) == mark) {
                pos += mark.size();
                removed = true;
                break;
            }
        }
        if (!removed) return false;
    }
    return true;
}

}  // namespace sjis
