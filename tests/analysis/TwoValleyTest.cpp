#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Fixtures.h"
#include "analysis/Profile.h"
#include "analysis/SeparableFit.h"

namespace kelmora::analysis {
namespace {

using testing::Misfit;
using testing::TMisfit;

constexpr double BruteStep = 0.02;

double SsAt(const TLayout& layout, const TFitData& data, double lgK1, double lgK2) {
    Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
    values[0] = lgK1;
    if (layout.LgKCount == 2) {
        values[1] = lgK2;
    }
    return SolveLinear(layout, data, values);
}

// The points of a profile that are lower than everything around them up to a lower point on
// either side, by more than rounding.
std::vector<std::size_t> ProfileMinima(const std::vector<double>& ss) {
    std::vector<std::size_t> minima;
    for (std::size_t i = 1; i + 1 < ss.size(); ++i) {
        if (!(ss[i] <= ss[i - 1] && ss[i] < ss[i + 1])) {
            continue;
        }
        double left = ss[i];
        for (std::size_t j = i; j-- > 0 && ss[j] >= ss[i];) {
            left = std::max(left, ss[j]);
        }
        double right = ss[i];
        for (std::size_t j = i + 1; j < ss.size() && ss[j] >= ss[i]; ++j) {
            right = std::max(right, ss[j]);
        }
        if (std::min(left, right) > ss[i] * (1.0 + 1e-6)) {
            minima.push_back(i);
        }
    }
    return minima;
}

// Every valley that a profile at a 0.02 step shows over the lattice's range is entered, and the
// best SS reported is never above the profile's lowest. Where the profile dips under the 95 % cut
// in more than one piece, the reported region is the hull of all the pieces: a bump above the
// cut between two valleys is no end.
TEST(TwoValleys, EveryBasinOfTheBruteForceProfileIsEntered) {
    int twoValleySets = 0;
    int splitSets = 0;
    TReplicateRandom random(20, 0);
    for (int draw = 0; draw < 2000 && twoValleySets < 200; ++draw) {
        const TModelDef& model = draw % 2 == 0 ? testing::Model("1:1") : testing::Model("1:2nc");
        const TTitration t = Misfit(random, static_cast<std::uint64_t>(draw)).Titration;
        const TFitData data = MakeFitData(t, std::vector<bool>(t.Shifts[0].size(), false));
        const TLayout layout = MakeLayout(model, SignalNamesOf(t),
                                          std::vector<bool>(t.Shifts[0].size(), false), false, {});
        std::vector<double> profile;
        for (int i = 0; i <= 500; ++i) {
            profile.push_back(SsAt(layout, data, -1.0 + BruteStep * i, 0.0));
        }
        const std::vector<std::size_t> valleys = ProfileMinima(profile);
        if (valleys.size() < 2) {
            continue;
        }
        ++twoValleySets;
        SCOPED_TRACE("draw " + std::to_string(draw));
        const TFitMinima fit = FitFromLattice(layout, data);
        const double bruteMin = *std::min_element(profile.begin(), profile.end());
        EXPECT_LE(fit.Best.Ss, bruteMin * (1.0 + 1e-9));
        for (std::size_t v : valleys) {
            const double lgK = -1.0 + BruteStep * static_cast<double>(v);
            bool entered = std::abs(fit.Best.Values[0] - lgK) <= BruteStep;
            for (const TFitOutcome& other : fit.Others) {
                entered = entered || std::abs(other.Values[0] - lgK) <= BruteStep;
            }
            EXPECT_TRUE(entered) << "valley at lgK1 " << lgK << " SS " << profile[v];
        }
        const int dof = data.Observations - layout.FreeCount();
        const double cut = ProfileCut(fit.Best.Ss, dof);
        std::vector<double> under;  // the profile's points under the cut
        int pieces = 0;
        for (std::size_t i = 0; i < profile.size(); ++i) {
            if (profile[i] <= cut) {
                pieces += i == 0 || profile[i - 1] > cut ? 1 : 0;
                under.push_back(-1.0 + BruteStep * static_cast<double>(i));
            }
        }
        if (dof <= 0 || pieces < 2 || under.front() <= -1.0 || under.back() >= 9.0) {
            continue;
        }
        ++splitSets;
        const TProfile region = ProfileLgK(layout, data, fit.Best.Values, 0, cut, fit.Others);
        ASSERT_TRUE(region.Lo && region.Hi);
        EXPECT_NEAR(*region.Lo, under.front(), BruteStep);
        EXPECT_NEAR(*region.Hi, under.back(), BruteStep);
    }
    EXPECT_EQ(twoValleySets, 200);
    EXPECT_GE(splitSets, 2);
}

// In 1:2 the grid spans the truth's neighbourhood in lg K1 and the stepwise constant.
TEST(TwoValleys, OneToTwoNeverEndsAboveTheBruteForceGrid) {
    TReplicateRandom random(21, 0);
    for (int draw = 0; draw < 10; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        const TMisfit misfit = Misfit(random, 9000 + static_cast<std::uint64_t>(draw), true);
        const TFitData data = MakeFitData(
            misfit.Titration, std::vector<bool>(misfit.Titration.Shifts[0].size(), false));
        const TLayout layout =
            MakeLayout(testing::Model("1:2"), SignalNamesOf(misfit.Titration),
                       std::vector<bool>(misfit.Titration.Shifts[0].size(), false), false, {});
        double bruteMin = std::numeric_limits<double>::infinity();
        for (int i = -50; i <= 50; ++i) {
            for (int j = -50; j <= 50; ++j) {
                const double k1 = misfit.LgK1 + BruteStep * i;
                bruteMin = std::min(bruteMin,
                                    SsAt(layout, data, k1, k1 + misfit.Stepwise + BruteStep * j));
            }
        }
        EXPECT_LE(FitFromLattice(layout, data).Best.Ss, bruteMin * (1.0 + 1e-9));
    }
}

}  // namespace
}  // namespace kelmora::analysis
