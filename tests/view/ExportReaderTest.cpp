#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "native/Failure.h"
#include "tests/view/Documents.h"
#include "tools/kcview/ExportReader.h"

namespace kcview {
namespace {

using testing::Edited;
using testing::LineOf;

TEST(ReadingExports, StatementsAndHeaderAreReadAsUtf8) {
    ReadResult read = ReadExportBytes(testing::kTiedOut);
    ASSERT_TRUE(read.ok) << read.reason;
    const ExportDocument& document = read.document;
    ASSERT_NE(document.basic.Child("KOMONSAKINAME"), nullptr);
    EXPECT_EQ(document.basic.Child("KOMONSAKINAME")->text, "株式会社テスト&工業");
    const XmlNode* sheet = document.Section("BalanceSheet");
    ASSERT_NE(sheet, nullptr);
    const XmlNode* assets = sheet->Child("Assets");
    ASSERT_NE(assets, nullptr);
    EXPECT_EQ(*assets->Attribute("Label"), "資産合計");
    EXPECT_EQ(assets->line, LineOf("<Assets"));
    EXPECT_EQ(assets->Child("CurrentAssets")->children.size(), 2u);
    EXPECT_EQ(document.Section("HJ00780S"), nullptr);
}

// The accounts of the ledger, each with its lines, as the reader hands them on.
std::vector<LedgerAccount> LedgerOf(const std::string& text) {
    std::vector<LedgerAccount> accounts;
    const ReadResult read =
        ReadExportBytes(text, [&](const LedgerAccount& account) { accounts.push_back(account); });
    EXPECT_TRUE(read.ok) << read.reason;
    return accounts;
}

TEST(ReadingExports, LedgerIsHandedOnAccountByAccountAndKeptWithoutLines) {
    ReadResult read = ReadExportBytes(testing::kTiedOut);
    ASSERT_TRUE(read.ok) << read.reason;
    ASSERT_TRUE(read.document.hasLedger);
    ASSERT_EQ(read.document.ledger.size(), 1u);
    const LedgerAccount& kept = read.document.ledger[0];
    EXPECT_EQ(kept.name, "現金");
    EXPECT_EQ(kept.category, "流動資産");
    EXPECT_EQ(kept.opening, 100);
    EXPECT_EQ(kept.closing, 400);
    EXPECT_EQ(kept.line, LineOf("<HJ00780S01>"));
    EXPECT_EQ(kept.entryCount, 1u);
    EXPECT_TRUE(kept.entries.empty());

    const std::vector<LedgerAccount> accounts = LedgerOf(testing::kTiedOut);
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].name, "現金");
    ASSERT_EQ(accounts[0].entries.size(), 1u);
    const LedgerEntry& entry = accounts[0].entries[0];
    EXPECT_EQ(entry.voucher, "7");
    EXPECT_EQ(entry.date, "20250410");
    EXPECT_EQ(entry.counterAccount, "製品売上高");
    EXPECT_EQ(entry.description, "現金売上 <店頭>");
    EXPECT_EQ(entry.change, 300);
    EXPECT_EQ(entry.balance, 400);
}

TEST(ReadingExports, AttributesAreReadWithTheirReferencesReplaced) {
    // A label holds "&" when the account's name does; the ledger names the account plainly.
    const std::string text =
        Edited("<Item Label=\"現金\">400<", "<Item Label=\"R&amp;D &#38; &lt;A&gt;\">400<");
    ReadResult read = ReadExportBytes(
        Edited("<HJ00780S0010>現金<", "<HJ00780S0010>R&amp;D &amp; &lt;A&gt;<", text));
    ASSERT_TRUE(read.ok) << read.reason;
    const XmlNode& cash = read.document.Section("BalanceSheet")
                              ->Child("Assets")
                              ->Child("CurrentAssets")
                              ->children.front();
    EXPECT_EQ(*cash.Attribute("Label"), "R&D & <A>");
    EXPECT_EQ(*cash.Attribute("Label"), read.document.ledger[0].name);
}

TEST(ReadingExports, ShiftJisExportIsDecoded) {
    ReadResult read = ReadExportFile(KC_SAMPLE_EXPORT);
    ASSERT_TRUE(read.ok) << read.reason;
    EXPECT_EQ(read.document.basic.Child("KOMONSAKINAME")->text, "株式会社さくら製作所");
    EXPECT_FALSE(read.document.hasLedger);
    EXPECT_NE(read.document.Section("ListNotesNonConsolidated"), nullptr);
}

