// The walk against the contour: motions that miss it, a rapid that enters
// and leaves it during a deletion, a line cut where it leaves, and a line
// that only ends on the contour.
#include <gtest/gtest.h>

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
}  // namespace

TEST(Walk, AMotionThatMissesTheContourIsPassedWhole)
{
    setup(100.0f);
    alt::line(5, 20, 0);  // 2
    alt::line(6, 20, 0);  // 3
    i32 answer = 0;
    lacces(2, answer);
    const f32 start[3] = {0, 20, 0};
    const Step s = walk(start, 3);
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

TEST(Walk, ALineIsCutWhereItEntersAndTheSidesAreReported)
{
    setup(100.0f);
    alt::line(20, 20, 4);  // 2: enters at x 10 (z 2)
    i32 answer = 0;
    lacces(2, answer);
    const f32 start[3] = {0, 20, 0};
    const Step s = walk(start, 3);
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

TEST(Walk, ARapidThatEntersAndLeavesDuringADeletionIsNotCut)
{
    setup(-1.0f);
    alt::line(40, 20, 0);  // 2: through the square
    alt::line(20, 0, 0);   // 3: from outside into... out again? no: ends below it
    alteration_defaults[ZQA_ACTION] = ACT_DELETE;
    i32 answer = 0;
    lacces(2, answer);
    const f32 start[3] = {0, 20, 0};
    const Step s = walk(start, 3);
    EXPECT_EQ(s.cut, 0);
    EXPECT_EQ(s.before, 0);
    EXPECT_EQ(s.after, 0);
    EXPECT_EQ(alt::moves().size(), 2u);
    // The same move at a feed is cut.
    setup(100.0f);
    alt::line(40, 20, 0);
    lacces(2, answer);
    const Step f = walk(start, 3);
    EXPECT_EQ(f.cut, 2);
    EXPECT_EQ(alt::moves().size(), 2u);
    EXPECT_NEAR(alt::moves()[0].x, 10.0f, 1e-4);
}

TEST(Walk, ALineThatEndsOnTheContourIsNotSplit)
{
    setup(100.0f);
    alt::line(20, 20, 0);  // 2: enters
    alt::line(30, 20, 0);  // 3: inside up to the right side
    alt::line(40, 20, 0);  // 4: out
    i32 answer = 0;
    lacces(2, answer);
    const f32 start[3] = {0, 20, 0};
    Step s = walk(start, 3);
    ASSERT_EQ(s.cut, 2);
    // Leaving: the line that ends on the contour is passed, not split.
    const Step t = walk(s.point, 1);
    EXPECT_EQ(t.status, 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NEAR(m[2].x, 30.0f, 1e-4);
    EXPECT_NEAR(m[3].x, 40.0f, 1e-4);
}
