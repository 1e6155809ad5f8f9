#pragma once

// The books an exported file came from, as the review reads them (--books STORE): how the books
// keep consumption tax, the trial balance of the file's year computed from the journal lines, and
// the year's accounts for the checks that read a ledger.
//
// The figures are the books' own: every journal line of the year (the interim and year-end
// settlements among them) added to the openings, account by account, never the summaries the
// export aggregates. A file whose figures disagree with them was exported wrongly or from other
// books. Texts are UTF-8, written as the export writes them.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/kcview/LedgerFacts.h"
#include "tools/kcview/NoteTitles.h"

namespace kcview {

// An account of the chart over the year, in ten-thousandths of a yen: a posting account with its
// sub-accounts folded in, or a total over the posting accounts its masks cover.
struct BooksAccount {
    std::int32_t code = 0;
    std::string name;   // its formal name as the statements write it (30 bytes, marks removed)
    std::string label;  // its statement label, written the same way; empty when it has none
    std::uint32_t nature = 0;
    int flag = 0;  // 0 posting, 1 posting and not listed, 2 total, 3 total listed as an item
    bool debitSide = true;
    std::int64_t openingDebit = 0;
    std::int64_t openingCredit = 0;
    std::int64_t debits = 0;  // the year's journal lines
    std::int64_t credits = 0;
    // On the account's own side: positive when it holds a balance of its kind.
    std::int64_t opening = 0;
    std::int64_t closing = 0;
    bool fits = true;  // false when a sum left 64 bits: no figure of the file can agree

    bool IsTotal() const { return flag == 2 || flag == 3; }
    // Whether the statements list it as an item when it is not zero.
    bool Listed() const { return flag == 0 || flag == 3; }
};

// A column of the statement of changes in net assets as the export writes it from these figures:
// each account cut to whole yen before it is added.
struct BooksColumn {
    std::string name;  // as the file's AccountList writes it
    std::int64_t previous = 0;
    std::int64_t change = 0;
    std::int64_t current = 0;
    std::int64_t netIncome = 0;  // the retained earnings' column only
};

struct BooksReview {
    std::string store;  // the store's path, as the reviewer gave it
    bool taxExclusive = false;
    std::string company{};  // the data set's name, as the file writes it
    std::int32_t periodFrom = 0;
    std::int32_t periodTo = 0;
    std::vector<BooksAccount> accounts{};  // the chart's order, sub-accounts folded in
    std::vector<BooksColumn> columns{};    // only those the export writes (some figure not 0)
    // Every posting account with an opening or lines, its lines as the file's ledger writes them.
    LedgerFacts ledger{"帳簿"};
    // The books' own titles of the notes, by the element the file writes each note as.
    NoteTitles noteTitles{};
};

// Whole yen of an amount in ten-thousandths, cut toward zero as the export cuts every figure.
inline std::int64_t WholeYen(std::int64_t tenThousandths) {
    return tenThousandths / 10000;
}

}  // namespace kcview
