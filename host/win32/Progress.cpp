#include "host/win32/Progress.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>

#include "host/win32/ProgramIcon.h"
#include "host/win32/Wide.h"
#include "host/win32/WindowPlacement.h"
#include "resources/ResourceIds.h"

namespace {

// The progress control class is registered by the common controls library, once per process.
void RegisterProgressClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_PROGRESS_CLASS;
        InitCommonControlsEx(&controls);
    });
}

// The hourglass of the system (IDC_WAIT names it in the A form only).
HCURSOR WaitCursor() {
    return LoadCursorW(nullptr, MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(IDC_WAIT)));
}

// The run drives the bars from outside; the window itself only refuses to be closed by the
// user (no close box, and a close asked from the taskbar or by Alt+F4 is ignored) and shows the
// wait cursor over its bars.
INT_PTR CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            // No caption icon without a system menu, but the taskbar and Alt+Tab show it.
            ShowProgramIcon(window);
            return TRUE;
        case WM_CLOSE:
            return TRUE;
        case WM_SYSCOMMAND:
            return (wParam & 0xFFF0) == SC_CLOSE ? TRUE : FALSE;
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT) return FALSE;
            SetCursor(WaitCursor());
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        default:
            return FALSE;
    }
}

// What the user does to the window while the run works: keys (Esc, Alt+F4, Alt+Space) and
// clicks go nowhere. A press on the caption stays, so that the window can be moved away.
bool IsIgnoredInput(const MSG& msg) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) return true;
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) return true;
    switch (msg.message) {
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            return msg.wParam != HTCAPTION;
        case WM_NCRBUTTONDOWN:
        case WM_NCRBUTTONUP:
        case WM_NCRBUTTONDBLCLK:
        case WM_NCMBUTTONDOWN:
        case WM_NCMBUTTONUP:
        case WM_NCMBUTTONDBLCLK:
        case WM_NCXBUTTONDOWN:
        case WM_NCXBUTTONUP:
        case WM_NCXBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

}  // namespace

Win32Progress::~Win32Progress() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void Win32Progress::Create(WindowHandle parent) {
    RegisterProgressClass();
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    window_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_PROGRESS), WindowOrNone(parent),
                                 ProgressProc, 0);
}

void Win32Progress::SetParent(WindowHandle parent) {
    if (window_ == nullptr) return;
    // The caller's window becomes the owner, not the parent: ::SetParent would make this pop-up
    // a child clipped to the caller's client area (often in another process, whose input it
    // would then share). Owned, it stays a top-level window above the caller's window and is
    // minimised with it.
    HWND owner = WindowOrNone(parent);
    if (owner == window_) return;
    TakeOwner(window_, owner);
}

void Win32Progress::Show() {
    if (window_ == nullptr) return;
    CentreWindow(window_);
    ShowWindow(window_, SW_SHOW);
    SetCursor(WaitCursor());
}

void Win32Progress::Close(int /*endCode*/) {
    // A modeless window has nobody to hand its end code to: closing it only hides it.
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
    if (quitCode_) PostQuitMessage(*quitCode_);
    quitCode_.reset();
}

WindowHandle Win32Progress::Handle() const {
    return FromHwnd(window_);
}

void Win32Progress::SetCaption(const char* caption) {
    if (window_ != nullptr && caption != nullptr)
        SetWindowTextW(window_, SjisToWideLossy(caption).c_str());
}

LRESULT Win32Progress::SendToBar(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window_ == nullptr) return 0;
    HWND bar = GetDlgItem(window_, id);
    if (bar == nullptr) return 0;
    // A progress control paints itself at every move, a few milliseconds each under Wine: its
    // moves wait, unpainted, for the next Repaint, which paints the window once.
    const int index = id == IDC_OVERALL_BAR ? 0 : 1;
    if (!barHeld_[index]) {
        SendMessageW(bar, WM_SETREDRAW, FALSE, 0);
        barHeld_[index] = true;
    }
    return SendMessageW(bar, message, wParam, lParam);
}

void Win32Progress::SetOverallRange(int low, int high) {
    SendToBar(IDC_OVERALL_BAR, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}
void Win32Progress::SetOverallStep(int step) {
    SendToBar(IDC_OVERALL_BAR, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}
void Win32Progress::SetOverallPosition(int position) {
    SendToBar(IDC_OVERALL_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
// The control clamps the new position to its range.
void Win32Progress::OffsetOverall(int delta) {
    SendToBar(IDC_OVERALL_BAR, PBM_DELTAPOS, static_cast<WPARAM>(delta), 0);
}

void Win32Progress::SetDetailRange(int low, int high) {
    SendToBar(IDC_DETAIL_BAR, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}
void Win32Progress::SetDetailStep(int step) {
    SendToBar(IDC_DETAIL_BAR, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}
void Win32Progress::SetDetailPosition(int position) {
    SendToBar(IDC_DETAIL_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
void Win32Progress::StepDetail() {
    SendToBar(IDC_DETAIL_BAR, PBM_STEPIT, 0, 0);
}

// The run asks six times a position; re-stacking costs a round trip to the window system even
// when nothing moves, so a window already on top and active is left as it is.
void Win32Progress::BringToTop() {
    if (window_ == nullptr) return;
    if (GetTopWindow(nullptr) == window_ && GetActiveWindow() == window_) return;
    BringWindowToTop(window_);
}
void Win32Progress::SetForeground() {
    if (window_ != nullptr) SetForegroundWindow(window_);
}

// The bars invalidate themselves; the run is on this thread, so their paint is forced here,
// children included.
void Win32Progress::Repaint() {
    if (window_ == nullptr) return;
    for (int index = 0; index < 2; ++index) {
        if (!barHeld_[index]) continue;
        HWND bar = GetDlgItem(window_, index == 0 ? IDC_OVERALL_BAR : IDC_DETAIL_BAR);
        SendMessageW(bar, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE);
        barHeld_[index] = false;
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Progress::HandleWaitingMessages() {
    // Bounded, so that a stream of messages (a mouse moved on and on) never holds the run.
    constexpr int kMostMessages = 256;
    MSG msg;
    for (int i = 0; i < kMostMessages && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            // Not the run's to take: it is posted again once the window is closed, for the loop
            // that comes after.
            quitCode_ = static_cast<int>(msg.wParam);
            continue;
        }
        if (IsIgnoredInput(msg)) continue;
        DispatchMessageW(&msg);
    }
}
