// The converter from the journal interchange CSV, through its public operations: the fields it
// reads, a journal that uses every form it knows, and each refusal.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "books/Importer.h"
#include "common/Encoding.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "native/PathLock.h"
#include "tools/convert/Chart.h"
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
        {"20250401", 20250401},
        {"2025/04/01", 20250401},
        {"2025/4/1", 20250401},
        {"R.07/04/01", 20250401},
        {"R07/4/1", 20250401},
        {"H30/7/1", 20180701},
        {"H31/4/30", 20190430},
        {"R1/5/1", 20190501},
        {"20250229", 0},
        {"2025/13/01", 0},
        {"X07/4/1", 0},
        {"R.07/4", 0},
        {"25/4/1", 0},
        {"", 0},
        {"2025/4/1 ", 0},
        {"2025-04-01", 20250401},
        {"2025-4-1", 20250401},
        {"2025/04/01 0:00:00", 20250401},
        {"2025/04/01 00:00", 20250401},
        {"2025/04/01 9:30:00", 0},
        {"2025-04/01", 0},
        {"R07-4-1", 0},
        {"令和7年4月1日", 20250401},
        {"令和元年5月1日", 20190501},
        {"平成31年4月30日", 20190430},
        {"2025年4月1日", 20250401},
        {"令和7年4月1", 0},
        {"２０２５/０４/０１", 20250401},
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
        {"課対仕入内区分80%", TaxMark::kIncluded, TaxDirection::kPurchase, 0},
        {"課対仕入内軽減8%", TaxMark::kIncluded, TaxDirection::kPurchase, 8},
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
    EXPECT_EQ(convert::ParseTaxCategory("課対仕入内10%区分80%").sharePercent, 80);
    EXPECT_EQ(convert::ParseTaxCategory("課対仕入内10%区分80%").ratePercent, 10);
    EXPECT_TRUE(convert::ParseTaxCategory("課対仕入内10%8%").twoRates);
}

TEST(InterchangeFields, WholeYenInTheFormsSpreadsheetsWrite) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"", 0},
        {"-1200", -1200},
        {"1,200", 1200},
        {"12,345,678", 12345678},
        {"－１,２００", -1200},
        {"11000.0", 11000},
        {"11000.00", 11000},
        {"12.5", std::nullopt},
        {"1,20", std::nullopt},
        {"1,2000", std::nullopt},
        {",100", std::nullopt},
        {"1000,", std::nullopt},
        {"1.", std::nullopt},
        {".0", std::nullopt},
        {"-", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(convert::ParseWholeYen(c.text), c.expected) << c.text;
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

    // The names in the test's folder: the inputs, and what the convert left (on Windows but
    // the hidden lock files, which stay by design).
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
#ifdef _WIN32
            if (name.ends_with(".kclock")) continue;
#endif
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
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

    // Whatever convert writes, the import reads.
    void ExpectImports() {
        books::ImportResult imported = books::ImportBooks(
            (dir_ / "books").string(), (dir_ / "s.books").string(), books::SourceEncoding::kUtf8);
        EXPECT_TRUE(imported.ok) << imported.message;
    }

    fs::path dir_;
    convert::ConvertOptions options_;
};

// A journal row of the form: flag, voucher, settlement, date, then the sides and the description.
std::string Row(const std::string& head, const std::string& debit, const std::string& credit,
                const std::string& description = "") {
    return head + "," + debit + "," + credit + "," + description + ",,,,,,,,\n";
}
const std::string kCashSale =
    Row("2000,1,,20250401", "現金,,,対象外,1000,", "売上高,,,対象外,1000,");

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
        // Sub-accounts in order of first appearance, the openings first; cash, given only by
        // department, as the department's sum; the difference on 繰越利益.
        std::string accounts = Read(dir_ / "books" / "accounts.csv");
        EXPECT_NE(accounts.find("BOOKS,11400001,そよかぜ信金,,,,,,\nBOOKS,11400002,わかば銀行,"),
                  std::string::npos);
        std::string openings = Read(dir_ / "books" / "openings.csv");
        EXPECT_NE(openings.find("BOOKS,11100000,99999,0\n"), std::string::npos);
        EXPECT_NE(openings.find("BOOKS,33300000,0,299999\n"), std::string::npos);
        EXPECT_NE(result.report.find("12 lines (2 comment, header or end-of-file lines left out; "
                                     "0 last lines"),
                  std::string::npos);
        EXPECT_NE(result.report.find("1 accounts given only by department take the sum"),
                  std::string::npos);
        EXPECT_NE(result.report.find("dropped: 6 values"), std::string::npos);
        EXPECT_NE(result.report.find("cut: 1 descriptions"), std::string::npos);
        EXPECT_NE(result.report.find("; 1 voucher numbers the books cannot hold"),
                  std::string::npos);
        EXPECT_NE(result.report.find("transitional credit (区分80%, 区分50%): 1 lines"),
                  std::string::npos);
        EXPECT_NE(result.report.find("total 2147599 2147599 (debits equal credits)"),
                  std::string::npos);
    }
}

