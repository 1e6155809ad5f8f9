#pragma once

// The year's accounts as the books hold them, for the checks that read a ledger when the file
// was exported without its own: each posting account's lines from the store's ledger (the journal
// lines by account, in date order), written as the file's general ledger writes them.

#include <cstdint>
#include <vector>

#include "books/Store.h"
#include "tools/kcview/BooksReview.h"
#include "tools/kcview/LedgerFacts.h"

namespace kcview {

// How the data set keeps its amounts, and which accounts take the consumption tax of a line.
struct TaxBasis {
    bool inclusive = false;      // amounts with tax: the tax stays on the line's accounts
    std::int32_t inputTax = 0;   // the input-tax account (0 when none)
    std::int32_t outputTax = 0;  // the output-tax account (0 when none)
};

// Adds to `facts`, in the chart's order, one history per posting account of `accounts` that has
// an opening or lines in data set `dataNo`: the day in the era form ("令和7年4月15日"), each
// line's change in whole yen cut as the export cuts it, positive when the balance grows on the
// account's own side, and the counter-account's label (諸口 where the file's ledger writes it).
// Lines that move nothing are left out, as the file leaves them out. False on a store error.
bool ReadBooksLedger(books::Database& db, std::int64_t dataNo, const TaxBasis& tax,
                     const std::vector<BooksAccount>& accounts, LedgerFacts* facts);

}  // namespace kcview
