// Tool positions in the list: the end point of a movement block and the first
// and last positions of a procedure.
#pragma once

#include "core/words.h"

// End point and direction of the movement block at the cursor, whose header
// (type, size) was read.
void WENDPT(const i32& mode, const i32& type, const i32& size, f32* point, f32* direction, i32& number,
            i32& status);
// First and last tool positions of the procedure whose block is at the
// cursor; none = 1 when its sub-list holds no movement.
void FSTLST(f32* first, f32* firstdir, f32* last, f32* lastdir, i32& none, i32& status);
