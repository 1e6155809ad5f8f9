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

// `bytes`, an INI file a user keeps (empty for a new one), with `key` of the first `section` set
// to `value`: the key's first line there replaced, else a line added after the section's header,
// else the section added at the end. Every other line stays as it was, comments included, and
// the file keeps its encoding and its line ends: UTF-16 with its byte-order mark, UTF-8 (with its
// mark when it had one), or Shift_JIS, which a value without a Shift_JIS form turns into UTF-8
// with a mark. A new file is Shift_JIS with CR LF, as Notepad on a Japanese system saves it. None
// when the bytes are none of these encodings, or `value` is not UTF-8.
std::optional<std::string> ProfileWithValue(std::string_view bytes, std::string_view section,
                                            std::string_view key, std::string_view value);
