// The area clearing around the offset driver: the set-up of contours and
// parameters, the stack of saved states of nested clearings, the sizing of
// the main arrays, and the output of cut tours as float polygons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "cleanup/clrarea.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "pocket/clrpok.h"
#include "pocket/pkdebug.h"
#include "pocket/pokmain.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

std::vector<f32> rect(f32 x0, f32 y0, f32 w, f32 h)
{
    return {x0, y0, x0 + w, y0, x0 + w, y0 + h, x0, y0 + h, x0, y0};
}

// Everything a nested clearing may not change, as bytes.
std::vector<unsigned char> snapshot()
{
    std::vector<unsigned char> s;
    auto put = [&](const void* p, size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        s.insert(s.end(), b, b + n);
    };
    put(&pokpar, sizeof pokpar);
    put(&pkoff, sizeof pkoff);
    put(&clr_contab, sizeof clr_contab);
    put(pokorigin, sizeof pokorigin);
    put(pk_boxmax, sizeof pk_boxmax);
    put(&pk_extent, sizeof pk_extent);
    put(&pokdim, sizeof pokdim);
    put(&lup_count, sizeof lup_count);
    for (i32 k = 1; k <= lup_count + 1; ++k) {
        LupRow r = lup_row(k);
        r.box = 0;
        put(&r, sizeof r);
    }
    for (i32 k = 1; k <= clr_contab.start[clr_contab.count + 1] - 1; ++k) {
        f64 p[3] = {0, 0, 0};
        pokmain_point(k, p);
        put(p, sizeof p);
    }
    return s;
}

// Sets up an outer clearing: three contours stored, two rows registered.
void outer_clearing()
{
    const f32 allow[3] = {0.5f, 0.25f, 0.125f};
    i32 st = 0;
    clr_set_params(1, 1, 0.3f, 2.0f, 3, allow, st);
    ASSERT_EQ(st, 0);
    std::vector<f32> o = rect(10, 20, 30, 50), i1 = rect(15, 25, 5, 5), i2 = rect(25, 40, 5, 5);
    clr_add_contour(1, 5, o.data(), st);
    clr_add_contour(0, 5, i1.data(), st);
    clr_add_contour(0, 5, i2.data(), st);
    ASSERT_EQ(st, 0);
    POKCPY(1000, 1, 15, st);
    ASSERT_EQ(st, 0);
    pokarr a = make(square(1, 1, 4));
    i32 start = 0;
    lup_add(1, 1, 0, 0, 0, 2.0, 0, a, start, st);
    lup_add(1, 10001, 0, 0, 0, 1.0, 0, a, start, st);
    pokarr_free(a);
}

}  // namespace

