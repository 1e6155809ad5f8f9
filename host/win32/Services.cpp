#include "host/win32/Services.h"

#include <climits>

#include "host/win32/Dialogs.h"
#include "host/win32/Wide.h"
#include "host/win32/WindowPlacement.h"

namespace {

// ja-JP: the full-width forms, and the folding of voiced-sound marks, of the Japanese locale
// whatever the user's locale.
constexpr LCID kJapanese = 0x0411;

}  // namespace

int Win32Messages::Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) {
    std::wstring wideText = SjisToWideLossy(text ? text : "");
    std::wstring wideCaption = SjisToWideLossy(caption ? caption : "");
    // While a dialog of ours runs, its box belongs to it, whatever owner the system names (the
    // caller's window): the dialog is then disabled until the box is answered, so no second
    // box can be stacked on the first.
    HWND ownerWindow = RunningDialogWindow();
    if (!ownerWindow) ownerWindow = WindowOrNone(owner);
    return MessageBoxW(ownerWindow, wideText.c_str(), wideCaption.c_str(), flags);
}

void Win32Windows::Enable(WindowHandle window, bool enable) {
    if (HWND hwnd = WindowOrNone(window)) EnableWindow(hwnd, enable ? TRUE : FALSE);
}

void Win32Windows::SetForeground(WindowHandle window) {
    if (HWND hwnd = WindowOrNone(window)) SetForegroundWindow(hwnd);
}

void Win32Windows::Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
                        std::int64_t lParam) {
    // The caller reads a message number and two numbers of its own: the A form posts them
    // as they are, with no text to convert.
    if (HWND hwnd = WindowOrNone(window))
        PostMessageA(hwnd, static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                     static_cast<LPARAM>(lParam));
}

std::string Win32TextMapping::ToFullWidth(std::string_view text) {
    auto wide = SjisToWide(text);
    if (!wide || wide->empty() || wide->size() > static_cast<std::size_t>(INT_MAX))
        return std::string(text);
    int length = static_cast<int>(wide->size());
    int needed = LCMapStringW(kJapanese, LCMAP_FULLWIDTH, wide->data(), length, nullptr, 0);
    if (needed <= 0) return std::string(text);
    std::wstring mapped(static_cast<std::size_t>(needed), L'\0');
    int written =
        LCMapStringW(kJapanese, LCMAP_FULLWIDTH, wide->data(), length, mapped.data(), needed);
    if (written <= 0) return std::string(text);
    mapped.resize(static_cast<std::size_t>(written));
    return WideToSjis(mapped).value_or(std::string(text));
}
