#include "frame/intctl.h"

#include "cutter/movstw.h"
#include "core/intchk.h"

#include <cstring>

#include "frame/cmpblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/dspblk.h"
#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/stfield.h"
#include "blocks/tech.h"
#include "cleanup/services.h"
#include "cutter/prjbrg.h"
#include "edit/manedt.h"
#include "edit/support.h"
#include "frame/callbacks.h"
#include "core/util.h"
#include "passes/services.h"
#include "pocket/cntlst.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "pocket/region.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"
#include "frame/exedlg.h"
#include "core/host.h"
#include "frame/machtype.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/progress.h"
#include "core/records.h"
#include "frame/segstr.h"
#include "frame/bookkeep.h"
#include "frame/prcrows.h"
#include "frame/prctake.h"
#include "edit/proctab.h"

i32 DSPMOD = 0;
i32 PRMRED = 0;
IntState INTST = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0};

namespace {
constexpr i32 UITR_KIND = 3;

void put_uitr(i32 value)
{
    i32 st = 0;
    mdputn("UITR", UITR_KIND, 1, &value, st);
}


i32 tool_instance()
{
    i32 id = 0;
    tm_inst_id(1, id);
    return id;
}

// Display option of a display mode and the mode of an option.
constexpr i32 OPT_MODE[6] = {0, 0, 1, 2, 4, 3};

const char* const EXEC3 = "EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP";
const char* const EXEC2 = "EXECUTION:RESUME@EXECUTION:STOP";
const char* const DISPOPTS = "TOOL:  DISPLAY@TOOL:  TRACE@TOOL:  NO DISPLAY@MOTION:NO FAST DSP@MOTION:NO DISPLAY";
}  // namespace

// Draws the current tool at the display position and registers it. A display
// position without an axis yet (nothing has moved) draws the tool upright.
void tool_at_display()
{
    f32 pos[3], axis[3];
    std::memcpy(pos, DSP8 + DSP8_POS, sizeof pos);
    std::memcpy(axis, DSP8 + DSP8_AXIS, sizeof axis);
    // A display record that holds no axis yet (all zero) draws the tool
    // upright: a tool along no direction has no figure the host can draw.
    if (axis[0] == 0.0f && axis[1] == 0.0f && axis[2] == 0.0f) axis[2] = 1.0f;
    i32 fig = -1;
    DISPT1(CURTOL, pos, axis, fig);
    if (fig >= 0) tm_inst_id(2, fig);
}

// ------------------------------------------------------- module start-up

void MODSTR(const i32& type, i32& machtype, i32& pausable, i32& status)
{
    SEGSTR(1, status);
    if (status < 0) return;
    if (lopnls() == 0) {
        userrc("TOOL PATH IS NOT OPEN", 0);
        status = -1;
        return;
    }
    // A sub-list that cannot be closed ends the whole start-up with its
    // failure, as the other failing steps of the start-up do: going on would
    // set the procedure up inside that sub-list, where its block and motions
    // would land in another procedure's list. The create step then leaves
    // through the release.
    i32 level = 0;
    gtlstn(1, level);
    while (level > 1) {
        CLSSBL(status);
        if (status < 0) return;
        gtlstn(1, level);
    }
    slclr();
    MCHSTW[0] = 0;
    MCHSTW[1] = 0;
    SVAPRX = 1;
    PRMRED = 1;
    MOVSTW = 0;
    CNTLST = ContourList{};
    nc_surf_init(1, 0);

    GEODEF = 0;
    for (auto& p : SRFSEL) {
        p[0] = 0;
        p[1] = -1;
    }
    PRCCST.rebuild = PRCCST.second = 1;
    PRCCST.mode = -1;
    PRCCST.tol = -1.0f;
    CLNEMD = 2;
    SPIMOD = 2;
    HEI8[HEI8_CLAMP] = 0;

    NCFTAB();
    nu_sgcd_set_code(type);
    if (type > 0) {
        MCHTYP(type, machtype, pausable, status);
        if (status < 0) return;
        set_type_mach_param(machtype);
    }
    polbuf_init(1, 0, status);
    if (status < 0) return;
    pasbuf_init(1, 1, status);
    if (status < 0) return;

    MFLRST();
    tp_mrkr_init();
    pkflag_reset();
    n0_lvls_init(1);
    // The passes' up/down state starts from the module's own option words.
    static i32 udw[28];
    UDINIT(udw[0], udw + 1, udw[25], udw[26], udw[27]);

    status = 0;
    if (type != -1) nu_trns_init(status);
    if (status == 0 || type == -1) {
        nu_mod_set_flag(0);
        ncd_init_curr_attrs();
        i32 off = 0;
        nc_surf_gs_part2(2, off);
        init_badsrf();
        i32 zero = 0;
        LNKVAL(2, zero);
        prj_set_avail(0);
        std::memset(MFLBLK(), 0, 5 * sizeof(i32));
        status = 0;
    }
}

