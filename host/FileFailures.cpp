#include "host/FileFailures.h"

#include <cstdio>
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
        case FileFailure::kDiskFull:
            return "ディスクの空き容量が不足しています。";
        case FileFailure::kHeldByAnotherProgram:
            return "ファイルが別のプログラムで開かれています。";
        case FileFailure::kAccessDenied:
            return "ファイルへのアクセスが拒否されました。";
        case FileFailure::kReadOnlyDisk:
            return "ディスクが書き込み禁止になっています。";
        case FileFailure::kDeviceError:
            return "ディスクの読み書き中にエラーが発生しました。";
        case FileFailure::kNotFound:
            return "ファイルまたはフォルダが見つかりません。";
        case FileFailure::kNoSuchDrive:
            return "ドライブが見つかりません。";
        case FileFailure::kDeviceName:
            return "ファイルではなく装置の名前です。";
        case FileFailure::kPathNotShiftJis:
            return "パスに使用できない文字が含まれています。";
        case FileFailure::kNoTemporaryName:
            return "一時ファイルの名前を決められませんでした。";
        case FileFailure::kClosed:
            return "ファイルは既に閉じられています。";
        case FileFailure::kNothingWritten:
            return "ファイルに書き込めませんでした。";
        case FileFailure::kRunEnding:
            return "処理が中断されました。";
        case FileFailure::kReadOnlyFile:
            return "ファイルが読み取り専用になっています。";
        case FileFailure::kBooksStore:
            return "会計データのファイルです。会計データに上書きすることはできません。";
        case FileFailure::kFileTooLarge:
            return "ファイルの大きさが上限を超えました。";
    }
    return {};
}

}  // namespace

std::string FileFailureText(FileFailure failure) {
    return ToSjis(Sentence(failure));
}

FileError SystemFileError(std::string systemText, long code) {
    if (!systemText.empty()) return FileError(systemText);
    char sentence[128];
    std::snprintf(sentence, sizeof(sentence), "ファイルを操作できませんでした（エラー番号 %ld）。",
                  code);
    return FileError(ToSjis(sentence));
}
