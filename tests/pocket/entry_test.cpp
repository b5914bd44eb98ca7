// The entry moves of the pocket cutting (rounded descents, straight moves,
// the full approach) written and read back, the entry list and mode word;
// pieces carried onto the part surfaces with the tool.
#include <gtest/gtest.h>

#include <cmath>

#include "cleanup/lansrf.h"
#include "cleanup/pkentry.h"
#include "cleanup/pknear.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "tests/pocket/surface.h"

using namespace pksrf;

namespace {

void entry_fresh()
{
    fresh();
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
    EXPECT_TRUE(norak::transcript_has("internal: [lan_on_srf] MAP GRID HAS NO CELLS"));
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
}
