#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/view/Documents.h"
#include "tools/kcview/EraDates.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/LedgerSides.h"
#include "tools/kcview/NetAssetsGroups.h"
#include "tools/kcview/NoteTitles.h"
#include "tools/kcview/Page.h"
#include "tools/kcview/ProfitLines.h"

namespace kcview {
namespace {

using testing::Edited;

std::string PageOf(const std::string& text) {
    ReadResult read = ReadExportBytes(text);
    EXPECT_TRUE(read.ok) << read.reason;
    return RenderPage(read.document, RunChecks(read.document),
                      [&](const LedgerAccountSink& sink) { return ReadExportBytes(text, sink); });
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(Yen, ThousandsSeparatedNegativesAfterTriangle) {
    EXPECT_EQ(FormatYen(0), "0");
    EXPECT_EQ(FormatYen(999), "999");
    EXPECT_EQ(FormatYen(1000), "1,000");
    EXPECT_EQ(FormatYen(88097675), "88,097,675");
    EXPECT_EQ(FormatYen(-110000), "△110,000");
    EXPECT_EQ(FormatYen(-1), "△1");
    EXPECT_EQ(FormatYen(LLONG_MIN), "△9,223,372,036,854,775,808");
}

TEST(ReviewPage, SelfContainedWithoutScriptOrNetwork) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=utf-8>"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_NE(page.find("@media print"), std::string::npos);
}

// The company and its fiscal year head the page; the programs that wrote the file stand at its
// end, after the ledger.
TEST(ReviewPage, HeaderNamesCompanyAndEraPeriodProgramsStandAtTheEnd) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_NE(page.find("<h1>株式会社テスト&amp;工業　決算書</h1>"), std::string::npos);
    EXPECT_NE(page.find("事業年度 自 令和7年4月1日 至 令和8年3月31日"), std::string::npos);
    const std::size_t programs = page.find("記帳丸２２ さくら版 22.03.01");
    ASSERT_NE(programs, std::string::npos);
    EXPECT_GT(programs, page.find("id=gl"));
    EXPECT_GT(page.find("連動プログラム 22.03.00"), page.find("id=gl"));
    EXPECT_LT(page.find("</footer>"), page.find("</body>"));
}

TEST(ReviewPage, BalanceSheetTotalsOnBothSides) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_NE(page.find("class=sheet"), std::string::npos);
    EXPECT_NE(page.find("資産合計<td><td>3,000"), std::string::npos);
    EXPECT_NE(page.find("負債及び純資産合計<td><td>3,000"), std::string::npos);
}

TEST(ReviewPage, ARightSideBeyond64BitsIsShownAsNoTotal) {
    const std::string text =
        Edited(R"(<Liabilities Label="負債合計" Amount="1200">)",
               R"(<Liabilities Label="負債合計" Amount="9223372036854775807">)");
    const std::string page = PageOf(text);
    EXPECT_NE(page.find("負債及び純資産合計<td><td>―</table>"), std::string::npos);
    EXPECT_NE(page.find("class=\"checks ng\""), std::string::npos);
}

TEST(ReviewPage, LedgerIsCollapsedWithOpeningLinesAndClosing) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_EQ(Count(page, "<details>"), 1u);
    EXPECT_EQ(page.find("<details open"), std::string::npos);
    EXPECT_NE(page.find("<th>日付<th>伝票<th>相手科目<th>摘要<th>借方<th>貸方<th>残高</thead>\n"),
              std::string::npos);
    EXPECT_NE(page.find("前期繰越<td><td><td>100\n"), std::string::npos);
    // 現金 is an asset: the sale of 300 is its debit.
    EXPECT_NE(
        page.find("<td>2025/04/10<td>7<td>製品売上高<td>現金売上 &lt;店頭&gt;<td>300<td><td>400\n"),
        std::string::npos);
    EXPECT_NE(page.find("期末残高<td><td><td>400"), std::string::npos);
}

