#pragma once

// The books folder the converter writes, in the format `kcbooks import` reads (UTF-8). It is
// written into a temporary folder (native::TempFolder) that its owner keeps, renamed into the
// target's place when complete, or discards, so a refusal leaves no half-written folder.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/convert/Chart.h"

namespace convert {

struct BookLine {
    std::int64_t debitCode = 0;  // 0: the side is empty
    std::int64_t debitAmount = 0;
    std::int64_t debitTax = 0;
    std::int64_t creditCode = 0;
    std::int64_t creditAmount = 0;
    std::int64_t creditTax = 0;
    int position = 0;  // 0: the date's fiscal month
    std::string description;
};

struct FolderCompany {
    std::string dataId;
    std::string name;
    std::string user;
    std::int32_t from = 0;
    std::int32_t to = 0;
    bool interimClosing = false;
    bool manufacturing = false;
    bool taxInclusive = false;
};

// An account the folder lists, with its sub-accounts numbered 1, 2 … in this order.
struct FolderAccount {
    const ChartAccount* account = nullptr;
    std::vector<std::string> subAccounts;
};

// What the folder holds besides the journal.
struct FolderBooks {
    FolderCompany company;
    std::vector<FolderAccount> accounts;  // in the statements' order
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> openings;  // code → debit, credit
};

// Writes the journal as it is read, so that a journal of a million lines never sits in memory
// whole, and the rest of the folder at the end, into `folder`. Each file is a temporary of its
// own until it is complete. A file that cannot be written raises native::Failure naming it as
// the user knows it: `shownFolder`/NAME.
class BooksFolderWriter {
public:
    BooksFolderWriter(const std::string& folder, const std::string& shownFolder,
                      const std::string& dataId);
    ~BooksFolderWriter();
    BooksFolderWriter(const BooksFolderWriter&) = delete;
    BooksFolderWriter& operator=(const BooksFolderWriter&) = delete;

    // The lines of one entry. False when the voucher number is not one the books hold (a whole
    // number of at most 9 digits): the entry key stands for it.
    bool Entry(const std::string& voucher, std::int32_t date, const std::vector<BookLine>& lines);
    void Finish(const FolderBooks& books);

private:
    class CsvOutput;
    std::string folder_;
    std::string shownFolder_;
    std::string dataId_;
    std::unique_ptr<CsvOutput> journal_;
    std::int64_t entries_ = 0;
};

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

}  // namespace convert
