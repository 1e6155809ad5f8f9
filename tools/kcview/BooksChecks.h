#pragma once

// The file against the books it came from (--books): every figure of the statements and of the
// statement of changes equals the books' own figure of the same account or total, computed from
// the journal lines; an account the books hold that the file does not show fails too.

#include "tools/kcview/Checks.h"

namespace kcview {

CheckResult BooksAgree(const ReviewInputs& inputs);

}  // namespace kcview