// The ledger's lines come from a second reading: a file that changed in between, or a page that
// cannot be written, is no page.
TEST(ReviewPage, LedgerReadAgainMustBeTheSameAndEveryPieceWritten) {
    const ReadResult first = ReadExportBytes(testing::kTiedOut);
    ASSERT_TRUE(first.ok) << first.reason;
    const struct {
        const char* what;
        std::string second;
        bool writes;
        const char* error;
    } cases[] = {
        {"the same file", testing::kTiedOut, true, ""},
        {"a closing changed", Edited("<HJ00780S0040>400<", "<HJ00780S0040>401<"), true,
         "the file changed while kcview read it; run kcview again"},
        {"a line added", Edited("</HJ00780S02>", "</HJ00780S02><HJ00780S02></HJ00780S02>"), true,
         "the file changed while kcview read it; run kcview again"},
        {"the disk full", testing::kTiedOut, false, ""},
    };
    for (const auto& c : cases) {
        std::string page;
        std::string error;
        const bool written = WritePage(
            first.document, RunChecks(first.document), nullptr,
            [&](const LedgerAccountSink& sink) { return ReadExportBytes(c.second, sink); },
            [&](std::string_view piece) {
                page.append(piece);
                return c.writes;
            },
            &error);
        EXPECT_EQ(written, c.writes && *c.error == 0) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        if (written) {
            EXPECT_EQ(page, PageOf(testing::kTiedOut)) << c.what;
        }
    }
}

