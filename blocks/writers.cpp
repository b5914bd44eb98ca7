#include "blocks/writers.h"

#include <cstring>

#include "blocks/format.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"

namespace {
// Writes the words of one block in order and keeps the first failure.
struct Out {
    i32 mode;
    i32& status;
    void ints(i32 n, const i32* w)
    {
        if (status >= 0) TPPUT(mode, n, DT_INT, w, status);
    }
    void reals(i32 n, const f32* w)
    {
        if (status >= 0) TPPUT(mode, n, DT_REAL, w, status);
    }
    void i(const i32& v) { ints(1, &v); }
    void r(const f32& v) { reals(1, &v); }
};

// Opens the block and writes its number; the caller writes the fields and
// calls end().
struct Block {
    i32 mode;
    i32& status;
    Out out{mode, status};
    Block(const i32& m, i32 type, i32 size, const i32& number, i32& st) : mode(m), status(st)
    {
        BLKOPN(mode, type, size, status);
        if (status < 0) return;
        i32 n = blknum(mode, number);
        out.i(n);
    }
    ~Block() { BLKCLS(mode); }
};
}  // namespace

bool mrkint(i32 kind)
{
    switch (kind) {
    case 9: case 33: case 35: case 37: case 39: case 45: case 53: case 59: case 60: case 61: return true;
    default: return false;
    }
}

void PTBT0(const i32& mode, const i32* header, const i32& number, i32& status)
{
    Block b(mode, BT_HEADER, 49, number, status);
    if (status < 0) return;
    const i32 zero[2] = {0, 0};
    b.out.ints(3, header);            // name (2 words), int
    f32 reals[16];                    // 3 + 3 + 9 reals and one real
    std::memcpy(reals, header + 3, sizeof reals);
    b.out.reals(16, reals);
    b.out.ints(6, header + 19);       // six ints: words 21-26
    b.out.ints(2, zero);              // reserved
    b.out.ints(20, header + 27);
}

void PTBT1V(const i32& mode, const i32& param, const i32& itype, const i32& ivalue, const f32& rvalue,
            const i32& number, i32& status)
{
    Block b(mode, BT_TECH, 5, number, status);
    if (status < 0) return;
    const i32 head[2] = {param, 0};
    b.out.ints(2, head);
    if (itype == DT_REAL)
        b.out.r(rvalue);
    else
        b.out.i(ivalue);
}

void PTBT1C(const i32& mode, const i32& param, const i32& code, const i32& number, i32& status)
{
    Block b(mode, BT_TECH, 5, number, status);
    if (status < 0) return;
    const i32 w[3] = {param, 1, code};
    b.out.ints(3, w);
}

namespace {
bool has_vector(i32 type)
{
    return type == BT_LINE5 || type == BT_LINEN || type == BT_ARC5 || type == BT_ARCN || type == BT_STRING5 ||
           type == BT_STRINGN;
}
}  // namespace

void PTBT2(const i32& mode, const i32& type, const f32* point, const f32* vector, const i32& number, i32& status)
{
    bool vec = has_vector(type);
    Block b(mode, type, vec ? 8 : 5, number, status);
    if (status < 0) return;
    b.out.reals(3, point);
    if (vec) b.out.reals(3, vector);
}

void PTBT3(const i32& mode, const i32& type, const i32& plane, const f32& angle, const f32& step, const f32* centre,
           const f32* end, const f32* vector, const i32& number, i32& status)
{
    bool vec = has_vector(type);
    Block b(mode, type, vec ? 13 : 10, number, status);
    if (status < 0) return;
    b.out.i(plane);
    const f32 as[2] = {angle, step};
    b.out.reals(2, as);
    b.out.reals(2, centre);
    b.out.reals(3, end);
    if (vec) b.out.reals(3, vector);
}

