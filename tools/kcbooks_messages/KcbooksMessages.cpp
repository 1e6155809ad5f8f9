#include "tools/kcbooks_messages/KcbooksMessages.h"

#include <array>

#include "native/Failure.h"

namespace kcbooks_messages {
namespace {

struct Entry {
    Id id;
    bilingual::Message message;
};

// The Japanese texts use the guide's words: 帳簿ファイル (the store), 帳簿フォルダー (the
// books folder), 仕訳, 伝票, 期首残高, 勘定科目, 会計期間.
constexpr Entry kTable[] = {
    {Id::kUsage,
     {"usage:\n"
      "  kcbooks import BOOKS_DIR STORE [--encoding utf-8|cp932]\n"
      "      (without --encoding, each file's own bytes tell its encoding)\n"
      "  kcbooks import --from interchange JOURNAL.csv STORE CONVERT-OPTIONS\n"
      "  kcbooks convert JOURNAL.csv --company NAME -o BOOKS_DIR [--openings OPENINGS.csv]\n"
      "      [--period YYYYMMDD..YYYYMMDD] [--chart CHART.csv | --chart-only CHART.csv]\n"
      "      [--encoding cp932|utf-8]\n"
      "      [--tax-rounding down|nearest|up] [--manufacturing yes|no]\n"
      "      [--tax-inclusive yes|no] [--interim yes|no] [--data-id ID] [--user USER]\n"
      "  kcbooks generate DIR --entries N [--seed S] [--tax-inclusive]\n"
      "  kcbooks show STORE\n"
      "  kcbooks export-journal STORE -o JOURNAL.csv [--openings OPENINGS.csv]\n"
      "      [--data NO] [--encoding cp932|utf-8]\n",
      "使い方:\n"
      "  kcbooks import 帳簿フォルダー 帳簿ファイル [--encoding utf-8|cp932]\n"
      "      （--encoding を省くと、ファイルごとに中身から文字コードを判断します）\n"
      "  kcbooks import --from interchange 仕訳データ.csv 帳簿ファイル 変換のオプション\n"
      "  kcbooks convert 仕訳データ.csv --company 会社名 -o 帳簿フォルダー [--openings "
      "期首残高.csv]\n"
      "      [--period YYYYMMDD..YYYYMMDD] [--chart 勘定科目.csv | --chart-only 勘定科目.csv]\n"
      "      [--encoding cp932|utf-8]\n"
      "      [--tax-rounding down|nearest|up] [--manufacturing yes|no]\n"
      "      [--tax-inclusive yes|no] [--interim yes|no] [--data-id ID] [--user 利用者]\n"
      "  kcbooks generate フォルダー --entries 件数 [--seed S] [--tax-inclusive]\n"
      "  kcbooks show 帳簿ファイル\n"
      "  kcbooks export-journal 帳簿ファイル -o 仕訳データ.csv [--openings 期首残高.csv]\n"
      "      [--data データ番号] [--encoding cp932|utf-8]\n"}},
    {Id::kUnknownEncoding,
     {"kcbooks: unknown encoding \"〈name〉\" (utf-8 or cp932)",
      "kcbooks: 文字コード「〈name〉」は指定できません（utf-8 か cp932 を指定してください）"}},
    {Id::kImportRefused,
     {"kcbooks: import refused: 〈reason〉", "kcbooks: 取り込めません: 〈reason〉"}},
    {Id::kImportBusy,
     {"〈store〉: another import into this store is still running after 〈seconds〉 seconds; the "
      "store is left as it was",
      "〈store〉: この帳簿ファイルへの別の取り込みが 〈seconds〉 "
      "秒待っても終わりません。帳簿ファイル"
      "は元のままです"}},
    {Id::kImportLockFailed,
     {"cannot lock the store for the import: 〈reason〉",
      "取り込みのために帳簿ファイルをロックできません: 〈reason〉"}},
    {Id::kImported,
     {"imported 〈books〉 into 〈store〉", "〈books〉 を 〈store〉 に取り込みました"}},
    {Id::kConvertRefused,
     {"kcbooks: convert refused: 〈reason〉", "kcbooks: 変換できません: 〈reason〉"}},
    {Id::kReportNotWritten,
     {"kcbooks: convert: the report cannot be written to the standard output; 〈written〉 is "
      "written",
      "kcbooks: convert: 変換の報告を標準出力に書き出せません。〈written〉 は書き込み済みです"}},
    {Id::kStoreClash,
     {"〈store〉: is 〈role〉 too; the store needs a file of its own",
      "〈store〉: 〈role〉のファイルと同じです。帳簿ファイルには別のファイルを指定してください"}},
    {Id::kRoleJournal, {"the journal", "仕訳データ"}},
    {Id::kRoleOpenings, {"the opening balances", "期首残高"}},
    {Id::kRoleChart, {"the chart", "勘定科目表"}},
    {Id::kRoleStore, {"the books store", "帳簿ファイル"}},
    {Id::kShowRefused, {"kcbooks: 〈reason〉", "kcbooks: 表示できません: 〈reason〉"}},
    {Id::kExportJournalFailed,
     {"kcbooks: export-journal failed: 〈reason〉",
      "kcbooks: 仕訳データを書き出せません: 〈reason〉"}},
    {Id::kJournalWritten,
     {"data set 〈data〉: 〈entries〉 entries in 〈lines〉 lines written to 〈journal〉",
      "データ 〈data〉: 仕訳 〈entries〉 件（〈lines〉 行）を 〈journal〉 に書き出しました"}},
    {Id::kAmountsRounded,
     {"  〈count〉 amounts held a fraction of a yen and are rounded to the nearest yen",
      "  円未満の端数がある金額 〈count〉 件を円単位に丸めました"}},
    {Id::kEntriesBalanced,
     {"; 〈count〉 entries balance by a yen moved on one side",
      "（仕訳 〈count〉 件は片方の金額を 1 円動かして貸借を合わせました）"}},
    {Id::kEntriesSplit,
     {"  〈count〉 entries carry lines of several dates and are written as a voucher per date; the "
      "form gives a voucher one date",
      "  複数の日付の行を持つ仕訳 〈count〉 件を、日付ごとの伝票に分けて書き出しました（この形式"
      "では伝票の日付は一つです）"}},
    {Id::kKindsDropped,
     {"  〈count〉 entries are transfers or bill discounts; the form has no place for an entry's "
      "kind",
      "  振替伝票または手形割引の仕訳が 〈count〉 件あります。この形式には仕訳の種類を書く欄が"
      "ありません"}},
    {Id::kOpeningsWritten,
     {"〈count〉 opening balances written to 〈openings〉",
      "期首残高 〈count〉 件を 〈openings〉 に書き出しました"}},
    {Id::kBalanceLeftOut,
     {"  the balance of 〈account〉 is left out: a reader takes the difference of the balances as "
      "its balance",
      "  〈account〉の残高は書き出していません。読み込む側で残高の差額がその残高になります"}},
    {Id::kSummaryLost,
     {"kcbooks: export-journal: the files are written, but the summary cannot be written to the "
      "output (a full disk or a closed pipe?)",
      "kcbooks: export-journal: ファイルは書き出しましたが、結果を出力に書けません（ディスクが"
      "いっぱいか、パイプが閉じられています）"}},
    {Id::kCommandFailed,
     {"kcbooks: 〈command〉 failed: 〈reason〉〈after〉",
      "kcbooks: 〈command〉 に失敗しました: 〈reason〉〈after〉"}},
    {Id::kArgumentFailed,
     {"kcbooks: 〈reason〉", "kcbooks: コマンドラインを読み取れません: 〈reason〉"}},
    {Id::kNoMemory, {"kcbooks: not enough memory", "kcbooks: メモリが不足しています"}},
    {Id::kCommandInterrupted,
     {"kcbooks: 〈command〉 interrupted〈after〉",
      "kcbooks: 〈command〉 は中断されました〈after〉"}},
    {Id::kRunInterrupted,
     {"kcbooks: run interrupted〈after〉", "kcbooks: 中断されました〈after〉"}},
    {Id::kThen, {"; 〈what〉", "。〈what〉"}},
    {Id::kListed, {"〈first〉, 〈next〉", "〈first〉、〈next〉"}},
    {Id::kIsWritten, {"〈files〉 is written", "〈files〉 は書き込み済みです"}},
    {Id::kAreWritten, {"〈files〉 are written", "〈files〉 は書き込み済みです"}},
    {Id::kStaysAsItWas, {"〈files〉 stays as it was", "〈files〉 は元のままです"}},
    {Id::kOneLeft,
     {"〈files〉 is left (another program held it): remove it",
      "〈files〉 が残っています（別のプログラムが開いていました）。削除してください"}},
    {Id::kSeveralLeft,
     {"〈files〉 are left (another program held it): remove them",
      "〈files〉 が残っています（別のプログラムが開いていました）。削除してください"}},
    {Id::kReasonNoRoom, {"no room left on the disk", "ディスクの空きがありません"}},
    {Id::kReasonTooLarge,
     {"the file would be larger than the system or a file-size limit allows",
      "ファイルがシステムまたはファイルサイズの上限を超えます"}},
    {Id::kReasonAccessDenied, {"permission denied", "アクセスが拒否されました"}},
    {Id::kReasonReadOnlyDisk, {"the disk is read-only", "ディスクが読み取り専用です"}},
    {Id::kReasonHeldOpen,
     {"another program holds the file", "別のプログラムがファイルを開いています"}},
    {Id::kReasonNotFound, {"no such file or folder", "ファイルまたはフォルダーがありません"}},
    {Id::kReasonExists,
     {"something already stands at this name", "この名前のファイルやフォルダーがすでにあります"}},
    {Id::kReasonNotPlainFile, {"not a regular file", "通常のファイルではありません"}},
    {Id::kReasonIsLink, {"a link stands at this name", "この名前はリンクです"}},
    {Id::kReasonNotEmpty,
     {"exists and is not an empty folder", "すでにあり、空のフォルダーではありません"}},
    {Id::kReasonDeviceError,
     {"the disk could not be read or written", "ディスクの読み書きに失敗しました"}},
    {Id::kReasonNoMemory, {"not enough memory", "メモリが不足しています"}},
    {Id::kReasonBadName, {"the system cannot take this name", "システムで使えない名前です"}},
    {Id::kReasonRunEnding, {"the run was interrupted", "実行が中断されました"}},
    {Id::kReasonSystemError, {"error 〈code〉", "エラー 〈code〉"}},
    {Id::kNotAFolder, {"〈folder〉: not a folder", "〈folder〉: フォルダーではありません"}},
    {Id::kAtLine, {"〈file〉, line 〈line〉: 〈why〉", "〈file〉 〈line〉 行目: 〈why〉"}},
    {Id::kAtCell,
     {"〈file〉, line 〈line〉, column 〈column〉: 〈why〉",
      "〈file〉 〈line〉 行目 〈column〉 列: 〈why〉"}},
    {Id::kInputNotRegular,
     {"〈file〉: is not a regular file (a folder, FIFO or device is not read)",
      "〈file〉: 通常のファイルではありません（フォルダー、FIFO、デバイスは読み込みません）"}},
    {Id::kInputTooLarge,
     {"〈file〉: is larger than 〈limit〉, the limit of this file",
      "〈file〉: このファイルの上限 〈limit〉 を超えています"}},
    {Id::kInputUnreadable, {"〈file〉: cannot be read", "〈file〉: 読み込めません"}},
    {Id::kNoHeaderRow, {"〈file〉: has no header row", "〈file〉: 見出しの行がありません"}},
    {Id::kSaveAsUtf8OrShiftJis,
     {"〈why〉; save it as UTF-8 or Shift_JIS",
      "〈why〉。UTF-8 か Shift_JIS で保存しなおしてください"}},
    {Id::kUnknownColumn, {"unknown column", "この列名は使えません"}},
    {Id::kColumnTwice, {"column given twice", "同じ列が二つあります"}},
    {Id::kRequiredColumnMissing, {"required column is missing", "必須の列がありません"}},
    {Id::kFieldCount,
     {"has 〈fields〉 fields, the header has 〈width〉",
      "項目が 〈fields〉 個あります（見出しの行は 〈width〉 個）"}},
    {Id::kValueRequired, {"a value is required", "値を入力してください"}},
    {Id::kNotWholeNumber, {"not a whole number: \"〈text〉\"", "整数ではありません: 「〈text〉」"}},
    {Id::kOutOfRange, {"out of range: 〈text〉", "範囲外の値です: 〈text〉"}},
    {Id::kNotAnAmount, {"not an amount: \"〈text〉\"", "金額ではありません: 「〈text〉」"}},
    {Id::kFractionDigits,
     {"more than four fraction digits: 〈text〉", "小数点以下が 4 桁を超えています: 〈text〉"}},
    {Id::kBeyond64Bits,
     {"beyond the 64-bit range: 〈text〉", "64 ビットの範囲を超えています: 〈text〉"}},
    {Id::kNotADate,
     {"not a date (yyyymmdd): \"〈text〉\"", "日付（yyyymmdd）ではありません: 「〈text〉」"}},
    {Id::kNotANatureCode,
     {"not a nature code: \"〈text〉\"", "勘定科目の属性コードではありません: 「〈text〉」"}},
};

// Each message at the place of its Id, and one for every Id.
constexpr bool InIdOrder() {
    if (std::size(kTable) != static_cast<std::size_t>(Id::kCount)) return false;
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) return false;
    }
    return true;
}
static_assert(InIdOrder(), "kcbooks' messages stand in the order of their Id, one for each");

