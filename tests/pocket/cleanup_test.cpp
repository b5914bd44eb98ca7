// Clean-up of loops: short segments, straight runs, arc refits and spike
// removal, within their tolerances on random loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "pocket/pkclean.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// A random simple loop with noise: points on straight runs off the line by
// at most `jitter`, clusters of short segments near vertices, and (with
// `spikes`) zig-zags: the path runs back a little beside itself, `spikes`
// to the side, and on again.
Loop noisy(std::mt19937& g, f64 jitter, f64 shortlen, f64 spikes)
{
    std::uniform_real_distribution<f64> f(0, 1), j(-jitter, jitter);
    Loop base = random_star(g, 6 + static_cast<i32>(f(g) * 10), 5, 10, 0.3, 0.15);
    Loop l;
    l.pt(base.x[0], base.y[0]);
    for (i32 k = 1; k < base.n(); ++k) {
        if (pk_arc_at(base.x[static_cast<size_t>(k)])) {
            for (i32 m = 0; m < 4; ++m) l.pt(base.x[static_cast<size_t>(k + m)], base.y[static_cast<size_t>(k + m)]);
            k += 3;
            continue;
        }
        f64 px = l.x.back(), py = l.y.back(), qx = base.x[static_cast<size_t>(k)], qy = base.y[static_cast<size_t>(k)];
        f64 dx = qx - px, dy = qy - py, len = std::hypot(dx, dy), nx = -dy / len, ny = dx / len;
        i32 inner = static_cast<i32>(f(g) * 6);
        for (i32 m = 1; m <= inner; ++m) {
            f64 t = static_cast<f64>(m) / (inner + 1), o = j(g);
            if (spikes > 0 && f(g) < 0.15) {
                f64 back = (0.01 + 0.1 * f(g)) / len;
                l.pt(px + t * dx, py + t * dy).pt(px + (t - back) * dx + spikes * nx, py + (t - back) * dy + spikes * ny);
                continue;
            }
            l.pt(px + t * dx + o * nx, py + t * dy + o * ny);
        }
        if (k + 1 < base.n() && f(g) < 0.3) {  // a cluster of short segments before the vertex
            i32 c = 1 + static_cast<i32>(f(g) * 3);
            for (i32 m = c; m >= 1; --m) l.pt(qx - m * shortlen * dx / len, qy - m * shortlen * dy / len + 0.3 * shortlen);
        }
        l.pt(qx, qy);
    }
    return l;
}

// Exact distance of a point from a loop of lines and arcs.
f64 dist_to(const pokarr& b, f64 px, f64 py)
{
    f64 best = 1e300;
    for (i32 k = 1; k < b.count;) {
        f64 sx = b.x[k - 1], sy = b.y[k - 1];
        if (pk_arc_at(b.x[k]) && k + 3 < b.count) {
            f64 cx = b.x[k + 2], cy = b.y[k + 2], r = b.x[k + 1], ex = b.x[k + 3], ey = b.y[k + 3];
            f64 dir = b.y[k + 1] < 0 ? -1.0 : 1.0;
            auto turn = [](f64 a) {
                while (a < 0) a += 2 * M_PI;
                while (a >= 2 * M_PI) a -= 2 * M_PI;
                return a;
            };
            f64 as = std::atan2(sy - cy, sx - cx), ae = std::atan2(ey - cy, ex - cx), ap = std::atan2(py - cy, px - cx);
            f64 sweep = turn(dir * (ae - as)), at = turn(dir * (ap - as));
            f64 d = at <= sweep ? std::fabs(std::hypot(px - cx, py - cy) - r)
                                : std::min(std::hypot(px - sx, py - sy), std::hypot(px - ex, py - ey));
            best = std::min(best, d);
            k += 4;
            continue;
        }
        f64 ex = b.x[k], ey = b.y[k], dx = ex - sx, dy = ey - sy, l2 = dx * dx + dy * dy;
        f64 t = l2 > 0 ? std::clamp(((px - sx) * dx + (py - sy) * dy) / l2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(px - sx - t * dx, py - sy - t * dy));
        ++k;
    }
    return best;
}

