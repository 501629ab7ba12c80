#pragma once

#include <vector>

namespace kelmora {

// A titration made by adding a ligand stock to a host solution: the volumes say what C and P0
// were at each point, so nobody has to work out the dilution by hand.
struct TVolumeRecipe {
    double HostStock = 0.0;     // M, the host solution the titration starts from
    double LigandStock = 0.0;   // M
    bool HostInLigand = false;  // the ligand stock also holds host at HostStock
    double StartVolume = 0.0;   // µL of host solution before the first addition
    std::vector<double> Added;  // µL per point: each addition, or the running total
    bool RunningTotal = false;
};

struct TVolumePoint {
    double C = 0.0;
    double P0 = 0.0;
};

// After a total v of ligand stock added to V0 of host solution, in V = V0 + v:
// C = L·v / V and P0 = H·V0 / V, or H itself when the ligand stock holds host at H too.
// Raises EKelmoraError naming the first input that cannot describe a titration (a stock or start
// volume not above 0, no point, a negative addition, a running total that falls).
std::vector<TVolumePoint> ConcentrationsFromVolumes(const TVolumeRecipe& recipe);

}  // namespace kelmora
