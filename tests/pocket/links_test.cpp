// The cutting of offset loops: the links that join the loops of a chain into
// one series of tours, the split of a chain that cannot be linked, the start
// point stage, and the lane stage.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cleanup/clrarea.h"
#include "cleanup/clrcut.h"
#include "cleanup/clrlane.h"
#include "cleanup/clrlink.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "core/records.h"
#include "pocket/pokmain.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// A table made by hand: contour rows first (rows 1 .. contours), then the
// rows added by `row`.
struct Table {
    explicit Table(i32 contours = 1)
    {
        fresh();
        i32 st = 0;
        POKCPY(4000, 1, 0, st);
        pk_isl_skip = contours - 1;
        pk_nisland = contours - 1;
        pkoff.loops_on = 1;
        pkoff.end_mode = 0;
        pokpar.keep_isl_dir = 1;
    }
    i32 row(i32 subkey, i32 key, i32 parent, const Loop& l)
    {
        pokarr a = make(l);
        i32 start = 0, st = 0;
        lup_add(subkey, key, parent, 0, 0, 1.0, 0, a, start, st);
        pokarr_free(a);
        EXPECT_EQ(st, 0);
        return lup_count;
    }
    i32 end(i32 subkey, i32 key, i32 parent)
    {
        i32 st = 0;
        lup_add_ref(subkey, key, parent, st);
        EXPECT_EQ(st, 0);
        return lup_count;
    }
};

struct Pt {
    f64 x, y;
};

// First and last point of a row's loop.
std::pair<Pt, Pt> ends_of(i32 r)
{
    i32 n = 0;
    lup_np(r, n);
    std::vector<f64> x(static_cast<size_t>(n) + 1), y(static_cast<size_t>(n) + 1);
    lup_get_pts(r, x.data(), y.data(), n);
    return {{x[0], y[0]}, {x[static_cast<size_t>(n) - 1], y[static_cast<size_t>(n) - 1]}};
}

f64 dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Squares 40, 32, 24, 16, 8 about (20, 20), each made from the one before.
std::vector<i32> nested_squares(Table& t, i32 key = 1)
{
    std::vector<i32> rows;
    i32 parent = 1;
    for (i32 k = 0; k < 5; ++k) {
        const f64 h = 20.0 - 4.0 * k;
        parent = t.row(k + 1, key, parent, square(20.0 - h, 20.0 - h, 2.0 * h));
        rows.push_back(parent);
    }
    t.end(6, key, parent);
    return rows;
}

}  // namespace

