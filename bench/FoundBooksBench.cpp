// What the import window does when books are dropped on it, before 取り込む: the books folder's
// company.csv and the first megabyte of its journal, or a whole interchange journal read for its
// earliest date (the fiscal year it proposes).

#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/BenchBooks.h"
#include "tools/interchange/JournalWriter.h"
#include "tools/kcbooks/FoundBooks.h"

namespace {

// The generated books of `entries` written back as an interchange journal, once per size.
std::string JournalFor(std::int64_t entries) {
    const auto journal = bench::WorkDir() / ("journal-" + std::to_string(entries) + ".csv");
    if (!std::filesystem::exists(journal)) {
        const std::string store = bench::StoreFor(entries);
        if (!std::filesystem::exists(store))
            books::ImportBooks(bench::BooksFor(entries), store, books::SourceEncoding::kUtf8);
        books::interchange::ExportInterchange(store, journal.string(), "", {});
    }
    return journal.string();
}

void BM_FindFolder(benchmark::State& state) {
    const std::string folder = bench::BooksFor(state.range(0));
    for (auto _ : state) {
        const kcbooks::FoundBooks found = kcbooks::FindBooks(folder);
        if (found.kind != kcbooks::FoundBooks::Kind::kFolder) state.SkipWithError("no folder");
    }
}

void BM_FindJournal(benchmark::State& state) {
    const std::string journal = JournalFor(state.range(0));
    for (auto _ : state) {
        const kcbooks::FoundBooks found = kcbooks::FindBooks(journal);
        if (!found.periodFrom) state.SkipWithError("no year found");
    }
}

}  // namespace

BENCHMARK(BM_FindFolder)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindJournal)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
