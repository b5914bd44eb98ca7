#include "cutter/kernel.h"

#include <cmath>
#include <utility>

#include "core/vec.h"
#include "cutter/soltol.h"

namespace {
// A sweep plane whose normal's Z is below this has no side point over the
// tool's rim: the plane is upright within rounding, and the division by
// that Z would put the point at a height no contact has (1e15 times the
// plane's offset and more).
constexpr f64 SIDE_NZ = 1e-15;
// A sweep plane's normal shorter than this: the edge runs along the move.
constexpr f64 SWEEP_NORMAL = 1e-11;
// The slack of the side test of a tapered tool's contact between the
// triangle's edges (the other tools take TOL_ROOT).
constexpr f64 CROSS_SIDE = 1e-5;
// The upper ends of the face's barycentric parameters and of an edge's
// parameter, with their slack (1 + TOL_ROOT and 1 + 1e-9).
constexpr f64 INSIDE_HI = 1.00000000001;
constexpr f64 EDGE_HI = 1.000000001;
}  // namespace

KrnBlk CNTKRA = [] {
    KrnBlk k{};
    k.tapered = true;
    k.LSTANG = -1.0;
    return k;
}();
KrnBlk CNTKRB = [] {
    KrnBlk k{};
    k.tapered = false;
    return k;
}();

namespace {

// ---------------------------------------------------------------- vectors
inline void cross(const f64* a, const f64* b, f64* c)
{
    f64 x = a[1] * b[2] - a[2] * b[1], y = a[2] * b[0] - a[0] * b[2], z = a[0] * b[1] - a[1] * b[0];
    c[0] = x, c[1] = y, c[2] = z;
}
inline void set(f64* a, f64 x, f64 y, f64 z) { a[0] = x, a[1] = y, a[2] = z; }
inline void copy(f64* a, const f64* b) { a[0] = b[0], a[1] = b[1], a[2] = b[2]; }
inline f64 norm(const f64* a) { return std::sqrt(dot3(a, a)); }
inline bool unit(f64* a)
{
    f64 l = norm(a);
    if (l == 0.0) return false;
    a[0] /= l, a[1] /= l, a[2] /= l;
    return true;
}
inline f64 sq0(f64 v) { return std::sqrt(v > 0.0 ? v : 0.0); }
inline f64 hlen(const f64* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1]); }

// ---------------------------------------------------------------- topology
struct Vtx {
    f64 p[3];
    bool active;
};
struct Topo {
    Vtx v[3];
    bool eact[3];  // edge i: vertex i to vertex i + 1
} TRITOP;

// Classifies a corner value c against an outer radius R.
void classify(f64 c, f64 R, f64& r, i32& type)
{
    if (c < TOL_FLAT * R) {
        r = 0.0, type = KS_FLAT;
    } else if (c >= 0.99999 * R) {
        r = R, type = KS_BALL;
    } else {
        r = c, type = KS_TORUS;
    }
}

void select_part(KrnBlk& k, i32 upper)
{
    if (!upper) {
        k.TOLRAD = k.LOWRAD, k.CRNRAD = k.LOWCRN, k.RNGRAD = k.LOWRNG, k.SHPTYP = k.LOWTYP;
        copy(k.CUTTIP, k.LOWTIP), copy(k.CRNCEN, k.LOWCEN);
    } else {
        k.TOLRAD = k.UPPRAD, k.CRNRAD = k.UPPCRN, k.RNGRAD = k.UPPRNG, k.SHPTYP = k.UPPTYP;
        copy(k.CUTTIP, k.UPPTIP), copy(k.CRNCEN, k.UPPCEN);
    }
    k.PRTSEL = upper;
}

// Corner point with outward normal u. A vertical u is the normal of the
// flat bottom's whole circle, which has no one point: the point under the
// centre is taken, so that a search passing through it reads a number.
void corner_point(const KrnBlk& k, const f64* u, f64* out)
{
    f64 h = hlen(u);
    f64 fx = h > 0.0 ? u[0] / h : 0.0, fy = h > 0.0 ? u[1] / h : 0.0;
    out[0] = k.CRNCEN[0] + k.RNGRAD * fx + k.CRNRAD * u[0];
    out[1] = k.CRNCEN[1] + k.RNGRAD * fy + k.CRNRAD * u[1];
    out[2] = k.CRNCEN[2] + k.CRNRAD * u[2];
}

// Cutter normal at X (TOLCNT).
void cutter_normal(KrnBlk& k, const f64* X)
{
    f64* n = k.CUTNRM;
    const bool cone = k.tapered && k.TOLTYP == KS_CONE;
    if (k.tapered || k.SHPTYP == KS_FLAT) k.CRSFLG = 0;
    if (cone) {
        if (X[2] < k.LOWTNZ + TOL_LEVEL) {
            select_part(k, 0);
        } else if (X[2] <= k.UPPTNZ - TOL_LEVEL) {
            f64 u[3] = {X[0] - k.LOWCEN[0], X[1] - k.LOWCEN[1], 0.0};
            unit(u);
            set(n, u[0], u[1], -k.TANANG);
            unit(n);
            if (std::fabs(X[2] - k.LOWTNZ) < TOL_CROSS) k.CRSFLG = 2, set(k.CNTNR2, 0, 0, -1);
            if (std::fabs(X[2] - k.UPPTNZ) < TOL_CROSS) k.CRSFLG = 2, set(k.CNTNR2, u[0], u[1], 0);
            return;
        } else {
            select_part(k, 1);
        }
    }
    const f64* C = k.CRNCEN;
    f64 dx = X[0] - C[0], dy = X[1] - C[1];
    f64 rho = std::sqrt(dx * dx + dy * dy);
    switch (k.SHPTYP) {
    case KS_BALL:
        set(n, dx, dy, X[2] - C[2]);
        if (X[2] >= C[2]) n[2] = 0.0;
        return;
    case KS_TORUS:
        if (rho < k.TOLRAD - k.CRNRAD)
            set(n, 0, 0, -1);
        else if (X[2] >= C[2])
            set(n, dx, dy, 0);
        else
            set(n, dx * (1 - (k.TOLRAD - k.CRNRAD) / rho), dy * (1 - (k.TOLRAD - k.CRNRAD) / rho), X[2] - C[2]);
        return;
    default:
        if (!k.tapered) {
            set(n, dx, dy, 0);
            if (rho < k.TOLRAD - TOL_ZERO)
                set(n, 0, 0, -1);
            else if (X[2] < C[2] + TOL_LEVEL)
                k.CRSFLG = 2;
            return;
        }
        if (rho < k.TOLRAD - TOL_ZERO && std::fabs(X[2] - C[2]) < TOL_ZERO) {
            set(n, 0, 0, -1);
        } else if (X[2] >= C[2] + TOL_LEVEL) {
            set(n, dx, dy, 0);
        } else {
            k.CRSFLG = 2;
            f64 u[3] = {X[0] - k.CUTTIP[0], X[1] - k.CUTTIP[1], 0.0};
            unit(u);
            if (!cone) {
                set(n, u[0], u[1], 0);
                set(k.CNTNR2, 0, 0, -1);
            } else {
                set(n, u[0], u[1], -k.TANANG);
                unit(n);
                if (std::fabs(X[2] - k.LOWTNZ) < TOL_LEVEL) set(k.CNTNR2, 0, 0, -1);
                if (std::fabs(X[2] - k.UPPTNZ) < TOL_LEVEL) set(k.CNTNR2, u[0], u[1], 0);
            }
        }
        return;
    }
}

// ------------------------------------------------ functions of the searches
f64 VTXTOR(KrnBlk& k, const f64* V, f64 s)
{
    for (i32 j = 0; j < 3; ++j) k.FEATPB[j] = V[j] + s * k.MOVDIR[j];
    f64 dx = k.FEATPB[0] - k.CRNCEN[0], dy = k.FEATPB[1] - k.CRNCEN[1];
    f64 rho2 = dx * dx + dy * dy, rr = k.TOLRAD - k.CRNRAD;
    if (rho2 <= k.RNGSQR) return (k.FEATPB[2] - k.CRNCEN[2]) + k.CRNRAD;
    f64 x = std::sqrt(rho2) - rr;
    return (k.FEATPB[2] - k.CRNCEN[2]) + sq0(k.CRNSQR - x * x);
}

