// Containment, sides, island searches and nearest points of loops, against
// GEOS where it applies.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/host.h"
#include "cutter/prjbrg.h"
#include "cutter/projection.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "tests/pocket/common.h"

using namespace pk;

TEST(Containment, AgreesWithGeosAndAnswersTheBoundaryWithinTheTolerance)
{
    fresh();
    pokpar.side = 0.05;  // the tolerance: the smaller of 0.001 and side
    Geos g;
    std::mt19937 rng(17);
    std::uniform_real_distribution<f64> u(-12, 12);
    i32 on = 0, in = 0, out = 0;
    for (int k = 0; k < 40; ++k) {
        bool arcs = k % 2 == 1;
        pokarr a = make(random_star(rng, 5 + k % 9, 3, 10, arcs ? 0.5 : 0.0, 0.3));
        std::vector<P> d = dense(a, 1e-3, 1, 8);
        GEOSGeometry* poly = g.polygon(d);
        GEOSGeometry* ring = g.line(d);
        for (int m = 0; m < 100; ++m) {
            f64 x = u(rng), y = u(rng);
            if (m % 10 == 0) {  // a point near a vertex of the boundary
                const P& v = d[static_cast<size_t>(m) % d.size()];
                x = v.x + 0.0005 * std::cos(m);
                y = v.y + 0.0005 * std::sin(m);
            }
            GEOSGeometry* p = g.point(x, y);
            f64 dist = g.distance(p, ring);
            bool inside = GEOSContains_r(g.h, poly, p) == 1;
            i32 res = -1, st = 0;
            lup_inside(x, y, a, res, st);
            ASSERT_EQ(st, 0);
            // arcs are chorded within 0.001: a margin for them
            f64 band = arcs ? 0.0025 : 1e-9;
            if (dist < 0.001 - band) {
                EXPECT_EQ(res, 2) << k << " " << m;
                ++on;
            } else if (dist > 0.001 + band) {
                EXPECT_EQ(res, inside ? 1 : 0) << k << " " << m << " " << dist;
                inside ? ++in : ++out;
            }
            g.free(p);
        }
        g.free(poly);
        g.free(ring);
        pokarr_free(a);
    }
    EXPECT_GT(on, 10);
    EXPECT_GT(in, 500);
    EXPECT_GT(out, 500);
    // a point on a square's edge, inside, and the host's outside answer as 0
    pokarr sq = make(square(0, 0, 2));
    i32 r = -1, st = 0;
    lup_inside(2, 1, sq, r, st);
    EXPECT_EQ(r, 2);
    lup_inside(1, 1, sq, r, st);
    EXPECT_EQ(r, 1);
    lup_inside(3, 1, sq, r, st);
    EXPECT_EQ(r, 0);
    pokarr_free(sq);
    pkdm_rel_all();
}

TEST(Containment, ArcChordsStayWithinTheirLimits)
{
    f64 x[91], y[91];
    i32 n = 0;
    f64 t = M_PI / 180;
    lup_arc_chords(0.001, 10, 1, 0, 0, 10, 0, 10 * std::cos(t), 10 * std::sin(t), x, y, n);
    EXPECT_EQ(n, 4);  // three chords and the end
    lup_arc_chords(0.001, 1000, 1, 0, 0, 1000, 0, 1000 * std::cos(-t), 1000 * std::sin(-t), x, y, n);
    EXPECT_EQ(n, 91);  // 359 degrees: at most 90 chords
    EXPECT_EQ(x[90], 1000 * std::cos(-t));
    // every chord of a moderate arc deviates at most the tolerance
    lup_arc_chords(0.001, 5, -1, 0, 0, 5, 0, 0, -5, x, y, n);
    for (i32 k = 0; k + 1 < n; ++k) {
        f64 mx = (x[k] + x[k + 1]) / 2, my = (y[k] + y[k + 1]) / 2;
        EXPECT_LE(5 - std::hypot(mx, my), 0.001 + 1e-12);
        EXPECT_NEAR(std::hypot(x[k], y[k]), 5.0, 1e-12);
    }
    EXPECT_LT(y[1], 0.0);  // clockwise
    // a radius below half the tolerance: no arc cosine of less than -1
    lup_arc_chords(0.001, 0.0004, 1, 0, 0, 0.0004, 0, -0.0004, 0, x, y, n);
    EXPECT_EQ(n, 4);
    for (i32 k = 0; k < n; ++k) EXPECT_TRUE(std::isfinite(x[k]) && std::isfinite(y[k]));
    f64 sw = 0;
    lup_arc_sweep(1, -1, 0, 0, 1, 0, 0, 1, sw);
    EXPECT_NEAR(sw, 1.5 * M_PI, 1e-6);
    lup_arc_sweep(1, 1, 0, 0, 1, 0, 1, 0, sw);
    EXPECT_EQ(sw, 0.0);
}

