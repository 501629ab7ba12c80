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

    // d Share / d lg K_j for every lg K j, into byLgK, from the concentration derivatives at e.
    void ShareDerivatives(const TEquilibrium& e, const TConcentrationDerivatives& d, int column,
                          bool guest, std::span<double> byLgK) const;

    // Σ over a host signal's columns c of hostWeights[c]·d Share(c) / d lg K_j, plus the same
    // over a guest signal's with guestWeights, for every lg K j, into byLgK.
    void WeightedShareDerivatives(const TEquilibrium& e, std::span<const double> hostWeights,
                                  std::span<const double> guestWeights,
                                  std::span<double> byLgK) const;

    TComplexation Complexation;

  private:
    double Weight(const TEquilibrium& e, int column, bool guest) const;
    // weight·d/d lg K_j of what byBeta holds d/d lg β_k of, by the chain rule, for every j.
    void ToLgK(std::span<const double> byBeta, double weight, std::span<double> byLgK) const;

    TModelDef Model;
    std::vector<double> LgBeta;
    // d lg β_k / d lg K_j at k * (the count of lg K) + j: the model's coefficients, kept where
    // the derivatives read them point after point.
    std::vector<double> Coefficients;
};

}  // namespace kelmora::analysis
