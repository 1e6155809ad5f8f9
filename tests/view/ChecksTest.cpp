#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

#include "tests/view/Documents.h"
#include "tools/kcview/Checks.h"
#include "tools/kcview/ExportReader.h"

namespace kcview {
namespace {

using testing::Edited;
using testing::LineOf;

std::vector<CheckOutcome> Outcomes(const std::string& text) {
    ReadResult read = ReadExportBytes(text);
    EXPECT_TRUE(read.ok) << read.reason << " at line " << read.line;
    // The outcomes point into the static table, not into the document.
    return RunChecks(read.document);
}

std::vector<std::string> FailedChecks(const std::vector<CheckOutcome>& outcomes) {
    std::vector<std::string> names;
    for (const CheckOutcome& outcome : outcomes) {
        if (!outcome.failures.empty()) names.push_back(outcome.check->name);
    }
    return names;
}

const std::vector<Disagreement>& FailuresOf(const std::vector<CheckOutcome>& outcomes,
                                            const std::string& name) {
    for (const CheckOutcome& outcome : outcomes) {
        if (outcome.check->name == name) return outcome.failures;
    }
    throw std::logic_error("no check " + name);
}

// The disagreement whose left side starts with `what`.
const Disagreement* FindFailure(const std::vector<Disagreement>& failures,
                                const std::string& what) {
    for (const Disagreement& failure : failures) {
        if (failure.left.what.rfind(what, 0) == 0) return &failure;
    }
    return nullptr;
}

TEST(TiedOutDocuments, HandMadeDocumentPassesEveryCheck) {
    EXPECT_EQ(FailedChecks(Outcomes(testing::kTiedOut)), std::vector<std::string>{});
}

TEST(TiedOutDocuments, SampleBooksExportPassesEveryCheck) {
    ReadResult read = ReadExportFile(KC_SAMPLE_EXPORT);
    ASSERT_TRUE(read.ok) << read.reason;
    const auto outcomes = RunChecks(read.document);
    EXPECT_EQ(outcomes.size(), AllChecks().size());
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{});
}

TEST(Truncation, AllowsLessThanOneYenPerTermAndNoMore) {
    EXPECT_TRUE(WithinTruncation(0, 0));
    EXPECT_TRUE(WithinTruncation(0, 1));
    EXPECT_FALSE(WithinTruncation(1, 0));
    EXPECT_FALSE(WithinTruncation(1, 1));
    EXPECT_TRUE(WithinTruncation(1, 2));
    EXPECT_TRUE(WithinTruncation(-1, 2));
    EXPECT_FALSE(WithinTruncation(2, 2));
    EXPECT_FALSE(WithinTruncation(-2, 2));
    EXPECT_TRUE(WithinTruncation(9, 10));
    EXPECT_FALSE(WithinTruncation(10, 10));
    EXPECT_FALSE(WithinTruncation(LLONG_MIN, 5));
}

TEST(SectionTotals, AmountOffByAsManyYenAsItemsFails) {
    const std::string text =
        Edited(R"(Label="流動資産合計" Amount="1000")", R"(Label="流動資産合計" Amount="1002")");
    const auto outcomes = Outcomes(text);
    const Disagreement* failure =
        FindFailure(FailuresOf(outcomes, "section-totals"), "流動資産合計");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->left.amount, 1002);
    EXPECT_EQ(failure->left.lines, std::vector<int>{LineOf("流動資産合計", text)});
    EXPECT_EQ(failure->right.amount, 400 + 600);
    EXPECT_EQ(failure->right.lines,
              (std::vector<int>{LineOf(R"("現金")", text), LineOf(R"("売掛金")", text)}));
    EXPECT_NE(failure->right.what.find("の内訳2科目"), std::string::npos) << failure->right.what;
}

TEST(SectionTotals, AmountOffByLessThanOneYenPerItemHolds) {
    const std::string text =
        Edited(R"(Label="流動資産合計" Amount="1000")", R"(Label="流動資産合計" Amount="1001")");
    EXPECT_TRUE(FailuresOf(Outcomes(text), "section-totals").empty());
}

TEST(SectionTotals, SingleItemMustMatchExactly) {
    const std::string text = Edited(R"(Amount="1500">)", R"(Amount="1501">)");
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{"section-totals"});
    EXPECT_NE(FindFailure(FailuresOf(outcomes, "section-totals"), "有形固定資産合計"), nullptr);
}

