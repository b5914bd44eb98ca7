#include "frame/dspopt.h"

#include "core/host.h"
#include "frame/intctl.h"
#include "frame/gomenu.h"
#include "frame/srvmnu.h"
#include "edit/msgblk.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/records.h"

namespace {
const char* const TOGGLE = "TOOL: DISPLAY@TOOL: TRACE@TOOL: NO DISPLAY@MOTION: NO FAST DISP.@MOTION: NO DISPLAY";
constexpr i32 OPT_MODE[6] = {0, 0, 1, 2, 4, 3};
constexpr i32 CLEARANCE_RELATION = 366;  // the relation of the clearance height
}  // namespace

void CHGORG(i32& status)
{
    gs_common_arguments(1, NPT1, DSP8, HEI8, PRM9);
    orgchn();
    gs_common_arguments(2, NPT1, DSP8, HEI8, PRM9);
    status = 0;
}

void DSPOPT(const i32& relations, const i32* options, const i32* display, i32& inserted, i32& status)
{
    // Display items: 1 the tool path information texts (the milling
    // machines' GO menus offer them), 4 the tool display mode (every GO menu
    // offers it). Option items: 1 clearance, 2 message insertion, 3 change
    // of origin; any of them brings the action group, whose first row is
    // always the clearance.
    const bool texts = display[0] != 0, tooldsp = display[3] != 0;
    const bool actions = options[0] != 0 || options[1] != 0 || options[2] != 0;
    const bool insert = options[1] != 0, origin = options[2] != 0;
    i32 opt;
    if (get_fdflg() == 1) {
        opt = 4;
    } else if (DSPMOD >= 0 && DSPMOD <= 2) {
        opt = DSPMOD + 1;
    } else if (DSPMOD == 3) {
        opt = 5;
    } else {
        opt = 3;
        DSPMOD = 2;
    }
    // The clearance is shown and edited as a height over the tool path
    // origin's Z, and stored over the origin as it stands on leaving: after
    // a change of origin within the menu it keeps its height over the new
    // origin.
    f32 value = wrd2r(HEI8[HEI8_CLEARANCE]) - wrd2r(NPT1[NPT1_ORIGIN + 2]);
    const bool relation = relations != 0 && rel_nc_get_num(CLEARANCE_RELATION) > 0;
    inserted = 0;
    status = 0;
    while (true) {
        prcont();
        i32 words[4] = {0, 18, 12, 1};
        modint(words, status);
        if (status < 0) return;
        i32 row = 0, clear_row = -9, insert_row = -9, origin_row = -9;
        // The six tool path information texts of the procedure menus' head
        // (name, type, size, bytes left, MACSYS, level), as they are now.
        char info[6][23] = {};
        if (texts) TPHDRT(0, 1, info);
        if (texts || tooldsp) {
            for (int k = 0; k < 2; ++k) {
                if (texts) modtxt(info[k]);
                else modbln();
            }
            modbln();
            row += 3;
            if (tooldsp) {
                modmc2(TOGGLE, opt, 0);
                ++row;
            }
        }
        if (texts) {
            for (int k = 2; k < 6; ++k) modtxt(info[k]);
            row += 4;
        }
        if (actions) {
            // Under a relation the row opens the host's relation dialog of
            // the clearance when chosen: this form has no row kind that
            // holds a relation item itself.
            if (relation)
                modact("CLEAR");
            else
                modrc("CLEAR", value, -9999.999f, 9999.999f);
            clear_row = ++row;
            modbln();
            ++row;
            if (insert) {
                modact("INSERT MESSAGE / CODE");
                insert_row = ++row;
            }
            if (origin) {
                modact("CHANGE ORIGIN");
                origin_row = ++row;
            }
        }
        REDSPL();
        i32 action = 0;
        modif1(action);
        if (action == 0 || action == -1 || action == -2) break;
        if (action == origin_row) {
            MNUCLR();
            CHGORG(status);
        } else if (action == insert_row) {
            MNUCLR();
            i32 done = 0;
            i32 st = 0;
            INSMSG(GOST.pick, done, st);
            if (done) inserted = 1;
        } else if (action == clear_row && relation) {
            nu_mod_exec(CLEARANCE_RELATION, HEI8);
        } else {
            gsclr(0);
        }
    }
    if (actions && !relation) HEI8[HEI8_CLEARANCE] = r2wrd(wrd2r(NPT1[NPT1_ORIGIN + 2]) + value);
    set_fdflg_off();
    DSPMOD = OPT_MODE[opt >= 1 && opt <= 5 ? opt : 3];
    if (opt == 4) set_fdflg_on();
    MNUCLR();
    status = 0;
}
