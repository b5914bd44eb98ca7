#include "blocks/movement.h"

#include <cmath>
#include <cstring>

#include "blocks/format.h"
#include "blocks/marker.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/intchk.h"
#include "blocks/listdsp.h"
#include "core/records.h"

MoveState MOVST;
i32 TPMACH = 22;

namespace {
const f32 ZAXIS[3] = {0, 0, 1};

void copy3(f32* to, const f32* from) { std::memcpy(to, from, 3 * sizeof(f32)); }

bool same3(const f32* a, const f32* b)
{
    for (int k = 0; k < 3; ++k) {
        f32 d = a[k] - b[k];
        if (!eqval0(d)) return false;
    }
    return true;
}

bool splits(i32 machine) { return mach_punch(machine) || machine == MACH_MILL25 || machine == MACH_LATHE; }

// Shows the block just written; true when a pause was asked.
bool shown(i32 display)
{
    if (display != 1) return false;
    i32 flag = 0, status = 0;
    DISPLB(1, flag, status);
    return flag != 0;
}

// Shows the block just written and opens the execution menu when a pause
// was asked.
void show(i32 display)
{
    if (shown(display)) INTMNU(1);
}

// The segments of a move: one, or two for a machine that cannot move on
// three axes at once.
i32 segments(const f32* to, f32 seg[2][3])
{
    const f32* from = MOVST.point;
    f32 dx = to[0] - from[0], dy = to[1] - from[1], dz = to[2] - from[2];
    if (splits(TPMACH) && !eqval0(dx) && !eqval0(dy) && !eqval0(dz)) {
        if (to[2] > from[2]) {
            seg[0][0] = from[0], seg[0][1] = from[1], seg[0][2] = to[2];
        } else {
            seg[0][0] = to[0], seg[0][1] = to[1], seg[0][2] = from[2];
        }
        copy3(seg[1], to);
        return 2;
    }
    copy3(seg[0], to);
    return 1;
}

bool repeated(i32 type, const f32* point, const f32* vector)
{
    if (LSP2[LSP2_MOVED] == 0 || !same3(point, MOVST.point)) return false;
    if (type == BT_LINE || type == BT_STRING) return true;
    if (type == BT_LINE5 || type == BT_STRING5) return same3(vector, MOVST.axis);
    return same3(vector, MOVST.normal);
}

void update(i32 type, const f32* point, const f32* vector)
{
    copy3(MOVST.point, point);
    copy3(MOVST.axis, type == BT_LINE5 || type == BT_STRING5 || type == BT_ARC5 ? vector : ZAXIS);
    copy3(MOVST.normal, type == BT_LINEN || type == BT_STRINGN || type == BT_ARCN ? vector : ZAXIS);
}
}  // namespace

void MOVCLR()
{
    std::memset(&MOVST, 0, sizeof MOVST);
    copy3(MOVST.axis, ZAXIS);
    copy3(MOVST.normal, ZAXIS);
    LSP2[LSP2_MOVED] = 0;
}

i32 NORMFL() { return PRM9[PRM9_SHOWTOOL]; }

bool multax(i32 machine) { return machine == MACH_MILL4 || machine == MACH_MILL5 || mach_wire(machine); }

void RSTMOV() { LSP2[LSP2_MOVED] = 0; }

