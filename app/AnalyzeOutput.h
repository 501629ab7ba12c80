#pragma once

#include <ostream>

#include "analysis/Analysis.h"

namespace kelmora {

// One block per model (parameter, value, SE, 95 % interval, Monte Carlo interval, K in M^-1
// and its intervals, the fit statistics), then the comparison, the verdict and the Monte Carlo
// count. Six significant digits: what a table in a paper shows.
void WriteAnalysisText(std::ostream& out, const analysis::TAnalysisResult& result);

// Everything in one JSON object, numbers with 17 significant digits, null where a value does
// not exist.
void WriteAnalysisJson(std::ostream& out, const analysis::TAnalysisResult& result);

}  // namespace kelmora
