#pragma once

// This year's export beside last year's: the statements' lines matched across the two files, the
// changes worth a second look, and the check that last year's closing net assets are this year's
// opening ones.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kcview/Checks.h"
#include "tools/kcview/ExportDocument.h"

namespace kcview {

// A change is marked when it reaches both bounds: a share of last year's figure and an amount.
struct ChangeThreshold {
    double percent = 30;
    std::int64_t yen = 1000000;
};

// "20%,500000": the per cent (a decimal fraction allowed) and whole yen without separators.
std::optional<ChangeThreshold> ParseChangeThreshold(std::string_view text);

// This year's figure against last year's; a line the other year's file does not have is nullopt.
// A line that is new or gone changes from or to nothing, which is 0 yen: only the yen bound can
// decide it, since no share of nothing can be taken.
bool IsMarkedChange(std::optional<std::int64_t> current, std::optional<std::int64_t> previous,
                    const ChangeThreshold& threshold);

enum class LineKind { Heading, Item, Total };

// A line of a statement with both years' figures.
struct ComparedLine {
    std::string label;
    int depth = 1;
    LineKind kind = LineKind::Item;
    std::optional<std::int64_t> current;   // nullopt: the line is not in this year's file
    std::optional<std::int64_t> previous;  // nullopt: the line is not in last year's file
    bool marked = false;
    std::string anchor;  // the element id the list of marked changes links to
};

struct ComparedStatement {
    std::string id;     // the section's id on the page
    std::string title;  // 貸借対照表 …
    std::vector<ComparedLine> lines;
};

struct Comparison {
    ChangeThreshold threshold;
    std::string previousFrom;  // yyyymmdd, last year's period
    std::string previousTo;
    std::vector<ComparedStatement> statements;
};

Comparison CompareYears(const ExportDocument& current, const ExportDocument& previous,
                        const ChangeThreshold& threshold);

// Why `previous` cannot be this year's previous year (in English, for the error output), or
// empty when its fiscal year ends the day before this one starts.
std::string PrecedingYearProblem(const ExportDocument& current, const ExportDocument& previous);

// The check that each column's opening balance in this year's changes in net assets is the
// closing balance of last year's; not applicable without last year's file.
CheckResult CarriedForward(const ReviewInputs& inputs);

}  // namespace kcview
