// Clean-up of closed pocket loops: short segments, straight runs, arc refits
// and spike removal.
#include "pocket/pkclean.h"

#include <cmath>

#include "core/host.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

f64 pk_short_tol()
{
    if (pokdim != 2) return 1.0e-6;
    f64 t = 0.5 * pk_offset_tol;
    if (t > 0.001) t = 0.001;
    if (t < 0.0001) t = 0.0001;
    return t;
}
f64 pk_colin_dist_tol() { return pokdim == 2 ? 0.0001 : 1.0e-6; }
f64 pk_colin_sin_tol() { return pokdim == 2 ? 0.0005 : 1.0e-6; }

namespace {

bool marker(const pokarr& a, i32 k) { return k >= 0 && k < a.count && pk_arc_at(a.x[k]); }

void set_xy(pokarr& a, i32 k, f64 x, f64 y)
{
    a.x[k] = x;
    a.y[k] = y;
}

// Span of a point X on an arc (centre M, start S, end E, direction): 0
// within, 1 beyond the end, -1 before the start.
i32 span(f64 mx, f64 my, f64 sx, f64 sy, f64 ex, f64 ey, i32 dir, f64 xx, f64 xy)
{
    f64 us[2] = {sx - mx, sy - my}, ux[2] = {xx - mx, xy - my}, ue[2] = {ex - mx, ey - my}, l = 0.0;
    pk_unit2(us[0], us[1], l);
    pk_unit2(ux[0], ux[1], l);
    pk_unit2(ue[0], ue[1], l);
    f64 c1 = dir * pk_cross2(us[0], us[1], ux[0], ux[1]), c2 = dir * pk_cross2(ux[0], ux[1], ue[0], ue[1]);
    if (c1 >= 0.0 && c2 >= 0.0) return 0;
    if (c1 >= 0.0 && c2 < 0.0) return 1;
    if (c1 < 0.0 && c2 >= 0.0) return -1;
    return c2 < c1 ? 1 : -1;
}

}  // namespace

