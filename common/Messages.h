#pragma once

// The pieces of the messages that more than one floor shows, each written here once. Each
// includer compiles them in its own execution character set (Shift_JIS inside the system, UTF-8
// in the hosts' terminal code), the one it shows them in: so they have internal linkage, never
// one definition that two character sets would share.

#include <cstddef>
#include <string>

// For a literal joined to others ("..." KC_MESSAGE_QUITS) and for the wide form (L"" KC_CAPTION).
#define KC_CAPTION "決算書"
#define KC_MESSAGE_QUITS "アプリケーションを終了します。"

namespace messages {
namespace {

// The caption of every message box of the export.
constexpr char kCaption[] = KC_CAPTION;
constexpr char kNoMemory[] = "ﾒﾓﾘが不足しています。";

// A path over the limit, however it came into the dialog: typed, pasted, chosen or saved.
inline std::string TooLongPath(std::size_t limit) {
    return "データの出力先が長すぎます。\n\n出力先は半角" + std::to_string(limit) + "文字（全角" +
           std::to_string(limit / 2) + "文字）以内で再入力してください。";
}

}  // namespace
}  // namespace messages
