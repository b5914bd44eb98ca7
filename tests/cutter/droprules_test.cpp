// Rules of the tool drop: the triangles gathered, the contact limit, floors,
// ties, and what happens to a tool that cannot be dropped.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "common/dropref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "core/params.h"
#include "core/proc.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        LOCNRM = 1;
        LOCSGM = 0;
    }
    void TearDown() override
    {
        FRETRI();
        MACTYP = 0;
    }
    // Positions the current tool; surface and normal out.
    f32 at(f32 x, f32 y, i32& status, f32* normal = nullptr, f32 tol = 0.01f, i32 mode = 0, f32 z = 0.0f)
    {
        f32 p[3] = {x, y, z}, res[3] = {0, 0, 0}, con[3], nrm[3];
        i32 srf = 0;
        const f32 up[3] = {0, 0, 1};
        const i32 none = -1, code = 1;
        const f32 aux = 0;
        LOCSET(none, up, up, code, aux, tol);
        PNTNET(mode, p, tol, 0.0f, 0.0f, res, con, nrm, srf, status);
        if (normal)
            for (int k = 0; k < 3; ++k) normal[k] = nrm[k];
        return res[2];
    }
    // Sets up the context of a drop as the height routine does.
    void context()
    {
        i32 st = 0;
        CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
        for (int k = 0; k < 3; ++k) LOCSP1[k] = LOCSP2[k] = 0.0f;
    }
};

using meshes::triangle;

TEST_F(Rules, GatheredAreTheAdmittedBoxesUnderTheSquare)
{
    auto ms = meshes::hemisphere_on_plate(30.0, 50.0, 20000);
    ms.push_back(meshes::random_triangles(3000, 100.0, 40.0, 6.0, 9));
    ms.back().cls = 2, ms.back().id = 3;
    auto extra = meshes::random_triangles(1000, 100.0, 40.0, 6.0, 10);
    extra.cls = 0, extra.id = 4;  // ignored surface
    ms.push_back(extra);
    ASSERT_EQ(meshes::build(ms), 0);
    tooldefs::use_mill(8.0f, 1.0f);
    context();
    std::mt19937 g(1);
    std::uniform_real_distribution<f64> u(-45.0, 95.0);
    for (i32 flags : {0x3F, 0x01, 0x02}) {
        STPFLG(flags);
        for (int q = 0; q < 300; ++q) {
            f32 p[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), 0.0f};
            i32 ixy[2] = {static_cast<i32>(p[0] * 1000.0f), static_cast<i32>(p[1] * 1000.0f)};
            i32 count = 0, best = 0, ps = 0, cs = 0, os = 0, st = 0;
            f32 bz = 0;
            elm2nd(0, p, ixy, 0.01f, ELMCAP, count, best, bz, ps, cs, os, st);
            ASSERT_EQ(st, 0);
            std::set<std::pair<i32, i32>> got;
            const i32* lst = elmlst();
            for (i32 k = 0; k < count; ++k) got.insert({lst[k * ELM_WORDS], lst[k * ELM_WORDS + 1]});
            ASSERT_EQ(static_cast<i32>(got.size()), count);
            // Every admitted triangle whose box meets the tool square is
            // listed, unless it lies out of the tool's reach in XY.
            i32 h = static_cast<i32>(LOCRCH * 1000.0f + 1.0f);
            i32 sq[4] = {ixy[0] - h, ixy[1] - h, ixy[0] + h, ixy[1] + h};
            const i32* srf = srfbas();
            const f32* nod = nodbas();
            for (i32 n = 0; n < QT_NODES; ++n) {
                const i32* e = qtnbas(n);
                for (i32 k = 0; k < qtrow(n)[QT_COUNT]; ++k, e += TRG_WORDS) {
                    i32 cls = srf[(e[TRG_SRF] - 1) * SRF_WORDS];
                    bool adm = cls >= 1 && cls <= 6 && (flags & (1 << (cls - 1)));
                    bool meets = e[10] >= sq[0] && e[8] <= sq[2] && e[11] >= sq[1] && e[9] <= sq[3];
                    bool listed = got.count({n, k}) > 0;
                    if (!(adm && meets)) {
                        ASSERT_FALSE(listed);
                        continue;
                    }
                    if (listed) continue;
                    // Not listed: its XY distance from the point exceeds the reach.
                    f64 dmin = 1e300;
                    for (int a = 0; a < 3; ++a) {
                        const f32* A = nod + 3 * (e[1 + a] - 1);
                        const f32* B = nod + 3 * (e[1 + (a + 1) % 3] - 1);
                        f64 dx = B[0] - A[0], dy = B[1] - A[1], wx = p[0] - A[0], wy = p[1] - A[1];
                        f64 t = std::clamp((wx * dx + wy * dy) / (dx * dx + dy * dy + 1e-300), 0.0, 1.0);
                        dmin = std::min(dmin, std::hypot(wx - t * dx, wy - t * dy));
                    }
                    ASSERT_GT(dmin, 4.0 - 1e-4) << "triangle within reach left out";
                }
            }
        }
    }
}