// Largest distance of the points of a (along its lines and on its arcs)
// from b.
f64 directed(const pokarr& a, const pokarr& b)
{
    f64 worst = 0;
    for (i32 k = 1; k < a.count;) {
        f64 sx = a.x[k - 1], sy = a.y[k - 1];
        if (pk_arc_at(a.x[k]) && k + 3 < a.count) {
            f64 cx = a.x[k + 2], cy = a.y[k + 2], r = a.x[k + 1];
            i32 dir = a.y[k + 1] < 0 ? -1 : 1;
            f64 sw = pk_arc_sweep(dir, cx, cy, sx, sy, a.x[k + 3], a.y[k + 3]), as = std::atan2(sy - cy, sx - cx);
            for (i32 m = 0; m <= 16; ++m) {
                f64 t = as + dir * sw * m / 16;
                worst = std::max(worst, dist_to(b, cx + r * std::cos(t), cy + r * std::sin(t)));
            }
            k += 4;
            continue;
        }
        for (i32 m = 0; m <= 4; ++m)
            worst = std::max(worst, dist_to(b, sx + (a.x[k] - sx) * m / 4, sy + (a.y[k] - sy) * m / 4));
        ++k;
    }
    return worst;
}

f64 hausdorff(Geos&, const pokarr& a, const pokarr& b) { return std::max(directed(a, b), directed(b, a)); }

bool is_simple(Geos& g, const pokarr& a)
{
    std::vector<P> d = dense(a, 0.01, 1, 16);
    if (d.size() < 4) return false;
    GEOSGeometry* r = g.ring(d);
    bool s = GEOSisSimple_r(g.h, r) == 1;
    g.free(r);
    return s;
}

pokarr copy_of(const pokarr& a)
{
    pokarr c;
    pokarr_init(a.dims, c);
    i32 st = 0;
    pokarr_copy(a, c, st);
    return c;
}

void report(const char* what, int k, const pokarr& a)
{
    std::printf("%s made simple loop %d cross itself; its input:\n", what, k);
    for (i32 m = 0; m < a.count; ++m) std::printf("  %.17g %.17g\n", a.x[m], a.y[m]);
}

}  // namespace

TEST(LoopCleanup, ShortSegmentsStraightRunsAndSpikesWithinTheirTolerances)
{
    fresh();
    Geos g;
    pk_offset_tol = 0.001;
    pk_tol = 0.001;
    f64 t = pk_short_tol(), tD = pk_colin_dist_tol(), T = pk_offset_tol;
    EXPECT_EQ(t, 0.0005);
    std::mt19937 rng(77);
    f64 worst_short = 0, worst_colin = 0, worst_spike = 0;
    i32 crossed = 0, shortened = 0, thinned = 0, cut = 0, spikes_cut = 0;
    for (int k = 0; k < 1000; ++k) {
        Loop l = noisy(rng, 0.3 * tD, 0.4 * t, k % 3 == 0 ? 0.5 * T : 0.0);
        pokarr in = make(l);
        bool simple = is_simple(g, in);
        pokarr a = copy_of(in), b = copy_of(in), c = copy_of(in);
        pk_del_short(a);
        i32 closed = 1;
        pk_del_colin(closed, 1, b, nullptr);
        OFFSEG(0, 0, T, c);
        shortened += a.count < in.count;
        thinned += b.count < in.count;
        cut += c.count < in.count;
        f64 hs = hausdorff(g, a, in), hc = hausdorff(g, b, in);
        worst_short = std::max(worst_short, hs);
        worst_colin = std::max(worst_colin, hc);
        // a short run is removed only while its squared lengths stay below t^2
        EXPECT_LE(hs, 2.0 * t) << k;
        // a point stays within tD of the chord, or turns by less than tS
        f64 longest = 0;
        for (i32 m = 1; m < in.count; ++m)
            if (!pk_arc_at(in.x[m]) && !pk_arc_at(in.x[m - 1]))
                longest = std::max(longest, std::hypot(in.x[m] - in.x[m - 1], in.y[m] - in.y[m - 1]));
        EXPECT_LE(hc, std::max(tD, 0.5 * pk_colin_sin_tol() * longest) + 1e-9) << k;
        // the cut joins the segments beside a spike: the result stays within
        // the spike's width of the input
        f64 hx = directed(c, in);
        worst_spike = std::max(worst_spike, hx);
        EXPECT_LE(hx, 4.0 * T) << k;
        spikes_cut += k % 3 == 0 && c.count < a.count;
        for (pokarr* p : {&a, &b, &c})
            if (simple && !is_simple(g, *p)) {
                ++crossed;
                report(p == &a ? "pk_del_short" : (p == &b ? "pk_del_colin" : "OFFSEG"), k, in);
            }
        for (pokarr* p : {&in, &a, &b, &c}) pokarr_free(*p);
    }
    std::printf("worst Hausdorff: short %.3g, straight runs %.3g, spikes %.3g; loops made to cross: %d\n", worst_short,
                worst_colin, worst_spike, crossed);
    EXPECT_GT(shortened, 200);
    EXPECT_GT(thinned, 800);
    EXPECT_GT(cut, 200);
    EXPECT_GT(spikes_cut, 150);
    pkdm_rel_all();
}