// ------------------------------------------------------------- question

// The question with a default, for the questions "DRAW ALL TRIANGLES ?"
// (the caller's default) and "OK TO CONTINUE ?" (default 0). No routine of
// this module asks either of them: the question is kept for a caller that
// does, reached today through its own routine alone.

void PRMRPL(const char* question, const i32& dflt, i32& reply)
{
    if (EDA2[EDA2_NOQUEST] != 0) {
        reply = dflt;
        return;
    }
    char saved[81];
    rdprmc(saved, 80);
    modinz();
    irepyc(question, reply);
    prmpxc(saved, 1);
    PRGRDW();
}

// ------------------------------------------------------------------ runner

void INTSTA(PrcExeFn cb, const i32& pausable, const i32& reentry, i32& stopped, i32& changed, i32& change_word,
            i32& status)
{
    RSTMOV();
    INTST.keep = DSPMOD < 3 ? 1 : 0;
    INTST.other = INTST.keep ? 0 : 1;
    INTST.movstate_open = 1;
    INTST.disp_changed = 0;
    PRGRST();
    if (pausable == 0) {
        prexec();
    } else {
        prmptc("<SPACE> TO PAUSE");
        PRGSHW(5);
    }
    INTST.pause = 1;
    INTST.bystep = 0;
    SPCARM(0);
    put_uitr(pausable != 0 ? 1 : 0);
    if (PRM9[PRM9_SHOWTOOL] != 0 && mactyp_shows_tool(MACTYP)) {
        INTST.tool_shown = 1;
        MUTOOL(4);
    }

    // A stop unwinds to here; the callback then closes its work in mode 2.
    i32 mode = 1;
    INTST.running = 1;
    while (true) {
        try {
            EXETOL(cb, mode, status);
            break;
        } catch (const ExecStop& s) {
            if (mode == 2) break;
            stopped = 1;
            mode = 2;
        }
    }
    INTST.running = 0;

    if (INTST.disp_changed != 0) {
        changed = 1;
        change_word = INTST.keep ? 1 : 2;
        if (INTST.keep && INTST.other) change_word = 3;
    }
    put_uitr(0);
    if (DSPMOD > 1 && tool_instance() == 0 && !mactyp_toolless(MACTYP)) tool_at_display();
    PRGEND();
    prmptc("EXECUTION END");
    INTST.tool_shown = 0;
    MUTOOL(2);
}

// ---------------------------------------------------------- execution menu

// What the menu puts back when it closes: the BY STEP countdown, the display
// option chosen, the tool symbol, the prompt, the display list's position
// and the relation table. After a stop the display list's position is left
// where the stop put it: the retract move it wrote is displayed after the
// block remembered on entry, and going back there would place the blocks
// displayed next before that move.
static void close_menu(const i32& mode, bool stopped, bool accepted_step, i32 opt, const char* saved, i32 key)
{
    // State line 4 notes the execution's resume time: a stopped execution
    // does not resume, and the line would log a stop as a resume.
    if (!stopped) EXTIME(4, 0, 0);
    if (accepted_step) {
        SPCARM(INTST.pause);
        INTST.bystep = 1;
    } else {
        SPCARM(0);
        INTST.bystep = 0;
    }

    if (opt >= 1 && opt <= 5 && OPT_MODE[opt] != DSPMOD) {
        set_fdflg_off();
        DSPMOD = OPT_MODE[opt];
        if (opt == 4) set_fdflg_on();
        INTST.disp_changed = 1;
        // Option 4 is the one choice that gives display mode 4, so the test of
        // the mode chosen serves outside orbis mode (option 4) and in it (the
        // display mode 4 taking that option's role) alike.
        if (DSPMOD == 4) {
            INTST.other = 1;
            if (mode == 2) INTST.keep = 0;
        } else {
            INTST.keep = 1;
            if (mode == 2) INTST.other = 0;
        }
    }
    if (DSPMOD < 2 && tool_instance() == 0) tool_at_display();
    if (DSPMOD > 1 && tool_instance() != 0) tm_inst_delete();

    MNUCLR();
    PRGRDW();
    prmpxc(saved, 1);
    if (mode == 1 && !stopped) {
        i32 now = 0;
        ncd_get_last_block(now);
        if (now != key) {
            i32 pst = 0;
            ncd_set_block_position(key, 99, pst);
        }
    }
    if (INTST.rel_on) rel_table_init_set();
}

