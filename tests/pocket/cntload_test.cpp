// Loading of a pocket's contours: orientation, dropped contours, the keys
// and allowances of the islands that remain, arc fitting.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include "pocket/cntload.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

void reg(const Loop& l, i32 key)
{
    pokarr a = make(l);
    i32 st = 0, start = 0;
    lup_add(1, key, 0, 0, 0, 0.0, 1, a, start, st);
    EXPECT_EQ(st, 0);
    pokarr_free(a);
}

f64 row_area(i32 k)
{
    pokarr w;
    pokarr_init(2, w);
    i32 st = 0;
    lup_get_pokarr(k, w, st);
    f64 a = signed_area(w);
    pokarr_free(w);
    return a;
}

}  // namespace

// A contour that cannot be read from the main arrays fails the load: 2 for
// the outer contour, 3 for an island.
TEST(ContourLoading, AContourThatCannotBeReadFailsTheLoad)
{
    std::vector<i32> seen;
    for (i32 n = 1; n <= 8; ++n) {
        fresh();
        pkoff.seg_tol = 0.01;
        Loop outer, island;  // contours long enough to grow the pool
        for (i32 k = 0; k < 3000; ++k) {
            const f64 t = 2.0 * M_PI * k / 3000.0;
            outer.pt(50.0 + 40.0 * std::cos(t), 50.0 + 40.0 * std::sin(t));
            if (k % 5 == 0) island.pt(50.0 + 10.0 * std::cos(t), 50.0 - 10.0 * std::sin(t));
        }
        reg(outer.close(), 1);
        reg(island.close(), 10001);
        pkdm_rel_all();  // no buffer left over from the registering
        norak::fail_alloc_after(n, 2);
        i32 st = 0;
        pk_load_contours(0.0, st);
        norak::fail_alloc_after(0);
        seen.push_back(st);
    }
    // the outer contour is read first: the first allocation refused is its
    EXPECT_EQ(seen.front(), 2);
    EXPECT_NE(std::find(seen.begin(), seen.end(), 3), seen.end());
    EXPECT_EQ(seen.back(), 0);
}

