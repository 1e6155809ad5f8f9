#pragma once

// The review page: one self-contained UTF-8 HTML document with inline CSS and no script, the
// checks' results at its top, the statements, the notes and the general ledger collapsed.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/view/Checks.h"
#include "tools/view/ExportDocument.h"

namespace kcview {

// Whole yen with thousands separators, a negative amount after △ ("△1,234").
std::string FormatYen(std::int64_t amount);

std::string RenderPage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes);

}  // namespace kcview
