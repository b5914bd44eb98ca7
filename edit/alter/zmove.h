// The per-block work of MOVE BY DELTA Z and of the projections onto a Z
// plane, and the small point routines on a line that the contour walk and
// the surface projection share.
#pragma once

#include "core/words.h"

// q.z holds the target height: sets q.x, q.y on the line p1-p2 at that
// height (unchanged on a horizontal line) and t, the line parameter of q
// (1.0 when the line has no XY extent).
void line_point_at_z(const f32* p1, const f32* p2, f32* q, f64& t);
// q.x, q.y given on the line p1-p2: sets t (1.0 when the line has no XY
// extent) and q.z, the line's height there.
void line_z_at_xy(const f32* p1, const f32* p2, f32* q, f64& t);
// 1 when the sum of the absolute coordinate differences exceeds 0.001.
i32 points_differ(const f32* p1, const f32* p2);
