// Retract motions in the form the final retract needs: vertical retracts
// to the retract height of the heights record.
#include "passes/retract.h"

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "frame/host.h"
#include "frame/modflg.h"
#include "frame/records.h"
#include "passes/pasout.h"

PasOut PASOUT;

namespace {
f32 hei(i32 word) { return wrd2r(HEI8[word - 1]); }
}  // namespace

void MOVRPD(const i32& dim, const f32* point, const f32* axis, const i32& rapid, i32& status)
{
    (void)dim;
    STPV01(rapid == 1 ? 4 : 1);
    MOVLIN(2, point, axis, status);
    STPV01(rapid == 1 ? 1 : 4);
}

void ZRET(const i32& dim, const f32* point, const f32* axis, i32& status)
{
    status = 0;
    i32 d = dim;
    if (d == 3) {
        eroutc("ZRET, ONLY DIM2/3 IS PERMITTED ", 0);
        d = 1;
    }
    i32 hold = 0;
    HFLGET(hold);
    f32 h;
    if (hold != 0) {
        if (HEI8[73] == 0) return;
        h = hei(1);
    } else {
        h = HEI8[76] != 0 ? hei(25) : point[2] + hei(49);
    }
    const f32 p[3] = {point[0], point[1], h};
    MOVRPD(d, p, axis, 1, status);
}

void SRFRET(const i32& dim, const f32* start, const f32* before, const f32* axis, const f32* axis2, const i32& count,
            i32& status)
{
    (void)before, (void)axis;
    status = 0;
    if (count == 0) return;
    ZRET(dim, start, axis2, status);
}

void MXFINL(i32& status) { status = 0; }