TEST(ClearingSetUp, ContoursKeysBoxAndParameters)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    outer_clearing();
    EXPECT_EQ(pokpar.cut_mode, 1);
    EXPECT_EQ(pokdim, 2);
    EXPECT_NEAR(pokpar.end_val, 0.3, 1e-7);
    EXPECT_DOUBLE_EQ(pokpar.side, 2.0);
    EXPECT_DOUBLE_EQ(pokpar.allow[0], 0.5);
    EXPECT_DOUBLE_EQ(pokpar.allow[10000], 0.25);
    EXPECT_DOUBLE_EQ(pokpar.allow[10001], 0.125);
    EXPECT_EQ(clr_contab.count, 3);
    EXPECT_EQ(clr_contab.key[1], 1);
    EXPECT_EQ(clr_contab.key[2], 10001);
    EXPECT_EQ(clr_contab.key[3], 10002);
    EXPECT_EQ(clr_contab.start[2], 6);
    EXPECT_EQ(clr_contab.start[4], 16);
    EXPECT_EQ(clr_contab.islands, 2);
    EXPECT_EQ(clr_contab.header[0], 0);
    EXPECT_EQ(clr_contab.header[1], 2);
    EXPECT_EQ(clr_contab.header[2], 1);
    // the fixed words of the set-up, as the offset driver expects them
    EXPECT_EQ(pokpar.drv_sw2[0], 1);
    EXPECT_EQ(pokpar.drv_sw2[1], 0);
    EXPECT_EQ(pokpar.drv_sw3[2], -1);
    EXPECT_DOUBLE_EQ(pokpar.angle, 90.0);
    EXPECT_DOUBLE_EQ(pokpar.approach_dist, 1.0);
    EXPECT_EQ(pokpar.keep_isl_dir, 1);
    EXPECT_DOUBLE_EQ(pokpar.radius, 5.0);  // half the tool's diameter
    EXPECT_DOUBLE_EQ(pokorigin[0], 10.0);
    EXPECT_DOUBLE_EQ(pokorigin[1], 20.0);
    EXPECT_DOUBLE_EQ(pk_extent, 50.0);  // taller than wide
    f64 p[3];
    pokmain_point(12, p);  // the second island's second point, past the rows
    EXPECT_DOUBLE_EQ(p[0], 30.0 - 10.0);
    EXPECT_DOUBLE_EQ(p[1], 40.0 - 20.0);
    EXPECT_DOUBLE_EQ(p[2], 0.0);
    // an island handed over with no outer contour before it goes on from
    // the contours stored: the next row, key and point index, the stored
    // points and the origin left as they were
    i32 st = 0;
    std::vector<f32> i3 = rect(12, 22, 2, 2);
    clr_add_contour(0, 5, i3.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(clr_contab.count, 4);
    EXPECT_EQ(clr_contab.key[4], 10003);
    EXPECT_EQ(clr_contab.start[4], 16);
    EXPECT_EQ(clr_contab.start[5], 21);
    POKCPY(1000, 1, 20, st);
    pokmain_point(12, p);
    EXPECT_DOUBLE_EQ(p[0], 30.0 - 10.0);
    pokmain_point(16, p);
    EXPECT_DOUBLE_EQ(p[0], 12.0 - 10.0);
    EXPECT_DOUBLE_EQ(pokorigin[0], 10.0);
    // the other cut modes
    const f32 al[1] = {0.0f};
    clr_set_params(0, 0, 0.3f, 1.0f, 1, al, st);
    EXPECT_EQ(pokpar.cut_mode, -1);
    EXPECT_DOUBLE_EQ(pokpar.end_val, 0.0);
    clr_set_params(2, 0, 0.3f, 1.0f, 1, al, st);
    EXPECT_EQ(pokpar.cut_mode, -2);
    // more contours than the input table takes: the set-up writes nothing
    // past the allowance table, and the contour beyond it is refused
    const std::vector<f32> many(PK_MAXCONT + 6, 1.0f);
    pokpar.small_val = 7.5;
    clr_set_params(0, 0, 0.0f, 1.0f, PK_MAXCONT + 6, many.data(), st);
    EXPECT_DOUBLE_EQ(pokpar.small_val, 7.5);
    EXPECT_DOUBLE_EQ(pokpar.allow[10000 + PK_MAXCONT - 2], 1.0);
    std::vector<f32> o = rect(0, 0, 1, 1);
    for (i32 k = 0; k < PK_MAXCONT && st == 0; ++k) clr_add_contour(k == 0 ? 1 : 0, 5, o.data(), st);
    EXPECT_EQ(st, 0);
    clr_add_contour(0, 5, o.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: CLR_ADD_CONTOUR, NUMBER OF CONTOURS IS LIMITED TO 16666"));
    EXPECT_EQ(clr_contab.count, PK_MAXCONT);
    // a new outer contour turns the pocket's drawings off
    pkdbg_set(1);
    clr_add_contour(1, 5, o.data(), st);
    pokarr sq = make(square(0, 0, 1));
    EXPECT_EQ(pokarr_draw(sq), 0);
    pokarr_free(sq);
}

TEST(ClearingSetUp, NestedClearingsLeaveTheOuterStateAsItWas)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    // the clearing alone, for its output
    std::vector<f32> pts = rect(100, 100, 20, 20);
    std::vector<f32> isl = rect(105, 105, 2, 2);
    pts.insert(pts.end(), isl.begin(), isl.end());
    const i32 counts[2] = {5, 5};
    const f32 allow[2] = {0.5f, 0.5f};
    i32 alone_n = 10, alone_c[10];
    std::vector<f32> alone(14000);
    i32 st = 0;
    clrpok(0, 0, 1.0f, 1.0f, 2, counts, pts.data(), allow, alone_n, alone_c, alone.data(), st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(alone_n, 2);
    clr_save_state(1);
    outer_clearing();
    pokarr held;
    pokarr_init_dyn(2, 50, held, st);  // a pool buffer the outer clearing holds
    for (i32 k = 0; k < 50; ++k) held.x[k] = held.y[k] = k;
    held.count = 50;
    const std::vector<unsigned char> before = snapshot();
    const i32 taken = pkdm_in_use();
    // two clearings, one inside the other, each with its own contours
    clr_save_state(1);
    const f32 none[2] = {0.0f, 0.0f};
    clr_set_params(0, 0, 0.0f, 1.0f, 2, none, st);
    std::vector<f32> o = rect(0, 0, 8, 8);
    clr_add_contour(1, 5, o.data(), st);
    pokarr own;
    pokarr_init_dyn(2, 20, own, st);
    i32 nloops = 10, lc[10];
    std::vector<f32> lp(14000);
    clrpok(0, 0, 1.0f, 1.0f, 2, counts, pts.data(), allow, nloops, lc, lp.data(), st);
    // the nested clearing writes what the clearing alone wrote
    ASSERT_EQ(st, 0);
    ASSERT_EQ(nloops, alone_n);
    EXPECT_EQ(std::memcmp(lc, alone_c, sizeof(i32) * 2), 0);
    EXPECT_EQ(std::memcmp(lp.data(), alone.data(), sizeof(f32) * 2 * static_cast<size_t>(lc[0] + lc[1])), 0);
    EXPECT_EQ(clr_save_depth(), 2);
    // a nested clearing that fails (a loop table of one for two loops:
    // -10, the loop written in full kept) leaves the state as it was too
    i32 one = 1, lc1[1] = {0};
    clrpok(0, 0, 1.0f, 1.0f, 2, counts, pts.data(), allow, one, lc1, lp.data(), st);
    EXPECT_EQ(st, -10);
    EXPECT_EQ(one, 1);
    EXPECT_EQ(lc1[0], alone_c[0]);
    EXPECT_EQ(clr_save_depth(), 2);
    clr_save_state(2);  // the inner one ends without freeing its array
    EXPECT_EQ(clr_save_depth(), 1);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(pkdm_in_use(), taken);
    for (i32 k = 0; k < 50; ++k) EXPECT_EQ(held.x[k], k);
    pokarr_free(held);
    clr_save_state(2);
    EXPECT_EQ(clr_save_depth(), 0);
    pkdm_rel_all();
}

TEST(ClearingSetUp, SizingRefusesWhatCannotBeSized)
{
    fresh();
    const f32 allow[1] = {0.0f};
    i32 st = 0;
    clr_set_params(0, 0, 0.0f, 0.0f, 1, allow, st);
    pokpar.radius = 0.0;  // no tool and no side step
    std::vector<f32> o = rect(0, 0, 10, 10);
    clr_add_contour(1, 5, o.data(), st);
    cmtpk1(0, st);
    EXPECT_EQ(st, CMT_NO_SIZE);
    EXPECT_TRUE(norak::transcript_has("internal: [cmtpk1] NO TOOL RADIUS OR SIDE STEP TO SIZE THE POCKET"));
    // a tool far too small for the pocket: the estimate would overflow
    pokpar.radius = 1e-12;
    cmtpk1(0, st);
    EXPECT_EQ(st, CMT_NO_SIZE);
    EXPECT_TRUE(norak::transcript_has("internal: [cmtpk1] POCKET TOO LARGE FOR THE TOOL"));
    // a sound pocket: 10 / 2 x 2 x 12 = 120 gives 1000 points
    pokpar.radius = 2.0;
    pk_capacity = 0;
    cmtpk1(0, st);
    EXPECT_EQ(cmt_capacity(), 1000);
    // through the clearing (no milling tool, no side value): -1, no loops,
    // and no buffer of the pool left
    fresh();
    CURTOL = 0;
    std::vector<f32> pts = rect(0, 0, 20, 20);
    const i32 counts[1] = {5};
    i32 nloops = 5, lc[5] = {9, 9, 9, 9, 9};
    std::vector<f32> lp(14000);
    clrpok(0, 0, 0.0f, 0.0f, 1, counts, pts.data(), allow, nloops, lc, lp.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(nloops, 0);
    EXPECT_EQ(lc[0], 0);
    EXPECT_EQ(pkdm_entries(), 0);
    EXPECT_EQ(clr_save_depth(), 0);
    // loops of more than the 7000 points the output holds (a ring between
    // two circles of 3600 corners): -11 from the output reaches the caller
    // as -1
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    std::vector<f32> ring;
    for (const f32 r : {1000.0f, 500.0f})
        for (i32 k = 0; k <= 3600; ++k) {
            const f64 t = 2 * M_PI * (k % 3600) / 3600 * (r > 600 ? 1 : -1);
            ring.insert(ring.end(), {static_cast<f32>(r * std::cos(t)), static_cast<f32>(r * std::sin(t))});
        }
    const i32 two[2] = {3601, 3601};
    const f32 half[2] = {0.5f, 0.5f};
    nloops = 5;
    clrpok(0, 0, 0.01f, 0.01f, 2, two, ring.data(), half, nloops, lc, lp.data(), st);
    EXPECT_EQ(st, -1);
    ASSERT_EQ(nloops, 1);  // the loop written in full stands
    EXPECT_GT(lc[0], 3500);
    EXPECT_EQ(pkdm_entries(), 0);
    EXPECT_EQ(clr_save_depth(), 0);
    // each of the first allocations of a clearing refused in turn (the
    // contour store's among them): a failure is -1 with no loops, and the
    // pool is emptied and the state restored either way
    i32 refused = 0;
    for (i32 fail = 1; fail <= 6; ++fail) {
        fresh();
        tooldefs::use_mill(10.0f, 0.0f);
        nloops = 5;
        lc[0] = 9;
        norak::fail_alloc_after(fail);
        clrpok(0, 0, 1.0f, 1.0f, 1, counts, pts.data(), allow, nloops, lc, lp.data(), st);
        norak::fail_alloc_after(0);
        if (st != 0) {
            ++refused;
            EXPECT_EQ(st, -1) << fail;
            EXPECT_EQ(nloops, 0) << fail;
            EXPECT_EQ(lc[0], 0) << fail;
        } else {
            EXPECT_GT(nloops, 0) << fail;
        }
        EXPECT_EQ(pkdm_entries(), 0) << fail;
        EXPECT_EQ(clr_save_depth(), 0) << fail;
    }
    EXPECT_GT(refused, 0);
}

TEST(ClearingOutput, CutToursAsFloatPolygons)
{
    fresh();
    pokorigin[0] = 100.0;
    pokorigin[1] = 200.0;
    i32 st = 0, start = 0;
    pokarr a = make(square(0, 0, 4));
    lup_add(1, 1, 0, 0, 0, 0.0, 0, a, start, st);  // an offset loop: not output
    clr_cut_mark = 2;
    lup_add(1, 1, 1, 1, 1, 0.0, 0, a, start, st);  // a tour of a first offset
    lup_add(2, 1, 1, 1, 1, 0.0, 0, a, start, st);  // a later offset: not output
    Loop arcs;
    arcs.pt(10, 0).arc(0, 10, 0, 0, 1).pt(0, 0).close();  // a quarter circle of radius 10
    pokarr b = make(arcs);
    lup_add(1, 2, 1, 1, 1, 0.0, 0, b, start, st);
    lup_add_ref(0, 9999, 0, st);
    std::vector<f32> pts(7000 * 2);
    i32 counts[4], npol = 4;
    clr_output(0.01f, 7000, pts.data(), npol, counts, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(npol, 2);
    // the last row first, its points from the last back
    const i32 chords = static_cast<i32>(std::ceil((M_PI / 2) / (2 * std::acos(1 - 0.01 / 10))));
    EXPECT_EQ(counts[0], 3 + chords);
    EXPECT_FLOAT_EQ(pts[0], 110.0f);  // the closing point (10, 0), in world coordinates
    EXPECT_FLOAT_EQ(pts[1], 200.0f);
    EXPECT_FLOAT_EQ(pts[2], 100.0f);  // then (0, 0)
    EXPECT_FLOAT_EQ(pts[4], 100.0f);  // then (0, 10), the arc's end
    EXPECT_FLOAT_EQ(pts[5], 210.0f);
    for (i32 k = 3; k <= 1 + chords; ++k) {
        const f32 x = pts[2 * k] - 100.0f, y = pts[2 * k + 1] - 200.0f;
        EXPECT_NEAR(std::hypot(x, y), 10.0, 1e-4);
        EXPECT_GT(x, pts[2 * k - 2] - 100.0f);  // turning back towards (10, 0)
    }
    EXPECT_EQ(counts[1], 5);  // the square, closed
    // no room: -10; too many points: -11
    npol = 1;
    clr_output(0.01f, 7000, pts.data(), npol, counts, st);
    EXPECT_EQ(st, -10);
    // room for the first polygon and two points more: the square is
    // counted with the two points written; exactly full: no failure
    npol = 4;
    clr_output(0.01f, 3 + chords + 2, pts.data(), npol, counts, st);
    EXPECT_EQ(st, -11);
    ASSERT_EQ(npol, 2);
    EXPECT_EQ(counts[0], 3 + chords);
    EXPECT_EQ(counts[1], 2);
    npol = 4;
    clr_output(0.01f, 3 + chords + 5, pts.data(), npol, counts, st);
    EXPECT_EQ(st, 0);
    // a taken row that cannot be read back (the main arrays gone): -1
    PokMainState gone;
    pokmain_take(gone);
    npol = 4;
    clr_output(0.01f, 7000, pts.data(), npol, counts, st);
    EXPECT_EQ(st, -1);
    pokmain_give(gone, st);
    // an arc of radius below half the tolerance: one chord, no failure
    fresh();
    clr_cut_mark = 1;
    Loop tiny;
    tiny.pt(0.001, 0).arc(-0.001, 0, 0, 0, 1).pt(0, -5).close();
    pokarr c = make(tiny);
    lup_add(1, 1, 0, 0, 0, 0.0, 0, c, start, st);
    npol = 4;
    clr_output(0.01f, 7000, pts.data(), npol, counts, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(counts[0], 4);
    for (i32 k = 0; k < 2 * counts[0]; ++k) EXPECT_TRUE(std::isfinite(pts[k]));
    // nothing cut: status 1
    clr_cut_mark = 0;
    clr_output(0.01f, 7000, pts.data(), npol, counts, st);
    EXPECT_EQ(st, 1);
    for (pokarr* p : {&a, &b, &c}) pokarr_free(*p);
}

namespace {

// The polygons of a clearing: areas (signed, shoelace) of each.
struct Cleared {
    i32 status = 0, n = 0;
    std::vector<f64> areas;
    std::vector<std::vector<P>> polys;
};

Cleared clear(const std::vector<std::vector<f32>>& contours, const std::vector<f32>& allow, i32 mode = 0)
{
    std::vector<f32> pts;
    std::vector<i32> counts;
    for (const auto& c : contours) {
        pts.insert(pts.end(), c.begin(), c.end());
        counts.push_back(static_cast<i32>(c.size() / 2));
    }
    Cleared r;
    r.n = 20;
    std::vector<i32> lc(20);
    std::vector<f32> lp(14000);
    clrpok(mode, 0, 2.0f, 2.0f, static_cast<i32>(contours.size()), counts.data(), pts.data(), allow.data(), r.n,
           lc.data(), lp.data(), r.status);
    i32 at = 0;
    for (i32 k = 0; k < r.n; ++k) {
        std::vector<P> p;
        for (i32 j = 0; j < lc[static_cast<size_t>(k)]; ++j, ++at)
            p.push_back({lp[static_cast<size_t>(2 * at)], lp[static_cast<size_t>(2 * at + 1)]});
        if (!p.empty() && (p.front().x != p.back().x || p.front().y != p.back().y)) p.push_back(p.front());
        r.areas.push_back(static_cast<f64>(shoelace(p)));
        r.polys.push_back(p);
    }
    return r;
}

}  // namespace

TEST(ClearingRoad, LevelOneLoopsAreTheAllowancesOffsets)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    Geos g;
    // an island apart from the wall: the outer contour's offset and the
    // island's, each by its own allowance
    Cleared c = clear({rect(0, 0, 100, 100), rect(40, 40, 20, 20)}, {1.0f, 2.0f});
    ASSERT_EQ(c.status, 0);
    ASSERT_EQ(c.n, 2);
    std::vector<f64> a = c.areas;
    std::sort(a.begin(), a.end(), [](f64 p, f64 q) { return std::fabs(p) < std::fabs(q); });
    EXPECT_NEAR(std::fabs(a[0]), 24.0 * 24.0, 1e-2);
    EXPECT_NEAR(std::fabs(a[1]), 98.0 * 98.0, 1e-2);
    EXPECT_EQ(pkdm_entries(), 0);  // the pool is empty after the clearing
    // an island whose offset reaches the wall: one loop, the outer offset
    // less the island's, as GEOS has it
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    c = clear({rect(0, 0, 100, 100), rect(85, 40, 10, 20)}, {2.0f, 4.0f});
    ASSERT_EQ(c.status, 0);
    ASSERT_EQ(c.n, 1);
    GEOSGeometry* outer = g.polygon({{2, 2}, {98, 2}, {98, 98}, {2, 98}, {2, 2}});
    GEOSGeometry* isl = g.polygon({{81, 36}, {99, 36}, {99, 64}, {81, 64}, {81, 36}});
    GEOSGeometry* want = GEOSDifference_r(g.h, outer, isl);
    GEOSGeometry* got = g.polygon(c.polys[0]);
    GEOSGeometry* x = GEOSSymDifference_r(g.h, want, got);
    EXPECT_LT(g.area(x), 1e-3);
    for (GEOSGeometry* q : {outer, isl, want, got, x}) g.free(q);
    EXPECT_EQ(pkdm_entries(), 0);
}

TEST(ClearingRoad, OuterInsideAnIslandAndTooSmallPockets)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    // through the clearing (kind 1): nothing to clear, no loops, no message
    Cleared c = clear({rect(40, 40, 20, 20), rect(0, 0, 100, 100)}, {0.0f, 0.0f});
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.n, 0);
    EXPECT_FALSE(norak::transcript_has("message: THE POCKET OUTER CONTOUR CONTAINED WITHIN THE ISLAND CONTOUR"));
    // through the pocket computation with kind 0: status 17 and the message
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const f32 allow[2] = {0.0f, 0.0f};
    i32 st = 0;
    clr_save_state(1);
    clr_set_params(0, 0, 0.0f, 2.0f, 2, allow, st);
    std::vector<f32> o = rect(40, 40, 20, 20), i = rect(0, 0, 100, 100);
    clr_add_contour(1, 5, o.data(), st);
    clr_add_contour(0, 5, i.data(), st);
    cmtpk1(0, st);
    EXPECT_EQ(st, 17);
    EXPECT_TRUE(norak::transcript_has("message: THE POCKET OUTER CONTOUR CONTAINED WITHIN THE ISLAND CONTOUR"));
    clr_save_state(2);
    // a pocket too small for its allowance: success with nothing written
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    c = clear({rect(0, 0, 1, 1)}, {0.6f});
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.n, 0);
    EXPECT_EQ(pkdm_entries(), 0);
    // too small with an end value not in force: the host's message (41, or
    // 50 cutting from the inside out) with the small value
    for (i32 mode : {0, 1}) {
        fresh();
        tooldefs::use_mill(10.0f, 0.0f);
        const f32 al[1] = {0.6f};
        clr_save_state(1);
        clr_set_params(mode, 1, 0.3f, 2.0f, 1, al, st);
        pokpar.small_val = 0.25;
        std::vector<f32> s = rect(0, 0, 1, 1);
        clr_add_contour(1, 5, s.data(), st);
        clr_clean_area(21, st);  // kind 1: past the host's calculation flag
        EXPECT_EQ(st, 17);
        EXPECT_TRUE(norak::transcript_has(mode == 1 ? "host message 331/50" : "host message 331/41")) << mode;
        EXPECT_TRUE(norak::transcript_has("0.2500")) << mode;
        clr_save_state(2);
    }
}

