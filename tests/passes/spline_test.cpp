// Spline output: the NURBS blocks written for the dome's pass strings are
// evaluated here on their own (de Boor) against the chain points and the
// segments between them; sharp turns split chains; a failing fit falls back
// to straight moves. And the host's spline services each on their own.
#include <gtest/gtest.h>

#include "blocks/format.h"
#include "passes/bsural.h"
#include "passes/milbf.h"
#include "passes/spline.h"
#include "tests/passes/loop_common.h"
#include "tests/passes/nurbs_read.h"

namespace {

using lp::Pt;
using nr::Nurbs;
using nr::nurbs;

int lines()
{
    int n = 0;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && (e.words[0] == 2 || e.words[0] == 22 || e.words[0] == 222)) ++n;
    return n;
}

bool near(const Pt& a, const Pt& b) { return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1e-3; }

// A run with a ball of the stand-in host, an empty tool path and point chains
// fitted by splines at tolerance 0.01.
void fitting_run()
{
    pt::host({});
    pt::params(1, 0.01f);
    CURTOL = pt::BALL;
    lp::fresh_run();
    lp::clearlist();
    PRM9[22] = 1;
    FITINI(3, 0.01f);
}

// The dome's passes, written straight: their strings.
std::vector<std::vector<Pt>> dome_strings(f32 tol)
{
    pt::host({pt::dome(1)});
    pt::params(1, tol);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 6;
    CURTOL = pt::BALL;
    pt::chain({1}, {pt::upside(1)}, 4);
    lp::fresh_run();
    PRM9[22] = 2;
    EXPECT_GE(lp::run_surm1(), 0);
    return lp::written().strings;
}

TEST(Spline, DomeBlocksLieWithinTheToleranceOfTheirChains)
{
    const f32 t = 0.01f;
    const auto strings = dome_strings(t);
    ASSERT_EQ(strings.size(), 6u);
    size_t straight = 0;
    for (const auto& s : strings) straight += s.size();
    // Each string through the spline writer.
    lp::fresh_run();
    lp::clearlist();
    PRM9[22] = 1;
    FITINI(3, t);
    for (const auto& s : strings) {
        std::vector<f32> p;
        for (const Pt& q : s) p.insert(p.end(), {f32(q.x), f32(q.y), f32(q.z)});
        i32 st = 0;
        SPLWRT(static_cast<i32>(s.size()), p.data(), nullptr, nullptr, st);
        ASSERT_EQ(st, 0);
        SPLFLS(st);
        ASSERT_EQ(st, 0);
    }
    const auto blocks = nurbs();
    ASSERT_GE(blocks.size(), 6u);
    size_t checked = 0;
    for (const auto& b : blocks) {
        // The chain of the block: the string points from its first to its
        // last control point.
        bool found = false;
        for (const auto& s : strings) {
            size_t a = 0;
            while (a < s.size() && !near(s[a], b.first())) ++a;
            size_t e = a;
            while (e < s.size() && !near(s[e], b.last())) ++e;
            if (a >= s.size() || e >= s.size()) continue;
            found = true;
            for (size_t j = a; j <= e; ++j) {
                EXPECT_LE(b.dist(s[j]), 0.5 * t + 1e-4) << j;
                if (j == e) break;
                for (int k = 1; k < 4; ++k) {
                    const double f = k / 4.0;
                    const Pt q{s[j].x + f * (s[j + 1].x - s[j].x), s[j].y + f * (s[j + 1].y - s[j].y), s[j].z + f * (s[j + 1].z - s[j].z)};
                    EXPECT_LE(b.dist(q), std::sqrt(2.0) * t + 1e-4);
                }
                ++checked;
            }
            break;
        }
        EXPECT_TRUE(found);
    }
    EXPECT_GT(checked, 100u);
    i32 nb = 0, np = 0;
    FITCNT(nb, np);
    std::printf("MEASURE spline output on the dome: %zu NURBS blocks and %d straight moves against %zu straight points\n",
                blocks.size(), lines(), straight);
    EXPECT_LT(blocks.size() + size_t(lines()), straight);
}

