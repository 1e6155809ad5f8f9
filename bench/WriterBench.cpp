// The XML writer writing a real file through the host's replacing file, kept at the end (its sync
// included).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "host/posix/DriveMap.h"
#include "host/posix/FileSystem.h"
#include "report/XmlWriter.h"

namespace {

void BM_WriterLines(benchmark::State& state) {
    DriveMap drives;
    PosixFileSystem files(drives);
    std::string path = (std::filesystem::temp_directory_path() / "kc-bench-writer.xml").string();
    std::string windowsPath = drives.ToWindows(path).value_or("");
    const std::int64_t lines = state.range(0);
    char line[256];
    for (auto _ : state) {
        auto replacement = files.CreateReplacement(windowsPath.c_str());
        XmlWriter writer;
        writer.Open(&replacement->Output());
        writer.WriteStartTag(line, "BalanceSheet", 2);
        for (std::int64_t i = 0; i < lines; ++i) {
            // A typical account line: a Japanese label and an amount, one entity to escape.
            writer.WriteElement(line, "Item", "1234567", 5, "Label", "売掛金&前受金");
        }
        writer.WriteEndTag(line, "BalanceSheet", 2);
        writer.Close();
        if (writer.Failed()) state.SkipWithError("write failed");
        replacement->Keep();
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    std::remove(path.c_str());
}

BENCHMARK(BM_WriterLines)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
