// The stand-in host's tool path display: registered display blocks, pen
// strokes and arcs, the key pressed after a number of registered blocks, and
// the picture drawn from what was registered.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/host.h"
#include "core/words.h"
#include "platform/norak/curvecalls.h"
#include "platform/norak/norak.h"
#include "session_util.h"

namespace {
class Display : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

std::string picture()
{
    const std::string dir = std::string(::testing::TempDir()) + "norak_picture_" + std::to_string(getpid());
    const std::string mk = "mkdir -p '" + dir + "'";
    if (std::system(mk.c_str()) != 0) return "";
    norak::write_picture(dir);
    return read_file(dir + "/toolpath.svg");
}
}  // namespace

TEST_F(Display, BlocksKeepTheirAttributesPointsAndStrokes)
{
    const f32 a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    moveto(a);
    const i32 rapid[3] = {5, 2, 3};
    ncd_update_current_attrs(rapid);
    ncd_register_block(1, 2);
    EXPECT_EQ(ncd_add_registered_block(b), 0);
    EXPECT_EQ(ncd_move_to(b), 0);
    // An arc a quarter turn about the origin from b to c, in steps.
    ncd_register_block(1, 3);
    setlf(4);
    setclr(7);
    const f32 def[7] = {0, 1.5708f, 0.3f, 0, 0, 0, 1};
    ncd_update_arc_def(def, 1);
    ncd_add_registered_block(c);
    ncd_move_to(c);
    // A block registered again under its keys replaces the old one.
    ncd_register_block(1, 2);
    const auto& d = norak::display_blocks();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].key2, 3);
    EXPECT_EQ(d[0].font, 4);
    EXPECT_EQ(d[0].colour, 7);
    EXPECT_EQ(d[0].arcs, 1);
    ASSERT_EQ(d[0].strokes.size(), 1u);
    EXPECT_EQ(d[0].strokes[0].size(), 7u);  // the pen, five steps, the end
    EXPECT_NEAR(d[0].strokes[0][3][0], 0.7071f, 1e-3f);
    EXPECT_TRUE(d[1].points.empty());
    EXPECT_EQ(norak::display_log().size(), 3u);
    EXPECT_EQ(norak::display_log()[0].points, 1);
    // Points without an open block are refused; deletion by position.
    const i32 table[3] = {2, 1, 3};
    ncd_delete_blocks(-1, table);
    EXPECT_EQ(norak::display_blocks().size(), 1u);
    EXPECT_EQ(ncd_add_registered_block(a), 3);
    i32 steps = 0;
    setdel(1.0f, 0.3f, steps);
    EXPECT_EQ(steps, 4);
    setdel(0.6f, 0.3f, steps);
    EXPECT_EQ(steps, 2);
    // The last block's key is one word, and setting the position back to it
    // is accepted.
    i32 key[2] = {-5, -7}, st = -5;
    ncd_get_last_block(key[0]);
    ncd_set_block_position(key[0], 99, st);
    EXPECT_EQ(key[0], 0);
    EXPECT_EQ(key[1], -7);
    EXPECT_EQ(st, 0);
}

TEST_F(Display, PictureIsDrawnFromTheRegisteredBlocks)
{
    // A line block in the list but nothing registered: no tool path drawn.
    norak::start_toolpath();
    i32 st = 0, ans = 0;
    lacces(1, ans);
    lcreat(0, st);
    const i32 w[5] = {2, 1, r2wrd(5), r2wrd(5), r2wrd(5)};
    lputd(st, 5, w);
    lclos();
    std::string svg = picture();
    ASSERT_FALSE(svg.empty());
    for (const char* c : {"class=\"feed\"", "class=\"rapid\"", "class=\"link\""})
        EXPECT_EQ(svg.find(c), std::string::npos) << c;

    // Registered strokes: a rapid, a link at the maximum feed, a feed and a
    // hidden one.
    const f32 p[4][3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    const i32 attrs[4][3] = {{5, 2, 3}, {4, 2, 1}, {4, 7, 1}, {4, 7, 1}};
    moveto(p[0]);
    for (int k = 0; k < 4; ++k) {
        ncd_register_block(1, k + 2);
        ncd_update_current_attrs(attrs[k]);
        ncd_update_blank_attribute(k == 3 ? 1 : 0);
        ncd_move_to(p[(k + 1) % 4]);
    }
    svg = picture();
    for (const char* c : {"class=\"feed\"", "class=\"rapid\"", "class=\"link\""})
        EXPECT_EQ(count_lines_with(svg, c), 2) << c;  // once in each view
}

TEST_F(Display, KeyIsPressedAfterTheGivenNumberOfRegisteredBlocks)
{
    norak::load_session_text(R"({"replies": [{"key": "space", "after_blocks": 2}]})");
    i32 key = 0;
    gupdat(key);
    EXPECT_EQ(key, -1);
    ncd_register_block(1, 1);
    gupdat(key);
    EXPECT_EQ(key, -1);
    ncd_register_block(1, 2);
    ncd_register_block(1, 3);
    gupdat(key);
    EXPECT_EQ(key, 32);
    EXPECT_EQ(norak::key_seen_at(), 3);
    EXPECT_THROW(norak::load_session_text(R"({"replies": [{"key": "space", "after_blocks": 0}]})"),
                 norak::session_error);
}

// A refused curve call answers -1 and makes nothing; the calls around it
// answer. Both forms of evbfre free whichever curve their handle names.
TEST_F(Display, CurveCallsCanBeRefusedAndEveryCurveIsFreedByItsHandle)
{
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1}, pts[12] = {0, 0, 0, 1, 1, 0, 2, 1, 0, 3, 0, 0};
    for (const char* call : {"evbcre_bsp", "crvpld2"}) {
        norak::refuse_curve_call(call, 2);
        std::vector<i32> statuses;
        for (int round = 0; round < 3; ++round) {
            i32 curve = 0, st = 0, count = 0;
            f64 poly[30];
            evbcre_bsp(4, 4, knots, pts, -1, 3, curve, st);
            if (st == 0) crvpld2(curve, 0.01f, 10, count, poly, st);
            statuses.push_back(st);
            evbfre(curve);  // a display curve freed through the cubic form
        }
        EXPECT_EQ(statuses, (std::vector<i32>{0, -1, 0})) << call;
        EXPECT_TRUE(norak::transcript_has(std::string("curve: ") + call + " refused"));
        EXPECT_EQ(norak::live_curves(), 0) << call;
    }
    i32 cubic = 0, st = 0;
    evbcre_bsp(3, 4, knots, pts, cubic, st);
    ASSERT_EQ(st, 0);
    EXPECT_GT(cubic, norak::CUBIC_CURVES);
    evbfre(static_cast<const i32&>(cubic));  // and a cubic one through the display's form
    f64 near[3], d2 = 0;
    const f64 p[3] = {1, 1, 0};
    cptcrv2(cubic, p, near, d2, st);
    EXPECT_EQ(st, -1);
}
