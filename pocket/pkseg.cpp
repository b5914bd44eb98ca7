// Segment geometry of pocket loops: comparisons, points at a parameter,
// lengths, tangents, nearest points of arcs, reversal.
#include <cmath>
#include <vector>

#include "core/seggeo.h"
#include "core/host.h"
#include "pocket/crossing.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"

i32 pk_eqpt2(const f64* a, const f64* b)
{
    f64 dx = a[0] - b[0], dy = a[1] - b[1];
    return dx * dx + dy * dy < 1e-12 ? 1 : 0;
}

i32 pk_eqpt(const f64* a, const f64* b)
{
    if (pokdim == 2) return pk_eqpt2(a, b);
    return pk_eqpt3(a, b);
}

i32 pk_eqpt3(const f64* a, const f64* b)
{
    f64 d = 0.0;
    for (int c = 0; c < 3; ++c) {
        f64 e = a[c] - (b ? b[c] : 0.0);
        d += e * e;
    }
    return d < 1e-12 ? 1 : 0;
}

i32 pk_eqval(const f64& a, const f64& b) { return std::fabs(a - b) < 1e-6 ? 1 : 0; }
i32 pk_eqval0(const f64& a) { return std::fabs(a) < 1e-6 ? 1 : 0; }

f64 pk_arc_sweep(const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy, const f64& ex,
                 const f64& ey)
{
    // The sweep from the angles of the two radii, not from the cosine of
    // the angle between them: the angles give the turn and its side in one
    // step, and there is no cosine that rounding can push beyond 1, so the
    // sweep cannot fail and no fit has to end on it. A start equal to the
    // end gives 0, and so does a zero radius at either end (its angle would
    // be that of no direction).
    if (std::hypot(sx - cx, sy - cy) < 1e-9 || std::hypot(ex - cx, ey - cy) < 1e-9) return 0.0;
    f64 as = std::atan2(sy - cy, sx - cx), ae = std::atan2(ey - cy, ex - cx);
    return pk_turn(dir >= 0 ? ae - as : as - ae);
}

void pokarr_point_at(const pokarr& a, i32& i, const f64& t, f64* p)
{
    p[0] = p[1] = p[2] = 0.0;
    if (a.dims == 2 && i >= 5) {
        if (i - 1 < a.count && pk_arc_at(a.x[i - 1])) i -= 1;
        if (i - 2 >= 0 && i - 2 < a.count && pk_arc_at(a.x[i - 2])) i -= 2;
        if (i - 3 >= 0 && i - 3 < a.count && pk_arc_at(a.x[i - 3])) i -= 3;
    }
    i32 s = i - 1;  // start entry
    if (s < 0 || s + 1 >= a.count) return;
    if (!pk_arc_at(a.x[s + 1])) {
        pk_lin_point(a.x[s], a.y[s], a.x[s + 1], a.y[s + 1], t, p[0], p[1]);
        if (a.dims >= 3) {
            i32 flat = 0, st = 0;
            f64 v[3];
            pk_get_seg(a, i, p, v, flat, st);
        }
        return;
    }
    if (s + 4 >= a.count) return;
    i32 dir = static_cast<i32>(a.y[s + 2]);
    pk_arc_point(a.x[s + 2], dir, a.x[s + 3], a.y[s + 3], a.x[s], a.y[s], a.x[s + 4], a.y[s + 4], t, p[0], p[1]);
    if (a.dims >= 3) p[2] = a.z[s + 3];
}

