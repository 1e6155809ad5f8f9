#pragma once

// Reading INI text the way the private-profile read of Windows does.

#include <optional>
#include <string>
#include <string_view>

// The value of `key` in the first `section` of INI text: names compared without case, blanks
// around the value and a pair of quotes around it removed. None when the section or the key
// is missing; the first of a repeated key wins.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// The text of an INI file a user keeps (kcbooks.ini) as UTF-8, whichever of the encodings
// Notepad saves it was saved in: UTF-16 with its byte-order mark, UTF-8 with or without one, or
// Shift_JIS. Bytes that are valid UTF-8 are UTF-8 (a Shift_JIS text of any length seldom is).
// None when the bytes are none of these.
std::optional<std::string> ProfileTextAsUtf8(std::string_view bytes);
