// kcview.exe: the POSIX tool's command on Windows, and the Windows way to use it.
//
// A file dropped on kcview.exe in Explorer starts it with that file as its only argument: the page
// is written beside the file (EXPORT.html) and opened in the default browser, and failed checks
// and errors are shown in a message box as well. So the one-argument form is the drop form; with
// -o or --check the program is a console command, as on POSIX, with no message box and no
// browser. Started with no argument (a double click, or 決算書の確認 in the Start menu), it asks
// for the file with the system's file picker; picking two files is dropping both.
//
// A GUI program (-mwindows): a console program would flash a console window at every drop. Its
// output goes where the standard handles lead when they were given (a pipe or a file, as a script
// or a test redirects them), else to the console of the program that started it, when there is
// one (AttachConsole); the command prompt does not wait for a GUI program, so it may print its
// prompt before kcview's lines. Text goes to a console as UTF-16 and to a pipe or a file as UTF-8
// bytes, the same bytes the POSIX tool writes (native/Console).
//
// KCVIEW_NO_BROWSER=1 keeps the page out of the browser, for the tests. Two files dropped together
// are this year's and last year's export, the page of this year's shows both.
//
// A dropped file is checked against its books, as --books checks it: the store, among those the
// editions beside kcview.exe name in their kcbooks.ini (dist\kcsakura\kcbooks.ini …), whose data
// set is the file's company and fiscal year. Without one the file is reviewed alone, as before,
// and the box says the books were not found.

// The host's Win32 declarations before the shell's header, which needs their types.
#include "host/win32/Win32Api.h"
// clang-format off
#include <objbase.h>
#include <shellapi.h>
#include <commdlg.h>
#include <cderr.h>
// clang-format on

#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "host/win32/BooksSettings.h"
#include "host/win32/Wide.h"
#include "messages/tools/ToolMessages.h"
#include "native/Console.h"
#include "native/Utf16.h"
#include "tools/kcview/Kcview.h"
#include "tools/kcview/PageFile.h"

namespace {

constexpr const wchar_t* kCaption = L"kcview";

std::wstring Wide(std::u16string_view utf16) {
    return std::wstring(utf16.begin(), utf16.end());
}

// kcview's own lines, the file's texts and the page's path for a person to read: a byte that is
// no UTF-8 character shows as U+FFFD (kcview's lines are UTF-8, so none should).
std::wstring Shown(const std::string& utf8) {
    return Wide(native::Utf8ToUtf16Shown(utf8));
}

// std::cout and std::cerr through the floor's console writer for the life of the object, every
// byte also kept for the message box.
class StandardStreams {
public:
    explicit StandardStreams(bool mayAttachConsole)
        : streams_(native::ConsoleOptions{mayAttachConsole, &transcript_}) {}

    // Everything written to both streams, in order.
    const std::string& Transcript() const { return transcript_; }

private:
    std::string transcript_;
    native::ConsoleStreams streams_;
};

void ShowBox(const std::wstring& text, UINT icon) {
    MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | icon | MB_SETFOREGROUND);
}

bool BrowserWanted() {
    const char* noBrowser = std::getenv("KCVIEW_NO_BROWSER");
    return !noBrowser || std::string(noBrowser) != "1";
}

// The books of a dropped file among those the editions beside kcview.exe name; empty when none
// holds the file's company and year.
std::string BooksOfDroppedFile(const std::string& exportPath) {
    std::vector<std::string> stores;
    for (const std::wstring& store : StoresOfEditionsIn(ProgramFolder())) {
        // A path holding a lone surrogate has no UTF-8 name to open it by.
        if (const std::optional<std::string> utf8 = WideToUtf8(store)) stores.push_back(*utf8);
    }
    return kcview::BooksOfExport(exportPath, stores);
}

// Which books the file was checked against, or that none were found.
std::wstring BooksText(const std::string& books) {
    if (!books.empty()) return L"\n帳簿: " + Shown(books);
    return L"\n帳簿は見つかりませんでした（kcview.exe と同じフォルダーにある各版の kcbooks.ini の "
           L"Store= に、この会社・会計期間の帳簿ファイルがありません）。帳簿との一致は確かめて"
           L"いません。";
}

