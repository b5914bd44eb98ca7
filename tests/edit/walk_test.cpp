// The walk against the contour: motions that miss it, a rapid that enters
// and leaves it during a deletion, a line cut where it leaves, and a line
// that only ends on the contour.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "blocks/listacc.h"
#include "core/host.h"
#include "blocks/tech.h"
#include "edit/alter/walk.h"
#include "tests/edit/alter_common.h"

namespace {
const f64 SQUARE[10] = {10, 10, 30, 10, 30, 30, 10, 30, 10, 10};

struct Step {
    i32 cut = 0, before = 1, after = 0, type = 0, region = 0, seg = 0, dim = 0, status = 0;
    f64 frac = 0;
    f32 point[3], normal[3] = {0, 0, 1};
};

void setup(f32 feed)
{
    alt::fresh({0, 20, 0});
    trim_state.polygon.assign(SQUARE, SQUARE + 10);
    trim_state.npoly = 5;
    trim_state.mode = SEL_XY;
    alt::feed(feed);  // 1
}

// One walk step from the point, inside chosen.
Step walk(const f32* from, i32 walk_side, i32 inside = 1)
{
    trim_state.walk_side = walk_side;
    Step s;
    std::copy(from, from + 3, s.point);
    f32 prev[3], pn[3];
    get_next_movment(s.point, prev, s.normal, pn, inside, s.cut, s.before, s.after, s.type, s.region, s.seg,
                     s.frac, s.dim, s.status);
    return s;
}

// The cursor back to the head of the main list.
void rewind()
{
    i32 answer = 0;
    lacces(2, answer);
}

// From the head of the list, the first walk step from the point (by
// default the path's start left of the square), the walk outside.
Step first_step(std::array<f32, 3> from = {0, 20, 0})
{
    rewind();
    return walk(from.data(), 3);
}
}  // namespace

TEST(Walk, AMotionThatMissesTheContourIsPassedWhole)
{
    setup(100.0f);
    alt::line(5, 20, 0);  // 2
    alt::line(6, 20, 0);  // 3
    const Step s = first_step();
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.cut, 0);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 0);
    EXPECT_EQ(s.region, 2);
    EXPECT_FLOAT_EQ(s.point[0], 5.0f);
    // Passing the last motion reaches the end of the list.
    const Step e = walk(s.point, 3);
    EXPECT_EQ(e.status, -2);
    EXPECT_EQ(e.region, 3);
}

// The step over a motion that misses the contour, the list refusing its
// n-th access from the head of the list on (0: none).
Step missing_step(i32 refuse)
{
    setup(100.0f);
    alt::line(5, 20, 0);  // 2
    alt::line(6, 20, 0);  // 3
    rewind();
    norak::fail_list_call("lacces", refuse);
    return walk(std::array<f32, 3>{0, 20, 0}.data(), 3);
}

TEST(Walk, AListRefusedWhileAMotionIsPassedFailsTheStepInsteadOfEndingTheWalk)
{
    // The last access of the step is the one that passes the motion.
    i32 last = 0;
    for (i32 n = 1; n < 200; ++n) {
        missing_step(n);
        if (alt::count("lacces refused") == 0) break;
        last = n;
    }
    ASSERT_GT(last, 0);
    const Step s = missing_step(last);
    EXPECT_EQ(s.status, -1);
    EXPECT_EQ(missing_step(0).status, 0);
    // A list that cannot be read at all gives no motion to walk: a failure
    // too, not the end of the procedure.
    setup(100.0f);
    alt::line(5, 20, 0);
    rewind();
    norak::settings().tp_open = 0;
    const Step none = walk(std::array<f32, 3>{0, 20, 0}.data(), 3);
    norak::settings().tp_open = 1;
    EXPECT_EQ(none.status, -1);
}

