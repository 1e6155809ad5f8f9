#pragma once

// The category the general ledger writes beside each account (流動資産, 販管費 …), from its
// nature code. The export writes it (report/LedgerSection.cpp); kcview gives the books' accounts
// the same. Shift_JIS.

#include <cstdint>

namespace ledger_category {

// The first row of the table whose mask the nature holds; "" when none does.
const char* CategoryOf(std::uint32_t nature);

}  // namespace ledger_category
