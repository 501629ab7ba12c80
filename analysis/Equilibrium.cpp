#include "analysis/Equilibrium.h"

#include <cmath>
#include <span>

#include "analysis/Speciation.h"

namespace kelmora::analysis {

TSpeciation SolveSpeciation(double lgK1, double lgK2, double conc, double host) {
    static constexpr TSpecies Complexes[] = {{1, 1}, {1, 2}};
    const bool pl2 = !std::isinf(lgK2);
    const TComplexation complexation = [&] {
        TComplexation c(std::span<const TSpecies>(Complexes).first(pl2 ? 2 : 1));
        const double lgBeta[] = {lgK1, lgK2};
        c.SetLgBeta(lgBeta);
        return c;
    }();
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

}  // namespace kelmora::analysis
