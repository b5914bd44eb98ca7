// The swept cutter against the analytic lower envelope: on a flat block,
// every tool shape, straight moves level, sloped up and down from 5 to 85
// degrees and vertical; the removed volume; cells never raised.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common.h"
#include "stock/stkstamp.h"

namespace {

using stocktest::INF;
using stocktest::Tool;

constexpr float CELL = 0.125f;

struct MoveCase {
    const char* name;
    double p0[3], p1[3];
};

// A straight move of horizontal length len in direction `deg` (degrees from
// X), rising (up > 0) or falling at `slope` degrees, from (x, y, z).
MoveCase sloped(const char* name, double x, double y, double z, double deg, double len, double slope, int up)
{
    const double a = deg * M_PI / 180;
    const double dz = up * std::tan(slope * M_PI / 180) * len;
    return {name, {x, y, z}, {x + len * std::cos(a), y + len * std::sin(a), z + dz}};
}

std::vector<MoveCase> moves()
{
    return {
        {"level X-major", {-3.03, -1.31, -1.5}, {3.52, 0.74, -1.5}},
        {"level Y-major", {0.37, -4.0, -1.2}, {-1.11, 3.5, -1.2}},
        sloped("5 deg up", -4.0, 0.3, -1.8, 12.0, 7.0, 5.0, 1),
        sloped("30 deg down", -3.0, -2.0, 1.0, 65.0, 4.0, 30.0, -1),
        sloped("37.6 deg up", -2.0, 1.0, -2.5, 200.0, 3.5, 37.6, 1),
        sloped("60 deg down", 1.0, 1.5, 2.0, -100.0, 2.5, 60.0, -1),
        sloped("85 deg up", 0.2, -0.4, -2.0, 30.0, 0.6, 85.0, 1),
        sloped("85 deg down", 0.2, -0.4, 5.0, 135.0, 0.7, 85.0, -1),
        {"vertical down", {0.4, 0.3, 2.0}, {0.4, 0.3, -1.7}},
    };
}

// The envelope over the covered cells at the cell centres, the worst
// mismatch over the allowance, and the volume figures of one case.
struct Result {
    int checked = 0, bad = 0, raised = 0, outside_cut = 0, rounded = 0;
    double ratio = 0;  // largest mismatch over its allowance
    double worst = 0, worst_x = 0, worst_y = 0;
    double zmap_volume = 0, reported_volume = 0, analytic_volume = 0;
};

// The height at XY of the line through the tool's lowest point at lateral
// offset lat for slope row `arow`, moving at the true slope (both in
// degrees, the move's sign), less the true envelope there: what rounding the
// slope to a whole degree may leave standing.
double rounding_allowance(const Tool& t, double lat, double slope, int up)
{
    const double ro = t.ro();
    if (std::fabs(lat) >= ro) return 0.0;
    const double fmax = std::sqrt(ro * ro - lat * lat);
    auto line = [&](double f, double a) { return t.H(std::hypot(lat, f)) - std::tan(a * M_PI / 180) * f; };
    auto argmin = [&](double a) {
        double lo = 0.0, hi = fmax * (1 - 1e-12);
        for (int k = 0; k < 70; ++k) {
            const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            if (line(m1, a) <= line(m2, a))
                hi = m2;
            else
                lo = m1;
        }
        return 0.5 * (lo + hi);
    };
    (void)up;
    const double a = std::fabs(slope), ar = std::round(a);
    const double f_true = argmin(a), f_row = argmin(ar);
    return std::max(0.0, line(f_row, a) - line(f_true, a));
}

Result run_case(const Tool& t, const MoveCase& mc, bool volume)
{
    Result r;
    stocktest::fill(0.0f);
    t.make_current();
    const StkGrid& g = stk_grid;
    const f32 p0[3] = {f32(mc.p0[0]), f32(mc.p0[1]), f32(mc.p0[2])};
    const f32 p1[3] = {f32(mc.p1[0]), f32(mc.p1[1]), f32(mc.p1[2])};
    // The same points in double, as the tool stands at them.
    const double q0[3] = {p0[0], p0[1], p0[2]}, q1[3] = {p1[0], p1[1], p1[2]};
    f32 start_max = 0, start_sum = 0;
    f32 at[3] = {p0[0], p0[1], p0[2]};
    stk_tool_at(1, at, 1, start_max, start_sum);
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
    i32 st = 0;
    stk_move(1, 0, p0, p1, 2, mx, ed, vol, evol, pt, len, st);
    EXPECT_EQ(st, 0);
    r.reported_volume = double(start_sum) * CELL * CELL + vol;

    const double e = (double(stk_img.diam) / 2) / stk_img.k8;
    const double ro = t.ro();
    const double dxy = std::hypot(q1[0] - q0[0], q1[1] - q0[1]);
    const double slope = dxy > 0 ? std::atan(std::fabs(q1[2] - q0[2]) / dxy) * 180 / M_PI : 90.0;
    const int up = q1[2] >= q0[2] ? 1 : -1;
    const double ux = dxy > 0 ? (q1[0] - q0[0]) / dxy : 0, uy = dxy > 0 ? (q1[1] - q0[1]) / dxy : 0;
    const StkCell* c = stk_cells();
    std::vector<double> centre(static_cast<size_t>(g.ncells), -3.0);  // depth below the top, for the volume
    for (i32 j = 0; j < g.ny; ++j)
        for (i32 i = 0; i < g.nx; ++i) {
            const double x = stocktest::cx(i), y = stocktest::cy(j);
            const f32 h = c[j * g.nx + i].h1;
            if (h > 0.0f) ++r.raised;
            r.zmap_volume -= double(h) * CELL * CELL;
            if (std::fabs(x - 0.5 * (q0[0] + q1[0])) > 0.5 * std::fabs(q1[0] - q0[0]) + ro + CELL ||
                std::fabs(y - 0.5 * (q0[1] + q1[1])) > 0.5 * std::fabs(q1[1] - q0[1]) + ro + CELL) {
                if (h != 0.0f) ++r.outside_cut;  // far from the move's box
                continue;
            }
            double tau = 0.0;
            const double env = stocktest::envelope(t, q0, q1, x, y, &tau);
            centre[j * g.nx + i] = env == INF ? -1.0 : std::max(0.0, -env);
            // Distance of the cell's centre from the path in XY: within two
            // image steps of the tool's outer radius the side of the tool is
            // a wall (its slope unbounded), where a sampled image can fall
            // either way.
            double s = dxy > 0 ? ((x - q0[0]) * ux + (y - q0[1]) * uy) / dxy : 0.0;
            s = std::clamp(s, 0.0, 1.0);
            const double nx = q0[0] + s * (q1[0] - q0[0]) - x, ny = q0[1] + s * (q1[1] - q0[1]) - y;
            const double nl = std::hypot(nx, ny);
            const bool wall = t.H(ro * (1 - 1e-9)) < 1.0e3;
            // Inside the swept band the rows judge every cell, also those the
            // image of the tool standing at an end leaves out at its rim.
            if (wall && std::fabs(nl - ro) < 2.0 * e) continue;
            if (env == INF) {
                if (h != 0.0f) ++r.outside_cut;
                continue;
            }
            // The envelope's slope across the path at the cell, over half a
            // cell towards the path and away from it (where the tool reaches).
            double slope_h = 0.0;
            if (nl > 1e-9) {
                const double step = std::min(0.5 * CELL, nl);
                for (double sg : {1.0, -1.0}) {
                    const double v = stocktest::envelope(t, q0, q1, x + sg * nx / nl * step, y + sg * ny / nl * step);
                    if (v != INF) slope_h = std::max(slope_h, std::fabs(env - v) / step);
                }
            }
            const double lat = dxy > 0 ? (x - q0[0]) * -uy + (y - q0[1]) * ux : 0.0;
            double allow = e + CELL * slope_h + 1e-4;
            const double want = std::min(0.0, env);
            const double diff = std::fabs(double(h) - want);
            if (diff > allow && dxy > 0) {
                allow += rounding_allowance(t, lat, slope, up);
                ++r.rounded;
            }
            r.ratio = std::max(r.ratio, diff / allow);
            ++r.checked;
            if (diff > allow) {
                ++r.bad;
                if (diff - allow > r.worst) r.worst = diff - allow, r.worst_x = x, r.worst_y = y;
            }
        }
    if (volume) {
        // The removed volume: the depth below the top integrated over the
        // cells, each cell by its centre and corners when all lie under the
        // tool, else by 6 x 6 samples.
        auto depth = [&](double x, double y) {
            const double v = stocktest::envelope(t, q0, q1, x, y);
            return v == INF ? -1.0 : std::max(0.0, -v);
        };
        const double hc = 0.5 * CELL;
        // The cells of the move's box, and the corners they share.
        auto inside = [&](double x, double y) {
            return std::fabs(x - 0.5 * (q0[0] + q1[0])) <= 0.5 * std::fabs(q1[0] - q0[0]) + ro + CELL &&
                   std::fabs(y - 0.5 * (q0[1] + q1[1])) <= 0.5 * std::fabs(q1[1] - q0[1]) + ro + CELL;
        };
        std::vector<double> corner(static_cast<size_t>(g.nx + 1) * (g.ny + 1), -2.0);
        auto at_corner = [&](i32 i, i32 j) {
            double& v = corner[static_cast<size_t>(j) * (g.nx + 1) + i];
            if (v == -2.0) v = depth(stocktest::cx(i) - hc, stocktest::cy(j) - hc);
            return v;
        };
        for (i32 j = 0; j < g.ny; ++j)
            for (i32 i = 0; i < g.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                if (!inside(x, y)) continue;
                const double mid = centre[j * g.nx + i];
                const double v[5] = {mid == -3.0 ? depth(x, y) : mid, at_corner(i, j), at_corner(i + 1, j), at_corner(i, j + 1),
                                     at_corner(i + 1, j + 1)};
                if (v[0] >= 0 && v[1] >= 0 && v[2] >= 0 && v[3] >= 0 && v[4] >= 0) {
                    r.analytic_volume += (0.5 * v[0] + 0.125 * (v[1] + v[2] + v[3] + v[4])) * CELL * CELL;
                } else if (v[0] >= 0 || v[1] >= 0 || v[2] >= 0 || v[3] >= 0 || v[4] >= 0) {
                    double sum = 0;
                    for (int b = 0; b < 6; ++b)
                        for (int a = 0; a < 6; ++a)
                            sum += std::max(0.0, depth(x - hc + (a + 0.5) * CELL / 6, y - hc + (b + 0.5) * CELL / 6));
                    r.analytic_volume += sum / 36 * CELL * CELL;
                }
            }
    }
    return r;
}

class Sweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        stocktest::fresh(CELL);
        ASSERT_EQ(stocktest::open(-12, -12, 12, 12), 0);
        ASSERT_EQ(stk_grid.cell, CELL);
    }
};

