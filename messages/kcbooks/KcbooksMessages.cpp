#include "messages/kcbooks/KcbooksMessages.h"

#include <array>

#include "messages/tools/ToolMessages.h"

namespace kcbooks_messages {
namespace {

using Entry = bilingual::Entry<Id>;

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
      "  kcbooks generate DIR --entries N [--seed S] [--tax-inclusive] [--year-end YYYY-MM]\n"
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
      "  kcbooks generate フォルダー --entries 件数 [--seed S] [--tax-inclusive] [--year-end "
      "YYYY-MM]\n"
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
    {Id::kFractionalAmounts,
     {"〈count〉 amounts carry fractions of a yen; the statements cut each figure to whole yen",
      "円未満の端数がある金額が 〈count〉 件あります。決算書の金額は円未満を切り捨てます"}},
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
    {Id::kTextTooLong,
     {"text is 〈bytes〉 bytes in Shift_JIS, at most 〈limit〉 are allowed",
      "Shift_JIS で 〈bytes〉 バイトあります。〈limit〉 バイトまでにしてください"}},
    {Id::kTextHoldsNul, {"text holds a NUL byte", "NUL バイトが含まれています"}},
    {Id::kTextHoldsControl,
     {"text holds the control character 〈byte〉", "制御文字 〈byte〉 が含まれています"}},
    {Id::kNothingBesideMarks,
     {"nothing is left once blanks, brackets and the marks (製) (完) (未) are removed, as the "
      "statements remove them",
      "空白、括弧、印 (製) (完) (未) "
      "を除くと何も残りません（決算書ではこれらを除いて表示します）"}},
    {Id::kNoSjisFormOf,
     {"text has no Shift_JIS form: \"〈text〉\"", "Shift_JIS にない文字があります: 「〈text〉」"}},
    {Id::kNoSjisForm, {"text has no Shift_JIS form", "Shift_JIS にない文字があります"}},
    {Id::kTextNotUtf8, {"text is not UTF-8", "UTF-8 の文字ではありません"}},
    {Id::kTextNotSjis, {"text is not Shift_JIS", "Shift_JIS の文字ではありません"}},
    {Id::kTextUtf8NotSjis, {"text is UTF-8, not Shift_JIS", "Shift_JIS ではなく UTF-8 の文字です"}},
    {Id::kEncodingOption, {" (--encoding 〈encoding〉)", "（--encoding 〈encoding〉）"}},
    {Id::kAsByteOrderMark,
     {"〈why〉, as the file's byte-order mark says; save the file in one encoding",
      "〈why〉（ファイル先頭の BOM が示す文字コードと違います）。ファイル全体を一つの文字コードで"
      "保存しなおしてください"}},
    {Id::kAsFirstText,
     {"〈why〉, as the file's first non-ASCII text was; save the file in one encoding",
      "〈why〉（ファイルで最初の ASCII 以外の文字と文字コードが違います）。ファイル全体を一つの"
      "文字コードで保存しなおしてください"}},
    {Id::kAsFirstTextOfLine,
     {"〈why〉, as the file's first non-ASCII text (line 〈line〉) was; save the file in one "
      "encoding",
      "〈why〉（ファイルで最初の ASCII 以外の文字（〈line〉 "
      "行目）と文字コードが違います）。ファイル"
      "全体を一つの文字コードで保存しなおしてください"}},
    {Id::kNeitherEncoding,
     {"a byte here is neither UTF-8 nor Shift_JIS text; save the file as UTF-8 or Shift_JIS",
      "UTF-8 でも Shift_JIS でもないバイトがあります。UTF-8 か Shift_JIS で保存しなおしてくだ"
      "さい"}},
    {Id::kRecordTooLong,
     {"a record longer than 〈size〉 (a quote left open?)",
      "〈size〉 を超える行があります（引用符が閉じられていないのかもしれません）"}},
    {Id::kBytes, {"〈count〉 bytes", "〈count〉 バイト"}},
    {Id::kCannotBeRead, {"cannot be read", "読み込めません"}},
    {Id::kUnbalancedQuotes, {"unbalanced quotes", "引用符の対応が取れていません"}},
    {Id::kTextAfterQuote,
     {"unexpected text after a closing quote", "閉じる引用符の後に文字があります"}},
    {Id::kQuoteInUnquoted,
     {"a quote inside an unquoted field", "引用符で囲まれていない項目に引用符があります"}},
    {Id::kUtf16, {"is UTF-16 text", "UTF-16 のテキストです"}},
    {Id::kUnknownDataSet,
     {"unknown data set \"〈data〉\"", "データID「〈data〉」のデータが company.csv にありません"}},
    {Id::kBadDataId,
     {"a data ID may not hold \"/\", \"\\\", \":\" or a control character, nor be \".\" or \"..\"",
      "データIDに「/」「\\」「:」や制御文字は使えません。「.」や「..」もデータIDにできません"}},
    {Id::kPeriodBackwards, {"the period ends before it begins", "会計期間の末日が初日より前です"}},
    {Id::kPeriodTooLong,
     {"the period has more than 12 fiscal months", "会計期間が 12 か月を超えています"}},
    {Id::kIntroPosition,
     {"must be 0 to 12, or 99 for past-results data",
      "0 から 12、または過去の実績データなら 99 を指定してください"}},
    {Id::kDuplicateDataId, {"duplicate data ID", "データIDが重複しています"}},
    {Id::kDuplicateDataNo,
     {"duplicate data number 〈number〉", "データ番号 〈number〉 が重複しています"}},
    {Id::kNoDataSet, {"〈file〉: holds no data set", "〈file〉: データが一つもありません"}},
    {Id::kDuplicateUser, {"duplicate user", "利用者が重複しています"}},
    {Id::kNoSuchDataSet,
     {"the selected data set 〈number〉 does not exist", "選択したデータ 〈number〉 がありません"}},
    {Id::kNoUser, {"〈file〉: holds no user", "〈file〉: 利用者が一人もいません"}},
    {Id::kDuplicateCode, {"duplicate code 〈code〉", "勘定科目コード 〈code〉 が重複しています"}},
    {Id::kParentMissing,
     {"sub-account of the missing account 〈code〉",
      "補助科目の親となる勘定科目 〈code〉 がありません"}},
    {Id::kValueRequiredOnAccount,
     {"a value is required on an account", "勘定科目には値を入力してください"}},
    {Id::kMustBeDOrC, {"must be D or C", "D（借方）か C（貸方）を指定してください"}},
    {Id::kOnlyTotalsSum,
     {"only total accounts (flag 2 or 3) sum other accounts",
      "ほかの勘定科目を集計できるのは合計科目（flag 2 か 3）だけです"}},
    {Id::kSecondTaxAccount,
     {"a second consumption-tax account of this kind", "この種類の消費税の勘定科目が二つあります"}},
    {Id::kUnknownAccountCode,
     {"unknown account code 〈code〉", "勘定科目コード 〈code〉 がありません"}},
    {Id::kTotalTakesNoPostings,
     {"total account 〈code〉 takes no postings", "合計科目 〈code〉 には計上できません"}},
    {Id::kTotalsBeyond64Bits,
     {"the totals of account 〈code〉 leave the 64-bit range",
      "勘定科目 〈code〉 の合計が 64 ビットの範囲を超えます"}},
    {Id::kDateOutsidePeriod,
     {"date 〈date〉 lies outside the fiscal period", "日付 〈date〉 が会計期間の外にあります"}},
    {Id::kPositionRule,
     {"must be empty, the date's fiscal month, 15 or 18",
      "空欄、日付の会計月、15、18 のいずれかにしてください"}},
    {Id::kInterimNeedsClosing,
     {"15 (the interim settlement) needs interim_closing 1 in company.csv",
      "15（中間決算）にするには company.csv の interim_closing を 1 にしてください"}},
    {Id::kLineNeedsAccount,
     {"a line needs a debit or a credit account", "借方か貸方の勘定科目を指定してください"}},
    {Id::kAmountWithoutAccount,
     {"an amount on a side without an account", "勘定科目のない側に金額があります"}},
    {Id::kTaxOnOneSide,
     {"a line carries consumption tax on one side at most",
      "消費税は借方か貸方の一方にだけ付けられます"}},
    {Id::kNoInputTaxAccount,
     {"the books have no input-tax account (nature 0x80880810)",
      "帳簿に仮払消費税の勘定科目（属性 0x80880810）がありません"}},
    {Id::kNoOutputTaxAccount,
     {"the books have no output-tax account (nature 0x80484010)",
      "帳簿に仮受消費税の勘定科目（属性 0x80484010）がありません"}},
    {Id::kLineTwice,
     {"entry 〈entry〉 has line 〈line〉 twice",
      "仕訳 〈entry〉 に行番号 〈line〉 が二つあります"}},
    {Id::kEntryUnbalanced,
     {"entry 〈entry〉 does not balance", "仕訳 〈entry〉 の貸借が一致しません"}},
    {Id::kEntryUnbalancedBy,
     {"entry 〈entry〉 does not balance (debits 〈debits〉, credits 〈credits〉 ten-thousandths)",
      "仕訳 〈entry〉 の貸借が一致しません（借方 〈debits〉、貸方 〈credits〉。単位は 1 万分の 1 "
      "円）"}},
    {Id::kErasUnordered,
     {"eras must be in ascending order of their first days",
      "元号は開始日の古い順に並べてください"}},
    {Id::kNoEra, {"no era is given", "元号が一つもありません"}},
    {Id::kFirstEraBegins,
     {"the first era begins on 〈date〉", "最初の元号は 〈date〉 に始まります"}},
    {Id::kErasMustCover,
     {"〈why〉; the eras must cover every date of the books, from 〈first〉 (the period of data "
      "set "
      "〈data〉)",
      "〈why〉。元号は帳簿のすべての日付（データ 〈data〉 の会計期間の 〈first〉 から）を含む必要が"
      "あります"}},
    {Id::kCannotCreateStore,
     {"cannot create the store: 〈reason〉", "帳簿ファイルを作成できません: 〈reason〉"}},
    {Id::kCannotWriteStore,
     {"cannot write the store: 〈reason〉", "帳簿ファイルに書き込めません: 〈reason〉"}},
    {Id::kCannotPrepareLedger,
     {"cannot prepare the ledger: 〈reason〉", "元帳を準備できません: 〈reason〉"}},
    {Id::kLedgerBlockDamaged,
     {"a block of ledger lines was read back damaged", "読み戻した元帳の行が壊れていました"}},
    {Id::kCannotOpenStore, {"cannot open the store", "帳簿ファイルを開けません"}},
    {Id::kRowsNotMade, {"the rows cannot be made", "書き込む行を作れません"}},
    {Id::kNoRoomInFolder,
     {"no room left in the folder 〈folder〉 (the disk is full, or a file-size limit was reached)",
      "フォルダー 〈folder〉 に空きがありません（ディスクがいっぱいか、ファイルサイズの上限に達し"
      "ました）"}},
    {Id::kStoreNotPlainFile,
     {"〈store〉: exists and is not a regular file, so it is not replaced; remove it or give "
      "another path for the store",
      "〈store〉: 通常のファイルでないものがすでにあるため置き換えません。削除するか、帳簿ファイル"
      "に別の場所を指定してください"}},
    {Id::kStoreNotABooksStore,
     {"〈store〉: exists and is not a books store, so it is not replaced; remove it or give "
      "another path for the store",
      "〈store〉: 帳簿ファイルでないファイルがすでにあるため置き換えません。削除するか、帳簿"
      "ファイルに別の場所を指定してください"}},
    {Id::kNoMemoryToImport,
     {"not enough memory to import the books", "メモリが不足して帳簿を取り込めません"}},
    {Id::kNotABooksStore,
     {"〈store〉: not a books store", "〈store〉: 帳簿ファイルではありません"}},
    {Id::kNotABooksStoreBecause,
     {"〈store〉: not a books store (〈reason〉)",
      "〈store〉: 帳簿ファイルではありません（〈reason〉）"}},
    {Id::kStoreUnreadable,
     {"the store cannot be read: 〈reason〉", "帳簿ファイルを読み込めません: 〈reason〉"}},
    {Id::kFileNotWritten, {"the file cannot be written", "ファイルに書き込めません"}},
    {Id::kChooseDataSet,
     {"the store holds 〈count〉 data sets (〈sets〉); choose one with --data NO",
      "帳簿ファイルにデータが 〈count〉 件あります（〈sets〉）。--data でデータ番号を指定してくだ"
      "さい"}},
    {Id::kNoDataSetNumbered,
     {"the store holds no data set numbered 〈number〉",
      "帳簿ファイルにデータ番号 〈number〉 のデータはありません"}},
    {Id::kAccountNotInChart,
     {"account 〈code〉 is not in the chart", "勘定科目 〈code〉 が勘定科目表にありません"}},
    {Id::kNotShiftJisInStore,
     {"the text \"〈text〉\" of the store is not Shift_JIS and cannot be written as UTF-8",
      "帳簿ファイルの文字列「〈text〉」は Shift_JIS ではないため、UTF-8 で書き出せません"}},
    {Id::kVoucherPerDate,
     {"data set 〈data〉, entry 〈entry〉 (voucher 〈voucher〉): its lines are dated 〈dates〉, "
      "and "
      "those of 〈date〉 do not balance by themselves; the form gives a voucher one date, so the "
      "entry cannot be written as a voucher per date",
      "データ 〈data〉 の仕訳 〈entry〉（伝票番号 〈voucher〉）: 行の日付が 〈dates〉 に分かれて"
      "いて、〈date〉 の行だけでは貸借が一致しません。この形式では伝票の日付は一つのため、日付ごと"
      "の伝票に分けて書き出すこともできません"}},
    {Id::kOpeningBeyond64Bits,
     {"the opening balance of account 〈code〉 leaves the 64-bit range",
      "勘定科目 〈code〉 の期首残高が 64 ビットの範囲を超えます"}},
    {Id::kTargetIsStore,
     {"〈file〉: is the books store, which is not replaced",
      "〈file〉: 帳簿ファイルそのものです。帳簿ファイルは置き換えません"}},
    {Id::kTargetClash,
     {"〈file〉: is 〈role〉 too; the journal and the opening balances need files of their own",
      "〈file〉: 〈role〉のファイルと同じです。仕訳データと期首残高には別々のファイルを指定して"
      "ください"}},
    {Id::kStoreCannotBeRead,
     {"〈store〉: cannot be read: 〈reason〉", "〈store〉: 読み込めません: 〈reason〉"}},
    {Id::kOutputNotWritten,
     {"the output cannot be written (a full disk or a closed pipe?)",
      "出力に書き込めません（ディスクがいっぱいか、パイプが閉じられています）"}},
    {Id::kShowUsers, {"Users:", "利用者:"}},
    {Id::kShowUser,
     {"  〈user〉  selection 〈selection〉, data 〈data〉",
      "  〈user〉  選択 〈selection〉、データ 〈data〉"}},
    {Id::kShowDataSet,
     {"Data set 〈number〉 \"〈data〉\"  〈name〉", "データ 〈number〉「〈data〉」  〈name〉"}},
    {Id::kShowTaxIncluded,
     {"  period 〈from〉-〈to〉, amounts including consumption tax",
      "  会計期間 〈from〉-〈to〉、金額は税込み"}},
    {Id::kShowTaxExcluded,
     {"  period 〈from〉-〈to〉, amounts without consumption tax",
      "  会計期間 〈from〉-〈to〉、金額は税抜き"}},
    {Id::kShowCounts,
     {"  〈accounts〉 chart rows, 〈entries〉 entries, 〈lines〉 journal lines, 〈ledger〉 ledger "
      "lines",
      "  勘定科目 〈accounts〉 行、仕訳 〈entries〉 件、仕訳の行 〈lines〉 行、元帳の行 〈ledger〉 "
      "行"}},
    {Id::kShowTrialBalance, {"  Trial balance (whole year, yen)", "  合計残高試算表（通期、円）"}},
    {Id::kShowCode, {"code", "コード"}},
    {Id::kShowNature, {"nature", "属性"}},
    {Id::kShowDebit, {"debit", "借方"}},
    {Id::kShowCredit, {"credit", "貸方"}},
    {Id::kShowBalance, {"balance", "残高"}},
    {Id::kShowName, {"name", "勘定科目名"}},
    {Id::kShowTotal, {"total", "合計"}},
    {Id::kShowBeyond64Bits, {"(beyond 64 bits)", "（64 ビット超）"}},
    {Id::kShowNotComparable,
     {"  debits and credits cannot be compared: a sum leaves the 64-bit range",
      "  合計が 64 ビットの範囲を超えるため、借方と貸方を比べられません"}},
    {Id::kShowDebitsEqual, {"  debits equal credits", "  借方と貸方は一致しています"}},
    {Id::kShowDebitsDiffer, {"  debits DO NOT EQUAL credits", "  借方と貸方が一致しません"}},
    {Id::kShowBalanceSheet,
     {"  balance sheet at the year's end: assets 〈assets〉, liabilities 〈liabilities〉 + net "
      "assets 〈net〉 = 〈right〉: 〈verdict〉",
      "  期末の貸借対照表: 資産 〈assets〉、負債 〈liabilities〉 + 純資産 〈net〉 = 〈right〉: "
      "〈verdict〉"}},
    {Id::kShowUncheckable,
     {"cannot be checked (beyond 64 bits)", "確かめられません（64 ビットの範囲外）"}},
    {Id::kShowBalances, {"balances", "一致しています"}},
    {Id::kShowDoesNotBalance, {"DOES NOT BALANCE", "一致しません"}},
    {Id::kShowNoTotals,
     {"  balance sheet: the chart has no total accounts for assets, liabilities and net assets",
      "  貸借対照表: 勘定科目表に資産、負債、純資産の合計科目がありません"}},
    {Id::kConvNotADate,
     {"not a date: \"〈text〉\" (20250401, 2025/4/1, 2025-04-01, R07/4/1, 令和7年4月1日 …)",
      "日付ではありません: 「〈text〉」（20250401、2025/4/1、2025-04-01、R07/4/1、令和7年4月1日 "
      "などの形で書いてください）"}},
    {Id::kNotWholeYen,
     {"not a whole-yen amount: \"〈text〉\"", "円単位の金額ではありません: 「〈text〉」"}},
    {Id::kPeriodTooLongCalendar,
     {"the period has more than 12 fiscal months (fiscal months end with the calendar's)",
      "会計期間が 12 か月を超えています（会計月は暦の月末で区切ります）"}},
    {Id::kFields, {"〈count〉 fields", "〈count〉 個"}},
    {Id::kOneField, {"1 field", "1 個"}},
    {Id::kOpeningsFieldCount,
     {"has 〈fields〉, the opening balances form has 6",
      "項目が 〈fields〉しかありません（期首残高の形式は 6 個）"}},
    {Id::kJournalFieldCount,
     {"has 〈fields〉; a row of the journal form needs its first 17 of 25",
      "項目が 〈fields〉しかありません（仕訳データの形式の 25 個のうち、最初の 17 個が必要です）"}},
    {Id::kOpeningsOtherDay,
     {"dated 〈date〉, where the balances of line 〈line〉 are of 〈first〉; the form holds the "
      "balances of one day",
      "日付が 〈date〉 ですが、〈line〉 行目の残高は 〈first〉 のものです。期首残高には一日分の残高"
      "だけを書きます"}},
    {Id::kMustBeDebitOrCredit, {"must be 借方 or 貸方", "借方か貸方を指定してください"}},
    {Id::kBeyondJournalColumns,
     {"a value beyond the 25 columns of the journal form",
      "仕訳データの形式の 25 列より後に値があります"}},
    {Id::kNotAFlag,
     {"\"〈flag〉\" is not a flag of the form (2000, 2111, 2110, 2100, 2101)",
      "「〈flag〉」は仕訳データの形式の識別フラグではありません（2000、2111、2110、2100、2101）"}},
    {Id::kVoucherNotClosed,
     {"a new voucher begins before the voucher of line 〈line〉 has its last line (2101)",
      "〈line〉 行目の伝票の最終行（2101）より前に、新しい伝票が始まっています"}},
    {Id::kNoFirstLine,
     {"a middle or last line (2100, 2101) without the first line (2110) of its voucher",
      "伝票の先頭行（2110）がないまま、中間行または最終行（2100、2101）があります"}},
    {Id::kNoLastLine,
     {"the voucher that begins here has no last line (2101)",
      "ここから始まる伝票に最終行（2101）がありません"}},
    {Id::kTwoRates, {"the tax category names two rates", "税区分に税率が二つあります"}},
    {Id::kUnknownRate,
     {"the tax category names the rate 〈rate〉%; the rates are 10% and 8%",
      "税区分の税率 〈rate〉% は使えません。税率は 10% と 8% です"}},
    {Id::kUnknownShare,
     {"the tax category names the share 区分〈share〉%; the transitional shares are 区分80% and "
      "区分50%",
      "税区分の 区分〈share〉% は使えません。経過措置の割合は 区分80% と 区分50% です"}},
    {Id::kTaxWithoutCategory,
     {"a tax amount of 〈tax〉 yen on a tax category that holds none (only 内, 外, 別 and 込 "
      "categories relate an amount to a tax)",
      "消費税額 〈tax〉 円がありますが、税区分は税額を伴わないものです（金額と税額を結び付けるのは "
      "内、外、別、込 の税区分だけです）"}},
    {Id::kInclusiveAndExclusive,
     {"tax-inclusive (込) and tax-exclusive (内) categories in one journal; the first 込 is on "
      "line "
      "〈inclusive〉, the first 内 on line 〈exclusive〉",
      "税込経理の税区分（込）と税抜経理の税区分（内）が一つの仕訳データにあります。最初の 込 は "
      "〈inclusive〉 行目、最初の 内 は 〈exclusive〉 行目です"}},
    {Id::kInterimInNoInterim,
     {"a line of the interim settlement (中決) in books that close no interim period (--interim "
      "no)",
      "中間決算を行わない帳簿（--interim no）に中間決算（中決）の行があります"}},
    {Id::kSettlement, {"must be empty, 中決 or 本決", "空欄、中決、本決 のいずれかにしてください"}},
    {Id::kNoRateNoTax,
     {"the tax category names no rate (10% or 8%) and the tax amount is empty",
      "税区分に税率（10% か 8%）がなく、消費税額も空欄です"}},
    {Id::kNoInputTaxInChart,
     {"the tax inside the amount goes to the input-tax account, and the chart has none (nature "
      "0x80880810)",
      "金額に含まれる消費税は仮払消費税に計上しますが、勘定科目表にありません（属性 "
      "0x80880810）"}},
    {Id::kNoOutputTaxInChart,
     {"the tax inside the amount goes to the output-tax account, and the chart has none (nature "
      "0x80484010)",
      "金額に含まれる消費税は仮受消費税に計上しますが、勘定科目表にありません（属性 "
      "0x80484010）"}},
    {Id::kVoucherUnbalanced,
     {"the voucher does not balance (debits 〈debits〉, credits 〈credits〉 yen)",
      "伝票の貸借が一致しません（借方 〈debits〉 円、貸方 〈credits〉 円）"}},
    {Id::kTooManySubAccounts,
     {"more than 9999 sub-accounts of one account",
      "一つの勘定科目の補助科目が 9999 を超えています"}},
    {Id::kPostsToTotal,
     {"the journal posts to 1 total account, which only sum other accounts; post to the accounts "
      "they sum:",
      "仕訳データが合計科目 1 件に計上しています。合計科目はほかの勘定科目を集計するだけです。集計"
      "される勘定科目に計上してください:"}},
    {Id::kPostsToTotals,
     {"the journal posts to 〈count〉 total accounts, which only sum other accounts; post to the "
      "accounts they sum:",
      "仕訳データが合計科目 〈count〉 件に計上しています。合計科目はほかの勘定科目を集計するだけ"
      "です。集計される勘定科目に計上してください:"}},
    {Id::kUnknownName,
     {"the chart does not know 1 account name; add each to a chart given with --chart, e.g. as "
      "the line shown:",
      "勘定科目表にない勘定科目名が 1 件あります。--chart で指定する勘定科目表に、下に示した行の"
      "ように追加してください:"}},
    {Id::kUnknownNames,
     {"the chart does not know 〈count〉 account names; add each to a chart given with --chart, "
      "e.g. as the line shown:",
      "勘定科目表にない勘定科目名が 〈count〉 件あります。--chart で指定する勘定科目表に、下に"
      "示した行のように追加してください:"}},
    {Id::kPlace,
     {"〈file〉 line 〈line〉 column 〈column〉", "〈file〉 〈line〉 行目 〈column〉 列"}},
    {Id::kNameAt, {"  〈name〉 (〈where〉)", "  〈name〉（〈where〉）"}},
    {Id::kChartLine,
     {"    NNNN0000,〈name〉,,0x........,D or C,0,0,",
      "    NNNN0000,〈name〉,,0x........,D か C,0,0,"}},
    {Id::kTheBalances, {"〈file〉: the balances: 〈why〉", "〈file〉: 期首残高の合計: 〈why〉"}},
    {Id::kTheTrialBalance, {"the trial balance: 〈why〉", "試算表: 〈why〉"}},
    {Id::kSumsBeyondRange,
     {"the sums of the books leave the range the books hold (〈limit〉 yen)",
      "帳簿の合計が帳簿で扱える範囲（〈limit〉 円）を超えます"}},
    {Id::kNoRetainedEarnings,
     {"〈file〉: the balances differ by 〈difference〉 yen and the chart has no account 繰越利益",
      "〈file〉: 期首残高の貸借が 〈difference〉 円違いますが、勘定科目表に 繰越利益 "
      "がありません"}},
    {Id::kBalancesNotFirstDay,
     {"the balances are of 〈date〉, not of the first day of a month, where a fiscal year begins; "
      "give --period",
      "残高の日付 〈date〉 が月の初日ではありません（会計期間は月の初日に始まります）。--period "
      "を指定してください"}},
    {Id::kNoJournalLine,
     {"〈file〉: holds no journal line; give --period",
      "〈file〉: 仕訳の行がありません。--period を指定してください"}},
    {Id::kFromOpeningsDate, {"the opening balances' date", "期首残高の日付"}},
    {Id::kFromFirstMonth, {"the month of the journal's first date", "仕訳データの最初の日付の月"}},
    {Id::kPeriodAfter9999,
     {"the fiscal period from 〈from〉 (〈source〉) would end after the year 9999; give --period",
      "〈from〉（〈source〉）から始まる会計期間は 9999 年より後に終わります。--period を指定して"
      "ください"}},
    {Id::kPeriodBeforeEras,
     {"the fiscal period begins on 〈from〉 (〈source〉), before the first era the books write "
      "dates in (明治, 〈first〉)",
      "会計期間の初日 〈from〉（〈source〉）が、帳簿の日付に使う最初の元号（明治、〈first〉）より"
      "前です"}},
    {Id::kOutsidePeriodGive,
     {"date 〈date〉 lies outside the fiscal period 〈from〉..〈to〉 (give --period)",
      "日付 〈date〉 が会計期間 〈from〉..〈to〉 の外にあります（--period を指定してください）"}},
    {Id::kStandardChart, {"the standard chart", "標準の勘定科目表"}},
    {Id::kNamesNoChart, {"names no chart", "勘定科目表のファイルが指定されていません"}},
    {Id::kConvertBusy,
     {"〈folder〉: another convert into this folder is still running; nothing was written",
      "〈folder〉: このフォルダーへの別の変換がまだ終わっていません。何も書き込んでいません"}},
    {Id::kNotAWholeNumber, {"not a whole number", "整数ではありません"}},
    {Id::kMustBe0To3, {"must be 0 to 3", "0 から 3 を指定してください"}},
    {Id::kMustBe0Or1, {"must be 0 or 1", "0 か 1 を指定してください"}},
    {Id::kNatureAndSide,
     {"an account needs its nature and its side (D or C)",
      "勘定科目には属性と貸借（D か C）が必要です"}},
    {Id::kNotANature,
     {"not a nature (a number of 32 bits, hexadecimal as 0x80880001 or decimal)",
      "属性ではありません（32 ビットの数値を 0x80880001 のような 16 進数か 10 進数で書いてくだ"
      "さい）"}},
    {Id::kNotANatureOf, {"not a nature: \"〈text〉\"", "属性ではありません: 「〈text〉」"}},
    {Id::kDuplicateCodeInChart, {"duplicate code", "勘定科目コードが重複しています"}},
    {Id::kNameTwice,
     {"〈file〉: the account name 〈name〉 is given twice",
      "〈file〉: 勘定科目名 〈name〉 が二つあります"}},
    {Id::kIsNotRegular, {"is not a regular file", "通常のファイルではありません"}},
    {Id::kLargerThan, {"is larger than 〈limit〉", "〈limit〉 を超えています"}},
    {Id::kSaveAsSjisOrUtf8,
     {"〈why〉; save it as Shift_JIS or as UTF-8",
      "〈why〉。Shift_JIS か UTF-8 で保存しなおしてください"}},
    {Id::kReportJournalRead,
     {"read 〈file〉: 〈entries〉 entries, 〈lines〉 lines (〈skipped〉 comment, header or "
      "end-of-file "
      "lines left out; 〈empty〉 last lines (2101) without an account or amount left out)",
      "読み込み 〈file〉: 伝票 〈entries〉 件、〈lines〉 行（コメント・見出し・ファイル終端の行 "
      "〈skipped〉 "
      "行と、勘定科目も金額もない最終行（2101）〈empty〉 行を除く）"}},
    {Id::kReportOpeningsRead,
     {"read 〈file〉: 〈rows〉 balances, 〈byDepartment〉 of them by department: 〈summed〉 "
      "accounts "
      "given only by department take the sum of their departments, 〈companyWide〉 given "
      "company-wide too take the company-wide balance; 繰越利益 takes the difference of "
      "〈difference〉 yen",
      "読み込み 〈file〉: 期首残高 〈rows〉 行（うち部門別 〈byDepartment〉 "
      "行）。部門別にだけある勘定科目 "
      "〈summed〉 件は部門の合計、全社の残高もある 〈companyWide〉 "
      "件は全社の残高を取りました。繰越利益"
      "は差額 〈difference〉 円です"}},
    {Id::kReportAliases,
     {"names read as the chart names them:", "勘定科目表の名前に読み替えた名前:"}},
    {Id::kReportAccountsUsed,
     {"accounts used: 〈accounts〉, with 〈subs〉 sub-accounts",
      "使った勘定科目: 〈accounts〉 件（補助科目 〈subs〉 件）"}},
    {Id::kReportPeriod,
     {"period: 〈from〉..〈to〉 (from 〈source〉)",
      "会計期間: 〈from〉..〈to〉（〈source〉から）"}},
    {Id::kYes, {"yes", "あり"}},
    {Id::kNo, {"no", "なし"}},
    {Id::kReportManufacturing,
     {"manufacturing: 〈answer〉 (〈why〉)", "製造原価報告書: 〈answer〉（〈why〉）"}},
    {Id::kNoManufacturingAccount, {"no [製] account", "[製] の勘定科目がありません"}},
    {Id::kFromAccount, {"from 〈account〉", "〈account〉 から"}},
    {Id::kReportTaxInclusive,
     {"tax-inclusive: 〈answer〉 (〈why〉)", "税込経理: 〈answer〉（〈why〉）"}},
    {Id::kInclusiveOnLine, {"込 on line 〈line〉", "〈line〉 行目の込"}},
    {Id::kNoInclusiveCategory, {"no 込 category", "込の税区分がありません"}},
    {Id::kReportInterim,
     {"interim closing: 〈answer〉 (〈why〉)", "中間決算: 〈answer〉（〈why〉）"}},
    {Id::kInterimOnLine, {"中決 on line 〈line〉", "〈line〉 行目の中決"}},
    {Id::kNoInterimLine, {"no 中決 line", "中決の行がありません"}},
    {Id::kReportDropped,
     {"dropped: 〈values〉 values of the columns 〈columns〉; 〈departments〉 departments summed "
      "company-wide; 〈vouchers〉 voucher numbers the books cannot hold (a whole number of at "
      "most 9 digits), their entries numbered instead",
      "取り込まなかった値: 〈columns〉 の列の値 〈values〉 個。全社に合計した部門 〈departments〉 "
      "件。"
      "帳簿に持てない伝票番号（9 桁までの整数でないもの）〈vouchers〉 "
      "件は、番号を振りなおしました"}},
    {Id::kReportCut,
     {"cut: 〈descriptions〉 descriptions to 60 bytes; 〈taxes〉 taxes computed from the rate; "
      "〈breaks〉 line breaks in descriptions made blanks",
      "直した値: 摘要 〈descriptions〉 件を 60 バイトに切り詰め、税額 〈taxes〉 "
      "件を税率から計算し、"
      "摘要の改行 〈breaks〉 個を空白にしました"}},
    {Id::kReportTransitional,
     {"transitional credit (区分80%, 区分50%): 〈lines〉 lines, of whose computed tax only the "
      "share is booked on 仮払消費税",
      "経過措置（区分80%、区分50%）: 〈lines〉 "
      "行。計算した税額のうち控除できる割合だけを仮払消費税に"
      "計上しました"}},
    {Id::kReportOtherDates,
     {"dated otherwise than their voucher's first line, and booked on its date: 〈lines〉 lines",
      "伝票の最初の行と日付が違い、伝票の日付で計上した行: 〈lines〉 行"}},
    {Id::kOtherDatePlace,
     {"line 〈line〉 dated 〈date〉, its voucher (line 〈voucherLine〉) 〈voucherDate〉",
      "〈line〉 行目の日付 〈date〉、伝票（〈voucherLine〉 行目）の日付 〈voucherDate〉"}},
    {Id::kReportWritten,
     {"written 〈folder〉: 〈lines〉 journal lines", "書き出し 〈folder〉: 仕訳 〈lines〉 行"}},
    {Id::kReportTrialBalance,
     {"trial balance (code, account, debits, credits, balance):",
      "試算表（コード、勘定科目、借方、貸方、残高）:"}},
    {Id::kReportTotal, {"total 〈debits〉 〈credits〉", "合計 〈debits〉 〈credits〉"}},
    {Id::kDebitsEqualCredits, {"(debits equal credits)", "（借方と貸方が一致）"}},
};

// A message missing or out of Id order fails the build here.
constexpr auto kMessages = bilingual::InIdOrder(kTable);

}  // namespace

std::string Say(Id id, std::initializer_list<bilingual::Value> values) {
    return bilingual::Say(kMessages[static_cast<std::size_t>(id)], values);
}

std::string FailureSentence(const native::Failure& failure) {
    return tool_messages::FailureSentence(failure);
}

std::string NotABooksStore(const std::string& store, const std::string& reason) {
    if (reason.empty()) return Say(Id::kNotABooksStore, {{"store", store}});
    return Say(Id::kNotABooksStoreBecause, {{"store", store}, {"reason", reason}});
}

std::span<const bilingual::Message> All() {
    return kMessages;
}

}  // namespace kcbooks_messages