TEST(Walk, ALineIsCutWhereItEntersAndTheSidesAreReported)
{
    setup(100.0f);
    alt::line(20, 20, 4);  // 2: enters at x 10 (z 2)
    const Step s = first_step();
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.cut, 2);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_NEAR(s.point[0], 10.0f, 1e-4);
    EXPECT_NEAR(s.point[2], 2.0f, 1e-4);
    EXPECT_EQ(s.seg, 4);  // the left side, from (10, 30) down
    EXPECT_NEAR(s.frac, 0.5, 1e-9);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0].x, 10.0f, 1e-4);
    EXPECT_EQ(s.region, m[1].number);  // the region starts with the second piece
    EXPECT_NEAR(trim_state.region[0], 10.0f, 1e-4);
}

TEST(Walk, ACutLeavesTheCursorOnTheSecondPieceAlsoAfterAFeedBlockIsWritten)
{
    for (const bool feed_block : {false, true}) {
        setup(100.0f);
        alt::line(20, 20, 4);  // 2: enters at x 10
        alt::line(40, 20, 4);  // 3
        // A feed last written as the maximum feed: the cut writes a feed
        // block ahead of its first piece.
        if (feed_block) {
            TECHST.status[1] = 1;
            TECHST.lastcode[1] = 27;
        }
        const Step s = first_step();
        ASSERT_EQ(s.status, 0) << feed_block;
        const auto& l = norak::main_list();
        EXPECT_EQ(l.elems.size(), feed_block ? 6u : 5u);
        const std::vector<i32>& at = l.elems[l.cur - 1].words;
        EXPECT_EQ(at[0], 2) << feed_block;
        EXPECT_EQ(at[1], s.region) << feed_block;  // the second piece
        EXPECT_NEAR(wrd2r(at[2]), 20.0f, 1e-5) << feed_block;
    }
}

// A string that enters the square in its first, second or third segment
// and leaves it in the next is broken into lines, and the walk stands on the
// point that begins the entering segment, so the next step meets the
// crossing on the line after it and cuts that line.
TEST(Walk, AStringIsBrokenAndTheNextStepCutsTheLineThatCrosses)
{
    const std::vector<std::vector<std::array<f32, 3>>> strings = {
        {{15, 20, 0}, {40, 20, 0}},
        {{5, 20, 0}, {15, 20, 0}, {40, 20, 0}},
        {{5, 20, 0}, {8, 20, 0}, {15, 20, 0}, {40, 20, 0}},
    };
    for (const auto& pts : strings) {
        setup(100.0f);
        alt::string(pts);
        const Step s = first_step();
        const size_t seg = pts.size() - 1;  // the segment that ends at x 15
        EXPECT_EQ(s.status, 0) << seg;
        EXPECT_EQ(s.cut, 0) << seg;
        EXPECT_NEAR(s.point[0], seg == 1 ? 0.0f : pts[seg - 2][0], 1e-4) << seg;
        const auto lines = alt::moves();
        ASSERT_EQ(lines.size(), pts.size()) << seg;
        for (const auto& m : lines) EXPECT_EQ(m.type, 2) << seg;
        const Step t = walk(s.point, 3);
        EXPECT_EQ(t.status, 0) << seg;
        EXPECT_EQ(t.cut, lines[seg - 1].number) << seg;
        EXPECT_EQ(t.after, 1) << seg;
        EXPECT_NEAR(t.point[0], 10.0f, 1e-4) << seg;
        EXPECT_EQ(alt::moves().size(), pts.size() + 1) << seg;
    }
}

TEST(Walk, ARapidThatEntersAndLeavesDuringADeletionIsNotCut)
{
    setup(-1.0f);
    alt::line(40, 20, 0);  // 2: through the square
    alt::line(20, 0, 0);   // 3: from outside into... out again? no: ends below it
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    const Step s = first_step();
    EXPECT_EQ(s.cut, 0);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 0);
    EXPECT_EQ(alt::moves().size(), 2u);
    // The same move at a feed is cut, and so is a rapid that only enters.
    for (const auto& [feed, end] : {std::pair<f32, f32>{100.0f, 40.0f}, {-1.0f, 20.0f}}) {
        setup(feed);
        alt::line(end, 20, 0);
        const Step f = first_step();
        EXPECT_EQ(f.cut, 2) << feed;
        EXPECT_EQ(alt::moves().size(), 2u) << feed;
        EXPECT_NEAR(alt::moves()[0].x, 10.0f, 1e-4) << feed;
    }
}

