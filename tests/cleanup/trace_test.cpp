// Outline tracing over spot patterns filed straight into the grid: a disc,
// an annulus, two far patches, a lone spot; every spot inside its outer
// outline and outside its holes; the clearing of each patch through the
// pocket engine.
#include <chrono>

#include "tests/cleanup/common.h"

namespace {

constexpr double PI = 3.14159265358979;

// Spots of a square lattice (step s) with rin <= r <= rout about (cx, cy);
// pair points radially out by `out` and in by `in`.
void ring(double cx, double cy, double rin, double rout, double s, double out = 0.3, double in = 0.1)
{
    const int n = int(rout / s) + 1;
    for (int i = -n; i <= n; ++i)
        for (int j = -n; j <= n; ++j) {
            const double x = i * s, y = j * s, r = std::hypot(x, y);
            if (r < rin || r > rout) continue;
            const double ux = r > 0 ? x / r : 1, uy = r > 0 ? y / r : 0;
            const f32 a[3] = {f32(cx + x + out * ux), f32(cy + y + out * uy), 0};
            const f32 b[3] = {f32(cx + x - in * ux), f32(cy + y - in * uy), 0};
            cl::spot(f32(cx + x), f32(cy + y), a, b);
        }
}

bool alone(const cl::Spot& s) { return s.x == 80 && s.y == 20; }

// Every spot lies inside the outer outline of some patch or on it (within
// the thinning), and outside each hole of that patch or on it.
void spots_within(const std::vector<ClnOutline>& out)
{
    for (const cl::Spot& s : cl::spots()) {
        if (alone(s)) continue;
        bool in_some = false;
        for (size_t k = 0; k < out.size() && !in_some; ++k) {
            const bool outer = k == 0 || out[k - 1].patch != out[k].patch;
            if (!outer) continue;
            if (!cl::inside(out[k].xy, s.x, s.y) && cl::dist_to(out[k].xy, s.x, s.y) > 0.011) continue;
            bool in_hole = false;
            for (size_t h = k + 1; h < out.size() && out[h].patch == out[k].patch; ++h)
                in_hole = in_hole || (cl::inside(out[h].xy, s.x, s.y) && cl::dist_to(out[h].xy, s.x, s.y) > 0.011);
            in_some = !in_hole;
        }
        EXPECT_TRUE(in_some) << s.x << " " << s.y;
    }
}

}  // namespace

TEST(Outlines, DiscGivesOneOutlineOfItsAreaAndWidth)
{
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    ring(50, 50, 0, 10, 0.25);
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 1u);
    const ClnOutline& o = out[0];
    EXPECT_EQ(o.patch, 0);
    EXPECT_NEAR(o.area, PI * 100, 0.04 * PI * 100);
    EXPECT_NEAR(o.area, std::fabs(cl::area(o.xy)), 1e-3 * o.area);
    EXPECT_NE(o.dir, 0);
    EXPECT_EQ(o.dir, cl::area(o.xy) > 0 ? 1 : -1);
    // The box of the boundary spots.
    EXPECT_NEAR(o.box[0], 40, 0.01);
    EXPECT_NEAR(o.box[2], 60, 0.01);
    EXPECT_NEAR(o.box[1], 40, 0.01);
    EXPECT_NEAR(o.box[3], 60, 0.01);
    // The width: the pair points lie 0.3 outside the boundary spots and 0.1
    // inside; the outside ones are on the left of a clockwise outline.
    EXPECT_NEAR(o.width, o.dir == -1 ? 0.3 : 0.1, 0.03);
    spots_within(out);
}

TEST(Outlines, WidthIsCappedAtTheToolRadius)
{
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    ring(50, 50, 0, 6, 0.25, 3.0, 3.0);
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FLOAT_EQ(out[0].width, 1.0f);
}

TEST(Outlines, AnnulusGivesAnOuterOutlineAndOneHole)
{
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    ring(50, 50, 6, 12, 0.25);
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].patch, 0);
    EXPECT_EQ(out[1].patch, 0);
    EXPECT_NEAR(out[0].area, PI * 144, 0.04 * PI * 144);
    EXPECT_NEAR(out[1].area, PI * 36, 0.1 * PI * 36);
    // The hole lies inside the outer outline.
    EXPECT_GT(out[1].box[0], out[0].box[0]);
    EXPECT_LT(out[1].box[2], out[0].box[2]);
    spots_within(out);
}

