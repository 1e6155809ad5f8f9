// The statement of changes in net assets.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/report/ReportFixture.h"

namespace {

class NetAssets : public ReportFixture {
protected:
    void SetUp() override { writer.Open(fake.NewFile("C:\\n.xml")); }

    void Add(std::uint32_t nature, const char* name, std::int64_t opening, std::int64_t movement,
             std::int16_t exclusion = 0) {
        AddFigure(nature, name, opening, opening + movement, exclusion);
    }
    int Write() {
        int ok = report.StatementChangesNetAssets(&writer);
        writer.Close();
        xml = fake.files["C:\\n.xml"];
        return ok;
    }

    std::string xml;
};

TEST_F(NetAssets, NoFiguresOnlySelect) {
    ASSERT_EQ(Write(), 1);
    EXPECT_EQ(xml,
              "\t\t<StatementChangesNetAssets>\r\n\t\t\t<Select>1</Select>\r\n\t\t</"
              "StatementChangesNetAssets>\r\n");
}

TEST_F(NetAssets, MembersEquityKindOnlyChangesSelect) {
    report.SetEquityKind(2);
    ASSERT_EQ(Write(), 1);
    EXPECT_NE(xml.find("<Select>2</Select>"), std::string::npos);
}

TEST_F(NetAssets, ColumnWithoutChangeHasNoChangesElement) {
    Add(0x80288000, "資本金", 100000000, 0);
    Add(0x80288040, "新株式申込証拠金", 20000000, 0);
    ASSERT_EQ(Write(), 1);
    EXPECT_NE(xml.find("\t\t\t<ChangesNetAssetsItem>\r\n"
                       "\t\t\t\t<AccountList>資本金</AccountList>\r\n"
                       "\t\t\t\t<BalanceEndPreviousPeriod>12000</BalanceEndPreviousPeriod>\r\n"
                       "\t\t\t\t<BalanceEndCurrentPeriod>12000</BalanceEndCurrentPeriod>\r\n"
                       "\t\t\t</ChangesNetAssetsItem>\r\n"),
              std::string::npos)
        << xml;
}

TEST_F(NetAssets, SpecialReserveIsToldApartByItsCleanedName) {
    Add(0x80281040, "別途 積立金", 50000000, 10000000);
    Add(0x80281040, "配当平均積立金", 30000000, 0);
    ASSERT_EQ(Write(), 1);
    std::size_t special = xml.find("<AccountList>別途積立金</AccountList>");
    std::size_t other = xml.find("<AccountList>任意積立金</AccountList>");
    ASSERT_NE(special, std::string::npos) << xml;
    ASSERT_NE(other, std::string::npos) << xml;
    EXPECT_LT(special, other);
    EXPECT_NE(xml.find("<BalanceEndPreviousPeriod>5000</BalanceEndPreviousPeriod>", special),
              std::string::npos);
    EXPECT_NE(
        xml.find("<TotalChangesItemsDuringPeriod>1000</TotalChangesItemsDuringPeriod>", special),
        std::string::npos);
    EXPECT_NE(xml.find("<BalanceEndPreviousPeriod>3000</BalanceEndPreviousPeriod>", other),
              std::string::npos);
}

TEST_F(NetAssets, LinesAreDividedBeforeTheyAreAdded) {
    Add(0x80282080, "資本準備金A", 9999, 0);
    Add(0x80282080, "資本準備金B", 9999, 0);
    ASSERT_EQ(Write(), 1);
    // 0.9999 + 0.9999 yen: each line counts 0, so the column is left out.
    EXPECT_EQ(xml.find("資本準備金"), std::string::npos);
}

TEST_F(NetAssets, RetainedEarningsCarriesTheNetIncomeEvenWithoutOtherChange) {
    Add(0x80281048, "繰越利益剰余金", 70000000, 0);
    Add(0x40200040, "当期純利益", 0, 25000000, 2);
    ASSERT_EQ(Write(), 1);
    EXPECT_NE(
        xml.find("\t\t\t\t<AccountList>繰越利益剰余金</AccountList>\r\n"
                 "\t\t\t\t<BalanceEndPreviousPeriod>7000</BalanceEndPreviousPeriod>\r\n"
                 "\t\t\t\t<ChangesItemsDuringPeriod>\r\n"
                 "\t\t\t\t\t<TotalChangesItemsDuringPeriod>0</TotalChangesItemsDuringPeriod>\r\n"
                 "\t\t\t\t\t<ChangesItem>\r\n"
                 "\t\t\t\t\t\t<Reason>当期純利益</Reason>\r\n"
                 "\t\t\t\t\t\t<Amount>2500</Amount>\r\n"
                 "\t\t\t\t\t</ChangesItem>\r\n"
                 "\t\t\t\t</ChangesItemsDuringPeriod>\r\n"
                 "\t\t\t\t<BalanceEndCurrentPeriod>7000</BalanceEndCurrentPeriod>\r\n"),
        std::string::npos)
        << xml;
}

TEST_F(NetAssets, ZeroRetainedEarningsColumnIsLeftOutEvenWithNetIncome) {
    Add(0x40200040, "当期純利益", 0, 25000000, 2);
    ASSERT_EQ(Write(), 1);
    EXPECT_EQ(xml.find("ChangesNetAssetsItem"), std::string::npos);
}

TEST_F(NetAssets, MissingNetIncomeFailsTheSection) {
    Add(0x80281048, "繰越利益剰余金", 70000000, 0);
    EXPECT_EQ(Write(), 0);
}

TEST_F(NetAssets, OnlyListableFiguresCount) {
    Add(0x80220000, "新株予約権", 10000, 0, 2);  // a total: not a line
    Add(0x80220000, "新株予約権", 20000, 0, 3);
    ASSERT_EQ(Write(), 1);
    EXPECT_NE(xml.find("<BalanceEndPreviousPeriod>2</BalanceEndPreviousPeriod>"), std::string::npos)
        << xml;
}

}  // namespace
