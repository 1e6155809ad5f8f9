#include "tools/kcoffice/OfficeMessages.h"

#include <array>

namespace office_messages {
namespace {

using Entry = bilingual::Entry<Id>;

constexpr Entry kTable[] = {
    {Id::kUsage,
     {"usage: kcoffice run CLIENTS --month YYYY-MM [--edition EDITION] [--ledger] [--jobs N] "
      "-o OFFICE\n"
      "  exports the year of every client in CLIENTS (a folder per client) whose fiscal year ends\n"
      "  in the month, each with its review page, into OFFICE/YYYY-MM/, and writes the summary\n"
      "  OFFICE/YYYY-MM/index.html and index.csv; a client done before and unchanged since is\n"
      "  kept as it is\n",
      "使い方: kcoffice run 顧問先フォルダー --month YYYY-MM [--edition 版] [--ledger] [--jobs N] "
      "-o 事務所フォルダー\n"
      "  顧問先フォルダー（顧問先ごとに一つのフォルダー）のうち、その月に決算期末を迎える顧問先の\n"
      "  決算書と確認ページを 事務所フォルダー/YYYY-MM/ に書き出し、一覧 index.html と index.csv\n"
      "  を作ります。前回から変わっていない顧問先はそのまま残します\n"}},
    {Id::kNoMemory,
     {"kcoffice: out of memory; the clients under way were left as they were\n",
      "kcoffice: メモリーが足りません。処理中の顧問先は元のままです\n"}},
    {Id::kInterrupted,
     {"kcoffice: interrupted; the clients under way were left as they were; run kcoffice again "
      "to finish the month",
      "kcoffice: 中断されました。処理中の顧問先は元のままです。もう一度 kcoffice を実行すると、"
      "残りを仕上げます"}},
    {Id::kFailed, {"kcoffice: 〈reason〉", "kcoffice: 〈reason〉"}},
    {Id::kBadMonth,
     {"kcoffice: 〈value〉: not a month as YYYY-MM (2026-03)",
      "kcoffice: 〈value〉: 月は YYYY-MM の形（2026-03）で指定してください"}},
    {Id::kBadJobs,
     {"kcoffice: 〈value〉: --jobs takes a number from 1 to 64",
      "kcoffice: 〈value〉: --jobs には 1 から 64 までの数を指定してください"}},
    {Id::kUnknownEdition,
     {"kcoffice: 〈edition〉: not an edition (kcsakura, kcqb7, kcneo, kcstd)",
      "kcoffice: 〈edition〉: 版の名前ではありません（kcsakura、kcqb7、kcneo、kcstd）"}},
    {Id::kNoEdition,
     {"kcoffice: 〈program〉: the edition's program is not there; kcoffice runs it from the "
      "folder of the edition beside kcoffice",
      "kcoffice: 〈program〉: 版のプログラムがありません。kcoffice と同じ場所にある版のフォルダー"
      "から実行します"}},
    {Id::kNotAFolder,
     {"kcoffice: 〈folder〉: not a folder of clients",
      "kcoffice: 〈folder〉: 顧問先のフォルダーではありません"}},
    {Id::kBusy,
     {"kcoffice: 〈folder〉: another kcoffice run works on this month; run again when it has "
      "finished",
      "kcoffice: 〈folder〉: この月は別の kcoffice が処理中です。終わってからもう一度実行してく"
      "ださい"}},
    {Id::kStarting,
     {"kcoffice: 〈month〉: the 〈clients〉 clients of 〈folder〉, 〈jobs〉 at a time",
      "kcoffice: 〈month〉: 〈folder〉 の顧問先 〈clients〉 件を、同時に 〈jobs〉 "
      "件ずつ処理します"}},
    {Id::kClientExported, {"exported", "書き出し済み"}},
    {Id::kClientRefused, {"refused: 〈reason〉", "中止: 〈reason〉"}},
    {Id::kClientUnchanged, {"unchanged since the last run", "前回から変更なし"}},
    {Id::kClientOtherMonth, {"its year ends in another month", "決算期末が別の月"}},
    {Id::kProgress,
     {"[〈done〉/〈todo〉] 〈client〉: 〈outcome〉",
      "[〈done〉/〈todo〉] 〈client〉: 〈outcome〉"}},
    {Id::kFinished,
     {"kcoffice: 〈taken〉 clients end their year this month: 〈exported〉 exported, 〈refused〉 "
      "refused, 〈unchanged〉 unchanged since the last run; the summary is 〈page〉",
      "kcoffice: この月に決算期末を迎える顧問先 〈taken〉 件: 書き出し 〈exported〉 件、中止 "
      "〈refused〉 "
      "件、前回から変更なし 〈unchanged〉 件。一覧は 〈page〉 です"}},
    {Id::kNoBooks,
     {"the folder holds no books: a store, a books folder with company.csv, or a journal in "
      "the interchange form",
      "フォルダーに帳簿がありません（帳簿ファイル、company.csv のある帳簿フォルダー、共通形式の"
      "仕訳帳のどれもありません）"}},
    {Id::kSeveralBooks,
     {"the folder holds several books (〈first〉, 〈second〉); name the one to export with Books= "
      "in client.ini",
      "フォルダーに帳簿が複数あります（〈first〉、〈second〉）。書き出す帳簿を client.ini の "
      "Books= で指定してください"}},
    {Id::kBadIniValue,
     {"client.ini: 〈key〉=〈value〉 cannot be used: 〈why〉",
      "client.ini: 〈key〉=〈value〉 は使えません: 〈why〉"}},
    {Id::kBadConvertOptions,
     {"an option of convert the books tool does not know, or one without its value",
      "kcbooks convert にない指定か、値のない指定があります"}},
    {Id::kYearUnknown,
     {"the fiscal year of the books cannot be told: 〈reason〉",
      "帳簿の会計期間がわかりません: 〈reason〉"}},
    {Id::kImportRefused,
     {"the books could not be imported: 〈reason〉", "帳簿を取り込めませんでした: 〈reason〉"}},
    {Id::kExportFailed,
     {"the export ended with status 〈status〉: 〈said〉",
      "決算書の書き出しが終了コード 〈status〉 で終わりました: 〈said〉"}},
    {Id::kPreviousNotUsed,
     {"last year's file 〈file〉 was not used: 〈reason〉",
      "前年の決算書 〈file〉 は使いませんでした: 〈reason〉"}},
    {Id::kReviewFailed,
     {"the review page could not be written: 〈reason〉",
      "確認ページを書けませんでした: 〈reason〉"}},
    {Id::kSystemFailure, {"〈reason〉", "〈reason〉"}},
};

// A message missing or out of Id order fails the build here.
constexpr auto kMessages = bilingual::InIdOrder(kTable);

}  // namespace

std::string Say(Id id, std::initializer_list<bilingual::Value> values) {
    return bilingual::Say(kMessages[static_cast<std::size_t>(id)], values);
}

std::string SayJapanese(Id id, std::initializer_list<bilingual::Value> values) {
    return bilingual::Fill(kMessages[static_cast<std::size_t>(id)].japanese, values);
}

Reason Told(Id id, std::initializer_list<bilingual::Value> values) {
    return {SayJapanese(id, values), Say(id, values)};
}

std::string_view Text(Id id) {
    return bilingual::Text(kMessages[static_cast<std::size_t>(id)]);
}

std::span<const bilingual::Message> All() {
    return kMessages;
}

}  // namespace office_messages
