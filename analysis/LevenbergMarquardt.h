#pragma once

// A bounded Levenberg-Marquardt least-squares solver that knows nothing of titrations: the
// problem is a callback that gives the residuals and, when asked, their Jacobian. It says why
// it stopped, so that a fit that ran out of iterations is never mistaken for a converged one.

#include <Eigen/Dense>
#include <functional>

#include "analysis/FitSummary.h"

namespace kelmora::analysis {

// Fills r with the residuals at x and, when j is not null, j with d r / d x. Returns false
// when x cannot be evaluated (the solver then treats it as infinitely bad).
using TResidualFunction =
    std::function<bool(const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::MatrixXd* j)>;

struct TLmOptions {
    Eigen::VectorXd Lower;  // empty: no bounds; else one per parameter (may be +-infinity)
    Eigen::VectorXd Upper;
    double RelativeTolerance = 1e-12;
    double SsFloor = 0.0;  // an SS at or below this is exact but for rounding
    int MaxIterations = 500;
    std::function<bool()> Stop;  // asked before each step and each retry of a step
    // f keeps its work from a call without the Jacobian for a call with it at the same point:
    // trials are then evaluated without it, and it is asked for once a trial lowers SS.
    bool JacobianWhenTaken = false;
};

struct TLmResult {
    Eigen::VectorXd X;
    double Ss = 0.0;
    Eigen::VectorXd Gradient;  // of SS/2 at X, over every parameter; empty when X failed
    TLmSummary Summary;
};

TLmResult SolveLeastSquares(const TResidualFunction& f, const Eigen::VectorXd& start,
                            const TLmOptions& options);

}  // namespace kelmora::analysis
