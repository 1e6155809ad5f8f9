// The Windows build's conversions: the system's own code page 932 tables through the Win32
// calls instead of iconv.

#include <windows.h>

#include <climits>

#include "common/Encoding.h"
#include "common/Sjis.h"

namespace sjis {
namespace {

constexpr UINT kSjisCodePage = 932;

bool ToWide(UINT codePage, std::string_view in, std::wstring* out) {
    out->clear();
    if (in.empty()) return true;
    if (in.size() > static_cast<std::size_t>(INT_MAX)) return false;
    int length = static_cast<int>(in.size());
    int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    out->resize(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, out->data(),
                            needed) != needed) {
        out->clear();
        return false;
    }
    return true;
}

// To code page 932 a character without a form there uses the default character: a failure.
// UTF-8 takes no default-character flag and has a form for every character.
bool FromWide(UINT codePage, std::wstring_view in, std::string* out) {
    out->clear();
    if (in.empty()) return true;
    if (in.size() > static_cast<std::size_t>(INT_MAX)) return false;
    int length = static_cast<int>(in.size());
    bool sjis = codePage == kSjisCodePage;
    DWORD flags = sjis ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultFlag = sjis ? &usedDefault : nullptr;
    int needed = WideCharToMultiByte(codePage, flags, in.data(), length, nullptr, 0, nullptr,
                                     usedDefaultFlag);
    if (needed <= 0 || usedDefault) return false;
    out->resize(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(codePage, flags, in.data(), length, out->data(), needed, nullptr,
                            usedDefaultFlag) != needed ||
        usedDefault) {
        out->clear();
        return false;
    }
    return true;
}

bool Convert(UINT from, UINT to, std::string_view in, std::string* out) {
    if (IsAscii(in)) {  // both encodings agree on ASCII
        out->assign(in);
        return true;
    }
    std::wstring wide;
    if (!ToWide(from, in, &wide) || !FromWide(to, wide, out)) {
        out->clear();
        return false;
    }
    return true;
}

}  // namespace

bool Utf8ToSjis(std::string_view utf8, std::string* out) {
    return Convert(CP_UTF8, kSjisCodePage, utf8, out);
}

bool SjisToUtf8(std::string_view text, std::string* utf8) {
    return Convert(kSjisCodePage, CP_UTF8, text, utf8);
}

std::string SjisToUtf8Lossy(std::string_view text) {
    std::string out;
    if (Convert(kSjisCodePage, CP_UTF8, text, &out)) return out;
    // Character by character: an undecodable byte becomes '?' and the next byte starts over,
    // so that a stray lead byte does not swallow the character after it.
    out.clear();
    std::string one;
    for (std::size_t pos = 0; pos < text.size();) {
        bool lead = sjis::IsLeadByte(static_cast<unsigned char>(text[pos]));
        std::size_t width = lead && pos + 1 < text.size() ? 2 : 1;
        if (Convert(kSjisCodePage, CP_UTF8, text.substr(pos, width), &one)) {
            out += one;
            pos += width;
        } else {
            out += '?';
            pos += 1;
        }
    }
    return out;
}

}  // namespace sjis
