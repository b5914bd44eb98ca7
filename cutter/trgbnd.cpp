// Bounds on a triangle under the tool: the height estimates over its
// integer box, the reach test in XY, and the tool's reach over the grid.
#include <cmath>

#include "core/host.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"

void BOXNEA(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result) { box_near(pxy, box, R, d, result); }

void BOXFAR(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result) { box_far(pxy, box, R, d, result); }

void TRGEST(const f64* pxy, const i32* box, const f32& zmax, const i32& kind, const f32& R, const f32& rc,
            const i32& code, f32& estimate, i32& status)
{
    trgest(pxy, box, zmax, kind, R, rc, code, estimate, status);
}

void TRGRCH(const f32* point, const f32& R, const f32* verts, const i32& r_zero, f32* edges,
            const i32* edge_status, i32& result)
{
    trg_reach(point, R, verts, r_zero, edges, edge_status, result);
}

f64 elm_reach()
{
    const f64 a = LOCTAP;
    f32 emax = LOCOFA > LOCOFB ? LOCOFA : LOCOFB;
    if (emax < 0.0f) emax = 0.0f;
    return emax * (2.0 - std::cos(a)) + std::tan(a) * LOCCUT + LOCDIA * 0.5;
}

bool elm_fits(const f32* point, const f64& reach)
{
    const f64 r = std::fabs(reach);
    return std::fabs(f64(point[0])) + r <= TRM_GRID && std::fabs(f64(point[1])) + r <= TRM_GRID;
}

void ELMTOL(const f32& allowance_a, const f32& allowance_b, i32& status)
{
    status = 0;
    const bool mill = LOCTOL(allowance_a, allowance_b);
    const f64 reach = elm_reach();
    if (!mill || reach <= TRM_MAXC) return;
    user1c("ELMTOL, THE TOOL AND ITS ALLOWANCES REACH BEYOND THE TRIANGLE GRID. LARGEST REACH ",
           static_cast<i32>(TRM_MAXC));
    status = -1;
}
