#include "analysis/Derived.h"

#include <cmath>

#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

const double Lg4 = std::log10(4.0);

}  // namespace

std::vector<double> DerivedValues(TModel model, const Eigen::VectorXd& values) {
    switch (model) {
        case TModel::OneToOne:
            return {};
        case TModel::OneToTwo:
            return {values[1] - values[0], std::pow(10.0, Lg4 + values[1] - 2.0 * values[0])};
        case TModel::OneToTwoNonCoop:
            return {values[0] - Lg4, 1.0};
    }
    return {};
}

std::vector<TParamResult> DerivedParams(const TModelResult& r) {
    if (r.Model == TModel::OneToOne) {
        return {};
    }
    Eigen::VectorXd values(static_cast<Eigen::Index>(r.Params.size()));
    for (std::size_t i = 0; i < r.Params.size(); ++i) {
        values[static_cast<Eigen::Index>(i)] = r.Params[i].Value;
    }
    const std::vector<double> v = DerivedValues(r.Model, values);
    // d(lgK2step)/d(lgK1, lgK2) and d(lg alpha)/d(lgK1, lgK2); in 1:2nc lgK2 is not a parameter
    // and alpha is 1 by the model's definition.
    const bool coop = r.Model == TModel::OneToTwo;
    const double gradient[2][2] = {{coop ? -1.0 : 1.0, 1.0}, {coop ? -2.0 : 0.0, 1.0}};
    const std::size_t lgK = coop ? 2 : 1;
    std::vector<TParamResult> derived(2);
    derived[0].Name = "lgK2step";
    derived[1].Name = "alpha";
    for (std::size_t d = 0; d < 2; ++d) {
        TParamResult& p = derived[d];
        p.Value = v[d];
        p.Fixed = (d == 1 && !coop) || (r.Params[0].Fixed && (lgK == 1 || r.Params[1].Fixed));
        bool known = true;
        double variance = 0.0;
        for (std::size_t a = 0; a < lgK; ++a) {
            if (r.Params[a].Fixed) {
                continue;
            }
            p.Determined = p.Determined && r.Params[a].Determined;
            known = known && r.Params[a].Se.has_value();
            for (std::size_t b = 0; b < lgK; ++b) {
                if (!r.Params[b].Fixed) {
                    variance += gradient[d][a] * gradient[d][b] * r.Covariance[a][b];
                }
            }
        }
        if (p.Fixed || !known || !(variance >= 0.0) || r.Dof <= 0) {
            continue;
        }
        const double se = std::sqrt(variance);
        const double t = T975(r.Dof);
        if (d == 0) {
            p.Se = se;
            p.Ci95 = TInterval{p.Value - t * se, p.Value + t * se};
        } else {
            p.Se = p.Value * std::log(10.0) * se;
            p.Ci95 = TInterval{p.Value * std::pow(10.0, -t * se), p.Value * std::pow(10.0, t * se)};
        }
    }
    return derived;
}

}  // namespace kelmora::analysis