TEST(Walk, ALineThatEndsOnTheContourIsNotSplit)
{
    setup(100.0f);
    alt::line(20, 20, 0);  // 2: enters
    alt::line(30, 20, 0);  // 3: inside up to the right side
    alt::line(40, 20, 0);  // 4: out
    Step s = first_step();
    ASSERT_EQ(s.cut, 2);
    // Leaving: the line that ends on the contour is passed, not split.
    const Step t = walk(s.point, 1);
    EXPECT_EQ(t.status, 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NEAR(m[2].x, 30.0f, 1e-4);
    EXPECT_NEAR(m[3].x, 40.0f, 1e-4);
}

namespace {
// The words of every block of the type in the main list.
std::vector<std::vector<i32>> blocks_of_type(i32 type)
{
    std::vector<std::vector<i32>> out;
    for (const auto& el : norak::main_list().elems)
        if (!el.words.empty() && el.words[0] == type) out.push_back(el.words);
    return out;
}
// The number of the motion at the cursor.
i32 motion_here()
{
    i32 number = 0, type = 0, st = 0;
    f32 p[3], n[3];
    next_motion(1, number, type, p, n, st);
    return number;
}
// The number of the motion under list mark 10.
i32 block_at_mark10()
{
    i32 answer = 0;
    lmark(2, 10, answer);
    return motion_here();
}
}  // namespace

TEST(Walk, AMotionAlongTheContourIsPassedWithItsFollowersAndTheFirstToLeaveDecides)
{
    // Entering: a line ends on the bottom side at x 20, two lines run along
    // it to x 28, then one goes in. The region begins with the first line
    // along the side; the cursor goes back onto it.
    setup(100.0f);
    alt::line(20, 0, 0);   // 2
    alt::line(20, 10, 0);  // 3: ends on the contour
    alt::line(25, 10, 0);  // 4: along it
    alt::line(28, 10, 0);  // 5: along it
    alt::line(28, 20, 0);  // 6: in
    Step s = first_step();
    ASSERT_EQ(s.region, 2);  // the first motion misses the contour
    s = walk(s.point, 3);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_EQ(s.cut, 4);
    EXPECT_EQ(s.region, 4);
    EXPECT_EQ(s.seg, 1);  // the bottom side, half way
    EXPECT_NEAR(s.frac, 0.5, 1e-9);
    EXPECT_NEAR(trim_state.region[0], 20.0f, 1e-5);
    EXPECT_NEAR(trim_state.region[1], 10.0f, 1e-5);
    EXPECT_NEAR(s.point[0], 28.0f, 1e-5);  // where the deciding motion starts
    EXPECT_EQ(motion_here(), 4);
    EXPECT_EQ(block_at_mark10(), 3);
    EXPECT_EQ(alt::moves().size(), 5u);  // nothing is cut

    // Leaving: from inside down onto the bottom side, along it, then out.
    // The region ends with the motion along the side; the crossing is where
    // the path leaves it.
    setup(100.0f);
    alt::line(20, 20, 0);  // 2
    alt::line(20, 10, 0);  // 3: onto the contour
    alt::line(25, 10, 0);  // 4: along it
    alt::line(25, 0, 0);   // 5: out
    rewind();
    const f32 inside[3] = {20, 20, 0};
    s = walk(inside, 1);
    ASSERT_EQ(s.region, 2);
    s.before = 1;
    trim_state.walk_side = 1;
    f32 prev[3], pn[3];
    get_next_movment(s.point, prev, s.normal, pn, 1, s.cut, s.before, s.after, s.type, s.region, s.seg, s.frac,
                     s.dim, s.status);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.before, 1);
    EXPECT_EQ(s.after, 0);
    EXPECT_EQ(s.cut, 4);
    EXPECT_EQ(s.region, 4);
    EXPECT_EQ(s.seg, 1);
    EXPECT_NEAR(s.frac, 0.75, 1e-9);
    EXPECT_NEAR(s.point[0], 25.0f, 1e-5);
    EXPECT_NEAR(s.point[1], 10.0f, 1e-5);
    EXPECT_EQ(motion_here(), 4);
}

