#include "blocks/navig.h"

#include <cstring>
#include <vector>

#include "blocks/endpt.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

bool gives_position(const i32& type, const i32& cls) { return cls == BC_MOVE && type != BT_OBSOLETE; }

void WENDPT(const i32& mode, const i32& type, const i32& size, f32* point, f32* direction, i32& number,
            i32& status)
{
    status = 0;
    direction[0] = direction[1] = 0, direction[2] = 1;
    const i32 m = rdmode(mode);
    auto ints = [&](i32 n, i32* to) {
        if (status >= 0) tpget(m, n, DT_INT, to, status);
    };
    auto reals = [&](i32 n, f32* to) {
        if (status >= 0) tpget(m, n, DT_REAL, to, status);
    };
    auto skip = [&](i32 n) {
        if (status >= 0 && n > 0) TPSKIP(m, n, DT_INT, status);
    };
    switch (type) {
    case BT_LINE: case BT_LINE5: case BT_LINEN:
        ints(1, &number);
        reals(3, point);
        if (type == BT_LINE5) reals(3, direction);
        break;
    case BT_ARC: case BT_ARC5: case BT_ARCN:
        ints(1, &number);
        skip(5);
        reals(3, point);
        if (type == BT_ARC5) reals(3, direction);
        break;
    case BT_STRING: case BT_STRING5: case BT_STRINGN: {
        // The first point, the middle points passed over, the last point.
        const i32 rec = bt_point_words(type);
        const i32 m_points = (size - 1) / rec;
        // A string without a point has no end point: reading one would run
        // past the block, so it fails like a block that moves nothing.
        if (m_points < 1) {
            status = -1;
            break;
        }
        f32 vec[3] = {0, 0, 1};
        ints(1, &number);
        reals(3, point);
        if (type != BT_STRING) reals(3, vec);
        if (m_points > 1) {
            if (status >= 0 && m_points > 2) {
                TPSKIP(m, rec * (m_points - 2), DT_INT, status);
                if (status < 0) eroutc("WENDPT, ERRORS IN LIST", 0);
            }
            ints(1, &number);
            reals(3, point);
            if (type != BT_STRING) reals(3, vec);
        }
        if (type == BT_STRING5) std::memcpy(direction, vec, sizeof vec);
        break;
    }
    case BT_NURBS: case BT_NURBS5: case BT_NURBSN: {
        i32 kn[3] = {0, 0, 0};
        ints(3, kn);
        number = kn[0];
        // Without a control point there is none to answer (and the skip to
        // control point n would go backwards): the block fails.
        if (status >= 0 && kn[2] < 1) {
            status = -1;
            break;
        }
        skip(4 * kn[2] - 3);
        reals(3, point);
        skip(kn[1]);
        break;
    }
    case BT_DRILLPT:
        ints(1, &number);
        reals(3, point);
        // A drill location too short to hold its direction keeps (0, 0, 1)
        // rather than reading words beyond the block.
        if (size >= 7) reals(3, direction);
        break;
    case BT_ROTATION:
        ints(1, &number);
        skip(9);
        reals(3, point);
        break;
    case BT_LDRILL:
        ints(1, &number);
        skip(2);
        reals(3, point);
        break;
    case BT_THREAD:
        ints(1, &number);
        skip(3);
        reals(3, point);
        break;
    case BT_GROOVE:
        ints(1, &number);
        skip(1);
        reals(3, point);
        break;
    default:
        // Type 8 (and any block that moves nothing) holds no end point: the
        // caller's point is left as it was, so the answer is a failure rather
        // than a position that was never read.
        status = -1;
        break;
    }
    if (status > 0) status = 0;
}

