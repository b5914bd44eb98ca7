// Edges and points of a triangle against a general tool: which points of an
// edge face which element of the tool, found in closed form (the corner
// circle by a one-dimensional search), each handed to its element's
// recorder. The edge cases of the flat, torus and ball tools and the
// geometry shared with the tapered tool's edge cases.
#include <cmath>

#include "cutter/cntcas.h"

#include "core/vec.h"
#include "cutter/kernel.h"
#include "cutter/soltol.h"

namespace {

CntSol& S = CNTSOL;

inline void copy(f64* to, const f64* from) { to[0] = from[0], to[1] = from[1], to[2] = from[2]; }
inline f64 l1(const f64* v) { return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]); }
// Squared plan distance of P from the tool's axis.
inline f64 rho2(const f64* P)
{
    const f64 dx = P[0] - S.TIPPNT[0], dy = P[1] - S.TIPPNT[1];
    return dx * dx + dy * dy;
}
inline bool in_range(f64 t) { return t >= 0.0 && t <= 1.0; }

// The edge's point at height z (the edge is not level).
void at_height(f64 z, f64* X)
{
    const f64 t = (z - S.EDGLO[2]) / (S.EDGHI[2] - S.EDGLO[2]);
    for (i32 k = 0; k < 3; ++k) X[k] = S.EDGLO[k] + t * (S.EDGHI[k] - S.EDGLO[k]);
    X[2] = z;
}

// Sphere part of the ball case: the edge point nearest the centre.
void ball_sphere(const f64* O, const f64* d)
{
    if (l1(d) < TOL_ZERO) {
        RECSPH(S.EDGHI);
        return;
    }
    const f64 w[3] = {O[0] - S.EDGLO[0], O[1] - S.EDGLO[1], O[2] - S.EDGLO[2]};
    const f64 t = dot3(w, d) / dot3(d, d);
    if (t <= 0.0)
        RECSPH(S.EDGLO);
    else if (t >= 1.0)
        RECSPH(S.EDGHI);
    else {
        const f64 X[3] = {S.EDGLO[0] + t * d[0], S.EDGLO[1] + t * d[1], S.EDGLO[2] + t * d[2]};
        RECSPH(X);
    }
}

// Cylinder part of the ball case: the edge point nearest the axis in plan.
void ball_cylinder(const f64* O, const f64* d)
{
    const f64 dd = d[0] * d[0] + d[1] * d[1];
    if (l1(d) < TOL_ZERO || std::fabs(dd) < TOL_ZERO) {
        RECCYL(S.EDGHI);
        return;
    }
    const f64 t = ((O[0] - S.EDGLO[0]) * d[0] + (O[1] - S.EDGLO[1]) * d[1]) / dd;
    if (t <= 0.0)
        RECCYL(S.EDGLO);
    else if (t >= 1.0)
        RECCYL(S.EDGHI);
    else {
        const f64 X[3] = {S.EDGLO[0] + t * d[0], S.EDGLO[1] + t * d[1], S.EDGLO[2] + t * d[2]};
        RECCYL(X);
    }
}

void edge_ball()
{
    const f64* O = S.AXPNT[0];
    const f64 d[3] = {S.EDGHI[0] - S.EDGLO[0], S.EDGHI[1] - S.EDGLO[1], S.EDGHI[2] - S.EDGLO[2]};
    if (S.EDGHI[2] <= O[2]) {
        ball_sphere(O, d);
    } else if (S.EDGLO[2] < O[2]) {
        f64 X[3];
        at_height(O[2], X);
        if (std::fabs(X[0] - O[0]) + std::fabs(X[1] - O[1]) < TOL_ZERO) {
            RECCYL(X);
            return;
        }
        const f64 w[3] = {X[0] - O[0], X[1] - O[1], X[2] - O[2]};
        if (dot3(w, d) > 0.0)
            ball_sphere(O, d);
        else
            ball_cylinder(O, d);
    } else {
        ball_cylinder(O, d);
    }
}

