#include "engine/ChemSystem_u.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "util/Errors.h"
#include "util/Numeric.h"

namespace kelmora {

namespace {

// The smaller root of K1*y^2 - (1 + K1*(A+B))*y + K1*A*B = 0 without cancellation, for the
// trials the closed form cannot take (huge K1: h*h leaves the double range, or A and B so
// close that the discriminant rounds below zero). Dividing by K1 keeps every term finite, and
// the discriminant is written as a sum of non-negative terms.
double SmallerRootFallback(double K1, double A, double B) {
    const double invK = 1.0 / K1;
    const double beta = invK + A + B;
    const double disc = (A - B) * (A - B) + (2.0 * (A + B) + invK) * invK;
    const double y = 2.0 * A * B / (beta + std::sqrt(disc));
    return std::clamp(y, 0.0, std::min(A, B));
}

}  // namespace

void TChemSystem::SetLgK(const double* lgK) {
    const double ln10 = std::numbers::ln10;
    for (std::int32_t i = 0; i < ReactionCount; ++i) {
        if (lgK[i] == convertedLgK_[i]) {
            continue;
        }
        if (lgK[i] >= -900.0) {
            const double t = lgK[i] * ln10;
            const double k = std::exp(t);
            if (std::isinf(k)) {
                RaiseOverflow();
            }
            K[i] = k;
        } else {
            K[i] = 0.0;
        }
        convertedLgK_[i] = lgK[i];
    }
}

// What every trial of one solve shares. When K1 and the totals are small enough that no step
// of the closed form can leave the double range (every practical case), the trials skip the
// range checks; they still compute exactly the same operations in the same order.
TChemSystem::TTrialConstants TChemSystem::TrialConstants() const {
    TTrialConstants c;
    c.K1 = K[0];
    c.K2 = K[1];
    c.a = -c.K1;
    c.Linear = std::fabs(c.a) < 1e-10;
    c.r = c.Linear ? 0.0 : 1.0 / c.a;
    const double m = std::max({TotalP, TotalL, 0.0});
    c.RangeSafe = m < 1e300 && c.K1 * m < 1e150;
    return c;
}

bool TChemSystem::Trial(double x, double& PL, const TTrialConstants& k) const {
    const double A = TotalP - x;
    const double B = TotalL - 2.0 * x;
    if (A <= 0.0 || !(B > 0.0)) {
        PL = 0.0;
        return false;
    }
    if (k.RangeSafe) [[likely]] {
        const double b = (A + B) * k.K1 + 1.0;
        const double c = -k.K1 * A * B;
        if (k.Linear) {
            PL = -c / b;
        } else {
            const double h = b * 0.5;
            const double d = h * h - k.a * c;
            PL = d >= 0.0 ? (-h + std::sqrt(d)) * k.r : SmallerRootFallback(k.K1, A, B);
        }
    } else {
        const double b = CheckOverflow((A + B) * k.K1 + 1.0);
        const double c = CheckOverflow(-k.K1 * A * B);
        double x1 = 0.0;
        double x2 = 0.0;
        PL = SolveQuadratic(k.a, b, c, x1, x2) ? x2 : SmallerRootFallback(k.K1, A, B);
    }
    const double demanded = CheckOverflow((B - PL) * (B - PL) * ((A - PL) * k.K2));
    return x - demanded < 0.0;
}

bool TChemSystem::TrialPL2(double x, double& PL) const {
    return Trial(x, PL, TrialConstants());
}

void TChemSystem::BisectPL2(double Res[2], double Lo, double Hi, std::int32_t Iterations) const {
    const TTrialConstants k = TrialConstants();
    double PL = 0.0;
    for (std::int32_t i = 0; i < Iterations; ++i) {
        const double mid = (Lo + Hi) * 0.5;
        if (Trial(mid, PL, k)) {
            Lo = mid;
        } else {
            Hi = mid;
        }
    }
    const double mid = (Lo + Hi) * 0.5;
    Trial(mid, PL, k);
    Res[0] = PL;
    Res[1] = mid;
}

void TChemSystem::Solve() {
    if (K[1] == 0.0) {
        double PL = 0.0;
        TrialPL2(0.0, PL);
        Complex[0] = PL;
        Complex[1] = 0.0;
        return;
    }
    double Res[2];
    BisectPL2(Res, 0.0, TotalP, 35);
    for (std::int32_t i = 0; i < ReactionCount && i < 2; ++i) {
        Complex[i] = Res[i];
    }
}

}  // namespace kelmora
