// The exact clearance of the tool at a point (mode code 10) beside the plain
// drop (mode code 0), queries per second on hemisphere-on-plate models of
// 10^4, 10^5 and 10^6 triangles over the same XY square, for each tool kind.
// The clearance is asked where the tool rests, raised by a thousandth, which
// is where a lane point on the surface is checked.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "../tests/common/meshes.h"
#include "../tests/common/positioning.h"
#include "../tests/common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

using positioning::Kind;
using positioning::KINDS;

constexpr int GRID = 50;  // 50 x 50 points over the model; one iteration is the whole grid
constexpr f32 TOL = 0.01f;

i32 built = 0, heights_for = -1;
std::vector<f32> heights;  // where the tool rests at each grid point

void model(i32 n)
{
    if (built == n) return;
    norak::reset();
    FRETRI();
    stk_net_rels();  // the host's arrays went with the reset
    meshes::build(meshes::hemisphere_on_plate(30.0, 50.0, n));
    built = n;
    heights_for = -1;
    STPFLG(0x3F);
}

void grid_point(int k, f32& x, f32& y)
{
    x = static_cast<f32>(-44.0 + 88.0 * (k % GRID) / (GRID - 1));
    y = static_cast<f32>(-44.0 + 88.0 * (k / GRID) / (GRID - 1));
}

// Sets up the model and the tool and finds the resting heights once.
void prepare(i32 n, i32 kind)
{
    model(n);
    const Kind& kd = KINDS[kind];
    tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
    if (heights_for == kind) return;
    heights.assign(GRID * GRID, 0.0f);
    for (int k = 0; k < GRID * GRID; ++k) {
        f32 p[3], res[3], con[3], nrm[4];
        grid_point(k, p[0], p[1]);
        p[2] = 0.0f;
        i32 srf = 0, st = 0;
        PNTNET(0, p, TOL, 0.0f, 0.0f, res, con, nrm, srf, st);
        heights[k] = st == 0 ? res[2] : 0.0f;
    }
    heights_for = kind;
}

void query(benchmark::State& state, i32 mode)
{
    const i32 n = static_cast<i32>(state.range(0));
    prepare(n, static_cast<i32>(state.range(1)));
    LOCNRM = 1;
    const f64 g0 = LOCNGT;
    std::int64_t q = 0, found = 0;
    for (auto _ : state) {
        for (int k = 0; k < GRID * GRID; ++k) {
            f32 p[3], res[3], con[3], nrm[4];
            grid_point(k, p[0], p[1]);
            p[2] = heights[k] + 0.001f;
            i32 srf = 0, st = 0;
            PNTNET(mode, p, TOL, 0.0f, 0.0f, res, con, nrm, srf, st);
            benchmark::DoNotOptimize(nrm[0]);
            found += (mode >= 10 ? nrm[0] < 1000.0f : st == 0);
            ++q;
        }
    }
    state.SetLabel(KINDS[state.range(1)].name);
    state.counters["queries/s"] = benchmark::Counter(static_cast<double>(q), benchmark::Counter::kIsRate);
    state.counters["answered"] = static_cast<double>(found) / static_cast<double>(q);
    if (mode < 10) state.counters["gathered/q"] = (LOCNGT - g0) / static_cast<double>(q);
}

// Mode code 10: the exact clearance at the point; 0: the plain drop there.
void BM_Query(benchmark::State& state) { query(state, static_cast<i32>(state.range(2))); }

void args(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"triangles", "tool", "mode"});
    for (std::int64_t n : {10000, 100000, 1000000})
        for (std::int64_t k = 0; k < 4; ++k)
            for (std::int64_t m : {10, 0}) b->Args({n, k, m});
}

}  // namespace

BENCHMARK(BM_Query)->Apply(args)->Unit(benchmark::kMillisecond);
