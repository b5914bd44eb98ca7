#include "edit/stepping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/modal.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/alter/search.h"
#include "tools/tooldsp.h"

StepState MOVSTA = {};
i32 MOVRST[7] = {0, 0, 0, 0, 0, 0, 0};
i32 MOVJMP[2] = {-1, -1};

namespace {

constexpr i32 SLOT_WALK = 4;   // the movers' remembered motion
constexpr i32 SLOT_KEEP = 6;   // positions kept across a search
constexpr f32 NO_Z = 10000.0f;
constexpr i32 RESTATE[7] = {1, 2, 3, 5, 10, 55, 100};

struct Head {
    i32 size = 0, type = 0, cls = 0, number = -1;
};

// Header and number of the block at the cursor (word position reset).
bool read_head(Head& h, i32& status)
{
    TPBLKH(AM_LIST, h.size, h.type, h.cls, status);
    if (status < 0) return false;
    tpget(AM_LIST, 1, DT_INT, &h.number, status);
    lclos();
    return status >= 0;
}

i32 string_points(const Head& h) { return bt_string(h.type) ? (h.size - 1) / bt_point_words(h.type) : 1; }

// Marker kind (and the layer Z for kind 3) of the marker at the cursor.
bool marker_kind(i32& kind, f32& z, i32& status)
{
    i32 size = 0, type = 0, cls = 0, number = 0, iv = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status >= 0) RDBHED(AM_LIST, number, kind, z, iv, status);
    lclos();
    return status >= 0;
}

// The parameter code of the technology block at the cursor.
bool tech_code(i32& code, i32& status)
{
    i32 size = 0, type = 0, cls = 0, number = 0, kind = 0, iv = 0;
    f32 rv = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status >= 0) RDBT1(AM_LIST, number, code, kind, iv, rv, status);
    lclos();
    return status >= 0;
}

bool remember(i32 slot)
{
    i32 answer = 0;
    lmark(1, slot, answer);
    return answer >= 1;
}

// One block along the list: 0 moved, 1 at an end (did not move), -1 error.
i32 jump(i32 dir)
{
    i32 st = 0;
    TPJUMP(dir > 0 ? 1 : -1, st);
    if (st == -2) return 1;
    return st < 0 ? -1 : 0;
}

f32 zshift() { return wrd2r(NPT1[NPT1_ORIGIN + 2]); }

void display(i32 mode, i32& status)
{
    i32 flag = 0;
    DISPLB(mode, flag, status);
}

void attention(const i32* key, i32 on)
{
    if (key[0] >= 2 && key[2] != -1) ncd_set_block_or_proc_attn(key, on);
}

void blank_range(i32 from, i32 to, i32 blank)
{
    if (from < 0 || to < 0) return;
    i32 a[KEY_N], b[KEY_N];
    blkkey(a, from);
    blkkey(b, to);
    ncd_set_block_or_proc_blank(a, b, blank);
}

void hide_tool()
{
    if (get_win_mode() != 0) {
        EnableHideTool();
        nc_tool_disp_hide(0);
    }
}

// Walks in the direction to the next motion (the block at the cursor first)
// and breaks a string of two or more points in the split mode (0: a string
// stays whole).
bool to_motion(i32 dir, i32 split, Head& h, i32& status, bool& end)
{
    end = false;
    while (true) {
        if (!read_head(h, status)) return false;
        if (h.cls == BC_MOVE) {
            if (split != 0 && bt_string(h.type) && string_points(h) >= 2) {
                BRKSTR(split, status);
                if (status < 0) return false;
                if (!read_head(h, status)) return false;
            }
            return true;
        }
        i32 j = jump(dir);
        if (j < 0) {
            status = -1;
            return false;
        }
        if (j == 1) {
            end = true;
            return true;
        }
    }
}

}  // namespace

void blkkey(i32* key, const i32& block)
{
    for (i32 k = 0; k < KEY_N; ++k) key[k] = 0;
    i32 level = 0;
    gtlstn(1, level);
    key[0] = 2;
    key[1] = level;
    key[2] = block;
}

// ------------------------------------------------------------------ movers

