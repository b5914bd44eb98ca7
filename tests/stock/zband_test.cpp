// The Z-band stage: moves above the band cut at its limit and replaced by
// a link, a run that leaves and comes back at one XY removed without a
// jump, the default limit that finds nothing, and a cutting arc out of the
// XY plane that ends the run with a message naming its block; a refused list
// access that fails the stage and never takes the cuts after a run; a
// drilling cycle passed over, or ending the stage where a run would take
// it; the scan going on after a given move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "blocks/writers.h"
#include "stock/holder.h"
#include "stock/optedit.h"
#include "stock/zband.h"

namespace {

using opttest::Move;
using stocktest::Path;

struct ZBand : ::testing::Test {
    i32 tool = 0;
    Path p;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        CMPBLK[CMP_ZRANGE] = 2;
        CMPBLK[CMP_ZHIGH] = r2wrd(3.0f);
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        CMPBLK[CMP_CHANGED] = 0;
        opttest::machine();
        rapid_top = 4.0f;
        tool = opttest::tool("BANDER", 6.0f, 0.0f, 20.0f, 30.0f, {});
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-20, -20, 60, 20), 0);
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        i32 flag = 0, st = 0;
        optim_holder_images(tool, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        p = Path{};
        p.tool(tool);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 10.0f);
        p.feed(500.0f);
        p.line(0.0f, 0.0f, 0.0f);
    }
    // Takes the opening cut to (0, 0, 0) off again: the path is the tool,
    // the rapid to (0, 0, 10) and the feed 500 that follows.
    void rapid_start()
    {
        norak::main_list().elems.pop_back();
        i32 a = 0;
        lacces(3, a);
        --p.next;
    }
    i32 stage()
    {
        opttest::counter_past(p.next);
        i32 st = 0;
        optim_zband_stage(st);
        return st;
    }
};

// The moves out and back as lines or as one string of lines; the traverse
// runs at the clearance height, never below the run's top (8), and the
// approach comes down onto the run's end from the safety distance over it:
// word 1, or for a word of 0 the distance the tool gives (clear length 30
// less cut length 20).
TEST_F(ZBand, MovesAboveTheBandAreCutAtItsLimitAndRelinked)
{
    struct Case {
        bool string;
        f32 word, clear, traverse, approach;
    } cases[] = {{false, 1.0f, 4.0f, 8.0f, 4.0f}, {true, 1.0f, 4.0f, 8.0f, 4.0f}, {false, 0.0f, 20.0f, 20.0f, 13.0f}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.string);
        SCOPED_TRACE(k.word);
        SetUp();
        CMPBLK[CMP_SAFETY] = r2wrd(k.word);
        HEI8[0] = r2wrd(k.clear);
        p.line(10.0f, 0.0f, 0.0f);
        // out through z 3 at x 11.875, back through it at x 28.125
        if (k.string) {
            p.string({{15.0f, 0.0f, 8.0f}, {25.0f, 0.0f, 8.0f}, {30.0f, 0.0f, 0.0f}});
        } else {
            p.line(15.0f, 0.0f, 8.0f);
            p.line(25.0f, 0.0f, 8.0f);
            p.line(30.0f, 0.0f, 0.0f);
        }
        p.line(40.0f, 0.0f, 0.0f);
        ASSERT_EQ(stage(), 0);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
        bool in = false, back = false;
        const std::vector<Move> m = opttest::moves();
        for (size_t j = 0; j < m.size(); ++j) {
            if (m[j].feed > 0.0f) {
                EXPECT_LE(m[j].p[2], 3.0f + 1e-4f) << m[j].number;
            }
            if (std::fabs(m[j].p[0] - 11.875f) < 1e-3f && m[j].p[2] == 3.0f && m[j].feed > 0.0f) in = true;
            if (j > 1 && std::fabs(m[j].p[0] - 28.125f) < 1e-3f && m[j].p[2] == 3.0f) {
                back = true;
                EXPECT_NEAR(m[j - 1].p[0], 28.125f, 1e-3f);
                EXPECT_FLOAT_EQ(m[j - 1].p[2], k.approach);
                EXPECT_FLOAT_EQ(m[j - 2].p[2], k.traverse);
            }
        }
        EXPECT_TRUE(in);
        EXPECT_TRUE(back);
        EXPECT_EQ(m.back().p[0], 40.0f);
    }
}

