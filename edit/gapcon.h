// Gap reconnection after deleted or trimmed motions: a retract (or a rise to
// the clearance height), a move at the clearance height and an approach (or
// a descent), tested against the procedure's surfaces.
#pragma once

#include "core/words.h"

// Joins p1 (the last kept point before the gap) to p2 (the first point after
// it) at the current list position; clearance and z_up stand for the heights
// record's clearance and the edit context's Z-up during the call. Nothing
// when p1 equals p2; only the approach when no motion lies before the gap,
// only the retract when none lies after it.
void GAPCON(const f32& clearance, const f32& z_up, f32 p1x, f32 p1y, f32 p1z, f32 p2x, f32 p2y, f32 p2z);
// The end vector of the motion before (side 1) or after (side 0) the current
// position, the point given being that side's end; 1 when a motion was found,
// 0 at the start or end of the list. The position is kept.
i32 GAPDIR(const i32& side, const f32& x, const f32& y, const f32& z, f32* vector);
// 1 when the point lies on the triangle model: positioned there with contact,
// no error, and less than 0.03 above the positioned height.
i32 GAPPOS(const f32& x, const f32& y, const f32& z, i32& flag);
