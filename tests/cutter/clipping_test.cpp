// Boundary clipping of strings: the strings cut to their pieces inside the
// boundary of polygon buffer 1, the crossings found by halving, the gap and
// split rules, the chord search, and the tool normals handed back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/linnetn.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "platform/norak/norak.h"
#include "pocket/polbuf.h"
#include "stock/netgrid.h"

namespace {

class Clipping : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        stk_net_rels();
        pwrs(PRCPAR, PRTTOL, 0.01f);
        PRCSTK = 0.0f, PRCCHK = 0.0f;
        BNDACT = BNDSHW = BNDRPS = 0;
        BNDTOL = 0.0f;
        meshes::Mesh plate;
        i32 a = plate.node(-60, -60, 0), b = plate.node(60, -60, 0), c = plate.node(60, 60, 0),
            d = plate.node(-60, 60, 0);
        plate.add(a, b, c);
        plate.add(a, c, d);
        ASSERT_EQ(meshes::build({plate}), 0);
    }
    void TearDown() override
    {
        BNDACT = BNDSHW = BNDRPS = 0;
        BNDTOL = 0.0f;
        i32 st = 0;
        polbuf_release_all(1, st);
        FRETRI();
        stk_net_rels();
    }
    // Buffer 1 holds the given rectangles (x0, y0, x1, y1), the largest the
    // outer contour, the others islands.
    static void boundary(const std::vector<std::vector<f32>>& rects)
    {
        i32 st = 0, one = 1;
        polbuf_init(2, 2000, st);
        polbuf_select(2, one, st);
        i32 k = 0;
        for (const auto& r : rects) {
            ++k;
            const f32 p[8] = {r[0], r[1], r[2], r[1], r[2], r[3], r[0], r[3]};
            polbuf_set_np(k, 4, st);
            for (i32 j = 0; j < 4; ++j) polbuf_put_point(k, j + 1, p[2 * j], p[2 * j + 1], st);
        }
        polbuf_set_npol(k, st);
    }
    struct Out {
        std::vector<f32> xyz, nrm;
        std::vector<i32> flg, len;
        i32 nst = 0, tot = 0, status = 0;
    };
    static Out line(const f32* a, const f32* b, i32 mode = 4)
    {
        const i32 cap = 3 * 2000, most = 200;
        Out o;
        o.xyz.assign(cap, 0), o.nrm.assign(cap, 0), o.flg.assign(cap, 0), o.len.assign(most, 0);
        LINNTB(1, 0, a, b, 0.01f, 0.0f, 0.0f, cap, 7, mode, o.xyz.data(), o.nrm.data(), o.flg.data(), o.nst, most,
               o.len.data(), o.tot, o.status);
        return o;
    }
};

// Distance in XY from a point to the nearest side of the rectangle.
f64 to_rect(const f32* p, const std::vector<f32>& r)
{
    auto seg = [&](f64 ax, f64 ay, f64 bx, f64 by) {
        f64 ux = bx - ax, uy = by - ay, t = ((p[0] - ax) * ux + (p[1] - ay) * uy) / (ux * ux + uy * uy);
        t = std::fmax(0.0, std::fmin(1.0, t));
        return std::hypot(p[0] - (ax + t * ux), p[1] - (ay + t * uy));
    };
    return std::fmin(std::fmin(seg(r[0], r[1], r[2], r[1]), seg(r[2], r[1], r[2], r[3])),
                     std::fmin(seg(r[2], r[3], r[0], r[3]), seg(r[0], r[3], r[0], r[1])));
}

