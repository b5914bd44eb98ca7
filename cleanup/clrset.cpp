// Area-clearing set-up and the stack of saved engine states.
#include "cleanup/clrset.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/host.h"
#include "core/records.h"
#include "pocket/luptab.h"
#include "pocket/pkdebug.h"
#include "pocket/pokarr.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "tools/toolcache.h"

ClrContab clr_contab{};

namespace {

// One saved state of the engine.
struct Saved {
    PokPar par;
    PkOffPar off;
    ClrContab tab;
    f64 origin[3], boxmin[3], boxmax[3], extent;
    i32 dim, kind, capacity, nisland, isl_skip, next;
    PokMainState main;
    LupSaved lup;
    PolbufSlot buf1;
    std::vector<char> pool;
};
std::vector<std::unique_ptr<Saved>> g_stack;

i32 g_next = 1;  // next free index of the main arrays

}  // namespace

void clr_reset_box()
{
    for (i32 k = 0; k < 3; ++k) pokorigin[k] = pk_boxmin[k] = pk_boxmax[k] = 0.0;
    pk_extent = 0.0;
    pkdbg_set(0);  // the pocket's drawings off
}

void clr_set_params(const i32& mode, i32 has_end, const f32& end_val, const f32& side, const i32& count,
                    const f32* allowances, i32& status)
{
    status = 0;
    PokPar& p = pokpar;
    f64 d = 0.0;
    GTDIAD(CURTOL, d);
    p.entry_base = p.entry_height = 0.0;
    p.extra = 0.0;
    p.radius = d * 0.5;
    p.side = side;
    // the n-th contour's allowance goes to entry 10000 + n - 2; a contour
    // beyond the table gets none (clr_add_contour refuses it), so nothing
    // is written past the table into the words after it
    for (i32 k = 0; k < count && k < PK_MAXCONT; ++k) p.allow[k == 0 ? 0 : 10000 + k - 1] = allowances[k];
    p.retry_allow = 0.0;
    f32 npt = 0.0f;
    std::memcpy(&npt, &NPT1[8], sizeof(f32));
    p.npt_val[0] = p.npt_val[1] = npt;
    p.clear_extra = 0.0;
    p.approach_dist = 1.0;
    p.drv_val[0] = p.extra;
    p.drv_val[1] = 1.0;
    p.drv_val[2] = 2.0;
    p.angle = 90.0;
    p.end_val = has_end ? end_val : 0.0;
    p.keep_isl_dir = 1;
    p.retry_sw_a = 0;
    p.drv_sw1 = 0;
    p.retry_sw_b = 0;
    p.retry_sw_c = 0;
    p.drv_sw2[0] = 1;
    p.drv_sw2[1] = 0;
    p.direction = 1;
    p.end_flag = 0;
    p.cut_mode = mode == 0 ? -1 : (mode == 1 ? 1 : -2);
    p.drv_sw3[0] = p.drv_sw3[1] = 1;
    p.drv_sw3[2] = -1;
    p.progress_mode = 1;
    p.pokdim = 2;
    pokdim = 2;
    pkoff.start[0] = pkoff.start[1] = 0.0;
    pkoff.end_mode = 0;
    pkoff.loops_on = 1;
    pkoff.loops_prev = 1;
    pkoff.last = 0;
}

