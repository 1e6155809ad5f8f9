#pragma once

// The language the user reads, as the system says it: kcbooks and kcview speak Japanese to a
// Japanese user and English to everyone else. Windows asks the user's UI language; POSIX reads
// the first of LC_ALL, LC_MESSAGES and LANG that is set, as setlocale would.

#include <optional>

namespace native {

enum class Language { kEnglish, kJapanese };

// The override's language while one stands, else the system's (asked once a process).
Language UserLanguage();

// The system's answer alone; each host has its own.
Language SystemLanguage();

// Makes UserLanguage() answer `language` while it stands: the tests pin the texts they assert.
class LanguageOverride {
public:
    explicit LanguageOverride(Language language);
    ~LanguageOverride();
    LanguageOverride(const LanguageOverride&) = delete;
    LanguageOverride& operator=(const LanguageOverride&) = delete;

private:
    std::optional<Language> saved_;
};

}  // namespace native