void PLINE(const i32& kind, const f32* point, const f32* vector, const i32& display, i32& status)
{
    i32 disp = display;
    if (disp != 1 && disp != 2) {
        eroutc("PLINE, WRONG MODE", 0);
        disp = 1;
    }
    status = 0;
    i32 type = kind == 1 ? 2 : kind == 2 ? 222 : 22;
    if (repeated(type, point, vector)) return;
    LSP2[LSP2_MOVED] = 1;
    PTAMCH(status);
    if (status < 0) return;
    f32 seg[2][3];
    i32 n = segments(point, seg);
    i32 first = 0;
    bool pause = false;
    if (MOVST.newproc != 0 && multax(TPMACH) && type != BT_LINE5) {
        PTBT2(AM_APPEND, BT_LINE5, seg[0], ZAXIS, 0, status);
        if (status < 0) return;
        MOVST.closed = 0;
        MOVST.strtype = 0;
        pause = shown(disp);
        if (type == BT_LINE) first = 1;
    }
    MOVST.newproc = 0;
    for (i32 s = first; s < n; ++s) {
        PTBT2(AM_APPEND, type, seg[s], vector, 0, status);
        if (status < 0) return;
        MOVST.closed = 0;
        MOVST.strtype = 0;
        pause = shown(disp) || pause;
    }
    // The execution menu comes after the state is updated: a stop taken
    // there leaves the last point at the move just written.
    update(type, point, vector);
    if (pause) INTMNU(1);
}

void MOVLIN(const i32& kind, const f32* point, const f32* vector, i32& status)
{
    i32 k = kind == 2 && NORMFL() == 0 ? 1 : kind;
    PLINE(k, point, vector, 1, status);
}

void MOVLNS(const i32& kind, const f64* point, const f64* vector, i32& status)
{
    const f32 p[3] = {static_cast<f32>(point[0]), static_cast<f32>(point[1]), static_cast<f32>(point[2])};
    const f32 v[3] = {static_cast<f32>(vector[0]), static_cast<f32>(vector[1]), static_cast<f32>(vector[2])};
    MOVLIN(kind, p, v, status);
}

void MOVLN2(const i32& kind, const f32* point, const f32* vector, i32& status) { PLINE(kind, point, vector, 2, status); }

void PCLSRQ(i32& status)
{
    MOVST.restart = 1;
    status = 0;
}

void PCLST1() { PCLSST(1); }

namespace {
// Opens a new string block of the type.
void open_string(i32 kind, i32 type, i32& status)
{
    PTSTRO(kind, status);
    if (status < 0) return;
    MOVST.strtype = type;
    lacces(0, MOVST.strcode);
    lskip(status, 1);  // back after the type word
    status = 0;
    MOVST.closed = 0;
}

// True when the open string block of the type is still the element under
// the cursor; the word position then goes to its end.
bool string_open(i32 type)
{
    if (MOVST.strtype != type || MOVST.closed != 0) return false;
    i32 code = 0;
    lacces(0, code);
    if (code != MOVST.strcode) return false;
    i32 words = 0, st = 0;
    lleng(words);
    lskip(st, words);
    return st >= 0;
}

// Makes room for one more point record in the open string block.
void room_for(i32 kind, i32 type, i32& status)
{
    i32 words = bt_point_words(type);
    i32 room = 0;
    lroom(words, room);
    if (room != 0) return;
    PCLST1();
    open_string(kind, type, status);
    if (status < 0) return;
    lroom(words, room);
    // One new block is tried: when even an empty string block cannot take
    // the point, opening more would loop without end.
    if (room == 0) {
        eroutc("MOVSTR, A STRING POINT DOES NOT FIT A LIST ELEMENT", 0);
        status = -1;
    }
}
}  // namespace

