// The per-block Z work and the trim action on a region: MOVE BY DELTA Z
// clamped at the clearance, projection below a Z plane with crossing lines
// split, arcs resampled, deletion joined by the connect options.
#include <gtest/gtest.h>

#include <cmath>

#include "core/records.h"
#include "edit/alter/trimact.h"
#include "edit/alter/zmove.h"
#include "tests/edit/alter_common.h"

namespace {
// The action over the whole procedure as ALL PROCEDURE BLOCKS runs it.
i32 whole(i32 first, i32 last, i32 at_end = 1, i32 dim_kind = 1)
{
    f32 sp[3], sd[3];
    i32 continuing = 1, st = 0;
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), trim_state.nsurf, continuing, dim_kind, at_end,
                         alt_zplane(), st);
    return st;
}
// A string (type 7) through the three points.
void string3(const f32 (&pts)[3][3])
{
    alt::string({{pts[0][0], pts[0][1], pts[0][2]}, {pts[1][0], pts[1][1], pts[1][2]}, {pts[2][0], pts[2][1], pts[2][2]}});
}
// The points and tool axes of the lines with axes (type 22) of the list.
struct Axis {
    f32 p[3], v[3];
};
std::vector<Axis> axes()
{
    std::vector<Axis> out;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 8 && e.words[0] == 22)
            out.push_back({{wrd2r(e.words[2]), wrd2r(e.words[3]), wrd2r(e.words[4])},
                           {wrd2r(e.words[5]), wrd2r(e.words[6]), wrd2r(e.words[7])}});
    return out;
}
// The trim action MOVE BY DELTA Z by the amount, the clearance at 50.
void move_by(f32 dz)
{
    alteration_defaults[ZQA_ACTION] = ACT_MOVE;
    zqas(ZQA_DELTAZ, dz);
    ALTPDF.clear = 50.0f;
}
// The trim action projection below the Z plane at the height, the
// clearance at 100.
void project_below(f32 z)
{
    alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
    alteration_defaults[ZQA_PROJOPT] = PRJ_BELOW_Z;
    zqas(ZQA_ZPLANE, z);
    ALTPDF.clear = 100.0f;
}
void expect_move(const alt::Move& m, f32 x, f32 y, f32 z)
{
    EXPECT_NEAR(m.x, x, 1e-4) << "block " << m.number;
    EXPECT_NEAR(m.y, y, 1e-4) << "block " << m.number;
    EXPECT_NEAR(m.z, z, 1e-4) << "block " << m.number;
}
}  // namespace

TEST(DeltaZ, RaisesEveryHeightClampsAtTheClearanceWithOneMessage)
{
    alt::fresh();
    alt::feed(100.0f);   // 1
    alt::line(10, 0, 0);   // 2
    alt::line(20, 0, 5);   // 3
    alt::line(30, 0, 40);  // 4
    alt::line(40, 0, 45);  // 5
    move_by(20.0f);
    EXPECT_EQ(whole(2, 5), 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 4u);
    expect_move(m[0], 10, 0, 20);
    expect_move(m[1], 20, 0, 25);
    expect_move(m[2], 30, 0, 50);
    expect_move(m[3], 40, 0, 50);
    EXPECT_EQ(alt::count("host message 317/31"), 1u);
    // A second region in the same call: no second message.
    EXPECT_EQ(whole(4, 5), 0);
    EXPECT_EQ(alt::count("host message 317/31"), 1u);
    // A new call shows it again.
    trim_state_reset();
    EXPECT_EQ(whole(5, 5), 0);
    EXPECT_EQ(alt::count("host message 317/31"), 2u);
}

