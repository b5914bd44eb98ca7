#include "blocks/copy.h"

#include <cstring>
#include <vector>

#include "blocks/dipblk.h"
#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/navig.h"
#include "blocks/procblk.h"
#include "blocks/readers.h"
#include "blocks/tpent.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"
#include "tools/toollib.h"

CopyTransform CPYTRF = {0, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}};

namespace {
const f32 ZERO3[3] = {0, 0, 0};

// The longest block the copy takes, in words.
constexpr i32 MAX_BLOCK_WORDS = 1 << 20;

bool list_medium(i32 mode) { return mode == AM_LIST || mode == AM_APPEND; }

// A procedure block's words after its type word: from the list the element
// whole, from the entity stream up to the closing item of its groups.
bool read_procedure(const i32& source, const i32& size, std::vector<i32>& w, i32& status)
{
    w.clear();
    if (source != AM_ENTITY) {
        if (size < 2 || size > MAX_BLOCK_WORDS) return false;
        w.resize(static_cast<size_t>(size) - 1);
        tpget(source, size - 1, DT_INT, w.data(), status);
        return status >= 0;
    }
    i32 lead[2] = {0, 0};
    tpget(source, 2, DT_INT, lead, status);
    if (status < 0) return false;
    w.assign(lead, lead + 2);
    while (true) {
        i32 code = 0;
        tpget(source, 1, DT_INT, &code, status);
        if (status < 0) return false;
        w.push_back(code);
        i32 n = 0;
        if (code == 1) {
            n = 10;  // the closing item: count, type and eight words
        } else {
            tpget(source, 1, DT_INT, &n, status);
            if (status < 0) return false;
            w.push_back(n);
        }
        if (n < 0 || static_cast<i32>(w.size()) + n > MAX_BLOCK_WORDS) return false;
        const size_t at = w.size();
        w.resize(at + static_cast<size_t>(n));
        if (n > 0) tpget(source, n, DT_INT, w.data() + at, status);
        if (status < 0) return false;
        if (code == 1) return true;
    }
}

// Shows a block just copied into the list: the state of the display follows
// it; a procedure block only sets its level and blank state. Its type's
// displayer runs in display mode 2, which keeps the display state (modal
// values, last position, tool) and draws nothing: the blocks copied are the
// moves of a procedure opened for an edit or a block listing, already on the
// screen from the procedure's display, and drawing them again would draw each
// twice; what the edit writes after them starts from the state they leave.
void show_copied(i32 type, i32 number)
{
    if (type == BT_PROC) {
        DIPB1C(AM_LIST, 2, number, 0);
        return;
    }
    i32 t = 0, hit = 0, st = 0;
    DSPBLK(2, AM_LIST, t, hit, st);
}
}  // namespace

void TRMPTV(f32* point, f32* vector, const f32* matrix, const f32* translation)
{
    f32 p[3], v[3];
    for (int r = 0; r < 3; ++r) {
        const f32* row = matrix + 3 * r;
        p[r] = row[0] * point[0] + row[1] * point[1] + row[2] * point[2] + translation[r];
        if (vector) v[r] = row[0] * vector[0] + row[1] * vector[1] + row[2] * vector[2];
    }
    std::memcpy(point, p, sizeof p);
    if (vector) std::memcpy(vector, v, sizeof v);
}

void TRMPT2(f32* first, f32* second, const f32* matrix, const f32* translation)
{
    TRMPTV(first, nullptr, matrix, translation);
    TRMPTV(second, nullptr, matrix, translation);
}

void TRMARC(const i32& plane, f32& angle, f32* centre, f32* end, f32* vector, const f32* matrix,
            const f32* translation)
{
    if (vector) TRMPTV(vector, nullptr, matrix, ZERO3);
    f32 c[3];
    if (plane == 1) {
        c[0] = centre[0], c[1] = centre[1], c[2] = end[2];
    } else if (plane == 2) {
        c[0] = centre[0], c[1] = end[1], c[2] = centre[1];
    } else {
        c[0] = end[0], c[1] = centre[0], c[2] = centre[1];
    }
    TRMPTV(c, nullptr, matrix, translation);
    if (plane == 1) {
        centre[0] = c[0], centre[1] = c[1];
    } else if (plane == 2) {
        centre[0] = c[0], centre[1] = c[2];
    } else {
        centre[0] = c[1], centre[1] = c[2];
    }
    TRMPTV(end, nullptr, matrix, translation);
    if (m3det(matrix) < 0.0f) angle = -angle;
}

