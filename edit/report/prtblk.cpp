// The block dispatcher of the listings: reads the block at the current
// position with the reader of its type, shifts its points to the listing
// origin in mode 1 and hands the values to the printer of the type.
#include <cstring>

#include "blocks/format.h"
#include "blocks/modal.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "edit/report/listing.h"
#include "edit/report/lstate.h"
#include "edit/report/printers.h"
#include "edit/report/procinfo.h"
#include "core/codedio.h"

namespace {
constexpr i32 TP_ENTITY = 3, PROC_ENTITY = 4;  // entity types of class 9

void shift(f32* p)
{
    for (int k = 0; k < 3; ++k) p[k] -= LSTST.origin[k];
}

// A point of a rotation block in the view of its axes, relative to the
// listing origin.
void shift_view(f32* p, i32 axes)
{
    f32 w[3], v[3];
    mapm2w(p, w);
    mapw2v(w, axes, 1, v);
    for (int k = 0; k < 3; ++k) p[k] = v[k] - LSTST.origin[k];
}

// The head of the block at the position: at the start of an open tool path
// or procedure entity the block has no type word; true when it is such a head.
bool entity_head(i32& size, i32& type, i32& status)
{
    i32 open = 0, position = 0, id = 0;
    eginfo(open, position, id);
    if (open == 0 || position != 0) return false;
    i32 cls = 0, etype = 0, count = 0, st = 0, none = 0;
    dbdget(id, cls, etype, &none, count, st);
    if (cls != 9 || (etype != TP_ENTITY && etype != PROC_ENTITY)) return false;
    if (etype == TP_ENTITY) {
        type = 0;
        TPBLKS(AM_ENTITY, size, status);
    } else {
        type = 12;
        size = 0;
    }
    return true;
}

// Passes over the rest of a block in an entity stream: the next block is
// then read from its start.
void pass_over(const i32& medium, i32 size)
{
    i32 st = 0;
    if (medium == AM_ENTITY && size > 1) TPSKIP(AM_ENTITY, size - 1, DT_INT, st);
}

// One block being listed: the call and the block's head.
struct Blk {
    const i32& mode;
    const i32& unit;
    const i32& medium;
    const i32& tp;
    const f32& scale;
    i32& type;
    i32& status;
    i32 size = 0, cls = 0, number = 0;
    bool one = false;  // the listing of one tool path: points shifted to its origin
};

// Type 0: the tool path header; in mode 1 its origin becomes the listing origin.
void header(Blk& b)
{
    i32 h[HDR_WORDS];
    RDBT0(b.medium, b.size, b.number, h, b.status);
    if (b.status < 0) return;
    char name[8];
    std::memcpy(name, h, 8);
    f32 origin[3], home[3];
    for (int k = 0; k < 3; ++k) origin[k] = wrd2r(h[3 + k]), home[k] = wrd2r(h[6 + k]);
    if (b.one) {
        std::memcpy(LSTST.origin, origin, sizeof origin);
        shift(home);
    }
    PRTBT0(b.mode, b.tp, b.unit, b.number, name, h[2], origin, home, b.scale, h[20]);
}

// Type 1: a parameter item, with its details outside mode 1.
void parameter(Blk& b)
{
    i32 code = 0, kind = 0, iv = 0;
    f32 rv = 0;
    RDBT1(b.medium, b.number, code, kind, iv, rv, b.status);
    if (b.status < 0) return;
    PRTBT1(b.mode, b.unit, b.number, code, iv, rv, b.status);
    if (b.one) return;
    // The item details: the block's words read again from its head
    // (an entity stream cannot go back: its values as read).
    i32 vstatus = 0, vtype = kind;
    if (b.medium != AM_ENTITY) {
        TPBLKH(b.medium, b.size, b.type, b.cls, b.status);
        if (b.status >= 0) RDBHD2(b.medium, b.number, code, vstatus, vtype, iv, rv, b.status);
        if (b.status < 0) return;
    }
    PRTPRM(b.unit, b.size, b.type, code, vstatus, vtype, iv, rv, b.status);
}

// Types 2, 22, 222: a linear move.
void line(Blk& b)
{
    i32 records = 0;
    f32 p[3], v[3];
    RDBT2(b.medium, b.type, b.size, records, b.number, p, v, b.status);
    if (b.status < 0) return;
    if (b.one) shift(p);
    PRBT02(b.mode, b.unit, b.number, b.type, b.scale, p, v);
}

// Types 3, 23, 223: a circular move.
void arc(Blk& b)
{
    i32 plane = 0;
    f32 angle = 0, step = 0, c[2], e[3], v[3];
    RDBT3(b.medium, b.type, b.number, plane, angle, step, c, e, v, b.status);
    if (b.status < 0) return;
    if (b.one) {
        // The centre's two coordinates are those of the arc's plane.
        const int x = plane == 1 || plane == 2 ? 0 : 1, y = plane == 1 ? 1 : 2;
        c[0] -= LSTST.origin[x];
        c[1] -= LSTST.origin[y];
        shift(e);
    }
    PRBT03(b.mode, b.unit, b.type, b.number, plane, angle, c, b.scale, e, v);
}

// Type 6: the home point.
void home(Blk& b)
{
    f32 p[3], second[3];
    RDBT6(b.medium, b.number, p, second, b.status);
    if (b.status < 0) return;
    if (b.one) shift(p);
    PRBT06(b.mode, b.unit, b.number, b.scale, p);
}

// Types 7, 27, 227: a point list, point by point; only the records the
// block's size holds are read.
void points(Blk& b)
{
    const i32 rec = bt_point_words(b.type), records = (b.size - 1) / rec;
    i32 first = 0, all = 0, n = 0;
    PRBT07(b.mode, b.unit, b.type, records);
    for (i32 k = 0; k < records && b.status >= 0; ++k) {
        f32 p[3], v[3];
        RDBT2(b.medium, b.type, b.size, all, n, p, v, b.status);
        if (b.status < 0) break;
        if (k == 0) first = n;
        if (b.one) shift(p);
        PRTPNT(b.unit, b.type, first, b.scale, p, v);
    }
    if (b.status >= 0) pass_over(b.medium, b.size - records * rec);
}

// Type 9: a rotation; in mode 1 it turns the listing origin.
void rotation(Blk& b)
{
    i32 axes = 0, i2 = 0, view = 0;
    f32 centre[3], angle = 0, r2 = 0, vvalue = 0, end[3];
    RDBT9(b.medium, b.number, axes, centre, angle, i2, r2, view, vvalue, end, b.status);
    if (b.status < 0) return;
    if (b.one) {
        shift_view(centre, axes);
        // The rotation of the block turns the listing origin: about X
        // for axes 1 and 3, about Y for 2 and 4, by the angle in radians.
        // The host's view-to-view transform takes two views, and a
        // rotation block names one axis and an angle: the matrix is built
        // from those.
        f32 m[9], o[3];
        m3def(axes > 2 ? axes - 2 : axes, angle, m);
        m3vec(m, LSTST.origin, o);
        std::memcpy(LSTST.origin, o, sizeof o);
        shift(end);
    }
    PRBT09(b.mode, b.unit, b.number, axes, centre, angle, end, b.scale);
}

// Type 10: a rotation by two axis points.
void rotation_axes(Blk& b)
{
    i32 axes = 0, i2 = 0;
    f32 xp[3], yp[3], r = 0;
    RDBT10(b.medium, b.number, axes, xp, yp, i2, r, b.status);
    if (b.status < 0) return;
    if (b.one) {
        shift_view(xp, axes);
        shift_view(yp, axes);
    }
    PRBT10(b.mode, b.unit, b.number, axes, b.scale, xp, yp);
}

// Type 11: a drilling cycle.
void drill(Blk& b)
{
    i32 dtype = 0, steps = 0;
    f32 depth = 0, start[3], feed = 0;
    RDBT11(b.medium, b.number, dtype, depth, start, steps, feed, b.status);
    if (b.status < 0) return;
    if (b.one) shift(start);
    PRBT11(b.mode, b.unit, b.number, dtype, depth, start, steps, feed);
}

// Types 13 and 14: a move between two points, and a geometry block.
void two_points(Blk& b)
{
    f32 s[3], e[3];
    if (b.type == BT_THREAD) {
        i32 total = 0, current = 0;
        RDBT13(b.medium, b.number, s, e, total, current, b.status);
        if (b.status < 0) return;
        if (b.one) shift(s), shift(e);
        PRBT13(b.mode, b.unit, b.number, s, e, total, current, b.scale);
        return;
    }
    i32 gtype = 0;
    f32 six[6];
    RDBT14(b.medium, b.number, gtype, s, e, six, b.status);
    if (b.status < 0) return;
    if (b.one) shift(s), shift(e);
    PRBT14(b.mode, b.unit, b.number, gtype, s, e, six, b.scale, b.status);
}

// Type 30: a cycle definition; its Z step counts only when flagged.
void cycle(Blk& b)
{
    i32 code = 0, flag = 0, retract = 0;
    f32 delz = 0, depth = 0, clear = 0, initial = 0;
    RDBT30(b.medium, b.number, code, flag, delz, depth, clear, retract, initial, b.status);
    if (b.status < 0) return;
    if (flag == 0) delz = 0;
    PRBT30(b.mode, b.unit, b.number, code, delz, depth, clear, retract, initial);
}

// Type 31: a point with a direction.
void direction(Blk& b)
{
    i32 i1 = 0;
    f32 p[3], d[3];
    RDBT31(b.medium, b.size, b.number, p, d, i1, b.status);
    if (b.status < 0) return;
    if (b.one) shift(p);
    PRBT31(b.mode, b.unit, b.number, p, d, b.scale);
}

// Types 33 to 36, 40 and 99: the blocks printed from their words as read.
void words(Blk& b)
{
    const i32 &medium = b.medium, &mode = b.mode, &unit = b.unit;
    i32& number = b.number;
    i32& status = b.status;
    if (b.type == BT_DELZ) {
        f32 r1 = 0, r2 = 0;
        RDBT33(medium, b.size, number, r1, r2, status);
        if (status >= 0) PRBT33(mode, unit, number, r1 - r2);
    } else if (b.type == BT_RETMODE) {
        i32 o = 0, n = 0;
        RDBT34(medium, number, o, n, status);
        if (status >= 0) PRBT34(mode, unit, number, o, n);
    } else if (b.type == BT_CYCLEOFF) {
        i32 code = 0, i1 = 0, i2 = 0;
        f32 r1 = 0, r2 = 0, r3 = 0, r4 = 0;
        RDBT35(medium, number, code, i1, r1, r2, r3, i2, r4, status);
        if (status >= 0) PRBT35(mode, unit, number, code);
    } else if (b.type == BT_DEPTH) {
        f32 znew = 0, zold = 0;
        RDBT36(medium, number, znew, zold, status);
        if (status >= 0) PRBT36(mode, unit, number, znew, zold);
    } else if (b.type == BT_TRANSFORM) {
        f32 m[9], t[3];
        RDBT40(medium, number, m, t, status);
        if (status >= 0) PRBT40(mode, unit, number, m, t, b.scale);
    } else {
        i32 kind = 0, iv = 0;
        f32 rv = 0;
        RDBHED(medium, number, kind, rv, iv, status);
        if (status >= 0) PRBT99(mode, unit, number, kind, b.scale, rv, iv, status);
    }
}

// Reads and prints the block by its type. False: a type that cannot be
// listed, reported and passed over.
bool print_block(Blk& b)
{
    switch (b.type) {
    case 0: header(b); break;
    case 1: parameter(b); break;
    case 2:
    case 22:
    case 222: line(b); break;
    case 3:
    case 23:
    case 223: arc(b); break;
    case 4: {
        i32 length = 0;
        char text[80];
        RDBT4(b.medium, 0, b.number, length, text, b.status);
        if (b.status >= 0) PRBT04(b.mode, b.unit, b.number, length, text);
        break;
    }
    // Every NURBS type goes to the NURBS printer: refused as unexpected,
    // a curve with axes would be left out of the listing, and in an entity
    // stream its words would be read as the next blocks.
    case 5:
    case 25:
    case 225: PRBT05(b.mode, b.unit, b.medium, b.size, b.type, b.scale, b.status); break;
    case 6: home(b); break;
    case 7:
    case 27:
    case 227: points(b); break;
    case 8:
        usmsgc("WARNING! OLD DRILL FORMAT NO LONGER EXISTS!");
        TPSKIP(b.medium, b.size - 1, DT_INT, b.status);
        if (b.status > 0) b.status = 0;
        break;
    case 9: rotation(b); break;
    case 10: rotation_axes(b); break;
    case 11: drill(b); break;
    case 12: {
        // The procedure block's values are read by PRBT12 itself, through
        // the procedure information readers, which also give the values
        // that lie outside the block: the block reader is not called here.
        i32 entity = -1, procnum = 0;
        if (b.medium == AM_ENTITY) gs_proc_id(1, entity);
        PRBT12(b.medium, b.tp, entity, b.mode, b.unit, procnum, b.status);
        break;
    }
    case 13:
    case 14: two_points(b); break;
    case 30: cycle(b); break;
    case 31: direction(b); break;
    case 33:
    case 34:
    case 35:
    case 36:
    case 40:
    case 99: words(b); break;
    case 32:
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", b.type);
        pass_over(b.medium, b.size);
        return false;
    default:
        erou1c("PRTBLK - UNEXPECTED BLOCK TYPE", b.type);
        pass_over(b.medium, b.size);
        return false;
    }
    return true;
}
}  // namespace

void PRTBLK(const i32& mode, const i32& unit, const i32& medium, const i32& tp, const f32& scale, i32& type,
            i32& status)
{
    status = 0;
    type = -1;
    Blk b{mode, unit, medium, tp, scale, type, status};
    b.one = mode == LM_TPLIST;
    if (!(medium == AM_ENTITY && entity_head(b.size, type, status))) TPBLKH(medium, b.size, type, b.cls, status);
    if (status < 0) {
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", type);
        return;
    }
    if (!print_block(b)) return;
    if (status < 0) {
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", type);
        return;
    }
    status = 0;
}
