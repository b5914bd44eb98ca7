// Hatch lines over one trimmed surface and the trimmed-surface driver: the
// whole square gives the passes of the untrimmed surface, the pieces of
// every level are the line inside the region, one way and zigzag chaining
// (each join the short way round its loop, wherever the loop starts),
// every cutting point inside the region and no move into the surface; the
// hatch direction and the driver's roads without a pass.
#include <gtest/gtest.h>

#include "passes/hatch.h"
#include "passes/onepas.h"
#include "passes/trmlin.h"
#include "passes/trmpol.h"
#include <nlohmann/json.hpp>

#include "tests/passes/drop_common.h"
#include "tests/passes/loop_common.h"
#include "tests/passes/trim_common.h"
#include "tests/session_util.h"

namespace {

using namespace pt;
using trm::Loop;

// The procedure of one trimmed surface (machining type 3), its limits the
// box (u0, u1, v0, v1), passes in u (lines of constant u); the side step by
// a count of passes (mode 2) or a step in space (mode 3).
void trimmed_run(i32 id, f32 u0, f32 u1, f32 v0, f32 v1, i32 stpmod = 2, f32 value = 11)
{
    params(1, 0.01f);
    pw(STPMOD) = stpmod;
    if (stpmod == 2) pw(NPSREQ) = static_cast<i32>(value);
    if (stpmod == 3) pws(SIDSTP, value);
    CURTOL = BALL;
    chain({id}, {upside(id)}, 4);
    LIMSET(4, u0, u1, v0, v1, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    MACTYP = 3;
    i32 st = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
}

struct Node {
    f32 kind, u, v;
};

// The hatch path as the driver builds it: boundary, direction, turn, lines.
std::vector<Node> hatch_path(i32 id, i32 zig, i32* status = nullptr)
{
    f32 sn = 0, cs = 1;
    i32 h = -1, nl = 0, st = 0;
    TRMRT1(id, 0, sn, cs, h, nl, st);
    EXPECT_EQ(st, 0);
    const PasTab& p = PASTAB;
    f32 angle = p.PCODE[0] == 2 ? 0.0f : 0.5f * 3.1415925f;
    if ((p.PCODE[0] == 2 ? p.USTEP[0] : p.VSTEP[0]) < 0) angle += 3.1415925f;
    i32 dir = 0;
    f32 extra = 0, ys = 0, ye = 0, c = 1, s = 0, lo = 0, hi = 0;
    HATDIR(angle, dir, extra, ys, ye);
    HATCSN(angle + extra, c, s);
    const f32 none[2] = {0, 0};
    ROTPOL(c, s, nl, h, 1, none, 0, lo, hi);
    HATSET(dir, zig, h, 0.0f, c, s);
    HATCRE(h, ys, ye, nl, st);
    if (status) *status = st;
    std::vector<Node> out;
    for (HLNRWD(); !HLNEND(); HLNNXT()) {
        f32 k[3];
        HLNPNT(k);
        out.push_back({k[0], k[1], k[2]});
    }
    HATREL(st);
    clspb(h, st);
    return out;
}

struct Piece {
    f32 kind, u0, v0, u1, v1;
};

// The pieces milled one after the other, as the milling reads the path.
std::vector<Piece> pieces(const std::vector<Node>& path)
{
    std::vector<Piece> out;
    for (size_t k = 0; k + 1 < path.size(); ++k) {
        if (path[k].kind == 8.0f) continue;
        out.push_back({path[k].kind, path[k].u, path[k].v, path[k + 1].u, path[k + 1].v});
    }
    return out;
}

// The cutting pieces by level (u), each as (v start, v end).
std::map<f32, std::vector<std::pair<f32, f32>>> levels(const std::vector<Piece>& ps)
{
    std::map<f32, std::vector<std::pair<f32, f32>>> out;
    for (const Piece& p : ps)
        if (p.kind != 6.0f) {
            EXPECT_EQ(p.u0, p.u1);
            out[p.u0].push_back({p.v0, p.v1});
        }
    return out;
}

// The pass values of the untrimmed surface: the pass loop's own steps.
std::vector<f32> untrimmed_levels()
{
    std::vector<f32> out;
    i32 st = 0;
    newtc(0, st);
    out.push_back(PASTAB.PCUR[0]);
    for (i32 k = 1; k < 1000 && !eqval(PASTAB.PCUR[0], PASTAB.PEND[0]) && st >= 0 && st != 2; ++k) {
        newtc(k, st);
        out.push_back(PASTAB.PCUR[0]);
    }
    return out;
}

TEST(HatchLines, TheWholeSquareGivesTheUntrimmedPassesAndARectangleStopsThem)
{
    host({dome(1)});
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 11;
    CURTOL = BALL;
    chain({1}, {upside(1)}, 4);
    i32 st = 0;
    CLIMIT(st);
    const std::vector<f32> plain = untrimmed_levels();
    ASSERT_EQ(plain.size(), 11u);

    host({trm::trimmed(dome(1), {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}})});
    trimmed_run(1, 0, 1, 0, 1);
    f32 t = 0;
    TRMTOL(1, t);
    for (i32 zig : {0, 1}) {
        const auto lv = levels(pieces(hatch_path(1, zig)));
        ASSERT_EQ(lv.size(), plain.size()) << zig;
        size_t k = 0;
        double worst = 0;
        for (const auto& [u, ps] : lv) {
            worst = std::max(worst, std::fabs(double(u) - plain[k]));
            EXPECT_LE(std::fabs(u - plain[k++]), t + 1e-6) << u;
            // Each pass is cut only at the loop.
            ASSERT_EQ(ps.size(), 1u);
            EXPECT_EQ(std::min(ps[0].first, ps[0].second), 0.0f);
            EXPECT_EQ(std::max(ps[0].first, ps[0].second), 1.0f);
        }
        EXPECT_EQ(lv.rbegin()->first, 1.0f);  // the last line on the end level
        std::printf("MEASURE whole square, %s: %zu levels, off the untrimmed passes by at most %.6f (trim tolerance %.6f)\n",
                    zig ? "zigzag" : "one way", lv.size(), worst, t);
    }

    // A rectangle inside the square: the passes stop at its edges.
    host({trm::trimmed(dome(1), {{{0.3, 0.2}, {0.7, 0.2}, {0.7, 0.6}, {0.3, 0.6}}})});
    trimmed_run(1, 0.3f, 0.7f, 0.2f, 0.6f);
    const auto lv = levels(pieces(hatch_path(1, 0)));
    EXPECT_EQ(lv.size(), 11u);
    for (const auto& [u, ps] : lv) {
        EXPECT_GE(u, 0.3f);
        EXPECT_LE(u, 0.7f);
        ASSERT_EQ(ps.size(), 1u);
        EXPECT_NEAR(std::min(ps[0].first, ps[0].second), 0.2f, 1e-6);
        EXPECT_NEAR(std::max(ps[0].first, ps[0].second), 0.6f, 1e-6);
    }
}

// A rounded rectangle with two holes on the dome.
const std::vector<Loop> REGION = {trm::rounded(0.1, 0.9, 0.12, 0.88, 0.1), trm::circle(0.33, 0.5, 0.1),
                                  trm::circle(0.68, 0.45, 0.12)};

// The region with u and v exchanged: lines of constant u become lines of
// constant second coordinate for the own crossing routine.
std::vector<Loop> swapped(const std::vector<Loop>& loops)
{
    std::vector<Loop> out = loops;
    for (Loop& l : out)
        for (auto& p : l) std::swap(p.first, p.second);
    return out;
}

TEST(HatchLines, PiecesOfEveryLevelAreTheLineInsideTheRegion)
{
    host({trm::trimmed(dome(1), REGION)});
    trimmed_run(1, 0.1f, 0.9f, 0.12f, 0.88f, 3, 3.0f);
    const auto vu = swapped(REGION);
    std::map<f32, std::vector<std::pair<f32, f32>>> oneway;
    for (i32 zig : {0, 1}) {
        SCOPED_TRACE(zig);
        const auto path = hatch_path(1, zig);
        const auto ps = pieces(path);
        const auto lv = levels(ps);
        EXPECT_GT(lv.size(), 20u);
        size_t cut = 0;
        for (const auto& [u, got] : lv) {
            // The own intersection of the line with the region.
            const auto want = trm::stretches(vu, u);
            ASSERT_EQ(got.size(), want.size()) << u;
            std::vector<std::pair<f32, f32>> sorted;
            for (auto g : got) sorted.push_back({std::min(g.first, g.second), std::max(g.first, g.second)});
            std::sort(sorted.begin(), sorted.end());
            for (size_t k = 0; k < want.size(); ++k) {
                EXPECT_NEAR(sorted[k].first, want[k].first, 1e-5) << u;
                EXPECT_NEAR(sorted[k].second, want[k].second, 1e-5) << u;
            }
            cut += got.size();
            if (zig == 0) oneway[u] = sorted;
            else EXPECT_EQ(sorted, oneway[u]) << u;  // the same pieces both ways
        }
        if (zig == 0) {
            // One way: every piece is its own chain, run in the hatch
            // direction (the turned frame's x: v falling for lines of u).
            EXPECT_EQ(path.size(), 2 * cut);
            for (size_t k = 0; k < path.size(); k += 2) {
                EXPECT_EQ(path[k].kind, 3.0f);
                EXPECT_EQ(path[k + 1].kind, 8.0f);
                EXPECT_GT(path[k].v, path[k + 1].v);
            }
        } else {
            // Zigzag: the joins run along the boundary, none of them round
            // the far side of a loop.
            size_t joins = 0, chains = 0;
            double longest = 0;
            for (size_t k = 0; k < ps.size(); ++k) {
                if (ps[k].kind == 3.0f) ++chains;
                if (ps[k].kind != 6.0f) continue;
                ++joins;
                double b0 = 1e9, b1 = 1e9, bm = 1e9;
                for (const Loop& l : REGION) {
                    b0 = std::min(b0, trm::border(l, ps[k].u0, ps[k].v0));
                    b1 = std::min(b1, trm::border(l, ps[k].u1, ps[k].v1));
                    bm = std::min(bm, trm::border(l, 0.5 * (ps[k].u0 + ps[k].u1), 0.5 * (ps[k].v0 + ps[k].v1)));
                }
                EXPECT_LT(std::max({b0, b1, bm}), 1e-5) << k;
                longest = std::max(longest, double(std::hypot(ps[k].u1 - ps[k].u0, ps[k].v1 - ps[k].v0)));
            }
            // A join walked from piece to piece is no longer than a few
            // side steps.
            double walk = 0, worst = 0;
            for (const Piece& p : ps) {
                if (p.kind == 6.0f)
                    walk += std::hypot(p.u1 - p.u0, p.v1 - p.v0);
                else
                    worst = std::max(worst, walk), walk = 0;
            }
            std::printf("MEASURE zigzag over the region: %zu pieces in %zu chains, %zu boundary moves, longest walk %.4f\n",
                        cut, chains, joins, worst);
            EXPECT_GT(joins, cut / 2);
            EXPECT_LT(chains, cut / 4);
            EXPECT_LT(worst, 0.3);
        }
    }

    // Three lines over a disc whose loop starts at each vertex in turn: one
    // zigzag chain over the lines in order, each join the short way round
    // the loop, also where that way passes the loop's first vertex.
    const double r = 0.35;
    const int n = 48;
    int past = 0;  // starts whose first vertex a join passes
    for (int k0 = 0; k0 < n; k0 += 2) {
        SCOPED_TRACE(k0);
        Loop disc;
        for (int k = 0; k < n; ++k)
            disc.push_back({0.5 + r * std::cos(2 * M_PI * (k + k0) / n), 0.5 + r * std::sin(2 * M_PI * (k + k0) / n)});
        host({trm::trimmed(dome(1), {disc})});
        trimmed_run(1, 0.2f, 0.8f, 0.2f, 0.8f, 2, 3);
        std::vector<Piece> cut;
        double walk = 0;
        bool passed = false;
        auto angle = [](f32 u, f32 v) { return std::atan2(v - 0.5, u - 0.5); };
        for (const Piece& p : pieces(hatch_path(1, 1))) {
            if (p.kind == 6.0f) {
                walk += std::hypot(p.u1 - p.u0, p.v1 - p.v0);
                passed = passed || std::hypot(p.u1 - disc[0].first, p.v1 - disc[0].second) < 1e-6;
                continue;
            }
            if (!cut.empty()) {
                const double a = std::fabs(angle(p.u0, p.v0) - angle(cut.back().u1, cut.back().v1));
                EXPECT_LE(walk, r * std::min(a, 2 * M_PI - a) + 1e-5) << cut.size();
                EXPECT_GT(p.u0, cut.back().u0);
                EXPECT_LT((p.v1 - p.v0) * (cut.back().v1 - cut.back().v0), 0.0f);
            }
            EXPECT_EQ(p.kind, cut.empty() ? 3.0f : 1.0f);
            cut.push_back(p);
            walk = 0;
        }
        EXPECT_EQ(cut.size(), 3u);
        past += passed;
    }
    EXPECT_GT(past, 0);
}

// The ball's contact with the dome under a written tool tip: the foot of
// the ball's centre, by Newton steps on the exact surface.
bool contact_uv(const lp::Pt& tip, double& u, double& v)
{
    const double c[3] = {tip.x, tip.y, tip.z + 5.0};
    u = std::clamp(c[0] / 100.0, 0.0, 1.0), v = std::clamp(c[1] / 80.0, 0.0, 1.0);
    for (int it = 0; it < 50; ++it) {
        f64 e[12];
        i32 st = 0;
        evsrfd(buf().data(), u, v, 1, e, st);
        const double d[3] = {c[0] - e[0], c[1] - e[1], c[2] - e[2]};
        const double a = e[3] * e[3] + e[4] * e[4] + e[5] * e[5], b = e[3] * e[6] + e[4] * e[7] + e[5] * e[8];
        const double cc = e[6] * e[6] + e[7] * e[7] + e[8] * e[8];
        const double g1 = d[0] * e[3] + d[1] * e[4] + d[2] * e[5], g2 = d[0] * e[6] + d[1] * e[7] + d[2] * e[8];
        const double det = a * cc - b * b, du = (cc * g1 - b * g2) / det, dv = (a * g2 - b * g1) / det;
        u += du, v += dv;
        if (std::fabs(du) + std::fabs(dv) < 1e-12) return true;
    }
    return false;
}

TEST(TrimmedDriver, EveryCuttingPointLiesInTheRegionAndNoMoveEntersTheSurface)
{
    host({trm::trimmed(dome(1), REGION)});
    for (i32 zig : {0, 1}) {
        SCOPED_TRACE(zig);
        trimmed_run(1, 0.1f, 0.9f, 0.12f, 0.88f, 3, 4.0f);
        pw(ZIGSEL) = zig;
        lp::fresh_run();
        lp::clearlist();
        i32 st = 0, work = 0;
        SURM1T(work, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(MACTYP, 3);
        EXPECT_FALSE(norak::transcript_has("internal:"));
        const std::vector<drp::Move> mv = drp::moves();
        f32 t = 0;
        TRMTOL(1, t);
        LDSRFB(1, buf().data(), st);
        double outside = 0;
        size_t cut = 0;
        for (const drp::Move& m : mv) {
            if (!m.cuts) continue;
            ++cut;
            double u = 0, v = 0;
            ASSERT_TRUE(contact_uv({m.b[0], m.b[1], m.b[2]}, u, v)) << m.b[0] << " " << m.b[1] << " " << m.b[2];
            if (trm::inside(REGION, u, v)) continue;
            double b = 1e9;
            for (const Loop& l : REGION) b = std::min(b, trm::border(l, u, v));
            outside = std::max(outside, b);
        }
        ASSERT_GT(cut, 200u);
        EXPECT_LE(outside, t + 1e-4);
        // Every move, sampled, against the ball's reference drop on the dome.
        const drp::Result r = drp::check(mv, {1}, dropref::Tool{1, 5.0, 5.0}, 1.0, 1.0);
        std::printf("MEASURE trimmed dome %s: %zu cutting points off the region by at most %.6f (trim tolerance "
                    "%.6f); %d samples (%d cutting) of %zu moves: deepest below the reference drop %.5f, cutting "
                    "highest above it %.5f (reference's own distance %.5f)\n",
                    zig ? "zigzag" : "one way", cut, outside, t, r.samples, r.cutting, mv.size(), r.deepest,
                    r.highest, r.sag);
        EXPECT_LE(r.deepest, 0.01 + r.sag);
        EXPECT_LE(r.highest, 0.01 + r.sag);
        EXPECT_GT(r.cutting, 1000);
    }
}

TEST(TrimmedDriver, HatchDirectionAndTheRoadsWithoutAPass)
{
    host({trm::trimmed(dome(1), {{{0.2, 0.2}, {0.8, 0.2}, {0.8, 0.8}, {0.2, 0.8}}})});
    trimmed_run(1, 0.2f, 0.8f, 0.2f, 0.8f);
    i32 dir = 0;
    f32 extra = -1, ys = 0, ye = 0;
    // Lines of constant u turned a quarter: the levels are the u values.
    HATDIR(0.5f * 3.1415925f, dir, extra, ys, ye);
    EXPECT_EQ(dir, 1);
    EXPECT_EQ(extra, 0.0f);
    EXPECT_FLOAT_EQ(ys, 0.2f);
    EXPECT_FLOAT_EQ(ye, 0.8f);
    // Turned the other way the levels would fall: half a turn more.
    HATDIR(1.5f * 3.1415925f, dir, extra, ys, ye);
    EXPECT_EQ(dir, -1);
    EXPECT_FLOAT_EQ(extra, 3.1415925f);
    EXPECT_FLOAT_EQ(ys, 0.2f);
    EXPECT_FLOAT_EQ(ye, 0.8f);
    // Passes in v stepping down: lines of constant v, half a turn, the
    // levels rising from the start.
    LIMSET(1, 0.2f, 0.8f, 0.2f, 0.8f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    i32 st = 0;
    CLIMIT(st);
    ASSERT_EQ(PASTAB.PCODE[0], 2);
    ASSERT_LT(PASTAB.VSTEP[0], 0);
    HATDIR(3.1415925f, dir, extra, ys, ye);
    EXPECT_EQ(dir, 1);
    EXPECT_LT(ys, ye);
    EXPECT_FLOAT_EQ(ys, -0.8f);
    pw(STPMOD) = 2;
    const auto lv = pieces(hatch_path(1, 0));
    ASSERT_FALSE(lv.empty());
    EXPECT_EQ(lv.front().v0, lv.front().v1);  // lines of constant v
    EXPECT_NEAR(lv.front().v0, 0.8f, 0.01f);  // from the start of the passes
    // The lines run from the along start: u rising (the along step's sign).
    for (const Piece& p : lv) EXPECT_LT(p.u0, p.u1);
    // Passes in u stepping down, v stepping up: lines of constant u, a
    // quarter turn and half a turn more from the levels (the turned x is v),
    // taken against it (direction -1): v falling.
    LIMSET(5, 0.2f, 0.8f, 0.2f, 0.8f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    CLIMIT(st);
    ASSERT_EQ(PASTAB.PCODE[0], 1);
    ASSERT_LT(PASTAB.USTEP[0], 0);
    const auto lu = pieces(hatch_path(1, 0));
    ASSERT_FALSE(lu.empty());
    EXPECT_EQ(lu.front().u0, lu.front().u1);
    EXPECT_NEAR(lu.front().u0, 0.8f, 0.01f);
    for (const Piece& p : lu) EXPECT_GT(p.v0, p.v1);

    // A region beyond the levels of the passes, which no line meets: nothing
    // to hatch, no message; the driver writes nothing and fails nothing.
    host({trm::trimmed(dome(1), {{{0.2, 0.5}, {0.8, 0.5}, {0.8, 0.5001}, {0.2, 0.5001}}})});
    trimmed_run(1, 0.2f, 0.8f, 0.2f, 0.8f);
    LIMSET(0, 0.2f, 0.8f, 0.2f, 0.8f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    CLIMIT(st);
    PASTAB.PSTART[0] = 0.3f, PASTAB.PEND[0] = 0.45f;
    st = 9;
    EXPECT_TRUE(hatch_path(1, 0, &st).empty());
    EXPECT_EQ(st, -2);
    lp::fresh_run();
    lp::clearlist();
    const i32 arrays = norak::open_arrays();
    i32 work = 0;
    SURM1T(work, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("internal:"));
    EXPECT_EQ(norak::open_arrays(), arrays);
    // The same with the clean-up on: its grid is built, the clean-up runs
    // on nothing and everything is released once.
    pw(CLNFLG) = 1;
    SURM1T(work, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("internal:"));
    EXPECT_FALSE(norak::transcript_has("user:"));
    EXPECT_EQ(norak::open_arrays(), arrays);
    pw(CLNFLG) = 2;
    // A surface the data base cannot give: its message and a failure.
    SRFGEO.SRFIDS[0] = 99;
    SURM1T(work, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("internal: SURM1T, ERRORS IN DATA BASE"), 1u);
    EXPECT_EQ(norak::open_arrays(), arrays);
    i32 again = 0;
    opnpol(again);
    EXPECT_EQ(again, 0);  // the polygon store was closed
}

// Every corner the passes may start from, one way: the first cutting line
// lies at the start of the passes, every line runs in one sense, and that
// sense turns over with the sign of the along step (not with the pass
// step's); lines of constant v run from the along start. Before, the half
// turn followed the pass step and the along step never turned the lines.
TEST(TrimmedDriver, HatchLinesTurnOverWithTheAlongStep)
{
    host({trm::trimmed(dome(1), {{{0.2, 0.2}, {0.8, 0.2}, {0.8, 0.8}, {0.2, 0.8}}})});
    f32 sense[8] = {0};
    for (i32 mode = 0; mode < 8; ++mode) {
        SCOPED_TRACE(mode);
        trimmed_run(1, 0.2f, 0.8f, 0.2f, 0.8f, 2, 3);
        LIMSET(mode, 0.25f, 0.75f, 0.25f, 0.75f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
        SRFGEO.CRNREC[0][CR_HELD] = 1;
        i32 st = 0, work = 0;
        CLIMIT(st);
        const bool ualong = PASTAB.PCODE[0] == 2;
        const f32 start = PASTAB.PSTART[0];
        lp::fresh_run();
        lp::clearlist();
        SURM1T(work, st);
        ASSERT_EQ(st, 0);
        LDSRFB(1, buf().data(), st);
        size_t cut = 0;
        for (const drp::Move& m : drp::moves()) {
            if (!m.cuts || std::hypot(m.b[0] - m.a[0], m.b[1] - m.a[1]) < 0.5) continue;
            double ua = 0, va = 0, ub = 0, vb = 0;
            ASSERT_TRUE(contact_uv({m.a[0], m.a[1], m.a[2]}, ua, va));
            ASSERT_TRUE(contact_uv({m.b[0], m.b[1], m.b[2]}, ub, vb));
            const f32 s = (ualong ? ub - ua : vb - va) > 0 ? 1.0f : -1.0f;
            if (cut++ == 0) {
                EXPECT_NEAR(ualong ? va : ua, start, 0.02);
                sense[mode] = s;
            }
            EXPECT_EQ(s, sense[mode]);
        }
        EXPECT_GT(cut, 0u);
        if (ualong) {
            EXPECT_EQ(sense[mode], PASTAB.USTEP[0] > 0 ? 1.0f : -1.0f);
        }
    }
    for (i32 mode : {0, 1, 4, 5}) EXPECT_EQ(sense[mode], -sense[mode | 2]) << mode;
}

// Zigzag pieces milled one by one: the tilting angle is turned on the
// pieces that run back against the first one, is the procedure's own on the
// boundary moves (kind 6) and after the loop, and stays as it stands on the
// pieces that run as the first. A backup before every third piece counted.
TEST(TrimmedDriver, TheTiltFollowsThePiecesAndBackupsComeEveryFewPieces)
{
    host({trm::trimmed(dome(1), REGION)});
    trimmed_run(1, 0.1f, 0.9f, 0.12f, 0.88f, 3, 6.0f);
    f32 sn = 0, cs = 1;
    i32 h = -1, nl = 0, st = 0;
    TRMRT1(1, 0, sn, cs, h, nl, st);
    ASSERT_EQ(st, 0);
    i32 dir = 0;
    f32 extra = 0, ys = 0, ye = 0, c = 1, s2 = 0, lo = 0, hi = 0;
    HATDIR(0.5f * 3.1415925f, dir, extra, ys, ye);
    HATCSN(0.5f * 3.1415925f + extra, c, s2);
    const f32 none[2] = {0, 0};
    ROTPOL(c, s2, nl, h, 1, none, 0, lo, hi);
    HATSET(dir, 1, h, 0.0f, c, s2);
    HATCRE(h, ys, ye, nl, st);
    ASSERT_EQ(st, 0);
    f64 buf[SB_CAP];
    LDSRFB(1, buf, st);
    i32 hpar = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(4, 100, hpar, base, st);
    pws(TLTCMP, 30.0f);
    i32 firstsign = 0, back = 0, along = 0, links = 0;
    f32 prev = 30.0f;
    HLNRWD();
    for (i32 first = 1; !HLNEND(); first = 0) {
        RSTPAS();
        trmlin(hpar, buf, 1, first, st);
        ASSERT_GE(st, 0);
        if (st != 0) continue;
        const PasStr& ps = PASSTR;
        const f32 dv = ps.PSPNTS[ps.PSNPNT - 1][1] - ps.PSPNTS[0][1];
        const i32 sign = std::fabs(dv) < 1e-3f ? 0 : dv > 0 ? 1 : -1;
        f32 want = prev;  // a piece running neither way keeps the angle
        if (ps.PSKIND[0] == 6) {
            want = 30.0f;
            ++links;
        } else if (firstsign == 0) {
            firstsign = sign;
            want = 30.0f;
        } else if (sign == -firstsign) {
            want = -30.0f;
            ++back;
        } else if (sign == firstsign) {
            ++along;
        }
        EXPECT_EQ(pwr(TLTCMP), want) << ps.PSKIND[0];
        prev = pwr(TLTCMP);
    }
    EXPECT_GT(back, 2);
    EXPECT_GT(along, 2);
    EXPECT_GT(links, 2);
    MM_CLOSE(hpar, st);
    HATREL(st);
    clspb(h, st);

    // The driver: every third piece backed up; the angle its own after.
    lp::fresh_run();
    lp::clearlist();
    pw(ZIGSEL) = 1;
    pws(TLTCMP, 30.0f);
    UPW2[0] = r2wrd(2.0f);
    UPW2[1] = r2wrd(3.0f);
    NBKUP = 0;
    i32 work = 0;
    SURM1T(work, st);
    UPW2[0] = UPW2[1] = 0;
    EXPECT_EQ(st, 0);
    EXPECT_GT(NBKUP, 6);
    EXPECT_EQ(norak::transcript_count(" PASSES COMPLETED. BACKUP STARTING"), static_cast<size_t>(NBKUP / 3));
    EXPECT_TRUE(norak::transcript_has("message: 3 PASSES COMPLETED. BACKUP STARTING"));  // the count leads
    EXPECT_EQ(pwr(TLTCMP), 30.0f);
}

TEST(TrimmedDriver, AnAllocationRefusedAnywhereIsAFailureWithItsMessage)
{
    // The host refuses its n-th allocation, for n across a whole run: the
    // driver either runs to its end untouched, or fails with a message;
    // never "nothing to hatch" in silence, and nothing is left open.
    host({trm::trimmed(dome(1), REGION)});
    size_t from = 0;
    i32 left = 0;  // arrays the last run left open
    // A line of the transcript written by the last run that contains text.
    auto said = [&](const char* text) {
        const auto& t = norak::transcript();
        for (size_t k = from; k < t.size(); ++k)
            if (t[k].find(text) != std::string::npos) return true;
        return false;
    };
    auto run = [&](long long n, i32& st) {
        trimmed_run(1, 0.1f, 0.9f, 0.12f, 0.88f, 3, 6.0f);
        pw(ZIGSEL) = 1;
        lp::fresh_run();
        lp::clearlist();
        from = norak::transcript().size();
        const long long before = norak::allocations();
        if (n > 0) norak::fail_alloc_after(static_cast<i32>(n));
        const i32 open = norak::open_arrays();
        i32 work = 0;
        SURM1T(work, st);
        norak::fail_alloc_after(0);
        tp_mrkr_fin(1);  // the procedure's marker stack, the frame's to close
        left = norak::open_arrays() - open;
        return norak::allocations() - before;
    };
    i32 st = 0;
    const long long total = run(0, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(total, 20);
    EXPECT_EQ(left, 0);
    int failed = 0;
    // Every one of the first allocations (boundary, stores, the first
    // lines), then a sample of the rest.
    for (long long n = 1; n <= total; n += n < 80 ? 1 : std::max(1LL, total / 30)) {
        run(n, st);
        SCOPED_TRACE(n);
        if (!said("memory: allocation refused")) continue;
        ++failed;
        // A marker the writer could not push is its warning, and the
        // writing goes on; anything else fails the driver.
        EXPECT_TRUE(st < 0 || said("WARNING: MISSING MARKER"));
        EXPECT_TRUE(said("internal:") || said("user:"));
        EXPECT_EQ(left, 0);
    }
    EXPECT_GT(failed, 10);
}

// The strings of each procedure of a tool path dump (one element a line,
// words as integers; a procedure's moves indented under its definition
// block): the cutting strings (string blocks within the strings of a
// surface, out of approaches) with the line point before each.
std::vector<std::vector<std::vector<lp::Pt>>> dumped_strings(const std::string& dump)
{
    std::vector<std::vector<std::vector<lp::Pt>>> procs;
    std::istringstream in(dump);
    std::string line;
    bool in5 = false, approach = false;
    lp::Pt last{0, 0, 0};
    while (std::getline(in, line)) {
        const std::vector<long long> w = dump_words(line);
        if (w.empty()) continue;
        auto pt = [&](size_t k) {
            return lp::Pt{wrd2r(static_cast<i32>(w[k])), wrd2r(static_cast<i32>(w[k + 1])), wrd2r(static_cast<i32>(w[k + 2]))};
        };
        if (w[0] == 12 && line[0] != ' ') procs.emplace_back();
        if (procs.empty()) continue;
        if (w[0] == 99 && w.size() >= 3) {
            in5 = w[2] == 5 ? true : (w[2] == 6 ? false : in5);
            approach = w[2] == 9 ? true : (w[2] == 10 ? false : approach);
        }
        if (w[0] == 2 && w.size() >= 5) last = pt(2);
        if (w[0] == 7) {
            std::vector<lp::Pt> s{last};
            for (size_t k = 1; k + 4 <= w.size(); k += 4) s.push_back(pt(k + 1));
            last = s.back();
            if (in5 && !approach) procs.back().push_back(s);
        }
    }
    return procs;
}

TEST(TrimmedDriver, TheExampleMillsOneWayThenZigzagOverTheRegion)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/trimmed.json");
    const nlohmann::json session = nlohmann::json::parse(text);
    const RunResult r = run_session(text, "trimmed");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "internal:"), 0);
    const auto procs = dumped_strings(r.toolpath);
    ASSERT_EQ(procs.size(), 2u);
    // The region as the session gives it: the rounded rectangle and the two
    // holes.
    std::vector<Loop> region;
    for (const auto& l : session["entities"][0]["loops"]) {
        region.emplace_back();
        for (const auto& p : l["points"]) region.back().push_back({p[0].get<double>(), p[1].get<double>()});
    }
    ASSERT_EQ(region.size(), 3u);
    nlohmann::json plain = session["entities"][0];
    plain.erase("loops");
    host({plain.dump()});
    i32 st = 0;
    LDSRFB(11, buf().data(), st);
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        // The passes along one axis of the part: the sense of each string
        // along it.
        int forward = 0, backward = 0;
        double outside = 0;
        size_t points = 0;
        for (const auto& s : procs[k]) {
            const double dx = s.back().x - s.front().x, dy = s.back().y - s.front().y;
            if (std::hypot(dx, dy) > 5.0) (std::fabs(dx) > std::fabs(dy) ? dx : dy) > 0 ? ++forward : ++backward;
            for (size_t i = 1; i < s.size(); ++i) {
                double u = 0, v = 0;
                ASSERT_TRUE(contact_uv(s[i], u, v));
                ++points;
                if (!trm::inside(region, u, v)) {
                    double b = 1e9;
                    for (const Loop& l : region) b = std::min(b, trm::border(l, u, v));
                    outside = std::max(outside, b);
                }
            }
        }
        std::printf("MEASURE example trimmed, %s: %zu cutting strings (%d one way, %d the other), %zu points, off "
                    "the region by at most %.5f in (u, v)\n",
                    k == 0 ? "one way" : "zigzag", procs[k].size(), forward, backward, points, outside);
        EXPECT_GT(points, 500u);
        EXPECT_LE(outside, 1e-3);  // the trim tolerance's cap
        if (k == 0) {
            EXPECT_TRUE(forward == 0 || backward == 0);
            EXPECT_GT(forward + backward, 20);
        } else {
            EXPECT_GT(forward, 5);
            EXPECT_GT(backward, 5);
        }
    }
}

}  // namespace
