#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "engine/DataEntry.h"
#include "engine/FitState.h"
#include "files/AtomicFile.h"
#include "grid/GridCore.h"
#include "util/TextTable.h"

namespace kelmora {

// The most kelmora-fit reads from one input, as the program reads from a Kelmora file; an
// endless source such as a device ends there.
inline constexpr std::size_t MaxInputBytes = MaxFileBytes;

// The whole content of a file, or of standard input for "-", as text: a UTF-8 byte-order mark at
// the start is dropped. Raises EKelmoraError "cannot read <name>: <reason>" for a path that is a
// folder or cannot be opened or read, "<name>: not a text file, or not UTF-8" for content with
// NUL bytes (UTF-16 and binary files hold them, text never does) and "<name>: larger than <n>
// MB, the most kelmora-fit reads" for more than limit bytes. Standard input is named as such.
std::string ReadInputText(const std::string& fileName, std::istream& standardInput,
                          std::size_t limit = MaxInputBytes);

// Puts a parameter file into columns 1 to 7, rows 1 to 6, as if typed there. Six lines of seven
// TAB-separated cells, blanks around a cell trimmed; an empty Optimize? unmarks the parameter, any
// other empty cell keeps what the table held (the default table's or an opened file's cell).
// Blank cells past the seventh are tolerated and lines after the sixth are ignored, so a previous
// run's text output can be given back as it is. A cell that does not read as a number raises
// EKelmoraError naming sourceName, the line and the column.
void ReadParamsText(std::string_view text, ITextTable& paramsTable, const std::string& sourceName);

// The source-data dialog's table after pasting the text into it, both columns selected by their
// headers.
TGridCore DataTableFromText(std::string_view text);
// Data entry exactly as pasting the text into the source-data dialog's grid and pressing "Ок"
// would do it. Returns what the dialog would have counted: the points taken and the lines with
// text left out below them.
TDataRowCount LoadDataText(TFitState& state, std::string_view text, const std::string& p0Text);

}  // namespace kelmora
