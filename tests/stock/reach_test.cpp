// The optimizer's small services no stage test goes through: the points
// and block the holder stage keeps, the run record's reset, the holder
// feed of a link code, the air scan's candidate, and the menu windows.
#include <gtest/gtest.h>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "stock/airlink.h"
#include "stock/airscan.h"
#include "stock/feedcopy.h"
#include "stock/holder.h"
#include "stock/movecur.h"
#include "stock/stkimage.h"
#include "stock/tppoints.h"
#include "blocks/listacc.h"
#include "blocks/writers.h"
#include "stock/optedit.h"
#include "stock/optim.h"
#include "stock/optwords.h"

namespace {

struct Reach : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        opttest::machine();
    }
};

TEST_F(Reach, TheHolderStageKeepsItsTwoPointsApartAndByValue)
{
    f32 last[3] = {1.5f, -2.0f, 3.25f};
    const f32 ref[3] = {-7.0f, 8.0f, 9.5f};
    optim_set_last_point(last);
    optim_set_ref_point(ref);
    last[0] = 100.0f;  // the caller's array changed after: the stored copy stays
    const f32* L = optim_last_point();
    const f32* R = optim_ref_point();
    EXPECT_EQ(L[0], 1.5f);
    EXPECT_EQ(L[1], -2.0f);
    EXPECT_EQ(L[2], 3.25f);
    EXPECT_EQ(R[0], -7.0f);
    EXPECT_EQ(R[1], 8.0f);
    EXPECT_EQ(R[2], 9.5f);
    optim_set_mark_block(42);
    EXPECT_EQ(optim_get_mark_block(), 42);
    optim_set_mark_block(-1);
    EXPECT_EQ(optim_get_mark_block(), -1);
}

TEST_F(Reach, TheRunRecordResetSetsItsFirstFourWordsAndNoOther)
{
    i32 run[8] = {5, 6, 7, 8, 9, 10, 11, 12};
    optim_run_reset(run);
    EXPECT_EQ(run[0], 0);
    EXPECT_EQ(run[1], 0);
    EXPECT_EQ(run[2], 1);
    EXPECT_EQ(run[3], 0);
    for (i32 k = 4; k < 8; ++k) EXPECT_EQ(run[k], k + 5) << k;
}

TEST_F(Reach, TheHolderFeedOfALinkCodeScalesOnlyTheBaseAndNamedFeeds)
{
    // Base 1000, named feed (word 4) 20 % = 200.
    CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
    CMPBLK[CMP_ROW_FEED + 0] = 80;  // tool row 1
    CMPBLK[CMP_ROW_FEED + 1] = 30;  // tool row 2
    // No holder code: every feed as it is.
    EXPECT_EQ(optim_holder_feed(1000.0f, 0), 1000.0f);
    EXPECT_EQ(optim_holder_feed(1000.0f, 999), 1000.0f);
    // 10000 and above (either sign): the holder-feed percentage of word 4.
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 10000), 500.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, -12000), 500.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(200.0f, 10000), 100.0f);
    EXPECT_EQ(optim_holder_feed(333.0f, 10000), 333.0f);   // another feed stays
    EXPECT_EQ(optim_holder_feed(-1.0f, 10000), -1.0f);     // a rapid stays
    EXPECT_EQ(optim_holder_feed(0.0f, 10000), 0.0f);       // a feed not set stays
    // 1000 to 9999: the first percentage of tool row code / 1000.
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 1000), 800.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 2500), 300.0f);
    // Row 2: a feed already scaled by an earlier row goes back to the base
    // feed times row 2's percentage.
    EXPECT_FLOAT_EQ(optim_holder_feed(800.0f, 2000), 300.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(160.0f, 2000), 60.0f);
    EXPECT_EQ(optim_holder_feed(800.0f, 1000), 800.0f);  // row 1 has no earlier row
    // A feed that row 2 made of the base feed (16 % of 1000) and row 1 of
    // the named feed (80 % of 200) alike is taken as made of the base feed.
    CMPBLK[CMP_ROW_FEED + 1] = 16;
    CMPBLK[CMP_ROW_FEED + 2] = 50;  // tool row 3
    EXPECT_FLOAT_EQ(optim_holder_feed(160.0f, 3000), 500.0f);
}

