// Pass routines few roads reach: the range helpers, the spline tolerance,
// the twirl and join words, the side flags, the width points of a chain,
// the up/down single moves and markers, and the double-precision links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/mactyp.h"
#include "core/modflg.h"
#include "passes/bsural.h"
#include "passes/milbf.h"
#include "passes/orient.h"
#include "passes/onepas.h"
#include "passes/pasloop.h"
#include "passes/pastab.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/spline.h"
#include "passes/trmpol.h"
#include "passes/twirl.h"
#include "passes/updown.h"
#include "surfaces/allsrf.h"
#include "tests/passes/loop_common.h"

namespace {

using namespace pt;
using lp::Pt;

// A tool standing at `from` over an empty list, clearance 100, 20 above a
// point.
void stand(const f32* from)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    lp::fresh_run();
    lp::clearlist();
    HEI8[HEI8_INCR] = r2wrd(20.0f);
    HFLINI();
    HFLSET(0);
    LNKPAR = LnkPar{1, 6.0f, 4.0f, {1, 1}, 2.0f, 0.01f, 0, 0, 0, 1, 0, 0, 20.0f, 0, 0};
    i32 st = 0;
    MOVLIN(2, from, nullptr, st);
    lp::clearlist();
}

// Two strips of a cylinder's top (radius 40 about the x axis, x from 0 to
// 100) meeting at the angle -15, linked, the ball tool, tolerance 0.01;
// with `shortened` nine passes and the second strip's passes stopping at
// x = 50 (profile parameter 0.5).
void two_strips(bool shortened)
{
    auto strip = [](int id, double a0, double a1) {
        std::ostringstream s;
        s << R"({"kind":"revolution","id":)" << id << R"(,"origin":[0,0,0],"axis":[1,0,0],"ref":[0,0,1],"angle":[)" << a0
          << "," << a1 << R"(],"profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[40,0,0],[40,0,100]]}})";
        return s.str();
    };
    host({strip(1, -50, -15), strip(2, -15, 20)});
    params(1, 0.01f);
    CURTOL = BALL;
    if (shortened) {
        pw(STPMOD) = 2;
        pw(NPSREQ) = 9;
    }
    chain({1, 2}, {upside(1), upside(2)}, 4);
    SRFGEO.SRFLNK[1] = 1;
    if (!shortened) return;
    LIMSET(4, 0, 0.5f, -15, 20, SRFGEO.LIMREC[1], SRFGEO.CRNREC[1]);
    std::memcpy(SRFGEO.LIMORG[1], SRFGEO.LIMREC[1], sizeof SRFGEO.LIMREC[1]);
}

bool same(const std::vector<Pt>& a, const std::vector<Pt>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (a[k].x != b[k].x || a[k].y != b[k].y || a[k].z != b[k].z) return false;
    return true;
}

}  // namespace

TEST(PassWords, RangesToleranceTwirlAndJoin)
{
    const f32 range[2] = {2.0f, 10.0f};
    f32 r = 0;
    RNGVAL(0.25f, range, r);
    EXPECT_EQ(r, 4.0f);
    RNGFRC(4.0f, range, r);
    EXPECT_EQ(r, 0.5f);
    const f32 down[2] = {10.0f, 2.0f};
    RNGVAL(0.25f, down, r);
    EXPECT_EQ(r, 8.0f);
    RNGFRC(4.0f, down, r);
    EXPECT_EQ(r, -0.5f);

    f32 t = 0.25f, keep = 0;
    FITTOL(1, keep);
    FITTOL(2, t);
    f32 got = 0;
    FITTOL(1, got);
    EXPECT_EQ(got, 0.25f);
    f32 other = 9.0f;
    FITTOL(3, other);  // another mode neither gets nor sets
    EXPECT_EQ(other, 9.0f);
    FITTOL(1, got);
    EXPECT_EQ(got, 0.25f);
    FITTOL(2, keep);

    TWLSET(1);
    EXPECT_EQ(TWLGET(), 1);
    TWLSET(0);
    EXPECT_EQ(TWLGET(), 0);
    TWLOFF();
    EXPECT_EQ(TWLGET(), 0);  // the switches go, the request stays as it was

    i32 join = 7, back = 0;
    MSTJGS(2, join);
    MSTJGS(1, back);
    EXPECT_EQ(back, 7);
    join = 0;
    MSTJGS(2, join);
}

