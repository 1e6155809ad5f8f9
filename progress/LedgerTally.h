#pragma once

#include <cmath>
#include <cstdint>

// How far the reading of the general ledger stands, as its reader knows it: the lines read so
// far, and what the accounts opened so far tell of the lines still to come. The books tell an
// account's number of lines only when its ledger is opened; of the others the summaries tell
// their movement (debits and credits) over the period. Their lines are estimated at the lines per
// yen of movement of the opened ones, or, where those moved nothing, at their average per
// account.
struct LedgerTally {
    std::uint64_t linesRead = 0;     // every line the books handed over, written or left out
    std::uint64_t linesCounted = 0;  // the lines of the ledgers opened so far
    std::uint32_t accountsOpened = 0;
    std::uint32_t accounts = 0;  // the accounts whose ledger is read, opened or not
    double movementOpened = 0;   // the opened accounts' movement
    double movement = 0;         // all the accounts' movement, opened or not

    // The lines still to read: the rest of the opened ledgers' and the estimate of the others'.
    std::uint64_t LinesAhead() const {
        const std::uint64_t opened = linesCounted > linesRead ? linesCounted - linesRead : 0;
        if (accountsOpened == 0 || accounts <= accountsOpened) return opened;
        if (movementOpened > 0 && movement > movementOpened) {
            // Rounded up: accounts that move yen are never taken for accounts without lines.
            return opened + static_cast<std::uint64_t>(std::ceil((movement - movementOpened) *
                                                                 static_cast<double>(linesCounted) /
                                                                 movementOpened));
        }
        if (movementOpened > 0) return opened;
        return opened + (accounts - accountsOpened) * linesCounted / accountsOpened;
    }
};
