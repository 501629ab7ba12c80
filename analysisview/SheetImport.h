#pragma once

#include <string>
#include <vector>

#include "files/TitrationColumns.h"

namespace kelmora {

// The Analysis sheet's cells from the chosen columns of a data file, for RestoreSheetCells: a
// header row of "C", "P0" and the signal names (the file's own header names where it has them),
// then one row per data line with empty cells kept empty and numbers in the decimal separator in
// force. Raises EKelmoraError naming the file, line and column of a field that is no number, and
// refuses a choice that uses one column twice, has no signal or more than the sheet holds.
std::vector<std::vector<std::string>> ImportedSheetCells(const TDataFile& file,
                                                         const TTitrationColumns& columns,
                                                         const std::string& fileName);

// The Spectra window's points from a points file: C in the first column and the host in the
// second (the data-file importer takes no file of one column), under the header "C", "P0"; the
// same number rules as above.
std::vector<std::vector<std::string>> ImportedPointsCells(const TDataFile& file,
                                                          const std::string& fileName);

// The data lines of the file columns in from (-1: an empty cell) appended to cells, converted as
// above.
void AppendImportedRows(std::vector<std::vector<std::string>>& cells, const TDataFile& file,
                        const std::vector<int>& from, const std::string& fileName);

}  // namespace kelmora
