// Segment geometry, arc conditioning, areas with arcs, boxes and the restart
// of a loop at a point.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pocket/pkgeom.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// A loop of random points joined by arcs of any sweep (a half turn or more
// included) and lines.
Loop wild_loop(std::mt19937& g, i32 n)
{
    std::uniform_real_distribution<f64> u(-10, 10), f(0, 1), sw(0.2, 6.0);
    Loop l;
    l.pt(u(g), u(g));
    f64 x0 = l.x[0], y0 = l.y[0];
    for (i32 k = 1; k <= n; ++k) {
        f64 qx = k == n ? x0 : u(g), qy = k == n ? y0 : u(g);
        f64 px = l.x.back(), py = l.y.back(), d = std::hypot(qx - px, qy - py);
        if (f(g) < 0.5) {
            f64 th = sw(g);
            i32 dir = f(g) < 0.5 ? 1 : -1;
            f64 r = d / (2.0 * std::sin(th / 2.0));
            f64 h = r * std::cos(th / 2.0), nx = -(qy - py) / d, ny = (qx - px) / d;
            l.arc(qx, qy, (px + qx) / 2 + dir * h * nx, (py + qy) / 2 + dir * h * ny, dir);
        } else {
            l.pt(qx, qy);
        }
    }
    return l;
}

}  // namespace

TEST(ArcGeometry, AreaWithArcsAgreesWithADenseShoelace)
{
    fresh();
    std::mt19937 g(3);
    for (int k = 0; k < 100; ++k) {
        Loop l = wild_loop(g, 3 + k % 6);
        pokarr a = make(l);
        f64 area = signed_area(a);
        // chords of h and h / 2, extrapolated (the chord error goes as h^2)
        long double s1 = shoelace(dense(a, 1e-3, 1)), s2 = shoelace(dense(a, 1e-3, 2));
        long double ref = (4.0L * s2 - s1) / 3.0L;
        f64 scale = std::max(1.0, std::fabs((f64)ref));
        EXPECT_NEAR(area, (f64)ref, 1e-9 * scale) << k;
        pokarr_free(a);
    }
    // a quarter circle closed through the centre
    Loop q;
    q.pt(1, 0).arc(0, 1, 0, 0, 1).pt(0, 0).close();
    pokarr a = make(q);
    pokarr_area(a);
    EXPECT_NEAR(a.area, M_PI / 4, 1e-15);
    EXPECT_EQ(a.direction, 1);
    // cached until the direction word is cleared
    a.x[2] = 2.0;
    pokarr_area(a);
    EXPECT_NEAR(a.area, M_PI / 4, 1e-15);
    a.direction = 0;
    pokarr_area(a);
    EXPECT_GT(a.area, 1.0);
    pokarr_free(a);
    // a null arc whose end lies a round-off hair behind its start, either
    // way round, in a unit square: it adds nothing, not a full circle
    for (i32 dir : {1, -1}) {
        for (f64 eps : {1e-12, 1e-9, 1e-7}) {
            Loop n;
            const f64 th = M_PI - dir * eps;
            n.pt(0, 0).pt(1, 0).arc(1.5 + 0.5 * std::cos(th), 0.5 * std::sin(th), 1.5, 0, dir).pt(1, 1).pt(0, 1).close();
            pokarr b = make(n);
            pokarr_area(b);
            EXPECT_NEAR(b.area, 1.0, 1e-6) << dir << " " << eps;
            EXPECT_EQ(b.direction, 1) << dir << " " << eps;
            pokarr_free(b);
        }
    }
    pkdm_rel_all();
}

