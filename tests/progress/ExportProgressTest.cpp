// The export's plan as the window shows it: where the bar stands at the end of each phase, and
// the captions it went through.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "progress/ExportProgress.h"
#include "tests/doubles/FakePlatform.h"

namespace {

// The percentage a caption reads.
int PerCent(const std::string& caption) {
    int value = -1;
    std::sscanf(caption.c_str(), "%*s %d", &value);
    return value;
}

struct Case {
    const char* name;
    bool withLedger;
    std::uint32_t accounts;
    int barAtAccountsEnd;  // where the aggregation leaves the bar for the writer
    const char* lastCaption;
};

// With the ledger the accounts' shares start at 400 and stop only once the plan reaches 7000, so
// a few accounts take it up to 7400 and the writer's BASIC span runs to about 10,400, past the
// bar's end, where the caption stays at 100 %. With more than 7000 accounts a share is no
// position, and each account moves the bar by one all the same.
const Case kCases[] = {
    {"summaries only", false, 0, 1001 + 2001 + 1001 + 1001, "集計中 100％"},
    {"accounts without the ledger", false, 12, 1001 + 2001 + 1001 + 1001, "集計中 100％"},
    {"the ledger, no accounts", true, 0, 101 + 201 + 101 + 1001, "集計中 100％"},
    {"the ledger, one account", true, 1, 403 + 7001 + 1001, "集計中 100％"},
    {"the ledger, three accounts", true, 3, 403 + 3 * 2334 + 1001, "集計中 100％"},
    {"the ledger, eight accounts", true, 8, 403 + 8 * 876 + 1001, "集計中 100％"},
    {"the ledger, 7000 accounts", true, 7000, 10000, "集計中 100％"},
    {"the ledger, 7001 accounts", true, 7001, 403 + 7001 + 1001, "集計中 100％"},
};

TEST(ExportProgress, EachPhaseMovesTheBarOnAndTheRunEndsItFull) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        FakePlatform window;
        ProgressDialog dialog(window, window);
        ExportProgress plan(dialog);
        dialog.Show();
        plan.Start();

        // As the aggregation and the writer report their phases.
        std::vector<int> bar;
        plan.SummariesStarted(c.withLedger);
        plan.SummariesCursorMade();
        plan.SummariesCounted(c.accounts);
        bar.push_back(dialog.Position());
        for (std::uint32_t k = 0; k < c.accounts; ++k) {
            plan.Pulse();
            plan.AccountDone();
        }
        plan.AccountsDone();
        bar.push_back(dialog.Position());
        EXPECT_EQ(bar.back(), c.barAtAccountsEnd);
        plan.SystemWritten();
        bar.push_back(dialog.Position());
        plan.BasicWritten();
        bar.push_back(dialog.Position());
        plan.DataWritten();
        bar.push_back(dialog.Position());
        dialog.Close(1);

        for (std::size_t i = 1; i < bar.size(); ++i) EXPECT_LE(bar[i - 1], bar[i]) << i;
        // The aggregation's share ends below the writer's, unless the bar is already full.
        EXPECT_TRUE(bar[1] < bar[2] || bar[1] == ProgressDialog::kOverallEnd);
        EXPECT_EQ(window.overallPosition, ProgressDialog::kOverallEnd);
        ASSERT_FALSE(window.captions.empty());
        EXPECT_EQ(window.captions.front(), "集計中 0％");
        EXPECT_EQ(window.captions.back(), c.lastCaption);
        for (std::size_t i = 1; i < window.captions.size(); ++i)
            ASSERT_LE(PerCent(window.captions[i - 1]), PerCent(window.captions[i])) << i;
    }
}

// Without the ledger the accounts leave the bar alone: their sweeps are the only sign of them.
TEST(ExportProgress, AccountsWithoutTheLedgerOnlySweepTheDetailBar) {
    FakePlatform window;
    ProgressDialog dialog(window, window);
    ExportProgress plan(dialog);
    plan.Start();
    plan.SummariesStarted(false);
    plan.SummariesCursorMade();
    plan.SummariesCounted(5);
    const int before = dialog.Position();
    const std::uint64_t sweeps = dialog.Sweeps();
    for (int k = 0; k < 5; ++k) {
        plan.Pulse();
        plan.AccountDone();
    }
    EXPECT_EQ(dialog.Position(), before);
    EXPECT_EQ(dialog.Sweeps(), sweeps + 5);
}

}  // namespace
