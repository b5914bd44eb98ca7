// Picking on the procedure's surfaces.
#include <algorithm>

#include "core/host.h"
#include "surfaces/srfbuf.h"

namespace {
f64 g_pick[SB_CAP];
}  // namespace

void PCKPSR(const i32& id, i32& count, f32* point, f32* uv, i32& pickmode, f32* work1, f32* work2, i32& status)
{
    i32 picked = 0;
    f64 u = 0, v = 0;
    pckpnt("INDICATE POINT ON THE SURFACE", picked, u, v, status);
    count = pkscnt();
    if (status != 0) return;
    i32 st = 0;
    LDSRFB(id, g_pick, st);
    if (st != 0) {
        status = -1;
        return;
    }
    const f64 eps = 1e-9;
    bool inside = u >= g_pick[SB_LIM] - eps && u <= g_pick[SB_LIM] + g_pick[SB_LIM + 1] + eps && v >= g_pick[SB_LIM + 3] - eps &&
                  v <= g_pick[SB_LIM + 3] + g_pick[SB_LIM + 4] + eps;
    f64 e[12];
    if (picked == id && inside) evsrfd(g_pick, u, v, 0, e, st);
    if (picked != id || !inside || st < 0) {
        userrc("THE POINT IS NOT ON THE SURFACE. PICK AGAIN", 0);
        i32 one = 1;
        REJPCK(1, one);
        count = pkscnt();
        status = 1;
        return;
    }
    for (int a = 0; a < 3; ++a) point[a] = static_cast<f32>(e[a]);
    uv[0] = static_cast<f32>(u);
    uv[1] = static_cast<f32>(v);
    status = 0;
}

void PCKSF1(const char* prompt, const i32* uids, const i32& count, const char* question, i32& chosen, i32& status)
{
    chosen = -1;
    if (question && *question) usmsgc(question);
    while (true) {
        i32 id = 0;
        pcksrf(prompt, id, status);
        if (status < 0) return;
        for (i32 k = 0; k < count; ++k)
            if (euid2id(uids[k]) == id) {
                chosen = k;
                return;
            }
        userrc("THE SURFACE IS NOT ONE OF THE PROCEDURE'S SURFACES", 0);
        i32 one = 1;
        REJPCK(1, one);
    }
}

void RMVSRW(i32 (*pairs)[2], const i32& npairs, const i32& k)
{
    if (k < 1 || k > npairs) return;
    i32 first = pairs[k - 1][0], last = pairs[k - 1][1];
    if (last < first) return;
    i32 n = last - first + 1;
    pksdel(first + 1, n);
    pairs[k - 1][0] = 0;
    pairs[k - 1][1] = -1;
    for (i32 j = k; j < npairs; ++j)
        if (pairs[j][1] >= pairs[j][0]) {
            pairs[j][0] -= n;
            pairs[j][1] -= n;
        }
}
