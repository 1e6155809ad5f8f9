#pragma once

// What a path given to the import window holds: a books folder, or a journal in the interchange
// form (with its opening balances beside it), and what the window proposes from it (the
// encoding, the company, the fiscal year, the store), each for the user to change. Nothing here
// refuses: the import itself does, at the user's own file, line and column.

#include <cstdint>
#include <optional>
#include <string>

#include "common/Encoding.h"

namespace kcbooks {

struct FoundBooks {
    enum class Kind { kNothing, kFolder, kJournal };
    Kind kind = Kind::kNothing;
    std::string path;
    // A journal's opening balances: the file beside it in the companion form, or empty.
    std::string openings;
    // Decided from the bytes of a journal, or of a folder's company.csv (its journal where the
    // company's file is ASCII alone), as the import decides each file's.
    sjis::TextEncoding encoding = sjis::TextEncoding::kUndecided;
    // A folder's are its company.csv's; a journal's company is the name of a company in its
    // folder's or its own name, when one holds such a name; its year starts on the openings' date,
    // or on the first of the month of its first date, as the conversion infers it.
    std::string company;
    std::optional<std::int32_t> periodFrom;
    std::optional<std::int32_t> periodTo;
    // Where the books go unless the user says otherwise: beside the source, named after it.
    std::string store;
};

// What `path` (UTF-8) holds. kNothing for a path that is neither a folder with company.csv nor a
// CSV file of the journal form.
FoundBooks FindBooks(const std::string& path);

}  // namespace kcbooks
