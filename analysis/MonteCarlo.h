#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/SeparableFit.h"

namespace kelmora::analysis {

struct TMonteCarloSetup {
    double NoiseSd = 0.0;       // ppm, on every shift
    double ConcErrorRel = 0.0;  // relative sd of C and H, per point
    std::uint64_t Seed = 1;
    int Replicates = 0;
    int Threads = 1;
};

struct TMonteCarloRun {
    // Full parameter vectors of the replicates done, in index order.
    std::vector<Eigen::VectorXd> Values;
    std::vector<char> Converged;            // per replicate done: its refit converged
    std::vector<std::vector<int>> AtLimit;  // per replicate done: the lg K on a search limit
    bool Stopped = false;
};

// Replicates of the best fit: the model at the (perturbed) concentrations plus noise, refitted
// at the nominal concentrations from the best fit. Replicate i draws only from (seed, i), so
// the set of results does not depend on the threads. progress(done) and stop() are called on
// the calling thread only.
TMonteCarloRun RunMonteCarlo(const TLayout& layout, const TFitData& data,
                             const Eigen::VectorXd& best, const TMonteCarloSetup& setup,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& stop);

// The counts, the percentiles of the converged replicates (none from fewer than
// MinReplicatesForInterval), the Monte Carlo intervals of the derived constants and the
// parameters whose spread cannot be trusted, into r.
void AddMonteCarlo(const TMonteCarloRun& run, TModelResult& r);

// "Monte Carlo unstable: lgK2 (31 of 1000 replicates ran to a search limit of lg K, 2 did not
// converge)." or why there are no intervals; empty when all is well.
std::string MonteCarloNote(const TModelResult& r);

// The p-quantile (0..1) of values by linear interpolation between order statistics.
double Percentile(std::vector<double> values, double p);

}  // namespace kelmora::analysis
