#pragma once

// The text edge of the Windows host: the system's Shift_JIS (code page 932) strings become
// UTF-16 on their way to a Win32 call and come back the same way. Conversions are strict: an
// invalid byte or a character without a code page 932 form is a failure, never a '?'.

#include <optional>
#include <string>
#include <string_view>

#include "common/Types.h"
#include "host/win32/Win32Api.h"

// None when `sjis` holds a byte sequence code page 932 does not define.
std::optional<std::wstring> SjisToWide(std::string_view sjis);
// None when `wide` holds a character without a code page 932 form (no best-fit substitutes).
std::optional<std::string> WideToSjis(std::wstring_view wide);

// UTF-8 outside the system (the options, the store's path, kcbooks.ini), through the one
// conversion (native/Utf16), strictly: none where the text holds a byte that begins no character
// or a lone surrogate, so a path is never changed.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
std::optional<std::string> WideToUtf8(std::wstring_view wide);
// For a text only shown (a line on the console): a lone surrogate shows as U+FFFD.
std::string WideToUtf8Shown(std::wstring_view wide);

// For texts that must be shown whatever they hold: each undecodable byte becomes U+FFFD.
std::wstring SjisToWideLossy(std::string_view sjis);

// The system's message for a Win32 error code, in Shift_JIS and without the trailing line
// break; none when the system has none or it has no Shift_JIS form.
std::optional<std::string> Win32SystemText(unsigned long error);
// The same, or "error N" in its place.
std::string Win32ErrorText(unsigned long error);

// The full form of a path, as the system resolves it from the current folder; the path itself
// when it cannot.
std::wstring FullPath(const std::wstring& path);

// Window handles cross the command line and the ledger services as 32-bit values; Windows
// keeps handles within 32 bits and widens them by sign extension.
inline HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(window));
}
inline WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<INT_PTR>(window));
}
