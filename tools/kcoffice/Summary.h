#pragma once

// The month's summary: one page (index.html, Japanese, in the look of kcview's page) and the same
// rows as CSV (index.csv, for the office's own spreadsheet), a row per client, the clients to
// look at first on top.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/kcoffice/Record.h"

namespace office {

// Refused clients first, then those with a failed check, then those with warnings, then the
// rest; by the client's folder name within each.
void SortForReview(std::vector<Row>& rows);

std::string SummaryPage(const std::vector<Row>& rows, std::int32_t yyyymm);
// UTF-8 with its byte-order mark, so that a spreadsheet on Windows reads the names as they are;
// CR LF line ends.
std::string SummaryCsv(const std::vector<Row>& rows);

}  // namespace office
