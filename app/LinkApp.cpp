#include "app/LinkApp.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "aggregation/LedgerReadAhead.h"
#include "aggregation/LedgerReader.h"
#include "aggregation/NotesSettings.h"
#include "aggregation/StatementData.h"
#include "app/MessagesOverProgress.h"
#include "common/Decimal.h"
#include "common/MessageBoxFlags.h"
#include "common/Messages.h"
#include "common/Sjis.h"
#include "dialog/ConditionDialog.h"
#include "progress/ExportProgress.h"
#include "progress/ProgressDialog.h"
#include "report/ReportWriter.h"

namespace {

constexpr const char* kCaption = messages::kCaption;
constexpr const char* kOutOfMemory = messages::kNoMemory;
constexpr const char* kCallerPathTooLong =
    "呼び出し元から指定された出力先が長すぎます。\n\n"
    "出力先は半角255文字（全角127文字）以内で指定してください。\n\n" KC_MESSAGE_QUITS;
constexpr const char* kTargetNotAFile =
    "出力先はファイルではありません（フォルダまたは特殊なファイルです）。\n\n"
    "出力先に別のファイル名を指定して、やり直してください。\n\n" KC_MESSAGE_QUITS;
constexpr const char* kCannotCreateInFolder =
    "出力先のフォルダにファイルを作成できません。\n\n"
    "フォルダへの書き込みが許可されているか確認するか、別の出力先を指定してください。\n"
    "\n" KC_MESSAGE_QUITS;
constexpr const char* kTargetBusy =
    "出力先のファイルには、別の決算書の出力が書き込んでいます。\n\n"
    "その出力が終わってからもう一度実行するか、別の出力先を指定してください。\n\n" KC_MESSAGE_QUITS;
constexpr const char* kTargetNotReplaceable =
    "出力先のファイルを置き換えられません。\n\n"
    "ファイルを閉じるか書き込みを許可してからもう一度実行するか、別の出力先を指定してください。"
    "\n\nアプリケーションを終了します。";
// The lock file's name goes between the two halves of the second paragraph.
constexpr const char* kTargetLockUnusable =
    "出力先のロックファイルを使用できません。\n\n"
    "出力先と同じフォルダにあるロックファイル「%s」を確認してからもう一度実行するか、"
    "別の出力先を指定してください。\n\n" KC_MESSAGE_QUITS;
// The reasons of a target that is a file the run reads, under kTargetNotReplaceable.
constexpr const char* kBooksStoreReason =
    "会計データのファイルです。会計データに上書きすることはできません。";
constexpr const char* kProgramFileReason =
    "決算書のプログラムが読むファイルです。上書きすることはできません。";
constexpr const char* kTargetIsSettingsFile =
    "出力先は決算書の設定ファイルです。\n\n"
    "出力先に別のファイル名を指定して、やり直してください。\n\n" KC_MESSAGE_QUITS;
constexpr const char* kWriteFailed =
    "XMLファイルの出力に失敗しました。\n\nアプリケーションを終了します。";

// What the user is told when the report was not written: the file layer's reason, when there is
// one, on a line of its own after the message's first.
std::string WriteFailureMessage(ReportWriter::Failure failure, std::string reason = "",
                                const std::string& target = "") {
    std::string message;
    switch (failure) {
        case ReportWriter::Failure::kTargetIsSettingsFile:
            message = kTargetIsSettingsFile;
            break;
        case ReportWriter::Failure::kTargetIsBooksStore:
            message = kTargetNotReplaceable;
            reason = kBooksStoreReason;
            break;
        case ReportWriter::Failure::kTargetIsProgramFile:
            message = kTargetNotReplaceable;
            reason = kProgramFileReason;
            break;
        case ReportWriter::Failure::kLockFailed: {
            // Every run that writes the target asks for its lock beside it: ".NAME.kclock".
            const std::size_t slash = sjis::LastBackslash(target);
            const std::string name =
                "." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".kclock";
            message = kTargetLockUnusable;
            message.replace(message.find("%s"), 2, name);
            break;
        }
        case ReportWriter::Failure::kTargetNotAFile:
            message = kTargetNotAFile;
            break;
        case ReportWriter::Failure::kCannotCreate:
            message = kCannotCreateInFolder;
            break;
        case ReportWriter::Failure::kTargetBusy:
            message = kTargetBusy;
            break;
        case ReportWriter::Failure::kTargetNotReplaceable:
            message = kTargetNotReplaceable;
            break;
        default:
            message = kWriteFailed;
            break;
    }
    const std::size_t firstLineEnd = message.find('\n');
    if (!reason.empty() && firstLineEnd != std::string::npos)
        message.insert(firstLineEnd + 1, reason + "\n");
    return message;
}

}  // namespace

