// Step-down passes: a straight cut repeated at rising depths in front of
// itself, the stretches in the air left out and joined by links that clear
// the stock by the safety distance; a failed write keeps the path whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "common.h"
#include "optpath.h"
#include "path.h"
#include "stock/optedit.h"
#include "stock/stepdown.h"
#include "stock/stkstamp.h"

namespace {

using opttest::Move;

constexpr f32 S = 1.0f;

struct StepDown : ::testing::Test {
    i32 j1 = 0, j2 = 0, j3 = 0;
    // arc: a half circle (-2, 0) to (0, 0) at z 20 between j1 and j2.
    // plane (1 XY, 2 XZ, 3 YZ): the run is a half circle in that plane
    // instead, from u = -5 to u = 5 at z 4 about u = 0 (and z 4), u being
    // Y in the YZ plane and X in the others.
    void fresh(f32 feed = 300.0f, f32 safety = S, bool arc = false, i32 plane = 0)
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_SAFETY] = r2wrd(safety);
        opttest::machine();
        CURTOL = opttest::tool("STEPPER", 2.0f, 0.0f, 12.0f, 20.0f, {});
        ASSERT_EQ(stocktest::open(-6, -6, 26, 6), 0);
        stocktest::fill(10.0f);
        stocktest::Tool{"flat D2", 2.0, 0.0, 12.0, 0.0}.make_current(0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        // Down at (0, 0) to 4, along X at 4 with a bridge up to 14 between
        // x 12 and 15, up and away at rapid.
        stocktest::Path p;
        p.feed(feed);
        if (plane != 0) {
            f32 s[3] = {0, 0, 4}, e[3] = {0, 0, 4};
            s[plane == 3 ? 1 : 0] = -5, e[plane == 3 ? 1 : 0] = 5;
            j1 = p.line(s[0], s[1], 20);
            j2 = p.line(s[0], s[1], s[2]);
            j3 = p.arc(plane, f32(M_PI), 0, plane == 1 ? 0 : 4, e[0], e[1], e[2]);
            p.feed(-1.0f);
            p.line(e[0], e[1], 20);
            opttest::counter_past(p.next);
            return;
        }
        j1 = p.line(0, 0, 20);
        if (arc) {
            p.line(-2, 0, 20);
            p.arc(1, f32(M_PI), -1, 0, 0, 0, 20);
        }
        j2 = p.line(0, 0, 4);
        p.line(10, 0, 4);
        p.line(12, 0, 14);
        p.line(15, 0, 14);
        p.line(17, 0, 4);
        j3 = p.line(20, 0, 4);
        p.feed(-1.0f);
        p.line(20, 0, 20);
        opttest::counter_past(p.next);
    }
    void SetUp() override { fresh(); }
};

