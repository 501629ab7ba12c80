#include "analysis/Derived.h"

#include <cmath>
#include <optional>

#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

const double Lg4 = std::log10(4.0);

// lg K2step = lg β(PL2) - lg β(PL) and lg alpha = lg 4 + lg β(PL2) - 2·lg β(PL) are linear in
// the model's lg K: their offsets and their gradients over them. Empty for a model without PL
// and PL2.
struct TLinearDerived {
    double Offset[2] = {0.0, Lg4};
    std::vector<double> Gradient[2];
};

std::optional<TLinearDerived> LinearDerived(const TModelDef& model) {
    const auto find = [&](TSpecies species) -> const TModelComplex* {
        for (const TModelComplex& c : model.Complexes) {
            if (c.Species == species) {
                return &c;
            }
        }
        return nullptr;
    };
    const TModelComplex* pl = find({1, 1});
    const TModelComplex* pl2 = find({1, 2});
    if (pl == nullptr || pl2 == nullptr) {
        return std::nullopt;
    }
    TLinearDerived d;
    const double times[2] = {1.0, 2.0};
    for (int k = 0; k < 2; ++k) {
        d.Offset[k] += pl2->Offset - times[k] * pl->Offset;
        for (std::size_t j = 0; j < model.LgK.size(); ++j) {
            d.Gradient[k].push_back(pl2->LgKCoefficients[j] - times[k] * pl->LgKCoefficients[j]);
        }
    }
    return d;
}

double Lg(const TLinearDerived& d, int k, const Eigen::VectorXd& values) {
    double lg = d.Offset[k];
    for (std::size_t j = 0; j < d.Gradient[k].size(); ++j) {
        lg += d.Gradient[k][j] * values[static_cast<Eigen::Index>(j)];
    }
    return lg;
}

}  // namespace

std::vector<double> DerivedValues(const TModelDef& model, const Eigen::VectorXd& values) {
    const std::optional<TLinearDerived> d = LinearDerived(model);
    if (!d) {
        return {};
    }
    return {Lg(*d, 0, values), std::pow(10.0, Lg(*d, 1, values))};
}

std::vector<TParamResult> DerivedParams(const TModelResult& r) {
    const std::optional<TLinearDerived> linear = LinearDerived(r.Model);
    if (!linear) {
        return {};
    }
    Eigen::VectorXd values(static_cast<Eigen::Index>(r.Params.size()));
    for (std::size_t i = 0; i < r.Params.size(); ++i) {
        values[static_cast<Eigen::Index>(i)] = r.Params[i].Value;
    }
    const std::vector<double> v = DerivedValues(r.Model, values);
    std::vector<TParamResult> derived(2);
    derived[0].Name = "lgK2step";
    derived[1].Name = "alpha";
    for (std::size_t d = 0; d < 2; ++d) {
        TParamResult& p = derived[d];
        p.Value = v[d];
        // Fixed when no free lg K moves it: alpha of 1:2nc is 1 by the model's definition.
        const std::vector<double>& gradient = linear->Gradient[d];
        p.Fixed = true;
        bool known = true;
        double variance = 0.0;
        for (std::size_t a = 0; a < gradient.size(); ++a) {
            if (r.Params[a].Fixed || gradient[a] == 0.0) {
                continue;
            }
            p.Fixed = false;
            p.Determined = p.Determined && r.Params[a].Determined;
            known = known && r.Params[a].Se.has_value();
            for (std::size_t b = 0; b < gradient.size(); ++b) {
                if (!r.Params[b].Fixed && gradient[b] != 0.0) {
                    variance += gradient[a] * gradient[b] * r.Covariance[a][b];
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
