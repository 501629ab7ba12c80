#pragma once

// The least-squares machinery shared by the best fit and the Monte Carlo replicates: for given
// lg K the shifts (and linear terms) are an exact linear least-squares problem per signal, so
// the iterative search runs over the one to three lg K only.

#include <Eigen/Dense>
#include <functional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/LevenbergMarquardt.h"
#include "analysis/LgKLattice.h"

namespace kelmora::analysis {

// The titration as the fit sees it: a host value per point, shifts as an n x S matrix.
// Guest signals carry nothing at C = 0 (there is no guest to shift): those observations are
// left out, as a 0 in Used, and both their data and their model are 0.
struct TFitData {
    Eigen::VectorXd Conc;
    Eigen::VectorXd Host;
    Eigen::MatrixXd Shifts;
    Eigen::MatrixXd Used;  // n x S: 1 for an observation in the fit, 0 for one left out
    int Observations = 0;
};

TFitData MakeFitData(const TTitration& titration, const std::vector<bool>& guest);

// Where each parameter sits in the full parameter vector, and which are fixed.
struct TLayout {
    TModelDef Model;
    bool LinearTerm = false;
    std::vector<bool> Guest;  // per signal
    int Signals = 0;
    int LgKCount = 1;   // the model's lg K
    int PerSignal = 2;  // the free component, each complex, (C)
    std::vector<std::string> Names;
    std::vector<bool> Fixed;
    Eigen::VectorXd FixedValues;  // full length; only the fixed entries matter

    int Size() const { return LgKCount + Signals * PerSignal; }
    int LinearIndex(int signal, int column) const { return LgKCount + signal * PerSignal + column; }
    int FreeCount() const;
    std::vector<int> FreeLgK() const;  // indices of the lg K that are fitted
};

TLayout MakeLayout(const TModelDef& model, const std::vector<std::string>& signalNames,
                   const std::vector<bool>& guest, bool linearTerm,
                   const std::vector<TFixedParam>& fixed);

// The search limits of the layout's lg K j (see LgKLattice.h).
double LgKMin(const TLayout& layout, int j);
double LgKMax(const TLayout& layout, int j);

// Values: the full parameter vector, fixed entries included.
using TFitOutcome = TLgKFit;

// The best fit and every other distinct minimum the start search found, lowest SS first.
struct TFitMinima {
    TFitOutcome Best;
    std::vector<TFitOutcome> Others;
    bool Stopped = false;
    bool None = false;  // no descent ended anywhere: Best is only the first lattice point
};

// The richer model's lg K that reproduce the fit of a model it nests (see TModelDef::Nests):
// the complexes both have keep their constants (1:2 from 1:2nc: K2 = K1^2/4), and those the
// simpler one lacks get constants so small they never show (their step beyond lg K1 at the
// search's lower limit).
Eigen::VectorXd NestedStart(const TLayout& richer, const TModelValues& simpler);

// The linear parameters solved exactly at the lg K held in values; returns SS and fills the
// residuals (n x S, observed - model).
double SolveLinear(const TLayout& layout, const TFitData& data, Eigen::VectorXd& values,
                   Eigen::MatrixXd* residuals = nullptr);

// Every basin of SS over the free lg K, searched from a lattice of starts (the search's
// promise is in StartSearch.h) and from the lg K of each full parameter vector in extraStarts.
// stop, when given, is asked often and ends the search with what it has. A latticeOf above the
// count of free lg K makes the lattice as coarse as that of a search over that many.
TFitMinima FitFromLattice(const TLayout& layout, const TFitData& data,
                          const std::vector<Eigen::VectorXd>& extraStarts = {},
                          const std::function<bool()>& stop = {}, int latticeOf = 0);

// SS at the free lg K, the other entries taken from values, with the gradient of SS/2 there: what
// the start lattice asks at each of its points, for less than the Jacobian costs.
TGradientFunction SsGradient(const TLayout& layout, const TFitData& data,
                             const Eigen::VectorXd& values);

// The nearest minimum from the lg K in start (the other entries are ignored).
TFitOutcome FitFrom(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& start,
                    const std::function<bool()>& stop = {});

// The model shifts (n x S) at the given concentrations.
Eigen::MatrixXd ModelShifts(const TLayout& layout, const Eigen::VectorXd& conc,
                            const Eigen::VectorXd& host, const Eigen::VectorXd& values);

// d model / d free parameter at values, one row per observation (point-major, then signal),
// one column per free parameter in layout order.
Eigen::MatrixXd ModelJacobian(const TLayout& layout, const TFitData& data,
                              const Eigen::VectorXd& values);

}  // namespace kelmora::analysis
