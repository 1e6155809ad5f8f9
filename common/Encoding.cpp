#include "common/Encoding.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "common/Sjis.h"
#include "native/CodePage.h"

namespace sjis {
namespace {

// The host converts (native/CodePage: iconv on POSIX, the code page of Windows), and is right,
// but costs a call through its converter and an intermediate buffer for every text: a journal of
// a million lines spent a third of its conversion there. So each character the host has
// converted is remembered in a table, and a text whose characters are all known is converted from
// the tables alone. Code page 932 holds no state between characters, so a text converts exactly
// as the host would convert it whole.
//
// The tables are the process's, not a thread's: a reading thread decodes while the main thread
// works, and a thread's own objects with destructors are freed out of order at the thread's end
// by the Windows toolchain's runtime, which corrupted the heap. Each entry is one atomic word
// holding the whole form, so threads that meet at an entry both write the same word and neither
// reads half of one.

// What one character becomes: up to 3 bytes (code page 932 lies in the basic plane, whose UTF-8
// forms are at most 3 bytes; its own forms are at most 2).
struct Form {
    std::uint8_t size = kNone;
    char bytes[3] = {};

    static constexpr std::uint8_t kNone = 0;  // the host found no character

    // The host's form of the one character `in` holds; kNone when it is none, or only begins one.
    static Form Of(bool (*convert)(std::string_view, std::string*), std::string_view in) {
        Form form;
        std::string out;
        if (!convert(in, &out) || out.empty() || out.size() > sizeof form.bytes) return form;
        form.size = static_cast<std::uint8_t>(out.size());
        for (std::size_t i = 0; i < out.size(); ++i) form.bytes[i] = out[i];
        return form;
    }
};

// A table of forms, filled as characters are met. A word is 0 while its character is unknown,
// else its form's size plus one in the low byte and the form's bytes above it.
template <std::size_t kSize>
class FormTable {
public:
    template <typename Convert>
    Form At(std::size_t index, Convert convert) {
        std::uint32_t word = words_[index].load(std::memory_order_relaxed);
        if (word == 0) {
            word = Pack(convert());
            words_[index].store(word, std::memory_order_relaxed);
        }
        return Unpack(word);
    }

private:
    static std::uint32_t Pack(const Form& form) {
        std::uint32_t word = form.size + 1u;
        for (std::size_t i = 0; i < sizeof form.bytes; ++i)
            word |= std::uint32_t{static_cast<unsigned char>(form.bytes[i])} << (8 * (i + 1));
        return word;
    }
    static Form Unpack(std::uint32_t word) {
        Form form;
        form.size = static_cast<std::uint8_t>((word & 0xFF) - 1);
        for (std::size_t i = 0; i < sizeof form.bytes; ++i)
            form.bytes[i] = static_cast<char>(word >> (8 * (i + 1)) & 0xFF);
        return form;
    }

    std::array<std::atomic<std::uint32_t>, kSize> words_{};
};

// Shift_JIS to UTF-8, a character at a time.
class Decoder {
public:
    // False at the first byte that begins no character; lossy, such a byte becomes '?'. With no
    // `out`, only finds that byte. Answers where the text stopped decoding: its size when whole.
    std::size_t Convert(std::string_view in, std::string* out, bool lossy) {
        // No character grows to more than 3 times its bytes (a half-width katakana does).
        if (out) out->resize(in.size() * 3);
        char* const begin = out ? out->data() : nullptr;
        char* dst = begin;
        std::size_t pos = 0;
        while (pos < in.size()) {
            unsigned char byte = static_cast<unsigned char>(in[pos]);
            if (byte < 0x80) {
                if (dst) *dst++ = static_cast<char>(byte);
                ++pos;
                continue;
            }
            Form form;
            std::size_t width = 1;
            if (IsLeadByte(byte) && pos + 1 < in.size()) {
                form = Pair(byte, static_cast<unsigned char>(in[pos + 1]));
                width = 2;
            } else if (!IsLeadByte(byte)) {
                form = Single(byte);
            }
            if (form.size == Form::kNone) {
                if (!lossy) {
                    if (out) out->clear();
                    return pos;
                }
                *dst++ = '?';
                ++pos;
                continue;
            }
            if (dst) {
                std::memcpy(dst, form.bytes, sizeof form.bytes);
                dst += form.size;
            }
            pos += width;
        }
        if (out) out->resize(static_cast<std::size_t>(dst - begin));
        return in.size();
    }

private:
    Form Single(unsigned char byte) {
        return singles_.At(byte, [byte] {
            const char text = static_cast<char>(byte);
            return Form::Of(native::CodePage932ToUtf8, std::string_view(&text, 1));
        });
    }

