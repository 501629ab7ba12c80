#include "analysis/LevenbergMarquardt.h"

#include <cmath>
#include <limits>
#include <vector>

namespace kelmora::analysis {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

struct TPoint {
    Eigen::VectorXd X;
    Eigen::VectorXd R;
    Eigen::MatrixXd J;
    double Ss = Infinity;
};

TPoint Evaluate(const TResidualFunction& f, const Eigen::VectorXd& x, bool jacobian = true) {
    TPoint p;
    p.X = x;
    if (f(x, p.R, jacobian ? &p.J : nullptr)) {
        const double ss = p.R.squaredNorm();
        p.Ss = std::isfinite(ss) && p.J.allFinite() ? ss : Infinity;
    }
    return p;
}

// The gradient of SS/2 and the Gauss-Newton matrix over the parameters that the gradient does
// not press against a bound; only those may move.
struct TStepSystem {
    std::vector<Eigen::Index> Movable;
    bool Held = false;  // a parameter is held on its bound
    Eigen::VectorXd G;
    Eigen::MatrixXd H;
};

TStepSystem StepSystem(const TPoint& p, const TLmOptions& options) {
    const Eigen::VectorXd g = p.J.transpose() * p.R;
    const bool bounded = options.Lower.size() == p.X.size();
    TStepSystem sys;
    for (Eigen::Index k = 0; k < p.X.size(); ++k) {
        const bool pushedDown = bounded && p.X[k] <= options.Lower[k] && g[k] > 0.0;
        const bool pushedUp = bounded && p.X[k] >= options.Upper[k] && g[k] < 0.0;
        if (pushedDown || pushedUp) {
            sys.Held = true;
        } else {
            sys.Movable.push_back(k);
        }
    }
    const Eigen::MatrixXd j = p.J(Eigen::all, sys.Movable);
    sys.G = g(sys.Movable);
    sys.H = j.transpose() * j;
    return sys;
}

}  // namespace

std::string_view StopReasonName(TStopReason reason) {
    switch (reason) {
        case TStopReason::Tolerance:
            return "tolerance";
        case TStopReason::IterationLimit:
            return "iteration limit";
        case TStopReason::NoProgress:
            return "no progress";
        case TStopReason::Bound:
            return "bound";
        case TStopReason::Stopped:
            return "stopped";
    }
    return "";
}

// Done when the Gauss-Newton step promises, or an accepted step achieves, a relative decrease
// of SS below the tolerance. The damping scales the diagonal of J'J (Marquardt's choice), so the
// steps do not depend on the units of the parameters; a small floor keeps a column of zeros from
// making the damped system singular. It follows how well the local model foretold the last step
// (Nielsen's rule: eased by up to a factor 3 after a good step, raised ever faster after
// failed ones), which wastes far fewer trials than tenfold jumps.
TLmResult SolveLeastSquares(const TResidualFunction& f, const Eigen::VectorXd& start,
                            const TLmOptions& options) {
    const bool bounded = options.Lower.size() == start.size();
    const auto inBox = [&](Eigen::VectorXd x) {
        return bounded ? Eigen::VectorXd(x.cwiseMax(options.Lower).cwiseMin(options.Upper)) : x;
    };
    TPoint current = Evaluate(f, inBox(start));
    TLmResult out;
    const auto finish = [&](TStopReason reason, const TStepSystem& sys) {
        out.X = current.X;
        out.Ss = current.Ss;
        if (std::isfinite(current.Ss)) {
            out.Gradient = current.J.transpose() * current.R;
        }
        out.Summary.Stop =
            reason == TStopReason::Tolerance && sys.Held ? TStopReason::Bound : reason;
        out.Summary.GradientNorm = sys.G.norm();
        return out;
    };
    double lambda = 1e-3;
    double raise = 2.0;
    bool reached = false;  // the last accepted step was below the tolerance
    for (;; ++out.Summary.Iterations) {
        if (!std::isfinite(current.Ss)) {
            return finish(TStopReason::NoProgress, {});
        }
        const TStepSystem sys = StepSystem(current, options);
        if (reached || current.Ss <= options.SsFloor) {
            return finish(TStopReason::Tolerance, sys);
        }
        if (sys.Movable.empty()) {
            return finish(TStopReason::Bound, sys);
        }
        if (out.Summary.Iterations >= options.MaxIterations) {
            return finish(TStopReason::IterationLimit, sys);
        }
        if (options.Stop && options.Stop()) {
            return finish(TStopReason::Stopped, sys);
        }
        const double predicted =
            sys.G.dot(Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd>(sys.H).solve(sys.G));
        if (predicted <= options.RelativeTolerance * current.Ss + options.SsFloor) {
            return finish(TStopReason::Tolerance, sys);
        }
        const double floor =
            1e-12 * sys.H.diagonal().maxCoeff() + std::numeric_limits<double>::min();
        Eigen::VectorXd refused;  // the last trial point that did not lower SS
        for (;;) {
            Eigen::MatrixXd damped = sys.H;
            damped.diagonal() += lambda * (sys.H.diagonal().array() + floor).matrix();
            const Eigen::VectorXd step = damped.ldlt().solve(-sys.G);
            Eigen::VectorXd trial = current.X;
            trial(sys.Movable) += step;
            trial = inBox(trial);
            // With its Jacobian at once, unless f can add it later for less: most trials are
            // taken, and the residuals come with it. A damped step that the box clips back onto
            // the point just refused (a corner, say) is refused again without asking f.
            const bool now = !options.JacobianWhenTaken;
            TPoint next = refused.size() == trial.size() && trial == refused
                              ? TPoint{}
                              : Evaluate(f, trial, now);
            if (!now && next.Ss < current.Ss) {
                next = Evaluate(f, trial);
            }
            if (next.Ss < current.Ss) {
                // The decrease of SS the Gauss-Newton model promised for the step taken.
                const Eigen::VectorXd taken = (trial - current.X)(sys.Movable);
                const double promised = -(2.0 * sys.G.dot(taken) + taken.dot(sys.H * taken));
                const double rho = promised > 0.0 ? (current.Ss - next.Ss) / promised : 0.0;
                reached = (current.Ss - next.Ss) / current.Ss < options.RelativeTolerance;
                current = std::move(next);
                const double ease = std::max(1.0 / 3.0, 1.0 - std::pow(2.0 * rho - 1.0, 3));
                lambda = std::max(lambda * ease, 1e-15);
                raise = 2.0;
                break;
            }
            refused = std::move(trial);
            lambda *= raise;
            raise *= 2.0;
            if (options.Stop && options.Stop()) {
                return finish(TStopReason::Stopped, sys);
            }
            if (lambda > 1e20) {
                // No step down at all: the minimum within rounding, unless the local model
                // still promised a real decrease.
                return finish(predicted <= 1e-8 * current.Ss + options.SsFloor
                                  ? TStopReason::Tolerance
                                  : TStopReason::NoProgress,
                              sys);
            }
        }
    }
}

}  // namespace kelmora::analysis
