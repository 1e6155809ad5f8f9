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

namespace books {
namespace {

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
    std::string Text() const { return overflow_ ? "(beyond 64 bits)" : FormatYen(value_); }

private:
    std::int64_t value_ = 0;
    bool overflow_ = false;
};

Total Sum(const SummarySlots& slots, SummaryArray array) {
    Total sum;
    for (int s = 0; s < kSlotCount; ++s)
        sum += Total(slots[static_cast<std::size_t>(array * kSlotCount + s)]);
    return sum;
}

}  // namespace

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
        *error =
            storePath + ": not a books store" + (db.Error().empty() ? "" : " (" + db.Error() + ")");
        return false;
    }
    auto fail = [&]() {
        *error = storePath + ": cannot be read: " + db.Error();
        return false;
    };
    Statement users(db, "SELECT user_id, selection_no, data_no FROM users ORDER BY ord");
    out << "Users:\n";
    int rc = users.Ok() ? users.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = users.Step()) {
        out << "  " << sjis::SjisToUtf8Lossy(users.Blob(0)) << "  selection " << users.Int(1)
            << ", data " << users.Int(2) << "\n";
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
        out << "\nData set " << dataNo << " \"" << sjis::SjisToUtf8Lossy(sets.Blob(1)) << "\"  "
            << sjis::SjisToUtf8Lossy(sets.Blob(2)) << "\n"
            << "  period " << sets.Int(3) << "-" << sets.Int(4) << ", amounts "
            << (taxInclusive ? "including" : "without") << " consumption tax\n"
            << "  " << sets.Int(6) << " chart rows, " << sets.Int(7) << " entries, " << sets.Int(8)
            << " journal lines, " << sets.Int(9) << " ledger lines\n";

        std::vector<ShownAccount> accounts;
        Statement chart(db,
                        "SELECT code, name, nature, side, flag, slots FROM accounts "
                        "WHERE data_no=? AND code % 10000 = 0 ORDER BY ord");
        chart.Bind(1, dataNo);
        int crc = chart.Ok() ? chart.Step() : SQLITE_ERROR;
        for (; crc == SQLITE_ROW; crc = chart.Step()) {
            ShownAccount a{chart.Int(0),
                           sjis::SjisToUtf8Lossy(chart.Blob(1)),
                           static_cast<std::uint32_t>(chart.Int(2)),
                           static_cast<int>(chart.Int(3)),
                           static_cast<int>(chart.Int(4)),
                           {}};
            std::string_view slots = chart.Blob(5);
            if (slots.size() == sizeof(a.slots))
                std::memcpy(a.slots.data(), slots.data(), slots.size());
            accounts.push_back(std::move(a));
        }
        if (crc != SQLITE_DONE) return fail();

        // The trial balance of the posting accounts over the whole year, in the amounts the
        // data set keeps (with or without tax).
        SummaryArray debitArray = taxInclusive ? kDebitGross : kDebitNet;
        SummaryArray creditArray = taxInclusive ? kCreditGross : kCreditNet;
        out << "\n  Trial balance (whole year, yen)\n"
            << "  " << std::left << std::setw(10) << "code" << std::setw(12) << "nature"
            << std::right << std::setw(20) << "debit" << std::setw(20) << "credit" << std::setw(20)
            << "balance"
            << "  name\n";
        Total debits;
        Total credits;
        for (const ShownAccount& a : accounts) {
            if (a.flag == 2 || a.flag == 3) continue;
            Total debit = Sum(a.slots, debitArray);
            Total credit = Sum(a.slots, creditArray);
            if (debit == Total() && credit == Total()) continue;
            debits += debit;
            credits += credit;
            std::ostringstream nature;
            nature << "0x" << std::hex << std::setw(8) << std::setfill('0') << a.nature;
            out << "  " << std::left << std::setw(10) << a.code << std::setw(12) << nature.str()
                << std::right << std::setw(20) << debit.Text() << " " << std::setw(19)
                << credit.Text() << " " << std::setw(19)
                << (a.side == 1 ? debit - credit : credit - debit).Text() << "  " << a.name << "\n";
        }
        out << "  " << std::left << std::setw(22) << "total" << std::right << std::setw(20)
            << debits.Text() << " " << std::setw(19) << credits.Text() << "\n";
        if (debits.Overflow() || credits.Overflow()) {
            out << "  debits and credits cannot be compared: a sum leaves the 64-bit range\n";
        } else {
            out << "  debits " << (debits == credits ? "equal" : "DO NOT EQUAL") << " credits\n";
        }

        auto closing = [&](std::uint32_t nature, bool* found) {
            for (const ShownAccount& a : accounts) {
                if (a.nature != nature || (a.flag != 2 && a.flag != 3)) continue;
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
            out << "  balance sheet at the year's end: assets " << assets.Text() << ", liabilities "
                << liabilities.Text() << " + net assets " << netAssets.Text() << " = "
                << right.Text() << ": "
                << (assets.Overflow() || right.Overflow() ? "cannot be checked (beyond 64 bits)"
                    : assets == right                     ? "balances"
                                                          : "DOES NOT BALANCE")
                << "\n";
        } else {
            out << "  balance sheet: the chart has no total accounts for assets, liabilities and "
                   "net assets\n";
        }
    }
    if (rc != SQLITE_DONE) return fail();
    // A full disk or a closed pipe may show only when the last buffered text goes out.
    if (!out.flush()) {
        *error = "the output cannot be written (a full disk or a closed pipe?)";
        return false;
    }
    return true;
}

}  // namespace books
