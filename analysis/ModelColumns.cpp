#include "analysis/ModelColumns.h"

namespace kelmora::analysis {
namespace {

std::vector<TSpecies> Complexes(const TModelDef& model) {
    std::vector<TSpecies> complexes;
    for (const TModelComplex& c : model.Complexes) {
        complexes.push_back(c.Species);
    }
    return complexes;
}

}  // namespace

TModelSpeciation::TModelSpeciation(const TModelDef& model, std::span<const double> lgK)
    : Complexation(Complexes(model)), Model(model), LgBeta(model.Complexes.size()) {
    for (const TModelComplex& c : model.Complexes) {
        Coefficients.insert(Coefficients.end(), c.LgKCoefficients.begin(), c.LgKCoefficients.end());
    }
    SetLgK(lgK);
}

void TModelSpeciation::SetLgK(std::span<const double> lgK) {
    ComplexLgBeta(Model, lgK, LgBeta);
    Complexation.SetLgBeta(LgBeta);
}

// The stoichiometry over the total: what one unit of the species' concentration adds to the
// share.
double TModelSpeciation::Weight(const TEquilibrium& e, int column, bool guest) const {
    const TSpecies s = Complexation.SpeciesAt(SpeciesOfColumn(column, guest));
    const double total = guest ? e.GuestTotal : e.HostTotal;
    return total > 0.0 ? (guest ? s.N : s.M) / total : 0.0;
}

double TModelSpeciation::Share(const TEquilibrium& e, int column, bool guest) const {
    return Weight(e, column, guest) * e.C[static_cast<std::size_t>(SpeciesOfColumn(column, guest))];
}

void TModelSpeciation::ShareDerivatives(const TEquilibrium& e, const TConcentrationDerivatives& d,
                                        int column, bool guest, std::span<double> byLgK) const {
    ToLgK(d[static_cast<std::size_t>(SpeciesOfColumn(column, guest))], Weight(e, column, guest),
          byLgK);
}

void TModelSpeciation::ToLgK(std::span<const double> byBeta, double weight,
                             std::span<double> byLgK) const {
    const std::size_t lgK = Model.LgK.size();
    for (std::size_t j = 0; j < lgK; ++j) {
        double sum = 0.0;
        for (std::size_t k = 0; k < Model.Complexes.size(); ++k) {
            sum += byBeta[k] * Coefficients[k * lgK + j];
        }
        byLgK[j] = weight * sum;
    }
}

void TModelSpeciation::WeightedShareDerivatives(const TEquilibrium& e,
                                                std::span<const double> hostWeights,
                                                std::span<const double> guestWeights,
                                                std::span<double> byLgK) const {
    std::array<double, MaxSpecies> bySpecies{};
    for (int guest = 0; guest < 2; ++guest) {
        const std::span<const double> weights = guest == 1 ? guestWeights : hostWeights;
        for (std::size_t column = 0; column < weights.size(); ++column) {
            const int c = static_cast<int>(column);
            bySpecies[static_cast<std::size_t>(SpeciesOfColumn(c, guest == 1))] +=
                weights[column] * Weight(e, c, guest == 1);
        }
    }
    std::array<double, MaxComplexes> byBeta{};
    Complexation.WeightedDerivatives(e, bySpecies, byBeta);
    ToLgK(byBeta, 1.0, byLgK);
}

}  // namespace kelmora::analysis
