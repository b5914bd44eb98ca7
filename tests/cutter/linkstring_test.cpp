// Points along a link string: positions as the one-point front end gives
// them, joints shared between consecutive links, limits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/line5x.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "core/mactyp.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"

namespace {
// A flat strip from x0 to x1 across y -60 to 60 at height z: two triangles.
void quad(meshes::Mesh& m, f64 x0, f64 x1, f64 z)
{
    const i32 a = m.node(x0, -60, z), b = m.node(x1, -60, z), c = m.node(x1, 60, z), d = m.node(x0, 60, z);
    m.add(a, b, c);
    m.add(a, c, d);
}

// LINE5X over the link a-b at tolerance 0.01 with no allowances, with room
// for 3000 points and the strings asked.
struct Link {
    static constexpr i32 MAXP = 3000;
    std::vector<f32> pts = std::vector<f32>(3 * MAXP), axs = std::vector<f32>(3 * MAXP);
    std::vector<i32> cnt = std::vector<i32>(20);
    i32 ns = 0, tot = 0, st = 0;
    void run(const f32* a, const f32* b, i32 strings)
    {
        const i32 unused = 0;
        LINE5X(unused, a, b, 0.01f, 0.0f, 0.0f, MAXP, strings, pts.data(), axs.data(), ns, cnt.data(), tot, st);
    }
};


TEST(LinkString, PointsOverTheHemisphere)
{
    positioning::reset();
    LN5INI();
    ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(20.0, 30.0, 6000)), 0);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 up[3] = {0, 0, 1};
    const i32 none = -1, code = 1;
    const f32 aux = 0, tol = 0.01f;
    LOCSET(none, up, up, code, aux, tol);
    const i32 maxp = 3000, maxs = 20;
    std::vector<f32> pts(3 * maxp), axs(3 * maxp);
    std::vector<i32> cnt(maxs);
    i32 ns = 0, tot = 0, st = 0;
    const i32 unused = 0;
    f32 a[3] = {-25, 3, 0}, b[3] = {0, 3, 0}, c[3] = {25, 3, 0};
    LINE5X(unused, a, b, tol, 0.0f, 0.0f, maxp, maxs, pts.data(), axs.data(), ns, cnt.data(), tot, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(ns, 1);
    ASSERT_GT(tot, 2);
    // Every output point stands where the vertical drop puts the tool.
    for (i32 k = 0; k < tot; ++k) {
        LOCAXM = 0;
        f32 p[3] = {pts[3 * k], pts[3 * k + 1], 0}, res[3], con[3], nrm[3];
        i32 srf = 0, s2 = 0;
        PNTLC1(0, p, tol, 0.0f, 0.0f, res, con, nrm, srf, s2);
        LOCSET(none, up, up, code, aux, tol);
        ASSERT_NEAR(pts[3 * k + 2], res[2], 1e-4) << k;
        ASSERT_NEAR(axs[3 * k + 2], 1.0f, 1e-6);
    }
    // The next link starts at the joint, which it takes over unpositioned.
    const f32 joint_z = pts[3 * (tot - 1) + 2];
    LINE5X(unused, b, c, tol, 0.0f, 0.0f, maxp, maxs, pts.data(), axs.data(), ns, cnt.data(), tot, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pts[0], 0.0f, 1e-5);
    EXPECT_EQ(pts[2], joint_z);
    // Too few strings or points.
    LN5INI();
    i32 few = 4;
    LINE5X(unused, a, c, tol, 0.0f, 0.0f, few, maxs, pts.data(), axs.data(), ns, cnt.data(), tot, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[LINE5X]MAXIMUM NUMBER OF POINTS IN A STRING :"));
    i32 s0 = 0;
    LN5FRE(s0);
    EXPECT_EQ(s0, 0);
    LOCAXM = 0;
    FRETRI();
}

// A link at the height of a block's top, from over a plate onto the block: a
// flat tool's positions jump onto the top, on the link, which starts a
// second string. Room for one string only: the message, status -1, and the
// string stored is thinned as with room for more; room for none: no string.
TEST(LinkString, TooFewStringsKeepsTheStoredStringThinned)
{
    positioning::reset();
    LN5INI();
    meshes::Mesh plate, block;
    quad(plate, -60, 60, 0.0);
    quad(block, 10, 30, 10.0);
    block.id = 2;
    ASSERT_EQ(meshes::build({plate, block}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    const f32 a[3] = {-20, 3, 10}, b[3] = {25, 3, 10};
    Link l;
    l.run(a, b, 20);
    ASSERT_EQ(l.st, 0);
    ASSERT_EQ(l.ns, 2);
    const i32 first = l.cnt[0];
    LN5INI();
    l.run(a, b, 1);
    EXPECT_EQ(l.st, -1);
    EXPECT_TRUE(norak::transcript_has("[LINE5X]ONLY "));
    EXPECT_EQ(l.ns, 1);
    EXPECT_EQ(l.cnt[0], first);
    EXPECT_EQ(l.tot, first);
    // No room for a string at all: none is reported, and nothing stored.
    LN5INI();
    const size_t said = norak::transcript_count("[LINE5X]ONLY ");
    l.run(a, b, 0);
    EXPECT_EQ(l.st, -1);
    EXPECT_EQ(norak::transcript_count("[LINE5X]ONLY "), said + 1);
    EXPECT_EQ(l.ns, 0);
    EXPECT_EQ(l.tot, 0);
    i32 s0 = 0;
    LN5FRE(s0);
    LOCAXM = 0;
    FRETRI();
}

}  // namespace

// A link that runs off the model: where nothing is under the tool it stands
// at the link point itself, never at the front end's -1e10 marker or an
// unset X/Y (every record is stored outside machining type 14).
TEST(LinkString, OffTheModelTheToolStandsOnTheLink)
{
    positioning::reset();
    LN5INI();
    meshes::Mesh plate;
    quad(plate, -60, 0, 0.0);
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    const i32 keep = MACTYP;
    MACTYP = 0;
    const f32 a[3] = {-20, 3, 5}, b[3] = {40, 3, 5};
    Link l;
    l.run(a, b, 20);
    MACTYP = keep;
    ASSERT_EQ(l.st, 0);
    ASSERT_GT(l.tot, 0);
    i32 off = 0;
    for (i32 k = 0; k < l.tot; ++k) {
        const f32* p = &l.pts[3 * static_cast<size_t>(k)];
        ASSERT_TRUE(p[0] >= -20.001f && p[0] <= 40.001f && std::fabs(p[1] - 3.0f) < 1e-4f && p[2] > -1.0e9f) << k;
        if (p[0] > 4.0f) {
            EXPECT_NEAR(p[2], 5.0f, 1e-4f) << k;
            ++off;
        }
    }
    EXPECT_GT(off, 0);
    i32 s0 = 0;
    LN5FRE(s0);
    LOCAXM = 0;
    FRETRI();
}
