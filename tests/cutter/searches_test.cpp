// Searches that stop at a fixed step or take a small slope as level: their
// error against the exact answer on random edges, both ways (too low and too
// high, too far and too short), over a known least number of cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "common/dropref.h"
#include "common/tooldefs.h"
#include "cutter/gridln.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"
#include "cutter/profile.h"

namespace {

// Exact tip height of a tool over one edge (a degenerate triangle).
double edge_drop(const dropref::Tool& t, const double* a, const double* b)
{
    const double p[2] = {0.0, 0.0};
    const double v[3][3] = {{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, {b[0], b[1], b[2]}};
    return dropref::drop(t, p, v);
}

PlnEdge edge_of(const f32* a, const f32* b)
{
    PlnEdge e{};
    f64 dx = f64(b[0]) - a[0], dy = f64(b[1]) - a[1], l = std::hypot(dx, dy);
    e.e[0] = dx / l, e.e[1] = dy / l, e.len = l;
    e.c = e.e[0] * a[1] - e.e[1] * a[0];
    return e;
}

TEST(Searches, EdgeContactsOfTheDrop)
{
    std::mt19937 g(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    // The corner-radius search stops at a fixed step along the edge; the
    // flat and ball solutions are closed forms.
    struct T {
        const char* name;
        f32 R, r;
        dropref::Tool ref;
        double bound;
    } tools[] = {{"corner", 5.0f, 2.0f, {3, 5.0, 2.0}, 5e-5}, {"corner small", 5.0f, 0.5f, {3, 5.0, 0.5}, 5e-5},
                 {"flat", 5.0f, 0.0f, {2, 5.0, 0.0}, 2e-6}, {"ball", 5.0f, 5.0f, {1, 5.0, 5.0}, 2e-6}};
    for (const T& t : tools) {
        double worst = 0, worst_below = 0;
        int n = 0;
        for (int i = 0; i < 20000; ++i) {
            double scale = std::pow(10.0, u(g));  // edges from 0.1 to 10 long
            f32 a[3] = {static_cast<f32>(u(g) * 6), static_cast<f32>(u(g) * 6), static_cast<f32>(u(g) * 3)};
            f32 dz = static_cast<f32>(i % 4 == 0 ? u(g) * 0.002 : u(g) * scale);
            f32 b[3] = {static_cast<f32>(a[0] + u(g) * scale), static_cast<f32>(a[1] + u(g) * scale), a[2] + dz};
            if (std::hypot(b[0] - a[0], b[1] - a[1]) < 1e-3) continue;
            PlnEdge e = edge_of(a, b);
            if (std::fabs(e.c) >= t.R) continue;
            f64 d = e.c;
            f32 con[3], z = 0, aux = 0;
            i32 st = -1;
            if (t.ref.shape == 1)
                PLEBAL(a, b, e, t.R, d, con, z, aux, st);
            else if (t.ref.shape == 2)
                PLEFLT(a, b, e, t.R, d, con, z, aux, st);
            else
                PLETOR(a, b, e, t.R, t.r, d, con, z, aux, st);
            const double A[3] = {a[0], a[1], a[2]}, B[3] = {b[0], b[1], b[2]};
            double ref = edge_drop(t.ref, A, B);
            if (st < 0 || ref == dropref::NONE) continue;
            double err = ref - z;  // the tool below the exact height by err
            worst = std::max(worst, std::fabs(err));
            worst_below = std::max(worst_below, err);
            ++n;
        }
        std::printf("%-13s %d edges: largest difference %.3g, largest depth below the edge %.3g\n", t.name, n,
                    worst, worst_below);
        EXPECT_LT(worst_below, 1e-5) << t.name;
        EXPECT_LT(worst, t.bound) << t.name;  // nor too high
        EXPECT_GE(n, 10000) << t.name;
    }
}

// A face whose contact point falls on an edge that runs within a hair of
// the Y axis: the height where the contact lies on the edge is that of the
// exact drop, found along the edge's long direction.
TEST(Searches, FaceContactOnANearlyAxialEdge)
{
    const dropref::Tool ball{1, 3.0, 3.0};
    for (f64 ex : {2e-5, 5e-4, 0.0, 3e-3}) {
        const f32 v[9] = {1, 1, 0, static_cast<f32>(1 + ex), 11, 10, -9, 6, 3};
        f64 e1[3], e2[3], n[3];
        for (int k = 0; k < 3; ++k) e1[k] = f64(v[3 + k]) - v[k], e2[k] = f64(v[6 + k]) - v[k];
        n[0] = e1[1] * e2[2] - e1[2] * e2[1], n[1] = e1[2] * e2[0] - e1[0] * e2[2], n[2] = e1[0] * e2[1] - e1[1] * e2[0];
        const f64 nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) * (n[2] < 0 ? -1 : 1);
        for (f64& c : n) c /= nl;
        i32 entry[TRG_WORDS] = {};
        entry[TRG_FLAGS] = trgflg(1);
        for (int k = 0; k < 3; ++k) entry[TRG_NRM + k] = r2wrd(static_cast<f32>(n[k]));
        entry[TRG_PLANE] = r2wrd(static_cast<f32>(-(n[0] * v[0] + n[1] * v[1] + n[2] * v[2])));
        for (f64 s : {0.1, 0.37, 0.5, 0.81}) {
            // the ball's face contact point on the edge at s: the axis r n
            // beside it
            const f64 q[2] = {v[0] + s * e1[0], v[1] + s * e1[1]};
            f32 p[3] = {static_cast<f32>(q[0] + 3.0 * n[0]), static_cast<f32>(q[1] + 3.0 * n[1]), 0.0f};
            f32 con[3], z = 0, ed = 0, aux = 0;
            i32 st = -5;
            PLNCNT(v, v + 3, v + 6, entry, p, KND_BALL, 0, 0, 0.01f, 6.0f, 3.0f, z, con, ed, aux, st);
            const f64 P[2] = {p[0], p[1]};
            const f64 V[3][3] = {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
            const f64 ref = dropref::drop(ball, P, V);
            EXPECT_GE(st, 0) << ex << " " << s;
            EXPECT_NEAR(z, ref, 2e-5) << ex << " " << s;
        }
    }
}

// An edge just beyond the rim (the retried edge road reaches 0.002 past it):
// each end shape reports the edge's nearest distance and its height there
// (status 2); the corner-radius end, which reaches no point of it, answers
// a height no contact falls below. On the grid lines such a segment gives no
// height.
TEST(Searches, EdgeJustBeyondTheRim)
{
    const f32 a[3] = {-3.0f, 5.001f, 1.0f}, b[3] = {4.0f, 5.001f, 2.4f};
    const PlnEdge e = edge_of(a, b);
    for (i32 shape : {1, 2, 3}) {
        f64 d = e.c;
        f32 con[3], z = 0, aux = 0;
        i32 st = -1;
        if (shape == 1)
            PLEBAL(a, b, e, 5.0f, d, con, z, aux, st);
        else if (shape == 2)
            PLEFLT(a, b, e, 5.0f, d, con, z, aux, st);
        else
            PLETOR(a, b, e, 5.0f, 2.0f, d, con, z, aux, st);
        EXPECT_EQ(st, 2) << shape;
        EXPECT_NEAR(d, 5.001, 1e-6) << shape;
        EXPECT_NEAR(aux, 1.6f, 1e-5) << shape;  // the edge's height at the axis's foot
        if (shape == 3) {
            EXPECT_LT(z, -1.0e9f);
        }
    }
    norak::reset();
    tooldefs::use_mill(10.0f, 2.0f);
    ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
    const f32 seg[6] = {-3.0f, 5.00005f, 1.0f, 4.0f, 5.00005f, 2.4f}, p[3] = {0, 0, 0};
    f32 res[3];
    i32 st = 9;
    GRDDRP(p, 0.01f, seg, 1, res, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(res[2], -1.0e10f);
    LOCRST();
    // A tapered tool (top radius 3 + 20 tan 10 = 6.52654) under level
    // segments at height 30: the flank rests on one within the top radius,
    // the top of the flank (a sharp rim 20 above the tip) on one at the rim.
    tooldefs::use_mill(6.0f, 1.0f, 20.0f, 10.0f);
    ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
    const f64 cot = 1.0 / std::tan(10.0 * 3.141592653589793 / 180.0);
    for (f32 y : {6.4f, 6.52656f}) {
        const f32 high[6] = {-5.0f, y, 30.0f, 5.0f, y, 30.0f};
        GRDDRP(p, 0.01f, high, 1, res, st);
        EXPECT_EQ(st, 0);
        const f64 flank = 30.0 - (f64(y) - 3.0) * cot;
        EXPECT_NEAR(res[2], y < 6.5f ? flank : 10.0, 1e-5) << y;
    }
    LOCRST();
}

// The horizontal travel to an edge against the exact first touch, for a
// corner-radius tool and flat tools of several widths: random edges, and
// edges rising through the tip plane beside the axis, first met where they
// cross it (the tool's bottom rim meets them at its own level).
TEST(Searches, EdgeTravelMeetsTheFirstTouch)
{
    const double L = 20.0;
    const double rising[][6] = {{5, -10, -6, 5, 10, 4},  {5, 10, 4, 5, -10, -6}, {4, -8, -3, 9, 8, 2},
                                {6, -3, -1, 3, 6, 5},    {3, 1, -2, 3.5, 7, 2},  {5, -1, -0.5, 8, -9, 3.5}};
    for (const dropref::Tool ref : {dropref::Tool{3, 3.0, 1.0}, dropref::Tool{2, 3.0, 0.0}, dropref::Tool{2, 5.0, 0.0},
                                    dropref::Tool{2, 8.0, 0.0}}) {
        const double W = ref.R, rc = ref.r;
        std::mt19937 g(11);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        double worst = 0, worst_far = 0;
        int n = 0;
        for (int i = 0; i < 20000 + 6; ++i) {
            const double x0 = W - 1.0;  // ahead of the tool's front at the start
            double s[3] = {x0 + u(g) * 6, u(g) * 3, u(g) * 1.5}, e[3] = {x0 + u(g) * 6, u(g) * 3, u(g) * 1.5};
            if (i >= 20000)
                for (int k = 0; k < 3; ++k) s[k] = rising[i - 20000][k], e[k] = rising[i - 20000][3 + k];
            double dist = 0, pt[3];
            i32 st = 2;
            EDGTRV(0.01, s, e, L, W, rc, dist, pt, st);
            // Exact: the first x at which the tool, moving along +x at tip
            // height 0, meets the edge.
            auto over = [&](double x) {
                const double P[2] = {x, 0.0};
                const double v[3][3] = {{s[0], s[1], s[2]}, {e[0], e[1], e[2]}, {e[0], e[1], e[2]}};
                return dropref::drop(ref, P, v);
            };
            // (The edges rising through the tip plane from behind, where the
            // widest tool already stands on them.)
            double lo = i < 20000 ? -1.0 : -L, hi = L;
            if (over(lo) > 0 || !(over(hi) > 0)) {
                double x = lo;
                while (x < hi && !(over(x) > 0)) x += 0.01;
                if (x >= hi || x <= lo) {
                    EXPECT_TRUE(i < 20000 || st != 0) << W << "/" << rc << " edge " << i << " travel " << dist;
                    continue;
                }
                hi = x, lo = x - 0.01;
            }
            for (int it = 0; it < 80; ++it) {
                double m = 0.5 * (lo + hi);
                (over(m) > 0 ? hi : lo) = m;
            }
            const double exact = std::max(hi, 0.0);
            if (i >= 20000) {
                EXPECT_EQ(st, 0) << W << "/" << rc << " edge " << i - 20000;
                EXPECT_NEAR(dist, exact, 1e-6) << W << "/" << rc << " edge " << i - 20000;
            }
            if (st != 0) continue;
            worst = std::max(worst, std::fabs(dist - exact));
            worst_far = std::max(worst_far, dist - exact);  // travelled past the contact
            ++n;
        }
        std::printf("edge travel %g/%g, %d edges: largest difference %.3g, largest travel past the contact %.3g\n", W,
                    rc, n, worst, worst_far);
        EXPECT_LT(worst_far, 0.01);
        EXPECT_LT(worst, 1e-6);  // nor short of it
        EXPECT_GE(n, 5000);
    }
}

// The edge travel's answers by where the edge lies, for a flat end and a
// corner-radius end of radius 3 on a move of 10: wholly beyond the tool's
// front at the move's end, beside the section at the edge's height, below
// the tip plane or behind the tool: no contact (2); ahead but beyond 1.001
// of the move: 1 with its travel; met on the way or where the tool stands: 0.
TEST(Searches, EdgeTravelAnswersByWhereTheEdgeLies)
{
    const double L = 10.0, W = 3.0;
    struct Case {
        double rc, s[3], e[3];
        i32 st;
        double dist;  // -1: not checked
    } cases[] = {
        {0.0, {13.5, 0, 1}, {14, 1, 2}, 2, -1},         {1.0, {13.2, -1, 0.5}, {20, 1, 3}, 2, -1},
        {1.0, {4, 2.7, 0.2}, {9, 2.8, 0.1}, 2, -1},     {0.0, {4, 3.0, 1}, {9, 3.5, 1}, 2, -1},
        {0.0, {4, -1, -0.5}, {9, 1, -0.2}, 2, -1},      {0.0, {-1, -1, 1}, {-3, 1, 1}, 2, -1},
        {0.0, {12.9, 2.9, 2}, {18, 2.9, 2}, 1, 12.9 - std::sqrt(9.0 - 2.9 * 2.9)},
        {0.0, {8, -1, 1}, {8, 1, 1}, 0, 5.0},           {1.0, {8, -1, 0.5}, {8, 1, 4}, 0, 5.0},
        {0.0, {2, -1, 1}, {2, 1, 1}, 0, 0.0},           {0.0, {6, 0.5, 1}, {6, 0.5, 7}, 0, 6.0 - std::sqrt(8.75)},
    };
    for (const Case& c : cases) {
        double dist = -7, pt[3];
        i32 st = -7;
        EDGTRV(0.01, c.s, c.e, L, W, c.rc, dist, pt, st);
        EXPECT_EQ(st, c.st) << c.rc << " " << c.s[0] << " " << c.s[1];
        if (c.dist >= 0) {
            EXPECT_NEAR(dist, c.dist, 1e-9) << c.rc << " " << c.s[0] << " " << c.s[1];
        }
    }
}

// Edges the tool stands in or on at its start, and where the touch lies:
// an edge running through the tool whose deepest point lies far behind the
// axis (travel down to -2W, below -L) is met where the tool stands, as is a
// triangle lying inside the tool; an upright edge is met at its higher end
// also where the travel is level along it; a near-level edge dipping below
// the tip plane by less than the slack touches at the tip's level.
TEST(Searches, EdgeTravelTouchesWhereTheToolStands)
{
    struct Case {
        double W, rc, L, s[3], e[3], dist, p[3];
    } cases[] = {
        {1, 0, 1, {-0.9, 0, 0.5}, {0.1, 0, 0.5}, 0.0, {-0.9, 0, 0.5}},
        {3, 0, 2, {-2, 1, 1}, {0.5, -1, 1}, 0.0, {-2, 1, 1}},
        {3, 0, 10, {5, 0.5, 1}, {5, 0.5, 7}, 5.0 - std::sqrt(8.75), {5, 0.5, 7}},
        {3, 1, 10, {5, 0.5, 6}, {5, 0.5, 0.2}, 5.0 - std::sqrt(8.75), {5, 0.5, 6}},
        {3, 0, 10, {4, 1, -4e-6}, {8, 1, -1e-6}, 4.0 - std::sqrt(8.0), {4, 1, 0}},
    };
    for (const Case& c : cases) {
        double dist = -7, pt[3] = {-7, -7, -7};
        i32 st = -7;
        EDGTRV(0.01, c.s, c.e, c.L, c.W, c.rc, dist, pt, st);
        EXPECT_EQ(st, 0) << c.s[0] << " " << c.s[2];
        EXPECT_NEAR(dist, c.dist, 1e-9) << c.s[0] << " " << c.s[2];
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(pt[k], c.p[k], 1e-6) << c.s[0] << " " << c.s[2] << " " << k;
    }
    const double W = 1, rc = 0, L = 1, tol = 0.01;
    const double inside[9] = {-0.9, -0.2, 0.5, -0.9, 0.2, 0.5, 0.1, 0, 0.5};
    double dist = -7, pt[3];
    i32 st = -7;
    TRGTRV(tol, inside, L, W, rc, dist, pt, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(dist, 0.0);
}

// The 2-D normalisation: a direction within about 4.5e-7 of an axis (its
// unit component beyond 1 - 1e-13) becomes that axis exactly, as edges
// parallel to an axis but for rounding must; one a little farther off keeps
// its small component; a direction shorter than 1e-6 is refused unchanged.
TEST(Searches, NearAxisDirectionsSnapToTheAxis)
{
    struct Case {
        f32 x, y, ux, uy;
    };
    const Case cases[] = {{2, 6e-7f, 1, 0},  {-2, 6e-7f, -1, 0}, {6e-7f, -2, 0, -1},
                          {2, 2e-6f, 1, 1e-6f}, {3e-6f, 3, 1e-6f, 1}};
    for (const Case& c : cases) {
        f32 v[2] = {c.x, c.y}, len = 0;
        i32 st = 0;
        V2NRMS(v, len, st);
        EXPECT_EQ(st, 0);
        EXPECT_FLOAT_EQ(len, std::hypot(c.x, c.y));
        const f32 want[2] = {c.ux, c.uy};
        for (int k = 0; k < 2; ++k) {
            if (want[k] == 0)
                EXPECT_EQ(v[k], 0.0f) << c.x << " " << c.y;  // exactly on the axis
            else
                EXPECT_FLOAT_EQ(v[k], want[k]) << c.x << " " << c.y;
        }
    }
    f32 tiny[2] = {5e-7f, 5e-7f}, len = 1;
    i32 st = 0;
    V2NRMS(tiny, len, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(len, 0.0f);
    EXPECT_EQ(tiny[0], 5e-7f);
}

}  // namespace
