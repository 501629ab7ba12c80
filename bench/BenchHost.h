#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "engine/FitHost.h"
#include "engine/FitState.h"
#include "util/TickCount.h"

namespace kelmora::bench {

// A headless window: a real millisecond clock, every UI call a no-op.
class THeadlessHost : public IFitHost {
  public:
    TStringTable Table{ParamsGridCols, ParamsGridRows};
    long MinimaCount = 0;

    THeadlessHost() { FillStartupParamsTable(Table); }
    std::uint32_t TickCount() override { return MonotonicTickCount(); }
    void ProcessMessages() override {}
    void SetCaption(const std::string&) override {}
    void Beep() override {}
    ITextTable& ParamsTable() override { return Table; }
    std::string IterCountText() override { return DefaultIterCountText; }
    bool FinishMinimaChecked() override { return false; }
    void RedrawChart() override {}
    void DisableButtons() override {}
    void EnableButtons() override {}
    void ResetMinima() override { MinimaCount = 0; }
    void AddMinimum(const TParamVector&, double) override { ++MinimaCount; }
    void EnableMinimaList() override {}
};

// 30 titration points the model reproduces for lg K1 3.3, shift of P 7.6 and of PL 10.4
// (lg K2 as given), entered into a state that otherwise holds the default table.
inline void LoadThirtyPointExample(TFitState& state, double lgK2 = -1000.0) {
    THeadlessHost host;
    state.ReadParamsTable(host.Table, DefaultIterCountText, false);
    state.FitParams[0].Value = 3.3;
    state.FitParams[1].Value = lgK2;
    state.FitParams[2].Value = 7.6;
    state.FitParams[3].Value = 10.4;
    const int n = 30;
    state.SetPointCount(n);
    state.PorphyrinConc = 1e-3;
    state.Weight = 10000.0 / n;
    for (int j = 0; j < n; ++j) {
        state.Points[j].Conc = 5e-3 * (j + 1) / n;
    }
    state.ComputeQ();
    for (TDataPoint& pt : state.Points) {
        pt.ExpShift = pt.TheorShift;
    }
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
        THeadlessHost host;
        host.Table.SetCell(1, 2, std::to_string(static_cast<int>(lgK2)));
        fit.EvalCount = 0;
        fit.SolveCount = 0;
        state.ResumeTiming();

        command(fit, host);

        benchmark::DoNotOptimize(fit.Q);
        evals += fit.EvalCount;
        solves += fit.SolveCount;
        minima = host.MinimaCount;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["evals_per_run"] = static_cast<double>(evals) / runs;
    state.counters["point_solves_per_run"] = static_cast<double>(solves) / runs;
    state.counters["evals_per_s"] =
        benchmark::Counter(static_cast<double>(evals), benchmark::Counter::kIsRate);
    state.counters["minima"] = static_cast<double>(minima);
}

}  // namespace kelmora::bench