TEST_F(Sweep, EveryCellUnderTheSweptToolLiesOnTheLowerEnvelope)
{
    const auto ms = moves();
    for (const Tool& t : stocktest::tools())
        for (const MoveCase& mc : ms) {
            const Result r = run_case(t, mc, true);
            const std::string what = std::string(t.name) + ", " + mc.name;
            if (std::getenv("STOCK_FIGURES"))
                std::printf("%-22s %-14s cells %5d  worst/allowance %.3f  slope-rounded %3d  volume %.4f of %.4f (%+.2f%%)\n",
                            t.name, mc.name, r.checked, r.ratio, r.rounded, r.zmap_volume, r.analytic_volume,
                            r.analytic_volume > 0 ? 100 * (r.zmap_volume / r.analytic_volume - 1) : 0.0);
            EXPECT_GT(r.checked, 100) << what;
            EXPECT_EQ(r.bad, 0) << what << ": worst " << r.worst << " over the allowance at " << r.worst_x << " "
                                << r.worst_y;
            EXPECT_EQ(r.raised, 0) << what;
            EXPECT_EQ(r.outside_cut, 0) << what << ": cells cut outside the tool's reach";
            EXPECT_NEAR(r.reported_volume, r.zmap_volume, 1e-3 * r.zmap_volume + 1e-6) << what;
            EXPECT_GT(r.analytic_volume, 0.1) << what;
            EXPECT_NEAR(r.zmap_volume, r.analytic_volume, 0.02 * r.analytic_volume) << what;
        }
}

