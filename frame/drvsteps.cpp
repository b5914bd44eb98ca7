// The driver's steps from the definition to the release.
#include <cstring>

#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/procblk.h"
#include "blocks/stfield.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "frame/defrel.h"
#include "frame/exedlg.h"
#include "passes/services.h"
#include "stock/optim.h"
#include "stock/stkgrid.h"
#include "stock/stkseries.h"
#include "surfaces/srflist.h"
#include "tools/tooldsp.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "core/host.h"
#include "frame/intctl.h"
#include "core/names.h"
#include "core/progress.h"
#include "core/records.h"
#include "tools/toolcache.h"

namespace {
bool is_new() { return EDA2[EDA2_OPENED] == 0; }
bool defonly() { return EDA2[EDA2_HELD] != 0; }

// Changes a global item of the procedure block at the cursor in place.
void change_global(i32 code, i32 value, i32& status)
{
    PLFIND(GR_GLOBAL, code, status);
    if (status < 0) return;
    TPSKIP(MED_LIST, 2, DT_INT, status);
    if (status < 0) return;
    TPCHNG(1, &value, status);
}

// The finish step's last exit: the common exit with the status as it
// stands (0 for an existing procedure finished), then -1.
void finish_end(i32& status)
{
    DRVEND(status);
    status = -1;
    if (DRVORB()) PRGEND();
}

// A failure of the finish step: the common exit runs with the failure.
// The status is made -1 before the common exit, not only after it: the exit
// reads it, and a failure must reset the procedure's colour and pen and
// read the surface tables back, as it does for every other failure.
void finish_fail(i32& status)
{
    status = -1;
    finish_end(status);
}

// Optimization and gouge check after an execution; 1 when a list failure
// ends the step.
i32 after_execution(i32& status)
{
    const bool suspended = EDA2[EDA2_SUSP] != 0;
    i32 st = 0;
    if (DRVST.backup) {
        change_global(81, DRVST.level == 1 ? 4 : 3, st);
        if (st < 0) return 1;
    }
    if (!suspended && (DRVST.exenow || DRVST.level == 1) && EDA2[EDA2_PENDING] == 0 && !DRVST.backup) {
        DRVST.counter = sim_work_on(1);
        // The key goes into the procedure's row of the block-key table as
        // soon as the host has given the row: a counter left from an earlier
        // cycle, or the create step's 0, would key another procedure's row
        // with this block. A counter outside the table's 201 rows has no row,
        // and nothing is written past it. The key is the procedure's own
        // block: the procedure number is set once per call, so the second and
        // later procedures a call creates would all be keyed by the first
        // one's block, and the stock runs and the display positioning would
        // find that procedure instead of their own.
        if (DRVST.counter >= 0 && DRVST.counter < DRV_KEYS) DRVBKT[DRVST.counter] = DRVST.proc_block;
        const bool off = optim_all_off() != 0;
        if (off) {
            change_global(81, 0, st);
            if (st < 0) return 1;
        }
        i32 word = 0, c = 1;
        TPGETC(MED_LIST, GR_GLOBAL, 40, c, DT_INT, &word, st);
        if (st < 0) return 1;
        if (st == 1) word = 0;
        if (!off && word < 4 && !DRVST.stopped) {
            // The list stays on the procedure block just finished, whose state
            // words are changed below: the stock series finds the procedures
            // it processes in the procedure tables by their counter, so no
            // positioning at the counter-th procedure block (NXTCNT) is made
            // before it or after it.
            update_tp_flags();
            EXTIME(5, 0, 0);
            // A counter outside the 201 rows of the table marks no row and
            // reads no saved key (0), rather than reach past the tables.
            static_assert(DRV_KEYS == STK_PROC_ROWS, "the stock series reads the table by its rows");
            i32 table[DRV_KEYS] = {0};
            if (DRVST.counter >= 0 && DRVST.counter < DRV_KEYS) table[DRVST.counter] = 1;
            change_global(81, 3, st);
            if (st < 0) return 1;
            change_global(44, 1, st);
            if (st < 0) return 1;
            if (DRVST.level == 1) {
                i32 key = DRVST.counter >= 0 && DRVST.counter < DRV_KEYS ? DRVBKT[DRVST.counter] : 0;
                TPCHNN(MED_LIST, GR_LEAD, 33, DT_INT, &key, st);
                if (st < 0) return 1;
            }
            if (DRVST.no_motion == 0) {
                i32 result = 0;
                stk_calc_procs(DRVST.level == 1 ? 3 : 1, DRVST.counter, table, result);
                if (result == 1000) {
                    EXTIME(7, 0, 0);
                } else {
                    EXTIME(6, 0, 0);
                }
            }
        }
    }
    // Gouge check against the stock. The types 22, 23, 25 and 26 that allow
    // it are machine types of the tool path (tool types run from 1 to 10).
    const i32 m = NPT1[NPT1_MACHINE];
    if (DRVST.verify == 2 && (m == MACH_MILL25 || m == MACH_MILL3 || m == MACH_MILL4 || m == MACH_MILL5)) {
        i32 sw = 1;
        if (m == MACH_MILL4 || m == MACH_MILL5) {
            i32 c = 1;
            TPGETC(MED_LIST, GR_LOCAL, 82, c, DT_INT, &sw, st);
            if (st != 0) sw = 1;
        }
        if (sw == 1) {
            update_tp_flags();
            stk_gouge_run(DRVST.counter, st);
            if (st < 0) {
                finish_fail(status);
                return 2;
            }
        }
    }
    return 0;
}
}  // namespace