TEST(DeltaZ, AStringIsClampedByItsHighestPoint)
{
    alt::fresh();
    alt::feed(100.0f);  // 1
    const f32 pts[3][3] = {{10, 0, 40}, {20, 0, 45}, {30, 0, 10}};
    string3(pts);
    move_by(20.0f);
    const auto before = alt::moves();
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(whole(before[0].number, before[0].number), 0);
    // The point at 45 reaches the clearance: every point goes up by 5.
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 3u);
    expect_move(m[0], 10, 0, 45);
    expect_move(m[1], 20, 0, 50);
    expect_move(m[2], 30, 0, 15);
}

TEST(DeltaZ, ARegionInsideThePathGoesUpAndComesBackDown)
{
    alt::fresh();
    alt::feed(100.0f);   // 1
    alt::line(10, 0, 0);  // 2
    alt::line(20, 0, 0);  // 3
    alt::line(30, 0, 0);  // 4
    alt::line(40, 0, 0);  // 5
    move_by(5.0f);
    i32 st = 0;
    i32 first = 3, last = 4, continuing = 0;
    f32 sp[3], sd[3];
    delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
    EXPECT_EQ(st, 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 6u);
    expect_move(m[0], 10, 0, 0);
    expect_move(m[1], 10, 0, 5);  // up before the region
    expect_move(m[2], 20, 0, 5);
    expect_move(m[3], 30, 0, 5);
    expect_move(m[4], 30, 0, 0);  // back down to the region's end as it was
    expect_move(m[5], 40, 0, 0);
    EXPECT_FLOAT_EQ(sp[2], 0.0f);  // the point before the region
    // The region's blocks are drawn again where they now are.
    for (const i32 block : {3, 4}) {
        const norak::DisplayBlock* shown = nullptr;
        for (const auto& d : norak::display_blocks())
            if (d.key1 == block) shown = &d;
        ASSERT_NE(shown, nullptr) << block;
        ASSERT_FALSE(shown->points.empty()) << block;
        EXPECT_NEAR(shown->points.back()[2], 5.0f, 1e-4f) << block;
    }
}

TEST(ZPlane, BelowThePlaneLinesAreSplitAndTheirEndsLifted)
{
    alt::fresh();
    alt::feed(100.0f);     // 1
    alt::line(10, 0, 20);  // 2 above
    alt::line(20, 0, 0);   // 3 crosses at x 15
    alt::line(30, 0, 0);   // 4 below
    alt::line(40, 0, 20);  // 5 from the plane up
    alt::line(50, 0, 10);  // 6 touches the plane: kept
    project_below(10.0f);
    EXPECT_EQ(whole(2, 6), 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 6u);
    expect_move(m[0], 10, 0, 20);
    expect_move(m[1], 15, 0, 10);
    expect_move(m[2], 20, 0, 10);
    expect_move(m[3], 30, 0, 10);
    expect_move(m[4], 40, 0, 20);
    expect_move(m[5], 50, 0, 10);
    for (const auto& x : m) EXPECT_GE(x.z, 10.0f - 1e-4f);
}

TEST(ZPlane, RapidsGoDelZupAboveAndAllOnThePlaneLiftsRapidsByFive)
{
    alt::fresh({0, 0, 0});
    alt::feed(-1.0f);     // 1 rapid
    alt::line(10, 0, 0);  // 2
    alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
    alteration_defaults[ZQA_PROJOPT] = PRJ_BELOW_Z;
    zqas(ZQA_ZPLANE, 10.0f);
    ALTPDF.zup = 3.0f;
    ALTPDF.clear = 100.0f;
    EXPECT_EQ(whole(2, 2), 0);
    expect_move(alt::moves().back(), 10, 0, 13);

    alteration_defaults[ZQA_PROJOPT] = PRJ_ALL_Z;
    EXPECT_EQ(whole(2, 2), 0);
    expect_move(alt::moves().back(), 10, 0, 15);
}

