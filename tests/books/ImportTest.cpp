// Importing books: what is refused, with which message, and that a refused import leaves the
// store as it was.

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>

#include "books/Csv.h"
#include "books/Store.h"
#include "common/Encoding.h"
#include "ledger/Services.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "tests/books/BooksFixture.h"
#include "tools/generate/Generator.h"
#include "tools/kcbooks/Show.h"

namespace books::test {
namespace {

namespace fs = std::filesystem;

// Whether an import left a temporary (~kc〈8〉.kctmp) or a file of SQLite's (a rollback
// journal) beside the store.
bool TemporaryLeftBeside(const std::string& store) {
    for (const auto& entry : fs::directory_iterator(fs::path(store).parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".kctmp") || name.ends_with("-journal")) return true;
    }
    return false;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Replaces the first occurrence of `from` in one file of the sample; an empty `from` gives the
// file the content `to`.
std::map<std::string, std::string> Edited(const std::string& file, const std::string& from,
                                          const std::string& to) {
    auto files = SampleFiles();
    std::string& content = files[file];
    if (from.empty()) {
        content = to;
        return files;
    }
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
    EXPECT_FALSE(TemporaryLeftBeside(store_));
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
        Refusal{"InterimLineWithoutInterimClosing", "company.csv",
                U8(u8"本店\",20250401,20260331,1,"), U8(u8"本店\",20250401,20260331,0,"),
                "journal.csv, line 7, column position: 15 (the interim settlement) needs "
                "interim_closing 1 in company.csv"},
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
        // Named in UTF-8 (現金 as bytes), whatever encoding the file had.
        Refusal{"UnknownJapaneseDataSet", "journal.csv", "D001,2,", U8(u8"現金,2,"),
                "journal.csv, line 3, column data_id: unknown data set "
                "\"\xE7\x8F\xBE\xE9\x87\x91\""},
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
                "accounts.csv, line 7, column nature: a second consumption-tax account"},
        Refusal{"ControlCharacterInText", "journal.csv", U8(u8",仕入"), U8(u8",仕\x01入"),
                "journal.csv, line 3, column description: text holds the control character 0x01"},
        Refusal{"TabInText", "accounts.csv", U8(u8",現金,"), U8(u8",現\t金,"),
                "accounts.csv, line 2, column name: text holds the control character 0x09"},
        Refusal{"LineBreakInQuotedText", "accounts.csv", U8(u8",現金,"), U8(u8",\"現\r\n金\","),
                "accounts.csv, line 2, column name: text holds the control character 0x0D"},
        Refusal{"SmallestAmount", "openings.csv", "D001,1000000,1000,",
                "D001,1000000,-922337203685477.5808,",
                "openings.csv, line 2, column debit: beyond the 64-bit range"},
        Refusal{"SmallestTax", "journal.csv", kJournalLine1,
                "D001,1,,1,20250410,,,1000000,110,,6000000,100,-922337203685477.5808,",
                "journal.csv, line 2, column credit_tax: beyond the 64-bit range"},
        Refusal{"DataIdWithSlash", "company.csv", "D002,2,", "D0/2,2,",
                "company.csv, line 2, column data_id: a data ID may not hold"},
        Refusal{"DataIdWithBackslash", "company.csv", "D002,2,", "D0\\2,2,",
                "company.csv, line 2, column data_id: a data ID may not hold"},
        Refusal{"DataIdWithColon", "company.csv", "D002,2,", "D:2,2,",
                "company.csv, line 2, column data_id: a data ID may not hold"},
        Refusal{"DataIdDot", "company.csv", "D002,2,", ".,2,",
                "company.csv, line 2, column data_id: a data ID may not hold"},
        Refusal{"DataIdDotDot", "company.csv", "D002,2,", "..,2,",
                "company.csv, line 2, column data_id: a data ID may not hold"},
        Refusal{"DataIdWithControlCharacter", "company.csv", "D002,2,",
                "D0\x1B"
                "2,2,",
                "company.csv, line 2, column data_id: text holds the control character 0x1B"},
        Refusal{"NulByteInHeaderIsShownEscaped", "journal.csv", "data_id,entry",
                std::string("data\0_id,entry", 14),
                "journal.csv, line 1, column data\\x00_id: unknown column"},
        Refusal{"ErasWithOnlyTheirHeader", "eras.csv", "", "first_day,name,short\n",
                "eras.csv, line 2, column first_day: no era is given; the eras must cover every "
                "date of the books, from 20250101 (the period of data set D002)"},
        Refusal{"ErasBeginningAfterTheBooks", "eras.csv", "",
                U8(u8"first_day,name,short\n20250401,新和,N\n"),
                "eras.csv, line 2, column first_day: the first era begins on 20250401; the eras "
                "must cover every date of the books, from 20250101"},
        Refusal{"AccountNameOnlyMarks", "accounts.csv", U8(u8",現金,"), U8(u8",【 】,"),
                "accounts.csv, line 2, column name: nothing is left once blanks, brackets and the "
                "marks"},
        Refusal{"SubAccountNameOnlyMarks", "accounts.csv", U8(u8",A銀行,"), U8(u8",《(未)》,"),
                "accounts.csv, line 4, column name: nothing is left once"},
        Refusal{"LabelOnlyMarks", "accounts.csv", U8(u8",流動資産計,"), U8(u8",　[完],"),
                "accounts.csv, line 12, column label: nothing is left once"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// Generated books close an interim period exactly where they hold its settlement, so that
// they import and every export counts it.
using GeneratedBooks = BooksTest;

TEST_F(GeneratedBooks, CloseAnInterimPeriodWhereTheyHoldItsSettlement) {
    struct Case {
        const char* name;
        std::uint64_t entries;
        bool interimSettlement;
        bool closesInterim;
    };
    const Case cases[] = {
        {"settled books with the interim", 400, true, true},
        {"settled books without it", 400, false, false},
        {"books too small to settle", 30, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GenerateOptions options;
        options.entries = c.entries;
        options.interimSettlement = c.interimSettlement;
        const std::string dir = dir_ + "/generated-" + std::to_string(c.entries) +
                                (c.interimSettlement ? "-interim" : "");
        ASSERT_NO_THROW(GenerateBooks(dir, options));
        std::istringstream journal(ReadBytes(dir + "/journal.csv"));
        bool interimLine = false;
        for (std::string line; std::getline(journal, line);) {
            // position is the sixth column; the columns before it hold no quoted commas.
            std::istringstream fields(line);
            std::string field;
            for (int column = 0; column < 6; ++column) std::getline(fields, field, ',');
            interimLine = interimLine || field == "15";
        }
        EXPECT_EQ(interimLine, c.closesInterim);
        ImportResult result = ImportBooks(dir, store_, SourceEncoding::kUtf8);
        ASSERT_TRUE(result.ok) << result.message;
        ASSERT_EQ(Login("gen"), kLedgerOk);
        EXPECT_EQ(ClSetData().GetSelectedInfo()->interimClosing, c.closesInterim ? 1 : 0);
        ClAccConnect::Inst().LogOut();
    }
}

// A CSV file saved as UTF-16 (Windows' "Unicode") is named as such, never read as bytes.
TEST_F(ImportRefusal, Utf16FilesAreRefusedWithHowToSaveThem) {
    const std::string text = "user_id,selection_no,data_no\nu1,1,1\n";
    auto utf16 = [&](const std::string& mark, bool bigEndian) {
        std::string out = mark;
        for (char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    for (const std::string& file :
         {utf16("\xFF\xFE", false), utf16("", false), utf16("\xFE\xFF", true), utf16("", true)}) {
        auto files = SampleFiles();
        files["users.csv"] = file;
        ImportResult result = Import(files);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find("users.csv, line 1: is UTF-16 text; save it as UTF-8 or "
                                      "Shift_JIS"),
                  std::string::npos)
            << result.message;
        EXPECT_EQ(result.message.find('\0'), std::string::npos);
    }
}

// The store keeps the totals' masks and the openings as the files give them (a mask given twice
// once): kcview computes the books' own trial balance from them and the journal.
TEST_F(ImportRefusal, TheStoreKeepsTheTotalsMasksAndTheOpeningsAsRead) {
    auto files =
        Edited("accounts.csv", "0x80800000 0x80880000\n", "0x80800000 0x80880000 0x80800000\n");
    files["openings.csv"] += "D001,1100002,25.5,\n";
    ASSERT_TRUE(Import(files).ok);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    auto rows = [db](const char* sql) {
        std::string text;
        sqlite3_stmt* query = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &query, nullptr), SQLITE_OK) << sql;
        while (query && sqlite3_step(query) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(query); ++c)
                text += std::to_string(sqlite3_column_int64(query, c)) + " ";
            text += "\n";
        }
        sqlite3_finalize(query);
        return text;
    };
    EXPECT_EQ(rows("SELECT data_no, code, mask FROM sums ORDER BY 1, 2, 3"),
              "1 9000000 2156396544 \n1 9100000 2155872256 \n1 9100000 2156396544 \n");
    EXPECT_EQ(rows("SELECT data_no, ord, code, debit, credit FROM openings ORDER BY 1, 2"),
              "1 0 1000000 10000000 0 \n1 1 5000000 0 10000000 \n1 2 1100002 255000 0 \n");
    sqlite3_close(db);
}

TEST_F(ImportRefusal, ErasThatCoverTheBooksImport) {
    auto files = SampleFiles();
    files["eras.csv"] = U8(u8"first_day,name,short\n20250101,新和,N\n");
    ImportResult result = Import(files);
    EXPECT_TRUE(result.ok) << result.message;
}

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
        std::string converted;
        ASSERT_TRUE(sjis::Utf8ToSjis(content, &converted));
        content = converted;
    }
    ImportResult result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kCp932);
    ASSERT_TRUE(result.ok) << result.message;
    // Read as UTF-8, the same bytes are not valid text.
    result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kUtf8);
    EXPECT_FALSE(result.ok);
    // A file that says it is UTF-8 with its byte-order mark is, whatever the option says.
    files["accounts.csv"] = "\xEF\xBB\xBF" + SampleFiles()["accounts.csv"];
    files["notes/D001/body.txt"] = "\xEF\xBB\xBF" + SampleFiles()["notes/D001/body.txt"];
    result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kCp932);
    EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(ImportRefusal, NotesTextsKeepTabCrAndLfButRefuseOtherControlCharacters) {
    auto files = SampleFiles();
    files["notes/D001/body.txt"] = U8(u8"項目\tA\r\n次\n");
    ASSERT_TRUE(Import(files).ok);
    std::string before = ReadBytes(store_);
    files["notes/D001/body.txt"] = U8(u8"項目\tA\r\n次の\x02行\r\n");
    ImportResult result = Import(files);
    EXPECT_FALSE(result.ok);
    // Columns count characters: "次の" is two.
    EXPECT_NE(result.message.find(
                  "notes/D001/body.txt, line 2, column 3: text holds the control character 0x02"),
              std::string::npos)
        << result.message;
    EXPECT_EQ(ReadBytes(store_), before);
}