TEST(LoopCleanup, SpikeRemovalCutsOnlyForwardReversals)
{
    fresh();
    pokdim = 2;
    const f64 T = 0.001;
    auto run = [&](const Loop& l, i32 mode, i32 keep) {
        pokarr a = make(l);
        OFFSEG(mode, keep, T, a);
        std::vector<P> out;
        for (i32 k = 0; k < a.count; ++k) out.push_back({a.x[k], a.y[k]});
        pokarr_free(a);
        return out;
    };
    // a zig-zag of width 0.002 (below 4 T): cut at the meeting of its neighbours
    Loop z;
    z.pt(0, 0).pt(5, 0).pt(4.9, 0.002).pt(10, 0.002).pt(10, 5).pt(0, 5).close();
    std::vector<P> r = run(z, 0, 0);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[1].x, 5.0);
    EXPECT_EQ(r[2].x, 10.0);
    // the same zig-zag turned by 30 degrees
    const f64 c30 = std::cos(M_PI / 6), s30 = std::sin(M_PI / 6);
    Loop zr;
    for (const P& q : std::vector<P>{{0, 0}, {5, 0}, {4.9, 0.002}, {10, 0.002}, {10, 5}, {0, 5}})
        zr.pt(c30 * q.x - s30 * q.y, s30 * q.x + c30 * q.y);
    zr.close();
    EXPECT_EQ(run(zr, 0, 0).size(), 6u);
    // the same turning back by a cosine above -0.85 stays in mode 1
    Loop w;
    w.pt(0, 0).pt(5, 0).pt(4.9, 0.08).pt(10, 0.08).pt(10, 5).pt(0, 5).close();
    EXPECT_EQ(run(w, 1, 0).size(), 7u);
    EXPECT_EQ(run(w, 0, 0).size(), 7u);  // width 0.08: no spike in any mode
    // a U-turn (the path does not go on forward) is never cut
    Loop u;
    u.pt(0, 0).pt(5, 0).pt(5, 0.002).pt(0, 0.002).pt(0, 5).pt(-1, 0).close();
    EXPECT_EQ(run(u, 0, 0).size(), 7u);
    // the kept ends are never cut
    Loop k;
    k.pt(5, 0).pt(4.9, 0.002).pt(10, 0.002).pt(10, 5).pt(0, 5).pt(0, 0).close();
    EXPECT_EQ(run(k, 0, 1).size(), 7u);
    // three entries or fewer: unchanged; fewer than eight with an arc: no cut
    Loop t;
    t.pt(0, 0).pt(1, 0).pt(0, 0);
    EXPECT_EQ(run(t, 0, 0).size(), 3u);
    Loop a;
    a.pt(0, 0).pt(5, 0).pt(4.9, 0.002).arc(0, 0.002, 2.45, 0.002, 1);
    EXPECT_EQ(run(a, 0, 0).size(), 7u);
    // seven entries, the arc's marker at entry 2 (= n - 5): the short step
    // back from the arc's end would be a spike, but no pass cuts
    Loop a7;
    a7.pt(4.9, 0.002).pt(10, 0.002).arc(5, 0, 5, 6250, 1).close();
    EXPECT_EQ(run(a7, 0, 0).size(), 7u);
    // a right-angle step narrower than T (back along the path, then up at
    // 90 degrees and a little forward) is cut; one of width 2 T is not
    for (const f64 w : {0.0008, 0.002}) {
        Loop ra;
        ra.pt(0, 0).pt(5, 0).pt(5 - w, 0).pt(5 - w + 0.005, 1).pt(10, 1).pt(10, 5).pt(0, 5).close();
        EXPECT_EQ(run(ra, 0, 0).size(), w < T ? 7u : 8u) << w;
    }
    // a reversal with a cosine of -0.5 is cut in modes 0 and 2, not in mode 1
    Loop hz;
    hz.pt(0, 0).pt(5, 0).pt(4.999, 0.0017).pt(10, 0.0017).pt(10, 5).pt(0, 5).close();
    for (i32 mode : {0, 1, 2}) EXPECT_EQ(run(hz, mode, 0).size(), mode == 1 ? 7u : 6u) << mode;
    // a spike between two arcs that do not meet: the second arc is refit to
    // start where the first ends, its radius kept
    const f64 yp = -100 + std::sqrt(100.0 * 100 - 100), yb = -99.998 + std::sqrt(100.0 * 100 - 5.1 * 5.1);
    Loop s;
    s.pt(-5, yp).arc(5, 0, 5, -100, -1).pt(4.9, 0.002).arc(10, yb, 4.9, -99.998, -1).pt(10, 5).pt(-5, 5).close();
    pokarr sa = make(s);
    OFFSEG(0, 0, T, sa);
    ASSERT_EQ(sa.count, 12);
    EXPECT_EQ(sa.x[4], 5.0);
    EXPECT_TRUE(pk_arc_at(sa.x[5]));
    EXPECT_NEAR(std::hypot(sa.x[7] - 5, sa.y[7]), 100.0, 1e-9);
    EXPECT_NEAR(std::hypot(sa.x[7] - 10, sa.y[7] - yb), 100.0, 1e-9);
    pokarr_free(sa);
    // a straight spike between two arcs that cross: the first arc ends and the
    // second begins at their crossing
    const f64 by = -0.498 + std::sqrt(0.25 - 0.09);
    Loop xa;
    xa.pt(4, -1).arc(5, 0, 5, -1, -1).pt(4.9, 0.002).arc(5.2, by, 4.9, -0.498, -1).pt(6, 3).pt(4, 3).close();
    pokarr xs = make(xa);
    OFFSEG(0, 0, T, xs);
    ASSERT_EQ(xs.count, 12);
    EXPECT_NEAR(std::hypot(xs.x[4] - 5, xs.y[4] + 1), 1.0, 1e-9);
    EXPECT_NEAR(std::hypot(xs.x[4] - 4.9, xs.y[4] + 0.498), 0.5, 1e-9);
    EXPECT_TRUE(pk_arc_at(xs.x[5]));
    pokarr_free(xs);
    // an arc spike after an arc, followed by a short arc that the spike's
    // start passes: both go
    auto centre = [](f64 sx, f64 sy, f64 ex, f64 ey, f64 half, f64 side, f64& cx, f64& cy) {
        f64 mx = (sx + ex) / 2, my = (sy + ey) / 2, dx = ex - sx, dy = ey - sy, l = std::hypot(dx, dy);
        f64 h = l / 2 / std::tan(half);
        cx = mx + side * h * dy / l;
        cy = my - side * h * dx / l;
    };
    f64 acx = 0, acy = 0, bcx = 0, bcy = 0;
    centre(5, 0, 4.99, 0.002, 10 * M_PI / 180, -1, acx, acy);
    centre(4.99, 0.002, 4.996, 0.002, 10 * M_PI / 180, 1, bcx, bcy);
    ASSERT_LT(acy, 0.0);
    ASSERT_LT(bcy, 0.0);
    Loop sw;
    sw.pt(4, -1).arc(5, 0, 5, -1, -1).arc(4.99, 0.002, acx, acy, 1).arc(4.996, 0.002, bcx, bcy, -1);
    sw.pt(10, 0.002).pt(10, 5).pt(4, 5).close();
    pokarr sb = make(sw);
    OFFSEG(0, 0, T, sb);
    // (the straight piece left turns back in its turn and is cut as well)
    ASSERT_EQ(sb.count, 9);
    EXPECT_EQ(sb.x[4], 5.0);
    EXPECT_EQ(sb.y[4], 0.0);
    EXPECT_EQ(sb.y[3], -1.0);
    EXPECT_EQ(sb.x[5], 10.0);
    pokarr_free(sb);
    // degenerate straight segments are removed
    Loop d;
    d.pt(0, 0).pt(5, 0).pt(5, 1e-6).pt(5, 5).pt(0, 5).close();
    std::vector<P> dr = run(d, 0, 0);
    ASSERT_EQ(dr.size(), 5u);
    EXPECT_EQ(dr[2].y, 5.0);
    // the first segment is not examined: with t0 = 0.001 (T = 0.01) a first
    // step of 0.0005 stays where the same step later goes
    const f64 offtol = pk_offset_tol;
    pk_offset_tol = 0.0002;  // the final short-segment removal below 0.0001 only
    Loop fs;
    fs.pt(0, 0).pt(0.0005, 0).pt(5, 0).pt(5, 0.0005).pt(5, 5).pt(0, 5).close();
    pokarr fa = make(fs);
    OFFSEG(0, 0, 0.01, fa);
    ASSERT_EQ(fa.count, 6);
    EXPECT_EQ(fa.x[1], 0.0005);
    EXPECT_EQ(fa.y[2], 0.0005);
    pokarr_free(fa);
    pk_offset_tol = offtol;
    // a degenerate segment after an arc: the arc is refit to end at its end
    Loop da;
    da.pt(0, -1).arc(1, 0, 0, 0, 1).pt(1.00005, 0.00002).pt(1.5, 3).pt(-2, 3).close();
    pokarr dd = make(da);
    OFFSEG(0, 0, T, dd);
    ASSERT_EQ(dd.count, 8);
    EXPECT_EQ(dd.x[4], 1.00005);
    EXPECT_NEAR(std::hypot(dd.x[4] - dd.x[3], dd.y[4] - dd.y[3]), dd.x[2], 1e-12);
    EXPECT_NEAR(std::hypot(dd.x[0] - dd.x[3], dd.y[0] - dd.y[3]), dd.x[2], 1e-12);
    pokarr_free(dd);
    // a spike turning the same way twice is kept in a plane pocket; with
    // heights the lines either side of it meet, and it is cut there
    Loop sm;
    sm.pt(0, 0).pt(5, 0).pt(4.9, 0.002).pt(9.9, -0.198).pt(10, 5).pt(0, 5).close();
    EXPECT_EQ(run(sm, 0, 0).size(), 7u);
    pokdim = 3;
    pokarr s3 = make(sm, 3);
    for (i32 q = 0; q < s3.count; ++q) s3.z[q] = 1.0;
    OFFSEG(0, 0, T, s3);
    ASSERT_EQ(s3.count, 6);
    EXPECT_NEAR(s3.x[1], 4.95, 1e-9);
    EXPECT_NEAR(s3.y[1], 0.0, 1e-9);
    EXPECT_NEAR(s3.z[1], 1.0, 1e-12);
    EXPECT_EQ(s3.x[2], 9.9);
    pokarr_free(s3);
    pokdim = 2;
    pkdm_rel_all();
}

