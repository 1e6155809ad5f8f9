#include "host/win32/LoginPrompt.h"

#include "host/win32/ProgramIcon.h"
#include "host/win32/Wide.h"
#include "host/win32/WindowPlacement.h"
#include "resources/ResourceIds.h"

namespace {

// The list and, once the user confirmed, the chosen index.
struct UserChoice {
    const std::vector<std::string>& users;
    std::optional<std::size_t> chosen;
    HWND owner;
};

void FillList(HWND dialog, const std::vector<std::string>& users) {
    HWND list = GetDlgItem(dialog, IDC_LOGIN_USERS);
    for (std::size_t i = 0; i < users.size(); ++i) {
        LRESULT row = SendMessageW(list, LB_ADDSTRING, 0,
                                   reinterpret_cast<LPARAM>(SjisToWideLossy(users[i]).c_str()));
        // Each row keeps its user's index, whatever order the list shows.
        if (row >= 0)
            SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
    }
    SendMessageW(list, LB_SETCURSEL, 0, 0);
}

// The selected row's user; none when no row is selected.
std::optional<std::size_t> SelectedUser(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LOGIN_USERS);
    LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR) return std::nullopt;
    LRESULT index = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    if (index == LB_ERR) return std::nullopt;
    return static_cast<std::size_t>(index);
}

INT_PTR CALLBACK LoginProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            TakeOwner(dialog, reinterpret_cast<UserChoice*>(lParam)->owner);
            CentreWindow(dialog);
            ShowProgramIcon(dialog);
            FillList(dialog, reinterpret_cast<UserChoice*>(lParam)->users);
            return TRUE;
        }
        auto* choice = reinterpret_cast<UserChoice*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (choice == nullptr || message != WM_COMMAND) return FALSE;
        const int id = LOWORD(wParam);
        const int notification = HIWORD(wParam);
        const bool confirmed = (id == IDOK && notification == BN_CLICKED) ||
                               (id == IDC_LOGIN_USERS && notification == LBN_DBLCLK);
        if (confirmed) {
            choice->chosen = SelectedUser(dialog);
            if (choice->chosen) EndOwnedDialog(dialog, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            choice->chosen.reset();
            EndOwnedDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    } catch (...) {
        // Nothing may leave the dialog procedure: a failure declines.
        if (auto* choice = reinterpret_cast<UserChoice*>(GetWindowLongPtrW(dialog, DWLP_USER)))
            choice->chosen.reset();
        EndOwnedDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

}  // namespace

int Win32LoginPrompt::Show(WindowHandle owner, std::string_view text, std::string_view caption,
                           unsigned flags) {
    const std::string textCopy(text);
    const std::string captionCopy(caption);
    return messages_.Show(owner, textCopy.c_str(), captionCopy.c_str(), flags);
}

std::optional<std::size_t> Win32LoginPrompt::ChooseUser(WindowHandle owner,
                                                        const std::vector<std::string>& users) {
    if (users.empty()) return std::nullopt;
    UserChoice choice{users, std::nullopt, WindowOrNone(owner)};
    // Owned from its first message on, not created owned: see TakeOwner.
    INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, LoginProc,
                                     reinterpret_cast<LPARAM>(&choice));
    if (result == -1) return LedgerPrompt::ChooseUser(owner, users);
    if (result != IDOK) return std::nullopt;
    return choice.chosen;
}
