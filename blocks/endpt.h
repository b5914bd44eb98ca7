// End point of the movement at or after the cursor.
#pragma once

#include "core/words.h"

// From the block at the cursor forward, the first movement block: its end
// point and direction. The cursor stays on the movement block found; none
// before the end of the list: status -2.
void ENDPT(f32* point, f32* dir, i32& number, i32& status);
