#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "analysis/Speciation.h"

namespace kelmora::analysis {
namespace {

// The 1:1 and 1:2 speciation as fractions of the host, with their derivatives with respect to
// lg K1 and lg K2 (overall); lgK2 = -infinity is the 1:1 model.
struct TSpeciation {
    double Alpha0 = 1.0;
    double Alpha1 = 0.0;
    double Alpha2 = 0.0;
    double FreeLigand = 0.0;
    double DAlpha1[2] = {0.0, 0.0};
    double DAlpha2[2] = {0.0, 0.0};
};

TSpeciation SolveSpeciation(double lgK1, double lgK2, double conc, double host) {
    static constexpr TSpecies Complexes[] = {{1, 1}, {1, 2}};
    const bool pl2 = !std::isinf(lgK2);
    TComplexation complexation(std::span<const TSpecies>(Complexes).first(pl2 ? 2 : 1));
    const double lgBeta[] = {lgK1, lgK2};
    complexation.SetLgBeta(lgBeta);
    const TEquilibrium e = complexation.Solve(host, conc);
    TConcentrationDerivatives d;
    complexation.Derivatives(e, d);
    TSpeciation s;
    s.Alpha0 = e.C[0] / host;
    s.Alpha1 = e.C[2] / host;
    s.Alpha2 = pl2 ? e.C[3] / host : 0.0;
    s.FreeLigand = e.C[1];
    for (int j = 0; j < (pl2 ? 2 : 1); ++j) {
        s.DAlpha1[j] = d[2][j] / host;
        s.DAlpha2[j] = pl2 ? d[3][j] / host : 0.0;
    }
    return s;
}

constexpr double Eps = std::numeric_limits<double>::epsilon();
constexpr double NoPL2 = -std::numeric_limits<double>::infinity();

struct TCase {
    double LgK1;
    double LgK2;  // overall
    double Conc;
    double Host;
};

// Extreme constants and tiny to huge ligand-to-host ratios, with and without PL2.
std::vector<TCase> Cases() {
    std::vector<TCase> cases;
    const double lgKs[] = {-5.0, 0.0, 2.0, 4.5, 8.0, 12.0, 15.0};
    const double ratios[] = {1e-6, 0.01, 0.5, 1.0, 2.0, 3.0, 100.0, 1e6};
    const double hosts[] = {1e-6, 1e-2};
    for (double lgK1 : lgKs) {
        for (double ratio : ratios) {
            for (double host : hosts) {
                for (double lgK2 : {NoPL2, lgK1 - 3.0, 2.0 * lgK1, 2.0 * lgK1 + 4.0}) {
                    cases.push_back({lgK1, lgK2, ratio * host, host});
                }
            }
        }
    }
    return cases;
}

// The ligand mass balance L + H·(a1 + 2·a2) = C, evaluated in long double.
long double LigandResidual(const TSpeciation& s, const TCase& c) {
    return static_cast<long double>(s.FreeLigand) +
           static_cast<long double>(c.Host) *
               (static_cast<long double>(s.Alpha1) + 2.0L * static_cast<long double>(s.Alpha2)) -
           static_cast<long double>(c.Conc);
}

TEST(Equilibrium, MassBalancesHoldToAFewUlpAcrossExtremes) {
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(testing::Message() << "lgK1 " << c.LgK1 << " lgK2 " << c.LgK2 << " C "
                                        << c.Conc << " H " << c.Host);
        const TSpeciation s = SolveSpeciation(c.LgK1, c.LgK2, c.Conc, c.Host);
        EXPECT_GE(s.Alpha0, 0.0);
        EXPECT_GE(s.Alpha1, 0.0);
        EXPECT_GE(s.Alpha2, 0.0);
        EXPECT_GE(s.FreeLigand, 0.0);
        EXPECT_LE(s.FreeLigand, c.Conc);
        EXPECT_NEAR(s.Alpha0 + s.Alpha1 + s.Alpha2, 1.0, 4 * Eps);
        const double scale = std::fmax(c.Conc, c.Host * (s.Alpha1 + 2.0 * s.Alpha2));
        EXPECT_LE(std::fabs(static_cast<double>(LigandResidual(s, c))), 8 * Eps * scale);
    }
}

TEST(Equilibrium, SpeciesObeyTheMassActionLaws) {
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(testing::Message() << "lgK1 " << c.LgK1 << " lgK2 " << c.LgK2 << " C "
                                        << c.Conc << " H " << c.Host);
        const TSpeciation s = SolveSpeciation(c.LgK1, c.LgK2, c.Conc, c.Host);
        if (s.Alpha1 > 0.0 && s.Alpha0 > 1e-290) {
            EXPECT_NEAR(std::log10(s.Alpha1 / (s.Alpha0 * s.FreeLigand)), c.LgK1, 1e-13);
        }
        if (c.LgK2 != NoPL2 && s.Alpha2 > 1e-290 && s.Alpha0 > 1e-290) {
            const double lgL = std::log10(s.FreeLigand);
            EXPECT_NEAR(std::log10(s.Alpha2 / s.Alpha0) - 2.0 * lgL, c.LgK2, 1e-12);
        } else if (c.LgK2 == NoPL2) {
            EXPECT_EQ(s.Alpha2, 0.0);
        }
    }
}

