#pragma once

// The books folder the converter writes, in the format `kcbooks import` reads (UTF-8). It is
// written into a folder of its own beside the target and renamed into place when complete, so a
// failure leaves no half-written folder; the target must not exist or must be empty.

#include <cstdint>
#include <map>
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

struct BookEntry {
    long line = 0;  // where its voucher begins in the journal
    std::string voucher;
    std::int32_t date = 0;
    std::vector<BookLine> lines;
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

struct FolderBooks {
    FolderCompany company;
    std::vector<FolderAccount> accounts;  // in the statements' order
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> openings;  // code → debit, credit
    const std::vector<BookEntry>* entries = nullptr;
};

// Refuses (throws Refusal) when the folder cannot be written.
void WriteBooksFolder(const std::string& outDir, const FolderBooks& books);

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

}  // namespace convert
