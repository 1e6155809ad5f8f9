#pragma once

// The aggregated records the writer reads: one AccountFigure per listed account, and the
// general-ledger lines grouped by account in the same order. LinkApp owns both lists.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "progress/LedgerTally.h"

struct AccountFigure {
    std::int32_t code = 0;      // account number x 10000
    char name[31] = {};         // formal name, at most 30 bytes
    char label[31] = {};        // statement label, at most 30 bytes
    std::int64_t opening = 0;   // ten-thousandths, in the account's balance direction
    std::int64_t movement = 0;  // closing - opening
    std::int64_t closing = 0;
    std::uint32_t nature = 0;
    std::int16_t exclusion = 0;
};

struct LedgerLine {
    std::int32_t code = 0;
    std::int32_t voucher = 0;
    char date[31] = {};
    char ownSubAccount[31] = {};
    char counterAccount[31] = {};
    char counterSubAccount[31] = {};
    char description[61] = {};
    std::int64_t change = 0;
    std::int64_t balance = 0;
};

using AccountFigureList = std::vector<std::unique_ptr<AccountFigure>>;

// The ledger lines one at a time, in the order of LedgerLineList: the writer reads them from
// here, whether they were collected beforehand or are read from the books as the file is
// written (then only one account's lines are ever held).
class LedgerLineSource {
public:
    virtual ~LedgerLineSource() = default;
    // 1 and the next line; 0 after the last one; -1 when the ledger could not be read.
    virtual int Next(LedgerLine* line) = 0;
    // How far the reading stands with the line Next handed over last.
    virtual LedgerTally Tally() const = 0;
};

// The ledger lines of an export: millions of records for a busy company, appended in order and
// read in order. They are held in blocks rather than one allocation each, which halves what a
// record costs beyond its own bytes and never moves a record once written.
class LedgerLineList {
public:
    static constexpr std::size_t kBlock = 4096;

    // A new zero-filled record at the end; raises std::bad_alloc when memory runs out.
    LedgerLine& Append() {
        if (size_ == blocks_.size() * kBlock)
            blocks_.push_back(std::make_unique<LedgerLine[]>(kBlock));
        LedgerLine& line = blocks_[size_ / kBlock][size_ % kBlock];
        ++size_;
        return line;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const LedgerLine& operator[](std::size_t index) const {
        return blocks_[index / kBlock][index % kBlock];
    }
    const LedgerLine& back() const { return (*this)[size_ - 1]; }
    void clear() {
        blocks_.clear();
        size_ = 0;
    }

private:
    std::vector<std::unique_ptr<LedgerLine[]>> blocks_;
    std::size_t size_ = 0;
};
