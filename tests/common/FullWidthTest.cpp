// The full-width table against code page 932 itself: each printable ASCII character maps to its
// full-width form (U+FF01 to U+FF5E, the blank to U+3000) as code page 932 writes it, as
// LCMapString with LCMAP_FULLWIDTH gives it on Windows.

#include <gtest/gtest.h>

#include <string>

#include "common/Encoding.h"
#include "common/FullWidth.h"

namespace {

std::string Utf8Of(char32_t c) {
    std::string out;
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    return out;
}

TEST(FullWidthTable, EveryPrintableAsciiCharacterIsItsCodePage932FullWidthForm) {
    for (int c = 0x20; c <= 0x7E; ++c) {
        char32_t wide = c == 0x20 ? U'\u3000' : static_cast<char32_t>(0xFF01 + (c - 0x21));
        std::string expected;
        ASSERT_TRUE(sjis::Utf8ToSjis(Utf8Of(wide), &expected))
            << "U+" << std::hex << static_cast<unsigned>(wide);
        EXPECT_EQ(MapToFullWidth(std::string(1, static_cast<char>(c))), expected)
            << "character 0x" << std::hex << c;
    }
}

TEST(FullWidthTable, QuotesAreTheCodesCodePage932WritesForThem) {
    EXPECT_EQ(MapToFullWidth("\""), "\xFA\x57");
    EXPECT_EQ(MapToFullWidth("'"), "\xFA\x56");
}

}  // namespace