// A run that opens right after a rapid, or after a move of feed 0, inside
// the path: only the run goes, linked from the move before it; the cuts
// before it stay.
TEST_F(ZBand, ARunAfterARapidOrAMoveOfFeedZeroKeepsTheCutsBeforeIt)
{
    for (bool rapid : {true, false}) {
        SCOPED_TRACE(rapid);
        SetUp();
        p.line(10.0f, 0.0f, 0.0f);
        if (rapid) {
            p.feed(-1.0f);
            p.line(10.0f, 0.0f, 10.0f);
            p.line(20.0f, 0.0f, 10.0f);
            p.feed(500.0f);
        } else {
            p.feed(0.0f);
        }
        p.line(25.0f, 0.0f, 8.0f);
        p.line(30.0f, 0.0f, 0.0f);  // back through z 3 at x 28.125
        p.line(40.0f, 0.0f, 0.0f);
        ASSERT_EQ(stage(), 0);
        bool start = false, cut = false, back = false;
        for (const Move& m : opttest::moves()) {
            if (m.feed >= 0.0f) {
                EXPECT_LE(m.p[2], 3.0f + 1e-4f) << m.number;
            }
            if (m.p[0] == 0.0f && m.p[2] == 0.0f) start = true;
            if (m.p[0] == 10.0f && m.p[2] == 0.0f) cut = true;
            if (std::fabs(m.p[0] - 28.125f) < 1e-3f && m.p[2] == 3.0f) back = true;
        }
        EXPECT_TRUE(start);
        EXPECT_TRUE(cut);
        EXPECT_TRUE(back);
        EXPECT_EQ(opttest::moves().back().p[0], 40.0f);
    }
}

TEST_F(ZBand, ACurveThatLeavesTheBandIsCutWhereItsZReachesTheLimitAndRelinked)
{
    // A cubic from (0, 0, 0) to (30, 0, 0) with z = 32 t (1 - t) and x = 30 t:
    // above the limit 3 between t = (1 - sqrt(5/8)) / 2 and 1 - that.
    const f64 z = 32.0 / 3.0;
    const opttest::Cubic c({0, 0, 0, 10, 0, z, 20, 0, z, 30, 0, 0});
    i32 st = 0;
    PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
    ASSERT_EQ(st, 0);
    p.line(40.0f, 0.0f, 0.0f);
    ASSERT_EQ(stage(), 0);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    const f64 t1 = (1.0 - std::sqrt(0.625)) / 2.0;
    std::vector<Move> curves;
    bool back = false;
    for (const Move& m : opttest::moves()) {
        if (m.feed > 0.0f) {
            EXPECT_LE(m.p[2], 3.0f + 1e-3f) << m.number;
        }
        if (m.type == 5) curves.push_back(m);
        // The link comes down onto the curve where it re-enters the band.
        if (std::fabs(m.p[0] - 30.0 * (1.0 - t1)) < 1e-2 && std::fabs(m.p[2] - 3.0f) < 1e-3f) back = true;
    }
    EXPECT_TRUE(back);
    ASSERT_EQ(curves.size(), 2u);  // the piece above the band is gone
    EXPECT_GT(curves[0].feed, 0.0f);
    EXPECT_GT(curves[1].feed, 0.0f);
    EXPECT_NEAR(curves[0].p[2], 3.0f, 1e-3f);
    EXPECT_NEAR(curves[0].p[0], 30.0 * t1, 1e-2);
    EXPECT_LT(c.dist2(curves[0].p), 4e-6);
    EXPECT_NEAR(curves[1].p[0], 30.0f, 1e-4f);
    EXPECT_NEAR(curves[1].p[2], 0.0f, 1e-4f);
}

TEST(PointAtZ, ThePointOfASegmentAtAHeightIsInterpolatedAndAtThatHeight)
{
    const f64 P[3] = {0, 2, 1}, Q[3] = {4, -2, 5};
    f64 R[3] = {-1, -1, -1};
    optim_pt_at_z(P, Q, 2.0, R);
    EXPECT_DOUBLE_EQ(R[0], 1.0);
    EXPECT_DOUBLE_EQ(R[1], 1.0);
    EXPECT_DOUBLE_EQ(R[2], 2.0);
}

