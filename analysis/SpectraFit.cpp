#include "analysis/SpectraFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "analysis/LevenbergMarquardt.h"
#include "analysis/Speciation.h"
#include "analysis/StartSearch.h"
#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

// The start lattice: each lg K from -1 to 9 relative to the complex it grows from, finer the
// fewer lg K are free. The same lattice as the shifts' fit, so both find the same basins.
constexpr double LatticeFirst = -1.0;
constexpr double LatticeLast = 9.0;
constexpr double LatticeStep[3] = {0.1, 0.5, 1.0};
// Search limits of a constant of order one (M^-1); a constant of order m ranges m times as far.
constexpr double LimitLow = -10.0;
constexpr double LimitHigh = 20.0;

constexpr double RelativeTolerance = 1e-12;
constexpr int MaxIterations = 500;
constexpr double Eps = std::numeric_limits<double>::epsilon();
constexpr double Tiny = std::numeric_limits<double>::min();

// The complex whose lg β is set by lg K k alone (its coefficients the unit vector), or -1.
int PureComplex(const TModelDef& model, int k) {
    for (std::size_t c = 0; c < model.Complexes.size(); ++c) {
        const std::vector<double>& coef = model.Complexes[c].LgKCoefficients;
        bool pure = true;
        for (std::size_t j = 0; j < coef.size(); ++j) {
            pure = pure && coef[j] == (static_cast<int>(j) == k ? 1.0 : 0.0);
        }
        if (pure) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

// The lg K, earlier in the model's order, of the complex with one host or one guest fewer:
// lgK1 for PL2 and for P2L. -1 when there is none.
int ParentLgK(const TModelDef& model, int k) {
    const int c = PureComplex(model, k);
    if (c < 0) {
        return -1;
    }
    const TSpecies s = model.Complexes[static_cast<std::size_t>(c)].Species;
    for (int j = 0; j < k; ++j) {
        const int p = PureComplex(model, j);
        if (p < 0) {
            continue;
        }
        const TSpecies q = model.Complexes[static_cast<std::size_t>(p)].Species;
        if ((q.M == s.M && q.N == s.N - 1) || (q.M == s.M - 1 && q.N == s.N)) {
            return j;
        }
    }
    return -1;
}

// An n × W matrix as one vector, point by point: the order the shifts' fit uses, so both fits
// do the same arithmetic when a wavelength is a signal.
Eigen::VectorXd Flat(const Eigen::MatrixXd& m) {
    const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> rows = m;
    return Eigen::Map<const Eigen::VectorXd>(rows.data(), rows.size());
}

struct TColumns {
    Eigen::MatrixXd A;               // n × species: l·[species]
    std::vector<Eigen::MatrixXd> D;  // per free lg K: d A / d lg K
};

TColumns MakeColumns(const TSpectraLayout& layout, const Eigen::VectorXd& lgK,
                     const Eigen::VectorXd& conc, const Eigen::VectorXd& host, double l,
                     const std::vector<int>& freeLgK) {
    const TModelDef& model = layout.Model;
    std::vector<TSpecies> complexes;
    for (const TModelComplex& c : model.Complexes) {
        complexes.push_back(c.Species);
    }
    TComplexation complexation(complexes);
    std::array<double, MaxComplexes> lgBeta{};
    const std::span<double> beta(lgBeta.data(), complexes.size());
    ComplexLgBeta(model, std::span<const double>(lgK.data(), static_cast<std::size_t>(lgK.size())),
                  beta);
    complexation.SetLgBeta(beta);
    const Eigen::Index n = conc.size();
    const auto species = static_cast<Eigen::Index>(layout.Species.size());
    TColumns c;
    c.A.resize(n, species);
    c.D.assign(freeLgK.size(), Eigen::MatrixXd(n, species));
    TConcentrationDerivatives d;
    for (Eigen::Index i = 0; i < n; ++i) {
        const TEquilibrium e = complexation.Solve(host[i], conc[i]);
        for (Eigen::Index j = 0; j < species; ++j) {
            c.A(i, j) = l * e.C[static_cast<std::size_t>(layout.Species[j])];
        }
        if (freeLgK.empty()) {
            continue;
        }
        complexation.Derivatives(e, d);
        for (std::size_t a = 0; a < freeLgK.size(); ++a) {
            for (Eigen::Index j = 0; j < species; ++j) {
                double sum = 0.0;
                for (std::size_t k = 0; k < complexes.size(); ++k) {
                    sum += d[static_cast<std::size_t>(layout.Species[j])][k] *
                           model.Complexes[k].LgKCoefficients[static_cast<std::size_t>(freeLgK[a])];
                }
                c.D[a](i, j) = l * sum;
            }
        }
    }
    return c;
}

// One pass of the separable problem at given lg K: the ε of every wavelength from one
// factorisation of the species columns and, when asked, the Jacobian of the residuals with
// respect to the free lg K with the ε eliminated (Kaufman's variable projection). X holds, per
// free lg K, the ε's least-squares response to that lg K's change of the model.
struct TEvaluation {
    Eigen::MatrixXd A;  // columns of unit length
    Eigen::RowVectorXd Length;
    Eigen::MatrixXd Eps;  // species × W, in M^-1 cm^-1
    Eigen::MatrixXd R;    // n × W
    double Ss = 0.0;
    Eigen::MatrixXd J;  // (n·W) × free lg K, point-major
    std::vector<Eigen::MatrixXd> X;
};

TEvaluation Evaluate(const TSpectraLayout& layout, const TSpectraData& data,
                     const Eigen::VectorXd& lgK, const std::vector<int>& freeLgK) {
    TColumns c = MakeColumns(layout, lgK, data.Conc, data.Host, data.PathLength, freeLgK);
    TEvaluation e;
    // Columns of unit length: a species that hardly forms keeps its column instead of falling
    // under the rank threshold at some lg K, which would put a step into SS.
    e.Length = c.A.colwise().norm().cwiseMax(Tiny);
    e.A = c.A.array().rowwise() / e.Length.array();
    const Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> cod(e.A);
    const Eigen::MatrixXd scaled = cod.solve(data.Spectra);
    e.R = data.Spectra - e.A * scaled;
    e.Ss = e.R.squaredNorm();
    e.Eps = scaled.array().colwise() / e.Length.transpose().array();
    e.J.resize(e.R.size(), static_cast<Eigen::Index>(freeLgK.size()));
    for (std::size_t a = 0; a < freeLgK.size(); ++a) {
        Eigen::MatrixXd w = c.D[a] * e.Eps;
        e.X.push_back(cod.solve(w));
        w -= e.A * e.X.back();
        e.J.col(static_cast<Eigen::Index>(a)) = -Flat(w);
    }
    return e;
}

// SS and its Jacobian depend on the spectra Y (n × W) only through Y·Yᵀ: with Yᵀ = Q·R,
// ||P⊥·Y|| = ||P⊥·Rᵀ|| for every projection P⊥ acting on the points, so the search over lg K runs
// on the n × n matrix Rᵀ instead, at a cost that no longer grows with the wavelengths.
TSpectraData Compressed(const TSpectraData& data) {
    if (data.Spectra.cols() <= data.Spectra.rows()) {
        return data;
    }
    TSpectraData c = data;
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(data.Spectra.transpose());
    const Eigen::Index n = data.Spectra.rows();
    c.Spectra = qr.matrixQR().topRows(n).triangularView<Eigen::Upper>().transpose();
    return c;
}

TLmOptions LmOptions(const TSpectraData& data, const std::function<bool()>& stop) {
    TLmOptions options;
    options.RelativeTolerance = RelativeTolerance;
    options.MaxIterations = MaxIterations;
    // SS of a fit exact but for rounding: a few ulp of the data per observation.
    const double largest = data.Spectra.size() > 0 ? data.Spectra.cwiseAbs().maxCoeff() : 0.0;
    options.SsFloor = static_cast<double>(data.Spectra.size()) * std::pow(16.0 * Eps * largest, 2);
    options.Stop = stop;
    return options;
}

TSpectraFit Minimise(const TSpectraLayout& layout, const TSpectraData& data, Eigen::VectorXd lgK,
                     TLmOptions options) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    options.Lower = layout.Lower(freeLgK);
    options.Upper = layout.Upper(freeLgK);
    const TResidualFunction residuals = [&](const Eigen::VectorXd& x, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = lgK;
        trial(freeLgK) = x;
        TEvaluation e = Evaluate(layout, data, trial, j != nullptr ? freeLgK : std::vector<int>{});
        r = Flat(e.R);
        if (j != nullptr) {
            *j = std::move(e.J);
        }
        return true;
    };
    const TLmResult lm = SolveLeastSquares(residuals, lgK(freeLgK), options);
    lgK(freeLgK) = lm.X;
    TSpectraFit out;
    out.Ss = Evaluate(layout, data, lgK, {}).Ss;
    out.LgK = lgK;
    out.Summary = lm.Summary;
    out.Converged = lm.Summary.Converged();
    for (int k : freeLgK) {
        if (lgK[k] <= layout.Lower[k] || lgK[k] >= layout.Upper[k]) {
            out.AtLimit.push_back(k);
        }
    }
    return out;
}

// The lattice's coordinates u give the free lg K as M·u + C: each lg K counted from its parent
// complex's, so that the chemistry's features (a stepwise constant) run along the axes.
struct TLatticeMap {
    Eigen::MatrixXd M;
    Eigen::VectorXd C;
};

TLatticeMap LatticeMap(const TSpectraLayout& layout, const std::vector<int>& freeLgK) {
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    TLatticeMap map{Eigen::MatrixXd::Identity(k, k), Eigen::VectorXd::Zero(k)};
    for (Eigen::Index a = 0; a < k; ++a) {
        const int parent = ParentLgK(layout.Model, freeLgK[static_cast<std::size_t>(a)]);
        if (parent < 0) {
            continue;
        }
        if (layout.Fixed[static_cast<std::size_t>(parent)]) {
            map.C[a] = layout.FixedValues[parent];
            continue;
        }
        const auto b = static_cast<Eigen::Index>(std::find(freeLgK.begin(), freeLgK.end(), parent) -
                                                 freeLgK.begin());
        map.M.row(a) += map.M.row(b);
        map.C[a] += map.C[b];
    }
    return map;
}

}  // namespace