TEST_F(StepDown, ThreePassesOnAStraightCutLieAtTheirHeightsSkipTheAirAndLinkClearOfTheStock)
{
    i32 st = 0;
    step_down_passes(j1, j2, j3, 3, 6.0f, 10.0f, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    // The run itself is the deepest pass and stands at the end, unchanged.
    const f32 run[5][3] = {{10, 0, 4}, {12, 0, 14}, {15, 0, 14}, {17, 0, 4}, {20, 0, 4}};
    ASSERT_GE(m.size(), 8u);
    for (int i = 0; i < 5; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(m[m.size() - 6 + static_cast<size_t>(i)].p[c], run[i][c]);
    // Pass 1 at +4, pass 2 at +2: each cutting move of the run's XY at its
    // height; the bridge (12 to 15) at 18 and 16 lies above 10 + 2 and is
    // not cut.
    int at8 = 0, at6 = 0, descents = 0;
    for (size_t k = 1; k + 6 < m.size(); ++k) {
        const Move& a = m[k - 1];
        const Move& b = m[k];
        const bool across = a.p[0] != b.p[0] || a.p[1] != b.p[1];
        if (b.feed == 300.0f && across) {
            EXPECT_TRUE(b.p[2] == 8.0f || b.p[2] == 6.0f || b.p[2] == 18.0f || b.p[2] == 16.0f) << k << " at " << b.p[2];
            EXPECT_FALSE(a.p[0] == 12.0f && b.p[0] == 15.0f) << "the air stretch was cut";
            at8 += b.p[2] == 8.0f, at6 += b.p[2] == 6.0f;
        }
        if (b.feed < 0.0f && across) {
            // A link: the tool lowered by the safety distance does not cut.
            f32 p0[3] = {a.p[0], a.p[1], a.p[2] - (S - 0.01f)}, p1[3] = {b.p[0], b.p[1], b.p[2] - (S - 0.01f)};
            f32 md = 0, de = 0, v = 0, ve = 0, q[3], len = 0;
            stk_move(0, 0, p0, p1, 0, md, de, v, ve, q, len, st);
            EXPECT_EQ(md, 0.0f) << "link " << k;
        }
        if (b.feed < 0.0f && !across && b.p[2] < a.p[2]) {
            // A link's descent onto the plunge ahead (S below the step of
            // 2): it stays above the level the pass above left there, 2
            // over the plunge's end, and does not dive into the layer the
            // plunge is to cut.
            EXPECT_GE(b.p[2], m[k + 1].p[2] + 2.0f) << "rapid " << k;
            ++descents;
        }
    }
    // (10, 8), (17, 8) and (20, 8) in pass 1, the same at 6 in pass 2.
    EXPECT_EQ(at8, 3);
    EXPECT_EQ(at6, 3);
    EXPECT_EQ(descents, 2);  // onto pass 2 and back onto the run
    // The lines after j1 up to j2 went (no rapid above (0, 0): the stock
    // top lies above its end): the plunge from j1 onto the first pass.
    EXPECT_EQ(m[0].number, j1);
    EXPECT_FLOAT_EQ(m[1].p[0], 0.0f);
    EXPECT_FLOAT_EQ(m[1].p[2], 8.0f);
    EXPECT_FLOAT_EQ(m[1].feed, 200.0f);
    // Back to the run's start at the end: the plunge onto (0, 0, 4).
    EXPECT_FLOAT_EQ(m[m.size() - 7].p[2], 4.0f);
}

TEST_F(StepDown, OnePassWritesNoCopyAndAFailedWriteKeepsThePathWhole)
{
    i32 st = 0;
    const size_t before = opttest::moves().size();
    step_down_passes(j2, j2, j3, 1, 6.0f, 10.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(opttest::moves().size(), before);
    const i32 failed = opttest::every_failure([&] { fresh(); },
                                              [&] {
                                                  i32 s = 0;
                                                  step_down_passes(j1, j2, j3, 3, 6.0f, 10.0f, s);
                                                  return s;
                                              },
                                              4);
    EXPECT_GT(failed, 10);
}

// A run at the plunge feed (20 % of 1000): its copies and the run after
// them take that feed as an explicit value, not the plunge feed's code; the
// rapid after the run gets its code again in front of it.
TEST_F(StepDown, TheCopiesTakeTheFeedAsAValueAndTheMoveAfterTheRunKeepsItsFeed)
{
    fresh(200.0f);
    i32 st = 0;
    step_down_passes(j1, j2, j3, 3, 6.0f, 10.0f, st);
    ASSERT_EQ(st, 0);
    const std::vector<std::vector<i32>> list = opttest::snapshot();
    i32 values = 0;
    for (const std::vector<i32>& w : list)
        values += w.size() >= 5 && w[0] == 1 && w[2] == 1 && w[3] == 0 && w[4] == r2wrd(200.0f);
    EXPECT_GE(values, 3);  // a copy in each raised pass and the run's own feed
    // In front of the rapid after the run: its own feed block and the one
    // written again.
    ASSERT_GE(list.size(), 3u);
    for (size_t k : {list.size() - 2, list.size() - 3}) {
        ASSERT_GE(list[k].size(), 5u);
        EXPECT_EQ(list[k][0], 1);
        EXPECT_EQ(list[k][2], 1);
    }
    const std::vector<Move> m = opttest::moves();
    EXPECT_LT(m.back().feed, 0.0f);
    EXPECT_EQ(m[m.size() - 2].feed, 200.0f);
}

// A stretch between j1 and j2 that holds an arc stays whole, the arc
// starting where it did; with a safety distance of 0 no link writes a move
// of no length.
TEST_F(StepDown, AStretchWithAnArcStaysWholeAndNoLinkWritesAnEmptyMove)
{
    for (const bool arc : {true, false}) {
        fresh(300.0f, arc ? S : 0.0f, arc);
        i32 st = 0;
        step_down_passes(j1, j2, j3, 3, 6.0f, 10.0f, st);
        ASSERT_EQ(st, 0);
        const std::vector<Move> m = opttest::moves();
        size_t arcs = 0;
        for (size_t k = 1; k < m.size(); ++k) {
            if (m[k].type == 3) {
                ++arcs;
                EXPECT_EQ(m[k - 1].p[0], -2.0f) << "the arc's start";
            }
            const bool same = m[k].p[0] == m[k - 1].p[0] && m[k].p[1] == m[k - 1].p[1] && m[k].p[2] == m[k - 1].p[2];
            EXPECT_FALSE(same) << "arc " << arc << ", move " << k << " at z " << m[k].p[2];
        }
        EXPECT_EQ(arcs, arc ? 1u : 0u);
    }
}

// An arc of the run, in each plane, is copied on its own circle raised
// with the pass: in the XZ and YZ planes the centre's height goes up with
// the ends.
TEST_F(StepDown, ARaisedArcKeepsItsCircleInEachPlane)
{
    for (const i32 plane : {1, 2, 3}) {
        fresh(300.0f, S, false, plane);
        i32 st = 0;
        step_down_passes(j1, j2, j3, 3, 6.0f, 10.0f, st);
        ASSERT_EQ(st, 0);
        std::vector<f32> heights;
        i32 a = 0;
        lacces(2, a);
        while (a >= 0) {
            i32 size = 0, type = 0, cls = 0, number = 0, pl = 0;
            TPBLKH(MV_LIST, size, type, cls, st);
            if (st < 0) break;
            if (cls == BC_MOVE && mv_arc(type)) {
                f32 angle = 0, step = 0, c[2], end[3], v[3];
                RDBT3(MV_LIST, type, number, pl, angle, step, c, end, v, st);
                EXPECT_EQ(pl, plane);
                EXPECT_FLOAT_EQ(c[0], 0.0f) << "plane " << plane;
                EXPECT_FLOAT_EQ(c[1], plane == 1 ? 0.0f : end[2]) << "plane " << plane << " at z " << end[2];
                heights.push_back(end[2]);
            }
            lacces(1, a);
        }
        EXPECT_EQ(heights, (std::vector<f32>{8, 6, 4})) << "plane " << plane;
    }
}

}  // namespace