TEST_F(ZBand, AMoveThatDoesNotReachBothLevelsInTurnIsNotCut)
{
    // Going up from z 0 to 8: 3 then -2 is the wrong order, 9 is never reached.
    const f32 P[3] = {0, 0, 0};
    f32 Q[3] = {10, 0, 8};
    i32 piece = 7, st = 0;
    for (const std::pair<f32, f32>& levels : {std::pair<f32, f32>{3.0f, -2.0f}, {9.0f, 8.0f}, {-1.0f, 8.0f}}) {
        optim_zband_clip(P, Q, levels.first, levels.second, piece, st);
        EXPECT_EQ(st, -1) << levels.first;
    }
    EXPECT_EQ(Q[0], 10.0f);
    EXPECT_EQ(Q[2], 8.0f);
    EXPECT_EQ(piece, 7);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 0);
}

TEST_F(ZBand, ARunThatComesBackAtItsOwnXYIsRemovedWithoutAJump)
{
    p.line(5.0f, 0.0f, 0.0f);
    p.line(5.0f, 0.0f, 8.0f);
    p.line(9.0f, 0.0f, 8.0f);
    p.line(5.0f, 0.0f, 8.0f);
    p.line(5.0f, 0.0f, -1.0f);
    p.line(12.0f, 0.0f, -1.0f);
    ASSERT_EQ(stage(), 0);
    const std::vector<Move> m = opttest::moves();
    for (const Move& k : m) {
        EXPECT_NE(k.p[0], 9.0f);
        EXPECT_LE(k.p[2], 10.0f);
    }
    // From the limit straight down where the run began and ended.
    bool plunge = false;
    for (size_t k = 1; k < m.size(); ++k)
        if (m[k].p[0] == 5.0f && m[k].p[2] == -1.0f) plunge = m[k - 1].p[0] == 5.0f && m[k - 1].p[2] >= 3.0f - 1e-4f;
    EXPECT_TRUE(plunge);
}

TEST_F(ZBand, ARunBelowTheBandStaysOnTheLowerLimitWhenShortOrAskedAndIsLinkedOtherwise)
{
    // Lower limit -2; runs of XY length 6 (within twice the tool's 6) and
    // 14 (beyond it), the floor mode 1 and then 2; a run still open at the
    // path's end stays only under floor mode 2 itself, short or not, and is
    // otherwise taken out for a retract from where it began.
    struct Case {
        f32 reach;
        i32 floor;
        bool open_end, stays;
    } cases[] = {{2.0f, 1, false, true}, {6.0f, 1, false, false}, {6.0f, 2, false, true},
                 {2.0f, 2, true, true},  {2.0f, 1, true, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.open_end);
        SetUp();
        CMPBLK[CMP_ZRANGE] = 3;
        CMPBLK[CMP_ZLOW] = r2wrd(-2.0f);
        CMPBLK[CMP_ZCHOICE] = k.floor;
        p.line(2.0f * k.reach, 0.0f, -4.0f);
        p.line(2.0f * k.reach + 2.0f, 0.0f, -4.0f);
        if (!k.open_end) p.line(4.0f * k.reach + 2.0f, 0.0f, 0.0f);
        ASSERT_EQ(stage(), 0);
        EXPECT_EQ(CMPBLK[CMP_ZCHOICE], k.floor);
        bool kept = false;
        const std::vector<Move> m = opttest::moves();
        for (const Move& j : m) {
            EXPECT_GE(j.p[2], -2.0f - 1e-4f);
            if (j.p[0] == 2.0f * k.reach && j.feed > 0.0f) kept = j.p[2] == -2.0f;
        }
        EXPECT_EQ(kept, k.stays) << k.reach << " " << k.floor;
        if (k.open_end && !k.stays) {
            EXPECT_LT(m.back().feed, 0.0f);  // the retract from the limit at x = reach
            EXPECT_EQ(m.back().p[0], k.reach);
        }
    }
}

TEST_F(ZBand, TheDefaultUpperLimitFindsNothingAndOnlyACuttingArcOutOfTheXYPlaneEndsTheRun)
{
    CMPBLK[CMP_ZHIGH] = r2wrd(99999.99f);
    p.line(10.0f, 0.0f, 50.0f);
    p.string({{12.0f, 0.0f, 40.0f}, {14.0f, 0.0f, 30.0f}});  // a string stays whole
    const auto before = opttest::snapshot();
    ASSERT_EQ(stage(), 0);
    EXPECT_EQ(opttest::snapshot(), before);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 0);

    SetUp();
    const i32 arc = p.arc(2, f32(M_PI), 5.0f, 0.0f, 10.0f, 0.0f, 0.0f);
    EXPECT_EQ(stage(), -1);
    EXPECT_TRUE(norak::transcript_has(std::to_string(arc))) << arc;

    // Only a cutting arc out of the XY plane ends it: a cutting arc in the
    // XY plane above the band is part of the run cut away, and a rapid arc
    // out of the plane only carries the scan point.
    for (bool rapid : {false, true}) {
        SCOPED_TRACE(rapid);
        SetUp();
        p.line(10.0f, 0.0f, 8.0f);
        if (rapid) p.feed(-1.0f);
        p.arc(rapid ? 2 : 1, f32(M_PI), 15.0f, rapid ? 8.0f : 0.0f, 20.0f, 0.0f, 8.0f);
        if (rapid) p.feed(500.0f);
        p.line(30.0f, 0.0f, 0.0f);
        EXPECT_EQ(stage(), 0);
        EXPECT_FALSE(norak::transcript_has("Z BAND:"));
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    }
}

}  // namespace

