// The optimizer's small services no stage test goes through: the points
// and block the holder stage keeps, the run record's reset, the holder
// feed of a link code, the air scan's candidate, and the menu windows.
#include <gtest/gtest.h>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "stock/airlink.h"
#include "stock/airscan.h"
#include "stock/optedit.h"
#include "stock/optim.h"
#include "stock/optwords.h"

namespace {

struct Reach : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        opttest::machine();
    }
};

TEST_F(Reach, TheHolderStageKeepsItsTwoPointsApartAndByValue)
{
    f32 last[3] = {1.5f, -2.0f, 3.25f};
    const f32 ref[3] = {-7.0f, 8.0f, 9.5f};
    optim_set_last_point(last);
    optim_set_ref_point(ref);
    last[0] = 100.0f;  // the caller's array changed after: the stored copy stays
    const f32* L = optim_last_point();
    const f32* R = optim_ref_point();
    EXPECT_EQ(L[0], 1.5f);
    EXPECT_EQ(L[1], -2.0f);
    EXPECT_EQ(L[2], 3.25f);
    EXPECT_EQ(R[0], -7.0f);
    EXPECT_EQ(R[1], 8.0f);
    EXPECT_EQ(R[2], 9.5f);
    optim_set_mark_block(42);
    EXPECT_EQ(optim_get_mark_block(), 42);
    optim_set_mark_block(-1);
    EXPECT_EQ(optim_get_mark_block(), -1);
}

TEST_F(Reach, TheRunRecordResetSetsItsFirstFourWordsAndNoOther)
{
    i32 run[8] = {5, 6, 7, 8, 9, 10, 11, 12};
    optim_run_reset(run);
    EXPECT_EQ(run[0], 0);
    EXPECT_EQ(run[1], 0);
    EXPECT_EQ(run[2], 1);
    EXPECT_EQ(run[3], 0);
    for (i32 k = 4; k < 8; ++k) EXPECT_EQ(run[k], k + 5) << k;
}

TEST_F(Reach, TheHolderFeedOfALinkCodeScalesOnlyTheBaseAndNamedFeeds)
{
    // Base 1000, named feed (word 4) 20 % = 200.
    CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
    CMPBLK[CMP_ROW_FEED + 0] = 80;  // tool row 1
    CMPBLK[CMP_ROW_FEED + 1] = 30;  // tool row 2
    // No holder code: every feed as it is.
    EXPECT_EQ(optim_holder_feed(1000.0f, 0), 1000.0f);
    EXPECT_EQ(optim_holder_feed(1000.0f, 999), 1000.0f);
    // 10000 and above (either sign): the holder-feed percentage of word 4.
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 10000), 500.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, -12000), 500.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(200.0f, 10000), 100.0f);
    EXPECT_EQ(optim_holder_feed(333.0f, 10000), 333.0f);   // another feed stays
    EXPECT_EQ(optim_holder_feed(-1.0f, 10000), -1.0f);     // a rapid stays
    EXPECT_EQ(optim_holder_feed(0.0f, 10000), 0.0f);       // a feed not set stays
    // 1000 to 9999: the first percentage of tool row code / 1000.
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 1000), 800.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(1000.0f, 2500), 300.0f);
    // Row 2: a feed already scaled by an earlier row goes back to the base
    // feed times row 2's percentage.
    EXPECT_FLOAT_EQ(optim_holder_feed(800.0f, 2000), 300.0f);
    EXPECT_FLOAT_EQ(optim_holder_feed(160.0f, 2000), 60.0f);
    EXPECT_EQ(optim_holder_feed(800.0f, 1000), 800.0f);  // row 1 has no earlier row
}

TEST_F(Reach, TheAirScanCandidateIsKeptUntilSetAgain)
{
    optim_air_from_set(17);
    EXPECT_EQ(optim_air_from_get(), 17);
    optim_air_from_set(-1);
    EXPECT_EQ(optim_air_from_get(), -1);
}

TEST_F(Reach, TheMenuWindowsClearTheAreaWriteABlankAndAnswerZero)
{
    for (i32 which : {0, 1}) {
        norak::reset();
        i32 st = -7;
        if (which == 0)
            optim_form_a(st);
        else
            optim_form_b(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::transcript_count("listing:  "), 1u) << which;
    }
}

}  // namespace
