#include "util/Numeric.h"

#include <cmath>

namespace kelmora {

bool ApproxEqual(double a, double b) { return std::fabs(a - b) <= 1e-10; }

namespace {
// Only finite operands reach these: a non-finite result means the operation itself trapped.
bool Finite(double x) { return std::isfinite(x); }
}  // namespace

bool SolveQuadratic(double a, double b, double c, double& x1, double& x2) {
    if (!Finite(a) || !Finite(b) || !Finite(c)) {
        return false;
    }
    if (std::fabs(a) < 1e-10) {
        if (b == 0.0) {
            return false;
        }
        const double x = -c / b;
        if (!Finite(x)) {
            return false;
        }
        x1 = x;
        x2 = x;
        return true;
    }
    const double h = b * 0.5;
    const double hh = h * h;
    const double ac = a * c;
    if (!Finite(hh) || !Finite(ac)) {
        return false;
    }
    const double d = hh - ac;
    if (!(d >= 0.0) || !Finite(d)) {
        return false;
    }
    const double s = std::sqrt(d);
    const double r = 1.0 / a;
    const double r1 = (-h - s) * r;
    const double r2 = (-h + s) * r;
    if (!Finite(r1) || !Finite(r2)) {
        return false;
    }
    x1 = r1;
    x2 = r2;
    return true;
}

}  // namespace kelmora
