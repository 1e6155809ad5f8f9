// The tax application's definition file and its program level.

#include <gtest/gtest.h>

#include "app/LinkApp.h"
#include "books/Books.h"
#include "host/HostPrompt.h"
#include "tests/doubles/FakePlatform.h"

namespace {

// As the user reads them: the message service names the tax package.
const char* const kInvalid =
    "動作環境が不正です。\n法人税申告ソフトが正しくインストールされているか確認してください。\n\n"
    "確認したファイル: D:\\Tax\\ZezavareDef.ini";
const char* const kOlder =
    "ご利用の連動コンポーネントは、インストールされている法人税申告ソフトでは使用できません。\n"
    "法人税申告ソフトの最新版を入手してインストールしてからご利用ください。";
const char* const kNewer =
    "ご利用の連動コンポーネントは、インストールされている法人税申告ソフトでは使用できません。\n"
    "連動コンポーネントの最新版を入手してインストールしてからご利用ください。";

class Environment : public ::testing::Test {
protected:
    void SetUp() override {
        books::BooksConfig config;
        config.prompt = &prompt;
        books::ConfigureBooks(config);
        fake.currentDirectory = "D:\\Tax";
    }
    void TearDown() override { books::ConfigureBooks(books::BooksConfig{}); }

    // Runs the check with a definition file holding `content` (none when null).
    int Check(const char* content, const std::string& file = "D:\\Tax\\ZezavareDef.ini") {
        if (content) fake.files[file] = content;
        return app.CheckEnvironment(1);
    }
    // The same, by the application a caller started with `line`.
    int CheckStartedBy(const char* line, const char* content) {
        LinkApp started{fake.platform, kEditionKcsakura, ParseCallerLine(line)};
        fake.files["D:\\Tax\\ZezavareDef.ini"] = content;
        return started.CheckEnvironment(1);
    }

    FakePlatform fake;
    HostPrompt prompt{fake};
    LinkApp app{fake.platform, kEditionKcsakura};
};

TEST_F(Environment, LevelThreePassesSilently) {
    EXPECT_EQ(Check("[ProgramLevel]\r\nHJ21=3\r\n"), 1);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_TRUE(fake.Called("FileExists D:\\Tax\\ZezavareDef.ini"));
}

TEST_F(Environment, DefinitionFileIsLookedForInTheWorkingDirectory) {
    fake.currentDirectory = "D:\\";
    EXPECT_EQ(Check("[ProgramLevel]\nHJ21=3\n", "D:\\ZezavareDef.ini"), 1);
    EXPECT_TRUE(fake.Called("FileExists D:\\ZezavareDef.ini"));
}

TEST_F(Environment, TrailByte5CIsNotASeparator) {
    fake.currentDirectory = "D:\\\x95\x5C";  // a folder named "表"
    EXPECT_EQ(Check("[ProgramLevel]\nHJ21=3\n", "D:\\\x95\x5C\\ZezavareDef.ini"), 1);
}

struct LevelCase {
    const char* content;
    int passes;
    const char* message;
};

class EnvironmentLevels : public Environment, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(EnvironmentLevels, ShowsItsMessageAsAWarningOwnedByTheCaller) {
    const LevelCase& level = GetParam();
    EXPECT_EQ(CheckStartedBy("4321,1025,7,", level.content), level.passes);
    if (level.passes) {
        EXPECT_TRUE(fake.boxes.empty());
        return;
    }
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, level.message);
    EXPECT_EQ(fake.boxes[0].caption, "決算書");
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
    EXPECT_EQ(fake.boxes[0].owner, 4321);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, EnvironmentLevels,
    ::testing::Values(LevelCase{"[ProgramLevel]\nHJ21=2\n", 0, kOlder},
                      LevelCase{"[ProgramLevel]\nHJ21=4\n", 0, kNewer},
                      LevelCase{"[ProgramLevel]\nHJ21=03\n", 1, nullptr},
                      LevelCase{"[ProgramLevel]\nHJ21= 3\n", 1, nullptr},
                      LevelCase{"[ProgramLevel]\nHJ21=\n", 0, kInvalid},
                      LevelCase{"[ProgramLevel]\nOther=3\n", 0, kOlder},  // missing key: default 1
                      LevelCase{"[programlevel]\nhj21=3\n", 1, nullptr},
                      LevelCase{"[ProgramLevel]\nHJ21=x\n", 0, kOlder},  // not a number: 0
                      LevelCase{"[ProgramLevel]\nHJ21=3\nHJ21=4\n", 1,
                                nullptr},  // the first key wins
                      LevelCase{"[ProgramLevel]\nHJ21=2\n[ProgramLevel]\nHJ21=3\n", 0, kOlder},
                      LevelCase{"\x01\x02\xFF\xFE[ProgramLevel\x00\nHJ21=3", 0, kOlder}));

TEST_F(Environment, ALineThatFailsPartWayStillNamesTheOwnerOfItsMessage) {
    EXPECT_EQ(CheckStartedBy("4321,1025", "[ProgramLevel]\nHJ21=2\n"), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, kOlder);
    EXPECT_EQ(fake.boxes[0].owner, 4321);
}

TEST_F(Environment, MissingFileIsAnInvalidEnvironment) {
    EXPECT_EQ(Check(nullptr), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, kInvalid);
    EXPECT_EQ(fake.boxes[0].owner, kNoWindow);
    EXPECT_EQ(fake.CallsOf("GetPrivateProfileString").size(), 0u);
}

TEST_F(Environment, TheMessageServiceNamesThePackageOnlyWhereTheTokenIsWhole) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"ES_APRPACKAGENAME", "法人税申告ソフト"},
        {"ES_APRPACKAGENAME\nES_APRPACKAGENAME", "法人税申告ソフト\n法人税申告ソフト"},
        {"ES_APRPACKAGE", "ES_APRPACKAGE"},
        // 0x82 0x45 is one character: the token's E is its trail byte, not the token's start.
        {"\x82"
         "ES_APRPACKAGENAME",
         "\x82"
         "ES_APRPACKAGENAME"},
        {"\x82\x82"
         "ES_APRPACKAGENAME",
         "\x82\x82"
         "法人税申告ソフト"},
    };
    for (const auto& c : cases) {
        fake.boxes.clear();
        ClAccConnect::Inst().DispMsg(kNoWindow, c.text.c_str(), "決算書", 0x30);
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(fake.boxes[0].text, c.shown) << c.text;
    }
}

TEST_F(Environment, WithoutTheFlagNothingIsShown) {
    fake.files["D:\\Tax\\ZezavareDef.ini"] = "[ProgramLevel]\nHJ21=9\n";
    EXPECT_EQ(app.CheckEnvironment(0), 0);
    EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