// A convert writes through the floor: a disk that fails it is named by the path the user gave,
// OUT or OUT/FILE, with its reason, and nothing is left beside OUT.
TEST_F(ConvertTest, AFolderThatCannotBeWrittenIsNamedWithTheReason) {
    const std::string journal = Write("j.csv", kCashSale);
    const std::string out = (dir_ / "books").string();
    struct Case {
        const char* call;
        int failing;  // the failing call's number, from 1
        native::FailureKind kind;
        std::string named;
    };
    const Case cases[] = {
        {"folder", 1, native::FailureKind::kAccessDenied, out},
        {"create", 1, native::FailureKind::kNoRoom, out + "/journal.csv"},
        {"create", 3, native::FailureKind::kNoRoom, out + "/users.csv"},
        {"write", 1, native::FailureKind::kNoRoom, out + "/journal.csv"},
        {"write", 4, native::FailureKind::kTooLarge, out + "/accounts.csv"},
        {"sync", 2, native::FailureKind::kDeviceError, out + "/company.csv"},
        // The folder's own rename into its place, after its five files'.
        {"replace", 6, native::FailureKind::kHeldOpen, out},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.call) + " " + std::to_string(c.failing);
        native::Calls calls = native::SystemCalls();
        int count = 0;
        const int code = native::CodeOf(c.kind);
        const std::string call = c.call;
        auto fails = [&] { return ++count == c.failing; };
        if (call == "folder") {
            auto real = calls.makeFolder;
            calls.makeFolder = [=](const std::string& path) mutable {
                return fails() ? code : real(path);
            };
        } else if (call == "create") {
            auto real = calls.createNew;
            calls.createNew = [=](const std::string& path, native::Handle* file) mutable {
                return fails() ? code : real(path, file);
            };
        } else if (call == "write") {
            auto real = calls.write;
            calls.write = [=](native::Handle file, const char* data, std::size_t size,
                              std::size_t* written) mutable {
                return fails() ? code : real(file, data, size, written);
            };
        } else if (call == "sync") {
            auto real = calls.sync;
            calls.sync = [=](native::Handle file) mutable { return fails() ? code : real(file); };
        } else {
            auto real = calls.replace;
            calls.replace = [=](const std::string& from, const std::string& to) mutable {
                return fails() ? code : real(from, to);
            };
        }
        native::CallsOverride failing(calls);
        try {
            convert::ConvertResult result = Convert(journal);
            ADD_FAILURE() << what << ": " << (result.ok ? "written" : result.message);
        } catch (const native::Failure& failure) {
            EXPECT_EQ(native::Sentence(failure), c.named + ": " + native::Reason(failure)) << what;
            EXPECT_EQ(failure.Kind(), c.kind) << what;
        }
        EXPECT_EQ(Beside(), std::vector<std::string>{"j.csv"}) << what;
    }
}

// Another convert into the same folder meanwhile is refused after a short wait, and writes
// nothing; the folder's lock file goes with the run that held it.
TEST_F(ConvertTest, AConvertIntoAFolderAnotherIsWritingIsRefused) {
    const std::string journal = Write("j.csv", kCashSale);
    {
        native::PathLock other;
        ASSERT_EQ(other.Take((dir_ / "books").string(), 0), native::PathLock::Outcome::kHeld);
        convert::ConvertResult refused = Convert(journal);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.message, (dir_ / "books").string() +
                                       ": another convert into this folder is still running; "
                                       "nothing was written");
        // Nothing but the input and the other run's lock file.
        for (const std::string& name : Beside())
            EXPECT_TRUE(name == "j.csv" || name == ".books.kclock") << name;
    }
    convert::ConvertResult result = Convert(journal);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Beside(), (std::vector<std::string>{"books", "j.csv"}));
}

