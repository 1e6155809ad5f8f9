// An export of generated books with the general ledger, its progress watched line by line: the
// bar follows the ledger's lines and reaches its end only once the file is in place.

#include <filesystem>

#include "aggregation/LedgerReadAhead.h"
#include "report/ReportWriter.h"
#include "tests/aggregation/AggregationFixture.h"
#include "tests/host/HostFiles.h"
#include "tools/generate/Generator.h"

namespace {

// The ledger's lines as the writer takes them, with where the bar stood at each.
class WatchedLines : public LedgerLineSource {
public:
    WatchedLines(LedgerLineSource& lines, const ProgressDialog& dialog)
        : lines_(lines), dialog_(dialog) {}
    int Next(LedgerLine* line) override {
        positions.push_back(dialog_.Position());
        return lines_.Next(line);
    }
    LedgerTally Tally() const override { return lines_.Tally(); }

    std::vector<int> positions;

private:
    LedgerLineSource& lines_;
    const ProgressDialog& dialog_;
};

class LedgerProgress : public AggregationFixture {
protected:
    void SetUp() override {
        AggregationFixture::SetUp();
        GenerateOptions options;
        options.entries = 10000;
        options.seed = 5;
        std::string dir = dir_ + "/generated";
        ASSERT_NO_THROW(GenerateBooks(dir, options));
        ASSERT_TRUE(books::ImportBooks(dir, store_, books::SourceEncoding::kUtf8).ok);
        books::BooksConfig config;
        config.storePath = store_;
        config.userId = "gen";
        books::ConfigureBooks(config);
        ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    }

    // The whole year exported as the program does, the ledger read as it is written.
    void Export(std::int32_t outputLedger, WatchedLines** watched) {
        progress.Show();
        reader.SetReadWhileWritten(true);
        ASSERT_EQ(AggregateWith(data, PeriodConditions::ForPositions(1, 12, false, true), 0,
                                outputLedger),
                  1);
        files_ = MakeHostFileSystem();
        platform_ =
            std::make_unique<Platform>(Platform{*files_, fake, fake, fake, fake, fake, fake, fake});
        ahead_ = std::make_unique<LedgerReadAhead>(reader, &plan);
        lines_ = std::make_unique<WatchedLines>(*ahead_, progress);
        *watched = lines_.get();
        ReportWriter writer(*platform_, kEditionKcsakura.Names(), plan, figures, ledger);
        writer.SetLedgerSource(lines_.get());
        const std::string path = SystemPath(std::filesystem::path(dir_) / "export.xml");
        ASSERT_EQ(writer.WriteReport(path.c_str(), 3, ClSetData().GetSelectedInfo()), 1);
        ahead_->Stop();
        progress.Close(1);
    }

    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<LedgerReadAhead> ahead_;
    std::unique_ptr<WatchedLines> lines_;
};

TEST_F(LedgerProgress, TheLedgersLinesCarryTheBarAndOnlyTheFileInPlaceEndsIt) {
    WatchedLines* watched = nullptr;
    Export(1, &watched);
    const std::vector<int>& at = watched->positions;
    ASSERT_GT(at.size(), 20000u);
    for (std::size_t i = 1; i < at.size(); ++i) ASSERT_LE(at[i - 1], at[i]) << i;
    // Where the bar stood as the first line, half the lines, the last tenth and the last line
    // were taken: the ledger is most of the bar, and its last part is still well short of the
    // end.
    const int first = at.front();
    const int half = at[at.size() / 2];
    const int lastTenth = at[at.size() * 9 / 10];
    const int last = at.back();
    EXPECT_LE(first, 1500);
    EXPECT_GT(half, 3500);
    EXPECT_LT(half, 7500);
    EXPECT_GT(lastTenth, 7000);
    EXPECT_LT(lastTenth, 9500);
    EXPECT_LT(last, 9900);
    // No caption read 100 % before the file was in place; then the bar is full.
    EXPECT_EQ(progress.Position(), ProgressDialog::kOverallEnd);
    EXPECT_EQ(fake.overallPosition, ProgressDialog::kOverallEnd);
    ASSERT_FALSE(fake.captions.empty());
    EXPECT_EQ(fake.captions.back(), "集計中 100％");
    EXPECT_EQ(std::count(fake.captions.begin(), fake.captions.end(), "集計中 100％"), 1);
}

TEST_F(LedgerProgress, WithoutTheLedgerTheBarEndsWithTheFileToo) {
    WatchedLines* watched = nullptr;
    Export(0, &watched);
    EXPECT_LT(watched->positions.back(), ProgressDialog::kOverallEnd);
    EXPECT_EQ(progress.Position(), ProgressDialog::kOverallEnd);
    EXPECT_EQ(fake.captions.back(), "集計中 100％");
}

}  // namespace
