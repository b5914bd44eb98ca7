// The tool-shape helpers that answer for a straight move, for one point and
// for a lane point (LOCDIR and its roads are in locdir.cpp).
#include <cmath>

#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/gridln.h"
#include "cutter/locdir.h"
#include "cutter/loccom.h"
#include "cutter/linntb.h"
#include "cutter/prjbrg.h"
#include "cutter/travel.h"
#include "cutter/uphooks.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"

i32 MVWTRV = 1;
i32 PTDSHW = 0;

namespace {

// The standard context of the helpers: no surface, vertical normals, tool
// code 1 and the chordal tolerance as second tolerance.
void standard_context()
{
    const f32 up[3] = {0.0f, 0.0f, 1.0f};
    const i32 none = -1, code = 1;
    const f32 aux = 0.0f, tol = pwr(PRTTOL);
    LOCSET(none, up, up, code, aux, tol);
}

// A one-point string at the point (line3d as given) into position and normal:
// the string's status, with 1 when no point came back. `keep_failure`: a
// failed string keeps its negative status (the point road of LOCSEG, whose
// callers tell a failure from nothing under the tool); otherwise an empty
// first string answers 1 after a failure too (the string roads of LOCSGP).
void one_point_string(const f32* point, i32 line3d, bool keep_failure, f32* position, f32* normal, i32& status)
{
    const i32 restart = 1, capacity = 3, spare = 0, mode = 1, most = 1;
    const f32 tol = pwr(PRTTOL);
    i32 nst = 0, len[1] = {0}, tot = 0;
    LINNTB(restart, line3d, point, point, tol, PRCSTK, PRCCHK, capacity, spare, mode, position, normal, nullptr, nst,
           most, len, tot, status);
    if (keep_failure && status < 0) return;
    if ((status >= 0 && nst < 1) || len[0] < 1) status = 1;
}

}  // namespace

void LOCMVW(const f32* from, const f32* to, f32* position, f32* normal, i32& status)
{
    f32 contact[3];
    LOCMV2(from, to, position, normal, contact, status);
}

void LOCMV2(const f32* from, const f32* to, f32* position, f32* normal, f32* contact, i32& status)
{
    if (prj_get_avail()) {
        const i32 index = prj_tool_index();
        if (index < 0) {
            status = -1;
            return;
        }
        f32 t = 0, vec[3], extra[2];
        status = prj_diagonal(index, from, to, t, contact, vec, normal, extra);
        if (status == 1) {
            for (i32 k = 0; k < 3; ++k) position[k] = to[k];
            return;
        }
        f32 u[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]}, len = 0;
        i32 us = 0;
        v3unit(u, len, us);
        for (i32 k = 0; k < 3; ++k) position[k] = from[k] + t * u[k];
        return;
    }
    const f32 tol = pwr(PRTTOL);
    if (!MVWTRV) {
        // Vertical moves by the point road, horizontal ones by LOCDIR.
        if (std::fabs(to[0] - from[0]) < 0.0001f && std::fabs(to[1] - from[1]) < 0.0001f) {
            LOCSEG(from, position, normal, status);
            for (i32 k = 0; k < 3; ++k) contact[k] = position[k];
            return;
        }
        if (std::fabs(to[2] - from[2]) < 0.0001f) {
            const f32 start[3] = {from[0], from[1], from[2] - 10.0f};
            LOCDIR(start, to, from[2], position, contact, status);
            f32 d = 0;
            GTDIAM(CURTOL, d);
            f32 n[3] = {position[0] - contact[0], position[1] - contact[1], position[2] - contact[2] + d * 0.5f};
            f32 len = 0;
            i32 us = 0;
            v3unit(n, len, us);
            for (i32 k = 0; k < 3; ++k) normal[k] = n[k];
            return;
        }
    }
    // The drop's limit is the lower end of the move.
    const f32 low = from[2] < to[2] ? from[2] : to[2];
    LINNETH(4, from, to, low, tol, PRCSTK, PRCCHK, position, contact, normal, status);
}

void LOCSEG(const f32* point, f32* position, f32* normal, i32& status)
{
    status = 1;
    position[0] = point[0];
    position[1] = point[1];
    position[2] = -1.0e10f;
    i32 flags = 0;
    GTPFLG(flags);
    if (flags & ~0xC0) {
        if (prj_get_avail()) {
            f32 contact[3];
            LOCSGP(point, 2, position, contact, normal, status);
        } else {
            standard_context();
            one_point_string(point, 0, true, position, normal, status);
        }
        if (status < 0) position[2] = -1.0e10f;
    }
    if (flags & 0xC0) {
        f32 g[3] = {point[0], point[1], -1.0e10f};
        i32 gs = 1;
        if (flags & LF_GRID) {
            const f32 tol = pwr(PRTTOL);
            LINNET_ON_GRID_LINES(point, tol, g, gs);
        } else {
            CUTHKS.tool_drop(point, g, gs);
        }
        // The grid's height replaces the triangle one only when strictly higher.
        if (gs == 0 && (status == 1 || position[2] < g[2])) {
            for (i32 k = 0; k < 3; ++k) position[k] = g[k];
            normal[0] = normal[1] = 0.0f;
            normal[2] = 1.0f;
            status = 0;
        }
    }
}

void LOCSGP(const f32* point, i32 road, f32* position, f32* contact, f32* normal, i32& status)
{
    status = 0;
    standard_context();
    const f32 tol = pwr(PRTTOL);
    if (road == 2) {
        f32 p[3] = {point[0], point[1], point[2]};
        i32 triangle = -1;
        PNTNET(0, p, tol, PRCSTK, PRCCHK, position, contact, normal, triangle, status);
        return;
    }
    f32 buf[3] = {point[0], point[1], -1.0e10f}, nbuf[3] = {0.0f, 0.0f, 1.0f};
    one_point_string(point, road == 1 ? 1 : 0, false, buf, nbuf, status);
    for (i32 k = 0; k < 3; ++k) position[k] = buf[k], normal[k] = nbuf[k];
}

void LOCPTD(f32* point, i32& flag, i32& status)
{
    status = 0;
    flag = 0;
    i32 flags = 0;
    GTPFLG(flags);
    const f32 tol = pwr(PRTTOL);
    if (flags & 0xC0) {
        f32 depth = 0, second = 0;
        const i32 mode = 0, move = 0;
        CUTHKS.tool_at(mode, point, move, depth, second);
        if (depth > 0.1f * tol) flag = 1;
    }
    if (!(flags & ~0xC0) || flag == 1) return;
    standard_context();
    // The exact clearance at the point: distance, then its direction.
    f32 result[3], contact[3], n[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    i32 surface = -1;
    PNTNET(10, point, tol, PRCSTK, PRCCHK, result, contact, n, surface, status);
    if (status < 0) return;
    status = 0;
    const f32 zero = 0.0f, one = 1.0f;
    if (gtval(n[0], zero))
        status = 0;  // the tool stands clear of the part
    else if (!eqval0(n[1]) || !eqval0(n[2]))
        status = 1;  // pushed sideways: the point lies against a wall
    else
        status = eqval(n[3], one) ? 0 : 1;  // touching from straight above, or not
    if (n[0] < -5.0f * tol) flag = 1;
    if (flag == 1 && PTDSHW) {
        i32 id = 0, st = 0, colour = 2;
        GCPT0(id, point, st);
        if (st == 0) {
            eattc(id, 2, "CO", colour);
            edisp(id, 1);
        }
    }
}
