// The condition dialog on the screen: template 130 run by the Windows host with the system's
// own dialog logic, and a second thread playing the user by control IDs. The message boxes are
// the real ones, read as the user reads them; files, folders and saved settings come from the
// platform double.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "books/Books.h"
#include "dialog/ConditionDialog.h"
#include "dialog/ControlIds.h"
#include "host/win32/Dialogs.h"
#include "host/win32/Services.h"
#include "resources/ResourceIds.h"
#include "tests/doubles/FakePlatform.h"
#include "tests/host/win32/ScreenUser.h"

namespace {

const std::wstring kDialogCaption = L"決算書 - 集計条件";
const std::wstring kBoxCaption = L"決算書";
const std::wstring kMonthsWrong =
    L"集計期間に誤りがあります。\n\n集計期間を設定しなおしてください。";
const std::wstring kBadCharacters =
    L"データの出力先に不正な文字が含まれています。\n\n出力先を再入力してください。";
const std::wstring kNoFolder = L"指定されたフォルダは存在しません。\n\n作成してもよろしいですか？";
const std::wstring kCancelled = L"｢決算書｣の集計を中止します。";
// The host's own refusals of a path text the system's buffers cannot take.
const std::wstring kPathTooLong =
    L"データの出力先が長すぎます。\n\n出力先は半角255文字（全角127文字）以内で再入力してください。";
const std::wstring kPathUnusable =
    L"出力先に使用できない文字が含まれています。\n\n出力先を再入力してください。";

// The shared icon a message box shows for IDI_WARNING, IDI_QUESTION, …
HICON SystemIcon(LPCSTR which) {
    return LoadIconW(nullptr, MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(which)));
}

std::wstring Buttons(const std::vector<int>& ids) {
    std::wstring out;
    for (int id : ids) out += (out.empty() ? L"" : L",") + std::to_wstring(id);
    return out;
}

// An icon's size in pixels and the bits of its colour image; nothing for no icon.
struct IconImage {
    long width = 0;
    long height = 0;
    std::vector<char> bits;
};

IconImage ImageOf(HICON icon) {
    IconImage image;
    ICONINFO info = {};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return image;
    BITMAP bitmap = {};
    if (GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap) != 0) {
        image.width = bitmap.bmWidth;
        image.height = bitmap.bmHeight;
        image.bits.resize(static_cast<std::size_t>(bitmap.bmWidthBytes) * bitmap.bmHeight);
        GetBitmapBits(info.hbmColor, static_cast<LONG>(image.bits.size()), image.bits.data());
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image;
}

// The dialog as the export run shows it (fiscal year April to March, the output folder
// C:\out\), on a thread of its own, with the user at the screen.
class ConditionDialogWindow : public ::testing::Test {
protected:
    void SetUp() override {
        books::BooksConfig config;
        config.outputFolder = "C:\\out\\";
        config.settingsFolder = "C:\\settings\\";
        books::ConfigureBooks(config);
        fake.folders.insert("C:\\out\\");
        inputs.companyLabel = " 株式会社さくら製作所";
        inputs.periodLabel = " 2025/04/01～2026/03/31";
        inputs.firstDay = 20250401;
        inputs.lastDay = 20260331;
        inputs.userId = "u1";
        inputs.dataId = "D001";
    }

    void TearDown() override {
        CloseWhateverIsOpen();
        books::ConfigureBooks(books::BooksConfig{});
    }

    // Shows the dialog; fails when it did not appear in time.
    void Show() {
        dialog.SetInputs(inputs);
        ui_ = std::thread([this] {
            uiThread_ = GetCurrentThreadId();
            endCode_ = dialog.DoModal();
            ended_ = true;
        });
        ASSERT_TRUE(WaitUntil([&] { return uiThread_ != 0; }));
        user_.emplace(uiThread_);
        window = user_->WaitForDialog(kDialogCaption);
        ASSERT_NE(window, nullptr) << "the condition dialog did not appear";
    }

