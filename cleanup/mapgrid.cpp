// The surface map grid: cells and triangles, points mapped and projected,
// walks across the triangles.
#include "cleanup/mapgrid.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/host.h"
#include "pocket/pkmath.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"
#include "cleanup/mapcell.h"
#include "surfaces/srfbuf.h"

MapGrid map_grid;
i32 grid_mode = 1;
i32 grid_debug = 0;

void set_grid_mode(const i32& value) { grid_mode = value; }

void map_grid_set(i32 nx, i32 ny, f64 x0, f64 y0, f64 cell, const f32* heights)
{
    map_grid.nx = nx;
    map_grid.ny = ny;
    map_grid.x0 = x0;
    map_grid.y0 = y0;
    map_grid.cell = cell;
    map_grid.h.assign(heights, heights + static_cast<size_t>(nx > 0 && ny > 0 ? nx * ny : 0));
}

void map_grid_clear()
{
    map_grid = MapGrid{};
}

bool grid_usable(i32& status)
{
    const MapGrid& g = map_grid;
    if (g.cell > 0.0 && std::isfinite(g.cell) && g.nx >= 2 && g.ny >= 2 &&
        g.h.size() >= static_cast<size_t>(g.nx) * static_cast<size_t>(g.ny))
        return true;
    // An unfilled grid maps no point: every operation fails as the index
    // search does for a point outside the grid.
    eroutc("[get_grid_index] UNABLE TO MAP POINT", 0);
    status = -1;
    return false;
}