void circle_point(KrnBlk& k, f64 t)
{
    f64 w = sq0(1.0 - t * t);
    f64 u[3];
    for (i32 j = 0; j < 3; ++j) u[j] = k.BASVC1[j] * t + k.BASVC2[j] * w;
    corner_point(k, u, k.CRCPNT);
}
f64 CRCLAT(KrnBlk& k, f64 t)
{
    circle_point(k, t);
    return k.SWPOFF - dot3(k.BASVC1, k.CRCPNT);
}
f64 CRCEDG(KrnBlk& k, f64 t)
{
    circle_point(k, t);
    return k.SWPOFF - dot3(k.SWPNRM, k.CRCPNT);
}

// Searches the vertex line between the cylinder crossing sa and sb, ordered
// low to high, for the underside; a degenerate interval is evaluated once,
// at sa.
void vtx_search(KrnBlk& k, const f64* V, f64 sa, f64 sb)
{
    // The squares the search's function takes at every step, of the part
    // in use now (a tapered tool's part is chosen just before).
    k.CRNSQR = k.CRNRAD * k.CRNRAD;
    k.RNGSQR = (k.TOLRAD - k.CRNRAD) * (k.TOLRAD - k.CRNRAD);
    if (std::fabs(sa - sb) <= TOL_ROOT) {
        VTXTOR(k, V, sa);
        return;
    }
    SRCH1D(std::fmin(sa, sb), std::fmax(sa, sb), [&](f64 s) { return VTXTOR(k, V, s); });
}

// Edge parameter of TOLCNT: TOLCNT - B - t E parallel to the move.
f64 EDGPRM(const KrnBlk& k)
{
    const f64* T = k.TOLCNT;
    const f64* B = k.FEATPB;
    const f64* E = k.EDGVEC;
    const f64* d = k.MOVDIR;
    f64 det = d[1] * E[0] - d[0] * E[1];
    if (std::fabs(det) > TOL_ZERO) return ((T[0] - B[0]) * d[1] - (T[1] - B[1]) * d[0]) / det;
    det = d[2] * E[0] - E[2] * d[0];
    if (std::fabs(det) > TOL_ZERO) return ((T[0] - B[0]) * d[2] - (T[2] - B[2]) * d[0]) / det;
    det = d[2] * E[1] - E[2] * d[1];
    // Both variants: an edge parallel to the move within rounding leaves the
    // last determinant exactly 0, and the parameter would be a NaN, which
    // passes the walk's range test.
    if (det == 0.0) return 0.0;
    return ((T[1] - B[1]) * d[2] - (T[2] - B[2]) * d[1]) / det;
}

// ------------------------------------------------------------ flank
// 0 contact on the flank (TOLCNT set), 1 none, 2 no flank contact possible.
i32 VTXCON(KrnBlk& k, const f64* V)
{
    const f64* d = k.MOVDIR;
    const f64 ta = k.TANANG;
    auto rho = [&](f64 z) { return (z - k.UPPTNZ) * ta + k.UPPTNR; };
    f64 vx = V[0] - k.UPPCEN[0], vy = V[1] - k.UPPCEN[1];
    f64 al = d[0] * d[0] + d[1] * d[1] - d[2] * d[2] * ta * ta;
    f64 be = d[0] * vx + d[1] * vy - rho(V[2]) * d[2] * ta;
    f64 ga = vx * vx + vy * vy - rho(V[2]) * rho(V[2]);
    f64 sum = std::fabs(al) + std::fabs(be) + std::fabs(ga);
    if (sum == 0.0) return 1;
    al /= sum, be /= sum, ga /= sum;
    f64 s;
    if (std::fabs(al) + std::fabs(ga) < TOL_ZERO) {
        s = 0.0;
    } else {
        f64 disc = be * be - al * ga;
        if (disc <= 0.0) return 1;
        f64 w = std::sqrt(disc);
        if (al != 0.0) {
            f64 r1 = (w - be) / al, r2 = (-w - be) / al;
            s = al > 0.0 ? std::fmax(r1, r2) : std::fmin(r1, r2);
        } else {
            // The reversed quadratic's root 0 is the line's root at infinity
            // (the line parallel to a generator): it is no contact, and the
            // other root, the one finite one, is taken.
            f64 q1 = (w - be) / ga, q2 = (-w - be) / ga;
            if (q1 == 0.0 && q2 == 0.0) return 1;
            f64 r1 = q1 != 0.0 ? 1.0 / q1 : -HUGE_VAL, r2 = q2 != 0.0 ? 1.0 / q2 : -HUGE_VAL;
            if (ga > 0.0)
                s = std::fmax(r1, r2);
            else
                s = std::fmin(q1 != 0.0 ? r1 : HUGE_VAL, q2 != 0.0 ? r2 : HUGE_VAL);
        }
    }
    // Also for a vertex already on the cone: a point below the apex lies on
    // the cone's mirror image, not on the flank.
    f64 X[3] = {V[0] + s * d[0], V[1] + s * d[1], V[2] + s * d[2]};
    if (!(X[2] > k.APEXZZ)) return 1;
    copy(k.TOLCNT, X);
    return 0;
}

i32 EDGCON(KrnBlk& k, const f64* A)
{
    const f64* E = k.EDGVEC;
    const f64* d = k.MOVDIR;
    f64 exy = hlen(E);
    if (k.COSANG * exy <= std::fabs(E[2]) * k.SINANG) return 2;
    f64 kk = k.TANANG * E[2] / exy;
    f64 s = sq0(1.0 - kk * kk);
    f64 m[3];
    cross(E, d, m);
    f64 cot = k.COSANG / k.SINANG;
    f64 g[2][3] = {{(E[0] * kk + E[1] * s) / exy, (E[1] * kk - E[0] * s) / exy, 0.0},
                   {(E[0] * kk - E[1] * s) / exy, (E[1] * kk + E[0] * s) / exy, 0.0}};
    bool faces[2];
    for (i32 i = 0; i < 2; ++i) faces[i] = -g[i][0] * cot * d[0] - g[i][1] * cot * d[1] + d[2] < 0.0;
    if (!faces[0] && !faces[1]) return 2;
    for (i32 i = 0; i < 2; ++i) {
        f64 P0[3] = {k.LOWCEN[0] + k.LOWTNR * g[i][0], k.LOWCEN[1] + k.LOWTNR * g[i][1], k.LOWTNZ};
        f64 dir[3] = {g[i][0], g[i][1], cot};
        f64 den = dot3(m, dir);
        if (std::fabs(den) < TOL_ZERO || !faces[i]) continue;
        f64 tau = (dot3(m, A) - dot3(m, P0)) / den;
        f64 X[3] = {P0[0] + tau * dir[0], P0[1] + tau * dir[1], P0[2] + tau * dir[2]};
        if (X[2] <= k.APEXZZ - TOL_LEVEL) continue;
        copy(k.TOLCNT, X);
        return 0;
    }
    return 1;
}

// Part choice in cone mode: 0 the flank contact is the result, 1 none, 2
// go on with the selected part.
i32 cone_choice(KrnBlk& k, i32 flank)
{
    if (!(k.MOVDIR[2] <= 0.0 || k.MOVDIR[2] < k.COSANG)) {
        select_part(k, 1);
        return 2;
    }
    if (flank == 1) return 1;
    if (flank == 2) {
        select_part(k, 1);
        return 2;
    }
    if (k.TOLCNT[2] < k.LOWTNZ) {
        select_part(k, 0);
        return 2;
    }
    if (k.TOLCNT[2] <= k.UPPTNZ) return 0;
    select_part(k, 1);
    return 2;
}

