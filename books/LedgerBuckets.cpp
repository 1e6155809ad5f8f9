#include "books/LedgerBuckets.h"

#include <algorithm>

namespace books {
namespace {

// What one account's buffers may hold together, and the bounds of one buffer: many accounts
// get small blocks, few accounts large ones.
constexpr std::size_t kBufferBudget = std::size_t{8} << 20;
constexpr std::size_t kSmallestBlock = std::size_t{4} << 10;
constexpr std::size_t kLargestBlock = std::size_t{64} << 10;

// A (data set, account) pair as one key in the ledger's order: data numbers and account codes
// are positive 32-bit numbers.
std::int64_t BucketKey(std::int32_t dataNo, std::int32_t account) {
    return (static_cast<std::int64_t>(dataNo) << 32) | static_cast<std::uint32_t>(account);
}
std::int32_t DataNoOf(std::int64_t key) {
    return static_cast<std::int32_t>(key >> 32);
}
std::int32_t AccountOf(std::int64_t key) {
    return static_cast<std::int32_t>(key & 0xFFFFFFFF);
}

// Rows are kept as variable-length numbers (zigzag, 7 bits a byte) and the description's bytes.
constexpr int kRowNumbers = 13;

void PutNumber(std::string* out, std::int64_t value) {
    std::uint64_t bits = (static_cast<std::uint64_t>(value) << 1) ^ (value < 0 ? ~0ULL : 0ULL);
    while (bits >= 0x80) {
        out->push_back(static_cast<char>((bits & 0x7F) | 0x80));
        bits >>= 7;
    }
    out->push_back(static_cast<char>(bits));
}

bool TakeNumber(std::string_view* in, std::int64_t* value) {
    std::uint64_t bits = 0;
    for (int shift = 0; shift < 70 && !in->empty(); shift += 7) {
        auto byte = static_cast<unsigned char>(in->front());
        in->remove_prefix(1);
        bits |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80) {
            *value = static_cast<std::int64_t>(bits >> 1) ^ -static_cast<std::int64_t>(bits & 1);
            return true;
        }
    }
    return false;
}

// The ledger columns from date on, as the rows are encoded: the numbers, then the description.
bool TakeRow(std::string_view* in, std::int64_t numbers[kRowNumbers], std::string_view* text) {
    for (int i = 0; i < kRowNumbers; ++i) {
        if (!TakeNumber(in, &numbers[i])) return false;
    }
    std::int64_t size = 0;
    if (!TakeNumber(in, &size) || size < 0 || static_cast<std::uint64_t>(size) > in->size()) {
        return false;
    }
    *text = in->substr(0, static_cast<std::size_t>(size));
    in->remove_prefix(static_cast<std::size_t>(size));
    return true;
}

}  // namespace

bool LedgerBuckets::Fail(kcbooks_messages::Id what) {
    error_ = kcbooks_messages::Say(what, {{"reason", db_.Error()}});
    return false;
}

bool LedgerBuckets::FailDamaged() {
    error_ = kcbooks_messages::Say(
        kcbooks_messages::Id::kCannotWriteStore,
        {{"reason", kcbooks_messages::Say(kcbooks_messages::Id::kLedgerBlockDamaged)}});
    return false;
}

bool LedgerBuckets::Prepare() {
    if (!db_.Exec(
            "CREATE TEMP TABLE ledger_blocks(bucket INTEGER NOT NULL, seq INTEGER NOT NULL,"
            " rows BLOB NOT NULL, PRIMARY KEY(bucket, seq));"
            "CREATE TEMP TABLE ledger_sorting(bucket, date, position, voucher, entry, line, side,"
            " kind, debit_code, debit_amount, debit_tax, credit_code, credit_amount,"
            " credit_tax, description);")) {
        return Fail(kcbooks_messages::Id::kCannotPrepareLedger);
    }
    spill_ = std::make_unique<Statement>(db_, "INSERT INTO temp.ledger_blocks VALUES(?,?,?)");
    if (!spill_->Ok()) {
        return Fail(kcbooks_messages::Id::kCannotPrepareLedger);
    }
    return true;
}

bool LedgerBuckets::Add(std::int32_t dataNo, std::int32_t account, std::uint8_t side,
                        const JournalLine& line, std::int16_t kind) {
    std::int64_t key = BucketKey(dataNo, account);
    Bucket& bucket = buckets_[key];
    LedgerOrder order{line.date, line.position, line.voucher, line.entry, line.line};
    if (bucket.any && order < bucket.last) bucket.ordered = false;
    bucket.last = order;
    bucket.any = true;
    const std::int64_t numbers[kRowNumbers] = {line.date,     line.position,   line.voucher,
                                               line.entry,    line.line,       side,
                                               kind,          line.debitCode,  line.debitAmount,
                                               line.debitTax, line.creditCode, line.creditAmount,
                                               line.creditTax};
    for (std::int64_t number : numbers) PutNumber(&bucket.rows, number);
    PutNumber(&bucket.rows, static_cast<std::int64_t>(line.description.size()));
    bucket.rows += line.description;
    std::size_t block = std::clamp(kBufferBudget / buckets_.size(), kSmallestBlock, kLargestBlock);
    return bucket.rows.size() < block || Spill(key, bucket);
}

bool LedgerBuckets::Spill(std::int64_t key, Bucket& bucket) {
    spill_->Rewind();
    spill_->Bind(1, key);
    spill_->Bind(2, bucket.blocks++);
    spill_->BindBorrowedBlob(3, bucket.rows.data(), static_cast<int>(bucket.rows.size()));
    if (spill_->Step() != SQLITE_DONE) return Fail(kcbooks_messages::Id::kCannotWriteStore);
    bucket.rows.clear();
    return true;
}

