#include "messages/tools/ToolMessages.h"

#include <array>

namespace tool_messages {
namespace {

// One reason for each kind of failure but kOther, in the order of native::FailureKind.
constexpr std::array<bilingual::Message, static_cast<std::size_t>(native::FailureKind::kOther)>
    kKindReasons = {{
        {"no room left on the disk", "ディスクの空きがありません"},
        {"the file would be larger than the system or a file-size limit allows",
         "ファイルがシステムまたはファイルサイズの上限を超えます"},
        {"permission denied", "アクセスが拒否されました"},
        {"the disk is read-only", "ディスクが読み取り専用です"},
        {"another program holds the file", "別のプログラムがファイルを開いています"},
        {"no such file or folder", "ファイルまたはフォルダーがありません"},
        {"something already stands at this name", "この名前のファイルやフォルダーがすでにあります"},
        {"not a regular file", "通常のファイルではありません"},
        {"a link stands at this name", "この名前はリンクです"},
        {"exists and is not an empty folder", "すでにあり、空のフォルダーではありません"},
        {"the disk could not be read or written", "ディスクの読み書きに失敗しました"},
        {"not enough memory", "メモリが不足しています"},
        {"the system cannot take this name", "システムで使えない名前です"},
        {"the run was interrupted", "実行が中断されました"},
    }};

constexpr bilingual::Message kSystemError{"error 〈code〉", "エラー 〈code〉"};
constexpr bilingual::Message kArgumentNotUtf16{
    "argument 〈number〉 is not valid UTF-16",
    "〈number〉 番目の引数が正しい UTF-16 の文字列ではありません"};

constexpr std::array<bilingual::Message, kKindReasons.size() + 2> AllMessages() {
    std::array<bilingual::Message, kKindReasons.size() + 2> all{};
    for (std::size_t i = 0; i < kKindReasons.size(); ++i) all[i] = kKindReasons[i];
    all[kKindReasons.size()] = kSystemError;
    all[kKindReasons.size() + 1] = kArgumentNotUtf16;
    return all;
}
constexpr auto kAll = AllMessages();

}  // namespace

std::string KindReason(native::FailureKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kKindReasons.size() ? bilingual::Say(kKindReasons[index]) : std::string();
}

std::string FailureReason(const native::Failure& failure) {
    if (std::string reason = KindReason(failure.Kind()); !reason.empty()) return reason;
    std::string text = native::SystemText(failure.Code());
    return text.empty() ? bilingual::Say(kSystemError, {{"code", failure.Code()}}) : text;
}

std::string FailureSentence(const native::Failure& failure) {
    return failure.Path() + ": " + FailureReason(failure);
}

std::string ArgumentNotUtf16(int index) {
    return bilingual::Say(kArgumentNotUtf16, {{"number", index}});
}

std::span<const bilingual::Message> All() {
    return kAll;
}

}  // namespace tool_messages