TEST(PassWords, SideFlagsClearedUpToTheSurfaceCount)
{
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    SRFGEO.NSRF = 2;
    SRFGEO.CUTFLP = 2;
    SRFGEO.SRFLNK[0] = SRFGEO.SRFLNK[1] = SRFGEO.SRFLNK[2] = 1;
    RSTSID();
    EXPECT_EQ(SRFGEO.SRFLNK[0], 0);
    EXPECT_EQ(SRFGEO.SRFLNK[1], 0);
    EXPECT_EQ(SRFGEO.SRFLNK[2], 1);
    EXPECT_EQ(SRFGEO.CUTFLP, 1);
}

TEST(PassWords, WidthPointsOfAChainMeetOnTheSharedBoundary)
{
    const f32 tol = 0.01f;
    two_strips(false);
    lp::fresh_run();
    i32 st = 0;
    CLIMIT(st);
    ASSERT_GE(st, 0);
    adjlim(st);
    ASSERT_GE(st, 0);
    f32 a[2] = {-1, -1}, b[2] = {-1, -1};
    GETWID(a, b);
    // The pass point of the first strip at its edge and the point found on
    // the second are one point of the boundary at angle -15.
    std::vector<f64> b1(SB_CAP), b2(SB_CAP);
    LDSRFB(1, b1.data(), st);
    LDSRFB(2, b2.data(), st);
    f32 e1[9], e2[9], n[3];
    evsrfn(b1.data(), a[0], a[1], 1, e1, n, st);
    ASSERT_GE(st, 0);
    evsrfn(b2.data(), b[0], b[1], 1, e2, n, st);
    ASSERT_GE(st, 0);
    EXPECT_LE(std::hypot(std::hypot(e1[0] - e2[0], e1[1] - e2[1]), e1[2] - e2[2]), 2 * tol);
    // On the boundary: 15 degrees about the x axis from z.
    EXPECT_NEAR(std::fabs(std::atan2(e1[1], e1[2])) * 180.0 / M_PI, 15.0, 0.05);
}

// A pass line that cannot be trimmed (the memory for a trim boundary
// refused) fails the adjustment of the pair, in either mode; it is not
// taken for a pass line with no inside piece. Each allocation of the
// adjustment is refused in turn.
TEST(PassWords, AnUntrimmablePassLineFailsTheAdjustment)
{
    for (i32 mode : {0, 1}) {
        auto run = [&](i32 fail, i32& st) {
            two_strips(false);
            lp::fresh_run();
            CLIMIT(st);
            EXPECT_GE(st, 0);
            SRFGEO.CRNREC[0][CR_HELD] = SRFGEO.CRNREC[1][CR_HELD] = 1;
            f32 prev = PASTAB.PCUR[0], cur = PASTAB.PCUR[1], start = cur;
            f32 prevend = PASTAB.AEND[0], curstart = PASTAB.ASTART[1];
            const long long from = norak::allocations();
            if (fail > 0) norak::fail_alloc_after(fail);
            ADJNXT(mode, 2, prev, cur, 0.0f, start, prevend, curstart, st);
            norak::fail_alloc_after(0);
            return norak::allocations() - from;
        };
        i32 st = 0;
        const long long total = run(0, st);
        ASSERT_GE(st, 0) << mode;
        ASSERT_GT(total, 0) << mode;
        for (long long k = 1; k <= total; ++k) {
            run(static_cast<i32>(k), st);
            EXPECT_LT(st, 0) << mode << " " << k;
        }
    }
}

