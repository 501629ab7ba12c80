#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ChemSystem_u.h"
#include "engine/FitTypes.h"
#include "engine/FractionCache.h"
#include "util/TextTable.h"

namespace kelmora {

// Headers of the parameter table, and the cells the main window starts with,
// written with "," as decimal separator (the start-up separator update rewrites them).
extern const std::array<const char*, 8> ParamColumnHeaders;
extern const std::array<std::array<const char*, 7>, ParamCount> DefaultParamCells;
inline constexpr const char* DefaultIterCountText = "1000000000";
inline constexpr int ParamsGridCols = 8;
inline constexpr int ParamsGridRows = 7;
// Columns 1 to 7 (Value .. Steps count) of rows 1 to 6 of the parameter table, as texts.
inline constexpr int ParamCellColumns = ParamsGridCols - 1;
using TParamCells = std::array<std::array<std::string, ParamCellColumns>, ParamCount>;

// What the window hands a command besides the parameter table: the texts and ticks of the
// controls below it, as they stood when the button was pressed.
struct TFitSettings {
    std::string IterCountText = DefaultIterCountText;  // "Max. iterations in optimization"
    bool FinishMinima = false;  // "Complete optimization of minima during scan"
};

// Writes headers, row labels and default cells into a parameter table.
void FillDefaultParamsTable(ITextTable& table);

// After a change of the decimal separator: every cell of columns 1.. and rows 1.. gets the
// other separator replaced by the new one. Headers and row labels are left alone.
void ConvertParamsTableSeparator(ITextTable& table, const std::string& newSep);
// The separator that a change to newSep replaces: "." for ",", "," for anything else.
std::string OtherSeparator(const std::string& newSep);

// What "Update" does with the separator text: its first character becomes the process-wide
// separator, and the P0 text and the parameter table swap the other separator for it. An empty
// text has no character to take and changes nothing.
void ApplyDecimalSeparator(std::string_view separatorText, std::string& p0Text,
                           ITextTable& paramsTable);

// The parameter table as the user first sees it: the defaults after the start-up's update to ".".
void FillStartupParamsTable(ITextTable& table);

TParamCells ParamCellsOf(const ITextTable& table);
// Headers and row labels stay the table's own.
void RestoreParamCells(const TParamCells& cells, ITextTable& table);

// The fitting state the main window owns: parameters, data set, criterion and cache.
class TFitState {
  public:
    TFitState();

    std::array<TFitParam, ParamCount> FitParams{};
    std::array<double, ParamCount> LastParamValues{};
    double PorphyrinConc = 0.0;
    std::int32_t PointCount = 0;
    double Q = 0.0;
    double Weight = 0.0;
    std::vector<TDataPoint> Points;
    TChemSystem System;
    std::int32_t IterLeft = 0;
    bool FinishMinima = false;
    bool StopRequested = false;
    TParamVector SavedParams{};
    // The Values are where the last Optimize command ended; reading the table or setting
    // other Values ends that.
    bool OptimizeEnded = false;

    // P0 under which the stored fractions were solved: a new P0 must re-solve them.
    double SolvedP0 = 0.0;
    // Bookkeeping that tests and benchmarks read: criterion evaluations and point solves.
    std::uint64_t EvalCount = 0;
    std::uint64_t SolveCount = 0;
    // Evaluations that took every point's fractions from an earlier solve of the same inputs.
    std::uint64_t FractionReuseCount = 0;

    // The table into the records, then IterLeft and FinishMinima from the settings. A faulty
    // cell raises the conversion error; what was read before it stays read.
    void ReadParamsTable(const ITextTable& table, const TFitSettings& settings);
    void WriteParamsTable(ITextTable& table) const;

    void SetPointCount(std::int32_t n);

    // Data entry from the source-data table (C in column 0, Shift in column 1, data from row 1
    // down to the first blank C) and the P0 text. All or nothing: a text that does not
    // convert, a negative concentration, or no data row raises its error (engine/DataEntry.h)
    // and leaves the data set as it was.
    void LoadDataSet(const ITextTable& data, const std::string& p0Text);

    // The criterion for the current Values; stores it in Q and returns it.
    double ComputeQ();

    TParamVector GetParamVector() const;
    void SetParamValues(const TParamVector& v);

  private:
    // False, with nothing changed, when a concentration moved and every point must be solved.
    bool ComputeShiftsFromCache(double& sum);
    double ComputeShiftsSolving();
    double ComputeShiftsFromSet(const TFractionSet& set);
    TFractionCache fractions_;
    std::vector<double> theorBackup_;  // sized with the data set, so evaluations never allocate
};

// After the table has been read into the records: a Value whose cell still shows the saved
// value (in the separator in force) takes the saved value itself, so that the criterion comes
// out as it did when it was saved. A cell that shows anything else keeps what it says.
void RestoreExactValues(const TParamVector& saved, const ITextTable& table, TFitState& state);

}  // namespace kelmora
