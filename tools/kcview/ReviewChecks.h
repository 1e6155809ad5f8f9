#pragma once

// The checks a reviewer runs beyond the file's own arithmetic: taxes settled, nothing left in
// suspense, no balance the books cannot hold, the statement of changes explained, and the
// amounts a tax return treats apart (officers' pay, depreciation, entertainment).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/kcview/Checks.h"

namespace kcview {

CheckResult ConsumptionTax(const ReviewInputs& inputs);
CheckResult CorporateTaxes(const ReviewInputs& inputs);
CheckResult OpenSuspense(const ReviewInputs& inputs);
CheckResult ImpossibleBalances(const ReviewInputs& inputs);
CheckResult ChangesAddUp(const ReviewInputs& inputs);
CheckResult OfficerPay(const ReviewInputs& inputs);
CheckResult DepreciationMovement(const ReviewInputs& inputs);
CheckResult EntertainmentLimit(const ReviewInputs& inputs);

// The gap between the payable consumption tax and what the year's taxes leave, that a
// simplified-tax company's books show by design: a larger one warns.
inline constexpr std::int64_t kConsumptionTaxTolerance = 1000;
// What a company of at most kSmallCompanyCapital yen of capital deducts of its entertainment.
inline constexpr std::int64_t kEntertainmentLimit = 8000000;
inline constexpr std::int64_t kSmallCompanyCapital = 100000000;

// Pieces the checks share.
namespace review {

// Why a figure computed from others of the file may miss the one written by what cutting each to
// whole yen lost: the note of that gap's warning.
inline constexpr char kCutFractions[] =
    "帳簿の金額に円未満の端数があります。ファイルは金額を一つずつ円未満切り捨てで書くため、"
    "計算した額と書かれた額がその端数の分ずれます。";

FigureSide ItemSide(const std::string& statement, const StatementItem& item);
FigureSide HistorySide(const std::string& source, const AccountHistory& account,
                       const std::string& what, std::int64_t amount);
// The items of the statements that play `role`.
std::vector<StatementItem> ItemsWithRole(const ExportDocument& document,
                                         const std::string& statement, AccountRole role);
std::int64_t SumOf(const std::vector<StatementItem>& items);
// The file's lines of statement items, or of ledger accounts (none for the books' accounts).
std::vector<int> LinesOf(const std::vector<StatementItem>& items);
std::vector<int> LinesOf(const std::vector<const AccountHistory*>& accounts);
// The last month of the file's fiscal year (JIGYOUNENDOTO), 0 when the file gives none.
int ClosingMonth(const ExportDocument& document);

}  // namespace review
}  // namespace kcview