namespace {
// The walk of MVFRWD (dir 1) and MVBCWD (dir -1): count motions along the
// list, strings broken where the count ends inside one, back on the last
// motion met. closed: a layer end was passed (backward). Status 0, 1 at an
// end of the list or without a motion, -1 reported with the routine's name.
void walk(i32 dir, i32 trace, i32& count, i32& number, i32& type, bool& closed, i32& status)
{
    const i32 wanted = count;
    number = -1;
    closed = false;
    auto fail = [&]() {
        eroutc(dir > 0 ? "MVFRWD, ERRORS IN LIST" : "MVBCWD, ERRORS IN LIST", 0);
        status = -1;
    };
    if (!remember(SLOT_WALK)) return fail();
    // A list just opened stands before its first block: there is no block
    // to read yet, and the first jump forward reaches the first one.
    i32 pos = 0;
    lgtpos(pos);
    Head h;
    if (pos > 0 && !read_head(h, status)) return fail();
    bool seen = false, end = false;
    if (pos > 0 && h.cls == BC_MOVE) {
        if (!remember(SLOT_WALK)) return fail();
        number = h.number;
        type = h.type;
        seen = true;
    }
    i32 made = 0;
    while (made < wanted) {
        i32 j = jump(dir);
        if (j < 0) return fail();
        if (j == 1) {
            end = true;
            break;
        }
        if (!read_head(h, status)) return fail();
        if (h.cls != BC_MOVE) {
            // A layer marker sets the layer Z when it is passed without trace
            // (read so: a traced step shows the marker and leaves the layer
            // Z to the untraced moves and the layer search).
            if (h.cls == BC_MARKER && (dir < 0 || trace == 0)) {
                i32 kind = 0;
                f32 z = 0;
                if (!marker_kind(kind, z, status)) return fail();
                if (kind == 3) MOVSTA.layerz = z;
                if (kind == 4 && dir < 0) closed = true;
            } else if (dir > 0 && (trace != 0 || h.cls == BC_TECH)) {
                display(2, status);
                if (status < 0) return fail();
            } else if (dir < 0 && h.cls == BC_TECH) {
                // Walking back, a technology block passed is not shown: its
                // value is not the one in force where the walk ends. The
                // state there is shown once, by the restoring after the walk.
                i32 code = 0;
                if (!tech_code(code, status)) return fail();
                for (i32 k = 0; k < 7; ++k)
                    if (RESTATE[k] == code) MOVRST[k] = 0;
            }
            continue;
        }
        const i32 m = string_points(h);
        if (m > wanted - made) {
            BRKSTR(dir > 0 ? 1 : 2, status);
            if (status < 0) return fail();
            if (!read_head(h, status)) return fail();
            made += 1;
        } else {
            made += m;
        }
        if (!remember(SLOT_WALK)) return fail();
        number = h.number;
        type = h.type;
        seen = true;
        if (dir > 0 && trace != 0) {
            display(2, status);
            if (status < 0) return fail();
        }
    }
    count = made;
    TPTOP(SLOT_WALK, status);
    if (status < 0) return fail();
    status = end || !seen ? 1 : 0;
}
}  // namespace

void MVFRWD(const i32& trace, i32& count, i32& number, i32& type, i32& status)
{
    bool closed = false;
    walk(1, trace, count, number, type, closed, status);
}

void MVBCWD(i32& count, i32& number, i32& type, i32& status)
{
    for (i32& w : MOVRST) w = 1;
    bool closed = false;
    walk(-1, 0, count, number, type, closed, status);
    if (status < 0) return;
    const i32 walked = status;
    if (number >= 0) {
        UPDBOT(status);
        if (status < 0) return;
    }
    status = walked;
    if (status == 0 && closed) status = 2;
}

void JPSTRP(i32& number, i32& type, i32& status)
{
    auto fail = [&]() {
        eroutc("JPSTRP, ERRORS IN LIST", 0);
        status = -1;
    };
    i32 answer = 0;
    lacces(2, answer);
    if (answer < 0) return fail();
    number = -1;
    while (true) {
        Head h;
        if (!read_head(h, status)) return fail();
        display(2, status);
        if (status < 0) return fail();
        if (h.cls == BC_MOVE) {
            number = h.number;
            type = h.type;
            break;
        }
        i32 j = jump(1);
        if (j < 0) return fail();
        if (j == 1) break;
    }
    status = 0;
}