TEST(Walk, AnArcIsCutIntoTwoArcsTurningItsOwnWay)
{
    // A half circle about (12, 20) of radius 5 from (7, 20), once
    // counter-clockwise through (12, 15), once clockwise through (12, 25):
    // it enters the square's left side x 10 near where cos a = -0.4, 66.4
    // degrees from its start.
    const f32 turn = 1.1546f;  // the angle to the crossing on the chord
    for (const f32 sweep : {3.14159265f, -3.14159265f}) {
        setup(100.0f);
        alt::line(7, 20, 0);  // 2
        alt::arc(1, sweep, {12, 20}, {17, 20, 0});  // 3
        Step s = first_step();
        ASSERT_EQ(s.region, 2);
        s = walk(s.point, 3);
        EXPECT_EQ(s.status, 0) << sweep;
        EXPECT_EQ(s.cut, 3) << sweep;
        EXPECT_EQ(s.after, 1) << sweep;
        EXPECT_NEAR(s.point[0], 10.0f, 1e-4) << sweep;
        // The crossing lies on the chord between the points at 234 and 252
        // degrees (the sweep in ten steps).
        EXPECT_NEAR(s.point[1], sweep > 0 ? 15.4765f : 24.5235f, 2e-3f) << sweep;
        const std::vector<std::vector<i32>> arcs = blocks_of_type(3);
        ASSERT_EQ(arcs.size(), 2u) << sweep;
        // Both pieces turn the arc's way and make up its sweep.
        EXPECT_NEAR(wrd2r(arcs[0][3]), std::copysign(turn, sweep), 1e-3f) << sweep;
        EXPECT_NEAR(wrd2r(arcs[0][3]) + wrd2r(arcs[1][3]), sweep, 1e-5f) << sweep;
        EXPECT_NEAR(wrd2r(arcs[0][7]), 10.0f, 1e-4) << sweep;
        EXPECT_NEAR(wrd2r(arcs[1][7]), 17.0f, 1e-5) << sweep;
        EXPECT_EQ(s.region, arcs[1][1]) << sweep;
    }
}

TEST(Walk, ANurbsIsCutIntoItsTwoPiecesAtTheCrossing)
{
    setup(100.0f);
    // A straight cubic from (0, 20) to (30, 20): it enters at x 10.
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const f64 pts[12] = {0, 20, 0, 10, 20, 0, 20, 20, 0, 30, 20, 0};
    i32 st = 0;
    PTBT5(AM_APPEND, 5, 4, 4, knots, pts, 0, st);  // 2
    ASSERT_EQ(st, 0);
    const Step s = first_step();
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.cut, 2);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_NEAR(s.point[0], 10.0f, 1e-3);
    const std::vector<std::vector<i32>> curves = blocks_of_type(5);
    ASSERT_EQ(curves.size(), 2u);
    auto x = [](const std::vector<i32>& w, i32 k) { return wrd2r(w[static_cast<size_t>(4 + 4 * k + 1)]); };
    const i32 na = curves[0][3], nb = curves[1][3];
    EXPECT_NEAR(x(curves[0], 0), 0.0f, 1e-4);
    EXPECT_NEAR(x(curves[0], na - 1), 10.0f, 1e-3);
    EXPECT_NEAR(x(curves[1], 0), 10.0f, 1e-3);
    EXPECT_NEAR(x(curves[1], nb - 1), 30.0f, 1e-4);
    EXPECT_EQ(s.region, curves[1][1]);
    EXPECT_NEAR(trim_state.region[0], 10.0f, 1e-3);
}

