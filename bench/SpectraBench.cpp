// Whole-spectrum analysis. Goals: 401 wavelengths × 25 spectra, the three default models with
// their errors, within 100 ms of CPU; 1000 Monte Carlo replicates of 1:2 within 5 s on two
// cores; peak memory (the counter PeakMB, the whole process) within 50 MB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>

#include "analysis/Random.h"
#include "analysis/Spectra.h"
#include "analysis/SpectraFit.h"

using namespace kelmora::analysis;

namespace {

// A zinc porphyrin's Soret band moving to the red as it takes one ligand, then a second.
TSpectraTitration Titration() {
    const TSpectraLayout layout = MakeSpectraLayout(*FindModel("1:2"), false, {});
    const int n = 25;
    const int w = 401;
    Eigen::VectorXd conc(n);
    Eigen::VectorXd host(n);
    for (int i = 0; i < n; ++i) {
        conc[i] = i == 0 ? 0.0 : 0.2 * std::pow(10.0, -3.0 * (n - 1 - i) / (n - 2));
        host[i] = 2e-6 / (1.0 + 0.004 * i);
    }
    Eigen::MatrixXd eps(3, w);
    for (int j = 0; j < 3; ++j) {
        for (int l = 0; l < w; ++l) {
            const double x = (400.0 + 0.625 * l - 419.0 - 8.0 * j) / (6.0 + j);
            eps(j, l) = (5.0e5 - 6e4 * j) * std::exp(-0.5 * x * x);
        }
    }
    const Eigen::MatrixXd a =
        SpeciesColumns(layout, Eigen::Vector2d(4.3, 6.5), conc, host, 1.0) * eps;
    TReplicateRandom random(5, 0);
    TSpectraTitration t;
    for (int l = 0; l < w; ++l) {
        t.Wavelengths.push_back(400.0 + 0.625 * l);
    }
    for (int i = 0; i < n; ++i) {
        t.Conc.push_back(conc[i]);
        t.Host.push_back(host[i]);
        t.Values.emplace_back();
        for (int l = 0; l < w; ++l) {
            t.Values.back().push_back(a(i, l) + 0.002 * random.Normal());
        }
    }
    return t;
}

void PeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["PeakMB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_SpectraThreeModelsWithErrors(benchmark::State& state) {
    const TSpectraTitration t = Titration();
    TSpectraSettings settings;
    settings.Replicates = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunSpectraAnalysis(t, settings));
    }
    PeakMemory(state);
}
BENCHMARK(BM_SpectraThreeModelsWithErrors)->Unit(benchmark::kMillisecond);

void BM_SpectraMonteCarlo1000(benchmark::State& state) {
    const TSpectraTitration t = Titration();
    TSpectraSettings settings;
    settings.Models = {"1:2"};
    settings.Replicates = 1000;
    settings.Threads = 2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunSpectraAnalysis(t, settings));
    }
    PeakMemory(state);
}
BENCHMARK(BM_SpectraMonteCarlo1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
