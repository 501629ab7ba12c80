#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/ChemSystem_u.h"
#include "engine/FitTypes.h"

namespace kelmora {

// The bound fractions of every point for one (lg K1, lg K2, P0, concentrations), as the
// equilibrium solver produced them, and the solver's state after the last point.
struct TFractionSet {
    bool Valid = false;
    double LgK1 = 0.0;
    double LgK2 = 0.0;
    double P0 = 0.0;
    std::vector<double> Conc, Alpha1, Alpha2;
    double LastTotalL = 0.0;
    double LastComplex[2] = {};
};

// The few most recently solved fraction sets. A scan's local-minimum test moves lg K1 one
// lattice step away and back, over and over; with the sets at hand those moves cost a copy
// instead of a solve per point. A set is handed out only for bit-identical inputs, so what it
// holds is exactly what solving again would give.
class TFractionCache {
  public:
    static constexpr int SlotCount = 4;

    // Sized with the data set, so that evaluations never allocate. Forgets every set.
    void Resize(std::size_t pointCount);

    const TFractionSet* Find(double lgK1, double lgK2, double p0,
                             const std::vector<TDataPoint>& points) const;
    // A slot for a solve about to start; it becomes usable only through Commit, so a solve
    // that an error cuts short leaves nothing behind.
    TFractionSet& Claim(double lgK1, double lgK2, double p0);
    void Commit(TFractionSet& set, const TChemSystem& system);

  private:
    std::array<TFractionSet, SlotCount> slots_{};
    int next_ = 0;
};

}  // namespace kelmora
