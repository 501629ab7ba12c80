#pragma once

#include "engine/FitHost.h"
#include "engine/FitState.h"

namespace kelmora {

// Step-halving coordinate search over the parameters with Optimize set, starting from the
// Step values the caller has set. Keeps the window alive through the host and ends early when
// StopRequested is seen at a refresh; StopRequested is left set then, so an enclosing scan
// sees it too. Q and the points always belong to the Values on return.
void RunOptimizer(TFitState& state, IFitHost& host);

// The "Optimize" command: reads the table, searches from MaxStep and shows the result.
void OptimizeCommand(TFitState& state, IFitHost& host);

}  // namespace kelmora
