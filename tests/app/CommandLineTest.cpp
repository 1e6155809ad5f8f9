// The caller's command line: window, message, wParam and an output path.

#include <gtest/gtest.h>

#include <limits>

#include "app/LinkApp.h"
#include "tests/doubles/FakePlatform.h"

namespace {

class CommandLine : public ::testing::Test {
protected:
    FakePlatform fake;
    LinkApp app{fake.platform, kEditionKcsakura, ""};
};

TEST_F(CommandLine, FourthFieldKeepsItsCommas) {
    ASSERT_EQ(app.ParseCommandLine("1234,1025,7,C:\\out,put\\a,b.xml"), 1);
    EXPECT_EQ(app.Caller().window, 1234);
    EXPECT_EQ(app.Caller().message, 1025);
    EXPECT_EQ(app.Caller().wParam, 7);
    EXPECT_EQ(app.Caller().text, "C:\\out,put\\a,b.xml");
}

TEST_F(CommandLine, EmptyFourthFieldIsValidWithoutText) {
    ASSERT_EQ(app.ParseCommandLine("1234,1025,7,"), 1);
    EXPECT_EQ(app.Caller().text, "");
}

TEST_F(CommandLine, FewerThanThreeCommasIsNotACallersLine) {
    EXPECT_EQ(app.ParseCommandLine(""), 0);
    EXPECT_EQ(app.ParseCommandLine("1234"), 0);
    EXPECT_EQ(app.ParseCommandLine("1234,1025,7"), 0);
    EXPECT_EQ(app.Caller().wParam, 3);  // the function identifier stays 3
    // The fields read before the failure stay.
    EXPECT_EQ(app.Caller().window, 1234);
}

TEST_F(CommandLine, WParamKeepsItsLow16BitsAsASignedValue) {
    ASSERT_EQ(app.ParseCommandLine("1,2,70000,"), 1);
    EXPECT_EQ(app.Caller().wParam, 4464);
    ASSERT_EQ(app.ParseCommandLine("1,2,40000,"), 1);
    EXPECT_EQ(app.Caller().wParam, -25536);
    ASSERT_EQ(app.ParseCommandLine("1,2,65535,"), 1);
    EXPECT_EQ(app.Caller().wParam, -1);
}

TEST_F(CommandLine, FieldsConvertAsDecimalText) {
    ASSERT_EQ(app.ParseCommandLine("  -12,abc, +5x,"), 1);
    EXPECT_EQ(app.Caller().window, -12);
    EXPECT_EQ(app.Caller().message, 0);
    EXPECT_EQ(app.Caller().wParam, 5);
    // Beyond 32 bits a field is held at the 32-bit limit.
    ASSERT_EQ(app.ParseCommandLine("99999999999,-99999999999,99999999999,"), 1);
    EXPECT_EQ(app.Caller().window, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(app.Caller().message, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(app.Caller().wParam, -1);
}

TEST_F(CommandLine, LongLineIsTakenWholeAndItsPathNeverCut) {
    // Whatever its length, the line is the caller's: the path is held to its limit later, as
    // a whole, never cut to fit a buffer.
    std::string path = "C:\\" + std::string(251, 'a');  // 254 bytes
    std::string line = "1,2,3," + path + "\x82\xA0";    // 262 bytes, a double-byte character last
    ASSERT_EQ(app.ParseCommandLine(line.c_str()), 1);
    EXPECT_EQ(app.Caller().window, 1);
    EXPECT_EQ(app.Caller().text, path + "\x82\xA0");
    LinkApp fresh{fake.platform, kEditionKcsakura, ""};
    std::string huge(100000, ',');
    ASSERT_EQ(fresh.ParseCommandLine(huge.c_str()), 1);
    EXPECT_EQ(fresh.Caller().text.size(), 99997u);
}

}  // namespace