// Flat and torus tools, the edge at or above the corner-centre level: the
// bottom below the separating cone, the shank above it.
void flat_upper()
{
    const f64* O = S.AXPNT[0];
    const f64 top = S.AXPNT[1][2];
    const f64 d[3] = {S.EDGHI[0] - S.EDGLO[0], S.EDGHI[1] - S.EDGLO[1], S.EDGHI[2] - S.EDGLO[2]};
    auto in0 = [&](const f64* P) { return CNINCN(P, 0, O[2], top) != 0; };
    if (l1(d) < TOL_ZERO) {
        if (in0(S.EDGHI))
            RECBOT(S.EDGHI);
        else
            RECCYL(S.EDGHI);
        return;
    }
    if (in0(S.EDGHI)) {
        RECBOT(S.EDGHI);
        return;
    }
    RECCYL(S.EDGHI);
    if (!in0(S.EDGLO)) RECCYL(S.EDGLO);
    S.CONIDX = 0;
    CNLNCN();
    if (S.NCNSOL == 3) {
        if (S.EDGHI[2] <= top) {
            RECBOT(S.EDGHI);
        } else if (S.EDGLO[2] <= top) {
            RECBOT(S.AXPNT[1]);
        } else {
            copy(S.CIRCTR, O);
            CNAXFT();
            if (S.EDGPAR <= 0.0)
                RECCYL(S.EDGHI);
            else if (S.EDGPAR < 1.0)
                RECCYL(S.EDGPNT);
            else
                RECCYL(S.EDGLO);
        }
        return;
    }
    if (S.NCNSOL == 2 && in_range(S.EDGPR2) && in0(S.CNSOLB)) RECBOT(S.CNSOLB);
    if ((S.NCNSOL == 1 || S.NCNSOL == 2) && in_range(S.EDGPAR) && in0(S.CNSOLA)) RECBOT(S.CNSOLA);
    copy(S.CIRCTR, O);
    CNAXFT();
    if (in_range(S.EDGPAR)) {
        if (in0(S.EDGPNT))
            RECBOT(S.EDGPNT);
        else
            RECCYL(S.EDGPNT);
    }
}

// Flat and torus tools, the edge at or below the corner-centre level: the
// bottom within the flat radius, the corner (the rim for a flat tool)
// beyond it.
void flat_lower()
{
    const f64* O = S.AXPNT[0];
    const f64 F = S.FLATR;
    const f64 d[3] = {S.EDGHI[0] - S.EDGLO[0], S.EDGHI[1] - S.EDGLO[1], S.EDGHI[2] - S.EDGLO[2]};
    auto corner = [&](const f64* P) {
        copy(S.CIRCTR, O);
        S.CIRRAD = F;
        copy(S.EDGPNT, P);
        CNCIRP();
        RECTOR(P);
    };
    if (l1(d) < TOL_ZERO) {
        if (rho2(S.EDGHI) > F * F)
            corner(S.EDGHI);
        else
            RECBOT(S.EDGHI);
        return;
    }
    if (std::fabs(d[2]) / l1(d) < TOL_ZERO) {
        f64 B[3];
        copy(B, rho2(S.EDGLO) < rho2(S.EDGHI) ? S.EDGLO : S.EDGHI);
        copy(S.CIRCTR, O);
        CNAXFT();
        if (S.EDGPAR >= 0.0 && S.EDGPAR < 1.0 && rho2(S.EDGPNT) < rho2(B)) copy(B, S.EDGPNT);
        if (rho2(B) > F * F)
            corner(B);
        else
            RECBOT(B);
        return;
    }
    copy(S.CIRCTR, O);
    CNAXFT();
    if (rho2(S.EDGPNT) >= F * F || rho2(S.EDGHI) >= F * F) {
        S.CIRRAD = F;
        CNLNCR();
        if (S.EDGPAR <= 0.0) {
            corner(S.EDGHI);
        } else if (S.EDGPAR < 1.0) {
            RECTOR(S.EDGPNT);
        } else {
            corner(S.EDGLO);
        }
        return;
    }
    RECBOT(S.EDGHI);
}

void edge_flat()
{
    const f64* O = S.AXPNT[0];
    const f64 F = S.FLATR;
    if (S.EDGHI[2] <= O[2]) {
        flat_lower();
    } else if (S.EDGLO[2] < O[2]) {
        f64 X[3];
        at_height(O[2], X);
        const f64 d[3] = {S.EDGHI[0] - S.EDGLO[0], S.EDGHI[1] - S.EDGLO[1], S.EDGHI[2] - S.EDGLO[2]};
        const f64 w[3] = {X[0] - O[0], X[1] - O[1], X[2] - O[2]};
        if (rho2(X) > F * F && dot3(w, d) > 0.0) {
            copy(S.EDGHI, X);
            flat_lower();
        } else {
            copy(S.EDGLO, X);
            flat_upper();
        }
    } else {
        flat_upper();
    }
}

