// Spike removal of a closed pocket loop: where a short middle segment doubles
// back, the segments before and after it are joined at their meeting point.
#include <cmath>

#include "core/host.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

namespace {

bool mk(const pokarr& a, i32 k) { return k >= 0 && k < a.count && pk_arc_at(a.x[k]); }

// Segment starting at entry s: its end entry and whether it is an arc.
i32 seg_end(const pokarr& a, i32 s) { return mk(a, s + 1) ? s + 4 : s + 1; }

// Unit start (which 1) or end (2) direction of the segment starting at s;
// false for a segment without direction (the caller keeps its last one).
bool seg_dir(const pokarr& a, i32 s, i32 which, f64* d)
{
    i32 e = seg_end(a, s);
    if (e >= a.count) return false;
    bool flat = a.dims == 2;
    f64 dz = flat ? 0.0 : a.z[e] - a.z[s];
    if (pk_eqval0(a.x[e] - a.x[s]) && pk_eqval0(a.y[e] - a.y[s]) && pk_eqval0(dz)) return false;
    if (mk(a, s + 1)) {
        f64 tx = 0.0, ty = 0.0;
        pk_seg_normal(which, a.x[s + 3], a.y[s + 3], 0.0, a.y[s + 2] < 0.0 ? -1 : 1, a.x[s], a.y[s], a.x[e], a.y[e],
                      tx, ty);
        d[0] = tx;
        d[1] = ty;
        d[2] = 0.0;
        return true;
    }
    d[0] = a.x[e] - a.x[s];
    d[1] = a.y[e] - a.y[s];
    d[2] = dz;
    f64 l = 0.0;
    return pk_unit3(d, l);
}

f64 dot3(const f64* u, const f64* v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; }

// Start entry of the segment that ends at entry s (the closing segment for
// s = 0); whether it is an arc.
i32 seg_before(const pokarr& a, i32 s, bool& arc)
{
    i32 n = a.count;
    if (s == 0) {
        arc = mk(a, n - 4);
        return arc ? n - 5 : n - 2;
    }
    arc = s >= 4 && mk(a, s - 3);
    return arc ? s - 4 : s - 1;
}

// The planar cut of the spike A (from entry s to e) between P (ending at s)
// and B (starting at e).
void planar_cut(pokarr& a, i32 s, i32 e)
{
    i32 n = a.count;
    bool parc = false;
    i32 ps = seg_before(a, s, parc);
    i32 pe = s == 0 ? n - 1 : s;  // P's end entry
    bool last = e == n - 1;
    i32 bs = last ? 0 : e;  // B's start entry
    bool barc = mk(a, bs + 1);
    i32 be = bs + (barc ? 4 : 1);
    const f64 P1[2] = {a.x[ps], a.y[ps]}, P2[2] = {a.x[pe], a.y[pe]};
    const f64 B1[2] = {a.x[bs], a.y[bs]}, B2[2] = {a.x[be], a.y[be]};
    f64 X[2] = {0.0, 0.0};
    bool hasx = false;
    auto reject_joint = [&](bool b_straight) {
        auto eq = [&](f64 x, f64 y) { return pk_eqval(X[0], x) && pk_eqval(X[1], y); };
        if (eq(P1[0], P1[1]) || eq(P2[0], P2[1]) || eq(a.x[e], a.y[e]) || (b_straight && eq(B2[0], B2[1])))
            hasx = false;
    };
    LinCirc sel;  // snap 1, order 1, pick 1
    if (barc) {
        f64 bc[2] = {a.x[bs + 3], a.y[bs + 3]}, br = a.x[bs + 2];
        i32 bd = a.y[bs + 2] < 0.0 ? -1 : 1;
        if (parc) {
            i32 cnt = 0;
            f64 pc[2] = {a.x[ps + 3], a.y[ps + 3]}, pr = a.x[ps + 2];
            i32 pd = a.y[ps + 2] < 0.0 ? -1 : 1;
            pk_arc_arc(1, 1, pc[0], pc[1], pr, pd, P1, P2, bc[0], bc[1], br, bd, B1, B2, X[0], X[1], cnt);
            hasx = cnt == 1;
            f64 N[2] = {0.0, 0.0};
            bool swallowed = false;
            if (!hasx) {
                f64 dist = 0.0, t = 0.0;
                pk_pnt_arc(2, a.x[s], a.y[s], br, bd, bc[0], bc[1], B1[0], B1[1], B2[0], B2[1], dist, N[0], N[1], t);
                swallowed = pk_eqval(N[0], B2[0]) && pk_eqval(N[1], B2[1]);
            }
            if (last) {
                if (hasx) {
                    a.x[0] = a.x[s] = X[0];
                    a.y[0] = a.y[s] = X[1];
                    a.count = s + 1;
                } else if (swallowed) {
                    a.x[0] = a.x[s + 1] = N[0];
                    a.y[0] = a.y[s + 1] = N[1];
                    a.count = s + 2;
                    pokarr_drop(a, 1, 4);
                } else {
                    pk_loop_fix(n - 1, s, 1, a);
                    pokarr_copy_entry(a, 0, s);
                    a.count = s + 1;
                }
                return;
            }
            if (hasx || swallowed) {
                bool astraight = e == s + 1;
                if (astraight) {
                    if (hasx) {
                        a.x[s] = X[0];
                        a.y[s] = X[1];
                        pokarr_drop(a, e, 1);
                    } else {
                        a.x[e] = N[0];
                        a.y[e] = N[1];
                        pokarr_drop(a, e + 1, 4);
                    }
                } else if (hasx) {
                    a.x[s] = X[0];
                    a.y[s] = X[1];
                    pokarr_drop(a, s + 1, 4);
                } else {
                    a.x[s + 1] = N[0];
                    a.y[s + 1] = N[1];
                    pokarr_drop(a, e + 1, 4);
                    pokarr_drop(a, s + 2, 3);
                }
                // a cut at the loop's first point moves that point: its
                // closing copy follows, or the loop would be left open
                if (s == 0) pokarr_copy_entry(a, a.count - 1, 0);
                return;
            }
            pk_loop_fix(e, s, 1, a);
            pokarr_drop(a, s + 1, e - s);
            return;
        }
        i32 mode = 2, cnt = 0;
        LINCIRC(mode, sel, bc[0], bc[1], br, bd, P1, P2, B1, B2, P1, P2, X[0], X[1], cnt);
        hasx = cnt == 1;
        if (hasx) reject_joint(false);
        if (last) {
            if (hasx) {
                a.x[0] = a.x[s] = X[0];
                a.y[0] = a.y[s] = X[1];
            } else {
                pokarr_copy_entry(a, s, 0);
            }
            a.count = s + 1;
            return;
        }
        pokarr_drop(a, s, e - s);
        if (hasx) {
            a.x[s] = X[0];
            a.y[s] = X[1];
        }
        if (s == 0) pokarr_copy_entry(a, a.count - 1, 0);
        return;
    }
    if (!parc) {
        if (a.dims == 2) {
            const f64 none[2] = {PK_NOGUIDE, PK_NOGUIDE};
            i32 st = 0;
            pk_lnln_off(0, P1, P2, B1, B2, P1, P2, B1, B2, none, none, X[0], X[1], st);
            hasx = st == 1;
        }
    } else {
        i32 mode = 2, cnt = 0;
        f64 pc[2] = {a.x[ps + 3], a.y[ps + 3]}, pr = a.x[ps + 2];
        i32 pd = a.y[ps + 2] < 0.0 ? -1 : 1;
        LINCIRC(mode, sel, pc[0], pc[1], pr, pd, B1, B2, P1, P2, B1, B2, X[0], X[1], cnt);
        hasx = cnt == 1;
        if (hasx) reject_joint(true);
    }
    if (last) {
        if (hasx) {
            a.x[0] = a.x[s] = X[0];
            a.y[0] = a.y[s] = X[1];
            if (a.dims >= 3) a.z[0] = a.z[s];
        } else {
            pokarr_copy_entry(a, 0, s);
        }
        a.count = s + 1;
        return;
    }
    pokarr_drop(a, s + 1, e - s);
    if (hasx) {
        a.x[s] = X[0];
        a.y[s] = X[1];
        // the loop's first point moved: its closing copy follows, so that
        // the loop stays closed
        if (s == 0) pokarr_copy_entry(a, a.count - 1, 0);
    }
}

// The spatial cut (3-D pockets): the lines before and after the spike
// meet; false when they do not.
bool spatial_cut(pokarr& a, i32& s, i32 e)
{
    i32 n = a.count;
    // The line after the spike runs through e and the entry after it: with
    // e the last entry there is none, and a plane array has no heights to
    // meet in; the planar cut is made instead.
    if (e + 1 >= n || a.dims < 3) return false;
    // Lines only stand for straight segments. Beside an arc the entry
    // before a is the arc's centre and the entry after e its marker, and
    // cutting out an arc's end would leave its block ending off its circle:
    // where the segment before the spike, the spike or the one after it is
    // an arc, the planar cut, which meets arcs on their circles, is made.
    bool parc = false;
    seg_before(a, s, parc);
    if (parc || e != s + 1 || mk(a, e + 1)) return false;
    i32 before = s == 0 ? n - 2 : s - 1;
    f64 pts[12] = {a.x[before], a.y[before], a.z[before], a.x[s], a.y[s], a.z[s],
                   a.x[e],      a.y[e],      a.z[e],      a.x[e + 1], a.y[e + 1], a.z[e + 1]};
    f64 X[3], ta = 0.0, tb = 0.0;
    i32 st = 0;
    pk_lnln3(pts, nullptr, X, ta, tb, st);
    if (st != 1) return false;
    a.x[s] = X[0];
    a.y[s] = X[1];
    a.z[s] = X[2];
    pokarr_drop(a, e, 1);
    if (s == 0) pokarr_copy_entry(a, a.count - 1, 0);
    ++s;
    return true;
}

void one_pass(pokarr& a, i32 keep, f64 T, f64 L)
{
    i32 n = a.count;
    if (n <= 3) return;
    if (n < 8)
        for (i32 k = 0; k <= n - 5; ++k)
            if (mk(a, k)) return;
    i32 prot1 = keep ? 0 : -1, prot2 = keep ? (n - 1) / 2 : -1;
    f64 din[3] = {1.0, 0.0, 0.0};
    {
        bool arc = false;
        i32 st = seg_before(a, 0, arc);
        seg_dir(a, st, 2, din);
    }
    f64 R[3] = {a.x[0], a.y[0], a.dims >= 3 ? a.z[0] : 0.0};
    f64 as[3] = {1, 0, 0}, ae[3] = {1, 0, 0}, bs[3] = {1, 0, 0};
    bool plane = pokdim == 2;
    // Every step either moves s on or cuts entries out, so a pass ends by
    // itself within twice the entries it started with; the guard, taken
    // from that start count, only bounds a pass that went wrong and never
    // stops one that shrinks the loop a lot.
    const i32 n0 = n;
    for (i32 s = 0, guard = 0; s < a.count - 1 && guard < 4 * n0 + 16; ++guard) {
        n = a.count;
        i32 e = seg_end(a, s);
        if (e > n - 1) break;
        seg_dir(a, s, 1, as);
        seg_dir(a, s, 2, ae);
        bool last = e == n - 1;
        i32 b0 = last ? 0 : e;
        i32 b1 = seg_end(a, b0);
        if (b1 > n - 1) break;
        seg_dir(a, b0, 1, bs);
        // Chord test from the reference point to B's end (looking up to three
        // segments further while the chord is short and points back).
        f64 bend[3] = {a.x[b1], a.y[b1], a.dims >= 3 ? a.z[b1] : 0.0};
        auto chord = [&](f64& c0, f64& len) {
            f64 u[3] = {bend[0] - R[0], bend[1] - R[1], bend[2] - R[2]};
            if (!pk_unit3(u, len)) {
                c0 = -1.0;
                len = 0.0;
                return;
            }
            c0 = dot3(din, u);
        };
        f64 c0 = 0.0, clen = 0.0;
        chord(c0, clen);
        i32 at = b1;
        for (int more = 0; more < 3 && c0 < 0.0 && clen < 0.01; ++more) {
            i32 nx = at == n - 1 ? 0 : at;
            i32 ne = seg_end(a, nx);
            if (ne > n - 1) break;
            at = ne;
            bend[0] = a.x[at];
            bend[1] = a.y[at];
            bend[2] = a.dims >= 3 ? a.z[at] : 0.0;
            chord(c0, clen);
        }
        f64 cB = dot3(din, bs);
        f64 Rnext[3] = {a.x[e], a.y[e], a.dims >= 3 ? a.z[e] : 0.0};
        auto advance = [&]() {
            R[0] = Rnext[0];
            R[1] = Rnext[1];
            R[2] = Rnext[2];
            for (int c = 0; c < 3; ++c) din[c] = ae[c];
            s = e;
        };
        if (s == prot1 || s == prot2) {
            advance();
            continue;
        }
        f64 U[3] = {a.x[s] - a.x[e], a.y[s] - a.y[e], a.dims >= 3 ? a.z[s] - a.z[e] : 0.0}, l = 0.0;
        pk_unit3(U, l);
        f64 d1 = std::fabs(pk_cross2(U[0], U[1], din[0], din[1])) * l;
        f64 d2 = std::fabs(pk_cross2(U[0], U[1], bs[0], bs[1])) * l;
        f64 d = d1 > d2 ? d1 : d2;
        f64 c1 = dot3(din, as), c2 = dot3(ae, bs);
        bool spike = (c1 < L && c2 < L && d < 4.0 * T) ||
                     (d < T && ((c1 < L && c2 < 1e-10) || (c2 < L && c1 < 1e-10)));
        if (!(spike && c0 > 0.0 && cB > 0.0)) {
            advance();
            continue;
        }
        f64 k1 = pk_cross2(din[0], din[1], as[0], as[1]), k2 = pk_cross2(ae[0], ae[1], bs[0], bs[1]);
        bool same = !pk_zero(k1) && !pk_zero(k2) && (k1 > 0.0) == (k2 > 0.0);
        R[0] = Rnext[0];
        R[1] = Rnext[1];
        R[2] = Rnext[2];
        if (same) {
            if (plane) {
                advance();
                continue;
            }
            if (spatial_cut(a, s, e)) continue;
        }
        planar_cut(a, s, e);
    }
}

}  // namespace

