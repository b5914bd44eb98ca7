#include "edit/prmedt.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/mchsav.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/alter/search.h"
#include "edit/blktext.h"
#include "edit/framehk.h"
#include "edit/prmflg.h"
#include "tools/toolcache.h"

FrameHooks FRMHKS = {nullptr, nullptr, nullptr};

i32 PRMITM[30] = {};

namespace {

// List marks: the editor's position (A), the block before the next motion
// (B), the last block of the machine state written before the menu (C).
constexpr i32 SLOT_A = 2, SLOT_B = 3, SLOT_C = 12;
// Block types of the drill edits.
constexpr i32 CYCLE_ON = 30, DRILL_AT = 31, DELZ_SURF = 33, DEPTH_SET = 36;
constexpr f32 DEPTH_LOW = 0.001f, DEPTH_HIGH = 100000.0f;

void fail(const char* text) { errout(text, 0, static_cast<i32>(std::strlen(text))); }

// Header of the block at the cursor: its type and class; false on a list
// failure.
bool header(i32& type, i32& cls)
{
    i32 size = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    return st >= 0;
}

// The block number of the block at the cursor (its header read).
bool number_here(i32& number)
{
    i32 st = 0;
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return st >= 0;
}

// The item list of the tool menu by the NC kind.
void choose_items(const i32 kind)
{
    auto offer = [](std::initializer_list<i32> items) {
        std::memset(PRMITM, 0, sizeof PRMITM);
        for (i32 k : items) PRMITM[k - 1] = 1;
    };
    if (mach_mill(kind)) offer({4, 5, 6, 9});
    else if (mach_punch(kind)) offer({4});
    else if (kind == MACH_LATHE) offer({4, 5, 9});
    else if (mach_wire(kind)) offer({8});
}

// A list failure of the walk to the next motion: reported, so that the
// command's failure never goes unexplained.
bool list_failed()
{
    fail("EDTPRM, ERRORS IN LIST");
    return false;
}

// Walks forward from the cursor to the next motion block, remembering the
// block before it in slot B, and sets the display position just before it
// (the list's end when there is none). False on a list or display failure,
// each reported with its own message.
bool before_next_motion()
{
    i32 answer = 0;
    lmark(1, SLOT_B, answer);
    if (answer < 1) return list_failed();
    while (true) {
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -1) return list_failed();
        if (jst == -2) {
            i32 st = 0;
            ncd_set_block_position(0, 99, st);
            if (st < 0) fail("EDTPRM, ERRORS IN THE DISPLAY FILE");
            return st >= 0;
        }
        i32 type = 0, cls = 0;
        if (!header(type, cls)) return list_failed();
        if (cls == BC_MOVE) {
            i32 number = 0;
            if (!number_here(number)) return list_failed();
            i32 st = 0;
            ncd_set_block_position(number, -1, st);
            if (st < 0) fail("EDTPRM, ERRORS IN THE DISPLAY FILE");
            return st >= 0;
        }
        lclos();
        lmark(1, SLOT_B, answer);
        if (answer < 1) return list_failed();
    }
}

}  // namespace

i32 write_state_counted(const i32& slot, i32& status)
{
    i32 before = 0, after = 0;
    lgtpos(before);
    PTAMCH(status);
    lgtpos(after);
    const i32 n = after - before;
    if (n > 0) {
        i32 answer = 0;
        lmark(1, slot, answer);
    }
    return n > 0 ? n : 0;
}

void remove_written(const i32& slot, const i32& n, i32& status)
{
    if (n < 1) return;
    TPTOP(slot, status);
    if (status < 0) return;
    if (n > 1) TPJUMP(-(n - 1), status);
    if (status < 0) return;
    TPDELB(n, status);
}

void MDLPRM(i32& status)
{
    status = 0;
    const i32 kind = NPT1[NPT1_MACHINE];
    if (mach_mill(kind) || kind == MACH_LATHE) {
        const f32 feed = wrd2r(DSM4[DSM4_FEED]);
        if (neval(feed, -1.0f) != 0 && neval(feed, -2.0f) != 0) PRM9[PRM9_FEED] = DSM4[DSM4_FEED];
        PRM9[PRM9_SPEED] = r2wrd(std::fabs(wrd2r(DSM4[DSM4_SPEED])));
        PRM9[PRM9_SPIN] = std::abs(DSM4[DSM4_SPIN]);
        PRM9[PRM9_DIR] = DSM4[DSM4_SPIN] == 0 ? 3 : DSM4[DSM4_SPIN] > 0 ? 1 : 2;
        PRM9[PRM9_COOL] = DSM4[DSM4_COOL];
        PRM9[PRM9_TOOL] = DSM4[DSM4_TOOL];
    } else if (mach_wire_edit(kind)) {
        PRM9[PRM9_TOOL] = DSM4[DSM4_TOOL];
    } else {
        PRM9[PRM9_TOOL] = DSM4[DSM4_TOOL];
        for (i32 k = 0; k < 4; ++k) PRM9[PRM9_P51 + k] = DSM4[DSM4_P51 + k];
    }
    PRM9[PRM9_UCS] = DSP8[DSP8_UCS];
}

