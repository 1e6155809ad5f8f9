// The conversion remembers what iconv made of each character; these tests hold it to iconv
// converting the whole text, over every character code page 932 has and texts cut anywhere.

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/Encoding.h"

namespace {

// iconv over the whole text: nullopt where it refuses.
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(in.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::optional<std::string> Decoded(std::string_view sjis) {
    std::string out;
    if (!sjis::SjisToUtf8(sjis, &out)) return std::nullopt;
    return out;
}

std::optional<std::string> Encoded(std::string_view utf8) {
    std::string out;
    if (!sjis::Utf8ToSjis(utf8, &out)) return std::nullopt;
    return out;
}

std::string Utf8Of(char32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

TEST(Encoding, EveryOneAndTwoByteSequenceDecodesAsIconvDecodesIt) {
    int characters = 0;
    for (int first = 0; first < 0x100; ++first) {
        std::string one(1, static_cast<char>(first));
        ASSERT_EQ(Decoded(one), Iconv("UTF-8", "CP932", one)) << "byte " << first;
        for (int second = 0; second < 0x100; ++second) {
            std::string two{static_cast<char>(first), static_cast<char>(second)};
            std::optional<std::string> expected = Iconv("UTF-8", "CP932", two);
            ASSERT_EQ(Decoded(two), expected) << "bytes " << first << " " << second;
            if (expected && first >= 0x81 && !(first >= 0xA1 && first <= 0xDF)) ++characters;
        }
    }
    // The two-byte characters of code page 932, NEC's and IBM's rows included.
    EXPECT_EQ(characters, 7724 + 1880);
}

TEST(Encoding, EveryCodePointEncodesAsIconvEncodesIt) {
    for (char32_t code = 0; code < 0x110000; code = code < 0x10000 ? code + 1 : code + 0x1001) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::string text = Utf8Of(code);
        ASSERT_EQ(Encoded(text), Iconv("CP932", "UTF-8", text))
            << "U+" << std::hex << static_cast<unsigned>(code);
    }
}

TEST(Encoding, MalformedUtf8IsRefusedAsIconvRefusesIt) {
    const std::vector<std::string> texts = {
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xE3\x81",          // cut
        "\x80",              // a lone continuation byte
        "\xE3\x81\x82\xFF",  // あ and a byte UTF-8 never has
        "a\xE3\x41\x82",     // a continuation byte missing
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(Encoded(text), std::nullopt) << text;
        EXPECT_EQ(Iconv("CP932", "UTF-8", text), std::nullopt) << text;
    }
}

// Texts of characters, broken characters and stray bytes, converted both ways: the same as iconv.
TEST(Encoding, MixedTextsConvertAsIconvConvertsThem) {
    const std::vector<std::string> pieces = {
        "A",    ",",    "\x82\xA0", "\x87\x40", "\xFA\x40", "\xFB\xFC", "\xB1",     "\x81\x60",
        "\x5C", "\x7E", "\x82",     "\xFD",     "\xA0",     "\x80",     "\xEF\x40", "\x81\x7F",
    };
    std::mt19937 random(932);
    for (int round = 0; round < 20000; ++round) {
        std::string sjis;
        int count = static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) sjis += pieces[random() % pieces.size()];
        std::optional<std::string> utf8 = Iconv("UTF-8", "CP932", sjis);
        ASSERT_EQ(Decoded(sjis), utf8);
        if (utf8) {
            ASSERT_EQ(Encoded(*utf8), Iconv("CP932", "UTF-8", *utf8));
            std::string cut = utf8->substr(0, random() % (utf8->size() + 1));
            ASSERT_EQ(Encoded(cut), Iconv("CP932", "UTF-8", cut));
        }
    }
}

TEST(Encoding, LossyDecodingMarksEachByteThatIsNoCharacter) {
    struct Case {
        std::string sjis;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"\x82\xA0\x82\xA2", "\xE3\x81\x82\xE3\x81\x84"},
        {"\x82\xA0\xFF", "\xE3\x81\x82?"},
        {"\x82", "?"},           // a lead byte cut off at the end
        {"\x82\x41", "?A"},      // a lead byte before no trail byte: the next byte stands alone
        {"A\x80\xA0Z", "A??Z"},  // bytes that are no character
        {"\xB1\xDD", "\xEF\xBD\xB1\xEF\xBE\x9D"},  // half-width katakana
    };
    for (const Case& c : cases) EXPECT_EQ(sjis::SjisToUtf8Lossy(c.sjis), c.shown) << c.shown;
}

}  // namespace
