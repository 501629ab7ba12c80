#include "analysisview/AnalysisCurves.h"

#include <algorithm>
#include <numeric>

namespace kelmora {

double HostAlong(const analysis::TTitration& titration, double c) {
    const std::vector<double>& conc = titration.Conc;
    if (titration.Host.size() == 1 || conc.empty()) {
        return titration.Host.empty() ? 0.0 : titration.Host.front();
    }
    std::vector<std::size_t> order(conc.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return conc[a] < conc[b]; });
    if (c <= conc[order.front()]) {
        return titration.Host[order.front()];
    }
    for (std::size_t k = 1; k < order.size(); ++k) {
        const double c0 = conc[order[k - 1]];
        const double c1 = conc[order[k]];
        if (c <= c1) {
            const double h0 = titration.Host[order[k - 1]];
            const double h1 = titration.Host[order[k]];
            return c1 > c0 ? h0 + (h1 - h0) * (c - c0) / (c1 - c0) : h1;
        }
    }
    return titration.Host[order.back()];
}

TAnalysisCurves MakeCurves(const analysis::TModelResult& model,
                           const analysis::TTitration& titration, int samples) {
    const std::size_t signals = titration.Shifts.empty() ? 0 : titration.Shifts.front().size();
    TAnalysisCurves curves;
    curves.Observed.resize(signals);
    curves.Residuals.resize(signals);
    for (std::size_t i = 0; i < titration.Conc.size(); ++i) {
        for (std::size_t s = 0; s < signals; ++s) {
            curves.Observed[s].push_back({titration.Conc[i], titration.Shifts[i][s]});
            if (i < model.Residuals.size()) {
                curves.Residuals[s].push_back({titration.Conc[i], model.Residuals[i][s]});
            }
        }
    }
    if (model.Params.empty() || titration.Conc.empty()) {
        return curves;
    }
    curves.Fitted.resize(signals);
    const std::vector<double> conc = SampledConc(titration, samples);
    for (const double c : conc) {
        const analysis::TModelPoint p =
            analysis::EvaluateModel(model.Best, c, HostAlong(titration, c));
        for (std::size_t s = 0; s < signals && s < p.Shifts.size(); ++s) {
            curves.Fitted[s].push_back({c, p.Shifts[s]});
        }
    }
    AddSpeciesShares(model.Best, titration, conc, curves);
    return curves;
}

void AddSpeciesShares(const analysis::TModelValues& values, const analysis::TTitration& titration,
                      const std::vector<double>& conc, TAnalysisCurves& curves) {
    const std::vector<analysis::TSpecies> species = analysis::ModelSpecies(values.Model);
    std::vector<std::size_t> hostSpecies;
    for (std::size_t k = 0; k < species.size(); ++k) {
        if (species[k].M > 0) {
            hostSpecies.push_back(k);
            curves.SpeciesNames.push_back(analysis::SpeciesName(species[k]));
        }
    }
    curves.Species.resize(hostSpecies.size());
    for (const double c : conc) {
        const double host = HostAlong(titration, c);
        const analysis::TModelPoint p = analysis::EvaluateModel(values, c, host);
        for (std::size_t k = 0; k < hostSpecies.size(); ++k) {
            const std::size_t i = hostSpecies[k];
            curves.Species[k].push_back({c, species[i].M * p.Concentrations[i] / host});
        }
    }
}

std::vector<double> SampledConc(const analysis::TTitration& titration, int samples) {
    if (titration.Conc.empty()) {
        return {};
    }
    const auto [lo, hi] = std::minmax_element(titration.Conc.begin(), titration.Conc.end());
    const int steps = *hi > *lo ? std::max(samples, 1) : 0;
    std::vector<double> conc;
    for (int k = 0; k <= steps; ++k) {
        conc.push_back(steps == 0 ? *lo : *lo + (*hi - *lo) * k / steps);
    }
    return conc;
}

}  // namespace kelmora
