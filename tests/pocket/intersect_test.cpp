// Intersections of loop segments against long-double references; the joint
// snapping, the nearly parallel branch and tangent cases.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pocket/cntlst.h"
#include "pocket/pkgeom.h"
#include "tests/pocket/common.h"

using namespace pk;
using L = long double;

namespace {

// Line-line meeting point in long double.
bool ref_lines(const f64* a1, const f64* a2, const f64* b1, const f64* b2, L& x, L& y)
{
    L dax = (L)a2[0] - a1[0], day = (L)a2[1] - a1[1], dbx = (L)b2[0] - b1[0], dby = (L)b2[1] - b1[1];
    L det = dax * dby - day * dbx;
    if (det == 0.0L) return false;
    L t = (((L)b1[0] - a1[0]) * dby - ((L)b1[1] - a1[1]) * dbx) / det;
    x = a1[0] + t * dax;
    y = a1[1] + t * day;
    return true;
}

// Line-circle points in long double (up to two).
int ref_line_circle(const f64* p1, const f64* p2, const f64* c, f64 r, L out[2][2])
{
    L dx = (L)p2[0] - p1[0], dy = (L)p2[1] - p1[1], fx = (L)p1[0] - c[0], fy = (L)p1[1] - c[1];
    L a = dx * dx + dy * dy, b = 2 * (fx * dx + fy * dy), cc = fx * fx + fy * fy - (L)r * r;
    L disc = b * b - 4 * a * cc;
    if (disc < 0) return 0;
    L s = std::sqrt(disc);
    for (int k = 0; k < 2; ++k) {
        L t = (-b + (k == 0 ? s : -s)) / (2 * a);
        out[k][0] = p1[0] + t * dx;
        out[k][1] = p1[1] + t * dy;
    }
    return 2;
}

// Circle-circle points in long double.
int ref_circles(const f64* c1, f64 r1, const f64* c2, f64 r2, L out[2][2])
{
    L dx = (L)c2[0] - c1[0], dy = (L)c2[1] - c1[1], d2 = dx * dx + dy * dy, d = std::sqrt(d2);
    L a = ((L)r1 * r1 - (L)r2 * r2 + d2) / (2 * d), h2 = (L)r1 * r1 - a * a;
    if (h2 < 0) return 0;
    L h = std::sqrt(h2), mx = c1[0] + a * dx / d, my = c1[1] + a * dy / d;
    out[0][0] = mx - h * dy / d;
    out[0][1] = my + h * dx / d;
    out[1][0] = mx + h * dy / d;
    out[1][1] = my - h * dx / d;
    return 2;
}

bool near_ref(f64 x, f64 y, L rx, L ry, f64 tol) { return std::hypot((f64)(x - rx), (f64)(y - ry)) < tol; }

bool is_end(f64 x, f64 y, std::initializer_list<const f64*> ends)
{
    for (const f64* e : ends)
        if (x == e[0] && y == e[1]) return true;
    return false;
}

// Within 1e-6 of some stored end point.
const f64* near_end(L x, L y, std::initializer_list<const f64*> ends)
{
    for (const f64* e : ends)
        if (std::hypot((f64)(x - e[0]), (f64)(y - e[1])) < 1e-6) return e;
    return nullptr;
}

const f64 NONE[2] = {PK_NOGUIDE, PK_NOGUIDE};

}  // namespace

TEST(SegmentIntersections, StraightSegmentsAgreeWithLongDoubleOrSnapToTheirEnds)
{
    fresh();
    std::mt19937 g(7);
    std::uniform_real_distribution<f64> u(-10, 10);
    i32 found = 0;
    for (int k = 0; k < 4000; ++k) {
        f64 a1[2] = {u(g), u(g)}, a2[2] = {u(g), u(g)}, b1[2] = {u(g), u(g)}, b2[2] = {u(g), u(g)};
        if (k % 5 == 0) {  // a shared end point, computed in a slightly different way
            b1[0] = a2[0] + 3e-7;
            b1[1] = a2[1] - 2e-7;
        }
        f64 x = 0, y = 0;
        i32 st = 0;
        pk_lnln_off(0, a1, a2, b1, b2, a1, a2, b1, b2, NONE, NONE, x, y, st);
        L rx, ry;
        bool have = ref_lines(a1, a2, b1, b2, rx, ry);
        if (st != 1) continue;
        ++found;
        ASSERT_TRUE(have);
        if (const f64* e = near_end(rx, ry, {a1, a2, b1, b2})) {
            EXPECT_TRUE(is_end(x, y, {a1, a2, b1, b2})) << k;
            (void)e;
        } else {
            EXPECT_TRUE(near_ref(x, y, rx, ry, 1e-9)) << k;
        }
        f64 X[2];
        i32 s2 = 0;
        pk_lnln2(a1, a2, b1, b2, X, s2);
        EXPECT_EQ(s2, 1);
        EXPECT_LT(std::hypot(X[0] - x, X[1] - y), 1e-9);
    }
    EXPECT_GT(found, 500);
}