TEST(ZPlane, ArcsInAnyPlaneAreResampledSoNothingStaysBelow)
{
    alt::fresh({0, 0, 10});
    alt::feed(100.0f);  // 1
    // A half circle in the XZ plane from (0, 0, 10) over (10, 0, 0) to
    // (20, 0, 10): centre (10, 10), it dips 10 below its ends.
    alt::arc(2, 3.14159265f, {10, 10}, {20, 0, 10});  // 2
    // An arc in the XY plane at height 2 that starts above the plane.
    alt::arc(1, 3.14159265f, {20, 5}, {20, 10, 2});  // 3
    project_below(5.0f);
    ALTPDF.srftol = 0.05f;
    EXPECT_EQ(whole(2, 3), 0);
    const auto m = alt::moves();
    ASSERT_GT(m.size(), 4u);
    for (const auto& x : m) EXPECT_GE(x.z, 5.0f - 1e-4f) << "block " << x.number;
    // The XZ arc became lines; it reaches the plane where the circle
    // crosses it (x = 10 -+ sqrt(75)) and ends at its own end.
    EXPECT_EQ(m.front().type, 2);
    bool on_plane = false;
    for (const auto& x : m) on_plane = on_plane || (std::fabs(x.z - 5) < 1e-4 && std::fabs(x.x - (10 - std::sqrt(75.0f))) < 0.1);
    EXPECT_TRUE(on_plane);
    // The XY arc stays an arc, put onto the plane.
    EXPECT_EQ(m.back().type, 3);
    expect_move(m.back(), 20, 10, 5);
}

// An arc in the XY plane wholly below the plane (a region whose start was
// not lifted) goes onto the plane as one arc, not as lines.
TEST(ZPlane, AnXYArcWhollyBelowThePlaneIsPutOntoItWhole)
{
    alt::fresh({0, 0, 2});
    alt::feed(100.0f);                               // 1
    alt::arc(1, 3.14159265f, {10, 0}, {20, 0, 2});  // 2
    ALTPDF.srftol = 0.05f;
    i32 answer = 0;
    lacces(3, answer);
    f32 end[3] = {20, 0, 2}, s[3] = {0, 0, 2};
    const f32 up[3] = {0, 0, 1};
    i32 split = 9, block = 0, st = 0;
    move_block_z(end, up, s, up, ZK_BELOW, 1, 5.0f, split, block, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(split, 0);
    EXPECT_EQ(block, 2);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].type, 3);
    expect_move(m[0], 20, 0, 5);
    EXPECT_FLOAT_EQ(s[2], 5.0f);
}

TEST(ZPlane, AnArcAboveThePlaneStaysAndArcsThatReachBelowItAreProjectedInTheirOwnPlanes)
{
    alt::fresh({0, 0, 30});
    alt::feed(100.0f);  // 1
    // A half circle in the XZ plane dipping from 30 to 20: above the plane.
    alt::arc(2, 3.14159265f, {10, 30}, {20, 0, 30});  // 2
    project_below(5.0f);
    ALTPDF.srftol = 0.05f;
    EXPECT_EQ(whole(2, 2), 0);
    auto m = alt::moves();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].type, 3);
    expect_move(m[0], 20, 0, 30);

    // A quarter circle in the XZ plane from (0, 0, 0) up to (10, 0, 10):
    // only its start lies below the plane at 1, its first stepped point
    // (11.25 degrees up) is above it.
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    alt::arc(2, -1.57079633f, {10, 0}, {10, 0, 10});  // 2
    project_below(1.0f);
    ALTPDF.srftol = 0.05f;
    EXPECT_EQ(whole(2, 2), 0);
    m = alt::moves();
    ASSERT_GT(m.size(), 2u);
    // The string ends at the start where the tool stands (the link of a
    // continuing region); the arc's lines come after it.
    expect_move(m.front(), 0, 0, 0);
    m.erase(m.begin());
    EXPECT_EQ(m.front().type, 2);
    for (const auto& x : m) EXPECT_GE(x.z, 1.0f - 1e-4f) << "block " << x.number;
    expect_move(m.back(), 10, 0, 10);

    // A half circle in the YZ plane from (0, 0, 10) over (0, 10, 0) to
    // (0, 20, 10): lines, none below the plane at 5, its end kept.
    alt::fresh({0, 0, 10});
    alt::feed(100.0f);  // 1
    alt::arc(3, 3.14159265f, {10, 10}, {0, 20, 10});  // 2
    project_below(5.0f);
    ALTPDF.srftol = 0.05f;
    EXPECT_EQ(whole(2, 2), 0);
    m = alt::moves();
    ASSERT_GT(m.size(), 2u);
    bool on_plane = false;
    for (const auto& x : m) {
        EXPECT_EQ(x.type, 2);
        EXPECT_NEAR(x.x, 0.0f, 1e-4f);
        EXPECT_GE(x.z, 5.0f - 1e-4f) << "block " << x.number;
        on_plane = on_plane || std::fabs(x.z - 5.0f) < 1e-4f;
    }
    EXPECT_TRUE(on_plane);
    expect_move(m.back(), 0, 20, 10);
}

