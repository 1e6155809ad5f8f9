#include "tools/kcbooks/win32/ImportWindow.h"

// The host's Win32 declarations before the shell's and the common controls' headers, which need
// their types.
#include "host/win32/Win32Api.h"
// clang-format off
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commdlg.h>
#include <commctrl.h>
// clang-format on

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/win32/BooksSettings.h"
#include "host/win32/ModalWindow.h"
#include "host/win32/Wide.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "native/Failure.h"
#include "native/Utf16.h"
#include "resources/ResourceIds.h"
#include "tools/convert/InterchangeFields.h"
#include "tools/kcbooks/FoundBooks.h"
#include "tools/kcbooks/ImportRun.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcbooks/Show.h"

namespace kcbooks {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// The worker's end, posted to the window with the outcome it owns.
constexpr UINT kImportEnded = WM_APP + 1;

std::wstring Shown(const std::string& utf8) {
    const std::u16string units = native::Utf8ToUtf16Shown(utf8);
    return std::wstring(units.begin(), units.end());
}

std::wstring DateText(std::int32_t date) {
    wchar_t text[16];
    swprintf(text, 16, L"%04d/%02d/%02d", date / 10000, date / 100 % 100, date % 100);
    return text;
}

std::wstring EncodingName(sjis::TextEncoding encoding) {
    switch (encoding) {
        case sjis::TextEncoding::kSjis:
            return L"Shift_JIS";
        case sjis::TextEncoding::kUtf8:
            return L"UTF-8";
        case sjis::TextEncoding::kUndecided:
            return L"英数字のみ";
        case sjis::TextEncoding::kNeither:
            break;
    }
    return L"判別できません";
}

// What the user asked for, read from the window; the worker runs it.
struct ImportAsked {
    FoundBooks::Kind kind = FoundBooks::Kind::kNothing;
    std::string source;
    std::string store;
    books::SourceEncoding encoding = books::SourceEncoding::kFromBytes;
    convert::ConvertOptions journal;
};

ImportOutcome RunAsked(const ImportAsked& asked) {
    try {
        if (asked.kind == FoundBooks::Kind::kFolder)
            return ImportFolder(asked.source, asked.store, asked.encoding);
        return ImportJournal(asked.journal, asked.store);
    } catch (const native::Failure& failure) {
        ImportOutcome failed;
        failed.refusal =
            Say(Id::kImportRefused, {{"reason", kcbooks_messages::FailureSentence(failure)}});
        return failed;
    } catch (const std::bad_alloc&) {
        ImportOutcome failed;
        failed.refusal = Say(Id::kNoMemory);
        return failed;
    }
}

class ImportWindow : public ModalWindow {
public:
    explicit ImportWindow(std::string dropped) : dropped_(std::move(dropped)) {}

