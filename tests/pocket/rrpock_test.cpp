// The offset driver's island stages and its failures: an island inside the
// union of two others is retired, the distance of the second island pass
// to the pocket loops, the progress of the levels, a failing stage that
// ends the run with its status and message, and the islands' own allowances
// kept by their passes over several levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "cleanup/clrarea.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "pocket/clrpok.h"
#include "pocket/rrpock.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

std::vector<f32> rect(f32 x0, f32 y0, f32 w, f32 h)
{
    return {x0, y0, x0 + w, y0, x0 + w, y0 + h, x0, y0 + h, x0, y0};
}

struct Result {
    i32 status = -99, n = 0;
    std::vector<i32> counts = std::vector<i32>(50);
    std::vector<f32> pts = std::vector<f32>(60000);
};

Result clear(const std::vector<std::vector<f32>>& contours, const std::vector<f32>& allow, i32 mode = 0,
             f32 side = 1.0f)
{
    Result r;
    std::vector<f32> pts;
    std::vector<i32> counts;
    for (const auto& c : contours) {
        pts.insert(pts.end(), c.begin(), c.end());
        counts.push_back(static_cast<i32>(c.size() / 2));
    }
    r.n = 50;
    clrpok(mode, 0, 0.0f, side, static_cast<i32>(contours.size()), counts.data(), pts.data(), allow.data(), r.n,
           r.counts.data(), r.pts.data(), r.status);
    return r;
}

// The widths of the output tours.
std::multiset<i32> widths(const Result& r)
{
    std::multiset<i32> w;
    i32 at = 0;
    for (i32 l = 0; l < r.n; ++l) {
        f32 x0 = 1e30f, x1 = -1e30f;
        for (i32 j = 0; j < r.counts[l]; ++j) {
            x0 = std::min(x0, r.pts[2 * (at + j)]);
            x1 = std::max(x1, r.pts[2 * (at + j)]);
        }
        w.insert(static_cast<i32>(std::lround(x1 - x0)));
        at += r.counts[l];
    }
    return w;
}

}  // namespace

TEST(OffsetDriver, AnIslandInsideTheUnionOfTwoOthersIsRetired)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    // islands 20..30 and 32..42 (of other heights) whose offsets by 5 meet,
    // and a small one in the gap between them whose offset the union covers
    const Result r = clear({rect(0, 0, 100, 100), rect(20, 20, 10, 20), rect(32, 22, 10, 16), rect(30.5f, 29, 1, 2)},
                           {0.0f, 5.0f, 5.0f, 5.0f}, 1);
    ASSERT_EQ(r.status, 0);
    // the outer contour's tour and the union's (15..47): nothing of the
    // small island is cut inside the union
    EXPECT_EQ(r.n, 2);
    EXPECT_EQ(widths(r), (std::multiset<i32>{32, 100}));
    EXPECT_EQ(pkdm_entries(), 0);
    // apart from the others, the small island keeps its own tour
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const Result s = clear({rect(0, 0, 100, 100), rect(20, 20, 10, 20), rect(32, 22, 10, 16), rect(70, 70, 1, 2)},
                           {0.0f, 5.0f, 5.0f, 5.0f}, 1);
    ASSERT_EQ(s.status, 0);
    EXPECT_EQ(widths(s), (std::multiset<i32>{11, 32, 100}));
}

TEST(OffsetDriver, DistanceOfTheIslandLoopsToThePocketLoops)
{
    fresh();
    pokarr outer = make(square(0, 0, 50)), isl = make(square(10, 10, 5)), isl2 = make(square(30, 40, 4));
    pokarr_reverse(isl);
    pokarr_reverse(isl2);
    i32 start = 0, st = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 0, outer, start, st);
    lup_add(1, 10001, 0, 0, 0, 0.0, 0, isl, start, st);
    lup_add(1, 10002, 0, 0, 0, 0.0, 0, isl2, start, st);
    ASSERT_EQ(st, 0);
    pk_nisland = 2;
    pkoff.side = 0.01;
    f64 d = 0.0;
    // the second island lies 6 from the wall (y 40..44 against 50), the
    // first 10; distances beyond 2 d2 + side are not looked for
    lup_min_isl_dist(1, 1, 1, 2, 4.0, d);
    EXPECT_NEAR(d, 6.0, 1e-9);
    lup_min_isl_dist(1, 1, 1, 2, 1.0, d);
    EXPECT_EQ(d, 1.0e10);
    lup_min_isl_dist(1, 1, 1, 0, 4.0, d);
    EXPECT_EQ(d, 1.0e10);
    for (pokarr* a : {&outer, &isl, &isl2}) pokarr_free(*a);
}