// ------------------------------------------------------------- definition

void DRVDEF(i32& status)
{
    if (DRVST.tplread_needed && !DRVST.crit_check && DRVARG.cb1)
        DRVARG.cb1(DRVST.proc, EDA2[EDA2_HELD], EDA2[EDA2_MOVED], DRVST.copied, DRVST.append, DRVST.back,
                   DRVST.reread, DRVST.enddef, status);
    DRVPST(status);
}

void DRVPST(i32& status)
{
    if (DRVST.tplread_needed && !DRVST.crit_check && status == 0) set_ProcGeomStatus(GEODEF ? 1 : 2);
    if (defonly() || DRVST.enddef || status < 0) {
        DRVEND(status);
        status = -1;
        return;
    }
    DRVST.gchanged = (DRVST.reread || EDA2[EDA2_NOQUEST]) ? 1 : 0;
    DRVST.pchanged = 0;
    DRVST.level = 0;
    if (DRVST.crit_check || DRVST.tpl_write) {
        status = 0;
        return;
    }
    CHGSNP(2, DRVARG.size, DRVARG.block, DRVARG.cb6, DRVARG.copy, DRVST.gchanged, DRVST.pchanged, DRVST.append,
           DRVST.level);
    if (is_new()) {
        DRVST.gchanged = DRVST.pchanged = 1;
        if (DRVST.level == 1) DRVST.level = 2;
    }
    if ((EDA2[EDA2_SUSPST] || EDA2[EDA2_MANUAL] || EDA2[EDA2_INTR] || TPLACT()) && DRVST.level != 0)
        DRVST.level = 2;
    i32 st = 0;
    DRVST.geom_kept = 0;
    if (DRVARG.cb8) DRVARG.cb8(3, 0, DRVST.geom_kept, st);
    nc_geomsk_refresh(DRVARG.type, 0, EDA2[EDA2_CRIT]);
    status = 0;
}

// --------------------------------------------------------------- questions

