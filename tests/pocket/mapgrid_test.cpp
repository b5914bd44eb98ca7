// The surface map grid: its filling from the part's triangles over a plane,
// a tilted plane and a paraboloid; points mapped and refused; projections;
// walks and lanes on the grid against the straight or analytic line.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/clrset.h"
#include "cleanup/mapgrid.h"
#include "pocket/luptab.h"
#include "pocket/pokmain.h"
#include "surfaces/trimodel.h"
#include "tests/pocket/surface.h"

using namespace pk;
using namespace pksrf;

namespace {

f64 node_h(i32 i, i32 j) { return map_grid.h[static_cast<size_t>(j * map_grid.nx + i)]; }

// Largest |node height - f| over the nodes inside [a, b] x [c, d].
f64 worst_node(const Field& f, f64 a, f64 b, f64 c, f64 d)
{
    f64 worst = 0.0;
    for (i32 j = 0; j < map_grid.ny; ++j)
        for (i32 i = 0; i < map_grid.nx; ++i) {
            const f64 x = map_grid.x0 + i * map_grid.cell, y = map_grid.y0 + j * map_grid.cell;
            if (x < a || x > b || y < c || y > d) continue;
            worst = std::max(worst, std::fabs(node_h(i, j) - f(x, y)));
        }
    return worst;
}

}  // namespace

