// The bridge to the closed projection library: its availability and use
// switches, the table of prepared tool projectors, and the vertical,
// diagonal, segment and lane projections that the positioning routines ask
// for when the library is available.
#pragma once

#include "core/words.h"

class ProjectionLibrary;

// Sets the availability: 1 only when value is nonzero and the library says
// it can be used; the procedure start passes 0.
void prj_set_avail(i32 value);
// The availability flag.
i32 prj_get_avail();
// Use flag = 1 when the library is available and value is nonzero, else 0.
void prj_set_use(i32 value);
// The use flag.
i32 prj_get_use();
// Puts a library behind the bridge (null: the library linked with the
// module); the availability is cleared and the prepared tools forgotten.
void prj_set_library(ProjectionLibrary* lib);
// Adds a prepared projector for a tool of the given diameter and corner
// radius; status -1 when the table of 10 is full.
void prj_add_tool(i32 projector, const f32& diameter, const f32& corner, i32& status);
// The projector prepared for the current tool: -1 for a tapered tool or when
// none lies within 1.1 x the chordal tolerance in diameter and corner radius.
i32 prj_tool_index();
// Vertical projection at point's XY: 0 found (height and the rest written),
// 1 nothing found (nothing written).
i32 prj_vertical(i32 index, const f32* point, f32& height, f32* contact, f32* vec, f32* normal, i32& kind,
                 i32& code);
// Projection from `from` along the unit direction towards `to`: 0 met (travel,
// contact, further vector, normal and two further values written), 1 nothing.
i32 prj_diagonal(i32 index, const f32* from, const f32* to, f32& travel, f32* contact, f32* vec, f32* normal,
                 f32* extra);
// The same projection, the travel alone (0 met, 1 nothing).
i32 prj_diagonal(i32 index, const f32* from, const f32* to, f32& travel);
// Projects the tool along the segment from start to end into the shared
// result, preparing the projector before its first segment.
void prj_segment(i32 index, const f32* start, const f32* end);
// Iteration over the shared result: the first segment (0 when none), the next
// segment (0 at the end), the next point of the current segment (0 at its
// end, else the point's valid mark; deleted points are skipped).
i32 prj_seg_first();
// The next segment of the shared result, 0 at the end.
i32 prj_seg_next();
// The next point of the current segment: 0 at its end, else the point's valid mark.
i32 prj_pt_next();
// Reads the current point: position, two further words, one word, two
// vectors, then its second and first codes.
void prj_pt_read(f32* pos, f32* words, f32& word, f32* v1, f32* v2, i32& code2, i32& code1);
// Projects a lane of n points onto the surfaces with projector `index`:
// exact repeats removed, thinned at 0.002, returned in a new host array of
// three floats a point (handle, count); status -1 when it cannot be made.
void prj_lane_on_srf(const f32* points, const f32* second, i32 n, i32 index, const f32& tolerance, i32& count,
                     i32& handle, i32& status);