TEST_F(ImportRefusal, JapaneseDataIdsStayValid) {
    // "表示" is 0x95 0x5C 0x8E 0xA6 in Shift_JIS: its trail byte 0x5C is no backslash.
    auto replaceId = [](std::string text) {
        for (std::size_t at; (at = text.find("D001")) != std::string::npos;) {
            text.replace(at, 4, U8(u8"表示"));
        }
        return text;
    };
    std::map<std::string, std::string> files;
    for (const auto& [name, content] : SampleFiles()) files[replaceId(name)] = replaceId(content);
    ImportResult result = Import(files);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Login(), kLedgerOk);
}

// The new store is SQLite's file written by name into a temporary of the floor's: it is on the
// disk before it takes the store's place, and the store's name after; SQLite keeps no rollback
// journal beside it.
TEST_F(ImportRefusal, TheNewStoreIsOnTheDiskBeforeItTakesTheStoresPlace) {
    ASSERT_TRUE(Import(SampleFiles()).ok);
    const std::string folder = fs::path(store_).parent_path().string();
    std::vector<std::string> order;
    std::vector<std::string> besideAtRename;
    native::Calls calls = native::SystemCalls();
    auto openToSync = calls.openToSync;
    auto sync = calls.sync;
    auto rename = calls.replace;
    auto syncFolder = calls.syncFolder;
    calls.openToSync = [&](const std::string& path, native::Handle* file) {
        order.push_back(path.ends_with(".kctmp") ? "open the temporary" : "open " + path);
        return openToSync(path, file);
    };
    calls.sync = [&](native::Handle file) {
        order.push_back("sync");
        return sync(file);
    };
    calls.replace = [&](const std::string& from, const std::string& to) {
        order.push_back(to == store_ ? "rename over the store" : "rename to " + to);
        for (const auto& entry : fs::directory_iterator(folder))
            besideAtRename.push_back(entry.path().filename().string());
        return rename(from, to);
    };
    calls.syncFolder = [&](const std::string& path) {
        std::string named = path;  // the folder part of a path, its separator at the end
        while (named.size() > 1 && (named.back() == '/' || named.back() == '\\')) named.pop_back();
        order.push_back(fs::equivalent(named, folder) ? "sync the folder" : "sync " + path);
        return syncFolder(path);
    };
    {
        native::CallsOverride watched(calls);
        ImportResult result = Import(SampleFiles());
        ASSERT_TRUE(result.ok) << result.message;
    }
    EXPECT_EQ(order, (std::vector<std::string>{"open the temporary", "sync",
                                               "rename over the store", "sync the folder"}));
    for (const std::string& name : besideAtRename)
        EXPECT_FALSE(name.ends_with("-journal") || name.ends_with("-wal")) << name;
    EXPECT_FALSE(TemporaryLeftBeside(store_));
    EXPECT_EQ(Login(), kLedgerOk);
}

