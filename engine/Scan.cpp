#include "engine/Scan.h"

#include <string>

#include "engine/FitCommand.h"
#include "engine/LocalMinimum.h"
#include "engine/Optimizer.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

constexpr std::uint32_t RefreshIntervalMs = 200;
constexpr std::int32_t RefineIterations = 1000;

void ExamineCandidate(TFitState& state, IFitSink& sink) {
    if (!IsLocalMinimum(state)) {
        return;
    }
    const bool refine = state.FinishMinima;
    if (refine) {
        SaveParams(state);
        RefineMinimum(state, sink);
    }
    RememberParams(state, sink);
    if (refine) {
        RestoreParams(state);
    }
}

// Table, chart and pending events once more than 200 ms have passed since the last refresh
// ended: counted from its end, a redraw slower than the interval (a long chart, a busy machine)
// still leaves the scan its 200 ms of work before the next one. True when a stop was asked for;
// the mark stays where it was then, so every enclosing level refreshes once more and stops.
bool RefreshAndTestStop(TScanContext& ctx) {
    if (static_cast<std::uint32_t>(ctx.Sink.TickCount() - ctx.LastRefreshTick) <=
        RefreshIntervalMs) {
        return false;
    }
    ctx.Sink.Refresh(ctx.State);
    if (StopSeen(ctx.State, ctx.Sink)) {
        return true;
    }
    ctx.LastRefreshTick = ctx.Sink.TickCount();
    return false;
}

}  // namespace

void SaveParams(TFitState& state) {
    state.SavedParams = state.GetParamVector();
}

void RestoreParams(TFitState& state) {
    state.SetParamValues(state.SavedParams);
}

void RememberParams(TFitState& state, IFitSink& sink) {
    const TParamVector v = state.GetParamVector();
    sink.AddMinimum(v, state.Q);
}

void RefineMinimum(TFitState& state, IFitSink& sink) {
    for (TFitParam& p : state.FitParams) {
        p.Step = p.ScanStep * 0.5;
        p.Optimize = p.ScanFlag;
    }
    state.IterLeft = RefineIterations;
    sink.PhaseChanged(TFitPhase::Refining);
    RunOptimizer(state, sink);
    sink.PhaseChanged(TFitPhase::ScanningOn);
}

void ScanLevel(TScanContext& ctx, std::int32_t d) {
    TFitState& state = ctx.State;
    const TScanLevel& level = ctx.Levels[d];
    const bool innermost = d == ctx.LevelCount - 1;
    double& value = state.FitParams[level.ParamIndex].Value;

    value = level.StartValue - level.ScanStep;
    double prevQ = 1e50;
    bool descending = false;
    // The innermost level runs one point past MaxVal, where the penalty makes a run still
    // falling at MaxVal rise. 64 bits, so that the extra point cannot wrap the count.
    const std::int64_t n = std::int64_t{level.StepsCount} + (innermost ? 1 : 0);

    for (std::int64_t k = 0; k < n; ++k) {
        // Accumulated, not StartValue + k * ScanStep: lattice values carry their rounding.
        value = value + level.ScanStep;
        if (!innermost) {
            ScanLevel(ctx, d + 1);
        } else {
            const double q = state.ComputeQ();
            if (descending && q > prevQ) {
                value = value - level.ScanStep;
                ExamineCandidate(state, ctx.Sink);
                value = value + level.ScanStep;
            }
            descending = prevQ > q;
            prevQ = q;
        }
        if (RefreshAndTestStop(ctx)) {
            return;
        }
    }
}

void ScanParameters(TFitState& state, IFitSink& sink) {
    state.StopRequested = false;
    TScanContext ctx{state, sink};
    for (std::int32_t i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        if (p.ScanFlag) {
            ctx.Levels[ctx.LevelCount++] = {i, p.MinVal, p.ScanStep, p.StepsCount};
        }
    }
    if (ctx.LevelCount == 0) {
        return;
    }
    sink.ResetMinima();
    const TOnUnwind enableListOnError([&sink] { sink.EnableMinimaList(); });
    ctx.LastRefreshTick = sink.TickCount();
    ScanLevel(ctx, 0);
    sink.EnableMinimaList();
}

void RefuseShortLattices(const ITextTable& table) {
    for (int i = 0; i < ParamCount; ++i) {
        const int r = i + 1;
        if (HasNonBlank(table.Cell(4, r)) && ParseInt(table.Cell(7, r)) < 2) {
            throw EKelmoraError(std::string("Steps count of ") + ParamRowLabels[i] +
                                " must be at least 2 for a scan");
        }
    }
}

void ScanCommand(TFitState& state, const ITextTable& table, const TFitSettings& settings,
                 IFitSink& sink) {
    RefuseShortLattices(table);
    RunFitCommand(state, table, settings, sink, TFitPhase::Scanning,
                  [&state, &sink] { ScanParameters(state, sink); });
}

}  // namespace kelmora