    ScreenUser& User() { return *user_; }
    HWND Control(int id) const { return GetDlgItem(window, id); }
    std::wstring TextOf(int id) { return User().Text(Control(id)).value_or(L"(no answer)"); }

    // The next message box captioned 決算書; a failure when none appeared.
    ScreenUser::Box NextBox() {
        auto box = User().WaitForMessageBox(kBoxCaption);
        if (!box) {
            ADD_FAILURE() << "no message box with the program's caption appeared";
            return ScreenUser::Box{};
        }
        return *box;
    }

    // Reads the box, checks its text, warning icon and OK button, and presses OK.
    void ExpectWarningAndPressOk(const std::wstring& text) {
        ScreenUser::Box box = NextBox();
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.icon, SystemIcon(IDI_WARNING));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << Buttons(box.buttons);
        EXPECT_TRUE(User().Answer(box, IDOK)) << "the box did not close on OK";
    }

    void ExpectFocusedWithTextSelected(int id) {
        EXPECT_TRUE(User().WaitForFocus(window, id))
            << "focus on control " << User().FocusedControl(window) << ", expected " << id;
        EXPECT_EQ(User().WholeTextSelected(Control(id)), std::optional<bool>(true));
    }

    // The end code once the dialog has ended; none when it is still open after the wait. A
    // message box that appears meanwhile was not expected: its text is kept and it is
    // answered No (or OK) so that the dialog can go on.
    std::optional<int> WaitForEnd() {
        const bool ended = WaitUntil([&] {
            if (ended_) return true;
            if (auto box = User().WaitForMessageBox(kBoxCaption, 0)) {
                unexpectedBoxes.push_back(box->text);
                if (!User().Answer(*box, IDNO)) User().Answer(*box, IDOK);
            }
            return false;
        });
        if (!ended) return std::nullopt;
        ui_.join();
        return endCode_.load();
    }

    // The user's cancel, and the box that confirms it; the dialog then ends with 1003.
    void ExpectCancelConfirmation() {
        ScreenUser::Box box = NextBox();
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, kCancelled);
        EXPECT_EQ(box.icon, SystemIcon(IDI_INFORMATION));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << Buttons(box.buttons);
        ASSERT_TRUE(User().Answer(box, IDOK)) << "the box did not close on OK";
        EXPECT_EQ(WaitForEnd(), std::optional<int>(ConditionDialog::kCancelled));
    }

    bool StillOpen() const { return !ended_ && IsWindowVisible(window); }

    FakePlatform fake;
    Win32Messages messages;
    Win32Dialogs dialogs;
    Platform platform{fake, messages, fake, fake, fake, fake, dialogs, fake};
    DialogInputs inputs;
    ConditionDialog dialog{platform, kEditionKcsakura.settingsFile, kNoWindow};
    HWND window = nullptr;
    std::vector<std::wstring> unexpectedBoxes;

private:
    // Ends a dialog that a test left open, or that a fault left hanging: WM_QUIT ends every
    // modal loop of the thread, message boxes included. A thread that still does not end
    // would hang the run, so the test program ends instead.
    void CloseWhateverIsOpen() {
        if (!ui_.joinable()) return;
        const bool ended = WaitUntil([&] {
            if (!ended_) PostThreadMessageW(uiThread_, WM_QUIT, 0, 0);
            return ended_.load();
        });
        if (!ended) {
            std::fprintf(stderr, "the dialog's thread did not end; giving up\n");
            std::fflush(stderr);
            std::abort();
        }
        ui_.join();
    }

    std::thread ui_;
    std::atomic<DWORD> uiThread_{0};
    std::atomic<bool> ended_{false};
    std::atomic<int> endCode_{0};
    std::optional<ScreenUser> user_;
};

