// The taxes of the year settled as a reviewer expects before filing: consumption tax set off and
// its payable what the year's taxes leave, corporate taxes accrued as this year's tax less what
// was paid during the year, and last year's balances of both paid.

#include <algorithm>

#include "tools/kcview/Page.h"
#include "tools/kcview/ReviewChecks.h"

namespace kcview {
namespace {

using review::HistorySide;
using review::ItemSide;
using review::ItemsWithRole;
using review::LinesOf;
using review::SumOf;

// The label compound entries carry as their counter account.
constexpr char kCompound[] = "諸口";

bool IsConsumptionTaxAccount(const std::string& label) {
    return HasRole(label, AccountRole::kConsumptionTaxReceived) ||
           HasRole(label, AccountRole::kConsumptionTaxPaid) ||
           HasRole(label, AccountRole::kConsumptionTaxPayable);
}

// The year-end set-off takes 仮受消費税 and 仮払消費税 down to 0 against each other and the
// payable, in one compound entry or against the tax accounts directly, in the year's last month.
bool IsSetOff(const HistoryLine& line, int closingMonth) {
    return line.change < 0 && (closingMonth == 0 || line.month == closingMonth) &&
           (line.counter == kCompound || IsConsumptionTaxAccount(line.counter));
}

// The tax an account gathered over the year: its balance before the year-end set-off.
std::int64_t BeforeSetOff(const std::vector<const AccountHistory*>& accounts, int closingMonth) {
    std::int64_t amount = 0;
    for (const AccountHistory* account : accounts) {
        amount += account->closing;
        for (const HistoryLine& line : account->lines) {
            if (IsSetOff(line, closingMonth)) amount -= line.change;
        }
    }
    return amount;
}

// What was paid out of a payable account during the year: its decreases against anything but
// the accounts `accrual` names (the accrual's own lines and its corrections).
std::int64_t PaidOut(const std::vector<const AccountHistory*>& accounts,
                     bool (*accrual)(const std::string&)) {
    std::int64_t paid = 0;
    for (const AccountHistory* account : accounts) {
        for (const HistoryLine& line : account->lines) {
            if (line.change < 0 && !accrual(line.counter)) paid -= line.change;
        }
    }
    return paid;
}

std::int64_t OpeningOf(const std::vector<const AccountHistory*>& accounts) {
    std::int64_t opening = 0;
    for (const AccountHistory* account : accounts) opening += account->opening;
    return opening;
}

// Last year's balance of a payable: last year's file when given, else the ledger's opening.
FigureSide LastYearsBalance(const ReviewInputs& inputs, AccountRole role,
                            const std::vector<const AccountHistory*>& accounts) {
    const std::string name = RoleName(role);
    if (inputs.previous) {
        const auto items = ItemsWithRole(*inputs.previous, "BalanceSheet", role);
        return {"前期ファイルの" + name, SumOf(items), LinesOf(items)};
    }
    return {inputs.ledger->Source() + "の" + name + "期首残高", OpeningOf(accounts),
            LinesOf(accounts)};
}

// A payable of last year that this year's lines do not pay off.
void LastYearPaid(const ReviewInputs& inputs, AccountRole role,
                  const std::vector<const AccountHistory*>& accounts, std::int64_t paid,
                  CheckResult& result) {
    const FigureSide last = LastYearsBalance(inputs, role, accounts);
    if (last.amount <= 0 || paid >= last.amount) return;
    result.failures.push_back(
        {last,
         {inputs.ledger->Source() + "の当期の" + RoleName(role) + "の納付", paid,
          LinesOf(accounts)},
         "前期の税額が当期に納付されていないか、納付が別の科目に記帳されています。"});
}

}  // namespace

CheckResult ConsumptionTax(const ReviewInputs& inputs) {
    using enum AccountRole;
    const ExportDocument& document = inputs.current;
    CheckResult result;
    std::vector<StatementItem> open =
        ItemsWithRole(document, "BalanceSheet", kConsumptionTaxReceived);
    for (const StatementItem& item : ItemsWithRole(document, "BalanceSheet", kConsumptionTaxPaid))
        open.push_back(item);
    const LedgerFacts* ledger = inputs.ledger;
    const auto received =
        ledger ? ledger->WithRole(kConsumptionTaxReceived) : std::vector<const AccountHistory*>{};
    const auto paid =
        ledger ? ledger->WithRole(kConsumptionTaxPaid) : std::vector<const AccountHistory*>{};
    if (inputs.books && !inputs.books->taxExclusive) {
        result.notApplicable = "帳簿は税込経理です";
        return result;
    }
    if (!inputs.books && open.empty() && received.empty() && paid.empty()) {
        result.notApplicable = "ファイルに仮払消費税・仮受消費税の行がありません（税込経理の帳簿）";
        return result;
    }
    for (const StatementItem& item : open) {
        if (item.amount == 0) continue;
        result.failures.push_back({ItemSide("貸借対照表", item),
                                   {"決算整理後の残高", 0, {}},
                                   "決算整理で仮受消費税と仮払消費税を相殺し、差額を未払消費税等に"
                                   "振り替えてください。"});
    }
    if (received.empty() && paid.empty()) return result;

    const int closingMonth = review::ClosingMonth(document);
    const auto payable = ledger->WithRole(kConsumptionTaxPayable);
    const std::int64_t payments = PaidOut(payable, IsConsumptionTaxAccount);
    const std::int64_t opening = std::max<std::int64_t>(OpeningOf(payable), 0);
    // Payments beyond last year's balance are this year's interim payments.
    const std::int64_t interim = payments > opening ? payments - opening : 0;
    const std::int64_t expected =
        BeforeSetOff(received, closingMonth) - BeforeSetOff(paid, closingMonth) - interim;
    const auto payableItems = ItemsWithRole(document, "BalanceSheet", kConsumptionTaxPayable);
    const std::int64_t written = SumOf(payableItems);
    const std::int64_t gap = written - expected;
    if (gap > kConsumptionTaxTolerance || gap < -kConsumptionTaxTolerance) {
        std::vector<const AccountHistory*> taxAccounts = received;
        taxAccounts.insert(taxAccounts.end(), paid.begin(), paid.end());
        result.warnings.push_back(
            {{"貸借対照表の未払消費税等", written, LinesOf(payableItems)},
             {"仮受消費税 - 仮払消費税 - 中間納付（" + ledger->Source() + "）", expected,
              LinesOf(taxAccounts)},
             "差額 " + FormatYen(gap) +
                 " 円。簡易課税の会社では差が出ます。原則課税なら、未払消費税等の計上額と前期分の"
                 "納付を確かめてください。"});
    }
    LastYearPaid(inputs, kConsumptionTaxPayable, payable, payments, result);
    return result;
}

namespace {

bool IsCorporateTaxPayable(const std::string& label) {
    return HasRole(label, AccountRole::kCorporateTaxPayable);
}

bool IsCorporateTaxAccrual(const std::string& label) {
    return HasRole(label, AccountRole::kCorporateTaxes) ||
           HasRole(label, AccountRole::kCorporateTaxPrepaid) || label == kCompound;
}

// The year's taxes paid before the accrual: payments and withheld tax booked to the tax line
// itself, and what left 仮払法人税等 (the interim payments moved into the tax line).
std::int64_t PaidDuringYear(const LedgerFacts& ledger) {
    std::int64_t paid = 0;
    for (const AccountHistory* account : ledger.WithRole(AccountRole::kCorporateTaxes)) {
        for (const HistoryLine& line : account->lines) {
            const bool accrual = IsCorporateTaxPayable(line.counter) || line.counter == kCompound ||
                                 HasRole(line.counter, AccountRole::kCorporateTaxPrepaid);
            if (!accrual) paid += line.change;
        }
    }
    for (const AccountHistory* account : ledger.WithRole(AccountRole::kCorporateTaxPrepaid)) {
        for (const HistoryLine& line : account->lines) {
            if (line.change < 0) paid -= line.change;
        }
    }
    return paid;
}

}  // namespace

CheckResult CorporateTaxes(const ReviewInputs& inputs) {
    using enum AccountRole;
    const ExportDocument& document = inputs.current;
    CheckResult result;
    const auto taxItems = ItemsWithRole(document, "IncomeStatement", kCorporateTaxes);
    if (taxItems.empty()) {
        result.notApplicable = "損益計算書に法人税、住民税及び事業税の行がありません";
        return result;
    }
    const auto payableItems = ItemsWithRole(document, "BalanceSheet", kCorporateTaxPayable);
    const std::int64_t tax = SumOf(taxItems);
    const std::int64_t payable = SumOf(payableItems);
    const FigureSide written{"貸借対照表の未払法人税等", payable, LinesOf(payableItems)};
    // A ledger without the tax line's account shows none of the year's payments of it.
    const bool paymentsSeen = inputs.ledger && !inputs.ledger->WithRole(kCorporateTaxes).empty();
    if (!paymentsSeen) {
        // Without the year's lines the interim payments are unknown: the payable can only be
        // seen to exceed the year's tax, which no payment explains.
        if (payable > tax)
            result.failures.push_back(
                {written,
                 {"損益計算書の法人税、住民税及び事業税", tax, LinesOf(taxItems)},
                 "未払法人税等が当期の税額を超えています。前期分が残って"
                 "いないか確かめてください。"});
        return result;
    }
    const std::int64_t paid = PaidDuringYear(*inputs.ledger);
    const std::int64_t expected = tax - paid;
    if (payable != expected) {
        result.failures.push_back(
            {written,
             {"法人税、住民税及び事業税 - 期中の納付（" + inputs.ledger->Source() + "）", expected,
              LinesOf(taxItems)},
             "未払法人税等は、当期の税額から中間納付と源泉徴収された税額を引いた額です。"});
    }
    const auto accounts = inputs.ledger->WithRole(kCorporateTaxPayable);
    LastYearPaid(inputs, kCorporateTaxPayable, accounts, PaidOut(accounts, IsCorporateTaxAccrual),
                 result);
    return result;
}

}  // namespace kcview
