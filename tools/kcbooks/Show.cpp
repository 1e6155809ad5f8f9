#include "tools/kcbooks/Show.h"

#include <cstdio>
#include <cstring>
#include <iomanip>
#include <limits>
#include <sstream>
#include <vector>

#include "books/Model.h"
#include "books/Store.h"
#include "common/Encoding.h"
#include "messages/kcbooks/KcbooksMessages.h"

namespace books {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

constexpr std::uint32_t kAssetsTotal = 0x80800000;
constexpr std::uint32_t kLiabilitiesTotal = 0x80400000;
constexpr std::uint32_t kNetAssetsTotal = 0x80200000;

struct ShownAccount {
    std::int64_t code;
    std::string name;  // UTF-8
    std::uint32_t nature;
    int side;
    int flag;
    SummarySlots slots{};
};

// A sum of ten-thousandths that remembers when it left the 64-bit range: a store may hold
// amounts whose sums do not fit, and the tool shows that rather than a wrapped number.
class Total {
public:
    Total() = default;
    explicit Total(std::int64_t value) : value_(value) {}
    Total& operator+=(const Total& other) {
        overflow_ =
            overflow_ || other.overflow_ ||
            (other.value_ > 0 &&
             value_ > std::numeric_limits<std::int64_t>::max() - other.value_) ||
            (other.value_ < 0 && value_ < std::numeric_limits<std::int64_t>::min() - other.value_);
        if (!overflow_) value_ += other.value_;
        return *this;
    }
    Total operator-() const {
        Total negated;
        negated.overflow_ = overflow_ || value_ == std::numeric_limits<std::int64_t>::min();
        if (!negated.overflow_) negated.value_ = -value_;
        return negated;
    }
    friend Total operator+(Total a, const Total& b) { return a += b; }
    friend Total operator-(Total a, const Total& b) { return a += -b; }
    bool operator==(const Total& other) const {
        return !overflow_ && !other.overflow_ && value_ == other.value_;
    }
    bool Overflow() const { return overflow_; }
    std::string Text() const { return overflow_ ? Say(Id::kShowBeyond64Bits) : FormatYen(value_); }

private:
    std::int64_t value_ = 0;
    bool overflow_ = false;
};

// `text` filled with blanks to `width` columns of a terminal, on the left (`right`) or the right:
// std::setw counts bytes, and a Japanese character is three bytes of UTF-8 and two columns.
std::string Padded(std::string_view text, std::size_t width, bool right) {
    std::size_t columns = 0;
    for (unsigned char c : text) {
        if (c < 0x80) {
            ++columns;
        } else if (c >= 0xC0) {
            columns += 2;
        }
    }
    const std::string blanks(columns < width ? width - columns : 0, ' ');
    return right ? blanks + std::string(text) : std::string(text) + blanks;
}
std::string Left(std::string_view text, std::size_t width) {
    return Padded(text, width, false);
}
std::string Right(std::string_view text, std::size_t width) {
    return Padded(text, width, true);
}

Total Sum(const SummarySlots& slots, SummaryArray array) {
    Total sum;
    for (int s = 0; s < kSlotCount; ++s)
        sum += Total(slots[static_cast<std::size_t>(array * kSlotCount + s)]);
    return sum;
}

// The accounts of data set `dataNo` (no sub-accounts), in the chart's order. False when the
// store cannot be read.
bool ReadAccounts(Database& db, std::int64_t dataNo, std::vector<ShownAccount>* accounts) {
    Statement chart(db,
                    "SELECT code, name, nature, side, flag, slots FROM accounts "
                    "WHERE data_no=? AND code % 10000 = 0 ORDER BY ord");
    chart.Bind(1, dataNo);
    int rc = chart.Ok() ? chart.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = chart.Step()) {
        ShownAccount a{chart.Int(0),
                       sjis::SjisToUtf8Lossy(chart.Blob(1)),
                       static_cast<std::uint32_t>(chart.Int(2)),
                       static_cast<int>(chart.Int(3)),
                       static_cast<int>(chart.Int(4)),
                       {}};
        std::string_view slots = chart.Blob(5);
        if (slots.size() == sizeof(a.slots))
            std::memcpy(a.slots.data(), slots.data(), slots.size());
        accounts->push_back(std::move(a));
    }
    return rc == SQLITE_DONE;
}

