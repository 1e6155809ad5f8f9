#pragma once

// Books brought into a store, the one way the command line and the import window both take: a
// books folder as it is, or a journal in the interchange form converted on the way. Each import
// holds the store's lock for its whole run. The floor's failures (native::Failure) and memory
// running out are raised to the caller, which says them; a refusal is the outcome's.

#include <string>

#include "books/Importer.h"
#include "tools/convert/Converter.h"

namespace kcbooks {

struct ImportOutcome {
    bool ok = false;
    // Why the import was refused, as the user reads it (the file, line and column of their own
    // files where the books are at fault).
    std::string refusal;
    // A journal's: what was read, inferred, dropped and cut, and the trial balance.
    std::string report;
    books::ImportResult imported;
};

ImportOutcome ImportFolder(const std::string& booksDir, const std::string& store,
                           books::SourceEncoding encoding);

// options.journalPath and the options of convert; options.outDir must be empty.
ImportOutcome ImportJournal(convert::ConvertOptions options, const std::string& store);

}  // namespace kcbooks