void JPENDP(i32& number, i32& type, i32& status)
{
    auto fail = [&]() {
        eroutc("JPENDP, ERRORS IN LIST", 0);
        status = -1;
    };
    if (!remember(SLOT_KEEP)) return fail();
    JMPEND(status);
    if (status < 0) return fail();
    Head h;
    bool end = false;
    // A string at the end stays whole and the tool stands on it as a block:
    // the number answered is the block's, which is its first point's. A
    // caller that needs the last tool point's number (a range to the end of
    // the list) adds the string's points to it.
    to_motion(-1, 0, h, status, end);
    if (status < 0) return fail();
    if (end || h.cls != BC_MOVE) {
        TPTOP(SLOT_KEEP, status);
        if (status < 0) return fail();
        status = 0;
        return;
    }
    number = h.number;
    type = h.type;
    UPDBOT(status);
    if (status < 0) return;
    status = 0;
}

void JPINDP(const i32& current, i32& target, i32& type, i32& forward, i32& status)
{
    forward = 0;
    status = 0;
    auto fail = [&]() {
        eroutc("JPINDP, ERRORS IN LIST", 0);
        status = -1;
    };
    if (target == current) return;
    if (!remember(SLOT_KEEP)) return fail();
    i32 dir = 1;
    i32 answer = 0;
    if (target < current) {
        // Half of the current number taken exactly (not rounded down): a
        // target at the rounded-down half of an odd number is below half
        // and is searched from the start of the list, where the current
        // block is not passed before it (moved-forward flag 0).
        if (2 * static_cast<std::int64_t>(target) >= current) {
            dir = -1;
        } else {
            lacces(2, answer);
            if (answer < 0) return fail();
        }
    }
    i32 ends = 0;
    bool found = false;
    while (true) {
        Head h;
        if (!read_head(h, status)) return fail();
        if (h.number == current) forward = 1;
        if (h.cls == BC_MARKER) {
            i32 kind = 0;
            f32 z = 0;
            if (!marker_kind(kind, z, status)) return fail();
            if (kind == 3) MOVSTA.layerz = z;
        }
        if (!found && h.cls == BC_MOVE && bt_string(h.type)) {
            const i32 m = string_points(h);
            // A string of one point already holds its target whole: there
            // is nothing to break it into.
            if (m >= 1 && h.number <= target && target <= h.number + m - 1 && m > 1) {
                BRKSTR(1, status);
                if (status < 0) return fail();
                dir = 1;  // the target lies among the lines just made
                continue;
            }
        }
        if (h.number == target) found = true;
        if (found && h.cls == BC_MOVE) {
            target = h.number;
            type = h.type;
            UPDBOT(status);
            if (status < 0) return;
            status = 0;
            return;
        }
        if (found) dir = 1;
        i32 j = jump(dir);
        if (j < 0) return fail();
        // The list's end: from the start again once, unless the target was
        // found already (a block that is no motion, with no motion after
        // it): a second walk would find it again and stop in the same place.
        if (j == 1) {
            if (++ends >= 2 || found) break;
            lacces(2, answer);
            if (answer < 0) return fail();
            dir = 1;
        }
    }
    usmsgc("INDICATED BLOCK WAS NOT FOUND WITHIN CURRENT PROCEDURE");
    target = current;
    forward = 0;
    TPTOP(SLOT_KEEP, status);
    if (status < 0) return fail();
    status = -2;
}

namespace {
// The number of the motion block at the cursor; -1 when the cursor is on
// another block or before the first one.
i32 motion_here()
{
    i32 pos = 0, st = 0;
    lgtpos(pos);
    Head h;
    if (pos <= 0 || !read_head(h, st)) return -1;
    return h.cls == BC_MOVE ? h.number : -1;
}
}  // namespace