TEST(PocketLinks, TheLoopsOfAChainAreCutAsToursJoinedBySquareMoves)
{
    Table t;
    t.row(0, 1, 0, square(-5, -5, 50));
    const std::vector<i32> loops = nested_squares(t);
    i32 st = 0;
    clr_cut(0, 4.0, 1, 5, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(clr_links.n_chains, 1);
    // the tours come innermost first, each closed at its link point; the
    // move from one tour to the next is the side step, square to both loops
    std::vector<std::pair<Pt, Pt>> tours;
    for (i32 r = clr_cut_mark; r <= lup_count; ++r)
        if (lup_row(r).key != 9999) tours.push_back(ends_of(r));
    ASSERT_EQ(tours.size(), 5u);
    EXPECT_EQ(lup_row(lup_count).key, 9999);
    EXPECT_EQ(lup_row(lup_count - 1).key, 1);
    for (size_t k = 0; k < tours.size(); ++k) {
        EXPECT_LT(dist(tours[k].first, tours[k].second), 1e-9);
        if (k == 0) continue;
        const Pt a = tours[k - 1].second, b = tours[k].first;
        EXPECT_NEAR(dist(a, b), 4.0, 1e-9) << k;
        EXPECT_TRUE(std::fabs(a.x - b.x) < 1e-9 || std::fabs(a.y - b.y) < 1e-9) << k;
    }
    // a row of the chain carries its link; no chain was split
    for (i32 r : loops) EXPECT_NE(lnk_seg(clr_links, r), 0) << r;
    for (i32 r = 1; r < clr_cut_mark; ++r) EXPECT_EQ(lup_row(r).key, 1);
}

TEST(PocketLinks, AChainThatCannotBeLinkedIsSplitUnderANewKey)
{
    // the inner square lies too far inside its parent to be linked
    Table t;
    t.row(0, 1, 0, square(-5, -5, 50));
    const i32 outer = t.row(1, 1, 1, square(0, 0, 40));
    const i32 inner = t.row(2, 1, outer, square(18, 18, 4));
    const i32 end = t.end(3, 1, inner);
    i32 st = 0;
    clr_link_loops(0, 4.0, 1, 5, clr_links, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(clr_links.n_chains, 2);
    // a reference row makes the outer loop a chain's end; the inner part
    // carries the new key
    ASSERT_EQ(lup_count, end + 1);
    EXPECT_EQ(lup_row(lup_count).key, 1);
    EXPECT_EQ(lup_row(lup_count).subkey, -2);
    EXPECT_EQ(lup_row(lup_count).parent, outer);
    EXPECT_EQ(lup_row(inner).key, 2);
    EXPECT_EQ(lup_row(end).key, 2);
    EXPECT_EQ(lup_row(outer).key, 1);
    // cut as two chains, each closed by a terminator
    clr_cut_mark = lup_count + 1;
    i32 tours = 0, terms = 0;
    t = Table();  // a fresh table for the whole cutting
    t.row(0, 1, 0, square(-5, -5, 50));
    const i32 o2 = t.row(1, 1, 1, square(0, 0, 40));
    t.end(3, 1, t.row(2, 1, o2, square(18, 18, 4)));
    clr_cut(0, 4.0, 1, 5, st);
    ASSERT_EQ(st, 0);
    for (i32 r = clr_cut_mark; r <= lup_count; ++r) (lup_row(r).key == 9999 ? terms : tours) += 1;
    EXPECT_EQ(tours, 2);
    EXPECT_EQ(terms, 2);
}

TEST(PocketLinks, ALoopThatCarriesItsLinkPointIsLinkedOnByTheSameTests)
{
    // Squares 16 .. 24 and 12 .. 28 link at (20, 12); the middle square is
    // linked on from there to the outer loop, whose bottom is slanted
    // through (20, 8) or level at y 7.5 or 6. The square ray down is
    // refused in plan by the slant (not met square) and by a level bottom
    // beyond the limit (4^2 + 0.001); the second series' ray, turned half
    // way to the preceding side, meets a level bottom at 45 degrees: too
    // oblique in plan, enough in a surface pocket. There the first series'
    // limit is (1.2 x 4)^2: 4.5 links square, 6 by the turned ray.
    struct Case {
        i32 dim;
        f64 left, right;  // the outer bottom's heights at x 8 and x 32
        bool linked;
        f64 x, y;  // the outer loop's link point
    };
    for (const Case& k : {Case{2, 6, 10, false, 0, 0}, Case{3, 6, 10, true, 20, 8}, Case{2, 7.5, 7.5, false, 0, 0},
                          Case{3, 7.5, 7.5, true, 20, 7.5}, Case{2, 6, 6, false, 0, 0}, Case{3, 6, 6, true, 14, 6}}) {
        Table t;
        t.row(0, 1, 0, square(-5, -5, 50));
        Loop o;
        o.pt(8, k.left).pt(32, k.right).pt(32, 32).pt(8, 32).close();
        const i32 outer = t.row(1, 1, 1, o);
        const i32 mid = t.row(2, 1, outer, square(12, 12, 16));
        t.end(4, 1, t.row(3, 1, mid, square(16, 16, 8)));
        pokdim = k.dim;
        pokpar.lift = 0.0;
        i32 st = 0;
        clr_link_loops(0, 4.0, 1, 5, clr_links, st);
        pokdim = 2;
        ASSERT_EQ(st, 0) << k.dim << " " << k.left;
        const size_t m = static_cast<size_t>(mid), p = static_cast<size_t>(outer);
        EXPECT_NEAR(clr_links.x[m], 20.0, 1e-9);
        EXPECT_NEAR(clr_links.y[m], 12.0, 1e-9);
        EXPECT_EQ(clr_links.n_chains, k.linked ? 1 : 2) << k.dim << " " << k.left;
        EXPECT_EQ(lnk_seg(clr_links, outer) != 0, k.linked) << k.dim << " " << k.left;
        if (!k.linked) continue;
        EXPECT_NEAR(clr_links.x[p], k.x, 1e-9) << k.dim << " " << k.left;
        EXPECT_NEAR(clr_links.y[p], k.y, 1e-9) << k.dim << " " << k.left;
    }
}

TEST(PocketLinks, ALinkThatWouldCrossAnIslandIsMovedAlongTheLoop)
{
    // an island on the middle link of the bottom sides: the link goes to the
    // next fraction instead
    Table t(2);
    t.row(0, 1, 0, square(-5, -5, 50));
    t.row(0, 10001, 0, square(19.5, 1.5, 1));
    t.row(1, 10001, 2, square(19.5, 1.5, 1, false));
    const i32 outer = t.row(1, 1, 1, square(0, 0, 40));
    const i32 inner = t.row(2, 1, outer, square(4, 4, 32));
    t.end(3, 1, inner);
    i32 st = 0;
    clr_link_loops(0, 4.0, 1, 5, clr_links, st);
    ASSERT_EQ(st, 0);
    ASSERT_NE(lnk_seg(clr_links, inner), 0);
    const f64 x = clr_links.x[static_cast<size_t>(inner)], y = clr_links.y[static_cast<size_t>(inner)];
    EXPECT_FALSE(std::fabs(y - 4.0) < 1e-9 && x > 19.0 && x < 21.0) << x << " " << y;
    EXPECT_NEAR(std::hypot(clr_links.x[static_cast<size_t>(outer)] - x, clr_links.y[static_cast<size_t>(outer)] - y),
                4.0, 1e-9);
}

TEST(PocketLinks, TheStartPointMovesTheFirstChainsLinks)
{
    Table t;
    t.row(0, 1, 0, square(-5, -5, 50));
    const std::vector<i32> loops = nested_squares(t);
    pkoff.end_mode = 1;
    pkoff.start[0] = 22.0;  // beside the right side of the inner square (16 .. 24)
    pkoff.start[1] = 19.0;
    pokorigin[0] = pokorigin[1] = 0.0;
    i32 st = 0;
    clr_cut(0, 4.0, 1, 5, st);
    EXPECT_EQ(st, 100);
    const std::pair<Pt, Pt> first = ends_of(clr_cut_mark);
    EXPECT_NEAR(first.first.x, 24.0, 1e-9);
    EXPECT_NEAR(first.first.y, 19.0, 1e-9);
    // outward from there, square steps of 4
    const std::pair<Pt, Pt> second = ends_of(clr_cut_mark + 1);
    EXPECT_NEAR(second.first.x, 28.0, 1e-9);
    EXPECT_NEAR(second.first.y, 19.0, 1e-9);
    // the outermost loop's tour starts where the last link arrives; the
    // chain's end row carries no link
    const std::pair<Pt, Pt> outermost = ends_of(clr_cut_mark + 4);
    EXPECT_NEAR(outermost.first.x, 40.0, 1e-9);
    EXPECT_NEAR(outermost.first.y, 19.0, 1e-9);
    EXPECT_EQ(lup_row(clr_cut_mark + 4).parent, loops.front());
    EXPECT_EQ(lnk_seg(clr_links, loops.back() + 1), 0);
    // the start point stage refuses 3-D pockets
    pokdim = 3;
    cutluk(4.0, 1, clr_links, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[cutluk], 3D POCKET NOT SUPPORTED !!"));
    pokdim = 2;
}

TEST(PocketLinks, LinkRaysMeetSegmentsSquareAndArcsAlongTheirRadius)
{
    Table t;
    // parent: a slanted side, then an arc
    Loop p;
    p.pt(0, 0).pt(10, 0).pt(10, 10).arc(0, 10, 5, 10, 1).close();
    pokarr par = make(p);
    i32 found = 0, seg = 0;
    f64 pt[2], frac = 0.0;
    const f64 a[2] = {5, 5}, down[2] = {5, -100}, slant[2] = {-100, -100}, up[2] = {5, 100}, off[2] = {4, 100};
    lup_link_cross(1, par, a, down, 1, found, pt, seg, frac);
    EXPECT_EQ(found, 1);
    EXPECT_NEAR(pt[0], 5.0, 1e-12);
    EXPECT_EQ(seg, 1);
    EXPECT_NEAR(frac, 0.5, 1e-12);
    lup_link_cross(1, par, a, slant, 1, found, pt, seg, frac);
    EXPECT_EQ(found, -1);
    lup_link_cross(1, par, a, slant, 0, found, pt, seg, frac);
    EXPECT_EQ(found, 1);
    lup_link_cross(1, par, a, up, 1, found, pt, seg, frac);  // through the arc's centre
    EXPECT_EQ(found, 1);
    EXPECT_NEAR(pt[1], 15.0, 1e-9);
    lup_link_cross(1, par, a, off, 1, found, pt, seg, frac);
    EXPECT_EQ(found, -1);
    pokarr_free(par);
    // the ray leaves a contour's loop outward and an island's loop inward
    const i32 c = t.row(1, 1, 1, square(0, 0, 10));
    const i32 i = t.row(1, 10001, 1, square(0, 0, 10, false));
    for (i32 r : {c, i}) {
        pokarr l;
        pokarr_init(2, l);
        lup_get_pokarr(r, l, found);
        f64 q[2], far[2], in[2];
        i32 st = 0;
        lup_link_dir(1, r, 1, 0.25, l, 4.0, q, far, in, st);
        EXPECT_EQ(st, 0);
        const f64 towards = (far[0] - q[0]) * (5.0 - q[0]) + (far[1] - q[1]) * (5.0 - q[1]);
        EXPECT_EQ(towards > 0.0, r == i) << r;
        EXPECT_NEAR(std::hypot(far[0] - q[0], far[1] - q[1]), 10000.0, 1e-6);
        pokarr_free(l);
    }
}

TEST(PocketLinks, TooManyRowsAreRefused)
{
    Table t;
    t.row(0, 1, 0, square(0, 0, 10));
    i32 st = 0;
    while (lup_count < LNK_ROWS + 1 && st == 0) lup_add_ref(1, 1, 1, st);
    ASSERT_EQ(st, 0);
    clr_link_loops(0, 4.0, 1, 5, clr_links, st);
    EXPECT_EQ(st, 10);
    clr_cut(0, 4.0, 1, 5, st);
    EXPECT_EQ(st, 10);
    cutluk(4.0, 1, clr_links, st);
    EXPECT_EQ(st, 10);
    // rows beyond the arrays have no slot
    lnk_clear(clr_links, 2 * LNK_ROWS);
    EXPECT_TRUE(lnk_has(clr_links, LNK_ROWS));
    EXPECT_FALSE(lnk_has(clr_links, LNK_ROWS + 1));
    const f64 p[2] = {1, 2};
    lnk_set(clr_links, LNK_ROWS + 1, 3, 0.5, p);
    EXPECT_EQ(lnk_seg(clr_links, LNK_ROWS + 1), 0);
}

TEST(PocketLinks, CompetingLoopsAndTheShortSegmentsOfSurfacePockets)
{
    // an island-keyed loop made from the same parent competes with the
    // chain's own loop: the own one lies out of reach, the island's links
    {
        Table t;
        t.row(0, 1, 0, square(-5, -5, 60));
        const i32 par = t.row(1, 1, 1, square(16, 16, 8));
        const i32 own = t.row(2, 1, par, square(40, 40, 2));
        const i32 isl = t.row(2, 10001, par, square(12, 12, 16, false));
        t.end(3, 1, own);
        i32 st = 0;
        clr_link_loops(0, 4.0, 1, 5, clr_links, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(lnk_seg(clr_links, own), 0);
        ASSERT_NE(lnk_seg(clr_links, isl), 0);
        const size_t a = static_cast<size_t>(isl), b = static_cast<size_t>(par);
        EXPECT_NEAR(std::hypot(clr_links.x[a] - clr_links.x[b], clr_links.y[a] - clr_links.y[b]), 4.0, 1e-9);
    }
    // A loop with a notch of side 1 reaching 4 below its parent's top; an
    // island blocks the notch's square links at the first two fractions
    // (x 20.0 and 19.91). In plan the third fraction links there (x 19.82).
    // In a surface pocket, from the third fraction on, only segments of at
    // least 0.05 of the loop's length (92) are tried: the notch is passed
    // over, and the second series links it at its middle, the ray turned
    // by the averaged direction past the island to the parent's top.
    for (const i32 dim : {2, 3}) {
        Table t(2);
        t.row(0, 1, 0, square(-5, -5, 50));
        t.row(0, 10001, 0, square(19.86, 37.5, 0.18));
        t.row(1, 10001, 2, square(19.86, 37.5, 0.18, false));
        const i32 par = t.row(1, 1, 1, square(0, 0, 40));
        Loop n;
        n.pt(10, 10).pt(30, 10).pt(30, 35).pt(20.5, 35).pt(20.5, 36).pt(19.5, 36).pt(19.5, 35).pt(10, 35).close();
        const i32 child = t.row(2, 1, par, n);
        t.end(3, 1, child);
        pokdim = dim;
        pokpar.lift = 0.0;
        i32 st = 0;
        clr_link_loops(0, 4.0, 1, 5, clr_links, st);
        pokdim = 2;
        ASSERT_EQ(st, 0) << dim;
        const size_t c = static_cast<size_t>(child), p = static_cast<size_t>(par);
        ASSERT_NE(lnk_seg(clr_links, child), 0) << dim;
        EXPECT_NEAR(clr_links.y[c], 36.0, 1e-9) << dim;
        EXPECT_NEAR(clr_links.x[c], dim == 2 ? 19.82 : 20.0, 1e-9) << dim;
        EXPECT_NEAR(clr_links.x[p], dim == 2 ? 19.82 : 24.0, 1e-9) << dim;
        EXPECT_NEAR(clr_links.y[p], 40.0, 1e-9) << dim;
    }
}

TEST(PocketLinks, TheStartPointStageAnswersZeroWhenItMovesNothing)
{
    // the first contour's chain: a rectangle and the square made from it;
    // an island sits beside the straight move from the start point's foot
    // (24, 20) to the rectangle's link (20, 12)
    for (const bool first : {false, true}) {
        Table t(2);
        t.row(0, 1, 0, square(-5, -5, 50));
        t.row(0, 10001, 0, square(20.8, 13.8, 0.4));
        t.row(1, 10001, 2, square(20.8, 13.8, 0.4, false));
        Loop r;
        r.pt(12, 12).pt(34, 12).pt(34, 28).pt(12, 28).close();
        const i32 key = first ? 1 : 2;
        const i32 outer = t.row(1, key, 1, r);
        t.end(3, key, t.row(2, key, outer, square(16, 16, 8)));
        i32 st = 0;
        clr_link_loops(0, 4.0, 1, 5, clr_links, st);
        ASSERT_EQ(st, 0);
        ASSERT_NEAR(clr_links.x[static_cast<size_t>(outer)], 20.0, 1e-9);
        ASSERT_NEAR(clr_links.y[static_cast<size_t>(outer)], 12.0, 1e-9);
        const ClrLinks before = clr_links;
        pkoff.start[0] = 25.0;
        pkoff.start[1] = 20.0;
        pokorigin[0] = pokorigin[1] = 0.0;
        // with no chain of the first contour, or when the move would cross
        // the island, nothing is moved: 0, the links as they were
        cutluk(4.0, 1, clr_links, st);
        EXPECT_EQ(st, 0) << first;
        EXPECT_EQ(clr_links.index, before.index) << first;
        EXPECT_EQ(clr_links.x, before.x) << first;
        EXPECT_EQ(clr_links.y, before.y) << first;
        EXPECT_EQ(clr_links.frac, before.frac) << first;
    }
}

TEST(PocketLanes, ALaneRunsFromTheEntryLinkToTheNextExitInTheCuttingDirection)
{
    Table t;
    t.row(0, 1, 0, square(-5, -5, 30));
    const i32 a = t.row(1, 1, 1, square(0, 0, 10));
    const i32 b = t.row(2, 1, a, square(2, 2, 6));
    lnk_clear(clr_links, 20);
    clr_cut_mark = lup_count + 1;
    // an entry without a link gets one at the middle of its first segment;
    // with no exit the lane goes once round
    i32 next = 0, count = -1;
    notlif(0, 10, 2.0, clr_links, b, 1, next, count);
    EXPECT_EQ(next, 9999);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(lnk_seg(clr_links, b), -1);  // used
    EXPECT_NEAR(clr_links.x[static_cast<size_t>(b)], 5.0, 1e-12);
    EXPECT_NEAR(clr_links.y[static_cast<size_t>(b)], 2.0, 1e-12);
    std::pair<Pt, Pt> e = ends_of(lup_count);
    EXPECT_NEAR(e.first.x, 5.0, 1e-12);
    EXPECT_NEAR(e.second.x, 5.0, 1e-12);
    EXPECT_EQ(lup_row(lup_count).parent, b);
    // the exit: the row made from the entry, its link point found on the
    // entry's loop; forward and backward
    const f64 on_b[2] = {8.0, 5.0}, on_a[2] = {5.0, 0.0};
    for (i32 dir : {1, -1}) {
        lnk_set(clr_links, b, 2, 0.5, on_b);
        lnk_set(clr_links, a, 1, 0.5, on_a);
        const i32 before = lup_count;
        notlif(0, 0, 2.0, clr_links, a, dir, next, count);
        EXPECT_EQ(next, b);
        EXPECT_EQ(count, 1);
        ASSERT_EQ(lup_count, before + 1);
        EXPECT_EQ(lup_row(lup_count).tag1, 1);
        i32 n = 0;
        lup_np(lup_count, n);
        EXPECT_EQ(n, dir == 1 ? 3 : 5);
        e = ends_of(lup_count);
        EXPECT_NEAR(e.first.x, 5.0, 1e-12);
        EXPECT_NEAR(e.first.y, 0.0, 1e-12);
        EXPECT_NEAR(e.second.x, 10.0, 1e-12);
        EXPECT_NEAR(e.second.y, 5.0, 1e-12);
    }
    // The exit whose link ends at the entry's link point: the lane goes once
    // round from it, also where the link met the entry loop a little
    // obliquely (a bottom rising 1 in 30 through (20, 8), the square below
    // it linked at (20, 12)) and the foot of the exit's point lies ahead.
    {
        Table s;
        s.row(0, 1, 0, square(-5, -5, 50));
        Loop o;
        o.pt(8, 7.6).pt(32, 8.4).pt(32, 32).pt(8, 32).close();
        const i32 outer = s.row(1, 1, 1, o);
        s.end(3, 1, s.row(2, 1, outer, square(12, 12, 16)));
        i32 st = 0;
        clr_link_loops(0, 4.0, 1, 5, clr_links, st);
        ASSERT_EQ(st, 0);
        ASSERT_NEAR(clr_links.x[static_cast<size_t>(outer)], 20.0, 1e-9);
        clr_cut_mark = lup_count + 1;
        notlif(0, 0, 4.0, clr_links, outer, 1, next, count);
        EXPECT_EQ(count, 1);
        i32 n = 0;
        lup_np(lup_count, n);
        EXPECT_EQ(n, 6);
        e = ends_of(lup_count);
        EXPECT_LT(dist(e.first, e.second), 1e-9);
        EXPECT_NEAR(e.first.y, 8.0, 1e-9);
    }
    // an entry whose parents cycle gives -10 and no piece
    t = Table();
    t.row(0, 1, 0, square(-5, -5, 30));
    t.row(1, 1, 1, square(0, 0, 10));
    t.row(2, 1, a, square(2, 2, 6));
    lup_row(a).parent = b;
    const i32 before = lup_count;
    next = 1;
    notlif(0, 0, 2.0, clr_links, b, 1, next, count);
    EXPECT_EQ(next, -10);
    EXPECT_EQ(lup_count, before);
}

TEST(PocketLanes, TheNextRowFollowsTheChainOutwardThenTheNextLevel)
{
    Table t;
    t.row(0, 1, 0, square(-5, -5, 50));
    nested_squares(t, 1);
    const i32 second = t.row(1, 2, 1, square(100, 0, 10));
    t.end(2, 2, second);
    pkoff.loops_on = 0;
    i32 st = 0;
    clr_cut(0, 4.0, 1, 5, st);
    ASSERT_EQ(st, 0);
    // five lanes of key 1 (each once round, from the link point where the
    // tool arrives), a terminator, the lane of key 2, a terminator
    std::vector<i32> keys;
    for (i32 r = clr_cut_mark; r <= lup_count; ++r) keys.push_back(lup_row(r).key);
    const std::vector<i32> want{1, 1, 1, 1, 1, 9999, 2, 9999};
    EXPECT_EQ(keys, want);
    for (i32 r = clr_cut_mark + 1; r < clr_cut_mark + 5; ++r) {
        const std::pair<Pt, Pt> prev = ends_of(r - 1), cur = ends_of(r);
        EXPECT_NEAR(dist(prev.second, cur.first), 4.0, 1e-9);
        EXPECT_LT(dist(cur.first, cur.second), 1e-9);
    }
    // island chains follow the contour levels
    Table v(2);
    v.row(0, 1, 0, square(-5, -5, 50));
    v.row(0, 10001, 0, square(20, 20, 2));
    const i32 isl = v.row(1, 10001, 2, square(19, 19, 4, false));
    const i32 out = v.row(1, 1, 1, square(0, 0, 40));
    v.end(2, 10001, isl);
    v.end(2, 1, out);
    pkoff.loops_on = 0;
    clr_cut(0, 4.0, 1, 5, st);
    ASSERT_EQ(st, 0);
    keys.clear();
    for (i32 r = clr_cut_mark; r <= lup_count; ++r) keys.push_back(lup_row(r).key);
    EXPECT_EQ(keys, (std::vector<i32>{1, 9999, 10001, 9999}));
    // a loop reached from the one made from it without a link is reported,
    // and a new chain starts
    Table u;
    u.row(0, 1, 0, square(-5, -5, 50));
    const i32 p = u.row(1, 1, 1, square(0, 0, 40));
    const i32 c = u.row(2, 1, p, square(4, 4, 32));
    lnk_clear(clr_links, 20);
    const f64 at[2] = {20.0, 4.0};
    lnk_set(clr_links, c, 1, 0.5, at);
    clr_cut_mark = lup_count + 1;
    i32 nc = 0, level = 1, next = 0;
    notlf2(0, nc, clr_links, c, 0, level, next, 1);
    EXPECT_EQ(next, p);
    EXPECT_TRUE(norak::transcript_has("[notlif] CUTPAS FAILED IN LANE INDEX 2"));
    EXPECT_EQ(nc, 1);
    EXPECT_EQ(lup_count, clr_cut_mark);
    EXPECT_EQ(lup_row(lup_count).key, 9999);
    // with its link, the outer loop follows quietly; nothing left: 9999
    const size_t said = norak::transcript_count("CUTPAS");
    lnk_set(clr_links, p, 1, 0.5, at);
    notlf2(0, nc, clr_links, c, 0, level, next, 1);
    EXPECT_EQ(next, p);
    EXPECT_EQ(nc, 0);
    EXPECT_EQ(norak::transcript_count("CUTPAS"), said);
    notlf2(0, nc, clr_links, p, c, level, next, 1);
    EXPECT_EQ(next, 9999);
}

TEST(PocketLanes, EveryOffsetLoopIsCutOnceInEitherStage)
{
    // One offset level; two levels whose link is refused (the inner square
    // lies too far inside), so that the first offset, left alone under its
    // key, ends a chain of its own through a reference row; a loop split
    // into two loops of one key, each the end of a chain, over two levels
    // made from it. Lanes and loop chains alike cut every offset loop once;
    // loop chains on the surfaces too (taken as drawn), where the progress
    // display counts the pieces up to the total it announced; and the lane
    // of a one-level pocket on the surfaces, the first of its run, which is
    // joined to no lane before it.
    enum Kind { ONE_LEVEL, SPLIT, SHARED };
    struct Road {
        i32 loops_on, dim;
    };
    for (const Kind kind : {ONE_LEVEL, SPLIT, SHARED})
        for (const auto [loops_on, dim] : {Road{0, 2}, Road{1, 2}, Road{1, 3}, Road{0, 3}}) {
            if (loops_on == 0 && dim == 3 && kind != ONE_LEVEL) continue;
            Table t;
            t.row(0, 1, 0, square(-5, -5, 60));
            const i32 outer = t.row(1, 1, 1, square(0, 0, 50));
            std::vector<i32> loops{outer};
            if (kind == ONE_LEVEL) t.end(2, 1, outer);
            if (kind == SPLIT) t.end(3, 1, loops.emplace_back(t.row(2, 1, outer, square(23, 23, 4))));
            if (kind == SHARED) {
                const i32 mid = loops.emplace_back(t.row(2, 1, outer, square(4, 4, 42)));
                t.end(4, 1, loops.emplace_back(t.row(3, 1, mid, square(8, 8, 14))));
                t.end(4, 1, loops.emplace_back(t.row(3, 1, mid, square(28, 8, 14))));
            }
            pkoff.loops_on = loops_on;
            pokdim = dim;
            lane_proj_on = 0;
            i32 st = 0;
            clr_cut(0, 4.0, 1, 5, st);
            pokdim = 2;
            lane_proj_on = 1;
            ASSERT_EQ(st, 0) << kind << " " << loops_on << " " << dim;
            for (i32 r : loops) {
                i32 cuts = 0;
                for (i32 k = clr_cut_mark; k <= lup_count; ++k)
                    if (lup_row(k).key != 9999 && lup_row(k).parent == r) ++cuts;
                EXPECT_EQ(cuts, 1) << kind << " " << loops_on << " " << dim << " row " << r;
            }
            if (dim == 2) continue;
            // the cutting's total (the last announced) and the last count shown
            std::string total, done;
            for (const std::string& line : norak::transcript()) {
                const size_t at = line.find("TOTAL NUMBER OF LOOPS ");
                if (at != std::string::npos) total = line.substr(at + 22, line.find('.', at) - at - 22);
                if (line.rfind("progress 32: [", 0) == 0) done = line.substr(14, line.size() - 15);
            }
            EXPECT_EQ(done, total) << kind << " " << loops_on;
        }
}

TEST(PocketLinks, TheStagesAreTimedOnlyIn3DPockets)
{
    Table t;
    t.row(0, 1, 0, square(-5, -5, 50));
    nested_squares(t);
    i32 st = 0;
    clr_cut(0, 4.0, 1, 5, st);
    ASSERT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("start cutting pocket"));
    // the first stage shows its loop count unless the cut mode is 1
    EXPECT_TRUE(norak::transcript_has("TOTAL NUMBER OF LOOPS 7. DONE:"));
    Table w;  // a fresh transcript
    w.row(0, 1, 0, square(-5, -5, 50));
    nested_squares(w);
    clr_cut(0, 4.0, 1, 1, st);
    EXPECT_FALSE(norak::transcript_has("TOTAL NUMBER OF LOOPS"));
    Table u;
    u.row(0, 1, 0, square(-5, -5, 50));
    pokdim = 3;
    clr_cut(0, 4.0, 1, 5, st);
    pokdim = 2;
    EXPECT_EQ(st, 0);
    for (const char* s : {"status: start cutting pocket 1st stage: ", "status: start cutting pocket 2nd stage: ",
                          "status: end cutting pocket 2nd stage: "})
        EXPECT_TRUE(norak::transcript_has(s)) << s;
}

TEST(PocketLanes, LanesAreTakenAsDrawnWhenTheHeightsRecordAsks)
{
    const i32 a = HEI8[HEI8_ABSOLUTE], i = HEI8[HEI8_INCR];
    HEI8[HEI8_ABSOLUTE] = 0;
    EXPECT_EQ(lane_proj_now(), 1);
    HEI8[HEI8_ABSOLUTE] = 1;
    HEI8[HEI8_INCR] = r2wrd(78.78f);
    EXPECT_EQ(lane_proj_now(), 0);
    HEI8[HEI8_INCR] = r2wrd(78.0f);
    EXPECT_EQ(lane_proj_now(), 1);
    lane_proj_on = 0;
    EXPECT_EQ(lane_proj_now(), 0);
    lane_proj_on = 1;
    HEI8[HEI8_ABSOLUTE] = a;
    HEI8[HEI8_INCR] = i;
}

TEST(PocketLanes, ALaneOfASurfacePocketEndsAtTheLoopsHeightAndNormal)
{
    // A loop rising with x (z = x) or with y (z = y), its normals turning
    // with y; the lane of a runs from (5, 0) to the foot (10, 5) of the
    // exit's link on a, on the side x = 10: level when z = x, rising when
    // z = y. Either way the end takes the normal half way between the
    // side's ends (45 degrees), not the far end's.
    for (i32 dims : {3, 4})
        for (const bool rising : {false, true}) {
            Table t;
            i32 st = 0;
            POKREL(1, st);
            pokdim = dims;  // the main arrays hold heights
            POKCPY(4000, 1, 0, st);
            lane_proj_on = 0;  // the lanes taken as drawn: no surfaces needed
            auto row = [&](i32 subkey, i32 parent, const Loop& l) {
                pokarr p = make(l, dims);
                for (i32 k = 0; k < p.count; ++k) {
                    p.z[k] = rising ? p.y[k] : p.x[k];
                    if (dims == 4) {
                        const f64 w = 0.05 * M_PI * p.y[k];
                        p.vec[3 * k] = 0.0, p.vec[3 * k + 1] = std::sin(w), p.vec[3 * k + 2] = std::cos(w);
                    }
                }
                i32 start = 0;
                lup_add(subkey, 1, parent, 0, 0, 1.0, 0, p, start, st);
                pokarr_free(p);
                EXPECT_EQ(st, 0);
                return lup_count;
            };
            row(0, 0, square(-5, -5, 30));
            const i32 a = row(1, 1, square(0, 0, 10));
            const i32 b = row(2, a, square(2, 2, 6));
            lnk_clear(clr_links, 20);
            clr_cut_mark = lup_count + 1;
            const f64 on_b[3] = {8.0, 5.0, 8.0}, on_a[3] = {5.0, 0.0, 5.0};
            lnk_set(clr_links, b, 2, 0.5, on_b);
            lnk_set(clr_links, a, 1, 0.5, on_a);
            i32 next = 0, count = 0;
            notlif(0, 10, 2.0, clr_links, a, 1, next, count);
            EXPECT_EQ(next, b) << dims;
            pokarr lane;
            pokarr_init(dims, lane);
            lup_get_pokarr(lup_count, lane, st);
            ASSERT_EQ(st, 0);
            ASSERT_EQ(lane.count, 3) << dims;
            const i32 k = lane.count - 1;
            EXPECT_NEAR(lane.x[k], 10.0, 1e-9);
            EXPECT_NEAR(lane.y[k], 5.0, 1e-9);
            EXPECT_NEAR(lane.z[k], rising ? 5.0 : 10.0, 1e-9) << dims;
            if (dims == 4) {
                EXPECT_NEAR(lane.vec[3 * k + 1], std::sqrt(0.5), 1e-9) << rising;
                EXPECT_NEAR(lane.vec[3 * k + 2], std::sqrt(0.5), 1e-9) << rising;
            }
            pokarr_free(lane);
            lane_proj_on = 1;
            pokdim = 2;
        }
}

TEST(PocketLanes, ALoopOfTheSameParentFollowsOnceTheParentIsCut)
{
    // two loops made from p, an island between them
    for (const f64 y : {6.0, 3.0}) {
        Table t(2);
        t.row(0, 1, 0, square(-5, -5, 60));
        t.row(0, 10001, 0, square(14, 4, 4, false));
        t.row(1, 10001, 2, square(15, 5, 2, false));
        const i32 p = t.row(1, 1, 1, square(0, 0, 40));
        const i32 c1 = t.row(2, 1, p, square(2, 2, 10));
        const i32 c2 = t.row(2, 1, p, square(20, 2, 10));
        lnk_clear(clr_links, 20);
        clr_cut_mark = lup_count + 1;
        const f64 at1[2] = {12.0, y}, at2[2] = {20.0, y}, atp[2] = {0.0, y};
        lnk_set(clr_links, c1, 2, 0.5, at1);
        lnk_set(clr_links, c2, 4, 0.5, at2);
        lnk_set(clr_links, p, 4, 0.5, atp);
        // while p's lane is still to cut, p follows c2 even when the move
        // to it crosses the island (at y 6): then a new chain starts there
        i32 nc = 0, level = 1, next = 0;
        const i32 rows = lup_count;
        notlf2(0, nc, clr_links, c2, 0, level, next, 1);
        EXPECT_EQ(next, p) << y;
        EXPECT_EQ(nc, y == 6.0 ? 1 : 0) << y;
        EXPECT_EQ(lup_count, rows + (y == 6.0 ? 1 : 0)) << y;
        clr_links.index[static_cast<size_t>(p)] = -clr_links.index[static_cast<size_t>(p)];
        notlf2(0, nc, clr_links, c1, 0, level, next, 1);
        EXPECT_EQ(next, c2) << y;
        // the move at y 6 crosses the island: a new chain starts
        EXPECT_EQ(nc, y == 6.0 ? 1 : 0);
        EXPECT_EQ(lup_row(lup_count).key == 9999, y == 6.0);
    }
}
