#pragma once

#include <array>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/TextTable.h"

namespace kelmora {

// The data sheet of the Analysis window: a header row, then one titration point per row with
// C, the host concentration P0 (optional) and up to eight observed shifts.
inline constexpr int SheetColC = 0;
inline constexpr int SheetColP0 = 1;
inline constexpr int SheetFirstShiftCol = 2;
inline constexpr int SheetMaxSignals = 8;
inline constexpr int SheetColCount = SheetFirstShiftCol + SheetMaxSignals;

// "C", "P0", "s1" ... "s8": a shift column's default title is the name its signal gets in the
// results, so the sheet and the results never call one signal by two names.
std::string DefaultSheetTitle(int col);
// Puts the default titles into the header row; the data rows are left alone.
void ResetSheetHeader(ITextTable& sheet);

// What a fit will take from the sheet as it stands: the rows from the first down to the one
// before the first blank C, the shift columns holding anything in those rows, and whether the
// P0 column does (then it gives the host per point, otherwise the P0 field gives it for all).
struct TSheetExtent {
    int Points = 0;
    std::vector<int> SignalCols;
    bool HostColumn = false;
    int Signals() const { return static_cast<int>(SignalCols.size()); }
};
TSheetExtent MeasureSheet(const ITextTable& sheet);
// The live caption under the sheet, e.g. "12 points, 2 signals".
std::string ExtentText(const TSheetExtent& extent);

// A cell that does not hold a number; Col and Row say which, for the window to select it.
class ESheetCellError : public EKelmoraError {
  public:
    ESheetCellError(const std::string& message, int col, int row)
        : EKelmoraError(message), Col(col), Row(row) {}
    int Col;
    int Row;
};

// Reads the extent of the sheet in the decimal separator in force: one host value from the P0
// text, or one per point from the P0 column. A blank or non-numeric cell raises ESheetCellError
// naming its row and column; a bad P0 text raises the conversion error.
analysis::TTitration ReadSheet(const ITextTable& sheet, const std::string& p0Text);

// Where the analysis's checks of the numbers themselves find fault in the sheet read from it, so
// that the window can select it: the C of the first point that is negative, the P0 cell of the
// first host not above 0, or the whole column of a signal that never changes. Nothing when the
// fault is elsewhere (a P0 field not above 0, the settings).
std::optional<TGridRect> RejectedCells(const ITextTable& sheet,
                                       const analysis::TTitration& titration);

// The table of fixed parameters: a name in column 0 and its value in column 1 from row 1 on;
// rows without a name are skipped.
std::vector<analysis::TFixedParam> ReadFixedParams(const ITextTable& table);

// The name a shift column gives its signal: the title of its header, or its default title when
// that is blank.
std::string SignalName(const ITextTable& sheet, int col);

// The sheet's texts for a file: the header row (it holds the signal names) and the rows below
// down to the last that holds anything, each SheetColCount cells wide.
std::vector<std::vector<std::string>> SheetCells(const ITextTable& sheet);
// Back into a sheet: every cell emptied, the default header, then the saved rows over them.
// The sheet gets minRows rows, or more when the saved rows need them; cells beyond its columns
// are dropped.
void RestoreSheetCells(const std::vector<std::vector<std::string>>& cells, TGridCore& sheet,
                       int minRows);

// The fixed-parameter table's texts for a file, name to value text, rows without a name left
// out; and back, each name in a row of its own in name order, the table growing to hold them and
// never below minRows.
std::map<std::string, std::string> FixedCells(const ITextTable& table);
void RestoreFixedCells(const std::map<std::string, std::string>& cells, TGridCore& table,
                       int minRows);

// Whether a pasted first line holds names rather than numbers: it has cells and none of them
// reads as a number.
bool IsNamesLine(std::string_view line);

// What the main window takes of a titration: C and the shift of one signal per point, as texts
// in the separator in force; and its one P0. The main window holds a single P0, so a host that
// varies from point to point raises EKelmoraError rather than being averaged away.
std::vector<std::array<std::string, 2>> MainTableData(const analysis::TTitration& titration,
                                                      int signal);
std::string MainTableP0(const analysis::TTitration& titration);

// Pastes as the grid does, with the rules that keep two data sets from mixing: the pasted block
// fills its full width even when fewer columns are selected; a paste into whole columns empties
// them below the block; a first line of names titles the shift columns it lands on, and without
// one the shift columns of the block get their default titles back, so no name of earlier data
// sticks. Returns the block of data cells the paste owns (whole columns to the last row when
// whole columns were chosen); empty (Top > Bottom) when it wrote no data row.
TGridRect PasteIntoSheet(TGridCore& sheet, std::string_view text);

// Whether a data cell outside block holds anything: data of an earlier set beside or below a
// paste would be fitted with it.
bool DataOutside(const ITextTable& sheet, const TGridRect& block);
// Empties every data cell outside block.
void ClearOutside(TGridCore& sheet, const TGridRect& block);
// Every data cell emptied and the default header back.
void ClearSheet(TGridCore& sheet);

// The count line under the sheet: the extent, and after a paste that left earlier data beside
// or below it, a warning naming that.
std::string CountText(const ITextTable& sheet, const std::optional<TGridRect>& pasted);
inline constexpr const char* DataOutsideWarning = "cells outside the pasted block still hold data";

}  // namespace kelmora