// The gathering at its edges: a point over nothing, the class-7 switch
// alone (allowance 0 whatever the others), a list that grows past its
// first 500 entries with its index array, and a move that keeps only the
// triangles whose top with allowance reaches its height.
TEST_F(Rules, GatheringAtItsEdges)
{
    auto fine = meshes::grid(0, 0, 10, 10, 30, 30, [](f64, f64) { return 1.0; });
    fine.cls = 1, fine.id = 1;
    auto high = meshes::grid(20, 0, 30, 10, 2, 2, [](f64, f64) { return 2.0; });
    high.cls = 7, high.id = 2;
    ASSERT_EQ(meshes::build({fine, high}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    context();
    ASSERT_TRUE(LOCTOL(0.5f, 0.5f));
    auto gather = [](f32 x, f32 y, i32& count, i32& best, f32& bz) {
        f32 p[3] = {x, y, 0.0f};
        i32 ixy[2] = {static_cast<i32>(x * 1000.0f), static_cast<i32>(y * 1000.0f)};
        i32 ps = 0, cs = 0, os = 0, st = 0;
        elm2nd(0, p, ixy, 0.01f, ELMCAP, count, best, bz, ps, cs, os, st);
        EXPECT_EQ(st, 0);
    };
    i32 count = -1, best = -1;
    f32 bz = 0;
    STPFLG(0x3F);
    gather(15.0f, 5.0f, count, best, bz);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(best, 0);
    EXPECT_EQ(bz, -1.0e10f);
    // Class 7 alone: the high plate, its keys without the allowance.
    STPFLG(0x40);
    gather(25.0f, 5.0f, count, best, bz);
    EXPECT_GT(count, 0);
    elm_keys();
    for (i32 k = 0; k < count; ++k) EXPECT_EQ(wrd2r(elmlst()[k * ELM_WORDS + ELM_KEY]), 2.0f);
    EXPECT_EQ(bz, 2.0f);
    gather(5.0f, 5.0f, count, best, bz);
    EXPECT_EQ(count, 0);
    // The fine plate: more than 500 entries, the index array grown with
    // the list (the sanitizers see a write past an index array left short).
    STPFLG(0x3F);
    gather(5.0f, 5.0f, count, best, bz);
    ASSERT_GT(count, 500);
    EXPECT_EQ(ELMCAP, (count + 499) / 500 * 500);
    for (i32 k = 0; k < count; ++k) ASSERT_EQ(elmidx()[k], k);
    EXPECT_GT(bz, 1.49f);  // the plate and the allowance, by the estimate
    EXPECT_LE(bz, 1.5f);
    // Along a move over both plates: the low one with its allowance 0.5
    // reaches 1.5 but not 1.6; the high one (no allowance) both.
    STPFLG(0x41);
    const f32 a[2] = {2.0f, 5.0f}, b[2] = {28.0f, 5.0f};
    for (f32 zr : {1.5f, 1.6f}) {
        i32 cap = ELMCAP, n = 0, ps = 0, cs = 0, os = 0, st = 0;
        elm2n2(0, a, b, zr, cap, n, ps, cs, os, st);
        ASSERT_EQ(st, 0);
        i32 low = 0, hi = 0;
        for (i32 k = 0; k < n; ++k) (wrd2r(elmlst()[k * ELM_WORDS + ELM_KEY]) == 2.0f ? hi : low)++;
        EXPECT_GT(hi, 0) << zr;
        if (zr == 1.5f)
            EXPECT_GT(low, 500);
        else
            EXPECT_EQ(low, 0);
    }
}

TEST_F(Rules, ContactLimit)
{
    // Two steep triangles whose tops lie beyond the tool: both are examined.
    ASSERT_EQ(meshes::build({triangle({3, -1, 0, 3, 1, 0, 6, 0, 5}), triangle({-3, 1, 0, -3, -1, 0, -6, 0, 5})}), 0);
    tooldefs::use_mill(10.0f, 0.0f);
    context();
    f32 cz[1], cpt[3];
    i32 ck[1], cp[1];
    const LocRes res{cz, ck, cp, cpt};
    f32 p[3] = {0, 0, 0}, z = 0, n[3] = {0, 0, 1};
    i32 ntri = 0, count = 0, st = 0;
    LOCPNT(1, 0, p, 0.01f, ntri, z, n, 1, count, res, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("LOCPNT, TOO MANY TRIANGLES UNDER TOOL"));
    EXPECT_TRUE(norak::transcript_has("USE A SMALLER TOOL OR INCREASE TOLERANCE"));
    // While the host keeps bad surfaces, the message comes once per surface
    // and the surface goes among them; every such drop fails.
    init_badsrf();
    const size_t before = norak::transcript_count("LOCPNT, TOO MANY TRIANGLES UNDER TOOL");
    for (int k = 0; k < 2; ++k) {
        LOCPNT(1, 0, p, 0.01f, ntri, z, n, 1, count, res, st);
        EXPECT_EQ(st, -1);
    }
    EXPECT_EQ(norak::transcript_count("LOCPNT, TOO MANY TRIANGLES UNDER TOOL"), before + 1);
    EXPECT_EQ(count_badsrf(), 1);
    EXPECT_GE(find_id_in_buf_badsrf(1), 0);
    EXPECT_TRUE(norak::transcript_has("host: bad surface 1 shown"));
    end_badsrf();
    // With room for both, the drop succeeds.
    f32 cz2[2], cpt2[6];
    i32 ck2[2], cp2[2];
    const LocRes res2{cz2, ck2, cp2, cpt2};
    LOCPNT(1, 0, p, 0.01f, ntri, z, n, 2, count, res2, st);
    EXPECT_EQ(st % 10, 0);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(z, 10.0 / 3.0, 1e-4);
}

TEST_F(Rules, TiesKeepTheFirstExamined)
{
    // Flat tool over a level triangle at z 1 and a tilted one that reaches
    // z 1 at the rim: equal heights.
    auto level = triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1});
    auto tilt = triangle({0, -3, 0, 5, 0, 1, 0, 3, 0}, 1, 2);
    ASSERT_EQ(meshes::build({level, tilt}), 0);
    tooldefs::use_mill(10.0f, 0.0f);
    f32 n[3];
    i32 st = 0;
    f32 z = at(0, 0, st, n);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(z, 1.0f, 1e-5);
    // The tilted one is tried first (highest key, listed last); the level
    // one ties and does not replace it.
    EXPECT_LT(n[2], 0.999f);
    // A check surface at the same height never replaces a part surface...
    FRETRI();
    auto check = tilt;
    check.cls = 2;
    ASSERT_EQ(meshes::build({level, check}), 0);
    z = at(0, 0, st, n);
    EXPECT_NEAR(z, 1.0f, 1e-5);
    EXPECT_NEAR(n[2], 1.0f, 1e-6);
    // ... and a reversed winner, tried first as the last winner, gives way
    // to a part triangle at its height.
    FRETRI();
    auto rev = triangle({0, -3, 0, 0, 3, 0, 5, 0, 1}, 1, 2);  // wound clockwise from above
    auto part = triangle({-3, 0, 0, 3, 0, 0, 0, 10, 2}, 4, 3);  // reaches z 1 at the rim, toward +y
    ASSERT_EQ(meshes::build({rev, part}), 0);
    context();
    static f32 cz[16], cpt[48];
    static i32 ck[16], cp[16];
    const LocRes res{cz, ck, cp, cpt};
    f32 p[3] = {0, 0, 0}, zz = 0, nn[3] = {0, 0, 1};
    i32 ntri = 0, count = 0;
    STPFLG(0x01);
    LOCPNT(1, 0, p, 0.01f, ntri, zz, nn, 16, count, res, st);
    EXPECT_NEAR(nn[1], 0.0f, 1e-6);  // the reversed one
    STPFLG(0x3F);
    LOCPNT(1, 0, p, 0.01f, ntri, zz, nn, 16, count, res, st);
    EXPECT_EQ(st % 10, 0);
    EXPECT_NEAR(zz, 1.0f, 1e-5);
    EXPECT_LT(nn[1], -0.1f);  // the part triangle
}

