#include "cutter/loccom.h"

#include <cmath>

#include "core/host.h"
#include "cutter/congeo.h"
#include "core/records.h"
#include "surfaces/trimodel.h"

f32 LOCDIA, LOCRCH, LOCCRN, LOCOFA, LOCOFB;
f32 LOCSP1[3], LOCSP2[3], LOCSN1[3], LOCSN2[3], LOCSDR[3];
f32 LOCSW1, LOCSW2, LOCSZL, LOCSW3;
f32 LOCTAX[3];
f32 LOCTL2, LOCCUT, LOCTAP, LOCSLM, LOCZMN, LOCZMX;
i32 LOCKDA, LOCKDB, LOCSRF, LOCTCD, LOCCST, LOCSGM;
f32 LOCAUX;
i32 LOCZDI, LOCTPF, LOCAXM, LOCZCL, LOCKND, LOCFLG;
f32 LOCAN1[3], LOCAN2[3];
i32 NETSWT;

GrownTool loc_grown(f32 e)
{
    const f64 a = LOCTAP;
    GrownTool t;
    t.d = static_cast<f32>(LOCDIA + 2.0 * e * std::tan((PI * 0.5 - a) * 0.5));
    t.r = LOCCRN + e;
    t.l = geval(e, 0.0f) ? LOCCUT + e : static_cast<f32>(LOCCUT + (1.0 - std::sin(a)) * e);
    return t;
}

void LOCSET(const i32& surface_id, const f32* normal1, const f32* normal2, const i32& tool_code, const f32& aux,
            const f32& tolerance2)
{
    LOCSRF = surface_id;
    for (i32 k = 0; k < 3; ++k) {
        LOCSN1[k] = normal1[k];
        LOCSN2[k] = normal2[k];
    }
    LOCTCD = tool_code == 10 ? 1 : tool_code;
    LOCAUX = aux;
    LOCTL2 = tolerance2;
    // Words 75 and 76 of the heights record, counted from 1.
    LOCZMN = hei8r(HEI8_ZMIN);
    LOCZMX = hei8r(HEI8_ZMAX);
    LOCZCL = 0;
    LOCAXM = 0;
}

void STPFLG(i32 flags) { LOCFLG = flags; }
void GTPFLG(i32& flags) { flags = LOCFLG; }
void NETFLG(i32 value) { NETSWT = value; }
void GTNFLG(i32& value) { value = NETSWT; }

void ZINTPL(const f32* p1, const f32* p2, const f32* q1, const f32* q2, const f32& z, f32* p_out, f32* q_out)
{
    // A level segment has no point at a height: its first end is taken, not
    // the quotient of a zero difference (no number).
    const f32 dz = std::fabs(p2[2] - p1[2]);
    const f32 t = dz > 0.0f ? std::fabs(z - p1[2]) / dz : 0.0f;
    p_out[0] = (1 - t) * p1[0] + t * p2[0];
    p_out[1] = (1 - t) * p1[1] + t * p2[1];
    p_out[2] = z;
    for (i32 k = 0; k < 3; ++k) q_out[k] = (1 - t) * q1[k] + t * q2[k];
}
