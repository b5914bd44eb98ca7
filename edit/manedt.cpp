#include "edit/manedt.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/delete.h"
#include "edit/alter/trimtp.h"
#include "edit/goedt.h"
#include "edit/blktext.h"
#include "edit/msgblk.h"
#include "edit/prmedt.h"
#include "edit/proctab.h"
#include "edit/report/estimate.h"
#include "edit/report/service.h"
#include "edit/stepping.h"
#include "edit/support.h"
#include "tools/tooldsp.h"

i32 EDTACT = 0;
EdtHooks EDTHKS = {nullptr, nullptr, nullptr};

namespace {

const char* const JUMP4 = "JUMP START  >@JUMP END    >@JUMP LAYER/Z>@JUMP BLOCK  >";
const char* const JUMP3 = "JUMP START  >@JUMP END    >@JUMP BLOCK  >";
const char* const TOOLS = "TOOL:DISPLAY>@TOOL:TRACE  >@TOOL:NO DISP>";
const char* const BLANKS = "BLANK OPT.  >@BLANK ALL@BLANK 2STRT@BLANK 2END@UNBLANK ALL";
const char* const ESTIMATE = "ESTIMATED TIME>@PRINT TO SCREEN@PRINT TO FILE@PRINT TO FILE AND SCREEN";

// Item positions of the menu.
constexpr i32 IT_MOVE = 1, IT_DELETE = 2, IT_TOEND = 3, IT_ALTER = 4, IT_SERVICE = 5, IT_PARAMS = 6, IT_JUMP = 7,
              IT_FORWARD = 8, IT_BACKWARD = 9, IT_TOOL = 12, IT_BLOCK = 13, IT_ZDELAY = 14, IT_COUNT = 15,
              IT_STEP = 16, IT_SHOW = 17, IT_BLANK = 18, IT_EXIT = 24;

f32 zshift() { return wrd2r(NPT1[NPT1_ORIGIN + 2]); }

void column(i32 count)
{
    const i32 attrs[8] = {2, 2, 2, 2, 2, 2, 2, 2};
    modcls(count, attrs);
}

void empty()
{
    i32 none = 0;
    modumc(" ", none);
}

// The whole list as a key of depth 1.
void list_key(i32* key)
{
    blkkey(key, -1);
    key[0] = 1;
}

void blank_keys(const i32* first, const i32* last, i32 blank)
{
    // A key of block -1 names no block (a range never set): nothing to blank.
    if (first[2] < 0 || last[2] < 0) return;
    ncd_set_block_or_proc_blank(first, last, blank);
}

void whole_blank(i32 blank)
{
    i32 k[KEY_N];
    list_key(k);
    ncd_set_block_or_proc_blank(k, k, blank);
}

// Draws the tool of the machine values at the shown point when no tool
// image is registered.
void tool_image(bool axis)
{
    i32 inst = 0;
    tm_inst_id(1, inst);
    if (inst != 0) return;
    f32 p[3], a[3];
    for (int k = 0; k < 3; ++k) {
        p[k] = wrd2r(DSP8[DSP8_POS + k]);
        a[k] = wrd2r(DSP8[DSP8_AXIS + k]);
    }
    i32 fig = -1;
    if (axis) DISPT1(PRM9[PRM9_TOOL], p, a, fig);
    else DISPT0(PRM9[PRM9_TOOL], p, fig);
    if (fig >= 0) tm_inst_id(2, fig);
}

}  // namespace

