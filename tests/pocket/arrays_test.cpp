// Pocket arrays and their pool, the pocket main arrays and the offset loop
// table.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "pocket/luptab.h"
#include "pocket/pkdebug.h"
#include "pocket/pokmain.h"
#include "tests/pocket/common.h"

using namespace pk;

TEST(PocketPool, RoundsToWholeKilobytesAndReportsMisuse)
{
    fresh();
    i32 a = -1, b = -1, c = -1;
    EXPECT_EQ(pkdm_free(0, 0), -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pkdm_free] POCKET DYNAMIC ARRAYS NOT INITIALIZED YET"));
    pkdm_alloc(1000, a);
    pkdm_alloc(1024, b);
    pkdm_alloc(2048, c);
    EXPECT_EQ(pkdm_bytes(a), 1024);
    EXPECT_EQ(pkdm_bytes(b), 2048);
    EXPECT_EQ(pkdm_bytes(c), 3072);
    EXPECT_EQ(pkdm_entries(), 20);
    EXPECT_EQ(pkdm_free(b, 0), -1);  // taken but never claimed: not in use
    EXPECT_TRUE(norak::transcript_has("internal: [pkdm_free] REQUESTED BUFFER NOT IN USE"));
    EXPECT_EQ(pkdm_free(b, 1), 0);
    EXPECT_EQ(pkdm_free(b, 1), -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pkdm_free] REQUESTED BUFFER NOT ALLOCATED YET"));
    EXPECT_EQ(pkdm_free(999, 0), -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pkdm_free] INDEX TOO LARGE"));
    // the table grows by 20 when every slot holds a buffer in use
    std::vector<pokarr> many(25);
    i32 st = 0;
    for (pokarr& r : many) pokarr_init_dyn(2, 3, r, st);
    EXPECT_EQ(pkdm_entries(), 40);
    EXPECT_EQ(pkdm_in_use(), 27);
    for (pokarr& r : many) pokarr_free(r);
    EXPECT_EQ(pkdm_in_use(), 2);
    pkdm_rel_all();
    EXPECT_EQ(norak::open_blocks(), 0);
    EXPECT_EQ(pkdm_entries(), 0);
}

TEST(PocketPool, BestFitTakesTheSmallestFreeBufferThatHolds)
{
    fresh();
    i32 st = 0;
    pokarr a, b;
    pokarr_init_dyn(1, 4000 / 8, a, st);  // 4,096 bytes
    pokarr_init_dyn(1, 1800 / 8, b, st);  // 2,048 bytes
    i32 ia = a.storage, ib = b.storage;
    EXPECT_EQ(pkdm_bytes(ia), 4096);
    EXPECT_EQ(pkdm_bytes(ib), 2048);
    pokarr_free(a);
    pokarr_free(b);
    i32 got = -1;
    pkdm_alloc(1500, got);
    EXPECT_EQ(got, ib);
    pkdm_alloc(1500, got);  // the 4,096 one is the only free buffer that holds it
    EXPECT_EQ(got, ia);
    pkdm_alloc(100, got);  // nothing free: a new slot
    EXPECT_NE(got, ia);
    EXPECT_NE(got, ib);
    pkdm_rel_all();
}

