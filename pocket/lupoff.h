// Offset of one closed loop of the pocket by a distance to one side: in the
// plane with straight segments and arcs, or (for loops with heights) along
// the surfaces of the map grid.
#pragma once

#include <array>
#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"

// Offsets `loop` by `distance` to side `side` (+1 or -1, multiplying every
// offset vector) into `result`; `mode` below 0 turns round joins clockwise.
// Status 0, 11 an empty loop, an over-long static loop or a failed append;
// for loops with heights as lup_offset3d.
void lup_offset(const i32& side, const i32& mode, const f64& distance, const pokarr& loop, pokarr& result,
                i32& status);
// The plane offset of `lup_offset`.
void lup_offset2d(const i32& side, const i32& mode, const f64& distance, const pokarr& loop, pokarr& result,
                  i32& status);
// The offset along the surfaces of the map grid: each segment (taken in
// reverse for a negative side) sampled every pk3_sample_step and walked
// across for the distance, the pieces joined at the corners like the plane
// offset's, carried onto the grid, thinned and closed. Status 0; 1 when
// fewer than 3 points remain (an empty loop); 11 an over-long static loop or
// a failed append; -1 or -3 from a walk (-3: the loop leaves the surface
// while the grid's projection mode is on).
void lup_offset3d(const i32& side, const f64& distance, const pokarr& loop, pokarr& result, i32& status);

// The append rule of the offset along the surfaces: a point within 1e-6 of
// the last kept point in every coordinate is left out while the left-out
// run's squared length stays below pk3_append_min, and so is a point where
// the way goes straight on (cross of the unit directions in and out below
// 0.0005, dot not below 0). Answers the points kept, in order.
std::vector<std::array<f64, 3>> lup_append3d(const std::vector<std::array<f64, 3>>& pts);

// The values of the offset along the surfaces: sampling step of a segment,
// shortest segment, point tolerance, join tolerance, the append threshold, thinning tolerance of the finished loop, the repair switch
// (1: the finished loop is carried onto the grid once more, its folds
// filled in), and the step factor of the final mapping (times the distance,
// at most half a cell).
extern f64 pk3_sample_step;
extern f64 pk3_min_seg;
extern f64 pk3_point_tol;
extern f64 pk3_join_tol;
extern f64 pk3_append_min;
extern f64 pk3_thin2;
extern i32 pk3_repair;
extern f64 pk3_step_factor;

// The corner rule at vertex v (incoming unit direction a, next point nxt):
// one (kind 1) or two (kind 2) corner points, the round-join flag (1 a
// convex corner rounded; 2 a concave pair, joined by an arc about the vertex
// turning with the loop), the
// outgoing unit direction b and the squared length to the next point (four
// times that in mode 3). Mode 1 keeps the corner's turn as the loop's first.
void lup_corner(const i32& mode, const f64* a, const f64* v, const f64* nxt, const i32* flags, i32& round,
                const f64& limit, const i32& side, const f64& distance, f64* pts, i32& kind, f64* b, f64& len2);

// The offset point of the start (which 1) or end (which 2) of the segment
// ending at entry `index` (a line from the entry before, or the arc block
// beginning there). Status 0, 11 for an index outside the loop.
void lup_end_offset(const i32& which, const i32& side, const f64& distance, const pokarr& loop, const i32& index,
                    f64& x, f64& y, i32& status);
