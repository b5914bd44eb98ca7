// The exact clearance of the current tool over the triangles under it, and
// the road of the tool height at a point that answers with it.
#include <cmath>

#include "core/host.h"
#include "cutter/cntsol.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locgen.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "surfaces/trimodel.h"

void LOCGEN(const f32* point, const f32& tolerance, f32* tool_point, f32* part_point, f32& distance,
            f32* direction, i32& status)
{
    distance = 1000.0f;
    direction[0] = direction[1] = direction[2] = 0.0f;
    if (LOCNRM) LOCLST[0] = LOCLST[1] = -1;
    // A point beyond the triangles' integer grid (or not a number) is refused
    // before its thousandths are taken as integers, which they would not fit.
    if (!elm_fits(point, 0.0)) {
        eroutc("LOCGEN, POINT BEYOND THE TRIANGLE GRID", 0);
        status = -1;
        return;
    }
    // The gathering turns its point into the tool's frame in place; it is
    // handed a copy, because the contact model below reads the triangle
    // nodes as stored and takes the tip, its height and the horizontal
    // distances from the point as given: the turned point there would mix
    // the two frames.
    f32 gp[3] = {point[0], point[1], point[2]};
    i32 ixy[2] = {static_cast<i32>(point[0] * 1000.0f), static_cast<i32>(point[1] * 1000.0f)};
    i32 n = 0, b = 0, part = 0, check = 0, other = 0;
    f32 bz = 0.0f;
    status = 0;
    const i32 mode = 0;
    elm2nd(mode, gp, ixy, tolerance, ELMCAP, n, b, bz, part, check, other, status);
    if (status < 0 || n == 0) return;
    const i32* lst = elmlst();
    const i32* idx = elmidx();
    // Lists refused for a wrong check word (said by elmbase): a failure, not
    // a read through nothing.
    if (!lst || !idx) {
        status = -1;
        return;
    }
    auto entry = [&](i32 k) { return lst + static_cast<size_t>(idx[k]) * ELM_WORDS; };
    // The last winner of the drop is tried first, then the best estimate of
    // the gathering: a deep penetration found early ends the loop.
    if (LOCLST[0] == -1 && LOCLST[1] == -1) LOCNRM = 1;
    i32 m = -1;
    if (!LOCNRM)
        for (i32 k = 0; k < n; ++k) {
            const i32* le = entry(k);
            if (le[ELM_NODE] == LOCLST[0] && le[ELM_INDEX] == LOCLST[1]) {
                m = k;
                break;
            }
        }
    if (m == b - 1) m = -1;
    const i32 flags = LOCFLG;
    const f64 deep = -10.0 * f64(tolerance);
    // The smallest distance so far is kept and compared in double, as the
    // solver gives it, not as the float handed back: against a float rounded
    // up, a triangle a little farther than the kept one could replace it.
    f64 best = 1000.0;
    i32 srf_id = -1;
    f32 e = 0.0f, flat = 0.0f;
    for (i32 slot = -2; slot < n; ++slot) {
        i32 k;
        if (slot == -2) {
            if (m < 0) continue;
            k = m;
        } else if (slot == -1) {
            k = b - 1;
        } else {
            k = slot;
            if (k == b - 1 || k == m) continue;
        }
        if (best < deep) break;
        const i32* ent = elmtrg(entry(k));
        // A triangle whose array the host would no longer give (none can,
        // right after the gathering) is passed over, not read through null.
        if (!ent) continue;
        const i32* rec = srfrec(LOCSRB, ent[TRG_SRF]);
        if (rec[SRF_ID] != srf_id) {
            LocClass row;
            if (!loc_class(rec[SRF_CLASS], flags, row)) continue;
            e = row.e;
            // The tool enlarged by this surface's allowance: its flat radius
            // tells a true touch from the tool point lying on the triangle.
            const GrownTool g = loc_grown(e);
            if (LOCTPF) {
                TAPOFS(g.d, g.l, e, g.r);
                TAPRFL(flat);
            } else {
                flat = g.d * 0.5f - g.r;
            }
            if (flat < 0.0f) flat = 0.0f;
            srf_id = rec[SRF_ID];
        }
        f64 tri[9];
        f32 top = -1.0e30f;
        for (i32 j = 0; j < 3; ++j) {
            const f32* nd = nodept(LOCNDB, ent[TRG_NODE + j]);
            for (i32 c = 0; c < 3; ++c) tri[3 * j + c] = nd[c];
            top = maxf(top, nd[2]);
        }
        if ((top + e) - point[2] < 1.0e-6f) continue;  // wholly below the tip
        const f64 tool[5] = {LOCDIA, LOCCRN, LOCCUT, LOCTAP, e};
        const f64 tip[3] = {point[0], point[1], f64(point[2]) - e};
        f64 d = 0.0, pts[6];
        CNTSLV(tool, tip, tri, d, pts);
        if (!(d < best)) continue;
        // v as floats: the difference taken in double and then rounded, so
        // that two points a rounding apart in float but apart in double
        // still give their direction, and two that coincide give none.
        f32 v[3] = {static_cast<f32>(pts[0] - pts[3]), static_cast<f32>(pts[1] - pts[4]),
                    static_cast<f32>(pts[2] - pts[5])};
        f32 len = 0.0f;
        i32 us = 0;
        v3unit(v, len, us);
        if (us == 0) {
            if (v[2] < 0.0f) v[2] = -v[2];
        } else {
            // The tool point lies on the triangle: a touch of the bottom at
            // or inside its flat part, or of the rim at the tip's own level,
            // is no obstacle.
            const f32 tp[2] = {static_cast<f32>(pts[0]), static_cast<f32>(pts[1])};
            const f32 h = dist_xy(tp, point);
            if (h < 0.0001f || h < flat - 0.0001f || (eqval(h, flat) && eqval(top + e, point[2]))) continue;
            v[0] = v[1] = v[2] = 0.0f;
        }
        best = d;
        distance = static_cast<f32>(d);
        for (i32 c = 0; c < 3; ++c) {
            tool_point[c] = static_cast<f32>(pts[c]);
            part_point[c] = static_cast<f32>(pts[3 + c]);
            direction[c] = v[c];
        }
    }
    status = 0;
}

bool linnet_general(const f32* point, const f32& tolerance, f32* result, f32* contact, f32* normal, i32& surface,
                    i32& status)
{
    const f64 tool[5] = {LOCDIA, LOCCRN, LOCCUT, LOCTAP, 0.0};
    const i32 kind = LOCKND;
    if (!CNTSET(kind, tool)) return false;
    f32 distance = 0.0f;
    LOCGEN(point, tolerance, result, contact, distance, normal + 1, status);
    normal[0] = distance;
    surface = -1;
    return true;
}
