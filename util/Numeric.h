#pragma once

#include <cmath>

namespace kelmora {

// Absolute tolerance of 1e-10, equality included; a NaN difference is never equal.
inline bool ApproxEqual(double a, double b) {
    return std::fabs(a - b) <= 1e-10;
}

// Roots of a*x^2 + b*x + c = 0: x1 = (-h - sqrt(D)) / a, x2 = (-h + sqrt(D)) / a with h = b/2.
// |a| < 1e-10 is taken as the linear equation (x1 = x2 = -c/b). Any floating-point error on
// the way, or no real root, gives false; x1 and x2 are then left as they were. Only finite
// operands reach each step, so a result that is not finite means that step trapped.
// Inline: the equilibrium solver calls it 36 times per point.
inline bool SolveQuadratic(double a, double b, double c, double& x1, double& x2) {
    using std::isfinite;
    if (!isfinite(a) || !isfinite(b) || !isfinite(c)) {
        return false;
    }
    if (std::fabs(a) < 1e-10) {
        if (b == 0.0) {
            return false;
        }
        const double x = -c / b;
        if (!isfinite(x)) {
            return false;
        }
        x1 = x;
        x2 = x;
        return true;
    }
    const double h = b * 0.5;
    const double hh = h * h;
    const double ac = a * c;
    if (!isfinite(hh) || !isfinite(ac)) {
        return false;
    }
    const double d = hh - ac;
    if (!(d >= 0.0) || !isfinite(d)) {
        return false;
    }
    const double s = std::sqrt(d);
    const double r = 1.0 / a;
    const double r1 = (-h - s) * r;
    const double r2 = (-h + s) * r;
    if (!isfinite(r1) || !isfinite(r2)) {
        return false;
    }
    x1 = r1;
    x2 = r2;
    return true;
}

}  // namespace kelmora