void EDTPRM(i32*, i32& changed, i32& request, i32& status)
{
    status = 0;
    changed = 0;
    const i32 kind = NPT1[NPT1_MACHINE];
    i32 ttype = 0;
    GTTTYP(PRM9[PRM9_TOOL], ttype);
    i32 answer = 0;
    lmark(1, SLOT_A, answer);
    if (answer < 1) {
        fail("EDTPRM, ERRORS IN LIST");
        status = -1;
        return;
    }
    i32 st = 0;
    if (!before_next_motion()) {
        status = -1;
        TPTOP(SLOT_A, st);
        return;
    }
    TPTOP(SLOT_B, st);
    if (st >= 0) request = CHKLYR(st);
    if (st < 0) {
        fail("EDTPRM, ERRORS IN LIST");
        status = -1;
        TPTOP(SLOT_A, st);
        return;
    }
    MCHSWP(2, st);
    MDLPRM(st);
    PRMFLG(0, st);
    const bool fed = wrd2r(DSM4[DSM4_FEED]) >= 0.0f;
    i32 written = 0;
    // The machine state goes into the list before the menu only with the
    // feed code and the last-written values brought in step with the
    // machine values just above: for the wire kinds no such step is given,
    // and a state written there would restate values compared with what
    // some earlier writing left. Their technology block after the menu may
    // likewise restate values already in force; it loses nothing.
    if (!mach_wire_edit(kind)) {
        STPV01(fed ? 1 : 4);
        PRMSTS(st);
        written = write_state_counted(SLOT_C, st);
    }
    i32 feed_kind = fed ? 1 : 2;
    choose_items(kind);
    i32 menu_changed = 0, mst = 0;
    // The menu's FEED/RAPID item updates the feed kind: the code asked for
    // below is the kind the user left, not the one taken before the menu.
    if (FRMHKS.tool_menu) FRMHKS.tool_menu(feed_kind, PRMITM, menu_changed, mst);
    if (st >= 0 && mst >= 0 && menu_changed != 0) {
        if (mach_mill(kind) || kind == MACH_LATHE) STPV01(feed_kind == 1 ? 1 : 4);
        changed = 1;
        PTAMCH(st);
    } else if (st >= 0) {
        // Nothing changed: the machine state written before the menu goes
        // again, so that the list is exactly as it was.
        remove_written(SLOT_C, written, st);
    }
    // A machine state or technology block that could not be written is a
    // failure, not a success: the caller must not take the parameters as
    // changed in the list when the list refused them.
    if (st < 0) fail("EDTPRM, ERRORS IN LIST");
    status = st < 0 ? -1 : 0;
    ncd_connect_toolpath();
    MCHSWP(1, st);
    TPTOP(SLOT_A, st);
    if (changed == 0) request = 0;
}

f32 DRLTIP(const char* zero_angle_message)
{
    i32 type = 0;
    GTTTYP(PRM9[PRM9_TOOL], type);
    if (type != 1) return 0.0f;
    f32 angle = 0, diameter = 0;
    GTDRTA(PRM9[PRM9_TOOL], angle);
    GTDRDI(PRM9[PRM9_TOOL], diameter);
    if (eqval0(angle) != 0) {
        fail(zero_angle_message);
        return 0.0f;
    }
    // A flat tip (180) has no allowance; a tip angle or diameter below 0 is
    // no drill shape, and its tangent would give the depth a wrong-signed
    // allowance: none either.
    if (eqval(angle, 180.0f) != 0 || angle < 0.0f || diameter < 0.0f) return 0.0f;
    const f64 half = static_cast<f64>(angle) * 0.5 * 3.14159265358979323846 / 180.0;
    return static_cast<f32>(static_cast<f64>(diameter) * 0.5 / std::tan(half));
}

