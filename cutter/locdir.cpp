#include "cutter/locdir.h"

#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/loccom.h"
#include "cutter/prjbrg.h"
#include "cutter/travel.h"

void LOCDIR(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status)
{
    for (i32 k = 0; k < 3; ++k) position[k] = to[k];
    contact[0] = 0.0f, contact[1] = 0.0f, contact[2] = 1.0f;
    status = 1;
    i32 flags = 0;
    GTPFLG(flags);
    if (flags & 0xFF & ~0xC0) {
        if (prj_get_avail()) {
            // No projector is prepared for the tool.
            status = -1;
            return;
        }
        LOCDRT(from, to, height, position, contact, status);
    }
    if (flags & 0xC0) {
        f32 g[3];
        i32 gs = 0;
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
    (void)from, (void)height;
    for (i32 k = 0; k < 3; ++k) position[k] = to[k];
    status = 1;
}