LinkApp::LinkApp(Platform& platform, const Edition& edition, const CallerLine& caller)
    : platform_(platform),
      edition_(edition),
      caller_(caller.link),
      fromCaller_(caller.fromCaller),
      callerPathTooLong_(caller.pathTooLong) {}

bool LinkApp::InitInstance() {
    ClAccConnect& connect = ClAccConnect::Inst();
    sjis::CopyBounded(connect.Title, sizeof(connect.Title), kCaption, sizeof(connect.Title) - 1);
    connect.SetAppType(edition_.appType);
    connect.SetUseDataType(1);
    if (connect.Initiate() != 0) return false;  // silent: nobody to tell yet

    if (fromCaller_) {
        launchedByCaller_ = 1;
        callerWindowObject_ = caller_.window;
        platform_.windows.Enable(caller_.window, false);
        connect.OwnerWindow = caller_.window;
        if (callerPathTooLong_) {
            platform_.messages.Show(caller_.window, kCallerPathTooLong, kCaption,
                                    mb::kOk | mb::kIconWarning);
            runResult_ = kFailed;
            return false;
        }
    }

    // The program's own folder is the working directory: the definition file and SUPPORT.INF
    // are looked for there.
    std::string executable = platform_.files.ExecutablePath();
    std::size_t slash = sjis::LastBackslash(executable);
    if (slash != std::string::npos) {
        platform_.files.SetCurrentDirectory(executable.substr(0, slash + 1).c_str());
    }

    if (!CheckEnvironment(1)) {
        runResult_ = kFailed;
        return false;
    }
    std::int32_t login = connect.ExpSysLink();
    if (login != 0) {
        runResult_ = login == 1 ? kCancelled : kFailed;
        return false;
    }
    // Neither read is tested: the run goes on with zero-filled records.
    company_ = StDATAINFO{};
    ReadSelectedCompany(&company_);
    taxSettings_ = StSHOHIZEIINFO{};
    ReadConsumptionTaxSettings(&taxSettings_, company_);
    return RunExport();
}

int LinkApp::ExitInstance() {
    figures_.clear();
    ledgerLines_.clear();
    ClAccConnect& connect = ClAccConnect::Inst();
    connect.LogOut();
    connect.Terminate();
    connect.Release();
    if (launchedByCaller_) {
        // The caller's window is usable again before the result reaches it.
        platform_.windows.SetForeground(caller_.window);
        platform_.windows.Enable(caller_.window, true);
        platform_.windows.Post(caller_.window, caller_.message, caller_.wParam, runResult_);
        platform_.windows.Enable(caller_.window, true);
    }
    return 0;
}

