// What the import window finds in a path a user drops on kcbooks.exe, and the import it runs
// from there: the books it made, summed as `show` sums them, or the refusal at the user's own
// file, line and column.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "books/Paths.h"
#include "common/Encoding.h"
#include "tools/kcbooks/FoundBooks.h"
#include "tools/kcbooks/ImportRun.h"
#include "tools/kcbooks/Show.h"

namespace {

namespace fs = std::filesystem;
using kcbooks::FindBooks;
using kcbooks::FoundBooks;
using Kind = kcbooks::FoundBooks::Kind;

const std::string kSample = KC_SAMPLE_BOOKS;
const std::string kInterchange = KC_INTERCHANGE_EXAMPLE;

std::string ReadFile(const std::string& path) {
    std::ifstream in(books::PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class FoundBooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = fs::temp_directory_path() /
                ("kc-found-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
    }
    void TearDown() override { fs::remove_all(work_); }
    std::string At(const std::string& name) const {
        return books::PathToUtf8(work_ / books::PathFromUtf8(name));
    }

    fs::path work_;
};

TEST_F(FoundBooksTest, EachKindOfDropIsFoundWithWhatItProposes) {
    // A journal saved by a spreadsheet: Shift_JIS, no openings beside it, in a folder named
    // after the company; its year starts on the first of the month of its earliest date.
    std::string sjisJournal;
    ASSERT_TRUE(sjis::Utf8ToSjis(ReadFile(kInterchange + "/journal.csv"), &sjisJournal));
    WriteFile(books::PathFromUtf8(At("株式会社つぐみ製作所/仕訳.csv")), sjisJournal);
    WriteFile(books::PathFromUtf8(At("notes.txt")), "a note, not books\n");
    // A folder whose journal is ASCII alone: its company.csv tells the encoding.
    std::string sjisCompany;
    ASSERT_TRUE(sjis::Utf8ToSjis(ReadFile(kSample + "/company.csv"), &sjisCompany));
    WriteFile(books::PathFromUtf8(At("ascii/company.csv")), sjisCompany);
    WriteFile(books::PathFromUtf8(At("ascii/journal.csv")), "entry,line,date\n1,1,20250401\n");
    const struct {
        const char* what;
        std::string path;
        Kind kind;
        std::string openings;
        sjis::TextEncoding encoding;
        std::string company;
        std::int32_t from;
        std::int32_t to;
        std::string store;
    } cases[] = {
        {"books folder", kSample, Kind::kFolder, "", sjis::TextEncoding::kUtf8,
         "株式会社さくら製作所", 20250401, 20260331, kSample + ".books"},
        {"books folder named with its final separator", kSample + "/", Kind::kFolder, "",
         sjis::TextEncoding::kUtf8, "株式会社さくら製作所", 20250401, 20260331, kSample + ".books"},
        {"books folder with an ASCII journal", At("ascii"), Kind::kFolder, "",
         sjis::TextEncoding::kSjis, "株式会社さくら製作所", 20250401, 20260331,
         At("ascii") + ".books"},
        {"journal with its openings beside it", kInterchange + "/journal.csv", Kind::kJournal,
         kInterchange + "/openings.csv", sjis::TextEncoding::kUtf8, "", 20250401, 20260331,
         kInterchange + "/journal.books"},
        {"Shift_JIS journal in the company's folder", At("株式会社つぐみ製作所/仕訳.csv"),
         Kind::kJournal, "", sjis::TextEncoding::kSjis, "株式会社つぐみ製作所", 20250401, 20260331,
         At("株式会社つぐみ製作所/仕訳.books")},
        {"openings alone are not a journal", kInterchange + "/openings.csv", Kind::kNothing, "",
         sjis::TextEncoding::kUndecided, "", 0, 0, ""},
        {"a text that is no books", At("notes.txt"), Kind::kNothing, "",
         sjis::TextEncoding::kUndecided, "", 0, 0, ""},
        {"a folder without company.csv", At("株式会社つぐみ製作所"), Kind::kNothing, "",
         sjis::TextEncoding::kUndecided, "", 0, 0, ""},
        {"nothing there", At("missing"), Kind::kNothing, "", sjis::TextEncoding::kUndecided, "", 0,
         0, ""},
    };
    for (const auto& c : cases) {
        const FoundBooks found = FindBooks(c.path);
        EXPECT_EQ(found.kind, c.kind) << c.what;
        EXPECT_EQ(books::PathFromUtf8(found.openings), books::PathFromUtf8(c.openings)) << c.what;
        EXPECT_EQ(found.encoding, c.encoding) << c.what;
        EXPECT_EQ(found.company, c.company) << c.what;
        EXPECT_EQ(found.periodFrom.value_or(0), c.from) << c.what;
        EXPECT_EQ(found.periodTo.value_or(0), c.to) << c.what;
        EXPECT_EQ(books::PathFromUtf8(found.store), books::PathFromUtf8(c.store)) << c.what;
    }
}

TEST_F(FoundBooksTest, ImportedBooksAreSummedAndRefusalsNameTheUsersFile) {
    const std::string store = At("tsugumi.books");
    convert::ConvertOptions options;
    options.journalPath = kInterchange + "/journal.csv";
    options.openingsPath = kInterchange + "/openings.csv";
    options.company = "株式会社つぐみ製作所";
    const kcbooks::ImportOutcome imported = kcbooks::ImportJournal(options, store);
    ASSERT_TRUE(imported.ok) << imported.refusal;
    EXPECT_NE(imported.report.find("total 10172000 10172000"), std::string::npos)
        << imported.report;

    books::BooksSummary summary;
    std::string error;
    ASSERT_TRUE(books::SummarizeStore(store, &summary, &error)) << error;
    EXPECT_EQ(summary.company, "株式会社つぐみ製作所");
    EXPECT_EQ(summary.periodFrom, 20250401);
    EXPECT_EQ(summary.periodTo, 20260331);
    EXPECT_GT(summary.entries, 0);
    EXPECT_EQ(summary.debits, "10,172,000");
    EXPECT_EQ(summary.credits, "10,172,000");
    EXPECT_TRUE(summary.balanced);

    // A date no calendar has, on the journal's third line: refused there, the store as it was.
    std::string journal = ReadFile(kInterchange + "/journal.csv");
    const std::size_t second = journal.find('\n') + 1;
    const std::size_t date = journal.find("2025/4/25", second);
    ASSERT_NE(date, std::string::npos);
    journal.replace(date, 9, "2025/4/31");
    WriteFile(books::PathFromUtf8(At("bad/journal.csv")), journal);
    options.journalPath = At("bad/journal.csv");
    const std::string before = ReadFile(store);
    const kcbooks::ImportOutcome refused = kcbooks::ImportJournal(options, store);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.refusal.find("bad/journal.csv, line 3, column 4"), std::string::npos)
        << refused.refusal;
    EXPECT_EQ(ReadFile(store), before);

    const kcbooks::ImportOutcome folder =
        kcbooks::ImportFolder(kSample, At("sample.books"), books::SourceEncoding::kFromBytes);
    ASSERT_TRUE(folder.ok) << folder.refusal;
    EXPECT_TRUE(folder.report.empty());
    EXPECT_FALSE(books::SummarizeStore(At("missing.books"), &summary, &error));
    EXPECT_NE(error.find("missing.books"), std::string::npos) << error;
}

}  // namespace
