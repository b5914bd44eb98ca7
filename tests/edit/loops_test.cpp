// DELETE LOOP: loops cut out where the path crosses itself in its plane, the
// crossing found by the plane fit, arcs cut at the crossing in their sense.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "blocks/movement.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "edit/delete.h"
#include "edit/loops.h"
#include "tests/edit/editor_common.h"

namespace {
std::string script()
{
    std::string s;
    for (const std::string& l : norak::transcript()) s += l + "\n";
    return s;
}

void yes()
{
    norak::Reply r;
    r.kind = "question";
    r.answer = "yes";
    norak::add_reply(r);
}

// DELETE LOOP from block a to block b; its status.
i32 delete_loop(i32 a, i32 b, i32& changed)
{
    ed::menu("DELETE LOOP");
    yes();
    i32 start[KEY_N], key[KEY_N], type = 0, request = 0, st = 0;
    blkkey(start, a);
    blkkey(key, b);
    EDTDLT(start, key, type, changed, request, st);
    return st;
}

struct Seen {
    i32 type, number;
    std::vector<f32> w;  // the block's words after its number
};
std::vector<Seen> read_back()
{
    std::vector<Seen> out;
    for (size_t k = 1; k < norak::main_list().elems.size(); ++k) {
        const auto& w = norak::main_list().elems[k].words;
        Seen s{w[0], w[1], {}};
        for (size_t j = 2; j < w.size(); ++j) s.w.push_back(wrd2r(w[j]));
        out.push_back(s);
    }
    return out;
}

f32 rel(const Seen& s, int c) { return s.w[static_cast<size_t>(c)] - fix::ORIGIN[c]; }
}  // namespace

TEST(DeleteLoop, AFigureEightLosesOneLobeAndRunsThroughTheCrossing)
{
    ed::fresh();
    ed::line(0, 0);    // 1: the point before the range
    ed::line(10, 10);  // 2
    ed::line(10, 0);   // 3
    ed::line(0, 10);   // 4
    ed::line(0, 0);    // 5: back at the start, not a loop
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 5, changed), 0) << script();
    EXPECT_EQ(changed, 1);
    const auto b = read_back();
    ASSERT_EQ(b.size(), 4u) << script();
    // Block 2 now ends at the crossing of (0,0)-(10,10) with (10,0)-(0,10).
    EXPECT_EQ(b[1].number, 2);
    EXPECT_NEAR(rel(b[1], 0), 5.0f, 1e-3f);
    EXPECT_NEAR(rel(b[1], 1), 5.0f, 1e-3f);
    EXPECT_NEAR(rel(b[1], 2), 0.0f, 1e-3f);
    EXPECT_EQ(b[2].number, 4);
    EXPECT_EQ(b[3].number, 5);
    // Both changed blocks are shown again: the new line to the crossing and
    // the second crossing block after it.
    std::vector<i32> shown;
    for (const auto& r : norak::display_log()) shown.push_back(r.key1);
    EXPECT_EQ(shown, (std::vector<i32>{2, 4}));
}

TEST(DeleteLoop, LinesThatDoNotCrossAreLeftAlone)
{
    ed::fresh();
    ed::line(0, 0);
    ed::line(10, 0);
    ed::line(20, 5);
    const auto before = read_back();
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 3, changed), 0) << script();
    EXPECT_EQ(changed, 0);
    const auto after = read_back();
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < after.size(); ++k) EXPECT_EQ(after[k].w, before[k].w);
}

TEST(DeleteLoop, AnArcLeftOverMoreThanHalfATurnKeepsItsSense)
{
    ed::fresh();
    ed::line(10, 0);  // 1: the arc's start
    // 2: three quarters of a turn anticlockwise about the origin, radius 10.
    const f32 centre[2] = {fix::ORIGIN[0], fix::ORIGIN[1]};
    const f32 end[3] = {fix::ORIGIN[0], fix::ORIGIN[1] - 10.0f, fix::ORIGIN[2]};
    const f32 up[3] = {0, 0, 1};
    i32 st = 0;
    PTBT3(AM_APPEND, 3, 1, 4.712389f, 0.1f, centre, end, up, 0, st);
    ASSERT_EQ(st, 0);
    ed::line(-3, -3);    // 3
    ed::line(-10, -10);  // 4: crosses the arc at 225 degrees
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 4, changed), 0) << script();
    EXPECT_EQ(changed, 1);
    const auto b = read_back();
    ASSERT_EQ(b.size(), 3u) << script();
    ASSERT_EQ(b[1].type, 3);
    // Words: type, number, plane, sweep, step, centre (2), end (3).
    const auto& words = norak::main_list().elems[2].words;
    const i32 number = words[1], plane = words[2];
    const f32 angle = wrd2r(words[3]);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(plane, 1);
    EXPECT_GT(angle, 3.1415927f) << "the arc turns on anticlockwise past half a turn";
    EXPECT_NEAR(angle, 3.9269908f, 0.02f);
    EXPECT_EQ(b[2].number, 4);
}