void DRVASK(i32& status, i32& skip)
{
    const bool noquest = EDA2[EDA2_NOQUEST] != 0;
    if (GEODEF && EDA2[EDA2_SUSP] == 0 && ncs_table_ok() == 0) {
        usmsgc("ATTENTION: SOLID GEOMETRY IS UPDATED FOR THIS PROCEDURE.");
        if (!noquest) {
            i32 reply = 0;
            irepyc("UPDATE PROCEDURE?", reply);
            if (reply == -2) {
                DRVST.back = 1;
                status = 1;
                skip = 1;
                return;
            }
            if (reply != 1) {
                DRVEND(status);
                status = -1;
                skip = -1;
                return;
            }
        }
        i32 result = 0;
        if (DRVARG.cb11) DRVARG.cb11(1, result);
        status = 1;
        skip = 1;
        return;
    }
    if (DRVASK1 && GEODEF && EDA2[EDA2_SUSP] == 0 && EDA2[EDA2_CRIT] != 0 && !is_new() && !noquest) {
        if (DRVST.crit_check) {
            skip = 0;
            return;
        }
        if (!TPLACT()) {
            i32 reply = 0;
            msg_quest(319, 42, reply);
            if (reply == -2) {
                DRVST.back = 1;
                status = 1;
                skip = 1;
                return;
            }
            if (reply == 1) {
                DRVASK1 = 0;
                DRVST.reask = 1;
                status = 1;
                skip = 1;
                return;
            }
        }
    }
    if (DRVST.crit_check) {
        skip = 0;
        return;
    }
    EXEDLG(DRVARG.cb9, DRVST.pausable, DRVST.pchanged, DRVST.geom_kept, EDA2[EDA2_SUSPST], EDA2[EDA2_NOQUEST],
           EDA2[EDA2_MANUAL], DRVST.dlg_option, EDA2[EDA2_INTR], DRVST.gchanged, EDA2[EDA2_SUSP], DRVST.level, 0,
           EDA2[EDA2_CRIT], status);
    skip = 0;
}

// --------------------------------------------------------- verify and save

void DRVSAV(i32& status)
{
    if (DRVST.tpl_write) {
        DRVEND(status);
        status = -1;
        return;
    }
    if (status == -2) {
        DRVST.back = 1;
        status = 1;
        return;
    }
    if (status < 0) {
        DRVEND(status);
        status = -1;
        return;
    }
    DRVST.backup = (EDA2[EDA2_SUSP] != 0 && DRVST.level != 0) ? 1 : 0;
    if (DRVST.level == 1) {
        DRVST.pchanged = 1;
        EDA2[EDA2_SUSP] = 0;
    }
    EDA2[EDA2_PCHG] = DRVST.pchanged;
    EDA2[EDA2_GCHG] = DRVST.gchanged;
    DRVST.exenow = DRVST.gchanged;
    if (is_new()) {
        STLINE(-1, DRVARG.type, 0);
    } else {
        if (EDA2[EDA2_SUSP]) DRVST.exenow = 0;
        if (EDA2[EDA2_SAVED] == 0 && EDA2[EDA2_BLANK] != 0) EDA2[EDA2_SAVED] = 1;
        if (DRVST.exenow) EDA2[EDA2_SAVED] = 0;
    }
    if (DRVST.exenow) {
        if (DSPMOD == 3) EDA2[EDA2_SAVED] = 1;
        if (!(DRVORB() && is_new() && EDA2[EDA2_SUSP])) EXTIME(1, 0, 0);
        PRCFLG[5] = 1;
    }
    EDA2[EDA2_BYCRIT] = if_geom_by_crit();
    if (DRVST.crit_check || DRVFSV == 0) {
        EDA2[EDA2_SUSP] = EDA2[EDA2_SUSPST] != 0 ? 1 : 0;
        DRVST.stopped = EDA2[EDA2_INTR] != 0 ? 1 : 0;
    }
    DRVFSV = 1;
    if (!DRVST.append && !DRVST.stock_disp) {
        i32 newword = (is_new() || EDA2[EDA2_GCHG]) ? 1 : 0;
        GSLOT2();
        i32 st = 0;
        PTBT12(DRVARG.type, newword, DRVST.proc, DRVARG.cb8, DRVARG.cb3, DRVARG.cb4, DRVST.machtype, st);
        // A block written whole leaves the list in its sub-list, whatever
        // follows: the flag goes up at once, so that the common exit closes
        // that sub-list also when the table write below fails, and the
        // block-write failure word is raised for the block's own failure
        // alone. The surface tables are written only after a block written
        // whole: after a failed block the common exit reads them back.
        if (st < 0) EDA2[EDA2_BLKFAIL] = 1;
        if (st == 0) {
            DRVST.sublist_open = 1;
            ncs_table_write_table(st);
        }
        if (st != 0) {
            // The common exit runs with the failure, not as after a save.
            status = -1;
            DRVEND(status);
            return;
        }
    }
    status = 0;
}

// ---------------------------------------------------------------- execute