TEST(ReadingExports, VendorCharactersOfCodePage932AreReadToTheEnd) {
    const std::string text = testing::InCodePage932(testing::WithVendorCharacters("600"));
    // ㈱, ① and 髙 as the export writes them.
    for (const char* bytes : {"\x87\x8a", "\x87\x40", "\xfb\xfc"})
        ASSERT_NE(text.find(bytes), std::string::npos);
    ReadResult read = ReadExportBytes(text);
    ASSERT_TRUE(read.ok) << read.reason << " at line " << read.line;
    EXPECT_EQ(read.document.basic.Child("KOMONSAKINAME")->text, "㈱テスト&工業");
    const std::vector<LedgerAccount> accounts = LedgerOf(text);
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].entries.at(0).description, "①髙橋様 売上");
    EXPECT_EQ(accounts[1].name, "売掛金");
    EXPECT_EQ(accounts[1].closing, 600);
}

TEST(RefusedFiles, NotWellFormedNamesItsLine) {
    const std::string text = Edited("</CurrentAssets>", "</CurrentAsset>");
    ReadResult read = ReadExportBytes(text);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, LineOf("</CurrentAsset>", text));
    EXPECT_EQ(read.reason.rfind("not well-formed XML: ", 0), 0u) << read.reason;
}

TEST(RefusedFiles, ByteThatIsNotShiftJisIsRefused) {
    // 0x85 0x40 is no character of Shift_JIS: the decoder stops there.
    std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<REPORT>\n<SYSTEM>\n";
    text += "<PROGRAMNAME>\x85\x40</PROGRAMNAME>\n</SYSTEM>\n</REPORT>\n";
    ReadResult read = ReadExportBytes(text);
    EXPECT_FALSE(read.ok);
    EXPECT_GT(read.line, 0);
}

TEST(RefusedFiles, OtherRootIsNotAnExport) {
    ReadResult read = ReadExportBytes("<?xml version=\"1.0\"?>\n<html>\n</html>\n");
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, 2);
    EXPECT_NE(read.reason.find("not REPORT"), std::string::npos) << read.reason;
}

TEST(RefusedFiles, IncompleteReportIsNotAnExport) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const std::string sheet = "<BalanceSheet></BalanceSheet>";
    const std::string income = "<IncomeStatement></IncomeStatement>";
    const Case cases[] = {
        {"<REPORT>\n<SYSTEM/><BASIC/></REPORT>", "REPORT has no DATA block"},
        {"<REPORT>\n<SYSTEM/><BASIC/><DATA></DATA></REPORT>", "DATA has no balance sheet"},
        {"<REPORT>\n<SYSTEM/><BASIC/><DATA>" + income + "</DATA></REPORT>",
         "DATA has no balance sheet"},
        {"<REPORT>\n<SYSTEM/><BASIC/><DATA>" + sheet + "</DATA></REPORT>",
         "DATA has no income statement"},
    };
    for (const Case& c : cases) {
        ReadResult read = ReadExportBytes("<?xml version=\"1.0\"?>\n" + c.text);
        EXPECT_FALSE(read.ok) << c.text;
        EXPECT_EQ(read.line, 2) << c.text;
        EXPECT_EQ(read.reason, c.reason + ": this is not an exported file") << c.text;
    }
}

TEST(RefusedFiles, BlockOrSectionWrittenTwiceIsRefusedAtItsSecondStart) {
    for (const char* name : {"SYSTEM", "BASIC", "DATA", "BalanceSheet", "IncomeStatement",
                             "ScheduleCostGoodsManufactured", "HJ00780S"}) {
        const std::string start = std::string("<") + name + ">";
        const std::string end = std::string("</") + name + ">";
        const std::string text = Edited(end, end + "\n" + start + end);
        ReadResult read = ReadExportBytes(text);
        EXPECT_FALSE(read.ok) << name;
        EXPECT_EQ(read.line, LineOf(end, text) + 1) << name;
        EXPECT_EQ(read.reason,
                  std::string(name) + " appears a second time: an exported file writes it once")
            << name;
    }
}

