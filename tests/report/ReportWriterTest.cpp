// The report document: its frame byte for byte, SUPPORT.INF, the company name, and what a
// failed write leaves behind.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "report/ReportWriter.h"
#include "report/SupportInfo.h"
#include "tests/doubles/FakePlatform.h"
#include "tests/report/XmlLint.h"

namespace {

constexpr const char* kTarget = "C:\\out\\report.xml";

StDATAINFO Company(const char* name, std::int32_t manufacturing) {
    StDATAINFO company{};
    std::strcpy(company.dataId, "D001");
    std::strncpy(company.companyName, name, sizeof(company.companyName) - 1);
    company.periodFrom = 20250401;
    company.periodTo = 20260331;
    company.manufacturing = manufacturing;
    return company;
}

class Report : public ::testing::Test {
protected:
    void SetUp() override { plan.Start(); }

    int Write(const StDATAINFO& company, std::int16_t functionId = 3) {
        return writer.WriteReport(kTarget, functionId, &company);
    }
    std::string Document() { return fake.files[kTarget]; }
    bool Has(const std::string& text) { return Document().find(text) != std::string::npos; }

    FakePlatform fake;
    ProgressDialog dialog{fake, fake};
    ExportProgress plan{dialog};
    AccountFigureList figures;
    LedgerLineList ledger;
    ReportWriter writer{fake.platform, kEditionKcsakura.Names(), plan, figures, ledger};
};

TEST_F(Report, FrameOfASmallCompany) {
    ASSERT_EQ(Write(Company("テスト", 1)), 1);
    EXPECT_EQ(Document(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
              "<REPORT>\r\n"
              "\t<SYSTEM>\r\n"
              "\t\t<GYOUMUPREFIX>HJ21</GYOUMUPREFIX>\r\n"
              "\t\t<VERSION>1</VERSION>\r\n"
              "\t\t<FUNCTIONID>3</FUNCTIONID>\r\n"
              "\t\t<CONNECTEDPROGRAMVER>22.03.00</CONNECTEDPROGRAMVER>\r\n"
              "\t\t<PROGRAMNAME>記帳丸２２ さくら版</PROGRAMNAME>\r\n"
              "\t\t<PROGRAMVER>22.03.0X</PROGRAMVER>\r\n"
              "\t</SYSTEM>\r\n"
              "\t<BASIC>\r\n"
              "\t\t<KOMONSAKINAME>テスト</KOMONSAKINAME>\r\n"
              "\t\t<JIGYOUNENDOFROM>20250401</JIGYOUNENDOFROM>\r\n"
              "\t\t<JIGYOUNENDOTO>20260331</JIGYOUNENDOTO>\r\n"
              "\t\t<PATTERN>\r\n"
              "\t\t\t<BS>\r\n"
              "\t\t\t\t<CA>\r\n"
              "\t\t\t\t\t<Doubtful>A2</Doubtful>\r\n"
              "\t\t\t\t</CA>\r\n"
              "\t\t\t\t<PPE>\r\n"
              "\t\t\t\t\t<DepImp>B4</DepImp>\r\n"
              "\t\t\t\t</PPE>\r\n"
              "\t\t\t\t<IOA>\r\n"
              "\t\t\t\t\t<Doubtful>C2</Doubtful>\r\n"
              "\t\t\t\t\t<DepImp>D4</DepImp>\r\n"
              "\t\t\t\t</IOA>\r\n"
              "\t\t\t</BS>\r\n"
              "\t\t\t<PL>\r\n"
              "\t\t\t\t<Sales>E3</Sales>\r\n"
              "\t\t\t\t<Cos>F3</Cos>\r\n"
              "\t\t\t\t<Sga>G1</Sga>\r\n"
              "\t\t\t</PL>\r\n"
              "\t\t</PATTERN>\r\n"
              "\t</BASIC>\r\n"
              "\t<DATA>\r\n"
              // Without figures every statement is its bare tree of sections.
              "\t\t<BalanceSheet>\r\n"
              "\t\t\t<Assets>\r\n"
              "\t\t\t\t<CurrentAssets>\r\n"
              "\t\t\t\t</CurrentAssets>\r\n"
              "\t\t\t\t<NoncurrentAssets>\r\n"
              "\t\t\t\t\t<PropertyPlantAndEquipment>\r\n"
              "\t\t\t\t\t</PropertyPlantAndEquipment>\r\n"
              "\t\t\t\t\t<IntangibleAssets>\r\n"
              "\t\t\t\t\t</IntangibleAssets>\r\n"
              "\t\t\t\t\t<InvestmentsAndOtherAssets>\r\n"
              "\t\t\t\t\t</InvestmentsAndOtherAssets>\r\n"
              "\t\t\t\t</NoncurrentAssets>\r\n"
              "\t\t\t\t<DeferredAssets>\r\n"
              "\t\t\t\t</DeferredAssets>\r\n"
              "\t\t\t</Assets>\r\n"
              "\t\t\t<Liabilities>\r\n"
              "\t\t\t\t<CurrentLiabilities>\r\n"
              "\t\t\t\t</CurrentLiabilities>\r\n"
              "\t\t\t\t<NoncurrentLiabilities>\r\n"
              "\t\t\t\t</NoncurrentLiabilities>\r\n"
              "\t\t\t</Liabilities>\r\n"
              "\t\t\t<NetAssets>\r\n"
              "\t\t\t</NetAssets>\r\n"
              "\t\t</BalanceSheet>\r\n"
              "\t\t<IncomeStatement>\r\n"
              "\t\t\t<NetSales>\r\n"
              "\t\t\t</NetSales>\r\n"
              "\t\t\t<CostOfSales>\r\n"
              "\t\t\t</CostOfSales>\r\n"
              "\t\t\t<SellingGeneralAndAdministrativeExpenses>\r\n"
              "\t\t\t</SellingGeneralAndAdministrativeExpenses>\r\n"
              "\t\t\t<NonOperatingIncome>\r\n"
              "\t\t\t</NonOperatingIncome>\r\n"
              "\t\t\t<NonOperatingExpenses>\r\n"
              "\t\t\t</NonOperatingExpenses>\r\n"
              "\t\t\t<ExtraordinaryIncome>\r\n"
              "\t\t\t</ExtraordinaryIncome>\r\n"
              "\t\t\t<ExtraordinaryLoss>\r\n"
              "\t\t\t</ExtraordinaryLoss>\r\n"
              "\t\t\t<IncomeTaxes>\r\n"
              "\t\t\t</IncomeTaxes>\r\n"
              "\t\t</IncomeStatement>\r\n"
              "\t\t<ScheduleCostGoodsManufactured>\r\n"
              "\t\t\t<MaterialCost>\r\n"
              "\t\t\t</MaterialCost>\r\n"
              "\t\t\t<LaborCost>\r\n"
              "\t\t\t</LaborCost>\r\n"
              "\t\t\t<OverheadExpenses>\r\n"
              "\t\t\t</OverheadExpenses>\r\n"
              "\t\t\t<WorkProcessBeginningInventories>\r\n"
              "\t\t\t</WorkProcessBeginningInventories>\r\n"
              "\t\t\t<WorkProcessClosingInventories>\r\n"
              "\t\t\t</WorkProcessClosingInventories>\r\n"
              "\t\t</ScheduleCostGoodsManufactured>\r\n"
              "\t\t<StatementChangesNetAssets>\r\n"
              "\t\t\t<Select>1</Select>\r\n"
              "\t\t</StatementChangesNetAssets>\r\n"
              "\t</DATA>\r\n"
              "</REPORT>\r\n");
    std::string complaints;
    EXPECT_TRUE(PassesXmllint(Document(), &complaints)) << complaints;
    EXPECT_EQ(fake.TemporariesLeft(), 0u);
    EXPECT_EQ(writer.LastFailure(), ReportWriter::Failure::kNone);
    EXPECT_EQ(writer.FailureReason(), "");
}

TEST_F(Report, AWrittenDocumentLeavesTheBarFullAtOneHundredPerCent) {
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_EQ(dialog.Position(), ProgressDialog::kOverallEnd);
    EXPECT_STREQ(dialog.Caption(), "集計中 100％");
}

TEST_F(Report, ManufacturingFlagChoosesTheCostPattern) {
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_TRUE(Has("<Cos>F1</Cos>"));
}

TEST_F(Report, FunctionIdentifierIsWrittenSigned) {
    ASSERT_EQ(Write(Company("A", 0), static_cast<std::int16_t>(-1)), 1);
    EXPECT_TRUE(Has("<FUNCTIONID>-1</FUNCTIONID>"));
}

TEST_F(Report, CompanyNameInFullWidthAndEscaped) {
    // Half-width katakana with voiced and semi-voiced marks, ASCII and an ampersand.
    ASSERT_EQ(Write(Company("ｶﾞｽﾊﾟｲﾌﾟ A&B 1", 0)), 1);
    EXPECT_TRUE(Has("<KOMONSAKINAME>ガスパイプ　Ａ＆Ｂ　１</KOMONSAKINAME>"));
}

TEST_F(Report, LongCompanyNameIsCutAtACharacterBoundary) {
    std::string name = "A" + std::string(40, '\xB1');  // "A" and forty "ｱ": 82 bytes in full width
    std::string converted = writer.ToFullWidthName(name.c_str());
    EXPECT_EQ(converted.size(), 62u);  // 31 characters; a 32nd would need 64 bytes
    EXPECT_EQ(converted.substr(0, 2), "Ａ");
    EXPECT_EQ(converted.substr(60, 2), "ア");
}

TEST_F(Report, ExistingFileIsReplacedOnlyByAWholeDocument) {
    fake.files[kTarget] = "the previous export";
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_EQ(Document().substr(0, 5), "<?xml");
}

TEST_F(Report, WriteFailingAtEveryLineLeavesTheTargetAndNoTemporaryFile) {
    // Count the document's writes once.
    ASSERT_EQ(Write(Company("A", 1)), 1);
    int lines = fake.writes;
    ASSERT_GT(lines, 30);
    for (int k = 0; k < lines; ++k) {
        FakePlatform failing;
        failing.files[kTarget] = "the previous export";
        failing.failWriteAt = k;
        failing.failureReason = "ディスクの空き容量が不足しています。";
        ProgressDialog progress(failing, failing);
        ExportProgress plan(progress);
        ReportWriter report(failing.platform, kEditionKcsakura.Names(), plan, figures, ledger);
        StDATAINFO company = Company("A", 1);
        EXPECT_EQ(report.WriteReport(kTarget, 3, &company), 0) << "line " << k;
        EXPECT_EQ(failing.files[kTarget], "the previous export") << "line " << k;
        EXPECT_EQ(failing.TemporariesLeft(), 0u) << "line " << k;
        EXPECT_EQ(report.LastFailure(), ReportWriter::Failure::kWriteFailed) << "line " << k;
        EXPECT_EQ(report.FailureReason(), failing.failureReason) << "line " << k;
        EXPECT_EQ(failing.openFiles, 0) << "line " << k;
        EXPECT_TRUE(failing.CallsOf("KeepReplacement").empty()) << "line " << k;
    }
}

TEST_F(Report, EachFileFailureKeepsItsReasonAndTheTarget) {
    constexpr const char* kReason = "ファイルが別のプログラムで開かれています。";
    struct Case {
        const char* what;
        ReportWriter::Failure failure;
        const char* reason;
        void (*arrange)(FakePlatform&);
    };
    const Case cases[] = {
        {"another export's lock", ReportWriter::Failure::kTargetBusy, "",
         [](FakePlatform& f) { f.lockedElsewhere.insert(kTarget); }},
        {"not replaceable", ReportWriter::Failure::kTargetNotReplaceable, kReason,
         [](FakePlatform& f) { f.unreplaceable[kTarget] = kReason; }},
        {"a lock that cannot be taken", ReportWriter::Failure::kLockFailed, kReason,
         [](FakePlatform& f) { f.unlockable[kTarget] = kReason; }},
        {"create", ReportWriter::Failure::kCannotCreate, kReason,
         [](FakePlatform& f) { f.failing.insert("CreateReplacement"); }},
        {"keep", ReportWriter::Failure::kWriteFailed, kReason,
         [](FakePlatform& f) { f.failing.insert("KeepReplacement"); }},
        {"the books", ReportWriter::Failure::kTargetIsBooksStore, "",
         [](FakePlatform& f) { f.AddRunFile(kTarget, RunFileRole::kBooksStore); }},
        {"the settings file", ReportWriter::Failure::kTargetIsSettingsFile, "",
         [](FakePlatform& f) { f.AddRunFile(kTarget, RunFileRole::kSettingsFile); }},
        {"the definition file", ReportWriter::Failure::kTargetIsProgramFile, "",
         [](FakePlatform& f) {
             f.AddRunFile("C:\\Link\\ZezavareDef.ini", RunFileRole::kProgramFile);
             f.aliases[kTarget] = "C:\\Link\\ZezavareDef.ini";
         }},
    };
    for (const Case& c : cases) {
        FakePlatform failing;
        failing.files[kTarget] = "old";
        failing.failureReason = kReason;
        c.arrange(failing);
        ProgressDialog progress(failing, failing);
        ExportProgress plan(progress);
        ReportWriter report(failing.platform, kEditionKcsakura.Names(), plan, figures, ledger);
        StDATAINFO company = Company("A", 0);
        EXPECT_EQ(report.WriteReport(kTarget, 3, &company), 0) << c.what;
        EXPECT_EQ(report.LastFailure(), c.failure) << c.what;
        EXPECT_EQ(report.FailureReason(), c.reason) << c.what;
        EXPECT_EQ(failing.files[kTarget], "old") << c.what;
        EXPECT_EQ(failing.TemporariesLeft(), 0u) << c.what;
        EXPECT_EQ(failing.openFiles, 0) << c.what;
        EXPECT_TRUE(failing.locksHeld.empty()) << c.what;
    }
}

// Prepared before the books are read: the lock is held and the temporary stands beside the
// target until the report is in place.
TEST_F(Report, PreparedTargetIsLockedUntilTheReportIsInPlace) {
    fake.files[kTarget] = "old";
    ASSERT_EQ(writer.Prepare(kTarget), ReportWriter::Failure::kNone);
    EXPECT_EQ(fake.locksHeld, std::set<std::string>{kTarget});
    EXPECT_EQ(fake.TemporariesLeft(), 1u);
    StDATAINFO company = Company("A", 0);
    EXPECT_EQ(writer.WriteReport(kTarget, 3, &company), 1);
    EXPECT_EQ(fake.CallsOf("CreateReplacement").size(), 1u);
    EXPECT_TRUE(fake.locksHeld.empty());
    EXPECT_EQ(fake.TemporariesLeft(), 0u);
    EXPECT_NE(Document(), "old");
}

TEST_F(Report, DocumentThatStopsWithoutAFileErrorHasNoReasonAndIsNotPutInPlace) {
    fake.files[kTarget] = "old";
    EXPECT_EQ(writer.WriteReport(kTarget, 3, nullptr), 0);  // no company: BASIC cannot be written
    EXPECT_EQ(writer.LastFailure(), ReportWriter::Failure::kWriteFailed);
    EXPECT_EQ(writer.FailureReason(), "");
    EXPECT_EQ(Document(), "old");
    EXPECT_EQ(fake.TemporariesLeft(), 0u);
    EXPECT_TRUE(fake.CallsOf("KeepReplacement").empty());
}

TEST_F(Report, NameLeftAtTheOldTemporaryNameIsNeverTouched) {
    // A link or file planted where a fixed temporary name would be: not removed, not written.
    const std::string planted = std::string(kTarget) + ".kctmp";
    fake.files[planted] = "planted";
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_EQ(fake.files[planted], "planted");
    EXPECT_FALSE(fake.Called("RemoveFile " + planted));
    EXPECT_FALSE(fake.Called("OpenFile " + planted));
    EXPECT_EQ(Document().substr(0, 5), "<?xml");
}

TEST_F(Report, TargetThatIsNotARegularFileIsRefusedAndNothingIsWritten) {
    // A folder, a pipe or a device (or a link to one) at the path.
    for (bool folder : {true, false}) {
        FakePlatform other;
        if (folder) {
            other.folders.insert(kTarget);
        } else {
            other.specialFiles.insert(kTarget);
        }
        ProgressDialog progress(other, other);
        ExportProgress plan(progress);
        ReportWriter report(other.platform, kEditionKcsakura.Names(), plan, figures, ledger);
        EXPECT_EQ(report.CheckTarget(kTarget), ReportWriter::Failure::kTargetNotAFile) << folder;
        StDATAINFO company = Company("A", 0);
        EXPECT_EQ(report.WriteReport(kTarget, 3, &company), 0) << folder;
        EXPECT_EQ(report.LastFailure(), ReportWriter::Failure::kTargetNotAFile) << folder;
        EXPECT_TRUE(other.CallsOf("CreateReplacement").empty()) << folder;
        EXPECT_TRUE(other.CallsOf("KeepReplacement").empty()) << folder;
        EXPECT_EQ(other.writes, 0) << folder;
        EXPECT_EQ(other.files.count(kTarget), 0u) << folder;
    }
    // A regular file, or nothing, at the path is a usable target.
    EXPECT_EQ(writer.CheckTarget(kTarget), ReportWriter::Failure::kNone);
    fake.files[kTarget] = "old";
    EXPECT_EQ(writer.CheckTarget(kTarget), ReportWriter::Failure::kNone);
}

// SUPPORT.INF beside the program.
class Support : public ::testing::Test {
protected:
    std::string Name(const std::string& content) {
        fake.files["SUPPORT.INF"] = content;
        SupportInfo info(fake.platform, "kcsakura");
        return info.ProductName();
    }
    FakePlatform fake;
};

TEST_F(Support, ValueFollowsTheKeyToTheEndOfItsLine) {
    EXPECT_EQ(Name("[Product]\r\n[=製品名=]記帳丸 & Co\r\n[=製品ﾊﾞｰｼﾞｮﾝ=]22.03.05\r\n"),
              "記帳丸 & Co");
    SupportInfo info(fake.platform, "kcsakura");
    EXPECT_EQ(info.ProductVersion(), "22.03.05");
}

TEST_F(Support, ValueOnTheNextLineIsNotFound) {
    EXPECT_EQ(Name("[=製品名=]\r\n記帳丸\r\n"), "");
}

TEST_F(Support, EndOfFileByteEndsALine) {
    EXPECT_EQ(Name("[=製品名=]記帳丸\x1A"
                   "after"),
              "記帳丸");
}

TEST_F(Support, OnlyTheFirst30000BytesAreRead) {
    EXPECT_EQ(Name(std::string(29995, 'x') + "[=製品名=]ABCDEFGH"),
              "");  // the key ends past the block
    EXPECT_EQ(Name(std::string(29990 - 10, 'x') + "[=製品名=]ABCDEFGHIJKLMN"), "ABCDEFGHIJ");
    EXPECT_EQ(Name(std::string(30000 - 10, 'x') + "[=製品名=]"), "");  // the key in the last bytes
}

TEST_F(Support, LeadByteWithoutItsTrailByteIsDropped) {
    // Cut at the line's end, or followed by a byte that cannot be a trail byte.
    EXPECT_EQ(Name("[=製品名=]記帳\x8B\r\n"), "記帳");
    EXPECT_EQ(Name("[=製品名=]A\x81<B\x82\x1A"), "A<B");
}

TEST_F(Report, LoneLeadByteOfSupportInfoNeverReachesTheDocument) {
    fake.files["SUPPORT.INF"] = "[=製品名=]記帳\x8B\r\n[=製品ﾊﾞｰｼﾞｮﾝ=]22.03\x81\r\n";
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_TRUE(Has("<PROGRAMNAME>記帳</PROGRAMNAME>"));
    EXPECT_TRUE(Has("<PROGRAMVER>22.03</PROGRAMVER>"));
}

TEST_F(Support, MissingFileGivesTheDefaultsAndIsNotTriedTwice) {
    SupportInfo info(fake.platform, "kcsakura");
    EXPECT_EQ(info.ProductName(), "");
    EXPECT_EQ(info.ProductVersion(), "");
    EXPECT_EQ(fake.CallsOf("OpenFile").size(), 1u);
}

TEST_F(Support, BlockThatCannotBeHadShowsTheNoticeOnce) {
    fake.failAllocation = true;
    fake.files["SUPPORT.INF"] = "[=製品名=]X\r\n";
    SupportInfo info(fake.platform, "kcsakura");
    EXPECT_EQ(info.ProductName(), "");
    EXPECT_EQ(info.ProductVersion(), "");
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "ﾒﾓﾘが不足しています。");
    EXPECT_EQ(fake.boxes[0].caption, "kcsakura");
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
}

TEST_F(Report, ProductFromSupportInfoAndDefaultsWithoutMemory) {
    fake.files["SUPPORT.INF"] = "[=製品名=]記帳丸<22>\r\n[=製品ﾊﾞｰｼﾞｮﾝ=]22.03.01\r\n";
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_TRUE(Has("<PROGRAMNAME>記帳丸&lt;22&gt;</PROGRAMNAME>"));
    EXPECT_TRUE(Has("<PROGRAMVER>22.03.01</PROGRAMVER>"));
    fake.failAllocation = true;
    ASSERT_EQ(Write(Company("A", 0)), 1);
    EXPECT_TRUE(Has("<PROGRAMNAME>記帳丸２２ さくら版</PROGRAMNAME>"));
    EXPECT_TRUE(Has("<PROGRAMVER>22.03.0X</PROGRAMVER>"));
}

}  // namespace
