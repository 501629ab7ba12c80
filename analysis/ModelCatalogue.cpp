#include "analysis/ModelCatalogue.h"

#include <algorithm>
#include <cmath>

namespace kelmora::analysis {
namespace {

constexpr TSpecies PL{1, 1};
constexpr TSpecies PL2{1, 2};
constexpr TSpecies P2L{2, 1};

const char* const EqPL = "P + L ⇌ PL, K1 = [PL]/([P][L])";
const char* const EqPL2 = "P + 2L ⇌ PL2, K2 = [PL2]/([P][L]²)";
const char* const EqP2L = "2P + L ⇌ P2L, K21 = [P2L]/([P]²[L])";

std::vector<TModelDef> MakeCatalogue() {
    // Two equal, independent sites of microscopic constant k: K1 = 2k, K2 = k², so
    // lg K2 = 2·lg K1 - lg 4.
    const double lg4 = std::log10(4.0);
    const std::string both = std::string(EqPL) + "; " + EqPL2;
    return {
        {"1:1", "1:1", {"lgK1"}, {{PL, {1.0}, 0.0}}, {}, EqPL},
        {"1:2",
         "1:2",
         {"lgK1", "lgK2"},
         {{PL, {1.0, 0.0}, 0.0}, {PL2, {0.0, 1.0}, 0.0}},
         {"1:1", "1:2nc"},
         both},
        {"1:2nc",
         "1:2 non-cooperative",
         {"lgK1"},
         {{PL, {1.0}, 0.0}, {PL2, {2.0}, -lg4}},
         {},
         both + " with K2 = K1²/4 (two equal independent sites)"},
        {"2:1", "2:1", {"lgK21"}, {{P2L, {1.0}, 0.0}}, {}, EqP2L},
        {"2:1/1:1",
         "2:1/1:1",
         {"lgK1", "lgK21"},
         {{PL, {1.0, 0.0}, 0.0}, {P2L, {0.0, 1.0}, 0.0}},
         {"2:1", "1:1"},
         std::string(EqPL) + "; " + EqP2L},
        {"2:1/1:1/1:2",
         "2:1/1:1/1:2",
         {"lgK1", "lgK2", "lgK21"},
         {{PL, {1.0, 0.0, 0.0}, 0.0}, {PL2, {0.0, 1.0, 0.0}, 0.0}, {P2L, {0.0, 0.0, 1.0}, 0.0}},
         {"2:1/1:1", "1:2", "1:2nc", "2:1", "1:1"},
         both + "; " + EqP2L},
    };
}

}  // namespace

const std::vector<TModelDef>& ModelCatalogue() {
    static const std::vector<TModelDef> catalogue = MakeCatalogue();
    return catalogue;
}

std::vector<TModelDef> DefaultModels() {
    return {*FindModel("1:1"), *FindModel("1:2"), *FindModel("1:2nc")};
}

const TModelDef* FindModel(std::string_view name) {
    const std::vector<TModelDef>& catalogue = ModelCatalogue();
    const auto it = std::find_if(catalogue.begin(), catalogue.end(),
                                 [&](const TModelDef& m) { return m.Name == name; });
    return it == catalogue.end() ? nullptr : &*it;
}

std::string SpeciesName(TSpecies species) {
    const auto part = [](const char* letter, int count) {
        return count == 0   ? std::string()
               : count == 1 ? std::string(letter)
                            : letter + std::to_string(count);
    };
    return part("P", species.M) + part("L", species.N);
}

std::string ConstantName(TSpecies complex) {
    return "K" + (complex.M == 1 ? std::string() : std::to_string(complex.M)) +
           std::to_string(complex.N);
}

std::vector<TSpecies> ModelSpecies(const TModelDef& model) {
    std::vector<TSpecies> species = {{1, 0}, {0, 1}};
    for (const TModelComplex& c : model.Complexes) {
        species.push_back(c.Species);
    }
    return species;
}

void ComplexLgBeta(const TModelDef& model, std::span<const double> lgK, std::span<double> lgBeta) {
    for (std::size_t k = 0; k < model.Complexes.size(); ++k) {
        const TModelComplex& c = model.Complexes[k];
        double value = c.Offset;
        for (std::size_t j = 0; j < c.LgKCoefficients.size(); ++j) {
            value += c.LgKCoefficients[j] * lgK[j];
        }
        lgBeta[k] = value;
    }
}

bool Nests(const TModelDef& richer, const TModelDef& simpler) {
    return std::find(richer.Nests.begin(), richer.Nests.end(), simpler.Name) != richer.Nests.end();
}

}  // namespace kelmora::analysis
