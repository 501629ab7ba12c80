#include "minima/MinimaStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "util/NumberText.h"

using namespace kelmora;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Restores "." whatever a test set.
class SeparatorGuard {
  public:
    explicit SeparatorGuard(const char* sep) { SetNumberDecimalSeparator(sep); }
    ~SeparatorGuard() { SetNumberDecimalSeparator("."); }
};

// A vector that tells the entries apart by its last Value.
TParamVector Tagged(double tag) {
    return {0, 0, 0, 0, 0, tag};
}

std::vector<double> Tags(const TMinimaStore& store) {
    std::vector<double> tags;
    for (const TFoundMinimum& m : store.Minima()) {
        tags.push_back(m.Params[5]);
    }
    return tags;
}

}  // namespace

TEST(MinimaStore, FullListTurnsMinimaAwayAndCountsThem) {
    TMinimaStore store;
    for (int i = 0; i < TMinimaStore::MaxMinima; ++i) {
        ASSERT_TRUE(store.AddMinimum(Tagged(i), 1.0 + i));
    }
    ASSERT_EQ(store.Count(), 4000);
    EXPECT_EQ(store.DroppedCount(), 0);
    EXPECT_EQ(store.DroppedLabelText(), "");

    const TAddResult lower = store.AddMinimum(Tagged(-1), 0.5);
    EXPECT_FALSE(lower.Stored);
    EXPECT_FALSE(lower.NewBest);
    EXPECT_FALSE(store.AddMinimum(Tagged(-2), NaN));
    EXPECT_EQ(store.Count(), 4000);
    EXPECT_EQ(store.BestQ(), 1.0);
    EXPECT_EQ(store.Minima().back().Params[5], 3999.0);
    EXPECT_EQ(store.DroppedCount(), 2);
    EXPECT_EQ(store.DroppedLabelText(), "Not stored (list full): 2");

    // A filter makes room again; the losses so far stay counted.
    store.RemoveAbove(3998.0);
    ASSERT_EQ(store.Count(), 3998);
    EXPECT_TRUE(store.AddMinimum(Tagged(7), 0.25));
    EXPECT_EQ(store.Count(), 3999);
    EXPECT_EQ(store.Minima().back().Params[5], 7.0);
    EXPECT_EQ(store.DroppedCount(), 2);

    store.Reset();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.BestQ(), 1e50);
    EXPECT_EQ(store.DroppedCount(), 0);
    EXPECT_EQ(store.DroppedLabelText(), "");
}

TEST(MinimaStore, BestQTakesStrictlyLowerAndNaN) {
    const struct {
        double q;
        bool newBest;
        double bestAfter;
    } steps[] = {
        {1e50, false, 1e50},  // not below the starting value
        {5.0, true, 5.0},    {7.0, false, 5.0}, {5.0, false, 5.0},
        {3.0, true, 3.0},    {NaN, true, NaN},  // NaN passes, and nothing is below NaN
        {1.0, false, NaN},   {NaN, true, NaN},
    };
    TMinimaStore store;
    int n = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(n);
        const TAddResult result = store.AddMinimum(Tagged(n), step.q);
        ++n;
        EXPECT_TRUE(result.Stored);
        EXPECT_EQ(result.NewBest, step.newBest);
        if (std::isnan(step.bestAfter)) {
            EXPECT_TRUE(std::isnan(store.BestQ()));
        } else {
            EXPECT_EQ(store.BestQ(), step.bestAfter);
        }
    }
    EXPECT_EQ(store.Count(), n);

    // Clearing the entries alone keeps BestQ; only a reset starts it over.
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(std::isnan(store.BestQ()));
}

