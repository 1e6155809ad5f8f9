#pragma once

// The books an exported file came from, as the review reads them (--books STORE): how the books
// keep consumption tax, the trial balance of the file's year computed from the journal lines, and
// the year's accounts for the checks that read a ledger.

#include <string>

namespace kcview {

struct BooksReview {
    std::string store;  // the store's path, as the reviewer gave it
    bool taxExclusive = false;
};

}  // namespace kcview
