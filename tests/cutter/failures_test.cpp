// Failure roads of the cutter location: the host refuses an array that a
// gathering or a work list needs; each caller reports the exact text, gives
// its failure status, writes no half result, and works again once the host
// grants the array.
#include <gtest/gtest.h>

#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/line5x.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "core/host.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

class CutterFailures : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        stk_net_rels();
        NETAXM = 0;
        LOCCST = 0;
        for (i32& w : HEI8) w = 0;
        auto ms = meshes::hemisphere_on_plate(10.0, 20.0, 2000);
        ASSERT_EQ(meshes::build(ms), 0);
        tooldefs::use_mill(6.0f, 3.0f);
        MACTYP = MACTYP_SURFACES;
    }
    void TearDown() override
    {
        norak::fail_alloc_after(0);
        FRETRI();
        stk_net_rels();
    }
    // The transcript lines since `from`.
    static std::vector<std::string> since(size_t from)
    {
        const auto& t = norak::transcript();
        return std::vector<std::string>(t.begin() + static_cast<long>(from), t.end());
    }
};

struct Strings {
    std::vector<f32> xyz = std::vector<f32>(9000), nrm = std::vector<f32>(9000);
    std::vector<i32> flg = std::vector<i32>(3001), len = std::vector<i32>(51);
    i32 nst = 7, tot = 7, status = 0;
    bool operator==(const Strings& o) const
    {
        return nst == o.nst && tot == o.tot && status == o.status &&
               std::equal(xyz.begin(), xyz.begin() + 3 * tot, o.xyz.begin()) &&
               std::equal(flg.begin(), flg.begin() + tot, o.flg.begin()) &&
               std::equal(len.begin(), len.begin() + nst, o.len.begin());
    }
};

Strings line(const f32* a, const f32* b)
{
    Strings s;
    LINNETN(1, 0, a, b, 0.01f, 0.0f, 0.0f, 9000, 5, s.xyz.data(), s.nrm.data(), nullptr, s.flg.data(), s.nst, 50,
            s.len.data(), s.tot, s.status);
    return s;
}

// The string positioning: the host refuses, one by one, the profile tables'
// arrays (no text of the module's own: the host's refusal is all) and the
// triangle lists of the first drop ("elm2nd,dynamic memory error"). Each
// time the call gives -1 and no string; the next call, granted everything,
// writes the strings of a call that never failed.
TEST_F(CutterFailures, StringPositioningGivesNoStringsWhenAnArrayIsRefused)
{
    const f32 a[3] = {-15, 1, 0}, b[3] = {15, 1, 0};
    const Strings good = line(a, b);
    ASSERT_EQ(good.status, 0);
    ASSERT_GE(good.nst, 2);
    const std::vector<std::vector<std::string>> said = {
        {"memory: allocation refused"}, {"memory: allocation refused"}, {"memory: allocation refused"},
        {"memory: allocation refused"}, {"memory: allocation refused", "internal: elm2nd,dynamic memory error"},
        {"memory: allocation refused", "internal: elm2nd,dynamic memory error"}};
    int failed = 0;
    for (int k = 1; k <= static_cast<int>(said.size()); ++k) {
        FRETRI();  // the gathering's lists go with the model
        ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
        stk_net_rels();
        const size_t from = norak::transcript().size();
        norak::fail_alloc_after(k);
        const Strings s = line(a, b);
        norak::fail_alloc_after(0);
        EXPECT_EQ(s.status, -1) << k;
        EXPECT_EQ(s.nst, 0) << k;
        EXPECT_EQ(s.tot, 0) << k;
        EXPECT_EQ(since(from), said[static_cast<size_t>(k - 1)]) << k;
        failed += s.status == -1;
        EXPECT_TRUE(line(a, b) == good) << k;
    }
    EXPECT_EQ(failed, 6);
    // Past the arrays the call needs, nothing is refused.
    FRETRI();
    ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
    stk_net_rels();
    norak::fail_alloc_after(7);
    EXPECT_TRUE(line(a, b) == good);
}

