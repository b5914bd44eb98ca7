// The entry moves of the pocket cutting (rounded descents, straight moves,
// the full approach) written and read back, the entry list and mode word;
// pieces carried onto the part surfaces with the tool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "cleanup/lansrf.h"
#include "cleanup/pkentry.h"
#include "cleanup/pknear.h"
#include "cleanup/twlst.h"
#include "core/modflg.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "passes/retract.h"
#include "passes/updown.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

// The heights and entry words of the tests, on an empty tool path.
void entry_words()
{
    empty_path();
    std::memset(HEI8, 0, sizeof HEI8);
    HEI8[HEI8_CLEARANCE] = r2wrd(50.0f);
    HEI8[HEI8_ZMIN] = r2wrd(-1.0e11f);
    HEI8[HEI8_RETRACT] = 1;
    pokpar.entry_height = 0.0;
    pokpar.entry_base = 0.0;
    pokpar.approach_dist = 1.0;
    pokpar.clear_extra = 0.0;
    pokpar.small_val = 0.0;
    pokpar.drv_sw3[2] = -1;
    pokdim = 2;
}

void entry_fresh()
{
    fresh();
    entry_words();
}

f64 ramp_z(f64 a, f64 z, f64 H) { return z + (1.0 - std::sqrt(1.0 - a * a)) * H; }

}  // namespace

TEST(EntryMoves, RampPointsHeightsAndTheirMoves)
{
    entry_fresh();
    pokpar.entry_height = 2.0;
    const f64 P[3] = {0.0, 0.0, 5.0}, Q[3] = {9.0, 0.0, 1.0};
    f64 pts[30];
    i32 n = 0, st = -1;
    pkentry_ramp(P, Q, n, pts, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(n, 10);
    for (i32 i = 0; i < n; ++i) {
        EXPECT_NEAR(pts[3 * i], i, 1e-12);
        EXPECT_NEAR(pts[3 * i + 2], ramp_z((9.0 - i) / 9.0, 1.0, 2.0), 1e-12);
    }
    EXPECT_NEAR(pts[2], 3.0, 1e-12);  // H above the target
    const f64 below[3] = {9.0, 0.0, 7.0};
    pkentry_ramp(below, Q, n, pts, st);
    EXPECT_EQ(n, 3);  // straight above the target
    EXPECT_NEAR(pts[2], 3.0, 1e-12);
    EXPECT_NEAR(pts[5], ramp_z(0.5, 1.0, 2.0), 1e-12);
    // the descent with the marker form (12): the ramp's points moved
    // through, the entry marker, the target last
    i32 v = 12;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    auto m = lines_written();
    ASSERT_EQ(m.size(), 10u);
    for (i32 i = 0; i < 10; ++i) {
        EXPECT_NEAR(m[static_cast<size_t>(i)][0], i, 1e-5);
        EXPECT_NEAR(m[static_cast<size_t>(i)][2], ramp_z((9.0 - i) / 9.0, 1.0, 2.0), 1e-5);
    }
    EXPECT_EQ(pk_entry_mode, 10);
    bool marker = false;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 3 && e.words[0] == 99) marker = true;
    EXPECT_TRUE(marker);
    // leaving with the rounded form (21): the tool rises from P to H above
    // P at Q's x, y, the ramp walked backwards
    empty_path();
    v = 21;
    pkentry(v, 3, P, Q, st);
    m = lines_written();
    ASSERT_EQ(m.size(), 10u);
    EXPECT_NEAR(m.front()[0], 0.0, 1e-5);
    EXPECT_NEAR(m.front()[2], 5.0, 1e-5);
    EXPECT_NEAR(m.back()[0], 9.0, 1e-5);
    EXPECT_NEAR(m.back()[2], 7.0, 1e-5);
}

