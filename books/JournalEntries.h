#pragma once

// The checks of the journal's entries as the lines stream past: every line of a data set comes
// in (entry, line) order, so one entry at a time is open per data set and nothing else is kept.
// An entry may not hold a line number twice and must balance; a line without a kind takes the
// entry's default (0 for a one-line entry, 34 for several lines); the account summaries take
// every line in that order, so that a sum beyond 64 bits is found on the same line whatever
// order the file had.

#include <cstddef>
#include <string>
#include <vector>

#include "books/Model.h"

namespace books {

// Where the lines go once their kind is known.
class JournalSink {
public:
    virtual ~JournalSink() = default;
    // `kind` is the line's own or its entry's default. False stops the stream (the sink keeps
    // its own error).
    virtual bool Put(const DataSet& set, const JournalLine& line, std::int16_t kind) = 0;
};

class EntryChecker {
public:
    EntryChecker(std::vector<DataSet>& sets, JournalSink& sink);

    // Takes the next line of data set `set` (an index into the sets); lines with the same entry
    // and line number follow each other in file order. False when the sink fails.
    bool Add(std::size_t set, const JournalLine& line);
    // Closes every data set's last entry. False when the sink fails.
    bool Finish();

    // The first refusal of the entry checks in (data set, entry, line) order, or empty.
    std::string EntryRefusal() const;
    // Puts each total account's sums in place and returns the first sum beyond 64 bits, data
    // set by data set (the journal's lines, then the totals), or empty. After Finish().
    std::string CompleteSummaries();

private:
    struct OpenEntry {
        bool open = false;
        std::int32_t entry = 0;
        std::int32_t lastLine = 0;
        long lastSourceLine = 0;
        std::size_t lines = 0;
        std::int64_t debits = 0;
        std::int64_t credits = 0;
        bool fits = true;
        JournalLine first;  // held until the entry's size is known
        std::string refusal;
        std::string overflow;
    };

    bool Close(DataSet& set, OpenEntry& entry);
    bool Emit(const DataSet& set, const JournalLine& line, std::int16_t defaultKind);
    void PostToSummaries(DataSet& set, OpenEntry& entry, const JournalLine& line);

    std::vector<DataSet>& sets_;
    JournalSink& sink_;
    std::vector<OpenEntry> entries_;  // one per data set
    bool refused_ = false;            // a line is refused: nothing more goes to the sink
};

// Adds `amount` to the summary of the account `code` (a sub-account's amounts go to its
// account). False when the sum leaves the 64-bit range.
bool PostAmount(DataSet& set, std::int32_t code, SummaryArray array, int slot, std::int64_t amount);

}  // namespace books
