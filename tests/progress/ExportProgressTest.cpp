// The export's plan as the window shows it: where the bar stands at the end of each phase, how
// the general ledger's reading moves it, and the captions it went through.

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

class Plan : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.Show();
        plan.Start();
    }
    // The aggregation's phases over `accounts` accounts.
    void Aggregate(bool withLedger, std::uint32_t accounts) {
        plan.SummariesStarted(withLedger);
        plan.SummariesCursorMade();
        plan.SummariesCounted(accounts);
        for (std::uint32_t k = 0; k < accounts; ++k) {
            plan.Pulse();
            plan.AccountDone();
        }
        plan.AccountsDone();
    }
    void ExpectCaptionsClimbFromNoneToAll() {
        ASSERT_FALSE(window.captions.empty());
        EXPECT_EQ(window.captions.front(), "集計中 0％");
        EXPECT_EQ(window.captions.back(), "集計中 100％");
        for (std::size_t i = 1; i < window.captions.size(); ++i)
            ASSERT_LT(PerCent(window.captions[i - 1]), PerCent(window.captions[i])) << i;
    }

    FakePlatform window;
    ProgressDialog dialog{window, window};
    ExportProgress plan{dialog};
};

struct PhaseCase {
    const char* name;
    bool withLedger;
    std::uint32_t accounts;
    // Where the plan stands after the summaries, the accounts, SYSTEM, BASIC and DATA.
    int counted, accountsDone, system, basic, data;
};

// The bar stands one past the plan (its first move starts at 0) and stops at its end.
const PhaseCase kPhases[] = {
    {"summaries only", false, 0, 6000, 8000, 8500, 9000, 9900},
    {"accounts without the ledger", false, 12, 6000, 8000, 8500, 9000, 9900},
    {"the ledger, no accounts", true, 0, 400, 1000, 1050, 1100, 9900},
    {"the ledger, one account", true, 1, 400, 1000, 1050, 1100, 9900},
    {"the ledger, 7001 accounts", true, 7001, 400, 1000, 1050, 1100, 9900},
};

TEST_F(Plan, EachPhaseEndsAtItsMarkAndTheFileInPlaceEndsTheBar) {
    for (const PhaseCase& c : kPhases) {
        SCOPED_TRACE(c.name);
        window.captions.clear();
        plan.Start();
        plan.SummariesStarted(c.withLedger);
        plan.SummariesCursorMade();
        plan.SummariesCounted(c.accounts);
        EXPECT_EQ(plan.Position(), c.counted);
        EXPECT_EQ(dialog.Position(), c.counted + 1);
        for (std::uint32_t k = 0; k < c.accounts; ++k) plan.AccountDone();
        EXPECT_EQ(plan.Position(), c.accounts ? c.accountsDone : c.counted);
        plan.AccountsDone();
        EXPECT_EQ(plan.Position(), c.accountsDone);
        plan.SystemWritten();
        EXPECT_EQ(plan.Position(), c.system);
        plan.BasicWritten();
        EXPECT_EQ(plan.Position(), c.basic);
        plan.DataWritten();
        EXPECT_EQ(plan.Position(), c.data);
        EXPECT_LT(dialog.Position(), ProgressDialog::kOverallEnd);
        plan.FileInPlace();
        EXPECT_EQ(dialog.Position(), ProgressDialog::kOverallEnd);
        dialog.Close(1);
        EXPECT_EQ(window.overallPosition, ProgressDialog::kOverallEnd);
        ExpectCaptionsClimbFromNoneToAll();
        dialog.Show();
    }
}

// Each account takes an equal share of the accounts' span, the last one ending it exactly.
TEST_F(Plan, AccountsShareTheirSpanEqually) {
    plan.SummariesStarted(true);
    plan.SummariesCursorMade();
    plan.SummariesCounted(3);
    std::vector<int> shares;
    for (int k = 0; k < 4; ++k) {  // one account more than counted moves nothing
        plan.AccountDone();
        shares.push_back(plan.Position());
    }
    EXPECT_EQ(shares, (std::vector<int>{600, 800, 1000, 1000}));
}

