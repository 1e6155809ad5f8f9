#pragma once

#include "host/win32/Win32Api.h"

// Gives `window` the program's own icon (the first icon of the .exe, IDI_PROGRAM) in its caption
// and in the taskbar: the large icon at the system's icon size, the small one at the caption's.
// A program without the icon (a tool, a test program) leaves the window as it is.
void ShowProgramIcon(HWND window);
