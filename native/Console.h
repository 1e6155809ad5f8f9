#pragma once

// Text for a person at a console. The programs speak UTF-8; a Windows console shows characters
// in its own code page (932 on a Japanese system), so UTF-8 bytes written to it come out garbled.
// There the characters go to the console as UTF-16; a pipe or a file gets the UTF-8 bytes, as on
// POSIX, where the terminal reads UTF-8 itself.

#include <cstdio>
#include <mutex>
#include <streambuf>
#include <string>
#include <string_view>

namespace native {

// Writes `utf8` to `file` (stdout, stderr or a file of the caller's) and flushes it. False when
// the write failed.
bool WriteText(std::FILE* file, std::string_view utf8);

// std::cout and std::cerr written through WriteText while the object lives. Text leaves at every
// flush, but for a character cut at the end, which waits for its remaining bytes.
class ConsoleStreams {
public:
    ConsoleStreams();
    ~ConsoleStreams();
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

private:
    class Stream : public std::streambuf {
    public:
        explicit Stream(std::FILE* file) : file_(file) {}
        // What is left, written at the end even when a character was cut.
        void Finish();

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
        int sync() override;

    private:
        static constexpr std::size_t kPieceBytes = 64 * 1024;
        // Writes what is pending up to a character cut at its end; with mutex_ held.
        bool WriteWhole();

        std::mutex mutex_;  // an interrupt may write from a thread of its own
        std::FILE* file_;
        std::string pending_;
    };

    Stream out_;
    Stream error_;
    std::streambuf* previousOut_ = nullptr;
    std::streambuf* previousError_ = nullptr;
};

}  // namespace native
