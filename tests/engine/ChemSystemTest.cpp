#include "engine/ChemSystem_u.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/Errors.h"

using namespace kelmora;

namespace {

TChemSystem Solved(double lgK1, double lgK2, double totalP, double totalL) {
    TChemSystem s;
    s.SetReactionCount(2);
    const double lgK[2] = {lgK1, lgK2};
    s.SetLgK(lgK);
    s.TotalP = totalP;
    s.TotalL = totalL;
    s.Solve();
    return s;
}

// Relative agreement to the printed digits of a reference value.
void ExpectDigits(double actual, double expected, double relTol) {
    if (expected == 0.0) {
        EXPECT_EQ(actual, 0.0);
    } else {
        EXPECT_NEAR(actual, expected, std::fabs(expected) * relTol);
    }
}

}  // namespace

TEST(ChemSystem, WorkedValues) {
    const struct {
        double lgK1, lgK2, totalP, totalL, pl, pl2;
    } cases[] = {
        {1.2, -1000, 0.01, 0.01, 0.00122138, 0},    {1.2, 3, 0.01, 0.05, 0.00197355, 0.00478795},
        {2, 4, 0.01, 0.01, 0.00276742, 0.00128843}, {-1000, 3, 0.01, 0.05, 0, 0.00592690},
        {1.2, 3, 0.01, 0, 0, 1.45519e-13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lgK1 << " " << c.lgK2 << " " << c.totalL);
        const TChemSystem s = Solved(c.lgK1, c.lgK2, c.totalP, c.totalL);
        ExpectDigits(s.Complex[0], c.pl, 5e-6);
        ExpectDigits(s.Complex[1], c.pl2, 5e-6);
    }
    // With no ligand every trial is "not below", so the bracket halves down to exactly P0 / 2^36.
    EXPECT_EQ(Solved(1.2, 3, 0.01, 0).Complex[1], 0.01 / 68719476736.0);
}

TEST(ChemSystem, MassBalancesHoldForTheOneToTwoCase) {
    for (double totalL : {0.002, 0.01, 0.05, 0.3}) {
        const TChemSystem s = Solved(2, 4, 0.01, totalL);
        const double pl = s.Complex[0], pl2 = s.Complex[1];
        const double p = 0.01 - pl - pl2, l = totalL - pl - 2 * pl2;
        EXPECT_NEAR(pl, s.K[0] * p * l, 1e-9) << totalL;
        // [PL2] is bracketed to P0 / 2^36; its equation's residual is that times a modest slope.
        EXPECT_NEAR(pl2, s.K[1] * p * l * l, 1e-9 * pl2) << totalL;
    }
}

TEST(ChemSystem, OneToOneMatchesTheAnalyticRoot) {
    for (double lgK1 : {-3.0, 0.0, 1.2, 3.0, 6.0}) {
        const double k = std::pow(10.0, lgK1), p0 = 0.01, l0 = 0.02;
        const double b = 1 + k * (p0 + l0);
        const double exact = (b - std::sqrt(b * b - 4 * k * k * p0 * l0)) / (2 * k);
        EXPECT_NEAR(Solved(lgK1, -1000, p0, l0).Complex[0], exact, 1e-12) << lgK1;
    }
}

TEST(ChemSystem, DegenerateTotalsAndSwitchedOffEquilibria) {
    const struct {
        double lgK1, lgK2, totalP, totalL, pl, pl2;
    } cases[] = {
        {1.2, 3, 0, 0.05, 0, 0},  // no porphyrin: both paths give nothing
        {1.2, -1000, 0, 0.05, 0, 0},  {1.2, -1000, 0.01, 0, 0, 0},  // no ligand, short path
        {1.2, -1000, 0.01, -1, 0, 0}, {-900.0001, -1000, 0.01, 0.05, 0, 0},
    };
    for (const auto& c : cases) {
        const TChemSystem s = Solved(c.lgK1, c.lgK2, c.totalP, c.totalL);
        EXPECT_EQ(s.Complex[0], c.pl);
        EXPECT_EQ(s.Complex[1], c.pl2);
    }
}

TEST(ChemSystem, SetLgKSwitchUnderflowAndOverflow) {
    TChemSystem s;
    s.SetReactionCount(2);
    const double a[2] = {-900, -900.0001};
    s.SetLgK(a);
    EXPECT_EQ(s.K[0], 0.0);  // converted: 10^-900 underflows quietly
    EXPECT_EQ(s.K[1], 0.0);
    const double b[2] = {2, -1};
    s.SetLgK(b);
    EXPECT_DOUBLE_EQ(s.K[0], 100);
    EXPECT_DOUBLE_EQ(s.K[1], 0.1);
    // The first entry is converted before the second overflows; the second keeps its old value.
    const double c[2] = {3, 309};
    try {
        s.SetLgK(c);
        ADD_FAILURE() << "no overflow";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_NEAR(s.K[0], 1000, 1e-11);
    EXPECT_DOUBLE_EQ(s.K[1], 0.1);
    const double d[2] = {400, 1};
    EXPECT_THROW(s.SetLgK(d), EMathError);
    EXPECT_NEAR(s.K[0], 1000, 1e-11);
    // Switching an equilibrium off and back on must bring its constant back.
    const double on[2] = {1.2, 3};
    const double off[2] = {1.2, -1000};
    s.SetLgK(on);
    s.SetLgK(off);
    EXPECT_EQ(s.K[1], 0.0);
    s.SetLgK(on);
    EXPECT_NEAR(s.K[1], 1000, 1e-10);
}

TEST(ChemSystem, TinyK1TakesTheLinearBranch) {
    const TChemSystem s = Solved(-11, -1000, 0.01, 0.05);  // K1 = 1e-11 < 1e-10
    const double k = 1e-11;
    EXPECT_NEAR(s.Complex[0], k * 0.01 * 0.05 / (1 + k * 0.06), 1e-27);
}

TEST(ChemSystem, HugeK1FallsBackToTheCancellationFreeRoot) {
    // At lg K1 = 200 the closed form overflows; practically all of the scarcer partner is bound.
    const TChemSystem s = Solved(200, -1000, 0.01, 0.05);
    EXPECT_NEAR(s.Complex[0], 0.01, 1e-15);
    EXPECT_LE(s.Complex[0], 0.01);
    const TChemSystem t = Solved(200, -1000, 0.05, 0.01);
    EXPECT_NEAR(t.Complex[0], 0.01, 1e-15);
    const TChemSystem u = Solved(200, 3, 0.01, 0.05);
    EXPECT_GE(u.Complex[0], 0.0);
    EXPECT_LE(u.Complex[0] + u.Complex[1], 0.01 + 1e-15);
}

TEST(ChemSystem, OverflowingCoefficientLeavesTheLastResult) {
    TChemSystem s = Solved(2, 4, 0.01, 0.01);
    const double before[2] = {s.Complex[0], s.Complex[1]};
    s.TotalP = 1e300;
    s.TotalL = 1e300;
    const double lgK[2] = {300, -1000};
    s.SetLgK(lgK);
    EXPECT_THROW(s.Solve(), EMathError);
    EXPECT_EQ(s.Complex[0], before[0]);
    EXPECT_EQ(s.Complex[1], before[1]);
}
