// The Z-map stock: moves cut into the grid per second, and the cells they
// sweep per second, for short (under a cell), medium (2) and long (20)
// moves along X and along Y, each tool shape, cells of 0.125 and 0.0625; and
// the build time and memory of a tool's image by its size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkstamp.h"

namespace {

struct Shape {
    const char* name;
    f32 D, R, L, T;
};
const Shape SHAPES[] = {
    {"flat D10", 10.0f, 0.0f, 30.0f, 0.0f},
    {"ball D10", 10.0f, 5.0f, 30.0f, 0.0f},
    {"torus D10 r2", 10.0f, 2.0f, 30.0f, 0.0f},
    {"taper D6 r1 10deg", 6.0f, 1.0f, 20.0f, 10.0f},
};
const f32 CELLS[] = {0.125f, 0.0625f};
const f32 LENGTHS[] = {0.05f, 2.0f, 20.0f};
const char* LENGTH_NAMES[] = {"short", "medium", "long"};

// A display stock of the given cell over 0..80 in X and Y, its top at 0.
void grid(f32 cell)
{
    norak::reset();
    std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
    dx[0] = r2wrd(cell);
    norak::set_record("DX79", 4, dx);
    const f32 box[6] = {0, 0, 0, 80, 80, 0};
    i32 sx = 0, sy = 0, st = 0;
    stk_grid_open(box, sx, sy, st);
    StkCell* c = stk_cells();
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = 0.0f;
}

void BM_StockMoves(benchmark::State& state)
{
    const Shape& s = SHAPES[state.range(0)];
    const f32 cell = CELLS[state.range(1)];
    const f32 len = LENGTHS[state.range(2)];
    const bool ymajor = state.range(3) != 0;
    grid(cell);
    i32 st = 0;
    stk_tool_image(0, s.D, s.R, s.L, s.T, st);
    if (st != 0) {
        state.SkipWithError("no image");
        return;
    }
    const f32 ro = stk_img.diam * 0.5f;
    // Passes back and forth across the middle of the stock, each move a
    // little off the axis (a slope of 1 in 4 across it) and cutting 1 deep.
    f32 p[3] = {15.0f, 15.0f, -1.0f};
    f32 dir = 1.0f, side = 1.0f;
    i32 move = 0;
    f32 mx = 0, ed = 0, vol = 0, evol = 0, length = 0, pt[3];
    for (auto _ : state) {
        f32 q[3] = {p[0], p[1], -1.0f};
        f32& major = ymajor ? q[1] : q[0];
        f32& minor = ymajor ? q[0] : q[1];
        if (major + dir * len > 65.0f || major + dir * len < 15.0f) dir = -dir;
        if (minor + side * 0.25f * len > 65.0f || minor + side * 0.25f * len < 15.0f) side = -side;
        major += dir * len;
        minor += side * 0.25f * len;
        stk_move(1, 0, p, q, ++move, mx, ed, vol, evol, pt, length, st);
        benchmark::DoNotOptimize(vol);
        p[0] = q[0], p[1] = q[1];
    }
    // The cells a move sweeps: its band and the tool's disk at its end.
    const double swept = (2.0 * ro * len * std::sqrt(1.0625) + M_PI * ro * ro) / (double(cell) * cell);
    state.counters["moves/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cells/s"] = benchmark::Counter(double(state.iterations()) * swept, benchmark::Counter::kIsRate);
    state.SetLabel(std::string(s.name) + ", cell " + (cell == 0.125f ? "0.125" : "0.0625") + ", " +
                   LENGTH_NAMES[state.range(2)] + (ymajor ? ", Y-major" : ", X-major"));
}
BENCHMARK(BM_StockMoves)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {0, 1, 2}, {0, 1}})
    ->ArgNames({"tool", "cell", "length", "ymajor"})
    ->Unit(benchmark::kMicrosecond);

void BM_ToolImage(benchmark::State& state)
{
    const f32 D = static_cast<f32>(state.range(0));
    const f32 cell = CELLS[state.range(1)];
    grid(cell);
    i32 st = 0;
    for (auto _ : state) {
        stk_image_free(0);
        stk_tool_image(0, D, D * 0.2f, 30.0f, 0.0f, st);
        benchmark::DoNotOptimize(stk_img.image);
    }
    state.counters["MB"] = double(stk_image_bytes()) / (1024.0 * 1024.0);
    state.counters["8k+1"] = stk_img.n;
    state.SetLabel(std::string("corner-radius D") + std::to_string(state.range(0)) + " r0.2D, cell " +
                   (cell == 0.125f ? "0.125" : "0.0625"));
}
BENCHMARK(BM_ToolImage)
    ->ArgsProduct({{2, 6, 10, 20, 40, 80}, {0, 1}})
    ->ArgNames({"D", "cell"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
