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

// The import window points kcbooks.ini at new books: Store= is set where the user would look for
// it, every other line stays, and the file stays in the encoding the user's Notepad saved it in.
TEST(Profile, ValueSetKeepsTheFileAsTheUserSavedIt) {
    const std::string shop = "\xE5\xBA\x97";       // 店 in UTF-8
    const std::string shopSjis = "\x93\x58";       // 店 in Shift_JIS
    const std::string hokke = "\xF0\xA9\xB8\xBD";  // 𩸽: no Shift_JIS form
    const struct {
        const char* what;
        std::string before;
        std::string value;
        std::optional<std::string> after;
    } cases[] = {
        {"a new file is Shift_JIS with CR LF", "", "C:\\" + shop,
         "[Books]\r\nStore=C:\\" + shopSjis + "\r\n"},
        {"the commented example stays, the value goes after the header",
         "; x\r\n[Books]\r\n;Store=C:\\a\r\nUser=y\r\n", "D:\\b",
         "; x\r\n[Books]\r\nStore=D:\\b\r\n;Store=C:\\a\r\nUser=y\r\n"},
        {"the key's line is replaced in place, in another case, with LF alone",
         "[books]\nuser=y\n  store = old\nstore=second\n", "new",
         "[books]\nuser=y\nStore=new\nstore=second\n"},
        {"only the first section counts", "[Other]\nStore=x\n[Books]\nA=1\n[Books]\nStore=z\n", "v",
         "[Other]\nStore=x\n[Books]\nStore=v\nA=1\n[Books]\nStore=z\n"},
        {"a section missing is added after a last line without its end", "[Other]\r\nA=1", "v",
         "[Other]\r\nA=1\r\n[Books]\r\nStore=v\r\n"},
        {"a header on the last line without its end", "[Books]", "v", "[Books]\r\nStore=v\r\n"},
        {"Shift_JIS stays Shift_JIS", "[Books]\r\n; " + shopSjis + "\r\n", shop,
         "[Books]\r\nStore=" + shopSjis + "\r\n; " + shopSjis + "\r\n"},
        {"UTF-8 stays UTF-8", "[Books]\n; " + shop + "\n", "x",
         "[Books]\nStore=x\n; " + shop + "\n"},
        {"UTF-8 keeps its mark", "\xEF\xBB\xBF[Books]\n", shop,
         "\xEF\xBB\xBF[Books]\nStore=" + shop + "\n"},
        {"Shift_JIS without a form for the value turns UTF-8 with a mark",
         "[Books]\r\n; " + shopSjis + "\r\n", hokke,
         "\xEF\xBB\xBF[Books]\r\nStore=" + hokke + "\r\n; " + shop + "\r\n"},
        {"UTF-16 stays UTF-16", std::string("\xFF\xFE[\0B\0o\0o\0k\0s\0]\0\n\0", 18), shop,
         std::string("\xFF\xFE[\0B\0o\0o\0k\0s\0]\0\n\0S\0t\0o\0r\0e\0=\0\x97\x5E\n\0", 34)},
        {"bytes of no encoding are left alone", "[Books]\n\xFF\xFF\n", "x", std::nullopt},
        {"a value that is not UTF-8 is not written", "[Books]\n", "\xFF", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> after =
            ProfileWithValue(c.before, "Books", "Store", c.value);
        EXPECT_EQ(after, c.after) << c.what;
        if (after) {
            EXPECT_EQ(FindProfileValue(*ProfileTextAsUtf8(*after), "Books", "Store"), c.value)
                << c.what;
        }
    }
}