TEST(EntryMoves, StraightMovesApproachListAndMode)
{
    entry_fresh();
    const f64 P[3] = {1.0, 2.0, 0.0}, Q[3] = {4.0, 6.0, 0.0};
    // without a height: kind 1 one move to Q, kind 2 a move to P then to Q
    i32 v = 1, st = -1;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    auto m = lines_written();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_NEAR(m[0][0], 4.0, 1e-6);
    // the entry's moves are three-axis lines even with the tool shown
    // (lines that would carry a normal otherwise)
    empty_path();
    const i32 shown = PRM9[PRM9_SHOWTOOL];
    PRM9[PRM9_SHOWTOOL] = 1;
    pkentry(v, 3, P, Q, st);
    PRM9[PRM9_SHOWTOOL] = shown;
    EXPECT_EQ(lines_written().size(), 1u);
    empty_path();
    v = 2;
    pkentry(v, 3, P, Q, st);
    m = lines_written();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0][1], 2.0, 1e-6);
    EXPECT_NEAR(m[1][1], 6.0, 1e-6);
    // stage 2 puts both points at small_val
    empty_path();
    pokpar.small_val = 0.75;
    pkentry(v, 2, P, Q, st);
    m = lines_written();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0][2], 0.75, 1e-6);
    EXPECT_NEAR(m[1][2], 0.75, 1e-6);
    pokpar.small_val = 0.0;
    // the full approach from elsewhere (retracting through the clearance
    // plane): over to 1 above the entry point, down to it at feed code 3,
    // then on to Q; the link is done
    empty_path();
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(k == 2 ? 20.0f : 30.0f);
    pk_link_done = 0;
    v = 3;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pk_link_done, 1);
    m = lines_written();
    ASSERT_GE(m.size(), 2u);
    EXPECT_NEAR(m[m.size() - 2][0], 1.0, 1e-6);
    EXPECT_NEAR(m[m.size() - 2][2], 0.0, 1e-6);
    EXPECT_NEAR(m.back()[0], 4.0, 1e-6);
    bool above = false;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 5 && (e.words[0] == 2 || e.words[0] == 1 || e.words[0] == 22) &&
            std::fabs(wrd2r(e.words[2]) - 1.0) < 1e-6 && std::fabs(wrd2r(e.words[4]) - 1.0) < 1e-6)
            above = true;
    EXPECT_TRUE(above);
    // a full approach with the tool already at P moves straight on to Q and
    // succeeds, whatever status the caller came with
    empty_path();
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(static_cast<f32>(P[k]));
    st = 5;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    m = lines_written();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_NEAR(m[0][0], 4.0, 1e-6);

    // with no clearance plane held the fast move rises by the incremental
    // height of the heights record above the raised point, not to the
    // clearance plane's height; under procedure code 48 the point is raised
    // by the first link distance of the link parameters
    for (const i32 code : {0, 48}) {
        entry_words();
        HFLSET(0);
        HEI8[HEI8_INCR] = r2wrd(5.0f);
        pokpar.clear_extra = 2.0;
        const f32 keep = LNKPAR.dist[0];
        LNKPAR.dist[0] = 3.0f;
        nu_sgcd_set_code(code);
        for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(k == 2 ? 0.0f : 30.0f);
        v = 3;
        pkentry(v, 3, P, Q, st);
        nu_sgcd_set_code(0);
        LNKPAR.dist[0] = keep;
        HFLINI();
        EXPECT_EQ(st, 0) << code;
        const f64 raised = code == 48 ? 3.0 : 1.0;
        f64 top = -1.0;
        bool onto = false;
        for (const auto& e : norak::main_list().elems)
            if (e.words.size() >= 5 && (e.words[0] == 2 || e.words[0] == 1 || e.words[0] == 22)) {
                top = std::max(top, static_cast<f64>(wrd2r(e.words[4])));
                onto = onto || (std::fabs(wrd2r(e.words[2]) - 1.0) < 1e-6 && std::fabs(wrd2r(e.words[3]) - 2.0) < 1e-6 &&
                                std::fabs(wrd2r(e.words[4]) - raised) < 1e-6);
            }
        EXPECT_NEAR(top, 7.0, 1e-5) << code;  // the raised point + (5 + 2 - the rise)
        EXPECT_TRUE(onto) << code;
        m = lines_written();
        ASSERT_GE(m.size(), 2u);
        EXPECT_NEAR(m[m.size() - 2][2], 0.0, 1e-6) << code;  // down onto the entry point
    }

    // any other kind writes nothing and leaves the status
    empty_path();
    v = 7;
    st = 5;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 5);
    EXPECT_TRUE(lines_written().empty());
    // the mode word and the entry list
    ENTMOD(-1);
    EXPECT_EQ(pk_entry_mode, 9);
    ENTMOD(1);
    EXPECT_EQ(pk_entry_mode, 10);
    ENTMOD(0);
    EXPECT_EQ(pk_entry_mode, 11);
    const size_t before = nc_entr_list().size();
    const f32 a[3] = {101, 2, 5}, b[3] = {101, 2, 3}, c[3] = {101, 2, 7};
    nc_entr_add(a, st);
    nc_entr_add(b, st);
    nc_entr_add(c, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(nc_entr_list().size(), before + 3);
    EXPECT_EQ(nc_entr_list().back(), 3.0f);
    // the list grows past its capacity by tens; a growth the host refuses
    // keeps the list as it was, and the next add grows it
    f32 x = 200.0f;
    auto add = [&](i32 fail) {
        const f32 p[3] = {x, 2.0f, 1.0f};
        x += 1.0f;
        norak::fail_alloc_after(fail);
        nc_entr_add(p, st);
        norak::fail_alloc_after(0);
    };
    for (i32 k = 0; k < 25; ++k) {
        add(0);
        EXPECT_EQ(st, 0);
    }
    while (nc_entr_list().size() % 30 != 0) add(0);
    const size_t full = nc_entr_list().size();
    add(1);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("nc_entr_add, DYNAMIC MEMORY ERROR - CANNOT ALLOCATE"));
    EXPECT_EQ(nc_entr_list().size(), full);
    add(0);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(nc_entr_list().size(), full + 3);
    EXPECT_EQ(nc_entr_list()[full], x - 1.0f);
    for (size_t k = before + 3; k < full; k += 3) EXPECT_EQ(nc_entr_list()[k + 1], 2.0f);
}

