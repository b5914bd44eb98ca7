// Common loops of loops on the surfaces: the heights the walks carry and the
// neighbouring crossings whose heights jump apart.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "pocket/comlup.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

// A 3-D loop through the points (x, y, z) in pocket coordinates.
pokarr loop3(const std::vector<std::array<f64, 3>>& pts)
{
    pokarr a;
    i32 st = 0;
    pokarr_init_dyn(3, static_cast<i32>(pts.size()), a, st);
    for (const auto& p : pts) pokarr_add_pnt(p.data(), a, st);
    return a;
}

}  // namespace

TEST(CommonLoopsOnTheSurface, WalksCarryTheHeightsOfBothLoops)
{
    surface_pocket(flat);
    pokpar.side = 0.01;
    // two squares at heights 2 (A) and 2.004 (B), crossing in plan
    pokarr a = loop3({{0, 0, 2}, {10, 0, 2}, {10, 10, 2}, {0, 10, 2}, {0, 0, 2}});
    pokarr b = loop3({{5, 5, 2.004}, {15, 5, 2.004}, {15, 15, 2.004}, {5, 15, 2.004}, {5, 5, 2.004}});
    const i32 first = lup_count + 1;
    i32 counter = 1, outrow = 0, lastrow = 0, st = 0;
    comlup_pokarr(0, a, b, 1, 1.0, 1, 0, 0, 0, 0, counter, outrow, lastrow, st);
    EXPECT_EQ(st, 1);
    ASSERT_GE(lup_count, first);
    for (i32 r = first; r <= lup_count; ++r) {
        pokarr w;
        pokarr_init(3, w);
        lup_get_pokarr(r, w, st);
        ASSERT_EQ(st, 0);
        for (i32 k = 0; k < w.count; ++k) {
            const bool on_a = w.x[k] <= 5.0 + 1e-9 || w.y[k] <= 5.0 + 1e-9;
            EXPECT_NEAR(w.z[k], on_a && !(w.x[k] > 10.0 - 1e-9 || w.y[k] > 10.0 - 1e-9) ? 2.0 : 2.004, 0.0041) << r << " " << k;
            EXPECT_TRUE(w.z[k] == 2.0 || w.z[k] == 2.004) << r << " " << k << " " << w.z[k];
        }
        EXPECT_EQ(w.z[0], w.z[w.count - 1]);
        pokarr_free(w);
    }
    // Collected instead (as the lane merge calls it) into a store a plane
    // pocket left 2-D: the walks keep their heights there too.
    ComlupStore& col = comlup_collection();
    pokarr_free(col.pts);
    pokarr_init(2, col.pts);
    comlup_pokarr(1, a, b, 1, 1.0, 1, 0, 0, 0, 0, counter, outrow, lastrow, st);
    EXPECT_EQ(st, 1);
    ASSERT_FALSE(col.counts.empty());
    ASSERT_EQ(col.pts.dims, 3);
    for (i32 k = 0; k < col.pts.count; ++k) EXPECT_TRUE(col.pts.z[k] == 2.0 || col.pts.z[k] == 2.004) << k;
    pokarr_free(col.pts);
    pokarr_init(2, col.pts);
    col.counts.clear();
    col.dirs.clear();
    pokarr_free(a);
    pokarr_free(b);
}

TEST(CommonLoopsOnTheSurface, NeighbouringCrossingsWithAHeightJumpAreDropped)
{
    surface_pocket(flat);
    pokpar.side = 0.01;
    // B crosses A's left side at A's height and its right side 4 above it
    pokarr a = loop3({{0, 0, 5}, {10, 0, 5}, {10, 10, 5}, {0, 10, 5}, {0, 0, 5}});
    pokarr b = loop3({{-5, 3, 5}, {5, 3, 5}, {5.01, 3, 9}, {15, 3, 9}, {15, 7, 9}, {5.01, 7, 9}, {5, 7, 5}, {-5, 7, 5},
                      {-5, 3, 5}});
    auto l = std::make_unique<ComlupLists>();
    i32 n = 0;
    cre_comlups_array(0, a, b, 1.0, n, *l);
    ASSERT_EQ(n, 2);
    for (i32 k = 0; k < n; ++k) {
        EXPECT_EQ(l->a.x[k], 0.0) << k;
        EXPECT_GT(l->rank[k], 0) << k;
        EXPECT_LE(l->rank[k], 2) << k;
    }
    // both crossings jump: nothing is left
    pokarr c = loop3({{-5, 3, 9}, {15, 3, 9}, {15, 7, 9}, {-5, 7, 9}, {-5, 3, 9}});
    cre_comlups_array(0, a, c, 1.0, n, *l);
    EXPECT_EQ(n, 0);
    for (pokarr* p : {&a, &b, &c}) pokarr_free(*p);
}

// On the surfaces too a refused pool ends the common loops with a failure
// status or builds them whole; a failed crossing search is no "nothing in
// common".
TEST(CommonLoopsOnTheSurface, ARefusedPoolEndsTheCallWithAStatusOrTheWholeLoops)
{
    i32 failed = 0, whole = -1;
    for (i32 n = 0; n <= 12; ++n) {
        surface_pocket(flat);
        pokpar.side = 0.01;
        const i32 first = lup_count + 1, in_use = pkdm_in_use();
        pokarr a = loop3({{0, 0, 2}, {10, 0, 2}, {10, 10, 2}, {0, 10, 2}, {0, 0, 2}});
        pokarr b = loop3({{5, 5, 2.004}, {15, 5, 2.004}, {15, 15, 2.004}, {5, 15, 2.004}, {5, 5, 2.004}});
        i32 counter = 1, outrow = 0, lastrow = 0, st = 0;
        norak::fail_alloc_after(n, 2);  // n = 0: nothing refused
        comlup_pokarr(0, a, b, 1, 1.0, 1, 0, 0, 0, 0, counter, outrow, lastrow, st);
        norak::fail_alloc_after(0);
        if (n == 0) whole = lup_count - first + 1;
        if (st == 1) {
            EXPECT_EQ(lup_count - first + 1, whole) << n;
        } else {
            ++failed;
            EXPECT_EQ(st, 11) << n;
        }
        pokarr_free(a);
        pokarr_free(b);
        EXPECT_EQ(pkdm_in_use(), in_use) << n;
    }
    EXPECT_GT(whole, 0);
    EXPECT_GT(failed, 0);
}