TEST(ArcGeometry, LengthsPointsAndFractionsFollowTheArcsOwnSweep)
{
    fresh();
    // three quarters of a turn counter-clockwise from (1, 0) to (0, -1)
    Loop l;
    l.pt(1, 0).arc(0, -1, 0, 0, 1).pt(1, 0);
    pokarr a = make(l), lens;
    pokarr_init(1, lens);
    f64 total = 0;
    i32 st = 0;
    pokarr_seg_lengths(0, a, &lens, total, st);
    EXPECT_NEAR(lens.x[0], 1.5 * M_PI, 1e-12);
    EXPECT_EQ(lens.count, 5);
    EXPECT_EQ(lens.x[1], 0.0);
    EXPECT_NEAR(total, 1.5 * M_PI + std::sqrt(2.0), 1e-12);
    f64 x = 0, y = 0;
    pk_arc_point(1, 1, 0, 0, 1, 0, 0, -1, 0.0, x, y);
    EXPECT_NEAR(x, 1.0, 1e-12);
    pk_arc_point(1, 1, 0, 0, 1, 0, 0, -1, 1.0, x, y);
    EXPECT_NEAR(y, -1.0, 1e-12);
    pk_arc_point(1, 1, 0, 0, 1, 0, 0, -1, 0.5, x, y);
    EXPECT_NEAR(x, -std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(y, std::sqrt(0.5), 1e-9);
    f64 f1 = 0, f2 = 0;
    const f64 c[2] = {0, 0}, s[2] = {1, 0}, e[2] = {0, -1}, p1[2] = {-1, 0}, p2[2] = {0, 1};
    pk_arc_frac(1, 1, c, s, e, p1, f1);
    pk_arc_frac(1, 1, c, s, e, p2, f2);
    EXPECT_NEAR(f1, 2.0 / 3.0, 1e-12);
    EXPECT_NEAR(f2, 1.0 / 3.0, 1e-12);
    // a half turn is pi r long
    Loop h;
    h.pt(1, 0).arc(-1, 0, 0, 0, 1);
    pokarr b = make(h);
    pokarr_seg_lengths(2, b, nullptr, total, st);
    EXPECT_NEAR(total, M_PI, 1e-12);
    // a null arc whose end lies a round-off hair behind its start, either
    // way round, is as long as none
    for (i32 dir : {1, -1}) {
        Loop z;
        z.pt(1, 0).arc(std::cos(1e-9), -dir * std::sin(1e-9), 0, 0, dir);
        pokarr zb = make(z);
        pokarr_seg_lengths(0, zb, nullptr, total, st);
        EXPECT_LT(total, 1e-6) << dir;
        pokarr_free(zb);
    }
    // points at a parameter: a straight segment too short to split gives its middle
    pk_lin_point(0, 0, 1e-7, 0, 0.3, x, y);
    EXPECT_EQ(x, 5e-8);
    pk_lin_point(0, 0, 4, 0, 0.25, x, y);
    EXPECT_EQ(x, 1.0);
    // the range on an arc; a degenerate arc has no sweep to divide by
    f64 t = 0;
    pk_arc_range(1, -1, 0, 0, 1, 0, 0, -1, std::sqrt(0.5), -std::sqrt(0.5), t);
    EXPECT_NEAR(t, 0.5, 1e-12);
    pk_arc_range(1, 1, 0, 0, 1, 0, 1, 0, 0, 1, t);
    EXPECT_EQ(t, 0.0);
    f64 d = 0, fx = 0, fy = 0;
    pk_pnt_arc(1, 0, 0, 2, 1, 0, 0, 2, 0, 0, 2, d, fx, fy, t);
    EXPECT_EQ(d, 2.0);
    EXPECT_EQ(t, 99.0);
    pk_pnt_arc(2, 3, -3, 1, 1, 0, 0, 1, 0, 0, 1, d, fx, fy, t);  // off the arc: the nearer end
    EXPECT_EQ(fx, 1.0);
    EXPECT_EQ(t, 0.0);
    // parameters along segments, degenerate ones included
    pk_lin_int(0, 0, 0, 0, 0, 0, t);
    EXPECT_EQ(t, 0.0);
    pk_lin_int(0, 0, 0, 0, 1, 1, t);
    EXPECT_EQ(t, 1.5);
    pk_lin_int(0, 0, 2, 8, 1, 4, t);
    EXPECT_EQ(t, 0.5);
    const f64 A[3] = {0, 0, 0}, B[3] = {1, 2, 8}, Pm[3] = {0.5, 1, 4};
    pk_max_axis(3, A, B, Pm, t);
    EXPECT_EQ(t, 0.5);
    // ends closer than 1e-6 on every axis: 0 when the point lies between, else 1.5
    const f64 B2[3] = {5e-7, 0, 0}, Pin[3] = {2.5e-7, 0, 0}, Pout[3] = {1e-6, 0, 0};
    pk_max_axis(3, A, B2, Pin, t);
    EXPECT_EQ(t, 0.0);
    pk_max_axis(3, A, B2, Pout, t);
    EXPECT_EQ(t, 1.5);
    pokarr_free(a);
    pokarr_free(b);
    pokarr_free(lens);
    pkdm_rel_all();
}

TEST(ArcGeometry, ArcBoxesTakeTheBulge)
{
    f64 b[4];
    pk_arc_box(0, 0, 1, 1, 1, 0, 0, 1, b[0], b[1], b[2], b[3]);
    EXPECT_EQ(b[0], 0.0);
    EXPECT_EQ(b[1], 0.0);
    EXPECT_EQ(b[2], 1.0);
    EXPECT_EQ(b[3], 1.0);
    pk_arc_box(0, 0, 1, -1, 1, 0, 0, 1, b[0], b[1], b[2], b[3]);
    EXPECT_EQ(b[0], -1.0);
    EXPECT_EQ(b[1], -1.0);
    EXPECT_EQ(b[2], 1.0);
    EXPECT_EQ(b[3], 1.0);
    // both ends in one quadrant, the arc running almost the whole way round
    f64 s = std::sqrt(0.5);
    pk_arc_box(0, 0, 1, 1, s, s, 0.9, std::sqrt(1 - 0.81), b[0], b[1], b[2], b[3]);
    EXPECT_EQ(b[0], -1.0);
    EXPECT_EQ(b[1], -1.0);
    EXPECT_EQ(b[2], 1.0);
    EXPECT_EQ(b[3], 1.0);
    pk_arc_box(0, 0, 1, 1, 0.9, std::sqrt(1 - 0.81), s, s, b[0], b[1], b[2], b[3]);
    EXPECT_EQ(b[2], 0.9);
    fresh();
    Loop l;
    l.pt(1, 0).arc(-1, 0, 0, 0, 1).pt(1, 0);
    pokarr a = make(l);
    f64 xl, yl, xh, yh;
    pk_arr_box(a, xl, yl, xh, yh);
    EXPECT_EQ(yh, 1.0);
    EXPECT_EQ(yl, 0.0);
    EXPECT_EQ(pk_box_ovl2(0, 0, 1, 1, 1, 1, 2, 2), 1);
    EXPECT_EQ(pk_box_ovl2(0, 0, 1, 1, 1.1, 1, 2, 2), 0);
    const f64 lo1[2] = {0, 0}, hi1[2] = {1, 1}, lo2[2] = {1.5, 0}, hi2[2] = {2, 1};
    EXPECT_EQ(pk_box_ovln(2, 0.6, lo1, hi1, lo2, hi2), 1);
    EXPECT_EQ(pk_box_ovln(2, 0.4, lo1, hi1, lo2, hi2), 0);
    pokarr_free(a);
    pkdm_rel_all();
}

TEST(ArcConditioning, HalfTurnsAreSplitFlatArcsStraightenedShortArcsPointed)
{
    fresh();
    i32 st = 0;
    Loop h;
    h.pt(1, 0).arc(-1, 0, 0, 0, 1).pt(1, 0);
    pokarr a = make(h);
    pk_split_arcs(a, st);
    ASSERT_EQ(a.count, 10);
    EXPECT_NEAR(a.x[4], 0.0, 1e-15);
    EXPECT_NEAR(a.y[4], 1.0, 1e-15);
    EXPECT_EQ(a.x[8], -1.0);
    Loop tq;
    tq.pt(1, 0).arc(0, -1, 0, 0, 1).pt(1, 0);  // three quarters: three quarter arcs
    pokarr b = make(tq);
    pk_split_arcs(b, st);
    EXPECT_EQ(b.count, 14);
    i32 arcs = 0;
    for (i32 k = 0; k < b.count; ++k) arcs += pk_arc_at(b.x[k]);
    EXPECT_EQ(arcs, 3);
    // about 178 degrees (s = 0.03, c = -0.995) is split, s = 0.04 is not
    auto with = [](f64 s) {
        f64 c = -std::sqrt(1 - s * s);
        Loop l;
        l.pt(1, 0).arc(c, s, 0, 0, 1).pt(1, 0);
        return make(l);
    };
    pokarr c1 = with(0.03), c2 = with(0.04);
    pk_split_arcs(c1, st);
    pk_split_arcs(c2, st);
    EXPECT_EQ(c1.count, 10);
    EXPECT_EQ(c2.count, 6);
    // an array that cannot grow: the split fails and the arc stays whole
    {
        f64 hx[6], hy[6];
        for (i32 k = 0; k < 6; ++k) {
            hx[k] = h.x[static_cast<size_t>(k)];
            hy[k] = h.y[static_cast<size_t>(k)];
        }
        pokarr fix;
        pokarr_init_static(2, hx, hy, nullptr, nullptr, 6, fix, 6);
        pk_split_arcs(fix, st);
        EXPECT_NE(st, 0);
        ASSERT_EQ(fix.count, 6);
        for (i32 k = 0; k < 6; ++k) {
            EXPECT_EQ(hx[k], h.x[static_cast<size_t>(k)]) << k;
            EXPECT_EQ(hy[k], h.y[static_cast<size_t>(k)]) << k;
        }
    }
    // radius 100: 0.2 degrees become a straight segment, 0.3 degrees stay
    auto flat = [](f64 deg, i32 dir) {
        f64 t = deg * M_PI / 180;
        Loop l;
        l.pt(0, 0).pt(100, 0).arc(100 * std::cos(dir * t), 100 * std::sin(dir * t), 0, 0, dir).pt(50, 50).close();
        return make(l);
    };
    pokarr f1 = flat(0.2, 1), f2 = flat(0.3, 1);
    pk_flat_arcs(f1);
    pk_flat_arcs(f2);
    EXPECT_EQ(f1.count, 5);
    EXPECT_EQ(f2.count, 8);
    // an arc block cut short by the array's end (its end point missing) is
    // no arc: left as it is
    pokarr f5 = flat(0.2, 1);
    f5.count = 5;
    pk_flat_arcs(f5);
    EXPECT_EQ(f5.count, 5);
    EXPECT_TRUE(pk_arc_at(f5.x[2]));
    pokarr_free(f5);
    // an arc near a full turn has the same end radii but is no flat arc
    pokarr f3 = flat(359.8, 1);
    pk_flat_arcs(f3);
    EXPECT_EQ(f3.count, 8);
    // one whose end lies a hair behind its start is a null arc: flat
    for (const i32 dir : {1, -1}) {
        pokarr f4 = flat(-1e-7, dir);
        pk_flat_arcs(f4);
        EXPECT_EQ(f4.count, 5) << dir;
        pokarr_free(f4);
    }
    // the pocket radius 5 makes L = 0.1: a chord below about 0.0316 is short
    pk_radius = 5.0;
    Loop s;
    s.pt(1, 0).arc(std::cos(0.03), std::sin(0.03), 0, 0, 1).pt(0, 0).close();
    pokarr p = make(s);
    pk_arc_to_pts(p);
    EXPECT_EQ(p.count, 7);
    for (i32 k = 1; k <= 3; ++k) EXPECT_NEAR(std::hypot(p.x[k], p.y[k]), 1.0, 1e-12);
    EXPECT_GT(p.y[2], p.y[1]);
    // a chord of 0.035 is not short: the arc stays
    Loop s2;
    s2.pt(1, 0).arc(std::cos(0.035), std::sin(0.035), 0, 0, 1).pt(0, 0).close();
    pokarr p2 = make(s2);
    pk_arc_to_pts(p2);
    EXPECT_TRUE(pk_arc_at(p2.x[1]));
    // an arc whose end lies a hair behind its start is a null arc: its three
    // points stay at its ends, no circle is drawn round
    Loop s3;
    s3.pt(5, 0).arc(5 * std::cos(-1e-8), 5 * std::sin(-1e-8), 0, 0, 1).pt(0, 0).close();
    pokarr p3 = make(s3);
    pk_arc_to_pts(p3);
    for (i32 k = 1; k <= 3; ++k) EXPECT_LT(std::hypot(p3.x[k] - 5, p3.y[k]), 1e-6) << k;
    for (pokarr* q : {&a, &b, &c1, &c2, &f1, &f2, &f3, &p, &p2, &p3}) pokarr_free(*q);
    pkdm_rel_all();
}

TEST(ArcConditioning, ArcsOfOneCircleMergeBelowTheCosineLimit)
{
    fresh();
    f64 s = std::sqrt(0.5);
    Loop l;
    l.pt(1, 0).arc(s, s, 0, 0, 1).arc(0, 1, 0, 0, 1).pt(0, 0).close();
    // a plane array merges alike in any pocket dimension mode
    for (const i32 dim : {3, 4}) {
        pokdim = dim;
        pokarr d = make(l);
        pk_merge_arcs(d);
        EXPECT_EQ(d.count, 7) << dim;
        pokarr_free(d);
    }
    pokdim = 2;
    pokarr a = make(l);
    pk_merge_arcs(a);
    ASSERT_EQ(a.count, 7);
    EXPECT_EQ(a.x[4], 0.0);
    EXPECT_EQ(a.y[4], 1.0);
    Loop h;
    h.pt(1, 0).arc(0, 1, 0, 0, 1).arc(-1, 0, 0, 0, 1).pt(1, 0);
    pokarr b = make(h);
    pk_merge_arcs(b);
    EXPECT_EQ(b.count, 10);
    // two arcs of 80 degrees: merged they would open to a cosine below -0.9
    const f64 r80 = 80 * M_PI / 180;
    Loop e;
    e.pt(1, 0).arc(std::cos(r80), std::sin(r80), 0, 0, 1).arc(std::cos(2 * r80), std::sin(2 * r80), 0, 0, 1).pt(0, 0).close();
    pokarr c = make(e);
    pk_merge_arcs(c);
    EXPECT_EQ(c.count, 11);
    pokarr_free(c);
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}

TEST(SegmentGeometry, ComparisonsReversalAndPointsAtAParameter)
{
    const f64 a[3] = {0, 0, 0}, b[3] = {9.9e-7, 0, 0}, c[3] = {1.1e-6, 0, 0}, d[3] = {0, 0, 2e-6};
    EXPECT_EQ(pk_eqpt2(a, b), 1);
    EXPECT_EQ(pk_eqpt2(a, c), 0);
    EXPECT_EQ(pk_eqpt3(a, d), 0);
    EXPECT_EQ(pk_eqpt3(b, nullptr), 1);
    fresh();
    Loop l;
    l.pt(0, 0).arc(2, 0, 1, 0, 1).pt(2, 5);
    pokarr r = make(l);
    r.direction = 1;
    pokarr_reverse(r);
    ASSERT_EQ(r.count, 6);
    EXPECT_EQ(r.y[0], 5.0);
    EXPECT_EQ(r.x[1], 2.0);
    EXPECT_EQ(r.x[2], PK_ARC_MARK);
    EXPECT_EQ(r.y[3], -1.0);
    EXPECT_EQ(r.x[4], 1.0);
    EXPECT_EQ(r.x[5], 0.0);
    EXPECT_EQ(r.direction, -1);
    // a point on the arc block: the index moves back to its start
    Loop m;
    m.pt(0, 0).pt(1, 0).pt(2, 0).pt(3, 0).arc(5, 0, 4, 0, -1).pt(6, 0);
    pokarr q = make(m);
    i32 i = 7;
    f64 p[3];
    pokarr_point_at(q, i, 0.5, p);
    EXPECT_EQ(i, 4);
    EXPECT_NEAR(p[0], 4.0, 1e-12);
    EXPECT_NEAR(p[1], 1.0, 1e-12);
    i = 8;  // the last segment
    pokarr_point_at(q, i, 0.5, p);
    EXPECT_EQ(p[0], 5.5);
    EXPECT_EQ(p[1], 0.0);
    // an arc block cut off before its end point gives no point
    ASSERT_EQ(q.count, 9);
    q.count = 7;
    i = 5;
    p[0] = p[1] = 9.0;
    pokarr_point_at(q, i, 0.5, p);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_EQ(p[1], 0.0);
    q.count = 9;
    // the signed magnitude of a cross product: the plane one in 2-D; in
    // 3-D the length, with the sign of its z part
    const struct {
        i32 dim;
        f64 a[3], b[3], want;
    } cross[] = {{2, {1, 0, 5}, {0, 1, 7}, 1.0}, {2, {0, 1, 0}, {1, 0, 0}, -1.0}, {3, {0, 0, 1}, {1, 0, 0}, 1.0},
                 {3, {0, 0, 1}, {0, 1, 0}, 1.0},  {3, {1, 0, 0}, {0, 1, 0}, 1.0},  {3, {0, 1, 0}, {1, 0, 2}, -std::sqrt(5.0)},
                 {3, {1, 2, 3}, {4, 5, 6}, -std::sqrt(54.0)}};
    for (const auto& c : cross) EXPECT_NEAR(pk_cross_mag(c.dim, c.a, c.b), c.want, 1e-12) << c.dim << " " << c.want;
    // the longest segment of a lone segment is that segment
    pokarr two = make(Loop().pt(0, 0).pt(3, 4));
    i32 longest = -1;
    pk_longest_seg(two, longest);
    EXPECT_EQ(longest, 1);
    pokarr_free(two);
    // with heights: the height of the point from the segment's two ends
    pokarr h;
    pokarr_init(3, h);
    const f64 h0[3] = {0, 0, 2}, h1[3] = {10, 0, 12};
    i32 hst = 0;
    pokarr_add_pnt(h0, h, hst);
    pokarr_add_pnt(h1, h, hst);
    f64 hp[3] = {4, 0, 0}, hv[3];
    i32 flat = 0;
    pk_get_seg(h, 1, hp, hv, flat, hst);
    EXPECT_EQ(hst, 0);
    EXPECT_NEAR(hp[2], 6.0, 1e-12);
    pokarr_free(h);
    // interleaved points reversed through a pool array
    f64 pts[6] = {0, 0, 1, 1, 2, 2};
    i32 st = 0;
    EXPECT_EQ(pk_reverse_pts(2, pts, 3, st), 0);
    EXPECT_EQ(pts[0], 2.0);
    EXPECT_EQ(pts[4], 0.0);
    pokarr_free(r);
    pokarr_free(q);
    pkdm_rel_all();
}

TEST(LoopRestart, StartsAtAPointOfASegmentWithoutDoubledPoints)
{
    fresh();
    i32 st = 0;
    f64 px = 0, py = 0;
    // at the end of straight segment 2 (parameter 1)
    pokarr a = make(square(0, 0, 4));
    pokarr_start_at(a, 2, 1, 1.0, px, py, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(a.count, 5);
    EXPECT_EQ(a.x[0], 4.0);
    EXPECT_EQ(a.y[0], 4.0);
    EXPECT_EQ(a.x[4], 4.0);
    EXPECT_EQ(a.y[4], 4.0);
    // in the middle of segment 1
    pokarr b = make(square(0, 0, 4));
    pokarr_start_at(b, 1, 1, 0.5, px, py, st);
    EXPECT_EQ(b.count, 6);
    EXPECT_EQ(px, 2.0);
    EXPECT_EQ(b.x[1], 4.0);
    EXPECT_EQ(b.x[4], 0.0);
    EXPECT_EQ(b.y[4], 0.0);
    EXPECT_EQ(b.x[5], 2.0);
    // an arc split at its middle keeps its centre, radius and direction
    Loop l;
    l.pt(1, 0).arc(-1, 0, 0, 0, 1).pt(1, 0);
    pokarr c = make(l);
    pokarr_start_at(c, 1, 1, 0.5, px, py, st);
    ASSERT_EQ(c.count, 10);
    EXPECT_NEAR(px, 0.0, 1e-12);
    EXPECT_NEAR(py, 1.0, 1e-12);
    EXPECT_EQ(c.x[1], PK_ARC_MARK);
    EXPECT_EQ(c.x[4], -1.0);
    EXPECT_EQ(c.x[6], PK_ARC_MARK);
    EXPECT_EQ(c.y[7], 1.0);
    EXPECT_EQ(c.x[9], px);
    f64 area = signed_area(c);
    EXPECT_NEAR(area, M_PI / 2, 1e-12);
    // at an arc's start: no second piece of the arc
    pokarr d = make(l);
    pokarr_start_at(d, 1, 1, 0.0, px, py, st);
    EXPECT_EQ(d.count, 6);
    Loop up;  // the same above the x axis
    up.pt(1, 1).arc(-1, 1, 0, 1, 1).pt(1, 1);
    pokarr u = make(up);
    pokarr_start_at(u, 1, 1, 0.0, px, py, st);
    EXPECT_EQ(u.count, 6);
    pokarr_free(u);
    // mode 0: the given point pulled onto the arc's circle
    pokarr e = make(l);
    px = 0.0;
    py = 2.0;
    pokarr_start_at(e, 1, 0, 0.0, px, py, st);
    EXPECT_NEAR(e.y[0], 1.0, 1e-12);
    for (pokarr* q : {&a, &b, &c, &d, &e}) pokarr_free(*q);
    pkdm_rel_all();
}

// Restarting loops with heights: the point's height where the segment puts
// it (an arc: its centre entry's), its normal the segment ends' blended by
// its place and made a unit vector; refusals (status 11) leave the loop as
// it was.
TEST(LoopRestart, LoopsWithHeightsAndNormalsAndTheRefusals)
{
    fresh();
    i32 st = 0;
    f64 px = 0, py = 0;
    pokarr a = make(square(0, 0, 4), 4);
    for (i32 k = 0; k < 4; ++k) a.z[k] = k;
    a.z[4] = 0.0;
    a.vec[3 * 2 + 0] = 1.0;  // the normal at (4, 4) points along x
    a.vec[3 * 2 + 2] = 0.0;
    pokarr_start_at(a, 2, 1, 0.25, px, py, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(a.count, 6);
    const f64 l = std::hypot(0.25, 0.75);
    for (i32 k : {0, 5}) {
        EXPECT_EQ(a.x[k], 4.0);
        EXPECT_EQ(a.y[k], 1.0);
        EXPECT_NEAR(a.z[k], 1.25, 1e-12);
        EXPECT_NEAR(a.vec[3 * k], 0.25 / l, 1e-12);
        EXPECT_NEAR(a.vec[3 * k + 1], 0.0, 1e-12);
        EXPECT_NEAR(a.vec[3 * k + 2], 0.75 / l, 1e-12);
    }
    EXPECT_EQ(a.z[1], 2.0);
    // a half turn at height 2, its end's normal along y
    Loop h;
    h.pt(1, 0).arc(-1, 0, 0, 0, 1).pt(1, 0);
    pokarr b = make(h, 4);
    for (i32 k = 0; k < b.count; ++k) b.z[k] = 2.0;
    b.vec[3 * 4 + 1] = 1.0;
    b.vec[3 * 4 + 2] = 0.0;
    pokarr_start_at(b, 1, 1, 0.5, px, py, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(b.y[0], 1.0, 1e-12);
    EXPECT_EQ(b.z[0], 2.0);
    EXPECT_NEAR(b.vec[1], std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(b.vec[2], std::sqrt(0.5), 1e-9);
    // refused: no such segment, an arc block cut short, a static window too
    // small for the restarted loop
    pokarr c = make(square(0, 0, 4), 3);
    for (i32 i : {0, 5, -1}) {
        pokarr_start_at(c, i, 1, 0.5, px, py, st);
        EXPECT_EQ(st, 11) << i;
        EXPECT_EQ(c.count, 5);
    }
    Loop cut;
    cut.pt(1, 0).pt(0, 1);
    cut.x.push_back(PK_ARC_MARK);
    cut.y.push_back(0.0);
    pokarr d = make(cut);
    pokarr_start_at(d, 2, 1, 0.5, px, py, st);
    EXPECT_EQ(st, 11);
    EXPECT_EQ(d.count, 3);
    // a block cut short past the restart segment (its marker three from the
    // end) is no whole block: taken entry by entry, never read past the end
    Loop tail;
    tail.pt(1, 0).pt(0, 1).arc(1, 0, 0, 0, -1);
    tail.x.pop_back();
    tail.y.pop_back();
    pokarr f = make(tail);
    pokarr_start_at(f, 1, 1, 0.5, px, py, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(f.count, 6);
    EXPECT_EQ(f.x[2], PK_ARC_MARK);
    EXPECT_EQ(f.x[4], 0.0);
    EXPECT_EQ(f.x[5], 0.5);
    EXPECT_EQ(f.y[5], 0.5);
    pokarr_free(f);
    std::vector<f64> x{0, 4, 4, 0, 0}, y{0, 0, 4, 4, 0};
    pokarr s;
    pokarr_init_static(2, x.data(), y.data(), nullptr, nullptr, 5, s, 5);
    pokarr_start_at(s, 1, 1, 0.5, px, py, st);
    EXPECT_EQ(st, 11);
    EXPECT_EQ(s.count, 5);
    EXPECT_EQ(x[1], 4.0);
    for (pokarr* q : {&a, &b, &c, &d}) pokarr_free(*q);
    pkdm_rel_all();
    // the pool refuses the work array (both tries): 11, the loop as it was
    pokarr e = make(square(0, 0, 4));
    norak::fail_alloc_after(1, 2);
    pokarr_start_at(e, 2, 1, 0.5, px, py, st);
    EXPECT_EQ(st, 11);
    EXPECT_EQ(e.count, 5);
    EXPECT_EQ(e.x[0], 0.0);
    EXPECT_EQ(e.y[2], 4.0);
    norak::fail_alloc_after(0);
    pokarr_free(e);
    pkdm_rel_all();
}
