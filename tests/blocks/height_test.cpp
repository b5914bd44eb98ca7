// Height adjustment of the movement block at the cursor: lines, arcs by
// plane, strings, NURBS, blocks left alone, repeated X and Y.
#include "blocks/height.h"
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const f32 UP[3] = {0, 0, 1};

struct HeightTest : BlocksTest {
    // Reads the header of element k (from 1) and changes it.
    i32 change(i32 k, i32 mode, f32 value, i32 skipxy = 0, i32 medium = AM_LIST)
    {
        i32 answer = 0;
        lacces(2, answer);
        for (i32 j = 1; j < k; ++j) lacces(1, answer);
        i32 size = 0, type = 0, cls = 0, st = 0, number = -1;
        TPBLKH(medium, size, type, cls, st);
        EXPECT_EQ(st, 0);
        TPSETZ(medium, mode, type, size, value, 0.01, skipxy, number, st);
        return st;
    }
};
}  // namespace

TEST_F(HeightTest, LinesArcsAndStringsChangeTheirZOnly)
{
    i32 st = 0;
    const f32 p[3] = {1, 2, 10}, v[3] = {0, 0.6f, 0.8f};
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    PTBT2(AM_LIST, 22, p, v, 2, st);
    const f32 c[2] = {5, 7}, e[3] = {3, 4, 6};
    PTBT3(AM_LIST, 3, 2, 1.0f, 0.1f, c, e, UP, 3, st);
    PTBT3(AM_LIST, 23, 1, 1.0f, 0.1f, c, e, v, 4, st);
    BLKOPN(AM_LIST, 27, 15, st);
    PTSTRP(AM_LIST, 27, 5, p, v, st);
    PTSTRP(AM_LIST, 27, 6, e, v, st);
    BLKCLS(AM_LIST);
    PUTBT4(AM_LIST, 4, 4, "TEXT", 7, st);
    PTBT3(AM_LIST, 3, 3, 1.0f, 0.1f, c, e, UP, 8, st);
    const auto before = dump::main_list();

    EXPECT_EQ(change(1, 1, -2.0f), 0);
    EXPECT_EQ(change(2, 1, -2.0f), 0);
    EXPECT_EQ(change(3, 2, 4.0f), 0);  // set, arc in the XZ plane
    EXPECT_EQ(change(4, 2, 4.0f), 0);  // set, arc in the XY plane
    EXPECT_EQ(change(5, 1, 0.5f), 0);
    EXPECT_EQ(change(6, 1, 0.5f), 0);  // a text: nothing
    EXPECT_EQ(change(7, 1, 1.0f), 0);  // arc in the YZ plane: its centre's z is the second
    const auto l = dump::main_list();
    EXPECT_EQ(l[0], (Words{2, 1, R(1), R(2), R(8)}));
    EXPECT_EQ(l[1], (Words{22, 2, R(1), R(2), R(8), R(0), R(0.6f), R(0.8f)}));
    EXPECT_EQ(l[2], (Words{3, 3, 2, R(1), R(0.1f), R(5), R(4), R(3), R(4), R(4)}));
    EXPECT_EQ(l[3], (Words{23, 4, 1, R(1), R(0.1f), R(5), R(7), R(3), R(4), R(4), R(0), R(0.6f), R(0.8f)}));
    EXPECT_EQ(l[4], (Words{27, 5, R(1), R(2), R(10.5f), R(0), R(0.6f), R(0.8f), 6, R(3), R(4), R(6.5f), R(0), R(0.6f),
                           R(0.8f)}));
    EXPECT_EQ(l[5], before[5]);
    EXPECT_EQ(l[6], (Words{3, 8, 3, R(1), R(0.1f), R(5), R(8), R(3), R(4), R(7)}));
}