// The point case: P measured against the element whose region holds it.
void vertex(const f64* P, bool ball)
{
    if (CNREGN(P, 1)) {
        RECCYL(P);
    } else if (CNREGN(P, 2)) {
        copy(S.CIRCTR, S.AXPNT[4]);
        S.CIRRAD = S.TOPRAD;
        copy(S.EDGPNT, P);
        CNCIRP();
        RECOFS(P);
    } else if (CNREGN(P, 3)) {
        RECCON(P);
    } else if (CNREGN(P, 4)) {
        copy(S.CIRCTR, S.AXPNT[0]);
        S.CIRRAD = S.FLATR;
        copy(S.EDGPNT, P);
        CNCIRP();
        RECTOR(P);
    } else if (ball) {
        RECSPH(P);
    } else {
        RECBOT(P);
    }
}

}  // namespace

void CNTEDG()
{
    switch (S.SHAPE) {
    case SHP_FLAT:
    case SHP_TORUS: edge_flat(); break;
    case SHP_BALL: edge_ball(); break;
    case SHP_TAPER:
        switch (S.SUBSHP) {
        case SUB_FLAT: CNTE05(); break;
        case SUB_SHORT: CNTE06(); break;
        case SUB_BALL: CNTE07(); break;
        case SUB_HIGHBALL: CNTE08(); break;
        default: break;
        }
        break;
    default: break;
    }
}

void CNTVT5(const f64* P) { vertex(P, false); }

void CNTVT7(const f64* P) { vertex(P, true); }

i32 CNINCN(const f64* P, i32 k, f64 lo, f64 hi)
{
    if (!CNINCU(P, k, hi)) return 0;
    return lo - TOL_ZERO < P[2] ? 1 : 0;
}

i32 CNINCU(const f64* P, i32 k, f64 hi)
{
    const f64* A = S.VCAPEX[k];
    const f64 s = S.VCSLOP[k];
    const f64 dx = P[0] - A[0], dy = P[1] - A[1], dz = P[2] - A[2];
    if (dx * dx + dy * dy - s * s * dz * dz > TOL_ZERO) return 0;
    return P[2] < hi + TOL_ZERO ? 1 : 0;
}

i32 CNREGN(const f64* P, i32 k)
{
    const f64 z0 = S.AXPNT[0][2], z1 = S.AXPNT[1][2], z2 = S.AXPNT[2][2], z3 = S.AXPNT[3][2];
    const f64 z4 = S.AXPNT[4][2], z5 = S.AXPNT[5][2];
    const i32 sub = S.SUBSHP;
    const bool flat = sub == SUB_FLAT || sub == SUB_SHORT;
    const bool ball = sub == SUB_BALL || sub == SUB_HIGHBALL;
    if (!flat && !ball) return 0;
    switch (k) {
    case 1:
        if (sub == SUB_SHORT) {
            if (P[2] >= z3) return 1;
            if (P[2] < z4) return 0;
            if (CNINCN(P, 4, z2, z3)) return 0;
            return !CNINCN(P, 0, z4, z5);
        }
        return P[2] >= z5 || (P[2] >= z4 && !CNINCN(P, 0, z4, z5));
    case 2: return P[2] <= z4 && !CNINCU(P, 1, z4);
    case 3:
        if (!CNINCU(P, 0, z5) || !CNINCU(P, 1, z5) || CNINCU(P, 3, z0)) return 0;
        return ball || !CNINCU(P, 2, z1);
    // rho against FLATR, compared in squares where FLATR is not negative (a
    // negative FLATR, a corner wider than the flank leaves room for, lies
    // within every rho).
    case 4: return flat && CNINCU(P, 3, z0) && (S.FLATR < 0.0 || rho2(P) > S.FLATR * S.FLATR);
    case 5:
        if (!flat) return 0;
        if (P[2] <= z0 && S.FLATR >= 0.0 && rho2(P) <= S.FLATR * S.FLATR) return 1;
        if (sub == SUB_SHORT) return CNINCN(P, 4, z2, z3) || CNINCN(P, 2, z0, z2);
        return CNINCN(P, 2, z0, z1);
    case 6: return ball && CNINCU(P, 3, z0);
    default: return 0;
    }
}

