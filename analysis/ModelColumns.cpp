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

double TModelSpeciation::ShareDerivative(const TEquilibrium& e, const TConcentrationDerivatives& d,
                                         int column, bool guest, int j) const {
    const auto& byBeta = d[static_cast<std::size_t>(SpeciesOfColumn(column, guest))];
    double sum = 0.0;
    for (std::size_t k = 0; k < Model.Complexes.size(); ++k) {
        sum += byBeta[k] * Model.Complexes[k].LgKCoefficients[static_cast<std::size_t>(j)];
    }
    return Weight(e, column, guest) * sum;
}

}  // namespace kelmora::analysis
