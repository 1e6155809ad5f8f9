// The aggregation over books imported for each case, through the ledger services.

#include "tests/aggregation/AggregationFixture.h"

namespace {

using books::test::U8;

PeriodConditions Period(std::int16_t start, std::int16_t end, bool interim = false,
                        bool yearEnd = false) {
    return PeriodConditions::ForPositions(start, end, interim, yearEnd);
}

class Aggregation : public AggregationFixture {
protected:
    // Books whose amounts are the worked examples' counts of ten-thousandths: account A (a
    // balance-sheet account) and B (not carried forward) both have debit slots 0-5 of 100, 10,
    // 20, 30, 40, 50 and credit slots 0-5 of 0, 5, 5, 5, 5, 5.
    void Books(int introPosition = 0, int interimClosing = 0, const std::string& extraJournal = "",
               const std::string& extraAccounts = "", const std::string& extraOpenings = "") {
        auto files = books::test::SampleFiles();
        files["company.csv"] =
            "data_id,data_no,name,period_from,period_to,interim_closing,intro_position\n"
            "D001,1,Test,"
            "20250401,20260331," +
            std::to_string(interimClosing) + "," + std::to_string(introPosition) +
            "\nD002,2,Empty,20250401,20260331,0,0\n";
        files["users.csv"] = "user_id,data_no\nu1,1\nu2,2\n";
        files["accounts.csv"] = U8(u8"data_id,code,name,label,nature,side,flag\n"
                                   u8"D001,10000,資産A,,0x80880001,D,\n"
                                   u8"D001,20000,費用B,,0x40882001,D,\n"
                                   u8"D001,30000,売上C,,0x40888001,C,\n"
                                   u8"D001,40000,繰越利益1,,0x80202010,C,\n"
                                   u8"D001,50000,繰越利益2,,0x80202010,C,\n"
                                   u8"D001,60000,前期繰越利益,,0x40200020,C,\n"
                                   u8"D001,70000,非表示,,0x80880002,D,1\n"
                                   u8"D001,90000,相手,,0x80480001,C,\n") +
                                extraAccounts;
        std::string openings =
            "data_id,code,debit,credit\n"
            "D001,10000,0.01,\nD001,20000,0.01,\nD001,90000,,0.02\n"
            "D001,40000,,0.07\nD001,50000,,0.09\nD001,90000,0.16,\n" +
            extraOpenings;
        files["openings.csv"] = openings;
        std::string journal =
            "data_id,entry,line,date,position,debit_code,debit_amount,credit_code,credit_amount,"
            "credit_tax\n";
        int entry = 0;
        for (int month = 1; month <= 5; ++month) {
            std::string date =
                "2025" + std::string(month + 3 < 10 ? "0" : "") + std::to_string(month + 3) + "15";
            std::string debit = "0.00" + std::to_string(month);  // 10, 20, ... ten-thousandths
            for (const char* account : {"10000", "20000"}) {
                journal += "D001," + std::to_string(++entry) + ",1," + date + ",," + account + "," +
                           debit + ",90000," + debit + ",\n";
                journal += "D001," + std::to_string(++entry) + ",1," + date + ",,90000,0.0005," +
                           account + ",0.0005,\n";
            }
        }
        // Sales C: 50 yen debited, 20 yen credited in month 3.
        journal +=
            "D001,100,1,20250615,,30000,50,90000,50,\nD001,101,1,20250615,,90000,20,30000,20,\n";
        files["journal.csv"] = journal + extraJournal;
        files.erase("notes/D001/switch.txt");
        files.erase("notes/D001/layout.txt");
        books::ImportResult result = Import(files);
        ASSERT_TRUE(result.ok) << result.message;
    }

    int Aggregate(const PeriodConditions& period, std::int32_t taxBasis = 0,
                  const char* user = "u1") {
        if (Login(user) != kLedgerOk) return -9999;
        return AggregateWith(data, period, taxBasis, 0);
    }
};

TEST_F(Aggregation, CarriedForwardAccountOpensWithTheMonthsBeforeTheStart) {
    Books();
    ASSERT_EQ(Aggregate(Period(3, 5)), 1);
    const AccountFigure* a = Figure(10000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->opening, 120);
    EXPECT_EQ(a->closing, 225);
    EXPECT_EQ(a->movement, 105);
    EXPECT_STREQ(a->name, "資産A");
    EXPECT_EQ(a->nature, 0x80880001u);
    // Not carried forward, the period not starting at the data's start: no opening.
    const AccountFigure* b = Figure(20000);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->opening, 0);
    EXPECT_EQ(b->closing, 105);
    EXPECT_EQ(b->movement, 105);
}

