// The condition dialog's start-up and checks, through the platform double.

#include <gtest/gtest.h>

#include "books/Books.h"
#include "dialog/ConditionDialog.h"
#include "dialog/ControlIds.h"
#include "tests/doubles/FakePlatform.h"

namespace {

const char* const kMonthsWrong = "集計期間に誤りがあります。\n\n集計期間を設定しなおしてください。";

class Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        books::BooksConfig config;
        config.outputFolder = "C:\\out\\";
        config.settingsFolder = "C:\\settings\\";
        books::ConfigureBooks(config);
        inputs.companyLabel = " テスト";
        inputs.periodLabel = " 2025/04/01～2026/03/31";
        inputs.firstDay = 20250401;
        inputs.lastDay = 20260331;
        inputs.userId = "u1";
        inputs.dataId = "D001";
        fake.folders.insert("C:\\out\\");
    }
    void TearDown() override { books::ConfigureBooks(books::BooksConfig{}); }

    // Starts the dialog; the controls as they stand after start-up.
    FakeControls& Start() {
        dialog.SetInputs(inputs);
        dialog.OnInit(controls);
        return controls;
    }
    // Enters the months and presses 実行.
    void Execute(const std::string& start, const std::string& end,
                 const std::string& path = "C:\\out\\a.xml") {
        controls.SetText(ctl::kStartMonth, start);
        controls.SetText(ctl::kEndMonth, end);
        controls.SetText(ctl::kPath, path);
        dialog.OnCommand(controls, ctl::kExecute);
    }
    std::string LastMessage() const { return fake.boxes.empty() ? "" : fake.boxes.back().text; }

    FakePlatform fake;
    DialogInputs inputs;
    ConditionDialog dialog{fake.platform, kEditionKcsakura.settingsFile, 4321};
    FakeControls controls;
};

TEST_F(Dialog, StartsWithTheFiscalYearAndTheDefaultPath) {
    Start();
    EXPECT_EQ(controls.texts[ctl::kCompanyName], " テスト");
    EXPECT_EQ(controls.texts[ctl::kPeriod], " 2025/04/01～2026/03/31");
    EXPECT_EQ(controls.texts[ctl::kStartMonth], "4");
    EXPECT_EQ(controls.texts[ctl::kEndMonth], "3");
    EXPECT_EQ(controls.texts[ctl::kPath], "C:\\out\\*.xml");
    EXPECT_EQ(controls.limits[ctl::kPath], 255);
    EXPECT_TRUE(controls.checks[ctl::kShareholdersEquity]);
    EXPECT_FALSE(controls.checks[ctl::kMembersEquity]);
    EXPECT_TRUE(controls.checks[ctl::kOutputLedger]);
    EXPECT_FALSE(dialog.Ended());
}

TEST_F(Dialog, WithoutAnOutputFolderTheTemporaryFolder) {
    books::BooksConfig config;
    books::ConfigureBooks(config);
    fake.tempFolder = "D:\\tmp";
    Start();
    EXPECT_EQ(controls.texts[ctl::kPath], "D:\\tmp\\*.xml");
}

TEST_F(Dialog, CallersPathIsFixed) {
    inputs.fixedPath = "C:\\out\\fixed.xml";
    Start();
    EXPECT_EQ(controls.texts[ctl::kPath], "C:\\out\\fixed.xml");
    EXPECT_FALSE(controls.IsEnabled(ctl::kPath));
    EXPECT_FALSE(controls.IsEnabled(ctl::kBrowse));
    EXPECT_EQ(controls.texts[ctl::kOutputGroup], "出力先");
    // Enter on the end month goes straight to 実行.
    controls.focus = ctl::kEndMonth;
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));
    EXPECT_EQ(controls.focus, ctl::kExecute);
    // No overwrite question for a fixed path.
    fake.files["C:\\out\\fixed.xml"] = "old";
    dialog.OnCommand(controls, ctl::kExecute);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.EndCode(), ConditionDialog::kConfirmed);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(Dialog, RefusesPastResultsAndNonCompaniesActData) {
    inputs.pastResults = 1;
    Start();
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.EndCode(), ConditionDialog::kCancelled);
    EXPECT_EQ(
        LastMessage(),
        "過去実績データは、連携の対象として使用できません。\n\nアプリケーションを終了します。");

    ConditionDialog other(fake.platform, kEditionKcsakura.settingsFile, 4321);
    inputs.pastResults = 0;
    inputs.companiesAct = 0;
    other.SetInputs(inputs);
    FakeControls fresh;
    other.OnInit(fresh);
    EXPECT_EQ(other.EndCode(), ConditionDialog::kCancelled);
    EXPECT_NE(LastMessage().find("会社法(H18.5施行)に対応していないため"), std::string::npos);
}

