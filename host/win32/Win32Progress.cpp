#include "host/win32/Win32Progress.h"

#include <commctrl.h>

#include <mutex>

#include "host/win32/Wide.h"
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

// The window has no handlers of its own: the run drives its bars from outside. Without a close
// box, the only IDCANCEL it could get (Esc) is ignored, so the window stays up until closed.
INT_PTR CALLBACK ProgressProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

HWND WindowOrNone(WindowHandle handle) {
    HWND window = ToHwnd(handle);
    return window != nullptr && IsWindow(window) ? window : nullptr;
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
    SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void Win32Progress::Show() {
    if (window_ != nullptr) ShowWindow(window_, SW_SHOW);
}

void Win32Progress::Close(int /*endCode*/) {
    // A modeless window has nobody to hand its end code to: closing it only hides it.
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
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
    return SendDlgItemMessageW(window_, id, message, wParam, lParam);
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

// The bars invalidate themselves; with no message loop running, their paint must be forced
// here, children included.
void Win32Progress::Repaint() {
    if (window_ != nullptr)
        RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}
