#include "blocks/readers.h"

#include <cstring>

#include "blocks/format.h"
#include "blocks/modal.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"

// The medium a reader reads from: the list for 4, the entity for 5 (the
// conversion is the reader's own). Every reader maps both, also those that
// would otherwise hand 5 on unchanged: 5 is the coded I/O's parameter-line
// medium, never a block's, and the entity is where a mode-5 block stands.
i32 rdmode(const i32& mode)
{
    if (mode == AM_LISTCNV) return AM_LIST;
    if (mode == AM_ENTCNV) return AM_ENTITY;
    return mode;
}

namespace {
// Reads like words of a block; a positive list answer ends as status 0.
struct In {
    i32 medium;
    i32& status;
    ~In()
    {
        if (status > 0) status = 0;
    }
    bool ints(i32 n, i32* w)
    {
        if (status >= 0) tpget(medium, n, DT_INT, w, status);
        return status >= 0;
    }
    bool reals(i32 n, f32* w)
    {
        if (status >= 0) tpget(medium, n, DT_REAL, w, status);
        return status >= 0;
    }
    bool i(i32& v) { return ints(1, &v); }
    bool r(f32& v) { return reals(1, &v); }
};

bool converts(const i32& mode) { return mode == AM_LISTCNV || mode == AM_ENTCNV; }

// Point and vector through the current list's transformation.
void list_xf(f32* p, f32* v)
{
    f32 m[9], t[3];
    lgtrns(m, t);
    f32 q[3], w[3];
    for (int r = 0; r < 3; ++r) {
        q[r] = m[3 * r] * p[0] + m[3 * r + 1] * p[1] + m[3 * r + 2] * p[2] + t[r];
        if (v) w[r] = m[3 * r] * v[0] + m[3 * r + 1] * v[1] + m[3 * r + 2] * v[2];
    }
    std::memcpy(p, q, sizeof q);
    if (v) std::memcpy(v, w, sizeof w);
}

f32 list_dz()
{
    f32 m[9], t[3];
    lgtrns(m, t);
    return t[2];
}

void zaxis(f32* v) { v[0] = 0, v[1] = 0, v[2] = 1; }
}  // namespace

void RDBT0(const i32& mode, const i32& size, i32& number, i32* header, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    // Only the header sizes that exist are read: a shorter block would be
    // read past its end by the 27 words every header holds, and any other
    // longer one by the 20-word tail of the full header.
    if (size != 27 && size != 28 && size != 29 && size != 49) {
        erou1c("RDBT0, WRONG HEADER SIZE ", size);
        status = -1;
        return;
    }
    std::memset(header, 0, HDR_WORDS * sizeof(i32));
    // The twenty words after the block number mix integers and reals (reals
    // kept as their words) and are read as one group of words: a header block
    // comes from the list or the entity, whose reads hand every word back as
    // stored whatever item type is asked (the type converts only on the
    // template and parameter-line media), so one call keeps each word intact
    // where twenty typed calls would read the same words more slowly.
    if (!in.i(number) || !in.ints(20, header)) return;
    if (size >= 28 && !in.i(header[20])) return;
    if (!in.ints(3, header + 21)) return;
    if (size >= 29 && !in.i(header[24])) return;
    i32 skip[2];
    if (!in.ints(2, skip)) return;
    if (size > 29) in.ints(20, header + 27);
}

void RDBT1(const i32& mode, i32& number, i32& ptype, i32& kind, i32& ivalue, f32& rvalue, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    i32 source = 0;
    if (!in.i(number) || !in.i(ptype) || !in.i(source)) return;
    if (source == 0) {
        kind = PRMDEF(ptype);
        if (kind == 1)
            in.r(rvalue);
        else
            in.i(ivalue);
        return;
    }
    i32 subtype = 0;
    if (!in.i(subtype)) return;
    MCHVAL(subtype, kind, ivalue, rvalue, status);
}

