// The statement sections over aggregated figures made for each case.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/report/ReportFixture.h"

namespace {

class Sections : public ReportFixture {
protected:
    void SetUp() override { writer.Open(fake.NewFile("C:\\s.xml")); }

    // A figure: closing (and by default opening 0) in ten-thousandths.
    AccountFigure& Add(std::uint32_t nature, const char* name, std::int64_t closing,
                       std::int16_t exclusion = 0, const char* label = "",
                       std::int32_t code = 10000) {
        return AddFigure(nature, name, 0, closing, exclusion, label, code);
    }
    std::string Written() { return WrittenTo("C:\\s.xml"); }
    bool Has(const std::string& text) { return Written().find(text) != std::string::npos; }
};

TEST(CleanLabel, RemovesBlanksBracketsAndMarks) {
    char out[ReportWriter::kLabelBuffer] = "unchanged";
    const char* name = "（株）テスト　商事 【本社】(未)";
    ASSERT_EQ(ReportWriter::CleanLabel(name, std::strlen(name), out), 1);
    EXPECT_STREQ(out, "株テスト商事本社");
    const char* marks = "［製品］《仕掛》(製)[製](完)[完][未]X";
    ReportWriter::CleanLabel(marks, std::strlen(marks), out);
    EXPECT_STREQ(out, "製品仕掛X");
    EXPECT_EQ(ReportWriter::CleanLabel("", 0, out), 0);
    EXPECT_STREQ(out, "製品仕掛X");  // left as it was
    // Only the given number of bytes is read.
    ReportWriter::CleanLabel("ABCDEF", 3, out);
    EXPECT_STREQ(out, "ABC");
}

TEST(CleanLabel, NeverMatchesAcrossACharacter) {
    // "ｱ" is single-byte; "\x83\x81" is a double-byte character whose trail byte 0x81 followed
    // by "\x69" would read as "（" (0x81 0x69) if matched byte by byte.
    const char* text = "\x83\x81\x69";
    char out[ReportWriter::kLabelBuffer];
    ReportWriter::CleanLabel(text, 3, out);
    EXPECT_STREQ(out, "\x83\x81\x69");
}

TEST_F(Sections, BalanceSheetWithHeadingsItemsAndTheirAmounts) {
    Add(0x80800000, "資産の部", 123456789, 2);
    Add(0x80880000, "流動資産", 0, 2);  // a heading whose balance is 0
    Add(0x80880001, "現金", 50000000);
    Add(0x80880002, "小口（未）", 9999);  // below one yen: not an item
    Add(0x80880003, "当座預金", -15000, 3);
    Add(0x80880004, "非表示", 990000, 1);  // flag 1 is never listed
    ASSERT_EQ(report.BalanceSheet(&writer), 1);
    std::string xml = Written();
    EXPECT_NE(xml.find("\t\t\t<Assets Label=\"資産の部\" Amount=\"12345\">\r\n"), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t\t\t<CurrentAssets Label=\"流動資産\" Amount=\"\">\r\n"
                       "\t\t\t\t\t<Item Label=\"現金\">5000</Item>\r\n"
                       "\t\t\t\t\t<Item Label=\"当座預金\">-1</Item>\r\n"
                       "\t\t\t\t</CurrentAssets>\r\n"),
              std::string::npos)
        << xml;
    // Sections without heading figures have no attributes.
    EXPECT_NE(xml.find("\t\t\t\t<NoncurrentAssets>\r\n\t\t\t\t\t<PropertyPlantAndEquipment>\r\n"),
              std::string::npos);
    EXPECT_NE(xml.find("\t\t\t<NetAssets>\r\n\t\t\t</NetAssets>\r\n\t\t</BalanceSheet>\r\n"),
              std::string::npos);
}

