#include "host/FileFailures.h"

#include <string_view>

#include "common/Encoding.h"

namespace {

// The host's shared sources are UTF-8; the system's texts are Shift_JIS.
std::string ToSjis(std::string_view utf8) {
    std::string sjis;
    return sjis::Utf8ToSjis(utf8, &sjis) ? sjis : std::string();
}

std::string_view Sentence(FileFailure failure) {
    switch (failure) {
        case FileFailure::kNoSuchDrive:
            return "ドライブが見つかりません。";
        case FileFailure::kPathNotShiftJis:
            return "パスに使用できない文字が含まれています。";
        case FileFailure::kClosed:
            return "ファイルは既に閉じられています。";
        case FileFailure::kReadOnlyFile:
            return "ファイルが読み取り専用になっています。";
    }
    return {};
}

// Ours for the kinds a user can act on; none for kOther, where the system's words say more.
std::string_view Sentence(native::FailureKind kind) {
    using native::FailureKind;
    switch (kind) {
        case FailureKind::kNoRoom:
            return "ディスクの空き容量が不足しています。";
        case FailureKind::kTooLarge:
            return "ファイルの大きさが上限を超えました。";
        case FailureKind::kAccessDenied:
            return "ファイルへのアクセスが拒否されました。";
        case FailureKind::kReadOnlyDisk:
            return "ディスクが書き込み禁止になっています。";
        case FailureKind::kHeldOpen:
            return "ファイルが別のプログラムで開かれています。";
        case FailureKind::kNotFound:
            return "ファイルまたはフォルダが見つかりません。";
        case FailureKind::kExists:
            return "同じ名前のファイルまたはフォルダが既にあります。";
        case FailureKind::kNotPlainFile:
            return "通常のファイルではありません（フォルダ、パイプ、装置などです）。";
        case FailureKind::kIsLink:
            return "リンクが置かれています（リンクの先は使いません）。";
        case FailureKind::kNotEmpty:
            return "フォルダが空ではありません。";
        case FailureKind::kDeviceError:
            return "ディスクの読み書き中にエラーが発生しました。";
        case FailureKind::kNoMemory:
            return "メモリが不足しています。";
        case FailureKind::kBadName:
            return "システムが扱えないパスです（長すぎるか、使用できない文字が含まれています）。";
        case FailureKind::kRunEnding:
            return "処理が中断されました。";
        case FailureKind::kOther:
            break;
    }
    return {};
}

}  // namespace

std::string FileFailureText(FileFailure failure) {
    return ToSjis(Sentence(failure));
}

std::string FailureText(const native::Failure& failure) {
    if (const std::string_view sentence = Sentence(failure.Kind()); !sentence.empty())
        return ToSjis(sentence);
    if (std::string text = ToSjis(native::SystemText(failure.Code())); !text.empty()) return text;
    return ToSjis("ファイルを操作できませんでした（エラー番号 " + std::to_string(failure.Code()) +
                  "）。");
}
