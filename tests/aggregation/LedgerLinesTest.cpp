// The general ledger of each account: opening, changes, counter-accounts, running balance.

#include "tests/aggregation/AggregationFixture.h"
#include "tools/generate/Generator.h"

namespace {

using books::test::U8;

constexpr std::int64_t kYen = 10000;

PeriodConditions Period(std::int16_t start, std::int16_t end, bool yearEnd) {
    return PeriodConditions::ForPositions(start, end, false, yearEnd);
}

class Ledger : public AggregationFixture {
protected:
    void Books(int introPosition = 0) {
        auto files = books::test::SampleFiles();
        files["company.csv"] =
            "data_id,data_no,name,period_from,period_to,intro_position\nD001,1,Test,20250401,"
            "20260331," +
            std::to_string(introPosition) + "\n";
        files["users.csv"] = "user_id,data_no\nu1,1\n";
        files["accounts.csv"] =
            U8(u8"data_id,code,name,label,nature,side,flag,no_ledger\n"
               u8"D001,1000000,現金,,0x80880001,D,,\n"
               u8"D001,1100000,普通預金,,0x80880002,D,,\n"
               u8"D001,1100001,A銀行,,,,,\n"
               u8"D001,1500000,仮払消費税,,0x80880810,D,,\n"
               u8"D001,3500000,仮受消費税,,0x80484010,C,,\n"
               u8"D001,5000000,資本金,,0x80288000,C,,\n"
               u8"D001,6000000,売上高,,0x40888001,C,,\n"
               u8"D001,7000000,仕入高,,0x40884001,D,,\n"
               u8"D001,7100000,とても長い名前の雑収入勘定科目です長い名前,,0x40848001,C,,\n"
               u8"D001,7200000,記録なし,,0x40882001,D,,1\n"
               u8"D001,8000000,費用合計,,0x40882000,D,2,\n"
               u8"D001,9000000,保証債務見返,,0x08000000,D,,\n");
        files["openings.csv"] =
            "data_id,code,debit,credit\nD001,1000000,1000,\nD001,5000000,,1000\n"
            "D001,6000000,,7\nD001,7000000,7,\n";
        files["journal.csv"] =
            U8(u8"data_id,entry,line,date,kind,debit_code,debit_amount,debit_tax,credit_code,"
               u8"credit_amount,credit_tax,description\n"
               u8"D001,1,1,20250410,,1000000,110,,6000000,100,10,売上 & 現金\n"
               u8"D001,2,1,20250515,,7000000,200,20,1100001,220,,仕入\n"
               u8"D001,3,1,20250601,,1000000,50,,,,,複合1\n"
               u8"D001,3,2,20250601,,,,,6000000,50,,複合2\n"
               u8"D001,4,1,20250610,,1000000,30,,6000000,30,,釣合1\n"
               u8"D001,4,2,20250610,,7000000,40,,1000000,40,,釣合2\n"
               u8"D001,5,1,20250620,,1000000,60,,,,,不釣合1\n"
               u8"D001,5,2,20250620,,7000000,15,,1000000,15,,不釣合2\n"
               u8"D001,5,3,20250620,,,,,6000000,60,,不釣合3\n"
               u8"D001,6,1,20250701,,1000000,3,,1000000,3,,振替\n"
               u8"D001,7,1,20250710,33,1100001,70,,1000000,70,,入金\n"
               u8"D001,8,1,20250720,18,1000000,80,,1100001,80,,引出\n"
               u8"D001,9,1,20250801,,1000000,9,,9000000,9,,対照\n"
               u8"D001,10,1,20250810,,1000000,5,,7100000,5,,"
               u8"説明が六十バイトちょうどになるように書いた摘要の文字列です。\n"
               u8"D001,11,1,20250901,,7200000,4,,1000000,4,,記録なし\n");
        books::ImportResult result = Import(files);
        ASSERT_TRUE(result.ok) << result.message;
        ASSERT_EQ(Login(), kLedgerOk);
    }

    int Aggregate(const PeriodConditions& period, std::int32_t taxBasis = 0,
                  std::int32_t outputLedger = 1) {
        return AggregateWith(data, period, taxBasis, outputLedger);
    }

    std::vector<const LedgerLine*> LinesOf(std::int32_t code) const {
        std::vector<const LedgerLine*> lines;
        for (std::size_t i = 0; i < ledger.size(); ++i) {
            if (ledger[i].code == code) lines.push_back(&ledger[i]);
        }
        return lines;
    }
};

TEST_F(Ledger, WithoutTheOptionNoLedgerIsRead) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12, true), 0, 0), 1);
    EXPECT_TRUE(ledger.empty());
    EXPECT_FALSE(figures.empty());
}

