// The books at export scale: import of generated books, then a full walk of every cursor the
// export uses (all account summaries, every ledger line of every account).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "bench/BenchBooks.h"
#include "books/Books.h"
#include "books/Importer.h"
#include "ledger/Services.h"
#include "tools/generate/Generator.h"

namespace {

using bench::BooksFor;
using bench::LogIn;
using bench::StoreFor;

namespace fs = std::filesystem;

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Import(benchmark::State& state) {
    std::string dir = BooksFor(state.range(0));
    for (auto _ : state) {
        books::ImportResult result =
            books::ImportBooks(dir, StoreFor(state.range(0)), books::SourceEncoding::kUtf8);
        if (!result.ok) state.SkipWithError(result.message.c_str());
    }
    state.counters["entries/s"] =
        benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = PeakMegabytes();
}

std::vector<StKAMOKUSUMINFO> ReadSummaries() {
    ClRuleKamoku rule;
    rule.AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    rule.SetCurDataID(ClSetData().GetSelectedInfo()->dataId);
    StFINDINFO period[2] = {};
    period[0].item = period[1].item = finditem::kMonthPosition;
    period[0].comparison = findcmp::kNotLess;
    period[1].comparison = findcmp::kNotGreater;
    period[0].valueType = period[1].valueType = findtype::kValue16;
    period[0].value16 = 1;
    period[1].value16 = 12;
    period[0].link = findlink::kAnd;
    rule.MoveReady(_RuleKamokuSumType_Base_On, _RuleKamokuSumType_Bmn_Off,
                   _RuleKamokuSumType_Disptype_Off, period, nullptr, _RuleKamokuSumType_Past_Off);
    std::uint32_t n = 0;
    rule.GetSumCount(&n);
    rule.SetMovePos(0);
    std::vector<StKAMOKUSUMINFO> rows(n);
    for (auto& row : rows) rule.MoveNext(&row);
    rule.MoveFinish();
    return rows;
}

void BM_AllSummaries(benchmark::State& state) {
    if (!LogIn(state.range(0))) return state.SkipWithError("login failed");
    std::size_t accounts = 0;
    for (auto _ : state) {
        auto rows = ReadSummaries();
        accounts = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["accounts"] = static_cast<double>(accounts);
    state.counters["peak_MB"] = PeakMegabytes();
    ClAccConnect::Inst().LogOut();
}

void BM_EveryLedgerLine(benchmark::State& state) {
    if (!LogIn(state.range(0))) return state.SkipWithError("login failed");
    auto summaries = ReadSummaries();
    const StDATAINFO* company = ClSetData().GetSelectedInfo();
    std::int64_t lines = 0;
    for (auto _ : state) {
        lines = 0;
        for (const auto& summary : summaries) {
            ClRuleMotocho rule;
            rule.AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
            rule.SetCurDataID(company->dataId);
            StFINDINFO find{};
            find.item = finditem::kMonthPosition;
            find.comparison = findcmp::kNotEqual;
            find.valueType = findtype::kValue32;
            find.value32 = 15;
            StORDERINFO order{};
            const std::int32_t items[] = {9, 17, 41, 8, 6, 64};
            for (int i = 0; i < 6; ++i) order.keys[i].item = items[i];
            order.keys[5].last = 1;
            StMOTOCHOHYOJIINFO view{};
            view.code = summary.code;
            view.firstDay = company->periodFrom;
            view.lastDay = company->periodTo;
            rule.MoveReady(&find, &order, &view);
            std::uint32_t n = 0;
            if (rule.GetCount(&find, &view, &n) != kLedgerOk) continue;
            StMOTOCHOINFO line;
            for (std::int32_t rc = rule.MoveFirst(&line); rc == kLedgerOk;
                 rc = rule.MoveNext(&line))
                ++lines;
            rule.MoveFinish();
        }
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = PeakMegabytes();
    ClAccConnect::Inst().LogOut();
}

BENCHMARK(BM_Import)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllSummaries)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EveryLedgerLine)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
