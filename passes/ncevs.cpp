#include "passes/ncevs.h"

#include "core/host.h"
#include "core/params.h"
#include "cutter/loccom.h"
#include "passes/orient.h"
#include "tools/toolcache.h"

void NCEVS1(const f64* buf, const f32& u, const f32& v, const f32& wu, const f32& wv, const i32& side,
            const i32& axmode, i32& flag3, const f32& lead, const f32& tilt, const i32& onmodel, f32* evrec, f32* out,
            i32& status)
{
    f32 d = 0, r = 0, a = 0;
    GTDIAM(CURTOL, d);
    GTCRNR(CURTOL, r);
    if (d < 0 || r < 0) return;
    GTTAPA(CURTOL, a);
    // A negative taper (a flank widening downwards, which no mill has) would
    // put the corner's centre farther in than its radius and make the flat
    // radius negative, throwing every position off the surface: the tool is
    // taken as straight.
    if (a < 0) a = 0;
    f32 nrm[3];
    i32 st = 0;
    evsrfn(buf, u, v, 2, evrec, nrm, st);
    if (st < 0) {
        status = st;
        return;
    }
    f32 work[3];
    for (i32 k = 0; k < 3; ++k) {
        out[6 + k] = side == -1 ? -nrm[k] : nrm[k];
        work[k] = side != 1 ? -nrm[k] : nrm[k];
    }
    if (MACTYP == MACTYP_ONESURF && axmode == 1) work[0] = 0, work[1] = 0, work[2] = 1;
    status = 0;
    const i32 src = 0;
    if (axmode == 1) {
        TL3POS(d, r, a, evrec, src, work, out, st, flag3);
        for (i32 k = 0; k < 3; ++k) out[3 + k] = work[k];
        status = st == -1 ? -1 : 0;
        if (status < 0 || MACTYP != MACTYP_ONESURF || !onmodel) return;
        // Under machining type 14 on the model the tool stands over the
        // triangle model: its position there, and the normal found there as
        // its axis.
        f32 res[3], con[3], tn[3];
        i32 srf = 0, ps = 0;
        const i32 m0 = 0;
        PNTLC1(m0, out, pwr(PRTTOL), pwr(PRTOFS), pwr(CHKOFS), res, con, tn, srf, ps);
        if (ps != 0) {
            status = -1;
            return;
        }
        for (i32 k = 0; k < 3; ++k) out[k] = res[k], out[3 + k] = tn[k];
        return;
    }
    f32 dir[3] = {1.0f, 0.0f, 0.0f};
    if (!eqval0(lead) || !eqval0(tilt)) {
        f32 su[3] = {evrec[3], evrec[4], evrec[5]}, sv[3] = {evrec[6], evrec[7], evrec[8]}, len = 0;
        v3unit(su, len, st);
        if (st < 0) {
            status = st;
            return;
        }
        v3unit(sv, len, st);
        if (st < 0) {
            status = st;
            return;
        }
        for (i32 k = 0; k < 3; ++k) dir[k] = wu * su[k] + wv * sv[k];
        v3unit(dir, len, st);
        if (st < 0) {
            eroutc("NCEVS1,IMPOSSIBLE TO CALCULATE MOVMENT DIRECTION", 0);
            status = st;
            return;
        }
    }
    if (axmode == 3 && pw(AXSSUB) != 4)
        TL4APO(d, r, a, evrec, src, dir, work, lead, tilt, out, st);
    else if (axmode == 3)
        TL4SPO(d, r, a, evrec, src, dir, work, lead, tilt, out, st);
    else
        TL5POS(d, r, a, evrec, src, dir, work, lead, tilt, out, st);
    status = st == -1 ? -1 : 0;
}
