#pragma once

#include <ostream>
#include <string>

#include "app/FitOptions.h"
#include "engine/FitState.h"
#include "minima/MinimaStore.h"
#include "util/TextTable.h"

namespace kelmora {

// A JSON string: quote, backslash and control characters escaped, so that no name (a signal's
// comes from the user's file) can break the object.
std::string JsonString(const std::string& text);

// A JSON number that reads back to the same double: 17 significant digits, "." whatever the
// separator; NaN and the infinities have no JSON form and become null.
std::string FormatJsonNumber(double x);

// The six table rows (columns 1 to 7, TAB-separated, as --params takes them), "Q" TAB Q, and
// for a scan one line per listed minimum: number, Q to six decimals, the six values.
void WriteTextOutput(std::ostream& out, const ITextTable& paramsTable, const TFitState& state,
                     const TMinimaStore* minima);

// One JSON object with the command, Q, the parameter records, the data points and, for a scan,
// the listed minima and the best Q (null when nothing was listed).
void WriteJsonOutput(std::ostream& out, TFitCommand command, const TFitState& state,
                     const TMinimaStore* minima);

}  // namespace kelmora
