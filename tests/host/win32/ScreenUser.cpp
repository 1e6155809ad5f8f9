#include "tests/host/win32/ScreenUser.h"

#include <algorithm>

namespace {

// A message box's text control, on Windows and in Wine.
constexpr int kMessageBoxTextId = 0xFFFF;
// How long one message to another thread's window may take before the window counts as hung.
constexpr UINT kAnswerMilliseconds = 2000;

// SendMessageW that gives up when the window does not answer in time.
std::optional<LRESULT> SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMilliseconds,
                             &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM found) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

bool IsIconStatic(HWND window) {
    return _wcsicmp(ClassName(window).c_str(), L"Static") == 0 &&
           (GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// The text of a box: its text control, or else its one static that is not the icon.
std::optional<std::wstring> BoxText(const ScreenUser& user, HWND box) {
    if (HWND text = GetDlgItem(box, kMessageBoxTextId)) return user.Text(text);
    for (HWND child : Children(box)) {
        if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0 || IsIconStatic(child)) continue;
        auto text = user.Text(child);
        if (!text || !text->empty()) return text;
    }
    return std::nullopt;
}

}  // namespace

ScreenUser ScreenUser::OfProcess(DWORD processId) {
    ScreenUser user(0);
    user.process_ = processId;
    return user;
}

std::vector<HWND> ScreenUser::OwnDialogs(const std::wstring& caption) const {
    std::vector<HWND> found;
    if (process_ != 0) {
        // The window system picks the dialogs of that caption: a test that polls while a timed
        // run works asks it little.
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"#32770", caption.c_str())) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process_ && IsWindowVisible(window)) found.push_back(window);
        }
        return found;
    }
    struct Search {
        const std::wstring* caption;
        std::vector<HWND>* found;
    } search{&caption, &found};
    EnumThreadWindows(
        thread_,
        [](HWND window, LPARAM param) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(param);
            wchar_t text[256] = {};
            // A window of this process's thread: its caption is read without a message.
            InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
            if (ClassName(window) == L"#32770" && *search.caption == text &&
                IsWindowVisible(window))
                search.found->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return found;
}

HWND ScreenUser::WaitForDialog(const std::wstring& caption, DWORD patienceMs) const {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            auto found = OwnDialogs(caption);
            dialog = found.empty() ? nullptr : found.front();
            return dialog != nullptr;
        },
        patienceMs);
    return dialog;
}

bool ScreenUser::WaitUntilGone(HWND window) const {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::optional<ScreenUser::Box> ScreenUser::WaitForMessageBox(const std::wstring& caption,
                                                             DWORD patienceMs) const {
    HWND window = nullptr;
    if (!WaitUntil(
            [&] {
                auto found = OwnDialogs(caption);
                window = found.empty() ? nullptr : found.front();
                return window != nullptr;
            },
            patienceMs))
        return std::nullopt;
    Box box;
    box.window = window;
    auto text = BoxText(*this, window);
    if (!text) return std::nullopt;
    box.text = *text;
    for (HWND child : Children(window)) {
        if (IsIconStatic(child)) {
            if (auto icon = SendBounded(child, STM_GETICON, 0, 0))
                box.icon = reinterpret_cast<HICON>(*icon);
        } else if (_wcsicmp(ClassName(child).c_str(), L"Button") == 0 && IsWindowVisible(child)) {
            box.buttons.push_back(GetDlgCtrlID(child));
        }
    }
    std::sort(box.buttons.begin(), box.buttons.end());
    return box;
}

bool ScreenUser::Answer(const Box& box, int buttonId) const {
    if (std::find(box.buttons.begin(), box.buttons.end(), buttonId) == box.buttons.end())
        return false;
    return Click(box.window, buttonId) && WaitUntilGone(box.window);
}

bool ScreenUser::Type(HWND dialog, int id, const std::wstring& text) const {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr &&
           SendBounded(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

std::optional<std::wstring> ScreenUser::Text(HWND window) const {
    // The text may change between the two messages: a text that filled the room taken for it
    // may have grown meanwhile, and is read again (a few times: a text that never rests is
    // taken as it was last read).
    for (int tries = 1;; ++tries) {
        auto length = SendBounded(window, WM_GETTEXTLENGTH, 0, 0);
        if (!length || *length < 0) return std::nullopt;
        std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
        auto copied =
            SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        if (!copied) return std::nullopt;
        const auto count =
            std::clamp<std::size_t>(static_cast<std::size_t>(*copied), 0, text.size() - 1);
        if (count + 1 < text.size() || count == 0 || tries == 10 ||
            SendBounded(window, WM_GETTEXTLENGTH, 0, 0) == length) {
            text.resize(count);
            return text;
        }
    }
}

bool ScreenUser::Click(HWND dialog, int id) const {
    HWND button = GetDlgItem(dialog, id);
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0);
}

bool ScreenUser::PressKey(UINT virtualKey) const {
    HWND focused = FocusedWindow();
    if (focused == nullptr) return false;
    // Repeat count 1 and the key's scan code; the key-up also says the key was down before.
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageW(focused, WM_KEYDOWN, virtualKey, scan | 1) &&
           PostMessageW(focused, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{3} << 30));
}

bool ScreenUser::PressAltKey(char letter) const {
    HWND focused = FocusedWindow();
    if (focused == nullptr) return false;
    // With Alt held the keys are system keys; bit 29 says Alt is down. The window's loop
    // translates the key into the character its dialog looks for among the mnemonics.
    const UINT key = static_cast<UINT>(letter);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM alt = LPARAM{1} << 29;
    return PostMessageW(focused, WM_SYSKEYDOWN, key, scan | alt | 1) &&
           PostMessageW(focused, WM_SYSKEYUP, key, scan | alt | 1 | (LPARAM{3} << 30));
}

HWND ScreenUser::FocusedWindow() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    // For another program, thread 0 asks about the foreground thread: its focus counts only
    // when that thread is one of the program's.
    if (!GetGUIThreadInfo(thread_, &info) || info.hwndFocus == nullptr) return nullptr;
    DWORD owner = 0;
    GetWindowThreadProcessId(info.hwndFocus, &owner);
    return process_ == 0 || owner == process_ ? info.hwndFocus : nullptr;
}

int ScreenUser::FocusedControl(HWND dialog) const {
    HWND focused = FocusedWindow();
    if (focused == nullptr || !IsChild(dialog, focused)) return 0;
    while (GetParent(focused) != dialog) focused = GetParent(focused);
    return GetDlgCtrlID(focused);
}

bool ScreenUser::WaitForFocus(HWND dialog, int id) const {
    return WaitUntil([&] { return FocusedControl(dialog) == id; });
}

std::optional<bool> ScreenUser::WholeTextSelected(HWND edit) const {
    auto length = SendBounded(edit, WM_GETTEXTLENGTH, 0, 0);
    auto selection = SendBounded(edit, EM_GETSEL, 0, 0);
    if (!length || !selection) return std::nullopt;
    return LOWORD(*selection) == 0 && HIWORD(*selection) == *length;
}