void CNLNCN()
{
    const f64* L = S.EDGLO;
    const f64 d[3] = {S.EDGHI[0] - L[0], S.EDGHI[1] - L[1], S.EDGHI[2] - L[2]};
    const f64* A = S.VCAPEX[S.CONIDX];
    const f64 w[3] = {L[0] - A[0], L[1] - A[1], L[2] - A[2]};
    const f64 s2 = S.VCSLOP[S.CONIDX] * S.VCSLOP[S.CONIDX];
    f64 a = d[0] * d[0] + d[1] * d[1] - s2 * d[2] * d[2];
    f64 b = w[0] * d[0] + w[1] * d[1] - s2 * w[2] * d[2];
    f64 e = w[0] * w[0] + w[1] * w[1] - s2 * w[2] * w[2];
    const f64 n = std::fabs(a) + std::fabs(b) + std::fabs(e);
    if (n == 0.0) {
        S.NCNSOL = 3;
        return;
    }
    a *= 3.0 / n, b *= 3.0 / n, e *= 3.0 / n;
    if (std::fabs(a) >= TOL_ZERO) {
        const f64 D = b * b - a * e;
        if (D < 0.0) {
            S.NCNSOL = 0;
            return;
        }
        // The roots as (-b -+ sqrt D) / a, the smaller one taken through
        // e / q so that no difference of near-equal values is formed.
        const f64 q = -(b + std::copysign(std::sqrt(D), b));
        f64 t1 = q / a, t2 = q != 0.0 ? e / q : t1;
        if (t1 > t2) std::swap(t1, t2);
        S.EDGPAR = t1, S.EDGPR2 = t2;
        S.NCNSOL = 2;
    } else if (std::fabs(e) < TOL_ZERO) {
        S.NCNSOL = 1;
        S.EDGPAR = 0.0;
    } else {
        const f64 D = b * b - a * e;
        if (D < 0.0) {
            S.NCNSOL = 0;
            return;
        }
        // The reciprocals u = (-b -+ sqrt D) / e in the same stable form, the
        // second through a / q: a u that vanishes (its t beyond the line) is
        // then exactly 0 only where a is, and a rounded-away near-zero u gives
        // a t far outside the edge, which no caller takes as in range.
        const f64 r = std::sqrt(D);
        const f64 q = -(b + std::copysign(r, b));
        f64 u1 = q / e, u2 = q != 0.0 ? a / q : u1;
        if (u1 > u2) std::swap(u1, u2);
        if (u1 == 0.0) {
            if (u2 == 0.0) {
                S.NCNSOL = 0;
                return;
            }
            S.EDGPAR = 1.0 / u2;
            S.NCNSOL = 1;
        } else if (u2 == 0.0) {
            S.EDGPAR = 1.0 / u1;
            S.NCNSOL = 1;
        } else {
            f64 t1 = 1.0 / u1, t2 = 1.0 / u2;
            if (t1 > t2) std::swap(t1, t2);
            S.EDGPAR = t1, S.EDGPR2 = t2;
            S.NCNSOL = 2;
        }
    }
    for (i32 k = 0; k < 3; ++k) S.CNSOLA[k] = L[k] + S.EDGPAR * d[k];
    if (S.NCNSOL == 2)
        for (i32 k = 0; k < 3; ++k) S.CNSOLB[k] = L[k] + S.EDGPR2 * d[k];
}

void CNCIRP()
{
    const f64 dx = S.EDGPNT[0] - S.CIRCTR[0], dy = S.EDGPNT[1] - S.CIRCTR[1];
    if (std::fabs(dx) + std::fabs(dy) < TOL_ZERO) {
        S.CRNCTR[0] = S.CIRCTR[0] + S.CIRRAD;
        S.CRNCTR[1] = S.CIRCTR[1];
    } else {
        const f64 l = std::sqrt(dx * dx + dy * dy);
        S.CRNCTR[0] = S.CIRCTR[0] + S.CIRRAD * dx / l;
        S.CRNCTR[1] = S.CIRCTR[1] + S.CIRRAD * dy / l;
    }
    S.CRNCTR[2] = S.CIRCTR[2];
}

