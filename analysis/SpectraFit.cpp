#include "analysis/SpectraFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "analysis/LevenbergMarquardt.h"
#include "analysis/LgKLattice.h"
#include "analysis/Speciation.h"
#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

constexpr double Tiny = std::numeric_limits<double>::min();

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
    TEquilibrium e;
    for (Eigen::Index i = 0; i < n; ++i) {
        e = complexation.Solve(host[i], conc[i], i > 0 ? &e : nullptr);
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
    out.Values = lgK;
    out.Summary = lm.Summary;
    out.Converged = lm.Summary.Converged();
    for (int k : freeLgK) {
        if (lgK[k] <= layout.Lower[k] || lgK[k] >= layout.Upper[k]) {
            out.AtLimit.push_back(k);
        }
    }
    return out;
}

}  // namespace

std::vector<int> TSpectraLayout::FreeLgK() const {
    return Space().Free();
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
        layout.Lower[j] = LgKMin(model, j);
        layout.Upper[j] = LgKMax(model, j);
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
    return Minimise(layout, Compressed(data), lgK, LgKFitOptions(data.Spectra, stop));
}

TSpectraFit FitSpectraFromLattice(const TSpectraLayout& layout, const TSpectraData& data,
                                  const std::vector<Eigen::VectorXd>& extraStarts,
                                  const std::function<bool()>& stop) {
    const std::vector<int> freeLgK = layout.FreeLgK();
    Eigen::VectorXd lgK = layout.FixedValues;
    TSpectraFit best;
    const TSpectraData compressed = Compressed(data);
    if (freeLgK.empty()) {
        best.Values = lgK;
        best.Ss = Evaluate(layout, data, lgK, {}).Ss;
        best.Converged = true;
        return best;
    }
    const TResidualFunction residuals = [&](const Eigen::VectorXd& free, Eigen::VectorXd& r,
                                            Eigen::MatrixXd* j) {
        Eigen::VectorXd trial = lgK;
        trial(freeLgK) = free;
        TEvaluation e =
            Evaluate(layout, compressed, trial, j != nullptr ? freeLgK : std::vector<int>{});
        r = Flat(e.R);
        if (j != nullptr) {
            *j = std::move(e.J);
        }
        return true;
    };
    const TLmOptions options = LgKFitOptions(data.Spectra, stop);
    const TLgKSearch search = SearchLgK(layout.Space(), residuals, options, extraStarts);
    if (search.Search.Minima.empty()) {
        lgK(freeLgK) = search.First;
        best.Values = lgK;
        best.Ss = Evaluate(layout, data, lgK, {}).Ss;
        best.Summary.Stop = search.Search.Stopped ? TStopReason::Stopped : TStopReason::NoProgress;
        return best;
    }
    return RefinedMinima(
               search.Search, lgK, freeLgK,
               [&](const Eigen::VectorXd& at) { return Minimise(layout, compressed, at, options); })
        .front();
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
