#include "common/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace sjis {
namespace {

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// One conversion direction. iconv descriptors are cheap to keep and costly to open, so each
// direction opens its descriptor once per thread.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Convert(std::string_view in, std::string* out, bool lossy) {
        out->clear();
        if (IsAscii(in)) {  // both encodings agree on ASCII
            out->assign(in);
            return true;
        }
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out->resize(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t done = 0;
        while (srcLeft > 0) {
            char* dst = out->data() + done;
            std::size_t dstLeft = out->size() - done;
            std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            done = out->size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out->resize(out->size() * 2);
            } else if (lossy) {
                // Skip one undecodable byte and mark it.
                ++src;
                --srcLeft;
                if (out->size() - done < 1) out->resize(out->size() * 2);
                (*out)[done++] = '?';
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            } else {
                out->clear();
                return false;
            }
        }
        out->resize(done);
        return true;
    }

private:
    iconv_t cd_;
};

Converter& ToSjis() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& ToUtf8() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

}  // namespace

bool Utf8ToSjis(std::string_view utf8, std::string* out) {
    return ToSjis().Convert(utf8, out, false);
}

bool SjisToUtf8(std::string_view text, std::string* utf8) {
    return ToUtf8().Convert(text, utf8, false);
}

std::string SjisToUtf8Lossy(std::string_view text) {
    std::string out;
    ToUtf8().Convert(text, &out, true);
    return out;
}

}  // namespace sjis