// A string that crosses the plane is broken into lines and projected; so is
// one that goes down through a point lying on the plane, where no segment
// crosses it strictly.
TEST(ZPlane, AStringThatCrossesIsBrokenIntoLinesAndProjected)
{
    struct Case {
        f32 pts[3][3], want[4][3];
        size_t count;
    };
    const Case cases[] = {
        {{{10, 0, 20}, {20, 0, 0}, {30, 0, 0}}, {{10, 0, 20}, {15, 0, 10}, {20, 0, 10}, {30, 0, 10}}, 4},
        {{{10, 0, 15}, {20, 0, 10}, {30, 0, 0}}, {{10, 0, 15}, {20, 0, 10}, {30, 0, 10}}, 3},
    };
    for (const Case& c : cases) {
        alt::fresh();
        alt::feed(100.0f);  // 1
        string3(c.pts);
        project_below(10.0f);
        const auto before = alt::moves();
        ASSERT_EQ(before.size(), 3u);
        EXPECT_EQ(whole(before[0].number, before[0].number), 0);
        const auto m = alt::moves();
        ASSERT_EQ(m.size(), c.count);
        for (size_t k = 0; k < c.count; ++k) {
            EXPECT_EQ(m[k].type, 2) << k;
            expect_move(m[k], c.want[k][0], c.want[k][1], c.want[k][2]);
        }
    }
}

// The cut is where the curve itself reaches the plane, not where its
// polygon does: a straight descent whose parameters run from 2 to 3, a
// curve falling as (1 - t)^3 whose coarse polygon lies off it between its
// points, and the straight descent again with a polygon point lying on the
// plane, where no polygon segment crosses it strictly.
TEST(ZPlane, ANurbsThatCrossesIsCutThereAndItsPartBelowLaidOnThePlane)
{
    struct Case {
        f64 knots[8], pts[12];
        f32 tol, cut_x;
    };
    const Case cases[] = {
        {{2, 2, 2, 2, 3, 3, 3, 3}, {0, 0, 20, 10, 0, 40.0 / 3, 20, 0, 20.0 / 3, 30, 0, 0}, 0.01f, 15.0f},
        {{0, 0, 0, 0, 1, 1, 1, 1},
         {0, 0, 20, 10, 0, 0, 20, 0, 0, 30, 0, 0},
         1.0f,
         static_cast<f32>(30.0 * (1.0 - std::cbrt(0.5)))},
        {{2, 2, 2, 2, 3, 3, 3, 3}, {0, 0, 20, 10, 0, 40.0 / 3, 20, 0, 20.0 / 3, 30, 0, 0}, 0.0095f, 15.0f},
    };
    for (const Case& c : cases) {
        alt::fresh({0, 0, 20});
        alt::feed(100.0f);  // 1
        i32 st = 0;
        PTBT5(AM_APPEND, 5, 4, 4, c.knots, c.pts, 0, st);  // 2: from 20 down to 0
        ASSERT_EQ(st, 0);
        project_below(10.0f);
        ALTPDF.srftol = c.tol;
        EXPECT_EQ(whole(2, 2), 0);
        std::vector<std::vector<i32>> curves;
        for (const auto& e : norak::main_list().elems)
            if (!e.words.empty() && e.words[0] == 5) curves.push_back(e.words);
        ASSERT_EQ(curves.size(), 2u);
        auto point = [](const std::vector<i32>& w, i32 k, int i) { return wrd2r(w[static_cast<size_t>(4 + 4 * k + 1 + i)]); };
        const std::vector<i32>& a = curves[0];
        const std::vector<i32>& b = curves[1];
        const i32 na = a[3], nb = b[3];
        // The first piece runs from the start down to the plane.
        EXPECT_NEAR(point(a, 0, 2), 20.0f, 1e-3) << c.tol;
        EXPECT_NEAR(point(a, na - 1, 0), c.cut_x, 1e-2) << c.tol;
        EXPECT_NEAR(point(a, na - 1, 2), 10.0f, 1e-2) << c.tol;
        // The second lies on the plane to the end's x and y.
        for (i32 k = 0; k < nb; ++k) EXPECT_NEAR(point(b, k, 2), 10.0f, 1e-4) << k;
        EXPECT_NEAR(point(b, nb - 1, 0), 30.0f, 1e-2) << c.tol;
        EXPECT_NEAR(point(b, 0, 0), c.cut_x, 1e-2) << c.tol;
    }
}