// ------------------------------------------------------------ vertex
i32 TRIVTX(KrnBlk& k, const f64* V)
{
    copy(k.FEATPA, V);
    const bool cone = k.tapered && k.TOLTYP == KS_CONE;
    if (cone) {
        i32 fl = (k.MOVDIR[2] <= 0.0 || k.MOVDIR[2] < k.COSANG) ? VTXCON(k, V) : 2;
        i32 c = cone_choice(k, fl == 0 ? 0 : 1);
        if (fl != 0 && c != 2) return 1;
        if (c == 0) {
            cutter_normal(k, k.TOLCNT);
            return 0;
        }
    }
    const f64* C = k.CRNCEN;
    const f64* d = k.MOVDIR;
    const f64 R = k.TOLRAD, r = k.CRNRAD, rr = R - r;
    f64* T = k.TOLCNT;
    if (k.DIRCLS == 3) {
        f64 dx = V[0] - C[0], dy = V[1] - C[1], rho2 = dx * dx + dy * dy;
        if (rho2 >= R * R) return 1;
        f64 rho = std::sqrt(rho2);
        if (rho <= rr)
            set(T, V[0], V[1], k.CUTTIP[2]);
        else
            set(T, V[0], V[1], C[2] - sq0(r * r - (rho - rr) * (rho - rr)));
    } else if (k.DIRCLS == 2) {
        if (V[2] <= k.CUTTIP[2]) return 1;
        f64 e[3] = {d[1], -d[0], 0.0};
        f64 w[3] = {V[0] - C[0], V[1] - C[1], V[2] - C[2]};
        f64 lam = dot3(e, w);
        if (std::fabs(lam) >= R) return 1;
        f64 rho = R;
        if (V[2] < C[2]) {
            rho = rr + sq0(r * r - (C[2] - V[2]) * (C[2] - V[2]));
            if (rho <= std::fabs(lam)) return 1;
        }
        f64 s = std::sqrt(rho * rho - lam * lam);
        set(T, C[0] + d[0] * s + e[0] * lam, C[1] + d[1] * s + e[1] * lam, V[2]);
    } else {
        f64 hd = hlen(d);
        f64 hh[3] = {d[0] / hd, d[1] / hd, 0.0};
        f64 e1[3] = {-hh[1], hh[0], 0.0};
        f64 w[3] = {V[0] - C[0], V[1] - C[1], V[2] - C[2]};
        f64 lam = dot3(e1, w);
        if (std::fabs(lam) > R) return 1;
        f64 cyl[3] = {lam * e1[0] + sq0(R * R - lam * lam) * hh[0] + C[0],
                      lam * e1[1] + sq0(R * R - lam * lam) * hh[1] + C[1], 0.0};
        f64 sc = std::fabs(d[0]) > TOL_ZERO ? (cyl[0] - V[0]) / d[0] : (cyl[1] - V[1]) / d[1];
        f64 X[3] = {V[0] + sc * d[0], V[1] + sc * d[1], V[2] + sc * d[2]};
        // s of the cylinder crossing, along the horizontal direction.
        const f64 sa = (dot3(hh, C) + sq0(R * R - lam * lam) - dot3(hh, V)) / dot3(hh, d);
        auto nearest_ball = [&]() -> bool {
            f64 t = -dot3(w, d) / dot3(d, d);
            f64 Xn[3] = {V[0] + t * d[0], V[1] + t * d[1], V[2] + t * d[2]};
            f64 q[3] = {Xn[0] - C[0], Xn[1] - C[1], Xn[2] - C[2]};
            f64 q2 = dot3(q, q);
            if (k.DIRSNS == 1 ? q2 >= R * R : q2 > R * R) return false;
            f64 s = std::sqrt(R * R - q2);
            set(T, Xn[0] + d[0] * s, Xn[1] + d[1] * s, Xn[2] + d[2] * s);
            return true;
        };
        auto circle_then_search = [&]() -> bool {
            f64 e2[3];
            cross(e1, d, e2);
            unit(e2);
            copy(k.BASVC1, e1), copy(k.BASVC2, e2);
            k.SWPOFF = dot3(e1, V);
            SRCH1D(-1.0, 1.0, [&](f64 t) { return CRCLAT(k, t); });
            if (dot3(e2, k.CRCPNT) <= dot3(e2, V)) return false;
            f64 cv[3] = {k.CRCPNT[0] - V[0], k.CRCPNT[1] - V[1], k.CRCPNT[2] - V[2]};
            f64 sb = dot3(hh, cv) / dot3(hh, d);
            vtx_search(k, V, sa, sb);
            copy(T, k.FEATPB);
            return true;
        };
        if (X[2] >= C[2] - TOL_ROOT) {
            copy(T, X);
        } else if (k.DIRSNS == 1) {
            if (k.tapered && k.SHPTYP == KS_FLAT) return 1;
            if (k.tapered && k.SHPTYP == KS_BALL) {
                if (!nearest_ball()) return 1;
            } else if (!circle_then_search()) {
                return 1;
            }
        } else if (k.SHPTYP != KS_BALL) {
            f64 tb = (k.CUTTIP[2] - V[2]) / d[2];
            f64 Xb[3] = {V[0] + tb * d[0], V[1] + tb * d[1], V[2] + tb * d[2]};
            f64 bx = Xb[0] - k.CUTTIP[0], by = Xb[1] - k.CUTTIP[1];
            if (std::sqrt(bx * bx + by * by) <= rr + TOL_ROOT) {
                copy(T, Xb);
            } else {
                if (k.SHPTYP == KS_FLAT) return 1;
                if (hh[0] * bx + hh[1] * by <= -R) return 1;
                f64 tc = (C[2] - V[2]) / d[2];
                f64 Xc[3] = {V[0] + tc * d[0], V[1] + tc * d[1], C[2]};
                f64 cd = std::hypot(Xc[0] - C[0], Xc[1] - C[1]);
                bool inside = k.tapered ? cd < R - TOL_ROOT : cd <= R + TOL_ROOT;
                if (inside) {
                    vtx_search(k, V, sa, tc);
                    copy(T, k.FEATPB);
                } else if (!circle_then_search()) {
                    return 1;
                }
            }
        } else if (!nearest_ball()) {
            return 1;
        }
    }
    cutter_normal(k, T);
    return 0;
}

// ------------------------------------------------------------ edge
// The contact of the swept tool with the edge A-B of a triangle: the sweep
// plane through the edge along the move, the tool's centre C and radii, and
// the cases of the plane's position (the move along the tool's direction of
// sense, a vertical, a horizontal or an inclined sweep plane).
struct EdgeSweep {
    KrnBlk& k;
    const f64* A;
    const f64* B;
    f64* E;        // the edge A - B
    const f64* d;  // the move's direction
    f64* m;        // the sweep plane's normal
    f64* T;        // the contact point found
    const f64* C;  // the tool's centre
    f64 R, r, rr, exy;
    f64 n[3];      // horizontal across the edge, towards the move

    // The edge parameter of the point of the edge closest to the contact's line along the move.
    f64 closest() const
    {
        f64 D[3] = {T[0] - B[0], T[1] - B[1], T[2] - B[2]};
        f64 dd = dot3(d, d), ee = dot3(E, E), ed = dot3(E, d);
        f64 den = ee * dd - ed * ed;
        return den != 0.0 ? (dot3(D, E) * dd - dot3(D, d) * ed) / den : 0.0;
    }
    // The side point: on the vertical line through C + R n, in the sweep plane.
    bool side_point(f64* Y) const
    {
        if (std::fabs(m[2]) < SIDE_NZ) return false;
        Y[0] = C[0] + R * n[0];
        Y[1] = C[1] + R * n[1];
        Y[2] = (k.SWPOFF - m[0] * Y[0] - m[1] * Y[1]) / m[2];
        return true;
    }
    // The contact on the ball's section at distance delta from its centre along m.
    void ball_section(f64 delta, const f64* e1)
    {
        set(T, C[0] + m[0] * delta + e1[0] * sq0(R * R - delta * delta),
            C[1] + m[1] * delta + e1[1] * sq0(R * R - delta * delta),
            C[2] + m[2] * delta + e1[2] * sq0(R * R - delta * delta));
    }
    i32 along_direction(f64& t);
    i32 vertical_plane(f64& t);
    i32 horizontal_plane(f64& t);
    i32 inclined_plane(f64& t, f64 mh);
};

