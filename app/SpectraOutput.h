#pragma once

#include <ostream>

#include "analysis/Spectra.h"

namespace kelmora {

// The spectra's analysis as text: the factor analysis, then one block per model (its lg K with
// SE, 95 % and Monte Carlo intervals, each species' strongest band with its SE, the fit
// statistics), the comparison, the verdict and the Monte Carlo count.
void WriteSpectraText(std::ostream& out, const analysis::TSpectraResult& result, double pathLength);

// Everything in one JSON object: per model the lg K as params, the species spectra with their
// SE and the residuals; numbers with 17 significant digits, null where a value does not exist.
void WriteSpectraJson(std::ostream& out, const analysis::TSpectraResult& result);

}  // namespace kelmora
