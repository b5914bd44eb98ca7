#include "blocks/modal.h"

#include <cmath>

#include "blocks/format.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

namespace {
// Spindle direction of "PRM9" word 8: 1 positive, 2 negative, else none.
i32 signed_i(i32 v)
{
    i32 a = v < 0 ? -v : v;
    return PRM9[PRM9_DIR] == 1 ? a : PRM9[PRM9_DIR] == 2 ? -a : 0;
}
f32 signed_r(f32 v)
{
    f32 a = std::fabs(v);
    return PRM9[PRM9_DIR] == 1 ? a : PRM9[PRM9_DIR] == 2 ? -a : 0.0f;
}
}  // namespace

void SETMOD(const i32& code, const i32& ivalue, const f32& rvalue)
{
    switch (code) {
    case 1: DSM4[DSM4_FEED] = r2wrd(rvalue); return;
    case 2: DSM4[DSM4_SPIN] = signed_i(ivalue); return;
    case 3: DSM4[DSM4_COOL] = ivalue; return;
    case 4: DSM4[DSM4_P4] = ivalue; return;
    case 5: DSM4[DSM4_P5] = PRM9[PRM9_SHOWTOOL] != 0 ? ivalue : 0; return;
    case 100: DSM4[DSM4_TOOL] = ivalue; return;
    case 10: DSM4[DSM4_SPEED] = r2wrd(signed_r(rvalue)); return;
    case 51: DSM4[DSM4_P51] = r2wrd(rvalue); return;
    case 52: DSM4[DSM4_NIBBLE] = ivalue; return;
    case 53: DSM4[DSM4_PUNCH] = ivalue; return;
    case 54: DSM4[DSM4_P54] = r2wrd(rvalue); return;
    case 56: DSM4[DSM4_P56] = ivalue; return;
    case 57: DSM4[DSM4_P57] = r2wrd(rvalue); return;
    case 58: DSM4[DSM4_P58] = r2wrd(rvalue); return;
    case 59: DSM4[DSM4_FEED2] = r2wrd(rvalue); return;
    case 55: DSP8[DSP8_UCS] = ivalue; return;
    case 9: return;
    default: break;
    }
    if (code >= 11 && code <= 16) {
        WRMB[code - 11] = ivalue;
    } else if (code >= 20 && code <= 34) {
        WRMB[code - 14] = ivalue;
    } else if (code >= 35 && code <= 40) {
        WRMB[code - 14] = r2wrd(rvalue);
    } else {
        erou1c("SETMOD: WRONG PARAMETER", code);
    }
}

// The conversion starts as the identity, not as zeros: nothing in the
// module sets it before a converting read, and a zero matrix would turn every
// point and vector read in modes 4 and 5 into the origin. CNVSET replaces it.
BlockConversion BLKCNV = {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, {0, 0}};

void CNVSET(const f64* matrix, const f64* offset, const f64* reference)
{
    for (int k = 0; k < 9; ++k) BLKCNV.m[k] = matrix[k];
    for (int k = 0; k < 3; ++k) BLKCNV.t[k] = offset[k];
    BLKCNV.ref[0] = reference[0];
    BLKCNV.ref[1] = reference[1];
}

void CNVPTD(const f64* in, f64* out)
{
    const f64* m = BLKCNV.m;
    f64 q[3];
    for (int r = 0; r < 3; ++r) q[r] = m[3 * r] * in[0] + m[3 * r + 1] * in[1] + m[3 * r + 2] * in[2] + 1.0 * BLKCNV.t[r];
    for (int r = 0; r < 3; ++r) out[r] = q[r];
}

void CNVPNT(const f32* in, f32* out)
{
    f64 p[3] = {in[0], in[1], in[2]};
    CNVPTD(p, p);
    for (int r = 0; r < 3; ++r) out[r] = static_cast<f32>(p[r]);
}

void CNVVEC(const f32* in, f32* out)
{
    const f64* m = BLKCNV.m;
    f64 v[3] = {in[0], in[1], in[2]};
    f64 q[3];
    for (int r = 0; r < 3; ++r) q[r] = m[3 * r] * v[0] + m[3 * r + 1] * v[1] + m[3 * r + 2] * v[2];
    for (int r = 0; r < 3; ++r) out[r] = static_cast<f32>(q[r]);
}

void CNVZVL(f32& height)
{
    f32 p[3] = {static_cast<f32>(BLKCNV.ref[0]), static_cast<f32>(BLKCNV.ref[1]), height};
    CNVPNT(p, p);
    height = p[2];
}

// The origin comes in world coordinates, as the tool path header keeps it,
// and the rotary-axis display takes it in model coordinates: it is mapped
// with the host's world-to-model map, in double precision (madw2m).
void UPDRAX(const f32* origin, const f32* matrix)
{
    f32 model[3], axis[3];
    const f32 up[3] = {0, 0, 1};
    const f64 world[3] = {origin[0], origin[1], origin[2]};
    f64 m[3];
    madw2m(world, m);
    for (int k = 0; k < 3; ++k) model[k] = static_cast<f32>(m[k]);
    m3vec(matrix, up, axis);
    updax(model, axis, 1.5f);
}

// Both small readers read mode 4 from the list and mode 5 from the entity
// (rdmode): a block never stands on the parameter-line medium 5.
void RDBHED(const i32& mode, i32& number, i32& kind, f32& rvalue, i32& ivalue, i32& status)
{
    status = 0;
    if (mode == AM_NONE) return;
    i32 m = rdmode(mode);
    tpget(m, 1, DT_INT, &number, status);
    if (status >= 0) tpget(m, 1, DT_INT, &kind, status);
    if (status < 0) return;
    if (kind == 3) tpget(m, 1, DT_REAL, &rvalue, status);
    if (status >= 0 && mrkint(kind)) tpget(m, 1, DT_INT, &ivalue, status);
    if (status > 0) status = 0;
}

void RDBHD2(const i32& mode, i32& number, i32& param, i32& vstatus, i32& vtype, i32& ivalue, f32& rvalue,
            i32& status)
{
    status = 0;
    if (mode == AM_NONE) return;
    i32 m = rdmode(mode);
    tpget(m, 1, DT_INT, &number, status);
    if (status >= 0) tpget(m, 1, DT_INT, &param, status);
    if (status >= 0) tpget(m, 1, DT_INT, &vstatus, status);
    if (status < 0) return;
    vtype = vstatus == 0 ? PRMDEF(param) : 0;
    if (vtype == 1)
        tpget(m, 1, DT_REAL, &rvalue, status);
    else
        tpget(m, 1, DT_INT, &ivalue, status);
    if (status > 0) status = 0;
}
