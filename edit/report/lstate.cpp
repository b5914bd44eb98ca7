#include "edit/report/lstate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/writers.h"

ListingState LSTST = {0, LK_NONE, {0, 0, 0}, {}, {}, {}, {}};

namespace {
constexpr i32 MARK_SLOT = 19;  // list mark of the fresh state's look at the header

// Writes text right-justified into width characters; a text that does not
// fit fills the width with asterisks.
void put_field(char* out, i32 width, const char* text)
{
    i32 n = static_cast<i32>(std::strlen(text));
    if (n > width) {
        std::memset(out, '*', static_cast<size_t>(width));
        return;
    }
    std::memset(out, ' ', static_cast<size_t>(width - n));
    std::memcpy(out + width - n, text, static_cast<size_t>(n));
}

void text_at(char*& at, const char* text)
{
    size_t n = std::strlen(text);
    std::memcpy(at, text, n);
    at += n;
}

void real_at(char*& at, i32 width, f64 v)
{
    fmtf(at, width, v);
    at += width;
}
}  // namespace

void fmti(char* out, i32 width, i32 value)
{
    char b[16];
    std::snprintf(b, sizeof b, "%d", value);
    put_field(out, width, b);
}

void fmtf(char* out, i32 width, f64 value)
{
    char b[64];
    if (!std::isfinite(value)) {
        std::memset(out, '*', static_cast<size_t>(width));
        return;
    }
    std::snprintf(b, sizeof b, "%.4f", value);
    put_field(out, width, b);
}

void fmta(char* out, i32 width, const char* text, i32 length)
{
    std::memset(out, ' ', static_cast<size_t>(width));
    std::memcpy(out, text, static_cast<size_t>(length < width ? (length > 0 ? length : 0) : width));
}

void LSTRST()
{
    LSTST.proc = 0;
    LSTST.last = LK_NONE;
    for (f32& o : LSTST.origin) o = 0;
    if (lopnls() == 0) return;
    i32 answer = 0, st = 0;
    lmark(1, MARK_SLOT, answer);
    if (answer <= 0) return;
    ltop();
    lacces(2, answer);
    i32 size = 0, type = -1, cls = 0;
    if (answer >= 1) TPBLKH(AM_LIST, size, type, cls, st);
    if (answer >= 1 && st >= 0 && type == BT_HEADER) {
        i32 number = 0, header[HDR_WORDS];
        RDBT0(AM_LIST, size, number, header, st);
        if (st >= 0)
            for (int k = 0; k < 3; ++k) LSTST.origin[k] = wrd2r(header[3 + k]);
    }
    TPTOP(MARK_SLOT, st);
}

void FMTPRC(const i32& number)
{
    std::memset(LSTST.num, ' ', sizeof LSTST.num);
    fmti(LSTST.num + 1, 3, number);
}

void FMTBLK(const i32& proc, const i32& number)
{
    std::memset(LSTST.blk, ' ', sizeof LSTST.blk);
    fmti(LSTST.blk + 1, 3, proc);
    LSTST.blk[4] = '-';
    fmti(LSTST.blk + 5, 6, number);
}

void FMTVAL(const i32& mode, f32* values, const f32& scale)
{
    char* field = mode == 6 ? LSTST.lval : LSTST.val;
    std::memset(field, ' ', mode == 6 ? sizeof LSTST.lval : sizeof LSTST.val);
    char* at = field;
    auto scaled = [&](int k) { return static_cast<f64>(values[k] * scale); };
    switch (mode) {
    case 1:
    case 2: {
        // A vector component is cut, not rounded, to four decimals, in the
        // single precision it is stored in: a stored 0.7071 (0.70709997)
        // shows 0.7070, as the block itself holds less than 0.7071.
        if (mode == 2)
            for (int k = 0; k < 3; ++k)
                values[k] = std::trunc(values[k] * 10000.0f) * 0.0001f;
        const char* names[3] = {mode == 1 ? "X =" : "i =", mode == 1 ? "Y =" : "j =", mode == 1 ? "Z =" : "k ="};
        for (int k = 0; k < 3; ++k) {
            if (k) at += 3;
            text_at(at, names[k]);
            real_at(at, 11, scaled(k));
        }
        break;
    }
    case 3:
        at += 12;
        for (int k = 0; k < 3; ++k) {
            real_at(at, 11, values[k]);
            at += 1;
        }
        break;
    case 4:
        text_at(at, "X =");
        real_at(at, 11, scaled(0));
        at += 3;
        text_at(at, "Y =");
        real_at(at, 11, scaled(1));
        break;
    case 5:
        text_at(at, "K =");
        real_at(at, 8, scaled(0));
        break;
    case 6:
        text_at(at, "K =");
        real_at(at, 8, values[0]);
        for (int k = 1; k <= 3; ++k) {
            at += 3;
            text_at(at, k == 1 ? "X =" : k == 2 ? "Y =" : "Z =");
            real_at(at, 11, values[k]);
        }
        break;
    default: break;
    }
}

void PRTNRB(const i32& unit, const i32& number, const f32& scale, const i32& point, const f32& k, const f32* xyz)
{
    // The entry's value K as stored in both kinds of entry (a curve
    // parameter); the point in the listing's unit as every other point.
    FMTBLK(LSTST.proc, number);
    if (point == 0) {
        f32 v[1] = {k};
        FMTVAL(5, v, 1.0f);
        lnout(unit, {lnB(21), lnVAL()});
    } else {
        f32 v[4] = {k, xyz[0] * scale, xyz[1] * scale, xyz[2] * scale};
        FMTVAL(6, v, 1.0f);
        lnout(unit, {lnB(21), lnT(LSTST.lval, 80)});
    }
}

void lnout(const i32& unit, std::initializer_list<lnitem> items)
{
    filtxn(unit, items.begin(), static_cast<i32>(items.size()));
}

void lnblank(const i32& unit) { fltxtc(unit, " "); }

lnitem lnS(const char* text) { return lnT(text, static_cast<i32>(std::strlen(text))); }

void quoted(char* field, i32 width, const char* text, i32 length)
{
    std::memset(field, ' ', static_cast<size_t>(width));
    if (width < 2) return;
    i32 n = length < width - 2 ? length : width - 2;
    field[0] = '"';
    std::memcpy(field + 1, text, static_cast<size_t>(n > 0 ? n : 0));
    field[1 + (n > 0 ? n : 0)] = '"';
}
