#pragma once

// The review page: one self-contained UTF-8 HTML document with inline CSS and no script, the
// checks' results at its top, the statements, the notes and the general ledger collapsed. It is
// also the working paper an accountant prints for the client's file: on A4, each statement on a
// page of its own under a running header of the company and the year, the pages numbered.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kcview/Checks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ExportDocument.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/NoteTitles.h"
#include "tools/kcview/SectionHeadings.h"

namespace kcview {

// The style sheet's part every page of the system shares: colours, font, the heading.
std::string_view BaseStyle();

// Whole yen with thousands separators, a negative amount after △ ("△1,234").
std::string FormatYen(std::int64_t amount);

// Text of the file made safe for the page.
std::string EscapedHtml(std::string_view text);

// Where the page goes, piece by piece: false when a piece could not be written.
using PageOut = std::function<bool(std::string_view)>;
// Reads the exported file again, handing each account of its ledger, with its lines, to the sink.
using LedgerReading = std::function<ReadResult(const LedgerAccountSink&)>;

// Writes the page of `document` through `out`, its ledger's lines from a second reading, so that
// neither the page nor the ledger is ever whole in memory. With `comparison`, the statements are
// shown beside last year's and the marked changes listed under the checks. False when `out`
// failed, or when the second reading differs from the first (`*error` then says so). The notes
// are headed by `noteTitles` where it has a title, else by the page's own table (NoteTitles.h).
bool WritePage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes,
               const Comparison* comparison, const LedgerReading& readLedger, const PageOut& out,
               std::string* error, const NoteTitles* noteTitles = nullptr);

// The whole page in one string (a small file's, for tests); empty when the readings differ.
std::string RenderPage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes,
                       const LedgerReading& readLedger, const Comparison* comparison = nullptr,
                       const NoteTitles* noteTitles = nullptr);

}  // namespace kcview