void TRMZZ(f32& z1, f32& z2, const f32* translation)
{
    z1 += translation[2];
    z2 += translation[2];
}

void TRMPTW(f32* point, f32* vector, const f32* matrix, const f32* translation)
{
    TRMPTV(point, vector, matrix, translation);
}

void TRMSWP(const i32& param, i32& code, const f32* matrix)
{
    if (param != 5 || !(m3det(matrix) < 0.0f)) return;
    if (code == 9)
        code = 10;
    else if (code == 10)
        code = 9;
}

void TRPRCB(const i32& mode, const f32* matrix, const f32* translation, i32& status)
{
    // Each change names the room of the value it hands over: a damaged
    // stored item of more words than that is refused rather than filled
    // from whatever follows the value.
    const i32 one = 1;
    change_values(mode, GR_GLOBAL, 35, DT_INT, 1, &one, status);
    static constexpr i32 PAIRS[2][2] = {{5, 27}, {6, 28}};
    for (const auto& pair : PAIRS) {
        if (status < 0) break;
        f32 p[3], v[3];
        i32 count = 3;
        TPGETN(mode, GR_GLOBAL, pair[0], count, DT_REAL, p, status);
        count = 3;
        if (status >= 0) TPGETN(mode, GR_GLOBAL, pair[1], count, DT_REAL, v, status);
        if (status < 0) break;
        TRMPTV(p, v, matrix, translation);
        change_values(mode, GR_GLOBAL, pair[0], DT_REAL, 3, p, status);
        if (status >= 0) change_values(mode, GR_GLOBAL, pair[1], DT_REAL, 3, v, status);
    }
    if (status < 0) status = -1;
}

void TPRCTC(const i32& mode, i32& status)
{
    status = 0;
    if (mode == AM_APPEND) {
        // One word of room, as for every change below.
        const i32 two = 2;
        change_values(AM_LIST, GR_GLOBAL, 31, DT_INT, 1, &two, status);
        if (status < 0) return;
    }
    struct Item {
        i32 code, value;
        bool only_when_absent;
    };
    const Item items[3] = {{116, CLP1[CLP1_COLOUR], false}, {117, CLP1[CLP1_PEN], false}, {107, 0, true}};
    for (const Item& it : items) {
        i32 count = 1, old = 0;
        TPGETC(AM_LIST, GR_GLOBAL, it.code, count, DT_INT, &old, status);
        if (status < 0) return;
        if (status == 1)
            TPINSC(GR_GLOBAL, 43, it.code, DT_INT, 1, &it.value, status);
        else if (!it.only_when_absent)
            change_values(AM_LIST, GR_GLOBAL, it.code, DT_INT, 1, &it.value, status);
        if (status < 0) return;
        status = 0;
    }
}

