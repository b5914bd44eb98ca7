// The exact clearance of a general tool over one triangle: the tool model
// and its classification, the solver entry, the face case, the edge and
// vertex loop and the element recorders.
#include <cmath>

#include "cutter/cntcas.h"

#include "core/vec.h"
#include "cutter/soltol.h"

CntSol CNTSOL{};

namespace {

CntSol& S = CNTSOL;

constexpr f64 HALF_PI = 1.5707963267948966;
// The face's near-zero tests are taken relative to the triangle's own
// lengths: a small triangle keeps its face, and a sliver loses it only when
// the sine of its angle is below 1e-7, where its interior lies within 1e-7
// of its size from its edges. (Fixed bounds of 1e-10 would take the face
// from small triangles: the orthogonal system's determinant, of the fourth
// power of the size, falls below it under about 0.003 across. With the face
// would go a penetration deepest inside the triangle, which no edge reaches.)
constexpr f64 SLIVER = 1e-7;
// A contact this near the axis of a tube (the torus's or an edge's) takes
// the fallback direction.
constexpr f64 TUBE_AXIS = 1e-9;

inline f64 l1(const f64* v) { return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]); }
inline void set(f64* p, f64 x, f64 y, f64 z) { p[0] = x, p[1] = y, p[2] = z; }
inline void copy(f64* to, const f64* from) { to[0] = from[0], to[1] = from[1], to[2] = from[2]; }
// The point on the tool's axis at height h above the tip.
inline void axis_at(f64* p, f64 h) { set(p, S.TIPPNT[0], S.TIPPNT[1], S.TIPPNT[2] + h); }

// Keeps (D, T, Q) in slot k when the slot is empty or D is strictly smaller.
void keep(i32 k, f64 D, const f64* T, const f64* Q)
{
    CntRes& r = S.RES[k];
    if (r.F == 1 || D < r.D) {
        r.F = 0;
        r.D = D;
        copy(r.P, T);
        copy(r.Q, Q);
    }
}

// The triangle's plane normal, |x| + |y| + |z| = 1, pointing down; false for
// a degenerate or a vertical triangle, which the edges take.
bool face_normal(f64* n)
{
    const f64* V0 = S.TRIVRT[0];
    f64 e1[3] = {S.TRIVRT[1][0] - V0[0], S.TRIVRT[1][1] - V0[1], S.TRIVRT[1][2] - V0[2]};
    f64 e2[3] = {S.TRIVRT[2][0] - V0[0], S.TRIVRT[2][1] - V0[1], S.TRIVRT[2][2] - V0[2]};
    set(n, e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]);
    const f64 s = l1(n);
    // A triangle with two vertices in one (an edge of no length) has no
    // normal at all; the relative test below would pass it, its bound being
    // 0 too, and divide by the zero sum.
    if (s == 0.0 || s < SLIVER * l1(e1) * l1(e2)) return false;
    n[0] /= s, n[1] /= s, n[2] /= s;
    if (std::fabs(n[2]) < TOL_ZERO) return false;
    if (n[2] > 0.0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
    return true;
}

// Distance of P from the plane along the downward normal: negative above.
inline f64 sigma(const f64* P, const f64* n)
{
    const f64* V0 = S.TRIVRT[0];
    return (P[0] - V0[0]) * n[0] + (P[1] - V0[1]) * n[1] + (P[2] - V0[2]) * n[2];
}

// Horizontal direction of the normal: where the plane rises; +x when level.
inline void rising(const f64* n, f64* h)
{
    if (std::fabs(n[0]) + std::fabs(n[1]) < TOL_ZERO) {
        h[0] = 1.0, h[1] = 0.0;
        return;
    }
    const f64 l = std::sqrt(n[0] * n[0] + n[1] * n[1]);
    h[0] = n[0] / l, h[1] = n[1] / l;
}

// The triangle point V0 + u e1 + v e2 when (u, v) lies inside.
bool inside(f64 u, f64 v, f64* T)
{
    if (!(u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0 && u + v <= 1.0)) return false;
    for (i32 k = 0; k < 3; ++k)
        T[k] = S.TRIVRT[0][k] + u * (S.TRIVRT[1][k] - S.TRIVRT[0][k]) + v * (S.TRIVRT[2][k] - S.TRIVRT[0][k]);
    return true;
}

