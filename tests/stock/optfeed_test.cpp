// The feed stage on slotting paths of a flat end mill in a block: the feeds
// written from the volume and angle tables for engagements worked out by
// hand, lines cut where the stock begins and ends, the band that keeps the
// previous ratio, arcs chorded at their own radius in every plane, and the
// pass counts of the second feed mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "stock/optedit.h"
#include "stock/optfeed.h"
#include "stock/stkstamp.h"

namespace {

using opttest::Move;
using stocktest::Path;

constexpr f32 D = 10.0f;
constexpr f32 REF = 20.0f;  // a full slot of width 10 and depth 2

struct FeedStage : ::testing::Test {
    i32 tool = 0;
    void SetUp() override { set_up(0.25f, 90.0f); }
    // The grid of `cell` over x -30 .. x1, |y| < 30, with the block x 0..50.
    void set_up(f32 cell, f32 x1)
    {
        stocktest::fresh(cell);
        CMPDEF();
        CMPBLK[CMP_FEED] = 2;
        opttest::machine();
        tool = opttest::tool("SLOTTER", D, 0.0f, 20.0f, 30.0f, {});
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-30, -30, x1, 30), 0);
        block(0.0f, 50.0f, 0.0f);
        i32 st = 0;
        stk_tool_image(0, D, 0.0f, 20.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
    }
    // Stock top `top` over x0 <= x < x1, |y| < 20; none elsewhere.
    void block(f32 x0, f32 x1, f32 top)
    {
        StkCell* c = stk_cells();
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                c[j * stk_grid.nx + i].h1 = x >= x0 && x < x1 && std::fabs(y) < 20 ? top : STK_NONE;
            }
    }
    // The tool over (x, 0) at z 5, down to z outside the stock.
    Path start(f32 x, f32 z, f32 feed = 1000.0f)
    {
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(x, 0.0f, 5.0f);
        p.feed(feed);
        p.line(x, 0.0f, z);
        return p;
    }
    std::vector<Move> run(Path& p)
    {
        opttest::counter_past(p.next);
        i32 st = 0;
        optim_feed_stage(REF, st);
        EXPECT_EQ(st, 0);
        return opttest::moves();
    }
};

TEST_F(FeedStage, ASlotIsCutWhereTheStockBeginsAndEndsAndEachPieceRunsAtItsTableFeed)
{
    // Depth 2 over the block x 0..50: the ratio is 1 while the tool's front
    // cuts the full width (100 % by volume, 100 % level), 0 in the air
    // (110 %). It crosses the first threshold (0.5) where the front cuts a
    // width of 5: the axis 5 cos 30 = 4.33 inside the block's ends. The
    // lines are cut there within one sample (74 / 15 long).
    Path p = start(-12.0f, -2.0f);
    p.line(62.0f, 0.0f, -2.0f);
    const std::vector<Move> m = run(p);
    ASSERT_EQ(m.size(), 5u);
    const f32 sample = 74.0f / 15.0f, in = 5.0f * std::cos(f32(M_PI) / 6.0f);
    EXPECT_NEAR(m[2].p[0], -in, sample);  // air to the stock
    EXPECT_EQ(m[2].feed, 1100.0f);
    EXPECT_NEAR(m[3].p[0], 50.0f - in, sample);  // through the stock
    EXPECT_EQ(m[3].feed, 1000.0f);
    EXPECT_EQ(m[4].p[0], 62.0f);  // out into the air
    EXPECT_EQ(m[4].feed, 1100.0f);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    // The stock was cut to the slot's floor along the path.
    StkCell* c = stk_cells();
    for (i32 i = 0; i < stk_grid.nx; ++i) {
        const double x = stocktest::cx(i);
        const i32 j = static_cast<i32>((0.0 - stk_grid.box[1]) / stk_grid.cell + 0.5);
        if (x > 0.5 && x < 49.5) {
            EXPECT_NEAR(c[j * stk_grid.nx + i].h1, -2.0f, 1e-4) << x;
        }
    }
}

