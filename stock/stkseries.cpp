#include "stock/stkseries.h"

#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "stock/gouge.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stktable.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

void stk_setup_from_proc(const i32& code, const i32& proc, i32& found, i32& status)
{
    (void)proc;
    found = 0;
    status = 0;
    if (get_disp_stock() == 0) {
        RUN_ZOOMED_STOCK(code, proc, 0, status);
        return;
    }
    // The stock procedure's own parameters are not read yet: the grid in
    // force is the stock.
    if (stk_grid.hdl < 0 || !stk_cells()) {
        msg_mdls(339, 12);
        status = -1;
        return;
    }
    found = 1;
    for (i32 w = CMP_LIMITS; w < CMP_LIMITS + 3; ++w) CMPBLK[w] = r2wrd(1.0e8f);
    if (code == 52) sim_mark_valid(proc, 1, 0);
}

void stk_calc_procs(const i32& mode, const i32& proc, const i32* flags, i32& status)
{
    (void)flags;
    // No stock grid yet: there is no stock to carry on (the series of
    // stock procedures is not read here).
    status = 0;
    if (stk_grid.hdl < 0) return;
    i32 found = 0;
    stk_setup_from_proc(52, proc, found, status);
    if (status < 0) {
        status = -2;
        return;
    }
    // The last procedure of the series on the stock in force.
    (void)mode;  // the optimizer stages are not run: every procedure is stamped
    stk_optim_run(0, proc, status);
    if (status >= 0 && status < 1000) sim_mark_valid(proc, 1, 0);
}

void stk_gouge_run(const i32& proc, i32& status)
{
    status = 0;
    i32 found = 0;
    stk_setup_from_proc(53, proc, found, status);
    if (status < 0 || !found) {
        userrc("stk_gouge_run, NOT CHECKED FOR GOUGES: NO STOCK BEFORE THE PROCEDURE", 0);
        if (status >= 0) status = -1;
        return;
    }
    f32 D = 0, R = 0, L = 0, T = 0, mill = 0;
    GTDIAM(CURTOL, mill);
    stk_tool_shape(CURTOL, D, R, L, T);
    if (mill > 0.0f)
        gouge_check_tool(D, R, L, T, status);
    else if (D > 0.0f)
        stk_tool_image(0, D, R, L, T, status);
    else
        status = GOUGE_NOT_CHECKABLE;
    i32 ph = -1, bh = -1, n = 0;
    bool sub = false;
    if (status == 0 && STKPOS) {
        STKPOS(proc, status);
        if (status == 0) OPNMVL(2, status);
        sub = status == 2;
        if (status == 2) status = 0;
    }
    if (status == 0) optim_open_list(2, status);
    if (status == 0) tp_to_points(0, MV_LIST, ph, bh, n, status);
    if (status == 0) stk_gouge_points(nu_sgcd_get_code(), proc, ph, bh, n, status);
    if (status == GOUGE_NOT_CHECKABLE)
        userrc("stk_gouge_run, NOT CHECKABLE FOR GOUGES: THE TOOL IS AT MOST TWO STOCK CELLS WIDE", 0);
    i32 st = 0;
    if (ph >= 0) MM_CLOSE(ph, st);
    if (bh >= 0) MM_CLOSE(bh, st);
    if (sub) CLSSBL(st);
    stk_image_free(0);
}