TEST(ClearingRoad, LaterLevelsStepByTheSideStep)
{
    // a cut mode other than the clearing's makes levels until nothing is
    // left: a square of 50 with the tool's radius as the first distance,
    // then steps of 4, each a square 8 smaller
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const f32 allow[1] = {0.0f};
    i32 st = 0;
    clr_save_state(1);
    clr_set_params(0, 0, 0.0f, 0.01f, 1, allow, st);
    pokpar.cut_mode = 5;
    pokpar.extra = 5.0;
    pokpar.radius = 4.0;
    std::vector<f32> o = rect(0, 0, 50, 50);
    clr_add_contour(1, 5, o.data(), st);
    cmtpk1(0, st);
    ASSERT_EQ(st, 0);
    std::vector<f64> sides;
    for (i32 r = 1; r < clr_cut_mark; ++r) {
        if (lup_row(r).key != 1 || lup_row(r).subkey == 0 || lup_row(r).subkey < -100) continue;
        pokarr w;
        pokarr_init(2, w);
        lup_get_pokarr(r, w, st);
        if (w.count > 0) {
            EXPECT_DOUBLE_EQ(lup_row(r).value, sides.empty() ? 5.0 : 4.0);
            sides.push_back(std::sqrt(std::fabs(signed_area(w))));
        }
        pokarr_free(w);
    }
    ASSERT_EQ(sides.size(), 5u);  // 40, 32, 24, 16, 8
    for (size_t k = 0; k < sides.size(); ++k) EXPECT_NEAR(sides[k], 40.0 - 8.0 * k, 1e-6);
    clr_save_state(2);
}

