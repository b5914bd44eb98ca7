// The switched-off roads of the drop: the helpers of the border road and the
// smoothed normal, the contact kernel and the edge distance in the planar
// contact, and each road switched on over a model.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/movstw.h"
#include "cutter/planar.h"
#include "cutter/roads.h"
#include "surfaces/trimodel.h"

namespace {

class Roads : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        pwrs(PRCPAR, PRTTOL, 0.01f);
        PRCSTK = PRCCHK = 0.0f;
        off();
    }
    void TearDown() override
    {
        off();
        LOCNDB = nullptr;
        FRETRI();
    }
    static void off()
    {
        DRPBRD = DRPKRN = DRPEDS = 0;
        MOVSTW = 0;
        nu_sgcd_set_code(0);
        brd_set_region(0, nullptr, nullptr, nullptr);
    }
};

// A triangle entry over nodes 1, 2, 3 of the given node array, with the
// model's flags (code 1 for every edge and vertex).
struct Tri {
    std::vector<f32> nodes;
    i32 e[TRG_WORDS] = {};
    explicit Tri(std::vector<f32> xyz) : nodes(std::move(xyz))
    {
        e[TRG_FLAGS] = trgflg(1);
        e[TRG_NODE] = 1, e[TRG_NODE + 1] = 2, e[TRG_NODE + 2] = 3;
        e[TRG_NRM + 2] = r2wrd(1.0f);
        LOCNDB = nodes.data();
    }
};

TEST_F(Roads, TriangleOutlineTests)
{
    const f32 a[2] = {0, 0}, b[2] = {10, 0}, c[2] = {0, 10};
    const f32 in[2] = {2, 2}, out[2] = {8, 8}, line[2] = {-5, 0}, vtx[2] = {10, 0}, edge[2] = {5, 0};
    EXPECT_EQ(PTINTR(in, a, b, c), 1);
    EXPECT_EQ(PTINTR(out, a, b, c), 0);
    EXPECT_EQ(PTINTR(line, a, b, c), 0);  // on an edge's line, outside the others
    EXPECT_EQ(PTINTR(edge, a, b, c), 2);  // on an edge, inside the other two
    EXPECT_EQ(PTINTR(vtx, a, b, c), 2);   // at a vertex
    // no crossing: the nearest point of the outline to P
    f32 P[2] = {5, -3}, q[2] = {5, -3};
    TRIEDP(1, a, b, c, P, q);
    EXPECT_NEAR(q[0], 5.0f, 1e-6);
    EXPECT_NEAR(q[1], 0.0f, 1e-6);
    const f32 P2[2] = {-1, 4};
    f32 q2[2] = {-1, 4};
    TRIEDP(1, a, b, c, P2, q2);
    EXPECT_NEAR(q2[0], 0.0f, 1e-6);
    EXPECT_NEAR(q2[1], 4.0f, 1e-6);
    // crossing: q inside, P outside beyond the hypotenuse: q moves along
    // the direction to P onto that edge
    const f32 P3[2] = {8, 8};
    f32 q3[2] = {2, 2};
    TRIEDP(1, a, b, c, P3, q3);
    EXPECT_NEAR(q3[0], 5.0f, 1e-4);
    EXPECT_NEAR(q3[1], 5.0f, 1e-4);
}

