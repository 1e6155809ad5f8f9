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