constexpr std::array<bilingual::Message, std::size(kTable)> Messages() {
    std::array<bilingual::Message, std::size(kTable)> messages{};
    for (std::size_t i = 0; i < std::size(kTable); ++i) messages[i] = kTable[i].message;
    return messages;
}
constexpr std::array<bilingual::Message, std::size(kTable)> kMessages = Messages();

Id ReasonOf(native::FailureKind kind) {
    switch (kind) {
        case native::FailureKind::kNoRoom:
            return Id::kReasonNoRoom;
        case native::FailureKind::kTooLarge:
            return Id::kReasonTooLarge;
        case native::FailureKind::kAccessDenied:
            return Id::kReasonAccessDenied;
        case native::FailureKind::kReadOnlyDisk:
            return Id::kReasonReadOnlyDisk;
        case native::FailureKind::kHeldOpen:
            return Id::kReasonHeldOpen;
        case native::FailureKind::kNotFound:
            return Id::kReasonNotFound;
        case native::FailureKind::kExists:
            return Id::kReasonExists;
        case native::FailureKind::kNotPlainFile:
            return Id::kReasonNotPlainFile;
        case native::FailureKind::kIsLink:
            return Id::kReasonIsLink;
        case native::FailureKind::kNotEmpty:
            return Id::kReasonNotEmpty;
        case native::FailureKind::kDeviceError:
            return Id::kReasonDeviceError;
        case native::FailureKind::kNoMemory:
            return Id::kReasonNoMemory;
        case native::FailureKind::kBadName:
            return Id::kReasonBadName;
        case native::FailureKind::kRunEnding:
            return Id::kReasonRunEnding;
        case native::FailureKind::kOther:
            break;
    }
    return Id::kCount;
}

}  // namespace

std::string Say(Id id, std::initializer_list<bilingual::Value> values) {
    return bilingual::Say(kMessages[static_cast<std::size_t>(id)], values);
}

std::string FailureReason(const native::Failure& failure) {
    if (const Id reason = ReasonOf(failure.Kind()); reason != Id::kCount) return Say(reason);
    // The system's own words, in the language the system speaks to this user.
    std::string text = native::SystemText(failure.Code());
    return text.empty() ? Say(Id::kReasonSystemError, {{"code", failure.Code()}}) : text;
}

std::string FailureSentence(const native::Failure& failure) {
    return failure.Path() + ": " + FailureReason(failure);
}

std::span<const bilingual::Message> All() {
    return kMessages;
}

}  // namespace kcbooks_messages