TEST(Spline, SharpTurnsSplitTheChainAndFailuresGoStraight)
{
    fitting_run();
    // An arc of 20 points, then a turn of 60 degrees and a second arc.
    std::vector<f32> p;
    for (int k = 0; k < 20; ++k) p.insert(p.end(), {f32(10 * std::sin(k * 0.02)), f32(10 - 10 * std::cos(k * 0.02)), 0});
    const f32 cx = p[p.size() - 3], cy = p[p.size() - 2];
    const double a0 = 0.38 + 60 * M_PI / 180;
    for (int k = 1; k < 20; ++k)
        p.insert(p.end(), {f32(cx + 0.2 * k * std::cos(a0) ), f32(cy + 0.2 * k * std::sin(a0)), 0});
    i32 st = 0;
    SPLWRT(static_cast<i32>(p.size() / 3), p.data(), nullptr, nullptr, st);
    SPLFLS(st);
    auto b = nurbs();
    ASSERT_EQ(b.size(), 2u);
    EXPECT_NEAR(b[0].last().x, cx, 1e-4);
    EXPECT_NEAR(b[1].first().y, cy, 1e-4);
    // The host routines failing: the same points as straight moves only.
    lp::clearlist();
    FITINI(3, 0.01f);
    FITFAIL = 1;
    SPLWRT(static_cast<i32>(p.size() / 3), p.data(), nullptr, nullptr, st);
    SPLFLS(st);
    FITFAIL = 0;
    EXPECT_TRUE(nurbs().empty());
    EXPECT_GE(lines(), 3);
    // Knots refused for the first chain: that chain goes straight, not to
    // the approximation; the second is fitted.
    lp::clearlist();
    FITINI(3, 0.01f);
    norak::fail_list_call("cal_i_knt", 1);
    SPLWRT(static_cast<i32>(p.size() / 3), p.data(), nullptr, nullptr, st);
    SPLFLS(st);
    EXPECT_EQ(nurbs().size(), 1u);
    // The interpolation refused: the first arc is approximated, every one
    // of its chosen points kept as a control point, and still written as one
    // block.
    lp::clearlist();
    FITINI(3, 0.01f);
    norak::fail_list_call("calbsp", 1);
    SPLWRT(20, p.data(), nullptr, nullptr, st);
    SPLFLS(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(nurbs().size(), 1u);
    // A polygon of 10-long sides turning by 40 degrees: at a tolerance of 1
    // one block; at 0.01 the curve through the corners leaves the sides far
    // behind and the samples inserted pass 30: straight moves.
    std::vector<f32> poly;
    for (int k = 0; k < 4; ++k) {
        const double a = k * 40 * M_PI / 180;
        const f32 x = poly.empty() ? 0 : poly[poly.size() - 3], y = poly.empty() ? 0 : poly[poly.size() - 2];
        poly.insert(poly.end(), {f32(x + (k ? 10 * std::cos(a - 40 * M_PI / 180) : 0)), f32(y + (k ? 10 * std::sin(a - 40 * M_PI / 180) : 0)), 0});
    }
    for (f32 tol : {1.0f, 0.01f}) {
        lp::clearlist();
        FITINI(3, tol);
        SPLWRT(4, poly.data(), nullptr, nullptr, st);
        SPLFLS(st);
        EXPECT_EQ(nurbs().size(), tol > 0.5f ? 1u : 0u) << tol;
        if (tol < 0.5f) { EXPECT_EQ(lines(), 4); }
    }
    // A long segment after a short one stays in the chain while it is not
    // 20 times longer than the segment before that one too.
    lp::clearlist();
    FITINI(3, 0.01f);
    const f32 run[12] = {0, 0, 0, 2, 0, 0, 2.1f, 0, 0, 9.1f, 0, 0};
    SPLWRT(4, run, nullptr, nullptr, st);
    SPLFLS(st);
    ASSERT_EQ(nurbs().size(), 1u);
    EXPECT_NEAR(nurbs()[0].last().x, 9.1, 1e-4);
    // The last point handed in, until the flush.
    f32 q[3];
    SPLWRT(1, p.data(), nullptr, nullptr, st);
    FITLST(q, st);
    EXPECT_EQ(st, 0);
    SPLFLS(st);
    FITLST(q, st);
    EXPECT_EQ(st, -1);
}

// The string writer hands a string to the spline writer with its axes
// (dimension 2) and its feed words: an axis that turns by more than 40
// degrees, or a feed word that changes, ends the chain there.
TEST(Spline, TheStringsAxesAndFeedWordsBreakTheChain)
{
    std::vector<f32> p, ax;
    std::vector<i32> fw;
    for (int k = 0; k < 40; ++k) {
        p.insert(p.end(), {f32(20 * std::sin(k * 0.01)), f32(20 - 20 * std::cos(k * 0.01)), 0});
        ax.insert(ax.end(), {k < 20 ? 0.0f : 0.8660254f, 0, k < 20 ? 1.0f : 0.5f});
        fw.push_back(k < 20 ? 1 : 2);
    }
    const i32 n = 40;
    auto chains = [&](const f32* axes, const i32* feeds) {
        fitting_run();
        i32 st = 0;
        MILBF2(3, 2, 0, p.data(), axes, feeds, 1, &n, 0, 0, 0, 0, st);
        EXPECT_EQ(st, 0);
        SPLFLS(st);
        PRM9[22] = 2;
        return nurbs().size();
    };
    const std::vector<f32> up = [&] {
        std::vector<f32> u;
        for (int k = 0; k < n; ++k) u.insert(u.end(), {0, 0, 1});
        return u;
    }();
    EXPECT_EQ(chains(up.data(), nullptr), 1u);
    EXPECT_EQ(chains(ax.data(), nullptr), 2u);
    EXPECT_EQ(chains(up.data(), fw.data()), 2u);
    // A chain keeps its first point's word: a word changing at the second
    // point ends the chain there, two points gone straight, and the fit
    // starts again from the second point.
    std::vector<i32> fw2(n, 2);
    fw2[0] = 1;
    EXPECT_EQ(chains(up.data(), fw2.data()), 1u);
    EXPECT_NEAR(nurbs()[0].first().x, p[3], 1e-4);
}

// A chain whose flush the list refuses fails the link written after it:
// the jump, and the approaches of link codes 3 and 4, report the failure
// rather than the status of their own moves.
TEST(Spline, AFailedFlushFailsTheLinkAfterIt)
{
    const f32 chain[6] = {0, 0, 0, 10, 0, 0}, vec[6] = {0, 0, 1, 0, 0, 1};
    for (i32 code : {0, 2, 3, 4}) {
        fitting_run();
        i32 st = 0;
        SPLWRT(2, chain, nullptr, nullptr, st);
        ASSERT_EQ(st, 0);
        // The flush's first move is refused; every write after it is taken.
        norak::fail_list_call("lacces", 1);
        const f32 to[3] = {10, 0, 0};
        i32 open = 0;
        if (code == 0)
            BJMPWR(to, vec, st);
        else
            BPNTWR(reinterpret_cast<const f32(*)[3]>(to), reinterpret_cast<const f32(*)[6]>(vec), 1, code, 1, open, st);
        norak::fail_list_call("lacces", 0);
        PRM9[22] = 2;
        EXPECT_LT(st, 0) << code;
        EXPECT_TRUE(norak::transcript_has("list: lacces refused")) << code;
    }
    // The same chain flushed at the end of a surface's strings: whichever
    // write the list refuses (the markers, the flushed moves) fails the
    // surface with its message; a refused display of a written block is
    // only reported.
    i32 writes = 0;
    for (i32 k = 1; k <= 6; ++k) {
        fitting_run();
        i32 st = 0;
        SPLWRT(2, chain, nullptr, nullptr, st);
        RSTPAS();
        PASSTR.PSNSRF = 1, PASSTR.PSMODE[0] = 1, PASSTR.PSKIND[0] = 1, PASSTR.PSSURF[0] = 1, PASSTR.PSSCNT[0] = 1;
        PASSTR.PSSLEN[0] = 0;
        norak::fail_list_call("lacces", k);
        i32 str = 0, pnt = 0, cir = 0;
        BSURPS(0, str, pnt, cir, 0, st);
        norak::fail_list_call("lacces", 0);
        PRM9[22] = 2;
        if (!norak::transcript_has("list: lacces refused") || norak::transcript_has("DISPLB - ERROR IN LIST")) continue;
        ++writes;
        EXPECT_LT(st, 0) << k;
        EXPECT_TRUE(norak::transcript_has("BSURPS, ERRORS IN LIST")) << k;
    }
    EXPECT_GE(writes, 2);
}

TEST(HostSplines, InterpolationPassesThroughItsPointsAndTheClosestPointIsClosest)
{
    std::vector<f64> pts;
    for (int k = 0; k < 9; ++k) pts.insert(pts.end(), {f64(k), std::sin(k * 0.5), 0.1 * k * k});
    std::vector<f64> u(13), c(27);
    i32 st = 0;
    cal_i_knt(9, pts.data(), u.data(), st);
    ASSERT_EQ(st, 0);
    calbsp(9, pts.data(), u.data(), c.data(), st);
    ASSERT_EQ(st, 0);
    i32 h = 0;
    evbcre_bsp(3, 9, u.data(), c.data(), h, st);
    ASSERT_EQ(st, 0);
    for (int k = 0; k < 9; ++k) {
        f64 cl[3], d2 = 1;
        cptcrv2(h, &pts[size_t(3 * k)], cl, d2, st);
        EXPECT_LT(d2, 1e-16) << k;
    }
    // A point off the curve: no curve sample is nearer than the answer.
    const f64 q[3] = {3.3, 2.0, 1.0};
    f64 cl[3], d2 = 0;
    cptcrv2(h, q, cl, d2, st);
    for (int i = 0; i <= 2000; ++i) {
        f64 e[3];
        evbpnt(h, i / 2000.0, e, st);
        EXPECT_GE((e[0] - q[0]) * (e[0] - q[0]) + (e[1] - q[1]) * (e[1] - q[1]) + (e[2] - q[2]) * (e[2] - q[2]), d2 - 1e-12);
    }
    evbfre(h);
    cptcrv2(h, q, cl, d2, st);
    EXPECT_EQ(st, -1);
    // Coincident neighbours cannot be interpolated; three points make a cubic span.
    const f64 twice[9] = {0, 0, 0, 0, 0, 0, 1, 1, 1};
    cal_i_knt(3, twice, u.data(), st);
    EXPECT_EQ(st, -1);
    const f64 three[9] = {0, 0, 0, 1, 1, 0, 2, 0, 0};
    cal_i_knt(3, three, u.data(), st);
    calbsp(3, three, u.data(), c.data(), st);
    ASSERT_EQ(st, 0);
    evbcre_bsp(3, 4, u.data(), c.data(), h, st);
    f64 cl2[3];
    cptcrv2(h, three + 3, cl2, d2, st);
    EXPECT_LT(d2, 1e-16);
    evbfre(h);
}

// The refinement of a fit: through chain points 0, 3 and 8 of a straight
// chain whose point 6 stands 0.5 off, the curve is the line; only point 6 is
// farther than half the tolerance and joins, in chain order. With no room
// for it nothing joins.
TEST(Spline, RefinementAddsTheFarthestChainPointBetweenChosenPoints)
{
    fitting_run();
    std::vector<f64> chain;
    for (int k = 0; k < 9; ++k) chain.insert(chain.end(), {f64(k), 0.0, k == 6 ? 0.5 : 0.0});
    auto curve = [&](const std::vector<f64>& idx) {
        std::vector<f64> pts;
        for (f64 i : idx) pts.insert(pts.end(), &chain[size_t(3 * i)], &chain[size_t(3 * i + 3)]);
        const i32 n = i32(idx.size());
        const i32 m = std::max(n, 4);
        std::vector<f64> u(size_t(m) + 4), c(3 * size_t(m));
        i32 st = 0, h = 0;
        cal_i_knt(n, pts.data(), u.data(), st);
        calbsp(n, pts.data(), u.data(), c.data(), st);
        evbcre_bsp(3, m, u.data(), c.data(), h, st);
        EXPECT_EQ(st, 0);
        return h;
    };
    for (i32 room : {3, 8}) {
        const i32 h = curve({0, 3, 8});
        f64 pts[24] = {}, idx[8] = {0, 3, 8};
        for (int k = 0; k < 3; ++k) std::memcpy(pts + 3 * k, &chain[size_t(3 * idx[k])], 3 * sizeof(f64));
        i32 n = 3;
        bool changed = true;
        FITREF(h, chain.data(), pts, idx, n, room, changed);
        evbfre(h);
        EXPECT_EQ(changed, room > 3) << room;
        if (room == 3) {
            EXPECT_EQ(n, 3);
            continue;
        }
        ASSERT_EQ(n, 4);
        EXPECT_EQ(std::vector<f64>(idx, idx + 4), (std::vector<f64>{0, 3, 6, 8}));
        EXPECT_EQ(pts[3 * 2 + 2], 0.5);
        EXPECT_EQ(pts[3 * 3], 8.0);
    }
}

TEST(HostSplines, TheApproximationKeepsWithinItsToleranceOfEveryPoint)
{
    // Right-angle chains, one with a repeated point (which interpolation
    // cannot take): every point within the tolerance of the curve.
    for (f64 tol : {0.001, 0.05}) {
        std::vector<f64> pts;
        for (int k = 0; k <= 10; ++k) pts.insert(pts.end(), {f64(k), 0.0, 0.0});
        pts.insert(pts.end(), {10.0, 0.0, 0.0});
        for (int k = 1; k <= 10; ++k) pts.insert(pts.end(), {10.0, f64(k), 0.0});
        const i32 n = static_cast<i32>(pts.size() / 3);
        std::vector<f64> u(size_t(n) + 4), c(3 * size_t(n));
        i32 nc = 0, st = 0;
        itrnrpt(n, pts.data(), tol, n, nc, u.data(), c.data(), st);
        ASSERT_EQ(st, 0) << tol;
        i32 h = 0;
        evbcre_bsp(3, nc, u.data(), c.data(), h, st);
        for (i32 k = 0; k < n; ++k) {
            f64 cl[3], d2 = 1;
            cptcrv2(h, &pts[size_t(3 * k)], cl, d2, st);
            EXPECT_LE(std::sqrt(d2), tol * (1 + 1e-9)) << tol << " point " << k;
        }
        evbfre(h);
        // No room for the points it needs: a failure.
        itrnrpt(n, pts.data(), tol, 3, nc, u.data(), c.data(), st);
        EXPECT_EQ(st, -1) << tol;
    }
}

// A surface of pass kind 6 is cut at feed code 25 up to its last point: the
// chain the spline writer still holds at the surface's end is flushed before
// the feed goes back to 1. An ordinary surface leaves the feed alone.
TEST(Spline, TheLastChainOfAKindSixSurfaceKeepsItsFeed)
{
    for (i32 kind : {6, 1}) {
        fitting_run();
        TECHST.status[1] = 1;  // feed codes written as codes
        RSTPAS();
        PASSTR.PSNSRF = 1, PASSTR.PSMODE[0] = 1, PASSTR.PSKIND[0] = kind, PASSTR.PSSURF[0] = 1, PASSTR.PSSCNT[0] = 1;
        const i32 n = 12;
        PASSTR.PSSLEN[0] = n;
        for (i32 k = 0; k < n; ++k) {
            const f32 p[3] = {f32(10 * std::sin(k * 0.05)), f32(10 - 10 * std::cos(k * 0.05)), 0};
            const f32 v[6] = {0, 0, 1, 0, 0, 1};
            std::memcpy(PASSTR.PSPNTS[k], p, sizeof p);
            std::memcpy(PASSTR.PSVECS[k], v, sizeof v);
        }
        PNDAPP = 0;
        i32 str = 0, pnt = 0, cir = 0, st = 0;
        BSURPS(0, str, pnt, cir, 0, st);
        PRM9[22] = 2;
        ASSERT_EQ(st, 0) << kind;
        i32 feed = 0, moves = 0;
        for (const auto& e : norak::main_list().elems) {
            const auto& w = e.words;
            if (w.size() >= 5 && w[0] == 1 && w[2] == 1) feed = w[4];
            if (!w.empty() && (w[0] == 2 || bt_nurbs(w[0]) || w[0] == 7)) {
                ++moves;
                EXPECT_EQ(feed, kind == 6 ? 25 : 0) << kind << " move " << moves;
            }
        }
        EXPECT_GE(nurbs().size(), 1u) << kind;
        // The cutting feed is asked for the moves after the surface.
        EXPECT_EQ(TECHST.requested[1], kind == 6 ? 1 : 0) << kind;
    }
}

// A straight move that reaches a string's first point comes behind the chain
// the spline writer still holds: the chain is flushed first, so the moves
// stay in the order they were asked for. A one-point string, without and
// with axes (dimension 2).
TEST(Spline, AStraightMoveToAStringComesBehindTheHeldChain)
{
    for (i32 dim : {1, 2}) {
        fitting_run();
        const f32 chain[9] = {0, 0, 0, 5, 1, 0, 10, 0, 0}, far[6] = {30, 0, 0, 40, 0, 0}, ax[6] = {0, 0, 1, 0, 0, 1};
        i32 st = 0;
        SPLWRT(3, chain, nullptr, nullptr, st);
        const i32 n = 1;
        MILBF2(1, dim, 0, far, ax, nullptr, 1, &n, 0, 0, 0, 0, st);
        EXPECT_EQ(st, 0) << dim;
        SPLFLS(st);
        PRM9[22] = 2;
        // The place in the list of the fitted chain and of the move to 30.
        int at = 0, chain_at = -1, move_at = -1;
        for (const auto& e : norak::main_list().elems) {
            const auto& w = e.words;
            if (!w.empty() && bt_nurbs(w[0])) chain_at = at;
            if (w.size() >= 5 && (w[0] == 2 || w[0] == 22 || w[0] == 222) && std::fabs(wrd2r(w[2]) - 30) < 1e-4) move_at = at;
            ++at;
        }
        ASSERT_GE(chain_at, 0) << dim;
        EXPECT_GT(move_at, chain_at) << dim;
    }
}

}  // namespace