// Positioning on a known segment: a height above the best that the
// class-1-near road writes directly, before any contact has won, becomes
// contact 0 (position -1) and the drop's answer: the best height rises to
// it, a lower bump or check surface after it changes nothing, a higher one
// raises it, and the end rule does not put the segment's height (0) over
// it, whether the plate (at the segment's height) is examined first, as the
// last winner, or not.
TEST_F(Rules, SegmentHeightWrittenDirectlyBecomesTheReference)
{
    auto plate = triangle({-20, -20, 0, 20, -20, 0, 0, 20, 0}, 1, 1);
    auto bump = [](f64 h, i32 id) { return triangle({-1, -1, h, 1, -1, h, 0, 1, h}, 1, id); };
    auto check = triangle({-1, -1, 0.3, 1, -1, 0.3, 0, 1, 0.3}, 2, 9);
    struct Case {
        std::vector<meshes::Mesh> ms;
        f32 z;
    };
    const Case cases[] = {
        {{plate, bump(0.5, 2)}, 0.5f},
        {{plate, bump(0.5, 2), check}, 0.5f},
        {{plate, bump(0.8, 2), bump(0.5, 3)}, 0.8f},
        {{plate, bump(0.5, 2), bump(0.8, 3)}, 0.8f},
    };
    static f32 cz[16], cpt[48];
    static i32 ck[16], cp[16];
    const LocRes res{cz, ck, cp, cpt};
    for (const Case& c : cases) {
        for (i32 plate_first : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "surfaces " << c.ms.size() << " top " << c.z << " plate first "
                                            << plate_first);
            FRETRI();
            ASSERT_EQ(meshes::build(c.ms), 0);
            tooldefs::use_mill(10.0f, 0.0f);
            context();
            LOCSP1[0] = -10.0f, LOCSP2[0] = 10.0f;
            LOCNRM = 1 - plate_first;
            for (i32 nd = 0; nd < QT_NODES && plate_first; ++nd) {
                const i32* e = qtnbas(nd);
                for (i32 k = 0; k < qtrow(nd)[QT_COUNT]; ++k, e += TRG_WORDS)
                    if (srfbas()[(e[TRG_SRF] - 1) * SRF_WORDS + SRF_ID] == 1) LOCLST[0] = nd, LOCLST[1] = k;
            }
            f32 p[3] = {0, 0, 0}, z = 0, n[3] = {0, 0, 1};
            i32 ntri = 0, count = 0, st = 0;
            LOCSGM = 1;
            LOCPNT(1, 0, p, 0.01f, ntri, z, n, 16, count, res, st);
            LOCSGM = 0;
            EXPECT_EQ(st % 10, 0);
            EXPECT_NEAR(z, c.z, 1e-5);
            EXPECT_NEAR(p[2], c.z, 1e-5);
            ASSERT_GE(count, 1);
            EXPECT_EQ(cp[0], -1);
            EXPECT_NEAR(cz[0], c.z, 1e-5);
        }
    }
}