void EDTSRV(const i32* flags, i32& changed, i32& code22, i32& pathchg, i32& callers, i32& request, i32& subchg,
            i32& type, i32* key, i32& count, i32& status)
{
    status = 0;
    while (true) {
        MNUCLR();
        i32 last = 0, st = 0;
        MNUINT(0, 2, last, st);
        if (st < 0) break;
        column(8);
        i32 one[4] = {1, 1, 1, 1};
        modmc2("BLOCK LIST", one[0], 0);
        if (flags[EDF_ALTER] != 0) modmc2("ADD:GO", one[1], 0);
        else empty();
        if (flags[EDF_MESSAGE] != 0) {
            modmc2("ADD MESSAGE", one[2], 0);
            modmc2("EDIT.MESSAGE", one[3], 0);
        } else {
            empty();
            empty();
        }
        i32 est = 1;
        modmc(ESTIMATE, est);
        empty();
        empty();
        empty();
        prcont();
        i32 reply = 0;
        modif1(reply);
        if (reply == 1) {
            // The block list: BLKLST is the listing routine by the name its
            // own description gives it.
            BLKLST(st);
        } else if (reply == 2) {
            // GO motions inserted change the path, whether or not the join
            // changed it around them; a change around them (a layer open at
            // the insertion, blocks deleted by the join, or technology blocks
            // the list would not take out again) is also the request for the
            // code-22 mark. The tool path display is connected again inside
            // the GO insertion itself, on every road out of it.
            i32 inserted = 0, around = 0;
            EDTGO(key, type, inserted, around, st);
            changed = inserted;
            if (around != 0) request = 1;
            if (request != 0) code22 = 1;
            if (inserted != 0 || around != 0) {
                pathchg = callers = subchg = 1;
                EDTACT = 0;  // cleared after every change
            }
        } else if (reply == 3) {
            MNUCLR();
            changed = 0;
            i32 state = 0;
            INSMSG(state, changed, st);
            if (changed != 0) {
                // The code-22 request is only ever raised here: a message
                // outside a layer must not drop one an earlier edit of the
                // session asked for.
                i32 lst = 0;
                if (CHKLYR(lst) != 0) code22 = 1;
                pathchg = callers = 1;
                EDTACT = 0;  // cleared after every change
            }
        } else if (reply == 4) {
            // A count that fails leaves the SERVICE menu with its status
            // (read so: the failure leaves the sub-menu, and the editor goes
            // on from its own menu).
            CNTMSG(count, st);
            if (st < 0) {
                status = st;
                break;
            }
            if (st > 0) continue;  // not counted: nothing to edit
            if (count < 1) {
                usmsgc("NO MESSAGES FOUND");
            } else {
                MNUCLR();
                EDTMSG(st);
                MSGMRK(key, st);
            }
        } else if (reply == 5) {
            if (est >= 2 && est <= 4) {
                set_estimate_mode(est - 1);
                i32 first = 1;
                estimate_time(first, 2, st);
            }
        } else {
            break;
        }
    }
    i32 st = 0;
    MNUMOD(0, st);
}

namespace {

// Where the editor loop stands: opening the list, back at the top after a
// change, building the menu, or waiting on the menu as it stands.
enum class At { Startup, Top, Build, Wait };

// The state of one editing session, shared by the steps of manedt.
struct Editor {
    // The call.
    const i32& procedure;
    const i32* flags;
    const i32& start_at_end;
    const i32& blank_outside;
    i32& changed;
    i32& status;
    bool single = false;
    // Kept over the session.
    f32 delay = 0.001f;
    i32 cmode = 1, toolstate = 1, registered = 0, tler = 0;
    bool alter_ok = false;
    i32 key[KEY_N] = {}, delstart[KEY_N] = {};
    i32 type = 0, pathchg = 0, code22 = 0, subchg = 0, open = 0, redraw = 0, pickmade = 0, srfpkt = 0;
    bool first = true, passed = false, leave = false, zfirst = true;
    i32 savedshow = 1, prevstep = 1, prevjump = 0, showtwo = 1;
    i32 picksave[2] = {0, 0};
    bool picksaved = false;
    i32 msgcount = 0;
    // The start on the last motion is asked once: the first start-up clears
    // it, so a start-up after a change leaves the tool where the change put it.
    i32 atend = start_at_end;
    At at = At::Startup;
    i32 reply = 0;
    // Item state words (the host writes the chosen alternative into them).
    i32 jstate = 1, fwd = 1, bwd = 1, mv = 1, del = 1, toend = 1, alt = 1, srv = 1, prm = 1, ex = 1, blockval = 0,
        count = 1, stepstate = 1, showstate = 1, blank = 1;
    f32 zfield = 0.0f;
    i32 dirbefore = 0, showbefore = 1, stepbefore = 1;
    bool zitem = false, delayitem = false, fromstep = false;
    // One answer.
    bool after_change = false;
    i32 chg = 0, request = 0;

