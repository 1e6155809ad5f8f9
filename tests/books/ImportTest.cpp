// Importing books: what is refused, with which message, and that a refused import leaves the
// store as it was.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "books/Encoding.h"
#include "tests/books/BooksFixture.h"
#include "tools/Show.h"

namespace books::test {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Replaces the first occurrence of `from` in one file of the sample.
std::map<std::string, std::string> Edited(const std::string& file, const std::string& from,
                                          const std::string& to) {
    auto files = SampleFiles();
    std::string& content = files[file];
    std::size_t at = content.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) content.replace(at, from.size(), to);
    return files;
}

using ImportRefusal = BooksTest;

TEST_F(ImportRefusal, SampleImportsAndShowBalancesItsTrialBalance) {
    ImportResult result = Import(SampleFiles());
    ASSERT_TRUE(result.ok) << result.message;
    std::ostringstream shown;
    std::string error;
    ASSERT_TRUE(ShowStore(store_, shown, &error)) << error;
    EXPECT_NE(shown.str().find("debits equal credits"), std::string::npos) << shown.str();
    EXPECT_NE(shown.str().find("7 entries, 8 journal lines"), std::string::npos) << shown.str();
}

struct Refusal {
    const char* name;
    const char* file;
    std::string from;
    std::string to;
    const char* message;  // expected in the refusal
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class ImportRefusalCases : public BooksTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ImportRefusalCases, IsRefusedWithFileLineAndColumnAndLeavesTheStoreUntouched) {
    ASSERT_TRUE(Import(SampleFiles()).ok);
    std::string before = ReadBytes(store_);
    const Refusal& refusal = GetParam();
    ImportResult result = Import(Edited(refusal.file, refusal.from, refusal.to));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(refusal.message), std::string::npos) << result.message;
    EXPECT_EQ(ReadBytes(store_), before);
    EXPECT_FALSE(fs::exists(store_ + ".importing"));
}

const std::string kJournalLine1 = "D001,1,,1,20250410,,,1000000,110,,6000000,100,10,";

INSTANTIATE_TEST_SUITE_P(
    BadInput, ImportRefusalCases,
    ::testing::Values(
        Refusal{"UnbalancedQuotes", "journal.csv", "D001,2,", "\"D001,2,",
                "journal.csv, line 3: unbalanced quotes"},
        Refusal{"WrongFieldCount", "journal.csv", "D001,2,,1", "D001,2,,,1",
                "journal.csv, line 3: has 15 fields, the header has 14"},
        Refusal{"UnknownColumn", "journal.csv", "description", "memo",
                "journal.csv, line 1, column memo: unknown column"},
        Refusal{"MissingRequiredColumn", "accounts.csv", "data_id,code,name", "data_id,code,title",
                "accounts.csv, line 1, column title: unknown column"},
        Refusal{"MissingRequiredColumnItself", "openings.csv", "data_id,code,", "data_id,",
                "column code: required column is missing"},
        Refusal{"FiveFractionDigits", "journal.csv", kJournalLine1,
                "D001,1,,1,20250410,,,1000000,110.00001,,6000000,100,10,",
                "journal.csv, line 2, column debit_amount: more than four fraction digits"},
        Refusal{"AmountBeyond64Bits", "openings.csv", "D001,1000000,1000,",
                "D001,1000000,922337203685478,",
                "openings.csv, line 2, column debit: beyond the 64-bit range"},
        Refusal{"DateOutsidePeriod", "journal.csv", "20250515", "20260401",
                "journal.csv, line 3, column date: date 20260401 lies outside the fiscal period"},
        Refusal{"NotADate", "journal.csv", "20250515", "20250230",
                "journal.csv, line 3, column date: not a date"},
        Refusal{"EntryDoesNotBalance", "journal.csv", "D001,3,,2,20250601,,,,,,6000000,50,",
                "D001,3,,2,20250601,,,,,,6000000,49,",
                "journal.csv, line 5, column entry: entry 3 does not balance"},
        Refusal{"UnknownAccountCode", "journal.csv", "7000000,200,20,1100002",
                "7000000,200,20,1100003",
                "journal.csv, line 3, column credit_code: unknown account code 1100003"},
        Refusal{"SubAccountWithoutAccount", "accounts.csv", "D001,1100001,", "D001,1200001,",
                "accounts.csv, line 4, column code: sub-account of the missing account 1200000"},
        Refusal{"DuplicateCode", "accounts.csv", "D001,1100002,", "D001,1100001,",
                "accounts.csv, line 5, column code: duplicate code 1100001"},
        Refusal{"DuplicateDataNumber", "company.csv", "D002,2,", "D002,1,",
                "company.csv, line 3, column data_no: duplicate data number 1"},
        Refusal{"DataIdOver15Bytes", "company.csv", "D002,2,", "D0020000000000000,2,",
                "company.csv, line 2, column data_id: text is 17 bytes in Shift_JIS, at most 15"},
        Refusal{"TextWithoutShiftJis", "journal.csv", U8(u8",仕入"), U8(u8",仕入\xF0\x9F\x98\x80"),
                "journal.csv, line 3, column description: text has no Shift_JIS form"},
        Refusal{"UserOfMissingDataSet", "users.csv", "u2,3,2", "u2,3,9",
                "users.csv, line 3, column data_no: the selected data set 9 does not exist"},
        Refusal{"PostingToTotal", "journal.csv", "D001,6,,1,20250701,,,1000000",
                "D001,6,,1,20250701,,,9000000",
                "column debit_code: total account 9000000 takes no postings"},
        Refusal{"TaxOnBothSides", "journal.csv", kJournalLine1,
                "D001,1,,1,20250410,,,1000000,100,10,6000000,100,10,",
                "column credit_tax: a line carries consumption tax on one side at most"},
        Refusal{"DuplicateLine", "journal.csv", "D001,3,,2,", "D001,3,,1,",
                "entry 3 has line 1 twice"},
        Refusal{"SecondInputTaxAccount", "accounts.csv", ",0x80480001,C", ",0x80880810,C",
                "accounts.csv, line 7, column nature: a second consumption-tax account"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(ImportRefusal, TaxWithoutTaxAccountIsRefused) {
    auto files = SampleFiles();
    // The second data set has no output-tax account.
    files["journal.csv"] += "D002,1,,1,20250110,,,1000000,11,,1000000,10,1,\n";
    ImportResult result = Import(files);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("column credit_tax: the books have no output-tax account"),
              std::string::npos)
        << result.message;
}

TEST_F(ImportRefusal, ShiftJisFilesImportWithTheEncodingOption) {
    auto files = SampleFiles();
    for (auto& [name, content] : files) {
        std::string sjis;
        ASSERT_TRUE(Utf8ToSjis(content, &sjis));
        content = sjis;
    }
    ImportResult result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kCp932);
    ASSERT_TRUE(result.ok) << result.message;
    // Read as UTF-8, the same bytes are not valid text.
    result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kUtf8);
    EXPECT_FALSE(result.ok);
}

TEST_F(ImportRefusal, MissingFolderOrFileIsRefused) {
    EXPECT_FALSE(ImportBooks(dir_ + "/nothing", store_, SourceEncoding::kUtf8).ok);
    auto files = SampleFiles();
    files.erase("accounts.csv");
    ImportResult result = Import(files);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("accounts.csv: cannot be read"), std::string::npos)
        << result.message;
}

}  // namespace
}  // namespace books::test