namespace mapcell {

f64 node_height(i32 i, i32 j)
{
    const f32 v = map_grid.h[static_cast<size_t>(j) * static_cast<size_t>(map_grid.nx) + static_cast<size_t>(i)];
    return v > -1.0e7f && v < 1.0e7f ? static_cast<f64>(v) : -1.0e-9;
}

bool cell_valid(i32 i, i32 j) { return i >= 0 && j >= 0 && i <= map_grid.nx - 2 && j <= map_grid.ny - 2; }

void make_cell(i32 i, i32 j, Cell& c)
{
    const f64 s = map_grid.cell;
    c.i = i;
    c.j = j;
    c.ox = map_grid.x0 + i * s;
    c.oy = map_grid.y0 + j * s;
    c.h[0] = node_height(i, j);
    c.h[1] = node_height(i + 1, j);
    c.h[2] = node_height(i + 1, j + 1);
    c.h[3] = node_height(i, j + 1);
    // slopes: triangle 0 from corners 0-1 and 1-2, triangle 3 from 3-2 and 0-3
    c.sx[0] = (c.h[1] - c.h[0]) / s;
    c.sy[0] = (c.h[2] - c.h[1]) / s;
    c.sx[1] = (c.h[2] - c.h[3]) / s;
    c.sy[1] = (c.h[3] - c.h[0]) / s;
}

f64 plane_z(const Cell& c, i32 t, f64 x, f64 y)
{
    const i32 k = t == 0 ? 0 : 1;
    return c.h[0] + c.sx[k] * (x - c.ox) + c.sy[k] * (y - c.oy);
}

void normal(const Cell& c, i32 t, f64* n)
{
    const i32 k = t == 0 ? 0 : 1;
    n[0] = -c.sx[k];
    n[1] = -c.sy[k];
    n[2] = 1.0;
    f64 l = 0.0;
    pk_unit3(n, l);
}

void corners(const Cell& c, i32 t, f64 (*v)[3])
{
    const f64 s = map_grid.cell;
    const f64 x[4] = {c.ox, c.ox + s, c.ox + s, c.ox}, y[4] = {c.oy, c.oy, c.oy + s, c.oy + s};
    const i32 idx[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (i32 k = 0; k < 3; ++k) {
        const i32 m = idx[t == 0 ? 0 : 1][k];
        v[k][0] = x[m];
        v[k][1] = y[m];
        v[k][2] = c.h[m];
    }
}

void limits(const Cell& c, i32 t, f64 x, f64 y, f64* g)
{
    const f64 s = map_grid.cell, u = x - c.ox, v = y - c.oy;
    if (t == 0) {
        g[0] = v;      // above the bottom edge
        g[1] = s - u;  // left of the right edge
        g[2] = u - v;  // below the diagonal
    } else {
        g[0] = u;
        g[1] = s - v;
        g[2] = v - u;
    }
}

bool holds(const Cell& c, i32 t, f64 x, f64 y, f64 tol)
{
    f64 g[3];
    limits(c, t, x, y, g);
    return g[0] >= -tol && g[1] >= -tol && g[2] >= -tol;
}

f64 exit_length(const Cell& c, i32 t, f64 x, f64 y, const f64* w)
{
    f64 g[3], gw[3];
    limits(c, t, x, y, g);
    if (t == 0) {
        gw[0] = w[1];
        gw[1] = -w[0];
        gw[2] = w[0] - w[1];
    } else {
        gw[0] = w[0];
        gw[1] = -w[1];
        gw[2] = w[1] - w[0];
    }
    f64 s = 1.0e30;
    for (i32 k = 0; k < 3; ++k)
        if (gw[k] < -1.0e-14) s = std::min(s, std::max(g[k], 0.0) / -gw[k]);
    return s >= 1.0e30 ? 0.0 : s;
}

void closest_on_triangle(const f64 (*v)[3], const f64* p, f64* q)
{
    // regions of the triangle's vertices, edges and face in turn
    f64 ab[3], ac[3], ap[3];
    for (i32 k = 0; k < 3; ++k) {
        ab[k] = v[1][k] - v[0][k];
        ac[k] = v[2][k] - v[0][k];
        ap[k] = p[k] - v[0][k];
    }
    auto dot = [](const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    auto set = [&](f64 a, f64 b) {
        for (i32 k = 0; k < 3; ++k) q[k] = v[0][k] + a * ab[k] + b * ac[k];
    };
    const f64 d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return set(0.0, 0.0);
    f64 bp[3], cp[3];
    for (i32 k = 0; k < 3; ++k) {
        bp[k] = p[k] - v[1][k];
        cp[k] = p[k] - v[2][k];
    }
    const f64 d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return set(1.0, 0.0);
    const f64 vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) return set(d1 / (d1 - d3), 0.0);
    const f64 d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return set(0.0, 1.0);
    const f64 vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) return set(0.0, d2 / (d2 - d6));
    const f64 va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0) {
        const f64 w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        return set(1.0 - w, w);
    }
    const f64 den = 1.0 / (va + vb + vc);
    set(vb * den, vc * den);
}

}  // namespace mapcell

using namespace mapcell;

void get_grid_index(const f64* p, i32& i, i32& j, i32& status)
{
    status = 0;
    i = j = -1;
    if (!grid_usable(status)) return;
    const f64 u = (p[0] - map_grid.x0) / map_grid.cell, v = (p[1] - map_grid.y0) / map_grid.cell;
    // floor, not truncation: a point less than a cell left of or below the
    // origin lies outside the grid. No node carries a height there, so
    // taking it as cell 0 would give it a height and a walk room on a
    // surface that cell 0's triangles only extrapolate.
    if (u >= 0.0 && v >= 0.0 && u < map_grid.nx - 1 && v < map_grid.ny - 1) {
        i = static_cast<i32>(std::floor(u));
        j = static_cast<i32>(std::floor(v));
        if (cell_valid(i, j)) return;
    }
    eroutc("[get_grid_index] UNABLE TO MAP POINT", 0);
    status = -1;
}

void grid_height(const f64* p, f64& z, f64* n, i32& i, i32& j, i32& tri, i32& status)
{
    get_grid_index(p, i, j, status);
    if (status != 0) return;
    Cell c;
    make_cell(i, j, c);
    tri = p[0] - c.ox >= p[1] - c.oy ? 0 : 3;
    z = plane_z(c, tri, p[0], p[1]);
    if (n) normal(c, tri, n);
}

