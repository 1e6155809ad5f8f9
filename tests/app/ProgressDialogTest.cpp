#include <gtest/gtest.h>

#include "app/ProgressDialog.h"
#include "tests/doubles/FakePlatform.h"

namespace {

class Progress : public ::testing::Test {
protected:
    void SetUp() override { dialog.StartOverall(); }
    FakePlatform fake;
    ProgressDialog dialog{fake};
};

TEST_F(Progress, StartsTheOverallBarAtZeroOfTenThousand) {
    EXPECT_EQ(fake.overallLow, 0);
    EXPECT_EQ(fake.overallHigh, 10000);
    EXPECT_EQ(fake.overallStep, 1);
    EXPECT_EQ(fake.overallPosition, 0);
}

TEST_F(Progress, AdvanceCountsBothEndsAndCaptionsEveryHundredth) {
    dialog.Advance(0, 1000);
    EXPECT_EQ(fake.progressCalls["OffsetOverall"], 1001);
    EXPECT_EQ(fake.overallPosition, 1001);
    ASSERT_EQ(fake.captions.size(), 11u);
    EXPECT_EQ(fake.captions.front(), "集計中 0％");
    EXPECT_EQ(fake.captions.back(), "集計中 10％");
    // Each position sweeps the detail bar: six steps, each brought to the front and repainted.
    EXPECT_EQ(fake.progressCalls["SetDetailRange"], 1001);
    EXPECT_EQ(fake.progressCalls["StepDetail"], 6006);
    EXPECT_EQ(fake.progressCalls["BringToTop"], 6006);
    EXPECT_EQ(fake.progressCalls["SetForeground"], 6006);
    EXPECT_EQ(fake.progressCalls["Repaint"], 6006 + 1001);
    EXPECT_EQ(fake.detailHigh, 5);
}

TEST_F(Progress, BackwardsRangeDoesNothing) {
    dialog.Advance(150, 149);
    EXPECT_EQ(fake.progressCalls["OffsetOverall"], 0);
    EXPECT_TRUE(fake.captions.empty());
}

TEST_F(Progress, ConsecutiveRangesShareTheirMeetingPosition) {
    dialog.Advance(0, 100);
    dialog.Advance(100, 200);
    EXPECT_EQ(fake.progressCalls["OffsetOverall"], 202);
    EXPECT_EQ(fake.captions,
              (std::vector<std::string>{"集計中 0％", "集計中 1％", "集計中 1％", "集計中 2％"}));
}

TEST_F(Progress, FullAtTenThousandAndClampedBeyond) {
    dialog.Advance(0, 9898);
    EXPECT_EQ(fake.overallPosition, 9899);
    fake.captions.clear();
    dialog.Advance(9899, 10100);
    EXPECT_EQ(fake.overallPosition, 10000);
    // The caption follows the position even past the bar's end.
    EXPECT_EQ(fake.captions,
              (std::vector<std::string>{"集計中 99％", "集計中 100％", "集計中 101％"}));
}

TEST_F(Progress, PulseSweepsTheDetailBarSixTimes) {
    dialog.PulseDetail();
    EXPECT_EQ(fake.progressCalls["StepDetail"], 6);
    EXPECT_EQ(fake.detailPosition, 5);
    EXPECT_EQ(fake.progressCalls["OffsetOverall"], 0);
}

}  // namespace
