#pragma once

// What a text must be for the books to hold it: one set of rules for the import, which refuses a
// text that breaks them, and for the converter, which refuses it at the user's own file before
// it writes a folder the import would refuse. Texts are Shift_JIS; the reasons are UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace books {

// Why the books cannot hold `text` in a field of at most `limit` bytes; empty when they can. No
// control character reaches the store: the tax application's XML 1.0 refuses them.
std::string TextFault(std::string_view text, std::size_t limit);

// Why the export would write the name or label `text` empty (nothing is left once blanks,
// brackets and the marks are removed); empty when it would not.
std::string NameFault(std::string_view text);

// Both of the above for a name or label: TextFault, else NameFault.
std::string NameTextFault(std::string_view text, std::size_t limit);

// "0x01": a byte as the messages name it.
std::string ByteText(unsigned char c);

}  // namespace books
