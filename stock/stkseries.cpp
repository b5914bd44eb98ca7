#include "stock/stkseries.h"

#include <algorithm>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/gouge.h"
#include "stock/movecur.h"
#include "stock/optim.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stktable.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

StkProcParFn STKGTP = nullptr;
StkArgFn STKARG = nullptr;
StkProcParFn STKCOM = nullptr;

namespace {
constexpr i32 MAX_ROWS = 100000;  // rows looked at in one level's table

bool proc_row(i32 level, i32 index, i32* row)
{
    i32 st = 0;
    get_proc_table(level, index, row, st);
    return st == 0;
}

// Rows in a level's procedure table.
i32 proc_rows(i32 level)
{
    i32 row[PTAB_N], n = 0;
    while (n < MAX_ROWS && proc_row(level, n, row)) ++n;
    return n;
}

i32 current_level() { return CLP1[0] < 1 ? 1 : CLP1[0]; }

// The coordinate system of the procedure being worked on (0 when the host
// has no row for it).
i32 current_ucs(i32 proc)
{
    i32 row[PTAB_N];
    return proc_row(current_level(), proc, row) ? row[PTAB_UCS] : 0;
}

bool is_stock_code(i32 code) { return code == 52 || code == 53; }

// Two coordinate systems are the same when the host finds no change between
// them: equal ids, or two systems of the same origin and axes.
bool same_ucs(i32 a, i32 b) { return if_rotate_ucs(a, b) == 0; }

// The value of item 81 of group 24 of procedure `index`'s block (the result
// of its stock run), 0 when absent or when the block cannot be reached. A
// procedure of another level than the current one is not in the list the
// cursor reaches: the host gives the item from the stored procedure, whose
// host id its row holds.
i32 block_value(i32 level, i32 index, const i32* row)
{
    if (level != current_level()) {
        i32 v[GS_PARAM_MAX] = {0}, st = 0;
        gs_param(3, row[PTAB_ID], 9, 4, 81, v, st);
        return st == 0 ? v[0] : 0;
    }
    if (!STKPOS) return 0;
    i32 st = 0;
    STKPOS(index, st);
    if (st < 0) return 0;
    i32 v = 0, c = 1;
    TPGETC(MED_LIST, GR_GLOBAL, 81, c, DT_INT, &v, st);
    return st == 0 ? v : 0;
}

// Writes the result of procedure `index`'s stock run into its block; a
// procedure of an earlier level has its block stored, whose item the host
// changes in place.
void put_result(i32 level, i32 index, const i32* row, i32 value)
{
    if (level != current_level()) {
        i32 v[GS_PARAM_MAX] = {0}, st = 0;
        gs_param(3, row[PTAB_ID], 9, 4, 81, v, st);
        v[0] = value;
        if (st == 0) gs_param(2, row[PTAB_ID], 9, 4, 81, v, st);
        return;
    }
    if (!STKPOS) return;
    i32 st = 0;
    STKPOS(index, st);
    if (st < 0) return;
    PLFIND(GR_GLOBAL, 81, st);
    if (st < 0) return;
    TPSKIP(MED_LIST, 2, DT_INT, st);
    if (st >= 0) TPCHNG(1, &value, st);
}

void no_stock_message(i32 reason) { msg_mdls(339, reason == 3 ? 13 : reason == 0 ? 12 : 11); }

// Makes a procedure's tool the current tool.
void take_tool(i32 tool)
{
    if (tool <= 0 || tool == CURTOL) return;
    i32 st = 0;
    SETTLN(tool);
    TLCACH(3, tool, st);
}
}  // namespace