TEST_F(Sweep, ACutNeverRaisesACell)
{
    // A bumpy stock, every tool along a move across it: each cell ends at
    // the lower of its height and the tool's, never above where it was.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> bump(-2.0f, 0.5f);
    for (const Tool& t : stocktest::tools()) {
        StkCell* c = stk_cells();
        std::vector<f32> before(static_cast<size_t>(stk_grid.ncells));
        for (i32 k = 0; k < stk_grid.ncells; ++k) before[k] = c[k].h1 = bump(rng);
        t.make_current();
        const f32 p0[3] = {-4.0f, -3.0f, -1.0f}, p1[3] = {4.5f, 2.0f, 0.2f};
        f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
        i32 st = 0;
        stk_move(1, 0, p0, p1, 77, mx, ed, vol, evol, pt, len, st);
        i32 cut = 0;
        for (i32 k = 0; k < stk_grid.ncells; ++k) {
            ASSERT_LE(c[k].h1, before[k]) << t.name << " cell " << k;
            if (c[k].h1 < before[k]) {
                ++cut;
                EXPECT_EQ(c[k].move, 77);
            }
        }
        EXPECT_GT(cut, 100) << t.name;
        EXPECT_GT(mx, 0.0f);
    }
}

TEST_F(Sweep, UpwardVerticalMovesStampNothingAndShortMovesOnlyTheirEnd)
{
    for (const Tool& t : stocktest::tools()) {
        stocktest::fill(0.0f);
        t.make_current();
        const f32 p0[3] = {0.3f, 0.2f, -1.0f}, p1[3] = {0.3f, 0.2f, 4.0f};
        f32 mx = 1, ed = 1, vol = 1, evol = 1, len = 1, pt[3];
        i32 st = 0;
        stk_move(1, 1, p0, p1, 5, mx, ed, vol, evol, pt, len, st);
        EXPECT_EQ(vol, 0.0f);
        EXPECT_EQ(evol, 0.0f);
        EXPECT_EQ(mx, 0.0f);
        for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_EQ(stk_cells()[k].h1, 0.0f) << t.name;
        // A move shorter than a cell stamps its end only.
        const f32 a[3] = {1.0f, 1.0f, -0.5f}, b[3] = {1.1f, 0.95f, -0.5f};
        stk_move(1, 0, a, b, 6, mx, ed, vol, evol, pt, len, st);
        f32 at[3] = {b[0], b[1], b[2]}, m2 = 0, s2 = 0;
        stocktest::fill(0.0f);
        stk_tool_at(0, at, 0, m2, s2);
        EXPECT_NEAR(vol, s2 * CELL * CELL, 1e-6) << t.name;
        EXPECT_EQ(vol, evol);
        // Its step count is 1 in every sweep mode.
        for (const i32 mode : {0, 1, 2, 3}) {
            stk_move(0, mode, a, b, 6, mx, ed, vol, evol, pt, len, st);
            EXPECT_EQ(stk_sweep.steps, 1) << t.name << " mode " << mode;
        }
    }
}

