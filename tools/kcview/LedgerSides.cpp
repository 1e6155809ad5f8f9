#include "tools/kcview/LedgerSides.h"

#include <limits>
#include <string_view>

namespace kcview {
namespace {

struct CategorySide {
    std::string_view category;
    NormalSide side;
};

// The categories the export writes (report/LedgerSection.cpp). 差引損益 holds the income taxes,
// an expense; 営業損益, 経常損益 and 特別損益 hold no account of a known side.
constexpr CategorySide kCategories[] = {
    {"流動資産", NormalSide::Debit},
    {"固定資産", NormalSide::Debit},
    {"繰延資産", NormalSide::Debit},
    {"資産の部", NormalSide::Debit},
    {"流動負債", NormalSide::Credit},
    {"固定負債", NormalSide::Credit},
    {"負債の部", NormalSide::Credit},
    {"株主資本", NormalSide::Credit},
    {"評価･換算差額等", NormalSide::Credit},
    {"評価・換算差額等", NormalSide::Credit},
    {"新株予約権", NormalSide::Credit},
    {"純資産の部", NormalSide::Credit},
    {"負債・純資産合計", NormalSide::Credit},
    {"売上高", NormalSide::Credit},
    {"売上原価", NormalSide::Debit},
    {"販管費", NormalSide::Debit},
    {"営業外収益", NormalSide::Credit},
    {"営業外費用", NormalSide::Debit},
    {"特別利益", NormalSide::Credit},
    {"特別損失", NormalSide::Debit},
    {"差引損益", NormalSide::Debit},
    {"材料費", NormalSide::Debit},
    {"労務費", NormalSide::Debit},
    {"製造経費", NormalSide::Debit},
    {"仕掛品", NormalSide::Debit},
    {"製造原価", NormalSide::Debit},
};

NormalSide Other(NormalSide side) {
    return side == NormalSide::Debit ? NormalSide::Credit : NormalSide::Debit;
}

// -amount; the lowest amount has no opposite in 64 bits and keeps its sign.
std::int64_t Negated(std::int64_t amount) {
    return amount == std::numeric_limits<std::int64_t>::min() ? amount : -amount;
}

}  // namespace

NormalSide NormalSideOf(const std::string& category) {
    for (const CategorySide& row : kCategories) {
        if (category == row.category) return row.side;
    }
    return NormalSide::Unknown;
}

LedgerSides SidesOf(const std::string& category, std::int64_t opening, std::int64_t closing) {
    const NormalSide side = NormalSideOf(category);
    if (side == NormalSide::Unknown) return {};
    const bool contra = opening <= 0 && closing <= 0 && (opening != 0 || closing != 0);
    return {side, contra ? Other(side) : side};
}

LedgerAmounts AmountsOf(const LedgerSides& sides, std::int64_t change) {
    if (sides.category == NormalSide::Unknown) return {std::nullopt, std::nullopt, change};
    const bool normal = change >= 0;
    const std::int64_t amount = normal ? change : Negated(change);
    const NormalSide side = normal ? sides.category : Other(sides.category);
    if (side == NormalSide::Debit) return {amount, std::nullopt, std::nullopt};
    return {std::nullopt, amount, std::nullopt};
}

std::int64_t ShownBalance(const LedgerSides& sides, std::int64_t balance) {
    return sides.balance == sides.category ? balance : Negated(balance);
}

}  // namespace kcview