// The arrays of the trial balance: the amounts the data set keeps (with or without tax).
SummaryArray DebitArray(bool taxInclusive) {
    return taxInclusive ? kDebitGross : kDebitNet;
}
SummaryArray CreditArray(bool taxInclusive) {
    return taxInclusive ? kCreditGross : kCreditNet;
}

// Whether an account takes part in the trial balance: total accounts sum others.
bool IsPosting(const ShownAccount& account) {
    return account.flag != 2 && account.flag != 3;
}

}  // namespace

bool SummarizeStore(const std::string& storePath, BooksSummary* out, std::string* error) {
    Database db;
    if (!db.OpenReadOnly(storePath) || !db.IsStore()) {
        *error = kcbooks_messages::NotABooksStore(storePath, db.Error());
        return false;
    }
    Statement set(db,
                  "SELECT data_no, name, period_from, period_to, tax_inclusive, "
                  "(SELECT count(DISTINCT entry) FROM journal j WHERE j.data_no=c.data_no) "
                  "FROM company c ORDER BY data_no LIMIT 1");
    std::vector<ShownAccount> accounts;
    if (!set.Ok() || set.Step() != SQLITE_ROW || !ReadAccounts(db, set.Int(0), &accounts)) {
        *error = Say(Id::kStoreCannotBeRead, {{"store", storePath}, {"reason", db.Error()}});
        return false;
    }
    const bool taxInclusive = set.Int(4) != 0;
    Total debits;
    Total credits;
    for (const ShownAccount& a : accounts) {
        if (!IsPosting(a)) continue;
        debits += Sum(a.slots, DebitArray(taxInclusive));
        credits += Sum(a.slots, CreditArray(taxInclusive));
    }
    out->company = sjis::SjisToUtf8Lossy(set.Blob(1));
    out->periodFrom = static_cast<std::int32_t>(set.Int(2));
    out->periodTo = static_cast<std::int32_t>(set.Int(3));
    out->entries = set.Int(5);
    out->debits = debits.Text();
    out->credits = credits.Text();
    out->balanced = debits == credits;
    return true;
}

std::string FormatYen(long long value) {
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude / 10000);
    std::string text = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    if (unsigned long long fraction = magnitude % 10000; fraction != 0) {
        char buffer[8];
        std::snprintf(buffer, sizeof(buffer), ".%04llu", fraction);
        std::string decimals = buffer;
        while (decimals.back() == '0') decimals.pop_back();
        text += decimals;
    }
    return text;
}

