// The general ledger: one block per account that has ledger lines, with its lines. The figures
// and the ledger lines come in the same account order, so the section is a merge of the two.

#include <charconv>
#include <cstring>
#include <memory>
#include <string>

#include "common/AccountCategory.h"
#include "report/ReportWriter.h"

namespace {

std::string Yen(std::int64_t tenThousandths) {
    return std::to_string(tenThousandths / 10000);
}

// A whole number as decimal text into `buffer`; the text's start.
const char* Decimal(std::int64_t value, char (&buffer)[24]) {
    auto end = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value).ptr;
    *end = '\0';
    return buffer;
}

}  // namespace

namespace {

// The collected ledger lines, read in order.
class CollectedLines : public LedgerLineSource {
public:
    explicit CollectedLines(const LedgerLineList& lines) : lines_(lines) {}
    int Next(LedgerLine* line) override {
        if (next_ >= lines_.size()) return 0;
        *line = lines_[next_++];
        return 1;
    }
    // Collected, the ledger is counted whole.
    LedgerTally Tally() const override { return LedgerTally{next_, lines_.size(), 1, 1}; }

private:
    const LedgerLineList& lines_;
    std::size_t next_ = 0;
};

}  // namespace

int ReportWriter::NextLedgerLine() {
    if (!ledgerSource_ && !collected_) {
        collected_ = std::make_unique<CollectedLines>(ledger_);
    }
    LedgerLineSource& source = ledgerSource_ ? *ledgerSource_ : *collected_;
    int rc = source.Next(&ledgerLine_);
    progress_.LedgerRead(source.Tally());
    ledgerStarted_ = true;
    ledgerPending_ = rc == 1;
    if (rc < 0) ledgerUnreadable_ = true;
    return rc;
}

int ReportWriter::WriteLedgerAccounts(XmlWriter& writer) {
    // The collected lines are read from their first.
    collected_.reset();
    ledgerUnreadable_ = false;
    if (NextLedgerLine() <= 0) return ledgerUnreadable_ ? 0 : 1;
    if (!writer.WriteStartTag(line_, "HJ00780S", 2)) return 0;
    for (const auto& figure : figures_) {
        if (!ledgerPending_) break;
        if (!figure || ledgerLine_.code != figure->code) continue;
        char label[kLabelBuffer] = {};
        CleanLabel(figure->name, std::strlen(figure->name), label);
        if (!writer.WriteStartTag(line_, "HJ00780S01", 3) ||
            !writer.WriteElement(line_, "HJ00780S0010", label, 4) ||
            !writer.WriteElement(line_, "HJ00780S0020", ledger_category::CategoryOf(figure->nature),
                                 4) ||
            !writer.WriteElement(line_, "HJ00780S0030", Yen(figure->opening).c_str(), 4) ||
            !writer.WriteElement(line_, "HJ00780S0040", Yen(figure->closing).c_str(), 4) ||
            !WriteLedgerLines(writer) || !writer.WriteEndTag(line_, "HJ00780S01", 3)) {
            return 0;
        }
    }
    // Lines no account asked for are still read: an unreadable ledger fails the export.
    while (ledgerPending_) NextLedgerLine();
    if (ledgerUnreadable_) return 0;
    return writer.WriteEndTag(line_, "HJ00780S", 2);
}

int ReportWriter::WriteLedgerLines(XmlWriter& writer) {
    if (!ledgerStarted_) NextLedgerLine();
    if (!ledgerPending_) return ledgerUnreadable_ ? 0 : 1;
    const std::int32_t code = ledgerLine_.code;
    // The account's lines go to the file in big writes.
    writer.BeginChunk();
    for (; ledgerPending_ && ledgerLine_.code == code; NextLedgerLine()) {
        const LedgerLine& line = ledgerLine_;
        char own[kLabelBuffer];
        char counter[kLabelBuffer];
        char counterSub[kLabelBuffer];
        own[0] = counter[0] = counterSub[0] = '\0';
        CleanLabel(line.ownSubAccount, std::strlen(line.ownSubAccount), own);
        CleanLabel(line.counterAccount, std::strlen(line.counterAccount), counter);
        CleanLabel(line.counterSubAccount, std::strlen(line.counterSubAccount), counterSub);
        char voucher[24];
        char change[24];
        char balance[24];
        if (!writer.WriteStartTag(line_, "HJ00780S02", 4) ||
            !writer.WriteElement(line_, "HJ00780S0050", Decimal(line.voucher, voucher), 5) ||
            !writer.WriteElement(line_, "HJ00780S0060", line.date, 5) ||
            !writer.WriteElement(line_, "HJ00780S0070", own, 5) ||
            !writer.WriteElement(line_, "HJ00780S0080", counter, 5) ||
            !writer.WriteElement(line_, "HJ00780S0090", counterSub, 5) ||
            !writer.WriteElement(line_, "HJ00780S0100", line.description, 5) ||
            !writer.WriteElement(line_, "HJ00780S0110", Decimal(line.change / 10000, change), 5) ||
            !writer.WriteElement(line_, "HJ00780S0120", Decimal(line.balance / 10000, balance),
                                 5) ||
            !writer.WriteEndTag(line_, "HJ00780S02", 4)) {
            writer.EndChunk();
            return 0;
        }
    }
    if (!writer.EndChunk()) return 0;
    return ledgerUnreadable_ ? 0 : 1;
}