TEST_F(FeedStage, DeeperCutsRunSlowerByTheVolumeRowAndDescentsByTheAngleRow)
{
    // A cut wholly inside the block at depth d: ratio d / 2, by hand:
    // 0.6 -> 0.3 (110 %), 2.8 -> 1.4 (80 %), 5 -> 2.5 (50 %), 8 -> 4 (30 %).
    struct Case {
        f32 depth, feed;
    } cases[] = {{0.6f, 1100.0f}, {2.8f, 800.0f}, {5.0f, 500.0f}, {8.0f, 300.0f}};
    for (const Case& k : cases) {
        SetUp();
        Path p = start(-12.0f, -k.depth);
        p.line(4.0f, 0.0f, -k.depth);   // into the stock
        p.line(14.0f, 0.0f, -k.depth);  // wholly inside it: the case
        const std::vector<Move> m = run(p);
        ASSERT_GE(m.size(), 4u);
        EXPECT_EQ(m.back().p[0], 14.0f);
        EXPECT_EQ(m.back().feed, k.feed) << "depth " << k.depth;
    }
    // In the air, descending at 30 degrees: tan -0.577 lies between the
    // angles -20 and -45 (65 %), 110 % by volume: 715.
    SetUp();
    Path p = start(-28.0f, 4.0f);
    p.line(-28.0f + 4.0f / std::tan(f32(M_PI) / 6.0f), 0.0f, 0.0f);
    const std::vector<Move> m = run(p);
    EXPECT_EQ(m.back().feed, 715.0f);
    // Never below the least feed: 20 % of 1000 (a plunge straight down in
    // the air lands in the last angle factor: 110 % x 30 % = 330 stays).
    EXPECT_EQ(m[1].feed, 330.0f);
}

TEST_F(FeedStage, ALongPlungeIsSplitWhereItEntersTheStockAndRunsByTheSteepestAngle)
{
    // Straight down from z 5 to -8 inside the block (top 0), three samples
    // of 13 / 3: the air ones at 110 % x 30 % (the steepest angle), the
    // first in the stock lower (by volume too, never below the least 20 %):
    // the plunge is cut where that sample starts, z 5 - 13 / 3.
    Path p = start(25.0f, 5.0f);
    p.line(25.0f, 0.0f, -8.0f);
    const std::vector<Move> m = run(p);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NEAR(m[2].p[2], 5.0f - 13.0f / 3.0f, 1e-4f);
    EXPECT_EQ(m[2].p[0], 25.0f);
    EXPECT_EQ(m[2].feed, 330.0f);
    EXPECT_EQ(m[3].p[2], -8.0f);
    EXPECT_EQ(m[3].feed, 200.0f);
}

TEST_F(FeedStage, ASplitOfAMoveNotInTheListFailsAndChangesNothing)
{
    Path p = start(-12.0f, -2.0f);
    p.line(62.0f, 0.0f, -2.0f);
    opttest::counter_past(p.next);
    const auto before = opttest::snapshot();
    f32 prev[3] = {-12, 0, -2}, end[3] = {62, 0, -2};
    const f32 first[3] = {-12, 0, -2}, split[3] = {0, 0, -2};
    i32 block = p.next + 50, st = 0, a = 0;
    lacces(2, a);
    optim_line_split(prev, end, first, split, block, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(opttest::snapshot(), before);
}

TEST(Vertical, OnlyAMoveAlongZAtOneXYIsVertical)
{
    const f32 P[3] = {1, 2, 5}, below[3] = {1, 2, 3}, mirrored[3] = {1, -2, 3}, aside[3] = {-1, 2, 3};
    EXPECT_EQ(optim_is_vertical(P, below), 1);
    EXPECT_EQ(optim_is_vertical(below, P), 1);
    EXPECT_EQ(optim_is_vertical(P, P), 0);
    EXPECT_EQ(optim_is_vertical(P, mirrored), 0);
    EXPECT_EQ(optim_is_vertical(P, aside), 0);
}

TEST_F(FeedStage, ARatioWithinTheBandOfThePreviousOneKeepsIt)
{
    // Short lines (half a diameter, no split search) at depth 2.3 (ratio
    // 1.15, 100 %); the stock then rises by 0.2 (ratio 1.25: 80 % alone,
    // but below 1.15 x 1.2 = 1.38, so the ratio stays 1.15) and by 0.6
    // more (ratio 1.45, beyond the band: 80 %).
    block(-30.0f, 90.0f, 0.0f);
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) {
            const double x = stocktest::cx(i);
            f32& h = c[j * stk_grid.nx + i].h1;
            if (h < 1e9f) h = x >= 40.0 ? 0.6f : (x >= 20.0 ? 0.2f : 0.0f);
        }
    Path p = start(0.0f, -2.3f);
    for (f32 x = 5.0f; x <= 60.0f; x += 5.0f) p.line(x, 0.0f, -2.3f);
    const std::vector<Move> m = run(p);
    for (const Move& k : m) {
        if (k.p[0] < 5.0f || k.p[2] > 0.0f) continue;
        // The front of the tool reaches the next step 5 before its axis.
        if (k.p[0] <= 35.0f) {
            EXPECT_EQ(k.feed, 1000.0f) << k.p[0];
        } else if (k.p[0] >= 50.0f) {
            EXPECT_EQ(k.feed, 800.0f) << k.p[0];
        }
    }
}

