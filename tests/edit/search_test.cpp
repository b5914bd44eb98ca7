// The range between two picked motions: found in list order whichever pick
// comes first, a pick inside a string breaks it, a range not in the list;
// the search back for the machine state in force at a block.
#include <gtest/gtest.h>

#include <algorithm>

#include "blocks/movement.h"
#include "edit/alter/search.h"
#include "tests/edit/editor_common.h"

namespace {
// The point and direction before the range of the last run.
f32 before[3], before_dir[3];
i32 run(i32 a, i32 b, i32* first, i32& prev, i32& status)
{
    i32 pa[11] = {2, 1, a}, pb[11] = {2, 1, b}, in = 9;
    FNDRNG(10, 17, pa, pb, 0, in, prev, before, before_dir, status);
    *first = pa[2];
    return in;
}
// The number of the block at a list mark.
i32 at_mark(i32 slot)
{
    i32 st = 0;
    TPTOP(slot, st);
    i32 size = 0, type = 0, cls = 0, number = -1;
    TPBLKH(AM_LIST, size, type, cls, st);
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return number;
}
}  // namespace

TEST(RegionSearch, FindsTheRangeInListOrderAndBreaksAStringThatHoldsAPick)
{
    ed::fresh();
    ed::line(0);     // 1
    ed::line(10);    // 2
    fix::marker(3, 5.0f);  // 3
    ed::string(4);   // 4 .. 7
    fix::marker(4);  // 8
    ed::line(20);    // 9
    i32 first = 0, prev = 0, st = 0;
    EXPECT_EQ(run(9, 2, &first, prev, st), 1);  // the range passes the layer
    EXPECT_EQ(st, 0);
    EXPECT_EQ(first, 2);  // the records are exchanged
    EXPECT_EQ(prev, 1);
    EXPECT_EQ(at_mark(10), 2);
    EXPECT_EQ(at_mark(17), 9);
    // A pick on the string's third point: the string becomes lines.
    EXPECT_EQ(run(6, 6, &first, prev, st), 1);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(at_mark(10), 6);
    EXPECT_EQ(at_mark(17), 6);
    EXPECT_EQ(prev, 5);
    // The first motion of the list has no motion before it: the point and
    // direction before it are the last the writers wrote.
    const f32 written[3] = {-5, 7, 30}, axis[3] = {0, 0.6f, 0.8f};
    std::copy(written, written + 3, MOVST.point);
    std::copy(axis, axis + 3, MOVST.axis);
    EXPECT_EQ(run(1, 1, &first, prev, st), 0);
    EXPECT_EQ(prev, -1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(before[k], written[k]) << k;
        EXPECT_EQ(before_dir[k], axis[k]) << k;
    }
    // A block that is not there.
    run(2, 99, &first, prev, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("FNDRNG, THE INDICATED REGION WAS NOT FOUND WITHIN THE CURRENT PROCEDURE"));
}

// With break_strings set every string inside the range becomes lines, one
// of a single point as well as longer ones; strings outside it stay.
TEST(RegionSearch, StringsInsideTheRangeAreBrokenWhateverTheirLength)
{
    for (const i32 points : {1, 3}) {
        ed::fresh();
        ed::line(0);         // 1
        ed::string(points);  // 2 ..
        ed::line(10);        // 2 + points
        ed::string(2);       // after the range
        i32 pa[11] = {2, 1, 1}, pb[11] = {2, 1, 2 + points}, in = 0, prev = 0, st = 0;
        f32 p[3], d[3];
        FNDRNG(10, 17, pa, pb, 1, in, prev, p, d, st);
        EXPECT_EQ(st, 0) << points;
        i32 strings = 0, lines = 0;
        for (const ed::Block& b : ed::blocks()) {
            strings += b.type == 7 ? 1 : 0;
            lines += b.type == 2 ? 1 : 0;
        }
        EXPECT_EQ(strings, 1) << points;
        EXPECT_EQ(lines, 2 + points) << points;
    }
}

// Codes that no block before sets: the search runs back to the top of the
// list, ends with status 0 and leaves the cursor where it was; a code that
// is set is shown.
TEST(RegionSearch, TheMachineStateSearchRunsToTheTopForCodesNeverSet)
{
    ed::fresh();
    fix::tech(1, 700.0f);  // 1
    ed::line(0);           // 2
    ed::line(10);          // 3
    i32 answer = 0, st = 9;
    lacces(3, answer);
    const i32 never[2] = {52, 53}, feed[1] = {1};
    PRVMCH(3, 2, never, st);
    EXPECT_EQ(st, 0);
    i32 size = 0, type = 0, cls = 0, number = -1;
    TPBLKH(AM_LIST, size, type, cls, st);
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    EXPECT_EQ(number, 3);
    PRVMCH(3, 1, feed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(DSM4[DSM4_FEED]), 700.0f);
}

// After a jump to a block, forward or back, the search goes on past the
// technology block right before the motion jumped to: a spindle block there
// does not leave the feed shown as it was where the jump started.
TEST(RegionSearch, TheMachineStateSearchAfterAJumpGoesPastTheBlockBeforeTheTarget)
{
    ed::fresh();
    fix::tech(1, 500.0f);   // 1
    ed::line(0);            // 2
    fix::tech(1, 800.0f);   // 3
    fix::tech(2, 1200.0f);  // 4
    ed::line(10);           // 5: the block jumped to
    ed::line(20);           // 6
    for (const i32 from : {2, 6}) {
        MOVSTA.direction = 3;
        MOVSTA.jump = 4;
        MOVJMP[0] = from;
        MOVJMP[1] = 5;
        DSM4[DSM4_FEED] = r2wrd(from == 2 ? 500.0f : 300.0f);  // as shown before the jump
        i32 answer = 0, st = 9;
        lacces(3, answer);
        lacces(-1, answer);  // on block 5
        const i32 codes[2] = {1, 2};
        PRVMCH(3, 2, codes, st);
        EXPECT_EQ(st, 0) << from;
        EXPECT_EQ(wrd2r(DSM4[DSM4_FEED]), 800.0f) << from;
    }
}

// A list refused anywhere in the machine-state search fails it and leaves
// the cursor where the search started.
TEST(RegionSearch, AListErrorInTheMachineStateSearchLeavesTheCursorWhereItStarted)
{
    for (i32 refuse = 1; refuse <= 4; ++refuse) {
        ed::fresh();
        fix::tech(1, 700.0f);  // 1
        ed::line(0);           // 2
        ed::line(10);          // 3
        i32 answer = 0, st = 9;
        lacces(3, answer);
        const i32 never[1] = {52};
        norak::fail_list_call("lacces", refuse);
        PRVMCH(3, 1, never, st);
        norak::fail_list_call("lacces", 0);
        EXPECT_EQ(st, -1) << refuse;
        i32 size = 0, type = 0, cls = 0, number = -1;
        TPBLKH(AM_LIST, size, type, cls, st);
        tpget(AM_LIST, 1, DT_INT, &number, st);
        lclos();
        EXPECT_EQ(number, 3) << refuse;
    }
}