void LYRSTP(const i32& n1, const i32& n2, const f32& z, i32& number, i32& status)
{
    number = -1;
    status = 0;
    if ((n1 == 0 || n2 == 0) && z == NO_Z) return;
    // A failure is told by name, as the module's other list routines tell
    // theirs: the caller's own message would not say which search failed.
    auto fail = [&]() {
        eroutc("LYRSTP, ERRORS IN LIST", 0);
        status = -1;
    };
    if (!remember(SLOT_KEEP)) return fail();
    const i32 from = motion_here();
    const f32 shown = MOVSTA.layerz - zshift();
    const bool zsearch = n1 == 0 || n2 == 0;
    const i32 dir = (n1 > 0 || ltval(z, shown) != 0) ? 1 : -1;
    i32 fin = (n2 > 0 || ltval(z, shown) != 0) ? 1 : -1;
    // A search by Z ends on the marker that opens the layer found (kind 3 or
    // 5, first in the list), whichever way it walked. Its motions follow
    // that marker: walking on backward from it would land on the last motion
    // of the layer above, one layer too high.
    if (zsearch && (MOVSTA.layering == 3 || MOVSTA.layering == 5)) fin = 1;
    const i32 split = fin > 0 ? 1 : 2;
    i32 open = 0, close = 0;
    if (MOVSTA.layering == 5 || MOVSTA.layering == 6) {
        open = dir > 0 ? 5 : 6;
        close = dir > 0 ? 6 : 5;
    } else {
        open = dir > 0 ? 3 : 4;
        close = dir > 0 ? 4 : 3;
    }
    i32 layers = 0, motions = 1;
    bool reached = false, end = false;
    while (!reached) {
        i32 j = jump(dir);
        if (j < 0) return fail();
        if (j == 1) {
            end = true;
            break;
        }
        Head h;
        if (!read_head(h, status)) return fail();
        if (h.cls == BC_MOVE) {
            ++motions;
            continue;
        }
        if (h.cls != BC_MARKER) continue;
        i32 kind = 0;
        f32 lz = 0;
        if (!marker_kind(kind, lz, status)) return fail();
        if (kind == 3) MOVSTA.layerz = lz;
        if (zsearch) {
            const f32 s = MOVSTA.layerz - zshift();
            if (kind == MOVSTA.layering && ((dir > 0 && leval(s, z) != 0) || (dir < 0 && leval(z, s) != 0)))
                reached = true;
            continue;
        }
        if (kind == close && motions == 0) layers -= dir;  // an empty layer does not count
        if (kind == MOVSTA.layering) {
            layers += dir;
            if (layers == n1) reached = true;
        }
        if (kind == open && layers != 0) motions = 0;
    }
    if (reached) {
        Head h;
        while (true) {
            i32 j = jump(fin);
            if (j < 0) return fail();
            if (j == 1) {
                end = true;
                break;
            }
            if (!read_head(h, status)) return fail();
            if (h.cls == BC_MOVE) {
                if (bt_string(h.type) && string_points(h) >= 2 && h.number == from) {
                    // The string the search started on, where the tool
                    // stands on it whole (a count that ended on its last
                    // point): broken, it would take the remembered position
                    // with it, and the tool would be left on its first point
                    // with a list error. It stays whole; its number is the
                    // one the break would give.
                    number = fin > 0 ? h.number : h.number + string_points(h) - 1;
                    break;
                }
                if (bt_string(h.type) && string_points(h) >= 2) {
                    BRKSTR(split, status);
                    if (status < 0) return fail();
                    if (!read_head(h, status)) return fail();
                }
                number = h.number;
                break;
            }
            if (h.cls == BC_MARKER) {
                i32 kind = 0;
                f32 lz = 0;
                if (!marker_kind(kind, lz, status)) return fail();
                if (kind == 3) MOVSTA.layerz = lz;
            }
        }
    }
    TPTOP(SLOT_KEEP, status);
    if (status < 0) return fail();
    status = end ? 1 : 0;
}

// ------------------------------------------------------------ set-up, shows

void PRCRNG(i32& status)
{
    // Told by name, as the layer search's failure is.
    auto fail = [&]() {
        eroutc("PRCRNG, ERRORS IN LIST", 0);
        status = -1;
    };
    if (!remember(SLOT_KEEP)) return fail();
    i32 answer = 0;
    lacces(2, answer);
    if (answer < 0) return fail();
    Head h;
    bool end = false;
    while (true) {
        if (!read_head(h, status)) return fail();
        if (h.cls == BC_MOVE) break;
        i32 j = jump(1);
        if (j < 0) return fail();
        if (j == 1) {
            end = true;
            break;
        }
    }
    blkkey(MOVSTA.first, end ? -1 : h.number);
    MOVSTA.shown[0] = MOVSTA.first[2];
    JMPEND(status);
    if (status < 0) return fail();
    end = false;
    while (true) {
        if (!read_head(h, status)) return fail();
        if (h.cls == BC_MOVE) break;
        i32 j = jump(-1);
        if (j < 0) return fail();
        if (j == 1) {
            end = true;
            break;
        }
    }
    // the last motion of a string is its last point
    const i32 last = end ? -1 : h.number + (bt_string(h.type) ? string_points(h) - 1 : 0);
    blkkey(MOVSTA.last, last);
    MOVSTA.shown[1] = last;
    TPTOP(SLOT_KEEP, status);
    if (status < 0) return fail();
    status = 0;
}