int LinkApp::CheckEnvironment(int showMessages) {
    struct Message {
        int code;
        const char* text;
    };
    static const Message kMessages[] = {
        {kEnvironmentInvalid,
         "動作環境が不正です。\nES_"
         "APRPACKAGENAMEが正しくインストールされているか確認してください。"},
        {kTaxApplicationOlder,
         "ご利用の連動コンポーネントは、インストールされているES_"
         "APRPACKAGENAMEでは使用できません。\n"
         "ES_APRPACKAGENAMEの最新版を入手してインストールしてからご利用ください。"},
        {kTaxApplicationNewer,
         "ご利用の連動コンポーネントは、インストールされているES_"
         "APRPACKAGENAMEでは使用できません。\n"
         "連動コンポーネントの最新版を入手してインストールしてからご利用ください。"},
    };

    char directory[261] = {};
    if (!platform_.files.GetCurrentDirectory(directory, sizeof(directory))) directory[0] = '\0';
    char path[517] = {};
    std::memcpy(path, directory, std::strlen(directory));
    std::size_t length = std::strlen(path);
    // A trail byte 0x5C of a double-byte character is not a separator.
    if (length > 0 && !sjis::EndsWithBackslash(std::string_view(path, length)) && length < 516) {
        path[length++] = '\\';
    }
    static constexpr char kDefinitionFile[] = "ZezavareDef.ini";
    std::memcpy(path + length, kDefinitionFile, sizeof(kDefinitionFile));

    int result = kEnvironmentUsable;
    if (platform_.files.FileExists(path) != 1) {
        result = kEnvironmentInvalid;
    } else {
        char value[16] = {};
        try {
            platform_.files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value,
                                                    sizeof(value), path);
        } catch (const std::bad_alloc&) {
            // The definition file is a few lines: without memory for them the run cannot go on.
            if (showMessages) {
                ClAccConnect::Inst().DispMsg(caller_.window, kOutOfMemory, kCaption,
                                             mb::kIconWarning | mb::kOk);
            }
            return 0;
        }
        if (value[0] == '\0') {
            result = kEnvironmentInvalid;
        } else {
            std::int32_t level = ParseDecimal(value);
            result = level == kRequiredLevel  ? kEnvironmentUsable
                     : level < kRequiredLevel ? kTaxApplicationOlder
                                              : kTaxApplicationNewer;
        }
    }
    for (const Message& message : kMessages) {
        if (message.code != result) continue;
        if (showMessages) {
            // A program copied away from its folder finds no definition file: the path it
            // looked at tells the user where the program expects it.
            std::string text = message.text;
            if (result == kEnvironmentInvalid) text += std::string("\n\n確認したファイル: ") + path;
            ClAccConnect::Inst().DispMsg(caller_.window, text.c_str(), kCaption,
                                         mb::kIconWarning | mb::kOk);
        }
        return 0;
    }
    return 1;
}

int LinkApp::ReadSelectedCompany(StDATAINFO* company) {
    if (!companySet_) {
        companySet_ = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    }
    char userId[65] = {};
    std::int32_t selectionNo = 0;
    std::int32_t dataNo = 0;
    ClSysUser* user = ClDataMgr::Inst().GetSysUserObject();
    if (user) {
        user->GetCurUserID(userId);
        user->GetSelectedNo(userId, &selectionNo, &dataNo);
    }
    std::memset(static_cast<void*>(company), 0, sizeof(*company));
    if (!companySet_) return 0;
    LedgerCursor cursor = 0;
    companySet_->GetDatCursor(&cursor);
    companySet_->ReadyDat(cursor, 0);
    int found = 0;
    StDATAINFO record{};
    while (companySet_->WalkDat(&record, cursor) == 0) {
        if (record.dataNo == dataNo) {
            *company = record;
            found = 1;
            break;
        }
    }
    companySet_->ReleaseDatCursor(cursor);
    return found;
}

int LinkApp::ReadConsumptionTaxSettings(StSHOHIZEIINFO* settings, const StDATAINFO& company) {
    auto* taxSet =
        static_cast<ClSetShohizei*>(ClDataMgr::Inst().GetSetObject(setkind::kShohizei, 1));
    if (!taxSet) return 0;
    taxSet->AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    taxSet->SetCurDataID(company.dataId);
    StSHOHIZEIINFO record{};
    if (taxSet->Get(&record) != 0) return 0;
    *settings = record;
    return 1;
}

