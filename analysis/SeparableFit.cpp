#include "analysis/SeparableFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Equilibrium.h"
#include "analysis/LevenbergMarquardt.h"
#include "analysis/StartSearch.h"

namespace kelmora::analysis {
namespace {

const double Lg4 = std::log10(4.0);

// Where the search for each lg K gives up: far beyond anything a titration can show, so a
// constant that runs here is one the data do not determine.

// The start lattice: lg K1 and the stepwise lg K2 - lg K1 from -1 to 9, finer the fewer lg K
// are free. The search itself may go anywhere within the limits of lg K1, the stepwise
// constant included.
constexpr double LatticeFirst = -1.0;
constexpr double LatticeLast = 9.0;
constexpr double LatticeStep[3] = {0.1, 0.5, 1.0};

constexpr double RelativeTolerance = 1e-12;
constexpr double Eps = std::numeric_limits<double>::epsilon();
constexpr double Tiny = std::numeric_limits<double>::min();
constexpr int MaxIterations = 500;

// The species columns (P, PL, PL2, C) at every point and their derivatives with respect to the
// layout's lg K (in 1:2nc lg K1 moves K2 too).
struct TColumns {
    Eigen::MatrixXd A;
    Eigen::MatrixXd D[2];
};

TColumns MakeColumns(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& values,
                     bool derivatives) {
    const Eigen::Index n = data.Conc.size();
    TColumns c;
    c.A.resize(n, layout.PerSignal);
    if (derivatives) {
        for (int k = 0; k < layout.LgKCount; ++k) {
            c.D[k].setZero(n, layout.PerSignal);
        }
    }
    double lgK1 = 0.0;
    double lgK2 = 0.0;
    SpeciesLgK(layout, values, lgK1, lgK2);
    const bool pl2 = layout.Model != TModel::OneToOne;
    for (Eigen::Index i = 0; i < n; ++i) {
        const TSpeciation s = SolveSpeciation(lgK1, lgK2, data.Conc[i], data.Host[i]);
        c.A(i, 0) = s.Alpha0;
        c.A(i, 1) = s.Alpha1;
        if (pl2) {
            c.A(i, 2) = s.Alpha2;
        }
        if (layout.LinearTerm) {
            c.A(i, layout.PerSignal - 1) = data.Conc[i];
        }
        if (!derivatives) {
            continue;
        }
        for (int k = 0; k < layout.LgKCount; ++k) {
            double d1 = s.DAlpha1[k];
            double d2 = s.DAlpha2[k];
            if (layout.Model == TModel::OneToTwoNonCoop) {
                d1 = s.DAlpha1[0] + 2.0 * s.DAlpha1[1];
                d2 = s.DAlpha2[0] + 2.0 * s.DAlpha2[1];
            }
            c.D[k](i, 0) = -(d1 + d2);
            c.D[k](i, 1) = d1;
            if (pl2) {
                c.D[k](i, 2) = d2;
            }
        }
    }
    return c;
}

struct TEvaluation {
    double Ss = 0.0;
    Eigen::VectorXd R;  // observed - model, point-major
    Eigen::MatrixXd J;  // d R / d free lg K, projected off the linear parameters
};

// One pass of the separable problem: the exact linear solution per signal at the lg K in values
// (written back into values) and, when asked, the Jacobian of the residuals with respect to the
// free lg K with the linear parameters eliminated (Kaufman's form of variable projection). Its
// transpose times the residuals is the exact gradient of SS.
TEvaluation Evaluate(const TLayout& layout, const TFitData& data, Eigen::VectorXd& values,
                     const std::vector<int>& freeLgK, bool jacobian) {
    const Eigen::Index n = data.Conc.size();
    const int signals = layout.Signals;
    const TColumns c = MakeColumns(layout, data, values, jacobian);
    TEvaluation e;
    e.R.resize(n * signals);
    if (jacobian) {
        e.J.resize(n * signals, static_cast<Eigen::Index>(freeLgK.size()));
    }
    for (int s = 0; s < signals; ++s) {
        std::vector<int> freeColumns;
        Eigen::VectorXd rhs = data.Shifts.col(s);
        for (int col = 0; col < layout.PerSignal; ++col) {
            const int index = layout.LinearIndex(s, col);
            if (layout.Fixed[index]) {
                rhs -= c.A.col(col) * layout.FixedValues[index];
            } else {
                freeColumns.push_back(col);
            }
        }
        Eigen::MatrixXd a(n, static_cast<Eigen::Index>(freeColumns.size()));
        for (std::size_t j = 0; j < freeColumns.size(); ++j) {
            a.col(static_cast<Eigen::Index>(j)) = c.A.col(freeColumns[j]);
        }
        // Columns of unit length: a species that hardly forms (PL2 at a tiny K2) keeps its column
        // instead of falling under the decomposition's rank threshold at some data-dependent
        // K, which would put a step into SS as a function of lg K.
        const Eigen::RowVectorXd length = a.colwise().norm().cwiseMax(Tiny);
        a.array().rowwise() /= length.array();
        Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> cod;
        if (!freeColumns.empty()) {
            cod.compute(a);
            const Eigen::VectorXd beta = cod.solve(rhs);
            for (std::size_t j = 0; j < freeColumns.size(); ++j) {
                const auto at = static_cast<Eigen::Index>(j);
                values[layout.LinearIndex(s, freeColumns[j])] = beta[at] / length[at];
            }
            rhs -= a * beta;
        }
        for (Eigen::Index i = 0; i < n; ++i) {
            e.R[i * signals + s] = rhs[i];
        }
        if (!jacobian) {
            continue;
        }
        const Eigen::VectorXd shifts = values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
        for (std::size_t k = 0; k < freeLgK.size(); ++k) {
            Eigen::VectorXd w = c.D[freeLgK[k]] * shifts;
            if (!freeColumns.empty()) {
                w -= a * cod.solve(w);
            }
            for (Eigen::Index i = 0; i < n; ++i) {
                e.J(i * signals + s, static_cast<Eigen::Index>(k)) = -w[i];
            }
        }
    }
    e.Ss = e.R.squaredNorm();
    return e;
}

TLmOptions LmOptions(const TFitData& data, const std::function<bool()>& stop) {
    TLmOptions options;
    options.RelativeTolerance = RelativeTolerance;
    options.MaxIterations = MaxIterations;
    // SS of a fit that is exact but for rounding: a few ulp of the shifts per observation.
    options.SsFloor = static_cast<double>(data.Shifts.size()) *
                      std::pow(16.0 * Eps * data.Shifts.cwiseAbs().maxCoeff(), 2);
    options.Stop = stop;
    return options;
}

// The start search walks lg K1 and, in 1:2, the stepwise lg K2 - lg K1, the plane in which
// the chemistry's features run along the axes: free lg K = M u + C over the search's u.
struct TLatticeMap {
    Eigen::MatrixXd M;
    Eigen::VectorXd C;
};

TLatticeMap LatticeMap(const TLayout& layout) {
    const auto k = static_cast<Eigen::Index>(layout.FreeLgK().size());
    TLatticeMap map{Eigen::MatrixXd::Identity(k, k), Eigen::VectorXd::Zero(k)};
    if (layout.Model == TModel::OneToTwo && !layout.Fixed[1]) {
        if (layout.Fixed[0]) {
            map.C[0] = layout.FixedValues[0];
        } else {
            map.M(1, 0) = 1.0;
        }
    }
    return map;
}

// The free lg K by Levenberg-Marquardt, each trial point with its exact linear parameters.
TFitOutcome Minimise(const TLayout& layout, const TFitData& data, Eigen::VectorXd values,
                     const std::function<bool()>& stop) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    TLmOptions options = LmOptions(data, stop);
    options.Lower.resize(k);
    options.Upper.resize(k);
    Eigen::VectorXd start(k);
    for (Eigen::Index a = 0; a < k; ++a) {
        options.Lower[a] = LgKMin[freeLgK[a]];
        options.Upper[a] = LgKMax[freeLgK[a]];
        start[a] = values[freeLgK[a]];
    }
    const TResidualFunction residuals = [&](const Eigen::VectorXd& x, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = values;
        trial(freeLgK) = x;
        TEvaluation e = Evaluate(layout, data, trial, freeLgK, j != nullptr);
        r = std::move(e.R);
        if (j != nullptr) {
            *j = std::move(e.J);
        }
        return true;
    };
    const TLmResult lm = SolveLeastSquares(residuals, start, options);
    values(freeLgK) = lm.X;
    TFitOutcome out;
    out.Ss = Evaluate(layout, data, values, freeLgK, false).Ss;
    out.Values = values;
    out.Summary = lm.Summary;
    out.Converged = lm.Summary.Converged();
    for (int i : freeLgK) {
        if (values[i] <= LgKMin[i] || values[i] >= LgKMax[i]) {
            out.AtLimit.push_back(i);
        }
    }
    return out;
}

Eigen::VectorXd StartValues(const TLayout& layout) {
    Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
    for (int i = 0; i < layout.Size(); ++i) {
        if (layout.Fixed[i]) {
            values[i] = layout.FixedValues[i];
        }
    }
    return values;
}

}  // namespace

