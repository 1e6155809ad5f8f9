// What kcoffice.exe's window offers before the user changes anything: the last month that has
// ended, and the folder 決算書 beside the clients' folder, on this host's paths.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "native/Calls.h"
#include "tools/kcoffice/WindowDefaults.h"

namespace {

TEST(OfficeWindowDefaults, TheMonthIsTheLastOneThatHasEnded) {
    const struct {
        std::int32_t today;
        std::int32_t month;
    } kCases[] = {
        {20261209, 202611}, {20261201, 202611}, {20261231, 202611}, {20270101, 202612},
        {20270131, 202612}, {20260301, 202602}, {20260401, 202603},
    };
    for (const auto& c : kCases) EXPECT_EQ(office::LastEndedMonth(c.today), c.month) << c.today;
}

TEST(OfficeWindowDefaults, TheOutputsGoBesideTheClientsFolder) {
    const std::string office = native::Joined("事務所", "");  // "事務所" and a separator
    const struct {
        std::string clients;
        std::string output;
    } kCases[] = {
        {office + "顧問先", office + "決算書"},
        {office + "顧問先" + office.substr(office.size() - 1), office + "決算書"},
        {native::Joined(office + "令和8年", "顧問先"),
         native::Joined(office + "令和8年", "決算書")},
        {"顧問先", "決算書"},
    // A drive's root or the root has no folder above it: the outputs go inside.
#ifdef _WIN32
        {"C:\\", "C:\\決算書"},
#else
        {"/", "/決算書"},
#endif
    };
    for (const auto& c : kCases)
        EXPECT_EQ(office::DefaultOfficeFolder(c.clients), c.output) << c.clients;
}

}  // namespace
