#pragma once

#include <ostream>
#include <string>

namespace books {

// `kcbooks show`: the data sets, users and counts of a store, and per data set a trial balance
// and the balance sheet's totals. False when the store cannot be read or `out` cannot be
// written.
bool ShowStore(const std::string& storePath, std::ostream& out, std::string* error);

// A count of ten-thousandths as yen: "1,234", "-5.5", "0.0001".
std::string FormatYen(long long tenThousandths);

}  // namespace books