namespace {

TEST_F(ZBand, InBothModesARapidBeyondTheOtherLimitMakesAShortRunBelowOneToLink)
{
    // Band -2 .. 3; a short run below it (kept on the limit alone) holds a
    // rapid up beyond the upper limit followed by a feed move: the run is
    // one above the band and linked instead.
    for (bool rapid : {false, true}) {
        SetUp();
        CMPBLK[CMP_ZRANGE] = 4;
        CMPBLK[CMP_ZLOW] = r2wrd(-2.0f);
        p.line(4.0f, 0.0f, -4.0f);
        if (rapid) {
            p.feed(-1.0f);
            p.line(4.0f, 0.0f, 6.0f);
            p.feed(500.0f);
            p.line(5.0f, 0.0f, 6.0f);
            p.feed(-1.0f);
            p.line(5.0f, 0.0f, -4.0f);
            p.feed(500.0f);
        }
        p.line(6.0f, 0.0f, -4.0f);
        p.line(10.0f, 0.0f, 0.0f);
        ASSERT_EQ(stage(), 0);
        bool kept = false;
        for (const Move& m : opttest::moves())
            if (m.p[0] == 6.0f && m.feed > 0.0f) kept = m.p[2] == -2.0f;
        EXPECT_EQ(kept, !rapid);
    }
}

TEST_F(ZBand, InBothModesAMoveThroughTheBandIsCutAtBothLimitsAndKeepsItsPieceInside)
{
    // Band -2 .. 3; a feed move from z 8 down to z -7 over x 10 .. 25 meets
    // the upper limit at x 15 and the lower limit at x 20.
    CMPBLK[CMP_ZRANGE] = 4;
    CMPBLK[CMP_ZLOW] = r2wrd(-2.0f);
    p.line(5.0f, 0.0f, 0.0f);
    p.line(10.0f, 0.0f, 8.0f);  // out through z 3 at x 6.875
    p.line(25.0f, 0.0f, -7.0f);
    p.line(40.0f, 0.0f, -7.0f);
    p.line(45.0f, 0.0f, 0.0f);  // back through z -2 at x 43.57
    ASSERT_EQ(stage(), 0);
    bool inside = false;
    for (const Move& m : opttest::moves()) {
        if (m.feed <= 0.0f) continue;
        EXPECT_LE(m.p[2], 3.0f + 1e-4f) << m.number;
        EXPECT_GE(m.p[2], -2.0f - 1e-4f) << m.number;
        // The piece through the band, from the upper limit to the lower.
        if (std::fabs(m.p[0] - 20.0f) < 1e-3f && std::fabs(m.p[2] + 2.0f) < 1e-4f) inside = true;
    }
    EXPECT_TRUE(inside);
    const std::vector<Move> m = opttest::moves();
    bool from_upper = false;
    for (size_t k = 1; k < m.size(); ++k)
        if (std::fabs(m[k].p[0] - 20.0f) < 1e-3f && m[k].feed > 0.0f)
            from_upper = std::fabs(m[k - 1].p[0] - 15.0f) < 1e-3f && std::fabs(m[k - 1].p[2] - 3.0f) < 1e-4f;
    EXPECT_TRUE(from_upper);
}

TEST_F(ZBand, InBothModesACurveThroughTheBandIsCutAtBothLimitsAndKeepsItsPieceInside)
{
    // The road above with the move through the band a straight cubic from
    // (10, 0, 8) to (25, 0, -7), whose polyline steps 15/19 in Z: in the
    // band -2 .. 3 a polyline point lies on the lower limit; in the band
    // -0.5 .. 0 one segment crosses both limits. The piece inside stays,
    // from the upper limit to the lower one (x = 18 - lower).
    for (const std::pair<f32, f32>& band : {std::pair<f32, f32>{3.0f, -2.0f}, {0.0f, -0.5f}}) {
        SCOPED_TRACE(band.first);
        SetUp();
        CMPBLK[CMP_ZRANGE] = 4;
        CMPBLK[CMP_ZHIGH] = r2wrd(band.first);
        CMPBLK[CMP_ZLOW] = r2wrd(band.second);
        p.line(5.0f, 0.0f, 0.0f);
        p.line(10.0f, 0.0f, 8.0f);
        const opttest::Cubic c({10, 0, 8, 15, 0, 3, 20, 0, -2, 25, 0, -7});
        i32 st = 0;
        PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
        ASSERT_EQ(st, 0);
        p.line(40.0f, 0.0f, -7.0f);
        p.line(45.0f, 0.0f, 0.0f);
        ASSERT_EQ(stage(), 0);
        std::vector<Move> inside;
        for (const Move& m : opttest::moves()) {
            if (m.feed <= 0.0f) continue;
            EXPECT_LE(m.p[2], band.first + 1e-3f) << m.number;
            EXPECT_GE(m.p[2], band.second - 1e-3f) << m.number;
            if (m.type == 5) inside.push_back(m);
        }
        ASSERT_EQ(inside.size(), 1u);
        EXPECT_NEAR(inside[0].p[0], 18.0f - band.second, 1e-2f);
        EXPECT_NEAR(inside[0].p[2], band.second, 1e-3f);
    }
}

TEST_F(ZBand, ARunEndingStraightAboveItsStartPlungesToTheMoveBelowAndTheFeedAfterItIsBack)
{
    // S (5, 0, 0), the run's end straight above it, the move after it down to
    // z -3 and a cut at 500 from there: from a run ending at z 4 the tool
    // drops by rapid to S.z + 1 and plunges; from one ending at 0.5 (within
    // the safety distance 1) the move down runs at the plunge feed. Either
    // way the cut after it runs at its own feed again.
    for (f32 top : {4.0f, 0.5f}) {
        SCOPED_TRACE(top);
        SetUp();
        const i32 first = p.line(5.0f, 0.0f, 0.0f);
        const i32 last = p.line(5.0f, 0.0f, top);
        p.line(5.0f, 0.0f, -3.0f);
        p.line(12.0f, 0.0f, -3.0f);
        opttest::counter_past(p.next);
        f32 safety = 1.0f, length = 100.0f;
        i32 st = 0;
        optim_zband_link(first, last, 0, safety, 2, length, st);
        ASSERT_EQ(st, 0);
        const std::vector<Move> m = opttest::moves();
        ASSERT_GE(m.size(), 2u);
        const Move& down = m[m.size() - 2];
        EXPECT_EQ(down.p[2], -3.0f);
        EXPECT_EQ(down.feed, 200.0f);
        EXPECT_EQ(m.back().p[0], 12.0f);
        EXPECT_EQ(m.back().feed, 500.0f);
    }
    // A deletion refused anywhere in the link (the n-th): the link fails with
    // the move down still there once, and no plunge written beside it.
    i32 refused = 0;
    for (i32 n = 1; n < 40; ++n) {
        SetUp();
        const i32 first = p.line(5.0f, 0.0f, 0.0f);
        const i32 last = p.line(5.0f, 0.0f, 4.0f);
        p.line(5.0f, 0.0f, -3.0f);
        p.line(12.0f, 0.0f, -3.0f);
        opttest::counter_past(p.next);
        f32 safety = 1.0f, length = 100.0f;
        i32 st = 0;
        norak::fail_list_call("ldelet", n);
        optim_zband_link(first, last, 0, safety, 2, length, st);
        const bool hit = norak::transcript_has("ldelet refused");
        norak::fail_list_call("ldelet", 0);
        const std::vector<Move> m = opttest::moves();
        EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const Move& k) { return k.p[0] == 5.0f && k.p[2] == -3.0f; }), 1)
            << "n = " << n;
        refused += st < 0 ? 1 : 0;
        if (!hit && st == 0) break;
    }
    EXPECT_GT(refused, 0);
    // With a move kept over S before the move down: a list access refused
    // anywhere in the link (the n-th) fails it or leaves the path as the
    // whole link does, and a line after the run that cannot be read fails
    // it; the move down and the cut after it stay once either way. A failed
    // search taken for the path's end left the moves over S taken out and
    // no rapid for them, and an unread line was taken for a move leaving S.
    i32 first = 0, last = 0;
    auto build = [&](bool damaged) {
        SetUp();
        first = p.line(5.0f, 0.0f, 0.0f);
        last = p.line(5.0f, 0.0f, 4.0f);
        p.line(5.0f, 0.0f, 2.0f);
        if (damaged) p.raw({2, p.next++, r2wrd(5.0f), r2wrd(0.0f)});  // a line without its Z
        p.line(5.0f, 0.0f, -3.0f);
        p.line(12.0f, 0.0f, -3.0f);
        opttest::counter_past(p.next);
    };
    auto link = [&] {
        f32 safety = 1.0f, length = 100.0f;
        i32 st = 0;
        optim_zband_link(first, last, 0, safety, 2, length, st);
        return st;
    };
    auto kept = [](const std::vector<Move>& m) {
        EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const Move& k) { return k.p[0] == 5.0f && k.p[2] == -3.0f; }), 1);
        EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const Move& k) { return k.p[0] == 12.0f; }), 1);
    };
    auto words = [](const std::vector<Move>& m) {
        std::vector<std::vector<f32>> w;
        for (const Move& k : m) w.push_back({f32(k.number), k.p[0], k.p[1], k.p[2], k.feed});
        return w;
    };
    build(true);
    EXPECT_LT(link(), 0);
    kept(opttest::moves());
    build(false);
    ASSERT_EQ(link(), 0);
    const auto whole = words(opttest::moves());
    refused = 0;
    for (i32 n = 1; n < 200; ++n) {
        SCOPED_TRACE(n);
        build(false);
        norak::fail_list_call("lacces", n);
        const i32 st = link();
        const bool hit = norak::transcript_has("lacces refused");
        norak::fail_list_call("lacces", 0);
        const std::vector<Move> m = opttest::moves();
        kept(m);
        if (st >= 0) {
            EXPECT_EQ(words(m), whole);
        }
        refused += st < 0 ? 1 : 0;
        if (!hit) break;
    }
    EXPECT_GT(refused, 0);
}