TEST(OffsetDriver, LevelsShowTheirProgressAndAFailingStageEndsTheRun)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    // levels until nothing is left (cut mode 1 of the caller: -1 ... one
    // level; the driver's several-level mode through the pocket computation)
    i32 st = 0;
    std::vector<f32> o = rect(0, 0, 60, 60), i = rect(15, 25, 10, 10), j = rect(35, 25, 10, 10);
    const f32 allow3[3] = {0.0f, 0.0f, 0.0f};
    auto set_up = [&]() {
        clr_save_state(1);
        clr_set_params(0, 0, 0.0f, 4.0f, 3, allow3, st);
        clr_add_contour(1, 5, o.data(), st);
        clr_add_contour(0, 5, i.data(), st);
        clr_add_contour(0, 5, j.data(), st);
        pokpar.cut_mode = 5;
    };
    set_up();
    const long long first = norak::allocations();
    cmtpk1(1, st);
    const long long used = norak::allocations() - first;
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("NUMBER OF OFFSETS DONE:"));
    EXPECT_EQ(pokpar.cut_mode, 5);  // given back
    // the run's radius value reaches the short-arc rule of the offsets
    EXPECT_GT(pokpar.radius, 0.0);
    EXPECT_EQ(pk_radius, pokpar.radius);
    clr_save_state(2);
    pkdm_rel_all();
    // a host array refused at each point in turn (ASan watching): a negative
    // status of a stage ends the run with that status and its message
    bool negative = false;
    ASSERT_GT(used, 0);
    for (i32 n = 1; n <= used; ++n) {
        fresh();
        tooldefs::use_mill(10.0f, 0.0f);
        set_up();
        norak::fail_alloc_after(n);
        cmtpk1(0, st);
        norak::fail_alloc_after(0);
        clr_save_state(2);
        pkdm_rel_all();
        if (st < 0 && norak::transcript_has("[cmtpk1] CMTPKT ERROR " + std::to_string(st))) negative = true;
    }
    EXPECT_TRUE(negative);
}

TEST(OffsetDriver, ARingOfIslandsKeepsThePocketInsideIt)
{
    // four bars whose offsets by 5 close into a ring: the ring's hole is a
    // pocket loop of its own (inherited from the merge) lying inside the
    // ring's offset; it is retired only in part and keeps its tour
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const Result r = clear({rect(0, 0, 100, 100), rect(20, 20, 60, 8), rect(20, 72, 60, 8), rect(22, 30, 6, 40),
                            rect(72, 30, 6, 40)},
                           {0.0f, 5.0f, 5.0f, 5.0f, 5.0f}, 1);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(widths(r), (std::multiset<i32>{34, 70, 100}));
    // a fifth island whose offset (31..45 x 40..60) reaches into the hole:
    // the hole's loop merged with it keeps its place, less that offset
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const Result q = clear({rect(0, 0, 100, 100), rect(20, 20, 60, 8), rect(20, 72, 60, 8), rect(22, 30, 6, 40),
                            rect(72, 30, 6, 40), rect(36, 45, 4, 10)},
                           {0.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f}, 1);
    ASSERT_EQ(q.status, 0);
    EXPECT_EQ(widths(q), (std::multiset<i32>{34, 70, 100}));
    i32 at = 0;
    bool found = false;
    for (i32 l = 0; l < q.n; ++l) {
        f64 a = 0.0;
        for (i32 j = 0; j < q.counts[l]; ++j) {
            const i32 k = at + j, m = at + (j + 1) % q.counts[l];
            a += 0.5 * (f64(q.pts[2 * k]) * q.pts[2 * m + 1] - f64(q.pts[2 * m]) * q.pts[2 * k + 1]);
        }
        if (std::fabs(std::fabs(a) - (34.0 * 34.0 - 12.0 * 20.0)) < 1e-2) found = true;
        at += q.counts[l];
    }
    EXPECT_TRUE(found);
}

TEST(OffsetDriver, AnIslandTurnedOutOfTheOuterContourTakesTheLevelsDistance)
{
    // a chamber behind a mouth 2 wide: offset outward by 2 the mouth closes
    // and what is left of the chamber (11 wide) becomes an island of the
    // pocket, whose allowance is the level's distance (2): its tour is 15
    // wide (11 with an allowance of 0)
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const std::vector<f32> c = {0, 0, 30, 0, 30, 14, 25, 14, 25, 5, 10, 5, 10, 25, 25, 25, 25, 16, 30, 16, 30, 30, 0, 30, 0, 0};
    const Result r = clear({c}, {-2.0f}, 1);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(pokpar.allow[10000], 0.0);  // the clearing's words are given back
    EXPECT_EQ(widths(r), (std::multiset<i32>{15, 34}));
}

