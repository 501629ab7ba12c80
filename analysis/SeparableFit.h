#pragma once

// The least-squares machinery shared by the best fit and the Monte Carlo replicates: for given
// lg K the shifts (and linear terms) are an exact linear least-squares problem per signal, so
// the iterative search runs over the one or two lg K only.

#include <Eigen/Dense>
#include <functional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/LevenbergMarquardt.h"

namespace kelmora::analysis {

// The titration as the fit sees it: a host value per point, shifts as an n x S matrix.
struct TFitData {
    Eigen::VectorXd Conc;
    Eigen::VectorXd Host;
    Eigen::MatrixXd Shifts;
};

TFitData MakeFitData(const TTitration& titration);

// Where the search for each lg K gives up: far beyond anything a titration can show, so a
// constant that runs here is one the data do not determine.
inline constexpr double LgKMin[2] = {-10.0, -20.0};
inline constexpr double LgKMax[2] = {20.0, 40.0};

// Where each parameter sits in the full parameter vector, and which are fixed.
struct TLayout {
    TModel Model = TModel::OneToOne;
    bool LinearTerm = false;
    int Signals = 0;
    int LgKCount = 1;   // lgK1, and lgK2 in 1:2
    int PerSignal = 2;  // species columns: P, PL, (PL2), (C)
    std::vector<std::string> Names;
    std::vector<bool> Fixed;
    Eigen::VectorXd FixedValues;  // full length; only the fixed entries matter

    int Size() const { return LgKCount + Signals * PerSignal; }
    int LinearIndex(int signal, int column) const { return LgKCount + signal * PerSignal + column; }
    int FreeCount() const;
    std::vector<int> FreeLgK() const;  // indices 0 and/or 1 that are fitted
};

TLayout MakeLayout(TModel model, const std::vector<std::string>& signalNames, bool linearTerm,
                   const std::vector<TFixedParam>& fixed);

// lg K1 and the overall lg K2 the speciation needs; -infinity for lg K2 in 1:1.
void SpeciesLgK(const TLayout& layout, const Eigen::VectorXd& values, double& lgK1, double& lgK2);

struct TFitOutcome {
    Eigen::VectorXd Values;  // full parameter vector, fixed entries included
    double Ss = 0.0;
    bool Converged = false;
    std::vector<int> AtLimit;  // free lg K indices that ended on the search limits
    TLmSummary Summary;
};

// The best fit and every other distinct minimum the start search found, lowest SS first.
struct TFitMinima {
    TFitOutcome Best;
    std::vector<TFitOutcome> Others;
    bool Stopped = false;
    bool None = false;  // no descent ended anywhere: Best is only the first lattice point
};

// Whether richer holds simpler as a special case (1:2 holds 1:1 and 1:2nc).
bool Nests(TModel richer, TModel simpler);

// The richer model's lg K that reproduce a nested simpler model's fit: 1:2 with K2 so small its
// species never shows (the stepwise constant at its search limit), or with K2 = K1^2/4.
Eigen::VectorXd NestedStart(const TLayout& richer, const TModelValues& simpler);

// The linear parameters solved exactly at the lg K held in values; returns SS and fills the
// residuals (n x S, observed - model).
double SolveLinear(const TLayout& layout, const TFitData& data, Eigen::VectorXd& values,
                   Eigen::MatrixXd* residuals = nullptr);

// Every basin of SS over the free lg K, searched from a lattice of starts (the search's
// promise is in StartSearch.h) and from the lg K of each full parameter vector in extraStarts.
// stop, when given, is asked often and ends the search with what it has.
TFitMinima FitFromLattice(const TLayout& layout, const TFitData& data,
                          const std::vector<Eigen::VectorXd>& extraStarts = {},
                          const std::function<bool()>& stop = {});

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