TEST_F(ConvertTest, OptionsOverrideWhatIsInferred) {
    std::string journal =
        Write("j.csv", "2000,1,,20250510,現金,,,課税売上込10%,1100,100,売上高,,,対象外,1100,,\n");
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
         "line 1: has 15 fields; a row of the journal form needs its first 17 of 25"},
        {"3000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: \"3000\" is not a flag"},
        {"2110,1,,20250401,現金,,,対象外,1,,,,,,0,,,,,,,,,,\n2110,2,,20250401,現金,,,,1,,,,,,0,,,,,"
         ",,,,,\n",
         "line 2, column 1: a new voucher begins before the voucher of line 1"},
        {"2101,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: a middle or last line"},
        {"2110,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 1: the voucher that begins here has no last line"},
        {"2000,1,,2025.04.01,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 4: not a date: \"2025.04.01\""},
        {"2000,1,決算,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 3: must be empty, 中決 or 本決"},
        {"2000,1,,20250401,現金,,,対象外,1.5,,売上高,,,対象外,1,,,,,,,,,,\n",
         "line 1, column 9: not a whole-yen amount: \"1.5\""},
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
    for (const Case& c : cases) {
        std::string journal = Write("j.csv", c.journal);
        convert::ConvertResult result = Convert(journal);
        EXPECT_FALSE(result.ok) << c.journal;
        EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
        EXPECT_FALSE(fs::exists(dir_ / "books")) << c.journal;
        EXPECT_EQ(Beside(), std::vector<std::string>{"j.csv"}) << c.journal;
    }
    std::string journal =
        Write("j.csv", "2000,1,,20250401,現金,,,対象外,1,,売上高,,,対象外,1,,,,,,,,,,\n");
    std::string openings = Write("o.csv", "20250401,現金,右,,,1\n");
    EXPECT_NE(
        Convert(journal, openings).message.find("o.csv, line 1, column 3: must be 借方 or 貸方"),
        std::string::npos);
    options_.encoding = books::SourceEncoding::kCp932;
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
    EXPECT_NE(Convert(wide).message.find("w.csv, line 1: is UTF-16 text; save it as Shift_JIS or "
                                         "as UTF-8"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "books"));
}

