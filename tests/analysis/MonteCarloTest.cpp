#include "analysis/MonteCarlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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

TEST(ReplicateRandom, DependsOnlyOnSeedAndIndex) {
    struct TRow {
        std::uint64_t Seed;
        std::uint64_t Index;
    };
    const std::vector<TRow> rows = {{1, 0}, {1, 1}, {2, 0}, {0, 0}, {~0ull, 12345}};
    std::vector<std::uint64_t> firsts;
    for (const TRow& row : rows) {
        TReplicateRandom a(row.Seed, row.Index);
        TReplicateRandom b(row.Seed, row.Index);
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(a.Next(), b.Next());
        }
        firsts.push_back(TReplicateRandom(row.Seed, row.Index).Next());
    }
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        for (std::size_t j = i + 1; j < firsts.size(); ++j) {
            EXPECT_NE(firsts[i], firsts[j]) << i << " " << j;
        }
    }
}

TEST(ReplicateRandom, NormalDeviatesHaveZeroMeanAndUnitVariance) {
    TReplicateRandom random(42, 7);
    const int n = 200000;
    double sum = 0.0;
    double sumSq = 0.0;
    int beyond196 = 0;
    for (int i = 0; i < n; ++i) {
        const double z = random.Normal();
        sum += z;
        sumSq += z * z;
        beyond196 += std::abs(z) > 1.959964 ? 1 : 0;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(sumSq / n, 1.0, 0.01);
    EXPECT_NEAR(static_cast<double>(beyond196) / n, 0.05, 0.003);
}

TEST(Percentile, InterpolatesBetweenOrderStatistics) {
    struct TRow {
        std::vector<double> Values;
        double P;
        double Expected;
    };
    const std::vector<TRow> rows = {
        {{3, 1, 2}, 0.5, 2.0}, {{4, 1, 3, 2}, 0.5, 2.5}, {{5, 1}, 0.025, 1.1},
        {{5, 1}, 0.975, 4.9},  {{7}, 0.3, 7.0},          {{0, 10, 20, 30, 40}, 0.975, 39.0},
    };
    for (const TRow& row : rows) {
        EXPECT_DOUBLE_EQ(Percentile(row.Values, row.P), row.Expected);
    }
}

TAnalysisSettings McSettings(int replicates, int threads) {
    TAnalysisSettings s;
    s.Models = Models({"1:1", "1:2"});
    s.Replicates = replicates;
    s.Threads = threads;
    s.Seed = 99;
    s.ConcErrorPercent = 1.0;
    return s;
}

TTitration McTitration() {
    const TModelValues truth = Truth("1:2", 3.0, 6.0, {{8, 9, 10.5, 0}, {1, 2, 1.5, 0}});
    return MakeTitration(truth, 20, 5e-3, 1e-3, true, 0.004, 8);
}

TEST(MonteCarlo, ResultsDoNotDependOnTheNumberOfThreads) {
    const TTitration t = McTitration();
    const TAnalysisResult one = RunAnalysis(t, McSettings(40, 1));
    const TAnalysisResult two = RunAnalysis(t, McSettings(40, 2));
    const TAnalysisResult three = RunAnalysis(t, McSettings(40, 3));
    ASSERT_EQ(one.ReplicatesDone, 40);
    for (std::size_t m = 0; m < one.Models.size(); ++m) {
        EXPECT_EQ(one.Models[m].ReplicateValues, two.Models[m].ReplicateValues);
        EXPECT_EQ(one.Models[m].ReplicateValues, three.Models[m].ReplicateValues);
        const TParamResult& k1 = Param(one.Models[m], "lgK1");
        ASSERT_TRUE(k1.Mc95.has_value());
        EXPECT_EQ(k1.Mc95->Lo, Param(two.Models[m], "lgK1").Mc95->Lo);
    }
    TAnalysisSettings otherSeed = McSettings(40, 2);
    otherSeed.Seed = 100;
    EXPECT_NE(RunAnalysis(t, otherSeed).Models[0].ReplicateValues, one.Models[0].ReplicateValues);
}

// With the model right and the noise as estimated, the Monte Carlo and the t-interval of a
// well-determined constant must tell the same story.
TEST(MonteCarlo, IntervalAgreesWithTheLinearisedOneOnAWellDeterminedFit) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}});
    const TTitration t = MakeTitration(truth, 25, 5e-3, 1e-3, false, 0.003, 21);
    TAnalysisSettings s;
    s.Models = Models({"1:1"});
    s.Replicates = 400;
    const TModelResult m = RunAnalysis(t, s).Models[0];
    const TParamResult& k1 = Param(m, "lgK1");
    const double ciWidth = k1.Ci95->Hi - k1.Ci95->Lo;
    const double mcWidth = k1.Mc95->Hi - k1.Mc95->Lo;
    EXPECT_NEAR(mcWidth / ciWidth, 1.0, 0.2);
    EXPECT_NEAR((k1.Mc95->Hi + k1.Mc95->Lo) / 2, k1.Value, 0.2 * ciWidth);
    EXPECT_NEAR(m.Constants[0].Mc95->Lo, std::pow(10.0, k1.Mc95->Lo), 1e-9 * m.Constants[0].Value);
}

