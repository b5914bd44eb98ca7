// Crossings of two loops against GEOS, their order, touches, capacities,
// and the nudge and merge of the closed walk.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "pocket/crossing.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

struct Run {
    CrossTable t;
    i32 count = 0, status = 0;
};

std::unique_ptr<Run> crossings(i32 mode, pokarr& a, const pokarr& b)
{
    auto r = std::make_unique<Run>();
    auto box = std::make_unique<PkBox>();
    pkbox_make(b, *box);
    lup_intersect(mode, a, b, *box, r->t, r->count, r->status);
    return r;
}

std::vector<P> points_of(const pokarr& a)
{
    std::vector<P> p;
    for (i32 k = 0; k < a.count; ++k) p.push_back({a.x[k], a.y[k]});
    return p;
}

// Distance along loop a of a point on its segment (for the order).
f64 along(const pokarr& a, i32 seg, f64 x, f64 y)
{
    return seg + std::hypot(x - a.x[seg - 1], y - a.y[seg - 1]) / std::hypot(a.x[seg] - a.x[seg - 1], a.y[seg] - a.y[seg - 1]);
}

// A loop whose bottom is an arc of radius 1000 about (1, 1000 - 8e-11),
// dipping 8e-11 below y = 0 over x = 0.5 .. 1.5, closed by a box up to `top`.
Loop dip(f64 top)
{
    const f64 r = 1000.0, cy = 1000.0 - 8e-11;
    f64 sx = 1.0 - r * std::sin(0.0005), sy = cy - r * std::cos(0.0005);
    f64 ex = 1.0 + r * std::sin(0.0005);
    Loop l;
    l.pt(sx, sy).arc(ex, sy, 1.0, cy, 1).pt(ex, top).pt(sx, top).close();
    return l;
}

}  // namespace

TEST(LoopCrossings, AgreeWithGeosAndComeInOrderAlongTheFirstLoop)
{
    fresh();
    Geos geos;
    std::mt19937 g(99);
    i32 total = 0;
    for (int k = 0; k < 300; ++k) {
        pokarr a = make(random_loop(g, 5 + k % 11, 10.0, 0.0)), b = make(random_loop(g, 5 + k % 7, 10.0, 0.0));
        // the loops are compared with GEOS as they come: with the plain walk
        // (mode 0) a walk that crosses itself is of no matter
        auto r = crossings(0, a, b);
        ASSERT_EQ(r->status, 0);
        GEOSGeometry* la = geos.line(points_of(a));
        GEOSGeometry* lb = geos.line(points_of(b));
        GEOSGeometry* x = GEOSIntersection_r(geos.h, la, lb);
        std::vector<P> want = geos.points(x);
        EXPECT_EQ(r->count, static_cast<i32>(want.size())) << k;
        for (const P& w : want) {
            bool found = false;
            for (i32 m = 0; m < r->count && !found; ++m) found = std::hypot(r->t.x[m] - w.x, r->t.y[m] - w.y) < 1e-9;
            EXPECT_TRUE(found) << k << ": " << w.x << " " << w.y;
        }
        for (i32 m = 1; m < r->count; ++m)
            EXPECT_LE(along(a, r->t.aseg[m - 1], r->t.x[m - 1], r->t.y[m - 1]), along(a, r->t.aseg[m], r->t.x[m], r->t.y[m]))
                << k;
        total += r->count;
        for (GEOSGeometry* q : {la, lb, x}) geos.free(q);
        pokarr_free(a);
        pokarr_free(b);
    }
    EXPECT_GT(total, 1000);
    pkdm_rel_all();
}