TEST_F(ConditionDialogWindow, ShowsTheRunsTextsAndTheFiscalYear) {
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_EQ(TextOf(ctl::kCompanyName), L" 株式会社さくら製作所");
    EXPECT_EQ(TextOf(ctl::kPeriod), L" 2025/04/01～2026/03/31");
    EXPECT_EQ(TextOf(ctl::kStartMonth), L"4");
    EXPECT_EQ(TextOf(ctl::kEndMonth), L"3");
    EXPECT_EQ(TextOf(ctl::kPath), L"C:\\out\\*.xml");
    EXPECT_EQ(TextOf(ctl::kOutputGroup), L"出力先(&O)");
    EXPECT_TRUE(IsWindowEnabled(Control(ctl::kPath)));
    EXPECT_TRUE(IsWindowEnabled(Control(ctl::kBrowse)));
    // The first control takes the focus.
    EXPECT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
}

// The caption's small icon and the taskbar's large one are the program's, each drawn at its own
// size rather than scaled from another.
TEST_F(ConditionDialogWindow, ShowsTheProgramsIconAtCaptionAndTaskbarSizes) {
    ASSERT_NO_FATAL_FAILURE(Show());
    for (auto [which, width, height] : {std::tuple(ICON_SMALL, SM_CXSMICON, SM_CYSMICON),
                                        std::tuple(ICON_BIG, SM_CXICON, SM_CYICON)}) {
        DWORD_PTR shown = 0;
        ASSERT_TRUE(SendMessageTimeoutW(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG,
                                        ScreenUser::kPatienceMs, &shown));
        const IconImage image = ImageOf(reinterpret_cast<HICON>(shown));
        EXPECT_EQ(image.width, GetSystemMetrics(width)) << "icon " << which;
        EXPECT_EQ(image.height, GetSystemMetrics(height)) << "icon " << which;
        auto program = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                       GetSystemMetrics(width), GetSystemMetrics(height), LR_DEFAULTCOLOR));
        EXPECT_FALSE(image.bits.empty()) << "icon " << which;
        EXPECT_TRUE(image.bits == ImageOf(program).bits) << "icon " << which << " is another";
        DestroyIcon(program);
    }
}

// The program's manifest asks for the common controls of version 6, which draw the dialog in the
// system's visual style: the loader takes them from the side-by-side store, not system32's
// version 5.
TEST(ProgramManifest, LoadsTheCommonControlsOfVersion6) {
    HMODULE commonControls = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(commonControls, nullptr);
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(commonControls, path.data(), MAX_PATH));
    std::transform(path.begin(), path.end(), path.begin(), towlower);
    EXPECT_NE(path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::wstring::npos)
        << testing::PrintToString(path);
}

TEST_F(ConditionDialogWindow, EndMonthBeforeStartInWrappingYearFocusesEndMonth) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().Type(window, ctl::kStartMonth, L"10"));
    ASSERT_TRUE(User().Type(window, ctl::kEndMonth, L"5"));
    ASSERT_TRUE(User().Click(window, ctl::kExecute));
    ASSERT_NO_FATAL_FAILURE(ExpectWarningAndPressOk(kMonthsWrong));
    ExpectFocusedWithTextSelected(ctl::kEndMonth);
    EXPECT_TRUE(StillOpen());
}

TEST_F(ConditionDialogWindow, DefaultPatternPathFailsTheCharacterCheck) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_EQ(TextOf(ctl::kPath), L"C:\\out\\*.xml");
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
    ASSERT_TRUE(User().PressKey(VK_F12));
    ASSERT_NO_FATAL_FAILURE(ExpectWarningAndPressOk(kBadCharacters));
    ExpectFocusedWithTextSelected(ctl::kPath);
    EXPECT_TRUE(StillOpen());
}