void STPINI(const i32& single, i32& at_end, i32& status)
{
    status = 0;
    MOVSTA.direction = single > 0 ? 1 : 3;
    MOVSTA.jump = single > 0 ? 4 : 2;
    MOVSTA.count = 1;
    MOVSTA.follow = 1;
    MOVSTA.show = 1;
    MOVSTA.step = 1;
    if (at_end != 0) {
        at_end = 0;
        JMPEND(status);
        if (status < 0) return;
        // The walk back breaks a string of two points or more to stand on
        // its last point; a string of one point is one line already.
        Head h;
        bool end = false;
        to_motion(-1, 2, h, status, end);
        if (status < 0) return;
    }
    PRCRNG(status);
    if (status < 0) return;
    MOVSTA.layering = -1;
    if (!remember(SLOT_KEEP + 1)) {
        status = -1;
        return;
    }
    for (i32 kind : {4, 6}) {
        i32 answer = 0;
        lacces(2, answer);
        if (answer < 0) break;
        MOVSTA.layering = kind;
        i32 number = -1, st = 0;
        // The search only asks whether the list has layers or passes; the
        // layer Z it passes on the way belongs to the start of the list, not
        // to where the tool stands, so the tool's layer Z is put back.
        const f32 keepz = MOVSTA.layerz;
        LYRSTP(1, -1, NO_Z, number, st);
        MOVSTA.layerz = keepz;
        if (st == 0 && number >= 0) break;
        MOVSTA.layering = -1;
    }
    TPTOP(SLOT_KEEP + 1, status);
}

void SHWLYR()
{
    i32 start = -1, end = -1, st = 0;
    LYRSTP(-1, 1, NO_Z, start, st);
    if (start < 0) start = MOVSTA.first[2];
    LYRSTP(1, -1, NO_Z, end, st);
    if (end < 0) end = MOVSTA.last[2];
    if (MOVSTA.show == 3 && (MOVSTA.layering == 3 || MOVSTA.layering == 4) && start == MOVSTA.last[2]) {
        const i32 keep = MOVSTA.layering;
        MOVSTA.layering = 3;
        LYRSTP(-1, 1, NO_Z, start, st);
        if (start < 0) start = MOVSTA.first[2];
        MOVSTA.layering = keep;
    }
    if (start == MOVSTA.shown[0] && end == MOVSTA.shown[1]) return;
    MOVSTA.shown[0] = start;
    MOVSTA.shown[1] = end;
    if (start > MOVSTA.first[2]) blank_range(MOVSTA.first[2], start - 1, 1);
    if (end < MOVSTA.last[2]) blank_range(end + 1, MOVSTA.last[2], 1);
    blank_range(start, end, 0);
}

void STPSHW(const i32* key, const i32& forward, const i32* previous, const i32& blank)
{
    (void)blank;
    attention(key, 1);
    if (MOVSTA.show == 2) {
        if (forward != 0) blank_range(previous[2] < 0 ? key[2] : previous[2], key[2], 0);
        else blank_range(key[2], previous[2] < 0 ? key[2] : previous[2], 0);
    } else if (MOVSTA.show == 3) {
        SHWLYR();
    }
}

void ATNOFF(i32* key, const i32& delstart, const i32& mode, i32* previous)
{
    if (key[2] != -1 && key[2] != delstart && mode != 2) attention(key, 0);
    std::memcpy(previous, key, KEY_N * sizeof(i32));
}

void MRKSTP(const i32& direction, i32* key, i32& type, i32& status)
{
    i32 count = 1, number = -1;
    if (direction == 1) {
        MVFRWD(0, count, number, type, status);
    } else if (direction == 2) {
        MVBCWD(count, number, type, status);
    } else {
        status = -1;
        return;
    }
    if (status < 0) return;
    blkkey(key, number);
    attention(key, 1);
    i32 st = 0;
    display(3, st);
    if (st < 0) status = -3;
}

