#include "frame/entry.h"

#include "blocks/dipblk.h"
#include "core/params.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "edit/report/estimate.h"
#include "edit/report/listing.h"
#include "edit/report/service.h"
#include "edit/manedt.h"
#include "frame/callbacks.h"
#include "frame/driver.h"
#include "stock/stkseries.h"
#include "surfaces/srfbuf.h"

namespace {
// The block display's reading of a coordinate system entity, handed down
// when the module is loaded.
void ucs_data(const i32& id, f32* origin, f32* matrix, i32& status)
{
    f32 real = 0;
    i32 name[2] = {0, 0}, integer = 0;
    DBDUCS(1, id, origin, matrix, real, name, integer, status);
}

[[maybe_unused]] const bool HANDED_DOWN = (DSPUCS = ucs_data, true);
}  // namespace

// The host's call: the procedure driver carries a surface-milling procedure
// (type 9) with its callbacks, its parameter record "TV27" and its block.
extern "C" void tavrek()
{
    PRCDRV(9, PRCDEF, PRCEXE, PRCPRM, PRCGEO, block_read_tavrek, PRCCHG, PRCINI, PRCSRF, PRCNRM, PRCTRN, PRCUPD,
           "TV27", PRCPAR_N, PRCPAR, PRCCPY);
}

// The host's tool path listing of the open tool path ("TP LIST" outside a
// procedure): TP_LIST in the part's unit.
extern "C" void tavrek_tplist()
{
    const i32 current = -1, units = 1;
    NCLIST(current, units);
}

// The host's time estimate of the open tool path: each procedure with
// movements, from its first block, through the SERVICE entry, into its file
// "TIME_<procedure number>" (the file alone, whatever the output mode).
extern "C" void tavrek_estimate()
{
    constexpr i32 MAXPROCS = 200;
    i32 numbers[MAXPROCS], count = 0, answer = 0, access = 2;
    lclos();
    ltop();
    for (lacces(access, answer); answer >= 0 && count < MAXPROCS; lacces(1, answer)) {
        i32 size = 0, type = 0, cls = 0, st = 0, n = 1, number = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st >= 0 && type == BT_PROC) TPGETN(AM_LIST, GR_LEAD, 33, n, DT_INT, &number, st);
        lclos();
        if (st >= 0 && type == BT_PROC) numbers[count++] = number;
    }
    const i32 mode = get_estimate_mode();
    set_estimate_mode(2);
    for (i32 k = 0; k < count; ++k) {
        i32 st = 0, first = 1;
        SRVPOS(numbers[k], 0, st);
        if (st == 0) estimate_time(first, 2, st);
    }
    set_estimate_mode(mode);
    lclos();
    ltop();
}

// The host's manual editor of a stored procedure: DELETE, DELETE TO END,
// ALTERATIONS with SERVICE, MACH.PARAMS and the message items offered, over
// the procedure block the host's cursor stands on (the last procedure block
// when it stands on none), the tool at its last motion.
extern "C" void tavrek_edit()
{
    i32 answer = 0, st = 0, size = 0, type = 0, cls = 0;
    lclos();
    ltop();
    lacces(0, answer);
    if (answer >= 0) TPBLKH(AM_LIST, size, type, cls, st);
    lclos();
    if (answer < 0 || st < 0 || type != 12) {
        // The last procedure block of the main list.
        i32 last = -1, k = 0;
        for (lacces(2, answer); answer >= 0; lacces(1, answer), ++k) {
            TPBLKH(AM_LIST, size, type, cls, st);
            lclos();
            if (st >= 0 && type == 12) last = k;
        }
        if (last < 0) {
            usmsgc("NOTE: NO PROCEDURE IN THE TOOL PATH");
            return;
        }
        lacces(2, answer);
        for (i32 j = 0; j < last; ++j) lacces(1, answer);
    }
    i32 number = 0, n = 1;
    TPBLKH(AM_LIST, size, type, cls, st);
    TPGETN(AM_LIST, GR_LEAD, 33, n, DT_INT, &number, st);
    lclos();  // the cursor stays on the procedure block
    const i32 all[EDF_N] = {1, 1, 1, 0, 1, 1};
    i32 changed = 0, status = 0;
    manedt(number, all, 1, 0, changed, status);
    lclos();
    ltop();
}

// The host's stock simulation: the series of stock runs that ends with the
// procedure before the one the stock-simulation counter stands on (the last
// procedure made), each procedure stock only.
extern "C" void tavrek_stock()
{
    const i32 mode = 4, next = sim_work_on(1);
    i32 status = 0;
    lclos();
    ltop();
    stk_calc_procs(mode, next, nullptr, status);
    lclos();
    ltop();
}
