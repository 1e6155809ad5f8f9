// Copies a UTF-8 C++ source with the text of its narrow string and character literals in
// code page 932, as g++ -fexec-charset=CP932 would compile them, for a compiler that only
// knows UTF-8 (clang). Every byte a non-ASCII character becomes is written as an octal escape:
// a raw trail byte 0x5C would read as a backslash, and an octal escape takes at most three
// digits, so no character that follows can join it. Comments, raw strings and u8/u/U/L
// literals are copied as they are.
//
// Usage: kc_cp932_literals SOURCE TARGET

#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool IsIdentifier(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The CP932 bytes of a run of UTF-8 characters as octal escapes; false when it has none.
bool EscapedCp932(iconv_t convert, const std::string& run, std::string* out) {
    std::string bytes(run.size() * 2, '\0');
    char* in = const_cast<char*>(run.data());
    std::size_t inLeft = run.size();
    char* to = bytes.data();
    std::size_t toLeft = bytes.size();
    iconv(convert, nullptr, nullptr, nullptr, nullptr);
    if (iconv(convert, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return false;
    bytes.resize(bytes.size() - toLeft);
    for (unsigned char byte : bytes) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\%03o", byte);
        *out += escape;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
        return 2;
    }
    std::ifstream source(argv[1], std::ios::binary);
    if (!source) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(source)),
                           std::istreambuf_iterator<char>());
    iconv_t convert = iconv_open("CP932", "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "no CP932 conversion\n");
        return 1;
    }
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        const char c = text[pos];
        if (c == '/' && pos + 1 < size && text[pos + 1] == '/') {
            std::size_t end = text.find('\n', pos);
            end = end == std::string::npos ? size : end;
            out.append(text, pos, end - pos);
            pos = end;
            continue;
        }
        if (c == '/' && pos + 1 < size && text[pos + 1] == '*') {
            std::size_t end = text.find("*/", pos + 2);
            end = end == std::string::npos ? size : end + 2;
            out.append(text, pos, end - pos);
            pos = end;
            continue;
        }
        if (c != '"' && c != '\'') {
            out += c;
            ++pos;
            continue;
        }
        // The literal's prefix: the identifier characters just before the quote.
        std::size_t prefixStart = pos;
        while (prefixStart > 0 && IsIdentifier(text[prefixStart - 1])) --prefixStart;
        const std::string prefix = text.substr(prefixStart, pos - prefixStart);
        const bool raw = !prefix.empty() && prefix.back() == 'R' && c == '"';
        if (raw) {
            // R"delimiter( ... )delimiter"
            std::size_t open = text.find('(', pos);
            if (open == std::string::npos) break;
            const std::string close = ")" + text.substr(pos + 1, open - pos - 1) + "\"";
            std::size_t end = text.find(close, open);
            end = end == std::string::npos ? size : end + close.size();
            out.append(text, pos, end - pos);
            pos = end;
            continue;
        }
        // u8, u, U and L literals keep their own encoding; so does whatever else stands right
        // before a quote (the quote of a digit separator).
        const bool narrow = prefix.empty();
        out += c;
        ++pos;
        std::string run;  // non-ASCII characters not yet written
        auto flush = [&]() -> bool {
            if (run.empty()) return true;
            if (!narrow) {
                out += run;
            } else if (!EscapedCp932(convert, run, &out)) {
                return false;
            }
            run.clear();
            return true;
        };
        while (pos < size && text[pos] != c && text[pos] != '\n') {
            const unsigned char byte = static_cast<unsigned char>(text[pos]);
            if (byte >= 0x80) {
                run += text[pos++];
                continue;
            }
            if (!flush()) break;
            if (text[pos] == '\\' && pos + 1 < size) {
                out.append(text, pos, 2);
                pos += 2;
                continue;
            }
            out += text[pos++];
        }
        if (!flush()) {
            std::fprintf(stderr, "%s: a literal without a CP932 form\n", argv[1]);
            return 1;
        }
        if (pos < size) out += text[pos++];
    }
    iconv_close(convert);
    std::ofstream target(argv[2], std::ios::binary);
    target << out;
    if (!target) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