TEST_F(Reach, TheAirScanCandidateIsKeptUntilSetAgain)
{
    optim_air_from_set(17);
    EXPECT_EQ(optim_air_from_get(), 17);
    optim_air_from_set(-1);
    EXPECT_EQ(optim_air_from_get(), -1);
}

TEST_F(Reach, TheMenuWindowsClearTheAreaWriteABlankAndAnswerZero)
{
    // The host's layout words hold the columns (second word), then the
    // lines (third): 6 and 14 for the main screen, 21 and 3 for the tables.
    const i32 columns[2] = {6, 21}, lines[2] = {14, 3};
    for (i32 which : {0, 1}) {
        norak::reset();
        i32 st = -7;
        if (which == 0)
            optim_form_a(st);
        else
            optim_form_b(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::transcript_count("listing:  "), 1u) << which;
        EXPECT_EQ(norak::menu_layout()[1], columns[which]) << which;
        EXPECT_EQ(norak::menu_layout()[2], lines[which]) << which;
    }
}

TEST_F(Reach, LeavingTheFurtherToolsModeEmptiesEveryToolRow)
{
    HEI8[24] = r2wrd(50.0f);
    CURTOL = opttest::tool("SCREENED", 10.0f, 0.0f, 20.0f, 30.0f, {});
    const i32 other = opttest::tool("OTHER", 12.0f, 0.0f, 20.0f, 40.0f, {});
    CMPBLK[CMP_HOLDER] = 5;
    for (i32 k = 0; k < 3; ++k) {
        CMPBLK[CMP_TOOLS + k] = other;
        CMPBLK[CMP_ROW_FEED + k] = 40 + k;
        CMPBLK[CMP_ROW_PRM9 + k] = 60 + k;
    }
    CMPBLK[CMP_TOOL_ROWS] = 4;
    norak::Reply r;
    r.kind = "menu";
    r.expect = "TOOL HOLDER";
    r.answer = "3";
    norak::add_reply(r);
    r.expect = "ACCEPT";
    r.answer = "1";
    norak::add_reply(r);
    i32 st = 9;
    optim_menu(0, CURTOL, st);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(CMPBLK[CMP_HOLDER], 3);
    EXPECT_EQ(CMPBLK[CMP_TOOL_ROWS], 1);
    for (i32 k = 0; k < 10; ++k) {
        EXPECT_EQ(CMPBLK[CMP_TOOLS + k], -1) << k;
        EXPECT_EQ(CMPBLK[CMP_ROW_FEED + k], 100) << k;
        EXPECT_EQ(CMPBLK[CMP_ROW_PRM9 + k], 100) << k;
    }
}

}  // namespace

namespace {

using opttest::Move;
using stocktest::Path;

// A flat stock at 0 under a 4 mm cutter; a cut ending at (0, 0, 5), an old
// link straight up and down over the same XY, the next cut from (0, 0, 1).
struct OneXY : ::testing::Test {
    i32 tool = 0, first = 0, second = 0, next = 0;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        opttest::machine();
        rapid_top = 4.0f;
        tool = opttest::tool("REACHER", 4.0f, 0.0f, 12.0f, 20.0f, {});
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-10, -10, 10, 10), 0);
        stocktest::fill(0.0f);
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        i32 flag = 0, st = 0;
        optim_holder_images(tool, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        stk_tool_image(0, 4.0f, 0.0f, 12.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        Path p;
        p.tool(tool);
        p.feed(300.0f);
        p.line(-5.0f, 0.0f, 5.0f);
        first = p.line(0.0f, 0.0f, 5.0f);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 8.0f);
        second = p.line(0.0f, 0.0f, 1.0f);
        p.feed(300.0f);
        next = p.line(5.0f, 0.0f, 1.0f);
        opttest::counter_past(p.next);
    }
    std::vector<Move> link()
    {
        std::vector<Move> out;
        bool in = false;
        for (const Move& m : opttest::moves()) {
            if (m.number == next) break;
            if (in) out.push_back(m);
            if (m.number == first) in = true;
        }
        return out;
    }
};

