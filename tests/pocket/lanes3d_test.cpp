// Lanes of a 3-D offset: a walk over the map grid from the loop being
// offset that crosses a small sub-loop twice takes it, once leaves it; a
// walk the grid refuses and a walk direction of no length end the lanes.
#include <gtest/gtest.h>

#include <vector>

#include "pocket/lanes.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

// A sub-loop list of one polygon (world x, y on the flat part's height).
void one_sub(PkPieces& s, const std::vector<P>& pts, f64 z)
{
    pokarr q;
    i32 st = 0;
    pokarr_init_dyn(3, static_cast<i32>(pts.size()) + 1, q, st);
    for (size_t k = 0; k <= pts.size(); ++k) {
        const P& p = pts[k % pts.size()];
        const f64 v[3] = {p.x - pokorigin[0], p.y - pokorigin[1], z - pokorigin[2]};
        pokarr_add_pnt(v, q, st);
    }
    pokarr_init(3, s.pts);
    s.add(q, 0, q.count, 1, signed_area(q), 1, st);
    pokarr_free(q);
}

}  // namespace

TEST(LanesOnTheSurface, AWalkAcrossTheSubLoopTakesItAndTheGridOrADirectionOfNoLengthEndsTheLanes)
{
    surface_pocket(flat);
    pkoff.second_area = 0.0;
    pokarr loop;
    pokarr_init(3, loop);
    i32 st = 0;
    lup_get_pokarr(1, loop, st);
    ASSERT_EQ(st, 0);
    for (i32 k = 0; k < loop.count; ++k) loop.z[k] = 5.0 - pokorigin[2];  // on the part
    // a hook over the pocket's bottom edge (y = 10): the first try walks
    // from (29.9, 10) along -x, through the hook's two sides when the lane
    // is 3.5 long, through one side when it is 2 (and so does the second
    // try, from (27.8, 10) along +x)
    const std::vector<P> hook = {{26.8, 9}, {28.8, 9}, {28.8, 10.5}, {33, 10.5}, {33, 11}, {26.8, 11}};
    for (const f64 d : {3.5, 2.0}) {
        PkPieces s;
        one_sub(s, hook, 5.0);
        oneoff_lanes(0, loop, 0.0, 1.0, d, 1.0, 1, s, st);
        EXPECT_EQ(st, 0) << d;
        EXPECT_EQ(s.n(), d > 3.0 ? 0 : 1) << d;
        pokarr_free(s.pts);
    }
    // a sub-loop touching the loop's edge where the try starts: no direction
    PkPieces s, s2;
    one_sub(s, {{31, 12}, {29, 12}, {29, 10}, {31, 10}}, 5.0);
    oneoff_lanes(0, loop, 0.0, 1.0, 3.0, 1.0, 1, s, st);
    EXPECT_EQ(st, -1);
    pokarr_free(s.pts);
    // without a grid the walk cannot be made
    map_grid_clear();
    one_sub(s2, hook, 5.0);
    oneoff_lanes(0, loop, 0.0, 1.0, 3.5, 1.0, 1, s2, st);
    EXPECT_EQ(st, 19);
    EXPECT_EQ(s2.n(), 1);
    pokarr_free(s2.pts);
    pokarr_free(loop);
}
