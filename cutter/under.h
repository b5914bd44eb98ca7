// Triangles under the tool: the working lists of the gathering, the
// gathering for a point and for a straight move (cutter/under.cpp), and the
// contact choice (cutter/locsel.cpp).
#pragma once

#include <cmath>

#include "core/host.h"
#include "surfaces/qtcell.h"
#include "core/words.h"
#include "surfaces/trimodel.h"
#include "cutter/congeo.h"

// List entry: the triangle's quadtree node (-1: a turned copy in ELMCPY),
// its index in that node's array (or in ELMCPY), its key (f32) and the
// highest Z of its vertices (f32, in the tool's frame in tool-axis mode).
// The triangle is named by node and index, not by its address: an address
// does not fit a 32-bit word on every host, and node and index stay right
// when a node's array moves as it grows, or the copies' array with it, so
// no entry needs pointing again after a growth. For that the rows of the
// cells gathered (ELMCLS) carry their node's number after the node's row.
// The top beside the key spares the drop a reading of the three vertices.
// A ball's key that cannot raise the gathering's best is estimated only
// when asked (elm_keys): nothing in the drop reads it, and the estimate is
// most of a listed entry's cost.
// The gathering's lists are not handed to the routines below as arguments
// (nor LOCSEL's two arguments that are passed and never read): they are
// the module's own cells, which every caller would hand in.
constexpr i32 ELM_WORDS = 4;
constexpr i32 ELM_NODE = 0, ELM_INDEX = 1, ELM_KEY = 2, ELM_TOP = 3;
constexpr i32 ELM_STEP = 500;  // the lists grow 500 entries at a time

extern i32 ELMLST[2];  // handle and check word of the list
extern i32 ELMIDX[2];  // handle and check word of the index array
extern i32 ELMCPY[2];  // handle and check word of the turned copies (tool-axis mode)
extern i32 ELMCAP;     // capacity of the arrays, in entries; 0 while closed
extern i32 ELMNCL;     // rows in ELMCLS
// Switch of the sort of a gathering's index array by key, highest first
// (keys within 1e-4 of each other equal, in list order): 0 at load and set
// by no routine, so the lists keep the cells' order.
extern i32 ELMSRT;
// Sorts the index array's first count entries so.
void elm_sort(i32 count);
extern i32 ELMCLS[QT_NODES * QC_ROW];  // the quadtree rows under the tool

// Closes the working lists (with the triangle model).
void ELMREL(i32& status);

// Beside the list of the last gathering at a point, by list position (the
// index array is the identity there): each entry's top, surface record and
// class pass (1 for the drop's first pass, 2 for its second, of classes 2
// and 3); the position of the last winner LOCLST (-1 when not listed);
// quick is false when class-5 triangles were listed.
struct ElmSide {
    const f32* top;
    const i32* srf;
    const unsigned char* pass;
    i32 last;
    bool quick;
};
// False when the last gathering was not at a point, did not list count
// entries, or the last winner has changed since.
bool elm_side(i32 count, ElmSide& side);

// The 13 words of a list entry's triangle: in its node's array or a copy.
const i32* elmtrg(const i32* entry);

// The same for entries walked in list order: entries come in runs of one
// node, so the node's array address is fetched once a run.
struct ElmRun {
    i32 node = -1;
    const i32* base = nullptr;
    const i32* triangle(const i32* entry)
    {
        if (entry[ELM_NODE] < 0) return elmtrg(entry);
        if (entry[ELM_NODE] != node) {
            node = entry[ELM_NODE];
            base = qtnbas(node);
        }
        return base ? base + static_cast<size_t>(entry[ELM_INDEX]) * TRG_WORDS : nullptr;
    }
};

// Reach radius of the current tool over the quadtree, with the larger
// allowance (the gathering's LOCRCH).
f64 elm_reach();
// True when the point's XY and the reach around it fit the integer grid:
// the test made before any point or tool goes into the grid's words.
bool elm_fits(const f32* point, const f64& reach);
// Refuses, with a message and status -1, the current tool when its reach
// with the allowances passes the model's coordinate limit: a tool the grid
// cannot hold. A tool that is not a milling tool passes (its positioning
// says so itself).
void ELMTOL(const f32& allowance_a, const f32& allowance_b, i32& status);

