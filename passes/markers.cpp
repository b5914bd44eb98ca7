// Surface markers: four points at the corners of each surface (the first
// corner in colour 3) and two arrows along its passes, kept in 120 display
// slots.
#include "core/host.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"
#include "surfaces/sidearw.h"

void SRFDSP(const i32& id, const i32& slot, const i32* lim, const i32* crn, i32& status)
{
    status = -1;
    if (slot < 0 || slot >= MAXSRF) return;
    f64* b = gd::buf(gd::BDSP);
    LDSRFB(id, b, status);
    if (status != 0) return;
    f32 ev[4][9], uv[4][2];
    for (i32 k = 0; k < 4; ++k) {
        SRFCNR(lim[LR_CODE], lim, crn, k, uv[k]);
        status = gd::eval(b, uv[k][0], uv[k][1], 1, ev[k]);
        if (status < 0) return;
    }
    if (slot == 0) CRNSTO(ev, uv);
    i32* fig = SRFGEO.SRFFIG[slot];
    for (i32 k = 0; k < 4; ++k) {
        i32 pid = 0;
        GCPT0(pid, ev[k], status);
        if (status != 0) return;
        if (k == 0) {
            i32 colour = 3;
            eattc(pid, 2, "CO", colour);
        }
        edisp(pid, 1);
        i32& old = fig[SLOT_PNT + k];
        if (old != 0) {
            i32 st = 0;
            edisp(old, 0);
            edelet(old, st);
        }
        old = pid;
    }
    // The passes run along the second parameter, towards its end.
    const bool down = limr(lim, LR_SEND) < limr(lim, LR_SST);
    for (i32 a = 0; a < 2; ++a) {
        i32& old = fig[SLOT_ARW + a];
        if (old != 0) {
            figdel(old);
            old = 0;
        }
        f32 t[3];
        for (int c = 0; c < 3; ++c) t[c] = ev[a][lim[LR_CODE] == 1 ? 6 + c : 3 + c];
        if (!unit3f(t)) continue;
        if (down)
            for (f32& x : t) x = -x;
        i32 f = 0;
        gfgtmp(f);
        figopa(f);
        gswpln(1);
        garrow(ev[a], t, a == 0 ? 70.0f : 35.0f, 10.0f, 15.0f, 1);
        figcls();
        old = f;
    }
    status = 0;
}

void FIGCLR()
{
    for (auto& s : SRFGEO.SRFFIG)
        for (i32& w : s) w = 0;
    // The normal arrows shown beside the markers (the width point's) go
    // with them: kept, a new procedure would inherit them.
    ARWCLR(0);
}

void FIGDEL(const i32& slot)
{
    if (slot < 0 || slot >= MAXSRF) return;
    i32* fig = SRFGEO.SRFFIG[slot];
    for (i32 k = 0; k < 4; ++k) {
        i32& id = fig[SLOT_PNT + k];
        if (id == 0) continue;
        i32 st = 0;
        edisp(id, 0);
        edelet(id, st);
        id = 0;
    }
    for (i32 a = 0; a < 2; ++a) {
        i32& f = fig[SLOT_ARW + a];
        if (f == 0) continue;
        figdel(f);
        f = 0;
    }
}

void FIGDAL()
{
    for (i32 s = 0; s < MAXSRF; ++s) FIGDEL(s);
    // The normal arrows the width point left shown are erased with the
    // markers: nothing else takes them away once the procedure is released
    // or its surfaces picked again.
    ARWCLR(1);
}
