// Concentrations from the volumes of a titration, against values worked out by hand.
#include <gtest/gtest.h>

#include "analysisview/Volumes.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

// 500 µL of 3 mM host, then 10, 10 and 20 µL of 50 mM ligand: totals 0, 10, 20, 40 µL in
// 500, 510, 520, 540 µL. C = 0.05·v/V: 0, 0.5/510, 1/520, 2/540. P0 = 0.003·500/V: 1.5/V;
// with host in the ligand stock as well it stays 0.003.
TEST(Volumes, WorkedExampleWithAndWithoutHostInTheLigandStock) {
    const std::vector<double> c = {0.0, 9.803921568627451e-4, 1.923076923076923e-3,
                                   3.703703703703704e-3};
    const std::vector<double> diluted = {3e-3, 2.941176470588235e-3, 2.884615384615385e-3,
                                         2.777777777777778e-3};
    const struct {
        const char* name;
        bool hostInLigand;
        std::vector<double> added;
        bool runningTotal;
    } cases[] = {
        {"each addition, host diluted", false, {0, 10, 10, 20}, false},
        {"running total, host diluted", false, {0, 10, 20, 40}, true},
        {"each addition, host in the ligand stock", true, {0, 10, 10, 20}, false},
    };
    for (const auto& k : cases) {
        const std::vector<TVolumePoint> points =
            ConcentrationsFromVolumes({3e-3, 0.05, k.hostInLigand, 500, k.added, k.runningTotal});
        ASSERT_EQ(points.size(), c.size()) << k.name;
        for (std::size_t i = 0; i < c.size(); ++i) {
            EXPECT_NEAR(points[i].C, c[i], 1e-15) << k.name << " point " << i;
            EXPECT_NEAR(points[i].P0, k.hostInLigand ? 3e-3 : diluted[i], 1e-15)
                << k.name << " point " << i;
        }
    }
}

TEST(Volumes, InputsThatDescribeNoTitrationAreRefusedByName) {
    const struct {
        TVolumeRecipe recipe;
        const char* message;
    } cases[] = {
        {{0, 0.05, false, 500, {0}, false}, "The host stock concentration must be above 0."},
        {{1e-3, 0, false, 500, {0}, false}, "The ligand stock concentration must be above 0."},
        {{1e-3, 0.05, false, 0, {0}, false}, "The starting volume must be above 0."},
        {{1e-3, 0.05, false, 500, {}, false},
         "There is no added volume: give one for each point, 0 for the first."},
        {{1e-3, 0.05, false, 500, {0, -1}, false}, "Point 2: an added volume cannot be negative."},
        {{1e-3, 0.05, false, 500, {0, 20, 10}, true},
         "Point 3: the running total 10 µL is below the one before it."},
    };
    for (const auto& k : cases) {
        try {
            ConcentrationsFromVolumes(k.recipe);
            ADD_FAILURE() << k.message << ": accepted";
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), k.message);
        }
    }
}

}  // namespace
}  // namespace kelmora