// The forms other programs write, each read as its file means it, and each folder imports.
TEST_F(ConvertTest, FormsThatRealProgramsWrite) {
    struct Case {
        const char* what;
        std::string journal;
        std::string openings;
        std::string inJournal;   // in journal.csv
        std::string inOpenings;  // in openings.csv
        std::string inReport;
    };
    const std::string cashSale = ",,,11100000,1000,0,41100000,1000,0,";
    const Case cases[] = {
        {"a closing 2101 line that carries nothing",
         "2110,1,,20250401,現金,,,対象外,1000,,,,,,0,,給与\n"
         "2100,,,,,,,,0,,普通預金,,,対象外,1000,,振込\n2101,,,,,,,,0,,,,,,0,,,,,,,,,,\n",
         "", "BOOKS,1,1,2,20250401,,,,0,0,11400000,1000,0,振込\n", "",
         "1 last lines (2101) without an account or amount left out"},
        {"empty fields after the 25th",
         Row("2000,1,,20250401", "現金,,,対象外,1000,", "売上高,,,対象外,1000,") + "", "", cashSale,
         "", "1 entries"},
        {"a trailing comma",
         "2000,1,,20250401,現金,,,対象外,1000,,売上高,,,対象外,1000,,,,,,,,,,,,\n", "", cashSale,
         "", "1 entries"},
        {"the DOS end-of-file mark", kCashSale + "\x1A", "", cashSale, "",
         "(1 comment, header or end-of-file lines"},
        {"amounts with commas, full-width and .0",
         "2000,1,,20250401,現金,,,対象外,\"1,000\",,売上高,,,対象外,１０００,,\n"
         "2000,2,,20250401,現金,,,対象外,1000.0,,売上高,,,対象外,\"1,000.00\",,\n",
         "", "BOOKS,2,2,1,20250401" + cashSale, "", "2 entries"},
        {"dates with dashes, a midnight and an era name",
         Row("2000,1,,2025-04-01", "現金,,,対象外,1000,", "売上高,,,対象外,1000,") +
             Row("2000,2,,2025/04/02 0:00:00", "現金,,,対象外,1000,", "売上高,,,対象外,1000,") +
             Row("2000,3,,令和7年4月3日", "現金,,,対象外,1000,", "売上高,,,対象外,1000,"),
         "", "BOOKS,3,3,1,20250403" + cashSale, "", "3 entries"},
        {"openings only by department are summed", kCashSale,
         "20250401,現金,借方,,本社,300\n20250401,現金,借方,,工場,200\n", "",
         "BOOKS,11100000,500,0\n", "1 accounts given only by department take the sum"},
        {"a company-wide opening wins over its departments", kCashSale,
         "20250401,現金,借方,,本社,300\n20250401,現金,借方,,,700\n", "", "BOOKS,11100000,700,0\n",
         "1 given company-wide too take the company-wide balance"},
        {"a line break in a quoted description, and its blanks",
         Row("2000,1,,20250401", "現金,,,対象外,1000,", "売上高,,,対象外,1000,",
             "\"  東京\r\n出張  \""),
         "", cashSale + "  東京 出張  \n", "", "1 line breaks in descriptions made blanks"},
        {"names other programs use",
         Row("2000,1,,20250401", "現金,,,対象外,1000,", "売上,,,対象外,1000,"), "", cashSale, "",
         "names read as the chart names them: 売上 → 売上高;"},
        {"a transitional credit without its tax: 80% of it is credited",
         Row("2000,1,,20250401", "消耗品費,,,課対仕入内10%区分80%,1100,", "現金,,,対象外,1100,"),
         "", ",,,62800000,1020,80,11100000,1100,0,", "",
         "transitional credit (区分80%, 区分50%): 1"},
        {"a transitional credit with its tax, booked as given",
         Row("2000,1,,20250401", "消耗品費,,,課対仕入内10%区分50%,1100,50", "現金,,,対象外,1100,"),
         "", ",,,62800000,1050,50,11100000,1100,0,", "",
         "transitional credit (区分80%, 区分50%): 1"},
        {"a voucher's later line of another date is booked on its date, and said",
         Row("2110,1,,20250430", "現金,,,対象外,1000,", ",,,,0,") +
             Row("2101,,,20250501", ",,,,0,", "売上高,,,対象外,1000,"),
         "", "BOOKS,1,1,2,20250430,,,,0,0,41100000,1000,0,", "",
         "booked on its date: 1 lines\n  line 2 dated 20250501, its voucher (line 1) 20250430"},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_ / "books");
        fs::remove(dir_ / "s.books");
        convert::ConvertResult result = Convert(
            Write("j.csv", c.journal), c.openings.empty() ? "" : Write("o.csv", c.openings));
        ASSERT_TRUE(result.ok) << c.what << ": " << result.message;
        EXPECT_NE(Read(dir_ / "books" / "journal.csv").find(c.inJournal), std::string::npos)
            << c.what << "\n"
            << Read(dir_ / "books" / "journal.csv");
        EXPECT_NE(Read(dir_ / "books" / "openings.csv").find(c.inOpenings), std::string::npos)
            << c.what;
        EXPECT_NE(result.report.find(c.inReport), std::string::npos) << c.what << "\n"
                                                                     << result.report;
        ExpectImports();
    }
}

