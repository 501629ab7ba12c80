#include "analysis/StartSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace kelmora::analysis {
namespace {

// One constant, each landscape built so that a single rule of the search is all that finds one
// of its basins: a minimum exactly on a lattice point (no cell around it shows a valley), a
// minimum inside a cell whose slopes at both ends point the same way (only the edge's cubic
// dips), a minimum beyond the lattice (the descent must be set free from its box). Each basin
// of the brute-force profile is found, and the best is the lowest.
TEST(StartSearch, EachRuleFindsTheBasinOnlyItCanSee) {
    struct TCase {
        const char* Name;
        std::function<void(double, Eigen::Vector3d&, Eigen::Vector3d&)> At;  // residuals, slopes
    };
    const TCase cases[] = {
        {"on a lattice point",
         [](double x, Eigen::Vector3d& r, Eigen::Vector3d& j) {
             // Stationary at 2 and 7 exactly; 7 the higher.
             r << (x - 2.0) * (x - 7.0) / 5.0, 0.1, 0.004 * (x - 2.0) * (x - 12.0);
             j << (2.0 * x - 9.0) / 5.0, 0.0, 0.004 * (2.0 * x - 14.0);
         }},
        {"inside a cell, slopes alike",
         [](double x, Eigen::Vector3d& r, Eigen::Vector3d& j) {
             // Basins near 4.3 and 5.7; SS falls at both 4 and 5.
             r << (x - 4.3) * (x - 5.7), 0.1 * (x - 10.0), 0.0;
             j << 2.0 * x - 10.0, 0.1, 0.0;
         }},
        {"beyond the lattice",
         [](double x, Eigen::Vector3d& r, Eigen::Vector3d& j) {
             r << 0.5 * (x - 11.5), 0.1, 0.0;
             j << 0.5, 0.0, 0.0;
         }},
    };
    const TStartLattice lattice{Eigen::VectorXd::Constant(1, 0.0),
                                Eigen::VectorXd::Constant(1, 10.0), 1.0};
    TLmOptions options;
    options.Lower = Eigen::VectorXd::Constant(1, -2.0);
    options.Upper = Eigen::VectorXd::Constant(1, 12.0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto ss = [&](double x) {
            Eigen::Vector3d r;
            Eigen::Vector3d j;
            c.At(x, r, j);
            return r.squaredNorm();
        };
        const TResidualFunction f = [&](const Eigen::VectorXd& x, Eigen::VectorXd& r,
                                        Eigen::MatrixXd* j) {
            Eigen::Vector3d rv;
            Eigen::Vector3d jv;
            c.At(x[0], rv, jv);
            r = rv;
            if (j != nullptr) {
                *j = jv;
            }
            return true;
        };
        const TSearchResult result = SearchMinima(f, lattice, options);
        ASSERT_FALSE(result.Minima.empty());
        constexpr double Fine = 1e-3;
        for (double x = -2.0 + Fine; x < 12.0 - Fine / 2; x += Fine) {
            if (!(ss(x) < ss(x - Fine) && ss(x) < ss(x + Fine))) {
                continue;
            }
            EXPECT_LE(result.Minima.front().Ss, ss(x) * (1.0 + 1e-9));
            bool found = false;
            for (const TSearchMinimum& m : result.Minima) {
                found = found || std::abs(m.X[0] - x) <= 2 * Fine;
            }
            EXPECT_TRUE(found) << "basin at " << x;
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
