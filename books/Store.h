#pragma once

// The books store: one SQLite database file. A thin RAII layer over the SQLite C interface and
// the schema shared by the importer and the services. Texts are stored as Shift_JIS blobs, so
// that nothing is converted on the way from the store into a record.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace books {

// Marks a database as a books store, and the schema's version.
constexpr std::string_view kStoreFormat = "kcbooks-store";
constexpr int kStoreVersion = 1;

class Statement;

// Rows made by the program, read by SQL as a table: `InsertFrom` runs one INSERT ... SELECT
// over them. One statement keeps one cursor on the target for every row, so rows that come in
// key order are appended where a prepared INSERT run once a row seeks from the root each time.
class RowFeed {
public:
    virtual ~RowFeed() = default;
    // Moves to the next row. False at the end, or on a failure (then Failed() and the feed
    // keeps its own error).
    virtual bool Next() = 0;
    virtual bool Failed() const = 0;
    // The current row's column `column` (0-based), set with sqlite3_result_*.
    virtual void Column(sqlite3_context* context, int column) = 0;
};

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file read-only, or creates a new one. False with Error() on failure.
    bool OpenReadOnly(const std::string& path);
    bool Create(const std::string& path);
    void Close();

    bool Exec(const char* sql);
    // Inserts every row of `feed` into `table`, whose first `columns` columns (at most 16) the
    // feed fills. False when SQLite or the feed fails.
    bool InsertFrom(const char* table, int columns, RowFeed& feed);
    const std::string& Error() const { return error_; }
    sqlite3* Handle() const { return db_; }

    // True when the open file is a books store of the current version.
    bool IsStore();
    // True when the open file says it is a books store, whatever its version or state: a file
    // the import may replace.
    bool IsMarkedAsStore();
    static const char* SchemaSql();

private:
    friend class Statement;
    void TakeError();
    bool IsNoRoom() const;
    std::string NoRoomMessage() const;
    sqlite3* db_ = nullptr;
    std::string path_;
    std::string error_;
};

class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    void Bind(int index, std::int64_t value);
    void BindText(int index, std::string_view text);
    void BindBlob(int index, const void* data, int size);
    // The bytes stay the caller's and must stay as they are until the next Step().
    void BindBorrowedBlob(int index, const void* data, int size);
    // SQLITE_ROW, SQLITE_DONE or an error code (then the database's Error() is set).
    int Step();
    void Reset();
    // Makes the statement ready to run again, keeping its bindings.
    void Rewind();

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string_view Blob(int column) const;

private:
    friend class Database;
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace books
