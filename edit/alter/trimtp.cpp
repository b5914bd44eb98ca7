#include "edit/alter/trimtp.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/names.h"
#include "core/params.h"
#include "core/prcwrd.h"
#include "core/progress.h"
#include "core/mactyp.h"
#include "core/records.h"
#include "edit/alter/contour.h"
#include "edit/alter/divide.h"
#include "edit/alter/motion.h"
#include "edit/alter/walk.h"
#include "edit/prmflg.h"
#include "edit/alter/pick.h"
#include "edit/alter/project.h"
#include "edit/alter/search.h"
#include "edit/alter/state.h"
#include "edit/alter/trimact.h"
#include "edit/framehk.h"
#include "edit/manedt.h"
#include "edit/stepping.h"
#include "edit/support.h"
#include "stock/optwords.h"
#include "surfaces/allsrf.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"

namespace {
const f32 UP[3] = {0, 0, 1};
// Rows of the parameter menu.
enum Row {
    R_TITLE = 1, R_SIDE, R_ACTION, R_OPTION, R_VALUE, R_OFFSET, R_ZVALUE, R_DEFAULTS, R_SURFACES, R_CRITERIA,
    R_SINGLE, R_TOEND, R_EXIT = 16, R_CLEAR = 18, R_ZUP, R_APPROACH = 21, R_APPVALUE, R_SRFTOL, R_CONTOL,
    R_FEED, R_PLUNGE, R_DOWN
};
const char* const TITLES[4] = {"BY CONTOUR:XY PLANE", "BY CONTOUR:ANY PLANE", "BY SELECT MOTIONS",
                               "ALL PROCEDURE BLOCKS"};
const char* const SELECTION = "BY CONTOUR:XY PLANE@BY CONTOUR:ANY PLANE@BY SELECT MOTIONS@ALL PROCEDURE BLOCKS";
const char* const SELECTION5 =
    "BY CONTOUR:XY PLANE@BY CONTOUR:ANY PLANE@BY SELECT MOTIONS@ALL PROCEDURE BLOCKS@DIVIDE BY TOOL";
const char* const APPROACHES = "SRF. Z UP APP.        >@SRF. NOR. APP.       >@SRF. TAN. APP.       >@"
                               "SRF. TAN. OPP. APP.  >@SRF. HOR. APP.       >@SRF. HOR. NOR. APP.  >@"
                               "SRF. HOR. TAN. APP.  >";

// Where the command goes next.
enum class Step { Select, Setup, Menu, End, Leave };

// The values of one call that are not in trim_state.
struct Call {
    i32 procedure = 0, surfaces = 0;
    i32 show = 1;              // 1 SHOW PROC DEFAULTS shown (defaults hidden), 2 shown
    i32 escapes = 0;           // escapes at the selection menu
    i32 picks = -1, npicks = 0, chains = -1, nchain = 0;
    i32 choice5 = 1;           // the value choice of row 5
    i32 asked = 2;             // the last answer of "O.K. TO EXECUTE?" (2 NO)
    i32 layout = 0;            // the last layout the menu was started with (0 none yet)
    bool forward_rows = false; // the FORWARD rows of a contour mode were shown at the last build
    bool interrupted = false;
    bool reselect = false;   // the picking again before a run was escaped
    bool modelling = false;  // the stop came while the reference model was built
    // The contour walk: where it stands, and whether the pending region
    // begins at the procedure start.
    f32 point[3] = {0, 0, 0}, normal[3] = {0, 0, 1};
    i32 before = 1, continuing = 0;
    i32 dim = 1, region_dim = 1;  // the dimension kind of the last motion walked, of the region
    f32 offset0 = 0;
    i32 side0 = 0;
    i32 one[8] = {1, 1, 1, 1, 1, 1, 1, 1};  // state words of the one-alternative rows, read when the menu is
    // Values at the menu's build, to see what a reply changed.
    i32 action = 0, connect = 0, delopt = 0, proj = 0, show0 = 0;
    f32 zplane = 0;
};

bool surface_option() { return zqa(ZQA_ACTION) == ACT_PROJECT && zqa(ZQA_PROJOPT) >= PRJ_BELOW_SRF; }

void empty()
{
    i32 none = 0;
    modumc(" ", none);
}
void column(i32 count)
{
    const i32 attrs[8] = {2, 2, 2, 2, 2, 2, 2, 2};
    modcls(count, attrs);
}

// Clears the highlighting of the whole list.
void clear_highlight()
{
    i32 key[KEY_N] = {1, 0};
    gtlstn(1, key[1]);
    ncd_set_block_or_proc_attn(key, 0);
}

// Closes the pick and chain arrays; false with the message when one cannot
// be closed. The pick array is closed also when the chain array's close is
// refused: its handle is dropped here either way, and an array left open
// with no handle would be lost to the call.
bool close_picks(Call& c)
{
    i32 st = 0, pst = 0;
    if (c.chains >= 0) MM_CLOSE(c.chains, st);
    if (c.picks >= 0) MM_CLOSE(c.picks, pst);
    if (st >= 0) st = pst;
    c.chains = c.picks = -1;
    c.npicks = c.nchain = 0;
    if (st >= 0) return true;
    usmsgc("trim_tp, CLOSE DYNAMIC MEMORY ERROR");
    return false;
}

// The rows of the parameter menu (16, and 12 more with the defaults shown);
// the real values are edited in the copies and put back after each answer
// (menu_reply).
struct Values {
    f32 incclr, offset, srfoff, zplane, deltaz;
};
void build_rows(Call& c, Values& v)
{
    TrimState& t = trim_state;
    const i32 mode = t.mode, action = zqa(ZQA_ACTION), proj = zqa(ZQA_PROJOPT), connect = zqa(ZQA_CONNECT);
    for (i32& w : c.one) w = 1;
    column(8);
    modmc2(TITLES[mode - 1], c.one[0], 0);
    if (mode <= SEL_PLANE) {
        const char* sides[3] = {"MOVE: INSIDE CONTOUR@MOVE: OUTSIDE CONTOUR",
                                "PROJ.: INSIDE CONTOUR@PROJ.: OUTSIDE CONTOUR",
                                "DEL.: INSIDE CONTOUR@DEL.: OUTSIDE CONTOUR"};
        modmc2(sides[action - 1], alteration_defaults[ZQA_SIDE], 0);
    } else {
        empty();
    }
    modmc2(mode == SEL_ALL ? "MOVE BY DELTA Z@PROJECT MOTIONS" : "MOVE BY DELTA Z@PROJECT MOTIONS@DELETE MOTIONS",
           alteration_defaults[ZQA_ACTION], 0);
    if (action == ACT_PROJECT)
        modmc2(c.surfaces != 0 ? "PROJ.:BLK BELOW Z PLN@PROJ.:ALL BLK ON Z PLN@PROJ.:BLK BELOW SRF.@"
                                 "PROJ.:ALL BLK ON SRF.@CHECK MOTION BELOW SURF."
                               : "PROJ.:BLK BELOW Z PLN@PROJ.:ALL BLK ON Z PLN",
               alteration_defaults[ZQA_PROJOPT], 0);
    else if (action == ACT_DELETE)
        modmc2("DELETE:ALL SELECT BLK.", alteration_defaults[ZQA_DELOPT], 0);
    else
        empty();
    if (surface_option()) {
        // No offset may take more off the surfaces than the tool's corner
        // (a tool type without one answers -1: no offset below 0).
        f32 corner = 0.0f;
        GTCRNR(PRM9[PRM9_TOOL], corner);
        modrc2("REF.SRF.OFFSET", v.srfoff, -std::fmax(corner, 0.0f), 999.999f, 0);
    }
    else if (action == ACT_PROJECT)
        modmc2("ENTER Z VALUES@IND. Z PLANE", c.choice5, 0);
    else if (action == ACT_DELETE && (connect == CON_CLEAR || connect == CON_ALONG))
        modmc2("ENTER CLEAR VAL@IND. CLEAR VAL.", c.choice5, 0);
    else
        empty();
    if (mode <= SEL_PLANE)
        modrc2("CONT. OFFSET", v.offset, -999.999f, 999.999f, 0);
    else
        empty();
    if (action == ACT_MOVE)
        modrc2("DELTA Z", v.deltaz, -9999.999f, 9999.999f, 0);
    else if (action == ACT_PROJECT && proj <= PRJ_ALL_Z)
        modrc2("Z PLANE", v.zplane, -9999.999f, 9999.999f, 0);
    else if (action == ACT_DELETE)
        modmc2(mode == SEL_XY ? "CONNECT: THROUGH CLEAR@CONNECT: THRU.INCR.CLR.@CONNECT: DIRECTLY@CONNECT: ALONG CONT."
                              : "CONNECT: THROUGH CLEAR@CONNECT: THRU.INCR.CLR.@CONNECT: DIRECTLY",
               alteration_defaults[ZQA_CONNECT], 0);
    else
        empty();
    modmc2("SHOW PROC DEFAULTS@HIDE PROC DEFAULTS", c.show, 0);
    column(8);
    // The criteria rows are marked when what they select exists: here the
    // count of reference surfaces chosen. They are built here as marked
    // option rows: the frame's criteria rows (with the surface count in the
    // row) lie above the editor, which cannot call them.
    if (surface_option())
        modmc2("REF. SURFACES", c.one[1], t.nsurf > 0 ? 1 : 0);
    else
        empty();
    if (mode <= SEL_PLANE)
        modmc2("CONTOUR", c.one[2], t.npoly > 0 ? 1 : 0);
    else if (mode == SEL_PICK)
        modmc2("BLOCKS", c.one[2], c.npicks > 0 ? 1 : 0);
    else
        empty();
    if (mode <= SEL_PLANE && t.npoly > 0) {
        modmc2("FORWARD: SINGLE", c.one[3], 0);
        modmc2("FORWARD: TO END", c.one[4], 0);
    } else if (mode >= SEL_PICK) {
        empty();
        modmc2("FORWARD: TO END", c.one[4], 0);
    } else {
        empty();
        empty();
    }
    empty();
    empty();
    empty();
    i32 colour = 0;
    setcolr(0, -1, R_EXIT, colour);
    modmc2("EXIT", c.one[5], 0);
    setcolr(0, -2, R_EXIT + 1, colour);
    if (c.show != 2) return;
    column(6);
    empty();
    if (action == ACT_DELETE && connect == CON_INCR)
        modrc2("INC. CLEAR", v.incclr, -999.999f, 999.999f, 0);
    else
        modrc2("CLEAR", ALTPDF.clear, -9999.999f, 9999.999f, 0);
    modrc2("DEL Z-UP", ALTPDF.zup, 0.0f, 9999.999f, 0);
    empty();
    const bool approach = action == ACT_DELETE && (connect == CON_CLEAR || connect == CON_INCR) && PRCKND(0) != 0;
    if (approach)
        modmc2(APPROACHES, ALTPDF.approach, 0);
    else
        modmc2("SRF. Z UP APP.       ", c.one[6], 0);
    const i32 k = ALTPDF.approach;
    if (approach && (k == 2 || k == 5 || k == 6))
        modrc2("SRF. APPROACH", ALTPDF.applen, 0.0001f, 999.999f, 0);
    else if (approach && (k == 3 || k == 4 || k == 7))
        modrc2("SRF. ARC RADIUS", ALTPDF.arcrad, 0.0001f, 999.999f, 0);
    else
        empty();
    column(6);
    if (surface_option())
        modrc2("REF.SRF.TOL.", ALTPDF.srftol, 0.0001f, 999.999f, 0);
    else
        empty();
    if (mode <= SEL_PLANE)
        modrc2("CONTOUR TOL.", ALTPDF.contol, 0.0001f, 999.999f, 0);
    else
        empty();
    const bool feeds = surface_option(), direct = action == ACT_DELETE && (connect == CON_DIRECT || connect == CON_ALONG);
    if (feeds || direct)
        modrc2("FEED", ALTPDF.feed, 0.0f, 9999.999f, 0);
    else
        empty();
    if (!direct)
        modic2("PLUNGE FEED %", ALTPDF.plunge, 1, 999, 0);
    else
        empty();
    if (feeds || direct)
        modic2("DOWN FEED %", ALTPDF.down, 1, 999, 0);
    else
        empty();
    empty();
}

// The parameter menu of the selection mode: built, shown, and read until a
// reply other than -1 comes; the reply.
i32 menu_reply(Call& c)
{
    TrimState& t = trim_state;
    c.action = zqa(ZQA_ACTION);
    c.connect = zqa(ZQA_CONNECT);
    c.delopt = zqa(ZQA_DELOPT);
    c.proj = zqa(ZQA_PROJOPT);
    c.zplane = zqar(ZQA_ZPLANE);
    c.show0 = c.show;
    c.offset0 = zqar(ZQA_OFFSET);
    c.side0 = zqa(ZQA_SIDE);
    const i32 layout = c.show == 2 ? 7 : 4;
    if (layout != c.layout || t.rebuild != 0) {
        MNUCLR();
        t.rebuild = 0;
    }
    i32 reply = -1;
    while (reply == -1) {
        if (zqa(ZQA_DELOPT) != 1) {
            usmsgc("THIS OPTION IS NOT WORKING YET");
            alteration_defaults[ZQA_DELOPT] = 1;
        }
        // A surface option kept in "ZQA1" from a call that offered surfaces
        // is not in this menu's projection row: left standing it would run
        // a surface projection whose surfaces, offset and tolerance rows
        // the menu never shows, so it falls back to the first Z-plane one.
        if (c.surfaces == 0 && zqa(ZQA_PROJOPT) > PRJ_ALL_Z) alteration_defaults[ZQA_PROJOPT] = PRJ_BELOW_Z;
        Values v{zqar(ZQA_INCCLR), zqar(ZQA_OFFSET), zqar(ZQA_SRFOFF), zqar(ZQA_ZPLANE), zqar(ZQA_DELTAZ)};
        // Each pass builds the rows afresh: the value rows edit copies that
        // live for one pass (taken back into the defaults after the answer),
        // and an answer may change what the rows show (DELETE turned into
        // PROJECT for the whole procedure, a surface option dropped).
        i32 st = 0;
        MNULAY();
        MNUINT(0, layout, c.layout, st);
        c.forward_rows = t.npoly > 0;
        build_rows(c, v);
        const i32 action = zqa(ZQA_ACTION);
        prmptc(action == ACT_MOVE ? "<CR> TO MOVE/EXIT" : action == ACT_PROJECT ? "<CR> TO PROJ./EXIT"
                                                                                 : "<CR> TO DELETE/EXIT");
        prcont();
        REDSPL();
        modif1(reply);
        t.started = 1;
        zqas(ZQA_INCCLR, v.incclr);
        zqas(ZQA_OFFSET, v.offset);
        zqas(ZQA_SRFOFF, v.srfoff);
        zqas(ZQA_ZPLANE, v.zplane);
        zqas(ZQA_DELTAZ, v.deltaz);
        if (t.mode == SEL_ALL && zqa(ZQA_ACTION) == ACT_DELETE) alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
        if (!surface_option()) t.model_needed = 0;
    }
    return reply;
}

// An indicated point's height relative to the Z base into value.
void indicate(const char* prompt, f32& value)
{
    MNUCLR();
    prmptc(prompt);
    f32 p[3] = {0, 0, 0};
    i32 st = 0;
    ncs_get_point(18, p, st);
    if (st == 0) value = p[2] - ZBASE;
}

// The region search and action of one chain of SELECT MOTIONS.
void chain_action(Call& c, i32 first, i32 last, i32& continuing, i32 run_first, i32 run_last, i32& status)
{
    TrimState& t = trim_state;
    i32 pa[11] = {2, 0, first}, pb[11] = {2, 0, last}, in = 0, prev = 0;
    gtlstn(1, pa[1]);
    pb[1] = pa[1];
    f32 sp[3], sd[3];
    FNDRNG(10, 11, pa, pb, 1, in, prev, sp, sd, status);
    if (status < 0) return;
    i32 answer = 0;
    TPTOP(10, status);
    lacces(-1, answer);
    lmark(1, 10, answer);
    std::memcpy(t.region, sp, sizeof sp);
    i32 a = pa[2], b = pb[2];
    if (a == run_first || a == run_last) continuing = 1;
    if (a == run_last && run_first > 0) a = run_first;
    // The chain's motions are rewritten and joined in the kind of its first
    // motion: a fixed kind 1 would write three-axis lines without their
    // tool axes into a four- or five-axis path.
    i32 dim = 1;
    for (i32 guard = 0; guard <= std::abs(b - a) + 1; ++guard) {
        i32 jst = 0, size = 0, type = 0, cls = 0, hst = 0;
        TPJUMP(1, jst);
        if (jst < 0) break;
        TPBLKH(AM_LIST, size, type, cls, hst);
        lclos();
        if (hst < 0) break;
        if (cls == BC_MOVE) {
            dim = bt_dim_kind(type);
            break;
        }
    }
    i32 back = 0;
    TPTOP(10, back);
    delete_trimed_blocks(a, b, sp, sd, alt_clearance(), t.nsurf, continuing, dim, t.at_end, alt_zplane(), status);
    (void)c;
}

// FORWARD in the modes that take the whole selection at once.
void run_selection(Call& c, i32& status)
{
    TrimState& t = trim_state;
    status = 0;
    if (t.mode == SEL_ALL) {
        // The procedure's start: the point before its first motion, read
        // from the list. The manual editor keeps the current tool position
        // but no start point of the procedure, so the start is read here and
        // stored for the projection, which joins from it.
        i32 answer = 0, first = 0, last = 0, dim = 1, type = 0, number = 0;
        f32 start[3], p[3], n[3];
        lacces(2, answer);
        next_motion(1, first, type, p, n, status);
        if (status < 0) return;
        PRVPNT(0, start, n, number, status);
        if (status < 0) return;  // told by the search; no start to join from
        std::memcpy(PRCSTP, start, sizeof PRCSTP);
        lacces(2, answer);
        i32 continuing = 1;
        proc_motion_range(first, last, start, UP, dim, status);
        if (status < 0) return;
        // The range ends at the procedure's last motion, so the end of the
        // procedure is reached: with the flag clear the worker would add a
        // move back down after that last motion, where nothing follows it.
        f32 sp[3], sd[3];
        delete_trimed_blocks(first, last, sp, sd, alt_clearance(), t.nsurf, continuing, dim, 1, alt_zplane(), status);
        if (status >= 0) ++t.ops;
        return;
    }
    // SELECT MOTIONS: the chains in the order of the picks.
    if (c.picks < 0) {
        // Picked again as at the mode's set-up: an escape gives up the
        // selection and goes back to the selection menu.
        pick_blocks(c.npicks, c.picks, status);
        if (c.npicks > 0) t.picked = 1;
        if (status == -2) c.reselect = true;
        if (status < 0 || c.npicks < 1) return;
        void* base = nullptr;
        mmcptr(c.picks, base);
        c.chains = get_chains(static_cast<PickEntry*>(base), c.npicks, c.nchain, status);
        if (status < 0) return;
    }
    i32 run_first = 0, run_last = 0;
    FEDRNG(run_first, run_last, status);
    if (status < 0) return;
    i32 continuing = 0;
    t.pending_link = 1;
    for (i32 k = 0; k + 1 < c.nchain; k += 2) {
        void* base = nullptr;
        mmcptr(c.chains, base);
        const i32* pairs = static_cast<const i32*>(base);
        const i32 first = pairs[k], last = pairs[k + 1];
        i32 st = 0;
        chain_action(c, first, last, continuing, run_first, run_last, st);
        if (st >= 0) ++t.ops;
        if (t.must_end != 0) break;
    }
}

// The number of the motion before the one just passed; the cursor goes
// back onto the one passed, so that the next walk reads it again (it
// stayed there when the pass met the end of the list).
i32 motion_before_passed(bool at_list_end)
{
    i32 answer = 0, number = -1, st = 0;
    if (!at_list_end) lacces(-1, answer);
    f32 p[3], d[3];
    PRVPNT(0, p, d, number, st);
    return number;
}

// One walk of the contour modes with the crossing record: steps until a cut
// block is named whose after-inside flag is want (or the list ends). The
// region block at the stop; at_end set at the end of the list. In a
// deletion a rapid or maximum-feed motion that crosses the contour does not
// bound the region: the walk looks for the other side instead, and when it
// has crossed an odd number of times the first motion at a real feed ends
// the walk (a region entered by a rapid begins with that motion; one left
// by a rapid ends with the rapid motions before it). boundary (1 while a
// walk that began on the contour has not left it) becomes 2 when the region
// from the start is dropped: a step that ends off the wanted side (inside
// wanted: anywhere but strictly inside), or a walk that ends still on it.
i32 walk_until(Call& c, i32 want, ContourPos& record, i32& cut, bool& at_end, i32& status, i32* boundary = nullptr)
{
    TrimState& t = trim_state;
    const i32 inside = zqa(ZQA_SIDE) == 1 ? 1 : 0;
    const bool deleting = zqa(ZQA_ACTION) == ACT_DELETE;
    bool toggle = false;
    i32 region = 0;
    at_end = false;
    for (i32 guard = 0; guard < 1000000; ++guard) {
        f32 prev[3], pn[3];
        i32 after = 0, type = 0, dim = 1, seg = 0;
        f64 frac = 0;
        cut = 0;
        get_next_movment(c.point, prev, c.normal, pn, inside, cut, c.before, after, type, region, seg, frac, dim,
                         status);
        if (status == 0) c.dim = dim;
        // -1.0 is the rapid code; -2.0 and any value below it stand for the
        // maximum feed (a value below -2 carries that feed's own size), so
        // every one of them is a fast move here.
        const bool fast = EDTFED == -1.0f || EDTFED <= -2.0f;
        // Left by a rapid: the walk ends before the first motion at a real
        // feed, also when that is the procedure's last.
        if (toggle && !fast && want == 0 && (status == 0 || status == -2)) {
            const bool end = status == -2;
            status = 0;
            cut = 0;
            return motion_before_passed(end);
        }
        // The procedure's end bounds the region with the region block of
        // the last step that named one: the last motion walked over that
        // still belongs to the region. The cut block stays 0, as no
        // crossing was found, so the callers' test of a crossing at the
        // region's first block does not fire on the end.
        if (status == -2) {
            at_end = true;
            status = 0;
            if (boundary != nullptr && *boundary == 1) *boundary = 2;
            return region;
        }
        if (status < 0) return region;
        if (toggle && !fast) {
            cut = 0;
            return region;
        }
        if (boundary != nullptr && *boundary == 1) {
            const i32 side = contour_side(c.point);
            if ((inside == 1 && side != 1) || (inside == 0 && side == 1)) {
                *boundary = 2;
                return region;
            }
            if (side != 2) *boundary = 0;
        }
        if (deleting && fast && cut != 0) {
            cut = 0;
            t.walk_side = t.walk_side == 1 ? 3 : 1;
            toggle = !toggle;
            continue;
        }
        if (cut != 0 && after == want) {
            record = ContourPos{seg, frac};
            if (boundary != nullptr && *boundary == 1) *boundary = 2;
            return region;
        }
    }
    return region;
}

// FORWARD in a contour mode: the pending region worked on, the next one
// found and shown (all of them with TO END). False when nothing could run.
bool run_contour(Call& c, bool to_end, i32& status)
{
    TrimState& t = trim_state;
    status = 0;
    t.to_end = to_end ? 1 : 0;
    const i32 inside = zqa(ZQA_SIDE) == 1 ? 1 : 0;
    msg_prompt(317, 30);
    if (t.restart != 0) {
        i32 answer = 0, number = 0, type = 0;
        lacces(2, answer);
        f32 p[3], n[3];
        next_motion(1, number, type, p, n, status);
        if (status < 0) return false;
        i32 st = 0, pnum = 0;
        PRMFLG(0, st);
        PRVPNT(0, c.point, c.normal, pnum, st);
        std::memcpy(PRCSTP, c.point, sizeof PRCSTP);
        // Back to the list's first element: the first motion was read only
        // to find the point before it, and the walk reads it again as its
        // first step, from that point.
        lacces(2, answer);
        UITSET(1);
        const i32 side = contour_side(p);
        c.continuing = 0;
        c.before = 1;
        if (side == 2 || (side == 1) == (inside == 1)) {
            t.walk_side = side == 2 ? 2 : inside == 1 ? 1 : 3;
            c.continuing = 1;
            i32 cut = 0, boundary = side == 2 ? 1 : 0;
            bool end = false;
            const i32 region = walk_until(c, 0, t.leaving, cut, end, status, &boundary);
            if (status < 0) return false;
            if (end) t.at_end = 1;
            if (boundary == 2) {
                c.continuing = 0;  // no region from the start
            } else {
                // The walk reads the first motion again as its first step,
                // so its number is the region block of that step. It is held
                // negated until the region is shown. Block numbers start at
                // 1; the floor keeps a damaged number 0 reading as negated.
                t.first = -std::max(number, 1);
                c.region_dim = c.dim;
                t.last = region;
            }
        }
        t.restart = 0;
    }
    while (true) {
        // A key pressed anywhere in this round (the region's rewrite or the
        // walk to the next one) opened the interrupt menu: TO END stops
        // after it as the workers ask.
        const i32 menus = INTCNT;
        if (t.first > 0 && t.last > 0) {
            // A region whose start a rapid moved is not searched again for
            // its range: the worker goes to the region's first block by its
            // number and reads the point before it there, which is what the
            // search would give; the walk has already broken every string it
            // stepped through into single lines, so no string is left inside
            // the range for the search to break.
            f32 sp[3], sd[3];
            i32 st = 0;
            delete_trimed_blocks(t.first, t.last, sp, sd, alt_clearance(), t.nsurf, c.continuing, c.region_dim,
                                 t.at_end, alt_zplane(), st);
            if (st >= 0) ++t.ops;
            if (zqa(ZQA_ACTION) == ACT_PROJECT && zqa(ZQA_PROJOPT) == PRJ_CHECK) {
                // A check leaves the path as it was: its region is no longer shown.
                i32 a[KEY_N], b[KEY_N];
                blkkey(a, t.first);
                blkkey(b, t.last);
                ncd_set_blocks_attention(-1, a, b, 0);
            }
            c.continuing = 0;
            std::copy(MOVST.point, MOVST.point + 3, c.point);
            i32 answer = 0;
            lacces(1, answer);
            t.first = t.last = 0;
            if (t.must_end != 0) return true;
        } else if (t.first < 0) {
            t.first = -t.first;
            if (!to_end) break;
            continue;
        }
        if (t.at_end != 0) return true;
        t.walk_side = inside == 1 ? 3 : 1;
        t.first_rapid = -1;
        i32 cut = 0;
        bool end = false;
        c.before = 1;
        const i32 first = walk_until(c, 1, t.entering, cut, end, status);
        if (status < 0) return false;
        if (end) {
            t.at_end = 1;
            return true;
        }
        t.first = first;
        c.region_dim = c.dim;
        t.walk_side = inside == 1 ? 1 : 3;
        const i32 last = walk_until(c, 0, t.leaving, cut, end, status);
        if (status < 0) return false;
        t.last = last;
        if (cut == t.first) t.first = last;
        if (end) t.at_end = 1;
        if (INTCNT != menus) t.interrupt = 1;
        if (t.to_end != 0 && t.interrupt != 0) {
            t.to_end = 0;
            t.interrupt = 0;
        }
        if (t.to_end == 0) break;
    }
    // The region found is shown; the next FORWARD works on it.
    i32 a[KEY_N], b[KEY_N];
    blkkey(a, t.first);
    blkkey(b, t.last);
    ncd_set_blocks_attention(-1, a, b, 1);
    t.shown = 1;
    return true;
}
}  // namespace

