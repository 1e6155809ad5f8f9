// kcbooks.exe's import window as a user meets it: a books folder or a journal dropped on the
// program (its only argument), what the window found read back from its controls, the import run
// with 取り込む, and the result or the refusal read from the window. The program runs from a
// layout of its own beside an edition folder, as the zip and the installer lay it out, so that
// the kcbooks.ini it points at the new books is the test's.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "host/Profile.h"
#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
#include "resources/ResourceIds.h"
#include "tests/host/win32/RunAsUser.h"
#include "tests/host/win32/ScreenUser.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kCaption = L"帳簿の取り込み";
const fs::path kWork = fs::path(KC_IMPORT_WORK).make_preferred();
const fs::path kLayout = kWork / L"layout";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// kcbooks.exe beside an edition folder with its kcbooks.ini as the package ships it (Shift_JIS,
// its Store= line commented out).
void LayOut() {
    fs::remove_all(kWork);
    fs::create_directories(kLayout / L"kcsakura");
    fs::copy_file(KCBOOKS_EXE, kLayout / L"kcbooks.exe");
    fs::copy_file(fs::path(KCBOOKS_EXE).parent_path() / L"kcsakura" / L"ZezavareDef.ini",
                  kLayout / L"kcsakura" / L"ZezavareDef.ini");
    WriteBytes(kLayout / L"kcsakura" / L"kcbooks.ini",
               "; \x92\xA0\x95\xEB\r\n[Books]\r\n;Store=C:\\sample.books\r\n");  // ; 帳簿
}

// Every file of a books folder as a spreadsheet on a Japanese system saves it: Shift_JIS, CR LF.
void SaveAsSpreadsheet(const fs::path& folder) {
    for (const fs::directory_entry& file : fs::recursive_directory_iterator(folder)) {
        if (!file.is_regular_file()) continue;
        std::string text;
        for (char c : ReadBytes(file.path())) {
            if (c == '\n') text += '\r';
            if (c != '\r') text += c;
        }
        const std::optional<std::string> sjis = WideToSjis(Utf8ToWide(text).value_or(L""));
        ASSERT_TRUE(sjis.has_value()) << file.path().string();
        WriteBytes(file.path(), *sjis);
    }
}

// The Store= of the edition's kcbooks.ini; empty when it has none.
std::wstring StoreOfEdition() {
    const std::optional<std::string> text =
        ProfileTextAsUtf8(ReadBytes(kLayout / L"kcsakura" / L"kcbooks.ini"));
    if (!text) return L"kcbooks.ini is no text";
    return Utf8ToWide(FindProfileValue(*text, "Books", "Store").value_or("")).value_or(L"?");
}

struct WindowCase {
    const wchar_t* what;
    std::function<fs::path()> dropped;  // the path dropped on the program
    std::wstring encoding;              // what the window says the bytes tell
    std::wstring kind;                  // what it says it found
    std::wstring company;               // as found; typed in when the window found none
    const wchar_t* typedCompany;
    std::wstring from, to;
    DWORD exitCode;
    std::vector<std::wstring> result;  // lines of the result the window shows
    bool pointed;                      // the edition's kcbooks.ini names the new store
};