namespace {

// The copy of a header, parameter, move, arc, text, curve or string block
// (types 0 to 8 and their variants); false when nothing is written.
bool copy_moves(const i32& source, const i32& target, i32 type, i32 size, i32& number, i32& status)
{
    const bool xf = CPYTRF.active != 0;
    const f32* m = CPYTRF.m;
    const f32* t = CPYTRF.t;
    bool written = true;
    switch (type) {
    case BT_HEADER: {
        i32 header[HDR_WORDS];
        RDBT0(source, size, number, header, status);
        if (status < 0) return true;
        CPYTRF.active = 0;
        if (source == AM_ENTITY && header[21] < 600) usmsgc("TOOLPATH WAS CREATED IN VER. 5.0!");
        header[21] = prgvrs();
        if (target == AM_ENTITY) {
            // The header of a stored tool path describes what is stored: the
            // surface table in force and, copied from the list, the number of
            // blocks of its main list. A copy into the list keeps the
            // source's words, which describe the tool path they came from.
            if (ncs_table_initialized() != 0) header[24] = ncs_table_get_table_id();
            if (list_medium(source)) gsblkn(1, 1, header[22]);
        }
        PTBT0(target, header, number, status);
        break;
    }
    case BT_TECH: {
        i32 param = 0, vstatus = 0, vtype = 0, iv = 0;
        f32 rv = 0;
        RDBHD2(source, number, param, vstatus, vtype, iv, rv, status);
        if (status < 0) return true;
        if (xf) TRMSWP(param, iv, m);
        if (vstatus == 0)
            PTBT1V(target, param, vtype, iv, rv, number, status);
        else
            PTBT1C(target, param, iv, number, status);
        break;
    }
    case BT_LINE: case BT_LINE5: case BT_LINEN: {
        i32 records = 0;
        f32 p[3], v[3];
        RDBT2(source, type, size, records, number, p, v, status);
        if (status < 0) return true;
        if (xf) TRMPTV(p, v, m, t);
        PTBT2(target, type, p, v, number, status);
        break;
    }
    case BT_ARC: case BT_ARC5: case BT_ARCN: {
        i32 plane = 0;
        f32 angle = 0, step = 0, c[2], e[3], v[3];
        RDBT3(source, type, number, plane, angle, step, c, e, v, status);
        if (status < 0) return true;
        if (xf) TRMARC(plane, angle, c, e, v, m, t);
        PTBT3(target, type, plane, angle, step, c, e, v, number, status);
        break;
    }
    case BT_TEXT: {
        i32 length = 0;
        char text[81];
        RDBT4(source, 0, number, length, text, status);
        if (status < 0) return true;
        PUTBT4(target, type, length, text, number, status);
        break;
    }
    case BT_NURBS: {
        // The block's size word sizes the curve's buffers: a damaged word
        // larger than any block the list can hold is refused before any
        // room is taken for it.
        if (size > MAX_BLOCK_WORDS) {
            eroutc("CPYBLK, ERRORS IN THE CURVE BLOCK", 0);
            status = -1;
            return true;
        }
        const i32 cap = size > 4 ? size : 4;
        std::vector<f32> knots(static_cast<size_t>(cap)), pts(static_cast<size_t>(3 * (cap / 4 + 1)));
        i32 k = 0, n = 0;
        RDBT5(source, cap, cap / 4 + 1, number, k, n, knots.data(), pts.data(), status);
        if (status < 0) return true;
        std::vector<f64> dk(knots.begin(), knots.begin() + n + k), dp(static_cast<size_t>(3 * n));
        for (i32 j = 0; j < n; ++j) {
            if (xf) TRMPTV(pts.data() + 3 * j, nullptr, m, t);
            for (int c = 0; c < 3; ++c) dp[static_cast<size_t>(3 * j + c)] = pts[static_cast<size_t>(3 * j + c)];
        }
        PTBT5(target, type, k, n, dk.data(), dp.data(), number, status);
        break;
    }
    case BT_HOME: {
        f32 a[3], b[3];
        RDBT6(source, number, a, b, status);
        if (status < 0) return true;
        PTBT6(target, type, a, b, number, status);
        break;
    }
    case BT_STRING: case BT_STRING5: case BT_STRINGN: {
        // The string whole: its points one by one, each numbered.
        i32 records = 1;
        std::vector<i32> numbers;
        std::vector<f32> pv;
        for (i32 r = 0; r < records; ++r) {
            f32 p[3], v[3];
            RDBT2(source, type, size, records, number, p, v, status);
            if (status < 0) return true;
            if (xf) TRMPTV(p, v, m, t);
            numbers.push_back(number);
            pv.insert(pv.end(), p, p + 3);
            pv.insert(pv.end(), v, v + 3);
        }
        BLKOPN(target, type, size, status);
        for (size_t r = 0; r < numbers.size() && status >= 0; ++r) {
            if (target == AM_APPEND) NXTBLN(numbers[r]);
            PTSTRP(target, type, numbers[r], pv.data() + 6 * r, pv.data() + 6 * r + 3, status);
        }
        BLKCLS(target);
        if (status > 0) status = 0;
        break;
    }
    case BT_OBSOLETE:
        if (size > 1) TPSKIP(rdmode(source), size - 1, DT_INT, status);
        if (status > 0) status = 0;
        written = false;
        break;
    }
    return written;
}

// The copy of the mark, feed, rotation, frame and value blocks (types 30
// and up; an unknown type is refused); false when nothing is written.
bool copy_marks(const i32& source, const i32& target, i32 type, i32 size, i32& number, i32& status)
{
    const bool xf = CPYTRF.active != 0;
    const f32* m = CPYTRF.m;
    const f32* t = CPYTRF.t;
    bool written = true;
    switch (type) {
    case BT_CYCLE: case BT_CYCLEOFF: {
        i32 code = 0, i1 = 0, i2 = 0;
        f32 r1 = 0, r2 = 0, r3 = 0, r4 = 0;
        if (type == BT_CYCLE)
            RDBT30(source, number, code, i1, r1, r2, r3, i2, r4, status);
        else
            RDBT35(source, number, code, i1, r1, r2, r3, i2, r4, status);
        if (status < 0) return true;
        if (xf) TRMZZ(r1, r4, t);
        if (type == BT_CYCLE)
            PTBT30(target, code, i1, r1, r2, r3, i2, r4, number, status);
        else
            PTBT35(target, code, i1, r1, r2, r3, i2, r4, number, status);
        break;
    }
    case BT_DRILLPT: {
        i32 i1 = 0;
        f32 p[3], d[3];
        RDBT31(source, size, number, p, d, i1, status);
        if (status < 0) return true;
        if (xf) TRMPTW(p, d, m, t);
        PTBT31(target, p, d, i1, number, status);
        break;
    }
    case BT_SETTING: case BT_DELZ: {
        f32 a = 0, b = 0;
        if (type == BT_SETTING)
            RDBT32(source, number, a, b, status);
        else
            RDBT33(source, size, number, a, b, status);
        if (status < 0) return true;
        if (xf) TRMZZ(a, b, t);
        if (type == BT_SETTING)
            PTBT32(target, a, b, number, status);
        else
            PTBT33(target, a, b, number, status);
        break;
    }
    case BT_RETMODE: {
        i32 a = 0, b = 0;
        RDBT34(source, number, a, b, status);
        if (status < 0) return true;
        PTBT34(target, a, b, number, status);
        break;
    }
    case BT_DEPTH: {
        f32 a = 0, b = 0;
        RDBT36(source, number, a, b, status);
        if (status < 0) return true;
        PTBT36(target, a, b, number, status);
        break;
    }
    case BT_TRANSFORM: {
        f32 mm[9], tt[3];
        RDBT40(source, number, mm, tt, status);
        if (status < 0) return true;
        if (source == AM_ENTITY && target != AM_ENTITY) {
            // Read into the copy's transformation; the block is not written.
            CPYTRF.active = 1;
            std::memcpy(CPYTRF.m, mm, sizeof mm);
            std::memcpy(CPYTRF.t, tt, sizeof tt);
            written = false;
        } else {
            PTBT40(target, mm, tt, number, status);
        }
        break;
    }
    case BT_MARKER: {
        i32 kind = 0, iv = 0;
        f32 rv = 0;
        RDBHED(source, number, kind, rv, iv, status);
        if (status < 0) return true;
        if (xf && kind == 3) {
            // The position of a marker under a transformation is its kind-3
            // real, the one coordinate a marker block holds (the other kinds
            // hold codes and counts, copied as they are): a height, so it
            // moves as the Z of the point (0, 0, height) does.
            f32 p[3] = {0, 0, rv};
            TRMPTV(p, nullptr, m, t);
            rv = p[2];
        }
        PTBT99(target, kind, rv, iv, number, status);
        break;
    }
    default:
        erou1c("DSPBLK - UNEXPECTED BLOCK TYPE", type);
        status = -1;
        return true;
    }
    return written;
}

// The copy of the blocks of types 9 to 14, the others handed on; false when
// nothing is written.
bool copy_others(const i32& source, const i32& target, i32 type, i32 size, i32& number, i32& status)
{
    const bool xf = CPYTRF.active != 0;
    const f32* m = CPYTRF.m;
    const f32* t = CPYTRF.t;
    bool written = true;
    switch (type) {
    case BT_ROTATION: {
        i32 axes = 0, i2 = 0, view = 0;
        f32 c[3], angle = 0, r2 = 0, vv = 0, p[3];
        RDBT9(source, number, axes, c, angle, i2, r2, view, vv, p, status);
        if (status < 0) return true;
        PTBT9(target, axes, c, angle, i2, r2, view, vv, p, number, status);
        break;
    }
    case BT_RAXES: {
        i32 i1 = 0, i2 = 0;
        f32 a[3], b[3], r = 0;
        RDBT10(source, number, i1, a, b, i2, r, status);
        if (status < 0) return true;
        PTBT10(target, i1, a, b, i2, r, number, status);
        break;
    }
    case BT_LDRILL: {
        i32 i1 = 0, i2 = 0;
        f32 r1 = 0, p[3], r2 = 0;
        RDBT11(source, number, i1, r1, p, i2, r2, status);
        if (status < 0) return true;
        if (xf) TRMPTV(p, nullptr, m, t);
        PTBT11(target, i1, r1, p, i2, r2, number, status);
        break;
    }
    case BT_PROC: {
        std::vector<i32> w;
        if (!read_procedure(source, size, w, status) || w.empty()) {
            // A failed read ends the copy with -1 and a message of the copy's
            // own, not the reader's status alone: a short read of the entity
            // stream gives a status and no text, and the block can be refused
            // before any read, for a size below 2 or above the largest
            // procedure block, with no reader status to hand back at all. One
            // status and one text for every case tell the caller, and the
            // user, that this block was not copied.
            eroutc("CPYBLK, ERRORS IN THE PROCEDURE BLOCK", 0);
            status = -1;
            return true;
        }
        // The procedure block is written as its words are read: the block
        // frame's own open and close around them, not the procedure block
        // writer, which builds a new procedure's block from the module's
        // state (its counter, flags and groups) rather than from a block
        // already stored, and not the procedure copy into the database,
        // which reads the host's procedure records. A word-for-word copy
        // keeps every group the stored block holds, whichever writer made it.
        number = w[0];
        if (target == AM_APPEND) NXTBLN(w[0]);
        BLKOPN(target, BT_PROC, 0, status);
        if (status >= 0) TPPUT(target, static_cast<i32>(w.size()), DT_INT, w.data(), status);
        BLKCLS(target);
        // The colour, pen and display codes and the transformed positions
        // are set in the list copy, where the block's items can be found by
        // code; an entity copy keeps the words as stored, and a copy brought
        // back into the list from it is updated then.
        if (status >= 0 && target != AM_ENTITY) {
            TPRCTC(target, status);
            if (status >= 0 && xf) TRPRCB(AM_LIST, m, t, status);
        }
        if (status > 0) status = 0;
        break;
    }
    case BT_THREAD: {
        i32 total = 0, current = 0;
        f32 a[3], b[3];
        RDBT13(source, number, a, b, total, current, status);
        if (status < 0) return true;
        if (xf) TRMPT2(a, b, m, t);
        PTBT13(target, a, b, total, current, number, status);
        break;
    }
    case BT_GROOVE: {
        i32 gtype = 0;
        f32 a[3], b[3], six[6];
        RDBT14(source, number, gtype, a, b, six, status);
        if (status < 0) return true;
        if (xf) TRMPT2(a, b, m, t);
        PTBT14(target, gtype, a, b, six, number, status);
        break;
    }
    default:
        return copy_marks(source, target, type, size, number, status);
    }
    return written;
}

}  // namespace