void proc_motion_range(i32& first, i32& last, const f32* point, const f32* normal, i32& dim_kind, i32& status)
{
    for (int k = 0; k < 3; ++k) {
        DSP8[k] = r2wrd(point[k]);
        LSP2[LSP2_POS + k] = r2wrd(point[k]);
        MOVST.point[k] = point[k];
    }
    (void)normal;
    i32 type = 0;
    f32 p[3], n[3];
    next_motion(1, first, type, p, n, status);
    if (status < 0) return;
    dim_kind = bt_dim_kind(type);
    // The backward read from the list's end passes the technology blocks
    // of the procedure's end; the feed in force is kept as it was at the
    // first motion, where the worker starts (it takes the feeds on its way
    // to the range's first block itself), and the list goes back to its
    // first element, where the caller stood, not left at the procedure's end.
    i32 answer = 0;
    lacces(3, answer);
    const f32 keep = EDTFED;
    next_motion(-1, last, type, p, n, status);
    EDTFED = keep;
    lacces(2, answer);
}

namespace {
// The selection menu; the next step.
Step select(Call& c)
{
    TrimState& t = trim_state;
    c.show = 1;
    MNUCLR();
    if (EDTACT != 0 && t.picked != 0) clear_highlight();
    prmptc("BLOCKS SELECTION OP.:");
    // DIVIDE BY TOOL is offered with the tool-factor modes of one pair or a
    // table of percentages, unless the optimizer's stages are all off. The
    // tool-factor mode is word 3 of the block (its value 5 is the one that
    // brings the table of words 58 on into the rerun rule); word 55 at 1
    // switches the optimizer off.
    const i32 factors = CMPBLK[CMP_HOLDER];
    const bool divide = (factors == 4 || factors == 5) && CMPBLK[CMP_MASTER] != 1;
    // The option list is offered with the host's answer menu (`menuc`;
    // `topopc` is not among the host calls this module has): 1 to 4 or 5
    // chosen, -1 nothing, -2 escape. Its -3 (the menu key) only asks for
    // the menu again, and any other answer is taken as an escape, so that
    // no reply outside the list can start a selection mode.
    i32 choice = 0;
    menuc(divide ? SELECTION5 : SELECTION, choice);
    if (choice == -3) return Step::Select;
    if (choice == -1) {
        c.escapes = 0;
        return Step::End;
    }
    if (choice == -2 || choice < 1 || choice > (divide ? 5 : 4)) {
        if (++c.escapes < 2) return Step::Select;
        t.leave = 1;
        return Step::End;
    }
    t.mode = t.last_mode = choice;
    return Step::Setup;
}

// The set-up of the selection mode; the next step.
Step setup(Call& c)
{
    TrimState& t = trim_state;
    EDTACT = 1;
    zqa1_read();
    t.model_tol = ALTPDF.srftol;
    if (t.mode == SEL_ALL && zqa(ZQA_ACTION) == ACT_DELETE) alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
    if (t.mode == SEL_PLANE && zqa(ZQA_ACTION) == ACT_DELETE && zqa(ZQA_CONNECT) == CON_ALONG)
        alteration_defaults[ZQA_CONNECT] = CON_CLEAR;
    if (t.mode <= SEL_PLANE) {
        contour_figure_delete();
        i32 n = 0, st = 0;
        f64 len = 0;
        offset_contour(zqar(ZQA_OFFSET), zqa(ZQA_SIDE), 1, n, len, st);
        if (st == -2 || st == -1) {
            MNUCLR();
            return Step::Select;
        }
    }
    if (t.mode == SEL_PICK) {
        i32 st = 0;
        pick_blocks(c.npicks, c.picks, st);
        if (c.npicks > 0) t.picked = 1;
        if (st == -2) {
            close_picks(c);
            return Step::Select;
        }
        if (st < 0) return Step::End;
        // Chains are made only from picks: with none, the menu comes with
        // nothing to run on.
        if (c.npicks > 0) {
            void* base = nullptr;
            mmcptr(c.picks, base);
            c.chains = get_chains(static_cast<PickEntry*>(base), c.npicks, c.nchain, st);
            if (st < 0) return Step::End;
        }
    }
    t.leave = 0;
    return Step::Menu;
}

// The end of an operation (after a run, an interruption or a leaving
// reply); the next step.
Step end_operation(Call& c)
{
    TrimState& t = trim_state;
    if (t.must_end != 0) t.leave = 1;
    close_picks(c);
    t.first = t.last = 0;
    t.to_end = t.at_end = 0;
    t.restart = 1;
    MNUCLR();
    if (c.interrupted) {
        c.interrupted = false;
        // A model stopped half-built gives its work arrays back.
        if (c.modelling) {
            i32 st = 0;
            allfre(st);
            c.modelling = false;
        }
        PRGEND();
        trim_arrays_close();
        t.mode = t.last_mode;
        return t.mode > 0 ? Step::Menu : Step::Leave;
    }
    if (t.leave == 0 && t.last_mode > 0) {
        t.mode = t.last_mode;
        return Step::Menu;
    }
    return Step::Leave;
}

// "O.K. TO EXECUTE?" before a FORWARD: TO END (NO preset at the first
// question of the call, then the last answer); true on YES, else the menu
// is to be built again.
bool confirmed(Call& c)
{
    i32 choice = c.asked;
    qmenuc("O.K. TO EXECUTE?", "YES  @NO ", choice);
    if (choice > 0) c.asked = choice;
    if (choice == 1) return true;
    trim_state.rebuild = 1;
    return false;
}

// Runs a processing step where a STOP of the interrupt menu can unwind to
// (the jump flag set while it runs); true when it was stopped.
template <class Work> bool stoppable(Work work)
{
    try {
        TRMJMP = 1;
        work();
        TRMJMP = 0;
    } catch (const ExecStop& stop) {
        TRMJMP = 0;
        if (stop.target != 2) throw;
        return true;
    }
    return false;
}

// "REF. SURFACES": the reference surfaces chosen in the surface menu, their
// ids and normal flags fetched again when the choice changed. False when
// the command is to end.
bool ref_surfaces()
{
    TrimState& t = trim_state;
    MNUCLR();
    t.rebuild = 1;
    i32 changed = 0, st = 0;
    nc_surf_aprx_menu(t.nsurf == 0 ? 1 : 0, t.nsurf != 0 ? 1 : 0, 0, 1, changed, st);
    if (st == -2) return true;
    if (st < -2) return false;
    if (changed == 0) return true;
    if (FRMHKS.surfaces_changed) FRMHKS.surfaces_changed(changed);
    t.surf_ids.clear();
    t.surf_nrms.clear();
    t.nsurf = 0;
    t.model_needed = 1;
    i32 n = 0;
    st = 0;
    nc_surf_list_count(1, 0, n, st);
    if (st < 0 || n <= 0) return st >= 0;
    t.surf_ids.assign(static_cast<size_t>(n), 0);
    t.surf_nrms.assign(static_cast<size_t>(n), 0);
    nc_surf_ids(t.surf_ids.data(), n, st);
    if (st >= 0) nc_surf_nrms(t.surf_nrms.data(), n, st);
    if (st < 0) {
        t.surf_ids.clear();
        t.surf_nrms.clear();
        return false;
    }
    t.nsurf = n;
    return true;
}

// Before a FORWARD with surfaces: the reference surfaces approximated at
// the reference-surface tolerance and the model kept in slot 0, when no
// model of that tolerance is there. False when the approximation failed.
bool surface_model()
{
    TrimState& t = trim_state;
    if (ALTPDF.srftol != t.model_tol) t.model_needed = 1;
    if (t.model_needed == 0) return true;
    UITSET(1);
    MNUCLR();
    t.rebuild = 1;
    msg_prompt(317, 30);
    MDLDRP(0);
    // The model live here may be the procedure's own: it is freed through
    // the store, which counts it so that the procedure builds it again, and
    // one the store still holds (the reconnection's) is left to it, not
    // freed under it.
    model_free_live();
    allrst();
    i32 work = 0, st = 0;
    allsrf(1, t.nsurf, t.surf_ids.data(), t.surf_nrms.data(), 0, nullptr, nullptr, 1, ALTPDF.srftol, 9999.999f, 2,
           work, st);
    // A model that could not be built leaves no work arrays behind: they
    // are freed here, as on an interrupted build, before the end step.
    if (st < 0) {
        allfre(st);
        return false;
    }
    MDLSAV();
    t.model_tol = ALTPDF.srftol;
    t.model_needed = 0;
    UITSET(0);
    return true;
}

// The reference model a surface option needs, built where a STOP of the
// interrupt menu can reach ALTERATIONS too. False: the operation ends
// (the build failed or was stopped).
bool modelled(Call& c)
{
    if (!surface_option()) return true;
    bool built = false;
    if (stoppable([&] { built = surface_model(); })) {
        c.interrupted = c.modelling = true;
        return false;
    }
    return built;
}

// Whether the reply changed a value the menu's rows depend on: the action,
// the Z plane, the defaults toggle, the projection option (PROJECT) or the
// delete and connect options (DELETE).
bool changed(const Call& c)
{
    return zqa(ZQA_ACTION) != c.action || zqar(ZQA_ZPLANE) != c.zplane || c.show != c.show0 ||
           (zqa(ZQA_ACTION) == ACT_PROJECT && zqa(ZQA_PROJOPT) != c.proj) ||
           (zqa(ZQA_ACTION) == ACT_DELETE && (zqa(ZQA_DELOPT) != c.delopt || zqa(ZQA_CONNECT) != c.connect));
}

// The menu to be built again (its area cleared first).
Step rebuilt()
{
    trim_state.rebuild = 1;
    return Step::Menu;
}

// FORWARD: SINGLE or TO END in a contour mode; the next step. The
// surfaces, the question and the reference model come first; then a
// contour whose polygon is missing (never defined, or its offset failed to
// build again after this reply's values) is asked for anew. A new polygon
// is worked on only when the reply stood for a FORWARD row that was shown:
// the <CR> key while those rows were blank asked for no region.
Step contour_forward(Call& c, i32 reply, bool all)
{
    TrimState& t = trim_state;
    if (surface_option() && t.nsurf == 0) {
        usmsgc("NO SURFACES DEFINED, DEFINE SURFACES");
        return Step::Menu;
    }
    if (all && !confirmed(c)) return Step::Menu;
    if (!modelled(c)) return Step::End;
    if (t.npoly == 0) {
        i32 n = 0, st = 0;
        f64 len = 0;
        offset_contour(zqar(ZQA_OFFSET), zqa(ZQA_SIDE), 1, n, len, st);
    }
    // Enter on blank FORWARD rows shows the rows and runs nothing, also
    // when the polygon was there already or rebuilt by the same reply (a
    // changed offset or side): the rows were never shown for it.
    if (t.npoly == 0 || (reply == 0 && !c.forward_rows)) {
        t.rebuild = 1;
        return Step::Menu;
    }
    i32 st = 0;
    if (stoppable([&] { run_contour(c, all, st); })) {
        c.interrupted = true;
        return Step::End;
    }
    // A region shown that runs to the procedure's end is still to be worked
    // on by the next FORWARD: ending the operation here would drop it and
    // the next FORWARD would walk from the start to show it again, so no
    // region touching the end could ever be worked on one at a time. The
    // end is taken once nothing is pending.
    const bool pending = t.first > 0 && t.last > 0;
    if (st < 0 || t.must_end != 0 || (t.at_end != 0 && !pending)) return Step::End;
    return changed(c) ? rebuilt() : Step::Menu;
}

// DIVIDE BY TOOL: no menu; asked, then the procedure divided, and the
// command ends.
Step divide(Call& c)
{
    TrimState& t = trim_state;
    i32 yes = 0;
    msg_quest(317, 32, yes);
    if (yes == 1) {
        i32 st = 0;
        divide_by_tool(c.procedure, st);
        // The reply word returns the number of operations that succeeded,
        // and a division is one: it is counted, so that the editor sees
        // that the tool path changed (the counter alone would say 0).
        if (st == 1) ++t.ops;
    }
    t.leave = 1;
    return Step::End;
}

// One reply of the parameter menu; the next step.
Step answer(Call& c, i32 reply)
{
    TrimState& t = trim_state;
    zqa1_write();
    if (reply == R_EXIT || reply == -2) {
        clear_highlight();
        t.leave = 1;
        return Step::End;
    }
    if (reply == R_TITLE) {
        // The title row gives up the selection as escape does: the contour,
        // its figure and the region shown go, and the next walk starts from
        // the beginning, so nothing shown for the old contour is worked on.
        contour_figure_delete();
        contour_entity_release();
        trim_polygon_release();
        clear_highlight();
        t.first = t.last = 0;
        t.restart = 1;
        close_picks(c);
        return Step::Select;
    }
    // A new offset or side builds the polygon again at once, whatever row
    // the reply picked: the menu takes the edited value as its new baseline
    // after this reply, so a check skipped now would leave the polygon at
    // the old offset for good.
    if (t.mode <= SEL_PLANE && (zqar(ZQA_OFFSET) != c.offset0 || zqa(ZQA_SIDE) != c.side0)) {
        contour_figure_delete();
        trim_polygon_release();
        i32 n = 0, st = 0;
        f64 len = 0;
        offset_contour(zqar(ZQA_OFFSET), zqa(ZQA_SIDE), 0, n, len, st);
        t.rebuild = 1;
    }
    if (reply == R_VALUE && c.choice5 == 2 && !surface_option()) {
        if (zqa(ZQA_ACTION) == ACT_PROJECT) {
            f32 z = zqar(ZQA_ZPLANE);
            indicate("IND. PNT AT Z PLANE", z);
            zqas(ZQA_ZPLANE, z);
        } else {
            indicate("IND. PNT AT CLEAR", ALTPDF.clear);
        }
        c.choice5 = 1;
        zqa1_write();
        t.rebuild = 1;
        return Step::Menu;
    }
    if (reply == R_SURFACES && surface_option()) {
        // A failed surface menu ends the operation, not the command: the
        // end step comes back to this mode's menu.
        return ref_surfaces() ? Step::Menu : Step::End;
    }
    // The BLOCKS row in the picking mode deletes no figure: picking draws
    // none, and the contour's figure went with the title row before any
    // change of mode.
    if (reply == R_CRITERIA && t.mode == SEL_PICK) {
        if (!close_picks(c)) return Step::End;
        clear_highlight();
        return Step::Setup;
    }
    if (t.mode <= SEL_PLANE) {
        if (reply == R_CRITERIA) {
            contour_figure_delete();
            contour_entity_release();
            trim_polygon_release();
            clear_highlight();
            t.first = t.last = 0;
            t.restart = 1;
            return Step::Setup;
        }
        const bool single = reply == R_SINGLE || reply == 0, all = reply == R_TOEND;
        if (single || all) return contour_forward(c, reply, all);
    }
    const bool forward = reply == R_TOEND || (reply == 0 && t.mode >= SEL_PICK);
    if (forward) {
        if (surface_option() && t.nsurf == 0) {
            usmsgc("NO SURFACES DEFINED, DEFINE SURFACES");
            return Step::Menu;
        }
        if (!confirmed(c)) return Step::Menu;
        if (!modelled(c)) return Step::End;
        t.to_end = 1;
        i32 st = 0;
        c.interrupted = stoppable([&] { run_selection(c, st); });
        if (c.reselect) {
            c.reselect = false;
            t.to_end = 0;
            close_picks(c);
            return Step::Select;
        }
        return Step::End;
    }
    if (changed(c) || reply == R_APPROACH) t.rebuild = 1;
    return Step::Menu;
}

// Puts back what the call changed outside the tool path: the machining
// type, the jump flag and the tool display word, on every way out. The
// machining type is put back rather than left at 33: while it holds 33 a
// STOP of the interrupt menu unwinds to the jump buffer of ALTERATIONS,
// which no longer exists once the call has returned, so a later
// execution's STOP would miss its own runner. The caller's type is what
// the editor and the engines after it test.
struct Restore {
    i32 mactyp, tler;
    ~Restore()
    {
        TRMJMP = 0;
        MACTYP = mactyp;
        TLER[TLER_MODE] = tler;
    }
};
}  // namespace

