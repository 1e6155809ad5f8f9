#include "aggregation/NotesSettings.h"

#include <algorithm>
#include <new>

#include "aggregation/SelectedData.h"
#include "common/Decimal.h"

int NotesSettings::ReadNotesSetting(std::int16_t kind, std::string* text, std::int32_t* length) {
    text->clear();
    settingsStore_.reset(new (std::nothrow) ClSaveKessansho);
    if (!settingsStore_) return 0;
    AttachToSelectedData(*settingsStore_);
    char* buffer = nullptr;
    std::int32_t size = 0;
    std::int32_t rc = settingsStore_->GetDataType02(kind, &buffer, &size);
    if (rc != 0 || !buffer) {
        if (buffer) CoTaskMemFree(buffer);
        // The books answer the end of the set when they keep no text of this kind.
        return rc == kLedgerEnd ? 0 : kNotesUnreadable;
    }
    text->assign(buffer);
    CoTaskMemFree(buffer);
    if (length) *length = size;
    return 1;
}

namespace {

// The decimal value at `pos`, which ends at the first CR, LF or the end of the text.
std::int32_t ValueAt(const std::string& text, std::size_t pos) {
    std::size_t end = text.find_first_of("\r\n", pos);
    return ParseDecimal(std::string_view(text).substr(
        pos, end == std::string::npos ? std::string::npos : end - pos));
}

}  // namespace

int NotesSettings::IsNotesInputEnabled() {
    std::string text;
    int read = ReadNotesSetting(100, &text, nullptr);
    if (read != 1) return read;
    std::size_t mode = text.find("InputMode");
    if (mode == std::string::npos) return 0;
    std::size_t equals = text.find('=', mode);
    if (equals == std::string::npos) return 0;
    return ValueAt(text, equals + 1) > 0 ? 1 : 0;
}

int NotesSettings::IsNotesOutputEnabled() {
    std::string text;
    int read = ReadNotesSetting(0, &text, nullptr);
    if (read != 1) return read;
    std::size_t note = text.find("Note=");
    if (note == std::string::npos || note + 5 >= text.size()) return 0;
    return ValueAt(text, note + 5) > 0 ? 1 : 0;
}

int NotesSettings::ReadNoteDisplayFlags(unsigned char (&flags)[kNoteGroups]) {
    std::string text;
    int read = ReadNotesSetting(100, &text, nullptr);
    if (read == kNotesUnreadable) return kNotesUnreadable;
    if (read != 1 || text.empty()) return 1;
    // A header is taken to be nine characters long, as "[Note_16]"; a section without its own
    // "Disp=" takes the next section's value.
    constexpr std::size_t kHeaderLength = 9;
    std::size_t pos = 0;
    for (int entry = 0; entry < kNoteGroups;) {
        std::size_t header = text.find("[Note_", pos);
        if (header == std::string::npos) return 1;
        std::size_t disp = text.find("Disp=", std::min(header + kHeaderLength, text.size()));
        if (disp == std::string::npos) return 1;
        std::size_t value = disp + 5;
        flags[entry++] = static_cast<unsigned char>(ValueAt(text, value) & 0xFF);
        if (value >= text.size()) return 1;
        pos = value;
    }
    return 1;
}

int NotesSettings::ReadNotesText(std::string* text) {
    return ReadNotesSetting(1000, text, nullptr) == kNotesUnreadable ? kNotesUnreadable : 1;
}
