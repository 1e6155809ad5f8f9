#pragma once

// The review page: one self-contained UTF-8 HTML document with inline CSS and no script, the
// checks' results at its top, the statements, the notes and the general ledger collapsed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/view/Checks.h"
#include "tools/view/Comparison.h"
#include "tools/view/ExportDocument.h"

namespace kcview {

// Whole yen with thousands separators, a negative amount after △ ("△1,234").
std::string FormatYen(std::int64_t amount);

// Text of the file made safe for the page.
std::string EscapedHtml(std::string_view text);

// The heading of a statement's section element ("CurrentAssets" is 流動資産).
std::string SectionHeading(const std::string& element);

// With `comparison`, the statements are shown beside last year's, and the marked changes listed
// under the checks.
std::string RenderPage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes,
                       const Comparison* comparison = nullptr);

}  // namespace kcview