// The triangle point straight above or below P, when there is one.
bool plan_point(const f64* P, f64* T)
{
    const f64* V0 = S.TRIVRT[0];
    const f64 e1x = S.TRIVRT[1][0] - V0[0], e1y = S.TRIVRT[1][1] - V0[1];
    const f64 e2x = S.TRIVRT[2][0] - V0[0], e2y = S.TRIVRT[2][1] - V0[1];
    const f64 cz = e1x * e2y - e1y * e2x;
    if (std::fabs(cz) < SLIVER * (std::fabs(e1x) + std::fabs(e1y)) * (std::fabs(e2x) + std::fabs(e2y)) ||
        cz == 0.0)
        return false;
    const f64 dx = P[0] - V0[0], dy = P[1] - V0[1];
    return inside((dx * e2y - dy * e2x) / cz, (dy * e1x - dx * e1y) / cz, T);
}

// The foot of P on the triangle's plane, when it lies inside the triangle.
bool foot_point(const f64* P, f64* T)
{
    const f64* V0 = S.TRIVRT[0];
    f64 e1[3], e2[3], d[3];
    for (i32 k = 0; k < 3; ++k) {
        e1[k] = S.TRIVRT[1][k] - V0[k];
        e2[k] = S.TRIVRT[2][k] - V0[k];
        d[k] = P[k] - V0[k];
    }
    const f64 a11 = dot3(e1, e1), a12 = dot3(e1, e2), a22 = dot3(e2, e2);
    const f64 b1 = dot3(d, e1), b2 = dot3(d, e2);
    const f64 det = a22 * a11 - a12 * a12;
    if (std::fabs(det) < SLIVER * SLIVER * a11 * a22 || det == 0.0) return false;
    return inside((b1 * a22 - b2 * a12) / det, (b2 * a11 - b1 * a12) / det, T);
}

// Flat and torus tools: the shank over the axis, the corner on the rising
// side, or the bottom where the plane crosses the bisector between them.
i32 face_flat()
{
    f64 n[3], h[2], T[3];
    if (!face_normal(n)) return 0;
    const f64 s = sigma(S.AXPNT[1], n);
    if (s >= 0.0) {
        if (!plan_point(S.AXPNT[1], T)) return 0;
        RECCYL(T);
        return 1;
    }
    rising(n, h);
    set(S.CRNCTR, S.AXPNT[0][0] + S.FLATR * h[0], S.AXPNT[0][1] + S.FLATR * h[1], S.AXPNT[0][2]);
    const f64 sc = -sigma(S.CRNCTR, n);
    if (sc > 0.0) {
        if (!foot_point(S.CRNCTR, T)) return 0;
        RECTOR(T);
        return 1;
    }
    const f64 t = s / (sc + s);
    f64 M[3];
    for (i32 k = 0; k < 3; ++k) M[k] = S.AXPNT[1][k] + t * (S.CRNCTR[k] - S.AXPNT[1][k]);
    if (!foot_point(M, T)) return 0;
    RECBOT(T);
    return 1;
}

// Ball tool: the shank over the centre, else the ball at the centre's foot.
i32 face_ball()
{
    f64 n[3], T[3];
    if (!face_normal(n)) return 0;
    if (sigma(S.AXPNT[0], n) >= 0.0) {
        if (!plan_point(S.AXPNT[0], T)) return 0;
        RECCYL(T);
        return 1;
    }
    if (!foot_point(S.AXPNT[0], T)) return 0;
    RECSPH(T);
    return 1;
}

// Face set-up of a tapered tool: a plane gentler than the flank meets the
// bottom side of the tool (corner circle), a steeper one the top side
// (junction circle). `crossing` for sub-shape 6, whose bisectors cross.
i32 face_taper(bool crossing)
{
    f64 n[3];
    if (!face_normal(n)) return 0;
    copy(S.TRINML, n);
    const bool gentle = std::fabs(n[2]) / std::sqrt(dot3(n, n)) > S.SINA;
    if (crossing) {
        copy(S.FCAXA, S.AXPNT[2]);
        copy(S.FCAXB, S.AXPNT[3]);
        S.FCXRAD = S.BISXRD;
    } else {
        copy(S.FCAXA, S.AXPNT[gentle ? 1 : 5]);
        copy(S.FCAXB, S.AXPNT[gentle ? 1 : 5]);
        S.FCXRAD = 0.0;
    }
    copy(S.FCCIRC, S.AXPNT[gentle ? 0 : 4]);
    S.FCRAD = gentle ? S.FLATR : S.TOPRAD;
    S.FCREGN = gentle ? 4 : 2;
    return CNTFCT();
}

}  // namespace

