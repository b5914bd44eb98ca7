// Output of the area clearing: the cut tours of the first offsets, read back
// from the loop table as float polygons in world coordinates, arcs as
// chords.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"

// First row that the cutting added to the loop table (the rows before it
// are the offset loops); 0 when nothing was cut.
extern i32 clr_cut_mark;

// Writes the polygons: tol the chord tolerance, max_points the room of
// `points` (float pairs), npol in: the room for polygons, out: those
// written, counts: points of each. Status 0 a polygon written, 1 none, -10
// more polygons than room, -11 more than max_points points (the polygon
// that did not fit is counted with the points written), -1 a taken row that
// cannot be read back.
void clr_output(const f32& tol, i32 max_points, f32* points, i32& npol, i32* counts, i32& status);
// The points of one loop as a float polygon in world coordinates, from its
// last point back, collinear points left out and arcs cut into chords
// within tol.
void clr_tour_xy(const pokarr& loop, const f32& tol, std::vector<f32>& xy);