// The move along the tool's direction of sense.
i32 EdgeSweep::along_direction(f64& t)
{
    // A climb keeps a horizontal part of at least 1e-8 (the direction step
    // ends the others), so hd is never 0 here; the guard only keeps the
    // division safe.
    f64 hd = hlen(d);
    f64 hh[3] = {hd > 0 ? d[0] / hd : 1.0, hd > 0 ? d[1] / hd : 0.0, 0.0};
    if (std::fabs(E[0]) + std::fabs(E[1]) < TOL_ZERO) {
        f64 e1[3] = {-hh[1], hh[0], 0.0};
        f64 w[3] = {A[0] - C[0], A[1] - C[1], A[2] - C[2]};
        f64 del = dot3(e1, w);
        if (R * R - del * del < 0.0) return 1;
        f64 s = std::sqrt(R * R - del * del);
        set(T, C[0] + hh[0] * s + e1[0] * del, C[1] + hh[1] * s + e1[1] * del, C[2]);
        f64 hs = dot3(hh, d);
        f64 sm = hs != 0.0 ? (dot3(hh, B) - dot3(hh, T)) / hs : 0.0;
        t = E[2] != 0.0 ? (T[2] + sm * d[2] - B[2]) / E[2] : 0.0;
        return 0;
    }
    f64 e1[3] = {E[1] / exy, -E[0] / exy, 0.0};
    if (std::fabs(dot3(e1, d)) < TOL_ZERO) {
        f64 w[3] = {A[0] - C[0], A[1] - C[1], A[2] - C[2]};
        f64 del = dot3(e1, w);
        if (R * R - del * del < 0.0) return 1;
        if (k.tapered && k.SHPTYP == KS_FLAT) {
            // f runs the way the edge rises; a level edge rises neither way
            // and keeps its own sense, A - B. That sense decides no travel:
            // with either sense (or the test below turned round) the travels
            // along level edges met in their own vertical plane, from either
            // side and climbing, agree with the swept tool's own (the kernel
            // tests' tapered flat end), so the edge's stored order is kept
            // rather than a rule of its own for the level case.
            f64 f[3] = {E[0] / exy, E[1] / exy, 0.0};
            if (E[2] < 0.0) f[0] = -f[0], f[1] = -f[1];
            if (dot3(f, d) <= 0.0) return 1;
            f64 s = std::sqrt(R * R - del * del);
            set(T, C[0] + e1[0] * del + f[0] * s, C[1] + e1[1] * del + f[1] * s, C[2]);
            t = closest();
            return 0;
        }
        if (k.tapered && k.SHPTYP == KS_BALL) {
            f64 dl = dot3(m, w);
            f64 e1p[3];
            cross(m, E, e1p);
            unit(e1p);
            if (dot3(e1p, d) < 0.0) e1p[0] = -e1p[0], e1p[1] = -e1p[1], e1p[2] = -e1p[2];
            if (std::fabs(dl) > R) return 1;
            ball_section(dl, e1p);
            if (T[2] > C[2] + TOL_LEVEL) return 1;
            t = EDGPRM(k);
            return 0;
        }
        if (k.tapered && std::fabs(E[2]) < TOL_ZERO * (std::fabs(E[0]) + std::fabs(E[1]) + std::fabs(E[2]))) return 1;
        f64 e2[3];
        cross(e1, E, e2);
        unit(e2);
        if (e2[2] > 0.0) e2[0] = -e2[0], e2[1] = -e2[1], e2[2] = -e2[2];
        copy(k.BASVC1, e1), copy(k.BASVC2, e2);
        k.SWPOFF = dot3(e1, A);
        SRCH1D(-1.0, 1.0, [&](f64 x) { return CRCLAT(k, x); });
        copy(T, k.CRCPNT);
        t = closest();
        return 0;
    }
    k.SWPOFF = dot3(m, A);
    f64 Y[3];
    if (side_point(Y) && Y[2] >= C[2]) {
        copy(T, Y);
        t = EDGPRM(k);
        return 0;
    }
    if (k.tapered && k.SHPTYP == KS_BALL) {
        f64 w[3] = {A[0] - C[0], A[1] - C[1], A[2] - C[2]};
        f64 dl = dot3(m, w);
        if (std::fabs(dl) > R) return 1;
        f64 e1p[3];
        cross(m, E, e1p);
        unit(e1p);
        if (dot3(e1p, d) < 0.0) e1p[0] = -e1p[0], e1p[1] = -e1p[1], e1p[2] = -e1p[2];
        ball_section(dl, e1p);
        if (T[2] > C[2] + TOL_LEVEL) return 1;
        t = closest();
        return 0;
    }
    f64 mh = hlen(m);
    f64 K[3] = {C[0] + (mh > 0 ? rr / mh : 0.0) * m[0] + r * m[0], C[1] + (mh > 0 ? rr / mh : 0.0) * m[1] + r * m[1],
                C[2] + r * m[2]};
    if (dot3(m, K) - TOL_ROOT <= k.SWPOFF) return 1;
    f64 e2[3];
    cross(n, E, e2);
    unit(e2);
    if (e2[2] > 0.0) e2[0] = -e2[0], e2[1] = -e2[1], e2[2] = -e2[2];
    copy(k.BASVC1, n), copy(k.BASVC2, e2);
    SRCH1D(dot3(n, m), 1.0, [&](f64 x) { return CRCEDG(k, x); });
    copy(T, k.CRCPNT);
    t = closest();
    return 0;
}