TEST(DeleteLoop, TheSweepOfAnArcFollowsItsSense)
{
    const f32 c[2] = {0, 0};
    const f32 s[3] = {10, 0, 0}, e[3] = {-7.0710678f, -7.0710678f, 0};
    f32 sweep = 0;
    i32 st = 0;
    arc_sweep(1, c, s, e, 1.0f, sweep, st);
    EXPECT_NEAR(sweep, 3.9269908f, 1e-4f);
    arc_sweep(1, c, s, e, -1.0f, sweep, st);
    EXPECT_NEAR(sweep, -2.3561945f, 1e-4f);
    // Planes XZ and YZ take their own co-ordinates.
    const f32 s2[3] = {10, 5, 0}, e2[3] = {0, 5, 10};
    arc_sweep(2, c, s2, e2, 1.0f, sweep, st);
    EXPECT_NEAR(sweep, 1.5707964f, 1e-4f);
    const f32 s3[3] = {5, 0, 10}, e3[3] = {5, 10, 0};
    arc_sweep(3, c, s3, e3, -1.0f, sweep, st);
    EXPECT_NEAR(sweep, -1.5707964f, 1e-4f);
    // A crossing at the arc's own start or end leaves no sweep in either
    // sense, never a whole turn.
    const f32 near[3] = {10.0f, -1e-6f, 0.0f};
    for (const f32 sense : {1.0f, -1.0f})
        for (const f32* e0 : {s, near}) {
            arc_sweep(1, c, s, e0, sense, sweep, st);
            EXPECT_NEAR(sweep, 0.0f, 1e-4f) << sense;
        }
}

TEST(DeleteLoop, FindLoopsWorksInTheFittedPlane)
{
    // The figure eight stood up in the plane x = z: the crossing is found
    // there and its height is the mean of both segments'.
    std::vector<LoopPoint> p(5);
    const f32 uv[5][2] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}};
    for (int k = 0; k < 5; ++k) {
        p[static_cast<size_t>(k)] = LoopPoint{{uv[k][0], uv[k][1], uv[k][0]}, {0, 0, 1}, 2, k + 1};
    }
    Loop loops[LOOP_MAX];
    i32 n = 0, st = 0;
    find_loops(p.data(), 5, LOOP_MAX, loops, n, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(loops[0].number1, 2);
    EXPECT_EQ(loops[0].number2, 4);
    EXPECT_NEAR(loops[0].p[0], 5.0f, 1e-3f);
    EXPECT_NEAR(loops[0].p[1], 5.0f, 1e-3f);
    EXPECT_NEAR(loops[0].p[2], 5.0f, 1e-3f);
    // A path that ends on its own first segment, or starts on its last,
    // makes no loop there.
    for (const auto& path : std::vector<std::vector<std::array<f32, 2>>>{
             {{0, 0}, {10, 0}, {10, 10}, {5, 10}, {5, 0}}, {{5, 0}, {5, 10}, {10, 10}, {10, 0}, {0, 0}}}) {
        std::vector<LoopPoint> c;
        for (const auto& q : path) c.push_back(LoopPoint{{q[0], q[1], 0}, {0, 0, 1}, 2, static_cast<i32>(c.size()) + 1});
        find_loops(c.data(), 5, LOOP_MAX, loops, n, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(n, 0) << path[0][0];
    }
    // Points on one line define no plane; two points are too few.
    for (LoopPoint& q : p) q.p[1] = q.p[0];
    find_loops(p.data(), 5, LOOP_MAX, loops, n, st);
    EXPECT_EQ(st, -1);
    find_loops(p.data(), 2, LOOP_MAX, loops, n, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("THREE POINTS ARE REQUIRED TO DEFINE A PLANE"));
}

TEST(DeleteLoop, AMarkedSectionIsNotCollectedAndOtherMotionsAreRefused)
{
    // The figure eight with its lobe's second line inside a marked link
    // section: the run ends at the closing marker and no loop is left to
    // find in either run.
    ed::fresh();
    ed::line(0, 0);     // 1
    ed::line(10, 10);   // 2
    fix::marker(32);    // 3
    ed::line(10, 0);    // 4
    fix::marker(31);    // 5
    ed::line(0, 10);    // 6
    ed::line(0, 0);     // 7
    const auto before = read_back();
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 7, changed), 0) << script();
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(read_back().size(), before.size());
    EXPECT_FALSE(norak::transcript_has("internal:")) << script();
    // A line of type 22 in the range: the message, nothing changes.
    ed::fresh();
    ed::line(0, 0);
    ed::line(10, 10);
    fix::line(22, {10, 0, 0});
    ed::line(0, 10);
    ed::line(0, 0);
    EXPECT_EQ(delete_loop(2, 5, changed), 0) << script();
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(read_back().size(), 5u);
    EXPECT_TRUE(norak::transcript_has("TRIMMING LOOPS CAN ONLY WORK ON :|LINEAR OR CIRCULAR MOTION BLOCKS"))
        << script();
}

