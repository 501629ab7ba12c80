#pragma once

// A model's equilibrium seen by one signal: the share of the signal's component (host or guest)
// that each of its species holds, and how the shares move with the model's lg K.

#include <span>
#include <vector>

#include "analysis/ModelCatalogue.h"
#include "analysis/Speciation.h"

namespace kelmora::analysis {

// A signal's columns are the free host (guest) and then the model's complexes; this is the
// column's species in TEquilibrium order.
inline int SpeciesOfColumn(int column, bool guest) {
    return column == 0 ? (guest ? 1 : 0) : column + 1;
}

class TModelSpeciation {
  public:
    TModelSpeciation(const TModelDef& model, std::span<const double> lgK);

    // The model's lg K, one per constant, in their order; allocates nothing.
    void SetLgK(std::span<const double> lgK);

    // m·[species]/P_total for a host signal, n·[species]/L_total for a guest signal; 0 when
    // that total is 0.
    double Share(const TEquilibrium& e, int column, bool guest) const;

    // d Share / d lg K_j, from the concentration derivatives at e.
    double ShareDerivative(const TEquilibrium& e, const TConcentrationDerivatives& d, int column,
                           bool guest, int j) const;

    TComplexation Complexation;

  private:
    double Weight(const TEquilibrium& e, int column, bool guest) const;

    TModelDef Model;
    std::vector<double> LgBeta;
};

}  // namespace kelmora::analysis
