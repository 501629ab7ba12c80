#pragma once

#include <optional>
#include <string_view>

#include "analysis/Analysis.h"

namespace kelmora {

// A finite number written the C way ("1e-3", "+0.5", never "1,5"), whatever the locale.
std::optional<double> ParseCNumber(std::string_view cell);

// The first line of a text file, taken off text: up to LF (or the end), without a CR before it.
std::string_view TakeLine(std::string_view& text);

// The titration text of kelmora-fit analyze: one point per line, C first, then (with
// hostColumn) the host concentration, then one shift per signal, cells split by the paste rule
// of the sheet (grid/GridText.h: between TABs an empty cell keeps its column, else blanks);
// an optional first line of names only (no cell a number) names the signals. Blank lines are
// skipped. Without a host column every point gets host. Raises EKelmoraError naming line and
// column for a blank or non-numeric cell, a negative C, a host not above 0, or a number beyond
// the limits of a titration (analysis::MaxConcentration, analysis::MaxShiftMagnitude).
analysis::TTitration ParseTitrationText(std::string_view text, bool hostColumn, double host);

// A spreadsheet export (.csv or .tsv) read by the data-file importer the Analysis window uses:
// separator, decimal mark and header found as there, C, the host and the signals chosen from the
// header names, the host column used whenever the file names one. With hostColumn and no
// column named as the host, raises EKelmoraError.
analysis::TTitration ParseTitrationFile(std::string_view text, const std::string& fileName,
                                        bool hostColumn, double host);

// Whether a data file's name says it is a spreadsheet export.
bool IsSpreadsheetFileName(std::string_view name);

}  // namespace kelmora
