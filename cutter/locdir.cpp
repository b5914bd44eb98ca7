#include "cutter/locdir.h"

#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/loccom.h"
#include "cutter/prjbrg.h"
#include "cutter/travel.h"
#include "cutter/frames.h"
#include "cutter/gridln.h"
#include "cutter/locpnt.h"
#include "cutter/profile.h"
#include "cutter/uphooks.h"

#include <cmath>

i32 DIRSTK = 0;

void LOCDIR(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status)
{
    for (i32 k = 0; k < 3; ++k) position[k] = to[k];
    contact[0] = 0.0f, contact[1] = 0.0f, contact[2] = 1.0f;
    status = 1;
    i32 flags = 0;
    GTPFLG(flags);
    if (flags & ~0xC0) {
        if (prj_get_avail()) {
            const i32 index = prj_tool_index();
            if (index < 0) {
                status = -1;
                return;
            }
            f32 t = 0, vec[3], normal[3], extra[2];
            status = prj_diagonal(index, from, to, t, contact, vec, normal, extra);
        } else {
            LOCDRT(from, to, height, position, contact, status);
        }
    }
    if (flags & 0xC0) {
        f32 g[3];
        i32 gs = 0;
        if (DIRSTK)
            CUTHKS.move_cross(from, to, height, g, gs);
        else
            LOCDRG(from, to, height, g, gs);
        if (gs == 0) {
            auto dxy = [&](const f32* p) {
                const f64 dx = f64(p[0]) - from[0], dy = f64(p[1]) - from[1];
                return dx * dx + dy * dy;
            };
            // The grid's position replaces a triangle one only when strictly nearer.
            if (status == 0 && dxy(g) < dxy(position)) status = 1;
            if (status == 1) {
                for (i32 k = 0; k < 3; ++k) position[k] = g[k];
                status = 0;
            }
        }
    }
}

void LOCDRT(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status)
{
    status = 0;
    const f32 up[3] = {0.0f, 0.0f, 1.0f};
    const i32 none = -1, code = 1;
    const f32 aux = 0.0f, tol = pwr(PRTTOL);
    LOCSET(none, up, up, code, aux, tol);
    f32 normal[3];
    LINNETH(0, from, to, height, tol, PRCSTK, PRCCHK, position, contact, normal, status);
}

void LOCDRG(const f32* from, const f32* to, const f32& height, f32* position, i32& status)
{
    status = 1;
    // The tool as the drops load it, without allowances.
    const f32 none = 0.0f;
    if (!LOCTOL(none, none)) {
        LOCRST();
        return;
    }
    // The tapered tool's profile is set for the tool itself before its edge
    // travels are measured: the profile otherwise holds whatever the last
    // segment travel left in it (a tool grown by some surface's allowance),
    // or nothing at all before the first.
    if (LOCTPF) PRFSET(LOCDIA, LOCCRN, LOCTAP, 0.0, LOCCUT);
    const f32 tol = pwr(PRTTOL);
    const f32 input[7] = {from[0], from[1], from[2], to[0], to[1], to[2], height};
    i32 count = 0, handle = -1;
    GRDSEG(1, input, tol, count, handle, status);
    if (status != 0 || count < 1) {
        if (status == 0) status = 1;
        GRDFRE(handle);
        LOCRST();
        return;
    }
    void* base = nullptr;
    mmcptr(handle, base);
    const f32* segs = static_cast<const f32*>(base);
    // The move's frame: origin at `from`, x along the move. A quarter turn
    // only for a move exactly along an axis, as the horizontal travel does.
    f64 D[2] = {f64(to[0]) - from[0], f64(to[1]) - from[1]};
    const f64 dl = std::hypot(D[0], D[1]);
    if (dl > 0.0) D[0] /= dl, D[1] /= dl;
    i32 code = 0;
    if (D[1] == 0.0 && D[0] != 0.0)
        code = D[0] > 0.0 ? 1 : 2;
    else if (D[0] == 0.0 && D[1] != 0.0)
        code = D[1] > 0.0 ? 3 : 4;
    const f64 M[9] = {D[0], D[1], 0.0, -D[1], D[0], 0.0, 0.0, 0.0, 1.0};
    const f64 h = height, L = dl, R = 0.5 * f64(LOCDIA), rc = LOCCRN;
    f64 best = L + 10.0, reach = L + R + 0.001;
    for (i32 k = 0; k < count; ++k) {
        const f32* A = segs + 6 * k;
        const f32* B = A + 3;
        if (!(A[2] >= height || B[2] >= height)) continue;
        const f64 ra[3] = {A[0], A[1], A[2] - h}, rb[3] = {B[0], B[1], B[2] - h};
        f64 a[3], b[3];
        V3QTRN(code, M, ra, a);
        V3QTRN(code, M, rb, b);
        if (std::fmin(a[0], b[0]) > reach || std::fmax(a[0], b[0]) < -R - 0.001 ||
            std::fmin(a[1], b[1]) > R + 0.001 || std::fmax(a[1], b[1]) < -R - 0.001)
            continue;
        status = 0;
        f64 t = 0.0, at[3];
        i32 ts = 2;
        if (LOCTPF)
            PRFEDG(tol, a, b, L, t, at, ts);
        else
            EDGTRV(tol, a, b, L, R, rc, t, at, ts);
        if (ts == 2 || (ts == 1 && t < 0.0)) {
            // No touch ahead: the tool may stand in the segment already,
            // which the drop onto it tells (its height at or above the
            // move's). Any other answer leaves the segment out: the test's
            // own travel is then no touch (status 2), or one behind the
            // start (t < 0), and taken as it is it would stop the move at
            // or behind `from` for a segment the tool passes over.
            f32 z[3];
            i32 gs = 0;
            GRDDRP(from, tol, A, 1, z, gs);
            status = 2;
            if (gs == 0 && !(height > z[2])) {
                t = 0.0;
                status = 0;
            }
        }
        if (status == 0 && t < best) {
            best = t;
            if (t == 0.0) break;
            reach = t + R;
        }
    }
    if (best < L + 1.0) {
        status = 0;
        position[0] = static_cast<f32>(from[0] + best * D[0]);
        position[1] = static_cast<f32>(from[1] + best * D[1]);
        position[2] = height;
    } else {
        status = 1;
    }
    GRDFRE(handle);
    LOCRST();
}
