#pragma once

// The books of an exported file, read from the store kcbooks import made of them (read only,
// through the books layer): the data set whose company and fiscal year are the file's, its trial
// balance from the journal lines and the openings, its accounts' histories and its notes' titles.

#include <string>
#include <string_view>

#include "tools/kcview/BooksReview.h"
#include "tools/kcview/ExportDocument.h"

namespace kcview {

// `books` filled, or why not: a refusal in the user's language that names the store.
struct BooksRead {
    bool ok = false;
    std::string refusal;
};

BooksRead ReadBooks(const std::string& store, const ExportDocument& document, BooksReview* books);

// Whether `store` is a books store holding the data set of the file's company and fiscal year:
// how kcview.exe finds the books of a dropped file among those its editions name.
bool HoldsBooksOf(const std::string& store, const ExportDocument& document);

// The titles of the notes in the books' notes text (Shift_JIS, kind 1000: "<ID>1010010</ID>"
// then "<Title>…</Title>"), by the element the file writes each note as; UTF-8, entities read.
NoteTitles NoteTitlesOf(std::string_view notesText);

}  // namespace kcview