TEST(LoopCrossings, CrossingsAtJointsTakeTheStoredPointsAndTouchesAreMarked)
{
    fresh();
    // two squares overlapping at a corner region
    pokarr a = make(square(0, 0, 2)), b = make(square(1, 1, 2));
    auto r = crossings(3, a, b);
    ASSERT_EQ(r->count, 2);
    EXPECT_EQ(r->t.x[0], 2.0);
    EXPECT_EQ(r->t.y[0], 1.0);
    EXPECT_EQ(r->t.aseg[0], 2);
    EXPECT_EQ(r->t.x[1], 1.0);
    EXPECT_EQ(r->t.aseg[1], 3);
    // B's corner on A's edge, B staying outside: one touch, negated
    pokarr c = make(square(0, 0, 2));
    Loop tri;
    tri.pt(1, 2).pt(2, 3).pt(0, 3).close();
    pokarr d = make(tri);
    auto t = crossings(3, c, d);
    ASSERT_EQ(t->count, 1);
    EXPECT_LT(t->t.bseg[0], 0);
    EXPECT_EQ(t->t.x[0], 1.0);
    EXPECT_EQ(t->t.y[0], 2.0);
    auto t10 = crossings(10, c, d);
    ASSERT_EQ(t10->count, 1);
    EXPECT_LT(t10->t.bseg[0], 0);
    // B's corner crossing A at a vertex of A: one entry, a crossing
    Loop dia;
    dia.pt(2, 1.5).pt(3, 3).pt(1, 3).close();
    Loop through;
    through.pt(1, 1).pt(3, 1).pt(3, 3).pt(1, 3).close();
    pokarr e = make(square(0, 0, 2)), f = make(through);
    auto v = crossings(3, e, f);
    ASSERT_EQ(v->count, 2);
    EXPECT_GT(v->t.bseg[0], 0);
    EXPECT_GT(v->t.bseg[1], 0);
    // a point on the shared vertex of two A segments is recorded once
    Loop cut;
    cut.pt(2, 2).pt(4, 4).pt(4, 0).close();  // through A's corner (2, 2)
    pokarr h = make(cut);
    pokarr i = make(square(0, 0, 2));
    auto w = crossings(0, i, h);
    i32 at_corner = 0;
    for (i32 m = 0; m < w->count; ++m) at_corner += w->t.x[m] == 2.0 && w->t.y[m] == 2.0;
    EXPECT_EQ(at_corner, 1);
    for (pokarr* p : {&a, &b, &c, &d, &e, &f, &h, &i}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(LoopCrossings, TouchingFromOutsideLeavesNoCrossing)
{
    fresh();
    pokarr a = make(square(0, 0, 2));
    Loop corner;
    corner.pt(2, 2).pt(3, 2).pt(3, 3).pt(2, 3).close();  // touches A only at (2, 2)
    pokarr b = make(corner);
    auto r = crossings(3, a, b);
    ASSERT_EQ(r->count, 1);
    EXPECT_LT(r->t.bseg[0], 0);
    auto p = crossings(0, a, b);  // the plain walk keeps the common point
    EXPECT_EQ(p->count, 1);
    EXPECT_GT(p->t.bseg[0], 0);
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}

TEST(LoopCrossings, TheFirstOnlyModeAndTheCapacities)
{
    fresh();
    // two combs crossing many times
    Loop ca, cb;
    for (i32 k = 0; k <= 80; ++k) ca.pt(k, k % 2 == 0 ? 0.0 : 10.0);
    ca.pt(80, -5).pt(0, -5).close();
    for (i32 k = 0; k <= 40; ++k) cb.pt(k % 2 == 0 ? -5.0 : 85.0, 0.01 + 0.24 * k);
    cb.pt(-10, 9.9).pt(-10, 0.01).close();
    pokarr a = make(ca), b = make(cb);
    auto one = crossings(100, a, b);
    EXPECT_EQ(one->count, 1);
    auto many = crossings(0, a, b);
    EXPECT_EQ(many->count, -1);
    EXPECT_TRUE(norak::transcript_has("internal: LUPLUP,TOO MANY INTERSECTION POINTS WITH ISLAND "));
    auto closed = crossings(10, a, b);
    EXPECT_GT(closed->count, 740);
    EXPECT_LE(closed->count, 6990);
    // the message is kept back in a clearing of a nonzero kind
    size_t said = norak::transcript_count("TOO MANY INTERSECTION POINTS");
    clr_kind = 1;
    auto quiet = crossings(0, a, b);
    EXPECT_EQ(quiet->count, -1);
    EXPECT_EQ(norak::transcript_count("TOO MANY INTERSECTION POINTS"), said);
    clr_kind = 0;
    i32 st = 0;
    pk_arr_int(100, a, b, st);
    EXPECT_EQ(st, 1);
    pokarr c = make(square(1000, 1000, 1));
    pk_arr_int(100, a, c, st);
    EXPECT_EQ(st, 0);
    Loop eight;
    eight.pt(0, 0).pt(2, 2).pt(2, 0).pt(0, 2).close();
    std::vector<f64> ex(eight.x), ey(eight.y);
    pk_self_int_xy(ex.data(), ey.data(), eight.n(), st);
    EXPECT_EQ(st, 1);
    std::vector<f64> sx{0, 1, 1, 0, 0}, sy{0, 0, 1, 1, 0};
    pk_self_int_xy(sx.data(), sy.data(), 5, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(sx[1], 1.0);  // the caller's arrays are left as they were
    pokarr_free(a);
    pokarr_free(b);
    pokarr_free(c);
    pkdm_rel_all();
}

TEST(LoopCrossings, AWalkRestartedByNudgesNudgesEachPlaceOnce)
{
    fresh();
    // A's lower side is a saw of 80 teeth that B's upper side follows tooth
    // for tooth: a nudge leaves another vertex where they run together, and
    // the walk is restarted, but never twice from one place of the table:
    // it ends with its crossings
    Loop saw, below;
    saw.pt(0, 0);
    for (i32 k = 1; k <= 80; ++k) saw.pt(k, (k % 2) * 0.5);
    saw.pt(80, 5).pt(0, 5).close();
    below.pt(0, 0).pt(0, -5).pt(80, -5);
    for (i32 k = 80; k >= 1; --k) below.pt(k, (k % 2) * 0.5);
    below.close();
    pokarr a = make(saw), b = make(below);
    auto r = crossings(13, a, b);
    EXPECT_TRUE(r->status == 0 || r->status == 1) << r->status;
    EXPECT_GE(r->count, 0);
    EXPECT_GT(luplup_restarts(), 1);
    EXPECT_LE(luplup_restarts(), LUP_CROSS_MAX10);
    EXPECT_FALSE(norak::transcript_has("RESTARTS"));
    // loops on the surfaces are not nudged: the walk is made once
    pokarr a3 = make(saw, 3), b3 = make(below, 3);
    r = crossings(13, a3, b3);
    EXPECT_EQ(luplup_restarts(), 0);
    EXPECT_GE(r->count, 0);
    pokarr_free(a);
    pokarr_free(b);
    pokarr_free(a3);
    pokarr_free(b3);
}

TEST(LoopCrossings, TheClosedWalkNudgesALoopRunningAlongTheOther)
{
    fresh();
    // B runs along A's edge from (2, 0) to (2, 2): the crossings at the
    // vertices are nudged apart and the walk restarts
    pokarr a = make(square(0, 0, 2));
    Loop along;
    along.pt(2, 2).pt(3, 1).pt(2, 0).pt(2, 2);
    pokarr b = make(along);
    auto r = crossings(13, a, b);
    EXPECT_GE(luplup_restarts(), 1);
    bool moved = false;
    for (i32 k = 0; k < a.count; ++k) moved = moved || (std::fabs(a.x[k] - 2.0005) < 1e-12 || std::fabs(a.x[k] - 1.9995) < 1e-12);
    EXPECT_TRUE(moved);
    i32 positive = 0;
    for (i32 m = 0; m < r->count; ++m) positive += r->t.bseg[m] > 0;
    EXPECT_EQ(positive % 2, 0);
    // the nudge itself: a straight segment 0.0005 to its right
    pokarr c = make(square(0, 0, 2));
    i32 st = 0;
    luplup_cut(c, 2, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(c.x[1], 2.0005, 1e-12);
    EXPECT_NEAR(c.x[2], 2.0005, 1e-12);
    // the closing segment: the first point moves with the last
    luplup_cut(c, 4, 4, st);
    EXPECT_NEAR(c.x[0], -0.0005, 1e-12);
    EXPECT_EQ(c.y[0], c.y[c.count - 1]);
    EXPECT_EQ(c.x[0], c.x[c.count - 1]);
    // arcs on both sides keep their ends: the moved points come between them
    // (also under a coarse segment tolerance of the pocket: the repair after
    // a nudge keeps the 0.0005 steps)
    pkoff.seg_tol = 0.04;
    Loop half;
    half.pt(-1, 0).pt(1, 0).arc(-1, 0, 0, 0, 1);
    pokarr h = make(half);
    luplup_cut(h, 1, 1, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(h.count, 8);
    const f64 want[4][2] = {{-1, 0}, {-1, -0.0005}, {1, -0.0005}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(h.x[k], want[k][0], 1e-12) << k;
        EXPECT_NEAR(h.y[k], want[k][1], 1e-12) << k;
    }
    EXPECT_TRUE(pk_arc_at(h.x[4]));
    EXPECT_EQ(h.x[7], -1.0);
    pokarr_free(h);
    Loop arcs;
    arcs.pt(1, 0).arc(-1, 0, 0, 0, 1).arc(1, 0, 0, 0, 1);
    pokarr d = make(arcs);
    luplup_cut(d, 1, 5, st);
    EXPECT_EQ(st, 1);
    for (pokarr* p : {&a, &b, &c, &d}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(LoopCrossings, JunctionsAndAnglesDecideTouchesFromDirections)
{
    const f64 east[2] = {1, 0}, north[2] = {0, 1}, west[2] = {-1, 0}, south[2] = {0, -1};
    i32 r = -1;
    // A goes east through the point, B north through it: a crossing
    chkjunc(1, east, east, north, north, r);
    EXPECT_EQ(r, 0);
    // A turns there from east to north; B comes from the north-east side
    // (south-west going) and turns back: B stays on one side
    const f64 sw[2] = {-std::sqrt(0.5), -std::sqrt(0.5)}, ne[2] = {std::sqrt(0.5), std::sqrt(0.5)};
    const f64 nw[2] = {-std::sqrt(0.5), std::sqrt(0.5)};
    chkjunc(1, east, north, south, ne, r);
    EXPECT_EQ(r, 0);
    chkjunc(1, east, south, sw, nw, r);
    EXPECT_EQ(r, 1);
    const f64 zero[2] = {0, 0};
    chkjunc(1, zero, east, north, north, r);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(norak::transcript_has("internal: [chkjunc] UNABLE TO CALCULATE 2D PROJECTION"));
    // random directions: B crosses A exactly when one of B's two rays (back
    // along its way in, on along its way out) lies in the sector turning
    // counter-clockwise from A's ray back to A's ray out
    std::mt19937 rng(5);
    std::uniform_real_distribution<f64> ang(-M_PI, M_PI);
    auto ray = [](f64 t, f64* d) {
        d[0] = std::cos(t);
        d[1] = std::sin(t);
    };
    auto in_sector = [](f64 from, f64 to, f64 t) {
        f64 w = std::fmod(to - from + 4 * M_PI, 2 * M_PI), u = std::fmod(t - from + 4 * M_PI, 2 * M_PI);
        return u < w;
    };
    i32 crossings = 0;
    for (int k = 0; k < 400; ++k) {
        f64 t[4] = {ang(rng), ang(rng), ang(rng), ang(rng)};  // rays: A back, A out, B back, B out
        bool apart = true;
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j) {
                f64 d = std::fabs(std::remainder(t[i] - t[j], 2 * M_PI));
                apart = apart && d > 0.01 && std::fabs(d - M_PI) > 0.01;
            }
        if (!apart) continue;
        f64 ai[2], ao[2], bi[2], bo[2];
        ray(t[0] + M_PI, ai);
        ray(t[1], ao);
        ray(t[2] + M_PI, bi);
        ray(t[3], bo);
        bool cross = in_sector(t[0], t[1], t[2]) != in_sector(t[0], t[1], t[3]);
        chkjunc(1, ai, ao, bi, bo, r);
        EXPECT_EQ(r, cross ? 0 : 1) << k;
        crossings += cross;
    }
    EXPECT_GT(crossings, 50);
    i32 g = -1;
    angle_ccw_greater(0.0, 1.0, 2.0, g);
    EXPECT_EQ(g, 1);
    angle_ccw_greater(0.0, 2.0, 1.0, g);
    EXPECT_EQ(g, 0);
    angle_ccw_greater(0.5, 0.25, 1.0, g);  // 0.25 lies almost a full turn on
    EXPECT_EQ(g, 0);
    // angles counted from the reversed reference (here north-east)
    const f64 ref[2] = {-1, -1};
    luplup_angles(north, west, west, north, ref, r);
    EXPECT_EQ(r, 1);
    luplup_angles(north, south, west, east, ref, r);
    EXPECT_EQ(r, 0);
}

TEST(LoopCrossings, TheClosedWalkMergesNeighbouringTouchesSharingASegment)
{
    fresh();
    // an arc of radius 1000 dipping 8e-11 below A's bottom edge: two nearly
    // tangent crossings 0.0008 apart
    pokarr a = make(square(0, 0, 2)), b = make(dip(1.0));
    auto plain = crossings(3, a, b);
    ASSERT_EQ(plain->count, 2);
    EXPECT_NEAR(std::fabs(plain->t.x[1] - plain->t.x[0]), 0.0008, 1e-6);
    EXPECT_EQ(luplup_work().touch[0], 2);
    auto merged = crossings(10, a, b);
    ASSERT_EQ(merged->count, 1);
    EXPECT_EQ(merged->t.aseg[0], 1);
    EXPECT_EQ(merged->t.bseg[0], 1);
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}

TEST(LoopCrossings, AMergedTouchPairMovesTheLaterCrossingsUp)
{
    fresh();
    // the near-tangent dip of the test above, B now leaving A through its top
    // edge: two touches on A's bottom edge, two crossings of its top edge
    pokarr a = make(square(0, 0, 2)), b = make(dip(3.0));
    auto plain = crossings(3, a, b);
    ASSERT_EQ(plain->count, 4);
    const f64 top[2] = {plain->t.x[2], plain->t.x[3]};
    EXPECT_EQ(plain->t.y[2], 2.0);
    auto merged = crossings(10, a, b);
    ASSERT_EQ(merged->count, 3);
    EXPECT_EQ(merged->t.aseg[0], 1);
    EXPECT_EQ(merged->t.bseg[0], 1);
    // the top edge's crossings follow the merged entry, in order
    EXPECT_EQ(merged->t.x[1], top[0]);
    EXPECT_EQ(merged->t.x[2], top[1]);
    EXPECT_EQ(merged->t.y[1], 2.0);
    EXPECT_EQ(merged->t.aseg[1], 3);
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}

TEST(LoopCrossings, ANudgeThatCannotBeStoredFailsTheWalk)
{
    fresh();
    // A half disc whose straight edge B's top runs along: the nudge must put
    // points beside the arc, which A's fixed arrays cannot take
    Loop half;
    half.pt(-1, 0).pt(1, 0).arc(-1, 0, 0, 0, 1);
    std::vector<f64> x = half.x, y = half.y;
    pokarr a;
    pokarr_init_static(2, x.data(), y.data(), nullptr, nullptr, half.n(), a, half.n());
    Loop box;
    box.pt(-0.5, 0).pt(0.5, 0).pt(0.5, -1).pt(-0.5, -1).close();
    pokarr b = make(box);
    auto r = crossings(13, a, b);
    EXPECT_EQ(r->count, -1);
    EXPECT_LT(r->status, 0);
    // a loop on the surfaces in fixed arrays is nudged in x and y, its
    // heights kept; one in a pool buffer is left as it is
    Loop sq = square(0, 0, 2);
    std::vector<f64> sx = sq.x, sy = sq.y, sz = {1, 2, 3, 4, 1};
    pokarr c;
    pokarr_init_static(3, sx.data(), sy.data(), sz.data(), nullptr, sq.n(), c, sq.n());
    i32 st = -9;
    luplup_cut(c, 2, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(c.x[1], 2.0005, 1e-12);
    EXPECT_NEAR(c.x[2], 2.0005, 1e-12);
    EXPECT_EQ(c.z[1], 2.0);
    EXPECT_EQ(c.z[2], 3.0);
    pokarr d = make(sq, 3);
    luplup_cut(d, 2, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(d.x[1], 2.0);
    pokarr_free(d);
    pokarr_free(b);
    pkdm_rel_all();
}

TEST(LoopCrossings, ALoopPassingAPointTwiceLeavesTwoEntriesSettledByTheirSides)
{
    fresh();
    // B passes A's vertex (0, 0) twice: once upwards, once downwards (in
    // and out at one point: both touches), or twice upwards (one touch);
    // settled so with the clean-up pass (mode 3) and without it (mode 0)
    Loop a_l, inout, upup;
    a_l.pt(-3, 0).pt(0, 0).pt(3, 0).pt(3, 5).pt(-3, 5).close();
    inout.pt(-2, -2).pt(0, 0).pt(2, 2).pt(-2, 2).pt(0, 0).pt(2, -2).close();
    upup.pt(-2, -2).pt(0, 0).pt(2, 2).pt(2, -2).pt(0, 0).pt(-2, 2).close();
    pokarr a = make(a_l), b = make(inout), c = make(upup);
    for (i32 mode : {3, 0}) {
        auto r = crossings(mode, a, b);
        ASSERT_EQ(r->count, 2) << mode;
        for (i32 k = 0; k < 2; ++k) {
            EXPECT_EQ(r->t.x[k], 0.0);
            EXPECT_LT(r->t.bseg[k], 0) << mode << " " << k;
        }
        r = crossings(mode, a, c);
        i32 at0 = 0, touches = 0;
        for (i32 k = 0; k < r->count; ++k)
            if (r->t.x[k] == 0.0 && r->t.y[k] == 0.0) {
                ++at0;
                touches += r->t.bseg[k] < 0;
            }
        EXPECT_EQ(at0, 2) << mode;
        EXPECT_EQ(touches, 1) << mode;
    }
    for (pokarr* p : {&a, &b, &c}) pokarr_free(*p);
    pkdm_rel_all();
}