void DRVEXE(const i32& reentry, i32& status)
{
    (void)reentry;
    if (!DRVST.exenow) {
        status = 0;
        return;
    }
    i32 st = 0;
    if (!DRVST.append) {
        INITMC(DRVST.machtype);
        PRMSTS(st);
    } else {
        OPNSBL(st);
        if (st >= 0) JMPEND(st);
    }
    if (st < 0) {
        // -1 before the common exit as well as after it: the exit treats the
        // procedure as failed only by a negative status.
        status = -1;
        DRVEND(status);
        return;
    }
    DRVST.counter = sim_work_on(1);
    DRVST.unmade = 0;
    if (EDA2[EDA2_SUSP] == 0) {
        set_alerr_off();
        recalculate_partbox();
        TLXON1();
        i32 est = 0;
        INTSTA(DRVARG.cb2, DRVST.pausable, 0, DRVST.stopped, DRVST.interrupted, DRVST.display_change, est);
        TLXOFF();
        // A failure or a stop keeps the passes written so far, with their
        // markers closed: a start marker left without its end marker would
        // leave the tool path unbalanced for every reader of its markers.
        if (est < 0 || DRVST.stopped != 0) {
            i32 mst = 0;
            tp_mrkr_close(mst);
        }
        if (est >= 0) sim_invalidate(DRVST.counter, CLP1[CLP1_SIM]);
        if (DRVST.stopped && (DRVST.level > 0 || (!is_new() && optim_all_off() == 0))) DRVST.backup = 1;
        EDA2[EDA2_PENDING] = 0;
        UDRELS(st);
        DRVST.error_seen = if_was_alerr();
        i32 mst = 0;
        MRKPOS(2, DRVST.no_motion, mst);
        // Neither a failed execution nor one that wrote no motion is announced
        // as created; each says so once. An execution that wrote no motion
        // is a failure here, not a success: its block stands but holds no
        // tool path, and reporting it created would hide that from the user.
        if (DRVST.no_motion != 0) {
            userrc("DRVEXE, THE EXECUTION WROTE NO MOTION", 0);
            DRVST.unmade = 1;
        } else if (est < 0) {
            userrc("DRVEXE, THE EXECUTION FAILED: THE TOOL PATH IS CUT SHORT", 0);
            DRVST.unmade = 1;
        }
    }
    status = 0;
}

// ----------------------------------------------------------------- finish

void DRVFIN(i32& status)
{
    DRVST.verify = get_set_vrf_opt(1, 0);
    i32 st = 0;
    if (DRVST.sublist_open) {
        CLSSBL(st);
        DRVST.sublist_open = 0;
        if (st < 0) return finish_fail(status);
    }
    const bool suspended = EDA2[EDA2_SUSP] != 0;
    // The optimization-only road updates the header. It does not step the
    // stock-simulation counter to the next procedure block (NXTCNT) to hand
    // the host that block's count and step back: the optimizer of this
    // module runs on the procedure just finished, which the list stays on,
    // and finds the procedures it processes in the procedure tables by their
    // counter (below), so a block counter set from another procedure's block
    // would only mislead the host's numbering of this one's blocks.
    if (DRVST.level == 1 || !DRVST.exenow) WUPDSL(EDA2[EDA2_SUSP]);
    if (DRVST.stock_disp) return finish_end(status);
    if (!suspended) {
        PTUB12(DRVST.gchanged, DRVST.stopped, DRVST.interrupted, DRVST.display_change, st);
    } else {
        UPDCMC(st);
    }
    tp_mrkr_fin(DRVST.stopped);
    if (!DRVST.crit_check) {
        i32 r = after_execution(status);
        if (r == 2) return;
        if (r == 1) {
            // A list failure while recording the procedure's state: the
            // common exit still saves the parameters and releases what the
            // procedure holds.
            eroutc("DRVFIN, ERRORS IN LIST", 0);
            return finish_fail(status);
        }
    }
    DRVST.interrupted = 0;
    DRVST.stopped = 0;
    if (DRVST.exenow && !(DRVORB() && is_new())) EXTIME(2, 0, 0);
    // The stock parameters (the Z-map grid) go back by their own host call.
    stk_grid_vars(2);
    sim_get_set(2, DRVST.stock_disp, CMPBLK);
    // A new procedure whose execution failed or made nothing does not start
    // the next define cycle: the next one, made with the same parameters,
    // would fail the same way. The run ends through the common exit, which
    // saves what was defined and reports what was made. The host's error
    // flag is asked as it stands now, not as it was kept after the
    // execution: an error the stock or optimizer run of this finish raised
    // stops the next cycle too.
    if (status >= 0 && is_new() && if_was_alerr() != 1 && !DRVST.unmade) {
        i32 cst = 0;
        copy_geom_assoc(1, cst);
        if (cst >= 0) update_flags(cst);
        if (cst >= 0 && is_create_from_TPtemplate() == 0 && !(DRVORB() && get_ManageTp_TemplateFlag() == 3)) {
            DRVST.copied = 1;
            DRVST.counter = sim_work_on(2);
            EDA2[EDA2_SUSP] = 0;
            status = 0;
            if (DRVORB()) PRGEND();
            return;
        }
    }
    finish_end(status);
}

