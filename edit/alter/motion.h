// The motion reader of the editing commands: the next motion block with its
// end point and normal, keeping the feed and the tool in force up to date on
// the way; the current block number; growth of the alterations' arrays.
#pragma once

#include "core/words.h"

// The feed in force at the last motion read: -1 rapid, -2 or below the
// maximum feed, else the feed value (module-global, set by the reconnection
// too).
extern f32 EDTFED;

// Reads the first motion block at or after the cursor (n > 0 forward, n < 0
// backward; a motion at the cursor is read without moving). Gives its block
// number, type, point (end point; a string's first point; a NURBS its last
// control point) and normal ((0, 0, 1) for a NURBS); the cursor stays at the
// start of that block. Technology blocks passed set the feed (code 1) or load
// the tool (code 100). Status: the first negative answer of a list call.
void next_motion(const i32& n, i32& number, i32& type, f32* point, f32* normal, i32& status);
// The number of the current block of the current list.
i32 cur_block_no();
// Grows the host array by the elements given; the new base, or null with
// "resize_array(trimtp), DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE".
void* resize_array(const i32& added, const i32& handle, i32& status);
