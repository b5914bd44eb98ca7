#include "blocks/listdsp.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/movement.h"
#include "blocks/stfield.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/records.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

void HLDDSP(const i32& mode, i32& status)
{
    HFLSET(1);
    status = 0;
    if (HEI8[HEI8_RETRACT] == 0) return;
    STPV01(4);
    f32 point[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(HEI8[HEI8_CLEARANCE])};
    f32 axis[3] = {0.0f, 0.0f, 1.0f};
    MOVLIN(mode, point, axis, status);
}

// ------------------------------------------------------- one-block display

namespace {
bool same3(const i32* a, const i32* b)
{
    for (int k = 0; k < 3; ++k)
        if (!eqval(wrd2r(a[k]), wrd2r(b[k]))) return false;
    return true;
}
}  // namespace

void DISPLB(const i32& mode, i32& flag, i32& status)
{
    if (mode < 0 || mode > 3) {
        erou1c("DISPLB, INVALID MODE TYPE. MODE = ", mode);
        status = -1;
        return;
    }
    // The tool display keeps no copies of the position, axis and third
    // vector of its own: nothing would read them, the tool symbol is moved
    // from the previous-position words of DSP8 below.
    std::memcpy(DSP8 + 9, DSP8, 6 * sizeof(i32));
    cltrin(-1, nullptr);
    ncd_pull_color_font_pen();
    const i32 dmode = MFLGT0() >= 1 ? mode + 10 : mode;
    i32 type = 0, hit = 0, st = -1;
    DSPBLK(dmode, 3, type, hit, st);
    if (st < 0) {
        ncd_push_color_font_pen();
        eroutc("DISPLB - ERROR IN LIST", 0);
        status = -1;
        return;
    }
    if (mode >= 1) {
        f32 pos[3], axis[3];
        std::memcpy(pos, DSP8 + DSP8_POS, sizeof pos);
        std::memcpy(axis, DSP8 + DSP8_AXIS, sizeof axis);
        i32 inst = 0;
        tm_inst_id(1, inst);
        if (mode == 3 && inst == 0) {
            i32 fig = -1;
            DISPT1(CURTOL, pos, axis, fig);
            if (fig >= 0) tm_inst_id(2, fig);
        } else if (!same3(DSP8, DSP8 + 9) || !same3(DSP8 + 3, DSP8 + 12)) {
            TOLMOV(inst, pos, axis, mode == 1 ? 4 : 1);
        }
        if (MFLGT0() < 1) MUTPSW(1);
        if (MFLGT0() >= 0) MFLCNT((MFLGT0() + 1) % 100);
    }
    if (mode == 1) ncd_flush_blocks();
    ncd_push_color_font_pen();
    if (hit != 0) flag = 1;
    status = 0;
}
