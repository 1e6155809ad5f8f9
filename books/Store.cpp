#include "books/Store.h"

#include <cstring>
#include <filesystem>
#include <new>

#include "books/Paths.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "messages/tools/ToolMessages.h"
#include "native/Failure.h"

namespace books {

namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// The eponymous table kc_feed(FEED): the rows of the RowFeed passed as its argument.
constexpr int kFeedColumns = 16;
constexpr const char* kFeedPointerType = "kc_row_feed";

struct FeedCursor {
    sqlite3_vtab_cursor base;
    RowFeed* feed;
    sqlite3_int64 row;
    bool atEnd;
};

int FeedConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**) {
    int rc = sqlite3_declare_vtab(db,
                                  "CREATE TABLE x(c0, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11,"
                                  " c12, c13, c14, c15, feed HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    *table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*table) return SQLITE_NOMEM;
    std::memset(*table, 0, sizeof(sqlite3_vtab));
    return SQLITE_OK;
}

int FeedDisconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

// The feed is the argument: an equality on the hidden column.
int FeedBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    info->idxNum = 0;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.iColumn != kFeedColumns || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ) {
            continue;
        }
        if (!constraint.usable) return SQLITE_CONSTRAINT;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1;
        info->idxNum = 1;
    }
    return SQLITE_OK;
}

int FeedOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    auto* feed = static_cast<FeedCursor*>(sqlite3_malloc(sizeof(FeedCursor)));
    if (!feed) return SQLITE_NOMEM;
    std::memset(feed, 0, sizeof(FeedCursor));
    *cursor = &feed->base;
    return SQLITE_OK;
}

int FeedClose(sqlite3_vtab_cursor* cursor) {
    sqlite3_free(cursor);
    return SQLITE_OK;
}

int FeedAdvance(FeedCursor* cursor) {
    try {
        cursor->atEnd = !cursor->feed || !cursor->feed->Next();
    } catch (const std::bad_alloc&) {
        // Called from inside SQLite's C code: no exception may pass through it.
        cursor->atEnd = true;
        return SQLITE_NOMEM;
    }
    ++cursor->row;
    if (cursor->atEnd && cursor->feed && cursor->feed->Failed()) {
        sqlite3_free(cursor->base.pVtab->zErrMsg);
        cursor->base.pVtab->zErrMsg = sqlite3_mprintf("%s", Say(Id::kRowsNotMade).c_str());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int FeedFilter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto* cursor = reinterpret_cast<FeedCursor*>(base);
    cursor->feed = idxNum == 1 && argc == 1
                       ? static_cast<RowFeed*>(sqlite3_value_pointer(argv[0], kFeedPointerType))
                       : nullptr;
    cursor->row = 0;
    return FeedAdvance(cursor);
}

int FeedNext(sqlite3_vtab_cursor* base) {
    return FeedAdvance(reinterpret_cast<FeedCursor*>(base));
}

int FeedEof(sqlite3_vtab_cursor* base) {
    return reinterpret_cast<FeedCursor*>(base)->atEnd;
}

int FeedColumn(sqlite3_vtab_cursor* base, sqlite3_context* context, int column) {
    auto* cursor = reinterpret_cast<FeedCursor*>(base);
    if (column < kFeedColumns) cursor->feed->Column(context, column);
    return SQLITE_OK;
}

int FeedRowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
    *rowid = reinterpret_cast<FeedCursor*>(base)->row;
    return SQLITE_OK;
}

// An eponymous table: it exists as kc_feed(...) in every schema, with nothing to create.
sqlite3_module FeedModule() {
    sqlite3_module module{};
    module.xCreate = FeedConnect;
    module.xConnect = FeedConnect;
    module.xBestIndex = FeedBestIndex;
    module.xDisconnect = FeedDisconnect;
    module.xDestroy = FeedDisconnect;
    module.xOpen = FeedOpen;
    module.xClose = FeedClose;
    module.xFilter = FeedFilter;
    module.xNext = FeedNext;
    module.xEof = FeedEof;
    module.xColumn = FeedColumn;
    module.xRowid = FeedRowid;
    return module;
}
const sqlite3_module kFeedModule = FeedModule();

}  // namespace

Database::~Database() {
    Close();
}

