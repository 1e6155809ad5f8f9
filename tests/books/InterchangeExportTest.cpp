// The store's books written in the journal interchange form: the sample books' rows as a reader
// of the form sees them, the opening balances, and what the books keep that the form cannot.

#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

#include "books/Store.h"
#include "common/Encoding.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "tests/books/BooksFixture.h"
#include "tools/interchange/JournalWriter.h"

namespace books::test {
namespace {

using interchange::ExportOptions;
using interchange::ExportSummary;
using interchange::OutputEncoding;

class StringSink : public interchange::RowSink {
public:
    bool Put(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// The rows of a file, each cut into its fields (quotes taken off, doubled quotes made single).
std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.ends_with('\r')) << line;
        line.pop_back();
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (line[i] == '"') {
                quoted = !quoted;
            } else if (line[i] == ',' && !quoted) {
                fields.emplace_back();
            } else {
                fields.back() += line[i];
            }
        }
        rows.push_back(fields);
    }
    return rows;
}

class InterchangeExport : public BooksTest {
protected:
    ExportSummary Export(const ExportOptions& options = {}) {
        Database db;
        EXPECT_TRUE(db.OpenReadOnly(store_)) << db.Error();
        journal_.text.clear();
        openings_.text.clear();
        return interchange::WriteInterchange(db, options, journal_, &openings_);
    }
    ExportSummary ExportSample(OutputEncoding encoding = OutputEncoding::kUtf8) {
        ImportResult imported = ImportBooks(KC_SAMPLE_BOOKS, store_, SourceEncoding::kUtf8);
        EXPECT_TRUE(imported.ok) << imported.message;
        ExportOptions options;
        options.encoding = encoding;
        ExportSummary summary = Export(options);
        EXPECT_TRUE(summary.ok) << summary.message;
        return summary;
    }
    StringSink journal_;
    StringSink openings_;
};

// The whole rows of the sample books' journal a reader must read rightly, by row number.
TEST_F(InterchangeExport, SampleJournalRowsCarryFlagsSettlementsTaxAndQuotes) {
    ExportSample();
    auto rows = Rows(journal_.text);
    auto text = [&](std::size_t row) {
        std::string joined;
        for (const std::string& field : rows.at(row)) joined += field + "|";
        return joined;
    };
    struct Case {
        std::size_t row;
        const char8_t* expected;
    } cases[] = {
        // One line, input tax on the debit side: the amount with its tax, the tax as booked.
        {0,
         u8"2000|1||20250401|地代家賃|||課対仕入内10%|726000|66000|普通預金|わかば銀行　本店||"
         u8"対象外|726000|0|本社事務所家賃　3か月分|||||||||"},
        // Output tax on the credit side.
        {2,
         u8"2000|3||20250405|売掛金|株式会社みなみ精工||対象外|4081000|0|製品売上高|||"
         u8"課税売上内10%|4081000|371000|売上　株式会社みなみ精工　精密シャフト　4月納品分||||||||"
         u8"|"},
        // An entry of six lines, each leaving a side empty: 2110, 2100 four times, 2101.
        {10, u8"2110|10||20250425|役員報酬|||対象外|600000|0|||||0|0|役員報酬　4月分|||||||||"},
        {12, u8"2100|10||20250425|賃金|||対象外|1450000|0|||||0|0|給与　4月分　製造部門|||||||||"},
        {15,
         u8"2101|10||20250425|||||0|0|普通預金|わかば銀行　本店||対象外|1980000|0|給与振込||||||||"
         u8"|"},
        // A description with a comma, read back whole.
        {25,
         u8"2000|16||20250509|広告宣伝費|||課対仕入内10%|385000|35000|未払金|||対象外|385000|0|"
         u8"展示会出展費用, 産業機械フェア2025 ブース装飾含む|||||||||"},
        // The interim settlement; the year-end settlement, in an entry of two lines.
        {152,
         u8"2000|82|中決|20250930|減価償却費|||対象外|640000|0|減価償却累計額|||対象外|640000|0|"
         u8"中間決算　減価償却費計上（上期分）|||||||||"},
        {314,
         u8"2110|171|本決|20260331|期首製品棚卸高|||対象外|2400000|0|製品|||対象外|2400000|0|"
         u8"決算整理　期首製品棚卸高振替|||||||||"},
        {315,
         u8"2101|171|本決|20260331|製品|||対象外|2650000|0|期末製品棚卸高|||対象外|2650000|0|"
         u8"決算整理　期末製品棚卸高計上|||||||||"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.row), U8(c.expected)) << "row " << c.row;
}

