#pragma once

// kcview's texts are UTF-8 on Windows as on POSIX; they become UTF-16 only on their way to a Win32
// call. The conversions are strict both ways: a path is never changed to fit.

#include <optional>
#include <string>
#include <string_view>

namespace kcview {

// None when `utf8` is not valid UTF-8.
std::optional<std::wstring> Utf8ToUtf16(std::string_view utf8);
// None when `utf16` holds a lone surrogate.
std::optional<std::string> Utf16ToUtf8(std::wstring_view utf16);

// A Win32 error as errno: the C library's words for it are those the POSIX tool prints.
int ErrnoOf(unsigned long win32Error);
// The C library's words for a Win32 error.
std::string DescribeWin32Error(unsigned long win32Error);

}  // namespace kcview