TEST(RefusedFiles, FigureThatIsNotAnAmountNamesItsLine) {
    const std::string text = Edited("<Item Label=\"現金\">400<", "<Item Label=\"現金\">4O0<");
    ReadResult read = ReadExportBytes(text);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, LineOf("4O0", text));
    EXPECT_NE(read.reason.find("\"4O0\""), std::string::npos) << read.reason;

    const std::string ledger = Edited("<HJ00780S0110>300<", "<HJ00780S0110>3e2<");
    read = ReadExportBytes(ledger);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, LineOf("3e2", ledger));
}

TEST(RefusedFiles, DocumentTypeIsRefusedAndNoEntityIsExpanded) {
    // An external entity would read a local file; an internal one could multiply itself.
    const std::string text = Edited(
        "<REPORT>", "<!DOCTYPE REPORT [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>\n<REPORT>");
    const std::string withReference =
        Edited("<PROGRAMVER>22.03.01<", "<PROGRAMVER>&secret;<", text);
    ReadResult read = ReadExportBytes(withReference);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, 2);
    EXPECT_NE(read.reason.find("document type"), std::string::npos) << read.reason;
}

TEST(RefusedFiles, UndeclaredEntityIsNotWellFormed) {
    ReadResult read = ReadExportBytes(Edited("<PROGRAMVER>22.03.01<", "<PROGRAMVER>&secret;<"));
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.reason.find("not well-formed"), std::string::npos) << read.reason;
}

TEST(RefusedFiles, ElementsNestedTooDeeplyAreRefusedWithTheirLine) {
    // The statements are a few levels deep; a file nested far deeper is not an export, and the
    // reader's tree must not grow deeper than the stack can walk.
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<Line>";
    for (int i = 0; i < 100000; ++i) nested += "</Line>";
    const std::string text = Edited("<AmountGuaranties>", "<AmountGuaranties>\n" + nested);
    ReadResult read = ReadExportBytes(text);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, LineOf("<AmountGuaranties>", text) + 1);
    EXPECT_NE(read.reason.find("nested deeper"), std::string::npos) << read.reason;
}

TEST(RefusedFiles, TextsAndStatementsBeyondTheirLimitsAreRefusedWithTheirLine) {
    const std::string longText(kMaxText + 1, 'x');
    std::string manyItems;
    for (std::size_t i = 0; i < kMaxStatementElements; ++i) manyItems += "<Item/>";
    const struct {
        const char* what;
        std::string from;
        std::string to;
        const char* reason;
    } cases[] = {
        {"a ledger line's description", "<HJ00780S0100>", "<HJ00780S0100>" + longText,
         "a text is longer than 1 MB"},
        {"a statement's text", "<PROGRAMVER>", "<PROGRAMVER>" + longText,
         "a text is longer than 1 MB"},
        {"an attribute", "Label=\"現金\"", "Label=\"" + longText + "\"",
         "an attribute is longer than 1 MB"},
        {"the statements' elements", "<AmountGuaranties>", "<AmountGuaranties>" + manyItems,
         "the statements hold more than 200000 elements"},
    };
    for (const auto& c : cases) {
        const std::string text = Edited(c.from, c.to);
        ReadResult read = ReadExportBytes(text);
        EXPECT_FALSE(read.ok) << c.what;
        EXPECT_EQ(read.line, LineOf(c.to.substr(c.from.size(), 16), text)) << c.what;
        EXPECT_EQ(read.reason.rfind(c.reason, 0), 0u) << c.what << ": " << read.reason;
    }
}

// What cannot be read as a file is the floor's failure, naming the path, for the edge to tell.
TEST(RefusedFiles, MissingFileFolderOrDeviceIsAFailureNamingThePath) {
    struct Case {
        std::string path;
        native::FailureKind kind;
    };
    const Case cases[] = {
        {"/nonexistent/kcview/export.xml", native::FailureKind::kNotFound},
        {"/", native::FailureKind::kNotPlainFile},
        {"/dev/null", native::FailureKind::kNotPlainFile},
    };
    for (const Case& c : cases) {
        try {
            ReadExportFile(c.path);
            ADD_FAILURE() << c.path << " was read";
        } catch (const native::Failure& failure) {
            EXPECT_EQ(failure.Call(), "open") << c.path;
            EXPECT_EQ(failure.Path(), c.path);
            EXPECT_EQ(failure.Kind(), c.kind) << c.path;
        }
    }
}

TEST(RefusedFiles, EmptyFileIsRefused) {
    ReadResult read = ReadExportBytes("");
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.reason.empty());
}

}  // namespace
}  // namespace kcview
