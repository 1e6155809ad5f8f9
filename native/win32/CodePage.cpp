#include "native/CodePage.h"

#include <windows.h>

#include <climits>
#include <optional>

#include "native/Utf16.h"

namespace native {
namespace {

constexpr UINT kCodePage932 = 932;

// The Win32 conversions count in int.
bool FitsInt(std::size_t size) {
    return size <= static_cast<std::size_t>(INT_MAX);
}

std::optional<std::u16string> FromCodePage932(std::string_view text) {
    if (text.empty()) return std::u16string();
    if (!FitsInt(text.size())) return std::nullopt;
    const int length = static_cast<int>(text.size());
    const int needed =
        MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                            needed) != needed)
        return std::nullopt;
    return std::u16string(wide.begin(), wide.end());
}

// A character without a form in the code page takes the default character: that is a refusal.
std::optional<std::string> ToCodePage932(std::u16string_view utf16) {
    if (utf16.empty()) return std::string();
    if (!FitsInt(utf16.size())) return std::nullopt;
    const std::wstring wide(utf16.begin(), utf16.end());
    const int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int needed = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                           nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string text(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), length, text.data(),
                            needed, nullptr, &usedDefault) != needed ||
        usedDefault)
        return std::nullopt;
    return text;
}

}  // namespace

bool CodePage932ToUtf8(std::string_view text, std::string* utf8) {
    utf8->clear();
    const std::optional<std::u16string> utf16 = FromCodePage932(text);
    std::optional<std::string> converted = utf16 ? Utf16ToUtf8(*utf16) : std::nullopt;
    if (!converted) return false;
    *utf8 = std::move(*converted);
    return true;
}

bool Utf8ToCodePage932(std::string_view utf8, std::string* text) {
    text->clear();
    const std::optional<std::u16string> utf16 = Utf8ToUtf16(utf8);
    std::optional<std::string> converted = utf16 ? ToCodePage932(*utf16) : std::nullopt;
    if (!converted) return false;
    *text = std::move(*converted);
    return true;
}

}  // namespace native
