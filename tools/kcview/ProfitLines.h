#pragma once

// The profit lines of the income statement (売上総利益, 営業利益, 経常利益, 税引前当期純利益,
// 当期純利益) when they are losses. The file writes a loss as a negative amount under the profit's
// label. A Japanese statement prints it under the loss's label with its magnitude (当期純損失
// 1,234,567), not as the profit with a minus (当期純利益 △1,234,567): that is the form the page
// takes. Beside last year's figure, where one year may be a profit and the other a loss, the
// line is labelled for both (当期純利益又は当期純損失（△）) and a loss keeps its △, as comparative
// statements print it.

#include <cstdint>
#include <optional>
#include <string>

namespace kcview {

struct ShownProfit {
    std::string label;
    std::int64_t amount = 0;
};

// Whether `element` is one of the income statement's profit lines.
bool IsProfitLine(const std::string& element);

// "当期純損失" for "当期純利益": the last 利益 of the label made 損失; empty when the label has
// none.
std::string LossLabel(const std::string& profitLabel);

// The line as the page prints it. A label without 利益 (当期純損益) cannot be turned, and keeps the
// signed amount, so a loss is never shown as a profit.
ShownProfit ShownProfitLine(const std::string& element, const std::string& label,
                            std::int64_t amount);

// The label of a profit line shown for two years.
std::string ComparedProfitLabel(const std::string& element, const std::string& label,
                                std::optional<std::int64_t> current,
                                std::optional<std::int64_t> previous);

}  // namespace kcview
