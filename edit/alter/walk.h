// The walk of ALTERATIONS along the motions against the offset contour:
// from the current list position to the next place where the path crosses
// it and changes side, the motion split there.
#pragma once

#include "core/words.h"

// Reads the next motion and finds where it crosses the offset polygon of
// trim_state. point, normal: the end of the previous piece in, the point
// where the call stopped out (the crossing, or the motion's end);
// prev_point, prev_normal: the motion's start. inside_side: 1 the chosen
// side is the inside. cut_block: the motion cut or where the region starts
// (0 none); before_in (in/out), after_in: the piece before and after the
// crossing lies on the chosen side; type: the motion's type; region_block:
// the block that bounds the region at this crossing; contour_seg,
// contour_frac: the crossing's place on the polygon; dim_kind of the type.
// Status 0, -2 at the end of the list, other negative values failures.
void get_next_movment(f32* point, f32* prev_point, f32* normal, f32* prev_normal, i32 inside_side, i32& cut_block,
                      i32& before_in, i32& after_in, i32& type, i32& region_block, i32& contour_seg,
                      f64& contour_frac, i32& dim_kind, i32& status);
// The side of an XY point against the offset polygon: 1 inside, 2 on the
// contour, 3 outside (a point within 0.0006 of an edge is on it).
i32 contour_side(const f32* p);