void Database::Close() {
    // Statements still alive keep the handle until they are finalized.
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Database::TakeError() {
    error_ = db_ ? sqlite3_errmsg(db_) : Say(Id::kCannotOpenStore);
    if (db_ && IsNoRoom()) error_ = NoRoomMessage();
}

// SQLite answers SQLITE_FULL when a write stopped short, and an I/O error when the write that
// hit the limit failed at once: both are "no room" when the system said so.
bool Database::IsNoRoom() const {
    int code = sqlite3_errcode(db_);
    if (code == SQLITE_FULL) return true;
    if (code != SQLITE_IOERR) return false;
    const native::FailureKind kind = native::KindOf(sqlite3_system_errno(db_));
    return kind == native::FailureKind::kNoRoom || kind == native::FailureKind::kTooLarge;
}

// SQLite says only "database or disk is full": the user needs the folder. The store and, while
// it is built, SQLite's temporary files are there (see Create).
std::string Database::NoRoomMessage() const {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(PathFromUtf8(path_), error);
    folder = error ? PathFromUtf8(path_).parent_path() : folder.parent_path();
    return Say(Id::kNoRoomInFolder, {{"folder", PathToUtf8(folder.empty() ? "." : folder)}});
}

bool Database::OpenReadOnly(const std::string& path) {
    Close();
    path_ = path;
    // Only a regular file is opened: SQLite would wait forever on a FIFO and read a device.
    std::error_code error;
    auto status = std::filesystem::status(PathFromUtf8(path), error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error_ = tool_messages::KindReason(native::FailureKind::kNotPlainFile);
        return false;
    }
    // One thread uses a session's connection: no mutex around every column read.
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        TakeError();
        Close();
        return false;
    }
    // An export runs thousands of short queries: the read lock is taken once and kept, so the
    // run sees one consistent state of the books and no query pays for locking.
    sqlite3_exec(db_, "PRAGMA locking_mode=EXCLUSIVE;", nullptr, nullptr, nullptr);
    return true;
}

bool Database::Create(const std::string& path) {
    Close();
    path_ = path;
    // SQLite's temporary files (the TEMP tables, the sorter) go beside the new store, not into
    // SQLITE_TMPDIR, TMPDIR or /tmp: the folder holds the store anyway, a small /tmp in memory
    // does not limit the books, and when room runs out there is one folder to name.
    std::filesystem::path folder = PathFromUtf8(path).parent_path();
    char* previous = sqlite3_temp_directory;
    sqlite3_temp_directory =
        sqlite3_mprintf("%s", PathToUtf8(folder.empty() ? "." : folder).c_str());
    sqlite3_free(previous);
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        TakeError();
        Close();
        return false;
    }
    if (sqlite3_create_module(db_, "kc_feed", &kFeedModule, nullptr) != SQLITE_OK) {
        TakeError();
        return false;
    }
    // A new store is written once, in one transaction, mostly in key order: large pages (fewer
    // pages to split and write), no rollback journal (a failed import removes the file), and
    // caches that keep the import's memory small whatever the size of the books. The TEMP
    // tables of the import live in a file of their own, never in memory.
    return Exec(
               "PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
               "PRAGMA cache_size=-32768; PRAGMA temp_store=FILE; PRAGMA temp.page_size=65536;"
               "PRAGMA temp.cache_size=-16384;") &&
           Exec(SchemaSql());
}

bool Database::InsertFrom(const char* table, int columns, RowFeed& feed) {
    std::string sql = std::string("INSERT INTO ") + table + " SELECT ";
    for (int c = 0; c < columns && c < kFeedColumns; ++c) {
        sql += (c > 0 ? ", c" : "c") + std::to_string(c);
    }
    sql += " FROM kc_feed(?1)";
    Statement insert(*this, sql.c_str());
    if (!insert.Ok()) return false;
    sqlite3_bind_pointer(insert.stmt_, 1, &feed, kFeedPointerType, nullptr);
    return insert.Step() == SQLITE_DONE;
}

bool Database::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error_ = IsNoRoom() ? NoRoomMessage() : message ? message : "SQL error";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool Database::IsStore() {
    // A truncated file still opens and may answer its first pages: compare the size its header
    // promises with the size on disk.
    Statement pages(*this, "PRAGMA page_count");
    Statement pageSize(*this, "PRAGMA page_size");
    if (!pages.Ok() || !pageSize.Ok() || pages.Step() != SQLITE_ROW ||
        pageSize.Step() != SQLITE_ROW) {
        return false;
    }
    std::error_code error;
    auto onDisk = std::filesystem::file_size(PathFromUtf8(path_), error);
    if (error || onDisk < static_cast<std::uintmax_t>(pages.Int(0) * pageSize.Int(0))) return false;
    if (!IsMarkedAsStore()) return false;
    Statement version(*this, "SELECT value FROM meta WHERE key='version'");
    return version.Ok() && version.Step() == SQLITE_ROW && version.Int(0) == kStoreVersion;
}

bool Database::IsMarkedAsStore() {
    Statement query(*this, "SELECT value FROM meta WHERE key='format'");
    return query.Ok() && query.Step() == SQLITE_ROW && query.Blob(0) == kStoreFormat;
}