// Textbook 1:1: [PL] is the smaller root of x^2 - (H + C + 1/K)·x + H·C = 0, in long double.
TEST(Equilibrium, OneToOneMatchesTheQuadraticRoot) {
    for (const TCase& c : Cases()) {
        if (c.LgK2 != NoPL2 || c.LgK1 > 8.0 || c.LgK1 < 0.0) {
            continue;  // the textbook form itself cancels beyond this range
        }
        SCOPED_TRACE(testing::Message() << "lgK1 " << c.LgK1 << " C " << c.Conc << " H " << c.Host);
        const long double k = std::pow(10.0L, static_cast<long double>(c.LgK1));
        const long double h = c.Host;
        const long double l = c.Conc;
        const long double b = h + l + 1.0L / k;
        const long double x = 2.0L * h * l / (b + std::sqrt(b * b - 4.0L * h * l));
        const TSpeciation s = SolveSpeciation(c.LgK1, NoPL2, c.Conc, c.Host);
        EXPECT_NEAR(s.Alpha1, static_cast<double>(x / h), 1e-12);
    }
}

// With K2 = K1^2/4 the two sites bind independently with microscopic constant K1/2, so the
// occupancy θ follows a 1:1 equilibrium with twice the host: a0 = (1-θ)^2, a1 = 2θ(1-θ),
// a2 = θ^2.
TEST(Equilibrium, NonCooperativeOneToTwoMatchesIndependentSites) {
    const double lg4 = std::log10(4.0);
    for (const TCase& c : Cases()) {
        if (c.LgK2 != NoPL2) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << "lgK1 " << c.LgK1 << " C " << c.Conc << " H " << c.Host);
        const double lgSite = c.LgK1 - std::log10(2.0);
        const TSpeciation site = SolveSpeciation(lgSite, NoPL2, c.Conc, 2.0 * c.Host);
        const double theta = site.Alpha1;
        const double free = site.Alpha0;
        const TSpeciation s = SolveSpeciation(c.LgK1, 2.0 * c.LgK1 - lg4, c.Conc, c.Host);
        EXPECT_NEAR(s.Alpha1, 2.0 * theta * free, 1e-12);
        EXPECT_NEAR(s.Alpha2, theta * theta, 1e-12);
        // At C = 2H with strong binding the free ligand is what is left of a near-exact
        // cancellation in the ligand mass balance: a few ulp of C there are 1e-11 of L.
        EXPECT_NEAR(s.FreeLigand / site.FreeLigand, 1.0, 1e-10);
    }
}

TEST(Equilibrium, VanishingPL2ApproachesOneToOne) {
    for (const TCase& c : Cases()) {
        if (c.LgK2 != NoPL2) {
            continue;
        }
        const TSpeciation one = SolveSpeciation(c.LgK1, NoPL2, c.Conc, c.Host);
        const TSpeciation two = SolveSpeciation(c.LgK1, -60.0, c.Conc, c.Host);
        EXPECT_NEAR(two.Alpha1, one.Alpha1, 1e-14);
        EXPECT_LT(two.Alpha2, 1e-20);
    }
}

// Implicit derivatives against central differences of the solver itself, which is smooth
// enough for that only because it solves to the last bit.
TEST(Equilibrium, DerivativesMatchCentralDifferences) {
    const double h = 1e-5;
    for (const TCase& c : Cases()) {
        if (c.LgK1 < 0.0 || c.LgK1 > 12.0 || c.Conc / c.Host > 1e3 || c.Conc / c.Host < 1e-3) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << "lgK1 " << c.LgK1 << " lgK2 " << c.LgK2 << " C "
                                        << c.Conc << " H " << c.Host);
        const TSpeciation s = SolveSpeciation(c.LgK1, c.LgK2, c.Conc, c.Host);
        for (int j = 0; j < (c.LgK2 == NoPL2 ? 1 : 2); ++j) {
            const double up1 = j == 0 ? c.LgK1 + h : c.LgK1;
            const double dn1 = j == 0 ? c.LgK1 - h : c.LgK1;
            const double up2 = j == 1 ? c.LgK2 + h : c.LgK2;
            const double dn2 = j == 1 ? c.LgK2 - h : c.LgK2;
            const TSpeciation up = SolveSpeciation(up1, up2, c.Conc, c.Host);
            const TSpeciation dn = SolveSpeciation(dn1, dn2, c.Conc, c.Host);
            EXPECT_NEAR(s.DAlpha1[j], (up.Alpha1 - dn.Alpha1) / (2 * h), 1e-7) << "j " << j;
            EXPECT_NEAR(s.DAlpha2[j], (up.Alpha2 - dn.Alpha2) / (2 * h), 1e-7) << "j " << j;
        }
        if (c.LgK2 == NoPL2) {
            EXPECT_EQ(s.DAlpha1[1], 0.0);
            EXPECT_EQ(s.DAlpha2[1], 0.0);
        }
    }
}

TEST(Equilibrium, NoLigandBindsNothing) {
    for (double lgK2 : {NoPL2, 5.0}) {
        const TSpeciation s = SolveSpeciation(4.0, lgK2, 0.0, 1e-3);
        EXPECT_EQ(s.Alpha0, 1.0);
        EXPECT_EQ(s.Alpha1, 0.0);
        EXPECT_EQ(s.Alpha2, 0.0);
        EXPECT_EQ(s.DAlpha1[0], 0.0);
    }
}

}  // namespace
}  // namespace kelmora::analysis