TEST_F(Sections, UnclassifiedFixedAssetWarnsOnceAndIsWrittenInEachKind) {
    report.SetOwnerWindow(7777);
    Add(0x80840000, "謎の資産", 30000000, 0, "", 1530000);
    Add(0x80840000, "少額", 5000);  // below one yen: neither warned nor written
    ASSERT_EQ(report.BalanceSheet(&writer), 1);
    std::string xml = Written();
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].owner, 7777);
    EXPECT_EQ(fake.boxes[0].caption, "決算書");
    EXPECT_EQ(fake.boxes[0].flags, 0x30u);
    EXPECT_NE(fake.boxes[0].text.find("科目コード\t： 153\r\n正式名称\t： 謎の資産\r\n"),
              std::string::npos);
    std::size_t count = 0;
    for (std::size_t at = xml.find("<Item Label=\"謎の資産\">3000</Item>"); at != std::string::npos;
         at = xml.find("<Item Label=\"謎の資産\">3000</Item>", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 3u);
    // The heading look-up takes the exact key whatever the flag: here the unclassified line.
    EXPECT_NE(xml.find("<NoncurrentAssets Label=\"謎の資産\" Amount=\"3000\">"), std::string::npos);
}

TEST_F(Sections, NoWarningWithoutAnOwnerWindow) {
    Add(0x80840008, "謎", 30000000);
    ASSERT_EQ(report.BalanceSheet(&writer), 1);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_NE(Written().find("<Item Label=\"謎\">3000</Item>"), std::string::npos);
}

TEST_F(Sections, IncomeStatementTotalsAndTaxItems) {
    Add(0x40888000, "売上高", 1000000000, 2);
    Add(0x40888001, "製品売上", 1000000000);
    Add(0x40880008, "売上総利益", 400000000, 2, "　粗利益　");
    Add(0x40880000, "営業利益", 0, 2);
    Add(0x40200001, "法人税等", 30000000);
    Add(0x40200080, "税引前", 99990000, 3);  // skipped among tax items
    Add(0x40200020, "前期繰越", 10000, 3);
    Add(0x40200010, "未処分", 10000, 3);
    ASSERT_EQ(report.IncomeStatement(&writer), 1);
    std::string xml = Written();
    EXPECT_NE(xml.find("\t\t\t<GrossProfit Label=\"粗利益\" Amount=\"40000\"></GrossProfit>\r\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(
        xml.find("\t\t\t<OperatingIncome Label=\"営業利益\" Amount=\"\"></OperatingIncome>\r\n"),
        std::string::npos);
    EXPECT_NE(xml.find("\t\t\t<IncomeTaxes>\r\n\t\t\t\t<Item "
                       "Label=\"法人税等\">3000</Item>\r\n\t\t\t</IncomeTaxes>\r\n"),
              std::string::npos)
        << xml;
    // Missing totals are left out.
    EXPECT_EQ(xml.find("NetIncome"), std::string::npos);
    EXPECT_EQ(xml.find("OrdinaryIncome"), std::string::npos);
}

TEST_F(Sections, SubcontractCostOnlyWhenItsFigureExists) {
    ASSERT_EQ(report.ScheduleCostGoodsManufactured(&writer), 1);
    EXPECT_FALSE(Has("SubcontractCost"));
    XmlWriter second;
    second.Open(fake.NewFile("C:\\t.xml"));
    Add(0x20040000, "外注費", 10000, 2);
    Add(0x20040001, "外注加工費", 10000);
    ASSERT_EQ(report.ScheduleCostGoodsManufactured(&second), 1);
    second.Close();
    EXPECT_NE(
        fake.files["C:\\t.xml"].find("\t\t\t<SubcontractCost Label=\"外注費\" Amount=\"1\">\r\n"
                                     "\t\t\t\t<Item Label=\"外注加工費\">1</Item>\r\n"
                                     "\t\t\t</SubcontractCost>\r\n"),
        std::string::npos);
}

TEST_F(Sections, AWriteFailureEndsTheStatement) {
    Add(0x80880001, "現金", 50000000);
    fake.failWriteAt = 3;
    EXPECT_EQ(report.BalanceSheet(&writer), 0);
    EXPECT_EQ(report.BalanceSheet(nullptr), 0);
}

}  // namespace
