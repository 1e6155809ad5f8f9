#include "tools/convert/InterchangeReadAhead.h"

#include <system_error>
#include <utility>

namespace convert {

InterchangeReadAhead::InterchangeReadAhead(InterchangeFile& file) : file_(file) {
    try {
        reader_ = std::thread(&InterchangeReadAhead::Read, this);
    } catch (const std::system_error&) {
        // No thread to be had: the conversion reads the file itself.
    }
}

InterchangeReadAhead::~InterchangeReadAhead() {
    if (!reader_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

InterchangeReadAhead::Batch InterchangeReadAhead::TakeEmptyBatch() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spent_.empty()) return Batch{};
    Batch batch = std::move(spent_.back());
    spent_.pop_back();
    return batch;
}

void InterchangeReadAhead::Batch::Clear() {
    text.clear();
    ends.clear();
    lines.clear();
    counts.clear();
}

void InterchangeReadAhead::Batch::Add(const InterchangeRecord& record) {
    const std::size_t records = lines.size();
    const std::size_t textSize = text.size();
    const std::size_t fields = ends.size();
    try {
        lines.push_back(record.line);
        counts.push_back(record.fields.size());
        for (std::string_view field : record.fields) {
            text += field;
            ends.push_back(text.size());
        }
    } catch (...) {
        // A record goes over whole or not at all: memory that runs out halfway must not leave
        // a record whose fields the batch does not hold.
        lines.resize(records);
        counts.resize(records);
        text.resize(textSize);
        ends.resize(fields);
        throw;
    }
}

void InterchangeReadAhead::Read() {
    bool more = true;
    InterchangeRecord record;
    while (more) {
        Batch batch = TakeEmptyBatch();
        batch.Clear();
        try {
            while (batch.lines.size() < kBatchRecords && (more = file_.Next(&record)))
                batch.Add(record);
        } catch (...) {
            // A refusal, or memory that ran out: handed over where it happened.
            batch.refusal = std::current_exception();
            more = false;
        }
        batch.last = !more;
        batch.skipped = file_.Skipped();
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || ready_.size() < kBatchesAhead; });
        if (stopping_) return;
        try {
            ready_.push_back(std::move(batch));
        } catch (...) {
            // No room to queue it: the conversion is handed the failure after what was queued.
            lost_ = std::current_exception();
            changed_.notify_all();
            return;
        }
        changed_.notify_all();
    }
}

bool InterchangeReadAhead::Next(InterchangeRecord* record) {
    if (!reader_.joinable()) {
        bool more = file_.Next(record);
        skipped_ = file_.Skipped();
        return more;
    }
    while (next_ == current_.lines.size()) {
        if (current_.last || finished_) {
            finished_ = true;
            skipped_ = current_.skipped;
            if (current_.refusal) std::rethrow_exception(std::exchange(current_.refusal, nullptr));
            return false;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !ready_.empty() || lost_; });
        if (ready_.empty()) std::rethrow_exception(lost_);
        spent_.push_back(std::move(current_));
        current_ = std::move(ready_.front());
        ready_.pop_front();
        next_ = 0;
        nextField_ = 0;
        changed_.notify_all();
    }
    record->line = current_.lines[next_];
    record->fields.clear();
    std::size_t count = current_.counts[next_++];
    for (std::size_t i = 0; i < count; ++i, ++nextField_) {
        std::size_t begin = nextField_ == 0 ? 0 : current_.ends[nextField_ - 1];
        record->fields.emplace_back(current_.text.data() + begin,
                                    current_.ends[nextField_] - begin);
    }
    return true;
}

}  // namespace convert
