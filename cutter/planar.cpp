#include "cutter/planar.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/kernel.h"
#include "cutter/loccom.h"
#include "cutter/roads.h"
#include "core/host.h"
#include "surfaces/trimodel.h"

void V2NRMS(f32* v, f32& length, i32& status) { v2nrms(v, length, status); }

namespace {

// Tolerance of the face test: a face contact point that lies outside its
// triangle by this much in XY is still taken as on the face (or on its
// edge). Kept at a millionth: a wider margin lifts the tool by the margin
// times the face's slope, a thousandth and more on steep faces.
constexpr f32 FACTOL = 1.0e-6f;

// Margin of the edge road's reach beyond the rim.
constexpr f32 EDGTOL = 1.0e-6f;

// Distance from an edge's line within which the axis counts as on that
// edge, in the inside test; and the wider margin for a tool of zero
// diameter.
constexpr f32 ON_EDGE = 1.0e-4f;
constexpr f32 ON_EDGE_WIDE = 0.004f;

// How far the retried edge road reaches beyond the rim.
constexpr f32 RETRY_REACH = 0.002f;

// A face whose normal's Z is below this is vertical.
constexpr f32 VERTICAL_NZ = 0.00015f;

// Height of the upper rim's tip above the tool's tip: the rim is an end whose
// corner (the top rounding, radius CGALLW) has its centre at the cut length
// CGLENG, so its tip lies CGALLW lower. (The height where the flank ends,
// CGLENE = CGLENG - CGALLW sin a, would put the tool lower by
// CGALLW (1 - sin a) under an allowance.)
f64 rimlow() { return CGLENG - CGALLW; }

// The edge in its vertical plane: the half-chord h of the end's outline, the
// positions sa, sb of the edge's ends along its direction and its rise dz.
struct Chord {
    f64 h, sa, sb, dz;
};

// Common start of the edge routines: status -1 (no contact) and the chord;
// false when the edge is out of reach.
bool chord(const f32* va, const f32* vb, const PlnEdge& ed, f64 R, f64 d, Chord& c, i32& status)
{
    status = -1;
    c.h = std::sqrt(std::fabs(R * R - d * d));
    c.sa = va[0] * ed.e[0] + va[1] * ed.e[1];
    c.sb = vb[0] * ed.e[0] + vb[1] * ed.e[1];
    c.dz = f64(vb[2]) - va[2];
    return !(c.sa > c.h || c.sb < -c.h);
}

// Common ending of the edge routines: nearest XY distance d of the edge from
// the axis (d comes in as the line's distance) and the edge's height there;
// status 2.
void reached(const f32* va, const f32* vb, const Chord& c, f64& d, f32& aux, i32& status)
{
    f32 near;
    if (c.sa > 0.0 && c.sb > 0.0) {
        near = std::sqrt(va[0] * va[0] + va[1] * va[1]);
        aux = va[2];
    } else if (c.sa < 0.0 && c.sb < 0.0) {
        near = std::sqrt(vb[0] * vb[0] + vb[1] * vb[1]);
        aux = vb[2];
    } else {
        near = static_cast<f32>(std::fabs(d));
        f32 q[2] = {0.0f, 0.0f};
        i32 st = 0;
        ZONSEG(va, vb, q, aux, st);
    }
    d = near;
    status = 2;
}

void along(const f32* va, const f32* vb, f64 sa, f64 sb, f64 s, f32* contact, f64& t)
{
    t = sb - sa != 0.0 ? (s - sa) / (sb - sa) : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    for (i32 k = 0; k < 3; ++k) contact[k] = static_cast<f32>(va[k] + t * (f64(vb[k]) - va[k]));
}

}  // namespace

void PLEBAL(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32* contact, f32& z,
            f32& aux, i32& status)
{
    Chord c;
    if (!chord(va, vb, edge, R, d, c, status)) return;
    f64 len = std::sqrt((c.sb - c.sa) * (c.sb - c.sa) + c.dz * c.dz);
    f64 s = len > 0.0 ? c.dz * c.h / len : 0.0;
    s = s < c.sa ? c.sa : (s > c.sb ? c.sb : s);
    f64 t;
    along(va, vb, c.sa, c.sb, s, contact, t);
    z = static_cast<f32>(va[2] + t * c.dz + std::sqrt(std::fabs(c.h * c.h - s * s)) - R);
    reached(va, vb, c, d, aux, status);
}