bool ShowStore(const std::string& storePath, std::ostream& out, std::string* error) {
    Database db;
    if (!db.OpenReadOnly(storePath) || !db.IsStore()) {
        *error = kcbooks_messages::NotABooksStore(storePath, db.Error());
        return false;
    }
    auto fail = [&]() {
        *error = Say(Id::kStoreCannotBeRead, {{"store", storePath}, {"reason", db.Error()}});
        return false;
    };
    Statement users(db, "SELECT user_id, selection_no, data_no FROM users ORDER BY ord");
    out << Say(Id::kShowUsers) << "\n";
    int rc = users.Ok() ? users.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = users.Step()) {
        out << Say(Id::kShowUser, {{"user", sjis::SjisToUtf8Lossy(users.Blob(0))},
                                   {"selection", users.Int(1)},
                                   {"data", users.Int(2)}})
            << "\n";
    }
    if (rc != SQLITE_DONE) return fail();

    Statement sets(db,
                   "SELECT data_no, data_id, name, period_from, period_to, tax_inclusive, "
                   "(SELECT count(*) FROM accounts a WHERE a.data_no=c.data_no), "
                   "(SELECT count(DISTINCT entry) FROM journal j WHERE j.data_no=c.data_no), "
                   "(SELECT count(*) FROM journal j WHERE j.data_no=c.data_no), "
                   "(SELECT count(*) FROM ledger l WHERE l.data_no=c.data_no) "
                   "FROM company c ORDER BY data_no");
    rc = sets.Ok() ? sets.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = sets.Step()) {
        std::int64_t dataNo = sets.Int(0);
        bool taxInclusive = sets.Int(5) != 0;
        out << "\n"
            << Say(Id::kShowDataSet, {{"number", dataNo},
                                      {"data", sjis::SjisToUtf8Lossy(sets.Blob(1))},
                                      {"name", sjis::SjisToUtf8Lossy(sets.Blob(2))}})
            << "\n"
            << Say(taxInclusive ? Id::kShowTaxIncluded : Id::kShowTaxExcluded,
                   {{"from", sets.Int(3)}, {"to", sets.Int(4)}})
            << "\n"
            << Say(Id::kShowCounts, {{"accounts", sets.Int(6)},
                                     {"entries", sets.Int(7)},
                                     {"lines", sets.Int(8)},
                                     {"ledger", sets.Int(9)}})
            << "\n";

        std::vector<ShownAccount> accounts;
        if (!ReadAccounts(db, dataNo, &accounts)) return fail();

        // The trial balance of the posting accounts over the whole year.
        const SummaryArray debitArray = DebitArray(taxInclusive);
        const SummaryArray creditArray = CreditArray(taxInclusive);
        out << "\n"
            << Say(Id::kShowTrialBalance) << "\n"
            << "  " << Left(Say(Id::kShowCode), 10) << Left(Say(Id::kShowNature), 12)
            << Right(Say(Id::kShowDebit), 20) << Right(Say(Id::kShowCredit), 20)
            << Right(Say(Id::kShowBalance), 20) << "  " << Say(Id::kShowName) << "\n";
        Total debits;
        Total credits;
        for (const ShownAccount& a : accounts) {
            if (!IsPosting(a)) continue;
            Total debit = Sum(a.slots, debitArray);
            Total credit = Sum(a.slots, creditArray);
            if (debit == Total() && credit == Total()) continue;
            debits += debit;
            credits += credit;
            std::ostringstream nature;
            nature << "0x" << std::hex << std::setw(8) << std::setfill('0') << a.nature;
            out << "  " << std::left << std::setw(10) << a.code << std::setw(12) << nature.str()
                << std::right << Right(debit.Text(), 20) << " " << Right(credit.Text(), 19) << " "
                << Right((a.side == 1 ? debit - credit : credit - debit).Text(), 19) << "  "
                << a.name << "\n";
        }
        out << "  " << Left(Say(Id::kShowTotal), 22) << Right(debits.Text(), 20) << " "
            << Right(credits.Text(), 19) << "\n";
        if (debits.Overflow() || credits.Overflow()) {
            out << Say(Id::kShowNotComparable) << "\n";
        } else {
            out << Say(debits == credits ? Id::kShowDebitsEqual : Id::kShowDebitsDiffer) << "\n";
        }

        auto closing = [&](std::uint32_t nature, bool* found) {
            for (const ShownAccount& a : accounts) {
                if (a.nature != nature || IsPosting(a)) continue;
                *found = true;
                Total debit = Sum(a.slots, debitArray);
                Total credit = Sum(a.slots, creditArray);
                return a.side == 1 ? debit - credit : credit - debit;
            }
            return Total();
        };
        bool hasAssets = false, hasLiabilities = false, hasNetAssets = false;
        Total assets = closing(kAssetsTotal, &hasAssets);
        Total liabilities = closing(kLiabilitiesTotal, &hasLiabilities);
        Total netAssets = closing(kNetAssetsTotal, &hasNetAssets);
        Total right = liabilities + netAssets;
        if (hasAssets && hasLiabilities && hasNetAssets) {
            const Id verdict = assets.Overflow() || right.Overflow() ? Id::kShowUncheckable
                               : assets == right                     ? Id::kShowBalances
                                                                     : Id::kShowDoesNotBalance;
            out << Say(Id::kShowBalanceSheet, {{"assets", assets.Text()},
                                               {"liabilities", liabilities.Text()},
                                               {"net", netAssets.Text()},
                                               {"right", right.Text()},
                                               {"verdict", Say(verdict)}})
                << "\n";
        } else {
            out << Say(Id::kShowNoTotals) << "\n";
        }
    }
    if (rc != SQLITE_DONE) return fail();
    // A full disk or a closed pipe may show only when the last buffered text goes out.
    if (!out.flush()) {
        *error = Say(Id::kOutputNotWritten);
        return false;
    }
    return true;
}

}  // namespace books
