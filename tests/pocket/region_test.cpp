// Regions of polygons and their levels, the pass buffer table, polygon
// buffers and their drawing, contour lists, and the regions of a level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "pocket/cntlst.h"
#include "pocket/findreg.h"
#include "pocket/polbuf.h"
#include "pocket/region.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

std::vector<f32> sq(f32 x0, f32 y0, f32 s) { return {x0, y0, x0 + s, y0, x0 + s, y0 + s, x0, y0 + s}; }

// A line entity from (x0, y0) to (x1, y1); its id.
i32 line(f64 x0, f64 y0, f64 x1, f64 y1)
{
    norak::Entity e;
    e.cls = 2;
    e.type = 1;
    const f64 d[6] = {x0, y0, 0.0, x1, y1, 0.0};
    e.words.resize(12);
    std::memcpy(e.words.data(), d, sizeof d);
    return norak::add_entity(e);
}

// A contour definition of the square's four edges (reversed: clockwise).
std::vector<i32> square_def(f64 x0, f64 y0, f64 s, bool cw = false)
{
    std::vector<i32> d{4, 0};
    if (!cw) {
        for (i32 id : {line(x0, y0, x0 + s, y0), line(x0 + s, y0, x0 + s, y0 + s), line(x0 + s, y0 + s, x0, y0 + s),
                       line(x0, y0 + s, x0, y0)})
            d.insert(d.end(), {id, 0});
    } else {
        for (i32 id : {line(x0, y0, x0, y0 + s), line(x0, y0 + s, x0 + s, y0 + s), line(x0 + s, y0 + s, x0 + s, y0),
                       line(x0 + s, y0, x0, y0)})
            d.insert(d.end(), {id, 0});
    }
    return d;
}

// Appends a contour definition to the contour list, its surface range
// empty; its place in the list.
i32 pk_place(const std::vector<i32>& d)
{
    ContourList& c = CNTLST;
    i32 at = c.count == 0 ? 1 : c.pos[c.count - 1] + dfcgld(cnt_def(c.count - 1));
    std::copy(d.begin(), d.end(), c.elems + 2 * (at - 1));
    c.pos[c.count] = at;
    c.first[c.count] = 0;
    c.last[c.count] = -1;
    return c.count++;
}

// A fresh level store with one level open and one region current.
Region* level_with(const std::vector<std::vector<f32>>& polys)
{
    n0_lvls_init(2);
    i32 st = 0;
    n0_lvls_open_level(2, st);
    n0_lvls_next_region(2, st);
    Region* r = nullptr;
    n0_lvls_get_cur(r, st);
    for (const auto& p : polys) reg_replace_end(2, p.data(), static_cast<i32>(p.size() / 2), r, st);
    return r;
}

}  // namespace

