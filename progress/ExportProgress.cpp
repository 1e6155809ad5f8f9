#include "progress/ExportProgress.h"

#include <algorithm>

const ExportProgress::Marks ExportProgress::kWithLedger{100, 400, 1000, 1050, 1100, 9800, 9900};
// Without the ledger the summaries cursor is most of the run; there is no ledger span.
const ExportProgress::Marks ExportProgress::kWithoutLedger{1000, 6000, 8000, 8500,
                                                           9000, 9000, 9900};

void ExportProgress::Start() {
    marks_ = &kWithoutLedger;
    moved_ = false;
    position_ = 0;
    accounts_ = 0;
    accountsDone_ = 0;
    ledgerOpen_ = false;
    ledgerPosition_ = 0;
    ledgerLinesRead_ = 0;
    dialog_.StartOverall();
}

void ExportProgress::MoveTo(int position) {
    position = std::min(position, ProgressDialog::kOverallEnd);
    if (moved_ && position <= position_) return;
    dialog_.Advance(static_cast<std::int16_t>(moved_ ? position_ + 1 : 0),
                    static_cast<std::int16_t>(position));
    moved_ = true;
    position_ = position;
}

void ExportProgress::SummariesStarted(bool withLedger) {
    marks_ = withLedger ? &kWithLedger : &kWithoutLedger;
    MoveTo(0);
}

void ExportProgress::SummariesCursorMade() {
    MoveTo(marks_->cursorMade);
}

void ExportProgress::SummariesCounted(std::uint32_t accounts) {
    accounts_ = accounts;
    accountsDone_ = 0;
    MoveTo(marks_->summariesCounted);
}

void ExportProgress::AccountDone() {
    if (accountsDone_ >= accounts_) return;
    ++accountsDone_;
    const std::int64_t span = marks_->accountsDone - marks_->summariesCounted;
    MoveTo(marks_->summariesCounted + static_cast<int>(span * accountsDone_ / accounts_));
}

void ExportProgress::AccountsDone() {
    MoveTo(marks_->accountsDone);
}

void ExportProgress::SystemWritten() {
    MoveTo(marks_->systemWritten);
}

void ExportProgress::BasicWritten() {
    MoveTo(marks_->basicWritten);
    ledgerOpen_ = true;
    ledgerPosition_ = position_;
    ledgerLinesRead_ = 0;
}

void ExportProgress::LedgerRead(const LedgerTally& tally) {
    if (!ledgerOpen_ || tally.linesRead <= ledgerLinesRead_) return;
    const double read = static_cast<double>(tally.linesRead - ledgerLinesRead_);
    const double ahead = static_cast<double>(tally.LinesAhead());
    // With nothing ahead the span is done, whatever the rounding of the shares before.
    ledgerPosition_ = ahead == 0 ? marks_->ledgerRead
                                 : ledgerPosition_ + (marks_->ledgerRead - ledgerPosition_) * read /
                                                         (read + ahead);
    ledgerLinesRead_ = tally.linesRead;
    MoveTo(static_cast<int>(ledgerPosition_));
}

void ExportProgress::DataWritten() {
    ledgerOpen_ = false;
    MoveTo(marks_->dataWritten);
}

void ExportProgress::FileInPlace() {
    MoveTo(ProgressDialog::kOverallEnd);
}
