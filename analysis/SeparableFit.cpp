#include "analysis/SeparableFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

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

// Which kinds of signal (host, guest) the layout has: only those need columns.
std::array<bool, 2> KindsOfSignal(const TLayout& layout) {
    std::array<bool, 2> wanted{false, false};
    for (bool guest : layout.Guest) {
        wanted[guest ? 1 : 0] = true;
    }
    return wanted;
}

// Fills c's columns at the lg K the speciation holds, and equilibria with every point's; both
// keep their storage from one call to the next.
void FillColumns(const TLayout& layout, const TModelSpeciation& speciation,
                 const Eigen::VectorXd& conc, const Eigen::VectorXd& host, TColumns& c,
                 std::vector<TEquilibrium>& equilibria) {
    const Eigen::Index n = conc.size();
    const int species = layout.PerSignal - (layout.LinearTerm ? 1 : 0);
    const std::array<bool, 2> wanted = KindsOfSignal(layout);
    for (int g = 0; g < 2; ++g) {
        if (wanted[static_cast<std::size_t>(g)]) {
            c.A[g].resize(n, layout.PerSignal);
            if (layout.LinearTerm) {
                c.A[g].col(layout.PerSignal - 1) = conc;
            }
        }
    }
    equilibria.resize(static_cast<std::size_t>(n));
    for (Eigen::Index i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(i);
        equilibria[at] =
            speciation.Complexation.Solve(host[i], conc[i], i > 0 ? &equilibria[at - 1] : nullptr);
        for (int g = 0; g < 2; ++g) {
            for (int col = 0; wanted[static_cast<std::size_t>(g)] && col < species; ++col) {
                c.A[g](i, col) = speciation.Share(equilibria[at], col, g == 1);
            }
        }
    }
}

// The derivatives of c's columns with respect to each lg K, at the equilibria FillColumns left.
void FillDerivatives(const TLayout& layout, const TModelSpeciation& speciation,
                     const std::vector<TEquilibrium>& equilibria, TColumns& c) {
    const auto n = static_cast<Eigen::Index>(equilibria.size());
    const int species = layout.PerSignal - (layout.LinearTerm ? 1 : 0);
    const std::array<bool, 2> wanted = KindsOfSignal(layout);
    for (int g = 0; g < 2; ++g) {
        if (wanted[static_cast<std::size_t>(g)]) {
            c.D[g].resize(static_cast<std::size_t>(layout.LgKCount));
            for (Eigen::MatrixXd& d : c.D[g]) {
                d.setZero(n, layout.PerSignal);
            }
        }
    }
    TConcentrationDerivatives d;
    std::vector<double> byLgK(static_cast<std::size_t>(layout.LgKCount));
    for (Eigen::Index i = 0; i < n; ++i) {
        const TEquilibrium& e = equilibria[static_cast<std::size_t>(i)];
        speciation.Complexation.Derivatives(e, d);
        for (int g = 0; g < 2; ++g) {
            for (int col = 0; wanted[static_cast<std::size_t>(g)] && col < species; ++col) {
                speciation.ShareDerivatives(e, d, col, g == 1, byLgK);
                for (int k = 0; k < layout.LgKCount; ++k) {
                    c.D[g][static_cast<std::size_t>(k)](i, col) =
                        byLgK[static_cast<std::size_t>(k)];
                }
            }
        }
    }
}