TEST_F(Clipping, OffTheStringsAreThoseOfTheStringPositioning)
{
    tooldefs::use_mill(10.0f, 2.0f);
    const f32 a[3] = {-30, 3, 0}, b[3] = {40, 9, 0};
    Out o = line(a, b, 5);
    std::vector<f32> xyz(6000), nrm(6000);
    std::vector<i32> flg(6000), len(200);
    i32 nst = 0, tot = 0, st = 0;
    LINNETN(1, 0, a, b, 0.01f, 0.0f, 0.0f, 6000, 5, xyz.data(), nrm.data(), nullptr, flg.data(), nst, 200,
            len.data(), tot, st);
    ASSERT_EQ(o.status, st);
    ASSERT_EQ(o.nst, nst);
    ASSERT_EQ(o.tot, tot);
    for (i32 k = 0; k < 3 * tot; ++k) {
        EXPECT_EQ(o.xyz[k], xyz[k]);
        EXPECT_EQ(o.nrm[k], nrm[k]);
    }
    for (i32 k = 0; k < tot; ++k) EXPECT_EQ(o.flg[k], flg[k]);
    EXPECT_EQ(GTCLPM(1), 0);
    EXPECT_EQ(GTCLPM(2), 0);
    BNDACT = 1;
    EXPECT_EQ(GTCLPM(2), 1);
    EXPECT_EQ(GTCLPM(1), 0);
}

TEST_F(Clipping, AnIslandSplitsTheStringAndCrossingsLieOnTheBoundary)
{
    const std::vector<f32> outer = {0, -20, 40, 20}, island = {15, -3, 25, 3};
    boundary({outer, island});
    BNDACT = 1;
    for (f32 tol : {0.1f, 0.0f}) {
        BNDTOL = tol;
        for (const auto& k : positioning::KINDS) {
            tooldefs::use_mill(k.d, k.r, k.l, k.taper);
            const f32 a[3] = {-7, 0.5f, 0}, b[3] = {53, 0.5f, 0};
            Out o = line(a, b);
            ASSERT_EQ(o.status, 0) << k.name;
            ASSERT_EQ(o.nst, 2) << k.name;
            const f32* first = &o.xyz[0];
            const f32* last = &o.xyz[3 * (o.len[0] - 1)];
            const f32* second = &o.xyz[3 * o.len[0]];
            const f32* end = &o.xyz[3 * (o.tot - 1)];
            EXPECT_EQ(o.len[0] + o.len[1], o.tot);
            // the crossings: PNTNET's contact at each, its test point, lies on
            // the boundary; with tolerance 0 the halving runs its 20 steps
            // over a chord no longer than the diameter. (The corner and
            // tapered tools touch a plate anywhere on their flat bottom, the
            // contact chosen among equal heights: their crossings are only
            // counted.)
            const f64 lim = tol > 0 ? 0.05 * tol + 1e-5 : k.d / (1 << 20) + 1e-5;
            const bool steady = k.ref.shape == 1 || k.ref.shape == 2;
            auto contact_at = [&](const f32* x) {
                f32 p[3] = {x[0], x[1], x[2]}, res[3], con[3], n[3];
                i32 srf = 0, ps = 0;
                PNTNET(0, p, 0.01f, 0.0f, 0.0f, res, con, n, srf, ps);
                EXPECT_EQ(ps, 0);
                // the crossing written is PNTNET's result point
                EXPECT_EQ(res[2], x[2]);
                return std::vector<f32>{con[0], con[1], con[2]};
            };
            const f32* xs[4] = {first, last, second, end};
            const std::vector<f32>* rects[4] = {&outer, &island, &island, &outer};
            for (i32 j = 0; j < 4; ++j) {
                const std::vector<f32> c = contact_at(xs[j]);
                if (steady) { EXPECT_LE(to_rect(c.data(), *rects[j]), lim) << k.name << " " << xs[j][0]; }
            }
            // every point lies on the plate with a unit tool normal free of
            // the tapered marker; the points between the crossings inside
            for (i32 i = 0; i < o.tot; ++i) {
                const f32* p = &o.xyz[3 * i];
                if (p != first && p != last && p != second && p != end) {
                    EXPECT_TRUE((p[0] > 0 && p[0] < 15) || (p[0] > 25 && p[0] < 40)) << k.name << " " << p[0];
                }
                EXPECT_NEAR(p[2], 0.0f, 1e-4);
                const f32* n = &o.nrm[3 * i];
                EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4) << k.name << " " << n[0];
                EXPECT_NE(std::fabs(n[0]), 1000.0f);
            }
        }
    }
}

