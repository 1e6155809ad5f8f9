#pragma once

// UTF-8 and UTF-16, strictly both ways: an invalid UTF-8 sequence or a lone surrogate is refused,
// never replaced, so a path or a name is never changed on its way to or from the system.

#include <optional>
#include <string>
#include <string_view>

namespace native {

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

}  // namespace native
