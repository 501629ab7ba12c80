#include "util/Errors.h"

#include <cmath>

namespace kelmora {

void RaiseOverflow() {
    throw EMathError("Floating point overflow");
}
void RaiseZeroDivide() {
    throw EMathError("Floating point division by zero");
}
void RaiseInvalidOp() {
    throw EMathError("Invalid floating point operation");
}

double CheckedDivide(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        RaiseInvalidOp();
    }
    if (b == 0.0) {
        if (a == 0.0) {
            RaiseInvalidOp();
        }
        RaiseZeroDivide();
    }
    if (std::isinf(a) && std::isinf(b)) {
        RaiseInvalidOp();
    }
    const double q = a / b;
    if (std::isinf(q) && !std::isinf(a)) {
        RaiseOverflow();
    }
    return q;
}

}  // namespace kelmora
