// The clean-up's comparison of a finished pass with itself and with the pass
// before it: two neighbouring passes of n points each over a wavy surface,
// milled with a ball of 10.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "cleanup/clngrid.h"
#include "cleanup/clnstore.h"
#include "platform/norak/norak.h"
#include "tests/common/tooldefs.h"

namespace {

void pass(i32 key, i32 n, f32 y)
{
    std::vector<f32> p, nr;
    for (i32 i = 0; i < n; ++i) {
        const f32 x = 0.05f * static_cast<f32>(i);
        const f32 z = 3.0f * std::sin(0.05f * x) + std::sin(0.3f * y);
        const f32 dz = 0.15f * std::cos(0.05f * x), l = std::sqrt(1 + dz * dz);
        p.insert(p.end(), {x, y, z});
        nr.insert(nr.end(), {-dz / l, 0, 1 / l});
    }
    const i32 one = 1, skip = 0;
    i32 st = 0;
    storps(0.02f, key, p.data(), nr.data(), one, &n, n, skip, st);
}

void BM_ComparePasses(benchmark::State& state)
{
    const i32 n = static_cast<i32>(state.range(0));
    norak::reset();
    tooldefs::use_mill(10.0f, 5.0f);
    const f32 box[6] = {0, -10, -5, 0.05f * static_cast<f32>(n), 10, 5};
    i32 st = 0;
    clnini(box, st);
    pass(0, n, 0.0f);
    pass(1, n, 0.5f);
    for (auto _ : state) {
        clnpas(0.02f, 0, st);
        benchmark::DoNotOptimize(st);
    }
    size_t spots = 0;
    for (const ClnCell& c : CLNGRD.cells) spots += static_cast<size_t>(c.count);
    state.counters["spots"] = static_cast<double>(spots);
    state.SetComplexityN(n);
    clnrls(st);
    strrel(st);
}
BENCHMARK(BM_ComparePasses)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
