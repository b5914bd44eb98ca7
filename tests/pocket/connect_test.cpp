// Connecting moves between the lanes of a pocket on the surfaces: drawn
// across the map grid, carried onto the surfaces with the gaps to the
// projected lane ends closed, or handed to the projection library; and the
// time the grid's filling took.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cleanup/clrcut.h"
#include "cleanup/clrlane.h"
#include "cleanup/clrlink.h"
#include "pocket/luptab.h"
#include "cleanup/lansrf.h"
#include "cutter/prjbrg.h"
#include "cutter/projection.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

// A projection library that answers every lane with three points, the
// middle one off the line (not thinned away).
class LaneLib : public ProjectionLibrary {
public:
    int lanes = 0;
    bool one = false;  // the lane comes back as one point (three repeats)
    int available() override { return 1; }
    void prepare(int) override {}
    int vertical(int, const float*, PrjVert&) override { return 1; }
    int diagonal(int, const float*, const float*, PrjDiag&) override { return 1; }
    void segment(int, const float*, const float*, PrjSegResult& r) override { r.pieces.clear(); }
    int lane(int, float, const float* p, const float*, int, std::vector<float>& out) override
    {
        ++lanes;
        out = {p[0], p[1], 9.0f, p[0] + 1.0f, p[1] + 0.5f, 9.0f, p[0] + 2.0f, p[1], 9.0f};
        if (one) out = {p[0], p[1], 9.0f, p[0], p[1], 9.0f, p[0], p[1], 9.0f};
        return 0;
    }
};

// A lane of two points at height z (pocket coordinates) from (x, y) along x.
pokarr lane(f64 x, f64 y, f64 z, i32 dims = 3)
{
    pokarr a;
    i32 st = 0;
    pokarr_init_dyn(dims, 2, a, st);
    a.count = 0;
    for (i32 k = 0; k < 2; ++k) {
        const f64 p[3] = {x + 5.0 * k, y, z};
        const f64 n[3] = {0.0, 0.0, 1.0};
        if (dims == 4)
            pokarr_add_pnt_nrm(p, n, a, st);
        else
            pokarr_add_pnt(p, a, st);
    }
    return a;
}

}  // namespace

