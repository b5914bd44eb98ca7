// Air links over the stock: the link between two cuts measured with the
// widened tool and every holder section, in each link-height mode and for
// links that rise, stay level or fall; the vertical link over one XY; the
// safety distance worked out when it is not set; a failed write that
// leaves the tool path as it was, and a refused list access that is never
// taken for the list's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "blocks/movement.h"
#include "common.h"
#include "core/records.h"
#include "optpath.h"
#include "path.h"
#include "stock/airlink.h"
#include "stock/holder.h"
#include "stock/optedit.h"
#include "stock/stkstamp.h"

namespace {

using opttest::Move;
using stocktest::Path;

constexpr f32 S = 1.0f;  // the safety distance of the tests

struct AirLink : ::testing::Test {
    i32 tool = 0;
    i32 first = 0, second = 0, next = 0;
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    void SetUp() override { fresh(); }
    void fresh()
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_ENLARGE_PCT] = r2wrd(1.0f);
        CMPBLK[CMP_SAFETY] = r2wrd(S);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
        opttest::machine();
        rapid_top = 4.0f;
        // D4 flat, clear length 20; sections from 20 (D10 to D14 over 5,
        // step 8) and from 28 (D20).
        tool = opttest::tool("LINKER", 4.0f, 0.0f, 12.0f, 20.0f, {{10, 14, 5, 8}, {20, 20, 0, 30}});
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-10, -16, 50, 16), 0);
        // Stock top 0; a block of 10 under the path (x 15..25, |y| < 3) and a
        // wall of 40 beside it (y 6..10), which only the holder reaches.
        StkCell* c = stk_cells();
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                f32 h = 0.0f;
                if (x > 15 && x < 25 && std::fabs(y) < 3) h = 10.0f;
                if (x > 15 && x < 25 && y > 6 && y < 10) h = 40.0f;
                c[j * stk_grid.nx + i].h1 = h;
            }
        i32 flag = 0, st = 0;
        optim_holder_images(tool, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
    }
    // A cut ending at (0, 0, z1), an old link through the block at 6, the
    // last old move ending at P2 and the next cut at the feed `after`.
    void path(f32 z1, const f32* p2, f32 after = 300.0f)
    {
        Path p;
        p.tool(tool);
        p.feed(300.0f);
        p.line(-5.0f, 0.0f, z1);
        first = p.line(0.0f, 0.0f, z1);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 6.0f);
        p.line(p2[0], p2[1], 6.0f);
        second = p.line(p2[0], p2[1], p2[2]);
        p.feed(after);
        next = p.line(p2[0] + 5.0f, p2[1], p2[2]);
        p.line(p2[0] + 5.0f, p2[1] + 5.0f, p2[2]);
        opttest::counter_past(p.next);
    }
    // The moves the link wrote: those after `first` up to the next cut.
    std::vector<Move> link()
    {
        std::vector<Move> all = opttest::moves(), out;
        bool in = false;
        for (const Move& m : all) {
            if (m.number == next) break;
            if (in) out.push_back(m);
            if (m.number == first) in = true;
        }
        return out;
    }
    // Depth of every image (section or widened tool) moved from a to b
    // lowered by the safety distance less a hair.
    f32 depth(const f32* a, const f32* b)
    {
        f32 worst = 0.0f;
        for (i32 k = 1; k <= holder_steps.n + 1; ++k) {
            i32 st = 0;
            stk_image_select(k, st);
            EXPECT_EQ(st, 0);
            const f32 off = k <= holder_steps.n ? holder_steps.z[k - 1] : 0.0f;
            const f32 lift = off - (S - 0.01f);
            const f32 p0[3] = {a[0], a[1], a[2] + lift}, p1[3] = {b[0], b[1], b[2] + lift};
            f32 md = 0, de = 0, v = 0, ve = 0, q[3], len = 0;
            stk_move(0, 0, p0, p1, 0, md, de, v, ve, q, len, st);
            worst = std::max(worst, md);
        }
        return worst;
    }
};