TEST_F(Clipping, NormalsFollowTheClippedPoints)
{
    // a tilted plane: the tool normals differ from point to point of a
    // string only where its contacts differ; the string runs across a
    // ridge so that the normals change along it
    FRETRI();
    auto m = meshes::grid(-60, -60, 60, 60, 24, 24, [](f64 x, f64) { return 20.0 - 0.5 * std::fabs(x - 10.0); });
    ASSERT_EQ(meshes::build({m}), 0);
    const std::vector<f32> outer = {-15, -20, 35, 20};
    boundary({outer});
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 a[3] = {-30, 1, 0}, b[3] = {50, 1, 0};
    // the reference: the same string positioning, segments no longer than
    // the diameter as the clipping asks for them
    BNDACT = 0;
    LOCCST = 3;
    LOCSLM = 6.0f;
    Out ref = line(a, b);
    LOCCST = 0;
    ASSERT_EQ(ref.status, 0);
    BNDACT = 1;
    Out o = line(a, b);
    ASSERT_EQ(o.status, 0);
    ASSERT_EQ(o.nst, 1);
    ASSERT_GE(o.tot, 3);
    i32 matched = 0;
    for (i32 i = 0; i < o.tot; ++i) {
        const f32* p = &o.xyz[3 * i];
        const f32* n = &o.nrm[3 * i];
        for (i32 j = 0; j < ref.tot; ++j)
            if (p[0] == ref.xyz[3 * j] && p[1] == ref.xyz[3 * j + 1] && p[2] == ref.xyz[3 * j + 2]) {
                ++matched;
                for (i32 c = 0; c < 3; ++c) EXPECT_EQ(n[c], ref.nrm[3 * j + c]) << i;
            }
        // on the flanks the ball's normal is the flank's: x = -+0.5 / |(0.5, 0, 1)|
        const f32 nx = p[0] < 10.0f - 3.0f * 0.5f ? -0.4472136f : (p[0] > 10.0f + 3.0f * 0.5f ? 0.4472136f : n[0]);
        EXPECT_NEAR(n[0], nx, 1e-4) << p[0];
    }
    EXPECT_EQ(matched, o.tot - 2);
    // the crossings: the ball's contact on the boundary, the tool off it by
    // its radius along the flank's normal
    const f32 off = 3.0f * 0.4472136f;
    EXPECT_NEAR(o.xyz[0], -15.0f - off, 0.01f);
    EXPECT_NEAR(o.xyz[3 * (o.tot - 1)], 35.0f + off, 0.01f);
}

TEST_F(Clipping, GapAndSplitRules)
{
    i32 gaps[8], ng = 0, st = 0;
    const i32 f1[] = {0, 1, 1, 0, 0, 1, 0, 1, 0};  // runs: start, 3-4, 6, end
    BNDGAP(9, f1, gaps, ng, st);
    ASSERT_EQ(ng, 2);
    EXPECT_EQ(gaps[0], 3);
    EXPECT_EQ(gaps[1], 6);
    const i32 f2[] = {1, 0, 0, 1};  // closed by the last point: no gap
    BNDGAP(4, f2, gaps, ng, st);
    EXPECT_EQ(ng, 0);
    const i32 f3[] = {0, 0, 0};
    BNDGAP(3, f3, gaps, ng, st);
    EXPECT_EQ(ng, -1);
    const i32 f4[] = {1, 1, 0, 0};  // open at the end
    BNDGAP(4, f4, gaps, ng, st);
    EXPECT_EQ(ng, 0);
    // the split writes each gap's first point twice
    f32 p[3 * 12], s[3 * 12], t[3 * 12], q[3 * 12];
    i32 c[12], fl[12], lens[4], np = 9, nstr = 0;
    for (i32 i = 0; i < 9; ++i) {
        for (i32 k = 0; k < 3; ++k) p[3 * i + k] = s[3 * i + k] = t[3 * i + k] = q[3 * i + k] = f32(10 * i + k);
        c[i] = 100 + i;
        fl[i] = f1[i];
    }
    const i32 g[2] = {3, 6};
    BNDSPL(g, 2, p, s, t, c, q, fl, np, nstr, lens, st);
    EXPECT_EQ(np, 11);
    EXPECT_EQ(nstr, 3);
    EXPECT_EQ(lens[0], 4);
    EXPECT_EQ(lens[1], 4);
    EXPECT_EQ(lens[2], 3);
    const i32 want[11] = {0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8};
    for (i32 i = 0; i < 11; ++i) {
        EXPECT_EQ(c[i], 100 + want[i]);
        EXPECT_EQ(p[3 * i + 1], f32(10 * want[i] + 1));
        EXPECT_EQ(t[3 * i + 2], f32(10 * want[i] + 2));
        EXPECT_EQ(fl[i], f1[want[i]]);
    }
}

