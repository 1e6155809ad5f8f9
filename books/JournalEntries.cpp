#include "books/JournalEntries.h"

#include <algorithm>

#include "messages/kcbooks/KcbooksMessages.h"

namespace books {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

std::string JournalRefusal(long line, const char* column, const std::string& why) {
    return Say(Id::kAtCell,
               {{"file", "journal.csv"}, {"line", line}, {"column", column}, {"why", why}});
}

std::string TotalsRefusal(const char* file, long line, std::int32_t code) {
    return Say(
        Id::kAtLine,
        {{"file", file}, {"line", line}, {"why", Say(Id::kTotalsBeyond64Bits, {{"code", code}})}});
}

}  // namespace

bool PostAmount(DataSet& set, std::int32_t code, SummaryArray array, int slot,
                std::int64_t amount) {
    if (amount == 0) return true;
    SummarySlots& slots = set.summaries.try_emplace(code - code % kSubAccountRadix).first->second;
    std::int64_t& cell = Slot(slots, array, slot);
    return AddChecked(cell, amount, &cell);
}

EntryChecker::EntryChecker(std::vector<DataSet>& sets, JournalSink& sink)
    : sets_(sets), sink_(sink), entries_(sets.size()) {}

bool EntryChecker::Add(std::size_t setIndex, const JournalLine& line) {
    DataSet& set = sets_[setIndex];
    OpenEntry& entry = entries_[setIndex];
    // Only the first refusal of a data set is ever reported.
    if (!entry.refusal.empty()) return true;
    if (entry.open && entry.entry == line.entry) {
        if (line.line == entry.lastLine) {
            entry.refusal =
                JournalRefusal(line.sourceLine, "line",
                               Say(Id::kLineTwice, {{"entry", line.entry}, {"line", line.line}}));
            refused_ = true;
            return true;
        }
    } else {
        if (entry.open && !Close(set, entry)) return false;
        if (!entry.refusal.empty()) return true;
        entry.open = true;
        entry.entry = line.entry;
        entry.lines = 0;
        entry.debits = 0;
        entry.credits = 0;
        entry.fits = true;
    }
    entry.fits = entry.fits && AddChecked(entry.debits, line.debitAmount, &entry.debits) &&
                 AddChecked(entry.debits, line.debitTax, &entry.debits) &&
                 AddChecked(entry.credits, line.creditAmount, &entry.credits) &&
                 AddChecked(entry.credits, line.creditTax, &entry.credits);
    entry.lastLine = line.line;
    entry.lastSourceLine = line.sourceLine;
    PostToSummaries(set, entry, line);
    // The first line waits for the second to know its kind; from the second on the entry has
    // several lines.
    if (++entry.lines == 1) {
        entry.first = line;
        return true;
    }
    if (entry.lines == 2 && !Emit(set, entry.first, 34)) return false;
    return Emit(set, line, 34);
}

bool EntryChecker::Close(DataSet& set, OpenEntry& entry) {
    entry.open = false;
    if (!entry.fits || entry.debits != entry.credits) {
        const std::string why = entry.fits
                                    ? Say(Id::kEntryUnbalancedBy, {{"entry", entry.entry},
                                                                   {"debits", entry.debits},
                                                                   {"credits", entry.credits}})
                                    : Say(Id::kEntryUnbalanced, {{"entry", entry.entry}});
        entry.refusal = JournalRefusal(entry.lastSourceLine, "entry", why);
        refused_ = true;
        return true;
    }
    return entry.lines != 1 || Emit(set, entry.first, 0);
}

bool EntryChecker::Finish() {
    for (std::size_t i = 0; i < sets_.size(); ++i) {
        OpenEntry& entry = entries_[i];
        if (entry.open && entry.refusal.empty() && !Close(sets_[i], entry)) return false;
    }
    return true;
}

bool EntryChecker::Emit(const DataSet& set, const JournalLine& line, std::int16_t defaultKind) {
    if (refused_) return true;
    return sink_.Put(set, line, line.kind < 0 ? defaultKind : line.kind);
}

void EntryChecker::PostToSummaries(DataSet& set, OpenEntry& entry, const JournalLine& line) {
    if (!entry.overflow.empty()) return;
    int slot = SlotOfPosition(line.position);
    std::int32_t failed = 0;
    auto post = [&](std::int32_t code, SummaryArray array, std::int64_t amount) {
        if (PostAmount(set, code, array, slot, amount)) return true;
        failed = code - code % kSubAccountRadix;
        return false;
    };
    bool ok = true;
    if (line.debitCode != 0) {
        ok = ok && post(line.debitCode, kDebitNet, line.debitAmount) &&
             post(line.debitCode, kDebitGross, line.debitAmount) &&
             post(line.debitCode, kDebitGross, line.debitTax);
    }
    if (line.creditCode != 0) {
        ok = ok && post(line.creditCode, kCreditNet, line.creditAmount) &&
             post(line.creditCode, kCreditGross, line.creditAmount) &&
             post(line.creditCode, kCreditGross, line.creditTax);
    }
    if (line.debitTax != 0) ok = ok && post(set.inputTaxAccount, kDebitNet, line.debitTax);
    if (line.creditTax != 0) ok = ok && post(set.outputTaxAccount, kCreditNet, line.creditTax);
    if (!ok) {
        entry.overflow = TotalsRefusal("journal.csv", line.sourceLine, failed);
    }
}

std::string EntryChecker::EntryRefusal() const {
    for (const OpenEntry& entry : entries_) {
        if (!entry.refusal.empty()) return entry.refusal;
    }
    return std::string();
}

// Total accounts carry the slot-wise sums of the posting accounts whose nature holds one of
// their masks; every posting account counts once per total.
std::string EntryChecker::CompleteSummaries() {
    for (std::size_t i = 0; i < sets_.size(); ++i) {
        if (!entries_[i].overflow.empty()) return entries_[i].overflow;
        DataSet& set = sets_[i];
        for (const Account& total : set.accounts) {
            if (total.IsSubAccount() || total.sumOf.empty()) continue;
            SummarySlots sums{};
            for (const Account& posting : set.accounts) {
                if (posting.IsSubAccount() || posting.IsTotal()) continue;
                bool covered = std::any_of(
                    total.sumOf.begin(), total.sumOf.end(),
                    [&](std::uint32_t mask) { return (posting.nature & mask) == mask; });
                auto it = set.summaries.find(posting.code);
                if (!covered || it == set.summaries.end()) continue;
                for (std::size_t k = 0; k < sums.size(); ++k) {
                    if (!AddChecked(sums[k], it->second[k], &sums[k])) {
                        return TotalsRefusal("accounts.csv", total.sourceLine, total.code);
                    }
                }
            }
            set.summaries[total.code] = sums;
        }
    }
    return std::string();
}

}  // namespace books