TEST(DeleteLoop, TheCrossingsHeightIsTheMeanOfBothSegmentsHeights)
{
    // A figure eight whose two crossing segments climb differently, with two
    // further points that keep the fitted plane level (their heights make
    // the spread of Z independent of X and of Y): at (5, 5) the first segment
    // stands at 1, the second at 0.5.
    const f32 pts[7][3] = {{0, 0, 0}, {10, 10, 2}, {10, 0, 0}, {0, 10, 1}, {0, 0, 0}, {-10, -10, 38.0f / 21},
                           {20, -10, 25.0f / 21}};
    std::vector<LoopPoint> p;
    for (int k = 0; k < 7; ++k) p.push_back(LoopPoint{{pts[k][0], pts[k][1], pts[k][2]}, {0, 0, 1}, 2, k + 1});
    Loop loops[LOOP_MAX];
    i32 n = 0, st = 0;
    find_loops(p.data(), 7, LOOP_MAX, loops, n, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(loops[0].number1, 2);
    EXPECT_EQ(loops[0].number2, 4);
    EXPECT_NEAR(loops[0].p[0], 5.0f, 1e-3f);
    EXPECT_NEAR(loops[0].p[1], 5.0f, 1e-3f);
    EXPECT_NEAR(loops[0].p[2], 0.75f, 1e-3f);
}

TEST(DeleteLoop, AListCallRefusedAnywhereIsNeverReportedAsSuccessOverAWrongPath)
{
    // The figure eight, with the n-th list access from the command on
    // refused, for every n the command makes: the command either ends as a
    // list error or, where the refusal cost only a display or a search
    // that stops at the list's start, still cuts the lobe out.
    // The range starts at the procedure's first motion, so that the search
    // for the point before it reaches the list's start with or without a
    // refusal, and takes the writers' position, here the figure's start.
    auto figure_eight = [] {
        ed::fresh();
        for (int k = 0; k < 3; ++k) MOVST.point[k] = fix::ORIGIN[k];
        ed::line(10, 10);
        ed::line(10, 0);
        ed::line(0, 10);
        ed::line(0, 0);
    };
    figure_eight();
    i32 changed = 0;
    ASSERT_EQ(delete_loop(1, 4, changed), 0);
    const auto clean = read_back();
    ASSERT_EQ(clean.size(), 3u) << script();
    for (i32 n = 1;; ++n) {
        figure_eight();
        norak::fail_list_call("lacces", n);
        const i32 st = delete_loop(1, 4, changed);
        const bool refused = norak::transcript_has("list: lacces refused");
        norak::fail_list_call("lacces", 0);
        if (!refused) break;
        if (st != 0) continue;
        const auto got = read_back();
        ASSERT_EQ(got.size(), clean.size()) << "refused call " << n << "\n" << script();
        for (size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k].w, clean[k].w) << "refused call " << n;
    }
}

TEST(DeleteLoop, ASecondCrossingArcThatEndsTheRangeIsCutAndTheCommandSucceeds)
{
    ed::fresh();
    ed::line(-10, 0);  // 1: the point before the range
    ed::line(10, 0);   // 2
    ed::line(5, 8);    // 3
    // 4: half a turn anticlockwise about (5, 0) from (5, 8) to (5, -8),
    // through (-3, 0) on block 2.
    const f32 centre[2] = {fix::ORIGIN[0] + 5.0f, fix::ORIGIN[1]};
    const f32 end[3] = {fix::ORIGIN[0] + 5.0f, fix::ORIGIN[1] - 8.0f, fix::ORIGIN[2]};
    const f32 up[3] = {0, 0, 1};
    i32 st = 0;
    PTBT3(AM_APPEND, 3, 1, 3.1415927f, 0.1f, centre, end, up, 0, st);
    ASSERT_EQ(st, 0);
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 4, changed), 0) << script();
    EXPECT_EQ(changed, 1);
    EXPECT_FALSE(norak::transcript_has("internal: EDTLOP, ERRORS IN LIST")) << script();
    const auto b = read_back();
    ASSERT_EQ(b.size(), 3u) << script();
    EXPECT_EQ(b[1].number, 2);
    EXPECT_NEAR(rel(b[1], 0), -3.0f, 0.05f);
    EXPECT_EQ(b[2].number, 4);
    EXPECT_EQ(b[2].type, 3);
}

