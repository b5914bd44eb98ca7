// Output of the area clearing: the cut tours of the first offsets, read back
// from the loop table as float polygons in world coordinates, arcs as
// chords.
#pragma once

#include "core/words.h"

// First row that the cutting added to the loop table (the rows before it
// are the offset loops); 0 when nothing was cut.
extern i32 clr_cut_mark;

// Writes the polygons: tol the chord tolerance, max_points the room of
// `points` (float pairs), npol in: the room for polygons, out: those
// written, counts: points of each. Status 0 a polygon written, 1 none, -10
// more polygons than room, -11 more than max_points points.
void clr_output(const f32& tol, i32 max_points, f32* points, i32& npol, i32* counts, i32& status);