// A vertical sweep plane.
i32 EdgeSweep::vertical_plane(f64& t)
{
    k.SWPOFF = dot3(m, A);
    k.LATOFF = k.SWPOFF - dot3(m, C);
    const f64 lat = k.LATOFF;
    if (R <= std::fabs(lat)) return 1;
    if (std::fabs(E[2]) < TOL_ZERO) {
        if (std::fabs(lat) > rr) {
            f64 x = std::fabs(lat) - rr;
            set(T, C[0] + m[0] * lat, C[1] + m[1] * lat, C[2] + m[2] * lat - sq0(r * r - x * x));
            t = EDGPRM(k);
            return 0;
        }
        f64 ee = norm(E);
        f64 eh[3] = {E[0] / ee, E[1] / ee, E[2] / ee};
        f64 hw = sq0(rr * rr - lat * lat);
        f64 q[3];
        cross(d, m, q);
        f64 qa = dot3(q, A), qb = dot3(q, B);
        f64 ends[2][3];
        for (i32 s = 0; s < 2; ++s)
            for (i32 j = 0; j < 3; ++j) ends[s][j] = k.CUTTIP[j] + m[j] * lat + (s ? -1.0 : 1.0) * eh[j] * hw;
        f64 tau[2];
        for (i32 s = 0; s < 2; ++s) tau[s] = qa != qb ? (dot3(q, ends[s]) - qb) / (qa - qb) : 0.0;
        f64 tlo = std::fmin(tau[0], tau[1]), thi = std::fmax(tau[0], tau[1]);
        if (tlo <= 1.0 && thi >= 0.0) {
            t = std::fmax(tlo, 0.0);
            // The cutter point is taken over the edge point at the clamped
            // parameter t, the point the walk takes as the contact (B + t E):
            // where the chord reaches back past B, the point at tlo lies off
            // the edge, and the cutter moved onto B from it would be shifted
            // sideways by -tlo E, off the line of the move.
            f64 P[3] = {B[0] + t * E[0], B[1] + t * E[1], B[2] + t * E[2]};
            f64 s = d[2] != 0.0 ? (k.CUTTIP[2] - P[2]) / d[2] : 0.0;
            set(T, P[0] + s * d[0], P[1] + s * d[1], k.CUTTIP[2]);
        } else if (thi < 0.0) {
            t = thi;
            copy(T, B);
        } else {
            t = tlo;
            copy(T, A);
        }
        return 0;
    }
    f64 e2[3];
    cross(E, m, e2);
    if (dot3(e2, d) < 0.0) e2[0] = -e2[0], e2[1] = -e2[1], e2[2] = -e2[2];
    unit(e2);
    if (e2[2] > 0.0) e2[0] = -e2[0], e2[1] = -e2[1], e2[2] = -e2[2];
    if (k.SHPTYP == KS_FLAT) {
        f64 dh = hlen(d);
        // A straight drop of the cylindrical cutter has no horizontal
        // direction to choose the rim point by; it takes the tapered
        // cutter's rule (no caller passes one).
        if (k.tapered || dh == 0.0) {
            if (std::fabs(E[0]) + std::fabs(E[1]) < TOL_ZERO) return 1;
            f64 e1[3] = {-E[1] / exy, E[0] / exy, 0.0};
            f64 f[3] = {e1[1], -e1[0], 0.0};
            f64 del = (k.SWPOFF - dot3(m, C)) / dot3(m, e1);
            f64 w = sq0(R * R - del * del);
            f64 de = dot3(d, E), ee = dot3(E, E), dd = dot3(d, d);
            f64 side = (dd * ee - de * de) * ((d[0] * f[0] + d[1] * f[1]) * ee - (E[0] * f[0] + E[1] * f[1]) * de);
            f64 sg = side <= 0.0 ? -1.0 : 1.0;
            set(T, C[0] + e1[0] * del + sg * f[0] * w, C[1] + e1[1] * del + sg * f[1] * w, C[2] + e1[2] * del);
        } else {
            f64 g[3] = {-d[0] / dh, -d[1] / dh, 0.0};
            f64 w = sq0(R * R - lat * lat);
            set(T, C[0] + m[0] * lat + g[0] * w, C[1] + m[1] * lat + g[1] * w, C[2] + m[2] * lat);
        }
    } else if (k.SHPTYP == KS_TORUS) {
        copy(k.BASVC1, m), copy(k.BASVC2, e2);
        SRCH1D(-1.0, 1.0, [&](f64 x) { return CRCLAT(k, x); });
        copy(T, k.CRCPNT);
    } else {
        f64 w = sq0(R * R - lat * lat);
        set(T, C[0] + m[0] * lat + e2[0] * w, C[1] + m[1] * lat + e2[1] * w, C[2] + m[2] * lat + e2[2] * w);
    }
    t = EDGPRM(k);
    return 0;
}

// A horizontal sweep plane: a horizontal edge, a horizontal move.
i32 EdgeSweep::horizontal_plane(f64& t)
{
    if (A[2] < k.CUTTIP[2] - TOL_LEVEL) return 1;
    f64 e1[3] = {n[0], n[1], 0.0};
    f64 dz = C[2] - A[2], rad = R;
    if (A[2] < C[2]) {
        if (k.SHPTYP == KS_BALL) rad = sq0(R * R - dz * dz);
        else if (k.SHPTYP == KS_TORUS) rad = rr + sq0(r * r - dz * dz);
    }
    set(T, C[0] + e1[0] * rad, C[1] + e1[1] * rad, A[2]);
    t = EDGPRM(k);
    return 0;
}

// An inclined sweep plane.
i32 EdgeSweep::inclined_plane(f64& t, f64 mh)
{
    k.SWPOFF = dot3(m, A);
    f64 gh[3] = {-m[0] / mh, -m[1] / mh, 0.0};
    f64 w[3] = {m[2] * m[0], m[2] * m[1], -(m[0] * m[0] + m[1] * m[1])};
    unit(w);
    f64 Y[3];
    f64 cg[3] = {C[0] + R * gh[0], C[1] + R * gh[1], C[2]};
    if (k.SWPOFF <= dot3(m, cg) && side_point(Y) && Y[2] >= C[2]) {
        copy(T, Y);
        t = EDGPRM(k);
        return 0;
    }
    f64 K[3] = {C[0] + (rr / mh + r) * m[0], C[1] + (rr / mh + r) * m[1], C[2] + r * m[2]};
    if (dot3(m, K) <= k.SWPOFF) return 1;
    if (std::fabs(E[2]) >= TOL_ZERO) {
        if (side_point(Y) && Y[2] > C[2]) {
            copy(T, Y);
        } else if (k.SHPTYP == KS_BALL) {
            f64 del = k.SWPOFF - dot3(m, C);
            f64 e1[3];
            cross(m, E, e1);
            unit(e1);
            if (dot3(e1, d) < 0.0) e1[0] = -e1[0], e1[1] = -e1[1], e1[2] = -e1[2];
            ball_section(del, e1);
        } else if (k.SHPTYP == KS_FLAT) {
            f64 f[3] = {gh[1], -gh[0], 0.0};
            f64 del = (k.SWPOFF - dot3(m, C)) / dot3(m, gh);
            f64 wp = sq0(R * R - del * del);
            // The rim point that leads along the move's component across the
            // edge, in both variants (a mend: the cylindrical variant's own
            // rule, the point along f turned so that f . E has the sign of
            // E.z, takes the trailing point on some edges, so the contact is
            // refused and the flat bottom passes through the edge).
            f64 de = dot3(d, E), ee = dot3(E, E), dd = dot3(d, d);
            f64 side = (dd * ee - de * de) * ((d[0] * f[0] + d[1] * f[1]) * ee - (E[0] * f[0] + E[1] * f[1]) * de);
            f64 sg = side <= 0.0 ? -1.0 : 1.0;
            set(T, C[0] + gh[0] * del + sg * f[0] * wp, C[1] + gh[1] * del + sg * f[1] * wp, C[2]);
        } else {
            f64 e2[3];
            cross(n, E, e2);
            unit(e2);
            if (e2[2] > 0.0) e2[0] = -e2[0], e2[1] = -e2[1], e2[2] = -e2[2];
            copy(k.BASVC1, n), copy(k.BASVC2, e2);
            SRCH1D(dot3(m, n), 1.0, [&](f64 x) { return CRCEDG(k, x); });
            copy(T, k.CRCPNT);
        }
    } else {
        auto section = [&](const f64* S, f64 rad, const f64* dir) {
            f64 del = k.SWPOFF - dot3(m, S);
            f64 q = sq0(rad * rad - del * del);
            set(T, S[0] + m[0] * del + dir[0] * q, S[1] + m[1] * del + dir[1] * q, S[2] + m[2] * del + dir[2] * q);
        };
        if (k.SHPTYP == KS_BALL) {
            f64 wd[3] = {w[0], w[1], w[2]};
            if (dot3(wd, d) < 0.0) wd[0] = -wd[0], wd[1] = -wd[1], wd[2] = -wd[2];
            section(C, R, wd);
        } else {
            f64 Sp[3] = {C[0] + rr * gh[0], C[1] + rr * gh[1], C[2]};
            f64 Sm[3] = {C[0] - rr * gh[0], C[1] - rr * gh[1], C[2]};
            f64 Kp[3] = {Sp[0], Sp[1], C[2] - r}, Km[3] = {Sm[0], Sm[1], C[2] - r};
            if (k.SHPTYP != KS_FLAT && k.SWPOFF <= dot3(m, Kp)) {
                section(Sp, r, w);
            } else if (k.SWPOFF <= dot3(m, Km)) {
                f64 s = (k.SWPOFF - dot3(m, Km)) / dot3(m, gh);
                set(T, Km[0] + s * gh[0], Km[1] + s * gh[1], Km[2]);
            } else {
                if (k.SHPTYP == KS_FLAT) return 1;
                section(Sm, r, w);
            }
        }
    }
    t = EDGPRM(k);
    return 0;
}