void stk_find_proc(const i32& code, const i32& proc, i32& found, i32& level, i32& index, i32& id, i32& reason)
{
    found = 0;
    reason = 0;
    const i32 want = code == 999 ? 53 : code, cur = current_level(), ucs = current_ucs(proc);
    for (i32 lv = cur; lv >= 1; --lv) {
        for (i32 k = (lv == cur ? std::min(proc, proc_rows(lv)) : proc_rows(lv)) - 1; k >= 0; --k) {
            i32 row[PTAB_N];
            if (!proc_row(lv, k, row) || row[PTAB_CODE] != want) continue;
            i32 why = 0;
            if (code != 999 && row[PTAB_CALC] != 1)
                why = 1;
            else if (row[PTAB_CHANGED] != 0)
                why = 2;
            else if (!same_ucs(row[PTAB_UCS], ucs))
                why = 3;
            if (why != 0) {
                if (reason == 0) reason = why;
                continue;
            }
            found = 1;
            level = lv;
            index = k;
            id = row[PTAB_ID];
            return;
        }
    }
}

void stk_setup_from_proc(const i32& code, const i32& proc, i32& found, i32& status)
{
    found = 0;
    status = 0;
    i32 level = 0, index = 0, id = 0, reason = 0;
    stk_find_proc(code, proc, found, level, index, id, reason);
    if (!found) {
        no_stock_message(reason);
        status = -1;
        return;
    }
    i32 table = 0, kind = 0;
    f32 box[6], heights[2], npt[3];
    // The values are asked of the host for a stock procedure of any level,
    // the current one too. Its block is written by the stock procedure's own
    // module in items this module keeps no format for, and its text id
    // (item 419) names a generic table that only the host opens: the table
    // number comes from the host in any case, which answers the same values
    // from the stored procedure.
    get_stockid_and_minmax(level, index, table, box, kind, heights, npt, status);
    if (status < 0) {
        eroutc("stk_setup_from_proc, THE STOCK PROCEDURE GIVES NO STOCK", 0);
        status = -1;
        return;
    }
    // One value per item: item 7 into the twentieth word, item 9 into the
    // nineteenth and the first value of item 11 (the origin's X) into the
    // fourth; the three values the host gives are those. The origin's Y and
    // Z stay the current procedure's: the stock procedure found is in the
    // same coordinate system, and the sixth word is the Z reference of the
    // stock's limits below.
    NPT1[19] = r2wrd(npt[0]);
    NPT1[18] = r2wrd(npt[1]);
    NPT1[3] = r2wrd(npt[2]);
    // The host's common arguments take the words just read before the
    // stock is set up from the host.
    if (STKARG) STKARG();
    // With no stock shown the host has none to hand over: the zoomed stock
    // takes the place of the set-up alone, after the search, so that a
    // missing stock procedure is still told as such.
    if (get_disp_stock() == 0) {
        RUN_ZOOMED_STOCK(code, proc, 0, status);
        return;
    }
    stk_init_table(table, code, status);
    if (status < 0) return;
    // The stock's box and its Z limits: the two heights for a stock of kind
    // 2, else the box's Z above the Z reference.
    const f32 zref = wrd2r(NPT1[5]);  // the sixth word: the Z reference
    for (i32 k = 0; k < 6; ++k) stk_grid.stock[k] = box[k];
    stk_grid.stock[2] = kind == 2 ? heights[0] : zref + box[2];
    stk_grid.stock[5] = kind == 2 ? heights[1] : box[5] + zref;
    for (i32 w = CMP_LIMITS; w < CMP_LIMITS + 3; ++w) CMPBLK[w] = r2wrd(1.0e8f);
    if (code == 52) sim_mark_valid(index, level, current_ucs(proc));
}