TEST(Containment, SidesAndIslandSearchesOfTheLoopTable)
{
    fresh();
    pokpar.side = 0.01;
    pokarr outer = make(square(0, 0, 10)), isl = make(square(4, 4, 2));
    Loop onb;
    onb.pt(4, 5).pt(5, 5.5).pt(5, 4.5).close();  // first point on the island's edge
    pokarr b = make(onb);
    i32 r = -1, st = 0;
    lup_side(isl, b, 1, 1.0, r, st);
    EXPECT_EQ(r, 1);  // the next point decides
    i32 start = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 1, outer, start, st);
    lup_add(1, 10001, 0, 0, 0, 0.0, 1, isl, start, st);
    pk_nisland = 1;
    lup_vs_islands(2, 0, -1, b, r, st);  // on the edge: on to the crossing test
    EXPECT_EQ(r, 2);
    EXPECT_EQ(st, 0);
    pokarr cross = make(square(5, 5, 3));
    lup_vs_islands(0, 0, -1, cross, r, st);
    EXPECT_EQ(r, 2);
    pokarr inner = make(square(4.5, 4.5, 1));
    lup_vs_islands(1, 0, -1, inner, r, st);
    EXPECT_EQ(r, 1);
    lup_vs_islands(1, 10001, -1, inner, r, st);  // the island passed over
    EXPECT_EQ(r, 0);
    lup_vs_loops3d(inner, 1, 0, r, st);
    EXPECT_EQ(r, 1);
    lup_vs_loops3d(cross, 1, 0, r, st);
    EXPECT_EQ(r, 2);
    lup_vs_comlup(inner, 1, 0, r, st);
    EXPECT_EQ(r, 1);
    i32 stop = -1;
    pokarr small = make(square(1, 1, 1));
    lup_vs_loops(1, small, stop, st);
    EXPECT_EQ(stop, 1);
    pokarr far = make(square(20, 20, 1));
    lup_vs_loops(1, far, stop, st);
    EXPECT_EQ(stop, 0);
    pokarr lane = make(square(1, 1, 1));
    i32 row = -1;
    lane_cross_find(0, 0, lane, nullptr, row, st);
    EXPECT_EQ(st, 0);  // the lane crossing test finds none yet
    for (pokarr* p : {&outer, &isl, &b, &cross, &inner, &small, &far, &lane}) pokarr_free(*p);
    POKREL(1, st);
    pkdm_rel_all();
}

TEST(Containment, TheLoopNearestTheStartPointBecomesTheFirst)
{
    fresh();
    pokarr a = make(square(0, 0, 2)), b = make(square(10, 0, 2)), c = make(square(20, 0, 2));
    i32 start = 0, st = 0;
    lup_add(1, 5, 0, 0, 0, 0.0, 1, a, start, st);
    lup_add(1, 6, 0, 0, 0, 0.0, 1, b, start, st);
    lup_add(1, 1, 0, 0, 0, 0.0, 1, c, start, st);  // the first contour's loop, last of the rows
    // the start point (in part coordinates) lies beside the second loop
    pokorigin[0] = 100.0;
    pkoff.start[0] = 100.0 + 12.5;
    pkoff.start[1] = -0.5;
    lup_pick_first(1, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lup_row(2).key, 1);
    EXPECT_EQ(lup_row(3).key, 6);
    EXPECT_EQ(lup_row(1).key, 5);
    // rows without the first contour's loop: nothing changes
    lup_pick_first(1, 1, st);
    lup_row(2).key = 7;
    lup_pick_first(1, 2, st);
    EXPECT_EQ(lup_row(1).key, 5);
    EXPECT_EQ(lup_row(2).key, 7);
    pokorigin[0] = 0.0;
    for (pokarr* p : {&a, &b, &c}) pokarr_free(*p);
    POKREL(1, st);
    pkdm_rel_all();
}

