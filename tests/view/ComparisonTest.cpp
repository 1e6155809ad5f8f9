// This year's file beside last year's: the bounds that mark a change, the year that must come
// right before, the net assets carried forward, and the lines matched across the two files.

#include <gtest/gtest.h>

#include "tests/view/Documents.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ComparisonPage.h"
#include "tools/kcview/ExportReader.h"

namespace kcview {
namespace {

using testing::Edited;
using testing::LineOf;
using testing::YearBefore;

ExportDocument Read(const std::string& text) {
    ReadResult read = ReadExportBytes(text);
    EXPECT_TRUE(read.ok) << read.reason << " at line " << read.line;
    return std::move(read.document);
}

CheckOutcome CarriedForwardOf(const std::vector<CheckOutcome>& outcomes) {
    for (const CheckOutcome& outcome : outcomes) {
        if (std::string(outcome.check->name) == "carried-forward") return outcome;
    }
    throw std::logic_error("no check carried-forward");
}

TEST(ChangeThresholds, MarkAChangeThatReachesBothBoundsOnly) {
    const ChangeThreshold byDefault;
    const ChangeThreshold loose{20, 500000};
    const struct {
        std::optional<std::int64_t> current, previous;
        const ChangeThreshold& threshold;
        bool marked;
    } kCases[] = {
        {13000000, 10000000, byDefault, true},   // 30 % and 3,000,000: both at their bound
        {12999999, 10000000, byDefault, false},  // just under 30 %
        {2000000, 1000000, byDefault, true},     // 100 % and 1,000,000
        {1999999, 1000000, byDefault, false},    // 100 % but under 1,000,000
        {7000000, 10000000, byDefault, true},    // a fall counts as a rise
        {7000001, 10000000, byDefault, false},
        {-3500000, -5000000, byDefault, true},  // per cent of a negative figure's size
        {-3500001, -5000000, byDefault, false},
        {1000000, 0, byDefault, true},  // from 0 only the yen bound decides
        {999999, 0, byDefault, false},
        {1000000, std::nullopt, byDefault, true},  // a new line changes from nothing
        {std::nullopt, 1000000, byDefault, true},  // a line gone changes to nothing
        {5000000, 5000000, byDefault, false},
        {3000000, 2500000, loose, true},
        {2999999, 2500000, loose, false},
        {0, 0, ChangeThreshold{0, 0}, false},  // no change is ever marked
    };
    for (const auto& test : kCases) {
        EXPECT_EQ(IsMarkedChange(test.current, test.previous, test.threshold), test.marked)
            << test.previous.value_or(-1) << " -> " << test.current.value_or(-1);
    }
}

TEST(ChangeThresholds, PerCentOfAChangeFromNothingIsADash) {
    EXPECT_EQ(PercentChange(13000000, 10000000), "30.0%");
    EXPECT_EQ(PercentChange(-1, 3), "△133.3%");
    EXPECT_EQ(PercentChange(std::nullopt, 400), "△100.0%");
    EXPECT_EQ(PercentChange(400, 0), "—");
    EXPECT_EQ(PercentChange(400, std::nullopt), "—");
}

TEST(FlagChangeOption, TakesAPerCentAndWholeYen) {
    const std::optional<ChangeThreshold> parsed = ParseChangeThreshold("12.5%,500000");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->percent, 12.5);
    EXPECT_EQ(parsed->yen, 500000);
    for (const char* malformed :
         {"", "20", "20,500000", "20%", "20%,", "%,500000", "-5%,1", "20%,-1", "1e2%,5", "20%,5e5",
          "20%,1,000", "20 %,5", ".5%,5", "20%,99999999999999999999", "20%;500000"}) {
        EXPECT_FALSE(ParseChangeThreshold(malformed)) << malformed;
    }
}

TEST(PrecedingYear, OnlyAYearEndingTheDayBeforeIsAccepted) {
    const ExportDocument current = Read(testing::kTiedOut);
    EXPECT_EQ(PrecedingYearProblem(current, Read(YearBefore())), "");
    const std::string sameYear = PrecedingYearProblem(current, current);
    EXPECT_NE(sameYear.find("2025-04-01 to 2026-03-31 does not directly precede this year's, "
                            "which starts 2025-04-01"),
              std::string::npos)
        << sameYear;
    const std::string gap =
        Edited("<JIGYOUNENDOTO>20250331<", "<JIGYOUNENDOTO>20250330<", YearBefore());
    EXPECT_NE(PrecedingYearProblem(current, Read(gap)), "");
    const std::string noDate =
        Edited("<JIGYOUNENDOTO>20250331<", "<JIGYOUNENDOTO>20250231<", YearBefore());
    EXPECT_NE(PrecedingYearProblem(current, Read(noDate)).find("no fiscal year"),
              std::string::npos);
}

TEST(CarriedForward, HoldsWhenLastYearClosesWhereThisYearOpens) {
    const ExportDocument current = Read(testing::kTiedOut);
    const ExportDocument previous = Read(YearBefore());
    const CheckOutcome outcome = CarriedForwardOf(RunChecks(current, &previous));
    EXPECT_TRUE(outcome.notApplicable.empty()) << outcome.notApplicable;
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(CarriedForwardOf(RunChecks(current)).notApplicable,
              "前期のファイルが指定されていません");
}

TEST(CarriedForward, FailureNamesBothFilesFiguresAndLines) {
    const std::string last = YearBefore("450");
    const ExportDocument previous = Read(last);
    const ExportDocument current = Read(testing::kTiedOut);
    const CheckOutcome outcome = CarriedForwardOf(RunChecks(current, &previous));
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(DescribeSide(outcome.failures[0].left),
              "当期ファイルの繰越利益剰余金の当期首残高 500 (" +
                  std::to_string(LineOf("<BalanceEndPreviousPeriod>")) + "行目)");
    EXPECT_EQ(DescribeSide(outcome.failures[0].right),
              "前期ファイルの繰越利益剰余金の当期末残高 450 (" +
                  std::to_string(LineOf("<BalanceEndCurrentPeriod>", last)) + "行目)");
}

TEST(CarriedForward, AColumnOnlyOneYearHasIsZeroOnTheOtherSide) {
    const ExportDocument current = Read(testing::kTiedOut);
    const ExportDocument renamed =
        Read(Edited("<AccountList>繰越利益剰余金<", "<AccountList>別途積立金<", YearBefore()));
    const CheckOutcome outcome = CarriedForwardOf(RunChecks(current, &renamed));
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(DescribeSide(outcome.failures[0].right), "前期ファイルに繰越利益剰余金の列なし 0");
    EXPECT_EQ(DescribeSide(outcome.failures[1].left), "当期ファイルに別途積立金の列なし 0");
}

TEST(ComparedStatements, LinesMeetByTheirLabelAndALineOfOneYearLeavesTheOtherEmpty) {
    const std::string last = Edited(R"(<Item Label="売掛金">600</Item>)",
                                    R"(<Item Label="未収入金">600</Item>)", YearBefore());
    const Comparison comparison = CompareYears(
        Read(testing::kTiedOut),
        Read(Edited(R"(<Item Label="現金">400</Item>)", R"(<Item Label="現金">100</Item>)", last)),
        ChangeThreshold{30, 300});
    ASSERT_FALSE(comparison.statements.empty());
    const ComparedStatement& sheet = comparison.statements[0];
    EXPECT_EQ(sheet.title, "貸借対照表");
    std::vector<std::string> labels;
    for (const ComparedLine& line : sheet.lines) {
        if (line.label == "現金") {
            EXPECT_EQ(line.current, 400);
            EXPECT_EQ(line.previous, 100);
            EXPECT_TRUE(line.marked);
        }
        if (line.label == "売掛金") {
            EXPECT_FALSE(line.previous);
        }
        if (line.label == "未収入金") {
            EXPECT_FALSE(line.current);
        }
        if (line.kind == LineKind::Item) labels.push_back(line.label);
    }
    const std::vector<std::string> kCurrentAssets = {"現金", "未収入金", "売掛金", "建物"};
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 4), kCurrentAssets);
    EXPECT_EQ(comparison.previousTo, "20250331");
}

