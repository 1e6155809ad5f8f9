#pragma once

// The checks that an exported document ties out. Every amount in the file is cut to whole yen,
// so a figure computed from n others may differ from the one written by less than one yen per
// term summed: a check allows exactly that and no more.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/kcview/ExportDocument.h"

namespace kcview {

// One side of a disagreement: what the figure is, its amount, and the lines it comes from.
struct FigureSide {
    std::string what;
    std::int64_t amount = 0;
    std::vector<int> lines;
};

struct Disagreement {
    FigureSide left;
    FigureSide right;
};

// What a check found: its disagreements, or why the file's figures leave it nothing to compare
// (a chart without the accounts for its totals is valid; such a check is not applicable).
struct CheckResult {
    std::vector<Disagreement> failures;
    std::string notApplicable;
};

struct Check {
    const char* name;         // short and stable: the --check output's first word
    const char* title;        // the page's heading of the check
    const char* description;  // one line, as the README explains it
    CheckResult (*run)(const ExportDocument& document);
    // A check of this year against last year's file, in place of `run`.
    CheckResult (*compare)(const ExportDocument& current, const ExportDocument* previous) = nullptr;
};

struct CheckOutcome {
    const Check* check;
    std::vector<Disagreement> failures;
    std::string notApplicable;  // the reason, when the check could not be computed
};

// Every check, in the order the page and --check show them.
const std::vector<Check>& AllChecks();
// `previous`: last year's file, or nullptr when none is given.
std::vector<CheckOutcome> RunChecks(const ExportDocument& document,
                                    const ExportDocument* previous = nullptr);

// a + b, or nothing when the sum does not fit 64 bits.
std::optional<std::int64_t> CheckedSum(std::int64_t a, std::int64_t b);

// 1 when `difference` is what cutting `terms` summed figures to whole yen can cause.
bool WithinTruncation(std::int64_t difference, std::size_t terms);

// "資産合計 88097675 (36行目)"; lines listed up to a few, else their range.
// "what amount (lines)": the amount as digits (the console's lines, for scripts), or for a
// person (`grouped`) with thousands separators and △ as the page writes it.
std::string DescribeSide(const FigureSide& side, bool grouped = false);

}  // namespace kcview