TEST(DeleteLoop, TwoLoopsInOneRunAreBothCutWhenTheFirstStartsTheRun)
{
    ed::fresh();
    ed::line(0, 0);     // 1: the point before the range
    ed::line(10, 10);   // 2: the run's first block crosses 4 at (5, 5)
    ed::line(10, 0);    // 3
    ed::line(0, 10);    // 4
    ed::line(0, 20);    // 5
    ed::line(10, 30);   // 6: crosses 8 at (5, 25)
    ed::line(10, 20);   // 7
    ed::line(0, 30);    // 8
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 8, changed), 0) << script();
    EXPECT_EQ(changed, 1);
    const auto b = read_back();
    std::vector<i32> numbers;
    for (const Seen& s : b) numbers.push_back(s.number);
    EXPECT_EQ(numbers, (std::vector<i32>{1, 2, 4, 5, 6, 8})) << script();
    ASSERT_EQ(b.size(), 6u);
    EXPECT_NEAR(rel(b[1], 1), 5.0f, 1e-3f);
    EXPECT_NEAR(rel(b[4], 1), 25.0f, 1e-3f);
}

TEST(DeleteLoop, AFirstCrossingArcCutShortEndsWithTheCrossingsVector)
{
    // As the arc left over more than half a turn, its axis tilting towards
    // (0, 0.6, 0.8) at its end: cut at the crossing, it ends with the axis
    // there, not with the one of the end it no longer reaches.
    ed::fresh();
    ed::line(10, 0);
    const f32 centre[2] = {fix::ORIGIN[0], fix::ORIGIN[1]};
    const f32 end[3] = {fix::ORIGIN[0], fix::ORIGIN[1] - 10.0f, fix::ORIGIN[2]};
    const f32 tilted[3] = {0, 0.6f, 0.8f};
    i32 st = 0;
    PTBT3(AM_APPEND, 223, 1, 4.712389f, 0.1f, centre, end, tilted, 0, st);
    ASSERT_EQ(st, 0);
    ed::line(-3, -3);
    ed::line(-10, -10);
    i32 changed = 0;
    EXPECT_EQ(delete_loop(2, 4, changed), 0) << script();
    const auto& w = norak::main_list().elems[2].words;
    ASSERT_EQ(w[0], 223);
    ASSERT_GE(w.size(), 13u);
    const f32 v[3] = {wrd2r(w[10]), wrd2r(w[11]), wrd2r(w[12])};
    EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 1.0f, 1e-4f);
    EXPECT_GT(v[2], 0.8f + 1e-3f) << "between the start's axis and the end's";
    EXPECT_GT(v[1], 1e-3f);
}

TEST(DeleteLoop, TheLineToTheCrossingKeepsTheAxisOfTheLoop)
{
    // The figure eight drawn with one tool axis throughout: the first
    // crossing line, cut at the crossing, is a plain line only for the
    // upward axis; any other axis, the downward one too, stays on the line.
    const std::array<f32, 3> axes[] = {{0, 0, 1}, {0, 0, -1}, {0, 0.6f, 0.8f}};
    for (const auto& a : axes) {
        SCOPED_TRACE(a[2]);
        const i32 type = a[2] == 1.0f ? 2 : 222;
        ed::fresh();
        for (const auto& p : {std::array<f32, 2>{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}})
            fix::line(type, {p[0], p[1], 0}, {a[0], a[1], a[2]});
        i32 changed = 0;
        EXPECT_EQ(delete_loop(2, 5, changed), 0) << script();
        const auto b = read_back();
        ASSERT_EQ(b.size(), 4u) << script();
        EXPECT_EQ(b[1].type, type);
        if (type == 2) continue;
        ASSERT_GE(b[1].w.size(), 6u);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(b[1].w[static_cast<size_t>(3 + k)], a[static_cast<size_t>(k)], 1e-4f);
    }
}
