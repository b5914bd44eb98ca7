// The air-cut stage with a 10 mm flat end mill over a block: a long feed
// move in the air becomes a rapid link and a short one stays; a plunge
// from the air is cut at the safety distance above the stock (worked out
// from the tool when not set); a move, an arc or a curve that starts in
// the air is cut half a diameter before the stock; a move of one step
// measures without dividing by zero; moves at a feed of 0 are cuts; a
// failed list access or write ends the scan with its failure; a string is
// broken only where the scan needs its points; a drilling cycle is passed
// over and never linked across.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "stock/airscan.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "stock/airlink.h"
#include "stock/holder.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/stkstamp.h"

namespace {

using opttest::Move;
using stocktest::Path;

constexpr f32 D = 10.0f;

struct AirCut : ::testing::Test {
    i32 tool = 0;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        CMPBLK[CMP_LINK] = 2;
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        opttest::machine();
        rapid_top = 4.0f;
        tool = opttest::tool("AIRCUTTER", D, 0.0f, 20.0f, 30.0f, {});
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-60, -30, 70, 30), 0);
        heights(1000.0f);
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        i32 flag = 0, st = 0;
        optim_holder_images(tool, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        stk_tool_image(0, D, 0.0f, 20.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
    }
    // Block of top 0 (|y| < 20); islands of top 10 below x = -11 and from
    // x = `from` on.
    void heights(f32 from)
    {
        StkCell* c = stk_cells();
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                f32 h = std::fabs(y) < 20 ? 0.0f : STK_NONE;
                if (h == 0.0f && (x < -11.0 || x >= from)) h = 10.0f;
                c[j * stk_grid.nx + i].h1 = h;
            }
    }
    void stage()
    {
        i32 st = 0;
        stk_image_select(0, st);
        optim_aircut_stage(st);
        EXPECT_EQ(st, 0);
    }
};

TEST_F(AirCut, AFeedMoveOfThreeDiametersInTheAirBecomesARapidLinkAndOneOfOneAndAHalfStays)
{
    for (f32 air : {30.0f, 15.0f}) {
        SetUp();
        heights(air + 1.0f);  // the next island begins a radius and a millimetre past the move
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(-35.0f, 0.0f, 15.0f);
        p.feed(1000.0f);
        p.line(-35.0f, 0.0f, 5.0f);  // into the first island
        p.line(-5.0f, 0.0f, 5.0f);   // out of it
        const i32 over = p.line(air - 5.0f, 0.0f, 5.0f);  // in the air over the block
        p.line(45.0f, 0.0f, 5.0f);   // into the second island
        opttest::counter_past(p.next);
        stage();
        bool level_feed = false, traverse = false;
        for (const Move& m : opttest::moves()) {
            if (m.number == over) level_feed = m.feed > 0.0f && m.p[2] == 5.0f;
            // A rapid to the end of the air move (the widened tool, 12 wide,
            // clears the islands at z 5).
            if (m.feed < 0.0f && m.p[0] == air - 5.0f && m.p[2] >= 5.0f) traverse = true;
        }
        if (air == 30.0f) {
            EXPECT_FALSE(level_feed);
            EXPECT_TRUE(traverse);
        } else {
            EXPECT_TRUE(level_feed);
            EXPECT_FALSE(traverse);
        }
        EXPECT_EQ(air_found, 1);
    }
}

TEST_F(AirCut, APlungeFromTheAirIsCutAtTheSafetyDistanceAboveTheStock)
{
    // Safety 1: the plunge from 20 is cut at 1. Not set (-0.5): the screen's
    // distance max(0.2 x 30, 30 - 20) = 10 from the tool, never below the top.
    for (f32 safety : {1.0f, -0.5f}) {
        SetUp();
        CMPBLK[CMP_SAFETY] = r2wrd(safety);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 20.0f);
        p.feed(1000.0f);
        p.line(0.0f, 0.0f, -2.0f);
        p.line(8.0f, 0.0f, -2.0f);
        opttest::counter_past(p.next);
        i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
        optim_air_scan(first, last, at_end, lr, st);
        ASSERT_EQ(st, 0);
        const f32 want = safety > 0.0f ? 1.0f : 10.0f;
        std::vector<f32> z;
        for (const Move& m : opttest::moves())
            if (m.p[0] == 0.0f) z.push_back(m.p[2]);
        ASSERT_EQ(z.size(), 3u);
        EXPECT_FLOAT_EQ(z[1], want);
        EXPECT_FLOAT_EQ(z[2], -2.0f);
    }
}

