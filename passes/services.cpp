// The passes' routines that the procedure frame calls: the link value, the
// up/down parameter glue, the link parameters and the tool position at a
// surface point.
#include "passes/services.h"

#include <cstring>

#include "core/codedio.h"
#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "core/records.h"
#include "passes/ncevs.h"
#include "passes/retract.h"
#include "passes/srfgeo.h"

i32 SPIMOD = 2;
i32 NPASS = 0;
f32 LSTEND = 0.0f, LSTPAR = 0.0f;
i32 AXSCPY = 1;

namespace {
i32 linkv = 0;
}  // namespace

void LNKVAL(const i32& mode, i32& value)
{
    if (mode == 1)
        value = linkv;
    else if (mode == 2)
        linkv = value;
}

void UDWPAR(const i32& medium, const i32& w429, const i32* item431, const i32& w455, const i32& w456,
            const i32& w457, i32& position, i32& status)
{
    tpptntl(medium, 274, 1, DT_INT, &w429, position, status);
    if (status == 0) tpptntl(medium, 275, EXPR_WORDS, DT_EXPR, item431, position, status);
    if (status == 0) tpptntl(medium, 276, 1, DT_INT, &w455, position, status);
    if (status == 0) tpptntl(medium, 277, 1, DT_INT, &w456, position, status);
    if (status == 0) tpptntl(medium, 278, 1, DT_INT, &w457, position, status);
}

void UDTRNS(i32& status)
{
    // Host message, parameter code, kind (1 a value, 2 a choice) and menu.
    static constexpr i32 ROWS[6][4] = {{525, 274, 2, 529}, {530, 275, 1, -1}, {531, 275, 1, -1},
                                       {532, 276, 2, 535}, {536, 277, 2, 539}, {540, 278, 2, 543}};
    status = 0;
    for (const auto& r : ROWS) {
        nu_trns_add(r[0], r[1], r[2], r[3], status);
        if (status != 0) return;
    }
}

void (*SRMHOOK)(i32 loop, i32& status) = nullptr;




// The tool at a surface point through the movement-direction routine, with
// the module's own work areas (the on-model word and the evaluation record,
// read by no other routine): tool point, tool axis and surface normal.
void NCEVSW(const f64* buf, const f32& u, const f32& v, const f32& wu, const f32& wv, const i32& side,
            const i32& axsmod, i32& flag3, const f32& lead, const f32& tilt, f32* result, i32& status)
{
    static i32 onmodel = 0;
    static f32 evrec[9];
    onmodel = 0;
    NCEVS1(buf, u, v, wu, wv, side, axsmod, flag3, lead, tilt, onmodel, evrec, result, status);
}

void SETMOC(const i32& w4, const f32& w39, const f32& w63, const f32* w87, const f32& w89, const f32& w15,
            const f32& w283, const f32& w307, const i32& flag, const i32& nsrf, const i32& npart2, const i32* hmode,
            const i32* hinc)
{
    LnkPar& l = LNKPAR;
    l.kind = w4;
    l.length = w39;
    l.radius = w63;
    l.dist[0] = w87[0];
    l.dist[1] = w87[1];
    l.safety = w89;
    l.tol = w15;
    l.pofs = w283;
    l.cofs = w307;
    // The positioning's stock cells take the same part and check stock: the
    // tool-shape helpers, the clean-up and the clearance path read them, and
    // left at 0 they would put the tool on the bare surfaces and cut away
    // the stock that the procedure (or the editor's link values) leaves.
    PRCSTK = w283;
    PRCCHK = w307;
    l.gouge = flag;
    l.nsrf = nsrf;
    l.count = npart2;
    l.hmode = *hmode;
    l.hinc = wrd2r(*hinc);
    l.clrA = l.clrB = 0;
}

void UDOPTM(i32& w429, i32* item431, i32& w455, i32& item, i32* numbers)
{
    for (i32 k = 0; k < 4; ++k) numbers[k] = 0;
    i32 shown = 0, st = 0;
    numbers[shown++] = item;
    // The mode choice by its host menu (883 under machining type 12).
    nu_mod_exec(3, "UP/DOWN MILLING:OFF@UP@DOWN", MACTYP == MACTYP_TYPE5 ? 883 : 529, &w429, 1, 3, st);
    if (w429 == 2 || w429 == 3) {
        numbers[shown++] = item + 1;
        // The angle row offers 0 to 90 degrees and shows the value stored.
        // It is not preset to 90 here: the page is built again after every
        // reply, and 0 is a setting of its own (every falling stretch steep),
        // which a preset would overwrite.
        nu_mod_exec(8, "SLOPE ANGLE", 275, item431, 0, 90, st);
    }
    // Up milling asks for the writer's direction test under machining type 12.
    if (w429 == 2) w455 = MACTYP == MACTYP_TYPE5 ? 2 : 1;
    // Padded to the four item positions the parameter page keeps for these
    // rows: its one caller numbers the items after them by that count, so
    // neither a count nor an unpadded form is asked for.
    for (i32 k = shown; k < 4; ++k) moduc2();
    item += 4;
}
