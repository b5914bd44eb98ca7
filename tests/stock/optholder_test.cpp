// The holder stage on a slot along a stock wall that only the holder
// reaches: the report of mode 2 (the path unchanged, the section's reach
// and the length the tool would need), and the contact stretch of mode 3
// cut at the borders worked out analytically and rebuilt as a link (also
// when a narrower section lies beside the grid); gaps
// shorter than 1.5 tool diameters closed, longer ones kept; an arc and a
// curve cut where the holder reaches the wall; the stock left uncut under
// a stretch the tool leaves; the stretch
// machined last by a longer tool of the library or a lengthened copy (mode
// 4), or by the tools of the tool rows pass by pass (mode 5); a refused list
// access that fails the stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "blocks/writers.h"
#include "stock/holder.h"
#include "stock/optedit.h"
#include "stock/optholder.h"
#include "stock/stkrun.h"
#include "tools/toollib.h"

namespace {

using opttest::Move;
using stocktest::Path;

struct HolderStage : ::testing::Test {
    i32 tool = 0;
    void SetUp() override { fresh({{30.0f, 50.0f}}); }
    // A D6 end mill, clear length 20, one holder section of D20 from 20 up:
    // widened by 20 % to 24 (radius 12), lifted by 20 - 1 over the tip.
    // Stock top 0; walls of 30 over the x ranges given, y 8 to 30.
    // middle: writes the moves of the slot between its start at x 0 and
    // its straight end to x 110 (none: one straight slot). The grid from y
    // from_y; the holder's steps as given.
    void fresh(const std::vector<std::pair<f32, f32>>& walls, const std::function<void(Path&)>& middle = {},
               f32 from_y = -40.0f, const std::vector<opttest::Step>& holder = {{20, 20, 0, 30}})
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        CMPBLK[CMP_HOLDER] = 2;
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        opttest::machine();
        rapid_top = 4.0f;
        tool = opttest::tool("HOLDEN", 6.0f, 0.0f, 15.0f, 20.0f, holder);
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-20, from_y, 120, 40), 0);
        StkCell* c = stk_cells();
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                f32 h = 0.0f;
                for (const auto& w : walls)
                    if (x >= w.first && x <= w.second && y >= 8.0 && y <= 30.0) h = 30.0f;
                c[j * stk_grid.nx + i].h1 = h;
            }
        i32 st = 0;
        stk_tool_image(0, 6.0f, 0.0f, 15.0f, 0.0f, st);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(0.0f, 0.0f, 5.0f);
        p.feed(1000.0f);
        p.line(0.0f, 0.0f, -1.0f);
        if (middle) middle(p);
        p.line(110.0f, 0.0f, -1.0f);
        p.feed(-1.0f);
        p.line(110.0f, 0.0f, 5.0f);
        opttest::counter_past(p.next);
    }
    i32 stage()
    {
        i32 st = 0;
        optim_holder_stage(st);
        return st;
    }
    // The stock's height at (x, y).
    static f32 height(f32 x, f32 y)
    {
        const i32 i = static_cast<i32>(std::lround((x - stk_grid.box[0]) / stk_grid.cell));
        const i32 j = static_cast<i32>(std::lround((y - stk_grid.box[1]) / stk_grid.cell));
        return stk_cells()[j * stk_grid.nx + i].h1;
    }
    // Walks the path move by move with the holder move and pass code k, as
    // the stage's first walk does, with nothing linked over after it.
    void walk(i32 k)
    {
        f32 lengths[HD_MAXS], upper[HD_MAXS], required[HOLDER_SECTIONS_MAX] = {0};
        i32 flag = 0, st = 0, a = 0;
        optim_holder_images(CURTOL, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        lacces(2, a);
        i32 block = -1, end = 0;
        f32 free = 0;
        while (end == 0) {
            i32 contact = 0;
            end = k;
            f32 length = 0;
            optim_holder_move(MV_LIST, upper, block, contact, end, required, length, free, st);
            ASSERT_EQ(st, 0);
            if (block <= 0) break;
            free = contact != 0 ? 0.0f : free + std::fabs(length);
        }
    }
    // The feed moves at the slot's depth: their end X.
    std::vector<f32> cuts()
    {
        std::vector<f32> x;
        for (const Move& m : opttest::moves())
            if (m.feed > 0.0f && m.p[2] == -1.0f && m.p[1] == 0.0f) x.push_back(m.p[0]);
        return x;
    }
};

