#pragma once

// What kcoffice.exe's window offers before the user changes anything: the month whose clients
// are due, and the folder their outputs go to.

#include <cstdint>
#include <string>

namespace office {

// The last month that has ended on `today` (yyyymmdd), as yyyymm: on 2026-12-09 it is 202611,
// in January the December before.
std::int32_t LastEndedMonth(std::int32_t today);

// The folder named 決算書 beside the clients' folder (`clients` with or without a separator at
// its end); inside it when it has no folder above it (a drive's root).
std::string DefaultOfficeFolder(const std::string& clients);

}  // namespace office