TEST(SegmentIntersections, ExactSharedEndsComeBackBitForBit)
{
    const f64 a1[2] = {0.1, 0.7}, a2[2] = {3.3000000000000003, 2.9}, b2[2] = {-1.7, 8.1};
    f64 x = 0, y = 0;
    i32 st = 0;
    pk_lnln_off(0, a1, a2, a2, b2, a1, a2, a2, b2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(x, a2[0]);
    EXPECT_EQ(y, a2[1]);
    // a crossing at 95 % of the first segment is recomputed from its other end
    const f64 c1[2] = {0, 0}, c2[2] = {10, 0}, d1[2] = {9.5, -1}, d2[2] = {9.5, 1};
    pk_lnln_off(0, c1, c2, d1, d2, c1, c2, d1, d2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(x, 9.5, 1e-12);
    // collinear overlapping segments: the parallel answer
    const f64 e1[2] = {0, 0}, e2[2] = {4, 0}, f1[2] = {2, 0}, f2[2] = {6, 0};
    pk_lnln_off(0, e1, e2, f1, f2, e1, e2, f1, f2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 2);
    // lines (mode 1): the meeting point outside both segments
    const f64 g1[2] = {2, 5}, g2[2] = {3, 6};
    pk_lnln_off(1, c1, c2, g1, g2, c1, c2, g1, g2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(x, -3.0, 1e-12);
    pk_lnln_off(0, c1, c2, g1, g2, c1, c2, g1, g2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 0);
    // the lines meet at an end of one segment beyond the other's end: none
    const f64 h1[2] = {10, 1}, h2[2] = {10, 2}, k1[2] = {12, 1}, k2[2] = {12, 0};
    pk_lnln_off(0, c1, c2, h1, h2, c1, c2, h1, h2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 0);
    pk_lnln_off(0, c1, c2, k1, k2, c1, c2, k1, k2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 0);
    // a reference segment of no length, or shorter than 1e-6: degenerate
    pk_lnln_off(0, c1, c2, g1, g2, c1, c2, g1, g1, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 2);
    const f64 g3[2] = {2, 5 + 5e-7};
    pk_lnln_off(0, c1, c2, g1, g2, c1, c2, g1, g3, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 2);
    pk_lnln_off(0, c1, c2, g1, g2, g1, g3, c1, c2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 2);
}

TEST(SegmentIntersections, NearlyParallelSegmentsWithGuidesTakeTheGuidedEnd)
{
    // B runs along A at a slope of 5e-5; A's end lies on B
    const f64 a1[2] = {0, 0}, a2[2] = {10, 0};
    const f64 b1[2] = {5, -2.5e-4}, b2[2] = {15, 2.5e-4};
    const f64 ga[2] = {0, 1}, gb[2] = {0, 1};
    f64 x = 0, y = 0;
    i32 st = 0;
    pk_lnln_off(0, a1, a2, b1, b2, a1, a2, b1, b2, ga, gb, x, y, st);
    EXPECT_EQ(st, 3);
    EXPECT_EQ(x, a2[0]);
    EXPECT_EQ(y, a2[1]);
    // without guides the plain meeting point (status 1)
    pk_lnln_off(0, a1, a2, b1, b2, a1, a2, b1, b2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(x, 10.0, 1e-9);
    // B passes A's end 5e-7 off: the lines meet at 8 on A, the guide from
    // A's end meets B within the tolerance, and A's end is taken
    const f64 c1[2] = {5, -7.5e-7}, c2[2] = {15, 1.75e-6};
    pk_lnln_off(0, a1, a2, c1, c2, a1, a2, c1, c2, ga, gb, x, y, st);
    EXPECT_EQ(st, 3);
    EXPECT_EQ(x, a2[0]);
    EXPECT_EQ(y, a2[1]);
    pk_lnln_off(0, a1, a2, c1, c2, a1, a2, c1, c2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(x, 8.0, 1e-9);
    // mode 3 takes the lines like mode 1: they meet beyond both segments
    const f64 d1[2] = {12, 1}, d2[2] = {13, 2};
    pk_lnln_off(3, a1, a2, d1, d2, a1, a2, d1, d2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(x, 11.0, 1e-12);
    pk_lnln_off(2, a1, a2, d1, d2, a1, a2, d1, d2, NONE, NONE, x, y, st);
    EXPECT_EQ(st, 0);
}

TEST(SegmentIntersections, LineAndArcAgreeWithLongDoubleOrTakeTheJoint)
{
    std::mt19937 g(11);
    std::uniform_real_distribution<f64> u(-10, 10), ang(0, 2 * M_PI), sw(0.1, 3.0), rad(0.5, 8);
    i32 found = 0;
    for (int k = 0; k < 4000; ++k) {
        f64 c[2] = {u(g), u(g)}, r = rad(g), a0 = ang(g), s = sw(g);
        i32 dir = k % 2 ? 1 : -1;
        f64 S[2] = {c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)};
        f64 E[2] = {c[0] + r * std::cos(a0 + dir * s), c[1] + r * std::sin(a0 + dir * s)};
        f64 p1[2] = {u(g), u(g)}, p2[2] = {u(g), u(g)};
        if (k % 7 == 0) {  // the segment starts at the arc's end
            p1[0] = E[0];
            p1[1] = E[1];
        }
        for (i32 pick : {0, 1, 2, 3}) {
            LinCirc sel;
            sel.pick = pick;
            sel.order = k % 3 == 0 ? 2 : 1;
            i32 mode = 1, n = 0;
            f64 x = 0, y = 0;
            LINCIRC(mode, sel, c[0], c[1], r, dir, p1, p2, S, E, p1, p2, x, y, n);
            if (n != 1) continue;
            ++found;
            L ref[2][2];
            ASSERT_EQ(ref_line_circle(p1, p2, c, r, ref), 2);
            bool endpoint = is_end(x, y, {p1, p2, S, E});
            bool computed = near_ref(x, y, ref[0][0], ref[0][1], 1e-9) || near_ref(x, y, ref[1][0], ref[1][1], 1e-9);
            EXPECT_TRUE(endpoint || computed) << k;
            if (!endpoint)
                for (int m = 0; m < 2; ++m)
                    if (near_ref(x, y, ref[m][0], ref[m][1], 1e-9)) {
                        EXPECT_EQ(near_end(ref[m][0], ref[m][1], {p1, p2, S, E}), nullptr) << "a joint not snapped " << k;
                    }
            i32 code = 0;
            pk_pnt_on_arc(c[0], c[1], r, dir, S[0], S[1], E[0], E[1], x, y, code);
            EXPECT_NE(code, 0) << k;
        }
    }
    EXPECT_GT(found, 1000);
}

TEST(SegmentIntersections, TangentLinesAndNearTangentCircles)
{
    const f64 c[2] = {0, 0}, S[2] = {-1, 0}, E[2] = {1, 0}, p1[2] = {-2, 1}, p2[2] = {2, 1};
    LinCirc sel;
    f64 x = 0, y = 0;
    i32 n = 0;
    // tangent at the top of a clockwise half circle from (-1, 0) to (1, 0)
    for (i32 mode : {1, 3}) {
        i32 m = mode;
        LINCIRC(m, sel, c[0], c[1], 1.0, -1, p1, p2, S, E, p1, p2, x, y, n);
        EXPECT_EQ(n, 0) << mode;
        EXPECT_EQ(m, mode == 3 ? 2 : 1);
    }
    i32 m = 2;
    LINCIRC(m, sel, c[0], c[1], 1.0, -1, p1, p2, S, E, p1, p2, x, y, n);
    EXPECT_EQ(n, 1);
    EXPECT_NEAR(x, 0.0, 1e-12);
    EXPECT_NEAR(y, 1.0, 1e-12);
    // a segment whose nearest point lies beyond r + 1e-6: none
    const f64 q1[2] = {-2, 1.00001}, q2[2] = {2, 1.00001};
    m = 2;
    LINCIRC(m, sel, c[0], c[1], 1.0, -1, q1, q2, S, E, q1, q2, x, y, n);
    EXPECT_EQ(n, 0);
    // circles that touch, or miss by a hair: one point between the centres
    f64 pts[4];
    i32 cnt = 0;
    const f64 c1[2] = {0, 0}, c2[2] = {3, 0};
    pk_circ_circ(c1, 1.0, c2, 2.0, pts, cnt);
    EXPECT_EQ(cnt, 1);
    EXPECT_NEAR(pts[0], 1.0, 1e-12);
    pk_circ_circ(c1, 1.0 - 1e-9, c2, 2.0, pts, cnt);
    EXPECT_EQ(cnt, 1);
    EXPECT_NEAR(pts[0], 1.0, 1e-8);
    pk_circ_circ(c1, 1.0, c1, 1.0, pts, cnt);
    EXPECT_EQ(cnt, -1);
    pk_circ_circ(c1, 0.5, c2, 2.0, pts, cnt);
    EXPECT_EQ(cnt, 0);
    i32 na = 0;
    const f64 s1[2] = {1, 0}, e1[2] = {0, 1};
    pk_arc_arc(1, 0, 0, 0, 1, 1, s1, e1, 0, 0, 1, 1, s1, e1, x, y, na);
    EXPECT_EQ(na, 2);  // arcs of one circle
    // arcs crossing at the first one's start and at (0, 1): the start is
    // taken, unless start points are excluded (the other crossing then)
    const f64 e3[2] = {-0.6, 0.8}, s4[2] = {1.5, 1 - std::sqrt(0.75)};
    const f64 e4[2] = {1 + std::cos(160 * M_PI / 180), 1 + std::sin(160 * M_PI / 180)};
    for (i32 ex : {0, 2}) {
        pk_arc_arc(1, ex, 0, 0, 1, 1, s1, e3, 1, 1, 1, -1, s4, e4, x, y, na);
        ASSERT_EQ(na, 1) << ex;
        EXPECT_NEAR(x, ex == 0 ? 1.0 : 0.0, 1e-12) << ex;
        EXPECT_NEAR(y, ex == 0 ? 0.0 : 1.0, 1e-12) << ex;
    }
}

TEST(SegmentIntersections, TwoArcsAgreeWithLongDouble)
{
    std::mt19937 g(5);
    std::uniform_real_distribution<f64> u(-5, 5), ang(0, 2 * M_PI), sw(0.1, 3.0), rad(1, 6);
    i32 found = 0;
    for (int k = 0; k < 4000; ++k) {
        f64 c1[2] = {u(g), u(g)}, c2[2] = {u(g), u(g)}, r1 = rad(g), r2 = rad(g);
        f64 a1 = ang(g), a2 = ang(g), w1 = sw(g), w2 = sw(g);
        i32 d1 = k % 2 ? 1 : -1, d2 = k % 3 ? -1 : 1;
        f64 S1[2] = {c1[0] + r1 * std::cos(a1), c1[1] + r1 * std::sin(a1)};
        f64 E1[2] = {c1[0] + r1 * std::cos(a1 + d1 * w1), c1[1] + r1 * std::sin(a1 + d1 * w1)};
        f64 S2[2] = {c2[0] + r2 * std::cos(a2), c2[1] + r2 * std::sin(a2)};
        f64 E2[2] = {c2[0] + r2 * std::cos(a2 + d2 * w2), c2[1] + r2 * std::sin(a2 + d2 * w2)};
        for (i32 pick : {1, 2}) {
            f64 x = 0, y = 0;
            i32 n = 0;
            pk_arc_arc(pick, 0, c1[0], c1[1], r1, d1, S1, E1, c2[0], c2[1], r2, d2, S2, E2, x, y, n);
            if (n != 1) continue;
            ++found;
            L ref[2][2];
            if (ref_circles(c1, r1, c2, r2, ref) == 2) {
                EXPECT_TRUE(near_ref(x, y, ref[0][0], ref[0][1], 1e-9) || near_ref(x, y, ref[1][0], ref[1][1], 1e-9) ||
                            is_end(x, y, {S1, E1, S2, E2}))
                    << k;
            }
            i32 k1 = 0, k2 = 0;
            pk_pnt_on_arc(c1[0], c1[1], r1, d1, S1[0], S1[1], E1[0], E1[1], x, y, k1);
            pk_pnt_on_arc(c2[0], c2[1], r2, d2, S2[0], S2[1], E2[0], E2[1], x, y, k2);
            EXPECT_TRUE(k1 != 0 && k2 != 0) << k;
        }
    }
    EXPECT_GT(found, 500);
}

TEST(SegmentIntersections, ThreeDimensionalSegmentsAndNearMisses)
{
    // segments crossing in plan: a height gap of a chord's error still
    // meets (at the nearest point on A); a real gap in height does not,
    // and is no crossing without boxes too
    f64 X[3], ta = 0, tb = 0;
    i32 st = 0;
    for (const f64 gap : {0.0, 1e-5, 5e-4, 0.01, 1.0, 50.0}) {
        const f64 g[12] = {0, 0, 0, 1, 0, 0, 0.5, -1, gap, 0.5, 1, gap};
        pk_lnln3(g, nullptr, X, ta, tb, st);
        EXPECT_EQ(st, gap < 1e-3 ? 1 : 2) << gap;
        if (st == 1) {
            EXPECT_NEAR(X[0], 0.5, 1e-12) << gap;
            EXPECT_NEAR(X[2], 0.0, 1e-12) << gap;
        }
    }
    const f64 skew[12] = {0, 0, 0, 1, 0, 0, 0.5, -1, 1, 0.5, 1, 1};
    // boxes apart: none
    const f64 boxes[12] = {0, 0, 0, 1, 0, 0, 0.5, -1, 1.5, 0.5, 1, 1.6};
    pk_lnln3(skew, boxes, X, ta, tb, st);
    EXPECT_EQ(st, 0);
    // crossing in space: the fractions count from the given starts
    const f64 cr[12] = {0, 0, 0, 10, 0, 0, 9.5, -1, 0, 9.5, 1, 0};
    pk_lnln3(cr, nullptr, X, ta, tb, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(ta, 0.95, 1e-12);
    EXPECT_NEAR(tb, 0.5, 1e-12);
    EXPECT_NEAR(X[0], 9.5, 1e-12);
    // a shallow segment whose end (given last or first) lies off A sideways:
    // meeting A at that end when off by less than 1e-6, else no crossing
    for (const f64 off : {1e-7, 5e-7, 5e-6})
        for (const bool last : {true, false}) {
            const f64 e[3] = {10, -off, 0}, o[3] = {0, -0.01, 0};
            const f64* b1 = last ? o : e;
            const f64* b2 = last ? e : o;
            const f64 nm[12] = {0, 0, 0, 20, 0, 0, b1[0], b1[1], b1[2], b2[0], b2[1], b2[2]};
            pk_lnln3(nm, nullptr, X, ta, tb, st);
            EXPECT_EQ(st, off < 1e-6 ? 1 : 0) << off << last;
            if (st == 1) {
                EXPECT_EQ(tb, last ? 1.0 : 0.0) << off;
                EXPECT_EQ(X[0], e[0]) << off;
                EXPECT_EQ(X[1], e[1]) << off;
                EXPECT_NEAR(ta, 0.5, 1e-5) << off;
            }
        }
    // a degenerate first segment
    const f64 dg[12] = {1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0};
    pk_lnln3(dg, nullptr, X, ta, tb, st);
    EXPECT_EQ(st, -1);
    // lines in one plane, the same line, not in one plane
    const f64 P[3] = {0, 0, 0}, U[3] = {1, 0, 0}, Q[3] = {2, -1, 0}, V[3] = {0, 1, 0}, W[3] = {0, 0.6, 0.8};
    f64 tp = 0, tq = 0;
    pk_ln3_plane(P, U, Q, V, X, tp, tq, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(tp, 2.0, 1e-12);
    EXPECT_NEAR(tq, 1.0, 1e-12);
    pk_ln3_plane(P, U, Q, W, X, tp, tq, st);
    EXPECT_EQ(st, -3);
    const f64 Q2[3] = {3, 0, 0};
    pk_ln3_plane(P, U, Q2, U, X, tp, tq, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(tp, 3.0);
    // starts closer than the kernel's point tolerance coincide: the shared
    // point, in the function and through the 3-D segment intersection
    const f64 Qn[3] = {0, 5e-7, 1e-7}, Z[3] = {0, 0, 1};
    pk_ln3_plane(P, U, Qn, Z, X, tp, tq, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(tp, 0.0);
    EXPECT_EQ(X[0], 0.0);
    EXPECT_EQ(X[1], 0.0);
    pokdim = 3;
    const f64 A2[3] = {10, 0, 0}, B2[3] = {0, 5e-7, 10}, none[2] = {PK_NOGUIDE, PK_NOGUIDE};
    pk_lnln_dim(0, P, A2, Qn, B2, P, A2, Qn, B2, none, none, X, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(X[0], 0.0);
    EXPECT_EQ(X[2], 0.0);
    pokdim = 2;
}

// Which of two candidates a straight segment and an arc give: a candidate
// at 98 % of the segment turns the segment round once, after which pick 1
// along it takes the candidate nearer its old end; with a shared end point
// the candidate farther from it; a point a hair behind the arc's start is
// at the start.
TEST(SegmentIntersections, TheCandidateALineAndAnArcGive)
{
    const f64 S[2] = {1, 0}, E[2] = {-1, 0};
    LinCirc sel;
    sel.snap = 1;
    sel.order = 2;
    sel.pick = 1;
    const f64 p1[2] = {-1.0, 0.5}, p2[2] = {0.9, 0.5};
    i32 mode = 1, n = 0;
    f64 x = 0, y = 0;
    LINCIRC(mode, sel, 0.0, 0.0, 1.0, 1, p1, p2, S, E, p1, p2, x, y, n);
    ASSERT_EQ(n, 1);
    EXPECT_NEAR(x, std::sqrt(0.75), 1e-12);
    EXPECT_NEAR(y, 0.5, 1e-12);
    sel.order = 1;
    sel.pick = 0;
    const f64 j2[2] = {-1, 1};
    LINCIRC(mode, sel, 0.0, 0.0, 1.0, 1, S, j2, S, E, S, j2, x, y, n);
    ASSERT_EQ(n, 1);
    EXPECT_NEAR(x, -0.6, 1e-12);
    EXPECT_NEAR(y, 0.8, 1e-12);
    // the chord between the arc's ends, either way round and either arc
    // direction: both candidates are joints, one near the end of the turned
    // segment, the other at its start; the end the segment goes to is taken
    for (i32 d : {1, -1})
        for (const f64* q : {S, E}) {
            const f64* o = q == S ? E : S;
            LINCIRC(mode, sel, 0.0, 0.0, 1.0, d, o, q, S, E, o, q, x, y, n);
            ASSERT_EQ(n, 1) << d;
            EXPECT_EQ(x, q[0]) << d;
            EXPECT_EQ(y, 0.0) << d;
        }
    f64 f = -1;
    pk_arc_frac_xy(1.0, 1, 0.0, 0.0, S[0], S[1], 0.0, 1.0, std::cos(-1e-9), std::sin(-1e-9), f);
    EXPECT_EQ(f, 0.0);
    pk_arc_frac_xy(1.0, 1, 0.0, 0.0, S[0], S[1], 0.0, 1.0, std::cos(M_PI / 2 + 1e-9), std::sin(M_PI / 2 + 1e-9), f);
    EXPECT_EQ(f, 1.0);
}

TEST(SegmentIntersections, TwoDimensionalLinesByParameters)
{
    const f64 p1[2] = {0, 0}, d1[2] = {1, 0}, p2[2] = {1, 1}, d2[2] = {0, 1};
    f64 t1 = 0, t2 = 0;
    i32 st = 9;
    lin2x2(p1, d1, p2, d2, t1, t2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(t1, 1.0);
    EXPECT_EQ(t2, -1.0);
    lin2x2(p1, d1, p1, d1, t1, t2, st);
    EXPECT_EQ(st, -2);
    const f64 p3[2] = {0, 1};
    lin2x2(p1, d1, p3, d1, t1, t2, st);
    EXPECT_EQ(st, -1);
}
