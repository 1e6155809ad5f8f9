// The ledger read on a second thread hands the writer what reading it directly would: the same
// lines, the same pulses of the detail bar between them, the same end or failure.

#include <cstring>

#include "aggregation/LedgerReadAhead.h"
#include "tests/aggregation/AggregationFixture.h"
#include "tools/generate/Generator.h"

namespace {

// A short lead, so that these books pass through it many times over and spent batches are
// filled again.
constexpr std::size_t kLead = 2;

// What the writer saw: each line's account and balance, and how often the detail bar had
// stepped when the line (or the end) arrived.
struct Seen {
    std::vector<std::int32_t> codes;
    std::vector<std::int64_t> balances;
    std::vector<std::string> descriptions;
    std::vector<std::uint64_t> sweepsAtLine;
    // The reader's tally as each line (or the end) arrived: lines read and counted so far.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> tallies;
    int end = 1;
};

class ReadAhead : public AggregationFixture {
protected:
    void SetUp() override {
        AggregationFixture::SetUp();
        GenerateOptions options;
        options.entries = 3000;  // more lines than the reader may run ahead
        options.seed = 11;
        std::string dir = dir_ + "/generated";
        ASSERT_NO_THROW(GenerateBooks(dir, options));
        ASSERT_TRUE(books::ImportBooks(dir, store_, books::SourceEncoding::kUtf8).ok);
    }

    void LogIn(const std::map<std::string, books::Fault>& faults = {}) {
        books::BooksConfig config;
        config.storePath = store_;
        config.userId = "gen";
        config.faults = faults;
        books::ConfigureBooks(config);
        ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    }

    // An aggregation whose ledger is left to `ledgerReader` to be read as it is written.
    void Aggregate(LedgerReader& ledgerReader) {
        ledgerReader.SetReadWhileWritten(true);
        StatementData aggregation;
        ASSERT_EQ(AggregateWith(aggregation, ledgerReader,
                                PeriodConditions::ForPositions(1, 12, false, true), 0, 1),
                  1);
    }

    Seen ReadAll(LedgerLineSource& source, std::size_t limit = SIZE_MAX) {
        Seen seen;
        LedgerLine line{};
        while (seen.codes.size() < limit) {
            int rc = source.Next(&line);
            seen.sweepsAtLine.push_back(progress.Sweeps());
            seen.tallies.emplace_back(source.Tally().linesRead, source.Tally().linesCounted);
            if (rc != 1) {
                seen.end = rc;
                break;
            }
            seen.codes.push_back(line.code);
            seen.balances.push_back(line.balance);
            seen.descriptions.emplace_back(line.description);
        }
        return seen;
    }
};

TEST_F(ReadAhead, HandsOverTheLinesAndPulsesOfReadingDirectly) {
    LogIn();
    LedgerReader direct;
    Aggregate(direct);
    const std::uint64_t before = progress.Sweeps();
    Seen expected = ReadAll(direct);
    ASSERT_EQ(expected.end, 0);
    ASSERT_GT(expected.codes.size(), (kLead + 2) * LedgerReadAhead::kBatchLines);
    for (std::uint64_t& steps : expected.sweepsAtLine) steps -= before;

    LedgerReader threaded;
    Aggregate(threaded);
    const std::uint64_t start = progress.Sweeps();
    LedgerReadAhead ahead(threaded, &plan, kLead);
    Seen seen = ReadAll(ahead);
    for (std::uint64_t& steps : seen.sweepsAtLine) steps -= start;

    EXPECT_EQ(seen.end, 0);
    EXPECT_EQ(seen.codes, expected.codes);
    EXPECT_EQ(seen.balances, expected.balances);
    EXPECT_EQ(seen.descriptions, expected.descriptions);
    EXPECT_EQ(seen.sweepsAtLine, expected.sweepsAtLine);
    EXPECT_EQ(seen.tallies, expected.tallies);
    // At the end every line the books counted was read.
    ASSERT_FALSE(seen.tallies.empty());
    EXPECT_EQ(seen.tallies.back().first, seen.tallies.back().second);
    EXPECT_GE(seen.tallies.back().first, seen.codes.size());
    EXPECT_EQ(ahead.Tally().LinesAhead(), 0u);
    EXPECT_FALSE(ahead.LedgerFailed());
    LedgerLine line{};
    EXPECT_EQ(ahead.Next(&line), 0);  // the end stays the end
}

TEST_F(ReadAhead, FailureArrivesAfterTheSameLines) {
    // The ledger cursor fails on its 2500th line: past a batch, before the end.
    LogIn({{"ClRuleMotocho::MoveNext", {77, 2500}}});
    LedgerReader direct;
    Aggregate(direct);
    Seen expected = ReadAll(direct);
    ASSERT_EQ(expected.end, -1);

    LogIn({{"ClRuleMotocho::MoveNext", {77, 2500}}});
    LedgerReader threaded;
    Aggregate(threaded);
    LedgerReadAhead ahead(threaded, &plan, kLead);
    Seen seen = ReadAll(ahead);
    EXPECT_EQ(seen.end, -1);
    EXPECT_EQ(seen.codes, expected.codes);
    EXPECT_EQ(seen.balances, expected.balances);
    EXPECT_TRUE(ahead.LedgerFailed());
    LedgerLine line{};
    EXPECT_EQ(ahead.Next(&line), -1);
}

TEST_F(ReadAhead, AWriterThatStopsEarlyIsNotToldOfAFailureAhead) {
    // The failure lies in the first batch: it has been read when the first line is handed over.
    LogIn({{"ClRuleMotocho::MoveNext", {77, 500}}});
    LedgerReader threaded;
    Aggregate(threaded);
    LedgerReadAhead ahead(threaded, &plan, kLead);
    Seen seen = ReadAll(ahead, 10);
    ASSERT_EQ(seen.codes.size(), 10u);
    ahead.Stop();
    ASSERT_TRUE(threaded.LedgerFailed());
    EXPECT_FALSE(ahead.LedgerFailed());
}

TEST_F(ReadAhead, AfterStopThePulsesReachTheWindowDirectly) {
    LogIn();
    LedgerReader threaded;
    Aggregate(threaded);
    LedgerReadAhead ahead(threaded, &plan, kLead);
    LedgerLine line{};
    ASSERT_EQ(ahead.Next(&line), 1);
    ahead.Stop();
    const std::uint64_t steps = progress.Sweeps();
    ASSERT_EQ(threaded.Next(&line), 1);
    EXPECT_GT(progress.Sweeps(), steps);
}

TEST_F(ReadAhead, LeftUnreadItStopsWithoutAThread) {
    LogIn();
    LedgerReader threaded;
    Aggregate(threaded);
    {
        LedgerReadAhead ahead(threaded, &plan, kLead);
        LedgerLine line{};
        ASSERT_EQ(ahead.Next(&line), 1);
    }  // destroyed while reading ahead: the thread is stopped and joined
    LedgerReadAhead unused(threaded, nullptr);
    EXPECT_FALSE(unused.LedgerFailed());
}

}  // namespace