void PUTBT4(const i32& mode, const i32& type, const i32& length, const char* text, const i32& number, i32& status)
{
    status = 0;
    if (length <= 0) return;
    // A text too long for a block is refused with a failure status: the
    // message is not written, and a caller that replaces an old message by
    // the new one must not go on to delete the old one.
    if (length > 80) {
        eroutc("PUTBT4, TOO LONG MESSAGE (>80 CHARACTERS)", 0);
        status = -1;
        return;
    }
    // The text is copied up to its end or its length, whichever comes
    // first, onto blanks: a caller's text shorter than the length it names
    // is not read past its end.
    char buf[80];
    std::memset(buf, ' ', sizeof buf);
    std::memcpy(buf, text, strnlen(text, static_cast<size_t>(length)));
    i32 nw = (length + 3) / 4;
    i32 words[20] = {0};
    movt2i(buf, 4 * nw, words);
    Block b(mode, type, 3 + nw, number, status);
    if (status < 0) return;
    b.out.i(length);
    b.out.ints(nw, words);
}

void PTBT5(const i32& mode, const i32& type, const i32& k, const i32& n, const f64* knots, const f64* points,
           const i32& number, i32& status)
{
    status = 0;
    // A negative order or count would give a size below the block's frame
    // and a write of no defined length: refused.
    if (k < 0 || n < 0) {
        erou2c("PTBT5, WRONG ORDER OR NUMBER OF POINTS ", k, n);
        status = -1;
        return;
    }
    Block b(mode, type, k + 4 * n + 4, number, status);
    if (status < 0) return;
    const i32 kn[2] = {k, n};
    b.out.ints(2, kn);
    for (i32 i = 0; i < n + k && status >= 0; ++i) {
        b.out.r(static_cast<f32>(knots[i]));
        if (i < n) {
            const f32 p[3] = {static_cast<f32>(points[3 * i]), static_cast<f32>(points[3 * i + 1]),
                              static_cast<f32>(points[3 * i + 2])};
            b.out.reals(3, p);
        }
    }
}

void PTBT6(const i32& mode, const i32& type, const f32* first, const f32* second, const i32& number, i32& status)
{
    Block b(mode, type, 8, number, status);
    if (status < 0) return;
    b.out.reals(3, first);
    b.out.reals(3, second);
}

void PTBT9(const i32& mode, const i32& axes, const f32* centre, const f32& angle, const i32& i2, const f32& r2,
           const i32& view, const f32& vvalue, const f32* point, const i32& number, i32& status)
{
    Block b(mode, BT_ROTATION, 14, number, status);
    if (status < 0) return;
    b.out.i(axes);
    b.out.reals(3, centre);
    b.out.r(angle);
    b.out.i(i2);
    b.out.r(r2);
    b.out.i(view);
    b.out.r(vvalue);
    b.out.reals(3, point);
}

void PTBT10(const i32& mode, const i32& i1, const f32* first, const f32* second, const i32& i2, const f32& r,
            const i32& number, i32& status)
{
    Block b(mode, BT_RAXES, 11, number, status);
    if (status < 0) return;
    b.out.i(i1);
    b.out.reals(3, first);
    b.out.reals(3, second);
    b.out.i(i2);
    b.out.r(r);
}

void PTBT11(const i32& mode, const i32& i1, const f32& r1, const f32* point, const i32& i2, const f32& r2,
            const i32& number, i32& status)
{
    Block b(mode, BT_LDRILL, 9, number, status);
    if (status < 0) return;
    b.out.i(i1);
    b.out.r(r1);
    b.out.reals(3, point);
    b.out.i(i2);
    b.out.r(r2);
}

void PTBT13(const i32& mode, const f32* start, const f32* end, const i32& total, const i32& current,
            const i32& number, i32& status)
{
    Block b(mode, BT_THREAD, 10, number, status);
    if (status < 0) return;
    b.out.reals(3, start);
    b.out.reals(3, end);
    const i32 w[2] = {total, current};
    b.out.ints(2, w);
}

