#include "tools/kcview/NoteTitles.h"

#include <algorithm>
#include <iterator>

namespace kcview {
namespace {

struct NoteTitleRow {
    std::string_view element;
    std::string_view title;
};

#include "tools/kcview/NoteTitles.inc"

const NoteTitleRow* Find(std::string_view element) {
    const auto found =
        std::find_if(std::begin(kNoteTitles), std::end(kNoteTitles),
                     [&](const NoteTitleRow& row) { return row.element == element; });
    return found != std::end(kNoteTitles) ? found : nullptr;
}

constexpr std::string_view kUnknownNote = "その他の注記";

}  // namespace

std::string NoteTitle(std::string_view element, const NoteTitles* own) {
    if (own) {
        const auto given = own->find(element);
        if (given != own->end() && !given->second.empty()) return given->second;
    }
    const NoteTitleRow* row = Find(element);
    return std::string(row ? row->title : kUnknownNote);
}

bool HasNoteTitle(std::string_view element) {
    return Find(element) != nullptr;
}

}  // namespace kcview