// A failure of the floor while the store is made or put in place names the store, and leaves
// the store as it was with nothing beside it.
TEST_F(ImportRefusal, AStoreThatCannotBeWrittenIsNamedAndTheOldOneStays) {
    ASSERT_TRUE(Import(SampleFiles()).ok);
    const std::string before = ReadBytes(store_);
    struct Case {
        const char* call;
        native::FailureKind kind;
    };
    const Case cases[] = {
        {"create", native::FailureKind::kNoRoom},
        {"sync", native::FailureKind::kDeviceError},
        {"replace", native::FailureKind::kAccessDenied},
    };
    for (const Case& c : cases) {
        native::Calls calls = native::SystemCalls();
        const int code = native::CodeOf(c.kind);
        const std::string call = c.call;
        if (call == "create")
            calls.createNew = [code](const std::string&, native::Handle*) { return code; };
        if (call == "sync") calls.sync = [code](native::Handle) { return code; };
        if (call == "replace")
            calls.replace = [code](const std::string&, const std::string&) { return code; };
        native::CallsOverride failing(calls);
        try {
            Import(SampleFiles());
            ADD_FAILURE() << c.call << ": imported";
        } catch (const native::Failure& failure) {
            EXPECT_EQ(failure.Path(), store_) << c.call;
            EXPECT_EQ(failure.Kind(), c.kind) << c.call;
        }
        EXPECT_EQ(ReadBytes(store_), before) << c.call;
        EXPECT_FALSE(TemporaryLeftBeside(store_)) << c.call;
    }
}

