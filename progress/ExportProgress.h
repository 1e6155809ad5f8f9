#pragma once

// The export's plan on the progress window's overall bar of 0 to 10,000 positions. The
// aggregation and the writer say which phase they reached; the plan alone knows where each
// phase stands on the bar:
//
//   summaries    0 to 4000 in three spans as the summaries cursor is made, prepared and counted;
//                a tenth of that, 0 to 400, when the general ledger is written too
//   accounts     with the ledger only: 7000 / n positions per account (n the accounts counted,
//                the quotient cut to a whole number) while the plan stands below 7000
//   accounts end 1000 more
//   SYSTEM       1000 more, BASIC 1000 more
//   DATA         the rest, to 10,000
//
// A span names both its ends and the bar moves by one for each of its positions, so spans that
// share an end count it twice and the bar reaches 10,000 before DATA ends; it stops there. The
// accounts' shares start at 400 and stop once the plan reaches 7000, so a few accounts take it
// to 7400 and BASIC ends near 10,400, past the bar's end, where the caption stays at 100 %. With
// more than 7000 accounts a share is no position at all, yet each account still moves the bar
// by one (a span of a single position). The detail bar sweeps once per summary, per ledger line
// read and per element the writer reports.

#include <cstdint>

#include "progress/ProgressDialog.h"

class ExportProgress {
public:
    explicit ExportProgress(ProgressDialog& dialog) : dialog_(dialog) {}

    // The overall bar at 0, the plan at its start.
    void Start();

    // --- the aggregation
    // Before the summaries cursor is made; `withLedger` gives the ledger its share of the bar.
    void SummariesStarted(bool withLedger);
    void SummariesCursorMade();
    // The accounts' share: 7000 / `accounts` positions each.
    void SummariesCounted(std::uint32_t accounts);
    // One account aggregated (and its ledger collected or noted).
    void AccountDone();
    void AccountsDone();

    // --- the writer
    void SystemWritten();
    void BasicWritten();
    void DataWritten();

    // One sweep of the detail bar: a summary, a ledger line, an element written.
    void Pulse() { dialog_.PulseDetail(); }

private:
    // Moves the bar over from..to, both ends included, and the plan to `to`.
    void MoveTo(int from, int to);

    ProgressDialog& dialog_;
    // The divisor of the summaries' spans: 10 with the ledger, else 1.
    int summariesDivisor_ = 1;
    bool withLedger_ = false;
    // Where the plan stands, which is not where the bar stands (spans share their ends).
    int position_ = 0;
    int accountShare_ = 1;
};