struct MonthCase {
    const char* name;
    std::int32_t firstDay;
    std::int32_t lastDay;
    const char* start;
    const char* end;
    int focus;  // 0: passes
};

class DialogMonths : public Dialog, public ::testing::WithParamInterface<MonthCase> {};

TEST_P(DialogMonths, ChecksTheMonthsAndFocusesTheFieldNamed) {
    const MonthCase& c = GetParam();
    inputs.firstDay = c.firstDay;
    inputs.lastDay = c.lastDay;
    Start();
    Execute(c.start, c.end);
    if (c.focus == 0) {
        EXPECT_TRUE(dialog.Ended()) << LastMessage();
        EXPECT_EQ(dialog.EndCode(), ConditionDialog::kConfirmed);
        return;
    }
    EXPECT_FALSE(dialog.Ended());
    EXPECT_EQ(LastMessage(), kMonthsWrong);
    EXPECT_EQ(controls.focus, c.focus);
    EXPECT_TRUE(controls.selectedAll);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DialogMonths,
    ::testing::Values(
        MonthCase{"AprilToMarch", 20250401, 20260331, "4", "3", 0},
        MonthCase{"AprilToApril", 20250401, 20260331, "4", "4", 0},
        MonthCase{"OctoberToMayRow6", 20250401, 20260331, "10", "5", ctl::kEndMonth},
        MonthCase{"FebruaryToJanuaryRow7", 20250401, 20260331, "2", "1", ctl::kEndMonth},
        MonthCase{"DecemberToJanuaryRow5", 20250101, 20251231, "12", "1", ctl::kStartMonth},
        MonthCase{"EmptyStartRow1", 20250401, 20260331, "", "3", ctl::kStartMonth},
        MonthCase{"EmptyEndRow2", 20250401, 20260331, "4", "", ctl::kEndMonth},
        MonthCase{"ThirteenRow2", 20250401, 20260331, "4", "13", ctl::kEndMonth},
        MonthCase{"BeforeTheFirstMonthRow3", 20250601, 20251231, "5", "12", ctl::kStartMonth},
        MonthCase{"AfterTheLastMonthRow4", 20250101, 20250930, "1", "10", ctl::kStartMonth},
        MonthCase{"MarchToMarch", 20250401, 20260331, "3", "3", 0},
        MonthCase{"StartOutsideAnElevenMonthYearRow8", 20250401, 20260228, "3", "2",
                  ctl::kStartMonth},
        MonthCase{"EndOutsideAnElevenMonthYearRow9", 20250401, 20260228, "4", "3",
                  ctl::kStartMonth},
        MonthCase{"JanuaryToDecember", 20250101, 20251231, "1", "12", 0}),
    [](const ::testing::TestParamInfo<MonthCase>& info) { return std::string(info.param.name); });

TEST_F(Dialog, EndPositionBeforeTheIntroductionMonthIsRefused) {
    inputs.introPosition = 5;  // August in an April year
    Start();
    Execute("4", "7");
    EXPECT_EQ(LastMessage(), "集計期間には、導入開始月より前は指定できません。");
    EXPECT_EQ(controls.focus, ctl::kEndMonth);
    Execute("4", "8");
    EXPECT_TRUE(dialog.Ended());
}

