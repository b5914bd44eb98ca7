#include "blocks/navig.h"

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"

void WENDPT(const i32& mode, const i32& type, const i32& size, f32* point, f32* direction, i32& number,
            i32& status)
{
    status = 0;
    direction[0] = direction[1] = 0, direction[2] = 1;
    i32 m = rdmode(mode);
    auto words = [&](i32 n, void* to) {
        if (status >= 0) tpget(m, n, DT_INT, to, status);
    };
    auto skip = [&](i32 n) {
        if (status >= 0 && n > 0) TPSKIP(m, n, DT_INT, status);
        if (status < 0) eroutc("WENDPT, ERRORS IN LIST", 0);
    };
    i32 iw[8];
    f32 rw[16];
    switch (type) {
    case 2: case 22: case 222: case 7: case 27: case 227: {
        i32 rec = type == 2 || type == 7 ? 4 : 7;
        i32 points = (size - 1) / rec;
        if (points < 1) {
            status = -1;
            return;
        }
        skip(rec * (points - 1));
        words(1, &number);
        words(3, point);
        if (type == 22 || type == 27) words(3, direction);
        break;
    }
    case 3: case 23: case 223:
        words(1, &number);
        words(6, iw);
        words(3, point);
        if (type == 23) words(3, direction);
        break;
    case 5: case 25: case 225: {
        i32 kn[3];
        words(3, kn);
        number = kn[0];
        if (kn[2] < 1) {
            status = -1;
            return;
        }
        skip(4 * kn[2] - 3);
        words(3, point);
        break;
    }
    case 31:
        words(1, &number);
        words(3, point);
        if (size >= 7) words(3, direction);
        break;
    case 9:
        words(1, &number);
        words(10, rw);
        words(3, point);
        break;
    case 11:
        words(1, &number);
        words(2, iw);
        words(3, point);
        break;
    case 13:
        words(1, &number);
        words(3, rw);
        words(3, point);
        break;
    case 14:
        words(1, &number);
        words(1, iw);
        words(3, point);
        break;
    default:
        break;
    }
    if (status > 0) status = 0;
}

namespace {
// Looks from the cursor in one direction (1 forward, -1 back) for a movement
// block and answers its end point; false when there is none.
bool movement(i32 way, f32* point, f32* dir, i32& status)
{
    while (true) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) return false;
        if (cls == BC_MOVE && type != 8) {
            i32 number = 0;
            WENDPT(AM_LIST, type, size, point, dir, number, status);
            return status >= 0;
        }
        i32 answer = 0;
        lacces(way, answer);
        if (answer < 0) return false;
    }
}
}  // namespace

void FSTLST(f32* first, f32* firstdir, f32* last, f32* lastdir, i32& none, i32& status)
{
    none = 1;
    status = 0;
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_APPEND, size, type, cls, status);
    if (status < 0 || type != 12) {
        eroutc("FSTLST,THE CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK", 0);
        status = -1;
        return;
    }
    PLFIND(GR_TOP, GR_FLAGS, status);
    i32 length = 0;
    if (status >= 0) tpget(AM_APPEND, 1, DT_INT, &length, status);
    if (status < 0) return;
    if (length == 0) {
        status = 0;
        return;
    }
    OPNSBL(status);
    if (status < 0) {
        eroutc("FSTLST - list errors", 0);
        return;
    }
    i32 answer = 0;
    lacces(2, answer);
    if (answer > 0 && movement(1, first, firstdir, status)) {
        none = 0;
        lacces(3, answer);
        movement(-1, last, lastdir, status);
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