TEST_F(AirCut, AMoveFromFarInTheAirIsCutHalfADiameterBeforeTheStockAndTheAirLinked)
{
    // The island from x = -11 down: a level move from x 30 to -30 at z 5
    // meets it where its axis reaches -6; the air piece ends 5 before.
    heights(1000.0f);
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(30.0f, 0.0f, 5.0f);
    p.feed(1000.0f);
    p.line(-30.0f, 0.0f, 5.0f);
    opttest::counter_past(p.next);
    stage();
    const std::vector<Move> m = opttest::moves();
    bool cut_piece = false;
    for (size_t k = 1; k < m.size(); ++k)
        if (m[k].p[0] == -30.0f && m[k].feed > 0.0f) {
            // The piece that cuts starts at the end of the rebuilt link.
            cut_piece = true;
            EXPECT_NEAR(m[k - 1].p[0], -1.0f, 0.5f);
            EXPECT_EQ(m[k - 1].p[2], 5.0f);
        }
    EXPECT_TRUE(cut_piece);
    for (const Move& k : m)
        if (k.p[0] > -1.0f && k.p[0] < 30.0f) {
            EXPECT_LT(k.feed, 0.0f) << k.p[0];
        }
}

TEST_F(AirCut, AMoveOfOneStepIsMeasuredWithoutDividingByZero)
{
    f32 A[3], B[3], depth = 0;
    i32 state = 2, st = 0;
    // Inside one cell, in the stock; and two cells along its major axis.
    for (f32 dx : {0.1f, 0.4f}) {
        const f32 S[3] = {-20.0f, 0.0f, 5.0f}, E[3] = {-20.0f + dx, 0.0f, 5.0f};
        EXPECT_EQ(optim_air_entry(S, E, state, 100.0f, A, B, depth, st), 0);
        EXPECT_EQ(st, 0);
        EXPECT_GT(depth, 0.0f);
        EXPECT_TRUE(std::isfinite(A[0]) && std::isfinite(B[0]));
    }
}

TEST_F(AirCut, MovesAtAFeedOfZeroAreCutsNotRapids)
{
    // A path whose feed was never set: its feed blocks hold 0. They are feed
    // moves all the same, so the moves through the island stay, with a feed.
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(-35.0f, 0.0f, 15.0f);
    p.line(-35.0f, 0.0f, 11.0f);  // the safety distance above the island
    p.feed(0.0f);
    p.line(-35.0f, 0.0f, 5.0f);
    const i32 inside = p.line(-15.0f, 0.0f, 5.0f);
    p.line(-35.0f, 5.0f, 5.0f);
    opttest::counter_past(p.next);
    stage();
    bool kept = false;
    for (const Move& m : opttest::moves())
        if (m.number == inside) kept = m.feed == 0.0f && m.p[0] == -15.0f && m.p[2] == 5.0f;
    EXPECT_TRUE(kept);
    EXPECT_EQ(air_found, 0);
}

