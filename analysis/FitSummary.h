#pragma once

// How a least-squares descent ended, told apart so that a fit that ran out of iterations is
// never taken for a converged one.

#include <string_view>

namespace kelmora::analysis {

enum class TStopReason {
    Tolerance,       // the relative decrease of SS, achieved or promised, fell below tolerance
    IterationLimit,  // still descending when the iterations ran out
    NoProgress,      // no step lowers SS although the local model promises a real decrease
    Bound,           // converged with a parameter held on its bound by the gradient
    Stopped          // the caller asked to stop
};

// "tolerance", "iteration limit", "no progress", "bound", "stopped": the names scripts read.
std::string_view StopReasonName(TStopReason reason);

struct TLmSummary {
    int Iterations = 0;
    double GradientNorm = 0.0;  // of SS/2, over the parameters free to move at the end
    TStopReason Stop = TStopReason::Tolerance;

    bool Converged() const { return Stop == TStopReason::Tolerance || Stop == TStopReason::Bound; }
};

}  // namespace kelmora::analysis
