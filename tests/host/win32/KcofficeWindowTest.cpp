// kcoffice.exe's window as a user meets it: a clients' folder dropped on the program (its only
// argument, the console program started with a console of its own, as Explorer starts it) or
// given to it at a command prompt; the month it offers changed, 実行 pressed, and the month's
// summary page written and handed to the browser. The .html association of the prefix leads to
// a command that notes the path it was asked to open. A run that cannot start says why in a box,
// and the window stays for another try.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
// After the host's declarations, whose types it needs.
#include <commctrl.h>

#include "resources/ResourceIds.h"
#include "tests/host/win32/RunAsUser.h"
#include "tests/host/win32/ScreenUser.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kCaption = L"決算書の一括作成";
const fs::path kWork = fs::path(KC_OFFICE_WORK).make_preferred();

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The month before this one, as the window offers it: the last month that has ended.
std::wstring LastEndedMonth() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    int year = now.wYear;
    int month = now.wMonth - 1;
    if (month == 0) {
        month = 12;
        --year;
    }
    wchar_t text[16];
    swprintf(text, 16, L"%04d-%02d", year, month);
    return text;
}

// The browser's part played by the command interpreter: the .html association of the prefix
// points at a command that writes the path it is given into `noted`, for as long as the object
// lives; the association before it is given back. Wine reads the file types of
// HKEY_CLASSES_ROOT, not the user's own classes.
class PageOpening {
public:
    explicit PageOpening(const fs::path& noted) : before_(DefaultOf(L".html")) {
        const wchar_t* shell = _wgetenv(L"ComSpec");
        const std::wstring command = L"\"" + std::wstring(shell ? shell : L"cmd.exe") +
                                     L"\" /c echo %1> \"" + noted.wstring() + L"\"";
        SetDefault(L".html", kType);
        SetDefault(std::wstring(kType) + L"\\shell\\open\\command", command);
    }
    ~PageOpening() {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kType);
        if (before_) {
            SetDefault(L".html", *before_);
        } else {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, L".html");
        }
    }
    PageOpening(const PageOpening&) = delete;
    PageOpening& operator=(const PageOpening&) = delete;

private:
    static constexpr const wchar_t* kType = L"kcoffice.test.page";

    static std::optional<std::wstring> DefaultOf(const std::wstring& key) {
        wchar_t value[256] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                         &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(value);
    }

    static void SetDefault(const std::wstring& key, const std::wstring& value) {
        HKEY opened = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &opened, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }

    std::optional<std::wstring> before_;
};

// What the command noted: the path it was asked to open (the console's code page, 932); empty
// when nothing was opened.
std::wstring Opened(const fs::path& noted) {
    std::wstring text = SjisToWideLossy(ReadBytes(noted));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

// Whether a console window is on the screen: the one the program was given, or the command
// prompt's. Wine's console host draws it in a window of its own class, Windows' in another.
bool ConsoleShown() {
    bool shown = false;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            const std::wstring type = name;
            if (IsWindowVisible(window) &&
                (type == L"WineConsoleClass" || type == L"ConsoleWindowClass"))
                *reinterpret_cast<bool*>(found) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The window of the caption, whichever process shows it (the program started by a command
// prompt is not the process the test started); none when it did not appear in time.
HWND WaitForOfficeWindow(DWORD patienceMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindWindowW(L"#32770", kCaption.c_str());
            return window != nullptr && IsWindowVisible(window);
        },
        patienceMs);
    return window;
}

// Whether the bar shows `done` of `todo`; false too when the window did not answer in time.
bool BarShows(HWND window, DWORD_PTR done, DWORD_PTR todo) {
    const HWND bar = GetDlgItem(window, IDC_OFFICE_PROGRESS);
    DWORD_PTR position = 0;
    DWORD_PTR end = 0;
    return IsWindowVisible(bar) &&
           SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position) &&
           SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 1000, &end) &&
           position == done && end == todo;
}

ScreenUser UserOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return ScreenUser::OfProcess(process);
}

std::wstring TextOf(const ScreenUser& user, HWND window, int id) {
    return user.Text(GetDlgItem(window, id)).value_or(L"(no answer)");
}

// Copies of the sample books (a books folder) for a client whose year ends in March 2026, and a
// client folder without books, which is refused.
fs::path Clients(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder / L"空き");
    fs::create_directories(folder / L"さくら製作所");
    fs::copy(KC_SAMPLE_BOOKS, folder / L"さくら製作所" / L"帳簿", fs::copy_options::recursive);
    return folder;
}

struct StartCase {
    const wchar_t* what;
    bool fromPrompt;      // typed at a command prompt, which shares its console; else a drop
    bool consoleShown;    // the console stays on the screen
    const wchar_t* seen;  // a line the window shows while the clients are worked on
};