std::vector<int> TSpectraLayout::FreeLgK() const {
    std::vector<int> free;
    for (int k = 0; k < LgKCount(); ++k) {
        if (!Fixed[static_cast<std::size_t>(k)]) {
            free.push_back(k);
        }
    }
    return free;
}

TSpectraLayout MakeSpectraLayout(const TModelDef& model, bool ligandAbsorbs,
                                 const std::vector<std::optional<double>>& lgKFixed) {
    TSpectraLayout layout;
    layout.Model = model;
    layout.LigandAbsorbs = ligandAbsorbs;
    layout.Species = {0};
    if (ligandAbsorbs) {
        layout.Species.push_back(1);
    }
    for (std::size_t c = 0; c < model.Complexes.size(); ++c) {
        layout.Species.push_back(static_cast<int>(c) + 2);
    }
    const int k = layout.LgKCount();
    layout.Fixed.assign(static_cast<std::size_t>(k), false);
    layout.FixedValues = Eigen::VectorXd::Zero(k);
    layout.Lower.resize(k);
    layout.Upper.resize(k);
    for (int j = 0; j < k; ++j) {
        const int c = PureComplex(model, j);
        const TSpecies s =
            c >= 0 ? model.Complexes[static_cast<std::size_t>(c)].Species : TSpecies{1, 1};
        const double order = s.M + s.N - 1;
        layout.Lower[j] = LimitLow * order;
        layout.Upper[j] = LimitHigh * order;
        const auto at = static_cast<std::size_t>(j);
        if (at < lgKFixed.size() && lgKFixed[at]) {
            layout.Fixed[at] = true;
            layout.FixedValues[j] = *lgKFixed[at];
        }
    }
    return layout;
}

