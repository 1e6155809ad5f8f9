// One start of the program: start-up, environment, login, the company record, and the exit
// that tells the caller.

#include "app/LinkApp.h"
#include "host/HostPrompt.h"
#include "tests/books/BooksFixture.h"
#include "tests/doubles/FakePlatform.h"

namespace {

using books::test::BooksTest;
using books::test::SampleFiles;

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
        LinkApp app(fake.platform, kEditionKcsakura, ParseCallerLine(commandLine));
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
    HostPrompt prompt{fake};
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
        LinkApp app(fake.platform, *editions[i]);
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

// No memory for the few lines of the definition file: the documented message, not an abort.
TEST_F(StartAndExit, NoMemoryForTheDefinitionFileShowsTheMemoryMessageAndFails) {
    fake.failProfileAllocation = true;
    EXPECT_EQ(Run("1234,1025,7,"), kFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "ﾒﾓﾘが不足しています。");
    EXPECT_EQ(fake.boxes[0].owner, 1234);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
    EXPECT_EQ(company.dataNo, 0);  // refused before login
}

TEST_F(StartAndExit, CallersPathLongerThan255BytesIsRefusedAndTheCallerToldItFailed) {
    const std::string path = "C:\\out\\" + std::string(245, 'a') + ".xml";  // 256 bytes
    EXPECT_EQ(Run("1234,1025,7," + path), kFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text,
              "呼び出し元から指定された出力先が長すぎます。\n\n"
              "出力先は半角255文字（全角127文字）以内で指定してください。\n\n"
              "アプリケーションを終了します。");
    EXPECT_EQ(fake.boxes[0].owner, 1234);
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
    EXPECT_EQ(WindowCalls(),
              (std::vector<std::string>{"Enable 1234 0", "SetForeground 1234", "Enable 1234 1",
                                        "Post 1234 1025 7 2", "Enable 1234 1"}));
    EXPECT_TRUE(fake.templatesShown.empty());
    EXPECT_EQ(company.dataNo, 0);  // refused before login
    for (const auto& [name, content] : fake.files) {
        EXPECT_EQ(name.find("C:\\out\\"), std::string::npos) << name;
    }
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

// The export run.
class ExportRun : public StartAndExit {
protected:
    void SetUp() override {
        StartAndExit::SetUp();
        config.settingsFolder = "C:\\set";
        fake.folders.insert("C:\\set\\");
    }
    std::size_t IndexOf(const std::string& prefix) const {
        for (std::size_t i = 0; i < fake.calls.size(); ++i) {
            if (fake.calls[i].rfind(prefix, 0) == 0) return i;
        }
        return std::string::npos;
    }
    const std::string settingsFile = "C:\\set\\kcsakura.env";
};

TEST_F(ExportRun, CancelInTheDialogPostsCancelled) {
    fake.dialogScript = [](DialogEvents& events, FakeControls& controls) {
        events.OnInit(controls);
        events.OnCommand(controls, 1003);
    };
    EXPECT_EQ(Run("1234,1025,7,"), kCancelled);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 1"));
    EXPECT_EQ(fake.boxes.back().text, "｢決算書｣の集計を中止します。");
    EXPECT_EQ(fake.progressCalls["Show"], 0);
}

TEST_F(ExportRun, CompletedRunPostsAfterTheCompletionMessageAndSavesTheSettings) {
    EXPECT_EQ(Run(""), kCompleted);
    ASSERT_FALSE(fake.boxes.empty());
    EXPECT_EQ(fake.boxes.back().text,
              "決算書情報の出力が終了しました。\n\nアプリケーションを終了します。");
    EXPECT_EQ(fake.boxes.back().flags, 0x40u);
    EXPECT_EQ(fake.boxes.back().owner, 7777);  // the progress window
    EXPECT_EQ(fake.progressEndCode, 1);
    EXPECT_EQ(fake.overallPosition, 10000);
    EXPECT_EQ(fake.files[settingsFile], "u1/D001:4/3/1/1/C:\\out\\typed.xml\n");
    EXPECT_EQ(fake.templatesShown, (std::vector<int>{130}));
}

TEST_F(ExportRun, CallersRunPostsCompletedAfterTheMessageAndNeverSavesItsPath) {
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\fixed.xml"), kCompleted);
    std::size_t message = IndexOf("Show 決算書情報の出力が終了しました");
    std::size_t post = IndexOf("Post 1234 1025 7 0");
    ASSERT_NE(message, std::string::npos);
    ASSERT_NE(post, std::string::npos);
    EXPECT_LT(message, post);
    EXPECT_EQ(fake.progressParent, 1234);
    EXPECT_EQ(fake.files[settingsFile], "u1/D001:4/3/1/1/\n");
}

// A file error anywhere in the writing: the message keeps its first and last lines and gives the
// reason between them, the caller is told the run failed, and the previous export stays.
TEST_F(ExportRun, FailedWriteGivesItsReasonPostsFailedAndLeavesThePreviousFile) {
    struct Case {
        const char* what;
        void (*arrange)(FakePlatform&);
    };
    const Case cases[] = {
        {"first write", [](FakePlatform& f) { f.failWriteAt = 0; }},
        {"a later write", [](FakePlatform& f) { f.failWriteAt = 20; }},
        {"keep", [](FakePlatform& f) { f.failing.insert("KeepReplacement"); }},
    };
    for (const Case& c : cases) {
        fake.failWriteAt = -1;
        fake.failing.clear();
        fake.boxes.clear();
        fake.calls.clear();
        fake.files["C:\\out\\a.xml"] = "the previous export";
        fake.failureReason = "ファイルが別のプログラムで開かれています。";
        c.arrange(fake);
        EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed) << c.what;
        ASSERT_FALSE(fake.boxes.empty()) << c.what;
        EXPECT_EQ(fake.boxes.back().text,
                  "XMLファイルの出力に失敗しました。\n"
                  "ファイルが別のプログラムで開かれています。\n\n"
                  "アプリケーションを終了します。")
            << c.what;
        EXPECT_EQ(fake.boxes.back().flags, 0x30u) << c.what;
        EXPECT_TRUE(fake.Called("Post 1234 1025 7 2")) << c.what;
        EXPECT_EQ(fake.files["C:\\out\\a.xml"], "the previous export") << c.what;
        for (const auto& [name, content] : fake.files)
            EXPECT_EQ(name.find(".kctmp"), std::string::npos) << c.what << ": " << name;
        EXPECT_EQ(fake.files.count(settingsFile), 0u) << c.what;
    }
}

TEST_F(ExportRun, CallersLineLongerThanTheOldBufferIsTakenWholeAndItsPathNeverCut) {
    const std::string path = "C:\\out\\" + std::string(244, 'a') + ".xml";  // 255 bytes
    const std::string line = "-2147483648,1025,7," + path;
    ASSERT_GT(line.size(), 260u);
    EXPECT_EQ(Run(line), kCompleted);
    EXPECT_EQ(fake.files[path].substr(0, 5), "<?xml");
    EXPECT_TRUE(fake.Called("Post -2147483648 1025 7 0"));
    for (const auto& [name, content] : fake.files) {
        if (name.rfind("C:\\out\\", 0) == 0) {
            EXPECT_EQ(name, path);
        }
    }
}

TEST_F(ExportRun, TypedPathLongerThan255BytesIsRefusedAndNothingIsSaved) {
    const std::string path = "C:\\out\\" + std::string(245, 'a') + ".xml";  // 256 bytes
    fake.dialogScript = [&](DialogEvents& events, FakeControls& controls) {
        events.OnInit(controls);
        controls.SetText(1015, path);
        events.OnCommand(controls, 1002);
    };
    fake.answers = {mb::kIdYes, mb::kIdYes};  // whatever would be asked
    EXPECT_EQ(Run("1234,1025,7,"), kCancelled);
    EXPECT_EQ(fake.boxes.front().text,
              "データの出力先が長すぎます。\n\n"
              "出力先は半角255文字（全角127文字）以内で再入力してください。");
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 1"));
    EXPECT_EQ(fake.files.count(settingsFile), 0u);
    for (const auto& [name, content] : fake.files) {
        EXPECT_EQ(name.rfind("C:\\out\\", 0), std::string::npos) << name;
    }
}

TEST_F(ExportRun, TargetThatIsNotAFileIsRefusedWithItsOwnMessage) {
    fake.folders.insert("C:\\out\\dir.xml");
    fake.specialFiles.insert("C:\\out\\fifo.xml");
    for (const char* path : {"C:\\out\\dir.xml", "C:\\out\\fifo.xml"}) {
        fake.boxes.clear();
        fake.calls.clear();
        EXPECT_EQ(Run(std::string("1234,1025,7,") + path), kFailed) << path;
        ASSERT_FALSE(fake.boxes.empty()) << path;
        EXPECT_EQ(fake.boxes.back().text,
                  "出力先はファイルではありません（フォルダまたは特殊なファイルです）。\n\n"
                  "出力先に別のファイル名を指定して、やり直してください。\n\n"
                  "アプリケーションを終了します。")
            << path;
        EXPECT_EQ(fake.boxes.back().flags, 0x30u);
        EXPECT_TRUE(fake.Called("Post 1234 1025 7 2")) << path;
        EXPECT_TRUE(fake.CallsOf("CreateReplacement").empty()) << path;
        EXPECT_EQ(fake.writes, 0) << path;
        EXPECT_EQ(fake.files.count(path), 0u) << path;
        EXPECT_EQ(fake.files.count(settingsFile), 0u) << path;
    }
    EXPECT_TRUE(fake.folders.count("C:\\out\\dir.xml"));
    EXPECT_TRUE(fake.specialFiles.count("C:\\out\\fifo.xml"));
}

// Each target that cannot be taken is refused before the books are read, with its own message.
TEST_F(ExportRun, TargetThatCannotBeTakenIsRefusedAtOnceWithItsOwnMessage) {
    const std::string target = "C:\\out\\a.xml";
    const struct {
        const char* what;
        std::function<void(FakePlatform&)> arrange;
        std::string message;
    } cases[] = {
        {"a folder that takes no new file",
         [](FakePlatform& f) { f.failing.insert("CreateReplacement"); },
         "出力先のフォルダにファイルを作成できません。\n"
         "the double's failure\n\n"
         "フォルダへの書き込みが許可されているか確認するか、別の出力先を指定してください。"
         "\n\nアプリケーションを終了します。"},
        {"a file that cannot be replaced",
         [&](FakePlatform& f) {
             f.unreplaceable[target] = "ファイルが読み取り専用になっています。";
         },
         "出力先のファイルを置き換えられません。\n"
         "ファイルが読み取り専用になっています。\n\n"
         "ファイルを閉じるか書き込みを許可してからもう一度実行するか、別の出力先を指定してください"
         "。"
         "\n\nアプリケーションを終了します。"},
        {"another export's target", [&](FakePlatform& f) { f.lockedElsewhere.insert(target); },
         "出力先のファイルには、別の決算書の出力が書き込んでいます。\n\n"
         "その出力が終わってからもう一度実行するか、別の出力先を指定してください。\n\n"
         "アプリケーションを終了します。"},
        {"a lock file that cannot be used",
         [&](FakePlatform& f) {
             f.unlockable[target] =
                 "通常のファイルではありません（フォルダ、パイプ、装置などです）。";
         },
         "出力先のロックファイルを使用できません。\n"
         "通常のファイルではありません（フォルダ、パイプ、装置などです）。\n\n"
         "出力先と同じフォルダにあるロックファイル「.a.xml.kclock」を確認してからもう一度実行する"
         "か、別の出力先を指定してください。\n\n"
         "アプリケーションを終了します。"},
        {"the settings file", [&](FakePlatform& f) { f.aliases[target] = settingsFile; },
         "出力先は決算書の設定ファイルです。\n\n"
         "出力先に別のファイル名を指定して、やり直してください。\n\n"
         "アプリケーションを終了します。"},
        {"the books",
         [&](FakePlatform& f) { f.AddRunFile(target.c_str(), RunFileRole::kBooksStore); },
         "出力先のファイルを置き換えられません。\n"
         "会計データのファイルです。会計データに上書きすることはできません。\n\n"
         "ファイルを閉じるか書き込みを許可してからもう一度実行するか、別の出力先を指定してください"
         "。\n\nアプリケーションを終了します。"},
        {"the definition file beside the program",
         [&](FakePlatform& f) { f.aliases[target] = "C:\\Program Files\\Link\\ZezavareDef.ini"; },
         "出力先のファイルを置き換えられません。\n"
         "決算書のプログラムが読むファイルです。上書きすることはできません。\n\n"
         "ファイルを閉じるか書き込みを許可してからもう一度実行するか、別の出力先を指定してください"
         "。\n\nアプリケーションを終了します。"},
    };
    for (const auto& c : cases) {
        fake.failing.clear();
        fake.unreplaceable.clear();
        fake.lockedElsewhere.clear();
        fake.unlockable.clear();
        fake.aliases.clear();
        fake.runFiles.clear();
        fake.boxes.clear();
        fake.calls.clear();
        fake.overallPosition = 0;
        fake.files[target] = "the previous export";
        fake.files[settingsFile] = "";
        c.arrange(fake);
        EXPECT_EQ(Run("1234,1025,7," + target), kFailed) << c.what;
        ASSERT_FALSE(fake.boxes.empty()) << c.what;
        EXPECT_EQ(fake.boxes.back().text, c.message) << c.what;
        EXPECT_EQ(fake.boxes.back().owner, 7777) << c.what;
        EXPECT_TRUE(fake.Called("Post 1234 1025 7 2")) << c.what;
        EXPECT_EQ(fake.files[target], "the previous export") << c.what;
        EXPECT_EQ(fake.files[settingsFile], "") << c.what;
        EXPECT_EQ(fake.TemporariesLeft(), 0u) << c.what;
        EXPECT_TRUE(fake.locksHeld.empty()) << c.what;
        // Refused before the aggregation: not one step of it was shown.
        EXPECT_EQ(fake.overallPosition, 0) << c.what;
    }
}

// A settings file that does not exist yet is the run's file all the same: an output named as it
// is refused before anything is written, and no record is saved after the document.
TEST_F(ExportRun, OutputThatWillBeTheSettingsFileIsRefusedBeforeAnythingIsWritten) {
    ASSERT_EQ(fake.files.count(settingsFile), 0u);
    EXPECT_EQ(Run("1234,1025,7," + settingsFile), kFailed);
    ASSERT_FALSE(fake.boxes.empty());
    EXPECT_EQ(fake.boxes.back().text,
              "出力先は決算書の設定ファイルです。\n\n"
              "出力先に別のファイル名を指定して、やり直してください。\n\n"
              "アプリケーションを終了します。");
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
    EXPECT_EQ(fake.files.count(settingsFile), 0u);
    EXPECT_EQ(fake.writes, 0);
    EXPECT_TRUE(fake.CallsOf("CreateReplacement").empty());
}

TEST_F(ExportRun, FailedAggregationWritesNoFile) {
    config.faults["ClRuleKamoku::MoveNext"] = {77, 3};
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    EXPECT_EQ(fake.boxes.back().text,
              "会計データの集計に失敗しました。\n\nアプリケーションを終了します。");
    EXPECT_EQ(fake.boxes.back().owner, 7777);
    EXPECT_EQ(fake.files.count("C:\\out\\a.xml"), 0u);
    EXPECT_EQ(fake.files.count(settingsFile), 0u);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

// The ledger is read while the file is written: an account whose ledger cannot be read still
// fails the run as an aggregation failure, and the file already at the target stays as it was.
TEST_F(ExportRun, UnreadableLedgerFailsTheRunAndLeavesThePreviousFile) {
    fake.files["C:\\out\\a.xml"] = "the previous export";
    config.faults["ClRuleMotocho::MoveNext"] = {77, 3};
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    EXPECT_EQ(fake.boxes.back().text,
              "会計データの集計に失敗しました。\n\nアプリケーションを終了します。");
    EXPECT_EQ(fake.files["C:\\out\\a.xml"], "the previous export");
    EXPECT_EQ(fake.files.count("C:\\out\\a.xml.kctmp"), 0u);
    EXPECT_EQ(fake.files.count(settingsFile), 0u);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

TEST_F(ExportRun, UnsupportedNotesAreNamedInTheirOrderAndTheRunGoesOn) {
    auto files = SampleFiles();
    std::string layout = "InputMode=1\r\n";
    for (int i = 0; i < 34; ++i) {
        bool on = i == 16 || i == 17 || i == 20 || i == 21 || i == 32 || i == 33;
        layout += "[Note_" + std::to_string(i) + "]\r\nDisp=" + (on ? "1" : "0") + "\r\n";
    }
    files["notes/D001/layout.txt"] = layout;
    ASSERT_TRUE(Import(files).ok);
    EXPECT_EQ(Run(""), kCompleted);
    ASSERT_GE(fake.boxes.size(), 2u);
    EXPECT_EQ(
        fake.boxes[fake.boxes.size() - 2].text,
        "以下の注記は連動に対応していません。\nこれらの注記は申告ソフト上で手入力してください。\n\n"
        "・会計上の見積もりに関する注記\n・会計上の見積もりの変更に関する注記\n・誤謬の訂正に関する"
        "注記\n"
        "・金融商品に関する注記\n・賃貸等不動産に関する注記\n・収益認識に関する注記\n"
        "\nこれらの注記を除いて処理を続行します。");
    EXPECT_NE(fake.files["C:\\out\\typed.xml"].find("<ListNotesNonConsolidated>"),
              std::string::npos);
}

TEST_F(ExportRun, NotesSwitchedOffGiveNoWarningAndNoNotes) {
    auto files = SampleFiles();
    files["notes/D001/switch.txt"] = "Note=0\r\n";
    files["notes/D001/layout.txt"] = "InputMode=1\r\n[Note_16]\r\nDisp=1\r\n";
    ASSERT_TRUE(Import(files).ok);
    EXPECT_EQ(Run(""), kCompleted);
    EXPECT_EQ(fake.boxes.size(), 1u);  // the completion message only
    EXPECT_EQ(fake.files["C:\\out\\typed.xml"].find("ListNotesNonConsolidated"), std::string::npos);
}

TEST_F(ExportRun, NotesThatCannotBeReadFailTheRunAndWriteNoFile) {
    const std::string message =
        "注記の設定を会計データから読み込めませんでした。\n"
        "会計データを確認してから、もう一度実行してください。\n\nアプリケーションを終了します。";
    // An SQLite error on the first text, and on a later one after the switches were read.
    for (int skip : {0, 2}) {
        fake.boxes.clear();
        fake.calls.clear();
        config.faults["ClSaveKessansho::GetDataType02"] = {books::kErrStore, skip};
        EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed) << skip;
        ASSERT_FALSE(fake.boxes.empty());
        EXPECT_EQ(fake.boxes.back().text, message);
        EXPECT_EQ(fake.boxes.back().owner, 7777);
        EXPECT_EQ(fake.files.count("C:\\out\\a.xml"), 0u);
        EXPECT_EQ(fake.files.count(settingsFile), 0u);
        EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
    }
    // A notes table the store cannot read.
    config.faults.clear();
    fake.boxes.clear();
    CorruptTable("notes");
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    ASSERT_FALSE(fake.boxes.empty());
    EXPECT_EQ(fake.boxes.back().text, message);
    EXPECT_EQ(fake.files.count("C:\\out\\a.xml"), 0u);
}

TEST_F(ExportRun, StoreWithoutItsNotesTableFailsAtLoginNamingTheFile) {
    ExecuteOnStore("DROP TABLE notes");
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_NE(fake.boxes[0].text.find(store_), std::string::npos) << fake.boxes[0].text;
    EXPECT_EQ(fake.files.count("C:\\out\\a.xml"), 0u);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

TEST_F(ExportRun, StoreWithoutUsersFailsWithAMessage) {
    ExecuteOnStore("DELETE FROM users");
    config.userId.clear();
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_NE(fake.boxes[0].text.find("会計データに利用者が登録されていません。"),
              std::string::npos);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

TEST_F(ExportRun, DamagedAccountRecordFailsTheRunAndWritesNoFile) {
    ExecuteOnStore("UPDATE accounts SET code=1000000 WHERE code=5000000");  // a duplicate code
    EXPECT_EQ(Run("1234,1025,7,C:\\out\\a.xml"), kFailed);
    EXPECT_EQ(fake.boxes.back().text,
              "会計データの集計に失敗しました。\n\nアプリケーションを終了します。");
    EXPECT_EQ(fake.files.count("C:\\out\\a.xml"), 0u);
    EXPECT_TRUE(fake.Called("Post 1234 1025 7 2"));
}

}  // namespace
