// Strings of lines across list elements, and reads through the list
// transformation and the block coordinate conversion.
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

TEST_F(BlocksTest, StringOverflowContinuesWithContinuousNumbers)
{
    norak::settings().element_capacity = 1 + 4 * 3;  // three points an element
    i32 st = 0;
    PCLSRQ(st);
    for (i32 k = 0; k < 7; ++k) {
        const f32 p[3] = {static_cast<f32>(k), static_cast<f32>(2 * k), 5}, v[3] = {0, 0, 1};
        MOVSTR(1, p, v, st);
        ASSERT_EQ(st, 0);
    }
    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 3u);
    i32 next = 0;
    for (const auto& e : l) {
        ASSERT_EQ(e[0], 7);
        for (size_t k = 1; k < e.size(); k += 4) {
            EXPECT_EQ(e[k], next);
            EXPECT_EQ(e[k + 1], R(static_cast<f32>(next)));
            ++next;
        }
    }
    EXPECT_EQ(next, 7);
    EXPECT_EQ(l[2].size(), 5u);
    // Each full element was closed and shown once.
    EXPECT_EQ(norak::blocks_displayed(), 2);

    // A point that cannot fit even a new element is refused.
    norak::settings().element_capacity = 4;
    PCLSRQ(st);
    const f32 p[3] = {50, 50, 5}, v[3] = {0, 0, 1};
    MOVSTR(1, p, v, st);
    EXPECT_EQ(st, -1);
}

TEST_F(BlocksTest, RepeatedStringPointsAreDroppedOnceMovesWereWritten)
{
    TPMACH = 23;
    i32 st = 0;
    const f32 a[3] = {1, 1, 1}, v[3] = {0, 0, 1};
    PLINE(1, a, v, 2, st);
    PCLSRQ(st);
    MOVSTR(1, a, v, st);  // same point as the line: dropped
    const f32 b[3] = {2, 2, 1};
    MOVSTR(1, b, v, st);
    MOVSTR(1, b, v, st);
    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[1], (Words{7, 1, R(2), R(2), R(1)}));
}

TEST_F(BlocksTest, ConvertedReadsApplyTheListTransformationFirst)
{
    const f32 p[3] = {1, 2, 3}, v[3] = {1, 0, 0};
    i32 st = 0;
    PTBT2(AM_APPEND, 22, p, v, 0, st);
    // List: a quarter turn about Z and a lift of 10; conversion: shift in X.
    const f32 m[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, t[3] = {0, 0, 10};
    norak::set_list_transform(m, t);
    const f64 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, off[3] = {100, 0, 0}, ref[2] = {0, 0};
    CNVSET(id, off, ref);
    i32 size = 0, type = 0, cls = 0, recs = 0, number = 0;
    TPBLKH(AM_LISTCNV, size, type, cls, st);
    f32 q[3], w[3];
    RDBT2(AM_LISTCNV, type, size, recs, number, q, w, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(q[0], 98.0f);
    EXPECT_FLOAT_EQ(q[1], 1.0f);
    EXPECT_FLOAT_EQ(q[2], 13.0f);
    EXPECT_FLOAT_EQ(w[0], 0.0f);
    EXPECT_FLOAT_EQ(w[1], 1.0f);
    // Mode 2 reads the words as they are.
    TPBLKH(AM_LIST, size, type, cls, st);
    RDBT2(AM_LIST, type, size, recs, number, q, w, st);
    EXPECT_EQ(q[0], 1.0f);
}

TEST_F(BlocksTest, AStringInterruptedByAnotherBlockContinuesInANewOne)
{
    TPMACH = 23;
    i32 st = 0;
    PCLSRQ(st);
    const f32 v[3] = {0, 0, 1};
    const f32 a[3] = {1, 0, 0}, b[3] = {2, 0, 0};
    MOVSTR(1, a, v, st);
    TECHST.status[3] = 2;
    TECHST.wflag[3] = 2;
    PRM9[9] = 4;
    PT1MCH(1, 3, st);  // a technology block between two string points
    MOVSTR(1, b, v, st);
    ASSERT_EQ(st, 0);
    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], (Words{7, 0, R(1), R(0), R(0)}));
    EXPECT_EQ(l[1], (Words{1, 1, 3, 0, 4}));
    EXPECT_EQ(l[2], (Words{7, 2, R(2), R(0), R(0)}));
}