TEST(SectionTotals, SubsectionFiguresAreTermsOfTheirSection) {
    const std::string text =
        Edited(R"(Label="固定資産合計" Amount="2000")", R"(Label="固定資産合計" Amount="2002")");
    const auto outcomes = Outcomes(text);
    const Disagreement* failure =
        FindFailure(FailuresOf(outcomes, "section-totals"), "固定資産合計");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->right.amount, 1500 + 500);
    EXPECT_NE(failure->right.what.find("有形固定資産合計"), std::string::npos);
}

TEST(SectionTotals, SumsBeyondSixtyFourBitsNeverHold) {
    // 2^63 - 1 and 1 make 2^63, not the -2^63 a wrapped sum would equal.
    std::string text = Edited(R"(Label="流動資産合計" Amount="1000")",
                              R"(Label="流動資産合計" Amount="-9223372036854775808")");
    text = Edited(">400<", ">9223372036854775807<", text);
    text = Edited(">600<", ">1<", text);
    EXPECT_NE(FindFailure(FailuresOf(Outcomes(text), "section-totals"), "流動資産合計"), nullptr);

    // Three items of -2^63 + 1 in all under 2^63 - 1: 2^64 - 2 apart, not the 2 a wrapped
    // difference would make, which three terms could explain.
    text = Edited(R"(Label="流動資産合計" Amount="1000")",
                  R"(Label="流動資産合計" Amount="9223372036854775807")");
    text = Edited(">400<", ">-3074457345618258602<", text);
    text = Edited(R"(<Item Label="売掛金">600</Item>)",
                  "<Item Label=\"売掛金\">-3074457345618258602</Item>\n"
                  "<Item Label=\"前払費用\">-3074457345618258603</Item>",
                  text);
    EXPECT_NE(FindFailure(FailuresOf(Outcomes(text), "section-totals"), "流動資産合計"), nullptr);
}

// The hand-made document with 繰越利益剰余金 closing at `closing` instead of 800, on the balance
// sheet and in the statement of changes alike, and net assets with it.
std::string RetainedEarningsAt(int closing) {
    const std::string to = std::to_string(closing);
    std::string text =
        Edited(R"(Amount="1800")", "Amount=\"" + std::to_string(1000 + closing) + "\"");
    text = Edited(R"(<Item Label="繰越利益剰余金">800)", R"(<Item Label="繰越利益剰余金">)" + to,
                  text);
    text = Edited("<TotalChangesItemsDuringPeriod>300<",
                  "<TotalChangesItemsDuringPeriod>" + std::to_string(closing - 500) + "<", text);
    return Edited("<BalanceEndCurrentPeriod>800<", "<BalanceEndCurrentPeriod>" + to + "<", text);
}

TEST(Balance, AssetsOtherThanLiabilitiesPlusNetAssetsFail) {
    const std::string text = RetainedEarningsAt(805);
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{"balance"});
    const auto& failures = FailuresOf(outcomes, "balance");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].left.what, "資産合計");
    EXPECT_EQ(failures[0].left.amount, 3000);
    EXPECT_EQ(failures[0].right.amount, 1200 + 1805);
    EXPECT_EQ(failures[0].right.lines,
              (std::vector<int>{LineOf("負債合計", text), LineOf("純資産合計", text)}));
}

TEST(Balance, OneYenAcrossTwoTermsWarns) {
    const std::string text = RetainedEarningsAt(801);
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{});
    for (const CheckOutcome& outcome : outcomes) {
        if (std::string(outcome.check->name) == "balance") {
            EXPECT_EQ(outcome.warnings.size(), 1u);
        }
    }
}

TEST(IncomeSteps, OperatingIncomeThatDoesNotFollowFails) {
    const std::string text =
        Edited(R"(Label="営業利益" Amount="500")", R"(Label="営業利益" Amount="498")");
    const auto outcomes = Outcomes(text);
    const Disagreement* failure = FindFailure(FailuresOf(outcomes, "income-steps"), "営業利益");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->left.amount, 498);
    EXPECT_EQ(failure->right.amount, 2000 - 1500);
    EXPECT_EQ(failure->right.what, "売上総利益 - 販売費及び一般管理費合計");
}