TEST(MinimaStore, RemoveAboveKeepsEqualAndUnorderedInOrder) {
    const struct {
        const char* name;
        double threshold;
        std::vector<double> keptTags;
    } cases[] = {
        {"equal stays, NaN Q stays", 10.0, {0, 1, 3, 4}},
        {"NaN threshold keeps all", NaN, {0, 1, 2, 3, 4, 5}},
        {"below all but NaN", 0.5, {3}},
        {"above all", 1e300, {0, 1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMinimaStore store;
        const double qs[] = {1.0, 10.0, 10.000000001, NaN, 5.0, 20.0};
        for (int i = 0; i < 6; ++i) {
            store.AddMinimum(Tagged(i), qs[i]);
        }
        store.RemoveAbove(c.threshold);
        EXPECT_EQ(Tags(store), c.keptTags);
        EXPECT_TRUE(std::isnan(store.BestQ()));  // filters never touch BestQ
    }
}

TEST(MinimaStore, RemoveConcurringGreedyInEntryOrder) {
    struct TEntry {
        TParamVector params;
        double q;
    };
    const struct {
        const char* name;
        double tolerance;
        std::vector<TEntry> entries;
        std::vector<int> kept;
    } cases[] = {
        {"every parameter exactly the tolerance apart concurs",
         0.5,
         {{{0, 0, 0, 0, 0, 0}, 2.0}, {{0.5, -0.5, 0.5, -0.5, 0.5, 0.5}, 1.0}},
         {1}},
        {"one parameter beyond the tolerance, the last one",
         0.5,
         {{{0, 0, 0, 0, 0, 0}, 2.0}, {{0.5, 0.5, 0.5, 0.5, 0.5, 0.75}, 1.0}},
         {0, 1}},
        {"one parameter beyond the tolerance, the first one",
         0.5,
         {{{0.75, 0, 0, 0, 0, 0}, 2.0}, {{0, 0, 0, 0, 0, 0}, 1.0}},
         {0, 1}},
        {"equal Q removes the earlier",
         0.01,
         {{{1, 2, 3, 4, 5, 6}, 3.0}, {{1, 2, 3, 4, 5, 6.005}, 3.0}},
         {1}},
        {"lower earlier stays", 0.01, {{{1, 2, 3, 4, 5, 6}, 1.0}, {{1, 2, 3, 4, 5, 6}, 3.0}}, {0}},
        {"E1 E2 E3 with rising Q: E2 goes, E1 and E3 stay",
         0.5,
         {{{0, 0, 0, 0, 0, 0}, 1.0}, {{0.5, 0, 0, 0, 0, 0}, 2.0}, {{1.0, 0, 0, 0, 0, 0}, 3.0}},
         {0, 2}},
        {"E1 E2 E3 with E2 lowest: only E2 stays",
         0.5,
         {{{0, 0, 0, 0, 0, 0}, 2.0}, {{0.5, 0, 0, 0, 0, 0}, 1.0}, {{1.0, 0, 0, 0, 0, 0}, 3.0}},
         {1}},
        {"a removed entry compares no more",
         0.5,
         // E1 loses to E2; E1 would beat E3, but its remaining pairs are skipped.
         {{{0, 0, 0, 0, 0, 0}, 2.0}, {{0.5, 0, 0, 0, 0, 0}, 1.0}, {{-0.5, 0, 0, 0, 0, 0}, 3.0}},
         {1, 2}},
        {"NaN tolerance: nothing concurs",
         NaN,
         {{{1, 2, 3, 4, 5, 6}, 1.0}, {{1, 2, 3, 4, 5, 6}, 3.0}},
         {0, 1}},
        {"NaN Q on the earlier keeps the earlier",
         0.01,
         {{{1, 2, 3, 4, 5, 6}, NaN}, {{1, 2, 3, 4, 5, 6}, 3.0}},
         {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMinimaStore store;
        for (const TEntry& e : c.entries) {
            store.AddMinimum(e.params, e.q);
        }
        const double bestBefore = store.BestQ();
        store.RemoveConcurring(c.tolerance);
        ASSERT_EQ(store.Count(), int(c.kept.size()));
        for (std::size_t k = 0; k < c.kept.size(); ++k) {
            const TEntry& expected = c.entries[std::size_t(c.kept[k])];
            EXPECT_EQ(store.Minimum(int(k)).Params, expected.params);
            EXPECT_EQ(std::isnan(store.Minimum(int(k)).Q), std::isnan(expected.q));
            if (!std::isnan(expected.q)) {
                EXPECT_EQ(store.Minimum(int(k)).Q, expected.q);
            }
        }
        EXPECT_EQ(std::isnan(store.BestQ()), std::isnan(bestBefore));
        if (!std::isnan(bestBefore)) {
            EXPECT_EQ(store.BestQ(), bestBefore);
        }
    }
}

TEST(MinimaStore, FilteringAwayTheBestKeepsBestQ) {
    TMinimaStore store;
    store.AddMinimum(Tagged(0), 4.0);
    store.AddMinimum(Tagged(1), 0.125);
    store.AddMinimum(Tagged(2), 8.0);
    store.RemoveAbove(0.0);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.BestQ(), 0.125);
    EXPECT_EQ(store.BestMinLabelText(), "Best minima: 0.125");
    EXPECT_THROW(store.Minimum(0), std::out_of_range);
}

TEST(MinimaStore, LineAndLabelTextsFollowTheSeparator) {
    const struct {
        const char* sep;
        const char* first;
        const char* added;
        std::vector<std::string> rebuilt;
        const char* best;
        const char* params;  // of the third entry
    } cases[] = {
        {".",
         "1: Q=12.000000",
         "3: Q=0.012346",
         {"1: Q=2.5000", "2: Q=0.0123"},
         "Best minima: 0.0123456789",
         "Lg(K1) = 0\nLg(K2) = 0\nC.Shift (P) = 0\nC.Shift (PL) = 0\nC.Shift (PL2) = 0\n"
         "K (unspecif) = 2.5"},
        {",",
         "1: Q=12,000000",
         "3: Q=0,012346",
         {"1: Q=2,5000", "2: Q=0,0123"},
         "Best minima: 0,0123456789",
         "Lg(K1) = 0\nLg(K2) = 0\nC.Shift (P) = 0\nC.Shift (PL) = 0\nC.Shift (PL2) = 0\n"
         "K (unspecif) = 2,5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sep);
        SeparatorGuard guard(c.sep);
        TMinimaStore store;
        store.AddMinimum(Tagged(0), 12.0);
        store.AddMinimum(Tagged(1), 2.5);
        store.AddMinimum(Tagged(2.5), 0.0123456789);
        EXPECT_EQ(store.AddedLineText(0), c.first);
        EXPECT_EQ(store.ParamsText(2), c.params);
        EXPECT_EQ(store.AddedLineText(2), c.added);
        EXPECT_EQ(store.BestMinLabelText(), c.best);
        store.RemoveAbove(10.0);
        EXPECT_EQ(store.RebuildLineTexts(), c.rebuilt);
    }
}

TEST(MinimaStore, ARestoredListIsTheSavedOneCutToTheMostItHolds) {
    TMinimaStore store;
    store.AddMinimum({9, 9, 9, 9, 9, 9}, 9.0);
    std::vector<TFoundMinimum> saved(TMinimaStore::MaxMinima + 3);
    for (std::size_t k = 0; k < saved.size(); ++k) {
        saved[k].Params[0] = static_cast<double>(k);
        saved[k].Q = 100.0 - static_cast<double>(k) / 100.0;
    }
    store.Restore(saved, 0.5, 7);
    EXPECT_EQ(store.Count(), TMinimaStore::MaxMinima);
    EXPECT_EQ(store.Minimum(17).Params[0], 17.0);
    EXPECT_EQ(store.Minimum(TMinimaStore::MaxMinima - 1).Q, saved[TMinimaStore::MaxMinima - 1].Q);
    EXPECT_EQ(store.BestQ(), 0.5);  // as saved, even though no entry holds it any more
    EXPECT_EQ(store.DroppedCount(), 7);

    store.Restore({}, TMinimaStore::NoBestQ, 0);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.BestQ(), TMinimaStore::NoBestQ);
    EXPECT_EQ(store.DroppedLabelText(), "");
}