// A string or curve that comes down from above and only ends on the plane
// has nothing below it: it stays as it is, like the same path in lines.
TEST(ZPlane, AStringOrCurveEndingOnThePlaneFromAboveStays)
{
    alt::fresh({0, 0, 40});
    alt::feed(100.0f);  // 1
    const f32 pts[3][3] = {{10, 0, 30}, {20, 0, 25}, {30, 0, 10}};
    string3(pts);
    project_below(10.0f);
    const auto before = alt::moves();
    EXPECT_EQ(whole(before[0].number, before[0].number), 0);
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 3u);
    for (size_t k = 0; k < 3; ++k) expect_move(m[k], pts[k][0], pts[k][1], pts[k][2]);

    alt::fresh({0, 0, 20});
    alt::feed(100.0f);  // 1
    const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const f64 cp[12] = {0, 0, 20, 10, 0, 50.0 / 3, 20, 0, 40.0 / 3, 30, 0, 10};
    i32 st = 0;
    PTBT5(AM_APPEND, 5, 4, 4, knots, cp, 0, st);  // 2: a straight descent from 20 to 10
    ASSERT_EQ(st, 0);
    project_below(10.0f);
    ALTPDF.srftol = 0.01f;
    EXPECT_EQ(whole(2, 2), 0);
    std::vector<i32> curve;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && e.words[0] == 5) curve = e.words;
    ASSERT_GE(curve.size(), 8u);
    EXPECT_NEAR(wrd2r(curve[4 + 1 + 2]), 20.0f, 1e-4);  // the first point's height
}

