// The office's year-end in pieces: client.ini, the clients' books found, the record a second run
// reads, and the summary's rows in the order a reviewer reads them, as page and as CSV.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "native/Language.h"
#include "tools/kcoffice/Clients.h"
#include "tools/kcoffice/Office.h"
#include "tools/kcoffice/Record.h"
#include "tools/kcoffice/Summary.h"

namespace {

namespace fs = std::filesystem;
using office::Row;

TEST(OfficeCommand, TheRunIsReadAndWhatItCannotUseRefused) {
    office::OfficeRun run;
    ASSERT_TRUE(office::ParseOfficeRun({"run", "顧問先", "--month", "2026-03", "--edition", "kcqb7",
                                        "--ledger", "--jobs", "3", "-o", "事務所"},
                                       &run));
    EXPECT_EQ(run.clients, "顧問先");
    EXPECT_EQ(run.office, "事務所");
    EXPECT_EQ(office::MonthName(run.month), "2026-03");
    EXPECT_EQ(run.edition, "kcqb7");
    EXPECT_TRUE(run.ledger);
    EXPECT_EQ(run.jobs, 3);
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"import", "c", "--month", "2026-03", "-o", "o"},
        {"run", "c", "--month", "2026-3", "-o", "o"},
        {"run", "c", "--month", "2026-13", "-o", "o"},
        {"run", "c", "--month", "2026-03"},
        {"run", "--month", "2026-03", "-o", "o"},
        {"run", "c", "--month", "2026-03", "-o", "o", "--jobs", "0"},
        {"run", "c", "--month", "2026-03", "-o", "o", "--jobs", "65"},
        {"run", "c", "--month", "2026-03", "-o", "o", "--edition", "kcother"},
        {"run", "c", "d", "--month", "2026-03", "-o", "o"},
    };
    for (const std::vector<std::string>& arguments : refused) {
        office::OfficeRun ignored;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(office::ParseOfficeRun(arguments, &ignored)) << arguments.size();
        EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    }
}

TEST(ClientSettings, ValuesAreReadAndNumbersOutOfTheirRangeRefused) {
    office::ClientSettings settings;
    office::Reason why;
    ASSERT_TRUE(office::ReadClientSettings(
        "[Client]\r\nName=さくら製作所\r\nUser=yamada\r\nData=2\r\nKind=2\r\n"
        "Convert=--tax-inclusive --chart \"科目 一覧.csv\"\r\n",
        &settings, &why));
    EXPECT_EQ(settings.name, "さくら製作所");
    EXPECT_EQ(settings.user, "yamada");
    EXPECT_EQ(settings.data, 2);
    EXPECT_EQ(settings.kind, 2);
    EXPECT_EQ(settings.convert,
              (std::vector<std::string>{"--tax-inclusive", "--chart", "科目 一覧.csv"}));
    for (const char* text : {"[Client]\nKind=3\n", "[Client]\nData=0\n", "[Client]\nData=x\n"}) {
        office::ClientSettings refused;
        office::Reason reason;
        EXPECT_FALSE(office::ReadClientSettings(text, &refused, &reason)) << text;
        EXPECT_NE(reason.japanese.find("client.ini"), std::string::npos) << text;
    }
}

TEST(ClientSettings, OptionsSplitWhereBlanksStandOutsideQuotes) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {"  --a   b ", {"--a", "b"}},
        {"--chart \"a b.csv\"", {"--chart", "a b.csv"}},
        {"--company \"\"", {"--company", ""}},
        {"x\"y z\"w", {"xy zw"}},
    };
    for (const auto& [line, words] : cases) EXPECT_EQ(office::SplitOptions(line), words) << line;
}

class ClientFolders : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kc-office-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    fs::path dir_;
};

TEST_F(ClientFolders, AFolderWithoutBooksOrWithSeveralIsRefusedAndTakenInEveryMonth) {
    native::LanguageOverride english(native::Language::kEnglish);
    Write(dir_ / "empty" / "readme.txt", "nothing here\n");
    const std::string store = std::string("SQLite format 3", 16) + "not a store";
    Write(dir_ / "two" / "a.books", store);
    Write(dir_ / "two" / "b.books", store);
    Write(dir_ / "named" / "a.books", store);
    Write(dir_ / "named" / "b.books", store);
    Write(dir_ / "named" / "client.ini", "[Client]\nBooks=b.books\n");
    Write(dir_ / ".hidden" / "a.books", store);
    const std::vector<office::Client> clients = office::FindClients(dir_.string());
    ASSERT_EQ(clients.size(), 3u);
    EXPECT_EQ(clients[0].folderName, "empty");
    EXPECT_NE(clients[0].refusal.shown.find("no books"), std::string::npos);
    EXPECT_NE(clients[0].refusal.japanese.find("帳簿がありません"), std::string::npos);
    // Named in client.ini: that store alone, which is no store the books tool made.
    EXPECT_EQ(clients[1].folderName, "named");
    EXPECT_EQ(fs::path(clients[1].books).filename(), "b.books");
    EXPECT_NE(clients[1].refusal.shown.find("fiscal year"), std::string::npos);
    EXPECT_NE(clients[2].refusal.shown.find("a.books, b.books"), std::string::npos);
    for (const office::Client& client : clients) EXPECT_TRUE(office::EndsIn(client, 202603));
}

