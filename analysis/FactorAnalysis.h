#pragma once

// How many species a set of spectra shows, before any model is fitted: the rank of the spectra
// matrix above its noise.

#include <Eigen/Dense>
#include <vector>

namespace kelmora::analysis {

struct TFactorAnalysis {
    std::vector<double> SingularValues;  // of the spectra matrix, largest first
    int Species = 0;                     // how many stand above the noise
    double NoiseSd = 0.0;                // per entry, from the values below that count
};

TFactorAnalysis AnalyseFactors(const Eigen::MatrixXd& spectra);

}  // namespace kelmora::analysis
