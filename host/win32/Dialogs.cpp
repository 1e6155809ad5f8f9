#include "host/win32/Dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <map>
#include <vector>

#include "common/Messages.h"
#include "dialog/ControlIds.h"
#include "host/win32/ProgramIcon.h"
#include "host/win32/Wide.h"
#include "host/win32/WindowPlacement.h"

namespace {

// What the dialog ends with when something went wrong inside it: the cancel button's code.
constexpr int kCancelCode = IDC_CANCEL;
// Room for any path the save-file dialog may hand back, so that a long one reaches the path edit
// whole (実行 refuses it there) rather than failing inside the dialog.
constexpr std::size_t kFileBufferCharacters = 32768;
constexpr const wchar_t* kCaption = L"" KC_CAPTION;

// Text limits the templates cannot carry and the system does not set: the month edits of the
// condition dialog take two digits.
struct TemplateLimit {
    int templateId;
    int control;
    int characters;
};
constexpr TemplateLimit kTemplateLimits[] = {
    {IDD_CONDITION, IDC_START_MONTH, 2},
    {IDD_CONDITION, IDC_END_MONTH, 2},
};

void Warn(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), kCaption, MB_ICONWARNING | MB_OK);
}

std::wstring UnusableCharacterText() {
    return L"出力先に使用できない文字が含まれています。\n\n出力先を再入力してください。";
}

// The condition dialog's own message for a path over the limit: one message, however the path
// came and on both hosts.
std::wstring TooLongText(int limit) {
    return SjisToWide(messages::TooLongPath(static_cast<std::size_t>(limit))).value_or(L"");
}

// The characters of `wide` that have a code page 932 form, in Shift_JIS; the others are left
// out (a surrogate pair is one character).
std::string ConvertibleCharacters(std::wstring_view wide) {
    std::string out;
    for (std::size_t pos = 0; pos < wide.size();) {
        std::size_t width =
            IS_HIGH_SURROGATE(wide[pos]) && pos + 1 < wide.size() && IS_LOW_SURROGATE(wide[pos + 1])
                ? 2
                : 1;
        if (auto one = WideToSjis(wide.substr(pos, width))) out += *one;
        pos += width;
    }
    return out;
}

// The controls of a running dialog, by control ID.
class WindowControls final : public DialogControls {
public:
    explicit WindowControls(HWND dialog) : dialog_(dialog) {}

    void SetText(int id, const std::string& text) override {
        SetDlgItemTextW(dialog_, id, SjisToWideLossy(text).c_str());
    }

    // Never a cut or '?' text: a character without a Shift_JIS form is left out. 実行 refuses
    // such a text before the system reads it (see Refusal).
    std::string GetText(int id) override {
        std::wstring wide = WideText(id);
        if (auto sjis = WideToSjis(wide)) return *sjis;
        return ConvertibleCharacters(wide);
    }

    void Enable(int id, bool enable) override { EnableWindow(Item(id), enable ? TRUE : FALSE); }
    bool IsEnabled(int id) override {
        HWND item = Item(id);
        return item != nullptr && IsWindowEnabled(item);
    }

