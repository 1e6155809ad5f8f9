#pragma once

// The checks a reviewer runs on an exported document before it is filed: that it ties out, that
// it equals the books, and that the books hold nothing a reviewer would send back (taxes not
// settled, suspense left open, impossible balances). Each check holds, fails, warns or is not
// applicable; only a failure makes --check fail.
//
// Every amount in the file is cut to whole yen, so a figure computed from n others may differ from
// the one written by less than one yen per term summed: such a gap is a warning that names its
// lines, never passed over.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/kcview/BooksReview.h"
#include "tools/kcview/ExportDocument.h"
#include "tools/kcview/LedgerFacts.h"

namespace kcview {

// One side of a disagreement: what the figure is, its amount, and the lines it comes from.
struct FigureSide {
    std::string what;
    std::int64_t amount = 0;
    std::vector<int> lines;
};

// Two figures that should agree and do not; `note` says where the gap comes from or what the
// reviewer does about it, when the check knows.
struct Disagreement {
    FigureSide left;
    FigureSide right;
    std::string note{};
};

// What a check found: its disagreements and warnings, or why the file's figures leave it nothing
// to compare (a chart without the accounts for its totals is valid; such a check is not
// applicable).
struct CheckResult {
    std::vector<Disagreement> failures;
    std::vector<Disagreement> warnings;
    std::string notApplicable;
};

// What the checks read: this year's file, and what the reviewer gave beside it.
struct ReviewInputs {
    const ExportDocument& current;
    const ExportDocument* previous = nullptr;  // last year's file (--previous)
    const LedgerFacts* ledger = nullptr;  // the year's accounts: the file's ledger or the books'
    const BooksReview* books = nullptr;   // the books the file came from (--books)
};

struct Check {
    const char* name;         // short and stable: the --check output's first word
    const char* title;        // the page's heading of the check
    const char* description;  // one line, as the guide explains it
    CheckResult (*run)(const ReviewInputs& inputs);
};

struct CheckOutcome {
    const Check* check;
    std::vector<Disagreement> failures;
    std::vector<Disagreement> warnings;
    std::string notApplicable;  // the reason, when the check could not be computed
};

// Every check, in the order the page and --check show them.
const std::vector<Check>& AllChecks();
std::vector<CheckOutcome> RunChecks(const ReviewInputs& inputs);
// This year's file alone (tests, and a review without anything beside the file).
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
