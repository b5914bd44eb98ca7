// The surface map grid of a pocket that runs along the part surfaces: a
// regular XY grid over the pocket whose nodes carry the part's heights, each
// cell split by its diagonal from node (i, j) to node (i+1, j+1) into two
// triangles (0 below the diagonal, 3 above), so that the grid is a
// triangulated height field. Points are mapped to their cell, projected
// onto the triangles, walked across them for a length, and whole pocket
// arrays are carried onto the grid with the points where the surface bends
// filled in.
//
// Grid coordinates are world coordinates; pocket arrays hold points relative
// to the pocket origin, which the operations add and take off again. Every
// operation refuses a grid without cells (a cell size that is not positive,
// or fewer than two nodes a side) with status -1 and a message.
#pragma once

#include <vector>

#include "core/words.h"

struct pokarr;

// The map grid: node counts, node heights (node (i, j) at j * nx + i), origin
// and cell size. A height outside (-1.0e7, 1.0e7) marks a node without
// surface, read as -1e-9.
struct MapGrid {
    i32 nx = 0;
    i32 ny = 0;
    std::vector<f32> h;
    f64 x0 = 0.0;
    f64 y0 = 0.0;
    f64 cell = 0.0;
};
extern MapGrid map_grid;

// Height given to a node that no surface lies over.
constexpr f32 MAP_NO_SURFACE = -1.0e10f;

// Projection mode word of the offset walk (1 at load): while set, an offset
// walk whose direction leaves the surface fails once with -3 and clears it.
extern i32 grid_mode;

// Points a lane walk may fill in between two points (two walkers of 500).
constexpr i32 GRID_LANE_MAX = 1000;

// Sets the grid's projection mode word.
void set_grid_mode(const i32& value);
// Replaces the grid by nx x ny nodes over the origin with the cell size and
// the heights given (row by row); a later grid operation checks it.
void map_grid_set(i32 nx, i32 ny, f64 x0, f64 y0, f64 cell, const f32* heights);
// Empties the grid (no nodes, cell size 0).
void map_grid_clear();
// Fills the pocket's map grid from the part's triangle model over the XY box
// of the pocket's contours, widened by the largest allowance, the tool
// radius and three cells. Status 0; 21 with a message when there is no
// triangle model or no surface under the pocket, or the grid cannot be
// held. A plane pocket (pokdim 2) needs no grid: status 0, nothing filled.
void map_setup(const f64* allow, i32& status);
// Seconds the last map_setup spent filling the node heights.
f64 map_setup_seconds();

// Whether the grid has cells; otherwise -1 in status with
// "[get_grid_index] UNABLE TO MAP POINT".
bool grid_usable(i32& status);
// Cell (i, j) of a point in grid coordinates (x, y): status 0 for a valid
// cell (0 <= i <= nx - 2, 0 <= j <= ny - 2), else -1 with
// "[get_grid_index] UNABLE TO MAP POINT" (points left of or below the origin
// by less than a cell included).
void get_grid_index(const f64* p, i32& i, i32& j, i32& status);
// The height of the grid under (x, y) (grid coordinates), the unit normal of
// the triangle there and its cell and triangle (0 or 3); status as
// get_grid_index.
void grid_height(const f64* p, f64& z, f64* normal, i32& i, i32& j, i32& tri, i32& status);
// Projects a 3-D point (grid coordinates, replaced by its projection) onto
// the grid: mode 2 vertically onto the triangle under it; mode 3 the nearest
// point over up to 10 rings of cells around its cell; other modes over one
// ring. Gives the cell found and the distance moved; status -1 when nothing
// is found.
void grid_project_point(const i32& mode, f64* p, i32& i, i32& j, f64& distance, i32& status);
// Walks from the start of the walk record (pocket coordinates; words 0-2
// start, 3-5 end, and in mode 1 6-8 the last triangle's normal and 9-11 the
// last walking direction) over the grid for `length`: mode 1 across the
// direction within each triangle (the offset walk), other modes along it.
// The start is dropped straight down onto the grid. The start, each step's
// end and the end go to `points` when given. Status 0; -1 on a mapping
// failure (a walk that needs room beyond the grid's border included) or a
// points array that cannot grow; -3 as under the grid mode word.
void seg_on_grid(const i32& mode, f64* walk, const f64* direction, const f64& length, pokarr* points,
                 i32& status);
// Carries a pocket array (2-D to 4-D) onto the grid in place: every point put
// on the grid under it, and between consecutive points the points where the
// straight path crosses the grid's cell edges and diagonals filled in, so
// that the result follows the surface in the vertical plane of each segment.
// Filled-in points closer than `step` (when given) to the point kept before
// them or to the segment's end are left out. Mode 3 takes points in grid
// coordinates, other modes in pocket coordinates; all give them back in
// pocket coordinates. Status 0; 11 when the
// array cannot grow; -1 with "[lan_on_grid] UNABLE TO PROJECT SEGMENT" when a
// segment needs more points than the lane walk holds, or a mapping failure.
void lan_on_grid(const i32& mode, pokarr& arr, const f64* step, i32& status);

// The triangle of cell (i, j) nearest to p (grid coordinates): its number
// (0 or 3, 0 on a tie), the foot of p on it and the distance; a point on
// the cell's surface is its own foot at distance 0. Status 0; -1 for an
// unfilled grid (with the message of the index search) or a cell outside
// the grid.
void grid_cell_walk(const f64* p, const i32& i, const i32& j, i32& tri, f64& distance, f64* foot, i32& status);
// Where the walking direction w (a 3-D unit vector along triangle tri of
// cell (i, j)) leaves that triangle from p: the exit point, on the
// triangle's plane, and the length to it along w (0, the exit p itself,
// when w leads straight out). Status as grid_cell_walk; -1 also for a
// triangle number other than 0 and 3.
void grid_cell_exit(const i32& i, const i32& j, const i32& tri, const f64* p, const f64* w, f64* exit, f64& length,
                    i32& status);

// Debug drawing switch (nothing sets it, so it stays 0): bit 1 draws each
// triangle a walk enters (colour 12), bit 4 the cells a projection examines
// (colour 5) and the triangle it takes (colour 6). The walk-drawing word
// coloured by lane, the walkers' colours and bit 2 (each walk step measured
// again on the surfaces) are not kept: the lanes are filled without walkers,
// and a switch nothing sets would only guard code no run can reach.
extern i32 grid_debug;
// Draws the outline of triangle tri of cell (i, j) in the colour as a
// temporary figure; nothing for a cell outside the grid.
void grid_draw_cell(const i32& i, const i32& j, const i32& tri, const i32& colour);
// Draws the segment a-b (grid coordinates) as a line entity of the colour
// and pen 1, displayed; nothing when the line cannot be stored (said by the
// line routine).
void grid_draw_segment(const f64* a, const f64* b, const i32& colour);

// Small helpers of the walks over the grid.
// Clamps cell-local (u, v) into [0, cell]: below 0 to 0, above the cell size
// to the cell size.
void grid_clamp_uv(f64* uv);
// Moves p by 0.0001 toward q (p stays when it is q).
void grid_nudge(f64* p, const f64* q);
// The foot of p on the plane through `origin` with `normal`, and its
// absolute distance; a normal that cannot be made a unit vector gives p
// itself and distance 0.
void grid_plane_project(const f64* p, const f64* origin, const f64* normal, f64* result, f64& distance);
// The foot of p on the line through a and b (a itself when a is b).
void grid_line_foot(const f64* p, const f64* a, const f64* b, f64* foot);