TEST(OffsetDriver, IslandPassesKeepTheirOwnAllowanceOverSeveralLevels)
{
    // Levels until nothing is left (first distance the tool radius 5, then
    // the side step s) around two islands with allowances of their own,
    // unlike the pocket's: the islands meet each other, or one meets the
    // first wall offset. Measured against the island outlines (GEOS): the
    // first island pass runs at the island's allowance plus the tool radius
    // and is cut as the first island's own last tour; the pocket's tour
    // beside it, made with the second pass, lies a thin step further out;
    // no tour comes nearer any island than its first pass.
    // In the last case the islands' first passes come within 1 of each
    // other, so the thin step is held to half that gap.
    struct Case {
        f32 w, s, allow[3];
        f32 x2 = 0, y2 = 0, thin = 0;  // the second island's corner (0: the far corner); the thin step's cap
    };
    Geos g;
    for (const Case& c : {Case{60, 4, {1.0f, 3.0f, 0.5f}}, Case{100, 4, {0.0f, 2.0f, 4.0f}},
                          Case{80, 6, {2.5f, 0.5f, 1.5f}}, Case{60, 4, {1.0f, 1.0f, 1.0f}, 40, 20, 0.5f}}) {
        SCOPED_TRACE(testing::Message() << "pocket " << c.w << ", step " << c.s);
        fresh();
        tooldefs::use_mill(10.0f, 0.0f);
        i32 st = 0;
        clr_save_state(1);
        clr_set_params(0, 0, 0.0f, 0.01f, 3, c.allow, st);
        pokpar.cut_mode = 5;
        pokpar.extra = 5.0;
        pokpar.radius = c.s;
        const std::vector<f32> loops[3] = {rect(0, 0, c.w, c.w), rect(15, 20, 12, 8),
                                           c.x2 > 0 ? rect(c.x2, c.y2, 8, 10) : rect(c.w - 25, c.w - 22, 8, 10)};
        for (i32 k = 0; k < 3; ++k) clr_add_contour(k == 0 ? 1 : 0, 5, loops[k].data(), st);
        cmtpk1(0, st);
        ASSERT_EQ(st, 0);
        GEOSGeometry* isl[2];
        for (i32 n = 0; n < 2; ++n) {
            std::vector<P> p;
            for (size_t k = 0; k < loops[n + 1].size(); k += 2) p.push_back({loops[n + 1][k], loops[n + 1][k + 1]});
            isl[n] = g.polygon(p);
        }
        // per island: the nearest live loop of the offsets, the nearest tour
        f64 live[2] = {1e30, 1e30};
        std::vector<f64> tours[2];
        i32 levels = 0;
        for (i32 r = 1; r <= lup_count; ++r) {
            const LupRow& row = lup_row(r);
            if (row.key == 9999) continue;
            pokarr a;
            pokarr_init(2, a);
            lup_get_pokarr(r, a, st);
            EXPECT_EQ(st, 0);
            const bool cut = r >= clr_cut_mark;
            if (a.count > 1 && row.key < 9999) levels = std::max(levels, std::abs(row.subkey));
            if (a.count > 1 && (cut || row.subkey > 0)) {
                GEOSGeometry* l = g.line(dense(a));
                for (i32 n = 0; n < 2; ++n) {
                    const f64 d = g.distance(l, isl[n]);
                    if (cut)
                        tours[n].push_back(d);
                    else
                        live[n] = std::min(live[n], d);
                }
                g.free(l);
            }
            pokarr_free(a);
        }
        clr_save_state(2);
        for (auto& t : tours) {
            std::sort(t.begin(), t.end());
            t.push_back(1e30);
        }
        // the nearest tour beyond the first island's own
        const f64 thin = *std::upper_bound(tours[0].begin(), tours[0].end(), live[0] + 1e-6) - live[0];
        std::printf("MEASURE islands over %d levels (step %g): first passes %g, %g; nearest tours %g, %g; thin %g\n",
                    levels, c.s, live[0], live[1], tours[0][0], tours[1][0], thin);
        EXPECT_GE(levels, 3);
        EXPECT_NEAR(tours[0][0], live[0], 1e-6);
        EXPECT_GE(thin, 0.013);
        EXPECT_LE(thin, (c.thin > 0 ? c.thin : 0.2 * c.s) + 1e-6);
        for (i32 n = 0; n < 2; ++n) {
            EXPECT_NEAR(live[n], c.allow[n + 1] + 5.0, 1e-6) << n;
            EXPECT_GE(tours[n][0], c.allow[n + 1] + 5.0 - 1e-6) << n;
            g.free(isl[n]);
        }
    }
}