TEST(IncomeSteps, NetIncomeSubtractsEveryTaxItem) {
    const std::string text =
        Edited(R"(Label="当期純利益" Amount="300")", R"(Label="当期純利益" Amount="310")");
    const auto outcomes = Outcomes(text);
    const Disagreement* failure = FindFailure(FailuresOf(outcomes, "income-steps"), "当期純利益");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->right.amount, 500 - 200);
}

TEST(ManufacturingSteps, TotalProductionCostThatDoesNotFollowFails) {
    const std::string text = Edited(R"(Label="当期総製造費用" Amount="3000")",
                                    R"(Label="当期総製造費用" Amount="3100")");
    const auto outcomes = Outcomes(text);
    const Disagreement* failure =
        FindFailure(FailuresOf(outcomes, "manufacturing-steps"), "当期総製造費用");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->right.amount, 2000 + 1000);
}

TEST(NetIncomeCarried, ChangesRowOtherThanNetIncomeFails) {
    const std::string text = Edited("<Amount>300</Amount>", "<Amount>299</Amount>");
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{"net-income-carried"});
    const auto& failures = FailuresOf(outcomes, "net-income-carried");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].left.amount, 300);
    EXPECT_EQ(failures[0].right.amount, 299);
    EXPECT_EQ(failures[0].right.lines, std::vector<int>{LineOf("<Amount>299", text)});
}

TEST(NetIncomeCarried, MissingRowCountsAsZero) {
    const std::string text = Edited("<Reason>当期純利益</Reason>", "<Reason>剰余金の配当</Reason>");
    const auto outcomes = Outcomes(text);
    const auto& failures = FailuresOf(outcomes, "net-income-carried");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].right.amount, 0);
}

TEST(FinishedGoods, IncomeStatementUsingAnotherFigureFails) {
    const std::string text = Edited(
        R"(<Item Label="当期製品製造原価">3000</Item>)",
        "<Item Label=\"当期製品製造原価\">2990</Item>\n<Item Label=\"商品仕入高\">10</Item>");
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{"finished-goods"});
    const auto& failures = FailuresOf(outcomes, "finished-goods");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].left.amount, 3000);
    EXPECT_EQ(failures[0].left.lines, std::vector<int>{LineOf(R"(<CostFinishedGoods)", text)});
    EXPECT_EQ(failures[0].right.amount, 2990);
}

TEST(LedgerClosing, ClosingOtherThanTheStatementsFails) {
    const std::string text = Edited("<HJ00780S0040>400<", "<HJ00780S0040>401<");
    const auto outcomes = Outcomes(text);
    EXPECT_EQ(FailedChecks(outcomes), std::vector<std::string>{"ledger-closing"});
    const auto& failures = FailuresOf(outcomes, "ledger-closing");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].left.amount, 401);
    EXPECT_EQ(failures[0].left.lines, std::vector<int>{LineOf("<HJ00780S01>", text)});
    EXPECT_EQ(failures[0].right.amount, 400);
    EXPECT_EQ(failures[0].right.lines, std::vector<int>{LineOf(R"(<Item Label="現金")", text)});
}

TEST(LedgerClosing, AccountOfZeroYenNeedsNoItem) {
    std::string text = Edited("<HJ00780S0010>現金<", "<HJ00780S0010>仮払金<");
    EXPECT_FALSE(FailuresOf(Outcomes(text), "ledger-closing").empty());
    text = Edited("<HJ00780S0040>400<", "<HJ00780S0040>0<", text);
    EXPECT_TRUE(FailuresOf(Outcomes(text), "ledger-closing").empty());
}

TEST(OneSectionPerItem, UnclassifiedFixedAssetUnderEveryKindIsFlagged) {
    // The export writes such an asset under each kind of noncurrent asset.
    std::string text = Edited("<Item Label=\"建物\">1500</Item>",
                              "<Item Label=\"建物\">1500</Item>\n<Item Label=\"器具\">70</Item>");
    text = Edited("<Item Label=\"ソフトウェア\">500</Item>",
                  "<Item Label=\"ソフトウェア\">500</Item>\n<Item Label=\"器具\">70</Item>", text);
    const auto outcomes = Outcomes(text);
    const auto& failures = FailuresOf(outcomes, "one-section-per-item");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].left.what, "有形固定資産合計の器具");
    EXPECT_EQ(failures[0].right.what, "同じ科目（無形固定資産合計にも）");
    EXPECT_EQ(failures[0].right.amount, 70);
    // Written where it does not belong, it also breaks those sections' totals.
    EXPECT_FALSE(FailuresOf(outcomes, "section-totals").empty());
}

