#pragma once

#include <optional>
#include <string_view>

#include "analysis/Analysis.h"

namespace kelmora {

// A finite number written the C way ("1e-3", "+0.5", never "1,5"), whatever the locale.
std::optional<double> ParseCNumber(std::string_view cell);

// The titration text of kelmora-fit analyze: one point per line, C first, then (with
// hostColumn) the host concentration, then one shift per signal, blanks or TABs between cells;
// an optional first line of names only (no cell a number) names the signals. Blank lines are
// skipped. Without a host column every point gets host. Raises EKelmoraError naming line and
// column for a blank or non-numeric cell, a negative C, a host not above 0, or a number beyond
// the limits of a titration (analysis::MaxConcentration, analysis::MaxShiftMagnitude).
analysis::TTitration ParseTitrationText(std::string_view text, bool hostColumn, double host);

}  // namespace kelmora
