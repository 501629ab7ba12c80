#pragma once

#include "engine/FitSink.h"
#include "engine/FitState.h"
#include "util/TextTable.h"

namespace kelmora {

// Step-halving coordinate search over the parameters with Optimize set, starting from the
// Step values the caller has set. Keeps the window alive through the sink and ends early when
// a stop is seen at a refresh; StopRequested is left set then, so an enclosing scan sees it
// too. Q and the points always belong to the Values on return.
void RunOptimizer(TFitState& state, IFitSink& sink);

// The "Optimize" command: reads the table, searches from MaxStep and shows the result.
void OptimizeCommand(TFitState& state, const ITextTable& table, const TFitSettings& settings,
                     IFitSink& sink);

}  // namespace kelmora