TEST(Records, WhatIsWrittenIsReadBackAndAnythingElseRefused) {
    office::Record record;
    record.inputs = {"00ff", "", "a1b2", "c3d4"};
    Row& row = record.row;
    row.name = "さくら\n製作所";
    row.exported = true;
    row.periodFrom = "20250401";
    row.periodTo = "20260331";
    row.checks = 18;
    row.failed = 1;
    row.warned = 2;
    row.notApplicable = 3;
    row.hasPrevious = true;
    row.flagged = 4;
    row.netIncome = -1234;
    row.totalAssets = 99;
    row.previousTotalAssets = 0;
    const std::optional<office::Record> read = office::ReadRecord(office::WriteRecord(record));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->inputs, record.inputs);
    EXPECT_EQ(read->row.name, "さくら 製作所");
    EXPECT_EQ(read->row.exported, true);
    EXPECT_EQ(read->row.periodTo, "20260331");
    EXPECT_EQ(read->row.failed + read->row.warned + read->row.notApplicable, 6u);
    EXPECT_EQ(read->row.flagged, 4u);
    EXPECT_EQ(read->row.netIncome, -1234);
    EXPECT_EQ(read->row.previousNetIncome, std::nullopt);
    EXPECT_EQ(read->row.previousTotalAssets, 0);
    for (const char* other : {"", "kcoffice 2\nbooks=1\n", "kcoffice 1\nno equals sign\n"})
        EXPECT_FALSE(office::ReadRecord(other)) << other;
}

TEST(Hashes, TheSameBytesGiveTheSameHashAndAChangedByteAnother) {
    office::Hash one;
    office::Hash two;
    one.Add("journal");
    two.Add("jour");
    two.Add("nal");
    EXPECT_EQ(one.Hex(), two.Hex());
    EXPECT_EQ(one.Hex().size(), 16u);
    two.Add("!");
    EXPECT_NE(one.Hex(), two.Hex());
}

std::vector<Row> SomeRows() {
    const auto row = [](const char* client, bool exported, std::size_t failed, std::size_t warned) {
        Row r;
        r.client = client;
        r.name = client;
        r.exported = exported;
        r.checks = 18;
        r.failed = failed;
        r.warned = warned;
        return r;
    };
    return {row("e-fine", true, 0, 0),   row("d-warned", true, 0, 1),
            row("c-failed", true, 2, 1), row("b-refused", false, 0, 0),
            row("a-fine", true, 0, 0),   row("a-refused", false, 0, 0)};
}

TEST(Summary, RefusedFirstThenFailedThenWarnedThenTheRestByName) {
    std::vector<Row> rows = SomeRows();
    office::SortForReview(rows);
    std::vector<std::string> order;
    for (const Row& row : rows) order.push_back(row.client);
    EXPECT_EQ(order, (std::vector<std::string>{"a-refused", "b-refused", "c-failed", "d-warned",
                                               "a-fine", "e-fine"}));
}

TEST(Summary, ThePageEscapesNamesAndLinksEachClientsFiles) {
    std::vector<Row> rows = SomeRows();
    rows[0].name = "<b>&Co";
    rows[0].client = "さくら 1";
    rows[3].reason = "帳簿がありません";
    const std::string page = office::SummaryPage(rows, 202603);
    EXPECT_NE(page.find("2026年3月決算 顧問先一覧"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;&amp;Co"), std::string::npos);
    EXPECT_EQ(page.find("<b>&Co"), std::string::npos);
    const std::string folder = "%E3%81%95%E3%81%8F%E3%82%89%201";
    EXPECT_NE(page.find("href=\"" + folder + "/" + folder + ".html\""), std::string::npos);
    // A refused client has its log and its reason, no page.
    EXPECT_NE(page.find("帳簿がありません"), std::string::npos);
    EXPECT_EQ(page.find("b-refused/b-refused.html"), std::string::npos);
    EXPECT_NE(page.find("b-refused/b-refused.log"), std::string::npos);
}

TEST(Summary, TheCsvIsUtf8WithItsMarkAndQuotesWhatNeedsIt) {
    std::vector<Row> rows = SomeRows();
    rows[0].name = "山田, \"第二\"";
    rows[0].netIncome = -5;
    const std::string csv = office::SummaryCsv({rows[0]});
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF顧問先,フォルダー,", 0), 0u);
    EXPECT_NE(csv.find("\r\n\"山田, \"\"第二\"\"\",e-fine,"), std::string::npos);
    EXPECT_NE(csv.find(",-5,"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
}

}  // namespace
