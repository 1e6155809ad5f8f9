#include "aggregation/LedgerReadAhead.h"

#include <algorithm>
#include <exception>

#include "aggregation/LedgerReader.h"
#include "progress/ExportProgress.h"

LedgerReadAhead::LedgerReadAhead(LedgerReader& data, ExportProgress* progress,
                                 std::size_t batchesAhead)
    : data_(data), progress_(progress), batchesAhead_(std::max<std::size_t>(batchesAhead, 1)) {}

LedgerReadAhead::~LedgerReadAhead() {
    Stop();
}

void LedgerReadAhead::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (reader_.joinable()) reader_.join();
    // The books are the writer's thread's again.
    data_.CountDetailPulses(false);
}

bool LedgerReadAhead::TakeEmptyBatch(Batch* batch) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!spent_.empty()) {
            *batch = std::move(spent_.back());
            spent_.pop_back();
        }
    }
    batch->size = 0;
    if (!batch->items.empty()) return true;
    try {
        batch->items.resize(kBatchLines);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// The reading thread: batches of lines, each with the pulses its reading made, until the
// ledger ends or fails. The last item of the last batch carries the end (0) or the failure.
void LedgerReadAhead::Read() {
    for (;;) {
        Batch batch;
        if (!TakeEmptyBatch(&batch)) {
            // Nothing to hand the failure over in: the writer learns it from the flag.
            std::lock_guard<std::mutex> lock(mutex_);
            readerLost_ = true;
            changed_.notify_all();
            return;
        }
        int status = 1;
        while (status == 1 && batch.size < batch.items.size()) {
            Item& item = batch.items[batch.size++];
            try {
                status = data_.Next(&item.line);
            } catch (const std::exception&) {
                // Memory ran out reading: the ledger is not whole.
                status = -1;
            }
            item.pulses = data_.TakeDetailPulses();
            item.tally = data_.Tally();
            item.status = status;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || ready_.size() < batchesAhead_; });
        if (stopping_) return;
        try {
            ready_.push_back(std::move(batch));
        } catch (const std::exception&) {
            // No room to queue it: the ledger ends here as a failure, after what was queued.
            readerLost_ = true;
            changed_.notify_all();
            return;
        }
        changed_.notify_all();
        if (status != 1) return;
    }
}

int LedgerReadAhead::Next(LedgerLine* line) {
    if (finished_) return finalStatus_;
    if (!started_) {
        started_ = true;
        data_.CountDetailPulses(true);
        try {
            reader_ = std::thread(&LedgerReadAhead::Read, this);
        } catch (const std::exception&) {
            // No thread to be had: the writer reads the books itself.
            data_.CountDetailPulses(false);
        }
    }
    if (!reader_.joinable()) {
        int status = data_.Next(line);
        tally_ = data_.Tally();
        if (status != 1) {
            finished_ = true;
            finalStatus_ = status;
            handedFailure_ = status < 0;
        }
        return status;
    }
    if (next_ == current_.size) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !ready_.empty() || readerLost_; });
        if (ready_.empty()) {
            lock.unlock();
            finished_ = true;
            finalStatus_ = -1;
            handedFailure_ = true;
            Stop();
            return finalStatus_;
        }
        if (!current_.items.empty()) {
            try {
                spent_.push_back(std::move(current_));
            } catch (const std::exception&) {
                // Not kept for reuse: the reader makes a new one.
            }
        }
        current_ = std::move(ready_.front());
        ready_.pop_front();
        next_ = 0;
        changed_.notify_all();
    }
    const Item& item = current_.items[next_++];
    tally_ = item.tally;
    if (progress_) {
        for (std::uint32_t i = 0; i < item.pulses; ++i) progress_->Pulse();
    }
    if (item.status == 1) {
        *line = item.line;
        return 1;
    }
    finished_ = true;
    finalStatus_ = item.status;
    handedFailure_ = item.status < 0;
    Stop();
    return finalStatus_;
}
