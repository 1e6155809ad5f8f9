#include "tools/kcoffice/win32/OfficeWindow.h"

// The host's Win32 declarations before the shell's and the common controls' headers, which need
// their types.
#include "host/win32/Win32Api.h"
// clang-format off
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
// clang-format on

#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/win32/ModalWindow.h"
#include "host/win32/Wide.h"
#include "native/Calls.h"
#include "native/Console.h"
#include "native/Failure.h"
#include "native/Interrupts.h"
#include "native/Utf16.h"
#include "resources/ResourceIds.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcoffice/Office.h"
#include "tools/kcoffice/OfficeMessages.h"
#include "tools/kcoffice/WindowDefaults.h"

namespace office {
namespace {

using office_messages::Id;
using office_messages::Say;

// The worker's news, posted to the window: the clients done (wParam) of those to do (lParam),
// and the run's end with the outcome it owns.
constexpr UINT kClientsDone = WM_APP + 1;
constexpr UINT kRunEnded = WM_APP + 2;

// The caption of the window's boxes: the program's name, as kcview.exe's boxes bear theirs.
constexpr wchar_t kBoxCaption[] = L"kcoffice";

std::wstring Shown(const std::string& utf8) {
    const std::u16string units = native::Utf8ToUtf16Shown(utf8);
    return std::wstring(units.begin(), units.end());
}

// The run's outcome: its status, the summary page when it was written, and what it said.
struct RunEnd {
    int status = 2;
    std::string page;
    std::string said;
};

// The month's run on the worker: what it says goes to the console as the command's does (hidden
// or the command prompt's) and is kept for the box of a run that could not be done.
RunEnd RunMonth(const OfficeRun& run, const ProgressSink& progress) {
    RunEnd end;
    {
        native::ConsoleStreams streams(native::ConsoleOptions{false, &end.said});
        try {
            end.status = RunOffice(run, &end.page, progress);
        } catch (const std::bad_alloc&) {
            std::cerr << office_messages::Text(Id::kNoMemory);
        } catch (const native::Failure& failure) {
            std::cerr << Say(Id::kFailed, {{"reason", native::Sentence(failure)}}) << "\n";
        }
    }
    return end;
}

// Today on this computer's clock, yyyymmdd.
std::int32_t Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wYear * 10000 + now.wMonth * 100 + now.wDay;
}

class OfficeWindow : public ModalWindow {
public:
    explicit OfficeWindow(std::string clients) : clients_(std::move(clients)) {}