// Triangles under the tool at a point (see the gathering's description in
// under.cpp). ixy: the point in thousandths, truncated. Status -1 when the
// point leaves the grid or the model's arrays are released.
void elm2nd(const i32& mode, f32* point, i32* ixy, const f32& radius, i32& capacity, i32& count, i32& best,
            f32& best_z, i32& part_seen, i32& check_seen, i32& other_seen, i32& status);
// Height estimate of a tool of kind `code` over a triangle's box: kind 1
// farthest box corner, 2 nearest box point (status 1: out of reach). pxy is
// the point in thousandths as they are, not truncated to whole ones: from a
// truncated point a box distance could come out up to a thousandth and a
// half off, the nearest one too long (the drop's bound then too low, and a
// triangle the tool touches passed over) or the farthest one too short.
void TRGEST(const f64* pxy, const i32* box, const f32& zmax, const i32& kind, const f32& R, const f32& rc,
            const i32& code, f32& estimate, i32& status);
// The gaps from pxy to the box along x and y (thousandths; 0 within its
// range).
[[gnu::always_inline]] inline void box_gaps(const f64* pxy, const i32* box, f64& gx, f64& gy)
{
    gx = pxy[0] < box[0] ? box[0] - pxy[0] : (pxy[0] > box[2] ? pxy[0] - box[2] : 0.0);
    gy = pxy[1] < box[1] ? box[1] - pxy[1] : (pxy[1] > box[3] ? pxy[1] - box[3] : 0.0);
}
// The extent from p to the farther end of [lo, hi].
[[gnu::always_inline]] inline f64 far_extent(f64 p, i32 lo, i32 hi)
{
    if (p < lo) return hi - p;
    if (p > hi) return p - lo;
    return maxd(p - lo, hi - p);
}
// pxy lies in the box.
[[gnu::always_inline]] inline bool box_holds(const f64* pxy, const i32* box)
{
    return pxy[0] >= box[0] && pxy[0] <= box[2] && pxy[1] >= box[1] && pxy[1] <= box[3];
}

// The two box distances of BOXNEA and BOXFAR, expanded where the height
// estimate uses them.
[[gnu::always_inline]] inline void box_near(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result)
{
    f64 gx, gy;
    box_gaps(pxy, box, gx, gy);
    d = static_cast<f32>(std::sqrt(gx * gx + gy * gy) * 0.001);
    result = 0;
    // The host's tolerant test only runs beyond R.
    if (d > R && gtval(d, R)) {
        d = R;
        result = 1;
    }
}

// Distance d from pxy to the box's farthest corner (both in thousandths; d in model units), 0 with pxy inside, at
// most R; result 0.
[[gnu::always_inline]] inline void box_far(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result)
{
    result = 0;
    if (box_holds(pxy, box)) {
        d = 0.0f;
        return;
    }
    f64 fx = far_extent(pxy[0], box[0], box[2]), fy = far_extent(pxy[1], box[1], box[3]);
    if (fx > 1000.0 * R || fy > 1000.0 * R) {
        d = R;
        return;
    }
    d = static_cast<f32>(std::sqrt(fx * fx + fy * fy) * 0.001);
    if (d > R && gtval(d, R)) d = R;
}

// The height estimate of TRGEST, for the callers of the drop's inner loops.
[[gnu::always_inline]] inline void trgest(const f64* pxy, const i32* box, const f32& zmax, const i32& kind,
                                          const f32& R, const f32& rc, const i32& code, f32& estimate, i32& status)
{
    i32 c = code > 9 ? 2 : code;
    status = 0;
    f32 d = 0;
    i32 res = 0;
    if (kind == 2) {
        box_near(pxy, box, R, d, res);
        if (res == 1) {
            status = 1;
            return;
        }
    } else if (c != 2) {
        // flat and tapered tools take the top itself: no distance needed
        box_far(pxy, box, R, d, res);
    }
    f64 r2 = f64(rc) * rc;
    switch (c) {
    case 2: estimate = zmax; break;
    case 1: estimate = static_cast<f32>(zmax - (rc - std::sqrt(std::fabs(r2 - f64(d) * d)))); break;
    case 3: {
        f64 w = f64(R) - rc, dw = d - w;
        estimate = dw < 0.0001 ? zmax : static_cast<f32>(zmax - (rc - std::sqrt(std::fabs(r2 - dw * dw))));
        break;
    }
    default: estimate = static_cast<f32>(zmax - (rc - std::sqrt(std::fabs(r2)))); break;
    }
}

