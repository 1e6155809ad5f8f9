// What the file's form fixes, as the export and kcview both read it: the labels it writes, the
// era dates, and the columns of the statement of changes. The sources' literals are Shift_JIS,
// as the texts are.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/EraDate.h"
#include "common/LedgerCounter.h"
#include "common/NetAssetsColumns.h"
#include "common/StatementLabel.h"

namespace {

TEST(StatementLabel, KeepsThirtyBytesAndDropsTheMarks) {
    const struct {
        const char* name;
        const char* written;
    } kCases[] = {
        {"賞与（製造）", "賞与製造"},
        {"(製)材料費　合計", "材料費合計"},
        {"わかば銀行 本店", "わかば銀行本店"},
        {"現金", "現金"},
        // 30 bytes kept: the fifteenth character ends them; no character is cut in two.
        {"あいうえおかきくけこさしすせそたち", "あいうえおかきくけこさしすせそ"},
        {"Aあいうえおかきくけこさしすせそ", "Aあいうえおかきくけこさしすせ"},
        // A mark past the thirtieth byte is not there to remove.
        {"あいうえおかきくけこさしすせそ（製）", "あいうえおかきくけこさしすせそ"},
        {"【】", ""},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(sjis::StatementLabel(c.name), c.written) << c.name;
    }
    EXPECT_EQ(sjis::SeveralAccounts(), "諸口");
}

TEST(EraDate, TheEraBegunByTheDateAndItsYear) {
    const std::vector<era_date::Era> eras = {{19890108, "平成", "H"}, {20190501, "令和", "R"}};
    const struct {
        std::int32_t date;
        const char* era;  // nullptr: none
        std::int32_t year;
    } kCases[] = {
        {19890107, nullptr, 0},  {19890108, "平成", 1}, {20190430, "平成", 31},
        {20190501, "令和", 1},   {20251231, "令和", 7}, {99991231, "令和", 7981},
        {100000101, nullptr, 0},
    };
    for (const auto& c : kCases) {
        const era_date::Era* era = era_date::EraOf(eras, c.date);
        if (!c.era) {
            EXPECT_EQ(era, nullptr) << c.date;
            continue;
        }
        ASSERT_NE(era, nullptr) << c.date;
        EXPECT_EQ(era->name, c.era) << c.date;
        EXPECT_EQ(era_date::EraYear(*era, c.date), c.year) << c.date;
    }
    EXPECT_EQ(era_date::EraOf({}, 20250401), nullptr);
}

TEST(EraDate, EveryStyleAsTheFileWritesIt) {
    const era_date::Era reiwa{20190501, "令和", "R"};
    EXPECT_EQ(era_date::FormatDate(20250415, 0, 0, &reiwa), "令和7年4月15日");
    EXPECT_EQ(era_date::FormatDate(20190501, 5, 0, &reiwa), "令和元年5月1日");
    EXPECT_EQ(era_date::FormatDate(20200105, 1, 1, &reiwa), "R.02/01/05");
    EXPECT_EQ(era_date::FormatDate(20250415, 2, 1, nullptr), "2025/04/15");
    EXPECT_EQ(era_date::FormatDate(20250415, 4, 0, nullptr), "2025年4月15日");
    // An era style without an era, and a style that is none, write nothing.
    EXPECT_EQ(era_date::FormatDate(20250415, 0, 0, nullptr), "");
    EXPECT_EQ(era_date::FormatDate(20250415, 6, 0, &reiwa), "");
}

TEST(NetAssetsColumns, EachColumnHasItsNameAndTheReservesAreToldApartByTheLabel) {
    int keys[net_assets::kColumns] = {};
    for (const net_assets::ColumnKey& key : net_assets::ColumnKeys()) {
        ASSERT_GE(key.column, 0);
        ASSERT_LT(key.column, net_assets::kColumns);
        ++keys[key.column];
    }
    for (int column = 0; column < net_assets::kColumns; ++column) {
        EXPECT_GT(keys[column], 0) << column;
        EXPECT_NE(std::string(net_assets::ColumnName(column)), "") << column;
    }
    EXPECT_STREQ(net_assets::ColumnName(net_assets::kRetainedEarningsColumn), "繰越利益剰余金");
    EXPECT_STREQ(net_assets::ColumnName(net_assets::kColumns), "");
    EXPECT_TRUE(net_assets::BelongsTo(4, "別途積立金"));
    EXPECT_FALSE(net_assets::BelongsTo(5, "別途積立金"));
    EXPECT_TRUE(net_assets::BelongsTo(5, "圧縮積立金"));
    EXPECT_FALSE(net_assets::BelongsTo(4, "圧縮積立金"));
    EXPECT_TRUE(net_assets::BelongsTo(0, "圧縮積立金"));
}

TEST(LedgerCounter, SeveralAccountsWhereTheLineOrTheEntryBeforeItSaysSo) {
    using ledger_counter::Counter;
    const struct {
        int side;
        int kind;
        std::int64_t debit;
        std::int64_t credit;
        int line;
        Counter counter;
    } kCases[] = {
        {2, 0, 100, 100, 1, Counter::kOtherSide},  // a one-line entry
        {1, 33, 100, 100, 1, Counter::kSeveral},   // a credit transfer, its credit side
        {2, 33, 100, 100, 1, Counter::kOtherSide},
        {2, 18, 100, 100, 1, Counter::kSeveral},  // a debit transfer, its debit side
        {3, 18, 100, 100, 1, Counter::kSeveral},
        {1, 18, 100, 100, 1, Counter::kOtherSide},
        {2, 34, 100, 0, 1, Counter::kSeveral},  // a compound line with one side blank
        {2, 34, 100, 100, 1, Counter::kOtherSide},
        {2, 34, 100, 100, 2, Counter::kAskEntry},  // a later balanced line: ask the entry
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ledger_counter::CounterOf(c.side, c.kind, c.debit, c.credit, c.line), c.counter)
            << "side " << c.side << ", kind " << c.kind << ", line " << c.line;
    }
}

}  // namespace