TEST(Regions, PolygonsAreInsertedWithTheirCountsAndStarts)
{
    fresh();
    Region r;
    i32 st = 0;
    reg_init(2, &r, st);
    ASSERT_EQ(st, 0);
    std::vector<f32> p600(1200, 1.0f), p15(30, 2.0f), p10(20, 3.0f);
    reg_add_poly(2, p600.data(), 600, 0, &r, st);
    EXPECT_EQ(regw(r, REG_PCAP), 600);
    Region s;
    reg_init(2, &s, st);
    reg_add_poly(2, p15.data(), 15, 0, &s, st);
    EXPECT_EQ(regw(s, REG_PCAP), 510);
    Region t;
    reg_init(2, &t, st);
    reg_add_poly(2, p10.data(), 10, 0, &t, st);
    EXPECT_EQ(regw(t, REG_PCAP), 10);
    for (i32 k = 1; k < 11; ++k) reg_replace_end(2, p10.data(), 1, &t, st);
    EXPECT_EQ(regw(t, REG_NPOL), 11);
    EXPECT_EQ(regw(t, REG_LCAP), 20);
    // in front of the others: counts and points move behind it
    reg_add_poly(2, p15.data(), 15, 0, &t, st);
    i32 loc = -1, n = 0;
    // the start table cannot be made: refused, nothing written
    norak::fail_alloc_after(1);
    reg_get_locs(0, &t, loc, st);
    norak::fail_alloc_after(0);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(loc, -1);
    EXPECT_TRUE(norak::transcript_has("internal: reg_adjust_locs, MEMORY ALLOCATION ERROR"));
    reg_get_locs(0, &t, loc, st);
    EXPECT_EQ(loc, 0);
    reg_get_locs(1, &t, loc, st);
    EXPECT_EQ(loc, 15);
    reg_get_npbuf(1, &t, n, st);
    EXPECT_EQ(n, 10);
    const f32* pts = reg_points(&t, 1, n);
    EXPECT_EQ(pts[0], 3.0f);
    reg_add_poly(2, p10.data(), 0, 0, &t, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: reg_add_poly, WRONG NUMBER OF POINTS"));
    reg_add_poly(2, p10.data(), 1, 99, &t, st);
    EXPECT_TRUE(norak::transcript_has("internal: reg_add_poly, WRONG POLYGON NUMBER"));
    reg_add_poly(3, p10.data(), 1, 0, &t, st);
    EXPECT_TRUE(norak::transcript_has("internal: reg_add_poly, WRONG MODE VALUE"));
    // the counts, then the points, move through a temporary host array: when
    // it cannot be had the region stays as it was
    for (i32 fail : {1, 2}) {
        norak::fail_alloc_after(fail);
        reg_add_poly(2, p10.data(), 3, 0, &s, st);
        norak::fail_alloc_after(0);
        EXPECT_LT(st, 0);
        EXPECT_EQ(regw(s, REG_NPOL), 1);
        EXPECT_EQ(regw(s, REG_NPT), 15);
        reg_get_npbuf(0, &s, n, st);
        EXPECT_EQ(n, 15);
    }
    EXPECT_TRUE(norak::transcript_has("internal: reg_add_poly, MEMORY ALLOCATION ERROR"));
    reg_init(4, &t, st);
    EXPECT_TRUE(norak::transcript_has("internal: reg_init, WRONG MODE VALUE"));
    for (Region* q : {&r, &s, &t}) reg_release(q, st);
    EXPECT_EQ(norak::open_arrays(), 0);
    // a refused close of the temporary array, after the counts or after the
    // points have moved: the host's status, and the region as it was
    Region u;
    reg_init(2, &u, st);
    const std::vector<f32> a{0, 1, 2, 3, 4, 5, 6, 7}, b{8, 9, 10, 11, 12, 13};
    reg_replace_end(2, a.data(), 4, &u, st);
    reg_replace_end(2, b.data(), 3, &u, st);
    for (i32 fail : {1, 2}) {
        norak::fail_list_call("MM_CLOSE", fail);
        reg_add_poly(2, p10.data(), 3, 0, &u, st);
        norak::fail_list_call("MM_CLOSE", 0);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(regw(u, REG_NPOL), 2);
        EXPECT_EQ(regw(u, REG_NPT), 7);
        i32 n0 = 0, n1 = 0;
        reg_get_npbuf(0, &u, n0, st);
        reg_get_npbuf(1, &u, n1, st);
        EXPECT_EQ(n0, 4);
        EXPECT_EQ(n1, 3);
        i32 nq = 0;
        const f32* q = reg_points(&u, 0, nq);
        for (i32 k = 0; k < 14; ++k) EXPECT_EQ(q[k], static_cast<f32>(k)) << "fail " << fail << " at " << k;
    }
    EXPECT_TRUE(norak::transcript_has("internal: reg_add_poly, MEMORY CLOSE ERROR"));
    reg_release(&u, st);
    EXPECT_EQ(norak::open_arrays(), 2);  // the two refused temporaries stay open with the host
}

TEST(Regions, NestingGivesTheContourDirections)
{
    fresh();
    Region r;
    i32 st = 0, cd = 0, v = 0;
    reg_init(2, &r, st);
    // an empty region answers without error
    reg_get_cdir(0, &r, cd, st);
    EXPECT_EQ(cd, 0);
    reg_get_tmp_sons(0, 0, &r, v, st);
    EXPECT_EQ(v, -1);
    i32 loc = 0;
    reg_get_locs(0, &r, loc, st);
    EXPECT_EQ(loc, -1);
    EXPECT_EQ(st, 0);
    for (f32 s : {10.0f, 6.0f, 2.0f}) {
        auto p = sq(-s / 2, -s / 2, s);
        reg_replace_end(2, p.data(), 4, &r, st);
    }
    i32 dirs[3];
    for (i32 k = 0; k < 3; ++k) reg_get_cdir(k, &r, dirs[k], st);
    EXPECT_EQ(dirs[0], 1);
    EXPECT_EQ(dirs[1], 2);
    EXPECT_EQ(dirs[2], 1);
    reg_get_tmp_sons(0, 0, &r, v, st);
    EXPECT_EQ(v, 2);  // both inner squares lie inside the outer one
    reg_set_tmp_sons(0, 0, 7, &r, st);
    reg_get_tmp_sons(0, 0, &r, v, st);
    EXPECT_EQ(v, 7);
    auto far = sq(50, 50, 1);
    reg_replace_end(2, far.data(), 4, &r, st);  // the matrix is rebuilt
    reg_get_tmp_sons(0, 0, &r, v, st);
    EXPECT_EQ(v, 2);
    reg_get_tmp_sons(0, 5, &r, v, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: reg_get_tmp_sons, WRONG INDEXES"));
    reg_get_tmp_sons(0, 0, nullptr, v, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(norak::transcript_has("internal: reg_get_tmp_sons, WRONG REGION VALUE"));
    reg_release(&r, st);
    // points with heights: the nesting is that of their x and y
    Region h;
    reg_init(3, &h, st);
    for (f32 s : {10.0f, 6.0f, 2.0f}) {
        const f32 d = -s / 2;
        const f32 p[12] = {d, d, 1, d + s, d, 2, d + s, d + s, 3, d, d + s, 4};
        reg_replace_end(3, p, 4, &h, st);
    }
    for (i32 k = 0; k < 3; ++k) reg_get_cdir(k, &h, dirs[k], st);
    EXPECT_EQ(dirs[0], 1);
    EXPECT_EQ(dirs[1], 2);
    EXPECT_EQ(dirs[2], 1);
    reg_release(&h, st);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(Regions, TheLevelStoreHandsOutItsRegionsAndTakesOverRecords)
{
    fresh();
    n0_lvls_init(1);
    i32 st = 0, n = 0;
    n0_lvls_get_ng(n, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: n0_lvls_get_ng, USING BEFORE INIT"));
    n0_lvls_init(2);
    EXPECT_EQ(n0_lvls_next_region(2, st), nullptr);
    EXPECT_TRUE(norak::transcript_has("internal: n0_lvls_next_region, CURRENT LEVEL IS WRONG"));
    Region none;
    n0_lvls_add_region(2, none, st);  // no level: no record to store over
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: n0_lvls_add_region, DYNAMIC MEMORY ERROR"));
    n0_lvls_open_level(2, st);
    EXPECT_EQ(n0_lvls_next_region(3, st), nullptr);
    EXPECT_TRUE(norak::transcript_has("internal: n0_lvls_next_region, WRONG MODE VALUE"));
    i32* level = n0_lvls_next_region(2, st);
    ASSERT_EQ(st, 0);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level[LVL_CUR - 1], 0);
    EXPECT_EQ(level[LVL_RCAP - 1], 5);
    // the current record given back as it was filled in place stays whole
    Region* cur = nullptr;
    n0_lvls_get_cur(cur, st);
    auto q = sq(5, 5, 1);
    reg_replace_end(2, q.data(), 4, cur, st);
    n0_lvls_add_region(2, *cur, st);
    EXPECT_EQ(st, 0);
    n0_lvls_get_ng(n, st);
    EXPECT_EQ(n, 1);
    Region mine;
    reg_init(2, &mine, st);
    auto p = sq(0, 0, 1);
    reg_replace_end(2, p.data(), 4, &mine, st);
    i32 before = norak::open_arrays();
    n0_lvls_add_region(2, mine, st);  // the current record is released, the given one kept
    EXPECT_EQ(st, 0);
    EXPECT_LT(norak::open_arrays(), before);
    n0_lvls_get_ng(n, st);
    EXPECT_EQ(n, 1);
    for (i32 k = 0; k < 6; ++k) n0_lvls_next_region(2, st);  // grows by five records
    EXPECT_EQ(st, 0);
    n0_lvls_get_ng(n, st);
    EXPECT_EQ(n, 0);
    n0_lvls_init(2);  // the level array closed with its regions
    EXPECT_EQ(norak::open_arrays(), 0);
    // a growth that fails at its third region record gives back the two
    // made before it
    n0_lvls_open_level(2, st);
    norak::fail_alloc_after(3 + 2 * 9 + 3);  // the record arrays, then the region records (nine arrays each)
    EXPECT_EQ(n0_lvls_next_region(2, st), nullptr);
    EXPECT_EQ(st, -1);
    n0_lvls_init(2);
    EXPECT_EQ(norak::open_arrays(), 0);
    pasbuf_init(2, 3, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: pasbuf_init, to many entries in pasbuf array"));
    pasbuf_init(2, 2, st);
    EXPECT_EQ(pasbuf_on(), 1);
    pasbuf_init(1, 0, st);
    EXPECT_EQ(pasbuf_on(), 0);
}

TEST(PolygonBuffers, BuffersHoldPolygonsAndGrowToWhatTheyAreGiven)
{
    fresh();
    i32 st = 0, n = 0;
    // after the start that opens nothing every operation, the selection
    // included, answers that the package is used before it is initialised;
    // so after a start whose third open fails (the first two given back)
    i32 cur = -1;
    for (i32 fail : {0, 3}) {
        if (fail == 0) {
            polbuf_init(1, 0, st);
        } else {
            norak::fail_alloc_after(fail);
            polbuf_init(2, 1000, st);
            EXPECT_LT(st, 0);
            EXPECT_TRUE(norak::transcript_has("internal: [polbuf_init] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE"));
            EXPECT_EQ(norak::open_arrays(), 0);
        }
        const char* used = "internal: [POLBUF_PKG] USED BEFORE INITIALIZED";
        size_t before = norak::transcript_count(used);
        polbuf_get_npol(n, st);
        EXPECT_EQ(st, -1);
        i32 two = 2;
        polbuf_select(0, two, st);
        EXPECT_EQ(st, -1);
        polbuf_select(PB_GET, cur, st);
        EXPECT_EQ(st, -1);
        POLB_PKG(1, st);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(norak::transcript_count(used), before + 4);
    }
    polbuf_init(2, 1000, st);
    ASSERT_EQ(st, 0);
    // polygon 1 with no points (or a negative count) takes one word;
    // polygon 2 follows it
    polbuf_set_np(1, -1, st);
    EXPECT_EQ(st, 0);
    polbuf_set_np(1, 0, st);
    polbuf_set_np(2, 3, st);
    polbuf_put_point(2, 3, 5.0f, 6.0f, st);
    f32 x = 0, y = 0;
    polbuf_get_point(2, 3, x, y, st);
    EXPECT_EQ(x, 5.0f);
    i32* w = static_cast<i32*>(polbuf_get_pol(1, 2, st));
    EXPECT_EQ(w[0], 3);
    // a count that does not fit after the polygon's own start is refused
    polbuf_set_np(2, 500, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [polbuf_set_np] BUFFER IS NOT LARGE ENOUGH"));
    // a point far past the end grows the buffer as far as it needs
    polbuf_put_point(2, 2600, 1.0f, 2.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_GE(polbuf_capacity(0), 2 + 2 * 2600);
    polbuf_get_point(2, 2600, x, y, st);
    EXPECT_EQ(y, 2.0f);
    polbuf_get_point(2, 9000, x, y, st);
    EXPECT_EQ(st, -1);
    // the last point the buffer holds is read, the next is refused
    const i32 last = (polbuf_capacity(0) - 2) / 2;  // polygon 2 starts at word 1
    polbuf_get_point(2, last, x, y, st);
    EXPECT_EQ(st, 0);
    polbuf_get_point(2, last + 1, x, y, st);
    EXPECT_EQ(st, -1);
    polbuf_select(PB_GET, cur, st);
    EXPECT_EQ(cur, 0);
    POLB_PKG(0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [POLB_PKG] POLBUF IS ALLREADY IN USE"));
    polbuf_release_all(1, st);
    EXPECT_EQ(norak::open_arrays(), 0);
    // buffer numbers past the last are refused
    polbuf_release_pol(POLBUF_N, 1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [POLBUF_PKG] USED BEFORE INITIALIZED"));
}

// A procedure that ended with its buffers open (stopped before its close),
// then the start of the next one: the arrays are given back, and the next
// procedure opens and releases its own without a complaint.
TEST(PolygonBuffers, AStartGivesBackTheBuffersAnEarlyEndLeftOpen)
{
    fresh();
    i32 st = 0;
    const i32 before = norak::open_arrays();
    polbuf_init(2, 100, st);
    ASSERT_EQ(st, 0);
    polbuf_release_pol(3, 1, st);  // one given back already
    ASSERT_EQ(norak::open_arrays(), before + POLBUF_N - 1);
    polbuf_init(1, 0, st);
    EXPECT_EQ(norak::open_arrays(), before);
    polbuf_init(2, 100, st);
    ASSERT_EQ(st, 0);
    polbuf_release_all(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), before);
    polbuf_init(1, 0, st);
    EXPECT_EQ(norak::open_arrays(), before);
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

TEST(PolygonBuffers, APointLiesInTheRegionOfBufferOne)
{
    fresh();
    i32 st = 0, one = 1;
    polbuf_init(2, 2000, st);
    polbuf_select(2, one, st);
    auto put = [&](i32 k, const std::vector<f32>& p) {
        polbuf_set_np(k, static_cast<i32>(p.size() / 2), st);
        for (size_t j = 0; j < p.size() / 2; ++j) polbuf_put_point(k, static_cast<i32>(j) + 1, p[2 * j], p[2 * j + 1], st);
    };
    put(1, sq(4, 4, 2));  // the island first: the outer one is the largest
    put(2, sq(0, 0, 10));
    polbuf_set_npol(2, st);
    i32 k = 0;
    polbuf_outer(k, st);
    EXPECT_EQ(k, 2);
    const f32 in[2] = {1, 1}, isl[2] = {5, 5}, edge[2] = {4.00005f, 5}, out[2] = {11, 5}, near[2] = {10.00005f, 5};
    polbuf_inpol(in, 0.0001f, st);
    EXPECT_EQ(st, 1);
    polbuf_inpol(isl, 0.0001f, st);
    EXPECT_EQ(st, 0);
    polbuf_inpol(edge, 0.0001f, st);
    EXPECT_EQ(st, 1);
    polbuf_inpol(out, 0.0001f, st);
    EXPECT_EQ(st, 0);
    polbuf_inpol(near, 0.0001f, st);
    EXPECT_EQ(st, 1);
    // polygons of fewer than three points make no outer polygon: -1, which
    // the clipping reads as no boundary at all
    polbuf_select(2, one, st);
    put(1, {0, 0, 1, 1});
    put(2, {5, 5});
    polbuf_inpol(in, 0.0001f, st);
    EXPECT_EQ(st, -1);
    put(1, sq(4, 4, 2));
    put(2, sq(0, 0, 10));
    i32 cur = -1;
    polbuf_select(PB_GET, cur, st);
    EXPECT_EQ(cur, 1);
    polbuf_copy(1, 3, st);
    polbuf_select(PB_GET, cur, st);
    EXPECT_EQ(cur, 3);
    i32 n = 0;
    polbuf_get_npol(n, st);
    EXPECT_EQ(n, 2);
    // drawing: colours run 1 to 15 and start again
    for (i32 d = 0; d < 16; ++d) polbuf_draw(0.0f, st);
    const auto& figs = norak::figures();
    ASSERT_GE(figs.size(), 16u);
    EXPECT_EQ(figs[figs.size() - 16].colour, 1);
    EXPECT_EQ(figs[figs.size() - 2].colour, 15);
    EXPECT_EQ(figs.back().colour, 1);
    EXPECT_EQ(figs.back().strokes.size(), 8u);
    std::vector<f32> many(3 * 1001, 0.5f);
    i32 id = 0;
    DRWCRV(3, 1, 0, 1001, many.data(), 0.0f, id, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(id, 0);
    DRWCRV(2, 1, 0, 4, sq(0, 0, 1).data(), 2.0f, id, st);
    EXPECT_GT(id, 0);
    // as a figure: the points with their own heights
    const f32 p3[9] = {0, 0, 1, 2, 0, 2, 2, 3, 4};
    DRWCRV(3, 0, 1, 3, p3, 0.0f, id, st);
    ASSERT_EQ(figs.back().strokes.size(), 2u);
    const auto& s1 = figs.back().strokes[1];
    EXPECT_EQ(s1.from[2], 2.0f);
    EXPECT_EQ(s1.to[0], 2.0f);
    EXPECT_EQ(s1.to[1], 3.0f);
    EXPECT_EQ(s1.to[2], 4.0f);
    polbuf_release_all(1, st);
    EXPECT_EQ(norak::open_arrays(), 0);
    // a released buffer copies as an empty one, the target current
    polbuf_copy(1, 2, st);
    EXPECT_EQ(st, 0);
    polbuf_select(PB_GET, cur, st);
    EXPECT_EQ(cur, 2);
    polbuf_get_npol(n, st);
    EXPECT_EQ(n, 0);
    polbuf_release_all(1, st);
    // buffer numbers past the last are refused
    polbuf_release_pol(POLBUF_N, 1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: [POLBUF_PKG] USED BEFORE INITIALIZED"));
}

TEST(ContourLists, KindsCountsOrientationAndCriteria)
{
    fresh();
    CNTLST = ContourList{};
    EXPECT_EQ(num_closed_contours(), 0);
    EXPECT_EQ(num_open_contours(), 0);
    std::vector<i32> a = square_def(0, 0, 4), b = square_def(10, 0, 2, true);
    std::vector<i32> open{2, 0, line(0, 10, 5, 10), 0, line(5, 10, 5, 15), 0};
    pk_place(a);
    pk_place(b);
    pk_place(open);
    set_contour_kinds();
    EXPECT_EQ(num_closed_contours(), 2);
    EXPECT_EQ(num_open_contours(), 1);
    EXPECT_EQ(CNTLST.pos[1], 6);
    i32 o = 0, st = 0;
    copy_contour_def(a.data(), o, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(o, 1);
    copy_contour_def(b.data(), o, st);
    EXPECT_EQ(o, -1);
    // the polygon is chained within a tenth of the part tolerance: a circle
    // of radius 0.004 is a polygon under the fine fallback (no tolerance
    // set), but under a part tolerance of 0.1 only its start point: refused
    const f64 centre[3] = {5, 5, 0}, up[3] = {0, 0, 1};
    i32 cid = 0;
    crarc(centre, up, 0.004, 0.0, 360.0, cid, st);
    ASSERT_EQ(st, 0);
    std::vector<i32> tiny{1, 0, cid, 0};
    for (f32 part : {0.0f, 0.1f}) {
        pwrs(PRCPAR, PRTTOL, part);
        copy_contour_def(tiny.data(), o, st);
        EXPECT_EQ(st, part > 0.0f ? -1 : 0) << part;
    }
    pwrs(PRCPAR, PRTTOL, 0.0f);
    cntset_locs();
    EXPECT_EQ(CNTLST.last[2], CNTLST.first[2] - 1);  // no surfaces found for it
    EXPECT_EQ(CNTLST.kind[2], 1);
    EXPECT_EQ(CNTLST.order[2], 3);
    cntset_keep(0);  // no surfaces gathered: nothing to remove
    EXPECT_EQ(CNTLST.first[0], 0);
    EXPECT_EQ(CNTLST.last[0], -1);
    // by criteria: the host finds the two closed squares
    std::vector<i32> apairs(a.begin() + 2, a.end()), bpairs(b.begin() + 2, b.end());
    norak::set_crit_contours({apairs, bpairs});
    set_contour_kinds();
    i32 changed = -1;
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 1);  // none was selected before
    EXPECT_EQ(CNTLST.count, 3);
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 0);
    // the second square is no longer found: with no criteria active it goes
    norak::set_crit_contours({apairs});
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(CNTLST.count, 2);
    EXPECT_EQ(num_closed_contours(), 1);
    // a new contour found is appended
    std::vector<i32> c = square_def(20, 20, 1);
    norak::set_crit_contours({apairs, std::vector<i32>(c.begin() + 2, c.end())});
    cntset_by_crit(changed);
    EXPECT_EQ(CNTLST.count, 3);
    EXPECT_EQ(CNTLST.selected[2], 1);
    // loading: each contour's bounded surfaces gathered (none here: an empty
    // range), kinds open, order numbers running on
    CNTLST.last[1] = CNTLST.first[1] - 1;
    cntset_load(1, changed);
    EXPECT_EQ(CNTLST.last[1], CNTLST.first[1] - 1);
    EXPECT_EQ(CNTLST.kind[1], 1);
    EXPECT_EQ(CNTLST.order[2], CNTLST.order[1] + 1);
}

TEST(LevelRegions, RegionsComeInnermostFirstWithTheirIslands)
{
    fresh();
    i32 st = 0, n = 0;
    std::vector<i32> list(FR_MAX);
    // one outer contour with two islands
    level_with({sq(0, 0, 10), sq(1, 1, 2), sq(5, 5, 2)});
    find_regions_reset();
    find_regions_set(0, nullptr, 1);
    find_regions_total(st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(find_regions_count(), 1);
    find_regions_get(0, list.data(), n);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(list[0], 1);
    EXPECT_EQ(list[1], 2);
    EXPECT_EQ(list[2], 3);
    i32 v = 0;
    n0_lvls_get_tmp_sons(1, 0, v, st);
    EXPECT_EQ(v, -1);
    n0_lvls_get_tmp_sons(0, 0, v, st);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(find_regions_running(), 3);
    // an outer contour whose island holds another outer contour: that first;
    // numbers run on from the polygons of the first level
    level_with({sq(0, 0, 10), sq(2, 2, 6), sq(4, 4, 2)});
    find_regions_total(st);
    ASSERT_EQ(find_regions_count(), 2);
    find_regions_get(0, list.data(), n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(list[0], 3 + 3);
    find_regions_get(1, list.data(), n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(list[0], 3 + 1);
    EXPECT_EQ(list[1], 3 + 2);
    // a second call does not grow the list
    find_regions_total(st);
    EXPECT_LE(find_regions_count(), 2);
    // no polygon qualifies: the searches stop after 701
    level_with({sq(0, 0, 1), sq(5, 0, 1)});
    n0_lvls_set_tmp_sons(0, 0, 1, st);
    n0_lvls_set_tmp_sons(0, 1, 1, st);
    n0_lvls_set_tmp_sons(1, 0, 1, st);
    n0_lvls_set_tmp_sons(1, 1, 0, st);
    find_regions_reset();
    find_regions_set(0, nullptr, 1);
    find_regions_total(st);
    EXPECT_EQ(find_regions_count(), 0);
    EXPECT_TRUE(norak::transcript_has("host message 320/10"));
    EXPECT_EQ(FIND_REGIONS(0.0f), -1);
    // the limit: 701 regions by themselves are all taken, of 702 the last
    // is left with host message 20 of module 320 (some regions stored)
    for (i32 more : {0, 1}) {
        std::vector<std::vector<f32>> many;
        for (i32 k = 0; k < FR_MAX + 1 + more; ++k) many.push_back(sq(3.0f * f32(k % 30), 3.0f * f32(k / 30), 1));
        const size_t said = norak::transcript_count("host message 320/20");
        level_with(many);
        find_regions_reset();
        find_regions_set(0, nullptr, 1);
        find_regions_total(st);
        EXPECT_EQ(find_regions_count(), FR_MAX + 1) << more;
        EXPECT_EQ(norak::transcript_count("host message 320/20") - said, size_t(more));
    }
    // memory failing at each allocation in turn: a failure stops the search
    // with a status, the region entry's own with its message and no entry
    bool entry_failed = false;
    for (i32 k = 1; k <= 8 && !entry_failed; ++k) {
        level_with({sq(0, 0, 10), sq(1, 1, 2)});
        find_regions_reset();
        find_regions_set(0, nullptr, 1);
        i32 ng = 0;
        n0_lvls_get_ng(ng, st);
        find_regions_set(ng, nullptr, 0);
        find_regions_set(0, nullptr, 1);
        norak::fail_alloc_after(k);
        i32 r = FIND_REGIONS(0.0f);
        norak::fail_alloc_after(0);
        entry_failed = norak::transcript_has("internal: FIND_REGIONS ERROR  ALLOCATING MEMORY");
        if (entry_failed) {
            EXPECT_EQ(r, -1);
            EXPECT_EQ(find_regions_count(), 0);
        }
    }
    EXPECT_TRUE(entry_failed);
    n0_lvls_init(2);
    find_regions_reset();
    EXPECT_EQ(norak::open_blocks(), 0);
}

TEST(LevelRegions, TheRegionRecordIsBuiltFromContoursOnce)
{
    fresh();
    std::vector<i32> defs = square_def(0, 0, 10);
    std::vector<i32> isl = square_def(2, 2, 3);
    defs.insert(defs.end(), isl.begin(), isl.end());
    n0_lvls_init(2);
    i32 st = 0, n = 0;
    n0_lvls_open_level(2, st);
    find_regions_reset();
    find_regions_set(2, defs.data(), 0);
    EXPECT_EQ(FIND_REGIONS(0.0f), 0);
    n0_lvls_get_ng(n, st);
    EXPECT_EQ(n, 2);
    Region* r = nullptr;
    n0_lvls_get_cur(r, st);
    i32 np = 0;
    reg_get_npbuf(0, r, np, st);
    EXPECT_EQ(np, 4);  // the repeated first point is not stored
    EXPECT_EQ(find_regions_count(), 1);
    std::vector<i32> list(FR_MAX);
    find_regions_get(0, list.data(), n);
    EXPECT_EQ(n, 2);
    // a level of one contour is one region
    std::vector<i32> one = square_def(0, 0, 10);
    n0_lvls_init(2);
    n0_lvls_open_level(2, st);
    find_regions_reset();
    find_regions_set(1, one.data(), 0);
    EXPECT_EQ(FIND_REGIONS(0.0f), 0);
    EXPECT_EQ(find_regions_count(), 1);
    find_regions_get(0, list.data(), n);
    EXPECT_EQ(n, 1);
    // a contour the host cannot make a polygon of
    Region bad;
    reg_init(2, &bad, st);
    const i32 none[4] = {1, 0, 999999, 0};
    crtpol(0.01, 1, none, &bad, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: crtpol,Unable to create the polygon"));
    crtpol(0.01, 0, none, &bad, st);
    EXPECT_EQ(st, 1);
    reg_release(&bad, st);
    n0_lvls_init(2);
    find_regions_reset();
    EXPECT_EQ(norak::open_arrays(), 0);
    // the same with the buffer's close refused as well: both failures are
    // told, the first one's status kept (the refused buffer stays open)
    reg_init(2, &bad, st);
    const size_t said = norak::transcript().size();
    norak::fail_list_call("MM_CLOSE", 1);
    crtpol(0.01, 1, none, &bad, st);
    norak::fail_list_call("MM_CLOSE", 0);
    EXPECT_EQ(st, -1);
    std::string told;
    for (size_t k = said; k < norak::transcript().size(); ++k) told += norak::transcript()[k] + "\n";
    EXPECT_NE(told.find("crtpol,Unable to create the polygon"), std::string::npos) << told;
    EXPECT_NE(told.find("crtpol,Close dynamic memory error"), std::string::npos) << told;
    reg_release(&bad, st);
    fresh();
}

TEST(PolygonBuffers, ContoursValuesGrowthAndStringPens)
{
    fresh();
    i32 st = 0;
    f64 a = 0, b = 0;
    polbuf_init(1, 0, st);
    polbuf_get_vals(a, b, st);
    EXPECT_EQ(st, -1);  // no buffer yet
    polbuf_init(2, 5, st);
    ASSERT_EQ(st, 0);
    polbuf_set_vals(1.5f, -2.25f, st);
    polbuf_get_vals(a, b, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(a, 1.5);
    EXPECT_EQ(b, -2.25);
    // a square contour does not fit in five words: the buffer grows by a
    // thousand words and the polygon is its corners, closed
    std::vector<i32> d = square_def(1, 2, 3);
    polbuf_set_npol(1, st);
    polbuf_from_contour(1, d.data(), 0.01, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(polbuf_capacity(0), 1005);
    i32 n = 0;
    polbuf_get_np(1, n, st);
    ASSERT_EQ(n, 5);
    const f32 want[5][2] = {{1, 2}, {4, 2}, {4, 5}, {1, 5}, {1, 2}};
    for (i32 j = 1; j <= n; ++j) {
        f32 x = 0, y = 0;
        polbuf_get_point(1, j, x, y, st);
        EXPECT_NEAR(x, want[j - 1][0], 1e-5) << j;
        EXPECT_NEAR(y, want[j - 1][1], 1e-5) << j;
    }
    // nothing to chain: refused
    std::vector<i32> empty{0, 0};
    polbuf_from_contour(1, empty.data(), 0.01, st);
    EXPECT_EQ(st, -1);
    polbuf_set_point(2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(polbuf_capacity(0), 3005);
    // a point one past a full buffer grows it by a thousand words, once
    polbuf_put_point(1, 1502, 7.0f, 8.0f, st);  // the last point that fits
    EXPECT_EQ(polbuf_capacity(0), 3005);
    polbuf_put_point(1, 1503, 7.0f, 8.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(polbuf_capacity(0), 4005);
    polbuf_put_point(1, 1504, 7.0f, 8.0f, st);
    EXPECT_EQ(polbuf_capacity(0), 4005);
    // polygon 1 fills the buffer to its last word (count and five points in
    // eleven words): polygon 2 starts at the very end, and both a point and a
    // contour written there grow the buffer and land
    for (i32 by_contour = 0; by_contour <= 1; ++by_contour) {
        polbuf_init(2, 11, st);
        for (i32 j = 1; j <= 5; ++j) polbuf_put_point(1, j, want[j - 1][0], want[j - 1][1], st);
        polbuf_set_np(1, 5, st);
        ASSERT_EQ(polbuf_capacity(0), 11);
        if (by_contour) {
            polbuf_from_contour(2, d.data(), 0.01, st);
        } else {
            polbuf_put_point(2, 1, 9.0f, 9.5f, st);
        }
        EXPECT_EQ(st, 0) << by_contour;
        EXPECT_EQ(polbuf_capacity(0), 1011) << by_contour;
        if (!by_contour) polbuf_set_np(2, 1, st);
        polbuf_get_np(2, n, st);
        EXPECT_EQ(n, by_contour ? 5 : 1) << by_contour;
        f32 x = 0, y = 0;
        polbuf_get_point(2, 1, x, y, st);
        EXPECT_EQ(x, by_contour ? 1.0f : 9.0f) << by_contour;
        polbuf_get_point(1, 5, x, y, st);  // polygon 1 as it was
        EXPECT_EQ(y, 2.0f) << by_contour;
    }
    // a contour of more points than ten enlargements make room for: refused
    polbuf_init(2, 5, st);
    std::vector<i32> many{5100, 0};
    for (i32 k = 0; k < 5100; ++k) {
        f64 a0 = 2 * M_PI * k / 5100, a1 = 2 * M_PI * (k + 1) / 5100;
        many.insert(many.end(), {line(50 * std::cos(a0), 50 * std::sin(a0), 50 * std::cos(a1), 50 * std::sin(a1)), 0});
    }
    polbuf_from_contour(1, many.data(), 0.01, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(polbuf_capacity(0), 10005);
    // a string drawn as a figure cycles the colour counter from where it was set
    const f32 pts[4] = {0, 0, 1, 1};
    i32 id = -1;
    DRWSCC(4);
    DRWCRV(2, 1, 1, 2, pts, 0.0f, id, st);
    EXPECT_EQ(norak::figures().back().colour, 5);
    DRWSCC(15);
    DRWCRV(2, 1, 1, 2, pts, 0.0f, id, st);
    EXPECT_EQ(norak::figures().back().colour, 1);
    // stored as a curve: the colour and the pen value as its attributes
    DRWSFC(7);
    DRWCRV(2, 0, 0, 2, pts, 2.0f, id, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(norak::entities().at(id).attrs.at("CO"), 1);
    EXPECT_EQ(norak::entities().at(id).attrs.at("PE"), 7);
    // the points are the work plane's: under a turned and shifted plane the
    // curve starts at the first of them in world coordinates
    const f64 rot[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, shift[3] = {5, -2, 1};
    norak::set_model_to_world(rot, shift);
    const f32 p3[6] = {3, 4, 5, 6, 7, 8};
    DRWCRV(3, 0, 0, 2, p3, 0.0f, id, st);
    ASSERT_EQ(st, 0);
    f64 t0 = 0, t1 = 0, o[6], w[3];
    crvrng(id, t0, t1, st);
    evcrv(id, t0, o, st);
    madm2w(o, w);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(w[c], p3[c], 1e-9) << c;
    polbuf_release_all(1, st);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(ContourLists, SolidsExplodedBeforeTheCriteriaSearch)
{
    fresh();
    CNTLST = ContourList{};
    std::vector<i32> a = square_def(0, 0, 4), b = square_def(10, 0, 2);
    std::vector<i32> apairs(a.begin() + 2, a.end()), bpairs(b.begin() + 2, b.end());
    norak::set_crit_contours({apairs, bpairs});
    i32 changed = -1;
    cntset_by_crit_sol(changed);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(CNTLST.count, 2);
    EXPECT_EQ(num_closed_contours(), 2);
    EXPECT_FALSE(norak::transcript_has("host message 320/30"));
    // found again with the criteria changed: nothing new, the user is told
    i32 one = 1;
    crit_gs_change(0, 2, one);
    cntset_by_crit_sol(changed);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(CNTLST.count, 2);
    EXPECT_TRUE(norak::transcript_has("host message 320/30"));
}

// The check of the contours kept before: a contour longer than the work
// buffer of one contour is compared where it stands; the contour the check
// found missing is the one deleted when another carries the same order
// number; a host that deletes nothing does not hold the check at it.
TEST(ContourLists, TheCheckOfTheKeptContoursLosesNothingAndEnds)
{
    fresh();
    CNTLST = ContourList{};
    auto place = [](const std::vector<i32>& d, i32 order) {
        const i32 k = pk_place(d);
        CNTLST.kind[k] = CNT_CLOSED;
        CNTLST.order[k] = order;
        CNTLST.selected[k] = 1;
    };
    // a polygon of 5000 edges, more elements than the work buffer holds
    const i32 n = CNT_LOOP_MAX + 500;
    std::vector<i32> big{n, 0};
    for (i32 k = 0; k < n; ++k) {
        f64 a0 = 2 * M_PI * k / n, a1 = 2 * M_PI * ((k + 1) % n) / n;
        big.insert(big.end(), {line(100 * std::cos(a0), 100 * std::sin(a0), 100 * std::cos(a1), 100 * std::sin(a1)), 0});
    }
    place(big, 1);
    norak::set_crit_contours({std::vector<i32>(big.begin() + 2, big.end())});
    std::fill(CNTLST.work, CNTLST.work + 2 * CNT_LOOP_MAX, -7);
    i32 changed = -1;
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(CNTLST.count, 1);
    // the work buffer, the list's last column, is not written for it
    EXPECT_EQ(CNTLST.work[0], -7);
    EXPECT_EQ(CNTLST.work[2 * CNT_LOOP_MAX - 1], -7);
    // two contours numbered 2: only the second is found missing and goes
    CNTLST = ContourList{};
    std::vector<i32> a = square_def(0, 0, 4), b = square_def(10, 0, 2);
    place(a, 2);
    place(b, 2);
    norak::set_crit_contours({std::vector<i32>(a.begin() + 2, a.end())});
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(CNTLST.count, 1);
    EXPECT_EQ(cnt_def(0)[2], a[2]);
    // one found missing in the middle: the contour after it moves up whole
    CNTLST = ContourList{};
    std::vector<i32> c = square_def(30, 0, 3);
    place(a, 2);
    place(b, 3);
    place(c, 4);
    norak::set_crit_contours({std::vector<i32>(a.begin() + 2, a.end()), std::vector<i32>(c.begin() + 2, c.end())});
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(CNTLST.count, 2);
    for (size_t k = 0; k < c.size(); ++k) EXPECT_EQ(cnt_def(1)[k], c[k]) << k;
    CNTLST = ContourList{};
    place(a, 2);
    norak::set_crit_contours({std::vector<i32>(a.begin() + 2, a.end())});
    // the host deletes nothing: the check ends with the list as it was
    place(b, 3);
    norak::set_crit_deletes(false);
    get_crit_contours(2, changed);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(CNTLST.count, 2);
}

// A kept contour whose first and last elements are the same curve: closed
// (kind 2), a solid's loop (3) and a solid (4) count that curve once, as the
// host does, and so still match what the criteria find; an open contour
// counts every element. A miscount loses the contour from the list.
TEST(ContourLists, AContourStartingAndEndingOnOneCurveIsMatchedByEveryKind)
{
    for (i32 kind : {CNT_CLOSED, CNT_SOLID_LOOP, CNT_SOLID, CNT_OPEN}) {
        SCOPED_TRACE(kind);
        fresh();
        CNTLST = ContourList{};
        const i32 a = line(0, 0, 4, 0), b = line(4, 0, 4, 4);
        // closed: out along a, up b, back along a; open: on to (10, 10), a again
        std::vector<i32> d = kind == CNT_OPEN ? std::vector<i32>{4, 0, a, 0, b, 0, line(4, 4, 10, 10), 0, a, 0}
                                              : std::vector<i32>{3, 0, a, 0, b, 0, a, 1};
        ASSERT_EQ(dfdgoc(d.data()), kind == CNT_OPEN ? 0 : 1);
        const i32 k = pk_place(d);
        CNTLST.kind[k] = kind;
        CNTLST.order[k] = 1;
        CNTLST.selected[k] = 1;
        norak::set_crit_contours({std::vector<i32>(d.begin() + 2, d.end())});
        i32 changed = -1;
        if (kind == CNT_OPEN) {
            get_crit_contours(1, changed);
        } else {
            cntset_by_crit(changed);
        }
        EXPECT_EQ(changed, 0);
        EXPECT_EQ(CNTLST.count, 1);
    }
}

TEST(ContourLists, LoadingGathersTheSurfacesEachLoopBoundsAndKeepingOneDropsTheOthers)
{
    fresh();
    // two patches within the square at 20, one within the square at 0
    norak::load_session_text(R"({"entities": [
        {"kind": "plane_patch", "id": 1, "origin": [1, 1, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 2], "v": [0, 2]},
        {"kind": "plane_patch", "id": 2, "origin": [21, 1, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 2], "v": [0, 2]},
        {"kind": "plane_patch", "id": 3, "origin": [22, 2, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 1], "v": [0, 1]}]})");
    CNTLST = ContourList{};
    pk_place(square_def(0, 0, 4));
    pk_place(square_def(20, 0, 4));
    i32 changed = -1;
    cntset_load(1, changed);
    EXPECT_EQ(changed, 0);
    i32 len = 0;
    sllen(len);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(CNTLST.first[0], 0);
    EXPECT_EQ(CNTLST.last[0], 0);
    EXPECT_EQ(CNTLST.first[1], 1);
    EXPECT_EQ(CNTLST.last[1], 2);
    EXPECT_EQ(CNTLST.order[1], 2);  // a line stands for one contour
    cntset_keep(1);
    sllen(len);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(CNTLST.last[0], CNTLST.first[0] - 1);
    EXPECT_EQ(CNTLST.first[1], 0);
    EXPECT_EQ(CNTLST.last[1], 1);
    // the loops come from the procedure geometry's entries (here the two
    // squares the other way round); an element naming a face of two loops
    // makes a closed contour whose order number steps by two
    norak::load_session_text(R"({"entities": [
        {"kind": "plane_patch", "id": 90, "origin": [100, 0, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 9], "v": [0, 9],
         "loops": [{"points": [[1, 1], [8, 1], [8, 8], [1, 8]]}, {"points": [[3, 3], [4, 3], [4, 4], [3, 4]]}]},
        {"kind": "plane_patch", "id": 91, "origin": [60, 0, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 2], "v": [0, 2]}]})");
    slclr();
    CNTLST = ContourList{};
    // the last one's entry is a single circle, about the patch at 60
    const std::vector<i32> s0 = square_def(0, 0, 4), s20 = square_def(20, 0, 4), face{1, 0, 90, 0}, s40 = square_def(40, 0, 4);
    const f64 centre[3] = {61, 1, 0}, up[3] = {0, 0, 1};
    i32 cid = 0, st = 0;
    crarc(centre, up, 3.0, 0.0, 360.0, cid, st);
    ASSERT_EQ(st, 0);
    const std::vector<i32> ring{1, 0, cid, 0};
    i32 g = 0;
    for (const auto* d : {&s0, &s20, &face, &s40}) pk_place(*d);
    for (const auto* d : {&s20, &s0, &face, &ring})
        for (i32 w : *d) CNTLST.geom[g++] = w;
    cntset_load(1, changed);
    EXPECT_EQ(CNTLST.first[0], 0);
    EXPECT_EQ(CNTLST.last[0], 1);  // the two patches within the square at 20
    EXPECT_EQ(CNTLST.first[1], 2);
    EXPECT_EQ(CNTLST.last[1], 2);
    EXPECT_EQ(CNTLST.last[2], CNTLST.first[2] - 1);
    EXPECT_EQ(CNTLST.first[3], 3);
    EXPECT_EQ(CNTLST.last[3], 3);
    EXPECT_EQ(CNTLST.kind[2], CNT_CLOSED);
    EXPECT_EQ(std::vector<i32>(CNTLST.order, CNTLST.order + 4), (std::vector<i32>{1, 2, 3, 5}));
    set_contour_kinds();
    EXPECT_EQ(CNTLST.kind[2], CNT_SOLID_LOOP);  // no direction: a face's loops
}