TEST_F(FeedStage, AnArcIsChordedAtItsOwnRadiusInEveryPlane)
{
    // Half circles of radius 10 in the air: the chord tolerance is a quarter
    // of min(20 % of D, cell) = 0.0625, so n = |pi / acos(1 - 0.0625 / 10)|
    // + 1 chords and the length is n chords of 2 r sin(pi / 2n).
    const f32 tol = 0.25f * std::min(0.2f * D, stk_grid.cell);
    const double r = 10.0;
    const i32 n = static_cast<i32>(M_PI / std::acos(1.0 - tol / r)) + 1;
    const double want = n * 2.0 * r * std::sin(M_PI / (2 * n));
    for (i32 plane : {1, 2, 3}) {
        SetUp();
        block(80.0f, 90.0f, 0.0f);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        // Centre (0, 0, 20) in the plane's two axes; from +10 to -10 on the first.
        f32 s[3] = {0, 0, 20}, e[3] = {0, 0, 20};
        const int u = plane == 3 ? 1 : 0;
        s[u] = 10.0f, e[u] = -10.0f;
        p.line(s[0], s[1], s[2]);
        p.feed(1000.0f);
        const f32 c1 = plane == 1 ? 0.0f : 20.0f;
        p.arc(plane, f32(M_PI), 0.0f, c1, e[0], e[1], e[2]);
        opttest::counter_past(p.next);
        i32 a = 0;
        lacces(2, a);
        i32 block = -1, end = 0, plunge = 0, pass = 0, st = 0;
        f32 len = 0, factor = 1, depth = 0, top = 0, pt[3] = {0, 0, 0};
        optim_feed_move(block, end, plunge, REF, len, factor, depth, pass, pt, top, st);  // the rapid
        EXPECT_EQ(factor, -1.0f);
        EXPECT_EQ(len, 4.0f * D);
        optim_feed_move(block, end, plunge, REF, len, factor, depth, pass, pt, top, st);
        ASSERT_EQ(st, 0);
        EXPECT_NEAR(len, want, 1e-3) << "plane " << plane;
        if (plane == 1) {
            EXPECT_FLOAT_EQ(factor, 1.1f);  // level in the air: never above 1.1
        }
        EXPECT_EQ(pt[u], -10.0f);
        EXPECT_EQ(end, 1);
    }
}

