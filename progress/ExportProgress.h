#pragma once

// The export's plan on the progress window's overall bar of 0 to 10,000 positions. The
// aggregation and the writer say which phase they reached, and the writer how far the general
// ledger's reading stands; the plan alone knows where each phase stands on the bar. Each phase
// takes about the share of the run it takes at every size of books, so that the bar stands at
// its end only when the file is all but written:
//
//                   with the ledger                    without it
//   cursor made     100                                1000
//   summaries       400                                6000
//   accounts        to 1000, an equal share each       to 8000, an equal share each
//   SYSTEM, BASIC   1050, 1100                         8500, 9000
//   the ledger      to 9800 as its lines are read      -
//   DATA            9900                               9900
//   in place        10,000                             10,000
//
// The file is in place once the system has it all on the disk: for a big file a wait of its
// own, which the bar spends at 99 %.
//
// The ledger is most of a big export's run (the books are read and the lines written as it is
// written), and how many lines it holds is known only once its last account is opened. Each time
// the writer takes a line, the room left on the ledger's span is shared out between the lines
// read since and the lines still ahead by the reader's latest estimate (LedgerTally): the bar
// never goes back, never jumps, and reaches the ledger's end with its last line. With the ledger
// collected beforehand, its lines are read in the accounts' share and written in the ledger's.
//
// The bar never goes back. Its first move starts at position 0, a position of its own, so the bar
// stands one past the plan from then on (it stops at its end). The detail bar sweeps once per
// summary, per ledger line read, per element the writer reports and per position the bar moves.

#include <cstdint>

#include "progress/LedgerTally.h"
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
    // The accounts' share, split equally among `accounts`.
    void SummariesCounted(std::uint32_t accounts);
    // One account aggregated (and its ledger collected or noted).
    void AccountDone();
    void AccountsDone();

    // --- the writer
    void SystemWritten();
    void BasicWritten();
    // The general ledger's reading as it stands when the writer takes a line (or its end).
    void LedgerRead(const LedgerTally& tally);
    void DataWritten();
    // The file is on the disk and in the target's place.
    void FileInPlace();

    // One sweep of the detail bar: a summary, a ledger line, an element written.
    void Pulse() { dialog_.PulseDetail(); }

    // Where the plan stands.
    int Position() const { return position_; }

private:
    // Where each phase ends on the bar.
    struct Marks {
        int cursorMade;
        int summariesCounted;
        int accountsDone;
        int systemWritten;
        int basicWritten;
        int ledgerRead;
        int dataWritten;
    };
    static const Marks kWithLedger;
    static const Marks kWithoutLedger;

    // Moves the bar on to `position`; never back, never past the end.
    void MoveTo(int position);

    ProgressDialog& dialog_;
    const Marks* marks_ = &kWithoutLedger;
    bool moved_ = false;
    int position_ = 0;
    std::uint32_t accounts_ = 0;
    std::uint32_t accountsDone_ = 0;
    // The ledger's span: open once BASIC is written, where the plan stands on it (in fractions
    // of a position, so that many small steps add up) and the lines read so far.
    bool ledgerOpen_ = false;
    double ledgerPosition_ = 0;
    std::uint64_t ledgerLinesRead_ = 0;
};
