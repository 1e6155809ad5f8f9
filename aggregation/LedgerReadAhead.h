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

class ExportProgress;
class LedgerReader;

class LedgerReadAhead : public LedgerLineSource {
public:
    // Lines handed over at once, and batches read ahead at most: about 8 MB whatever the size
    // of the books. The books hand over an account's lines only once the whole account is read,
    // and the writer spends as long on a big account's lines: a lead of many batches lets each
    // side go on through the other's long steps instead of waiting for it.
    static constexpr std::size_t kBatchLines = 1024;
    static constexpr std::size_t kBatchesAhead = 32;

    // `data` noted the aggregated accounts, its ledger read while written; `progress` may be null.
    // `batchesAhead` (at least 1) is the lead.
    LedgerReadAhead(LedgerReader& data, ExportProgress* progress,
                    std::size_t batchesAhead = kBatchesAhead);
    ~LedgerReadAhead() override;
    LedgerReadAhead(const LedgerReadAhead&) = delete;
    LedgerReadAhead& operator=(const LedgerReadAhead&) = delete;

    // As LedgerReader::Next. The reading thread starts with the first call.
    int Next(LedgerLine* line) override;
    // As LedgerReader::Tally when it had read the line handed over last.
    LedgerTally Tally() const override { return tally_; }
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
        LedgerTally tally;         // the reader's tally with this one read
        int status = 0;            // Next's answer
    };
    // A batch's items are made once; a batch the writer has finished goes back to the reader
    // and its items are overwritten.
    struct Batch {
        std::vector<Item> items;
        std::size_t size = 0;
    };

    void Read();
    // A batch to fill: a spent one, or a new one. False when memory ran out.
    bool TakeEmptyBatch(Batch* batch);

    LedgerReader& data_;
    ExportProgress* progress_;
    const std::size_t batchesAhead_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;   // guarded by mutex_
    std::vector<Batch> spent_;  // guarded by mutex_
    bool stopping_ = false;     // guarded by mutex_
    bool readerLost_ = false;   // guarded by mutex_: a batch could not be made or queued
    // The writer's side.
    Batch current_;
    std::size_t next_ = 0;
    bool started_ = false;
    bool finished_ = false;
    int finalStatus_ = 0;
    bool handedFailure_ = false;
    LedgerTally tally_{};
};