TEST_F(AirLink, TheLinkOverARaisedBlockClearsEverySectionByTheSafetyDistanceInEveryModeAndDirection)
{
    ASSERT_EQ(holder_steps.n, 2);
    EXPECT_FLOAT_EQ(holder_steps.z[0], 20.0f);
    EXPECT_FLOAT_EQ(holder_steps.z[1], 28.0f);
    for (i32 mode : {1, 2, 3})
        for (f32 z1 : {5.0f, 0.0f, -2.0f}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " Z1 " + std::to_string(z1));
            fresh();
            CMPBLK[CMP_LINK_HEIGHT] = mode;
            // Mode 3 with the heights' switch set: the second clearance of 50.
            if (mode == 3) HEI8[76] = 1, HEI8[24] = r2wrd(50.0f);
            const f32 p2[3] = {40.0f, 0.0f, 0.0f};
            path(z1, p2);
            i32 st = 0;
            optim_air_link(first, second, 0, st);
            ASSERT_EQ(st, 0);
            const std::vector<Move> l = link();
            ASSERT_GE(l.size(), 3u);
            // Up from P1, across, down to the plunge point, the plunge onto P2.
            const Move& up = l[0];
            const Move& across = l[1];
            EXPECT_FLOAT_EQ(up.p[0], 0.0f);
            EXPECT_FLOAT_EQ(across.p[0], 40.0f);
            EXPECT_FLOAT_EQ(up.p[2], across.p[2]);
            // The sections over the wall of 40 ask for more than the widened
            // tool over the block of 10 (11): section 2 (D20 from 28) for 12.
            EXPECT_GE(across.p[2], 12.0f + S - 1e-4f);
            EXPECT_EQ(depth(up.p, across.p), 0.0f);
            for (size_t k = 2; k < l.size(); ++k) {
                if (l[k].feed < 0.0f) {
                    EXPECT_EQ(depth(l[k - 1].p, l[k].p), 0.0f) << k;
                }
                EXPECT_FLOAT_EQ(l[k].p[0], 40.0f);
            }
            EXPECT_FLOAT_EQ(l.back().p[2], 0.0f);
            EXPECT_GT(l.back().feed, 0.0f);  // the plunge at the approach feed
            // The working clearance rises to the traverse level (mode 3's
            // link above it at the second clearance does not raise it).
            if (mode != 3) {
                EXPECT_GE(rapid_top, across.p[2]);
            }
            if (mode == 3) {
                EXPECT_FLOAT_EQ(across.p[2], 50.0f);
            }
            // The feed after the link: the cut's own 300, written again.
            f32 F = 0;
            feed_at_move(-1, next, F, st);
            EXPECT_FLOAT_EQ(F, 300.0f);
        }
}