TEST_F(InterchangeExport, EveryRowHas25FieldsAndEveryEntryBalancesInWholeYen) {
    ExportSummary summary = ExportSample();
    auto rows = Rows(journal_.text);
    EXPECT_EQ(summary.entries, 184);
    EXPECT_EQ(summary.lines, static_cast<long>(rows.size()));
    long long debits = 0, credits = 0;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 25u) << row[0] << "," << row[1];
        debits += std::stoll(row[8]);
        credits += std::stoll(row[14]);
        if (row[0] == "2000" || row[0] == "2101") {
            EXPECT_EQ(debits, credits) << "entry " << row[1];
            debits = credits = 0;
        }
    }
    // 2345.6789 + 234 and 37.4512 yen, on both sides.
    EXPECT_EQ(summary.amountsRounded, 4);
    EXPECT_EQ(summary.kindsDropped, 2);
}

TEST_F(InterchangeExport, ShiftJisFileHoldsTheSameRowsAsUtf8) {
    ExportSample(OutputEncoding::kCp932);
    std::string fromSjis;
    ASSERT_TRUE(sjis::SjisToUtf8(journal_.text, &fromSjis));
    ExportSample(OutputEncoding::kUtf8);
    EXPECT_EQ(fromSjis, journal_.text);
}

// One row per account with a balance, sub-accounts folded in, on the side the balance lies on;
// 繰越利益 left out, so that the rows differ by exactly its balance.
TEST_F(InterchangeExport, OpeningsLeaveRetainedEarningsAsTheDifference) {
    ExportSummary summary = ExportSample();
    auto rows = Rows(openings_.text);
    EXPECT_EQ(summary.openingRows, static_cast<long>(rows.size()));
    EXPECT_EQ(summary.leftOutAccount, U8(u8"繰越利益"));
    long long difference = 0;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 6u);
        EXPECT_EQ(row[0], "20250401");
        EXPECT_NE(row[1], U8(u8"繰越利益"));
        difference += (row[2] == U8(u8"借方") ? 1 : -1) * std::stoll(row[5]);
    }
    EXPECT_EQ(difference, 28018700);
    auto has = [&](const char8_t* account, const char8_t* side, const char* balance) {
        return std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
            return row[1] == U8(account) && row[2] == U8(side) && row[5] == balance;
        });
    };
    EXPECT_TRUE(has(u8"普通預金", u8"借方", "12658400"));  // two banks' balances
    EXPECT_TRUE(has(u8"貸倒引当金", u8"貸方", "76000"));   // a debit account's credit balance
    EXPECT_TRUE(has(u8"自己株式", u8"借方", "200000"));    // a credit account's debit balance
}

