// Deletion of a region with the connection of its gap (directly, along
// the contour the shorter way, through the clearance), and lengths along
// the contour polygon.
#include <gtest/gtest.h>

#include <cmath>

#include "blocks/listdsp.h"
#include "blocks/tech.h"
#include "core/records.h"
#include "edit/alter/contour.h"
#include "edit/alter/trimact.h"
#include "edit/prmflg.h"
#include "edit/support.h"
#include "tests/edit/alter_common.h"

namespace {
// The square 0..10 as a closed polygon of five points.
const f64 SQUARE[10] = {0, 0, 10, 0, 10, 10, 0, 10, 0, 0};

void use_square()
{
    trim_state.polygon.assign(SQUARE, SQUARE + 10);
    trim_state.npoly = 5;
    trim_state.length = 40.0;
}

// Deletes the region after a motion of the list (continuing 0).
i32 remove(i32 first, i32 last)
{
    f32 sp[3], sd[3];
    i32 continuing = 0, st = 0;
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
    return st;
}

void expect_moves(const std::vector<std::array<f32, 3>>& want)
{
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), want.size());
    for (size_t k = 0; k < m.size(); ++k) {
        EXPECT_NEAR(m[k].x, want[k][0], 1e-4) << k;
        EXPECT_NEAR(m[k].y, want[k][1], 1e-4) << k;
        EXPECT_NEAR(m[k].z, want[k][2], 1e-4) << k;
    }
}
}  // namespace

TEST(ContourLength, PerimeterPartsAndOneSegmentBothWays)
{
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 1, 4, 0.0, 1.0), 40.0);
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 1, 1, 0.25, 0.75), 5.0);
    // First not below last on one segment: the way round the contour.
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 1, 1, 0.75, 0.25), 35.0);
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 2, 2, 0.5, 0.5), 40.0);
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 1, 3, 0.5, 0.5), 20.0);
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 4, 1, 0.5, 0.5), 10.0);  // wraps from 4 to 1
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 5, 2, 0.0, 0.0), 10.0);  // segment n counts as 1
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 0, 2, 0.0, 0.0), -1.0);
    EXPECT_DOUBLE_EQ(contour_length(SQUARE, 5, 1, 6, 0.0, 0.0), -1.0);
}

TEST(TrimDelete, DirectlyJoinsTheGapWithOneMove)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(10, 0, 0);  // 2
    alt::line(20, 0, 5);  // 3
    alt::line(30, 0, 0);  // 4
    alt::line(40, 0, 0);  // 5
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
    i32 st = 0;
    PRMFL0(st);
    EXPECT_EQ(remove(3, 4), 0);
    expect_moves({{10, 0, 0}, {30, 0, 0}, {40, 0, 0}});
    // The edit flags were asked for the technology the join restates.
    EXPECT_EQ(TECHST.status[100], 2);
    EXPECT_EQ(TECHST.requested[100], 12);
}

TEST(TrimDelete, DirectlyJoinsTheLastMotionsWhenOnlyAFeedBlockFollows)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(10, 0, 0);  // 2
    alt::line(20, 0, 5);  // 3
    alt::line(30, 0, 0);  // 4
    alt::feed(50.0f);     // 5: no motion after it
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
    EXPECT_EQ(remove(3, 4), 0);
    expect_moves({{10, 0, 0}, {30, 0, 0}});
}

TEST(TrimDelete, AContinuingRegionComesBackDelZupAboveTheResumePoint)
{
    alt::fresh({0, 0, 20});  // the last written point
    alt::feed(100.0f);      // 1
    alt::line(10, 0, 20);   // 2
    alt::line(20, 0, 0);    // 3
    alt::line(30, 0, 1);    // 4
    alt::line(40, 0, 1);    // 5
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
    ALTPDF.zup = 2.0f;
    f32 sp[3], sd[3];
    i32 first = 3, last = 4, continuing = 1, st = 0;
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(continuing, 0);
    // Down to DEL Z-UP over the end of the deleted motions, then onto it.
    const auto m = alt::moves();
    ASSERT_GE(m.size(), 4u);
    const auto& down = m[m.size() - 3];
    EXPECT_NEAR(down.x, 30.0f, 1e-4);
    EXPECT_NEAR(down.z, 3.0f, 1e-4);
    EXPECT_NEAR(m[m.size() - 2].z, 1.0f, 1e-4);
    EXPECT_NEAR(m.back().x, 40.0f, 1e-4);
}