void pk_get_seg(const pokarr& a, const i32& i, f64* p, f64* v, i32& flat, i32& status)
{
    status = 0;
    i32 s = i - 1;
    if (s < 0 || s >= a.count || a.count < 2) {
        status = -1;
        return;
    }
    i32 e = s + 1 < a.count && pk_arc_at(a.x[s + 1]) ? s + 4 : s + 1;
    if (e >= a.count) e = 1;
    f64 p1[3] = {a.x[s], a.y[s], a.dims >= 3 ? a.z[s] : 0.0};
    f64 p2[3] = {a.x[e], a.y[e], a.dims >= 3 ? a.z[e] : 0.0};
    f64 n1[3] = {0.0, 0.0, 1.0}, n2[3] = {0.0, 0.0, 1.0};
    if (a.dims == 4)
        for (int c = 0; c < 3; ++c) {
            n1[c] = a.vec[3 * s + c];
            n2[c] = a.vec[3 * e + c];
        }
    f64 z = 0.0;
    SEGPRD(p1, p2, n1, n2, p, z, v, flat);
    p[2] = z;
}

void pokarr_seg_lengths(i32 mode, const pokarr& a, pokarr* out, f64& total, i32& status)
{
    status = 0;
    total = 0.0;
    if (out) {
        pokarr_clear(*out, a.count > 1 ? a.count - 1 : 0, status);
        if (status != 0) return;
    }
    bool withz = a.dims >= 3 && mode != 2;
    for (i32 k = 0; k + 1 < a.count;) {
        f64 len;
        i32 next;
        if (pk_arc_at(a.x[k + 1]) && k + 4 < a.count) {
            // An arc runs from its start in its own direction (its sweep in
            // [0, 2 pi)): one that turns more than a half turn, before it is
            // split, is as long as its sweep makes it, not its complement.
            // An end less than 1e-6 of a turn behind the start is round-off
            // of a null arc (as the area and the arc flattening take it): it
            // is as long as none, not a whole circle.
            i32 dir = a.y[k + 2] < 0.0 ? -1 : 1;
            f64 sweep = pk_arc_sweep(dir, a.x[k + 3], a.y[k + 3], a.x[k], a.y[k], a.x[k + 4], a.y[k + 4]);
            if (2.0 * M_PI - sweep < 1e-6) sweep = 0.0;
            len = a.x[k + 2] * sweep;
            next = k + 4;
        } else {
            f64 dx = a.x[k + 1] - a.x[k], dy = a.y[k + 1] - a.y[k];
            f64 dz = withz ? a.z[k + 1] - a.z[k] : 0.0;
            len = std::sqrt(dx * dx + dy * dy + dz * dz);
            next = k + 1;
        }
        total += len;
        if (out) {
            pokarr_add_vals(len, nullptr, nullptr, nullptr, *out, status);
            for (i32 z = k + 1; z < next && status == 0; ++z) pokarr_add_vals(0.0, nullptr, nullptr, nullptr, *out, status);
            if (status != 0) return;
        }
        k = next;
    }
}

void pk_longest_seg(const pokarr& a, i32& index)
{
    if (a.count < 2) return;
    f64 best = -1e10;
    for (i32 k = 0; k + 1 < a.count;) {
        f64 l;
        i32 next;
        if (pk_arc_at(a.x[k + 1]) && k + 4 < a.count) {
            f64 dx = a.x[k + 4] - a.x[k], dy = a.y[k + 4] - a.y[k];
            l = 1.5 * (dx * dx + dy * dy);
            next = k + 4;
        } else {
            f64 dx = a.x[k + 1] - a.x[k], dy = a.y[k + 1] - a.y[k];
            l = dx * dx + dy * dy;
            next = k + 1;
        }
        if (l > best) {
            best = l;
            index = k + 1;
        }
        k = next;
    }
}

void pk_area_xy(f64* x, f64* y, const i32& n, f64& area, i32& dir)
{
    pokarr a;
    pokarr_init_static(2, x, y, nullptr, nullptr, n, a);
    pokarr_area(a);
    area = a.area;
    dir = a.direction;
}