TSpectraSolution SolveSpectra(const TSpectraLayout& layout, const TSpectraData& data,
                              const Eigen::VectorXd& lgK) {
    TEvaluation e = Evaluate(layout, data, lgK, {});
    return {std::move(e.Eps), std::move(e.R), e.Ss};
}

Eigen::MatrixXd SpeciesColumns(const TSpectraLayout& layout, const Eigen::VectorXd& lgK,
                               const Eigen::VectorXd& conc, const Eigen::VectorXd& host,
                               double pathLength) {
    return MakeColumns(layout, lgK, conc, host, pathLength, {}).A;
}

TSpectraFit FitSpectraFrom(const TSpectraLayout& layout, const TSpectraData& data,
                           const Eigen::VectorXd& start, const std::function<bool()>& stop) {
    Eigen::VectorXd lgK = layout.FixedValues;
    for (int k : layout.FreeLgK()) {
        lgK[k] = std::clamp(start[k], layout.Lower[k], layout.Upper[k]);
    }
    return Minimise(layout, Compressed(data), lgK, LmOptions(data, stop));
}

TSpectraFit FitSpectraFromLattice(const TSpectraLayout& layout, const TSpectraData& data,
                                  const std::vector<Eigen::VectorXd>& extraStarts,
                                  const std::function<bool()>& stop) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    Eigen::VectorXd lgK = layout.FixedValues;
    TSpectraFit best;
    const TSpectraData compressed = Compressed(data);
    if (freeLgK.empty()) {
        best.LgK = lgK;
        best.Ss = Evaluate(layout, data, lgK, {}).Ss;
        best.Converged = true;
        return best;
    }
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    const TLatticeMap map = LatticeMap(layout, freeLgK);
    const TLmOptions descent = LmOptions(data, stop);
    TLmOptions options = descent;
    options.Lower = Eigen::VectorXd::Constant(k, LimitLow);
    options.Upper = Eigen::VectorXd::Constant(k, LimitHigh);
    const TResidualFunction residuals = [&](const Eigen::VectorXd& u, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = lgK;
        trial(freeLgK) = map.M * u + map.C;
        const TEvaluation e =
            Evaluate(layout, compressed, trial, j != nullptr ? freeLgK : std::vector<int>{});
        r = Flat(e.R);
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
    lattice.Step = LatticeStep[std::min<Eigen::Index>(k, 3) - 1];
    const TSearchResult search = SearchMinima(residuals, lattice, options, starts);
    if (search.Minima.empty()) {
        lgK(freeLgK) = map.M * lattice.First + map.C;
        best.LgK = lgK;
        best.Ss = Evaluate(layout, data, lgK, {}).Ss;
        best.Summary.Stop = search.Stopped ? TStopReason::Stopped : TStopReason::NoProgress;
        return best;
    }
    // Descents that end in one basin are one minimum, the first of them standing for it.
    std::vector<TSpectraFit> minima;
    for (const TSearchMinimum& m : search.Minima) {
        Eigen::VectorXd at = lgK;
        at(freeLgK) = map.M * m.X + map.C;
        TSpectraFit fit = Minimise(layout, compressed, at, descent);
        fit.Summary.Iterations += m.Summary.Iterations;
        const bool seen = std::any_of(minima.begin(), minima.end(), [&](const TSpectraFit& o) {
            return (o.LgK - fit.LgK).cwiseAbs().maxCoeff() < 1e-4;
        });
        if (!seen) {
            minima.push_back(std::move(fit));
        }
    }
    return *std::min_element(
        minima.begin(), minima.end(),
        [](const TSpectraFit& a, const TSpectraFit& b) { return a.Ss < b.Ss; });
}

