// Edges of a triangle against a tapered tool, one case per sub-shape: the
// levels where the tool's elements meet decide which elements an edge can
// come nearest to; each candidate's nearest edge point is accepted only in
// its element's region, and where none is accepted the crossings of the
// separating cones between elements are measured instead.
#include <cmath>

#include "cutter/cntcas.h"
#include "cutter/soltol.h"

namespace {

CntSol& S = CNTSOL;

inline void copy(f64* to, const f64* from) { to[0] = from[0], to[1] = from[1], to[2] = from[2]; }
inline bool in_range(f64 t) { return t >= 0.0 && t <= 1.0; }

// The edge seen from level i of the axis: the point X where it crosses that
// level, its parameter s from EDGLO, its plan offset r from the axis and the
// radial units.
struct Level {
    f64 X[3];
    f64 s;
    f64 r[2];
    f64 rho;   // |r|
    f64 u[2];  // r / |r| (zero on the axis)
    f64 v[2];  // r / (|r.x| + |r.y|)
    bool on_edge() const { return s >= 0.0 && s <= 1.0; }
    bool on_axis() const { return std::fabs(r[0]) + std::fabs(r[1]) < TOL_ZERO; }
};

// d = EDGHI - EDGLO; the edge is not level.
struct Edge {
    f64 d[3];
    Edge() { for (i32 k = 0; k < 3; ++k) d[k] = S.EDGHI[k] - S.EDGLO[k]; }
    bool level() const { return std::fabs(d[2]) < TOL_ZERO; }
    bool point() const { return std::fabs(d[0]) + std::fabs(d[1]) < TOL_ZERO; }
    Level at(i32 i) const
    {
        Level L{};
        const f64 z = S.AXPNT[i][2];
        L.s = (z - S.EDGLO[2]) / d[2];
        for (i32 k = 0; k < 3; ++k) L.X[k] = S.EDGLO[k] + L.s * d[k];
        L.r[0] = L.X[0] - S.TIPPNT[0];
        L.r[1] = L.X[1] - S.TIPPNT[1];
        L.rho = std::sqrt(L.r[0] * L.r[0] + L.r[1] * L.r[1]);
        if (L.rho > 0.0) {
            L.u[0] = L.r[0] / L.rho;
            L.u[1] = L.r[1] / L.rho;
        }
        // A level point exactly on the axis has no radial direction: u and v
        // stay 0 rather than 0/0. The edge's line then meets the axis at that
        // level, so its nearest approach to the axis is where the tool meets
        // it: with v = 0 the probes read v.d as 0 and take the "v.d <= 0"
        // branch, the axis probe, where a NaN would make every comparison
        // false and send the edge down the outward branch as if it leaned
        // away from the axis.
        const f64 s1 = std::fabs(L.r[0]) + std::fabs(L.r[1]);
        if (s1 > 0.0) {
            L.v[0] = L.r[0] / s1;
            L.v[1] = L.r[1] / s1;
        }
        return L;
    }
    // Plan component of d along a plan direction.
    f64 plan(const f64* w) const { return w[0] * d[0] + w[1] * d[1]; }
    // Component of d along the flank's outward normal at level point L.
    f64 flank(const Level& L) const { return S.COSA * plan(L.u) - S.SINA * d[2]; }
};

// Accepts a probe: records P with the element's recorder and ends the edge.
bool accept(i32 code, const f64* P)
{
    RECORD(code, P);
    S.EDGFLG = 1;
    return true;
}

// Foot of the axis from level i on the edge, accepted in the shank's region.
bool probe_axis(i32 i)
{
    copy(S.CIRCTR, S.AXPNT[i]);
    CNAXFT();
    return in_range(S.EDGPAR) && CNREGN(S.EDGPNT, 1) && accept(1, S.EDGPNT);
}

// Nearest edge point to the flank, accepted in the flank's region.
bool probe_flank()
{
    CNLNTP();
    return in_range(S.EDGPAR) && CNREGN(S.EDGPNT, 3) && accept(3, S.EDGPNT);
}

// Nearest edge point to the corner-centre circle, in the corner's region.
bool probe_corner()
{
    copy(S.CIRCTR, S.AXPNT[0]);
    S.CIRRAD = S.FLATR;
    CNLNCR();
    return in_range(S.EDGPAR) && CNREGN(S.EDGPNT, 4) && accept(4, S.EDGPNT);
}

// Nearest edge point to the junction circle, in the rounding's region.
bool probe_top()
{
    copy(S.CIRCTR, S.AXPNT[4]);
    S.CIRRAD = S.TOPRAD;
    CNLNCR();
    return in_range(S.EDGPAR) && CNREGN(S.EDGPNT, 2) && accept(2, S.EDGPNT);
}

// Edge point nearest the ball's centre, in the ball's region.
bool probe_ball(const Edge& e)
{
    const f64* C = S.AXPNT[0];
    const f64* d = e.d;
    const f64 t = ((C[0] - S.EDGLO[0]) * d[0] + (C[1] - S.EDGLO[1]) * d[1] + (C[2] - S.EDGLO[2]) * d[2]) /
                  (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(t >= 0.0 && t <= 1.0)) return false;
    const f64 P[3] = {S.EDGLO[0] + t * d[0], S.EDGLO[1] + t * d[1], S.EDGLO[2] + t * d[2]};
    return CNREGN(P, 6) && accept(6, P);
}

// Foot of the axis from level i, recorded as shank without a region test.
void axis_foot(i32 i)
{
    copy(S.CIRCTR, S.AXPNT[i]);
    CNAXFT();
    if (in_range(S.EDGPAR)) accept(1, S.EDGPNT);
}

// Crossings of separating cone k within the band (lo, hi), recorded with
// the recorder of `code`; with the apex rule, an edge lying on the cone and
// passing its apex (axis point `apex`) records the apex.
void crossings(i32 k, f64 lo, f64 hi, i32 code, i32 apex)
{
    S.CONIDX = k;
    CNLNCN();
    auto band = [&](const f64* P) { return lo - TOL_ZERO < P[2] && P[2] < hi + TOL_ZERO; };
    if (S.NCNSOL == 2 && in_range(S.EDGPR2) && band(S.CNSOLB)) RECORD(code, S.CNSOLB);
    if ((S.NCNSOL == 1 || S.NCNSOL == 2) && in_range(S.EDGPAR) && band(S.CNSOLA)) RECORD(code, S.CNSOLA);
    if (S.NCNSOL == 3 && apex >= 0) {
        const f64 z = S.AXPNT[apex][2];
        if (S.EDGHI[2] > z - TOL_ZERO && S.EDGLO[2] < z + TOL_ZERO) RECORD(code, S.AXPNT[apex]);
    }
}

// A level edge: the foot of the axis on it measured as a point.
void level_edge(const Edge& e, void (*point)(const f64*))
{
    if (e.point()) return;
    copy(S.CIRCTR, S.AXPNT[0]);
    CNAXFT();
    if (in_range(S.EDGPAR)) point(S.EDGPNT);
}

// A level edge handed to the vertex road (the edge's cases need a slope).
bool level_done(const Edge& e)
{
    if (!e.level()) return false;
    level_edge(e, CNTVT5);
    return true;
}

// Plan direction of the junction circle's nearest normal at level point X0
// (the flank's normal inside cone 1, else towards the junction circle),
// dotted with the edge.
f64 outward_at_corner(const Edge& e, const Level& L0)
{
    f64 n[3];
    if (CNINCU(L0.X, 1, S.AXPNT[4][2])) {
        n[0] = S.COSA * L0.u[0];
        n[1] = S.COSA * L0.u[1];
        n[2] = -S.SINA;
    } else {
        copy(S.CIRCTR, S.AXPNT[4]);
        S.CIRRAD = S.TOPRAD;
        copy(S.EDGPNT, L0.X);
        CNCIRP();
        for (i32 k = 0; k < 3; ++k) n[k] = L0.X[k] - S.CRNCTR[k];
        const f64 s = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
        // X0 on the junction circle itself (corner centres at the flank's
        // top) has no direction from it: n stays 0 and the slope w is 0, so
        // the edge is taken as not leading outward; a division by the zero
        // length would give no number, and every test after it would fail.
        if (s > 0.0) n[0] /= s, n[1] /= s, n[2] /= s;
    }
    return n[0] * e.d[0] + n[1] * e.d[1] + n[2] * e.d[2];
}

// The common start of the ball-tipped sub-shapes: the level edge, the apex
// of cone 0 and the top level. False when the edge is done; else the top
// level's slope w and whether X4 lies inside the top circle.
bool ball_levels(const Edge& e, Level& L4, f64& w, bool& in4)
{
    if (e.level()) {
        level_edge(e, CNTVT7);
        return false;
    }
    const Level L5 = e.at(5);
    if (L5.on_axis() && L5.on_edge()) {
        accept(1, L5.X);
        return false;
    }
    if (e.plan(L5.v) <= 0.0) {
        if (L5.s <= 1.0) axis_foot(5);
        return false;
    }
    L4 = e.at(4);
    if (L4.on_axis() && L4.on_edge()) {
        accept(1, L4.X);
        return false;
    }
    in4 = L4.rho * L4.rho < S.TOPRAD * S.TOPRAD;
    w = in4 ? e.flank(L4) : e.plan(L4.v);
    if (std::fabs(w) < TOL_ZERO && !in4 && L4.on_edge()) {
        accept(1, L4.X);
        return false;
    }
    return true;
}

}  // namespace