TEST(ContourLoading, OrientsDropsAndKeepsAllowancesWithTheirIslands)
{
    fresh();
    pkoff.seg_tol = 0.01;
    reg(square(0, 0, 100, false), 1);  // given clockwise
    Loop flat;
    flat.pt(10, 10).pt(10.0001, 10).pt(12, 10).close();
    reg(flat, 10001);  // two points after clean-up
    reg(square(20, 20, 10, true), 10002);  // given counter-clockwise
    reg(square(50, 50, 10, false), 10003);
    pokpar.allow[10000] = 1.0;
    pokpar.allow[10001] = 2.0;
    pokpar.allow[10002] = 3.0;
    i32 st = 0;
    pk_load_contours(0.0, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(lup_count, 3);
    EXPECT_EQ(lup_row(1).key, 1);
    EXPECT_EQ(lup_row(2).key, 10001);
    EXPECT_EQ(lup_row(3).key, 10002);
    EXPECT_EQ(lup_row(2).subkey, 0);
    EXPECT_EQ(lup_row(2).level, 1);
    EXPECT_NEAR(row_area(1), 10000.0, 1e-9);
    EXPECT_NEAR(row_area(2), -100.0, 1e-9);
    EXPECT_NEAR(row_area(3), -100.0, 1e-9);
    // each island keeps its allowance under its new key
    EXPECT_DOUBLE_EQ(pokpar.allow[10000], 2.0);
    EXPECT_DOUBLE_EQ(pokpar.allow[10001], 3.0);
    pokarr w;
    pokarr_init(2, w);
    lup_get_pokarr(2, w, st);
    EXPECT_NEAR(w.x[0] > 15 && w.x[0] < 35 ? 1.0 : 0.0, 1.0, 0.0);  // the island at 20
    pokarr_free(w);
    EXPECT_EQ(pkdm_in_use(), 0);
    // an outer contour with too few points; the failed load leaves no
    // contour rows in the table
    fresh();
    reg(flat, 1);
    reg(square(20, 20, 10, false), 10001);
    pk_load_contours(0.0, st);
    EXPECT_EQ(st, 16);
    EXPECT_EQ(lup_count, 0);
    EXPECT_EQ(pkdm_in_use(), 0);
}

TEST(ContourLoading, ArcFittingTurnsSampledCirclesIntoArcs)
{
    fresh();
    // the contour is fitted within its segment tolerance; the pocket
    // tolerance stays 0 as the area clearing leaves it
    pkoff.seg_tol = 0.01;
    pk_tol = 0.0;
    Loop c;
    for (i32 k = 0; k <= 180; ++k) {
        f64 t = 2.0 * M_PI * (k % 180) / 180.0;
        c.pt(50.0 + 40.0 * std::cos(t), 50.0 + 40.0 * std::sin(t));
    }
    reg(c, 1);
    reg(square(45, 45, 10, false), 10001);
    i32 st = 0;
    MFLST3(0);
    pk_load_contours(0.0, st);
    ASSERT_EQ(st, 0);
    i32 n = 0;
    lup_np(1, n);
    EXPECT_EQ(n, 181);  // no fitting: every point stays
    MFLST3(1);
    pk_load_contours(0.0, st);
    ASSERT_EQ(st, 0);
    pokarr w;
    pokarr_init(2, w);
    lup_get_pokarr(1, w, st);
    i32 arcs = 0;
    for (i32 k = 0; k < w.count; ++k)
        if (pk_arc_at(w.x[k])) {
            ++arcs;
            EXPECT_NEAR(w.x[k + 1], 40.0, 0.01);
            EXPECT_NEAR(w.x[k + 2], 50.0, 0.01);
            EXPECT_NEAR(w.y[k + 2], 50.0, 0.01);
        }
    EXPECT_GE(arcs, 2);
    EXPECT_LT(w.count, 40);
    EXPECT_NEAR(signed_area(w), M_PI * 1600.0, 5.0);
    pokarr_free(w);
    EXPECT_EQ(lup_row(2).key, 10001);
    EXPECT_EQ(pkdm_in_use(), 0);
}

TEST(ContourLoading, AFitThatMakesTwoContoursCrossIsUndone)
{
    // an island sampled on a circle of 10 at odd degrees, its chords within
    // the outer contour's side at x = 9.9992, the fitted circle beyond it
    for (const f64 wall : {9.9992, 10.5}) {
        fresh();
        pkoff.seg_tol = 0.01;
        Loop outer;
        outer.pt(-50, -50).pt(wall, -50).pt(wall, 50).pt(-50, 50).close();
        reg(outer, 1);
        Loop c;
        for (i32 k = 0; k <= 180; ++k) {
            const f64 t = M_PI - (2.0 * (k % 180) + 1.0) * M_PI / 180.0;  // clockwise from the far side
            c.pt(10.0 * std::cos(t), 10.0 * std::sin(t));
        }
        reg(c, 10001);
        MFLST3(1);
        i32 st = 0;
        pk_load_contours(0.0, st);
        ASSERT_EQ(st, 0);
        pokarr w;
        pokarr_init(2, w);
        lup_get_pokarr(2, w, st);
        i32 arcs = 0;
        for (i32 k = 0; k < w.count; ++k) arcs += pk_arc_at(w.x[k]) ? 1 : 0;
        if (wall < 10.0)
            EXPECT_EQ(arcs, 0) << "the fitted island would cross the wall";
        else
            EXPECT_GT(arcs, 0);
        pokarr_free(w);
    }
    // every allocation of the load refused in turn: a load that succeeds has
    // both contours whole
    for (i32 n = 1; n <= 12; ++n) {
        fresh();
        pkoff.seg_tol = 0.01;
        Loop outer, c;
        outer.pt(-50, -50).pt(9.9992, -50).pt(9.9992, 50).pt(-50, 50).close();
        for (i32 k = 0; k <= 180; ++k) {
            const f64 t = M_PI - (2.0 * (k % 180) + 1.0) * M_PI / 180.0;
            c.pt(10.0 * std::cos(t), 10.0 * std::sin(t));
        }
        reg(outer, 1);
        reg(c, 10001);
        pkdm_rel_all();
        MFLST3(1);
        norak::fail_alloc_after(n, 2);
        i32 st = 0;
        pk_load_contours(0.0, st);
        norak::fail_alloc_after(0);
        if (st != 0) continue;
        ASSERT_EQ(lup_count, 2) << n;
        EXPECT_GT(row_area(1), 5000.0) << n;
        EXPECT_LT(row_area(2), -300.0) << n;
    }
}

TEST(ContourLoading, AnOpenContourIsFittedOnItsWayOutAndRetracedOnItsWayBack)
{
    // an open half circle of radius 20 stored there and back (level 3):
    // (20, 0) round to (-20, 0) in 2 degree chords and back the same way
    fresh();
    pkoff.seg_tol = 0.01;
    pk_tol = 0.01;
    reg(square(-100, -100, 200, true), 1);
    Loop c;
    for (i32 k = 0; k <= 90; ++k) c.pt(20.0 * std::cos(k * M_PI / 90.0), 20.0 * std::sin(k * M_PI / 90.0));
    for (i32 k = 89; k >= 0; --k) c.pt(20.0 * std::cos(k * M_PI / 90.0), 20.0 * std::sin(k * M_PI / 90.0));
    pokarr a = make(c);
    i32 st = 0, start = 0;
    lup_add(1, 10001, 0, 0, 0, 0.0, 3, a, start, st);
    pokarr_free(a);
    MFLST3(1);
    pk_load_contours(0.0, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(lup_count, 2);
    EXPECT_EQ(lup_row(2).level, 3);
    pokarr w;
    pokarr_init(2, w);
    lup_get_pokarr(2, w, st);
    ASSERT_EQ(w.count % 2, 1);
    const i32 m = (w.count - 1) / 2;  // the turning point
    EXPECT_LT(w.count, 40);
    EXPECT_NEAR(std::fabs(w.x[m]), 20.0, 1e-6);
    EXPECT_NEAR(w.x[0], w.x[w.count - 1], 1e-12);
    // the way back is the way out read backwards, each arc turned round
    i32 arcs = 0;
    for (i32 k = 0; k <= m; ++k) {
        const i32 j = w.count - 1 - k;
        if (pk_arc_at(w.x[k])) {
            ++arcs;
            // the head at k (marker, radius and direction, centre) ends at
            // k + 3; on the way back the same arc's head sits at j - 2 .. j
            ASSERT_TRUE(pk_arc_at(w.x[j - 2])) << k;
            EXPECT_NEAR(w.x[k + 1], 20.0, 0.01);
            EXPECT_EQ(w.x[j - 1], w.x[k + 1]);
            EXPECT_EQ(w.y[j - 1], -w.y[k + 1]);
            EXPECT_EQ(w.x[j], w.x[k + 2]);
            EXPECT_EQ(w.y[j], w.y[k + 2]);
            k += 2;
            continue;
        }
        EXPECT_EQ(w.x[k], w.x[j]) << k;
        EXPECT_EQ(w.y[k], w.y[j]) << k;
    }
    EXPECT_GE(arcs, 1);
    pokarr_free(w);
    EXPECT_EQ(pkdm_in_use(), 0);
}

TEST(ContourLoading, ASplitThatCannotGrowTheContourFailsTheFit)
{
    // a half-circle arc on a row of unit steps: the fit splits it, and at
    // the pool's kilobyte edges the split must grow the contour; any host
    // array refused on the way fails the load or leaves the contour whole
    for (const i32 w : {54, 55, 56, 57}) {
        const f64 want = 10.0 * w + M_PI * w * w / 8.0;
        bool failed = false;
        for (i32 n = 1; n <= 12; ++n) {
            fresh();
            pkoff.seg_tol = 0.001;
            pk_tol = 0.01;
            Loop c;
            for (i32 k = 0; k <= w; ++k) c.pt(k, 0);
            c.pt(w, 10).arc(0, 10, 0.5 * w, 10, 1).close();
            reg(c, 1);
            MFLST3(1);
            norak::fail_alloc_after(n, 2);
            i32 st = 0;
            pk_load_contours(0.0, st);
            norak::fail_alloc_after(0);
            if (st != 0) {
                failed = true;
                continue;
            }
            EXPECT_NEAR(row_area(1), want, 1e-6) << w << " refused at " << n;
        }
        EXPECT_TRUE(failed) << w;
    }
}
