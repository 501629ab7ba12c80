#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analysis/Analysis.h"
#include "engine/FitTypes.h"
#include "files/Workbook.h"

namespace kelmora {

// The one place where the Analysis window turns its results into text: six significant digits
// in the program's general format and decimal separator; an absent value is an empty text.
std::string ResultNumber(double x);
std::string ResultNumber(const std::optional<double>& x);

// Stands for the end of a profile interval that the data leave open.
inline constexpr const char* OpenEndText = "open";

// A cell of an exported table as the window shows it: a number through ResultNumber.
std::string CellText(const TCell& cell);

using TTextRows = std::vector<std::vector<std::string>>;

// A cell of a parameter's results before a view spells it: a word ("fixed", "at the limit"), a
// number, a closed interval, or a profile interval that may be open at either end; each but the
// word may not exist.
using TResultCell =
    std::variant<std::string, std::optional<double>, std::optional<analysis::TInterval>,
                 std::optional<analysis::TOpenInterval>>;

// The columns of a parameter's results, in the order every view shows them: the windows' tables,
// reports and copies (an interval as its two ends, a cell each, under SheetHeaders) and
// kelmora-fit's text (one column under TextHeader, padded to TextWidth; 0 for the last). A
// column added here shows in all of them.
struct TParamColumn {
    std::vector<std::string> SheetHeaders;
    std::string TextHeader;
    int TextWidth = 0;
    TResultCell (*Cell)(const analysis::TParamResult& p) = nullptr;
};
const std::vector<TParamColumn>& ParamColumns();

// The table of one model: every parameter, then each complex's overall constant, e.g. K1 in
// M⁻¹, K2 and K21 in M⁻².
const std::vector<std::string>& ParamTableHeader();
TTextRows ParamTableRows(const analysis::TModelResult& model);
// One parameter's row of that table, for every kind of titration.
std::vector<std::string> ParamRow(const analysis::TParamResult& p);

// "K21, M⁻²": a constant's name and unit.
std::string ConstantLabel(const analysis::TConstant& k);

// One row per model, and one F-test column per model that others are nested in: the p of a
// model against it stands in the model's row; ComparisonRicher names those models.
std::vector<std::string> ComparisonRicher(const analysis::TAnalysisResult& result);
std::vector<std::string> ComparisonRicher(const std::vector<analysis::TComparison>& comparison);
// The F-test cells of one model's row, one per model in ComparisonRicher.
void AppendFTests(std::vector<std::string>& row, const std::string& model,
                  const std::vector<analysis::TComparison>& comparison);
std::vector<std::string> ComparisonHeader(const analysis::TAnalysisResult& result);
TTextRows ComparisonRows(const analysis::TAnalysisResult& result);

// A line naming every model that did not converge, has no errors, or leaves a parameter
// undetermined; empty when there is nothing to warn about.
std::string WarningText(const analysis::TAnalysisResult& result);

// How far a run is, e.g. "Monte Carlo 1:2: 120 of 1000 replicates".
std::string ProgressText(const analysis::TAnalysisProgress& progress);

// How the run ended; a stopped run says how many replicates each model got, e.g.
// "Stopped. Monte Carlo replicates done of 1000: 1:1 1000, 1:2 120".
std::string RunStatusText(const analysis::TAnalysisResult& result);

// What "Copy results" and "Copy residuals" put on the clipboard: TAB between cells, CR LF
// after each line, the lines of how the numbers were made (Provenance.h) first. The residuals
// name their model and give per point C, host, then per signal obs, calc and residual.
std::string ResultsCopyText(const analysis::TAnalysisResult& result,
                            const std::vector<std::string>& provenance);
std::string ResidualsCopyText(const analysis::TModelResult& model,
                              const analysis::TTitration& titration,
                              const std::vector<std::string>& signalNames,
                              const std::vector<std::string>& provenance);

// The main window's criterion for one signal of a fitted model: 10⁴/n times the sum of its
// squared residuals.
double SignalQ(const analysis::TModelResult& model, int signal);
// The main window's six parameters for one signal of a fitted model; the 1:1 model switches
// PL2 off there with lg K2 = −1000. Absent for a model or signal the main window cannot show
// (other complexes than PL and PL2, a guest signal).
std::optional<TParamVector> MainTableVector(const analysis::TModelResult& model, int signal);

}  // namespace kelmora
