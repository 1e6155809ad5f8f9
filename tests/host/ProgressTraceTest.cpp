// The trace of the progress window: what the window was told, as it was told, with the run's
// milliseconds; the window itself is told the same.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/ProgressTrace.h"
#include "tests/doubles/FakePlatform.h"

namespace {

std::vector<std::string> LinesOf(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void SetTraceVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("KC_PROGRESS_TRACE", value);
#else
    if (*value)
        setenv("KC_PROGRESS_TRACE", value, 1);
    else
        unsetenv("KC_PROGRESS_TRACE");
#endif
}

TEST(ProgressTrace, WritesWhatTheWindowIsToldWithTheRunsTime) {
    // Not closed here: the trace closes its file.
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    FakePlatform window;
    std::vector<std::string> lines;
    {
        ProgressTrace trace(window, window, file);
        trace.Show();
        trace.SetOverallRange(0, 10000);
        window.milliseconds = 40;
        trace.SetOverallPosition(5000);
        trace.SetCaption("集計中 50％");
        trace.StepDetail();  // the detail bar is not written down
        window.milliseconds = 95;
        trace.OffsetOverall(5000);
        trace.Close(1);
        lines = LinesOf(file);
    }
    const std::vector<std::string> expected = {
        "0 show ",        "0 range 0 10000", "40 position 5000", "40 caption 集計中 50％",
        "95 offset 5000", "95 close 1",
    };
    EXPECT_EQ(lines, expected);
    // The window was told the same.
    EXPECT_EQ(window.overallHigh, 10000);
    EXPECT_EQ(window.overallPosition, 10000);
    EXPECT_EQ(window.captions, std::vector<std::string>{"集計中 50％"});
    EXPECT_EQ(window.progressCalls["StepDetail"], 1);
    EXPECT_EQ(window.progressEndCode, 1);
}

TEST(ProgressTrace, OnlyWhenTheVariableNamesAFileThatCanBeMade) {
    FakePlatform window;
    SetTraceVariable("");
    EXPECT_EQ(TraceProgressIfAsked(window, window), nullptr);
    const std::string folder = ::testing::TempDir();
    SetTraceVariable((folder + "no-such-folder/sub/trace").c_str());
    EXPECT_EQ(TraceProgressIfAsked(window, window), nullptr);
    const std::string path = folder + "kc-progress-trace";
    SetTraceVariable(path.c_str());
    {
        std::unique_ptr<ProgressTrace> trace = TraceProgressIfAsked(window, window);
        ASSERT_NE(trace, nullptr);
        trace->SetOverallPosition(7);
    }
    SetTraceVariable("");
    std::FILE* written = std::fopen(path.c_str(), "r");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(LinesOf(written), std::vector<std::string>{"0 position 7"});
    std::fclose(written);
    std::remove(path.c_str());
}

}  // namespace