double Sd(const std::vector<std::vector<double>>& replicates, std::size_t column) {
    double mean = 0.0;
    for (const auto& v : replicates) {
        mean += v[column] / static_cast<double>(replicates.size());
    }
    double ss = 0.0;
    for (const auto& v : replicates) {
        ss += (v[column] - mean) * (v[column] - mean);
    }
    return std::sqrt(ss / static_cast<double>(replicates.size() - 1));
}

// A well-determined fit is linear over its spread, so the replicates' spread is the SE: the
// noise drawn with SS/(N - p), not SS/N (here 18 % apart), and the stepwise constant's SE from
// the covariance with its sign of the cross term.
TEST(MonteCarlo, SpreadOfAWellDeterminedFitIsItsStandardError) {
    const TModelValues truth = Truth("1:2", 3.0, 6.0, {{8, 9, 10.5, 0}, {2, 1, 3, 0}});
    const TTitration t = MakeTitration(truth, 12, 8e-3, 1e-3, true, 5e-4, 17);
    TAnalysisSettings s;
    s.Models = {testing::Model("1:2")};
    s.Replicates = 1500;
    const TModelResult m = RunAnalysis(t, s).Models[0];
    ASSERT_EQ(m.McUsed, 1500);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_NEAR(Sd(m.ReplicateValues, k) / *m.Params[k].Se, 1.0, 0.05) << k;
    }
    std::vector<std::vector<double>> step;
    for (const auto& v : m.ReplicateValues) {
        step.push_back({v[1] - v[0]});
    }
    EXPECT_NEAR(Sd(step, 0) / *m.Derived[0].Se, 1.0, 0.05);
    EXPECT_TRUE(m.McUnstable.empty());
}

// Percentiles need MinReplicatesForInterval converged replicates; one fewer gives none, and
// the note says why.
TEST(MonteCarlo, AnIntervalNeedsEnoughReplicates) {
    const TTitration t = McTitration();
    for (int replicates : {MinReplicatesForInterval - 1, MinReplicatesForInterval}) {
        const TModelResult m = RunAnalysis(t, McSettings(replicates, 2)).Models[0];
        const bool enough = replicates >= MinReplicatesForInterval;
        EXPECT_EQ(m.McUsed, replicates);
        EXPECT_EQ(Param(m, "lgK1").Mc95.has_value(), enough);
        EXPECT_EQ(m.Constants[0].Mc95.has_value(), enough);
        EXPECT_EQ(m.Message.find("No Monte Carlo intervals: 19 converged replicates, at least 20 "
                                 "are needed.") != std::string::npos,
                  !enough)
            << m.Message;
    }
}

// A second step the data hardly show sends many replicates to the search limit of lg K2: the
// spread is then the search's, and the note says so.
TEST(MonteCarlo, ReplicatesAtTheSearchLimitAreCountedAndCalledUnstable) {
    const TTitration t = MakeTitration(Truth("1:2", 3.0, 3.5, {{8, 9, 10.5, 0}, {2, 1, 3, 0}}), 20,
                                       5e-3, 1e-3, false, 0.004, 11);
    TAnalysisSettings s;
    s.Models = {testing::Model("1:2")};
    s.Replicates = 200;
    const TModelResult m = RunAnalysis(t, s).Models[0];
    EXPECT_GT(m.McAtBound + m.McFailed, 4);
    EXPECT_EQ(m.McUsed, m.ReplicatesDone - m.McFailed);
    EXPECT_NE(std::find(m.McUnstable.begin(), m.McUnstable.end(), "lgK2"), m.McUnstable.end());
    EXPECT_NE(m.Message.find("Monte Carlo unstable: lgK2"), std::string::npos) << m.Message;
}

TEST(MonteCarlo, StopKeepsTheReplicatesDoneAndSaysHowMany) {
    const TTitration t = McTitration();
    TAnalysisSettings s = McSettings(100000, 2);
    std::vector<TAnalysisProgress> seen;
    TAnalysisObserver observer;
    observer.Progress = [&](const TAnalysisProgress& p) { seen.push_back(p); };
    observer.StopRequested = [&] {
        return !seen.empty() && seen.back().Phase == TAnalysisPhase::MonteCarlo &&
               seen.back().Done >= MinReplicatesForInterval;
    };
    const TAnalysisResult r = RunAnalysis(t, s, observer);
    EXPECT_TRUE(r.Stopped);
    const TModelResult& first = r.Models[0];
    EXPECT_GE(first.ReplicatesDone, MinReplicatesForInterval);
    EXPECT_LT(first.ReplicatesDone, 100000);
    EXPECT_EQ(first.ReplicateValues.size(), static_cast<std::size_t>(first.ReplicatesDone));
    EXPECT_TRUE(Param(first, "lgK1").Mc95.has_value());
    EXPECT_EQ(r.Models[1].ReplicatesDone, 0);  // never started
    EXPECT_FALSE(Param(r.Models[1], "lgK1").Mc95.has_value());
    EXPECT_EQ(r.ReplicatesDone, 0);
    int lastDone = -1;
    for (const TAnalysisProgress& p : seen) {
        if (p.Phase == TAnalysisPhase::MonteCarlo) {
            EXPECT_GE(p.Done, lastDone);
            EXPECT_EQ(p.Total, 100000);
            lastDone = p.Done;
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