TEST(KcbooksWindow, DroppedBooksAreFoundImportedAndTheEditionPointedAtThem) {
    LayOut();
    const WindowCase kCases[] = {
        {L"books folder a spreadsheet saved",
         [] {
             fs::copy(KC_SAMPLE_BOOKS, kWork / L"サンプル帳簿", fs::copy_options::recursive);
             SaveAsSpreadsheet(kWork / L"サンプル帳簿");
             return kWork / L"サンプル帳簿";
         },
         L"自動（Shift_JIS）",
         L"帳簿フォルダー（会社・期間は company.csv のとおり）",
         L"株式会社さくら製作所",
         nullptr,
         L"2025/04/01",
         L"2026/03/31",
         0,
         {L"取り込みました。", L"株式会社さくら製作所　会計期間 2025/04/01～2026/03/31　仕訳 ",
          L"（一致しています）", L"kcsakura\\kcbooks.ini: Store= をこの帳簿ファイルにしました。"},
         true},
        {L"journal with its openings, the company typed in",
         [] {
             fs::create_directories(kWork / L"仕訳");
             for (const wchar_t* name : {L"journal.csv", L"openings.csv"})
                 fs::copy_file(fs::path(KC_INTERCHANGE) / name, kWork / L"仕訳" / name);
             return kWork / L"仕訳" / L"journal.csv";
         },
         L"自動（UTF-8）",
         L"仕訳データ（汎用形式）",
         L"",
         L"株式会社つぐみ製作所",
         L"2025/04/01",
         L"2026/03/31",
         0,
         {L"株式会社つぐみ製作所　会計期間 2025/04/01～2026/03/31　仕訳 14 件",
          L"試算表の合計　借方 10,172,000 円　貸方 10,172,000 円（一致しています）"},
         true},
        {L"books folder with a date no calendar has",
         [] {
             const fs::path folder = kWork / L"誤りのある帳簿";
             fs::copy(KC_SAMPLE_BOOKS, folder, fs::copy_options::recursive);
             std::string journal = ReadBytes(folder / L"journal.csv");
             const std::size_t date = journal.find("20250401", journal.find('\n'));
             journal.replace(date, 8, "20250431");
             WriteBytes(folder / L"journal.csv", journal);
             return folder;
         },
         L"自動（UTF-8）",
         L"帳簿フォルダー（会社・期間は company.csv のとおり）",
         L"株式会社さくら製作所",
         nullptr,
         L"2025/04/01",
         L"2026/03/31",
         1,
         {L"取り込めませんでした。", L"journal.csv 2 行目 "},
         false},
    };
    for (const WindowCase& c : kCases) {
        // The previous case's store stays where it is: each case names its own.
        SCOPED_TRACE(testing::Message() << WideToUtf8Shown(c.what));
        // The ini is pointed anew or not at all.
        WriteBytes(kLayout / L"kcsakura" / L"kcbooks.ini", "[Books]\r\n");
        const fs::path dropped = c.dropped();
        const fs::path store = kWork / (L"case" + std::to_wstring(&c - kCases) + L".books");
        const DWORD exitCode =
            RunAsUser((kLayout / L"kcbooks.exe").wstring(), L" \"" + dropped.wstring() + L"\"",
                      nullptr, [&](const ScreenUser& user) {
                          const HWND window = user.WaitForDialog(kCaption, 15000);
                          ASSERT_NE(window, nullptr);
                          auto text = [&](int id) {
                              return user.Text(GetDlgItem(window, id)).value_or(L"(no answer)");
                          };
                          EXPECT_EQ(text(IDC_IMPORT_SOURCE), dropped.wstring());
                          EXPECT_EQ(text(IDC_IMPORT_KIND), c.kind);
                          EXPECT_EQ(text(IDC_IMPORT_ENCODING), c.encoding);
                          EXPECT_EQ(text(IDC_IMPORT_COMPANY), c.company);
                          EXPECT_EQ(text(IDC_IMPORT_FROM), c.from);
                          EXPECT_EQ(text(IDC_IMPORT_TO), c.to);
                          if (c.typedCompany) {
                              EXPECT_TRUE(user.Type(window, IDC_IMPORT_COMPANY, c.typedCompany));
                          }
                          EXPECT_TRUE(user.Type(window, IDC_IMPORT_STORE, store.wstring()));
                          EXPECT_TRUE(user.Click(window, IDC_IMPORT_RUN));
                          std::wstring result;
                          EXPECT_TRUE(WaitUntil(
                              [&] {
                                  result = text(IDC_IMPORT_RESULT);
                                  return result.rfind(L"取り込", 0) == 0 &&
                                         result.find(L"取り込んでいます") == std::wstring::npos;
                              },
                              60000))
                              << WideToUtf8Shown(result);
                          for (const std::wstring& line : c.result)
                              EXPECT_NE(result.find(line), std::wstring::npos)
                                  << WideToUtf8Shown(line) << " in " << WideToUtf8Shown(result);
                          EXPECT_TRUE(user.Click(window, IDCANCEL));
                      });
        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_EQ(fs::exists(store), c.exitCode == 0);
        EXPECT_EQ(StoreOfEdition(), c.pointed ? store.wstring() : L"");
    }
}

// Started from the Start menu (no argument), the window asks for the books and cannot import
// yet; closed, the program says nothing was tried.
TEST(KcbooksWindow, StartedWithoutBooksAsksForThem) {
    LayOut();
    const DWORD exitCode =
        RunAsUser((kLayout / L"kcbooks.exe").wstring(), L"", nullptr, [&](const ScreenUser& user) {
            const HWND window = user.WaitForDialog(kCaption, 15000);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(user.Text(GetDlgItem(window, IDC_IMPORT_SOURCE)), L"");
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_IMPORT_RUN)));
            EXPECT_EQ(
                user.Text(GetDlgItem(window, IDC_IMPORT_USE)),
                L"取り込んだ帳簿を決算書（kcsakura）で使う（kcbooks.ini の Store= に書く）(&U)");
            EXPECT_TRUE(user.Click(window, IDCANCEL));
        });
    EXPECT_EQ(exitCode, 2u);
}

}  // namespace
