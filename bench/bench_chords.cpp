// Chords of the strings of positions, measured in full: 200 lines across the
// hemisphere on a plate (tolerance 0.01), ball and corner-radius tools, the
// straight segment between consecutive output points sampled every tol / 10
// against the reference drop; the largest gaps above and below the reference,
// vertically and across its surface, are the counters.
#include <benchmark/benchmark.h>

#include "../tests/common/chords.h"
#include "../tests/common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

struct Kind {
    const char* name;
    f32 d, r;
    dropref::Tool ref;
};
const Kind KINDS[] = {{"ball D6", 6.0f, 3.0f, {1, 3.0, 3.0}}, {"corner D6 r1", 6.0f, 1.0f, {3, 3.0, 1.0}}};

void BM_Chords(benchmark::State& state)
{
    const Kind& kd = KINDS[state.range(0)];
    const int lines = static_cast<int>(state.range(1));
    norak::reset();
    FRETRI();
    stk_net_rels();
    auto ms = chords::model();
    meshes::build(ms);
    STPFLG(0x3F);
    MACTYP = 2;  // surface milling
    NETFLG(0);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 3.0);
    tooldefs::use_mill(kd.d, kd.r);
    chords::Figures all;
    bool ok = true;
    for (auto _ : state) {
        for (int k = 0; k < lines; ++k) {
            f32 a[3], b[3];
            chords::line(8, k, a, b);
            chords::Figures f;
            ok &= chords::measure(bk, kd.ref, a, b, 0.01f, f);
            all.merge(f);
        }
    }
    chords::print(kd.name, all);
    state.SetLabel(ok ? kd.name : "a line failed");
    state.counters["above"] = all.above;
    state.counters["below"] = all.below;
    state.counters["above across"] = all.above_n;
    state.counters["below across"] = all.below_n;
    state.counters["samples"] = static_cast<double>(all.samples);
    FRETRI();
    stk_net_rels();
}

}  // namespace

BENCHMARK(BM_Chords)->Args({0, 200})->Args({1, 200})->Unit(benchmark::kSecond)->Iterations(1);
