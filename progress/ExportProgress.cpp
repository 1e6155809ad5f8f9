#include "progress/ExportProgress.h"

namespace {

constexpr int kSummariesEnd = 4000;
constexpr int kAccountsEnd = 7000;
constexpr int kBlock = 1000;

}  // namespace

void ExportProgress::Start() {
    summariesDivisor_ = 1;
    withLedger_ = false;
    position_ = 0;
    accountShare_ = 1;
    dialog_.StartOverall();
}

// The plan never passes 10,400 (7400 after the accounts and three blocks), well within the
// dialog's 16-bit positions.
void ExportProgress::MoveTo(int from, int to) {
    dialog_.Advance(static_cast<std::int16_t>(from), static_cast<std::int16_t>(to));
    position_ = to;
}

void ExportProgress::SummariesStarted(bool withLedger) {
    withLedger_ = withLedger;
    summariesDivisor_ = withLedger ? 10 : 1;
    MoveTo(0, 1000 / summariesDivisor_);
}

void ExportProgress::SummariesCursorMade() {
    MoveTo(1000 / summariesDivisor_, 3000 / summariesDivisor_);
}

void ExportProgress::SummariesCounted(std::uint32_t accounts) {
    MoveTo(3000 / summariesDivisor_, kSummariesEnd / summariesDivisor_);
    // Without accounts there is no share to take: the one set before stands, unused.
    if (accounts > 0)
        accountShare_ = static_cast<int>(static_cast<std::uint32_t>(kAccountsEnd) / accounts);
}

void ExportProgress::AccountDone() {
    if (!withLedger_ || position_ >= kAccountsEnd) return;
    MoveTo(position_, position_ + accountShare_);
}

void ExportProgress::AccountsDone() {
    MoveTo(position_, position_ + kBlock);
}

void ExportProgress::SystemWritten() {
    MoveTo(position_, position_ + kBlock);
}

void ExportProgress::BasicWritten() {
    MoveTo(position_, position_ + kBlock);
}

void ExportProgress::DataWritten() {
    MoveTo(position_, ProgressDialog::kOverallEnd);
}
