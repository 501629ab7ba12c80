#pragma once

namespace kelmora::analysis {

// The host's species at one point, exact to double precision, with the derivatives of the bound
// fractions with respect to lg K1 and lg K2 (overall), found by implicit differentiation of the
// ligand mass balance.
struct TSpeciation {
    double Alpha0 = 1.0;  // [P]/H
    double Alpha1 = 0.0;  // [PL]/H
    double Alpha2 = 0.0;  // [PL2]/H
    double FreeLigand = 0.0;
    double DAlpha1[2] = {0.0, 0.0};  // d Alpha1 / d lgK1, d lgK2
    double DAlpha2[2] = {0.0, 0.0};  // d Alpha2 / d lgK1, d lgK2
};

// P + L <=> PL (K1) and P + 2L <=> PL2 (overall K2) at total ligand conc >= 0 and total host
// host > 0, by the general speciation; lgK2 = -infinity is the 1:1 model.
TSpeciation SolveSpeciation(double lgK1, double lgK2, double conc, double host);

}  // namespace kelmora::analysis