// The lines made from a tilted arc or string below the plane carry axes
// blended from their own ends: the arc's from its start to its end vector,
// each string piece from the vector of the point before it.
TEST(ZPlane, ProjectedPiecesKeepTheAxesOfTheirEnds)
{
    alt::fresh({0, 0, 10});
    alt::feed(100.0f);  // 1
    // A half circle in the XZ plane dipping 10 below its ends, its end axis
    // tilted towards x.
    const f32 centre[2] = {10, 10}, end[3] = {20, 0, 10}, tilt[3] = {0.6f, 0, 0.8f};
    i32 st = 0;
    PTBT3(AM_APPEND, 23, 2, 3.14159265f, 0.1f, centre, end, tilt, 0, st);  // 2
    project_below(5.0f);
    ALTPDF.srftol = 0.05f;
    EXPECT_EQ(whole(2, 2, 1, 3), 0);
    const auto a = axes();
    ASSERT_GT(a.size(), 3u);
    for (const Axis& x : a) EXPECT_GT(x.v[0], 0.0f) << "at x " << x.p[0];
    EXPECT_NEAR(a.back().v[0], 0.6f, 1e-4);

    // A string whose axes turn from z to x to y, crossing the plane at 10 in
    // its last segment (20, 0, 20) to (30, 0, 0): the cut halfway between x
    // and y.
    alt::fresh({0, 0, 20});
    alt::feed(100.0f);  // 1
    BLKOPN(AM_APPEND, 27, 1, st);
    const f32 sp[3][3] = {{10, 0, 20}, {20, 0, 20}, {30, 0, 0}}, sv[3][3] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}};
    for (i32 k = 0; k < 3; ++k) {
        i32 number = 0;
        NXTBLN(number);
        PTSTRP(AM_APPEND, 27, number, sp[k], sv[k], st);
    }
    BLKCLS(AM_APPEND);
    project_below(10.0f);
    const auto before = alt::moves();
    EXPECT_EQ(whole(before[0].number, before[0].number, 1, 3), 0);
    bool cut = false;
    for (const Axis& x : axes()) {
        if (std::fabs(x.p[0] - 25.0f) > 1e-3f) continue;
        cut = true;
        EXPECT_NEAR(x.p[2], 10.0f, 1e-4);
        EXPECT_NEAR(x.v[0], std::sqrt(0.5f), 1e-4);
        EXPECT_NEAR(x.v[1], std::sqrt(0.5f), 1e-4);
        EXPECT_NEAR(x.v[2], 0.0f, 1e-4);
    }
    EXPECT_TRUE(cut);
}

namespace {
// The feed in force at the first motion of the list that ends at x.
f32 feed_at(f32 x)
{
    i32 answer = 0, st = 0, number = 0, type = 0;
    f32 p[3], n[3];
    lacces(2, answer);
    for (next_motion(1, number, type, p, n, st); st >= 0; next_motion(1, number, type, p, n, st)) {
        if (std::fabs(p[0] - x) < 1e-4f) return EDTFED;
        lacces(1, answer);
        if (answer < 0) break;
    }
    return 0.0f;
}
// The feed in force at the first motion of the list that ends at x and z.
f32 feed_at_height(f32 x, f32 z)
{
    i32 answer = 0, st = 0, number = 0, type = 0;
    f32 p[3], n[3];
    lacces(2, answer);
    for (next_motion(1, number, type, p, n, st); st >= 0; next_motion(1, number, type, p, n, st)) {
        if (std::fabs(p[0] - x) < 1e-4f && std::fabs(p[2] - z) < 1e-4f) return EDTFED;
        lacces(1, answer);
        if (answer < 0) break;
    }
    return 0.0f;
}
}  // namespace

// A region that continues a split motion and stays below the clearance
// (MOVE BY DELTA Z, and a Z plane under the clearance): the motion that only
// repeats the tool's last point is deleted, the string ends there with the
// DEL Z-UP link, and the region starts with its first real motion, at the
// feed it had.
TEST(TrimHeights, AContinuingRegionBelowTheClearanceEndsTheStringAtItsStart)
{
    for (const bool zplane : {false, true}) {
        alt::fresh({0, 0, 10});
        alt::feed(100.0f);     // 1
        alt::line(0, 0, 10);   // 2 repeats the last point
        alt::line(10, 0, 10);  // 3
        alt::line(20, 0, 10);  // 4
        alt::line(30, 0, 10);  // 5
        if (zplane)
            project_below(5.0f);
        else
            move_by(5.0f);
        ALTPDF.zup = 2.0f;
        f32 sp[3], sd[3];
        i32 first = 2, last = 4, continuing = 1, st = 0;
        delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
        EXPECT_EQ(st, 0) << zplane;
        EXPECT_EQ(first, 3) << zplane;
        EXPECT_EQ(continuing, 0) << zplane;  // the region is joined
        EXPECT_FLOAT_EQ(sp[2], 10.0f) << zplane;
        const auto m = alt::moves();
        ASSERT_GE(m.size(), 4u) << zplane;
        // Up by DEL Z-UP over the start, then the region.
        expect_move(m[0], 0, 0, 12);
        const f32 z = zplane ? 10.0f : 15.0f;
        expect_move(m[1], 10, 0, z);
        expect_move(m[2], 20, 0, z);
        expect_move(m.back(), 30, 0, 10);
        for (const auto& x : m) EXPECT_FALSE(x.x == 0.0f && x.z == 10.0f) << "the repeated motion is gone";
        EXPECT_FLOAT_EQ(feed_at(10.0f), 100.0f) << "the region is not cut at the link's maximum feed";
    }
}