TColumns MakeColumns(const TLayout& layout, const Eigen::VectorXd& conc,
                     const Eigen::VectorXd& host, const Eigen::VectorXd& values, bool derivatives) {
    const TModelSpeciation speciation(
        layout.Model,
        std::span<const double>(values.data(), static_cast<std::size_t>(layout.LgKCount)));
    TColumns c;
    std::vector<TEquilibrium> equilibria;
    FillColumns(layout, speciation, conc, host, c, equilibria);
    if (derivatives) {
        FillDerivatives(layout, speciation, equilibria, c);
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

    void Decompose(const TColumns& c) {
        const Eigen::MatrixXd& columns = c.A[Guest ? 1 : 0];
        A.resize(columns.rows(), static_cast<Eigen::Index>(FreeColumns.size()));
        for (std::size_t j = 0; j < FreeColumns.size(); ++j) {
            A.col(static_cast<Eigen::Index>(j)) = columns.col(FreeColumns[j]);
        }
        // Columns of unit length: a species that hardly forms (PL2 at a tiny K2) keeps its
        // column instead of falling under the decomposition's rank threshold at some
        // data-dependent K, which would put a step into SS as a function of lg K.
        Length = A.colwise().norm().cwiseMax(Tiny);
        A.array().rowwise() /= Length.array();
        if (!FreeColumns.empty()) {
            Cod.compute(A);
        }
    }
};

// The separable problem at any lg K of one layout and data set. It keeps the speciation, the
// columns and the decompositions from one evaluation to the next: a search makes thousands.
class TEvaluator {
  public:
    TEvaluator(const TLayout& layout, const TFitData& data)
        : Layout(layout),
          Data(data),
          Speciation(layout.Model, std::vector<double>(layout.Model.LgK.size(), 0.0)) {
        for (int s = 0; s < layout.Signals; ++s) {
            const bool guest = layout.Guest[static_cast<std::size_t>(s)];
            std::vector<int> freeColumns;
            for (int col = 0; col < layout.PerSignal; ++col) {
                if (!layout.Fixed[layout.LinearIndex(s, col)]) {
                    freeColumns.push_back(col);
                }
            }
            const auto same = std::find_if(Systems.begin(), Systems.end(), [&](const auto& x) {
                return x.Guest == guest && x.FreeColumns == freeColumns;
            });
            SystemOfSignal.push_back(static_cast<std::size_t>(same - Systems.begin()));
            if (same == Systems.end()) {
                Systems.push_back({guest, std::move(freeColumns), {}, {}, {}});
            }
        }
    }

    // One pass: the exact linear solution per signal at the lg K in values (written back into
    // values) and, when asked, the Jacobian of the residuals with respect to the free lg K
    // with the linear parameters eliminated (Kaufman's form of variable projection). Its
    // transpose times the residuals is the exact gradient of SS. The Jacobian at the lg K of
    // the pass before takes that pass's equilibria and decompositions: a search asks for it
    // only at a trial point it has taken.
    const TEvaluation& Run(Eigen::VectorXd& values, const std::vector<int>& freeLgK,
                           bool jacobian) {
        const Eigen::Index n = Data.Conc.size();
        const int signals = Layout.Signals;
        if (jacobian && Solved.size() == values.size() &&
            values.head(Layout.LgKCount) == Solved.head(Layout.LgKCount)) {
            values = Solved;
        } else {
            Solve(values);
        }
        if (!jacobian) {
            return E;
        }
        FillDerivatives(Layout, Speciation, Equilibria, Columns);
        E.J.resize(n * signals, static_cast<Eigen::Index>(freeLgK.size()));
        for (int s = 0; s < signals; ++s) {
            const TLinearSystem& system = Systems[SystemOfSignal[static_cast<std::size_t>(s)]];
            const auto shifts = values.segment(Layout.LinearIndex(s, 0), Layout.PerSignal);
            for (std::size_t k = 0; k < freeLgK.size(); ++k) {
                W.noalias() = Columns.DerivativeOf(Layout, s, freeLgK[k]) * shifts;
                if (!system.FreeColumns.empty()) {
                    Beta = system.Cod.solve(W);
                    Fitted.noalias() = system.A * Beta;
                    W -= Fitted;
                }
                for (Eigen::Index i = 0; i < n; ++i) {
                    E.J(i * signals + s, static_cast<Eigen::Index>(k)) = -W[i];
                }
            }
        }
        return E;
    }

    // The gradient of SS/2 over the free lg K at the lg K in values, into g, for a search that
    // needs no Jacobian: Jᵀr, with J's projection dropped, since r is orthogonal to the
    // columns, and the residuals weighted back through the speciation's derivatives point by
    // point instead of each derivative formed.
    const TEvaluation& Gradient(Eigen::VectorXd& values, const std::vector<int>& freeLgK,
                                Eigen::VectorXd& g) {
        const auto n = static_cast<std::size_t>(Data.Conc.size());
        Run(values, freeLgK, false);
        // A kind of signal the layout lacks has no columns to weigh.
        const auto columns =
            static_cast<std::size_t>(Layout.PerSignal - (Layout.LinearTerm ? 1 : 0));
        for (int guest = 0; guest < 2; ++guest) {
            const bool present = std::find(Layout.Guest.begin(), Layout.Guest.end(), guest == 1) !=
                                 Layout.Guest.end();
            ColumnWeights[guest].resize(present ? columns : 0);
        }
        ByLgK.resize(static_cast<std::size_t>(Layout.LgKCount));
        g.setZero(static_cast<Eigen::Index>(freeLgK.size()));
        for (std::size_t i = 0; i < n; ++i) {
            std::fill(ColumnWeights[0].begin(), ColumnWeights[0].end(), 0.0);
            std::fill(ColumnWeights[1].begin(), ColumnWeights[1].end(), 0.0);
            for (int s = 0; s < Layout.Signals; ++s) {
                const double r = E.R[static_cast<Eigen::Index>(i) * Layout.Signals + s];
                std::vector<double>& weights =
                    ColumnWeights[Layout.Guest[static_cast<std::size_t>(s)] ? 1 : 0];
                for (std::size_t col = 0; col < columns; ++col) {
                    weights[col] += r * values[Layout.LinearIndex(s, static_cast<int>(col))];
                }
            }
            Speciation.WeightedShareDerivatives(Equilibria[i], ColumnWeights[0], ColumnWeights[1],
                                                ByLgK);
            for (std::size_t k = 0; k < freeLgK.size(); ++k) {
                g[static_cast<Eigen::Index>(k)] -= ByLgK[static_cast<std::size_t>(freeLgK[k])];
            }
        }
        return E;
    }

    // The residual function of the free lg K (the other entries taken from values).
    TResidualFunction Residuals(const Eigen::VectorXd& values, const std::vector<int>& freeLgK) {
        Trial = values;
        return [this, &freeLgK](const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::MatrixXd* j) {
            Trial(freeLgK) = x;
            const TEvaluation& e = Run(Trial, freeLgK, j != nullptr);
            r = e.R;
            if (j != nullptr) {
                *j = e.J;
            }
            return true;
        };
    }

  private:
    // The equilibria, columns, decompositions, linear parameters and residuals at the lg K in
    // values.
    void Solve(Eigen::VectorXd& values) {
        const Eigen::Index n = Data.Conc.size();
        const int signals = Layout.Signals;
        Speciation.SetLgK(
            std::span<const double>(values.data(), static_cast<std::size_t>(Layout.LgKCount)));
        FillColumns(Layout, Speciation, Data.Conc, Data.Host, Columns, Equilibria);
        for (TLinearSystem& system : Systems) {
            system.Decompose(Columns);
        }
        E.R.resize(n * signals);
        for (int s = 0; s < signals; ++s) {
            const TLinearSystem& system = Systems[SystemOfSignal[static_cast<std::size_t>(s)]];
            const std::vector<int>& freeColumns = system.FreeColumns;
            Rhs = Data.Shifts.col(s);
            const Eigen::MatrixXd& columns = Columns.Of(Layout, s);
            for (int col = 0; col < Layout.PerSignal; ++col) {
                const int index = Layout.LinearIndex(s, col);
                if (Layout.Fixed[index]) {
                    Rhs -= columns.col(col) * Layout.FixedValues[index];
                }
            }
            if (!freeColumns.empty()) {
                Beta = system.Cod.solve(Rhs);
                for (std::size_t j = 0; j < freeColumns.size(); ++j) {
                    const auto at = static_cast<Eigen::Index>(j);
                    values[Layout.LinearIndex(s, freeColumns[j])] = Beta[at] / system.Length[at];
                }
                Fitted.noalias() = system.A * Beta;
                Rhs -= Fitted;
            }
            for (Eigen::Index i = 0; i < n; ++i) {
                E.R[i * signals + s] = Rhs[i];
            }
        }
        E.Ss = E.R.squaredNorm();
        Solved = values;
    }

    const TLayout& Layout;
    const TFitData& Data;
    TModelSpeciation Speciation;
    TColumns Columns;
    std::vector<TLinearSystem> Systems;
    std::vector<std::size_t> SystemOfSignal;
    TEvaluation E;
    std::vector<TEquilibrium> Equilibria;
    Eigen::VectorXd Solved;  // values as the last Solve left them
    std::vector<double> ColumnWeights[2];
    std::vector<double> ByLgK;
    Eigen::VectorXd Rhs;
    Eigen::VectorXd Beta;
    Eigen::VectorXd W;
    Eigen::VectorXd Fitted;
    Eigen::VectorXd Trial;
};

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
    options.JacobianWhenTaken = true;
    TEvaluator evaluator(layout, data);
    const TLmResult lm = SolveLeastSquares(evaluator.Residuals(values, freeLgK), start, options);
    values(freeLgK) = lm.X;
    TFitOutcome out;
    out.Ss = evaluator.Run(values, freeLgK, false).Ss;
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
    TEvaluator evaluator(layout, data);
    const TEvaluation& e = evaluator.Run(values, {}, false);
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

TGradientFunction SsGradient(const TLayout& layout, const TFitData& data,
                             const Eigen::VectorXd& values) {
    return
        [evaluator = std::make_shared<TEvaluator>(layout, data), freeLgK = layout.FreeLgK(),
         trial = values](const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::VectorXd& g) mutable {
            trial(freeLgK) = x;
            r = evaluator->Gradient(trial, freeLgK, g).R;
            return true;
        };
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
    TEvaluator evaluator(layout, data);
    const TResidualFunction residuals = evaluator.Residuals(values, freeLgK);
    TLmOptions options = LgKFitOptions(data.Shifts, stop);
    options.JacobianWhenTaken = true;
    const TLgKSearch search =
        SearchLgK({layout.Model, layout.Fixed, layout.FixedValues}, residuals, options, extraStarts,
                  latticeOf, SsGradient(layout, data, values));
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