TEST_F(Dialog, EmptyPathAsksForOneThroughBrowse) {
    Start();
    fake.saveAnswer = "C:\\out\\chosen.xml";
    Execute("4", "3", "");
    EXPECT_EQ(LastMessage(), "データ出力先が指定されていません。\n\n出力先を指定してください。");
    EXPECT_FALSE(dialog.Ended());
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    EXPECT_EQ(fake.saveRequests[0].title, "保存ファイルを指定");
    EXPECT_EQ(controls.texts[ctl::kPath], "C:\\out\\chosen.xml");
    EXPECT_EQ(controls.focus, ctl::kExecute);
}

TEST_F(Dialog, BrowseSplitsFolderAndNameAndKeepsThePathWhenCancelled) {
    Start();
    controls.texts[ctl::kPath] = "C:\\out\\old.xml";
    dialog.OnCommand(controls, ctl::kBrowse);
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    EXPECT_EQ(fake.saveRequests[0].initialFolder, "C:\\out\\");
    EXPECT_EQ(fake.saveRequests[0].initialName, "old.xml");
    EXPECT_EQ(fake.saveRequests[0].defaultExtension, "XML");
    EXPECT_EQ(fake.saveRequests[0].filter, "Xml Files (*.xml)|*.xml||");
    EXPECT_EQ(controls.texts[ctl::kPath], "C:\\out\\old.xml");
    controls.texts[ctl::kPath] = "D:name.xml";
    dialog.OnCommand(controls, ctl::kBrowse);
    EXPECT_EQ(fake.saveRequests[1].initialFolder, "D:");
    EXPECT_EQ(fake.saveRequests[1].initialName, "name.xml");
}

TEST_F(Dialog, CharacterAndDriveChecks) {
    EXPECT_FALSE(ConditionDialog::CharacterCheck("C:\\out\\a*.xml"));
    EXPECT_FALSE(ConditionDialog::CharacterCheck("C:\\out\\\\a.xml"));
    EXPECT_FALSE(ConditionDialog::CharacterCheck("C:\\out:a.xml"));
    EXPECT_TRUE(ConditionDialog::CharacterCheck("C:\\out\\a.xml"));
    EXPECT_TRUE(ConditionDialog::CharacterCheck("C:a.xml"));
    EXPECT_TRUE(ConditionDialog::CharacterCheck("\\\\server\\share\\a.xml"));
    EXPECT_FALSE(ConditionDialog::CharacterCheck("\\\\server\\\\share\\a.xml"));
    // "ポ" (0x83 0x7C) and "表" (0x95 0x5C): trail bytes are neither "|" nor a backslash.
    EXPECT_TRUE(ConditionDialog::CharacterCheck("C:\\\x83\x7C\\\x95\x5C\\a.xml"));

    fake.driveTypes["C:\\"] = DriveType::kFixed;
    fake.folders.insert("C:\\");
    EXPECT_TRUE(dialog.DriveCheck("c:\\out\\a.xml"));
    fake.driveTypes["E:\\"] = DriveType::kCdRom;
    EXPECT_FALSE(dialog.DriveCheck("E:\\a.xml"));
    fake.driveTypes["F:\\"] = DriveType::kRemovable;  // not writable: no such root in the double
    EXPECT_FALSE(dialog.DriveCheck("F:\\a.xml"));
    EXPECT_FALSE(dialog.DriveCheck("Q:\\a.xml"));  // no such drive
    EXPECT_TRUE(dialog.DriveCheck("kessan.xml"));  // no drive named: the working folder's
    EXPECT_TRUE(dialog.DriveCheck("out\\a.xml"));
    EXPECT_FALSE(dialog.DriveCheck("1:\\a.xml"));
    EXPECT_FALSE(dialog.DriveCheck("\\\\server\\share\\a.xml"));
    fake.folders.insert("\\\\server\\share\\");
    EXPECT_TRUE(dialog.DriveCheck("\\\\server\\share\\dir\\a.xml"));
}

TEST_F(Dialog, CharacterCheckReportsBeforeTheDriveCheck) {
    Start();
    Execute("4", "3", "C:\\\\out\\a.xml");
    EXPECT_EQ(LastMessage(),
              "データの出力先に不正な文字が含まれています。\n\n出力先を再入力してください。");
    EXPECT_EQ(controls.focus, ctl::kPath);
    fake.driveTypes["E:\\"] = DriveType::kCdRom;
    Execute("4", "3", "E:\\a.xml");
    EXPECT_EQ(LastMessage(),
              "ドライブ名が有効でありません。\n\n有効なドライブを指定してください。");
}

