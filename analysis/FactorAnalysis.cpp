#include "analysis/FactorAnalysis.h"

#include <cmath>

namespace kelmora::analysis {
namespace {

// A singular value counts as a species when it stands this far above the largest one that
// noise alone would give.
constexpr double AboveNoise = 1.5;

}  // namespace

// With r species, what is left of an n × W matrix is noise of some sd σ spread over
// (n - r)(W - r) degrees of freedom, so σ² ≈ Σ_{k>r} s_k² / ((n - r)(W - r)); and the largest
// singular value of such noise is σ(√(n - r) + √(W - r)) (the edge of the Marchenko-Pastur
// law). The count is the least r whose next singular value is within AboveNoise of that edge.
TFactorAnalysis AnalyseFactors(const Eigen::MatrixXd& spectra) {
    TFactorAnalysis out;
    const Eigen::BDCSVD<Eigen::MatrixXd> svd(spectra);
    const Eigen::VectorXd& s = svd.singularValues();
    out.SingularValues.assign(s.begin(), s.end());
    const Eigen::Index m = s.size();
    const auto n = static_cast<double>(spectra.rows());
    const auto w = static_cast<double>(spectra.cols());
    double tail = s.squaredNorm();
    for (Eigen::Index r = 0; r < m; ++r) {
        const double sigma = std::sqrt(tail / ((n - r) * (w - r)));
        out.NoiseSd = sigma;
        const double edge = sigma * (std::sqrt(n - r) + std::sqrt(w - r));
        if (!(s[r] > AboveNoise * edge)) {
            out.Species = static_cast<int>(r);
            return out;
        }
        tail -= s[r] * s[r];
    }
    // Every value stands out: the matrix holds no noise to judge by (n = 1, or exact data).
    out.Species = static_cast<int>(m);
    out.NoiseSd = 0.0;
    return out;
}

}  // namespace kelmora::analysis
