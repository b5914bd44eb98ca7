// The pass writer in the form the pass loop needs now: every string is a
// feed move to its first point followed by a string of lines, every circle
// an arc; the pass-output state follows what was written.
#include "passes/bsural.h"

#include <cstring>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/clnpass.h"
#include "frame/host.h"
#include "frame/params.h"
#include "passes/pasdat.h"

namespace {

void written(const f32* p, const f32* axis)
{
    std::memcpy(PASOUT.prev, PASOUT.last, sizeof PASOUT.prev);
    std::memcpy(PASOUT.last, p, sizeof PASOUT.last);
    std::memcpy(PASOUT.axis, axis, sizeof PASOUT.axis);
    ++PASOUT.npnts;
}

}  // namespace

void BSURAL(const i32& revflag, i32& status)
{
    status = 0;
    const PasStr& s = PASSTR;
    const i32 dim = pw(AXSMOD) == 1 ? 2 : 3;
    i32 str = 0, pnt = 0, cir = 0;
    PASOUT.npnts = 0;
    PNDAPP = 0;
    for (i32 e = 0; e < s.PSNSRF && status >= 0; ++e) {
        if (s.PSMODE[e] != 1) {
            const f32 axis[3] = {0, 0, 1};
            STPV01(1);
            MOVLIN(dim, s.PSCBEG[cir], axis, status);
            if (status >= 0) {
                f32 cen[3] = {s.PSCCEN[cir][0], s.PSCCEN[cir][1], s.PSCBEG[cir][2]};
                PARCPT(dim, pwr(PRTTOL), 1, s.PSCANG[cir], cen, s.PSCEND[cir], axis, status);
            }
            if (status >= 0) written(s.PSCEND[cir], axis);
            ++cir;
            continue;
        }
        for (i32 j = 0; j < s.PSSCNT[e] && status >= 0; ++j, ++str) {
            const i32 n = s.PSSLEN[str];
            if (n <= 0) continue;
            const f32* axis0 = s.PSVECS[pnt];
            const f32 up[3] = {0, 0, 1};
            STPV01(1);
            MOVLIN(dim, s.PSPNTS[pnt], dim == 2 ? up : axis0, status);
            if (status >= 0) written(s.PSPNTS[pnt], axis0);
            for (i32 k = 1; k < n && status >= 0; ++k) {
                MOVSTR(dim, s.PSPNTS[pnt + k], dim == 2 ? up : s.PSVECS[pnt + k], status);
                if (status >= 0) written(s.PSPNTS[pnt + k], s.PSVECS[pnt + k]);
            }
            PCLST1();
            if (status >= 0 && pw(CLNFLG) == 1 && s.PSKIND[e] != 6) {
                i32 st = 0;
                storps(pwr(PRTTOL), 1, s.PSPNTS[pnt], n, st);
                if (st < 0) status = st;
            }
            pnt += n;
        }
    }
    (void)revflag;
    std::memcpy(PASOUT.exitv, PASOUT.pasrec + 3, sizeof PASOUT.exitv);
}