// Tax-inclusive books keep the amount with its tax: 込; tax-exclusive books separate it: 内.
TEST_F(InterchangeExport, TaxCategoryFollowsTheBooksTaxKeeping) {
    struct Case {
        const char* taxInclusive;
        const char8_t* debitCategory;
        const char8_t* creditCategory;
    } cases[] = {{"0", u8"課対仕入内10%", u8"課税売上内10%"},
                 {"1", u8"課対仕入込10%", u8"課税売上込10%"}};
    for (const Case& c : cases) {
        auto files = SampleFiles();
        std::string& company = files["company.csv"];
        company.replace(company.rfind(",0\n"), 3, std::string(",") + c.taxInclusive + "\n");
        ImportResult imported = Import(files);
        ASSERT_TRUE(imported.ok) << imported.message;
        ExportOptions options;
        options.dataNo = 1;
        options.encoding = OutputEncoding::kUtf8;
        ASSERT_TRUE(Export(options).ok);
        auto rows = Rows(journal_.text);
        // 売上 110 in cash: 100 and 10 output tax; 仕入 220 from B銀行: 200 and 20 input tax.
        EXPECT_EQ(rows.at(0)[13] + "|" + rows.at(0)[14] + "|" + rows.at(0)[15],
                  U8(c.creditCategory) + "|110|10");
        EXPECT_EQ(rows.at(1)[7] + "|" + rows.at(1)[8] + "|" + rows.at(1)[9],
                  U8(c.debitCategory) + "|220|20");
    }
}

TEST_F(InterchangeExport, RoundingThatUnbalancesAnEntryMovesAYenOnOneSide) {
    auto files = SampleFiles();
    files["journal.csv"] =
        U8(u8"data_id,entry,line,date,debit_code,debit_amount,credit_code,credit_amount\n"
           u8"D001,1,1,20250410,1000000,0.5,,\n"
           u8"D001,1,2,20250410,1000000,0.5,,\n"
           u8"D001,1,3,20250410,,,6000000,1\n");
    ASSERT_TRUE(Import(files).ok);
    ExportOptions options;
    options.dataNo = 1;
    ExportSummary summary = Export(options);
    ASSERT_TRUE(summary.ok) << summary.message;
    auto rows = Rows(journal_.text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::stoll(rows[0][8]) + std::stoll(rows[1][8]), std::stoll(rows[2][14]));
    EXPECT_EQ(rows[2][14], "1");
    EXPECT_EQ(summary.amountsRounded, 2);
    EXPECT_EQ(summary.entriesBalanced, 1);
}

// The form gives a voucher one date: an entry whose lines carry several dates is written as a
// voucher per date when each date's lines balance with their tax, and is refused otherwise.
TEST_F(InterchangeExport, EntryOfSeveralDatesIsAVoucherPerDateOrRefused) {
    const std::string header =
        "data_id,entry,voucher,line,date,debit_code,debit_amount,debit_tax,credit_code,"
        "credit_amount,credit_tax\n";
    struct Case {
        const char* what;
        std::string lines;
        const char* rows;     // flag, voucher and date of each row written
        const char* refusal;  // or the refusal
    } cases[] = {
        {"one date", "D001,1,7,1,20250430,1000000,100,,,,\nD001,1,7,2,20250430,,,,6000000,100,\n",
         "2110 7 20250430|2101 7 20250430|", ""},
        {"a balanced line a date",
         "D001,1,7,1,20250430,1000000,100,,6000000,100,\n"
         "D001,1,7,2,20250501,1000000,50,,6000000,50,\n",
         "2000 7 20250430|2000 7 20250501|", ""},
        // Each date's lines keep their order; the dates go in date order.
        {"dates interleaved",
         "D001,1,7,1,20250501,1000000,50,,,,\n"
         "D001,1,7,2,20250430,1000000,100,,,,\nD001,1,7,3,20250430,,,,6000000,100,\n"
         "D001,1,7,4,20250501,,,,6000000,30,\nD001,1,7,5,20250501,,,,6000000,20,\n",
         "2110 7 20250430|2101 7 20250430|2110 7 20250501|2100 7 20250501|2101 7 20250501|", ""},
        // The tax counts: 200 + 20 input tax balance 220, the amounts without tax would not.
        {"balanced with tax",
         "D001,1,7,1,20250430,7000000,200,20,,,\n"
         "D001,1,7,2,20250430,,,,1100002,220,\nD001,1,7,3,20250501,1000000,5,,6000000,5,\n",
         "2110 7 20250430|2101 7 20250430|2000 7 20250501|", ""},
        {"April's cash in May",
         "D001,1,7,1,20250430,1000000,100,,,,\n"
         "D001,1,7,2,20250501,,,,6000000,100,\n",
         "",
         "data set D001, entry 1 (voucher 7): its lines are dated 20250430, 20250501, and "
         "those of 20250430 do not balance by themselves"},
        {"tax left on another date",
         "D001,1,7,1,20250430,7000000,200,20,,,\n"
         "D001,1,7,2,20250430,,,,1100002,200,\nD001,1,7,3,20250501,,,,1100002,20,\n",
         "", "those of 20250430 do not balance by themselves"},
    };
    for (const Case& c : cases) {
        auto files = SampleFiles();
        files["journal.csv"] = header + c.lines;
        ImportResult imported = Import(files);
        ASSERT_TRUE(imported.ok) << c.what << ": " << imported.message;
        ExportOptions options;
        options.dataNo = 1;
        ExportSummary summary = Export(options);
        EXPECT_EQ(summary.ok, *c.refusal == '\0') << c.what << ": " << summary.message;
        if (!summary.ok) {
            EXPECT_NE(summary.message.find(c.refusal), std::string::npos)
                << c.what << ": " << summary.message;
            continue;
        }
        std::string written;
        for (const auto& row : Rows(journal_.text))
            written += row.at(0) + " " + row.at(1) + " " + row.at(3) + "|";
        EXPECT_EQ(written, c.rows) << c.what;
        EXPECT_EQ(summary.entries, 1) << c.what;
        EXPECT_EQ(summary.entriesSplit, std::string(c.rows).find("20250501") != std::string::npos)
            << c.what;
    }
}