void PTBT14(const i32& mode, const i32& gtype, const f32* start, const f32* end, const f32* six, const i32& number,
            i32& status)
{
    Block b(mode, BT_GROOVE, 15, number, status);
    if (status < 0) return;
    b.out.i(gtype);
    b.out.reals(3, start);
    b.out.reals(3, end);
    b.out.reals(6, six);
}

namespace {
void cycle_block(i32 type, const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2,
                 const f32& r3, const i32& i2, const f32& r4, const i32& number, i32& status)
{
    Block b(mode, type, 10, number, status);
    if (status < 0) return;
    const i32 name[2] = {code, 0};
    b.out.ints(2, name);
    b.out.i(i1);
    const f32 r[3] = {r1, r2, r3};
    b.out.reals(3, r);
    b.out.i(i2);
    b.out.r(r4);
}

void pair_block(i32 type, const i32& mode, const i32* w, const i32& number, i32& status)
{
    Block b(mode, type, 4, number, status);
    if (status < 0) return;
    b.out.ints(2, w);
}

void real_pair(i32 type, const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status)
{
    const i32 w[2] = {r2wrd(r1), r2wrd(r2)};
    Block b(mode, type, 4, number, status);
    if (status < 0) return;
    b.out.reals(2, reinterpret_cast<const f32*>(w));
}
}  // namespace

void PTBT30(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status)
{
    cycle_block(BT_CYCLE, mode, code, i1, r1, r2, r3, i2, r4, number, status);
}

void PTBT35(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status)
{
    cycle_block(BT_CYCLEOFF, mode, code, i1, r1, r2, r3, i2, r4, number, status);
}

void PTBT31(const i32& mode, const f32* point, const f32* direction, const i32& i1, const i32& number, i32& status)
{
    Block b(mode, BT_DRILLPT, 9, number, status);
    if (status < 0) return;
    b.out.reals(3, point);
    b.out.reals(3, direction);
    b.out.i(i1);
}

void PTBT32(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status)
{
    real_pair(BT_SETTING, mode, r1, r2, number, status);
}

void PTBT33(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status)
{
    real_pair(BT_DELZ, mode, r1, r2, number, status);
}

void PTBT34(const i32& mode, const i32& i1, const i32& i2, const i32& number, i32& status)
{
    const i32 w[2] = {i1, i2};
    pair_block(BT_RETMODE, mode, w, number, status);
}

void PTBT36(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status)
{
    real_pair(BT_DEPTH, mode, r1, r2, number, status);
}

void PTBT40(const i32& mode, const f32* matrix, const f32* translation, const i32& number, i32& status)
{
    Block b(mode, BT_TRANSFORM, 14, number, status);
    if (status < 0) return;
    b.out.reals(9, matrix);
    b.out.reals(3, translation);
}

void PTBT99(const i32& mode, const i32& kind, const f32& rvalue, const i32& ivalue, const i32& number, i32& status)
{
    i32 size = 3 + (kind == 3 ? 1 : 0) + (mrkint(kind) ? 1 : 0);
    Block b(mode, BT_MARKER, size, number, status);
    if (status < 0) return;
    b.out.i(kind);
    if (kind == 3) b.out.r(rvalue);
    if (mrkint(kind)) b.out.i(ivalue);
}

void PTSTRO(const i32& kind, i32& status)
{
    PTAMCH(status);
    if (status < 0) return;
    i32 k = kind;
    if (k == 2 && NORMFL() == 0) k = 1;
    i32 type = k == 1 ? BT_STRING : k == 2 ? BT_STRINGN : BT_STRING5;
    BLKOPN(AM_APPEND, type, 1, status);
    if (status < 0) BLKCLS(AM_APPEND);
}

void PTSTRP(const i32& mode, const i32& type, const i32& number, const f32* point, const f32* vector,
            i32& status)
{
    status = 0;
    Out out{mode, status};
    out.i(number);
    out.reals(3, point);
    if (has_vector(type)) out.reals(3, vector);
}
