#include "common/Bilingual.h"

#include "native/Language.h"

namespace bilingual {
namespace {

// 〈 and 〉 in UTF-8, written as bytes: this file is compiled in the system's Shift_JIS.
constexpr std::string_view kOpen = "\xE3\x80\x88";
constexpr std::string_view kClose = "\xE3\x80\x89";

// The placeholder that starts at `at` (its name and its length with the brackets), if one does.
bool PlaceholderAt(std::string_view text, std::size_t at, std::string_view* name,
                   std::size_t* length) {
    if (text.substr(at, kOpen.size()) != kOpen) return false;
    const std::size_t start = at + kOpen.size();
    const std::size_t end = text.find(kClose, start);
    if (end == std::string_view::npos || end == start) return false;
    *name = text.substr(start, end - start);
    if (name->find(kOpen) != std::string_view::npos) return false;
    *length = end + kClose.size() - at;
    return true;
}

}  // namespace

std::string Fill(std::string_view text, std::initializer_list<Value> values) {
    std::string filled;
    filled.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        std::string_view name;
        std::size_t length = 0;
        if (PlaceholderAt(text, at, &name, &length)) {
            const Value* value = nullptr;
            for (const Value& candidate : values) {
                if (candidate.name == name) value = &candidate;
            }
            if (value) {
                filled += value->text;
                at += length;
                continue;
            }
        }
        filled += text[at++];
    }
    return filled;
}

std::string_view Text(const Message& message) {
    return native::UserLanguage() == native::Language::kJapanese ? message.japanese
                                                                 : message.english;
}

std::string Say(const Message& message, std::initializer_list<Value> values) {
    return Fill(Text(message), values);
}

std::vector<std::string> Placeholders(std::string_view text) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < text.size()) {
        std::string_view name;
        std::size_t length = 0;
        if (PlaceholderAt(text, at, &name, &length)) {
            names.emplace_back(name);
            at += length;
        } else {
            ++at;
        }
    }
    return names;
}

}  // namespace bilingual