void CPYBLK(const i32& source, const i32& target, i32& type, i32& size, i32& status)
{
    status = 0;
    if (source == -1) {
        CPYTRF.active = 0;
        return;
    }
    if (source == AM_NONE) return;
    i32 cls = 0;
    // A type the class table does not know (15, or any above 227) is refused
    // here by the header read with its own message: the header is read
    // before the type is looked at, and its failure ends the copy as any
    // read failure does. The copy's message below is thus for the types the
    // table passes and no copy handles (25, 225, and the one-word blocks).
    // In an entity stream a header block and a procedure block stand
    // without a type word, so only the caller can know them: it names a
    // procedure block by the type 12, and a header block by the type 0 with
    // the size word it read (49). Reading the header of such a block would
    // take its block number for the type and read the words one off.
    const bool named = source == AM_ENTITY && (type == BT_PROC || (type == BT_HEADER && size == HDR_WORDS + 2));
    if (!named) TPBLKH(source, size, type, cls, status);
    if (status < 0) return;
    i32 number = 0;
    bool written = true;
    switch (type) {
    case BT_HEADER: case BT_TECH:
    case BT_LINE: case BT_LINE5: case BT_LINEN:
    case BT_ARC: case BT_ARC5: case BT_ARCN:
    case BT_TEXT: case BT_NURBS: case BT_HOME:
    case BT_STRING: case BT_STRING5: case BT_STRINGN:
    case BT_OBSOLETE:
        written = copy_moves(source, target, type, size, number, status);
        break;
    default:
        written = copy_others(source, target, type, size, number, status);
    }
    if (status < 0 || !written || target == AM_ENTITY) return;
    show_copied(type, number);
}

