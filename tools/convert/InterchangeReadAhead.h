#pragma once

// An interchange file read on a second thread while the conversion works on the records read
// before: reading, splitting and decoding the fields is about half of what converting a journal
// costs, and each half keeps a core busy. The conversion sees exactly what it would see reading
// the file itself: the same records, and a refusal of the file at the same record, after every
// record before it.

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/convert/InterchangeFile.h"

namespace convert {

class InterchangeReadAhead {
public:
    // Records handed over at once, and batches read ahead at most: a few MB.
    static constexpr std::size_t kBatchRecords = 512;
    static constexpr std::size_t kBatchesAhead = 16;

    explicit InterchangeReadAhead(InterchangeFile& file);
    // Stops the reading thread and waits for it, also when the conversion was refused.
    ~InterchangeReadAhead();
    InterchangeReadAhead(const InterchangeReadAhead&) = delete;
    InterchangeReadAhead& operator=(const InterchangeReadAhead&) = delete;

    // As InterchangeFile::Next.
    bool Next(InterchangeRecord* record);
    // As InterchangeFile::Skipped, once Next has answered false.
    long Skipped() const { return skipped_; }

private:
    // Records go over in one piece of text each batch: the reading thread's strings, a few
    // for every field, would each have had to travel from its core to the other.
    struct Batch {
        std::string text;                 // the fields one after the other
        std::vector<std::size_t> ends;    // where each field ends in `text`
        std::vector<long> lines;          // each record's line ...
        std::vector<std::size_t> counts;  // ... and its count of fields
        bool last = false;                // the file ends after these records ...
        std::exception_ptr refusal;       // ... or is refused there
        long skipped = 0;

        void Clear();
        void Add(const InterchangeRecord& record);
    };

    void Read();
    Batch TakeEmptyBatch();

    InterchangeFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;   // guarded by mutex_
    std::vector<Batch> spent_;  // guarded by mutex_
    bool stopping_ = false;     // guarded by mutex_
    std::exception_ptr lost_;   // guarded by mutex_: a batch read could not be queued
    // The conversion's side.
    Batch current_;
    std::size_t next_ = 0;       // the next record of current_ ...
    std::size_t nextField_ = 0;  // ... and its first field
    bool finished_ = false;
    long skipped_ = 0;
    std::thread reader_;  // started when the rest is ready; not joinable: no read-ahead
};

}  // namespace convert
