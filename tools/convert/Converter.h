#pragma once

// `kcbooks convert`: books from the journal interchange CSV that accounting programs write (25
// columns, one journal line a row) and its companion form of opening balances, written as a
// books folder that `kcbooks import` reads. All or nothing: a refusal names the file, the line
// and the column, and writes nothing.

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

ConvertResult ConvertInterchange(const ConvertOptions& options);

}  // namespace convert