namespace {
// The status line's tool position.
void shown_position(f32* point, f32* direction)
{
    for (int k = 0; k < 3; ++k) {
        point[k] = wrd2r(DSP8[DSP8_POS + k]);
        direction[k] = wrd2r(DSP8[DSP8_AXIS + k]);
    }
}

// The tool position before (way -1) or after (way 1) the cursor.
void position(i32 way, const i32& include, f32* point, f32* direction, i32& number, i32& status, const char* nomark,
              const char* listerr)
{
    status = 0;
    number = -1;
    i32 answer = 0;
    lmark(1, 1, answer);
    if (answer < 1) {
        eroutc(nomark, 0);
        status = -1;
        return;
    }
    auto restore = [&] {
        i32 st = 0;
        TPTOP(1, st);
    };
    bool first = false, found = false, look = include != 0;
    i32 pos = 0;
    lgtpos(pos);
    if (pos == 0 && way > 0) {
        // The cursor stands before the first block: the move lands on it.
        lacces(2, answer);
        if (answer < 0) {
            eroutc(listerr, 0);
            restore();
            status = -2;
            return;
        }
        look = true;
        first = true;
    }
    while (true) {
        if (!look) {
            i32 jst = 0;
            TPJUMP(way, jst);
            if (jst == -2 && way > 0) {
                eroutc(listerr, 0);
                restore();
                status = -2;
                return;
            }
            if (jst == -2) {
                first = true;
                break;
            }
            if (jst == -1) {
                eroutc(listerr, 0);
                restore();
                status = -1;
                return;
            }
            if (jst == 1) first = true;
        }
        look = false;
        i32 size = 0, type = 0, cls = 0, hst = 0;
        TPBLKH(AM_LIST, size, type, cls, hst);
        if (hst < 0) {
            eroutc(listerr, 0);
            restore();
            status = -1;
            return;
        }
        if (gives_position(type, cls)) {
            found = true;
            break;
        }
        if (first) break;
    }
    if (!found) {
        // Back at the mark: a movement block there is the answer itself.
        restore();
        i32 at = 0;
        lgtpos(at);
        bool here = false;
        if (at > 0) {
            i32 size = 0, type = 0, cls = 0, hst = 0;
            TPBLKH(AM_LIST, size, type, cls, hst);
            here = hst >= 0 && gives_position(type, cls);
            if (!here) restore();
        }
        if (!here) {
            shown_position(point, direction);
            status = first ? 1 : 0;
            return;
        }
    }
    i32 est = 0;
    ENDPT(point, direction, number, est);
    // Back at the mark in every case, the block at the mark included: the
    // end point read leaves the cursor inside that block's words, where the
    // caller's next read would start mid-block.
    restore();
    if (est < 0) {
        eroutc(listerr, 0);
        status = -1;
        return;
    }
    status = first ? 1 : 0;
}
}  // namespace

void PRVPNT(const i32& include, f32* point, f32* direction, i32& number, i32& status)
{
    position(-1, include, point, direction, number, status, "PRVPNT, CANNOT SET A MARKER", "PRVPNT, ERRORS IN LIST");
}

void NXTPOI(const i32& include, f32* point, f32* direction, i32& number, i32& status)
{
    position(1, include, point, direction, number, status, "NXTPOI - CANNOT SET A MARKER", "NXTPOI,ERRORS IN LIST");
}

void FSTLST(f32* first, f32* firstdir, f32* last, f32* lastdir, i32& none, i32& status)
{
    none = 1;
    status = 0;
    i32 answer = 0;
    lacces(0, answer);
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_APPEND, size, type, cls, status);
    // A refused access (-2) leaves the word position where it was, so the
    // header read after it may start inside the block: the block counts as
    // unread, as when the header read itself fails, not as a procedure.
    if (answer < -1 || status < 0 || type != BT_PROC) {
        eroutc("FSTLST,THE CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK", 0);
        status = -1;
        return;
    }
    // Item 27 is the flag group, not one value; its "0" is read as the
    // group saying the sub-list holds none of the procedure's moves: a group
    // without segments (length 0, a procedure never run), or flag 6 at 0
    // with a procedure entity named (flag 1 above 0), whose moves lie in its
    // movement entity until they are loaded into the sub-list (OPNMVL sets
    // flag 6 then, and so does an execution). Either answers no movement
    // without opening the sub-list: the list has nothing of it to walk, and
    // opening would leave the host an empty sub-list under the block.
    PLFIND(GR_TOP, GR_FLAGS, status);
    i32 f[6] = {0, 0, 0, 0, 0, 1}, slots[2 * NSLOTS], length = 0;
    init_geom_slots(slots);
    if (status >= 0) get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, length, status);
    // The search leaves a failed list read to its caller: told here as this
    // routine's list error, so that no failure goes without a message.
    if (status < 0) {
        eroutc("FSTLST - list errors", 0);
        status = -1;
        return;
    }
    status = 0;
    if (length == 0 || (f[5] == 0 && f[0] > 0)) return;
    OPNSBL(status);
    if (status < 0) {
        eroutc("FSTLST - list errors", 0);
        return;
    }
    // From the sub-list's start to its first movement block. A block whose
    // header cannot be read is a list failure, not the end of the moves:
    // answering "no movement" there would leave the caller's first and last
    // positions as they were and report nothing. So is an access the host
    // refuses (-2): only "no such element" (-1) is the end of the sub-list.
    lacces(2, answer);
    bool moves = false;
    while (answer != -1) {
        if (answer < 1) {
            status = -1;
            break;
        }
        i32 hst = 0;
        TPBLKH(AM_LIST, size, type, cls, hst);
        if (hst < 0) {
            status = -1;
            break;
        }
        if (gives_position(type, cls)) {
            moves = true;
            break;
        }
        lacces(1, answer);
    }
    if (moves) {
        none = 0;
        i32 number = 0, st = 0;
        NXTPOI(1, first, firstdir, number, st);
        if (st >= 0) JMPEND(st);
        if (st >= 0) PRVPNT(1, last, lastdir, number, st);
        if (st < 0) status = -1;
    }
    i32 st = 0;
    CLSSBL(st);
    if (st < 0 || status < 0) {
        eroutc("FSTLST - list errors", 0);
        status = -1;
        return;
    }
    status = 0;
}

