#include <cmath>
#include <limits>

#include "engine/FitState.h"
#include "util/Errors.h"
#include "util/Numeric.h"

namespace kelmora {

namespace {

// The shift parameters, read once per evaluation so the point loops keep them in registers.
struct TShiftValues {
    double P, PL, PL2, Unspecific;
    explicit TShiftValues(const std::array<TFitParam, ParamCount>& p)
        : P(p[2].Value), PL(p[3].Value), PL2(p[4].Value), Unspecific(p[5].Value) {}
    double Model(double a1, double a2, double c) const {
        return ((((1.0 - a1) - a2) * P + PL * a1) + PL2 * a2) + c * Unspecific;
    }
};

inline double SquaredDeviationSum(const std::vector<TDataPoint>& points) {
    double s = 0.0;
    for (const TDataPoint& pt : points) {
        const double d = pt.ExpShift - pt.TheorShift;
        s += d * d;
    }
    return s;
}

}  // namespace

double TFitState::ComputeQ() {
    ++EvalCount;
    for (const TFitParam& p : FitParams) {
        if (p.Optimize && (p.Value < p.MinVal || p.Value > p.MaxVal)) {
            // A distance beyond the double range cannot be stored: Q keeps its value. (A NaN
            // bound passes through quietly, as NaN operands do.)
            const double penalty = 10000000.0 + 1000.0 * std::fabs(p.Value - p.MaxVal);
            if (std::isinf(penalty)) {
                RaiseOverflow();
            }
            Q = penalty;
            return Q;
        }
    }

    const double lgK[2] = {FitParams[0].Value, FitParams[1].Value};
    System.SetLgK(lgK);

    const bool constantsMoved = !ApproxEqual(lgK[0], LastParamValues[0]) ||
                                !ApproxEqual(lgK[1], LastParamValues[1]) ||
                                PorphyrinConc != SolvedP0;
    double s = 0.0;
    const bool solved = constantsMoved || !ComputeShiftsFromCache(s);
    if (solved) {
        s = ComputeShiftsSolving();
    }
    Q = CheckOverflow(s * Weight);

    for (int i = 0; i < ParamCount; ++i) {
        LastParamValues[i] = FitParams[i].Value;
    }
    for (TDataPoint& pt : Points) {
        pt.SolvedConc = pt.Conc;
    }
    return Q;
}

// Every point solved again; any error ends the evaluation at the point where it arises. Inputs
// solved for recently are taken from the fraction cache instead: the same numbers, no solving.
double TFitState::ComputeShiftsSolving() {
    const double lgK1 = FitParams[0].Value;
    const double lgK2 = FitParams[1].Value;
    if (const TFractionSet* set = fractions_.Find(lgK1, lgK2, PorphyrinConc, Points)) {
        return ComputeShiftsFromSet(*set);
    }
    TFractionSet& set = fractions_.Claim(lgK1, lgK2, PorphyrinConc);
    // Until every point is solved the stored fractions belong to no single lg K: an error
    // part-way must leave them marked stale, or a later evaluation at the old lg K would
    // reuse a mixture of old and new fractions.
    SolvedP0 = std::numeric_limits<double>::quiet_NaN();
    const TShiftValues v(FitParams);
    for (std::size_t j = 0; j < Points.size(); ++j) {
        TDataPoint& pt = Points[j];
        System.TotalP = PorphyrinConc;
        System.TotalL = pt.Conc;
        System.Solve();
        ++SolveCount;
        const double a1 = CheckedDivide(System.Complex[0], PorphyrinConc);
        const double a2 = CheckedDivide(System.Complex[1], PorphyrinConc);
        pt.Alpha1 = a1;
        pt.Alpha2 = a2;
        set.Conc[j] = pt.Conc;
        set.Alpha1[j] = a1;
        set.Alpha2[j] = a2;
        pt.TheorShift = CheckOverflow(v.Model(a1, a2, pt.Conc));
    }
    fractions_.Commit(set, System);
    SolvedP0 = PorphyrinConc;
    return CheckOverflow(SquaredDeviationSum(Points));
}

// As solving would: same fractions, same shifts in the same order, the solver left as its last
// point left it.
double TFitState::ComputeShiftsFromSet(const TFractionSet& set) {
    ++FractionReuseCount;
    const TShiftValues v(FitParams);
    for (std::size_t j = 0; j < Points.size(); ++j) {
        TDataPoint& pt = Points[j];
        pt.Alpha1 = set.Alpha1[j];
        pt.Alpha2 = set.Alpha2[j];
        pt.TheorShift = CheckOverflow(v.Model(pt.Alpha1, pt.Alpha2, pt.Conc));
    }
    if (!Points.empty()) {
        System.TotalP = PorphyrinConc;
        System.TotalL = set.LastTotalL;
        System.Complex[0] = set.LastComplex[0];
        System.Complex[1] = set.LastComplex[1];
    }
    SolvedP0 = PorphyrinConc;
    return CheckOverflow(SquaredDeviationSum(Points));
}

// The hot path of every search: no concentration moved, so the shifts come from the stored
// fractions and are summed in the same pass. The old shifts are kept aside, so that an overflow
// (rare, seen after the loop as a non-finite sum) can put back exactly the shifts of the points
// from the failing one on.
bool TFitState::ComputeShiftsFromCache(double& sum) {
    for (const TDataPoint& pt : Points) {
        if (!ApproxEqual(pt.Conc, pt.SolvedConc)) [[unlikely]] {
            return false;
        }
    }
    const TShiftValues v(FitParams);
    const std::size_t n = Points.size();
    double s = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        TDataPoint& pt = Points[j];
        const double t = v.Model(pt.Alpha1, pt.Alpha2, pt.Conc);
        theorBackup_[j] = pt.TheorShift;
        pt.TheorShift = t;
        const double d = pt.ExpShift - t;
        s += d * d;
    }
    if (!std::isfinite(s)) [[unlikely]] {
        for (std::size_t j = 0; j < n; ++j) {
            if (!std::isfinite(Points[j].TheorShift)) {
                for (std::size_t k = j; k < n; ++k) {
                    Points[k].TheorShift = theorBackup_[k];
                }
                RaiseOverflow();
            }
        }
        RaiseOverflow();  // every shift fit the range: the sum of squares is what overflowed
    }
    sum = s;
    return true;
}

}  // namespace kelmora
