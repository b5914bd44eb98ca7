// Offset of one loop: segments moved along their normals, arcs moved
// radially, corners rebuilt by the corner rule.
#include "pocket/lupoff.h"

#include <algorithm>
#include <cmath>

#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

namespace {

// Signed turn of the current loop's first corner, for its last corner.
f64 first_turn = 0.0;

// Unit tangent of the arc block whose marker is at m, at its start (which
// 1) or end (which 2).
void arc_tangent(const pokarr& a, i32 m, i32 which, f64* t)
{
    pk_seg_normal(which, a.x[m + 2], a.y[m + 2], 0.0, a.y[m + 1] < 0.0 ? -1 : 1, a.x[m - 1], a.y[m - 1], a.x[m + 3],
                  a.y[m + 3], t[0], t[1]);
}

bool add_point(pokarr& res, f64 x, f64 y)
{
    const f64 p[3] = {x, y, 0.0};
    i32 st = 0;
    pokarr_add_pnt(p, res, st);
    return st == 0;
}

}  // namespace

void lup_corner(const i32& mode, const f64* a, const f64* v, const f64* nxt, const i32* flags, i32& round,
                const f64& limit, const i32& side, const f64& distance, f64* pts, i32& kind, f64* b, f64& len2)
{
    const f64 s = side, r = distance;
    b[0] = nxt[0] - v[0];
    b[1] = nxt[1] - v[1];
    f64 len = 0.0;
    if (!pk_unit2(b[0], b[1], len)) {
        b[0] = a[0];
        b[1] = a[1];
    }
    len2 = len * len;
    const f64 lenq = mode == 3 ? 4.0 * len2 : len2;
    const f64 na[2] = {s * a[1], -s * a[0]}, nb[2] = {s * b[1], -s * b[0]};
    const f64 traw = s * pk_cross2(a[0], a[1], b[0], b[1]);
    f64 t = traw, d = pk_dot2(a[0], a[1], b[0], b[1]);
    if (mode == 1) first_turn = traw;
    if (std::fabs(t) < 0.033) t = 0.0;
    if (d >= 0.9999) {
        t = 0.0;
        d = 1.0;
    }
    if (std::fabs(d) >= 0.9995 && d < 0.0) d = -1.0;
    round = 0;
    if (pk_round_corner != 0 && ((t > 0.0 && d < 0.99) || (t == 0.0 && d == -1.0))) {
        pts[0] = v[0] + r * na[0];
        pts[1] = v[1] + r * na[1];
        pts[2] = v[0] + r * nb[0];
        pts[3] = v[1] + r * nb[1];
        if (std::fabs(pts[0] - pts[2]) > 1e-6 || std::fabs(pts[1] - pts[3]) > 1e-6) {
            kind = 2;
            round = 1;
            len2 = lenq;
            return;
        }
    }
    const f64 q = d > -1.0 ? (1.0 - d) / (1.0 + d) * r * r : 0.0;
    const f64 m = std::min(limit, lenq);
    const bool arcs = flags[0] != 0 || flags[1] != 0;
    bool two;
    if (t == 0.0 && d == 1.0)
        two = false;
    else if (t == 0.0 && d == -1.0)
        two = true;
    else if (t < 0.0 && q > m + 1e-12)
        two = true;
    else if (t >= 0.0)
        two = d < -0.08;
    else
        two = arcs;
    const f64 e = t >= 0.0 ? r : 0.0;
    len2 = lenq;
    if (two) {
        pts[0] = v[0] + r * na[0] + e * a[0];
        pts[1] = v[1] + r * na[1] + e * a[1];
        pts[2] = v[0] + r * nb[0] - e * b[0];
        pts[3] = v[1] + r * nb[1] - e * b[1];
        kind = 2;
        if (t >= 0.0) return;
        if (std::fabs(pts[0] - pts[2]) >= 0.01 * r || std::fabs(pts[1] - pts[3]) >= 0.01 * r) {
            // A concave pair: the caller joins it by an arc about the vertex
            // turning with the loop, never by the chord, which passes closer
            // to the vertex than the distance (where the two offsets do not
            // meet, as between two arcs curving apart, the chord would stay
            // in the result).
            round = 2;
            return;
        }
    }
    // One point: where the two offset lines meet.
    const f64 turn = arcs ? t : traw;
    const f64 sigma = turn >= 0.0 ? -1.0 : 1.0, run = std::sqrt(std::max(q, 0.0));
    pts[0] = v[0] + r * nb[0] + sigma * run * b[0];
    pts[1] = v[1] + r * nb[1] + sigma * run * b[1];
    kind = 1;
    // opposite: of the other sign; a first turn of exactly 0 (a start on a
    // straight run) has no side, so no turn is opposite to it
    if (mode == 3 && std::fabs(t) == 1.0 && t * first_turn < 0.0) {
        const f64 dx = pts[0] - v[0], dy = pts[1] - v[1];
        if (dx * dx + dy * dy > lenq) {  // farther than 2 L from the vertex
            pts[0] = v[0] + r * na[0] + e * a[0];
            pts[1] = v[1] + r * na[1] + e * a[1];
        }
    }
}