TEST_F(ConditionDialogWindow, MissingFolderAnsweredNoFocusesThePath) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().Type(window, ctl::kPath, L"C:\\out\\新規\\決算.xml"));
    ASSERT_TRUE(User().Click(window, ctl::kExecute));
    ScreenUser::Box question = NextBox();
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.text, kNoFolder);
    EXPECT_EQ(question.icon, SystemIcon(IDI_QUESTION));
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO})) << Buttons(question.buttons);
    ASSERT_TRUE(User().Answer(question, IDNO));
    ExpectFocusedWithTextSelected(ctl::kPath);
    EXPECT_TRUE(StillOpen());
    EXPECT_EQ(TextOf(ctl::kPath), L"C:\\out\\新規\\決算.xml");
    ASSERT_TRUE(User().Click(window, ctl::kCancel));
    ASSERT_NO_FATAL_FAILURE(ExpectCancelConfirmation());
    EXPECT_TRUE(fake.CallsOf("CreateDirectory").empty());
    EXPECT_EQ(fake.folders.count("C:\\out\\新規\\"), 0u);
}

TEST_F(ConditionDialogWindow, CallersPathIsFixedAndNeverQuestioned) {
    inputs.fixedPath = "C:\\out\\fixed.xml";
    fake.files["C:\\out\\fixed.xml"] = "the previous export";
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_EQ(TextOf(ctl::kPath), L"C:\\out\\fixed.xml");
    EXPECT_FALSE(IsWindowEnabled(Control(ctl::kPath)));
    EXPECT_FALSE(IsWindowEnabled(Control(ctl::kBrowse)));
    EXPECT_EQ(TextOf(ctl::kOutputGroup), L"出力先");
    // Enter on the start month, then on the end month, which jumps straight to 実行.
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
    ASSERT_TRUE(User().PressKey(VK_RETURN));
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kEndMonth));
    ASSERT_TRUE(User().PressKey(VK_RETURN));
    EXPECT_TRUE(User().WaitForFocus(window, ctl::kExecute))
        << "focus on control " << User().FocusedControl(window);
    ASSERT_TRUE(User().PressKey(VK_F12));
    EXPECT_EQ(WaitForEnd(), std::optional<int>(ConditionDialog::kConfirmed));
    EXPECT_TRUE(unexpectedBoxes.empty()) << "a box appeared: " << unexpectedBoxes.front();
    EXPECT_EQ(dialog.PathText(), "C:\\out\\fixed.xml");
    EXPECT_EQ(dialog.StartMonthText(), "4");
    EXPECT_EQ(dialog.EndMonthText(), "3");
    EXPECT_EQ(fake.files["C:\\out\\fixed.xml"], "the previous export");
}

TEST_F(ConditionDialogWindow, CancelButtonConfirmsAndEndsCancelled) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().Click(window, ctl::kCancel));
    ASSERT_NO_FATAL_FAILURE(ExpectCancelConfirmation());
    EXPECT_TRUE(unexpectedBoxes.empty()) << unexpectedBoxes.front();
}

TEST_F(ConditionDialogWindow, EscapeConfirmsAndEndsCancelled) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
    ASSERT_TRUE(User().PressKey(VK_ESCAPE));
    ASSERT_NO_FATAL_FAILURE(ExpectCancelConfirmation());
    EXPECT_TRUE(unexpectedBoxes.empty()) << unexpectedBoxes.front();
}

// Only 実行's checks confirm: a dialog whose modal loop is ended from outside is cancelled.
TEST_F(ConditionDialogWindow, QuitFromOutsideEndsCancelledWithoutTheChecks) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(PostMessageW(window, WM_QUIT, 0, 0));
    EXPECT_EQ(WaitForEnd(), std::optional<int>(ConditionDialog::kCancelled));
    EXPECT_TRUE(unexpectedBoxes.empty()) << unexpectedBoxes.front();
    EXPECT_FALSE(dialog.Ended());
    EXPECT_EQ(dialog.PathText(), "");
}

TEST_F(ConditionDialogWindow, EnterOnStartMonthFocusesEndMonth) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
    ASSERT_TRUE(User().PressKey(VK_RETURN));
    ExpectFocusedWithTextSelected(ctl::kEndMonth);
    EXPECT_TRUE(StillOpen());
    // Enter went no further: the month texts are as they were and no box appeared.
    EXPECT_EQ(TextOf(ctl::kStartMonth), L"4");
    EXPECT_EQ(TextOf(ctl::kEndMonth), L"3");
    EXPECT_FALSE(User().WaitForMessageBox(kBoxCaption, 300));
}

