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

void TRGRCH(const f32* point, const f32& R, const f32* verts, const i32& r_zero, const f32* edges,
            const i32* edge_status, i32& result)
{
    f64 w[3][2], g[3];
    for (i32 k = 0; k < 3; ++k) {
        w[k][0] = f64(verts[3 * k]) - point[0];
        w[k][1] = f64(verts[3 * k + 1]) - point[1];
        g[k] = edges[3 * k] * w[k][1] - edges[3 * k + 1] * w[k][0];
    }
    const f64 eps = r_zero ? 0.004 : 0.0001;
    result = 0;
    i32 side = 0;
    bool outside = false;
    for (i32 k = 0; k < 3; ++k) {
        f64 gk = g[k];
        if (std::fabs(gk) <= eps) {
            if (!r_zero) return;
            gk = g[(k + 1) % 3] < 0.0 ? -std::fabs(gk) : std::fabs(gk);
        }
        i32 s = gk < 0.0 ? -1 : 1;
        if (side == 0)
            side = s;
        else if (s != side) {
            outside = true;
            break;
        }
    }
    if (!outside) return;
    f64 m = std::fmin(std::fabs(g[0]), std::fmin(std::fabs(g[1]), std::fabs(g[2])));
    if (R < m) {
        result = 1;
        return;
    }
    i32 missed = 0;
    for (i32 k = 0; k < 3; ++k) {
        f64 gk = std::fabs(g[k]);
        if (R <= gk || edge_status[k] != 0) {
            ++missed;
            continue;
        }
        f64 s = std::sqrt(f64(R) * R - gk * gk);
        const f32* u = edges + 3 * k;
        f64 t1 = w[k][0] * u[0] + w[k][1] * u[1];
        f64 t2 = w[(k + 1) % 3][0] * u[0] + w[(k + 1) % 3][1] * u[1];
        if (s < t1 || t2 < -s) ++missed;
    }
    if (missed == 3) result = 1;
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
