// kcview.exe as Explorer starts it for a dropped file (its only argument) and for a double click
// (no argument: the picker asks for the file): the page beside the file, and a message box with
// what failed, read as a user reads it and closed with OK. KCVIEW_NO_BROWSER=1 keeps the page
// out of the browser.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
#include "tests/host/win32/RunAsUser.h"
#include "tests/host/win32/ScreenUser.h"

namespace {

const std::wstring kCaption = L"kcview";

// A copy of the sample export with its first `from` replaced by `to`, in a folder of its own.
std::wstring EditedExport(const std::wstring& name, const std::string& from,
                          const std::string& to) {
    std::ifstream in(KC_SAMPLE_EXPORT, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!from.empty()) bytes.replace(bytes.find(from), from.size(), to);
    const std::wstring folder = std::wstring(KC_DROP_WORK) + L"\\" + name;
    CreateDirectoryW(KC_DROP_WORK, nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\決算書.xml";
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
    DeleteFileW((folder + L"\\決算書.html").c_str());
    if (name == L"page-is-a-folder") CreateDirectoryW((folder + L"\\決算書.html").c_str(), nullptr);
    return path;
}

struct Dropped {
    std::optional<ScreenUser::Box> box;
    DWORD exitCode = 0;
};

// Starts kcview.exe (the build's, or `program`) with the files dropped on it, closes the message
// box it shows, if any, and waits for it to end. The page stays out of the browser unless
// `browser`.
Dropped Drop(const std::vector<std::wstring>& files, bool boxExpected, bool browser = false,
             const std::wstring& program = KCVIEW_EXE) {
    std::wstring arguments;
    for (const std::wstring& file : files) arguments += L" \"" + file + L"\"";
    SetEnvironmentVariableW(L"KCVIEW_NO_BROWSER", browser ? nullptr : L"1");
    Dropped dropped;
    dropped.exitCode = RunAsUser(program, arguments, nullptr, [&](const ScreenUser& user) {
        if (!boxExpected) return;
        dropped.box = user.WaitForMessageBox(kCaption, 30000);
        if (dropped.box) {
            EXPECT_TRUE(user.Answer(*dropped.box, IDOK));
        }
    });
    return dropped;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct DropCase {
    const wchar_t* name;
    std::string from, to;  // the change to the sample export
    DWORD exitCode;
    std::vector<const wchar_t*> shown;  // lines of the box; none: no box
    bool page;                          // something at the page's path beside the file afterwards
};

TEST(KcviewDrop, DroppedFileGetsItsPageAndABoxWithWhatFailed) {
    const DropCase kCases[] = {
        {L"sound", "", "", 0, {}, true},
        // Each disagreement under its check's title, where the page is, and the count, in
        // Japanese; the checks that do not apply are left out.
        {L"disagreeing",
         "Amount=\"78558339\"",
         "Amount=\"79558339\"",
         1,
         {L"\n貸借の一致: 資産合計 79,558,339 (37行目) ≠ 負債合計 + 純資産合計 78,558,339 (73, "
          L"90行目)\n",
          L"\n確認ページ: ", L"disagreeing\\決算書.html\n",
          L"\n18 件の確認のうち 2 件が合いません。"},
         true},
        {L"malformed",
         "</CurrentAssets>",
         "</CurrentAsset>",
         2,
         {L"決算書.xml, line 49: not well-formed XML: an end tag does not match its start tag"},
         false},
        {L"page-is-a-folder",
         "",
         "",
         2,
         {L"決算書.html is not a regular file (a folder, a pipe or a device); give -o another "
          L"path"},
         true},
    };
    for (const DropCase& c : kCases) {
        SCOPED_TRACE(WideToUtf8Shown(c.name));
        const std::wstring exported = EditedExport(c.name, c.from, c.to);
        const Dropped dropped = Drop({exported}, !c.shown.empty());
        EXPECT_EQ(dropped.exitCode, c.exitCode);
        EXPECT_EQ(Exists(exported.substr(0, exported.size() - 3) + L"html"), c.page);
        if (c.shown.empty()) continue;
        ASSERT_TRUE(dropped.box.has_value()) << "no message box";
        for (const wchar_t* line : c.shown) {
            EXPECT_NE(dropped.box->text.find(line), std::wstring::npos)
                << WideToUtf8Shown(line) << " is not in:\n"
                << WideToUtf8Shown(dropped.box->text);
        }
        if (c.exitCode == 1) {
            EXPECT_EQ(dropped.box->text.find(L"対象外の"), std::wstring::npos);
            EXPECT_EQ(dropped.box->text.find(L"kcview: "), std::wstring::npos);
        }
    }
}

// A name holding half of a character pair is refused, never read as another name: the file the
// replacement character would name is neither read nor given a page.
TEST(KcviewDrop, NameWithABrokenCharacterIsRefusedNotChanged) {
    const std::wstring exported = EditedExport(L"broken-name", "", "");
    const std::wstring folder = exported.substr(0, exported.rfind(L'\\') + 1);
    const std::wstring shown = folder + L"\uFFFD.xml";
    CopyFileW(exported.c_str(), shown.c_str(), FALSE);
    const Dropped dropped = Drop({folder + static_cast<wchar_t>(0xD800) + L".xml"}, false);
    EXPECT_EQ(dropped.exitCode, 2u);
    EXPECT_FALSE(Exists(folder + L"\uFFFD.html"));
}

// A machine where no program opens .html files: the box says where the page is and whether the
// checks held. The user's own association of .html names a file type that has no way to open.
TEST(KcviewDrop, WithoutABrowserTheBoxSaysWhetherTheChecksHeld) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\.html", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t kNoProgram[] = L"kcview.test.no-program";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNoProgram),
                   sizeof(kNoProgram));
    RegCloseKey(key);
    const std::wstring exported = EditedExport(L"no-browser", "", "");
    const Dropped dropped = Drop({exported}, true, true);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.html");
    EXPECT_EQ(dropped.exitCode, 0u);
    ASSERT_TRUE(dropped.box.has_value()) << "no message box";
    for (const wchar_t* line :
         {L"確認ページをブラウザーで開けませんでした。", L"no-browser\\決算書.html\n",
          L"\n18 件の確認のうち、合わないものはありません。"}) {
        EXPECT_NE(dropped.box->text.find(line), std::wstring::npos)
            << WideToUtf8Shown(line) << " is not in:\n"
            << WideToUtf8Shown(dropped.box->text);
    }
}

// This year's and last year's file dropped together, in either order: the page of this year's
// shows last year's beside it; last year's file gets no page.
TEST(KcviewDrop, TwoYearsDroppedTogetherMakeThisYearsPageBesideLastYears) {
    for (const bool lastYearFirst : {false, true}) {
        SCOPED_TRACE(lastYearFirst ? "last year's first" : "this year's first");
        const std::wstring name = lastYearFirst ? L"two-years-reversed" : L"two-years";
        const std::wstring thisYear = EditedExport(name, "", "");
        const std::wstring folder = thisYear.substr(0, thisYear.rfind(L'\\') + 1);
        const std::wstring lastYear = folder + L"前期.xml";
        {
            std::ifstream in(std::filesystem::path(thisYear), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            for (const auto& [from, to] :
                 {std::pair<std::string, std::string>{">20250401<", ">20240401<"},
                  {">20260331<", ">20250331<"}})
                bytes.replace(bytes.find(from), from.size(), to);
            std::ofstream(std::filesystem::path(lastYear), std::ios::binary) << bytes;
        }
        DeleteFileW((folder + L"前期.html").c_str());
        const Dropped dropped = Drop(lastYearFirst ? std::vector<std::wstring>{lastYear, thisYear}
                                                   : std::vector<std::wstring>{thisYear, lastYear},
                                     true);
        EXPECT_LE(dropped.exitCode, 1u);
        EXPECT_FALSE(Exists(folder + L"前期.html"));
        std::ifstream page(std::filesystem::path(folder + L"決算書.html"), std::ios::binary);
        const std::string html((std::istreambuf_iterator<char>(page)), {});
        // "前期 2024/04/01～2025/03/31" in the page's UTF-8.
        EXPECT_NE(html.find("\xE5\x89\x8D\xE6\x9C\x9F 2024/04/01\xEF\xBD\x9E"
                            "2025/03/31"),
                  std::string::npos)
            << "the page does not show last year";
    }
}

// Runs a console program of the build to its end; its exit code.
DWORD RunProgram(const std::wstring& program, const std::wstring& arguments) {
    return RunAsUser(
        program, L" " + arguments, nullptr, [](const ScreenUser&) {}, 120000);
}

void WriteText(const std::wstring& path, const std::string& utf8) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << utf8;
}

// The zip's layout of a folder: kcview.exe beside the editions' folders, each with the
// kcbooks.ini given (edition name, its text).
std::wstring Layout(const std::wstring& name,
                    const std::vector<std::pair<std::wstring, std::string>>& editions) {
    const std::wstring folder = std::wstring(KC_DROP_WORK) + L"\\" + name;
    CreateDirectoryW(KC_DROP_WORK, nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(KCVIEW_EXE, (folder + L"\\kcview.exe").c_str(), FALSE));
    for (const auto& [edition, settings] : editions) {
        CreateDirectoryW((folder + L"\\" + edition).c_str(), nullptr);
        WriteText(folder + L"\\" + edition + L"\\kcbooks.ini", settings);
    }
    return folder;
}

// The sample books imported and exported by the build's programs, a 1 put before the export's
// first item: a file whose figures disagree with its books, and with its own section's total.
struct SampleBooks {
    std::wstring store;
    std::wstring exported;
};

SampleBooks ImportAndExportTheSample(const std::wstring& folder) {
    CreateDirectoryW(KC_DROP_WORK, nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\帳簿").c_str(), nullptr);
    SampleBooks books{folder + L"\\帳簿\\sample.books", folder + L"\\書き出し.xml"};
    DeleteFileW(books.store.c_str());
    EXPECT_EQ(RunProgram(KCBOOKS_EXE, L"import \"" + std::wstring(KC_SAMPLE_BOOKS) + L"\" \"" +
                                          books.store + L"\""),
              0u);
    EXPECT_EQ(RunProgram(KCSAKURA_EXE, L"--books \"" + books.store +
                                           L"\" --user yamada --ui batch --yes --no-ledger "
                                           L"--start-month 4 --end-month 3 --out \"" +
                                           books.exported + L"\" --settings-folder \"" + folder +
                                           L"\\settings\""),
              0u);
    std::ifstream in(std::filesystem::path(books.exported), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::size_t item = bytes.find("<Item Label=\"");
    EXPECT_NE(item, std::string::npos);
    if (item != std::string::npos) bytes.insert(bytes.find('>', item) + 1, "1");
    std::ofstream(std::filesystem::path(books.exported), std::ios::binary) << bytes;
    return books;
}

// A dropped file is checked against the books the editions beside kcview.exe name, the one that
// holds the file's company and year; without such books the box says they were not found.
TEST(KcviewDrop, DroppedFileIsCheckedAgainstTheBooksItsEditionsName) {
    const SampleBooks books = ImportAndExportTheSample(std::wstring(KC_DROP_WORK) + L"\\books");
    const struct {
        const wchar_t* name;
        std::vector<std::pair<std::wstring, std::string>> editions;
        std::vector<const wchar_t*> shown;
        std::vector<const wchar_t*> notShown;
    } kCases[] = {
        // The first edition names no store there, the second the file's books by a relative
        // path from its folder.
        {L"books-found",
         {{L"kcneo", "[Books]\r\nStore=none.books\r\n"},
          {L"kcsakura", "[Books]\r\nStore=..\\..\\books\\帳簿\\sample.books\r\n"}},
         {L"\n帳簿との一致: 決算書の", L" ≠ 帳簿の", L"\n帳簿: ", L"books\\帳簿\\sample.books\n"},
         {L"帳簿は見つかりませんでした"}},
        {L"books-not-found",
         {{L"kcsakura", "[Books]\r\nStore=none.books\r\n"}, {L"kcstd", "[Books]\r\n"}},
         {L"\n帳簿は見つかりませんでした（kcview.exe と同じフォルダーにある各版の kcbooks.ini の "
          L"Store= に、この会社・会計期間の帳簿ファイルがありません）。帳簿との一致は確かめていませ"
          L"ん。\n",
          L"\n各区分の合計: "},
         {L"帳簿との一致:", L"\n帳簿: "}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(WideToUtf8Shown(c.name));
        const std::wstring folder = Layout(c.name, c.editions);
        const Dropped dropped = Drop({books.exported}, true, false, folder + L"\\kcview.exe");
        EXPECT_EQ(dropped.exitCode, 1u);
        ASSERT_TRUE(dropped.box.has_value()) << "no message box";
        for (const wchar_t* line : c.shown) {
            EXPECT_NE(dropped.box->text.find(line), std::wstring::npos)
                << WideToUtf8Shown(line) << " is not in:\n"
                << WideToUtf8Shown(dropped.box->text);
        }
        for (const wchar_t* line : c.notShown) {
            EXPECT_EQ(dropped.box->text.find(line), std::wstring::npos)
                << WideToUtf8Shown(line) << " is in:\n"
                << WideToUtf8Shown(dropped.box->text);
        }
    }
}

// kcview.exe started with no file, in `folder` (as a double click or the Start menu starts it,
// the picker opens there): the picker answered with `names` typed into its file name box (several
// as "a.xml" "b.xml") and 開く, or cancelled when `names` is empty.
struct Picked {
    bool pickerShown = false;
    std::optional<ScreenUser::Box> box;
    DWORD exitCode = 0;
};

Picked Pick(const std::wstring& folder, const std::wstring& names) {
    constexpr int kFileName = 0x47c;  // cmb13: the file name box of the system's picker
    SetEnvironmentVariableW(L"KCVIEW_NO_BROWSER", L"1");
    Picked picked;
    picked.exitCode = RunAsUser(KCVIEW_EXE, L"", folder.c_str(), [&](const ScreenUser& user) {
        const HWND picker = user.WaitForDialog(
            L"決算書の確認 - 書き出したファイル（前期分も一緒に選べます）", 30000);
        picked.pickerShown = picker != nullptr;
        if (!picker) return;
        if (names.empty()) {
            EXPECT_TRUE(user.Click(picker, IDCANCEL));
            return;
        }
        EXPECT_TRUE(user.Type(picker, kFileName, names));
        EXPECT_TRUE(user.Click(picker, IDOK));
        picked.box = user.WaitForMessageBox(kCaption, 3000);
        if (picked.box) {
            EXPECT_TRUE(user.Answer(*picked.box, IDOK));
        }
    });
    return picked;
}

// 決算書の確認 with no file: the user picks the export, or this year's and last year's together,
// and gets the page a drop makes; a cancelled picker reviews nothing.
TEST(KcviewDrop, StartedWithoutAFileAsksForItWithThePicker) {
    const std::wstring exported = EditedExport(L"picked", "", "");
    const std::wstring folder = exported.substr(0, exported.rfind(L'\\'));
    const std::wstring page = folder + L"\\決算書.html";

    const Picked cancelled = Pick(folder, L"");
    EXPECT_TRUE(cancelled.pickerShown);
    EXPECT_EQ(cancelled.exitCode, 2u);
    EXPECT_FALSE(Exists(page));

    const Picked one = Pick(folder, L"決算書.xml");
    EXPECT_TRUE(one.pickerShown);
    EXPECT_EQ(one.exitCode, 0u);
    EXPECT_FALSE(one.box.has_value()) << WideToUtf8Shown(one.box ? one.box->text : L"");
    EXPECT_TRUE(Exists(page));

    // Picked twice over, the same file is no year before itself: the run says so in its box.
    DeleteFileW(page.c_str());
    const Picked same = Pick(folder, L"\"決算書.xml\" \"決算書.xml\"");
    EXPECT_TRUE(same.pickerShown);
    EXPECT_EQ(same.exitCode, 2u);
    ASSERT_TRUE(same.box.has_value());
    EXPECT_NE(same.box->text.find(L"ファイルを確認できませんでした。"), std::wstring::npos)
        << WideToUtf8Shown(same.box->text);
}

}  // namespace