TEST_F(Sweep, EngagementAlongTheMove)
{
    // Stock only beyond x = 2 (a step of 1): a level move from x = -4 to 6
    // meets it where the tool's front reaches x = 2.
    const Tool t = stocktest::tools()[1];  // ball D6
    t.make_current();
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) c[j * stk_grid.nx + i].h1 = stocktest::cx(i) >= 2.0 ? 1.0f : STK_NONE;
    const f32 p0[3] = {-4.0f, 0.0f, 0.0f}, p1[3] = {6.0f, 0.0f, 0.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3], top = 0;
    i32 st = 0;
    stk_move_sweep(0, 1, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_EQ(stk_sweep.steps, 80);  // 10 / 0.125
    EXPECT_EQ(top, 1.0f);
    EXPECT_NEAR(mx, 1.0f, 1e-6);
    // The tool's lowest envelope meets the step where the axis reaches x = 2
    // (the first cell beyond, at 2.124).
    EXPECT_NEAR(pt[0], 2.0f, 0.13f);
    EXPECT_EQ(pt[1], 0.0f);
    // Mode 2: the free stretch from the start to where it meets the stock.
    stk_move_sweep(0, 2, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_EQ(pt[0], -4.0f);
    EXPECT_NEAR(len, 6.0f, 0.13f);
    // Mode 1 from inside the stock: met at once.
    const f32 p2[3] = {3.0f, 0.0f, 0.0f}, p3[3] = {9.0f, 0.0f, 0.0f};
    stk_move_sweep(0, 1, p2, p3, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_NEAR(pt[0], 3.0f, 0.13f);
    // Nothing cut by measuring.
    for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_TRUE(c[k].h1 == 1.0f || c[k].h1 == STK_NONE);
    // Against the second height (empty everywhere): nothing found.
    stk_move_sweep(0, 3, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_EQ(mx, 0.0f);
    EXPECT_EQ(top, -100000.0f);
}

TEST_F(Sweep, TheFreeStretchBetweenTwoStocksStartsWhereTheToolLeavesTheFirst)
{
    // Stock of 1 below x = -1 and from x = 4; the ball's rows are flagged
    // while its axis stands over stock: the move from -5.02 (a cell centre just ahead of it) to 8 is free from
    // -1 to 4, 5 long.
    const Tool t = stocktest::tools()[1];
    t.make_current();
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) {
            const double x = stocktest::cx(i);
            c[j * stk_grid.nx + i].h1 = x < -1.0 || x >= 4.0 ? 1.0f : STK_NONE;
        }
    const f32 p0[3] = {-5.02f, 0.0f, 0.0f}, p1[3] = {8.0f, 0.0f, 0.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3], top = 0;
    i32 st = 0;
    stk_move_sweep(0, 2, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_NEAR(pt[0], -1.0f, 0.26f);
    EXPECT_NEAR(len, 5.0f, 0.26f);
    // No stock after the free stretch: it runs to the move's end, 9 long.
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i)
            if (stocktest::cx(i) >= 4.0) c[j * stk_grid.nx + i].h1 = STK_NONE;
    stk_move_sweep(0, 2, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_NEAR(pt[0], -1.0f, 0.26f);
    EXPECT_NEAR(len, 9.0f, 0.26f);
}

TEST_F(Sweep, DropsCrossingsAndTops)
{
    const Tool t = stocktest::tools()[0];  // flat D6.1
    t.make_current();
    // A ramp: the stock top rises with x, z = 0.5 x.
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) c[j * stk_grid.nx + i].h1 = f32(0.5 * stocktest::cx(i));
    const f32 xy[2] = {1.0f, 0.5f};
    f32 p[3];
    i32 st = 0;
    stk_tool_drop(xy, p, st);
    EXPECT_EQ(st, 0);
    // The flat bottom rests on the highest cell under it: centre x within 3.05.
    const double highest = 0.5 * stocktest::cx(stk_cell_round((1.0 + 3.05 - stk_grid.box[0]) / CELL - 0.5 + 1e-9));
    EXPECT_NEAR(p[2], highest, 0.5 * CELL);
    EXPECT_GT(p[2], 0.5 * (1.0 + 3.05) - 0.5 * CELL);
    // The top over a level move along x from -2 to 2 and at its end.
    const f32 a[3] = {-2.0f, 0.0f, 0.0f}, b[3] = {2.0f, 0.0f, 0.0f};
    f32 tm = 0, te = 0;
    stk_move_top(a, b, tm, te, st);
    EXPECT_EQ(st, 0);
    f32 dropped[3];
    i32 ds = 0;
    stk_tool_drop(b, dropped, ds);
    EXPECT_EQ(te, dropped[2]);
    EXPECT_EQ(tm, dropped[2]);  // the ramp is highest under the end
    stk_move_top(a, a, tm, te, st);
    stk_tool_drop(a, dropped, ds);
    EXPECT_EQ(tm, dropped[2]);
    EXPECT_EQ(te, dropped[2]);
    const f32 up0[3] = {1.5f, 2.5f, 3.0f}, up1[3] = {1.5f, 2.5f, 4.0f};  // straight up: the point's top twice
    stk_move_top(up0, up1, tm, te, st);
    stk_tool_drop(up0, dropped, ds);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(tm, dropped[2]);
    EXPECT_EQ(te, dropped[2]);
    // Where the ramp under the dropped tool reaches z = 1.5 on a move from
    // (-3, 0) to (3, 0): the tool's front edge then stands at x = 3.
    const f32 pa[3] = {-3.0f, 0.0f, 0.0f}, pb[3] = {3.0f, 0.0f, 10.0f};
    stk_move_cross(pa, pb, 1.5f, p, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(p[0], 3.0 - 3.05, 0.3);
    EXPECT_EQ(p[2], 1.5f);
    // Never reached on the move: the higher end, status 1.
    stk_move_cross(pa, pb, 50.0f, p, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(p[0], 3.0f);
    // A move shorter than half a cell: the lower end, one probe.
    const f32 pc[3] = {0.0f, 0.0f, 5.0f}, pd[3] = {0.04f, 0.0f, 1.0f};
    stk_move_cross(pc, pd, -100.0f, p, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(p[0], 0.04f);
    // A pillar of 9 at (-2, 6), radius 0.4: the tool clears it at 9 only
    // where it passes over it.
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i)
            if (std::hypot(stocktest::cx(i) + 2.0, stocktest::cy(j) - 6.0) < 0.4) c[j * stk_grid.nx + i].h1 = 9.0f;
    const f32 e0[3] = {-2.0f, 8.0f, 30.0f}, e1[3] = {4.0f, 8.0f, -3.0f}, e2[3] = {4.0f, 14.0f, 0.0f};
    stk_move_top(e0, e1, tm, te, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(tm, 9.0f);
    EXPECT_LT(te, 9.0f);
    stk_move_top(e1, e0, tm, te, st);  // ending over it
    EXPECT_EQ(tm, 9.0f);
    EXPECT_EQ(te, 9.0f);
    stk_move_top(e2, e1, tm, te, st);  // passing 6 off it
    EXPECT_LT(tm, 9.0f);
    // Lifting onto the second height: a level reference at 2.5 under the ramp.
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h2 = 2.5f;
    f32 q[3] = {1.0f, 0.5f, -4.0f}, mx = 0, sum = 0;
    EXPECT_EQ(stk_tool_at(3, q, 0, mx, sum), 1);
    EXPECT_EQ(q[2], 2.5f);
    EXPECT_EQ(mx, -6.5f);
    f32 r[3] = {1.0f, 0.5f, 3.0f};  // already above: stays
    stk_tool_at(3, r, 0, mx, sum);
    EXPECT_EQ(r[2], 3.0f);
    EXPECT_EQ(mx, 0.0f);
    // Measuring against it: 0.5 deep at 2.0.
    f32 m[3] = {1.0f, 0.5f, 2.0f};
    EXPECT_EQ(stk_tool_at(4, m, 0, mx, sum), 0);
    EXPECT_EQ(mx, 0.5f);
    EXPECT_GT(sum, 0.5f);
    // No stock at all: the drop stays at -100000 with status 1; the top says none.
    stocktest::fill(STK_NONE);
    stk_tool_drop(xy, p, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(p[2], -100000.0f);
    stk_move_top(a, b, tm, te, st);
    EXPECT_EQ(st, 1);
}

TEST_F(Sweep, CrossingsNearTheHigherEnd)
{
    // A ball of 1 over a ramp z = x / 2, along x from -3 to 3: 96 half-cell
    // steps. Where the ball's height passes z between steps 94 and 95 the
    // crossing lies between them; between 95 and the end, the move counts
    // as staying below z.
    const Tool ball{"ball D1", 1.0, 0.5, 5.0, 0.0};
    ball.make_current();
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) c[j * stk_grid.nx + i].h1 = f32(0.5 * stocktest::cx(i));
    const f32 a[3] = {-3.0f, 0.3f, 0.0f}, b[3] = {3.0f, 0.3f, 10.0f};
    auto drop = [&](int m) {
        const f32 xy[2] = {f32(-3.0 + m * 6.0 / 96), 0.3f};
        f32 p[3];
        i32 st = 0;
        stk_tool_drop(xy, p, st);
        return p[2];
    };
    f32 p[3];
    i32 st = 0;
    // Every crossing lies between the two steps whose heights bracket z,
    // whatever order the bisection probed them in.
    for (int k = 0; k < 95; ++k) {
        ASSERT_LT(drop(k), drop(k + 1));
        stk_move_cross(a, b, 0.5f * (drop(k) + drop(k + 1)), p, st);
        EXPECT_EQ(st, 0);
        EXPECT_GT(p[0], -3.0 + k * 6.0 / 96) << k;
        EXPECT_LT(p[0], -3.0 + (k + 1) * 6.0 / 96) << k;
        EXPECT_EQ(p[1], 0.3f);
    }
    stk_move_cross(a, b, 0.5f * (drop(95) + drop(96)), p, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(p[0], 3.0f);
    // From the higher end the walk still starts at the lower one.
    stk_move_cross(b, a, 0.5f * (drop(94) + drop(95)), p, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(p[0], -3.0 + 94 * 6.0 / 96);
}

TEST_F(Sweep, AVerticalPlungeHasNoFreeLength)
{
    const Tool t = stocktest::tools()[0];
    t.make_current();
    stocktest::fill(0.0f);
    const f32 p0[3] = {0.5f, 0.25f, 3.0f}, p1[3] = {0.5f, 0.25f, -1.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 1, pt[3], top = 0;
    i32 st = 0;
    stk_move_sweep(0, 2, p0, p1, 0, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_EQ(len, 0.0f);
    EXPECT_EQ(stk_sweep.steps, 0);
    EXPECT_NEAR(mx, 1.0f, 1e-6);
}

TEST_F(Sweep, ARowAlongTheGridsLastEdgeStaysInside)
{
    // A flat D1 level along X whose row half a radius to the left lies on
    // the grid's upper edge, half a cell past the last row of cells: the
    // cells it reaches are the grid's own, none beyond.
    const Tool t{"flat D1", 1.0, 0.0, 5.0, 0.0};
    t.make_current();
    stocktest::fill(0.0f);
    const f64 edge = stocktest::cy(stk_grid.ny - 1) + 0.5 * CELL;
    const f32 y = f32(edge - 0.25);
    ASSERT_EQ(f64(y) + 0.25, edge);
    const f32 p0[3] = {f32(stocktest::cx(0)), y, -1.0f}, p1[3] = {f32(stocktest::cx(40)), y, -1.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
    i32 st = 0;
    stk_move(1, 0, p0, p1, 4, mx, ed, vol, evol, pt, len, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(mx, 1.0f, 1e-6);
    // The tool at the start is not the move's: its cells from 1.5 radii on.
    for (i32 i = 6; i <= 40; ++i) EXPECT_EQ(stk_cells()[(stk_grid.ny - 1) * stk_grid.nx + i].h1, -1.0f) << i;
}

TEST(SweepSteps, TheEngagementOfAVeryLongMoveStopsAtItsLastStep)
{
    // 4,100 along X on eighth cells: 32,800 steps, recorded up to 32,767.
    stocktest::fresh(0.125f);
    ASSERT_EQ(stocktest::open(0, 0, 4100, 1), 0);
    stocktest::fill(0.0f);
    const Tool t{"flat D0.5", 0.5, 0.0, 5.0, 0.0};
    t.make_current();
    const f32 p0[3] = {0.5f, 0.5f, -1.0f}, p1[3] = {4099.5f, 0.5f, -1.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
    i32 st = 0;
    stk_move(1, 1, p0, p1, 3, mx, ed, vol, evol, pt, len, st);
    EXPECT_EQ(stk_sweep.steps, STK_STEPS_MAX);
    EXPECT_EQ(stk_sweep.flags[STK_STEPS_MAX], 1);
    EXPECT_EQ(pt[0], 0.5f);
    EXPECT_NEAR(mx, 1.0f, 1e-6);
}

TEST_F(Sweep, MovesOutsideTheGridMeasureNothing)
{
    const Tool t = stocktest::tools()[2];
    t.make_current();
    stocktest::fill(1.0f);
    const f32 p0[3] = {20.0f, -3.0f, -5.0f}, p1[3] = {30.0f, 4.0f, -5.0f};
    f32 mx = 1, ed = 1, vol = 1, evol = 1, len = 1, pt[3], top = 1;
    i32 st = 0;
    stk_move_sweep(1, 0, p0, p1, 1, mx, ed, top, vol, evol, pt, len, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(vol, 0.0f);
    EXPECT_EQ(mx, 0.0f);
    EXPECT_EQ(top, -100000.0f);
    EXPECT_EQ(pt[0], 30.0f);
    // From outside into the grid, on either axis: cut where it enters.
    const f32 in[][6] = {{-20.0f, 0.0f, 0.0f, -9.0f, 0.5f, 0.0f}, {0.5f, -20.0f, 0.0f, 0.0f, -9.0f, 0.0f},
                         {20.0f, 1.0f, 0.0f, 9.0f, 0.5f, 0.0f}, {0.5f, 20.0f, 0.0f, 0.0f, 9.0f, 0.0f}};
    for (const auto& m : in) {
        stocktest::fill(1.0f);
        stk_move_sweep(1, 0, m, m + 3, 1, mx, ed, top, vol, evol, pt, len, st);
        EXPECT_GT(vol, 1.0f) << m[0] << " " << m[1];
        EXPECT_NEAR(mx, 1.0f, 1e-6);
    }
}

TEST_F(Sweep, AToolThatOnlyTouchesTheStockCutsNothing)
{
    const Tool t = stocktest::tools()[0];  // flat: its whole end at the stock top
    t.make_current();
    stocktest::fill(0.0f);
    f32 p[3] = {0.0f, 0.0f, 0.0f}, mx = 1, sum = 1;
    stk_tool_at(1, p, 9, mx, sum);
    EXPECT_EQ(mx, 0.0f);
    EXPECT_EQ(sum, 0.0f);
    const f32 p0[3] = {0.0f, 0.0f, 0.0f}, p1[3] = {5.0f, 1.0f, 0.0f};
    f32 ed = 0, vol = 1, evol = 0, len = 0, pt[3];
    i32 st = 0;
    stk_move(1, 1, p0, p1, 10, mx, ed, vol, evol, pt, len, st);
    EXPECT_EQ(vol, 0.0f);
    EXPECT_EQ(pt[0], 5.0f);  // never met
    for (i32 s = 0; s <= stk_sweep.steps; ++s) ASSERT_EQ(stk_sweep.flags[s], 0) << s;
    for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_EQ(stk_cells()[k].move, 0) << k;
}

TEST_F(Sweep, NothingIsStampedWithoutAToolImage)
{
    stocktest::fill(0.0f);
    i32 st = 0;
    stk_tool_image(-1, 6.0f, 3.0f, 20.0f, 0.0f, st);  // a profile table only
    ASSERT_EQ(st, 0);
    const f32 p0[3] = {0.0f, 0.0f, -1.0f}, p1[3] = {5.0f, 1.0f, -1.0f};
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
    stk_move(1, 0, p0, p1, 10, mx, ed, vol, evol, pt, len, st);
    EXPECT_EQ(st, -1);
    f32 p[3] = {0.0f, 0.0f, -1.0f}, sum = 0;
    EXPECT_EQ(stk_tool_at(1, p, 3, mx, sum), 0);
    EXPECT_EQ(sum, 0.0f);
    EXPECT_EQ(stk_tool_at(2, p, 3, mx, sum), 1);
    EXPECT_EQ(p[2], -1.0f);
    for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_EQ(stk_cells()[k].h1, 0.0f);
}

}  // namespace

TEST(SweepFlatPocket, EveryCellInsideALevelFlatCutIsCutToItsHeight)
{
    // A flat D4 plunged into a block of top 10 and moved level, on a grid of
    // 0.25 whose cells lie 0.001 below the whole coordinates: the cells
    // 1.999 ahead of (or beside) the plunge lie 0.001 inside the tool, where
    // its sampled image at the plunge no longer reaches. Every cell whose
    // centre lies inside the swept disc, save within two image steps of its
    // edge (a standing tool's sampled rim), ends at the move's height; the
    // cells beyond the edge keep the top.
    struct Cut {
        double x0, y0, x1, y1;
    };
    const Cut cuts[] = {
        {0, 0, 24, 0}, {24, 0, 0, 0}, {0, 0, 0, 5}, {0, 5, 0, 0}, {0, 0, 20, 5}, {3.37, 1.21, 14.6, -2.93},
    };
    const Tool t{"flat D4", 4.0, 0.0, 20.0, 0.0};
    for (const Cut& c : cuts) {
        stocktest::fresh(0.25f);
        ASSERT_EQ(stocktest::open(-6, -6, 30, 12), 0);
        ASSERT_NEAR(stk_grid.box[0], -6.001, 1e-6);
        t.make_current();
        stocktest::fill(10.0f);
        const double ro = t.ro(), e = ro / stk_img.k8;
        const f32 above[3] = {f32(c.x0), f32(c.y0), 20.0f}, p0[3] = {f32(c.x0), f32(c.y0), 8.0f},
                  p1[3] = {f32(c.x1), f32(c.y1), 8.0f};
        f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
        i32 st = 0;
        stk_move(1, 0, above, p0, 1, mx, ed, vol, evol, pt, len, st);
        stk_move(1, 0, p0, p1, 2, mx, ed, vol, evol, pt, len, st);
        ASSERT_EQ(st, 0);
        const double dx = double(p1[0]) - p0[0], dy = double(p1[1]) - p0[1], d2 = dx * dx + dy * dy;
        i32 judged = 0;
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                const double s = std::clamp(((x - p0[0]) * dx + (y - p0[1]) * dy) / d2, 0.0, 1.0);
                const double off = std::hypot(x - p0[0] - s * dx, y - p0[1] - s * dy);
                const f32 h = stk_cells()[j * stk_grid.nx + i].h1;
                if (off < ro - 2 * e) {
                    ++judged;
                    EXPECT_EQ(h, 8.0f) << "cut " << c.x0 << " " << c.y0 << " to " << c.x1 << " " << c.y1
                                       << ": cell " << x << " " << y;
                } else if (off > ro + 2 * e) {
                    EXPECT_EQ(h, 10.0f) << "cell " << x << " " << y;
                }
            }
        EXPECT_GT(judged, 400);
    }
}
