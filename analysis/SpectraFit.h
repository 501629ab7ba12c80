#pragma once

// The separable least squares of a spectroscopic titration. Every wavelength is linear in the
// species concentrations, A(λ, i) = l·Σ_j ε_j(λ)·[species_j]_i, so for given lg K all the ε
// are one linear least-squares problem whose matrix (points × species) is shared by every
// wavelength: it is factorised once and solved for all wavelengths at once. The iterative
// search runs over the model's free lg K only, with the variable-projection Jacobian, and the
// errors of lg K and of every ε come from the block structure, never from the whole Jacobian.

#include <Eigen/Dense>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/FitSummary.h"
#include "analysis/LgKLattice.h"
#include "analysis/ModelCatalogue.h"

namespace kelmora::analysis {

// The titration as the fit sees it: n spectra of W wavelengths.
struct TSpectraData {
    Eigen::VectorXd Conc;     // total ligand per spectrum, M
    Eigen::VectorXd Host;     // total host per spectrum, M
    Eigen::MatrixXd Spectra;  // n × W, absorbance (or emission) units
    double PathLength = 1.0;  // cm
};

// A model as the spectra see it: which species absorb, which lg K are held.
struct TSpectraLayout {
    TModelDef Model;
    bool LigandAbsorbs = false;
    std::vector<int> Species;     // absorbing species in TEquilibrium order: P, (L), complexes
    std::vector<bool> Fixed;      // per lg K
    Eigen::VectorXd FixedValues;  // per lg K; only the fixed entries matter
    Eigen::VectorXd Lower;        // search limits per lg K
    Eigen::VectorXd Upper;

    int LgKCount() const { return static_cast<int>(Model.LgK.size()); }
    TLgKSpace Space() const { return {Model, Fixed, FixedValues}; }
    std::vector<int> FreeLgK() const;
};

// lgKFixed holds the model's lg K that are held, by index.
TSpectraLayout MakeSpectraLayout(const TModelDef& model, bool ligandAbsorbs,
                                 const std::vector<std::optional<double>>& lgKFixed);

// The species spectra and residuals at given lg K (the fixed ones included).
struct TSpectraSolution {
    Eigen::MatrixXd Eps;        // species × W, M^-1 cm^-1
    Eigen::MatrixXd Residuals;  // n × W, observed - model
    double Ss = 0.0;
};

TSpectraSolution SolveSpectra(const TSpectraLayout& layout, const TSpectraData& data,
                              const Eigen::VectorXd& lgK);

// l·[species] (n × species) at any concentrations: the model spectra are this times Eps.
Eigen::MatrixXd SpeciesColumns(const TSpectraLayout& layout, const Eigen::VectorXd& lgK,
                               const Eigen::VectorXd& conc, const Eigen::VectorXd& host,
                               double pathLength);

// Values: every lg K of the model, the fixed ones included.
using TSpectraFit = TLgKFit;

// The best of every basin the start search finds over the free lg K; extraStarts are whole lg K
// vectors descended from as well (a nested model's optimum). stop ends the search early.
TSpectraFit FitSpectraFromLattice(const TSpectraLayout& layout, const TSpectraData& data,
                                  const std::vector<Eigen::VectorXd>& extraStarts = {},
                                  const std::function<bool()>& stop = {});

// The nearest minimum from the lg K in start.
TSpectraFit FitSpectraFrom(const TSpectraLayout& layout, const TSpectraData& data,
                           const Eigen::VectorXd& start, const std::function<bool()>& stop = {});

// Covariance at the optimum with residual variance s²: of the free lg K, and the variance of
// every ε, from the Schur complement over the per-wavelength ε.
struct TSpectraErrors {
    Eigen::MatrixXd LgKCov;           // free lg K; NaN rows for undetermined ones
    std::vector<bool> LgKDetermined;  // per free lg K
    Eigen::MatrixXd EpsVariance;      // species × W; NaN where undetermined
};

TSpectraErrors SpectraErrors(const TSpectraLayout& layout, const TSpectraData& data,
                             const Eigen::VectorXd& lgK, double variance);

}  // namespace kelmora::analysis