// ------------------------------------------------------------ tool model

void CNTCLS()
{
    const f64 D = S.TDIAM, r = S.TCRAD, L = S.THEIGH, a = S.TANGLE, e = S.TOFFS;
    if (a <= TOL_TAPER) {
        S.TANA = 0.0;
        S.RADEFF = D * 0.5 + e;
        S.CRNEFF = e + r;
        const f64 R = S.RADEFF, rr = S.CRNEFF;
        if (R * TOL_FLAT > rr) {
            S.SHAPE = SHP_FLAT;
            S.FLATR = S.CYLRAD = R;
            S.VCSLOP[0] = 1.0;
            S.VCHGT[0] = R;
            S.TORRAD = S.BOTOFF = 0.0;
        } else if (R * 0.99999 > rr) {
            S.SHAPE = SHP_TORUS;
            S.CYLRAD = R;
            S.FLATR = R - rr;
            S.VCSLOP[0] = 1.0;
            S.VCHGT[0] = R;
            S.TORRAD = S.BOTOFF = rr;
        } else {
            S.SHAPE = SHP_BALL;
            S.CYLRAD = S.SPHRAD = R;
        }
        return;
    }
    S.SHAPE = SHP_TAPER;
    S.SINA = std::sin(a);
    S.SINA2 = std::sin(a * 0.5);
    S.COSA2 = std::cos(a * 0.5);
    S.COSA = std::cos(a);
    S.TANA = S.SINA / S.COSA;
    S.HALFB = (a + HALF_PI) * 0.5;
    S.SINB = std::sin(S.HALFB);
    S.COSB = std::cos(S.HALFB);
    S.TANB = S.SINB / S.COSB;
    S.CRNHGT = r + e;
    S.FLATR = D * 0.5 - r / S.TANB;
    S.BISLOW = S.FLATR * S.TANB + S.CRNHGT;
    S.TOPHGT = L + e;
    S.TOPRAD = L * S.TANA + D * 0.5;
    S.BISTOP = S.TOPRAD * S.SINA2 / S.COSA2 + S.TOPHGT;
    S.APEXHT = S.TOPHGT - (e / S.COSA + S.TOPRAD) / S.TANA;
    S.CRNEFF = S.CRNHGT;
    // A corner that reaches the axis within the precision of single-precision
    // tool values is a ball tip: its flat radius is taken as 0. (Judged before
    // the crossing of the bisectors, which has no meaning for a ball tip.)
    const bool ball = std::fabs(S.FLATR) < TOL_ZERO || std::fabs(S.FLATR) < TOL_SINGLE * (std::fabs(D * 0.5) + std::fabs(r));
    if (ball) {
        S.FLATR = 0.0;
        S.BISLOW = S.CRNHGT;
        if (S.CRNHGT <= S.TOPHGT)
            S.SUBSHP = SUB_BALL;
        else if (S.CRNHGT <= S.BISTOP)
            S.SUBSHP = SUB_HIGHBALL;
        else
            S.SUBSHP = SUB_NONE;
    } else if (S.CRNHGT > S.TOPHGT) {
        // Corner centres above the flank's top: the corner meets the
        // junction with the shank directly, which no edge case measures
        // (taken by the flat bottom's cases, such a tool's distances come
        // out wrong).
        S.SUBSHP = SUB_NONE;
    } else if (S.BISLOW > S.BISTOP) {
        // The bisectors of the bottom corner and of the flank's top cross
        // before they reach the axis.
        S.SUBSHP = SUB_SHORT;
        const f64 v = S.TOPRAD / (S.BISTOP - S.TOPHGT), w = S.FLATR / (S.BISLOW - S.CRNHGT);
        const f64 s = (S.BISLOW - S.BISTOP) * w / (v - w);
        S.BISXHT = S.BISTOP - s;
        S.BISXRD = s * v;
        S.BISXAP = S.BISXRD + S.BISXHT;
        S.BLRTOP = (S.BISLOW - S.TOPHGT) * w;
    } else {
        S.SUBSHP = SUB_FLAT;
    }
    if (S.SUBSHP == SUB_NONE) return;
    S.VCSLOP[0] = S.COSA2 / S.SINA2;
    S.VCHGT[0] = S.BISTOP;
    S.VCHGT[1] = S.TOPRAD * S.TANA + S.TOPHGT;
    S.VCSLOP[1] = S.VCSLOP[3] = 1.0 / S.TANA;
    S.VCHGT[2] = S.BISLOW;
    S.VCSLOP[2] = 1.0 / S.TANB;
    S.OFSRAD = e;
    S.CYLRAD = S.RADEFF = S.TOPRAD + e;
    S.TORRAD = S.BOTOFF = S.CRNEFF;
    if (S.SUBSHP == SUB_FLAT || S.SUBSHP == SUB_SHORT)
        S.VCHGT[3] = S.FLATR * S.TANA + S.CRNHGT;
    else
        S.VCHGT[3] = S.CRNHGT;
    if (S.SUBSHP == SUB_SHORT) {
        S.VCHGT[4] = S.BISXAP;
        S.VCSLOP[4] = 1.0;
    }
    if (S.SUBSHP == SUB_BALL || S.SUBSHP == SUB_HIGHBALL) S.SPHRAD = S.CRNEFF;
}