TEST_F(ImportRefusal, OnlyABooksStoreIsReplaced) {
    // A text file, a folder and a database of another program at the store's path.
    { std::ofstream(store_, std::ios::binary) << "a letter, not books"; }
    ImportResult result = Import(SampleFiles());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(store_ + ": exists and is not a books store"), std::string::npos)
        << result.message;
    EXPECT_EQ(ReadBytes(store_), "a letter, not books");
    EXPECT_FALSE(TemporaryLeftBeside(store_));

    fs::remove(store_);
    ExecuteOnStore("CREATE TABLE other(x); INSERT INTO other VALUES(1);");
    std::string database = ReadBytes(store_);
    result = Import(SampleFiles());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("is not a books store"), std::string::npos) << result.message;
    EXPECT_EQ(ReadBytes(store_), database);

    fs::remove(store_);
    fs::create_directory(store_);
    result = Import(SampleFiles());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("is not a regular file"), std::string::npos) << result.message;
    EXPECT_TRUE(fs::is_directory(store_));

    // A books store is replaced, as every import does.
    fs::remove(store_);
    ASSERT_TRUE(Import(SampleFiles()).ok);
    auto files = SampleFiles();
    files["users.csv"] = "user_id,data_no\nsolo,2\n";
    ASSERT_TRUE(Import(files).ok);
    EXPECT_EQ(Login("solo"), kLedgerOk);
}

TEST_F(ImportRefusal, InputThatIsNotARegularFileIsRefused) {
    std::string folder = WriteBooks(SampleFiles());
    fs::remove(fs::path(folder) / "journal.csv");
    fs::create_directory(fs::path(folder) / "journal.csv");
    ImportResult result = ImportBooks(folder, store_, SourceEncoding::kUtf8);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("journal.csv: is not a regular file"), std::string::npos)
        << result.message;
}

// A path the system cannot even look at (here a symbolic link to itself) is refused with a
// message naming it, for the folder and for every optional file, never ended by an exception.
TEST_F(ImportRefusal, PathsThatCannotBeLookedAtAreRefusedByName) {
    for (const char* name : {"openings.csv", "journal.csv", "eras.csv", "notes/D001/body.txt"}) {
        std::string folder = WriteBooks(SampleFiles());
        fs::path loop = fs::path(folder) / name;
        fs::remove(loop);
        std::error_code error;
        fs::create_symlink(loop.filename(), loop, error);
        if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
        ImportResult result;
        ASSERT_NO_THROW(result = ImportBooks(folder, store_, SourceEncoding::kUtf8)) << name;
        EXPECT_FALSE(result.ok) << name;
        EXPECT_NE(result.message.find(std::string(name) + ": cannot be read"), std::string::npos)
            << result.message;
        EXPECT_FALSE(fs::exists(store_));
    }
    fs::path folder = fs::path(dir_) / "looped-books";
    std::error_code error;
    fs::create_directory_symlink(folder.filename(), folder, error);
    ASSERT_FALSE(error) << error.message();
    ImportResult result;
    ASSERT_NO_THROW(result = ImportBooks(folder.string(), store_, SourceEncoding::kUtf8));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("looped-books: not a folder"), std::string::npos)
        << result.message;
}