TEST_F(FeedStage, PassCountsOfTheSecondModeFollowTheAllowance)
{
    // Mode 3: the count is how many times 1.2 x the reference the move
    // removes; depth 2 (ratio 1) one pass, depth 5.4 (2.7) three, depth 2.5
    // (1.25) two, nearly empty (flag -1) and so back to one after a factor
    // 1, depth 4.65 (2.325) two, nearly full (flag 1). A highest pass count
    // of 2 leaves the count and its flag as they are (the stage caps them).
    // A half circle at depth 2.55 (1.275) needs two passes: the rule of a
    // nearly empty last pass is the lines'. A feed of 0 is a cut's.
    CMPBLK[CMP_FEED] = 3;
    struct Case {
        f32 depth, count;
        i32 flag, highest = 0;
        bool arc = false;
        f32 feed = 1000.0f;
    } cases[] = {{2.0f, 1.0f, 0},       {5.4f, 3.0f, 0},        {2.5f, 1.0f, 0},
                 {4.65f, 2.0f, 1},      {5.4f, 3.0f, 0, 2},     {2.55f, 2.0f, 0, 0, true},
                 {2.0f, 1.0f, 0, 0, false, 0.0f}};
    for (const Case& k : cases) {
        SetUp();
        CMPBLK[CMP_FEED] = 3;
        if (k.highest > 0) CMPBLK[CMP_PASSES] = k.highest;
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(10.0f, 0.0f, 5.0f);
        p.feed(k.feed);
        p.line(10.0f, 0.0f, 5.0f);
        p.line(10.0f, 0.0f, -k.depth);  // the plunge
        if (k.arc)
            p.arc(1, f32(M_PI), 20.0f, 0.0f, 30.0f, 0.0f, -k.depth);
        else
            p.line(14.0f, 0.0f, -k.depth);
        opttest::counter_past(p.next);
        i32 a = 0;
        lacces(2, a);
        i32 block = -1, end = 0, plunge = 0, pass = 0, st = 0;
        f32 len = 0, factor = 1, depth = 0, top = 0, pt[3] = {0, 0, 0};
        // The rapid, then the plunge (the zero-length feed move before it passed over).
        for (i32 i = 0; i < 2; ++i) optim_feed_move(block, end, plunge, REF, len, factor, depth, pass, pt, top, st);
        EXPECT_EQ(plunge, 1);  // the vertical feed move down
        factor = 1.0f;
        optim_feed_move(block, end, plunge, REF, len, factor, depth, pass, pt, top, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(factor, k.count) << "depth " << k.depth << " arc " << k.arc;
        EXPECT_EQ(pass, k.flag) << "depth " << k.depth << " arc " << k.arc;
        EXPECT_NEAR(depth, k.depth, 1e-4);
    }
}

}  // namespace

namespace {

TEST_F(FeedStage, AStretchThatNeedsThreePassesIsSteppedDownInFrontOfItself)
{
    // Mode 3, depth 5 through the block: ratio 2.5, three passes of 5 / 3;
    // the two higher ones are put in front of the cut, no feed is written.
    // The line is cut where the stock begins; its pieces run on at the feed
    // in force, also where that feed is no whole number.
    for (f32 F : {1000.0f, 499.5f}) {
        SCOPED_TRACE(F);
        SetUp();
        CMPBLK[CMP_FEED] = 3;
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        Path p = start(-12.0f, -5.0f, F);
        p.line(40.0f, 0.0f, -5.0f);
        p.feed(-1.0f);
        p.line(40.0f, 0.0f, 10.0f);
        const std::vector<Move> m = run(p);
        std::vector<f32> levels;
        for (const Move& k : m)
            if (k.feed > 0.0f && k.p[0] > 20.0f && std::find(levels.begin(), levels.end(), k.p[2]) == levels.end())
                levels.push_back(k.p[2]);
        std::sort(levels.begin(), levels.end());
        ASSERT_EQ(levels.size(), 3u);
        EXPECT_NEAR(levels[0], -5.0f, 1e-4);
        EXPECT_NEAR(levels[1], -5.0f + 5.0f / 3.0f, 1e-4);
        EXPECT_NEAR(levels[2], -5.0f + 10.0f / 3.0f, 1e-4);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
        for (const Move& k : m) EXPECT_TRUE(k.feed == F || k.feed < 0.0f || k.feed == 200.0f) << k.feed;
    }
}

// A drilling cycle inside the path, reached under a feed or under a rapid,
// in both feed modes: the cycle is passed over as it stands and the walk
// goes on, so the cut after it, depth 5 through the block, gets its feed
// (50 %) or its three passes.
TEST_F(FeedStage, ACycleInsideThePathIsPassedOverAndTheCutsAfterItAreHandled)
{
    for (i32 mode : {2, 3})
        for (bool rapid : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (rapid ? " rapid" : " feed"));
            SetUp();
            CMPBLK[CMP_FEED] = mode;
            CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
            Path p = start(-12.0f, -5.0f);
            if (rapid) p.feed(-1.0f), p.line(-12.0f, 0.0f, 10.0f);
            i32 st = 0;
            const f32 z[3] = {0, 0, 1}, hole[3] = {-20, 0, 0};
            PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, p.next++, st);
            const i32 drill = p.next;
            PTBT31(AM_LIST, hole, z, 0, p.next++, st);
            PTBT34(AM_LIST, 2, 0, p.next++, st);
            ASSERT_EQ(st, 0);
            if (rapid) p.line(-12.0f, 0.0f, 5.0f), p.feed(1000.0f), p.line(-12.0f, 0.0f, -5.0f);
            p.line(40.0f, 0.0f, -5.0f);
            p.feed(-1.0f);
            p.line(40.0f, 0.0f, 10.0f);
            const std::vector<Move> m = run(p);
            i32 cycles = 0, a = 0;
            lacces(2, a);
            while (true) {
                i32 size = 0, type = 0, cls = 0;
                TPBLKH(MV_LIST, size, type, cls, st);
                if (st < 0) break;
                if (type == 30 || type == 34) ++cycles;
                TPJUMP(1, st);
                if (st != 0) break;
            }
            EXPECT_EQ(cycles, 2);
            EXPECT_EQ(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == drill; }), 1);
            std::vector<f32> levels;
            for (const Move& k : m)
                if (k.feed > 0.0f && k.p[0] > 20.0f && std::find(levels.begin(), levels.end(), k.p[2]) == levels.end())
                    levels.push_back(k.p[2]);
            if (mode == 2) {
                const auto cut = std::find_if(m.begin(), m.end(), [](const Move& k) { return k.p[0] == 40.0f; });
                ASSERT_NE(cut, m.end());
                EXPECT_EQ(cut->feed, 500.0f);
                EXPECT_EQ(levels.size(), 1u);
            } else {
                EXPECT_EQ(levels.size(), 3u);
            }
        }
}

