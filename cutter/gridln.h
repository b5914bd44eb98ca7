// Tool positioning over the lines of the stock grid.
#pragma once

#include "core/words.h"

// Height of the tool at point's XY over the grid lines: status 0 found, 1
// nothing under the tool, -1 failure.
void LINNET_ON_GRID_LINES(const f32* point, const f32& tolerance, f32* result, i32& status);

// Segments of the grid lines under the tool: mode 0 around a point (input
// x, y), mode 1 around a segment (two points and a level as seventh value);
// a new host array of segments (six values each), relative to the point.
void GRDSEG(const i32& mode, const f32* input, const f32& tolerance, i32& count, i32& handle, i32& status);
// The tool dropped on the segments.
void GRDDRP(const f32* point, const f32& tolerance, const f32* segs, i32 count, f32* result, i32& status);
// Closes a segment array.
void GRDFRE(i32& handle);

// Diagnostics switch of the grid lines: 0 at load and set by no routine.
// When set, each segment kept is drawn (a temporary figure and a line
// entity) and each drop prints "trigt on %d from %d\n" (the segments
// measured, the segments given) on the console.
extern i32 GRDDBG;