void lup_end_offset(const i32& which, const i32& side, const f64& distance, const pokarr& loop, const i32& index,
                    f64& x, f64& y, i32& status)
{
    // An index outside 1 .. count-1, or an arc block running past the
    // loop's end, names a segment the loop does not hold: status 11 rather
    // than an offset computed from entries past the stored ones.
    status = 11;
    if (index < 1 || index >= loop.count) return;
    const f64* px = loop.x;
    const f64* py = loop.y;
    if (pk_arc_at(px[index])) {
        if (index + 3 >= loop.count) return;
        const i32 p = which == 1 ? index - 1 : index + 3;
        const f64 cx = px[index + 2], cy = py[index + 2];
        const f64 dir = py[index + 1] < 0.0 ? -1.0 : 1.0;
        f64 ux = px[p] - cx, uy = py[p] - cy, l = 0.0;
        if (!pk_unit2(ux, uy, l)) {
            ux = uy = 0.0;
        }
        x = px[p] + side * dir * distance * ux;
        y = py[p] + side * dir * distance * uy;
    } else {
        const f64 x1 = px[index - 1], y1 = py[index - 1], x2 = px[index], y2 = py[index];
        f64 nx = y2 - y1, ny = x1 - x2, l = 0.0;
        if (!pk_unit2(nx, ny, l)) nx = ny = 0.0;
        const i32 p = which == 1 ? index - 1 : index;
        x = px[p] + side * distance * nx;
        y = py[p] + side * distance * ny;
    }
    status = 0;
}

void lup_offset(const i32& side, const i32& mode, const f64& distance, const pokarr& loop, pokarr& result,
                i32& status)
{
    if (loop.dims == 2)
        lup_offset2d(side, mode, distance, loop, result, status);
    else
        lup_offset3d(side, distance, loop, result, status);
}

