#pragma once

#include <optional>
#include <string>

#include "host/win32/Win32Api.h"
#include "platform/DialogService.h"

// Modal dialogs built from the program's dialog templates, and the save-file dialog. The dialog
// procedure only moves data: the system's DialogEvents read and set the controls and decide when
// the dialog ends. Keys reach the events before the dialog manager sees them.
//
// The system's path buffers count Shift_JIS bytes. A text control limited with LimitText keeps
// that limit in bytes as well as in characters; before 実行 reaches the system, a text there that
// is too long in bytes or holds a character code page 932 cannot hold is refused with a message,
// never cut or turned into '?'.
// The innermost modal dialog this thread is running; none when no dialog runs.
HWND RunningDialogWindow();

class Win32Dialogs : public DialogService {
public:
    explicit Win32Dialogs(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}

    // IDC_CANCEL's code whenever the events did not end the dialog themselves (the template
    // cannot be shown, a failure inside): the run takes any other code for conditions that
    // passed the checks of 実行.
    int RunModal(int templateId, WindowHandle parent, DialogEvents& events) override;
    // Owned by the running dialog, if any. A chosen path with a character code page 932 cannot
    // hold is refused with a message and gives none, as a cancelled dialog does; a long one is
    // handed back whole, for 実行 to refuse.
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override;

private:
    HINSTANCE instance_;
};