i32 TRIEDG(KrnBlk& k, const f64* A, const f64* B, f64& t)
{
    copy(k.FEATPA, A);
    copy(k.FEATPB, B);
    f64* E = k.EDGVEC;
    for (i32 j = 0; j < 3; ++j) E[j] = A[j] - B[j];
    const f64* d = k.MOVDIR;
    f64* m = k.SWPNRM;
    cross(E, d, m);
    if (m[2] > 0.0) m[0] = -m[0], m[1] = -m[1], m[2] = -m[2];
    if (norm(m) < SWEEP_NORMAL) return 1;
    unit(m);
    if (k.tapered && k.TOLTYP == KS_CONE) {
        i32 fl = (d[2] <= 0.0 || d[2] < k.COSANG) ? EDGCON(k, A) : 2;
        i32 c = cone_choice(k, fl);
        if (c == 1) return 1;
        if (c == 0) {
            t = EDGPRM(k);
            return 0;
        }
    }
    EdgeSweep s{k, A, B, E, d, m, k.TOLCNT, k.CRNCEN, k.TOLRAD, k.CRNRAD, k.TOLRAD - k.CRNRAD, hlen(E), {0, 0, 0}};
    if (s.exy > 0.0) {
        set(s.n, E[1] / s.exy, -E[0] / s.exy, 0.0);
        if (dot3(s.n, d) < 0.0) s.n[0] = -s.n[0], s.n[1] = -s.n[1];
    }
    if (k.DIRSNS == 1) return s.along_direction(t);
    if (std::fabs(m[2]) < TOL_ZERO) return s.vertical_plane(t);
    if (std::fabs(m[0]) + std::fabs(m[1]) < TOL_ZERO) return s.horizontal_plane(t);
    return s.inclined_plane(t, hlen(m));
}

// ------------------------------------------------------------ acceptance
bool accept_vertex(KrnBlk& k, i32 i)
{
    const f64* V = TRITOP.v[i].p;
    const f64* Pm = TRITOP.v[(i + 2) % 3].p;
    const f64* Pp = TRITOP.v[(i + 1) % 3].p;
    f64 em[3] = {Pm[0] - V[0], Pm[1] - V[1], Pm[2] - V[2]};
    f64 ep[3] = {Pp[0] - V[0], Pp[1] - V[1], Pp[2] - V[2]};
    const f64* n = k.CUTNRM;
    f64 dm = dot3(n, em), dp = dot3(n, ep);
    if (k.tapered) {
        if (k.CRSFLG == 2) {
            if (dm < 0.0) dm = dot3(k.CNTNR2, em);
            if (dp < 0.0) dp = dot3(k.CNTNR2, ep);
        }
        return dm >= -CROSS_SIDE && dp >= -CROSS_SIDE;
    }
    if (k.CRSFLG == 2) {
        if (dm < 0.0 && em[2] < 0.0) dm = 1.0;
        if (dp < 0.0 && ep[2] < 0.0) dp = 1.0;
    }
    if (dm >= -TOL_ROOT && dp >= -TOL_ROOT) return true;
    if (dm >= TOL_ROOT) {
        TRITOP.eact[(i + 2) % 3] = false;
        TRITOP.v[(i + 2) % 3].active = false;
    }
    if (dp >= TOL_ROOT) {
        TRITOP.eact[i] = false;
        TRITOP.v[(i + 1) % 3].active = false;
    }
    return false;
}

bool accept_edge(KrnBlk& k, i32 i)
{
    const f64* A = TRITOP.v[i].p;
    const f64* B = TRITOP.v[(i + 1) % 3].p;
    const f64* W = TRITOP.v[(i + 2) % 3].p;
    const f64* Q = k.TRICNT;
    const f64* n = k.CUTNRM;
    f64 E[3] = {A[0] - B[0], A[1] - B[1], A[2] - B[2]};
    f64 wq[3] = {W[0] - Q[0], W[1] - Q[1], W[2] - Q[2]};
    if (k.tapered) {
        f64 aq[3] = {A[0] - Q[0], A[1] - Q[1], A[2] - Q[2]};
        f64 bq[3] = {B[0] - Q[0], B[1] - Q[1], B[2] - Q[2]};
        if (k.CRSFLG != 2) return dot3(n, wq) >= -TOL_LEVEL && dot3(n, aq) >= -TOL_LEVEL && dot3(n, bq) >= -TOL_LEVEL;
        const f64* n2 = k.CNTNR2;
        for (const f64* v : {aq, bq, wq})
            if (dot3(n, v) < -TOL_LEVEL && dot3(n2, v) < -TOL_LEVEL) return false;
        // Two parallel normals leave no crease line: c stays zero (it cannot
        // be made a unit vector), g is zero and the edge is accepted, the
        // test above having been the plain one with the one normal.
        f64 c[3];
        cross(n, n2, c);
        unit(c);
        f64 Eh[3] = {E[0], E[1], E[2]};
        unit(Eh);
        f64 g[3];
        cross(c, Eh, g);
        if (std::fabs(g[0]) + std::fabs(g[1]) + std::fabs(g[2]) < TOL_ZERO) return true;
        unit(g);
        if (std::fabs(g[2]) <= 0.6) {
            const f64* mm = std::fabs(n2[2]) <= std::fabs(n[2]) ? n2 : n;
            if (dot3(g, mm) < 0.0) g[0] = -g[0], g[1] = -g[1], g[2] = -g[2];
        } else if (g[2] > 0.0) {
            g[0] = -g[0], g[1] = -g[1], g[2] = -g[2];
        }
        return dot3(g, wq) >= -TOL_LEVEL;
    }
    if (k.CRSFLG != 2) return dot3(n, wq) >= -TOL_ZERO;
    f64 nn[3] = {n[1], -n[0], 0.0}, c[3];
    cross(E, nn, c);
    f64 kk = dot3(c, wq);
    if (c[2] > TOL_ZERO) return kk <= 0.0;
    if (c[2] < -TOL_ZERO) return kk >= 0.0;
    return dot3(n, wq) >= 0.0 || wq[2] >= 0.0;
}

// ------------------------------------------------------------ the call
void output(KrnBlk& k, const f64* P, f64& travel, f64* contact, f64* position)
{
    for (i32 j = 0; j < 3; ++j) k.DISPLC[j] = k.TRICNT[j] - k.TOLCNT[j];
    travel = dot3(k.DISPLC, k.MOVDIR);
    for (i32 j = 0; j < 3; ++j) {
        position[j] = P[j] + k.DISPLC[j];
        contact[j] = k.TRICNT[j];
    }
}