    void errors()
    {
        eroutc("manedt,ERRORS IN LIST", 0);
        status = -3;
        leave = true;
    }
    void step(i32 target, const f32& d, const f32& z)
    {
        i32 st = 0;
        STEPTL(target, delstart[2], cmode, key, type, d, z, st);
        if (st < 0 && st != -2) errors();
    }
};

// The scratch areas handed to the host's model registration.
i32 modl_area1[64], modl_area2[64];

// Entry: the saved delay, the model registration, the procedure's colour
// and the procedure tables of the tool path as it stands.
void enter(Editor& e)
{
    {
        // The host keeps keyed records through one pair of calls, mdgetn and
        // mdputn, a record read and written whole; the delay is a record of
        // one word under "MEDZ".
        i32 word = 0, count = 1, st = 0;
        mdgetn("MEDZ", &word, count, st);
        if (st == 0 && count >= 1) e.delay = wrd2r(word);
    }
    MOVSTA.layerz = 0.0f;
    MNDKPT = false;  // kept by each take-over in single-procedure mode
    // The host's registration answers nothing (it cannot refuse), so there
    // is no failed registration to end the editor on.
    if (nu_modl_get_did_init() == 0) {
        nu_modl_init(modl_area1, modl_area2);
        e.registered = 1;
    }
    const i32 nckind = NPT1[NPT1_MACHINE];
    e.alter_ok = nckind == MACH_MILL25 || nckind == MACH_MILL3 || nckind == MACH_MILL4 || nckind == MACH_MILL5;
    e.tler = TLER[TLER_MODE];
    TLER[TLER_MODE] = TLER_SHOW;
    if (e.single) {
        // The host's first word is its mode (1 read, 3 set, 4 reset), not a
        // procedure number: it answers the colour of the procedure it has
        // current. Handing the procedure number would set or reset that
        // colour for procedures 3 and 4 and read nothing for the others.
        i32 colour = 0, pen = 0, a = 0, b = 0;
        gs_proc_color_pen(1, colour, pen, a, b);
        DSP8[DSP8_FONT] = 4;
        DSP8[DSP8_COLOUR] = colour;
        DSP8[DSP8_PEN] = pen;
    }
    // Done in both modes (one procedure or the whole path): either session
    // starts from a cleared edit word and the same display state.
    EDTACT = 0;
    {
        i32 st = 0;
        // The procedure tables of the tool path as it stands: the start-up
        // checks the procedure's entries in them, and nothing before the
        // editor is bound to have filled them for this path.
        PRCTBF(st);
    }
    DSPINI(2);
    MFLST1(-1);
    blkkey(e.key, -1);
    blkkey(e.delstart, -1);
    // A session that starts in JUMP LAYER/Z (the stepping state outlives
    // the session) has not just entered it: the previous jump option starts
    // as the jump option held.
    e.prevjump = MOVSTA.jump;
    e.status = 0;
}

// Opens the list (the procedure taken over in single mode), finds its
// motions and puts the tool on the first or last one. False: leave.
bool startup(Editor& e)
{
    if (e.single) {
        i32 st = 0;
        if (EDTHKS.take) EDTHKS.take(e.procedure, st);
        if (st >= 0) EDTCTX(e.procedure, st);
        if (st >= 0) OPNMVL(2, st);
        if (st < 0) {
            e.errors();
            return false;
        }
        e.open = 1;
        CURPRC.number = e.procedure;
        std::memcpy(MNDSAV, DSP8 + DSP8_POS, sizeof MNDSAV);
        MNDKPT = true;
        if (e.first) {
            // The procedure's user name in the status line: the procedure
            // field of its second line, which shows a name only beside a
            // positive number, so the procedure's number goes with it.
            PPNGET();
            MUTTX8(1, reinterpret_cast<const char*>(PPN4), e.procedure);
        }
        // A path no longer the computed one, about to be cut by hand.
        if (PRCKND(0) == 1 && (e.flags[EDF_DELETE] != 0 || e.flags[EDF_TOEND] != 0) && proc_marked(e.procedure))
            msg_mdls(317, 36);
    }
    i32 lines = 0;
    llines(lines);
    if (lines < 1) {
        usmsgc("NOTE: PROCEDURE LIST IS EMPTY");
        return false;
    }
    i32 nomotion = 1, st = 0;
    MRKPOS(e.single ? 1 : 2, nomotion, st);
    if (st < 0) {
        e.errors();
        return false;
    }
    if (nomotion != 0) {
        usmsgc("NOTE: NO MOVEMENTS IN PROCEDURE LIST");
        return false;
    }
    STPINI(e.single ? 1 : 0, e.atend, st);
    if (st < 0) {
        e.errors();
        return false;
    }
    if (!e.first) MOVSTA.show = e.savedshow;
    if (e.first && e.blank_outside != 0) {
        MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
        MOVSTA.show = 2;
    }
    // The flag is set by the result 1 alone: any other answer, a failure
    // included, leaves it off.
    segchk("SRFPKT", 6, 3, e.srfpkt);
    e.srfpkt = e.srfpkt == 1 ? 1 : 0;
    blkkey(e.key, -1);
    // The first step has no delete start. A start-up after a deletion comes
    // here still in DELETE mode with the old range start set: handed on,
    // the step would keep the attention marks of the blocks it passes.
    // The menu top resets both next anyway.
    e.cmode = 1;
    blkkey(e.delstart, -1);
    e.step(-1, e.delay, MOVSTA.layerz - zshift());
    if (e.leave) return false;
    MNUCLR();
    e.passed = true;
    e.first = false;
    e.at = At::Top;
    return true;
}

// Back at the top: MOVE TOOL again, the layer ranges read again after a change.
void top(Editor& e)
{
    e.cmode = 1;
    blkkey(e.delstart, -1);
    if (e.subchg != 0) {
        i32 st = 0;
        PRCRNG(st);
        whole_blank(0);
        MOVSTA.show = 1;
        e.subchg = 0;
    }
    e.at = At::Build;
}

// Menu column 1: the commands the flags offer.
void commands_column(Editor& e)
{
    column(6);
    e.mv = e.del = e.toend = e.alt = e.srv = e.prm = 1;
    const i32* flags = e.flags;
    modmc2("MOVE TOOL", e.mv, e.cmode == 1);
    if (flags[EDF_DELETE] != 0) modmc2("DELETE", e.del, e.cmode == 2);
    else empty();
    if (flags[EDF_TOEND] != 0) modmc2("DELETE TO END", e.toend, 0);
    else empty();
    if (flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0 && e.alter_ok) modmc2("ALTERATIONS", e.alt, 0);
    else empty();
    if (flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0) modmc2("SERVICE", e.srv, 0);
    else empty();
    if (flags[EDF_PARAMS] != 0) modmc2("MACH.PARAMS", e.prm, 0);
    else empty();
}

// Menu column 2: the jumps, the directions and the tool display.
void directions_column(Editor& e, i32 layering)
{
    column(6);
    bool jmark = MOVSTA.direction == 3;
    if (layering == 4) {
        if (MOVSTA.step == 1 && e.prevstep == 2 && MOVSTA.jump == 3) {
            MOVSTA.jump = 4;
            MOVSTA.direction = 1;
            jmark = false;
        }
        e.jstate = MOVSTA.jump;
        modmc2(JUMP4, e.jstate, jmark);
    } else {
        // Without layers JUMP LAYER/Z has no layer to go to: it becomes JUMP
        // BLOCK before the item is built, and JUMP BLOCK is shown as the
        // third of the item's three states, so the host is never handed a
        // state the item does not have.
        if (MOVSTA.jump == 3) MOVSTA.jump = 4;
        e.jstate = MOVSTA.jump == 4 ? 3 : MOVSTA.jump;
        modmc2(JUMP3, e.jstate, jmark);
    }
    e.fwd = e.bwd = 1;
    modmc2("FORWARD", e.fwd, MOVSTA.direction == 1);
    modmc2("BACKWARD", e.bwd, MOVSTA.direction == 2);
    empty();
    empty();
    modmc2(TOOLS, e.toolstate, MOVSTA.direction == 1);
}

// Menu column 3, first half: the block number, the Z or the delay, the count.
void values_column(Editor& e, i32 layering)
{
    column(6);
    const bool jblock = MOVSTA.direction == 3 && MOVSTA.jump == 4;
    const bool jz = MOVSTA.direction == 3 && MOVSTA.jump == 3;
    {
        char label[8] = "L:BLK";
        if (bt_arc(e.type)) label[0] = 'C';
        if (e.type == BT_NURBS) label[0] = 'S';
        e.blockval = e.key[2];
        if (jblock) modic2(label, e.blockval, 1, 999999, 1);
        else modic2(label, e.blockval, e.blockval, e.blockval, 0);
    }
    if (layering == 4 && jz) MOVSTA.step = 2;
    e.zitem = e.delayitem = false;
    e.zfield = MOVSTA.layerz - zshift();
    if (jz) {
        modrc2("Z", e.zfield, -9999.0f, 9999.0f, 1);
        e.zitem = true;
    } else if (layering == 4) {
        if (MOVSTA.step == 2 && MOVSTA.show == 3) {
            modrc2("Z", e.zfield, e.zfield, e.zfield, 0);
        } else {
            modrc2("DELAY", e.delay, 0.0f, 10.0f, 0);
            e.delayitem = true;
        }
    } else if (layering == 6 && MOVSTA.step == 2) {
        empty();
    } else {
        modrc2("DELAY", e.delay, 0.0f, 10.0f, 0);
        e.delayitem = true;
    }
    e.count = MOVSTA.count;
    modic2("COUNT", e.count, 1, 9999, MOVSTA.direction != 3);
}

// Menu column 3, second half: the step, the show and the blank choices.
void display_column(Editor& e, i32 layering)
{
    const bool jz = MOVSTA.direction == 3 && MOVSTA.jump == 3;
    // The step option as the menu shows it is the one remembered: with JUMP
    // LAYER/Z on a layered path it was already set to layer steps above, so
    // the jump counts as being in layer steps, and the SHOW rule does not
    // take it for a change into them.
    e.prevstep = MOVSTA.step;
    if (layering < 1) {
        MOVSTA.step = 1;
        e.stepstate = 1;
        modmc2("BLOCK STEP", e.stepstate, MOVSTA.direction != 3);
    } else {
        e.stepstate = MOVSTA.step;
        modmc2(layering == 4 ? "BLOCK STEP  >@LAYER STEP  >" : "BLOCK STEP  >@PASS STEP   >", e.stepstate,
               MOVSTA.direction != 3);
    }
    e.stepbefore = MOVSTA.step;
    e.showbefore = MOVSTA.show;
    if (jz && MOVSTA.show == 2) MOVSTA.show = 3;
    if ((layering == 4 || layering == 6) && MOVSTA.step == 2) {
        e.showtwo = MOVSTA.show == 1 ? 1 : 2;
        if (layering == 4 && MOVSTA.jump == 3 && e.prevjump != 3) e.showtwo = 2;
        e.showstate = e.showtwo;
        modmc2(layering == 4 ? "SHOW ALL    >@SHOW LAYER  >" : "SHOW ALL    >@SHOW PASS   >", e.showstate, 1);
        MOVSTA.show = e.showtwo == 1 ? 1 : 3;
        if (layering == 4) e.prevjump = MOVSTA.jump;
    } else if (layering == 4 || layering == 6) {
        e.showstate = MOVSTA.show;
        modmc2(layering == 4 ? "SHOW ALL    >@SHOW BLOCK  >@SHOW LAYER  >" : "SHOW ALL    >@SHOW BLOCK  >@SHOW PASS   >",
               e.showstate, 1);
    } else {
        // This item has two alternatives: a SHOW LAYER or SHOW PASS left
        // over from a procedure with layers or passes becomes SHOW ALL, so
        // the host is never handed a state the item does not have.
        if (MOVSTA.show > 2) MOVSTA.show = 1;
        e.showstate = MOVSTA.show;
        mdmpc2("SHOW ALL    >@SHOW BLOCK  >", e.showstate, 1);
    }
    // The blank option is a choice of one answer (it is 1 before every
    // showing and acted on at once), so it lives in the editor's own word;
    // nothing else reads it from the stepping state.
    e.blank = 1;
    modmc2(BLANKS, e.blank, 0);
}

// Builds the menu from the editor's state. False: leave.
bool build_menu(Editor& e)
{
    if (e.picksaved) {
        MOVSTA.follow = e.picksave[0];
        TLER[TLER_MODE] = e.picksave[1];
        e.picksaved = false;
    }
    i32 st = 0;
    // The frame's start on the fixed rows takes the column count of the
    // menu layout words, not a count of the caller's: no count is passed.
    MNUIN3("", st);
    if (st < 0) {
        e.errors();
        return false;
    }
    const i32 layering = MOVSTA.layering;
    commands_column(e);
    directions_column(e, layering);
    // The direction the menu shows: the LAYER STEP rule of the JUMP item may
    // just have turned it to FORWARD, and choosing FORWARD then steps.
    e.dirbefore = MOVSTA.direction;
    values_column(e, layering);
    display_column(e, layering);
    // Column 4: the way out.
    column(6);
    for (int k = 0; k < 5; ++k) empty();
    i32 colour = 0;
    setcolr(0, -1, IT_EXIT, colour);
    e.ex = 1;
    modmc2("EXIT", e.ex, 0);
    setcolr(0, -2, IT_EXIT + 1, colour);
    // The tools added behind EXIT keep their colour: the default comes back
    // only after the last of them. The frame lists them from the procedure
    // number itself, so the editor keeps no work area of tool ids for it.
    const i32 added = e.single && EDTHKS.tools ? EDTHKS.tools(e.procedure) : 0;
    setcolr(0, -1, IT_EXIT + 1 + added, colour);
    e.at = At::Wait;
    return true;
}

// Waits for the answer: a pick of a block to jump to, a first Z step or a
// picked point while jumping by Z, the menu otherwise.
void wait_reply(Editor& e)
{
    do {
        REDSPL();
        if (MOVSTA.direction == 3 && MOVSTA.jump == 4) {
            msg_prompt(317, 20);
            setir();
            enatpo();
            setatn(0);
            pick(e.reply);
            setatn(1);
            if (e.reply == 0) {
                EDTACT = 1;
                e.pickmade = 1;
                e.picksave[0] = MOVSTA.follow;
                e.picksave[1] = TLER[TLER_MODE];
                e.picksaved = true;
                MOVSTA.follow = 1;
                TLER[TLER_MODE] = TLER_SHOW;
            }
        } else if (MOVSTA.direction == 3 && MOVSTA.jump == 3 && e.zfirst) {
            e.zfirst = false;
            e.step(-1, -1.0f, e.zfield);
            e.reply = -4;  // rebuild
        } else if (MOVSTA.direction == 3 && MOVSTA.jump == 3) {
            prmptc("PICK POINT");
            setir();
            setatn(0);
            f32 p[3] = {0, 0, 0};
            ncs_get_point(18, p, e.reply);
            setatn(1);
            if (e.reply == 0) {
                e.zfield = p[2] - zshift();
                e.reply = IT_ZDELAY;
            }
        } else {
            prcont();
            modif1(e.reply);
        }
    } while (e.reply == -3 && !e.leave);
}

// TOOL: display, trace or no display of the tool.
void tool_display(Editor& e)
{
    TLER[TLER_MODE] = e.toolstate - 1;
    if (e.toolstate == 3) {
        tm_inst_delete();
    } else if (e.toolstate == 2) {
        MOVSTA.follow = 2;
        TLXOFF();
    } else {
        MOVSTA.follow = 1;
        TLXON2();
    }
    if (e.toolstate != 3) tool_image(true);
    e.at = At::Wait;
}

// DELETE TO END. False: leave.
bool delete_to_end(Editor& e)
{
    MNUCLR();
    i32 st = 0;
    EDTTRM(e.key, e.type, e.chg, e.request, st);
    // The edit-active word is cleared after every change: after DELETE TO
    // END as after DELETE and ALTERATIONS (a JUMP BLOCK pick made before it
    // marks nothing the trimming could use any more).
    if (e.chg != 0) EDTACT = 0;
    if (e.request != 0) e.code22 = 1;
    if (e.chg != 0) e.pathchg = e.changed = e.subchg = 1;
    // A list error of the deletion ends the editor as DELETE's does: the
    // path may stand half changed, which going on would hide.
    if (st < 0 && st != -2) {
        e.errors();
        return false;
    }
    i32 nomotion = 1;
    MRKPOS(2, nomotion, st);
    if (st < 0) {
        e.errors();
        return false;
    }
    if (nomotion == 0) {
        e.at = At::Top;
        return true;
    }
    usmsgc("NOTE: NO MOVEMENTS IN PROCEDURE LIST");
    if (e.pathchg != 0) e.redraw = 1;
    mnedup(e.open, e.pathchg, e.code22, e.redraw, st);
    if (st < 0) e.errors();
    return false;
}

// The host's two picking permissions while the trimming runs: faces of
// solids may be picked (ncs_can_solid), the whole database not
// (ncs_can_all_db); the host reads and writes the pair through ps_perm_get
// and ps_perm_set. They are put back on every way out, a stop that unwinds
// through the trimming included.
struct TrimPermissions {
    i32 solids = 0, whole = 0;
    TrimPermissions()
    {
        ps_perm_get(solids, whole);
        ps_perm_set(1, 0);
    }
    ~TrimPermissions() { ps_perm_set(solids, whole); }
    TrimPermissions(const TrimPermissions&) = delete;
    TrimPermissions& operator=(const TrimPermissions&) = delete;
};

// ALTERATIONS: the trimming, then the list opened again unless the path was
// split by tool. False: leave.
bool alterations(Editor& e)
{
    // The start-up that follows restores the show option held before it.
    e.savedshow = MOVSTA.show;
    {
        const TrimPermissions permissions;
        if (e.pickmade == 0) EDTACT = 0;
        i32 done = 0;
        trim_tp(e.procedure, e.srfpkt, done);
        if (done > 0) e.pathchg = e.changed = e.subchg = 1;
        EDTACT = 0;
        e.pickmade = 0;
    }
    if (e.pathchg != 0) e.redraw = 1;
    i32 st = 0;
    mnedup(e.open, e.pathchg, e.code22, e.redraw, st);
    if (st < 0) {
        e.errors();
        return false;
    }
    if (split_by_tool_get_set(1, 0) != 0) return false;
    e.at = At::Startup;
    return true;
}

// FORWARD, BACKWARD, JUMP: the new direction, a step where it moves the tool.
void direction(Editor& e)
{
    const i32 reply = e.reply;
    MOVSTA.direction = reply == IT_FORWARD ? 1 : reply == IT_BACKWARD ? 2 : 3;
    if (reply == IT_JUMP) MOVSTA.jump = MOVSTA.layering == 4 ? e.jstate : (e.jstate == 3 ? 4 : e.jstate);
    gsclr(0);
    // The previous jump option is left to the LAYER STEP show rule of the
    // menu, so that rule still sees JUMP LAYER/Z as just entered.
    if (MOVSTA.jump == 3 && e.prevjump != 3) MOVSTA.show = 2;
    if (MOVSTA.direction == 3 && (MOVSTA.jump == 3 || MOVSTA.jump == 4)) {
        e.zfirst = true;
    } else if (MOVSTA.direction != 3 && MOVSTA.direction != e.dirbefore) {
        // only the direction changes
    } else {
        e.step(-1, e.delay, e.zfield);
        e.pickmade = 1;
    }
}

// The commands of the menu's answer (all but SHOW and BLANK). False: leave.
bool command(Editor& e)
{
    const i32 reply = e.reply;
    const i32* flags = e.flags;
    if ((reply == IT_EXIT || reply == -1) && e.cmode == 2) {
        // DELETE: the range from the delete start to the tool
        i32 st = 0;
        EDTDLT(e.delstart, e.key, e.type, e.chg, e.request, st);
        if (st < 0 && st != -2) {
            e.errors();
            return false;
        }
        e.after_change = true;
    } else if (reply == IT_EXIT) {
        if (e.key[2] != -1) ncd_set_block_or_proc_attn(e.key, 0);
        e.after_change = true;
    } else if (reply == -1) {
        // the confirm reply means something only while DELETE marks a range
    } else if (reply == -2) {
        if (e.key[2] != -1) ncd_set_block_or_proc_attn(e.key, 0);
        if (e.cmode == 1) {
            i32 st = 0;
            mnedup(e.open, e.pathchg, e.code22, e.redraw, st);
            if (st < 0) e.errors();
            return false;
        }
        e.at = At::Top;
    } else if (reply == 0) {
        e.step(-1, e.delay, e.zfield);
        gsclr(0);
    } else if (reply == IT_TOOL) {
        tool_display(e);
    } else if (reply == IT_MOVE) {
        e.cmode = 1;
        gsclr(0);
    } else if (reply == IT_DELETE && flags[EDF_DELETE] != 0) {
        if (e.cmode == 1) std::memcpy(e.delstart, e.key, sizeof e.delstart);
        else if (e.delstart[2] != -1 && e.delstart[2] != e.key[2]) ncd_set_block_or_proc_attn(e.delstart, 0);
        e.cmode = 2;
        gsclr(0);
        EDTACT = 1;
    } else if (reply == IT_TOEND && flags[EDF_TOEND] != 0) {
        return delete_to_end(e);
    } else if (reply == IT_ALTER && flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0 && e.alter_ok) {
        return alterations(e);
    } else if (reply == IT_PARAMS && flags[EDF_PARAMS] != 0) {
        i32 st = 0;
        EDTPRM(e.key, e.chg, e.request, st);
        if (e.request != 0) e.code22 = 1;
        if (e.chg != 0) e.pathchg = e.changed = 1;
        e.at = At::Top;
    } else if (reply == IT_SERVICE && flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0) {
        i32 st = 0, schg = 0;
        EDTSRV(flags, schg, e.code22, e.pathchg, e.changed, e.request, e.subchg, e.type, e.key, e.msgcount, st);
        MNUCLR();
        e.at = At::Top;
    } else if (reply == IT_FORWARD || reply == IT_BACKWARD || reply == IT_JUMP) {
        direction(e);
    } else if (reply == IT_BLOCK || (reply == IT_ZDELAY && e.zitem)) {
        e.step(reply == IT_BLOCK ? e.blockval : -1, e.delay, e.zfield);
        gsclr(0);
    } else if (reply == IT_STEP) {
        if (e.stepstate == e.stepbefore) {
            e.at = At::Wait;
        } else {
            MOVSTA.step = e.stepstate;
            gsclr(0);
            if (MOVSTA.layering == 4 || MOVSTA.layering == 6) {
                e.reply = IT_SHOW;
                e.fromstep = true;
            }
        }
    }
    return true;
}

// The tool image hidden while the display changes, in a window.
void hide_tool()
{
    if (get_win_mode() != 0) {
        EnableHideTool();
        nc_tool_disp_hide(0);
    }
}

// SHOW: all, the block, the layer or pass.
void show(Editor& e)
{
    // Reached from a changed step item, the SHOW item's state is that of
    // the menu shown, which may be the two-alternative item of LAYER/PASS
    // STEP (its state 2 is SHOW LAYER, not SHOW BLOCK): only the change to
    // LAYER/PASS STEP maps it; back to BLOCK STEP the show option stays as
    // the menu build left it (1 or 3).
    i32 show = e.fromstep ? MOVSTA.show : e.showstate;
    e.fromstep = false;
    if ((MOVSTA.layering == 4 || MOVSTA.layering == 6) && MOVSTA.step == 2) {
        show = e.showstate == 2 ? 3 : 1;
        if (e.prevstep != 2) show = 3;
    }
    MOVSTA.show = show;
    if (show == e.showbefore) return;
    hide_tool();
    if (show == 1) {
        whole_blank(0);
        MOVSTA.shown[0] = MOVSTA.first[2];
        MOVSTA.shown[1] = MOVSTA.last[2];
    } else if (show == 2) {
        blank_keys(MOVSTA.first, MOVSTA.last, 1);
        MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
    } else {
        MOVSTA.shown[0] = MOVSTA.first[2];
        MOVSTA.shown[1] = MOVSTA.last[2];
        SHWLYR();
    }
    gsclr(0);
}

// BLANK: all, to the start, to the end, unblank all.
void blank(Editor& e)
{
    hide_tool();
    if (e.blank == 1) {
        e.at = At::Wait;
        return;
    }
    if (e.blank == 2) {
        whole_blank(1);
        MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
    } else if (e.blank == 3) {
        blank_keys(MOVSTA.first, e.key, 1);
        MOVSTA.shown[1] = MOVSTA.first[2];
    } else if (e.blank == 4) {
        blank_keys(e.key, MOVSTA.last, 1);
        MOVSTA.shown[0] = MOVSTA.last[2];
    } else {
        whole_blank(0);
        MOVSTA.shown[0] = MOVSTA.first[2];
        MOVSTA.shown[1] = MOVSTA.last[2];
    }
    MOVSTA.show = 2;
    gsclr(0);
}

// After EXIT or a deleted range: the list brought up to date; MOVE TOOL
// leaves, DELETE opens the list again. False: leave.
bool after_change(Editor& e)
{
    if (e.request != 0) e.code22 = 1;
    if (e.chg != 0) e.pathchg = e.changed = e.subchg = 1;
    if (e.pathchg != 0) e.redraw = 1;
    i32 st = 0;
    mnedup(e.open, e.pathchg, e.code22, e.redraw, st);
    EDTACT = 0;
    if (st < 0) {
        e.errors();
        return false;
    }
    if (e.cmode == 1) return false;
    i32 lk[KEY_N];
    list_key(lk);
    ncd_set_block_or_proc_attn(lk, 1);
    if (EDTHKS.display) {
        i32 ds = 0;
        EDTHKS.display(2, ds);
    }
    e.savedshow = MOVSTA.show;
    e.at = At::Startup;
    return true;
}

// Acts on the menu's answer. False: leave.
bool answer(Editor& e)
{
    // The values typed in the menu.
    MOVSTA.count = e.count < 1 ? 1 : e.count > 9999 ? 9999 : e.count;
    e.at = At::Build;
    e.after_change = false;
    e.chg = e.request = 0;
    if (!command(e)) return false;
    if (e.reply == IT_SHOW) show(e);
    else if (e.reply == IT_BLANK) blank(e);
    if (e.leave) return false;
    return !e.after_change || after_change(e);
}

// The way out, on every road: the delay kept, the list closed and blanked
// as asked, the whole list's tool parked, the tool image restored.
void leave_editor(Editor& e)
{
    {
        i32 word = r2wrd(e.delay), st = 0;
        mdputn("MEDZ", 1, 1, &word, st);
    }
    MNUCLR();
    if (e.open != 0) {
        i32 st = 0;
        CLSSBL(st);
    }
    if (e.passed) {
        if (e.blank_outside == 0) {
            if (MOVSTA.show != 1) whole_blank(0);
        } else {
            blank_keys(MOVSTA.first, MOVSTA.last, 1);
        }
        // The whole path's tool is parked at its end only after a start-up
        // that passed its checks: before that the list may be empty, hold
        // no motion or have failed to read, and there is no end to go to.
        if (!e.single) {
            MOVSTA.direction = 3;
            MOVSTA.jump = 2;
            MOVSTA.step = 1;
            MOVSTA.show = 1;
            i32 st = 0;
            STEPTL(-1, -1, 1, e.key, e.type, -1.0f, 0.0f, st);
            if (e.key[2] != -1) ncd_set_block_or_proc_attn(e.key, 0);
        }
    }
    TLER[TLER_MODE] = e.tler;
    if (e.registered != 0) nu_modl_rels(modl_area1, modl_area2);
    tool_image(false);
    MDLDRP(1);
}

}  // namespace

void manedt(const i32& procedure, const i32* flags, const i32& start_at_end, const i32& blank_outside,
            i32& changed, i32& status)
{
    Editor e{procedure, flags, start_at_end, blank_outside, changed, status};
    e.single = procedure > 0;
    enter(e);
    while (!e.leave) {
        if (e.at == At::Startup && !startup(e)) break;
        if (e.at == At::Top) top(e);
        if (e.at == At::Build && !build_menu(e)) break;
        wait_reply(e);
        if (e.leave) break;
        if (e.reply == -4) {
            e.at = At::Build;
            continue;
        }
        if (!answer(e)) break;
    }
    leave_editor(e);
}