TFitData MakeFitData(const TTitration& titration) {
    TFitData d;
    const auto n = static_cast<Eigen::Index>(titration.Conc.size());
    const auto signals =
        static_cast<Eigen::Index>(titration.Shifts.empty() ? 0 : titration.Shifts[0].size());
    d.Conc.resize(n);
    d.Host.resize(n);
    d.Shifts.resize(n, signals);
    for (Eigen::Index i = 0; i < n; ++i) {
        d.Conc[i] = titration.Conc[static_cast<std::size_t>(i)];
        d.Host[i] = titration.HostAt(static_cast<std::size_t>(i));
        for (Eigen::Index s = 0; s < signals; ++s) {
            d.Shifts(i, s) =
                titration.Shifts[static_cast<std::size_t>(i)][static_cast<std::size_t>(s)];
        }
    }
    return d;
}

int TLayout::FreeCount() const {
    return static_cast<int>(std::count(Fixed.begin(), Fixed.end(), false));
}

std::vector<int> TLayout::FreeLgK() const {
    std::vector<int> free;
    for (int k = 0; k < LgKCount; ++k) {
        if (!Fixed[k]) {
            free.push_back(k);
        }
    }
    return free;
}

TLayout MakeLayout(TModel model, const std::vector<std::string>& signalNames, bool linearTerm,
                   const std::vector<TFixedParam>& fixed) {
    TLayout layout;
    layout.Model = model;
    layout.LinearTerm = linearTerm;
    layout.Signals = static_cast<int>(signalNames.size());
    layout.LgKCount = model == TModel::OneToTwo ? 2 : 1;
    layout.PerSignal = (model == TModel::OneToOne ? 2 : 3) + (linearTerm ? 1 : 0);
    layout.Names = ParamNames(model, signalNames, linearTerm);
    layout.Fixed.assign(layout.Names.size(), false);
    layout.FixedValues = Eigen::VectorXd::Zero(layout.Size());
    for (const TFixedParam& f : fixed) {
        const auto it = std::find(layout.Names.begin(), layout.Names.end(), f.Name);
        if (it != layout.Names.end()) {
            const auto index = static_cast<int>(it - layout.Names.begin());
            layout.Fixed[index] = true;
            layout.FixedValues[index] = f.Value;
        }
    }
    return layout;
}