void pk_loop_fix(i32 a, i32 b, i32 mode, pokarr& arr)
{
    i32 n = arr.count;
    // An arc block takes five entries with its start; an array shorter than
    // that, one without points (1-D) or a new end outside the array holds no
    // arc to refit, and reading one would run past the entries: left as it is.
    if (n < 5 || arr.dims < 2) return;
    bool closed = pk_eq(arr.x[0], arr.x[n - 1]) && pk_eq(arr.y[0], arr.y[n - 1]);
    f64 S[2], E[2];
    if (mode == 1) {
        if (a == n - 1) a = 0;
        if (b < 0 || b >= n) return;
        S[0] = arr.x[b];
        S[1] = arr.y[b];
        E[0] = arr.x[(a + 4) % n];
        E[1] = arr.y[(a + 4) % n];
    } else {
        if (a + 4 > n - 1 || b < 0 || b >= n) return;
        S[0] = arr.x[a];
        S[1] = arr.y[a];
        E[0] = arr.x[b];
        E[1] = arr.y[b];
    }
    i32 ci = (a + 3) % n, ri = (a + 2) % n;
    f64 M[2] = {arr.x[ci], arr.y[ci]}, r = arr.x[ri];
    i32 dir = arr.y[ri] < 0.0 ? -1 : 1;
    f64 q1[2] = {S[0] - M[0], S[1] - M[1]}, q2[2] = {E[0] - M[0], E[1] - M[1]}, l = 0.0;
    if (!pk_unit2(q1[0], q1[1], l) || !pk_unit2(q2[0], q2[1], l)) return;
    f64 ch = (S[0] - E[0]) * (S[0] - E[0]) + (S[1] - E[1]) * (S[1] - E[1]);
    if (pk_dot2(q1[0], q1[1], q2[0], q2[1]) <= -0.9995 || 3.99 * r * r <= ch) return;
    i32 cnt = 0;
    f64 c[4];
    pk_circ_circ_xy(S[0], S[1], r, E[0], E[1], r, cnt, c[0], c[1], c[2], c[3]);
    if (cnt < 1) return;
    f64 nc[2] = {c[0], c[1]};
    if (cnt == 2) {
        f64 d1 = std::hypot(c[0] - M[0], c[1] - M[1]), d2 = std::hypot(c[2] - M[0], c[3] - M[1]);
        if (d2 <= d1) {
            nc[0] = c[2];
            nc[1] = c[3];
        }
    }
    set_xy(arr, ci, nc[0], nc[1]);
    f64 lim = 4.0 * pk_tol * pk_tol;
    // The candidate where a neighbouring arc's circle meets the new circle,
    // near the joint j.
    auto meet = [&](i32 cen, i32 rad, i32 j, f64* X, i32& found) {
        found = 0;
        i32 m = 0;
        f64 p[4];
        pk_circ_circ_xy(arr.x[cen], arr.y[cen], arr.x[rad], nc[0], nc[1], r, m, p[0], p[1], p[2], p[3]);
        f64 jx = arr.x[j], jy = arr.y[j];
        f64 d1 = (p[0] - jx) * (p[0] - jx) + (p[1] - jy) * (p[1] - jy);
        f64 d2 = (p[2] - jx) * (p[2] - jx) + (p[3] - jy) * (p[3] - jy);
        if (m == 1 && d1 < lim) {
            X[0] = p[0];
            X[1] = p[1];
            found = 1;
        } else if (m == 2 && (d1 < lim || d2 < lim)) {
            bool second = d2 <= d1;
            X[0] = second ? p[2] : p[0];
            X[1] = second ? p[3] : p[1];
            found = 2;
        }
    };
    // The joint at point j with the arc that ends there (mode 0 at a, mode 1 at b).
    auto joint_before = [&](i32 j) {
        bool arc = marker(arr, (n - 3 + j) % n) || (j == 0 && marker(arr, (n - 4) % n));
        if (!arc) return;
        i32 k = j == 0 ? j + n - 1 : j + n;
        f64 X[2];
        i32 found = 0;
        meet((k - 1) % n, (k - 2) % n, j, X, found);
        if (!found) return;
        set_xy(arr, j, X[0], X[1]);
        if (j == 0) pokarr_copy_entry(arr, n - 1, 0);
    };
    if (mode == 0) {
        joint_before(a);
        bool arc = marker(arr, (b + 1) % n) || (b == n - 1 && marker(arr, 1));
        if (arc) {
            i32 k = b == n - 1 ? b + 1 : b;
            f64 X[2];
            i32 found = 0;
            meet((k + 3) % n, (k + 2) % n, b, X, found);
            if (found) {
                f64 dx = X[0] - arr.x[b], dy = X[1] - arr.y[b];
                if (dx * dx + dy * dy > 1e-6 && b != n - 1) {
                    i32 nb = (b + 1) % n;
                    i32 ndir = arr.y[(nb + 1) % n] < 0.0 ? -1 : 1;
                    if (span(arr.x[(b + 3) % n], arr.y[(b + 3) % n], arr.x[b], arr.y[b], arr.x[(b + 4) % n],
                             arr.y[(b + 4) % n], ndir, X[0], X[1]) == 1) {
                        X[0] = arr.x[(b + 4) % n];
                        X[1] = arr.y[(b + 4) % n];
                    } else if ((found == 2 || a != n - 1) &&
                               span(nc[0], nc[1], S[0], S[1], E[0], E[1], dir, X[0], X[1]) == -1) {
                        X[0] = arr.x[a];
                        X[1] = arr.y[a];
                    }
                }
                set_xy(arr, b, X[0], X[1]);
                if (b == n - 1 && closed) pokarr_copy_entry(arr, 0, n - 1);
            }
        }
    } else {
        joint_before(b);
        bool arc = marker(arr, (a + 5) % n) || (a == n - 5 && marker(arr, 1));
        // The joint is made again at entry a + 4, the candidate taken; on a
        // loop too short for that entry to exist the arc after is left
        // alone rather than a point written past the entries.
        if (arc && a + 4 < n) {
            i32 w = a == n - 5 ? 1 : 0;
            f64 X[2];
            i32 found = 0;
            meet((a + 7 + w) % n, (a + 6 + w) % n, a + 4, X, found);
            if (found) {
                set_xy(arr, a + 4, X[0], X[1]);
                if (n >= 5 && a == n - 5) pokarr_copy_entry(arr, 0, n - 1);
            }
        }
    }
}

void pk_del_short(pokarr& a)
{
    f64 t = pk_short_tol();
    i32 n = a.count;
    if (n >= 2) {
        f64 acc = 0.0;
        bool flat = a.dims == 2;
        for (i32 i = 0; i < n - 1;) {
            i32 L = marker(a, i + 1) ? 4 : 1, e = i + L;
            // an arc block cut short by the array's end has no end point to
            // measure to: the walk stops there and leaves it, rather than
            // read past the entries
            if (e > n - 1) break;
            f64 dx = a.x[e] - a.x[i], dy = a.y[e] - a.y[i];
            bool shrt = std::fabs(dx) < t && std::fabs(dy) < t;
            if (shrt && a.dims >= 3) shrt = std::fabs(a.z[e] - a.z[i]) < t;
            if (shrt && flat) {
                acc += dx * dx + dy * dy;
                shrt = acc < t * t;
            }
            if (!shrt) {
                acc = 0.0;
                i = e;
                continue;
            }
            bool was_closed = pk_eqval(a.x[0], a.x[n - 1]) && pk_eqval(a.y[0], a.y[n - 1]);
            if (flat) {
                if (i >= 4 && marker(a, i - 3)) pk_loop_fix(i - 4, e, 0, a);
                if (i == 0 && n > 4 && marker(a, n - 4) && was_closed) {
                    pk_loop_fix(n - 5, L == 1 ? 1 : 4, 0, a);
                    pokarr_copy_entry(a, n - 1, L == 1 ? 1 : 4);
                }
            }
            pokarr_drop(a, i, L);
            n = a.count;
            // The loop stays closed on its new first point.
            if (i == 0 && was_closed && n >= 2) pokarr_copy_entry(a, n - 1, 0);
        }
    }
    pk_merge_arcs(a);
}

