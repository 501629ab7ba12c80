// A scan of the default table's three marked parameters (100 x 100 x 101 lattice) on a
// 30-point titration, headless.
#include <benchmark/benchmark.h>

#include "BenchHost.h"
#include "engine/Scan.h"

using namespace kelmora;

namespace {

void BM_ScanDefaultTable(benchmark::State& state) {
    const double lgK2 = static_cast<double>(state.range(0));
    std::uint64_t evals = 0;
    std::uint64_t solves = 0;
    long minima = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TFitState fit;
        bench::LoadThirtyPointExample(fit, lgK2);
        bench::THeadlessHost host;
        host.Table.SetCell(1, 2, std::to_string(static_cast<int>(lgK2)));
        fit.EvalCount = 0;
        fit.SolveCount = 0;
        state.ResumeTiming();

        ScanCommand(fit, host);

        evals += fit.EvalCount;
        solves += fit.SolveCount;
        minima = host.MinimaCount;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["evals_per_run"] = static_cast<double>(evals) / runs;
    state.counters["point_solves_per_run"] = static_cast<double>(solves) / runs;
    state.counters["minima"] = static_cast<double>(minima);
}
// lg K2 -1000 is the default table (PL2 off); 3 turns the second equilibrium on.
BENCHMARK(BM_ScanDefaultTable)->Arg(-1000)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
