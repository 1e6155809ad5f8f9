// The converter from the journal interchange CSV, through its public operations: the fields it
// reads, a journal that uses every form it knows, and each refusal.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Encoding.h"
#include "tools/convert/Converter.h"
#include "tools/convert/InterchangeFields.h"

namespace {

namespace fs = std::filesystem;

TEST(InterchangeFields, DatesInEveryForm) {
    struct Case {
        const char* text;
        std::int32_t expected;  // 0: refused
    };
    const Case cases[] = {
        {"20250401", 20250401}, {"2025/04/01", 20250401},
        {"2025/4/1", 20250401}, {"R.07/04/01", 20250401},
        {"R07/4/1", 20250401},  {"H30/7/1", 20180701},
        {"H31/4/30", 20190430}, {"R1/5/1", 20190501},
        {"20250229", 0},        {"2025/13/01", 0},
        {"X07/4/1", 0},         {"R.07/4", 0},
        {"25/4/1", 0},          {"", 0},
        {"2025/4/1 ", 0},
    };
    for (const Case& c : cases) {
        std::optional<std::int32_t> date = convert::ParseInterchangeDate(c.text);
        EXPECT_EQ(date.value_or(0), c.expected) << c.text;
    }
}

TEST(InterchangeFields, TaxCategoriesAndTheTaxInsideAnAmount) {
    using convert::TaxDirection;
    using convert::TaxMark;
    struct Case {
        const char* text;
        TaxMark mark;
        TaxDirection direction;
        int rate;
    };
    const Case cases[] = {
        {"対象外", TaxMark::kNone, TaxDirection::kNone, 0},
        {"非課売上", TaxMark::kNone, TaxDirection::kSales, 0},
        {"課税売上内10%", TaxMark::kIncluded, TaxDirection::kSales, 10},
        {"課税売返内10%適格", TaxMark::kIncluded, TaxDirection::kSales, 10},
        {"課対仕入込8%(軽)", TaxMark::kInclusive, TaxDirection::kPurchase, 8},
        {"課対仕返内10%区分80%", TaxMark::kIncluded, TaxDirection::kPurchase, 10},
        {"課対仕入外10%", TaxMark::kSeparate, TaxDirection::kPurchase, 10},
        {"課対仕入別8%", TaxMark::kSeparate, TaxDirection::kPurchase, 8},
    };
    for (const Case& c : cases) {
        convert::TaxCategory category = convert::ParseTaxCategory(c.text);
        EXPECT_EQ(category.mark, c.mark) << c.text;
        EXPECT_EQ(category.direction, c.direction) << c.text;
        EXPECT_EQ(category.ratePercent, c.rate) << c.text;
    }
    using convert::TaxRounding;
    EXPECT_EQ(convert::TaxInsideAmount(1000, 10, TaxRounding::kDown), 90);  // 90.9…
    EXPECT_EQ(convert::TaxInsideAmount(1000, 10, TaxRounding::kNearest), 91);
    EXPECT_EQ(convert::TaxInsideAmount(1004, 10, TaxRounding::kNearest), 91);  // 91.27
    EXPECT_EQ(convert::TaxInsideAmount(1004, 10, TaxRounding::kUp), 92);
    EXPECT_EQ(convert::TaxInsideAmount(1100, 10, TaxRounding::kUp), 100);
    EXPECT_EQ(convert::TaxInsideAmount(-1000, 10, TaxRounding::kDown), -90);
    EXPECT_EQ(convert::ParseWholeYen("-1200"), -1200);
    EXPECT_EQ(convert::ParseWholeYen(""), 0);
    EXPECT_FALSE(convert::ParseWholeYen("1,200"));
    EXPECT_FALSE(convert::ParseWholeYen("12.5"));
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / "kcbooks-convert-tests" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    convert::ConvertResult Convert(const std::string& journal, const std::string& openings = "") {
        options_.journalPath = journal;
        options_.openingsPath = openings;
        options_.company = "テスト株式会社";
        options_.outDir = (dir_ / "books").string();
        return convert::ConvertInterchange(options_);
    }

    fs::path dir_;
    convert::ConvertOptions options_;
};

// Every flag, date form, tax category and settlement, in a UTF-8 file with a byte-order mark,
// CR LF line ends, a header row, a comment and quoted commas; then the same journal in Shift_JIS.
TEST_F(ConvertTest, EveryFormOfTheJournal) {
    const fs::path source = fs::path(KC_CONVERT_FILES);
    std::string utf8 = Read(source / "every-form.csv");
    std::string sjisText;
    ASSERT_TRUE(sjis::Utf8ToSjis(utf8.substr(3), &sjisText));
    const std::string inputs[] = {(source / "every-form.csv").string(),
                                  Write("sjis.csv", sjisText)};
    for (const std::string& input : inputs) {
        fs::remove_all(dir_ / "books");
        convert::ConvertResult result =
            Convert(input, (source / "every-form-openings.csv").string());
        ASSERT_TRUE(result.ok) << result.message;
        std::string journal = Read(dir_ / "books" / "journal.csv");
        const char* lines[] = {
            // 内 10% without its tax: 500000 × 10 / 110 rounded down, to the output-tax account.
            "BOOKS,1,1,1,20250401,,,11400002,500000,0,41100000,454546,45454,売上\n",
            "BOOKS,2,2,1,20250402,,,51300000,100000,8000,21200001,108000,0,軽減税率の仕入\n",
            // A voucher of three lines with empty sides; departments are dropped.
            "BOOKS,3,3,2,20250403,,,61200000,200000,0,,0,0,給与　本社\n",
            "BOOKS,3,3,3,20250403,,,,0,0,11400002,500000,0,給与振込\n",
            // Returns reach the tax account they reduce, on the line's own side.
            "BOOKS,4,4,2,20250404,,,22500000,1000,0,,0,0,返品\n",
            "BOOKS,5,5,2,20250405,,,,0,0,13500000,500,0,返品　仕入\n",
            // 外 and 別: the amount as it is; a voucher number that is no number gives way to the
            // key.
            "BOOKS,6,,1,20250406,,,62800000,1000,0,11100000,1000,0,\"紙, ペン\"\n",
            // Cut at 60 bytes, a character boundary.
            "BOOKS,8,8,1,20250408,,,11100000,2000,0,71100000,2000,0,"
            "とても長い摘要はこの変換で六十バイトに切られて数えられますが\n",
            "BOOKS,9,9,1,20250930,15,,64300000,60000,0,14400000,60000,0,中間\n",
            "BOOKS,10,10,1,20260331,18,,64300000,60000,0,14400000,60000,0,決算\n",
        };
        for (const char* line : lines) EXPECT_NE(journal.find(line), std::string::npos) << line;
        std::string company = Read(dir_ / "books" / "company.csv");
        EXPECT_NE(company.find("BOOKS,1,テスト株式会社,20250401,20260331,1,0,1,1,0\n"),
                  std::string::npos);
        // Sub-accounts in order of first appearance, the openings first; the department's
        // balance left out; the difference on 繰越利益.
        std::string accounts = Read(dir_ / "books" / "accounts.csv");
        EXPECT_NE(accounts.find("BOOKS,11400001,そよかぜ信金,,,,,,\nBOOKS,11400002,わかば銀行,"),
                  std::string::npos);
        std::string openings = Read(dir_ / "books" / "openings.csv");
        EXPECT_EQ(openings.find("11100000"), std::string::npos);
        EXPECT_NE(openings.find("BOOKS,33300000,0,200000\n"), std::string::npos);
        EXPECT_NE(result.report.find("12 lines (2 comment or header lines left out)"),
                  std::string::npos);
        EXPECT_NE(result.report.find("dropped: 6 values"), std::string::npos);
        EXPECT_NE(result.report.find("cut: 1 descriptions"), std::string::npos);
        EXPECT_NE(result.report.find("; 1 voucher numbers that are not whole numbers"),
                  std::string::npos);
        EXPECT_NE(result.report.find("total 2047600 2047600 (debits equal credits)"),
                  std::string::npos);
    }
}

TEST_F(ConvertTest, OptionsOverrideWhatIsInferred) {
    std::string journal =
        Write("j.csv", "2000,1,,20250510,現金,,,課税売上込10%,1100,100,売上高,,,対象外,1100,,\n");
    options_.utf8 = true;
    convert::ConvertResult inferred = Convert(journal);
    ASSERT_TRUE(inferred.ok) << inferred.message;
    EXPECT_NE(Read(dir_ / "books" / "company.csv").find(",20250501,20260430,0,0,1,0,1\n"),
              std::string::npos);
    fs::remove_all(dir_ / "books");
    options_.periodFrom = 20250401;
    options_.periodTo = 20260331;
    options_.manufacturing = true;
    options_.taxInclusive = false;
    options_.interimClosing = true;
    convert::ConvertResult forced = Convert(journal);
    ASSERT_TRUE(forced.ok) << forced.message;
    EXPECT_NE(Read(dir_ / "books" / "company.csv").find(",20250401,20260331,1,0,1,1,0\n"),
              std::string::npos);
    EXPECT_NE(forced.report.find("(from --period)"), std::string::npos);
}

TEST_F(ConvertTest, EachRefusalNamesFileLineAndColumnAndWritesNothing) {
    struct Case {
        const char* journal;
        const char* expected;
    };
    const Case cases[] = {
        {"2000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1\n",
         "line 1: has 15 fields, the journal form has 25"},
        {"3000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: \"3000\" is not a flag"},
        {"2110,1,,20250401,現金,,,対象外,1,,,,,,0,,,,,,,,,,\n2110,2,,20250401,現金,,,,1,,,,,,0,,,,,"
         ",,,,,\n",
         "line 2, column 1: a new voucher begins before the voucher of line 1"},
        {"2101,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: a middle or last line"},
        {"2110,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: the voucher that begins here has no last line"},
        {"2000,1,,2025-04-01,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 4: not a date"},
        {"2000,1,決算,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 3: must be empty, 中決 or 本決"},
        {"2000,1,,20250401,現金,,,対象外,1.5,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 9: not a whole-yen amount"},
        {"2000,1,,20250401,,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 9: an amount on a side without an account"},
        {"2000,1,,20250401,,,,,0,,,,,,0,,,,,,,,,,\n",
         "line 1, column 5: a line needs a debit or a credit account"},
        {"2000,1,,20250401,現金,,,対象外,2,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1: the voucher does not balance (debits 2, credits 1 yen)"},
        {"2000,1,,20250401,現金,,,課対仕入込10%,1,,売上高,,,対象外,1,,,,,,,,,,\n"
         "2000,2,,20250401,現金,,,課対仕入内10%,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 2, column 8: tax-inclusive (込) and tax-exclusive (内)"},
        {"2000,1,,20250401,現金,,,課対仕入内,11,,売上高,,,対象外,11,,,,,,,,,,\n",
         "line 1, column 8: the tax category names no rate"},
        {"2000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n2000,2,,20260501,現金,,,"
         "対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 2, column 4: date 20260501 lies outside the fiscal period 20250401..20260331"},
        {"2000,1,,20250401,現金,,,対象外,1,,雑収入２,,,対象外,1,,,,,,,,,,\n"
         "2000,2,,20250401,現金,,,対象外,1,,雑収入２,,,対象外,1,,,,,,,,,,\n",
         "j.csv line 2 column 11)\n    NNNN0000,雑収入２,,0x........,D or C,0,0,"},
        {"2000,1,,20250401,\"現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n", "line 1: "},
        {"2000,1,,20250401,現金,,,対象外,922337203685477,,売上高,,,対象外,922337203685477,,,,,,,,,,"
         "\n"
         "2000,2,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "j.csv, line 2: the sums of the books leave the range the books hold"},
        {"2000,1,,20250401,現金,,,対象外,1,,売上高合計,,,対象外,1,,,,,,,,,,\n",
         "the journal posts to 1 total account, which only sum other accounts; post to the "
         "accounts they sum:\n  売上高合計 ("},
    };
    options_.utf8 = true;
    for (const Case& c : cases) {
        std::string journal = Write("j.csv", c.journal);
        convert::ConvertResult result = Convert(journal);
        EXPECT_FALSE(result.ok) << c.journal;
        EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
        EXPECT_FALSE(fs::exists(dir_ / "books")) << c.journal;
        EXPECT_FALSE(fs::exists(dir_ / "books.converting")) << c.journal;
    }
    std::string journal =
        Write("j.csv", "2000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n");
    std::string openings = Write("o.csv", "20250401,現金,右,,,1\n");
    EXPECT_NE(
        Convert(journal, openings).message.find("o.csv, line 1, column 3: must be 借方 or 貸方"),
        std::string::npos);
    options_.utf8 = false;
    std::string notSjis =
        Write("u.csv", "2000,1,,20250401,\xFF\xFF,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n");
    EXPECT_NE(Convert(notSjis).message.find("u.csv, line 1, column 5: text is not Shift_JIS"),
              std::string::npos);
    std::string wide = Write("w.csv", std::string("\xFF\xFE"
                                                  "2\0"
                                                  "0\0"
                                                  "0\0"
                                                  "0\0",
                                                  10));
    EXPECT_NE(Convert(wide).message.find("w.csv, line 1: is UTF-16 text; save it as Shift_JIS, or "
                                         "as UTF-8 and convert it with --encoding utf-8"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "books"));
}

// A journal long enough to be read many batches ahead of its conversion: every line arrives, and
// a refusal comes at its own line whichever side finds it, the first in the file first.
TEST_F(ConvertTest, ALongJournalIsReadAheadAndRefusedAtTheFirstFault) {
    constexpr int kLines = 5000;
    const std::string good =
        "2000,{n},,20250401,現金,,,対象外,1000,,売上高,,,対象外,1000,,,,,,,,,,\n";
    const std::string unbalanced =
        "2000,{n},,20250401,現金,,,対象外,1000,,売上高,,,対象外,999,,,,,,,,,,\n";
    const std::string undecodable =
        "2000,{n},,20250401,\xFF,,,対象外,1000,,売上高,,,対象外,1000,,,,,,,,,,\n";
    const std::string openQuote =
        "2000,{n},,20250401,\"現金,,,対象外,1000,,売上高,,,対象外,1000,,,,,,,,,,\n";
    struct Fault {
        int line;
        const std::string* text;
    };
    struct Case {
        std::vector<Fault> faults;
        const char* expected;  // empty: converted
    };
    const Case cases[] = {
        {{}, ""},
        {{{4000, &undecodable}}, "j.csv, line 4000, column 5: text is not Shift_JIS"},
        {{{3000, &unbalanced}, {4500, &undecodable}}, "j.csv, line 3000: the voucher does not"},
        {{{1500, &undecodable}, {3000, &unbalanced}}, "j.csv, line 1500, column 5: text is not"},
        {{{2600, &unbalanced}, {2601, &openQuote}}, "j.csv, line 2600: the voucher does not"},
        {{{kLines, &openQuote}}, "j.csv, line 5000: "},
    };
    for (const Case& c : cases) {
        std::string utf8;
        for (int n = 1; n <= kLines; ++n) {
            const std::string* line = &good;
            for (const Fault& fault : c.faults) {
                if (fault.line == n) line = fault.text;
            }
            std::string text = *line;
            text.replace(text.find("{n}"), 3, std::to_string(n));
            utf8 += text;
        }
        // Shift_JIS around the one byte that is none.
        std::string sjisText;
        std::size_t begin = 0;
        for (std::size_t bad = utf8.find('\xFF');; bad = utf8.find('\xFF', begin)) {
            std::string piece;
            std::size_t end = bad == std::string::npos ? utf8.size() : bad;
            ASSERT_TRUE(sjis::Utf8ToSjis(utf8.substr(begin, end - begin), &piece));
            sjisText += piece;
            if (bad == std::string::npos) break;
            sjisText += '\xFF';
            begin = bad + 1;
        }
        fs::remove_all(dir_ / "books");
        convert::ConvertResult result = Convert(Write("j.csv", sjisText));
        if (*c.expected == '\0') {
            ASSERT_TRUE(result.ok) << result.message;
            EXPECT_NE(result.report.find("5000 entries, 5000 lines"), std::string::npos);
            std::string journal = Read(dir_ / "books" / "journal.csv");
            EXPECT_NE(
                journal.find("\nBOOKS,5000,5000,1,20250401,,,11100000,1000,0,41100000,1000,0,\n"),
                std::string::npos);
        } else {
            EXPECT_FALSE(result.ok);
            EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
            EXPECT_FALSE(fs::exists(dir_ / "books"));
        }
    }
}

TEST_F(ConvertTest, ChartOfTheUserAddsNamesAndTakesCodes) {
    options_.utf8 = true;
    const std::string header = "code,name,label,nature,side,flag,no_ledger,sum_of\n";
    std::string journal =
        Write("j.csv", "2000,1,,20250401,現金,,,対象外,1,,雑収入２,,,対象外,1,,,,,,,,,,\n");
    options_.chartPath = Write("chart.csv", header + "71700000,雑収入２,,0x40848007,C,0,0,\n");
    convert::ConvertResult added = Convert(journal);
    ASSERT_TRUE(added.ok) << added.message;
    EXPECT_NE(
        Read(dir_ / "books" / "accounts.csv").find("BOOKS,71700000,雑収入２,,0x40848007,C,0,0,\n"),
        std::string::npos);
    fs::remove_all(dir_ / "books");
    // An account of the user's chart on the code of 現金 takes its place.
    options_.chartPath = Write(
        "chart.csv",
        header + "71700000,雑収入２,,0x40848007,C,0,0,\n11100000,手許現金,,0x80880001,D,0,0,\n");
    EXPECT_NE(Convert(journal).message.find("the chart does not know 1 account name"),
              std::string::npos);
    options_.chartPath = Write(
        "chart.csv",
        header + "71700000,雑収入２,,0x40848007,C,0,0,\n71700000,雑収入３,,0x40848007,C,0,0,\n");
    EXPECT_NE(Convert(journal).message.find("chart.csv, line 3, column code: duplicate code"),
              std::string::npos);
    options_.utf8 = false;
    options_.chartPath = Write("chart.csv", header + "71700000,\x8E\x47,,0x40848007,C,0,0,\n" +
                                                "71800000,\xFF,,0x40848007,C,0,0,\n");
    EXPECT_NE(Convert(journal).message.find("chart.csv, line 3: text is not Shift_JIS"),
              std::string::npos);
    options_.utf8 = true;
    options_.chartPath = Write("chart.csv", header + "71700000,雑収入２,,0x4084800G,C,0,0,\n");
    EXPECT_NE(Convert(journal).message.find("chart.csv, line 2, column nature: not a nature"),
              std::string::npos);
    // A chart whose 仮払消費税 is no input-tax account leaves a 内 purchase's tax nowhere to go.
    options_.chartPath = Write("chart.csv", header + "13500000,仮払消費税,,0x80880001,D,0,0,\n");
    std::string purchase =
        Write("p.csv",
              "2000,1,,20250401,消耗品費,,,課対仕入内10%,1100,100,現金,,,対象外,1100,,,,,,,,,,\n");
    EXPECT_NE(Convert(purchase).message.find(
                  "p.csv, line 1, column 8: the tax inside the amount goes to the input-tax "
                  "account, and the chart has none"),
              std::string::npos);
}

// Programs write the accounts of the cost of goods manufactured with [製], without it, or with
// （製造）, and the purchases as 仕入高 or 商品仕入高: the standard chart knows each.
TEST_F(ConvertTest, AccountsByTheNamesProgramsGiveThem) {
    struct Case {
        const char* name;
        const char* code;
    };
    const Case cases[] = {
        {"[製]賃金", "92100000"},
        {"賃金", "92100000"},
        {"賞与", "61300000"},
        {"賞与（製造）", "92300000"},
        {"賞与(製造)", "92300000"},
        {"[製]賞与", "92300000"},
        {"材料仕入高", "91200000"},
        {"外注加工費", "93100000"},
        {"商品仕入高", "51300000"},
        {"仕入高", "51300000"},
        {"期首仕掛品棚卸高", "96100000"},
        {"減価償却費（製造）", "94400000"},
    };
    options_.utf8 = true;
    for (const Case& c : cases) {
        fs::remove_all(dir_ / "books");
        std::string journal = Write("j.csv", std::string("2000,1,,20250401,") + c.name +
                                                 ",,,対象外,1,,現金,,,対象外,1,,,,,,,,,,\n");
        convert::ConvertResult result = Convert(journal);
        ASSERT_TRUE(result.ok) << c.name << ": " << result.message;
        EXPECT_NE(Read(dir_ / "books" / "journal.csv").find(std::string(",,") + c.code + ",1,0,"),
                  std::string::npos)
            << c.name;
    }
    fs::remove_all(dir_ / "books");
    EXPECT_NE(Convert(Write("j.csv",
                            "2000,1,,20250401,福利厚生費（製造）,,,対象外,1,,現金,,,対象外,"
                            "1,,,,,,,,,,\n"))
                  .ok,
              false);
}

}  // namespace