void RDBT2(const i32& mode, const i32& type, const i32& size, i32& records, i32& number, f32* point, f32* vector,
           i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    bool vec = type == BT_LINE5 || type == BT_LINEN || type == BT_STRING5 || type == BT_STRINGN;
    records = (size - 1) / (type == BT_LINE || type == BT_STRING ? 4 : 7);
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.reals(3, point)) return;
    if (vec) {
        if (!in.reals(3, vector)) return;
    } else {
        zaxis(vector);
    }
    if (converts(mode)) {
        list_xf(point, vector);
        CNVPNT(point, point);
        CNVVEC(vector, vector);
    }
}

void RDBT3(const i32& mode, const i32& type, i32& number, i32& plane, f32& angle, f32& step, f32* centre, f32* end,
           f32* vector, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(plane) || !in.r(angle) || !in.r(step) || !in.reals(2, centre) || !in.reals(3, end))
        return;
    if (type == BT_ARC5 || type == BT_ARCN) {
        if (!in.reals(3, vector)) return;
    } else {
        zaxis(vector);
    }
    if (converts(mode)) {
        f32 c[3] = {centre[0], centre[1], end[2]};
        CNVPNT(c, c);
        centre[0] = c[0];
        centre[1] = c[1];
        CNVPNT(end, end);
        CNVVEC(vector, vector);
    }
}

void RDBT4(const i32& mode, const i32& unused, i32& number, i32& length, char* text, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(length)) return;
    // A text holds 80 characters at the most: a longer count is a corrupt
    // block, whose words would run past the text.
    if (length < 0 || length > 80) {
        erou1c("RDBT4, WRONG TEXT LENGTH ", length);
        status = -1;
        return;
    }
    i32 words[20] = {0};
    if (!in.ints((length + 3) / 4, words)) return;
    std::memset(text, ' ', 80);
    movi2t(words, length, text);
}

void RDBT5(const i32& mode, const i32& kcap, const i32& pcap, i32& number, i32& k, i32& n, f32* knots, f32* points,
           i32& status)
{
    status = 0;
    i32 m = mode > 7 ? mode - 7 : mode;
    In in{rdmode(m), status};
    if (m == AM_NONE) return;
    if (!in.i(number) || !in.i(k) || !in.i(n)) return;
    // A negative order or point count, or one larger than the caller's
    // arrays (which the block's size bounds), is a damaged block: it is
    // refused as a failed read, and nothing is read past it.
    if (k < 0 || n < 0 || n > pcap || k > kcap - n) {
        erou2c("RDBT5, NURBS LARGER THAN ITS AREA, ORDER AND POINTS = ", k, n);
        status = -1;
        return;
    }
    for (i32 i = 0; i < n; ++i) {
        if (!in.r(knots[i]) || !in.reals(3, points + 3 * i)) return;
        if (converts(m)) {
            list_xf(points + 3 * i, nullptr);
            CNVPNT(points + 3 * i, points + 3 * i);
        }
    }
    in.reals(k, knots + n);
}

void RDBT6(const i32& mode, i32& number, f32* first, f32* second, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.reals(3, first) || !in.reals(3, second)) return;
    if (converts(mode)) {
        CNVPNT(first, first);
        CNVPNT(second, second);
    }
}

void RDBT9(const i32& mode, i32& number, i32& axes, f32* centre, f32& angle, i32& i2, f32& r2, i32& view,
           f32& vvalue, f32* point, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(axes) || !in.reals(3, centre) || !in.r(angle) || !in.i(i2) || !in.r(r2) ||
        !in.i(view) || !in.r(vvalue) || !in.reals(3, point))
        return;
    if (converts(mode)) CNVPNT(point, point);
}

void RDBT10(const i32& mode, i32& number, i32& i1, f32* first, f32* second, i32& i2, f32& r, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(i1) || !in.reals(3, first) || !in.reals(3, second) || !in.i(i2)) return;
    in.r(r);
}