TEST_F(Aggregation, CreditSideAccountMovesNegativeOnDebits) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    const AccountFigure* c = Figure(30000);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->opening, 0);
    EXPECT_EQ(c->movement, -300000);
    EXPECT_EQ(c->closing, -300000);
}

TEST_F(Aggregation, OpeningSlotCountsForEveryAccountWhenThePeriodStartsAtTheDataStart) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    EXPECT_EQ(Figure(20000)->opening, 100);
    EXPECT_EQ(Figure(20000)->closing, 100 + 150 - 25);
}

TEST_F(Aggregation, IntroductionMonthMovesTheDataStart) {
    Books(4);
    ASSERT_EQ(Aggregate(Period(4, 12)), 1);
    EXPECT_EQ(Figure(20000)->opening, 100);
    ASSERT_EQ(AggregateAgain(Period(5, 12), 0), 1);
    EXPECT_EQ(Figure(20000)->opening, 0);
}

TEST_F(Aggregation, LaterRetainedEarningsAccountIsCarriedWhenThePeriodStartsLater) {
    Books();
    ASSERT_EQ(Aggregate(Period(2, 12)), 1);
    EXPECT_EQ(Figure(60000)->closing, 900);  // the second 0x80202010 account's opening
    EXPECT_EQ(Figure(60000)->opening, 0);
    EXPECT_EQ(Figure(60000)->movement, 0);
}

TEST_F(Aggregation, NoCarryWhenThePeriodStartsAtTheDataStart) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    EXPECT_EQ(Figure(60000)->closing, 0);
}

TEST_F(Aggregation, ExcludedAccountIsNotListed) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    EXPECT_EQ(Figure(70000), nullptr);
    EXPECT_EQ(figures.size(), 7u);
}

// The interim settlement stands between the sixth and the seventh month: months that hold the
// sixth move by it, months after it open with it where the account is carried forward. A (carried
// forward) gets 700 and B (not carried) 400 at the interim, A 20 in October and 300 at the year
// end.
TEST_F(Aggregation, InterimSettlementCountsBetweenTheSixthAndTheSeventhMonth) {
    Books(0, 1,
          "D001,200,1,20250930,15,10000,0.07,90000,0.07,\n"
          "D001,202,1,20250930,15,20000,0.04,90000,0.04,\n"
          "D001,203,1,20251015,,10000,0.002,90000,0.002,\n"
          "D001,201,1,20260331,18,10000,0.03,90000,0.03,\n");
    struct Case {
        const char* name;
        std::int32_t startMonth, endMonth;  // calendar months of a year from April
        std::int64_t aOpening, aClosing, bOpening, bClosing;
    };
    const Case cases[] = {
        {"ending at the fifth month: before the interim", 4, 8, 100, 225, 100, 225},
        {"ending at the sixth month", 4, 9, 100, 225 + 700, 100, 225 + 400},
        {"from the fourth month to the year's end", 7, 3, 145, 145 + 110 - 10 + 700 + 300, 0,
         90 - 10 + 400},
        {"from the seventh month: the interim is brought forward", 10, 3, 225 + 700,
         225 + 700 + 20 + 300, 0, 0},
        {"the whole year", 4, 3, 100, 225 + 700 + 20 + 300, 100, 225 + 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Login("u1"), kLedgerOk);
        const PeriodConditions period =
            PeriodConditions::ForMonths(*ClSetData().GetSelectedInfo(), c.startMonth, c.endMonth);
        ASSERT_EQ(AggregateAgain(period), 1);
        EXPECT_EQ(Figure(10000)->opening, c.aOpening);
        EXPECT_EQ(Figure(10000)->closing, c.aClosing);
        EXPECT_EQ(Figure(20000)->opening, c.bOpening);
        EXPECT_EQ(Figure(20000)->closing, c.bClosing);
    }
}