// The count of checks, and of those that failed, warned or did not apply.
std::wstring CountText(const kcview::RunSummary& summary) {
    std::wstring text = std::to_wstring(summary.checks) + L" 件の確認のうち";
    text += summary.failed == 0 ? std::wstring(L"、合わないものはありません。")
                                : L" " + std::to_wstring(summary.failed) + L" 件が合いません。";
    if (summary.warned > 0) text += L"注意 " + std::to_wstring(summary.warned) + L" 件。";
    if (summary.notApplicable > 0)
        text += L"（対象外 " + std::to_wstring(summary.notApplicable) + L" 件）";
    return text;
}

constexpr std::size_t kFailuresShown = 8;
constexpr std::size_t kWarningsShown = 4;

// Lines of a box, the first `shown` of them: a box taller than the screen hides its button.
std::wstring ListedLines(const std::vector<std::string>& lines, std::size_t shown) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size() && i < shown; ++i) text += L"\n" + Shown(lines[i]);
    if (lines.size() > shown)
        text += L"\nほか " + std::to_wstring(lines.size() - shown) + L" 件（確認ページを参照）";
    return text;
}

// The box of a file whose checks do not all hold, in the user's words: each disagreement under
// its check's title, the warnings apart, where the page is, and how many checks failed. A file
// that only warns opens its page, which shows the warnings, without a box.
std::wstring FailedChecksText(const kcview::RunSummary& summary, bool browserFailed,
                              const std::string& books) {
    std::wstring text = L"確認に合わない数字があります。確認ページで確かめてください。\n" +
                        ListedLines(summary.failures, kFailuresShown);
    if (!summary.warnings.empty())
        text += L"\n\n【注意】" + ListedLines(summary.warnings, kWarningsShown);
    text += L"\n\n確認ページ: " + Shown(summary.pagePath);
    if (browserFailed) text += L"（ブラウザーで開けませんでした）";
    return text + BooksText(books) + L"\n" + CountText(summary);
}

// The drop form: the page beside the file (beside last year's, when given), checked as --check
// checks it, then opened. Without a browser to open it, the box says whether the checks held.
int ReviewDroppedFile(const std::string& exportPath, const std::string& lastYearPath = "") {
    const std::string pagePath = kcview::DefaultPagePath(exportPath);
    std::string transcript;
    kcview::RunSummary summary;
    bool browserFailed = false;
    int status = 0;
    const std::string books = BooksOfDroppedFile(exportPath);
    {
        StandardStreams streams(false);
        std::vector<std::string> words = {"kcview", "--check", "-o", pagePath, exportPath};
        if (!lastYearPath.empty()) {
            words.push_back("--previous");
            words.push_back(lastYearPath);
        }
        if (!books.empty()) {
            words.push_back("--books");
            words.push_back(books);
        }
        std::vector<char*> arguments;
        for (std::string& word : words) arguments.push_back(word.data());
        arguments.push_back(nullptr);
        status = kcview::Run(static_cast<int>(words.size()), arguments.data(), &summary);
        std::cout.flush();
        std::cerr.flush();
        transcript = streams.Transcript();
    }
    // 0 and 1: the page was written; 2: the file or the page could not be handled.
    if (status != 2 && BrowserWanted()) {
        // The shell's handlers for a file type may be COM objects.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        // The page's own path, never a changed one (it came from a valid argument).
        const std::optional<std::u16string> page = native::Utf8ToUtf16(pagePath);
        const auto opened =
            page ? reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", Wide(*page).c_str(),
                                                           nullptr, nullptr, SW_SHOWNORMAL))
                 : 0;
        browserFailed = opened <= 32;
        if (browserFailed && status == 0) {
            std::wstring text = L"確認ページをブラウザーで開けませんでした。\n\n" + Shown(pagePath);
            if (!summary.warnings.empty())
                text += L"\n\n【注意】" + ListedLines(summary.warnings, kWarningsShown);
            ShowBox(text + L"\n" + BooksText(books) + L"\n" + CountText(summary), MB_ICONWARNING);
        }
    }
    if (status == 1) ShowBox(FailedChecksText(summary, browserFailed, books), MB_ICONWARNING);
    if (status == 2)
        ShowBox(L"ファイルを確認できませんでした。\n\n" + Shown(transcript), MB_ICONERROR);
    return status;
}

