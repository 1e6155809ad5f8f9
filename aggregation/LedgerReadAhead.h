#pragma once

// The general ledger read on a second thread while the writer formats and writes what was read
// before: the books and the file each keep a core busy. The writer sees exactly what it would
// see reading the books itself: the same lines, the same end or failure at the same place, and
// the progress window's detail bar pulsed on the writer's thread, as many times and at the same
// points between lines.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "aggregation/Figures.h"

class ProgressDialog;
class StatementData;

class LedgerReadAhead : public LedgerLineSource {
public:
    // Lines handed over at once, and batches read ahead at most: a few megabytes whatever the
    // size of the books.
    static constexpr std::size_t kBatchLines = 1024;
    static constexpr std::size_t kBatchesAhead = 4;

    // `data` is aggregated with its ledger read while written; `progress` may be null.
    LedgerReadAhead(StatementData& data, ProgressDialog* progress);
    ~LedgerReadAhead() override;
    LedgerReadAhead(const LedgerReadAhead&) = delete;
    LedgerReadAhead& operator=(const LedgerReadAhead&) = delete;

    // As StatementData::Next. The reading thread starts with the first call.
    int Next(LedgerLine* line) override;
    // Stops reading ahead and waits for the reading thread. Lines read beyond what the writer
    // took are dropped; nothing the writer took changes.
    void Stop();
    // True when the writer was handed the ledger's failure: a failure found ahead of the writer
    // (after the writer itself stopped) is not one.
    bool LedgerFailed() const { return handedFailure_; }

private:
    struct Item {
        LedgerLine line;
        std::uint32_t pulses = 0;  // detail pulses of the lines read up to this one
        int status = 0;            // Next's answer
    };
    using Batch = std::vector<Item>;

    void Read();

    StatementData& data_;
    ProgressDialog* progress_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;  // guarded by mutex_
    bool stopping_ = false;    // guarded by mutex_
    // The writer's side.
    Batch current_;
    std::size_t next_ = 0;
    bool started_ = false;
    bool finished_ = false;
    int finalStatus_ = 0;
    bool handedFailure_ = false;
};