namespace {
// True when the edge (d = EDGLO - EDGHI) is vertical: its plan part, taken
// relative to its L1 length, vanishes.
bool vertical(const f64* d)
{
    f64 s = l1(d);
    if (s == 0.0) s = 1.0;
    return std::fabs(d[0] / s) + std::fabs(d[1] / s) < TOL_ZERO;
}
}  // namespace

void CNAXFT()
{
    const f64 d[3] = {S.EDGLO[0] - S.EDGHI[0], S.EDGLO[1] - S.EDGHI[1], S.EDGLO[2] - S.EDGHI[2]};
    if (vertical(d)) {
        if (S.EDGHI[2] <= S.EDGLO[2]) {
            copy(S.EDGPNT, S.EDGLO);
            S.EDGPAR = 1.0;
        } else {
            copy(S.EDGPNT, S.EDGHI);
            S.EDGPAR = 0.0;
        }
        return;
    }
    S.EDGPAR = ((S.CIRCTR[0] - S.EDGHI[0]) * d[0] + (S.CIRCTR[1] - S.EDGHI[1]) * d[1]) / (d[0] * d[0] + d[1] * d[1]);
    for (i32 k = 0; k < 3; ++k) S.EDGPNT[k] = S.EDGHI[k] + S.EDGPAR * d[k];
}

void CNLNCR()
{
    const f64 d[3] = {S.EDGLO[0] - S.EDGHI[0], S.EDGLO[1] - S.EDGHI[1], S.EDGLO[2] - S.EDGHI[2]};
    if (l1(d) < TOL_ZERO) {
        copy(S.EDGPNT, S.EDGHI);
        S.EDGPAR = 0.0;
        CNCIRP();
        return;
    }
    if (vertical(d)) {
        S.EDGPAR = (S.CIRCTR[2] - S.EDGHI[2]) / d[2];
        for (i32 k = 0; k < 3; ++k) S.EDGPNT[k] = S.EDGHI[k] + S.EDGPAR * d[k];
        S.EDGPNT[2] = S.CIRCTR[2];
        CNCIRP();
        return;
    }
    const f64 lp = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    const f64 h[2] = {d[0] / lp, d[1] / lp};
    const f64 p[2] = {h[1], -h[0]};
    f64 n[3] = {-h[0] * d[2], -h[1] * d[2], h[0] * d[0] + h[1] * d[1]};
    const f64 ln = std::sqrt(dot3(n, n));
    n[0] /= ln, n[1] /= ln, n[2] /= ln;
    f64 k = S.CIRRAD * (h[0] * n[0] + h[1] * n[1]);
    if (k < 0.0) {
        n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
        k = -k;
    }
    const f64 w[3] = {S.EDGHI[0] - S.CIRCTR[0], S.EDGHI[1] - S.CIRCTR[1], S.EDGHI[2] - S.CIRCTR[2]};
    const f64 e = w[0] * p[0] + w[1] * p[1];
    const f64 g = dot3(w, n);
    const f64 alpha = S.CIRRAD * S.CIRRAD - k * k;
    S.RTCOEF[0] = alpha < 0.0 ? 0.0 : alpha;
    S.RTCOEF[1] = -std::fabs(e) * S.CIRRAD;
    S.RTCOEF[2] = std::fabs(g) * k;
    f64 x = SRCH1D(0.0, 1.0, CNTFNC);
    f64 q = 1.0 - x * x;
    f64 y = std::sqrt(q < 0.0 ? 0.0 : q);
    if (e < 0.0) x = -x;
    if (g < 0.0) y = -y;
    S.CRNCTR[0] = S.CIRCTR[0] + S.CIRRAD * (y * h[0] + x * p[0]);
    S.CRNCTR[1] = S.CIRCTR[1] + S.CIRRAD * (y * h[1] + x * p[1]);
    S.CRNCTR[2] = S.CIRCTR[2];
    const f64 c[3] = {S.CRNCTR[0] - S.EDGHI[0], S.CRNCTR[1] - S.EDGHI[1], S.CRNCTR[2] - S.EDGHI[2]};
    S.EDGPAR = dot3(c, d) / dot3(d, d);
    for (i32 j = 0; j < 3; ++j) S.EDGPNT[j] = S.EDGHI[j] + S.EDGPAR * d[j];
}

