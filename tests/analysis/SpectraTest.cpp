// Whole-spectrum fits: the same numbers as the shifts' fit when a wavelength is a signal, exact
// recovery of the catalogue's models with and without an absorbing ligand, and the count of
// the factor analysis.
#include <gtest/gtest.h>

#include <cmath>

#include "Fixtures.h"
#include "analysis/Spectra.h"
#include "analysis/SpectraFit.h"

using namespace kelmora::analysis;
using namespace kelmora::analysis::testing;

namespace {

void ExpectRelative(double expected, double actual, double tolerance, const std::string& what) {
    EXPECT_LE(std::abs(actual - expected), tolerance * std::abs(expected))
        << what << ": " << expected << " vs " << actual;
}

}  // namespace

// With the host constant, A = l·H·Σ α_j δ_j: a spectrum is the shifts scaled by l·H, so at the
// same lg K the ε are the shifts, every SE is the same (the block covariance against the shifts'
// dense one) and SS scales by (l·H)². The two searches may end their descents at different
// points of the optimum's basin, both within the solver's tolerance of 1e-12 of SS: so far
// apart the lg K may lie, δ ≤ SE·sqrt(2e-12·(N - p)), and no farther.
TEST(Spectra, EqualsTheShiftsFitWhenAWavelengthIsASignal) {
    const double host = 2e-3;
    const double path = 0.5;
    const TModelValues truth =
        Truth("1:2", 3.2, 5.9, {{7.0, 7.8, 8.9, 0.0}, {2.0, 1.1, 0.4, 0.0}, {4.0, 4.3, 3.1, 0.0}});
    const TTitration t = MakeTitration(truth, 14, 0.02, host, false, 0.004, 7);
    TAnalysisSettings nmr;
    nmr.Models = {*FindModel("1:2")};
    nmr.Replicates = 0;
    const TModelResult shifts = RunAnalysis(t, nmr).Models.at(0);

    TSpectraTitration s;
    s.Wavelengths = {400, 401, 402};
    s.Conc = t.Conc;
    s.Host = {host};
    for (const std::vector<double>& row : t.Shifts) {
        s.Values.emplace_back();
        for (double y : row) {
            s.Values.back().push_back(path * host * y);
        }
    }
    TSpectraSettings settings;
    settings.Models = {"1:2"};
    settings.PathLength = path;
    settings.Replicates = 0;
    const TSpectraModelResult spectra = RunSpectraAnalysis(s, settings).Models.at(0);
    EXPECT_EQ(shifts.Dof, spectra.Dof);
    for (int k = 0; k < 2; ++k) {
        const TParamResult& a = shifts.Params[static_cast<std::size_t>(k)];
        EXPECT_LE(std::abs(a.Value - spectra.LgK[static_cast<std::size_t>(k)].Value),
                  *a.Se * std::sqrt(2e-12 * shifts.Dof))
            << a.Name;
    }

    const TSpectraLayout layout = MakeSpectraLayout(*FindModel("1:2"), false, {});
    TSpectraData data;
    data.Conc = Eigen::Map<const Eigen::VectorXd>(t.Conc.data(), 14);
    data.Host = Eigen::VectorXd::Constant(14, host);
    data.PathLength = path;
    data.Spectra.resize(14, 3);
    for (int i = 0; i < 14; ++i) {
        for (int w = 0; w < 3; ++w) {
            data.Spectra(i, w) = s.Values[static_cast<std::size_t>(i)][static_cast<std::size_t>(w)];
        }
    }
    const Eigen::Vector2d lgK(shifts.Params[0].Value, shifts.Params[1].Value);
    const TSpectraSolution solution = SolveSpectra(layout, data, lgK);
    const double scale = path * host;
    ExpectRelative(shifts.Ss * scale * scale, solution.Ss, 1e-10, "SS");
    const TSpectraErrors errors = SpectraErrors(layout, data, lgK, solution.Ss / spectra.Dof);
    for (int k = 0; k < 2; ++k) {
        const TParamResult& a = shifts.Params[static_cast<std::size_t>(k)];
        ExpectRelative(*a.Se, std::sqrt(errors.LgKCov(k, k)), 1e-10, a.Name + " SE");
    }
    const char* species[] = {"dP.", "dPL.", "dPL2."};
    for (int j = 0; j < 3; ++j) {
        for (int w = 0; w < 3; ++w) {
            const std::string name = species[j] + std::string("s") + std::to_string(w + 1);
            const TParamResult& a = Param(shifts, name);
            ExpectRelative(a.Value, solution.Eps(j, w), 1e-10, name);
            ExpectRelative(*a.Se, std::sqrt(errors.EpsVariance(j, w)), 1e-10, name + " SE");
        }
    }
}

