// One start of the program: start-up, environment, login, the company record, and the exit
// that tells the caller.

#include "app/LinkApp.h"
#include "tests/books/BooksFixture.h"
#include "tests/doubles/FakePlatform.h"

namespace {

using books::test::BooksTest;
using books::test::SampleFiles;

class ForwardingPrompt : public books::LedgerPrompt {
public:
    explicit ForwardingPrompt(MessageService& messages) : messages_(messages) {}
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             unsigned flags) override {
        return messages_.Show(owner, std::string(text).c_str(), std::string(caption).c_str(),
                              flags);
    }

private:
    MessageService& messages_;
};

class StartAndExit : public BooksTest {
protected:
    void SetUp() override {
        BooksTest::SetUp();
        ASSERT_TRUE(Import(SampleFiles()).ok);
        fake.executablePath = "C:\\Program Files\\Link\\kcsakura.exe";
        fake.currentDirectory = "C:\\Users\\ann";
        fake.files["C:\\Program Files\\Link\\ZezavareDef.ini"] = "[ProgramLevel]\r\nHJ21=3\r\n";
        fake.folders.insert("C:\\out\\");
        // The user enters an output path and presses 実行.
        fake.dialogScript = [](DialogEvents& events, FakeControls& controls) {
            events.OnInit(controls);
            if (events.Ended() || !controls.IsEnabled(1015))
                return events.OnCommand(controls, 1002);
            controls.SetText(1015, "C:\\out\\typed.xml");
            events.OnCommand(controls, 1002);
        };
        config.storePath = store_;
        config.userId = "u1";
        config.prompt = &prompt;
    }

    // One start with `commandLine`, start-up and exit; the run result.
    RunResult Run(const std::string& commandLine) {
        books::ConfigureBooks(config);
        LinkApp app(fake.platform, kEditionKcsakura, commandLine);
        app.InitInstance();
        company = app.Company();
        tax = app.TaxSettings();
        app.ExitInstance();
        return app.Result();
    }

    std::vector<std::string> WindowCalls() const {
        std::vector<std::string> found;
        for (const auto& call : fake.calls) {
            if (call.rfind("Enable", 0) == 0 || call.rfind("SetForeground", 0) == 0 ||
                call.rfind("Post", 0) == 0) {
                found.push_back(call);
            }
        }
        return found;
    }

    FakePlatform fake;
    ForwardingPrompt prompt{fake};
    books::BooksConfig config;
    StDATAINFO company{};
    StSHOHIZEIINFO tax{};
};

TEST_F(StartAndExit, CompletedRunReadsTheCompanyAndTellsTheCaller) {
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kCompleted);
    EXPECT_EQ(fake.files["C:\\out\\a.xml"].substr(0, 5), "<?xml");
    EXPECT_STREQ(company.dataId, "D001");
    EXPECT_EQ(company.dataNo, 1);
    EXPECT_EQ(tax.taxInclusive, 0);
    // The program's own folder becomes the working directory.
    EXPECT_TRUE(fake.Called("SetCurrentDirectory C:\\Program Files\\Link\\"));
    // Disabled during the run; usable again before the result arrives.
    EXPECT_EQ(WindowCalls(),
              (std::vector<std::string>{"Enable 1234 0", "SetForeground 1234", "Enable 1234 1",
                                        "Post 1234 1025 7 0", "Enable 1234 1"}));
    EXPECT_EQ(ClAccConnect::Inst().AppType(), 4);
    EXPECT_EQ(ClAccConnect::Inst().UseDataType(), 1);
    EXPECT_STREQ(ClAccConnect::Inst().Title, "決算書");
    EXPECT_EQ(ClSetData().GetSelectedInfo(), nullptr);  // logged out at exit
}

TEST_F(StartAndExit, WParamIsPostedSignExtended) {
    Run("1234,1025,40000,");
    EXPECT_TRUE(fake.Called("Post 1234 1025 -25536 0"));
    EXPECT_NE(fake.files["C:\\out\\typed.xml"].find("<FUNCTIONID>-25536</FUNCTIONID>"),
              std::string::npos);
}

TEST_F(StartAndExit, WithoutACallersLineNothingIsPostedAndNoWindowTouched) {
    EXPECT_EQ(Run("1234,1025"), kCompleted);
    EXPECT_TRUE(WindowCalls().empty());
    EXPECT_STREQ(company.dataId, "D001");
}

TEST_F(StartAndExit, EachEditionAnnouncesItsApplicationType) {
    const Edition* editions[] = {&kEditionKcsakura, &kEditionKcqb7, &kEditionKcneo, &kEditionKcstd};
    const int types[] = {4, 5, 3, 0};
    for (int i = 0; i < 4; ++i) {
        books::ConfigureBooks(config);
        LinkApp app(fake.platform, *editions[i], "");
        app.InitInstance();
        app.ExitInstance();
        EXPECT_EQ(ClAccConnect::Inst().AppType(), types[i]) << editions[i]->name;
    }
}

TEST_F(StartAndExit, EnvironmentRefusalFailsBeforeLogin) {
    fake.files["C:\\Program Files\\Link\\ZezavareDef.ini"] = "[ProgramLevel]\r\nHJ21=2\r\n";
    EXPECT_EQ(Run("1234,1025,7,"), kFailed);
    EXPECT_EQ(company.dataNo, 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].owner, 1234);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

TEST_F(StartAndExit, DeclinedLoginIsCancelled) {
    config.userId.clear();  // two users: each is asked, both decline
    EXPECT_EQ(Run("1234,1025,7,"), kCancelled);
    EXPECT_EQ(fake.boxes.size(), 2u);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 1"));
}

TEST_F(StartAndExit, FailedLoginFails) {
    config.storePath = dir_ + "/missing.books";
    EXPECT_EQ(Run("1234,1025,7,"), kFailed);
    EXPECT_EQ(fake.boxes.size(), 1u);  // the connection library says why
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

TEST_F(StartAndExit, InitiateFailureEndsSilentlyAndPostsNothing) {
    config.faults["ClAccConnect::Initiate"] = {9, 0};
    EXPECT_EQ(Run("1234,1025,7,"), kCompleted);
    EXPECT_TRUE(WindowCalls().empty());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_FALSE(fake.Called("SetCurrentDirectory C:\\Program Files\\Link\\"));
}

TEST_F(StartAndExit, UnreadableCompanyAndTaxLeaveZeroFilledRecords) {
    config.faults["ClSetData::WalkDat"] = {77, 0};
    config.faults["ClSetShohizei::Get"] = {77, 0};
    config.userId = "u2";  // its data set keeps amounts with tax
    // A zero-filled record is not in the Companies-Act form: the dialog refuses it.
    EXPECT_EQ(Run("1234,1025,7,"), kCancelled);
    EXPECT_EQ(company.dataNo, 0);
    EXPECT_EQ(tax.taxInclusive, 0);
    ASSERT_FALSE(fake.boxes.empty());
    EXPECT_NE(fake.boxes[0].text.find("会社法(H18.5施行)"), std::string::npos);
}

TEST_F(StartAndExit, SecondDataSetsTaxSettingsAreRead) {
    config.userId = "u2";
    EXPECT_EQ(Run(""), kCompleted);
    EXPECT_STREQ(company.dataId, "D002");
    EXPECT_EQ(tax.taxInclusive, 1);
}

}  // namespace