// The tool height at a point: the triangle lists refused, the drop fails
// with the gathering's text and gives no height; granted, the same call
// gives the height of a drop that never failed.
TEST_F(CutterFailures, DropFailsWhenTheTriangleListsAreRefused)
{
    const f32 p[3] = {3, 2, 0};
    f32 res[3], con[3], nrm[3];
    i32 srf = 0, st = 0;
    PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
    ASSERT_EQ(st, 0);
    const f32 z = res[2];
    for (int k = 1; k <= 2; ++k) {
        FRETRI();
        ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
        const size_t from = norak::transcript().size();
        norak::fail_alloc_after(k);
        st = 0;
        PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        norak::fail_alloc_after(0);
        EXPECT_EQ(st, -1) << k;
        EXPECT_EQ(since(from), (std::vector<std::string>{"memory: allocation refused",
                                                         "internal: elm2nd,dynamic memory error"}))
            << k;
        PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(res[2], z);
    }
    // In tool-axis mode the gathering keeps turned copies beside its list:
    // whichever of its arrays is refused, the drop fails, the next one
    // works, and nothing is left open once the model goes.
    const f32 up[3] = {0, 0, 1};
    for (int k = 1; k <= 3; ++k) {
        FRETRI();
        const i32 before = norak::open_arrays();
        ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
        LOCSET(-1, up, up, 1, 0.0f, 0.01f);
        LOCAXM = 1;
        for (int c = 0; c < 3; ++c) LOCTAX[c] = LOCAN1[c] = LOCAN2[c] = up[c];
        f32 q[3] = {p[0], p[1], p[2]};
        norak::fail_alloc_after(k);
        PNTNET(0, q, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        norak::fail_alloc_after(0);
        EXPECT_EQ(st, -1) << k;
        PNTNET(0, q, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        EXPECT_EQ(st, 0) << k;
        LOCAXM = 0;
        FRETRI();
        EXPECT_EQ(norak::open_arrays(), before) << k;
    }
}

// The span check gathers the triangles along its move: refused, it says so
// and gives a negative status.
TEST_F(CutterFailures, SpanCheckFailsWhenTheTriangleListsAreRefused)
{
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
    const f32 A[3] = {-12, 0, 5}, B[3] = {12, 0, 5};
    const size_t from = norak::transcript().size();
    norak::fail_alloc_after(1);
    st = 0;
    NETSPN(A, B, 0.01f, st);
    norak::fail_alloc_after(0);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(since(from),
              (std::vector<std::string>{"memory: allocation refused", "internal: elm2nd,dynamic memory error"}));
    st = 0;
    EXPECT_EQ(NETSPN(A, B, 0.01f, st), 1);  // the move at z 5 cuts the hemisphere of radius 10
    EXPECT_EQ(st, 0);
    LOCRST();
}

// A stale model (its surface records, then its nodes, released while the
// quadtree still holds the triangles): the gathering along a move and the
// one at a point each say so under their own name, give a negative status
// and list nothing; the model built again, they gather as before.
TEST_F(CutterFailures, GatheringsRefuseAModelWhoseArraysAreReleased)
{
    i32 st = 0;
    auto bind = [&] {
        CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
    };
    bind();
    const f32 A[2] = {-12, 0}, B[2] = {12, 0};
    i32 n = 0, ps = 0, cs = 0, os = 0;
    elm2n2(0, A, B, 5.0f, ELMCAP, n, ps, cs, os, st);
    ASSERT_EQ(st, 0);
    const i32 valid = n;
    ASSERT_GT(valid, 0);
    f32 P[3] = {0.5f, 0.5f, 0.0f};
    i32 ixy[2] = {500, 500}, best = 0;
    f32 bz = 0;
    auto at_point = [&] {
        i32 xy[2] = {ixy[0], ixy[1]};
        elm2nd(0, P, xy, 0.01f, ELMCAP, n, best, bz, ps, cs, os, st);
    };
    at_point();
    ASSERT_EQ(st, 0);
    const i32 valid_at = n;
    ASSERT_GT(valid_at, 0);
    for (i32 hw : {TM_SRFHDL, TM_NODHDL}) {
        MM_CLOSE(TRIMDL[hw], st);
        ASSERT_EQ(st, 0);
        bind();
        const size_t from = norak::transcript().size();
        n = 7;
        st = 0;
        elm2n2(0, A, B, 5.0f, ELMCAP, n, ps, cs, os, st);
        EXPECT_EQ(st, -1) << hw;
        EXPECT_EQ(n, 0) << hw;
        EXPECT_EQ(since(from), (std::vector<std::string>{"internal: elm2n2, SURFACE ARRAYS ARE NOT OPEN"})) << hw;
        const size_t from_at = norak::transcript().size();
        n = 7;
        st = 0;
        at_point();
        EXPECT_EQ(st, -1) << hw;
        EXPECT_EQ(n, 0) << hw;
        EXPECT_EQ(since(from_at), (std::vector<std::string>{"internal: elm2nd, SURFACE ARRAYS ARE NOT OPEN"})) << hw;
    }
    FRETRI();
    ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
    bind();
    elm2n2(0, A, B, 5.0f, ELMCAP, n, ps, cs, os, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, valid);
    at_point();
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, valid_at);
    LOCRST();
}

// The lists outlive a gathering and serve the next at whatever size the
// gatherings before it left them: a tilted drop after upright ones (which
// grow the list without its turned copies: unopened, then shorter than the
// list), and any drop after one whose growth the host refused at any of its
// arrays, gives what it gives on fresh lists.
TEST_F(CutterFailures, ListsLeftByEarlierGatheringsServeTheNext)
{
    const f32 axis[3] = {0.3f, 0.2f, 0.9327379f};
    const f32 tol = 0.01f;
    // A drop at (0.5, 0.5) of a ball of diameter 6 or a flat end of 40
    // (whose square holds about every triangle), tilted or upright.
    struct Drop {
        f32 res[3] = {0, 0, 0};
        i32 st = 0;
    };
    auto drop = [&](bool big, bool tilted) {
        tooldefs::use_mill(big ? 40.0f : 6.0f, big ? 0.0f : 3.0f);
        Drop d;
        f32 p[3] = {0.5f, 0.5f, 30.0f}, con[3], nrm[3];
        i32 srf = 0;
        if (!tilted) {
            PNTLC1(0, p, tol, 0.0f, 0.0f, d.res, con, nrm, srf, d.st);
            return d;
        }
        LOCSET(-1, axis, axis, 1, 0.0f, tol);
        LOCAXM = 1;
        for (int c = 0; c < 3; ++c) LOCTAX[c] = LOCAN1[c] = LOCAN2[c] = axis[c];
        PNTNET(0, p, tol, 0.0f, 0.0f, d.res, con, nrm, srf, d.st);
        LOCAXM = 0;
        return d;
    };
    auto fresh = [&] {
        FRETRI();
        ASSERT_EQ(meshes::build(meshes::hemisphere_on_plate(10.0, 20.0, 2000)), 0);
    };
    for (const bool tilted : {false, true}) {
        fresh();
        const Drop want = drop(true, tilted);
        ASSERT_EQ(want.st, 0) << tilted;
        // Before it: small drops, upright then tilted or the other way, and
        // a large upright one.
        for (const auto& before : std::vector<std::vector<std::pair<bool, bool>>>{
                 {{false, false}}, {{false, true}, {true, false}}, {{false, false}, {false, true}}}) {
            fresh();
            for (const auto& [big, t] : before) ASSERT_EQ(drop(big, t).st, 0);
            const Drop got = drop(true, tilted);
            EXPECT_EQ(got.st, 0) << tilted;
            for (int c = 0; c < 3; ++c) EXPECT_EQ(got.res[c], want.res[c]) << tilted << " " << c;
        }
        // After a small drop, the large one refused at its k-th array: it
        // fails, and the next large drop gives what fresh lists give.
        int refused = 0;
        for (int k = 1; k <= 12; ++k) {
            fresh();
            ASSERT_EQ(drop(false, tilted).st, 0);
            norak::fail_alloc_after(k);
            const Drop failed = drop(true, tilted);
            norak::fail_alloc_after(0);
            if (failed.st == 0) break;
            EXPECT_EQ(failed.st, -1) << tilted << " " << k;
            ++refused;
            const Drop got = drop(true, tilted);
            EXPECT_EQ(got.st, 0) << tilted << " " << k;
            for (int c = 0; c < 3; ++c) EXPECT_EQ(got.res[c], want.res[c]) << tilted << " " << k << " " << c;
        }
        EXPECT_GE(refused, 4) << tilted;
    }
}

// The link string: its work array refused (the host's refusal is the only
// text) or the triangle lists of its first drop refused, the call fails and
// keeps no string; granted, it works again.
TEST_F(CutterFailures, LinkStringFailsWhenItsWorkArrayIsRefused)
{
    const f32 up[3] = {0, 0, 1};
    const i32 none = -1, code = 1;
    const f32 aux = 0, tol = 0.01f;
    const i32 maxp = 3000, maxs = 20;
    std::vector<f32> pts(3 * 3000), axs(3 * 3000);
    std::vector<i32> cnt(maxs);
    const f32 a[3] = {-18, 3, 0}, b[3] = {-9, 3, 0};
    for (int k = 1; k <= 4; ++k) {
        LN5INI();
        LOCSET(none, up, up, code, aux, tol);
        i32 ns = 5, tot = 5, st = 0;
        const size_t from = norak::transcript().size();
        norak::fail_alloc_after(k);
        LINE5X(0, a, b, tol, 0.0f, 0.0f, maxp, maxs, pts.data(), axs.data(), ns, cnt.data(), tot, st);
        norak::fail_alloc_after(0);
        EXPECT_EQ(st, -1) << k;
        EXPECT_EQ(ns, 0) << k;
        EXPECT_EQ(tot, 0) << k;
        std::vector<std::string> said = {"memory: allocation refused"};
        if (k > 1) said.push_back("internal: elm2nd,dynamic memory error");
        EXPECT_EQ(since(from), said) << k;
        i32 s0 = 0;
        LN5FRE(s0);
        ELMREL(s0);  // each refusal meets the lists as a fresh call does
    }
    LN5INI();
    LOCSET(none, up, up, code, aux, tol);
    i32 ns = 0, tot = 0, st = 0;
    LINE5X(0, a, b, tol, 0.0f, 0.0f, 3000, maxs, pts.data(), axs.data(), ns, cnt.data(), tot, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(ns, 1);
    EXPECT_GE(tot, 2);
    i32 s0 = 0;
    LN5FRE(s0);
    LOCAXM = 0;
}

}  // namespace