namespace {

// The triangle of a valid cell (i, j) nearest to p: its number, the foot of
// p on it and the distance.
void nearest_triangle(i32 i, i32 j, const f64* p, i32& tri, f64& distance, f64* foot)
{
    tri = 0;
    distance = 1.0e10;
    Cell c;
    make_cell(i, j, c);
    for (i32 t : {0, 3}) {
        f64 v[3][3], q[3];
        corners(c, t, v);
        closest_on_triangle(v, p, q);
        const f64 d = std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                                (q[2] - p[2]) * (q[2] - p[2]));
        if (d < distance) {
            distance = d;
            tri = t;
            for (i32 k = 0; k < 3; ++k) foot[k] = q[k];
        }
    }
}

// The nearest point of the triangles of cell (i, j) to p, when nearer than
// `best`.
void nearest_in_cell(i32 i, i32 j, const f64* p, f64* bestp, f64& best, i32& bi, i32& bj, i32& bt)
{
    if (!cell_valid(i, j)) return;  // a ring reaching past the grid's edge
    if (grid_debug & 4) {
        grid_draw_cell(i, j, 0, 5);
        grid_draw_cell(i, j, 3, 5);
    }
    i32 t = 0;
    f64 d = 0.0, q[3];
    nearest_triangle(i, j, p, t, d, q);
    if (!(d < best)) return;
    best = d;
    bi = i;
    bj = j;
    bt = t;
    for (i32 k = 0; k < 3; ++k) bestp[k] = q[k];
}

// Whether the grid has cells and (i, j) is one of them; status -1 if not.
bool cell_usable(i32 i, i32 j, i32& status)
{
    status = 0;
    if (!grid_usable(status)) return false;
    if (cell_valid(i, j)) return true;
    status = -1;
    return false;
}

}  // namespace

void grid_cell_walk(const f64* p, const i32& i, const i32& j, i32& tri, f64& distance, f64* foot, i32& status)
{
    tri = 0;
    distance = 1.0e10;
    if (!cell_usable(i, j, status)) return;
    nearest_triangle(i, j, p, tri, distance, foot);
}

void grid_cell_exit(const i32& i, const i32& j, const i32& tri, const f64* p, const f64* w, f64* exit, f64& length,
                    i32& status)
{
    length = 0.0;
    for (i32 k = 0; k < 3; ++k) exit[k] = p[k];
    if (!cell_usable(i, j, status)) return;
    if (tri != 0 && tri != 3) {
        status = -1;
        return;
    }
    Cell c;
    make_cell(i, j, c);
    const i32 t = tri;
    length = exit_length(c, t, p[0], p[1], w);
    exit[0] = p[0] + length * w[0];
    exit[1] = p[1] + length * w[1];
    exit[2] = plane_z(c, t, exit[0], exit[1]);
}

void grid_project_point(const i32& mode, f64* p, i32& i, i32& j, f64& distance, i32& status)
{
    distance = 1.0e10;
    get_grid_index(p, i, j, status);
    if (status != 0) return;
    if (mode == 2) {
        f64 z = 0.0;
        i32 t = 0;
        grid_height(p, z, nullptr, i, j, t, status);
        distance = std::fabs(z - p[2]);
        p[2] = z;
        return;
    }
    f64 best = 1.0e10, q[3] = {p[0], p[1], p[2]};
    i32 bi = i, bj = j, bt = 0;
    nearest_in_cell(i, j, p, q, best, bi, bj, bt);
    const i32 rings = mode == 3 ? 10 : 1;
    for (i32 r = 1; r <= rings && !(best < 1.0e-6); ++r)
        for (i32 a = -r; a <= r; ++a)
            for (i32 b = -r; b <= r; ++b)
                if (std::abs(a) == r || std::abs(b) == r) nearest_in_cell(i + a, j + b, p, q, best, bi, bj, bt);
    distance = best;
    if (best >= 1.0e7) {
        status = -1;
        return;
    }
    if (grid_debug & 4) grid_draw_cell(bi, bj, bt, 6);
    i = bi;
    j = bj;
    for (i32 k = 0; k < 3; ++k) p[k] = q[k];
}