void stk_calc_procs(const i32& mode, const i32& proc, const i32* flags, i32& status)
{
    status = 0;
    const bool optimize = mode == 1 || mode == 3;
    const i32 omode = mode == 3 ? 4 : 1;
    const i32 last = mode == 2 ? proc + 1 : mode == 4 ? proc - 1 : proc;
    if (optimize) msg_prompt(339, 73);
    stk_grid_vars(1);
    i32 st = 0;
    // The series writes its technology afresh: nothing of the state the last
    // run left is taken as written already.
    TECHCL();
    RDREC("CLP1", CLP1, CLP1_N, st);
    RDREC("TPFO", TPFO, TPFO_N, st);
    const i32 cur = current_level(), ucs = current_ucs(proc);

    i32 found = 0, slv = 0, six = 0, sid = 0, reason = 0;
    stk_find_proc(52, last, found, slv, six, sid, reason);
    if (!found) {
        no_stock_message(reason);
        status = -2;
        return;
    }
    // A procedure past the table's rows has no flag: the table is the
    // caller's, of STK_PROC_ROWS words, and a level may hold more rows.
    auto flagged = [&](i32 lv, i32 k) { return lv == cur && flags && k >= 0 && k < STK_PROC_ROWS && flags[k] != 0; };
    // "Flagged" in the checks of the series reads as flagged as changed, as
    // in the search for the stock procedure and in the note of 339/50 (not
    // computed or changed): a procedure to be executed again is let through
    // when it is changed, and refused when it is only to be optimized, since
    // the optimizer would work on its stale tool path.
    // Walks the series: the procedures after the stock procedure, level by
    // level, up to the last one of the current level.
    auto series = [&](i32 from_lv, i32 from_k, auto&& visit) {
        for (i32 lv = from_lv; lv <= cur; ++lv) {
            const i32 n = lv == cur ? std::min(last + 1, proc_rows(lv)) : proc_rows(lv);
            for (i32 k = lv == from_lv ? from_k : 0; k < n; ++k) {
                i32 row[PTAB_N];
                if (!proc_row(lv, k, row) || is_stock_code(row[PTAB_CODE])) continue;
                if (!visit(lv, k, row)) return false;
            }
        }
        return true;
    };

    // Every procedure of the series must be usable.
    bool told50 = false, told40 = false;
    const bool usable = series(slv, six + 1, [&](i32 lv, i32 k, const i32* row) {
        const bool before = lv < cur || k < last;
        if (before && row[PTAB_EXEC] == 4 && row[PTAB_CALC] != 2 && row[PTAB_CHANGED] == 0) {
            msg_mdls(339, 41);
            return false;
        }
        if ((row[PTAB_CALC] == 2 || row[PTAB_CHANGED] != 0) && !told50) {
            msg_mdls(339, 50);
            told50 = true;
        }
        if ((!same_ucs(row[PTAB_UCS], ucs) || block_value(lv, k, row) > 3 || row[PTAB_LINK] > 0) && !told40) {
            msg_mdls(339, 40);
            told40 = true;
        }
        return true;
    });
    if (!usable) {
        if (STKPOS) STKPOS(proc, st);
        status = -1;
        return;
    }

    // The stock is carried on from where it was last valid, or set up again.
    i32 valid = -1, vlevel = 0, vucs = 0;
    sim_get_valid(valid, vlevel, vucs);
    // A stock valid past the last procedure holds the cuts of procedures
    // after it: the stock is set up again rather than carried.
    const bool carried = stk_grid.hdl >= 0 && valid >= 0 && vlevel == cur && same_ucs(vucs, ucs) &&
                         (slv < cur || valid >= six) && valid <= last;
    bool failed = false;
    i32 from_lv = slv, from_k = six + 1;
    if (carried) {
        from_lv = cur;
        from_k = slv < cur ? valid + 1 : std::max(valid + 1, six + 1);
    } else {
        i32 got = 0;
        stk_setup_from_proc(52, last, got, st);
        stk_grid_vars(1);
        failed = st < 0 || !stk_cells();
    }

    const i32 tool = CURTOL;
    bool stopped = false;
    if (!failed) {
        series(from_lv, from_k, [&](i32 lv, i32 k, const i32* row) {
            if (!same_ucs(row[PTAB_UCS], ucs) || row[PTAB_CALC] == 2 || row[PTAB_LINK] >= 0) {
                if (row[PTAB_CALC] == 2) put_result(lv, k, row, 4);
                return true;
            }
            if (block_value(lv, k, row) >= 4) return true;
            take_tool(row[PTAB_TOOL]);
            i32 rs = 0;
            bool staged = false;
            if (lv < cur) {
                // A procedure of an earlier level: its movement entity.
                open_sub_list(1, row[PTAB_MOVE], rs);
                if (rs >= 0) stk_optim_run(3, k, rs);
                reset_open_proc();
                eclose();
            } else {
                if (STKPOS && STKGTP) {
                    STKPOS(k, rs);
                    if (rs >= 0) STKGTP(rs);
                }
                i32 m = 0;
                // Only the procedure asked for runs with the optimizer: a
                // flag left on one before it is an earlier request.
                if (rs >= 0 && optimize && flagged(lv, k) && k >= proc) {
                    m = omode;
                    staged = optim_all_off() == 0;
                    // A procedure of code 54 goes without the link stage. One
                    // of code 38 would too (339/130) when its block marked
                    // it; the blocks this module writes keep no item for
                    // that mark, and an item a block lacks reads as 0, as
                    // the block value above: a code-38 procedure is not
                    // marked, and keeps the stage the user switched on.
                    // Code 54 has no mark to wait for.
                    if (CMPBLK[CMP_LINK] == 2 && CMPBLK[CMP_MASTER] == 2 && row[PTAB_CODE] == 54)
                        CMPBLK[CMP_LINK] = 1, msg_mdls(339, 131);
                }
                if (rs >= 0) stk_optim_run(m, k, rs);
            }
            if (rs >= 0 && rs < 1000) sim_mark_valid(k, lv, ucs);
            if (rs < 0) failed = true;
            const bool changed = CMPBLK[CMP_CHANGED] != 0;
            put_result(lv, k, row, staged ? (rs == 1000 && changed ? 4 : 3) : (changed ? 2 : 1));
            stopped = rs == 1000;
            // A failed procedure ends the series: the stock of every
            // procedure after it would lack that procedure's cut, and marked
            // valid it would be carried on by the next series as it is.
            return !stopped && !failed;
        });
    }
    take_tool(tool);
    if (STKPOS) STKPOS(proc, st);
    // A user stop gives 1000, beside 0, -1 and -2: the driver reads it to
    // tell a series the user ended inside the optimizer (its state line and
    // counter step) from one that ran through, and the stocks of the
    // procedures done before the stop stay valid.
    if (stopped)
        status = 1000;
    else if (failed)
        status = -2;
}

