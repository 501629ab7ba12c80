#include "engine/Optimizer.h"

#include <limits>

#include "engine/FitCommand.h"

namespace kelmora {

namespace {

constexpr std::uint32_t RefreshIntervalMs = 100;

// One pass over the marked parameters, a step up and then down, keeping strict improvements
// greedily. Returns whether Q fell.
bool Sweep(TFitState& state) {
    bool improved = false;
    double best = state.ComputeQ();
    for (TFitParam& p : state.FitParams) {
        if (!p.Optimize) {
            continue;
        }
        const double saved = p.Value;
        p.Value = saved + p.Step;
        double q = state.ComputeQ();
        if (q < best) {
            improved = true;
            best = q;
            continue;
        }
        p.Value = saved - p.Step;
        q = state.ComputeQ();
        if (q < best) {
            improved = true;
            best = q;
            continue;
        }
        p.Value = saved;
    }
    return improved;
}

// After a sweep without progress: halve, never below MinStep. True while some marked
// parameter has a step left to halve.
bool HalveSteps(TFitState& state) {
    bool anyAbove = false;
    for (TFitParam& p : state.FitParams) {
        if (!p.Optimize) {
            continue;
        }
        p.Step = p.Step * 0.5;
        if (p.Step < p.MinStep) {
            p.Step = p.MinStep;
            p.AtMinStep = true;
        }
        anyAbove = anyAbove || !p.AtMinStep;
    }
    return anyAbove;
}

}  // namespace

void RunOptimizer(TFitState& state, IFitSink& sink) {
    std::uint32_t mark = sink.TickCount();
    for (TFitParam& p : state.FitParams) {
        p.AtMinStep = false;
    }
    state.StopRequested = false;

    for (;;) {
        const bool improved = Sweep(state);

        // Counted from the end of the last refresh, as the scan does, so a slow redraw cannot
        // starve the search.
        if (static_cast<std::uint32_t>(sink.TickCount() - mark) > RefreshIntervalMs) {
            if (improved) {
                state.ComputeQ();
                sink.Refresh(state);
            }
            if (StopSeen(state, sink)) {
                // The last trial may have been a rejected one: what the window shows must
                // belong to the Values it shows.
                state.ComputeQ();
                return;
            }
            mark = sink.TickCount();
        }

        const bool more = improved || HalveSteps(state);
        // Saturating, so that a count entered at the bottom of the range cannot wrap around
        // into a huge one.
        if (state.IterLeft > std::numeric_limits<std::int32_t>::min()) {
            --state.IterLeft;
        }
        if (!(state.IterLeft > 0 && more)) {
            break;
        }
    }
    state.ComputeQ();
}

void OptimizeCommand(TFitState& state, const ITextTable& table, const TFitSettings& settings,
                     IFitSink& sink) {
    RunFitCommand(state, table, settings, sink, TFitPhase::Optimizing, [&state, &sink] {
        for (TFitParam& p : state.FitParams) {
            p.Step = p.MaxStep;
        }
        RunOptimizer(state, sink);
        state.OptimizeEnded = true;
    });
}

}  // namespace kelmora