namespace {

// One triangle a walk may go on with: its cell, number, normal, walking
// direction and the length to its border along that direction.
struct Step {
    Cell c;
    i32 t = -1;
    f64 n[3] = {0.0, 0.0, 1.0};
    f64 w[3] = {0.0, 0.0, 0.0};
    f64 len = 0.0;
    f64 dn = 0.0;
};

// The walking direction in triangle t of cell c for the steering direction
// d: d made tangent to the triangle, in mode 1 crossed with its normal.
bool walking_dir(const Cell& c, i32 t, i32 mode, const f64* d, Step& s)
{
    normal(c, t, s.n);
    s.dn = d[0] * s.n[0] + d[1] * s.n[1] + d[2] * s.n[2];
    f64 tg[3] = {d[0] - s.dn * s.n[0], d[1] - s.dn * s.n[1], d[2] - s.dn * s.n[2]}, l = 0.0;
    if (!pk_unit3(tg, l)) return false;
    if (mode == 1) {
        const f64 w[3] = {tg[1] * s.n[2] - tg[2] * s.n[1], tg[2] * s.n[0] - tg[0] * s.n[2],
                          tg[0] * s.n[1] - tg[1] * s.n[0]};
        for (i32 k = 0; k < 3; ++k) s.w[k] = w[k];
        return pk_unit3(s.w, l);
    }
    for (i32 k = 0; k < 3; ++k) s.w[k] = tg[k];
    return true;
}

// Whether the walking direction w leads from p across the grid's border:
// p lies on a border line (within the tolerance triangles hold points by)
// and w points out of the grid there, so the next cell is outside it.
bool leaves_grid(const f64* p, const f64* w)
{
    const MapGrid& g = map_grid;
    const f64 u = (p[0] - g.x0) / g.cell, v = (p[1] - g.y0) / g.cell, e = 1.0e-9, out = 1.0e-14;
    return (u <= e && w[0] < -out) || (u >= g.nx - 1 - e && w[0] > out) || (v <= e && w[1] < -out) ||
           (v >= g.ny - 1 - e && w[1] > out);
}

// The triangle under p that the walk goes on with: among the triangles of
// the cells around p that hold it, those with room ahead; the one whose
// normal meets d most squarely when it exceeds 0.01, else the longest
// step. False when no triangle has room ahead; no_tangent then tells
// whether a triangle under p had no walking direction at all (d along its
// normal), and off_grid whether a triangle under p leads out of the grid.
bool next_step(const f64* p, i32 mode, const f64* d, Step& best, bool& no_tangent, bool& off_grid)
{
    no_tangent = false;
    off_grid = false;
    const f64 s = map_grid.cell, tol = 1.0e-9 * s;
    const f64 u = (p[0] - map_grid.x0) / s, v = (p[1] - map_grid.y0) / s;
    const i32 i0 = static_cast<i32>(std::floor(u)), j0 = static_cast<i32>(std::floor(v));
    bool found = false;
    for (i32 i = i0 - 1; i <= i0; ++i)
        for (i32 j = j0 - 1; j <= j0; ++j) {
            if (!cell_valid(i, j)) continue;
            Step c;
            make_cell(i, j, c.c);
            for (i32 t : {0, 3}) {
                if (!holds(c.c, t, p[0], p[1], tol)) continue;
                c.t = t;
                if (!walking_dir(c.c, t, mode, d, c)) {
                    no_tangent = true;
                    continue;
                }
                c.len = exit_length(c.c, t, p[0], p[1], c.w);
                if (!(c.len > 1.0e-12 * s)) {
                    off_grid = off_grid || leaves_grid(p, c.w);
                    continue;
                }
                const bool better = !found || (std::fabs(c.dn) + 1.0e-12 < std::fabs(best.dn) &&
                                               std::fabs(best.dn) > 0.01) ||
                                    (std::fabs(std::fabs(c.dn) - std::fabs(best.dn)) <= 1.0e-12 && c.len > best.len);
                if (better) best = c;
                found = true;
            }
        }
    return found;
}

bool add_point(pokarr* pts, const f64* p, const f64* n)
{
    if (!pts) return true;
    const f64 q[3] = {p[0] - pokorigin[0], p[1] - pokorigin[1], p[2] - pokorigin[2]};
    i32 ierr = 0;
    if (pts->dims == 4)
        pokarr_add_pnt_nrm(q, n, *pts, ierr);
    else if (pts->dims == 2 || pts->dims == 3)
        pokarr_add_pnt(q, *pts, ierr);
    return ierr == 0;
}

}  // namespace