void OFFSEG(i32 mode, i32 keep, const f64& tol, pokarr& a)
{
    // A 1-D array holds numbers, not a loop: there are no segments to
    // examine nor short ones to remove, and it is left as it is.
    if (a.dims < 2) return;
    f64 T = tol;
    f64 t0 = pokdim == 2 ? (0.1 * T > 0.0001 ? 0.1 * T : 0.0001) : 1.0e-6;
    if (pokdim == 2 && a.dims == 2) pk_flat_arcs(a);
    if (mode != 2 && a.count > 1) {
        i32 i = mk(a, 1) ? 4 : 1;
        while (i < a.count - 1) {
            if (mk(a, i + 1)) {
                i += 4;
                continue;
            }
            bool deg = std::fabs(a.x[i + 1] - a.x[i]) < t0 && std::fabs(a.y[i + 1] - a.y[i]) < t0 &&
                       (a.dims == 2 || std::fabs(a.z[i + 1] - a.z[i]) < t0);
            if (!deg) {
                ++i;
                continue;
            }
            if (a.dims == 2 && i >= 4 && mk(a, i - 3)) pk_loop_fix(i - 4, i + 1, 0, a);
            pokarr_drop(a, i, 1);
        }
    }
    f64 L = mode == 0 || mode == 2 ? -0.01 : -0.85;
    one_pass(a, keep, T, L);
    one_pass(a, keep, T, L);
    pk_del_short(a);
}
