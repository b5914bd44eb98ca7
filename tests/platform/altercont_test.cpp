// The stand-in host's services of the alterations: the user's contour and
// its offset, crossings of a polyline with a polygon, the angle about a
// centre, and the curve pieces and interpolation the Z-plane split uses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {
// A line entity from a to b (z 0).
i32 line(f64 ax, f64 ay, f64 bx, f64 by)
{
    norak::Entity e;
    e.cls = 2;
    e.type = 1;
    const f64 d[6] = {ax, ay, 0, bx, by, 0};
    e.words.resize(12);
    std::memcpy(e.words.data(), d, sizeof d);
    return norak::add_entity(e);
}
void pick_reply(i32 id, bool exit = false, bool escape = false)
{
    norak::Reply r;
    r.kind = "pick";
    r.entity = id;
    r.exit = exit;
    r.escape = escape;
    norak::add_reply(r);
}
}  // namespace

TEST(AlterContour, TheUserDefinesAContourAndItsOffsetMovesToTheLeft)
{
    norak::reset();
    const i32 a = line(0, 0, 10, 0), b = line(10, 0, 10, 10), c = line(10, 10, 0, 10), d = line(0, 10, 0, 0);
    for (i32 id : {a, b, c, d}) pick_reply(id);
    pick_reply(0, true);
    i32 def[20] = {}, st = 9;
    dfdini();
    dfdc(4, 0, 4500, def, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(def[0], 4);
    EXPECT_EQ(def[2], a);
    EXPECT_EQ(def[8], d);
    // Inside a counter-clockwise square by 1: the square 1..9.
    i32 out[8] = {};
    dfcof2(def, 0, 1.0, 4500, out, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(dfdgnc(out), 1);
    f32 pts[800];
    i32 n = 0;
    dfcpol(out, 0.01, 400, pts, n);
    ASSERT_GE(n, 4);
    for (i32 k = 0; k < n; ++k) {
        const f32 x = pts[2 * k], y = pts[2 * k + 1];
        const bool side = std::fabs(x - 1) < 1e-4 || std::fabs(x - 9) < 1e-4;
        const bool base = std::fabs(y - 1) < 1e-4 || std::fabs(y - 9) < 1e-4;
        EXPECT_TRUE(side || base) << k;
        EXPECT_TRUE(x > 1 - 1e-4 && x < 9 + 1e-4 && y > 1 - 1e-4 && y < 9 + 1e-4) << k;
    }
    // Outside by 2: the square -2..12.
    i32 out2[8] = {};
    dfcof2(def, 0, -2.0, 4500, out2, st);
    ASSERT_EQ(st, 0);
    dfcpol(out2, 0.01, 400, pts, n);
    EXPECT_NEAR(pts[0], -2.0f, 1e-4);
    EXPECT_NEAR(pts[1], -2.0f, 1e-4);
    // The offset's curve is deleted with it.
    const i32 made = out[2];
    dfcgnr(-2, -1, 0, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(norak::entities().count(made), 0u);
    // Leaving without a curve, and escape.
    pick_reply(0, true);
    dfdc(4, 0, 4500, def, st);
    EXPECT_EQ(st, -1);
    pick_reply(0, false, true);
    dfdc(4, 0, 4500, def, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(def[0], 4);  // unchanged
    // Too few points for an offset.
    i32 one[4] = {1, 0, a, 0}, none[4] = {};
    dfcof2(one, 0, 1.0, 4500, none, st);
    EXPECT_EQ(st, -1);
}

TEST(AlterContour, CrossingsOfAPolylineInItsOrderAndTheAngleAboutACentre)
{
    norak::reset();
    const f64 square[10] = {0, 0, 10, 0, 10, 10, 0, 10, 0, 0};
    const f64 path[6] = {-5, 5, 15, 5, 15, -5};  // through the square, then down
    f64 xy[20], fr[20];
    i32 sg[20], count = 0, st = 0;
    ind2po(3, path, 5, square, 10, count, xy, fr, sg, st);
    ASSERT_EQ(count, 2);
    EXPECT_DOUBLE_EQ(xy[0], 0.0);  // the left side first
    EXPECT_DOUBLE_EQ(fr[0], 0.25);
    EXPECT_EQ(sg[0], 1);
    EXPECT_EQ(sg[1], 4);
    EXPECT_DOUBLE_EQ(fr[1], 0.5);
    EXPECT_DOUBLE_EQ(xy[2], 10.0);
    EXPECT_EQ(sg[3], 2);
    // Through a corner: counted once.
    const f64 diag[4] = {-5, -5, 5, 5};
    ind2po(2, diag, 5, square, 10, count, xy, fr, sg, st);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(sg[1], 1);
    // The capacity holds.
    ind2po(3, path, 5, square, 1, count, xy, fr, sg, st);
    EXPECT_EQ(count, 1);

    const f32 c[2] = {0, 0}, east[2] = {1, 0}, south[2] = {0, -1};
    f32 a = 0;
    angpnt(3, c, east, south, a);
    EXPECT_NEAR(a, 1.5 * M_PI, 1e-6);
    angpnt(2, c, east, south, a);
    EXPECT_NEAR(a, -0.5 * M_PI, 1e-6);
}

TEST(AlterContour, TouchTestPiecesAndInterpolation)
{
    norak::reset();
    const f64 square[10] = {0, 0, 10, 0, 10, 10, 0, 10, 0, 0};
    const f64 near_edge[2] = {5, 10.0004}, away[2] = {5, 10.01};
    i32 answer = 0;
    tchptpol(2, 0.0006, square, 5, near_edge, answer);
    EXPECT_EQ(answer, 1);
    tchptpol(2, 0.0006, square, 5, away, answer);
    EXPECT_EQ(answer, 0);
    // A straight cubic cut in two at a parameter: the pieces meet there.
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1}, pts[12] = {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0};
    std::vector<f64> k(16), p(3 * 12);
    std::copy(knots, knots + 8, k.begin());
    std::copy(pts, pts + 12, p.begin());
    i32 n = 4, st = 0;
    bcrtrme(4, n, k.data(), p.data(), 3, 0.0, 0.5, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(p[3 * (n - 1)], 1.5, 1e-9);  // the piece ends at the middle
    // Points on a plane interpolated: the control points keep the height.
    std::vector<f64> q;
    for (int i = 0; i <= 10; ++i) q.insert(q.end(), {f64(i), std::sin(i * 0.3), 5.0});
    f64 kn[40], ctrl[3 * 36];
    i32 nctrl = 0;
    itrnrpt(11, q.data(), 0.001, 36, nctrl, kn, ctrl, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(nctrl, 4);
    for (i32 i = 0; i < nctrl; ++i) EXPECT_NEAR(ctrl[3 * i + 2], 5.0, 1e-9);
    EXPECT_DOUBLE_EQ(kn[0], 0.0);
    EXPECT_DOUBLE_EQ(kn[nctrl + 3], 1.0);
}
