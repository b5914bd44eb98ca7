// The merge of point strings in front of others: which strings are joined,
// which lengths are taken, and what moves with the points.
#include "tests/blocks/common.h"

#include "blocks/merge.h"

#include <vector>

TEST_F(BlocksTest, MergeJoinsTheLastStringAndCarriesVectorsButNotIntegersUnderAttributeOne)
{
    // A: one string of two points, each with its vector and integer.
    f32 apts[30] = {10, 0, 0, 11, 0, 0};
    f32 avec[30] = {0, 0, 10, 0, 0, 11};
    i32 aint[10] = {100, 101};
    i32 alens[4] = {2}, acount = 1;
    // B: strings of 2, 3 and 2 points; the last one ends at A's first point.
    f32 bpts[21] = {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 5, 0, 0, 10, 0, 0};
    f32 bvec[21];
    for (int k = 0; k < 7; ++k) bvec[3 * k] = 0, bvec[3 * k + 1] = 0, bvec[3 * k + 2] = static_cast<f32>(k);
    i32 bint[7] = {0, 1, 2, 3, 4, 5, 6};
    i32 blens[3] = {2, 3, 2}, bcount = 3, st = 0;
    MOVST.point[0] = MOVST.point[1] = MOVST.point[2] = -1.0f;  // the tool is elsewhere

    MRGGST(1, 1, 30, apts, avec, aint, 4, acount, alens, 21, bpts, bvec, bint, 0, bcount, blens, st);
    ASSERT_EQ(st, 0);
    // The last B string lost its end point and joined A's first string; the
    // two others went in front with their own lengths.
    EXPECT_EQ(acount, 3);
    EXPECT_EQ(alens[0], 2);
    EXPECT_EQ(alens[1], 3);
    EXPECT_EQ(alens[2], 3);
    const f32 xs[8] = {0, 1, 2, 3, 4, 5, 10, 11};
    const f32 zs[8] = {0, 1, 2, 3, 4, 5, 10, 11};  // the vectors followed their points
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(apts[3 * k], xs[k]) << k;
        EXPECT_EQ(avec[3 * k + 2], zs[k]) << k;
    }
    // Attribute 1 leaves the per-point integers where they were.
    EXPECT_EQ(aint[0], 100);
    EXPECT_EQ(aint[1], 101);
    EXPECT_EQ(aint[2], 0);
}

TEST_F(BlocksTest, MergeUnderAttributeThreeMovesTheIntegersOfTheStringsPutInFront)
{
    f32 apts[30] = {10, 0, 0, 11, 0, 0};
    f32 avec[30] = {0, 0, 10, 0, 0, 11};
    i32 aint[10] = {100, 101};
    i32 alens[4] = {2}, acount = 1;
    // Two B strings meeting neither the tool nor A: both go in front whole.
    f32 bpts[12] = {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0};
    f32 bvec[12] = {0, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3};
    i32 bint[4] = {0, 1, 2, 3};
    i32 blens[2] = {1, 3}, bcount = 2, st = 0;
    MOVST.point[0] = MOVST.point[1] = MOVST.point[2] = -1.0f;

    MRGGST(1, 3, 30, apts, avec, aint, 4, acount, alens, 12, bpts, bvec, bint, 0, bcount, blens, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(acount, 3);
    EXPECT_EQ(alens[0], 1);
    EXPECT_EQ(alens[1], 3);
    EXPECT_EQ(alens[2], 2);
    const i32 ints[6] = {0, 1, 2, 3, 100, 101};
    const f32 zs[6] = {0, 1, 2, 3, 10, 11};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(aint[k], ints[k]) << k;
        EXPECT_EQ(avec[3 * k + 2], zs[k]) << k;
    }
}

TEST_F(BlocksTest, MergeUnderAttributeThreeKeepsVectorsAndIntegersBesideTheirPointsThroughTheJoins)
{
    // Every point carries its x as its vector's z and as its integer; after
    // each kind of join A must still read so, point by point.
    struct Case {
        const char* what;
        std::vector<f32> bx;
        std::vector<i32> blens;
        f32 tool;  // x of the current tool position
        std::vector<f32> want;
        i32 strings;
    };
    const Case cases[] = {
        {"one string ending on A", {0, 1, 10}, {3}, -1, {0, 1, 10, 11}, 1},
        {"one string from the tool to A", {5, 1, 2, 10}, {4}, 5, {1, 2, 10, 11}, 1},
        {"the tool's point dropped, the last string joined", {5, 3, 4, 10}, {2, 2}, 5, {3, 4, 10, 11}, 2},
        // An empty last string holds no end to join: nothing of A is lost.
        {"an empty last string", {0, 10}, {2, 0}, -1, {0, 10, 10, 11}, 3},
    };
    for (const Case& c : cases) {
        f32 apts[30] = {10, 0, 0, 11, 0, 0}, avec[30] = {0, 0, 10, 0, 0, 11};
        i32 aint[10] = {10, 11}, alens[4] = {2}, acount = 1, st = 0;
        f32 bpts[30] = {}, bvec[30] = {};
        i32 bint[10] = {}, blens[4] = {};
        for (size_t k = 0; k < c.bx.size(); ++k) {
            bpts[3 * k] = bvec[3 * k + 2] = c.bx[k];
            bint[k] = static_cast<i32>(c.bx[k]);
        }
        for (size_t k = 0; k < c.blens.size(); ++k) blens[k] = c.blens[k];
        i32 bcount = static_cast<i32>(c.blens.size());
        MOVST.point[0] = c.tool, MOVST.point[1] = MOVST.point[2] = 0.0f;
        MRGGST(1, 3, 30, apts, avec, aint, 4, acount, alens, 30, bpts, bvec, bint, 0, bcount, blens, st);
        ASSERT_EQ(st, 0) << c.what;
        EXPECT_EQ(acount, c.strings) << c.what;
        i32 total = 0;
        for (i32 k = 0; k < acount; ++k) total += alens[k];
        ASSERT_EQ(total, static_cast<i32>(c.want.size())) << c.what;
        for (i32 k = 0; k < total; ++k) {
            EXPECT_EQ(apts[3 * k], c.want[static_cast<size_t>(k)]) << c.what << " point " << k;
            EXPECT_EQ(avec[3 * k + 2], apts[3 * k]) << c.what << " vector " << k;
            EXPECT_EQ(aint[k], static_cast<i32>(apts[3 * k])) << c.what << " integer " << k;
        }
    }
    // A string of A without points holds no first point to join to, whatever
    // its buffer still holds: B goes in front whole.
    f32 apts[30] = {10, 0, 0}, bpts[6] = {0, 0, 0, 10, 0, 0};
    i32 alens[4] = {0}, acount = 1, blens[1] = {2}, bcount = 1, st = 0;
    MOVST.point[0] = -1.0f;
    MRGGST(1, 0, 30, apts, nullptr, nullptr, 4, acount, alens, 6, bpts, nullptr, nullptr, 0, bcount, blens, st);
    EXPECT_EQ(acount, 2);
    EXPECT_EQ(alens[0], 2);
    EXPECT_EQ(apts[3], 10.0f);
}