namespace {

// The tool's five values (diameter, corner, height, angle, offset) taken
// and its shape classified.
void take_tool(const f64* tool)
{
    S.TDIAM = tool[0];
    S.TCRAD = tool[1];
    S.THEIGH = tool[2];
    S.TANGLE = tool[3];
    S.TOFFS = tool[4];
    CNTCLS();
}

}  // namespace

i32 CNTSET(const i32& kind, const f64* tool)
{
    (void)kind;  // the shape is classified from the values
    take_tool(tool);
    // A tapered tool of sub-shape 8 (a ball tip whose centre stands above
    // the flank's top) is left to the drop. So is sub-shape 9 (a ball tip
    // above the top bisector's apex, or corner centres above the flank's
    // top), which has no element the cases can measure: taken here, it would
    // stand clear of every triangle, a clearance of 1000 wherever it is.
    return (S.SHAPE == SHP_TAPER && (S.SUBSHP == SUB_HIGHBALL || S.SUBSHP == SUB_NONE)) ? 0 : 1;
}

// ------------------------------------------------------------ solver entry

void CNTSLV(const f64* tool, const f64* point, const f64* triangle, f64& distance, f64* points)
{
    for (i32 j = 0; j < 3; ++j) copy(S.TRIVRT[j], triangle + 3 * j);
    copy(S.TIPPNT, point);
    for (CntRes& r : S.RES) {
        r.F = 1;
        r.D = -1.0e26;
    }
    if (S.TOOLOK == 0 || tool[0] != S.TDIAM || tool[1] != S.TCRAD || tool[2] != S.THEIGH || tool[3] != S.TANGLE ||
        tool[4] != S.TOFFS) {
        S.TOOLOK = 1;
        take_tool(tool);
    }
    switch (S.SHAPE) {
    case SHP_FLAT:
        axis_at(S.AXPNT[0], 0.0);
        axis_at(S.AXPNT[1], S.RADEFF);
        axis_at(S.VCAPEX[0], S.VCHGT[0]);
        break;
    case SHP_BALL: axis_at(S.AXPNT[0], S.RADEFF); break;
    case SHP_TORUS:
        axis_at(S.AXPNT[0], S.CRNEFF);
        axis_at(S.AXPNT[1], S.RADEFF);
        axis_at(S.VCAPEX[0], S.VCHGT[0]);
        break;
    default:
        axis_at(S.AXPNT[0], S.CRNHGT);
        axis_at(S.AXPNT[1], S.BISLOW);
        axis_at(S.AXPNT[4], S.TOPHGT);
        axis_at(S.AXPNT[5], S.BISTOP);
        axis_at(S.APXPNT, S.APEXHT);
        for (i32 k = 0; k < 4; ++k) axis_at(S.VCAPEX[k], S.VCHGT[k]);
        if (S.SUBSHP == SUB_SHORT) {
            axis_at(S.AXPNT[2], S.BISXHT);
            axis_at(S.AXPNT[3], S.BISXAP);
            axis_at(S.VCAPEX[4], S.VCHGT[4]);
        }
        break;
    }
    if (CNTFCE() == 0) CNTEVL();
    distance = 1.0e26;
    const CntRes* best = nullptr;
    for (const CntRes& r : S.RES)
        if (r.F == 0 && r.D < distance) {
            distance = r.D;
            best = &r;
        }
    if (best) {
        copy(points, best->Q);
        copy(points + 3, best->P);
    }
}