    int Run() {
        RunModal(IDD_IMPORT);
        if (worker_.joinable()) worker_.join();
        return status_;
    }

private:
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_INITDIALOG:
                Begin();
                return FALSE;  // the focus is set where the user goes next
            case WM_DROPFILES:
                Dropped(reinterpret_cast<HDROP>(wParam));
                return TRUE;
            case kImportEnded:
                Ended(std::unique_ptr<ImportOutcome>(reinterpret_cast<ImportOutcome*>(lParam)));
                return TRUE;
            case WM_CLOSE:
                // An import under way finishes first: its store is being replaced.
                if (!running_) EndDialog(window, IDCANCEL);
                return TRUE;
            case WM_COMMAND:
                return Command(LOWORD(wParam));
            default:
                return FALSE;
        }
    }

    INT_PTR Command(int control) {
        if (running_) return TRUE;
        switch (control) {
            case IDC_IMPORT_PICK_FOLDER:
                if (const std::optional<std::wstring> folder =
                        PickFolder(L"取り込む帳簿フォルダーを選んでください。"))
                    Load(*folder);
                return TRUE;
            case IDC_IMPORT_PICK_FILE:
                if (const std::optional<std::wstring> file = PickJournal()) Load(*file);
                return TRUE;
            case IDC_IMPORT_PICK_STORE:
                PickStore();
                return TRUE;
            case IDC_IMPORT_RUN:
                Start();
                return TRUE;
            case IDCANCEL:
                EndDialog(window_, IDCANCEL);
                return TRUE;
            default:
                return FALSE;
        }
    }

    void Tell(const std::wstring& text) { SetText(IDC_IMPORT_RESULT, text); }

    void Begin() {
        // The folder picker is a shell object.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        DragAcceptFiles(window_, TRUE);
        for (const wchar_t* item : {L"自動", L"Shift_JIS", L"UTF-8"})
            SendMessageW(Item(IDC_IMPORT_ENCODING), CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(item));
        SendMessageW(Item(IDC_IMPORT_ENCODING), CB_SETCURSEL, 0, 0);
        OfferEditions();
        ShowWindow(Item(IDC_IMPORT_PROGRESS), SW_HIDE);
        if (dropped_.empty()) {
            Show(FoundBooks{});
        } else {
            Show(FindBooks(dropped_));
        }
    }

    // The editions beside the program, whose kcbooks.ini the import may point at its store.
    void OfferEditions() {
        const std::wstring program = ProgramFolder();
        editions_ = EditionFoldersIn(program);
        std::wstring names;
        for (const std::wstring& edition : editions_)
            names += (names.empty() ? L"" : L"、") +
                     edition.substr(program.size(), edition.size() - program.size() - 1);
        if (editions_.empty()) {
            SetText(IDC_IMPORT_USE,
                    L"決算書のフォルダーが見つからないため、kcbooks.ini は書きません");
            EnableWindow(Item(IDC_IMPORT_USE), FALSE);
            return;
        }
        SetText(IDC_IMPORT_USE, L"取り込んだ帳簿を決算書（" + names +
                                    L"）で使う（kcbooks.ini の Store= に書く）(&U)");
        CheckDlgButton(window_, IDC_IMPORT_USE, BST_CHECKED);
    }

    void Load(const std::wstring& path) {
        if (const std::optional<std::string> utf8 = WideToUtf8(path)) {
            Show(FindBooks(*utf8));
            return;
        }
        Show(FoundBooks{});
        Tell(L"このパスの名前は読めません。別の名前のフォルダーかファイルにしてください。");
    }

    void Dropped(HDROP drop) {
        std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
        DragFinish(drop);
        if (!running_) Load(path);
    }

    // What was found, each value for the user to check or change. A books folder's company and
    // year are its company.csv's: shown, not changed here.
    void Show(const FoundBooks& found) {
        found_ = found;
        const bool folder = found.kind == FoundBooks::Kind::kFolder;
        const bool journal = found.kind == FoundBooks::Kind::kJournal;
        SetText(IDC_IMPORT_SOURCE, Shown(found.path));
        std::wstring kind;
        if (folder) kind = L"帳簿フォルダー（会社・期間は company.csv のとおり）";
        if (journal) kind = L"仕訳データ（汎用形式）";
        if (!folder && !journal && !found.path.empty())
            kind = L"帳簿フォルダー（company.csv のあるフォルダー）でも仕訳データでもありません";
        SetText(IDC_IMPORT_KIND, kind);
        std::wstring openings;
        if (folder) openings = L"帳簿フォルダーの openings.csv";
        if (journal)
            openings = found.openings.empty()
                           ? L"なし（同じフォルダーに期首残高のファイルがありません）"
                           : Shown(found.openings);
        SetText(IDC_IMPORT_OPENINGS, openings);
        const std::wstring automatic =
            folder || journal ? L"自動（" + EncodingName(found.encoding) + L"）" : L"自動";
        SendMessageW(Item(IDC_IMPORT_ENCODING), CB_DELETESTRING, 0, 0);
        SendMessageW(Item(IDC_IMPORT_ENCODING), CB_INSERTSTRING, 0,
                     reinterpret_cast<LPARAM>(automatic.c_str()));
        SendMessageW(Item(IDC_IMPORT_ENCODING), CB_SETCURSEL, 0, 0);
        SetText(IDC_IMPORT_COMPANY, Shown(found.company));
        SetText(IDC_IMPORT_FROM, found.periodFrom ? DateText(*found.periodFrom) : L"");
        SetText(IDC_IMPORT_TO, found.periodTo ? DateText(*found.periodTo) : L"");
        for (int id : {IDC_IMPORT_COMPANY, IDC_IMPORT_FROM, IDC_IMPORT_TO})
            SendMessageW(Item(id), EM_SETREADONLY, journal ? FALSE : TRUE, 0);
        SetText(IDC_IMPORT_STORE, Shown(found.store));
        EnableWindow(Item(IDC_IMPORT_RUN), folder || journal);
        const int next = !folder && !journal                ? IDC_IMPORT_PICK_FOLDER
                         : journal && found.company.empty() ? IDC_IMPORT_COMPANY
                                                            : IDC_IMPORT_RUN;
        FocusOn(next);
        if (journal && found.company.empty()) {
            Tell(
                L"仕訳データには会社名がありません。会社名を入れてから「取り込む」を押してください"
                L"。");
        } else if (folder || journal) {
            Tell(L"内容を確かめて「取り込む」を押してください。");
        } else {
            Tell(L"");
        }
    }

    // The system's file picker, to open a file or to save one: the path picked (starting from
    // `current`), or none when cancelled. `type` is the type's name and `pattern` its files;
    // every file may be picked too.
    std::optional<std::wstring> PickFile(bool save, const wchar_t* title, const wchar_t* type,
                                         const wchar_t* pattern, const std::wstring& current) {
        std::vector<wchar_t> buffer(32768, L'\0');
        if (current.size() < buffer.size()) current.copy(buffer.data(), current.size());
        // Each type's name, then its pattern, each ended by a 0; the list ended by one more.
        std::wstring filter;
        for (const wchar_t* piece : {type, pattern, L"すべてのファイル (*.*)", L"*.*"}) {
            filter += piece;
            filter += L'\0';
        }
        OPENFILENAMEW picker{};
        picker.lStructSize = sizeof picker;
        picker.hwndOwner = window_;
        picker.lpstrFilter = filter.c_str();
        picker.lpstrFile = buffer.data();
        picker.nMaxFile = static_cast<DWORD>(buffer.size());
        picker.lpstrTitle = title;
        picker.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (save) {
            picker.lpstrDefExt = L"books";
            picker.Flags |= OFN_OVERWRITEPROMPT;
        } else {
            picker.Flags |= OFN_FILEMUSTEXIST;
        }
        if (!(save ? GetSaveFileNameW(&picker) : GetOpenFileNameW(&picker))) return std::nullopt;
        return std::wstring(buffer.data());
    }

    std::optional<std::wstring> PickJournal() {
        return PickFile(false, L"帳簿の取り込み - 仕訳データ（汎用形式の CSV）",
                        L"仕訳データ (*.csv;*.txt)", L"*.csv;*.txt", L"");
    }

    void PickStore() {
        if (const std::optional<std::wstring> store =
                PickFile(true, L"帳簿の取り込み - 帳簿ファイルの保存先", L"帳簿ファイル (*.books)",
                         L"*.books", Text(IDC_IMPORT_STORE)))
            SetText(IDC_IMPORT_STORE, *store);
    }

    // The user's values as the import takes them; none, with why said, when one will not do.
    std::optional<ImportAsked> Asked() {
        ImportAsked asked;
        asked.kind = found_.kind;
        asked.source = found_.path;
        const std::optional<std::string> store = WideToUtf8(FullPath(Text(IDC_IMPORT_STORE)));
        if (Text(IDC_IMPORT_STORE).empty() || !store) {
            Tell(L"帳簿ファイル（取り込んだ帳簿を保存するファイル）を指定してください。");
            return std::nullopt;
        }
        asked.store = *store;
        constexpr std::array<books::SourceEncoding, 3> kEncodings = {
            books::SourceEncoding::kFromBytes, books::SourceEncoding::kCp932,
            books::SourceEncoding::kUtf8};
        const LRESULT chosen = SendMessageW(Item(IDC_IMPORT_ENCODING), CB_GETCURSEL, 0, 0);
        asked.encoding =
            kEncodings[chosen > 0 && chosen < 3 ? static_cast<std::size_t>(chosen) : 0];
        if (asked.kind != FoundBooks::Kind::kJournal) return asked;

        convert::ConvertOptions& options = asked.journal;
        options.journalPath = found_.path;
        options.openingsPath = found_.openings;
        options.encoding = asked.encoding;
        options.company = WideToUtf8(Text(IDC_IMPORT_COMPANY)).value_or("");
        if (options.company.empty()) {
            Tell(L"会社名を入れてください（仕訳データには会社名がありません）。");
            return std::nullopt;
        }
        const std::wstring from = Text(IDC_IMPORT_FROM);
        const std::wstring to = Text(IDC_IMPORT_TO);
        if (from.empty() && to.empty()) return asked;  // the conversion infers the year
        options.periodFrom = convert::ParseInterchangeDate(WideToUtf8(from).value_or(""));
        options.periodTo = convert::ParseInterchangeDate(WideToUtf8(to).value_or(""));
        if (!options.periodFrom || !options.periodTo || *options.periodTo < *options.periodFrom) {
            Tell(
                L"会計期間は 2025/04/01 ～ 2026/03/31 "
                L"のように、始めの日と終わりの日を年/月/日で入れ"
                L"てください。");
            return std::nullopt;
        }
        return asked;
    }

    void Start() {
        std::optional<ImportAsked> asked = Asked();
        if (!asked) return;
        running_ = true;
        Working(true);
        Tell(L"取り込んでいます…");
        asked_ = std::move(*asked);
        const HWND window = window_;
        worker_ = std::thread([window, asked = asked_] {
            auto ended = std::make_unique<ImportOutcome>(RunAsked(asked));
            PostMessageW(window, kImportEnded, 0, reinterpret_cast<LPARAM>(ended.release()));
        });
    }

    void Working(bool working) {
        for (int id : {IDC_IMPORT_PICK_FOLDER, IDC_IMPORT_PICK_FILE, IDC_IMPORT_ENCODING,
                       IDC_IMPORT_COMPANY, IDC_IMPORT_FROM, IDC_IMPORT_TO, IDC_IMPORT_STORE,
                       IDC_IMPORT_PICK_STORE, IDC_IMPORT_RUN, IDCANCEL})
            EnableWindow(Item(id), !working);
        if (!editions_.empty()) EnableWindow(Item(IDC_IMPORT_USE), !working);
        // Shown only while the import works: an idle bar would read as a stalled one.
        ShowWindow(Item(IDC_IMPORT_PROGRESS), working ? SW_SHOW : SW_HIDE);
        SendMessageW(Item(IDC_IMPORT_PROGRESS), PBM_SETMARQUEE, working ? TRUE : FALSE, 30);
    }

    void Ended(std::unique_ptr<ImportOutcome> ended) {
        worker_.join();
        running_ = false;
        Working(false);
        const ImportOutcome& outcome = *ended;
        // The focus was on 取り込む, disabled while the import ran: 閉じる once the books are in,
        // 取り込む again for a refusal the user mends.
        FocusOn(outcome.ok ? IDCANCEL : IDC_IMPORT_RUN);
        if (!outcome.ok) {
            status_ = 1;
            Tell(L"取り込めませんでした。\r\n" + Lines(outcome.refusal));
            return;
        }
        status_ = 0;
        std::wstring text = L"取り込みました。\r\n帳簿ファイル: " + Shown(asked_.store);
        books::BooksSummary summary;
        std::string error;
        if (books::SummarizeStore(asked_.store, &summary, &error)) {
            text += L"\r\n" + Shown(summary.company) + L"　会計期間 " +
                    DateText(summary.periodFrom) + L"～" + DateText(summary.periodTo) + L"　仕訳 " +
                    std::to_wstring(summary.entries) + L" 件\r\n試算表の合計　借方 " +
                    Shown(summary.debits) + L" 円　貸方 " + Shown(summary.credits) + L" 円" +
                    (summary.balanced ? L"（一致しています）" : L"（一致しません）");
        } else {
            text += L"\r\n" + Lines(error);
        }
        if (outcome.imported.fractionalAmounts > 0)
            text += L"\r\n" +
                    Shown(kcbooks_messages::Say(Id::kFractionalAmounts,
                                                {{"count", outcome.imported.fractionalAmounts}}));
        if (IsDlgButtonChecked(window_, IDC_IMPORT_USE) == BST_CHECKED)
            text += PointEditionsAt(asked_.store);
        Tell(text);
    }

    // A message's lines as the result box shows them (CR LF).
    static std::wstring Lines(const std::string& utf8) {
        std::wstring text;
        for (wchar_t c : Shown(utf8)) {
            if (c == L'\n') text += L'\r';
            text += c;
        }
        return text;
    }

    // Store= of each edition's kcbooks.ini set to the new store; what became of each.
    std::wstring PointEditionsAt(const std::string& store) {
        std::wstring said;
        const std::wstring program = ProgramFolder();
        for (const std::wstring& edition : editions_) {
            said += L"\r\n" + edition.substr(program.size()) + L"kcbooks.ini";
            try {
                switch (BooksSettings::SetStore(edition, store)) {
                    case BooksSettings::StoreSet::kSet:
                        said += L": Store= をこの帳簿ファイルにしました。";
                        break;
                    case BooksSettings::StoreSet::kUnreadable:
                        said += L": 読めないため書き換えていません。";
                        break;
                    case BooksSettings::StoreSet::kUnknownEncoding:
                        said += L": 文字コードが読めないため書き換えていません。";
                        break;
                }
            } catch (const native::Failure& failure) {
                said +=
                    L": 書き換えられません: " + Shown(kcbooks_messages::FailureSentence(failure));
            }
        }
        return said;
    }

    std::string dropped_;
    FoundBooks found_;
    ImportAsked asked_;
    std::vector<std::wstring> editions_;
    std::thread worker_;
    bool running_ = false;
    int status_ = 2;
};

}  // namespace

bool OpensImportWindow(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return true;
    return arguments.size() == 1 && !arguments[0].empty() && arguments[0][0] != '-' &&
           !IsCommand(arguments[0]);
}

int RunImportWindow(const std::string& dropped) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return ImportWindow(dropped).Run();
}

}  // namespace kcbooks