TEST_F(Dialog, ADriveThatDoesNotExistIsRefusedAndThePathCanBeCorrected) {
    Start();
    Execute("4", "3", "Q:\\kessan.xml");
    ASSERT_EQ(fake.boxes.size(), 1u);  // no offer to create a folder on it
    EXPECT_EQ(LastMessage(),
              "ドライブ名が有効でありません。\n\n有効なドライブを指定してください。");
    EXPECT_EQ(controls.focus, ctl::kPath);
    EXPECT_FALSE(dialog.Ended());
    Execute("4", "3", "C:\\kessan.xml");
    EXPECT_TRUE(dialog.Ended()) << LastMessage();
}

TEST_F(Dialog, PathLongerThan255BytesIsRefusedNeverCut) {
    const std::string kTooLong =
        "データの出力先が長すぎます。\n\n"
        "出力先は半角255文字（全角127文字）以内で再入力してください。";
    Start();
    const std::string folder = "C:\\out\\";
    // 256 bytes: refused before any other check, and nothing is created or asked.
    Execute("4", "3", folder + std::string(245, 'a') + ".xml");
    EXPECT_EQ(LastMessage(), kTooLong);
    EXPECT_EQ(controls.focus, ctl::kPath);
    EXPECT_TRUE(controls.selectedAll);
    EXPECT_FALSE(dialog.Ended());
    // A double-byte character counts two bytes: 250 + 2 + 4 bytes (255 characters) is too long.
    Execute("4", "3", folder + std::string(243, 'a') + "\x82\xA0" + ".xml");
    EXPECT_EQ(LastMessage(), kTooLong);
    EXPECT_EQ(fake.boxes.size(), 2u);
    EXPECT_FALSE(dialog.Ended());
    // A caller's path is held to the same limit.
    inputs.fixedPath = folder + std::string(245, 'a') + ".xml";
    ConditionDialog fixed(fake.platform, kEditionKcsakura.settingsFile, 4321);
    fixed.SetInputs(inputs);
    FakeControls fixedControls;
    fixed.OnInit(fixedControls);
    fixed.OnCommand(fixedControls, ctl::kExecute);
    EXPECT_EQ(LastMessage(), kTooLong);
    EXPECT_FALSE(fixed.Ended());
    // 255 bytes pass whole.
    const std::string longest = folder + std::string(244, 'a') + ".xml";
    Execute("4", "3", longest);
    ASSERT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.PathText(), longest);
}

TEST_F(Dialog, DriveLetterColonAndNameHasNoFolderStep) {
    Start();
    Execute("4", "3", "C:a.xml");
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.PathText(), "C:a.xml");
}

TEST_F(Dialog, MissingFileNameOrAFolderAtThePath) {
    Start();
    Execute("4", "3", "C:\\out\\");
    EXPECT_EQ(LastMessage(), "ファイル名が指定されていません。");
    fake.folders.insert("C:\\out\\sub");
    Execute("4", "3", "C:\\out\\sub");
    EXPECT_EQ(LastMessage(), "ファイル名が指定されていません。");
    EXPECT_EQ(fake.boxes.size(), 2u);
    EXPECT_FALSE(dialog.Ended());
}

TEST_F(Dialog, MissingFolderIsCreatedOnYes) {
    Start();
    fake.answers = {mb::kIdYes};
    fake.folders.insert("C:\\");
    Execute("4", "3", "C:\\new\\deeper\\a.xml");
    EXPECT_EQ(LastMessage(), "指定されたフォルダは存在しません。\n\n作成してもよろしいですか？");
    EXPECT_TRUE(fake.folders.count("C:\\new\\"));
    EXPECT_TRUE(fake.folders.count("C:\\new\\deeper\\"));
    EXPECT_TRUE(dialog.Ended());
}