void CNTE05()
{
    S.EDGFLG = 0;
    const Edge e;
    if (level_done(e)) return;
    const f64 z0 = S.AXPNT[0][2], z1 = S.AXPNT[1][2], z4 = S.AXPNT[4][2], z5 = S.AXPNT[5][2];
    const Level L4 = e.at(4);
    if (L4.on_axis() && L4.on_edge() && S.TANA * S.TANA * e.d[2] * e.d[2] <= e.d[0] * e.d[0] + e.d[1] * e.d[1]) {
        accept(3, L4.X);
        return;
    }
    const bool in4 = L4.rho * L4.rho < S.TOPRAD * S.TOPRAD;
    bool upper;
    if (in4) {
        const f64 w = e.flank(L4);
        if (std::fabs(w) < TOL_ZERO) {
            if (L4.on_edge()) {
                RECCON(L4.X);
                return;
            }
            upper = true;
        } else {
            upper = w <= 0.0;
        }
    } else {
        const f64 w = e.plan(L4.u);
        if (std::fabs(w) < TOL_ZERO) {
            if (L4.on_edge()) {
                RECCYL(L4.X);
                return;
            }
            if (S.EDGHI[2] <= z0) return;
            upper = true;
        } else {
            upper = w <= 0.0;
        }
    }
    const Level L0 = e.at(0);
    const f64 q = L0.rho * L0.rho - S.FLATR * S.FLATR;
    bool in0, inner;
    if (q > 0.0) {
        const f64 w = e.flank(L0);
        if (std::fabs(w) < TOL_ZERO && L0.on_edge()) {
            RECCON(L0.X);
            return;
        }
        in0 = false;
        inner = w <= 0.0;
    } else {
        in0 = inner = true;
    }
    if (std::fabs(q) + std::fabs(z0 - L0.X[2]) < TOL_ZERO && L0.on_edge()) {
        if (q > 0.0)
            RECCON(L0.X);
        else
            RECBOT(L0.X);
    }
    if (upper) {
        if (probe_axis(4) || probe_flank()) return;
        crossings(0, z4, z5, 1, 5);
        // The bottom's bisector reaching the axis above the flank's top: an
        // edge of this upper side may pass through the bottom's region there
        // too, so the crossings of that region's boundary with the flank's
        // are measured as on the inner side. Without them a steep-flanked
        // tool would be measured too far from such an edge.
        if (z1 > z4) crossings(2, z0, z1, 3, 1);
    } else if (inner) {
        if (probe_flank()) return;
        if (!in4 && !in0 && (probe_corner() || probe_top())) return;
        crossings(2, z0, z1, 3, 1);
    } else {
        if (probe_corner() || probe_flank()) return;
        // Far out under a steep flank the edge can face the junction of
        // flank and shank: when neither the corner nor the flank accepts its
        // point, the rounding of the junction is nearest, and without this
        // probe the edge would record nothing and the tool stand measured
        // too far from it.
        probe_top();
    }
}

