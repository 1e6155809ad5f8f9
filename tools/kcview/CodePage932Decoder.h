#pragma once

// Code page 932 (Shift_JIS with NEC's and IBM's extensions: ㈱ ① 髙) decoded to UTF-8 by our own
// table, registered with libxml2 under every name the export's declaration may use. Both hosts
// build the table from the same conversion (sjis::SjisToUtf8), so a file reads the same on both,
// whatever libxml2 itself was built with.

#include <string_view>

namespace kcview {

// Registers the decoder once; false when libxml2 refused it.
bool RegisterCodePage932Decoder();

// What the decoder accepts of `bytes`: the count of bytes that are whole characters, up to the
// first byte that is no character, or up to a character cut by the end of `bytes`. `undecodable`
// tells which of the two stopped it.
std::size_t DecodablePrefix(std::string_view bytes, bool* undecodable);

}  // namespace kcview
