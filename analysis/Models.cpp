#include <algorithm>
#include <cmath>

#include "analysis/Analysis.h"
#include "analysis/ModelColumns.h"

namespace kelmora::analysis {

std::vector<std::string> SignalNamesOf(const TTitration& titration) {
    if (!titration.SignalNames.empty()) {
        return titration.SignalNames;
    }
    const std::size_t count = titration.Shifts.empty() ? 0 : titration.Shifts.front().size();
    std::vector<std::string> names;
    for (std::size_t s = 0; s < count; ++s) {
        names.push_back("s" + std::to_string(s + 1));
    }
    return names;
}

std::vector<bool> GuestFlags(const std::vector<std::string>& signalNames,
                             const std::vector<std::string>& guestSignals) {
    std::vector<bool> guest;
    for (const std::string& name : signalNames) {
        guest.push_back(std::find(guestSignals.begin(), guestSignals.end(), name) !=
                        guestSignals.end());
    }
    return guest;
}

std::vector<std::string> ParamNames(const TModelDef& model,
                                    const std::vector<std::string>& signalNames,
                                    const std::vector<bool>& guest, bool linearTerm) {
    std::vector<std::string> names = model.LgK;
    const std::vector<TSpecies> species = ModelSpecies(model);
    for (std::size_t s = 0; s < signalNames.size(); ++s) {
        const bool isGuest = s < guest.size() && guest[s];
        for (int column = 0; column < 1 + static_cast<int>(model.Complexes.size()); ++column) {
            const TSpecies held =
                species[static_cast<std::size_t>(SpeciesOfColumn(column, isGuest))];
            names.push_back("d" + SpeciesName(held) + "." + signalNames[s]);
        }
        if (linearTerm) {
            names.push_back("k." + signalNames[s]);
        }
    }
    return names;
}

TModelPoint EvaluateModel(const TModelValues& values, double conc, double host) {
    const TModelSpeciation speciation(values.Model, values.LgK);
    const TEquilibrium e = speciation.Complexation.Solve(host, conc);
    TModelPoint point;
    point.Concentrations.assign(e.C.begin(), e.C.begin() + e.Count);
    for (const TSignalShifts& shifts : values.Signals) {
        double y = shifts.K * conc;
        for (std::size_t column = 0; column < shifts.Species.size(); ++column) {
            y += speciation.Share(e, static_cast<int>(column), shifts.Guest) *
                 shifts.Species[column];
        }
        point.Shifts.push_back(y);
    }
    return point;
}

}  // namespace kelmora::analysis