TEST_F(AirCut, AnArcLongInTheAirIsCutHalfADiameterBeforeItFirstTouchesTheStock)
{
    // A half circle of radius 30 about the origin at z 5, from (30, 0) over
    // y 30 (no stock beyond |y| 20) down into the island below x = -11:
    // the tool (radius 5) first touches it where 30 sin a = 25, a = 123.56
    // degrees, after 64.7 of air. The arc is cut 5 along it before there
    // (5 / 30 rad), both pieces on the circle, the second ending where the
    // arc did.
    heights(1000.0f);
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(30.0f, 0.0f, 5.0f);
    p.feed(1000.0f);
    p.arc(1, f32(M_PI), 0.0f, 0.0f, -30.0f, 0.0f, 5.0f);
    opttest::counter_past(p.next);
    i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
    optim_air_scan(first, last, at_end, lr, st);
    ASSERT_GE(st, 0);
    std::vector<Move> arcs;
    for (const Move& m : opttest::moves())
        if (m.type == 3) arcs.push_back(m);
    ASSERT_EQ(arcs.size(), 2u);
    const f64 touch = M_PI - std::asin(25.0 / 30.0) - 0.5 * D / 30.0;
    const f64 at = std::atan2(f64(arcs[0].p[1]), f64(arcs[0].p[0]));
    // Within one chord (tolerance 0.0625 at radius 30: 0.065 rad) and a cell.
    EXPECT_NEAR(at, touch, 0.065 + 0.25 / 30.0);
    for (const Move& m : arcs) {
        EXPECT_NEAR(std::hypot(m.p[0], m.p[1]), 30.0f, 1e-3);
        EXPECT_EQ(m.p[2], 5.0f);
        EXPECT_EQ(m.feed, 1000.0f);
    }
    EXPECT_FLOAT_EQ(arcs[1].p[0], -30.0f);
    EXPECT_NEAR(arcs[1].p[1], 0.0f, 1e-4);
    // The pieces' sweep angles agree with their end points.
    f32 sweep[2] = {0, 0};
    for (size_t k = 0; k < 2; ++k) {
        i32 a = 0, size = 0, type = 0, cls = 0, h = 0, plane = 0;
        f32 step = 0, c[2], e[3], v[3];
        lacces(2, a);
        goto_block(1, arcs[k].number, st);
        ASSERT_EQ(st, 0);
        TPBLKH(MV_LIST, size, type, cls, st);
        RDBT3(MV_LIST, type, h, plane, sweep[k], step, c, e, v, st);
        ASSERT_GE(st, 0);
    }
    EXPECT_NEAR(sweep[0], at, 1e-4);
    EXPECT_NEAR(sweep[0] + sweep[1], M_PI, 1e-4);
}

TEST_F(AirCut, AnArcWithLittleAirBeforeTheStockIsNotCut)
{
    // A half circle of radius 10 about (-10, 0) from (0, 0): the tool
    // reaches the island after 11.6 of air, under two diameters.
    heights(1000.0f);
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(0.0f, 0.0f, 5.0f);
    p.feed(1000.0f);
    p.arc(1, f32(M_PI), -10.0f, 0.0f, -20.0f, 0.0f, 5.0f);
    opttest::counter_past(p.next);
    i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
    optim_air_scan(first, last, at_end, lr, st);
    ASSERT_GE(st, 0);
    i32 arcs = 0;
    for (const Move& m : opttest::moves()) arcs += m.type == 3 ? 1 : 0;
    EXPECT_EQ(arcs, 1);
}

