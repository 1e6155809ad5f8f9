#pragma once

// The general ledger's lines on their sides. The file writes each line's change as one signed
// amount, positive when it moves the account toward its category's normal side: for an account
// of assets, costs or expenses a positive change is a debit (借方), for one of liabilities, net
// assets or revenue a credit (貸方). A contra account stands in its category with balances on
// the other side (貸倒引当金 and 減価償却累計額 among the assets: the file writes them negative,
// and a provision as a negative change); it is shown on its own side, its balance growing with its
// credits, as its ledger is kept by hand.

#include <cstdint>
#include <optional>
#include <string>

namespace kcview {

enum class NormalSide { Debit, Credit, Unknown };

// The normal side of the file's account category (流動資産 is debit, 売上高 credit); Unknown for a
// category that holds either (集計対象外, 特別勘定).
NormalSide NormalSideOf(const std::string& category);

// How an account's lines are shown.
struct LedgerSides {
    NormalSide category = NormalSide::Unknown;
    // The side the balance is shown on: the category's, or the other for a contra account.
    NormalSide balance = NormalSide::Unknown;
};

// A contra account is one whose opening and closing balances both stand on the other side of its
// category (negative in the file), not both zero.
LedgerSides SidesOf(const std::string& category, std::int64_t opening, std::int64_t closing);

// One line's change in the columns 借方 and 貸方; an account of no known side keeps the signed
// change as the file writes it (`signedChange`).
struct LedgerAmounts {
    std::optional<std::int64_t> debit;
    std::optional<std::int64_t> credit;
    std::optional<std::int64_t> signedChange;
};
LedgerAmounts AmountsOf(const LedgerSides& sides, std::int64_t change);

// A balance as the file writes it, shown on the account's side.
std::int64_t ShownBalance(const LedgerSides& sides, std::int64_t balance);

}  // namespace kcview
