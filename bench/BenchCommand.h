#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "FakeFitSink.h"
#include "engine/FitState.h"

namespace kelmora::bench {

// 30 titration points the model reproduces for lg K1 3.3, shift of P 7.6 and of PL 10.4
// (lg K2 as given), entered into a state that otherwise holds the default table.
inline void LoadThirtyPointExample(TFitState& state, double lgK2 = -1000.0) {
    TStringTable table(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(table);
    state.ReadParamsTable(table, {});
    state.FitParams[0].Value = 3.3;
    state.FitParams[1].Value = lgK2;
    state.FitParams[2].Value = 7.6;
    state.FitParams[3].Value = 10.4;
    kelmora::testing::MakeSyntheticTitration(state, 30, 1e-3, 5e-3);
}

// One whole command per iteration on a fresh state and table (lg K2 from the benchmark's
// argument), with the evaluations, point solves and listed minima it took.
template <class TCommand>
void BenchCommand(benchmark::State& state, TCommand command) {
    const double lgK2 = static_cast<double>(state.range(0));
    std::uint64_t evals = 0;
    std::uint64_t solves = 0;
    long minima = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TFitState fit;
        LoadThirtyPointExample(fit, lgK2);
        kelmora::testing::TFakeFitSink sink;
        sink.RealClock = true;
        FillStartupParamsTable(sink.Table);
        sink.Table.SetCell(1, 2, std::to_string(static_cast<int>(lgK2)));
        fit.EvalCount = 0;
        fit.SolveCount = 0;
        state.ResumeTiming();

        command(fit, sink.Table, sink.Settings, sink);

        benchmark::DoNotOptimize(fit.Q);
        evals += fit.EvalCount;
        solves += fit.SolveCount;
        minima = static_cast<long>(sink.Minima.size());
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["evals_per_run"] = static_cast<double>(evals) / runs;
    state.counters["point_solves_per_run"] = static_cast<double>(solves) / runs;
    state.counters["evals_per_s"] =
        benchmark::Counter(static_cast<double>(evals), benchmark::Counter::kIsRate);
    state.counters["minima"] = static_cast<double>(minima);
}

}  // namespace kelmora::bench
