// The area clearing along the surfaces, through its own entry: a pocket of
// dimension 3 over a bowl, its grid filled by map_setup; the cut tours lie
// on the tool's height over the surface; a contour off the grid gives 21.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "cleanup/clrarea.h"
#include "cleanup/clrcut.h"
#include "cleanup/clrout.h"
#include "core/records.h"
#include "cleanup/clrset.h"
#include "cutter/loccom.h"
#include "pocket/cntload.h"
#include "pocket/luptab.h"
#include "pocket/pokmain.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

struct Cleared {
    i32 status = -9;
    std::vector<std::vector<std::array<f64, 3>>> tours;  // world coordinates
};

// Clears the rectangle [x0, x1] x [y0, y1] over the part with a ball of
// radius 5 at side step `step`, the pocket of dimension 3 and `levels`
// offset levels (cut mode 1: one).
Cleared clear3d(f32 x0, f32 y0, f32 x1, f32 y1, f32 step, i32 cut_mode, i32 loops = 1)
{
    Cleared c;
    tooldefs::use_mill(10.0f, 5.0f);
    std::memset(HEI8, 0, sizeof HEI8);
    pwrs(PRCPAR, PRTTOL, 0.01f);
    const f32 up[3] = {0, 0, 1}, aux = 0.0f;
    LOCSET(-1, up, up, 1, aux, 0.01f);
    const f32 allow[1] = {0.0f};
    i32 st = 0;
    clr_save_state(1);
    clr_set_params(1, 0, 0.0f, step, 1, allow, st);
    pokdim = 3;
    pokpar.pokdim = 3;
    pokpar.cut_mode = cut_mode;
    pkoff.loops_on = loops;
    const std::vector<f32> pts = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y1, 0, x0, y0, 0};
    clr_add_contour(1, 5, pts.data(), st);
    clr_clean_area(21, c.status);
    pokarr t;
    pokarr_init(3, t);
    for (i32 r = clr_cut_mark; r <= lup_count && r >= 1; ++r) {
        const LupRow& row = lup_row(r);
        if (row.key == 9999) continue;
        lup_get_pokarr(r, t, st);
        if (st != 0 || t.count < 2) continue;
        std::vector<std::array<f64, 3>> tour;
        for (i32 k = 0; k < t.count; ++k)
            tour.push_back({t.x[k] + pokorigin[0], t.y[k] + pokorigin[1], t.z[k] + pokorigin[2]});
        c.tours.push_back(tour);
    }
    pokarr_free(t);
    clr_save_state(2);
    return c;
}

// Height of a ball of radius R standing on the bowl over (x, y) (the
// bowl's curvature radius is 250: the plane's rule R (sec - 1)).
f64 ball_on_bowl(f64 x, f64 y, f64 R)
{
    const f64 gx = -0.004 * (x - 50.0), gy = -0.004 * (y - 40.0);
    return bowl(x, y) + R * (std::sqrt(1.0 + gx * gx + gy * gy) - 1.0);
}

}  // namespace

TEST(SurfaceClearing, ToursLieOnTheToolsHeightOverABowl)
{
    reset();
    positioning_on();
    part(bowl);
    const Cleared c = clear3d(30, 20, 70, 60, 4.0f, 5);
    ASSERT_EQ(c.status, 0);
    ASSERT_FALSE(c.tours.empty());
    size_t points = 0;
    for (const auto& tour : c.tours)
        for (const auto& p : tour) {
            EXPECT_NEAR(p[2], ball_on_bowl(p[0], p[1], 5.0), 0.03) << p[0] << " " << p[1];
            ++points;
        }
    EXPECT_GT(points, 100u);
    FRETRI();
}

TEST(SurfaceClearing, AContourOffTheGridGivesStatus21)
{
    reset();
    positioning_on();
    FRETRI();
    ASSERT_EQ(meshes::build({meshes::grid(0, 0, 30, 30, 30, 30, flat)}), 0);
    // no part under the pocket at all: the grid cannot be filled
    const Cleared c = clear3d(100, 100, 140, 140, 4.0f, 5);
    EXPECT_NE(c.status, 0);
    EXPECT_TRUE(norak::transcript_has("internal: [map_setup] NO PART SURFACES FOR THE MAP GRID"));
    FRETRI();
}

TEST(SurfaceClearing, AContourTheGridCannotCarryGivesStatus21)
{
    reset();
    part(bowl);
    pocket(10, 10, 80, 60, 4.0);
    // a grid so fine that the contour's sides need more points than a lane
    // walk holds
    std::vector<f32> h(2001 * 2001, 1.0f);
    map_grid_set(2001, 2001, 0.0, 0.0, 0.05, h.data());
    i32 st = 0;
    pk_load_contours(0.0, st);
    EXPECT_EQ(st, 21);
    EXPECT_TRUE(norak::transcript_has("internal: [lan_on_grid] UNABLE TO PROJECT SEGMENT"));
    // on a grid that carries it, the contour follows the surface (the
    // failed load left the table empty: the contour's row again)
    lup_count = 1;
    lup_row(1).key = 1;
    lup_row(1).start = 1;
    lup_row(2).start = 6;
    map_grid_clear();
    map_setup(nullptr, st);
    ASSERT_EQ(st, 0);
    pk_load_contours(0.0, st);
    EXPECT_EQ(st, 0);
    pokarr c;
    pokarr_init(3, c);
    lup_get_pokarr(1, c, st);
    ASSERT_EQ(st, 0);
    EXPECT_GT(c.count, 100);
    for (i32 k = 0; k < c.count; ++k)
        EXPECT_NEAR(c.z[k] + pokorigin[2], bowl(c.x[k] + pokorigin[0], c.y[k] + pokorigin[1]), 0.003);
    pokarr_free(c);
    FRETRI();
}

TEST(SurfaceClearing, ALaneThatCannotBeProjectedEndsTheCutting)
{
    reset();
    positioning_on();
    part(bowl);
    // lanes between the loops; the positioning admits no surface, so no
    // point of a lane can be put onto the part
    STPFLG(0);
    const Cleared c = clear3d(30, 20, 70, 60, 4.0f, 5, 0);
    STPFLG(0x3F);
    EXPECT_EQ(c.status, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [notlif] UNABLE TO PROJECT LANE ONTO SURFACE"));
    // the cutting hands back 1, which the status table shows as a cutting
    // error, not as a pocket with too many points (2)
    EXPECT_TRUE(norak::transcript_has("CMTPKT ERROR 1"));
    EXPECT_FALSE(norak::transcript_has("TOO MANY POINTS IN POCKET"));
    FRETRI();
}