TEST_F(AirLink, WithoutAHolderTheWidenedToolAloneKeepsTheFirstApproachOverTheBlock)
{
    // The first cut starts at (20, 0, 5), inside the block of 10: the rapid
    // stops a safety distance above it, the rest runs at the approach feed.
    tool = opttest::tool("BARE", 4.0f, 0.0f, 12.0f, 20.0f, {});
    CURTOL = tool;
    i32 flag = 0, st = 0;
    optim_holder_images(tool, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(holder_steps.n, 0);
    const f32 p2[3] = {20.0f, 0.0f, 5.0f};
    path(0.0f, p2);
    optim_air_link(-1, second, 0, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_GE(m.size(), 3u);
    EXPECT_LT(m[0].feed, 0.0f);
    EXPECT_NEAR(m[0].p[2], 10.0f + S, 1e-4f);
    EXPECT_EQ(m[1].p[2], 5.0f);
    EXPECT_GT(m[1].feed, 0.0f);
}

TEST_F(AirLink, APathStartingAwayFromItsFirstCutTraversesAboveTheStockBetween)
{
    // Rapids to (0, 0, 2), then to (30, 0, 2) through the block of 10; the
    // first cut starts there. Without a holder the widened tool asks for 11.
    tool = opttest::tool("BARE", 4.0f, 0.0f, 12.0f, 20.0f, {});
    CURTOL = tool;
    i32 flag = 0, st = 0;
    optim_holder_images(tool, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(0.0f, 0.0f, 2.0f);
    second = p.line(30.0f, 0.0f, 2.0f);
    p.feed(300.0f);
    next = p.line(35.0f, 0.0f, 2.0f);
    opttest::counter_past(p.next);
    optim_relink(-1, second, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_EQ(m.size(), 4u);
    const f32 want[3][3] = {{0, 0, 11}, {30, 0, 11}, {30, 0, 2}};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(m[k].p[0], want[k][0]) << k;
        EXPECT_NEAR(m[k].p[2], want[k][2], 1e-3f) << k;
        EXPECT_LT(m[k].feed, 0.0f) << k;
    }
    EXPECT_EQ(m[3].number, next);
    EXPECT_FLOAT_EQ(m[3].feed, 300.0f);
    EXPECT_GE(rapid_top, 11.0f - 1e-3f);
}

TEST_F(AirLink, TheRapidLinkOfTheEnlargedToolStageRisesOnlyAsTheStockAsksAndRapidsOntoAnEndClearOfIt)
{
    // Without a holder, from (0, y, 5) to (40, y, 3): over the block of 10
    // (y 0) the traverse runs at 11; beside it (y -12) at the higher end, 5,
    // however high the rapids may go. The end lies 3 above the stock: the
    // tool comes down onto it at rapid.
    for (f32 y : {0.0f, -12.0f}) {
        SCOPED_TRACE(y);
        fresh();
        tool = opttest::tool("BARE", 4.0f, 0.0f, 12.0f, 20.0f, {});
        CURTOL = tool;
        i32 flag = 0, st = 0;
        optim_holder_images(tool, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        rapid_top = 20.0f;
        Path p;
        p.tool(tool);
        p.feed(300.0f);
        p.line(-5.0f, y, 5.0f);
        first = p.line(0.0f, y, 5.0f);
        p.feed(-1.0f);
        p.line(0.0f, y, 25.0f);
        p.line(40.0f, y, 25.0f);
        second = p.line(40.0f, y, 3.0f);
        p.feed(300.0f);
        next = p.line(45.0f, y, 3.0f);
        opttest::counter_past(p.next);
        optim_relink(first, second, st);
        ASSERT_EQ(st, 0);
        const std::vector<Move> l = link();
        ASSERT_FALSE(l.empty());
        f32 top = -1e9f;
        for (const Move& m : l) {
            top = std::max(top, m.p[2]);
            EXPECT_LT(m.feed, 0.0f);
        }
        EXPECT_NEAR(top, y == 0.0f ? 10.0f + S : 5.0f, 1e-3f);
        EXPECT_FLOAT_EQ(l.back().p[0], 40.0f);
        EXPECT_FLOAT_EQ(l.back().p[2], 3.0f);
    }
}

TEST_F(AirLink, ALinkFromNoMoveToNoMoveTakesTheWholePathAwayBetweenMarkers)
{
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    path(0.0f, p2);
    const Move last = opttest::moves().back();
    i32 st = 0;
    optim_air_link(-1, -1, 0, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_EQ(m.size(), 1u);
    for (i32 a = 0; a < 3; ++a) EXPECT_FLOAT_EQ(m[0].p[a], last.p[a]);
    EXPECT_LT(m[0].feed, 0.0f);
    std::vector<i32> markers;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() > 2 && e.words[0] == BT_MARKER) markers.push_back(e.words[2]);
    EXPECT_EQ(markers, (std::vector<i32>{3, 4}));
    EXPECT_TRUE(norak::transcript_has("339/10"));
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
}

TEST_F(AirLink, ALinkFromAMoveNotInThePathFailsAndChangesNothing)
{
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    path(0.0f, p2);
    const auto before = opttest::snapshot();
    i32 st = 0;
    optim_air_link(next + 50, second, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(opttest::snapshot(), before);
}

TEST_F(AirLink, TheLastRetractRisesAtTheCutsOwnXY)
{
    Path p;
    p.tool(tool);
    p.feed(300.0f);
    p.line(-5.0f, 3.0f, 0.0f);
    first = p.line(0.0f, 3.0f, 0.0f);
    p.feed(-1.0f);
    p.line(0.0f, 3.0f, 6.0f);
    p.line(40.0f, 0.0f, 6.0f);
    // The spindle stopped and the procedure closed after the rapids: both
    // stay behind the retract, which follows the cut directly.
    const i32 spindle = p.next;
    p.raw({BT_TECH, p.next++, 2, 0, 0});
    p.raw({BT_MARKER, p.next++, 4});
    opttest::counter_past(p.next);
    i32 st = 0;
    optim_air_link(first, -1, 0, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().p[0], 0.0f);
    EXPECT_EQ(m.back().p[1], 3.0f);
    EXPECT_EQ(m.back().p[2], 4.0f);  // the clearance height, over the cut's end + 1
    EXPECT_LT(m.back().feed, 0.0f);
    // The list after the cut: the rapid form, the retract, the spindle, the marker.
    std::vector<i32> after;
    bool in = false;
    for (const auto& e : norak::main_list().elems) {
        if (in) after.push_back(e.words[0] == BT_TECH && e.words[1] == spindle ? -1 : e.words[0]);
        in = in || (e.words[0] == BT_LINE && e.words[1] == first);
    }
    EXPECT_EQ(after, (std::vector<i32>{BT_TECH, BT_LINE, -1, BT_MARKER}));
}

TEST_F(AirLink, ALinkOverOneXYIsVerticalAndAHolderCodeRewritesTheFeedAfterIt)
{
    for (f32 z1 : {5.0f, 0.0f, -2.0f}) {
        fresh();
        const f32 p2[3] = {0.0f, 0.0f, 1.0f};
        path(z1, p2, 1000.0f);
        const f32 away[3] = {-7.0f, -7.0f, -7.0f};
        optim_set_last_point(away);
        i32 st = 0;
        optim_air_link(first, second, 10000, st);
        ASSERT_EQ(st, 0);
        // The holder stage is handed the last point written: P2.
        EXPECT_EQ(std::vector<f32>(optim_last_point(), optim_last_point() + 3), std::vector<f32>(p2, p2 + 3));
        for (const Move& m : link()) {
            EXPECT_FLOAT_EQ(m.p[0], 0.0f);
            EXPECT_FLOAT_EQ(m.p[1], 0.0f);
        }
        EXPECT_FLOAT_EQ(link().back().p[2], 1.0f);
        // Mode 4 at 50 %: the base feed after the link becomes 500, the
        // approach runs at 50 % of the plunge feed of 200.
        f32 F = 0;
        feed_at_move(-1, next, F, st);
        EXPECT_FLOAT_EQ(F, 500.0f);
        EXPECT_FLOAT_EQ(link().back().feed, 100.0f);

        EXPECT_EQ(PRM9[0], r2wrd(1000.0f));
    }
}

TEST_F(AirLink, ALinkOverOneXYTakesTheMovesOnDownThereWithItOutsideTheAirCutAndEnlargedToolStages)
{
    // A cut ending at (0, 0, 5), rapids up and down to (0, 0, 3), two cuts
    // on down at that XY to 2 and -1, then away at the height kz.
    struct Case {
        i32 who;  // 0 the air link, 1 the air-cut stage's, 2 the enlarged-tool stage's
        f32 kz;
    };
    for (const Case c : {Case{0, -1.0f}, Case{0, 7.0f}, Case{1, -1.0f}, Case{2, -1.0f}}) {
        SCOPED_TRACE(std::to_string(c.who) + " " + std::to_string(c.kz));
        fresh();
        Path p;
        p.tool(tool);
        p.feed(300.0f);
        p.line(-5.0f, 0.0f, 5.0f);
        first = p.line(0.0f, 0.0f, 5.0f);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 8.0f);
        second = p.line(0.0f, 0.0f, 3.0f);
        p.feed(300.0f);
        const i32 d1 = p.line(0.0f, 0.0f, 2.0f);
        const i32 d2 = p.line(0.0f, 0.0f, -1.0f);
        next = p.line(10.0f, 0.0f, c.kz);
        const i32 after = p.line(10.0f, 10.0f, c.kz);
        opttest::counter_past(p.next);
        optim_set_mark_block(d2);
        i32 st = 0;
        if (c.who == 1) optim_air_keep_after(1);
        if (c.who == 2)
            optim_relink(first, second, st);
        else
            optim_air_link(first, second, 0, st);
        optim_air_keep_after(0);
        ASSERT_EQ(st, 0);
        std::vector<i32> numbers;
        for (const Move& m : opttest::moves()) numbers.push_back(m.number);
        const bool gone = c.who == 0;
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), d1), gone ? 0 : 1);
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), d2), gone ? 0 : 1);
        const std::vector<Move> l = link();
        f32 F = 0;
        feed_at_move(-1, after, F, st);
        EXPECT_FLOAT_EQ(F, 300.0f);  // the cuts' own feed goes on behind the kept move
        if (!gone) {
            EXPECT_EQ(optim_get_mark_block(), d2);
            continue;
        }
        ASSERT_FALSE(l.empty());
        feed_at_move(-1, next, F, st);
        if (c.kz < 5.0f + S) {
            // Straight up from the cut's end to the safety distance above
            // it, then at the plunge feed (200) to the kept move's end.
            ASSERT_EQ(l.size(), 1u);
            EXPECT_FLOAT_EQ(l[0].p[2], 5.0f + S);
            EXPECT_LT(l[0].feed, 0.0f);
            EXPECT_FLOAT_EQ(F, 200.0f);
            EXPECT_EQ(optim_last_point()[2], 5.0f + S);
            // The holder stage's remembered block went: the move before it.
            EXPECT_EQ(optim_get_mark_block(), l[0].number);
        } else {
            // Away above the cut: from P2 at its own feed.
            EXPECT_FLOAT_EQ(l.back().p[2], 3.0f);
            EXPECT_FLOAT_EQ(F, 300.0f);
            EXPECT_EQ(optim_last_point()[2], 3.0f);
        }
    }
    // A drill location among the moves on down: its end is no point of a
    // line, arc or curve, and the walk over them cannot read through it. The
    // link fails and leaves the list as it was; taken for the list's end, it
    // would have the link delete the moves before it and leave the kept
    // move at the approach feed.
    {
        fresh();
        Path p;
        p.tool(tool);
        p.feed(300.0f);
        p.line(-5.0f, 0.0f, 5.0f);
        first = p.line(0.0f, 0.0f, 5.0f);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 8.0f);
        second = p.line(0.0f, 0.0f, 3.0f);
        p.feed(300.0f);
        p.line(0.0f, 0.0f, 2.0f);
        const f32 q[3] = {0.0f, 0.0f, 1.0f}, v[3] = {0.0f, 0.0f, 1.0f};
        i32 st = 0;
        PTBT31(AM_LIST, q, v, 0, p.next++, st);
        ASSERT_EQ(st, 0);
        p.line(0.0f, 0.0f, -1.0f);
        next = p.line(10.0f, 0.0f, -1.0f);
        p.line(10.0f, 10.0f, -1.0f);
        opttest::counter_past(p.next);
        const auto before = opttest::snapshot();
        optim_air_link(first, second, 0, st);
        EXPECT_LT(st, 0);
        EXPECT_EQ(opttest::snapshot(), before);
    }
}