void clr_add_contour(const i32& outer, const i32& count, const f32* points, i32& status)
{
    status = 0;
    const i32 w = pokdim == 2 ? 2 : 3;
    ClrContab& t = clr_contab;
    if (outer) {
        clr_reset_box();
        g_next = 1;
        t.count = 0;
        t.start[1] = 1;
        t.key[1] = 1;
        f64 lo[3] = {1e30, 1e30, 0.0}, hi[3] = {-1e30, -1e30, 0.0};
        for (i32 k = 0; k < count; ++k)
            for (i32 c = 0; c < w; ++c) {
                const f64 v = points[w * k + c];
                if (k == 0 || v < lo[c]) lo[c] = v;
                if (k == 0 || v > hi[c]) hi[c] = v;
            }
        if (count < 1) lo[0] = lo[1] = hi[0] = hi[1] = 0.0;
        for (i32 c = 0; c < 3; ++c) {
            pokorigin[c] = pk_boxmin[c] = lo[c];
            pk_boxmax[c] = hi[c];
        }
        pk_extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
        i32 cap = 0;
        POKORG(pokorigin[0], pokorigin[1], pokorigin[2], cap);
        pk_capacity = cap;
    }
    if (t.count + 1 > PK_MAXCONT) {
        eroutc("CLR_ADD_CONTOUR, NUMBER OF CONTOURS IS LIMITED TO 16666", 0);
        status = -1;
        return;
    }
    const i32 row = t.count + 1;
    t.start[row] = g_next;
    for (i32 k = 0; k < count; ++k) {
        const f64 p[3] = {points[w * k], points[w * k + 1], w == 3 ? points[w * k + 2] : 0.0};
        i32 n = g_next;
        POKCPT(p, n, status);
        if (status != 0) return;
        ++g_next;
    }
    t.key[row] = row == 1 ? 1 : 10000 + row - 1;
    t.subkey[row] = 0;
    t.parent[row] = 0;
    t.level[row] = 1;
    t.start[row + 1] = g_next;
    t.count = row;
    t.islands = row - 1;
    t.header[0] = 0;
    t.header[1] = row - 1;
    t.header[2] = 1;
}

// The saved states are a stack, and each holds the main arrays, the loop
// table, the first polygon buffer and the pool marks as well, the nested
// clearing starting on empty ones: a nested clearing that clips its
// boundary rewrites the first polygon buffer, which the outer one is still
// reading, and a single copy would lose the outer state at a second level.
void clr_save_state(i32 mode)
{
    if (mode == 1) {
        auto s = std::make_unique<Saved>();
        s->par = pokpar;
        s->off = pkoff;
        s->tab = clr_contab;
        for (i32 k = 0; k < 3; ++k) {
            s->origin[k] = pokorigin[k];
            s->boxmin[k] = pk_boxmin[k];
            s->boxmax[k] = pk_boxmax[k];
        }
        s->extent = pk_extent;
        s->dim = pokdim;
        s->kind = clr_kind;
        s->capacity = pk_capacity;
        s->nisland = pk_nisland;
        s->isl_skip = pk_isl_skip;
        s->next = g_next;
        pokmain_take(s->main);
        lup_take(s->lup);
        polbuf_take(1, s->buf1);
        // the nested clearing gets a buffer 1 of its own
        i32 st = 0;
        if (s->buf1.handle >= 0) polbuf_open(1, s->buf1.capacity, st);
        pkdm_mark(s->pool);
        g_stack.push_back(std::move(s));
        return;
    }
    if (g_stack.empty()) return;
    std::unique_ptr<Saved> s = std::move(g_stack.back());
    g_stack.pop_back();
    pkdm_release_since(s->pool);
    i32 st = 0;
    polbuf_give(1, s->buf1, st);
    lup_give(s->lup);
    pokmain_give(s->main, st);
    pokpar = s->par;
    pkoff = s->off;
    clr_contab = s->tab;
    for (i32 k = 0; k < 3; ++k) {
        pokorigin[k] = s->origin[k];
        pk_boxmin[k] = s->boxmin[k];
        pk_boxmax[k] = s->boxmax[k];
    }
    pk_extent = s->extent;
    pokdim = s->dim;
    clr_kind = s->kind;
    pk_capacity = s->capacity;
    pk_nisland = s->nisland;
    pk_isl_skip = s->isl_skip;
    g_next = s->next;
}

void clr_release_own()
{
    if (g_stack.empty())
        pkdm_rel_all();
    else
        pkdm_release_since(g_stack.back()->pool);
}

i32 clr_save_depth() { return static_cast<i32>(g_stack.size()); }
