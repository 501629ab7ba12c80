#pragma once

#include <string>
#include <vector>

#include "engine/FitState.h"

namespace kelmora {

// Marked parameters whose Value lies outside [MinVal, MaxVal]: Q is then the penalty, not a
// measure of the fit, however good the drawn curve looks.
std::vector<int> OutOfBoundsParams(const TFitState& state);

// Where the last Optimize ended (and only then): marked parameters inside their bounds but
// closer to one than the search's last step (under two Min. steps). The bound stopped the
// search there, so the optimum may lie beyond it.
std::vector<int> AtBoundParams(const TFitState& state);

// Row labels of the parameters, in the order given.
std::vector<std::string> ParamNames(const std::vector<int>& params);

// " (out of bounds: C.Shift (P))", " (at bound: Lg(K1), C.Shift (PL))", both, or nothing.
std::string BoundNotesText(const TFitState& state);

}  // namespace kelmora