TEST(UpDown, SingleMovesAndMarkersWaitWhileUpDownIsOn)
{
    const f32 from[3] = {10, 20, 5}, to[3] = {30, 20, 5}, up[3] = {0, 0, 1};
    stand(from);
    i32 w[28] = {};
    UDINIT(w[0], w + 1, w[25], w[26], w[27]);
    ASSERT_EQ(UDBUF.mode, 1);
    // Off: the marker and the move are written at once; the last point is
    // the current one.
    i32 st = 0;
    UDMRK(3, 5, 9, 0.0f, 0, st);
    EXPECT_EQ(st, 0);
    ASSERT_FALSE(norak::main_list().elems.empty());
    const size_t marked = norak::main_list().elems.size();
    UDMOVE(2, to, up, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(norak::main_list().elems.size(), marked);
    const auto m = lp::moves();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().x, 30.0);
    f32 last[3];
    const f32 cur[3] = {1, 2, 3};
    UDLAST(cur, last);
    EXPECT_EQ(last[0], 1.0f);
    EXPECT_EQ(last[2], 3.0f);

    // On: the marker's class and code are kept, the move goes into the
    // buffers and becomes the last point; nothing is written yet.
    lp::clearlist();
    i32 item[24] = {};
    UDSETP(2, item, 1, 1, 1, 0);
    ASSERT_NE(UDBUF.mode, 1);
    UDMRK(3, 5, 9, 0.0f, 0, st);
    EXPECT_EQ(UDBUF.mcls, 5);
    EXPECT_EQ(UDBUF.mcode, 9);
    const i32 before = UDBUF.count;
    UDMOVE(2, to, up, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(UDBUF.count, before + 1);
    EXPECT_TRUE(norak::main_list().elems.empty());
    UDLAST(cur, last);
    EXPECT_EQ(last[0], 30.0f);
    EXPECT_EQ(last[1], 20.0f);
    UDRSTN();
    i32 rst = 0;
    UDRELS(rst);
    UDSETP(1, item, 1, 1, 1, 0);  // up/down off again for the tests after
    EXPECT_EQ(UDBUF.mode, 1);
}

TEST(DoubleLinks, SameMovesAsTheSinglePrecisionLinks)
{
    const f32 p[3] = {10, 20, 5}, q[3] = {40, 20, 8}, up[3] = {0, 0, 1};
    const f64 qd[3] = {40, 20, 8}, upd[3] = {0, 0, 1};
    i32 st = 0;
    stand(p);
    STREND(2, q, up, 1, 0.0f, st);
    ASSERT_EQ(st, 0);
    const auto single = lp::moves();
    ASSERT_FALSE(single.empty());
    stand(p);
    STRNDD(2, qd, upd, 1, 0.0, st);
    ASSERT_EQ(st, 0);
    EXPECT_TRUE(same(lp::moves(), single));
    // Up to 28 above the end, then across to above q.
    EXPECT_EQ(single.back().x, 40.0);

    stand(p);
    PLNZUP(2, q, up, 3.0f, st);
    ASSERT_EQ(st, 0);
    const auto plunge = lp::moves();
    stand(p);
    PLNZPD(2, qd, upd, 3.0, st);
    ASSERT_EQ(st, 0);
    EXPECT_TRUE(same(lp::moves(), plunge));
    ASSERT_FALSE(plunge.empty());
}

// The four-axis roads the pass test of the rotary axis leaves out: the plain
// orientation road of variant 1 (no angles) and the angled road of variant
// 4; either way the axis has no component across the rotary axis and the
// tool touches without gouging.
TEST(FourAxis, PlainAndAngledRoadsKeepTheAxisAcrossTheRotaryAxis)
{
    each_four_axis_case([](i32 rotary, i32 across, i32 sub, i32 id) {
        SCOPED_TRACE("axis " + std::to_string(rotary) + " variant " + std::to_string(sub) + " surface " +
                     std::to_string(id));
        chk::Surface s(id);
        params(3, 0.01f, sub == 4 ? 8.0f : 0.0f, sub == 4 ? 4.0f : 0.0f);
        pw(AXSSUB) = sub;
        CURTOL = TORUS;
        chain({id}, {upside(id)}, 4);
        ASSERT_EQ(onepass(1, 0.5f), 0);
        ASSERT_GT(PASSTR.PSNPNT, 1);
        EXPECT_LE(largest_axis_component(across), 1e-6);
        const Findings f = check_passes(s, tool_of(TORUS), false);
        EXPECT_LE(f.touch, 1e-4);
        EXPECT_LE(f.gouge, 1e-4);
    });
}

TEST(OneSurface, SideOfTheCleanUpSurfaceComesFromTheHostList)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {1}, 4);
    MACTYP = MACTYP_ONESURF;
    i32 st = 0, count = 0, nearf = 0, rev = 0;
    nc_surf_count(2, 1, count, st);  // list 1 empty
    LDSRFB(1, buf().data(), st);
    RSTPAS();
    SURPAS(3, 1, buf().data(), nearf, rev, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("SURPAS, ERRORS IN LIST"));
    const i32 ids[1] = {1}, nrms[1] = {1};
    count = 1;
    nc_surf_count(1, 1, count, st);
    nc_surf_put(1, ids, nrms, st);
    RSTPAS();
    SURPAS(3, 1, buf().data(), nearf, rev, st);
    EXPECT_GE(st, 0);
    EXPECT_GT(PASSTR.PSNPNT, 1);
    MACTYP = 2;
}

