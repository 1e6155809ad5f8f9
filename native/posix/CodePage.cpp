#include "native/CodePage.h"

#include <iconv.h>

namespace native {
namespace {

// One converter a thread, made at its first use: iconv_t may not be shared between threads.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Usable()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // `in` whole into `*out`, which has room for all of it (`room` bytes); false where iconv
    // refuses a byte, or the text ends inside a character.
    bool Convert(std::string_view in, std::size_t room, std::string* out) {
        out->clear();
        if (!Usable()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // from the initial state
        out->resize(room);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char* dst = out->data();
        std::size_t dstLeft = out->size();
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
            srcLeft != 0) {
            out->clear();
            return false;
        }
        out->resize(out->size() - dstLeft);
        return true;
    }

private:
    bool Usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    iconv_t cd_;
};

}  // namespace

bool CodePage932ToUtf8(std::string_view text, std::string* utf8) {
    thread_local Iconv decoder("UTF-8", "CP932");
    // A byte of code page 932 becomes at most 3 bytes of UTF-8 (a half-width katakana does).
    return decoder.Convert(text, text.size() * 3, utf8);
}

bool Utf8ToCodePage932(std::string_view utf8, std::string* text) {
    thread_local Iconv encoder("CP932", "UTF-8");
    // No character is longer in code page 932 than in UTF-8.
    return encoder.Convert(utf8, utf8.size(), text);
}

}  // namespace native
