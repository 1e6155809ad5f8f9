#include "host/Profile.h"

#include "common/Encoding.h"
#include "native/Utf16.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Notepad's "Unicode": UTF-16, least significant byte first.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return native::Utf16ToUtf8(units);
}

// A text of ASCII alone is Shift_JIS as much as UTF-8: it stays in the form the program ships.
bool HasNonAscii(std::string_view bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0x80) return true;
    }
    return false;
}

std::string Utf16LeBytes(std::u16string_view units) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Where the value of `key` in the first `section` of `text` stands: the whole line of the key,
// or the empty place after the section's header line (or at the end of a text without the
// section), and whether the section is there.
struct KeyPlace {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool section = false;
    bool key = false;
};

KeyPlace FindKeyPlace(std::string_view text, std::string_view section, std::string_view key) {
    KeyPlace place{text.size(), text.size(), false, false};
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = Trim(text.substr(pos, end - pos));
        if (!line.empty() && line.front() == '[') {
            if (inSection) break;
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            if (!place.section && EqualNoCase(name, section)) {
                inSection = place.section = true;
                place.begin = place.end = end;
            }
        } else if (inSection && !line.empty() && line.front() != ';') {
            const std::size_t equals = line.find('=');
            if (equals != std::string_view::npos &&
                EqualNoCase(Trim(line.substr(0, equals)), key)) {
                place.begin = pos;
                place.end = end;
                place.key = true;
                return place;
            }
        }
        pos = end;
    }
    return place;
}

}  // namespace

std::optional<std::string> ProfileTextAsUtf8(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16LeToUtf8(bytes.substr(2));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (sjis::FirstInvalidUtf8(bytes, true) == bytes.size()) return std::string(bytes);
    std::string utf8;
    if (sjis::SjisToUtf8(bytes, &utf8)) return utf8;
    return std::nullopt;
}

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
    bool inSection = false;
    bool seenSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.front() == '[') {
            // Only the first section of that name counts, as with Windows.
            std::size_t close = line.find(']');
            std::string_view name = Trim(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            if (inSection) return std::nullopt;
            inSection = !seenSection && EqualNoCase(name, section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection || line.empty() || line.front() == ';') continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !EqualNoCase(Trim(line.substr(0, equals)), key))
            continue;
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::optional<std::string> ProfileWithValue(std::string_view bytes, std::string_view section,
                                            std::string_view key, std::string_view value) {
    if (sjis::FirstInvalidUtf8(value, true) != value.size()) return std::nullopt;
    enum class Form { kUtf16, kUtf8Marked, kUtf8, kSjis };
    Form form = Form::kSjis;
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        form = Form::kUtf16;
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        form = Form::kUtf8Marked;
    } else if (HasNonAscii(bytes) && sjis::FirstInvalidUtf8(bytes, true) == bytes.size()) {
        form = Form::kUtf8;
    }
    std::optional<std::string> text = ProfileTextAsUtf8(bytes);
    if (!text) return std::nullopt;
    // Lines ended by LF alone stay so; CR LF otherwise, as Notepad writes them.
    const bool lfAlone =
        text->find('\n') != std::string::npos && text->find("\r\n") == std::string::npos;
    const std::string newline = lfAlone ? "\n" : "\r\n";
    const std::string line = std::string(key) + "=" + std::string(value) + newline;
    const KeyPlace place = FindKeyPlace(*text, section, key);
    std::string added = line;
    if (!place.section) {
        // The section after the file's last line, which may lack its line end.
        const bool ended = text->empty() || text->back() == '\n';
        added = (ended ? "" : newline) + "[" + std::string(section) + "]" + newline + line;
    } else if (!place.key && place.begin > 0 && (*text)[place.begin - 1] != '\n') {
        added = newline + line;  // the header was the last line, without its line end
    }
    text->replace(place.begin, place.end - place.begin, added);
    switch (form) {
        case Form::kUtf16:
            return "\xFF\xFE" + Utf16LeBytes(*native::Utf8ToUtf16(*text));
        case Form::kUtf8Marked:
            return std::string(sjis::kUtf8Mark) + *text;
        case Form::kUtf8:
            return *text;
        case Form::kSjis:
            break;
    }
    std::string sjisText;
    if (sjis::Utf8ToSjis(*text, &sjisText)) return sjisText;
    return std::string(sjis::kUtf8Mark) + *text;
}
