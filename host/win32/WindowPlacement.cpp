#include "host/win32/WindowPlacement.h"

#include <algorithm>

#include "host/win32/Wide.h"

HWND WindowOrNone(WindowHandle handle) {
    HWND window = ToHwnd(handle);
    return window != nullptr && IsWindow(window) ? window : nullptr;
}

void TakeOwner(HWND window, HWND owner) {
    if (window != nullptr)
        SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void EndOwnedDialog(HWND dialog, INT_PTR result) {
    TakeOwner(dialog, nullptr);
    EndDialog(dialog, result);
}

namespace {

// The rectangle to centre the window in: the owner's window while the user can see it, else the
// work area of the screen the owner (or the window) is on.
RECT CentreArea(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    RECT area = {};
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner) &&
        GetWindowRect(owner, &area)) {
        return area;
    }
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    HMONITOR screen = MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY);
    if (GetMonitorInfoW(screen, &monitor)) return monitor.rcWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

}  // namespace

void CentreWindow(HWND window) {
    RECT self = {};
    if (!GetWindowRect(window, &self)) return;
    const RECT area = CentreArea(window);
    const LONG width = self.right - self.left;
    const LONG height = self.bottom - self.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;
    const POINT centre = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max(work.left, std::min(x, work.right - width));
        y = std::max(work.top, std::min(y, work.bottom - height));
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