// ------------------------------------------------------------- common exit

void DRVEND(i32& status)
{
    if (!DRVORB() && !defonly()) prwait();
    const bool failed = status < 0 || DRVST.enddef;
    if (failed && get_ManageTp_TemplateFlag() != 2 && get_TP_TemplateFlag() != 5) {
        i32 c = -1, p = -999, a = -1, b = -1;
        gs_proc_color_pen(4, c, p, a, b);
        if (!is_new()) {
            EDA2[EDA2_PCHG] = 0;
            EDA2[EDA2_GCHG] = 0;
        }
    }
    MUTPSW(1);
    i32 st = 0;
    if (status < 0) ncs_table_read_table(st);
    if (DRVST.sublist_open) {
        CLSSBL(st);
        DRVST.sublist_open = 0;
    }
    // As at the finish, the host's error flag as it stands at the exit.
    if (is_new() && if_was_alerr() != 1 && !DRVST.stock_disp) {
        i32 block = 0;
        CURBLK(block);
        DRVST.last_block = block - 1;
        i32 nprc = 0;
        RDREC("NPRC", &nprc, 1, st);
        i32 count = nprc - DRVST.nprc;
        // The procedure whose execution made nothing is not counted: only
        // the ones before it are reported. Its block stays in the tool path,
        // where the user can change it and run it again, but the report
        // counts the procedures that made a tool path.
        if (DRVST.unmade) {
            DRVST.last_block = DRVST.proc_block - 1;
            --count;
        }
        CRTCNT(DRVST.first_block, DRVST.last_block, count);
    }
    const i32 level = DRVST.level;
    // The save below clears the request's definition-only word; the release
    // still has to know the request as it came, to leave the host's status
    // line alone for a procedure the host holds.
    DRVST.held_at_exit = defonly() ? 1 : 0;
    EDA2IO(2, DRVARG.key, DRVARG.size, DRVARG.block, DRVARG.cb7, st);
    DRVST.initialised = 0;
    if (DRVST.showtool_changed && PRM9[PRM9_SHOWTOOL] == 0) PRM9[PRM9_SHOWTOOL] = DRVST.showtool_old;
    if (level == 1) EDA2[EDA2_PENDING] = 1;
    PUTRECS(st);
    DRVREL(st);
}

// ----------------------------------------------------------------- release

void DRVREL(i32& status)
{
    if (DRVORB() && is_some_template_CreateRead_operation() != 0)
        rel_nc_rls_it_for_orbis();
    else
        rel_nc_rls();
    nc_geomsk_lst_destroy_all();
    i32 st = 0;
    if (DRVST.initialised && DRVARG.cb7) {
        DRVARG.cb7(3, st);
        DRVST.initialised = 0;
    }
    nc_surf_release_lists();
    const bool held = defonly() || DRVST.held_at_exit != 0;
    DRVST.held_at_exit = 0;
    if (!held) {
        char blank[9] = "        ";
        MUTTXT(1, blank, -1);
        MUTBLN(1, -1);
    }
    nu_modl_rels(PARDSC1, PARDSC2);
    DRVSOL(2, DRVARG.type);
    ncs_table_set_proc_num(0, st);
    (void)status;
}