// Runs that touch the path's end: left open after a cut at the limit
// (x 3.75) it is removed and the tool retracts from there to the link
// clearance (4); a path whose every feed move is above the band loses them
// all for one rapid to where it ended, with host message 10 of 339.
TEST_F(ZBand, ARunToThePathsEndIsRetractedAndAWholePathOutOfTheBandBecomesOneRapid)
{
    for (bool whole : {false, true}) {
        SetUp();
        HEI8[76] = 1;
        if (whole) {
            rapid_start();
            p.line(10.0f, 0.0f, 8.0f);
        } else {
            p.line(10.0f, 0.0f, 8.0f);
        }
        p.line(20.0f, 0.0f, 8.0f);
        ASSERT_EQ(stage(), 0) << whole;
        const std::vector<Move> m = opttest::moves();
        ASSERT_FALSE(m.empty());
        for (const Move& k : m) {
            if (k.feed > 0.0f) {
                EXPECT_LE(k.p[2], 3.0f + 1e-4f) << whole;
            }
        }
        EXPECT_LT(m.back().feed, 0.0f) << whole;
        if (whole) {
            EXPECT_EQ(m.back().p[0], 20.0f);
            EXPECT_EQ(m.back().p[2], 8.0f);
            EXPECT_TRUE(norak::transcript_has("339/10"));
            // The rapid stands between a start and an end marker.
            std::vector<i32> markers;
            for (const auto& e : norak::main_list().elems)
                if (e.words.size() > 2 && e.words[0] == BT_MARKER) markers.push_back(e.words[2]);
            EXPECT_EQ(markers, (std::vector<i32>{3, 4}));
        } else {
            EXPECT_NEAR(m.back().p[0], 3.75f, 1e-4f);
            EXPECT_EQ(m.back().p[2], 4.0f);
        }
    }
    // A run from the path's start that comes back onto the limit with the
    // path's last move: the tool comes down from the clearance level onto
    // where the run ended, at the list's end.
    SetUp();
    rapid_start();
    p.line(10.0f, 0.0f, 8.0f);
    p.line(20.0f, 0.0f, 3.0f);
    ASSERT_EQ(stage(), 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m.front().p[0], 20.0f);
    EXPECT_EQ(m.front().p[2], 4.0f);  // the clearance height
    EXPECT_EQ(m.back().p[0], 20.0f);
    EXPECT_EQ(m.back().p[2], 3.0f);
}

