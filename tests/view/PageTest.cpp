#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "tests/view/Documents.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/Page.h"

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

TEST(ReviewPage, HeaderNamesCompanyPeriodAndPrograms) {
    const std::string page = PageOf(testing::kTiedOut);
    EXPECT_NE(page.find("株式会社テスト&amp;工業"), std::string::npos);
    EXPECT_NE(page.find("2025年4月1日～2026年3月31日"), std::string::npos);
    EXPECT_NE(page.find("記帳丸２２ さくら版 22.03.01"), std::string::npos);
    EXPECT_NE(page.find("22.03.00"), std::string::npos);
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
    EXPECT_NE(page.find("前期繰越<td><td>100"), std::string::npos);
    EXPECT_NE(page.find("2025/04/10"), std::string::npos);
    EXPECT_NE(page.find("現金売上 &lt;店頭&gt;"), std::string::npos);
    EXPECT_NE(page.find("期末残高<td><td>400"), std::string::npos);
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
    EXPECT_NE(page.find("事業年度 &lt;i&gt;x0401～2026ab31</p>"), std::string::npos);
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

}  // namespace
}  // namespace kcview
