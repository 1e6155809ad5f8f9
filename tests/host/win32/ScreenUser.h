#pragma once

// What a user at the screen sees of the windows of one thread, and what they do to them, by
// control ID: type into an edit, click a button, press a key on the focused control, read and
// answer a message box. It runs on a thread of its own while the windows' thread is inside its
// modal loops, so every call that a hung window could block is bounded in time: a window that
// does not appear or react in time is a failure for the test to report, never a hang.
//
// Only the windows of the given thread (or, for a user of another program, of the given process)
// are searched: other programs on the same desktop (a second test process, another dialog of the
// same caption) are never taken for ours.

#include <optional>
#include <string>
#include <vector>

#include "host/win32/Win32Api.h"

class ScreenUser {
public:
    // How long a window may take to appear, react or go away.
    static constexpr DWORD kPatienceMs = 5000;

    explicit ScreenUser(DWORD windowThread) : thread_(windowThread) {}
    // The user of another program's windows, whichever of its threads shows them.
    static ScreenUser OfProcess(DWORD processId);

    // The visible dialog-class window of the thread with this caption; none when it did not
    // appear in time.
    HWND WaitForDialog(const std::wstring& caption, DWORD patienceMs = kPatienceMs) const;
    // False when the window is still there after the wait.
    bool WaitUntilGone(HWND window) const;

    // A message box as it is on the screen: its text, its icon and its buttons.
    struct Box {
        HWND window = nullptr;
        std::wstring text;
        HICON icon = nullptr;
        std::vector<int> buttons;  // control IDs: IDOK, IDYES, IDNO, …
    };
    // The next message box of the thread with this caption; none when none appeared in time.
    std::optional<Box> WaitForMessageBox(const std::wstring& caption,
                                         DWORD patienceMs = kPatienceMs) const;
    // Presses the box's button; false when there is no such button or the box stayed up.
    bool Answer(const Box& box, int buttonId) const;

    // Replaces the control's text, as pasting over it would (WM_SETTEXT); false when the
    // window did not take it in time.
    bool Type(HWND dialog, int id, const std::wstring& text) const;
    // The window's text; none when the window did not answer in time.
    std::optional<std::wstring> Text(HWND window) const;
    // A click on a button. Posted, not sent: the click may open a modal message box, and a
    // sent message would wait for the user to close it.
    bool Click(HWND dialog, int id) const;
    // A key pressed and released on the focused control, without Shift, Ctrl or Alt.
    bool PressKey(UINT virtualKey) const;
    // Alt and a letter key, as the user presses a mnemonic: `letter` is 'A' to 'Z'.
    bool PressAltKey(char letter) const;

    // The control of `dialog` that has the keyboard focus; 0 when none of its controls has.
    int FocusedControl(HWND dialog) const;
    // False when the focus did not reach the control in time.
    bool WaitForFocus(HWND dialog, int id) const;
    // Whether the edit's whole text is selected; none when the edit did not answer in time.
    std::optional<bool> WholeTextSelected(HWND edit) const;

private:
    HWND FocusedWindow() const;
    std::vector<HWND> OwnDialogs(const std::wstring& caption) const;

    DWORD thread_ = 0;
    DWORD process_ = 0;  // when set, the windows of every thread of this process
};

// Polls `condition` until it holds or `patienceMs` milliseconds have passed; its last answer.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD patienceMs = ScreenUser::kPatienceMs) {
    const ULONGLONG deadline = GetTickCount64() + patienceMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}