// Each mnemonic reaches the control its label names: Alt+S the start month beside 月度(S),
// Alt+E the end month beside 月度(E); Alt+O the path in the group 出力先(O).
TEST_F(ConditionDialogWindow, EachMnemonicReachesItsOwnControl) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(User().WaitForFocus(window, ctl::kStartMonth));
    const struct {
        char letter;
        int control;
    } presses[] = {
        {'E', ctl::kEndMonth}, {'S', ctl::kStartMonth}, {'O', ctl::kPath}, {'E', ctl::kEndMonth}};
    for (const auto& press : presses) {
        ASSERT_TRUE(User().PressAltKey(press.letter));
        EXPECT_TRUE(User().WaitForFocus(window, press.control))
            << "Alt+" << press.letter << " left the focus on " << User().FocusedControl(window);
    }
    EXPECT_TRUE(StillOpen());
}

// A path over the system's 255 bytes, typed or handed back whole by the save-file dialog.
class PathOverTheLimit : public ConditionDialogWindow,
                         public ::testing::WithParamInterface<std::wstring> {};

TEST_P(PathOverTheLimit, IsRefusedWholeNotCut) {
    ASSERT_NO_FATAL_FAILURE(Show());
    const std::wstring& path = GetParam();
    ASSERT_TRUE(User().Type(window, ctl::kPath, path));
    ASSERT_TRUE(User().Click(window, ctl::kExecute));
    ASSERT_NO_FATAL_FAILURE(ExpectWarningAndPressOk(kPathTooLong));
    ExpectFocusedWithTextSelected(ctl::kPath);
    EXPECT_TRUE(StillOpen());
    EXPECT_EQ(TextOf(ctl::kPath), path);
}

INSTANTIATE_TEST_SUITE_P(
    ConditionDialogWindow, PathOverTheLimit,
    ::testing::Values(
        // 7 + 130 × 2 + 4 = 271 bytes in 141 characters: within the edit's 255 characters.
        L"C:\\out\\" + std::wstring(130, L'漢') + L".xml",
        // 256 characters, beyond the edit's limit too: the save-file dialog's path is set whole.
        L"C:\\out\\" + std::wstring(245, L'a') + L".xml"),
    [](const ::testing::TestParamInfo<std::wstring>& info) {
        return std::string(info.index == 0 ? "DoubleByteCharacters" : "MoreThanTheEditTakes");
    });

// A character code page 932 cannot hold, typed into the path.
class UnusablePathCharacter : public ConditionDialogWindow,
                              public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(UnusablePathCharacter, IsRefusedWithTheHostsMessage) {
    ASSERT_NO_FATAL_FAILURE(Show());
    const std::wstring path = std::wstring(L"C:\\out\\") + GetParam() + L".xml";
    ASSERT_TRUE(User().Type(window, ctl::kPath, path));
    ASSERT_TRUE(User().Click(window, ctl::kExecute));
    ASSERT_NO_FATAL_FAILURE(ExpectWarningAndPressOk(kPathUnusable));
    ExpectFocusedWithTextSelected(ctl::kPath);
    EXPECT_TRUE(StillOpen());
    EXPECT_EQ(TextOf(ctl::kPath), path);
}

std::string CharacterName(const ::testing::TestParamInfo<const wchar_t*>& info) {
    static const char* const kNames[] = {"AccentedLetter", "Emoji", "JisWaveDash"};
    return info.index < std::size(kNames) ? kNames[info.index] : std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(ConditionDialogWindow, UnusablePathCharacter,
                         ::testing::Values(L"caf\u00E9", L"\U0001F600\u6C7A\u7B97",
                                           L"\u301C\u5E74\u5EA6"),
                         CharacterName);

}  // namespace