TEST_F(HolderStage, ModeTwoReportsTheReachOfTheSectionAndLeavesThePath)
{
    // The slot of single lines, or with a string of lines over the wall
    // (x 20 to 60: the lines before and after it stay clear of the wall).
    for (bool string : {false, true}) {
        SCOPED_TRACE(string);
        if (string) fresh({{30.0f, 50.0f}}, [](Path& p) { p.string({{{20, 0, -1}}, {{40, 0, -1}}, {{60, 0, -1}}}); });
        const auto before = opttest::snapshot();
        ASSERT_EQ(stage(), 0);
        EXPECT_EQ(holder_steps.n, 1);
        EXPECT_EQ(opttest::snapshot(), before);
        EXPECT_TRUE(norak::transcript_has("339/72"));
        // The section's bottom at 18 under the wall's 30: 12 more, after a
        // clear length of 20: 32.
        EXPECT_TRUE(norak::transcript_has("1 32.000"));
        EXPECT_TRUE(norak::transcript_has("339/143"));  // no library tool fits
        EXPECT_EQ(height(40.0f, 0.0f), -1.0f);          // cut as the path goes
    }
}

TEST_F(HolderStage, ModeThreeCutsTheSlotWhereTheHolderReachesTheWallAndLinksOverIt)
{
    // The widened section (radius 12) reaches the wall (y from 8) while its
    // axis is within sqrt(144 - 64) = 8.944 of the wall's x range 30..50.
    // A drilling cycle closes the path: the walk ends on it; or one stands
    // after the plunge: the walk passes over it.
    for (bool inside : {false, true}) {
        SCOPED_TRACE(inside);
        if (inside) fresh({{30.0f, 50.0f}}, [](Path& p) { p.raw({30, p.next++, 1, 0}); });
        i32 a = 0;
        lacces(3, a);
        Path cycle;
        cycle.next = 1000;
        if (!inside) cycle.raw({30, cycle.next++, 1, 0});
        opttest::counter_past(cycle.next);
        CMPBLK[CMP_HOLDER] = 3;
        ASSERT_EQ(stage(), 0);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
        const std::vector<f32> x = cuts();
        // The plunge, the cut up to the first border, the approach at the
        // second, the rest of the cut.
        ASSERT_EQ(x.size(), 4u);
        const f32 edge = std::sqrt(144.0f - 64.0f), three = 3.0f * stk_grid.cell;
        EXPECT_NEAR(x[1], 30.0f - edge, three);
        EXPECT_NEAR(x[2], 50.0f + edge, three);
        EXPECT_EQ(x[3], 110.0f);
        // The cuts kept leave the holder the safety distance clear all along.
        {
            f32 lengths[HD_MAXS], widths[HD_MAXS], required[HD_MAXS] = {0};
            i32 flag = 0, st = 0, steps = 0;
            optim_holder_images(CURTOL, lengths, widths, flag, st);
            ASSERT_EQ(st, 0);
            const f32 from[2][3] = {{0.0f, 0.0f, -1.0f}, {x[2], 0.0f, -1.0f}}, to[2][3] = {{x[1], 0.0f, -1.0f},
                                                                                         {110.0f, 0.0f, -1.0f}};
            for (i32 k = 0; k < 2; ++k) {
                std::vector<char> mask;
                EXPECT_EQ(optim_holder_line_check(from[k], to[k], widths, 0.0f, required, mask, steps, st), 0) << k;
            }
        }
        // The cut goes on from the other border: the link lands there.
        const std::vector<Move> m = opttest::moves();
        bool landed = false;
        for (size_t k = 0; k + 1 < m.size(); ++k)
            if (m[k + 1].p[0] == 110.0f && m[k + 1].feed > 0.0f) {
                EXPECT_NEAR(m[k].p[0], 50.0f + edge, three);
                EXPECT_EQ(m[k].p[2], -1.0f);
                landed = true;
            }
        EXPECT_TRUE(landed);
        // Over the wall the link runs where the section clears it by the distance.
        for (const Move& k : m)
            if (k.p[0] > 30.0f - edge + 1.0f && k.p[0] < 50.0f + edge - 1.0f) {
                EXPECT_GE(k.p[2], 30.0f - 20.0f + 1.0f - 1e-4f);
            }
        // The stock the walk leaves: the slot cut where the tool still goes, not
        // under the stretch it leaves.
        EXPECT_EQ(height(10.0f, 0.0f), -1.0f);
        EXPECT_EQ(height(80.0f, 0.0f), -1.0f);
        EXPECT_EQ(height(40.0f, 0.0f), 0.0f);
    }
}

