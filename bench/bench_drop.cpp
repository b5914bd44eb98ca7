// The tool drop at scale: positions per second, and list entries tested
// against the tool's square, listed and examined per position, over the
// published STL parts and a height field of 10^6 triangles; the build of
// the triangle model of 10^6 triangles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/common/meshes.h"
#include "../tests/common/positioning.h"
#include "../tests/common/tooldefs.h"
#include "core/params.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"

namespace {

using positioning::Kind;
using positioning::KINDS;

const char* const PARTS[] = {"sphere_on_plate.stl", "demo.stl", "cone_on_side.stl"};

// The model in force: its name and its XY box.
std::string built;
f32 box[4];

void fresh()
{
    positioning::reset();
    stk_net_rels();  // the host's arrays went with the reset
    built.clear();
}

void box_of(const std::vector<f32>& xyz)
{
    box[0] = box[1] = 1e30f, box[2] = box[3] = -1e30f;
    for (size_t k = 0; k < xyz.size(); k += 3) {
        box[0] = std::fmin(box[0], xyz[k]), box[2] = std::fmax(box[2], xyz[k]);
        box[1] = std::fmin(box[1], xyz[k + 1]), box[3] = std::fmax(box[3], xyz[k + 1]);
    }
}

// Reads a published part with the module's reader into the model; false
// when the file is not at hand. The parts sit beside the repository, or in
// the folder the environment's TAVREK_DATA names (a checkout elsewhere).
bool stl_model(const std::string& file)
{
    if (built == file) return true;
    fresh();
    std::string path = std::string(TAVREK_EXAMPLES) + "/../../shared/data/stl/" + file;
    if (const char* data = std::getenv("TAVREK_DATA"); data && !std::ifstream(path))
        path = std::string(data) + "/stl/" + file;
    if (!std::ifstream(path)) return false;
    i32 eid = 0, st = 0;
    STLRED(path.c_str(), eid, st);
    SvapMesh m;
    if (st == 0) lin_svap_load(eid, m, st);
    if (st != 0 || m.tri.empty()) return false;
    meshes::Mesh ms;
    ms.xyz.assign(m.xyz.begin(), m.xyz.end());
    ms.tri = m.tri;
    ms.id = 1;
    if (meshes::build({ms}) != 0) return false;
    box_of(m.xyz);
    built = file;
    return true;
}

// A height field of about n triangles over 200 x 200.
void field_model(i32 n)
{
    const std::string name = "field" + std::to_string(n);
    if (built == name) return;
    fresh();
    const i32 side = static_cast<i32>(std::sqrt(n / 2.0));
    auto m = meshes::terrain(200.0, side);
    m.id = 1;
    meshes::build({m});
    box_of(std::vector<f32>(m.xyz.begin(), m.xyz.end()));
    built = name;
}

// Drops over a side x side grid of the model's box; one iteration is the
// whole grid. The counters are per position.
void drop_grid(benchmark::State& state, const Kind& kd, i32 side, f32 tol)
{
    tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
    const f64 t0 = LOCNTS, g0 = LOCNGT, e0 = LOCNEX, c0 = LOCNCT;
    std::int64_t n = 0;
    for (auto _ : state) {
        for (i32 j = 0; j < side; ++j)
            for (i32 i = 0; i < side; ++i) {
                const f32 x = box[0] + (box[2] - box[0]) * static_cast<f32>(i) / static_cast<f32>(side - 1);
                const f32 y = box[1] + (box[3] - box[1]) * static_cast<f32>(j) / static_cast<f32>(side - 1);
                f32 p[3] = {x, y, 0}, res[3], con[3], nrm[3];
                i32 srf = 0, st = 0;
                PNTLC1(0, p, tol, 0.0f, 0.0f, res, con, nrm, srf, st);
                benchmark::DoNotOptimize(res[2]);
                ++n;
            }
    }
    const f64 q = static_cast<f64>(n);
    state.SetLabel(kd.name);
    state.counters["positions/s"] = benchmark::Counter(q, benchmark::Counter::kIsRate);
    state.counters["tested/pos"] = (LOCNTS - t0) / q;
    state.counters["built/pos"] = (LOCNGT - g0) / q;
    state.counters["examined/pos"] = (LOCNEX - e0) / q;
    state.counters["contacts/pos"] = (LOCNCT - c0) / q;
}

// Published parts: a 300 x 300 grid, tolerance 0.01.
void BM_StlDrop(benchmark::State& state)
{
    if (!stl_model(PARTS[state.range(0)])) {
        state.SkipWithError("the published STL parts are not at hand");
        return;
    }
    drop_grid(state, KINDS[state.range(1)], 300, 0.01f);
    state.SetLabel(std::string(PARTS[state.range(0)]) + " " + KINDS[state.range(1)].name);
}

// The height field of 10^6 triangles over 200 x 200: a 100 x 100 grid.
void BM_FieldDrop(benchmark::State& state)
{
    field_model(static_cast<i32>(state.range(0)));
    drop_grid(state, KINDS[state.range(1)], 100, 0.01f);
}

// The build of the triangle model and its first position.
void BM_ModelBuild(benchmark::State& state)
{
    const i32 side = static_cast<i32>(std::sqrt(state.range(0) / 2.0));
    auto m = meshes::terrain(200.0, side);
    m.id = 1;
    tooldefs::use_mill(10.0f, 5.0f);
    for (auto _ : state) {
        state.PauseTiming();
        fresh();
        tooldefs::use_mill(10.0f, 5.0f);
        state.ResumeTiming();
        meshes::build({m});
        f32 p[3] = {100.0f, 100.0f, 0.0f}, res[3], con[3], nrm[3];
        i32 srf = 0, st = 0;
        PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        benchmark::DoNotOptimize(res[2]);
    }
    state.counters["triangles"] = TRIMDL[TM_NTRG];
    fresh();
}

void stl_args(benchmark::internal::Benchmark* b)
{
    for (std::int64_t p = 0; p < 3; ++p)
        for (std::int64_t k = 0; k < 4; ++k) b->Args({p, k});
}

void field_args(benchmark::internal::Benchmark* b)
{
    for (std::int64_t n : {100000, 1000000})
        for (std::int64_t k = 0; k < 4; ++k) b->Args({n, k});
}

}  // namespace

BENCHMARK(BM_StlDrop)->Apply(stl_args)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldDrop)->Apply(field_args)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelBuild)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
