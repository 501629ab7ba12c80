#pragma once

#include <string>

#include "analysis/Analysis.h"

namespace kelmora {

struct TFitted {
    analysis::TTitration Titration;
    analysis::TModelResult Model;
};

// A diluted titration with `signals` signals made from a 1:2 model with a little noise,
// fitted without Monte Carlo by the given model.
inline TFitted FittedExample(int signals, const std::string& model) {
    TFitted out;
    analysis::TModelValues truth{*analysis::FindModel("1:2"), {2.3, 4.1}, {}};
    for (int s = 0; s < signals; ++s) {
        truth.Signals.push_back({false, {8.0 - 0.5 * s, 9.5 - 0.3 * s, 10.0 - 0.7 * s}, 0.0});
        out.Titration.SignalNames.push_back("H" + std::to_string(s + 1));
    }
    for (int i = 0; i < 16; ++i) {
        const double c = 0.002 * i;
        const double host = 0.004 / (1.0 + 0.03 * i);
        out.Titration.Conc.push_back(c);
        out.Titration.Host.push_back(host);
        analysis::TModelPoint p = analysis::EvaluateModel(truth, c, host);
        for (int s = 0; s < signals; ++s) {
            p.Shifts[s] += 0.002 * std::sin(3.7 * i + s);
        }
        out.Titration.Shifts.push_back(p.Shifts);
    }
    analysis::TAnalysisSettings settings;
    settings.Models = {*analysis::FindModel(model)};
    settings.Replicates = 0;
    out.Model = analysis::RunAnalysis(out.Titration, settings).Models.front();
    return out;
}

}  // namespace kelmora
