#pragma once

#include "engine/FitSink.h"
#include "engine/FitState.h"
#include "util/TextTable.h"

namespace kelmora {

// At a refresh: whether the run is to stop, by the user's word now or by a stop recorded
// earlier (a refinement's, seen by the scan around it). A new one is recorded in StopRequested.
inline bool StopSeen(TFitState& state, IFitSink& sink) {
    if (sink.TestStop()) {
        state.StopRequested = true;
    }
    return state.StopRequested;
}

// The frame Optimize and Scan share: the table and settings into the state (a faulty cell ends
// the command before the sink hears of it), the phase announced, the command's own work, and
// the end state shown once more.
template <class TWork>
void RunFitCommand(TFitState& state, const ITextTable& table, const TFitSettings& settings,
                   IFitSink& sink, TFitPhase phase, TWork work) {
    state.ReadParamsTable(table, settings);
    sink.PhaseChanged(phase);
    work();
    sink.Refresh(state);
}

}  // namespace kelmora
