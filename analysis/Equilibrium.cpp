#include "analysis/Equilibrium.h"

#include <cmath>

namespace kelmora::analysis {
namespace {

constexpr double Ln10 = 2.302585092994045684;

// Root of K·L^2 + (1 + K(H - C))·L - C = 0 in L >= 0, the free ligand of the 1:1 equilibrium.
// Each branch adds terms of one sign, so nothing cancels whatever the sizes of K, H and C.
double FreeLigandOneToOne(double k, double conc, double host) {
    const double b = 1.0 + k * (host - conc);
    const double root = std::sqrt(b * b + 4.0 * k * conc);
    return b >= 0.0 ? 2.0 * conc / (b + root) : (root - b) / (2.0 * k);
}

// The fractions at a given free ligand, each a product or quotient of positive terms.
void SetFractions(double k1, double k2, double freeLigand, TSpeciation& s) {
    const double t1 = k1 * freeLigand;
    const double t2 = k2 * freeLigand * freeLigand;
    const double d = 1.0 + t1 + t2;
    s.FreeLigand = freeLigand;
    s.Alpha0 = 1.0 / d;
    s.Alpha1 = t1 / d;
    s.Alpha2 = t2 / d;
}

// Ligand mass balance L + H·(a1 + 2·a2) - C, increasing in L.
double MassBalance(const TSpeciation& s, double conc, double host) {
    return (s.FreeLigand - conc) + host * (s.Alpha1 + 2.0 * s.Alpha2);
}

// Variance of the number of bound ligands, written as a sum of positive pair terms so that it
// keeps its relative precision when one species dominates.
double BoundVariance(const TSpeciation& s) {
    return s.Alpha0 * s.Alpha1 + 4.0 * s.Alpha0 * s.Alpha2 + s.Alpha1 * s.Alpha2;
}

// With n = a1 + 2·a2 the mean number bound: at fixed L, d a1/d lnK1 = a1(1 - a1),
// d a2/d lnK1 = -a1·a2, d a1/d lnK2 = -a1·a2, d a2/d lnK2 = a2(1 - a2); d a1/d lnL = a1(1 - n),
// d a2/d lnL = a2(2 - n). The mass balance L + H·n = C fixes d lnL/d lnK.
void SetDerivatives(double host, TSpeciation& s) {
    const double a0 = s.Alpha0;
    const double a1 = s.Alpha1;
    const double a2 = s.Alpha2;
    const double oneMinusN = a0 - a2;
    const double twoMinusN = 2.0 * a0 + a1;
    const double slope = s.FreeLigand + host * BoundVariance(s);
    if (!(slope > 0.0)) {
        return;  // no ligand at all: nothing is bound and nothing moves
    }
    const double dnByLnK[2] = {a1 * oneMinusN, a2 * twoMinusN};
    const double da1ByLnK[2] = {a1 * (1.0 - a1), -a1 * a2};
    const double da2ByLnK[2] = {-a1 * a2, a2 * (1.0 - a2)};
    for (int j = 0; j < 2; ++j) {
        const double dLnL = -host * dnByLnK[j] / slope;
        s.DAlpha1[j] = Ln10 * (da1ByLnK[j] + a1 * oneMinusN * dLnL);
        s.DAlpha2[j] = Ln10 * (da2ByLnK[j] + a2 * twoMinusN * dLnL);
    }
}

// Free ligand of the 1:2 equilibrium. The 1:1 root with K1 alone is an upper bound (PL2 only
// binds more ligand); dropping the denominator of the bound fraction gives a positive lower
// bound. Newton steps in ln L keep the iteration scale-free over many decades; a step that
// would leave the bracket is replaced by its geometric midpoint.
double FreeLigandOneToTwo(double k1, double k2, double conc, double host, TSpeciation& s) {
    double hi = std::fmin(conc, FreeLigandOneToOne(k1, conc, host));
    const double a = 1.0 + host * k1;
    double lo =
        std::fmax(conc - 2.0 * host, 2.0 * conc / (a + std::sqrt(a * a + 8.0 * host * k2 * conc)));
    if (!(lo < hi)) {
        return hi;
    }
    double freeLigand = hi;
    for (int iteration = 0; iteration < 200; ++iteration) {
        SetFractions(k1, k2, freeLigand, s);
        const double f = MassBalance(s, conc, host);
        if (f == 0.0) {
            break;
        }
        (f > 0.0 ? hi : lo) = freeLigand;
        const double slope = freeLigand + host * BoundVariance(s);
        double next = freeLigand * std::exp(-f / slope);
        if (!(next > lo && next < hi)) {
            next = hi / lo > 2.0 ? std::sqrt(lo) * std::sqrt(hi) : lo + 0.5 * (hi - lo);
        }
        if (next == freeLigand || !(next > lo && next < hi)) {
            break;  // the bracket is down to neighbouring doubles
        }
        freeLigand = next;
    }
    return freeLigand;
}

}  // namespace

TSpeciation SolveSpeciation(double lgK1, double lgK2, double conc, double host) {
    TSpeciation s;
    if (!(conc > 0.0)) {
        return s;
    }
    const double k1 = std::pow(10.0, lgK1);
    const double k2 = std::pow(10.0, lgK2);
    const double freeLigand =
        k2 == 0.0 ? FreeLigandOneToOne(k1, conc, host) : FreeLigandOneToTwo(k1, k2, conc, host, s);
    SetFractions(k1, k2, freeLigand, s);
    SetDerivatives(host, s);
    return s;
}

}  // namespace kelmora::analysis
