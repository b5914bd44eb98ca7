#include <cmath>

#include "cutter/congeo.h"
#include "cutter/gridln.h"
#include "cutter/loccom.h"
#include "cutter/locgen.h"
#include "cutter/locpnt.h"
#include "cutter/prjbrg.h"
#include "cutter/roads.h"
#include "cutter/under.h"
#include "core/host.h"
#include "core/params.h"
#include "surfaces/trimodel.h"

namespace {

constexpr i32 CONTACT_LIMIT = 10000;

}  // namespace

void LINNET(const i32& mode_code, f32* point, const f32& tolerance, const f32& allowance_a, const f32& allowance_b,
            f32* result, f32* contact, f32* normal, i32& surface, i32& status)
{
    if (eqval0(tolerance)) {
        userrc("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE", 0);
        status = -1;
        return;  // nothing was read or changed in the tool cache
    }
    const i32 drop_mode = mode_code < 10 ? 1 : 11;
    const i32 tool_type = mode_code < 10 ? mode_code : mode_code - 10;
    // A tool that is not a milling tool gives no height: status -1, the
    // result as the caller preset it. (Status 0 with that result would report
    // the preset -1.0e10 as a height found.)
    if (!loc_model_and_tool(allowance_a, allowance_b)) {
        status = -1;
        return;
    }
    LOCSW1 = LOCSW2 = LOCSW3 = 0.0f;
    for (i32 k = 0; k < 3; ++k) LOCSP1[k] = LOCSP2[k] = point[k];
    LOCSGM = 0;
    f32 wp[3] = {point[0], point[1], point[2]};
    // Mode code 10 or more: the exact clearance of the tool standing at the
    // point, when the exact road can measure the tool; normal then holds
    // four values (see linnet_general).
    if (drop_mode == 11 && linnet_general(wp, tolerance, result, contact, normal, surface, status)) {
        LOCRST();
        return;
    }
    // The contact arrays (10,000 entries each, about 240 KB in all) are the
    // module's own static storage rather than the call's frame: off the heap
    // as the drop needs, and off the stack of the host's thread, whose size
    // the module does not choose. Nothing here is reentrant, so one set
    // serves every call.
    static f32 cz[CONTACT_LIMIT];
    static i32 ckind[CONTACT_LIMIT];
    static i32 cpos[CONTACT_LIMIT];
    static f32 cpt[3 * CONTACT_LIMIT];
    const LocRes res{cz, ckind, cpos, cpt};
    i32 ntri = 0, count = 0, ds = 0;
    f32 z = 0, dn[3] = {0, 0, 1};
    LOCPNT(drop_mode, tool_type, wp, tolerance, ntri, z, dn, CONTACT_LIMIT, count, res, ds);
    if (ds < 0) {
        status = -1;
        LOCRST();
        return;
    }
    if (count < 1) {
        status = 1;
        LOCRST();
        return;
    }
    const f32 keep[3] = {dn[0], dn[1], dn[2]};
    if (DRPBRD) {
        // The border road takes the drop's contact 0 without the contact
        // choice, and no tapered marker.
        for (i32 k = 0; k < 3; ++k) contact[k] = cpt[k], normal[k] = keep[k];
        surface = -1;
        status = 0;
        result[0] = wp[0];
        result[1] = wp[1];
        result[2] = LOCAXM ? wp[2] : z;
        LOCRST();
        return;
    }
    f32 sel_normal[3];
    i32 higher = 0, sel = 0;
    const i32 ref = -1;
    // The contact choice is not handed the lists of triangles under the tool,
    // their count or the limit: it reads them from the gathering's own cells
    // (ELMLST, ELMIDX), the very ones the drop above filled, so handing them
    // in could only name the same lists again.
    LOCSEL(tolerance, wp, z, sel_normal, contact, surface, ref, count, cz, ckind, cpos, cpt, higher, sel);
    status = sel;
    if (sel != 0 && sel != 4) {
        status = -1;
        LOCRST();
        return;
    }
    result[0] = wp[0];
    result[1] = wp[1];
    result[2] = LOCAXM ? wp[2] : z;
    for (i32 k = 0; k < 3; ++k) normal[k] = keep[k];
    if (LOCTPF) normal[0] = gtval(result[2], point[2]) ? -1000.0f : 1000.0f;
    LOCRST();
}

void PNTNET(const i32& mode_code, f32* point, const f32& tolerance, const f32& allowance_a, const f32& allowance_b,
            f32* result, f32* contact, f32* normal, i32& surface, i32& status)
{
    result[2] = -1.0e10f;
    i32 flags = 0;
    GTPFLG(flags);
    if (prj_get_avail()) {
        const i32 index = prj_tool_index();
        if (index < 0) {
            status = -1;
            return;
        }
        f32 vec[3];
        i32 kind = 0;
        status = prj_vertical(index, point, result[2], contact, vec, normal, kind, surface);
        if (status == 0) {
            result[0] = point[0];
            result[1] = point[1];
            if (kind == 2) status = 4;
        }
        return;
    }
    status = -1;
    if (flags & 0xFF & ~0xC0) LINNET(mode_code, point, tolerance, allowance_a, allowance_b, result, contact, normal, surface, status);
    if (flags & 0xC0) {
        f32 grid[3];
        i32 gs = 0;
        LINNET_ON_GRID_LINES(point, tolerance, grid, gs);
        if (gs != 0) return;
        if (status == -1 || result[2] < grid[2]) {
            for (i32 k = 0; k < 3; ++k) result[k] = contact[k] = grid[k];
            normal[0] = normal[1] = 0.0f;
            normal[2] = 1.0f;
            surface = -1;
        }
    }
}

void PNTLC1(const i32& mode_code, const f32* point, const f32& tolerance, const f32& allowance_a,
            const f32& allowance_b, f32* result, f32* contact, f32* normal, i32& surface, i32& status)
{
    status = 0;
    const f32 up[3] = {0.0f, 0.0f, 1.0f};
    const i32 none = -1, code = 1;
    const f32 aux = 0.0f;
    LOCSET(none, up, up, code, aux, tolerance);
    f32 p[3] = {point[0], point[1], 0.0f};
    PNTNET(mode_code, p, tolerance, allowance_a, allowance_b, result, contact, normal, surface, status);
}

void PNTLC2(const i32& mode_code, const f32* point, f32* result, f32* contact, f32* normal, i32& surface,
            i32& status)
{
    status = 0;
    result[0] = point[0];
    result[1] = point[1];
    const f32 up[3] = {0.0f, 0.0f, 1.0f};
    const i32 none = -1, code = 1;
    const f32 aux = 0.0f;
    const f32 tol = pwr(PRTTOL);
    LOCSET(none, up, up, code, aux, tol);
    f32 p[3] = {point[0], point[1], 0.0f};
    // The part stock and the check stock are the procedure's own, read from
    // its machining values beside the chordal tolerance, as the passes hand
    // them to PNTLC1. (The module's stock cells are not filled from the
    // procedure: with them the tool would stand on the bare surfaces and cut
    // away the stock the procedure is to leave.)
    const f32 part_stock = pwr(PRTOFS), check_stock = pwr(CHKOFS);
    PNTNET(mode_code, p, tol, part_stock, check_stock, result, contact, normal, surface, status);
}