TEST(ClearingRoad, ChainsEndWithKey9999AndEndRowsCarryTheirSubKey)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const f32 allow[2] = {1.0f, 1.0f};
    i32 st = 0;
    clr_save_state(1);
    clr_set_params(0, 0, 0.0f, 2.0f, 2, allow, st);
    std::vector<f32> o = rect(0, 0, 50, 50), i = rect(20, 20, 5, 5);
    clr_add_contour(1, 5, o.data(), st);
    clr_add_contour(0, 5, i.data(), st);
    cmtpk1(1, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(clr_cut_mark, 1);
    // end rows of the offsets: sub-key -(sub-key + 1)
    i32 ends = 0;
    for (i32 r = 1; r < clr_cut_mark; ++r)
        if (lup_row(r).key == 1 && lup_row(r).subkey == -2) ++ends;
    EXPECT_EQ(ends, 1);
    // after the cutting: tours, each chain closed by a row of key 9999
    i32 tours = 0, chains = 0;
    for (i32 r = clr_cut_mark; r <= lup_count; ++r) {
        if (lup_row(r).key == 9999)
            ++chains;
        else
            ++tours;
    }
    EXPECT_EQ(tours, 2);
    EXPECT_EQ(chains, 2);
    EXPECT_EQ(lup_row(lup_count).key, 9999);
    clr_save_state(2);
}