TEST_F(InterchangeExport, StoreOfSeveralDataSetsNeedsTheDataNumber) {
    ASSERT_TRUE(Import(SampleFiles()).ok);
    struct Case {
        std::int32_t dataNo;
        const char* message;
    } cases[] = {
        {0, "the store holds 2 data sets (1 D001, 2 D002); choose one with --data NO"},
        {3, "the store holds no data set numbered 3"},
        {2, ""},
    };
    for (const Case& c : cases) {
        ExportOptions options;
        options.dataNo = c.dataNo;
        ExportSummary summary = Export(options);
        EXPECT_EQ(summary.ok, std::string(c.message).empty()) << c.dataNo;
        EXPECT_EQ(summary.message, c.message);
    }
}

// The export into files, through the floor: a file that cannot be written is named by its
// target, and neither target is replaced; a target that is or will be another file of the run is
// refused before anything is written; nothing is left beside the targets either way.
class InterchangeFiles : public InterchangeExport {
protected:
    void SetUp() override {
        InterchangeExport::SetUp();
        ImportResult imported = ImportBooks(KC_SAMPLE_BOOKS, store_, SourceEncoding::kUtf8);
        ASSERT_TRUE(imported.ok) << imported.message;
        journal_ = dir_ + "/j.csv";
        openings_ = dir_ + "/o.csv";
        std::ofstream(journal_, std::ios::binary) << "previous journal";
        std::ofstream(openings_, std::ios::binary) << "previous openings";
    }
    // The folder's names besides the store and the two targets.
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name != "test.books" && name != "j.csv" && name != "o.csv") names.push_back(name);
        }
        return names;
    }
    void ExpectUntouched(const std::string& what) const {
        EXPECT_EQ(ReadFile(journal_), "previous journal") << what;
        EXPECT_EQ(ReadFile(openings_), "previous openings") << what;
        EXPECT_EQ(Beside(), std::vector<std::string>{}) << what;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string journal_;
    std::string openings_;
};

TEST_F(InterchangeFiles, BothFilesTakeTheirTargetsPlace) {
    ExportSummary summary = interchange::ExportInterchange(store_, journal_, openings_, {});
    ASSERT_TRUE(summary.ok) << summary.message;
    EXPECT_EQ(Rows(ReadFile(journal_)).size(), static_cast<std::size_t>(summary.lines));
    EXPECT_EQ(Rows(ReadFile(openings_)).size(), static_cast<std::size_t>(summary.openingRows));
    EXPECT_EQ(Beside(), std::vector<std::string>{});
}

