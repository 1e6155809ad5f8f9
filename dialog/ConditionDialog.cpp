#include "dialog/ConditionDialog.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/Decimal.h"
#include "common/Messages.h"
#include "common/PathLimit.h"
#include "common/Sjis.h"
#include "dialog/ControlIds.h"
#include "dialog/FolderPath.h"
#include "fiscal/FiscalMonths.h"
#include "ledger/Services.h"

namespace {

constexpr const char* kCaption = messages::kCaption;
constexpr const char* kMonthsWrong =
    "集計期間に誤りがあります。\n\n集計期間を設定しなおしてください。";

// The characters of a Shift_JIS text, each one or two bytes.
template <typename Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t width =
            sjis::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2
                                                                                             : 1;
        if (!visit(text.substr(pos, width), pos)) return;
        pos += width;
    }
}

// Where two single-byte backslashes follow each other, from `from` on; npos when nowhere.
std::size_t FindDoubleBackslash(std::string_view text, std::size_t from = 0) {
    std::size_t found = std::string_view::npos;
    std::size_t previous = std::string_view::npos;
    ForEachCharacter(text, [&](std::string_view c, std::size_t pos) {
        if (c == "\\") {
            if (previous != std::string_view::npos && previous + 1 == pos && previous >= from) {
                found = previous;
                return false;
            }
            previous = pos;
        }
        return true;
    });
    return found;
}

}  // namespace

ConditionDialog::ConditionDialog(Platform& platform, const SettingsFileForm& settingsFile,
                                 WindowHandle parent)
    : platform_(platform), parent_(parent), settings_(platform.files, settingsFile) {}

void ConditionDialog::SetInputs(const DialogInputs& inputs) {
    inputs_ = inputs;
    settings_.SetOwner(inputs.userId, inputs.dataId, inputs.selectionNo);
}

int ConditionDialog::DoModal() {
    return platform_.dialogs.RunModal(ctl::kConditionDialogTemplate, parent_, *this);
}

void ConditionDialog::End(int code) {
    ended_ = true;
    endCode_ = code;
}

int ConditionDialog::Warn(const char* text) {
    return platform_.messages.Show(parent_, text, kCaption, mb::kOk | mb::kIconWarning);
}

bool ConditionDialog::Ask(const char* text) {
    return platform_.messages.Show(parent_, text, kCaption, mb::kYesNo | mb::kIconQuestion) ==
           mb::kIdYes;
}

int ConditionDialog::ReadSavedSettings(std::int16_t* startMonth, std::int16_t* endMonth,
                                       std::int16_t* equityKind, std::int32_t* outputLedger,
                                       std::string* path) {
    SavedConditions saved;
    if (!settings_.Read(&saved)) return 0;
    *startMonth = saved.startMonth;
    *endMonth = saved.endMonth;
    *equityKind = saved.equityKind;
    *outputLedger = saved.outputLedger;
    *path = saved.path;
    return 1;
}

int ConditionDialog::SaveSettings(std::int16_t startMonth, std::int16_t endMonth,
                                  std::int16_t equityKind, std::int32_t outputLedger,
                                  const char* path) {
    SavedConditions conditions{startMonth, endMonth, equityKind, outputLedger,
                               path ? path : savedPath_};
    return settings_.Save(conditions);
}

void ConditionDialog::OnInit(DialogControls& controls) {
    controls.SetText(ctl::kCompanyName, inputs_.companyLabel);
    controls.SetText(ctl::kPeriod, inputs_.periodLabel);
    if (inputs_.pastResults == 1) {
        Warn(
            "過去実績データは、連携の対象として使用できません。\n\nアプリケーションを終了します。");
        End(kCancelled);
        return;
    }
    if (inputs_.companiesAct != 1) {
        Warn(
            "選択された会計データは会社法(H18.5施行)"
            "に対応していないため、\n連携の対象として使用できません。\n"
            "(記帳丸を起動し、[事業所・消費税情報設定]にて会社法対応データへ   "
            "\n変換することで、連携ができます。)\n\n" KC_MESSAGE_QUITS);
        End(kCancelled);
        return;
    }
    controls.LimitText(ctl::kPath, static_cast<int>(kMaxPathBytes));
    equityKind_ = 1;
    outputLedger_ = 1;
    std::int16_t startMonth = 0;
    std::int16_t endMonth = 0;
    std::string path;
    savedPath_.clear();
    if (ReadSavedSettings(&startMonth, &endMonth, &equityKind_, &outputLedger_, &path)) {
        savedPath_ = path;
    } else {
        std::int16_t lastCode = 0;
        fiscal::GetFiscalMonths(inputs_.firstDay, inputs_.lastDay, &startMonth, &lastCode);
        endMonth = static_cast<std::int16_t>(lastCode % 100);
    }
    if (path.empty()) {
        char folder[261] = {};
        ClFileMgr::Inst().GetAppFolderPath(0, folder);
        path = folder[0] ? folder : folderpath::WithBackslash(platform_.files.TempFolder());
        path += "*.xml";
    }
    if (!inputs_.fixedPath.empty()) {
        controls.SetText(ctl::kPath, inputs_.fixedPath);
        controls.Enable(ctl::kPath, false);
        controls.Enable(ctl::kBrowse, false);
        controls.SetText(ctl::kOutputGroup, "出力先");
        pathFixed_ = 1;
    } else {
        controls.SetText(ctl::kPath, path);
        pathFixed_ = 0;
    }
    if (startMonth == 0)
        fiscal::GetFiscalMonths(inputs_.firstDay, inputs_.lastDay, &startMonth, nullptr);
    controls.SetText(ctl::kStartMonth, std::to_string(startMonth));
    controls.SetText(ctl::kEndMonth, std::to_string(endMonth));
    controls.SetCheck(ctl::kMembersEquity, equityKind_ == 2);
    controls.SetCheck(ctl::kShareholdersEquity, equityKind_ != 2);
    controls.SetCheck(ctl::kOutputLedger, outputLedger_ != 0);
}