TEST(ClearingRoad, AnIslandDroppedAtLoadingLeavesTheOthersTheirAllowances)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const std::vector<f32> flat = {10, 10, 10.0001f, 10, 12, 10, 10, 10};  // nothing left of it
    Cleared c = clear({rect(0, 0, 100, 100), flat, rect(40, 40, 20, 20), rect(70, 70, 10, 10)},
                      {0.0f, 5.0f, 3.0f, 1.0f});
    ASSERT_EQ(c.status, 0);
    ASSERT_EQ(c.n, 3);
    std::vector<f64> a;
    for (f64 v : c.areas) a.push_back(std::fabs(v));
    std::sort(a.begin(), a.end());
    EXPECT_NEAR(a[0], 12.0 * 12.0, 1e-2);  // the last island by its 1
    EXPECT_NEAR(a[1], 26.0 * 26.0, 1e-2);  // the middle one by its 3
    EXPECT_NEAR(a[2], 100.0 * 100.0, 1e-2);
}

TEST(ClearingRoad, ARerunOfTheRunKeepsTheIslandsAllowances)
{
    // an island dropped at load, six after it; an end point the run cannot
    // use with the end mode that reruns without it: the contours are loaded
    // a second time, and every island keeps its own allowance
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    std::vector<std::vector<f32>> cs = {rect(0, 0, 100, 100), {10, 10, 10.0001f, 10, 12, 10, 10, 10}};
    std::vector<f32> allow = {0.0f, 5.0f};
    for (i32 k = 1; k <= 6; ++k) {
        cs.push_back(rect(f32(14 * k), 50, 4, 4));
        allow.push_back(0.1f * f32(k));
    }
    i32 st = 0;
    clr_save_state(1);
    clr_set_params(1, 0, 0.0f, 2.0f, 8, allow.data(), st);
    for (size_t k = 0; k < cs.size(); ++k)
        clr_add_contour(k == 0 ? 1 : 0, static_cast<i32>(cs[k].size() / 2), cs[k].data(), st);
    ASSERT_EQ(st, 0);
    pkoff.end_mode = 2;
    pkoff.start[0] = pkoff.start[1] = 5.0e6;
    cmtpk1(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pkoff.end_mode, 0);  // the rerun without the end point
    for (i32 k = 1; k <= 6; ++k) EXPECT_FLOAT_EQ(static_cast<f32>(pokpar.allow[10000 + k - 1]), 0.1f * f32(k)) << k;
    clr_save_state(2);
}
