// The test programs that assert kcbooks' and kcview's English texts speak English whatever the
// language of the machine they run on (under Wine the user's language is Japanese).

#include "native/Language.h"

namespace {

const native::LanguageOverride kEnglish(native::Language::kEnglish);

}  // namespace