void MOVSTR(const i32& kind, const f32* point, const f32* vector, i32& status)
{
    status = 0;
    i32 k = kind == 2 && NORMFL() == 0 ? 1 : kind;
    i32 type = k == 1 ? 7 : k == 2 ? 227 : 27;
    if (repeated(type, point, vector)) return;
    f32 seg[2][3];
    i32 n = segments(point, seg);
    i32 first = 0;
    if (MOVST.newproc != 0 && multax(TPMACH) && type != BT_STRING5) {
        if (MOVST.restart == 0) {
            PCLST1();
            MOVST.restart = 1;
        }
        PTBT2(AM_APPEND, BT_LINE5, seg[0], ZAXIS, 0, status);
        if (status < 0) return;
        MOVST.strtype = 0;
        // The start line is shown as every line is, and like them opens the
        // execution menu when the user asked for a pause at its display: the
        // host reports that request once, and no string point after it is
        // shown to report it again.
        show(1);
        if (type == BT_STRING) first = 1;
    }
    MOVST.newproc = 0;
    for (i32 s = first; s < n; ++s) {
        // A new string block also when the element under the cursor is not
        // the open string of this type: points appended to another element
        // would corrupt it.
        if (MOVST.restart != 0 || !string_open(type)) {
            open_string(k, type, status);
            if (status < 0) return;
            MOVST.restart = 0;
        }
        room_for(k, type, status);
        if (status < 0) return;
        i32 number = 0;
        NXTBLN(number);
        PTSTRP(AM_APPEND, type, number, seg[s], vector, status);
        if (status < 0) return;
    }
    update(type, point, vector);
}