TEST(Outlines, FarPatchesGiveTwoGroupsAndALoneSpotNothing)
{
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    ring(20, 20, 0, 5, 0.25);
    ring(75, 70, 0, 4, 0.25);
    cl::spot(80, 20);  // alone
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 2u);
    // The higher patch is traced first.
    EXPECT_EQ(out[0].patch, 0);
    EXPECT_EQ(out[1].patch, 1);
    EXPECT_NEAR(out[0].box[1], 66, 0.01);
    EXPECT_NEAR(out[1].box[1], 15, 0.01);
    spots_within(out);
    // No spot of an open cell is left free: the boundary spots are finished
    // and their cells closed, the inner ones seen or finished with their patch.
    for (const ClnCell& c : CLNGRD.cells)
        for (i32 i = 0; i < c.count && c.type < 10; ++i) EXPECT_NE(CLNGRD.recs[c.rec][i].state, CLN_FREE);
}

TEST(Outlines, LoneSpotAndEmptyGridGiveNothing)
{
    cl::grid(2.0f, 1.0f, 0, 0, 20, 20);
    EXPECT_TRUE(cl::trace().empty());
    cl::spot(10, 10);
    EXPECT_TRUE(cl::trace().empty());
    EXPECT_TRUE(cl::trace(1).empty());
    EXPECT_EQ(clntrc_clearings(), 0);
    // two spots within reach: the disc pivots from one to the other and
    // back, an outline of its own
    cl::grid(2.0f, 1.0f, 0, 0, 20, 20);
    cl::spot(10, 10);
    cl::spot(10.5, 10);
    const auto& two = cl::trace();
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].xy.size(), 6u);  // there and back to the start
    // a filled triangle: one outline, thinned to its three corners and back
    // on its start; the spots inside it, which no pivot reached, are
    // finished with it and start no outline of their own
    cl::grid(2.0f, 1.0f, 0, 0, 40, 40);
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; i + j <= 40; ++j) cl::spot(5 + 0.5f * f32(i), 5 + 0.5f * f32(j));
    const auto& tri = cl::trace();
    ASSERT_EQ(tri.size(), 1u);
    EXPECT_EQ(tri[0].xy.size(), 8u);
}

TEST(Outlines, ModeOneClearsEachPatchOnceInsideItsOutline)
{
    // A groove 30 long and 6 wide, and a disc apart from it.
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    for (double x = 20; x <= 50.001; x += 0.25)
        for (double y = 47; y <= 53.001; y += 0.25) {
            const f32 a[3] = {f32(x), f32(y + 0.2), 0}, b[3] = {f32(x), f32(y - 0.2), 0};
            cl::spot(f32(x), f32(y), a, b);
        }
    ring(75, 20, 0, 5, 0.25);
    const std::vector<ClnOutline> traced = cl::trace(0);
    ASSERT_EQ(traced.size(), 2u);
    // with the option, every tour kept is also a curve entity
    const size_t before = norak::entities().size();
    const auto& tours = cl::trace(1, 1);
    EXPECT_EQ(clntrc_clearings(), 2);
    ASSERT_GE(tours.size(), 2u);
    EXPECT_EQ(norak::entities().size() - before, tours.size());
    // each curve runs through its tour's points, at height 0
    for (const auto& [id, e] : norak::entities()) {
        if (e.cls != 2) continue;
        f64 t0 = 0, t1 = 0, o[6];
        i32 s = 0;
        crvrng(id, t0, t1, s);
        evcrv(id, t0, o, s);
        EXPECT_EQ(o[2], 0.0);
        bool on = false;
        for (const ClnOutline& t : tours) on = on || (std::fabs(o[0] - t.xy[0]) < 1e-4 && std::fabs(o[1] - t.xy[1]) < 1e-4);
        EXPECT_TRUE(on) << id << ": " << o[0] << " " << o[1];
    }
    bool seen[2] = {false, false};
    for (const ClnOutline& t : tours) {
        ASSERT_TRUE(t.patch == 0 || t.patch == 1);
        seen[t.patch] = true;
        EXPECT_GT(t.area, 0.25f);
        // The clearing takes the material out to the pair points: the tours
        // lie inside the outline grown by its width (corners kept sharp).
        const ClnOutline& o = traced[size_t(t.patch)];
        EXPECT_GT(o.width, 0.15f);
        for (size_t k = 0; k + 1 < t.xy.size(); k += 2)
            EXPECT_TRUE(cl::inside(o.xy, t.xy[k], t.xy[k + 1]) ||
                        cl::dist_to(o.xy, t.xy[k], t.xy[k + 1]) < 1.415 * o.width + 0.02)
                << t.patch << ": " << t.xy[k] << " " << t.xy[k + 1];
    }
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST(Outlines, AnInvertedBoxGivesNegatedCellsAndTheSameOutline)
{
    // The part box given upper corner first: cells of -D, rows running down
    // in y; spots beyond either corner are clamped into the border cells.
    norak::reset();
    tooldefs::use_mill(2.0f, 1.0f);
    const f32 box[6] = {100, 100, 1, 0, 0, 0};
    i32 st = -9;
    clnini(box, st);
    ASSERT_EQ(st, 0);
    ASSERT_TRUE(CLNGRD.open);
    EXPECT_FLOAT_EQ(CLNGRD.cw, -2.0f);
    EXPECT_FLOAT_EQ(CLNGRD.ch, -2.0f);
    ring(50, 50, 0, 10, 0.25);
    cl::spot(200, 200);
    cl::spot(-200, -200);
    EXPECT_EQ(CLNGRD.cells[0].count, 1);
    EXPECT_EQ(CLNGRD.cells.back().count, 1);
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].area, PI * 100, 0.04 * PI * 100);
}

