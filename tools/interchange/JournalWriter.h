#pragma once

// `kcbooks export-journal`: a data set of a store written in the common journal interchange form
// (25 columns, no header row) and its companion form of opening balances, so that books can go
// back to the accounting program they came from.

#include <cstdint>
#include <string>
#include <string_view>

namespace books {
class Database;
}

namespace books::interchange {

enum class OutputEncoding { kCp932, kUtf8 };

struct ExportOptions {
    std::int32_t dataNo = 0;  // 0: the store's only data set
    OutputEncoding encoding = OutputEncoding::kCp932;
};

struct ExportSummary {
    bool ok = false;
    std::string message;  // UTF-8: why nothing was written
    std::string dataId;   // UTF-8
    long entries = 0;
    long lines = 0;
    // Entries whose kind (a transfer, a bill discount) the form has no place for.
    long kindsDropped = 0;
    // Amounts that held a fraction of a yen, rounded to the nearest yen, and entries balanced by
    // moving that rounding on one side.
    long amountsRounded = 0;
    long entriesBalanced = 0;
    // Entries whose lines carry several dates, written as one voucher per date.
    long entriesSplit = 0;
    long openingRows = 0;
    // The account (UTF-8, "繰越利益") whose balance was left out of the opening balances, or
    // empty.
    std::string leftOutAccount;
};

// Where the rows go: a file, or a string in the tests.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual bool Put(std::string_view bytes) = 0;
};

// Writes the journal, and the opening balances when `openings` is given, of an open store.
ExportSummary WriteInterchange(Database& store, const ExportOptions& options, RowSink& journal,
                               RowSink* openings);

// The same from the store's file into files: each is written beside its target under a
// temporary name and takes the target's place only when both are complete. `openingsPath` may be
// empty.
ExportSummary ExportInterchange(const std::string& storePath, const std::string& journalPath,
                                const std::string& openingsPath, const ExportOptions& options);

}  // namespace books::interchange