TEST_F(Aggregation, YearEndSlotWhenTheConditionsCarryPosition18) {
    Books(0, 0, "D001,201,1,20260331,18,10000,0.03,90000,0.03,\n");
    ASSERT_EQ(Aggregate(Period(1, 12, false, true)), 1);
    EXPECT_EQ(Figure(10000)->closing, 100 + 150 - 25 + 300);
    ASSERT_EQ(AggregateAgain(Period(1, 12), 0), 1);
    EXPECT_EQ(Figure(10000)->closing, 100 + 150 - 25);
}

TEST_F(Aggregation, TaxBasisChoosesTheSecondSet) {
    Books(0, 0, "D001,300,1,20250415,,10000,1.1,30000,1,0.1\n",
          U8(u8"D001,80000,仮受消費税,,0x80484010,C,\n"));
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    EXPECT_EQ(Figure(30000)->closing, -300000 + 10000);
    EXPECT_EQ(Figure(80000)->closing, 1000);
    ASSERT_EQ(AggregateAgain(Period(1, 12), 1), 1);
    EXPECT_EQ(Figure(30000)->closing, -300000 + 11000);
    EXPECT_EQ(Figure(80000)->closing, 0);
}

// The aggregation's share of the bar: the summaries, an equal share per account, and the
// accounts' end; the writer goes on from there.
TEST_F(Aggregation, TheBarStandsWhereTheAggregationsPhasesLeaveIt) {
    struct Case {
        const char* user;
        std::int32_t outputLedger;
        int position;
        const char* caption;
    };
    // The bar stands one past the plan: its first move starts at 0.
    const Case cases[] = {
        {"u2", 0, 8001, "集計中 80％"},
        {"u1", 0, 8001, "集計中 80％"},
        {"u2", 1, 1001, "集計中 10％"},
        {"u1", 1, 1001, "集計中 10％"},
    };
    Books();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + (c.outputLedger ? " with the ledger" : ""));
        ASSERT_EQ(Login(c.user), kLedgerOk);
        figures.clear();
        ledger.clear();
        StatementData aggregation;
        ASSERT_EQ(AggregateWith(aggregation, Period(1, 12), 0, c.outputLedger), 1);
        EXPECT_EQ(progress.Position(), c.position);
        EXPECT_STREQ(progress.Caption(), c.caption);
    }
}

TEST_F(Aggregation, FailingCursorReadKeepsWhatWasAppended) {
    Books();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClRuleKamoku::MoveNext"] = {77, 2};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    data.SetFigureList(&figures);
    PeriodConditions year = Period(1, 12);
    EXPECT_EQ(data.AggregateAccounts(0, &year, ClSetData().GetSelectedInfo()), 77);
    EXPECT_EQ(figures.size(), 2u);
}

TEST_F(Aggregation, CursorThatCannotCountFailsWithNothingAppended) {
    Books();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClRuleKamoku::GetSumCount"] = {77, 0};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    data.SetFigureList(&figures);
    PeriodConditions year = Period(1, 12);
    EXPECT_EQ(data.AggregateAccounts(0, &year, ClSetData().GetSelectedInfo()), 0);
    EXPECT_TRUE(figures.empty());
}

TEST_F(Aggregation, BalanceReachingTenToTheEighteenthFailsWithItsOwnCode) {
    // An opening of 10^18 - 1 ten-thousandths and one more in April.
    Books(0, 0, "D001,400,1,20250410,,10000,0.0001,90000,0.0001,\n", "",
          "D001,10000,99999999999999.9999,\nD001,90000,,99999999999999.9999\n");
    EXPECT_EQ(Aggregate(Period(1, 12)), StatementData::kAmountOverflow);
    EXPECT_TRUE(figures.empty());  // the first account overflowed
}

TEST_F(Aggregation, NamesAreCutAt30BytesWithoutSplittingACharacter) {
    // "X" and fifteen double-byte characters: byte 30 is a lead byte.
    Books(0, 0, "", U8(u8"D001,110000,X１２３４５６７８９０１２３４５,,0x80880004,D,\n"));
    ASSERT_EQ(Aggregate(Period(1, 12)), 1);
    const AccountFigure* cut = Figure(110000);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(std::string(cut->name), "X１２３４５６７８９０１２３４");
}

}  // namespace