const char* Database::SchemaSql() {
    // Company data sets, users, the chart of accounts with its precomputed summaries, the
    // journal lines, and every account's ledger lines (a journal line stands in the ledger of
    // each account it reaches), clustered in the ledger's line order so that one account's
    // ledger of a date range is one index range. The total accounts' masks (sum_of) and the
    // opening balances are kept as the import read them too: kcview computes the books' trial
    // balance from them and the journal, never from the summaries.
    return R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value);
CREATE TABLE company(
  data_no INTEGER PRIMARY KEY, data_id BLOB NOT NULL UNIQUE, name BLOB NOT NULL,
  period_from INTEGER NOT NULL, period_to INTEGER NOT NULL, interim_closing INTEGER NOT NULL,
  intro_position INTEGER NOT NULL, companies_act INTEGER NOT NULL, manufacturing INTEGER NOT NULL,
  tax_inclusive INTEGER NOT NULL);
CREATE TABLE users(
  ord INTEGER PRIMARY KEY, user_id BLOB NOT NULL UNIQUE, selection_no INTEGER NOT NULL,
  data_no INTEGER NOT NULL);
CREATE TABLE accounts(
  data_no INTEGER NOT NULL, ord INTEGER NOT NULL, code INTEGER NOT NULL, name BLOB NOT NULL,
  label BLOB NOT NULL, nature INTEGER NOT NULL, side INTEGER NOT NULL, flag INTEGER NOT NULL,
  no_ledger INTEGER NOT NULL, slots BLOB,
  PRIMARY KEY(data_no, ord)) WITHOUT ROWID;
CREATE TABLE journal(
  data_no INTEGER NOT NULL, entry INTEGER NOT NULL, line INTEGER NOT NULL,
  voucher INTEGER NOT NULL, date INTEGER NOT NULL, position INTEGER NOT NULL,
  kind INTEGER NOT NULL, debit_code INTEGER NOT NULL, debit_amount INTEGER NOT NULL,
  debit_tax INTEGER NOT NULL, credit_code INTEGER NOT NULL, credit_amount INTEGER NOT NULL,
  credit_tax INTEGER NOT NULL, description BLOB NOT NULL,
  PRIMARY KEY(data_no, entry, line)) WITHOUT ROWID;
CREATE TABLE ledger(
  data_no INTEGER NOT NULL, account INTEGER NOT NULL, date INTEGER NOT NULL,
  position INTEGER NOT NULL, voucher INTEGER NOT NULL, entry INTEGER NOT NULL,
  line INTEGER NOT NULL, side INTEGER NOT NULL, kind INTEGER NOT NULL,
  debit_code INTEGER NOT NULL, debit_amount INTEGER NOT NULL, debit_tax INTEGER NOT NULL,
  credit_code INTEGER NOT NULL, credit_amount INTEGER NOT NULL, credit_tax INTEGER NOT NULL,
  description BLOB NOT NULL,
  PRIMARY KEY(data_no, account, date, position, voucher, entry, line)) WITHOUT ROWID;
CREATE TABLE sums(data_no INTEGER NOT NULL, code INTEGER NOT NULL, mask INTEGER NOT NULL,
  PRIMARY KEY(data_no, code, mask)) WITHOUT ROWID;
CREATE TABLE openings(data_no INTEGER NOT NULL, ord INTEGER NOT NULL, code INTEGER NOT NULL,
  debit INTEGER NOT NULL, credit INTEGER NOT NULL, PRIMARY KEY(data_no, ord)) WITHOUT ROWID;
CREATE TABLE eras(first_day INTEGER PRIMARY KEY, name BLOB NOT NULL, short BLOB NOT NULL);
CREATE TABLE notes(data_no INTEGER NOT NULL, kind INTEGER NOT NULL, text BLOB NOT NULL,
  PRIMARY KEY(data_no, kind));
)sql";
}

Statement::Statement(Database& db, const char* sql) : db_(db) {
    if (!db.db_ || sqlite3_prepare_v2(db.db_, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        db.TakeError();
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    if (stmt_) sqlite3_finalize(stmt_);
}

void Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void Statement::BindText(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::BindBlob(int index, const void* data, int size) {
    sqlite3_bind_blob(stmt_, index, size ? data : "", size, SQLITE_TRANSIENT);
}

void Statement::BindBorrowedBlob(int index, const void* data, int size) {
    sqlite3_bind_blob(stmt_, index, size ? data : "", size, SQLITE_STATIC);
}

int Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) db_.TakeError();
    return rc;
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::Rewind() {
    sqlite3_reset(stmt_);
}

std::string_view Statement::Blob(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string_view();
}

}  // namespace books
