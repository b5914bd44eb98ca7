// The final retract after the passes of an execution.
#include "blocks/movement.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/pasout.h"
#include "passes/retract.h"

void ENDRET(i32& status)
{
    status = 0;
    i32 lines = 0;
    llines(lines);
    if (lines < 1) return;
    const bool three = pw(AXSMOD) == 1;
    if (three) HFLSET(1);
    // The tool display is held off during the retract.
    // The mode is the integer every writer stores (0 to 4), not a real.
    const i32 tler = TLER[TLER_MODE];
    if (tler >= TLER_HIDE) TLER[TLER_MODE] = TLER_SHOW;
    // The tool stands where the move writers left it: the display record's
    // position (DSP8) is set when a procedure's blocks are shown, not by
    // every move, and lags behind the passes just written.
    f32 pos[3], axis2[3];
    for (int c = 0; c < 3; ++c) {
        pos[c] = MOVST.point[c];
        axis2[c] = wrd2r(DSP8[DSP8_NORMAL + c]);
    }
    if (gd::eqpt(PASOUT.last, pos)) {
        if (three)
            SRFRET(2, PASOUT.last, PASOUT.prev, PASOUT.axis, axis2, PASOUT.npnts, status);
        else
            MXFINL(status);
    } else if (three) {
        ZRET(2, pos, axis2, status);
    }
    TLER[TLER_MODE] = tler;
}