TEST(MapGrid, NodeHeightsEqualTheSurface)
{
    struct Case {
        Field f;
        f64 tol;
    } cases[] = {{flat, 1e-5}, {tilted, 1e-4}, {bowl, 0.0015}};
    for (const Case& c : cases) {
        reset();
        part(c.f);
        pocket(10, 10, 80, 60, 4.0);
        i32 st = -9;
        map_setup(nullptr, st);
        ASSERT_EQ(st, 0);
        EXPECT_DOUBLE_EQ(map_grid.cell, 0.5);  // an eighth of the side step
        // the grid covers the pocket with the tool radius and three cells about it
        EXPECT_LE(map_grid.x0, 10.0 - pokpar.radius - 1.5 + 1e-9);
        EXPECT_GE(map_grid.x0 + (map_grid.nx - 1) * map_grid.cell, 90.0 + pokpar.radius + 1.5 - 1e-9);
        EXPECT_LT(worst_node(c.f, -20, 120, -20, 100), c.tol);
        FRETRI();
    }
    // nodes beyond the part carry no surface; a pocket over no part is refused
    reset();
    FRETRI();
    ASSERT_EQ(meshes::build({meshes::grid(0, 0, 30, 30, 30, 30, flat)}), 0);
    pocket(10, 10, 40, 40, 4.0);
    i32 st = 0;
    map_setup(nullptr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(node_h(map_grid.nx - 1, map_grid.ny - 1), MAP_NO_SURFACE);
    f64 p[3] = {55.0, 55.0, 0.0}, z = 7.0, n[3];
    i32 i, j, t;
    grid_height(p, z, n, i, j, t, st);  // a cell without surface lies at -1e-9
    EXPECT_EQ(st, 0);
    EXPECT_DOUBLE_EQ(z, -1e-9);
    FRETRI();
    map_setup(nullptr, st);
    EXPECT_EQ(st, 21);
    EXPECT_TRUE(norak::transcript_has("internal: [map_setup] NO PART SURFACES FOR THE MAP GRID"));
    // a plane pocket needs no grid
    pokdim = 2;
    map_grid_clear();
    map_setup(nullptr, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(map_grid.nx, 0);
}

TEST(MapGrid, ZeroOrNegativeCellIsRefusedByEveryOperation)
{
    for (f64 cell : {0.0, -1.0}) {
        reset();
        std::vector<f32> h(16, 1.0f);
        map_grid_set(4, 4, 0.0, 0.0, cell, h.data());
        f64 p[3] = {1.0, 1.0, 0.0}, d = 0.0;
        i32 i = 0, j = 0, st = 0;
        get_grid_index(p, i, j, st);
        EXPECT_EQ(st, -1);
        EXPECT_TRUE(norak::transcript_has("internal: [get_grid_index] UNABLE TO MAP POINT"));
        grid_project_point(1, p, i, j, d, st);
        EXPECT_EQ(st, -1);
        f64 walk[12] = {1, 1, 1}, dir[3] = {1, 0, 0};
        seg_on_grid(0, walk, dir, 2.0, nullptr, st);
        EXPECT_EQ(st, -1);
        EXPECT_TRUE(norak::transcript_has("internal: [get_grid_index] UNABLE TO MAP POINT"));
        pokarr a = make(square(0, 0, 1), 3);
        lan_on_grid(0, a, nullptr, st);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(a.count, 5);  // untouched
        EXPECT_TRUE(norak::transcript_has("internal: [get_grid_index] UNABLE TO MAP POINT"));
        pokarr_free(a);
    }
    // nodes too few for a cell
    reset();
    std::vector<f32> h(4, 1.0f);
    map_grid_set(1, 4, 0.0, 0.0, 1.0, h.data());
    f64 p[3] = {0.5, 0.5, 0.0};
    i32 i = 0, j = 0, st = 0;
    get_grid_index(p, i, j, st);
    EXPECT_EQ(st, -1);
}

TEST(MapGrid, PointsOutsideTheGridAreRefused)
{
    reset();
    std::vector<f32> h(5 * 4, 2.0f);
    map_grid_set(5, 4, 10.0, 20.0, 2.0, h.data());  // cells 0..3 by 0..2
    struct Case {
        f64 x, y;
        i32 i, j;
    } cases[] = {
        {10.0, 20.0, 0, 0},  {17.9, 25.9, 3, 2},   {13.0, 21.0, 1, 0},
        {9.9, 21.0, -1, -1},  // less than a cell left of the origin
        {12.0, 19.5, -1, -1},  // less than a cell below it
        {18.0, 21.0, -1, -1},  // on the last node column
        {11.0, 26.0, -1, -1}, {40.0, 21.0, -1, -1}, {-5.0, 21.0, -1, -1},
    };
    for (const Case& c : cases) {
        norak::reset();
        const f64 p[3] = {c.x, c.y, 0.0};
        i32 i = 7, j = 7, st = 0;
        get_grid_index(p, i, j, st);
        if (c.i >= 0) {
            EXPECT_EQ(st, 0) << c.x << " " << c.y;
            EXPECT_EQ(i, c.i);
            EXPECT_EQ(j, c.j);
        } else {
            EXPECT_EQ(st, -1) << c.x << " " << c.y;
            EXPECT_TRUE(norak::transcript_has("internal: [get_grid_index] UNABLE TO MAP POINT"));
        }
    }
    // a lane and a walk that leave the grid fail the same way
    pokarr a = make(Loop().pt(0.5, 0.5).pt(9.0, 0.5), 3);
    pokorigin[0] = 10.0;
    pokorigin[1] = 20.0;
    pokorigin[2] = 0.0;
    i32 st = 0;
    lan_on_grid(0, a, nullptr, st);
    EXPECT_EQ(st, -1);
    f64 walk[12] = {0.5, 0.5, 0.0}, dir[3] = {1, 0, 0};
    seg_on_grid(0, walk, dir, 20.0, nullptr, st);
    EXPECT_EQ(st, -1);
    pokarr_free(a);
    // walks from the middle node of a flat grid of 2 x 2 cells of 1 that run
    // into each edge of the grid, along the direction (mode 0) or across it
    // (mode 1): one that needs room beyond the edge fails, one that ends on
    // the edge does not
    const f32 flat0[9] = {};
    map_grid_set(3, 3, 0.0, 0.0, 1.0, flat0);
    pokorigin[0] = pokorigin[1] = pokorigin[2] = 0.0;
    const f64 s = std::sqrt(0.5);
    struct Walk {
        i32 mode;
        f64 dx, dy, length;
        i32 status;
        f64 ex, ey;
    } walks[] = {
        {0, -1, 0, 5.0, -1, 0, 0},  {0, 0, -1, 5.0, -1, 0, 0},  {0, 1, 0, 5.0, -1, 0, 0},   {0, 0, 1, 5.0, -1, 0, 0},
        {1, 0, -1, 5.0, -1, 0, 0},  {1, 1, 0, 5.0, -1, 0, 0},   {1, 0, 1, 5.0, -1, 0, 0},   {1, -1, 0, 5.0, -1, 0, 0},
        {0, -s, -s, 2.0, -1, 0, 0}, {1, s, -s, 2.0, -1, 0, 0},  // into the corner (0, 0)
        {0, -1, 0, 1.0, 0, 0, 1},   {1, 0, -1, 1.0, 0, 0, 1},   {1, 1, 0, 0.5, 0, 1, 0.5},  // ending on or short of an edge
    };
    const std::string refused = "internal: [get_grid_index] UNABLE TO MAP POINT";
    for (const Walk& c : walks) {
        const size_t said = norak::transcript_count(refused);
        f64 rec[12] = {1.0, 1.0, 0.0};
        const f64 d[3] = {c.dx, c.dy, 0.0};
        seg_on_grid(c.mode, rec, d, c.length, nullptr, st);
        EXPECT_EQ(st, c.status) << c.mode << " " << c.dx << " " << c.dy << " " << c.length;
        if (c.status == 0) {
            EXPECT_NEAR(rec[3], c.ex, 1e-12) << c.mode << " " << c.dx << " " << c.dy;
            EXPECT_NEAR(rec[4], c.ey, 1e-12) << c.mode << " " << c.dx << " " << c.dy;
        } else {
            EXPECT_GT(norak::transcript_count(refused), said) << c.mode << " " << c.dx << " " << c.dy;
        }
    }
}

TEST(MapGrid, ProjectionsOntoTheTriangles)
{
    reset();
    // a roof: height 10 - |x - 5| over [0, 10] x [0, 10], cell 1
    std::vector<f32> h(11 * 11);
    for (i32 j = 0; j <= 10; ++j)
        for (i32 i = 0; i <= 10; ++i) h[static_cast<size_t>(j * 11 + i)] = static_cast<f32>(10 - std::abs(i - 5));
    map_grid_set(11, 11, 0.0, 0.0, 1.0, h.data());
    // on the surface: unchanged, distance 0
    f64 p[3] = {2.5, 3.5, 7.5}, d = -1.0;
    i32 i = 0, j = 0, st = 0;
    grid_project_point(1, p, i, j, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(d, 0.0, 1e-12);
    EXPECT_NEAR(p[0], 2.5, 1e-12);
    EXPECT_NEAR(p[2], 7.5, 1e-12);
    // vertical (mode 2) and nearest (mode 3) onto the slope z = 5 + x
    f64 q[3] = {2.5, 3.5, 9.5};
    grid_project_point(2, q, i, j, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(q[2], 7.5, 1e-12);
    EXPECT_NEAR(d, 2.0, 1e-12);
    f64 r[3] = {2.5, 3.5, 9.5};
    grid_project_point(3, r, i, j, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(d, 2.0 / std::sqrt(2.0), 1e-9);  // along the slope's normal
    EXPECT_NEAR(r[0], 3.5, 1e-9);
    EXPECT_NEAR(r[2], 8.5, 1e-9);
    EXPECT_EQ(i, 3);
    // the same roof turned to run along x (height 10 - |y - 5|): the nearest
    // point moves in y
    for (i32 j2 = 0; j2 <= 10; ++j2)
        for (i32 i2 = 0; i2 <= 10; ++i2) h[static_cast<size_t>(j2 * 11 + i2)] = static_cast<f32>(10 - std::abs(j2 - 5));
    map_grid_set(11, 11, 0.0, 0.0, 1.0, h.data());
    f64 y[3] = {3.5, 2.5, 9.5};
    grid_project_point(3, y, i, j, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(d, 2.0 / std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(y[0], 3.5, 1e-9);
    EXPECT_NEAR(y[1], 3.5, 1e-9);
    EXPECT_NEAR(y[2], 8.5, 1e-9);
    EXPECT_EQ(j, 3);
}

TEST(MapGrid, WalksFollowTheSurface)
{
    surface_pocket(tilted);
    i32 st = 0;
    const f64 o[3] = {pokorigin[0], pokorigin[1], pokorigin[2]};
    // along x on the tilted plane: a straight line of the plane's slope
    pokarr pts;
    pokarr_init(3, pts);
    f64 walk[12] = {5.0, 7.3, 0.0}, dir[3] = {1.0, 0.0, 0.0};
    seg_on_grid(0, walk, dir, 30.0, &pts, st);
    ASSERT_EQ(st, 0);
    const f64 c = std::cos(std::atan(0.36397));
    EXPECT_NEAR(walk[3], 5.0 + 30.0 * c, 1e-3);
    EXPECT_NEAR(walk[4], 7.3, 1e-9);
    EXPECT_NEAR(walk[5] + o[2], tilted(walk[3] + o[0], 0), 1e-4);
    ASSERT_GT(pts.count, 30);
    for (i32 k = 0; k < pts.count; ++k) {
        EXPECT_NEAR(pts.z[k] + o[2], tilted(pts.x[k] + o[0], 0), 1e-4);
        EXPECT_NEAR(pts.y[k], 7.3, 1e-9);
    }
    // a diagonal walk: its length along the plane, its plan a straight line
    pts.count = 0;
    f64 w2[12] = {2.0, 3.0, 0.0}, d2[3] = {1.0, 1.0, 0.0};
    seg_on_grid(0, w2, d2, 40.0, &pts, st);
    ASSERT_EQ(st, 0);
    f64 len = 0.0;
    for (i32 k = 1; k < pts.count; ++k) {
        len += std::sqrt(std::pow(pts.x[k] - pts.x[k - 1], 2) + std::pow(pts.y[k] - pts.y[k - 1], 2) +
                         std::pow(pts.z[k] - pts.z[k - 1], 2));
    }
    EXPECT_NEAR(len, 40.0, 1e-6);
    // its plan keeps one direction: the tangent of (1, 1, 0) in the plane
    const f64 ang = std::atan2(pts.y[pts.count - 1] - 3.0, pts.x[pts.count - 1] - 2.0);
    for (i32 k = 1; k < pts.count; ++k) EXPECT_NEAR(std::atan2(pts.y[k] - 3.0, pts.x[k] - 2.0), ang, 1e-4);
    // the offset walk (mode 1) goes across a segment along x to its right:
    // down the y axis, level on this plane
    f64 w3[12] = {20.0, 30.0, 0.0}, d3[3] = {c, 0.0, c * 0.36397};
    pts.count = 0;
    seg_on_grid(1, w3, d3, 6.0, &pts, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(w3[3], 20.0, 1e-6);
    EXPECT_NEAR(w3[4], 24.0, 1e-6);
    EXPECT_NEAR(w3[7], 0.0, 1e-6);    // the normal's y
    EXPECT_NEAR(w3[10], -1.0, 1e-6);  // walking direction -y
    // a length of 0 ends where it starts, put on the surface straight under
    // it whatever height it came with (in plan it does not move)
    for (f64 z0 : {0.0, 9.0, -30.0}) {
        f64 w4[12] = {3.0, 4.0, z0};
        seg_on_grid(0, w4, dir, 0.0, nullptr, st);
        EXPECT_EQ(st, 0);
        EXPECT_DOUBLE_EQ(w4[3], 3.0);
        EXPECT_DOUBLE_EQ(w4[4], 4.0);
        EXPECT_NEAR(w4[5] + o[2], tilted(3.0 + o[0], 0), 1e-4) << z0;
    }
    // a walk whose direction leaves the surface fails once with -3 in mode 1
    f64 w5[12] = {20.0, 30.0, 0.0}, up[3] = {1.0, 0.0, 0.0};
    seg_on_grid(1, w5, up, 2.0, nullptr, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(grid_mode, 0);
    seg_on_grid(1, w5, up, 2.0, nullptr, st);
    EXPECT_EQ(st, 0);
    pokarr_free(pts);
    FRETRI();
}

TEST(MapGrid, AWalkWithNoDirectionOnTheSurfaceFails)
{
    // a flat grid walked along its normal: no tangent to walk along, in
    // either mode; mode 1 with the grid mode word set fails first with -3
    reset();
    std::vector<f32> h(11 * 11, 0.0f);
    map_grid_set(11, 11, 0.0, 0.0, 1.0, h.data());
    const f64 up[3] = {0.0, 0.0, 1.0};
    struct Case {
        i32 mode, grid_mode, status, after;
    } cases[] = {{0, 1, -1, 1}, {1, 1, -3, 0}, {1, 0, -1, 0}};
    for (const Case& c : cases) {
        grid_mode = c.grid_mode;
        f64 walk[12] = {3.5, 4.5, 0.0};
        i32 st = 0;
        seg_on_grid(c.mode, walk, up, 2.0, nullptr, st);
        EXPECT_EQ(st, c.status) << c.mode << " " << c.grid_mode;
        EXPECT_EQ(grid_mode, c.after) << c.mode << " " << c.grid_mode;
    }
    grid_mode = 1;
}

TEST(MapGrid, LanesEqualTheAnalyticLine)
{
    surface_pocket(bowl);
    i32 st = 0;
    const f64 o[3] = {pokorigin[0], pokorigin[1], pokorigin[2]};
    // a straight lane across the bowl: every point on the section of the
    // bowl in the lane's vertical plane, within the meshing's sag
    pokarr a = make(Loop().pt(2.0, 3.0).pt(70.0, 51.0), 3);
    lan_on_grid(0, a, nullptr, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(a.count, 200);  // the crossings of edges and diagonals
    for (i32 k = 0; k < a.count; ++k) {
        const f64 x = a.x[k] + o[0], y = a.y[k] + o[1];
        EXPECT_NEAR(a.z[k] + o[2], bowl(x, y), 0.0025) << k;
        EXPECT_NEAR((a.y[k] - 3.0) * 68.0, (a.x[k] - 2.0) * 48.0, 1e-7) << k;
        if (k > 0) { EXPECT_GT(a.x[k], a.x[k - 1]); }
    }
    // every mode drops the lane's points straight down, in the lane's plane
    // (mode 3 takes them in grid coordinates), whatever height they came
    // with, and gives them back in pocket coordinates
    for (i32 mode : {1, 2, 3}) {
        const f64 s = mode == 3 ? 1.0 : 0.0;
        pokarr m = make(Loop().pt(2.0 + s * o[0], 3.0 + s * o[1]).pt(70.0 + s * o[0], 51.0 + s * o[1]), 3);
        lan_on_grid(mode, m, nullptr, st);
        ASSERT_EQ(st, 0) << mode;
        EXPECT_EQ(m.count, a.count) << mode;
        for (i32 k = 0; k < m.count; ++k) {
            const f64 x = m.x[k] + o[0], y = m.y[k] + o[1], z = m.z[k] + o[2];
            EXPECT_NEAR(z, bowl(x, y), 0.0025) << mode << " " << k;
            EXPECT_NEAR((y - o[1] - 3.0) * 68.0, (x - o[0] - 2.0) * 48.0, 1e-7) << mode << " " << k;
        }
        pokarr_free(m);
    }
    // with a step, neighbours closer than it are merged
    pokarr b = make(Loop().pt(2.0, 3.0).pt(70.0, 51.0), 3);
    const f64 step = 2.0;
    lan_on_grid(0, b, &step, st);
    ASSERT_EQ(st, 0);
    EXPECT_LT(b.count, 50);
    for (i32 k = 1; k + 1 < b.count; ++k)
        EXPECT_GE(std::hypot(b.x[k] - b.x[k - 1], b.y[k] - b.y[k - 1], b.z[k] - b.z[k - 1]), step - 1e-9);
    // a lane too long for the walkers is refused, not joined by a jump
    std::vector<f32> fine(1001 * 1001, 1.0f);
    map_grid_set(1001, 1001, 0.0, 0.0, 0.01, fine.data());
    pokorigin[0] = pokorigin[1] = pokorigin[2] = 0.0;
    pokarr c = make(Loop().pt(0.5, 0.5).pt(8.0, 7.0), 3);  // 1,400 crossings
    lan_on_grid(0, c, nullptr, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [lan_on_grid] UNABLE TO PROJECT SEGMENT"));
    EXPECT_EQ(c.count, 2);
    pokarr_free(a);
    pokarr_free(b);
    pokarr_free(c);
    FRETRI();
}

TEST(MapGrid, AnArcIsWalkedOnItsCircleWithoutRepeatingItsEnd)
{
    std::vector<f32> flat(81 * 81, 2.0f);
    map_grid_set(81, 81, 0.0, 0.0, 0.5, flat.data());
    pokorigin[0] = pokorigin[1] = pokorigin[2] = 0.0;
    // a half circle of radius 10 about (20, 20), from (10, 20) to (30, 20)
    pokarr a = make(Loop().pt(10.0, 20.0).arc(30.0, 20.0, 20.0, 20.0, -1), 3);
    i32 st = 0;
    lan_on_grid(0, a, nullptr, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(a.count, 10);
    for (i32 k = 0; k < a.count; ++k) {
        EXPECT_NEAR(std::hypot(a.x[k] - 20.0, a.y[k] - 20.0), 10.0, 0.06) << k;
        EXPECT_NEAR(a.z[k], 2.0, 1e-6) << k;
        if (k > 0) { EXPECT_GT(std::hypot(a.x[k] - a.x[k - 1], a.y[k] - a.y[k - 1]), 1e-6) << k; }
    }
    EXPECT_NEAR(a.x[a.count - 1], 30.0, 1e-9);
    EXPECT_NEAR(a.y[a.count - 1], 20.0, 1e-9);
    pokarr_free(a);
}

TEST(MapGrid, HelpersClampNudgeAndDropFeet)
{
    reset();
    std::vector<f32> h(11 * 11, 0.0f);
    map_grid_set(11, 11, 0.0, 0.0, 2.0, h.data());
    // cell-local (u, v) into [0, cell]
    struct Clamp {
        f64 u, v, cu, cv;
    } clamps[] = {{-0.5, 1.0, 0.0, 1.0}, {2.5, -1e-9, 2.0, 0.0}, {0.3, 2.0, 0.3, 2.0}};
    for (const Clamp& c : clamps) {
        f64 uv[2] = {c.u, c.v};
        grid_clamp_uv(uv);
        EXPECT_EQ(uv[0], c.cu);
        EXPECT_EQ(uv[1], c.cv);
    }
    // 0.0001 toward q; a point that is q stays
    f64 p[3] = {1.0, 1.0, 1.0};
    const f64 q[3] = {1.0, 4.0, 5.0};
    grid_nudge(p, q);
    EXPECT_NEAR(p[1], 1.0 + 0.00006, 1e-15);
    EXPECT_NEAR(p[2], 1.0 + 0.00008, 1e-15);
    f64 same[3] = {1.0, 4.0, 5.0};
    grid_nudge(same, q);
    EXPECT_EQ(same[2], 5.0);
    // feet on a plane (a normal of no length gives the point, distance 0)
    // and on a line
    struct Plane {
        f64 n[3], foot[3], dist;
    } planes[] = {{{0, 0, 2}, {3, 4, 1}, 4.0}, {{0, 0, 0}, {3, 4, 5}, 0.0}, {{1, 0, 0}, {1, 4, 5}, 2.0}};
    const f64 pt[3] = {3, 4, 5}, org[3] = {1, 0, 1};
    for (const Plane& c : planes) {
        f64 f[3], d = -1.0;
        grid_plane_project(pt, org, c.n, f, d);
        for (i32 k = 0; k < 3; ++k) EXPECT_NEAR(f[k], c.foot[k], 1e-12);
        EXPECT_NEAR(d, c.dist, 1e-12);
    }
    const f64 a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
    f64 foot[3];
    grid_line_foot(pt, a, b, foot);
    EXPECT_EQ(foot[0], 3.0);
    EXPECT_EQ(foot[1], 0.0);
    grid_line_foot(pt, a, a, foot);
    EXPECT_EQ(foot[0], 0.0);
    // a cell's nearest triangle and the foot on it, and where a direction
    // leaves a triangle, on the plane z = x over cells of 1
    const f32 hx[9] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
    map_grid_set(3, 3, 0.0, 0.0, 1.0, hx);
    const f64 r = std::sqrt(0.5);
    struct Near {
        f64 p[3];
        i32 i, status, tri;
        f64 dist, foot[3];
    } nears[] = {
        {{0.7, 0.2, 0.7}, 0, 0, 0, 0.0, {0.7, 0.2, 0.7}},            // on triangle 0
        {{0.2, 0.7, 0.2}, 0, 0, 3, 0.0, {0.2, 0.7, 0.2}},            // on triangle 3
        {{0.7, 0.2, 1.7}, 0, 0, 0, std::sqrt(0.58), {1, 0.2, 1}},    // its plane's foot off the cell
        {{0.7, 0.2, 0.7}, 2, -1, 0, 1.0e10, {9, 9, 9}},              // no such cell
    };
    for (const Near& c : nears) {
        i32 tri = -1, st = 7;
        f64 d = 0.0, f[3] = {9, 9, 9};
        grid_cell_walk(c.p, c.i, 0, tri, d, f, st);
        EXPECT_EQ(st, c.status) << c.p[2];
        EXPECT_EQ(tri, c.tri) << c.p[2];
        EXPECT_NEAR(d, c.dist, 1e-12) << c.p[2];
        for (i32 k = 0; k < 3; ++k) EXPECT_NEAR(f[k], c.foot[k], 1e-12) << c.p[2];
    }
    struct Exit {
        i32 tri;
        f64 p[3], w[3];
        i32 status;
        f64 len, at[3];
    } exits[] = {
        {0, {0.5, 0.2, 0.5}, {r, 0, r}, 0, 0.5 / r, {1, 0.2, 1}},    // up the slope to the right edge
        {0, {0.5, 0.2, 0.5}, {0, 1, 0}, 0, 0.3, {0.5, 0.5, 0.5}},    // level, to the diagonal
        {0, {0.5, 0.2, 0.5}, {0, -1, 0}, 0, 0.2, {0.5, 0, 0.5}},     // to the bottom edge
        {0, {1, 0.2, 1}, {r, 0, r}, 0, 0.0, {1, 0.2, 1}},            // straight out
        {3, {0.2, 0.7, 0.2}, {r, 0, r}, 0, 0.5 / r, {0.7, 0.7, 0.7}},  // triangle 3 to the diagonal
        {5, {0.5, 0.2, 0.5}, {r, 0, r}, -1, 0.0, {0.5, 0.2, 0.5}},   // no such triangle
    };
    for (const Exit& c : exits) {
        f64 at[3], len = -1.0;
        i32 st = 7;
        grid_cell_exit(0, 0, c.tri, c.p, c.w, at, len, st);
        EXPECT_EQ(st, c.status) << c.tri << " " << c.w[1];
        EXPECT_NEAR(len, c.len, 1e-12) << c.tri << " " << c.w[1];
        for (i32 k = 0; k < 3; ++k) EXPECT_NEAR(at[k], c.at[k], 1e-12) << c.tri << " " << c.w[1];
    }
    // the debug drawings: the two triangles a walk across the diagonal
    // enters (colour 12), the cell a projection examines (5) and the
    // triangle it takes (6), a segment as a line entity
    const size_t before = norak::figures().size();
    grid_debug = 1;
    f64 walk[12] = {0.5, 0.2, 0.0};
    const f64 north[3] = {0.0, 1.0, 0.0};
    i32 st = 0;
    seg_on_grid(0, walk, north, 0.5, nullptr, st);
    EXPECT_EQ(st, 0);
    grid_debug = 4;
    f64 on[3] = {0.7, 0.2, 0.7}, dist = 0.0;
    i32 pi = 0, pj = 0;
    grid_project_point(1, on, pi, pj, dist, st);
    EXPECT_EQ(st, 0);
    grid_debug = 0;
    const auto& figs = norak::figures();
    ASSERT_EQ(figs.size(), before + 5);
    const i32 colours[5] = {12, 12, 5, 5, 6};
    for (size_t k = 0; k < 5; ++k) {
        const auto& f = figs[before + k];
        EXPECT_EQ(f.colour, colours[k]) << k;
        ASSERT_EQ(f.strokes.size(), 3u) << k;
        for (const auto& e : f.strokes) EXPECT_NEAR(e.to[2], e.to[0], 1e-6) << k;  // on z = x
    }
    EXPECT_FLOAT_EQ(figs[before].strokes[1].to[1], 0.0f);      // triangle 0 has the corner (1, 0)
    EXPECT_FLOAT_EQ(figs[before + 1].strokes[2].to[0], 0.0f);  // triangle 3 the corner (0, 1)
    const f64 a3[3] = {0, 0, 0}, b3[3] = {1, 2, 3};
    grid_draw_segment(a3, b3, 7);
    i32 lines = 0;
    for (const auto& [id, e] : norak::entities())
        if (e.attrs.count("CO") && e.attrs.at("CO") == 7 && e.attrs.count("PE") && e.attrs.at("PE") == 1) ++lines;
    EXPECT_EQ(lines, 1);
}