namespace {

// The depth field shows the depth without the tip allowance: less by it for
// a depth of 0 or more, more by it below 0.
f32 shown_depth(f32 depth, f32 allowance) { return depth >= 0.0f ? depth - allowance : depth + allowance; }

// The depth from the field: the allowance goes back the way it was taken
// off the depth the field was filled from. Deciding by the field's own sign
// would move a depth shallower than the tip (field below 0) to the other
// side, and every point taken without an edit would get a new depth.
f32 drill_depth(f32 shown, f32 filled_from, f32 allowance)
{
    return filled_from >= 0.0f ? shown + allowance : shown - allowance;
}

// Depth and del-Z surface in force.
struct DrillState {
    f32 depth = 0, surface = 0;
};

// Takes the values of a depth, cycle or del-Z surface block at the cursor
// (its header read); false on a read failure.
bool take_drill_values(const i32 type, i32 size, DrillState& d)
{
    i32 number = 0, st = 0;
    if (type == CYCLE_ON) {
        i32 code = 0, flag = 0, retract = 0;
        f32 clear = 0, initial = 0;
        RDBT30(AM_LIST, number, code, flag, d.surface, d.depth, clear, retract, initial, st);
    } else if (type == DEPTH_SET) {
        f32 old = 0;
        RDBT36(AM_LIST, number, d.depth, old, st);
    } else if (type == DELZ_SURF) {
        f32 second = 0;
        RDBT33(AM_LIST, size, number, d.surface, second, st);
        d.depth = d.surface - second;
    }
    lclos();
    return st >= 0;
}

// The depth and surface in force at the cursor: back to the nearest cycle
// or depth block, then forward again over the blocks that set them. The
// cursor ends where it was. False on a list failure.
// The forward walk reads every cycle, depth and del-Z surface block up to
// the cursor, the last one read winning, rather than stopping at the first
// one after the block found going back: the new points are drilled at the
// values in force at the cursor, and the values written back after them
// must be exactly those, else the points that follow would change depth.
bool drill_values(DrillState& d)
{
    i32 here = 0;
    lgtpos(here);
    while (true) {
        i32 jst = 0;
        TPJUMP(-1, jst);
        if (jst == -1) return false;
        if (jst == -2) break;
        i32 size = 0, type = 0, cls = 0, st = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st < 0) return false;
        lclos();
        if (type == CYCLE_ON || type == DEPTH_SET) break;
    }
    while (true) {
        i32 pos = 0;
        lgtpos(pos);
        if (pos >= 1) {
            i32 size = 0, type = 0, cls = 0, st = 0;
            TPBLKH(AM_LIST, size, type, cls, st);
            if (st < 0 || !take_drill_values(type, size, d)) return false;
        }
        if (pos >= here) return true;
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst < 0) return jst == -2;
    }
}

// Writes a depth block and a del-Z surface block where the values differ
// from those in force, then (with a point) the drill location.
bool write_drill(DrillState& in_force, const DrillState& want, const f32* point, i32& status)
{
    const f32 zaxis[3] = {0, 0, 1};
    i32 dmode = 1, intr = 0;
    if (neval(want.depth, in_force.depth) != 0) {
        PTBT36(AM_APPEND, want.depth, in_force.depth, 0, status);
        if (status < 0) return false;
        DISPLB(dmode, intr, status);
        in_force.depth = want.depth;
    }
    if (neval(want.surface, in_force.surface) != 0) {
        PTBT33(AM_APPEND, want.surface, in_force.surface, 0, status);
        if (status < 0) return false;
        in_force.surface = want.surface;
    }
    if (point) {
        PTBT31(AM_APPEND, point, zaxis, 0, 0, status);
        if (status < 0) return false;
        DISPLB(dmode, intr, status);
    }
    return status >= 0;
}

}  // namespace

void EDTDRL(i32*, i32& changed, i32& request, i32& status)
{
    status = 0;
    i32 answer = 0, st = 0;
    lmark(1, SLOT_A, answer);
    if (answer < 1) {
        fail("EDTDRL, ERRORS IN LIST");
        status = -1;
        return;
    }
    request = CHKLYR(st);
    DrillState before;
    if (st < 0 || !drill_values(before)) {
        fail("EDTDRL, ERRORS IN LIST");
        status = -1;
        TPTOP(SLOT_A, st);
        return;
    }
    const f32 allowance = DRLTIP("EDTDRL, ZERO TIP ANGLE IN DRILL TOOL");
    f32 prev[3], dir[3];
    i32 number = 0;
    PRVPNT(1, prev, dir, number, st);
    if (st >= 0) ncd_set_block_position(number, 1, st);
    if (st < 0) {
        // Back where the edit began, as after a list failure.
        fail("EDTDRL, ERRORS IN THE DISPLAY FILE");
        status = -1;
        TPTOP(SLOT_A, st);
        return;
    }
    DrillState now = before;
    f32 depth = before.depth;  // the depth asked for, the allowance in it
    while (true) {
        f32 shown = shown_depth(depth, allowance);
        const i32 attrs[1] = {2};
        modcls(1, attrs);
        modrc2("DEPTH", shown, DEPTH_LOW, DEPTH_HIGH, 0);
        prmptc("IND. DRILLING POINT");
        f32 point[3] = {0, 0, 0};
        i32 reply = 0;
        getpt(1, point, reply);
        depth = drill_depth(shown, depth, allowance);
        if (reply > 0) continue;  // the field was edited: shown again
        // Exit, escape and end (-3, the host's "end" of an indication) all
        // end the indication; the values in force before are set back.
        if (reply < 0) break;
        DrillState want = now;
        want.depth = depth;
        if (!write_drill(now, want, point, st)) {
            fail("EDTDRL, ERRORS IN LIST");
            status = -1;
            return;
        }
        changed = 1;
    }
    // The values in force before come back after the new points.
    if (changed != 0 && !write_drill(now, before, nullptr, st)) {
        fail("EDTDRL, ERRORS IN LIST");
        status = -1;
    }
}

