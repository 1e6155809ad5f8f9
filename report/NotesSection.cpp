// The notes to the financial statements: the fixed table of notes, each written when the
// accounting data shows it, nested as the table nests them, with its text lines.

#include <cstdio>
#include <cstring>
#include <string>

#include "common/NoteTable.h"
#include "report/ReportWriter.h"

namespace {

using notes::kNoteTable;
using notes::NoteRow;

static_assert(std::size(kNoteTable) == ReportWriter::kNoteRows);

// The first row after `row`'s subtree.
int SubtreeEnd(int row) {
    int end = row + 1;
    while (end < ReportWriter::kNoteRows && kNoteTable[end].number != 0 &&
           kNoteTable[end].depth > kNoteTable[row].depth) {
        ++end;
    }
    return end;
}

}  // namespace

int ReportWriter::ListNotesNonConsolidated(XmlWriter* writer) {
    if (!writer) return 0;
    if (!writer->WriteStartTag(line_, "ListNotesNonConsolidated", 2)) return 0;
    notesFailed_ = false;
    for (int row = 0; row < kNoteRows && kNoteTable[row].number > 0 && !notesFailed_;)
        row = WriteNoteTree(row, *writer);
    if (notesFailed_) return 0;
    return writer->WriteEndTag(line_, "ListNotesNonConsolidated", 2);
}

// A shown row is written with its own text lines, then its subtree, one level deeper. A row
// that is not shown writes no tag and no line of its own, but the shown rows below it are
// still written, at their own depths, nested in their nearest shown ancestor: every shown
// note reaches the file once.
int ReportWriter::WriteNoteTree(int row, XmlWriter& writer) {
    if (row < 0 || row >= kNoteRows - 1 || kNoteTable[row].number == 0) return kNoteRows;
    const NoteRow& note = kNoteTable[row];
    const int end = SubtreeEnd(row);
    const bool shown = IsNoteShown(note.number) == 1 && noteDisplayFlags_ && note.group >= 0 &&
                       note.group < 50 && noteDisplayFlags_[note.group] != 0;
    if (shown) {
        if (!writer.WriteStartTag(line_, note.element, note.depth)) {
            notesFailed_ = true;
            return kNoteRows;
        }
        WriteNoteLines(note.number, note.depth + 1, writer);
    }
    for (int child = row + 1; child < end && !notesFailed_;) child = WriteNoteTree(child, writer);
    if (notesFailed_) return kNoteRows;
    if (shown && !writer.WriteEndTag(line_, note.element, note.depth)) {
        notesFailed_ = true;
        return kNoteRows;
    }
    return end;
}

namespace {

// The index of the note's first line ("<ID>" and then its number) from `from` on; npos when
// there is none.
std::size_t FindNote(const std::vector<std::string>& lines, const std::string& number,
                     std::size_t from) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        std::size_t id = lines[i].find("<ID>");
        if (id != std::string::npos && lines[i].find(number, id + 4) != std::string::npos) return i;
    }
    return std::string::npos;
}

}  // namespace

int ReportWriter::IsNoteShown(long number) const {
    if (!notesLines_) return 0;
    const std::string text = std::to_string(number);
    for (std::size_t first = FindNote(*notesLines_, text, 0); first != std::string::npos;
         first = FindNote(*notesLines_, text, first + 1)) {
        if (first + 3 >= notesLines_->size()) continue;
        const std::string& disp = (*notesLines_)[first + 3];
        std::size_t at = disp.find("<Disp>");
        if (at == std::string::npos) continue;
        return at + 6 < disp.size() && disp[at + 6] == '1' ? 1 : 0;
    }
    return 0;
}

void ReportWriter::WriteNoteLines(long number, int depth, XmlWriter& writer) {
    if (!notesLines_) return;
    const auto& lines = *notesLines_;
    std::size_t first = FindNote(lines, std::to_string(number), 0);
    if (first == std::string::npos || first + 4 >= lines.size()) return;
    if (lines[first + 4].find("<Value>") == std::string::npos) return;
    for (std::size_t i = first + 5; i < lines.size(); ++i) {
        std::size_t at = lines[i].find("<Line>");
        if (at == std::string::npos) return;
        std::string text = lines[i].substr(at + 6);
        for (std::size_t close; (close = text.find("</Line>")) != std::string::npos;)
            text.erase(close, 7);
        if (!writer.WriteElement(noteLine_, "Line", text.c_str(), depth)) return;
    }
}