TEST(NearestPoints, AgreeWithGeosWithTheTieRuleAndFeetOnTheirSegments)
{
    fresh();
    Geos g;
    std::mt19937 rng(23);
    std::uniform_real_distribution<f64> u(-12, 12);
    for (int k = 0; k < 60; ++k) {
        pokarr a = make(random_loop(rng, 5 + k % 9, 10.0, 0.0));
        GEOSGeometry* line = g.line(dense(a));
        for (int m = 0; m < 100; ++m) {
            f64 x = u(rng), y = u(rng);
            i32 seg = 0;
            f64 t = 0, fx = 0, fy = 0, d = 0;
            pk_near_point(x, y, a.x, a.y, a.count, seg, t, fx, fy, d);
            GEOSGeometry* p = g.point(x, y);
            EXPECT_NEAR(d, g.distance(p, line), 1e-6) << k;
            g.free(p);
            ASSERT_GE(seg, 1);
            f64 sd = 0, sx = 0, sy = 0;
            pk_dist_seg(1, fx, fy, a.x[seg - 1], a.y[seg - 1], a.x[seg], a.y[seg], sd, sx, sy);
            EXPECT_LT(sd, 1e-9);
            EXPECT_NEAR(std::hypot(fx - x, fy - y), d, 1e-9);
        }
        g.free(line);
        pokarr_free(a);
    }
    // a point equidistant from two segments lies on the later one
    pokarr sq = make(square(0, 0, 2));
    i32 seg = 0;
    f64 t = 0, fx = 0, fy = 0, d = 0;
    pk_near_point(1, 1, sq.x, sq.y, sq.count, seg, t, fx, fy, d);
    EXPECT_EQ(seg, 4);
    EXPECT_EQ(d, 1.0);
    // asking again with the answer gives the next nearest point
    i32 s2 = seg;
    f64 t2 = t, x2 = fx, y2 = fy, d2 = d;
    pk_near_point(1, 1, sq.x, sq.y, sq.count, s2, t2, x2, y2, d2);
    EXPECT_EQ(s2, 3);
    EXPECT_EQ(d2, 1.0);
    // no other point as near: the same answer
    const f64 lx[3] = {0, 4, 8}, ly[3] = {0, 0, 3};
    seg = 0;
    pk_near_point(1, -1, lx, ly, 3, seg, t, fx, fy, d);
    EXPECT_EQ(seg, 1);
    s2 = seg;
    t2 = t;
    d2 = d;
    pk_near_point(1, -1, lx, ly, 3, s2, t2, x2, y2, d2);
    EXPECT_EQ(s2, seg);
    EXPECT_EQ(d2, d);
    // the same on a pocket array, and the farthest vertex
    const f64 p[3] = {1, 1, 0};
    f64 foot[3];
    seg = -1;
    pk_seg_locate(2, p, sq, seg, t, foot, d);
    EXPECT_EQ(seg, 4);
    i32 v = 0;
    const f64 q[3] = {-1, -1, 0};
    pk_far_vertex(2, q, sq, v, t, foot, d);
    EXPECT_EQ(v, 2);
    EXPECT_NEAR(d, std::sqrt(18.0), 1e-12);
    pokarr_free(sq);
    pkdm_rel_all();
}

