#pragma once

#include <ostream>
#include <string>

#include "app/FitOptions.h"
#include "engine/DataEntry.h"
#include "engine/FitState.h"
#include "minima/MinimaStore.h"
#include "util/TextTable.h"

namespace kelmora {

// The six table rows (columns 1 to 7, TAB-separated, as --params takes them), "Q" TAB Q, and
// for a scan one line per listed minimum: number, Q to six decimals, the six values.
void WriteTextOutput(std::ostream& out, const ITextTable& paramsTable, const TFitState& state,
                     const TMinimaStore* minima);

// One JSON object with the command, Q, the names of the parameters out of bounds and at a
// bound, the parameter records, the data points and, for a scan, the listed minima and the
// best Q (null when nothing was listed).
// What the window's title says after the criterion, one line each for standard error:
// "kelmora-fit: out of bounds: C.Shift (P)", "kelmora-fit: at bound: ...".
void WriteBoundNotes(std::ostream& err, const TFitState& state);

// The data ended before lines that still hold text: how many, and where the data end.
std::string DataLeftOutWarning(const TDataRowCount& rows);

void WriteJsonOutput(std::ostream& out, TFitCommand command, const TFitState& state,
                     const TMinimaStore* minima);

}  // namespace kelmora