TEST_F(Ledger, CashLedgerWithItsCounterAccountsAndRunningBalance) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12, true)), 1);
    auto cash = LinesOf(1000000);
    struct Expected {
        const char* counter;
        std::int64_t change;
        std::int64_t balance;
    };
    const Expected expected[] = {
        {"売上高", 110, 1110},  // a simple entry
        {"諸口", 50, 1160},     // a compound line whose own totals differ
        {"売上高", 30, 1190},   // line 1 of a balanced compound entry
        {"仕入高", -40, 1150},  // a later line: the earlier lines balance
        {"諸口", 60, 1210},
        {"諸口", -15, 1195},  // a later line: the earlier lines do not balance
        {"諸口", -70, 1125},  // credited by a credit transfer (kind 33)
        {"諸口", 80, 1205},   // debited by a debit transfer (kind 18)
        {"とても長い名前の雑収入勘定科目", 5, 1210},  // cut at 30 bytes
        {"記録なし", -4, 1206},
    };
    ASSERT_EQ(cash.size(), std::size(expected));
    for (std::size_t i = 0; i < cash.size(); ++i) {
        EXPECT_STREQ(cash[i]->counterAccount, expected[i].counter) << i;
        EXPECT_EQ(cash[i]->change, expected[i].change * kYen) << i;
        EXPECT_EQ(cash[i]->balance, expected[i].balance * kYen) << i;
        EXPECT_STREQ(cash[i]->counterSubAccount, "") << i;
    }
    EXPECT_STREQ(cash[0]->description, "売上 & 現金");
    EXPECT_STREQ(cash[0]->date, "令和7年4月10日");
    EXPECT_EQ(cash[0]->voucher, 1);
    EXPECT_EQ(std::string(cash[8]->description).size(), 60u);
    // The memo line against the account outside the aggregation is in the closing, not in the
    // running balance.
    EXPECT_EQ(Figure(1000000)->closing, (1206 + 9) * kYen);
}

TEST_F(Ledger, SubAccountsByNameAndTransfersNamedOnTheirOtherSide) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12, true)), 1);
    auto bank = LinesOf(1100000);
    ASSERT_EQ(bank.size(), 3u);
    EXPECT_STREQ(bank[0]->ownSubAccount, "A銀行");
    EXPECT_STREQ(bank[0]->counterAccount, "仕入高");
    EXPECT_EQ(bank[0]->change, -220 * kYen);
    EXPECT_STREQ(bank[1]->counterAccount, "現金");  // kind 33 debits the bank: named
    EXPECT_STREQ(bank[2]->counterAccount, "現金");  // kind 18 credits the bank: named
    EXPECT_EQ(bank[2]->balance, (-220 + 70 - 80) * kYen);
}

TEST_F(Ledger, TaxAccountReachedOnlyByTax) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12, true), 0), 1);
    auto input = LinesOf(1500000);
    ASSERT_EQ(input.size(), 1u);
    EXPECT_EQ(input[0]->change, 20 * kYen);
    EXPECT_STREQ(input[0]->counterAccount, "普通預金");
    EXPECT_STREQ(input[0]->counterSubAccount, "A銀行");
    auto output = LinesOf(3500000);
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0]->change, 10 * kYen);

    ASSERT_EQ(AggregateAgain(Period(1, 12, true), 1, 1), 1);
    EXPECT_TRUE(LinesOf(1500000).empty());
    EXPECT_TRUE(LinesOf(3500000).empty());
    EXPECT_EQ(LinesOf(1000000)[0]->change, 110 * kYen);  // with tax, as it was booked
    EXPECT_EQ(LinesOf(6000000)[0]->change, 110 * kYen);
}

TEST_F(Ledger, AccountsWithoutALedger) {
    Books();
    ASSERT_EQ(Aggregate(Period(1, 12, true)), 1);
    EXPECT_TRUE(LinesOf(7200000).empty());  // no_ledger
    EXPECT_NE(Figure(8000000), nullptr);    // a total: listed, no ledger
    EXPECT_TRUE(LinesOf(8000000).empty());
    EXPECT_TRUE(LinesOf(9000000).empty());  // outside the aggregation
}

TEST_F(Ledger, OpeningBalancesByKindOfAccountAndPeriodStart) {
    Books();
    ASSERT_EQ(Aggregate(Period(4, 12, true)), 1);  // from July
    // A balance-sheet account opens with months 1 to 3; an income-statement one at 0.
    auto cash = LinesOf(1000000);
    ASSERT_FALSE(cash.empty());
    EXPECT_EQ(cash[0]->balance - cash[0]->change, (1000 + 110 + 50 + 30 - 40 + 60 - 15) * kYen);
    auto sales = LinesOf(6000000);
    ASSERT_TRUE(sales.empty());  // no sales after June
    auto purchases = LinesOf(7000000);
    EXPECT_TRUE(purchases.empty());
}