TEST(TrimLoops, ASurfaceNotInTheDatabaseHasNoLoopsToTurn)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    f32 sn = 0, cs = 1;
    i32 hpol = 5, nloops = 5, h3d = 5, st = 0;
    TRMRT2(99, 0, sn, cs, hpol, nloops, h3d, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(nloops, 0);
    EXPECT_EQ(hpol, -1);
    EXPECT_EQ(h3d, -1);
    EXPECT_TRUE(norak::transcript_has("TRMRT1, ERRORS IN DATA BASE"));
    EXPECT_EQ(norak::open_arrays(), 0);
}

// Two strips of a cylinder's top whose second stops half-way along x: the
// passes of both end where the second reaches its limit, and each pass of
// the first meets the same pass of the second.
TEST(PassChain, AShortenedSecondStripEndsThePassesOfBoth)
{
    const f32 tol = 0.01f;
    two_strips(true);
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    const lp::Path p = lp::written();
    ASSERT_GE(p.strings.size(), 4u);
    double worst = 0, far = 0;
    for (const auto& s : p.strings)
        for (const Pt& q : s) far = std::max(far, q.x);
    for (size_t k = 0; k + 1 < p.strings.size(); k += 2) {
        const Pt a = p.strings[k].back(), b = p.strings[k + 1].front();
        worst = std::max(worst, std::hypot(std::hypot(a.x - b.x, a.y - b.y), a.z - b.z));
    }
    EXPECT_LE(far, 50.0 + 2 * tol);
    EXPECT_LE(worst, 2 * tol);
}

// The new pass of a chain whose second strip is clamped at the end of its
// range: the first strip is brought back to meet it there.
TEST(PassChain, ANeighbourClampedAtItsLimitHoldsTheSurfaceBeforeItBack)
{
    two_strips(true);
    lp::fresh_run();
    i32 st = 0;
    CLIMIT(st);
    ASSERT_GE(st, 0);
    PasTab& p = PASTAB;
    p.PCUR[0] = 0.85f, p.PDELTA[0] = 0.05f;
    p.PCUR[1] = 0.45f, p.PDELTA[1] = 0.05f;
    newtc(1, st);
    EXPECT_GE(st, 0);
    EXPECT_NEAR(p.PCUR[1], 0.5f, 1e-6);
    EXPECT_NEAR(p.PCUR[0], 0.5f, 0.001f);
}
