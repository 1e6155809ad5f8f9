// The progress window on the screen: the system's ProgressDialog drives template 131 through the
// Windows host, and the bars and the caption are read back from the real controls.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "app/ProgressDialog.h"
#include "host/win32/Wide.h"
#include "host/win32/Win32Progress.h"
#include "resources/ResourceIds.h"

namespace {

// A progress bar as the user sees it: its range and where it stands.
struct Bar {
    int low = -1;
    int high = -1;
    int position = -1;
};

class ProgressWindowOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        progress.Create(kNoWindow);
        window = ToHwnd(progress.Handle());
        ASSERT_TRUE(IsWindow(window)) << "template 131 did not make a window";
        progress.Show();
    }

    Bar Read(int id) const {
        HWND bar = GetDlgItem(window, id);
        if (bar == nullptr) return Bar{};
        PBRANGE range = {};
        SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        return Bar{range.iLow, range.iHigh, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0))};
    }

    int StepOf(int id) const {
        return static_cast<int>(SendDlgItemMessageW(window, id, PBM_GETSTEP, 0, 0));
    }

    std::wstring Caption() const {
        wchar_t text[128] = {};
        GetWindowTextW(window, text, static_cast<int>(std::size(text)));
        return text;
    }

    Win32Progress host;
    ProgressDialog progress{host};
    HWND window = nullptr;
};

TEST_F(ProgressWindowOnScreen, ShowsTheTemplatesCaptionAndBars) {
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Caption(), L"集計中");
    EXPECT_NE(GetDlgItem(window, IDC_OVERALL_BAR), nullptr);
    EXPECT_NE(GetDlgItem(window, IDC_DETAIL_BAR), nullptr);
    // Nothing to close it with: no system menu, so no close box.
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU, 0);
}

// The last per cent of a run, from where positions 0 to 9899 leave the bar: walking them too
// costs ten progress-control messages and six trips to the front per position, over a minute
// under Wine.
TEST_F(ProgressWindowOnScreen, RunToTheEndReadsOneHundredPerCentWithTheBarFull) {
    progress.StartOverall();
    host.SetOverallPosition(9900);
    progress.Advance(9900, ProgressDialog::kOverallEnd);
    const Bar overall = Read(IDC_OVERALL_BAR);
    EXPECT_EQ(overall.low, 0);
    EXPECT_EQ(overall.high, 10000);
    EXPECT_EQ(overall.position, 10000);
    EXPECT_EQ(Caption(), L"集計中 100％");
    // Each position sweeps the detail bar over 0 to 5 in steps of one. The sixth step goes past
    // the end, where a progress control starts over from the beginning: the bar is not left
    // standing full.
    const Bar detail = Read(IDC_DETAIL_BAR);
    EXPECT_EQ(detail.low, 0);
    EXPECT_EQ(detail.high, 5);
    EXPECT_EQ(StepOf(IDC_DETAIL_BAR), 1);
    EXPECT_LT(detail.position, 5);
    EXPECT_EQ(StepOf(IDC_OVERALL_BAR), 1);
}

TEST_F(ProgressWindowOnScreen, BothEndsOfEachSpanCount) {
    progress.StartOverall();
    progress.Advance(0, 100);
    EXPECT_EQ(Read(IDC_OVERALL_BAR).position, 101);
    EXPECT_EQ(Caption(), L"集計中 1％");
    progress.Advance(100, 200);
    EXPECT_EQ(Read(IDC_OVERALL_BAR).position, 202);
    EXPECT_EQ(Caption(), L"集計中 2％");
}

TEST_F(ProgressWindowOnScreen, BackwardSpanMovesNothing) {
    progress.StartOverall();
    progress.Advance(150, 149);
    EXPECT_EQ(Read(IDC_OVERALL_BAR).position, 0);
    EXPECT_EQ(Caption(), L"集計中");
    // Not even a sweep: the detail bar keeps the control's own range of 0 to 100.
    const Bar detail = Read(IDC_DETAIL_BAR);
    EXPECT_EQ(detail.high, 100);
    EXPECT_EQ(detail.position, 0);
}

TEST_F(ProgressWindowOnScreen, PositionsPastTheEndClampTheBarButTheCaptionFollows) {
    progress.StartOverall();
    // Where positions 0 to 9949 leave the bar.
    host.SetOverallPosition(9950);
    progress.Advance(9950, 10100);
    const Bar overall = Read(IDC_OVERALL_BAR);
    EXPECT_EQ(overall.position, 10000);
    EXPECT_EQ(overall.high, 10000);
    EXPECT_EQ(Caption(), L"集計中 101％");
}

}  // namespace
