// The range between two picked motions: found in list order whichever pick
// comes first, a pick inside a string breaks it, a range not in the list.
#include <gtest/gtest.h>

#include "edit/alter/search.h"
#include "tests/edit/editor_common.h"

namespace {
i32 run(i32 a, i32 b, i32* first, i32& prev, i32& status)
{
    i32 pa[11] = {2, 1, a}, pb[11] = {2, 1, b}, in = 9;
    f32 p[3], d[3];
    FNDRNG(10, 17, pa, pb, 0, in, prev, p, d, status);
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
    // The first motion of the list has no motion before it.
    EXPECT_EQ(run(1, 1, &first, prev, st), 0);
    EXPECT_EQ(prev, -1);
    // A block that is not there.
    run(2, 99, &first, prev, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("FNDRNG, THE INDICATED REGION WAS NOT FOUND WITHIN THE CURRENT PROCEDURE"));
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