    int Run() {
        RunModal(IDD_OFFICE);
        if (worker_.joinable()) worker_.join();
        return status_;
    }

private:
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_INITDIALOG:
                Begin();
                return FALSE;  // the focus is on 実行
            case kClientsDone:
                Done(static_cast<std::size_t>(wParam), static_cast<std::size_t>(lParam));
                return TRUE;
            case kRunEnded:
                Ended(std::unique_ptr<RunEnd>(reinterpret_cast<RunEnd*>(lParam)));
                return TRUE;
            case WM_CLOSE:
                // A run under way finishes first: its clients' outputs are being replaced.
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
            case IDC_OFFICE_PICK_OUTPUT:
                PickOutput();
                return TRUE;
            case IDC_OFFICE_RUN:
                Start();
                return TRUE;
            case IDCANCEL:
                EndDialog(window_, IDCANCEL);
                return TRUE;
            default:
                return FALSE;
        }
    }

    void Tell(const std::wstring& text) { SetText(IDC_OFFICE_STATUS, text); }

    void Begin() {
        // The folder picker and the browser's opening of the page are shell objects.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        SetText(IDC_OFFICE_CLIENTS, Shown(clients_));
        SetText(IDC_OFFICE_MONTH, Shown(MonthName(LastEndedMonth(Today()))));
        SendMessageW(Item(IDC_OFFICE_MONTH), EM_LIMITTEXT, 7, 0);
        SetText(IDC_OFFICE_OUTPUT, Shown(DefaultOfficeFolder(clients_)));
        ShowWindow(Item(IDC_OFFICE_PROGRESS), SW_HIDE);
        Tell(L"決算月と出力先を確かめて「実行」を押してください。");
        FocusOn(IDC_OFFICE_RUN);
    }

    void PickOutput() {
        if (const std::optional<std::wstring> folder =
                PickFolder(L"決算書の出力先のフォルダーを選んでください。"))
            SetText(IDC_OFFICE_OUTPUT, *folder);
    }

    // The run the user asked for; none, with why said, when a value will not do.
    std::optional<OfficeRun> Asked() {
        OfficeRun run;
        run.clients = clients_;
        if (!kcbooks::ParseYearMonth(WideToUtf8(Text(IDC_OFFICE_MONTH)).value_or(""), &run.month)) {
            Tell(L"決算月は 2026-03 のように、年と月を「-」でつないで入れてください。");
            FocusOn(IDC_OFFICE_MONTH);
            return std::nullopt;
        }
        const std::wstring output = Text(IDC_OFFICE_OUTPUT);
        const std::optional<std::string> office = WideToUtf8(FullPath(output));
        if (output.empty() || !office) {
            Tell(L"出力先のフォルダーを入れてください。");
            FocusOn(IDC_OFFICE_OUTPUT);
            return std::nullopt;
        }
        run.office = *office;
        return run;
    }

    void Start() {
        std::optional<OfficeRun> run = Asked();
        if (!run) return;
        running_ = true;
        Working(true);
        Tell(L"顧問先を調べています…");
        const HWND window = window_;
        worker_ = std::thread([window, run = std::move(*run)] {
            const auto progress = [window](std::size_t done, std::size_t todo) {
                PostMessageW(window, kClientsDone, done, static_cast<LPARAM>(todo));
            };
            auto end = std::make_unique<RunEnd>(RunMonth(run, progress));
            PostMessageW(window, kRunEnded, 0, reinterpret_cast<LPARAM>(end.release()));
        });
    }

    void Working(bool working) {
        for (int id : {IDC_OFFICE_MONTH, IDC_OFFICE_OUTPUT, IDC_OFFICE_PICK_OUTPUT, IDC_OFFICE_RUN,
                       IDCANCEL})
            EnableWindow(Item(id), !working);
        // Nor from the caption's button or Alt+F4 while the run works.
        EnableMenuItem(GetSystemMenu(window_, FALSE), SC_CLOSE,
                       MF_BYCOMMAND | (working ? MF_GRAYED : MF_ENABLED));
        // Shown only while the run works: an idle bar would read as a stalled one.
        ShowWindow(Item(IDC_OFFICE_PROGRESS), working ? SW_SHOW : SW_HIDE);
        SendMessageW(Item(IDC_OFFICE_PROGRESS), PBM_SETPOS, 0, 0);
    }

    void Done(std::size_t done, std::size_t todo) {
        SendMessageW(Item(IDC_OFFICE_PROGRESS), PBM_SETRANGE32, 0, static_cast<LPARAM>(todo));
        SendMessageW(Item(IDC_OFFICE_PROGRESS), PBM_SETPOS, done, 0);
        Tell(L"顧問先 " + std::to_wstring(done) + L" / " + std::to_wstring(todo) +
             L" 件を処理しました…");
    }

    // A run that came to its end opens its summary page and closes the window; one that could
    // not be done says why, and the user may change the month or the folder and run again.
    void Ended(std::unique_ptr<RunEnd> end) {
        worker_.join();
        running_ = false;
        Working(false);
        if (end->page.empty()) {
            Tell(L"");
            std::wstring said = Shown(end->said);
            while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r')) said.pop_back();
            MessageBoxW(window_, (L"実行できませんでした。\n\n" + said).c_str(), kBoxCaption,
                        MB_OK | MB_ICONERROR);
            FocusOn(IDC_OFFICE_RUN);
            return;
        }
        status_ = end->status;
        Tell(L"一覧のページを開きます…");
        const std::optional<std::wstring> page = Utf8ToWide(end->page);
        const auto opened =
            page ? reinterpret_cast<INT_PTR>(ShellExecuteW(window_, L"open", page->c_str(), nullptr,
                                                           nullptr, SW_SHOWNORMAL))
                 : 0;
        if (opened <= 32)
            MessageBoxW(
                window_,
                (L"一覧のページをブラウザーで開けませんでした。\n\n" + Shown(end->page)).c_str(),
                kBoxCaption, MB_OK | MB_ICONWARNING);
        EndDialog(window_, IDOK);
    }

    std::string clients_;
    std::thread worker_;
    bool running_ = false;
    int status_ = 2;
};

// Explorer gives a console program a console of its own: hidden, the window stands alone. A
// console shared with the command prompt that started the program stays as it is.
void HideOwnConsole() {
    DWORD processes[2] = {};
    if (GetConsoleProcessList(processes, 2) != 1) return;
    if (const HWND console = GetConsoleWindow()) ShowWindow(console, SW_HIDE);
}

}  // namespace

bool OpensOfficeWindow(const std::vector<std::string>& arguments) {
    if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') return false;
    native::FileState state;
    return native::TheCalls().status(arguments[0], true, &state) == 0 && state.isFolder;
}

int RunOfficeWindow(const std::string& clients) {
    HideOwnConsole();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The console's Ctrl+C ends the run as it ends the command's: its temporaries and children
    // go, the clients under way stay as they were.
    native::Interrupts interrupts(
        {nullptr, [] { std::cerr << Say(Id::kInterrupted) << std::endl; }}, 2);
    // The folder as the run and the user see it: a whole path, whatever the current folder.
    const std::string full =
        WideToUtf8(FullPath(Utf8ToWide(clients).value_or(L""))).value_or(clients);
    return OfficeWindow(full).Run();
}

}  // namespace office
