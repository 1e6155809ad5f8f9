#include "tools/kcview/ProfitLines.h"

#include <limits>
#include <string_view>

namespace kcview {
namespace {

constexpr std::string_view kProfitLines[] = {"GrossProfit", "OperatingIncome", "OrdinaryIncome",
                                             "IncomeBeforeIncomeTaxes", "NetIncome"};
constexpr std::string_view kProfit = "利益";
constexpr std::string_view kLoss = "損失";

bool IsLoss(std::optional<std::int64_t> amount) {
    return amount && *amount < 0;
}

}  // namespace

bool IsProfitLine(const std::string& element) {
    for (std::string_view line : kProfitLines) {
        if (element == line) return true;
    }
    return false;
}

std::string LossLabel(const std::string& profitLabel) {
    const std::size_t at = profitLabel.rfind(kProfit);
    if (at == std::string::npos) return {};
    std::string loss = profitLabel;
    loss.replace(at, kProfit.size(), kLoss);
    return loss;
}

ShownProfit ShownProfitLine(const std::string& element, const std::string& label,
                            std::int64_t amount) {
    // The lowest amount has no magnitude in 64 bits; it keeps its sign.
    if (!IsProfitLine(element) || amount >= 0 || amount == std::numeric_limits<std::int64_t>::min())
        return {label, amount};
    const std::string loss = LossLabel(label);
    if (loss.empty()) return {label, amount};
    return {loss, -amount};
}

std::string ComparedProfitLabel(const std::string& element, const std::string& label,
                                std::optional<std::int64_t> current,
                                std::optional<std::int64_t> previous) {
    if (!IsProfitLine(element) || (!IsLoss(current) && !IsLoss(previous))) return label;
    const std::string loss = LossLabel(label);
    if (loss.empty()) return label;
    return label + "又は" + loss + "（△）";
}

}  // namespace kcview
