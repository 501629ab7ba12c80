#pragma once

#include <string>
#include <vector>

#include "analysis/Analysis.h"

namespace kelmora {

struct TCurvePoint {
    double X = 0.0;
    double Y = 0.0;
};
using TCurve = std::vector<TCurvePoint>;

// What the Analysis window draws for one fitted model, all against C: per signal the observed
// shifts, the model curve and the residuals; and the share of the host in each of the model's
// species (m·[PmLn]/P total): free P, then the complexes.
struct TAnalysisCurves {
    std::vector<TCurve> Observed;
    std::vector<TCurve> Fitted;
    std::vector<TCurve> Residuals;
    std::vector<std::string> SpeciesNames;  // "P", "PL", "P2L", ...
    std::vector<TCurve> Species;
};

// The curves run over the titrated range in `samples` even steps of C. A host given per point is
// taken along the titration: linear in C between the points, constant beyond them. A model
// without a fit (no parameters) has observed points only.
TAnalysisCurves MakeCurves(const analysis::TModelResult& model,
                           const analysis::TTitration& titration, int samples = 200);

// C over the titrated range in `samples` even steps, both ends included; the one C of a
// titration that does not vary it.
std::vector<double> SampledConc(const analysis::TTitration& titration, int samples);

// The share of the host in each species of the model at values' lg K (m·[PmLn]/P total) at
// each C of conc, the host taken along the titration: SpeciesNames and Species of curves, free P
// first, then the complexes.
void AddSpeciesShares(const analysis::TModelValues& values, const analysis::TTitration& titration,
                      const std::vector<double>& conc, TAnalysisCurves& curves);

// The host concentration along the titration at ligand concentration c.
double HostAlong(const analysis::TTitration& titration, double c);

}  // namespace kelmora