TEST_F(InterchangeFiles, AFileThatCannotBeWrittenIsNamedAndNeitherTargetIsReplaced) {
    struct Case {
        const char* call;
        int failing;  // the failing call's number, from 1
        native::FailureKind kind;
        bool openings;  // the file named: the openings, else the journal
    };
    const Case cases[] = {
        {"create", 1, native::FailureKind::kAccessDenied, false},
        {"create", 2, native::FailureKind::kReadOnlyDisk, true},
        {"write", 1, native::FailureKind::kNoRoom, false},
        // The journal is written out whole before the openings, and kept after them.
        {"write", 2, native::FailureKind::kTooLarge, true},
        {"sync", 1, native::FailureKind::kDeviceError, false},
        {"replace", 1, native::FailureKind::kHeldOpen, false},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.call) + " " + std::to_string(c.failing);
        native::Calls calls = native::SystemCalls();
        int count = 0;
        const int code = native::CodeOf(c.kind);
        const std::string call = c.call;
        if (call == "create") {
            auto real = calls.createNew;
            calls.createNew = [&, real](const std::string& path, native::Handle* file) {
                return ++count == c.failing ? code : real(path, file);
            };
        } else if (call == "write") {
            auto real = calls.write;
            calls.write = [&, real](native::Handle file, const char* data, std::size_t size,
                                    std::size_t* written) {
                return ++count == c.failing ? code : real(file, data, size, written);
            };
        } else if (call == "sync") {
            auto real = calls.sync;
            calls.sync = [&, real](native::Handle file) {
                return ++count == c.failing ? code : real(file);
            };
        } else {
            auto real = calls.replace;
            calls.replace = [&, real](const std::string& from, const std::string& to) {
                return ++count == c.failing ? code : real(from, to);
            };
        }
        native::CallsOverride failing(calls);
        try {
            interchange::ExportInterchange(store_, journal_, openings_, {});
            ADD_FAILURE() << what << ": written";
        } catch (const native::Failure& failure) {
            EXPECT_EQ(failure.Path(), c.openings ? openings_ : journal_) << what;
            EXPECT_EQ(failure.Kind(), c.kind) << what;
        }
        ExpectUntouched(what);
    }
}

TEST_F(InterchangeFiles, ATargetThatIsOrWillBeAnotherFileOfTheRunIsRefused) {
    struct Case {
        std::string journal;
        std::string openings;
        std::string message;
    };
    std::vector<Case> cases = {
        {store_, openings_, store_ + ": is the books store, which is not replaced"},
        {journal_, journal_,
         journal_ + ": is the journal too; the journal and the opening balances need files of "
                    "their own"},
        // Neither is there yet: the same name however it is spelt.
        {dir_ + "/new.csv", dir_ + "/./new.csv",
         dir_ + "/./new.csv: is the journal too; the journal and the opening balances need files "
                "of their own"},
        {dir_, openings_, dir_ + ": not a regular file"},
    };
#ifndef _WIN32
    // The store through a link (links stay with the POSIX host).
    cases.push_back({journal_, dir_ + "/link.books",
                     dir_ + "/link.books: is the books store, which is not replaced"});
    std::filesystem::create_symlink(store_, dir_ + "/link.books");
#endif
    for (const Case& c : cases) {
        ExportSummary summary = interchange::ExportInterchange(store_, c.journal, c.openings, {});
        EXPECT_FALSE(summary.ok) << c.message;
        EXPECT_EQ(summary.message, c.message);
        const bool linked = std::filesystem::remove(dir_ + "/link.books");
        ExpectUntouched(c.message);
        if (linked) std::filesystem::create_symlink(store_, dir_ + "/link.books");
    }
}

}  // namespace
}  // namespace books::test
