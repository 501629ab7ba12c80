#include "analysis/SeparableFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/LevenbergMarquardt.h"
#include "analysis/LgKLattice.h"
#include "analysis/ModelColumns.h"

namespace kelmora::analysis {
namespace {

constexpr double Tiny = std::numeric_limits<double>::min();

// The columns of every signal at every point, a host's and a guest's (the free component, each
// complex, C), and their derivatives with respect to each of the layout's lg K.
struct TColumns {
    Eigen::MatrixXd A[2];
    std::vector<Eigen::MatrixXd> D[2];

    const Eigen::MatrixXd& Of(const TLayout& layout, int signal) const {
        return A[layout.Guest[static_cast<std::size_t>(signal)] ? 1 : 0];
    }
    const Eigen::MatrixXd& DerivativeOf(const TLayout& layout, int signal, int k) const {
        return D[layout.Guest[static_cast<std::size_t>(signal)] ? 1 : 0]
                [static_cast<std::size_t>(k)];
    }
};

TColumns MakeColumns(const TLayout& layout, const Eigen::VectorXd& conc,
                     const Eigen::VectorXd& host, const Eigen::VectorXd& values, bool derivatives) {
    const Eigen::Index n = conc.size();
    const int species = layout.PerSignal - (layout.LinearTerm ? 1 : 0);
    const TModelSpeciation speciation(
        layout.Model,
        std::span<const double>(values.data(), static_cast<std::size_t>(layout.LgKCount)));
    bool wanted[2] = {false, false};
    for (bool guest : layout.Guest) {
        wanted[guest ? 1 : 0] = true;
    }
    TColumns c;
    for (int g = 0; g < 2; ++g) {
        if (!wanted[g]) {
            continue;
        }
        c.A[g].setZero(n, layout.PerSignal);
        if (layout.LinearTerm) {
            c.A[g].col(layout.PerSignal - 1) = conc;
        }
        if (derivatives) {
            c.D[g].assign(static_cast<std::size_t>(layout.LgKCount),
                          Eigen::MatrixXd::Zero(n, layout.PerSignal));
        }
    }
    TConcentrationDerivatives d;
    TEquilibrium e;
    for (Eigen::Index i = 0; i < n; ++i) {
        e = speciation.Complexation.Solve(host[i], conc[i], i > 0 ? &e : nullptr);
        if (derivatives) {
            speciation.Complexation.Derivatives(e, d);
        }
        for (int g = 0; g < 2; ++g) {
            if (!wanted[g]) {
                continue;
            }
            for (int col = 0; col < species; ++col) {
                c.A[g](i, col) = speciation.Share(e, col, g == 1);
                for (int k = 0; derivatives && k < layout.LgKCount; ++k) {
                    c.D[g][static_cast<std::size_t>(k)](i, col) =
                        speciation.ShareDerivative(e, d, col, g == 1, k);
                }
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

// A signal's least-squares problem in its free linear parameters: its columns scaled to unit
// length and decomposed. Signals of one kind (host or guest) with the same free columns share it.
struct TLinearSystem {
    bool Guest = false;
    std::vector<int> FreeColumns;
    Eigen::MatrixXd A;
    Eigen::RowVectorXd Length;
    Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> Cod;
};

const TLinearSystem& SystemOf(const TLayout& layout, const TColumns& c, int signal,
                              std::vector<TLinearSystem>& systems) {
    const bool guest = layout.Guest[static_cast<std::size_t>(signal)];
    std::vector<int> freeColumns;
    for (int col = 0; col < layout.PerSignal; ++col) {
        if (!layout.Fixed[layout.LinearIndex(signal, col)]) {
            freeColumns.push_back(col);
        }
    }
    for (const TLinearSystem& system : systems) {
        if (system.Guest == guest && system.FreeColumns == freeColumns) {
            return system;
        }
    }
    TLinearSystem& system = systems.emplace_back();
    system.Guest = guest;
    system.FreeColumns = std::move(freeColumns);
    const Eigen::MatrixXd& columns = c.Of(layout, signal);
    system.A.resize(columns.rows(), static_cast<Eigen::Index>(system.FreeColumns.size()));
    for (std::size_t j = 0; j < system.FreeColumns.size(); ++j) {
        system.A.col(static_cast<Eigen::Index>(j)) = columns.col(system.FreeColumns[j]);
    }
    // Columns of unit length: a species that hardly forms (PL2 at a tiny K2) keeps its column
    // instead of falling under the decomposition's rank threshold at some data-dependent K,
    // which would put a step into SS as a function of lg K.
    system.Length = system.A.colwise().norm().cwiseMax(Tiny);
    system.A.array().rowwise() /= system.Length.array();
    if (!system.FreeColumns.empty()) {
        system.Cod.compute(system.A);
    }
    return system;
}

// One pass of the separable problem: the exact linear solution per signal at the lg K in values
// (written back into values) and, when asked, the Jacobian of the residuals with respect to the
// free lg K with the linear parameters eliminated (Kaufman's form of variable projection). Its
// transpose times the residuals is the exact gradient of SS.
TEvaluation Evaluate(const TLayout& layout, const TFitData& data, Eigen::VectorXd& values,
                     const std::vector<int>& freeLgK, bool jacobian) {
    const Eigen::Index n = data.Conc.size();
    const int signals = layout.Signals;
    const TColumns c = MakeColumns(layout, data.Conc, data.Host, values, jacobian);
    TEvaluation e;
    e.R.resize(n * signals);
    if (jacobian) {
        e.J.resize(n * signals, static_cast<Eigen::Index>(freeLgK.size()));
    }
    std::vector<TLinearSystem> systems;
    systems.reserve(static_cast<std::size_t>(signals));
    for (int s = 0; s < signals; ++s) {
        const TLinearSystem& system = SystemOf(layout, c, s, systems);
        const std::vector<int>& freeColumns = system.FreeColumns;
        Eigen::VectorXd rhs = data.Shifts.col(s);
        const Eigen::MatrixXd& columns = c.Of(layout, s);
        for (int col = 0; col < layout.PerSignal; ++col) {
            const int index = layout.LinearIndex(s, col);
            if (layout.Fixed[index]) {
                rhs -= columns.col(col) * layout.FixedValues[index];
            }
        }
        if (!freeColumns.empty()) {
            const Eigen::VectorXd beta = system.Cod.solve(rhs);
            for (std::size_t j = 0; j < freeColumns.size(); ++j) {
                const auto at = static_cast<Eigen::Index>(j);
                values[layout.LinearIndex(s, freeColumns[j])] = beta[at] / system.Length[at];
            }
            rhs -= system.A * beta;
        }
        for (Eigen::Index i = 0; i < n; ++i) {
            e.R[i * signals + s] = rhs[i];
        }
        if (!jacobian) {
            continue;
        }
        const Eigen::VectorXd shifts = values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
        for (std::size_t k = 0; k < freeLgK.size(); ++k) {
            Eigen::VectorXd w = c.DerivativeOf(layout, s, freeLgK[k]) * shifts;
            if (!freeColumns.empty()) {
                w -= system.A * system.Cod.solve(w);
            }
            for (Eigen::Index i = 0; i < n; ++i) {
                e.J(i * signals + s, static_cast<Eigen::Index>(k)) = -w[i];
            }
        }
    }
    e.Ss = e.R.squaredNorm();
    return e;
}

// The free lg K by Levenberg-Marquardt, each trial point with its exact linear parameters.
TFitOutcome Minimise(const TLayout& layout, const TFitData& data, Eigen::VectorXd values,
                     const std::function<bool()>& stop) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    TLmOptions options = LgKFitOptions(data.Shifts, stop);
    options.Lower.resize(k);
    options.Upper.resize(k);
    Eigen::VectorXd start(k);
    for (Eigen::Index a = 0; a < k; ++a) {
        options.Lower[a] = LgKMin(layout, freeLgK[a]);
        options.Upper[a] = LgKMax(layout, freeLgK[a]);
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
        if (values[i] <= LgKMin(layout, i) || values[i] >= LgKMax(layout, i)) {
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

TFitData MakeFitData(const TTitration& titration, const std::vector<bool>& guest) {
    TFitData d;
    const auto n = static_cast<Eigen::Index>(titration.Conc.size());
    const auto signals =
        static_cast<Eigen::Index>(titration.Shifts.empty() ? 0 : titration.Shifts[0].size());
    d.Conc.resize(n);
    d.Host.resize(n);
    d.Shifts.resize(n, signals);
    d.Used.resize(n, signals);
    for (Eigen::Index i = 0; i < n; ++i) {
        d.Conc[i] = titration.Conc[static_cast<std::size_t>(i)];
        d.Host[i] = titration.HostAt(static_cast<std::size_t>(i));
        for (Eigen::Index s = 0; s < signals; ++s) {
            const bool used = !(guest[static_cast<std::size_t>(s)] && d.Conc[i] == 0.0);
            d.Used(i, s) = used ? 1.0 : 0.0;
            d.Shifts(i, s) =
                used ? titration.Shifts[static_cast<std::size_t>(i)][static_cast<std::size_t>(s)]
                     : 0.0;
        }
    }
    d.Observations = static_cast<int>(d.Used.sum());
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

TLayout MakeLayout(const TModelDef& model, const std::vector<std::string>& signalNames,
                   const std::vector<bool>& guest, bool linearTerm,
                   const std::vector<TFixedParam>& fixed) {
    TLayout layout;
    layout.Model = model;
    layout.LinearTerm = linearTerm;
    layout.Guest = guest;
    layout.Signals = static_cast<int>(signalNames.size());
    layout.LgKCount = static_cast<int>(model.LgK.size());
    layout.PerSignal = 1 + static_cast<int>(model.Complexes.size()) + (linearTerm ? 1 : 0);
    layout.Names = ParamNames(model, signalNames, guest, linearTerm);
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

double LgKMin(const TLayout& layout, int j) {
    return LgKMin(layout.Model, j);
}

double LgKMax(const TLayout& layout, int j) {
    return LgKMax(layout.Model, j);
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
        values[k] = std::clamp(start[k], LgKMin(layout, k), LgKMax(layout, k));
    }
    return Minimise(layout, data, values, stop);
}

TFitMinima FitFromLattice(const TLayout& layout, const TFitData& data,
                          const std::vector<Eigen::VectorXd>& extraStarts,
                          const std::function<bool()>& stop, int latticeOf) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    Eigen::VectorXd values = StartValues(layout);
    TFitMinima out;
    if (freeLgK.empty()) {
        out.Best.Ss = SolveLinear(layout, data, values);
        out.Best.Values = values;
        out.Best.Converged = true;
        return out;
    }
    const TResidualFunction residuals = [&](const Eigen::VectorXd& lgK, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = values;
        trial(freeLgK) = lgK;
        TEvaluation e = Evaluate(layout, data, trial, freeLgK, j != nullptr);
        r = std::move(e.R);
        if (j != nullptr) {
            *j = std::move(e.J);
        }
        return true;
    };
    const TLgKSearch search = SearchLgK({layout.Model, layout.Fixed, layout.FixedValues}, residuals,
                                        LgKFitOptions(data.Shifts, stop), extraStarts, latticeOf);
    out.Stopped = search.Search.Stopped;
    if (search.Search.Minima.empty()) {
        // Stopped before any descent, or no start gives a finite sum of squares (shifts so
        // large that their squares overflow): the model is reported unconverged.
        values(freeLgK) = search.First;
        out.Best.Ss = SolveLinear(layout, data, values);
        out.Best.Values = values;
        out.Best.Summary.Stop =
            search.Search.Stopped ? TStopReason::Stopped : TStopReason::NoProgress;
        out.None = true;
        return out;
    }
    // The search ran in its own coordinates and box; each minimum ends in the model's own.
    std::vector<TFitOutcome> minima =
        RefinedMinima(search.Search, values, freeLgK,
                      [&](const Eigen::VectorXd& at) { return Minimise(layout, data, at, stop); });
    out.Best = std::move(minima.front());
    out.Others.assign(std::make_move_iterator(minima.begin() + 1),
                      std::make_move_iterator(minima.end()));
    return out;
}

Eigen::VectorXd NestedStart(const TLayout& richer, const TModelValues& simpler) {
    Eigen::VectorXd values = StartValues(richer);
    values.head(richer.LgKCount) =
        NestedLgK({richer.Model, richer.Fixed, richer.FixedValues}, simpler.Model, simpler.LgK);
    return values;
}

Eigen::MatrixXd ModelShifts(const TLayout& layout, const Eigen::VectorXd& conc,
                            const Eigen::VectorXd& host, const Eigen::VectorXd& values) {
    const TColumns c = MakeColumns(layout, conc, host, values, false);
    Eigen::MatrixXd shifts(conc.size(), layout.Signals);
    for (int s = 0; s < layout.Signals; ++s) {
        shifts.col(s) =
            c.Of(layout, s) * values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
    }
    return shifts;
}

Eigen::MatrixXd ModelJacobian(const TLayout& layout, const TFitData& data,
                              const Eigen::VectorXd& values) {
    const Eigen::Index n = data.Conc.size();
    const int signals = layout.Signals;
    const TColumns c = MakeColumns(layout, data.Conc, data.Host, values, true);
    Eigen::MatrixXd j = Eigen::MatrixXd::Zero(n * signals, layout.FreeCount());
    Eigen::Index column = 0;
    for (int k = 0; k < layout.LgKCount; ++k) {
        if (layout.Fixed[k]) {
            continue;
        }
        for (int s = 0; s < signals; ++s) {
            const Eigen::VectorXd d = c.DerivativeOf(layout, s, k) *
                                      values.segment(layout.LinearIndex(s, 0), layout.PerSignal);
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
                j(i * signals + s, column) = c.Of(layout, s)(i, col);
            }
            ++column;
        }
    }
    return j;
}

}  // namespace kelmora::analysis
