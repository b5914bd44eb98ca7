// The area-clearing driver behind `clrpok`.
#include "pocket/clrpok.h"

#include "cleanup/clrarea.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "pocket/pokarr.h"

void clrpok(i32 a1, i32 a2, const f32& a3, const f32& a4, i32 n, const i32* counts, const f32* points,
            const f32* allow, i32& nloops, i32* loopcounts, f32* looppoints, i32& status)
{
    status = 0;
    const i32 room = nloops;
    clr_save_state(1);
    clr_set_params(a1, a2, a3, a4, n, allow, status);
    const f32* p = points;
    for (i32 k = 0; k < n && status >= 0; ++k) {
        clr_add_contour(k == 0 ? 1 : 0, counts[k], p, status);
        p += 2 * counts[k];
    }
    bool out = false;
    if (status >= 0) {
        clr_clean_area(21, status);
        // 100 is a clearing that succeeded with its start moved to the
        // start point: its loops are output like those of a 0.
        if (status == 0 || status == 100) {
            // What the output step wrote stands, also when it stopped at the
            // caller's table (-10) or the point limit (-11): the loops that
            // fit are handed back whole with the failure status rather than
            // thrown away, so a caller learns which limit it met and loses
            // nothing it was given (the module's own callers drop them on a
            // negative status). At the point limit the polygon it cut short
            // is left out of the count below.
            nloops = room;
            clr_output(a4, 7000, looppoints, nloops, loopcounts, status);
            // the output counts the polygon the point limit cut short: only
            // the loops written in full are handed back
            if (status == -11 && nloops > 0) --nloops;
            if (status > 0) status = 0;
            out = true;
        } else {
            status = status == 17 ? 0 : -1;
        }
    }
    if (status == -11) status = -1;
    if (!out) {
        nloops = 0;
        if (loopcounts) loopcounts[0] = 0;
    }
    clr_save_state(2);
    // The pool is emptied when the outermost clearing returns. A clearing
    // nested in another has had the buffers it took given back by the
    // restore above; emptying the whole pool here would free the buffers
    // the outer clearing still holds.
    if (clr_save_depth() == 0) pkdm_rel_all();
}
