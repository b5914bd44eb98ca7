// Crossings of two loops and the self-intersection cut of one loop, for loops
// of 1,000 and 10,000 points: time, the pool's memory and the process's peak
// resident size. Wavy circles keep the crossings to a few hundred.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/norak/norak.h"
#include "cleanup/clrarea.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "pocket/clrpok.h"
#include "pocket/crossing.h"
#include "pocket/luptab.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"
#include "tests/common/tooldefs.h"

namespace {

// A closed loop of n points given in polar form: at(i, r, t) sets point i's
// radius and angle.
template <class At>
pokarr polar(i32 n, At at)
{
    pokarr p;
    i32 st = 0;
    pokarr_init_dyn(2, n + 1, p, st);
    for (i32 i = 0; i <= n; ++i) {
        f64 r = 0.0, t = 0.0;
        at(i % n, r, t);
        p.x[i] = r * std::cos(t);
        p.y[i] = r * std::sin(t);
    }
    p.count = n + 1;
    return p;
}

// A closed loop of n points on r(t) = r0 + a sin(k t), t over `turns` turns.
pokarr wavy(i32 n, f64 r0, f64 a, f64 k, f64 turns, f64 phase)
{
    return polar(n, [&](i32 i, f64& r, f64& t) {
        t = turns * 2 * M_PI * i / n;
        r = r0 + a * std::sin(k * t + phase);
    });
}

// A closed loop of n points twice round r = 10: the first turn with 150
// waves, the second with 149.
pokarr twice(i32 n)
{
    return polar(n, [&](i32 i, f64& r, f64& t) {
        bool second = i >= n / 2;
        t = 2 * M_PI * (second ? i - n / 2 : i) / (n / 2);
        r = 10 + 0.5 * (second ? std::sin(149 * t + 1.0) : std::sin(150 * t));
    });
}

long long pool_bytes()
{
    long long b = 0;
    for (i32 k = 0; k < pkdm_entries(); ++k) b += pkdm_bytes(k);
    return b;
}

f64 peak_mb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

void BM_LoopCrossings(benchmark::State& state)
{
    norak::reset();
    pkvals_reset();
    const i32 n = static_cast<i32>(state.range(0));
    pokarr a = wavy(n, 10, 0.5, 150, 1, 0.0), b = wavy(n, 10, 0.5, 149, 1, 1.0);
    auto box = std::make_unique<PkBox>();
    pkbox_make(b, *box);
    CrossTable t;
    i32 count = 0, st = 0;
    for (auto _ : state) {
        lup_intersect(10, a, b, *box, t, count, st);
        benchmark::DoNotOptimize(count);
    }
    state.counters["crossings"] = count;
    state.counters["pool_kB"] = pool_bytes() / 1024.0;
    state.counters["peak_rss_MB"] = peak_mb();
    pokarr_free(a);
    pokarr_free(b);
    pkdm_rel_all();
}
BENCHMARK(BM_LoopCrossings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SelfIntersection(benchmark::State& state)
{
    norak::reset();
    pkvals_reset();
    const i32 n = static_cast<i32>(state.range(0));
    // twice round, the waves of the two turns differing: the loop crosses
    // itself where the turns meet
    pokarr a = twice(n);
    i32 loops = 0;
    for (auto _ : state) {
        pokarr r;
        pokarr_init(2, r);
        i32 more = 0, st = 0;
        DELUPS(a, r, more, st);
        loops = more + 1;
        for (i32 k = 0; k < more; ++k) {
            i32 m = more;
            DELUPS(a, r, m, st);
        }
        pokarr_free(r);
        benchmark::DoNotOptimize(st);
    }
    state.counters["loops"] = loops;
    state.counters["pool_kB"] = pool_bytes() / 1024.0;
    state.counters["peak_rss_MB"] = peak_mb();
    pokarr_free(a);
    pkdm_rel_all();
}
BENCHMARK(BM_SelfIntersection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The area clearing of a 200 x 150 pocket with 20 square islands of 8 on a
// 5 x 4 grid, tool of diameter 10, side step 4: time of `clrpok`, the offset
// loops and tours of one clearing, the process's peak resident size.
void pocket_contours(std::vector<f32>& pts, std::vector<i32>& counts)
{
    auto rect = [&](f32 x0, f32 y0, f32 w, f32 h) {
        const f32 r[10] = {x0, y0, x0 + w, y0, x0 + w, y0 + h, x0, y0 + h, x0, y0};
        pts.insert(pts.end(), r, r + 10);
        counts.push_back(5);
    };
    rect(0, 0, 200, 150);
    for (i32 i = 0; i < 5; ++i)
        for (i32 j = 0; j < 4; ++j) rect(20.0f + 40.0f * i, 15.0f + 36.0f * j, 8, 8);
}

void BM_ClearPocket(benchmark::State& state)
{
    norak::reset();
    pkvals_reset();
    tooldefs::use_mill(10.0f, 0.0f);
    std::vector<f32> pts;
    std::vector<i32> counts;
    pocket_contours(pts, counts);
    const i32 n = static_cast<i32>(counts.size());
    std::vector<f32> allow(static_cast<size_t>(n), 0.0f), lp(14000);
    std::vector<i32> lc(100);
    i32 nloops = 0, st = 0;
    for (auto _ : state) {
        nloops = 100;
        clrpok(0, 0, 4.0f, 4.0f, n, counts.data(), pts.data(), allow.data(), nloops, lc.data(), lp.data(), st);
        benchmark::DoNotOptimize(st);
    }
    // one clearing again, its table read before the state goes back
    clr_save_state(1);
    clr_set_params(0, 0, 4.0f, 4.0f, n, allow.data(), st);
    for (i32 k = 0, at = 0; k < n; at += 2 * counts[static_cast<size_t>(k)], ++k)
        clr_add_contour(k == 0 ? 1 : 0, counts[static_cast<size_t>(k)], pts.data() + at, st);
    clr_clean_area(21, st);
    i32 loops = 0, tours = 0;
    for (i32 r = 1; r <= lup_count; ++r) {
        if (r < clr_cut_mark && lup_row(r).subkey > 0) ++loops;
        if (clr_cut_mark > 0 && r >= clr_cut_mark && lup_row(r).key != 9999) ++tours;
    }
    clr_save_state(2);
    pkdm_rel_all();
    state.counters["status"] = st;
    state.counters["loops"] = loops;
    state.counters["tours"] = tours;
    state.counters["polygons"] = nloops;
    state.counters["peak_rss_MB"] = peak_mb();
}
BENCHMARK(BM_ClearPocket)->Unit(benchmark::kMillisecond);

}  // namespace
