// The final retract after the passes.
#include <gtest/gtest.h>

#include <cstring>

#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/geodef.h"
#include "passes/pasout.h"
#include "platform/norak/norak.h"

namespace {

struct EndRet : ::testing::Test {
    void SetUp() override
    {
        norak::reset();
        std::memset(PRM9, 0, sizeof PRM9);
        std::memset(LSP2, 0, sizeof LSP2);
        std::memset(DSP8, 0, sizeof DSP8);
        std::memset(HEI8, 0, sizeof HEI8);
        TECHCL();
        MOVCLR();
        tp_mrkr_init();
        TPMACH = 22;
        HFLINI();
        PRCCLR();
        pw(AXSMOD) = 1;
        std::memset(&PASOUT, 0, sizeof PASOUT);
        HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);  // clearance plane
        HEI8[HEI8_RETRACT] = 1;             // clearance switch
        TLER[TLER_MODE] = 3;  // motions blanked: held at 0 during the retract
    }
    void TearDown() override { tp_mrkr_fin(1); }
};

TEST_F(EndRet, EmptyToolPathGetsNothing)
{
    i32 status = 9;
    ENDRET(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(norak::element_count(), 0u);
}

TEST_F(EndRet, ToolGoesUpToTheClearancePlane)
{
    const f32 p[3] = {5, 6, 2}, a[3] = {0, 0, 1};
    i32 status = 0;
    MOVLIN(2, p, a, status);
    ASSERT_EQ(status, 0);
    const size_t before = norak::element_count();
    for (int c = 0; c < 3; ++c) DSP8[c] = r2wrd(p[c]);
    DSP8[8] = r2wrd(1.0f);
    // Where the passes ended (the retract from the last pass point) or
    // elsewhere: the same vertical retract.
    for (int last : {1, 0}) {
        if (last) std::memcpy(PASOUT.last, p, sizeof p);
        PASOUT.npnts = 4;
        ENDRET(status);
        ASSERT_EQ(status, 0);
        EXPECT_GT(norak::element_count(), before);
        EXPECT_EQ(MOVST.point[0], 5.0f);
        EXPECT_EQ(MOVST.point[2], 100.0f);
        EXPECT_EQ(TLER[TLER_MODE], 3);
        MOVLIN(2, p, a, status);
    }
}

TEST_F(EndRet, FromTheToolsOwnPositionAndMultiAxisOnlyAtTheLastPassPoint)
{
    // The display record's position lags behind (it is set when blocks are
    // shown): the retract starts where the tool stands, the last pass point.
    const f32 p[3] = {5, 6, 2}, a[3] = {0, 0, 1};
    i32 status = 0;
    MOVLIN(2, p, a, status);
    for (int c = 0; c < 3; ++c) DSP8[c] = r2wrd(50.0f);
    std::memcpy(PASOUT.last, p, sizeof p);
    PASOUT.npnts = 4;
    ENDRET(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(MOVST.point[0], 5.0f);
    EXPECT_EQ(MOVST.point[2], 100.0f);
    // Multi-axis: the final link at the last pass point (its retract
    // markers around it), nothing elsewhere.
    pw(AXSMOD) = 2;
    HEI8[HEI8_INCR] = r2wrd(20.0f);
    MOVLIN(2, p, a, status);
    size_t before = norak::element_count();
    ENDRET(status);
    EXPECT_EQ(status, 0);
    EXPECT_GT(norak::element_count(), before);
    EXPECT_GT(MOVST.point[2], 2.0f);
    const f32 q[3] = {9, 9, 2};
    MOVLIN(2, q, a, status);
    before = norak::element_count();
    ENDRET(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(norak::element_count(), before);
}

}  // namespace