void seg_on_grid(const i32& mode, f64* walk, const f64* direction, const f64& length, pokarr* points,
                 i32& status)
{
    status = 0;
    if (!grid_usable(status)) return;
    f64 p[3] = {walk[0] + pokorigin[0], walk[1] + pokorigin[1], walk[2] + pokorigin[2]}, n[3] = {0.0, 0.0, 1.0};
    i32 i = 0, j = 0, t = 0;
    // The start is dropped straight down onto the triangle under it, not
    // projected onto the nearest point of the surface. The callers place the
    // start in plan on the loop or lane they work on (a point of an offset
    // segment's chord, a loop point at its crossing height, a lane's start),
    // and its height may be off the surface by a chord's sag or a drawn
    // height; a nearest projection would move it in plan on a slope (by the
    // height gap times the slope's sine), and the offset or side walk would
    // start beside the point asked for. A point of a valid cell always has a
    // triangle under it, so no start is left on none; a start outside the
    // grid fails here as its projection would.
    grid_height(p, p[2], n, i, j, t, status);
    if (status != 0) return;
    f64 d[3] = {direction[0], direction[1], direction[2]}, l = 0.0;
    if (!pk_unit3(d, l)) {
        status = -1;
        return;
    }
    if (!add_point(points, p, n)) {
        status = -1;
        return;
    }
    // a step crosses at most one edge or diagonal of a cell; a path of one
    // cell's length crosses at most four of them
    const i32 most = static_cast<i32>(4.0 * length / map_grid.cell + 10.0);
    f64 walked = 0.0, w[3] = {0.0, 0.0, 0.0};
    i32 last_cell = -1, last_t = -1, stuck = 0;
    bool tail = false;  // the current point is the last one appended
    for (i32 k = 0; k < most && walked < length;) {
        Step s;
        bool no_tangent = false, off_grid = false;
        if (!next_step(p, mode, d, s, no_tangent, off_grid)) {
            if (no_tangent) {
                // the direction runs along the triangle's normal: there is no
                // way to walk, and the start is no answer. In mode 1 with the
                // grid mode word set this is the steep failure; else the
                // walk fails as a direction that cannot be made tangent.
                if (mode == 1 && grid_mode != 0) {
                    grid_mode = 0;
                    status = -3;
                } else {
                    status = -1;
                }
                return;
            }
            if (off_grid) {
                // the way on leads over the grid's border into a cell the
                // grid does not have: a mapping failure. The nudge below
                // would not find it in mode 1, which walks across d: it
                // would slide the point along the border and end the walk
                // short as if it were whole.
                eroutc("[get_grid_index] UNABLE TO MAP POINT", 0);
                status = -1;
                return;
            }
            // nowhere to go from here inside the grid (the ways on of the
            // triangles meeting here turn back into each other): nudge
            // along the direction, at most 7 times. (A point of the walk always lies on a triangle of the
            // four cells looked at, so it never needs projecting again.)
            if (++stuck > 7) break;
            const f64 q[3] = {p[0] + 1.0e-7 * map_grid.cell * d[0], p[1] + 1.0e-7 * map_grid.cell * d[1], 0.0};
            f64 z = 0.0;
            grid_height(q, z, nullptr, i, j, t, status);
            if (status != 0) return;
            p[0] = q[0];
            p[1] = q[1];
            p[2] = z;
            tail = false;
            continue;
        }
        stuck = 0;
        const i32 id = s.c.j * map_grid.nx + s.c.i;
        if (id != last_cell || s.t != last_t) {
            if (mode == 1 && grid_mode != 0 && std::fabs(s.dn) > 0.08715) {
                grid_mode = 0;
                status = -3;
                return;
            }
            last_cell = id;
            last_t = s.t;
            if (grid_debug & 1) grid_draw_cell(s.c.i, s.c.j, s.t, 12);
        }
        for (i32 m = 0; m < 3; ++m) {
            n[m] = s.n[m];
            w[m] = s.w[m];
        }
        const f64 go = std::min(s.len, length - walked);
        p[0] += go * w[0];
        p[1] += go * w[1];
        p[2] = plane_z(s.c, s.t, p[0], p[1]);
        walked += go;
        ++k;
        tail = walked < length;
        if (tail && !add_point(points, p, n)) {
            status = -1;
            return;
        }
    }
    for (i32 m = 0; m < 3; ++m) walk[3 + m] = p[m] - pokorigin[m];
    if (mode == 1)
        for (i32 m = 0; m < 3; ++m) {
            walk[6 + m] = n[m];
            walk[9 + m] = w[m];
        }
    // The end point closes the walk's points, unless the walk stopped on its
    // step limit, whose last step has put the point there already: a second
    // copy would make a segment of no length.
    if (!tail && !add_point(points, p, n)) status = -1;
}

