#include "util/Numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/Errors.h"

using namespace kelmora;

TEST(ApproxEqual, AbsoluteToleranceInclusive) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(ApproxEqual(1.0, 1.0 + 5e-11));
    EXPECT_TRUE(ApproxEqual(0.0, 1e-10));
    EXPECT_FALSE(ApproxEqual(0.0, 2e-10));
    EXPECT_FALSE(ApproxEqual(nan, 1.0));
    EXPECT_FALSE(ApproxEqual(nan, nan));
}

TEST(SolveQuadratic, RootsInOrderAndFailures) {
    const struct {
        double a, b, c;
        bool ok;
        double x1, x2;
    } cases[] = {
        {1, -3, 2, true, 1, 2},
        {0, 2, -4, true, 2, 2},
        {1e-11, 2, -4, true, 2, 2},  // below the linear threshold
        {1, 0, 1, false, 0, 0},
        {0, 0, 1, false, 0, 0},                // linear with b = 0: a division by zero
        {0, 0, 0, false, 0, 0},                // 0/0
        {-1, 3, -2, true, 2, 1},               // a < 0: x2 is the smaller root
        {1, 1e200, 1, false, 0, 0},            // h*h overflows
        {1e-300, 1e300, 1e300, true, -1, -1},  // linear: -c/b
    };
    for (const auto& c : cases) {
        double x1 = -99, x2 = -99;
        EXPECT_EQ(SolveQuadratic(c.a, c.b, c.c, x1, x2), c.ok) << c.a << " " << c.b << " " << c.c;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(x1, c.x1);
            EXPECT_DOUBLE_EQ(x2, c.x2);
        } else {
            EXPECT_EQ(x1, -99);  // left unwritten
            EXPECT_EQ(x2, -99);
        }
    }
}

TEST(CheckedDivide, TrapsLikeUnmaskedFloatingPoint) {
    EXPECT_DOUBLE_EQ(CheckedDivide(1, 4), 0.25);
    const struct {
        double a, b;
        const char* message;
    } cases[] = {
        {0, 0, "Invalid floating point operation"},
        {1, 0, "Floating point division by zero"},
        {-1, 0, "Floating point division by zero"},
        {1e300, 1e-300, "Floating point overflow"},
    };
    for (const auto& c : cases) {
        try {
            CheckedDivide(c.a, c.b);
            ADD_FAILURE() << c.a << "/" << c.b;
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_THROW(CheckOverflow(1e308 * 10.0), EMathError);
    EXPECT_EQ(CheckOverflow(3.0), 3.0);
}
