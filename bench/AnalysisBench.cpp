// The global analysis: speciation, the models with their errors, and the Monte Carlo.
// Goals (CPU time): the three models with their errors on 50 points x 3 signals within 10 ms,
// all six within 40 ms; speciation of the three-species model within 1 µs a point; 1000
// replicates of 1:2 on 30 points within 150 ms; analyze's work on a 13-point, 3-signal
// titration (three models, no Monte Carlo, the text answer) within 12 ms for the whole process.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "analysis/Analysis.h"
#include "analysis/Random.h"
#include "analysis/Speciation.h"
#include "app/AnalyzeOutput.h"

using namespace kelmora::analysis;

namespace {

TTitration Titration(int n, const std::vector<std::vector<double>>& shifts) {
    TModelValues truth;
    truth.Model = *FindModel("1:2");
    truth.LgK = {3.0, 5.8};
    for (const std::vector<double>& s : shifts) {
        truth.Signals.push_back({false, s, 0.0});
    }
    TTitration t;
    TReplicateRandom random(3, 0);
    for (int i = 0; i < n; ++i) {
        const double c = 6e-3 * (i + 1) / n;
        const double h = 1e-3 / (1.0 + 0.01 * i);
        t.Conc.push_back(c);
        t.Host.push_back(h);
        std::vector<double> row = EvaluateModel(truth, c, h).Shifts;
        for (double& y : row) {
            y += 0.003 * random.Normal();
        }
        t.Shifts.push_back(row);
    }
    return t;
}

void BM_SpeciationOneToTwo(benchmark::State& state) {
    const TSpecies complexes[] = {{1, 1}, {1, 2}};
    TComplexation complexation(complexes);
    complexation.SetLgBeta(std::vector<double>{3.0, 5.8});
    TConcentrationDerivatives d;
    double conc = 1e-4;
    for (auto _ : state) {
        const TEquilibrium e = complexation.Solve(1e-3, conc);
        complexation.Derivatives(e, d);
        benchmark::DoNotOptimize(d);
        conc = conc < 6e-3 ? conc + 1e-4 : 1e-4;
    }
}
BENCHMARK(BM_SpeciationOneToTwo);

// The sandwich with both open forms, P2L + PL + PL2, across a titration; with the derivatives
// the fit needs, when the argument is 1.
void BM_SpeciationThreeSpecies(benchmark::State& state) {
    const TSpecies complexes[] = {{2, 1}, {1, 1}, {1, 2}};
    TComplexation complexation(complexes);
    complexation.SetLgBeta(std::vector<double>{9.0, 4.0, 7.0});
    TConcentrationDerivatives d;
    double conc = 1e-4;
    for (auto _ : state) {
        const TEquilibrium e = complexation.Solve(1e-3, conc);
        if (state.range(0) == 1) {
            complexation.Derivatives(e, d);
            benchmark::DoNotOptimize(d);
        }
        benchmark::DoNotOptimize(e);
        conc = conc < 6e-3 ? conc + 1e-4 : 1e-4;
    }
}
BENCHMARK(BM_SpeciationThreeSpecies)->Arg(0)->Arg(1);

void BM_ThreeModelsWithErrors50x3(benchmark::State& state) {
    const TTitration t = Titration(50, {{8, 9, 10.5}, {2, 1.2, 0.8}, {5, 5.4, 6.1}});
    TAnalysisSettings settings;
    settings.Replicates = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunAnalysis(t, settings));
    }
}
BENCHMARK(BM_ThreeModelsWithErrors50x3)->Unit(benchmark::kMillisecond);

void BM_AnalyzeText13x3(benchmark::State& state) {
    const TTitration t = Titration(13, {{8, 9, 10.5}, {2, 1.2, 0.8}, {5, 5.4, 6.1}});
    TAnalysisSettings settings;
    settings.Replicates = 0;
    for (auto _ : state) {
        std::ostringstream out;
        kelmora::WriteAnalysisText(out, RunAnalysis(t, settings));
        benchmark::DoNotOptimize(out.str());
    }
}
BENCHMARK(BM_AnalyzeText13x3)->Unit(benchmark::kMillisecond);

void BM_SixModelsWithErrors50x3(benchmark::State& state) {
    const TTitration t = Titration(50, {{8, 9, 10.5}, {2, 1.2, 0.8}, {5, 5.4, 6.1}});
    TAnalysisSettings settings;
    settings.Models = ModelCatalogue();
    settings.Replicates = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunAnalysis(t, settings));
    }
}
BENCHMARK(BM_SixModelsWithErrors50x3)->Unit(benchmark::kMillisecond);

void BM_MonteCarlo1000OneToTwo30(benchmark::State& state) {
    const TTitration t = Titration(30, {{8, 9, 10.5}});
    TAnalysisSettings settings;
    settings.Models = {*FindModel("1:2")};
    settings.Replicates = 1000;
    settings.Threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunAnalysis(t, settings));
    }
}
BENCHMARK(BM_MonteCarlo1000OneToTwo30)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
