#include "analysis/LevenbergMarquardt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kelmora::analysis {
namespace {

using Eigen::MatrixXd;
using Eigen::Vector2d;
using Eigen::VectorXd;

// Rosenbrock's valley as least squares (Moré, Garbow and Hillstrom, problem 1): zero at (1, 1).
bool Rosenbrock(const VectorXd& x, VectorXd& r, MatrixXd* j) {
    r = Vector2d(10.0 * (x[1] - x[0] * x[0]), 1.0 - x[0]);
    if (j != nullptr) {
        *j = (MatrixXd(2, 2) << -20.0 * x[0], 10.0, -1.0, 0.0).finished();
    }
    return true;
}

// Freudenstein and Roth (problem 2). x1 enters both residuals alone, so for a given x2 the
// best x1 is minus the mean of the rest and SS = (16 + 12 x2 + 4 x2^2 - 2 x2^3)^2 / 2: zero at
// x2 = 4, a local minimum where the cubic's slope vanishes, x2 = (8 - sqrt 352) / 12.
bool FreudensteinRoth(const VectorXd& x, VectorXd& r, MatrixXd* j) {
    const double y = x[1];
    r = Vector2d(-13.0 + x[0] + ((5.0 - y) * y - 2.0) * y,
                 -29.0 + x[0] + ((y + 1.0) * y - 14.0) * y);
    if (j != nullptr) {
        *j =
            (MatrixXd(2, 2) << 1.0, 10.0 * y - 3.0 * y * y - 2.0, 1.0, 3.0 * y * y + 2.0 * y - 14.0)
                .finished();
    }
    return true;
}

struct TFreudensteinMinimum {
    double X1, X2, Ss;
};

TFreudensteinMinimum FreudensteinRothAt(double x2) {
    const double a = -13.0 + ((5.0 - x2) * x2 - 2.0) * x2;
    const double b = -29.0 + ((x2 + 1.0) * x2 - 14.0) * x2;
    return {-(a + b) / 2.0, x2, (a - b) * (a - b) / 2.0};
}

// y = b1 exp(-b2 t) sampled without noise at t = 0, 0.25, ..., 2.
bool Decay(const VectorXd& x, VectorXd& r, MatrixXd* j) {
    r.resize(9);
    if (j != nullptr) {
        j->resize(9, 2);
    }
    for (int i = 0; i < 9; ++i) {
        const double t = 0.25 * i;
        const double model = x[0] * std::exp(-x[1] * t);
        r[i] = 2.5 * std::exp(-1.3 * t) - model;
        if (j != nullptr) {
            (*j)(i, 0) = -std::exp(-x[1] * t);
            (*j)(i, 1) = t * model;
        }
    }
    return true;
}

// A straight line through points off it by +-0.1: the normal equations give the answer.
const std::vector<double> LineX = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
double LineY(std::size_t i) {
    return 1.5 + 0.8 * LineX[i] + (i % 2 == 0 ? 0.1 : -0.1);
}

bool Line(const VectorXd& x, VectorXd& r, MatrixXd* j) {
    r.resize(10);
    if (j != nullptr) {
        j->resize(10, 2);
    }
    for (std::size_t i = 0; i < LineX.size(); ++i) {
        const auto k = static_cast<Eigen::Index>(i);
        r[k] = LineY(i) - x[0] - x[1] * LineX[i];
        if (j != nullptr) {
            (*j)(k, 0) = -1.0;
            (*j)(k, 1) = -LineX[i];
        }
    }
    return true;
}

Vector2d LineByNormalEquations() {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < LineX.size(); ++i) {
        sx += LineX[i];
        sy += LineY(i);
        sxx += LineX[i] * LineX[i];
        sxy += LineX[i] * LineY(i);
    }
    const double n = static_cast<double>(LineX.size());
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return {(sy - slope * sx) / n, slope};
}

