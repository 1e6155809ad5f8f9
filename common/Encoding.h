#pragma once

// Conversion between UTF-8 (files and terminals outside) and Shift_JIS (code page 932, every
// text inside the system).

#include <string>
#include <string_view>

namespace sjis {

// False when `utf8` is not valid UTF-8 or holds a character that has no Shift_JIS form.
bool Utf8ToSjis(std::string_view utf8, std::string* out);
// False when `text` is not valid Shift_JIS.
bool SjisToUtf8(std::string_view text, std::string* utf8);
// For display: invalid bytes become '?'.
std::string SjisToUtf8Lossy(std::string_view text);

}  // namespace sjis