// ALONG CONT. for a continuing region joins it as a continuing one: with no
// motion after it the editing must end and nothing is written after it.
TEST(TrimDelete, AContinuingRegionAlongTheContourAtTheEndEndsTheEditing)
{
    alt::fresh({0, 0, 20});
    alt::feed(100.0f);     // 1
    alt::line(10, 0, 20);  // 2
    alt::line(20, 0, 0);   // 3
    alt::line(30, 0, 1);   // 4
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    f32 sp[3], sd[3];
    i32 first = 3, last = 4, continuing = 1, st = 0;
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(trim_state.must_end, 1);
    expect_moves({{10, 0, 20}});
}

TEST(TrimDelete, AlongTheContourWritesTheVertexMovesWithSpreadHeights)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(10, 5, 0);  // 2 on the right edge
    alt::line(7, 8, 9);   // 3 inside
    alt::line(5, 10, 4);  // 4 on the top edge
    alt::line(0, 10, 4);  // 5
    use_square();
    trim_state.entering = {2, 0.5};
    trim_state.leaving = {3, 0.5};
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    EXPECT_EQ(remove(3, 4), 0);
    // 5 along the right edge to the corner, 5 along the top: the corner
    // gets half of the rise of 4.
    expect_moves({{10, 5, 0}, {10, 10, 2}, {5, 10, 4}, {0, 10, 4}});
}

TEST(TrimDelete, AlongTheContourTakesTheShorterWayRoundAndAlongOneSegment)
{
    // The region entered on the top edge and left on the right edge: backwards over
    // the corner (10, 10) is shorter than forwards round three corners.
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(4, 10, 0);  // 2 on the top edge, 0.6 of segment 3
    alt::line(5, 5, 0);   // 3
    alt::line(10, 2, 8);  // 4 on the right edge, 0.2 of segment 2
    use_square();
    trim_state.entering = {3, 0.6};
    trim_state.leaving = {2, 0.2};
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    EXPECT_EQ(remove(3, 4), 0);
    // 6 to the corner of 14 in all: the corner at 8 x 6 / 14.
    expect_moves({{4, 10, 0}, {10, 10, 8.0f * 6 / 14}, {10, 2, 8}});

    // Both on the bottom edge, the first fraction above the last: joined
    // along the segment, never round the contour.
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(8, 0, 0);   // 2
    alt::line(5, 5, 0);   // 3
    alt::line(2, 0, 0);   // 4
    use_square();
    trim_state.entering = {1, 0.8};
    trim_state.leaving = {1, 0.2};
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    EXPECT_EQ(remove(3, 4), 0);
    expect_moves({{8, 0, 0}, {2, 0, 0}});
}

TEST(TrimDelete, AlongTheContourWithAnEndOffItWritesNoJoin)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(10, 5, 0);  // 2 on the contour
    alt::line(7, 8, 9);   // 3
    alt::line(5, 9, 4);   // 4 inside, off the contour
    alt::line(0, 10, 4);  // 5
    use_square();
    trim_state.entering = {2, 0.5};
    trim_state.leaving = {3, 0.5};
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    EXPECT_EQ(remove(3, 4), 0);
    expect_moves({{10, 5, 0}, {0, 10, 4}});
    // Not even a feed request or a machine state is written.
    size_t tech = 0;
    for (const auto& e : norak::main_list().elems) tech += !e.words.empty() && e.words[0] == 1;
    EXPECT_EQ(tech, 1u);
}