// Both sides: a run below the band that a rapid takes above it comes back
// onto the upper limit straight above where it left the lower one. The move
// after it, still over that XY, goes with the run, and the tool rises by
// rapid to where that move ended before the cut that leaves the XY.
TEST_F(ZBand, InBothModesARunEndingStraightAboveItsStartTakesTheMovesOverItAndRisesToTheLastOne)
{
    CMPBLK[CMP_ZRANGE] = 4;
    CMPBLK[CMP_ZLOW] = r2wrd(-2.0f);
    p.line(5.0f, 0.0f, 0.0f);
    p.line(5.0f, 0.0f, -4.0f);  // out through the lower limit at (5, 0, -2)
    p.line(6.0f, 0.0f, -4.0f);
    p.feed(-1.0f);
    p.line(6.0f, 0.0f, 6.0f);
    p.feed(500.0f);
    p.line(5.0f, 0.0f, 6.0f);
    p.line(5.0f, 0.0f, 0.0f);  // back through the upper limit at (5, 0, 3)
    p.line(12.0f, 0.0f, 0.0f);
    ASSERT_EQ(stage(), 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_GE(m.size(), 3u);
    for (const Move& k : m) {
        if (k.feed > 0.0f) {
            EXPECT_LE(k.p[2], 3.0f + 1e-4f) << k.number;
            EXPECT_GE(k.p[2], -2.0f - 1e-4f) << k.number;
        }
        EXPECT_NE(k.p[0], 6.0f) << k.number;
    }
    const Move &s = m[m.size() - 3], &up = m[m.size() - 2], &cut = m.back();
    EXPECT_EQ(s.p[0], 5.0f);
    EXPECT_EQ(s.p[2], -2.0f);
    EXPECT_EQ(up.p[0], 5.0f);
    EXPECT_EQ(up.p[2], 0.0f);
    EXPECT_LT(up.feed, 0.0f);
    EXPECT_EQ(cut.p[0], 12.0f);
    EXPECT_EQ(cut.feed, 500.0f);
}

// A list access refused at any place of the stage (the n-th, n over the
// whole stage), or of the link of the run alone, with the run out of the
// band in the middle of the path: the stage or the link fails, or goes
// through with the run relinked (no feed move left above the band); either
// way the cuts after the run stay. Taken for the list's end, a refusal
// while the run is open left a retract from its start that took every move
// after it away, and one in the walk over the run's moves a link written
// over moves never removed.
TEST_F(ZBand, ARefusedListAccessFailsTheStageAndKeepsTheCutsAfterTheRun)
{
    for (bool link : {false, true}) {
        SCOPED_TRACE(link ? "link" : "stage");
        i32 refused = 0, done = 0;
        for (i32 n = 1; n < 2000 && done == 0; ++n) {
            SetUp();
            p.line(10.0f, 0.0f, 0.0f);
            p.line(15.0f, 0.0f, 8.0f);
            p.line(25.0f, 0.0f, 8.0f);
            p.line(30.0f, 0.0f, 0.0f);
            const i32 a = p.line(40.0f, 0.0f, 0.0f), b = p.line(50.0f, 0.0f, 0.0f);
            opttest::counter_past(p.next);
            i32 first = -1, last = 0, side = 0, at_end = 0, st = 0;
            f32 length = 0, safety = 1.0f;
            if (link) {
                optim_zband_scan(first, last, side, length, at_end, st);
                ASSERT_EQ(st, 0);
                ASSERT_EQ(at_end, 0);
            }
            norak::fail_list_call("lacces", n);
            if (link)
                optim_zband_link(first, last, 0, safety, side, length, st);
            else
                st = stage();
            const bool hit = norak::transcript_has("lacces refused");
            norak::fail_list_call("lacces", 0);
            const std::vector<Move> m = opttest::moves();
            for (i32 c : {a, b}) {
                EXPECT_EQ(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == c; }), 1)
                    << "n = " << n << ", cut " << c;
            }
            if (st < 0) {
                ++refused;
                continue;
            }
            EXPECT_EQ(st, 0) << n;
            done += hit ? 0 : 1;
            for (const Move& k : m) {
                if (k.feed > 0.0f) {
                    EXPECT_LE(k.p[2], 3.0f + 1e-4f) << "n = " << n << ", block " << k.number;
                }
            }
        }
        EXPECT_GT(refused, 5);
        EXPECT_GT(done, 0);
    }
}