TEST(OffsetDriver, TheRetryFlagAddsTheLaneLoopsOfTheLastLevel)
{
    // a 68 x 100 pocket, tool radius 5: steps of 9 reach 27 and vanish at
    // 36; with the end flag (f = 1), s at most 2 r and e + s above r, the
    // retry flag puts the lane loops of the level in (level word 5, at the
    // radius); a step of 11 is above 2 r, and without the flag nothing.
    // 63.96 wide, the fourth level is 9.96 wide: neither the lanes at the
    // radius nor the step of 9 nor the retry at 0.6 s leave anything, the
    // retry at 0.98 r does, and the levels go on from it (a reference row
    // one level deeper ends the chain)
    struct Case {
        i32 flag;
        f64 step;
        bool lanes;
        f32 width;
        bool retried;
    };
    for (const Case c : {Case{0, 9.0, false, 68.0f, false}, Case{1, 9.0, true, 68.0f, false},
                         Case{1, 11.0, false, 68.0f, false}, Case{1, 9.0, false, 63.96f, true}}) {
        fresh();
        tooldefs::use_mill(10.0f, 0.0f);
        i32 st = 0;
        std::vector<f32> o = rect(0, 0, c.width, 100);
        const f32 allow1[1] = {0.0f};
        clr_save_state(1);
        clr_set_params(0, 0, 0.0f, 1.0f, 1, allow1, st);
        clr_add_contour(1, 5, o.data(), st);
        pokpar.cut_mode = 5;
        pokpar.radius = c.step;
        pokpar.end_flag = c.flag;
        cmtpk1(1, st);
        EXPECT_EQ(st, 0);
        bool lanes = false;
        for (i32 r = 1; r <= lup_count; ++r) lanes = lanes || (lup_row(r).level == 5 && lup_row(r).value == 5.0);
        EXPECT_EQ(lanes, c.lanes) << c.flag << " " << c.step;
        i32 at_retry = 0, deepest = 0;
        for (i32 r = 1; r <= lup_count; ++r) {
            if (lup_row(r).key != 1) continue;
            deepest = std::max(deepest, std::abs(lup_row(r).subkey));
            if (lup_row(r).subkey > 0 && std::fabs(lup_row(r).value - 4.9) < 1e-9) at_retry = lup_row(r).subkey;
        }
        EXPECT_EQ(at_retry > 0, c.retried) << c.width;
        if (c.retried) {
            EXPECT_EQ(deepest, at_retry + 1);
        }
        pokpar.end_flag = 0;
        clr_save_state(2);
        pkdm_rel_all();
    }
}

TEST(OffsetDriver, TheCuttingDirectionOfASurfacePocketFollowsItsFirstOffset)
{
    // the first offset of the outer contour (sub-key 1, parent 1) against
    // the last loops (the parents of the rows that end a branch): wholly
    // below them the upward flag is set to 1, wholly above it is cleared and
    // the vertical step turned round
    struct Case {
        f64 first_z;
        i32 flag_in, flag_out;
        f64 step_out;
    };
    for (const Case c : {Case{-5.0, 0, 1, 1.0}, Case{5.0, 1, 0, -1.0}, Case{5.0, 0, 0, 1.0}}) {
        fresh();
        pokdim = 3;
        pokarr o = make(square(0, 0, 20), 3), f = make(square(2, 2, 16), 3), l = make(square(5, 5, 10), 3);
        for (i32 k = 0; k < f.count; ++k) f.z[k] = c.first_z;
        i32 st = 0, start = 0;
        lup_add(0, 1, 0, 0, 0, 0.0, 1, o, start, st);
        lup_add(1, 1, 1, 0, 0, 2.0, 0, f, start, st);
        lup_add(2, 1, 2, 0, 0, 3.0, 0, l, start, st);
        lup_add_ref(3, 1, 3, st);  // ends the branch
        lup_add(0, 10001, 0, 0, 0, 0.0, 1, l, start, st);  // a row after it
        ASSERT_EQ(st, 0);
        pokpar.drv_sw3[1] = c.flag_in;
        pokpar.drv_val[1] = 1.0;
        pock_dir(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(pokpar.drv_sw3[1], c.flag_out) << c.first_z << " " << c.flag_in;
        EXPECT_EQ(pokpar.drv_val[1], c.step_out) << c.first_z << " " << c.flag_in;
        for (pokarr* p : {&o, &f, &l}) pokarr_free(*p);
        pokdim = 2;
    }
}