TEST_F(OneXY, AForcedLinkWritesItsRapidWhereAPlainOnePlungesAtOnceAndTheFlagIsClearedAfter)
{
    // Forced first, then a plain link on a fresh path: the forced flag must
    // not outlive its call.
    for (bool forced : {true, false}) {
        SCOPED_TRACE(forced ? "forced" : "plain");
        SetUp();
        i32 st = 0;
        if (forced)
            optim_air_rapid(first, second, 0, st);
        else
            optim_air_link(first, second, 0, st);
        ASSERT_EQ(st, 0);
        const std::vector<Move> l = link();
        ASSERT_FALSE(l.empty());
        for (const Move& m : l) {
            EXPECT_EQ(m.p[0], 0.0f);
            EXPECT_EQ(m.p[1], 0.0f);
        }
        EXPECT_EQ(l.back().p[2], 1.0f);
        EXPECT_GT(l.back().feed, 0.0f);  // onto the next cut at the approach feed
        // The link height is the cut's own end (rapids reach no higher than
        // 4): a plain link plunges from there at once; a forced one writes
        // its rapid at the link height even so.
        if (forced) {
            ASSERT_GE(l.size(), 2u);
            for (size_t k = 0; k + 1 < l.size(); ++k) {
                EXPECT_EQ(l[k].p[2], 5.0f) << k;
                EXPECT_LT(l[k].feed, 0.0f) << k;
            }
        } else {
            EXPECT_EQ(l.size(), 1u);
        }
    }
}

TEST_F(OneXY, ARestampReplaysTheBlockFromItsOwnStartIntoTheStockOnlyWhenTheEndDoesNotRise)
{
    auto h = [](f32 x, f32 y) {
        const i32 i = static_cast<i32>(std::lround((x - stk_grid.box[0]) / stk_grid.cell));
        const i32 j = static_cast<i32>(std::lround((y - stk_grid.box[1]) / stk_grid.cell));
        return stk_cells()[j * stk_grid.nx + i].h1;
    };
    // Third case: the block replayed follows a move directly, with no feed
    // block between them; that earlier move must not be replayed in its place.
    for (i32 kind : {0, 1, 2}) {
        const bool rises = kind == 0;
        SCOPED_TRACE(rises ? "rises" : kind == 1 ? "level or falls" : "right after a move");
        SetUp();
        stocktest::fill(3.0f);
        i32 a = 0, st = 0;
        i32 block = next;
        if (kind == 2) {
            lacces(3, a);
            Path p;
            p.next = next + 1;
            block = p.line(5.0f, 5.0f, 1.0f);
            opttest::counter_past(p.next);
        }
        lacces(2, a);
        lmark(1, 9, a);  // the replay starts at the top of the list
        // A reference point an earlier stretch left, low in the stock far
        // from the moves: a stretch that does not rise replays its move
        // from that move's own start, never from there.
        const f32 from[3] = {-8.0f, 0.0f, -2.0f};
        optim_set_ref_point(from);
        i32 cut[10] = {0, 0, 0, 0, 7, 0, 0, 0, 0, 0};
        // Z1 below Z2 by more than the extra length: nothing is replayed.
        const f32 z1 = rises ? 1.0f : 5.0f;
        optim_restamp(cut, block, z1, 0.5f, 5.0f, 0, st);
        EXPECT_EQ(st, 0);
        if (kind == 2) {
            // The move from (5, 0) to (5, 5) at z 1 is cut along its length.
            EXPECT_NEAR(h(5.0f, 4.0f), 1.0f, 1e-4f);
            EXPECT_EQ(h(-8.5f, 0.0f), 3.0f);
        } else if (rises) {
            EXPECT_EQ(cut[4], 7);
            EXPECT_EQ(h(2.5f, 0.0f), 3.0f);
        } else {
            EXPECT_EQ(cut[4], 0);
            // Under the last move the flat tool leaves the move's own
            // height, not a slope down from the reference point.
            EXPECT_NEAR(h(2.5f, 0.0f), 1.0f, 1e-4f);
            EXPECT_NEAR(h(0.0f, 0.0f), 1.0f, 1e-4f);  // under the plunge
            EXPECT_EQ(h(-8.5f, 0.0f), 3.0f);          // where no move went
        }
        // A block the path does not hold cannot be replayed: a failure.
        optim_restamp(cut, 9999, 5.0f, 0.5f, 5.0f, 0, st);
        EXPECT_EQ(st, -1);
    }
}

