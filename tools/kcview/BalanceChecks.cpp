// Balances a reviewer sends back at a glance: suspense left open at the year's end, balances the
// books cannot hold, and the amounts the tax return treats apart (officers' pay that changes,
// depreciation that does not move the accumulated depreciation, entertainment over the limit).

#include <algorithm>
#include <cstdlib>
#include <map>

#include "tools/kcview/Page.h"
#include "tools/kcview/ReviewChecks.h"

namespace kcview {

namespace review {

FigureSide ItemSide(const std::string& statement, const StatementItem& item) {
    return {statement + "の" + item.label, item.amount, {item.line}};
}

FigureSide HistorySide(const std::string& source, const AccountHistory& account,
                       const std::string& what, std::int64_t amount) {
    std::vector<int> lines;
    if (account.line > 0) lines.push_back(account.line);
    return {source + "の" + account.label + what, amount, lines};
}

std::vector<StatementItem> ItemsWithRole(const ExportDocument& document,
                                         const std::string& statement, AccountRole role) {
    std::vector<StatementItem> found;
    for (StatementItem& item : ItemsOf(document, statement)) {
        if (HasRole(item.label, role)) found.push_back(std::move(item));
    }
    return found;
}

std::int64_t SumOf(const std::vector<StatementItem>& items) {
    std::int64_t sum = 0;
    for (const StatementItem& item : items) sum += item.amount;
    return sum;
}

std::vector<int> LinesOf(const std::vector<StatementItem>& items) {
    std::vector<int> lines;
    for (const StatementItem& item : items) lines.push_back(item.line);
    return lines;
}

std::vector<int> LinesOf(const std::vector<const AccountHistory*>& accounts) {
    std::vector<int> lines;
    for (const AccountHistory* account : accounts) {
        if (account->line > 0) lines.push_back(account->line);
    }
    return lines;
}

int ClosingMonth(const ExportDocument& document) {
    const XmlNode* to = document.basic.Child("JIGYOUNENDOTO");
    return to ? MonthOf(to->text) : 0;
}

}  // namespace review

namespace {

using review::HistorySide;
using review::ItemSide;
using review::ItemsWithRole;
using review::SumOf;

const char kNoLedger[] = "総勘定元帳なしで出力されたファイルで、帳簿も指定されていません";

// The sections whose lines are costs: a cost below 0 is a booking on the wrong side.
bool IsCostSection(const StatementItem& item) {
    static const char* const kCosts[] = {"CostOfSales", "SellingGeneralAndAdministrativeExpenses",
                                         "NonOperatingExpenses", "ExtraordinaryLoss"};
    return std::any_of(std::begin(kCosts), std::end(kCosts),
                       [&](const char* part) { return item.part == part; });
}

// The lines of a role among the costs: the income statement's and the manufacturing cost's.
std::vector<StatementItem> CostsWithRole(const ExportDocument& document, AccountRole role) {
    std::vector<StatementItem> items = ItemsWithRole(document, "IncomeStatement", role);
    for (StatementItem& item : ItemsWithRole(document, "ScheduleCostGoodsManufactured", role))
        items.push_back(std::move(item));
    return items;
}

// The fiscal year's months in order, from the file's first and last day (yyyymmdd).
std::vector<int> FiscalMonths(const ExportDocument& document) {
    const XmlNode* from = document.basic.Child("JIGYOUNENDOFROM");
    const XmlNode* to = document.basic.Child("JIGYOUNENDOTO");
    std::vector<int> months;
    if (!from || !to || from->text.size() != 8 || to->text.size() != 8) return months;
    int year = std::atoi(from->text.substr(0, 4).c_str());
    int month = std::atoi(from->text.substr(4, 2).c_str());
    const int lastYear = std::atoi(to->text.substr(0, 4).c_str());
    const int lastMonth = std::atoi(to->text.substr(4, 2).c_str());
    while (months.size() < 12 && (year < lastYear || (year == lastYear && month <= lastMonth))) {
        months.push_back(month);
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    return months;
}

}  // namespace

CheckResult OpenSuspense(const ReviewInputs& inputs) {
    CheckResult result;
    for (const StatementItem& item :
         ItemsWithRole(inputs.current, "BalanceSheet", AccountRole::kSuspense)) {
        if (item.amount == 0) continue;
        result.failures.push_back({ItemSide("貸借対照表", item),
                                   {"期末の残高", 0, {}},
                                   "仮勘定は決算までに本来の科目へ振り替えてください。"});
    }
    return result;
}

CheckResult ImpossibleBalances(const ReviewInputs& inputs) {
    using enum AccountRole;
    CheckResult result;
    const FigureSide zero{"残高の下限", 0, {}};
    for (const StatementItem& item : ItemsOf(inputs.current, "BalanceSheet")) {
        if (item.part != "Assets" || item.amount >= 0 || HasRole(item.label, kContra)) continue;
        result.failures.push_back({ItemSide("貸借対照表", item), zero,
                                   "資産がマイナスになることはありません。貸方への記帳や振替を"
                                   "確かめてください（当座借越は負債に振り替えます）。"});
    }
    for (const char* statement : {"IncomeStatement", "ScheduleCostGoodsManufactured"}) {
        const bool schedule = std::string(statement) == "ScheduleCostGoodsManufactured";
        for (const StatementItem& item : ItemsOf(inputs.current, statement)) {
            if ((!schedule && !IsCostSection(item)) || item.amount >= 0 ||
                HasRole(item.label, kContra))
                continue;
            result.failures.push_back(
                {ItemSide(schedule ? "製造原価報告書" : "損益計算書", item), zero,
                 "費用がマイナスになることはありません。前払・未払の振替や貸方への記帳を確かめて"
                 "ください。"});
        }
    }
    if (!inputs.ledger) return result;
    for (const AccountHistory& account : inputs.ledger->Accounts()) {
        const bool current = HasRole(account.label, kCurrentAccount);
        if (account.lowest >= 0 ||
            !(current || HasRole(account.label, kCash) || HasRole(account.label, kDeposit)))
            continue;
        Disagreement found{
            HistorySide(inputs.ledger->Source(), account, "（" + account.lowestDay + "の残高）",
                        account.lowest),
            zero,
            "現金・預金が日々の残高でマイナスになっています。記帳の日付や漏れを確かめてください。"};
        if (current) {
            found.note = "当座預金が期中にマイナスです。当座借越契約があれば問題ありません。";
            result.warnings.push_back(std::move(found));
        } else {
            result.failures.push_back(std::move(found));
        }
    }
    return result;
}

CheckResult OfficerPay(const ReviewInputs& inputs) {
    CheckResult result;
    if (!inputs.ledger) {
        result.notApplicable = kNoLedger;
        return result;
    }
    const auto accounts = inputs.ledger->WithRole(AccountRole::kOfficerPay);
    if (accounts.empty()) {
        result.notApplicable = "役員報酬の科目がありません";
        return result;
    }
    for (const AccountHistory* account : accounts) {
        // The fiscal year's months in their order, then any month a line gives outside them.
        std::vector<int> months = FiscalMonths(inputs.current);
        std::map<int, std::int64_t> monthly;
        for (int month : months) monthly[month] = 0;
        for (const HistoryLine& line : account->lines) {
            if (!monthly.contains(line.month)) months.push_back(line.month);
            monthly[line.month] += line.change;
        }
        // The amount most months pay is the agreed one.
        std::map<std::int64_t, int> counts;
        for (const auto& [month, amount] : monthly) ++counts[amount];
        const auto usual =
            std::max_element(counts.begin(), counts.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        if (usual == counts.end()) continue;
        for (int month : months) {
            const std::int64_t amount = monthly[month];
            if (amount == usual->first) continue;
            result.warnings.push_back(
                {HistorySide(inputs.ledger->Source(), *account,
                             "（" + std::to_string(month) + "月）", amount),
                 {"ほかの月の額", usual->first, {}},
                 "毎月同額でない役員報酬は損金に算入されません。事業年度開始から3か月以内の改定、"
                 "事前確定届出給与なら問題ありません。"});
        }
    }
    return result;
}

CheckResult DepreciationMovement(const ReviewInputs& inputs) {
    using enum AccountRole;
    CheckResult result;
    const ExportDocument& document = inputs.current;
    const std::vector<StatementItem> expense = CostsWithRole(document, kDepreciation);
    const auto accumulated = ItemsWithRole(document, "BalanceSheet", kAccumulatedDepreciation);
    const auto accounts = inputs.ledger ? inputs.ledger->WithRole(kAccumulatedDepreciation)
                                        : std::vector<const AccountHistory*>{};
    if (expense.empty() || (accumulated.empty() && accounts.empty())) {
        result.notApplicable = "減価償却費と減価償却累計額の両方の行がありません";
        return result;
    }
    const FigureSide booked{"決算書の減価償却費", SumOf(expense), review::LinesOf(expense)};
    if (!accounts.empty()) {
        // The accumulated depreciation stands as a negative line: it grows by negative changes.
        std::int64_t added = 0;
        for (const AccountHistory* account : accounts) {
            const int grows = account->opening <= 0 && account->closing <= 0 ? -1 : 1;
            for (const HistoryLine& line : account->lines) {
                if (line.change * grows > 0) added += line.change * grows;
            }
        }
        if (added != booked.amount)
            result.warnings.push_back(
                {booked,
                 {inputs.ledger->Source() + "の減価償却累計額の増加", added,
                  review::LinesOf(accounts)},
                 "直接法で償却した資産（ソフトウェアなど）があれば差が出ます。"
                 "償却費の計上先を確かめてください。"});
        return result;
    }
    if (!inputs.previous) {
        result.notApplicable = "総勘定元帳も前期のファイルもありません";
        return result;
    }
    const auto before = ItemsWithRole(*inputs.previous, "BalanceSheet", kAccumulatedDepreciation);
    const std::int64_t moved = -(SumOf(accumulated) - SumOf(before));
    if (moved != booked.amount)
        result.warnings.push_back(
            {booked,
             {"減価償却累計額の前期末からの増加", moved, {}},
             "当期に売却・除却した資産の累計額、直接法で償却した資産があれば差が出ます。"});
    return result;
}

CheckResult EntertainmentLimit(const ReviewInputs& inputs) {
    using enum AccountRole;
    CheckResult result;
    const ExportDocument& document = inputs.current;
    const auto capital = ItemsWithRole(document, "BalanceSheet", kCapital);
    if (capital.empty()) {
        result.notApplicable = "貸借対照表に資本金がありません";
        return result;
    }
    if (SumOf(capital) > kSmallCompanyCapital) {
        result.notApplicable = "資本金が1億円を超える会社には定額控除限度額がありません";
        return result;
    }
    const std::vector<StatementItem> spent = CostsWithRole(document, kEntertainment);
    // A year shorter than twelve months has its share of the limit.
    const std::size_t months = std::max<std::size_t>(FiscalMonths(document).size(), 1);
    const std::int64_t limit = kEntertainmentLimit * static_cast<std::int64_t>(months) / 12;
    const std::int64_t total = SumOf(spent);
    if (total <= limit) return result;
    result.warnings.push_back({{"決算書の交際費", total, review::LinesOf(spent)},
                               {"定額控除限度額", limit, {}},
                               "限度額を超える " + FormatYen(total - limit) +
                                   " 円は損金に算入されません（別表十五）。接待飲食費の50%を選ぶ"
                                   "こともできます。"});
    return result;
}

}  // namespace kcview