TEST(Walk, AFullCircleIsCutWithTheAngleItsOwnWayRound)
{
    // A full circle about (10, 20) of radius 5 from (5, 20) crosses the
    // left side x 10 twice; the side after the first crossing is tested at
    // the circle's next point (inside), not at the middle of the two
    // crossings (on the side).
    for (const f32 sweep : {6.2831853f, -6.2831853f}) {
        setup(100.0f);
        alt::line(5, 20, 0);  // 2
        alt::arc(1, sweep, {10, 20}, {5, 20, 0});  // 3
        Step s = first_step();
        s = walk(s.point, 3);
        EXPECT_EQ(s.cut, 3) << sweep;
        EXPECT_EQ(s.after, 1) << sweep;
        // The crossing on the chord between the points at 252 and 288
        // degrees (108 and 72 clockwise).
        EXPECT_NEAR(s.point[0], 10.0f, 1e-4) << sweep;
        EXPECT_NEAR(s.point[1], sweep > 0 ? 15.2447f : 24.7553f, 1e-3) << sweep;
        const std::vector<std::vector<i32>> arcs = blocks_of_type(3);
        ASSERT_EQ(arcs.size(), 2u) << sweep;
        EXPECT_NEAR(wrd2r(arcs[0][3]), sweep / 4, 1e-5f) << sweep;
        EXPECT_NEAR(wrd2r(arcs[1][3]), 3 * sweep / 4, 1e-5f) << sweep;
        EXPECT_NEAR(wrd2r(arcs[1][7]), 5.0f, 1e-5) << sweep;
        EXPECT_NEAR(wrd2r(arcs[1][8]), 20.0f, 1e-5) << sweep;
    }
}

TEST(Walk, AnArcThatEndsOnTheContourIsNotSplitAndTheMotionAfterItDecides)
{
    // A quarter circle about (10, 20) from (5, 20) clockwise to (10, 25) on
    // the left side, then a line in along y 25.
    setup(100.0f);
    alt::line(5, 20, 0);  // 2
    alt::arc(1, -1.57079633f, {10, 20}, {10, 25, 0});  // 3
    alt::line(20, 25, 0);  // 4
    Step s = first_step();
    s = walk(s.point, 3);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_EQ(s.cut, 4);
    EXPECT_EQ(s.region, 4);
    const auto arcs = blocks_of_type(3);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_NEAR(wrd2r(arcs[0][3]), -1.57079633f, 1e-6f);
    EXPECT_EQ(block_at_mark10(), 3);
}

TEST(Walk, AMotionWhoseOnlyCrossingIsItsStartBoundsTheRegionThereUncut)
{
    setup(100.0f);
    alt::line(10, 20, 0);  // 2: ends on the left side
    alt::line(20, 20, 0);  // 3: from the side in
    rewind();
    i32 answer = 0;
    for (int k = 0; k < 3; ++k) lacces(1, answer);  // past the header, the feed and the first motion
    ASSERT_EQ(motion_here(), 3);  // the walk goes on from the second motion
    const f32 start[3] = {10, 20, 0};
    const Step s = walk(start, 3);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_EQ(s.cut, 3);
    EXPECT_EQ(s.region, 3);
    EXPECT_EQ(s.seg, 4);  // the left side, half way
    EXPECT_NEAR(s.frac, 0.5, 1e-9);
    EXPECT_NEAR(s.point[0], 10.0f, 1e-5);
    EXPECT_EQ(block_at_mark10(), 2);
    EXPECT_EQ(alt::moves().size(), 2u);
}

TEST(Walk, ANurbsIsCutWhereItsCurveCrossesAContourInItsOwnPlane)
{
    // The square in the XZ plane; a cubic at y 5 that climbs through its
    // left side x 10 on a bend, where the chord of the resampled points
    // crosses away from the curve.
    setup(100.0f);
    trim_state.mode = SEL_PLANE;
    trim_state.inplane = 1;
    const f64 xz[12] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0};
    std::copy(xz, xz + 12, trim_state.plane);
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const f64 pts[12] = {0, 5, 20, 5, 5, 35, 10, 5, 5, 20, 5, 20};
    i32 st = 0;
    PTBT5(AM_APPEND, 5, 4, 4, knots, pts, 0, st);  // 2
    ASSERT_EQ(st, 0);
    const Step s = first_step({0, 5, 20});
    trim_state.inplane = 0;
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.cut, 2);
    EXPECT_NEAR(s.point[0], 10.0f, 1e-4);
}

