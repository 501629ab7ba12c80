// Hot paths of every search: one equilibrium solve, and the criterion with and without re-solve.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/FitState.h"

using namespace kelmora;

namespace {

TFitState ThirtyPointState(int n = 30) {
    TFitState s;
    TStringTable t(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(t);
    s.ReadParamsTable(t, {DefaultIterCountText, false});
    s.FitParams[1].Value = 3;  // both equilibria on: the bisection path
    s.SetPointCount(n);
    for (int j = 0; j < n; ++j) {
        s.Points[j].Conc = 0.001 * (j + 1);
        s.Points[j].ExpShift = 8 + std::sin(j);
    }
    s.PorphyrinConc = 0.01;
    s.Weight = 10000.0 / n;
    return s;
}

// Both equilibria on, P0 = 0.01: every solve takes the bisection path.
TChemSystem OneToTwoSystem() {
    TChemSystem sys;
    sys.SetReactionCount(2);
    const double lgK[2] = {1.2, 3};
    sys.SetLgK(lgK);
    sys.TotalP = 0.01;
    return sys;
}

// The same 50 points over and over, as a single titration is solved again and again: the
// branch predictor learns the bisection's path.
void BM_SolveRepeatedPoints(benchmark::State& state) {
    TChemSystem sys = OneToTwoSystem();
    double conc = 0.001;
    for (auto _ : state) {
        sys.TotalL = conc;
        sys.Solve();
        benchmark::DoNotOptimize(sys.Complex[1]);
        conc = conc < 0.05 ? conc + 0.001 : 0.001;
    }
}
BENCHMARK(BM_SolveRepeatedPoints);

void BM_SolveMovingConstants(benchmark::State& state) {
    TChemSystem sys = OneToTwoSystem();
    // Concentrations and constants keep moving, so the branch predictor cannot learn the
    // bisection's path: this is the cost of a point in a real search.
    double conc = 0.001;
    double lgK1 = 1.2;
    for (auto _ : state) {
        sys.TotalL = conc;
        sys.Solve();
        benchmark::DoNotOptimize(sys.Complex[1]);
        conc = conc < 0.05 ? conc + 0.00097 : 0.001;
        if (conc == 0.001) {
            lgK1 = lgK1 > 3 ? 1.2 : lgK1 + 0.0137;
            const double next[2] = {lgK1, 3};
            sys.SetLgK(next);
        }
    }
}
BENCHMARK(BM_SolveMovingConstants);

void BM_ComputeQCached(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    TFitState s = ThirtyPointState(n);
    s.ComputeQ();
    for (auto _ : state) {
        s.FitParams[2].Value += 1e-9;  // a shift trial: no re-solve
        benchmark::DoNotOptimize(s.ComputeQ());
    }
    state.counters["ns_per_point"] =
        benchmark::Counter(n * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComputeQCached)->Arg(30)->Arg(300);

void BM_ComputeQ30Resolve(benchmark::State& state) {
    TFitState s = ThirtyPointState();
    double lgK1 = 1.2;
    for (auto _ : state) {
        lgK1 = lgK1 > 1.3 ? 1.2 : lgK1 + 1e-6;  // an lg K trial: every point solved again
        s.FitParams[0].Value = lgK1;
        benchmark::DoNotOptimize(s.ComputeQ());
    }
    state.counters["ns_per_point"] =
        benchmark::Counter(30.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComputeQ30Resolve);

}  // namespace
