// The three-line warning that shows a point of the tool path.
#pragma once

#include "core/words.h"

// A three-line error message: text1, the first n coordinates of the point
// relative to the tool path's origin, text2.
void WRNPNT(const char* text1, const i32& n, const f32* point, const char* text2);
// The line of coordinates WRNPNT shows (at most 160 characters into out).
void PNTTXT(const i32& n, const f32* point, char* out, i32& length);
// Origin used by WRNPNT when no tool path is open.
extern f32 WRNORG[3];
