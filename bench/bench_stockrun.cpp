// The stock of the cavity example's tool path: its procedure run on the
// stand-in host, then its moves stamped into a Z-map stock over the path's
// box by the point-list road and by the move-by-move walk, at several cells
// (the grid takes powers of two). Reports time, cells and the memory of the
// grid and the tool images.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/examples.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/host.h"
#include "core/records.h"
#include "core/load.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"
#include "stock/movecur.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

namespace {

using benchex::at_moves;

// A grid of any cell over the box, made outside the grid set-up (which
// takes powers of two and at most 2,000,001 cells): for measuring only.
void forced_grid(const f32* box, f32 cell, i32& status)
{
    i32 old = -1, st = 0;
    sim_stk_key_get(old);
    if (old >= 0) MM_CLOSE(old, st);
    StkGrid& g = stk_grid;
    g.cell = cell;
    g.box[0] = box[0], g.box[1] = box[1], g.box[3] = box[3], g.box[4] = box[4];
    g.nx = static_cast<i32>((box[3] - box[0]) / cell) + 1;
    g.ny = static_cast<i32>((box[4] - box[1]) / cell) + 1;
    g.ncells = g.nx * g.ny;
    void* base = nullptr;
    MM_OPEN_ARRAY(16, g.ncells, g.hdl, base, status);
    if (status != 0) return;
    sim_stk_key_set(g.hdl);
    StkCell* c = static_cast<StkCell*>(base);
    for (i32 k = 0; k < g.ncells; ++k) c[k] = StkCell{0, 0, 0, STK_NONE, STK_NONE};
    stk_image_clear(1);
}

void stock_run(benchmark::State& state, f32 cell, bool walk, bool forced = false)
{
    benchex::run_cavity();
    const i32 tool = CURTOL;
    double secs = 0;
    long cells = 0, moves = 0;
    double mib = 0;
    for (auto _ : state) {
        if (!at_moves()) {
            state.SkipWithError("no procedure");
            return;
        }
        // The path's box, the tool's reach around it.
        f32 box[6];
        benchex::ToolShape t;
        benchex::stock_box(tool, cell, box, t);
        i32 sx = 0, sy = 0, st = 0;
        if (forced)
            forced_grid(box, cell, st);
        else
            stk_grid_open(box, sx, sy, st);
        if (st != 0)
            std::printf("MEASURE stock grid refused: status %d over the box %g %g .. %g %g\n", st, double(box[0]),
                        double(box[1]), double(box[3]), double(box[4]));
        StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = box[5], c[k].move = 0;
        stk_tool_image(0, t.D, t.R, t.L, t.T, st);
        STKPOS = nullptr;
        at_moves();
        const auto t0 = std::chrono::steady_clock::now();
        if (walk) {
            // The example's machine names no feeds (its "PRM9" is zero): the
            // named feeds get a base feed of 1000 and half of it, so that
            // cutting moves are not taken as rapid ones. From the path's first
            // point, with the feed in force before the procedure's moves.
            PRM9[0] = r2wrd(1000.0f);
            for (i32 w = 3; w <= 6; ++w) PRM9[w] = 50;
            PRM9[21] = r2wrd(500.0f);
            i32 move = -1, rapid = 0;
            moves = 0;
            at_moves();
            i32 ph = -1, bh = -1, n = 0;
            tp_to_points(3, MV_LIST, ph, bh, n, st);
            void* fb = nullptr;
            mmcptr(ph, fb);
            stk_stamp_point(static_cast<const f32*>(fb) + (tp_is_tool(static_cast<const f32*>(fb)) ? 6 : 0));
            MM_CLOSE(ph, st);
            MM_CLOSE(bh, st);
            at_moves();
            do {
                stk_stamp_move(move, rapid, 1, st);
                ++moves;
            } while (st == 0);
            std::printf("MEASURE stock walk: %ld moves read, status %d\n", moves, st);
        } else {
            stk_optim_run(3, 0, st);
        }
        secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cells = stk_grid.ncells;
        mib = (16.0 * stk_grid.ncells + double(stk_image_bytes())) / (1024.0 * 1024.0);
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    i32 cut = 0;
    const StkCell* c = stk_cells();
    for (i32 k = 0; c && k < stk_grid.ncells; ++k) cut += c[k].move != 0;
    std::printf("MEASURE stock %s cell %g%s: %.1f ms, %ld cells (%d cut), grid+images %.1f MiB, process peak %.1f MiB\n",
                walk ? "walk" : "points", double(cell), forced ? " (forced grid)" : "", secs * 1000.0, cells, cut, mib,
                ru.ru_maxrss / 1024.0);
    state.counters["run_ms"] = secs * 1000.0;
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["MiB"] = mib;
    norak::reset();
}

void BM_StockRun(benchmark::State& state, double cell, bool walk) { stock_run(state, static_cast<f32>(cell), walk); }
void BM_StockRunForced(benchmark::State& state, double cell, bool walk)
{
    stock_run(state, static_cast<f32>(cell), walk, true);
}

BENCHMARK_CAPTURE(BM_StockRun, points_0125, 0.125, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRun, walk_0125, 0.125, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRun, points_00625, 0.0625, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRun, walk_00625, 0.0625, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRun, points_003125, 0.03125, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRun, walk_003125, 0.03125, true)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_StockRunForced, points_01, 0.1, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRunForced, walk_01, 0.1, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRunForced, points_005, 0.05, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockRunForced, walk_005, 0.05, true)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