namespace {

void swap_entry(pokarr& a, i32 i, i32 j, bool coords_only)
{
    std::swap(a.x[i], a.x[j]);
    std::swap(a.y[i], a.y[j]);
    if (coords_only) return;
    if (a.dims >= 3) std::swap(a.z[i], a.z[j]);
    if (a.dims == 4)
        for (int c = 0; c < 3; ++c) std::swap(a.vec[3 * i + c], a.vec[3 * j + c]);
}

}  // namespace

void pokarr_reverse(pokarr& a)
{
    i32 n = a.count;
    // A 1-D array holds numbers, not a loop: it has no order of points nor a
    // direction to turn, and is left as it is.
    if (a.dims < 2) return;
    if (n >= 5)
        for (i32 k = 1; k + 2 < n; ++k)
            if (pk_arc_at(a.x[k])) {
                swap_entry(a, k, k + 2, true);
                a.y[k + 1] = -a.y[k + 1];
                k += 2;
            }
    for (i32 i = 0; i < n / 2; ++i) swap_entry(a, i, n - 1 - i, false);
    a.direction = -a.direction;
}

i32 pk_reverse_pts(i32 kind, f64* pts, const i32& n, i32& status)
{
    status = 0;
    pokarr a;
    pokarr_init_dyn(kind, n, a, status);
    if (status == 0) pokarr_from_flat(kind, pts, kind == 4 ? pts + 3 * n : nullptr, n, a, status);
    if (status == 0) {
        pokarr_reverse(a);
        i32 m = 0;
        pokarr_to_flat(kind, pts, kind == 4 ? pts + 3 * n : nullptr, m, a, status);
    }
    pokarr_free(a);
    i32 before = status;
    if (status < 0) status = 11;
    return before;
}

void pk_lin_point(const f64& x1, const f64& y1, const f64& x2, const f64& y2, const f64& t, f64& x, f64& y)
{
    f64 px = x1 + t * (x2 - x1), py = y1 + t * (y2 - y1);
    if (!pk_eqval0(t) && !pk_eqval(t, 1.0) &&
        ((pk_eqval(px, x2) && pk_eqval(py, y2)) || (pk_eqval(px, x1) && pk_eqval(py, y1)))) {
        px = 0.5 * (x1 + x2);
        py = 0.5 * (y1 + y2);
    }
    x = px;
    y = py;
}

void pk_arc_point(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                  const f64& ex, const f64& ey, const f64& t, f64& x, f64& y)
{
    f64 usx = sx - cx, usy = sy - cy, uex = ex - cx, uey = ey - cy, l = 0.0;
    bool ok = pk_unit2(usx, usy, l) && pk_unit2(uex, uey, l);
    f64 k = ok ? pk_cross2(usx, usy, uex, uey) : 0.0;
    // An arc of a half turn or more (its turn against its direction) goes by
    // angles: the blend of the end radii only serves arcs below a half turn.
    if (!ok || std::fabs(k) < 1e-6 || dir * k < 0.0) {
        pk_arc_point_ang(r, dir, cx, cy, sx, sy, ex, ey, t, x, y);
        return;
    }
    f64 mx = (1.0 - t) * usx + t * uex, my = (1.0 - t) * usy + t * uey;
    if (!pk_unit2(mx, my, l)) {
        pk_arc_point_ang(r, dir, cx, cy, sx, sy, ex, ey, t, x, y);
        return;
    }
    x = cx + r * mx;
    y = cy + r * my;
}

void pk_arc_point_ang(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                      const f64& ex, const f64& ey, const f64& t, f64& x, f64& y)
{
    const f64 full = 6.283185308;
    f64 as = std::atan2(sy - cy, sx - cx), ae = std::atan2(ey - cy, ex - cx);
    // The angle between the ends is tested before it is brought into a
    // turn: an arc whose end lies a hair behind its start is round-off of a
    // null arc and takes the straight interpolation, not the whole circle.
    f64 raw = dir == 1 ? ae - as : as - ae;
    f64 sweep = pk_turn(raw, full);
    if (std::fabs(raw) <= 0.01) {
        x = sx + t * (ex - sx);
        y = sy + t * (ey - sy);
        return;
    }
    f64 a = pk_turn(sweep * (dir == 1 ? t : 1.0 - t), full) + (dir == 1 ? as : ae);
    x = cx + r * std::cos(a);
    y = cy + r * std::sin(a);
}