// A bound Y, found without roots, that the nearest-box estimate of a ball
// (trgest kind 2, code 1: top - (rc - sqrt(rc^2 - d^2)), d the box's
// nearest distance) never exceeds; false when it cannot be had so (rc not
// positive, or the box's nearest point perhaps as far as rc), and the
// estimate then needs its roots. For a = rc^2 - d^2 >= 0 the mean of a / rc
// and rc is at least their geometric mean, the root: so the estimate is at
// most top - d^2 / (2 rc). d^2 is taken a millionth short, far more than
// its roundings and those of the factor below, and the bound raised by far
// more than the roundings of the estimate's own steps; rounded to single
// precision as the estimate is (a step that keeps order), Y stays at or
// above it. The factors of the ball's corner radius are worked out once.
struct BallCap {
    f64 rr = -1.0;  // rc^2 less its margin; negative: no bound
    f64 k = 0.0;    // (1 - 1e-6) / (2 rc)
    f64 r = 0.0;    // rc, for the raise
};
// The factors of the bound for a ball of corner radius rc (none unless rc
// is a positive number).
inline BallCap ball_cap(f32 rc)
{
    BallCap c;
    if (!(rc > 0.0f) || !std::isfinite(rc)) return c;
    c.r = rc;
    c.rr = c.r * c.r / (1.0 + 1.0e-5);
    c.k = (1.0 - 1.0e-6) / (2.0 * c.r);
    return c;
}
// The bound for a triangle's top at the squared distance d2 (model units)
// from the point, into Y: false when d2 lies beyond the cap or the bound is
// no number.
[[gnu::always_inline]] inline bool cap_at(f64 d2, f32 top, const BallCap& c, f32& Y)
{
    if (!(d2 <= c.rr)) return false;
    const f64 u = f64(top) - d2 * c.k + (std::fabs(f64(top)) + c.r) * 1.0e-12;
    if (!(std::fabs(u) < 1.0e30)) return false;
    Y = static_cast<f32>(u);
    return true;
}
// The bound at the box's nearest point, for a triangle's top: into Y.
[[gnu::always_inline]] inline bool ball_near_cap(const f64* pxy, const i32* box, f32 top, const BallCap& c, f32& Y)
{
    f64 gx, gy;
    box_gaps(pxy, box, gx, gy);
    return cap_at((gx * gx + gy * gy) * 1.0e-6, top, c, Y);
}

// The same bound for the ball's estimate at the box's farthest corner
// (trgest kind 1, code 1) for a tool of reach R: false besides when pxy
// lies in the box, or that corner perhaps lies as far as R (where the
// estimate takes R for the distance) or as rc.
[[gnu::always_inline]] inline bool ball_far_cap(const f64* pxy, const i32* box, f32 top, f32 R, const BallCap& c,
                                                f32& Y)
{
    if (box_holds(pxy, box)) return false;
    const f64 fx = far_extent(pxy[0], box[0], box[2]), fy = far_extent(pxy[1], box[1], box[3]);
    const f64 d2 = (fx * fx + fy * fy) * 1.0e-6;
    if (!(d2 * (1.0 + 1.0e-5) <= f64(R) * R)) return false;
    return cap_at(d2, top, c, Y);
}

// Writes the keys the last point gathering left to be estimated when
// asked (a ball's entries whose estimate could not raise the best; until
// then each holds its top plus allowance): to be called before the keys are
// read. The sort calls it; a later gathering or the lists' release forgets
// them.
void elm_keys();