void CNTE06()
{
    S.EDGFLG = 0;
    const Edge e;
    if (level_done(e)) return;
    const f64 z0 = S.AXPNT[0][2], z2 = S.AXPNT[2][2], z3 = S.AXPNT[3][2], z4 = S.AXPNT[4][2];
    const Level L3 = e.at(3);
    if (L3.on_axis() && L3.on_edge()) {
        accept(1, L3.X);
        return;
    }
    if (e.plan(L3.v) <= 0.0) {
        if (L3.s > 1.0) return;
        axis_foot(3);
        return;
    }
    const Level L2 = e.at(2);
    if (L2.on_axis() && L2.on_edge()) {
        accept(1, L2.X);
        return;
    }
    if (e.plan(L2.v) <= 0.0 || L2.rho * L2.rho < S.BISXRD * S.BISXRD) {
        if (L2.s > 1.0) return;
        if (probe_axis(2)) return;
        crossings(4, z2, z3, 1, 3);
        return;
    }
    const Level L4 = e.at(4);
    const bool in4 = L4.rho * L4.rho - S.TOPRAD * S.TOPRAD < 0.0;
    f64 w = e.plan(L4.v);
    if (L4.on_edge() && (L4.rho * L4.rho < TOL_ZERO || (std::fabs(w) < TOL_ZERO && !in4))) {
        accept(1, L4.X);
        return;
    }
    bool lower = !(w > 0.0 && L4.rho * L4.rho >= S.BLRTOP * S.BLRTOP);
    if (!lower && in4) {
        w = e.flank(L4);
        if (w <= 0.0) lower = true;
    }
    if (!lower) {
        if (std::fabs(L4.rho * L4.rho - S.TOPRAD * S.TOPRAD) < TOL_ZERO) {
            if (!in4) w = e.flank(L4);
            if (w <= 0.0 && L4.on_edge()) {
                accept(1, L4.X);
                return;
            }
        }
        const Level L0 = e.at(0);
        const f64 q = L0.rho * L0.rho - S.FLATR * S.FLATR;
        bool in0 = true;
        if (q >= 0.0) {
            in0 = false;
            w = outward_at_corner(e, L0);
        }
        if (in0 || w <= 0.0) {
            if (L0.s > 1.0) return;
            if (!in4 && probe_top()) return;
            if (probe_flank()) return;
            crossings(2, z0, z2, 5, -1);
            return;
        }
        if (std::fabs(q) < TOL_ZERO && L0.on_edge()) {
            accept(5, L0.X);
            return;
        }
        if (probe_flank() || probe_corner()) return;
        if (in4) return;
        probe_top();
        return;
    }
    if (L4.s > 1.0) return;
    if (probe_axis(4) || probe_flank()) return;
    crossings(2, z0, z2, 3, -1);
    crossings(0, z4, z2, 1, -1);
}

