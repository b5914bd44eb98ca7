#include "passes/gdutil.h"

#include "core/params.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"

namespace gd {

namespace {
f64 g_bufs[3][SB_CAP];
}

f64* buf(int which) { return g_bufs[which]; }

i32 srfid(i32 i)
{
    if (MACTYP != MACTYP_ONESURF) return i >= 0 && i < MAXSRF ? SRFGEO.SRFIDS[i] : 0;
    i32 n = 0, st = 0;
    nc_surf_count(1, 2, n, st);
    if (st != 0 || n < 1 || n > MAXSRF) return 0;
    i32 ids[MAXSRF];
    nc_surf_ids(ids, MAXSRF, st);
    return st == 0 && i >= 0 && i < n ? ids[i] : 0;
}

i32 nchain() { return MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.NSRF; }

i32 trimmed(i32 id, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status != 0) return -1;
    eclose();
    return type == ESRF_TRIMMED ? 1 : 0;
}

void load(i32 id, f64* b, f32& umin, f32& umax, f32& vmin, f32& vmax, i32& status)
{
    LDSRFB(id, b, status);
    if (status == 0) SBFUVR(1, b, umin, umax, vmin, vmax, status);
}

void loops(i32 id, std::vector<std::vector<f32>>& out, i32& status)
{
    out.clear();
    i32 handle = -1, nloops = 0, total = 0;
    trsgdp(id, handle, nloops, total, status);
    if (status != 0) return;
    void* base = nullptr;
    mmcptr(handle, base);
    const i32* w = static_cast<const i32*>(base);
    const f32* f = reinterpret_cast<const f32*>(w + nloops);
    for (i32 l = 0; l < nloops; ++l) {
        out.emplace_back(f, f + 2 * w[l]);
        f += 2 * w[l];
    }
    i32 st = 0;
    MM_CLOSE(handle, st);
}

}  // namespace gd