TEST_F(AirLink, WithTheSafetyDistanceNotSetNoLinkOrPlungePointLiesBelowTheStockTop)
{
    CMPBLK[CMP_SAFETY] = r2wrd(-0.5f);
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    path(0.0f, p2);
    i32 st = 0;
    optim_air_link(first, second, 0, st);
    ASSERT_EQ(st, 0);
    // Clear 20, cut 12: the screen's distance max(4, 8) = 8.
    const std::vector<Move> l = link();
    ASSERT_GE(l.size(), 3u);
    for (size_t k = 0; k + 1 < l.size(); ++k) EXPECT_GE(l[k].p[2], 8.0f - 1e-4f) << k;
    EXPECT_GE(l[1].p[2], 12.0f + 8.0f - 1e-4f);
    // The end of a path: a retract of at least the distance.
    optim_air_link(next + 1, -1, 0, st);
    ASSERT_EQ(st, 0);
    EXPECT_GE(opttest::moves().back().p[2], 8.0f);
    EXPECT_LT(opttest::moves().back().feed, 0.0f);
    // No tool to work it out from: refused with a message, nothing written.
    CURTOL = -1;
    const auto before = opttest::snapshot();
    optim_air_link(first, next, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(opttest::snapshot(), before);
    EXPECT_TRUE(norak::transcript_has("optim_safety, NO SAFETY DISTANCE"));
}

TEST_F(AirLink, TheFirstApproachAndTheFinalRetractStayClearOfTheStock)
{
    // The approach of the first cut onto (20, 0, 11) over the block of 10:
    // the moves before it go, it comes down from the clearance height to a
    // safety distance above the stock found under the tool there.
    const f32 p2[3] = {20.0f, 0.0f, 11.0f};
    path(0.0f, p2);
    i32 st = 0;
    optim_air_link(-1, second, 0, st);
    ASSERT_EQ(st, 0);
    std::vector<Move> m = opttest::moves();
    ASSERT_GE(m.size(), 3u);
    EXPECT_FLOAT_EQ(m[0].p[0], 20.0f);
    EXPECT_GE(m[0].p[2], 40.0f - 28.0f + S);  // the sections dropped beside the wall
    EXPECT_LT(m[0].feed, 0.0f);
    for (const Move& x : m)
        if (x.number == next) break;
        else EXPECT_FLOAT_EQ(x.p[0], 20.0f);
    // The end of the path: the last move at a feed retracts to the clearance
    // height at the maximum feed.
    // The clearance height is the second item of "HEI8" (30) only while
    // its switch word is set.
    fresh();
    path(0.0f, p2);
    HEI8[24] = r2wrd(30.0f);
    const auto above = opttest::snapshot();
    optim_final_retract(1, nullptr);
    m = opttest::moves();
    EXPECT_FLOAT_EQ(m.back().p[2], 11.0f);  // already above the clearance height of 4
    EXPECT_EQ(opttest::snapshot(), above);   // and no rapid form with no move after it
    const i32 n = static_cast<i32>(m.size());
    HEI8[76] = 1;
    // The writers left at the clearance above the end (as an earlier link
    // may leave them): the retract still starts from the end itself.
    MOVST.point[0] = 20.0f, MOVST.point[1] = 0.0f, MOVST.point[2] = 30.0f;
    LSP2[LSP2_MOVED] = 1;
    optim_final_retract(1, nullptr);
    m = opttest::moves();
    ASSERT_EQ(static_cast<i32>(m.size()), n + 1);
    EXPECT_FLOAT_EQ(m.back().p[2], 30.0f);
    EXPECT_LT(m.back().feed, 0.0f);
    optim_final_retract(0, nullptr);
    EXPECT_EQ(static_cast<i32>(opttest::moves().size()), n + 1);
}

TEST_F(AirLink, TheHolderStageReportsOrMovesAPassToTheEndWithItsFeedAndLinksOverIt)
{
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    path(0.0f, p2, 1000.0f);
    const auto before = opttest::snapshot();
    i32 cut[10] = {0, 0, 0, 0, 7, 7, 0, 0, 0, 0}, run[4] = {first, second, 0, 0}, st = 0;
    CMPBLK[CMP_HOLDER] = 2;  // report: nothing rewritten
    optim_air_stage(cut, run, 0, 10000, 10000, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(opttest::snapshot(), before);
    EXPECT_EQ(cut[4], 0);
    EXPECT_EQ(cut[5], 0);
    CMPBLK[CMP_HOLDER] = 4;  // adapt: the pass again at the end at 50 %, a link in its place
    optim_air_stage(cut, run, 0, 10000, 10000, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    EXPECT_GT(run[2], 0);
    EXPECT_EQ(run[3], run[2]);
    const std::vector<Move> m = opttest::moves();
    bool copied = false;
    for (const Move& x : m)
        if (x.number == run[2]) copied = true;
    EXPECT_TRUE(copied);
    // The copy of the old link's three moves ends the path at P2, at rapid.
    EXPECT_FLOAT_EQ(m.back().p[0], 40.0f);
    EXPECT_FLOAT_EQ(m.back().p[2], 0.0f);
    // In the old place: the rebuilt link, whose traverse clears the stock;
    // the cut before it stays.
    const std::vector<Move> l = link();
    ASSERT_GE(l.size(), 2u);
    EXPECT_EQ(depth(l[0].p, l[1].p), 0.0f);
    EXPECT_FLOAT_EQ(m[0].p[0], -5.0f);
    // The first link of a cut (the cut record's flag, cleared by the stage):
    // the approach from the list's start replaces everything before it.
    fresh();
    path(0.0f, p2, 1000.0f);
    optim_cut_reset(cut);
    EXPECT_EQ(cut[8], 1);
    i32 run2[4] = {first, second, 0, 0};
    optim_air_stage(cut, run2, 0, 10000, 10000, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(cut[8], 0);
    EXPECT_FLOAT_EQ(opttest::moves()[0].p[0], 40.0f);
}

// A list access refused at any place of a link (the n-th, for every n
// until one goes through untouched): the link fails, or it writes what it
// writes with every access granted; a refusal is never taken for the list's
// end or its top.
TEST_F(AirLink, ARefusedListAccessFailsTheLinkOrLeavesItsResultWhole)
{
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    for (i32 end : {0, 1}) {
        SCOPED_TRACE(end);
        auto link = [&] {
            i32 st = 0;
            optim_air_link(end ? next : first, end ? -1 : second, 0, st);
            return st;
        };
        fresh(), path(0.0f, p2);
        ASSERT_EQ(link(), 0);
        const auto whole = opttest::snapshot();
        const i32 failed = opttest::every_refusal([&] { fresh(), path(0.0f, p2); }, link, [&](i32 n) {
            EXPECT_EQ(opttest::snapshot(), whole) << "refused access " << n;
        });
        EXPECT_GT(failed, 3);
    }
}

TEST_F(AirLink, AFailedWriteLeavesTheToolPathAsItWas)
{
    const f32 p2[3] = {40.0f, 0.0f, 0.0f};
    // A block number 0 does nothing.
    path(0.0f, p2);
    const auto before = opttest::snapshot();
    i32 st = 0;
    optim_air_link(first, 0, 0, st);
    EXPECT_EQ(st, 0);
    optim_air_link(0, second, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(opttest::snapshot(), before);
    const i32 failed = opttest::every_failure([&] { fresh(), path(0.0f, p2); },
                                              [&] {
                                                  i32 st = 0;
                                                  optim_air_link(first, second, 10000, st);
                                                  return st;
                                              });
    EXPECT_GT(failed, 10);
    const i32 at_end = opttest::every_failure([&] { fresh(), path(0.0f, p2); },
                                              [&] {
                                                  i32 st = 0;
                                                  optim_air_link(next, -1, 0, st);
                                                  return st;
                                              });
    EXPECT_GT(at_end, 3);
    const i32 at_start = opttest::every_failure([&] { fresh(), path(0.0f, p2); },
                                                [&] {
                                                    i32 st = 0;
                                                    optim_air_link(-1, second, 0, st);
                                                    return st;
                                                });
    EXPECT_GT(at_start, 3);
    // A refused list access, the n-th of the link for every n: the link
    // fails, or goes through with its old moves gone and the two cuts after
    // it in place; never is a failure taken for the list's end, where the
    // cuts after the link would be taken for its old moves and deleted, or
    // the walk over the old moves would stop and leave the rest of them.
    i32 refused = 0;
    for (i32 n = 1; n < 300; ++n) {
        fresh(), path(0.0f, p2);
        norak::fail_list_call("lacces", n);
        optim_air_link(first, second, 0, st);
        norak::fail_list_call("lacces", 0);
        if (st < 0) {
            ++refused;
            continue;
        }
        i32 cuts = 0, old = 0;
        for (const Move& m : opttest::moves()) {
            cuts += m.number == next || m.number == next + 1 ? 1 : 0;
            old += m.number > first && m.number <= second ? 1 : 0;
        }
        EXPECT_EQ(cuts, 2) << n;
        EXPECT_EQ(old, 0) << n;  // the old link's moves all gone
    }
    EXPECT_GT(refused, 10);
}

}  // namespace