// Monte Carlo intervals of the lg K need MinReplicatesForInterval converged replicates, as
// the shifts' do: one fewer gives none.
TEST(Spectra, AMonteCarloIntervalNeedsEnoughReplicates) {
    const double host = 2e-3;
    const TModelValues truth = Truth("1:2", 3.2, 5.9, {{7.0, 7.8, 8.9, 0.0}, {2.0, 1.1, 0.4, 0.0}});
    const TTitration t = MakeTitration(truth, 14, 0.02, host, false, 0.004, 7);
    TSpectraTitration s;
    s.Wavelengths = {400, 401};
    s.Conc = t.Conc;
    s.Host = {host};
    for (const std::vector<double>& row : t.Shifts) {
        s.Values.push_back({host * row[0], host * row[1]});
    }
    TSpectraSettings settings;
    settings.Models = {"1:2"};
    settings.Seed = 3;
    for (const int replicates : {MinReplicatesForInterval - 1, MinReplicatesForInterval}) {
        settings.Replicates = replicates;
        const TSpectraModelResult m = RunSpectraAnalysis(s, settings).Models.at(0);
        ASSERT_EQ(m.McUsed, replicates);
        for (const TParamResult& lgK : m.LgK) {
            EXPECT_EQ(lgK.Mc95.has_value(), replicates >= MinReplicatesForInterval) << lgK.Name;
        }
    }
}

// Noiseless spectra of Gaussian bands give back their constants and every species' ε,
// whichever complexes the model has and whether the free ligand absorbs.
TEST(Spectra, RecoversNoiselessSpectraOfEveryKindOfModel) {
    struct TRow {
        const char* Model;
        std::vector<double> LgK;
        bool LigandAbsorbs;
        double Host;
    };
    const TRow rows[] = {
        {"1:1", {4.3}, false, 1e-5},
        {"1:1", {4.3}, true, 1e-5},
        {"1:2", {4.0, 7.1}, true, 2e-5},
        {"2:1/1:1", {4.5, 9.8}, false, 5e-5},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Model + std::string(row.LigandAbsorbs ? " absorbing L" : ""));
        const TModelDef& model = *FindModel(row.Model);
        const TSpectraLayout layout = MakeSpectraLayout(model, row.LigandAbsorbs, {});
        const int n = 20;
        const int w = 30;
        Eigen::VectorXd conc(n);
        Eigen::VectorXd host = Eigen::VectorXd::Constant(n, row.Host);
        for (int i = 0; i < n; ++i) {
            conc[i] = row.Host * 0.3 * i * (1 + i) / 4.0;
        }
        const auto species = static_cast<Eigen::Index>(layout.Species.size());
        Eigen::MatrixXd eps(species, w);
        for (Eigen::Index j = 0; j < species; ++j) {
            for (int l = 0; l < w; ++l) {
                const double x = (l - 6.0 - 5.0 * static_cast<double>(j)) / 4.0;
                eps(j, l) = 1e4 * (1.0 + static_cast<double>(j)) * std::exp(-x * x) + 300.0;
            }
        }
        const Eigen::VectorXd lgK = Eigen::Map<const Eigen::VectorXd>(
            row.LgK.data(), static_cast<Eigen::Index>(row.LgK.size()));
        TSpectraTitration t;
        const Eigen::MatrixXd a = SpeciesColumns(layout, lgK, conc, host, 1.0) * eps;
        for (int i = 0; i < n; ++i) {
            t.Conc.push_back(conc[i]);
            t.Values.emplace_back(a.row(i).begin(), a.row(i).end());
        }
        t.Host = {row.Host};
        t.Wavelengths.assign(static_cast<std::size_t>(w), 500.0);
        TSpectraSettings settings;
        settings.Models = {row.Model};
        settings.LigandAbsorbs = row.LigandAbsorbs;
        settings.Replicates = 0;
        const TSpectraResult r = RunSpectraAnalysis(t, settings);
        const TSpectraModelResult& m = r.Models.at(0);
        ASSERT_TRUE(m.Converged);
        for (std::size_t k = 0; k < row.LgK.size(); ++k) {
            EXPECT_NEAR(row.LgK[k], m.LgK[k].Value, 1e-6);
        }
        ASSERT_EQ(m.Species.size(), static_cast<std::size_t>(species));
        for (Eigen::Index j = 0; j < species; ++j) {
            for (int l = 0; l < w; ++l) {
                EXPECT_NEAR(eps(j, l), m.Species[static_cast<std::size_t>(j)].Eps[l],
                            1e-5 * eps(j, l));
            }
        }
        EXPECT_EQ(r.Factors.Species, species) << "noiseless rank";
    }
}

// Rank-r spectra plus noise: the count is r, from one species to four, small noise or large.
TEST(Spectra, FactorAnalysisCountsTheSpeciesAboveTheNoise) {
    for (int rank = 1; rank <= 4; ++rank) {
        for (double noise : {1e-4, 5e-3}) {
            TReplicateRandom random(static_cast<std::uint64_t>(rank), 3);
            const int n = 25;
            const int w = 251;
            Eigen::MatrixXd c(n, rank);
            Eigen::MatrixXd e(rank, w);
            for (int j = 0; j < rank; ++j) {
                for (int i = 0; i < n; ++i) {
                    c(i, j) = std::exp(-std::pow((i - 6.0 * j) / 8.0, 2));
                }
                for (int l = 0; l < w; ++l) {
                    e(j, l) = 0.5 * std::exp(-std::pow((l - 40.0 - 50.0 * j) / 15.0, 2));
                }
            }
            Eigen::MatrixXd y = c * e;
            for (Eigen::Index i = 0; i < y.size(); ++i) {
                y.data()[i] += noise * random.Normal();
            }
            const TFactorAnalysis f = AnalyseFactors(y);
            EXPECT_EQ(rank, f.Species) << "noise " << noise;
            EXPECT_NEAR(noise, f.NoiseSd, 0.1 * noise);
        }
    }
}
