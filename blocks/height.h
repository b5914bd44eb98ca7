// Height adjustment of movement blocks: the Z coordinates of the movement
// block at the cursor shifted by a step or put onto one level, X and Y kept.
#pragma once

#include "core/words.h"

// Changes the block at the cursor, whose header (type, size) the caller has
// read, in the medium (1 entity, 2 or 3 list): mode 1 shifts every Z by the
// value, any other mode sets it to the value. Lines, arcs (the centre's Z
// too outside the XY plane) and strings are changed in place; a NURBS block
// is rebuilt with the same knots through its control points moved, written in
// its place with its type and number. With skipxy set, a point of the same X
// and Y as the last one changed is left alone and ends the call. number
// returns the block's number. Other blocks are left unchanged.
void TPSETZ(const i32& medium, const i32& mode, i32 type, const i32& size, const f32& value, const f64& tol,
            const i32& skipxy, i32& number, i32& status);
// The X and Y of the last point changed, for the repeated-XY check; set is 0
// until a point has been changed.
struct LastXY {
    i32 set;
    f32 x, y;
};
extern LastXY TPLAST;

// TPSETZ without the repeated-XY check.
void NRBCNV(const i32& medium, const i32& mode, i32 type, const i32& size, const f32& value, const f64& tol,
            i32& number, i32& status);