TEST_F(Ledger, IntroductionMonthDecidesTheOpeningOfOtherAccounts) {
    Books(5);
    ASSERT_EQ(Aggregate(Period(5, 12, true)), 1);
    auto sales = LinesOf(6000000);
    ASSERT_TRUE(sales.empty());
    EXPECT_EQ(Figure(6000000)->opening, 7 * kYen);  // the opening slot counts
    ASSERT_EQ(AggregateAgain(Period(6, 12, true), 0, 1), 1);
    EXPECT_EQ(Figure(6000000)->opening, 0);
}

TEST_F(Ledger, FailingLedgerCursorFailsTheAggregation) {
    Books();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClRuleMotocho::MoveNext"] = {77, 3};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    EXPECT_EQ(Aggregate(Period(1, 12, true)), StatementData::kLedgerFailed);
    EXPECT_EQ(ledger.size(), 3u);  // what was read stays
}

TEST_F(Ledger, JournalThatCannotBeReadFailsTheAggregation) {
    // The compound entries are checked in the journal: an unread entry is no balanced entry.
    Books();
    ClAccConnect::Inst().LogOut();
    CorruptTable("journal");
    ASSERT_EQ(Login(), kLedgerOk);
    EXPECT_EQ(Aggregate(Period(1, 12, true)), StatementData::kLedgerFailed);
}

TEST_F(Ledger, AccountsThatCannotBeReadFailTheAggregation) {
    // A line whose counter-account cannot be looked up would be filed without its name.
    Books();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClSetKamoku::WalkFind"] = {books::kErrStore, 0};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    EXPECT_EQ(Aggregate(Period(1, 12, true)), StatementData::kLedgerFailed);
}

TEST_F(Ledger, EraLookupFailingLeavesTheDateEmptyButWritesTheLine) {
    Books();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClSetGengo::GetCursor"] = {5104, 0};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    ASSERT_EQ(Aggregate(Period(1, 12, true)), 1);
    auto cash = LinesOf(1000000);
    ASSERT_FALSE(cash.empty());
    EXPECT_STREQ(cash[0]->date, "");
}

// Books that close an interim period. Cash is booked in April, twice in September around an
// interim line dated the 15th, once more at the interim from an August date, in October and at
// the year end; every line against sales.
class InterimLedger : public AggregationFixture {
protected:
    void SetUp() override {
        AggregationFixture::SetUp();
        std::map<std::string, std::string> files;
        files["company.csv"] =
            "data_id,data_no,name,period_from,period_to,interim_closing\n"
            "D001,1,Test,20250401,20260331,1\n";
        files["users.csv"] = "user_id,data_no\nu1,1\n";
        files["accounts.csv"] =
            U8(u8"data_id,code,name,nature,side\n"
               u8"D001,1000000,現金,0x80880001,D\n"
               u8"D001,5000000,資本金,0x80288000,C\n"
               u8"D001,6000000,売上高,0x40888001,C\n");
        files["openings.csv"] =
            "data_id,code,debit,credit\nD001,1000000,1000,\nD001,5000000,,1000\n";
        files["journal.csv"] =
            U8(u8"data_id,entry,line,date,position,debit_code,debit_amount,"
               u8"credit_code,credit_amount,description\n"
               u8"D001,1,1,20250410,,1000000,100,6000000,100,四月\n"
               u8"D001,2,1,20250910,,1000000,10,6000000,10,九月十日\n"
               u8"D001,3,1,20250915,15,1000000,7,6000000,7,中間九月\n"
               u8"D001,4,1,20250930,,1000000,20,6000000,20,九月末\n"
               u8"D001,5,1,20250831,15,1000000,3,6000000,3,中間八月\n"
               u8"D001,6,1,20251005,,1000000,40,6000000,40,十月\n"
               u8"D001,7,1,20260331,18,1000000,5,6000000,5,決算\n");
        books::ImportResult result = Import(files);
        ASSERT_TRUE(result.ok) << result.message;
    }

    // The account's lines as their descriptions, in the ledger's order.
    std::vector<std::string> Descriptions(std::int32_t code) const {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < ledger.size(); ++i) {
            if (ledger[i].code == code) lines.emplace_back(ledger[i].description);
        }
        return lines;
    }
};