// box_near as a routine: distance from pxy to the nearest point of the box; result 1 beyond R (d = R).
void BOXNEA(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result);
// box_far as a routine.
void BOXFAR(const f64* pxy, const i32* box, const f32& R, f32& d, i32& result);
// TRGRCH expanded where the gathering's inner loop calls it.
[[gnu::always_inline]] inline void trg_reach(const f32* point, const f32& R, const f32* verts, const i32& r_zero,
                                             f32* edges, const i32* edge_status, i32& result)
{
    // The offsets from the point and the distances from the edges' lines are
    // taken in double: in single precision a coordinate of a thousand units
    // carries a rounding of about 6e-5, the size of the 0.0001 band that
    // tells a point on an edge's line, and the side found for such a point
    // would follow the rounding.
    f64 w[3][2], g[3];
    for (i32 k = 0; k < 3; ++k) {
        w[k][0] = f64(verts[3 * k]) - point[0];
        w[k][1] = f64(verts[3 * k + 1]) - point[1];
        g[k] = edges[3 * k] * w[k][1] - edges[3 * k + 1] * w[k][0];
        edges[3 * k + 2] = static_cast<f32>(g[k]);  // kept with its edge for the caller
    }
    const f64 eps = r_zero ? 0.004 : 0.0001;
    result = 0;
    i32 side = 0;
    bool outside = false;
    for (i32 k = 0; k < 3; ++k) {
        f64& gk = g[k];
        // A needle's distance within the margin takes the next edge's side
        // and keeps it: the third edge's next is the first, as it stands by
        // then, so a point within the margin of the first vertex lies on the
        // side of the edge across from it.
        if (std::fabs(gk) <= eps) {
            if (!r_zero) return;
            gk = g[(k + 1) % 3] < 0.0 ? -std::fabs(gk) : std::fabs(gk);
        }
        i32 s = gk < 0.0 ? -1 : 1;
        if (side == 0)
            side = s;
        else if (s != side) {
            outside = true;
            break;
        }
    }
    if (!outside) return;
    f64 m = std::fmin(std::fabs(g[0]), std::fmin(std::fabs(g[1]), std::fabs(g[2])));
    if (R < m) {
        result = 1;
        return;
    }
    i32 missed = 0;
    for (i32 k = 0; k < 3; ++k) {
        f64 gk = std::fabs(g[k]);
        if (R <= gk || edge_status[k] != 0) {
            ++missed;
            continue;
        }
        f64 s = std::sqrt(f64(R) * R - gk * gk);
        const f32* u = edges + 3 * k;
        f64 t1 = w[k][0] * u[0] + w[k][1] * u[1];
        f64 t2 = w[(k + 1) % 3][0] * u[0] + w[(k + 1) % 3][1] * u[1];
        if (s < t1 || t2 < -s) ++missed;
    }
    if (missed == 3) result = 1;
}

// True when the tool of radius R at pxy (thousandths) surely reaches a
// triangle its box (thousandths) holds: the box lies within the circle
// with a ten-thousandth of R to spare, so every vertex is nearer than R,
// and the box is at least 3 thousandths wide or high, so the edge between
// its outermost vertices is sound. trg_reach then answers 0: a sound
// edge's line passes nearer than R and both its ends lie on the chord
// the circle cuts from it, margins far beyond any rounding of the edges'
// unit vectors. Not for a nil reach (r_zero), whose answer follows the
// edges' side bands.
[[gnu::always_inline]] inline bool trg_within(const f64* pxy, const i32* box, f32 R, i32 r_zero)
{
    if (r_zero || !(R > 0.0f)) return false;
    if (f64(box[2]) - box[0] < 3.0 && f64(box[3]) - box[1] < 3.0) return false;
    const f64 fx = far_extent(pxy[0], box[0], box[2]), fy = far_extent(pxy[1], box[1], box[3]);
    const f64 r = f64(R) * 999.9;
    return fx * fx + fy * fy <= r * r;
}

// result 1 where the tool of radius R at point's XY reaches neither the triangle (verts, unit edges) nor any sound
// edge, else 0; r_zero widens the margin.
// Each edge's third word receives the point's signed distance from its line.
void TRGRCH(const f32* point, const f32& R, const f32* verts, const i32& r_zero, f32* edges,
            const i32* edge_status, i32& result);
// The 13 words of list entry index[k - 1].
void TRGGET(const i32& k, i32* entry);
// Element addresses of the working lists (null while closed).
i32* elmlst();
// Element address of the index array ELMIDX (null while closed).
i32* elmidx();
// Contact choice among a drop's contacts.
void LOCSEL(const f32& tol, const f32* point, f32& z, f32* normal, f32* contact, i32& surface,
            const i32& surface_ref, const i32& n, const f32* cz, const i32* ckind, const i32* ctri, const f32* cpt,
            i32& higher, i32& status);
// Triangles under a straight move from a to b that reach above z_ref (their
// top plus their allowance); mode 0 gathers the cells, any other reuses them.
// Status -1 when the move leaves the grid or the model's arrays are released.
void elm2n2(const i32& mode, const f32* a, const f32* b, const f32& z_ref, i32& capacity, i32& count,
            i32& part_seen, i32& check_seen, i32& other_seen, i32& status);
