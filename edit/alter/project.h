// PROJECT MOTIONS of the alterations onto the reference surfaces: the motion
// blocks of a region, resampled into points, are replaced by motions that
// follow the surfaces (all of them, or only where the motion lies below),
// or their gouges are marked in red; and the resampling of one motion block.
#pragma once

#include "core/words.h"

// The procedure's start point, kept for the alterations: the motions of ALL
// PROCEDURE BLOCKS and a region that continues a split motion start from
// it.
extern f32 PRCSTP[3];

// Reads the motion block under the cursor (line, arc, NURBS, string of
// lines) into points: a new DM_ALLOC block of count points (three floats
// each; the caller frees it with DM_FREE, count x 12 bytes), or null when
// the block gives none or a read fails. The vectors (three floats each) go
// into the host array vector_array, grown when count passes its capacity
// (vector_capacity, in points, is then updated). start_point/start_vector:
// the position before the block; end_point, end_vector, plane, radius and
// centre receive the block's values. n divides an arc's sweep (below 1: 1).
f32* block_to_points(f32* end_point, f32* end_vector, const f32* start_point, const f32* start_vector,
                     const i32& vector_array, i32& vector_capacity, const i32& n, i32& count, i32& plane,
                     f32& radius, f32* centre, i32& status);

// Projects the region whose points and vectors the alterations' state holds
// (arrays TA_POINTS and TA_VECTORS, npoints of them) by the projection
// option of "ZQA1" (3 below the surfaces, 4 all onto them, 5 check only),
// over the reference-surface model kept in slot 0 of the model store. The
// region's motions (from the block in list mark 14 to last_block) are then
// replaced, except under option 5. surfaces: the surface word handed to the
// link set-up; continuing (in/out): the region starts where a walk split a
// motion (cleared once joined). Status negative on failure, 1 when nothing
// was produced, else unchanged.
void project_on_surf(const i32& surfaces, i32& continuing, const i32& first_block, const i32& last_block,
                     i32& status);

// Clears the positioning buffers of one segment.
void clear_string_buffers(f32* points, f32* normals, i32* counts);
// Clears the projection's output arrays at their opening.
void clear_projection_arrays();
// The red marks of a gouge: a point entity at the point (colour 2, pen 3)
// and a line from it up to the motion's height at that XY (colour 2, pen 1).
void mark_gouge_point(const f32* point, const f32& height);
