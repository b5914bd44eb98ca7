// The host's curve work area, curve length and unit names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/host.h"
#include "platform/norak/norak.h"

TEST(CurveWork, RecordsGetArraysOfTheirCountsAndLengthsAreArcLengths)
{
    norak::reset();
    nbcrv rec{3, 3, 3, 0, 0};
    i32 st = 0;
    dam_nrc(1, 0, rec, st);
    EXPECT_EQ(st, -1);  // no work area yet
    dam_ini();
    for (auto [order, count] : {std::pair{1, 3}, std::pair{17, 20}, std::pair{4, 3}}) {
        nbcrv bad{3, order, count, 0, 0};
        dam_nrc(1, 0, bad, st);
        EXPECT_EQ(st, -1) << order << " " << count;
        EXPECT_EQ(bad.knots, 0);
    }
    // A quadratic quarter-circle-like arc: the length of a parabola y = x^2
    // from 0 to 1 (control points (0,0), (0.5,0), (1,1)).
    dam_nrc(1, 0, rec, st);
    ASSERT_EQ(st, 0);
    f64 *u = dam_ptr(rec.knots), *p = dam_ptr(rec.points);
    ASSERT_TRUE(u && p);
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, pts[9] = {0, 0, 0, 0.5, 0, 0, 1, 1, 0};
    std::memcpy(u, knots, sizeof knots);
    std::memcpy(p, pts, sizeof pts);
    f64 length = 0;
    nb_lng(rec, 0.5, 0, length, st);
    EXPECT_EQ(st, 0);
    const f64 exact = std::sqrt(5.0) / 2 + std::asinh(2.0) / 4;
    EXPECT_NEAR(length, exact, 1e-6);
    // Knots that decrease are refused; so is a record after the area ends.
    u[3] = -1;
    nb_lng(rec, 0.5, 0, length, st);
    EXPECT_EQ(st, -1);
    dam_end();
    EXPECT_EQ(dam_ptr(rec.knots), nullptr);
    nb_lng(rec, 0.5, 0, length, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(length, 0.0);
}

TEST(CurveWork, UnitCodesAndNames)
{
    norak::reset();
    i32 code = -1;
    f32 factor = 0;
    char name[9];
    getunt(code, factor);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(factor, 1.0f);
    nu_sgcd_find_unit(1, code, name);
    EXPECT_STREQ(name, "MM");
    norak::settings().unit = 25.4f;
    getunt(code, factor);
    EXPECT_EQ(code, 2);
    nu_sgcd_find_unit(1, code, name);
    EXPECT_STREQ(name, "INCH");
    norak::settings().unit = 10.0f;
    getunt(code, factor);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(factor, 10.0f);
    nu_sgcd_find_unit(1, code, name);
    EXPECT_STREQ(name, "UNITS");
}