// What would book other figures than the file says, or write a folder the import refuses, is
// refused at the user's own file, line and column.
TEST_F(ConvertTest, WhatWouldBookAWrongFigureIsRefused) {
    struct Case {
        const char* what;
        std::string journal;
        std::string openings;
        std::string expected;
    };
    const Case cases[] = {
        {"openings of two days", kCashSale,
         "20250401,現金,借方,,,5000\n20240401,現金,借方,,,7000\n",
         "o.csv, line 2, column 1: dated 20240401, where the balances of line 1 are of 20250401"},
        {"an opening of no date", kCashSale,
         "20250401,現金,借方,,,5000\nnot-a-date,現金,借方,,,1\n",
         "o.csv, line 2, column 1: not a date: \"not-a-date\""},
        {"openings dated mid-month", kCashSale, "20250415,現金,借方,,,5000\n",
         "o.csv, line 1, column 1: the balances are of 20250415, not of the first day"},
        {"a 内 category with a share and no rate",
         Row("2000,1,,20250401", "消耗品費,,,課対仕入内区分80%,1080,", "現金,,,対象外,1080,"), "",
         "j.csv, line 1, column 8: the tax category names no rate (10% or 8%)"},
        {"a rate the books do not know",
         Row("2000,1,,20250401", "消耗品費,,,課対仕入内9999%,1080,", "現金,,,対象外,1080,"), "",
         "j.csv, line 1, column 8: the tax category names the rate 9999%"},
        {"a share the books do not know",
         Row("2000,1,,20250401", "消耗品費,,,課対仕入内10%区分70%,1100,", "現金,,,対象外,1100,"),
         "", "j.csv, line 1, column 8: the tax category names the share 区分70%"},
        {"a tax amount on 対象外",
         Row("2000,1,,20250401", "消耗品費,,,対象外,1100,100", "現金,,,対象外,1100,"), "",
         "j.csv, line 1, column 10: a tax amount of 100 yen on a tax category that holds none"},
        {"a tax amount on a category without 内",
         Row("2000,1,,20250401", "現金,,,対象外,1100,", "売上高,,,課税売上10%,1100,100"), "",
         "j.csv, line 1, column 16: a tax amount of 100 yen"},
        {"a tab in a description",
         Row("2000,1,,20250401", "現金,,,対象外,1000,", "売上高,,,対象外,1000,", "a\tb"), "",
         "j.csv, line 1, column 17: text holds the control character 0x09"},
        {"a sub-account of nothing but brackets",
         Row("2000,1,,20250401", "現金,【】,,対象外,1000,", "売上高,,,対象外,1000,"), "",
         "j.csv, line 1, column 6: nothing is left once blanks, brackets"},
        {"a year before the first era",
         Row("2000,1,,18680501", "現金,,,対象外,1000,", "売上高,,,対象外,1000,"), "",
         "the fiscal period begins on 18680501 (the month of the journal's first date), before "
         "the first era"},
        {"a year that would end after 9999",
         Row("2000,1,,99991201", "現金,,,対象外,1000,", "売上高,,,対象外,1000,"), "",
         "would end after the year 9999; give --period"},
        {"a value past the 25th column",
         "2000,1,,20250401,現金,,,対象外,1000,,売上高,,,対象外,1000,,,,,,,,,,,x\n", "",
         "j.csv, line 1, column 26: a value beyond the 25 columns"},
    };
    for (const Case& c : cases) {
        convert::ConvertResult result = Convert(
            Write("j.csv", c.journal), c.openings.empty() ? "" : Write("o.csv", c.openings));
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_NE(result.message.find(c.expected), std::string::npos)
            << c.what << ": " << result.message;
        EXPECT_FALSE(fs::exists(dir_ / "books")) << c.what;
    }
    // The options that become texts of the books.
    struct OptionCase {
        std::string company;
        std::string dataId;
        const char* expected;
    };
    const OptionCase options[] = {
        {std::string(300, 'a'), "BOOKS", "--company: text is 300 bytes in Shift_JIS, at most 259"},
        {"株式会社\U0001F600", "BOOKS", "--company: text has no Shift_JIS form"},
        {"テスト", "a/b", "--data-id: a data ID may not hold \"/\""},
        {"テスト", "ABCDEFGHIJKLMNOP", "--data-id: text is 16 bytes in Shift_JIS, at most 15"},
    };
    const std::string journal = Write("j.csv", kCashSale);
    for (const OptionCase& c : options) {
        options_.dataId = c.dataId;
        options_.journalPath = journal;
        options_.company = c.company;
        options_.outDir = (dir_ / "books").string();
        convert::ConvertResult result = convert::ConvertInterchange(options_);
        EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
    }
    options_.dataId = "BOOKS";
    // Books that close no interim period hold no line of its settlement.
    options_.interimClosing = false;
    EXPECT_NE(Convert(Write("j.csv", Row("2000,1,中決,20250930", "現金,,,対象外,1000,",
                                         "売上高,,,対象外,1000,")))
                  .message.find("j.csv, line 1, column 3: a line of the interim settlement (中決) "
                                "in books that close no interim period"),
              std::string::npos);
}