Eigen::VectorXd NestedSpectraStart(const TSpectraLayout& richer, const TModelDef& simpler,
                                   const Eigen::VectorXd& simplerLgK) {
    std::vector<double> lgBeta(simpler.Complexes.size());
    ComplexLgBeta(
        simpler,
        std::span<const double>(simplerLgK.data(), static_cast<std::size_t>(simplerLgK.size())),
        lgBeta);
    Eigen::VectorXd start = richer.FixedValues;
    for (int k : richer.FreeLgK()) {
        const int c = PureComplex(richer.Model, k);
        const int parent = ParentLgK(richer.Model, k);
        start[k] = parent >= 0 ? start[parent] + LimitLow : richer.Lower[k];
        if (c < 0) {
            continue;
        }
        const TModelComplex& complex = richer.Model.Complexes[static_cast<std::size_t>(c)];
        for (std::size_t s = 0; s < simpler.Complexes.size(); ++s) {
            if (simpler.Complexes[s].Species == complex.Species) {
                start[k] = lgBeta[s] - complex.Offset;
            }
        }
        start[k] = std::clamp(start[k], richer.Lower[k], richer.Upper[k]);
    }
    return start;
}

TSpectraErrors SpectraErrors(const TSpectraLayout& layout, const TSpectraData& data,
                             const Eigen::VectorXd& lgK, double variance) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    const TEvaluation e = Evaluate(layout, data, lgK, freeLgK);
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    TSpectraErrors out;
    out.LgKCov.resize(k, k);
    if (k > 0) {
        // The Schur complement of the ε block is JᵀJ of the projected Jacobian.
        const TFreeCovariance cov = FreeCovariance(e.J, Eigen::VectorXd::Ones(k), variance,
                                                   std::vector<bool>(freeLgK.size(), true));
        out.LgKCov = cov.Cov;
        out.LgKDetermined = cov.Determined;
    }
    // (AᵀA)⁻¹ of the unit-length columns, shared by every wavelength; a species whose column
    // the others nearly make up is undetermined (NaN) at every wavelength.
    const auto species = e.A.cols();
    const TFreeCovariance g = FreeCovariance(e.A, Eigen::VectorXd::Ones(species), variance,
                                             std::vector<bool>(layout.Species.size(), true));
    const Eigen::Index w = data.Spectra.cols();
    out.EpsVariance.resize(species, w);
    for (Eigen::Index j = 0; j < species; ++j) {
        for (Eigen::Index l = 0; l < w; ++l) {
            double v = g.Cov(j, j);
            for (Eigen::Index a = 0; a < k; ++a) {
                for (Eigen::Index b = 0; b < k; ++b) {
                    v += e.X[static_cast<std::size_t>(a)](j, l) * out.LgKCov(a, b) *
                         e.X[static_cast<std::size_t>(b)](j, l);
                }
            }
            out.EpsVariance(j, l) = v / (e.Length[j] * e.Length[j]);
        }
    }
    return out;
}

}  // namespace kelmora::analysis
