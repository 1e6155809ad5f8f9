#pragma once

// UTF-8 and UTF-16, the one conversion of the system between them.
//
// Strictly both ways: an invalid UTF-8 sequence or a lone surrogate is refused, never replaced,
// so a path or a name is never changed on its way to or from the system.
//
// Shown: for a text that is only read by a person (a message, a line on the console, a message
// box), never a path or a name the system is given. Each byte that begins no UTF-8 character and
// each lone surrogate becomes U+FFFD, the replacement character: the reader sees that something
// stood there which cannot be shown, and the rest of the text as it is.

#include <optional>
#include <string>
#include <string_view>

namespace native {

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

std::u16string Utf8ToUtf16Shown(std::string_view utf8);
std::string Utf16ToUtf8Shown(std::u16string_view utf16);

}  // namespace native