    Form Pair(unsigned char lead, unsigned char trail) {
        return pairs_.At(static_cast<std::size_t>(lead) << 8 | trail, [lead, trail] {
            const char text[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            return Form::Of(native::CodePage932ToUtf8, std::string_view(text, 2));
        });
    }

    FormTable<0x100> singles_;
    FormTable<0x10000> pairs_;
};

// The length of the UTF-8 character `in` begins with and its code point, or 0 where it is not
// well-formed UTF-8 (overlong forms, surrogates and cut characters are not).
std::size_t Utf8Character(std::string_view in, char32_t* code) {
    unsigned char lead = static_cast<unsigned char>(in[0]);
    std::size_t size = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (size == 0 || size > in.size()) return 0;
    char32_t value = lead & (0xFF >> (size + 1));
    for (std::size_t i = 1; i < size; ++i) {
        unsigned char next = static_cast<unsigned char>(in[i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = value << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[size] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return size;
}

// UTF-8 to Shift_JIS, a character at a time.
class Encoder {
public:
    bool Convert(std::string_view in, std::string* out) {
        // No character is longer in Shift_JIS than in UTF-8; the last one is copied with the
        // whole of its form's room.
        out->resize(in.size() + sizeof(Form::bytes));
        char* const begin = out->data();
        char* dst = begin;
        std::size_t pos = 0;
        while (pos < in.size()) {
            unsigned char byte = static_cast<unsigned char>(in[pos]);
            if (byte < 0x80) {
                *dst++ = static_cast<char>(byte);
                ++pos;
                continue;
            }
            char32_t code = 0;
            std::size_t size = Utf8Character(in.substr(pos), &code);
            // Code page 932 has nothing beyond the basic plane.
            if (size == 0 || code > 0xFFFF) {
                out->clear();
                return false;
            }
            const Form form = forms_.At(code, [utf8 = in.substr(pos, size)] {
                return Form::Of(native::Utf8ToCodePage932, utf8);
            });
            if (form.size == Form::kNone) {
                out->clear();
                return false;
            }
            std::memcpy(dst, form.bytes, sizeof form.bytes);
            dst += form.size;
            pos += size;
        }
        out->resize(static_cast<std::size_t>(dst - begin));
        return true;
    }

private:
    FormTable<0x10000> forms_;
};

// Made before the program starts, with nothing to destroy: no thread meets them unmade or gone.
constinit Decoder theDecoder;
constinit Encoder theEncoder;

Decoder& ToUtf8() {
    return theDecoder;
}

Encoder& ToSjis() {
    return theEncoder;
}

}  // namespace

bool Utf8ToSjis(std::string_view utf8, std::string* out) {
    return ToSjis().Convert(utf8, out);
}

bool SjisToUtf8(std::string_view text, std::string* utf8) {
    return ToUtf8().Convert(text, utf8, false) == text.size();
}

std::size_t SjisDecodableLength(std::string_view text) {
    return ToUtf8().Convert(text, nullptr, false);
}

std::string SjisToUtf8Lossy(std::string_view text) {
    std::string out;
    ToUtf8().Convert(text, &out, true);
    return out;
}

}  // namespace sjis
