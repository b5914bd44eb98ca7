// The measures that pass over blocks by their peaks give, bit for bit, what
// the plain measures give: on random stock, for tools small and larger than
// the grid, at points and along moves of every kind (level, sloped, shorter
// than a cell, vertical, off the grid), while the stock is cut between the
// measures, with the cut boxes named or not (a peak from before a cut still
// bounds its block).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "common.h"
#include "stock/stkpeak.h"
#include "stock/stkstamp.h"

namespace {

bool same(f32 a, f32 b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Shape {
    f32 D, R, L, T;
};

class PeakMeasures : public ::testing::TestWithParam<float> {};

TEST_P(PeakMeasures, AnswerAsThePlainMeasures)
{
    const float cell = GetParam();
    stocktest::fresh(cell);
    ASSERT_EQ(stocktest::open(0.0, 0.0, 11.0, 9.0), 0);
    ASSERT_EQ(stk_grid.cell, cell);
    std::mt19937 rng(static_cast<unsigned>(cell * 4096));
    auto uni = [&](double a, double b) { return f32(std::uniform_real_distribution<double>(a, b)(rng)); };
    // Terraced stock with bumps and a few empty cells.
    StkCell* c = stk_cells();
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) {
            const double x = stocktest::cx(i), y = stocktest::cy(j);
            f32 h = x < 4.0 ? -1.0f : (y < 5.0 ? 0.5f : -3.0f);
            h += f32(0.3 * std::sin(1.7 * x) * std::cos(2.3 * y));
            if ((i * 7 + j * 13) % 97 == 0) h = STK_NONE;
            c[size_t(j) * stk_grid.nx + i].h1 = h;
        }
    // The cutter in slot 0; a ball, a taper, a bull nose and a disc wider
    // than the grid in the others.
    const Shape shapes[] = {{1.0f, 0.0f, 3.0f, 0.0f}, {2.0f, 1.0f, 3.0f, 0.0f}, {1.5f, 0.25f, 4.0f, 12.0f},
                            {3.0f, 0.5f, 2.0f, 0.0f}, {14.0f, 0.0f, 1.0f, 0.0f}};
    const i32 slots = sizeof shapes / sizeof shapes[0];
    for (i32 s = 0; s < slots; ++s) {
        i32 st = 0;
        stk_tool_image(s, shapes[s].D, shapes[s].R, shapes[s].L, shapes[s].T, st);
        ASSERT_EQ(st, 0);
    }
    StkPeaks peaks;
    ASSERT_TRUE(peaks.build());
    // The highest stock within r of a point (-4 when none).
    auto top_near = [&](const f32* p, f32 r) {
        f32 t = -4.0f;
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const f32 h = c[size_t(j) * stk_grid.nx + i].h1;
                if (h < STK_EMPTY && std::hypot(stocktest::cx(i) - p[0], stocktest::cy(j) - p[1]) < r) t = std::max(t, h);
            }
        return t;
    };
    i32 moves = 0, points = 0, cuts = 0, contacts = 0;
    for (i32 trial = 0; trial < 1500; ++trial) {
        const i32 kind = trial % 5;
        i32 st = 0;
        if (kind == 4 && trial % 3 == 0) {
            // A cut with the cutter, its box named to the peaks two times
            // out of three.
            stk_image_select(0, st);
            const f32 a[3] = {uni(-1, 12), uni(-1, 10), uni(-3, 0.5)}, b[3] = {uni(-1, 12), uni(-1, 10), uni(-3, 0.5)};
            f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
            stk_move(1, 0, a, b, 7, md, ed, v, ev, pt, len, st);
            const f64 r = stk_img.diam * 0.5 + 2.0 * cell;
            if (trial % 2 == 0)
                peaks.lowered(std::min(a[0], b[0]) - r, std::min(a[1], b[1]) - r, std::max(a[0], b[0]) + r,
                              std::max(a[1], b[1]) + r);
            ++cuts;
            continue;
        }
        stk_image_select(trial % slots, st);
        ASSERT_EQ(st, 0);
        f32 p0[3] = {uni(-2, 13), uni(-2, 11), uni(-4.5, 2)};
        if (kind == 0) {
            f32 md = 0, sd = 0, pd = 0, ps = 0, q[3] = {p0[0], p0[1], p0[2]};
            stk_tool_at(0, q, 0, md, sd);
            stk_tool_depth(p0, peaks, pd, ps);
            ASSERT_TRUE(same(md, pd) && same(sd, ps)) << "point " << trial << ": " << md << " " << pd;
            contacts += md > 0.0f;
            ++points;
            continue;
        }
        // Moves: long, shorter than a cell, vertical, steep.
        const f32 len = kind == 1 ? uni(0.0, 0.9 * cell) : uni(0.5, 7.0);
        const f32 ang = uni(0, 6.3);
        f32 p1[3] = {p0[0] + len * std::cos(ang), p0[1] + len * std::sin(ang), p0[2] + uni(-2, 2)};
        if (kind == 2) p1[0] = p0[0], p1[1] = p0[1];
        if (kind == 3 && trial % 2) p1[2] = p0[2] + uni(-30, 30);
        if (trial % 4 == 1) {
            // Grazing: the lower end just touches the highest stock under
            // the tool there, or just misses it.
            f32* low = p0[2] <= p1[2] ? p0 : p1;
            const f32 dz = low == p0 ? p1[2] - p0[2] : p0[2] - p1[2];
            low[2] = top_near(low, stk_img.diam * 0.5f) + uni(-0.08, 0.02);
            (low == p0 ? p1 : p0)[2] = low[2] + dz;
        }
        const i32 mode = trial % 3;
        f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], length = 0;
        stk_move(0, mode, p0, p1, 0, md, ed, v, ev, pt, length, st);
        ASSERT_EQ(st, 0);
        const i32 steps = stk_sweep.steps;
        const std::vector<char> flags(stk_sweep.flags, stk_sweep.flags + std::min(steps + 2, STK_STEPS_MAX + 1));
        f32 md2 = 0, ed2 = 0, v2 = 0, ev2 = 0, pt2[3], length2 = 0;
        stk_move_depth(mode, p0, p1, peaks, md2, ed2, v2, ev2, pt2, length2, st);
        ASSERT_EQ(st, 0);
        ASSERT_TRUE(same(md, md2) && same(ed, ed2) && same(v, v2) && same(ev, ev2) && same(length, length2))
            << "move " << trial << " mode " << mode << ": " << md << " " << md2 << ", " << v << " " << v2;
        for (int k = 0; k < 3; ++k) ASSERT_TRUE(same(pt[k], pt2[k])) << "move " << trial;
        ASSERT_EQ(stk_sweep.steps, steps) << "move " << trial;
        ASSERT_EQ(std::vector<char>(stk_sweep.flags, stk_sweep.flags + flags.size()), flags) << "move " << trial;
        contacts += md > 0.0f;
        ++moves;
    }
    // Every peak bounds its block.
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) {
            const f32 h = c[size_t(j) * stk_grid.nx + i].h1;
            if (h < STK_EMPTY) {
                ASSERT_LE(h, peaks.peak(i >> StkPeaks::SHIFT, j >> StkPeaks::SHIFT));
            }
        }
    // The cases reach stock and pass over it.
    EXPECT_GT(contacts, (moves + points) / 5);
    EXPECT_LT(contacts, moves + points - (moves + points) / 5);
    EXPECT_GT(cuts, 50);
}

INSTANTIATE_TEST_SUITE_P(Cells, PeakMeasures, ::testing::Values(0.125f, 0.25f, 0.5f));

}  // namespace