TEST_F(FeedStage, ABlockThatCannotBeReadFailsTheStageAndAPathWithoutBlocksIsDone)
{
    // A feed block cut short between two cuts: the moves behind it are not
    // known, so the stage fails in both modes instead of ending there as if
    // the path were done. A path without any block has nothing to do.
    for (i32 mode : {2, 3})
        for (bool empty : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (empty ? " empty" : " cut short"));
            SetUp();
            CMPBLK[CMP_FEED] = mode;
            Path p = start(-12.0f, -2.0f);
            p.line(10.0f, 0.0f, -2.0f);
            p.raw({1, p.next++, 1, 0});  // a feed without its value
            p.line(30.0f, 0.0f, -2.0f);
            i32 st = 0;
            if (empty) lclrnw(st);
            opttest::counter_past(p.next);
            optim_feed_stage(REF, st);
            EXPECT_EQ(st < 0, !empty) << st;
            EXPECT_EQ(norak::transcript_has("optim_feed_move, A BLOCK OF THE TOOL PATH CANNOT BE READ"), !empty);
        }
}

TEST_F(FeedStage, AListAccessRefusedAnywhereFailsTheStageOrLeavesItsResultWhole)
{
    // A slot with a zero-length line in it, under each feed mode: a list
    // access refused at any point of the walk either fails the stage or
    // changes nothing of what the stage writes; it never ends the walk early
    // as if the path were done.
    for (i32 mode : {2, 3}) {
        auto build = [&] {
            SetUp();
            CMPBLK[CMP_FEED] = mode;
            Path p = start(-12.0f, -5.0f);
            p.line(20.0f, 0.0f, -5.0f);
            p.line(20.0f, 0.0f, -5.0f);
            p.line(45.0f, 0.0f, -2.0f);
            opttest::counter_past(p.next);
        };
        build();
        i32 st = 0;
        optim_feed_stage(REF, st);
        ASSERT_EQ(st, 0);
        const std::vector<Move> whole = opttest::moves();
        const i32 failed = opttest::every_refusal(
            build,
            [&] {
                st = 0;
                optim_feed_stage(REF, st);
                return st;
            },
            [&](i32 n) {
                const std::vector<Move> m = opttest::moves();
                ASSERT_EQ(m.size(), whole.size()) << "mode " << mode << " refused access " << n;
                for (size_t k = 0; k < m.size(); ++k)
                    EXPECT_EQ(m[k].feed, whole[k].feed) << mode << " " << n << " " << k;
            },
            2000);
        EXPECT_GT(failed, 3) << mode;
    }
}