// The menu itself; INTMNU (core/intchk.h) counts the request and calls it.
static void exec_menu(const i32& mode)
{
    i32 uitr = 0, count = 1, st = 0;
    MDGETK("UITR", &uitr, count, st);
    if (st != 0 || uitr != 1) return;
    if (MACTYP == MACTYP_ALTER) {
        MNUCLR();
        EDTRDF();
    } else if (modkey() > 0) {
        return;
    }
    char saved[81];
    rdprmc(saved, 80);
    INTST.rel_on = rel_table_init_get();
    rel_table_init_unset();
    EXTIME(3, 0, 0);
    if (INTST.movstate_open == 0) PCLSST(-1);

    i32 cur;
    if (get_fdflg() == 1) {
        cur = 4;
        DSPMOD = 4;
    } else if (DSPMOD >= 0 && DSPMOD <= 2) {
        cur = DSPMOD + 1;
    } else if (DSPMOD == 3) {
        cur = 5;
    } else {
        cur = 3;
        DSPMOD = 2;
    }
    // The host keys a block of its display list by one word (the key that
    // ncd_set_block_position takes back, as for the saved procedure block
    // keys), so the key remembered here is that one word, not three.
    i32 key = 0;
    if (mode == 1) ncd_get_last_block(key);
    MUTPSW(1);

    const bool three = mode == 1 && MACTYP != MACTYP_ALTER;
    const char* lines = three ? EXEC3 : EXEC2;
    const i32 resume = 1, bystep = three ? 2 : -1, stop = three ? 3 : 2;
    i32 sel = (INTST.bystep && mode == 1 && three) ? bystep : resume;
    i32 opt = cur;
    bool accepted_step = false;

    // A STOP, or the host's cancel, leaves the menu by unwinding to the
    // runner (or the editor's trim). The menu is closed on that road as on
    // the others: else the relation table stays suspended for every later
    // menu (each would find it off on entry and never switch it on again),
    // and the saved prompt, the BY STEP countdown and a display option chosen
    // in the same visit are lost. The stop itself (its retract move and the
    // unwinding) is not changed: the menu closes after it and the unwinding
    // goes on.
    try {
        while (true) {
            prcont();
            // With menu mode 1 the menu has four lines also in the editor's trim,
            // where the execution line offers no BY STEP but MANUAL EDIT stays.
            i32 words[4] = {0, 18, mode == 1 ? 4 : 3, 1};
            i32 mst = 0;
            modint(words, mst);
            if (mst < 0) break;
            modmc2(lines, sel, sel == stop ? 1 : 0);
            if (sel == bystep) {
                modic("COUNT", INTST.pause, 1, 10000);
            } else {
                modbln();
            }
            if (!mactyp_toolless(MACTYP))
                modmc2(DISPOPTS, opt, 0);
            else
                modbln();
            const bool edit = mode == 1 && nu_sgcd_get_code() != 38;
            if (edit) modact("MANUAL EDIT");
            REDSPL();
            i32 action = 0;
            modif1(action);
            if (action == 0) {
                MNUCLR();
                if (sel != stop) {
                    accepted_step = sel == bystep;
                    break;
                }
                i32 answer = 0;
                if ((gs_operation() == 10 || gs_operation() == 15) && gs_selected_procs() > 1)
                    rplyal("STOP EXECUTION?", answer);
                else
                    irepyc("STOP EXECUTION?", answer);
                gs_interpt(2, answer);
                if (answer != 0) {
                    INTSTP();
                    break;
                }
            } else if (action == -2) {
                INTSTP();
                break;
            } else if (action == -1) {
                MNUCLR();
                break;
            } else if (action == 4 && edit) {
                // From the execution menu only MOVE TOOL and the viewing items are offered.
                const i32 none[EDF_N] = {0, 0, 0, 0, 0, 0};
                i32 reply = 0, edited = 0;
                if (MACTYP == MACTYP_ALTER) EDTMRK(2, reply);
                manedt(-1, none, 1, 0, edited, reply);
                if (MACTYP == MACTYP_ALTER) EDTMRK(1, reply);
            } else {
                gsclr(0);
            }
        }
    } catch (...) {
        close_menu(mode, true, false, opt, saved, key);
        throw;
    }
    close_menu(mode, false, accepted_step, opt, saved, key);
}