void SAVSTA(const i32& skip, const i32& mode, i32& status)
{
    // One save area: the machine values, the modal state, the procedure's
    // two texts, the heights, the modal technology values, the tool-type
    // filter (which the machine type sets together with the technology case)
    // and the frame's words of the technology case, the tool and the tool
    // display. All 23 machine values come back, the coordinate system's word
    // among them: the restore returns the state of before the operation.
    // The two machine-state words go with the machine values: the procedure
    // block is written from them, and an operation that reads another
    // procedure sets them from that one. The SAVE APPROX. FILE switch is kept
    // with them as the procedure's own.
    struct Saved {
        i32 prm9[PRM9_N], mchstw[2], svaprx, dsm4[DSM4_N], hei8[HEI8_N], wrmb[WRMB_N], filter[10];
        char text[20], table[12];
        i32 techcase, tool, tler;
    };
    static Saved s;
    status = 0;
    if (skip > 0) return;
    if (mode != 1 && mode != 3) {
        std::memcpy(s.prm9, PRM9, sizeof s.prm9);
        std::memcpy(s.mchstw, MCHSTW, sizeof s.mchstw);
        s.svaprx = SVAPRX;
        std::memcpy(s.dsm4, DSM4, sizeof s.dsm4);
        std::memcpy(s.hei8, HEI8, sizeof s.hei8);
        std::memcpy(s.wrmb, WRMB, sizeof s.wrmb);
        std::memcpy(s.filter, TLFILT, sizeof s.filter);
        GSTXT1(1, s.text);
        GSTXT2(1, s.table);
        s.techcase = TLTCAS;
        s.tool = CURTOL;
        s.tler = TLER[TLER_MODE];
        return;
    }
    std::memcpy(PRM9, s.prm9, sizeof s.prm9);
    std::memcpy(MCHSTW, s.mchstw, sizeof s.mchstw);
    SVAPRX = s.svaprx;
    std::memcpy(DSM4, s.dsm4, sizeof s.dsm4);
    std::memcpy(HEI8, s.hei8, sizeof s.hei8);
    std::memcpy(WRMB, s.wrmb, sizeof s.wrmb);
    std::memcpy(TLFILT, s.filter, sizeof s.filter);
    char text[21], table[13];
    std::memcpy(text, s.text, 20);
    text[20] = '\0';
    std::memcpy(table, s.table, 12);
    table[12] = '\0';
    GSTXT1(2, text);
    GSTXT2(2, table);
    TLTCAS = s.techcase;
    CURTOL = s.tool;
    TLER[TLER_MODE] = s.tler;
    if (PRM9[PRM9_TOOL] > 0) {
        // The restored tool drawn again at the current tool position, as the
        // frame's tool display does for a tool id (its routine stands above
        // this layer).
        f32 p[3], a[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = wrd2r(DSP8[DSP8_POS + k]);
            a[k] = wrd2r(DSP8[DSP8_AXIS + k]);
        }
        // A position without an axis yet (nothing has moved): upright.
        if (a[0] == 0.0f && a[1] == 0.0f && a[2] == 0.0f) a[2] = 1.0f;
        tm_inst_delete();
        i32 fig = -1;
        DISPT1(PRM9[PRM9_TOOL], p, a, fig);
        if (fig >= 0) tm_inst_id(2, fig);
    }
    MUALL(2);
}