void lup_offset2d(const i32& side, const i32& mode, const f64& distance, const pokarr& loop, pokarr& result,
                  i32& status)
{
    // Besides the empty and the over-long caller loop, a loop of fewer than
    // 2 entries (no segment) or one that is not 2-D gives status 11 too: the
    // walk below reads entries 0 and 1, and a loop with heights belongs to
    // the offset along the surfaces, whose heights a plane offset would drop.
    status = 11;
    const i32 n = loop.count;
    if (loop.storage == PKS_EMPTY || (loop.storage == PKS_STATIC && n > PK_STATIC_MAX) || n < 2 || loop.dims != 2)
        return;
    // Half the contour offset tolerance, at most 0.0004: with the offset
    // tolerance (0.001) as with the segment tolerance the contours were
    // repaired with (at least 0.001), the joins are made within 0.0004.
    const f64 ejoin = std::min(0.5 * pk_offset_tol, 0.0004);
    const i32 last = n - 1;
    const f64* px = loop.x;
    const f64* py = loop.y;
    i32 st = 0;
    pokarr_clear(result, 3 * n + 8, st);
    if (st != 0) return;

    // Incoming direction of the first vertex and its length limit.
    f64 a[2], lim;
    i32 k;
    if (pk_arc_at(px[1])) {
        if (last < 4) return;  // the first arc block needs entries 1 .. 4: status 11
        arc_tangent(loop, 1, 1, a);
        lim = 0.0001;
        k = 0;
    } else {
        a[0] = px[1] - px[0];
        a[1] = py[1] - py[0];
        lim = 4.0 * (a[0] * a[0] + a[1] * a[1]);
        f64 l = 0.0;
        if (!pk_unit2(a[0], a[1], l)) a[0] = 1.0, a[1] = 0.0;
        k = 1;
    }
    f64 x = 0.0, y = 0.0;
    lup_end_offset(1, side, distance, loop, 1, x, y, st);
    if (st != 0 || !add_point(result, x, y)) return;

    i32 flags[2] = {0, 0};
    const i32 rdir = side == 1 && mode >= 0 ? 1 : -1;
    // Writes the corner points of vertex v.
    auto put_corner = [&](const f64* pts, i32 kind, i32 round, const f64* v) {
        if (!add_point(result, pts[0], pts[1])) return false;
        if (kind != 2) return true;
        if (round != 0) {
            i32 e = 0;
            pokarr_add_arc(pts[2], pts[3], nullptr, v[0], v[1], distance, round == 2 ? -side : rdir, result, e);
            return e == 0;
        }
        return add_point(result, pts[2], pts[3]);
    };
    while (k + 1 <= last) {
        const i32 j = k + 1;
        const f64 v[2] = {px[k], py[k]};
        f64 pts[4], b[2], len2 = 0.0;
        i32 kind = 1, round = 0;
        if (!pk_arc_at(px[j])) {
            const f64 nxt[2] = {px[j], py[j]};
            const i32 cmode = j == last ? 3 : (j == 2 ? 1 : 2);
            flags[0] = 0;
            lup_corner(cmode, a, v, nxt, flags, round, lim, side, distance, pts, kind, b, len2);
            if (!put_corner(pts, kind, round, v)) return;
            a[0] = b[0];
            a[1] = b[1];
            lim = len2;
            flags[1] = 0;
            k = j;
            continue;
        }
        // An arc block cut short by the loop's end: its radius, centre or end
        // would be read past the stored entries, so the offset ends with 11.
        if (j + 3 > last) return;
        f64 t[2];
        arc_tangent(loop, j, 1, t);
        const f64 nxt[2] = {v[0] + 100.0 * t[0], v[1] + 100.0 * t[1]};
        const i32 cmode = j + 3 == last ? 3 : 2;
        flags[0] = 1;
        lup_corner(cmode, a, v, nxt, flags, round, lim, side, distance, pts, kind, b, len2);
        if (!put_corner(pts, kind, round, v)) return;
        const f64 r = px[j + 1], dir = py[j + 1] < 0.0 ? -1.0 : 1.0, cx = px[j + 2], cy = py[j + 2];
        const f64 rr = r + side * dir * distance;
        f64 ux = v[0] - cx, uy = v[1] - cy, l = 0.0;
        if (!pk_unit2(ux, uy, l)) ux = uy = 0.0;
        if (!add_point(result, cx + rr * ux, cy + rr * uy)) return;
        f64 wx = px[j + 3] - cx, wy = py[j + 3] - cy;
        if (!pk_unit2(wx, wy, l)) wx = wy = 0.0;
        const f64 ex = cx + rr * wx, ey = cy + rr * wy;
        if (rr > r || rr > ejoin) {
            i32 e = 0;
            pokarr_add_arc(ex, ey, nullptr, cx, cy, rr, dir < 0.0 ? -1 : 1, result, e);
            if (e != 0) return;
        } else if (!add_point(result, ex, ey)) {
            return;
        }
        arc_tangent(loop, j, 2, a);
        lim = 0.0001;
        flags[1] = 1;
        k = j + 3;
    }
    const i32 endix = last > 3 && pk_arc_at(px[last - 3]) ? last - 3 : last;
    lup_end_offset(2, side, distance, loop, endix, x, y, st);
    if (st != 0 || !add_point(result, x, y)) return;
    status = 0;
}