TEST(Outlines, APatchInsideAHoleIsTracedAsAPatchOfItsOwn)
{
    // A disc standing in the hole of a ring: the hole's start is a spot of the
    // ring, so the disc is a patch of its own (to be cleared), not a third
    // outline of the ring (an island the clearing would keep).
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    ring(50, 50, 8, 14, 0.25);
    ring(50, 50, 0, 3, 0.25);
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].patch, 0);
    EXPECT_EQ(out[1].patch, 0);
    EXPECT_EQ(out[2].patch, 1);
    EXPECT_NEAR(out[2].area, PI * 9, 0.1 * PI * 9);
    spots_within(out);
}

TEST(Outlines, ThousandsOfLoneSpotsOnALargeGridAreDoneQuickly)
{
    // 2,000 patches of one spot on a grid of a million cells: the work of a
    // patch is the patch's own, not the grid's (it was seconds a patch's
    // worth of whole-grid sweeps).
    cl::grid(1.0f, 0.5f, 0, 0, 996, 996);
    for (int i = 0; i < 2000; ++i) cl::spot(f32(7 + (i % 50) * 19), f32(7 + (i / 50) * 19));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(cl::trace().empty());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 5.0);
    for (const ClnCell& c : CLNGRD.cells)
        for (i32 i = 0; i < c.count; ++i) EXPECT_EQ(CLNGRD.recs[c.rec][i].state, CLN_DONE);
}

TEST(Outlines, ADiamondRingWhoseCellsMeetAtCornersKeepsItsHole)
{
    // A thin ring, a square turned by 45 degrees with its edges on the grid's
    // diagonals, and a tail up from its top corner holding the highest spot:
    // the ring's cells meet only at corners, yet it is one patch with its
    // hole, also where the hole lies far from the patch's start.
    cl::grid(2.0f, 1.0f, 0, 0, 100, 100);
    for (int k = 0; k < 40; ++k) {
        const double t = 0.125 + 0.25 * k;  // never on a cell corner
        const double xs[4] = {40 + t, 50 + t, 60 - t, 50 - t}, ys[4] = {50 + t, 60 - t, 50 - t, 40 + t};
        for (int e = 0; e < 4; ++e) cl::spot(f32(xs[e]), f32(ys[e]));
        if (t <= 8) cl::spot(f32(50 + t), f32(60 + t));
    }
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].patch, 0);
    EXPECT_NEAR(out[1].box[3], 59.375, 0.3);  // the hole, under the tail
    EXPECT_NEAR(out[1].area, 200, 4);
    spots_within(out);
}