TEST(NearestPoints, ArcFeetLieOnTheArc)
{
    std::mt19937 rng(31);
    std::uniform_real_distribution<f64> u(-5, 5), ang(0, 2 * M_PI), sw(0.1, 3.0);
    for (int k = 0; k < 500; ++k) {
        f64 a0 = ang(rng), s = sw(rng), r = 2.0;
        i32 dir = k % 2 ? 1 : -1;
        Loop l;
        l.pt(r * std::cos(a0), r * std::sin(a0)).arc(r * std::cos(a0 + dir * s), r * std::sin(a0 + dir * s), 0, 0, dir);
        f64 px = u(rng), py = u(rng);
        i32 seg = 0;
        f64 t = 0, fx = 0, fy = 0, d = 0;
        pk_near_point(px, py, l.x.data(), l.y.data(), l.n(), seg, t, fx, fy, d);
        ASSERT_EQ(seg, 1);
        EXPECT_NEAR(std::hypot(fx, fy), r, 1e-9);
        i32 code = 0;
        pk_pnt_on_arc(0, 0, r, dir, l.x[0], l.y[0], l.x[4], l.y[4], fx, fy, code);
        EXPECT_NE(code, 0);
        // the brute-force nearest point of the arc
        f64 best = 1e9;
        for (int m = 0; m <= 20000; ++m) {
            f64 a = a0 + dir * s * m / 20000.0;
            best = std::min(best, std::hypot(px - r * std::cos(a), py - r * std::sin(a)));
        }
        EXPECT_NEAR(d, best, 1e-6) << k;
        if (k % 10 != 0) continue;
        // the arc lifted to height 2, the point at height 5: the same foot
        // in plan at the arc's height, named by the arc's marker
        pokarr a2 = make(l), a3;
        pokarr_init(3, a3);
        i32 st = 0;
        pokarr_copy(a2, a3, st);
        ASSERT_EQ(st, 0);
        for (i32 m = 0; m < a3.count; ++m) a3.z[m] = 2.0;
        const f64 q[3] = {px, py, 5.0};
        f64 foot[3] = {0, 0, 0}, d3 = 0;
        seg = 0;
        pk_seg_locate(3, q, a3, seg, t, foot, d3);
        EXPECT_EQ(seg, 1) << k;
        EXPECT_NEAR(std::hypot(foot[0], foot[1]), r, 1e-9) << k;
        EXPECT_EQ(foot[2], 2.0) << k;
        EXPECT_NEAR(d3, std::hypot(best, 3.0), 1e-6) << k;
        pokarr_free(a2);
        pokarr_free(a3);
    }
}

