#include <gtest/gtest.h>

#include "host/Profile.h"

namespace {

TEST(Profile, FindsTheFirstKeyOfTheFirstSection) {
    std::string text =
        "; comment\r\n[Other]\r\nHJ21=9\r\n[ ProgramLevel ]\r\n  hj21 = \"3\" \r\nHJ21=4\r\n";
    EXPECT_EQ(FindProfileValue(text, "ProgramLevel", "HJ21"), "3");
    EXPECT_EQ(FindProfileValue(text, "Other", "HJ21"), "9");
    EXPECT_FALSE(FindProfileValue(text, "ProgramLevel", "HJ22").has_value());
    EXPECT_FALSE(FindProfileValue(text, "Missing", "HJ21").has_value());
    EXPECT_EQ(FindProfileValue("[S]\nK=\n", "S", "K"), "");
}

TEST(Profile, RepeatedSectionOnlyTheFirstCounts) {
    EXPECT_FALSE(FindProfileValue("[S]\nA=1\n[S]\nK=2\n", "S", "K").has_value());
}

TEST(Profile, BinaryAndHugeTextIsReadWithoutHarm) {
    std::string binary(1 << 20, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 131 % 256);
    EXPECT_FALSE(FindProfileValue(binary, "ProgramLevel", "HJ21").has_value());
    std::string huge(8 << 20, 'x');
    huge += "\n[ProgramLevel]\nHJ21=3\n";
    EXPECT_EQ(FindProfileValue(huge, "ProgramLevel", "HJ21"), "3");
}

}  // namespace

// kcbooks.ini as Notepad saves it: each encoding gives the same text; bytes of none are refused.
TEST(Profile, SettingsTextInEveryEncodingNotepadSaves) {
    const std::string utf8 = "[Books]\r\nStore=\xE5\xBA\x97.db\r\n";  // 店.db
    const struct {
        const char* what;
        std::string bytes;
        std::optional<std::string> text;
    } cases[] = {
        {"UTF-8 without a mark", utf8, utf8},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8, utf8},
        {"Shift_JIS", std::string("[Books]\r\nStore=\x93\x58.db\r\n"), utf8},
        {"UTF-16 with its mark",
         std::string(
             "\xFF\xFE[\0B\0o\0o\0k\0s\0]\0\r\0\n\0S\0t\0o\0r\0e\0=\0\x97\x5E.\0d\0b\0\r\0\n\0",
             44),
         utf8},
        {"UTF-16 with a character beyond the plane", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6),
         std::string("\xF0\x9F\x98\x80")},
        {"UTF-16 with a lone surrogate", std::string("\xFF\xFE\x3D\xD8", 4), std::nullopt},
        {"none of them", std::string("\x85\x40"), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProfileTextAsUtf8(c.bytes), c.text) << c.what;
        if (c.text == utf8) {
            EXPECT_EQ(FindProfileValue(*c.text, "Books", "Store"), "\xE5\xBA\x97.db");
        }
    }
}