void grid_draw_cell(const i32& i, const i32& j, const i32& tri, const i32& colour)
{
    i32 st = 0;
    if (!cell_usable(i, j, st)) return;
    Cell c;
    make_cell(i, j, c);
    f64 v[3][3];
    corners(c, tri, v);
    i32 fig = 0;
    gfgtmp(fig);
    figopa(fig, colour);
    moveto(f32(v[2][0]), f32(v[2][1]), f32(v[2][2]));
    for (i32 k = 0; k < 3; ++k) drawto(f32(v[k][0]), f32(v[k][1]), f32(v[k][2]));
    figcls();
}

void grid_draw_segment(const f64* a, const f64* b, const i32& colour)
{
    const f32 p[3] = {f32(a[0]), f32(a[1]), f32(a[2])}, q[3] = {f32(b[0]), f32(b[1]), f32(b[2])};
    i32 id = 0, st = 0;
    LINE(id, p, q, st);
    if (st < 0 || id <= 0) return;
    i32 co = colour, pen = 1;
    eattc(id, 2, "CO", co);
    eattc(id, 2, "PE", pen);
    edisp(id, 1);
}

void grid_clamp_uv(f64* uv)
{
    for (i32 k = 0; k < 2; ++k) uv[k] = std::clamp(uv[k], 0.0, map_grid.cell > 0.0 ? map_grid.cell : 0.0);
}

void grid_nudge(f64* p, const f64* q)
{
    f64 d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]}, l = 0.0;
    if (!pk_unit3(d, l)) return;  // p is q: no way to go
    for (i32 k = 0; k < 3; ++k) p[k] += 0.0001 * d[k];
}

void grid_plane_project(const f64* p, const f64* origin, const f64* normal, f64* result, f64& distance)
{
    f64 n[3] = {normal[0], normal[1], normal[2]}, l = 0.0;
    for (i32 k = 0; k < 3; ++k) result[k] = p[k];
    distance = 0.0;
    if (!pk_unit3(n, l)) return;
    const f64 s = (p[0] - origin[0]) * n[0] + (p[1] - origin[1]) * n[1] + (p[2] - origin[2]) * n[2];
    for (i32 k = 0; k < 3; ++k) result[k] = p[k] - s * n[k];
    distance = std::fabs(s);
}

void grid_line_foot(const f64* p, const f64* a, const f64* b, f64* foot)
{
    const f64 d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const f64 dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const f64 t = dd > 0.0 ? ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1] + (p[2] - a[2]) * d[2]) / dd : 0.0;
    for (i32 k = 0; k < 3; ++k) foot[k] = a[k] + t * d[k];
}
