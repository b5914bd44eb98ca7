// The contact choice after a drop, along a line of drops as the strings make
// them (the last winner examined first).
#include <gtest/gtest.h>

#include <vector>

#include "common/meshes.h"
#include "common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"

namespace {

// Over one part surface the choice keeps the drop's height whatever the
// machining type: where the governing triangle changes between two points
// its contact comes after the previous winner's lower one, and in the
// surface-milling types it must still be taken.
TEST(ContactChoice, KeepsTheDropHeightOverOnePartSurface)
{
    norak::reset();
    FRETRI();
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 8000);
    ms[0].cls = 0;  // the hemisphere alone
    ASSERT_EQ(meshes::build(ms), 0);
    STPFLG(0x3F);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 tol = 0.01f;
    std::vector<f32> cz(2000), cpt(6000);
    std::vector<i32> ck(2000), cp(2000);
    const LocRes res{cz.data(), ck.data(), cp.data(), cpt.data()};
    for (i32 type : {0, MACTYP_SURFACES, MACTYP_TRIMMED, MACTYP_ONESURF}) {
        MACTYP = type;
        ASSERT_TRUE(loc_model_and_tool(0.0f, 0.0f));
        i32 lowered = 0, n = 0;
        for (i32 k = 0; k <= 400; ++k) {
            f32 p[3] = {-24.0f + 0.12f * k, 3.3f, 0.0f};
            for (i32 j = 0; j < 3; ++j) LOCSP1[j] = LOCSP2[j] = p[j];
            i32 ntri = 0, count = 0, ds = 0;
            f32 z = 0, dn[3] = {0, 0, 1};
            LOCPNT(1, 0, p, tol, ntri, z, dn, 2000, count, res, ds);
            ASSERT_GE(ds, 0);
            if (count == 0) continue;
            ++n;
            f32 zs = z, sn[3], con[3];
            i32 srf = 0, higher = 0, ss = 0;
            LOCSEL(tol, p, zs, sn, con, srf, -1, count, cz.data(), ck.data(), cp.data(), cpt.data(), higher, ss);
            ASSERT_EQ(ss, 0);
            if (zs < z - 1e-5f) ++lowered;
        }
        EXPECT_GT(n, 300);
        EXPECT_EQ(lowered, 0) << "machining type " << type;
        LOCRST();
    }
    MACTYP = MACTYP_SURFACES;
    FRETRI();
}

}  // namespace

namespace {

// A winning triangle wound downward counts as reversed (the choice answers
// 3 and the height at the point fails), unless its face is vertical within
// rounding, where its side means nothing.
TEST(ContactChoice, AVerticalFaceIsNeverReversed)
{
    struct Case {
        f64 lean;  // x offset of the wall's top edge over its height of 10
        bool fails;
    } cases[] = {{0.0, false}, {2.5e-7, false}, {-2.5e-7, false}, {0.02, true}, {-0.02, true}};
    for (const Case& c : cases) {
        norak::reset();
        FRETRI();
        // A wall at x = 2 wound so that its normal points down: x = 2 at the
        // bottom, 2 + lean at the top (a lean of 2.5e-7 is the vertex's
        // last bit).
        meshes::Mesh m;
        m.node(2.0, -5.0, 0.0);
        m.node(2.0 + c.lean, 0.0, 10.0);
        m.node(2.0, 5.0, 0.0);
        if (c.lean >= 0.0)
            m.add(1, 3, 2);
        else
            m.add(1, 2, 3);
        ASSERT_EQ(meshes::build({m}), 0);
        STPFLG(0x3F);
        MACTYP = 0;
        tooldefs::use_mill(10.0f, 0.0f);
        f32 p[3] = {0.0f, 0.0f, 0.0f}, res[3], con[3], nrm[3];
        i32 srf = 0, st = 0;
        PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        if (c.fails) {
            EXPECT_EQ(st, -1) << c.lean;
        } else {
            EXPECT_EQ(st, 0) << c.lean;
            EXPECT_NEAR(res[2], 10.0f, 1e-4f) << c.lean;
        }
    }
    MACTYP = MACTYP_SURFACES;
    FRETRI();
}

}  // namespace

