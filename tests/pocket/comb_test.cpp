// Combined offsets over a sloped plane, and the small direction routines of
// the lane cutting.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cleanup/combofs.h"
#include "cleanup/lanecut.h"
#include "tests/common/meshes.h"
#include "tests/common/positioning.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// A plane rising by 0.5 in x over [0, 100]^2 under a ball of diameter 10.
void slope()
{
    fresh();
    positioning::reset();
    tooldefs::use_mill(10.0f, 5.0f);
    ASSERT_EQ(meshes::build({meshes::grid(0, 0, 100, 100, 10, 10, [](f64 x, f64) { return 0.5 * x; })}), 0);
}

}  // namespace

TEST(CombinedOffsets, TheStepOnThePartGivesThePlaneDistance)
{
    slope();
    const f64 p[3] = {50.0, 50.0, 0.0}, across[2] = {1.0, 0.0}, along[2] = {0.0, 1.0};
    f64 d = 0.0;
    i32 st = 0;
    // up the slope a plane step d moves the tool by d sqrt(1.25)
    combcont(1.0, 1, p, across, 4.0, 0.1, 100.0, 0.0, d, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(d, 4.0 / std::sqrt(1.25), 0.01);
    // along the level line the step is the plane's
    combcont(1.0, 1, p, along, 4.0, 0.1, 100.0, 0.0, d, st);
    EXPECT_NEAR(d, 4.0, 0.01);
    // the largest move of all samples decides
    const f64 two[6] = {50, 50, 0, 30, 30, 0}, nrm[4] = {0, 1, 1, 0};
    combcont(1.0, 2, two, nrm, 4.0, 0.1, 100.0, 0.0, d, st);
    EXPECT_NEAR(d, 4.0 / std::sqrt(1.25), 0.01);
    // growing stops once the distance passes the reference
    combcont(1.0, 1, p, across, 4.0, 0.1, 2.5, 0.0, d, st);
    EXPECT_NEAR(d, 3.0, 1e-9);
    // a square's outward normals, sampled every 5: the sides up and down
    // the slope decide
    Loop sq = square(40, 40, 20);
    comb_offsets(1, 0.01, 1.0, sq.x.data(), sq.y.data(), sq.n(), 1.0, 0.0, 4.0, 0.1, 100.0, d, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(d, 4.0 / std::sqrt(1.25), 0.01);
    comb_offsets(2, 0.01, 1.0, sq.x.data(), sq.y.data(), sq.n(), 1.0, 0.0, 4.0, 0.1, 100.0, d, st);
    EXPECT_NEAR(d, 4.0 / std::sqrt(1.25), 0.01);
    // nothing under the tool anywhere: a failure
    Loop away = square(400, 400, 20);
    comb_offsets(1, 0.01, 1.0, away.x.data(), away.y.data(), away.n(), 1.0, 0.0, 4.0, 0.1, 100.0, d, st);
    EXPECT_EQ(st, -1);
    FRETRI();
}

TEST(CombinedOffsets, DirectionsOnLoopsOfLinesAndArcs)
{
    // a square whose top side is a half circle bulging upward
    Loop l;
    l.pt(0, 0).pt(10, 0).pt(10, 10).arc(0, 10, 5, 10, 1).close();
    f64 d[2], in[2], out[2];
    i32 st = 0;
    pk_seg_dir_at(l.x.data(), l.y.data(), l.n(), 1, 0.3, d, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(d[0], 1.0, 1e-12);
    pk_seg_dir_at(l.x.data(), l.y.data(), l.n(), 3, 0.5, d, st);  // the top of the arc
    EXPECT_NEAR(d[0], -1.0, 1e-9);
    EXPECT_NEAR(d[1], 0.0, 1e-9);
    pk_seg_dir_at(l.x.data(), l.y.data(), l.n(), 0, 0.5, d, st);  // wraps to the last side
    EXPECT_NEAR(d[1], -1.0, 1e-12);
    pk_seg_dir_at(l.x.data(), l.y.data(), l.n(), 8, 0.5, d, st);  // and past it to the first
    EXPECT_NEAR(d[0], 1.0, 1e-12);
    pk_seg_dir_at(l.x.data(), l.y.data(), l.n(), 4, 0.5, d, st);  // inside the arc's entries
    EXPECT_EQ(st, 11);
    pk_corner_nrm(0, l.x.data(), l.y.data(), l.n(), in, out);
    EXPECT_NEAR(in[1], -1.0, 1e-12);
    EXPECT_NEAR(out[0], 1.0, 1e-12);
    pk_corner_nrm(2, l.x.data(), l.y.data(), l.n(), in, out);  // into the arc: its start tangent
    EXPECT_NEAR(in[1], 1.0, 1e-12);
    EXPECT_NEAR(out[1], 1.0, 1e-9);
    pk_corner_nrm(6, l.x.data(), l.y.data(), l.n(), in, out);  // out of the arc
    EXPECT_NEAR(in[1], -1.0, 1e-9);
    EXPECT_NEAR(out[1], -1.0, 1e-12);
    const f64 p[2] = {1, 2};
    i32 answer = 0;
    entry_pt_unused(p, answer);
    EXPECT_EQ(answer, 1);
}
