// One Optimize of the default table on a 30-point titration, from the table's start values.
#include <benchmark/benchmark.h>

#include "BenchHost.h"
#include "engine/Optimizer.h"

using namespace kelmora;

namespace {

void BM_OptimizeDefaultTable(benchmark::State& state) {
    const double lgK2 = static_cast<double>(state.range(0));
    std::uint64_t evals = 0;
    std::uint64_t solves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TFitState fit;
        bench::LoadThirtyPointExample(fit, lgK2);
        bench::THeadlessHost host;
        host.Table.SetCell(1, 2, std::to_string(static_cast<int>(lgK2)));
        fit.EvalCount = 0;
        fit.SolveCount = 0;
        state.ResumeTiming();

        OptimizeCommand(fit, host);

        benchmark::DoNotOptimize(fit.Q);
        evals += fit.EvalCount;
        solves += fit.SolveCount;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["evals_per_run"] = static_cast<double>(evals) / runs;
    state.counters["point_solves_per_run"] = static_cast<double>(solves) / runs;
    state.counters["evals_per_s"] =
        benchmark::Counter(static_cast<double>(evals), benchmark::Counter::kIsRate);
}
// lg K2 -1000 is the default table (PL2 off); 3 turns the second equilibrium on.
BENCHMARK(BM_OptimizeDefaultTable)->Arg(-1000)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