TEST_F(ImportRefusal, FilesBeyondTheirSizeLimitAreRefusedWithTheLimit) {
    std::string folder = WriteBooks(SampleFiles());
    // A notes text one byte over 16 MiB.
    fs::path body = fs::path(folder) / "notes" / "D001" / "body.txt";
    { std::ofstream(body, std::ios::binary) << std::string((16u << 20) + 1, 'a'); }
    ImportResult result = ImportBooks(folder, store_, SourceEncoding::kUtf8);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(
        result.message.find("notes/D001/body.txt: is larger than 16 MiB, the limit of this file"),
        std::string::npos)
        << result.message;
    // A journal one byte over 2 GiB: a sparse file, refused before it is read.
    fs::remove(body);
    fs::path journal = fs::path(folder) / "journal.csv";
    fs::resize_file(journal, (std::uintmax_t{2} << 30) + 1);
    result = ImportBooks(folder, store_, SourceEncoding::kUtf8);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("journal.csv: is larger than 2 GiB, the limit of this file"),
              std::string::npos)
        << result.message;
    fs::remove(journal);
}

TEST_F(ImportRefusal, ShowMarksSumsBeyond64BitsInsteadOfWrappingThem) {
    // Every amount fits, and the cash account's total over the year does not.
    auto files = Edited("openings.csv", "D001,1000000,1000,", "D001,1000000,922337203685477,");
    ImportResult result = Import(files);
    ASSERT_TRUE(result.ok) << result.message;
    std::ostringstream shown;
    std::string error;
    ASSERT_TRUE(ShowStore(store_, shown, &error)) << error;
    std::string first = shown.str().substr(0, shown.str().find("Data set 2"));
    EXPECT_NE(first.find("(beyond 64 bits)"), std::string::npos) << first;
    EXPECT_NE(first.find("debits and credits cannot be compared"), std::string::npos) << first;
    EXPECT_EQ(first.find("debits equal credits"), std::string::npos) << first;
}

// An output that takes `room` bytes into its buffer and no more, and fails every write beyond
// them and every flush, as a full disk or a closed pipe does.
class FullOutput : public std::streambuf {
public:
    explicit FullOutput(std::size_t room) : buffer_(room) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

private:
    int_type overflow(int_type) override { return traits_type::eof(); }
    int sync() override { return -1; }
    std::vector<char> buffer_;
};

TEST_F(ImportRefusal, ShowFailsWhenItsOutputCannotBeWritten) {
    ASSERT_TRUE(Import(SampleFiles()).ok);
    struct Case {
        const char* what;
        std::size_t room;
    } cases[] = {
        {"every write fails", 0},
        // The text fits the buffer: only the flush at the end finds the output full.
        {"only the flush fails", std::size_t{1} << 20},
    };
    for (const Case& c : cases) {
        FullOutput full(c.room);
        std::ostream out(&full);
        std::string error;
        EXPECT_FALSE(ShowStore(store_, out, &error)) << c.what;
        EXPECT_EQ(error, "the output cannot be written (a full disk or a closed pipe?)") << c.what;
    }
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

// Every row of every table of a store, in key order, as text: two stores with the same rows
// give the same text whatever their pages.
std::string Rows(const std::string& store) {
    sqlite3* db = nullptr;
    std::string text;
    EXPECT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    for (const char* table : {"meta", "company", "users", "accounts", "sums", "openings", "journal",
                              "ledger", "eras", "notes"}) {
        std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY 1, 2, 3, 4, 5, 6, 7";
        if (std::string(table) == "meta" || std::string(table) == "eras") {
            sql = std::string("SELECT * FROM ") + table + " ORDER BY 1";
        } else if (std::string(table) == "notes") {
            sql = "SELECT * FROM notes ORDER BY 1, 2";
        } else if (std::string(table) == "sums" || std::string(table) == "openings") {
            sql = std::string("SELECT * FROM ") + table + " ORDER BY 1, 2, 3";
        } else if (std::string(table) == "users" || std::string(table) == "company") {
            sql = std::string("SELECT * FROM ") + table + " ORDER BY 1";
        }
        sqlite3_stmt* query = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr), SQLITE_OK) << sql;
        text += table;
        text += "\n";
        while (query && sqlite3_step(query) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(query); ++c) {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query, c));
                text += std::to_string(sqlite3_column_type(query, c)) + ":";
                text.append(bytes ? bytes : "",
                            static_cast<std::size_t>(sqlite3_column_bytes(query, c)));
                text += "|";
            }
            text += "\n";
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return text;
}

// The journal's data rows (after the header) in a given order.
std::string Journal(const std::vector<std::string>& rows) {
    std::string header = SampleFiles()["journal.csv"];
    header = header.substr(0, header.find('\n') + 1);
    std::string text = header;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

std::vector<std::string> SampleJournalRows() {
    std::vector<std::string> rows;
    std::string text = SampleFiles()["journal.csv"];
    std::size_t start = text.find('\n') + 1;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        rows.push_back(text.substr(start, end - start));
    }
    return rows;
}

