// Tool positioning over the triangle model: positions per second, and list
// entries tested, listed and examined and contacts computed per position,
// for each tool kind on hemisphere-on-plate models of 10^4, 10^5 and 10^6
// triangles over the same XY square, against a brute-force
// double-precision drop.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "../tests/common/dropref.h"
#include "../tests/common/meshes.h"
#include "../tests/common/positioning.h"
#include "../tests/common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/linnetn.h"
#include "cutter/locpnt.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

using positioning::Kind;
using positioning::KINDS;

i32 built = 0;
std::vector<double> tris;

void model(i32 n)
{
    if (built == n) return;
    norak::reset();
    FRETRI();
    stk_net_rels();  // the host's arrays went with the reset
    auto ms = meshes::hemisphere_on_plate(30.0, 50.0, n);
    meshes::build(ms);
    tris = meshes::soup(ms);
    built = n;
    STPFLG(0x3F);
}

// The XY grid: 50 x 50 points, row by row; one iteration is the whole grid.
constexpr int GRID = 50;
void grid_point(std::int64_t i, f32& x, f32& y)
{
    std::int64_t k = i % (GRID * GRID);
    x = static_cast<f32>(-44.0 + 88.0 * (k % GRID) / (GRID - 1));
    y = static_cast<f32>(-44.0 + 88.0 * (k / GRID) / (GRID - 1));
}

void BM_Position(benchmark::State& state)
{
    const i32 n = static_cast<i32>(state.range(0));
    const Kind& kd = KINDS[state.range(1)];
    model(n);
    tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
    const f64 t0 = LOCNTS, g0 = LOCNGT, e0 = LOCNEX, c0 = LOCNCT;
    std::int64_t i = 0;
    for (auto _ : state) {
        for (int k = 0; k < GRID * GRID; ++k) {
            f32 x, y;
            grid_point(i++, x, y);
            f32 p[3] = {x, y, 0}, res[3], con[3], nrm[3];
            i32 srf = 0, st = 0;
            PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
            benchmark::DoNotOptimize(res[2]);
        }
    }
    state.SetLabel(kd.name);
    state.counters["positions/s"] = benchmark::Counter(static_cast<double>(i), benchmark::Counter::kIsRate);
    state.counters["tested/pos"] = (LOCNTS - t0) / static_cast<double>(i);
    state.counters["built/pos"] = (LOCNGT - g0) / static_cast<double>(i);
    state.counters["examined/pos"] = (LOCNEX - e0) / static_cast<double>(i);
    state.counters["contacts/pos"] = (LOCNCT - c0) / static_cast<double>(i);
}

void BM_BruteForce(benchmark::State& state)
{
    const i32 n = static_cast<i32>(state.range(0));
    const Kind& kd = KINDS[state.range(1)];
    model(n);
    std::int64_t i = 0;
    for (auto _ : state) {
        f32 x, y;
        grid_point(i++ * 997, x, y);
        double p[2] = {x, y}, best = dropref::NONE;
        for (size_t t = 0; t < tris.size() / 9; ++t) {
            double v[3][3];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) v[a][b] = tris[9 * t + 3 * a + b];
            double h = dropref::drop(kd.ref, p, v);
            if (h > best) best = h;
        }
        benchmark::DoNotOptimize(best);
    }
    state.SetLabel(kd.name);
    state.counters["positions/s"] = benchmark::Counter(static_cast<double>(i), benchmark::Counter::kIsRate);
    state.counters["tested/pos"] = static_cast<double>(tris.size() / 9);
}

// Strings along a raster of 40 lines across the model, tolerance 0.01.
void BM_Raster(benchmark::State& state)
{
    const i32 n = static_cast<i32>(state.range(0));
    const Kind& kd = KINDS[state.range(1)];
    model(n);
    tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
    NETFLG(0);
    std::vector<f32> xyz(30000), nrm(30000);
    std::vector<i32> flg(10001), len(51);
    const f64 p0 = NETPOS;
    double out = 0;
    for (auto _ : state) {
        for (int k = 0; k < 40; ++k) {
            f32 y = static_cast<f32>(-44.0 + 88.0 * k / 39.0);
            f32 a[3] = {-44.0f, y, 0.0f}, b[3] = {44.0f, y, 0.0f};
            i32 nst = 0, tot = 0, st = 0;
            const i32 restart = 1, line3d = 0, cap = 30000, mode = 5, maxs = 50;
            LINNETN(restart, line3d, a, b, 0.01f, 0.0f, 0.0f, cap, mode, xyz.data(), nrm.data(), nullptr, flg.data(),
                    nst, maxs, len.data(), tot, st);
            out += tot;
        }
    }
    state.SetLabel(kd.name);
    state.counters["positioned/s"] = benchmark::Counter(NETPOS - p0, benchmark::Counter::kIsRate);
    state.counters["output points/s"] = benchmark::Counter(out, benchmark::Counter::kIsRate);
}

void raster_args(benchmark::internal::Benchmark* b)
{
    for (std::int64_t n : {100000, 1000000})
        for (std::int64_t k : {0, 2}) b->Args({n, k});
}

void args(benchmark::internal::Benchmark* b)
{
    for (std::int64_t n : {10000, 100000, 1000000})
        for (std::int64_t k = 0; k < 4; ++k) b->Args({n, k});
}

}  // namespace

BENCHMARK(BM_Position)->Apply(args)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raster)->Apply(raster_args)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BruteForce)->Apply(args)->Unit(benchmark::kMillisecond)->Iterations(3);