bool LinkApp::RunExport() {
    // What the dialog is told about the data and the caller.
    DialogInputs inputs;
    char userId[65] = {};
    ClSysUser* user = ClDataMgr::Inst().GetSysUserObject();
    if (user) {
        user->GetCurUserID(userId);
        user->GetSelectedNo(userId, &inputs.selectionNo, &inputs.dataNo);
    }
    inputs.userId = userId;
    if (!companySet_)
        companySet_ = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    char idText[64] = {};
    if (companySet_) ClUtyDBHpr::Inst().MakeIDStr(companySet_->GetSelectedInfo(), idText);
    inputs.dataId = idText;
    inputs.pastResults = company_.introPosition == 99 ? 1 : 0;
    inputs.fixedPath = launchedByCaller_ ? caller_.path : std::string();
    inputs.firstDay = company_.periodFrom;
    inputs.lastDay = company_.periodTo;
    inputs.introPosition = company_.introPosition;
    // The labels fit 51 bytes; a longer company name is cut without splitting a character.
    std::string name(sjis::FieldText(company_.companyName, sizeof(company_.companyName)));
    inputs.companyLabel = " " + name.substr(0, sjis::FitLength(name, 49));
    char period[51];
    std::snprintf(period, sizeof(period), " %04d/%02d/%02d～%04d/%02d/%02d",
                  company_.periodFrom / 10000, company_.periodFrom % 10000 / 100,
                  company_.periodFrom % 100, company_.periodTo / 10000,
                  company_.periodTo % 10000 / 100, company_.periodTo % 100);
    inputs.periodLabel = period;
    inputs.companiesAct = company_.companiesAct;

    ConditionDialog dialog(platform_, edition_.settingsFile, callerWindowObject_);
    dialog.SetInputs(inputs);
    if (dialog.DoModal() == ConditionDialog::kCancelled) {
        runResult_ = kCancelled;
        return false;
    }
    const std::int32_t startMonth = ParseDecimal(dialog.StartMonthText());
    const std::int32_t endMonth = ParseDecimal(dialog.EndMonthText());
    // Held whole: the dialog refused a path over the limit, and a path is never cut.
    const std::string path = dialog.PathText();
    const std::int16_t equityKind = dialog.EquityKind();
    const std::int32_t outputLedger = dialog.OutputLedger();

    ProgressDialog progress(platform_.progress, platform_.clock);
    progress.Create(kNoWindow);
    if (callerWindowObject_ != kNoWindow) progress.SetParent(callerWindowObject_);
    progress.Show();
    ExportProgress plan(progress);
    plan.Start();
    const WindowHandle progressWindow = progress.Handle();

    LedgerReader ledgerReader;
    ledgerReader.SetProgress(&plan);
    ledgerReader.SetLedgerList(&ledgerLines_);
    // The ledger is read as it is written: memory holds one account's lines, not the books'.
    ledgerReader.SetReadWhileWritten(true);
    StatementData data;
    data.SetProgress(&plan);
    data.SetFigureList(&figures_);
    data.SetOutputLedger(outputLedger);
    data.SetLedgerReader(&ledgerReader);
    NotesSettings notes;
    // Every box of the run (the notes warning, the writer's misplaced account or lack of memory,
    // a failure) comes up over the run as it stands.
    MessagesOverProgress runMessages(platform_.messages, progress);
    Platform runPlatform{platform_.files, runMessages,      platform_.windows, platform_.progress,
                         platform_.text,  platform_.memory, platform_.dialogs, platform_.clock};
    ReportWriter writer(runPlatform, edition_.Names(), plan, figures_, ledgerLines_);
    LedgerReadAhead ledger(ledgerReader, &plan);
    writer.SetLedgerSource(&ledger);

    // A stop after the progress window came up: the message it owns, then the window closes.
    auto fail = [&](const char* message) {
        runMessages.Show(progressWindow, message, kCaption, mb::kOk | mb::kIconWarning);
        progress.Close(1);
        runResult_ = kFailed;
        return false;
    };

    // A target that cannot be replaced, or that is or will be another file of the run, is
    // refused before the books are read, and from here to the end of the run no other export
    // writes it.
    AddRunFiles(dialog.SettingsFilePath());
    const ReportWriter::Failure target = writer.Prepare(path.c_str());
    if (target != ReportWriter::Failure::kNone)
        return fail(WriteFailureMessage(target, writer.FailureReason(), path).c_str());

    const PeriodConditions conditions = PeriodConditions::ForMonths(company_, startMonth, endMonth);
    const std::int32_t taxBasis = taxSettings_.taxInclusive != 0 ? 1 : 0;
    // A failed aggregation is not an export: no file is written from partial figures.
    constexpr const char* kAggregationFailed =
        "会計データの集計に失敗しました。\n\nアプリケーションを終了します。";
    if (data.AggregateAccounts(taxBasis, &conditions, &company_) != 1) {
        return fail(kAggregationFailed);
    }

    // Notes the books keep but cannot hand over fail the export: a file without them would be
    // filed as if the company had none.
    static constexpr const char* kNotesUnreadable =
        "注記の設定を会計データから読み込めませんでした。\n"
        "会計データを確認してから、もう一度実行してください。\n\nアプリケーションを終了します。";
    notesAvailable_ = 0;
    const int notesInput = notes.IsNotesInputEnabled();
    const int notesOutput = notesInput == 1 ? notes.IsNotesOutputEnabled() : 0;
    if (notesInput == NotesSettings::kNotesUnreadable ||
        notesOutput == NotesSettings::kNotesUnreadable) {
        return fail(kNotesUnreadable);
    }
    if (notesInput == 1 && notesOutput == 1) {
        std::memset(noteDisplayFlags_, 0, sizeof(noteDisplayFlags_));
        std::string body;
        if (notes.ReadNoteDisplayFlags(noteDisplayFlags_) != 1 || notes.ReadNotesText(&body) != 1) {
            return fail(kNotesUnreadable);
        }
        notesAvailable_ = 1;
        SplitNotesText(body);
        WarnUnsupportedNotes(runMessages, progressWindow);
    }

    writer.SetOwnerWindow(progressWindow);
    writer.SetEquityKind(equityKind);
    if (notesAvailable_) writer.SetNotes(&notesLines_, noteDisplayFlags_);
    const bool written = writer.WriteReport(path.c_str(), caller_.wParam, &company_) != 0;
    // The books are this thread's alone again before anything else reads them.
    ledger.Stop();
    if (!written) {
        // A ledger that could not be read is the aggregation's failure, as when it was read
        // before writing: no file, and its own message.
        if (ledger.LedgerFailed()) return fail(kAggregationFailed);
        return fail(
            WriteFailureMessage(writer.LastFailure(), writer.FailureReason(), path).c_str());
    }
    // The caller's path is never saved: a caller that fixes the path fixes it every time.
    dialog.SaveSettings(static_cast<std::int16_t>(startMonth), static_cast<std::int16_t>(endMonth),
                        equityKind, outputLedger, launchedByCaller_ ? nullptr : path.c_str());
    progress.Close(1);
    platform_.messages.Show(progressWindow,
                            "決算書情報の出力が終了しました。\n\nアプリケーションを終了します。",
                            kCaption, mb::kOk | mb::kIconInformation);
    return true;
}

