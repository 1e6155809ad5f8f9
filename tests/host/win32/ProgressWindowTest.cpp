// The progress window on the screen: the system's ProgressDialog drives template 131 through the
// Windows host, and the bars and the caption are read back from the real controls, while a
// second thread plays the system and the user: it asks the window whether it answers, and
// presses keys and clicks on it.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/win32/Progress.h"
#include "host/win32/Services.h"
#include "host/win32/Wide.h"
#include "progress/ProgressDialog.h"
#include "resources/ResourceIds.h"

namespace {

// A progress bar as the user sees it: its range and where it stands.
struct Bar {
    int low = -1;
    int high = -1;
    int position = -1;
};

// What a second thread saw of the window while the run worked: the WM_NULL it sent every 100 ms
// and how many were not answered within 500 ms, as the system asks before it greys a window out.
struct Answers {
    int sent = 0;
    int unanswered = 0;
    bool hung = false;
};

class ProgressWindowOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        progress.Create(kNoWindow);
        window = ToHwnd(progress.Handle());
        ASSERT_TRUE(IsWindow(window)) << "template 131 did not make a window";
    }

    Bar Read(int id) const {
        HWND bar = GetDlgItem(window, id);
        if (bar == nullptr) return Bar{};
        PBRANGE range = {};
        SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        return Bar{range.iLow, range.iHigh, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0))};
    }

    std::wstring Caption() const {
        wchar_t text[128] = {};
        GetWindowTextW(window, text, static_cast<int>(std::size(text)));
        return text;
    }

    // An export's work as the window meets it: the aggregation's spans, then the writer's blocks
    // with a ledger of `ledgerLines` lines, a sweep each; `during` runs on a second thread
    // meanwhile, and is told when the run is over.
    template <typename During>
    void RunExport(int ledgerLines, During during) {
        std::atomic<bool> over{false};
        std::thread beside([&] { during(over); });
        progress.StartOverall();
        progress.Advance(0, 1000);
        progress.Advance(1000, 3000);
        progress.Advance(3000, 7000);
        progress.Advance(7000, 9000);
        for (int i = 0; i < ledgerLines; ++i) progress.PulseDetail();
        progress.Advance(9000, ProgressDialog::kOverallEnd);
        over = true;
        beside.join();
    }

    Win32Progress host;
    Win32Clock clock;
    ProgressDialog progress{host, clock};
    HWND window = nullptr;
};

TEST_F(ProgressWindowOnScreen, ShowsTheTemplatesCaptionAndBars) {
    progress.Show();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Caption(), L"集計中");
    EXPECT_NE(GetDlgItem(window, IDC_OVERALL_BAR), nullptr);
    EXPECT_NE(GetDlgItem(window, IDC_DETAIL_BAR), nullptr);
    // Nothing to close it with: no system menu, so no close box.
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU, 0);
    // The program's icon, for the taskbar and Alt+Tab.
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(ProgressWindowOnScreen, AfterARunItReadsOneHundredPerCentWithTheBarFull) {
    progress.Show();
    RunExport(300000, [](std::atomic<bool>&) {});
    progress.Close(1);
    EXPECT_FALSE(IsWindowVisible(window));
    const Bar overall = Read(IDC_OVERALL_BAR);
    EXPECT_EQ(overall.low, 0);
    EXPECT_EQ(overall.high, 10000);
    EXPECT_EQ(overall.position, 10000);
    EXPECT_EQ(Caption(), L"集計中 100％");
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_OVERALL_BAR, PBM_GETSTEP, 0, 0), 1);
    // The last sweep over 0 to 5 in steps of one: its sixth step goes past the end, where a
    // progress control starts over from the beginning, so the bar is not left standing full.
    const Bar detail = Read(IDC_DETAIL_BAR);
    EXPECT_EQ(detail.low, 0);
    EXPECT_EQ(detail.high, 5);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_DETAIL_BAR, PBM_GETSTEP, 0, 0), 1);
    EXPECT_LT(detail.position, 5);
}

// However long the run, the window answers: the system's question (WM_NULL, as it asks before it
// shows a window as not responding) is answered within 500 ms every time it is asked.
TEST_F(ProgressWindowOnScreen, AnswersTheSystemWhileTheRunWorks) {
    progress.Show();
    Answers answers;
    // About two seconds of sweeps, whatever the machine: the run is as long as a big ledger's.
    const ULONGLONG start = GetTickCount64();
    std::atomic<bool> over{false};
    std::thread asker([&] {
        while (!over) {
            DWORD_PTR result = 0;
            ++answers.sent;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 500,
                                    &result) == 0) {
                ++answers.unanswered;
            }
            answers.hung = answers.hung || IsHungAppWindow(window);
            Sleep(100);
        }
    });
    progress.StartOverall();
    std::int16_t position = 0;
    while (GetTickCount64() - start < 2000) {
        for (int i = 0; i < 1000; ++i) progress.PulseDetail();
        if (position < 9999) {
            progress.Advance(position, position);
            ++position;
        }
    }
    over = true;
    asker.join();
    progress.Close(1);
    EXPECT_GE(answers.sent, 10);
    EXPECT_EQ(answers.unanswered, 0) << "of " << answers.sent;
    EXPECT_FALSE(answers.hung);
}

// Esc, Alt+F4, a close asked from the taskbar and clicks on the bars change nothing: the run
// goes on to its end and the window stays until the run closes it.
TEST_F(ProgressWindowOnScreen, WhatTheUserDoesToItChangesNothing) {
    progress.Show();
    HWND bar = GetDlgItem(window, IDC_OVERALL_BAR);
    RunExport(200000, [&](std::atomic<bool>& over) {
        const struct {
            HWND target;
            UINT message;
            WPARAM wParam;
            LPARAM lParam;
        } inputs[] = {
            {window, WM_KEYDOWN, VK_ESCAPE, 1},
            {window, WM_KEYUP, VK_ESCAPE, 1 | (1u << 30) | (1u << 31)},
            {window, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29)},
            {window, WM_SYSCOMMAND, SC_CLOSE, 0},
            {window, WM_CLOSE, 0, 0},
            {window, WM_COMMAND, IDCANCEL, 0},
            {bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)},
            {bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 10)},
        };
        for (const auto& input : inputs) {
            if (over) break;
            PostMessageW(input.target, input.message, input.wParam, input.lParam);
            Sleep(20);
        }
    });
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    progress.Close(1);
    EXPECT_EQ(Read(IDC_OVERALL_BAR).position, 10000);
    EXPECT_EQ(Caption(), L"集計中 100％");
}

// Over the caller's window when it has one the user can see, else over the screen; never left
// at the screen's corner.
TEST_F(ProgressWindowOnScreen, AppearsCentredOverItsOwnerOrTheScreen) {
    const wchar_t* kClass = L"kc_progress_owner";
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);
    HWND owner = CreateWindowExW(0, kClass, L"caller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 90,
                                 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    auto centre = [](HWND of) {
        RECT r = {};
        GetWindowRect(of, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    progress.SetParent(FromHwnd(owner));
    progress.Show();
    const POINT overOwner = centre(window);
    EXPECT_NEAR(overOwner.x, centre(owner).x, 1);
    EXPECT_NEAR(overOwner.y, centre(owner).y, 1);
    progress.Close(1);

    ShowWindow(owner, SW_HIDE);
    progress.Show();
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const POINT overScreen = centre(window);
    EXPECT_NEAR(overScreen.x, (work.left + work.right) / 2, 1);
    EXPECT_NEAR(overScreen.y, (work.top + work.bottom) / 2, 1);
    progress.Close(1);
    DestroyWindow(owner);
}

}  // namespace
