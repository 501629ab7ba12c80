#pragma once

// Where a fit looks for a model's lg K, whatever it observes (shifts or spectra): how far each
// constant may go, the lattice of starts in coordinates along which the chemistry's features
// run, and the start that reproduces a nested model's optimum. The shifts' fit and the spectra's
// share it, so that on the same numbers both search the same basins.

#include <Eigen/Dense>
#include <functional>
#include <span>
#include <vector>

#include "analysis/LevenbergMarquardt.h"
#include "analysis/ModelCatalogue.h"
#include "analysis/StartSearch.h"

namespace kelmora::analysis {

// The search for lg K j gives up far beyond anything a titration can show, so a constant that
// runs there is one the data do not determine. The range grows with the order of the
// constant's complex (M^-1, M^-2, ...).
double LgKMin(const TModelDef& model, int j);
double LgKMax(const TModelDef& model, int j);

// A descent over the lg K to the last digits of SS, stopped when stop answers true. Its SS floor
// is that of a fit exact but for rounding: a few ulp of the observations per observation.
TLmOptions LgKFitOptions(const Eigen::MatrixXd& observations, const std::function<bool()>& stop);

// The model's lg K as the fit holds them: fixed and fixedValues give, in their first entries, the
// lg K that are held and their values.
struct TLgKSpace {
    const TModelDef& Model;
    const std::vector<bool>& Fixed;
    const Eigen::VectorXd& FixedValues;

    std::vector<int> Free() const;
};

// Every basin of SS over the free lg K (see StartSearch.h). residuals takes the free lg K, and
// options bring the fit's own stop and floor; the descents stop sooner, since each minimum is to
// be refined afterwards. extraStarts are whole lg K vectors descended from as well. A latticeOf
// above the count of free lg K makes the lattice as coarse as that of a search over that many;
// gradient, when given, is SearchMinima's over the free lg K. The minima come back as free lg K;
// with none, First holds the lattice's first point.
struct TLgKSearch {
    TSearchResult Search;
    Eigen::VectorXd First;
};

TLgKSearch SearchLgK(const TLgKSpace& space, const TResidualFunction& residuals, TLmOptions options,
                     const std::vector<Eigen::VectorXd>& extraStarts, int latticeOf = 0,
                     const TGradientFunction& gradient = {});

// Where a fit over the lg K ended. Values is the whole vector the fit varies, the held entries
// included; AtLimit names the free lg K that ended on their search limits.
struct TLgKFit {
    Eigen::VectorXd Values;
    double Ss = 0.0;
    bool Converged = false;
    std::vector<int> AtLimit;
    TLmSummary Summary;
};

// The distinct minima of a search, each refined in full by refine from where its descent
// stopped, the held entries taken from start; descents that end in one basin are one minimum,
// the first of them standing for it. Lowest SS first, the converged ones ahead: a descent that
// ended without converging (lost in a valley that runs off to a limit, where the linear
// parameters grow without bound) is no minimum to report while a converged one exists.
std::vector<TLgKFit> RefinedMinima(const TSearchResult& search, const Eigen::VectorXd& start,
                                   const std::vector<int>& freeLgK,
                                   const std::function<TLgKFit(const Eigen::VectorXd&)>& refine);

// Keeps of the minima (best first) those SS separates from every better one kept (see
// SeparateBasins, probed a quarter of a lg unit apart): refinements that stopped at different
// places of one flat valley, along a constant the data do not fix, are one minimum. ss gives
// SS at the free lg K.
void KeepSeparateMinima(std::vector<TLgKFit>& minima, const std::vector<int>& freeLgK,
                        const std::function<double(const Eigen::VectorXd&)>& ss);

// A lg K that ran to its search limit over a flat SS leaves the others a fit of their own:
// refit(held layout, start) from where the fit ended with those lg K held replaces the fit when
// it converges to no worse an SS. Layout is any fit's layout with Fixed and FixedValues.
template <class Layout, class Refit>
void HoldAtLimit(const Layout& layout, TLgKFit& fit, const Refit& refit) {
    if (fit.Converged || fit.AtLimit.empty()) {
        return;
    }
    Layout held = layout;
    for (int k : fit.AtLimit) {
        held.Fixed[static_cast<std::size_t>(k)] = true;
        held.FixedValues[k] = fit.Values[k];
    }
    const TLgKFit rest = refit(held, fit.Values);
    if (rest.Converged && rest.Ss <= fit.Ss) {
        fit.Values = rest.Values;
        fit.Ss = rest.Ss;
        fit.Converged = true;
        fit.Summary.Stop = TStopReason::Bound;
    }
}

// The richer model's lg K that reproduce the optimum of a model it nests (see TModelDef::Nests):
// the complexes both have keep their constants (1:2 from 1:2nc: K2 = K1^2/4), and those the
// simpler one lacks get constants so small they never show (their step beyond lg K1 at the
// search's lower limit). The held lg K keep their values.
Eigen::VectorXd NestedLgK(const TLgKSpace& richer, const TModelDef& simpler,
                          std::span<const double> simplerLgK);

}  // namespace kelmora::analysis
