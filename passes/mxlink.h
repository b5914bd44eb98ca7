// Links between strings in four- and five-axis milling.
#pragma once

#include "core/words.h"

// Link record: target P, tool axis at P, retract vector, approach vector.
void MXLINK(const f32* rec, i32 kind, i32 vecflag, i32& status);
void MXRETR(const f32* rec, i32 kind, i32 vecflag, i32& status);
// Mode 1 away from the point up to the clearance plane, 2 down to it.
void MXVERT(const i32& mode, const f32* pa, i32& status);
