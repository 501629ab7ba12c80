#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/Random.h"

namespace kelmora::analysis::testing {

// A titration made from known constants: n points up to cMax, the host either constant or
// diluted by the titrant (falling 1 % per point), Gaussian noise of sd on every shift.
inline TTitration MakeTitration(const TModelValues& truth, int n, double cMax, double host,
                                bool diluted, double sd, std::uint64_t seed) {
    TTitration t;
    TReplicateRandom random(seed, 0);
    for (int i = 0; i < n; ++i) {
        const double c = cMax * (i + 1) / n;
        const double h = diluted ? host / (1.0 + 0.01 * i) : host;
        t.Conc.push_back(c);
        if (diluted || i == 0) {
            t.Host.push_back(h);
        }
        std::vector<double> row = EvaluateModel(truth, c, h).Shifts;
        for (double& y : row) {
            y += sd * random.Normal();
        }
        t.Shifts.push_back(row);
    }
    return t;
}

inline const TModelDef& Model(const std::string& name) {
    const TModelDef* model = FindModel(name);
    if (model == nullptr) {
        throw std::out_of_range(name);
    }
    return *model;
}

inline std::vector<TModelDef> Models(const std::vector<std::string>& names) {
    std::vector<TModelDef> models;
    for (const std::string& name : names) {
        models.push_back(Model(name));
    }
    return models;
}

// A host signal of the 1:1 and 1:2 models: dPL2 is not read in 1:1.
struct THostShifts {
    double DP = 0.0;
    double DPL = 0.0;
    double DPL2 = 0.0;
    double K = 0.0;
};

// lgK2 is not read where the model has no second lg K.
inline TModelValues Truth(const std::string& model, double lgK1, double lgK2,
                          const std::vector<THostShifts>& signals) {
    TModelValues v;
    v.Model = Model(model);
    v.LgK = {lgK1, lgK2};
    v.LgK.resize(v.Model.LgK.size());
    for (const THostShifts& s : signals) {
        TSignalShifts shifts{false, {s.DP, s.DPL, s.DPL2}, s.K};
        shifts.Species.resize(v.Model.Complexes.size() + 1);
        v.Signals.push_back(shifts);
    }
    return v;
}

// A 1:2 titration far from non-cooperative, fitted by a model that cannot follow it: SS of the
// simpler model then often has a valley for each way of compromising.
struct TMisfit {
    TTitration Titration;
    double LgK1 = 0.0;
    double Stepwise = 0.0;  // lg K2 - lg K1
};

// drift: the shifts also drift linearly with C, which no model without the linear term follows.
inline TMisfit Misfit(TReplicateRandom& random, std::uint64_t seed, bool drift = false) {
    const int n = 8 + static_cast<int>(33 * random.Uniform());
    const int signals = 1 + static_cast<int>(4 * random.Uniform());
    const double host = std::pow(10.0, -4.0 + 2.0 * random.Uniform());
    const double lgK1 = -std::log10(host) + 2.0 * random.Uniform() - 1.0;
    const double cooperativity = (random.Uniform() < 0.5 ? -1 : 1) * (1.0 + 2.0 * random.Uniform());
    std::vector<THostShifts> shifts;
    for (int s = 0; s < signals; ++s) {
        const double dp = 10.0 * random.Uniform();
        shifts.push_back({dp, dp + 3.0 * random.Uniform() - 1.5, dp + 3.0 * random.Uniform() - 1.5,
                          drift ? (random.Uniform() - 0.5) / host : 0.0});
    }
    const double lgK2 = 2.0 * lgK1 - std::log10(4.0) + cooperativity;
    const TModelValues truth = Truth("1:2", lgK1, lgK2, shifts);
    return {MakeTitration(truth, n, host * (3.0 + 17.0 * random.Uniform()), host,
                          random.Uniform() < 0.5, 2e-3 * random.Uniform(), seed),
            lgK1, lgK2 - lgK1};
}

// One of the example titrations (C and shift per line), host 0.01 M as in examples/README.md.
inline TTitration Example(const std::string& file) {
    std::ifstream in(std::string(KELMORA_EXAMPLES_DIR) + "/" + file);
    TTitration t;
    double c = 0.0;
    double y = 0.0;
    while (in >> c >> y) {
        t.Conc.push_back(c);
        t.Shifts.push_back({y});
    }
    if (t.Conc.empty()) {
        throw std::runtime_error("missing example " + file);
    }
    t.Host = {0.01};
    return t;
}

inline const TParamResult& Param(const TModelResult& r, const std::string& name) {
    for (const TParamResult& p : r.Params) {
        if (p.Name == name) {
            return p;
        }
    }
    throw std::out_of_range(name);
}

}  // namespace kelmora::analysis::testing
