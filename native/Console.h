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

enum class StandardStream { kOutput, kError };

struct ConsoleOptions {
    // A windowed program has no console of its own: its streams go where its standard handles
    // lead when it was given them (a pipe or a file: the UTF-8 bytes), else to the console of
    // the program that started it, when there is one (Windows; elsewhere the streams as they are).
    bool attachParentConsole = false;
    // Not owned: receives everything written to both streams, in order (for a box to show it).
    std::string* transcript = nullptr;
};

// Whether the stream goes to a terminal (a console on Windows), where a status line can be
// redrawn in place.
bool IsTerminal(StandardStream stream);

// Writes `utf8` to a standard stream as `options` say. False when the write failed.
bool WriteStandard(StandardStream stream, const ConsoleOptions& options, std::string_view utf8);

// std::cout and std::cerr written through WriteStandard while the object lives. Text leaves at
// every flush, but for a character cut at the end, which waits for its remaining bytes.
class ConsoleStreams {
public:
    explicit ConsoleStreams(ConsoleOptions options = {});
    ~ConsoleStreams();
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

private:
    class Stream : public std::streambuf {
    public:
        Stream(StandardStream which, ConsoleStreams& owner) : which_(which), owner_(owner) {}
        // What is left, written at the end even when a character was cut.
        void Finish();

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
        int sync() override;

    private:
        static constexpr std::size_t kPieceBytes = 64 * 1024;
        // Writes what is pending up to a character cut at its end; with the owner's mutex held.
        bool WriteWhole();

        StandardStream which_;
        ConsoleStreams& owner_;
        std::string pending_;
    };

    ConsoleOptions options_;
    std::mutex mutex_;  // one writer at a time: an interrupt may report from its own thread
    Stream out_;
    Stream error_;
    std::streambuf* previousOut_ = nullptr;
    std::streambuf* previousError_ = nullptr;
};

}  // namespace native