namespace {
// Words of a host entity, 0 when there is none.
i32 entity_words(i32 id)
{
    i32 cls = 0, type = 0, count = 0, st = 0;
    dbdget(id, cls, type, nullptr, count, st);
    return st == -2 ? count : 0;
}

// The host sizes of a procedure block's geometry entities and, when its
// blocks lie in its movement entity, of that entity; descend is set when
// its blocks lie in its sub-list.
bool procedure_words(i32& words, bool& descend)
{
    // The slots a flag group leaves out stay empty: get_flags fills only the
    // codes the group holds, and an unset word would be taken for an entity.
    i32 f[6] = {0, 0, 0, 0, 0, 0}, slots[2 * NSLOTS], count = 0, st = 0;
    init_geom_slots(slots);
    PLFIND(GR_TOP, GR_FLAGS, st);
    if (st >= 0) get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, count, st);
    if (st < 0) return false;
    i32 ids[NSLOTS], n = 0;
    find_geom_buf(slots, n, ids, st);
    if (st < 0) return false;
    for (i32 k = 0; k < n; ++k) words += entity_words(ids[k]);
    descend = f[5] != 0;
    if (!descend && f[0] > 0) {
        i32 movement = -1;
        get_set_movmnt_id(1, f[0], movement);
        if (movement > 0) words += entity_words(movement);
    }
    return true;
}
}  // namespace

void GTTPSZ(i32& size, i32& status)
{
    size = 0;
    status = 0;
    i32 level = 0;
    gtlstn(1, level);
    if (level != 1) {
        status = -1;
        return;
    }
    i32 elements = 0;
    llines(elements);
    if (elements == 0) return;
    i32 answer = 0, mark = 0;
    lmark(1, 4, mark);
    if (mark < 1) {
        eroutc("GTTPSZ - CANNOT SET A MARKER", 0);
        status = -1;
        return;
    }
    long long words = 0;
    i32 depth = 0;
    bool ok = true;
    lacces(2, answer);
    while (ok) {
        if (answer == -2) {
            ok = false;
            break;
        }
        if (answer == -1) {
            // The end of a list: back to the parent's next element.
            if (depth == 0) break;
            i32 st = 0;
            CLSSBL(st);
            ok = st >= 0;
            --depth;
            lacces(1, answer);
            continue;
        }
        i32 len = 0;
        lleng(len);
        if (len < 1) {
            ok = false;
            break;
        }
        words += len + 1;
        i32 type = 0, st = 0;
        tpget(AM_LIST, 1, DT_INT, &type, st);
        if (st < 0) {
            ok = false;
            break;
        }
        if (type == BT_PROC) {
            i32 pw = 0;
            bool descend = false;
            ok = procedure_words(pw, descend);
            words += pw;
            if (ok && descend) {
                OPNSBL(st);
                ok = st >= 0;
                ++depth;
                lacces(2, answer);
                continue;
            }
        }
        lacces(1, answer);
    }
    while (depth > 0) {
        i32 st = 0;
        CLSSBL(st);
        --depth;
    }
    i32 st = 0;
    TPTOP(4, st);
    if (!ok || st < 0) {
        eroutc("GTTPSZ - inconsistency in list", 0);
        status = -1;
        return;
    }
    size = static_cast<i32>(words * 4);
}

void GTGEOS(const i32& procedure, i32& size, i32& status)
{
    size = 0;
    i32 number = 0, code = 0;
    std::vector<i32> words, geoms;
    read_proc_record(procedure, number, code, words, geoms, status);
    if (status < 0) return;
    long long total = 0;
    for (const i32 g : geoms) {
        i32 cls = 0, type = 0, count = 0, st = 0;
        dbdget(g, cls, type, nullptr, count, st);
        if (st == -1) {
            status = -1;  // a geometry entity the host does not hold
            return;
        }
        total += count;
    }
    size = static_cast<i32>(4 * total);
}
