#include "analysis/ModelCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelmora::analysis {
namespace {

// Each model's overall constants at lg K (1.5, 2.25, 3.75), worked by hand from its equations:
// 1:2nc has two equal sites of microscopic k = K1/2, so β(PL2) = k² = K1²/4.
TEST(ModelCatalogue, OverallConstantsFollowTheEquations) {
    const double lgK[] = {1.5, 2.25, 3.75};
    const double lg4 = std::log10(4.0);
    struct TRow {
        const char* Model;
        std::vector<std::pair<TSpecies, double>> LgBeta;
    };
    const TRow rows[] = {
        {"1:1", {{{1, 1}, 1.5}}},
        {"1:2", {{{1, 1}, 1.5}, {{1, 2}, 2.25}}},
        {"1:2nc", {{{1, 1}, 1.5}, {{1, 2}, 3.0 - lg4}}},
        {"2:1", {{{2, 1}, 1.5}}},
        {"2:1/1:1", {{{1, 1}, 1.5}, {{2, 1}, 2.25}}},
        {"2:1/1:1/1:2", {{{1, 1}, 1.5}, {{1, 2}, 2.25}, {{2, 1}, 3.75}}},
    };
    ASSERT_EQ(ModelCatalogue().size(), std::size(rows));
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Model);
        const TModelDef* model = FindModel(row.Model);
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->Complexes.size(), row.LgBeta.size());
        std::vector<double> lgBeta(model->Complexes.size());
        ComplexLgBeta(*model, std::span(lgK).first(model->LgK.size()), lgBeta);
        for (std::size_t k = 0; k < row.LgBeta.size(); ++k) {
            EXPECT_EQ(model->Complexes[k].Species, row.LgBeta[k].first);
            EXPECT_NEAR(lgBeta[k], row.LgBeta[k].second, 1e-15);
        }
    }
    EXPECT_EQ(FindModel("1:3"), nullptr);
}

// A nested model is the richer one with some constants tied or sent to zero: its complexes are
// a subset of the richer model's, and it has fewer lg K.
TEST(ModelCatalogue, NestedModelsAreSpecialCasesOfTheirRicherOnes) {
    int pairs = 0;
    for (const TModelDef& richer : ModelCatalogue()) {
        for (const std::string& name : richer.Nests) {
            SCOPED_TRACE(richer.Name + " nests " + name);
            const TModelDef* simpler = FindModel(name);
            ASSERT_NE(simpler, nullptr);
            EXPECT_TRUE(Nests(richer, *simpler));
            EXPECT_LT(simpler->LgK.size() + simpler->Complexes.size(),
                      richer.LgK.size() + richer.Complexes.size());
            for (const TModelComplex& c : simpler->Complexes) {
                EXPECT_TRUE(
                    std::any_of(richer.Complexes.begin(), richer.Complexes.end(),
                                [&](const TModelComplex& r) { return r.Species == c.Species; }));
            }
            ++pairs;
        }
    }
    EXPECT_EQ(pairs, 9);
}

TEST(ModelCatalogue, SpeciesNamesAndOrder) {
    const TModelDef* model = FindModel("2:1/1:1/1:2");
    ASSERT_NE(model, nullptr);
    std::vector<std::string> names;
    for (TSpecies s : ModelSpecies(*model)) {
        names.push_back(SpeciesName(s));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"P", "L", "PL", "PL2", "P2L"}));
    EXPECT_EQ(SpeciesName({2, 3}), "P2L3");
    std::vector<std::string> defaults;
    for (const TModelDef& m : DefaultModels()) {
        defaults.push_back(m.Name);
    }
    EXPECT_EQ(defaults, (std::vector<std::string>{"1:1", "1:2", "1:2nc"}));
}

}  // namespace
}  // namespace kelmora::analysis
