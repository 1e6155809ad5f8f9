// Dates as era and Western texts over the era set of the books.

#include "aggregation/CmnProcHpr.h"
#include "ledger/Services.h"
#include "tests/books/BooksFixture.h"

namespace {

using books::test::BooksTest;
using books::test::U8;

class Dates : public BooksTest {
protected:
    void SetUp() override {
        BooksTest::SetUp();
        auto files = books::test::SampleFiles();
        files["eras.csv"] = U8(u8"first_day,name,short\n19890108,平成,H\n20190501,令和,R\n");
        ASSERT_TRUE(Import(files).ok);
        ASSERT_EQ(Login(), kLedgerOk);
    }
    CmnProcHpr dates;
};

TEST_F(Dates, EraYearsCountFromTheEraStart) {
    StGENGOINFO era{};
    std::int32_t year = 0;
    ASSERT_EQ(dates.FindEra(20190430, &era, &year), 0);
    EXPECT_STREQ(era.name, "平成");
    EXPECT_EQ(year, 31);
    ASSERT_EQ(dates.FindEra(20190501, &era, &year), 0);
    EXPECT_STREQ(era.name, "令和");
    EXPECT_EQ(year, 1);
    ASSERT_EQ(dates.FindEra(20191231, &era, &year), 0);
    EXPECT_EQ(year, 1);
    ASSERT_EQ(dates.FindEra(20200101, &era, &year), 0);
    EXPECT_EQ(year, 2);
    EXPECT_EQ(dates.FindEra(20200101, &era), 0);  // the year is optional
}

TEST_F(Dates, BeforeTheFirstEraAndBeyondTheLastDay) {
    StGENGOINFO era{};
    era.firstDay = 7;
    EXPECT_EQ(dates.FindEra(19890107, &era), -1);
    EXPECT_EQ(era.firstDay, 0);  // zero-filled in every case
    EXPECT_EQ(dates.FormatDate(19890107, 0, 0), "");
    EXPECT_EQ(dates.FormatDate(19890107, 1, 0), "");
    EXPECT_EQ(dates.FormatDate(19890107, 5, 0), "");
    EXPECT_EQ(dates.FormatDate(19890107, 2, 0), "1989/1/7");
    EXPECT_EQ(dates.FindEra(99991231, &era), 0);
    EXPECT_EQ(dates.FindEra(100000101, &era), -1);
}

TEST_F(Dates, EveryStyleAndFlag) {
    EXPECT_EQ(dates.FormatDate(20190501, 0, 0), "令和1年5月1日");
    EXPECT_EQ(dates.FormatDate(20190501, 5, 0), "令和元年5月1日");
    EXPECT_EQ(dates.FormatDate(20200105, 5, 1), "令和2年1月5日");
    EXPECT_EQ(dates.FormatDate(20200105, 1, 0), "R.2/1/5");
    EXPECT_EQ(dates.FormatDate(20200105, 1, 1), "R.02/01/05");
    EXPECT_EQ(dates.FormatDate(20230401, 2, 1), "2023/04/01");
    EXPECT_EQ(dates.FormatDate(20230401, 3, 0), "2023/4/1");
    EXPECT_EQ(dates.FormatDate(20230401, 3, 1), "2023/04/01");
    EXPECT_EQ(dates.FormatDate(20230401, 4, 1), "2023年4月1日");
    EXPECT_EQ(dates.FormatDate(20230401, 6, 0), "");
    EXPECT_EQ(dates.FormatDate(20230401, -1, 0), "");
}

TEST_F(Dates, FailingEraSetIsRecordedWithItsLocation) {
    ClAccConnect::Inst().LogOut();
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClSetGengo::Ready"] = {5104, 0};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    EXPECT_EQ(dates.FormatDate(20230401, 0, 0), "");
    EXPECT_EQ(ClMsgMgr::Inst().LastErrorCode(), 5104);
    EXPECT_EQ(ClMsgMgr::Inst().LastErrorLocation(), 319);

    config.faults.clear();
    config.faults["ClSetGengo::Walk"] = {5104, 2};
    books::ConfigureBooks(config);
    EXPECT_EQ(dates.FormatDate(20230401, 0, 0), "");
    EXPECT_EQ(ClMsgMgr::Inst().LastErrorLocation(), 339);
    EXPECT_EQ(dates.FormatDate(20230401, 4, 0), "2023年4月1日");  // no era needed
}

}  // namespace
