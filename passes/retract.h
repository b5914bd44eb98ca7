// Retract motions at the end of the passes.
#pragma once

#include "frame/words.h"

// Vertical retract from a point to the retract height.
void ZRET(const i32& dim, const f32* point, const f32* axis, i32& status);
// Retract from the current point after a string (start point, the point
// before it, its axis, a second axis, the points written).
void SRFRET(const i32& dim, const f32* start, const f32* before, const f32* axis, const f32* axis2, const i32& count,
            i32& status);
// The retract at the last pass point of four- and five-axis passes.
void MXFINL(i32& status);
// Straight move; with the rapid flag 1 at rapid feed.
void MOVRPD(const i32& dim, const f32* point, const f32* axis, const i32& rapid, i32& status);
