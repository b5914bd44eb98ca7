// Arc fitting: sampled arcs give back their circles, straight runs and short
// pieces stay points, wide arcs are divided, a fit that crosses the loop is
// undone.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "pocket/arcfit.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// Points on a circle from angle a0 through sweep sw (signed), n of them.
Loop arc_points(f64 cx, f64 cy, f64 r, f64 a0, f64 sw, i32 n, f64 noise = 0.0, std::mt19937* g = nullptr)
{
    std::uniform_real_distribution<f64> u(-1.0, 1.0);
    Loop l;
    for (i32 k = 0; k < n; ++k) {
        f64 a = a0 + sw * k / (n - 1), rr = r + (g != nullptr && k > 0 && k < n - 1 ? noise * u(*g) : 0.0);
        l.pt(cx + rr * std::cos(a), cy + rr * std::sin(a));
    }
    return l;
}

i32 count_arcs(const pokarr& a)
{
    i32 n = 0;
    for (i32 k = 0; k < a.count; ++k) n += pk_arc_at(a.x[k]) ? 1 : 0;
    return n;
}

}  // namespace

// Random arcs sampled with noise well inside the tolerance: one arc with the
// circle's centre and radius within the tolerance, turning the right way.
TEST(ArcFitting, SampledArcsGiveTheirCircles)
{
    fresh();
    std::mt19937 g(7);
    std::uniform_real_distribution<f64> rad(5.0, 50.0), sweep(0.7, 2.9), ang(-3.0, 3.0), off(-20.0, 20.0);
    const f64 tol = 0.01;
    for (i32 it = 0; it < 200; ++it) {
        const f64 r = rad(g), sw = sweep(g) * (it % 2 == 0 ? 1.0 : -1.0), cx = off(g), cy = off(g);
        // chords whose sagitta keeps within half the tolerance
        const i32 n = static_cast<i32>(std::fabs(sw) / (2.0 * std::acos(1.0 - 0.5 * tol / r))) + 6 + static_cast<i32>(g() % 10);
        Loop l = arc_points(cx, cy, r, ang(g), sw, n, 0.1 * tol, &g);
        pokarr a = make(l);
        i32 sizes[1] = {a.count}, keep = 1, st = -1;
        pk_fit_arcs(tol, a, 1, sizes, 1, keep, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(keep, 0);
        ASSERT_EQ(a.count, 5) << it;
        ASSERT_TRUE(pk_arc_at(a.x[1]));
        EXPECT_NEAR(a.x[2], r, tol) << it;
        EXPECT_EQ(a.y[2], sw > 0 ? 1.0 : -1.0);
        EXPECT_NEAR(a.x[3], cx, tol) << it;
        EXPECT_NEAR(a.y[3], cy, tol) << it;
        EXPECT_EQ(sizes[0], 5);
        // the ends are the samples' ends
        EXPECT_EQ(a.x[0], l.x.front());
        EXPECT_EQ(a.x[4], l.x.back());
        pokarr_free(a);
    }
}

// A straight run gives no arc; a piece of five points is never fitted; an
// arc of 200 degrees becomes two of 100, one of 178 stays whole; arcs already
// standing are copied through.
TEST(ArcFitting, RunsPiecesAndWideArcs)
{
    fresh();
    const f64 tol = 0.01;
    Loop line;
    for (i32 k = 0; k < 20; ++k) line.pt(k * 0.5, k * 0.25);
    pokarr a = make(line);
    i32 sizes[2] = {a.count, 0}, keep = 0, st = 0;
    pk_fit_arcs(tol, a, 1, sizes, 1, keep, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(a.count, 20);
    EXPECT_EQ(count_arcs(a), 0);
    pokarr_free(a);
    // a piece that crosses itself keeps its points and says so, fitted or
    // not, also when a piece too short to be examined follows it
    a = make(Loop().pt(0, 0).pt(1, 1).pt(4, 4).pt(4, 0).pt(3, 1).pt(0, 4).pt(9, 9).pt(10, 9).pt(11, 9).pt(12, 9));
    sizes[0] = 6;
    sizes[1] = 4;
    keep = 1;
    pk_fit_arcs(tol, a, 2, sizes, 1, keep, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(a.count, 10);
    EXPECT_EQ(keep, 1);
    pokarr_free(a);

    // five points of a circle then a full arc of 30 points: two pieces
    Loop two = arc_points(0, 0, 10, 0.0, 1.0, 5);
    Loop arc = arc_points(50, 0, 10, 0.0, 2.0, 30);
    two.x.insert(two.x.end(), arc.x.begin(), arc.x.end());
    two.y.insert(two.y.end(), arc.y.begin(), arc.y.end());
    a = make(two);
    sizes[0] = 5;
    sizes[1] = 30;
    pk_fit_arcs(tol, a, 2, sizes, 1, keep, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(sizes[0], 5);
    EXPECT_EQ(sizes[1], 5);
    EXPECT_EQ(a.count, 10);
    EXPECT_EQ(count_arcs(a), 1);
    // fitted again: the arc stands and is copied through
    pk_fit_arcs(tol, a, 2, sizes, 1, keep, st);
    EXPECT_EQ(a.count, 10);
    pokarr_free(a);

    const f64 deg = M_PI / 180.0;
    a = make(arc_points(0, 0, 10, 0.0, 200 * deg, 41));
    sizes[0] = a.count;
    pk_fit_arcs(tol, a, 1, sizes, 1, keep, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(count_arcs(a), 2);
    ASSERT_EQ(a.count, 9);
    EXPECT_EQ(sizes[0], 9);
    EXPECT_NEAR(a.x[4], 10 * std::cos(100 * deg), 1e-9);  // the middle at 100 degrees
    EXPECT_NEAR(a.y[4], 10 * std::sin(100 * deg), 1e-9);
    pokarr_free(a);
    a = make(arc_points(0, 0, 10, 0.0, 178 * deg, 41));
    sizes[0] = a.count;
    pk_fit_arcs(tol, a, 1, sizes, 1, keep, st);
    EXPECT_EQ(count_arcs(a), 1);
    pokarr_free(a);
}

// The same loop with and without a finger reaching between the chords of a
// coarsely sampled arc and the arc itself: without it the arc is fitted;
// with it the arc that pass 1 fits would cross the finger, so the piece
// keeps its points, and pass 2, whose band keeps the arc outside the
// chords, fits nothing there. With the arc's first 20 degrees sampled
// finely, pass 2 fits them cleanly: the keep flag tells of that last pass.
TEST(ArcFitting, FitCrossingTheLoopIsUndone)
{
    fresh();
    const f64 deg = M_PI / 180.0, tol = 0.03;
    auto polar = [](f64 r, f64 a) { return P{r * std::cos(a), r * std::sin(a)}; };
    for (i32 shape : {0, 1, 2}) {  // plain, finger, finger and a fine start
        const bool finger = shape != 0, fine = shape == 2;
        Loop l;
        l.pt(0, 0);
        for (i32 k = 0; k <= 9; ++k) {
            if (fine && k < 2)
                for (i32 d = 0; d < 10; ++d) l.pt(polar(10, (10 * k + d) * deg).x, polar(10, (10 * k + d) * deg).y);
            else
                l.pt(polar(10, 10 * k * deg).x, polar(10, 10 * k * deg).y);
        }
        l.pt(0, 12).pt(12, 12);
        if (finger) {
            P a = polar(12, 35.1 * deg), t = polar(9.99, 35 * deg), b = polar(12, 34.9 * deg);
            l.pt(a.x, a.y).pt(t.x, t.y).pt(b.x, b.y);
        }
        l.pt(13, 0).pt(13, -1).pt(0, -1).close();
        pokarr a = make(l);
        i32 cross = -1;
        pk_self_int_xy(a.x, a.y, a.count, cross);
        ASSERT_EQ(cross, 0);  // the points themselves make a simple loop
        i32 sizes[1] = {a.count}, keep = 1, st = 0;
        pk_fit_arcs(tol, a, 1, sizes, 1, keep, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(count_arcs(a), shape == 1 ? 0 : 1) << shape;
        EXPECT_EQ(keep, 0) << shape;  // pass 2, the last, makes no crossing
        if (shape == 2) {
            for (i32 k = 0; k + 3 < a.count; ++k) {
                if (pk_arc_at(a.x[k])) {
                    EXPECT_NEAR(a.y[k + 3], polar(10, 20 * deg).y, 1e-9);  // the arc ends at 20 degrees
                }
            }
        } else {
            EXPECT_EQ(a.count, finger ? l.n() : l.n() - 5);  // ten points become one arc block
        }
        pokarr_free(a);
    }
}

// The sweep of an arc from its start to its end about the centre, either
// way round; no radius at either end, or the end on the start, sweeps
// nothing. The check reports a deviation: 10 tol for an arc refused by its
// size, else the largest radial distance it met.
TEST(ArcFitting, SweepsAndTheCheckDeviation)
{
    struct Row {
        i32 dir;
        f64 sx, sy, ex, ey, want;
    } rows[] = {
        {1, 1, 0, 0, 1, 0.5 * M_PI},  {-1, 1, 0, 0, 1, 1.5 * M_PI}, {1, 0, 1, 1, 0, 1.5 * M_PI},
        {1, 2, 0, -2, 0, M_PI},       {1, 3, 0, 3, 0, 0.0},         {1, 0, 0, 0, 1, 0.0},
        {-1, 1, 0, 0, 0, 0.0},        {1, 0, 0, 0, 0, 0.0},
    };
    for (const Row& r : rows)
        EXPECT_NEAR(pk_arc_sweep(r.dir, 0.0, 0.0, r.sx, r.sy, r.ex, r.ey), r.want, 1e-12)
            << r.dir << " " << r.sx << " " << r.sy << " " << r.ex << " " << r.ey;
    const f64 tol = 0.01, c[2] = {0.0, 0.0};
    Loop l = arc_points(0, 0, 10, 0.0, 1.5, 40);
    l.y[20] += 0.003;  // one point off the circle, within the band
    f64 dev = -1.0;
    EXPECT_EQ(pk_arc_check(l.x.data(), l.y.data(), 40, tol, 1, c, 10.0, 1, &dev), 0);
    const f64 off = std::fabs(std::hypot(l.x[20], l.y[20]) - 10.0);
    EXPECT_GE(dev, off - 1e-12);
    EXPECT_LE(dev, 1.5 * tol);
    // a radius below 10 tol, or a sweep under 2 degrees, is refused at once
    EXPECT_EQ(pk_arc_check(l.x.data(), l.y.data(), 40, 2.0, 1, c, 10.0, 1, &dev), 1);
    EXPECT_EQ(dev, 20.0);
    // the centre is estimated from the middle points from n/5 + 1 to
    // 9n/10 - 2 (3 to 7 of 10): a point moved off the circle moves the
    // centre only there (the ends fix the chord either way)
    for (const i32 moved : {1, 2, 3, 5, 7, 8}) {
        Loop w = arc_points(0, 0, 10, 0.0, 1.5, 10);
        w.x[static_cast<size_t>(moved)] *= 1.01, w.y[static_cast<size_t>(moved)] *= 1.01;
        f64 cc[2], rr = 0.0, value = 0.0;
        i32 dd = 0;
        ASSERT_TRUE(pk_arc_fit(w.x.data(), w.y.data(), 10, tol, cc, rr, dd, value));
        EXPECT_EQ(std::hypot(cc[0], cc[1]) > 1e-6, moved >= 3 && moved <= 7) << moved;
    }
    // a point 0.3 tol inside the circle: within pass 1's band, below pass
    // 2's (which keeps the points above R - 0.1 tol)
    Loop in = arc_points(0, 0, 10, 0.0, 1.5, 40);
    in.x[20] *= 1.0 - 0.003 / 10.0, in.y[20] *= 1.0 - 0.003 / 10.0;
    EXPECT_EQ(pk_arc_check(in.x.data(), in.y.data(), 40, tol, 1, c, 10.0, 1, &dev), 0);
    EXPECT_EQ(pk_arc_check(in.x.data(), in.y.data(), 40, tol, 2, c, 10.0, 1, &dev), 1);
    // piece sizes beyond the list: a storage failure, the list unchanged
    pokarr few = make(arc_points(0, 0, 10, 0.0, 1.5, 8));
    i32 too_many[1] = {9}, keep = 0, st = 0;
    pk_fit_arcs(tol, few, 1, too_many, 1, keep, st);
    EXPECT_EQ(st, 11);
    EXPECT_EQ(few.count, 8);
    pokarr_free(few);
    Loop tiny = arc_points(0, 0, 10, 0.0, 0.02, 6);
    EXPECT_EQ(pk_arc_check(tiny.x.data(), tiny.y.data(), 6, tol, 1, c, 10.0, 1, &dev), 1);
    EXPECT_EQ(dev, 10.0 * tol);
}