TEST(PocketArrays, ResizingToTheCapacityGrowsAndKeepsTheContents)
{
    fresh();
    i32 st = 0;
    pokarr a;
    pokarr_init_dyn(2, 10, a, st);
    i32 cap = pkdm_bytes(a.storage) / 16;
    for (i32 k = 0; k < 5; ++k) {
        const f64 p[2] = {1.0 * k, 2.0 * k};
        pokarr_add_pnt(p, a, st);
    }
    a.area = 3.0;
    a.direction = 1;
    i32 old = a.storage;
    pokarr_resize(a, cap - 1, st);
    EXPECT_EQ(a.storage, old);
    EXPECT_EQ(a.direction, 1);
    pokarr_resize(a, cap, st);  // equality grows too
    EXPECT_NE(a.storage, old);
    EXPECT_EQ(a.count, 5);
    EXPECT_EQ(a.y[4], 8.0);
    EXPECT_EQ(a.direction, 0);
    pokarr_resize(a, 150001, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(a.count, 5);
    pokarr child;
    pokarr_init_child(a, 1, 2, child);
    pokarr_resize(child, 10, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_resize1] ATTEMPT TO RESIZE CHILD ARRAY"));
    // a child cleared, or copied into from an empty source or from one that
    // needs room it cannot get, ends empty; the array it looks into is kept
    pokarr none, more;
    pokarr_init(2, none);
    pokarr_init_dyn(2, 0, more, st);
    for (i32 k = 0; k < 4; ++k) {
        const f64 p[2] = {50.0 + k, 60.0 + k};
        pokarr_add_pnt(p, more, st);
    }
    for (i32 how : {0, 1, 2}) {
        pokarr_init_child(a, 1, 2, child);
        ASSERT_EQ(child.count, 2);
        if (how == 0) {
            pokarr_clear(child, 1, st);
            EXPECT_EQ(st, -1);
        } else {
            pokarr_copy(how == 1 ? none : more, child, st);
            EXPECT_EQ(st, how == 1 ? 0 : -1);
        }
        EXPECT_EQ(child.count, 0) << how;
        EXPECT_EQ(a.count, 5) << how;
        EXPECT_EQ(a.y[1], 2.0) << how;
    }
    pokarr_free(more);
    pokarr_free(a);
    pkdm_rel_all();
}

TEST(PocketArrays, CopiesConvertBetweenDimensions)
{
    fresh();
    i32 st = 0;
    pokarr a, one, back, four;
    pokarr_init(3, a);
    for (i32 k = 0; k < 5; ++k) {
        const f64 p[3] = {1.0 * k, 10.0 + k, 100.0 + k};
        pokarr_add_pnt(p, a, st);
    }
    pokarr_init(1, one);
    pokarr_copy(a, one, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(one.count, 15);
    EXPECT_EQ(one.x[4], 11.0);
    pokarr_init(3, back);
    pokarr_copy(one, back, st);
    EXPECT_EQ(back.count, 5);
    EXPECT_EQ(back.z[4], 104.0);
    // refused pairs leave an empty target
    pokarr_init(4, four);
    pokarr_copy(a, four, st);
    EXPECT_EQ(four.vec[3 * 2 + 2], 1.0);
    // vectors go with their points
    four.vec[3 * 3] = 0.0;
    four.vec[3 * 3 + 1] = 0.6;
    four.vec[3 * 3 + 2] = 0.8;
    pokarr four2;
    pokarr_init(4, four2);
    pokarr_copy(four, four2, st);
    EXPECT_EQ(four2.vec[3 * 3], 0.0);
    EXPECT_EQ(four2.vec[3 * 3 + 1], 0.6);
    EXPECT_EQ(four2.vec[3 * 3 + 2], 0.8);
    pokarr_free(four2);
    pokarr_copy(one, four, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(four.count, 0);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_copy] UNABLE TO CONVERT 1D ARRAYS"));
    // a child over part of an array has no area and no direction
    a.area = 7.0;
    a.direction = 1;
    pokarr part, whole;
    pokarr_init_child(a, 1, 3, part);
    pokarr_init_child(a, 0, 5, whole);
    EXPECT_EQ(part.direction, 0);
    EXPECT_EQ(part.area, 0.0);
    EXPECT_EQ(whole.direction, 1);
    EXPECT_EQ(part.z[0], 101.0);
    pokarr_init_child(a, 9, 5, part);  // clipped to the last entry
    EXPECT_EQ(part.count, 1);
    pokarr_init_child(a, 5, 5, part);  // just past the end: the last entry too
    EXPECT_EQ(part.count, 1);
    EXPECT_EQ(part.x[0], 4.0);
    // a copy into a fresh target carries the area, direction and indicator;
    // a range of no entries leaves the target empty
    a.indicator = 3;
    pokarr c3;
    pokarr_init(3, c3);
    pokarr_copy(a, c3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(c3.area, 7.0);
    EXPECT_EQ(c3.direction, 1);
    EXPECT_EQ(c3.indicator, 3);
    pokarr_copy_range(0, a, 0, c3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(c3.count, 0);
    pokarr_free(c3);
    // a failed copy (a static target too small) leaves the target empty
    f64 sx[2], sy[2];
    pokarr stat;
    pokarr_init_static(2, sx, sy, nullptr, nullptr, 2, stat);
    pokarr_copy(a, stat, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(stat.count, 0);
    for (pokarr* p : {&a, &one, &back, &four}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(PocketArrays, PartsInsertCopyAndAppendWithinTheSource)
{
    fresh();
    i32 st = 0;
    pokarr a, t;
    pokarr_init(2, a);
    pokarr_init(2, t);
    for (i32 k = 0; k < 6; ++k) pokarr_add_vals(1.0 * k, nullptr, nullptr, nullptr, a, st);
    pokarr_copy_part(3, a, 4, t, 0, st);  // passes the source's end
    EXPECT_EQ(st, -1);
    EXPECT_EQ(t.count, 0);
    pokarr_copy_part(2, a, 1, t, 0, st);
    pokarr_append_part(2, a, 4, t, st);
    ASSERT_EQ(t.count, 4);
    EXPECT_EQ(t.x[2], 4.0);
    pokarr_copy_ins(1, a, 0, t, 1, st);
    ASSERT_EQ(t.count, 5);
    EXPECT_EQ(t.x[1], 0.0);
    EXPECT_EQ(t.x[2], 2.0);
    pokarr_copy_part(2, a, 0, t, 99, st);  // the place is cut to the count
    EXPECT_EQ(t.count, 7);
    pokarr_copy_ins(2, t, 0, t, 3, st);  // a stretch of the array into itself
    EXPECT_EQ(t.count, 9);
    EXPECT_EQ(t.x[3], 1.0);
    EXPECT_EQ(t.x[4], 0.0);
    pokarr_free(a);
    pokarr_free(t);
    pkdm_rel_all();
}

TEST(PocketArrays, RemovingFromAClosedLoopClosesItAgain)
{
    fresh();
    auto six = [] {
        Loop l;
        l.pt(0, 0).pt(1, 0).pt(2, 1).pt(1, 2).pt(0, 1).close();
        return make(l);
    };
    i32 st = 0;
    // the last two entries (i = 4): the first goes too, the new first closes
    pokarr a = six();
    pokarr_remove_pnts(a, 1, 4, 2, st);
    ASSERT_EQ(a.count, 4);
    EXPECT_EQ(a.x[0], 1.0);
    EXPECT_EQ(a.x[3], 1.0);
    EXPECT_EQ(a.y[3], 0.0);
    // the first two entries: the closing entry repeats the new first one
    pokarr b = six();
    pokarr_remove_pnts(b, 1, 0, 2, st);
    ASSERT_EQ(b.count, 4);
    EXPECT_EQ(b.x[0], 2.0);
    EXPECT_EQ(b.x[3], 2.0);
    EXPECT_EQ(b.y[3], 1.0);
    for (i32 k = 1; k < b.count; ++k) EXPECT_FALSE(b.x[k] == 0.0 && b.y[k] == 0.0) << "the removed point stays";
    // an inner stretch: nothing more; i at the end: refused
    pokarr c = six();
    pokarr_remove_pnts(c, 1, 2, 2, st);
    EXPECT_EQ(c.count, 4);
    EXPECT_EQ(c.x[2], 0.0);
    pokarr_remove_pnts(c, 1, 4, 1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_remove_pnts] Index is larger than array"));
    pokarr d = six();
    pokarr_remove_pnts(d, 1, 1, 5, st);
    EXPECT_EQ(d.count, 0);
    for (pokarr* p : {&a, &b, &c, &d}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(PocketArrays, FlatPointsRoundTripAndWrongDimensionsAreRefused)
{
    fresh();
    i32 st = 0, n = 0;
    const f64 in[6] = {1, 2, 3, 4, 5, 6};
    pokarr a;
    pokarr_init(3, a);
    pokarr_from_flat(2, in, nullptr, 3, a, st);
    ASSERT_EQ(a.count, 3);
    EXPECT_EQ(a.z[1], 0.0);
    f64 out[9], vec[9];
    pokarr_to_flat(4, out, vec, n, a, st);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(out[3], 3.0);
    EXPECT_EQ(out[5], 0.0);
    EXPECT_EQ(vec[5], 1.0);
    pokarr_from_flat(5, in, nullptr, 3, a, st);
    EXPECT_EQ(st, -1);
    // no room for the points (the pool refuses, or a static array is too
    // small): refused with nothing written
    {
        pokarr r;
        pokarr_init(2, r);
        norak::fail_alloc_after(1, 2);
        pokarr_from_flat(2, in, nullptr, 3, r, st);
        norak::fail_alloc_after(0);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(r.count, 0);
        std::vector<f64> tx(2), ty(2);
        pokarr t;
        pokarr_init_static(2, tx.data(), ty.data(), nullptr, nullptr, 0, t, 2);
        pokarr_from_flat(2, in, nullptr, 3, t, st);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(t.count, 0);
        pokarr_free(r);
    }
    pokarr one;
    pokarr_init(1, one);
    const f64 p[2] = {0, 0};
    pokarr_add_pnt(p, one, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_add_pnt] POCKET ARRAY IS NOT 2D OR 3D"));
    pokarr_add_arc(1, 1, nullptr, 0, 0, 1, 1, one, st);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_add_arc] ARCS NOT SUPPORTED FOR 1D ARRAYS"));
    EXPECT_EQ(one.count, 0);
    // a static array of 7,000 entries at most
    std::vector<f64> sx(8000), sy(8000);
    pokarr s;
    pokarr_init_static(2, sx.data(), sy.data(), nullptr, nullptr, 6999, s, 8000);
    pokarr_add_pnt(p, s, st);
    EXPECT_EQ(st, 0);
    pokarr_add_pnt(p, s, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(s.count, 7000);
    pokarr_free(a);
    pkdm_rel_all();
}

TEST(PocketArrays, ThinningKeepsTheEndsAndTheTolerance)
{
    fresh();
    Loop l;
    for (i32 k = 0; k <= 100; ++k) l.pt(0.1 * k, 0.001 * std::sin(0.3 * k));
    pokarr a = make(l), out;
    pokarr_init(2, out);
    i32 st = 0;
    pokarr_dilul(a, 0.01, &out, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(out.count, 2);
    EXPECT_EQ(a.count, 101);
    pokarr_dilul(a, 0.0001, nullptr, st);
    EXPECT_GT(a.count, 20);
    EXPECT_EQ(a.x[0], 0.0);
    EXPECT_EQ(a.x[a.count - 1], 10.0);
    pokarr one;
    pokarr_init(1, one);
    pokarr_dilul(one, 0.1, nullptr, st);
    EXPECT_TRUE(norak::transcript_has("internal: [pokarr_dilul] UNABLE TO DILUL A ONE DIMENSIONAL ARRAY"));
    pokarr_free(a);
    pokarr_free(out);
    pkdm_rel_all();
}

// ------------------------------------------------------------ main arrays

TEST(PocketMain, ArraysGrowInTheirStepsAndKeepTheOrigin)
{
    fresh();
    i32 st = 0, n = 1, cap = 0;
    POKORG(100.0, 200.0, 0.0, cap);
    EXPECT_EQ(cap, 0);
    const f64 p[3] = {101.0, 202.0, 5.0};
    POKCPT(p, n, st);
    EXPECT_EQ(pokmain_cpt_capacity(), 5000);
    EXPECT_EQ(pokmain_dim(), 0);
    for (i32 k = 1; k < 5000; ++k) POKCPT(p, n, st);
    EXPECT_EQ(pokmain_cpt_capacity(), 5000);
    POKCPT(p, n, st);
    EXPECT_EQ(pokmain_cpt_capacity(), 10000);
    EXPECT_EQ(n, 5002);
    POKGRW(1, st);
    EXPECT_EQ(pokmain_capacity(), 7000);
    EXPECT_EQ(pk_capacity, 7000);
    POKGRW(14000, st);
    EXPECT_EQ(pokmain_capacity(), 21000);
    POKCPY(21000, 1, 3, st);
    f64 q[3];
    pokmain_point(2, q);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[1], 2.0);
    POKCPY(21000, 11, 3, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: POKCPY, DYNAMIC MEMORY ERROR - TOO MANY REALLOCATIONS"));
    POKREL(0, st);  // forgets the arrays without closing them
    EXPECT_EQ(pokmain_capacity(), 0);
    EXPECT_EQ(norak::open_arrays(), 2);
    norak::reset();
    // a position past the next one is refused, on a fresh array too
    fresh();
    n = 6001;
    POKCPT(p, n, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(n, 6001);
    n = 1;
    POKCPT(p, n, st);
    n = 5002;
    POKCPT(p, n, st);
    EXPECT_EQ(st, -1);
    // a close that fails on the contour-point array: the main array, closed
    // already, is forgotten and read no more
    POKGRW(10, st);
    PokMainState ms;
    pokmain_take(ms);
    i32 h = ms.cpt_handle;
    MM_CLOSE(h, st);
    pokmain_give(ms, st);
    POKREL(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: POKREL, CLOSE DYNAMIC MEMORY ERROR"));
    EXPECT_EQ(pokmain_capacity(), 0);
    pokarr g;
    pokarr_init(2, g);
    POKGPA(2, 1, g, st);
    EXPECT_EQ(st, -1);
    pokarr_free(g);
    POKREL(0, st);  // the dead contour-point array forgotten
    norak::reset();
}

TEST(PocketMain, CopiesOutForwardAndBackwardWithArcsAndBounds)
{
    fresh();
    i32 st = 0, cap = 0;
    POKORG(10.0, 20.0, 0.0, cap);
    Loop l;
    l.pt(1, 0).arc(0, 1, 0, 0, 1).pt(0, 0);
    pokarr a = make(l);
    pokarr none;
    pokarr_init(2, none);
    POKPUT(none, 1, st);  // an empty array stores nothing and succeeds
    EXPECT_EQ(st, 0);
    POKPUT(a, 1, st);
    ASSERT_EQ(st, 0);
    f64 out[12];
    i32 n = 0;
    POKSEG(1, 1, 7, out, 6, n, st);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(out[0], 11.0);
    EXPECT_EQ(out[2], PK_ARC_MARK);
    EXPECT_EQ(out[4], 1.0);
    EXPECT_EQ(out[5], 1.0);
    EXPECT_EQ(out[6], 10.0);  // centre with the origin
    POKSEG(0, 1, 7, out, 6, n, st);  // backward: the same arc, reversed
    EXPECT_EQ(out[0], 10.0);
    EXPECT_EQ(out[1], 20.0);
    EXPECT_EQ(out[2], 10.0);  // the old end comes first
    EXPECT_EQ(out[3], 21.0);
    EXPECT_EQ(out[4], PK_ARC_MARK);
    EXPECT_EQ(out[7], -1.0);  // direction negated
    EXPECT_EQ(out[10], 11.0);  // ends at the old start
    POKSEG(1, 1, 7, out, 5, n, st);  // no room: nothing written
    EXPECT_EQ(st, -1);
    POKSEG(1, 3, 2, out, 6, n, st);
    EXPECT_EQ(n, 0);
    // reversal in place, arcs included
    POKRVS(6, 1, st);
    pokarr back;
    pokarr_init(2, back);
    POKSGA(1, 1, 7, back, st);
    ASSERT_EQ(back.count, 6);
    EXPECT_EQ(back.x[0], 10.0);
    EXPECT_EQ(back.y[1], 21.0);
    EXPECT_EQ(back.x[2], PK_ARC_MARK);
    EXPECT_EQ(back.y[3], -1.0);
    EXPECT_EQ(back.x[5], 11.0);
    // the overlapping copy of the first points onto later ones
    POKGPT(3, 2, st);
    f64 q[3];
    pokmain_point(3, q);
    EXPECT_EQ(q[0], 0.0);
    EXPECT_EQ(q[1], 0.0);
    pokmain_point(5, q);
    EXPECT_EQ(q[0], PK_ARC_MARK);
    POKGPT(7000, 1, st);
    EXPECT_EQ(st, -1);
    POKREL(1, st);
    EXPECT_EQ(norak::open_arrays(), 0);
    POKGPA(2, 1, back, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [pokinitdim] UNABLE TO OPEN POCKET ARRAYS - DIMENSIONS NOT DEFINED"));
    pokarr_free(a);
    pokarr_free(back);
    pkdm_rel_all();
    // with heights: three words a point, the heights kept
    fresh();
    pokdim = 3;
    pokarr h;
    pokarr_init(3, h);
    const f64 h1[3] = {1, 2, 3}, h2[3] = {4, 5, 6};
    pokarr_add_pnt(h1, h, st);
    pokarr_add_pnt(h2, h, st);
    POKPUT(h, 1, st);
    ASSERT_EQ(st, 0);
    pokmain_point(2, q);
    EXPECT_EQ(q[0], 4.0);
    EXPECT_EQ(q[1], 5.0);
    EXPECT_EQ(q[2], 6.0);
    // a plane loop stored over them: height 0, not the height left there
    pokarr flat;
    pokarr_init(2, flat);
    pokarr_add_pnt(h1, flat, st);
    POKPUT(flat, 2, st);
    pokmain_point(2, q);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[2], 0.0);
    POKREL(1, st);
    // with normals: behind the points, read back and reversed with them
    pokdim = 4;
    Loop l4;
    l4.pt(1, 2).pt(3, 4);
    pokarr n4 = make(l4, 4), back4;
    pokarr_init(4, back4);
    for (i32 k = 0; k < 2; ++k) {
        n4.z[k] = 10.0 + k;
        n4.vec[3 * k] = k == 0 ? 1.0 : 0.0;
        n4.vec[3 * k + 1] = k == 0 ? 0.0 : 1.0;
        n4.vec[3 * k + 2] = 0.0;
    }
    POKPUT(n4, 1, st);
    ASSERT_EQ(st, 0);
    POKRVS(4, 1, st);
    POKGPA(4, 1, back4, st);
    ASSERT_EQ(back4.count, 2);
    EXPECT_EQ(back4.x[0], 3.0);
    EXPECT_EQ(back4.z[0], 11.0);
    EXPECT_EQ(back4.vec[1], 1.0);  // the second normal first
    EXPECT_EQ(back4.vec[3], 1.0);
    EXPECT_EQ(back4.z[1], 10.0);
    POKREL(1, st);
    for (pokarr* p : {&h, &flat, &n4, &back4}) pokarr_free(*p);
    pkdm_rel_all();
}

// ------------------------------------------------------------ loop table

TEST(LoopTable, TheLastRowIsAcceptedByBothAddersAndTheNextRefused)
{
    fresh();
    Loop l = square(0, 0, 1);
    pokarr a = make(l);
    i32 st = 0, start = 0;
    lup_count = LUP_LAST - 1;
    lup_row(lup_count + 1).start = 1;
    lup_add(1, 5, 0, 0, 0, 0.5, 0, a, start, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lup_count, LUP_LAST);
    lup_add(1, 6, 0, 0, 0, 0.5, 0, a, start, st);
    EXPECT_EQ(st, 10);
    EXPECT_EQ(lup_count, LUP_LAST);
    EXPECT_FALSE(norak::transcript_has("LOOP TABLE"));  // the caller tells the user
    lup_count = LUP_LAST - 1;
    lup_add_ref(1, 7, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lup_row(LUP_LAST).subkey, -1);
    lup_add_ref(1, 7, 3, st);
    EXPECT_EQ(st, 10);
    EXPECT_EQ(lup_count, LUP_LAST);
    EXPECT_FALSE(norak::transcript_has("LOOP TABLE"));
    pokarr_free(a);
    i32 s2 = 0;
    POKREL(1, s2);
    pkdm_rel_all();
}

TEST(LoopTable, FindFollowsItsSearchModesAndFilters)
{
    fresh();
    pokarr a = make(square(0, 0, 1)), b = make(square(5, 5, 2)), got;
    pokarr_init(2, got);
    i32 st = 0, start = 0, row = -1;
    lup_add(0, 3, 0, 0, 0, 0.0, 0, a, start, st);
    lup_add(2, 3, 1, 0, 0, 0.0, 0, b, start, st);
    EXPECT_EQ(lup_row(2).start, 6);
    lup_find(0, 1, 3, 0, row, got, st);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(got.count, 5);
    lup_find(0, 0, 3, 0, row, got, st);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(got.x[2], 7.0);
    lup_find(0, 2, 3, 0, row, got, st);  // backwards, (3, 2) is met first
    EXPECT_EQ(row, 2);
    lup_find(0, 1, 4, 0, row, got, st);
    EXPECT_EQ(row, 0);
    lup_find(0, 3, 3, 2, row, got, st);  // no such mode
    EXPECT_EQ(row, 0);
    lup_row(2).inherited = 7;
    lup_find(1, 0, 3, 2, row, got, st);
    EXPECT_EQ(row, 0);
    lup_find(2, 0, 3, 2, row, got, st);
    EXPECT_EQ(row, 2);
    // rows (3, 2) then (3, 0): mode 2 ends at the last row
    lup_add(0, 3, 0, 0, 0, 0.0, 0, a, start, st);
    lup_find(0, 2, 3, 0, row, got, st);
    EXPECT_EQ(row, 0);
    // the box of a row is computed once
    f64 box[4];
    i32 before = lup_box_computed();
    lup_box(2, -1, got, box, st);
    lup_find(0, 1, 3, 2, row, got, st);
    lup_box(3, 2, got, box, st);
    EXPECT_EQ(lup_box_computed(), before + 1);
    EXPECT_EQ(box[0], 5.0);
    EXPECT_EQ(box[3], 7.0);
    // reversal in place
    lup_reverse(1, st);
    lup_get_pokarr(1, got, st);
    EXPECT_EQ(got.x[1], 0.0);
    EXPECT_EQ(got.y[1], 1.0);
    f64 x[5], y[5];
    i32 n = 0;
    lup_get_pts(2, x, y, n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(y[2], 7.0);
    // a row longer than the kernel's static arrays comes back empty, the
    // caller's arrays untouched
    {
        pokarr big;
        pokarr_init_dyn(2, PK_STATIC_MAX + 1, big, st);
        for (i32 k = 0; k <= PK_STATIC_MAX; ++k) big.x[k] = big.y[k] = k;
        big.count = PK_STATIC_MAX + 1;
        lup_add(0, 8, 0, 0, 0, 0.0, 0, big, start, st);
        ASSERT_EQ(st, 0);
        std::vector<f64> bx(PK_STATIC_MAX + 1, -1.0), by(PK_STATIC_MAX + 1, -1.0);
        n = 9;
        lup_get_pts(lup_count, bx.data(), by.data(), n);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(bx[0], -1.0);
        pokarr_free(big);
    }
    // closing answers the host's status; a refused close still forgets the
    // cache (the box is computed again), and a close without a cache is 0
    norak::fail_list_call("MM_CLOSE", 1);
    lup_box_close(st);
    EXPECT_EQ(st, -1);
    lup_box(2, -1, got, box, st);
    EXPECT_EQ(lup_box_computed(), before + 2);
    lup_box_close(st);
    EXPECT_EQ(st, 0);
    lup_box_close(st);
    EXPECT_EQ(st, 0);
    for (pokarr* p : {&a, &b, &got}) pokarr_free(*p);
    POKREL(1, st);
    pkdm_rel_all();
}

TEST(LoopTable, InDimensionModeFourALoopTakesTwoEntriesAPoint)
{
    fresh();
    pokdim = 4;
    Loop l;
    for (i32 k = 0; k < 100; ++k) l.pt(k, 0);
    pokarr a = make(l, 4), got;
    pokarr_init(4, got);
    i32 st = 0, start = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 0, a, start, st);
    lup_add(1, 2, 0, 0, 0, 0.0, 0, a, start, st);
    EXPECT_EQ(lup_row(2).start - lup_row(1).start, 200);
    lup_get_pokarr(2, got, st);
    EXPECT_EQ(got.count, 100);
    EXPECT_EQ(got.vec[3 * 99 + 2], 1.0);
    EXPECT_GE(lup_draw(2), 0);
    pokarr_free(a);
    pokarr_free(got);
    POKREL(1, st);
    pkdm_rel_all();
}
