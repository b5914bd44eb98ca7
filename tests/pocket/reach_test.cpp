// Arc and wedge geometry, loop areas from caller arrays, segment
// intersections in two and three dimensions, arc heads and swaps of pocket
// arrays, debug drawing in pocket coordinates, and island kinds that keep an
// island out of the searches.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/norak/norak.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/pkdebug.h"
#include "pocket/pkgeom.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {
const f64 H = std::sqrt(0.5);
}  // namespace

TEST(ArcPoints, FractionAndTangentFollowTheArcsOwnDirection)
{
    f64 f = -1, tx = 0, ty = 0;
    // a quarter turn counter-clockwise from (1, 0) to (0, 1): half way at 45 degrees
    pk_angle(0.0, 1, 0, 0, 1, 0, 0, 1, H, H, f, tx, ty);
    EXPECT_NEAR(f, 0.5, 1e-12);
    EXPECT_NEAR(tx, -H, 1e-12);
    EXPECT_NEAR(ty, H, 1e-12);
    // clockwise from (1, 0) to (0, -1): the tangent turns with it
    pk_angle(0.0, -1, 0, 0, 1, 0, 0, -1, H, -H, f, tx, ty);
    EXPECT_NEAR(f, 0.5, 1e-12);
    EXPECT_NEAR(tx, -H, 1e-12);
    EXPECT_NEAR(ty, -H, 1e-12);
    // a half turn: the top point is half way, not at an ambiguous angle
    pk_angle(0.0, 1, 0, 0, 1, 0, -1, 0, 0, 1, f, tx, ty);
    EXPECT_NEAR(f, 0.5, 1e-12);
    // a point a quarter into a three-quarter turn
    pk_angle(0.0, 1, 0, 0, 1, 0, 0, -1, 0, 1, f, tx, ty);
    EXPECT_NEAR(f, 1.0 / 3.0, 1e-12);
    // an arc of no sweep gives fraction 0, and so does one whose end lies a
    // round-off hair behind its start, either way round
    pk_angle(0.0, 1, 0, 0, 1, 0, 1, 0, 0, 1, f, tx, ty);
    EXPECT_EQ(f, 0.0);
    for (i32 dir : {1, -1}) {
        pk_angle(0.0, dir, 0, 0, 1, 0, std::cos(1e-9), -dir * std::sin(1e-9), 0, 1, f, tx, ty);
        EXPECT_EQ(f, 0.0) << dir;
    }
}

TEST(ArcPoints, WedgeSideOfADirection)
{
    const f64 o[2] = {0, 0}, a[2] = {1, 0}, b[2] = {0, 1};
    auto side = [&](i32 dir, f64 cx, f64 cy) {
        const f64 c[2] = {cx, cy};
        i32 code = 99;
        pk_wedge_side(dir, o, a, b, c, code);
        return code;
    };
    EXPECT_EQ(side(1, 1, 1), 0);     // between OA and OB
    EXPECT_EQ(side(1, 1, -1), -2);   // behind OA
    EXPECT_EQ(side(1, -1, 1), 2);    // past OB
    EXPECT_EQ(side(1, -1, -0.2), 2);  // outside, nearer OB's side
    EXPECT_EQ(side(1, -0.2, -1), -2);
    EXPECT_EQ(side(1, -1, -1), -2);  // equal both ways: -2
    EXPECT_EQ(side(-1, 1, 1), -2);   // the other turning sense
    EXPECT_EQ(side(1, 1, 0), 0);     // along OA counts as inside
}

TEST(LoopAreas, AreaAndDirectionOfCallerArrays)
{
    fresh();
    f64 x[5] = {0, 0, 3, 3, 0}, y[5] = {0, 3, 3, 0, 0};  // clockwise
    f64 area = 0;
    i32 dir = 0;
    pk_area_xy(x, y, 5, area, dir);
    EXPECT_NEAR(area, 9.0, 1e-12);
    EXPECT_EQ(dir, -1);
    f64 rx[5] = {0, 3, 3, 0, 0}, ry[5] = {0, 0, 3, 3, 0};
    pk_area_xy(rx, ry, 5, area, dir);
    EXPECT_NEAR(area, 9.0, 1e-12);
    EXPECT_EQ(dir, 1);
    EXPECT_EQ(x[2], 3.0);  // the caller's arrays are left as they were
    pkdm_rel_all();
}