void UPDBOT(i32& status)
{
    static const i32 MILL[7] = {1, 2, 3, 5, 100, 10, 55};
    static const i32 PUNCH[4] = {52, 53, 100, 55};
    static const i32 LATHE[5] = {1, 2, 3, 100, 55};
    static const i32 WIRE[29] = {100, 55, 11, 12, 13, 14, 15, 16, 20, 21, 22, 23, 24, 25, 26,
                                 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 52};
    const i32 kind = NPT1[NPT1_MACHINE];
    const i32* codes = nullptr;
    i32 count = 0;
    if (mach_mill(kind)) codes = MILL, count = 7;
    else if (mach_punch(kind)) codes = PUNCH, count = 4;
    else if (kind == MACH_LATHE) codes = LATHE, count = 5;
    else if (mach_wire_edit(kind)) codes = WIRE, count = 29;
    status = 0;
    if (count == 0) return;
    PRVMCH(3, count, codes, status);
    if (status < 0) eroutc("UPDBOT, ERRORS IN LIST", 0);
}

// ------------------------------------------------------------------ STEPTL

namespace {

// The state of one STEPTL call, shared by its steps.
struct Stepper {
    const i32& target;
    const i32& delstart;
    const i32& mode;
    i32* key;
    i32& type;
    const f32& delay;
    const f32& z;
    i32& status;
    i32 tler = 0, dir0 = 0, jump0 = 0;
    i32 previous[KEY_N] = {};
    bool end = false, zjump = false, forced = false, forward = false, layerflag = false, traced = false,
         started = false, slow = false, done = false;
    i32 tgt = 0, st = 0, number = -1, dmode = 3;
    i32 tool = 0;  // the tool in force where the move started
    f32 shift = 0.0f;
};

// After a move past a tool change a shown tool image is still the old
// tool's: it is replaced by the new tool at the shown point and axis, and
// the user is told. Nothing is drawn where no image is shown.
void redraw_changed_tool(i32& tool)
{
    if (DSM4[DSM4_TOOL] == tool) return;
    tool = DSM4[DSM4_TOOL];
    i32 inst = 0;
    tm_inst_id(1, inst);
    if (inst == 0) return;
    tm_inst_delete();
    f32 p[3], a[3];
    for (int k = 0; k < 3; ++k) {
        p[k] = wrd2r(DSP8[DSP8_POS + k]);
        a[k] = wrd2r(DSP8[DSP8_AXIS + k]);
    }
    i32 fig = -1;
    DISPT1(tool, p, a, fig);
    if (fig >= 0) tm_inst_id(2, fig);
    msg_mdls(317, 11);
}

// A layer or pass step (STEP 2 while moving) becomes a jump to the block the
// step reaches, or to the start or end. False: the layer walk failed.
bool layer_step(Stepper& s)
{
    if (!(MOVSTA.step == 2 && MOVSTA.direction != 3)) return true;
    const i32 n = MOVSTA.direction == 2 ? -MOVSTA.count : MOVSTA.count;
    LYRSTP(n, n, NO_Z, s.number, s.st);
    if (s.st < 0) return false;
    if (s.st == 0 && s.number >= 0) {
        MOVSTA.jump = 4;
        s.tgt = s.number;
    } else {
        MOVSTA.jump = MOVSTA.direction == 2 ? 1 : 2;
        s.end = true;
    }
    MOVSTA.direction = 3;
    return true;
}

// JUMP LAYER/Z: nothing to do at the layer already shown, else a jump to
// the first block of the layer at z, or to the start or end.
void z_jump(Stepper& s)
{
    if (!(MOVSTA.direction == 3 && MOVSTA.jump == 3)) return;
    // At the current layer's Z with a delay set the tool does not move; the
    // block it stands on is still marked and shown as at the end of any
    // step (read: "nothing more" is no further move).
    if (eqval(MOVSTA.layerz - s.shift, s.z) != 0 && s.delay != -1.0f) {
        MOVSTA.layering = 4;
        s.done = true;
        s.st = 0;
        return;
    }
    MOVSTA.layering = 3;
    LYRSTP(0, 0, s.z, s.number, s.st);
    if (s.st == 0 && s.number >= 0) {
        MOVSTA.jump = 4;
        s.tgt = s.number;
    } else if (s.st >= 0) {
        MOVSTA.jump = ltval(s.z, MOVSTA.layerz - s.shift) != 0 ? 2 : 1;
        s.end = true;
    }
    MOVSTA.layering = 4;
    slclr();
    s.zjump = true;
}

// A slow walk: COUNT single moves, each shown, the delay between them; a
// key hit or the end of the list stops it.
void single_steps(Stepper& s, bool back)
{
    msg_prompt(317, 10);
    for (i32 k = 0; k < MOVSTA.count; ++k) {
        if (k > 0) ATNOFF(s.key, s.delstart, s.mode, s.previous);
        i32 one = 1;
        if (back) MVBCWD(one, s.number, s.type, s.st);
        else MVFRWD(MOVSTA.follow == 2 ? 1 : 0, one, s.number, s.type, s.st);
        if (s.st < 0) return;
        if (s.st == 1) s.end = true;
        if (s.st == 2) s.layerflag = true;
        if (s.number >= 0) s.key[2] = s.number;
        if (back || MOVSTA.follow != 2) {
            redraw_changed_tool(s.tool);
            i32 dst = 0;
            display(s.dmode, dst);
            if (dst < 0) {
                s.st = -3;
                return;
            }
            if (back && s.layerflag) MOVSTA.layerz = wrd2r(DSP8[DSP8_POS + 2]);
        }
        STPSHW(s.key, back ? 0 : 1, s.previous, 0);
        i32 hit = 0;
        SPCHIT(hit);
        if (hit != 0 || s.end) return;
        // The delay is held to the 10 seconds the menu offers: a stored
        // value past that (a damaged record, or an infinite one) would
        // hold the editor in this wait for good.
        const double delay = std::isfinite(s.delay) ? std::clamp(static_cast<double>(s.delay), 0.0, 10.0) : 0.0;
        const double until = (static_cast<double>(std::clock()) / CLOCKS_PER_SEC + delay) * 1000.0;
        while (static_cast<double>(std::clock()) / CLOCKS_PER_SEC * 1000.0 < until) {
        }
    }
}

// FORWARD: COUNT moves at once or one by one; at the end the direction turns.
void step_forward(Stepper& s)
{
    s.traced = MOVSTA.follow == 2;
    if (!s.slow) {
        i32 count = MOVSTA.count;
        MVFRWD(s.traced ? 1 : 0, count, s.number, s.type, s.st);
        if (s.st == 1) s.end = true;
        if (s.st >= 0 && s.number >= 0) s.key[2] = s.number;
    } else {
        single_steps(s, false);
    }
    if (s.end) MOVSTA.direction = 2;
    s.forward = true;
}

// BACKWARD: COUNT moves at once or one by one; at the start the direction turns.
void step_backward(Stepper& s)
{
    if (TLER[TLER_MODE] == TLER_TRACE) TLER[TLER_MODE] = TLER_SHOW;
    if (!s.slow) {
        i32 count = MOVSTA.count;
        MVBCWD(count, s.number, s.type, s.st);
        if (s.st == 1) s.end = true;
        if (s.st == 2) s.layerflag = true;
        if (s.st >= 0 && s.number >= 0) s.key[2] = s.number;
    } else {
        single_steps(s, true);
    }
    if (s.end) MOVSTA.direction = 1;
    s.forward = false;
}

// JUMP START, JUMP END.
void jump_end(Stepper& s)
{
    if (TLER[TLER_MODE] == TLER_TRACE) TLER[TLER_MODE] = TLER_SHOW;
    if (MOVSTA.jump == 1) {
        JPSTRP(s.number, s.type, s.st);
        s.started = true;
        MOVSTA.direction = 1;
        // The blocks passed were shown, the tool's change with them: only
        // the message is left.
        if (s.st >= 0 && DSM4[DSM4_TOOL] != s.tool) {
            s.tool = DSM4[DSM4_TOOL];
            msg_mdls(317, 11);
        }
    } else {
        JPENDP(s.number, s.type, s.st);
        // As after JUMP START the user is told of a tool change: here by the
        // final display's redraw when a tool image is shown, else now.
        i32 inst = 0;
        tm_inst_id(1, inst);
        if (s.st >= 0 && DSM4[DSM4_TOOL] != s.tool && inst == 0) {
            s.tool = DSM4[DSM4_TOOL];
            msg_mdls(317, 11);
        }
        s.forced = true;
        MOVSTA.direction = 2;
        s.forward = true;
    }
    if (s.st >= 0 && s.number >= 0) s.key[2] = s.number;
    MOVSTA.jump = s.zjump ? 3 : 4;
    if (s.zjump) MOVSTA.direction = 3;
}

// JUMP BLOCK: to the target, or to the block picked on the procedure's
// list. False: STEPTL is done (a pick elsewhere, or status -2).
bool jump_block(Stepper& s)
{
    if (s.tgt < 0) {
        i32 picked[2] = {0, -1};
        i32 id = 0, n = 0;
        slpopb(id);
        if (id != 0) ncd_get_picked(id, picked, 2, n);
        if (n < 2 || picked[0] != s.key[1]) {
            usmsgc("PLEASE INDICATE ON ONE OF THE PROCEDURE BLOCKS");
            std::memcpy(s.key, s.previous, KEY_N * sizeof(i32));
            MOVSTA.direction = s.dir0;
            MOVSTA.jump = s.jump0;
            TLER[TLER_MODE] = s.tler;
            s.status = 0;
            return false;
        }
        s.tgt = picked[1];
    }
    MOVJMP[0] = s.previous[2];
    MOVJMP[1] = s.tgt;
    i32 fwd = 0;
    JPINDP(s.previous[2], s.tgt, s.type, fwd, s.st);
    s.forward = fwd != 0;
    if (s.st >= 0 || s.st == -2) s.key[2] = s.tgt;
    MOVSTA.direction = s.dir0;
    MOVSTA.jump = s.jump0;
    // A block not found in the list keeps its -2: the user has been told,
    // the tool stays, and the editor goes on instead of ending on a list
    // error as it would for -1.
    if (s.st == -2) {
        TLER[TLER_MODE] = s.tler;
        s.status = -2;
        return false;
    }
    return true;
}

// The move the direction and jump ask for. False: STEPTL is done.
bool move(Stepper& s)
{
    if (MOVSTA.direction == 1) step_forward(s);
    else if (MOVSTA.direction == 2) step_backward(s);
    else if (MOVSTA.jump == 1 || MOVSTA.jump == 2) jump_end(s);
    else if (MOVSTA.jump == 4) return jump_block(s);
    // JUMP LAYER/Z still standing here means its Z search failed: no move,
    // and the failure is reported, not taken for a JUMP BLOCK asking for a
    // pick.
    return true;
}

// The status, the attention and blanking of the blocks passed, the tool
// shown where it stopped.
void finish(Stepper& s)
{
    if (s.end && s.dir0 == 3 && MOVSTA.direction == 3) MOVSTA.direction = s.dir0;
    if (s.st < 0) {
        s.status = -1;
        TLER[TLER_MODE] = s.tler;
        return;
    }
    s.status = 0;
    const i32* key = s.key;
    const i32* previous = s.previous;
    if (!s.slow) attention(key, 1);
    if (MOVSTA.show == 2 && !s.slow) {
        if (s.forward) blank_range(previous[2] < 0 ? key[2] : previous[2], key[2], 0);
        else blank_range(key[2], previous[2] < 0 ? key[2] : previous[2], 0);
    } else if (MOVSTA.show == 3) {
        hide_tool();
        SHWLYR();
    }
    // Without a delay (0) and also with no delay at all (-1) the final
    // display is made: otherwise a step that showed nothing on its way
    // would show nothing at its end either.
    const bool show_final = s.dir0 == 3 || MOVSTA.step == 2 || s.delay <= 0.0f || s.forced;
    if (show_final && !(s.traced && s.forward && s.dir0 == 1) && !s.started) {
        redraw_changed_tool(s.tool);
        i32 dst = 0;
        display(s.dmode, dst);
        if (dst < 0) s.status = -3;
        if (s.layerflag) MOVSTA.layerz = wrd2r(DSP8[DSP8_POS + 2]);
    }
    if (s.status == 0 && s.end) s.status = 1;
    TLER[TLER_MODE] = s.tler;
}

}  // namespace

void STEPTL(const i32& target, const i32& delstart, const i32& mode, i32* key, i32& type, const f32& delay,
            const f32& z, i32& status)
{
    Stepper s{target, delstart, mode, key, type, delay, z, status};
    s.tler = TLER[TLER_MODE];
    s.tool = DSM4[DSM4_TOOL];
    s.dir0 = MOVSTA.direction;
    s.jump0 = MOVSTA.jump;
    status = -3;
    hide_tool();
    if (key[2] != -1 && key[2] != delstart && mode != 2) attention(key, 0);
    std::memcpy(s.previous, key, sizeof s.previous);
    blkkey(key, s.previous[2]);
    s.tgt = target;
    s.shift = zshift();
    if (!layer_step(s)) {
        status = -1;
        TLER[TLER_MODE] = s.tler;
        return;
    }
    z_jump(s);
    s.slow = (MOVSTA.direction == 1 || MOVSTA.direction == 2) && delay > 0.0f;
    s.dmode = s.tler == 2 ? 2 : 3;
    if (!s.done && !move(s)) return;
    finish(s);
}
