// The machine change behind GO TO POINT: the machining type of the GO
// procedure of a machine kind, its tool, and the GO menu with the items that
// kind offers.
#include <cstring>
#include <initializer_list>

#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/procblk.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "edit/proctab.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/gomenu.h"
#include "frame/machtype.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

namespace {

constexpr i32 GO_TYPE_OF_KIND[6] = {0, GT_MILL, GT_MILL, GT_TWOAXIS, GT_TURN, GT_WIRE};
constexpr i32 GO_CODE_OF_KIND[6] = {0, 10, 10, 19, 20, 26};
constexpr i32 KEEP_SLOT = 8;

// The three item arrays of the GO menu, items numbered from 1.
struct GoItems {
    i32 tool[30] = {};
    i32 display[20] = {};
    i32 options[11] = {};
};

void mark_items(const i32 kind, GoItems& it)
{
    it.tool[8 - 1] = 1;
    if (kind == 1 || kind == 2 || kind == 4) {
        for (const i32 k : {1, 4, 5, 6}) it.tool[k - 1] = 1;
    } else if (kind == 3) {
        it.tool[1 - 1] = 1;
    }
    it.display[4 - 1] = 1;
    if (kind == 1 || kind == 2) it.display[1 - 1] = 1;
    it.options[2 - 1] = it.options[3 - 1] = 1;
}

// Draws the tool at the display point when several procedures share the
// tool path and no tool figure is registered.
void show_tool()
{
    i32 shown = 0;
    tm_inst_id(1, shown);
    if (PRCTAB.count <= 1 || shown > 0 || CURTOL <= 0) return;
    const f32 point[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
    const f32 axis[3] = {0, 0, 1};
    i32 figure = -1;
    DISPT1(CURTOL, point, axis, figure);
    if (figure >= 0) tm_inst_id(2, figure);
}

}  // namespace

void MCHSET(const i32& kind, const i32& keep, i32& status)
{
    status = 0;
    const i32 k = kind >= 1 && kind <= 5 ? kind : 1;
    GoItems items;
    mark_items(k, items);
    if (k == 3) {
        STPV52(14);
        STPV53(17);
    }
    // The list position is kept to come back to. Whether the display
    // position is the last one is not noted: nothing reads the note, and the
    // host here answers no display position to compare.
    i32 answer = 0;
    if (keep == 0) lmark(1, KEEP_SLOT, answer);
    // The GO type's parameter set is neither handed to the host nor used
    // to initialise the technology state here: the host keeps the
    // procedure's own set while its menus run, and the GO menu's first
    // motion initialises the state for the GO set itself.
    i32 set = 0, pausable = 0;
    MCHTYP(GO_CODE_OF_KIND[k], set, pausable, status);
    if (status == 0) {
        MODRST = 1;
        MCHSTW[1] = 0;
        EDA2[EDA2_SUSP] = EDA2[EDA2_SAVED] = 0;
        i32 st = 0;
        SUITOL(1, st);
        FNDTOL(st);
        TXTDEF(0);
        i32 moved = 0, changed = 0;
        GOMENU(GO_TYPE_OF_KIND[k], 1, items.tool, items.display, items.options, moved, changed, status);
        char name[9] = {0};
        FNCNAM(GO_CODE_OF_KIND[k], name);
        // The note, the closing of the sub-list and the block update follow
        // the GO menu's opened procedure block (moved), not each motion
        // (changed): with no block opened there is no sub-list to close nor
        // block to update, and the note would speak of a procedure that was
        // never written.
        if (moved != 0) {
            if (keep == 0 && status == 0)
                user5c("NOTE: PARAMETERS SET IN ", name, " WILL NOT AFFECT ACTIVE FUNCTION", "", "");
            usmsgc(" ");
            CLSSBL(st);
            PTUB12(0, 1, 0, 0, st);
        }
        show_tool();
    }
    if (keep == 0 && answer >= 1) {
        i32 st = 0;
        TPTOP(KEEP_SLOT, st);
        i32 number = 0;
        CURBLK(number);
        char name[9] = {0};
        FNCNAM(DRVARG.type, name);
        MUTTXT(1, name, number);
    }
}