// An edge just beyond the tool's rim does not lift it: a slope rising to
// a level edge just outside the rim, whose end lies off the axis's foot,
// carries the tool where the slope meets the rim. A corner-radius tool on an edge near its rim stands at the exact
// height.
TEST_F(Rules, EdgesBeyondTheRimDoNotLift)
{
    for (f64 gap : {5.0e-5, 2.0e-5}) {
        FRETRI();
        const f64 x = 5.0 + gap;
        const double v[3][3] = {{3, 0.5, 6}, {x, 0.01, 8}, {x, 1, 8}};
        auto slope = triangle({v[0][0], v[0][1], v[0][2], v[1][0], v[1][1], v[1][2], v[2][0], v[2][1], v[2][2]});
        ASSERT_EQ(meshes::build({slope}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        i32 st = 0;
        const f32 z = at(0, 0, st);
        EXPECT_EQ(st % 10, 0);
        const double p[2] = {0.0, 0.0};
        EXPECT_NEAR(z, dropref::drop(dropref::Tool{2, 5.0, 0.0}, p, v), 4e-6) << gap;
    }
    // A slanted edge passing 4.98 from the axis under a corner radius 2.
    FRETRI();
    const double v[3][3] = {{-3, 4.98, 17.2742}, {3, 4.98, 18.0448}, {0, 9, 17.5}};
    auto slant = triangle({v[0][0], v[0][1], v[0][2], v[1][0], v[1][1], v[1][2], v[2][0], v[2][1], v[2][2]});
    ASSERT_EQ(meshes::build({slant}), 0);
    tooldefs::use_mill(10.0f, 2.0f);
    dropref::Tool ref{3, 5.0, 2.0};
    for (f32 x : {0.0f, 0.37f, 1.3f, -2.2f}) {
        i32 st = 0;
        const f32 z = at(x, 0.0f, st);
        ASSERT_EQ(st % 10, 0);
        const double p[2] = {x, 0.0};
        EXPECT_NEAR(z, dropref::drop(ref, p, v), 4e-6) << x;
    }
}

// Many triangles of one surface below the height reached are passed over
// without their contact; a triangle of another surface among them still
// changes the surface and gives the other-surface-close note (status + 10).
TEST_F(Rules, PassedOverEntriesKeepTheOtherSurfaceNote)
{
    auto plate = meshes::grid(-20, -20, 20, 20, 40, 40, [](f64, f64) { return 0.0; });
    for (f64 depth : {0.05, 3.0}) {  // close below the plate, or far
        FRETRI();
        auto low = triangle({-1, -1, -depth, 1, -1, -depth, 0, 1, -depth}, 1, 2);
        auto low2 = triangle({-3, -3, -depth, -2, -3, -depth, -2.5, -2, -depth}, 1, 2);
        ASSERT_EQ(meshes::build({plate, low, low2}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        context();
        static f32 cz[64], cpt[192];
        static i32 ck[64], cp[64];
        const LocRes res{cz, ck, cp, cpt};
        f32 p[3] = {0.2f, 0.1f, 0}, z = 0, n[3] = {0, 0, 1};
        i32 ntri = 0, count = 0, st = 0;
        LOCNRM = 1;
        LOCPNT(1, 0, p, 0.01f, ntri, z, n, 64, count, res, st);
        EXPECT_GT(ntri, 50);
        EXPECT_NEAR(z, 0.0f, 1e-6);
        EXPECT_EQ(st, 10) << depth;
    }
}

TEST_F(Rules, FloorsAndLimitedDrops)
{
    const auto a = triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1});
    const auto b = triangle({-3, -3, 2, 3, -3, 2, 0, 3, 2}, 1, 2);
    ASSERT_EQ(meshes::build({a, b}), 0);
    tooldefs::use_mill(4.0f, 2.0f);
    i32 st = 0;
    EXPECT_NEAR(at(0, 0, st), 2.0f, 1e-5);
    // Mode 11 starts at point Z - tolerance and stops once above point Z.
    context();
    static f32 cz[16], cpt[48];
    static i32 ck[16], cp[16];
    const LocRes res{cz, ck, cp, cpt};
    f32 p[3] = {0, 0, 1.0f}, z = 0, n[3] = {0, 0, 1};
    i32 ntri = 0, count = 0;
    LOCPNT(11, 0, p, 0.01f, ntri, z, n, 16, count, res, st);
    EXPECT_EQ(st % 10, 0);
    EXPECT_NEAR(z, 2.0f, 1e-5);
    // Nothing above: the floor stays.
    p[2] = 5.0f;
    LOCPNT(11, 0, p, 0.01f, ntri, z, n, 16, count, res, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(z, 5.0f - 0.01f, 1e-6);
    // Machining type 2 and a lone point: no contact above its Z gives its Z.
    MACTYP = MACTYP_SURFACES;
    EXPECT_NEAR(at(0, 0, st, nullptr, 0.01f, 0, 7.0f), 7.0f, 1e-6);
    EXPECT_EQ(st, 0);
    // Without the floor, nothing under the tool is status 1.
    MACTYP = 0;
    at(100, 100, st);
    EXPECT_EQ(st, 1);
}

// Under the surface-milling types a nearly level face (normal's z above
// 0.999) leaves a grown end's contact where the grown end touches, on the
// face; a ball's is taken on the ball itself, the allowance above the face.
TEST_F(Rules, ContactsOnANearlyLevelFaceUnderAnAllowance)
{
    const f32 s = 0.03f;  // the face z = s x: normal's z 0.99955
    ASSERT_EQ(meshes::build({triangle({-20, -20, -20 * s, 20, -20, 20 * s, 0, 20, 0})}), 0);
    MACTYP = MACTYP_SURFACES;
    const f32 up[3] = {0, 0, 1}, e = 0.5f;
    for (f32 r : {5.0f, 2.0f, 0.0f}) {
        tooldefs::use_mill(10.0f, r);
        LOCSET(-1, up, up, 1, 0.0f, 0.01f);
        f32 p[3] = {1.0f, 2.0f, -100.0f}, res[3], con[3], nrm[3];
        i32 srf = 0, st = 9;
        PNTNET(0, p, 0.01f, e, e, res, con, nrm, srf, st);
        ASSERT_EQ(st, 0) << r;
        const f32 above = (con[2] - s * con[0]) / std::sqrt(1.0f + s * s);
        EXPECT_NEAR(above, r == 5.0f ? e : 0.0f, 1e-4) << r;
    }
}

TEST_F(Rules, ToolsThatCannotDrop)
{
    ASSERT_EQ(meshes::build({triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1})}), 0);
    // Not a milling tool: a failure, no height, and no word at each point.
    CURTOL = tooldefs::make_tool(1, 6.0f, 0.0f, 20.0f, 0.0f);
    i32 st = 0;
    const size_t lines = norak::transcript().size();
    f32 z = at(0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_LT(z, -1.0e9f);
    EXPECT_EQ(norak::transcript().size(), lines);
    // A zero tolerance is refused before the tool is read; the cache of the
    // current tool keeps its own values even after another tool was used.
    i32 a = tooldefs::use_mill(10.0f, 1.0f);
    at(0, 0, st);
    EXPECT_EQ(st, 0);
    i32 b = tooldefs::use_mill(4.0f, 0.5f);
    f32 d = 0;
    GTDIAM(b, d);
    at(0, 0, st, nullptr, 0.0f);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE"));
    GTDIAM(b, d);
    EXPECT_EQ(d, 4.0f);
    (void)a;
    // A tapered tool marks its normal: -1000 when it stands above the
    // point's height, 1000 when not.
    tooldefs::use_mill(6.0f, 1.0f, 20.0f, 10.0f);
    f32 n[3];
    for (f32 pz : {0.0f, 1.0f, 3.0f}) {
        z = at(0, 0, st, n, 0.01f, 0, pz);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(z, 1.0f, 1e-5);
        EXPECT_EQ(n[0], pz < 1.0f ? -1000.0f : 1000.0f) << pz;
    }
}

TEST_F(Rules, KindCodes)
{
    ASSERT_EQ(meshes::build({triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1})}), 0);
    struct {
        f32 d, r, a, ea;
        i32 knd, kda;
    } cases[] = {{10, 5, 0, 0.5f, 1, 1}, {10, 0, 0, 0.5f, 2, 3}, {10, 2, 0, 0, 3, 3},
                 {10, 1, 0, -2.0f, 3, 2}, {6, 1, 10, 0, 13, 13}};
    for (auto& c : cases) {
        tooldefs::use_mill(c.d, c.r, 20.0f, c.a);
        ASSERT_TRUE(LOCTOL(c.ea, 0.0f));
        EXPECT_EQ(LOCKND, c.knd);
        EXPECT_EQ(LOCKDA, c.kda);
    }
}

}  // namespace
