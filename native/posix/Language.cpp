#include "native/Language.h"

#include <cstdlib>
#include <string_view>

namespace native {

// The variables in the order setlocale reads them for LC_MESSAGES: the first one set decides.
Language SystemLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return std::string_view(value).starts_with("ja") ? Language::kJapanese : Language::kEnglish;
    }
    return Language::kEnglish;
}

}  // namespace native