TEST(LaneConnections, DrawnAcrossTheGridAndPutInFrontOfTheNextLane)
{
    surface_pocket(flat);
    positioning_on();
    EXPECT_GT(map_setup_seconds(), 0.0);  // the filling of a 3-D pocket is timed
    const f64 h = 5.0 - pokorigin[2];     // the flat surface in pocket coordinates
    const f64 up[3] = {0.0, 0.0, 1.0};
    lane_proj = 0;
    // the previous lane ended at (20, 30) on the surface; the next starts at (40, 30)
    pokarr piece = lane(40.0, 30.0, h);
    const f64 p1[3] = {20.0, 30.0, h}, p2[3] = {40.0, 30.0, h};
    i32 st = -9;
    connect_lanes(p1, up, p2, up, p1, p2, piece, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(piece.count, 3);
    EXPECT_NEAR(piece.x[0], 20.0, 1e-9);
    for (i32 k = 0; k < piece.count; ++k) {
        EXPECT_NEAR(piece.y[k], 30.0, 1e-9) << k;
        EXPECT_NEAR(piece.z[k], h, 1e-6) << k;
        if (k > 0) { EXPECT_GT(piece.x[k], piece.x[k - 1]) << k; }
    }
    EXPECT_NEAR(piece.x[piece.count - 1], 45.0, 1e-9);  // the lane itself follows
    const i32 drawn = piece.count;
    pokarr_free(piece);
    // an end above the grid is put in front of the move drawn on it
    piece = lane(40.0, 30.0, h);
    const f64 high[3] = {20.0, 30.0, h + 3.0};
    connect_lanes(high, up, p2, up, high, p2, piece, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(piece.count, drawn + 1);
    EXPECT_NEAR(piece.z[0], h + 3.0, 1e-9);
    EXPECT_NEAR(piece.z[1], h, 1e-6);
    pokarr_free(piece);
    FRETRI();
}

TEST(LaneConnections, CarriedOntoTheSurfacesAndJoinedToTheProjectedEnds)
{
    surface_pocket(flat);
    positioning_on();
    pwrs(PRCPAR, PRTTOL, 0.01f);
    const f32 up32[3] = {0, 0, 1};
    LOCSET(-1, up32, up32, 1, 0.0f, 0.01f);
    const f64 h = 5.0 - pokorigin[2];
    const f64 up[3] = {0.0, 0.0, 1.0};
    lane_proj = 1;
    pokpar.radius = 5.0;
    // projected ends near the move's ends: put in front and behind as they are
    pokarr piece = lane(40.0, 30.0, h);
    const f64 p1[3] = {20.0, 30.0, h}, p2[3] = {40.0, 30.0, h};
    const f64 q1[3] = {19.0, 30.0, h + 0.5}, q2[3] = {41.0, 30.0, h + 0.5};
    i32 st = -9;
    connect_lanes(p1, up, p2, up, q1, q2, piece, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(piece.x[0], 19.0, 1e-9);
    EXPECT_NEAR(piece.z[0], h + 0.5, 1e-9);
    for (i32 k = 1; k + 2 < piece.count; ++k) EXPECT_NEAR(piece.z[k], h, 0.01) << k;  // on the surface
    pokarr_free(piece);
    // a projected start far from the move: the gap is drawn and carried too
    piece = lane(40.0, 30.0, h);
    const f64 far[3] = {5.0, 30.0, h};
    connect_lanes(p1, up, p2, up, far, p2, piece, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(piece.x[0], 5.0, 0.01);
    i32 between = 0;
    for (i32 k = 1; k < piece.count; ++k) {
        EXPECT_GE(piece.x[k], piece.x[k - 1] - 1e-9) << k;
        if (piece.x[k] > 5.5 && piece.x[k] < 19.5) ++between;
    }
    EXPECT_GT(between, 0);
    pokarr_free(piece);
    lane_proj = 0;
    FRETRI();
}

TEST(LaneConnections, TheProjectionLibraryTakesTheLanesAndRefusesTheConnections)
{
    surface_pocket(flat);
    pwrs(PRCPAR, PRTTOL, 0.01f);
    LaneLib lib;
    prj_set_library(&lib);
    prj_set_avail(1);
    prj_set_use(1);
    ASSERT_TRUE(d3ds_running());
    i32 st = 0;
    tooldefs::use_mill(10.0f, 5.0f);
    prj_add_tool(2, 10.0f, 5.0f, st);
    // a lane with normals goes to the library; its points come back in
    // pocket coordinates
    pokarr in = lane(10.0, 20.0, 0.0, 4), out, raw;
    pokarr_init(3, out);
    pokarr_init(3, raw);
    lan_on_srf(1, 0, 1, 0, in, out, raw, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lib.lanes, 1);
    ASSERT_EQ(raw.count, 3);
    EXPECT_NEAR(raw.x[2], 12.0, 1e-5);
    EXPECT_NEAR(raw.y[1], 20.5, 1e-5);
    EXPECT_NEAR(raw.z[0] + pokorigin[2], 9.0, 1e-5);
    // a lane that comes back as one point is no piece: the array keeps the
    // lane it held
    lib.one = true;
    lan_on_srf(1, 0, 1, 0, in, out, raw, st);
    lib.one = false;
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lib.lanes, 2);
    EXPECT_EQ(raw.count, 3);
    // a loop step carried by the library comes back in the raw copy alone:
    // its tour is registered with the carried points
    {
        const i32 keep = pokdim;
        pokdim = 4;
        pokarr sq = lane(10.0, 20.0, 0.0, 4);
        const f64 c[3][3] = {{15.0, 25.0, 0.0}, {10.0, 25.0, 0.0}, {10.0, 20.0, 0.0}}, up[3] = {0.0, 0.0, 1.0};
        for (const auto& p : c) pokarr_add_pnt_nrm(p, up, sq, st);
        lup_reset();
        i32 start = 0;
        lup_add(1, 1, 0, 0, 0, 0.0, 0, sq, start, st);
        ASSERT_EQ(st, 0);
        ClrLinks l;
        ASSERT_TRUE(lnk_clear(l, lup_count));
        lup_cut_step(l, 1, 1, st);
        pokdim = keep;
        EXPECT_EQ(st, 0);
        i32 got = 0;
        lup_np(lup_count, got);
        EXPECT_EQ(lup_count, 2);
        EXPECT_EQ(got, 6);  // the library's three points, each with its normal
        EXPECT_EQ(lib.lanes, 3);
        pokarr_free(sq);
    }
    // a lane without normals is not handed over
    pokarr flat3 = lane(10.0, 20.0, 0.0, 3);
    lan_on_srf(1, 0, 1, 0, flat3, out, raw, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(lib.lanes, 3);
    // a connection is never bridged by the library
    lane_proj = 1;
    const f64 up[3] = {0.0, 0.0, 1.0}, p1[3] = {0.0, 0.0, 0.0}, p2[3] = {5.0, 0.0, 0.0};
    pokarr piece = lane(5.0, 0.0, 0.0);
    connect_lanes(p1, up, p2, up, p1, p2, piece, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(piece.count, 2);
    EXPECT_TRUE(norak::transcript_has("[connect_lanes] UNABLE TO PROJECT CONNECTION ONTO SURFACE"));
    // with the lanes taken as drawn the move is joined without the grid
    lane_proj = 0;
    connect_lanes(p1, up, p2, up, p1, p2, piece, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(piece.count, 3);
    EXPECT_EQ(piece.x[0], 0.0);
    // so is a lane with normals, each end of the move carrying its own
    const f64 tilt[3] = {0.0, 0.6, 0.8};
    pokarr piece4 = lane(5.0, 0.0, 0.0, 4);
    connect_lanes(p1, tilt, p2, up, p1, p2, piece4, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(piece4.count, 3);
    EXPECT_EQ(piece4.x[0], 0.0);
    EXPECT_EQ(piece4.vec[1], 0.6);
    pokarr_free(piece4);
    prj_set_use(0);
    prj_set_library(nullptr);
    for (pokarr* a : {&in, &out, &raw, &flat3, &piece}) pokarr_free(*a);
    FRETRI();
}