TEST_F(Clipping, CrossingHalvesTheChordDownToTheLimit)
{
    // a ball on the plate: the contact is the tool's tip, the boundary at
    // x = 0.3; the halving stops once the ends lie within 0.05 x BNDTOL
    tooldefs::use_mill(10.0f, 5.0f);
    boundary({{0.3f, -20, 40, 20}});
    for (f32 tol : {2.0f, 0.02f, 0.0f}) {
        BNDTOL = tol;
        const f32 out[3] = {-10, 0.5f, 0}, in[3] = {6, 0.5f, 0};
        f32 x[3], n[3];
        i32 code = -5, st = -5;
        BNDCRS(out, in, x, n, code, st);
        ASSERT_EQ(st, 0);
        // the same halving, done here; the boundary test takes the halving
        // limit as its tolerance: within it counts as inside
        const f32 lim = 0.05f * tol;
        f32 A = -10, B = 6;
        for (int h = 0; h < 20 && B - A > lim; ++h) {
            const f32 M = 0.5f * (A + B);
            (M >= 0.3f - lim ? B : A) = M;
        }
        EXPECT_EQ(x[0], B) << tol;
        EXPECT_EQ(x[1], 0.5f);
        EXPECT_EQ(n[2], 1.0f);
        EXPECT_EQ(code, 1);  // the plate's surface
    }
}