// A second data set's lines, to mix into the first's: D002 has only its cash account.
const std::vector<std::string> kSecondSetRows = {"D002,1,,1,20250110,,,1000000,5,,1000000,5,,",
                                                 "D002,2,,1,20250210,,,1000000,7,,,,,",
                                                 "D002,2,,2,20250210,,,,,,1000000,7,,"};

std::string Sjis(const std::string& utf8) {
    std::string sjis;
    EXPECT_TRUE(sjis::Utf8ToSjis(utf8, &sjis)) << utf8;
    return sjis;
}

// Blank lines past the reader's first block (a MiB): a file all ASCII so far stays undecided.
const std::string kPastFirstBlock(std::size_t{1200000}, '\n');

// The line the text appended next to `content` begins on.
std::string NextLine(const std::string& content) {
    return std::to_string(std::count(content.begin(), content.end(), '\n') + 1);
}

// Without an encoding given, each file's own bytes decide it, the first block the reader reads
// that holds non-ASCII text; every text is then checked against that decision.
TEST_F(ImportRefusal, EachFileIsReadInTheEncodingItsBytesDecide) {
    using Files = std::map<std::string, std::string>;
    const std::string mark = "\xEF\xBB\xBF";
    const std::string line8 = U8(u8"D001,8,,1,20250702,,,1000000,3,,1000000,3,,現金\n");
    struct Case {
        const char* what;
        // Edits the UTF-8 sample; returns the refusal, or empty when the store holds the
        // sample's rows.
        std::function<std::string(Files&)> edit;
    } cases[] = {
        {"UTF-8", [](Files&) { return ""; }},
        {"UTF-8 with a byte-order mark",
         [&](Files& files) {
             for (auto& [name, content] : files) content = mark + content;
             return "";
         }},
        {"Shift_JIS",
         [](Files& files) {
             for (auto& [name, content] : files) content = Sjis(content);
             return "";
         }},
        {"each file its own",
         [&](Files& files) {
             files["company.csv"] = Sjis(files["company.csv"]);
             files["accounts.csv"] = mark + files["accounts.csv"];
             files["notes/D001/layout.txt"] = Sjis(files["notes/D001/layout.txt"]);
             return "";
         }},
        {"ASCII past the first block, then Shift_JIS",
         [](Files& files) {
             std::string& journal = files["journal.csv"];
             const std::size_t header = journal.find('\n') + 1;
             journal = journal.substr(0, header) + kPastFirstBlock + Sjis(journal.substr(header));
             return "";
         }},
        // The first block ends inside a character: the reader's next block holds the rest.
        {"UTF-8 cut at the first block's end",
         [](Files& files) {
             std::string& journal = files["journal.csv"];
             const std::size_t header = journal.find('\n') + 1;
             const std::size_t firstNonAscii = journal.find(U8(u8"売上"));
             const std::size_t blank = CsvReader::kDefaultChunk - firstNonAscii - 1;
             journal.insert(header, std::string(blank, '\n'));
             return "";
         }},
        // UTF-8 bytes that read as Shift_JIS too are still UTF-8 ("振替" is line 8's).
        {"Shift_JIS, then UTF-8 on a line of its own",
         [](Files& files) {
             std::string& journal = files["journal.csv"];
             journal = Sjis(journal);
             journal.replace(journal.find(Sjis(U8(u8"振替"))), 4, U8(u8"振替"));
             return "journal.csv, line 8, column description: text is UTF-8, not Shift_JIS, as "
                    "the file's first non-ASCII text (line 2) was; save the file in one encoding";
         }},
        {"Shift_JIS, then UTF-8 past the first block",
         [&](Files& files) {
             std::string& journal = files["journal.csv"];
             journal = Sjis(journal) + kPastFirstBlock;
             const std::string line = NextLine(journal);
             journal += line8;
             return "journal.csv, line " + line +
                    ", column description: text is UTF-8, not Shift_JIS, as the file's first "
                    "non-ASCII text (line 2) was";
         }},
        {"UTF-8, then Shift_JIS past the first block",
         [&](Files& files) {
             std::string& journal = files["journal.csv"];
             journal += kPastFirstBlock;
             const std::string line = NextLine(journal);
             journal += Sjis(line8);
             return "journal.csv, line " + line +
                    ", column description: text is not UTF-8, as the file's first non-ASCII text "
                    "(line 2) was";
         }},
        {"a byte-order mark, then Shift_JIS",
         [&](Files& files) {
             files["accounts.csv"] = mark + Sjis(files["accounts.csv"]);
             return "accounts.csv, line 2, column name: text is not UTF-8, as the file's "
                    "byte-order mark says";
         }},
        {"a byte neither reads",
         [](Files& files) {
             std::string& journal = files["journal.csv"];
             journal.replace(journal.find(U8(u8"仕入")), 3, "\xFF");
             return "journal.csv, line 3, column description: a byte here is neither UTF-8 nor "
                    "Shift_JIS text; save the file as UTF-8 or Shift_JIS";
         }},
        {"a header byte neither reads",
         [](Files& files) {
             files["users.csv"].insert(4, "\xFF");
             return "users.csv, line 1: a byte here is neither UTF-8 nor Shift_JIS text";
         }},
        {"a notes byte neither reads",
         [](Files& files) {
             files["notes/D001/body.txt"] = U8(u8"項目\r\n\xFF\r\n");
             return "notes/D001/body.txt, line 2: a byte here is neither UTF-8 nor Shift_JIS text";
         }},
    };
    const Files sample = SampleFiles();
    ASSERT_TRUE(ImportBooks(WriteBooks(sample), store_, SourceEncoding::kUtf8).ok);
    const std::string expected = Rows(store_);
    for (const Case& c : cases) {
        Files files = sample;
        const std::string refusal = c.edit(files);
        ImportResult result = ImportBooks(WriteBooks(files), store_, SourceEncoding::kFromBytes);
        if (refusal.empty()) {
            ASSERT_TRUE(result.ok) << c.what << ": " << result.message;
            EXPECT_EQ(Rows(store_), expected) << c.what;
        } else {
            EXPECT_FALSE(result.ok) << c.what;
            EXPECT_NE(result.message.find(refusal), std::string::npos)
                << c.what << ": " << result.message;
        }
    }
}