// A drilling cycle (its activation, a drill location, a retract mode) is
// passed over where no run takes it out: after a rapid, before a run that
// is then relinked as in a path without it. Inside a run out of the band
// the stage stops with a message, the path as it was: the link would take
// the cycle out with the run.
TEST_F(ZBand, ACycleIsPassedOverAndARunThatWouldTakeItOutEndsTheStage)
{
    for (bool inside : {false, true}) {
        SCOPED_TRACE(inside);
        SetUp();
        p.line(10.0f, 0.0f, 0.0f);
        auto cycle = [&]() {
            i32 st = 0;
            const f32 z[3] = {0, 0, 1}, hole[3] = {10, 10, 0};
            PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, p.next++, st);
            const i32 drill = p.next;
            PTBT31(AM_LIST, hole, z, 0, p.next++, st);
            PTBT34(AM_LIST, 2, 0, p.next++, st);
            EXPECT_EQ(st, 0);
            return drill;
        };
        i32 drill = 0;
        if (inside) {
            p.line(15.0f, 0.0f, 8.0f);
            drill = cycle();
            p.line(20.0f, 0.0f, 8.0f);
        } else {
            p.feed(-1.0f);
            p.line(10.0f, 0.0f, 2.0f);
            drill = cycle();
            p.line(12.0f, 0.0f, 2.0f);
            p.feed(500.0f);
            p.line(15.0f, 0.0f, 2.0f);
            p.line(20.0f, 0.0f, 8.0f);
        }
        p.line(25.0f, 0.0f, 8.0f);
        p.line(30.0f, 0.0f, 0.0f);
        const i32 last = p.line(40.0f, 0.0f, 0.0f);
        opttest::counter_past(p.next);
        const std::vector<Move> before = opttest::moves();
        if (inside) {
            // Only the move out of the band was cut at its limit, as the
            // scan cuts on its way: every move's end is still there.
            EXPECT_EQ(stage(), -1);
            EXPECT_TRUE(norak::transcript_has("Z BAND: A CYCLE WITHIN A RUN OUT OF THE BAND ENDS THE OPTIMIZER"));
            const std::vector<Move> m = opttest::moves();
            for (const Move& b : before)
                EXPECT_EQ(std::count_if(m.begin(), m.end(),
                                        [&](const Move& k) {
                                            return k.type == b.type && k.p[0] == b.p[0] && k.p[1] == b.p[1] &&
                                                   k.p[2] == b.p[2];
                                        }),
                          1)
                    << b.number;
            continue;
        }
        ASSERT_EQ(stage(), 0);
        const std::vector<Move> m = opttest::moves();
        i32 drills = 0;
        for (const Move& k : m) {
            drills += k.number == drill && k.type == 31 ? 1 : 0;
            if (k.feed > 0.0f) {
                EXPECT_LE(k.p[2], 3.0f + 1e-4f) << k.number;
            }
        }
        EXPECT_EQ(drills, 1);
        ASSERT_FALSE(m.empty());
        EXPECT_EQ(m.back().number, last);
    }
}