TEST_F(AirCut, ACurveLongInTheAirIsCutHalfADiameterBeforeItReachesTheStockAndTheAirLinked)
{
    // A cubic at z 5 from (30, 0) to (-30, 0), bowed in Y, over the block's
    // top 0 into the island below x = -11: the tool (radius 5) first finds
    // stock where the curve's X reaches -6 (|y| under 2 there). The curve is
    // cut 5 along it before that point, on the curve; the air piece ends
    // the run that the rapid opened.
    heights(1000.0f);
    const opttest::Cubic c({30, 0, 5, 10, 4, 5, -10, -4, 5, -30, 0, 5});
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(30.0f, 0.0f, 5.0f);
    p.feed(1000.0f);
    i32 st = 0;
    PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
    ASSERT_EQ(st, 0);
    opttest::counter_past(p.next);
    // Where the island's edge first comes within the tool's radius, and the
    // point 5 before it along the curve.
    f64 t = 0, back = 0;
    std::array<f64, 3> q = c.at(0);
    while (t < 1 && c.at(t)[0] - 5.0 > -11.0) t += 1e-5;
    for (q = c.at(t); back < 5.0 && t > 0; t -= 1e-5) {
        const auto r = c.at(t - 1e-5);
        back += std::hypot(r[0] - q[0], r[1] - q[1]);
        q = r;
    }
    i32 first = -1, last = -1, at_end = 0, lr = 0;
    optim_air_scan(first, last, at_end, lr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(lr, 1);
    std::vector<Move> curves;
    for (const Move& m : opttest::moves())
        if (m.type == 5) curves.push_back(m);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_LT(c.dist2(curves[0].p), 4e-6);  // on the curve (the block stores floats)
    EXPECT_NEAR(curves[0].p[0], q[0], 2.0f * stk_grid.cell);
    EXPECT_NEAR(curves[0].p[1], q[1], 2.0f * stk_grid.cell);
    EXPECT_EQ(curves[0].feed, 1000.0f);
    EXPECT_EQ(curves[1].feed, 1000.0f);
    EXPECT_NEAR(curves[1].p[0], -30.0f, 1e-4);
    EXPECT_EQ(last, curves[0].number);  // the air piece closes the run
    // The link puts rapids over the air piece; the rest cuts from its start.
    optim_air_link(first, last, 0, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m.back().type, 5);
    EXPECT_EQ(m.back().feed, 1000.0f);
    for (size_t k = 0; k + 1 < m.size(); ++k) EXPECT_NE(m[k].type, 5) << k;
    EXPECT_NEAR(m[m.size() - 2].p[0], curves[0].p[0], 1e-4);
    EXPECT_NEAR(m[m.size() - 2].p[2], 5.0f, 1e-4);
}

// The scan point set from outside (as the Z band does after a plunge it
// kept) is where the next move is measured from: a feed move down to the
// block, read as the first move, only places the cutter; measured from a
// point set 20 above it, it is a plunge from the air, cut at the safety
// distance above the stock.
TEST_F(AirCut, TheScanPointSetFromOutsideIsWhereTheNextMoveStarts)
{
    for (bool set : {false, true}) {
        SetUp();
        i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
        optim_air_scan(first, last, at_end, lr, st);  // the empty path: the scan starts afresh
        ASSERT_EQ(at_end, 1);
        Path p;
        p.tool(tool);
        p.feed(1000.0f);
        p.line(8.0f, 0.0f, -2.0f);
        p.line(20.0f, 0.0f, -2.0f);
        opttest::counter_past(p.next);
        i32 a = 0;
        lacces(2, a);
        const f32 above[3] = {8.0f, 0.0f, 20.0f};
        if (set) optim_air_point(above);
        first = 0, at_end = 0, lr = 0;
        optim_air_scan(first, last, at_end, lr, st);
        ASSERT_GE(st, 0);
        std::vector<f32> z;
        for (const Move& m : opttest::moves())
            if (m.p[0] == 8.0f) z.push_back(m.p[2]);
        if (set) {
            ASSERT_EQ(z.size(), 2u);
            EXPECT_FLOAT_EQ(z[0], 1.0f);
            EXPECT_FLOAT_EQ(z[1], -2.0f);
        } else {
            EXPECT_EQ(z, std::vector<f32>{-2.0f});
        }
    }
}

TEST_F(AirCut, RapidsAndMovesAnEarlierCutOfTheWalkClearedCountAsAirOfTheRun)
{
    // 0: cuts into the island along y -1 and back along y 1, then along y
    // 0 at 9 under the island's top of 10 (2 D, air since the cuts took the
    // stock), ending at a cut aside. 1: a cut, a rapid up of 15, a feed
    // move of 10 and a plunge from 20 cut at 11: 19 of air from the feed
    // moves, 34 with the rapid. 2: as 1 with the cut ramping up to 20
    // instead of the rapid: too short a run.
    for (i32 c : {0, 1, 2}) {
        SCOPED_TRACE(c);
        SetUp();
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(c == 0 ? -38.0f : -35.0f, c == 0 ? -1.0f : 0.0f, 5.0f);  // places the cutter
        p.feed(1000.0f);
        i32 cut = 0, back = 0;
        if (c == 0) {
            p.line(-12.0f, -1.0f, 5.0f);
            p.line(-12.0f, 1.0f, 5.0f);
            p.line(-38.0f, 1.0f, 5.0f);
            cut = p.line(-33.0f, 0.0f, 9.0f);  // still touching where the first cut started
            back = p.line(-13.0f, 0.0f, 9.0f);
            p.line(-13.0f, 10.0f, 5.0f);  // into the island's stock aside
        } else {
            cut = p.line(-20.0f, 0.0f, c == 1 ? 5.0f : 20.0f);
            if (c == 1) {
                p.feed(-1.0f);
                p.line(-20.0f, 0.0f, 20.0f);
                p.feed(1000.0f);
            }
            back = p.line(-10.0f, 0.0f, 20.0f);
            p.line(-10.0f, 0.0f, -2.0f);
        }
        p.line(-10.0f, 10.0f, -2.0f);
        opttest::counter_past(p.next);
        i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
        stk_image_select(0, st);
        optim_air_scan(first, last, at_end, lr, st);
        ASSERT_GE(st, 0);
        if (c == 2) {
            EXPECT_EQ(lr, 0);
            EXPECT_EQ(at_end, 1);
            continue;
        }
        EXPECT_EQ(lr, 1);
        EXPECT_EQ(at_end, 0);
        EXPECT_EQ(first, cut);
        EXPECT_GE(last, back);  // the move back, or the air piece of the plunge
    }
}

// A failing list access or write ends the scan with a failure: never
// taken for the list's end (where the stage closes a run still open by a
// retract that takes away every move after it) nor lost to the next read
// (where the move the split left whole is taken for its pieces). Refused:
// the n-th list access, n over the whole walk, on a path with a long air
// run and a cut after it; the split's write, with room in the list for n
// words until the scan goes through. A scan that reports no failure finds
// the run, ended by the cut after it (after a split, by the piece that
// cuts, the air piece ending 5 before the island).
TEST_F(AirCut, AFailedListAccessOrWriteEndsTheScanWithItsFailure)
{
    for (bool access : {true, false}) {
        SCOPED_TRACE(access ? "access" : "write");
        i32 failed = 0, done = 0;
        for (i32 n = access ? 1 : 0; n < 200 && (access || done == 0); ++n) {
            SetUp();
            heights(access ? 31.0f : 1000.0f);
            Path p;
            p.tool(tool);
            p.feed(-1.0f);
            p.line(access ? -35.0f : 30.0f, 0.0f, access ? 15.0f : 5.0f);
            p.feed(1000.0f);
            i32 cut = 0;
            if (access) {
                p.line(-35.0f, 0.0f, 5.0f);        // into the first island
                cut = p.line(-5.0f, 0.0f, 5.0f);   // out of it
                p.line(25.0f, 0.0f, 5.0f);         // in the air over the block
            }
            // Into the second island; or 30 in the air, then into the first.
            p.line(access ? 45.0f : -30.0f, 0.0f, 5.0f);
            p.line(access ? 45.0f : -30.0f, 10.0f, 5.0f);
            opttest::counter_past(p.next);
            if (access)
                norak::fail_list_call("lacces", n);
            else
                norak::settings().list_capacity = static_cast<i32>(norak::total_list_words()) + n;
            i32 first = -1, last = -1, at_end = 0, lr = 0, st = 0;
            stk_image_select(0, st);
            optim_air_scan(first, last, at_end, lr, st);
            norak::fail_list_call("lacces", 0);
            norak::settings().list_capacity = 64 * 1024 * 1024;
            if (st < 0) {
                ++failed;
                EXPECT_EQ(at_end, 1);
                continue;
            }
            ++done;
            EXPECT_EQ(lr, 1) << n;
            EXPECT_EQ(at_end, 0) << n;
            if (access) {
                EXPECT_EQ(first, cut) << n;
            }
            bool split = access;
            for (const Move& m : opttest::moves()) split = split || (m.number == last && std::fabs(m.p[0] + 1.0f) < 0.5f);
            EXPECT_TRUE(split) << "n = " << n;
        }
        EXPECT_GT(failed, 0);
        EXPECT_GT(done, 0);
    }
}

// A string of lines stays whole where the scan has no reason to take it
// apart: a rapid string, and a feed string that cuts over all its points.
// One that cuts and then runs 30 in the air before the second island is
// broken into its lines, and the air part linked. Every path: a rapid to
// 15, a rapid string down to the safety distance over the first island,
// the plunge into it and the feed string at z 5.
TEST_F(AirCut, AStringIsBrokenOnlyWhereARunOrACutNeedsItsPoints)
{
    using Pts = std::vector<std::array<f32, 3>>;
    struct Case {
        f32 island;  // the second island from here
        Pts string;
        bool whole;
    } cases[] = {
        {1000.0f, {{-35, 0, 5}, {-25, 0, 5}, {-15, 0, 5}}, true},
        {36.0f, {{-25, 0, 5}, {-5, 0, 5}, {25, 0, 5}}, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.whole);
        SetUp();
        heights(k.island);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(-50.0f, 0.0f, 15.0f);
        const i32 rapid = p.string({{-45, 0, 15}, {-45, 0, 11}});
        p.feed(1000.0f);
        p.line(-45.0f, 0.0f, 5.0f);
        const i32 feed = p.string(k.string);
        p.line(k.whole ? -15.0f : 45.0f, k.whole ? 5.0f : 0.0f, 5.0f);
        opttest::counter_past(p.next);
        stage();
        i32 rapid_points = 0, feed_points = 0;
        bool linked = false;
        for (const Move& m : opttest::moves()) {
            rapid_points += m.number == rapid && m.type == 7 ? 1 : 0;
            feed_points += m.number == feed && m.type == 7 ? 1 : 0;
            linked = linked || (m.feed < 0.0f && m.p[2] > 5.0f && m.p[0] > 0.0f);
        }
        EXPECT_EQ(rapid_points, 2);
        EXPECT_EQ(feed_points, k.whole ? 3 : 0);
        EXPECT_EQ(linked, !k.whole);
        EXPECT_EQ(air_found, k.whole ? 0 : 1);
    }
}

// A drilling cycle after a rapid (its activation, a drill location and a
// retract mode under the rapid feed) is passed over, not taken for a move
// without an end point that fails the stage; the run of air before it is
// left as it is, no link taking the drill location away.
TEST_F(AirCut, ACycleAfterARapidIsPassedOverAndNoLinkTakesItsDrillLocation)
{
    Path p;
    p.tool(tool);
    p.feed(-1.0f);
    p.line(-50.0f, 0.0f, 15.0f);
    p.line(-45.0f, 0.0f, 11.0f);
    p.feed(1000.0f);
    p.line(-45.0f, 0.0f, 5.0f);
    p.line(-5.0f, 0.0f, 5.0f);
    const i32 air = p.line(25.0f, 0.0f, 5.0f);  // 30 in the air
    p.feed(-1.0f);
    p.line(25.0f, 0.0f, 20.0f);
    i32 st = 0;
    const f32 z[3] = {0, 0, 1}, hole[3] = {25, 10, 0};
    PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, p.next++, st);
    const i32 drill = p.next;
    PTBT31(AM_LIST, hole, z, 0, p.next++, st);
    PTBT34(AM_LIST, 2, 0, p.next++, st);
    ASSERT_EQ(st, 0);
    p.line(-30.0f, 0.0f, 20.0f);
    p.feed(1000.0f);
    p.line(-30.0f, 0.0f, 5.0f);
    opttest::counter_past(p.next);
    stage();
    i32 drills = 0, kept = 0;
    for (const Move& m : opttest::moves()) {
        drills += m.number == drill && m.type == 31 ? 1 : 0;
        kept += m.number == air ? 1 : 0;
    }
    EXPECT_EQ(drills, 1);
    EXPECT_EQ(kept, 1);  // no link across the cycle
}

}  // namespace
