#include "tests/books/BooksFixture.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "books/Paths.h"
#include "ledger/Services.h"

namespace books::test {

namespace fs = std::filesystem;

std::string U8(const char8_t* text) {
    return std::string(reinterpret_cast<const char*>(text));
}

std::map<std::string, std::string> SampleFiles() {
    std::map<std::string, std::string> files;
    files["company.csv"] = U8(
        u8"data_id,data_no,name,period_from,period_to,interim_closing,intro_position,companies_act,"
        u8"manufacturing,tax_inclusive\n"
        u8"D002,2,第二商事,20250101,20251231,0,0,1,0,1\n"
        u8"D001,1,\"株式会社テスト, 本店\",20250401,20260331,1,0,1,1,0\n");
    files["users.csv"] =
        U8(u8"user_id,selection_no,data_no\n"
           u8"u1,1,1\n"
           u8"u2,3,2\n");
    files["accounts.csv"] =
        U8(u8"data_id,code,name,label,nature,side,flag,no_ledger,sum_of\n"
           u8"D001,1000000,現金,,0x80880001,D,,,\n"
           u8"D001,1100000,普通預金,,0x80880002,D,,,\n"
           u8"D001,1100001,A銀行,,,,,,\n"
           u8"D001,1100002,B銀行,,,,,,\n"
           u8"D001,1500000,仮払消費税,,0x80880810,D,,,\n"
           u8"D001,3000000,買掛金,,0x80480001,C,,1,\n"
           u8"D001,3500000,仮受消費税,,0x80484010,C,,,\n"
           u8"D001,5000000,資本金,,0x80288000,C,,,\n"
           u8"D001,6000000,売上高,,0x40888001,C,,,\n"
           u8"D001,7000000,仕入高,,0x40884001,D,,,\n"
           u8"D001,9000000,流動資産合計,流動資産計,0x80880000,D,2,,0x80880000\n"
           u8"D001,9100000,資産合計,,0x80800000,D,3,,0x80800000 0x80880000\n"
           u8"D002,1000000,現金,,0x80880001,D,,,\n");
    files["openings.csv"] =
        U8(u8"data_id,code,debit,credit\n"
           u8"D001,1000000,1000,\n"
           u8"D001,5000000,,1000\n");
    files["journal.csv"] =
        U8(u8"data_id,entry,voucher,line,date,position,kind,debit_code,debit_amount,debit_tax,"
           u8"credit_code,credit_amount,credit_tax,description\n"
           u8"D001,1,,1,20250410,,,1000000,110,,6000000,100,10,売上　現金\n"
           u8"D001,2,,1,20250515,,,7000000,200,20,1100002,220,,仕入\n"
           u8"D001,3,,1,20250601,,,1000000,50,,,,,複合1\n"
           u8"D001,3,,2,20250601,,,,,,6000000,50,,複合2\n"
           u8"D001,4,,1,20260331,18,,7000000,5,,1000000,5,,決算整理\n"
           u8"D001,5,,1,20250930,15,,1000000,7,,5000000,7,,中間\n"
           u8"D001,6,,1,20250701,,,1000000,3,,1000000,3,,振替\n"
           u8"D001,7,99,1,20260331,,,1000000,1.5,,6000000,1.5,,期末売上\n");
    files["notes/D001/switch.txt"] = "Note=1\r\n";
    files["notes/D001/layout.txt"] = "InputMode=1\r\n[Note_00]\r\nDisp=1\r\n";
    return files;
}

int RecordingPrompt::Show(WindowHandle, std::string_view text, std::string_view, unsigned) {
    texts.emplace_back(text);
    return answer;
}

void BooksTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ =
        (fs::path(::testing::TempDir()) / "kcbooks-tests" / info->test_suite_name() / info->name())
            .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    store_ = (fs::path(dir_) / "test.books").string();
}

void BooksTest::TearDown() {
    ClAccConnect::Inst().LogOut();
    ConfigureBooks(BooksConfig{});
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string BooksTest::WriteBooks(const std::map<std::string, std::string>& files) {
    static int counter = 0;
    fs::path folder = fs::path(dir_) / ("books" + std::to_string(++counter));
    for (const auto& [name, content] : files) {
        fs::path path = folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    return folder.string();
}

ImportResult BooksTest::Import(const std::map<std::string, std::string>& files) {
    return ImportBooks(WriteBooks(files), store_, SourceEncoding::kUtf8);
}

std::int32_t BooksTest::Login(const std::string& user, std::int32_t dataNo) {
    BooksConfig config;
    config.storePath = store_;
    config.userId = user;
    config.dataNo = dataNo;
    config.outputFolder = "Z:\\out";
    config.settingsFolder = "Z:\\settings";
    config.prompt = &prompt_;
    ConfigureBooks(config);
    return ClAccConnect::Inst().ExpSysLink();
}

static void OverwritePage(const std::string& store, std::int64_t page, std::int64_t pageSize) {
    std::fstream file(PathFromUtf8(store), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * pageSize);
    file << std::string(static_cast<std::size_t>(pageSize), '\xFF');
    ASSERT_TRUE(file.good());
}

void BooksTest::ExecuteOnStore(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(store_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
        SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << message;
}

void BooksTest::CorruptTable(const std::string& table) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* query = nullptr;
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    std::string sql =
        "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM "
        "sqlite_master WHERE type='table' AND name='" +
        table + "'";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW) {
        page = sqlite3_column_int64(query, 0);
        pageSize = sqlite3_column_int64(query, 1);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    ASSERT_GT(page, 1) << table;
    ASSERT_GT(pageSize, 0);
    OverwritePage(store_, page, pageSize);
}

void BooksTest::CorruptLastPage() {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* query = nullptr;
    std::int64_t pages = 0;
    std::int64_t pageSize = 0;
    if (sqlite3_prepare_v2(db,
                           "SELECT page_count, page_size FROM pragma_page_count, pragma_page_size",
                           -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW) {
        pages = sqlite3_column_int64(query, 0);
        pageSize = sqlite3_column_int64(query, 1);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    ASSERT_GT(pages, 2);
    OverwritePage(store_, pages, pageSize);
}

}  // namespace books::test
