#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "progress/ProgressDialog.h"
#include "tests/doubles/FakePlatform.h"

namespace {

// The progress as the aggregation and the writer move it: spans of positions and sweeps of
// the detail bar, in order.
struct Step {
    int from;
    int to;
    int pulses;  // sweeps after the span
};

// An export's shape: the summaries, the accounts, then the writer's blocks with its ledger.
const std::vector<Step> kExport = {
    {0, 1000, 0},    {1000, 3000, 40}, {3000, 4000, 0},  {4000, 4875, 0},      {4875, 5750, 0},
    {5750, 6625, 0}, {6625, 7500, 0},  {7500, 8500, 12}, {8500, 9500, 200000}, {9500, 10000, 3},
};

class Progress : public ::testing::Test {
protected:
    long WindowUpdates() { return fake.progressCalls["Repaint"]; }
    // Counts window calls from here on.
    void ForgetCalls() {
        fake.progressCalls.clear();
        fake.captions.clear();
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            dialog.Advance(static_cast<std::int16_t>(step.from),
                           static_cast<std::int16_t>(step.to));
            for (int i = 0; i < step.pulses; ++i) dialog.PulseDetail();
        }
    }

    FakePlatform fake;
    ProgressDialog dialog{fake, fake};
};

TEST_F(Progress, StartsTheOverallBarAtZeroOfTenThousand) {
    dialog.Show();
    dialog.StartOverall();
    EXPECT_EQ(fake.overallLow, 0);
    EXPECT_EQ(fake.overallHigh, 10000);
    EXPECT_EQ(fake.overallStep, 1);
    EXPECT_EQ(fake.overallPosition, 0);
}

// The spans of the logical state: both ends count, a caption at every hundredth, a sweep per
// position; whatever the window has been shown of it so far.
TEST_F(Progress, SpansMoveThePositionAndSetTheCaptions) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int position;
        std::uint64_t sweeps;
        std::vector<std::string> captions;
        const char* lastCaption = nullptr;
    };
    const Case cases[] = {
        {"0 to 1000", {{0, 1000, 0}}, 1001, 1001, {}},
        {"backwards: nothing", {{150, 149, 0}}, 0, 0, {}},
        {"spans share their ends",
         {{0, 100, 0}, {100, 200, 0}},
         202,
         202,
         {"集計中 0％", "集計中 1％", "集計中 1％", "集計中 2％"}},
        {"clamped at the end, the caption with it",
         {{0, 9898, 0}, {9899, 10400, 0}},
         10000,
         10401,
         {},
         "集計中 100％"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform window;
        ProgressDialog progress(window, window);
        progress.Show();
        progress.StartOverall();
        for (const Step& step : c.steps)
            progress.Advance(static_cast<std::int16_t>(step.from),
                             static_cast<std::int16_t>(step.to));
        EXPECT_EQ(progress.Position(), c.position);
        EXPECT_EQ(progress.Sweeps(), c.sweeps);
        if (!c.captions.empty()) {
            EXPECT_EQ(window.captions, c.captions);
        }
        if (c.lastCaption) {
            ASSERT_FALSE(window.captions.empty());
            EXPECT_EQ(window.captions.back(), c.lastCaption);
            EXPECT_EQ(window.captions.size(), 101u);
        }
    }
}

// However often the run reports and however the frames fall, the window ends as it does when
// every step is drawn (a clock that passes a frame at each reading): the bar full, the captions
// from 0 % to 100 % in order, the detail bar where the last sweep left it.
TEST_F(Progress, AClosedWindowShowsWhatEveryStepWouldHaveShown) {
    auto run = [](std::int64_t perReading, FakePlatform& window) {
        window.millisecondsPerReading = perReading;
        ProgressDialog progress(window, window);
        progress.Show();
        progress.StartOverall();
        for (const Step& step : kExport) {
            progress.Advance(static_cast<std::int16_t>(step.from),
                             static_cast<std::int16_t>(step.to));
            for (int i = 0; i < step.pulses; ++i) progress.PulseDetail();
        }
        progress.Close(1);
    };
    FakePlatform everyStep;
    run(ProgressDialog::kFrameMilliseconds, everyStep);
    EXPECT_EQ(everyStep.overallPosition, 10000);
    ASSERT_FALSE(everyStep.captions.empty());
    EXPECT_EQ(everyStep.captions.front(), "集計中 0％");
    EXPECT_EQ(everyStep.captions.back(), "集計中 100％");
    EXPECT_EQ(everyStep.detailLow, 0);
    EXPECT_EQ(everyStep.detailHigh, ProgressDialog::kDetailSteps - 1);
    for (std::int64_t perReading : {0, 1, 7, 45}) {
        SCOPED_TRACE("milliseconds per clock reading: " + std::to_string(perReading));
        FakePlatform window;
        run(perReading, window);
        EXPECT_EQ(window.overallPosition, everyStep.overallPosition);
        EXPECT_EQ(window.captions, everyStep.captions);
        EXPECT_EQ(window.detailLow, everyStep.detailLow);
        EXPECT_EQ(window.detailHigh, everyStep.detailHigh);
        EXPECT_EQ(window.detailPosition, everyStep.detailPosition);
        EXPECT_EQ(window.progressEndCode, 1);
    }
}