TEST_F(FeedStage, AStretchOfFewerPassesAfterARunIsSteppedDownByItsOwnCount)
{
    // Depth 5 (three passes) up to x 10, then depth 3 (ratio 1.5: two
    // passes) on to 45: the second stretch is measured against the stock as
    // it was before it, and stepped down in two passes of 1.5. Up by a rapid
    // at 14 already, the run of three ends at 10 all the same: the rapid
    // counts as long (4 D), and the short stretch before it is no end of the
    // run.
    for (f32 x : {45.0f, 14.0f}) {
        SCOPED_TRACE(x);
        SetUp();
        CMPBLK[CMP_FEED] = 3;
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        Path p = start(-12.0f, -5.0f);
        p.line(10.0f, 0.0f, -5.0f);
        p.line(10.0f, 0.0f, -3.0f);
        p.line(x, 0.0f, -3.0f);
        p.feed(-1.0f);
        p.line(x, 0.0f, 10.0f);
        const std::vector<Move> m = run(p);
        std::vector<f32> levels;
        for (const Move& k : m)
            if (k.feed > 0.0f && k.p[0] > x - 3.0f && std::find(levels.begin(), levels.end(), k.p[2]) == levels.end())
                levels.push_back(k.p[2]);
        std::sort(levels.begin(), levels.end());
        // The short stretch too: the run of three closed behind it while
        // the path's last move was handled, the walk goes on over it.
        ASSERT_EQ(levels.size(), 2u);
        EXPECT_NEAR(levels[0], -3.0f, 1e-4);
        EXPECT_NEAR(levels[1], -1.5f, 1e-4);
        // The step up between them is cut once: it belongs to neither
        // stretch, and is not copied with the run of three.
        i32 rises = 0;
        for (size_t k = 1; k < m.size(); ++k)
            rises += m[k].feed == 1000.0f && m[k].p[0] == 10.0f && m[k - 1].p[0] == 10.0f && m[k].p[2] > m[k - 1].p[2];
        EXPECT_EQ(rises, 1);
    }
}

TEST_F(FeedStage, APlungeInsideARunIsItsLastMoveAndSteppedDownWithIt)
{
    // Depth 5 (three passes) up to x 20, a plunge at feed to depth 6 there,
    // on at 6 to x 40. The plunge, a move of one pass, closes the run of
    // three at itself: its copies go down at x 20, at the cut's feed, to
    // 6 - 10 / 3 and 6 - 5 / 3 below the top, behind the raised copies of
    // the cut (the links of the copies come down at the plunge feed).
    CMPBLK[CMP_FEED] = 3;
    CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
    Path p = start(-12.0f, -5.0f);
    p.line(20.0f, 0.0f, -5.0f);
    p.line(20.0f, 0.0f, -6.0f);
    p.line(40.0f, 0.0f, -6.0f);
    p.feed(-1.0f);
    p.line(40.0f, 0.0f, 10.0f);
    const std::vector<Move> m = run(p);
    std::vector<f32> plunged;
    for (size_t k = 1; k < m.size(); ++k)
        if (m[k].feed == 1000.0f && m[k].p[0] == 20.0f && m[k - 1].p[0] == 20.0f && m[k].p[2] < m[k - 1].p[2])
            plunged.push_back(m[k].p[2]);
    ASSERT_EQ(plunged.size(), 3u);
    EXPECT_NEAR(plunged[0], -6.0f + 10.0f / 3.0f, 1e-4);
    EXPECT_NEAR(plunged[1], -6.0f + 5.0f / 3.0f, 1e-4);
    EXPECT_EQ(plunged[2], -6.0f);
}

}  // namespace

namespace {
// A clamped cubic from (-20, 0) to (20, 0) at depth z, bowed in Y.
struct Bow : opttest::Cubic {
    explicit Bow(f64 z) : Cubic({-20, 0, z, -7, 3, z, 7, -3, z, 20, 0, z}) {}
};
}  // namespace

