#include <cmath>
#include <limits>

#include "analysis/Analysis.h"
#include "analysis/Equilibrium.h"

namespace kelmora::analysis {

std::string_view ModelName(TModel model) {
    switch (model) {
        case TModel::OneToOne:
            return "1:1";
        case TModel::OneToTwo:
            return "1:2";
        case TModel::OneToTwoNonCoop:
            return "1:2nc";
    }
    return "";
}

std::optional<TModel> ModelFromName(std::string_view name) {
    for (TModel model : AllModels) {
        if (ModelName(model) == name) {
            return model;
        }
    }
    return std::nullopt;
}

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

std::vector<std::string> ParamNames(TModel model, const std::vector<std::string>& signalNames,
                                    bool linearTerm) {
    std::vector<std::string> names = {"lgK1"};
    if (model == TModel::OneToTwo) {
        names.push_back("lgK2");
    }
    for (const std::string& signal : signalNames) {
        names.push_back("dP." + signal);
        names.push_back("dPL." + signal);
        if (model != TModel::OneToOne) {
            names.push_back("dPL2." + signal);
        }
        if (linearTerm) {
            names.push_back("k." + signal);
        }
    }
    return names;
}

TModelPoint EvaluateModel(const TModelValues& values, double conc, double host) {
    const double lgK2 =
        values.Model == TModel::OneToOne ? -std::numeric_limits<double>::infinity() : values.LgK2;
    const TSpeciation s = SolveSpeciation(values.LgK1, lgK2, conc, host);
    TModelPoint point;
    point.Alpha1 = s.Alpha1;
    point.Alpha2 = s.Alpha2;
    point.FreeLigand = s.FreeLigand;
    for (const TSignalShifts& shifts : values.Signals) {
        point.Shifts.push_back(s.Alpha0 * shifts.DP + s.Alpha1 * shifts.DPL +
                               s.Alpha2 * shifts.DPL2 + shifts.K * conc);
    }
    return point;
}

}  // namespace kelmora::analysis
