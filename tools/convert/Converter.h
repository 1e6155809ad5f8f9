#pragma once

// `kcbooks convert`: books from the journal interchange CSV that accounting programs write (25
// columns, one journal line a row) and its companion form of opening balances, written as a
// books folder that `kcbooks import` reads. All or nothing: a refusal names the file, the line
// and the column, and writes nothing; so does a failure of the disk or of memory, raised as
// native::Failure (naming OUT or OUT/FILE) or std::bad_alloc, the folder's temporary gone by then.

#include <cstdint>
#include <optional>
#include <string>

#include "books/Importer.h"
#include "tools/convert/InterchangeFields.h"

namespace convert {

struct ConvertOptions {
    std::string journalPath;
    std::string openingsPath;  // empty: no balances brought forward
    std::string chartPath;     // empty: the standard chart alone
    bool chartOnly = false;    // the chart is taken whole, without the standard chart
    std::string outDir;
    std::string company;
    std::string dataId = "BOOKS";
    std::string user = "user";
    // The files' encoding; by default each file's bytes decide (a UTF-8 mark always wins).
    books::SourceEncoding encoding = books::SourceEncoding::kFromBytes;
    TaxRounding rounding = TaxRounding::kDown;
    // Each overrides what the files suggest.
    std::optional<std::int32_t> periodFrom;
    std::optional<std::int32_t> periodTo;
    std::optional<bool> manufacturing;
    std::optional<bool> taxInclusive;
    std::optional<bool> interimClosing;
};

struct ConvertResult {
    bool ok = false;
    std::string message;  // why the conversion was refused
    std::string report;   // what was read, inferred, dropped and cut, and the trial balance
};

// The last day of the fiscal year that starts on `start` (yyyymmdd), as the conversion infers
// the year when none is given.
std::int32_t YearEndFrom(std::int32_t start);

// How long a convert waits for another one into the same folder before it is refused: one
// that runs longer is converting a large journal, and the user is better told at once.
inline constexpr int kFolderLockWaitMilliseconds = 2000;

// Converts into options.outDir under the folder's lock (native::PathLock): the books are written
// into a temporary folder beside it (native::TempFolder), which takes the folder's place when
// complete. The folder must be new or empty.
ConvertResult ConvertInterchange(const ConvertOptions& options);

// Converts into `folder`, an empty folder its caller keeps or discards (the one-step import's
// temporary); options.outDir is the name the report and the failures give it.
ConvertResult ConvertInto(const ConvertOptions& options, const std::string& folder);

}  // namespace convert