TEST(KcofficeWindow, DroppedClientsFolderRunsTheMonthAndOpensItsSummary) {
    fs::remove_all(kWork);
    const fs::path clients = Clients(kWork / L"顧問先");
    const fs::path noted = kWork / L"opened.txt";
    const fs::path summary = kWork / L"決算書" / L"2026-03" / L"index.html";
    const PageOpening opening(noted);
    const StartCase kCases[] = {
        // The second run finds the exported client unchanged: only the refused one is done.
        {L"dropped in Explorer", false, false, L"顧問先 1 / 2 件を処理しました…"},
        {L"typed at a command prompt", true, true, nullptr},
    };
    for (const StartCase& c : kCases) {
        SCOPED_TRACE(WideToUtf8Shown(c.what));
        fs::remove(noted);
        std::wstring program = KCOFFICE_EXE;
        std::wstring arguments = L" \"" + clients.wstring() + L"\"";
        if (c.fromPrompt) {
            const wchar_t* shell = _wgetenv(L"ComSpec");
            arguments = L" /c \"\"" + program + L"\"" + arguments + L"\"";
            program = shell ? shell : L"cmd.exe";
        }
        std::set<std::wstring> seen;
        bool barHalfway = false;  // the bar at one client of two while the line said so
        const DWORD exitCode = RunAsUser(
            program, arguments, nullptr,
            [&](const ScreenUser&) {
                const HWND window = WaitForOfficeWindow(20000);
                ASSERT_NE(window, nullptr);
                const ScreenUser user = UserOf(window);
                EXPECT_EQ(TextOf(user, window, IDC_OFFICE_CLIENTS), clients.wstring());
                EXPECT_EQ(TextOf(user, window, IDC_OFFICE_MONTH), LastEndedMonth());
                EXPECT_EQ(TextOf(user, window, IDC_OFFICE_OUTPUT), (kWork / L"決算書").wstring());
                EXPECT_EQ(ConsoleShown(), c.consoleShown);
                EXPECT_TRUE(user.Type(window, IDC_OFFICE_MONTH, L"2026-03"));
                EXPECT_TRUE(user.Click(window, IDC_OFFICE_RUN));
                // Closing it while the run works does nothing: the run comes to its end.
                PostMessageW(window, WM_CLOSE, 0, 0);
                EXPECT_TRUE(WaitUntil(
                    [&] {
                        if (const std::optional<std::wstring> status =
                                user.Text(GetDlgItem(window, IDC_OFFICE_STATUS))) {
                            seen.insert(*status);
                            if (c.seen && *status == c.seen && BarShows(window, 1, 2))
                                barHalfway = true;
                        }
                        return !IsWindow(window);
                    },
                    120000));
            },
            150000, CREATE_NEW_CONSOLE);
        // One client refused.
        EXPECT_EQ(exitCode, 1u);
        EXPECT_TRUE(fs::exists(summary));
        EXPECT_TRUE(WaitUntil([&] { return !Opened(noted).empty(); }, 10000));
        EXPECT_EQ(Opened(noted), summary.wstring());
        if (c.seen) {
            EXPECT_EQ(seen.count(c.seen), 1u)
                << "the window never said " << WideToUtf8Shown(c.seen);
            EXPECT_TRUE(barHalfway) << "the bar never stood at one client of two";
        }
    }
    EXPECT_TRUE(fs::exists(kWork / L"決算書" / L"2026-03" / L"さくら製作所" / L"さくら製作所.xml"));
}

// kcoffice.exe copied alone, without the edition beside it: a month that is none is refused in
// the window; the run says in a box that the edition's program is missing, writes nothing, and
// the window stays until the user cancels it.
TEST(KcofficeWindow, ARunThatCannotStartSaysWhyAndTheWindowStays) {
    const fs::path alone = kWork / L"単独";
    fs::remove_all(alone);
    fs::create_directories(alone);
    fs::copy_file(KCOFFICE_EXE, alone / L"kcoffice.exe");
    const fs::path clients = Clients(alone / L"顧問先");
    const fs::path noted = alone / L"opened.txt";
    const PageOpening opening(noted);
    const DWORD exitCode = RunAsUser(
        (alone / L"kcoffice.exe").wstring(), L" \"" + clients.wstring() + L"\"", nullptr,
        [&](const ScreenUser& user) {
            const HWND window = user.WaitForDialog(kCaption, 20000);
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(user.Type(window, IDC_OFFICE_MONTH, L"2026-13"));
            EXPECT_TRUE(user.Click(window, IDC_OFFICE_RUN));
            EXPECT_TRUE(WaitUntil([&] {
                return TextOf(user, window, IDC_OFFICE_STATUS) ==
                       L"決算月は 2026-03 のように、年と月を「-」でつないで入れてください。";
            })) << WideToUtf8Shown(TextOf(user, window, IDC_OFFICE_STATUS));
            EXPECT_TRUE(user.Type(window, IDC_OFFICE_MONTH, L"2026-03"));
            EXPECT_TRUE(user.Click(window, IDC_OFFICE_RUN));
            const std::optional<ScreenUser::Box> box = user.WaitForMessageBox(L"kcoffice", 20000);
            ASSERT_TRUE(box.has_value());
            for (const wchar_t* line :
                 {L"実行できませんでした。\n\n", L"版のプログラムがありません"})
                EXPECT_NE(box->text.find(line), std::wstring::npos)
                    << WideToUtf8Shown(line) << " is not in " << WideToUtf8Shown(box->text);
            EXPECT_TRUE(user.Answer(*box, IDOK));
            EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(window, IDCANCEL)); }));
            EXPECT_TRUE(IsWindow(window));
            EXPECT_TRUE(user.Click(window, IDCANCEL));
        },
        60000, CREATE_NEW_CONSOLE);
    EXPECT_EQ(exitCode, 2u);
    EXPECT_FALSE(fs::exists(alone / L"決算書"));
    EXPECT_FALSE(fs::exists(noted));
}

}  // namespace