void PCIRC(const i32& kind, const i32& plane, const f32& angle, const f32& step, const f32* centre, const f32* end,
           const f32* vector, const i32& display, i32& status)
{
    i32 disp = display;
    if (disp != 1 && disp != 2) {
        eroutc("PCIRC, WRONG MODE", 0);
        disp = 1;
    }
    status = 0;
    i32 type = kind == 1 ? 3 : kind == 2 ? 223 : 23;
    PTAMCH(status);
    if (status < 0) return;
    bool pause = false;
    if (MOVST.newproc != 0 && multax(TPMACH) && type != BT_ARC5) {
        // The shown tool position.
        const f32 here[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
        PTBT2(AM_APPEND, BT_LINE5, here, ZAXIS, 0, status);
        if (status < 0) return;
        pause = shown(disp);
    }
    MOVST.newproc = 0;
    PTBT3(AM_APPEND, type, plane, angle, step, centre, end, vector, 0, status);
    if (status < 0) return;
    MOVST.closed = 0;
    MOVST.strtype = 0;
    pause = shown(disp) || pause;
    update(type, end, vector);
    // A pause asked while an arc is shown is honoured as after a line (the
    // request would otherwise be lost), once the state is updated.
    if (pause) INTMNU(1);
}

f32 arc_step_angle(const f32& tolerance, const f32& radius, const f32& angle)
{
    const f64 cap = 36.0 * M_PI / 180.0;
    if (radius == 0) return 0;
    f64 c = 1.0 - static_cast<f64>(tolerance) / static_cast<f64>(radius);
    // Outside -1..1 the arccos has no value: a tolerance above the diameter
    // takes the half turn (then the cap), a negative one (or a negative
    // radius) the step 0, that is the whole angle.
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    f64 step = 2.0 * std::acos(c);
    if (step == 0) step = angle;
    if (step > cap) step = cap;
    return static_cast<f32>(step);
}

void PARCPT(const i32& kind, const f32& tolerance, const i32& plane, const f32& angle, const f32* centre,
            const f32* end, const f32* vector, i32& status)
{
    status = 0;
    if (angle == 0) return;
    i32 a = plane == 1 ? 0 : plane == 2 ? 0 : 1;
    i32 b = plane == 1 ? 1 : 2;
    f32 dx = end[a] - centre[0], dy = end[b] - centre[1];
    f32 r = std::sqrt(dx * dx + dy * dy);
    if (r == 0) return;
    f32 step = arc_step_angle(tolerance, r, angle);
    i32 k = kind == 2 && NORMFL() == 0 ? 1 : kind;
    PCIRC(k, plane, angle, step, centre, end, vector, 1, status);
}

void PARCLK(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status)
{
    PARCPT(kind, 0.1f, plane, angle, centre, end, vector, status);
}

void PARCOP(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status)
{
    status = 0;
    if (angle == 0) return;
    i32 a = plane == 1 ? 0 : plane == 2 ? 0 : 1;
    i32 b = plane == 1 ? 1 : 2;
    f32 dx = end[a] - centre[0], dy = end[b] - centre[1];
    f32 r = std::sqrt(dx * dx + dy * dy);
    if (r == 0) return;
    PCIRC(kind, plane, angle, arc_step_angle(0.1f, r, angle), centre, end, vector, 2, status);
}

void PNURBS(const i32& unused, const i32& display, const i32& k, const i32& n, const f64* knots,
            const f64* points, i32& status)
{
    status = 0;
    LSP2[LSP2_MOVED] = 1;
    PTAMCH(status);
    if (status < 0) return;
    PTBT5(AM_APPEND, BT_NURBS, k, n, knots, points, 0, status);
    if (status < 0) return;
    MOVST.closed = 0;
    MOVST.strtype = 0;
    // A curve is a movement writer too: it takes the procedure's first move,
    // so the next line must not open a procedure start behind it.
    MOVST.newproc = 0;
    if (n > 0) {
        const f32 last[3] = {static_cast<f32>(points[3 * n - 3]), static_cast<f32>(points[3 * n - 2]),
                             static_cast<f32>(points[3 * n - 1])};
        copy3(MOVST.point, last);
    }
    copy3(MOVST.axis, ZAXIS);
    copy3(MOVST.normal, ZAXIS);
    show(display);
}

void PNURB1(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status)
{
    PNURBS(0, 1, k, n, knots, points, status);
}

void PNURB2(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status)
{
    PNURBS(0, 2, k, n, knots, points, status);
}

void PUTMRK(const i32& action, const i32& code, const i32& kind, const f32& rvalue, const i32& ivalue,
            i32& status)
{
    status = 0;
    if (kind == 0) return;
    // A marker that cannot be written leaves the stack as it found it, so
    // that the stack tells the markers really open in the list.
    const i32 top = MRKSTK.top;
    i32 pk = 0, pc = 0;
    bool matched = false;
    if (action == 2) {
        tp_mrkr_pop(pk, pc);
        matched = pk == 1 && pc == code;
        if (!matched) {
            usmsgc(MRKMSG);
            tp_mrkr_push(pk, pc);
            const i32 two = 2;
            tp_mrkr_push(two, code);
        }
    } else {
        tp_mrkr_push(action, code);
    }
    auto undo = [&]() {
        i32 k = 0, c = 0;
        while (MRKSTK.top > top) tp_mrkr_pop(k, c);
        if (matched) tp_mrkr_push(pk, pc);
    };
    if (kind < 0) {
        PTAMCH(status);
        if (status < 0) return undo();
    }
    i32 k = kind < 0 ? -kind : kind;
    PTBT99(AM_APPEND, k, rvalue, ivalue, 0, status);
    if (status < 0) return undo();
    MOVST.strtype = 0;
    show(1);
}

void tp_marker(const i32& action, const i32& cls, const i32& kind, const f32& rvalue, const i32& ivalue,
               i32& status)
{
    PUTMRK(action, cls, kind, rvalue, ivalue, status);
}

void PCLSST(const i32& mode)
{
    i32 m = mode;
    if (m != -1 && m != 1 && m != 2) {
        eroutc("PCLSST, WRONG MODE", 0);
        m = 1;
    }
    if (MOVST.closed != 0) return;
    MOVST.closed = 1;
    MOVST.strtype = 0;
    lclos();
    f32 p[3], a[3], nrm[3];
    copy3(p, MOVST.point);
    copy3(a, MOVST.axis);
    copy3(nrm, MOVST.normal);
    i32 flag = 0;
    if (m == 1 || m == -1) {
        i32 st = 0;
        DISPLB(1, flag, st);
    }
    copy3(MOVST.point, p);
    copy3(MOVST.axis, a);
    copy3(MOVST.normal, nrm);
    if (flag != 0 && m != -1) INTMNU(1);
}

void CURBLK(i32& number)
{
    i32 list = 0;
    gtlstn(1, list);
    gsblkn(1, list, number);
}
