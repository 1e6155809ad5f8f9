#pragma once

// The ledger rows of the import on their way into the store. A journal line stands in the
// ledger of every account it reaches, and the ledger table is clustered by account, so rows
// arrive in journal order and must go in account by account. Each (data set, account) gathers
// its rows in a small buffer that is spilled, block by block, into a TEMP table; at the end the
// blocks are read back in the ledger's key order and every row goes into the ledger through one
// INSERT, appended in key order. An account whose rows arrived in ledger order (books usually
// come in date order) goes in as it is; the rows of the others pass through SQLite's sorter
// first. Memory holds the buffers, never the ledger.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "books/Model.h"
#include "books/Store.h"
#include "messages/kcbooks/KcbooksMessages.h"

namespace books {

class LedgerBuckets {
public:
    explicit LedgerBuckets(Database& db) : db_(db) {}

    // Creates the TEMP tables. False with Error().
    bool Prepare();
    // One ledger row: the journal line `line` of data set `dataNo`, of kind `kind`, in the
    // ledger of `account` on `side` (1 credit, 2 debit, 3 both, 0 through its tax).
    bool Add(std::int32_t dataNo, std::int32_t account, std::uint8_t side, const JournalLine& line,
             std::int16_t kind);
    // Writes every row into the ledger table in its key order.
    bool WriteLedger();
    const std::string& Error() const { return error_; }

private:
    // The order of the rows within one account's ledger.
    struct LedgerOrder {
        std::int32_t date;
        std::int16_t position;
        std::int32_t voucher;
        std::int32_t entry;
        std::int32_t line;
        auto operator<=>(const LedgerOrder&) const = default;
    };
    struct Bucket {
        std::string rows;  // encoded rows not yet spilled
        std::int64_t blocks = 0;
        LedgerOrder last{};
        bool any = false;
        bool ordered = true;
    };

    class Feed;

    bool Spill(std::int64_t key, Bucket& bucket);
    bool StageForSorting(std::int64_t key);
    bool Fail(kcbooks_messages::Id what);
    bool FailDamaged();

    Database& db_;
    std::unique_ptr<Statement> spill_;
    std::unordered_map<std::int64_t, Bucket> buckets_;  // by data number and account
    std::string error_;
};

}  // namespace books