namespace {

// A level top meeting a wall that leans a little outward-down (its outward
// normal points slightly down, so its triangles are stored reversed): where
// the tool stands on the shared edge both give the same height, and the top,
// an upward face, governs. The height is that over the top alone, for flat,
// ball and bull tools, in and out of the surface-milling types.
TEST(ContactChoice, ALevelTopGovernsAReversedWallOfTheSameHeight)
{
    struct Tool {
        f32 d, r;
    } tools[] = {{10.0f, 0.0f}, {10.0f, 5.0f}, {10.0f, 2.0f}};
    // The wall's lean: the x offset of its foot over its height of 10.
    const f64 leans[] = {1.0e-6, 2.0e-5, 1.0e-4, 1.0e-2};
    // Along lines across the edge, from outside in and back (the last
    // winner is examined first).
    const f32 xs[] = {4.9f, 2.5f, 1.0f, 0.3f, 0.0f, -0.2f, -1.0f, -4.0f, -6.0f, -4.0f, -1.0f, -0.2f, 0.0f, 0.3f, 1.0f, 2.5f};
    const f32 ys[] = {-3.0f, 0.0f, 0.7f, 4.0f};
    // The top, z = 10 over [-10, 0] x [-5, 5]; the wall down from its edge x = 0.
    auto top = [] {
        meshes::Mesh m;
        m.node(-10.0, -5.0, 10.0);
        m.node(0.0, -5.0, 10.0);
        m.node(0.0, 5.0, 10.0);
        m.node(-10.0, 5.0, 10.0);
        m.add(1, 2, 3);
        m.add(1, 3, 4);
        return m;
    };
    auto heights = [&](const std::vector<meshes::Mesh>& ms, const Tool& t, std::vector<f32>& z,
                       std::vector<i32>& st) {
        norak::reset();
        FRETRI();
        ASSERT_EQ(meshes::build(ms), 0);
        STPFLG(0x3F);
        tooldefs::use_mill(t.d, t.r);
        z.clear(), st.clear();
        for (i32 type : {0, MACTYP_SURFACES}) {
            MACTYP = type;
            for (f32 y : ys)
                for (f32 x : xs) {
                    f32 p[3] = {x, y, 0.0f}, res[3] = {0, 0, 0}, con[3], nrm[3];
                    i32 srf = 0, s = 0;
                    PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, s);
                    z.push_back(res[2]);
                    st.push_back(s);
                }
        }
    };
    for (const Tool& t : tools) {
        std::vector<f32> zref, z;
        std::vector<i32> sref, s;
        heights({top()}, t, zref, sref);
        // The wall's top edge on the top's, or above it by rounding.
        for (f64 rise : {0.0, 2.0e-6})
            for (f64 lean : leans) {
                meshes::Mesh m = top();
                const i32 a = m.node(0.0, -5.0, 10.0 + rise), b = m.node(0.0, 5.0, 10.0 + rise);
                const i32 foot1 = m.node(-10.0 * lean, -5.0, 0.0), foot2 = m.node(-10.0 * lean, 5.0, 0.0);
                m.add(a, foot1, foot2);
                m.add(a, foot2, b);
                heights({m}, t, z, s);
                for (size_t k = 0; k < z.size(); ++k) {
                    ASSERT_EQ(sref[k], 0);
                    EXPECT_EQ(s[k], 0) << "tool " << t.d << "/" << t.r << " lean " << lean << " rise " << rise
                                       << " point " << k;
                    EXPECT_NEAR(z[k], zref[k], 1e-5f) << "tool " << t.d << "/" << t.r << " lean " << lean
                                                      << " rise " << rise << " point " << k;
                }
            }
    }
    MACTYP = MACTYP_SURFACES;
    FRETRI();
}

}  // namespace