TEST(OneSectionPerItem, SameLabelInDifferentStatementsIsNotFlagged) {
    const std::string text =
        Edited(R"(<Item Label="賃金">1000</Item>)", R"(<Item Label="給料手当">1000</Item>)");
    EXPECT_TRUE(FailuresOf(Outcomes(text), "one-section-per-item").empty());
}

TEST(CheckDescriptions, EachIsOneLineOfTheReadme) {
    std::ifstream in(KC_README);
    std::stringstream readme;
    readme << in.rdbuf();
    for (const Check& check : AllChecks()) {
        const std::string line =
            std::string("- `") + check.name + "` — " + check.description + "\n";
        EXPECT_NE(readme.str().find(line), std::string::npos) << line;
    }
}

TEST(DescribedSides, NameTheFigureItsAmountAndItsLines) {
    EXPECT_EQ(DescribeSide({"資産合計", -3000, {36}}), "資産合計 -3000 (36行目)");
    EXPECT_EQ(DescribeSide({"a + b", 5, {9, 4}}), "a + b 5 (4, 9行目)");
    EXPECT_EQ(DescribeSide({"科目", 5, {7, 3, 5, 6, 4}}), "科目 5 (3–7行目)");
    EXPECT_EQ(DescribeSide({"決算書に科目現金なし", 0, {}}), "決算書に科目現金なし 0");
    // For a person, as the page writes amounts.
    EXPECT_EQ(DescribeSide({"資産合計", 46246875, {36}}, true), "資産合計 46,246,875 (36行目)");
    EXPECT_EQ(DescribeSide({"保険料", -96000, {}}, true), "保険料 △96,000");
}

// --- charts without an account for a total: the file has no figure there, which is neither zero
// nor a disagreement.

struct ChartEdit {
    const char* what;
    std::vector<std::pair<std::string, std::string>> edits;
};

std::string Applied(const ChartEdit& chart) {
    std::string text = testing::kTiedOut;
    for (const auto& [from, to] : chart.edits) text = Edited(from, to, text);
    return text;
}

const std::string kGrossProfit =
    "<GrossProfit Label=\"売上総利益\" Amount=\"2000\"></GrossProfit>\n";
const std::string kOperating =
    "<OperatingIncome Label=\"営業利益\" Amount=\"500\"></OperatingIncome>\n";
const std::string kOrdinary =
    "<OrdinaryIncome Label=\"経常利益\" Amount=\"500\"></OrdinaryIncome>\n";
const std::string kBeforeTaxes =
    "<IncomeBeforeIncomeTaxes Label=\"税引前当期純利益\" "
    "Amount=\"500\"></IncomeBeforeIncomeTaxes>\n";
const std::string kTotalProduction =
    "<TotalProductionCostUtilized Label=\"当期総製造費用\" "
    "Amount=\"3000\"></TotalProductionCostUtilized>\n";
const std::string kSubtotal =
    "<SubtotalScheduleCostGoodsManufactured Label=\"合計\" "
    "Amount=\"3000\"></SubtotalScheduleCostGoodsManufactured>\n";

const ChartEdit kChartsWithoutATotal[] = {
    {"no gross profit", {{kGrossProfit, ""}}},
    {"no operating income", {{kOperating, ""}}},
    {"no ordinary income", {{kOrdinary, ""}}},
    {"no income before taxes", {{kBeforeTaxes, ""}}},
    {"neither ordinary income nor income before taxes", {{kOrdinary, ""}, {kBeforeTaxes, ""}}},
    {"no profit line but net income",
     {{kGrossProfit, ""}, {kOperating, ""}, {kOrdinary, ""}, {kBeforeTaxes, ""}}},
    {"no total production cost", {{kTotalProduction, ""}}},
    {"no subtotal with the opening work in process", {{kSubtotal, ""}}},
    {"no total of the schedule but its cost of finished goods",
     {{kTotalProduction, ""}, {kSubtotal, ""}}},
    {"a section's heading without its total account",
     {{R"(Label="流動資産合計" Amount="1000")", R"(Label="流動資産" Amount="")"}}},
    {"sales without their total account",
     {{R"(Label="売上高合計" Amount="5000")", R"(Label="売上高" Amount="")"}}},
    {"an empty subtotal of the schedule",
     {{R"(Label="合計" Amount="3000")", R"(Label="合計" Amount="")"}}},
    {"an empty net income",
     {{R"(Label="当期純利益" Amount="300")", R"(Label="当期純利益" Amount="")"}}},
    {"no schedule at all",
     {{"<ScheduleCostGoodsManufactured>", "<Unused>"},
      {"</ScheduleCostGoodsManufactured>", "</Unused>"}}},
    {"no statement of changes in net assets",
     {{"<StatementChangesNetAssets>", "<Unused>"}, {"</StatementChangesNetAssets>", "</Unused>"}}},
};

