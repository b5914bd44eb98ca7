// Links between strings in four- and five-axis milling.
#pragma once

#include "core/words.h"

// Link record: target P, tool axis at P, retract vector, approach vector.
void MXLINK(const f32* rec, i32 kind, i32 vecflag, i32& status);
// The retract of a link from the current position: vecflag 0 along +Z (the tool axis for a kind-2 link) by the near
// distance, or the final retract when the heights ask for it; else along the retract vector (or the pending exit
// vector) to the near and far distances between markers; then, in the vertical-axis mode, up to the clearance plane.
void MXRETR(const f32* rec, i32 kind, i32 vecflag, i32& status);
// Mode 1 away from the point up to the clearance plane, 2 down to it.
void MXVERT(const i32& mode, const f32* pa, i32& status);
