#include "surfaces/sidearw.h"

#include <cmath>
#include <map>
#include <vector>

#include "core/host.h"
#include "surfaces/srfbuf.h"

namespace {
// Normal-arrow figures shown by SRFARW, by surface id.
std::map<i32, i32>& normal_arrows()
{
    static std::map<i32, i32> m;
    return m;
}
}  // namespace

void SIDEOK(const i32& first, const i32& zero, const i32& present, const i32& count, const i32* ids, f32 (*refs)[9],
            f32 (*nrms)[3], i32* sides, i32& slot, const i32& v4, const i32& v1, i32 (*ranges)[2], i32& status)
{
    (void)first, (void)zero, (void)present, (void)ids, (void)v4, (void)v1, (void)ranges;
    while (true) {
        ARWSHW(1, count, refs, nrms, slot);
        i32 reply = 0;
        irepyc("MILLING SIDE OK?", reply);
        if (reply == 1) {
            status = 0;
            return;
        }
        if (reply < 0) {
            status = reply == -1 ? -1 : -2;
            return;
        }
        for (i32 i = 0; i < count; ++i) {
            sides[i] = -sides[i];
            for (int c = 0; c < 3; ++c) nrms[i][c] = -nrms[i][c];
        }
    }
}

void WRGNRM(const i32& index, const i32& id, const f32& u, const f32& v, i32& side, f32* ref, f32* nrm, i32& status)
{
    nc_surf_inf(id, index, u, v, side, ref, nrm, status);
    if (status == 2) {
        user1c("ORDINAL NUM OF SURFACE WITH WRONG NORMAL IS ", index + 1);
        status = -1;
    }
}

void ARWSHW(const i32& mode, const i32& count, f32 (*refs)[9], f32 (*nrms)[3], i32& slot)
{
    (void)mode;
    ARWDEL(1, &slot);
    i32 fig = 0;
    gfgtmp(fig);
    figopa(fig);
    for (i32 i = 0; i < count; ++i) garrow(refs[i], nrms[i], 30.0f, 10.0f, 15.0f, 1);
    figcls();
    slot = fig;
}

void ARWSH2(const i32& mode, const i32& count, f32 (*refs)[9], f32 (*nrms)[3], i32& slot)
{
    ARWSHW(mode, count, refs, nrms, slot);
}

void ARWDEL(const i32& count, i32* ids)
{
    for (i32 k = 0; k < count; ++k)
        if (ids[k] != 0) {
            figdel(ids[k]);
            ids[k] = 0;
        }
}

void SRFARW(const i32& mode, const i32& id, f64* work, i32& status)
{
    (void)mode;
    auto& m = normal_arrows();
    auto it = m.find(id);
    if (it != m.end()) {
        figdel(it->second);
        m.erase(it);
        status = 0;
        return;
    }
    LDSRFB(id, work, status);
    if (status != 0) return;
    f32 umin, umax, vmin, vmax;
    SBFUVR(1, work, umin, umax, vmin, vmax, status);
    if (status != 0) return;
    f32 out[9], n[3];
    evsrfn(work, 0.5f * (umin + umax), 0.5f * (vmin + vmax), 1, out, n, status);
    if (status < 0) return;
    i32 fig = 0;
    gfgtmp(fig);
    figopa(fig);
    garrow(out, n, 30.0f, 10.0f, 15.0f, 1);
    figcls();
    m[id] = fig;
    status = 0;
}

void ARWCLR(const i32& erase)
{
    if (erase)
        for (auto& [id, fig] : normal_arrows()) figdel(fig);
    normal_arrows().clear();
}
