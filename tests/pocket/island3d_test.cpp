// Loops on the surfaces against the islands of the loop table: a crossing at
// the island's own height or above it, an island passing above the loop,
// where a walk along the loop over the sloped grid decides the side, and a
// loop inside an island.
#include <gtest/gtest.h>

#include <cmath>

#include "pocket/looptest.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

// The rectangle [x0, x0 + w] x [y0, y0 + h] on the tilted plane lifted by
// `lift`, in pocket coordinates; counter-clockwise, or clockwise; with
// `from_top` counter-clockwise from its top right corner.
pokarr on_plane(f64 x0, f64 y0, f64 w, f64 h, f64 lift, bool ccw = true, bool from_top = false)
{
    Loop l = square(0, 0, 1, ccw);
    if (from_top) {
        l = Loop();
        l.pt(1, 1).pt(0, 1).pt(0, 0).pt(1, 0).close();
    }
    pokarr a;
    i32 st = 0;
    pokarr_init_dyn(3, l.n(), a, st);
    a.count = l.n();
    for (i32 k = 0; k < l.n(); ++k) {
        const f64 x = x0 + w * l.x[static_cast<size_t>(k)], y = y0 + h * l.y[static_cast<size_t>(k)];
        a.x[k] = x - pokorigin[0];
        a.y[k] = y - pokorigin[1];
        a.z[k] = tilted(x, y) + lift - pokorigin[2];
    }
    return a;
}

i32 against_islands(const pokarr& loop, i32& status)
{
    i32 result = -1;
    lup_vs_loops3d(loop, 1, 0, result, status);
    return result;
}

}  // namespace

// A fresh pocket on the tilted plane with one island 40..50 x 30..40,
// lifted off the plane by `lift`.
pokarr island(f64 lift)
{
    surface_pocket(tilted);
    pokpar.side = 0.01;
    pokpar.radius = 5.0;
    pokarr isl = on_plane(40, 30, 10, 10, lift, false);
    i32 start = 0, st = 0;
    lup_add(1, 10001, 0, 0, 0, 0.0, 1, isl, start, st);
    EXPECT_EQ(st, 0);
    pk_nisland = 1;
    return isl;
}

TEST(IslandsOnTheSurface, HeightsAndTheSlopeDecideWhetherALoopMeetsAnIsland)
{
    pokarr isl = island(0.0);
    i32 st = 0;
    // a loop on the plane across the island's edge meets it
    pokarr across = on_plane(30, 32, 15, 5, 0.0);
    EXPECT_EQ(against_islands(across, st), 2);
    EXPECT_EQ(st, 0);
    // so does a loop above the island where they cross
    pokarr above = on_plane(30, 32, 15, 5, 3.0);
    EXPECT_EQ(against_islands(above, st), 2);
    // no crossing: the loop's first point inside the island decides
    pokarr inside = on_plane(43, 33, 4, 4, 0.0);
    EXPECT_EQ(against_islands(inside, st), 1);
    pokarr far = on_plane(60, 50, 4, 4, 0.0);
    EXPECT_EQ(against_islands(far, st), 0);
    for (pokarr* a : {&isl, &across, &above, &inside, &far}) pokarr_free(*a);
    FRETRI();
    // an island passing 3 above a loop on the plane: at the crossing a walk
    // back along the loop's segment over the grid tells whether the plane
    // rises towards the island's side; the loop's first crossing runs
    // uphill (+x) from its bottom left corner, downhill from its top right
    i32 seen[2] = {-1, -1};
    for (const bool from_top : {false, true}) {
        pokarr high = island(3.0);
        pokarr loop = on_plane(30, 32, 15, 5, 0.0, true, from_top);
        seen[from_top ? 1 : 0] = against_islands(loop, st);
        EXPECT_EQ(st, 0);
        pokarr_free(high);
        pokarr_free(loop);
        FRETRI();
    }
    EXPECT_EQ(seen[0], 1);  // walked back downhill: the island is on its side
    EXPECT_EQ(seen[1], 0);
}

TEST(IslandsOnTheSurface, SidesOfLoopsOnTheSurfaceAndAWalkOffTheGrid)
{
    // B 3 above A where they cross: the side follows the way the plane rises
    // along A (walked with the sign), so the two signs answer apart
    pokarr isl = island(0.0);
    pokarr a = on_plane(30, 32, 15, 5, 0.0), b = on_plane(40, 30, 10, 10, 3.0, false);
    i32 r[2] = {-1, -1}, st = 0;
    lup_side(a, b, 1, 10.0, r[0], st);
    EXPECT_EQ(st, 0);
    lup_side(a, b, -1, 10.0, r[1], st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(r[0] + r[1], 1);
    // a pocket loop off the map grid that a new loop crosses 3 above it: the
    // walk cannot be made, and the search fails with 11
    pokarr off = on_plane(95, 30, 10, 10, 0.0), over = on_plane(100, 32, 10, 5, 3.0);
    i32 start = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 0, off, start, st);
    ASSERT_EQ(st, 0);
    i32 stop = -1;
    lup_vs_loops(1, over, stop, st);
    EXPECT_EQ(st, 11);
    for (pokarr* p : {&isl, &a, &b, &off, &over}) pokarr_free(*p);
}

// An outer contour of kind 2 on the surfaces: a new loop crossing the last
// pocket loop found stops the offsets when the heights at a crossing lie
// less than half the smaller of the radius and the row's value apart (the
// radius alone when the row has no value); farther apart it goes on.
TEST(IslandsOnTheSurface, AKindTwoOuterContourStopsAtACrossingWithinHalfTheRadiusOrTheRowValue)
{
    struct Case {
        f64 lift, value;
        i32 stop;
    };
    for (const Case c : {Case{2.0, 0.0, 1}, Case{3.0, 0.0, 0}, Case{2.0, 3.0, 0}, Case{1.0, 3.0, 1},
                         Case{2.0, 8.0, 1}, Case{3.0, 8.0, 0}}) {
        pokarr isl = island(0.0);
        pokarr a = on_plane(30, 32, 15, 5, 0.0), b = on_plane(40, 30, 10, 10, c.lift, false);
        i32 start = 0, st = 0, stop = -1;
        lup_add(1, 1, 0, 0, 0, c.value, 1, a, start, st);
        ASSERT_EQ(st, 0);
        pk_set_cnt_kind(1, 2);
        lup_vs_loops(1, b, stop, st);
        pk_set_cnt_kind(1, 1);
        EXPECT_EQ(st, 0) << c.lift << " " << c.value;
        EXPECT_EQ(stop, c.stop) << c.lift << " " << c.value;
        for (pokarr* p : {&isl, &a, &b}) pokarr_free(*p);
        FRETRI();
    }
}