    void SetCheck(int id, bool checked) override {
        SendDlgItemMessageW(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool IsChecked(int id) override {
        return SendDlgItemMessageW(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    void FocusAndSelectAll(int id) override {
        Focus(id);
        SendDlgItemMessageW(dialog_, id, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(dialog_, id, EM_SCROLLCARET, 0, 0);
    }

    // Through the dialog manager, which also moves the default-button look.
    void Focus(int id) override {
        HWND item = Item(id);
        if (item == nullptr) return;
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
        focusSet_ = true;
    }

    int FocusedControl() override {
        HWND focus = GetFocus();
        if (focus == nullptr || !IsChild(dialog_, focus)) return 0;
        // A control made of windows (a combo box's edit) counts as the control itself.
        while (GetParent(focus) != dialog_) focus = GetParent(focus);
        return GetDlgCtrlID(focus);
    }

    void LimitText(int id, int maxCharacters) override {
        const int limit = std::max(0, maxCharacters);
        SendDlgItemMessageW(dialog_, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
        byteLimits_[id] = limit;
    }

    // Limits the edit in characters only (a template's limit; the system's buffers are not
    // involved).
    void LimitCharacters(int id, int characters) {
        SendDlgItemMessageW(dialog_, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
    }

    bool FocusWasSet() const { return focusSet_; }

    // The first enabled byte-limited control whose text the system cannot take, with the
    // message that says why; none when every such text can be taken.
    struct Refusal {
        int id;
        std::wstring text;
    };
    std::optional<Refusal> FindRefusal() {
        for (const auto& [id, limit] : byteLimits_) {
            if (!IsEnabled(id)) continue;
            auto sjis = WideToSjis(WideText(id));
            if (!sjis) return Refusal{id, UnusableCharacterText()};
            if (sjis->size() > static_cast<std::size_t>(limit))
                return Refusal{id, TooLongText(limit)};
        }
        return std::nullopt;
    }

private:
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    std::wstring WideText(int id) const {
        HWND item = Item(id);
        if (item == nullptr) return std::wstring();
        int length = GetWindowTextLengthW(item);
        if (length <= 0) return std::wstring();
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        int copied = GetWindowTextW(item, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(std::clamp(copied, 0, length)));
        return text;
    }

    HWND dialog_;
    std::map<int, int> byteLimits_;  // control ID → Shift_JIS bytes
    bool focusSet_ = false;
};

// One modal dialog on the screen. Dialogs may nest (a dialog run from a dialog's event): each
// knows the one it runs inside.
struct ModalSession {
    ModalSession(int templateId, DialogEvents& events) : templateId(templateId), events(events) {}

    int templateId;
    DialogEvents& events;
    HWND owner = nullptr;
    HWND window = nullptr;
    std::optional<WindowControls> controls;
    ModalSession* outer = nullptr;
};

// The innermost running dialog of this thread, and the key hook of its outermost one (one hook
// for all: a second would hand every key twice).
thread_local ModalSession* tInnermost = nullptr;
thread_local HHOOK tKeyHook = nullptr;

void EndIfEnded(ModalSession& session) {
    if (session.events.Ended()) EndOwnedDialog(session.window, session.events.EndCode());
}

// Before 実行 reaches the system: true when every limited text can be taken; otherwise the user
// is told why and the text is focused.
bool TextsCanBeTaken(ModalSession& session) {
    auto refusal = session.controls->FindRefusal();
    if (!refusal) return true;
    Warn(session.window, refusal->text);
    session.controls->FocusAndSelectAll(refusal->id);
    return false;
}

// The key as the events know it; none for keys they do not see.
std::optional<DialogKey> KeyOf(WPARAM virtualKey) {
    switch (virtualKey) {
        case VK_RETURN:
            return DialogKey::kEnter;
        case VK_F12:
            return DialogKey::kF12;
        case VK_ESCAPE:
            return DialogKey::kEscape;
        default:
            return std::nullopt;
    }
}

bool ModifierHeld() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0 ||
           (GetKeyState(VK_MENU) & 0x8000) != 0;
}

// The running dialog that `window` belongs to.
ModalSession* SessionOf(HWND window) {
    for (ModalSession* session = tInnermost; session != nullptr; session = session->outer) {
        if (session->window != nullptr &&
            (window == session->window || IsChild(session->window, window)))
            return session;
    }
    return nullptr;
}

// True when the key was handled and the dialog manager must not see it.
bool HandleKey(ModalSession& session, WPARAM virtualKey) {
    if (!session.controls || ModifierHeld()) return false;
    std::optional<DialogKey> key = KeyOf(virtualKey);
    if (!key) return false;
    try {
        // F12 and Enter on 実行 run 実行.
        const bool hasExecute = GetDlgItem(session.window, IDC_EXECUTE) != nullptr;
        const bool executes =
            hasExecute &&
            (*key == DialogKey::kF12 ||
             (*key == DialogKey::kEnter && session.controls->FocusedControl() == IDC_EXECUTE));
        if (executes && !TextsCanBeTaken(session)) return true;
        const bool handled = session.events.OnKey(*session.controls, *key);
        EndIfEnded(session);
        return handled;
    } catch (...) {
        EndOwnedDialog(session.window, kCancelCode);
        return true;
    }
}

// A modal dialog's loop hands each message to this filter before IsDialogMessage acts on it, so
// Enter and Esc reach the events before they become the dialog's default commands.
LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam != 0) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message == WM_KEYDOWN) {
            ModalSession* session = SessionOf(message.hwnd);
            if (session != nullptr && HandleKey(*session, message.wParam)) return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR OnInitDialog(HWND window, ModalSession& session) {
    session.window = window;
    session.controls.emplace(window);
    TakeOwner(window, session.owner);
    CentreWindow(window);
    ShowProgramIcon(window);
    for (const TemplateLimit& limit : kTemplateLimits) {
        if (limit.templateId == session.templateId)
            session.controls->LimitCharacters(limit.control, limit.characters);
    }
    session.events.OnInit(*session.controls);
    EndIfEnded(session);
    // TRUE lets the dialog manager focus the first control, unless the events chose one.
    return session.controls->FocusWasSet() ? FALSE : TRUE;
}

INT_PTR OnButton(ModalSession& session, int id) {
    // Esc and the close box arrive as IDCANCEL.
    if (id == IDCANCEL) id = IDC_CANCEL;
    if (id != IDC_EXECUTE && id != IDC_BROWSE && id != IDC_CANCEL) return FALSE;
    if (id == IDC_EXECUTE && !TextsCanBeTaken(session)) return TRUE;
    session.events.OnCommand(*session.controls, id);
    EndIfEnded(session);
    return TRUE;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            return OnInitDialog(window, *reinterpret_cast<ModalSession*>(lParam));
        }
        auto* session = reinterpret_cast<ModalSession*>(GetWindowLongPtrW(window, DWLP_USER));
        if (session == nullptr || !session->controls) return FALSE;
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            return OnButton(*session, LOWORD(wParam));
        return FALSE;
    } catch (...) {
        EndOwnedDialog(window, kCancelCode);
        return TRUE;
    }
}

// Makes `session` the thread's innermost dialog, with the key hook in place, for its lifetime.
class SessionScope {
public:
    explicit SessionScope(ModalSession& session) : session_(session) {
        session.outer = tInnermost;
        tInnermost = &session;
        if (tKeyHook == nullptr) {
            tKeyHook = SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());
            ownsHook_ = tKeyHook != nullptr;
        }
    }
    ~SessionScope() {
        if (ownsHook_) {
            UnhookWindowsHookEx(tKeyHook);
            tKeyHook = nullptr;
        }
        tInnermost = session_.outer;
    }
    SessionScope(const SessionScope&) = delete;
    SessionScope& operator=(const SessionScope&) = delete;

private:
    ModalSession& session_;
    bool ownsHook_ = false;
};

}  // namespace

HWND RunningDialogWindow() {
    return tInnermost ? tInnermost->window : nullptr;
}

int Win32Dialogs::RunModal(int templateId, WindowHandle parent, DialogEvents& events) {
    ModalSession session(templateId, events);
    // Owned from its first message on, not created owned: see TakeOwner.
    session.owner = WindowOrNone(parent);
    INT_PTR result;
    {
        SessionScope scope(session);
        result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(&session));
    }
    // Only the events confirm: a dialog that could not be shown, or that ended without them (a
    // WM_QUIT, a failure inside), is cancelled.
    if (result == -1 || !events.Ended()) return kCancelCode;
    return static_cast<int>(result);
}

