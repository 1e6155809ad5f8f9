#pragma once

// The titles the page heads the notes with. The file names each note by its element
// (`ValuationBasisValuationMethodMarketableSecurities`), which an accountant's working paper never
// shows: the page shows the note's Japanese title instead.

#include <map>
#include <string>
#include <string_view>

namespace kcview {

// Titles by element name, given by a caller that knows better than the table (the books' own
// titles of their notes); they take precedence over the table's.
using NoteTitles = std::map<std::string, std::string, std::less<>>;

// The title of the note `element`: the caller's from `own` when it has one, else the table's.
// An element neither knows (a note of a newer export, a file edited by hand) is headed
// その他の注記: a neutral Japanese heading keeps the working paper readable, and the note's text
// below it still says what it is; the element name would mean nothing to its reader.
std::string NoteTitle(std::string_view element, const NoteTitles* own = nullptr);

// Whether the table has a title of its own for `element`.
bool HasNoteTitle(std::string_view element);

}  // namespace kcview
