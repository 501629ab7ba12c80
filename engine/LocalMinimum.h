#pragma once

#include <array>
#include <cstdint>

#include "engine/FitState.h"

namespace kelmora {

// One scanned parameter's neighbourhood, formed once per test. Every probe assigns these
// stored doubles, so a parameter set back to MidValue is bit-identical to its entry value.
struct TProbeAxis {
    std::int32_t ParamIndex = 0;
    double LowValue = 0.0;
    double MidValue = 0.0;
    double HighValue = 0.0;
};

// What the corner recursion shares with the test that started it.
struct TProbeContext {
    TFitState& State;
    std::array<TProbeAxis, ParamCount> Axes{};
    std::int32_t Count = 0;  // m, the number of scanned parameters
    double Q0 = 0.0;
};

// True when Q at the current point is not beaten by any of the 2m axis neighbours or the 2^m
// corners one ScanStep away over the scanned parameters. A NaN anywhere counts as beaten.
// Leaves the Values bit-identical and Q at the point's criterion, unless ComputeQ raises.
bool IsLocalMinimum(TFitState& state);

// The corners in lexicographic order (lowest index slowest, low side first) from depth d on;
// true at the first one below Q0.
bool ProbeCorners(TProbeContext& ctx, std::int32_t d);

}  // namespace kelmora
