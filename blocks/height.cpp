#include "blocks/height.h"

#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"

LastXY TPLAST = {0, 0.0f, 0.0f};

namespace {

struct Changer {
    const i32& medium;
    const i32& mode;
    const f32& value;
    i32& status;

    bool skip(i32 n)
    {
        if (status >= 0 && n != 0) TPSKIP(medium, n, DT_INT, status);
        if (status > 0) status = 0;
        return status >= 0;
    }
    bool read(i32 n, i32* to)
    {
        if (status >= 0) tpget(medium, n, DT_INT, to, status);
        if (status > 0) status = 0;
        return status >= 0;
    }
    // The real at the read position shifted or set.
    bool z()
    {
        f32 w = value;
        if (mode == 1) {
            f32 old = 0;
            if (status >= 0) tpget(medium, 1, DT_REAL, &old, status);
            if (status > 0) status = 0;
            if (status < 0 || !skip(-1)) return false;
            w = old + value;
        }
        // The list's words are changed by the host's change call; an entity
        // has no such call, and its word is overwritten in place by a write
        // at the position just read.
        if (medium == AM_ENTITY)
            TPPUT(medium, 1, DT_REAL, &w, status);
        else
            TPCHNG(1, &w, status);
        return status >= 0;
    }
    // X and Y of a point: false when the point repeats the last one.
    bool fresh(const i32& skipxy)
    {
        if (skipxy == 0) return skip(2);
        f32 xy[2];
        if (status >= 0) tpget(medium, 2, DT_REAL, xy, status);
        if (status > 0) status = 0;
        if (status < 0) return false;
        // Before any point was changed there is no last point to repeat: a
        // first point at X and Y 0 is changed like any other.
        const f32 last[2] = {TPLAST.x, TPLAST.y};
        if (TPLAST.set != 0 && eqpt2(xy, last) != 0) return false;
        TPLAST = {1, xy[0], xy[1]};
        return true;
    }
};
}  // namespace

void TPSETZ(const i32& medium, const i32& mode, i32 type, const i32& size, const f32& value, const f64& tol,
            const i32& skipxy, i32& number, i32& status)
{
    (void)tol;
    status = 0;
    Changer c{medium, mode, value, status};
    switch (type) {
    case BT_LINE: case BT_LINE5: case BT_LINEN:
        if (c.read(1, &number) && c.fresh(skipxy)) c.z();
        break;
    case BT_ARC: case BT_ARC5: case BT_ARCN: {
        i32 plane = 0;
        if (!c.read(1, &number) || !c.read(1, &plane) || !c.skip(3)) break;
        if (plane == 1) {
            c.skip(1);
        } else if (!c.z()) {
            break;
        }
        if (c.skip(2)) c.z();
        break;
    }
    case BT_STRING: case BT_STRING5: case BT_STRINGN: {
        const i32 rec = bt_point_words(type);
        const i32 points = (size - 1) / rec;
        for (i32 k = 0; k < points && status >= 0; ++k) {
            if (!c.read(1, &number)) break;
            if (!c.fresh(skipxy)) break;
            if (!c.z()) break;
            if (type != BT_STRING) c.skip(3);
        }
        break;
    }
    case BT_NURBS: case BT_NURBS5: case BT_NURBSN: {
        i32 kn[2] = {0, 0};
        if (!c.read(1, &number) || !c.read(1, &kn[0]) || !c.read(1, &kn[1])) break;
        const i32 k = kn[0], n = kn[1];
        // An order or a point count that the block cannot hold is a damaged
        // block: the reads by them would run past it. It is refused before
        // anything is changed.
        if (k < 1 || n < 1 || 4 * n + k + 3 > size - 1) {
            erou2c("TPSETZ, WRONG ORDER OR POINT COUNT ", k, n);
            status = -1;
            break;
        }
        std::vector<f64> knots(static_cast<size_t>(n + k)), pts(static_cast<size_t>(3 * n));
        for (i32 j = 0; j < n && status >= 0; ++j) {
            f32 w[4];
            tpget(medium, 4, DT_REAL, w, status);
            knots[static_cast<size_t>(j)] = w[0];
            for (int a = 0; a < 3; ++a) pts[static_cast<size_t>(3 * j + a)] = w[1 + a];
            f64& zj = pts[static_cast<size_t>(3 * j + 2)];
            zj = mode == 1 ? static_cast<f64>(static_cast<f32>(zj) + value) : value;
        }
        std::vector<f32> rest(static_cast<size_t>(k));
        if (status >= 0) tpget(medium, k, DT_REAL, rest.data(), status);
        if (status > 0) status = 0;
        if (status < 0) break;
        for (i32 j = 0; j < k; ++j) knots[static_cast<size_t>(n + j)] = rest[static_cast<size_t>(j)];
        // The curve rebuilt by the host through the control points moved.
        i32 curve = 0, st = 0, k2 = 0, n2 = 0;
        evbcre_bsp(k, n, knots.data(), pts.data(), -1, 3, curve, st);
        std::vector<f64> nk(static_cast<size_t>(n + k + 16)), np(static_cast<size_t>(3 * n));
        if (st == 0) evbget_bsp(curve, k2, n2, nk.data(), np.data(), n, st);
        evbfre(curve);
        // In the list the rebuilt curve takes a block of its own, whatever
        // its order and point count. In the entity stream it is written over
        // the old words, which hold exactly the old order and count: a curve
        // of any other shape would overrun the block or leave part of it.
        const bool fits = medium != AM_ENTITY || (k2 == k && n2 == n);
        if (st != 0 || n2 < 1 || k2 < 1 || !fits) {
            eroutc("TPSETZ, THE CURVE COULD NOT BE REBUILT", 0);
            status = -1;
            break;
        }
        if (medium == AM_ENTITY) {
            // The words replaced in place, the trailing knots too, so that
            // the stream stands at the block's end as after any other block.
            c.skip(-(4 * n + k));
            for (i32 j = 0; j < n && status >= 0; ++j) {
                const f32 w[4] = {static_cast<f32>(nk[static_cast<size_t>(j)]),
                                  static_cast<f32>(np[static_cast<size_t>(3 * j)]),
                                  static_cast<f32>(np[static_cast<size_t>(3 * j + 1)]),
                                  static_cast<f32>(np[static_cast<size_t>(3 * j + 2)])};
                TPPUT(medium, 4, DT_REAL, w, status);
            }
            for (i32 j = 0; j < k; ++j) rest[static_cast<size_t>(j)] = static_cast<f32>(nk[static_cast<size_t>(n + j)]);
            if (status >= 0) TPPUT(medium, k, DT_REAL, rest.data(), status);
            break;
        }
        // In the list the new block goes after the old one, which is
        // deleted. It is written by the block writer alone, keeping the
        // old block's type and number: the curve is the same move changed in
        // height, and a movement writer would also write technology
        // parameters, shift the tool state and number it anew.
        PTBT5(AM_LIST, type, k2, n2, nk.data(), np.data(), number, status);
        if (status < 0) break;
        i32 answer = 0;
        lacces(-1, answer);
        TPDELB(1, status);
        if (status >= 0) lacces(1, answer);
        break;
    }
    default:
        break;
    }
    if (status > 0) status = 0;
}

void NRBCNV(const i32& medium, const i32& mode, i32 type, const i32& size, const f32& value, const f64& tol,
            i32& number, i32& status)
{
    TPSETZ(medium, mode, type, size, value, tol, 0, number, status);
}