void stk_gouge_run(const i32& proc, i32& status)
{
    status = 0;
    i32 found = 0;
    // The set-up says why when it finds no stock (or asks for the zoomed
    // stock instead): the run ends on its messages alone.
    stk_setup_from_proc(53, proc, found, status);
    if (status < 0 || !found) {
        if (status >= 0) status = -1;
        return;
    }
    gouge_check_tool(CURTOL, status);
    if (status != 0) {
        userrc("stk_gouge_run, THE TOOL LEAVES NO CHECK TOOL: NOT CHECKED FOR GOUGES", 0);
        status = -1;
    }
    i32 ph = -1, bh = -1, n = 0;
    bool sub = false;
    if (status == 0 && STKPOS) {
        STKPOS(proc, status);
        // The set-up put the stock procedure's words into "NPT1" and handed
        // them to the host; the procedure's own current commands are read
        // back from its block, so that the report's X and Y are both shifted
        // by the procedure's origin and the words stand as the procedure's
        // once the run is over.
        if (status == 0 && STKCOM) STKCOM(status);
        if (status == 0) OPNMVL(2, status);
        sub = status == 2;
        if (status == 2) status = 0;
    }
    if (status == 0) optim_open_list(2, status);
    if (status == 0) tp_to_points(0, MV_LIST, ph, bh, n, status);
    // The number in the report's name and first line is the one the run is
    // given: the procedure's stock-simulation counter, the number under
    // which the stock series and the driver's table know the procedure.
    if (status == 0) stk_gouge_points(nu_sgcd_get_code(), proc, ph, bh, n, status);
    i32 st = 0;
    if (ph >= 0) MM_CLOSE(ph, st);
    if (bh >= 0) MM_CLOSE(bh, st);
    if (sub) CLSSBL(st);
    stk_image_free(0);
}
