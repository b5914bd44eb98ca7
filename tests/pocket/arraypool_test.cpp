// The pocket-array pool's second chance, conversions from and to plain
// number lists, and the thinning into an output of another dimension.
#include <gtest/gtest.h>

#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "tests/pocket/common.h"

using namespace pk;

TEST(PocketPool, ARefusedAllocationFreesTheUnusedBuffersAndTriesOnce)
{
    fresh();
    pokarr a;
    i32 st = 0, got = -1;
    pokarr_init_dyn(1, 100, a, st);  // 1,024 bytes, then released
    const i32 ia = a.storage;
    pokarr_free(a);
    ASSERT_EQ(pkdm_bytes(ia), 1024);
    // the first try refused: the unused buffer's memory goes, the second
    // try is granted
    norak::fail_alloc_after(1);
    pkdm_alloc(5000, got);
    EXPECT_GE(got, 0);
    EXPECT_EQ(pkdm_bytes(got), 5120);
    EXPECT_EQ(pkdm_bytes(ia), 0);
    // both refused: index -2 and the message
    norak::fail_alloc_after(1, 2);
    pkdm_alloc(9000, got);
    EXPECT_EQ(got, -2);
    EXPECT_TRUE(norak::transcript_has("internal: [pkdm_alloc] UNABLE TO ALLOCATE MEMORY"));
    pkdm_rel_all();
}

TEST(PocketArrays, NumberListsConvertByWholePointsAndThinningKeepsTheOutputsDimension)
{
    fresh();
    i32 st = 0;
    // seven numbers: three points in 2-D, two in 3-D, for every copying road
    pokarr nums;
    pokarr_init_dyn(1, 7, nums, st);
    for (i32 k = 0; k < 7; ++k) nums.x[k] = k + 1.0;
    nums.count = 7;
    struct Case {
        i32 dims, points;
    } cases[] = {{2, 3}, {3, 2}};
    for (const Case& c : cases) {
        pokarr t;
        pokarr_init(c.dims, t);
        pokarr_copy_part(7, nums, 0, t, 0, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(t.count, c.points) << c.dims;
        EXPECT_EQ(t.x[c.points - 1], 1.0 + c.dims * (c.points - 1)) << c.dims;
        pokarr_copy_ins(7, nums, 0, t, 0, st);
        EXPECT_EQ(t.count, 2 * c.points) << c.dims;
        EXPECT_EQ(t.x[0], 1.0);
        pokarr_free(t);
    }
    // numbers into an array with vectors: refused, and nothing left in it;
    // the source's area, direction and indicator are taken all the same
    pokarr v = make(square(0, 0, 1), 4);
    nums.area = 2.5;
    nums.direction = -1;
    nums.indicator = 3;
    pokarr_copy(nums, v, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(v.count, 0);
    EXPECT_EQ(v.area, 2.5);
    EXPECT_EQ(v.direction, -1);
    EXPECT_EQ(v.indicator, 3);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_copy] UNABLE TO CONVERT 1D ARRAYS"));
    // thinning a plane line of five points into arrays of three
    // dimensions and of numbers: the middle points go, heights 0
    Loop line;
    for (i32 k = 0; k < 5; ++k) line.pt(k, 0.0);
    pokarr l = make(line), o3, o1;
    pokarr_init(3, o3);
    pokarr_init(1, o1);
    pokarr_dilul(l, 0.01, &o3, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(o3.count, 2);
    EXPECT_EQ(o3.x[1], 4.0);
    EXPECT_EQ(o3.z[1], 0.0);
    pokarr_dilul(l, 0.01, &o1, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(o1.count, 4);
    EXPECT_EQ(o1.x[2], 4.0);
    EXPECT_EQ(l.count, 5);  // the record itself is left
    for (pokarr* p : {&nums, &v, &l, &o3, &o1}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(LoopTable, BoxesAfterTheCacheClosesAndNormalsOfLoopsStoredWithout)
{
    fresh();
    pokarr a = make(square(1, 2, 3)), got;
    i32 st = 0, start = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 0, a, start, st);
    f64 b[4] = {0, 0, 0, 0};
    lup_box(1, -1, a, b, st);
    const i32 once = lup_box_computed();
    lup_box_close();
    lup_box(1, -1, a, b, st);  // the closed cache's place is not read: computed again
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lup_box_computed(), once + 1);
    EXPECT_EQ(std::vector<f64>(b, b + 4), (std::vector<f64>{1, 2, 4, 5}));
    lup_box(7, 1, a, b, st);  // no row of key 7
    EXPECT_EQ(st, -1);
    i32 st2 = 0;
    POKREL(1, st2);
    // in dimension mode 4 a loop without vectors gets (0, 0, 1) ones, whatever
    // the main arrays held there before
    fresh();
    pokdim = 4;
    pokarr four = make(square(0, 0, 1), 4);
    for (i32 k = 0; k < four.count; ++k) four.vec[3 * k] = 0.6, four.vec[3 * k + 2] = 0.8;
    lup_add(1, 1, 0, 0, 0, 0.0, 0, four, start, st);
    lup_reset();
    pokarr three = make(square(0, 0, 1), 3);
    lup_add(1, 1, 0, 0, 0, 0.0, 0, three, start, st);
    pokarr_init(4, got);
    lup_get_pokarr(1, got, st);
    ASSERT_EQ(got.count, 5);
    for (i32 k = 0; k < got.count; ++k) EXPECT_EQ(got.vec[3 * k + 2], 1.0) << k;
    for (pokarr* p : {&a, &four, &three, &got}) pokarr_free(*p);
    POKREL(1, st);
    pkdm_rel_all();
}