void SpeciesLgK(const TLayout& layout, const Eigen::VectorXd& values, double& lgK1, double& lgK2) {
    lgK1 = values[0];
    switch (layout.Model) {
        case TModel::OneToOne:
            lgK2 = -std::numeric_limits<double>::infinity();
            break;
        case TModel::OneToTwo:
            lgK2 = values[1];
            break;
        case TModel::OneToTwoNonCoop:
            lgK2 = 2.0 * lgK1 - Lg4;
            break;
    }
}

double SolveLinear(const TLayout& layout, const TFitData& data, Eigen::VectorXd& values,
                   Eigen::MatrixXd* residuals) {
    const TEvaluation e = Evaluate(layout, data, values, {}, false);
    if (residuals != nullptr) {
        residuals->resize(data.Conc.size(), layout.Signals);
        for (Eigen::Index i = 0; i < data.Conc.size(); ++i) {
            for (int s = 0; s < layout.Signals; ++s) {
                (*residuals)(i, s) = e.R[i * layout.Signals + s];
            }
        }
    }
    return e.Ss;
}

TFitOutcome FitFrom(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& start,
                    const std::function<bool()>& stop) {
    Eigen::VectorXd values = StartValues(layout);
    for (int k : layout.FreeLgK()) {
        values[k] = std::clamp(start[k], LgKMin[k], LgKMax[k]);
    }
    return Minimise(layout, data, values, stop);
}

