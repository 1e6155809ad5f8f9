#include "tools/kcview/CodePage932Decoder.h"

#include <libxml/encoding.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "common/Encoding.h"

namespace kcview {
namespace {

// One character's UTF-8 form: code page 932 holds nothing beyond the basic plane, so at most three
// bytes; a length of 0 marks a code that is no character.
struct Utf8Character {
    unsigned char length = 0;
    std::array<unsigned char, 3> bytes{};
};

// Lead bytes of double-byte characters. The user-defined rows (0xF0-0xF9) are left out: their
// characters mean something only on the machine that defined them.
bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xEF) ||
           (byte >= 0xFA && byte <= 0xFC);
}

bool IsTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Single bytes: ASCII and the half-width katakana; the hosts' converters disagree on the few other
// bytes, which the export never writes.
bool IsSingleByteCharacter(unsigned char byte) {
    return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
}

class CodePage932Table {
public:
    CodePage932Table() {
        for (unsigned first = 0; first < 256; ++first) {
            if (IsSingleByteCharacter(static_cast<unsigned char>(first)))
                Fill(single_[first], std::string(1, static_cast<char>(first)));
            if (!IsLeadByte(static_cast<unsigned char>(first))) continue;
            for (unsigned second = 0; second < 256; ++second) {
                if (!IsTrailByte(static_cast<unsigned char>(second))) continue;
                const char pair[] = {static_cast<char>(first), static_cast<char>(second)};
                Fill(double_[first << 8 | second], std::string(pair, 2));
            }
        }
    }

    // The character at `in` (with `left` bytes there), or nullptr when there is none; `width` is
    // how many bytes it takes, 0 when the bytes end inside it.
    const Utf8Character* At(const unsigned char* in, std::size_t left, std::size_t* width) const {
        if (IsLeadByte(in[0])) {
            *width = left < 2 ? 0 : 2;
            if (left < 2) return nullptr;
            const Utf8Character& found = double_[in[0] << 8 | in[1]];
            return found.length ? &found : nullptr;
        }
        *width = 1;
        return single_[in[0]].length ? &single_[in[0]] : nullptr;
    }

private:
    static void Fill(Utf8Character& entry, const std::string& codePage932) {
        std::string utf8;
        if (!sjis::SjisToUtf8(codePage932, &utf8) || utf8.empty() || utf8.size() > 3) return;
        entry.length = static_cast<unsigned char>(utf8.size());
        std::memcpy(entry.bytes.data(), utf8.data(), utf8.size());
    }

    std::array<Utf8Character, 256> single_{};
    std::array<Utf8Character, 65536> double_{};
};

const CodePage932Table& Table() {
    static const std::unique_ptr<CodePage932Table> table = std::make_unique<CodePage932Table>();
    return *table;
}

// libxml2's input function: decodes whole characters while they fit. A character cut by the end of
// the input is left for the next call, when the parser has appended the following bytes. Returns
// the bytes written, -1 when `out` is full before `in` is used up, -2 at a byte that is no
// character (with *inLength the bytes before it).
int Decode(unsigned char* out, int* outLength, const unsigned char* in, int* inLength) {
    const CodePage932Table& table = Table();
    const std::size_t inEnd = static_cast<std::size_t>(*inLength);
    const std::size_t outEnd = static_cast<std::size_t>(*outLength);
    std::size_t read = 0;
    std::size_t written = 0;
    int result = 0;
    while (read < inEnd) {
        std::size_t width = 0;
        const Utf8Character* character = table.At(in + read, inEnd - read, &width);
        if (width == 0) break;
        if (!character) {
            result = -2;
            break;
        }
        if (outEnd - written < character->length) {
            result = -1;
            break;
        }
        std::memcpy(out + written, character->bytes.data(), character->length);
        written += character->length;
        read += width;
    }
    *inLength = static_cast<int>(read);
    *outLength = static_cast<int>(written);
    return result < 0 ? result : static_cast<int>(written);
}

}  // namespace

bool RegisterCodePage932Decoder() {
    static bool registered = false;
    static std::once_flag once;
    std::call_once(once, [] {
        Table();
        // Registered handlers are found before any converter libxml2 was built with; the other
        // names of Shift_JIS lead to this one.
        xmlCharEncodingHandlerPtr handler = xmlNewCharEncodingHandler("CP932", Decode, nullptr);
        registered = handler != nullptr;
        for (const char* name : {"Shift_JIS", "Shift-JIS", "SJIS", "MS_Kanji", "Windows-31J"})
            registered = xmlAddEncodingAlias("CP932", name) == 0 && registered;
    });
    return registered;
}

std::size_t DecodablePrefix(std::string_view bytes, bool* undecodable) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t read = 0;
    *undecodable = false;
    while (read < bytes.size()) {
        std::size_t width = 0;
        const bool character = Table().At(in + read, bytes.size() - read, &width) != nullptr;
        if (width == 0) break;
        if (!character) {
            *undecodable = true;
            break;
        }
        read += width;
    }
    return read;
}

}  // namespace kcview