// ------------------------------------------------------------- face case

i32 CNTFCE()
{
    switch (S.SHAPE) {
    case SHP_FLAT:
    case SHP_TORUS: return face_flat();
    case SHP_BALL: return face_ball();
    case SHP_TAPER:
        switch (S.SUBSHP) {
        case SUB_FLAT: return face_taper(false);
        case SUB_SHORT: return CNTFC6();
        case SUB_BALL:
        case SUB_HIGHBALL: return CNTFC7();
        default: return 0;
        }
    default: return 0;
    }
}

i32 CNTFC6() { return face_taper(true); }

i32 CNTFC7() { return face_taper(false); }

i32 CNTFCT()
{
    const f64* n = S.TRINML;
    f64 h[2], T[3], M[3], P[3];
    rising(n, h);
    const f64 s = sigma(S.FCAXB, n);
    if (s >= 0.0) {
        if (!plan_point(S.FCAXB, T)) return 0;
        if (T[2] >= S.AXPNT[5][2]) {
            RECCYL(T);
            return 1;
        }
        if (T[2] >= S.AXPNT[1][2]) {
            RECCON(T);
            return 1;
        }
    }
    set(M, S.FCAXA[0] + S.FCXRAD * h[0], S.FCAXA[1] + S.FCXRAD * h[1], S.FCAXA[2]);
    const f64 m = -sigma(M, n);
    if (m > 0.0) {
        set(S.CRNCTR, S.FCCIRC[0] + S.FCRAD * h[0], S.FCCIRC[1] + S.FCRAD * h[1], S.FCCIRC[2]);
        const f64 sc = -sigma(S.CRNCTR, n);
        if (sc > 0.0) {
            if (!foot_point(S.CRNCTR, T)) return 0;
            if (S.FCREGN == 2)
                RECOFS(T);
            else if (S.FCREGN == 4)
                RECTOR(T);
            else
                RECSPH(T);
            return 1;
        }
        const f64 t = m / (m - sc);
        for (i32 k = 0; k < 3; ++k) P[k] = M[k] + t * (S.CRNCTR[k] - M[k]);
        if (!foot_point(P, T)) return 0;
        RECCON(T);
        return 1;
    }
    const f64 t = s / (m + s);
    for (i32 k = 0; k < 3; ++k) P[k] = S.FCAXB[k] + t * (M[k] - S.FCAXB[k]);
    if (!foot_point(P, T)) return 0;
    RECCYL(T);
    return 1;
}

// --------------------------------------------------- edge and vertex loop

void CNTEVL()
{
    i32 f[3];
    for (i32 j = 0; j < 3; ++j) {
        const f64* A = S.TRIVRT[j];
        const f64* B = S.TRIVRT[(j + 1) % 3];
        if (A[2] < B[2]) {
            copy(S.EDGHI, B);
            copy(S.EDGLO, A);
        } else {
            copy(S.EDGHI, A);
            copy(S.EDGLO, B);
        }
        CNTEDG();
        f[j] = S.EDGFLG;
    }
    if (S.SHAPE != SHP_TAPER) return;
    void (*vertex)(const f64*) = nullptr;
    if (S.SUBSHP == SUB_FLAT || S.SUBSHP == SUB_SHORT) vertex = CNTVT5;
    if (S.SUBSHP == SUB_BALL || S.SUBSHP == SUB_HIGHBALL) vertex = CNTVT7;
    if (!vertex) return;
    // A vertex whose two edges recorded no accepted point is measured itself.
    if (f[2] + f[0] == 0) vertex(S.TRIVRT[0]);
    if (f[0] + f[1] == 0) vertex(S.TRIVRT[1]);
    if (f[1] + f[2] == 0) vertex(S.TRIVRT[2]);
}

// -------------------------------------------------------------- recorders

void RECCYL(const f64* T)
{
    const f64 dx = T[0] - S.TIPPNT[0], dy = T[1] - S.TIPPNT[1];
    const f64 rho = std::sqrt(dx * dx + dy * dy);
    f64 Q[3];
    if (rho < TOL_ZERO)
        set(Q, S.TIPPNT[0] + S.CYLRAD, S.TIPPNT[1], T[2]);
    else
        set(Q, S.TIPPNT[0] + S.CYLRAD * dx / rho, S.TIPPNT[1] + S.CYLRAD * dy / rho, T[2]);
    keep(CYL, rho - S.CYLRAD, T, Q);
}