// The interim settlement's lines come after the sixth month's and before the seventh's, in the
// order of their dates, whatever those dates are; a ledger from the seventh month opens with them.
TEST_F(InterimLedger, InterimLinesStandBetweenTheSixthAndTheSeventhMonth) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        std::int32_t startMonth, endMonth;  // calendar months of a year from April
        Lines cash;
        std::int64_t cashOpening;  // yen
    };
    const Case cases[] = {
        {"ending at the fifth month", 4, 8, {"四月"}, 1000},
        {"ending at the sixth month",
         4,
         9,
         {"四月", "九月十日", "九月末", "中間八月", "中間九月"},
         1000},
        {"from the fourth month to the year's end",
         7,
         3,
         {"九月十日", "九月末", "中間八月", "中間九月", "十月", "決算"},
         1100},
        {"from the seventh month", 10, 3, {"十月", "決算"}, 1140},
        {"the whole year",
         4,
         3,
         {"四月", "九月十日", "九月末", "中間八月", "中間九月", "十月", "決算"},
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Login(), kLedgerOk);
        const PeriodConditions period =
            PeriodConditions::ForMonths(*ClSetData().GetSelectedInfo(), c.startMonth, c.endMonth);
        ASSERT_EQ(AggregateAgain(period, 0, 1), 1);
        EXPECT_EQ(Descriptions(1000000), c.cash);
        EXPECT_EQ(Descriptions(6000000), c.cash);  // sales mirror cash line by line
        EXPECT_EQ(Figure(1000000)->opening, c.cashOpening * kYen);
        EXPECT_EQ(Figure(6000000)->opening, 0);  // the income statement starts anew
        // Each ledger runs from the statements' opening to their closing.
        for (std::int32_t code : {1000000, 6000000}) {
            std::int64_t balance = Figure(code)->opening;
            for (std::size_t i = 0; i < ledger.size(); ++i) {
                if (ledger[i].code != code) continue;
                balance += ledger[i].change;
                EXPECT_EQ(ledger[i].balance, balance) << code << " " << ledger[i].description;
            }
            EXPECT_EQ(balance, Figure(code)->closing) << code;
        }
    }
}

// Over generated books that close an interim period: every account's opening plus its changes
// is its closing, over the whole year and over months before, around and after the interim.
class LedgerInvariant : public AggregationFixture, public ::testing::WithParamInterface<int> {};

TEST_P(LedgerInvariant, OpeningPlusChangesIsTheClosing) {
    GenerateOptions options;
    options.entries = 3000;
    options.seed = 11;
    options.outsidePostings = false;
    std::string dir = dir_ + "/generated";
    std::string error;
    ASSERT_TRUE(GenerateBooks(dir, options, &error)) << error;
    books::ImportResult result = books::ImportBooks(dir, store_, books::SourceEncoding::kUtf8);
    ASSERT_TRUE(result.ok) << result.message;

    // Calendar months of the generated year from April.
    const std::pair<std::int32_t, std::int32_t> spans[] = {
        {4, 3}, {4, 8}, {4, 9}, {7, 12}, {10, 3}};
    for (const auto& [startMonth, endMonth] : spans) {
        SCOPED_TRACE(std::to_string(startMonth) + " to " + std::to_string(endMonth));
        ASSERT_EQ(Login("gen"), kLedgerOk);
        const PeriodConditions period =
            PeriodConditions::ForMonths(*ClSetData().GetSelectedInfo(), startMonth, endMonth);
        ASSERT_EQ(AggregateAgain(period, GetParam(), 1), 1);
        ASSERT_GT(ledger.size(), 500u);
        std::size_t line = 0;
        int accounts = 0;
        for (const auto& figure : figures) {
            if (line >= ledger.size() || ledger[line].code != figure->code) continue;
            std::int64_t balance = figure->opening;
            for (; line < ledger.size() && ledger[line].code == figure->code; ++line) {
                balance += ledger[line].change;
                ASSERT_EQ(ledger[line].balance, balance);
            }
            EXPECT_EQ(balance, figure->closing) << figure->code;
            ++accounts;
        }
        EXPECT_EQ(line, ledger.size());  // every line belongs to a listed figure, in figure order
        EXPECT_GT(accounts, 30);
    }
}

INSTANTIATE_TEST_SUITE_P(TaxBases, LedgerInvariant, ::testing::Values(0, 1));

using DamagedLedger = AggregationFixture;

TEST_F(DamagedLedger, PageThatCannotBeReadFailsTheAggregationMidway) {
    GenerateOptions options;
    options.entries = 3000;
    options.seed = 5;
    std::string dir = dir_ + "/generated";
    std::string error;
    ASSERT_TRUE(GenerateBooks(dir, options, &error)) << error;
    ASSERT_TRUE(books::ImportBooks(dir, store_, books::SourceEncoding::kUtf8).ok);
    CorruptLastPage();
    ASSERT_EQ(Login("gen"), kLedgerOk);
    // The figures do not read the ledger; the general ledger fails where the page is.
    ASSERT_EQ(AggregateWith(data, PeriodConditions::ForPositions(1, 12, false, true), 0, 0), 1);
    figures.clear();
    EXPECT_EQ(AggregateAgain(PeriodConditions::ForPositions(1, 12, false, true), 0, 1),
              StatementData::kLedgerFailed);
    EXPECT_FALSE(ledger.empty());  // accounts before the damaged page were read
}

}  // namespace