void PLEFLT(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32* contact, f32& z,
            f32& aux, i32& status)
{
    Chord c;
    if (!chord(va, vb, edge, R, d, c, status)) return;
    // The highest point of the edge under the bottom: its rising end, cut
    // at the chord. Every slope counts, however small: a slight rise taken
    // as level would let the bottom sink below the higher end.
    f64 s;
    if (c.dz > 0.0)
        s = c.sb < c.h ? c.sb : c.h;
    else if (c.dz < 0.0)
        s = c.sa > -c.h ? c.sa : -c.h;
    else
        s = 0.0;
    f64 t;
    along(va, vb, c.sa, c.sb, s, contact, t);
    if (s <= c.sa)
        z = va[2];
    else if (s >= c.sb)
        z = vb[2];
    else
        z = static_cast<f32>(va[2] + t * c.dz);
    reached(va, vb, c, d, aux, status);
}

void PLETOR(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, const f32& r, f64& d, f32* contact,
            f32& z, f32& aux, i32& status)
{
    Chord c;
    if (!chord(va, vb, edge, R, d, c, status)) return;
    // The edge cut to the chord [-h, h].
    f32 pa[3], pb[3];
    f64 t;
    along(va, vb, c.sa, c.sb, c.sa < -c.h ? -c.h : c.sa, pa, t);
    along(va, vb, c.sa, c.sb, c.sb > c.h ? c.h : c.sb, pb, t);
    f32 u[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    f64 l = std::sqrt(f64(u[0]) * u[0] + f64(u[1]) * u[1] + f64(u[2]) * u[2]);
    if (l > 0.0)
        for (f32& x : u) x = static_cast<f32>(x / l);
    const f32 ax[2] = {0.0f, 0.0f};
    f32 best[3];
    i32 st = 0;
    z = SEGTOR(pa, pb, u, ax, R, R - r, best, st);
    // Where no point of the cut edge lies within the radius (an edge just
    // beyond the rim that the retried road reaches), the height stays at
    // SEGTOR's -1.0e10, which no contact exceeds; the edge still reports its
    // distance and height like the other shapes.
    for (i32 k = 0; k < 3; ++k) contact[k] = z < -1.0e9f ? pa[k] : best[k];
    reached(va, vb, c, d, aux, status);
}

void PLENRP(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32& aux, i32& status)
{
    Chord c;
    if (!(chord(va, vb, edge, R, d, c, status) && c.sa < c.h && c.sb > -c.h)) return;
    reached(va, vb, c, d, aux, status);
}

void PLNAXI(const i32& flag, const PlnEdge* edges, i32& status)
{
    const f32 tol = flag ? ON_EDGE_WIDE : ON_EDGE;
    i32 side = 0;  // 1 positive, -1 negative, 0 not yet fixed
    status = 0;
    for (i32 k = 0; k < 3; ++k) {
        f32 g = edges[k].c;
        if (std::fabs(g) <= tol) {
            if (k < 2) continue;
            if (!flag) {
                status = 1;
                return;
            }
            f32 nx = edges[0].c;
            g = nx < 0.0f ? -std::fabs(g) : std::fabs(g);
        }
        i32 s = g < 0.0f ? -1 : (g > 0.0f ? 1 : 0);
        if (s == 0) continue;
        if (side == 0)
            side = s;
        else if (s != side) {
            status = 1;
            return;
        }
    }
}

namespace {

// One solution of the planar contact: the end model of the tool (the
// lower one, or for a tapered tool on a steep face the rim above it), the
// triangle's vertices about the tool's axis, and the two roads: the face
// (the end's contact point on the plane, the nearest edge's distance) and
// the edges.
struct PlnSolve {
    i32 orientation;
    f32* point;
    const f32* rr;
    i32 kind, flag;
    const f32* verts;
    PlnEdge* edges;
    const i32* edge_status;
    const f32* nd;
    f32* contact;
    i32 retry;
    f32& edge_distance;
    f32& aux;
    i32& status;
    bool taper = false;
    i32 shape = 0;
    f32 R = 0, r = 0;
    f64 lower = 0.0;
    bool upper = false;
    f32 n[3] = {0, 0, 1};
    f32 tol = 0;
    f32 P[3] = {0, 0, 0};
    f32 v[3][3] = {};
    f64 q[2] = {0, 0};  // the end's face contact point, relative to the axis
    i32 axis_out = 1;
    bool vertical = false;

    void end_model();
    void face_contact();
    void nearest_edge();
    void edge_road();
};

// The end model, the vertices about the axis and the end's face contact point.
void PlnSolve::end_model()
{
    shape = taper ? kind - 10 : kind;
    R = rr[0], r = rr[1];
    lower = 0.0;
    upper = false;
    n[0] = nd[0], n[1] = nd[1], n[2] = nd[2];
    if (taper) {
        R = static_cast<f32>(CGRFLT) + r;
        if (n[2] < CGAXIS[2]) {
            upper = true;
            R = static_cast<f32>(CGRTOP);
            r = static_cast<f32>(CGALLW);
            shape = eqval0(r) ? 2 : 3;
            lower = rimlow();
        }
    }
    if (shape == 1) r = R;
    tol = flag ? ON_EDGE_WIDE : FACTOL;
    P[0] = point[0], P[1] = point[1], P[2] = point[2];
    for (i32 k = 0; k < 3; ++k)
        for (i32 j = 0; j < 3; ++j) v[k][j] = verts[3 * k + j] - (j < 2 ? P[j] : 0.0f);
    contact[0] = contact[1] = contact[2] = 0.0f;
    edge_distance = -1.0f;
    aux = -1.0e10f;
    status = -1;
    if (shape == 1) {
        q[0] = -f64(r) * n[0];
        q[1] = -f64(r) * n[1];
    } else {
        f32 w[2] = {n[0], n[1]}, wl;
        i32 ws;
        v2nrms(w, wl, ws);
        // A level face has no downhill direction: the end's flat part then
        // rests on it about the axis. (Its normal's XY left as it is would
        // move the point by less than a millionth of the radius.)
        if (ws != 0) w[0] = w[1] = 0.0f;
        q[0] = -(f64(R) - r) * w[0] - f64(r) * n[0];
        q[1] = -(f64(R) - r) * w[1] - f64(r) * n[1];
    }
    for (i32 k = 0; k < 3; ++k) {
        const f32* a = v[k];
        edges[k].c = edges[k].e[0] * a[1] - edges[k].e[1] * a[0];
    }
}

// The face road: the end's contact point on an edge of the triangle (status
// 3) or inside it (status 0); status stays -1 when it lies outside.
void PlnSolve::face_contact()
{
    f64 sd[3];
    bool on_edge = false;
    for (i32 k = 0; k < 3 && !on_edge; ++k) {
        const PlnEdge& ed = edges[k];
        sd[k] = ed.e[1] * q[0] - ed.e[0] * q[1] + ed.c;
        if (std::fabs(sd[k]) > tol) continue;
        const f32* a = v[k];
        const f32* b = v[(k + 1) % 3];
        // The position along the edge is taken in its longer XY component:
        // taken in x while x runs only a little along the edge (x unless
        // the edge's x lies within the face tolerance of 0), the rounding
        // of the vertices in a difference of a few ten-thousandths would
        // put the height a hundredth and more off the edge's own.
        f64 s = std::fabs(ed.e[0]) < std::fabs(ed.e[1]) ? (q[1] - a[1]) / (f64(b[1]) - a[1])
                                                        : (q[0] - a[0]) / (f64(b[0]) - a[0]);
        if (s < -tol || s > 1.0 + tol) continue;
        contact[0] = static_cast<f32>(q[0] - sd[k] * ed.e[1] + P[0]);
        contact[1] = static_cast<f32>(q[1] + sd[k] * ed.e[0] + P[1]);
        contact[2] = static_cast<f32>(a[2] + s * (f64(b[2]) - a[2]));
        point[2] = contact[2] + (n[2] - 1.0f) * r;
        status = 3;
        on_edge = true;
    }
    if (!on_edge) {
        i32 side = 0;
        bool agree = true;
        i32 within = 0;
        for (i32 k = 0; k < 3; ++k) {
            if (std::fabs(sd[k]) <= tol) {
                ++within;
                continue;
            }
            i32 sg = sd[k] < 0.0f ? -1 : 1;
            if (side == 0) side = sg;
            else if (sg != side) agree = false;
        }
        if (agree) {
            contact[0] = static_cast<f32>(q[0] + P[0]);
            contact[1] = static_cast<f32>(q[1] + P[1]);
            if (within == 3)
                contact[2] = std::fmax(v[0][2], std::fmax(v[1][2], v[2][2]));
            else
                // The plane through the first vertex: its constant
                // in single precision, divided by a small n.z on a
                // steep face, would cost digits.
                contact[2] = static_cast<f32>(
                    v[0][2] - (f64(n[0]) * (q[0] - v[0][0]) + f64(n[1]) * (q[1] - v[0][1])) / n[2]);
            point[2] = contact[2] + (n[2] - 1.0f) * r;
            status = 0;
        }
    }
}

// The distance of the nearest edge the tool reaches (status 4 or 5), 0 when
// the axis stands outside the triangle.
void PlnSolve::nearest_edge()
{
    if (axis_out == 0) {
        edge_distance = 0.0f;
        status = 5;
    } else {
        for (i32 k = 0; k < 3; ++k) {
            if (edge_status[k] < 0 || !(std::fabs(edges[k].c) < R)) continue;
            f64 dd = edges[k].c;
            f32 ax = 0;
            i32 st;
            PLENRP(v[k], v[(k + 1) % 3], edges[k], R, dd, ax, st);
            if (st < 0) continue;
            if (edge_distance < 0.0f || dd < edge_distance) {
                edge_distance = static_cast<f32>(dd);
                aux = ax;
            }
        }
        if (edge_distance > 0.0f) status = status == 0 ? 5 : 4;
    }
    if (upper) point[2] -= static_cast<f32>(lower);
}

// The edge road: the highest contact of the end (the lower model for a
// tapered tool) with an edge the tool reaches.
void PlnSolve::edge_road()
{
    // Edge road: the lower model for a tapered tool.
    if (upper) {
        R = static_cast<f32>(CGRFLT) + rr[1];
        r = rr[1];
        shape = kind - 10;
        if (shape == 1) r = R;
        upper = false;
    }
    status = -1;
    f32 best = -100000.0f, best_d = 0.0f;
    // A mend of the edge road's reach: a margin of a ten-thousandth
    // beyond the rim let an edge the tool does not reach lift it
    // to that edge's height (a whole wall's height, for a wall just
    // outside the rim); the margin now only admits an edge whose
    // distance reads beyond the rim by rounding.
    f32 reach = (taper ? static_cast<f32>(CGRTOP) : R) + EDGTOL + (retry ? RETRY_REACH : 0.0f);
    i32 last_sound = -1;
    for (i32 k = 0; k < 3; ++k) {
        if (edge_status[k] < 0) continue;
        last_sound = k;
        if (!(std::fabs(edges[k].c) <= reach)) continue;
        const f32* a = v[k];
        const f32* b = v[(k + 1) % 3];
        f64 dd = edges[k].c;
        f32 zz = -1.0e10f, ax = -1.0e10f, cc[3];
        i32 st = -1;
        i32 use = shape;  // shape routine of the lower model
        bool top = false;
        if (taper) {
            f32 z2 = 0;
            i32 cs = 0;
            f32 rad = static_cast<f32>(CGRTOP);
            CONSEG(a, b, rad, cc, zz, z2, cs);
            if (cs == 10) {
                top = true;
            } else if (cs != -10) {
                st = 1;
                use = 0;
            }
        }
        if (use != 0) {
            f32 Rm = R, rm = r;
            i32 sh = use;
            if (top) {
                Rm = static_cast<f32>(CGRTOP);
                rm = static_cast<f32>(CGALLW);
                sh = eqval0(rm) ? 2 : 3;
            }
            if (sh == 1)
                PLEBAL(a, b, edges[k], Rm, dd, cc, zz, ax, st);
            else if (sh == 2)
                PLEFLT(a, b, edges[k], Rm, dd, cc, zz, ax, st);
            else
                PLETOR(a, b, edges[k], Rm, rm, dd, cc, zz, ax, st);
            // The rim's height is lowered to the tool's tip; the contact
            // stays the point of the edge that the rim touches (lowered
            // with the height it would leave the edge).
            if (top && st >= 0) zz -= static_cast<f32>(rimlow());
        }
        if (st < 0) continue;
        // The border road breaks a tie by the contact's distance from
        // the axis, not the edge's.
        const f32 dk = DRPBRD ? static_cast<f32>(std::hypot(f64(cc[0]), f64(cc[1])))
                              : static_cast<f32>(std::fabs(dd));
        if (zz > best || (eqval(zz, best) && dk < best_d)) {
            best = zz;
            best_d = dk;
            status = st == 0 ? 3 : 4;
            contact[0] = cc[0] + P[0];
            contact[1] = cc[1] + P[1];
            contact[2] = cc[2];
            if (vertical) edge_distance = static_cast<f32>(dd);
        }
        if (st == 2 && !vertical && (edge_distance < 0.0f || dd < edge_distance)) {
            edge_distance = static_cast<f32>(dd);
            aux = ax;
        }
    }
    if (axis_out == 0) edge_distance = 0.0f;
    if (status == 3 && edge_distance > -1.0f) status = 4;
    if (status >= 0) point[2] = best;
    if (status < 0 && last_sound >= 0 && std::fabs(edges[last_sound].c) == R) status = 2;
}

}  // namespace

void PLNSOL(const i32& orientation, f32* point, const f32* rr, const i32& kind, const i32& flag, const f32* verts,
            PlnEdge* edges, const i32* edge_status, const f32* nd, f32* contact, const i32& retry,
            f32& edge_distance, f32& aux, i32& status)
{
    PlnSolve s{orientation, point, rr, kind, flag, verts, edges, edge_status, nd, contact, retry, edge_distance, aux,
               status};
    s.taper = kind > 10;
    bool h2 = orientation == 2 || orientation == -2;
    for (;;) {
        s.end_model();
        const bool degenerate = edge_status[0] < 0 || edge_status[1] < 0 || edge_status[2] < 0;
        s.vertical = std::fabs(s.n[2]) < VERTICAL_NZ;
        s.axis_out = 1;
        bool face_done = false;
        if (!degenerate && !s.vertical) {
            PLNAXI(flag, edges, s.axis_out);
            if (!h2) {
                s.face_contact();
                if (status >= 0) {
                    face_done = true;
                    s.nearest_edge();
                }
            }
        }
        if (!face_done) s.edge_road();
        if (status == -1 && retry && h2) {
            h2 = false;
            continue;
        }
        return;
    }
}

void pln_edges(const f32* verts, PlnEdge* edges, i32* est)
{
    for (i32 k = 0; k < 3; ++k) {
        const f32* a = verts + 3 * k;
        const f32* b = verts + 3 * ((k + 1) % 3);
        f32 dv[2] = {b[0] - a[0], b[1] - a[1]}, len = 0;
        v2nrms(dv, len, est[k]);
        // The unit direction again in double precision; one that the
        // normalisation put onto an axis stays there exactly.
        f64 dx = f64(b[0]) - a[0], dy = f64(b[1]) - a[1], l = std::sqrt(dx * dx + dy * dy);
        const bool fine = est[k] == 0 && dv[0] != 0.0f && dv[1] != 0.0f;
        edges[k].e[0] = fine ? dx / l : dv[0];
        edges[k].e[1] = fine ? dy / l : dv[1];
        edges[k].len = len;
    }
}

namespace {

// The edges of the triangles met lately, by their nine vertex values. A drop
// examines hundreds of triangles and the next point along the pass most of
// the same ones again: nine in ten edge sets come from here at fine
// tolerances. The edges are a function of the vertex values alone, which are
// compared bit for bit, so a memo answers exactly what pln_edges would.
struct EdgeMemo {
    static constexpr i32 SLOTS = 4096;  // a power of two
    struct Slot {
        bool used = false;
        f32 key[9];
        f64 e[3][2];
        f32 len[3];
        i32 est[3];
    };
    Slot slot[SLOTS];

    void edges(const f32* verts, PlnEdge* out, i32* est)
    {
        std::uint32_t w[9];
        std::memcpy(w, verts, sizeof w);
        const std::uint32_t h = (w[0] * 0x9E3779B1u) ^ (w[1] * 0x85EBCA77u) ^ (w[3] * 0xC2B2AE3Du) ^
                                (w[4] * 0x27D4EB2Fu) ^ (w[6] * 0x165667B1u) ^ (w[7] * 0xD3A2646Cu);
        Slot& s = slot[(h >> 16) & (SLOTS - 1)];
        if (!s.used || std::memcmp(s.key, verts, sizeof s.key) != 0) {
            PlnEdge fresh[3];
            pln_edges(verts, fresh, s.est);
            std::memcpy(s.key, verts, sizeof s.key);
            for (i32 k = 0; k < 3; ++k)
                s.e[k][0] = fresh[k].e[0], s.e[k][1] = fresh[k].e[1], s.len[k] = static_cast<f32>(fresh[k].len);
            s.used = true;
        }
        for (i32 k = 0; k < 3; ++k) {
            out[k].e[0] = s.e[k][0];
            out[k].e[1] = s.e[k][1];
            out[k].len = s.len[k];
            est[k] = s.est[k];
        }
    }
};

EdgeMemo edge_memo;

}  // namespace

void PLNCNT(const f32* u1, const f32* u2, const f32* u3, const i32* entry, f32* point, const i32& kind,
            const i32& flag, const i32& retry, const f32& tolerance, const f32& d, const f32& r, f32& z_out,
            f32* contact, f32& edge_distance, f32& aux, i32& status)
{
    f32 verts[9];
    const f32* u[3] = {u1, u2, u3};
    for (i32 k = 0; k < 3; ++k)
        for (i32 j = 0; j < 3; ++j) verts[3 * k + j] = u[k][j];
    const f32 rr[2] = {d * 0.5f, r};
    aux = -1.0e10f;
    status = 0;
    if (DRPKRN) {
        // The cylindrical contact kernel: the tool lowered from above along
        // a direction a hair off the vertical.
        f64 tri[9], pos[3], con[3];
        for (i32 k = 0; k < 9; ++k) tri[k] = verts[k];
        const f64 from[3] = {point[0], point[1], 100.0}, dir[3] = {0.0001, 0.0, -0.999999995};
        const f64 radius = d * 0.5, corner = r;
        f64 travel = 10000.0;
        TRICNB(tri, from, radius, corner, dir, travel, con, pos, status);
        if (travel < 0.0) status = -1;
        if (status < 0) return;
        // Nothing, or a degenerate triangle: no contact, nothing written.
        if (status != 0) {
            status = 1;
            return;
        }
        z_out = static_cast<f32>(pos[2]);
        point[2] = z_out;
        for (i32 k = 0; k < 3; ++k) contact[k] = static_cast<f32>(con[k]);
        aux = 0.0f;
        edge_distance = 0.0f;
        return;
    }
    PlnEdge edges[3];
    i32 est[3];
    edge_memo.edges(verts, edges, est);
    const f32 nd[4] = {wrd2r(entry[TRG_NRM]), wrd2r(entry[TRG_NRM + 1]), wrd2r(entry[TRG_NRM + 2]),
                       wrd2r(entry[TRG_PLANE])};
    PLNSOL(trgori(entry), point, rr, kind, flag, verts, edges, est, nd, contact, retry, edge_distance, aux, status);
    if (status < 0) {
        status = 1;
        z_out = 0.0f;
        edge_distance = 0.0f;
        return;
    }
    z_out = point[2];
    if (DRPEDS || edge_distance < 0.0f) {
        edge_distance = dist_xy(point, contact);
        if (status == 3) status = 4;
        else if (status == 0) status = 5;
    }
}