TEST_F(Roads, EdgeContactListResolvesBySurface)
{
    f32 n[3] = {0, 0, 0};
    i32 st = 0;
    CRSLST(2, 0, 0.0f, 0.01f, n, st);
    EXPECT_EQ(st, -1);  // empty
    CRSLST(7, 0, 0.0f, 0.01f, n, st);
    EXPECT_EQ(st, -1);
    // one surface: 1, the highest record's normal
    for (i32 k = 0; k < 12; ++k) {  // past the first room of 5 records
        f32 m[3] = {0, f32(k), 1};
        CRSLST(1, 4, 1.0f + 0.001f * k, 0.01f, m, st);
        ASSERT_EQ(st, 0);
    }
    EXPECT_EQ(crslst_count(), 12);
    CRSLST(2, 0, 0.0f, 0.01f, n, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(n[1], 11.0f);
    EXPECT_EQ(crslst_count(), 0);
    // two surfaces within 2.1 x the tolerance of the highest: 2
    f32 m1[3] = {1, 0, 0}, m2[3] = {0, 1, 0}, m3[3] = {0, 0, 1};
    CRSLST(1, 4, 1.0f, 0.01f, m1, st);
    CRSLST(1, 5, 1.015f, 0.01f, m2, st);
    CRSLST(1, 4, 1.02f, 0.01f, m3, st);
    CRSLST(2, 0, 0.0f, 0.01f, n, st);
    EXPECT_EQ(st, 2);
    EXPECT_EQ(n[2], 1.0f);
    // a second surface below the band does not count
    CRSLST(1, 5, 1.0f, 0.01f, m2, st);
    CRSLST(1, 4, 1.03f, 0.01f, m3, st);
    CRSLST(2, 0, 0.0f, 0.01f, n, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST_F(Roads, SmoothedNormalAndBorderClasses)
{
    Tri t({0, 0, 0, 10, 0, 0, 0, 10, 0});
    const f32 m[9] = {0, 0, 1, 0.6f, 0, -0.8f, 0, 0.6f, 0.8f};  // the second points down
    const f32 fb[3] = {0, 0, 1};
    f32 n[3];
    i32 st = 0;
    const f32 v2[3] = {10, 0, 0};
    SMTNRM(fb, v2, t.e, m, n, st);
    EXPECT_NEAR(n[0], -0.6f, 1e-5);  // reversed
    EXPECT_NEAR(n[2], 0.8f, 1e-5);
    const f32 v3[3] = {0, 10, 0};
    SMTNRM(fb, v3, t.e, m, n, st);
    EXPECT_NEAR(n[1], 0.6f, 1e-5);
    // between the nodes the normal is their area-weighted blend
    const f32 mid[3] = {0, 5, 0};
    SMTNRM(fb, mid, t.e, m, n, st);
    const f32 w = 1.0f / std::sqrt(0.36f + 1.8f * 1.8f);
    EXPECT_NEAR(n[1], 0.6f * w, 1e-5);
    EXPECT_NEAR(n[2], 1.8f * w, 1e-5);
    // node normals marked unusable (z above 1.5): the fallback
    const f32 bad[9] = {0, 0, 2, 0, 0, 2, 0, 0, 2};
    SMTNRM(m + 3, mid, t.e, bad, n, st);
    EXPECT_EQ(n[0], 0.6f);
    // a degenerate triangle: the fallback
    Tri flat({0, 0, 0, 5, 0, 0, 10, 0, 0});
    SMTNRM(fb, mid, flat.e, m, n, st);
    EXPECT_EQ(n[2], 1.0f);
    LOCNDB = t.nodes.data();
    // classes: on an edge or a vertex of code 1
    i32 cls = -5;
    const f32 on_edge[3] = {5, 0.001f, 0}, inside[3] = {3, 3, 0};
    BRDCLS(t.e, on_edge, 0.01f, cls);
    EXPECT_EQ(cls, 1);
    BRDCLS(t.e, inside, 0.01f, cls);
    EXPECT_EQ(cls, 0);
    // an edge of code 2 (vertex codes 0): class 2
    t.e[TRG_FLAGS] = 1 | (0x20 << 8) | (0x01 << 16);  // edge 1 code 2, vertex 3 code 1
    BRDCLS(t.e, on_edge, 0.01f, cls);
    EXPECT_EQ(cls, 2);
    BRDCLS(t.e, v3, 0.01f, cls);
    EXPECT_EQ(cls, 1);
    // A degenerate first edge fails its distance; the next edge tested,
    // off the point, answers for the class: 0, not the failure before it.
    Tri pinch({0, 0, 0, 0, 0, 0, 10, 10, 0});
    pinch.e[TRG_FLAGS] = 1 | (0x14 << 8);
    LOCNDB = pinch.nodes.data();
    const f32 off[3] = {3, -3, 0};
    BRDCLS(pinch.e, off, 0.01f, cls);
    EXPECT_EQ(cls, 0);
    LOCNDB = t.nodes.data();
    i32 ps = 0;
    PTNSEG(v2, v2, inside, 0.01f, ps);
    EXPECT_EQ(ps, -1);
    // On a segment: near it between its ends, at an end; not beyond an end,
    // however near.
    const f32 s0[3] = {0, 0, 0}, s1[3] = {10, 0, 0};
    struct {
        f32 p[3];
        i32 on;
    } near[] = {{{5, 0.005f, 0}, 1}, {{5, 0.02f, 0}, 0}, {{10, 0.005f, 0}, 1}, {{10.005f, 0, 0}, 0}, {{-0.005f, 0, 0}, 0}};
    for (const auto& c : near) {
        PTNSEG(s0, s1, c.p, 0.01f, ps);
        EXPECT_EQ(ps, c.on) << c.p[0] << " " << c.p[1];
    }
    // the region: odd containment, the word of the last contour
    const i32 counts[2] = {4, 4}, words[2] = {0, 7};
    const f32 xy[16] = {0, 0, 10, 0, 10, 10, 0, 10, 2, 2, 4, 2, 4, 4, 2, 4};
    i32 flag = -1;
    EXPECT_EQ(PTINRG(inside, flag), 0);  // no region
    brd_set_region(2, counts, xy, words);
    EXPECT_EQ(PTINRG(inside, flag), 0);  // in both
    EXPECT_EQ(flag, 1);
    const f32 ring[2] = {6, 6};
    EXPECT_EQ(PTINRG(ring, flag), 1);
    EXPECT_EQ(flag, 0);
}

TEST_F(Roads, KernelAndEdgeDistanceRoadsOfThePlanarContact)
{
    Tri t({-20, -20, 2, 20, -20, 2, 0, 20, 2});
    const f32 *u1 = &t.nodes[0], *u2 = &t.nodes[3], *u3 = &t.nodes[6];
    f32 p[3] = {0, 0, 0}, con[3], ed = 0, aux = 0, z = 0;
    i32 st = -5;
    PLNCNT(u1, u2, u3, t.e, p, KND_FLAT, 0, 0, 0.01f, 6.0f, 0.0f, z, con, ed, aux, st);
    const f32 z0 = z;
    const i32 s0 = st;
    EXPECT_NEAR(z0, 2.0f, 1e-5);
    DRPKRN = 1;
    f32 q[3] = {0, 0, 0};
    PLNCNT(u1, u2, u3, t.e, q, KND_FLAT, 0, 0, 0.01f, 6.0f, 0.0f, z, con, ed, aux, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(z, z0, 1e-3);  // a hair off the vertical
    EXPECT_EQ(ed, 0.0f);
    EXPECT_EQ(aux, 0.0f);
    // a ball on a corner of the face
    f32 r[3] = {19, -19.5f, 0};
    PLNCNT(u1, u2, u3, t.e, r, KND_BALL, 0, 0, 0.01f, 6.0f, 3.0f, z, con, ed, aux, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(z, -1.0f);
    EXPECT_LT(z, 2.0f + 1e-4f);
    // a triangle above the kernel's start height: negative travel, -1
    Tri high({-20, -20, 150, 20, -20, 150, 0, 20, 150});
    f32 h[3] = {0, 0, 0};
    PLNCNT(&high.nodes[0], &high.nodes[3], &high.nodes[6], high.e, h, KND_FLAT, 0, 0, 0.01f, 6.0f, 0.0f, z, con, ed,
           aux, st);
    EXPECT_EQ(st, -1);
    // beside the triangle: nothing
    f32 far[3] = {100, 100, 0};
    PLNCNT(u1, u2, u3, t.e, far, KND_FLAT, 0, 0, 0.01f, 6.0f, 0.0f, z, con, ed, aux, st);
    EXPECT_EQ(st, 1);
    DRPKRN = 0;
    LOCNDB = t.nodes.data();
    // A special triangle (orientation 2) goes to its edges only; out of their
    // reach it has no contact, unless the retry lets its face answer.
    t.e[TRG_FLAGS] = trgflg(2);
    for (i32 retry : {0, 1}) {
        f32 w[3] = {0, 0, 0};
        PLNCNT(u1, u2, u3, t.e, w, KND_FLAT, 0, retry, 0.01f, 6.0f, 0.0f, z, con, ed, aux, st);
        EXPECT_EQ(st, retry ? 5 : 1);
        if (retry) {
            EXPECT_NEAR(z, 2.0f, 1e-6);
        }
    }
    t.e[TRG_FLAGS] = trgflg(1);
    // the edge distance from the contact: a face contact away from every
    // edge becomes status 5 with the XY distance to its contact
    DRPEDS = 1;
    f32 s[3] = {0, 0, 0};
    PLNCNT(u1, u2, u3, t.e, s, KND_BALL, 0, 0, 0.01f, 6.0f, 3.0f, z, con, ed, aux, st);
    EXPECT_EQ(s0, 5);  // without the switch: the nearest edge's distance
    EXPECT_EQ(st, 5);
    EXPECT_NEAR(ed, std::hypot(con[0] - s[0], con[1] - s[1]), 1e-6);
    EXPECT_NEAR(ed, 0.0f, 1e-5);  // the ball touches a level face under its axis
}

TEST_F(Roads, SmoothedNormalRoadBlendsTheNodeNormals)
{
    // a level plate whose node normals lean along x: -0.6 at x = -50, +0.6
    // at x = 50; the blended normal at x is unit(0.6 x / 50, 0, 0.8)
    i32 st = 0;
    TRMOPN(st);
    ASSERT_EQ(st, 0);
    i32 rec[SRF_WORDS] = {0};
    rec[SRF_CLASS] = 1, rec[SRF_ID] = 1, rec[SRF_INDEX] = 1;
    const f32 xyz[12] = {-50, -50, 0, 50, -50, 0, 50, 50, 0, -50, 50, 0};
    const f32 nrm[12] = {-0.6f, 0, 0.8f, 0.6f, 0, 0.8f, 0.6f, 0, 0.8f, -0.6f, 0, 0.8f};
    const i32 tri[6] = {1, 2, 3, 1, 3, 4};
    const i32 nn = 4, nt = 2;
    TRMSRF(rec, nn, xyz, nrm, nt, tri, st);
    TRMCLS(st);
    ASSERT_EQ(st, 0);
    std::mt19937 g(2);
    std::uniform_real_distribution<f64> u(-40.0, 40.0);
    auto drop = [](f32 x, f32 y, f32* res, f32* n) {
        f32 p[3] = {x, y, 0}, con[3];
        i32 srf = 0, ps = 0;
        PNTNET(0, p, 0.01f, 0.0f, 0.0f, res, con, n, srf, ps);
        return ps;
    };
    for (const auto& k : positioning::KINDS) {
        if (k.taper > 0) continue;
        tooldefs::use_mill(k.d, k.r, k.l);
        for (int i = 0; i < 20; ++i) {
            const f32 x = f32(u(g)), y = f32(u(g));
            f32 a[3], na[3], b[3], nb[3];
            // off: the mode word 3 without the segment code, a segment code
            // with another mode word: the facet's normal
            MOVSTW = 3;
            nu_sgcd_set_code(0);
            ASSERT_EQ(drop(x, y, a, na), 0);
            EXPECT_EQ(na[2], 1.0f);
            MOVSTW = 2;
            nu_sgcd_set_code(34);
            ASSERT_EQ(drop(x, y, b, nb), 0);
            EXPECT_EQ(nb[2], 1.0f);
            // on: codes 34, 38 and 48 with mode word 3, or the border road
            for (int way = 0; way < 4; ++way) {
                const i32 codes[3] = {34, 38, 48};
                MOVSTW = way < 3 ? 3 : 0;
                nu_sgcd_set_code(way < 3 ? codes[way] : 0);
                DRPBRD = way == 3 ? 1 : 0;
                ASSERT_EQ(drop(x, y, b, nb), 0);
                DRPBRD = 0;
                EXPECT_EQ(a[2], b[2]);  // the heights stay
                // the contact's x: under the axis for the ball, anywhere on
                // the flat bottom for the others
                const f64 reach = k.ref.shape == 1 ? 1e-3 : 0.5 * k.d;
                const f64 lo = 0.6 * (x - reach) / 50.0, hi = 0.6 * (x + reach) / 50.0;
                const f64 w = nb[0] / nb[2] * 0.8;
                // near the diagonal edge the contact is an edge contact of
                // class 1: the tool side's normal
                if (std::fabs(x - y) / std::sqrt(2.0) < 0.5 * k.d + 0.01) {
                    EXPECT_TRUE(nb[2] == 1.0f || (w >= lo - 1e-4 && w <= hi + 1e-4)) << k.name;
                    continue;
                }
                EXPECT_GE(w, lo - 1e-4) << k.name << " " << x;
                EXPECT_LE(w, hi + 1e-4) << k.name << " " << x;
                EXPECT_NEAR(nb[1], 0.0f, 1e-5);
                EXPECT_NEAR(nb[0] * nb[0] + nb[1] * nb[1] + nb[2] * nb[2], 1.0f, 1e-5);
            }
        }
    }
}

TEST_F(Roads, BorderRoadKeepsTheHeightsAndReportsItsWinner)
{
    auto ms = meshes::hemisphere_on_plate(15.0, 20.0, 2000);
    ASSERT_EQ(meshes::build(ms), 0);
    std::mt19937 g(9);
    std::uniform_real_distribution<f64> u(-22.0, 22.0);
    for (const auto& k : positioning::KINDS) {
        tooldefs::use_mill(k.d, k.r, k.l, k.taper);
        for (int i = 0; i < 30; ++i) {
            f32 p[3] = {f32(u(g)), f32(u(g)), 0}, q[3] = {p[0], p[1], 0};
            f32 a[3], ca[3], na[3], b[3], cb[3], nb[3];
            i32 sa = 0, sb = 0, fa = 0, fb = 0;
            DRPBRD = 0;
            PNTNET(0, p, 0.01f, 0.0f, 0.0f, a, ca, na, fa, sa);
            DRPBRD = 1;
            PNTNET(0, q, 0.01f, 0.0f, 0.0f, b, cb, nb, fb, sb);
            ASSERT_EQ(sa, 0);
            EXPECT_EQ(sb, 0);
            EXPECT_EQ(fb, -1);
            EXPECT_EQ(a[2], b[2]) << k.name;
            // no tapered marker; the contact under the tool
            EXPECT_LT(std::fabs(nb[0]), 1.0001f) << k.name;
            if (k.taper == 0) { EXPECT_LE(std::hypot(cb[0] - b[0], cb[1] - b[1]), 0.5f * k.d + 1e-3f) << k.name; }
            EXPECT_EQ(BRDINS, k.taper > 0 ? BRDINS : 1);
            EXPECT_EQ(BRDDIA, k.d);
            const i32 kind = BRDKND % 10;
            EXPECT_EQ(kind, k.ref.shape == 4 ? kind : k.ref.shape) << k.name;
        }
    }
    // with an allowance the tool is enlarged: the free-border test runs on
    // border winners and ends
    tooldefs::use_mill(10.0f, 0.0f);
    for (int i = 0; i < 30; ++i) {
        f32 p[3] = {f32(u(g)), f32(u(g)), 0}, b[3], cb[3], nb[3];
        i32 sb = 0, fb = 0;
        PNTNET(0, p, 0.01f, 0.5f, 0.5f, b, cb, nb, fb, sb);
        EXPECT_EQ(sb, 0);
        EXPECT_TRUE(BRDFLG == 0 || BRDFLG == 1);
    }
}

// With an allowance the free-border test runs only while no examined
// triangle holds the axis: a raised triangle's edge that wins beside the
// axis stays a border winner over a plate that holds the axis, whether the
// plate is examined first (the last drop's winner) or lies far below and is
// passed over by the bounds behind the raised triangle's win.
TEST_F(Roads, BorderWinnerBesideTheAxisOverAPlateStays)
{
    for (const f64 z : {0.0, -5.0}) {
        FRETRI();
        meshes::Mesh plate, step;
        i32 a = plate.node(-20, -20, z), b = plate.node(20, -20, z), c = plate.node(20, 20, z), d = plate.node(-20, 20, z);
        plate.add(a, b, c);
        plate.add(a, c, d);
        i32 e = step.node(2, -5, 1), f = step.node(10, -5, 1), h = step.node(2, 5, 1);
        step.add(e, f, h);
        step.id = 2;
        ASSERT_EQ(meshes::build({plate, step}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        DRPBRD = 1;
        f32 q[3] = {-15, 0, 0}, p[3] = {0, 0.5f, 0}, res[3], con[3], n[3];
        i32 srf = 0, st = 0;
        if (z == 0.0) {
            PNTNET(0, q, 0.01f, 0.5f, 0.5f, res, con, n, srf, st);
            ASSERT_EQ(st, 0);
        }
        PNTNET(0, p, 0.01f, 0.5f, 0.5f, res, con, n, srf, st);
        DRPBRD = 0;
        ASSERT_EQ(st, 0);
        EXPECT_NEAR(res[2], 1.5f, 1e-5) << z;
        EXPECT_EQ(BRDINS, 1) << z;
        EXPECT_EQ(BRDFLG, 1) << z;
    }
}

TEST_F(Roads, FreeBorderSteppingEndsAlongAnEdgeLine)
{
    meshes::Mesh m;
    i32 a = m.node(0, 0, 0), b = m.node(10, 0, 0), c = m.node(0, 10, 0);
    m.add(a, b, c);
    ASSERT_EQ(meshes::build({m}), 0);
    tooldefs::use_mill(2.0f, 1.0f);
    f32 p[3] = {3, 3, 0}, res[3], con[3], n[3];
    i32 srf = 0, st = 0;
    PNTNET(0, p, 0.01f, 0.0f, 0.0f, res, con, n, srf, st);
    ASSERT_EQ(st, 0);  // the triangle is the drop's last winner
    // the contact on the edge y = 0 and under the axis: no direction, the
    // step never leaves the edge's line; the stepping gives up
    const f32 on[2] = {5, 0};
    EXPECT_EQ(FREBRD(on, on, 0, nullptr, nullptr), 0);
    // along the edge's line the step leaves the triangle at its end
    const f32 along[2] = {20, 0};
    EXPECT_EQ(FREBRD(on, along, 0, nullptr, nullptr), 1);
    // towards the outside: a point off the triangle, in none of the listed
    const f32 below[2] = {5, -3};
    EXPECT_EQ(FREBRD(on, below, 0, nullptr, nullptr), 1);
}

}  // namespace

// The free-border test in the tool's frame: a raised triangle whose edge
// wins beside the axis, with a low plate under the tool that holds neither
// the axis nor the step from the contact toward it, is a free border for a
// vertical tool and, the model turned with it, for a tilted one. The plate's
// outline as stored holds that step (and the raised triangle's as stored
// does not hold its contact) once the tool is tilted, so the border is lost
// when the frames are mixed. Over the raised face's inside, the smoothed
// normal blended from the node normals is level in the tool's frame.
TEST_F(Roads, FreeBorderIsJudgedInTheToolsFrame)
{
    const f32 frame_nodes[][3] = {{2, -5, 1}, {10, -5, 1}, {2, 5, 1}, {3, -6, -5}, {12, -6, -5}, {12, 6, -5}, {3, 6, -5}};
    struct Axis {
        f32 tilt, az;
    };
    for (const Axis ax : {Axis{0, 0}, Axis{30, 90}, Axis{20, 200}}) {
        SCOPED_TRACE(testing::Message() << "tilt " << ax.tilt << " azimuth " << ax.az);
        FRETRI();
        const f32 t = ax.tilt * f32(M_PI) / 180.0f, a = ax.az * f32(M_PI) / 180.0f;
        const f32 up[3] = {std::sin(t) * std::cos(a), std::sin(t) * std::sin(a), std::cos(t)};
        const f32 origin[3] = {0, 0, 0};
        FRMSET(origin, up);
        // The model: the nodes given in the tool's frame, turned back out.
        f32 v[7][3];
        for (i32 k = 0; k < 7; ++k) {
            for (i32 c = 0; c < 3; ++c) v[k][c] = frame_nodes[k][c];
            FRMBCK(v[k]);
        }
        f32 p[3] = {0, 0.5f, 0};
        FRMBCK(p);
        meshes::Mesh step, plate;
        step.add(step.node(v[0][0], v[0][1], v[0][2]), step.node(v[1][0], v[1][1], v[1][2]),
                 step.node(v[2][0], v[2][1], v[2][2]));
        step.id = 2;
        i32 n[4];
        for (i32 k = 0; k < 4; ++k) n[k] = plate.node(v[3 + k][0], v[3 + k][1], v[3 + k][2]);
        plate.add(n[0], n[1], n[2]);
        plate.add(n[0], n[2], n[3]);
        ASSERT_EQ(meshes::build({plate, step}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        const f32 tol = 0.01f;
        LOCSET(-1, up, up, 1, 0.0f, tol);
        LOCAXM = ax.tilt > 0 ? 1 : 0;
        for (i32 c = 0; c < 3; ++c) LOCTAX[c] = LOCAN1[c] = LOCAN2[c] = up[c];
        DRPBRD = 1;
        f32 res[3], con[3], nrm[3];
        i32 srf = 0, st = 0;
        PNTNET(0, p, tol, 0.5f, 0.5f, res, con, nrm, srf, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(res[0] * up[0] + res[1] * up[1] + res[2] * up[2], 1.5f, 1e-4);
        EXPECT_EQ(BRDINS, 0);
        EXPECT_EQ(BRDFLG, 1);
        f32 inner[3] = {6, -2, 0}, ires[3], icon[3], inrm[3];
        FRMSET(origin, up);
        FRMBCK(inner);
        i32 ist = 0;
        PNTNET(0, inner, tol, 0.5f, 0.5f, ires, icon, inrm, srf, ist);
        DRPBRD = 0;
        LOCAXM = 0;
        // Over the raised face the smoothed normal is the face's, level in
        // the tool's frame as the drop's other normals there.
        ASSERT_EQ(ist, 0);
        EXPECT_NEAR(inrm[2], 1.0f, 1e-5);
    }
}

// The planar contact keeps the edges of the triangles it met lately: over
// a long run of triangles, neighbours sharing two corners, repeats and
// slots taken over, degenerate and axis-parallel edges and a corner that is
// not a number, every answer equals the solver's on edges computed afresh.
TEST_F(Roads, PlanarContactAnswersAsWithEdgesComputedAfresh)
{
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<f32> c(-8.0f, 8.0f), h(-1.0f, 1.0f);
    std::vector<std::array<f32, 9>> pool;
    for (i32 k = 0; k < 12000; ++k) {
        std::array<f32, 9> v{};
        if (k > 0 && k % 3 != 0) {
            v = pool.back();  // the neighbour over the same two first corners
            v[6] = c(rng), v[7] = c(rng), v[8] = h(rng);
        } else {
            for (f32& x : v) x = c(rng);
        }
        if (k % 97 == 1) v[3] = v[0];                 // an edge parallel to an axis
        if (k % 89 == 2) v[3] = v[0], v[4] = v[1];    // an edge without XY extent
        if (k % 211 == 3) v[7] = std::nanf("");       // a corner that is not a number
        pool.push_back(v);
    }
    const i32 kinds[3] = {KND_BALL, KND_FLAT, KND_TORUS};
    const f32 corners[3] = {3.0f, 0.0f, 1.0f};
    std::uniform_int_distribution<i32> jump(0, 11999), near(-40, 40), kind(0, 2);
    i32 at = 0;
    for (i32 n = 0; n < 60000; ++n) {
        at = n % 7 == 0 ? jump(rng) : std::clamp(at + near(rng), 0, 11999);
        const f32* v = pool[static_cast<size_t>(at)].data();
        const f64 a[3] = {f64(v[3]) - v[0], f64(v[4]) - v[1], f64(v[5]) - v[2]};
        const f64 b[3] = {f64(v[6]) - v[0], f64(v[7]) - v[1], f64(v[8]) - v[2]};
        f64 nv[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const f64 l = std::sqrt(nv[0] * nv[0] + nv[1] * nv[1] + nv[2] * nv[2]);
        if (nv[2] < 0)
            for (f64& x : nv) x = -x;
        i32 e[TRG_WORDS] = {};
        e[TRG_FLAGS] = trgflg(n % 11 == 0 ? 2 : 1);
        for (i32 j = 0; j < 3; ++j) e[TRG_NRM + j] = r2wrd(l > 0 ? static_cast<f32>(nv[j] / l) : (j == 2 ? 1.0f : 0.0f));
        const i32 k = kind(rng), retry = n % 5 == 0;
        const f32 d = 6.0f, r = corners[k];
        const f32 p[3] = {c(rng) * 0.5f, c(rng) * 0.5f, 0.0f};
        f32 got[3] = {p[0], p[1], p[2]}, z = 0, con[3] = {}, ed = 0, aux = 0;
        i32 st = 0;
        PLNCNT(v, v + 3, v + 6, e, got, kinds[k], 0, retry, 0.01f, d, r, z, con, ed, aux, st);
        // The solver on edges computed afresh, as the planar contact hands it on.
        PlnEdge edges[3];
        i32 est[3];
        pln_edges(v, edges, est);
        const f32 rr[2] = {d * 0.5f, r};
        const f32 nd[4] = {wrd2r(e[TRG_NRM]), wrd2r(e[TRG_NRM + 1]), wrd2r(e[TRG_NRM + 2]), wrd2r(e[TRG_PLANE])};
        f32 want[3] = {p[0], p[1], p[2]}, wcon[3] = {}, wed = 0, waux = -1.0e10f;
        i32 ws = 0;
        PLNSOL(trgori(e), want, rr, kinds[k], 0, v, edges, est, nd, wcon, retry, wed, waux, ws);
        if (ws < 0) {
            ASSERT_EQ(st, 1) << "call " << n;
            continue;
        }
        // Without an edge distance the planar contact measures one from
        // the contact and names the status after it: the rest is compared.
        const bool measured = wed < 0.0f;
        if (!measured) {
            ASSERT_EQ(st, ws) << "call " << n;
        }
        const f32 gw[7] = {got[2], z, con[0], con[1], con[2], measured ? 0.0f : ed, aux};
        const f32 ww[7] = {want[2], want[2], wcon[0], wcon[1], wcon[2], measured ? 0.0f : wed, waux};
        for (i32 j = 0; j < 7; ++j)
            ASSERT_TRUE(std::memcmp(&gw[j], &ww[j], sizeof(f32)) == 0) << "call " << n << ", value " << j;
    }
}
