#pragma once

// What the checks need of the year's general ledger, gathered while the file is read (or from the
// books' journal): each account's opening and closing, its lowest balance at a day's end, and, for
// the few accounts a check reads line by line (taxes, officers' pay, accumulated depreciation),
// its lines. The ledger's other lines are not kept: memory stays that of the accounts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kcview/AccountLabels.h"
#include "tools/kcview/ExportDocument.h"

namespace kcview {

struct HistoryLine {
    int month = 0;            // 1 to 12; 0 when the date could not be read
    std::string day;          // as the source writes it
    std::int64_t change = 0;  // positive: the balance grows on the account's own side
    std::string counter;      // the counter account's label
};

struct AccountHistory {
    std::string label;
    std::string category;  // 流動資産, 販管費 … as the file's ledger writes it
    std::int64_t opening = 0;
    std::int64_t closing = 0;
    int line = 0;  // the account's line in the file; 0 when it comes from the books
    // The lowest balance at the end of a day, and that day; the opening when it never went lower.
    std::int64_t lowest = 0;
    std::string lowestDay;
    // Only for an account whose lines a check reads, and of 仮受消費税 and 仮払消費税 only the
    // lines that take them down.
    std::vector<HistoryLine> lines;
};

enum class LineKeeping { kNone, kDecreases, kAll };

// Builds an account's history from its lines in date order.
class HistoryBuilder {
public:
    HistoryBuilder(std::string label, std::string category, std::int64_t opening, int line);
    void Post(std::string_view day, std::int64_t change, std::string_view counter);
    AccountHistory Finish(std::int64_t closing);

private:
    void EndDay();

    AccountHistory history_;
    LineKeeping keeping_;
    std::int64_t balance_;
    std::string day_;
};

class LedgerFacts {
public:
    // `source`: where the facts come from, as the page names it (総勘定元帳, 帳簿).
    explicit LedgerFacts(std::string source) : source_(std::move(source)) {}

    void Add(const LedgerAccount& account);  // an account of the file's ledger, with its lines
    void Add(AccountHistory history);

    const std::string& Source() const { return source_; }
    const std::vector<AccountHistory>& Accounts() const { return accounts_; }
    // The accounts that play `role`, in ledger order.
    std::vector<const AccountHistory*> WithRole(AccountRole role) const;
    const AccountHistory* Named(std::string_view label) const;

private:
    std::string source_;
    std::vector<AccountHistory> accounts_;
};

// The month of a ledger date: 「令和7年4月15日」 or 20250415; 0 when it is neither.
int MonthOf(std::string_view date);

}  // namespace kcview