void trim_tp(const i32& procedure, const i32& surfaces, i32& reply)
{
    const Restore restore{MACTYP, TLER[TLER_MODE]};
    MACTYP = MACTYP_ALTER;
    PRM9[PRM9_N - 1] = 2;
    TLER[TLER_MODE] = TLER_HIDE;
    trim_state_reset();
    TrimState& t = trim_state;
    // The procedure's surface lists start empty and its display unblanked.
    // The live triangle model is not marked closed here: the store frees
    // or keeps it when the reference model is built (surface_model), and
    // closing its handles without that would leave its arrays held by
    // nothing and the procedure reading a model that is gone.
    nc_surf_init(2, 0);
    ncd_update_blank_attribute(0);
    MNULAY();  // the frame's set-up of the menu layout words for this screen
    ALTPDF.clear = hei8r(HEI8_CLEARANCE) - ZBASE;
    ALTPDF.feed = wrd2r(PRM9[0]);
    ALTPDF.plunge = PRM9[4];
    ALTPDF.down = PRM9[6];
    ALTPDF.zup = EDTCX.zup;
    zqa1_defaults();
    Call c;
    c.procedure = procedure;
    c.surfaces = surfaces;
    Step step = Step::Select;
    while (step != Step::Leave) {
        switch (step) {
        case Step::Select: step = select(c); break;
        case Step::Setup: step = setup(c); break;
        case Step::Menu: step = t.mode == SEL_DIVIDE ? divide(c) : answer(c, menu_reply(c)); break;
        case Step::End: step = end_operation(c); break;
        case Step::Leave: break;
        }
    }
    contour_figure_delete();
    contour_entity_release();
    trim_polygon_release();
    t.nsurf = 0;
    t.surf_ids.clear();
    t.surf_nrms.clear();
    t.model_needed = 1;
    i32 answer = 0;
    lacces(2, answer);
    slclr();
    MDLDRP(0);
    nc_surf_init(2, 0);
    // DEL Z-UP is the editor's own Z-up: a value changed here is the one
    // its later reconnections use.
    EDTCX.zup = ALTPDF.zup;
    reply = t.ops;
}
