#include "tools/kcview/KcviewMessages.h"

#include <array>

namespace kcview_messages {
namespace {

using Entry = bilingual::Entry<Id>;

constexpr Entry kTable[] = {
    {Id::kUsage,
     {"usage: kcview EXPORT.xml [-o REVIEW.html] [--check] [--previous LAST.xml "
      "[--flag-change PERCENT%,YEN]] [--books STORE]\n"
      "  writes the review page (by default EXPORT.html beside the file);\n"
      "  --check prints the failed checks and the warnings, and exits 1 when a check fails,\n"
      "  0 when none does;\n"
      "  --previous shows last year's export beside this one and marks the changes of at least\n"
      "  PERCENT per cent and YEN yen (by default 30%,1000000);\n"
      "  --books checks every figure against the books the file was exported from (the store\n"
      "  kcbooks import made)\n",
      "使い方: kcview 書き出したファイル.xml [-o 確認ページ.html] [--check] [--previous "
      "前期のファイル.xml [--flag-change 割合%,金額]] [--books 帳簿ファイル]\n"
      "  確認ページを書き出します（指定がなければファイルと同じ場所に .html で）。\n"
      "  --check 合わない確認と注意を表示し、合わない確認が一つでもあれば 1、なければ 0 で\n"
      "  終わります。\n"
      "  --previous 前期のファイルと並べて表示し、割合（%）と金額（円）の両方以上変わった行に\n"
      "  印を付けます（指定がなければ 30%,1000000）。\n"
      "  --books 書き出し元の帳簿（kcbooks import で作った帳簿ファイル）とすべての数字を\n"
      "  照らし合わせます\n"}},
    {Id::kNoMemory,
     {"kcview: not enough memory; close other programs and run kcview again\n",
      "kcview: メモリが不足しています。ほかのプログラムを閉じて、もう一度 kcview を実行してく"
      "ださい\n"}},
    {Id::kInterrupted,
     {"kcview: interrupted; run kcview again",
      "kcview: 中断されました。もう一度 kcview を実行してください"}},
    {Id::kNotRegular,
     {"kcview: 〈file〉: is not a regular file", "kcview: 〈file〉: 通常のファイルではありません"}},
    {Id::kCannotOpen,
     {"kcview: 〈file〉: cannot open the file: 〈reason〉",
      "kcview: 〈file〉: ファイルを開けません: 〈reason〉"}},
    {Id::kCannotRead,
     {"kcview: 〈file〉: cannot read the file: 〈reason〉",
      "kcview: 〈file〉: ファイルを読み込めません: 〈reason〉"}},
    {Id::kCannotWrite,
     {"kcview: cannot write 〈page〉: 〈reason〉",
      "kcview: 〈page〉 を書き出せません: 〈reason〉"}},
    {Id::kFileRefused,
     {"kcview: 〈file〉: 〈reason〉", "kcview: 読み込めません: 〈file〉: 〈reason〉"}},
    {Id::kFileRefusedAtLine,
     {"kcview: 〈file〉, line 〈line〉: 〈reason〉",
      "kcview: 読み込めません: 〈file〉 〈line〉 行目: 〈reason〉"}},
    {Id::kPreviousRefused,
     {"kcview: 〈file〉: 〈reason〉",
      "kcview: 前期のファイルとして使えません: 〈file〉: 〈reason〉"}},
    {Id::kBadFlagChange,
     {"kcview: --flag-change 〈value〉: give a per cent and an amount in yen, such as 20%,500000",
      "kcview: --flag-change 〈value〉: 割合（%）と金額（円）を 20%,500000 のように指定してく"
      "ださい"}},
    {Id::kFlagChangeAlone,
     {"kcview: --flag-change marks changes from last year: give --previous too",
      "kcview: --flag-change は前期からの増減に印を付けます。--previous も指定してください"}},
    {Id::kPageClash,
     {"kcview: 〈page〉 is 〈role〉; give -o another path",
      "kcview: 〈page〉 は〈role〉です。-o で別の場所を指定してください"}},
    {Id::kRoleExport, {"the exported file itself", "書き出したファイルそのもの"}},
    {Id::kRolePrevious, {"last year's export (--previous)", "前期のファイル（--previous）"}},
    {Id::kPageNotRegular,
     {"kcview: 〈page〉 is not a regular file (a folder, a pipe or a device); give -o another path",
      "kcview: 〈page〉 は通常のファイルではありません（フォルダー、パイプ、デバイス）。-o で別の"
      "場所を指定してください"}},
    {Id::kWrote, {"kcview: wrote 〈page〉", "kcview: 〈page〉 を書き出しました"}},
    {Id::kSomeNotApplicable,
     {"kcview: 〈held〉 of 〈checks〉 checks hold, 〈excluded〉 not applicable",
      "kcview: 〈checks〉 件の確認のうち 〈held〉 件が合い、〈excluded〉 件は対象外です"}},
    {Id::kAllHold,
     {"kcview: all 〈checks〉 checks hold", "kcview: 〈checks〉 件の確認はすべて合っています"}},
    {Id::kSomeFailed,
     {"kcview: 〈failed〉 of 〈checks〉 checks failed",
      "kcview: 〈checks〉 件の確認のうち 〈failed〉 件が合いません"}},
    {Id::kWithWarnings,
     {" (〈warned〉 with warnings to look at)", "（〈warned〉 件に注意があります）"}},
    {Id::kNotAnExport,
     {"〈reason〉: this is not an exported file", "〈reason〉。書き出したファイルではありません"}},
    {Id::kNotWellFormed, {"not well-formed XML: 〈what〉", "XML として正しくありません: 〈what〉"}},
    {Id::kMarkupBroken, {"the markup is broken", "タグが壊れています"}},
    {Id::kTagMismatch,
     {"an end tag does not match its start tag", "終了タグが開始タグと合いません"}},
    {Id::kUnclosed,
     {"the file ends before its elements are closed", "要素が閉じる前にファイルが終わっています"}},
    {Id::kNoXml, {"the file holds no XML", "ファイルに XML がありません"}},
    {Id::kAfterRoot,
     {"something follows the end of the root element", "ルート要素の後に何かが続いています"}},
    {Id::kUndefinedEntity,
     {"a reference to an entity the file does not define",
      "ファイルで定義されていない実体を参照しています"}},
    {Id::kUnreadableEncoding,
     {"the file declares an encoding other than Shift_JIS or UTF-8 that cannot be read",
      "読み込めない文字コード（Shift_JIS、UTF-8 以外）が宣言されています"}},
    {Id::kBadCharacter,
     {"a character is not allowed in XML or not proper UTF-8",
      "XML で使えない文字か、正しくない UTF-8 があります"}},
    {Id::kUndecodable,
     {"a byte is no character of Shift_JIS (code page 932)",
      "Shift_JIS（コードページ 932）の文字でないバイトがあります"}},
    {Id::kTooDeep,
     {"elements are nested deeper than 〈levels〉 levels",
      "要素の入れ子が 〈levels〉 段より深くなっています"}},
    {Id::kRootNotReport,
     {"the root element is 〈name〉, not REPORT", "ルート要素が REPORT ではなく 〈name〉 です"}},
    {Id::kWrittenTwice,
     {"〈element〉 appears a second time: an exported file writes it once",
      "〈element〉 が二度目に現れました。書き出したファイルでは一度しか書かれません"}},
    {Id::kTooManyElements,
     {"the statements hold more than 〈count〉 elements: an exported file holds far fewer",
      "決算書の要素が 〈count〉 個を超えています。書き出したファイルはずっと少ないはずです"}},
    {Id::kNoReport, {"the file holds no REPORT element", "ファイルに REPORT 要素がありません"}},
    {Id::kNoSystem, {"REPORT has no SYSTEM block", "REPORT に SYSTEM ブロックがありません"}},
    {Id::kNoBasic, {"REPORT has no BASIC block", "REPORT に BASIC ブロックがありません"}},
    {Id::kNoData, {"REPORT has no DATA block", "REPORT に DATA ブロックがありません"}},
    {Id::kNoBalanceSheet, {"DATA has no balance sheet", "DATA に貸借対照表がありません"}},
    {Id::kNoIncomeStatement, {"DATA has no income statement", "DATA に損益計算書がありません"}},
    {Id::kNotAnAmount,
     {"〈where〉 holds \"〈text〉\", which is not an amount in yen",
      "〈where〉 の「〈text〉」は円の金額ではありません"}},
    {Id::kAmountOf, {"the Amount of 〈element〉", "〈element〉 の Amount"}},
    {Id::kTooLong,
     {"〈what〉 is longer than 〈size〉 MB: an exported file writes none so long",
      "〈what〉が 〈size〉 MB を超えています。書き出したファイルにこれほど長いものはありません"}},
    {Id::kAText, {"a text", "テキスト"}},
    {Id::kAnAttribute, {"an attribute", "属性"}},
    {Id::kDocumentType,
     {"the file declares a document type, which an exported file never does",
      "文書型宣言があります。書き出したファイルには文書型宣言はありません"}},
    {Id::kDecoderSetUp,
     {"the decoder of code page 932 could not be set up",
      "コードページ 932 の変換を準備できませんでした"}},
    {Id::kParserStart,
     {"the XML parser could not be started", "XML の読み込みを始められませんでした"}},
    {Id::kParserSetUp,
     {"the XML parser could not be set up", "XML の読み込みを準備できませんでした"}},
    {Id::kNoFirstDay,
     {"this year's file gives no first day of its fiscal year (JIGYOUNENDOFROM in BASIC)",
      "当期のファイルに会計期間の初日（BASIC の JIGYOUNENDOFROM）がありません"}},
    {Id::kNoFiscalYear,
     {"the file gives no fiscal year as two days (JIGYOUNENDOFROM and JIGYOUNENDOTO in BASIC)",
      "ファイルに会計期間の初日と末日（BASIC の JIGYOUNENDOFROM と JIGYOUNENDOTO）がありません"}},
    {Id::kNotPrecedingYear,
     {"its fiscal year 〈from〉 to 〈to〉 does not directly precede this year's, which starts "
      "〈starts〉: give last year's export",
      "会計期間 〈from〉 ～ 〈to〉 は、〈starts〉 に始まる当期の直前の期ではありません。前期に書き"
      "出したファイルを指定してください"}},
    {Id::kRoleBooks, {"the books store (--books)", "帳簿ファイル（--books）"}},
    {Id::kBooksUnreadable,
     {"kcview: 〈store〉: the books cannot be read: 〈reason〉",
      "kcview: 〈store〉: 帳簿を読み込めません: 〈reason〉"}},
    {Id::kBooksNotAStore,
     {"kcview: 〈store〉: not a books store; give --books the store kcbooks import made of the "
      "books the file was exported from",
      "kcview: 〈store〉: 帳簿ファイルではありません。--books には、書き出し元の帳簿を kcbooks "
      "import で取り込んだ帳簿ファイルを指定してください"}},
    {Id::kBooksBeforeTotals,
     {"kcview: 〈store〉: an earlier kcbooks made this store, which keeps neither the totals' "
      "masks nor the openings the check reads; import the books again with kcbooks import",
      "kcview: 〈store〉: 以前の kcbooks で作った帳簿ファイルのため、確認に使う合計科目の範囲と"
      "期首残高がありません。kcbooks import でもう一度取り込んでください"}},
    {Id::kBooksNoDataSet,
     {"kcview: 〈store〉: holds no data set of 〈company〉 for the fiscal year 〈from〉 to 〈to〉; "
      "give --books the store of the books the file was exported from",
      "kcview: 〈store〉: 〈company〉 の会計期間 〈from〉 ～ 〈to〉 のデータがありません。--books "
      "には、書き出し元の帳簿ファイルを指定してください"}},
};

// A message missing or out of Id order fails the build here.
constexpr auto kMessages = bilingual::InIdOrder(kTable);

}  // namespace

std::string Say(Id id, std::initializer_list<bilingual::Value> values) {
    return bilingual::Say(kMessages[static_cast<std::size_t>(id)], values);
}

std::string_view Text(Id id) {
    return bilingual::Text(kMessages[static_cast<std::size_t>(id)]);
}

std::span<const bilingual::Message> All() {
    return kMessages;
}

}  // namespace kcview_messages
