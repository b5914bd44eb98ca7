#include "passes/mxlink.h"

#include <cmath>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/pasdat.h"
#include "passes/retract.h"

namespace {


// Made unit length: a direction that is no unit vector (a record's vector
// as it comes) would scale the link's distances.
void unit(f32* v)
{
    f32 l = 0;
    i32 st = 0;
    v3unit(v, l, st);
}

void mv(const f32* p, const f32* a, i32& st)
{
    if (st >= 0) MOVLIN(3, p, a, st);
}

void dists(i32 kind, f32& far, f32& near)
{
    const f32 h = std::fmax(0.0f, hei8r(HEI8_INCR) - wrd2r(NPT1[NPT1_ORIGIN + 2]));
    far = h + LNKPAR.safety + LNKPAR.length;
    near = kind == 3 ? LNKPAR.safety + LNKPAR.length : LNKPAR.length;
}

// Direction of a link move, made unit: without the vector flag up, or the
// tool axis under link kind 2; with it the given vector. "The link kind" is
// read as the procedure's link kind (LNKPAR), not the kind argument of the
// call: that argument counts the distances (3 adds the safety distance),
// while kind 2 of the procedure is the link along the tool axis.
void link_dir(i32 vecflag, const f32* axis, const f32* vec, f32* dir)
{
    const f32 up[3] = {0, 0, 1};
    const f32* from = vecflag != 0 ? vec : LNKPAR.kind == LINK_AXIS ? axis : up;
    for (i32 c = 0; c < 3; ++c) dir[c] = from[c];
    unit(dir);
}
}  // namespace

void MXVERT(const i32& mode, const f32* pa, i32& status)
{
    status = 0;
    const f32 z[3] = {0, 0, 1};
    const f32* p = pa;
    const f32* a = pa + 3;
    const f32 H = hei8r(HEI8_CLEARANCE);
    // A vertical axis: one move between the point and the clearance plane,
    // in either mode. Mode 2 is called with the point above the pass (the
    // far end of the approach), so the move to its XY at the clearance
    // plane is the one that stands over it; the way down is the approach's
    // own next moves (to the near point, then onto the pass).
    if (eqpt3(a, z)) {
        const f32 q[3] = {p[0], p[1], H};
        mv(q, z, status);
        return;
    }
    f32 e[3] = {z[0] - a[0], z[1] - a[1], z[2] - a[2]};
    const f32 el = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    unit(e);
    f32 a1[3], a2[3];
    for (i32 c = 0; c < 3; ++c) {
        a1[c] = a[c] + el / 3.0f * e[c];
        a2[c] = a[c] + 2.0f * el / 3.0f * e[c];
    }
    unit(a1);
    unit(a2);
    const f32 dz = (H - p[2]) * 0.1f;
    const f32 q1[3] = {p[0], p[1], p[2] + dz / 3.0f}, q2[3] = {p[0], p[1], p[2] + 2.0f * dz / 3.0f},
              q3[3] = {p[0], p[1], p[2] + dz}, qh[3] = {p[0], p[1], H};
    if (mode == 1) {
        mv(q1, a1, status);
        mv(q2, a2, status);
        mv(q3, z, status);
        mv(qh, z, status);
    } else {
        mv(qh, z, status);
        mv(q3, z, status);
        mv(q2, a2, status);
        mv(q1, a1, status);
        mv(p, a, status);
    }
}

void MXRETR(const f32* rec, i32 kind, i32 vecflag, i32& status)
{
    status = 0;
    f32 far = 0, near = 0;
    dists(kind, far, near);
    const f32* pc = MOVST.point;
    const f32 ac[3] = {MOVST.axis[0], MOVST.axis[1], MOVST.axis[2]};
    f32 dir[3];
    link_dir(vecflag, ac, PASOUT.recsw ? PASOUT.exitv : rec + 6, dir);
    const f32 p0[3] = {pc[0], pc[1], pc[2]};
    if (vecflag == 0) {
        if (HEI8[HEI8_RETRACT] == 0) {
            STPV01(4);
            const f32 q[3] = {p0[0] + near * dir[0], p0[1] + near * dir[1], p0[2] + near * dir[2]};
            mv(q, ac, status);
        } else {
            MXFINL(status);
        }
    } else if (NPASS != 0 || kind != 3) {
        // The retract's markers carry the pass direction and the tilting
        // reference, the words as they stand.
        PUTMRK(1, 6, 11, pwr(ZIGZAG), pw(TLTREF), status);
        const f32 q1[3] = {p0[0] + near * dir[0], p0[1] + near * dir[1], p0[2] + near * dir[2]};
        mv(q1, ac, status);
        STPV01(4);
        const f32 q2[3] = {p0[0] + far * dir[0], p0[1] + far * dir[1], p0[2] + far * dir[2]};
        mv(q2, ac, status);
        // The end marker is written after a failed move too, its status
        // kept: the start marker stands in the list and is closed, so that
        // the list's markers stay paired.
        i32 s2 = 0;
        PUTMRK(2, 6, 12, pwr(ZIGZAG), pw(TLTREF), s2);
        if (status >= 0) status = s2;
    }
    if (status >= 0 && HEI8[HEI8_AXIS] == 2 && !eqval(MOVST.point[2], hei8r(HEI8_CLEARANCE))) {
        const f32 pa[6] = {MOVST.point[0], MOVST.point[1], MOVST.point[2], MOVST.axis[0], MOVST.axis[1], MOVST.axis[2]};
        MXVERT(1, pa, status);
    }
    PASOUT.recsw = 0;
}

void MXLINK(const f32* rec, i32 kind, i32 vecflag, i32& status)
{
    // The pass-record switch is taken before the retract, which clears it
    // after its own use: the switch is set for the link that enters a pass,
    // and both halves of that link are to read it (the retract for the exit
    // vector, the approach for the pass record's start normal). Read after
    // the retract, the approach would never see it set.
    const i32 recsw = PASOUT.recsw;
    i32 st = 0;
    MXRETR(rec, kind, vecflag, st);
    status = 0;
    f32 far = 0, near = 0;
    dists(kind, far, near);
    if (vecflag == 1 && HEI8[HEI8_RETRACT] != 0) near = far;
    STPV01(4);
    const f32* p = rec;
    const f32* a = rec + 3;
    f32 dir[3];
    link_dir(vecflag, a, recsw ? PASOUT.pasrec : rec + 9, dir);
    const f32 q[3] = {p[0] + far * dir[0], p[1] + far * dir[1], p[2] + far * dir[2]};
    if (HEI8[HEI8_AXIS] == 2 && eqval(MOVST.point[2], hei8r(HEI8_CLEARANCE))) {
        const f32 qa[6] = {q[0], q[1], q[2], a[0], a[1], a[2]};
        MXVERT(2, qa, status);
        if (status < 0) {
            PASOUT.recsw = 0;
            return;
        }
    } else {
        mv(q, a, status);
    }
    // A failed move to Q ends the link: the start marker would clear the
    // status and the approach run on from wherever the tool stands.
    if (status < 0) {
        PASOUT.recsw = 0;
        return;
    }
    PUTMRK(1, 5, 9, 0.0f, 0, status);
    STPV01(4);
    const f32 n1[3] = {p[0] + near * dir[0], p[1] + near * dir[1], p[2] + near * dir[2]};
    mv(n1, a, status);
    STPV01(3);
    mv(p, a, status);
    if (status >= 0) {
        PUTMRK(2, 5, 10, 0.0f, 0, status);
        STPV01(1);
    }
    PASOUT.recsw = 0;
}
