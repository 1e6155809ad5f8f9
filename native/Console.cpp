#include "native/Console.h"

#include <iostream>

namespace native {
namespace {

// How many bytes at the end of `text` begin a UTF-8 character that is not yet whole.
std::size_t CutCharacterBytes(std::string_view text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const unsigned char byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t size = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return size > back ? back : 0;
    }
    return 0;
}

}  // namespace

ConsoleStreams::ConsoleStreams()
    : out_(stdout),
      error_(stderr),
      previousOut_(std::cout.rdbuf(&out_)),
      previousError_(std::cerr.rdbuf(&error_)) {}

ConsoleStreams::~ConsoleStreams() {
    std::cout.flush();
    std::cerr.flush();
    out_.Finish();
    error_.Finish();
    std::cout.rdbuf(previousOut_);
    std::cerr.rdbuf(previousError_);
}

ConsoleStreams::Stream::int_type ConsoleStreams::Stream::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
}

std::streamsize ConsoleStreams::Stream::xsputn(const char* text, std::streamsize count) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.append(text, static_cast<std::size_t>(count));
    // A long listing leaves in pieces: it never sits in memory whole.
    if (pending_.size() >= kPieceBytes && !WriteWhole()) return 0;
    return count;
}

int ConsoleStreams::Stream::sync() {
    std::lock_guard<std::mutex> lock(mutex_);
    return WriteWhole() ? 0 : -1;
}

bool ConsoleStreams::Stream::WriteWhole() {
    const std::size_t whole = pending_.size() - CutCharacterBytes(pending_);
    if (whole == 0) return true;
    const bool written = WriteText(file_, std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    return written;
}

void ConsoleStreams::Stream::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_.empty()) WriteText(file_, pending_);
    pending_.clear();
}

}  // namespace native
