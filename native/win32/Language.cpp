#include "native/Language.h"

#include <windows.h>

namespace native {

// The language of the user's Windows, not of the system's code page: a Japanese code page under
// an English UI still reads English.
Language SystemLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::kJapanese
                                                                      : Language::kEnglish;
}

}  // namespace native