// Each update brings the window to the front once, repaints it once and lets it handle its
// messages once: as many as the frames that passed and a few more, never as many as the sweeps
// or the captions.
TEST_F(Progress, TheWindowIsDrawnAtTheFramesPaceWhateverTheNumberOfSweeps) {
    fake.millisecondsPerReading = 1;
    dialog.Show();
    dialog.StartOverall();
    const std::int64_t start = fake.milliseconds;
    Run(kExport);
    dialog.Close(1);
    const long frames = static_cast<long>((fake.milliseconds - start) / 30) + 1;
    for (const char* call : {"BringToTop", "SetForeground", "Repaint", "HandleWaitingMessages"}) {
        SCOPED_TRACE(call);
        EXPECT_LE(fake.progressCalls[call], frames + 3);
        EXPECT_GE(fake.progressCalls[call], frames / 2);
    }
    EXPECT_LE(fake.progressCalls["SetDetailPosition"], frames + 3);
}

TEST_F(Progress, AtMostOneFramePerThirtyMilliseconds) {
    dialog.Show();
    dialog.StartOverall();
    ForgetCalls();
    fake.milliseconds = 29;
    for (int i = 0; i < 1000; ++i) dialog.PulseDetail();
    EXPECT_EQ(WindowUpdates(), 0);
    fake.milliseconds = 30;
    for (int i = 0; i < 1000; ++i) dialog.PulseDetail();
    EXPECT_EQ(WindowUpdates(), 1);
    EXPECT_EQ(fake.progressCalls["HandleWaitingMessages"], 1);
    fake.milliseconds = 59;
    dialog.Advance(1, 99);  // no hundredth: no caption
    EXPECT_EQ(WindowUpdates(), 1);
    fake.milliseconds = 60;
    dialog.PulseDetail();
    EXPECT_EQ(WindowUpdates(), 2);
    // The frame shows where the bar stands.
    EXPECT_EQ(fake.overallPosition, 99);
}

// With the clock standing still no frame falls due: the window is still brought up to date
// when it is shown, when its bar starts, before a message box and when it closes; a caption
// reaches it at once, with the bar's position, and waits for the next frame to be painted.
TEST_F(Progress, UpdatesThatDoNotWaitForAFrame) {
    dialog.Show();
    EXPECT_EQ(WindowUpdates(), 1);
    dialog.StartOverall();
    EXPECT_EQ(WindowUpdates(), 2);
    dialog.Advance(1, 250);
    EXPECT_EQ(fake.captions, (std::vector<std::string>{"集計中 1％", "集計中 2％"}));
    EXPECT_EQ(fake.overallPosition, 199);  // where the caption of 200 found the bar
    for (int i = 0; i < 500; ++i) dialog.PulseDetail();
    EXPECT_EQ(WindowUpdates(), 2);
    dialog.Refresh();
    EXPECT_EQ(WindowUpdates(), 3);
    EXPECT_EQ(fake.overallPosition, 250);
    EXPECT_EQ(fake.detailHigh, 5);
    EXPECT_EQ(fake.detailPosition, 5);
    dialog.Close(1);
    EXPECT_EQ(WindowUpdates(), 4);
    EXPECT_EQ(fake.progressCalls["Close"], 1);
}

TEST_F(Progress, AWindowNotShownOrClosedIsLeftAlone) {
    dialog.StartOverall();
    ForgetCalls();
    fake.millisecondsPerReading = 100;
    dialog.Advance(0, 500);
    for (int i = 0; i < 100; ++i) dialog.PulseDetail();
    dialog.Refresh();
    EXPECT_EQ(WindowUpdates(), 0);
    EXPECT_TRUE(fake.captions.empty());
    // Shown, it catches up at once.
    dialog.Show();
    EXPECT_EQ(fake.overallPosition, 501);
    EXPECT_EQ(fake.captions, (std::vector<std::string>{"集計中 5％"}));
    dialog.Close(1);
    ForgetCalls();
    dialog.Advance(501, 1000);
    dialog.PulseDetail();
    EXPECT_EQ(WindowUpdates(), 0);
}

}  // namespace