TEST_F(Dialog, MissingFolderOnNoFocusesThePath) {
    Start();
    Execute("4", "3", "C:\\new\\a.xml");
    EXPECT_FALSE(dialog.Ended());
    EXPECT_EQ(controls.focus, ctl::kPath);
    EXPECT_FALSE(fake.folders.count("C:\\new\\"));
}

TEST_F(Dialog, FailedLevelRemovesWhatTheWalkCreated) {
    Start();
    fake.answers = {mb::kIdYes};
    fake.folders.insert("C:\\");
    fake.failing.insert("CreateDirectory C:\\a\\b\\c\\");
    Execute("4", "3", "C:\\a\\b\\c\\x.xml");
    EXPECT_EQ(LastMessage(), "フォルダの作成に失敗しました。\n\n出力先を再入力してください。");
    EXPECT_FALSE(fake.folders.count("C:\\a\\"));
    EXPECT_FALSE(fake.folders.count("C:\\a\\b\\"));
    EXPECT_EQ(fake.CallsOf("RemoveDirectory"),
              (std::vector<std::string>{"RemoveDirectory C:\\a\\b\\", "RemoveDirectory C:\\a\\"}));
    EXPECT_EQ(controls.focus, ctl::kPath);
}

TEST_F(Dialog, ExistingFileAsksBeforeOverwriting) {
    Start();
    fake.files["C:\\out\\a.xml"] = "old";
    Execute("4", "3");
    EXPECT_EQ(LastMessage(), "同名のファイルが存在します。\n\n上書きしてもよろしいですか？");
    EXPECT_EQ(fake.boxes.back().flags, 0x24u);  // Yes/No with the question icon
    EXPECT_FALSE(dialog.Ended());
    fake.answers = {mb::kIdYes};
    Execute("4", "3");
    EXPECT_TRUE(dialog.Ended());
}

TEST_F(Dialog, ConfirmedDialogYieldsTheConditions) {
    Start();
    controls.checks[ctl::kMembersEquity] = true;
    controls.checks[ctl::kShareholdersEquity] = false;
    controls.checks[ctl::kOutputLedger] = false;
    Execute("05", "3");
    ASSERT_EQ(dialog.EndCode(), ConditionDialog::kConfirmed);
    EXPECT_EQ(dialog.StartMonthText(), "05");
    EXPECT_EQ(dialog.EndMonthText(), "3");
    EXPECT_EQ(dialog.EquityKind(), 2);
    EXPECT_EQ(dialog.OutputLedger(), 0);
}

TEST_F(Dialog, CancelTellsTheUserAndEnds) {
    Start();
    dialog.OnCommand(controls, ctl::kCancel);
    EXPECT_EQ(dialog.EndCode(), ConditionDialog::kCancelled);
    EXPECT_EQ(LastMessage(), "｢決算書｣の集計を中止します。");
    EXPECT_EQ(fake.boxes.back().flags, 0x40u);
}

TEST_F(Dialog, EnterChainAndF12) {
    Start();
    controls.focus = ctl::kStartMonth;
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));
    EXPECT_EQ(controls.focus, ctl::kEndMonth);
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));
    EXPECT_EQ(controls.focus, ctl::kPath);
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));
    EXPECT_EQ(controls.focus, ctl::kBrowse);
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));  // browse
    EXPECT_EQ(fake.saveRequests.size(), 1u);
    EXPECT_EQ(controls.focus, ctl::kExecute);
    controls.focus = ctl::kOutputLedger;
    EXPECT_FALSE(dialog.OnKey(controls, DialogKey::kEnter));  // the dialog's own processing
    EXPECT_FALSE(dialog.OnKey(controls, DialogKey::kOther));
    controls.texts[ctl::kPath] = "C:\\out\\a.xml";
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kF12));
    EXPECT_TRUE(dialog.Ended());
}

TEST_F(Dialog, EnterOnThePathGoesToExecuteWhenBrowseIsDisabled) {
    Start();
    controls.Enable(ctl::kBrowse, false);
    controls.focus = ctl::kPath;
    EXPECT_TRUE(dialog.OnKey(controls, DialogKey::kEnter));
    EXPECT_EQ(controls.focus, ctl::kExecute);
}

}  // namespace
