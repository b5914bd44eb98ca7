// Intersections of loop segments: a straight segment against an arc, two
// arcs, two straight segments in 2-D and 3-D. Each answers at most one point
// and takes an existing end point's stored coordinates for a computed point
// that coincides with it.
#include <cmath>
#include <utility>

#include "core/host.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

namespace {

void set2(f64* d, const f64* s)
{
    d[0] = s[0];
    d[1] = s[1];
}

f64 dist2(const f64* a, const f64* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

}  // namespace

void pk_pnt_on_arc(const f64& cx, const f64& cy, const f64&, const i32& dir, const f64& sx, const f64& sy,
                   const f64& ex, const f64& ey, const f64& px, const f64& py, i32& code)
{
    const f64 s[2] = {sx, sy}, e[2] = {ex, ey}, p[2] = {px, py};
    if (pk_eqpt2(p, s)) {
        code = 2;
        return;
    }
    if (pk_eqpt2(p, e)) {
        code = 3;
        return;
    }
    f64 usx = sx - cx, usy = sy - cy, uex = ex - cx, uey = ey - cy, upx = px - cx, upy = py - cy, l = 0.0;
    pk_unit2(usx, usy, l);
    pk_unit2(uex, uey, l);
    pk_unit2(upx, upy, l);
    f64 c1 = pk_cross2(usx, usy, upx, upy), c2 = pk_cross2(upx, upy, uex, uey);
    i32 s1 = c1 > 0.0 ? 1 : (c1 < 0.0 ? -1 : 0), s2 = c2 > 0.0 ? 1 : (c2 < 0.0 ? -1 : 0);
    if (s1 == 0) {
        code = s2 == dir ? 1 : 0;
    } else if (s2 == 0) {
        code = s1 == dir ? 1 : 0;
    } else if (s1 == s2) {
        code = s1 == dir ? 1 : 0;
    } else {
        f64 k = (ey - cy) * (sx - cx) - (sy - cy) * (ex - cx);
        code = (k < 0.0 && dir > 0) || (k > 0.0 && dir < 0) ? 1 : 0;
    }
}

void pk_arc_frac(const f64& r, const i32& dir, const f64* c, const f64* s, const f64* e, const f64* p, f64& frac)
{
    pk_arc_frac_xy(r, dir, c[0], c[1], s[0], s[1], e[0], e[1], p[0], p[1], frac);
}

void pk_arc_frac_xy(const f64&, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                    const f64& ex, const f64& ey, const f64& px, const f64& py, f64& frac)
{
    // Angles in the arc's own direction: an arc of a half turn or more is
    // not taken for its complement.
    f64 a12 = pk_arc_sweep(dir, cx, cy, sx, sy, ex, ey);
    if (a12 < 1e-6) {
        frac = 0.0;
        return;
    }
    // A point that coincides with an end is at that end: one a hair behind
    // the start would otherwise measure nearly a full turn and rank last.
    const f64 p[2] = {px, py}, s[2] = {sx, sy}, e[2] = {ex, ey};
    if (pk_eqpt2(p, s)) {
        frac = 0.0;
        return;
    }
    if (pk_eqpt2(p, e)) {
        frac = 1.0;
        return;
    }
    frac = pk_arc_sweep(dir, cx, cy, sx, sy, px, py) / a12;
}

void pk_lin_circ(const f64* p1, const f64* p2, const f64* c, f64 r, f64& t1, f64& t2, f64* x1, f64* x2, i32& n)
{
    f64 dx = p2[0] - p1[0], dy = p2[1] - p1[1], dd = dx * dx + dy * dy;
    if (dd < 1e-12) {
        n = -1;
        return;
    }
    f64 t0 = -((p1[0] - c[0]) * dx + (p1[1] - c[1]) * dy) / dd;
    f64 fx = p1[0] + t0 * dx, fy = p1[1] + t0 * dy;
    f64 h2 = r * r - ((fx - c[0]) * (fx - c[0]) + (fy - c[1]) * (fy - c[1]));
    if (h2 < 0.0) {
        n = 0;
        return;
    }
    f64 h = std::sqrt(h2), len = std::sqrt(dd), ux = dx / len, uy = dy / len;
    x1[0] = fx + h * ux;
    x1[1] = fy + h * uy;
    x2[0] = fx - h * ux;
    x2[1] = fy - h * uy;
    t1 = ((x1[0] - p1[0]) * ux + (x1[1] - p1[1]) * uy) / len;
    t2 = ((x2[0] - p1[0]) * ux + (x2[1] - p1[1]) * uy) / len;
    if (pk_eqpt2(x1, x2)) {
        x1[0] = x2[0] = fx;
        x1[1] = x2[1] = fy;
        t1 = t2 = t0;
        n = 1;
        return;
    }
    n = 2;
}

void pk_circ_circ(const f64* c1, const f64& r1, const f64* c2, const f64& r2, f64* pts, i32& n)
{
    n = 0;
    if (pk_eqpt2(c1, c2)) {
        n = pk_eq(r1, r2) ? -1 : 0;
        return;
    }
    f64 dx = c2[0] - c1[0], dy = c2[1] - c1[1];
    f64 d2 = dx * dx + dy * dy;
    const f64* base = c1;
    f64 R2 = r1 * r1, p2 = r2 * r2;
    if (r1 * r1 <= r2 * r2) {
        base = c2;
        dx = -dx;
        dy = -dy;
        R2 = r2 * r2;
        p2 = r1 * r1;
    }
    f64 a = ((R2 - p2) / d2 + 1.0) * 0.5;
    f64 h2 = R2 / d2 - a * a;
    f64 mx = base[0] + a * dx, my = base[1] + a * dy;
    // Tangent within the host's tolerance: the half chord of the two points
    // (h times the distance of the centres) is no longer than it.
    f64 tol = get_tolerance();
    if (h2 * d2 <= tol * tol && h2 > -1e-8) {
        pts[0] = pts[2] = mx;
        pts[1] = pts[3] = my;
        n = 1;
        return;
    }
    if (h2 > 0.0) {
        f64 h = std::sqrt(h2);
        pts[0] = mx - h * dy;
        pts[1] = my + h * dx;
        pts[2] = mx + h * dy;
        pts[3] = my - h * dx;
        n = 2;
    }
}

void pk_circ_circ_xy(const f64& c1x, const f64& c1y, const f64& r1, const f64& c2x, const f64& c2y, const f64& r2,
                     i32& n, f64& x1, f64& y1, f64& x2, f64& y2)
{
    const f64 c1[2] = {c1x, c1y}, c2[2] = {c2x, c2y};
    f64 p[4] = {0, 0, 0, 0};
    pk_circ_circ(c1, r1, c2, r2, p, n);
    x1 = p[0];
    y1 = p[1];
    x2 = p[2];
    y2 = p[3];
}

// The host interface offers no point-to-segment distance: it is computed
// here, in one form, so the flag the callers pass selects nothing.
void pk_dist_seg(const i32&, const f64& px, const f64& py, const f64& x1, const f64& y1, const f64& x2, const f64& y2,
                 f64& dist, f64& fx, f64& fy)
{
    f64 dx = x2 - x1, dy = y2 - y1, dd = dx * dx + dy * dy;
    f64 t = dd > 0.0 ? ((px - x1) * dx + (py - y1) * dy) / dd : 0.0;
    if (t < 0.0) t = 0.0;
    if (t > 1.0) t = 1.0;
    fx = x1 + t * dx;
    fy = y1 + t * dy;
    if (t == 1.0) {
        fx = x2;
        fy = y2;
    }
    dist = std::hypot(px - fx, py - fy);
}

namespace {

// One candidate of a straight segment against an arc.
struct Cand {
    f64 p[2];
    f64 tq;        // parameter along the reference copy
    bool atq1, atq2;
    i32 code;      // position on the arc
    bool valid, joint;
    f64 frac;
};

// Of two crossings both on the segment and the arc, the one the pick
// asks for, in the order along the reference copy (order 2) or the arc,
// moved onto the copy's or the arc's end it lies at.
void pick_in_order(const LinCirc& sel, Cand& A, Cand& B, const f64* q1, const f64* q2, const f64* s, const f64* e,
                   f64* out)
{
    bool along = sel.order == 2;
    f64 ka = along ? A.tq : A.frac, kb = along ? B.tq : B.frac;
    // first: the smaller key; equal keys as each pick says
    Cand *first, *last;
    if (ka < kb) {
        first = &A;
        last = &B;
    } else if (kb < ka) {
        first = &B;
        last = &A;
    } else if (sel.pick == 3) {
        first = &A;
        last = &B;
    } else {
        first = &B;
        last = &A;
    }
    auto at_start = [&](const Cand& q) { return along ? q.atq1 : q.code == 2; };
    auto at_end = [&](const Cand& q) { return along ? q.atq2 : q.code == 3; };
    Cand* o;
    bool to_end;
    if (sel.pick == 1) {
        // The first crossing, or the other one when the first lies at the
        // start. Whichever is taken is moved onto the end it lies at, the
        // first one as well as the other: a crossing within the kernel's
        // tolerance of the end is that end, and the exact end point keeps
        // the joint equal bit for bit to the point the next segment starts
        // at.
        o = at_start(*first) ? last : first;
        to_end = true;
    } else if (sel.pick == 2 || sel.pick == 3) {
        o = last;
        to_end = sel.pick == 2;
    } else {
        o = first;
        to_end = false;
    }
    if (to_end && at_end(*o))
        set2(o->p, along ? q2 : e);
    else if (!to_end && at_start(*o))
        set2(o->p, along ? q1 : s);
    set2(out, o->p);
}

}  // namespace

void LINCIRC(i32& mode, const LinCirc& sel, const f64& cx, const f64& cy, const f64& r, const i32& dir,
             const f64* p1in, const f64* p2in, const f64* s, const f64* e, const f64* q1in, const f64* q2in, f64& x,
             f64& y, i32& n)
{
    bool came3 = mode == 3;
    if (came3) mode = 2;
    n = 0;
    x = y = 0.0;
    f64 p1[2], p2[2], q1[2], q2[2];
    set2(p1, p1in);
    set2(p2, p2in);
    set2(q1, q1in);
    set2(q2, q2in);
    const f64 c[2] = {cx, cy};
    f64 d = 0.0, fx = 0.0, fy = 0.0;
    pk_dist_seg(1, cx, cy, p1[0], p1[1], p2[0], p2[1], d, fx, fy);
    if (r < d && !pk_eqval0(d - r)) return;
    bool reversed = false;
    auto reverse = [&]() {
        std::swap(p1[0], p2[0]);
        std::swap(p1[1], p2[1]);
        std::swap(q1[0], q2[0]);
        std::swap(q1[1], q2[1]);
        reversed = true;
    };
    for (;;) {
        f64 t1 = 0.0, t2 = 0.0, xa[2], xb[2];
        i32 cnt = 0;
        pk_lin_circ(p1, p2, c, r, t1, t2, xa, xb, cnt);
        if (cnt < 1) return;
        if (cnt == 1) {
            if (mode == 1 || came3) return;
            x = xa[0];
            y = xa[1];
            if (sel.pick == 1 && (pk_eqpt2(xa, q1) || pk_eqpt2(xa, q2) || pk_eqpt2(xa, s) || pk_eqpt2(xa, e))) return;
            f64 t = 0.0;
            pk_lin_int(p1[0], p1[1], p2[0], p2[1], xa[0], xa[1], t);
            if (t > 0.9 && t < 1.1 && !reversed) {
                reverse();
                continue;
            }
            f64 tq = 0.0;
            pk_lin_int(q1[0], q1[1], q2[0], q2[1], xa[0], xa[1], tq);
            bool at_start = pk_zero(tq) && pk_eqval(xa[0], p1[0]) && pk_eqval(xa[1], p1[1]);
            bool at_end = pk_eqval(tq, 1.0) && pk_eqval(xa[0], p2[0]) && pk_eqval(xa[1], p2[1]);
            if ((tq < 0.0 && !at_start) || (tq > 1.0 && !at_end)) return;
            i32 code = 0;
            pk_pnt_on_arc(cx, cy, r, dir, s[0], s[1], e[0], e[1], xa[0], xa[1], code);
            n = code != 0 ? 1 : 0;
            return;
        }
        Cand cd[2];
        bool again = false;
        for (int k = 0; k < 2 && !again; ++k) {
            Cand& q = cd[k];
            set2(q.p, k == 0 ? xa : xb);
            f64 t = 0.0;
            pk_lin_int(p1[0], p1[1], p2[0], p2[1], q.p[0], q.p[1], t);
            if (t > 0.9 && t < 1.1 && !reversed) {
                reverse();
                again = true;
                break;
            }
            pk_lin_int(q1[0], q1[1], q2[0], q2[1], q.p[0], q.p[1], q.tq);
            q.atq1 = pk_zero(q.tq) && pk_eqpt2(q.p, q1);
            q.atq2 = pk_eq(q.tq, 1.0) && pk_eqpt2(q.p, q2);
            pk_pnt_on_arc(cx, cy, r, dir, s[0], s[1], e[0], e[1], q.p[0], q.p[1], q.code);
            q.valid = (q.tq >= 0.0 || q.atq1) && (q.tq <= 1.0 || q.atq2) && q.code != 0;
            q.frac = 0.0;
            if (q.valid) pk_arc_frac(r, dir, c, s, e, q.p, q.frac);
            q.joint = q.valid && (q.atq1 || q.atq2) && (q.code == 2 || q.code == 3);
            if (q.joint) {
                if (sel.snap == 2)
                    set2(q.p, q.atq1 ? q1 : q2);
                else
                    set2(q.p, q.code == 2 ? s : e);
            }
        }
        if (again) continue;
        Cand& A = cd[0];
        Cand& B = cd[1];
        const f64* out = nullptr;
        f64 tmp[2];
        if (!A.valid && !B.valid) return;
        if (A.valid != B.valid) {
            Cand& v = A.valid ? A : B;
            if (!v.joint) {
                if (v.code == 1) {
                    if (v.atq1)
                        set2(v.p, q1);
                    else if (v.atq2)
                        set2(v.p, q2);
                } else if (!v.atq1 && !v.atq2) {
                    set2(v.p, v.code == 2 ? s : e);
                }
            }
            if (v.joint) {
                if (pk_eqpt2(s, q1) || pk_eqpt2(s, q2))
                    set2(v.p, s);
                else if (pk_eqpt2(e, q1) || pk_eqpt2(e, q2))
                    set2(v.p, e);
            }
            out = v.p;
        } else if (A.joint && B.joint) {
            bool a = (A.tq > 0.9 && B.tq > 0.9 && A.tq > B.tq) || (A.tq < 0.1 && B.tq < 0.1 && A.tq < B.tq);
            out = a ? A.p : B.p;
        } else if (pk_eqpt2(s, q1) || pk_eqpt2(s, q2)) {
            out = dist2(s, A.p) < dist2(s, B.p) ? B.p : A.p;
        } else if (pk_eqpt2(e, q1) || pk_eqpt2(e, q2)) {
            out = dist2(e, A.p) < dist2(e, B.p) ? B.p : A.p;
        } else {
            pick_in_order(sel, A, B, q1, q2, s, e, tmp);
            out = tmp;
        }
        x = out[0];
        y = out[1];
        n = 1;
        return;
    }
}

void pk_arc_arc(const i32& pick, const i32& exclude, const f64& c1x, const f64& c1y, const f64& r1, const i32& d1,
                const f64* s1, const f64* e1, const f64& c2x, const f64& c2y, const f64& r2, const i32& d2,
                const f64* s2, const f64* e2, f64& x, f64& y, i32& n)
{
    n = 0;
    i32 cnt = 0;
    f64 p[2][2];
    pk_circ_circ_xy(c1x, c1y, r1, c2x, c2y, r2, cnt, p[0][0], p[0][1], p[1][0], p[1][1]);
    if (cnt == 0) return;
    if (cnt < 0) {
        n = 2;
        return;
    }
    auto at_end = [&](const f64* q) {
        return pk_eqpt2(q, s1) || pk_eqpt2(q, e1) || pk_eqpt2(q, s2) || pk_eqpt2(q, e2);
    };
    auto codes = [&](const f64* q, i32& k1, i32& k2) {
        pk_pnt_on_arc(c1x, c1y, r1, d1, s1[0], s1[1], e1[0], e1[1], q[0], q[1], k1);
        pk_pnt_on_arc(c2x, c2y, r2, d2, s2[0], s2[1], e2[0], e2[1], q[0], q[1], k2);
    };
    if (cnt == 1) {
        if (exclude == 1 && at_end(p[0])) return;
        i32 k1 = 0, k2 = 0;
        codes(p[0], k1, k2);
        if (k1 == 0 || k2 == 0) return;
        x = p[0][0];
        y = p[0][1];
        n = 1;
        return;
    }
    bool valid[2];
    for (int k = 0; k < 2; ++k) {
        valid[k] = false;
        if (exclude == 1 && at_end(p[k])) continue;
        i32 k1 = 0, k2 = 0;
        codes(p[k], k1, k2);
        valid[k] = k1 != 0 && k2 != 0;
        if (valid[k] && k1 == 2 && (k2 == 2 || k2 == 3)) set2(p[k], s1);
    }
    const f64* out = nullptr;
    if (!valid[0] && !valid[1]) return;
    if (valid[0] != valid[1]) {
        out = valid[0] ? p[0] : p[1];
    } else {
        const f64 *X1 = p[0], *X2 = p[1];
        bool ex2 = exclude == 2;
        auto chords = [&](const f64* a, const f64* b) {
            f64 gx = 0.0, gy = 0.0;
            i32 st = 0;
            const f64 none[2] = {PK_NOGUIDE, PK_NOGUIDE};
            pk_lnln_off(0, a, X1, b, X2, a, X1, b, X2, none, none, gx, gy, st);
            return st == 0 ? X1 : X2;
        };
        if (pick == 1) {
            if (pk_eqpt2(X1, s1))
                out = ex2 ? X2 : s1;
            else if (pk_eqpt2(X2, s1))
                out = ex2 ? X1 : s1;
            else if (pk_eqpt2(X1, s2))
                out = ex2 ? X2 : s2;
            else if (pk_eqpt2(X2, s2))
                out = ex2 ? X1 : s2;
            else if (pk_eqpt2(X1, e1))
                out = X2;
            else if (pk_eqpt2(X2, e1))
                out = X1;
            else
                out = chords(s1, e1);
        } else {
            if (pk_eqpt2(X1, e2))
                out = X2;
            else if (pk_eqpt2(X2, e2))
                out = X1;
            else if (pk_eqpt2(X1, s2) || pk_eqpt2(X2, s2))
                out = s2;
            else
                out = chords(s2, e2);
        }
    }
    x = out[0];
    y = out[1];
    n = 1;
}

// ------------------------------------------------ straight intersections
// The host interface has no line intersection (2-D or 3-D) nor 2-vector
// helpers: the intersections below compute them themselves in double
// precision, with lines taken as parallel when the determinant of their unit
// directions is below 1e-14 in magnitude (the answer -2, as the host's).

void pk_intvv2(const f64* p, const f64* u, const f64* q, const f64* v, f64* x, f64& sp, f64& sq, i32& status)
{
    f64 det = pk_cross2(u[0], u[1], v[0], v[1]);
    if (std::fabs(det) < 1e-14) {
        status = -2;
        sp = sq = 0.0;
        return;
    }
    f64 wx = q[0] - p[0], wy = q[1] - p[1];
    sp = pk_cross2(wx, wy, v[0], v[1]) / det;
    sq = pk_cross2(wx, wy, u[0], u[1]) / det;
    x[0] = p[0] + sp * u[0];
    x[1] = p[1] + sp * u[1];
    status = 0;
}

namespace {

// Distance of p from the segment a-b below 1e-6.
bool on_segment(const f64* p, const f64* a, const f64* b)
{
    f64 d = 0.0, fx = 0.0, fy = 0.0;
    pk_dist_seg(1, p[0], p[1], a[0], a[1], b[0], b[1], d, fx, fy);
    return d < 1e-6;
}

// Squared XY distance.
f64 sq2(const f64* a, const f64* b)
{
    f64 dx = a[0] - b[0], dy = a[1] - b[1];
    return dx * dx + dy * dy;
}

}  // namespace

void pk_lnln_off(i32 mode, const f64* a1in, const f64* a2in, const f64* b1in, const f64* b2in, const f64* ra1in,
                 const f64* ra2in, const f64* rb1in, const f64* rb2in, const f64* ga, const f64* gb, f64& x, f64& y,
                 i32& status)
{
    if (mode > 1) mode -= 2;
    f64 a1[2], a2[2], b1[2], b2[2], ra1[2], ra2[2], rb1[2], rb2[2];
    set2(a1, a1in);
    set2(a2, a2in);
    set2(b1, b1in);
    set2(b2, b2in);
    set2(ra1, ra1in);
    set2(ra2, ra2in);
    set2(rb1, rb1in);
    set2(rb2, rb2in);
    status = 0;
    if (std::sqrt(sq2(ra1, ra2)) < 1e-6 || std::sqrt(sq2(rb1, rb2)) < 1e-6) {
        status = 2;
        return;
    }
    bool first = true;
    f64 X[2], sa = 0.0, sb = 0.0, da[2], db[2], la = 0.0, lb = 0.0, ea1, ea2, eb1, eb2;
    for (;;) {
        da[0] = a2[0] - a1[0];
        da[1] = a2[1] - a1[1];
        db[0] = b2[0] - b1[0];
        db[1] = b2[1] - b1[1];
        bool oka = pk_unit2(da[0], da[1], la), okb = pk_unit2(db[0], db[1], lb);
        ea1 = std::sqrt(sq2(ra1, a1));
        ea2 = std::sqrt(sq2(ra2, a1));
        eb1 = std::sqrt(sq2(rb1, b1));
        eb2 = std::sqrt(sq2(rb2, b1));
        i32 hs = 0;
        // A working segment without length has no direction to intersect
        // along: degenerate (2), as a reference segment too short is, and no
        // division by its zero length.
        if (!oka || !okb) {
            status = 2;
            return;
        }
        pk_intvv2(a1, da, b1, db, X, sa, sb, hs);
        if (hs != 0) {
            status = hs == -2 ? 2 : 0;
            return;
        }
        if (mode == 1) {
            x = X[0];
            y = X[1];
            status = 1;
            return;
        }
        if (!first) break;
        first = false;
        bool swapped = false;
        if (sa / la > 0.9 && sa / la < 1.1) {
            std::swap(a1[0], a2[0]);
            std::swap(a1[1], a2[1]);
            std::swap(ra1[0], ra2[0]);
            std::swap(ra1[1], ra2[1]);
            swapped = true;
        }
        if (sb / lb > 0.9 && sb / lb < 1.1) {
            std::swap(b1[0], b2[0]);
            std::swap(b1[1], b2[1]);
            std::swap(rb1[0], rb2[0]);
            std::swap(rb1[1], rb2[1]);
            swapped = true;
        }
        if (!swapped) break;
    }
    const f64* ends[4] = {ra1, ra2, rb1, rb2};
    i32 best = -1;
    f64 bd = 0.0;
    for (int k = 0; k < 4; ++k) {
        f64 d = sq2(ends[k], X);
        if (d < 1e-12 && (best < 0 || d < bd)) {
            best = k;
            bd = d;
        }
    }
    if (best >= 0) {
        set2(X, ends[best]);
    } else if (!(ea1 - 1e-6 <= sa && sa <= ea2 + 1e-6 && eb1 - 1e-6 <= sb && sb <= eb2 + 1e-6)) {
        status = 0;
        return;
    }
    bool branch = false;
    if (std::fabs(pk_cross2(da[0], da[1], db[0], db[1])) < 8e-5 && ga[0] < 1.0e20) {
        branch = true;
        f64 P[2], s1 = 0.0, s2 = 0.0;
        i32 hs = 0;
        if (on_segment(ra2, rb1, rb2)) {
            pk_intvv2(ra2, ga, rb1, db, P, s1, s2, hs);
            if (hs == 0 && pk_eqpt2(P, ra2)) set2(X, ra2);
        } else if (on_segment(rb2, ra1, ra2)) {
            pk_intvv2(rb2, gb, ra1, da, P, s1, s2, hs);
            if (hs == 0 && pk_eqpt2(P, rb2)) set2(X, rb2);
        }
    }
    x = X[0];
    y = X[1];
    status = 1;
    bool in_a = (-1e-6 < sa - ea1 && sa - ea2 < 1e-6) || pk_eqpt2(X, ra1) || pk_eqpt2(X, ra2);
    bool in_b = (-1e-6 < sb - eb1 && sb - eb2 < 1e-6) || pk_eqpt2(X, rb1) || pk_eqpt2(X, rb2);
    if (!in_a || !in_b) status = 0;
    if (status == 1 && branch) status = 3;
}

void pk_lnln2(const f64* p1, const f64* p2, const f64* q1, const f64* q2, f64* x, i32& status)
{
    f64 dp[2] = {p2[0] - p1[0], p2[1] - p1[1]}, dq[2] = {q2[0] - q1[0], q2[1] - q1[1]}, lp = 0.0, lq = 0.0;
    // A segment without length has no direction: no intersection (0). This
    // plain test has no degenerate answer of its own; its 2 is only the
    // host's answer for parallel lines.
    if (!pk_unit2(dp[0], dp[1], lp) || !pk_unit2(dq[0], dq[1], lq)) {
        status = 0;
        return;
    }
    f64 sp = 0.0, sq = 0.0;
    i32 hs = 0;
    pk_intvv2(p1, dp, q1, dq, x, sp, sq, hs);
    if (hs != 0) {
        status = hs == -2 ? 2 : 0;
        return;
    }
    const f64* ends[4] = {p1, p2, q1, q2};
    i32 best = -1;
    for (int k = 0; k < 4; ++k) {
        f64 d = sq2(ends[k], x);
        if (d < 1e-12 && (best < 0 || d < sq2(ends[best], x))) best = k;
    }
    if (best >= 0) {
        set2(x, ends[best]);
    } else if (!(-1e-6 <= sp && sp <= lp + 1e-6 && -1e-6 <= sq && sq <= lq + 1e-6)) {
        status = 0;
        return;
    }
    status = 1;
    bool pend = pk_eqpt2(p1, x) || pk_eqpt2(p2, x), qend = pk_eqpt2(q1, x) || pk_eqpt2(q2, x);
    if ((sp <= -1e-6 || sp - lp >= 1e-6) && !pend) status = 0;
    if ((sq <= -1e-6 || sq - lq >= 1e-6) && !qend) status = 0;
}

namespace {

void sub3(const f64* a, const f64* b, f64* c)
{
    for (int k = 0; k < 3; ++k) c[k] = a[k] - b[k];
}
f64 dot3(const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
void cross3(const f64* a, const f64* b, f64* c)
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}
f64 dist3(const f64* a, const f64* b)
{
    f64 d[3];
    sub3(a, b, d);
    return std::sqrt(dot3(d, d));
}

// 3-D line intersection: nearest points of two lines through p and q along
// unit u and v; x the point on the first line; -2 parallel, 1 lines that
// pass each other without meeting. Lines whose nearest points lie within
// SKEW_MEET of each other meet: the 3-D segments the kernel intersects lie
// on surfaces, and two that cross there pass each other by the chords'
// error, far below that bound. Lines farther apart do not meet at all: two
// segments far apart in height that cross only in plan are no crossing.
constexpr f64 SKEW_MEET = 1.0e-3;

void intvv3(const f64* p, const f64* u, const f64* q, const f64* v, f64* x, f64& sp, f64& sq, i32& status)
{
    f64 w[3];
    sub3(q, p, w);
    f64 b = dot3(u, v), d = dot3(u, w), e = dot3(v, w), den = 1.0 - b * b;
    if (std::fabs(den) < 1e-14) {
        status = -2;
        sp = sq = 0.0;
        return;
    }
    sp = (d - b * e) / den;
    sq = (b * d - e) / den;
    f64 y[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = p[k] + sp * u[k];
        y[k] = q[k] + sq * v[k];
    }
    status = dist3(x, y) > SKEW_MEET ? 1 : 0;
}

}  // namespace

void pk_lnln3(const f64* pts, const f64* boxes, f64* x, f64& ta, f64& tb, i32& status)
{
    f64 a1[3], a2[3], b1[3], b2[3];
    for (int k = 0; k < 3; ++k) {
        a1[k] = pts[k];
        a2[k] = pts[3 + k];
        b1[k] = pts[6 + k];
        b2[k] = pts[9 + k];
    }
    // On a failure the fractions stay 0: parallel lines or a segment
    // without length have no meeting to measure, and callers read the
    // fractions only with status 1.
    ta = tb = 0.0;
    f64 da[3], db[3], la = 0.0, lb = 0.0;
    sub3(a2, a1, da);
    if (!pk_unit3(da, la) || la < 1e-6) {
        status = -1;
        return;
    }
    sub3(b2, b1, db);
    if (!pk_unit3(db, lb) || lb < 1e-6) {
        status = -2;
        return;
    }
    if (boxes && !pk_box_ovln(3, 1e-6, boxes, boxes + 3, boxes + 6, boxes + 9)) {
        status = 0;
        return;
    }
    bool rev_a = false, rev_b = false;
    f64 sa = 0.0, sb = 0.0;
    for (int pass = 0;; ++pass) {
        i32 hs = 0;
        intvv3(a1, da, b1, db, x, sa, sb, hs);
        if (hs != 0) {
            status = hs == -2 || hs == 1 ? 2 : 0;
            return;
        }
        if (pass > 0) break;
        bool sw = false;
        if (sa / la > 0.9 && sa / la < 1.1) {
            std::swap(a1, a2);
            for (f64& c : da) c = -c;
            rev_a = sw = true;
        }
        if (sb / lb > 0.9 && sb / lb < 1.1) {
            std::swap(b1, b2);
            for (f64& c : db) c = -c;
            rev_b = sw = true;
        }
        if (!sw) break;
    }
    const f64* ends[4] = {a1, a2, b1, b2};
    i32 best = -1;
    f64 bd = 0.0;
    for (int k = 0; k < 4; ++k)
        if (pk_eqpt3(ends[k], x)) {
            f64 d = dist3(ends[k], x);
            if (best < 0 || d < bd) {
                best = k;
                bd = d;
            }
        }
    if (best >= 0)
        for (int k = 0; k < 3; ++k) x[k] = ends[best][k];
    status = 0;
    bool wa = -1e-6 <= sa && sa <= la + 1e-6, wb = -1e-6 <= sb && sb <= lb + 1e-6;
    if (wa && wb) {
        status = 1;
        ta = sa / la;
        tb = sb / lb;
    } else {
        f64 cr[3];
        cross3(da, db, cr);
        f64 s = std::sqrt(dot3(cr, cr));
        f64 c = dot3(da, db);
        bool aab = sa > la + 1e-6, abl = sa < -1e-6, bab = sb > lb + 1e-6, bbl = sb < -1e-6;
        auto take = [&](const f64* p, f64 fa, f64 fb) {
            for (int k = 0; k < 3; ++k) x[k] = p[k];
            ta = fa;
            tb = fb;
            status = 1;
        };
        if (wa && bab) {
            if (std::fabs((sb - lb) * s) < 1e-6) take(b2, (sa - (sb - lb) * c) / la, 1.0);
        } else if (wa && bbl) {
            if (std::fabs(s * sb) < 1e-6) take(b1, (sa - c * sb) / la, 0.0);
        } else if (aab && wb) {
            if (std::fabs((sa - la) * s) < 1e-6) take(a2, 1.0, (sb - (sa - la) * c) / lb);
        } else if (aab && bab) {
            if (dist3(a2, b2) < 1e-6) take(a2, 1.0, 1.0);
        } else if (aab && bbl) {
            if (dist3(a2, b1) < 1e-6) take(a2, 1.0, 0.0);
        } else if (abl && wb) {
            if (std::fabs(s * sa) < 1e-6) take(a1, 0.0, (sb - c * sa) / lb);
        } else if (abl && bbl) {
            if (dist3(a1, b1) < 1e-6) take(a1, 0.0, 0.0);
        } else if (abl && bab) {
            if (dist3(a1, b2) < 1e-6) take(a1, 0.0, 1.0);
        }
    }
    if (rev_a) ta = 1.0 - ta;
    if (rev_b) tb = 1.0 - tb;
}

void pk_ln3_plane(const f64* p, const f64* u, const f64* q, const f64* v, f64* x, f64& tp, f64& tq, i32& status)
{
    status = 0;
    f64 w[3], l = 0.0;
    sub3(q, p, w);
    // Q coincides with P as points of the kernel do (squared distance below
    // 1e-12); closer still, w would be round-off and the two lines found in
    // no one plane.
    if (pk_eqpt3(q, p) || !pk_unit3(w, l)) {
        tp = tq = 0.0;
        for (int k = 0; k < 3; ++k) x[k] = p[k];
        return;
    }
    f64 n[3];
    cross3(u, w, n);
    if (!pk_unit3(n, l) || l < 1e-6) {  // u along w within the kernel's tolerance
        f64 d[3];
        sub3(q, p, d);
        tp = dot3(d, u);
        tq = 0.0;
        for (int k = 0; k < 3; ++k) x[k] = q[k];
        if (pk_zero(1.0 - std::fabs(dot3(u, v)))) status = -2;
        return;
    }
    if (!pk_zero(dot3(n, v))) {
        status = -3;
        return;
    }
    f64 m[3];
    cross3(n, u, m);
    // Frame (u, n x u, n): the lines become 2-D.
    f64 d[3];
    sub3(q, p, d);
    const f64 P2[2] = {0.0, 0.0};
    const f64 U2[2] = {1.0, 0.0};
    const f64 Q2[2] = {dot3(d, u), dot3(d, m)};
    f64 V2[2] = {dot3(v, u), dot3(v, m)};
    f64 lv = 0.0;
    pk_unit2(V2[0], V2[1], lv);
    f64 X2[2];
    i32 hs = 0;
    pk_intvv2(P2, U2, Q2, V2, X2, tp, tq, hs);
    if (hs != 0) {
        status = hs;
        return;
    }
    if (lv > 0.0) tq /= lv;
    for (int k = 0; k < 3; ++k) x[k] = p[k] + tp * u[k];
}

void pk_lnln_dim(i32 mode, const f64* a1in, const f64* a2in, const f64* b1in, const f64* b2in, const f64* ra1in,
                 const f64* ra2in, const f64* rb1in, const f64* rb2in, const f64* ga, const f64* gb, f64* x,
                 i32& status)
{
    mode = mode % 2;
    // Along the surfaces (pocket dimension other than 2) the two lines are
    // met in space: they must lie in one plane, and two lines that pass
    // each other at different heights do not cross. In the plane the
    // heights play no part.
    const i32 nd = pokdim == 2 ? 2 : 3;
    f64 a1[3], a2[3], b1[3], b2[3], ra1[3], ra2[3], rb1[3], rb2[3];
    for (int k = 0; k < 3; ++k) {
        bool z = k < nd;
        a1[k] = z ? a1in[k] : 0.0;
        a2[k] = z ? a2in[k] : 0.0;
        b1[k] = z ? b1in[k] : 0.0;
        b2[k] = z ? b2in[k] : 0.0;
        ra1[k] = z ? ra1in[k] : 0.0;
        ra2[k] = z ? ra2in[k] : 0.0;
        rb1[k] = z ? rb1in[k] : 0.0;
        rb2[k] = z ? rb2in[k] : 0.0;
    }
    status = 0;
    x[2] = 0.0;
    if (dist3(ra1, ra2) < 1e-6 || dist3(rb1, rb2) < 1e-6) {
        status = 2;
        return;
    }
    bool first = true;
    f64 X[3] = {0, 0, 0}, sa = 0.0, sb = 0.0, da[3], db[3], la = 0.0, lb = 0.0, ea1 = 0, ea2 = 0, eb1 = 0, eb2 = 0;
    for (;;) {
        sub3(a2, a1, da);
        sub3(b2, b1, db);
        if (!pk_unit3(da, la) || !pk_unit3(db, lb)) {
            status = 2;  // a working segment without length: degenerate, as in the 2-D form
            return;
        }
        ea1 = dist3(ra1, a1);
        ea2 = dist3(ra2, a1);
        eb1 = dist3(rb1, b1);
        eb2 = dist3(rb2, b1);
        i32 hs = 0;
        if (nd == 2) {
            pk_intvv2(a1, da, b1, db, X, sa, sb, hs);
            X[2] = 0.0;
        } else {
            pk_ln3_plane(a1, da, b1, db, X, sa, sb, hs);
        }
        if (hs != 0) {
            status = hs == -2 ? 2 : 0;
            return;
        }
        if (mode == 1) {
            for (int k = 0; k < 3; ++k) x[k] = X[k];
            status = 1;
            return;
        }
        if (!first) break;
        first = false;
        bool sw = false;
        if (sa / la > 0.9 && sa / la < 1.1) {
            std::swap(a1, a2);
            std::swap(ra1, ra2);
            sw = true;
        }
        if (sb / lb > 0.9 && sb / lb < 1.1) {
            std::swap(b1, b2);
            std::swap(rb1, rb2);
            sw = true;
        }
        if (!sw) break;
    }
    const f64* ends[4] = {ra1, ra2, rb1, rb2};
    i32 best = -1;
    for (int k = 0; k < 4; ++k)
        if (pk_eqpt(ends[k], X) && (best < 0 || dist3(ends[k], X) < dist3(ends[best], X))) best = k;
    if (best >= 0) {
        for (int k = 0; k < 3; ++k) X[k] = ends[best][k];
    } else if (!(ea1 - 1e-6 <= sa && sa <= ea2 + 1e-6 && eb1 - 1e-6 <= sb && sb <= eb2 + 1e-6)) {
        status = 0;
        return;
    }
    bool branch = false;
    if (std::fabs(pk_cross_mag(nd, da, db)) < 8e-5 && ga[0] < 1.0e20) {
        branch = true;
        auto seg_dist = [&](const f64* p, const f64* s, const f64* e) {
            f64 d[3], w[3];
            sub3(e, s, d);
            sub3(p, s, w);
            f64 dd = dot3(d, d), t = dd > 0 ? dot3(w, d) / dd : 0.0;
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            f64 f[3];
            for (int k = 0; k < 3; ++k) f[k] = s[k] + t * d[k];
            return dist3(p, f);
        };
        f64 P[3], s1 = 0.0, s2 = 0.0;
        i32 hs = 0;
        // Guide directions have as many coordinates as the points: pairs in
        // two dimensions, triples in three (the procedure is the same over
        // points of three coordinates). "No guide" needs its first value
        // only, so a pair of 1e25 serves in either.
        f64 g[3] = {ga[0], ga[1], nd == 3 ? ga[2] : 0.0}, h[3] = {gb[0], gb[1], nd == 3 ? gb[2] : 0.0};
        if (seg_dist(ra2, rb1, rb2) < 1e-6) {
            if (nd == 2)
                pk_intvv2(ra2, g, rb1, db, P, s1, s2, hs);
            else
                pk_ln3_plane(ra2, g, rb1, db, P, s1, s2, hs);
            P[2] = nd == 2 ? 0.0 : P[2];
            if (hs == 0 && pk_eqpt(P, ra2))
                for (int k = 0; k < 3; ++k) X[k] = ra2[k];
        } else if (seg_dist(rb2, ra1, ra2) < 1e-6) {
            if (nd == 2)
                pk_intvv2(rb2, h, ra1, da, P, s1, s2, hs);
            else
                pk_ln3_plane(rb2, h, ra1, da, P, s1, s2, hs);
            P[2] = nd == 2 ? 0.0 : P[2];
            if (hs == 0 && pk_eqpt(P, rb2))
                for (int k = 0; k < 3; ++k) X[k] = rb2[k];
        }
    }
    for (int k = 0; k < 3; ++k) x[k] = X[k];
    status = 1;
    bool in_a = (-1e-6 < sa - ea1 && sa - ea2 < 1e-6) || pk_eqpt(X, ra1) || pk_eqpt(X, ra2);
    bool in_b = (-1e-6 < sb - eb1 && sb - eb2 < 1e-6) || pk_eqpt(X, rb1) || pk_eqpt(X, rb2);
    if (!in_a || !in_b) status = 0;
    if (status == 1 && branch) status = 3;
}
