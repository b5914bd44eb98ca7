#include "passes/srfbox.h"

#include <cmath>

#include "core/host.h"
#include "surfaces/srfbuf.h"
#include "surfaces/svap.h"

void SURFSBOX(const i32* ids, const i32& count, f64* box, i32& status)
{
    for (i32 k = 0; k < 6; ++k) box[k] = 0.0;
    status = 0;
    if (count < 1) {
        status = -1;
        return;
    }
    bool anyid = false, taken = false;
    for (i32 n = 0; n < count; ++n) {
        const i32 id = ids[n];
        if (id <= 0) continue;
        anyid = true;
        i32 cls = 0, type = 0, len = 0, st = 0;
        eopen(id, cls, type, len, st);
        if (st < 0) {
            status = st;
            return;
        }
        eclose();
        f64 b[6], w[6];
        if (cls == ESRF_CLASS) {
            // Plain and trimmed surfaces alike: the host keeps a trimmed
            // surface in the class of surfaces (type 4), and the surface
            // buffer's box routine gives the box of its trimmed region.
            DBDSRX(1, id, b, st);
            if (st < 0) {
                status = st;
                return;
            }
            madm2w(b, w);
            madm2w(b + 3, w + 3);
        } else if (cls == SVA_CLASS && type == SVA_TYPE) {
            // A saved approximation: the box of its header, in single
            // precision.
            f32 sb[6], sw[6];
            dbdsl1(id, sb, st);
            if (st < 0) {
                status = st;
                return;
            }
            mapm2w(sb, sw);
            mapm2w(sb + 3, sw + 3);
            for (i32 k = 0; k < 6; ++k) w[k] = sw[k];
        } else {
            eroutc("SURFSBOX : UNKNOWN SURFACE TYPE ", 0);
            status = -1;
            return;
        }
        bool credible = true;
        for (f64 c : w)
            if (!(std::fabs(c) <= 1.0e9)) credible = false;
        if (!credible) {
            user1c("WARNING: SURFACE ID NUMBER : ", id, " MAY HAVE A WRONG BOUNDING BOX | IT MAY CAUSE PROBLEMS IN THE FUNCTION");
            continue;
        }
        if (!taken) {
            for (i32 k = 0; k < 6; ++k) box[k] = w[k];
            taken = true;
        } else {
            updbxd(box, w);
            updbxd(box, w + 3);
        }
    }
    // A list whose every box was left out has no box: that is a failure, not
    // an empty box.
    if (!anyid || !taken) status = -1;
}