namespace {

// The unit vector from p to q and its length; false for one below 1e-6.
bool unit_between(const f64* p, const f64* q, f64* u, f64& len)
{
    for (int c = 0; c < 3; ++c) u[c] = q[c] - p[c];
    return pk_unit3(u, len) && len >= 1e-6;
}

f64 cross_len(const f64* u, const f64* w)
{
    f64 cx = u[1] * w[2] - u[2] * w[1], cy = u[2] * w[0] - u[0] * w[2], cz = u[0] * w[1] - u[1] * w[0];
    return std::sqrt(cx * cx + cy * cy + cz * cz);
}

// Whether a forward turn from u to w is straight: in a plane array by its
// sine or by the point's distance from the chord h (l1 the length along u),
// else by the sine of the 3-vectors.
bool straight_turn(bool flat, const f64* u, const f64* w, const f64* h, f64 l1, f64 tS, f64 tD)
{
    if (flat) {
        f64 s = std::fabs(pk_cross2(u[0], u[1], w[0], w[1]));
        f64 d = std::fabs(pk_cross2(h[0], h[1], u[0], u[1])) * l1;
        return s < tS || d < tD;
    }
    return cross_len(u, w) < tS;
}

// Entry i into the collector, unless the chord h runs (nearly) vertically.
void collect(pokarr* collector, const pokarr& a, i32 i, const f64* h)
{
    if (!collector || std::fabs(h[2]) >= 0.9995) return;
    i32 st = 0;
    const f64 y = a.y[i], z = a.dims >= 3 ? a.z[i] : 0.0;
    pokarr_add_vals(a.x[i], &y, &z, nullptr, *collector, st);
}

// Two arcs of one circle meeting at the closing point become one; true when
// they did.
bool close_arcs(pokarr& a)
{
    i32 n = a.count;
    if (n <= 9 || !marker(a, 1) || !marker(a, n - 4)) return false;
    f64 f[3] = {a.x[0], a.y[0], a.dims >= 3 ? a.z[0] : 0.0}, g[3] = {a.x[n - 1], a.y[n - 1], a.dims >= 3 ? a.z[n - 1] : 0.0};
    bool same_ends = pk_eq(f[0], g[0]) && pk_eq(f[1], g[1]) && pk_eq(f[2], g[2]);
    bool same_arc = std::fabs(a.x[2] - a.x[n - 3]) <= 0.001 && std::fabs(a.y[2] - a.y[n - 3]) <= 0.001 &&
                    std::fabs(a.x[3] - a.x[n - 2]) <= 0.001 && std::fabs(a.y[3] - a.y[n - 2]) <= 0.001;
    if (!same_ends || !same_arc) return false;
    f64 cx = a.x[3], cy = a.y[3], l = 0.0;
    f64 q1[2] = {a.x[n - 5] - cx, a.y[n - 5] - cy}, q2[2] = {a.x[4] - cx, a.y[4] - cy};
    pk_unit2(q1[0], q1[1], l);
    pk_unit2(q2[0], q2[1], l);
    i32 dir = a.y[2] < 0.0 ? -1 : 1;
    if (!pk_ge0(dir * pk_cross2(q1[0], q1[1], q2[0], q2[1])) || !(pk_dot2(q1[0], q1[1], q2[0], q2[1]) > 0.5))
        return false;
    pokarr_copy_entry(a, 0, n - 5);
    a.count = n - 4;
    return true;
}

// The closing point of a closed loop whose first and last segments are
// straight: removed when the loop runs straight through it.
void close_point(pokarr& a, bool usez, f64 tS, f64 tD, pokarr* collector)
{
    i32 n = a.count;
    if (n < 3 || marker(a, 1) || (n > 4 && marker(a, n - 4))) return;
    // u and w carry z for any array with heights, the chord h as the walk's
    // triples do (z only with the z flag); a null last segment (u) removes
    // the closing point at once, as on the walk.
    auto at = [&](i32 k, bool z, f64* p) {
        p[0] = a.x[k];
        p[1] = a.y[k];
        p[2] = z ? a.z[k] : 0.0;
    };
    const bool heights = a.dims >= 3;
    f64 p0[3], pl[3], pm[3], p1[3], u[3], w[3], h[3] = {0.0, 0.0, 0.0}, l1 = 0.0, l2 = 0.0, l3 = 0.0;
    at(0, heights, p0);
    at(n - 1, heights, pl);
    at(n - 2, heights, pm);
    at(1, heights, p1);
    bool null_u = !unit_between(pm, pl, u, l1);
    bool ok = unit_between(p0, p1, w, l2);
    at(n - 2, usez, pm);
    at(1, usez, p1);
    ok = ok && unit_between(pm, p1, h, l3);
    if (null_u) h[0] = h[1] = h[2] = 0.0;
    bool mark = null_u || (ok && u[0] * w[0] + u[1] * w[1] + u[2] * w[2] > 0.0 &&
                           straight_turn(a.dims == 2, u, w, h, l1, tS, tD));
    if (!mark) return;
    collect(collector, a, n - 1, h);
    pokarr_copy_entry(a, 0, n - 2);
    a.count = n - 1;
}

}  // namespace