TEST_F(Clipping, ChordSearchAndDroppedPieces)
{
    tooldefs::use_mill(10.0f, 5.0f);
    const f32 pts[6] = {-10, 0, 0, 50, 0, 0}, nrm[6] = {0, 0, 1, 0, 0, 1};
    const i32 codes[2] = {1, 1};
    f32 op[3 * 6], on[3 * 6], ot[3 * 6];
    i32 oc[6], ol[6], nstr = 0, npts = 0, st = 0;
    // the first probe inside, from the first point's side: -2.5
    boundary({{-5, -20, 3, 20}});
    BNDSTR(pts, nrm, nrm, codes, 2, op, on, ot, oc, nstr, ol, npts, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(nstr, 1);
    ASSERT_EQ(npts, 3);
    EXPECT_NEAR(op[0], -5.0f, 1e-4);
    EXPECT_NEAR(op[3], -2.5f, 1e-6);
    EXPECT_NEAR(op[6], 3.0f, 1e-4);
    i32 rel = 0;
    polbuf_release_all(1, rel);
    // from the last point's side: 35 after 20
    boundary({{34, -20, 37, 20}});
    BNDSTR(pts, nrm, nrm, codes, 2, op, on, ot, oc, nstr, ol, npts, st);
    ASSERT_EQ(npts, 3);
    EXPECT_NEAR(op[3], 35.0f, 1e-6);
    polbuf_release_all(1, rel);
    // a region no probe finds: one empty piece
    auto one_empty_piece = [&] {
        EXPECT_EQ(st, 0);
        EXPECT_EQ(nstr, 1);
        EXPECT_EQ(ol[0], 0);
        EXPECT_EQ(npts, 0);
    };
    boundary({{22, -20, 28, 20}});
    BNDSTR(pts, nrm, nrm, codes, 2, op, on, ot, oc, nstr, ol, npts, st);
    one_empty_piece();
    polbuf_release_all(1, rel);
    // One point whose test point (the ball's contact for a normal along +x)
    // lies outside while the tool stands inside: the probe at the point
    // itself finds it, three points. A string without points stays one
    // empty piece.
    boundary({{0, -20, 20, 20}});
    const f32 one[3] = {2, 0, 0}, side[3] = {1, 0, 0};
    BNDSTR(one, side, side, codes, 1, op, on, ot, oc, nstr, ol, npts, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(nstr, 1);
    ASSERT_EQ(npts, 3);
    EXPECT_EQ(ol[0], 3);
    for (i32 k = 0; k < 3; ++k) EXPECT_NEAR(op[3 * k], 2.0f, 1e-6) << k;
    BNDSTR(one, side, side, codes, 0, op, on, ot, oc, nstr, ol, npts, st);
    one_empty_piece();
    polbuf_release_all(1, rel);
    // the trimming: pieces shorter than 5 x BNDTOL go, a start of short
    // steps is cut to the first long one
    BNDTOL = 1.0f;
    const f32 sh[9] = {0, 0, 0, 1, 0, 0, 2, 0, 0}, sn[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    i32 range[2] = {-1, -1};
    BNDTRM(sh, sn, 3, range, st);
    EXPECT_EQ(st, 1);
    const f32 lg[12] = {0, 0, 0, 1, 0, 0, 2, 0, 0, 9, 0, 0}, ln[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    BNDTRM(lg, ln, 4, range, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(range[0], 2);
    EXPECT_EQ(range[1], 3);
    BNDTOL = 0.0f;
    BNDTRM(sh, sn, 3, range, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(range[0], 0);
    EXPECT_EQ(range[1], 2);
}

// Without room for its work arrays the clipping is given up: the strings and
// the status of the positioning stand, whichever allocation fails (the
// first, the surface normals', too: the line is then positioned in the
// clipping's pieces and not clipped).
TEST_F(Clipping, WithoutRoomTheStringsOfThePositioningStand)
{
    tooldefs::use_mill(10.0f, 2.0f);
    const f32 a[3] = {-30, 3, 0}, b[3] = {40, 9, 0};
    // The strings as the clipping has them positioned: no piece longer than
    // the diameter.
    const i32 kept_mode = LOCCST;
    const f32 kept_limit = LOCSLM;
    LOCCST = 3, LOCSLM = 10.0f;
    const Out plain = line(a, b);
    LOCCST = kept_mode, LOCSLM = kept_limit;
    ASSERT_EQ(plain.status, 0);
    boundary({{0, -20, 20, 20}});
    BNDACT = 1;
    const Out clipped = line(a, b);
    ASSERT_EQ(clipped.status, 0);
    ASSERT_NE(clipped.tot, plain.tot);
    i32 given_up = 0, done = 0;
    for (i32 k = 1; k <= 60; ++k) {
        norak::fail_alloc_after(k);
        const Out o = line(a, b);
        norak::fail_alloc_after(0);
        EXPECT_EQ(o.status, 0) << "allocation " << k;
        if (o.tot != clipped.tot) {
            ++given_up;
            EXPECT_EQ(o.nst, plain.nst) << "allocation " << k;
            EXPECT_EQ(o.tot, plain.tot) << "allocation " << k;
            EXPECT_TRUE(std::equal(plain.xyz.begin(), plain.xyz.begin() + 3 * plain.tot, o.xyz.begin())) << k;
        } else {
            ++done;
        }
    }
    EXPECT_GT(given_up, 10);
    EXPECT_GT(done, 0);
}

TEST_F(Clipping, ClippingKeepsTheSegmentLimitAndRestoresIt)
{
    tooldefs::use_mill(4.0f, 2.0f);
    boundary({{-50, -50, 50, 50}});
    BNDACT = 1;
    LOCCST = 0;
    LOCSLM = 123.0f;
    const f32 a[3] = {-40, 0, 0}, b[3] = {40, 0, 0};
    Out o = line(a, b);
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(LOCCST, 0);
    EXPECT_EQ(LOCSLM, 123.0f);
    // pieces no longer than the diameter while clipping
    for (i32 i = 1; i < o.tot; ++i) EXPECT_LE(o.xyz[3 * i] - o.xyz[3 * (i - 1)], 4.0f + 1e-4);
    // the whole line lies inside: one piece, the ends kept
    EXPECT_EQ(o.nst, 1);
    EXPECT_EQ(o.xyz[0], -40.0f);
    // drawing the line
    BNDSHW = 1;
    o = line(a, b);
    EXPECT_EQ(o.status, 0);
}

}  // namespace
