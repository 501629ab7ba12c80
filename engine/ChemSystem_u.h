#pragma once

#include <cstdint>

namespace kelmora {

// The two equilibria P + L <=> PL (K1) and P + 2L <=> PL2 (overall K2) with their mass
// balances, solved for [PL] and [PL2] at given totals. The caller writes TotalP and TotalL,
// calls Solve and reads Complex directly.
class TChemSystem {
  public:
    std::int32_t ReactionCount = 0;
    double K[6] = {};
    double TotalP = 0.0;
    double TotalL = 0.0;
    double Complex[6] = {};  // [PL], [PL2]

    void SetReactionCount(std::int32_t n) { ReactionCount = n; }

    // K[i] := 10^lgK[i]; lg K below -900 switches the equilibrium off (K = 0). A power beyond
    // the double range raises "Floating point overflow", leaving that entry and later ones as
    // they were.
    void SetLgK(const double* lgK);

    void Solve();

    // One trial [PL2] = x: PL gets the [PL] consistent with it; true when x lies strictly
    // below the [PL2] that the resulting free concentrations demand.
    bool TrialPL2(double x, double& PL) const;
    void BisectPL2(double Res[2], double Lo, double Hi, std::int32_t Iterations) const;

  private:
    struct TTrialConstants {
        double K1, K2, a, r;
        bool Linear, RangeSafe;
    };
    TTrialConstants TrialConstants() const;
    bool Trial(double x, double& PL, const TTrialConstants& k) const;

    // The lg K each K[i] was last converted from: the searches pass the same lg K again and
    // again, and the power need not be formed twice for the same bits.
    double convertedLgK_[6] = {kNotConverted, kNotConverted, kNotConverted,
                               kNotConverted, kNotConverted, kNotConverted};
    static constexpr double kNotConverted = -1e300;  // below -900: never a converted value
};

}  // namespace kelmora
