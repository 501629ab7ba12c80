#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "engine/FitState.h"
#include "util/TextTable.h"

namespace kelmora {

// The whole content of a file, or of standard input for "-". A file that cannot be read raises
// EKelmoraError("Cannot open file '<name>': <reason>").
std::string ReadInputText(const std::string& fileName, std::istream& standardInput);

// Puts a parameter file into columns 1 to 7, rows 1 to 6, as if typed there. Six lines of seven
// TAB-separated cells, blanks around a cell trimmed, empty cells kept; blank cells past the
// seventh are tolerated and lines after the sixth are ignored, so a previous run's text output
// can be given back as it is. sourceName only names the file in error messages.
void ReadParamsText(std::string_view text, ITextTable& paramsTable, const std::string& sourceName);

// Data entry exactly as pasting the text into the source-data dialog's grid (both columns
// selected from the first row) and pressing "Ок" would do it.
void LoadDataText(TFitState& state, std::string_view text, const std::string& p0Text);

}  // namespace kelmora
