#pragma once

// The notes settings of the selected company data: whether notes are entered and output, which
// note groups are shown, and the notes body.

#include <cstdint>
#include <memory>
#include <string>

#include "ledger/Services.h"

class NotesSettings {
public:
    // A text the books keep but cannot hand over is a store error: each reader below answers
    // kNotesUnreadable then, and the export fails rather than leave the notes out.
    static constexpr int kNoteGroups = 50;
    static constexpr int kNotesUnreadable = -1;

    NotesSettings() = default;
    NotesSettings(const NotesSettings&) = delete;
    NotesSettings& operator=(const NotesSettings&) = delete;

    // 1 and the settings text of `kind` (0 switches, 100 layout, 1000 notes body); 0 and no
    // text when the books keep no text of that kind; kNotesUnreadable.
    int ReadNotesSetting(std::int16_t kind, std::string* text, std::int32_t* length);
    // 1 when the layout's InputMode value is above 0, else 0; kNotesUnreadable.
    int IsNotesInputEnabled();
    // 1 when the switch text's Note= value is above 0, else 0; kNotesUnreadable.
    int IsNotesOutputEnabled();
    // Entry k: the low byte of the Disp value of the k-th "[Note_" section of the layout.
    // Sections beyond the fiftieth are not read. 1, or kNotesUnreadable.
    int ReadNoteDisplayFlags(unsigned char (&flags)[kNoteGroups]);
    // 1 (the text is empty when the books keep none), or kNotesUnreadable.
    int ReadNotesText(std::string* text);

private:
    std::unique_ptr<ClSaveKessansho> settingsStore_;
};
