#pragma once

#include "common/Types.h"
#include "host/win32/Win32Api.h"

// The caller's window, and where the program's windows stand relative to it.

// The window behind a handle; none when the handle names no window (any more).
HWND WindowOrNone(WindowHandle handle);

// Makes `owner` the owner of `window` once the window exists: it then stays above the owner and
// is minimised with it. A dialog given the caller's window as its owner when it is created
// would disable that window for its time and enable it again when it ends, in the middle of a
// run that keeps the caller's window disabled to its end.
void TakeOwner(HWND window, HWND owner);

// Ends a modal dialog whose owner was taken by TakeOwner. The owner is let go first: ending a
// dialog enables its owner (Wine does so whatever state the owner was in before).
void EndOwnedDialog(HWND dialog, INT_PTR result);

// Centres `window` over its owner while the user can see the owner, else over the work area of
// the screen; it is kept on the screen that holds the centre.
void CentreWindow(HWND window);