TEST_F(OneXY, ARestampThatRoseReplaysFromItsMarkEachMoveFromTheEndOfTheOneBefore)
{
    auto h = [](f32 x, f32 y) {
        const i32 i = static_cast<i32>(std::lround((x - stk_grid.box[0]) / stk_grid.cell));
        const i32 j = static_cast<i32>(std::lround((y - stk_grid.box[1]) / stk_grid.cell));
        return stk_cells()[j * stk_grid.nx + i].h1;
    };
    // The mark stands on the last move replayed before (the cut at z 5), or
    // on the given move itself, which is then replayed alone from the end
    // of the move before it (the plunge's foot at z 1). A reference point
    // left high and far by an earlier stretch is never started from.
    for (bool on_block : {false, true}) {
        SCOPED_TRACE(on_block ? "mark on the block" : "mark before it");
        SetUp();
        stocktest::fill(6.0f);
        const i32 marked = on_block ? next : first;
        i32 a = 0, st = 0, number = 0, type = 0, size = 0, tc = 0;
        f32 feed = 0;
        lacces(2, a);
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        while (st >= 0 && number != marked) {
            TPJUMP(1, st);
            find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        }
        ASSERT_EQ(number, marked);
        lmark(1, 9, a);
        const f32 stale[3] = {-9.0f, 0.0f, 9.0f};
        optim_set_ref_point(stale);
        i32 cut[10] = {0, 0, 0, 0, 7, 0, 0, 0, 0, 0};
        optim_restamp(cut, next, 4.8f, 0.5f, 5.0f, 0, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(cut[4], 0);
        // The replay starts where the move before the first one replayed ended.
        EXPECT_EQ(optim_ref_point()[0], 0.0f);
        EXPECT_EQ(optim_ref_point()[2], on_block ? 1.0f : 5.0f);
        EXPECT_NEAR(h(2.5f, 0.0f), 1.0f, 1e-4f);   // the last move, at its own z 1
        EXPECT_NEAR(h(-1.5f, 0.0f), 1.0f, 1e-4f);  // its tool at the plunge's foot
        EXPECT_EQ(h(-3.0f, 0.0f), 6.0f);           // the moves before the mark stay out
        // The mark is left on the replayed block.
        TPTOP(9, st);
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        EXPECT_EQ(number, next);
    }
}

// The point list of a path: a straight move, then a NURBS move of order 2
// whose control polygon turns a corner, then a straight move.
struct PointsOfAPath : ::testing::Test {
    i32 curve = 0;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        opttest::machine();
        ASSERT_EQ(stocktest::open(-10, -10, 10, 10), 0);
        i32 a = 0, st = 0;
        norak::start_toolpath();
        lacces(3, a);
        Path p;
        p.feed(300.0f);
        p.line(0.0f, 0.0f, 0.0f);
        const f64 knots[5] = {0, 0, 0.5, 1, 1};
        const f64 pts[9] = {0, 0, 0, 4, 0, 0, 4, 4, 0};
        PTBT5(AM_LIST, 5, 2, 3, knots, pts, p.next, st);
        ASSERT_EQ(st, 0);
        curve = p.next++;
        p.line(4.0f, 4.0f, 2.0f);
        opttest::counter_past(p.next);
        lacces(2, a);
    }
};