namespace {
// Distance from T to a circle point C less the tube radius, with the tube
// point facing T; `fallback` gives the direction when T lies on C, and
// `last` when the fallback has no length either. (The tube point is then a
// point of the tool's surface still: the circle point itself lies inside
// the tool, a tube radius from its surface.)
void tube(i32 slot, const f64* T, const f64* C, f64 radius, const f64* fallback, const f64* last)
{
    f64 w[3] = {T[0] - C[0], T[1] - C[1], T[2] - C[2]};
    const f64 len = std::sqrt(dot3(w, w));
    const f64 D = len - radius;
    if (len < TUBE_AXIS) copy(w, fallback);
    if (!(dot3(w, w) > 0.0)) copy(w, last);
    const f64 lw = std::sqrt(dot3(w, w));
    f64 Q[3];
    set(Q, C[0] + radius * w[0] / lw, C[1] + radius * w[1] / lw, C[2] + radius * w[2] / lw);
    keep(slot, D, T, Q);
}
}  // namespace

void RECOFS(const f64* T)
{
    // On the junction's circle point at the top of the flank itself: the
    // rounding's point straight out along +x, as the shank's for a point on
    // the axis.
    const f64 f[3] = {T[0] - S.AXPNT[4][0], T[1] - S.AXPNT[4][1], T[2] - S.AXPNT[4][2]}, out[3] = {1.0, 0.0, 0.0};
    tube(OFS, T, S.CRNCTR, S.OFSRAD, f, out);
}

void RECTOR(const f64* T)
{
    // On the axis at the corner's centre (a ball tip, whose corner circle
    // has shrunk to its centre): the corner's lowest point, the tip, as the
    // ball's recorder takes it.
    const f64 dx = T[0] - S.TIPPNT[0], dy = T[1] - S.TIPPNT[1];
    const f64 f[3] = {dx, dy, -std::sqrt(dx * dx + dy * dy) * S.TANA}, down[3] = {0.0, 0.0, -1.0};
    tube(TOR, T, S.CRNCTR, S.TORRAD, f, down);
}

void RECCON(const f64* T)
{
    const f64 dx = T[0] - S.TIPPNT[0], dy = T[1] - S.TIPPNT[1];
    const f64 rho = std::sqrt(dx * dx + dy * dy);
    f64 g[3];
    if (rho < TOL_ZERO)
        set(g, 1.0, 0.0, -S.TANA);
    else
        set(g, dx, dy, -rho * S.TANA);
    const f64 lg = std::sqrt(dot3(g, g));
    g[0] /= lg, g[1] /= lg, g[2] /= lg;
    const f64 k = (S.APXPNT[0] - T[0]) * g[0] + (S.APXPNT[1] - T[1]) * g[1] + (S.APXPNT[2] - T[2]) * g[2];
    const f64 Q[3] = {T[0] + k * g[0], T[1] + k * g[1], T[2] + k * g[2]};
    keep(CON, -k, T, Q);
}

void RECBOT(const f64* T)
{
    const f64 Q[3] = {T[0], T[1], S.TIPPNT[2]};
    keep(BOT, (S.AXPNT[0][2] - T[2]) - S.BOTOFF, T, Q);
}

void RECSPH(const f64* T)
{
    const f64* C = S.AXPNT[0];
    const f64 w[3] = {T[0] - C[0], T[1] - C[1], T[2] - C[2]};
    const f64 len = std::sqrt(dot3(w, w));
    f64 Q[3];
    if (len < TOL_ZERO)
        copy(Q, S.TIPPNT);
    else
        set(Q, C[0] + S.SPHRAD * w[0] / len, C[1] + S.SPHRAD * w[1] / len, C[2] + S.SPHRAD * w[2] / len);
    keep(SPH, len - S.SPHRAD, T, Q);
}

void RECORD(i32 code, const f64* T)
{
    switch (code) {
    case 1: RECCYL(T); break;
    case 2: RECOFS(T); break;
    case 3: RECCON(T); break;
    case 4: RECTOR(T); break;
    case 5: RECBOT(T); break;
    default: RECSPH(T); break;
    }
}

f64 CNTFNC(f64 t)
{
    f64 q = 1.0 - t * t;
    if (q < 0.0) q = 0.0;
    return S.RTCOEF[2] * t + (S.RTCOEF[0] * t + S.RTCOEF[1]) * std::sqrt(q);
}