TEST_F(FeedStage, ACurveIsCutWhereItsFeedChangesAndEachPieceKeepsItsOwn)
{
    // Ratios up to 0.5 run at 110 %, above at 80 %: the curve leaves the air
    // where the tool's front cuts a width of 5 at depth 2, with its axis
    // 5 cos 30 = 4.33 before the block's edge at x 0.
    const f32 row[5] = {0.5f, 5.0f, 6.0f, 7.0f, 8.0f};
    for (i32 k = 0; k < 5; ++k) CMPBLK[CMP_VOLUME_ROW + k] = r2wrd(row[k]);
    const i32 fac[6] = {110, 80, 80, 80, 80, 80};
    for (i32 k = 0; k < 6; ++k) CMPBLK[CMP_VOLUME_FAC + k] = fac[k];
    const Bow c(-2.0);
    Path p = start(-20.0f, -2.0f);
    i32 st = 0;
    PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = run(p);
    ASSERT_EQ(m.size(), 4u);  // rapid, down, the curve in two pieces
    EXPECT_EQ(m[2].type, 5);
    EXPECT_EQ(m[3].type, 5);
    EXPECT_EQ(m[2].feed, 1100.0f);
    EXPECT_EQ(m[3].feed, 800.0f);
    // The cut lies on the curve, in the polyline segment where the front's
    // width reaches 5 (the segments of the stand-in's polyline are at most
    // 40 / 24 long), and the second piece ends where the curve did.
    EXPECT_LT(c.dist2(m[2].p), 4e-6);  // within 0.002: the block stores floats
    const f32 edge = -5.0f * std::cos(f32(M_PI) / 6.0f);
    EXPECT_NEAR(m[2].p[0], edge, 40.0f / 24.0f + stk_grid.cell);
    EXPECT_NEAR(m[3].p[0], 20.0f, 1e-5);
    EXPECT_NEAR(m[3].p[1], 0.0f, 1e-5);
    // The stock was cut once along the curve: to the floor under it where
    // it runs inside the block.
    StkCell* cells = stk_cells();
    for (f64 t = 0.55; t < 0.95; t += 0.01) {
        const auto q = c.at(t);
        const i32 i = static_cast<i32>((q[0] - stk_grid.box[0]) / stk_grid.cell);
        const i32 j = static_cast<i32>((q[1] - stk_grid.box[1]) / stk_grid.cell);
        EXPECT_NEAR(cells[j * stk_grid.nx + i].h1, -2.0f, 1e-4) << t;
    }
}

TEST_F(FeedStage, ACurveWhoseFeedStaysWithinTheBandIsNotCut)
{
    // In the air all the way: one factor, one piece.
    const Bow c(-2.0);
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(-20.0f, 40.0f, 5.0f);
    p.feed(1000.0f);
    p.line(-20.0f, 0.0f, -2.0f);
    block(60.0f, 80.0f, 0.0f);
    i32 st = 0;
    PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
    const std::vector<Move> m = run(p);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[2].type, 5);
    EXPECT_EQ(m[2].feed, 1100.0f);
}

TEST_F(FeedStage, ACurveCutInItsFirstSegmentKeepsThatPiecesFeedAndAZeroLengthLastMoveEndsThePath)
{
    // On cells of 1 the stand-in's polyline of a straight curve from x 44
    // to 150 has segments of 106 / 21, longer than half the tool: the first
    // is searched in samples, and the change to the air (ratio below 0.5
    // once the axis passes 45.67) lies inside it. The piece up to the change
    // still cuts the full slot over most of its length: 100 %, not the
    // start value 110 %. A repeated end point as the last move ends the
    // path with status 0.
    set_up(1.0f, 160.0f);
    Path p = start(20.0f, -2.0f);
    p.line(44.0f, 0.0f, -2.0f);
    const std::vector<f64> U{0, 0, 1, 1}, P{44, 0, -2, 150, 0, -2};
    i32 st = 0;
    PTBT5(AM_LIST, 5, 2, 2, U.data(), P.data(), p.next++, st);
    ASSERT_EQ(st, 0);
    p.line(150.0f, 0.0f, -2.0f);
    const std::vector<Move> m = run(p);
    size_t c = 0;  // the curve's first piece
    while (c < m.size() && m[c].type != 5) ++c;
    ASSERT_LT(c + 2, m.size());
    EXPECT_EQ(m[c - 1].p[0], 44.0f);
    EXPECT_EQ(m[c - 1].feed, 1000.0f);
    EXPECT_GT(m[c].p[0], 44.0f);
    EXPECT_LT(m[c].p[0], 50.0f);
    EXPECT_EQ(m[c].feed, 1000.0f);
    EXPECT_EQ(m[c + 1].type, 5);
    EXPECT_EQ(m[c + 1].p[0], 150.0f);
    EXPECT_EQ(m[c + 1].feed, 1100.0f);
    EXPECT_EQ(m.back().p[0], 150.0f);
}
