// Module-wide values of the pocket engine, with their set-up values.
#include "pocket/pokvals.h"

i32 pokdim = 2;
f64 pokorigin[3] = {0.0, 0.0, 0.0};
f64 pk_boxmin[3] = {0.0, 0.0, 0.0};
f64 pk_boxmax[3] = {0.0, 0.0, 0.0};
f64 pk_extent = 0.0;
f64 pk_tol = 0.0;
f64 pk_offset_tol = 0.001;
f64 pk_radius = 0.0;
i32 pk_round_corner = 0;
i32 pk_capacity = 0;
i32 pk_nisland = 0;
i32 pk_isl_skip = 0;
PokPar pokpar;
PkOffPar pkoff;
i32 clr_kind = 0;

namespace {

i32 cnt_kind[PK_NALLOW];

// The set-up values of the parameter record: the fixed words of the
// clearing set-up; the per-call ones (radius, side, allowances, end value)
// start at 0.
void pokpar_setup(PokPar& p)
{
    p = PokPar{};
    p.approach_dist = 1.0;
    p.drv_val[0] = 0.0;
    p.drv_val[1] = 1.0;
    p.drv_val[2] = 2.0;
    p.angle = 90.0;
    p.keep_isl_dir = 1;
    p.drv_sw2[0] = 1;
    p.drv_sw2[1] = 0;
    p.direction = 1;
    p.cut_mode = -1;
    p.drv_sw3[0] = 1;
    p.drv_sw3[1] = 1;
    p.drv_sw3[2] = -1;
    p.progress_mode = 1;
    p.pokdim = 2;
}

void pkoff_setup(PkOffPar& o)
{
    o = PkOffPar{};
    o.loops_prev = 1;
    o.loops_on = 1;
    o.phase = 1;
}

struct Init {
    Init()
    {
        pokpar_setup(pokpar);
        pkoff_setup(pkoff);
    }
} init;

}  // namespace

i32 pk_cnt_kind(const i32& key)
{
    i32 k = key - 1;
    return k >= 0 && k < PK_NALLOW ? cnt_kind[k] : 0;
}

void pk_set_cnt_kind(const i32& key, const i32& kind)
{
    i32 k = key - 1;
    if (k >= 0 && k < PK_NALLOW) cnt_kind[k] = kind;
}

void clr_get_kind(i32& kind) { kind = clr_kind; }

void pkvals_reset()
{
    pokdim = 2;
    for (int i = 0; i < 3; ++i) pokorigin[i] = pk_boxmin[i] = pk_boxmax[i] = 0.0;
    pk_extent = 0.0;
    pk_tol = 0.0;
    pk_offset_tol = 0.001;
    pk_radius = 0.0;
    pk_round_corner = 0;
    pk_capacity = 0;
    pk_nisland = 0;
    pk_isl_skip = 0;
    for (i32& k : cnt_kind) k = 0;
    pokpar_setup(pokpar);
    pkoff_setup(pkoff);
    clr_kind = 0;
}