// The first chain of SELECT MOTIONS sets the writers' link flag to 2 and
// takes the pending link, in the Z-plane case and in MOVE BY DELTA Z; in
// any other selection the pending link and the flag stay.
TEST(TrimHeights, TheFirstChainPickedSetsTheWritersLinkFlag)
{
    for (const bool zplane : {false, true})
        for (const i32 mode : {SEL_PICK, SEL_ALL}) {
            alt::fresh();
            alt::feed(100.0f);     // 1
            alt::line(10, 0, 0);   // 2
            alt::line(20, 0, 0);   // 3
            alt::line(30, 0, 0);   // 4
            if (zplane)
                project_below(5.0f);
            else
                move_by(5.0f);
            trim_state.mode = mode;
            trim_state.pending_link = 1;
            MOVST.link = 0;
            f32 sp[3], sd[3];
            i32 first = 3, last = 3, continuing = 0, st = 0;
            delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
            EXPECT_EQ(st, 0) << zplane << mode;
            EXPECT_EQ(MOVST.link, mode == SEL_PICK ? 2 : 0) << zplane << mode;
            EXPECT_EQ(trim_state.pending_link, mode == SEL_PICK ? 0 : 1) << zplane << mode;
        }
}

// A region lowered at the machine feed (MOVE BY DELTA Z down, and the Z
// plane below the tool for ALL BLOCKS) goes down at the plunge feed, and
// its own motions, the first one too, run at the feed they had; lifted,
// nothing is requested.
TEST(TrimHeights, OnlyTheMoveDownBeforeTheRegionRunsAtThePlungeFeed)
{
    for (const i32 how : {0, 1, 2}) {
        alt::fresh({0, 0, 10});
        alt::feed(100.0f);     // 1
        alt::line(10, 0, 10);  // 2
        alt::line(20, 0, 10);  // 3
        alt::line(30, 0, 10);  // 4
        alt::line(40, 0, 10);  // 5
        if (how == 2) {
            project_below(5.0f);
            alteration_defaults[ZQA_PROJOPT] = PRJ_ALL_Z;
        } else {
            move_by(how == 0 ? -5.0f : 5.0f);
        }
        ALTPDF.plunge = 50;
        f32 sp[3], sd[3];
        i32 first = 3, last = 4, continuing = 0, st = 0;
        delete_trimed_blocks(first, last, sp, sd, alt_clearance(), 0, continuing, 1, 0, alt_zplane(), st);
        EXPECT_EQ(st, 0) << how;
        const f32 z = how == 1 ? 15.0f : 5.0f;
        EXPECT_FLOAT_EQ(feed_at(10.0f), 100.0f) << how;
        if (how != 1) {
            EXPECT_FLOAT_EQ(feed_at_height(10.0f, z), 50.0f) << how << ": the plunge";
        }
        EXPECT_FLOAT_EQ(feed_at(20.0f), 100.0f) << how << ": the region's first motion";
        EXPECT_FLOAT_EQ(feed_at(30.0f), 100.0f) << how;
    }
}
