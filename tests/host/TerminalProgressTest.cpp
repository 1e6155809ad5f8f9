#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/TerminalProgress.h"
#include "progress/ProgressDialog.h"

namespace {

// No frame ever falls due: the line follows the captions alone.
class StoppedClock : public Clock {
public:
    std::int64_t Milliseconds() override { return 0; }
};

std::string Drain(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    return text;
}

TEST(TerminalProgress, WithoutATerminalOneLinePerTenPerCent) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress window(false, out);
    StoppedClock clock;
    ProgressDialog dialog(window, clock);
    dialog.Show();
    dialog.StartOverall();
    dialog.Advance(0, 10000);
    for (int i = 0; i < 100000; ++i) dialog.PulseDetail();  // cheap and silent
    dialog.Close(1);
    std::string text = Drain(out);
    std::fclose(out);
    int lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 11);  // 0 %, 10 %, ... 100 %
    // The captions of every tenth, as the system wrote them.
    const std::string last = "\xE9\x9B\x86\xE8\xA8\x88\xE4\xB8\xAD 100\xEF\xBC\x85\n";  // UTF-8
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// The status line as the terminal shows it: what follows the last carriage return.
std::string LastStatus(const std::string& text) {
    std::size_t start = text.rfind('\r');
    return start == std::string::npos ? text : text.substr(start + 1);
}

TEST(TerminalProgress, AMessageEndsTheLineWhereTheRunStands) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress window(true, out);
    StoppedClock clock;
    ProgressDialog dialog(window, clock);
    dialog.Show();
    dialog.StartOverall();
    // Faster than the line is redrawn: only the start is on the screen.
    dialog.Advance(0, 4000);
    window.EndLine();
    std::string text = Drain(out);
    std::fclose(out);
    // 集計中 40％ and 12 of 30 marks, then the line ends for the message.
    EXPECT_EQ(LastStatus(text),
              "\xE9\x9B\x86\xE8\xA8\x88\xE4\xB8\xAD 40\xEF\xBC\x85 "
              "[############..................]\n");
}

TEST(TerminalProgress, TheLineComesBackAtOnceAfterAMessage) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress window(true, out);
    StoppedClock clock;
    ProgressDialog dialog(window, clock);
    dialog.Show();
    dialog.StartOverall();
    dialog.Advance(0, 2000);
    window.EndLine();
    std::fputs("[message]\n", out);
    window.ResumeLine();
    std::string text = Drain(out);
    std::fclose(out);
    // After the message, before any further step: 集計中 20％ and 6 of 30 marks.
    const std::string message = "[message]\n";
    ASSERT_NE(text.find(message), std::string::npos);
    EXPECT_EQ(text.substr(text.find(message) + message.size()),
              "\r\xE9\x9B\x86\xE8\xA8\x88\xE4\xB8\xAD 20\xEF\xBC\x85 "
              "[######........................]");
}

TEST(TerminalProgress, NoLineWithoutATerminalOrOnceClosed) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress lines(false, out);
    lines.Show();
    lines.EndLine();
    lines.ResumeLine();
    TerminalProgress closed(true, out);
    closed.Show();
    closed.Repaint();
    closed.Close(1);
    const long written = std::ftell(out);
    closed.EndLine();
    closed.ResumeLine();
    EXPECT_EQ(std::ftell(out), written);
    std::fclose(out);
}

}  // namespace
