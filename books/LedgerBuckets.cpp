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

bool LedgerBuckets::Fail(const char* what) {
    error_ = std::string(what) + ": " + db_.Error();
    return false;
}

bool LedgerBuckets::Prepare() {
    if (!db_.Exec("CREATE TEMP TABLE ledger_blocks(bucket INTEGER NOT NULL, seq INTEGER NOT NULL,"
                  " rows BLOB NOT NULL, PRIMARY KEY(bucket, seq));"
                  "CREATE TEMP TABLE ledger_sorting(date, position, voucher, entry, line, side,"
                  " kind, debit_code, debit_amount, debit_tax, credit_code, credit_amount,"
                  " credit_tax, description);")) {
        return Fail("cannot prepare the ledger");
    }
    spill_ = std::make_unique<Statement>(db_, "INSERT INTO temp.ledger_blocks VALUES(?,?,?)");
    insert_ = std::make_unique<Statement>(
        db_, "INSERT INTO main.ledger VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    sortIn_ = std::make_unique<Statement>(
        db_, "INSERT INTO temp.ledger_sorting VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!spill_->Ok() || !insert_->Ok() || !sortIn_->Ok()) {
        return Fail("cannot prepare the ledger");
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
    if (spill_->Step() != SQLITE_DONE) return Fail("cannot write the store");
    bucket.rows.clear();
    return true;
}

bool LedgerBuckets::WriteLedger() {
    for (auto& [key, bucket] : buckets_) {
        if (!bucket.rows.empty() && !Spill(key, bucket)) return false;
    }
    Statement blocks(db_, "SELECT bucket, rows FROM temp.ledger_blocks ORDER BY bucket, seq");
    if (!blocks.Ok()) return Fail("cannot write the store");
    std::int64_t current = 0;
    bool sorting = false;  // the current account's rows wait in ledger_sorting
    int rc = SQLITE_ROW;
    while ((rc = blocks.Step()) == SQLITE_ROW) {
        std::int64_t key = blocks.Int(0);
        if (key != current) {
            if (sorting && !SortAccountIntoLedger(current)) return false;
            current = key;
            sorting = !buckets_[key].ordered;
        }
        if (!InsertRows(key, blocks.Blob(1), !sorting)) return false;
    }
    if (rc != SQLITE_DONE) return Fail("cannot write the store");
    return !sorting || SortAccountIntoLedger(current);
}

// Rows of one block into the ledger (`ordered`) or into the sorting table.
bool LedgerBuckets::InsertRows(std::int64_t key, std::string_view rows, bool ordered) {
    Statement& insert = ordered ? *insert_ : *sortIn_;
    const int first = ordered ? 3 : 1;  // the ledger's first columns are the key's
    std::int64_t numbers[kRowNumbers];
    std::string_view text;
    while (!rows.empty()) {
        if (!TakeRow(&rows, numbers, &text)) {
            error_ = "cannot write the store: a block of ledger lines was read back damaged";
            return false;
        }
        insert.Rewind();
        if (ordered) {
            insert.Bind(1, DataNoOf(key));
            insert.Bind(2, AccountOf(key));
        }
        for (int i = 0; i < kRowNumbers; ++i) insert.Bind(first + i, numbers[i]);
        insert.BindBorrowedBlob(first + kRowNumbers, text.data(), static_cast<int>(text.size()));
        if (insert.Step() != SQLITE_DONE) return Fail("cannot write the store");
    }
    return true;
}

bool LedgerBuckets::SortAccountIntoLedger(std::int64_t key) {
    Statement sorted(db_,
                     "INSERT INTO main.ledger SELECT ?1, ?2, * FROM temp.ledger_sorting"
                     " ORDER BY date, position, voucher, entry, line");
    sorted.Bind(1, DataNoOf(key));
    sorted.Bind(2, AccountOf(key));
    if (!sorted.Ok() || sorted.Step() != SQLITE_DONE ||
        !db_.Exec("DELETE FROM temp.ledger_sorting")) {
        return Fail("cannot write the store");
    }
    return true;
}

}  // namespace books
