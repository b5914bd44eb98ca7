// Tool positions in the list: the end point of a movement block, the tool
// position before and after the cursor, the first and last positions of a
// procedure, and the size of the whole tool path.
#pragma once

#include "core/words.h"

// Whether a block of this type and class gives a tool position: every
// movement block but the obsolete type 8, which holds no point and is passed
// over like a block that moves nothing.
bool gives_position(const i32& type, const i32& cls);
// End point and direction of the movement block at the cursor, whose header
// (type, size) was read; the direction is (0, 0, 1) unless the block carries
// one. A block without a point (type 8, or no movement) fails: nothing is read.
void WENDPT(const i32& mode, const i32& type, const i32& size, f32* point, f32* direction, i32& number,
            i32& status);
// The tool position before the cursor (the block at the cursor included
// when `include` is set): status 1 when the search reached the first
// position; without a movement block the status line's tool position and
// number -1. The cursor is restored.
void PRVPNT(const i32& include, f32* point, f32* direction, i32& number, i32& status);
// The tool position after the cursor, likewise; reaching the end of the list
// is a failure (status -2).
void NXTPOI(const i32& include, f32* point, f32* direction, i32& number, i32& status);
// First and last tool positions of the procedure whose block is at the
// cursor; none = 1 when its sub-list holds no movement.
void FSTLST(f32* first, f32* firstdir, f32* last, f32* lastdir, i32& none, i32& status);
// Size in bytes of the whole tool path: 4 x the words of every element and
// sub-list element, each counted with one word more, and the host sizes of
// each procedure's geometry entities and, for a procedure whose blocks lie
// in its movement entity, of that entity. Only on the main list.
void GTTPSZ(i32& size, i32& status);
// Size in bytes of the geometry entities of a procedure entity; status -1
// when its record or one of them cannot be read.
void GTGEOS(const i32& procedure, i32& size, i32& status);
