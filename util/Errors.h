#pragma once

#include <stdexcept>
#include <string>

namespace kelmora {

// Every error the program reports carries the exact text the user is shown.
class EKelmoraError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A text that does not convert to a number.
class EConvertError : public EKelmoraError {
  public:
    using EKelmoraError::EKelmoraError;
};

// Arithmetic that would trap on a machine with floating-point exceptions unmasked.
class EMathError : public EKelmoraError {
  public:
    using EKelmoraError::EKelmoraError;
};

[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseZeroDivide();
[[noreturn]] void RaiseInvalidOp();

// a / b with the traps of unmasked IEEE arithmetic: 0/0 is invalid, x/0 divides by zero,
// and a finite quotient that leaves the double range overflows.
double CheckedDivide(double a, double b);

// For sums and products of finite operands: a result that is no longer finite means that some
// step on the way left the double range, and that overflow is where the arithmetic trapped.
inline double CheckOverflow(double x) {
    if (x - x != 0.0) [[unlikely]] {  // false for every finite x, true for inf and NaN
        RaiseOverflow();
    }
    return x;
}

}  // namespace kelmora