std::optional<std::string> Win32Dialogs::AskSaveFile(const SaveFileRequest& request) {
    HWND owner = tInnermost != nullptr ? tInnermost->window : nullptr;

    // "Name|pattern||" → "Name\0pattern\0\0": the string's own NUL ends the list.
    std::wstring filter = SjisToWideLossy(request.filter);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    const std::wstring extension = SjisToWideLossy(request.defaultExtension);
    const std::wstring folder = SjisToWideLossy(request.initialFolder);
    const std::wstring title = SjisToWideLossy(request.title);
    std::wstring initialName = SjisToWideLossy(request.initialName);
    if (initialName.size() >= kFileBufferCharacters) initialName.clear();

    std::vector<wchar_t> file(kFileBufferCharacters, L'\0');
    std::copy(initialName.begin(), initialName.end(), file.begin());

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();

    BOOL chosen = GetSaveFileNameW(&dialog);
    if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        // The initial name is not a file name the dialog takes ("a|b"): ask without it.
        std::fill(file.begin(), file.end(), L'\0');
        chosen = GetSaveFileNameW(&dialog);
    }
    if (!chosen) return std::nullopt;

    file.back() = L'\0';
    auto path = WideToSjis(std::wstring_view(file.data()));
    if (!path) {
        Warn(owner, UnusableCharacterText());
        return std::nullopt;
    }
    return path;
}