void EDTDPT(i32* start, i32* end, i32& changed, i32& request, i32& status)
{
    status = 0;
    i32 in_marker = 0, prev_block = -1, st = 0;
    f32 prev_point[3], prev_dir[3];
    FNDRNG(10, 11, start, end, 0, in_marker, prev_block, prev_point, prev_dir, st);
    // A range not found in the procedure is not a list failure: the search
    // has told the user so, and its status stands; only a list failure is
    // reported as one.
    if (st == -2) {
        status = -2;
        return;
    }
    if (st < 0) {
        fail("EDTDPT,ERRORS IN LIST");
        status = -3;
        return;
    }
    // A drilling range holds drill-location blocks: anything else is refused.
    bool drilling = false;
    TPTOP(10, st);
    while (st >= 0) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        i32 number = 0;
        if (st >= 0) tpget(AM_LIST, 1, DT_INT, &number, st);
        lclos();
        if (st < 0) break;
        if (type == DRILL_AT) drilling = true;
        if (number == end[2]) break;
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst < 0) break;
    }
    if (st < 0) {
        fail("EDTDPT,ERRORS IN LIST");
        status = -3;
        return;
    }
    if (!drilling) {
        fail("EDTDPT, DEPTH UPDATE POSSIBLE ONLY FOR DRILL");
        status = -1;
        return;
    }
    // The depth is the one in force at the range, as the drill points take
    // it: a del-Z surface block after the cycle or depth block sets it as
    // well. Taking only the cycle or depth block would show a depth the
    // range is not drilled at, and the "old" depth written back after the
    // range would move every drill point after it to that block's depth.
    TPTOP(10, st);
    DrillState d;
    if (st < 0 || !drill_values(d)) {
        fail("EDTDPT,ERRORS IN LIST");
        status = -3;
        return;
    }
    // The layer request is asked as the parameter edit asks it: a depth
    // edit inside a layer is a change of that layer's motions.
    request = CHKLYR(st);
    const f32 allowance = DRLTIP("EDTDPT - ZERO TIP ANGLE IN DRILL TOOL");
    i32 first[3] = {start[0], start[1], start[2]}, last[3] = {end[0], end[1], end[2]};
    ncd_set_blocks_attention(-1, first, last, 1);
    f32 shown = shown_depth(d.depth, allowance);
    modinz();
    prmptc("DEF. DRILLING DEPTH");
    modrc("DEPTH", shown, DEPTH_LOW, DEPTH_HIGH);
    prcont();
    i32 action = 0;
    modif1(action);
    ncd_set_blocks_attention(-1, first, last, 0);
    const f32 depth = drill_depth(shown, d.depth, allowance);
    // Nothing changed: no layer is to be marked either.
    if (action < 0 || eqval(depth, d.depth) != 0) {
        request = 0;
        return;
    }
    // The new depth before the range, the old one after it.
    // With no block before the range's first (the list's first element,
    // which in a tool path list is its header, never a drill location) the
    // new depth goes right after that element: still ahead of every drill
    // location of the range.
    TPTOP(10, st);
    if (st >= 0) TPJUMP(-1, st);
    if (st == -2) st = 0;
    if (st >= 0) PTBT36(AM_APPEND, depth, d.depth, 0, st);
    if (st >= 0) TPTOP(11, st);
    if (st >= 0) PTBT36(AM_APPEND, d.depth, depth, 0, st);
    if (st < 0) {
        fail("EDTDPT,ERRORS IN LIST");
        status = -3;
        return;
    }
    changed = 1;
}
