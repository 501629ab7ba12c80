#pragma once

// What the Spectra window shows and reads, without Qt: the wavelengths a fit takes, the
// titration it fits, its figures and its result tables as texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/Spectra.h"
#include "analysisview/AnalysisReport.h"
#include "analysisview/Figure.h"
#include "files/SpectraFile.h"

namespace kelmora {

// The wavelengths a fit takes: those from lo to hi (either way round, both ends included), and
// of these every step-th from the first. Indexes into wavelengths, in their own order; a step
// below 1 counts as 1.
std::vector<std::size_t> ChosenWavelengths(const std::vector<double>& wavelengths, double lo,
                                           double hi, int step);

// The titration a run fits: the chosen wavelengths of every spectrum, with C and the host of
// each point (one host for all, or one per point). Raises EKelmoraError when spectra and points
// are not as many, or no wavelength is chosen.
analysis::TSpectraTitration ChosenSpectra(const TSpectraFile& file,
                                          const std::vector<std::size_t>& chosen,
                                          const analysis::TTitration& points);

// Point i of n's colour in the spectra chart: blue at the first point, through green, to red at
// the last, so that the eye follows the titration.
std::uint32_t PointRgb(std::size_t i, std::size_t n);

// A residual's colour on the residual map: white at 0, turning blue below and red above, full
// at ±scale and beyond.
std::uint32_t ResidualRgb(double residual, double scale);
// The map's scale: the largest residual, either sign; 0 when there is none.
double ResidualScale(const std::vector<std::vector<double>>& residuals);

// Every measured spectrum as a line in its point's colour, with the model's (measured minus
// residual) dashed in the same colour over it when a model is given.
TFigure SpectraFigure(const analysis::TSpectraTitration& titration,
                      analysis::TObservable observable, const analysis::TSpectraModelResult* model);
// Each species' ε(λ) in its own colour, shaded ±2 SE where its SE is known.
TFigure SpeciesSpectraFigure(const std::vector<double>& wavelengths,
                             analysis::TObservable observable,
                             const analysis::TSpectraModelResult& model);
// The wavelengths of the isotherms, as indexes into the titration's: the one nearest to each
// asked for (nm), each once, in the order asked; with none asked, the one where the spectra
// change most along the titration.
std::vector<std::size_t> IsothermWavelengths(const analysis::TSpectraTitration& titration,
                                             const std::vector<double>& asked);
// The signal against C at each of those wavelengths, each in its colour: measured as markers
// and the model's at the same points (measured minus residual) as a line through them.
TFigure IsothermFigure(const analysis::TSpectraTitration& titration,
                       analysis::TObservable observable, const analysis::TSpectraModelResult& model,
                       const std::vector<std::size_t>& at);
// The share of the host in each of the model's species along the titration at its lg K, as the
// Analysis window's species chart shows it; nothing for a model not in the catalogue.
TFigure DistributionFigure(const analysis::TSpectraTitration& titration,
                           const analysis::TSpectraModelResult& model, int samples = 200);
// lg of the singular values against their rank; those counted above the noise stand apart.
TFigure SingularValueFigure(const analysis::TFactorAnalysis& factors);

// The parameter table (ParamTableHeader) of one model: its lg K.
TTextRows SpectraParamRows(const analysis::TSpectraModelResult& model);
// One row per model: its fit statistics and F-tests, as the shifts' comparison has them.
std::vector<std::string> SpectraComparisonHeader(const analysis::TSpectraResult& result);
TTextRows SpectraComparisonRows(const analysis::TSpectraResult& result);
// "Factor analysis: 3 species above the noise (noise SD 0.002)".
std::string FactorText(const analysis::TFactorAnalysis& factors);
// Every model that did not converge or says what it lacks, and a stop; empty when all is well.
std::string SpectraWarningText(const analysis::TSpectraResult& result);

}  // namespace kelmora
