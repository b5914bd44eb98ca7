// The clean-up of a rewritten tool path: a down-and-up excursion between
// two traverses removed (its closing rise kept when it ends elsewhere, its
// technology blocks kept), a run of rapid moves lifted to the working
// clearance height, drilling cycles stepped over, a run ended by a tool
// change; the path-changed flag set when a clean-up changes the path.
#include <gtest/gtest.h>

#include <cstring>

#include "common.h"
#include "optpath.h"
#include "path.h"
#include "stock/crvtrim.h"
#include "stock/optedit.h"
#include "stock/optwords.h"

namespace {

struct TpClean : ::testing::Test {
    stocktest::Path p;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        opttest::machine();
        rapid_top = 10.0f;
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
    }
    std::vector<std::array<f32, 3>> points()
    {
        std::vector<std::array<f32, 3>> out;
        for (const auto& m : opttest::moves()) out.push_back({m.p[0], m.p[1], m.p[2]});
        return out;
    }
    using P = std::vector<std::array<f32, 3>>;
};

TEST_F(TpClean, AnExcursionBetweenTraversesGoesAndThePathStaysContinuous)
{
    for (f32 rise : {10.0f, 12.0f}) {
        SetUp();
        p = stocktest::Path{};
        p.feed(-1.0f);
        p.line(0, 0, 10);
        p.line(10, 0, 10);
        p.feed(300.0f);
        p.raw({1, p.next++, 2, 0, 5000});  // a spindle block inside the excursion
        p.line(10, 0, 2);
        p.feed(-1.0f);
        p.line(10, 0, rise);
        p.line(20, 0, rise);
        opttest::counter_past(p.next);
        i32 st = 0;
        tp_drop_verticals(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
        // The excursion's moves go, its technology blocks stay in force.
        EXPECT_EQ(opttest::moves().back().spindle, 5000);
        if (rise == 10.0f)
            EXPECT_EQ(points(), (P{{0, 0, 10}, {10, 0, 10}, {20, 0, 10}}));
        else
            EXPECT_EQ(points(), (P{{0, 0, 10}, {10, 0, 10}, {10, 0, 12}, {20, 0, 12}}));
    }
}

TEST_F(TpClean, ARunOfRapidsIsLiftedToTheClearanceHeight)
{
    auto build = [&] {
        p.feed(300.0f);
        p.line(0, 0, 0);
        p.raw({30, p.next++, 1, 0});  // a drilling cycle before the run
        p.line(5, 0, 0);
        p.feed(-1.0f);
        p.line(5, 0, 3);
        p.line(8, 0, 3);
        p.line(12, 0, 3);
        p.feed(300.0f);
        p.line(12, 0, 0);
        p.line(15, 0, 0);
        opttest::counter_past(p.next);
    };
    build();
    i32 st = 0;
    tp_clean_moves(2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(points(), (P{{0, 0, 0}, {5, 0, 0}, {5, 0, 10}, {12, 0, 10}, {12, 0, 3}, {12, 0, 0}, {15, 0, 0}}));
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    const auto m = opttest::moves();
    EXPECT_LT(m[3].feed, 0.0f);
    EXPECT_FLOAT_EQ(m[5].feed, 300.0f);
    // A list access refused at any place (the n-th, for every n until one
    // goes through untouched): the clean-up fails, or it leaves this path.
    const auto whole = opttest::snapshot();
    const i32 failed = opttest::every_refusal(
        [&] {
            SetUp();
            p = stocktest::Path{};
            build();
        },
        [&] {
            tp_clean_moves(2, st);
            return st;
        },
        [&](i32 n) { EXPECT_EQ(opttest::snapshot(), whole) << "refused access " << n; }, 2000);
    EXPECT_GT(failed, 3);
}

// A drilling-cycle block does not end the clean-up of the excursion after
// it; a rapid traverse with vertical rapids beside it counts as one
// traverse and stays as it is: one with a rise after it, and a link as the
// link stage writes it (rise, traverse, descent to the safety distance,
// plunge), which keeps its low height.
TEST_F(TpClean, ACycleBlockIsSteppedOverAndAVerticalRapidDoesNotMakeARun)
{
    p.feed(-1.0f);
    p.line(0, 0, 10);
    p.raw({30, p.next++, 1, 0});
    p.line(10, 0, 10);
    p.feed(300.0f);
    p.line(10, 0, 2);
    p.feed(-1.0f);
    p.line(10, 0, 10);
    p.line(20, 0, 10);
    opttest::counter_past(p.next);
    i32 st = 0;
    tp_drop_verticals(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(points(), (P{{0, 0, 10}, {10, 0, 10}, {20, 0, 10}}));

    // Each move with the feed form it is written at, through the writers
    // the link stage uses: 1 the cut's feed as a value, 27 rapid, 3 plunge.
    struct Shape {
        P points;
        std::vector<i32> forms;
    };
    const Shape shapes[] = {
        {{{0, 0, 0}, {5, 0, 0}, {9, 0, 0}, {9, 0, 3}, {12, 0, 3}}, {1, 1, 27, 27, 1}},
        {{{-5, 0, 0}, {0, 0, 0}, {0, 0, 5}, {50, 0, 5}, {50, 0, 1}, {50, 0, 0}, {60, 0, 0}}, {1, 1, 27, 27, 27, 3, 1}},
    };
    for (const Shape& shape : shapes) {
        SetUp();
        i32 form = 0;
        // The tool stands above the first point: the first line is written too.
        std::copy(shape.points[0].begin(), shape.points[0].end(), MOVST.point);
        MOVST.point[2] += 1.0f;
        for (size_t k = 0; k < shape.points.size(); ++k) {
            if (shape.forms[k] != form) {
                form = shape.forms[k];
                if (form == 1)
                    write_feed_value(300.0f, st);
                else
                    write_feed_code(form, st);
            }
            optim_line(shape.points[k].data(), st);
        }
        ASSERT_EQ(st, 0);
        tp_join_rapids(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(points(), shape.points);
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 0);
    }
}

// A tool change ends the run of rapids before it, also when the new tool's
// first move goes straight down, rapid or at feed: the old tool's rise and
// traverse stay before the change, and no traverse of the two tools is
// rewritten as one.
TEST_F(TpClean, AToolChangeEndsTheRunOfRapidsBeforeIt)
{
    const i32 t1 = opttest::tool("FIRST", 6.0f, 0.0f, 12.0f, 20.0f, {});
    const i32 t2 = opttest::tool("SECOND", 4.0f, 0.0f, 12.0f, 20.0f, {});
    for (f32 first : {-1.0f, 300.0f}) {
        SCOPED_TRACE(first);
        SetUp();
        rapid_top = 60.0f;
        p = stocktest::Path{};
        p.tool(t1);
        p.feed(300.0f);
        p.line(0, 0, 0);
        p.line(5, 0, 0);
        p.feed(-1.0f);
        p.line(5, 0, 50);
        p.line(20, 0, 50);
        p.tool(t2);
        p.feed(first);
        p.line(20, 0, 30);
        p.feed(-1.0f);
        p.line(30, 0, 30);
        p.feed(300.0f);
        p.line(30, 0, 0);
        p.line(40, 0, 0);
        opttest::counter_past(p.next);
        i32 st = 0;
        tp_join_rapids(st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(points(), (P{{0, 0, 0}, {5, 0, 0}, {5, 0, 50}, {20, 0, 50}, {20, 0, 30}, {30, 0, 30}, {30, 0, 0}, {40, 0, 0}}));
        std::vector<i32> tools;
        for (const auto& m : opttest::moves()) tools.push_back(m.tool);
        EXPECT_EQ(tools, (std::vector<i32>{t1, t1, t1, t1, t2, t2, t2, t2}));
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 0);
    }
}

}  // namespace