void RDBT11(const i32& mode, i32& number, i32& i1, f32& r1, f32* point, i32& i2, f32& r2, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(i1) || !in.r(r1) || !in.reals(3, point) || !in.i(i2) || !in.r(r2)) return;
    if (converts(mode)) CNVPNT(point, point);
}

void RDBT13(const i32& mode, i32& number, f32* start, f32* end, i32& total, i32& current, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.reals(3, start) || !in.reals(3, end) || !in.i(total) || !in.i(current)) return;
    if (converts(mode)) {
        list_xf(start, nullptr);
        list_xf(end, nullptr);
        CNVPNT(start, start);
        CNVPNT(end, end);
    }
}

void RDBT14(const i32& mode, i32& number, i32& gtype, f32* start, f32* end, f32* six, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.i(gtype) || !in.reals(3, start) || !in.reals(3, end) || !in.reals(6, six)) return;
    if (converts(mode)) {
        CNVPNT(start, start);
        CNVPNT(end, end);
    }
}

namespace {
void read_cycle(bool cancel, const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2,
                f32& r4, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    i32 name[2];
    if (!in.i(number) || !in.ints(2, name) || !in.i(i1) || !in.r(r1) || !in.r(r2) || !in.r(r3) || !in.i(i2) ||
        !in.r(r4))
        return;
    code = name[0];
    if (mode == AM_LISTCNV) {
        f32 dz = list_dz();
        r1 += dz;
        r4 += dz;
    }
    if (cancel && converts(mode)) CNVZVL(r1);
}
}  // namespace

void RDBT30(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status)
{
    read_cycle(false, mode, number, code, i1, r1, r2, r3, i2, r4, status);
}

void RDBT35(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status)
{
    read_cycle(true, mode, number, code, i1, r1, r2, r3, i2, r4, status);
}

void RDBT31(const i32& mode, const i32& size, i32& number, f32* point, f32* direction, i32& i1, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.reals(3, point)) return;
    if (size >= 7) {
        if (!in.reals(3, direction)) return;
    } else {
        zaxis(direction);
    }
    if (!in.i(i1)) return;
    if (converts(mode)) CNVPNT(point, point);
}

namespace {
void read_pair(const i32& mode, bool raise, i32& number, f32& r1, f32& r2, bool second, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (!in.i(number) || !in.r(r1)) return;
    if (second) {
        if (!in.r(r2)) return;
    } else {
        r2 = 0;
    }
    if (raise && mode == AM_LISTCNV) {
        f32 dz = list_dz();
        r1 += dz;
        r2 += dz;
    }
}
}  // namespace

void RDBT32(const i32& mode, i32& number, f32& r1, f32& r2, i32& status)
{
    read_pair(mode, true, number, r1, r2, true, status);
}

void RDBT33(const i32& mode, const i32& size, i32& number, f32& r1, f32& r2, i32& status)
{
    read_pair(mode, false, number, r1, r2, size == 4, status);
}

void RDBT34(const i32& mode, i32& number, i32& i1, i32& i2, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (in.i(number) && in.i(i1)) in.i(i2);
}

// The cycle depth and its second real take no conversion in any mode: they
// are read as stored. Mode 4 goes through rdmode like every reader's and
// reaches tpget as 2, which reads the same list words that 4 would (tpget
// takes 2 to 4 as the list), so the mode is in effect unchanged; only 5 is
// turned, to the entity, for the reason given at rdmode.
void RDBT36(const i32& mode, i32& number, f32& r1, f32& r2, i32& status)
{
    read_pair(mode, false, number, r1, r2, true, status);
}

void RDBT40(const i32& mode, i32& number, f32* matrix, f32* translation, i32& status)
{
    status = 0;
    In in{rdmode(mode), status};
    if (mode == AM_NONE) return;
    if (in.i(number) && in.reals(9, matrix)) in.reals(3, translation);
}
