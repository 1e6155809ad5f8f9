#include <gtest/gtest.h>

#include <string>

#include "tests/view/Documents.h"
#include "tools/kcview/CodePage932Decoder.h"
#include "tools/kcview/ExportReader.h"

namespace kcview {
namespace {

// The company's name in the header, as bytes of code page 932.
std::string WithCompanyName(const std::string& bytes) {
    std::string text = testing::InCodePage932(testing::kTiedOut);
    const std::size_t start = text.find("<KOMONSAKINAME>") + std::string("<KOMONSAKINAME>").size();
    return text.replace(start, text.find("</KOMONSAKINAME>") - start, bytes);
}

struct Character {
    const char* bytes;
    const char* utf8;  // nullptr: no character
};

TEST(CodePage932Decoder, DecodesTheExportsCharactersAndRefusesTheRest) {
    const Character kCharacters[] = {
        {"A", "A"},         {"\xb1", "ｱ"},         {"\x82\xa0", "あ"},    {"\x81\x60", "～"},
        {"\x81\x5f", "＼"}, {"\x87\x8a", "㈱"},    {"\x87\x40", "①"},     {"\xfb\xfc", "髙"},
        {"\xed\x40", "纊"}, {"\x85\x40", nullptr}, {"\x80", nullptr},     {"\xa0", nullptr},
        {"\xfd", nullptr},  {"\xf0\x40", nullptr}, {"\x82\x20", nullptr},
    };
    for (const Character& character : kCharacters) {
        SCOPED_TRACE(character.bytes);
        ReadResult read = ReadExportBytes(WithCompanyName(character.bytes));
        if (!character.utf8) {
            EXPECT_FALSE(read.ok);
            EXPECT_EQ(read.line, testing::LineOf("<KOMONSAKINAME>"));
            continue;
        }
        ASSERT_TRUE(read.ok) << read.reason;
        EXPECT_EQ(read.document.basic.Child("KOMONSAKINAME")->text, character.utf8);
    }
}

// The parser decodes its input a piece at a time and the file comes in chunks: an odd count of
// bytes before a long run of double-byte characters cuts some of them at every boundary. A
// comment before the name puts the reader's first chunk boundary inside the run (a name stays
// within the reader's limit of a text).
TEST(CodePage932Decoder, CharactersCutBetweenChunksAreDecodedWhole) {
    std::string name = "x";
    std::string expected = "x";
    for (int i = 0; i < 300000; ++i) {
        name += "\xfb\xfc";
        expected += "髙";
    }
    std::string text = WithCompanyName(name);
    const std::size_t at = text.find("<KOMONSAKINAME>");
    ASSERT_NE(at, std::string::npos);
    text.insert(at, "<!--" + std::string(700000, 'x') + "-->");
    ReadResult read = ReadExportBytes(text);
    ASSERT_TRUE(read.ok) << read.reason;
    EXPECT_EQ(read.document.basic.Child("KOMONSAKINAME")->text, expected);
}

TEST(CodePage932Decoder, LeadByteAtTheEndOfTheFileIsRefused) {
    ReadResult read = ReadExportBytes(testing::InCodePage932(testing::kTiedOut) + "\x82");
    EXPECT_FALSE(read.ok);
}

TEST(CodePage932Decoder, PrefixStopsBeforeACutOrUndecodableCharacter) {
    struct Case {
        std::string bytes;
        std::size_t decodable;
        bool undecodable;
    };
    const Case kCases[] = {{"ab\x82\xa0", 4, false},
                           {"ab\x82", 2, false},
                           {"a\x85\x40z", 1, true},
                           {"\xa1\xdf\x80", 2, true}};
    for (const Case& c : kCases) {
        bool undecodable = true;
        EXPECT_EQ(DecodablePrefix(c.bytes, &undecodable), c.decodable) << c.bytes;
        EXPECT_EQ(undecodable, c.undecodable) << c.bytes;
    }
}

}  // namespace
}  // namespace kcview
