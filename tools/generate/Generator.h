#pragma once

// Generated books for benchmarks and tests: a manufacturing company's year of bookings, as
// large as asked for, written in the import format so that `kcbooks import` reads them like
// any hand-kept books.

#include <cstdint>
#include <string>

struct GenerateOptions {
    // Journal entries to write, settlement entries included. Opening balances grow with the
    // books; every sum stays within 64-bit ten-thousandths up to about a billion entries.
    std::uint64_t entries = 1000;
    // The same (entries, seed) always gives the same files, byte for byte.
    std::uint64_t seed = 1;
    // Sets the books' tax_inclusive flag; the bookings themselves are the same either way.
    bool taxInclusive = false;
    // Interim settlement entries (month position 15) at the end of September; books that hold
    // them close an interim period (interim_closing 1). Books of fewer than 40 entries have no
    // settlements.
    bool interimSettlement = true;
    // Memo bookings on the two accounts outside the aggregation.
    bool outsidePostings = true;
    // The fiscal year's last month, yyyymm: the books keep the twelve months that end with it
    // (an office's clients close in every month; a year and the year before make two exports).
    std::int32_t yearEnd = 202603;
};

// Writes company.csv, users.csv, accounts.csv, openings.csv, journal.csv and
// notes/GEN001/{switch,layout,body}.txt as the new folder `dir` (none may stand there, or an
// empty one): all of it or nothing, through the floor's temporary folder. A failure is raised as
// native::Failure naming DIR or the file in it.
void GenerateBooks(const std::string& dir, const GenerateOptions& options);