void kernel(KrnBlk& k, const f64* tri, const f64* P, const f64* dir, f64& travel, f64* contact, f64* position,
            i32& status)
{
    const f64* V0 = tri;
    // Triangle topology.
    for (i32 i = 0; i < 3; ++i) {
        copy(TRITOP.v[i].p, tri + 3 * i);
        TRITOP.v[i].active = true;
        TRITOP.eact[i] = true;
    }
    for (i32 j = 0; j < 3; ++j) {
        k.TRIED1[j] = tri[3 + j] - tri[j];
        k.TRIED2[j] = tri[6 + j] - tri[j];
    }
    f64 N[3];
    cross(k.TRIED1, k.TRIED2, N);
    if (norm(N) < TOL_ZERO) {
        status = 3;
        return;
    }
    unit(N);
    const bool cone = k.tapered && k.TOLTYP == KS_CONE;
    if (cone) select_part(k, std::fabs(N[2]) >= k.SINANG ? 0 : 1);
    // Plane step.
    if (dot3(N, V0) < dot3(N, k.CRNCEN)) N[0] = -N[0], N[1] = -N[1], N[2] = -N[2];
    f64 h = hlen(N);
    const f64* C = k.CRNCEN;
    if (h >= TOL_ZERO) {
        if (std::fabs(N[2]) < TOL_LEVEL) {
            set(k.PLNPNT, C[0] + k.TOLRAD * N[0], C[1] + k.TOLRAD * N[1], C[2] + 10.0);
        } else {
            if (N[2] > 0.0) N[0] = -N[0], N[1] = -N[1], N[2] = -N[2];
            f64 q = sq0(k.CRNRAD * k.CRNRAD - (k.CRNRAD * N[2]) * (k.CRNRAD * N[2]));
            set(k.PLNPNT, C[0] + (k.TOLRAD - k.CRNRAD + q) * N[0] / h, C[1] + (k.TOLRAD - k.CRNRAD + q) * N[1] / h, C[2] + k.CRNRAD * N[2]);
        }
    } else {
        set(k.PLNPNT, C[0], C[1], C[2] - k.CRNRAD);
    }
    copy(k.TRINRM, N);
    // Face contact.
    copy(k.TOLCNT, k.PLNPNT);
    cutter_normal(k, k.TOLCNT);
    // The face is met first only by a move toward its plane. Both variants
    // test the move against the plane's normal turned toward the cutter's
    // underside: at the rim of a flat end the cutter's own (horizontal)
    // normal would refuse faces that the rim does meet.
    bool face = std::fabs(dot3(k.MOVDIR, k.TRINRM)) >= TOL_ZERO;
    f64 Nd[3] = {N[0], N[1], N[2]};
    if (Nd[2] > 0.0) Nd[0] = -Nd[0], Nd[1] = -Nd[1], Nd[2] = -Nd[2];
    if (dot3(k.MOVDIR, Nd) < 0.0) face = false;
    if (k.tapered && std::fabs(N[2]) < TOL_ZERO) face = false;
    if (face) {
        // TOLCNT + s d = V0 + u E1 + w E2 by Cramer's rule.
        const f64* d = k.MOVDIR;
        f64 rhs[3] = {k.TOLCNT[0] - V0[0], k.TOLCNT[1] - V0[1], k.TOLCNT[2] - V0[2]};
        f64 nd[3] = {-d[0], -d[1], -d[2]};
        auto det3 = [](const f64* a, const f64* b, const f64* c) {
            f64 x[3];
            cross(b, c, x);
            return dot3(a, x);
        };
        f64 den = det3(k.TRIED1, k.TRIED2, nd);
        if (den != 0.0) {
            f64 u = det3(rhs, k.TRIED2, nd) / den;
            f64 w = det3(k.TRIED1, rhs, nd) / den;
            const f64 lo = -TOL_ROOT, hi = INSIDE_HI;
            if (u >= lo && u <= hi && w >= lo && w <= hi && u + w >= lo && u + w <= hi) {
                for (i32 j = 0; j < 3; ++j) k.TRICNT[j] = V0[j] + u * k.TRIED1[j] + w * k.TRIED2[j];
                output(k, P, travel, contact, position);
                status = 0;
                return;
            }
        }
    }
    // Feature walk: every vertex, then every edge. Each round makes a
    // feature current or clears one, so the walk ends within twelve rounds;
    // the bound of 64 only keeps a slip from looping.
    i32 cur_edge = -1, cur_vtx = -1;
    for (i32 guard = 0; guard < 64; ++guard) {
        if (cur_edge >= 0) {
            const i32 i = cur_edge;
            const f64* A = TRITOP.v[i].p;
            const f64* B = TRITOP.v[(i + 1) % 3].p;
            f64 t = 0;
            i32 st = TRIEDG(k, A, B, t);
            if (st == 1) {
                TRITOP.eact[i] = false;
            } else if (st != 0) {
                TRITOP.eact[i] = false;
                TRITOP.v[i].active = TRITOP.v[(i + 1) % 3].active = false;
            } else if (t < -TOL_ZERO || t > EDGE_HI) {
                TRITOP.eact[i] = false;
            } else {
                cutter_normal(k, k.TOLCNT);
                for (i32 j = 0; j < 3; ++j) k.TRICNT[j] = B[j] + t * (A[j] - B[j]);
                if (accept_edge(k, i)) {
                    output(k, P, travel, contact, position);
                    status = 0;
                    return;
                }
                TRITOP.eact[i] = false;
            }
            cur_edge = -1;
        } else if (cur_vtx >= 0) {
            const i32 i = cur_vtx;
            i32 st = TRIVTX(k, TRITOP.v[i].p);
            if (st == 1) {
                TRITOP.v[i].active = false;
            } else {
                copy(k.TRICNT, TRITOP.v[i].p);
                if (accept_vertex(k, i)) {
                    output(k, P, travel, contact, position);
                    status = 0;
                    return;
                }
                TRITOP.v[i].active = false;
            }
            cur_vtx = -1;
        } else {
            for (i32 i = 0; i < 3 && cur_vtx < 0; ++i)
                if (TRITOP.v[i].active) cur_vtx = i;
            if (cur_vtx < 0)
                for (i32 i = 0; i < 3 && cur_edge < 0; ++i)
                    if (TRITOP.eact[i]) cur_edge = i;
            if (cur_vtx < 0 && cur_edge < 0) {
                status = 1;
                return;
            }
        }
    }
    status = 1;
}

// Direction step; false when the call ends at once (status 1).
bool direction(KrnBlk& k, const f64* dir)
{
    f64* d = k.MOVDIR;
    copy(d, dir);
    k.DIRCLS = 1;
    k.DIRSNS = 0;
    if (std::fabs(d[2]) >= TOL_LEVEL) {
        k.DIRSNS = d[2] <= 0.0 ? 2 : 1;
        // A climb is straight up, and meets nothing, for every horizontal part
        // that turns a move vertical below (1e-8), not only below 1e-10: with
        // the narrower bound a climb of 1e-10 to 1e-8 across was turned into
        // the straight drop and reported the triangle under the tool as met,
        // the cutter moved down against the climb.
        if (d[2] > 0.0 && std::fabs(d[0]) + std::fabs(d[1]) < TOL_LEVEL) return false;
    } else {
        d[2] = 0.0;
        k.DIRCLS = 2;
        // A zero direction, which no caller passes, is not divided by its
        // length: it stays zero and becomes the straight drop below, where
        // the division would leave every value of the call not a number.
        f64 l = hlen(d);
        if (l > 0.0) d[0] /= l, d[1] /= l;
    }
    if (std::fabs(d[0]) + std::fabs(d[1]) < TOL_LEVEL) {
        set(d, 0, 0, -1);
        k.DIRCLS = 3;
    }
    return true;
}

}  // namespace

f64 SRCH1D(f64 t0, f64 t1, const std::function<f64(f64)>& f)
{
    f64 f0 = f(t0);
    if (std::fabs(f0) <= TOL_ROOT) return t0;
    const f64 sg = f0 > 0.0 ? -1.0 : 1.0;
    f0 *= sg;
    f64 f1 = f(t1);
    if (std::fabs(f1) <= TOL_ROOT) return t1;
    f1 *= sg;
    f64 t = 0.5 * (t0 + t1);
    i32 kk = 0;
    for (i32 it = 0; it < 100; ++it) {
        f64 ft = f(t);
        if (std::fabs(ft) < TOL_ROOT) return t;
        ft *= sg;
        f64 al = t - t0, be = t1 - t, d0 = ft - f0, d1 = f1 - ft;
        f64 next;
        if (ft <= 0.0) {
            if (be * d0 >= al * d1 && d0 > 0.0) {
                next = t0 - al * f0 / d0;
                kk = 0;
            } else if (kk < 1) {
                next = t1 - be * f1 / d1;
                kk = 1;
            } else {
                next = 0.5 * (t + t1);
                kk = 0;
            }
            t0 = t, f0 = ft;
        } else {
            if (be * d0 <= al * d1 && d1 > 0.0) {
                next = t1 - be * f1 / d1;
                kk = 0;
            } else if (kk < 1) {
                next = t0 - al * f0 / d0;
                kk = 1;
            } else {
                next = 0.5 * (t + t0);
                kk = 0;
            }
            t1 = t, f1 = ft;
        }
        t = next;
    }
    return t1;
}

void TRICNB(const f64* tri, const f64* p, const f64& radius, const f64& corner, const f64* dir, f64& travel,
            f64* contact, f64* position, i32& status)
{
    KrnBlk& k = CNTKRB;
    status = 1;
    k.CRSFLG = 0;
    if (!direction(k, dir)) return;
    k.TOLRAD = radius;
    classify(corner, radius, k.CRNRAD, k.SHPTYP);
    k.RNGRAD = k.TOLRAD - k.CRNRAD;
    copy(k.CUTTIP, p);
    set(k.CRNCEN, p[0], p[1], p[2] + k.CRNRAD);
    kernel(k, tri, p, dir, travel, contact, position, status);
}

