#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/Random.h"

namespace kelmora::analysis {
namespace {

using testing::MakeTitration;
using testing::Models;
using testing::Param;
using testing::Truth;

// 200 titrations from known constants with known noise, each its own seed: the 95 % interval
// of lg K1 has to cover the truth about 95 % of the time, and 1:1 data must not talk the F-test
// into 1:2 much more often than its 5 % level.
TEST(Coverage, IntervalsCoverTheTruthAndOneToOneDataRarelyChooseOneToTwo) {
    const double lgK1 = 3.2;
    const TModelValues truth = Truth("1:1", lgK1, 0, {{8.0, 9.5, 0, 0}, {2, 1.4, 0, 0}});
    const int titrations = 200;
    int covered = 0;
    int chose12 = 0;
    TAnalysisSettings settings;
    settings.Models = Models({"1:1", "1:2"});
    settings.Replicates = 0;
    for (int seed = 1; seed <= titrations; ++seed) {
        const TTitration t =
            MakeTitration(truth, 15, 5e-3, 1e-3, true, 0.004, static_cast<std::uint64_t>(seed));
        const TAnalysisResult r = RunAnalysis(t, settings);
        const TParamResult& k1 = Param(r.Models[0], "lgK1");
        ASSERT_TRUE(k1.Ci95.has_value()) << seed;
        covered += k1.Ci95->Lo <= lgK1 && lgK1 <= k1.Ci95->Hi ? 1 : 0;
        ASSERT_TRUE(r.Comparison.at(0).P.has_value()) << seed;
        chose12 += *r.Comparison[0].P < 0.05 ? 1 : 0;
    }
    const double coverage = static_cast<double>(covered) / titrations;
    const double falseChoice = static_cast<double>(chose12) / titrations;
    RecordProperty("coverage", std::to_string(coverage));
    RecordProperty("chose 1:2", std::to_string(falseChoice));
    EXPECT_GE(coverage, 0.90);
    EXPECT_LE(coverage, 0.99);
    EXPECT_LE(falseChoice, 0.075);
}

// 300 seeded 1:2 titrations of every shape (1-4 signals, 8-40 points, constant or diluted host,
// constants across two decades): the 95 % profile intervals of lg K1 and lg K2 each cover the
// truth in 93-97 % of them, an open interval counting only when the truth lies in it.
TEST(Coverage, ProfileIntervalsOfBothConstantsCoverTheTruth) {
    const int titrations = 300;
    int covered[2] = {0, 0};
    TAnalysisSettings settings;
    settings.Models = {testing::Model("1:2")};
    settings.Replicates = 0;
    for (int seed = 1; seed <= titrations; ++seed) {
        TReplicateRandom random(2024, static_cast<std::uint64_t>(seed));
        const double lgK1 = 2.5 + 1.5 * random.Uniform();
        const double lgK2 = lgK1 + 1.5 + 2.0 * random.Uniform();
        std::vector<testing::THostShifts> signals(1 + static_cast<std::size_t>(random.Next() % 4));
        for (testing::THostShifts& s : signals) {
            s = {8.0, 8.0 + 2.0 * random.Uniform() - 1.0, 8.0 + 2.0 * random.Uniform() - 1.0, 0};
        }
        const int points = 8 + static_cast<int>(random.Next() % 33);
        const bool diluted = random.Uniform() < 0.5;
        const TTitration t =
            MakeTitration(Truth("1:2", lgK1, lgK2, signals), points, 10.0 * std::pow(10.0, -lgK1),
                          1e-3, diluted, 0.003, static_cast<std::uint64_t>(seed));
        const TModelResult m = RunAnalysis(t, settings).Models[0];
        const double truth[2] = {lgK1, lgK2};
        for (int k = 0; k < 2; ++k) {
            const TOpenInterval& i = *m.Params[static_cast<std::size_t>(k)].Profile95;
            covered[k] += (!i.Lo || *i.Lo <= truth[k]) && (!i.Hi || truth[k] <= *i.Hi) ? 1 : 0;
        }
    }
    for (int k = 0; k < 2; ++k) {
        const double coverage = static_cast<double>(covered[k]) / titrations;
        RecordProperty("coverage lgK" + std::to_string(k + 1), std::to_string(coverage));
        EXPECT_GE(coverage, 0.93) << k;
        EXPECT_LE(coverage, 0.97) << k;
    }
}

}  // namespace
}  // namespace kelmora::analysis