// Both years' net assets are grouped alike, so each group's subtotal meets last year's; a loss in
// either year labels its profit line for both.
TEST(ComparedStatements, NetAssetsGroupsMeetAcrossTheYearsAndALossLabelsBoth) {
    const std::string last =
        Edited(R"(<NetIncome Label="当期純利益" Amount="300">)",
               R"(<NetIncome Label="当期純利益" Amount="-40">)",
               Edited(R"(<Item Label="繰越利益剰余金">800</Item>)",
                      R"(<Item Label="繰越利益剰余金">500</Item>)", YearBefore()));
    const Comparison comparison =
        CompareYears(Read(testing::kTiedOut), Read(last), ChangeThreshold{30, 300});
    ASSERT_GE(comparison.statements.size(), 2u);
    std::vector<std::string> netAssets;
    bool inNetAssets = false;
    for (const ComparedLine& line : comparison.statements[0].lines) {
        if (line.kind == LineKind::Heading && line.label == "NetAssets") inNetAssets = true;
        if (!inNetAssets) continue;
        netAssets.push_back(std::to_string(line.depth) + " " + line.label + " " +
                            (line.current ? std::to_string(*line.current) : "-") + " " +
                            (line.previous ? std::to_string(*line.previous) : "-") +
                            (line.marked ? " marked" : ""));
    }
    const std::vector<std::string> kGrouped = {
        "1 NetAssets - -",
        "2 ShareholdersEquity - -",
        "4 資本金 1000 1000",
        "3 RetainedEarnings - -",
        "4 OtherRetainedEarnings - -",
        "6 繰越利益剰余金 800 500 marked",
        "4 その他利益剰余金合計 800 500 marked",
        "3 利益剰余金合計 800 500 marked",
        "2 株主資本合計 1800 1500",
        "1 純資産合計 1800 1800",
        "1 負債及び純資産合計 3000 3000",
    };
    EXPECT_EQ(netAssets, kGrouped);
    bool netIncome = false;
    for (const ComparedLine& line : comparison.statements[1].lines) {
        if (line.current != 300) continue;
        netIncome = true;
        EXPECT_EQ(line.label, "当期純利益又は当期純損失（△）");
        EXPECT_EQ(line.previous, -40);
    }
    EXPECT_TRUE(netIncome);
}

// ▲ reads as a minus in a Japanese statement: a marked change is marked ◆.
TEST(ComparedStatements, AMarkedChangeIsMarkedWithADiamond) {
    const Comparison comparison =
        CompareYears(Read(testing::kTiedOut),
                     Read(Edited(R"(<Item Label="現金">400</Item>)",
                                 R"(<Item Label="現金">100</Item>)", YearBefore())),
                     ChangeThreshold{30, 300});
    const std::string marked = MarkedChangesHtml(comparison);
    EXPECT_NE(marked.find("変わった行に ◆ を付けています。"), std::string::npos);
    EXPECT_NE(std::string(kComparisonStyle).find("content:\"◆ \""), std::string::npos);
    EXPECT_EQ(marked.find("▲"), std::string::npos);
    EXPECT_EQ(std::string(kComparisonStyle).find("▲"), std::string::npos);
}

}  // namespace
}  // namespace kcview