// The scan goes on after the move it is given, from that move's end: after
// a first scan has found the first of two runs, a scan after the move
// before that run finds it again, and one after the run's last move the
// second; 0 is no move to go on after.
TEST_F(ZBand, TheScanGoesOnAfterTheMoveItIsGiven)
{
    p.line(10.0f, 0.0f, 0.0f);
    p.line(15.0f, 0.0f, 8.0f);
    p.line(20.0f, 0.0f, 0.0f);
    p.line(30.0f, 0.0f, 0.0f);
    p.line(35.0f, 0.0f, 8.0f);
    p.line(40.0f, 0.0f, 0.0f);
    opttest::counter_past(p.next);
    i32 first = -1, last = 0, side = 0, at_end = 0, st = 0;
    f32 length = 0;
    optim_zband_scan(first, last, side, length, at_end, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(at_end, 0);
    const i32 before = first, one = last;
    const f32 once = length;
    optim_zband_scan(first, last, side, length, at_end, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(first, before);
    EXPECT_EQ(last, one);
    EXPECT_FLOAT_EQ(length, once);
    first = one;
    optim_zband_scan(first, last, side, length, at_end, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(at_end, 0);
    EXPECT_NE(first, before);
    EXPECT_NE(last, one);
    EXPECT_FLOAT_EQ(length, once);  // the same shape 20 on
    first = 0;
    optim_zband_scan(first, last, side, length, at_end, st);
    EXPECT_EQ(st, -1);
}

}  // namespace
