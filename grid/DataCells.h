#pragma once

// The main window's source-data table as plain texts: C in column 0, Shift in column 1, from
// row 1 (row 0 holds the headers). What a Kelmora file keeps of it.

#include <array>
#include <string>
#include <vector>

#include "grid/GridCore.h"
#include "util/TextTable.h"

namespace kelmora {

// Rows of the source-data table as the dialog starts, its header row included.
inline constexpr int DataGridRows = 100;

using TDataCells = std::vector<std::array<std::string, 2>>;

// The texts without the empty rows at the table's end.
TDataCells DataCellsOf(const ITextTable& data);

// Back into the table, shaped as the dialog starts unless the texts need more rows; the table
// hears of one change, so that a view over it recounts the points once.
void RestoreDataCells(const TDataCells& cells, TGridCore& data);

}  // namespace kelmora
