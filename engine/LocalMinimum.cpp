#include "engine/LocalMinimum.h"

namespace kelmora {

namespace {

// Written as "not at least Q0" so that an unordered comparison disqualifies.
inline bool IsLower(double q, double q0) {
    return !(q >= q0);
}

void RestoreMidValues(TProbeContext& ctx) {
    for (std::int32_t k = 0; k < ctx.Count; ++k) {
        const TProbeAxis& a = ctx.Axes[k];
        ctx.State.FitParams[a.ParamIndex].Value = a.MidValue;
    }
    ctx.State.Q = ctx.Q0;
}

// A lower neighbour along one parameter, all others at the point.
bool ProbeAxes(TProbeContext& ctx) {
    for (std::int32_t k = 0; k < ctx.Count; ++k) {
        const TProbeAxis& a = ctx.Axes[k];
        double& value = ctx.State.FitParams[a.ParamIndex].Value;
        value = a.LowValue;
        if (IsLower(ctx.State.ComputeQ(), ctx.Q0)) {
            return true;
        }
        value = a.HighValue;
        if (IsLower(ctx.State.ComputeQ(), ctx.Q0)) {
            return true;
        }
        value = a.MidValue;
    }
    return false;
}

}  // namespace

bool ProbeCorners(TProbeContext& ctx, std::int32_t d) {
    if (d >= ctx.Count) {
        return IsLower(ctx.State.ComputeQ(), ctx.Q0);
    }
    const TProbeAxis& a = ctx.Axes[d];
    double& value = ctx.State.FitParams[a.ParamIndex].Value;
    value = a.LowValue;
    if (ProbeCorners(ctx, d + 1)) {
        return true;
    }
    value = a.HighValue;
    return ProbeCorners(ctx, d + 1);
}

bool IsLocalMinimum(TFitState& state) {
    TProbeContext ctx{state};
    for (std::int32_t i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        if (p.ScanFlag) {
            ctx.Axes[ctx.Count++] = {i, p.Value - p.ScanStep, p.Value, p.Value + p.ScanStep};
        }
    }

    bool result = true;
    ctx.Q0 = state.ComputeQ();
    if (ProbeAxes(ctx)) {
        result = false;
    }
    RestoreMidValues(ctx);
    if (!result) {
        return false;
    }

    // The expensive phase runs only for points that survived their axis neighbours.
    if (ProbeCorners(ctx, 0)) {
        result = false;
    }
    RestoreMidValues(ctx);
    return result;
}

}  // namespace kelmora
