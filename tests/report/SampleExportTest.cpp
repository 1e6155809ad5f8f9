// The sample books aggregated for their whole year and written as a document: well-formed, and
// its balance sheet balances.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "aggregation/LedgerReader.h"
#include "aggregation/PeriodConditions.h"
#include "aggregation/StatementData.h"
#include "books/Books.h"
#include "books/Importer.h"
#include "report/ReportWriter.h"
#include "tests/doubles/FakePlatform.h"
#include "tests/host/HostFiles.h"
#include "tests/report/XmlLint.h"

namespace {

namespace fs = std::filesystem;

std::int64_t AmountOf(const std::string& xml, const std::string& element) {
    std::smatch match;
    std::regex pattern("<" + element + " Label=\"[^\"]*\" Amount=\"(-?[0-9]+)\">");
    if (!std::regex_search(xml, match, pattern)) {
        ADD_FAILURE() << "no amount for " << element;
        return 0;
    }
    return std::stoll(match[1]);
}

TEST(SampleExport, WholeYearDocumentIsWellFormedAndBalances) {
    fs::path dir = fs::path(::testing::TempDir()) / "kc-sample-export";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string store = (dir / "sample.books").string();
    books::ImportResult imported =
        books::ImportBooks(KC_SAMPLE_BOOKS, store, books::SourceEncoding::kUtf8);
    ASSERT_TRUE(imported.ok) << imported.message;
    books::BooksConfig config;
    config.storePath = store;
    config.userId = "yamada";
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    const StDATAINFO* company = ClSetData().GetSelectedInfo();

    const PeriodConditions year = PeriodConditions::ForMonths(*company, 4, 3);

    FakePlatform fake;
    std::unique_ptr<FileSystem> files = MakeHostFileSystem();
    Platform platform{*files, fake, fake, fake, fake, fake, fake, fake};
    ProgressDialog progress(fake, fake);
    ExportProgress plan(progress);
    plan.Start();
    AccountFigureList figures;
    LedgerLineList ledger;
    StatementData data;
    data.SetProgress(&plan);
    data.SetFigureList(&figures);
    LedgerReader reader;
    reader.SetProgress(&plan);
    reader.SetLedgerList(&ledger);
    data.SetLedgerReader(&reader);
    ASSERT_EQ(data.AggregateAccounts(0, &year, company), 1);

    ReportWriter report(platform, kEditionKcsakura.Names(), plan, figures, ledger);
    std::string path = SystemPath(dir / "sample.xml");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(report.WriteReport(path.c_str(), 3, company), 1);

    std::string xml;
    {
        std::ifstream in(dir / "sample.xml", std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        xml = content.str();
    }
    std::string complaints;
    EXPECT_TRUE(PassesXmllint(xml, &complaints)) << complaints;
    std::int64_t assets = AmountOf(xml, "Assets");
    std::int64_t liabilities = AmountOf(xml, "Liabilities");
    std::int64_t netAssets = AmountOf(xml, "NetAssets");
    EXPECT_GT(assets, 0);
    EXPECT_EQ(assets, liabilities + netAssets);
    EXPECT_NE(xml.find("<ScheduleCostGoodsManufactured>"), std::string::npos);
    EXPECT_NE(xml.find("<StatementChangesNetAssets>"), std::string::npos);
    EXPECT_EQ(progress.Position(), 10000);

    ClAccConnect::Inst().LogOut();
    books::ConfigureBooks(books::BooksConfig{});
    fs::remove_all(dir);
}

}  // namespace
