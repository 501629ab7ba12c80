#pragma once

#include <vector>

#include "analysis/Analysis.h"
#include "analysisview/Provenance.h"
#include "files/Workbook.h"

namespace kelmora {

// The tables of a run for a spreadsheet, numbers at full precision: "Data" (C, host, every
// signal), "Results" (every model's parameters and constants), "Comparison" (with the verdict
// under it), "Residuals" (per model and point: C, host, then obs, calc and residual per signal)
// and "Provenance" (how the numbers were made).
std::vector<TSheet> ResultSheets(const analysis::TAnalysisResult& result,
                                 const analysis::TTitration& titration, const TRunRecord& record);

// The header of the residual table and one model's rows: C, host, then per signal obs, calc,
// residual.
std::vector<TCell> ResidualHeader(const std::vector<std::string>& signalNames);
std::vector<std::vector<TCell>> ResidualRows(const analysis::TModelResult& model,
                                             const analysis::TTitration& titration);

}  // namespace kelmora