void pk_seg_normal(const i32& which, const f64& cx, const f64& cy, const f64&, const i32& dir, const f64& sx,
                   const f64& sy, const f64& ex, const f64& ey, f64& tx, f64& ty)
{
    f64 rx = (which == 1 ? sx : ex) - cx, ry = (which == 1 ? sy : ey) - cy;
    f64 l = std::sqrt(rx * rx + ry * ry);
    // A point at the centre has no tangent: (0, 0), a segment without
    // direction to the callers, and no division by a null radius.
    if (l < 1e-300) {
        tx = ty = 0.0;
        return;
    }
    tx = -dir * ry / l;
    ty = dir * rx / l;
}

void pk_pnt_arc(const i32& mode, const f64& px, const f64& py, const f64& r, const i32& dir, const f64& cx,
                const f64& cy, const f64& sx, const f64& sy, const f64& ex, const f64& ey, f64& dist, f64& fx,
                f64& fy, f64& t)
{
    f64 dx = px - cx, dy = py - cy, d = std::sqrt(dx * dx + dy * dy);
    if (pk_eqval0(d)) {
        dist = r;
        t = 99.0;
        return;
    }
    dist = std::fabs(d - r);
    fx = cx + dx * r / d;
    fy = cy + dy * r / d;
    pk_arc_range(r, dir, cx, cy, sx, sy, ex, ey, fx, fy, t);
    if (mode == 2 && (t < 0.0 || t > 1.0)) {
        f64 ds = std::hypot(px - sx, py - sy), de = std::hypot(px - ex, py - ey);
        if (ds < de) {
            fx = sx;
            fy = sy;
            t = 0.0;
            dist = ds;
        } else {
            fx = ex;
            fy = ey;
            t = 1.0;
            dist = de;
        }
    }
}

void pk_arc_range(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                  const f64& ex, const f64& ey, const f64& fx0, const f64& fy0, f64& t)
{
    f64 fx = fx0, fy = fy0;
    if (pk_eqval(fx, sx) && pk_eqval(fy, sy)) {
        fx = sx;
        fy = sy;
    } else if (pk_eqval(fx, ex) && pk_eqval(fy, ey)) {
        fx = ex;
        fy = ey;
    }
    f64 as = std::atan2(sy - cy, sx - cx), ae = std::atan2(ey - cy, ex - cx), af = std::atan2(fy - cy, fx - cx);
    f64 sweep, ang;
    if (dir == 1) {
        sweep = pk_turn(ae - as);
        ang = pk_turn(af - as);
    } else {
        sweep = pk_turn(as - ae);
        ang = pk_turn(af - ae);
    }
    // A degenerate arc (no sweep) has every point at its start.
    if (sweep <= 0.0) {
        t = 0.0;
        return;
    }
    t = ang / sweep;
    // Any direction other than +1 is measured clockwise, from E back
    // (above): counted from S that is 1 - t, for -1 and for any stray value
    // alike, so the answer always runs from the arc's start.
    if (dir != 1) t = 1.0 - t;
}

void pk_angle(const f64&, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
              const f64& ex, const f64& ey, const f64& px, const f64& py, f64& frac, f64& tx, f64& ty)
{
    f64 ux = px - cx, uy = py - cy, l = 0.0;
    pk_unit2(ux, uy, l);
    tx = -dir * uy;
    ty = dir * ux;
    // Angles measured in the arc's own direction, so that an arc of a half
    // turn or more keeps its points in order.
    // An arc whose end lies a round-off hair behind its start (less than
    // 1e-6 of a turn short of a full one) is a null arc, as its length and
    // area take it: its fraction is 0 like that of an arc of no sweep.
    f64 sweep = pk_arc_sweep(dir, cx, cy, sx, sy, ex, ey);
    if (sweep < 1e-6 || 2.0 * M_PI - sweep < 1e-6) {
        frac = 0.0;
        return;
    }
    frac = pk_arc_sweep(dir, cx, cy, sx, sy, px, py) / sweep;
}

