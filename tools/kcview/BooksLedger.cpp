// The books' histories are read the way the export reads its general ledger: one account's lines
// at a time, in the store's ledger order (date, month position, voucher, entry, line), so memory
// holds the chart and the lines the checks keep, never the journal.

#include "tools/kcview/BooksLedger.h"

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "books/Model.h"
#include "common/AccountCategory.h"
#include "common/Encoding.h"
#include "common/EraDate.h"
#include "common/LedgerCounter.h"
#include "common/StatementLabel.h"

namespace kcview {
namespace {

using ledger_counter::kSideBoth;
using ledger_counter::kSideCreditOnly;
using ledger_counter::kSideDebitOnly;

std::int32_t AccountOf(std::int64_t code) {
    return static_cast<std::int32_t>(code - code % books::kSubAccountRadix);
}

// a - b, or nothing beyond 64 bits.
std::optional<std::int64_t> Difference(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (b == std::numeric_limits<std::int64_t>::min() || !books::AddChecked(a, -b, &result))
        return std::nullopt;
    return result;
}

std::optional<std::int64_t> Sum(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (!books::AddChecked(a, b, &result)) return std::nullopt;
    return result;
}

// One row of the store's ledger: a journal line as one account's ledger holds it.
struct LedgerRow {
    std::int32_t account = 0;
    std::int32_t date = 0;
    std::int64_t entry = 0;
    std::int64_t line = 0;
    std::int64_t side = 0;
    std::int64_t kind = 0;
    std::int64_t debitCode = 0;
    std::int64_t debitAmount = 0;
    std::int64_t debitTax = 0;
    std::int64_t creditCode = 0;
    std::int64_t creditAmount = 0;
    std::int64_t creditTax = 0;
};

// The era set of the books and the day texts made from it, each made once.
class DayTexts {
public:
    bool Read(books::Database& db) {
        books::Statement query(db, "SELECT first_day, name, short FROM eras ORDER BY first_day");
        if (!query.Ok()) return false;
        int rc = 0;
        while ((rc = query.Step()) == SQLITE_ROW) {
            names_.push_back({static_cast<std::int32_t>(query.Int(0)), std::string(query.Blob(1)),
                              std::string(query.Blob(2))});
        }
        for (const Named& named : names_)
            eras_.push_back({named.firstDay, named.name, named.short_});
        return rc == SQLITE_DONE;
    }

    // "令和7年4月15日", as the file's ledger writes the day; empty before every era.
    const std::string& Of(std::int32_t date) {
        auto found = texts_.find(date);
        if (found != texts_.end()) return found->second;
        const std::string text = era_date::FormatDate(date, 0, 0, era_date::EraOf(eras_, date));
        return texts_.emplace(date, sjis::SjisToUtf8Lossy(text)).first->second;
    }

private:
    struct Named {
        std::int32_t firstDay;
        std::string name;
        std::string short_;
    };
    std::vector<Named> names_;
    std::vector<era_date::Era> eras_;
    std::unordered_map<std::int32_t, std::string> texts_;
};

// Whether the lines of an entry before one of its lines balance, tax included: where they do
// not, the file's ledger writes 諸口 for that line's counter-account.
class EntryBalance {
public:
    explicit EntryBalance(books::Database& db)
        : query_(db,
                 "SELECT debit_amount, debit_tax, credit_amount, credit_tax FROM journal "
                 "WHERE data_no=?1 AND entry=?2 AND line<?3 ORDER BY line") {}

    // Nothing on a store error.
    std::optional<bool> BalancesBefore(std::int64_t dataNo, std::int64_t entry, std::int64_t line) {
        if (!query_.Ok()) return std::nullopt;
        query_.Reset();
        query_.Bind(1, dataNo);
        query_.Bind(2, entry);
        query_.Bind(3, line);
        std::optional<std::int64_t> debits = 0;
        std::optional<std::int64_t> credits = 0;
        int rc = 0;
        while ((rc = query_.Step()) == SQLITE_ROW) {
            if (debits) debits = Sum(*debits, query_.Int(0));
            if (debits) debits = Sum(*debits, query_.Int(1));
            if (credits) credits = Sum(*credits, query_.Int(2));
            if (credits) credits = Sum(*credits, query_.Int(3));
        }
        if (rc != SQLITE_DONE) return std::nullopt;
        // Sums beyond 64 bits balance nothing.
        return debits && credits && *debits == *credits;
    }

private:
    books::Statement query_;
};

class HistoryReader {
public:
    HistoryReader(books::Database& db, std::int64_t dataNo, const TaxBasis& tax,
                  const std::vector<BooksAccount>& accounts)
        : db_(db), dataNo_(dataNo), tax_(tax), accounts_(accounts), entries_(db) {
        for (std::size_t i = 0; i < accounts.size(); ++i) byCode_[accounts[i].code] = i;
    }

