// Loops on the surfaces: the offset along a tilted plane against the plane
// offset made in the plane's own frame, and over a bowl at its distance
// along the surface.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "pocket/looptest.h"
#include "pocket/lupoff.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

constexpr f64 SLOPE = 0.36397;

// A pocket over the tilted plane with its grid, the loop given in plan
// (pocket coordinates) carried onto the grid.
pokarr on_plane(const Loop& plan)
{
    surface_pocket(tilted);
    i32 st = 0;
    pokarr a = make(plan, 3);
    lan_on_grid(1, a, nullptr, st);
    EXPECT_EQ(st, 0);
    return a;
}

// Distance in plan of (x, y) from the rectangle's border.
f64 off_rect(f64 x, f64 y, f64 x0, f64 x1, f64 y0, f64 y1)
{
    const f64 dx = std::max({x0 - x, 0.0, x - x1}), dy = std::max({y0 - y, 0.0, y - y1});
    if (dx > 0.0 || dy > 0.0) return std::hypot(dx, dy);
    return std::min({x - x0, x1 - x, y - y0, y1 - y});
}

}  // namespace

TEST(SurfaceOffset, TiltedPlaneEqualsThePlaneOffsetInItsOwnFrame)
{
    // a rectangle in plan, 40 x 30 (pocket coordinates; the origin is at 10, 10)
    pokarr a = on_plane(Loop().pt(10, 10).pt(50, 10).pt(50, 40).pt(10, 40).pt(10, 10));
    const f64 s = std::sqrt(1.0 + SLOPE * SLOPE);
    const f64 o[3] = {pokorigin[0], pokorigin[1], pokorigin[2]};
    for (i32 side : {-1, 1}) {
        pokarr r;
        pokarr_init(3, r);
        i32 st = -9;
        lup_offset3d(side, 3.0, a, r, st);
        ASSERT_EQ(st, 0) << side;
        ASSERT_GT(r.count, 4);
        // in the plane's frame (u along the slope = x s) the offset is the
        // rectangle moved out or in by 3; back in plan: u / s
        const f64 d = side == -1 ? 3.0 : -3.0;
        const f64 x0 = (10.0 * s + d) / s, x1 = (50.0 * s - d) / s, y0 = 10.0 + d, y1 = 40.0 - d;
        for (i32 k = 0; k < r.count; ++k) {
            EXPECT_LT(off_rect(r.x[k], r.y[k], x0, x1, y0, y1), 2e-3) << side << " " << k;
            EXPECT_NEAR(r.z[k] + o[2], tilted(r.x[k] + o[0], 0.0), 1e-3);
        }
        // every corner is reached
        for (f64 cx : {x0, x1})
            for (f64 cy : {y0, y1}) {
                f64 best = 1e9;
                for (i32 k = 0; k < r.count; ++k) best = std::min(best, std::hypot(r.x[k] - cx, r.y[k] - cy));
                EXPECT_LT(best, 2e-3) << side << " " << cx << " " << cy;
            }
        EXPECT_DOUBLE_EQ(r.x[0], r.x[r.count - 1]);  // closed
        pokarr_free(r);
    }
    // a result on caller storage too small for the offset: the array's own
    // refusal (-1) ends it
    f64 sx[5], sy[5], sz[5];
    pokarr small;
    pokarr_init_static(3, sx, sy, sz, nullptr, 0, small, 5);
    i32 sst = 0;
    lup_offset3d(1, 3.0, a, small, sst);
    EXPECT_EQ(sst, -1);
    // an empty loop gives an empty result and status 1
    pokarr e, r;
    pokarr_init(3, e);
    pokarr_init(3, r);
    i32 st = 0;
    lup_offset3d(1, 3.0, e, r, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(r.count, 0);
    pokarr_free(a);
    FRETRI();
}

TEST(SurfaceOffset, BowlOffsetLiesAtItsDistanceAlongTheSurface)
{
    surface_pocket(bowl);
    i32 st = 0;
    // a circle of radius 20 about the bowl's top, in plan
    Loop c;
    for (i32 k = 0; k <= 72; ++k) {
        const f64 t = 2.0 * 3.141592653589793 * k / 72;
        c.pt(40.0 + 20.0 * std::cos(t), 30.0 + 20.0 * std::sin(t));
    }
    pokarr a = make(c, 3);
    lan_on_grid(1, a, nullptr, st);
    ASSERT_EQ(st, 0);
    pokarr r;
    pokarr_init(3, r);
    // the final mapping runs without the repair switch as well
    pk3_repair = 0;
    lup_offset3d(-1, 4.0, a, r, st);
    ASSERT_EQ(st, 0);
    const i32 unrepaired = r.count;
    pk3_repair = 1;
    lup_offset3d(-1, 4.0, a, r, st);  // inward
    ASSERT_EQ(st, 0);
    EXPECT_EQ(r.count, unrepaired);
    // the bowl is a surface of revolution: inward by 4 along it is a circle
    // whose radius in plan follows from the meridian's arc length
    auto arc = [](f64 rr) {  // arc length of z = -0.002 rr^2 from 0 to rr
        const f64 k = 0.004, u = k * rr;
        return (u * std::sqrt(1 + u * u) + std::asinh(u)) / (2 * k);
    };
    f64 lo = 0.0, hi = 20.0;
    for (i32 it = 0; it < 60; ++it) {
        const f64 m = 0.5 * (lo + hi);
        (arc(20.0) - arc(m) > 4.0 ? lo : hi) = m;
    }
    for (i32 k = 0; k < r.count; ++k)
        EXPECT_NEAR(std::hypot(r.x[k] - 40.0, r.y[k] - 30.0), lo, 0.08) << k;
    pokarr_free(a);
    pokarr_free(r);
    FRETRI();
}

TEST(SurfaceOffset, WayOverTheSurfaceAndItsFailure)
{
    surface_pocket(tilted);
    const f64 s = std::sqrt(1.0 + SLOPE * SLOPE);
    // along the slope: the way is the plan distance stretched by the slope
    const f64 a[3] = {10.0, 20.0, 0.0}, b[3] = {30.0, 20.0, 0.0};
    f64 len = -1.0;
    EXPECT_EQ(pk_surf_dist(a, b, len), 0);
    EXPECT_NEAR(len, 20.0 * s, 1e-3);
    EXPECT_EQ(pk_surf_dist(a, a, len), 0);
    EXPECT_EQ(len, 0.0);
    // the farthest vertex of a loop measured over the surface
    pokarr sq = make(Loop().pt(10, 20).pt(30, 20).pt(30, 21).pt(10, 21).pt(10, 20), 3);
    i32 st = 0;
    lan_on_grid(1, sq, nullptr, st);
    ASSERT_EQ(st, 0);
    i32 v = -1;
    f64 t = 0.0, foot[3], d = 0.0;
    const f64 p[3] = {10.0, 20.0, tilted(20.0, 30.0) - pokorigin[2]};
    pk_far_vertex(3, p, sq, v, t, foot, d);
    EXPECT_NEAR(foot[0], 30.0, 1e-9);
    EXPECT_NEAR(d, std::hypot(20.0 * s, 1.0), 0.05);
    // no grid: a failure, and the straight distance, not 0
    map_grid_clear();
    EXPECT_EQ(pk_surf_dist(a, b, len), -1);
    EXPECT_NEAR(len, 20.0, 1e-12);
    pokarr_free(sq);
    FRETRI();
}

TEST(SurfaceOffset, TheAppendRuleLeavesOutRepeatsAndStraightOnPoints)
{
    using Pts = std::vector<std::array<f64, 3>>;
    struct Case {
        const char* what;
        f64 threshold;
        Pts in;
        std::vector<size_t> kept;  // indices of the input points kept
    };
    const Case cases[] = {
        {"straight on", 1e-8, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}}, {0, 2, 3}},
        {"straight on in space", 1e-8, {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {2, 1, 2}}, {0, 2, 3}},
        {"turned back", 1e-8, {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, {0, 1, 2}},
        {"repeat within 1e-6", 1e-8, {{0, 0, 0}, {5e-7, 0, 0}, {1, 1, 0}}, {0, 2}},
        {"one coordinate 1e-5 off", 1e-8, {{0, 0, 0}, {1e-5, 0, 0}, {1, 1, 0}}, {0, 1, 2}},
        {"y exactly 1e-6 off", 1e-8, {{0, 0, 0}, {0, 1e-6, 0}, {1, 1, 0}}, {0, 1, 2}},
        {"the left-out run reaches the threshold", 1e-12, {{0, 0, 0}, {5e-7, 0, 0}, {9e-7, 0, 0}, {1, 1, 0}},
         {0, 2, 3}},
    };
    const f64 old = pk3_append_min;
    for (const Case& c : cases) {
        pk3_append_min = c.threshold;
        const Pts out = lup_append3d(c.in);
        Pts want;
        for (size_t k : c.kept) want.push_back(c.in[k]);
        EXPECT_EQ(out, want) << c.what;
    }
    pk3_append_min = old;
}