// The points O, A, B and C come as (x, y) pairs, not as x and y apart: the
// same values, in the form the callers hold them.
void pk_wedge_side(const i32& dir, const f64* o, const f64* a, const f64* b, const f64* c, i32& code)
{
    f64 ax = a[0] - o[0], ay = a[1] - o[1], bx = b[0] - o[0], by = b[1] - o[1], cx = c[0] - o[0], cy = c[1] - o[1];
    f64 l = 0.0;
    pk_unit2(ax, ay, l);
    pk_unit2(bx, by, l);
    pk_unit2(cx, cy, l);
    f64 k1 = pk_cross2(ax, ay, cx, cy) * dir, k2 = pk_cross2(cx, cy, bx, by) * dir;
    if (k1 >= 0.0)
        code = k2 >= 0.0 ? 0 : 2;
    else if (k2 >= 0.0)
        code = -2;
    else
        code = k2 < k1 ? 2 : -2;
}

void pk_lin_int(const f64& x1, const f64& y1, const f64& x2, const f64& y2, const f64& px, const f64& py, f64& t)
{
    f64 dx = x2 - x1, dy = y2 - y1;
    bool use_x = std::fabs(dx) > std::fabs(dy);
    f64 d = use_x ? dx : dy, s = use_x ? x1 : y1, e = use_x ? x2 : y2, p = use_x ? px : py;
    if (pk_zero(d)) {
        f64 lo = s < e ? s : e, hi = s < e ? e : s;
        t = p >= lo && p <= hi ? 0.0 : 1.5;
        return;
    }
    t = (p - s) / d;
}

void pk_max_axis(i32 n, const f64* a, const f64* b, const f64* p, f64& t)
{
    i32 k = 0;
    f64 best = -1.0;
    for (i32 c = 0; c < n; ++c) {
        f64 d = std::fabs(b[c] - a[c]);
        if (d > best) {
            best = d;
            k = c;
        }
    }
    if (n < 1 || best < 1e-6) {
        if (n < 1) {
            t = 1.5;
            return;
        }
        f64 lo = a[k] < b[k] ? a[k] : b[k], hi = a[k] < b[k] ? b[k] : a[k];
        t = p[k] >= lo && p[k] <= hi ? 0.0 : 1.5;
        return;
    }
    t = (p[k] - a[k]) / (b[k] - a[k]);
}

f64 pk_cross_mag(const i32& dimword, const f64* a, const f64* b)
{
    f64 c = a[0] * b[1] - a[1] * b[0];
    if (dimword == 2) return c;
    f64 cx = a[1] * b[2] - a[2] * b[1], cy = a[2] * b[0] - a[0] * b[2];
    f64 m = std::sqrt(cx * cx + cy * cy + c * c);
    return c < 0.0 ? -m : m;
}

void pk_self_int_xy(f64* x, f64* y, const i32& n, i32& status)
{
    pokarr a;
    pokarr_init_static(2, x, y, nullptr, nullptr, n, a);
    pk_arr_int(111, a, a, status);
}

void pk_arr_int(i32 mode, const pokarr& a, const pokarr& b, i32& status)
{
    status = 0;
    CrossTable t;
    i32 count = 0;
    lup_intersect_kept(mode, a, b, t, count, status);
    if (status < 0) return;
    // Too many crossings to hold still means the loops cross.
    status = count >= 1 || count == -1 ? 1 : 0;
}