void CNLNTP()
{
    const f64 d[3] = {S.EDGLO[0] - S.EDGHI[0], S.EDGLO[1] - S.EDGHI[1], S.EDGLO[2] - S.EDGHI[2]};
    const f64 dd = d[0] * d[0] + d[1] * d[1];
    if (dd < S.TANA * S.TANA * d[2] * d[2]) {
        S.EDGPAR = -1.0;
        return;
    }
    const f64* A = S.TIPPNT;
    const f64* Lo = S.EDGLO;
    const f64* Hi = S.EDGHI;
    if (std::fabs((Lo[1] - A[1]) * (Hi[0] - A[0]) - (Lo[0] - A[0]) * (Hi[1] - A[1])) < TOL_ZERO) {
        if (std::fabs(d[0]) + std::fabs(d[1]) < TOL_ZERO) {
            copy(S.EDGPNT, Hi);
            S.EDGPAR = 0.0;
            return;
        }
        S.EDGPAR = ((A[0] - Hi[0]) * d[0] + (A[1] - Hi[1]) * d[1]) / dd;
        for (i32 k = 0; k < 3; ++k) S.EDGPNT[k] = Hi[k] + S.EDGPAR * d[k];
        return;
    }
    const f64 lp = std::sqrt(dd);
    const f64 h[2] = {d[0] / lp, d[1] / lp};
    const f64 hp[2] = {-h[1], h[0]};
    const f64 m = S.TANA * d[2] / lp;
    const f64 q0 = 1.0 - m * m;
    const f64 q = std::sqrt(q0 < 0.0 ? 0.0 : q0);
    // The two generators whose tangent planes run parallel to the edge.
    const f64 G[2][3] = {{S.SINA * (m * h[0] + q * hp[0]), S.SINA * (m * h[1] + q * hp[1]), S.COSA},
                         {S.SINA * (m * h[0] - q * hp[0]), S.SINA * (m * h[1] - q * hp[1]), S.COSA}};
    const f64 V[3] = {S.APXPNT[0] - Hi[0], S.APXPNT[1] - Hi[1], S.APXPNT[2] - Hi[2]};
    f64 t[2], E[2][3], K[2][3];
    for (i32 j = 0; j < 2; ++j) {
        const f64* g = G[j];
        const f64 gg = dot3(g, g), dd3 = dot3(d, d), gd = dot3(g, d);
        const f64 D = gg * dd3 - gd * gd;
        // A generator parallel to the edge, judged relative to the edge's
        // length: a short edge is no nearer to parallel than a long one.
        if (std::fabs(D) < TOL_ZERO * gg * dd3) {
            copy(S.EDGPNT, Hi);
            S.EDGPAR = 0.0;
            return;
        }
        const f64 vd = dot3(V, d), vg = dot3(V, g);
        t[j] = (gg * vd - vg * gd) / D;
        const f64 s = (vd * gd - vg * dd3) / D;
        for (i32 k = 0; k < 3; ++k) {
            E[j][k] = Hi[k] + t[j] * d[k];
            K[j][k] = S.APXPNT[k] + s * g[k];
        }
    }
    // The solution is taken when the cone point lies on the upper nappe, the
    // edge point on the edge, and the edge point lies outside the cone point
    // as seen from the axis.
    auto faces = [&](i32 j) {
        const f64 ex = E[j][0] - K[j][0], ey = E[j][1] - K[j][1];
        const f64 kx = K[j][0] - A[0], ky = K[j][1] - A[1];
        return ex * kx + ey * ky >= 0.0 || (std::fabs(kx) + std::fabs(ky)) - (std::fabs(ex) + std::fabs(ey)) >= 0.0;
    };
    if (K[0][2] >= S.APXPNT[2] && in_range(t[0]) && faces(0)) {
        copy(S.EDGPNT, E[0]);
        S.EDGPAR = t[0];
        return;
    }
    if (K[1][2] < S.APXPNT[2] || !in_range(t[1]) || !faces(1)) {
        S.EDGPAR = -1.0;
        return;
    }
    copy(S.EDGPNT, E[1]);
    S.EDGPAR = t[1];
}