// ------------------------------------------------------------ position mark

static void mark_motion(const i32& mode, i32& nomotion, i32& status)
{
    nomotion = 1;
    status = 0;
    const i32 step = mode == 1 ? 1 : -1;
    i32 answer = 0;
    lmark(1, 5, answer);
    if (answer == -1) return;
    if (answer < 0) {
        status = -1;
        return;
    }
    // Looking back, the block under the cursor is looked at first: it is the
    // block last written (or reached), and the list position is after it, so
    // it precedes the position; stepping away from it first would miss the
    // only motion of a tool path that has one. Looking forward, the first
    // step is taken before any header is read: the block under the cursor
    // does not follow the position. Before the first block (a list just
    // opened) nothing precedes the position, and the forward step lands on
    // the first block: the header of no block is read there.
    i32 pos = 0, jst = 0;
    lgtpos(pos);
    bool more = true;
    if (step == 1) {
        TPJUMP(1, jst);
        more = jst != -1 && jst != -2;
    } else if (pos <= 0) {
        more = false;
    }
    while (more) {
        i32 size = 0, type = 0, cls = 0, hst = 0;
        TPBLKH(3, size, type, cls, hst);
        if (hst < 0) {
            status = -1;
            break;
        }
        if (cls == BC_MOVE) {
            nomotion = 0;
            break;
        }
        TPJUMP(step, jst);
        if (jst == -1 || jst == -2) break;
    }
    i32 tst = 0;
    TPTOP(5, tst);
    if (tst < 0) status = -1;
}

// -------------------------------------------------------------------- stop

static void stop_execution()
{
    HFLSET(1);
    if (HEI8[HEI8_RETRACT] != 0 && MACTYP != MACTYP_ALTER) {
        i32 n = 0;
        llines(n);
        if (n > 0) {
            i32 nomotion = 1, st = 0;
            MRKPOS(2, nomotion, st);
            if (st == 0 && nomotion == 0) {
                STPV01(4);
                f32 point[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(HEI8[HEI8_CLEARANCE])};
                f32 axis[3] = {wrd2r(DSP8[DSP8_AXIS]), wrd2r(DSP8[DSP8_AXIS + 1]), wrd2r(DSP8[DSP8_AXIS + 2])};
                i32 kind = axis[2] != 1.0f ? 3 : 1;
                MOVLIN(kind, point, axis, st);
            }
        }
    }
    // Only a waiting runner or trim may be unwound to: a stop that nothing
    // catches would end the host's own process with the part unsaved. Without
    // one the stop is reported and the computation goes on.
    if (MACTYP == MACTYP_ALTER && TRMJMP != 0) throw ExecStop{2};
    if (INTST.running != 0) throw ExecStop{1};
    eroutc("INTSTP, NO EXECUTION TO STOP", 0);
}

// The execution control's menu, mark and stop, handed down to the interrupt
// poll of the ground services when the module is loaded.
namespace {
[[maybe_unused]] const bool HANDED_DOWN = (INTHKS = IntHooks{exec_menu, mark_motion, stop_execution}, true);

// The editor's single-procedure services: the procedure taken over as the
// current commands, its tools behind the menu's EXIT, the list redisplayed.
void edit_take(const i32& procedure, i32& status)
{
    const i32 row = proc_row(procedure);
    updtcm(2, procedure, row, 2, 1, 0, 0, status);
}

// One row for the procedure; the items added.
i32 edit_tools(const i32& procedure)
{
    const i32 row = proc_row(procedure);
    if (row < 1) return 0;
    // With the colour cell: the row of the procedure being edited shows in
    // that procedure's colour, as its row does in the procedure list, so
    // the user sees which procedure the tools belong to. The cell is part of
    // the row: one item added either way.
    i32 ids[1] = {0};
    MLTTLS(row, row, ids, 1);
    return 1;
}

[[maybe_unused]] const bool EDIT_HANDED_DOWN = (EDTHKS = EdtHooks{edit_take, edit_tools, DSPROC}, true);
}