void LinkApp::AddRunFiles(const std::string& settingsFile) {
    FileSystem& files = platform_.files;
    if (!settingsFile.empty()) files.AddRunFile(settingsFile.c_str(), RunFileRole::kSettingsFile);
    const std::string executable = files.ExecutablePath();
    if (!executable.empty()) files.AddRunFile(executable.c_str(), RunFileRole::kProgramFile);
    // The program's folder is the working directory: both files are read from there.
    char directory[261] = {};
    if (!files.GetCurrentDirectory(directory, sizeof(directory))) return;
    std::string folder = directory;
    if (!folder.empty() && !sjis::EndsWithBackslash(folder)) folder += '\\';
    for (const char* name : {"ZezavareDef.ini", "SUPPORT.INF"})
        files.AddRunFile((folder + name).c_str(), RunFileRole::kProgramFile);
}

void LinkApp::SplitNotesText(const std::string& body) {
    notesLines_.clear();
    std::string text = body;
    // In this order: "&amp;lt;" so becomes "<".
    static const std::pair<std::string_view, std::string_view> kEntities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&apos;", "'"}, {"&quot;", "\""}};
    for (const auto& [entity, character] : kEntities) {
        std::string decoded;
        decoded.reserve(text.size());
        for (std::size_t pos = 0;;) {
            std::size_t at = text.find(entity, pos);
            if (at == std::string::npos) {
                decoded.append(text, pos, std::string::npos);
                break;
            }
            decoded.append(text, pos, at - pos);
            decoded.append(character);
            pos = at + entity.size();
        }
        text.swap(decoded);
    }
    if (text.find("\r\n") == std::string::npos) {
        if (!text.empty()) notesLines_.push_back(text);
        return;
    }
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find("\r\n", pos);
        notesLines_.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
}

void LinkApp::WarnUnsupportedNotes(MessageService& messages, WindowHandle owner) {
    struct Unsupported {
        int group;
        const char* line;
    };
    static const Unsupported kNotes[] = {
        {32, "・会計上の見積もりに関する注記\n"}, {20, "・会計上の見積もりの変更に関する注記\n"},
        {21, "・誤謬の訂正に関する注記\n"},       {16, "・金融商品に関する注記\n"},
        {17, "・賃貸等不動産に関する注記\n"},     {33, "・収益認識に関する注記\n"},
    };
    std::string message;
    for (const Unsupported& note : kNotes) {
        if (noteDisplayFlags_[note.group] == 0) continue;
        if (message.empty())
            message =
                "以下の注記は連動に対応していません。\nこれらの注記は申告ソフト上で手入力してくださ"
                "い。\n\n";
        message += note.line;
    }
    if (message.empty()) return;
    message += "\nこれらの注記を除いて処理を続行します。";
    messages.Show(owner, message.c_str(), kCaption, mb::kOk | mb::kIconWarning);
}