TEST_F(PointsOfAPath, ANurbsMoveBecomesPointsOnItsCurveTaggedWithItsBlock)
{
    i32 ph = -1, bh = -1, n = 0, st = 0;
    tp_to_points(0, MV_LIST, ph, bh, n, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(n, 4);
    void *pb = nullptr, *bb = nullptr;
    mmcptr(ph, pb);
    mmcptr(bh, bb);
    const f32* P = static_cast<const f32*>(pb);
    const i32* B = static_cast<const i32*>(bb);
    i32 on_curve = 0;
    bool corner = false;
    const f32* last = nullptr;
    for (i32 k = 0; k < n; ++k) {
        const f32* q = P + 3 * k;
        if (B[k] != curve) continue;
        ++on_curve;
        // Order 2: the curve is its control polygon, (0,0)-(4,0)-(4,4).
        const bool leg1 = std::fabs(q[1]) < 1e-4f && q[0] > -1e-4f && q[0] < 4.0001f;
        const bool leg2 = std::fabs(q[0] - 4.0f) < 1e-4f && q[1] > -1e-4f && q[1] < 4.0001f;
        EXPECT_TRUE(leg1 || leg2) << q[0] << " " << q[1];
        EXPECT_NEAR(q[2], 0.0f, 1e-4f);
        if (std::fabs(q[0] - 4.0f) < 1e-4f && std::fabs(q[1]) < 1e-4f) corner = true;
        last = q;
    }
    EXPECT_GE(on_curve, 2);
    EXPECT_TRUE(corner);
    ASSERT_NE(last, nullptr);
    EXPECT_NEAR(last[0], 4.0f, 1e-4f);
    EXPECT_NEAR(last[1], 4.0f, 1e-4f);
    // The straight move after it ends where it was written.
    EXPECT_EQ(P[3 * (n - 1) + 2], 2.0f);
    i32 s2 = 0;
    MM_CLOSE(ph, s2);
    MM_CLOSE(bh, s2);
    // However fine the tolerance, one NURBS move gives at most 1000 points
    // (the first, where the move before it ended, left out).
    i32 a = 0, number = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0;
    lacces(2, a);
    goto_block(1, curve, st);
    find_move(MV_LIST, 1, number, type, size, feed, tc, st);
    ASSERT_EQ(number, curve);
    std::vector<f32> fine;
    nurbs_points(MV_LIST, size, 1.0e-7f, number, fine, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(fine.size(), 3u * 999u);
    // So does a move that makes no curve, whose control points stand for
    // it: 999 of its 2000 (or all of 500) after the first, its last kept.
    for (i32 n : {2000, 500}) {
        NurbsMove many;
        many.n = n, many.k = 2;
        for (i32 i = 0; i < n; ++i) many.pts.insert(many.pts.end(), {f64(i), 0.0, 1.0});
        std::vector<f32> poly;
        nurbs_move_poly(many, 0, 0.1f, poly, st);
        ASSERT_EQ(st, 0);
        ASSERT_EQ(poly.size(), 3u * static_cast<size_t>(std::min(n - 1, 999)));
        EXPECT_EQ(poly[0], n == 500 ? 1.0f : 3.0f);
        EXPECT_EQ(poly[poly.size() - 3], f32(n - 1));
        for (size_t k = 3; k < poly.size(); k += 3) EXPECT_GT(poly[k], poly[k - 3]);
    }
}

TEST_F(PointsOfAPath, AnArrayThatCannotBeOpenedFailsAndLeavesNoArrayOpen)
{
    const i32 before = norak::open_arrays();
    for (i32 fail : {1, 2}) {
        SCOPED_TRACE(fail);
        i32 ph = 7, bh = 7, n = 7, st = 0;
        norak::fail_alloc_after(fail);
        tp_to_points(0, MV_LIST, ph, bh, n, st);
        norak::fail_alloc_after(0);
        EXPECT_LT(st, 0);
        EXPECT_EQ(ph, -1);
        EXPECT_EQ(bh, -1);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(norak::open_arrays(), before);
    }
}

}  // namespace
