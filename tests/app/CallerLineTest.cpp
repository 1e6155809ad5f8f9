// The caller's line: window, message, wParam and an output path.

#include <gtest/gtest.h>

#include <limits>

#include "app/CallerLine.h"

namespace {

TEST(CallerLine, FourthFieldKeepsItsCommas) {
    const CallerLine line = ParseCallerLine("1234,1025,7,C:\\out,put\\a,b.xml");
    ASSERT_TRUE(line.fromCaller);
    EXPECT_EQ(line.link.window, 1234);
    EXPECT_EQ(line.link.message, 1025);
    EXPECT_EQ(line.link.wParam, 7);
    EXPECT_EQ(line.link.path, "C:\\out,put\\a,b.xml");
    EXPECT_FALSE(line.pathTooLong);
}

TEST(CallerLine, EmptyFourthFieldIsACallersLineWithoutAPath) {
    const CallerLine line = ParseCallerLine("1234,1025,7,");
    ASSERT_TRUE(line.fromCaller);
    EXPECT_EQ(line.link.path, "");
    EXPECT_FALSE(line.pathTooLong);
}

TEST(CallerLine, FewerThanThreeCommasIsNotACallersLine) {
    EXPECT_FALSE(ParseCallerLine("").fromCaller);
    EXPECT_FALSE(ParseCallerLine("1234").fromCaller);
    const CallerLine line = ParseCallerLine("1234,1025,7");
    EXPECT_FALSE(line.fromCaller);
    EXPECT_EQ(line.link.wParam, 3);  // the function identifier stays 3
    // The fields read before the failure stay: the window owns the environment's messages.
    EXPECT_EQ(line.link.window, 1234);
    EXPECT_EQ(line.link.message, 1025);
}

TEST(CallerLine, WParamKeepsItsLow16BitsAsASignedValue) {
    const std::pair<const char*, std::int16_t> cases[] = {
        {"1,2,70000,", 4464}, {"1,2,40000,", -25536}, {"1,2,65535,", -1}};
    for (const auto& [text, wParam] : cases) {
        const CallerLine line = ParseCallerLine(text);
        ASSERT_TRUE(line.fromCaller) << text;
        EXPECT_EQ(line.link.wParam, wParam) << text;
    }
}

TEST(CallerLine, FieldsConvertAsDecimalText) {
    CallerLine line = ParseCallerLine("  -12,abc, +5x,");
    ASSERT_TRUE(line.fromCaller);
    EXPECT_EQ(line.link.window, -12);
    EXPECT_EQ(line.link.message, 0);
    EXPECT_EQ(line.link.wParam, 5);
    // Beyond 32 bits a field is held at the 32-bit limit.
    line = ParseCallerLine("99999999999,-99999999999,99999999999,");
    ASSERT_TRUE(line.fromCaller);
    EXPECT_EQ(line.link.window, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(line.link.message, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(line.link.wParam, -1);
}

// The path is held to the system's limit as a whole: 255 bytes of Shift_JIS, a double-byte
// character counting two. Over it, the path is refused whole and nothing of it kept; the fields
// before it still name the caller, who is told the run failed.
TEST(CallerLine, PathIsTakenWholeUpToTheLimitAndRefusedWholeBeyondIt) {
    const std::string a = "\x82\xA0";  // あ
    struct Case {
        const char* name;
        std::string path;
        bool taken;
    };
    const Case cases[] = {
        {"255 single bytes", "C:\\" + std::string(252, 'a'), true},
        {"256 single bytes", "C:\\" + std::string(253, 'a'), false},
        {"a double-byte character ends at byte 255", "C:\\" + std::string(250, 'a') + a, true},
        {"a double-byte character ends at byte 256", "C:\\" + std::string(251, 'a') + a, false},
        {"commas count as bytes", "C:\\" + std::string(252, ','), true},
        {"a line of commas", std::string(100000, ','), false},
    };
    for (const Case& c : cases) {
        const CallerLine line = ParseCallerLine("1,2,3," + c.path);
        ASSERT_TRUE(line.fromCaller) << c.name;
        EXPECT_EQ(line.link.window, 1) << c.name;
        EXPECT_EQ(line.link.message, 2) << c.name;
        EXPECT_EQ(line.link.wParam, 3) << c.name;
        EXPECT_EQ(line.pathTooLong, !c.taken) << c.name;
        EXPECT_EQ(line.link.path, c.taken ? c.path : "") << c.name;
    }
}

}  // namespace