TEST(TrimDelete, ThroughClearRisesToTheClearanceAndComesBackDown)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);    // 1
    alt::line(5, 0, 0);   // 2
    alt::line(10, 0, 0);  // 3
    alt::line(20, 0, 0);  // 4
    alt::line(30, 0, 0);  // 5
    alt::line(40, 0, 0);  // 6
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_CLEAR;
    ALTPDF.clear = 50.0f;
    EDTCX = EditContext{0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0};  // vertical links
    HEI8[HEI8_INCR] = r2wrd(7.0f);
    HEI8[HEI8_ABSOLUTE] = 0;
    EXPECT_EQ(remove(4, 5), 0);
    const auto m = alt::moves();
    ASSERT_GE(m.size(), 4u);
    EXPECT_NEAR(m[1].x, 10, 1e-4);
    EXPECT_NEAR(m.back().x, 40, 1e-4);
    f32 top = 0;
    for (const auto& x : m) top = std::max(top, x.z);
    EXPECT_NEAR(top, 50.0f, 1e-3);  // the gap crosses at the clearance
    for (const auto& x : m) EXPECT_FALSE(x.x > 10.5f && x.x < 29.5f && x.z < 1.0f);  // the region is gone
    // The heights record is as it was.
    EXPECT_FLOAT_EQ(wrd2r(HEI8[HEI8_INCR]), 7.0f);
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 0);
    EXPECT_EQ(HEI8[HEI8_PLANE2], 0);
}

// After a region is rewritten the drawing shows the path as it now is: no
// drawing is left of a deleted motion or of a line split and written again
// in pieces, and every motion is drawn where it now ends. Deletion, a Z
// plane that splits a line and a move by delta Z, each after a motion of
// the path and as a continuing region whose first motion repeats the
// tool's point.
TEST(TrimAction, TheDrawnPathIsThePathAfterTheRegionIsRewritten)
{
    for (const i32 continuing_in : {0, 1})
        for (const i32 action : {ACT_DELETE, ACT_PROJECT, ACT_MOVE}) {
            const std::string what = "action " + std::to_string(action) + " continuing " + std::to_string(continuing_in);
            alt::fresh({0, 0, 20});
            alt::feed(100.0f);     // 1
            alt::line(0, 0, 20);   // 2
            alt::line(20, 0, 0);   // 3 crosses the plane at 10
            alt::line(30, 0, 0);   // 4
            alt::line(40, 0, 20);  // 5
            alt::draw_all();
            alteration_defaults[ZQA_ACTION] = action;
            alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
            alteration_defaults[ZQA_PROJOPT] = PRJ_BELOW_Z;
            zqas(ZQA_ZPLANE, 10.0f);
            zqas(ZQA_DELTAZ, 5.0f);
            ALTPDF.clear = 100.0f;
            f32 sp[3], sd[3];
            i32 first = 2 + (1 - continuing_in), last = 4, continuing = continuing_in, st = 0;
            delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
            EXPECT_EQ(st, 0) << what;
            alt::expect_drawn_as_listed(what);
        }
}

// A region whose first block the list does not hold is refused with a
// message, whatever the action, and the list is left as it was.
TEST(TrimAction, ARegionNotInTheListIsRefusedAndChangesNothing)
{
    for (const i32 action : {ACT_DELETE, ACT_PROJECT, ACT_MOVE}) {
        alt::fresh({0, 0, 0});
        alt::feed(100.0f);    // 1
        alt::line(10, 0, 0);  // 2
        alt::line(20, 0, 5);  // 3
        alteration_defaults[ZQA_ACTION] = action;
        alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
        zqas(ZQA_DELTAZ, 5.0f);
        const auto before = norak::main_list().elems.size();
        EXPECT_LT(remove(9, 9), 0) << action;
        EXPECT_EQ(alt::count("delete_trimed_blocks, THE FIRST BLOCK OF THE REGION WAS NOT FOUND"), 1u) << action;
        EXPECT_EQ(norak::main_list().elems.size(), before) << action;
        expect_moves({{10, 0, 0}, {20, 0, 5}});
    }
}

// A region at the list's first motion has no point before it: it starts
// where the writers last put the tool, not at the tool position shown.
TEST(TrimDelete, ARegionAtTheFirstMotionStartsAtTheWritersLastPoint)
{
    alt::fresh({5, 5, 20});
    for (int k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(-7.0f);
    alt::feed(100.0f);    // 1
    alt::line(10, 0, 0);  // 2
    alt::line(20, 0, 0);  // 3
    alt::line(30, 0, 0);  // 4
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    alteration_defaults[ZQA_CONNECT] = CON_DIRECT;
    f32 sp[3] = {}, sd[3] = {};
    i32 first = 2, last = 3, continuing = 0, st = 0;
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(sp[0], 5.0f);
    EXPECT_FLOAT_EQ(sp[1], 5.0f);
    EXPECT_FLOAT_EQ(sp[2], 20.0f);
}
