#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/ProgressDialog.h"
#include "host/TerminalProgress.h"

namespace {

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
    ProgressDialog dialog(window);
    window.Show();
    dialog.StartOverall();
    dialog.Advance(0, 10000);
    for (int i = 0; i < 100000; ++i) dialog.PulseDetail();  // cheap and silent
    window.Close(1);
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

}  // namespace