TEST(SegmentCrossings, PointsSnapStatusAndDimension)
{
    fresh();
    const f64 none[2] = {1e25, 1e25};
    f64 X[3] = {9, 9, 9};
    i32 st = -1;
    auto cross = [&](i32 mode, std::vector<f64> a1, std::vector<f64> a2, std::vector<f64> b1, std::vector<f64> b2,
                     const f64* ga = nullptr, const f64* gb = nullptr) {
        pk_lnln_dim(mode, a1.data(), a2.data(), b1.data(), b2.data(), a1.data(), a2.data(), b1.data(), b2.data(),
                    ga ? ga : none, gb ? gb : none, X, st);
        return st;
    };
    pokdim = 2;
    EXPECT_EQ(cross(0, {0, 0, 5}, {2, 2, 5}, {0, 2, 1}, {2, 0, 1}), 1);
    EXPECT_NEAR(X[0], 1.0, 1e-12);
    EXPECT_NEAR(X[1], 1.0, 1e-12);
    EXPECT_EQ(X[2], 0.0);  // heights are not read in two dimensions
    // segments that miss each other: none; their lines meet (mode 1 and 3)
    EXPECT_EQ(cross(0, {0, 0, 0}, {1, 0, 0}, {2, -1, 0}, {2, 1, 0}), 0);
    EXPECT_EQ(cross(3, {0, 0, 0}, {1, 0, 0}, {2, -1, 0}, {2, 1, 0}), 1);
    EXPECT_NEAR(X[0], 2.0, 1e-12);
    EXPECT_NEAR(X[1], 0.0, 1e-12);
    // a segment of no length and parallel lines are degenerate
    EXPECT_EQ(cross(0, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0}), 2);
    EXPECT_EQ(cross(0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}), 2);
    // a crossing at another segment's end takes that end exactly
    const f64 t = 1.0 / 3.0;
    EXPECT_EQ(cross(0, {0, 0, 0}, {3, 0, 0}, {t, 0, 0}, {t, 1, 0}), 1);
    EXPECT_EQ(X[0], t);
    EXPECT_EQ(X[1], 0.0);
    // nearly parallel segments joined end to end with guides: status 3
    const f64 g[2] = {0, 1};
    EXPECT_EQ(cross(0, {0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {20, 1e-4, 0}, g, g), 3);
    EXPECT_EQ(X[0], 10.0);
    EXPECT_EQ(X[1], 0.0);
    // in three dimensions the heights take part
    pokdim = 3;
    EXPECT_EQ(cross(0, {0, 0, 0}, {2, 2, 2}, {0, 2, 1}, {2, 0, 1}), 1);
    EXPECT_NEAR(X[0], 1.0, 1e-9);
    EXPECT_NEAR(X[1], 1.0, 1e-9);
    EXPECT_NEAR(X[2], 1.0, 1e-9);
    pokdim = 2;
    pkdm_rel_all();
}

