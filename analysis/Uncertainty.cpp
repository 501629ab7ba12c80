#include "analysis/Uncertainty.h"

#include <algorithm>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

namespace kelmora::analysis {
namespace {

// Relative singular value below which a direction counts as not determined: its variance
// would be 1e14 times that of the best-determined one. The scale is that of the parameters'
// natural units (ppm, lg units), where no titration that shows a parameter comes near it.
constexpr double FlatDirection = 1e-7;
// A parameter belongs to a flat direction when it carries at least this share of it.
constexpr double FlatShare = 0.1;

}  // namespace

TFreeCovariance FreeCovariance(const Eigen::MatrixXd& jacobian, const Eigen::VectorXd& unit,
                               double variance, std::vector<bool> determined) {
    const Eigen::Index p = jacobian.cols();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TFreeCovariance out;
    out.Cov = Eigen::MatrixXd::Constant(p, p, nan);
    for (;;) {
        std::vector<Eigen::Index> kept;
        for (Eigen::Index j = 0; j < p; ++j) {
            if (determined[static_cast<std::size_t>(j)]) {
                if (jacobian.col(j).norm() > 0.0) {
                    kept.push_back(j);
                } else {
                    determined[static_cast<std::size_t>(j)] = false;
                }
            }
        }
        if (kept.empty()) {
            break;
        }
        const auto m = static_cast<Eigen::Index>(kept.size());
        Eigen::MatrixXd scaled(jacobian.rows(), m);
        Eigen::VectorXd scale(m);
        for (Eigen::Index a = 0; a < m; ++a) {
            scale[a] = unit[kept[a]];
            scaled.col(a) = jacobian.col(kept[a]) / scale[a];
        }
        const Eigen::JacobiSVD<Eigen::MatrixXd> svd(scaled, Eigen::ComputeThinV);
        const Eigen::VectorXd& sigma = svd.singularValues();
        bool flagged = false;
        for (Eigen::Index k = 0; k < m; ++k) {
            if (sigma[k] >= FlatDirection * sigma[0]) {
                continue;
            }
            Eigen::Index largest = 0;
            for (Eigen::Index a = 0; a < m; ++a) {
                const double share = std::abs(svd.matrixV()(a, k));
                if (share >= FlatShare) {
                    determined[static_cast<std::size_t>(kept[a])] = false;
                    flagged = true;
                }
                if (share > std::abs(svd.matrixV()(largest, k))) {
                    largest = a;
                }
            }
            determined[static_cast<std::size_t>(kept[largest])] = false;
            flagged = true;
        }
        if (flagged) {
            continue;
        }
        const Eigen::MatrixXd vs = svd.matrixV() * sigma.cwiseInverse().asDiagonal();
        const Eigen::MatrixXd inverse = vs * vs.transpose();
        for (Eigen::Index a = 0; a < m; ++a) {
            for (Eigen::Index b = 0; b < m; ++b) {
                out.Cov(kept[a], kept[b]) = variance * inverse(a, b) / (scale[a] * scale[b]);
            }
        }
        break;
    }
    out.Determined = std::move(determined);
    return out;
}

double T975(int dof) {
    const boost::math::students_t t(static_cast<double>(dof));
    return boost::math::quantile(t, 0.975);
}

double F95(int d1, int d2) {
    const boost::math::fisher_f dist(static_cast<double>(d1), static_cast<double>(d2));
    return boost::math::quantile(dist, 0.95);
}

double FUpperTail(double f, int d1, int d2) {
    const boost::math::fisher_f dist(static_cast<double>(d1), static_cast<double>(d2));
    return boost::math::cdf(boost::math::complement(dist, std::max(f, 0.0)));
}

}  // namespace kelmora::analysis