// Two files dropped together: this year's and last year's, in whichever order Explorer gives
// them. The page of this year's file shows last year's beside it.
int ReviewDroppedYears(const std::string& first, const std::string& second) {
    const int lastYear = kcview::LastYearOf(first, second);
    if (lastYear == 0) return ReviewDroppedFile(second, first);
    // Neither directly precedes the other: the run names what is wrong.
    return ReviewDroppedFile(first, second);
}

// The title of the picker, which says what to pick.
constexpr wchar_t kPickerTitle[] = L"決算書の確認 - 書き出したファイル（前期分も一緒に選べます）";

// The exports the user picks: this year's, or this year's and last year's together. Empty when
// the picker was cancelled; a path that is not valid UTF-16 cannot come from the picker.
std::vector<std::string> PickedExports() {
    // Room for two long paths and more: a pick that does not fit is said, not cut.
    std::vector<wchar_t> buffer(32768, L'\0');
    OPENFILENAMEW picker{};
    picker.lStructSize = sizeof picker;
    // Each type's name, then its pattern, each ended by a 0; the list ended by one more.
    std::wstring filter;
    for (const wchar_t* piece :
         {L"書き出したファイル (*.xml)", L"*.xml", L"すべてのファイル (*.*)", L"*.*"}) {
        filter += piece;
        filter += L'\0';
    }
    picker.lpstrFilter = filter.c_str();
    picker.lpstrFile = buffer.data();
    picker.nMaxFile = static_cast<DWORD>(buffer.size());
    picker.lpstrTitle = kPickerTitle;
    picker.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&picker)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            ShowBox(
                L"選んだファイルが多すぎます。当期のファイル（と前期のファイル）を選んでください。",
                MB_ICONWARNING);
        return {};
    }
    // One file: its whole path. Several: their folder, then each name, each ended by a 0.
    std::vector<std::wstring> parts;
    for (const wchar_t* part = buffer.data(); *part != L'\0'; part += std::wcslen(part) + 1)
        parts.emplace_back(part);
    std::vector<std::wstring> paths;
    if (parts.size() == 1) paths = parts;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const bool rooted = !parts[0].empty() && parts[0].back() == L'\\';
        paths.push_back(parts[0] + (rooted ? L"" : L"\\") + parts[i]);
    }
    std::vector<std::string> picked;
    for (const std::wstring& path : paths) {
        const std::optional<std::string> utf8 =
            native::Utf16ToUtf8(std::u16string(path.begin(), path.end()));
        if (utf8) picked.push_back(*utf8);
    }
    return picked;
}

// Started with no file: the picker, then the page as a drop makes it. Cancelled, nothing is
// reviewed and nothing is said.
int ReviewPickedFiles() {
    const std::vector<std::string> picked = PickedExports();
    if (picked.empty()) return 2;
    if (picked.size() > 2) {
        ShowBox(L"選べるのは当期のファイルと前期のファイルの2つまでです。", MB_ICONWARNING);
        return 2;
    }
    return picked.size() == 1 ? ReviewDroppedFile(picked[0])
                              : ReviewDroppedYears(picked[0], picked[1]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        // A name is taken as it is or not at all.
        std::optional<std::string> argument =
            native::Utf16ToUtf8(std::u16string(argv[i], argv[i] + std::wcslen(argv[i])));
        if (!argument) {
            StandardStreams streams(true);
            std::cerr << "kcview: " << tool_messages::ArgumentNotUtf16(i) << "\n";
            return 2;
        }
        arguments.push_back(std::move(*argument));
    }
    if (argc == 1) return ReviewPickedFiles();
    const auto dropped = [&](int i) { return !arguments[i].empty() && arguments[i][0] != '-'; };
    if (argc == 2 && dropped(1)) return ReviewDroppedFile(arguments[1]);
    if (argc == 3 && dropped(1) && dropped(2))
        return ReviewDroppedYears(arguments[1], arguments[2]);

    StandardStreams streams(true);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return kcview::Run(argc, pointers.data());
}
