// An export without the ledger at scale: the aggregation of every account's summary for the
// whole year, then the whole document with its statements written to a file.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>

#include "aggregation/LedgerReader.h"
#include "aggregation/PeriodConditions.h"
#include "aggregation/StatementData.h"
#include "bench/BenchBooks.h"
#include "common/Edition.h"
#include "common/FullWidth.h"
#include "host/SteadyClock.h"
#include "host/posix/DriveMap.h"
#include "host/posix/FileSystem.h"
#include "report/ReportWriter.h"

namespace {

// A progress window nobody sees, and the other services an export without messages needs.
class QuietServices : public MessageService,
                      public WindowService,
                      public ProgressWindow,
                      public TextMapping,
                      public MemoryService,
                      public DialogService,
                      public SteadyClock {
public:
    int Show(WindowHandle, const char*, const char*, unsigned) override { return mb::kIdOk; }
    void Enable(WindowHandle, bool) override {}
    void SetForeground(WindowHandle) override {}
    void Post(WindowHandle, std::int32_t, std::int64_t, std::int64_t) override {}
    void Create(WindowHandle) override {}
    void SetParent(WindowHandle) override {}
    void Show() override {}
    void Close(int) override {}
    WindowHandle Handle() const override { return kNoWindow; }
    void SetCaption(const char*) override {}
    void SetOverallRange(int, int) override {}
    void SetOverallStep(int) override {}
    void SetOverallPosition(int) override {}
    void OffsetOverall(int) override {}
    void SetDetailRange(int, int) override {}
    void SetDetailStep(int) override {}
    void SetDetailPosition(int) override {}
    void StepDetail() override {}
    void BringToTop() override {}
    void SetForeground() override {}
    void Repaint() override {}
    void HandleWaitingMessages() override {}
    std::string ToFullWidth(std::string_view text) override { return MapToFullWidth(text); }
    std::unique_ptr<unsigned char[]> AllocateBlock(std::size_t size) override {
        return std::make_unique<unsigned char[]>(size);
    }
    int RunModal(int, WindowHandle, DialogEvents&) override { return 0; }
    std::optional<std::string> AskSaveFile(const SaveFileRequest&) override { return std::nullopt; }
};

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One export of the generated books' whole year, as the export run does it: the aggregation
// (with every account's ledger when asked), then the document written to a file.
void Export(benchmark::State& state, std::int32_t outputLedger) {
    if (!bench::LogIn(state.range(0))) return state.SkipWithError("login failed");
    QuietServices quiet;
    DriveMap drives;
    PosixFileSystem files(drives);
    Platform platform{files, quiet, quiet, quiet, quiet, quiet, quiet, quiet};
    std::string path = (bench::WorkDir() / "export.xml").string();
    std::string windowsPath = drives.ToWindows(path).value_or("");
    const StDATAINFO* company = ClSetData().GetSelectedInfo();
    const PeriodConditions period = PeriodConditions::ForMonths(
        *company, company->periodFrom % 10000 / 100, company->periodTo % 10000 / 100);
    std::size_t lines = 0;
    for (auto _ : state) {
        ProgressDialog progress(quiet, quiet);
        ExportProgress plan(progress);
        AccountFigureList figures;
        LedgerLineList ledger;
        StatementData data;
        data.SetProgress(&plan);
        data.SetFigureList(&figures);
        LedgerReader reader;
        reader.SetProgress(&plan);
        reader.SetLedgerList(&ledger);
        data.SetLedgerReader(&reader);
        data.SetOutputLedger(outputLedger);
        if (data.AggregateAccounts(0, &period, company) != 1)
            state.SkipWithError("aggregation failed");
        ReportWriter report(platform, kEditionKcsakura.Names(), plan, figures, ledger);
        if (report.WriteReport(windowsPath.c_str(), 3, company) != 1)
            state.SkipWithError("write failed");
        lines = ledger.size();
    }
    state.counters["ledger_lines"] = static_cast<double>(lines);
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = PeakMegabytes();
    std::remove(path.c_str());
    ClAccConnect::Inst().LogOut();
}

void BM_ExportStatements(benchmark::State& state) {
    Export(state, 0);
}
void BM_ExportWithLedger(benchmark::State& state) {
    Export(state, 1);
}

BENCHMARK(BM_ExportStatements)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWithLedger)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