// The grid from y 15, the slot along y 0 beside it: the first section
// (widened radius 12) lies wholly beside the grid, a wider second one (lower
// diameter 33, from 30 over the tip, 2 into the wall of 30) reaches the
// wall's part in the grid where its axis is within sqrt(r^2 - 15^2) of x
// 30..50. Its contact in mid-move is told in mode 2 and cut off in mode 3.
TEST_F(HolderStage, ASectionBesideTheGridLeavesTheContactOfAWiderOneAlongTheMove)
{
    for (i32 mode : {2, 3}) {
        SCOPED_TRACE(mode);
        fresh({{30.0f, 50.0f}}, {}, 15.0f, {{20, 20, 0, 10}, {33, 33, 0, 20}});
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        i32 flag = 0, st = 0;
        optim_holder_images(CURTOL, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        ASSERT_EQ(holder_steps.n, 2);
        ASSERT_LT(0.5f * upper[0], 15.0f);
        const f32 edge = std::sqrt(0.25f * upper[1] * upper[1] - 225.0f), three = 3.0f * stk_grid.cell;
        CMPBLK[CMP_HOLDER] = mode;
        ASSERT_EQ(stage(), 0);
        const std::vector<f32> x = cuts();
        if (mode == 2) {
            EXPECT_TRUE(norak::transcript_has("339/72"));
            EXPECT_TRUE(norak::transcript_has("2 32.000"));  // 20 + 10 of the first section + 2
            EXPECT_EQ(x.size(), 2u);
            continue;
        }
        // The far border: the halving's three cells, then out to the sample
        // behind it and the next one, where the clear piece begins.
        ASSERT_EQ(x.size(), 4u);
        EXPECT_NEAR(x[1], 30.0f - edge, three);
        EXPECT_GE(x[2], 50.0f + edge - three);
        EXPECT_LE(x[2], 50.0f + edge + three + 2.0f * stk_grid.cell);
    }
}

TEST_F(HolderStage, GapsShorterThanOneAndAHalfDiametersAreClosedLongerOnesKept)
{
    // Contact stretches of walls 30..40 and a..a+7: from 48.94 to a - 8.94.
    for (f32 gap : {5.0f, 15.0f}) {
        const f32 a = 48.944f + 8.944f + gap;
        fresh({{30.0f, 40.0f}, {a, a + 7.0f}});
        CMPBLK[CMP_HOLDER] = 3;
        ASSERT_EQ(stage(), 0);
        // One link over both walls, or a cut left between two links (each
        // link ends with an approach at feed).
        EXPECT_EQ(cuts().size(), gap < 9.0f ? 4u : 6u) << gap;
    }
}

TEST_F(HolderStage, AnArcThroughTheWallIsCutWhereTheHolderFirstReachesItAndTheRestLinkedOver)
{
    // The half circle about (40, 0) of radius 20 from (20, 0) over y 20:
    // the section (radius 12) reaches the wall's corner (30, 8) where
    // 400 cos p + 320 sin p = 420, p = 0.0657 rad on from the start. The
    // clear way before it (the slot from x 0) is over 2 D: the arc is cut
    // there. The clear end after the wall is shorter: it stays with the
    // contact, and the link lands at the arc's end.
    fresh({{30.0f, 50.0f}}, [](Path& p) {
        p.line(20.0f, 0.0f, -1.0f);
        p.arc(1, -f32(M_PI), 40.0f, 0.0f, 60.0f, 0.0f, -1.0f);
    });
    CMPBLK[CMP_HOLDER] = 3;
    ASSERT_EQ(stage(), 0);
    bool landed = false;
    std::vector<Move> arcs;
    const std::vector<Move> m = opttest::moves();
    for (size_t k = 0; k + 1 < m.size(); ++k) {
        if (mv_arc(m[k].type)) arcs.push_back(m[k]);
        if (m[k].p[0] == 60.0f && m[k].feed > 0.0f && m[k + 1].p[0] == 110.0f) landed = true;
    }
    EXPECT_TRUE(landed);
    ASSERT_EQ(arcs.size(), 1u);
    const f64 p = 0.6747 - std::acos(420.0 / std::hypot(400.0, 320.0));
    const f64 at = std::atan2(f64(arcs[0].p[1]), f64(arcs[0].p[0]) - 40.0);
    EXPECT_NEAR(std::hypot(arcs[0].p[0] - 40.0f, arcs[0].p[1]), 20.0f, 1e-3f);
    EXPECT_NEAR(20.0 * (M_PI - at), 20.0 * std::fabs(p), 3.0 * stk_grid.cell);
}

// Arcs of radius 20 about (c, 0), clockwise from (c - 20, 0) over y 20 to
// (c + 20, 0), a point of which lies at the angle p = atan2(y, c - x) from
// the start. A: c 40 through the wall 30..50 (the case above): the contact
// from p0 = 0.0659 on, the clear end after it shorter than 2 D. B: the wall
// 30..e, e from 34 on: the section leaves it where x = e + 12, at
// acos((28 - e) / 20), and a clear end over 2 D follows. C: c 60 after the
// slot went on to x 40 in the contact, the wall 30..e, e from 50 on: the arc
// begins in the contact and leaves the wall at acos((48 - e) / 20). The
// wall's end goes on by cells over a chord, so that the border falls at
// every place in a chord. Each arc is cut at the borders it really has
// (within the halving's three cells), not at a chord's end; in mode 3 its
// contact pieces are linked over; walked in mode 4 with the adapted tool's
// code they run at 50 % of the feed, an arc handled whole in contact too,
// and the move after them at the feed again.
TEST_F(HolderStage, AnArcIsCutAtTheBordersOfItsContactAndItsContactPiecesRunAtTheContactFeed)
{
    struct Piece {
        f64 from, to;
        bool contact;
    };
    struct Case {
        char name;
        f32 wall, c, before;
        std::vector<Piece> pieces;
    };
    const f64 p0 = std::atan2(320.0, 400.0) - std::acos(420.0 / std::hypot(400.0, 320.0));
    std::vector<Case> cases{{'A', 50.0f, 40.0f, 20.0f, {{0.0, p0, false}, {p0, M_PI, true}}}};
    for (f32 e = 34.0f; e < 35.6f; e += 0.25f) {
        const f64 b = std::acos((28.0 - e) / 20.0), c = std::acos((48.0 - (e + 16.0f)) / 20.0);
        cases.push_back({'B', e, 40.0f, 20.0f, {{0.0, p0, false}, {p0, b, true}, {b, M_PI, false}}});
        cases.push_back({'C', e + 16.0f, 60.0f, 40.0f, {{0.0, c, true}, {c, M_PI, false}}});
    }
    const f64 tol = 3.0 * stk_grid.cell / 20.0;
    for (const Case& c : cases)
        for (i32 mode : {3, 4}) {
            SCOPED_TRACE(::testing::Message() << c.name << " wall to " << c.wall << " mode " << mode);
            fresh({{30.0f, c.wall}}, [&c](Path& p) {
                p.line(c.before, 0.0f, -1.0f);
                p.arc(1, -f32(M_PI), c.c, 0.0f, c.c + 20.0f, 0.0f, -1.0f);
            });
            CMPBLK[CMP_HOLDER] = mode;
            CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
            if (mode == 3) {
                ASSERT_EQ(stage(), 0);
            } else {
                walk(100);
            }
            std::vector<Piece> want;
            for (const Piece& x : c.pieces)
                if (mode == 4 || !x.contact) want.push_back(x);
            const std::vector<Move> m = opttest::moves();
            auto at = [&c](const f32* q) { return std::atan2(std::fabs(f64(q[1])), f64(c.c) - q[0]); };
            size_t arcs = 0;
            for (size_t k = 1; k + 1 < m.size(); ++k) {
                if (!mv_arc(m[k].type)) continue;
                ASSERT_LT(arcs, want.size());
                const Piece& x = want[arcs++];
                EXPECT_NEAR(std::hypot(m[k].p[0] - c.c, m[k].p[1]), 20.0f, 1e-3f);
                EXPECT_NEAR(at(m[k - 1].p), x.from, tol) << arcs;
                EXPECT_NEAR(at(m[k].p), x.to, tol) << arcs;
                if (mode == 4) {
                    EXPECT_FLOAT_EQ(m[k].feed, x.contact ? 500.0f : 1000.0f) << arcs;
                    if (x.contact) {
                        EXPECT_FLOAT_EQ(m[k + 1].feed, 1000.0f) << arcs;
                    }
                }
            }
            EXPECT_EQ(arcs, want.size());
        }
}

TEST_F(HolderStage, ACurveThroughTheWallIsCutAtBothBordersAndTheContactPieceLinkedOver)
{
    // A cubic from (10, 0) to (70, 0) bowed to y 15 in place of the arc:
    // cut where the section comes within its radius 12 of the wall (x 30 to
    // 50, y from 8), on both sides; the piece between is linked over.
    const opttest::Cubic c({10, 0, -1, 30, 20, -1, 50, 20, -1, 70, 0, -1});
    i32 st = 0;
    fresh({{30.0f, 50.0f}}, [&](Path& p) {
        p.line(10.0f, 0.0f, -1.0f);
        PTBT5(AM_LIST, 5, 4, 4, c.U.data(), c.P.data(), p.next++, st);
    });
    ASSERT_EQ(st, 0);
    CMPBLK[CMP_HOLDER] = 3;
    ASSERT_EQ(stage(), 0);
    auto wall = [](const f32* q) {
        const f32 dx = std::max({30.0f - q[0], 0.0f, q[0] - 50.0f}), dy = std::max(8.0f - q[1], 0.0f);
        return std::hypot(dx, dy);
    };
    const std::vector<Move> m = opttest::moves();
    std::vector<size_t> curves;
    for (size_t k = 0; k < m.size(); ++k)
        if (m[k].type == 5) curves.push_back(k);
    ASSERT_EQ(curves.size(), 2u);
    const Move& first = m[curves[0]];
    const Move& before_last = m[curves[1] - 1];  // where the link lands
    const f32 three = 3.0f * stk_grid.cell;
    EXPECT_LT(c.dist2(first.p), 4e-6);
    EXPECT_NEAR(wall(first.p), 12.0f, three);
    EXPECT_LT(first.p[0], 40.0f);
    EXPECT_LT(c.dist2(before_last.p), 4e-6);
    EXPECT_NEAR(wall(before_last.p), 12.0f, three);
    EXPECT_GT(before_last.p[0], 40.0f);
    EXPECT_EQ(before_last.p[2], -1.0f);
    EXPECT_NEAR(m[curves[1]].p[0], 70.0f, 1e-4f);
    EXPECT_GT(m[curves[1]].feed, 0.0f);
}

// A refused list access, the n-th of the stage for every n until one goes
// through untouched: the stage fails, or it reports the section's reach over
// the wall. A failure is never taken for the path's end, where the walk
// would stop with the rest of the path unchecked and the stage report a
// path it never finished as clear.
TEST_F(HolderStage, AFailedListAccessFailsTheWalkInsteadOfEndingIt)
{
    i32 failed = 0;
    bool untouched = false;
    for (i32 n = 1; n < 5000 && !untouched; ++n) {
        fresh({{30.0f, 50.0f}});
        norak::fail_list_call("lacces", n);
        const i32 st = stage();
        norak::fail_list_call("lacces", 0);
        untouched = !norak::transcript_has("lacces refused");
        if (st < 0) {
            ++failed;
            continue;
        }
        EXPECT_EQ(st, 0) << n;
        EXPECT_TRUE(norak::transcript_has("1 32.000")) << n;
    }
    EXPECT_TRUE(untouched);
    EXPECT_GT(failed, 10);
}

// The stretch the holder reaches is linked over in the split mode, which
// says so (339/100) once; in mode 5 the last tool row's tool still reaches
// it and it is linked over as well, without that message.
TEST_F(HolderStage, OnlyTheSplitModeSaysItLinkedTheStretchesOver)
{
    for (i32 mode : {3, 5}) {
        SCOPED_TRACE(mode);
        fresh({{30.0f, 50.0f}});
        CMPBLK[CMP_HOLDER] = mode;
        if (mode == 5) {
            CMPBLK[CMP_TOOLS] = opttest::tool("ROWONE", 6.0f, 0.0f, 15.0f, 25.0f, {{20, 20, 0, 30}});  // still reaches
            CMPBLK[CMP_ROW_FEED] = CMPBLK[CMP_ROW_PRM9] = 100;
            CMPBLK[CMP_TOOL_ROWS] = 2;
        }
        ASSERT_EQ(stage(), 0);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
        EXPECT_EQ(height(40.0f, 0.0f), 0.0f);  // linked over, not cut
        EXPECT_EQ(norak::transcript_count("339/100"), mode == 3 ? 1u : 0u);
    }
}

TEST_F(HolderStage, ModeFourMachinesTheStretchLastWithALengthenedCopyAtItsFeedAndSpindle)
{
    // No library tool fits: a copy lengthened by the section's reach (12,
    // clear length 32) cuts the stretch between the borders at the end, at
    // word 4 % (50) of the feed, its spindle word 5 % (80) of 1000.
    CMPBLK[CMP_HOLDER] = 4;
    CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
    CMPBLK[CMP_HOLDER_PRM9] = r2wrd(80.0f);
    PRM9[7] = 1000;
    ASSERT_EQ(stage(), 0);
    EXPECT_TRUE(norak::transcript_has("HOLDEN_001"));
    i32 end_tool = 0;
    const std::vector<Move> r = opttest::moves(&end_tool);
    const f32 edge = std::sqrt(144.0f - 64.0f), three = 3.0f * stk_grid.cell;
    i32 other = -1;
    f32 lo = 1e9f, hi = -1e9f;
    size_t first_other = r.size(), last_other = 0;
    for (size_t k = 0; k < r.size(); ++k) {
        if (r[k].tool == tool || r[k].tool == 0) continue;
        other = r[k].tool;
        first_other = std::min(first_other, k);
        last_other = k;
        if (r[k].feed > 0.0f && r[k].p[2] == -1.0f && r[k - 1].p[0] != r[k].p[0]) {
            EXPECT_FLOAT_EQ(r[k].feed, 500.0f);
            lo = std::min(lo, r[k - 1].p[0]), hi = std::max(hi, r[k].p[0]);
        }
    }
    ASSERT_GT(other, 0);
    f32 clear = 0;
    GTCLRL(other, clear);
    EXPECT_FLOAT_EQ(clear, 32.0f);
    // The copy cuts from the first border to the second, after every move
    // of the tool; the path ends with the tool back.
    EXPECT_NEAR(hi, 50.0f + edge, three);
    EXPECT_LE(lo, 30.0f - edge + three);
    for (size_t k = 0; k < first_other; ++k)
        if (r[k].feed > 0.0f && r[k].p[2] == -1.0f) {
            EXPECT_TRUE(r[k].p[0] <= 30.0f - edge + three || r[k].p[0] >= 50.0f + edge - three) << r[k].p[0];
        }
    // The copy's pass cut the stretch into the stock.
    EXPECT_EQ(height(40.0f, 0.0f), -1.0f);
    // Then up to the clearance, and the tool back.
    EXPECT_EQ(last_other, r.size() - 1);
    EXPECT_GE(r.back().p[2], 4.0f);
    EXPECT_EQ(end_tool, tool);
    EXPECT_EQ(PRM9[7], 1000);
    EXPECT_EQ(CURTOL, tool);
}

TEST_F(HolderStage, ModeFiveHandsWhatEachHolderReachesToTheNextToolRow)
{
    // Row 1 (clear length 25) still reaches the wall of 30, row 2 (40)
    // clears it, row 3 is never needed. Each row's tool cuts the stretch
    // at its first % of the feed.
    // A row count above the ten rows a procedure holds (a damaged block):
    // the rows without a tool drop out of it, and no word past the rows is
    // taken for a tool.
    for (i32 rows : {4, 40}) {
        SCOPED_TRACE(rows);
        if (rows != 4) fresh({{30.0f, 50.0f}});
        const i32 one = opttest::tool("ROWONE", 6.0f, 0.0f, 15.0f, 25.0f, {{20, 20, 0, 30}});
        const i32 two = opttest::tool("ROWTWO", 6.0f, 0.0f, 15.0f, 40.0f, {{20, 20, 0, 30}});
        const i32 three = opttest::tool("ROWTHREE", 6.0f, 0.0f, 15.0f, 50.0f, {{20, 20, 0, 30}});
        CMPBLK[CMP_HOLDER] = 5;
        const i32 ids[3] = {one, two, three}, feeds[3] = {60, 40, 30}, spins[3] = {90, 70, 50};
        for (i32 k = 0; k < 3; ++k) {
            CMPBLK[CMP_TOOLS + k] = ids[k];
            CMPBLK[CMP_ROW_FEED + k] = feeds[k];
            CMPBLK[CMP_ROW_PRM9 + k] = spins[k];
        }
        CMPBLK[CMP_TOOL_ROWS] = rows;
        PRM9[PRM9_SPIN] = 1000;
        PRM9[PRM9_DIR] = 1;  // turning clockwise
        const i32 st = stage();
        ASSERT_EQ(st, 0);
        i32 end_tool = 0;
        const std::vector<Move> r = opttest::moves(&end_tool);
        const f32 edge = std::sqrt(144.0f - 64.0f), three_cells = 3.0f * stk_grid.cell;
        std::map<i32, std::vector<const Move*>> cut;  // the cuts at the slot's depth by tool
        for (size_t k = 1; k < r.size(); ++k)
            if (r[k].feed > 0.0f && r[k].p[2] == -1.0f && r[k - 1].p[0] != r[k].p[0]) cut[r[k].tool].push_back(&r[k]);
        EXPECT_EQ(cut.count(three), 0u);
        ASSERT_EQ(cut[two].size(), 1u);
        EXPECT_FLOAT_EQ(cut[two][0]->feed, 400.0f);
        EXPECT_EQ(cut[two][0]->spindle, 700);  // the row's second % of the spindle value 1000
        EXPECT_NEAR(cut[two][0]->p[0], 50.0f + edge, three_cells);
        // The first row's tool leaves its stretch to the second: none of its
        // cuts crosses the wall.
        for (const Move* k : cut[one]) EXPECT_FALSE(k->p[0] > 30.0f && k->p[0] < 50.0f + edge - three_cells);
        EXPECT_TRUE(norak::transcript_has("ROWTHREE"));
        EXPECT_EQ(norak::transcript_count("339/148"), 1u);  // the empty last row is no tool
        EXPECT_EQ(end_tool, tool);
        EXPECT_EQ(CURTOL, tool);
    }
}

TEST_F(HolderStage, ModeFourTakesALibraryToolWhoseHolderStaysClear)
{
    // Clear length 31 is short of the 32 needed; 33 fits and is taken, no
    // copy is made.
    opttest::tool("SHORTER", 6.0f, 0.0f, 15.0f, 31.0f, {{20, 20, 0, 30}});
    const i32 fits = opttest::tool("LONGER", 6.0f, 0.0f, 15.0f, 33.0f, {{20, 20, 0, 30}});
    CURTOL = tool;
    CMPBLK[CMP_HOLDER] = 4;
    ASSERT_EQ(stage(), 0);
    EXPECT_TRUE(norak::transcript_has("339/141"));
    EXPECT_TRUE(norak::transcript_has("LONGER"));
    EXPECT_FALSE(norak::transcript_has("HOLDEN_001"));
    i32 end_tool = 0;
    bool used = false;
    for (const Move& k : opttest::moves(&end_tool)) used = used || k.tool == fits;
    EXPECT_TRUE(used);
}

TEST_F(HolderStage, ModeFourWithALibraryThatCannotBeListedGoesOnAndUsesEveryToolItMakes)
{
    // The mill table cannot be read: the search finds no tool, and the stage
    // neither stops nor leaves a tool it made unused.
    CMPBLK[CMP_HOLDER] = 4;
    const i32 table = TLTBID[TT_MILL - 1];
    TLTBID[TT_MILL - 1] = 0;
    const i32 st = stage();
    TLTBID[TT_MILL - 1] = table;
    EXPECT_EQ(st, 0);
    i32 made = 0, end_tool = 0;
    for (const Move& k : opttest::moves(&end_tool)) made = k.tool != tool && k.tool != 0 ? k.tool : made;
    EXPECT_EQ(norak::transcript_count("339/86"), made > 0 ? 1u : 0u);
    EXPECT_EQ(end_tool, tool);
}

TEST_F(HolderStage, ModeFourThroughTheWholeRunKeepsTheCopyAfterTheCleanUp)
{
    STKPOS = nullptr;  // the list in force is the procedure's
    CMPBLK[CMP_HOLDER] = 4;
    CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
    i32 st = 0;
    stk_optim_run(1, 0, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    i32 end_tool = 0, cut_by_copy = 0;
    const std::vector<Move> r = opttest::moves(&end_tool);
    for (size_t k = 1; k < r.size(); ++k)
        if (r[k].tool != tool && r[k].tool != 0 && r[k].feed > 0.0f && r[k].p[2] == -1.0f && r[k - 1].p[0] != r[k].p[0])
            ++cut_by_copy;
    EXPECT_EQ(cut_by_copy, 1);
    EXPECT_EQ(end_tool, tool);
}

// A line whose end lies where the holder's contact begins (the contact from
// x 21.056 on; for some places of the joint within the line's last sample):
// the next line is measured itself, cut at the far border, and cuts on
// behind it, for every place of the joint near the border.
TEST_F(HolderStage, ALineEndingWhereTheContactBeginsLeavesTheNextLineMeasured)
{
    const f32 edge = std::sqrt(144.0f - 64.0f), three = 3.0f * stk_grid.cell;
    for (f32 joint = 20.5f; joint < 22.5f; joint += 0.05f) {
        fresh({{30.0f, 50.0f}}, [joint](Path& p) { p.line(joint, 0.0f, -1.0f); });
        CMPBLK[CMP_HOLDER] = 3;
        ASSERT_EQ(stage(), 0);
        const std::vector<f32> x = cuts();
        ASSERT_GE(x.size(), 3u) << joint;
        EXPECT_NEAR(x[x.size() - 2], 50.0f + edge, three) << joint;
        EXPECT_EQ(x.back(), 110.0f) << joint;
        EXPECT_EQ(height(80.0f, 0.0f), -1.0f) << joint;
        EXPECT_EQ(height(40.0f, 0.0f), 0.0f) << joint;
        // The clear way up to the near border stays cut, also when the line
        // ends within a sample behind that border.
        EXPECT_EQ(height(10.0f, 0.0f), -1.0f) << joint;
        f32 reach = 0.0f;
        for (f32 c : x)
            if (c < 30.0f) reach = std::max(reach, c);
        EXPECT_GE(reach, std::min(joint, 30.0f - edge) - three) << joint;
    }
}

// A plunge at x 40 beside the wall of 30: the section (bottom 19 over the
// tip) enters the wall when the tip passes z 11. Walked move by move in
// mode 4 with the adapted tool's pass code, the plunge is cut there: the
// part above at its own feed, the part below a contact piece at word 4 %
// (50) of it, and the moves after it back at their own feed once the
// section leaves the wall. The move up before it, at a rapid or at feed:
// at feed it is cut where the section leaves the wall, the part below at
// the reduced feed, and no feed around its pieces is written twice.
TEST_F(HolderStage, APlungeIntoStockUnderASectionIsSplitWhereItEntersAndRunsBelowAtTheReducedFeed)
{
    for (bool rapid_up : {true, false}) {
        SCOPED_TRACE(rapid_up);
        fresh({{30.0f, 50.0f}}, [rapid_up](Path& p) {
            p.line(40.0f, 0.0f, -1.0f);
            if (rapid_up) p.feed(-1.0f);
            p.line(40.0f, 0.0f, 40.0f);
            p.feed(1000.0f);
            p.line(40.0f, 0.0f, -1.0f);
        });
        CMPBLK[CMP_HOLDER] = 4;
        CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
        f32 lengths[HD_MAXS], upper[HD_MAXS], required[HOLDER_SECTIONS_MAX] = {0};
        i32 flag = 0, st = 0, a = 0;
        optim_holder_images(CURTOL, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        lacces(2, a);
        i32 block = -1, end = 0, contacts = 0;
        f32 free = 0;
        while (end == 0) {
            i32 contact = 0;
            end = 100;
            f32 length = 0;
            optim_holder_move(MV_LIST, upper, block, contact, end, required, length, free, st);
            ASSERT_EQ(st, 0);
            if (block <= 0) break;
            contacts += contact;
            free = contact != 0 ? 0.0f : free + std::fabs(length);
        }
        EXPECT_GT(contacts, 0);
        EXPECT_NEAR(required[0], 12.0f, 0.01f);  // the wall 12 over the section's bottom at the slot
        const std::vector<Move> m = opttest::moves();
        size_t k = 0;
        while (k < m.size() && !(m[k].p[2] == 40.0f)) ++k;
        ASSERT_LT(k + 4, m.size());
        ASSERT_GE(k, 2u);
        if (!rapid_up) {
            EXPECT_NEAR(m[k - 1].p[2], 11.0f, 0.01f);
            EXPECT_EQ(m[k - 1].feed, 500.0f);
            EXPECT_EQ(m[k].feed, 1000.0f);
            // The feed blocks in front of each move (no strings in the path:
            // one entry per move of m); none around the pieces of the move
            // up repeats the one just before it.
            std::vector<std::vector<f32>> feeds(1);
            for (lacces(2, a); a >= 0; lacces(1, a)) {
                i32 size = 0, type = 0, cls = 0, p = 0, kind = 0, iv = 0, number = 0;
                f32 rv = 0;
                TPBLKH(MV_LIST, size, type, cls, st);
                if (st < 0) break;
                if (cls == BC_TECH) RDBT1(MV_LIST, number, p, kind, iv, rv, st);
                if (cls == BC_TECH && p == 1) feeds.back().push_back(rv);
                if (cls == BC_MOVE) feeds.emplace_back();
            }
            ASSERT_EQ(feeds.size(), m.size() + 1);
            for (size_t j : {k - 1, k})
                for (size_t q = 1; q < feeds[j].size(); ++q) EXPECT_NE(feeds[j][q], feeds[j][q - 1]) << j;
        }
        EXPECT_NEAR(m[k + 1].p[2], 11.0f, 0.01f);
        EXPECT_EQ(m[k + 1].feed, 1000.0f);
        EXPECT_EQ(m[k + 2].p[2], -1.0f);
        EXPECT_EQ(m[k + 2].feed, 500.0f);
        // On along the wall: a contact piece to its far border, then the rest.
        const f32 edge = std::sqrt(144.0f - 64.0f);
        EXPECT_NEAR(m[k + 3].p[0], 50.0f + edge, 3.0f * stk_grid.cell);
        EXPECT_EQ(m[k + 3].feed, 500.0f);
        EXPECT_EQ(m[k + 4].p[0], 110.0f);
        EXPECT_EQ(m[k + 4].feed, 1000.0f);
    }
}

}  // namespace

namespace {
// The slot's line at feed F walked move by move in holder mode `mode` with
// pass code k: the contact piece over the wall runs at the feed the mode
// gives it, the piece after it at F again. Base feed 1000, named feed 200
// (20 %); word 4 50 %; tool rows 1 and 2 at 60 % and 40 %.
TEST_F(HolderStage, AContactPieceRunsAtTheFeedOfItsModeAndPassCode)
{
    struct Case {
        i32 mode, k;
        f32 F, contact;
    } cases[] = {
        {3, -1, 1000, 1000}, {4, 100, 1000, 500}, {4, 100, 200, 100}, {4, 1, 1000, 1000},
        {4, 100, 777, 777},  {5, 2, 1000, 400},   {5, 2, 200, 80},    {5, 2, 600, 400},
        {5, 2, 120, 80},     {5, 2, 777, 777},    {5, 0, 1000, 1000}, {5, 1, 400, 400},
    };
    const f32 edge = std::sqrt(144.0f - 64.0f), three = 3.0f * stk_grid.cell;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mode << " " << c.k << " " << c.F);
        fresh({{30.0f, 50.0f}}, [&c](Path& p) { p.feed(c.F); });
        CMPBLK[CMP_HOLDER] = c.mode;
        CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
        CMPBLK[CMP_ROW_FEED] = 60;
        CMPBLK[CMP_ROW_FEED + 1] = 40;
        f32 lengths[HD_MAXS], upper[HD_MAXS], required[HOLDER_SECTIONS_MAX] = {0};
        i32 flag = 0, st = 0, a = 0;
        optim_holder_images(CURTOL, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        lacces(2, a);
        i32 block = -1, end = 0;
        f32 free = 0;
        while (end == 0) {
            i32 contact = 0;
            end = c.k;
            f32 length = 0;
            optim_holder_move(MV_LIST, upper, block, contact, end, required, length, free, st);
            ASSERT_EQ(st, 0);
            if (block <= 0) break;
            free = contact != 0 ? 0.0f : free + std::fabs(length);
        }
        const std::vector<Move> m = opttest::moves();
        size_t k = 0;
        while (k < m.size() && std::fabs(m[k].p[0] - (50.0f + edge)) > three) ++k;
        ASSERT_LT(k + 1, m.size());
        EXPECT_LT(m[k - 1].p[0], 30.0f - edge + three);
        EXPECT_FLOAT_EQ(m[k].feed, c.contact);
        EXPECT_EQ(m[k + 1].p[0], 110.0f);
        EXPECT_FLOAT_EQ(m[k + 1].feed, c.F);
    }
}
}  // namespace
