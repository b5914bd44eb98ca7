#include <gtest/gtest.h>

#include <cmath>

#include "core/host.h"
#include "library.h"

namespace {

void expect_rows(const norak::Figure& f, const f32 (&want)[9])
{
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(f.rows[k], want[k], 1e-6) << "row word " << k;
}

TEST(ToolDisplay, DegenerateAxisDrawsNothing)
{
    fresh();
    const f32 p[3] = {1, 2, 3}, zero[3] = {0, 0, 0}, tiny[3] = {0, 0, 1e-7f};
    i32 fig = 7;
    DISPT1(101, p, zero, fig);
    EXPECT_EQ(fig, -1);
    DISPT1(101, p, tiny, fig);
    EXPECT_EQ(fig, -1);
    EXPECT_EQ(norak::transcript_count("internal: DISPT1,ERRORS IN CALCULATING TOOL ORIENTATION MATRIX"), 2u);
    EXPECT_TRUE(norak::figures().empty());
}

TEST(ToolDisplay, FiguresFollowTheAxis)
{
    fresh();
    const f32 p[3] = {1, 2, 3}, up[3] = {0, 0, 2}, side[3] = {3, 0, 0}, tilt[3] = {1, 1, 1};
    i32 fig = 0;
    DISPT1(101, p, up, fig);
    ASSERT_EQ(fig, 1);
    const f32 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    expect_rows(norak::figures()[0], id);
    EXPECT_EQ(norak::figures()[0].tool, 101);
    EXPECT_FLOAT_EQ(norak::figures()[0].point[2], 3);
    EXPECT_EQ(TLSHOW, 1);

    DISPT1(103, p, side, fig);
    ASSERT_EQ(fig, 2);
    EXPECT_EQ(norak::figures()[1].master, 77);
    EXPECT_NEAR(norak::figures()[1].rows[6], 1.0f, 1e-6);

    // Any axis gives a right-handed orthonormal frame with z along the axis.
    DISPT1(101, p, tilt, fig);
    const f32* r = norak::figures()[2].rows;
    auto dot = [&](int a, int b) { return r[3 * a] * r[3 * b] + r[3 * a + 1] * r[3 * b + 1] + r[3 * a + 2] * r[3 * b + 2]; };
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) EXPECT_NEAR(dot(a, b), a == b ? 1.0f : 0.0f, 1e-6);
    EXPECT_NEAR(r[6], 1 / std::sqrt(3.0f), 1e-6);
    f32 cz = r[0] * r[4] - r[1] * r[3];  // (x cross y).z equals z.z
    EXPECT_NEAR(cz, r[8], 1e-6);

    // A tool that cannot be loaded is not drawn.
    DISPT1(999, p, up, fig);
    EXPECT_EQ(fig, -1);
    EXPECT_EQ(norak::figures().size(), 3u);
}

TEST(ToolDisplay, DefaultOrientationAndShowTool)
{
    fresh();
    const f32 p[3] = {5, 5, 0}, zero[3] = {0, 0, 0}, axis[3] = {0, 1, 0};
    const f32 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    i32 fig = -1, st = 0;
    DISPT0(102, p, fig);
    ASSERT_GT(fig, 0);
    expect_rows(norak::figures().back(), id);
    SHOWTL(102, p, zero, fig, st);
    EXPECT_EQ(st, 0);
    expect_rows(norak::figures().back(), id);
    SHOWTL(102, p, axis, fig, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(norak::figures().back().rows[7], 1.0f, 1e-6);
    figdel(fig);
    EXPECT_TRUE(norak::figures().back().deleted);
    SHOWTL(999, p, axis, fig, st);
    EXPECT_EQ(st, -1); EXPECT_EQ(fig, -1);
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

TEST(ToolDisplay, ExclusiveOrAroundAnExecution)
{
    fresh();
    const f32 p[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    i32 fig = 0;
    TLXON1();
    EXPECT_EQ(norak::xor_mode(), 1);
    DISPT1(101, p, up, fig);
    EXPECT_EQ(norak::figures().back().xor_mode, 1);
    EXPECT_EQ(TLSHOW, fig);
    TLXOFF();
    EXPECT_EQ(norak::xor_mode(), 0);
    EXPECT_EQ(TLSHOW, -1);  // off forgets the shown tool
    TLXON2();
    EXPECT_EQ(norak::xor_mode(), 2);
    TLXOFF();
    EXPECT_TRUE(norak::transcript_has("display: tool exclusive-or on, mode 2"));
}

TEST(ToolDisplay, DialogInputAndSymbolMasters)
{
    fresh();
    norak::Reply r;
    r.kind = "menu";
    r.answer = "3";
    norak::add_reply(r);
    EXPECT_EQ(DMINP1(4), 3);
    EXPECT_TRUE(norak::transcript_has("menu: DIALOG 4 ROW 1"));
    norak::Reply e;
    e.kind = "menu";
    e.escape = true;
    norak::add_reply(e);
    EXPECT_EQ(DMINP1(4), -2);

    const i32 ids[2] = {101, 102};
    i32 st = 0;
    SIMAST(4, 10, 9, 2, ids, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("master 1: 101 102"));
    EXPECT_TRUE(norak::transcript_has("instance of master 1: unit 4 colour 10 pen 9"));
    SIMAST(4, 10, 9, 0, ids, st);
    EXPECT_EQ(st, -1);
}

}  // namespace