void PTUB1(i32& status) { PTUB12(1, 0, 0, 0, status); }

namespace {
// Words of one entity by the host's size of it; false when it cannot be read.
bool entity_words(i32 id, long long& words)
{
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(id, cls, type, len, st);
    if (st < 0) return false;
    eclose();
    words += len;
    return true;
}

// Sub-tool-paths deeper than this are refused: an entity that names itself
// would be counted without end.
constexpr i32 MAX_DEPTH = 8;

bool tp_words(i32 tp, i32 depth, long long& words)
{
    if (depth > MAX_DEPTH || !entity_words(tp, words)) return false;
    TpEntries entries(tp);
    if (entries.n < 0) return false;
    for (i32 k = 0; k < entries.n; ++k) {
        const i32 kind = entries.kind(k), id = entries.id(k);
        if (kind == 2) {
            if (!tp_words(id, depth + 1, words)) return false;
            continue;
        }
        if (!entity_words(id, words)) return false;
        if (kind != 1) continue;
        // A procedure adds the geometry it keeps. Its movement entity is not
        // added here: the tool path names its movement entities among its own
        // entries (kinds 4 and 10), where each is counted once; added again
        // through its procedure it would be counted twice.
        i32 bytes = 0, st = 0;
        GTGEOS(id, bytes, st);
        if (st < 0) return false;
        words += bytes / 4;
    }
    return true;
}
}  // namespace

void get_tp_size_bytes(const i32& tp, i32& size, i32& status)
{
    long long words = 0;
    size = 0;
    status = tp_words(tp, 0, words) ? 0 : -1;
    // Past what a word holds the size is said as the most it can hold.
    if (status == 0) size = words > 0x1fffffff ? 0x7fffffff : static_cast<i32>(4 * words);
}
