// Triangle model: triangulation speed, quadtree build and cell queries.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "cutter/loccom.h"
#include "surfaces/qtcell.h"
#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/allsrf.h"
#include "surfaces/mesh.h"
#include "surfaces/srfbuf.h"
#include "surfaces/trimodel.h"
#include "tests/surfaces/shapes.h"

namespace {

std::vector<f64> g_buf(SB_CAP);

// Triangles per second of the patch and meshing stages for the free form.
void BM_FreeformMesh(benchmark::State& state)
{
    const f64 tol = state.range(0) == 0 ? 0.01 : 0.001;
    norak::reset();
    norak::load_session_text(shapes::session({shapes::freeform(1)}));
    LDSRFB(1, g_buf.data());
    size_t tris = 0;
    for (auto _ : state) {
        SrfMesh m;
        i32 st = 0;
        SRFMSH(g_buf.data(), 1, tol, 0.0, m, nullptr, st);
        tris += m.tri.size() / 3;
        benchmark::DoNotOptimize(m.tri.data());
    }
    state.counters["triangles"] = benchmark::Counter(static_cast<f64>(tris) / state.iterations());
    state.counters["tri/s"] = benchmark::Counter(static_cast<f64>(tris), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FreeformMesh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole allsrf of the free form (stages 1 to 3) at 0.01, saved
// approximations switched off by a changing tolerance.
void BM_FreeformAllsrf(benchmark::State& state)
{
    norak::reset();
    norak::load_session_text(shapes::session({shapes::freeform(1)}));
    init_badsrf();
    i32 id = 1, nrm = 1, work = 0, st = 0, k = 0;
    for (auto _ : state) {
        f32 tol = 0.01f * (1.0f + 1e-4f * static_cast<f32>(k++));
        allsrf(1, 1, &id, &nrm, 0, nullptr, nullptr, 1, tol, 0.0f, 2, work, st);
        state.counters["triangles"] = TRIMDL[TM_NTRG];
        state.PauseTiming();
        allfre(st);
        state.ResumeTiming();
    }
    FRETRI();
}
BENCHMARK(BM_FreeformAllsrf)->Unit(benchmark::kMillisecond);

// 1,000,000 random triangles over a 1000 x 1000 field.
void random_model(i32 n)
{
    std::mt19937 g(3);
    std::uniform_real_distribution<f32> c(0.0f, 1000.0f), d(-1.5f, 1.5f), z(0.0f, 50.0f);
    std::vector<f32> xyz(static_cast<size_t>(n) * 9);
    std::vector<i32> tri(static_cast<size_t>(n) * 3);
    for (i32 t = 0; t < n; ++t) {
        f32 x = c(g), y = c(g);
        for (int v = 0; v < 3; ++v) {
            f32* p = &xyz[static_cast<size_t>(t) * 9 + v * 3];
            p[0] = x + d(g);
            p[1] = y + d(g);
            p[2] = z(g);
            tri[static_cast<size_t>(t) * 3 + v] = 3 * t + v + 1;
        }
    }
    i32 rec[SRF_WORDS] = {0}, st = 0;
    rec[SRF_CLASS] = 1;
    rec[SRF_ID] = 1;
    rec[SRF_INDEX] = 1;
    TRMOPN(st);
    TRMSRF(rec, 3 * n, xyz.data(), nullptr, n, tri.data(), st);
    TRMCLS(st);
}

void BM_QuadtreeBuild(benchmark::State& state)
{
    norak::reset();
    for (auto _ : state) {
        random_model(static_cast<i32>(state.range(0)));
        state.counters["in tree"] = TRIMDL[TM_NTRG];
        state.PauseTiming();
        FRETRI();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QuadtreeBuild)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Cell queries: the non-empty nodes under a 10 x 10 square and their triangles.
void BM_CellQuery(benchmark::State& state)
{
    norak::reset();
    LOCAXM = 0;
    random_model(1000000);
    std::mt19937 g(7);
    std::uniform_int_distribution<i32> c(0, 990000);
    std::vector<i32> rows(QT_NODES * QC_ROW);
    long long seen = 0;
    for (auto _ : state) {
        i32 x = c(g), y = c(g);
        i32 sq[4] = {x, y, x + 10000, y + 10000}, count = 0, st = 0;
        qt_collect_cells(sq, count, rows.data(), st);
        for (i32 r = 0; r < count; ++r) {
            i32 node = rows[r * QC_ROW + QC_NODE];
            const i32* e = qtnbas(node);
            for (i32 k = 0; k < rows[r * QC_ROW + QT_COUNT]; ++k, e += TRG_WORDS)
                seen += e[TRG_BOX + 2] >= sq[0] && e[TRG_BOX] <= sq[2] && e[TRG_BOX + 3] >= sq[1] && e[TRG_BOX + 1] <= sq[3];
        }
    }
    state.counters["queries/s"] = benchmark::Counter(static_cast<f64>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles/query"] = benchmark::Counter(static_cast<f64>(seen) / state.iterations());
    FRETRI();
}
BENCHMARK(BM_CellQuery);

}  // namespace