void ConditionDialog::OnCommand(DialogControls& controls, int id) {
    if (ended_) return;
    switch (id) {
        case ctl::kExecute:
            Execute(controls);
            break;
        case ctl::kBrowse:
            Browse(controls);
            break;
        case ctl::kCancel:
            Cancel();
            break;
        default:
            break;
    }
}

bool ConditionDialog::OnKey(DialogControls& controls, DialogKey key) {
    if (ended_) return false;
    if (key == DialogKey::kF12) {
        Execute(controls);
        return true;
    }
    if (key != DialogKey::kEnter) return false;
    const bool browseEnabled = controls.IsEnabled(ctl::kBrowse);
    switch (controls.FocusedControl()) {
        case ctl::kStartMonth:
            controls.FocusAndSelectAll(ctl::kEndMonth);
            return true;
        case ctl::kEndMonth:
            if (browseEnabled) {
                controls.FocusAndSelectAll(ctl::kPath);
            } else {
                controls.Focus(ctl::kExecute);
            }
            return true;
        case ctl::kPath:
            controls.Focus(browseEnabled ? ctl::kBrowse : ctl::kExecute);
            return true;
        case ctl::kBrowse:
            Browse(controls);
            return true;
        case ctl::kExecute:
            Execute(controls);
            return true;
        default:
            // On the radio buttons, the check box and the cancel button Enter does what the
            // dialog does by itself; it never confirms without the checks of 実行.
            return false;
    }
}

void ConditionDialog::Cancel() {
    platform_.messages.Show(parent_, "｢決算書｣の集計を中止します。", kCaption,
                            mb::kOk | mb::kIconInformation);
    End(kCancelled);
}

bool ConditionDialog::CharacterCheck(const std::string& path) {
    std::string_view examined = path;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        if (FindDoubleBackslash(path, 3) != std::string_view::npos) return false;
        examined = examined.substr(2);
    } else {
        if (FindDoubleBackslash(path) != std::string_view::npos) return false;
        // What follows the first ":" (a colon is never a trail byte).
        std::size_t colon = path.find(':');
        if (colon != std::string::npos) examined = examined.substr(colon + 1);
    }
    bool valid = true;
    ForEachCharacter(examined, [&](std::string_view c, std::size_t) {
        if (c.size() == 1 && std::strchr("/:,;*?\"><|", c[0]) != nullptr) valid = false;
        return valid;
    });
    return valid;
}

bool ConditionDialog::DriveCheck(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // The share root ends at the backslash after the share name.
        std::size_t server = path.find('\\', 2);
        std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        std::string root = share == std::string::npos ? path : path.substr(0, share + 1);
        return platform_.files.Access(root.c_str(), accessmode::kReadWrite);
    }
    if (FindDoubleBackslash(path) != std::string_view::npos) return false;
    char letter = path.empty() ? '\0' : path[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
    char root[4] = {static_cast<char>(letter >= 'a' ? letter - 'a' + 'A' : letter), ':', '\\',
                    '\0'};
    switch (platform_.files.GetDriveType(root)) {
        case DriveType::kUnknown:
        case DriveType::kCdRom:
        case DriveType::kRamDisk:
            return false;
        case DriveType::kRemovable:
        case DriveType::kFixed:
        case DriveType::kRemote:
            return platform_.files.Access(root, accessmode::kReadWrite);
        case DriveType::kNoRootDir:
            // A drive the path names that does not exist is a slip of typing: refused here, the
            // user corrects it; let through, the export would fail at the folder. A path naming
            // no drive (relative to the working folder) has no root of its own to check.
            return path.size() < 2 || path[1] != ':';
        default:
            return true;
    }
}

