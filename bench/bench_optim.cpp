// The optimizer over the cavity example's tool path: the procedure run on
// the stand-in host, a block of stock over the path's box whose first
// passes run in the air, then the stages one after the other as an
// optimizer run orders them, and the holder stage that cuts the path last.
// The tool gets a holder of three sections. Reports the time of each stage
// and the process's peak memory after it, and a hash of what each stage
// leaves (the path, the host's transcript, the stock).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/examples.h"
#include "blocks/listacc.h"
#include "core/host.h"
#include "core/load.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "frame/cmpblk.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"
#include "stock/airscan.h"
#include "stock/holder.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optfeed.h"
#include "stock/optholder.h"
#include "stock/optrun.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkwin.h"
#include "stock/tppoints.h"
#include "stock/zband.h"
#include "tools/toolcache.h"

namespace {

using benchex::at_moves;

double peak_mib()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024.0;
}

// A shrink-fit holder on the tool, kept as the tool library keeps it: a
// cone from 20 to 27 over 30, a neck of 27 over 40 and a flange of 63 over
// 20, above a clear length of 25 over the tip.
void give_holder(i32 tool)
{
    const f32 steps[3][4] = {{20, 27, 30, 30}, {27, 27, 0, 40}, {63, 63, 0, 20}};
    std::vector<i32> h(HLDENT_N, 0);
    h[HD_NSTEP] = 3;
    for (i32 i = 0; i < 3; ++i) {
        h[HD_LOWER + i] = r2wrd(steps[i][0]);
        h[HD_UPPER + i] = r2wrd(steps[i][1]);
        h[HD_CONE + i] = r2wrd(steps[i][2]);
        h[HD_STEP + i] = r2wrd(steps[i][3]);
    }
    const i32 id = norak::add_entity(norak::Entity{0, EC_HOLDER, 1, h, {}, ""});
    std::vector<i32>& w = norak::entities()[tool].words;
    w[TH_HOLD] = id;
    w[TH_HMOD] = 2;
    w[TLHDR_N + ML_CLRLNG] = r2wrd(25.0f);
    TLCCLR();
}

// FNV-1a over 32-bit words.
struct Hash {
    unsigned long long h = 1469598103934665603ULL;
    void add(const void* p, size_t n)
    {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (size_t k = 0; k < n; ++k) h = (h ^ b[k]) * 1099511628211ULL;
    }
    void word(i32 w) { add(&w, sizeof w); }
};

// Every block of a list and of its sub-lists: code, size and words.
void hash_list(const norak::List& l, Hash& h)
{
    h.word(static_cast<i32>(l.elems.size()));
    for (const norak::Element& e : l.elems) {
        h.word(e.code);
        h.word(static_cast<i32>(e.words.size()));
        if (!e.words.empty()) h.add(e.words.data(), e.words.size() * sizeof(i32));
        h.word(e.sub ? 1 : 0);
        if (e.sub) hash_list(*e.sub, h);
    }
}

// What a stage leaves: the procedure's moves (every block), what the stage
// said on the host (messages, reports; from line said_from of the
// transcript) and the stock's cells; for the identity check of
// bench/identity_optim.sh.
void print_identity(const char* stage, size_t said_from)
{
    Hash path, said, stock;
    // The procedure's moves (its header holds the time it was computed).
    if (at_moves()) hash_list(norak::current_list(), path);
    const std::vector<std::string>& lines = norak::transcript();
    for (size_t k = said_from; k < lines.size(); ++k) said.add(lines[k].data(), lines[k].size()), said.word(-1);
    if (const StkCell* c = stk_cells()) stock.add(c, sizeof(StkCell) * static_cast<size_t>(stk_grid.ncells));
    std::printf("IDENTITY %-16s path %016llx transcript %016llx stock %016llx\n", stage, path.h, said.h, stock.h);
}

// The cavity path, a stock 1 below its highest cutting point, the tool in slot 0.
bool set_up()
{
    benchex::run_cavity();
    give_holder(CURTOL);
    STKPOS = nullptr;
    PRM9[0] = r2wrd(1000.0f);
    for (i32 w = 3; w <= 6; ++w) PRM9[w] = 50;
    PRM9[21] = r2wrd(-2.0f);
    if (!at_moves()) return false;
    f32 box[6];
    benchex::ToolShape t;
    benchex::stock_box(CURTOL, 0.125f, box, t);
    i32 sx = 0, sy = 0, st = 0;
    stk_grid_open(box, sx, sy, st);
    if (st != 0) return false;
    StkCell* c = stk_cells();
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = -1.0f, c[k].h2 = STK_NONE, c[k].move = 0;
    stk_tool_image(0, t.D, t.R, t.L, t.T, st);
    CMPDEF();
    CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
    CMPBLK[CMP_ZRANGE] = 2;
    CMPBLK[CMP_ZHIGH] = r2wrd(-0.5f);
    CMPBLK[CMP_ENLARGE] = CMPBLK[CMP_LINK] = CMPBLK[CMP_FEED] = 2;
    CMPBLK[CMP_HOLDER] = 2;
    rapid_top = wrd2r(HEI8[0]);
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    i32 flag = 0;
    optim_holder_images(CURTOL, lengths, upper, flag, st);
    stk_save_h1();
    return at_moves() && st == 0;
}

void BM_OptimizerStages(benchmark::State& state)
{
    for (auto _ : state) {
        if (!set_up()) {
            state.SkipWithError("no cavity path");
            return;
        }
        std::printf("MEASURE optimizer cavity: grid %d x %d cell %g, tool D from slot 0, peak %.1f MiB before\n",
                    stk_grid.nx, stk_grid.ny, double(stk_grid.cell), peak_mib());
        f32 D = 0, R = 0, L = 0, T = 0;
        stk_tool_shape(CURTOL, D, R, L, T);
        const f32 ref = std::max(0.8f * D * std::min(0.25f * D, L), 0.025f * D * D);
        struct Stage {
            const char* name;
            std::function<void(i32&)> run;
        } stages[] = {
            {"Z band", [](i32& st) { optim_zband_stage(st); }},
            {"enlarged tool", [](i32& st) { optim_enlarged_stage(st); }},
            {"air cut", [](i32& st) { optim_aircut_stage(st); }},
            {"holder (report)", [](i32& st) { optim_holder_stage(st); }},
            {"feed", [ref](i32& st) { optim_feed_stage(ref, st); }},
            {"holder (cut)", [](i32& st) {
                 CMPBLK[CMP_HOLDER] = 3;
                 optim_holder_stage(st);
             }},
        };
        for (const Stage& s : stages) {
            at_moves();
            const size_t said_from = norak::transcript().size();
            i32 st = 0;
            stk_image_select(0, st);
            const auto t0 = std::chrono::steady_clock::now();
            s.run(st);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            print_identity(s.name, said_from);
            stk_restore_h1();
            std::printf("MEASURE optimizer stage %-16s %9.1f ms  status %d  peak %.1f MiB\n", s.name, ms, st,
                        peak_mib());
            state.counters[s.name] = ms;
        }
    }
    norak::reset();
}

BENCHMARK(BM_OptimizerStages)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