TFitMinima FitFromLattice(const TLayout& layout, const TFitData& data,
                          const std::vector<Eigen::VectorXd>& extraStarts,
                          const std::function<bool()>& stop) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    Eigen::VectorXd values = StartValues(layout);
    TFitMinima out;
    if (freeLgK.empty()) {
        out.Best.Ss = SolveLinear(layout, data, values);
        out.Best.Values = values;
        out.Best.Converged = true;
        return out;
    }
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    const TLatticeMap map = LatticeMap(layout);
    TLmOptions options = LmOptions(data, stop);
    options.Lower = Eigen::VectorXd::Constant(k, LgKMin[0]);
    options.Upper = Eigen::VectorXd::Constant(k, LgKMax[0]);
    const TResidualFunction residuals = [&](const Eigen::VectorXd& u, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = values;
        trial(freeLgK) = map.M * u + map.C;
        TEvaluation e = Evaluate(layout, data, trial, freeLgK, j != nullptr);
        r = std::move(e.R);
        if (j != nullptr) {
            *j = e.J * map.M;
        }
        return true;
    };
    std::vector<Eigen::VectorXd> starts;
    for (const Eigen::VectorXd& start : extraStarts) {
        const Eigen::VectorXd x = start(freeLgK);
        starts.push_back(Eigen::VectorXd(map.M.triangularView<Eigen::Lower>().solve(x - map.C))
                             .cwiseMax(options.Lower)
                             .cwiseMin(options.Upper));
    }
    TStartLattice lattice;
    lattice.First = Eigen::VectorXd::Constant(k, LatticeFirst);
    lattice.Last = Eigen::VectorXd::Constant(k, LatticeLast);
    lattice.Step = LatticeStep[k - 1];
    const TSearchResult search = SearchMinima(residuals, lattice, options, starts);
    out.Stopped = search.Stopped;
    if (search.Minima.empty()) {
        // Stopped before any descent, or no start gives a finite sum of squares (shifts so
        // large that their squares overflow): the model is reported unconverged.
        values(freeLgK) = map.M * lattice.First + map.C;
        out.Best.Ss = SolveLinear(layout, data, values);
        out.Best.Values = values;
        out.Best.Summary.Stop = search.Stopped ? TStopReason::Stopped : TStopReason::NoProgress;
        out.None = true;
        return out;
    }
    // The search ran in its own coordinates and box; each minimum ends in the model's own.
    std::vector<TFitOutcome> minima;
    for (const TSearchMinimum& m : search.Minima) {
        Eigen::VectorXd at = values;
        at(freeLgK) = map.M * m.X + map.C;
        TFitOutcome fit = Minimise(layout, data, at, stop);
        fit.Summary.Iterations += m.Summary.Iterations;
        const bool seen = std::any_of(minima.begin(), minima.end(), [&](const TFitOutcome& o) {
            return (o.Values(freeLgK) - fit.Values(freeLgK)).cwiseAbs().maxCoeff() < 1e-4;
        });
        if (!seen) {
            minima.push_back(std::move(fit));
        }
    }
    std::stable_sort(minima.begin(), minima.end(),
                     [](const TFitOutcome& a, const TFitOutcome& b) { return a.Ss < b.Ss; });
    out.Best = std::move(minima.front());
    out.Others.assign(std::make_move_iterator(minima.begin() + 1),
                      std::make_move_iterator(minima.end()));
    return out;
}

bool Nests(TModel richer, TModel simpler) {
    return richer == TModel::OneToTwo && simpler != TModel::OneToTwo;
}

Eigen::VectorXd NestedStart(const TLayout& richer, const TModelValues& simpler) {
    Eigen::VectorXd values = StartValues(richer);
    values[0] = simpler.LgK1;
    if (richer.LgKCount == 2) {
        values[1] = simpler.Model == TModel::OneToOne ? simpler.LgK1 + LgKMin[0] : simpler.LgK2;
    }
    return values;
}

Eigen::MatrixXd ModelShifts(const TLayout& layout, const Eigen::VectorXd& conc,
                            const Eigen::VectorXd& host, const Eigen::VectorXd& values) {
    TFitData at;
    at.Conc = conc;
    at.Host = host;
    const TColumns c = MakeColumns(layout, at, values, false);
    Eigen::MatrixXd shifts(conc.size(), layout.Signals);
    for (int s = 0; s < layout.Signals; ++s) {
        shifts.col(s) = c.A * values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
    }
    return shifts;
}

Eigen::MatrixXd ModelJacobian(const TLayout& layout, const TFitData& data,
                              const Eigen::VectorXd& values) {
    const Eigen::Index n = data.Conc.size();
    const int signals = layout.Signals;
    const TColumns c = MakeColumns(layout, data, values, true);
    Eigen::MatrixXd j = Eigen::MatrixXd::Zero(n * signals, layout.FreeCount());
    Eigen::Index column = 0;
    for (int k = 0; k < layout.LgKCount; ++k) {
        if (layout.Fixed[k]) {
            continue;
        }
        for (int s = 0; s < signals; ++s) {
            const Eigen::VectorXd d =
                c.D[k] * values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
            for (Eigen::Index i = 0; i < n; ++i) {
                j(i * signals + s, column) = d[i];
            }
        }
        ++column;
    }
    for (int s = 0; s < signals; ++s) {
        for (int col = 0; col < layout.PerSignal; ++col) {
            if (layout.Fixed[layout.LinearIndex(s, col)]) {
                continue;
            }
            for (Eigen::Index i = 0; i < n; ++i) {
                j(i * signals + s, column) = c.A(i, col);
            }
            ++column;
        }
    }
    return j;
}

}  // namespace kelmora::analysis