TEST_F(HeightTest, RepeatedXYAndTheEntityStream)
{
    i32 st = 0;
    const f32 p[3] = {1, 2, 10}, q[3] = {1, 2, 20};
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    PTBT2(AM_LIST, 2, q, UP, 2, st);
    EXPECT_EQ(change(1, 1, 1.0f, 1), 0);
    EXPECT_EQ(change(2, 1, 1.0f, 1), 0);  // the same X and Y: left alone
    EXPECT_EQ(dump::main_list()[0], (Words{2, 1, R(1), R(2), R(11)}));
    EXPECT_EQ(dump::main_list()[1], (Words{2, 2, R(1), R(2), R(20)}));
    i32 number = 0;
    i32 answer = 0, size = 0, type = 0, cls = 0;
    lacces(2, answer);
    lacces(1, answer);
    TPBLKH(AM_LIST, size, type, cls, st);
    NRBCNV(AM_LIST, 1, type, size, 1.0f, 0.01, number, st);  // no check of X and Y
    EXPECT_EQ(number, 2);
    EXPECT_EQ(dump::main_list()[1], (Words{2, 2, R(1), R(2), R(21)}));

    const i32 id = open_stream();
    PTBT2(AM_ENTITY, 2, p, UP, 5, st);
    rewind(id);
    TPBLKH(AM_ENTITY, size, type, cls, st);
    NRBCNV(AM_ENTITY, 0, type, size, 3.0f, 0.01, number, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(dump::entity(id), (Words{5, 2, 5, R(1), R(2), R(3)}));
}

TEST_F(HeightTest, NurbsIsRebuiltInItsPlaceWithItsTypeAndNumber)
{
    i32 st = 0;
    const f32 p[3] = {0, 0, 0};
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    const f64 knots[7] = {0, 0, 0, 0.5, 1, 1, 1}, pts[12] = {0, 0, 5, 1, 0, 5, 2, 1, 6, 3, 1, 7};
    PTBT5(AM_LIST, 225, 3, 4, knots, pts, 9, st);
    PTBT2(AM_LIST, 2, p, UP, 10, st);
    EXPECT_EQ(change(2, 1, -5.0f), 0);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[1], (Words{225, 9, 3, 4, R(0), R(0), R(0), R(0), R(0), R(1), R(0), R(0), R(0), R(2), R(1), R(1),
                           R(0.5f), R(3), R(1), R(2), R(1), R(1), R(1)}));
    EXPECT_EQ(l[2][1], 10);

    // A block whose order and count do not fit its size is refused, and
    // so is an order of 0.
    norak::main_list().elems[1].words[3] = 99;
    EXPECT_EQ(change(2, 1, 1.0f), -1);
    norak::main_list().elems[1].words[3] = 4;
    norak::main_list().elems[1].words[2] = 4;  // one knot more than the block holds
    EXPECT_EQ(change(2, 1, 1.0f), -1);
    norak::main_list().elems[1].words[2] = 0;
    EXPECT_EQ(change(2, 1, 1.0f), -1);
    EXPECT_EQ(norak::transcript_count("TPSETZ, WRONG ORDER OR POINT COUNT"), 3u);
    EXPECT_FALSE(norak::transcript_has("TPSETZ, THE CURVE COULD NOT BE REBUILT"));

    // In the entity stream the control points change in place; the knots
    // after them stay.
    const i32 id = open_stream();
    PTBT5(AM_ENTITY, 5, 3, 4, knots, pts, 9, st);
    const auto before = dump::entity(id);
    rewind(id);
    i32 size = 0, type = 0, cls = 0, number = 0;
    TPBLKH(AM_ENTITY, size, type, cls, st);
    NRBCNV(AM_ENTITY, 0, type, size, 1.0f, 0.01, number, st);
    EXPECT_EQ(st, 0);
    auto after = dump::entity(id);
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(after[5 + 4 * k + 3], R(1.0f));
        after[5 + 4 * k + 3] = before[5 + 4 * k + 3];
    }
    EXPECT_EQ(after, before);
}

TEST_F(HeightTest, StringOfSimplePoints)
{
    i32 st = 0;
    const f32 p[3] = {1, 2, 10}, q[3] = {3, 4, 20};
    BLKOPN(AM_LIST, 7, 9, st);
    PTSTRP(AM_LIST, 7, 1, p, UP, st);
    PTSTRP(AM_LIST, 7, 2, q, UP, st);
    BLKCLS(AM_LIST);
    EXPECT_EQ(change(1, 2, 5.0f), 0);
    EXPECT_EQ(dump::main_list()[0], (Words{7, 1, R(1), R(2), R(5), 2, R(3), R(4), R(5)}));
}

TEST_F(HeightTest, ABlockCutShortFails)
{
    put_block({3, 5, 2});
    put_block({2, 6, R(1.0f)});
    EXPECT_LT(change(1, 1, 1.0f), 0);
    EXPECT_LT(change(2, 2, 1.0f), 0);
}

// The repeated-XY check has no last point before a point was changed: a
// first point at X and Y 0 is changed, a second one there left alone.
TEST_F(HeightTest, NoLastPointBeforeTheFirstChange)
{
    i32 st = 0;
    const f32 p[3] = {0, 0, 10};
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    PTBT2(AM_LIST, 2, p, UP, 2, st);
    TPLAST = {0, 0.0f, 0.0f};
    EXPECT_EQ(change(1, 1, 1.0f, 1), 0);
    EXPECT_EQ(change(2, 1, 1.0f, 1), 0);
    EXPECT_EQ(dump::main_list()[0], (Words{2, 1, R(0), R(0), R(11)}));
    EXPECT_EQ(dump::main_list()[1], (Words{2, 2, R(0), R(0), R(10)}));
}

// A NURBS block rebuilt in the entity stream leaves the stream at its end,
// where the next block is read; one rebuilt as the list's first block takes
// its place there.
TEST_F(HeightTest, NurbsRebuiltInTheEntityAndFirstInTheList)
{
    i32 st = 0;
    const f64 knots[7] = {0, 0, 0, 0.5, 1, 1, 1}, pts[12] = {0, 0, 5, 1, 0, 5, 2, 1, 6, 3, 1, 7};
    const f32 p[3] = {4, 5, 6};
    const i32 id = open_stream();
    PTBT5(AM_ENTITY, 5, 3, 4, knots, pts, 9, st);
    PTBT2(AM_ENTITY, 2, p, UP, 10, st);
    rewind(id);
    i32 size = 0, type = 0, cls = 0, number = 0;
    TPBLKH(AM_ENTITY, size, type, cls, st);
    NRBCNV(AM_ENTITY, 1, type, size, 1.0f, 0.01, number, st);
    EXPECT_EQ(st, 0);
    TPBLKH(AM_ENTITY, size, type, cls, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(type, 2);

    PTBT5(AM_LIST, 5, 3, 4, knots, pts, 1, st);
    PTBT2(AM_LIST, 2, p, UP, 2, st);
    EXPECT_EQ(change(1, 2, 3.0f), 0);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0][0], 5);
    EXPECT_EQ(l[0][1], 1);
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(l[0][4 + 4 * k + 3], R(3.0f)) << k;
    EXPECT_EQ(l[1], (Words{2, 2, R(4), R(5), R(6)}));
}
