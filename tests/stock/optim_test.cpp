// The optimizer's words of the machining-parameter block: their defaults,
// the switches and the feed factor of the two tables.
#include <gtest/gtest.h>

#include <cmath>

#include "core/prcwrd.h"
#include "frame/cmpblk.h"
#include "stock/optim.h"
#include "stock/optwords.h"

namespace {

f32 R(i32 w) { return wrd2r(CMPBLK[w]); }

TEST(Optimizer, DefaultsOfEveryWordOfTheTable)
{
    for (i32& w : CMPBLK) w = 0x7f7f7f7f;
    CMPDEF();
    struct Int {
        i32 word, value;
    } ints[] = {{CMP_ENLARGE, 1}, {CMP_HOLDER, 1}, {CMP_ZRANGE, 1},  {CMP_ZCHOICE, 1}, {CMP_STAGE10, 1},
                {CMP_LINK, 1},    {CMP_STAGE15, 1}, {CMP_FEED, 1},   {CMP_PASSES, 10}, {CMP_STAGE21, 1},
                {CMP_LINK_HEIGHT, 3}, {CMP_MASTER, 2}, {CMP_TOOL_ROWS, 1}};
    for (const Int& c : ints) EXPECT_EQ(CMPBLK[c.word], c.value) << c.word;
    struct Real {
        i32 word;
        f32 value;
    } reals[] = {{CMP_SAFETY, -0.5f}, {CMP_ENLARGE_PCT, 20.0f}, {CMP_HOLDER_FEED, 100.0f},
                 {CMP_HOLDER_PRM9, 100.0f}, {CMP_ZLOW, -99999.99f}, {CMP_ZHIGH, 99999.99f}};
    for (const Real& c : reals) EXPECT_EQ(R(c.word), c.value) << c.word;
    const f32 vol[5] = {0.5f, 1.2f, 1.5f, 2.0f, 3.0f}, ang[5] = {30.0f, -1.0f, -20.0f, -45.0f, -75.0f};
    const i32 fac[6] = {110, 100, 80, 65, 50, 30};
    for (i32 k = 0; k < CMP_TABLE_N; ++k) {
        EXPECT_EQ(R(CMP_VOLUME_ROW + k), vol[k]);
        EXPECT_EQ(R(CMP_ANGLE_ROW + k), ang[k]);
    }
    for (i32 k = 0; k < CMP_FACTOR_N; ++k) {
        EXPECT_EQ(CMPBLK[CMP_VOLUME_FAC + k], fac[k]);
        EXPECT_EQ(CMPBLK[CMP_ANGLE_FAC + k], fac[k]);
    }
    for (i32 k = 0; k < 10; ++k) {
        EXPECT_EQ(CMPBLK[CMP_TOOLS + k], -1);
        EXPECT_EQ(CMPBLK[CMP_ROW_FEED + k], 100);
        EXPECT_EQ(CMPBLK[CMP_ROW_PRM9 + k], 100);
    }
    // The default tables are in order: volumes rising across 1.0, angles
    // falling across 0.0.
    EXPECT_TRUE(R(26) < 1.0f && 1.0f < R(27) && R(27) < R(28) && R(28) < R(29) && R(29) < R(30));
    EXPECT_TRUE(R(37) > 0.0f && 0.0f > R(38) && R(38) > R(39) && R(39) > R(40) && R(40) > R(41));
}

TEST(Optimizer, AllOffCountsEveryStageSwitchAndTheMaster)
{
    CMPDEF();
    EXPECT_EQ(optim_all_off(), 1);
    for (i32 w : {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10, CMP_LINK, CMP_STAGE15, CMP_FEED, CMP_STAGE21}) {
        CMPDEF();
        CMPBLK[w] = 2;
        EXPECT_EQ(optim_all_off(), 0) << w;
        CMPBLK[CMP_MASTER] = 1;
        EXPECT_EQ(optim_all_off(), 1) << w;
    }
}

TEST(Optimizer, FeedFactorsOfTheVolumeAndSlopeTables)
{
    CMPDEF();
    // Volume thresholds 0.5, 1.2, 1.5, 2, 3; factors 110 100 80 65 50 30 %.
    struct Case {
        f32 v, want;
    } vol[] = {{0.1f, 1.10f}, {0.5f, 1.0f},  {0.7f, 1.00f}, {1.2f, 1.00f}, {1.3f, 0.80f}, {1.5f, 0.80f},
               {1.9f, 0.65f}, {2.0f, 0.65f}, {2.5f, 0.50f}, {3.0f, 0.50f}, {3.01f, 0.30f}, {1.0e6f, 0.30f}};
    for (const Case& c : vol) EXPECT_FLOAT_EQ(feed_factor(1, c.v), c.want) << c.v;
    // Slope as a tangent against angles 30, -1, -20, -45, -75 degrees.
    auto tn = [](f64 deg) { return static_cast<f32>(std::tan(deg * M_PI / 180.0)); };
    Case slope[] = {{tn(40), 1.10f},  {tn(30), 1.0f},   {tn(29), 1.00f},  {0.0f, 1.00f},   {tn(-1), 1.00f},
                    {tn(-5), 0.80f},  {tn(-20), 0.80f}, {tn(-30), 0.65f}, {tn(-45), 0.65f}, {tn(-60), 0.50f},
                    {tn(-75), 0.50f}, {tn(-80), 0.30f}, {-1.0e6f, 0.30f}};
    for (const Case& c : slope) EXPECT_FLOAT_EQ(feed_factor(2, c.v), c.want) << c.v;
    EXPECT_EQ(feed_factor(3, 1.3f), 1.0f);
    EXPECT_EQ(feed_factor(0, 1.3f), 1.0f);
    // Other tables: the factors follow the words.
    CMPBLK[CMP_VOLUME_FAC + 5] = 5;
    CMPBLK[CMP_ANGLE_FAC] = 250;
    EXPECT_FLOAT_EQ(feed_factor(1, 100.0f), 0.05f);
    EXPECT_FLOAT_EQ(feed_factor(2, 100.0f), 2.5f);
}

}  // namespace
