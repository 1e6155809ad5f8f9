#include "tools/kcview/LedgerFacts.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace kcview {
namespace {

// Which lines of an account a check reads. The consumption taxes' accounts take a line of every
// sale and purchase; their checks read only the lines that take them down (returns and the
// year-end set-off), so their other lines are never kept and memory stays that of the accounts.
LineKeeping KeepingFor(std::string_view label) {
    using enum AccountRole;
    if (HasRole(label, kConsumptionTaxReceived) || HasRole(label, kConsumptionTaxPaid))
        return LineKeeping::kDecreases;
    for (AccountRole role : {kConsumptionTaxPayable, kCorporateTaxes, kCorporateTaxPayable,
                             kCorporateTaxPrepaid, kOfficerPay, kAccumulatedDepreciation}) {
        if (HasRole(label, role)) return LineKeeping::kAll;
    }
    return LineKeeping::kNone;
}

int NumberAt(std::string_view text, std::size_t from, std::size_t to) {
    int value = 0;
    if (from >= to || to > text.size()) return -1;
    const auto [end, error] = std::from_chars(text.data() + from, text.data() + to, value);
    return error == std::errc() && end == text.data() + to ? value : -1;
}

}  // namespace

int MonthOf(std::string_view date) {
    if (date.size() == 8 &&
        std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int month = NumberAt(date, 4, 6);
        return month >= 1 && month <= 12 ? month : 0;
    }
    // An era date: the month stands between 年 and 月.
    const std::size_t year = date.find("年");
    const std::size_t month = date.find("月");
    if (year == std::string_view::npos || month == std::string_view::npos || month < year) return 0;
    const int value = NumberAt(date, year + std::string_view("年").size(), month);
    return value >= 1 && value <= 12 ? value : 0;
}

HistoryBuilder::HistoryBuilder(std::string label, std::string category, std::int64_t opening,
                               int line)
    : keeping_(KeepingFor(label)), balance_(opening) {
    history_.label = std::move(label);
    history_.category = std::move(category);
    history_.opening = opening;
    history_.line = line;
    history_.lowest = opening;
}

void HistoryBuilder::EndDay() {
    if (!day_.empty() && balance_ < history_.lowest) {
        history_.lowest = balance_;
        history_.lowestDay = day_;
    }
}

void HistoryBuilder::Post(std::string_view day, std::int64_t change, std::string_view counter) {
    if (day != day_) {
        EndDay();
        day_ = day;
    }
    // A balance beyond 64 bits is no balance a check can compare: it stays where it was, and the
    // closing the source writes decides.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((change > 0 && balance_ <= kMax - change) || (change < 0 && balance_ >= kMin - change))
        balance_ += change;
    if (keeping_ == LineKeeping::kAll || (keeping_ == LineKeeping::kDecreases && change < 0))
        history_.lines.push_back({MonthOf(day), std::string(day), change, std::string(counter)});
}

AccountHistory HistoryBuilder::Finish(std::int64_t closing) {
    EndDay();
    history_.closing = closing;
    return std::move(history_);
}

void LedgerFacts::Add(const LedgerAccount& account) {
    HistoryBuilder builder(account.name, account.category, account.opening, account.line);
    for (const LedgerEntry& entry : account.entries)
        builder.Post(entry.date, entry.change, entry.counterAccount);
    accounts_.push_back(builder.Finish(account.closing));
}

void LedgerFacts::Add(AccountHistory history) {
    accounts_.push_back(std::move(history));
}

std::vector<const AccountHistory*> LedgerFacts::WithRole(AccountRole role) const {
    std::vector<const AccountHistory*> found;
    for (const AccountHistory& account : accounts_) {
        if (HasRole(account.label, role)) found.push_back(&account);
    }
    return found;
}

const AccountHistory* LedgerFacts::Named(std::string_view label) const {
    for (const AccountHistory& account : accounts_) {
        if (account.label == label) return &account;
    }
    return nullptr;
}

}  // namespace kcview