TEST(LevenbergMarquardt, FindsTheKnownSolutionsOfTextbookProblems) {
    const TFreudensteinMinimum local = FreudensteinRothAt((8.0 - std::sqrt(352.0)) / 12.0);
    const TFreudensteinMinimum global = FreudensteinRothAt(4.0);
    VectorXd lineResiduals;
    Line(LineByNormalEquations(), lineResiduals, nullptr);
    struct TCase {
        std::string Name;
        TResidualFunction F;
        Vector2d Start;
        Vector2d Solution;
        double Ss;
    };
    const std::vector<TCase> cases = {
        {"line", Line, {5, -3}, LineByNormalEquations(), lineResiduals.squaredNorm()},
        {"Rosenbrock", Rosenbrock, {-1.2, 1.0}, {1.0, 1.0}, 0.0},
        {"decay", Decay, {1.0, 0.5}, {2.5, 1.3}, 0.0},
        {"Freudenstein-Roth global", FreudensteinRoth, {6.0, 3.0}, {global.X1, global.X2}, 0.0},
        {"Freudenstein-Roth local", FreudensteinRoth, {15.0, -2.0}, {local.X1, local.X2}, local.Ss},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TLmResult r = SolveLeastSquares(c.F, c.Start, {});
        // Asked for the Jacobian only once a trial lowers SS, the solver walks the same path, and
        // asks for it at the start and after each step taken, at the point just evaluated
        // without it: a refused trial costs no Jacobian.
        std::vector<std::pair<VectorXd, bool>> asked;
        TLmOptions taken;
        taken.JacobianWhenTaken = true;
        const TLmResult t = SolveLeastSquares(
            [&](const VectorXd& x, VectorXd& res, MatrixXd* j) {
                asked.emplace_back(x, j != nullptr);
                return c.F(x, res, j);
            },
            c.Start, taken);
        EXPECT_TRUE(t.X == r.X && t.Ss == r.Ss && t.Summary.Iterations == r.Summary.Iterations);
        int jacobians = 0;
        for (std::size_t i = 0; i < asked.size(); ++i) {
            jacobians += asked[i].second ? 1 : 0;
            EXPECT_TRUE(!asked[i].second || i == 0 ||
                        (!asked[i - 1].second && asked[i - 1].first == asked[i].first));
        }
        EXPECT_EQ(jacobians, r.Summary.Iterations + 1);
        EXPECT_EQ(r.Summary.Stop, TStopReason::Tolerance);
        EXPECT_NEAR(r.X[0], c.Solution[0], 1e-6 * (1.0 + std::abs(c.Solution[0])));
        EXPECT_NEAR(r.X[1], c.Solution[1], 1e-6 * (1.0 + std::abs(c.Solution[1])));
        EXPECT_NEAR(r.Ss, c.Ss, 1e-9 * (1.0 + c.Ss));
        EXPECT_LT(r.Summary.GradientNorm, 1e-4 * (1.0 + c.Ss));
        EXPECT_GT(r.Summary.Iterations, 0);
    }
}

TEST(LevenbergMarquardt, SaysWhyItStopped) {
    struct TCase {
        std::string Name;
        TResidualFunction F;
        TLmOptions Options;
        TStopReason Stop;
    };
    TLmOptions bounded;  // x1 <= 0.5: the valley's lowest point there is (0.5, 0.25), SS 0.25
    bounded.Lower = Vector2d(-10, -10);
    bounded.Upper = Vector2d(0.5, 10);
    TLmOptions short_;
    short_.MaxIterations = 3;
    TLmOptions stop;
    stop.Stop = [] { return true; };
    // A Jacobian pointing the wrong way promises a decrease no step can deliver.
    const TResidualFunction wrong = [](const VectorXd& x, VectorXd& r, MatrixXd* j) {
        Line(x, r, j);
        if (j != nullptr) {
            *j = -*j;
        }
        return true;
    };
    const std::vector<TCase> cases = {
        {"bound", Rosenbrock, bounded, TStopReason::Bound},
        {"iteration limit", Rosenbrock, short_, TStopReason::IterationLimit},
        {"stopped", Rosenbrock, stop, TStopReason::Stopped},
        {"no progress", wrong, {}, TStopReason::NoProgress},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TLmResult r = SolveLeastSquares(c.F, Vector2d(-1.2, 1.0), c.Options);
        EXPECT_EQ(r.Summary.Stop, c.Stop);
        EXPECT_EQ(StopReasonName(r.Summary.Stop), c.Name);
        EXPECT_EQ(r.Summary.Converged(), c.Stop == TStopReason::Bound);
        if (c.Stop == TStopReason::Bound) {
            EXPECT_NEAR(r.X[0], 0.5, 1e-12);
            EXPECT_NEAR(r.X[1], 0.25, 1e-6);
            EXPECT_NEAR(r.Ss, 0.25, 1e-9);
            // The end gradient over every parameter, the held one pressing on its bound.
            VectorXd residuals;
            MatrixXd jacobian;
            Rosenbrock(r.X, residuals, &jacobian);
            const VectorXd g = jacobian.transpose() * residuals;
            ASSERT_EQ(r.Gradient.size(), 2);
            EXPECT_NEAR(r.Gradient[0], g[0], 1e-12);
            EXPECT_NEAR(r.Gradient[1], g[1], 1e-9);
            EXPECT_LT(r.Gradient[0], -0.1);
        } else {
            EXPECT_GT(r.Summary.GradientNorm, 1e-3);
        }
    }
}

// Damped steps that the box clips onto the corner just refused are refused without asking f
// again: a small box round the start and a Jacobian pointing the wrong way make every long step
// end in the same corner.
TEST(LevenbergMarquardt, AStepClippedOntoTheRefusedPointIsNotEvaluatedAgain) {
    std::vector<VectorXd> asked;
    const TResidualFunction wrong = [&](const VectorXd& x, VectorXd& r, MatrixXd* j) {
        asked.push_back(x);
        Line(x, r, j);
        if (j != nullptr) {
            *j = -*j;
        }
        return true;
    };
    TLmOptions box;
    box.Lower = Vector2d(4.9, -3.1);
    box.Upper = Vector2d(5.1, -2.9);
    const TLmResult r = SolveLeastSquares(wrong, Vector2d(5.0, -3.0), box);
    EXPECT_EQ(r.Summary.Stop, TStopReason::NoProgress);
    ASSERT_GT(asked.size(), 2u);
    for (std::size_t i = 1; i < asked.size(); ++i) {
        EXPECT_NE(asked[i], asked[i - 1]) << "evaluation " << i;
    }
}

}  // namespace
}  // namespace kelmora::analysis