void pk_del_colin(const i32& closed, i32 zflag, pokarr& a, pokarr* collector)
{
    f64 tD = pk_colin_dist_tol(), tS = pk_colin_sin_tol();
    bool flat = a.dims == 2;
    bool plane = pokdim == 2;
    bool usez = a.dims >= 3 && zflag;
    pokarr gone;  // points removed since the last kept one
    // Of the array's own kind where points can be added to it (2 or 3); an
    // array with normals (or one without points) keeps its removed points
    // in a 3-D array, since the point store takes 2-D and 3-D arrays only
    // and would refuse every point, leaving the distance check unmade.
    pokarr_init(a.dims >= 2 && a.dims <= 3 ? a.dims : 3, gone);
    auto P = [&](i32 k, f64* p) {
        p[0] = a.x[k];
        p[1] = a.y[k];
        p[2] = usez ? a.z[k] : 0.0;
    };
    auto drop = [&](i32 i, const f64* h) {
        i32 st = 0;
        if (plane) {
            const f64 p[3] = {a.x[i], a.y[i], a.dims >= 3 ? a.z[i] : 0.0};
            pokarr_add_pnt(p, gone, st);
        }
        collect(collector, a, i, h);
        pokarr_drop(a, i, 1);
    };
    // Whether P[i] is on the straight run from P[i-1] to P[i+1]; h the chord.
    auto straight = [&](i32 im, i32 i, i32 ip, f64* h, bool& remove_now) -> bool {
        f64 p0[3], p1[3], p2[3], u[3], w[3], l1 = 0.0, l2 = 0.0, l3 = 0.0;
        P(im, p0);
        P(i, p1);
        P(ip, p2);
        remove_now = false;
        if (!unit_between(p0, p1, u, l1)) {
            h[0] = h[1] = h[2] = 0.0;
            remove_now = true;
            return true;
        }
        if (!unit_between(p1, p2, w, l2) || !unit_between(p0, p2, h, l3)) return false;
        if (u[0] * w[0] + u[1] * w[1] + u[2] * w[2] <= 0.0) return false;
        return straight_turn(flat, u, w, h, l1, tS, tD);
    };
    for (i32 i = 1; i < a.count - 1;) {
        if (marker(a, i)) {
            i += 4;
            gone.count = 0;
            continue;
        }
        if (marker(a, i + 1)) {
            i += 5;
            gone.count = 0;
            continue;
        }
        f64 h[3];
        bool now = false;
        bool mark = straight(i - 1, i, i + 1, h, now);
        if (mark && !now && plane && gone.count > 0) {
            // Every point removed since the last kept one must stay within tD
            // of the new chord.
            f64 p0[3], p2[3], hh[3], l3 = 0.0;
            P(i - 1, p0);
            P(i + 1, p2);
            if (unit_between(p0, p2, hh, l3))
                for (i32 k = 0; k < gone.count && mark; ++k) {
                    f64 qq[3] = {gone.x[k] - p0[0], gone.y[k] - p0[1], 0.0}, lq = 0.0;
                    if (!pk_unit3(qq, lq)) continue;
                    if (std::fabs(pk_cross2(hh[0], hh[1], qq[0], qq[1])) * lq >= tD) mark = false;
                }
        }
        if (mark) {
            drop(i, h);
            continue;
        }
        gone.count = 0;
        ++i;
    }
    if (!close_arcs(a) && closed) close_point(a, usez, tS, tD, collector);
    pk_merge_arcs(a);
    pokarr_free(gone);
}

void pk_del_colin_xy(const i32& closed, f64* x, f64* y, i32& n)
{
    pokarr a;
    pokarr_init_static(2, x, y, nullptr, nullptr, n, a);
    pk_del_colin(closed, 0, a, nullptr);
    n = a.count;
}
