#include "app/SpectraOutput.h"

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <string>

#include "app/ResultFormat.h"

namespace kelmora {
namespace {

using analysis::TParamResult;
using analysis::TSpectraModelResult;
using analysis::TSpectraResult;

void WriteModelText(std::ostream& out, const TSpectraModelResult& m,
                    const std::vector<double>& wavelengths) {
    out << "Model " << m.Model << (m.Converged ? "" : ": did not converge") << '\n';
    WriteParamHeader(out);
    for (const TParamResult& p : m.LgK) {
        WriteParamLine(out, p);
    }
    // A whole spectrum is for the JSON and the window; the text names each species' strongest
    // band, where a chemist checks it against the literature.
    for (const analysis::TSpeciesSpectrum& s : m.Species) {
        std::size_t peak = 0;
        for (std::size_t l = 1; l < s.Eps.size(); ++l) {
            if (std::abs(s.Eps[l]) > std::abs(s.Eps[peak])) {
                peak = l;
            }
        }
        out << "  " << std::setw(16) << ("eps " + s.Species) << std::setw(16) << Num(s.Eps[peak])
            << std::setw(16) << Num(s.Se[peak]) << "at " << Num(wavelengths[peak])
            << " nm, its largest\n";
    }
    out << std::right;
    if (m.ReplicatesDone > 0) {
        out << "  Monte Carlo: " << m.McUsed << " of " << m.ReplicatesDone << " replicates used, "
            << m.McAtBound << " at a search limit of lg K, " << m.McFailed << " did not converge\n";
    }
    out << "  SS " << Num(m.Ss) << "   RMS " << Num(m.Rms) << "   AIC " << Num(m.Aic) << "   AICc "
        << Num(m.Aicc) << "   BIC " << Num(m.Bic) << "   N - p " << m.Dof
        << "   stop: " << analysis::StopReasonName(m.Fit.Stop) << '\n';
    if (!m.Message.empty()) {
        out << "  Note: " << m.Message << '\n';
    }
    out << '\n';
}

TJson ModelJson(const TSpectraModelResult& m, const std::vector<double>& wavelengths) {
    TJson species = TJson::object();
    for (const analysis::TSpeciesSpectrum& s : m.Species) {
        species[s.Species] = {{"eps", JsonNumbers(s.Eps)}, {"se", JsonNumbers(s.Se)}};
    }
    TJson doc = ModelSummaryJson(m.Model, m);
    doc["params"] = ParamsJson(m.LgK);
    doc["spectra"] = {{"wavelengths", JsonNumbers(wavelengths)}, {"species", std::move(species)}};
    doc["residuals"] = JsonMatrix(m.Residuals);
    return doc;
}

}  // namespace

void WriteSpectraText(std::ostream& out, const TSpectraResult& result, double pathLength) {
    const std::vector<double>& w = result.Wavelengths;
    out << "Spectra " << result.Points << ", wavelengths " << w.size() << " (" << Num(w.front())
        << " to " << Num(w.back()) << " nm), " << analysis::ObservableName(result.Observable)
        << ", path length " << Num(pathLength) << " cm\n";
    out << "Factor analysis: " << result.Factors.Species << " species above the noise (sd "
        << Num(result.Factors.NoiseSd) << "); singular values";
    const std::size_t shown = std::min<std::size_t>(result.Factors.SingularValues.size(), 8);
    for (std::size_t k = 0; k < shown; ++k) {
        out << ' ' << Num(result.Factors.SingularValues[k]);
    }
    out << (shown < result.Factors.SingularValues.size() ? " ...\n\n" : "\n\n");
    for (const TSpectraModelResult& m : result.Models) {
        WriteModelText(out, m, w);
    }
    WriteComparisonText(out, result.Comparison, result.Verdict);
    if (result.ReplicatesRequested > 0) {
        out << "Monte Carlo: " << result.ReplicatesRequested << " replicates"
            << (result.Stopped ? " (stopped)" : "") << ", seed " << result.Seed << '\n';
    }
}

void WriteSpectraJson(std::ostream& out, const TSpectraResult& result) {
    TJson models = TJson::array();
    for (const TSpectraModelResult& m : result.Models) {
        models.push_back(ModelJson(m, result.Wavelengths));
    }
    TJson doc = {{"command", "analyze"},
                 {"observable", std::string(analysis::ObservableName(result.Observable))},
                 {"points", result.Points},
                 {"seed", result.Seed},
                 {"stopped", result.Stopped},
                 {"singularValues", JsonNumbers(result.Factors.SingularValues)},
                 {"factorSpecies", result.Factors.Species},
                 {"factorNoiseSd", JsonNumber(result.Factors.NoiseSd)},
                 {"models", std::move(models)}};
    AddComparisonJson(doc, result.Comparison, result.Verdict);
    WriteJson(out, doc);
}

}  // namespace kelmora