TEST(ChartsWithoutATotal, NoCheckFails) {
    for (const ChartEdit& chart : kChartsWithoutATotal) {
        EXPECT_EQ(FailedChecks(Outcomes(Applied(chart))), std::vector<std::string>{}) << chart.what;
    }
}

// What each chart leaves the checks to compare: a check that cannot be computed says why.
TEST(ChartsWithoutATotal, CheckWithoutItsFiguresIsNotApplicableWithItsReason) {
    const struct {
        const ChartEdit& chart;
        std::vector<std::string> notApplicable;
    } kCases[] = {
        // Without the books and last year's file the checks against them have nothing to
        // compare; the hand-made books have no consumption tax, officers' pay or depreciation.
        {kChartsWithoutATotal[0],
         {"books-agree", "consumption-tax", "carried-forward", "officer-pay", "depreciation"}},
        {kChartsWithoutATotal[8],
         {"books-agree", "consumption-tax", "carried-forward", "officer-pay", "depreciation"}},
        {kChartsWithoutATotal[12],
         {"books-agree", "consumption-tax", "carried-forward", "net-income-carried", "officer-pay",
          "depreciation"}},
        {kChartsWithoutATotal[13],
         {"books-agree", "consumption-tax", "carried-forward", "manufacturing-steps",
          "finished-goods", "officer-pay", "depreciation"}},
        {kChartsWithoutATotal[14],
         {"books-agree", "consumption-tax", "changes-add-up", "carried-forward",
          "net-income-carried", "officer-pay", "depreciation"}},
    };
    for (const auto& test : kCases) {
        std::vector<std::string> names;
        for (const CheckOutcome& outcome : Outcomes(Applied(test.chart))) {
            if (outcome.notApplicable.empty()) continue;
            names.push_back(outcome.check->name);
            EXPECT_TRUE(outcome.failures.empty()) << test.chart.what;
        }
        EXPECT_EQ(names, test.notApplicable) << test.chart.what;
    }
}

// The checks still compute through a missing total, and still fail on a file that disagrees.
TEST(ChartsWithoutATotal, FiguresThatDisagreeStillFail) {
    const struct {
        ChartEdit chart;
        const char* check;
        const char* left;
        std::int64_t right;
    } kCases[] = {
        {{"net income off",
          {{kOrdinary, ""}, {kBeforeTaxes, ""}, {R"(Amount="300")", R"(Amount="310")"}}},
         "income-steps",
         "当期純利益",
         300},
        {{"finished goods off",
          {{kSubtotal, ""},
           {R"(Label="当期製品製造原価" Amount="3000")",
            R"(Label="当期製品製造原価" Amount="2900")"}}},
         "manufacturing-steps",
         "当期製品製造原価",
         3000},
        {{"sales off",
          {{R"(Label="売上高合計" Amount="5000")", R"(Label="売上高" Amount="")"},
           {R"(<Item Label="製品売上高">5000)", R"(<Item Label="製品売上高">5100)"}}},
         "income-steps",
         "売上総利益",
         2100},
    };
    for (const auto& test : kCases) {
        const auto outcomes = Outcomes(Applied(test.chart));
        const auto& failures = FailuresOf(outcomes, test.check);
        ASSERT_EQ(failures.size(), 1u) << test.chart.what;
        EXPECT_EQ(failures[0].left.what, test.left) << test.chart.what;
        EXPECT_EQ(failures[0].right.amount, test.right) << test.chart.what;
    }
}

}  // namespace
}  // namespace kcview