TEST(NearestPoints, StartSegmentMovesOffASharpCorner)
{
    fresh();
    // a thin triangle: the corner at (10, 0) turns by about 160 degrees
    Loop l;
    l.pt(0, 0).pt(10, 0).pt(0, 3.5).close();
    pokorigin[0] = 100.0;
    pokorigin[1] = 50.0;
    pkoff.start[0] = 110.0;
    pkoff.start[1] = 50.0;
    i32 seg = 0, st = 0;
    f64 t = 0, fx = 0, fy = 0;
    EXPECT_EQ(lup_corner_kind(l.x.data(), l.y.data(), l.n(), 1, 5.0), 2);
    lup_nearest_seg(5.0, l.x.data(), l.y.data(), l.n(), seg, t, fx, fy, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(seg, 2);
    EXPECT_EQ(t, 0.2);
    EXPECT_NEAR(fx, 100.0 + 8.0, 1e-12);
    EXPECT_NEAR(fy, 50.0 + 0.7, 1e-12);
    // a square's corner gives one offset point: the foot stays
    Loop s = square(0, 0, 4);
    pkoff.start[0] = 104.0;
    pkoff.start[1] = 50.0;
    EXPECT_EQ(lup_corner_kind(s.x.data(), s.y.data(), s.n(), 1, 1.0), 1);
    // a vertex outside the list is no corner (nothing past the list is read)
    for (i32 v : {-1, s.n(), s.n() + 3}) EXPECT_EQ(lup_corner_kind(s.x.data(), s.y.data(), s.n(), v, 1.0), 1) << v;
    lup_nearest_seg(1.0, s.x.data(), s.y.data(), s.n(), seg, t, fx, fy, st);
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(fx, 104.0);
    const f64 one[1] = {0};
    lup_nearest_seg(1.0, one, one, 1, seg, t, fx, fy, st);
    EXPECT_EQ(st, 9);
}

TEST(NearestPoints, DistancesBetweenLoops)
{
    fresh();
    Geos g;
    std::mt19937 rng(41);
    for (int k = 0; k < 40; ++k) {
        Loop la = random_star(rng, 6 + k % 5, 2, 4), lb = random_star(rng, 5 + k % 4, 1, 2);
        for (f64& x : lb.x) x += 9.0;
        pokarr a = make(la), b = make(lb);
        GEOSGeometry *ga = g.line(dense(a)), *gb = g.line(dense(b));
        i32 seg = 0, word = 1, sa = 0, sb = 0, kind = -1, flag = 0;
        f64 t = 0, fx = 0, fy = 0, d = 0, ta = 0, tb = 0, pt[3];
        lup_min_dist(20.0, b.x, b.y, b.count, a.x, a.y, a.count, seg, t, fx, fy, d, word);
        f64 vmin = 1e9, vmax = -1;
        for (i32 m = 0; m + 1 < b.count; ++m) {
            GEOSGeometry* p = g.point(b.x[m], b.y[m]);
            f64 dd = g.distance(p, ga);
            vmin = std::min(vmin, dd);
            vmax = std::max(vmax, dd);
            g.free(p);
        }
        EXPECT_NEAR(d, vmin, 1e-9) << k;
        EXPECT_EQ(word, 0);
        pk_nearest_pair(20.0, a, 1, a.count - 1, b, 1, b.count - 1, sa, ta, sb, tb, d, pt, kind);
        EXPECT_NEAR(d, g.distance(ga, gb), 1e-9) << k;
        EXPECT_GE(kind, 0);
        oneoff_max_dist(a.x, a.y, a.count, b.x, b.y, b.count, 1e9, d, flag);
        EXPECT_NEAR(d, vmax, 1e-9);
        EXPECT_EQ(flag, 0);
        oneoff_max_dist(a.x, a.y, a.count, b.x, b.y, b.count, vmin + 0.001, d, flag);
        EXPECT_EQ(flag, 1);
        g.free(ga);
        g.free(gb);
        pokarr_free(a);
        pokarr_free(b);
    }
    // loops with arcs, against fine chords of them
    for (int k = 0; k < 8; ++k) {
        Loop la = random_star(rng, 6, 2, 4, 0.5), lb = random_star(rng, 5, 1, 2, 0.5);
        pokarr a = make(la), b = make(lb);
        for (i32 m = 0; m < b.count; ++m) {  // B moved along x: points and centres
            if (pk_arc_at(b.x[m])) ++m;  // the marker, then the radius entry
            else b.x[m] += 8.0;
        }
        GEOSGeometry *ga = g.line(dense(a, 2e-4)), *gb = g.line(dense(b, 2e-4));
        i32 sa = 0, sb = 0, kind = -1;
        f64 ta = 0, tb = 0, d = 0, pt[3];
        pk_nearest_pair(20.0, a, 1, a.count - 1, b, 1, b.count - 1, sa, ta, sb, tb, d, pt, kind);
        EXPECT_NEAR(d, g.distance(ga, gb), 1e-6) << k;
        g.free(ga);
        g.free(gb);
        pokarr_free(a);
        pokarr_free(b);
    }
    pkdm_rel_all();
}

namespace {

// A projection library that is only there: the surface algorithm counts
// as running while its use is on.
class ThereLib : public ProjectionLibrary {
public:
    int available() override { return 1; }
    void prepare(int) override {}
    int vertical(int, const float*, PrjVert&) override { return 1; }
    int diagonal(int, const float*, const float*, PrjDiag&) override { return 1; }
    void segment(int, const float*, const float*, PrjSegResult& r) override { r.pieces.clear(); }
    int lane(int, float, const float*, const float*, int, std::vector<float>&) override { return 1; }
};

}  // namespace

TEST(Containment, TheSearchesOverTheTableFailOnAMissingRowAndTakeTheRowsTheyName)
{
    fresh();
    pokpar.side = 0.01;
    pokarr outer = make(square(0, 0, 10)), i1 = make(square(1, 1, 2)), i2 = make(square(5, 5, 3));
    i32 start = 0, st = 0, r = -1;
    lup_add(1, 1, 0, 0, 0, 0.0, 1, outer, start, st);
    lup_add(1, 10001, 0, 0, 0, 0.0, 1, i1, start, st);
    lup_add(1, 10002, 0, 0, 0, 0.0, 1, i2, start, st);
    pk_nisland = 2;
    // a loop inside the second island: the side is taken against that
    // island (row 3), not the row before it
    pokarr in2 = make(square(6, 6, 1));
    lup_vs_comlup(in2, 0, 0, r, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(r, 1);
    // with its own row the loop's box only touching an island's box is
    // still tested: the loop lies on the island's edge and crosses it
    pokarr touching = make(square(8, 6, 1));
    lup_add(1, 5, 0, 0, 0, 0.0, 1, touching, start, st);
    lup_vs_islands(0, 0, lup_count, touching, r, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(r, 2);
    // an outer contour of kind 2: a new loop crossing it stops the offsets (2)
    pk_set_cnt_kind(1, 2);
    pokarr across = make(square(8, 8, 4));
    i32 stop = -1;
    lup_vs_loops(1, across, stop, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stop, 2);
    pk_set_cnt_kind(1, 1);
    // a lane across the first island's row twice is reported even for row a;
    // once it is passed over for row a
    Loop twice, once;
    twice.pt(0.5, 2).pt(3.5, 2);
    once.pt(2, 2).pt(3.5, 2);
    pokarr l2 = make(twice), l1 = make(once);
    i32 row = -1;
    lane_cross_find(2, 0, l2, nullptr, row, st);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(st, 2);
    lane_cross_find(2, 0, l1, nullptr, row, st);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(st, 0);
    // with the surface algorithm running, the rows that end a loop stand for
    // their live parents: the second island, which no such row names, is
    // not searched
    lup_add_ref(2, 10001, 2, st);
    Loop into2;
    into2.pt(4, 6).pt(6, 6);
    pokarr l3 = make(into2);
    lane_cross_find(0, 0, l3, nullptr, row, st);
    EXPECT_EQ(row, 3);
    ThereLib lib;
    prj_set_library(&lib);
    prj_set_avail(1);
    prj_set_use(1);
    lane_cross_find(0, 0, l3, nullptr, row, st);
    EXPECT_EQ(row, 0);
    lane_cross_find(0, 0, l1, nullptr, row, st);
    prj_set_library(nullptr);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(st, 1);
    pokarr_free(l3);
    // islands taken by their rows (modes 1 and 2): a row that cannot be
    // loaded is a failure
    lup_row(4).start = 1000000;
    for (i32 mode : {1, 2}) {
        lup_vs_islands(mode, 0, -1, in2, r, st);
        EXPECT_EQ(st, 11) << mode;
    }
    for (pokarr* p : {&outer, &i1, &i2, &in2, &touching, &across, &l2, &l1}) pokarr_free(*p);
    POKREL(1, st);
    pkdm_rel_all();
}

TEST(NearestPoints, OnTheSurfacesTheNearestPairIsMeasuredInSpace)
{
    fresh();
    // two loops one above the other: 3 apart in space, touching in plan
    Loop l = square(0, 0, 2);
    pokarr a = make(l, 3), b = make(l, 3);
    for (i32 k = 0; k < b.count; ++k) b.z[k] = 3.0;
    i32 sa = 0, sb = 0, kind = -1;
    f64 ta = 0, tb = 0, d = 0, pt[3] = {0, 0, -1};
    pk_nearest_pair(2.0, a, 1, a.count - 1, b, 1, b.count - 1, sa, ta, sb, tb, d, pt, kind);
    EXPECT_NEAR(d, 3.0, 1e-12);
    EXPECT_EQ(pt[2], 0.0);
    EXPECT_GE(kind, 0);
    // a point with itself is 0 without a grid to walk
    map_grid_clear();
    const f64 p[3] = {1, 2, 3};
    f64 len = -1.0;
    EXPECT_EQ(pk_surf_dist(p, p, len), 0);
    EXPECT_EQ(len, 0.0);
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}