// The ledger's rows in key order from two sources, account by account: the spilled blocks of
// the accounts whose rows arrived in order, and the sorted rows of the others.
class LedgerBuckets::Feed : public RowFeed {
public:
    Feed(Database& db, const std::unordered_map<std::int64_t, Bucket>& buckets)
        : buckets_(buckets),
          blocks_(db, "SELECT bucket, rows FROM temp.ledger_blocks ORDER BY bucket, seq"),
          sorted_(db,
                  "SELECT * FROM temp.ledger_sorting"
                  " ORDER BY bucket, date, position, voucher, entry, line") {}

    bool Ok() const { return blocks_.Ok() && sorted_.Ok(); }
    bool Failed() const override { return failed_; }

    bool Next() override {
        if (!PeekBlocks() || !PeekSorted()) return Fail();
        if (blocksEnded_ && sortedEnded_) return false;
        fromSorted_ = blocksEnded_ || (!sortedEnded_ && sorted_.Int(0) < blockKey_);
        if (fromSorted_) {
            key_ = sorted_.Int(0);
            for (int i = 0; i < kRowNumbers; ++i) numbers_[i] = sorted_.Int(1 + i);
            text_ = sorted_.Blob(1 + kRowNumbers);
            sortedTaken_ = true;
            return true;
        }
        key_ = blockKey_;
        if (!TakeRow(&rest_, numbers_, &text_)) {
            damaged_ = true;
            return Fail();
        }
        return true;
    }

    void Column(sqlite3_context* context, int column) override {
        if (column == 0) {
            sqlite3_result_int64(context, DataNoOf(key_));
        } else if (column == 1) {
            sqlite3_result_int64(context, AccountOf(key_));
        } else if (column < 2 + kRowNumbers) {
            sqlite3_result_int64(context, numbers_[column - 2]);
        } else {
            sqlite3_result_blob(context, text_.empty() ? "" : text_.data(),
                                static_cast<int>(text_.size()), SQLITE_TRANSIENT);
        }
    }

    bool Damaged() const { return damaged_; }

private:
    bool Fail() {
        failed_ = true;
        return false;
    }
    // Makes rest_ hold rows of an ordered account, unless the blocks are done.
    bool PeekBlocks() {
        while (rest_.empty() && !blocksEnded_) {
            int rc = blocks_.Step();
            if (rc == SQLITE_DONE) {
                blocksEnded_ = true;
            } else if (rc != SQLITE_ROW) {
                return false;
            } else if (buckets_.at(blocks_.Int(0)).ordered) {
                blockKey_ = blocks_.Int(0);
                rest_ = blocks_.Blob(1);
            }
        }
        return true;
    }
    bool PeekSorted() {
        if (!sortedTaken_ || sortedEnded_) return true;
        sortedTaken_ = false;
        int rc = sorted_.Step();
        if (rc == SQLITE_DONE) sortedEnded_ = true;
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }

    const std::unordered_map<std::int64_t, Bucket>& buckets_;
    Statement blocks_;
    Statement sorted_;
    std::string_view rest_;  // the rows of the current block not yet taken
    std::int64_t blockKey_ = 0;
    bool blocksEnded_ = false;
    bool sortedTaken_ = true;  // the sorted source's row is used: step it
    bool sortedEnded_ = false;
    bool fromSorted_ = false;
    bool failed_ = false;
    bool damaged_ = false;
    std::int64_t key_ = 0;
    std::int64_t numbers_[kRowNumbers] = {};
    std::string_view text_;
};

bool LedgerBuckets::WriteLedger() {
    for (auto& [key, bucket] : buckets_) {
        if (!bucket.rows.empty() && !Spill(key, bucket)) return false;
    }
    for (const auto& [key, bucket] : buckets_) {
        if (!bucket.ordered && !StageForSorting(key)) return false;
    }
    Feed feed(db_, buckets_);
    if (!feed.Ok()) return Fail(kcbooks_messages::Id::kCannotWriteStore);
    if (!db_.InsertFrom("main.ledger", 2 + kRowNumbers + 1, feed)) {
        if (feed.Damaged()) {
            return FailDamaged();
        }
        return Fail(kcbooks_messages::Id::kCannotWriteStore);
    }
    return true;
}

// An account whose rows did not arrive in ledger order: its rows into ledger_sorting.
bool LedgerBuckets::StageForSorting(std::int64_t key) {
    Statement blocks(db_, "SELECT rows FROM temp.ledger_blocks WHERE bucket = ?1 ORDER BY seq");
    Statement insert(db_, "INSERT INTO temp.ledger_sorting VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!blocks.Ok() || !insert.Ok()) return Fail(kcbooks_messages::Id::kCannotWriteStore);
    blocks.Bind(1, key);
    std::int64_t numbers[kRowNumbers];
    std::string_view text;
    int rc = SQLITE_ROW;
    while ((rc = blocks.Step()) == SQLITE_ROW) {
        for (std::string_view rows = blocks.Blob(0); !rows.empty();) {
            if (!TakeRow(&rows, numbers, &text)) {
                return FailDamaged();
            }
            insert.Rewind();
            insert.Bind(1, key);
            for (int i = 0; i < kRowNumbers; ++i) insert.Bind(2 + i, numbers[i]);
            insert.BindBorrowedBlob(2 + kRowNumbers, text.data(), static_cast<int>(text.size()));
            if (insert.Step() != SQLITE_DONE) return Fail(kcbooks_messages::Id::kCannotWriteStore);
        }
    }
    if (rc != SQLITE_DONE) return Fail(kcbooks_messages::Id::kCannotWriteStore);
    return true;
}

}  // namespace books
