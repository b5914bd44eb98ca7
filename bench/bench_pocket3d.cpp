// The area clearing along the surfaces: a 100 x 100 pocket over a wavy
// height field of 200 x 200 nodes, a ball of diameter 10 at side step 4, the map grid filled
// from the part's triangles. Time of the clearing, the grid's filling time,
// its nodes, the tours cut and the process's peak resident size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "cleanup/clrarea.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "cleanup/mapgrid.h"
#include "core/params.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "platform/norak/norak.h"
#include "pocket/luptab.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"
#include "tests/common/meshes.h"
#include "tests/common/tooldefs.h"

namespace {

f64 waves(f64 x, f64 y) { return 10.0 + 3.0 * std::sin(x / 15.0) * std::cos(y / 20.0); }

void BM_Clear3D(benchmark::State& state)
{
    norak::reset();
    FRETRI();
    meshes::build({meshes::grid(-20, -20, 120, 120, 199, 199, waves)});
    tooldefs::use_mill(10.0f, 5.0f);
    MACTYP = 0;
    LOCAXM = 0;
    STPFLG(0x3F);
    std::memset(HEI8, 0, sizeof HEI8);
    pwrs(PRCPAR, PRTTOL, 0.01f);
    const f32 up[3] = {0, 0, 1}, aux = 0.0f;
    LOCSET(-1, up, up, 1, aux, 0.01f);
    i32 tours = 0, status = 0;
    for (auto _ : state) {
        const f32 allow[1] = {0.0f};
        i32 st = 0;
        clr_save_state(1);
        clr_set_params(1, 0, 0.0f, 4.0f, 1, allow, st);
        pokdim = 3;
        pokpar.pokdim = 3;
        pokpar.cut_mode = 5;
        const std::vector<f32> pts = {0, 0, 0, 100, 0, 0, 100, 100, 0, 0, 100, 0, 0, 0, 0};
        clr_add_contour(1, 5, pts.data(), st);
        clr_clean_area(21, status);
        tours = 0;
        for (i32 r = clr_cut_mark; r >= 1 && r <= lup_count; ++r)
            if (lup_row(r).key != 9999 && lup_row(r + 1).start > lup_row(r).start) ++tours;
        clr_save_state(2);
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["status"] = status;
    state.counters["tours"] = tours;
    state.counters["grid_nodes"] = static_cast<f64>(map_grid.nx) * map_grid.ny;
    state.counters["grid_fill_s"] = map_setup_seconds();
    state.counters["peak_MB"] = static_cast<f64>(ru.ru_maxrss) / 1024.0;
    FRETRI();
}
BENCHMARK(BM_Clear3D)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