TEST(PocketArrays, ArcHeadsAndWholeSwaps)
{
    fresh();
    pokarr a, b, one;
    pokarr_init(2, a);
    pokarr_init(2, b);
    pokarr_init(1, one);
    i32 st = 0;
    // a quarter disc: (1, 0), the arc's head about the origin, its end (0, 1), the centre, back
    const f64 p0[3] = {1, 0, 0}, p1[3] = {0, 1, 0}, c[3] = {0, 0, 0};
    pokarr_add_pnt(p0, a, st);
    pokarr_add_arcpart(0.0, 0.0, nullptr, 1.0, 1, a, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(a.count, 4);
    EXPECT_TRUE(pk_arc_at(a.x[1]));
    EXPECT_EQ(a.x[2], 1.0);
    EXPECT_EQ(a.y[2], 1.0);
    pokarr_add_pnt(p1, a, st);
    pokarr_add_pnt(c, a, st);
    pokarr_add_pnt(p0, a, st);
    pokarr_area(a);
    EXPECT_NEAR(a.area, M_PI / 4.0, 1e-12);
    EXPECT_EQ(a.direction, 1);
    pokarr_add_arcpart(0.0, 0.0, nullptr, 1.0, 1, one, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_add_arcpart] ARCS NOT SUPPORTED FOR 1D ARRAYS"));
    // swapping hands each record the other's entries
    pokarr_add_pnt(p1, b, st);
    pokarr_swap(a, b, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(b.count, 7);
    EXPECT_NEAR(b.area, M_PI / 4.0, 1e-12);
    // a static window is never swapped
    f64 x[2] = {1, 2}, y[2] = {3, 4};
    pokarr w;
    pokarr_init_static(2, x, y, nullptr, nullptr, 2, w);
    pokarr_swap(a, w, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(w.x, x);
    pokarr_swap(w, b, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(b.count, 7);
    for (pokarr* r : {&a, &b, &one}) pokarr_free(*r);
    pkdm_rel_all();
}

TEST(PocketDrawing, PackedPointsInPocketOrWorldCoordinates)
{
    fresh();
    pokorigin[0] = 5.0;
    pokorigin[1] = 6.0;
    pokorigin[2] = 1.0;
    const f64 pts[6] = {0, 0, 2, 0, 2, 1};
    EXPECT_EQ(pkdbg_draw0(2, pts, 3), 0);
    const auto& f0 = norak::figures().back().strokes;
    ASSERT_EQ(f0.size(), 2u);
    EXPECT_EQ(f0[0].from[0], 5.0f);
    EXPECT_EQ(f0[0].from[1], 6.0f);
    EXPECT_EQ(f0[0].from[2], 1.0f);
    EXPECT_EQ(f0[1].to[0], 7.0f);
    EXPECT_EQ(f0[1].to[1], 7.0f);
    EXPECT_EQ(pkdbg_draw1(2, pts, 3), 0);
    const auto& f1 = norak::figures().back().strokes;
    ASSERT_EQ(f1.size(), 2u);
    EXPECT_EQ(f1[0].from[0], 0.0f);
    EXPECT_EQ(f1[1].to[0], 2.0f);
    const f64 p3[6] = {0, 0, 4, 1, 0, 4};
    EXPECT_EQ(pkdbg_draw0(3, p3, 2), 0);
    EXPECT_EQ(norak::figures().back().strokes[0].from[2], 5.0f);
    EXPECT_EQ(pkdbg_draw0(4, pts, 1), -1);
    pkvals_reset();
    pkdm_rel_all();
}

TEST(IslandKinds, AnIslandOfKindTwoTakesNoPartInTheSearches)
{
    fresh();
    pokpar.side = 0.01;
    pokarr outer = make(square(0, 0, 10)), isl = make(square(4, 4, 2)), inner = make(square(4.5, 4.5, 1));
    i32 start = 0, st = 0, r = -1;
    lup_add(1, 1, 0, 0, 0, 0.0, 1, outer, start, st);
    lup_add(1, 10001, 0, 0, 0, 0.0, 1, isl, start, st);
    pk_nisland = 1;
    lup_vs_loops3d(inner, 1, 0, r, st);
    EXPECT_EQ(r, 1);
    pk_set_cnt_kind(10001, 2);
    EXPECT_EQ(pk_cnt_kind(10001), 2);
    lup_vs_loops3d(inner, 1, 0, r, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(r, 0);
    lup_vs_comlup(inner, 1, 0, r, st);
    EXPECT_EQ(r, 0);
    pk_set_cnt_kind(10001, 3);  // kind 3 is searched like an outer contour
    lup_vs_loops3d(inner, 1, 0, r, st);
    EXPECT_EQ(r, 1);
    pk_set_cnt_kind(PK_NALLOW + 1, 2);  // past the table: ignored
    EXPECT_EQ(pk_cnt_kind(PK_NALLOW + 1), 0);
    for (pokarr* p : {&outer, &isl, &inner}) pokarr_free(*p);
    POKREL(1, st);
    pkvals_reset();
    pkdm_rel_all();
}