TEST(LoopCleanup, ShortSegmentsNextToArcsRefitTheArcs)
{
    fresh();
    pokdim = 2;
    pk_offset_tol = 0.001;  // short: below 0.0005
    pk_tol = 0.001;
    // a short segment right after an arc: the arc ends at its end, same radius
    Loop l;
    l.pt(0, -1).arc(1, 0, 0, 0, 1).pt(1.0003, 0.0002).pt(1.5, 3).pt(-2, 3).close();
    pokarr a = make(l);
    pk_del_short(a);
    ASSERT_EQ(a.count, 8);
    EXPECT_EQ(a.x[4], 1.0003);
    EXPECT_NEAR(std::hypot(a.x[4] - a.x[3], a.y[4] - a.y[3]), 1.0, 1e-12);
    EXPECT_NEAR(std::hypot(a.x[0] - a.x[3], a.y[0] - a.y[3]), 1.0, 1e-12);
    // a short arc goes with its start: the loop runs straight to its end
    Loop s;
    s.pt(0, 0).pt(4, 0).arc(4.0003, 0.0002, 4.00015, 5, 1).pt(4, 4).close();
    pokarr b = make(s);
    pk_del_short(b);
    EXPECT_EQ(b.count, 4);
    EXPECT_EQ(b.x[1], 4.0003);
    // a short closing segment goes too, the loop closing on its first point
    Loop cl;
    cl.pt(0, 0).pt(5, 0).pt(5, 5).pt(0, 5).pt(0, 0.0003).close();
    pokarr ce = make(cl);
    pk_del_short(ce);
    ASSERT_EQ(ce.count, 5);
    EXPECT_EQ(ce.y[3], 5.0);
    EXPECT_EQ(ce.y[4], 0.0);
    pokarr_free(ce);
    // a run of tiny segments shrinks only until their squared lengths reach t^2
    Loop r;
    r.pt(0, 0);
    for (i32 k = 1; k <= 10; ++k) r.pt(0.0003 * k, 0);
    r.pt(5, 0).pt(5, 5).close();
    pokarr c = make(r);
    pk_del_short(c);
    EXPECT_GT(c.count, 5);
    EXPECT_LT(c.count, 14);
    // a refit whose chord is too long for the radius is refused
    Loop f;
    f.pt(-1, 0).arc(1, 0, 0, 0, -1).pt(1.0002, 0).pt(0, -3).close();
    pokarr d = make(f);
    f64 cx = d.x[3];
    pk_loop_fix(0, 5, 0, d);
    EXPECT_EQ(d.x[3], cx);
    // a new end nearly opposite the start about the old centre is refused,
    // though the chord would fit; a little off that line the arc is refit
    Loop o;
    o.pt(-1, 0).arc(1, 0, 0, 0, -1).pt(0.9, 0).pt(0.9, -0.3).pt(0, -3).close();
    pokarr e = make(o);
    pk_loop_fix(0, 5, 0, e);
    EXPECT_EQ(e.x[3], 0.0);
    EXPECT_EQ(e.y[3], 0.0);
    pk_loop_fix(0, 6, 0, e);
    EXPECT_NEAR(std::hypot(e.x[3] + 1, e.y[3]), 1.0, 1e-12);
    EXPECT_NEAR(std::hypot(e.x[3] - 0.9, e.y[3] + 0.3), 1.0, 1e-12);
    pokarr_free(e);
    for (pokarr* p : {&a, &b, &c, &d}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(LoopCleanup, StraightRunsKeepTurnsBackAndCloseOnTheirFirstPoint)
{
    fresh();
    pokdim = 2;
    Loop l;
    l.pt(0, 1.5).pt(0, 0).pt(1, 0).pt(2, 0.00001).pt(3, 0).pt(3, 3).pt(1.5, 3).pt(0, 3).close();
    pokarr a = make(l);
    i32 closed = 1;
    pk_del_colin(closed, 1, a, nullptr);
    ASSERT_EQ(a.count, 5);
    EXPECT_EQ(a.x[0], 0.0);
    EXPECT_EQ(a.y[0], 3.0);  // the closing point on a straight run went too
    EXPECT_EQ(a.y[4], 3.0);
    pokarr c = make(l);
    i32 open = 0;
    pk_del_colin(open, 1, c, nullptr);
    EXPECT_EQ(c.y[0], 1.5);
    EXPECT_EQ(c.count, 6);
    // a point where the path turns back stays
    Loop t;
    t.pt(0, 0).pt(2, 0).pt(1, 0).pt(1, 2).close();
    pokarr d = make(t);
    pk_del_colin(closed, 1, d, nullptr);
    EXPECT_EQ(d.count, 5);
    // two arcs of one circle meeting at the closing point become one
    f64 s = std::sin(0.2), co = std::cos(0.2);
    Loop ar;
    ar.pt(1, 0).arc(co, s, 0, 0, 1).pt(co, 5).pt(co, -5).pt(co, -s).arc(1, 0, 0, 0, 1);
    pokarr e = make(ar);
    pk_del_colin(closed, 1, e, nullptr);
    EXPECT_EQ(e.count, ar.n() - 4);
    EXPECT_EQ(e.x[0], co);
    // a gentle curve whose every turn is below the angle limit: the points
    // removed stay within the distance limit of the chords that replace them
    Loop g;
    for (i32 k = 0; k <= 200; ++k) g.pt(100 * std::sin(0.0004 * k), 100 - 100 * std::cos(0.0004 * k));
    g.pt(0, 5).close();
    pokarr gc = make(g);
    pk_del_colin(closed, 1, gc, nullptr);
    EXPECT_GT(gc.count, 4);
    f64 worst = 0.0;
    for (i32 k = 0; k <= 200; ++k) {
        f64 px = g.x[static_cast<size_t>(k)], py = g.y[static_cast<size_t>(k)], best = 1e9;
        for (i32 m = 0; m + 1 < gc.count; ++m) {
            f64 dx = gc.x[m + 1] - gc.x[m], dy = gc.y[m + 1] - gc.y[m], l2 = dx * dx + dy * dy;
            f64 t = l2 > 0 ? std::clamp(((px - gc.x[m]) * dx + (py - gc.y[m]) * dy) / l2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(gc.x[m] + t * dx - px, gc.y[m] + t * dy - py));
        }
        worst = std::max(worst, best);
    }
    EXPECT_LE(worst, pk_colin_dist_tol() + 1e-12);
    pokarr_free(gc);
    // the closing point: a null last segment (the point doubled) goes; on a
    // loop with heights the closing test sees the heights of the two
    // segments meeting there whatever the z flag, so a point where the path
    // climbs stays though it is straight in plan
    Loop dbl;
    dbl.pt(0, 0).pt(2, 0).pt(2, 2).pt(0, 2).pt(0, 0).pt(0, 0);
    pokarr f = make(dbl);
    pk_del_colin(closed, 1, f, nullptr);
    EXPECT_EQ(f.count, 5);
    Loop kink;
    kink.pt(0, 0).pt(1, 0).pt(1, 1).pt(-1, 1).pt(-1, 0).close();
    for (i32 zf : {0, 1}) {
        pokdim = 3;
        pokarr k3 = make(kink, 3);
        k3.z[1] = 1.0;  // the first segment climbs
        pk_del_colin(closed, zf, k3, nullptr);
        EXPECT_EQ(k3.count, 6) << "z flag " << zf;
        EXPECT_EQ(k3.x[0], 0.0);
        pokarr_free(k3);
        pokdim = 2;
    }
    pokarr_free(f);
    // the caller's arrays
    std::vector<f64> x{0, 1, 2, 3, 3, 0, 0}, y{0, 0, 0, 0, 3, 3, 0};
    i32 n = 7;
    pk_del_colin_xy(closed, x.data(), y.data(), n);
    EXPECT_EQ(n, 5);
    for (pokarr* p : {&a, &c, &d, &e}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(LoopCleanup, ARefitArcMeetsTheNextArcAgainWithinItsSpan)
{
    // a quarter arc about the origin from (0, -1) to (1, 0), a short step up to
    // b = (1, 0.0002), then an arc of radius 1 about (1, 1.05) starting at b
    // (b lies 0.05 off its circle); the first arc is refit to end at b
    for (const i32 next_dir : {1, -1}) {
        fresh();
        pk_tol = 0.03;  // joints re-made within 0.06
        const f64 c2[2] = {1.0, 1.05};
        // the next arc: counter-clockwise to (2, 1.05), or clockwise by a hundredth of a degree
        const f64 a2 = (270.0 - 0.01) * M_PI / 180.0;
        const f64 e2[2] = {next_dir == 1 ? 2.0 : c2[0] + std::cos(a2), next_dir == 1 ? 1.05 : c2[1] + std::sin(a2)};
        Loop l;
        l.pt(0, -1).arc(1, 0, 0, 0, 1).pt(1, 0.0002);
        l.x.insert(l.x.end(), {PK_ARC_MARK, 1.0, c2[0], e2[0]});
        l.y.insert(l.y.end(), {0.0, static_cast<f64>(next_dir), c2[1], e2[1]});
        l.pt(-1, 1).close();
        pokarr a = make(l);
        pk_loop_fix(0, 5, 0, a);
        // the refit arc's centre: radius 1 through both ends, near the old one
        const f64 nc[2] = {a.x[3], a.y[3]};
        EXPECT_NEAR(std::hypot(nc[0], nc[1] + 1.0), 1.0, 1e-12);
        EXPECT_NEAR(std::hypot(nc[0] - 1.0, nc[1] - 0.0002), 1.0, 1e-12);
        EXPECT_LT(std::hypot(nc[0], nc[1]), 1e-3);
        if (next_dir == 1) {
            // the circles meet at about (0.9988, 0.0499): within the next arc's
            // span (just before its start) and past the refit arc's end; b goes there
            EXPECT_NEAR(a.x[5], 0.9988, 1e-3);
            EXPECT_NEAR(a.y[5], 0.0499, 1e-3);
            EXPECT_NEAR(std::hypot(a.x[5] - c2[0], a.y[5] - c2[1]), 1.0, 1e-9);
            EXPECT_NEAR(std::hypot(a.x[5] - nc[0], a.y[5] - nc[1]), 1.0, 1e-9);
        } else {
            // the meeting point lies beyond the end of the short clockwise arc:
            // b becomes that end
            EXPECT_EQ(a.x[5], e2[0]);
            EXPECT_EQ(a.y[5], e2[1]);
        }
        pokarr_free(a);
        pkdm_rel_all();
    }
    // mode 1 on the closing arc (its start at entry n - 5), refit to start
    // at the entry before it: its end, the loop's closing point, is met
    // again with the first segment's arc (radius 1.001 about the origin)
    // across the loop's end, and entry 0 follows it
    fresh();
    pk_tol = 0.05;  // joints re-made within 0.1
    Loop c;
    c.pt(1, 0);
    c.x.insert(c.x.end(), {PK_ARC_MARK, 1.001, 0.0, 0.0});
    c.y.insert(c.y.end(), {0.0, 1.0, 0.0, 1.0});
    c.pt(-0.7, -0.7).pt(0.05, -1).arc(1, 0, 0, 0, 1);
    pokarr a = make(c);
    ASSERT_EQ(a.count, 11);
    a.x[8] = 1.0;  // the closing arc's radius
    pk_loop_fix(6, 5, 1, a);
    const f64 nc[2] = {a.x[9], a.y[9]};
    EXPECT_NEAR(std::hypot(nc[0] + 0.7, nc[1] + 0.7), 1.0, 1e-12);
    EXPECT_LT(std::hypot(nc[0], nc[1]), 0.2);
    EXPECT_NEAR(std::hypot(a.x[10], a.y[10]), 1.001, 1e-9);
    EXPECT_NEAR(std::hypot(a.x[10] - nc[0], a.y[10] - nc[1]), 1.0, 1e-9);
    EXPECT_LT(std::hypot(a.x[10] - 1.0, a.y[10]), 0.1);
    EXPECT_EQ(a.x[0], a.x[10]);
    EXPECT_EQ(a.y[0], a.y[10]);
    pokarr_free(a);
    pkdm_rel_all();
}

// Cuts beside arcs: at the loop's first point and in a pocket with heights,
// the loop stays closed and every arc starts and ends on its circle.
TEST(LoopCleanup, SpikeCutsBesideArcsKeepTheLoopClosedAndArcsOnTheirCircles)
{
    fresh();
    const f64 T = 0.001;
    auto sound = [](const pokarr& a, const char* what) {
        ASSERT_GT(a.count, 3) << what;
        EXPECT_NEAR(a.x[a.count - 1], a.x[0], 1e-12) << what;
        EXPECT_NEAR(a.y[a.count - 1], a.y[0], 1e-12) << what;
        for (i32 k = 1; k + 3 < a.count; ++k)
            if (pk_arc_at(a.x[k])) {
                const f64 r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
                EXPECT_NEAR(std::hypot(a.x[k - 1] - cx, a.y[k - 1] - cy), r, 1e-9) << what << " arc at " << k;
                EXPECT_NEAR(std::hypot(a.x[k + 3] - cx, a.y[k + 3] - cy), r, 1e-9) << what << " arc at " << k;
            }
    };
    // a straight spike between two crossing arcs, the loop starting at the
    // spike: the closing arc and the arc after the spike end and start at
    // their crossing
    pokdim = 2;
    const f64 by = -0.498 + std::sqrt(0.25 - 0.09);
    Loop xa;
    xa.pt(5, 0).pt(4.9, 0.002).arc(5.2, by, 4.9, -0.498, -1).pt(6, 3).pt(4, 3).pt(4, -1).arc(5, 0, 5, -1, -1);
    pokarr x0 = make(xa);
    OFFSEG(0, 0, T, x0);
    EXPECT_EQ(x0.count, 12);
    sound(x0, "cut at the first point");
    pokarr_free(x0);
    // in a pocket with heights, a spike turning the same way twice before
    // a gentle arc (turned by 30 degrees, so that the arc's marker makes a
    // line that meets the one before the spike)
    pokdim = 3;
    const f64 c30 = std::cos(M_PI / 6), s30 = std::sin(M_PI / 6);
    auto rot = [&](f64 x, f64 y) { return P{c30 * x - s30 * y, s30 * x + c30 * y}; };
    const f64 mx = 7.4, my = -0.098, hx = 0.2, hy = 5.0, hl = std::hypot(hx, hy);
    const f64 h = std::sqrt(1000.0 * 1000.0 - 2.5 * 2.5 - 0.1 * 0.1);
    const P S = rot(4.9, 0.002), E = rot(9.9, -0.198), C = rot(mx + h * hx / hl, my + h * hy / hl);
    Loop ga;
    for (const P& q : {rot(0, 0), rot(5, 0)}) ga.pt(q.x, q.y);
    ga.pt(S.x, S.y).arc(E.x, E.y, C.x, C.y, 1);
    for (const P& q : {rot(10, 5), rot(0, 5), rot(0, 0)}) ga.pt(q.x, q.y);
    pokarr g3 = make(ga, 3);
    for (i32 q = 0; q < g3.count; ++q) g3.z[q] = 1.0;
    OFFSEG(0, 0, T, g3);
    EXPECT_LT(g3.count, ga.n());
    sound(g3, "cut with heights before an arc");
    pokarr_free(g3);
    pokdim = 2;
    pkdm_rel_all();
}
