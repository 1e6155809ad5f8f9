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
