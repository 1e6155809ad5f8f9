#include "host/win32/Wide.h"

#include <climits>

#include "common/Sjis.h"
#include "native/Utf16.h"

namespace {

constexpr UINT kSjisCodePage = 932;
constexpr wchar_t kReplacement = 0xFFFD;

// The Win32 conversions count in int.
bool FitsInt(std::size_t size) {
    return size <= static_cast<std::size_t>(INT_MAX);
}

// MultiByteToWideChar into a string of the right size; none when the call fails.
std::optional<std::wstring> ToWide(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return std::wstring();
    if (!FitsInt(text.size())) return std::nullopt;
    int length = static_cast<int>(text.size());
    int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), needed) != needed)
        return std::nullopt;
    return wide;
}

}  // namespace

std::optional<std::wstring> SjisToWide(std::string_view sjis) {
    return ToWide(kSjisCodePage, MB_ERR_INVALID_CHARS, sjis);
}

std::optional<std::string> WideToSjis(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    if (!FitsInt(wide.size())) return std::nullopt;
    int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    int needed = WideCharToMultiByte(kSjisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                     nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string sjis(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(kSjisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, sjis.data(),
                            needed, nullptr, &usedDefault) != needed ||
        usedDefault)
        return std::nullopt;
    return sjis;
}

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
    const std::optional<std::u16string> utf16 = native::Utf8ToUtf16(utf8);
    if (!utf16) return std::nullopt;
    return std::wstring(utf16->begin(), utf16->end());
}

std::optional<std::string> WideToUtf8(std::wstring_view wide) {
    return native::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string WideToUtf8Shown(std::wstring_view wide) {
    return native::Utf16ToUtf8Shown(std::u16string(wide.begin(), wide.end()));
}

std::wstring SjisToWideLossy(std::string_view text) {
    if (auto wide = SjisToWide(text)) return *wide;
    // Character by character: a double-byte character that does not decode gives up its lead
    // byte only, so that a valid character after a stray lead byte still shows.
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        bool lead = sjis::IsLeadByte(static_cast<unsigned char>(text[pos]));
        std::size_t width = lead && pos + 1 < text.size() ? 2 : 1;
        auto one = SjisToWide(text.substr(pos, width));
        if (one) {
            out += *one;
            pos += width;
        } else {
            out += kReplacement;
            pos += 1;
        }
    }
    return out;
}

std::optional<std::string> Win32SystemText(unsigned long error) {
    wchar_t* message = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text;
    if (length != 0 && message) text.assign(message, length);
    if (message) LocalFree(message);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) return std::nullopt;
    return WideToSjis(text);
}

std::string Win32ErrorText(unsigned long error) {
    return Win32SystemText(error).value_or("error " + std::to_string(error));
}

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}
