// The host's closest points of two lines: crossing, skew, parallel and
// degenerate lines.
#include <gtest/gtest.h>

#include "core/host.h"

namespace {

TEST(Lines, ClosestPointsOfTwoLines)
{
    // Skew: the X axis and a line along Y at height 2 through x = 3.
    const f64 a1[3] = {0, 0, 0}, a2[3] = {1, 0, 0}, b1[3] = {3, -1, 2}, b2[3] = {3, 1, 2};
    f64 pa[3], pb[3], d = 0;
    i32 st = -9;
    dminll(a1, a2, b1, b2, pa, pb, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pa[0], 3.0, 1e-12);
    EXPECT_NEAR(pa[1], 0.0, 1e-12);
    EXPECT_NEAR(pb[0], 3.0, 1e-12);
    EXPECT_NEAR(pb[1], 0.0, 1e-12);
    EXPECT_NEAR(pb[2], 2.0, 1e-12);
    EXPECT_NEAR(d, 2.0, 1e-12);
    // Crossing lines beyond their given points (the lines are unbounded).
    const f64 c1[3] = {0, 0, 0}, c2[3] = {1, 1, 1}, e1[3] = {10, 0, 10}, e2[3] = {9, 1, 9};
    dminll(c1, c2, e1, e2, pa, pb, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(d, 0.0, 1e-9);
    EXPECT_NEAR(pa[0], 5.0, 1e-9);
    EXPECT_NEAR(pb[2], 5.0, 1e-9);
    // Parallel: a1 and its foot on the second line.
    const f64 p1[3] = {0, 1, 0}, p2[3] = {4, 1, 0};
    dminll(a1, a2, p1, p2, pa, pb, d, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(pa[0], 0.0, 1e-12);
    EXPECT_NEAR(pb[0], 0.0, 1e-12);
    EXPECT_NEAR(pb[1], 1.0, 1e-12);
    EXPECT_NEAR(d, 1.0, 1e-12);
    // A line of one point.
    pa[0] = 77;
    dminll(a1, a1, b1, b2, pa, pb, d, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(pa[0], 77);
}

}  // namespace