    bool Read(LedgerFacts* facts) {
        if (!days_.Read(db_)) return false;
        books::Statement rows(db_,
                              "SELECT account, date, entry, line, side, kind, debit_code, "
                              "debit_amount, debit_tax, credit_code, credit_amount, credit_tax "
                              "FROM ledger WHERE data_no=? "
                              "ORDER BY account, date, position, voucher, entry, line");
        if (!rows.Ok()) return false;
        rows.Bind(1, dataNo_);
        int rc = 0;
        while ((rc = rows.Step()) == SQLITE_ROW) {
            LedgerRow row;
            row.account = AccountOf(rows.Int(0));
            row.date = static_cast<std::int32_t>(rows.Int(1));
            row.entry = rows.Int(2);
            row.line = rows.Int(3);
            row.side = rows.Int(4);
            row.kind = rows.Int(5);
            row.debitCode = rows.Int(6);
            row.debitAmount = rows.Int(7);
            row.debitTax = rows.Int(8);
            row.creditCode = rows.Int(9);
            row.creditAmount = rows.Int(10);
            row.creditTax = rows.Int(11);
            if (!Post(row)) return false;
        }
        if (rc != SQLITE_DONE) return false;
        Close();
        for (const BooksAccount& account : accounts_) {
            auto history = histories_.find(account.code);
            if (history != histories_.end()) {
                facts->Add(std::move(history->second));
            } else if (Posting(account) &&
                       (account.openingDebit != 0 || account.openingCredit != 0)) {
                // An account brought in and never booked: its opening stays its closing.
                StartAccount(account);
                facts->Add(current_->Finish(WholeYen(account.closing)));
                current_.reset();
            }
        }
        return true;
    }

private:
    const BooksAccount* Account(std::int32_t code) const {
        auto found = byCode_.find(code);
        return found == byCode_.end() ? nullptr : &accounts_[found->second];
    }

    bool Posting(const BooksAccount& account) const { return !account.IsTotal(); }

    // What the row moves on its account, in ten-thousandths on the account's own side: its
    // amounts where the account stands on the line, and the line's tax where the account takes
    // it (the tax accounts of books kept without tax). As the trial balance adds them.
    std::optional<std::int64_t> Change(const LedgerRow& row, const BooksAccount& account) const {
        const bool onDebit = row.side == kSideDebitOnly || row.side == kSideBoth;
        const bool onCredit = row.side == kSideCreditOnly || row.side == kSideBoth;
        std::optional<std::int64_t> debit = onDebit ? row.debitAmount : 0;
        std::optional<std::int64_t> credit = onCredit ? row.creditAmount : 0;
        if (tax_.inclusive) {
            if (onDebit && debit) debit = Sum(*debit, row.debitTax);
            if (onCredit && credit) credit = Sum(*credit, row.creditTax);
        } else {
            if (account.code == tax_.inputTax && debit) debit = Sum(*debit, row.debitTax);
            if (account.code == tax_.outputTax && credit) credit = Sum(*credit, row.creditTax);
        }
        if (!debit || !credit) return std::nullopt;
        return account.debitSide ? Difference(*debit, *credit) : Difference(*credit, *debit);
    }

    // The counter-account's label as the file's ledger writes it for the row.
    std::optional<std::string> Counter(const LedgerRow& row) {
        const std::optional<std::int64_t> lineDebit = Sum(row.debitAmount, row.debitTax);
        const std::optional<std::int64_t> lineCredit = Sum(row.creditAmount, row.creditTax);
        // A line beyond 64 bits balances nothing.
        const ledger_counter::Counter told =
            lineDebit && lineCredit
                ? ledger_counter::CounterOf(static_cast<int>(row.side), static_cast<int>(row.kind),
                                            *lineDebit, *lineCredit, static_cast<int>(row.line))
                : ledger_counter::Counter::kSeveral;
        bool several = told == ledger_counter::Counter::kSeveral;
        if (told == ledger_counter::Counter::kAskEntry) {
            const std::optional<bool> balanced =
                entries_.BalancesBefore(dataNo_, row.entry, row.line);
            if (!balanced) return std::nullopt;
            several = !*balanced;
        }
        if (several) return sjis::SjisToUtf8Lossy(sjis::SeveralAccounts());
        const std::int64_t counterCode =
            row.side == kSideCreditOnly ? row.debitCode : row.creditCode;
        const BooksAccount* counter = counterCode == 0 ? nullptr : Account(AccountOf(counterCode));
        return counter ? counter->name : std::string();
    }

    bool Post(const LedgerRow& row) {
        const BooksAccount* account = Account(row.account);
        if (!account || !Posting(*account)) return true;
        if (!current_ || currentCode_ != account->code) {
            Close();
            StartAccount(*account);
        }
        const std::optional<std::int64_t> change = Change(row, *account);
        // A line that moves nothing is not written; one beyond 64 bits has no amount to post.
        if (!change || *change == 0) return true;
        const std::optional<std::string> counter = Counter(row);
        if (!counter) return false;
        current_->Post(days_.Of(row.date), WholeYen(*change), *counter);
        return true;
    }

    void StartAccount(const BooksAccount& account) {
        current_.emplace(account.name,
                         sjis::SjisToUtf8Lossy(ledger_category::CategoryOf(account.nature)),
                         WholeYen(account.opening), 0);
        currentCode_ = account.code;
    }

    void Close() {
        if (!current_) return;
        const BooksAccount* account = Account(currentCode_);
        histories_.emplace(currentCode_, current_->Finish(WholeYen(account->closing)));
        current_.reset();
    }

    books::Database& db_;
    std::int64_t dataNo_;
    TaxBasis tax_;
    const std::vector<BooksAccount>& accounts_;
    std::unordered_map<std::int32_t, std::size_t> byCode_;
    DayTexts days_;
    EntryBalance entries_;
    std::optional<HistoryBuilder> current_;
    std::int32_t currentCode_ = 0;
    std::map<std::int32_t, AccountHistory> histories_;
};

}  // namespace

bool ReadBooksLedger(books::Database& db, std::int64_t dataNo, const TaxBasis& tax,
                     const std::vector<BooksAccount>& accounts, LedgerFacts* facts) {
    HistoryReader reader(db, dataNo, tax, accounts);
    return reader.Read(facts);
}

}  // namespace kcview
