#pragma once

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

inline TModelValues Truth(TModel model, double lgK1, double lgK2,
                          std::vector<TSignalShifts> signals) {
    TModelValues v;
    v.Model = model;
    v.LgK1 = lgK1;
    v.LgK2 = lgK2;
    v.Signals = std::move(signals);
    return v;
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