// The journal is streamed: a file in entry order goes straight in, any other order is sorted
// first. Whatever the order of the file, the store holds the same rows.
TEST_F(ImportRefusal, TheOrderOfTheJournalFileDoesNotChangeTheStore) {
    std::vector<std::string> ordered = SampleJournalRows();
    for (const std::string& row : kSecondSetRows) ordered.push_back(row);
    auto files = SampleFiles();
    files["journal.csv"] = Journal(ordered);
    ASSERT_TRUE(Import(files).ok);
    const std::string expected = Rows(store_);
    ASSERT_NE(expected.find("D002"), std::string::npos);

    std::vector<std::vector<std::string>> orders;
    // Reversed: every entry out of order, and the compound entry's lines too.
    orders.emplace_back(ordered.rbegin(), ordered.rend());
    // The data sets interleaved, each in entry order.
    orders.push_back({ordered[0], kSecondSetRows[0], ordered[1], ordered[2], kSecondSetRows[1],
                      ordered[3], ordered[4], kSecondSetRows[2], ordered[5], ordered[6],
                      ordered[7]});
    // A compound entry split across the file: its second line comes last.
    std::vector<std::string> split = ordered;
    std::rotate(split.begin() + 3, split.begin() + 4, split.end());
    orders.push_back(split);
    for (const auto& order : orders) {
        files["journal.csv"] = Journal(order);
        ImportResult result = Import(files);
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_EQ(Rows(store_), expected) << files["journal.csv"];
    }
}

// The statements cut each figure to whole yen: the import counts the amounts of the openings
// and the journal that carry a fraction of a yen, each once, whatever the order of the journal.
TEST_F(ImportRefusal, CountsTheAmountsThatCarryFractionsOfAYen) {
    std::vector<std::string> reversed = SampleJournalRows();
    std::reverse(reversed.begin(), reversed.end());
    auto unordered = SampleFiles();
    unordered["journal.csv"] = Journal(reversed);
    struct Case {
        const char* name;
        std::map<std::string, std::string> files;
        std::uint64_t fractional;
    };
    const Case cases[] = {
        {"1.5 yen on both sides of a line", SampleFiles(), 2},
        {"whole yen", Edited("journal.csv", ",1.5,,6000000,1.5,", ",2,,6000000,2,"), 0},
        {"an opening balance on both sides",
         Edited("openings.csv", "D001,1000000,1000,\nD001,5000000,,1000\n",
                "D001,1000000,999.99,\nD001,5000000,,999.99\n"),
         4},
        {"input tax", Edited("journal.csv", ",200,20,1100002,220,", ",200,20.05,1100002,220.05,"),
         4},
        {"negative amounts",
         Edited("journal.csv", ",1000000,3,,1000000,3,", ",1000000,-0.5,,1000000,-0.5,"), 4},
        {"a journal read twice, out of order", unordered, 2},
    };
    for (const Case& c : cases) {
        ImportResult result = Import(c.files);
        ASSERT_TRUE(result.ok) << c.name << ": " << result.message;
        EXPECT_EQ(result.fractionalAmounts, c.fractional) << c.name;
    }
}

struct OrderedRefusal {
    const char* name;
    std::vector<std::string> rows;
    const char* message;
};

