#pragma once

// Code page 932 (Shift_JIS with the NEC and IBM extensions, the system's text inside) and UTF-8,
// through the host's own tables: iconv's CP932 on POSIX, the code page of Windows there. Strict
// both ways: a byte sequence the code page does not define, a text that is not UTF-8 or a
// character without a code page 932 form (no best-fit substitute) is refused.
//
// The code page keeps no state between characters, so a text converts as its characters one by
// one do: the callers (common/Encoding) convert each character once and remember it.

#include <string>
#include <string_view>

namespace native {

// False, with `*utf8` empty, when `text` is not code page 932.
bool CodePage932ToUtf8(std::string_view text, std::string* utf8);
// False, with `*text` empty, when `utf8` is not UTF-8 or holds a character code page 932 lacks.
bool Utf8ToCodePage932(std::string_view utf8, std::string* text);

}  // namespace native