namespace {

// The ball-tipped sub-shapes past their common steps. Ball side: the top, the
// flank and the ball; with the ball below the flank's top only where the
// junction circle's normal leads outward at level 0, else the top and the
// flank while level 0 is within reach. Axis side: the axis foot and the
// flank, then the crossings of cone 0, with the ball above the flank's top
// recording the ball first as well.
void ball_edge(bool high)
{
    S.EDGFLG = 0;
    const Edge e;
    Level L4;
    f64 w = 0.0;
    bool in4 = false;
    if (!ball_levels(e, L4, w, in4)) return;
    const f64 z4 = S.AXPNT[4][2], z5 = S.AXPNT[5][2];
    if (w > 0.0) {
        const Level L0 = e.at(0);
        if (high || outward_at_corner(e, L0) > 0.0) {
            if (!in4 && probe_top()) return;
            if (probe_flank()) return;
            probe_ball(e);
        } else if (L0.s <= 1.0) {
            if (probe_top()) return;
            probe_flank();
        }
        return;
    }
    if (L4.s > 1.0) return;
    if (probe_axis(4) || probe_flank()) return;
    if (high) probe_ball(e);  // recorded, and the crossings are measured as well
    crossings(0, z4, z5, 1, 5);
}

}  // namespace

void CNTE07() { ball_edge(false); }

void CNTE08() { ball_edge(true); }
