#include "common/FullWidth.h"

#include "common/Sjis.h"

namespace {

#include "common/FullWidthTables.inc"

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

void Append(std::string* out, const unsigned char (&pair)[2]) {
    out->push_back(static_cast<char>(pair[0]));
    out->push_back(static_cast<char>(pair[1]));
}

}  // namespace

std::string MapToFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t pos = 0; pos < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (sjis::IsLeadByte(c) && pos + 1 < text.size()) {
            out.append(text.substr(pos, 2));
            pos += 2;
        } else if (c >= 0x20 && c <= 0x7E) {
            Append(&out, kAsciiFullWidth[c - 0x20]);
            ++pos;
        } else if (c >= 0xA1 && c <= 0xDF) {
            std::size_t index = c - 0xA1u;
            unsigned char next =
                pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
            if (next == kVoicedMark && kKanaVoiced[index][0] != 0) {
                Append(&out, kKanaVoiced[index]);
                pos += 2;
            } else if (next == kSemiVoicedMark && kKanaSemiVoiced[index][0] != 0) {
                Append(&out, kKanaSemiVoiced[index]);
                pos += 2;
            } else {
                Append(&out, kKanaFullWidth[index]);
                ++pos;
            }
        } else {
            out.push_back(static_cast<char>(c));  // control bytes and the rest stay as they are
            ++pos;
        }
    }
    return out;
}