// The ledger's lines move the bar over its span as they are read, by the reader's estimate of
// the lines ahead: never back, and to the span's end with the last line only.
TEST_F(Plan, TheLedgersLinesMoveTheBarToTheSpansEndWithTheLastLine) {
    Aggregate(true, 4);
    plan.SystemWritten();
    plan.BasicWritten();
    // Four accounts of 100 lines each, each moving 1000 yen: the estimate is right all along.
    LedgerTally tally;
    tally.accounts = 4;
    tally.movement = 4000;
    std::vector<int> positions;
    for (std::uint32_t account = 0; account < 4; ++account) {
        ++tally.accountsOpened;
        tally.movementOpened += 1000;
        tally.linesCounted += 100;
        for (int line = 0; line < 100; ++line) {
            ++tally.linesRead;
            plan.LedgerRead(tally);
            positions.push_back(plan.Position());
        }
    }
    // 1100 to 9800: 8700 positions, 21.75 a line.
    EXPECT_NEAR(positions[99], 1100 + 2175, 1);
    EXPECT_NEAR(positions[199], 1100 + 4350, 1);
    EXPECT_NEAR(positions[398], 1100 + 8678, 1);
    EXPECT_EQ(positions.back(), 9800);
    for (std::size_t i = 1; i < positions.size(); ++i) ASSERT_LE(positions[i - 1], positions[i]);
    // The same tally again, or an older one, moves nothing.
    plan.LedgerRead(tally);
    EXPECT_EQ(plan.Position(), 9800);
    plan.DataWritten();
    plan.FileInPlace();
    EXPECT_EQ(dialog.Position(), ProgressDialog::kOverallEnd);
}

// An estimate too low runs the bar ahead, but never to the span's end before the last line; one
// too high holds it back, and the rest of the span goes to the lines found to remain.
TEST_F(Plan, AWrongEstimateNeverEndsTheLedgerEarly) {
    Aggregate(true, 2);
    plan.SystemWritten();
    plan.BasicWritten();
    LedgerTally tally;
    tally.accounts = 2;
    tally.movement = 2000;
    // The first account moves most of the yen but holds 10 lines; the second holds 990.
    tally.accountsOpened = 1;
    tally.movementOpened = 1900;
    tally.linesCounted = 10;
    tally.linesRead = 10;
    plan.LedgerRead(tally);
    const int afterFirst = plan.Position();
    EXPECT_GT(afterFirst, 9000);  // it seemed nearly done
    tally.accountsOpened = 2;
    tally.movementOpened = 2000;
    tally.linesCounted = 1000;
    for (int line = 0; line < 989; ++line) {
        ++tally.linesRead;
        plan.LedgerRead(tally);
        ASSERT_LT(plan.Position(), 9800) << line;
    }
    ++tally.linesRead;
    plan.LedgerRead(tally);
    EXPECT_EQ(plan.Position(), 9800);
}

// Before BASIC is written no tally moves the bar: the accounts' span is the aggregation's.
TEST_F(Plan, TalliesBeforeTheWriterReachesTheLedgerMoveNothing) {
    plan.SummariesStarted(true);
    LedgerTally tally{100, 100, 1, 1, 0, 0};
    plan.LedgerRead(tally);
    EXPECT_EQ(plan.Position(), 0);
}

TEST(LedgerTally, LinesAheadByMovementOrByAccount) {
    struct Case {
        const char* name;
        LedgerTally tally;
        std::uint64_t ahead;
    };
    const Case cases[] = {
        {"nothing opened", {0, 0, 0, 5, 0, 500}, 0},
        {"all opened", {40, 100, 5, 5, 500, 500}, 60},
        {"by movement", {10, 100, 1, 3, 200, 1000}, 90 + 400},
        {"opened ones moved nothing: by account", {10, 100, 2, 6, 0, 300}, 90 + 200},
        {"the others move nothing", {10, 100, 2, 6, 300, 300}, 90},
        {"read past the count", {120, 100, 1, 1, 0, 0}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.tally.LinesAhead(), c.ahead) << c.name;
}

}  // namespace