TEST(Walk, AContourInItsOwnPlaneIsCrossedInThatPlane)
{
    // The square lies in the XZ plane (its x, y are the path's x, z): a
    // line at y 5 and height 20 from x 0 to 20 enters it at x 10.
    setup(100.0f);
    trim_state.mode = SEL_PLANE;
    trim_state.inplane = 1;
    const f64 xz[12] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0};
    std::copy(xz, xz + 12, trim_state.plane);
    alt::line(20, 5, 20);  // 2
    const Step s = first_step({0, 5, 20});
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.cut, 2);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 1);
    EXPECT_EQ(s.seg, 4);
    EXPECT_NEAR(s.frac, 0.5, 1e-9);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0].x, 10.0f, 1e-4);
    EXPECT_NEAR(m[0].y, 5.0f, 1e-4);
    EXPECT_NEAR(m[0].z, 20.0f, 1e-4);
    // A point of the path is inside when its x, z are.
    const f32 in[3] = {20, -100, 20}, out[3] = {20, 0, 40};
    EXPECT_EQ(contour_side(in), 1);
    EXPECT_EQ(contour_side(out), 3);
    trim_state.inplane = 0;
}

// An arc that leaves the contour after a run along it decides by its first
// step: turning left it dips out under the bottom side (the walk stays
// outside, nothing is cut), turning right it goes in (the region begins
// with the run along the side).
TEST(Walk, AnArcAfterARunAlongTheContourDecidesByItsFirstStep)
{
    for (const f32 sweep : {1.5707964f, -1.5707964f}) {
        setup(100.0f);
        alt::line(20, 0, 0);   // 2
        alt::line(20, 10, 0);  // 3: ends on the contour
        alt::line(25, 10, 0);  // 4: along it
        // 5: about (28, 13) from (25, 10), a quarter either way
        alt::arc(1, sweep, {28, 13}, {sweep > 0 ? 31.0f : 25.0f, sweep > 0 ? 10.0f : 16.0f, 0});
        alt::line(40, 10, 0);  // 6
        Step s = first_step();
        s = walk(s.point, 3);
        EXPECT_EQ(s.status, 0) << sweep;
        EXPECT_EQ(s.after, sweep > 0 ? 0 : 1) << sweep;
        EXPECT_EQ(s.cut, sweep > 0 ? 0 : 4) << sweep;
    }
}

// The first-rapid word, -1 before a walk, takes the first rapid motion met
// and keeps it; a walk at a feed leaves it at -1.
TEST(Walk, TheFirstRapidWordTakesTheFirstRapidMotionMet)
{
    for (const f32 feed : {-1.0f, 100.0f}) {
        setup(feed);
        alt::line(5, 20, 0);  // 2
        alt::line(6, 20, 0);  // 3
        trim_state.first_rapid = -1;
        const Step s = first_step();
        walk(s.point, 3);
        EXPECT_EQ(trim_state.first_rapid, feed < 0 ? 2 : -1) << feed;
    }
}

// A curve call that fails while the crossing's parameter is sought fails
// the step with its status and leaves the NURBS whole.
TEST(Walk, ACurveCallThatFailsFailsTheNurbsCutAndLeavesItWhole)
{
    setup(100.0f);
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const f64 pts[12] = {0, 20, 0, 10, 20, 0, 20, 20, 0, 30, 20, 0};
    i32 st = 0;
    PTBT5(AM_APPEND, 5, 4, 4, knots, pts, 0, st);  // 2: enters at x 10
    ASSERT_EQ(st, 0);
    norak::fail_list_call("cptcrv2", 1);
    const Step s = first_step();
    norak::fail_list_call("cptcrv2", 0);
    EXPECT_LT(s.status, 0);
    EXPECT_EQ(blocks_of_type(5).size(), 1u);
}