void PrintTo(const OrderedRefusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class JournalRefusalOrder : public BooksTest,
                            public ::testing::WithParamInterface<OrderedRefusal> {};

// When a journal breaks several rules, the refusal is the one a reading of the whole file
// would name first: rows in file order, then the entries in (data set, entry, line) order with
// the data sets in the order of company.csv (D002 first), whatever the order of the file.
TEST_P(JournalRefusalOrder, NamesTheSameRefusalWhateverTheOrderOfTheFile) {
    auto files = SampleFiles();
    files["journal.csv"] = Journal(GetParam().rows);
    ImportResult result = Import(files);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(GetParam().message), std::string::npos) << result.message;
    EXPECT_FALSE(fs::exists(store_));
    EXPECT_FALSE(TemporaryLeftBeside(store_));
}

const std::string kUnbalanced = "D001,1,,1,20250410,,,1000000,110,,6000000,100,9,";
const std::string kLateRowError = "D001,9,,1,20250410,,,1000000,1,,6000000,x,,";

INSTANTIATE_TEST_SUITE_P(
    Journals, JournalRefusalOrder,
    ::testing::Values(
        OrderedRefusal{
            "RowErrorAfterAnUnbalancedEntry",
            {kUnbalanced, "D001,2,,1,20250515,,,7000000,200,20,1100002,220,,", kLateRowError},
            "journal.csv, line 4, column credit_amount: not an amount"},
        OrderedRefusal{
            "RowErrorAfterAnUnbalancedEntryOutOfOrder",
            {"D001,2,,1,20250515,,,7000000,200,20,1100002,220,,", kUnbalanced, kLateRowError},
            "journal.csv, line 4, column credit_amount: not an amount"},
        OrderedRefusal{"FirstDataSetOfCompanyFileFirst",
                       {kUnbalanced, "D002,1,,1,20250110,,,1000000,5,,1000000,4,,"},
                       "journal.csv, line 3, column entry: entry 1 does not balance"},
        OrderedRefusal{"LowerEntryFirstWhereverItStands",
                       {"D001,5,,1,20250930,15,,1000000,7,,5000000,6,,", kUnbalanced},
                       "journal.csv, line 3, column entry: entry 1 does not balance"},
        OrderedRefusal{
            "DuplicateFarApartNamesTheLaterLine",
            {"D001,3,,1,20250601,,,1000000,50,,,,,", "D001,3,,2,20250601,,,,,,6000000,50,,",
             "D001,4,,1,20260331,18,,7000000,5,,1000000,5,,",
             "D001,3,,1,20250601,,,1000000,50,,6000000,50,,"},
            "journal.csv, line 5, column line: entry 3 has line 1 twice"},
        OrderedRefusal{"DuplicateInAnEarlierEntryBeforeALaterUnbalancedEntry",
                       {"D001,3,,1,20250601,,,1000000,50,,6000000,50,,",
                        "D001,3,,1,20250601,,,1000000,50,,6000000,50,,",
                        "D001,5,,1,20250930,15,,1000000,7,,5000000,6,,"},
                       "journal.csv, line 3, column line: entry 3 has line 1 twice"},
        OrderedRefusal{
            "UnbalancedNamesTheEntrysLastLineInLineOrder",
            {"D001,3,,2,20250601,,,,,,6000000,49,,", "D001,3,,1,20250601,,,1000000,50,,,,,"},
            "journal.csv, line 2, column entry: entry 3 does not balance"}),
    [](const ::testing::TestParamInfo<OrderedRefusal>& info) {
        return std::string(info.param.name);
    });

// Rows fed to SQLite from our side: running out of memory there fails the insert as SQLite's
// own out-of-memory, and nothing escapes through SQLite's C code.
class RowsThenNoMemory : public RowFeed {
public:
    bool Next() override {
        if (++row_ > 2) throw std::bad_alloc();
        return true;
    }
    bool Failed() const override { return false; }
    void Column(sqlite3_context* context, int) override { sqlite3_result_int64(context, row_); }

private:
    int row_ = 0;
};

TEST_F(ImportRefusal, MemoryRunningOutWhileFeedingRowsFailsTheInsertOnly) {
    Database db;
    ASSERT_TRUE(db.Create(dir_ + "/feed.db"));
    ASSERT_TRUE(db.Exec("CREATE TABLE t(a INTEGER)"));
    RowsThenNoMemory feed;
    EXPECT_FALSE(db.InsertFrom("t", 1, feed));
    EXPECT_NE(db.Error().find("out of memory"), std::string::npos) << db.Error();
    // The connection is whole: the failed statement left nothing, and the next one runs.
    ASSERT_TRUE(db.Exec("INSERT INTO t VALUES(7)"));
    Statement count(db, "SELECT count(*), sum(a) FROM t");
    ASSERT_EQ(count.Step(), SQLITE_ROW);
    EXPECT_EQ(count.Int(0), 1);
    EXPECT_EQ(count.Int(1), 7);
}

}  // namespace
}  // namespace books::test