void ConditionDialog::Execute(DialogControls& controls) {
    const std::int16_t kind = controls.IsChecked(ctl::kMembersEquity) ? 2 : 1;
    const std::int32_t ledger = controls.IsChecked(ctl::kOutputLedger) ? 1 : 0;
    const std::string startText = controls.GetText(ctl::kStartMonth);
    const std::string endText = controls.GetText(ctl::kEndMonth);
    const std::string path = controls.GetText(ctl::kPath);

    const std::int16_t s = static_cast<std::int16_t>(ParseDecimal(startText));
    const std::int16_t e = static_cast<std::int16_t>(ParseDecimal(endText));
    std::int16_t f = 0;
    std::int16_t lastCode = 0;
    fiscal::GetFiscalMonths(inputs_.firstDay, inputs_.lastDay, &f, &lastCode);
    const std::int16_t l = static_cast<std::int16_t>(lastCode % 100);
    const bool wraps = lastCode >= 100;

    // The month checks, first match wins.
    int focus = 0;
    if (s < 1 || s > 12) {
        focus = ctl::kStartMonth;
    } else if (e < 1 || e > 12) {
        focus = ctl::kEndMonth;
    } else if (!wraps && s < f) {
        focus = ctl::kStartMonth;
    } else if (!wraps && e > l) {
        focus = ctl::kStartMonth;
    } else if (!wraps && f >= 1 && l <= 12 && s > e) {
        focus = ctl::kStartMonth;
    } else if (wraps && f < s && s <= 12 && f <= e && e < s) {
        focus = ctl::kEndMonth;
    } else if (wraps && 1 <= s && s <= l && (e < s || e > l)) {
        focus = ctl::kEndMonth;
    } else if (wraps && l < s && s < f) {
        focus = ctl::kStartMonth;
    } else if (wraps && l < e && e < f) {
        focus = ctl::kStartMonth;
    }
    if (focus) {
        Warn(kMonthsWrong);
        controls.FocusAndSelectAll(focus);
        return;
    }
    std::int16_t startPosition = 0;
    std::int16_t endPosition = 0;
    fiscal::GetMonthPositions(f, lastCode, s, e, &startPosition, &endPosition);
    if (endPosition < inputs_.introPosition) {
        Warn("集計期間には、導入開始月より前は指定できません。");
        controls.FocusAndSelectAll(ctl::kEndMonth);
        return;
    }
    if (path.empty()) {
        Warn("データ出力先が指定されていません。\n\n出力先を指定してください。");
        Browse(controls);
        return;
    }
    // However the path came into the edit (typed, pasted, chosen in the save-file dialog), it
    // is refused whole over the limit: cut, it would name another file.
    if (!FitsPathLimit(path)) {
        Warn(messages::TooLongPath(kMaxPathBytes).c_str());
        controls.FocusAndSelectAll(ctl::kPath);
        return;
    }
    if (!CharacterCheck(path)) {
        Warn("データの出力先に不正な文字が含まれています。\n\n出力先を再入力してください。");
        controls.FocusAndSelectAll(ctl::kPath);
        return;
    }
    if (!DriveCheck(path)) {
        Warn("ドライブ名が有効でありません。\n\n有効なドライブを指定してください。");
        controls.FocusAndSelectAll(ctl::kPath);
        return;
    }
    if (folderpath::FileName(path).empty()) {
        Warn("ファイル名が指定されていません。");
        controls.FocusAndSelectAll(ctl::kPath);
        return;
    }
    std::string folder = folderpath::FolderPart(path);
    if (!folder.empty() && platform_.files.FileExists(folder.c_str()) != 1) {
        if (!Ask("指定されたフォルダは存在しません。\n\n作成してもよろしいですか？")) {
            controls.FocusAndSelectAll(ctl::kPath);
            return;
        }
        if (!folderpath::CreateWithParents(platform_.files, folder)) {
            Warn("フォルダの作成に失敗しました。\n\n出力先を再入力してください。");
            controls.FocusAndSelectAll(ctl::kPath);
            return;
        }
    }
    if (pathFixed_ != 1) {
        FileStatus status;
        if (platform_.files.GetStatus(path.c_str(), &status)) {
            if (status.isDirectory) {
                Warn("ファイル名が指定されていません。");
                controls.FocusAndSelectAll(ctl::kPath);
                return;
            }
            if (!Ask("同名のファイルが存在します。\n\n上書きしてもよろしいですか？")) {
                controls.FocusAndSelectAll(ctl::kPath);
                return;
            }
        }
    }
    startText_ = startText;
    endText_ = endText;
    pathText_ = path;
    equityKind_ = kind;
    outputLedger_ = ledger;
    End(kConfirmed);
}

void ConditionDialog::Browse(DialogControls& controls) {
    std::string path = controls.GetText(ctl::kPath);
    std::size_t split = sjis::LastBackslash(path);
    if (split == std::string::npos) {
        std::size_t colon = path.rfind(':');
        split = colon;
    }
    SaveFileRequest request;
    request.defaultExtension = "XML";
    request.initialFolder = split == std::string::npos ? std::string() : path.substr(0, split + 1);
    request.initialName = split == std::string::npos ? path : path.substr(split + 1);
    request.title = "保存ファイルを指定";
    request.filter = "Xml Files (*.xml)|*.xml||";
    if (auto chosen = platform_.dialogs.AskSaveFile(request)) controls.SetText(ctl::kPath, *chosen);
    controls.Focus(ctl::kExecute);
}
