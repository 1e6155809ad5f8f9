#include "host/win32/ProgramIcon.h"

#include "resources/ResourceIds.h"

namespace {

HICON LoadProgramIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

// Loaded once at the sizes asked for (a shared icon may come back at the size first loaded) and
// kept until the program ends: any window may still show them.
struct ProgramIcons {
    HICON big = LoadProgramIcon(SM_CXICON, SM_CYICON);
    HICON small = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
};

}  // namespace

void ShowProgramIcon(HWND window) {
    static const ProgramIcons icons;
    if (icons.big != nullptr)
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big));
    if (icons.small != nullptr)
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small));
}