TEST(ReviewPage, DatesThatAreNotDatesAreShownAsEscapedText) {
    // Eight characters long, like a date, but markup: the page shows them and runs nothing.
    std::string text = Edited("<HJ00780S0060>20250410<", "<HJ00780S0060>&lt;b&gt;xy&lt;i&gt;<");
    text = Edited("<JIGYOUNENDOFROM>20250401<", "<JIGYOUNENDOFROM>&lt;i&gt;x0401<", text);
    text = Edited("<JIGYOUNENDOTO>20260331<", "<JIGYOUNENDOTO>2026ab31<", text);
    const std::string page = PageOf(text);
    EXPECT_EQ(page.find("<b>x"), std::string::npos);
    EXPECT_EQ(page.find("<b/x"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    EXPECT_NE(page.find("<td>&lt;b&gt;xy&lt;i&gt;<td>"), std::string::npos);
    EXPECT_NE(page.find("事業年度 自 &lt;i&gt;x0401 至 2026ab31</p>"), std::string::npos);
}

TEST(ReviewPage, FailedCheckShowsItsFiguresAndLines) {
    const std::string page =
        PageOf(Edited(R"(<Item Label="現金">400</Item>)", R"(<Item Label="現金">-400</Item>)"));
    EXPECT_NE(page.find("class=\"checks ng\""), std::string::npos);
    EXPECT_NE(page.find("流動資産合計 <b>1,000</b>"), std::string::npos);
    EXPECT_NE(page.find("<b>200</b>"), std::string::npos);
    EXPECT_NE(page.find("△400"), std::string::npos);
}

TEST(ReviewPage, AllChecksHoldingSaysSo) {
    ReadResult read = ReadExportBytes(testing::kTiedOut);
    ReadResult previous = ReadExportBytes(testing::YearBefore());
    ASSERT_TRUE(read.ok && previous.ok);
    const auto outcomes = RunChecks(read.document, &previous.document);
    const std::string page = RenderPage(read.document, outcomes, [](const LedgerAccountSink& sink) {
        return ReadExportBytes(testing::kTiedOut, sink);
    });
    EXPECT_EQ(page.find("checks ng"), std::string::npos);
    // The hand-made books have no consumption tax, officers' pay or depreciation to check, and
    // no books are given.
    const auto applicable = std::count_if(outcomes.begin(), outcomes.end(),
                                          [](const auto& o) { return o.notApplicable.empty(); });
    EXPECT_EQ(applicable, static_cast<long>(AllChecks().size()) - 4);
    EXPECT_EQ(Count(page, "<li class=ok>"), static_cast<std::size_t>(applicable));
}

TEST(ReviewPage, CheckThatCannotBeComputedIsShownNotApplicableWithItsReason) {
    const std::string page =
        PageOf(Edited("</HJ00780S>", "</Unused>", Edited("<HJ00780S>", "<Unused>")));
    EXPECT_EQ(page.find("checks ng"), std::string::npos);
    // The ledger's check, the books' and the three the hand-made books give nothing to compare
    // for.
    EXPECT_NE(page.find("18項目中6項目は対象外"), std::string::npos);
    EXPECT_NE(page.find("<li class=na><span class=mark>－</span>総勘定元帳の期末残高"),
              std::string::npos);
    EXPECT_NE(page.find("対象外: 総勘定元帳なしで出力されたファイルです"), std::string::npos);
}

// The checks speak Japanese: titles, descriptions, reasons and failed figures alike.
TEST(ReviewPage, ChecksShowNoEnglishText) {
    const std::string failing = Edited(R"(Amount="1000")", R"(Amount="1010")");
    const std::string page =
        PageOf(Edited("</HJ00780S>", "</Unused>", Edited("<HJ00780S>", "<Unused>", failing)));
    const std::size_t start = page.find("<section class=\"checks ng\"");
    ASSERT_NE(start, std::string::npos);
    std::string visible;
    bool inTag = false;
    for (std::size_t i = start; i < page.find("</section>", start); ++i) {
        if (page[i] == '<' || page[i] == '>')
            inTag = page[i] == '<';
        else if (!inTag)
            visible += page[i];
    }
    EXPECT_NE(visible.find("対象外: "), std::string::npos) << visible;
    EXPECT_NE(visible.find(" ≠ "), std::string::npos) << visible;
    // The option a reason asks for is the one Latin word: the command line is how it is given.
    for (std::size_t option; (option = visible.find("（--books）")) != std::string::npos;)
        visible.erase(option, std::string("（--books）").size());
    const auto letter = std::find_if(visible.begin(), visible.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    EXPECT_EQ(letter, visible.end()) << visible;
}

// A warning is shown apart from a failure: its own mark and word (注意), its own list, and the
// heading counts it; a failure's and a warning's note stand under their figures.
TEST(ReviewPage, WarningsAreShownApartFromFailures) {
    ReadResult read = ReadExportBytes(testing::kTiedOut);
    ASSERT_TRUE(read.ok) << read.reason;
    const Check& first = AllChecks()[0];
    const Check& second = AllChecks()[1];
    const Disagreement gap{{"売上高", 100, {7}}, {"売上高の内訳", 101, {8, 9}}, "端数の切り捨て"};
    const struct {
        const char* what;
        std::vector<CheckOutcome> outcomes;
        std::vector<std::string> shown;
    } cases[] = {
        {"a warning alone",
         {{&first, {}, {gap}, ""}, {&second, {}, {}, ""}},
         {"<section class=\"checks wn\"", "検査: 不一致はありません（2項目中1項目に注意）",
          std::string("<li class=wn><span class=mark>！</span>") + first.title +
              " <span class=state>注意</span>",
          "<ol class=wn><li>注意: <span class=fig>売上高 <b>100</b></span>",
          "<span class=note>端数の切り捨て</span></li></ol>",
          std::string("<li class=ok><span class=mark>✓</span>") + second.title +
              " <span class=state>一致</span>"}},
        {"a warning beside a failure and a check not applicable",
         {{&first, {gap}, {gap}, ""}, {&second, {}, {gap}, ""}, {&first, {}, {}, "なし"}},
         {"<section class=\"checks ng\"", "検査: 1項目で不一致があります（3項目中、2項目に注意）",
          std::string("<li class=ng><span class=mark>✗</span>") + first.title +
              " <span class=state>不一致</span>",
          "<ol class=ng><li><span class=fig>売上高 <b>100</b></span>",
          std::string("<li class=wn><span class=mark>！</span>") + second.title,
          "<span class=state>対象外</span>"}},
        {"warnings and checks not applicable",
         {{&first, {}, {gap}, ""}, {&second, {}, {}, "なし"}},
         {"検査: 不一致はありません（2項目中1項目に注意、1項目は対象外）"}},
    };
    for (const auto& c : cases) {
        const std::string page = RenderPage(
            read.document, c.outcomes,
            [](const LedgerAccountSink& sink) { return ReadExportBytes(testing::kTiedOut, sink); });
        for (const std::string& shown : c.shown)
            EXPECT_NE(page.find(shown), std::string::npos) << c.what << ": " << shown;
    }
}

// --- 純資産の部 in its groups

// The section as "depth element label amount" lines, a line's amount its text, a group's its
// Amount: the shape the page draws.
void Flatten(const XmlNode& node, int depth, std::vector<std::string>& out) {
    for (const XmlNode& child : node.children) {
        const std::string* label = child.Attribute("Label");
        const std::string* amount = child.Attribute("Amount");
        out.push_back(std::to_string(depth) + " " + child.name + " " + (label ? *label : "") + " " +
                      (amount ? *amount : child.text));
        Flatten(child, depth + 1, out);
    }
}

XmlNode NetAssetsOf(const std::vector<std::pair<std::string, std::string>>& lines) {
    XmlNode section{"NetAssets", {{"Label", "純資産合計"}, {"Amount", "0"}}, {}, 1, {}};
    int line = 2;
    for (const auto& [label, amount] : lines)
        section.children.push_back({"Item", {{"Label", label}}, amount, line++, {}});
    return section;
}

TEST(NetAssetsGroups, LinesGoIntoTheBalanceSheetsGroupsWithTheirSubtotals) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> lines;
        bool members;
        std::vector<std::string> grouped;
    } cases[] = {
        {"the sample's lines",
         {{"資本金", "10000000"},
          {"資本準備金", "1500000"},
          {"その他資本剰余金", "300000"},
          {"利益準備金", "800000"},
          {"別途積立金", "3000000"},
          {"繰越利益剰余金", "34357826"},
          {"自己株式", "-200000"},
          {"その他有価証券評価差額金", "150000"},
          {"新株予約権", "80000"}},
         false,
         {"0 ShareholdersEquity 株主資本合計 49757826", "1 Item 資本金 10000000",
          "1 CapitalSurplus 資本剰余金合計 1800000", "2 Item 資本準備金 1500000",
          "2 Item その他資本剰余金 300000", "1 RetainedEarnings 利益剰余金合計 38157826",
          "2 Item 利益準備金 800000", "2 OtherRetainedEarnings その他利益剰余金合計 37357826",
          "3 Item 別途積立金 3000000", "3 Item 繰越利益剰余金 34357826", "1 Item 自己株式 -200000",
          "0 ValuationAndTranslationAdjustments 評価・換算差額等合計 150000",
          "1 Item その他有価証券評価差額金 150000",
          "0 SubscriptionRightsToShares 新株予約権 80000"}},
        {"lines in another order are printed in the balance sheet's, an unknown one apart",
         {{"繰越利益剰余金", "500"},
          {"仮受金", "7"},
          {"資本金", "1000"},
          {"土地再評価差額金", "30"},
          {"繰延ヘッジ損益", "-20"}},
         false,
         {"0 ShareholdersEquity 株主資本合計 1500", "1 Item 資本金 1000",
          "1 RetainedEarnings 利益剰余金合計 500",
          "2 OtherRetainedEarnings その他利益剰余金合計 500", "3 Item 繰越利益剰余金 500",
          "0 ValuationAndTranslationAdjustments 評価・換算差額等合計 10",
          "1 Item 繰延ヘッジ損益 -20", "1 Item 土地再評価差額金 30", "0 Item 仮受金 7"}},
        {"a members' company, variants and reserves the books name themselves",
         {{"出資金", "3000"},
          {"繰越損益", "-400"},
          {"別途積立金", "100"},
          {"圧縮積立金", "50"},
          {"新株予約権", "9"},
          {"自己新株予約権", "-2"}},
         true,
         {"0 MembersEquity 社員資本合計 2750", "1 Item 出資金 3000",
          "1 RetainedEarnings 利益剰余金合計 -250",
          "2 OtherRetainedEarnings その他利益剰余金合計 -250", "3 Item 圧縮積立金 50",
          "3 Item 別途積立金 100", "3 Item 繰越損益 -400",
          "0 SubscriptionRightsToShares 新株予約権合計 7", "1 Item 新株予約権 9",
          "1 Item 自己新株予約権 -2"}},
        {"a subtotal beyond 64 bits has no amount",
         {{"資本準備金", "9223372036854775807"}, {"その他資本剰余金", "1"}},
         false,
         {"0 ShareholdersEquity 株主資本合計 -", "1 CapitalSurplus 資本剰余金合計 -",
          "2 Item 資本準備金 9223372036854775807", "2 Item その他資本剰余金 1"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> grouped;
        Flatten(GroupedNetAssets(NetAssetsOf(c.lines), c.members), 0, grouped);
        EXPECT_EQ(grouped, c.grouped) << c.what;
    }
}

TEST(NetAssetsGroups, ASectionThatIsNotFlatLinesIsLeftAsItIs) {
    XmlNode section = NetAssetsOf({{"資本金", "1000"}});
    section.children.push_back({"ShareholdersEquity", {}, {}, 9, {}});
    std::vector<std::string> grouped;
    Flatten(GroupedNetAssets(section, false), 0, grouped);
    EXPECT_EQ(grouped, (std::vector<std::string>{"0 Item 資本金 1000", "0 ShareholdersEquity  "}));
}

TEST(ReviewPage, NetAssetsAreShownInTheirGroupsWithSubtotals) {
    const std::string page = PageOf(testing::kTiedOut);
    for (const char* row :
         {"<tr class=h><td class=d1>純資産の部", "<tr class=h><td class=d2>株主資本",
          "<tr><td class=d4>資本金<td>1,000<td>", "<tr class=h><td class=d3>利益剰余金",
          "<tr class=h><td class=d4>その他利益剰余金", "<tr><td class=d6>繰越利益剰余金<td>800<td>",
          "<tr class=t><td class=d3>利益剰余金合計<td><td>800",
          "<tr class=t><td class=d2>株主資本合計<td><td>1,800",
          "<tr class=t><td class=d1>純資産合計<td><td>1,800"})
        EXPECT_NE(page.find(row), std::string::npos) << row;
    // The checks read the file's lines as written: every one holds.
    EXPECT_EQ(page.find("checks ng"), std::string::npos);
    // A subtotal beyond 64 bits is shown as none to be had.
    const std::string huge =
        PageOf(Edited(R"(<Item Label="繰越利益剰余金">800</Item>)",
                      R"(<Item Label="繰越利益剰余金">9223372036854775000</Item>)"));
    EXPECT_NE(huge.find("株主資本合計<td><td>―</tr>"), std::string::npos);
}

// --- losses under their own labels

TEST(ProfitLines, ALossReadsAsTheLossWithItsMagnitude) {
    const struct {
        const char* element;
        const char* label;
        std::int64_t amount;
        const char* shownLabel;
        std::int64_t shownAmount;
    } cases[] = {
        {"NetIncome", "当期純利益", -300, "当期純損失", 300},
        {"NetIncome", "当期純利益", 300, "当期純利益", 300},
        {"NetIncome", "当期純利益", 0, "当期純利益", 0},
        {"IncomeBeforeIncomeTaxes", "税引前当期純利益", -5, "税引前当期純損失", 5},
        {"OrdinaryIncome", "経常利益", -1, "経常損失", 1},
        {"OperatingIncome", "営業利益", -7, "営業損失", 7},
        {"GrossProfit", "売上総利益", -9, "売上総損失", 9},
        {"NetIncome", "当期純利益金額", -2, "当期純損失金額", 2},
        // A label that cannot be turned keeps the sign; so does a line that is no profit.
        {"NetIncome", "当期純損益", -300, "当期純損益", -300},
        {"NetSales", "売上高合計", -10, "売上高合計", -10},
        {"NetIncome", "当期純利益", INT64_MIN, "当期純利益", INT64_MIN},
    };
    for (const auto& c : cases) {
        const ShownProfit shown = ShownProfitLine(c.element, c.label, c.amount);
        EXPECT_EQ(shown.label, c.shownLabel) << c.element << " " << c.amount;
        EXPECT_EQ(shown.amount, c.shownAmount) << c.element << " " << c.amount;
    }
    EXPECT_EQ(ComparedProfitLabel("NetIncome", "当期純利益", -3, 5),
              "当期純利益又は当期純損失（△）");
    EXPECT_EQ(ComparedProfitLabel("NetIncome", "当期純利益", 3, std::nullopt), "当期純利益");
    EXPECT_EQ(ComparedProfitLabel("OrdinaryIncome", "経常利益", 3, -1),
              "経常利益又は経常損失（△）");
}

TEST(ReviewPage, NegativeNetIncomeIsShownAsNetLoss) {
    std::string text = Edited(R"(<NetIncome Label="当期純利益" Amount="300">)",
                              R"(<NetIncome Label="当期純利益" Amount="-300">)");
    text = Edited(R"(<OrdinaryIncome Label="経常利益" Amount="500">)",
                  R"(<OrdinaryIncome Label="経常利益" Amount="-500">)", text);
    const std::string page = PageOf(text);
    EXPECT_NE(page.find("<td class=d1>当期純損失<td><td>300</tr>"), std::string::npos);
    EXPECT_NE(page.find("<td class=d1>経常損失<td><td>500</tr>"), std::string::npos);
    EXPECT_EQ(page.find("当期純利益<td><td>△300"), std::string::npos);
    EXPECT_NE(page.find("<td class=d1>営業利益<td><td>500</tr>"), std::string::npos);
}

// --- the notes' titles

TEST(NoteTitles, TheCallersTitleFirstThenTheTableThenANeutralHeading) {
    const NoteTitles own = {{"AmountGuaranties", "保証債務等（帳簿の題）"}, {"PledgedAssets", ""}};
    const struct {
        const char* element;
        const NoteTitles* own;
        const char* title;
    } cases[] = {
        {"ValuationBasisValuationMethodMarketableSecurities", nullptr,
         "有価証券の評価基準及び評価方法"},
        {"ValuationBasisValuationMethodInventories", nullptr, "棚卸資産の評価基準及び評価方法"},
        {"DepreciationMethodFixedAssets", nullptr, "固定資産の減価償却の方法"},
        {"RecordingBasisReserves", nullptr, "引当金の計上基準"},
        {"DepreciationTangibleAssets", nullptr, "有形固定資産の減価償却累計額"},
        {"TransactionsAffiliates", nullptr, "関係会社との取引高"},
        {"MattersTypesTotalNumberSharesIssued", nullptr, "発行済株式の種類及び総数"},
        {"NetAssetsPerShare", nullptr, "一株当たり純資産額"},
        {"NetIncomeNetLossPerShare", nullptr, "一株当たり当期純利益"},
        {"NotesPerShareInformation", nullptr, "一株当たり情報に関する注記"},
        {"AmountGuaranties", nullptr, "保証債務"},
        {"AmountGuaranties", &own, "保証債務等（帳簿の題）"},
        {"PledgedAssets", &own, "担保に供している資産"},
        {"NotesSomethingNew", nullptr, "その他の注記"},
        {"NotesSomethingNew", &own, "その他の注記"},
    };
    for (const auto& c : cases) EXPECT_EQ(NoteTitle(c.element, c.own), c.title) << c.element;
}

// Every note the export can write has a title of its own in the page's table.
TEST(NoteTitles, EveryNoteTheExportWritesHasATitle) {
    std::ifstream table(KC_NOTE_TABLE);
    ASSERT_TRUE(table) << KC_NOTE_TABLE;
    std::stringstream text;
    text << table.rdbuf();
    const std::string rows = text.str();
    const std::regex element(R"re(\{-?\d+, \d+, \d+, "([A-Za-z-]+)"\})re");
    std::size_t notes = 0;
    for (auto match = std::sregex_iterator(rows.begin(), rows.end(), element);
         match != std::sregex_iterator(); ++match, ++notes)
        EXPECT_TRUE(HasNoteTitle((*match)[1].str())) << (*match)[1].str();
    EXPECT_GT(notes, 150u);
}

TEST(ReviewPage, NotesAreHeadedByTitlesNeverByElementNames) {
    std::string text = Edited("<AmountGuaranties>", "<AmountGuaranties><Line>総額</Line>");
    text = Edited(
        "</NoteBalanceSheet>",
        "<NotesSomethingNew><Line>新しい注記</Line></NotesSomethingNew></NoteBalanceSheet>", text);
    ReadResult read = ReadExportBytes(text);
    ASSERT_TRUE(read.ok) << read.reason;
    const auto again = [&](const LedgerAccountSink& sink) { return ReadExportBytes(text, sink); };
    const std::string page = RenderPage(read.document, RunChecks(read.document), again);
    EXPECT_NE(page.find("<h3>貸借対照表に関する注記</h3>"), std::string::npos);
    EXPECT_NE(page.find("<p class=\"k n1\">保証債務</p>"), std::string::npos);
    EXPECT_NE(page.find("<p class=n2>取引先の借入金に対する保証　4,000円</p>"), std::string::npos);
    EXPECT_NE(page.find("<p class=n1><span class=k>その他の注記</span>　新しい注記</p>"),
              std::string::npos);
    EXPECT_EQ(page.find("AmountGuaranties"), std::string::npos);
    EXPECT_EQ(page.find("NotesSomethingNew"), std::string::npos);
    const NoteTitles own = {{"AmountGuaranties", "保証債務（帳簿の題）"}};
    const std::string titled =
        RenderPage(read.document, RunChecks(read.document), again, nullptr, &own);
    EXPECT_NE(titled.find("<p class=\"k n1\">保証債務（帳簿の題）</p>"), std::string::npos);
}

// --- dates, units and print

TEST(EraDates, DaysInTheirEraAndTheYearsFirstAsGannen) {
    const struct {
        const char* date;
        const char* era;
    } cases[] = {
        {"20260331", "令和8年3月31日"},
        {"20250401", "令和7年4月1日"},
        {"20190501", "令和元年5月1日"},
        {"20190430", "平成31年4月30日"},
        {"19890108", "平成元年1月8日"},
        {"19890107", "昭和64年1月7日"},
        {"19261225", "昭和元年12月25日"},
        {"19120730", "大正元年7月30日"},
        {"18681023", "明治元年10月23日"},
        {"18681022", "1868年10月22日"},
        {"2026ab31", "2026ab31"},
        {"20260230", "20260230"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EraDate(c.date), c.era) << c.date;
    EXPECT_EQ(AsOfDate("20260331"), "令和8年3月31日現在");
    EXPECT_EQ(FiscalPeriod("20250401", "20260331"), "自 令和7年4月1日 至 令和8年3月31日");
}

TEST(ReviewPage, EachStatementHasItsDayOrPeriodAndItsUnit) {
    const std::string page = PageOf(testing::kTiedOut);
    const std::string unit = "<p class=unit>（単位：円）</p>";
    for (const std::string& head :
         {"<section class=statement id=bs><div class=sh><h2>貸借対照表</h2><p class=when>"
          "令和8年3月31日現在</p>" +
              unit,
          "<section class=statement id=pl><div class=sh><h2>損益計算書</h2><p class=when>"
          "自 令和7年4月1日 至 令和8年3月31日</p>" +
              unit,
          "<section class=statement id=cm><div class=sh><h2>製造原価報告書</h2><p class=when>"
          "自 令和7年4月1日 至 令和8年3月31日</p>" +
              unit,
          "<section class=statement id=ss><div class=sh><h2>株主資本等変動計算書</h2>"
          "<p class=when>自 令和7年4月1日 至 令和8年3月31日</p>" +
              unit})
        EXPECT_NE(page.find(head), std::string::npos) << head;
}

// The print's running header names the company as the file writes it: the name is a CSS string
// that nothing in it can end.
TEST(ReviewPage, PrintHeaderAndPageNumbersWithTheCompanyAsAString) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_NE(page.find("@page{size:A4 portrait;"), std::string::npos);
    EXPECT_NE(page.find("@top-center{content:\"株式会社テスト\\26 工業　自 令和7年4月1日 至 "
                        "令和8年3月31日\""),
              std::string::npos);
    EXPECT_NE(page.find("@bottom-center{content:counter(page) \" / \" counter(pages)"),
              std::string::npos);
    const std::string hostile =
        PageOf(Edited("株式会社テスト&amp;工業", "A&quot;}\\&lt;/style&gt;&lt;script&gt;x\n"));
    EXPECT_NE(hostile.find("content:\"A\\22 }\\5c \\3c /style\\3e \\3c script\\3e x\\a 　自"),
              std::string::npos)
        << hostile.substr(hostile.find("@top-center"), 120);
    EXPECT_EQ(hostile.find("<script"), std::string::npos);
    EXPECT_EQ(Count(hostile, "</style>"), 1u);
}

// --- the ledger's sides

TEST(LedgerSides, AChangeGoesToItsSideAndAContraAccountKeepsItsOwn) {
    const struct {
        const char* category;
        std::int64_t opening;
        std::int64_t closing;
        std::int64_t change;
        std::optional<std::int64_t> debit;
        std::optional<std::int64_t> credit;
        std::optional<std::int64_t> signedChange;
        std::int64_t balance;  // the closing as shown
    } cases[] = {
        {"流動資産", 100, 400, 300, 300, std::nullopt, std::nullopt, 400},
        {"流動資産", 100, 50, -50, std::nullopt, 50, std::nullopt, 50},
        {"販管費", 0, 70, 70, 70, std::nullopt, std::nullopt, 70},
        {"売上高", 0, 300, 300, std::nullopt, 300, std::nullopt, 300},
        {"流動負債", 500, 200, -300, 300, std::nullopt, std::nullopt, 200},
        {"評価･換算差額等", 0, 10, 10, std::nullopt, 10, std::nullopt, 10},
        // 貸倒引当金 among the current assets: a provision is its credit, its balance a credit one.
        {"流動資産", -76000, -110000, -34000, std::nullopt, 34000, std::nullopt, 110000},
        {"固定資産", -20000, -18000, 2000, 2000, std::nullopt, std::nullopt, 18000},
        // 売上値引戻り高 among the sales, 自己株式 among the net assets: debit balances.
        {"売上高", 0, -28000, -28000, 28000, std::nullopt, std::nullopt, 28000},
        {"株主資本", -200000, -250000, -50000, 50000, std::nullopt, std::nullopt, 250000},
        // A balance that crosses zero is no contra account's.
        {"流動資産", 100, -20, -120, std::nullopt, 120, std::nullopt, -20},
        {"集計対象外", 0, 5, -5, std::nullopt, std::nullopt, -5, 5},
        {"", 0, 5, 5, std::nullopt, std::nullopt, 5, 5},
    };
    for (const auto& c : cases) {
        const LedgerSides sides = SidesOf(c.category, c.opening, c.closing);
        const LedgerAmounts amounts = AmountsOf(sides, c.change);
        const std::string what = std::string(c.category) + " " + std::to_string(c.change);
        EXPECT_EQ(amounts.debit, c.debit) << what;
        EXPECT_EQ(amounts.credit, c.credit) << what;
        EXPECT_EQ(amounts.signedChange, c.signedChange) << what;
        EXPECT_EQ(ShownBalance(sides, c.closing), c.balance) << what;
    }
}

TEST(ReviewPage, ContraAccountsLedgerShowsItsCreditsAndCreditBalance) {
    std::string text = Edited("<HJ00780S0010>現金<", "<HJ00780S0010>貸倒引当金<");
    text = Edited("<HJ00780S0030>100<", "<HJ00780S0030>-100<", text);
    text = Edited("<HJ00780S0040>400<", "<HJ00780S0040>-400<", text);
    text = Edited("<HJ00780S0110>300<", "<HJ00780S0110>-300<", text);
    text = Edited("<HJ00780S0120>400<", "<HJ00780S0120>-400<", text);
    ReadResult read = ReadExportBytes(text);
    ASSERT_TRUE(read.ok) << read.reason;
    const std::string page =
        RenderPage(read.document, RunChecks(read.document),
                   [&](const LedgerAccountSink& sink) { return ReadExportBytes(text, sink); });
    EXPECT_NE(
        page.find(
            "<th>貸方<th>貸方残高</thead>\n<tr class=o><td><td><td><td>前期繰越<td><td><td>100\n"),
        std::string::npos);
    EXPECT_NE(page.find("現金売上 &lt;店頭&gt;<td><td>300<td>400\n"), std::string::npos);
    // The summary keeps the figures as the statements show them.
    EXPECT_NE(page.find("前期繰越 △100　→　期末残高 △400"), std::string::npos);
}

}  // namespace
}  // namespace kcview
