// The general-ledger section: account blocks merged with their lines.

#include <gtest/gtest.h>

#include <cstring>

#include "common/AccountCategory.h"
#include "tests/report/ReportFixture.h"

namespace {

class LedgerSection : public ReportFixture {
protected:
    void Figure(std::int32_t code, const char* name, std::uint32_t nature, std::int64_t opening,
                std::int64_t closing) {
        AddFigure(nature, name, opening, closing, 0, "", code);
    }
    void Line(std::int32_t code, const char* counter, const char* counterSub,
              const char* description, std::int64_t change, std::int64_t balance) {
        LedgerLine& line = ledger.Append();
        line.code = code;
        line.voucher = 12;
        std::strcpy(line.date, "令和7年4月1日");
        std::strncpy(line.counterAccount, counter, 30);
        std::strncpy(line.counterSubAccount, counterSub, 30);
        std::strncpy(line.description, description, 60);
        line.change = change;
        line.balance = balance;
    }
    std::string Write() {
        writer.Open(fake.NewFile("C:\\l.xml"));
        result = report.WriteLedgerAccounts(writer);
        writer.Close();
        return fake.files["C:\\l.xml"];
    }

    int result = -1;
};

TEST_F(LedgerSection, AccountsWithLinesGetABlockEachInFigureOrder) {
    Figure(10000, "現金", 0x80880001, 0, 990000);
    Figure(20000, "預金（未）", 0x80880002, 50000, 50000);  // no lines: no block
    Figure(30000, "売上高", 0x40888001, 0, -123450);
    Line(10000, "諸口", "", "A&B", -12345, 987655);
    Line(30000, "売掛金", "【得意先】", "", 123450, 123450);
    EXPECT_EQ(Write(),
              "\t\t<HJ00780S>\r\n"
              "\t\t\t<HJ00780S01>\r\n"
              "\t\t\t\t<HJ00780S0010>現金</HJ00780S0010>\r\n"
              "\t\t\t\t<HJ00780S0020>流動資産</HJ00780S0020>\r\n"
              "\t\t\t\t<HJ00780S0030>0</HJ00780S0030>\r\n"
              "\t\t\t\t<HJ00780S0040>99</HJ00780S0040>\r\n"
              "\t\t\t\t<HJ00780S02>\r\n"
              "\t\t\t\t\t<HJ00780S0050>12</HJ00780S0050>\r\n"
              "\t\t\t\t\t<HJ00780S0060>令和7年4月1日</HJ00780S0060>\r\n"
              "\t\t\t\t\t<HJ00780S0070></HJ00780S0070>\r\n"
              "\t\t\t\t\t<HJ00780S0080>諸口</HJ00780S0080>\r\n"
              "\t\t\t\t\t<HJ00780S0090></HJ00780S0090>\r\n"
              "\t\t\t\t\t<HJ00780S0100>A&amp;B</HJ00780S0100>\r\n"
              "\t\t\t\t\t<HJ00780S0110>-1</HJ00780S0110>\r\n"
              "\t\t\t\t\t<HJ00780S0120>98</HJ00780S0120>\r\n"
              "\t\t\t\t</HJ00780S02>\r\n"
              "\t\t\t</HJ00780S01>\r\n"
              "\t\t\t<HJ00780S01>\r\n"
              "\t\t\t\t<HJ00780S0010>売上高</HJ00780S0010>\r\n"
              "\t\t\t\t<HJ00780S0020>売上高</HJ00780S0020>\r\n"
              "\t\t\t\t<HJ00780S0030>0</HJ00780S0030>\r\n"
              "\t\t\t\t<HJ00780S0040>-12</HJ00780S0040>\r\n"
              "\t\t\t\t<HJ00780S02>\r\n"
              "\t\t\t\t\t<HJ00780S0050>12</HJ00780S0050>\r\n"
              "\t\t\t\t\t<HJ00780S0060>令和7年4月1日</HJ00780S0060>\r\n"
              "\t\t\t\t\t<HJ00780S0070></HJ00780S0070>\r\n"
              "\t\t\t\t\t<HJ00780S0080>売掛金</HJ00780S0080>\r\n"
              "\t\t\t\t\t<HJ00780S0090>得意先</HJ00780S0090>\r\n"
              "\t\t\t\t\t<HJ00780S0100></HJ00780S0100>\r\n"
              "\t\t\t\t\t<HJ00780S0110>12</HJ00780S0110>\r\n"
              "\t\t\t\t\t<HJ00780S0120>12</HJ00780S0120>\r\n"
              "\t\t\t\t</HJ00780S02>\r\n"
              "\t\t\t</HJ00780S01>\r\n"
              "\t\t</HJ00780S>\r\n");
    EXPECT_EQ(result, 1);
}

TEST_F(LedgerSection, EmptyLedgerWritesNothing) {
    Figure(10000, "現金", 0x80880001, 0, 990000);
    EXPECT_EQ(Write(), "");
    EXPECT_EQ(result, 1);
}

TEST_F(LedgerSection, AWriteFailureEndsTheSection) {
    Figure(10000, "現金", 0x80880001, 0, 990000);
    Line(10000, "諸口", "", "", 10000, 10000);
    fake.failWriteAt = 5;
    Write();
    EXPECT_EQ(result, 0);
}

// Lines handed over one at a time, as the books hand them while the file is written; the
// source can fail after a number of lines.
class StreamedLines : public LedgerLineSource {
public:
    StreamedLines(const LedgerLineList& lines, std::size_t failAfter)
        : lines_(lines), failAfter_(failAfter) {}
    int Next(LedgerLine* line) override {
        ++calls;
        if (next_ == failAfter_) return -1;
        if (next_ >= lines_.size()) return 0;
        *line = lines_[next_++];
        return 1;
    }
    LedgerTally Tally() const override { return LedgerTally{next_, lines_.size(), 1, 1}; }
    int calls = 0;

private:
    const LedgerLineList& lines_;
    std::size_t next_ = 0;
    std::size_t failAfter_;
};

TEST_F(LedgerSection, StreamedLinesWriteTheSameSectionAsCollectedOnes) {
    Figure(10000, "現金", 0x80880001, 0, 990000);
    Figure(30000, "売上高", 0x40888001, 0, -123450);
    Line(10000, "諸口", "", "A&B", -12345, 987655);
    Line(10000, "売上高", "", "", 10000, 997655);
    Line(30000, "売掛金", "【得意先】", "", 123450, 123450);
    std::string collected = Write();
    ASSERT_EQ(result, 1);
    LedgerLineList copy;
    for (std::size_t i = 0; i < ledger.size(); ++i) copy.Append() = ledger[i];
    ledger.clear();
    StreamedLines streamed(copy, static_cast<std::size_t>(-1));
    report.SetLedgerSource(&streamed);
    fake.files.erase("C:\\l.xml");
    EXPECT_EQ(Write(), collected);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(streamed.calls, 4);  // three lines and the end
}

TEST_F(LedgerSection, AnUnreadableLineFailsTheSectionEvenAfterTheLastAccount) {
    Figure(10000, "現金", 0x80880001, 0, 990000);
    Line(10000, "諸口", "", "", 10000, 10000);
    Line(90000, "未掲載", "", "", 10000, 10000);  // no figure: read, never written
    for (std::size_t failAfter : {0u, 1u, 2u}) {
        StreamedLines streamed(ledger, failAfter);
        report.SetLedgerSource(&streamed);
        fake.files.erase("C:\\l.xml");
        Write();
        EXPECT_EQ(result, 0) << "failing after " << failAfter << " lines";
    }
}

TEST(LedgerCategory, FirstMatchingRowInTableOrder) {
    EXPECT_STREQ(ledger_category::CategoryOf(0x80880810), "流動資産");
    EXPECT_STREQ(ledger_category::CategoryOf(0x80800008), "流動資産");
    EXPECT_STREQ(ledger_category::CategoryOf(0x80800001), "資産の部");
    EXPECT_STREQ(ledger_category::CategoryOf(0x80248000),
                 "評価\xA5換算差額等");  // a half-width dot
    EXPECT_STREQ(ledger_category::CategoryOf(0x40848001), "営業外収益");
    EXPECT_STREQ(ledger_category::CategoryOf(0x40840001), "営業外損益");
    EXPECT_STREQ(ledger_category::CategoryOf(0x20100008), "仕掛品");
    EXPECT_STREQ(ledger_category::CategoryOf(0x08000080), "集計対象外");
    EXPECT_STREQ(ledger_category::CategoryOf(0x00000001), "");
}

}  // namespace
