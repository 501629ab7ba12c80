#include <gtest/gtest.h>

#include "Fixtures.h"
#include "analysis/Analysis.h"

namespace kelmora::analysis {
namespace {

using testing::MakeTitration;
using testing::Param;
using testing::Truth;

// 200 titrations from known constants with known noise, each its own seed: the 95 % interval
// of lg K1 has to cover the truth about 95 % of the time, and 1:1 data must not talk the F-test
// into 1:2 much more often than its 5 % level.
TEST(Coverage, IntervalsCoverTheTruthAndOneToOneDataRarelyChooseOneToTwo) {
    const double lgK1 = 3.2;
    const TModelValues truth = Truth(TModel::OneToOne, lgK1, 0, {{8.0, 9.5, 0, 0}, {2, 1.4, 0, 0}});
    const int titrations = 200;
    int covered = 0;
    int chose12 = 0;
    TAnalysisSettings settings;
    settings.Models = {TModel::OneToOne, TModel::OneToTwo};
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

}  // namespace
}  // namespace kelmora::analysis
