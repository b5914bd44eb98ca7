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
}  // namespace

void PRTBLK(const i32& mode, const i32& unit, const i32& medium, const i32& tp, const f32& scale, i32& type,
            i32& status)
{
    status = 0;
    type = -1;
    i32 size = 0, cls = 0, number = 0;
    const bool one = mode == LM_TPLIST;
    if (!(medium == AM_ENTITY && entity_head(size, type, status))) TPBLKH(medium, size, type, cls, status);
    if (status < 0) {
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", type);
        return;
    }
    switch (type) {
    case 0: {
        i32 h[HDR_WORDS];
        RDBT0(medium, size, number, h, status);
        if (status < 0) break;
        char name[8];
        std::memcpy(name, h, 8);
        f32 origin[3], home[3];
        for (int k = 0; k < 3; ++k) origin[k] = wrd2r(h[3 + k]), home[k] = wrd2r(h[6 + k]);
        if (one) {
            std::memcpy(LSTST.origin, origin, sizeof origin);
            shift(home);
        }
        PRTBT0(mode, tp, unit, number, name, h[2], origin, home, scale, h[20]);
        break;
    }
    case 1: {
        i32 code = 0, kind = 0, iv = 0;
        f32 rv = 0;
        RDBT1(medium, number, code, kind, iv, rv, status);
        if (status < 0) break;
        PRTBT1(mode, unit, number, code, iv, rv, status);
        if (one) break;
        // The item details: the block's words read again from its head
        // (an entity stream cannot go back: its values as read).
        i32 vstatus = 0, vtype = kind;
        if (medium != AM_ENTITY) {
            TPBLKH(medium, size, type, cls, status);
            if (status >= 0) RDBHD2(medium, number, code, vstatus, vtype, iv, rv, status);
            if (status < 0) break;
        }
        PRTPRM(unit, size, type, code, vstatus, vtype, iv, rv, status);
        break;
    }
    case 2:
    case 22:
    case 222: {
        i32 records = 0;
        f32 p[3], v[3];
        RDBT2(medium, type, size, records, number, p, v, status);
        if (status < 0) break;
        if (one) shift(p);
        PRBT02(mode, unit, number, type, scale, p, v);
        break;
    }
    case 3:
    case 23:
    case 223: {
        i32 plane = 0;
        f32 angle = 0, step = 0, c[2], e[3], v[3];
        RDBT3(medium, type, number, plane, angle, step, c, e, v, status);
        if (status < 0) break;
        if (one) {
            // The centre's two coordinates are those of the arc's plane.
            const int a = plane == 1 || plane == 2 ? 0 : 1, b = plane == 1 ? 1 : 2;
            c[0] -= LSTST.origin[a];
            c[1] -= LSTST.origin[b];
            shift(e);
        }
        PRBT03(mode, unit, type, number, plane, angle, c, scale, e, v);
        break;
    }
    case 4: {
        i32 length = 0;
        char text[80];
        RDBT4(medium, 0, number, length, text, status);
        if (status >= 0) PRBT04(mode, unit, number, length, text);
        break;
    }
    case 5:
    case 25:
    case 225: PRBT05(mode, unit, medium, size, type, scale, status); break;
    case 6: {
        f32 home[3], second[3];
        RDBT6(medium, number, home, second, status);
        if (status < 0) break;
        if (one) shift(home);
        PRBT06(mode, unit, number, scale, home);
        break;
    }
    case 7:
    case 27:
    case 227: {
        // Point by point; only the records the block's size holds are read.
        const i32 rec = type == 7 ? 4 : 7, records = (size - 1) / rec;
        i32 first = 0, all = 0, n = 0;
        PRBT07(mode, unit, type, records);
        for (i32 k = 0; k < records && status >= 0; ++k) {
            f32 p[3], v[3];
            RDBT2(medium, type, size, all, n, p, v, status);
            if (status < 0) break;
            if (k == 0) first = n;
            if (one) shift(p);
            PRTPNT(unit, type, first, scale, p, v);
        }
        if (status >= 0) pass_over(medium, size - records * rec);
        break;
    }
    case 8:
        usmsgc("WARNING! OLD DRILL FORMAT NO LONGER EXISTS!");
        TPSKIP(medium, size - 1, DT_INT, status);
        if (status > 0) status = 0;
        break;
    case 9: {
        i32 axes = 0, i2 = 0, view = 0;
        f32 centre[3], angle = 0, r2 = 0, vvalue = 0, end[3];
        RDBT9(medium, number, axes, centre, angle, i2, r2, view, vvalue, end, status);
        if (status < 0) break;
        if (one) {
            shift_view(centre, axes);
            // The rotation of the block turns the listing origin: about X
            // for axes 1 and 3, about Y for 2 and 4, by the angle in radians.
            f32 m[9], o[3];
            m3def(axes > 2 ? axes - 2 : axes, angle, m);
            m3vec(m, LSTST.origin, o);
            std::memcpy(LSTST.origin, o, sizeof o);
            shift(end);
        }
        PRBT09(mode, unit, number, axes, centre, angle, end, scale);
        break;
    }
    case 10: {
        i32 axes = 0, i2 = 0;
        f32 xp[3], yp[3], r = 0;
        RDBT10(medium, number, axes, xp, yp, i2, r, status);
        if (status < 0) break;
        if (one) {
            shift_view(xp, axes);
            shift_view(yp, axes);
        }
        PRBT10(mode, unit, number, axes, scale, xp, yp);
        break;
    }
    case 11: {
        i32 dtype = 0, steps = 0;
        f32 depth = 0, start[3], feed = 0;
        RDBT11(medium, number, dtype, depth, start, steps, feed, status);
        if (status < 0) break;
        if (one) shift(start);
        PRBT11(mode, unit, number, dtype, depth, start, steps, feed);
        break;
    }
    case 12: {
        i32 entity = -1, procnum = 0;
        if (medium == AM_ENTITY) gs_proc_id(1, entity);
        PRBT12(medium, tp, entity, mode, unit, procnum, status);
        break;
    }
    case 13: {
        i32 total = 0, current = 0;
        f32 s[3], e[3];
        RDBT13(medium, number, s, e, total, current, status);
        if (status < 0) break;
        if (one) shift(s), shift(e);
        PRBT13(mode, unit, number, s, e, total, current, scale);
        break;
    }
    case 14: {
        i32 gtype = 0;
        f32 s[3], e[3], six[6];
        RDBT14(medium, number, gtype, s, e, six, status);
        if (status < 0) break;
        if (one) shift(s), shift(e);
        PRBT14(mode, unit, number, gtype, s, e, six, scale, status);
        break;
    }
    case 30: {
        i32 code = 0, flag = 0, retract = 0;
        f32 delz = 0, depth = 0, clear = 0, initial = 0;
        RDBT30(medium, number, code, flag, delz, depth, clear, retract, initial, status);
        if (status < 0) break;
        if (flag == 0) delz = 0;
        PRBT30(mode, unit, number, code, delz, depth, clear, retract, initial);
        break;
    }
    case 31: {
        i32 i1 = 0;
        f32 p[3], d[3];
        RDBT31(medium, size, number, p, d, i1, status);
        if (status < 0) break;
        if (one) shift(p);
        PRBT31(mode, unit, number, p, d, scale);
        break;
    }
    case 33: {
        f32 r1 = 0, r2 = 0;
        RDBT33(medium, size, number, r1, r2, status);
        if (status >= 0) PRBT33(mode, unit, number, r1 - r2);
        break;
    }
    case 34: {
        i32 o = 0, n = 0;
        RDBT34(medium, number, o, n, status);
        if (status >= 0) PRBT34(mode, unit, number, o, n);
        break;
    }
    case 35: {
        i32 code = 0, i1 = 0, i2 = 0;
        f32 r1 = 0, r2 = 0, r3 = 0, r4 = 0;
        RDBT35(medium, number, code, i1, r1, r2, r3, i2, r4, status);
        if (status >= 0) PRBT35(mode, unit, number, code);
        break;
    }
    case 36: {
        f32 znew = 0, zold = 0;
        RDBT36(medium, number, znew, zold, status);
        if (status >= 0) PRBT36(mode, unit, number, znew, zold);
        break;
    }
    case 40: {
        f32 m[9], t[3];
        RDBT40(medium, number, m, t, status);
        if (status >= 0) PRBT40(mode, unit, number, m, t, scale);
        break;
    }
    case 99: {
        i32 kind = 0, iv = 0;
        f32 rv = 0;
        RDBHED(medium, number, kind, rv, iv, status);
        if (status >= 0) PRBT99(mode, unit, number, kind, scale, rv, iv, status);
        break;
    }
    case 32:
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", type);
        pass_over(medium, size);
        return;
    default:
        erou1c("PRTBLK - UNEXPECTED BLOCK TYPE", type);
        pass_over(medium, size);
        return;
    }
    if (status < 0) {
        erou1c("PRTBLK - ERROR IN BLOCK. BTYPE =", type);
        return;
    }
    status = 0;
}
