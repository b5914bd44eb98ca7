// The tool profile tables of the string positioning: closed symmetric rows
// built from the slope profile, the record array opened once, the handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common.h"
#include "stock/netgrid.h"

namespace {

class Nets : public ::testing::Test {
protected:
    void SetUp() override
    {
        stocktest::fresh(0.125f);
        stk_net = StkNet{{-1, -1}, -1, {0, 0}, {}};
    }
    void TearDown() override { stk_net_rels(); }
};

const f64* pairs(i32 index)
{
    void* b = nullptr;
    mmcptr(stk_net.prof[index], b);
    return static_cast<const f64*>(b);
}

// The lowest point of a tool moving at slope ta (radians) at lateral offset
// x, lifted by lift, seen across the slope: min over the forward offset f of
// H(hypot(x, f)) - tan(ta) f, convex in f, by ternary search up to the tool's
// rim.
f64 envelope(const stocktest::Tool& tt, f64 x, f64 ta, f64 lift)
{
    const f64 ro = tt.ro(), fm = std::sqrt(std::max(0.0, ro * ro - x * x));
    auto g = [&](f64 ff) { return tt.H(std::min(std::hypot(x, ff), ro * (1 - 1e-9))) - std::tan(ta) * ff; };
    f64 lo = 0, hi = fm;
    for (int it = 0; it < 80; ++it) {
        const f64 m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        (g(m1) <= g(m2) ? hi : lo) = (g(m1) <= g(m2) ? m2 : m1);
    }
    return std::cos(ta) * (std::min(g(0.5 * (lo + hi)), g(fm)) + lift);
}

TEST_F(Nets, RowsAreClosedSymmetricPolylinesOfTheLowestEnvelope)
{
    // A ball of radius 3 (the first tool value 6 as the positioning hands
    // it), tolerance 0.01, allowance 0.2 in table 1.
    ASSERT_EQ(stocktest::open(-5, -5, 5, 5), 0);
    stocktest::tools()[2].make_current();  // a slot current before the build
    i32 rec = -1, st = 0;
    void* base = nullptr;
    stk_net_prof(0.01f, 6.0f, 3.0f, 20.0f, 0.0f, 1, 0.2f, 10000, rec, base, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(rec, stk_net.rec);
    EXPECT_NE(base, nullptr);
    EXPECT_EQ(stk_net.prof[0], -1);
    ASSERT_GE(stk_net.prof[1], 0);
    // The grid's cell and the current slot are back.
    EXPECT_EQ(stk_grid.cell, 0.125f);
    EXPECT_EQ(stk_img.slot, 0);
    EXPECT_EQ(stk_img.diam, 6.0f);
    const f64* p = pairs(1);
    const f64 D = 6.0 - 0.02 + 0.2, R = 3.0 - 0.01 + 0.2;
    i32 start = 0;
    f64 worst = 0, worst5 = 0;  // below 5 degrees, from 5 on
    for (i32 a = 0; a < STK_NET_ROWS; ++a) {
        const i32 end = stk_net.ends[1][a], len = end - start;
        ASSERT_GE(len, 7) << a;
        ASSERT_EQ(len % 2, 1) << a;
        const i32 n = (len - 3) / 2;
        const f64* r = p + 2 * start;
        EXPECT_EQ(r[0], 0.0) << a;
        // Closed upwards, mirrored, back to the first point.
        EXPECT_EQ(r[2 * n + 1], 100000.0);
        EXPECT_EQ(r[2 * n], r[2 * (n - 1)]);
        for (i32 k = 0; k <= n; ++k) {
            EXPECT_EQ(r[2 * (n + 1 + k)], -r[2 * (n - k)]) << a << " " << k;
            EXPECT_EQ(r[2 * (n + 1 + k) + 1], r[2 * (n - k) + 1]) << a << " " << k;
        }
        EXPECT_EQ(r[2 * (len - 1)], r[0]);
        EXPECT_EQ(r[2 * (len - 1) + 1], r[1]);
        // The last of the half profile at the tool's edge.
        EXPECT_NEAR(r[2 * (n - 1)], D / 2, 1e-6) << a;
        // At x = 0, the point of the tool lowest along the slope (its flat
        // end's radius rf = D/2 - R, here below 0: the allowance widens the
        // corner more than the diameter), lifted by 2 tol - allowance and
        // seen across the slope.
        const f64 ta = a * M_PI / 180, rf = D / 2 - R;
        const f64 f = a == 0 ? 0.0 : rf + R * std::sin(ta);
        const f64 hh = (a == 0 ? R - std::sqrt(R * R - rf * rf) : R * (1 - std::cos(ta))) + 0.02 - 0.2;
        EXPECT_NEAR(r[1], hh * std::cos(ta) - f * std::sin(ta), 1e-3) << a;
        // Every point kept: the lowest envelope at slope a at its offset, less
        // 2 tol - allowance below it, seen across the slope.
        const stocktest::Tool tt{"table tool", D, R, 20.0, 0.0};
        for (i32 k = 0; k < n; ++k) {
            const f64 want = envelope(tt, r[2 * k], ta, 0.02 - 0.2);
            // Within twice the tolerance: at the smallest slopes the corner's
            // silhouette, sampled evenly in angle, is sparse near the edge.
            EXPECT_NEAR(r[2 * k + 1], want, 0.02) << a << " " << k;
            worst = std::max(worst, a < 5 ? std::fabs(r[2 * k + 1] - want) : 0.0);
            worst5 = std::max(worst5, a < 5 ? 0.0 : std::fabs(r[2 * k + 1] - want));
        }
        start = end;
    }
    if (std::getenv("STOCK_FIGURES")) std::printf("net rows: below 5 degrees within %.2e, above within %.2e\n", worst, worst5);
    EXPECT_LT(worst5, 0.01);
    EXPECT_EQ(stk_net.ends[1][STK_NET_ROWS], start);
    EXPECT_GE(stk_net.cap[1], start);
    i32 h = 0;
    stk_net_hdl(1, h);
    EXPECT_EQ(h, -1);  // the handle of table 0
    stk_net_prof(0.01f, 6.0f, 3.0f, 20.0f, 0.0f, 0, 0.2f, 10000, rec, base, st);
    ASSERT_EQ(st, 0);
    stk_net_hdl(1, h);
    EXPECT_EQ(h, stk_net.prof[0]);
    EXPECT_EQ(norak::open_arrays(), 1 + 2 + 1 + 2);  // grid, slot 0, record array, two tables
    stk_net_rels();
    EXPECT_EQ(norak::open_arrays(), 3);
    EXPECT_EQ(stk_net.rec, -1);
    EXPECT_EQ(stk_net.prof[0], -1);
}

TEST_F(Nets, ATolerancePastHalfTheToolStillGivesAProfile)
{
    i32 rec = -1, st = 0;
    void* base = nullptr;
    const f32 cell = stk_grid.cell;
    stk_net_prof(4.0f, 6.0f, 1.0f, 20.0f, 0.0f, 0, 0.0f, 10000, rec, base, st);
    EXPECT_EQ(st, 0);
    EXPECT_GE(stk_net.prof[0], 0);
    EXPECT_EQ(stk_grid.cell, cell);
    // A taper.
    stk_net_prof(0.02f, 4.0f, 0.5f, 10.0f, 12.0f, 1, 0.1f, 10000, rec, base, st);
    EXPECT_EQ(st, 0);
    stk_net_prof(0.02f, 4.0f, 0.5f, 10.0f, 12.0f, 2, 0.1f, 10000, rec, base, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("stk_net_prof, WRONG TABLE INDEX"));
}

TEST_F(Nets, ATaperedToolsRowsReachItsFlankAtItsOuterRadius)
{
    // Tapered tools: each row's half profile runs out to the flank's top,
    // ro = D'/2 + tan(T) L (8.53 for D' 10, T 10 degrees, L 20, where D'/2
    // is 5), and every point kept lies on the tool's lowest envelope at its
    // own offset, not at one squeezed towards the axis.
    struct Case {
        f32 tol, S, R, L, T, allowance;
    };
    for (const Case c : {Case{0.01f, 10.01f, 0.0f, 20.0f, 10.0f, 0.01f}, Case{0.02f, 4.0f, 0.5f, 10.0f, 12.0f, 0.1f},
                         Case{0.005f, 3.0f, 1.0f, 6.0f, 30.0f, 0.0f}}) {
        SCOPED_TRACE(testing::Message() << "taper " << c.T);
        i32 rec = -1, st = 0;
        void* base = nullptr;
        stk_net_prof(c.tol, c.S, c.R, c.L, c.T, 0, c.allowance, 10000, rec, base, st);
        ASSERT_EQ(st, 0);
        const stocktest::Tool tt{"taper", f64(c.S - 2.0f * c.tol + c.allowance), f64(c.R - c.tol + c.allowance),
                                 f64(c.L), f64(c.T)};
        const f64* p = pairs(0);
        i32 start = 0;
        f64 worst = 0;
        for (i32 a = 0; a < STK_NET_ROWS; ++a) {
            const i32 end = stk_net.ends[0][a], n = (end - start - 3) / 2;
            const f64* r = p + 2 * start;
            EXPECT_NEAR(r[2 * (n - 1)], tt.ro(), 1e-4 * tt.ro()) << a;
            const f64 ta = a * M_PI / 180;
            for (i32 k = 0; k < n; ++k) {
                const f64 d = std::fabs(r[2 * k + 1] - envelope(tt, r[2 * k], ta, 2.0 * c.tol - c.allowance));
                EXPECT_LT(d, 0.02) << a << " " << k << " x " << r[2 * k];
                worst = std::max(worst, a < 5 ? 0.0 : d);
            }
            start = end;
        }
        EXPECT_LT(worst, 2.0 * c.tol);
    }
}

TEST_F(Nets, ATableGrowsAsItsRowsNeedAndAFailedGrowthClosesIt)
{
    // A ball within a tolerance so fine that the thinning keeps nearly every
    // column: the rows need more than the first room of the table, which
    // grows and keeps the rows written before. Then the same build with the
    // growth refused: the table is closed and forgotten, nothing else is
    // left open, and the slot current before is current again.
    ASSERT_EQ(stocktest::open(-5, -5, 5, 5), 0);
    stocktest::tools()[2].make_current();
    i32 rec = -1, st = 0;
    void* base = nullptr;
    stk_net_open(10000, rec, base, st);
    ASSERT_EQ(st, 0);
    const i32 arrays = norak::open_arrays();
    const long long before = norak::allocations();
    stk_net_prof(1.0e-5f, 6.0f, 3.0f, 20.0f, 0.0f, 0, 0.0f, 10000, rec, base, st);
    ASSERT_EQ(st, 0);
    const long long asked = norak::allocations() - before;
    // The temporary profile, the table and the scratch row, then the growths.
    ASSERT_GT(asked, 3);
    const f64* p = pairs(0);
    i32 start = 0;
    for (i32 a = 0; a < STK_NET_ROWS; ++a) {
        const i32 end = stk_net.ends[0][a], len = end - start;
        ASSERT_GE(len, 7) << a;
        ASSERT_EQ(len % 2, 1) << a;
        ASSERT_LE(end, stk_net.cap[0]) << a;
        const i32 m = (len - 3) / 2;
        const f64* r = p + 2 * start;
        ASSERT_EQ(r[0], 0.0) << a;
        ASSERT_EQ(r[2 * m + 1], 100000.0) << a;
        for (i32 q = 0; q < m; ++q) ASSERT_EQ(r[2 * (len - 2 - q)], -r[2 * q]) << a << " " << q;
        ASSERT_EQ(r[2 * (len - 1) + 1], r[1]) << a;
        start = end;
    }
    EXPECT_EQ(norak::open_arrays(), arrays + 1);
    // Each growth refused in turn, the first and the last.
    for (const long long k : {4LL, asked}) {
        SCOPED_TRACE(k);
        stk_net_rels();
        stk_net_open(10000, rec, base, st);
        norak::fail_alloc_after(static_cast<i32>(k));
        stk_net_prof(1.0e-5f, 6.0f, 3.0f, 20.0f, 0.0f, 0, 0.0f, 10000, rec, base, st);
        norak::fail_alloc_after(0);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(stk_net.prof[0], -1);
        EXPECT_EQ(norak::open_arrays(), arrays);
        EXPECT_EQ(stk_img.slot, 0);
        EXPECT_EQ(stk_img.diam, 6.0f);
    }
}

TEST_F(Nets, TheRecordArrayIsOpenedOnceAndTheHandlesSetTogether)
{
    i32 h1 = -1, h2 = -1, st = 0;
    void *b1 = nullptr, *b2 = nullptr;
    stk_net_open(10000, h1, b1, st);
    ASSERT_EQ(st, 0);
    EXPECT_GE(h1, 0);
    stk_net_open(5, h2, b2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(h2, h1);
    EXPECT_EQ(b2, b1);
    EXPECT_EQ(norak::open_arrays(), 1);
    // Any handle value sets all three; -1 marks them closed without closing them.
    i32 seven = 7, none = -1, h0 = 0;
    stk_net_hdl(2, seven);
    EXPECT_EQ(stk_net.prof[0], 7);
    EXPECT_EQ(stk_net.prof[1], 7);
    EXPECT_EQ(stk_net.rec, 7);
    stk_net_hdl(1, h0);
    EXPECT_EQ(h0, 7);
    stk_net_hdl(2, none);
    EXPECT_EQ(stk_net.prof[0], -1);
    EXPECT_EQ(stk_net.prof[1], -1);
    EXPECT_EQ(stk_net.rec, -1);
    stk_net_rels();
    EXPECT_EQ(norak::open_arrays(), 1);
    i32 h = h1;
    MM_CLOSE(h, st);
    // A refused array: the host's status.
    norak::fail_alloc_after(1);
    i32 h3 = -1;
    stk_net_open(10, h3, b1, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(stk_net.rec, -1);
}

TEST_F(Nets, ArraysOfHandleZeroAreClosedAsAnyOther)
{
    norak::reset();  // no grid: the first array opened gets the handle 0
    i32 h = -1, st = 0;
    void* b = nullptr;
    stk_net_open(10, h, b, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(h, 0);
    stk_net_rels();
    EXPECT_EQ(stk_net.rec, -1);
    EXPECT_EQ(norak::open_arrays(), 0);
    // Each profile table of handle 0.
    for (i32 k = 0; k < 2; ++k) {
        MM_OPEN_ARRAY(16, 10, h, b, st);
        ASSERT_EQ(h, 0);
        stk_net.prof[k] = h;
        stk_net_rels();
        EXPECT_EQ(stk_net.prof[k], -1);
        EXPECT_EQ(norak::open_arrays(), 0) << k;
    }
}

}  // namespace
