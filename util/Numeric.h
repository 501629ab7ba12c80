#pragma once

namespace kelmora {

// Absolute tolerance of 1e-10, equality included; a NaN difference is never equal.
bool ApproxEqual(double a, double b);

// Roots of a*x^2 + b*x + c = 0: x1 = (-h - sqrt(D)) / a, x2 = (-h + sqrt(D)) / a with h = b/2.
// |a| < 1e-10 is taken as the linear equation (x1 = x2 = -c/b). Any floating-point error on
// the way, or no real root, gives false; x1 and x2 are then left as they were.
bool SolveQuadratic(double a, double b, double c, double& x1, double& x2);

}  // namespace kelmora