TEST(SurfaceLanes, PiecesLieOnTheToolsDropOverTheSurface)
{
    surface_pocket(tilted);
    positioning_on();
    i32 st = 0;
    pwrs(PRCPAR, PRTTOL, 0.01f);
    const f32 up[3] = {0, 0, 1}, aux = 0.0f;
    LOCSET(-1, up, up, 1, aux, 0.01f);
    // a ball on a plane of slope 20 degrees stands R (sec - 1) above it
    const f64 R = 5.0, lift = R * (std::sqrt(1.0 + 0.36397 * 0.36397) - 1.0);
    for (i32 n : {4, 9}) {
        pokarr piece;
        pokarr_init_dyn(3, n, piece, st);
        piece.count = 0;
        for (i32 k = 0; k < n; ++k) {
            const f64 p[3] = {20.0 + 0.5 * k, 30.0, 0.0};
            pokarr_add_pnt(p, piece, st);
        }
        lan_on_grid(0, piece, nullptr, st);
        ASSERT_EQ(st, 0);
        pokarr out, raw;
        pokarr_init(3, out);
        pokarr_init(3, raw);
        lan_on_srf(1, 0, 1, 0, piece, out, raw, st);
        ASSERT_EQ(st, 0);
        // four points are all projected; of more, the odd ones between
        // straight neighbours are skipped
        if (n == 4)
            EXPECT_EQ(out.count, 4);
        else
            EXPECT_EQ(out.count, 5);
        for (i32 k = 0; k < out.count; ++k) {
            const f64 x = out.x[k] + pokorigin[0], y = out.y[k] + pokorigin[1], z = out.z[k] + pokorigin[2];
            EXPECT_NEAR(z - tilted(x, y), lift, 0.01) << n << " " << k;
        }
        pokarr_free(piece);
        pokarr_free(out);
        pokarr_free(raw);
    }
    // the grid's normal is the plane's
    f64 nrm[3];
    const f64 at[3] = {50.0, 40.0, 0.0};
    grid_nrm_at(at, nrm, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(nrm[0], -0.36397 / std::sqrt(1.0 + 0.36397 * 0.36397), 1e-5);
    // at the surface's edge a neighbour without surface takes the node's
    // own height (half the slope across); a node without surface takes 0
    {
        const i32 i = 3, j = 3, nx = map_grid.nx;
        auto node = [&](i32 a, i32 b) -> f32& { return map_grid.h[static_cast<size_t>(b * nx + a)]; };
        const f64 c = map_grid.cell, left = node(i - 1, j), own = node(i, j);
        const f32 right = node(i + 1, j);
        for (const bool bare : {false, true}) {
            node(i + 1, j) = MAP_NO_SURFACE;
            if (bare) node(i, j) = MAP_NO_SURFACE;
            f64 sum[3] = {0.0, 0.0, 0.0};
            grid_cell_nrm(i, j, sum, 1.0, 1.0);
            const f64 gx = ((bare ? 0.0 : own) - left) / (2.0 * c);
            EXPECT_NEAR(sum[0] / sum[2], -gx, 1e-9) << bare;
            EXPECT_TRUE(std::isfinite(sum[0]) && sum[2] > 0.0) << bare;
        }
        node(i + 1, j) = right;
        node(i, j) = static_cast<f32>(own);
    }
    // the full approach onto the surface (not a plane pocket) runs the
    // three-axis approach without an internal error
    entry_words();
    pokdim = 3;
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(k == 2 ? 80.0f : 10.0f);
    const f64 P[3] = {50.0, 40.0, 30.0}, Q[3] = {55.0, 40.0, 30.0};
    i32 v = 3;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("ONLY DIM2/3"));
    pokdim = 2;
    // so does the plane pocket's, with and without the approach over the
    // stock (procedure codes 0 and 34)
    for (i32 code : {0, 34}) {
        entry_words();
        nu_sgcd_set_code(code);
        for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(k == 2 ? 80.0f : 10.0f);
        const size_t said = norak::transcript().size();
        v = 3;
        pkentry(v, 3, P, Q, st);
        nu_sgcd_set_code(0);
        EXPECT_EQ(st, 0) << code;
        EXPECT_FALSE(norak::main_list().elems.empty()) << code;  // the entry was written
        for (size_t k = said; k < norak::transcript().size(); ++k)
            EXPECT_EQ(norak::transcript()[k].find("ONLY DIM2/3"), std::string::npos) << code << norak::transcript()[k];
    }
    // a grid without cells projects nothing: no division by its cell size
    map_grid.cell = 0.0;
    grid_nrm_at(at, nrm, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(nrm[2], 1.0);
    f64 q[3];
    srf_proj_pt(0, at, q, nrm, st);
    EXPECT_EQ(st, -1);
    pokarr piece = make(Loop().pt(1, 1).pt(2, 2), 3), out, raw;
    pokarr_init(3, out);
    pokarr_init(3, raw);
    lan_on_srf(1, 0, 1, 0, piece, out, raw, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(out.count, 0);
    EXPECT_TRUE(norak::transcript_has("internal: [get_grid_index] UNABLE TO MAP POINT"));
    pokarr_free(piece);
    FRETRI();
}

TEST(EntryMoves, LinkStringAlongTheNearestContourIsBounded)
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    const f32 allow[1] = {0.0f};
    i32 st = 0;
    clr_set_params(1, 0, 0.0f, 1.0f, 1, allow, st);
    // a circle of radius 100 in 9,600 points (counter-clockwise, closed)
    const i32 n = 9600;
    std::vector<f32> c;
    for (i32 k = 0; k <= n; ++k) {
        const f64 t = 2.0 * 3.141592653589793 * (k % n) / n;
        c.push_back(static_cast<f32>(100.0 * std::cos(t)));
        c.push_back(static_cast<f32>(100.0 * std::sin(t)));
    }
    clr_add_contour(1, n + 1, c.data(), st);
    POKCPY(20000, 1, n + 1, st);
    ASSERT_EQ(st, 0);
    // main arrays hold the points less the origin (-100, -100)
    auto at = [](f64 deg, f64 r) {
        const f64 t = deg * 3.141592653589793 / 180.0;
        return std::array<f64, 3>{r * std::cos(t) + 100.0, r * std::sin(t) + 100.0, 0.0};
    };
    std::vector<f32> link;
    // half way round: the nearest points and the contour's points between
    auto A = at(0.01, 90.0), B = at(180.01, 110.0);
    pknear_contour(A.data(), B.data(), link, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(link.size() / 3.0, 4802, 2);
    EXPECT_NEAR(link[0], 200.0, 1e-3);
    EXPECT_NEAR(link[link.size() - 3], 0.0, 1e-3);
    // two nearest points that coincide: one point
    auto C = at(45.01875, 99.5), D = at(45.01875, 100.5);  // a chord's middle
    pknear_contour(C.data(), D.data(), link, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(link.size(), 3u);
    // almost once round: more than the string holds, refused
    auto E = at(10.0, 90.0), F = at(9.0, 90.0);
    pknear_contour(E.data(), F.data(), link, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(link.empty());
    EXPECT_TRUE(norak::transcript_has("internal: [pknear_contour] LINK STRING TOO LONG"));
    // the spline entry along the contour (both module flags set): two points
    // a link apart make the two-point string outside stage 2, while stage 2
    // always positions the link, here onto the contour
    entry_words();
    pokpar.retry_sw_a = 1;
    LOCDIA = 10.0f;
    i32 on = 1;
    f32 onr = 1.0f;
    MFLGS1(2, on);
    MFLGS2(2, onr);
    auto G = at(0.0, 99.0), H = at(0.5, 99.0);
    for (i32 stage : {3, 2}) {
        i32 v = 2;
        pkentry(v, stage, G.data(), H.data(), st);
        EXPECT_NEAR(pk_last_pos[0], stage == 2 ? at(0.5, 100.0)[0] : H[0], 1e-3) << stage;
    }
    on = 0;
    onr = 0.0f;
    MFLGS1(2, on);
    MFLGS2(2, onr);
    pokpar.retry_sw_a = 0;
}

namespace {

// Polygon buffer 1, current, in the plane's own frame: the square
// [0, 100] x [0, 100] and the island [40, 60] x [40, 60].
void square_with_island()
{
    i32 st = 0;
    polbuf_init(2, 9000, st);
    i32 one = 1;
    polbuf_select(0, one, st);
    const f32 sq[2][5][2] = {{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}},
                             {{40, 40}, {40, 60}, {60, 60}, {60, 40}, {40, 40}}};
    for (i32 k = 1; k <= 2; ++k) {
        for (i32 j = 1; j <= 5; ++j) polbuf_put_point(k, j, sq[k - 1][j - 1][0], sq[k - 1][j - 1][1], st);
        polbuf_set_np(k, 5, st);
    }
    polbuf_set_npol(2, st);
    polbuf_set_vals(1.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
}

}  // namespace

TEST(EntryMoves, AStraightLinkStaysInsideWhenBothEndsShareAnInsideStretch)
{
    entry_fresh();
    square_with_island();
    struct Case {
        f32 a[2], b[2];
        f64 allow;
        i32 inside;
    } cases[] = {
        {{10, 10}, {30, 20}, 0.0, 1},    // one stretch of the area
        {{10, 50}, {90, 50}, 0.0, 0},    // across the island
        {{45, 50}, {55, 50}, 0.0, 0},    // inside the island: an even interval
        {{-10, 50}, {10, 50}, 0.0, 0},   // from outside
        {{-0.5f, 10}, {30, 10}, 0.0, 0}, // just outside the edge
        {{-0.5f, 10}, {30, 10}, 1.0, 1}, // within 1.5 x the retry allowance of it
        {{30, 30}, {35, 35}, 0.0, 1},    // on the line through the corners
    };
    for (const Case& c : cases) {
        pokpar.retry_allow = c.allow;
        EXPECT_EQ(pkline_inside(c.a, c.b), c.inside) << c.a[0] << " " << c.a[1] << " " << c.b[0] << " " << c.b[1];
    }
    pokpar.retry_allow = 0.0;
    // a line that grazes at every offset (one open edge: an odd count), and
    // more hits than the list holds
    std::vector<i32> buf(1 + 2 * 2);
    const f32 edge[4] = {5, -1, 5, 1};
    buf[0] = 2;
    std::memcpy(&buf[1], edge, sizeof edge);
    std::vector<f32> hits(ZCLRLN_MAX);
    std::vector<i32> pols(ZCLRLN_MAX);
    const f32 a[2] = {0, 0}, b[2] = {10, 0};
    i32 ia = 0, ib = 0, count = 0, st = 0;
    ZCLRLN(buf.data(), 1, 0.0f, a, b, ia, ib, count, hits.data(), pols.data(), st);
    EXPECT_EQ(st, -1);
    const i32 n = ZCLRLN_MAX + 2;  // a zigzag across the line
    std::vector<i32> zig(1 + 2 * static_cast<size_t>(n));
    zig[0] = n;
    for (i32 k = 0; k < n; ++k) {
        const f32 p[2] = {0.01f * k, k % 2 ? 1.0f : -1.0f};
        std::memcpy(&zig[1 + 2 * static_cast<size_t>(k)], p, sizeof p);
    }
    ZCLRLN(zig.data(), 1, 0.0f, a, b, ia, ib, count, hits.data(), pols.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: ZCLRLN,ARRAY OF HATCH POINTS IS NOT LARGE ENOUGH"));
    // the intervals of the square and island along y = 50: 4 hits
    const f32 c[2] = {10, 50}, d[2] = {50, 50};
    i32 one = 1;
    polbuf_select(0, one, st);
    ZCLRLN(static_cast<const i32*>(polbuf_get_pol(1, 1, st)), 2, 0.0f, c, d, ia, ib, count, hits.data(),
           pols.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(ia, 1);
    EXPECT_EQ(ib, 2);
    EXPECT_EQ(pols[1], 2);  // the island's first hit
}

TEST(EntryMoves, TheSplineEntryWritesItsLinkString)
{
    entry_fresh();
    pokpar.retry_sw_a = 1;
    LOCDIA = 10.0f;  // links within 5 are two points
    tooldefs::use_mill(10.0f, 0.0f);
    const f64 P[3] = {1.0, 2.0, 0.0}, Q[3] = {4.0, 6.0, 0.0};
    // the tool already at P: the two points written as cutting moves, the
    // link done, P's successor stored as the entry point
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(static_cast<f32>(P[k]));
    pk_link_done = 0;
    pk_note = 1;
    i32 state = 1, v = 2, st = -1;
    pkflag_gs(PK_PUT, state);
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pk_link_done, 1);
    EXPECT_NEAR(pk_last_pos[0], 4.0, 1e-6);
    EXPECT_NEAR(pk_last_pos[1], 6.0, 1e-6);
    // the string's two points as cutting moves with their axes
    std::vector<std::array<f64, 3>> cut;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 5 && e.words[0] == 22) cut.push_back({wrd2r(e.words[2]), wrd2r(e.words[3]), wrd2r(e.words[4])});
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_NEAR(cut[0][0], 1.0, 1e-5);
    EXPECT_NEAR(cut[1][1], 6.0, 1e-5);
    // the notice of a full approach, once
    EXPECT_TRUE(norak::transcript_has("ENTRY POINT:"));
    EXPECT_EQ(pk_note, 0);
    pkflag_gs(PK_GET, state);
    EXPECT_EQ(state, 0);
    // the twirl: the string of a new phase gives the start pair and the
    // twirl entry runs (and resets the state); otherwise its end pair is kept
    pk_twirl_switch = 1;
    TWLRST();
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(TWLST.endflag, 1);
    EXPECT_FLOAT_EQ(TWLST.q1[0], 4.0f);
    TWLST.phase = 1;
    pkentry(v, 3, P, Q, st);
    EXPECT_EQ(TWLST.wanted, 0);  // reset by the twirl entry
    EXPECT_EQ(TWLST.startflag, 0);
    pk_twirl_switch = 0;
    TWLRST();
    pokpar.retry_sw_a = 0;
}
