#pragma once

// The state behind the ledger services: the configuration, the open store, who is logged in,
// the set objects, the cursors of the sets, and what repeated look-ups read from memory.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "books/Books.h"
#include "books/Store.h"
#include "ledger/Services.h"

namespace books {

// A search record (a chain of StFINDINFO entries) as "any of these groups of conditions that
// must all hold". Only the items, comparisons and value types the books know are taken.
struct FindCondition {
    std::int32_t item;
    std::int16_t comparison;
    std::int64_t value;
};

class FindFilter {
public:
    // Empty when the search holds something the books do not take.
    static std::optional<FindFilter> Parse(const StFINDINFO* find);

    const std::vector<std::vector<FindCondition>>& Groups() const { return groups_; }
    bool UsesOnly(std::initializer_list<std::int32_t> items) const;
    // Whether a row matches; `value` answers the item's value for that row.
    template <typename ValueOf>
    bool Matches(ValueOf value) const {
        for (const auto& group : groups_) {
            bool all = true;
            for (const FindCondition& c : group) {
                if (!Holds(value(c.item), c.comparison, c.value)) {
                    all = false;
                    break;
                }
            }
            if (all) return true;
        }
        return groups_.empty();
    }
    // The same test as an SQL expression over the given columns; values appended to `binds`.
    std::string Sql(const std::map<std::int32_t, const char*>& columns,
                    std::vector<std::int64_t>* binds) const;
    static bool Holds(std::int64_t actual, std::int16_t comparison, std::int64_t value);

private:
    std::vector<std::vector<FindCondition>> groups_;
};

// The one line order the books deliver: date, month position, voucher, department, entry, line.
bool IsStandardOrder(const StORDERINFO* order);

struct Account;

class Session {
public:
    static Session& Get();

    void Configure(const BooksConfig& config) {
        config_ = config;
        faultCalls_.clear();
    }
    // The code an injected fault makes `operation` fail with, if any.
    std::optional<std::int32_t> InjectedFault(const char* operation) {
        if (config_.faults.empty()) return std::nullopt;  // the usual case, on every cursor step
        return LookUpFault(operation);
    }
    const BooksConfig& Config() const { return config_; }

    std::int32_t Login();
    void Logout();
    bool LoggedIn() const { return loggedIn_; }
    int Show(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags);

    Database& Db() { return db_; }
    // A prepared statement kept for the session, by its SQL text.
    Statement& Cached(const std::string& sql);

    const std::string& UserId() const { return userId_; }
    std::int32_t SelectionNo() const { return selectionNo_; }
    const StDATAINFO& Selected() const { return selected_; }
    const std::vector<StDATAINFO>& DataSets() const { return dataSets_; }
    // The data set of a data ID (NUL-terminated in 16 bytes), or of the selected data when the
    // ID is empty; null when unknown.
    const StDATAINFO* DataSetOf(const char* dataId) const;
    std::int32_t TaxInclusive(std::int32_t dataNo) const;
    std::int32_t LookUpUser(const char* userId, std::int32_t* selectionNo, std::int32_t* dataNo);

    const std::vector<StGENGOINFO>& Eras() const { return eras_; }
    // The chart of a data set, read once.
    struct Chart {
        std::vector<StKAMOKUINFO> rows;
        std::unordered_map<std::int32_t, std::size_t> byCode;
    };
    const Chart* ChartOf(std::int32_t dataNo);

    // Set cursors: a handle with a position.
    LedgerCursor OpenCursor(int kind);
    std::size_t* CursorPosition(LedgerCursor cursor, int kind);
    bool CloseCursor(LedgerCursor cursor, int kind);

    ClSetMgr setMgr;
    ClSetKamoku kamoku;
    ClSetShohizei shohizei;
    ClSetData data;
    ClSetGengo gengo;
    ClSysUser sysUser;
    ClAccPeriod selectedPeriod;

private:
    Session() = default;
    std::int32_t Refuse(std::int32_t code, const std::string& text);
    std::optional<std::int32_t> LookUpFault(const char* operation);
    // Unreadable store: RefuseUnreadable; a record the export cannot take: RefuseBadRecord
    // with what it is.
    std::int32_t RefuseUnreadable();
    std::int32_t RefuseBadRecord(const std::string& what);
    // The line that names the settings file and key a value came from; empty when it did not.
    std::string SettingToCorrect(bool fromSettings, const char* key) const;
    // False on a store error; a record that cannot be taken is described in `bad` (the first
    // one found) and left out.
    bool LoadDataSets(std::string* bad);
    bool LoadEras(std::string* bad);

    BooksConfig config_;
    Database db_;
    bool loggedIn_ = false;
    std::string userId_;
    std::int32_t selectionNo_ = 0;
    StDATAINFO selected_{};
    std::vector<StDATAINFO> dataSets_;
    std::vector<std::int32_t> taxInclusive_;
    std::vector<StGENGOINFO> eras_;
    std::map<std::int32_t, Chart> charts_;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
    struct CursorState {
        int kind;
        std::size_t position;
    };
    std::unordered_map<LedgerCursor, CursorState> cursors_;
    LedgerCursor nextCursor_ = 1;
    std::map<std::string, int> faultCalls_;
};

}  // namespace books
