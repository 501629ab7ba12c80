#include "analysis/SeparableFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Equilibrium.h"

namespace kelmora::analysis {
namespace {

const double Lg4 = std::log10(4.0);

// The start lattice: lg K1 and the stepwise lg K2 - lg K1 from -1 to 9.
constexpr int LatticeFirst = -1;
constexpr int LatticeLast = 9;
constexpr int LatticeStarts = 3;

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

// The gradient of SS/2 and the Gauss-Newton matrix over the free lg K that the gradient does
// not press against a search limit; only those may move.
struct TStepSystem {
    std::vector<int> Movable;  // positions in the free lg K
    Eigen::VectorXd G;
    Eigen::MatrixXd H;
};

TStepSystem StepSystem(const TEvaluation& e, const std::vector<int>& freeLgK,
                       const Eigen::VectorXd& values) {
    const Eigen::VectorXd g = e.J.transpose() * e.R;
    const Eigen::MatrixXd h = e.J.transpose() * e.J;
    TStepSystem sys;
    for (int k = 0; k < static_cast<int>(freeLgK.size()); ++k) {
        const double v = values[freeLgK[k]];
        const bool pushedDown = v <= LgKMin[freeLgK[k]] && g[k] > 0.0;
        const bool pushedUp = v >= LgKMax[freeLgK[k]] && g[k] < 0.0;
        if (!pushedDown && !pushedUp) {
            sys.Movable.push_back(k);
        }
    }
    const auto m = static_cast<Eigen::Index>(sys.Movable.size());
    sys.G.resize(m);
    sys.H.resize(m, m);
    for (Eigen::Index a = 0; a < m; ++a) {
        sys.G[a] = g[sys.Movable[a]];
        for (Eigen::Index b = 0; b < m; ++b) {
            sys.H(a, b) = h(sys.Movable[a], sys.Movable[b]);
        }
    }
    return sys;
}

// Levenberg-Marquardt over the free lg K, each trial point with its exact linear parameters.
// Done when the Gauss-Newton step promises, or a step achieves, a relative decrease of SS
// below 1e-12; a constant pushed against its search limit drops out of the step.
TFitOutcome Minimise(const TLayout& layout, const TFitData& data, Eigen::VectorXd values) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    // SS of a fit that is exact but for rounding: a few ulp of the shifts per observation.
    const double roundingSs = static_cast<double>(data.Shifts.size()) *
                              std::pow(16.0 * Eps * data.Shifts.cwiseAbs().maxCoeff(), 2);
    TEvaluation e = Evaluate(layout, data, values, freeLgK, true);
    TFitOutcome out;
    double lambda = 1e-3;
    bool stuck = false;
    for (int iteration = 0; iteration < MaxIterations && !out.Converged && !stuck; ++iteration) {
        if (e.Ss <= roundingSs) {
            out.Converged = true;
            break;
        }
        const TStepSystem sys = StepSystem(e, freeLgK, values);
        if (sys.Movable.empty()) {
            out.Converged = true;
            break;
        }
        const Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> hInv(sys.H);
        const double predicted = sys.G.dot(hInv.solve(sys.G));
        if (predicted <= RelativeTolerance * e.Ss + roundingSs) {
            out.Converged = true;
            break;
        }
        const double floor =
            1e-12 * sys.H.diagonal().maxCoeff() + std::numeric_limits<double>::min();
        for (;;) {
            Eigen::MatrixXd damped = sys.H;
            damped.diagonal() += lambda * (sys.H.diagonal().array() + floor).matrix();
            const Eigen::VectorXd step = damped.ldlt().solve(-sys.G);
            Eigen::VectorXd trial = values;
            for (Eigen::Index a = 0; a < step.size(); ++a) {
                const int index = freeLgK[sys.Movable[a]];
                trial[index] = std::clamp(values[index] + step[a], LgKMin[index], LgKMax[index]);
            }
            const double ss = Evaluate(layout, data, trial, freeLgK, false).Ss;
            if (ss < e.Ss) {
                const double decrease = (e.Ss - ss) / e.Ss;
                values = trial;
                e = Evaluate(layout, data, values, freeLgK, true);
                lambda = std::max(lambda * 0.1, 1e-15);
                out.Converged = decrease < RelativeTolerance;
                break;
            }
            lambda *= 10.0;
            if (lambda > 1e20) {
                // No step down at all: the minimum within rounding, unless the model still
                // promised a real decrease.
                out.Converged = predicted <= 1e-8 * e.Ss + roundingSs;
                stuck = true;
                break;
            }
        }
    }
    out.Values = values;
    out.Ss = e.Ss;
    for (int k : freeLgK) {
        if (values[k] <= LgKMin[k] || values[k] >= LgKMax[k]) {
            out.AtLimit.push_back(k);
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

TFitOutcome FitFrom(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& start) {
    Eigen::VectorXd values = StartValues(layout);
    for (int k : layout.FreeLgK()) {
        values[k] = std::clamp(start[k], LgKMin[k], LgKMax[k]);
    }
    return Minimise(layout, data, values);
}

TFitOutcome FitFromLattice(const TLayout& layout, const TFitData& data) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    Eigen::VectorXd values = StartValues(layout);
    if (freeLgK.empty()) {
        TFitOutcome out;
        out.Ss = SolveLinear(layout, data, values);
        out.Values = values;
        out.Converged = true;
        return out;
    }
    // Rows walk lg K1 when it is free, columns the stepwise constant when lg K2 is free.
    const int side = LatticeLast - LatticeFirst + 1;
    const bool k1Free = !layout.Fixed[0];
    const bool k2Free = layout.LgKCount == 2 && !layout.Fixed[1];
    const int rows = k1Free ? side : 1;
    const int cols = k2Free ? side : 1;
    Eigen::MatrixXd ss(rows, cols);
    std::vector<Eigen::VectorXd> points;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (k1Free) {
                values[0] = LatticeFirst + r;
            }
            if (k2Free) {
                values[1] = values[0] + LatticeFirst + c;
            }
            ss(r, c) = SolveLinear(layout, data, values);
            points.push_back(values);
        }
    }
    std::vector<std::pair<double, int>> minima;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const double v = ss(r, c);
            const bool lowest =
                (r == 0 || v <= ss(r - 1, c)) && (r + 1 == rows || v <= ss(r + 1, c)) &&
                (c == 0 || v <= ss(r, c - 1)) && (c + 1 == cols || v <= ss(r, c + 1));
            if (lowest) {
                minima.emplace_back(v, r * cols + c);
            }
        }
    }
    if (minima.empty()) {
        // No start gives a finite sum of squares (shifts so large that their squares
        // overflow): there is nothing to descend from, and the model is reported unconverged.
        TFitOutcome none;
        none.Values = points.front();
        none.Ss = ss(0, 0);
        return none;
    }
    std::sort(minima.begin(), minima.end());
    minima.resize(std::min<std::size_t>(minima.size(), LatticeStarts));
    TFitOutcome best;
    bool first = true;
    for (const auto& [v, index] : minima) {
        TFitOutcome out = Minimise(layout, data, points[static_cast<std::size_t>(index)]);
        const bool better = (out.Converged && !best.Converged) ||
                            (out.Converged == best.Converged && out.Ss < best.Ss);
        if (first || better) {
            best = std::move(out);
            first = false;
        }
    }
    return best;
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
