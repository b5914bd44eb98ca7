// The cells of the surface map grid as the grid operations see them: the
// four corner heights, the slopes of the two triangles, the borders of a
// triangle and the nearest point of a triangle. Used inside the clean-up
// folder only.
#pragma once

#include "core/words.h"

namespace mapcell {

// One cell: its indexes, world origin, corner heights (counter-clockwise
// from node (i, j)) and the x and y slopes of triangle 0 (below the
// diagonal) and triangle 3 (above it); both planes pass through corner 0.
struct Cell {
    i32 i = 0, j = 0;
    f64 ox = 0.0, oy = 0.0;
    f64 h[4] = {0.0, 0.0, 0.0, 0.0};
    f64 sx[2] = {0.0, 0.0}, sy[2] = {0.0, 0.0};
};

// Height of node (i, j); -1e-9 for a node without surface.
f64 node_height(i32 i, i32 j);
// Whether (i, j) is a cell of the grid.
bool cell_valid(i32 i, i32 j);
// The record of cell (i, j).
void make_cell(i32 i, i32 j, Cell& c);
// Height of triangle t's plane at (x, y).
f64 plane_z(const Cell& c, i32 t, f64 x, f64 y);
// Upward unit normal of triangle t.
void normal(const Cell& c, i32 t, f64* n);
// The three corners of triangle t (x, y, z each).
void corners(const Cell& c, i32 t, f64 (*v)[3]);
// The three border values of (x, y) in triangle t (all >= 0 inside).
void limits(const Cell& c, i32 t, f64 x, f64 y, f64* g);
// Whether triangle t holds (x, y) within tol.
bool holds(const Cell& c, i32 t, f64 x, f64 y, f64 tol);
// Length along the 3-D direction w (unit) from (x, y) to the border of
// triangle t; 0 when w leads straight out.
f64 exit_length(const Cell& c, i32 t, f64 x, f64 y, const f64* w);
// The nearest point q of the triangle v to p.
void closest_on_triangle(const f64 (*v)[3], const f64* p, f64* q);

}  // namespace mapcell