// The encoding of each file is decided by its bytes: a UTF-8 chart beside a Shift_JIS journal is
// read as UTF-8, and a file that changes its encoding is refused where it does.
TEST_F(ConvertTest, EachFileIsReadInItsOwnEncoding) {
    const std::string header = "code,name,label,nature,side,flag,no_ledger,sum_of\n";
    std::string sjisJournal;
    ASSERT_TRUE(sjis::Utf8ToSjis(
        Row("2000,1,,20250401", "現金,,,対象外,1000,", "雑収入２,,,対象外,1000,"), &sjisJournal));
    options_.chartPath = Write("chart.csv", header + "71700000,雑収入２,,0x40848007,C,0,0,\n");
    convert::ConvertResult result = Convert(Write("j.csv", sjisJournal));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_NE(Read(dir_ / "books" / "journal.csv").find(",71700000,1000,"), std::string::npos);
    fs::remove_all(dir_ / "books");
    std::string mixed =
        sjisJournal + Row("2000,2,,20250401", "現金,,,対象外,1000,", "雑収入２,,,対象外,1000,");
    EXPECT_NE(Convert(Write("j.csv", mixed))
                  .message.find("j.csv, line 2, column 5: a byte here is neither UTF-8 nor "
                                "Shift_JIS text"),
              std::string::npos);
    // UTF-8 振替 is valid Shift_JIS too: in a Shift_JIS journal it is refused, not misread.
    std::string sjisRest;
    ASSERT_TRUE(sjis::Utf8ToSjis(
        Row("2000,2,,20250401", "現金,,,対象外,1000,", "雑収入２,,,対象外,1000,"), &sjisRest));
    sjisRest.insert(sjisRest.size() - 9, "振替");  // the description, UTF-8 among Shift_JIS
    EXPECT_NE(Convert(Write("j.csv", sjisJournal + sjisRest))
                  .message.find("j.csv, line 2, column 17: text is UTF-8, not Shift_JIS"),
              std::string::npos);
    options_.chartPath.clear();
}

// A chart taken whole is the company's own: no standard account or total comes along, and its
// accounts keep their order.
TEST_F(ConvertTest, AChartTakenWhole) {
    const std::string chart =
        "code,name,label,nature,side,flag,no_ledger,sum_of\n"
        "41100000,売上高,,0x40888001,C,0,0,\n11100000,現金,,0x80880001,D,0,0,\n"
        "11200000,預金,,0x80880004,D,0,0,\n";
    options_.chartPath = Write("chart.csv", chart);
    options_.chartOnly = true;
    convert::ConvertResult result = Convert(Write("j.csv", kCashSale));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Read(dir_ / "books" / "accounts.csv"),
              "data_id,code,name,label,nature,side,flag,no_ledger,sum_of\n"
              "BOOKS,41100000,売上高,,0x40888001,C,0,0,\nBOOKS,11100000,現金,,0x80880001,D,0,0,\n"
              "BOOKS,11200000,預金,,0x80880004,D,0,0,\n");
    ExpectImports();
    fs::remove_all(dir_ / "books");
    EXPECT_NE(
        Convert(Write("j.csv", Row("2000,1,,20250401", "現金,,,対象外,1,", "雑収入,,,対象外,1,")))
            .message.find("the chart does not know 1 account name"),
        std::string::npos);
    options_.chartOnly = false;
    options_.chartPath.clear();
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
        {{{4000, &undecodable}},
         "j.csv, line 4000, column 5: a byte here is neither UTF-8 nor Shift_JIS"},
        {{{3000, &unbalanced}, {4500, &undecodable}}, "j.csv, line 3000: the voucher does not"},
        {{{1500, &undecodable}, {3000, &unbalanced}},
         "j.csv, line 1500, column 5: a byte here is neither"},
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
    options_.encoding = books::SourceEncoding::kCp932;
    options_.chartPath = Write("chart.csv", header + "71700000,\x8E\x47,,0x40848007,C,0,0,\n" +
                                                "71800000,\xFF,,0x40848007,C,0,0,\n");
    EXPECT_NE(Convert(journal).message.find("chart.csv, line 3: text is not Shift_JIS"),
              std::string::npos);
    options_.encoding = books::SourceEncoding::kFromBytes;
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
    // Every name other programs use stands for an account the standard chart holds.
    convert::Chart chart;
    std::string error;
    ASSERT_TRUE(chart.Add(convert::StandardChartText(), "standard", &error)) << error;
    for (std::size_t i = 0; i < convert::kAccountAliasCount; ++i) {
        const convert::AccountAlias& alias = convert::kAccountAliases[i];
        const convert::ChartAccount* account = chart.Find(alias.name);
        ASSERT_NE(account, nullptr) << alias.name;
        EXPECT_EQ(account->name, alias.chartName);
    }
    fs::remove_all(dir_ / "books");
    EXPECT_NE(Convert(Write("j.csv",
                            "2000,1,,20250401,福利厚生費（製造）,,,対象外,1,,現金,,,対象外,"
                            "1,,,,,,,,,,\n"))
                  .ok,
              false);
}

}  // namespace