SweepFloor TRICNB_floor(const f64* p, f64 radius, f64 corner, const f64* dir, f64 span)
{
    SweepFloor f;
    const f64 hd = hlen(dir);
    // The kernel keeps this direction as given (neither level nor vertical).
    if (!(dir[2] <= -TOL_LEVEL) || std::fabs(dir[0]) + std::fabs(dir[1]) < TOL_LEVEL || !(hd > 0.0)) return f;
    if (!(radius > 0.0)) return f;
    i32 shp = 0;
    classify(corner, radius, f.r, shp);
    f.R = radius;
    f.ring = radius - f.r;
    copy(f.p, p);
    copy(f.d, dir);
    f.hx = dir[0] / hd, f.hy = dir[1] / hd;
    f.fall = -dir[2] / hd;
    f.grad = std::sqrt(1.0 + f.fall * f.fall);
    f.base = p[2] + f.r - f.fall * f.ring;
    f.on = std::isfinite(f.base) && std::isfinite(f.grad);
    // The move's ends: the tip only descends along the travel, so its height
    // at the far end is the lowest any point of the cutter reaches; along
    // the move the cutter spans its radius behind the start and beyond the
    // far end's axis.
    const f64 low = p[2] + span * dir[2], front = span * hd + radius;
    if (f.on && span >= 0.0 && std::isfinite(low) && std::isfinite(front)) {
        f.span = span;
        f.low = low;
        f.front = front;
        f.rear = -radius;
    }
    return f;
}

// The swept floor's margin, far wider than the kernel's own rounding: a
// triangle this close to the floor, its ends or its plane's bound is left
// to the kernel.
constexpr f64 FLOOR_SLACK = 1e-4;

bool SweepFloor::clears(const f64* tri) const
{
    constexpr f64 slack = FLOOR_SLACK;
    if (!on) return false;
    f64 qmax = -HUGE_VAL, smin = HUGE_VAL, smax = -HUGE_VAL, zmax = -HUGE_VAL, amin = HUGE_VAL, amax = -HUGE_VAL;
    for (i32 j = 0; j < 3; ++j) {
        const f64 dx = tri[3 * j] - p[0], dy = tri[3 * j + 1] - p[1];
        const f64 along = dx * hx + dy * hy;
        const f64 q = tri[3 * j + 2] + fall * along;
        const f64 side = dy * hx - dx * hy;
        // A corner that is not a number is left to the kernel, as it was.
        if (!std::isfinite(q) || !std::isfinite(side)) return false;
        // Plain comparisons: every value here is a number, so they keep
        // what the library's maximum and minimum would, without a call.
        if (q > qmax) qmax = q;
        if (side < smin) smin = side;
        if (side > smax) smax = side;
        if (tri[3 * j + 2] > zmax) zmax = tri[3 * j + 2];
        if (along < amin) amin = along;
        if (along > amax) amax = along;
    }
    // Wholly below the tip at the far end, or beyond the cutter's rim past
    // either end: met, if at all, only outside the travel that counts.
    if (zmax < low - slack || amin > front + slack || amax < rear - slack) return true;
    // Sideways beyond the flat ring by `out`: the corner rises there.
    const f64 away = smin > 0.0 ? smin : (smax < 0.0 ? -smax : 0.0);
    const f64 out = std::fmax(0.0, away - ring);
    if (out > r + slack) return true;
    const f64 floor = base - grad * sq0(r * r - out * out);
    if (qmax < floor - slack) return true;
    return under_plane(tri);
}

bool SweepFloor::under_plane(const f64* tri) const
{
    constexpr f64 slack = FLOOR_SLACK;
    // The whole line has no lowest point over a plane it is not parallel to.
    if (!std::isfinite(span)) return false;
    // The triangle's unit normal, turned to face up (a level normal either
    // way): the cutter's body is open upward, so only its upper side can
    // hold the whole sweep.
    const f64 e1[3] = {tri[3] - tri[0], tri[4] - tri[1], tri[5] - tri[2]};
    const f64 e2[3] = {tri[6] - tri[0], tri[7] - tri[1], tri[8] - tri[2]};
    f64 n[3];
    cross(e1, e2, n);
    const f64 len = norm(n);
    // A triangle without a plane (or not a number) is left to the kernel.
    if (!(len > 1e-12) || !std::isfinite(len)) return false;
    const f64 s = n[2] < 0.0 ? -1.0 / len : 1.0 / len;
    for (f64& c : n) c *= s;
    // Lowest point of the cutter's body over that normal, from its tip: the
    // ring of corner centres r above the tip, grown by the corner radius.
    const f64 body = r * n[2] - ring * hlen(n) - r;
    // The tip's lowest value over the travel: at the start, or at the end
    // when the move closes in on the plane.
    f64 tip = dot3(n, p);
    const f64 nd = dot3(n, d);
    if (nd < 0.0) tip += span * nd;
    f64 top = -HUGE_VAL;
    for (i32 j = 0; j < 3; ++j) top = std::fmax(top, dot3(n, tri + 3 * j));
    return top < tip + body - slack;
}

void TRICNA(const f64* tri, const f64* p, const f64& d, const f64& rc, const f64& a, const f64& h, const f64& off,
            const f64* dir, f64& travel, f64* contact, f64* position, i32& status)
{
    KrnBlk& k = CNTKRA;
    status = 1;
    k.CRSFLG = 0;
    k.OFFSET = off;
    if (!direction(k, dir)) return;
    if (a < TOL_TAPER) {
        k.TOLRAD = d / 2 + off;
        f64 c = rc + off;
        set(k.CRNCEN, p[0], p[1], p[2] + c);
        classify(c, k.TOLRAD, k.CRNRAD, k.TOLTYP);
        if (k.TOLTYP == KS_FLAT) set(k.CNTNR2, 0, 0, -1);
        k.RNGRAD = k.TOLRAD - k.CRNRAD;
        copy(k.CUTTIP, p);
        k.SHPTYP = k.TOLTYP;
    } else {
        k.TOLTYP = KS_CONE;
        if (std::fabs(a - k.LSTANG) > TOL_ZERO) {
            k.LSTANG = a;
            k.SINANG = std::sin(a);
            k.SINSQR = k.SINANG * k.SINANG;
            k.COSANG = std::sqrt(1.0 - k.SINSQR);
            k.SINHLF = std::sin((1.5707963267948966 - a) / 2);
            k.COSHLF = std::sqrt(1.0 - k.SINHLF * k.SINHLF);
            k.TANANG = k.SINANG / k.COSANG;
        }
        f64 kc = rc + off;
        set(k.LOWCEN, p[0], p[1], p[2] + kc);
        k.LOWRAD = d / 2 - rc * k.SINHLF / k.COSHLF + kc;
        classify(kc, k.LOWRAD, k.LOWCRN, k.LOWTYP);
        k.LOWRNG = k.LOWRAD - k.LOWCRN;
        copy(k.LOWTIP, p);
        k.LOWTNR = kc * k.COSANG + k.LOWRNG;
        k.LOWTNZ = k.LOWCEN[2] - kc * k.SINANG;
        k.UPPRAD = k.TANANG * h + d / 2 + off;
        classify(off, k.UPPRAD, k.UPPCRN, k.UPPTYP);
        k.UPPRNG = k.UPPRAD - k.UPPCRN;
        set(k.UPPCEN, p[0], p[1], p[2] + h + off);
        set(k.UPPTIP, p[0], p[1], p[2] + h);
        k.UPPTNR = k.COSANG * off + (k.UPPRAD - off);
        k.UPPTNZ = k.UPPCEN[2] - k.SINANG * off;
        k.APEXZZ = k.LOWTNZ - k.LOWTNR * k.COSANG / k.SINANG;
    }
    kernel(k, tri, p, dir, travel, contact, position, status);
}
